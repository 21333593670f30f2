// Fuzzes the configuration record decoder with arbitrary stored areas.
//
// Input: base B (2 bytes, little-endian), size S (2 bytes), then the area's bytes. The decoder
// gets a heap block of exactly S bytes (the input's bytes, zero-filled when the input is
// shorter), as the driver's area request delivers it, so any read beyond S is caught.
//
// Each input also checks the encoder against the decoder: its bytes, taken as a record, are
// encoded and decoded again, and the result must equal the record as the stored form keeps it
// (texts and lists end at their first zero element).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KonfigCodec.h"

namespace {

template <typename T, std::size_t N>
void clearAfterFirstZero(T (&list)[N]) {
    std::size_t i = 0;
    while (i < N && !(list[i] == T{})) {
        ++i;
    }
    for (; i < N; ++i) {
        std::memset(&list[i], 0, sizeof list[i]);
    }
}

// The record as encoding and decoding into a zeroed record reproduce it.
KonfigRecord storedForm(const KonfigRecord& in) {
    KonfigRecord out;
    std::memset(&out, 0, sizeof out);
    std::memcpy(out.Karte, in.Karte, sizeof in.Karte);
    std::memcpy(out.Aufsteckfilter, in.Aufsteckfilter, sizeof in.Aufsteckfilter);
    std::memcpy(out.PciEeprom, in.PciEeprom, sizeof in.PciEeprom);
    std::memcpy(out.LcaVersion, in.LcaVersion, sizeof in.LcaVersion);
    std::memcpy(out.Programmversion, in.Programmversion, sizeof in.Programmversion);
    std::memcpy(&out.BandgrenzeUnten, &in.BandgrenzeUnten, 4);
    std::memcpy(&out.BandgrenzeOben, &in.BandgrenzeOben, 4);
    out.AdcBits = in.AdcBits;
    out.AufnahmeFifo = in.AufnahmeFifo;
    out.DatenFifo = in.DatenFifo;
    out.Dynamik = in.Dynamik;
    std::memcpy(out.DaempfungEingang, in.DaempfungEingang, sizeof in.DaempfungEingang);
    std::memcpy(out.DaempfungSender, in.DaempfungSender, sizeof in.DaempfungSender);
    std::memcpy(out.EnergieSender, in.EnergieSender, sizeof in.EnergieSender);
    std::memcpy(out.Samplerrate, in.Samplerrate, sizeof in.Samplerrate);
    out.MaxSapFolge = in.MaxSapFolge;
    std::memcpy(out.FilterMittenfrequenz, in.FilterMittenfrequenz, sizeof in.FilterMittenfrequenz);
    std::memcpy(out.FilterBandgrenze, in.FilterBandgrenze, sizeof in.FilterBandgrenze);
    std::memcpy(out.Grunddaempfung, in.Grunddaempfung, sizeof in.Grunddaempfung);
    clearAfterFirstZero(out.Karte);
    clearAfterFirstZero(out.Aufsteckfilter);
    clearAfterFirstZero(out.PciEeprom);
    clearAfterFirstZero(out.LcaVersion);
    clearAfterFirstZero(out.Programmversion);
    clearAfterFirstZero(out.DaempfungEingang);
    clearAfterFirstZero(out.DaempfungSender);
    clearAfterFirstZero(out.EnergieSender);
    clearAfterFirstZero(out.Samplerrate);
    clearAfterFirstZero(out.FilterMittenfrequenz);  // 0.0 and -0.0 end a float list
    clearAfterFirstZero(out.FilterBandgrenze);
    clearAfterFirstZero(out.Grunddaempfung);
    return out;
}

void decodeArbitraryArea(const uint8_t* data, std::size_t size) {
    if (size < 4) {
        return;
    }
    const uint32_t base = data[0] | uint32_t{data[1]} << 8;
    const std::size_t areaSize = data[2] | std::size_t{data[3]} << 8;
    const std::size_t given = size - 4 < areaSize ? size - 4 : areaSize;
    std::vector<uint8_t> area(areaSize, 0);
    area.shrink_to_fit();
    if (given > 0) {
        std::memcpy(area.data(), data + 4, given);
    }
    KonfigRecord record;
    std::memset(&record, 0x5A, sizeof record);
    k7::konfig::decode(area.empty() ? nullptr : area.data(), area.size(), base, record);
}

void encodeAndDecode(const uint8_t* data, std::size_t size) {
    KonfigRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, data, size < sizeof record ? size : sizeof record);

    std::vector<uint8_t> stored(k7::konfig::kMaxEncodedSize);
    const uint32_t dataSize = k7::konfig::encode(record, stored.data());
    const std::size_t total = k7::konfig::kDirectorySize + dataSize + k7::konfig::kCrcSize;
    if (total > stored.size()) {
        std::abort();
    }
    stored.resize(total);
    stored.shrink_to_fit();

    KonfigRecord decoded;
    std::memset(&decoded, 0, sizeof decoded);
    if (k7::konfig::decode(stored.data(), stored.size(), k7proto::eeprom::kKonfigDirectory,
                           decoded) != k7::konfig::DecodeResult::Ok) {
        std::abort();
    }
    const KonfigRecord expected = storedForm(record);
    if (std::memcmp(&decoded, &expected, sizeof expected) != 0) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    decodeArbitraryArea(data, size);
    encodeAndDecode(data, size);
    return 0;
}
