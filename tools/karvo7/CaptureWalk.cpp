#include "CaptureWalk.h"
#include "k7base/Descriptors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace karvo7 {

namespace {

constexpr std::size_t kCompactEntryBytes = 24;
constexpr std::size_t kDefaultWindow = std::size_t{16} << 20;

}  // namespace

CaptureWalk::CaptureWalk(int fd, std::size_t windowBytes)
    : fd_(fd), bytes_(windowBytes == 0 ? kDefaultWindow : windowBytes) {}

bool CaptureWalk::readMore() {
    while (got_ < bytes_.size()) {
        const std::ptrdiff_t n =
            k7base::readDescriptor(fd_, bytes_.data() + got_, bytes_.size() - got_);
        if (n < 0) {
            readError_ = errno;
            return false;
        }
        if (n == 0) {
            atEnd_ = true;
            break;
        }
        got_ += static_cast<std::size_t>(n);
    }
    return true;
}

CaptureWalk::Start CaptureWalk::open() {
    if (!readMore()) {
        return Start::ReadError;
    }
    KARVO7StreamCapture capture{};
    capture.struct_size = sizeof capture;
    const int32_t read = KARVO7StreamReadCapture(bytes_.data(), got_, &capture);
    if (read == KARVO7STREAM_ERROR_NO_CAPTURE) {
        return Start::Bare;
    }
    if (read != KARVO7STREAM_OK) {
        return Start::BadHeader;
    }
    header_ = capture;
    dataStart_ = capture.header_size;
    // A header larger than the window (a later format's) is read past.
    while (base_ + got_ < dataStart_ && !atEnd_) {
        base_ += got_;
        got_ = 0;
        if (!readMore()) {
            return Start::ReadError;
        }
    }
    return Start::Header;
}

void CaptureWalk::begin(const KARVO7StreamOptions& options) {
    options_ = options;
    const bool native = options.layout == KARVO7STREAM_LAYOUT_NATIVE;
    if (native && options.native_content == KARVO7STREAM_NATIVE_GATES) {
        for (uint32_t set = 1; set <= 6; ++set) {
            if ((options.active_sets & (1u << set)) != 0) {
                sets_.push_back(set);
            }
        }
    } else if (native) {
        shotBytes_ = uint64_t{options.samples_per_shot} * (options.sample_bits == 8 ? 1 : 2);
    }
    shift(static_cast<std::size_t>(std::min<uint64_t>(dataStart_ - base_, got_)));
    KARVO7StreamBegin(&walker_, bytes_.data(), got_, &options_);
}

void CaptureWalk::shift(std::size_t from) {
    std::memmove(bytes_.data(), bytes_.data() + from, got_ - from);
    base_ += from;
    got_ -= from;
}

bool CaptureWalk::refill(std::size_t from) {
    shift(from);
    if (got_ == bytes_.size()) {
        // One item fills the whole window: a larger one.
        bytes_.resize(2 * bytes_.size());
    }
    if (!atEnd_ && !readMore()) {
        return false;
    }
    cyclesBefore_ = cyclesSeen_;
    KARVO7StreamBegin(&walker_, bytes_.data(), got_, &options_);
    return true;
}

bool CaptureWalk::runsOn(const KARVO7StreamItem& item) const {
    if (atEnd_) {
        return false;
    }
    if (item.kind == KARVO7STREAM_ITEM_TAIL) {
        return item.tail_reason == KARVO7STREAM_TAIL_TRUNCATED;
    }
    // A piece of a native run shorter than a whole one may go on in the next window.
    return item.kind == KARVO7STREAM_ITEM_NATIVE_SAMPLES && shotBytes_ == 0 &&
           item.sample_count < kPieceSamples;
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
    const uint64_t fromStart = item.offset - dataStart_;
    if (item.kind == KARVO7STREAM_ITEM_NATIVE_GATES) {
        const uint64_t entry = fromStart / kCompactEntryBytes;
        item.set = sets_[entry % sets_.size()];
        item.round = static_cast<uint32_t>(entry / sets_.size());
    }
    if (item.kind == KARVO7STREAM_ITEM_NATIVE_SAMPLES && shotBytes_ != 0) {
        item.shot = static_cast<uint32_t>(fromStart / shotBytes_);
    }
}

bool CaptureWalk::next(KARVO7StreamItem& item, int16_t* samples) {
    item.struct_size = sizeof item;
    while (!ended_) {
        if (KARVO7StreamNext(&walker_, &item, samples, kPieceSamples) != KARVO7STREAM_OK) {
            if (atEnd_ || !refill(got_)) {
                return false;
            }
            continue;
        }
        if (runsOn(item)) {
            if (!refill(static_cast<std::size_t>(item.offset))) {
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
        return true;
    }
    return false;
}

}  // namespace karvo7
