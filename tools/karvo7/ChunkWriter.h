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
    int current_ = 0;
    std::size_t filled_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    const uint8_t* pending_ = nullptr;  // the chunk being written
    std::size_t pendingBytes_ = 0;
    bool stop_ = false;
    bool failed_ = false;
    std::string error_;
    uint64_t written_ = 0;
    std::thread thread_;
};

}  // namespace karvo7
