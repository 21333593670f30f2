#include "ChunkWriter.h"

#include <algorithm>

namespace karvo7 {

namespace {
// A chunk goes to the file in pieces: one long write keeps the processor in the kernel for
// milliseconds, where it cannot be given to the engine's reading thread.
constexpr std::size_t kPieceBytes = 256u << 10;
}  // namespace

ChunkWriter::ChunkWriter(OutputFile& file) : file_(file) {
    chunks_[0].resize(kChunkBytes);
    chunks_[1].resize(kChunkBytes);
    thread_ = std::thread([this] { run(); });
}

ChunkWriter::~ChunkWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ChunkWriter::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ != nullptr || stop_; });
        if (pending_ == nullptr) {
            return;
        }
        const uint8_t* data = pending_;
        const int index = pendingIndex_;
        const std::size_t size = pendingBytes_;
        const bool skip = failed_;
        lock.unlock();
        std::string why;
        bool ok = true;
        for (std::size_t at = 0; ok && !skip && at < size; at += kPieceBytes) {
            ok = file_.write(data + at, std::min(kPieceBytes, size - at), why);
        }
        lock.lock();
        if (!ok) {
            failed_ = true;
            error_ = why;
            failedIndex_ = index;
        } else if (!skip) {
            for (uint32_t end : ends_[index]) {
                shotsWritten_ += (end & kShotEnd) != 0 ? 1 : 0;
                wholeBytes_ = written_ + (end & ~kShotEnd);
            }
            written_ += size;
        }
        if (ok || skip) {
            ends_[index].clear();
        }
        pending_ = nullptr;
        changed_.notify_all();
    }
}

bool ChunkWriter::swap() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pending_ == nullptr; });
    if (failed_) {
        return false;
    }
    if (filled_ > 0) {
        pending_ = chunks_[current_].data();
        pendingIndex_ = current_;
        pendingBytes_ = filled_;
        current_ = 1 - current_;
        filled_ = 0;
        changed_.notify_all();
    }
    return true;
}

void ChunkWriter::itemEnds(bool shot) {
    ends_[current_].push_back(static_cast<uint32_t>(filled_) | (shot ? kShotEnd : 0u));
}

ChunkWriter::Whole ChunkWriter::wholeItemsWritten(uint64_t fileBytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    Whole whole{wholeBytes_, shotsWritten_};
    if (failedIndex_ < 0 || fileBytes < written_) {
        return whole;
    }
    uint64_t shots = shotsWritten_;
    for (uint32_t end : ends_[failedIndex_]) {
        if (written_ + (end & ~kShotEnd) > fileBytes) {
            break;
        }
        shots += (end & kShotEnd) != 0 ? 1 : 0;
        whole = {written_ + (end & ~kShotEnd), shots};
    }
    return whole;
}

bool ChunkWriter::finish() {
    swap();
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pending_ == nullptr; });
    return !failed_;
}

bool ChunkWriter::failed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
}

std::string ChunkWriter::error() {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

uint64_t ChunkWriter::written() {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

}  // namespace karvo7
