#include "Cli.h"

#include <CLI/CLI.hpp>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "DecodeCommand.h"
#include "KARVO7Stream.h"
#include "Tool.h"

namespace karvo7 {

namespace {

// The most shots a command line asks for: single shots one by one, and a stream's (a year at
// the highest rate is 631 152 000 000 shots).
constexpr uint32_t kMostSingleShots = 100000000;
constexpr uint64_t kMostStreamShots = 1000000000000;

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

// The card a subcommand works on: its number N, or its PCI position with --slot. With --slot
// there is no N: every word on the line is the subcommand's own (a file, a register, tests).
struct CardChoice {
    CLI::App* command = nullptr;
    uint32_t* number = nullptr;
    OpenedCard* opened = nullptr;
    std::string text;  // N as given
    std::string slot;
};

// One subcommand: its options bound to the line's records, and what runs it once parsed.
struct Subcommand {
    CLI::App* command = nullptr;
    std::function<int()> run;
};

// Everything a command line fills: the options of every subcommand (stable: the options are
// bound to them), the card choices and the subcommands.
struct CommandLine {
    CommandLine(std::ostream& output, int outputFd, std::ostream& messages, bool slot)
        : out(output), outFd(outputFd), err(messages), slotGiven(slot) {}
    std::ostream& out;
    int outFd;
    std::ostream& err;
    bool slotGiven;  // --slot is on the line: no subcommand takes N
    std::deque<CardChoice> choices;
    std::vector<Subcommand> subcommands;
};

// Whether --slot stands on the line (before a "--" that ends the options).
bool slotOnLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--") {
            return false;
        }
        if (word == "--slot" || word.rfind("--slot=", 0) == 0) {
            return true;
        }
    }
    return false;
}

// The card of a subcommand whose options are `options` (their `card` and `opened`).
template <class Options>
void addCardChoice(CLI::App& command, Options& options, CommandLine& line) {
    CardChoice& choice = line.choices.emplace_back();
    choice.command = &command;
    choice.number = &options.card;
    choice.opened = &options.opened;
    if (!line.slotGiven) {
        command.add_option("N", choice.text, "card number, as karvo7 list shows it");
    } else {
        // A number where N would stand is taken apart from the subcommand's own words below.
        command.allow_extras();
    }
    command.add_option("--slot", choice.slot,
                       "the card at this PCI position, BUS:SLOT in hexadecimal as lspci -s takes "
                       "it (01:0c)");
}

// Fills the card of the subcommand given: N, or the card at --slot (found and left open).
bool chooseCard(CardChoice& choice, std::ostream& err, int& exitCode) {
    exitCode = kExitUsage;
    if (choice.slot.empty()) {
        const bool numbered = choice.command->count("N") > 0;
        const std::optional<uint64_t> n = parseNumber(choice.text, UINT32_MAX);
        if (!numbered || !n) {
            complain(err, numbered ? "not a card number: '" + choice.text + "'"
                                   : "N is required: a card number, or --slot BUS:SLOT");
            return false;
        }
        *choice.number = static_cast<uint32_t>(*n);
        return true;
    }
    for (const std::string& word : choice.command->remaining()) {
        complain(err, word.rfind('-', 0) == 0 ? "unknown option " + word
                                              : "give the card as N or as --slot, not both");
        return false;
    }
    const std::optional<PciPosition> position = parsePciPosition(choice.slot);
    if (!position) {
        complain(err, "--slot takes BUS:SLOT in hexadecimal as lspci -s does (01:0c), not '" +
                          choice.slot + "'");
        return false;
    }
    return findCardAt(*position, *choice.number, *choice.opened, err, exitCode);
}

// ---- the subcommands, one each: their options, and what runs them ---------------------------

void addList(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<ListOptions>();
    CLI::App* command = app.add_subcommand("list", "every card: number, bus, slot, type");
    command->add_flag("--json", options->json, "JSON output");
    line.subcommands.push_back(
        {command, [options, &line] { return runList(*options, line.out, line.err); }});
}

// info, reset and pci: a card and --json.
void addCardCommand(CLI::App& app, CommandLine& line, const char* name, const char* what,
                    int (*run)(const CardOptions&, std::ostream&, std::ostream&)) {
    auto options = std::make_shared<CardOptions>();
    CLI::App* command = app.add_subcommand(name, what);
    addCardChoice(*command, *options, line);
    command->add_flag("--json", options->json, "JSON output");
    line.subcommands.push_back(
        {command, [options, run, &line] { return run(*options, line.out, line.err); }});
}

void addDsp(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<DspOptions>();
    CLI::App* command = app.add_subcommand("dsp", "load a DSP program (.hex or .bin)");
    addCardChoice(*command, *options, line);
    command->add_option("FILE", options->file, "program file")->required();
    command->add_flag("--json", options->json, "JSON output");
    line.subcommands.push_back({command, [options, &line] {
                                    options->progress = progressWanted();
                                    return runDsp(*options, line.out, line.err);
                                }});
}

