// Builders of measurement data buffers for the decoder's tests: headers, prefixes, packed
// samples, gate results records, compact entries, little-endian as the cards write them.
#pragma once

#include <cstdint>
#include <vector>

namespace streamtest {

using Buffer = std::vector<uint8_t>;

inline void put16(Buffer& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(Buffer& b, uint32_t v) {
    put16(b, static_cast<uint16_t>(v));
    put16(b, static_cast<uint16_t>(v >> 16));
}
inline void header(Buffer& b, uint8_t type, uint32_t length, int16_t kennung) {
    put32(b, type | (length << 8));
    put16(b, static_cast<uint16_t>(kennung));
}
inline void prefix(Buffer& b, uint32_t zeit) {
    put32(b, 0xFF);
    put32(b, zeit);
}
// A record of one sample per word (type 0x14 or 0x60).
inline void wordRecord(Buffer& b, uint8_t type, int16_t kennung, const std::vector<int16_t>& s) {
    header(b, type, static_cast<uint32_t>(6 + 2 * s.size()), kennung);
    for (int16_t v : s) {
        put16(b, static_cast<uint16_t>(v));
    }
}
// A packed record of four 12-bit values in three words.
inline void packedRecord(Buffer& b, int16_t kennung, uint16_t a, uint16_t c1, uint16_t c2,
                         uint16_t d) {
    header(b, 0x10, 12, kennung);
    put16(b, static_cast<uint16_t>((a & 0xFFF) | ((c1 & 0xF) << 12)));
    put16(b, static_cast<uint16_t>(((c1 >> 4) & 0xFF) | ((c2 & 0xFF) << 8)));
    put16(b, static_cast<uint16_t>(((c2 >> 8) & 0xF) | ((d & 0xFFF) << 4)));
}
struct Slot {
    uint16_t amplitude, time, status;
};
inline void gateRecord(Buffer& b, int16_t kennung, const std::vector<Slot>& slots,
                       uint32_t length = 56) {
    header(b, 0x40, length, kennung);
    put16(b, 0);
    for (std::size_t n = 0; n < 5; ++n) {
        const Slot s = n < slots.size() ? slots[n] : Slot{0, 0, 0};
        put16(b, s.amplitude);
        put16(b, 0xAAAA);  // not read
        put16(b, s.time);
        put16(b, s.status);
    }
    put32(b, 0);
    put32(b, 0);
}
// A compact gate entry: d and the ES amplitude, then (t, v, marker, present) per gate.
struct CompactGate {
    uint32_t t, v;
    bool marker, present;
};
inline void compactEntry(Buffer& b, uint32_t d, uint32_t es, const std::vector<CompactGate>& g) {
    put32(b, (d & 0xFFFFF) | (es << 22));
    for (std::size_t k = 0; k < 5; ++k) {
        const CompactGate x = k < g.size() ? g[k] : CompactGate{0, 0, false, false};
        put32(b, (x.t & 0xFFFFF) | (x.marker ? 1u << 20 : 0u) | (x.present ? 1u << 21 : 0u) |
                     (x.v << 22));
    }
}

}  // namespace streamtest
