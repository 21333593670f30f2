// Discovery and card handles: scan, open, close, position, version-3 flag, data time-out.
#include <cstdio>
#include <cstring>
#include <new>

#include "Card.h"

namespace {

void diagnostic(const char* line) {
    std::fputs(line, stdout);
    std::fflush(stdout);
}

KARVO7Card* allocateHandle() {
    void* memory = k7::os::heapAlloc(sizeof(KARVO7Card));
    if (memory == nullptr) {
        return nullptr;
    }
    std::memset(memory, 0, sizeof(KARVO7Card));
    return new (memory) KARVO7Card{};
}

void releaseHandle(KARVO7Card* card) {
    card->signature = 0;
    card->~KARVO7Card();
    k7::os::heapFree(card);
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
        diagnostic("Das war wohl nix !!\n");
        releaseHandle(h);
        k7::os::setLastError(why);
        return nullptr;
    }
    diagnostic("Ja gut OK installiert !!\n");
    uint32_t flag = 0;
    k7::request(h, k7::req::kVersion3, nullptr, 0, &flag, sizeof flag);
    h->version3 = flag != 0 ? 1 : 0;
    return h;
}

KARVO7_API int KARVO7Close(KARVO7HANDLE h) {
    if (!k7::handleValid(h)) {
        return 0;
    }
    int result = 1;
    if (!k7::sendCommand(h, 0x1400).ok) {
        result = 0;
    }
    if (k7::os::closeDevice(h->device)) {
        diagnostic("Ja gut OK de-installiert !!\n");
    } else {
        diagnostic("Das war wohl nix beim Schließen !!\n");
        result = 0;
    }
    h->device = nullptr;
    releaseHandle(h);
    return result;
}

KARVO7_API int KARVO7GetCardPosition(KARVO7HANDLE h, uint32_t* bus, uint32_t* slot,
                                     uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    k7::RequestBuffer position(8);
    if (!position.ok()) {
        return k7::failCode(KARVO7_ERR_NO_MEMORY, error);
    }
    const bool ok = k7::request(h, k7::req::kCardPosition, nullptr, 0, position.as(), 8);
    if (bus != nullptr) {
        *bus = ok ? position.as<uint32_t>()[0] : 0;
    }
    if (slot != nullptr) {
        *slot = ok ? position.as<uint32_t>()[1] : 0;
    }
    return ok ? k7::succeed(error) : k7::failStep(h, error);
}

KARVO7_API int KARVO7IsVersion3(KARVO7HANDLE h) {
    if (!k7::handleValid(h)) {
        return 0;
    }
    return h->version3 != 0 ? 1 : 0;
}

KARVO7_API int KARVO7SetDataTimeOut(KARVO7HANDLE h, uint32_t seconds, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    k7::RequestBuffer value(4);
    if (!value.ok()) {
        return k7::failCode(KARVO7_ERR_NO_MEMORY, error);
    }
    *value.as<uint32_t>() = seconds;
    if (!k7::request(h, k7::req::kDataTimeOut, value.as(), 4, nullptr, 0)) {
        return k7::failStep(h, error);
    }
    return k7::succeed(error);
}

}  // extern "C"
