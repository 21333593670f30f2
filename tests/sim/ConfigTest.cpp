// The configuration file, the module entry point, and the shipped reference files that the
// check program compares the default cards with.
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "SimFixture.h"

using namespace simtest;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Config, ParsesCardsGapsSpecimenAndFaults) {
    const std::string text =
        "; two cards and a gap\n"
        "[Simulator]\nversion = 1\ndevices = 1, 2, 4\nseed = 0x10\nworker = no\n"
        "[Card]\nthickness_mm = 30.5\n"
        "[Card4]\nbus = 3\nslot = 9\nversion3 = no\n"
        "fault = command 0x4001 0xE0000008 word=0x8 once\n"
        "fault = eeprom-readback 0x90 0xA5\n"
        "kennung = 1,1,4:TEST;\n";
    k7sim::Config c;
    std::string error;
    ASSERT_TRUE(k7sim::Config::parse(text, c, error)) << error;
    ASSERT_EQ(c.cards.size(), 3u);
    EXPECT_EQ(c.seed, 16u);
    EXPECT_FALSE(c.worker);
    EXPECT_EQ(c.cards[2].number, 4u);
    EXPECT_EQ(c.cards[2].bus, 3u);
    EXPECT_FALSE(c.cards[2].version3);
    EXPECT_TRUE(c.cards[0].version3);
    EXPECT_DOUBLE_EQ(c.cards[1].specimen.thicknessMm, 30.5);
    ASSERT_EQ(c.cards[2].faults.size(), 2u);
    EXPECT_EQ(c.cards[2].faults[0].kind, k7sim::Fault::Kind::Command);
    EXPECT_TRUE(c.cards[2].faults[0].matchValue);
    EXPECT_FALSE(c.cards[2].faults[0].always);
    EXPECT_EQ(c.cards[2].faults[1].index, 0x90u);
    EXPECT_EQ(c.cards[2].kennungText, "1,1,4:TEST;\n");
}

TEST(Config, ErrorsNameTheLine) {
    k7sim::Config c;
    std::string error;
    EXPECT_FALSE(k7sim::Config::parse("[Simulator]\nversion = 2\n", c, error));
    EXPECT_NE(error.find("line 2"), std::string::npos);
    EXPECT_FALSE(k7sim::Config::parse("[Card1]\ncolour = red\n", c, error));
    EXPECT_NE(error.find("unknown key colour"), std::string::npos);
    EXPECT_FALSE(k7sim::Config::parse("[Card9]\nbus = 1\n", c, error));
    EXPECT_FALSE(k7sim::Config::parse("[Card1]\nfault = reset-sometimes\n", c, error));
    k7sim::Fault f;
    EXPECT_TRUE(k7sim::Config::parseFault("selftest0-word 3 0x12345678", f, error));
    EXPECT_FALSE(k7sim::Config::parseFault("selftest0-word 8 1", f, error));
}

TEST(Config, TheShippedExampleConfigurationIsTheDefault) {
    k7sim::Config c;
    std::string error;
    ASSERT_TRUE(k7sim::Config::load(K7_EXAMPLES_DIR "/karvo7sim.conf", c, error)) << error;
    const k7sim::Config d = k7sim::Config::defaults(2);
    ASSERT_EQ(c.cards.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(c.cards[i].bus, d.cards[i].bus);
        EXPECT_EQ(c.cards[i].slot, d.cards[i].slot);
    }
}

TEST(Entry, TheModuleStartsFromACountOrAFile) {
    K7DrvDriver table{};
    EXPECT_EQ(K7DrvEntry("300", &table), 0);
    EXPECT_EQ(K7DrvEntry("/nonexistent/karvo7sim.conf", &table), 0);
    ASSERT_EQ(K7DrvEntry("3", &table), 1);
    EXPECT_EQ(table.interfaceVersion, K7DRV_INTERFACE_VERSION);
    EXPECT_EQ(table.deviceExists(table.context, 3), 1);
    EXPECT_EQ(table.deviceExists(table.context, 4), 0);
    table.unload(table.context);
}

