// Card control: hardware reset and its completion, warm-up, firmware download, raw commands,
// the driver's transfer mode and the sibling-card identification.
#include "Card.h"
#include "Parameters.h"

namespace {

using k7::Result;

// The transmitter settings a card gets on warm-up: transmitter enabled, narrowest pulse,
// energy 1, transmitter and receiver combined, input attenuation 1, no filter.
SpecialParams warmUpTransmitter() {
    SpecialParams p{};
    p.Sendeenergie = 1;
    p.Eingangsdaempfung = 1;
    return p;
}

Result warmUp(KARVO7Card* card) {
    k7::RequestBuffer word(4);
    if (const Result r = word.allocated(); !r.ok) {
        return r;
    }
    // Collects and forgets whatever error the driver still holds for the card.
    k7::request(card, k7::req::kLastError, nullptr, 0, word.bytes(), 4);
    for (const uint16_t code : {k7::cmd::kReset, k7::cmd::kPowerUp}) {
        if (const Result r = k7::sendCommand(card, code); !r.ok) {
            return r;
        }
    }
    if (card->version3 != 0) {
        if (const Result r = k7::selectSet(card, 0); !r.ok) {
            return r;
        }
    }
    if (const Result r = k7::sendCommand(card, k7::cmd::kOffset); !r.ok) {
        return r;
    }
    return k7::prepareTransmitter(card, 0, warmUpTransmitter());
}

Result isReseted(KARVO7Card* card) {
    k7::RequestBuffer flag(4);
    if (const Result r = flag.allocated(); !r.ok) {
        return r;
    }
    if (!k7::request(card, k7::req::kResetFinished, nullptr, 0, flag.bytes(), 4)) {
        return Result::failure(0);
    }
    return {k7proto::le32(flag.bytes()) != 0, 0};
}

Result loadProm(KARVO7Card* card, uint32_t blocks, const void* image) {
    const uint32_t size = (blocks & 0xFFu) * k7::req::kPromBlockSize;
    if (size != 0) {
        if (const Result r = k7::required(image); !r.ok) {
            return r;
        }
    }
    return k7::syncWrite(card, image, size, nullptr);
}

Result command(KARVO7Card* card, uint16_t code, uint8_t count, const uint32_t* data) {
    // The command block holds eight data words; a longer command is refused unsent.
    if (count > k7::req::kMaxCommandWords) {
        return Result::failure(KARVO7_ERR_COMMAND_COUNT);
    }
    if (count != 0) {
        if (const Result r = k7::required(data); !r.ok) {
            return r;
        }
    }
    k7::RequestBuffer word(4);
    if (const Result r = word.allocated(); !r.ok) {
        return r;
    }
    return k7::sendCommand(card, code, count, data);
}

Result setMode(KARVO7Card* card, uint8_t mode) {
    k7::RequestBuffer byte(1);
    if (const Result r = byte.allocated(); !r.ok) {
        return r;
    }
    byte.bytes()[0] = mode;
    return k7::control(card, k7::req::kTransferMode, byte.bytes(), 1, nullptr, 0);
}

Result setVirma4(KARVO7Card* card, uint32_t set, int16_t identification) {
    if (const Result r = k7::selectSet(card, set & 0xFFu); !r.ok) {
        return r;
    }
    // The identification travels as its 16 bits: -11 is sent as 0x0000FFF5.
    const uint32_t word = static_cast<uint16_t>(identification);
    return k7::sendCommand1(card, k7::cmd::kIdentification, word);
}

}  // namespace

extern "C" {

KARVO7_API int KARVO7ResetCard(KARVO7HANDLE h) {
    return k7::run(h, nullptr, [](KARVO7Card* c) {
        // The driver's answer is not reported; completion is polled with KARVO7IsReseted.
        k7::request(c, k7::req::kReset, nullptr, 0, nullptr, 0);
        return Result::success();
    });
}

KARVO7_API int KARVO7IsReseted(KARVO7HANDLE h) {
    return k7::run(h, nullptr, isReseted);
}

KARVO7_API int KARVO7WarmUp(KARVO7HANDLE h, uint32_t* error) {
    return k7::run(h, error, warmUp);
}

KARVO7_API int KARVO7LoadProm(KARVO7HANDLE h, uint32_t blocks, const void* image, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return loadProm(c, blocks, image); });
}

KARVO7_API int KARVO7Command(KARVO7HANDLE h, uint16_t code, uint8_t count, const uint32_t* data,
                             uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return command(c, code, count, data); });
}

KARVO7_API int KARVO7SetMode(KARVO7HANDLE h, uint8_t mode, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return setMode(c, mode); });
}

KARVO7_API int KARVO7SetVIRMA4(KARVO7HANDLE h, uint32_t set, int16_t identification,
                               uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return setVirma4(c, set, identification); });
}

}  // extern "C"
