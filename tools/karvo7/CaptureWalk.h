// A captured stream walked a window at a time, read in order from a file or a pipe: the memory
// it takes does not grow with the capture, and a file cut short while it is read ends as a
// truncated capture instead of a SIGBUS. A capture that starts with a header (as `karvo7
// stream` writes it) says how its records are read; a bare one is read as the caller says. The
// items are those a walk over the whole capture gives: offsets in the file, test cycles, rounds
// of gate entries and shots counted from the capture's start, and an item that runs past a
// window (a record, a shot, a piece of a native run) read again with the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "KARVO7Stream.h"

namespace karvo7 {

class CaptureWalk {
  public:
    // Native runs come in pieces of this many samples.
    static constexpr uint32_t kPieceSamples = 65536;

    // Reads the capture from `fd` (not owned), about `windowBytes` at a time (0: 16 MB).
    CaptureWalk(int fd, std::size_t windowBytes);

    enum class Start { Bare, Header, BadHeader, ReadError };
    // Reads the start of the capture and its header, when it has one.
    Start open();
    // The header that open() found.
    const std::optional<KARVO7StreamCapture>& header() const { return header_; }
    // True when open() found no byte at all.
    bool empty() const { return got_ == 0 && base_ == 0; }

    // Starts the walk over the records with `options` (checked with KARVO7StreamBegin).
    void begin(const KARVO7StreamOptions& options);

    // The next item, its samples in `samples` (kPieceSamples of room). False at the end or on a
    // read error (readError() then says which).
    bool next(KARVO7StreamItem& item, int16_t* samples);
    int readError() const { return readError_; }

  private:
    bool readMore();
    // Drops the window's bytes before `from`.
    void shift(std::size_t from);
    // Keeps the window's bytes from `from` on, reads what follows them and walks the window anew.
    bool refill(std::size_t from);
    bool runsOn(const KARVO7StreamItem& item) const;
    void moveToFileOffsets(KARVO7StreamItem& item) const;

    int fd_;
    KARVO7StreamOptions options_{};
    std::optional<KARVO7StreamCapture> header_;
    std::vector<uint8_t> bytes_;
    KARVO7StreamWalker walker_{};
    uint64_t base_ = 0;           // file offset of the window's first byte
    uint64_t dataStart_ = 0;      // file offset of the first record (behind a header)
    std::size_t got_ = 0;         // bytes in the window
    bool atEnd_ = false;          // the window reaches the end of the input
    bool ended_ = false;          // a tail was given: nothing follows it
    std::vector<uint32_t> sets_;  // native gate entries: the active sets in turn
    uint64_t shotBytes_ = 0;      // native samples cut into shots: a shot's bytes
    uint32_t cyclesBefore_ = 0;
    uint32_t cyclesSeen_ = 0;
    int readError_ = 0;
};

}  // namespace karvo7
