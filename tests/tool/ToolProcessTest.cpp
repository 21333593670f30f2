// karvo7 as a process on simulated cards: what lands on standard output, the messages on
// standard error and the exit codes of good and bad command lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "ToolProcess.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tooltest {
namespace {

class ToolProcessTest : public ToolTest {};

bool hasLibraryLine(const std::string& text) {
    return text.find("Ja gut OK") != std::string::npos ||
           text.find("Das war wohl nix") != std::string::npos;
}

TEST_F(ToolProcessTest, ListShowsEveryCardOnStandardOutputAndNothingElse) {
    const Finished text = run({"list"});
    EXPECT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out,
              "card 1: bus 1, slot 12, version 3, type KARVO7F\n"
              "card 2: bus 1, slot 13, version 3, type KARVO7F\n");
    EXPECT_FALSE(hasLibraryLine(text.err));

    const Finished json = run({"list", "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    const auto list = nlohmann::json::parse(json.out);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]["card"], 2);
    EXPECT_EQ(list[1]["slot"], 13);
    EXPECT_EQ(list[1]["type"], "KARVO7F");
    EXPECT_EQ(list[1]["version3"], true);
}

// No driver: no list at all, and the message says so and what sets cards up (exit 3, as for a
// card that is not there); a driver with no cards is named.
TEST_F(ToolProcessTest, ListWithoutADriverSaysThatNoneAnswered) {
#ifdef _WIN32
    // Under Wine the device-path suite installs a test driver with cards for its run; while it
    // is there the system has a driver, and what this test checks cannot be seen.
    wchar_t target[MAX_PATH] = {};
    if (QueryDosDeviceW(L"DOSKARVO7_1", target, MAX_PATH) != 0) {
        GTEST_SKIP() << "the device-path suite's test driver is installed";
    }
#endif
    for (const bool json : {false, true}) {
        const Finished f = runTool("", json ? std::vector<std::string>{"list", "--json"}
                                            : std::vector<std::string>{"list"});
        EXPECT_EQ(f.code, 3) << f.err;
        EXPECT_EQ(f.out, json ? "[]\n" : "");
#ifdef _WIN32
        EXPECT_NE(f.err.find("karvo7: no driver answered: the KARVO7 cards' driver (KARVO7.sys) "
                             "is not running"),
                  std::string::npos)
            << f.err;
#else
        EXPECT_NE(f.err.find("karvo7: no driver answered: no simulated cards are set up "
                             "(KARVO7_SIM=2 gives two)"),
                  std::string::npos)
            << f.err;
#endif
    }
    const Finished none = runTool(simConfig(folder, "", 0), {"list"});
    EXPECT_EQ(none.code, 3) << none.err;
    EXPECT_NE(none.err.find("karvo7: no cards found: the driver KARVO7_SIM="), std::string::npos)
        << none.err;
}

TEST_F(ToolProcessTest, ReadOnlySubcommandsGiveJsonOnStandardOutput) {
    const std::vector<std::vector<std::string>> commands = {
        {"info", "1", "--json"},
        {"regs", "2", "--json"},
        {"regs", "1", "--lca", "data", "--json"},
        {"reg", "1", "1024", "--json"},
        {"pci", "1", "--json"},
        {"eeprom", "1", "--json"},
        {"selftest", "1", "0", "--json"}};
    for (const auto& command : commands) {
        const Finished f = run(command);
        EXPECT_EQ(f.code, 0) << command[0] << ": " << f.err;
        EXPECT_TRUE(nlohmann::json::accept(f.out)) << command[0] << ": " << f.out;
        EXPECT_FALSE(hasLibraryLine(f.out)) << command[0];
    }
    const auto info = nlohmann::json::parse(run({"info", "2", "--json"}).out);
    EXPECT_EQ(info["record"]["card_type"], "KARVO7F");
    EXPECT_EQ(info["control_lca_id"], "0x7C31");
    EXPECT_EQ(info["data_lca_id"], "0x7D31");
    EXPECT_TRUE(info.contains("temperature_c"));
    const auto pci = nlohmann::json::parse(run({"pci", "1", "--json"}).out);
    ASSERT_EQ(pci["bytes"].size(), 256u);
    EXPECT_EQ(pci["bytes"][0], 0xE8);  // vendor 0x10E8, low byte first
    EXPECT_EQ(pci["bytes"][1], 0x10);
}

TEST_F(ToolProcessTest, ConfigurationSpaceAsLspciShowsIt) {
    const Finished f = run({"pci", "2"});
    ASSERT_EQ(f.code, 0) << f.err;
    EXPECT_EQ(f.out.rfind("01:0d.0 Class ff00: Device 10e8:4b37 (rev 02)\n"
                          "00: e8 10 37 4b 03 01 80 02 02 00 00 ff 00 20 00 00\n",
                          0),
              0u)
        << f.out;
    EXPECT_NE(f.out.find("\nf0: "), std::string::npos);
}

TEST_F(ToolProcessTest, ExitCodesOfUsageAndMissingCards) {
    struct Case {
        std::vector<std::string> arguments;
        int code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"info", "3"}, 3, "no card 3 (2 cards found)"},
        {{"info", "0"}, 3, "no card 0"},
        {{"shot", "7", "--set", "1"}, 3, "no card 7"},
        {{"frobnicate"}, 2, "unknown subcommand 'frobnicate'"},
        {{"list", "--colour"}, 2, "--colour"},
        {{"info"}, 2, "N is required"},
        {{"info", "one"}, 2, "one"},
        {{"reg", "1", "1025"}, 2, "no register 1025"},
        {{"reg", "1", "1080"}, 2, "no register 1080"},
        {{"reg", "1", "0x40"}, 2, "no register 0x40"},
        {{"reg", "1", "0x3C", "0x100000000"}, 2, "does not fit the 32-bit register"},
        {{"reg", "1", "1026", "65536"}, 2, "does not fit the 16-bit register"},
        {{"reg", "1", "1026", "-1"}, 2, "does not fit"},
        {{"reg", "1", "1024", "1"}, 2, "read-only"},
        {{"regs", "1", "--lca", "pci"}, 2, "--lca takes control or data"},
        {{"selftest", "1", "13"}, 2, "no self test 13"},
        {{"eeprom", "1", "--write", "0x40", "1", "--yes"}, 2, "write-protected"},
        {{"eeprom", "1", "--write", "0x800", "1", "--yes"}, 2, "outside"},
        {{"eeprom", "1", "--write", "0x90", "0x100", "--yes"}, 2, "does not fit a byte"},
        {{"stream", "1", "-o", "-"}, 2, "either --seconds or --count"},
        {{"stream", "1", "--count", "5", "--seconds", "1", "-o", "-"}, 2, "either"},
        {{"stream", "1", "--count", "-1", "-o", "-"}, 2, "--count"},
        {{"stream", "1", "-n", "18446744073709551615", "-o", "-"}, 2, "--count"},
        {{"shot", "1", "--set", "1", "-n", "-1"}, 2, "--count"},
        {{"stream", "1", "--sets", "1,9", "--count", "5", "-o", "-"}, 2, "no set 9"},
        {{"stream", "1", "--sets", "1,x", "--count", "5", "-o", "-"}, 2, "not a set number"},
        {{"shot", "1", "--set", "1", "--samples", "0"}, 2, "--samples must be 1 to 65535"},
        {{"shot", "1", "--set", "1", "--rate", "8"}, 2, "--rate must be 0 to 7"},
        {{"shot", "1", "--set", "8"}, 2, "sets 0 to 7"},
    };
    for (const Case& c : cases) {
        const Finished f = run(c.arguments);
        EXPECT_EQ(f.code, c.code) << c.arguments[0] << " " << c.message << ": " << f.err;
        EXPECT_NE(f.err.find(c.message), std::string::npos) << f.err;
        EXPECT_EQ(f.out, "") << c.message;
        EXPECT_EQ(f.err.rfind("karvo7: ", 0), 0u) << f.err;
        EXPECT_EQ(std::count(f.err.begin(), f.err.end(), '\n'), 1) << "one line: " << f.err;
    }
}

