#include "station/StationChecks.h"

#include <utility>

#include "card/CommandCheck.h"
#include "card/DspLoad.h"
#include "card/KennungCheck.h"
#include "card/LcaCheck.h"
#include "k7base/Paths.h"
#include "paramfile/IniFile.h"
#include "pci/EepromCheck.h"
#include "pci/OperationRegisters.h"
#include "pci/PciConfigCheck.h"

namespace k7check {

namespace {

// A yes/no key of the parameter file: anything but a text starting with "n" is yes.
bool yes(const IniFile& file, std::string_view section, std::string_view key) {
    const std::string value = file.getString(section, key, "yes");
    return value.empty() || (value.front() != 'n' && value.front() != 'N');
}

bool blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

// A file the parameter file names, taken from the parameter file's folder when relative.
std::string referenceFile(const IniFile& file, const StationSetup& setup, const char* section) {
    return k7base::nameBeside(file.getString(section, "Filename", " "), setup.parameterFile);
}

Verdict dspCheck(KARVO7HANDLE card, const std::string& path, Clock& clock) {
    if (blank(path)) {
        return {false, kDspFileNotFound};
    }
    const DspImageRead read = readDspImage(path);
    if (!read.ok()) {
        return {false, read.error == kDspFileNotFound ? dspFileNotFoundText(path) : read.error};
    }
    const DspLoadOutcome outcome = loadDspProgram(card, read.image, clock);
    return {outcome.ok(), dspLoadLine(outcome)};
}

Verdict selfTestCheck(KARVO7HANDLE card, const IniFile& file, Clock& clock,
                      SelfTestObserver& observer) {
    Verdict all{true, "OK"};
    for (std::size_t test = 0; test < kSelfTestCount; ++test) {
        if (!yes(file, "Selbstest", selfTestKey(test))) {
            continue;
        }
        Verdict one = runSelfTest(card, test, clock, observer);
        if (!one.passed && all.passed) {
            all = std::move(one);
        }
    }
    return all;
}

}  // namespace

Verdict runStationCheck(KARVO7HANDLE card, StationCheck check, const StationSetup& setup) {
    const IniFile file = IniFile::load(setup.parameterFile);
    switch (check) {
        case StationCheck::PciConfiguration:
            return checkPciConfiguration(card, file);
        case StationCheck::PciEeprom:
            return checkEeprom(card, file);
        case StationCheck::PciOperation:
            return checkOperationRegisters(card);
        case StationCheck::Kennung:
            return checkKennung(card, referenceFile(file, setup, "Kennung"));
        case StationCheck::Lca:
            return checkLcaIdentities(card);
        case StationCheck::Dsp:
            return dspCheck(card, referenceFile(file, setup, "DSP"), setup.clock);
        case StationCheck::SelfTests:
            return selfTestCheck(card, file, setup.clock, setup.observer);
        case StationCheck::Commands:
            return runCommandCheck(card).verdict;
    }
    return {false, "?"};
}

std::vector<StationCheck> selectedStationChecks(const std::string& parameterFile) {
    const IniFile file = IniFile::load(parameterFile);
    std::vector<StationCheck> checks;
    for (const StationCheck check : allStationChecks()) {
        if (yes(file, "Check", stationCheckKey(check))) {
            checks.push_back(check);
        }
    }
    return checks;
}

}  // namespace k7check
