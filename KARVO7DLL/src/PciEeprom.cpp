// The EEPROM of the card's PCI bridge: byte requests of the driver, combined little-endian
// into 16- and 32-bit values. Addresses wrap at 65536.
#include "PciEeprom.h"

namespace k7 {

namespace {

uint32_t wrap(uint32_t address) {
    return address & 0xFFFFu;
}

uint32_t eepromRead(KARVO7Card* card, uint32_t address, uint32_t bytes) {
    uint32_t value = 0;
    for (uint32_t i = 0; i < bytes; ++i) {
        value |= uint32_t{eepromReadByte(card, address + i)} << (8 * i);
    }
    return value;
}

}  // namespace

uint8_t eepromReadByte(KARVO7Card* card, uint32_t address) {
    RequestBuffer buffer(8);
    if (!buffer.allocated().ok) {
        return 0;
    }
    putLe32(buffer.bytes(), wrap(address));
    if (!request(card, req::kReadEepromByte, buffer.bytes(), 8, buffer.bytes(), 8)) {
        return 0;
    }
    return buffer.bytes()[4];
}

bool eepromWriteByte(KARVO7Card* card, uint32_t address, uint32_t value) {
    RequestBuffer buffer(8);
    if (!buffer.allocated().ok) {
        return false;
    }
    putLe32(buffer.bytes(), wrap(address));
    putLe32(buffer.bytes() + 4, value & 0xFFu);
    const bool ok = request(card, req::kWriteEepromByte, buffer.bytes(), 8, nullptr, 0);
    os::sleep(k7proto::eeprom::kByteWriteMs);
    return ok;
}

bool eepromWrite(KARVO7Card* card, uint32_t address, uint32_t value, uint32_t bytes) {
    for (uint32_t i = 0; i < bytes; ++i) {
        if (!eepromWriteByte(card, address + i, value >> (8 * i))) {
            return false;
        }
    }
    return true;
}

// A read of an exported form: the handle checked, the value 0 when it is not valid.
uint32_t readChecked(KARVO7Card* card, uint32_t address, uint32_t bytes) {
    uint32_t value = 0;
    run(card, nullptr, [&](KARVO7Card* c) {
        value = eepromRead(c, address, bytes);
        return Result::success();
    });
    return value;
}

int writeChecked(KARVO7Card* card, uint32_t address, uint32_t value, uint32_t bytes) {
    return run(card, nullptr, [&](KARVO7Card* c) {
        return Result{eepromWrite(c, address, value, bytes), 0};
    });
}

}  // namespace k7

extern "C" {

KARVO7_API uint8_t KARVO7ReadPCIEEPROMbyte(KARVO7HANDLE h, uint32_t address) {
    return static_cast<uint8_t>(k7::readChecked(h, address, 1));
}

KARVO7_API uint16_t KARVO7ReadPCIEEPROMword(KARVO7HANDLE h, uint32_t address) {
    return static_cast<uint16_t>(k7::readChecked(h, address, 2));
}

KARVO7_API uint32_t KARVO7ReadPCIEEPROMdword(KARVO7HANDLE h, uint32_t address) {
    return k7::readChecked(h, address, 4);
}

KARVO7_API uint16_t KARVO7ReadPCIEEPROM(KARVO7HANDLE h, uint32_t address) {
    return KARVO7ReadPCIEEPROMword(h, address);
}

KARVO7_API int KARVO7WritePCIEEPROMbyte(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    return k7::writeChecked(h, address, value, 1);
}

KARVO7_API int KARVO7WritePCIEEPROMword(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    return k7::writeChecked(h, address, value, 2);
}

KARVO7_API int KARVO7WritePCIEEPROMdword(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    return k7::writeChecked(h, address, value, 4);
}

KARVO7_API int KARVO7WritePCIEEPROM(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    return KARVO7WritePCIEEPROMword(h, address, value);
}

}  // extern "C"
