#include "headless/HeadlessCommand.h"

#include <iostream>

#include "headless/ResultOutput.h"

namespace k7check {

std::optional<int> runWithoutWindow(const CommandLine& line) {
    if (!line.error.empty()) {
        std::cerr << line.error << '\n' << kUsage << '\n';
        return kHeadlessBadArguments;
    }
    if (!line.checkAll) {
        return std::nullopt;
    }
    ResultOutput results;
    return runHeadlessCheckAll(line.options, results.stream(), std::cerr);
}

}  // namespace k7check
