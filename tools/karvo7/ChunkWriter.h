// Large buffered writes on a thread of their own: the stream's reader fills one chunk while the
// other is written, so that a slow output never holds the card's reads up by more than a chunk.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "OutputFile.h"

namespace karvo7 {

class ChunkWriter {
  public:
    static constexpr std::size_t kChunkBytes = 8u << 20;

    explicit ChunkWriter(OutputFile& file);
    ~ChunkWriter();
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // The chunk to fill, and how much of it is filled.
    uint8_t* chunk() { return chunks_[current_].data(); }
    std::size_t& filled() { return filled_; }
    std::size_t space() const { return kChunkBytes - filled_; }

    // Marks the end of a whole item (a shot when `shot`) in the chunk being filled: a file whose
    // writing failed keeps what was written up to the last of them.
    void itemEnds(bool shot);
    // What a file holds of whole items after a write failed part way, `fileBytes` of the output
    // having reached it: the bytes up to the end of the last whole item, and the shots in them.
    struct Whole {
        uint64_t bytes = 0;
        uint64_t shots = 0;
    };
    Whole wholeItemsWritten(uint64_t fileBytes);

    // Hands the filled chunk to the writing thread and takes the other one, once that one has
    // been written. False when a write failed (error() says why).
    bool swap();
    // Writes what is left and ends the thread. False when a write failed.
    bool finish();
    bool failed();
    std::string error();
    uint64_t written();

  private:
    void run();

    OutputFile& file_;
    std::vector<uint8_t> chunks_[2];
    // The ends of the whole items of each chunk, kShotEnd set for a shot's.
    static constexpr uint32_t kShotEnd = 0x80000000u;
    std::vector<uint32_t> ends_[2];
    int current_ = 0;
    std::size_t filled_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    const uint8_t* pending_ = nullptr;  // the chunk being written
    int pendingIndex_ = 0;
    std::size_t pendingBytes_ = 0;
    int failedIndex_ = -1;       // the chunk whose write failed
    uint64_t wholeBytes_ = 0;    // of the chunks written: up to the end of their last item
    uint64_t shotsWritten_ = 0;  // the shots in the chunks written
    bool stop_ = false;
    bool failed_ = false;
    std::string error_;
    uint64_t written_ = 0;
    std::thread thread_;
};

}  // namespace karvo7
