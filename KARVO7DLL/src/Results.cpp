// What the card reports besides the measured data stream: results, A-scans, gate values, the
// echo-start gate word, the FIFO state and the card status.
#include "StartMode.h"

namespace k7 {
namespace {

// Gate values arrive as six 32-bit words: the echo-start gate, then gates B0 to B4.
constexpr uint32_t kGateWords = 6;

// Sends the command that makes the card deliver data. With a buffer and a byte count the data
// is read at once; otherwise the count becomes 0 and the caller fetches the data later with
// a data read.
Result requestData(KARVO7Card* card, uint16_t code, uint32_t word, uint32_t* count, void* buffer) {
    if (const Result r = sendCommand1(card, code, word); !r.ok) {
        return r;
    }
    if (buffer == nullptr || count == nullptr || *count == 0) {
        if (count != nullptr) {
            *count = 0;
        }
        return Result::success();
    }
    return syncRead(card, buffer, *count, count);
}

// Asks for the gate values and reads them into a buffer of the library, so that a failed read
// never reaches the caller's record. A short delivery leaves the missing words 0.
Result readGateWords(KARVO7Card* card, uint32_t (&words)[kGateWords]) {
    RequestBuffer raw(4 * kGateWords);
    if (const Result r = raw.allocated(); !r.ok) {
        return r;
    }
    if (const Result r = sendCommand(card, cmd::kGateValues); !r.ok) {
        return r;
    }
    uint32_t bytes = 0;
    if (const Result r = syncRead(card, raw.bytes(), 4 * kGateWords, &bytes); !r.ok) {
        return r;
    }
    for (uint32_t i = 0; i < kGateWords; ++i) {
        words[i] = le32(raw.bytes() + 4 * i);
    }
    return Result::success();
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

Result getGates(KARVO7Card* card, GateResults* results) {
    if (const Result r = required(results); !r.ok) {
        return r;
    }
    uint32_t words[kGateWords] = {};
    if (const Result r = readGateWords(card, words); !r.ok) {
        return r;
    }
    GateResults decoded{};
    decoded.ESDelay = gateTime(words[0]);
    decoded.ESMaximum = gateMaximum(words[0]);
    for (uint32_t i = 0; i < 5; ++i) {
        decoded.Gate[i].Time = gateTime(words[i + 1]);
        decoded.Gate[i].Maximum = gateMaximum(words[i + 1]);
        decoded.Gate[i].Marke = gateMarke(words[i + 1]);
    }
    *results = decoded;
    return Result::success();
}

Result getEchoStartGate(KARVO7Card* card, uint32_t* word) {
    if (const Result r = required(word); !r.ok) {
        return r;
    }
    uint32_t words[kGateWords] = {};
    if (const Result r = readGateWords(card, words); !r.ok) {
        return r;
    }
    *word = words[0];
    return Result::success();
}

Result isDataInFifo(KARVO7Card* card, uint32_t* flag) {
    if (const Result r = required(flag); !r.ok) {
        return r;
    }
    *flag = 0;
    RequestBuffer word(4);
    if (const Result r = word.allocated(); !r.ok) {
        return r;
    }
    if (const Result r = control(card, req::kDataInFifo, nullptr, 0, word.bytes(), 4); !r.ok) {
        return r;
    }
    *flag = le32(word.bytes()) != 0 ? 1 : 0;
    return Result::success();
}

// The driver's error word is fetched (which clears it) but not passed on: the call reports
// only failure.
Result getStatus(KARVO7Card* card, CardStatus* status) {
    if (const Result r = required(status); !r.ok) {
        return r;
    }
    RequestBuffer raw(req::kStatusSize);
    if (const Result r = raw.allocated(); !r.ok) {
        return r;
    }
    if (const Result r = control(card, req::kCardStatus, nullptr, 0, raw.bytes(), req::kStatusSize);
        !r.ok) {
        return r;
    }
    const uint8_t* bytes = raw.bytes();
    status->Status = le32(bytes);
    status->Status4 = bytes[4];
    status->Modus = emulatedSingleStart(card) ? kEmulatedStartMode : bytes[req::kStatusModeOffset];
    status->Status8 = le32(bytes + 8);
    return Result::success();
}

// The caller's word goes in as the buffer's first content and comes back as the driver leaves
// it; a failed request leaves it unchanged.
Result getSimpleStatus(KARVO7Card* card, uint32_t* status) {
    if (const Result r = required(status); !r.ok) {
        return r;
    }
    RequestBuffer word(4);
    if (const Result r = word.allocated(); !r.ok) {
        return r;
    }
    putLe32(word.bytes(), *status);
    if (!request(card, req::kLastError, nullptr, 0, word.bytes(), 4)) {
        return Result::failure(0);
    }
    *status = le32(word.bytes());
    return Result::success();
}

}  // namespace
}  // namespace k7

extern "C" {

KARVO7_API int KARVO7GetResults(KARVO7HANDLE h, uint16_t selector, uint32_t* count, void* buffer,
                                uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) {
        return k7::requestData(c, k7::cmd::kResults, selector, count, buffer);
    });
}

KARVO7_API int KARVO7GetASCAN(KARVO7HANDLE h, uint32_t set, uint32_t* count, void* buffer,
                              uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) {
        return k7::requestData(c, k7::cmd::kGetAScan, set & 0xFFu, count, buffer);
    });
}

KARVO7_API int KARVO7GetGates(KARVO7HANDLE h, GateResults* results, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return k7::getGates(c, results); });
}

KARVO7_API int KARVO7GetESGate(KARVO7HANDLE h, uint32_t* word, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return k7::getEchoStartGate(c, word); });
}

KARVO7_API int KARVO7ClearFIFO(KARVO7HANDLE h, uint32_t* error) {
    return k7::run(h, error, [](KARVO7Card* c) { return k7::sendCommand(c, k7::cmd::kClearFifo); });
}

KARVO7_API int KARVO7IsDataInFIFO(KARVO7HANDLE h, uint32_t* flag, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return k7::isDataInFifo(c, flag); });
}

KARVO7_API int KARVO7GetStatus(KARVO7HANDLE h, CardStatus* status) {
    return k7::run(h, nullptr, [&](KARVO7Card* c) { return k7::getStatus(c, status); });
}

KARVO7_API int KARVO7GetSimpleStatus(KARVO7HANDLE h, uint32_t* status) {
    return k7::run(h, nullptr, [&](KARVO7Card* c) { return k7::getSimpleStatus(c, status); });
}

}  // extern "C"
