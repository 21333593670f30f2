// The stored form of the card's configuration record: a directory of typed, keyed entries,
// the packed values behind it and a CRC over the values (layout in KARVO7Protocol.h,
// k7proto::eeprom). Pure functions without card access.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KARVO7DLL.h"
#include "KARVO7Protocol.h"

namespace k7::konfig {

constexpr uint32_t kEntrySize = k7proto::eeprom::kKonfigEntrySize;
constexpr uint32_t kDirectorySize = k7proto::eeprom::kKonfigEntries * kEntrySize;
constexpr uint32_t kCrcSize = 2;
// The largest encoded record: directory, 237 data bytes, CRC.
constexpr uint32_t kMaxEncodedSize = kDirectorySize + 237 + kCrcSize;

enum Type : uint8_t { kText = 1, kByte = 2, kWord = 3, kFourBytes = 4, kFloat = 5 };

// CRC-16 with polynomial 0x1021, initial value 0xFFFF, no reflection, no final XOR.
uint16_t crc16(const uint8_t* bytes, std::size_t size);

// Encodes the record into `out` (at least kMaxEncodedSize bytes): directory, data and CRC, as
// they are written from address 0x84 on. Returns the number of data bytes D; the bytes to
// write are kDirectorySize + D + kCrcSize and the length word is kDirectorySize + D.
uint32_t encode(const KonfigRecord& record, uint8_t* out);

enum class DecodeResult {
    Ok,       // walked to the terminator, to the end of the area, or to data outside it
    BadType,  // an entry of a type other than 1 to 5; fields decoded before it are filled
};

// Decodes the stored area (`size` bytes read from EEPROM address `base` on) into `record`.
// Reads nothing outside the area and writes nothing outside the record's fields: an entry
// whose directory place or data lies outside the area ends the walk, elements beyond a
// field's capacity are ignored. A text stored with count 0 reads as the empty text. Fields
// without an entry, and lists stored with count 0, keep what the record held.
DecodeResult decode(const uint8_t* area, std::size_t size, uint32_t base, KonfigRecord& record);

}  // namespace k7::konfig
