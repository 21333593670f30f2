// The PCI fields of a card: tables of hexadecimal values at a location (configuration-space
// offset, EEPROM address or operation-register offset) with a width, a reference key and a
// check message; their texts; their reference values in the parameter file; and the accesses
// by width to the configuration image and the bridge EEPROM.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "paramfile/IniFile.h"

namespace k7check {

// The standard PCI configuration header (type 0): the offsets the configuration window and
// check use. Not in KARVO7Protocol.h because they are the PCI bus's, not the card protocol's.
namespace pciheader {
constexpr uint32_t kVendorId = 0x00;
constexpr uint32_t kDeviceId = 0x02;
constexpr uint32_t kCommand = 0x04;
constexpr uint32_t kStatus = 0x06;
constexpr uint32_t kRevisionId = 0x08;
constexpr uint32_t kClassCode = 0x09;  // three bytes, 0x0B highest
constexpr uint32_t kCacheLineSize = 0x0C;
constexpr uint32_t kLatencyTimer = 0x0D;
constexpr uint32_t kHeaderType = 0x0E;
constexpr uint32_t kBist = 0x0F;
constexpr uint32_t kBaseAddress0 = 0x10;
constexpr uint32_t kBaseAddress1 = 0x14;
constexpr uint32_t kBaseAddress2 = 0x18;
constexpr uint32_t kBaseAddress3 = 0x1C;
constexpr uint32_t kSubVendorId = 0x2C;
constexpr uint32_t kSubsystemId = 0x2E;
constexpr uint32_t kExpansionRom = 0x30;
constexpr uint32_t kInterruptLine = 0x3C;
constexpr uint32_t kInterruptPin = 0x3D;
constexpr uint32_t kMinimumGrant = 0x3E;
constexpr uint32_t kMaximumLatency = 0x3F;
}  // namespace pciheader

struct HexField {
    std::string label;    // window label; empty: an unlabelled edit
    std::string control;  // edit (or static text) name
    uint32_t at = 0;      // offset or address
    unsigned bits = 8;    // 8, 16, 24 or 32
    std::string key;      // reference key; empty: not checked
    std::string message;  // check message: reference value first, live value second
};

// The value's hexadecimal digits, two per byte of the field ("%04X" for 16 bits).
std::string formatField(uint32_t value, unsigned bits);
// A value typed into a field of `bits` bits: a hexadecimal number (blanks and an "0x" allowed)
// the field holds as typed; nothing for any other text.
std::optional<uint32_t> parseEntry(const std::string& text, unsigned bits);
// The message naming the first of `fields` whose typed text in `texts` is no value of its
// width (`only`, when given, picks the fields that count); nothing when all are.
std::optional<std::string> entryRefusal(const std::vector<HexField>& fields,
                                        const std::vector<std::string>& texts,
                                        const std::vector<bool>& only = {});
// The refusal text of a field: its label (its reference key when it has none) and its range.
std::string entryRefusalText(const HexField& field);
uint32_t fieldMask(unsigned bits);
// A check message of the tables ("Length Soll: %02X Ist: %02X") filled with the reference and
// the live value: each "%0<n>X" becomes the value in at least n upper-case hex digits.
std::string fillMessage(const std::string& pattern, uint32_t reference, uint32_t live);

// Little-endian values in the 256-byte configuration image.
uint32_t imageValue(const std::array<uint8_t, 256>& image, uint32_t at, unsigned bits);
void setImageValue(std::array<uint8_t, 256>& image, uint32_t at, unsigned bits, uint32_t value);

// The bridge EEPROM by width: bytes, words and double words through the library; 24 bits as
// the word at `at` and the byte at `at` + 2. Reads report no errors (a failed read gives 0).
uint32_t readEeprom(KARVO7HANDLE card, uint32_t at, unsigned bits);
// False when a byte write failed (later bytes are then not written). 100 ms a byte.
bool writeEeprom(KARVO7HANDLE card, uint32_t at, unsigned bits, uint32_t value);
// Milliseconds a write of `bits` costs the bridge.
uint32_t eepromWriteMs(unsigned bits);

// A reference value of the parameter file for a field: its key's text in `section` read as a
// hexadecimal number the field holds (blanks and an "0x" allowed, nothing else). A key that is
// missing or empty, or a text that is no such number, gives no value but the reason, so that a
// check never compares a card with, or writes to it, a value nobody gave.
struct Reference {
    uint32_t value = 0;
    std::string fault;  // "Vorgabe fehlt: [PCIEEPROM] VendorID"; empty when the value is good
    bool valid() const { return fault.empty(); }
};
Reference referenceValue(const IniFile& file, const std::string& section, const HexField& field);

}  // namespace k7check
