// karvo7's command line as a script meets it: one name per concept (old spellings still taken),
// the version everywhere, cards chosen by PCI position, busy cards in the list, values a card
// cannot take, files that are no DSP program, writes the card does not keep, and every message
// behind the one prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "KARVO7Stream.h"
#include "Tool.h"
#include "ToolProcess.h"

namespace tooltest {
namespace {

class CommandLineTest : public ToolTest {};

TEST_F(CommandLineTest, OneNamePerConceptWithTheFormerSpellingsStillTaken) {
    const Finished shots = run({"shot", "1", "--set", "1", "--count", "2", "--samples", "20",
                                "--json", "--output", folder.file("s.json")});
    ASSERT_EQ(shots.code, 0) << shots.err;
    EXPECT_EQ(nlohmann::json::parse(readFile(folder.file("s.json")))["shots"].size(), 2u);

    for (const char* sets : {"--set", "--sets"}) {
        const Finished stream = run({"stream", "1", sets, "1,3", "-n", "4", "--samples", "20",
                                     "--shot-rate", "2000", "-o", folder.file("c.k7")});
        EXPECT_EQ(stream.code, 0) << sets << ": " << stream.err;
        EXPECT_NE(stream.err.find("karvo7: 4 shots read"), std::string::npos) << stream.err;
    }
    const Finished help = run({"stream", "--help"});
    EXPECT_NE(help.out.find("--set"), std::string::npos);
    EXPECT_EQ(help.out.find("--sets"), std::string::npos) << "the former spelling is hidden";

    // Every subcommand that prints gives JSON when asked.
    const auto reset = nlohmann::json::parse(run({"reset", "1", "--json"}).out);
    EXPECT_EQ(reset["reset_ms"], 50);
    const Finished dsp =
        run({"dsp", "2", std::string(KARVO7_EXAMPLES) + "/KARVO7DSP.hex", "--json"});
    ASSERT_EQ(dsp.code, 0) << dsp.err;
    EXPECT_EQ(nlohmann::json::parse(dsp.out)["card"], 2);
    const Finished byte = run({"eeprom", "1", "--write", "0x7F0", "0x5A", "--yes", "--json"});
    ASSERT_EQ(byte.code, 0) << byte.err;
    EXPECT_EQ(nlohmann::json::parse(byte.out),
              (nlohmann::json{{"card", 1}, {"offset", 0x7F0}, {"value", 0x5A}}));
}

TEST_F(CommandLineTest, EverySubcommandTellsTheOneVersion) {
    const Finished program = run({"--version"});
    EXPECT_EQ(program.code, 0);
    EXPECT_EQ(program.out, karvo7::versionText() + "\n");
    // One version for the tool, the card library and the decoder.
    const std::string version = program.out.substr(7, program.out.find(' ', 7) - 7);
    EXPECT_EQ(program.out,
              "karvo7 " + version + " (card library " + version + ", decoder " + version + ")\n");
    EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 2) << version;
    for (const char* command : {"list", "info", "stream", "decode"}) {
        const Finished f = run({command, "--version"});
        EXPECT_EQ(f.code, 0) << command;
        EXPECT_EQ(f.out, program.out) << command;
    }
}

TEST_F(CommandLineTest, CardChosenByItsPciPositionAsLspciWritesIt) {
    const Finished pci = run({"pci", "--slot", "01:0d"});
    ASSERT_EQ(pci.code, 0) << pci.err;
    EXPECT_EQ(pci.out.rfind("01:0d.0 Class", 0), 0u) << pci.out;
    const auto info = nlohmann::json::parse(run({"info", "--slot", "0000:01:0c.0", "--json"}).out);
    EXPECT_EQ(info["card"], 1);
    // With --slot the first number is a test, not a card.
    const Finished test = run({"selftest", "--slot", "1:d", "3"});
    EXPECT_EQ(test.code, 0) << test.err;
    EXPECT_EQ(test.out, "3 pass Aufnahme-FIFO: OK\n");
    const Finished write = run({"reg", "--slot", "01:0c", "1030", "0x0123"});
    EXPECT_EQ(write.code, 0) << write.err;
    EXPECT_EQ(write.out, "1030  0x0123  analog\n");
    // Every word after the subcommand is its own: a file, a register to read, checks.
    const Finished read = run({"reg", "--slot", "01:0c", "1030"});
    EXPECT_EQ(read.code, 0) << read.err;
    EXPECT_EQ(read.out.rfind("1030  0x", 0), 0u) << read.out;
    const Finished dsp =
        run({"dsp", "--slot", "01:0d", std::string(KARVO7_EXAMPLES) + "/KARVO7DSP.hex", "--json"});
    ASSERT_EQ(dsp.code, 0) << dsp.err;
    EXPECT_EQ(nlohmann::json::parse(dsp.out)["card"], 2);
    const Finished checks = run({"check", "--slot", "01:0c", "lca", "pci-config", "--json"});
    EXPECT_NE(checks.code, 2) << checks.err;  // ran (without references a check may fail)
    EXPECT_EQ(nlohmann::json::parse(checks.out).size(), 2u) << checks.out;

    struct Case {
        std::vector<std::string> arguments;
        int code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"info", "--slot", "01:0f"}, 3, "no card at 01:0f"},
        {{"info", "--slot", "1.12"}, 2, "--slot takes BUS:SLOT"},
        {{"info", "--slot", "01:0c.1"}, 2, "--slot takes BUS:SLOT"},
        {{"info", "1", "--slot", "01:0c"}, 2, "not both"},
        {{"dsp", "--slot", "01:0c", "1", "p.hex"}, 2, "not both"},
        {{"info", "--slot", "01:0c", "--colour"}, 2, "unknown option --colour"},
    };
    for (const Case& c : cases) {
        const Finished f = run(c.arguments);
        EXPECT_EQ(f.code, c.code) << c.message << ": " << f.err;
        EXPECT_NE(f.err.find(c.message), std::string::npos) << f.err;
        expectPrefixed(f.err);
    }
}

