// karvo7: the KARVO7 ultrasonic test cards at a terminal and in scripts.
//
// Standard output carries data only. The card library's own lines about opening and closing
// cards would go there too: the program installs a log that passes none of them (its messages
// say on standard error what went wrong) before any card is touched.
#include <unistd.h>

#include <iostream>

#include "Cli.h"
#include "Interrupt.h"
#include "KARVO7Os.h"
#include "Tool.h"

int main(int argc, char* argv[]) {
    const K7OsLog silent{nullptr, nullptr, K7_LOG_NONE};
    K7OsSetLog(&silent);
    karvo7::installInterruptHandlers();
    // Data in large blocks rather than through the C streams line by line.
    std::ios::sync_with_stdio(false);
    int code = karvo7::runCommandLine(argc, argv, std::cout, STDOUT_FILENO, std::cerr);
    std::cout.flush();
    if (!std::cout && code == karvo7::kExitDone) {
        karvo7::complain(std::cerr, "standard output could not be written");
        code = karvo7::kExitFailed;
    }
    return code;
}
