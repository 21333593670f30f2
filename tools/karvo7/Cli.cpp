#include "Cli.h"

#include <CLI/CLI.hpp>
#include <deque>
#include <functional>
#include <new>
#include <sstream>

#include "Commands.h"
#include "DecodeCommand.h"
#include "KARVO7Stream.h"
#include "Tool.h"

namespace karvo7 {

namespace {

// The options that change a parameter set, shared by shot and stream.
void addSetOptions(CLI::App& command, SetOverrides& o, std::string& layout, std::string& trigger) {
    command.add_option("--ini", o.ini, "parameter file with \"Karte%d-Satz%d\" sections")
        ->check(CLI::ExistingFile);
    command.add_option("--samples", o.samples, "samples a shot records (1-65535)");
    command.add_option("--rate", o.samplerate, "sampling rate index (0-7)");
    command.add_option("--gain", o.gainDb, "gain in dB");
    command.add_option("--delay", o.delay, "record delay in samples");
    command.add_option("--shot-rate", o.shotRate, "shots a second (the set's IFF)");
    command.add_option("--trigger", trigger, "internal or external trigger")
        ->check(CLI::IsMember({"internal", "external"}));
    command.add_flag("--8bit", o.eightBit, "8-bit samples");
    command.add_option("--layout", layout, "data layout: record (default) or native")
        ->check(CLI::IsMember({"record", "native"}));
}

void finishSetOptions(SetOverrides& o, const std::string& layout, const std::string& trigger) {
    if (!layout.empty()) {
        o.layout = layout == "native" ? Layout::Native : Layout::Record;
    }
    if (!trigger.empty()) {
        o.externalTrigger = trigger == "external";
    }
}

// A list of set numbers such as "1,3" ("" is no set). False, with a message, for anything else.
bool parseSetList(const std::string& text, uint32_t low, uint32_t high, std::vector<uint32_t>& sets,
                  std::ostream& err, const char* option) {
    sets.clear();
    if (text.empty()) {
        return true;
    }
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        const std::optional<uint64_t> s = parseNumber(item, high);
        if (!s || *s < low) {
            complain(err, std::string(option) + ": not a set number: '" + item + "'");
            return false;
        }
        sets.push_back(static_cast<uint32_t>(*s));
    }
    return true;
}

// The card a subcommand works on: its number N, or its PCI position with --slot.
struct CardChoice {
    CLI::App* command = nullptr;
    uint32_t* number = nullptr;
    // Takes a word the command line put where N stands as the first of the words after N;
    // false when the subcommand has no room for it.
    std::function<bool(const std::string&)> shift;
    std::string text;  // N as given
    std::string slot;
};

// Stable elements: the options are bound to their members.
using CardChoices = std::deque<CardChoice>;

// A shift for a subcommand whose words after N are a list.
std::function<bool(const std::string&)> shiftInto(std::vector<std::string>& words) {
    return [&words](const std::string& word) {
        words.insert(words.begin(), word);
        return true;
    };
}

void addCardChoice(CLI::App& command, uint32_t& number, CardChoices& choices,
                   std::function<bool(const std::string&)> shift = {}) {
    CardChoice& choice = choices.emplace_back();
    choice.command = &command;
    choice.number = &number;
    choice.shift = std::move(shift);
    command.add_option("N", choice.text, "card number, as karvo7 list shows it");
    command.add_option("--slot", choice.slot,
                       "the card at this PCI position, BUS:SLOT in hexadecimal as lspci -s takes "
                       "it (01:0c)");
}

// Fills the card number of the subcommand given: N, or the number of the card at --slot. With
// --slot a word where N would be is the first of the subcommand's list (self tests, checks).
bool chooseCard(CardChoice& choice, std::ostream& err, int& exitCode) {
    const bool numbered = choice.command->count("N") > 0;
    exitCode = kExitUsage;
    if (choice.slot.empty()) {
        const std::optional<uint64_t> n = parseNumber(choice.text, UINT32_MAX);
        if (!numbered || !n) {
            complain(err, numbered ? "not a card number: '" + choice.text + "'"
                                   : "N is required: a card number, or --slot BUS:SLOT");
            return false;
        }
        *choice.number = static_cast<uint32_t>(*n);
        return true;
    }
    if (numbered && (!choice.shift || !choice.shift(choice.text))) {
        complain(err, "give the card as N or as --slot, not both");
        return false;
    }
    const std::optional<PciPosition> position = parsePciPosition(choice.slot);
    if (!position) {
        complain(err, "--slot takes BUS:SLOT in hexadecimal as lspci -s does (01:0c), not '" +
                          choice.slot + "'");
        return false;
    }
    return findCardAt(*position, *choice.number, err, exitCode);
}

int runSubcommand(int argc, const char* const* argv, std::ostream& out, int outFd,
                  std::ostream& err);

}  // namespace

