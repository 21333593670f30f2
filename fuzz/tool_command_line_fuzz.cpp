// karvo7's command line from arbitrary bytes (arguments separated by NUL), with no driver and so
// no cards: every line ends with one of the program's exit codes and never reads or writes a
// file the input names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "Cli.h"

namespace {

class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments{"karvo7"};
    arguments.emplace_back();
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[i]));
        }
    }
    for (const std::string& a : arguments) {
        std::error_code ignored;
        if (a.find('/') != std::string::npos || std::filesystem::exists(a, ignored)) {
            return 0;  // names a file: the parser is what is fuzzed here, not the file system
        }
    }
    std::vector<const char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(a.c_str());
    }
    NullBuffer nothing;
    std::ostream out(&nothing);
    std::ostream err(&nothing);
    const int code =
        karvo7::runCommandLine(static_cast<int>(argv.size()), argv.data(), out, -1, err);
    if (code < 0 || code > 3) {
        std::abort();
    }
    return 0;
}
