// A parameter set taken from arbitrary bytes through the C interface: every field written and
// nothing beyond them, a depth compensation of at most the card's points, the active flag 0 or
// 1, and the same set for the same bytes. The first byte picks the section.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "KARVO7Ops.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

constexpr int64_t kUntouched = INT64_MIN;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string section =
        "Karte" + std::to_string(size > 0 ? 1 + data[0] % 16 : 1) + "-Satz" +
        std::to_string(size > 0 ? (data[0] >> 4) % 8 : 0);
    const char* text = reinterpret_cast<const char*>(data);
    const uint32_t count = K7OpsSetFieldCount();
    std::vector<int64_t> first(count + 1, kUntouched), second(count + 1, kUntouched);
    uint16_t table[K7OPS_TA_ENTRIES];
    uint16_t again[K7OPS_TA_ENTRIES];
    uint32_t points = 0, pointsAgain = 0, error = 1;
    int32_t active = -1, activeAgain = -1;
    check(K7OpsParseSet(text, size, section.c_str(), first.data(), count, table, &points,
                        &active, &error) == 1);
    check(error == 0 && points <= K7OPS_TA_ENTRIES && (active == 0 || active == 1));
    check(first[count] == kUntouched);
    for (uint32_t i = 0; i < count; ++i) {
        check(first[i] != kUntouched);
    }
    check(K7OpsParseSet(text, size, section.c_str(), second.data(), count, again, &pointsAgain,
                        &activeAgain, &error) == 1);
    check(first == second && points == pointsAgain && active == activeAgain);
    for (uint32_t i = 0; i < points; ++i) {
        check(table[i] == again[i]);
    }
    return 0;
}
