// The engine's host buffer: a ring of whole items (a shot's block, a gate results fetch, a loss,
// the end), written by the reading thread and taken out by one consumer. The reading thread
// reads straight into the room it reserves, so a shot is copied once, into the consumer's
// buffer. Neither side waits for the other: positions are exchanged through atomics.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace k7acquire {

class Ring {
  public:
    struct Entry {
        uint32_t kind = 0;
        uint32_t bytes = 0;
        uint64_t value = 0;
        const uint8_t* data = nullptr;
    };
    static constexpr std::size_t kHeaderBytes = 16;

    // A ring of `capacity` bytes (rounded down to whole headers); empty when memory is short.
    explicit Ring(std::size_t capacity);
    bool allocated() const { return bytes_ != nullptr; }
    std::size_t capacity() const { return capacity_; }
    // The ring's bytes an item of `dataBytes` takes at most (header and padding).
    static std::size_t footprint(uint32_t dataBytes);

    // Producer: room for an item of up to `maxBytes` that leaves `keep` bytes free; nullptr
    // when there is not that much room. commit() publishes it with `bytes` <= maxBytes.
    uint8_t* reserve(uint32_t maxBytes, std::size_t keep = 0);
    void commit(uint32_t kind, uint32_t bytes, uint64_t value);
    // Producer: an item without bytes that leaves `keep` bytes free; false when it does not fit.
    bool push(uint32_t kind, uint64_t value, std::size_t keep = 0);

    // Consumer: the oldest item, if any; it stays valid until pop().
    bool peek(Entry& entry);
    void pop();
    // Either side: the items published and not yet taken out.
    uint64_t items() const {
        return published_.load(std::memory_order_acquire) - taken_.load(std::memory_order_acquire);
    }

  private:
    std::size_t contiguous(uint64_t position) const { return capacity_ - position % capacity_; }

    std::unique_ptr<uint8_t[]> bytes_;
    std::size_t capacity_ = 0;
    std::atomic<uint64_t> head_{0};       // consumer's position; the bytes before it are free
    std::atomic<uint64_t> tail_{0};       // producer's position; published items end here
    std::atomic<uint64_t> published_{0};  // items the producer published
    std::atomic<uint64_t> taken_{0};      // items the consumer took out
    uint64_t reserved_ = 0;               // producer: where the reserved item's header goes
    uint64_t consumed_ = 0;               // consumer: where the peeked item ends
};

}  // namespace k7acquire