// Section "key=value" pairs of the example parameter file.
std::map<std::string, std::map<std::string, std::string>> ini(const std::string& text) {
    std::map<std::string, std::map<std::string, std::string>> out;
    std::istringstream in(text);
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
        } else if (const auto eq = line.find('='); eq != std::string::npos) {
            out[section][line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return out;
}

uint32_t hex(const std::string& s) {
    return static_cast<uint32_t>(std::stoul(s, nullptr, 16));
}

class Examples : public SimTest {};

TEST_F(Examples, TheParameterFileMatchesEveryDefaultCard) {
    auto file = ini(readFile(K7_EXAMPLES_DIR "/KARVO7Check.INI"));
    for (uint32_t n = 1; n <= 2; ++n) {
        KARVO7HANDLE h = open(n);
        uint32_t bus = 0, slot = 0, error = 0;
        ASSERT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 1);
        EXPECT_EQ(file["Bus"]["Kanal" + std::to_string(n)],
                  "Bus " + std::to_string(bus) + " Slot " + std::to_string(slot));
        uint8_t c[256] = {};
        ASSERT_EQ(KARVO7ReadConfigData(h, c), 1);
        auto& pci = file["PCIconfiguration"];
        EXPECT_EQ(hex(pci["VendorID"]), le16(c));
        EXPECT_EQ(hex(pci["DeviceID"]), le16(c + 2));
        EXPECT_EQ(hex(pci["Command"]), le16(c + 4));
        EXPECT_EQ(hex(pci["Status"]), le16(c + 6));
        EXPECT_EQ(hex(pci["RevisionID"]), c[8]);
        EXPECT_EQ(hex(pci["Class"]), le32(c + 8) >> 8);
        EXPECT_EQ(hex(pci["CacheLineSize"]), c[0x0C]);
        EXPECT_EQ(hex(pci["LatencyTimer"]), c[0x0D]);
        EXPECT_EQ(hex(pci["HeaderType"]), c[0x0E]);
        EXPECT_EQ(hex(pci["BIST"]), c[0x0F]);
        for (int b = 0; b < 4; ++b) {
            EXPECT_EQ(hex(pci["Baseaddress" + std::to_string(b)]), le32(c + 0x10 + 4 * b));
        }
        EXPECT_EQ(hex(pci["BaseaddressROM"]), le32(c + 0x30));
        EXPECT_EQ(hex(pci["SubVendorID"]), le16(c + 0x2C));
        EXPECT_EQ(hex(pci["SubsystemID"]), le16(c + 0x2E));
        EXPECT_EQ(hex(pci["InterruptLine"]), c[0x3C]);
        EXPECT_EQ(hex(pci["InterruptPin"]), c[0x3D]);
        EXPECT_EQ(hex(pci["MinimumGrant"]), c[0x3E]);
        EXPECT_EQ(hex(pci["MaximumLatency"]), c[0x3F]);
        auto& e = file["PCIEEPROM"];
        EXPECT_EQ(hex(e["Signature"]), KARVO7ReadPCIEEPROMword(h, 0x00));
        EXPECT_EQ(hex(e["Length"]), KARVO7ReadPCIEEPROMbyte(h, 0x02));
        EXPECT_EQ(hex(e["Entry"]), KARVO7ReadPCIEEPROMdword(h, 0x03));
        EXPECT_EQ(hex(e["PCIpointer"]), KARVO7ReadPCIEEPROMword(h, 0x18));
        EXPECT_EQ(hex(e["VendorID"]), KARVO7ReadPCIEEPROMword(h, 0x40));
        EXPECT_EQ(hex(e["DeviceID"]), KARVO7ReadPCIEEPROMword(h, 0x42));
        EXPECT_EQ(hex(e["RevisionID"]), KARVO7ReadPCIEEPROMbyte(h, 0x48));
        EXPECT_EQ(hex(e["Class"]), KARVO7ReadPCIEEPROMdword(h, 0x48) >> 8);
        for (int b = 0; b < 5; ++b) {
            EXPECT_EQ(hex(e["Baseaddress" + std::to_string(b)]),
                      KARVO7ReadPCIEEPROMdword(h, 0x50 + 4 * static_cast<uint32_t>(b)));
        }
        EXPECT_EQ(hex(e["BaseaddressROM"]), KARVO7ReadPCIEEPROMdword(h, 0x70));
        EXPECT_EQ(hex(e["InterruptLine"]), KARVO7ReadPCIEEPROMbyte(h, 0x7C));
        EXPECT_EQ(hex(e["InterruptPin"]), KARVO7ReadPCIEEPROMbyte(h, 0x7D));
        EXPECT_EQ(hex(e["MinimumGrant"]), KARVO7ReadPCIEEPROMbyte(h, 0x7E));
        EXPECT_EQ(hex(e["MaximumLatency"]), KARVO7ReadPCIEEPROMbyte(h, 0x7F));
    }
}

TEST_F(Examples, TheIdentificationReferenceFileIsTheCardsRecord) {
    KARVO7HANDLE h = open(1);
    KonfigRecord k{};
    uint32_t error = 0;
    ASSERT_EQ(KARVO7GetKonfig(h, &k, &error), 1);
    const std::string text = readFile(K7_EXAMPLES_DIR "/KARVO7Kennung.txt");
    std::istringstream in(text);
    std::map<int, std::string> values;
    for (std::string line; std::getline(in, line);) {
        const auto colon = line.find(':');
        if (colon != std::string::npos) {
            values[std::stoi(line)] = line.substr(colon + 1, line.find(';') - colon - 1);
        }
    }
    EXPECT_EQ(values[1], k.Karte);
    EXPECT_EQ(values[2], k.Aufsteckfilter);
    EXPECT_EQ(values[3], k.PciEeprom);
    EXPECT_EQ(values[4], k.LcaVersion);
    EXPECT_EQ(values[5], k.Programmversion);
    EXPECT_EQ(values[17], std::to_string(k.AdcBits));
    EXPECT_EQ(values[19], std::to_string(k.DatenFifo));
    EXPECT_EQ(values[36], std::to_string(k.MaxSapFolge));
    std::string energie;
    for (uint16_t v : k.EnergieSender) {
        energie += (energie.empty() ? "" : ",") + std::to_string(v);
    }
    EXPECT_EQ(values[34], energie);
    char band[64];
    std::snprintf(band, sizeof band, "%.2f,%.2f", k.BandgrenzeUnten, k.BandgrenzeOben);
    EXPECT_EQ(values[16], band);
    EXPECT_EQ(text.substr(text.size() - 2), "\n0");
}

}  // namespace