// No failure leaves the program as an uncaught exception (an abort with a core): memory running
// out, or anything else thrown, ends the command with a message and exit code 1.
int runCommandLine(int argc, const char* const* argv, std::ostream& out, int outFd,
                   std::ostream& err) {
    try {
        const int code = runSubcommand(argc, argv, out, outFd, err);
        forgetFoundCard();
        return code;
    } catch (const std::bad_alloc&) {
        // No text is built here: there may be no memory for it.
        err << "karvo7: out of memory\n" << std::flush;
    } catch (const std::exception& e) {
        err << "karvo7: " << e.what() << '\n' << std::flush;
    }
    return kExitFailed;
}

namespace {

int runSubcommand(int argc, const char* const* argv, std::ostream& out, int outFd,
                  std::ostream& err) {
    CLI::App app{"karvo7 - the KARVO7 ultrasonic test cards at a terminal", "karvo7"};
    app.require_subcommand(1);
    app.fallthrough(false);
    // Options are "-x" and "--name" everywhere: on Windows too, "/name" is a file's name (a
    // folder of the current drive), never an option.
    app.allow_windows_style_options(false);
    const std::string version = versionText();
    app.set_version_flag("--version", version);
    app.footer(
        "Exit codes: 0 done, 1 failed, 2 usage, 3 no such card. Data goes to standard output,\n"
        "messages to standard error. KARVO7_SIM=2 runs on two simulated cards.");
    CardChoices choices;

    ListOptions list;
    CLI::App* listCmd = app.add_subcommand("list", "every card: number, bus, slot, type");
    listCmd->add_flag("--json", list.json, "JSON output");

    CardOptions info, reset, pci;
    CLI::App* infoCmd =
        app.add_subcommand("info", "configuration record, versions, temperature, voltages");
    addCardChoice(*infoCmd, info.card, choices);
    infoCmd->add_flag("--json", info.json, "JSON output");

    CLI::App* resetCmd = app.add_subcommand("reset", "reset the card and warm it up");
    addCardChoice(*resetCmd, reset.card, choices);
    resetCmd->add_flag("--json", reset.json, "JSON output");

    DspOptions dsp;
    CLI::App* dspCmd = app.add_subcommand("dsp", "load a DSP program (.hex or .bin)");
    addCardChoice(*dspCmd, dsp.card, choices);
    dspCmd->add_option("FILE", dsp.file, "program file")->required();
    dspCmd->add_flag("--json", dsp.json, "JSON output");

    SelftestOptions selftest;
    std::vector<std::string> selftestWords;
    CLI::App* selftestCmd = app.add_subcommand(
        "selftest", "run the card's self tests (default: all but 9, the DAC ramps)");
    addCardChoice(*selftestCmd, selftest.card, choices, shiftInto(selftestWords));
    selftestCmd->add_option("TEST", selftestWords, "self tests to run (0-12)");
    selftestCmd->add_flag("--json", selftest.json, "JSON output");

    CheckOptions check;
    CLI::App* checkCmd = app.add_subcommand(
        "check", "run the check program's station checks on one card (exit 1 when one fails)");
    addCardChoice(*checkCmd, check.card, choices, shiftInto(check.checks));
    checkCmd->add_option("CHECK", check.checks,
                         "checks to run: pci-config, pci-eeprom, pci-operation, kennung, lca, dsp, "
                         "selftest, command (default: those the parameter file selects)");
    checkCmd->add_option("--ini", check.ini, "parameter file with the reference values");
    checkCmd->add_flag("--json", check.json, "JSON output");

    RegsOptions regs;
    CLI::App* regsCmd = app.add_subcommand("regs", "read every register of an LCA");
    addCardChoice(*regsCmd, regs.card, choices);
    regsCmd->add_option("--lca", regs.lca, "control (default) or data");
    regsCmd->add_flag("--json", regs.json, "JSON output");

    RegOptions reg;
    std::string regValue;
    CLI::App* regCmd = app.add_subcommand("reg", "read or write one register");
    CLI::Option* valueOpt = nullptr;
    addCardChoice(*regCmd, reg.card, choices, [&](const std::string& word) {
        if (valueOpt->count() > 0) {
            return false;
        }
        reg.value = reg.address;
        reg.address = word;
        return true;
    });
    regCmd->add_option("ADDRESS", reg.address, "register number (decimal or 0x...)")->required();
    valueOpt = regCmd->add_option("VALUE", regValue, "value to write");
    regCmd->add_flag("--json", reg.json, "JSON output");

    CLI::App* pciCmd = app.add_subcommand("pci", "PCI configuration space, as lspci -xxx");
    addCardChoice(*pciCmd, pci.card, choices);
    pciCmd->add_flag("--json", pci.json, "JSON output");

    EepromOptions eeprom;
    CLI::App* eepromCmd =
        app.add_subcommand("eeprom", "dump the PCI bridge EEPROM, or write one byte");
    addCardChoice(*eepromCmd, eeprom.card, choices);
    eepromCmd->add_option("--write", eeprom.write, "OFFSET VALUE: write one byte")->expected(2);
    eepromCmd->add_flag("--yes,-y", eeprom.yes, "write without asking");
    eepromCmd->add_flag("--json", eeprom.json, "JSON output");

    ShotOptions shot;
    std::string shotLayout, shotTrigger, shotFormat;
    bool shotJson = false;
    CLI::App* shotCmd = app.add_subcommand("shot", "single shots of one parameter set");
    addCardChoice(*shotCmd, shot.card, choices);
    shotCmd->add_option("--set", shot.set, "parameter set (0-7)")->required();
    shotCmd->add_option("--count,-n", shot.count, "number of shots (default 1)");
    shotCmd->add_option("--output,-o", shot.output, "output file, - for standard output (default)");
    shotCmd->add_option("--format", shotFormat, "csv, raw or json (default: by -o's name, csv)")
        ->check(CLI::IsMember({"csv", "raw", "json"}));
    shotCmd->add_flag("--json", shotJson, "JSON output (--format json)");
    addSetOptions(*shotCmd, shot.overrides, shotLayout, shotTrigger);

    StreamOptions stream;
    std::string streamLayout, streamTrigger, setsText;
    CLI::App* streamCmd =
        app.add_subcommand("stream", "continuous block measurement into a file or stdout");
    addCardChoice(*streamCmd, stream.card, choices);
    streamCmd->add_option("--set", setsText,
                          "parameter sets taking part, e.g. 1,3 (default: 1, or 0 on a card "
                          "that holds one set)");
    streamCmd->add_option("--sets", setsText)->group("");  // the former spelling
    streamCmd->add_option("--seconds", stream.seconds, "measure this long");
    streamCmd->add_option("--count,-n", stream.count, "measure this many shots");
    streamCmd->add_option("--output,-o", stream.output, "output file, - for standard output")
        ->required();
    streamCmd->add_flag("--results", stream.results,
                        "record the card's gate results between the shots (record layout)");
    addSetOptions(*streamCmd, stream.overrides, streamLayout, streamTrigger);

    DecodeOptions decode;
    std::string decodeLayout = "record";
    std::string nativeGateSets;
    CLI::App* decodeCmd = app.add_subcommand("decode", "a captured stream as CSV or JSON lines");
    decodeCmd->add_option("FILE", decode.file, "captured stream, - for standard input")->required();
    decodeCmd->add_option("--layout", decodeLayout, "record (default) or native")
        ->check(CLI::IsMember({"record", "native"}));
    decodeCmd->add_flag("--8bit", decode.eightBit, "native samples are 8 bits wide");
    decodeCmd->add_flag("--json", decode.json, "JSON lines instead of CSV");
    decodeCmd->add_option("--gate-sets", nativeGateSets,
                          "native layout: the data are compact gate entries of these sets, "
                          "e.g. 1,3");
    decodeCmd
        ->add_option("--samples", decode.samplesPerShot,
                     "native samples: cut into shots of this many samples")
        ->check(CLI::Range(1u, KARVO7STREAM_SHOT_SAMPLES_MAX));

    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        command->set_version_flag("--version", version);
    }

