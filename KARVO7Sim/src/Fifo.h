// The card's bounded stores of measurement output: the data FIFO (one block per shot, read a
// block at a time) and the gate results store (entries, records and control words, handed out
// by the results command in whole units: a record with its control word, a cycle of entries).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace k7sim {

using Bytes = std::vector<uint8_t>;

class BlockFifo {
  public:
    explicit BlockFifo(size_t capacity) : capacity_(capacity) {}

    // Stores a shot's block; false (and nothing stored) when it does not fit.
    bool push(Bytes block);
    // Stores a block that a reader waiting for it would have taken already, had the card been
    // served in time: it takes no room from the shots that follow, as long as such blocks
    // together fit a bound of some FIFOs' capacity; beyond that it is stored as push() does.
    bool pushLate(Bytes block);
    // Copies up to `size` bytes of the oldest block; what does not fit stays for the next read.
    uint32_t read(uint8_t* out, uint32_t size);
    void clear();
    // Shots stored whose reading has not begun.
    size_t unreadShots() const { return blocks_.size() - (head_ > 0 ? 1 : 0); }
    // Bytes left of the oldest block (0: none).
    uint32_t nextBytes() const {
        return blocks_.empty() ? 0u : static_cast<uint32_t>(blocks_.front().bytes.size() - head_);
    }
    bool empty() const { return blocks_.empty(); }
    // No room for another shot in time (blocks stored late do not count).
    bool full() const { return bytes_ - lateBytes_ >= capacity_; }
    // Room for a block stored late.
    bool lateRoom() const;
    size_t bytes() const { return bytes_; }
    size_t capacity() const { return capacity_; }

  private:
    struct Block {
        Bytes bytes;
        bool late = false;
    };
    std::deque<Block> blocks_;
    size_t head_ = 0;  // bytes of the oldest block already read
    size_t bytes_ = 0;
    size_t lateBytes_ = 0;  // of blocks stored late, not read yet
    size_t capacity_;
};

class ResultStore {
  public:
    explicit ResultStore(size_t capacity) : capacity_(capacity) {}

    // The result of one shot (a compact entry or a gate record) as a unit of its own; false (and
    // nothing stored) when it does not fit.
    bool push(Bytes result);
    // A compact entry of the cycle in progress: the entries of a cycle join the store together
    // when the cycle ends, so that a fetch always begins at the first set of a cycle.
    void stage(Bytes result);
    // A shot of the cycle in progress was lost: the whole cycle is dropped when it ends.
    void stageLost() { stagedLost_ = true; }
    // The cycle in progress ends: its entries become one unit; false when they were dropped
    // (lost shot or no room). `closing`: the run stopped within the cycle; the unit then holds
    // fewer entries and ends the fetch that takes it.
    bool commit(bool closing = false);
    // A control word after the newest result: it travels with that result. Dropped when there is
    // no result for it or no room.
    void pushControl(uint32_t word);
    // Takes whole units, oldest first: up to `count` results (0: all; the first unit even if it
    // holds more), as many as fit `maxBytes`. Nothing when the oldest unit does not fit; a
    // record that fits only without its control word goes without it.
    Bytes take(uint32_t count, size_t maxBytes);
    // Empties the store; a cycle in progress is dropped when it ends.
    void clear();
    // Empties the store with no cycle in progress (power-up, reset).
    void restart();
    bool full() const { return bytes_ >= capacity_; }
    bool empty() const { return units_.empty(); }

  private:
    struct Unit {
        Bytes bytes;
        uint32_t results = 0;
        bool control = false;    // ends with its control word
        bool endsFetch = false;  // a cycle cut short: nothing follows it in the same fetch
    };
    std::deque<Unit> units_;
    Unit staged_;
    bool stagedLost_ = false;  // a shot of the cycle in progress lost its result
    bool stagedCut_ = false;   // the store was emptied within the cycle in progress
    size_t bytes_ = 0;         // of the units and the staged cycle
    size_t capacity_;
};

}  // namespace k7sim
