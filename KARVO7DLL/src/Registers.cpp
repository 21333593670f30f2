// Direct access to the card's registers and to its PCI configuration space. These operations
// report no error word: a failed read gives 0, a failed write 0.
#include "Card.h"

namespace {

using k7::Result;

// The driver answers register number and value in the same buffer.
Result readRegister(KARVO7Card* card, uint32_t address, uint32_t& value) {
    k7::RequestBuffer buffer(8);
    if (const Result r = buffer.allocated(); !r.ok) {
        return r;
    }
    k7proto::putLe32(buffer.bytes(), address);
    if (!k7::request(card, k7::req::kReadRegister, buffer.bytes(), 8, buffer.bytes(), 8)) {
        return Result::failure(0);
    }
    value = k7proto::le32(buffer.bytes() + 4);
    return Result::success();
}

Result writeRegister(KARVO7Card* card, uint32_t address, uint32_t value) {
    k7::RequestBuffer buffer(8);
    if (const Result r = buffer.allocated(); !r.ok) {
        return r;
    }
    k7proto::putLe32(buffer.bytes(), address);
    k7proto::putLe32(buffer.bytes() + 4, value);
    return {k7::request(card, k7::req::kWriteRegister, buffer.bytes(), 8, buffer.bytes(), 8), 0};
}

Result readConfig(KARVO7Card* card, uint8_t* configuration) {
    if (const Result r = k7::required(configuration); !r.ok) {
        return r;
    }
    return {k7::request(card, k7::req::kReadPciConfig, nullptr, 0, configuration,
                        k7::req::kPciConfigSize),
            0};
}

Result writeConfig(KARVO7Card* card, const uint8_t* configuration) {
    if (const Result r = k7::required(configuration); !r.ok) {
        return r;
    }
    return {k7::request(card, k7::req::kWritePciConfig, configuration, k7::req::kPciConfigSize,
                        nullptr, 0),
            0};
}

}  // namespace

extern "C" {

KARVO7_API uint32_t KARVO7ReadRegister(KARVO7HANDLE h, uint32_t address) {
    uint32_t value = 0;
    k7::run(h, nullptr, [&](KARVO7Card* c) { return readRegister(c, address, value); });
    return value;
}

KARVO7_API int KARVO7WriteRegister(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    return k7::run(h, nullptr, [&](KARVO7Card* c) { return writeRegister(c, address, value); });
}

KARVO7_API int KARVO7ReadConfigData(KARVO7HANDLE h, uint8_t* configuration256) {
    return k7::run(h, nullptr, [&](KARVO7Card* c) { return readConfig(c, configuration256); });
}

KARVO7_API int KARVO7WriteConfigData(KARVO7HANDLE h, const uint8_t* configuration256) {
    return k7::run(h, nullptr, [&](KARVO7Card* c) { return writeConfig(c, configuration256); });
}

}  // extern "C"