TEST_F(ToolProcessTest, HelpForTheProgramAndEverySubcommand) {
    const Finished program = run({"--help"});
    EXPECT_EQ(program.code, 0);
    for (const char* command : {"list", "info", "reset", "dsp", "selftest", "check", "regs", "reg",
                                "pci", "eeprom", "shot", "stream", "decode"}) {
        EXPECT_NE(program.out.find(command), std::string::npos) << command;
        const Finished help = run({command, "--help"});
        EXPECT_EQ(help.code, 0) << command;
        EXPECT_NE(help.out.find(std::string("Usage: karvo7 ") + command), std::string::npos)
            << help.out;
    }
}

TEST_F(ToolProcessTest, RegisterWrittenIsReadBack) {
    // The analog register of the control LCA takes a value and shows it afterwards.
    const Finished write = run({"reg", "1", "1030", "0x0123"});
    ASSERT_EQ(write.code, 0) << write.err;
    EXPECT_EQ(write.out, "1030  0x0123  analog\n");
    const Finished json = run({"reg", "1", "0x3C", "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out)["name"], "master status");
}

TEST_F(ToolProcessTest, SelfTestsLineByLineAndFailureExitsOne) {
    const Finished pass = run({"selftest", "1", "0", "3"});
    EXPECT_EQ(pass.code, 0) << pass.err;
    EXPECT_EQ(pass.out, "0 pass DSP->PCI-FIFO: OK\n3 pass Aufnahme-FIFO: OK\n");

    const Finished fail = run({"selftest", "2"}, "[Card2]\nfault = selftest0-not-empty\n");
    EXPECT_EQ(fail.code, 1);
    EXPECT_EQ(fail.out.rfind("0 FAIL FIFO not empty\n1 pass", 0), 0u) << fail.out;
    // The DAC ramps need someone watching: not run unless named.
    EXPECT_EQ(fail.out.find("\n9 "), std::string::npos);
}

// The reset time a line reports: the simulated card takes 50 ms of real time, which a loaded
// machine may stretch by a poll or more. -1 without such a line.
int resetMs(const std::string& text, const std::string& before) {
    const std::string lead = before + "reset after ";
    const auto at = text.find(lead);
    if (at == std::string::npos) {
        return -1;
    }
    const std::string rest = text.substr(at + lead.size());
    const auto digits = rest.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string::npos || rest.compare(digits, 4, " ms\n") != 0) {
        return -1;
    }
    return std::stoi(rest.substr(0, digits));
}

TEST_F(ToolProcessTest, ResetAndDspProgram) {
    const Finished reset = run({"reset", "1"});
    EXPECT_EQ(reset.code, 0) << reset.err;
    EXPECT_EQ(reset.out.rfind("card 1 reset after ", 0), 0u) << reset.out;
    EXPECT_GE(resetMs(reset.out, "card 1 "), 50) << reset.out;
    const Finished never = run({"reset", "1"}, "[Card1]\nfault = reset-never\n");
    EXPECT_EQ(never.code, 1);
    EXPECT_NE(never.err.find("did not finish its reset"), std::string::npos);

    const Finished dsp = run({"dsp", "2", std::string(KARVO7_EXAMPLES) + "/KARVO7DSP.hex"});
    EXPECT_EQ(dsp.code, 0) << dsp.err;
    EXPECT_NE(dsp.out.find("card 2: "), std::string::npos);
    EXPECT_GE(resetMs(dsp.out, " blocks loaded, "), 50) << dsp.out;
}

TEST_F(ToolProcessTest, StationChecksGiveTheCheckProgramsVerdictsAndExitOneOnAFailure) {
    const std::string ini = std::string(KARVO7_EXAMPLES) + "/KARVO7Check.INI";
    const Finished pass = run({"check", "1", "pci-eeprom", "lca", "pci-operation", "--ini", ini});
    EXPECT_EQ(pass.code, 0) << pass.err;
    EXPECT_EQ(pass.out, "pci-eeprom pass OK\nlca pass OK\npci-operation pass OK\n");

    // A wrong EEPROM byte is repaired to its reference; one the bridge does not take fails.
    const std::string wrongDevice = "[Card1]\ndevice_id = 0x1234\n";
    const Finished repaired = run({"check", "1", "pci-eeprom", "--ini", ini}, wrongDevice);
    EXPECT_EQ(repaired.code, 0) << repaired.err;
    EXPECT_EQ(repaired.out, "pci-eeprom pass nach Schreiben OK\n");
    const Finished kept =
        run({"check", "1", "pci-eeprom", "selftest", "--ini", ini, "--json"},
            wrongDevice + "fault = eeprom-protected\nfault = selftest0-not-empty\n");
    EXPECT_EQ(kept.code, 1);
    const auto verdicts = nlohmann::json::parse(kept.out);
    ASSERT_EQ(verdicts.size(), 2u);
    EXPECT_EQ(verdicts[0]["name"], "PCI EEPROM");
    EXPECT_EQ(verdicts[0]["passed"], false);
    EXPECT_EQ(verdicts[0]["result"], "DeviceID soll: 4B37 ist: 1234");
    EXPECT_EQ(verdicts[1]["result"], "FIFO not empty");

    // Without reference values the EEPROM check writes nothing and names what is missing.
    const Finished none = run({"check", "1", "pci-eeprom"});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.out, "pci-eeprom FAIL Vorgabe fehlt: [PCIEEPROM] Signature\n");
    const Finished unknown = run({"check", "1", "eeprom"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("no check eeprom"), std::string::npos) << unknown.err;
}

// A parameter file that cannot be read is refused by its name before any check runs; one that
// can names its reference files relative to its own folder, wherever the tool was started.
TEST_F(ToolProcessTest, CheckRefusesAParameterFileItCannotReadAndTakesNamesFromItsFolder) {
    for (const std::string& ini : {std::string("/nonexistent.ini"), std::string("/")}) {
        const Finished missing = run({"check", "1", "--ini", ini});
        EXPECT_EQ(missing.code, 2) << ini;
        EXPECT_EQ(missing.out, "") << ini;
        EXPECT_NE(missing.err.find("karvo7: " + ini + ": "), std::string::npos) << missing.err;
    }
    const std::string ini = std::string(KARVO7_EXAMPLES) + "/KARVO7Check.INI";
    const Finished beside = run({"check", "1", "kennung", "dsp", "--ini", ini});
    EXPECT_EQ(beside.code, 0) << beside.out << beside.err;
    EXPECT_EQ(beside.out.rfind("kennung pass OK\ndsp pass OK (Reset nach ", 0), 0u) << beside.out;
}

TEST_F(ToolProcessTest, EepromDumpAndConfirmedWrite) {
    const Finished dump = run({"eeprom", "1"});
    ASSERT_EQ(dump.code, 0) << dump.err;
    EXPECT_EQ(dump.out.rfind("0000: 55 aa", 0), 0u) << dump.out;
    EXPECT_NE(dump.out.find("\n0080: "), std::string::npos);

    // Without a terminal to ask on, only --yes writes.
    const Finished unconfirmed = run({"eeprom", "1", "--write", "0x7F0", "0x5A"});
    EXPECT_EQ(unconfirmed.code, 1);
    EXPECT_NE(unconfirmed.err.find("--yes"), std::string::npos);
    const Finished written = run({"eeprom", "1", "--write", "0x7F0", "0x5A", "--yes"});
    EXPECT_EQ(written.code, 0) << written.err;
    EXPECT_EQ(written.out, "07f0: 5a\n");

    const Finished refused = run({"eeprom", "1", "--write", "0x7F0", "0x5A", "--yes"},
                                 "[Card1]\nfault = eeprom-protected\n");
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("wrote 0x5A"), std::string::npos) << refused.err;
}

