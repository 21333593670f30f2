// Bridge EEPROM contents.
#include "Eeprom.h"

#include <algorithm>

namespace k7sim {

namespace {
void put(std::array<uint8_t, Eeprom::kSize>& b, uint32_t address, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        b[address + static_cast<uint32_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
}
}  // namespace

void Eeprom::setDefaults(const PciIdentity& id, const Kennung& record) {
    bytes_.fill(0xFF);
    std::fill(bytes_.begin(), bytes_.begin() + kLengthWord, uint8_t{0});
    put(bytes_, 0x00, id.romSignature, 2);
    put(bytes_, 0x02, id.romLength, 1);
    put(bytes_, 0x03, id.romEntry, 4);
    put(bytes_, 0x18, id.pciPointer, 2);
    put(bytes_, 0x40, id.vendorId, 2);
    put(bytes_, 0x42, id.deviceId, 2);
    put(bytes_, 0x44, id.configurationBits, 2);
    put(bytes_, 0x48, id.revisionId, 1);
    put(bytes_, 0x49, id.classCode, 3);
    for (int i = 0; i < 5; ++i) {
        put(bytes_, 0x50 + 4 * static_cast<uint32_t>(i), id.baseSize[i], 4);
    }
    put(bytes_, 0x6C, id.subVendorId, 2);
    put(bytes_, 0x6E, id.subsystemId, 2);
    put(bytes_, 0x70, id.expansionRom, 4);
    put(bytes_, 0x7C, id.interruptLine, 1);
    put(bytes_, 0x7D, id.interruptPin, 1);
    put(bytes_, 0x7E, id.minimumGrant, 1);
    put(bytes_, 0x7F, id.maximumLatency, 1);
    uint16_t length = 0;
    const auto stored = encodeKennung(record, length);
    put(bytes_, kLengthWord, length, 2);
    std::copy(stored.begin(), stored.end(), bytes_.begin() + kDirectory);
}

uint16_t Eeprom::word(uint32_t address) const {
    return static_cast<uint16_t>(byte(address) | byte(address + 1) << 8);
}

uint32_t Eeprom::dword(uint32_t address) const {
    return static_cast<uint32_t>(word(address)) | static_cast<uint32_t>(word(address + 2)) << 16;
}

uint16_t Eeprom::storedAreaSize() const {
    const uint32_t length = word(kLengthWord);
    if (length < 4 || kDirectory + length + 2 > kSize) {
        return 0;
    }
    return static_cast<uint16_t>(length + 2);
}

}  // namespace k7sim
