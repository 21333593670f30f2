// PCI configuration space of the simulated card.
#include "PciConfig.h"

namespace k7sim {

uint32_t PciConfigSpace::get(uint32_t offset, int width) const {
    uint32_t v = 0;
    for (int i = 0; i < width; ++i) {
        v |= static_cast<uint32_t>(bytes_[offset + static_cast<uint32_t>(i)]) << (8 * i);
    }
    return v;
}

void PciConfigSpace::set(uint32_t offset, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes_[offset + static_cast<uint32_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void PciConfigSpace::powerUp(const Eeprom& e, const PciIdentity& assigned) {
    bytes_.fill(0);
    set(0x00, e.word(0x40), 2);
    set(0x02, e.word(0x42), 2);
    set(0x04, assigned.command, 2);
    set(0x06, assigned.status, 2);
    set(0x08, e.byte(0x48), 1);
    set(0x09, e.dword(0x48) >> 8, 3);
    set(0x0C, assigned.cacheLineSize, 1);
    set(0x0D, assigned.latencyTimer, 1);
    set(0x0E, assigned.headerType, 1);
    set(0x0F, assigned.bist, 1);
    for (uint32_t i = 0; i < 5; ++i) {
        baseSize_[i] = e.dword(0x50 + 4 * i);
        writeBase(0x10 + 4 * i, assigned.baseAddress[i], baseSize_[i]);
    }
    set(0x2C, e.word(0x6C), 2);
    set(0x2E, e.word(0x6E), 2);
    romSize_ = e.dword(0x70);
    writeBase(0x30, assigned.expansionRom, romSize_ & 0xFFFFF800u);
    set(0x3C, assigned.interruptLine, 1);
    set(0x3D, e.byte(0x7D), 1);
    set(0x3E, e.byte(0x7E), 1);
    set(0x3F, e.byte(0x7F), 1);
}

void PciConfigSpace::writeBase(uint32_t offset, uint32_t value, uint32_t sizeMask) {
    if (sizeMask == 0) {
        set(offset, 0, 4);
        return;
    }
    const uint32_t typeBits = (sizeMask & 1u) ? 0x3u : 0xFu;  // I/O or memory space
    const uint32_t writable = sizeMask & ~typeBits;
    set(offset, (value & writable) | (sizeMask & typeBits), 4);
}

void PciConfigSpace::restoreWritable(const std::array<uint8_t, 256>& image) {
    const std::array<uint8_t, 256> identity = bytes_;
    write(image.data());
    // The status register's stored bits and the identity are not taken from the image.
    for (uint32_t i : {0x06u, 0x07u}) {
        bytes_[i] = identity[i];
    }
}

void PciConfigSpace::write(const uint8_t* image) {
    auto in = [image](uint32_t offset, int width) {
        uint32_t v = 0;
        for (int i = 0; i < width; ++i) {
            v |= static_cast<uint32_t>(image[offset + static_cast<uint32_t>(i)]) << (8 * i);
        }
        return v;
    };
    constexpr uint32_t kCommandWritable = 0x0147;  // I/O, memory, master, parity, SERR
    set(0x04, (get(0x04, 2) & ~kCommandWritable) | (in(0x04, 2) & kCommandWritable), 2);
    constexpr uint32_t kStatusClearable = 0xF900;  // error bits: writing 1 clears them
    set(0x06, get(0x06, 2) & ~(in(0x06, 2) & kStatusClearable), 2);
    set(0x0C, in(0x0C, 1), 1);
    set(0x0D, in(0x0D, 1), 1);
    for (uint32_t i = 0; i < 5; ++i) {
        writeBase(0x10 + 4 * i, in(0x10 + 4 * i, 4), baseSize_[i]);
    }
    if ((romSize_ & 0xFFFFF800u) != 0) {
        const uint32_t v = in(0x30, 4);
        set(0x30, (v & (romSize_ & 0xFFFFF800u)) | (v & 1u), 4);
    }
    set(0x3C, in(0x3C, 1), 1);
    for (uint32_t i = 0x40; i < 256; ++i) {
        bytes_[i] = image[i];
    }
}

}  // namespace k7sim
