// The card's configuration record: written byte by byte into the bridge EEPROM with read-back
// verification, read back as the stored area the driver delivers.
#include "Card.h"
#include "KonfigCodec.h"
#include "PciEeprom.h"

namespace {

constexpr std::size_t kStagingSize = 1024;

// Writes the encoded record from the directory address on, verifying each byte. On the first
// byte that reads back differently the outcome carries (address << 16) | (written << 8) | read.
k7::Outcome putKonfig(KARVO7Card* card, const KonfigRecord& record) {
    k7::RequestBuffer staging(kStagingSize);
    if (!staging.ok()) {
        return k7::Outcome::failure(KARVO7_ERR_NO_MEMORY);
    }
    const uint8_t* bytes = staging.as();
    const uint32_t dataSize = k7::konfig::encode(record, staging.as());
    const uint32_t length = k7::konfig::kDirectorySize + dataSize;
    for (uint32_t i = 0; i < length + k7::konfig::kCrcSize; ++i) {
        const uint32_t address = k7::konfig::kDirectoryAddress + i;
        k7::eepromWriteByte(card, address, bytes[i]);
        const uint8_t read = k7::eepromReadByte(card, address);
        if (read != bytes[i]) {
            // The old length word stays; the stored record is inconsistent until rewritten.
            return k7::Outcome::failure(address << 16 | uint32_t{bytes[i]} << 8 | read);
        }
    }
    k7::eepromWriteWord(card, k7::konfig::kLengthAddress, length);
    return k7::Outcome::success();
}

k7::Outcome getKonfig(KARVO7Card* card, KonfigRecord& record) {
    k7::RequestBuffer status(k7::req::kStatusSize);
    if (!status.ok()) {
        return k7::Outcome::failure(KARVO7_ERR_NO_MEMORY);
    }
    if (!k7::request(card, k7::req::kCardStatus, nullptr, 0, status.as(), k7::req::kStatusSize)) {
        return k7::Outcome::failure(k7::driverError(card));
    }
    const uint8_t* s = status.as();
    const uint32_t size = s[12] | uint32_t{s[13]} << 8;
    const uint32_t base = s[14] | uint32_t{s[15]} << 8;

    k7::RequestBuffer area(size);
    if (!area.ok()) {
        return k7::Outcome::failure(KARVO7_ERR_NO_MEMORY);
    }
    if (!k7::request(card, k7::req::kReadKonfigArea, nullptr, 0, area.as(), size)) {
        return k7::Outcome::failure(k7::driverError(card));
    }
    // The CRC is not checked: a damaged record still shows what can be decoded.
    if (k7::konfig::decode(area.as(), size, base, record) != k7::konfig::DecodeResult::Ok) {
        return k7::Outcome::failure(KARVO7_ERR_KONFIG_TYPE);
    }
    return k7::Outcome::success();
}

}  // namespace

extern "C" {

KARVO7_API int KARVO7GetKonfig(KARVO7HANDLE h, KonfigRecord* record, uint32_t* error) {
    if (!k7::checkHandle(h, error)) {
        return 0;
    }
    return k7::report(getKonfig(h, *record), error);
}

KARVO7_API int KARVO7PutKonfig(KARVO7HANDLE h, const KonfigRecord* record, uint32_t* error) {
    return k7::report(putKonfig(h, *record), error);
}

}  // extern "C"
