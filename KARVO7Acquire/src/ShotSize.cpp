#include "ShotSize.h"

#include <algorithm>

#include "KARVO7Protocol.h"

namespace k7acquire {

namespace {
constexpr uint64_t kHeaderBytes = 6;
constexpr uint64_t kTimeStampBytes = 8;
// Register 1538 (data format): bits 8-9 the packing (1: two 8-bit samples a word), bit 12 the
// record layout (VIRMA4). Register 1040 (SAP trigger): bit 0 the external trigger.
constexpr uint32_t kPackingShift = 8;
constexpr uint32_t kPackingMask = 3;
constexpr uint32_t kPacked8Bit = 1;
constexpr uint32_t kRecordLayoutBit = 1u << 12;
constexpr uint32_t kExternalTriggerBit = 1u;
// Register 1038 holds the record time's bits 19-16 in its low four bits.
constexpr uint32_t kRecordTimeHighMask = 0xF;
// A record's prefix starts with this byte; the header's bytes 1-3 are its length, little-endian.
constexpr uint8_t kPrefixMark = 0xFF;
}  // namespace

uint64_t shotBytes(uint32_t samples, bool ascan, uint32_t faktor, bool bit8, bool external,
                   bool recordLayout) {
    uint64_t n = samples;
    if (ascan) {
        const uint64_t f = std::max<uint64_t>(faktor, 1);
        n = (n + f - 1) / f;
    }
    if (!recordLayout) {
        return bit8 ? n : 2 * n;
    }
    // An 8-bit A-scan packs four 12-bit samples into three words; every other record carries
    // one sample per word.
    const uint64_t words = ascan && bit8 ? (3 * n + 3) / 4 : n;
    return (external ? kTimeStampBytes : 0) + kHeaderBytes + 2 * words;
}

uint32_t largestShotOnCard(KARVO7HANDLE card, bool& recordLayout) {
    namespace reg = k7proto::reg;
    const uint32_t samples =
        (KARVO7ReadRegister(card, reg::kRecordTimeLow) & 0xFFFFu) +
        (KARVO7ReadRegister(card, reg::kRecordTimeHigh) & kRecordTimeHighMask) * 65536u;
    const uint32_t format = KARVO7ReadRegister(card, reg::kDataFormat);
    const bool external = (KARVO7ReadRegister(card, reg::kTrigger) & kExternalTriggerBit) != 0;
    recordLayout = (format & kRecordLayoutBit) != 0;
    if (samples == 0) {
        return 0;
    }
    const bool bit8 = ((format >> kPackingShift) & kPackingMask) == kPacked8Bit;
    // An 8-bit set delivers its samples packed only in the native layout.
    return static_cast<uint32_t>(
        shotBytes(samples, false, 1, bit8 && !recordLayout, external, recordLayout));
}

bool recordCutShort(const uint8_t* at, uint32_t length, uint32_t space) {
    if (length < space) {
        return false;  // the read ended with the block: the whole block came
    }
    uint32_t prefix = 0;
    if (length > 0 && at[0] == kPrefixMark) {
        prefix = static_cast<uint32_t>(kTimeStampBytes);
    }
    if (length < prefix + 4) {
        return false;
    }
    const uint8_t* header = at + prefix;
    const uint32_t recordBytes = header[1] | uint32_t{header[2]} << 8 | uint32_t{header[3]} << 16;
    return uint64_t{prefix} + recordBytes > length;
}

}  // namespace k7acquire
