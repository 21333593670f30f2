// Discovery and card handles: scan, open, close, position, version-3 flag, data time-out.
#include <cstring>
#include <new>

#include "Card.h"

namespace {

KARVO7Card* allocateHandle() {
    void* memory = k7::os::heapAlloc(sizeof(KARVO7Card));
    if (memory == nullptr) {
        return nullptr;
    }
    std::memset(memory, 0, sizeof(KARVO7Card));
    return new (memory) KARVO7Card{};
}

// The signature goes first, so that a stale pointer to the released memory fails the check.
void releaseHandle(KARVO7Card* card) {
    card->signature = 0;
    card->~KARVO7Card();
    k7::os::heapFree(card);
}

// Every closing step runs whatever the earlier ones gave; the handle is gone afterwards.
k7::Result closeCard(KARVO7Card* card) {
    bool ok = k7::sendCommand(card, k7::cmd::kPowerDown).ok;
    if (k7::os::closeDevice(card->device)) {
        k7::os::logLine(K7_LOG_INFO, "Ja gut OK de-installiert !!");
    } else {
        k7::os::logLine(K7_LOG_ERROR, "Das war wohl nix beim Schließen !!");
        ok = false;
    }
    card->device = nullptr;
    releaseHandle(card);
    return {ok, 0};
}

k7::Result position(KARVO7Card* card, uint32_t* bus, uint32_t* slot) {
    k7::RequestBuffer words(8);
    if (const k7::Result r = words.allocated(); !r.ok) {
        return r;
    }
    const k7::Result r = k7::control(card, k7::req::kCardPosition, nullptr, 0, words.bytes(), 8);
    // Both are written also when the request fails; they are then 0.
    if (bus != nullptr) {
        *bus = r.ok ? k7proto::le32(words.bytes()) : 0;
    }
    if (slot != nullptr) {
        *slot = r.ok ? k7proto::le32(words.bytes() + 4) : 0;
    }
    return r;
}

k7::Result setDataTimeOut(KARVO7Card* card, uint32_t seconds) {
    k7::RequestBuffer value(4);
    if (const k7::Result r = value.allocated(); !r.ok) {
        return r;
    }
    k7proto::putLe32(value.bytes(), seconds);
    return k7::control(card, k7::req::kDataTimeOut, value.bytes(), 4, nullptr, 0);
}

}  // namespace

extern "C" {

KARVO7_API int KARVO7Scan(void) {
    uint8_t k = 0;
    do {
        ++k;
    } while (k != 0 && k7::os::deviceExists(k));
    return static_cast<uint8_t>(k - 1);
}

KARVO7_API KARVO7HANDLE KARVO7Open(uint32_t card) {
    KARVO7Card* h = allocateHandle();
    if (h == nullptr) {
        return nullptr;
    }
    h->signature = KARVO7_SIGNATURE;
    h->device = k7::os::openDevice(card & 0xFFu);
    if (h->device == nullptr) {
        const uint32_t why = k7::os::lastError();
        k7::os::logLine(K7_LOG_WARNING, "Das war wohl nix !!");
        releaseHandle(h);
        k7::os::setLastError(why);
        return nullptr;
    }
    k7::os::logLine(K7_LOG_INFO, "Ja gut OK installiert !!");
    // The flag is read once; a card whose driver does not answer counts as an older card.
    uint32_t flag = 0;
    k7::request(h, k7::req::kVersion3, nullptr, 0, &flag, sizeof flag);
    h->version3 = flag != 0 ? 1 : 0;
    return h;
}

KARVO7_API int KARVO7Close(KARVO7HANDLE h) {
    if (!k7::takeForClose(h)) {
        k7::os::setLastError(K7_ERROR_INVALID_HANDLE);
        return 0;
    }
    return closeCard(h).ok ? 1 : 0;
}

KARVO7_API int KARVO7GetCardPosition(KARVO7HANDLE h, uint32_t* bus, uint32_t* slot,
                                     uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return position(c, bus, slot); });
}

KARVO7_API int KARVO7IsVersion3(KARVO7HANDLE h) {
    return k7::run(h, nullptr, [](KARVO7Card* c) { return k7::Result{c->version3 != 0, 0}; });
}

KARVO7_API int KARVO7SetDataTimeOut(KARVO7HANDLE h, uint32_t seconds, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return setDataTimeOut(c, seconds); });
}

}  // extern "C"