TEST_F(ToolProcessTest, ShotsIntoFilesInTheFormatTheirNamesSay) {
    const Finished json =
        run({"shot", "2", "--set", "4", "-n", "2", "--samples", "50", "-o", folder.file("s.json")});
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(json.out, "");
    const auto shots = nlohmann::json::parse(readFile(folder.file("s.json")));
    EXPECT_EQ(shots["card"], 2);
    EXPECT_EQ(shots["set"], 4);
    ASSERT_EQ(shots["shots"].size(), 2u);
    EXPECT_EQ(shots["shots"][1].size(), 50u);

    const Finished raw = run({"shot", "1", "--set", "1", "--samples", "50", "--layout", "native",
                              "-o", folder.file("s.bin")});
    ASSERT_EQ(raw.code, 0) << raw.err;
    EXPECT_EQ(readFile(folder.file("s.bin")).size(), 100u);  // 50 16-bit samples, no header

    const Finished csv = run({"shot", "1", "--set", "1", "--samples", "50", "--format", "csv", "-o",
                              folder.file("s.bin.txt")});
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(readFile(folder.file("s.bin.txt")).rfind("time_us,sample,shot1_percent\n", 0), 0u);
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"cards.conf", "s.bin", "s.bin.txt", "s.json"}));
}

// Shots go to the output as they come: thousands of them fit in an address space that would not
// hold each shot's read buffer, and the CSV still has a column for every one.
TEST_F(ToolProcessTest, DecodeRefusesFilesThatHoldNoCapture) {
    writeFile(folder.file("empty.k7"), "");
    const Finished missing = run({"decode", folder.file("missing.k7")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("missing.k7"), std::string::npos) << missing.err;
    const Finished empty = run({"decode", folder.file("empty.k7")});
    EXPECT_EQ(empty.code, 1);
    EXPECT_EQ(empty.out, "");
    const Finished layout = run({"decode", folder.file("empty.k7"), "--layout", "rows"});
    EXPECT_EQ(layout.code, 2);
    const Finished sets =
        run({"decode", folder.file("empty.k7"), "--layout", "native", "--gate-sets", "0"});
    EXPECT_EQ(sets.code, 2);
    EXPECT_NE(sets.err.find("--gate-sets: not a set number: '0'"), std::string::npos);
}

}  // namespace
}  // namespace tooltest
