// What the card reports besides the measured data stream: results, A-scans, gate values, the
// echo-start gate word, the FIFO state and the card status.
#include "Arguments.h"
#include "StartMode.h"

namespace k7 {
namespace {

constexpr uint16_t kResults = 0x7C01;
constexpr uint16_t kAScan = 0x2801;
constexpr uint16_t kGateValues = 0x7800;
constexpr uint16_t kClearFifo = 0x3C00;

// Gate values arrive as six 32-bit words: the echo-start gate, then gates B0 to B4.
constexpr uint32_t kGateWords = 6;

uint32_t le32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

// Sends the command that makes the card deliver data. With a buffer and a byte count the data
// is read at once; otherwise the count becomes 0 and the caller fetches the data later with
// a data read.
Outcome requestData(KARVO7Card* card, uint16_t code, uint32_t word, uint32_t* count, void* buffer) {
    if (Outcome sent = sendCommand1(card, code, word); !sent.ok) {
        return sent;
    }
    if (buffer == nullptr || count == nullptr || *count == 0) {
        if (count != nullptr) {
            *count = 0;
        }
        return Outcome::success();
    }
    return syncRead(card, buffer, *count, count);
}

// Asks for the gate values and reads them into a buffer of the library, so that a failed read
// never reaches the caller's record. A short delivery leaves the missing words 0.
Outcome readGateWords(KARVO7Card* card, uint32_t (&words)[kGateWords]) {
    RequestBuffer raw(4 * kGateWords);
    if (!raw.ok()) {
        return Outcome::failure(KARVO7_ERR_NO_MEMORY);
    }
    Outcome done = sendCommand(card, kGateValues);
    uint32_t bytes = 0;
    if (done.ok) {
        done = syncRead(card, raw.as(), 4 * kGateWords, &bytes);
    }
    if (done.ok) {
        for (uint32_t i = 0; i < kGateWords; ++i) {
            words[i] = le32(raw.as() + 4 * i);
        }
    }
    return done;
}

uint32_t gateTime(uint32_t word) {
    return word & 0xFFFFFu;
}
uint16_t gateMaximum(uint32_t word) {
    return static_cast<uint16_t>((word >> 22) * 4);
}
uint32_t gateMarke(uint32_t word) {
    return word & 0x100000u;
}

}  // namespace
}  // namespace k7

extern "C" {

KARVO7_API int KARVO7GetResults(KARVO7HANDLE h, uint16_t selector, uint32_t* count, void* buffer,
                                uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::requestData(h, k7::kResults, selector, count, buffer), error);
}

KARVO7_API int KARVO7GetASCAN(KARVO7HANDLE h, uint32_t set, uint32_t* count, void* buffer,
                              uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::requestData(h, k7::kAScan, set & 0xFFu, count, buffer), error);
}

KARVO7_API int KARVO7GetGates(KARVO7HANDLE h, GateResults* results, uint32_t* error) {
    if (!k7::checkHandle(h, error) || !k7::pointerGiven(results, error)) {
        return 0;
    }
    uint32_t words[k7::kGateWords] = {};
    if (const k7::Outcome read = k7::readGateWords(h, words); !read.ok) {
        return k7::report(read, error);
    }
    GateResults decoded{};
    decoded.ESDelay = k7::gateTime(words[0]);
    decoded.ESMaximum = k7::gateMaximum(words[0]);
    for (uint32_t i = 0; i < 5; ++i) {
        decoded.Gate[i].Time = k7::gateTime(words[i + 1]);
        decoded.Gate[i].Maximum = k7::gateMaximum(words[i + 1]);
        decoded.Gate[i].Marke = k7::gateMarke(words[i + 1]);
    }
    *results = decoded;
    return k7::succeed(error);
}

KARVO7_API int KARVO7GetESGate(KARVO7HANDLE h, uint32_t* word, uint32_t* error) {
    if (!k7::checkHandle(h, error) || !k7::pointerGiven(word, error)) {
        return 0;
    }
    uint32_t words[k7::kGateWords] = {};
    if (const k7::Outcome read = k7::readGateWords(h, words); !read.ok) {
        return k7::report(read, error);
    }
    *word = words[0];
    return k7::succeed(error);
}

KARVO7_API int KARVO7ClearFIFO(KARVO7HANDLE h, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(k7::sendCommand(h, k7::kClearFifo), error);
}

KARVO7_API int KARVO7IsDataInFIFO(KARVO7HANDLE h, uint32_t* flag, uint32_t* error) {
    if (!k7::checkHandle(h, error) || !k7::pointerGiven(flag, error)) {
        return 0;
    }
    *flag = 0;
    k7::RequestBuffer word(4);
    if (!word.ok()) {
        return k7::failCode(KARVO7_ERR_NO_MEMORY, error);
    }
    if (!k7::request(h, k7::req::kDataInFifo, nullptr, 0, word.as(), 4)) {
        return k7::failStep(h, error);
    }
    *flag = *word.as<uint32_t>() != 0 ? 1 : 0;
    return k7::succeed(error);
}

KARVO7_API int KARVO7GetStatus(KARVO7HANDLE h, CardStatus* status) {
    if (!k7::checkHandle(h, nullptr) || !k7::pointerGiven(status, nullptr)) {
        return 0;
    }
    k7::RequestBuffer raw(k7::req::kStatusSize);
    if (!raw.ok()) {
        return 0;
    }
    if (!k7::request(h, k7::req::kCardStatus, nullptr, 0, raw.as(), k7::req::kStatusSize)) {
        k7::driverError(h);  // clears the driver's error; the call reports only failure
        return 0;
    }
    const uint8_t* bytes = raw.as();
    status->Status = k7::le32(bytes);
    status->Status4 = bytes[4];
    status->Modus = k7::emulatedSingleStart(h) ? k7::kEmulatedStartMode : bytes[5];
    status->Status8 = k7::le32(bytes + 8);
    return 1;
}

KARVO7_API int KARVO7GetSimpleStatus(KARVO7HANDLE h, uint32_t* status) {
    if (!k7::checkHandle(h, nullptr) || !k7::pointerGiven(status, nullptr)) {
        return 0;
    }
    k7::RequestBuffer word(4);
    if (!word.ok()) {
        return 0;
    }
    *word.as<uint32_t>() = *status;
    if (!k7::request(h, k7::req::kLastError, nullptr, 0, word.as(), 4)) {
        return 0;
    }
    *status = *word.as<uint32_t>();
    return 1;
}

}  // extern "C"
