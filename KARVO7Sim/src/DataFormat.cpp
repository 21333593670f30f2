// Native and record layouts of the measurement data.
#include "DataFormat.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace k7sim {

namespace {

int32_t rectify(int16_t s, uint32_t form) {
    switch (form) {
        case 1:
            return std::max<int32_t>(s, 0);
        case 2:
            return std::max<int32_t>(-static_cast<int32_t>(s), 0);
        case 3:
            return std::abs(static_cast<int32_t>(s));
        default:
            return s;
    }
}

void putHeader(Bytes& out, uint8_t type, uint32_t length, int16_t id) {
    put32(out, (length << 8) | type);
    put16(out, static_cast<uint16_t>(id));
}

void putTimeStamp(Bytes& out, uint32_t time) {
    put32(out, record::kTimeStamp);
    put32(out, time);
}

// Packs 12-bit samples (left-aligned in 16 bits) as one little-endian bit stream, four into
// three words; only the words the samples need: a last partial group ends the payload.
std::vector<uint16_t> pack12(const std::vector<int16_t>& samples) {
    std::vector<uint16_t> words((3 * samples.size() + 3) / 4, 0);
    for (size_t i = 0; i < samples.size(); ++i) {
        const uint32_t value = (static_cast<uint16_t>(samples[i]) >> 4) & 0xFFFu;
        const size_t bit = 12 * i;
        const size_t word = bit / 16;
        const size_t shift = bit % 16;
        words[word] = static_cast<uint16_t>(words[word] | value << shift);
        if (shift > 4) {
            words[word + 1] = static_cast<uint16_t>(words[word + 1] | value >> (16 - shift));
        }
    }
    return words;
}

// 16-bit samples, little-endian, each masked with `mask`.
void putSamples(Bytes& out, const int16_t* samples, size_t count, uint16_t mask) {
    const size_t at = out.size();
    out.resize(at + 2 * count);
    uint8_t* p = out.data() + at;
    if constexpr (std::endian::native == std::endian::little) {
        if (mask == 0xFFFFu) {
            std::memcpy(p, samples, 2 * count);
            return;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const auto v = static_cast<uint16_t>(static_cast<uint16_t>(samples[i]) & mask);
        put16(p + 2 * i, v);
    }
}

uint32_t gateWord(const GateOutcome& g) {
    if (!g.present) {
        return 0;
    }
    return (g.time & 0xFFFFFu) | (g.marker ? 1u << 20 : 0u) | 1u << 21 |
           static_cast<uint32_t>(g.amplitude >> 2) << 22;
}

}  // namespace

std::vector<int16_t> outputSamples(const ParameterSet& set, const int16_t* recorded, size_t count) {
    if (set.output() != 2) {
        return {recorded, recorded + count};
    }
    const size_t faktor = std::max<uint32_t>(set.faktor(), 1);
    std::vector<int16_t> out;
    out.reserve(count / faktor + 1);
    for (size_t i = 0; i < count; i += faktor) {
        int32_t best = 0;
        for (size_t k = i; k < std::min(count, i + faktor); ++k) {
            const int32_t v = rectify(recorded[k], set.form());
            if (std::abs(v) > std::abs(best)) {
                best = v;
            }
        }
        out.push_back(static_cast<int16_t>(std::clamp(best, -32768, 32767)));
    }
    return out;
}

Bytes shotBlock(const ParameterSet& set, const int16_t* samples, size_t count, uint32_t timeStamp) {
    Bytes out;
    if (set.output() != 1 && set.output() != 2) {
        return out;
    }
    if (!set.recordLayout()) {
        if (set.eightBit()) {
            out.resize(count);
            for (size_t i = 0; i < count; ++i) {
                out[i] = static_cast<uint8_t>(static_cast<uint16_t>(samples[i]) >> 8);
            }
        } else {
            putSamples(out, samples, count, 0xFFFFu);
        }
        return out;
    }
    if (set.externalTrigger()) {
        putTimeStamp(out, timeStamp);
    }
    if (set.output() == 2 && set.eightBit()) {
        // A-scan of an 8-bit set: packed 12-bit samples, exactly the recorded count.
        const auto words = pack12(std::vector<int16_t>(samples, samples + count));
        putHeader(out, record::kPacked12, static_cast<uint32_t>(6 + 2 * words.size()),
                  set.identification);
        for (uint16_t w : words) {
            put16(out, w);
        }
        return out;
    }
    // HF samples whatever their width (an 8-bit sample keeps its upper byte), or an A-scan of a
    // set with full samples: one sample per word.
    const uint8_t type = set.output() == 2 ? record::kAscan : record::kHf;
    putHeader(out, type, static_cast<uint32_t>(6 + 2 * count), set.identification);
    putSamples(out, samples, count, set.eightBit() ? 0xFF00u : 0xFFFFu);
    return out;
}

std::array<uint8_t, 24> compactEntry(const ShotGates& gates) {
    Bytes out;
    const uint32_t es = gates.esFound ? (gates.esDelay & 0xFFFFFu) |
                                            static_cast<uint32_t>(gates.esAmplitude >> 2) << 22
                                      : 0u;
    put32(out, es);
    for (const auto& g : gates.gate) {
        put32(out, gateWord(g));
    }
    std::array<uint8_t, 24> entry{};
    std::copy(out.begin(), out.end(), entry.begin());
    return entry;
}

Bytes gateRecord(const ParameterSet& set, const ShotGates& gates, uint32_t timeStamp) {
    Bytes out;
    if (set.externalTrigger()) {
        putTimeStamp(out, timeStamp);
    }
    putHeader(out, record::kGates, record::kGatesSize, set.identification);
    put16(out, 0);
    // Slots 1 to 4 carry the gates B1 to B4, slot 5 the gate B0.
    static constexpr int kSlotGate[5] = {1, 2, 3, 4, 0};
    for (int gate : kSlotGate) {
        const GateOutcome& g = gates.gate[gate];
        put16(out, g.present ? g.amplitude : uint16_t{0});
        put16(out, 0);
        put16(out, g.present ? static_cast<uint16_t>((g.time * 2) & 0xFFFFu) : uint16_t{0});
        put16(out, static_cast<uint16_t>((g.present ? 0x8000u : 0u) |
                                         (g.present && g.marker ? 0x4000u : 0u)));
    }
    put32(out, gates.esFound ? gates.esDelay : 0u);
    put16(out, gates.esAmplitude);
    put16(out, 0);
    return out;
}

}  // namespace k7sim
