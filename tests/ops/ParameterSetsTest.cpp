// Parameter sets read through the C interface: as the card takes them from a file named by its
// path, with refusals that name the file, and as the file means each key from its bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "KARVO7Ops.h"
#include "ScratchFolder.h"

namespace {

class ParameterSetsTest : public ::testing::Test {
  protected:
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string file(const std::string& name, const std::string& text) {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Reads set `set` of card 1; the message on failure.
    std::string read(const std::string& path, uint32_t set, int expected) {
        char message[256] = "unchanged";
        uint32_t error = 1;
        EXPECT_EQ(K7OpsReadSet(path.c_str(), 1, set, 1, &record, table, &active, message,
                               sizeof message, &error),
                  expected);
        EXPECT_EQ(error, expected == 1 ? 0u : K7OPS_ERROR_FILE);
        return message;
    }

    std::string folder = k7test::makeScratchFolder("ops-sets");
    K7OpsSet record{};
    uint16_t table[K7OPS_TA_ENTRIES]{};
    int32_t active = -1;
};

TEST_F(ParameterSetsTest, ASetReadsAsTheCardTakesItWithItsDepthCompensation) {
    const std::string path =
        file("a.ini",
             "; sets\n[Karte1-Satz2]\nActive=yes\nFilter=5\nVerstaerkung = 250\n"
             "B1-Schwelle=40\nTA-Enable=yes\nTA-Stuetzstellen=2\nTA-Tabelle=7 8 9 10\n"
             "[karte1-satz3]\n");
    EXPECT_EQ(read(path, 2, 1), "");
    EXPECT_EQ(active, 1);
    EXPECT_EQ(record.special.Filter, 5u);
    EXPECT_EQ(record.verstaerkung, 250u);
    EXPECT_EQ(record.measure.Start, 1u);
    EXPECT_EQ(record.measure.Aufnahmelaenge, 1600u);  // the check program's default
    ASSERT_EQ(record.measure.TATabelle, table);
    EXPECT_EQ(record.measure.TAStuetzstellen, 2u);
    EXPECT_EQ(std::vector<uint16_t>(table, table + 4), (std::vector<uint16_t>{7, 8, 9, 10}));
    // A section in any case, with no keys: the defaults, no depth compensation.
    EXPECT_EQ(read(path, 3, 1), "");
    EXPECT_EQ(active, 0);
    EXPECT_EQ(record.special.Filter, 3u);
    EXPECT_EQ(record.measure.TATabelle, nullptr);
}

TEST_F(ParameterSetsTest, AFileThatHoldsNoSuchSetIsRefusedByItsName) {
    const std::string path = file("b.ini", "[Karte1-Satz1]\nFilter=5\n; [Karte1-Satz4]\n");
    EXPECT_EQ(read(path, 4, 0), path + ": no section [Karte1-Satz4]");
    EXPECT_EQ(read(file("empty.ini", ""), 1, 0),
              folder + "/empty.ini: the parameter file is empty");
    EXPECT_EQ(read(file("bin.ini", std::string("[Karte1-Satz1]\n\nA=\0", 20)), 1, 0),
              folder + "/bin.ini: line 3: not a parameter file (binary data)");
    EXPECT_NE(read(folder + "/missing.ini", 1, 0).find("missing.ini: "), std::string::npos);
    EXPECT_EQ(read(folder, 1, 0).rfind(folder + ": ", 0), 0u);  // a folder
    // A message buffer too small is cut; none is no fault.
    char small[8];
    uint32_t error = 0;
    EXPECT_EQ(
        K7OpsReadSet(path.c_str(), 1, 4, 1, &record, table, &active, small, sizeof small, &error),
        0);
    EXPECT_EQ(std::string(small), path.substr(0, 7));
    EXPECT_EQ(K7OpsReadSet(path.c_str(), 1, 4, 1, &record, table, &active, nullptr, 0, &error), 0);
    EXPECT_EQ(error, K7OPS_ERROR_FILE);
}

TEST_F(ParameterSetsTest, SetsAndArgumentsNoFileHoldsAreRefused) {
    const std::string path = file("c.ini", "[Karte1-Satz1]\n");
    uint32_t error = 0;
    EXPECT_EQ(K7OpsReadSet(path.c_str(), 0, 1, 1, &record, table, &active, nullptr, 0, &error), 0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    EXPECT_EQ(K7OpsReadSet(path.c_str(), 17, 1, 1, &record, table, &active, nullptr, 0, &error), 0);
    EXPECT_EQ(K7OpsReadSet(path.c_str(), 1, 8, 1, &record, table, &active, nullptr, 0, &error), 0);
    EXPECT_EQ(K7OpsReadSet(nullptr, 1, 1, 1, &record, table, &active, nullptr, 0, &error), 0);
    EXPECT_EQ(K7OpsReadSet(path.c_str(), 1, 1, 1, &record, nullptr, &active, nullptr, 0, &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    // The start code the caller asks for is the record's.
    EXPECT_EQ(K7OpsReadSet(path.c_str(), 1, 1, 3, &record, table, &active, nullptr, 0, &error), 1);
    EXPECT_EQ(record.measure.Start, 3u);
}

TEST_F(ParameterSetsTest, BytesReadAsTheFileMeansEachKeyInTheFieldsOrder) {
    const uint32_t count = K7OpsSetFieldCount();
    std::vector<std::string> keys;
    for (uint32_t i = 0; i < count; ++i) {
        char key[32];
        ASSERT_GT(K7OpsSetFieldKey(i, key, sizeof key), 0u);
        keys.emplace_back(key);
    }
    EXPECT_EQ(keys.front(), "IFF");
    EXPECT_EQ(K7OpsSetFieldKey(count, nullptr, 0), 0u);
    const auto at = [&](const std::string& key) {
        return static_cast<std::size_t>(std::find(keys.begin(), keys.end(), key) - keys.begin());
    };
    const std::string text =
        "\xEF\xBB\xBF[Karte2-Satz0]\nASCAN=ja\nAufnahmedelay=-12abc\nB3-Schwelle=\"77\"\n"
        "Filter=\nSendersperre=no\nTA-Enable=yes\nTA-Stuetzstellen=1\nTA-Tabelle=1 x\n";
    std::vector<int64_t> values(count + 1, -99);
    uint32_t points = 9, error = 1;
    active = -1;
    ASSERT_EQ(K7OpsParseSet(text.data(), text.size(), "karte2-satz0", values.data(), count, table,
                            &points, &active, &error),
              1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(values[at("ASCAN")], 1);
    EXPECT_EQ(values[at("Aufnahmedelay")], -12);
    EXPECT_EQ(values[at("B3-Schwelle")], 77);
    EXPECT_EQ(values[at("Filter")], 3);  // an emptied number is its default
    EXPECT_EQ(values[at("Sendersperre")], 0);
    EXPECT_EQ(values[count], -99);  // nothing beyond the fields is written
    // A table that is no list of numbers reads as zeros, for the count's points.
    EXPECT_EQ(points, 2u);
    EXPECT_EQ(table[0], 0u);
    EXPECT_EQ(active, 0);
    // Too few values, and no text at all.
    EXPECT_EQ(K7OpsParseSet(text.data(), text.size(), "Karte2-Satz0", values.data(), count - 1,
                            table, &points, &active, &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    ASSERT_EQ(K7OpsParseSet(nullptr, 0, "Karte2-Satz0", values.data(), count, table, &points,
                            &active, &error),
              1);
    EXPECT_EQ(values[at("Filter")], 3);
    EXPECT_EQ(points, 0u);
}

// The sample period of a "Samplerate" code, in the set editor's single precision: its low four
// bits, a divided clock counted, codes without a rate of their own on the virtual 160 MHz clock,
// every code a period.
TEST(SamplePeriod, EachRateCodeHasThePeriodTheSetEditorConvertsWith) {
    EXPECT_NEAR(K7OpsSamplePeriod(0), 0.0125, 1e-6);
    EXPECT_NEAR(K7OpsSamplePeriod(3), 0.1, 1e-6);
    EXPECT_NEAR(K7OpsSamplePeriod(8), 1.6, 1e-6);
    EXPECT_NEAR(K7OpsSamplePeriod(4), 0.00625, 1e-6);
    EXPECT_NEAR(K7OpsSamplePeriod(0x13), 0.1, 1e-6);
    for (uint32_t code = 0; code < 256; ++code) {
        EXPECT_GT(K7OpsSamplePeriod(code), 0.0) << code;
    }
    EXPECT_EQ(K7OpsSamplePeriod(0x103), K7OpsSamplePeriod(3));
}

}  // namespace
