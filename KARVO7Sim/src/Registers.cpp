// The card's register and EEPROM byte access for the driver's requests, and its status block.
#include <cstring>

#include "Card.h"
#include "LittleEndian.h"

namespace k7sim {

uint32_t Card::status(uint8_t* out) {
    std::memset(out, 0, 16);
    uint32_t word = 0;
    word |= run_.on ? 0x01u : 0u;
    word |= powered_ ? 0x02u : 0u;
    word |= resetting_ ? 0x04u : 0u;
    word |= fifo_.empty() ? 0u : 0x08u;
    word |= fifoOverflow_ || resultsOverflow_ ? 0x10u : 0u;
    word |= offsetAdjusted_ ? 0x40u : 0u;
    word |= firmware_.empty() ? 0u : 0x80u;
    word |= uint32_t{active_} << 8;
    word |= (selected_ & 7u) << 16;
    put32(out, word);
    out[4] = transferMode_;
    out[5] = run_.on ? run_.modus : 0;
    put32(out + 8, static_cast<uint32_t>(fifo_.bytes()));
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
        uint32_t s = static_cast<uint32_t>(shots_ & 0xFF);
        s |= run_.on ? 0x1000u : 0u;
        s |= run_.on && sets_[selected_].externalTrigger() ? 0x8000u : 0u;
        lca_.set(reg::kStatus, static_cast<uint16_t>(s));
    } else if (address == reg::kFifoStatus) {
        uint32_t s = 0x1000;  // acquisition FIFO empty
        s |= fifo_.empty() ? 0x000Fu : 0u;
        s |= fifo_.full() || fifoOverflow_ ? 0x00F0u : 0u;
        lca_.set(reg::kFifoStatus, static_cast<uint16_t>(s));
    } else if (address == reg::kTimerLow || address == reg::kTimerHigh) {
        const uint64_t ms = nowUs_ / 1000u;
        lca_.set(reg::kTimerLow, static_cast<uint16_t>(ms & 0xFFFF));
        lca_.set(reg::kTimerHigh, static_cast<uint16_t>((ms >> 16) & 0xFF));
    }
    value = lca_.get(address);
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
        GateSetting& g = sets_[selected_].gates[gate];
        ((address - reg::kGate1Max) % 4 == 0 ? g.start : g.end) = v16;
        changed(selected_);
    } else {
        lca_.set(address, v16);
        if (address == reg::kFifoControl && (v16 & 0x0002) != 0) {
            fifo_.clear();  // "Reset Sammler" empties the data collector
            fifoOverflow_ = false;
        }
    }
    value = lca_.get(address);
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
    eeprom_.setByte(address, static_cast<uint8_t>(value));
    saveEeprom();
    return K7_ERROR_SUCCESS;
}

}  // namespace k7sim
