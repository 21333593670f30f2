// KARVO7Check for test stations without a desktop: the program built without Qt runs only the
// unattended "Check All" (--check-all with its station options), exactly as the windowed
// program does.
#include <iostream>
#include <string>
#include <vector>

#include "headless/HeadlessCommand.h"
#include "k7base/Descriptors.h"
#include "k7base/Paths.h"

int main(int argc, char* argv[]) {
    k7base::useBinaryStandardStreams();
    std::vector<std::string> arguments = k7base::programArguments(argc, argv);
    arguments.erase(arguments.begin());
    const k7check::CommandLine line = k7check::parseCommandLine(arguments);
    if (const std::optional<int> code = k7check::runWithoutWindow(line)) {
        return *code;
    }
    std::cerr << "KARVO7Check ist ohne Fenster gebaut: nur --check-all ist möglich.\n"
              << k7check::kUsage << '\n';
    return k7check::kHeadlessBadArguments;
}
