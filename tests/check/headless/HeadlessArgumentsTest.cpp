// The program's command line: the station options and the reasons it refuses one.
#include <gtest/gtest.h>

#include "headless/HeadlessArguments.h"

using namespace k7check;

namespace {

TEST(CommandLine, StationOptions) {
    EXPECT_FALSE(parseCommandLine({}).checkAll);
    EXPECT_TRUE(parseCommandLine({}).error.empty());

    const CommandLine one =
        parseCommandLine({"--check-all", "--card", "16", "--ini", "a.ini", "--report", "r.xml"});
    EXPECT_EQ(one.error, "");
    EXPECT_TRUE(one.checkAll);
    EXPECT_EQ(one.options.card, 16u);
    EXPECT_FALSE(one.options.allCards);
    EXPECT_EQ(one.options.parameterFile, "a.ini");
    EXPECT_EQ(one.options.reportFile, "r.xml");

    const CommandLine every = parseCommandLine({"--all-cards", "--check-all"});
    EXPECT_EQ(every.error, "");
    EXPECT_TRUE(every.options.allCards);
    EXPECT_EQ(every.options.card, 0u);
}

TEST(CommandLine, RefusedArguments) {
    const auto error = [](std::vector<std::string> arguments) {
        return parseCommandLine(arguments).error;
    };
    EXPECT_EQ(error({"--check-all", "--card", "0"}), "Ungültige Kartennummer 0 (1 bis 16)");
    EXPECT_EQ(error({"--check-all", "--card", "17"}), "Ungültige Kartennummer 17 (1 bis 16)");
    EXPECT_EQ(error({"--check-all", "--card", "2x"}), "Ungültige Kartennummer 2x (1 bis 16)");
    EXPECT_EQ(error({"--check-all", "--card", "-1"}), "Ungültige Kartennummer -1 (1 bis 16)");
    EXPECT_EQ(error({"--check-all", "--card"}), "--card ohne Wert");
    EXPECT_EQ(error({"--check-all", "--ini"}), "--ini ohne Wert");
    EXPECT_EQ(error({"--check-all", "--card", "1", "--all-cards"}),
              "--card und --all-cards schließen einander aus");
    EXPECT_EQ(error({"--all-cards"}),
              "--card, --all-cards, --ini und --report gelten nur mit --check-all");
    EXPECT_EQ(error({"--check-all", "--cards"}), "Unbekanntes Argument --cards");
}

}  // namespace
