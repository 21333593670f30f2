// karvo7: the KARVO7 ultrasonic test cards at a terminal and in scripts.
//
// Standard output carries data only. The card library writes its own lines about opening and
// closing cards to the process's standard output, so the program keeps its data on a copy of
// that descriptor and points descriptor 1 at /dev/null before any card is touched.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ext/stdio_filebuf.h>
#include <iostream>
#include <ostream>

#include "Cli.h"
#include "Interrupt.h"
#include "Tool.h"

int main(int argc, char* argv[]) {
    const int dataFd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (dataFd < 0 || quiet < 0 || ::dup2(quiet, STDOUT_FILENO) < 0) {
        std::fputs("karvo7: cannot set up standard output\n", stderr);
        return karvo7::kExitFailed;
    }
    ::close(quiet);
    karvo7::installInterruptHandlers();
    int code = karvo7::kExitFailed;
    {
        __gnu_cxx::stdio_filebuf<char> buffer(dataFd, std::ios::out, 1 << 16);
        std::ostream out(&buffer);
        code = karvo7::runCommandLine(argc, argv, out, dataFd, std::cerr);
        out.flush();
        if (!out && code == karvo7::kExitDone) {
            karvo7::complain(std::cerr, "standard output could not be written");
            code = karvo7::kExitFailed;
        }
    }
    return code;
}
