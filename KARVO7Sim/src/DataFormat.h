// Writers of the card's measurement data: the native layout (bare samples, 24-byte compact gate
// entries) and the record layout of the sibling card model (headers with the set's
// identification, packed or plain A-scans, 56-byte gate results records, control words,
// time-stamp prefixes).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Gates.h"
#include "LittleEndian.h"
#include "ParameterSet.h"

namespace k7sim {

namespace record {
constexpr uint8_t kPacked12 = 0x10;
constexpr uint8_t kAscan = 0x14;
constexpr uint8_t kHf = 0x60;
constexpr uint8_t kGates = 0x40;
constexpr uint8_t kTimeStamp = 0xFF;
constexpr uint32_t kEndePruefung = 0xFFFFEFFDu;
constexpr uint32_t kEndePruefspur = 0xFFFFEFFEu;
constexpr uint32_t kEndePruefzyklus = 0xFFFFEFFFu;
constexpr size_t kGatesSize = 56;
}  // namespace record

// The samples a shot delivers after the set's output stage: the recorded samples as they are
// (HF) or rectified and combined `Faktor` samples into one (A-scan).
std::vector<int16_t> outputSamples(const ParameterSet& set, const int16_t* recorded, size_t count);

// The data block of one shot in the set's layout; empty when the set delivers no samples.
// `timeStamp` is used for the prefix of externally triggered records.
Bytes shotBlock(const ParameterSet& set, const int16_t* samples, size_t count, uint32_t timeStamp);
inline Bytes shotBlock(const ParameterSet& set, const std::vector<int16_t>& samples,
                       uint32_t timeStamp) {
    return shotBlock(set, samples.data(), samples.size(), timeStamp);
}

// The compact gate entry (six words) of a shot.
std::array<uint8_t, 24> compactEntry(const ShotGates& gates);

// The gate results record of a shot, with the time-stamp prefix when externally triggered.
Bytes gateRecord(const ParameterSet& set, const ShotGates& gates, uint32_t timeStamp);

}  // namespace k7sim
