#include "Ring.h"

#include <cstring>
#include <new>

namespace k7acquire {

namespace {
// Marks the rest of the ring's end as unused: the next item starts at its beginning.
constexpr uint32_t kWrap = 0;

// Items start on whole headers, so the end of the ring always has room for a wrap mark.
constexpr std::size_t padded(std::size_t bytes) {
    return (bytes + 15) & ~std::size_t{15};
}

struct Header {
    uint32_t kind;
    uint32_t bytes;
    uint64_t value;
};
static_assert(sizeof(Header) == Ring::kHeaderBytes);
}  // namespace

Ring::Ring(std::size_t capacity) : capacity_(capacity & ~(kHeaderBytes - 1)) {
    if (capacity_ >= kHeaderBytes) {
        // Zeroed here, so that every page is in memory before the reading thread writes to it:
        // a first touch there would cost it a page fault on each few shots.
        bytes_.reset(new (std::nothrow) uint8_t[capacity_]());
    }
    if (bytes_ == nullptr) {
        capacity_ = 0;
    }
}

std::size_t Ring::footprint(uint32_t dataBytes) {
    return kHeaderBytes + padded(dataBytes);
}

uint8_t* Ring::reserve(uint32_t maxBytes, std::size_t keep) {
    const std::size_t need = footprint(maxBytes);
    const uint64_t tail = tail_.load(std::memory_order_relaxed);
    const uint64_t used = tail - head_.load(std::memory_order_acquire);
    // An item never wraps: when it does not fit before the end, the end stays unused.
    const std::size_t skip = contiguous(tail) < need ? contiguous(tail) : 0;
    if (need > capacity_ || used + skip + need + keep > capacity_) {
        return nullptr;
    }
    reserved_ = tail + skip;
    return bytes_.get() + reserved_ % capacity_ + kHeaderBytes;
}

void Ring::commit(uint32_t kind, uint32_t bytes, uint64_t value) {
    const uint64_t tail = tail_.load(std::memory_order_relaxed);
    if (reserved_ != tail) {
        const Header wrap{kWrap, 0, 0};
        std::memcpy(bytes_.get() + tail % capacity_, &wrap, sizeof wrap);
    }
    const Header header{kind, bytes, value};
    std::memcpy(bytes_.get() + reserved_ % capacity_, &header, sizeof header);
    tail_.store(reserved_ + footprint(bytes), std::memory_order_release);
    published_.fetch_add(1, std::memory_order_release);
}

bool Ring::push(uint32_t kind, uint64_t value, std::size_t keep) {
    if (reserve(0, keep) == nullptr) {
        return false;
    }
    commit(kind, 0, value);
    return true;
}

bool Ring::peek(Entry& entry) {
    uint64_t head = head_.load(std::memory_order_relaxed);
    for (;;) {
        if (head == tail_.load(std::memory_order_acquire)) {
            head_.store(head, std::memory_order_release);
            return false;
        }
        Header header{};
        std::memcpy(&header, bytes_.get() + head % capacity_, sizeof header);
        if (header.kind != kWrap) {
            entry = {header.kind, header.bytes, header.value,
                     bytes_.get() + head % capacity_ + kHeaderBytes};
            consumed_ = head + footprint(header.bytes);
            head_.store(head, std::memory_order_release);
            return true;
        }
        head += contiguous(head);
    }
}

void Ring::pop() {
    head_.store(consumed_, std::memory_order_release);
    taken_.fetch_add(1, std::memory_order_release);
}

}  // namespace k7acquire
