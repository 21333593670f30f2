// Bounded stores of the card's measurement output.
#include "Fifo.h"

#include <algorithm>
#include <cstring>

namespace k7sim {

bool BlockFifo::push(Bytes block) {
    if (block.empty() || bytes_ + block.size() > capacity_) {
        return false;
    }
    bytes_ += block.size();
    blocks_.push_back(std::move(block));
    return true;
}

uint32_t BlockFifo::read(uint8_t* out, uint32_t size) {
    if (blocks_.empty()) {
        return 0;
    }
    const Bytes& block = blocks_.front();
    const size_t n = std::min<size_t>(size, block.size() - head_);
    if (n > 0) {
        std::memcpy(out, block.data() + head_, n);
    }
    head_ += n;
    bytes_ -= n;
    if (head_ == block.size()) {
        blocks_.pop_front();
        head_ = 0;
    }
    return static_cast<uint32_t>(n);
}

void BlockFifo::clear() {
    blocks_.clear();
    head_ = 0;
    bytes_ = 0;
}

bool ResultStore::push(Bytes result) {
    if (bytes_ + result.size() > capacity_) {
        return false;
    }
    bytes_ += result.size();
    items_.push_back({std::move(result), false});
    return true;
}

void ResultStore::pushControl(uint32_t word) {
    // A control word follows a result; two in a row or one at the start carry nothing.
    if (items_.empty() || items_.back().control || bytes_ + 4 > capacity_) {
        return;
    }
    Bytes bytes(4);
    for (int i = 0; i < 4; ++i) {
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(word >> (8 * i));
    }
    bytes_ += 4;
    items_.push_back({std::move(bytes), true});
}

Bytes ResultStore::take(uint32_t count, size_t maxBytes) {
    Bytes out;
    uint32_t taken = 0;
    while (!items_.empty()) {
        Item& item = items_.front();
        if (!out.empty() && out.size() + item.bytes.size() > maxBytes) {
            break;
        }
        if (!item.control) {
            if (count != 0 && taken == count) {
                break;
            }
            ++taken;
        }
        out.insert(out.end(), item.bytes.begin(), item.bytes.end());
        bytes_ -= item.bytes.size();
        items_.pop_front();
    }
    return out;
}

void ResultStore::clear() {
    items_.clear();
    bytes_ = 0;
}

}  // namespace k7sim
