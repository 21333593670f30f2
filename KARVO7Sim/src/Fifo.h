// The card's bounded stores of measurement output: the data FIFO (one block per shot, read a
// block at a time) and the gate results store (entries, records and control words, handed out
// by the results command).
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
    // Copies up to `size` bytes of the oldest block; what does not fit stays for the next read.
    uint32_t read(uint8_t* out, uint32_t size);
    void clear();
    bool empty() const { return blocks_.empty(); }
    bool full() const { return bytes_ >= capacity_; }
    size_t bytes() const { return bytes_; }
    size_t capacity() const { return capacity_; }

  private:
    std::deque<Bytes> blocks_;
    size_t head_ = 0;  // bytes of the oldest block already read
    size_t bytes_ = 0;
    size_t capacity_;
};

class ResultStore {
  public:
    explicit ResultStore(size_t capacity) : capacity_(capacity) {}

    // A result entry or record of one shot; false when the store is full.
    bool push(Bytes result);
    // A control word between results; dropped with the results it would follow.
    void pushControl(uint32_t word);
    // Takes up to `count` results (0: all) with the control words behind them, as many whole
    // items as fit `maxBytes` (the first one even if it does not).
    Bytes take(uint32_t count, size_t maxBytes);
    void clear();
    bool full() const { return bytes_ >= capacity_; }
    bool empty() const { return items_.empty(); }

  private:
    struct Item {
        Bytes bytes;
        bool control;
    };
    std::deque<Item> items_;
    size_t bytes_ = 0;
    size_t capacity_;
};

}  // namespace k7sim
