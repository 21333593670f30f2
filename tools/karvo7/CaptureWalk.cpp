#include "CaptureWalk.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>

namespace karvo7 {

namespace {

constexpr std::size_t kCompactEntryBytes = 24;
constexpr std::size_t kDefaultWindow = std::size_t{16} << 20;

}  // namespace

CaptureWalk::CaptureWalk(int fd, const KARVO7StreamOptions& options, std::size_t windowBytes)
    : fd_(fd), options_(options) {
    // A window of native data holds whole pieces of samples or whole rounds of entries, so that
    // every window starts where a walk over the whole file is at the start of one.
    std::size_t unit = 1;
    if (options.layout == KARVO7STREAM_LAYOUT_NATIVE) {
        if (options.native_content == KARVO7STREAM_NATIVE_GATES) {
            setCount_ = static_cast<uint32_t>(std::popcount(options.active_sets & 0x7Eu));
            unit = kCompactEntryBytes * std::max<uint32_t>(1, setCount_);
        } else {
            unit = (options.sample_bits == 8 ? 1u : 2u) * std::size_t{kPieceSamples};
        }
    }
    const std::size_t wanted = windowBytes == 0 ? kDefaultWindow : windowBytes;
    window_ = std::max(unit, (wanted + unit - 1) / unit * unit);
}

bool CaptureWalk::fill(uint64_t from, std::size_t bytes) {
    bytes_.resize(bytes);
    got_ = 0;
    while (got_ < bytes) {
        const ssize_t n =
            ::pread(fd_, bytes_.data() + got_, bytes - got_, static_cast<off_t>(from + got_));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            readError_ = errno;
            return false;
        }
        if (n == 0) {
            break;
        }
        got_ += static_cast<std::size_t>(n);
    }
    base_ = from;
    final_ = got_ < bytes;
    cyclesBefore_ = cyclesSeen_;
    KARVO7StreamBegin(&walker_, bytes_.data(), got_, &options_);
    return true;
}

void CaptureWalk::moveToFileOffsets(KARVO7StreamItem& item) const {
    item.offset += base_;
    const bool record = item.kind == KARVO7STREAM_ITEM_RECORD ||
                        item.kind == KARVO7STREAM_ITEM_GATES ||
                        item.kind == KARVO7STREAM_ITEM_OTHER_RECORD;
    if (record) {
        item.record_offset += base_;
    }
    if (item.kind == KARVO7STREAM_ITEM_RECORD || item.kind == KARVO7STREAM_ITEM_NATIVE_SAMPLES) {
        item.payload_offset += base_;
    }
}

bool CaptureWalk::next(KARVO7StreamItem& item, int16_t* samples) {
    if (ended_) {
        return false;
    }
    if (!started_) {
        started_ = true;
        if (!fill(0, window_)) {
            return false;
        }
    }
    for (;;) {
        if (KARVO7StreamNext(&walker_, &item, samples, kPieceSamples) != 1) {
            if (final_ || !fill(base_ + got_, window_)) {
                return false;
            }
            continue;
        }
        if (item.kind == KARVO7STREAM_ITEM_TAIL &&
            item.tail_reason == KARVO7STREAM_TAIL_TRUNCATED && !final_) {
            // The item runs on into the next window: read again from its start, with a larger
            // window when it is longer than a whole one.
            const std::size_t bytes = item.offset == 0 ? 2 * bytes_.size() : window_;
            if (!fill(base_ + item.offset, bytes)) {
                return false;
            }
            continue;
        }
        moveToFileOffsets(item);
        ended_ = item.kind == KARVO7STREAM_ITEM_TAIL;
        if (item.cycle != 0) {
            item.cycle += cyclesBefore_;
            cyclesSeen_ = item.cycle;
        }
        if (item.kind == KARVO7STREAM_ITEM_NATIVE_GATES) {
            item.round += static_cast<uint32_t>(base_ / (kCompactEntryBytes * setCount_));
        }
        return true;
    }
}

}  // namespace karvo7
