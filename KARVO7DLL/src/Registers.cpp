// Direct access to the card's registers and to its PCI configuration space. These operations
// do not check the handle: they are given a valid one.
#include "Card.h"

extern "C" {

KARVO7_API uint32_t KARVO7ReadRegister(KARVO7HANDLE h, uint32_t address) {
    k7::RequestBuffer buffer(8);
    if (!buffer.ok()) {
        return 0;
    }
    uint32_t* words = buffer.as<uint32_t>();
    words[0] = address;
    words[1] = 0;
    // The driver answers address and value in the same buffer. A failed request reads as 0.
    if (!k7::request(h, k7::req::kReadRegister, words, 8, words, 8)) {
        return 0;
    }
    return words[1];
}

KARVO7_API int KARVO7WriteRegister(KARVO7HANDLE h, uint32_t address, uint32_t value) {
    k7::RequestBuffer buffer(8);
    if (!buffer.ok()) {
        return 0;
    }
    uint32_t* words = buffer.as<uint32_t>();
    words[0] = address;
    words[1] = value;
    return k7::request(h, k7::req::kWriteRegister, words, 8, words, 8) ? 1 : 0;
}

KARVO7_API int KARVO7ReadConfigData(KARVO7HANDLE h, uint8_t* configuration256) {
    return k7::request(h, k7::req::kReadPciConfig, nullptr, 0, configuration256, 256) ? 1 : 0;
}

KARVO7_API int KARVO7WriteConfigData(KARVO7HANDLE h, const uint8_t* configuration256) {
    return k7::request(h, k7::req::kWritePciConfig, configuration256, 256, nullptr, 0) ? 1 : 0;
}

}  // extern "C"
