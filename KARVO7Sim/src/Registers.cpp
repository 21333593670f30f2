// The card's register and EEPROM byte access for the driver's requests, and its status block.
#include <cstring>

#include "Card.h"
#include "Lca.h"
#include "LittleEndian.h"

namespace k7sim {

uint32_t Card::status(uint8_t* out) {
    std::memset(out, 0, 16);
    uint32_t word = 0;
    word |= measurement_.running() ? 0x01u : 0u;
    word |= firmware_.powered() ? 0x02u : 0u;
    word |= resetting_ ? 0x04u : 0u;
    word |= measurement_.fifo().empty() ? 0u : 0x08u;
    word |= measurement_.overflow() ? 0x10u : 0u;
    word |= firmware_.offsetAdjusted() ? 0x40u : 0u;
    word |= image_.empty() ? 0u : 0x80u;
    word |= uint32_t{firmware_.active()} << 8;
    word |= (firmware_.selected() & 7u) << 16;
    put32(out, word);
    out[4] = transferMode_;
    out[5] = measurement_.modus();
    put32(out + 8, static_cast<uint32_t>(measurement_.fifo().bytes()));
    const uint16_t size = eeprom_.storedAreaSize();
    put16(out + 12, size);
    put16(out + 14, static_cast<uint16_t>(Eeprom::kDirectory));
    return K7_ERROR_SUCCESS;
}

uint32_t Card::readRegister(uint32_t address, uint32_t& value) {
    if (address <= 0x3C) {
        return bridge_.read(address, value)
                   ? K7_ERROR_SUCCESS
                   : fail(K7_ERROR_INVALID_PARAMETER, err::kRegisterAddress);
    }
    if (!Lca::exists(address)) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kRegisterAddress);
    }
    if (address == reg::kStatus) {
        uint32_t s = static_cast<uint32_t>(measurement_.shots() & 0xFF);
        s |= measurement_.running() ? 0x1000u : 0u;
        s |= measurement_.running() && firmware_.selectedSet().externalTrigger() ? 0x8000u : 0u;
        firmware_.lca().set(reg::kStatus, static_cast<uint16_t>(s));
    } else if (address == reg::kFifoStatus) {
        uint32_t s = 0x1000;  // acquisition FIFO empty
        s |= measurement_.fifo().empty() ? 0x000Fu : 0u;
        s |= measurement_.fifo().full() || measurement_.fifoOverflow() ? 0x00F0u : 0u;
        firmware_.lca().set(reg::kFifoStatus, static_cast<uint16_t>(s));
    } else if (address == reg::kTimerLow || address == reg::kTimerHigh) {
        const uint64_t ms = nowUs_ / 1000u;
        firmware_.lca().set(reg::kTimerLow, static_cast<uint16_t>(ms & 0xFFFF));
        firmware_.lca().set(reg::kTimerHigh, static_cast<uint16_t>((ms >> 16) & 0xFF));
    }
    value = firmware_.lca().get(address);
    return K7_ERROR_SUCCESS;
}

uint32_t Card::writeRegister(uint32_t address, uint32_t value) {
    if (address <= 0x3C) {
        if (!bridge_.write(address, value)) {
            return fail(K7_ERROR_INVALID_PARAMETER, err::kRegisterAddress);
        }
        if (address != Bridge::kFifoPort) {
            bridge_.read(address, value);
        }
        return K7_ERROR_SUCCESS;
    }
    if (!Lca::exists(address)) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kRegisterAddress);
    }
    if (Lca::readOnly(address)) {
        return fail(K7_ERROR_ACCESS_DENIED, err::kRegisterReadOnly);
    }
    const auto v16 = static_cast<uint16_t>(value & 0xFFFF);
    if (address >= reg::kGate1Max && address <= 1566) {
        // The gate registers take the gate's start and end; reading them gives its results.
        const uint32_t gate = 1 + (address - reg::kGate1Max) / 4;
        const bool start = (address - reg::kGate1Max) % 4 == 0;
        firmware_.changeSelected([&](ParameterSet& s) {
            GateSetting& g = s.gates[gate];
            (start ? g.start : g.end) = v16;
        });
    } else {
        firmware_.lca().set(address, v16);
        if (address == reg::kFifoControl && (v16 & 0x0002) != 0) {
            measurement_.clearFifo();  // "Reset Sammler" empties the data collector
        }
    }
    value = firmware_.lca().get(address);
    return K7_ERROR_SUCCESS;
}

uint32_t Card::readEeprom(uint32_t address, uint32_t& value) {
    if (address >= Eeprom::kSize) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kEepromAddress);
    }
    value = faults_.readBack(address).value_or(eeprom_.byte(address));
    return K7_ERROR_SUCCESS;
}

uint32_t Card::writeEeprom(uint32_t address, uint32_t value) {
    if (address >= Eeprom::kSize) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kEepromAddress);
    }
    if (faults_.has(Fault::Kind::EepromProtected)) {
        return fail(K7_ERROR_ACCESS_DENIED, err::kEepromProtected);
    }
    // A byte the card cannot keep is not written: the request fails and the chip keeps what it
    // held.
    const uint8_t before = eeprom_.byte(address);
    eeprom_.setByte(address, static_cast<uint8_t>(value));
    if (!saveEeprom()) {
        eeprom_.setByte(address, before);
        return fail(K7_ERROR_GEN_FAILURE, err::kStateNotKept);
    }
    return K7_ERROR_SUCCESS;
}

}  // namespace k7sim
