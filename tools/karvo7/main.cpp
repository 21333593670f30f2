// karvo7: the KARVO7 ultrasonic test cards at a terminal and in scripts.
//
// Standard output carries data only. The card library's own lines about opening and closing
// cards would go there too: the program installs a log that passes none of them (its messages
// say on standard error what went wrong) before any card is touched.
#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"
#include "Interrupt.h"
#include "KARVO7Os.h"
#include "Tool.h"
#include "k7base/Descriptors.h"
#include "k7base/Paths.h"

int main(int argc, char* argv[]) {
    const K7OsLog silent{nullptr, nullptr, K7_LOG_NONE};
    K7OsSetLog(&silent);
    karvo7::installInterruptHandlers();
    // Data and file names pass unchanged: bytes on standard input and output, arguments as
    // UTF-8.
    k7base::useBinaryStandardStreams();
    std::vector<std::string> arguments = k7base::programArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    // Data in large blocks rather than through the C streams line by line.
    std::ios::sync_with_stdio(false);
    int code = karvo7::runCommandLine(static_cast<int>(arguments.size()), pointers.data(),
                                      std::cout, k7base::kStandardOutput, std::cerr);
    std::cout.flush();
    if (!std::cout && code == karvo7::kExitDone) {
        karvo7::complain(std::cerr, "standard output could not be written");
        code = karvo7::kExitFailed;
    }
    return code;
}