void addSelftest(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<SelftestOptions>();
    auto words = std::make_shared<std::vector<std::string>>();
    CLI::App* command = app.add_subcommand(
        "selftest", "run the card's self tests (default: all but 9, the DAC ramps)");
    addCardChoice(*command, *options, line);
    command->add_option("TEST", *words, "self tests to run (0-12)");
    command->add_flag("--json", options->json, "JSON output");
    line.subcommands.push_back(
        {command, [options, words, &line] {
             for (const std::string& word : *words) {
                 const std::optional<uint64_t> t = parseNumber(word, UINT32_MAX);
                 if (!t) {
                     complain(line.err, "not a self test number: '" + word + "'");
                     return kExitUsage;
                 }
                 options->tests.push_back(static_cast<uint32_t>(*t));
             }
             return runSelftest(*options, line.out, line.err);
         }});
}

void addCheck(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* command = app.add_subcommand(
        "check", "run the check program's station checks on one card (exit 1 when one fails)");
    addCardChoice(*command, *options, line);
    command->add_option(
        "CHECK", options->checks,
        "checks to run: " + stationCheckWords() + " (default: those the parameter file selects)");
    command->add_option("--ini", options->ini, "parameter file with the reference values");
    command->add_flag("--json", options->json, "JSON output");
    line.subcommands.push_back(
        {command, [options, &line] { return runCheck(*options, line.out, line.err); }});
}

void addRegs(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<RegsOptions>();
    CLI::App* command = app.add_subcommand("regs", "read every register of an LCA");
    addCardChoice(*command, *options, line);
    command->add_option("--lca", options->lca, "control (default) or data");
    command->add_flag("--json", options->json, "JSON output");
    line.subcommands.push_back(
        {command, [options, &line] { return runRegs(*options, line.out, line.err); }});
}

void addReg(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<RegOptions>();
    auto value = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("reg", "read or write one register");
    addCardChoice(*command, *options, line);
    command->add_option("ADDRESS", options->address, "register number (decimal or 0x...)")
        ->required();
    CLI::Option* valueOption = command->add_option("VALUE", *value, "value to write");
    command->add_flag("--json", options->json, "JSON output");
    line.subcommands.push_back({command, [options, value, valueOption, &line] {
                                    if (valueOption->count() > 0) {
                                        options->value = *value;
                                    }
                                    return runReg(*options, line.out, line.err);
                                }});
}

void addEeprom(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<EepromOptions>();
    CLI::App* command =
        app.add_subcommand("eeprom", "dump the PCI bridge EEPROM, or write one byte");
    addCardChoice(*command, *options, line);
    command->add_option("--write", options->write, "OFFSET VALUE: write one byte")->expected(2);
    command->add_flag("--yes,-y", options->yes, "write without asking");
    command->add_flag("--json", options->json, "JSON output");
    line.subcommands.push_back(
        {command, [options, &line] { return runEeprom(*options, line.out, line.err); }});
}

// The words of shot and stream that become their set's overrides after the parse.
struct SetWords {
    std::string layout;
    std::string trigger;
};

void addShot(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<ShotOptions>();
    auto words = std::make_shared<SetWords>();
    auto format = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    CLI::App* command = app.add_subcommand("shot", "single shots of one parameter set");
    addCardChoice(*command, *options, line);
    command->add_option("--set", options->set, "parameter set (0-7)")->required();
    command->add_option("--count,-n", options->count, "number of shots (default 1)")
        ->check(CLI::Range(1u, kMostSingleShots));
    command->add_option("--output,-o", options->output,
                        "output file, - for standard output (default)");
    command->add_option("--format", *format, "csv, raw or json (default: by -o's name, csv)")
        ->check(CLI::IsMember({"csv", "raw", "json"}));
    command->add_flag("--json", *json, "JSON output (--format json)");
    addSetOptions(*command, options->overrides, words->layout, words->trigger);
    line.subcommands.push_back({command, [options, words, format, json, &line] {
                                    finishSetOptions(options->overrides, words->layout,
                                                     words->trigger);
                                    if (*json) {
                                        if (!format->empty() && *format != "json") {
                                            complain(line.err, "--json and --format " + *format +
                                                                   " contradict each other");
                                            return kExitUsage;
                                        }
                                        *format = "json";
                                    }
                                    if (!format->empty()) {
                                        options->format = *format == "raw"    ? ShotFormat::Raw
                                                          : *format == "json" ? ShotFormat::Json
                                                                              : ShotFormat::Csv;
                                    }
                                    return runShot(*options, line.out, line.err);
                                }});
}

