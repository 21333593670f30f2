// Transport of the card access library: requests, command blocks, transfers.
#include "Card.h"

#include <cstring>

namespace k7 {

Result required(const void* pointer) {
    if (pointer == nullptr) {
        os::setLastError(K7_ERROR_INVALID_PARAMETER);
        return Result::failure(0);
    }
    return Result::success();
}

RequestBuffer::RequestBuffer(std::size_t size) : data_(os::heapAlloc(size)) {
    if (data_ != nullptr) {
        std::memset(data_, 0, size);
    }
}

RequestBuffer::~RequestBuffer() {
    os::heapFree(data_);
}

Result RequestBuffer::allocated() const {
    return data_ != nullptr ? Result::success() : Result::failure(KARVO7_ERR_NO_MEMORY);
}

bool request(KARVO7Card* card, uint32_t code, const void* input, uint32_t inputSize, void* output,
             uint32_t outputSize) {
    uint32_t returned = 0;
    return os::deviceIoControl(card->device, code, input, inputSize, output, outputSize, &returned);
}

uint32_t driverError(KARVO7Card* card) {
    uint32_t word = 0;
    if (!request(card, req::kLastError, nullptr, 0, &word, sizeof word)) {
        return 0;
    }
    return word;
}

Result control(KARVO7Card* card, uint32_t code, const void* input, uint32_t inputSize, void* output,
               uint32_t outputSize) {
    if (!request(card, code, input, inputSize, output, outputSize)) {
        return Result::failure(driverError(card));
    }
    return Result::success();
}

Result sendCommand(KARVO7Card* card, uint16_t code, uint8_t count, const uint32_t* words) {
    RequestBuffer block(req::kCommandBlockSize);
    if (const Result r = block.allocated(); !r.ok) {
        return r;
    }
    uint8_t* bytes = block.bytes();
    k7proto::putLe16(bytes, code);
    bytes[req::kCommandCountOffset] = count;
    for (uint32_t i = 0; i < count && i < req::kMaxCommandWords; ++i) {
        k7proto::putLe32(bytes + req::kCommandWordsOffset + 4 * i, words[i]);
    }
    return control(card, req::kCommand, bytes, req::kCommandBlockSize, nullptr, 0);
}

Result sendCommand1(KARVO7Card* card, uint16_t code, uint32_t word) {
    return sendCommand(card, code, 1, &word);
}

Result sendCommand2(KARVO7Card* card, uint16_t code, uint32_t first, uint32_t second) {
    const uint32_t words[2] = {first, second};
    return sendCommand(card, code, 2, words);
}

namespace {

// The standard failure step of a transfer. The thread's last error stays the transfer's own
// (aborted, timed out ...), whatever the last-error request in between leaves.
Result transferFailure(KARVO7Card* card) {
    const uint32_t why = os::lastError();
    const Result result = Result::failure(driverError(card));
    os::setLastError(why);
    return result;
}

// A transfer that neither completed at once nor is pending has failed; any other is waited
// for.
Result finishSync(KARVO7Card* card, bool completedAtOnce, uint32_t* transferred) {
    if (!completedAtOnce && os::lastError() != K7_ERROR_IO_PENDING) {
        return transferFailure(card);
    }
    if (!completedAtOnce) {
        cancelIfClosing(card);
    }
    uint32_t bytes = 0;
    const bool ok = os::getOverlappedResult(card->device, &card->transfer, &bytes, true);
    if (transferred != nullptr) {
        *transferred = bytes;
    }
    return ok ? Result::success() : transferFailure(card);
}

}  // namespace

Result syncRead(KARVO7Card* card, void* buffer, uint32_t size, uint32_t* transferred) {
    card->transfer.event = nullptr;
    uint32_t now = 0;
    const bool done = os::readFile(card->device, buffer, size, &now, &card->transfer);
    return finishSync(card, done, transferred);
}

Result syncWrite(KARVO7Card* card, const void* buffer, uint32_t size, uint32_t* transferred) {
    card->transfer.event = nullptr;
    uint32_t now = 0;
    const bool done = os::writeFile(card->device, buffer, size, &now, &card->transfer);
    return finishSync(card, done, transferred);
}

}  // namespace k7
