// The station checks' one table: each check keeps its number in the C interface, its word on a
// command line and its key in the parameter file, and no two checks share any of them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "KARVO7Ops.h"
#include "station/StationCheckNames.h"

namespace {

using k7check::StationCheck;

TEST(StationCheckNames, EveryCheckIsFoundAgainByItsNumberAndItsWord) {
    std::set<uint32_t> numbers;
    std::set<std::string> words;
    std::set<std::string> keys;
    for (const StationCheck check : k7check::allStationChecks()) {
        const uint32_t number = k7check::stationCheckNumber(check);
        EXPECT_EQ(k7check::stationCheckOfNumber(number), check) << number;
        EXPECT_EQ(k7check::stationCheckOfWord(k7check::stationCheckWord(check)), check);
        numbers.insert(number);
        words.insert(k7check::stationCheckWord(check));
        keys.insert(k7check::stationCheckKey(check));
    }
    EXPECT_EQ(numbers.size(), K7OPS_CHECK_COUNT);
    EXPECT_EQ(words.size(), K7OPS_CHECK_COUNT);
    EXPECT_EQ(keys.size(), K7OPS_CHECK_COUNT);
    EXPECT_EQ(*numbers.rbegin(), K7OPS_CHECK_COUNT - 1);
}

TEST(StationCheckNames, TheInterfacesNumbersNameTheirChecks) {
    EXPECT_EQ(k7check::stationCheckOfNumber(K7OPS_CHECK_DSP), StationCheck::Dsp);
    EXPECT_STREQ(k7check::stationCheckName(StationCheck::Dsp), "DSP-Programm");
    EXPECT_EQ(k7check::stationCheckOfNumber(K7OPS_CHECK_COMMANDS), StationCheck::Commands);
    EXPECT_EQ(k7check::stationCheckOfNumber(K7OPS_CHECK_COUNT), std::nullopt);
    EXPECT_EQ(k7check::stationCheckOfNumber(0xFFFFFFFFu), std::nullopt);
    EXPECT_EQ(k7check::stationCheckOfWord("pci"), std::nullopt);
}

}  // namespace