TEST_F(CommandLineTest, ValuesTheCardCannotTakeAreRefusedNamingTheirRange) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"shot", "1", "--set", "1", "--gain", "1000"}, "--gain must be 0 to 80 dB on card 1"},
        {{"shot", "1", "--set", "1", "--shot-rate", "0"}, "--shot-rate must be 1 to 20000"},
        {{"stream", "1", "-n", "5", "--shot-rate", "20001", "-o", "-"},
         "--shot-rate must be 1 to 20000 shots a second on card 1"},
        {{"stream", "1", "--seconds", "inf", "-o", "-"}, "--seconds must be above 0 and at most"},
        {{"stream", "1", "--seconds", "nan", "-o", "-"}, "--seconds must be above 0 and at most"},
    };
    for (const Case& c : cases) {
        const Finished f = run(c.arguments);
        EXPECT_EQ(f.code, 2) << c.message << ": " << f.err;
        EXPECT_NE(f.err.find(c.message), std::string::npos) << f.err;
        EXPECT_EQ(f.out, "");
        expectPrefixed(f.err);
    }
}

TEST_F(CommandLineTest, StreamOnACardWithOneSetTakesSetZero) {
    const Finished f = run({"stream", "1", "-n", "3", "--samples", "20", "--shot-rate", "2000",
                            "-o", folder.file("c.k7")},
                           "[Card1]\nversion3 = no\n");
    EXPECT_EQ(f.code, 0) << f.err;
    // The capture's header, then three shots of native 16-bit samples.
    const std::string capture = readFile(folder.file("c.k7"));
    EXPECT_EQ(capture.size(), KARVO7STREAM_CAPTURE_HEADER_BYTES + 3u * 40u);
    // The header says what the card delivered: the native layout, 20 samples a shot, so that
    // decode reads the capture back without options.
    KARVO7StreamCapture header{};
    header.struct_size = sizeof header;
    ASSERT_EQ(KARVO7StreamReadCapture(capture.data(), capture.size(), &header), KARVO7STREAM_OK);
    EXPECT_EQ(header.layout, KARVO7STREAM_LAYOUT_NATIVE);
    EXPECT_EQ(header.samples_per_shot, 20u);
    const Finished decoded = run({"decode", folder.file("c.k7")}, "[Card1]\nversion3 = no\n");
    EXPECT_EQ(decoded.code, 0) << decoded.err;
    EXPECT_EQ(std::count(decoded.out.begin(), decoded.out.end(), '\n'), 4) << decoded.out;
    // Gate results need the record layout, which the card does not have.
    const Finished results = run({"stream", "1", "-n", "3", "--results", "-o", folder.file("r.k7")},
                                 "[Card1]\nversion3 = no\n");
    EXPECT_EQ(results.code, 2) << results.err;
    EXPECT_NE(results.err.find("delivers the native layout only"), std::string::npos)
        << results.err;
}

TEST_F(CommandLineTest, AWriteTheRegisterDoesNotKeepIsAFailure) {
    // The bridge's master status keeps only some of its bits and adds its FIFO flags.
    const Finished f = run({"reg", "1", "0x3C", "0x1"});
    EXPECT_EQ(f.code, 1) << f.err;
    EXPECT_NE(f.err.find("karvo7: register 0x3C: wrote 0x00000001, reads back 0x"),
              std::string::npos)
        << f.err;
    EXPECT_EQ(f.out.rfind("  60  0x", 0), 0u) << f.out;  // what the register holds now
}

TEST_F(CommandLineTest, SelfTestNineWithoutATerminalIsSkipped) {
    const Finished alone = run({"selftest", "1", "9"});
    EXPECT_EQ(alone.code, 1);
    EXPECT_EQ(alone.out, "9 skipped the DAC ramps need someone watching at a terminal\n");
    EXPECT_EQ(alone.err, "karvo7: no self test ran\n");
    const Finished json = run({"selftest", "1", "0", "9", "--json"});
    EXPECT_EQ(json.code, 0) << json.err;
    const auto results = nlohmann::json::parse(json.out);
    EXPECT_EQ(results[0]["passed"], true);
    EXPECT_EQ(results[1]["skipped"], true);
    EXPECT_TRUE(results[1]["passed"].is_null());
}

}  // namespace
}  // namespace tooltest
