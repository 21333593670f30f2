// Fuzzes the engine's count of lost shots from time stamps with arbitrary shots.
//
// Input: a run of shots, each a length byte L followed by L bytes (fewer at the input's end).
// Each shot is handed over in a heap block of exactly its length, so any read beyond it is
// caught. A shot without a time-stamp prefix counts no loss, and no gap counts more shots than
// the stamps' range holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "StampGaps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    k7acquire::StampGaps gaps;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
        ++at;
        std::vector<uint8_t> shot(data + at, data + at + length);
        at += length;
        const uint64_t lost = gaps.lostBefore(shot.data(), static_cast<uint32_t>(shot.size()));
        const bool stamped = shot.size() >= 14 && shot[0] == 0xFF;
        if ((!stamped && lost != 0) || lost > UINT32_MAX) {
            std::abort();
        }
    }
    return 0;
}
