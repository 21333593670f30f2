// Bounded stores of the card's measurement output.
#include "Fifo.h"

#include <algorithm>
#include <cstring>

namespace k7sim {

namespace {
// Blocks stored late take up to this many times the FIFO's capacity (64 ms of the card's
// fastest shots): the simulation's worker may be that late on a busy machine.
constexpr size_t kLateCapacities = 16;
}  // namespace

bool BlockFifo::push(Bytes block) {
    if (block.empty() || bytes_ - lateBytes_ + block.size() > capacity_) {
        return false;
    }
    bytes_ += block.size();
    blocks_.push_back({std::move(block), false});
    return true;
}

bool BlockFifo::pushLate(Bytes block) {
    if (block.empty() || lateBytes_ + block.size() > kLateCapacities * capacity_) {
        return push(std::move(block));
    }
    bytes_ += block.size();
    lateBytes_ += block.size();
    blocks_.push_back({std::move(block), true});
    return true;
}

bool BlockFifo::lateRoom() const {
    return lateBytes_ < kLateCapacities * capacity_;
}

uint32_t BlockFifo::read(uint8_t* out, uint32_t size) {
    if (blocks_.empty()) {
        return 0;
    }
    const Block& block = blocks_.front();
    const size_t n = std::min<size_t>(size, block.bytes.size() - head_);
    if (n > 0) {
        std::memcpy(out, block.bytes.data() + head_, n);
    }
    head_ += n;
    bytes_ -= n;
    lateBytes_ -= block.late ? n : 0;
    if (head_ == block.bytes.size()) {
        blocks_.pop_front();
        head_ = 0;
    }
    return static_cast<uint32_t>(n);
}

void BlockFifo::clear() {
    blocks_.clear();
    head_ = 0;
    bytes_ = 0;
    lateBytes_ = 0;
}

bool ResultStore::push(Bytes result) {
    if (bytes_ + result.size() > capacity_) {
        return false;
    }
    bytes_ += result.size();
    units_.push_back({std::move(result), 1, false, false});
    return true;
}

void ResultStore::stage(Bytes result) {
    bytes_ += result.size();
    staged_.bytes.insert(staged_.bytes.end(), result.begin(), result.end());
    ++staged_.results;
}

bool ResultStore::commit(bool closing) {
    Unit unit = std::move(staged_);
    const bool lost = stagedLost_;
    const bool cut = stagedCut_;
    staged_ = Unit{};
    stagedLost_ = false;
    stagedCut_ = false;
    if (unit.results == 0) {
        return !lost;
    }
    if (cut || lost || bytes_ > capacity_) {
        // A cycle without its first entries would file results under the wrong sets.
        bytes_ -= unit.bytes.size();
        return cut;
    }
    unit.endsFetch = closing;
    units_.push_back(std::move(unit));
    return true;
}

void ResultStore::pushControl(uint32_t word) {
    // A control word follows a result; two in a row or one at the start carry nothing.
    if (units_.empty() || units_.back().control || bytes_ + 4 > capacity_) {
        return;
    }
    for (int i = 0; i < 4; ++i) {
        units_.back().bytes.push_back(static_cast<uint8_t>(word >> (8 * i)));
    }
    units_.back().control = true;
    bytes_ += 4;
}

Bytes ResultStore::take(uint32_t count, size_t maxBytes) {
    Bytes out;
    uint32_t taken = 0;
    while (!units_.empty()) {
        Unit& unit = units_.front();
        if (out.empty() && unit.control && unit.bytes.size() > maxBytes &&
            unit.bytes.size() - 4 <= maxBytes) {
            // A buffer that holds the record but not its control word: the record goes alone
            // and the word is dropped, since it must not begin the next fetch.
            unit.bytes.resize(unit.bytes.size() - 4);
            unit.control = false;
            bytes_ -= 4;
        }
        if (out.size() + unit.bytes.size() > maxBytes ||
            (count != 0 && taken != 0 && taken + unit.results > count)) {
            break;
        }
        out.insert(out.end(), unit.bytes.begin(), unit.bytes.end());
        taken += unit.results;
        bytes_ -= unit.bytes.size();
        const bool last = unit.endsFetch;
        units_.pop_front();
        if (last) {
            break;
        }
    }
    return out;
}

void ResultStore::clear() {
    // A cycle in progress that loses entries here goes on without its first ones.
    stagedCut_ = staged_.results > 0 || stagedLost_;
    units_.clear();
    staged_ = Unit{};
    stagedLost_ = false;
    bytes_ = 0;
}

void ResultStore::restart() {
    clear();
    stagedCut_ = false;
}

}  // namespace k7sim
