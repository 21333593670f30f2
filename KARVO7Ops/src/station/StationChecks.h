// The station checks of one card, as the check program's "Check All" runs them, for programs
// without windows (karvo7 check, the C interface): the reference values, the identification
// file, the DSP program file and the self-test selection come from a parameter file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KARVO7DLL.h"
#include "card/Clock.h"
#include "card/SelfTests.h"
#include "card/Verdict.h"
#include "station/StationCheckNames.h"

namespace k7check {

struct StationSetup {
    std::string parameterFile;  // reference values and file names; may not exist
    Clock& clock;
    SelfTestObserver& observer;
};

// One check: its verdict and its line. The self tests run those the parameter file selects
// (section "Selbstest"); their line is the first failing test's, or "OK".
Verdict runStationCheck(KARVO7HANDLE card, StationCheck check, const StationSetup& setup);

// The checks the parameter file's section "Check" selects for "Check All", in its order.
std::vector<StationCheck> selectedStationChecks(const std::string& parameterFile);

}  // namespace k7check
