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

// The words a caller of the C interface lists its checks by: every number below the count has
// its word, cut to a short buffer as every text is, and the count has none.
TEST(StationCheckNames, TheCInterfaceGivesEachNumberItsWord) {
    for (uint32_t number = 0; number < K7OPS_CHECK_COUNT; ++number) {
        char word[32] = {};
        const uint32_t length = K7OpsCheckWord(number, word, sizeof word);
        EXPECT_EQ(std::string(word),
                  k7check::stationCheckWord(*k7check::stationCheckOfNumber(number)));
        EXPECT_EQ(length, std::string(word).size());
    }
    char cut[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(K7OpsCheckWord(K7OPS_CHECK_PCI_CONFIGURATION, cut, sizeof cut), 10u);
    EXPECT_STREQ(cut, "pci");
    EXPECT_EQ(K7OpsCheckWord(K7OPS_CHECK_COUNT, cut, sizeof cut), 0u);
    EXPECT_STREQ(cut, "");
    EXPECT_EQ(K7OpsCheckWord(K7OPS_CHECK_DSP, nullptr, 0), 3u);
}

}  // namespace
