// A captured stream walked a window at a time, read (not mapped) from its file: the memory it
// takes does not grow with the capture, and a file cut short while it is read ends as a
// truncated capture instead of a SIGBUS. The items are those a walk over the whole file gives:
// offsets in the file, test cycles and rounds of gate entries counted from the file's start, a
// record that runs past a window read again with the next one, and native sample runs in
// pieces of the same size (the windows hold whole pieces and whole rounds of entries).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "KARVO7Stream.h"

namespace karvo7 {

class CaptureWalk {
  public:
    // Native runs come in pieces of this many samples.
    static constexpr uint32_t kPieceSamples = 65536;

    // Walks the file open on `fd` (not owned) as `options` say (checked with
    // KARVO7StreamBegin beforehand), about `windowBytes` at a time (0: 16 MB).
    CaptureWalk(int fd, const KARVO7StreamOptions& options, std::size_t windowBytes);

    // The next item, its samples in `samples` (kPieceSamples of room). False at the end or on a
    // read error (readError() then says which).
    bool next(KARVO7StreamItem& item, int16_t* samples);
    int readError() const { return readError_; }

  private:
    bool fill(uint64_t from, std::size_t bytes);
    void moveToFileOffsets(KARVO7StreamItem& item) const;

    int fd_;
    KARVO7StreamOptions options_;
    std::size_t window_;
    uint32_t setCount_ = 1;
    std::vector<uint8_t> bytes_;
    KARVO7StreamWalker walker_{};
    uint64_t base_ = 0;    // file offset of the window's first byte
    std::size_t got_ = 0;  // bytes in the window
    bool final_ = false;   // the window reaches the end of the file
    bool started_ = false;
    bool ended_ = false;  // a tail was given: nothing follows it
    uint32_t cyclesBefore_ = 0;
    uint32_t cyclesSeen_ = 0;
    int readError_ = 0;
};

}  // namespace karvo7
