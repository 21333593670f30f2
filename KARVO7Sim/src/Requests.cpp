// Device-control requests of the driver: one table of exact codes, buffer sizes and handlers.
// A request that fails leaves its driver error word for the last-error request.
#include <cstring>
#include <iterator>

#include "Card.h"
#include "LittleEndian.h"
#include "Protocol.h"

namespace k7sim {

namespace {

struct RequestIo {
    const uint8_t* in;  // a copy of the input
    uint32_t inSize;
    uint8_t* out;
    uint32_t outSize;
    uint32_t written = 0;
};

struct Request {
    uint32_t code;
    uint32_t in;  // buffer sizes
    uint32_t out;
    uint32_t (*handle)(Card& card, RequestIo& io);
};

}  // namespace

// The handlers see the card's private state; the card's lock is held and its clock advanced.
struct CardRequests {
    static uint32_t readKonfigArea(Card& c, RequestIo& io) {
        for (uint32_t i = 0; i < io.outSize; ++i) {
            io.out[i] = c.eeprom_.byte(Eeprom::kDirectory + i);
        }
        io.written = io.outSize;
        return K7_ERROR_SUCCESS;
    }
    static uint32_t cardStatus(Card& c, RequestIo& io) {
        io.written = 16;
        return c.status(io.out);
    }
    static uint32_t transferMode(Card& c, RequestIo& io) {
        c.transferMode_ = io.in[0];
        return K7_ERROR_SUCCESS;
    }
    static uint32_t command(Card& c, RequestIo& io) {
        const uint32_t r = c.command(io.in);
        c.advance();
        return r;
    }
    static uint32_t lastError(Card& c, RequestIo& io) {
        put32(io.out, c.lastError_);
        c.lastError_ = 0;
        io.written = 4;
        return K7_ERROR_SUCCESS;
    }
    static uint32_t depthTable(Card& c, RequestIo& io) {
        c.firmware_.changeSelected([&io](ParameterSet& set) {
            set.taTable.clear();
            for (uint32_t i = 0; i + 1 < io.inSize; i += 2) {
                set.taTable.push_back(le16(io.in + i));
            }
        });
        return K7_ERROR_SUCCESS;
    }
    static uint32_t cardPosition(Card& c, RequestIo& io) {
        put32(io.out, c.config_.bus);
        put32(io.out + 4, c.config_.slot);
        io.written = 8;
        return K7_ERROR_SUCCESS;
    }
    static uint32_t dataTimeOut(Card& c, RequestIo& io) {
        c.port_.setDataTimeOut(le32(io.in));
        return K7_ERROR_SUCCESS;
    }
    static uint32_t version3(Card& c, RequestIo& io) {
        return answer(io, c.config_.version3 ? 1u : 0u);
    }
    static uint32_t reset(Card& c, RequestIo&) {
        c.hardwareReset();
        return K7_ERROR_SUCCESS;
    }
    static uint32_t resetFinished(Card& c, RequestIo& io) {
        return answer(io, c.resetting_ ? 0u : 1u);
    }
    static uint32_t dataInFifo(Card& c, RequestIo& io) {
        return answer(io, c.hasDataForRead() ? 1u : 0u);
    }
    static uint32_t readPciConfig(Card& c, RequestIo& io) {
        std::memcpy(io.out, c.pci_.bytes().data(), 256);
        io.written = 256;
        return K7_ERROR_SUCCESS;
    }
    static uint32_t writePciConfig(Card& c, RequestIo& io) {
        const PciConfigSpace before = c.pci_;
        c.pci_.write(io.in);
        if (!c.savePci()) {
            c.pci_ = before;
            return c.fail(K7_ERROR_GEN_FAILURE, err::kStateNotKept);
        }
        return K7_ERROR_SUCCESS;
    }
    static uint32_t readRegister(Card& c, RequestIo& io) {
        uint32_t value = le32(io.in + 4);
        return addressAndValue(io, le32(io.in), value, c.readRegister(le32(io.in), value));
    }
    static uint32_t writeRegister(Card& c, RequestIo& io) {
        uint32_t value = le32(io.in + 4);
        return addressAndValue(io, le32(io.in), value, c.writeRegister(le32(io.in), value));
    }
    static uint32_t readEepromByte(Card& c, RequestIo& io) {
        uint32_t value = 0;
        return addressAndValue(io, le32(io.in), value, c.readEeprom(le32(io.in) & 0xFFFFu, value));
    }
    static uint32_t writeEepromByte(Card& c, RequestIo& io) {
        return c.writeEeprom(le32(io.in) & 0xFFFFu, le32(io.in + 4) & 0xFFu);
    }

