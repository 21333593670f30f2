// The subcommands of karvo7 as functions: each takes its options, writes its data to `out` and
// its messages to `err`, and returns the program's exit code. The command line (Cli.cpp) only
// fills the options; the card it chose (number, and the card itself when it had to open it to
// find it) comes with them.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "SetOptions.h"
#include "Tool.h"
#include "card/CardReset.h"

namespace karvo7 {

struct ListOptions {
    bool json = false;
};
int runList(const ListOptions& options, std::ostream& out, std::ostream& err);

struct CardOptions {
    uint32_t card = 0;
    bool json = false;
    OpenedCard opened;  // the card, when choosing it by its PCI position opened it
};
int runInfo(const CardOptions& options, std::ostream& out, std::ostream& err);
int runReset(const CardOptions& options, std::ostream& out, std::ostream& err);
int runPci(const CardOptions& options, std::ostream& out, std::ostream& err);

struct DspOptions {
    uint32_t card = 0;
    std::string file;
    bool json = false;
    bool progress = false;  // a progress line on `err`
    OpenedCard opened;      // the card, when choosing it by its PCI position opened it
};
int runDsp(const DspOptions& options, std::ostream& out, std::ostream& err);
// Why a reset with its warm-up left the card down (`polls` of 10 ms given); empty when it did not.
std::string readinessFailure(const k7check::ResetWarmUpOutcome& outcome, uint32_t polls);

struct SelftestOptions {
    uint32_t card = 0;
    std::vector<uint32_t> tests;  // empty: every test but the DAC ramps, which need an observer
    bool json = false;
    OpenedCard opened;  // the card, when choosing it by its PCI position opened it
};
int runSelftest(const SelftestOptions& options, std::ostream& out, std::ostream& err);

struct CheckOptions {
    uint32_t card = 0;
    std::vector<std::string> checks;  // empty: those the parameter file selects
    std::string ini;                  // parameter file; empty: none (no reference values)
    bool json = false;
    OpenedCard opened;  // the card, when choosing it by its PCI position opened it
};
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);
// The station checks' words in "Check All"'s order, ", " between them.
std::string stationCheckWords();

struct RegsOptions {
    uint32_t card = 0;
    std::string lca = "control";  // "control" or "data"
    bool json = false;
    OpenedCard opened;  // the card, when choosing it by its PCI position opened it
};
int runRegs(const RegsOptions& options, std::ostream& out, std::ostream& err);

struct RegOptions {
    uint32_t card = 0;
    std::string address;
    std::optional<std::string> value;  // a write when given
    bool json = false;
    OpenedCard opened;  // the card, when choosing it by its PCI position opened it
};
int runReg(const RegOptions& options, std::ostream& out, std::ostream& err);

struct EepromOptions {
    uint32_t card = 0;
    bool json = false;
    std::vector<std::string> write;  // OFFSET VALUE: a byte write when given
    bool yes = false;                // write without asking
    OpenedCard opened;               // the card, when choosing it by its PCI position opened it
};
int runEeprom(const EepromOptions& options, std::ostream& out, std::ostream& err);

enum class ShotFormat { Csv, Raw, Json };
struct ShotOptions {
    uint32_t card = 0;
    uint32_t set = 0;
    SetOverrides overrides;
    uint32_t count = 1;
    std::string output = "-";          // "-": standard output
    std::optional<ShotFormat> format;  // by default from the output's name, else CSV
    OpenedCard opened;                 // the card, when choosing it by its PCI position opened it
};
int runShot(const ShotOptions& options, std::ostream& out, std::ostream& err);

struct StreamOptions {
    uint32_t card = 0;
    std::vector<uint32_t> sets;  // empty: set 1, or set 0 on a card that holds one set only
    SetOverrides overrides;
    std::optional<double> seconds;
    std::optional<uint64_t> count;
    std::string output;  // "-": standard output
    bool progress = false;
    bool results = false;  // the card's gate results recorded between the shots
    OpenedCard opened;     // the card, when choosing it by its PCI position opened it
};
// `outFd` is where "-" goes (standard output's descriptor in the program).
int runStream(const StreamOptions& options, int outFd, std::ostream& err);

}  // namespace karvo7
