// The card's configuration record: written byte by byte into the bridge EEPROM with read-back
// verification, read back as the stored area the driver delivers.
#include "Card.h"
#include "KonfigCodec.h"
#include "PciEeprom.h"

namespace {

using k7::Result;
namespace eeprom = k7proto::eeprom;

constexpr std::size_t kStagingSize = 1024;
static_assert(kStagingSize >= k7::konfig::kMaxEncodedSize);

// On the first byte that reads back differently the error word is
// (address << 16) | (written << 8) | read. The length word is written last, so an interrupted
// write leaves the old length behind.
Result putKonfig(KARVO7Card* card, const KonfigRecord* record) {
    if (const Result r = k7::required(record); !r.ok) {
        return r;
    }
    k7::RequestBuffer staging(kStagingSize);
    if (const Result r = staging.allocated(); !r.ok) {
        return r;
    }
    const uint8_t* bytes = staging.bytes();
    const uint32_t dataSize = k7::konfig::encode(*record, staging.bytes());
    const uint32_t length = k7::konfig::kDirectorySize + dataSize;
    for (uint32_t i = 0; i < length + k7::konfig::kCrcSize; ++i) {
        const uint32_t address = eeprom::kKonfigDirectory + i;
        k7::eepromWriteByte(card, address, bytes[i]);
        const uint8_t read = k7::eepromReadByte(card, address);
        if (read != bytes[i]) {
            return Result::failure(address << 16 | uint32_t{bytes[i]} << 8 | read);
        }
    }
    // The two bytes of the length word are not verified.
    k7::eepromWrite(card, eeprom::kKonfigLength, length, 2);
    return Result::success();
}

Result getKonfig(KARVO7Card* card, KonfigRecord* record) {
    if (const Result r = k7::required(record); !r.ok) {
        return r;
    }
    k7::RequestBuffer status(k7::req::kStatusSize);
    if (const Result r = status.allocated(); !r.ok) {
        return r;
    }
    if (const Result r = k7::control(card, k7::req::kCardStatus, nullptr, 0, status.bytes(),
                                     k7::req::kStatusSize);
        !r.ok) {
        return r;
    }
    const uint32_t size = k7::le16(status.bytes() + k7::req::kStatusAreaSizeOffset);
    const uint32_t base = k7::le16(status.bytes() + k7::req::kStatusAreaBaseOffset);

    k7::RequestBuffer area(size);
    if (const Result r = area.allocated(); !r.ok) {
        return r;
    }
    if (const Result r =
            k7::control(card, k7::req::kReadKonfigArea, nullptr, 0, area.bytes(), size);
        !r.ok) {
        return r;
    }
    // The CRC is not checked: a damaged record still shows what can be decoded.
    if (k7::konfig::decode(area.bytes(), size, base, *record) != k7::konfig::DecodeResult::Ok) {
        return Result::failure(KARVO7_ERR_KONFIG_TYPE);
    }
    return Result::success();
}

}  // namespace

extern "C" {

KARVO7_API int KARVO7GetKonfig(KARVO7HANDLE h, KonfigRecord* record, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return getKonfig(c, record); });
}

KARVO7_API int KARVO7PutKonfig(KARVO7HANDLE h, const KonfigRecord* record, uint32_t* error) {
    return k7::run(h, error, [&](KARVO7Card* c) { return putKonfig(c, record); });
}

}  // extern "C"
