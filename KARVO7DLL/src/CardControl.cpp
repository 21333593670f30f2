// Card control: hardware reset and its completion, warm-up, firmware download, raw commands,
// the driver's transfer mode and the sibling-card identification.
#include "Card.h"
#include "Parameters.h"

namespace {

constexpr uint16_t kResetLca = 0x0C00;
constexpr uint16_t kPowerUp = 0x1800;
constexpr uint16_t kOffset = 0x1000;
constexpr uint16_t kIdentification = 0x3001;
constexpr uint32_t kPromBlockSize = 128;

// The transmitter settings a card gets on warm-up: transmitter enabled, narrowest pulse,
// energy 1, transmitter and receiver combined, input attenuation 1, no filter.
SpecialParams warmUpTransmitter() {
    SpecialParams p{};
    p.Sendersperre = 0;
    p.Sendeimpulsbreite = 0;
    p.Sendeenergie = 1;
    p.SEMode = 0;
    p.Senderdaempfung = 0;
    p.Eingangsdaempfung = 1;
    p.Filter = 0;
    return p;
}

k7::Outcome warmUp(KARVO7Card* card) {
    k7::RequestBuffer word(4);
    if (!word.ok()) {
        return k7::Outcome::failure(KARVO7_ERR_NO_MEMORY);
    }
    // Collect and forget whatever error the driver still holds for the card.
    k7::request(card, k7::req::kLastError, nullptr, 0, word.as(), 4);

    for (uint16_t code : {kResetLca, kPowerUp}) {
        if (const k7::Outcome o = k7::sendCommand(card, code); !o.ok) {
            return o;
        }
    }
    if (card->version3 != 0) {
        if (const k7::Outcome o = k7::selectSet(card, 0); !o.ok) {
            return o;
        }
    }
    if (const k7::Outcome o = k7::sendCommand(card, kOffset); !o.ok) {
        return o;
    }
    return k7::prepareTransmitter(card, 0, warmUpTransmitter());
}

}  // namespace

extern "C" {

KARVO7_API int KARVO7ResetCard(KARVO7HANDLE h) {
    if (!k7::handleValid(h)) {
        return 0;
    }
    // The driver's answer to the reset is not reported; completion is polled with
    // KARVO7IsReseted.
    k7::request(h, k7::req::kReset, nullptr, 0, nullptr, 0);
    return 1;
}

KARVO7_API int KARVO7IsReseted(KARVO7HANDLE h) {
    if (!k7::handleValid(h)) {
        return 0;
    }
    k7::RequestBuffer flag(4);
    if (!flag.ok()) {
        return 0;
    }
    if (!k7::request(h, k7::req::kResetFinished, nullptr, 0, flag.as(), 4)) {
        return 0;
    }
    return *flag.as<uint32_t>() != 0 ? 1 : 0;
}

KARVO7_API int KARVO7WarmUp(KARVO7HANDLE h, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(warmUp(h), error);
}

KARVO7_API int KARVO7LoadProm(KARVO7HANDLE h, uint32_t blocks, const void* image, uint32_t* error) {
    const uint32_t size = (blocks & 0xFFu) * kPromBlockSize;
    return k7::report(k7::syncWrite(h, image, size, nullptr), error);
}

KARVO7_API int KARVO7Command(KARVO7HANDLE h, uint16_t code, uint8_t count, const uint32_t* data,
                             uint32_t* error) {
    // The command block holds eight data words; a longer command is refused unsent.
    if (count > k7::req::kMaxCommandWords) {
        return k7::failCode(KARVO7_ERR_COMMAND_COUNT, error);
    }
    k7::RequestBuffer word(4);
    if (!word.ok()) {
        return k7::failCode(KARVO7_ERR_NO_MEMORY, error);
    }
    return k7::report(k7::sendCommand(h, code, count, data), error);
}

KARVO7_API int KARVO7SetMode(KARVO7HANDLE h, uint8_t mode, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    k7::RequestBuffer byte(1);
    if (!byte.ok()) {
        return k7::failCode(KARVO7_ERR_NO_MEMORY, error);
    }
    *byte.as() = mode;
    if (!k7::request(h, k7::req::kTransferMode, byte.as(), 1, nullptr, 0)) {
        return k7::failStep(h, error);
    }
    return k7::succeed(error);
}

KARVO7_API int KARVO7SetVIRMA4(KARVO7HANDLE h, uint32_t set, int16_t identification,
                               uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    if (const k7::Outcome o = k7::selectSet(h, set & 0xFFu); !o.ok) {
        return k7::report(o, error);
    }
    // The identification travels as its 16 bits: -11 is sent as 0x0000FFF5.
    const uint32_t word = static_cast<uint16_t>(identification);
    return k7::report(k7::sendCommand1(h, kIdentification, word), error);
}

}  // extern "C"
