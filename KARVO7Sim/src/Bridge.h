// Operation registers of the card's PCI bridge (byte offsets 0x00-0x3C): outgoing and incoming
// mailboxes, bus-master address and count registers, the FIFO port at 0x20, mailbox,
// interrupt and master status. The PCI FIFO (eight words deep) carries words the firmware
// puts there; bit 5 of the master status register reports it empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace k7sim {

class Bridge {
  public:
    static constexpr uint32_t kFifoPort = 0x20;
    static constexpr uint32_t kMasterStatus = 0x3C;
    static constexpr uint32_t kFifoEmptyBit = 0x20;
    static constexpr size_t kFifoDepth = 8;

    // False when no register lives at the offset.
    bool read(uint32_t offset, uint32_t& value);
    bool write(uint32_t offset, uint32_t value);

    // The firmware's side.
    void pushFifo(uint32_t word);
    void clearFifo() { fifo_.clear(); }
    void setIncoming(int mailbox, uint32_t value) { incoming_[mailbox & 3] = value; }
    void reset();

    bool neverEmpty = false;  // fault: the FIFO keeps reporting data

  private:
    uint32_t outgoing_[4] = {};
    uint32_t incoming_[4] = {};
    uint32_t writeAddress_ = 0, writeCount_ = 0, readAddress_ = 0, readCount_ = 0;
    uint32_t interrupt_ = 0;
    uint32_t master_ = 0;
    std::deque<uint32_t> fifo_;
};

}  // namespace k7sim
