// Transport of the card access library: handle check, requests, command blocks, transfers.
#include "Card.h"

#include <cstring>

namespace k7 {

bool handleValid(const KARVO7Card* card) {
    if (card == nullptr || card->signature != KARVO7_SIGNATURE) {
        os::setLastError(K7_ERROR_INVALID_HANDLE);
        return false;
    }
    return true;
}

bool checkHandle(const KARVO7Card* card, uint32_t* error) {
    if (!handleValid(card)) {
        setError(error, 0);
        return false;
    }
    return true;
}

RequestBuffer::RequestBuffer(std::size_t size) : data_(os::heapAlloc(size)) {
    if (data_ != nullptr) {
        std::memset(data_, 0, size);
    }
}

RequestBuffer::~RequestBuffer() {
    os::heapFree(data_);
}

bool request(KARVO7Card* card, uint32_t code, const void* input, uint32_t inputSize, void* output,
             uint32_t outputSize, uint32_t* returned) {
    uint32_t count = 0;
    const bool ok =
        os::deviceIoControl(card->device, code, input, inputSize, output, outputSize, &count);
    if (returned != nullptr) {
        *returned = count;
    }
    return ok;
}

uint32_t driverError(KARVO7Card* card) {
    uint32_t word = 0;
    if (!request(card, req::kLastError, nullptr, 0, &word, sizeof word)) {
        return 0;
    }
    return word;
}

int failStep(KARVO7Card* card, uint32_t* error) {
    setError(error, driverError(card));
    return 0;
}

Outcome sendCommand(KARVO7Card* card, uint16_t code, uint8_t count, const uint32_t* words) {
    RequestBuffer block(req::kCommandBlockSize);
    if (!block.ok()) {
        return Outcome::failure(KARVO7_ERR_NO_MEMORY);
    }
    uint8_t* bytes = block.as();
    bytes[0] = static_cast<uint8_t>(code & 0xFF);
    bytes[1] = static_cast<uint8_t>(code >> 8);
    bytes[2] = count;
    bytes[3] = 0;
    for (uint32_t i = 0; i < count && i < req::kMaxCommandWords; ++i) {
        const uint32_t w = words[i];
        for (uint32_t b = 0; b < 4; ++b) {
            bytes[4 + 4 * i + b] = static_cast<uint8_t>(w >> (8 * b));
        }
    }
    if (!request(card, req::kCommand, bytes, req::kCommandBlockSize, nullptr, 0)) {
        return Outcome::failure(driverError(card));
    }
    return Outcome::success();
}

Outcome sendCommand1(KARVO7Card* card, uint16_t code, uint32_t word) {
    return sendCommand(card, code, 1, &word);
}

Outcome sendCommand2(KARVO7Card* card, uint16_t code, uint32_t first, uint32_t second) {
    const uint32_t words[2] = {first, second};
    return sendCommand(card, code, 2, words);
}

namespace {

// Waits for the transfer just started (or fails it), as the synchronous transfer prescribes.
Outcome finishSync(KARVO7Card* card, bool completedAtOnce, uint32_t* transferred) {
    if (!completedAtOnce && os::lastError() != K7_ERROR_IO_PENDING) {
        return Outcome::failure(driverError(card));
    }
    uint32_t bytes = 0;
    const bool ok = os::getOverlappedResult(card->device, &card->transfer, &bytes, true);
    if (transferred != nullptr) {
        *transferred = bytes;
    }
    return ok ? Outcome::success() : Outcome::failure(driverError(card));
}

}  // namespace

Outcome syncRead(KARVO7Card* card, void* buffer, uint32_t size, uint32_t* transferred) {
    card->transfer.event = nullptr;
    uint32_t now = 0;
    const bool done = os::readFile(card->device, buffer, size, &now, &card->transfer);
    return finishSync(card, done, transferred);
}

Outcome syncWrite(KARVO7Card* card, const void* buffer, uint32_t size, uint32_t* transferred) {
    card->transfer.event = nullptr;
    uint32_t now = 0;
    const bool done = os::writeFile(card->device, buffer, size, &now, &card->transfer);
    return finishSync(card, done, transferred);
}

}  // namespace k7