    bool known = false;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        known = known || (argc > 1 && command->check_name(argv[1]));
    }
    if (argc > 1 && argv[1][0] != '-' && !known) {
        complain(err, std::string("unknown subcommand '") + argv[1] +
                          "'; run 'karvo7 --help' for the subcommands");
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        out << app.help();
        return kExitDone;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << '\n';
        return kExitDone;
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            // Help of a subcommand.
            std::ostringstream help;
            app.exit(e, help, err);
            out << help.str();
            return kExitDone;
        }
        complain(err, std::string(e.what()) + "; run 'karvo7 --help' for the subcommands");
        return kExitUsage;
    }
    for (CardChoice& choice : choices) {
        int exitCode = kExitDone;
        if (choice.command->parsed() && !chooseCard(choice, err, exitCode)) {
            return exitCode;
        }
    }

    if (listCmd->parsed())
        return runList(list, out, err);
    if (infoCmd->parsed())
        return runInfo(info, out, err);
    if (resetCmd->parsed())
        return runReset(reset, out, err);
    if (dspCmd->parsed()) {
        dsp.progress = progressWanted();
        return runDsp(dsp, out, err);
    }
    if (selftestCmd->parsed()) {
        for (const std::string& word : selftestWords) {
            const std::optional<uint64_t> t = parseNumber(word, UINT32_MAX);
            if (!t) {
                complain(err, "not a self test number: '" + word + "'");
                return kExitUsage;
            }
            selftest.tests.push_back(static_cast<uint32_t>(*t));
        }
        return runSelftest(selftest, out, err);
    }
    if (checkCmd->parsed())
        return runCheck(check, out, err);
    if (regsCmd->parsed())
        return runRegs(regs, out, err);
    if (regCmd->parsed()) {
        if (valueOpt->count() > 0) {
            reg.value = regValue;
        }
        return runReg(reg, out, err);
    }
    if (pciCmd->parsed())
        return runPci(pci, out, err);
    if (eepromCmd->parsed())
        return runEeprom(eeprom, out, err);
    if (shotCmd->parsed()) {
        finishSetOptions(shot.overrides, shotLayout, shotTrigger);
        if (shotJson) {
            if (!shotFormat.empty() && shotFormat != "json") {
                complain(err, "--json and --format " + shotFormat + " contradict each other");
                return kExitUsage;
            }
            shotFormat = "json";
        }
        if (!shotFormat.empty()) {
            shot.format = shotFormat == "raw"    ? ShotFormat::Raw
                          : shotFormat == "json" ? ShotFormat::Json
                                                 : ShotFormat::Csv;
        }
        return runShot(shot, out, err);
    }
    if (streamCmd->parsed()) {
        finishSetOptions(stream.overrides, streamLayout, streamTrigger);
        const bool setsGiven = streamCmd->count("--set") + streamCmd->count("--sets") > 0;
        if (!parseSetList(setsText, 0, 0xFF, stream.sets, err, "--set")) {
            return kExitUsage;
        }
        if (setsGiven && stream.sets.empty()) {
            complain(err, "--set names no set");
            return kExitUsage;
        }
        stream.progress = progressWanted();
        out.flush();
        return runStream(stream, outFd, err);
    }
    if (decodeCmd->parsed()) {
        decode.layout = decodeLayout == "native" ? DecodeOptions::Layout::Native
                                                 : DecodeOptions::Layout::Record;
        std::vector<uint32_t> gateSets;
        if (!parseSetList(nativeGateSets, 1, 6, gateSets, err, "--gate-sets")) {
            return kExitUsage;
        }
        for (uint32_t s : gateSets) {
            decode.nativeGateSets |= 1u << s;
        }
        return runDecode(decode, out, err);
    }
    return kExitUsage;
}

}  // namespace

}  // namespace karvo7
