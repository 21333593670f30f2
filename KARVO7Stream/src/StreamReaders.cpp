#include "StreamReaders.h"

#include <algorithm>

#include "KARVO7Protocol.h"

namespace k7stream {

using k7proto::le16;
using k7proto::le32;

std::optional<Header> readPlainHeader(Bytes data) {
    if (data.size() < kHeaderBytes) {
        return std::nullopt;
    }
    Header h;
    const uint32_t word = le32(&data[0]);
    h.type = static_cast<uint8_t>(word & 0xFFu);
    h.length = word >> 8;
    h.kennung = static_cast<int16_t>(le16(&data[4]));
    h.remaining = data.size();
    return h;
}

std::optional<Header> readHeader(Bytes data) {
    std::size_t p = 0;
    uint32_t zeit = 0;
    const bool prefixed = startsWithPrefix(data);
    if (prefixed) {
        if (data.size() < kPrefixBytes + kHeaderBytes) {
            return std::nullopt;
        }
        zeit = le32(&data[4]);
        p = kPrefixBytes;
    }
    std::optional<Header> h = readPlainHeader(data.subspan(p));
    if (h) {
        h->prefixed = prefixed;
        h->zeit = zeit;
        h->offset = p;
    }
    return h;
}

std::size_t unpackedCount(std::size_t words) {
    // Every full group of three words gives four samples; a last group of one word gives one
    // sample, of two words two.
    return words / 3 * 4 + words % 3;
}

std::size_t unpack12(Bytes payload, std::size_t words, std::span<int16_t> out) {
    words = std::min(words, payload.size() / 2);
    const uint8_t* w = payload.data();
    int16_t* o = out.data();
    const std::size_t cap = out.size();
    std::size_t k = 0;
    std::size_t i = 0;
    // Whole groups: three words, four samples.
    while (i + 3 <= words && k + 4 <= cap) {
        const uint32_t w0 = le16(w + 2 * i);
        const uint32_t w1 = le16(w + 2 * i + 2);
        const uint32_t w2 = le16(w + 2 * i + 4);
        o[k] = static_cast<int16_t>(static_cast<uint16_t>(w0 << 4));
        o[k + 1] = static_cast<int16_t>(((w1 << 8) & 0xFF00u) | ((w0 >> 8) & 0x00F0u));
        o[k + 2] = static_cast<int16_t>(((w2 << 12) & 0xF000u) | ((w1 >> 4) & 0x0FF0u));
        o[k + 3] = static_cast<int16_t>(w2 & 0xFFF0u);
        k += 4;
        i += 3;
    }
    // The rest one step at a time; a step whose input word is missing is not taken.
    while (k < cap && i < words) {
        const uint32_t wi = le16(w + 2 * i);
        switch (k % 4) {
            case 0:
                o[k] = static_cast<int16_t>(static_cast<uint16_t>(wi << 4));
                break;
            case 1:
            case 2: {
                if (i + 1 >= words) {
                    return k;
                }
                const uint32_t next = le16(w + 2 * i + 2);
                o[k] = static_cast<int16_t>(k % 4 == 1
                                                ? ((next << 8) & 0xFF00u) | ((wi >> 8) & 0x00F0u)
                                                : ((next << 12) & 0xF000u) | ((wi >> 4) & 0x0FF0u));
                ++i;
                break;
            }
            default:
                o[k] = static_cast<int16_t>(wi & 0xFFF0u);
                ++i;
                break;
        }
        ++k;
    }
    return k;
}

std::vector<int16_t> unpack12(Bytes payload, std::size_t words) {
    words = std::min(words, payload.size() / 2);
    std::vector<int16_t> out(std::min(unpackedCount(words), kMaxSamples));
    out.resize(unpack12(payload, words, out));
    return out;
}

ControlWord classifyControlWord(uint32_t word) {
    switch (word) {
        case kEndePruefung:
            return ControlWord::EndePruefung;
        case kEndePruefspur:
            return ControlWord::EndePruefspur;
        case kEndePruefzyklus:
            return ControlWord::EndePruefzyklus;
        default:
            return ControlWord::Unknown;
    }
}

const char* controlWordName(ControlWord kind) {
    switch (kind) {
        case ControlWord::EndePruefung:
            return "Ende Prüfung";
        case ControlWord::EndePruefspur:
            return "Ende Prüfspur";
        case ControlWord::EndePruefzyklus:
            return "Ende Prüfzyklus";
        case ControlWord::Unknown:
            break;
    }
    return "";
}

std::optional<CompactEntry> decodeCompactEntry(Bytes data) {
    if (data.size() < kCompactEntryBytes) {
        return std::nullopt;
    }
    CompactEntry e;
    const uint32_t es = le32(&data[0]);
    e.d = es & 0xFFFFFu;
    e.esAmplitude = es >> 22;
    for (std::size_t k = 0; k < 5; ++k) {
        const uint32_t w = le32(&data[4 + 4 * k]);
        e.gates[k].t = w & 0xFFFFFu;
        e.gates[k].marker = (w & 0x100000u) != 0;
        e.gates[k].present = (w & 0x200000u) != 0;
        e.gates[k].v = w >> 22;
    }
    return e;
}

GateResults toGateResults(const CompactEntry& entry) {
    GateResults r{};
    r.ESDelay = entry.d;
    r.ESMaximum = static_cast<uint16_t>(entry.esAmplitude * 4);
    for (std::size_t k = 0; k < 5; ++k) {
        r.Gate[k].Time = entry.gates[k].t;
        r.Gate[k].Maximum = static_cast<uint16_t>(entry.gates[k].v * 4);
        r.Gate[k].Marke = entry.gates[k].marker ? 0x100000u : 0u;
    }
    return r;
}

std::optional<GateRecord> decodeGateRecord(Bytes data) {
    if (data.size() < kGateRecordBytes) {
        return std::nullopt;
    }
    GateRecord r;
    const uint32_t word = le32(&data[0]);
    r.type = static_cast<uint8_t>(word & 0xFFu);
    r.length = word >> 8;
    r.kennung = static_cast<int16_t>(le16(&data[4]));
    for (std::size_t n = 0; n < 5; ++n) {
        const uint8_t* slot = &data[8 + 8 * n];
        r.slots[n].amplitude = le16(slot);
        r.slots[n].time = le16(slot + 4);
        r.slots[n].status = le16(slot + 6);
    }
    return r;
}

}  // namespace k7stream
