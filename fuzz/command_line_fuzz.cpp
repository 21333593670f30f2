// The check program's command line from arbitrary bytes (arguments separated by NUL): the parser
// either refuses the line with a text or gives options that hold together — a card number only
// in 1..16, never with --all-cards, station options only with --check-all.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "card/ParameterSet.h"
#include "headless/HeadlessArguments.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::vector<std::string> argumentsOf(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[i]));
        }
    }
    return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const k7check::CommandLine line = k7check::parseCommandLine(argumentsOf(data, size));
    if (!line.error.empty()) {
        return 0;
    }
    const k7check::HeadlessOptions& o = line.options;
    check(o.card <= k7check::kMaxCards);
    check(!(o.allCards && o.card != 0));
    const bool stationOption =
        o.allCards || o.card != 0 || !o.parameterFile.empty() || !o.reportFile.empty();
    check(line.checkAll || !stationOption);
    return 0;
}
