// The EEPROM of the card's PCI bridge: byte requests of the driver, combined little-endian
// into 16- and 32-bit values. Addresses wrap at 65536.
#include "PciEeprom.h"

namespace k7 {

namespace {

constexpr uint32_t kWritePauseMs = 100;

uint32_t wrap(uint32_t address) {
    return address & 0xFFFFu;
}

}  // namespace

uint8_t eepromReadByte(KARVO7Card* card, uint32_t address) {
    RequestBuffer buffer(8);
    if (!buffer.ok()) {
        return 0;
    }
    uint32_t* words = buffer.as<uint32_t>();
    words[0] = wrap(address);
    words[1] = 0;
    if (!request(card, req::kReadEepromByte, words, 8, words, 8)) {
        return 0;
    }
    return static_cast<uint8_t>(words[1] & 0xFFu);
}

bool eepromWriteByte(KARVO7Card* card, uint32_t address, uint32_t value) {
    RequestBuffer buffer(8);
    if (!buffer.ok()) {
        return false;
    }
    uint32_t* words = buffer.as<uint32_t>();
    words[0] = wrap(address);
    words[1] = value & 0xFFu;
    const bool ok = request(card, req::kWriteEepromByte, words, 8, nullptr, 0);
    os::sleep(kWritePauseMs);
    return ok;
}

bool eepromWriteWord(KARVO7Card* card, uint32_t address, uint32_t value) {
    if (!eepromWriteByte(card, address, value)) {
        return false;
    }
    return eepromWriteByte(card, address + 1, value >> 8);
}

}  // namespace k7

extern "C" {

KARVO7_API uint8_t KARVO7ReadPCIEEPROMbyte(KARVO7HANDLE h, uint32_t address) {
    return k7::eepromReadByte(h, address);
}

KARVO7_API uint16_t KARVO7ReadPCIEEPROMword(KARVO7HANDLE h, uint32_t address) {
    const uint32_t low = k7::eepromReadByte(h, address);
    const uint32_t high = k7::eepromReadByte(h, address + 1);
    return static_cast<uint16_t>(low | high << 8);
}

KARVO7_API uint32_t KARVO7ReadPCIEEPROMdword(KARVO7HANDLE h, uint32_t address) {
    uint32_t value = 0;
    for (uint32_t i = 0; i < 4; ++i) {
        value |= static_cast<uint32_t>(k7::eepromReadByte(h, address + i)) << (8 * i);
    }
    return value;
}

KARVO7_API uint16_t KARVO7ReadPCIEEPROM(KARVO7HANDLE h, uint32_t address) {
    return KARVO7ReadPCIEEPROMword(h, address);
}

KARVO7_API int KARVO7WritePCIEEPROMbyte(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    return k7::eepromWriteByte(h, address, value) ? 1 : 0;
}

KARVO7_API int KARVO7WritePCIEEPROMword(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    return k7::eepromWriteWord(h, address, value) ? 1 : 0;
}

KARVO7_API int KARVO7WritePCIEEPROMdword(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    // Each byte only after the previous one was written; bytes already written stay.
    for (uint32_t i = 0; i < 4; ++i) {
        if (!k7::eepromWriteByte(h, address + i, value >> (8 * i))) {
            return 0;
        }
    }
    return 1;
}

KARVO7_API int KARVO7WritePCIEEPROM(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    return KARVO7WritePCIEEPROMword(h, address, value);
}

}  // extern "C"