void addStream(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<StreamOptions>();
    auto words = std::make_shared<SetWords>();
    auto sets = std::make_shared<std::string>();
    CLI::App* command =
        app.add_subcommand("stream", "continuous block measurement into a file or stdout");
    addCardChoice(*command, *options, line);
    command->add_option("--set", *sets,
                        "parameter sets taking part, e.g. 1,3 (default: 1, or 0 on a card "
                        "that holds one set)");
    command->add_option("--sets", *sets)->group("");  // the former spelling
    command->add_option("--seconds", options->seconds, "measure this long");
    // A count that never ends (-1 read as the largest number) is no count.
    command->add_option("--count,-n", options->count, "measure this many shots")
        ->check(CLI::Range(uint64_t{1}, kMostStreamShots));
    command->add_option("--output,-o", options->output, "output file, - for standard output")
        ->required();
    command->add_flag("--results", options->results,
                      "record the card's gate results between the shots (record layout)");
    addSetOptions(*command, options->overrides, words->layout, words->trigger);
    line.subcommands.push_back(
        {command, [options, words, sets, command, &line] {
             finishSetOptions(options->overrides, words->layout, words->trigger);
             const bool given = command->count("--set") + command->count("--sets") > 0;
             if (!parseSetList(*sets, 0, 0xFF, options->sets, line.err, "--set")) {
                 return kExitUsage;
             }
             if (given && options->sets.empty()) {
                 complain(line.err, "--set names no set");
                 return kExitUsage;
             }
             options->progress = progressWanted();
             line.out.flush();
             return runStream(*options, line.outFd, line.err);
         }});
}

void addDecode(CLI::App& app, CommandLine& line) {
    auto options = std::make_shared<DecodeOptions>();
    auto layout = std::make_shared<std::string>("record");
    auto gateSets = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("decode", "a captured stream as CSV or JSON lines");
    command->add_option("FILE", options->file, "captured stream, - for standard input")->required();
    command->add_option("--layout", *layout, "record (default) or native")
        ->check(CLI::IsMember({"record", "native"}));
    command->add_flag("--8bit", options->eightBit, "native samples are 8 bits wide");
    command->add_flag("--json", options->json, "JSON lines instead of CSV");
    command->add_option("--gate-sets", *gateSets,
                        "native layout: the data are compact gate entries of these sets, "
                        "e.g. 1,3");
    command
        ->add_option("--samples", options->samplesPerShot,
                     "native samples: cut into shots of this many samples")
        ->check(CLI::Range(1u, KARVO7STREAM_SHOT_SAMPLES_MAX));
    line.subcommands.push_back(
        {command, [options, layout, gateSets, &line] {
             options->layout = *layout == "native" ? DecodeOptions::Layout::Native
                                                   : DecodeOptions::Layout::Record;
             std::vector<uint32_t> sets;
             if (!parseSetList(*gateSets, 1, 6, sets, line.err, "--gate-sets")) {
                 return kExitUsage;
             }
             for (uint32_t s : sets) {
                 options->nativeGateSets |= 1u << s;
             }
             return runDecode(*options, line.out, line.err);
         }});
}

// Parses the line; the exit code when it is done with that (help, version, a usage error).
std::optional<int> parse(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                         std::ostream& err) {
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
    } catch (const CLI::CallForHelp&) {
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
    return std::nullopt;
}

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

    CommandLine line(out, outFd, err, slotOnLine(argc, argv));
    addList(app, line);
    addCardCommand(app, line, "info", "configuration record, versions, temperature, voltages",
                   runInfo);
    addCardCommand(app, line, "reset", "reset the card and warm it up", runReset);
    addDsp(app, line);
    addSelftest(app, line);
    addCheck(app, line);
    addRegs(app, line);
    addReg(app, line);
    addCardCommand(app, line, "pci", "PCI configuration space, as lspci -xxx", runPci);
    addEeprom(app, line);
    addShot(app, line);
    addStream(app, line);
    addDecode(app, line);
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        command->set_version_flag("--version", version);
    }

    if (const std::optional<int> done = parse(app, argc, argv, out, err)) {
        return *done;
    }
    for (CardChoice& choice : line.choices) {
        int exitCode = kExitDone;
        if (choice.command->parsed() && !chooseCard(choice, err, exitCode)) {
            return exitCode;
        }
    }
    for (const Subcommand& subcommand : line.subcommands) {
        if (subcommand.command->parsed()) {
            return subcommand.run();
        }
    }
    return kExitUsage;
}

}  // namespace

// No failure leaves the program as an uncaught exception (an abort with a core): memory running
// out, or anything else thrown, ends the command with a message and exit code 1.
int runCommandLine(int argc, const char* const* argv, std::ostream& out, int outFd,
                   std::ostream& err) {
    try {
        return runSubcommand(argc, argv, out, outFd, err);
    } catch (const std::bad_alloc&) {
        // No text is built here: there may be no memory for it.
        err << "karvo7: out of memory\n" << std::flush;
    } catch (const std::exception& e) {
        err << "karvo7: " << e.what() << '\n' << std::flush;
    }
    return kExitFailed;
}

}  // namespace karvo7