  private:
    static uint32_t answer(RequestIo& io, uint32_t word) {
        put32(io.out, word);
        io.written = 4;
        return K7_ERROR_SUCCESS;
    }
    // Register and EEPROM requests answer with the address and the value.
    static uint32_t addressAndValue(RequestIo& io, uint32_t address, uint32_t value,
                                    uint32_t result) {
        if (result == K7_ERROR_SUCCESS) {
            put32(io.out, address);
            put32(io.out + 4, value);
            io.written = 8;
        }
        return result;
    }
};

namespace {

using namespace req;
using R = CardRequests;

// Sizes that are not fixed: the stored configuration area's size (in the card status), and a
// depth table of 1 to 256 16-bit values.
constexpr uint32_t kStoredArea = UINT32_MAX;
constexpr uint32_t kDepthValues = UINT32_MAX - 1;

constexpr Request kRequests[] = {
    {kReadKonfigArea, 0, kStoredArea, &R::readKonfigArea},
    {kCardStatus, 0, 16, &R::cardStatus},
    {kTransferMode, 1, 0, &R::transferMode},
    {kCommand, kCommandBlockSize, 0, &R::command},
    {kLastError, 0, 4, &R::lastError},
    {kDepthTable, kDepthValues, 0, &R::depthTable},
    {kCardPosition, 0, 8, &R::cardPosition},
    {kDataTimeOut, 4, 0, &R::dataTimeOut},
    {kVersion3, 0, 4, &R::version3},
    {kReset, 0, 0, &R::reset},
    {kResetFinished, 0, 4, &R::resetFinished},
    {kDataInFifo, 0, 4, &R::dataInFifo},
    {kReadPciConfig, 0, 256, &R::readPciConfig},
    {kWritePciConfig, 256, 0, &R::writePciConfig},
    {kReadRegister, 8, 8, &R::readRegister},
    {kWriteRegister, 8, 8, &R::writeRegister},
    {kReadEepromByte, 8, 8, &R::readEepromByte},
    {kWriteEepromByte, 8, 0, &R::writeEepromByte},
};

// The handler gets a copy of the input, which every fixed size fits.
constexpr bool inputsFit() {
    for (const auto& r : kRequests) {
        if (r.in != kDepthValues && r.in > kLargestDepthTable) {
            return false;
        }
    }
    return true;
}
static_assert(inputsFit());

const Request* find(uint32_t code) {
    for (const auto& r : kRequests) {
        if (r.code == code) {
            return &r;
        }
    }
    return nullptr;
}

}  // namespace

uint32_t Card::control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                       uint32_t outputSize, uint32_t* returned, Completions& done) {
    std::lock_guard lock(mutex_);
    advance();
    // Input and output may be one buffer: the handler gets a copy of the input.
    uint8_t in[kLargestDepthTable] = {};  // the largest input there is
    RequestIo io{in, inputSize, static_cast<uint8_t*>(output), outputSize};
    const auto result = [&]() -> uint32_t {
        const Request* request = find(code);
        if (request == nullptr) {
            return fail(K7_ERROR_NOT_SUPPORTED, err::kUnknownRequest);
        }
        // Sizes first: a request with the wrong buffers is refused whatever the card does.
        uint32_t wantIn = request->in;
        uint32_t wantOut = request->out;
        if (wantOut == kStoredArea) {
            wantOut = eeprom_.storedAreaSize();
        }
        if (wantIn == kDepthValues) {
            if (inputSize == 0 || inputSize > kLargestDepthTable || (inputSize & 1u) != 0) {
                return fail(K7_ERROR_BAD_LENGTH, err::kDepthTable);
            }
            wantIn = inputSize;
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
        if (inputSize != 0) {
            std::memcpy(in, input, inputSize);
        }
        return request->handle(*this, io);
    }();
    completePending(done);
    if (returned != nullptr) {
        *returned = result == K7_ERROR_SUCCESS ? io.written : 0;
    }
    return result;
}

}  // namespace k7sim
