// Device-control requests of the driver: exact codes and buffer sizes, one handler each. A
// request that fails leaves its driver error word for the last-error request.
#include <cstring>

#include "Card.h"
#include "LittleEndian.h"
#include "Protocol.h"

namespace k7sim {

namespace {

using namespace req;

struct Shape {
    uint32_t code;
    uint32_t in;
    uint32_t out;
};
// Sizes of every request except the two whose sizes vary (configuration area, depth table).
constexpr Shape kShapes[] = {
    {kCardStatus, 0, 16},     {kTransferMode, 1, 0},    {kCommand, kCommandBlockSize, 0},
    {kLastError, 0, 4},       {kCardPosition, 0, 8},    {kDataTimeOut, 4, 0},
    {kVersion3, 0, 4},        {kReset, 0, 0},           {kResetFinished, 0, 4},
    {kDataInFifo, 0, 4},      {kReadPciConfig, 0, 256}, {kWritePciConfig, 256, 0},
    {kReadRegister, 8, 8},    {kWriteRegister, 8, 8},   {kReadEepromByte, 8, 8},
    {kWriteEepromByte, 8, 0},
};

}  // namespace

uint32_t Card::control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                       uint32_t outputSize, uint32_t* returned, Completions& done) {
    std::lock_guard lock(mutex_);
    advance();
    uint32_t written = 0;
    const auto result = [&]() -> uint32_t {
        // Sizes first: a request with the wrong buffers is refused whatever the card does.
        uint32_t wantIn = 0;
        uint32_t wantOut = 0;
        bool known = false;
        for (const auto& s : kShapes) {
            if (s.code == code) {
                known = true;
                wantIn = s.in;
                wantOut = s.out;
            }
        }
        if (code == kReadKonfigArea) {
            known = true;
            wantOut = eeprom_.storedAreaSize();
        } else if (code == kDepthTable) {
            known = true;
            wantIn = inputSize;
            if (inputSize == 0 || inputSize > kLargestDepthTable || (inputSize & 1u) != 0) {
                return fail(K7_ERROR_BAD_LENGTH, err::kDepthTable);
            }
        }
        if (!known) {
            return fail(K7_ERROR_NOT_SUPPORTED, err::kUnknownRequest);
        }
        if (inputSize != wantIn) {
            return fail(K7_ERROR_BAD_LENGTH, err::kInputSize);
        }
        if (outputSize != wantOut) {
            return fail(K7_ERROR_BAD_LENGTH, err::kOutputSize);
        }
        if ((inputSize != 0 && input == nullptr) || (outputSize != 0 && output == nullptr)) {
            return fail(K7_ERROR_INVALID_PARAMETER, err::kNullBuffer);
        }
        if (const auto word = faults_.request(code)) {
            return fail(K7_ERROR_GEN_FAILURE, *word);
        }
        // Input and output may be one buffer: take the input before writing any output.
        uint8_t in[kLargestDepthTable] = {};
        if (inputSize <= sizeof in && inputSize != 0) {
            std::memcpy(in, input, inputSize);
        }
        auto* out = static_cast<uint8_t*>(output);
        switch (code) {
            case kReadKonfigArea:
                for (uint32_t i = 0; i < outputSize; ++i) {
                    out[i] = eeprom_.byte(Eeprom::kDirectory + i);
                }
                written = outputSize;
                return K7_ERROR_SUCCESS;
            case kCardStatus:
                written = 16;
                return status(out);
            case kTransferMode:
                transferMode_ = in[0];
                return K7_ERROR_SUCCESS;
            case kCommand: {
                const uint32_t r = command(in);
                advance();
                return r;
            }
            case kLastError:
                put32(out, lastError_);
                lastError_ = 0;
                written = 4;
                return K7_ERROR_SUCCESS;
            case kDepthTable: {
                ParameterSet& set = sets_[selected_];
                set.taTable.clear();
                for (uint32_t i = 0; i + 1 < inputSize; i += 2) {
                    set.taTable.push_back(le16(in + i));
                }
                changed(selected_);
                return K7_ERROR_SUCCESS;
            }
            case kCardPosition:
                put32(out, config_.bus);
                put32(out + 4, config_.slot);
                written = 8;
                return K7_ERROR_SUCCESS;
            case kDataTimeOut:
                dataTimeOutS_ = le32(in);
                return K7_ERROR_SUCCESS;
            case kVersion3:
                put32(out, config_.version3 ? 1u : 0u);
                written = 4;
                return K7_ERROR_SUCCESS;
            case kReset:
                hardwareReset();
                return K7_ERROR_SUCCESS;
            case kResetFinished:
                put32(out, resetting_ ? 0u : 1u);
                written = 4;
                return K7_ERROR_SUCCESS;
            case kDataInFifo:
                put32(out, hasDataForRead() ? 1u : 0u);
                written = 4;
                return K7_ERROR_SUCCESS;
            case kReadPciConfig:
                std::memcpy(out, pci_.bytes().data(), 256);
                written = 256;
                return K7_ERROR_SUCCESS;
            case kWritePciConfig:
                pci_.write(in);
                savePci();
                return K7_ERROR_SUCCESS;
            case kReadRegister:
            case kWriteRegister: {
                const uint32_t address = le32(in);
                uint32_t value = le32(in + 4);
                const uint32_t r = code == kReadRegister ? readRegister(address, value)
                                                         : writeRegister(address, value);
                if (r == K7_ERROR_SUCCESS) {
                    put32(out, address);
                    put32(out + 4, value);
                    written = 8;
                }
                return r;
            }
            case kReadEepromByte: {
                uint32_t value = 0;
                const uint32_t r = readEeprom(le32(in) & 0xFFFFu, value);
                if (r == K7_ERROR_SUCCESS) {
                    put32(out, le32(in));
                    put32(out + 4, value);
                    written = 8;
                }
                return r;
            }
            default:  // kWriteEepromByte
                return writeEeprom(le32(in) & 0xFFFFu, le32(in + 4) & 0xFFu);
        }
    }();
    completePending(done);
    if (returned != nullptr) {
        *returned = result == K7_ERROR_SUCCESS ? written : 0;
    }
    return result;
}

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
