// PCI bridge operation registers.
#include "Bridge.h"

namespace k7sim {

void Bridge::reset() {
    *this = Bridge{};
}

void Bridge::pushFifo(uint32_t word) {
    if (fifo_.size() < kFifoDepth) {
        fifo_.push_back(word);
    }
}

bool Bridge::read(uint32_t offset, uint32_t& value) {
    if (offset > 0x3C || (offset & 3u) != 0) {
        return false;
    }
    switch (offset) {
        case 0x00:
        case 0x04:
        case 0x08:
        case 0x0C:
            value = outgoing_[offset / 4];
            return true;
        case 0x10:
        case 0x14:
        case 0x18:
        case 0x1C:
            value = incoming_[(offset - 0x10) / 4];
            return true;
        case kFifoPort:
            if (fifo_.empty()) {
                value = neverEmpty ? 0xFFFFFFFFu : 0u;
            } else {
                value = fifo_.front();
                fifo_.pop_front();
            }
            return true;
        case 0x24:
            value = writeAddress_;
            return true;
        case 0x28:
            value = writeCount_;
            return true;
        case 0x2C:
            value = readAddress_;
            return true;
        case 0x30:
            value = readCount_;
            return true;
        case 0x34: {
            // Mailbox status: one nibble per full mailbox byte lane, outgoing low, incoming high.
            uint32_t status = 0;
            for (int i = 0; i < 4; ++i) {
                status |= (outgoing_[i] != 0 ? 0xFu : 0u) << (4 * i);
                status |= (incoming_[i] != 0 ? 0xFu : 0u) << (16 + 4 * i);
            }
            value = status;
            return true;
        }
        case 0x38:
            value = interrupt_ & ~0x00800000u;
            return true;
        default: {  // 0x3C master status: bit 5 PCI FIFO empty, bit 2 add-on FIFO empty
            const bool empty = fifo_.empty() && !neverEmpty;
            value = (master_ & 0xF9FFFF00u) | (empty ? kFifoEmptyBit : 0u) | 0x04u;
            return true;
        }
    }
}

bool Bridge::write(uint32_t offset, uint32_t value) {
    if (offset > 0x3C || (offset & 3u) != 0) {
        return false;
    }
    switch (offset) {
        case 0x00:
        case 0x04:
        case 0x08:
        case 0x0C:
            outgoing_[offset / 4] = value;
            return true;
        case kFifoPort:  // words to the add-on side: the firmware takes them at once
            return true;
        case 0x24:
            writeAddress_ = value;
            return true;
        case 0x28:
            writeCount_ = value;
            return true;
        case 0x2C:
            readAddress_ = value;
            return true;
        case 0x30:
            readCount_ = value;
            return true;
        case 0x38:
            interrupt_ = value;
            return true;
        case kMasterStatus:
            if ((value & 0x04000000u) != 0) {  // reset of the add-on to PCI FIFO
                fifo_.clear();
            }
            master_ = value & 0xF9FFFF00u;
            return true;
        default:  // incoming mailboxes and mailbox status belong to the add-on side
            return true;
    }
}

}  // namespace k7sim
