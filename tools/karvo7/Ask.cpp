#include "Ask.h"

#include <cctype>
#include <string>

namespace karvo7 {

bool askYes(std::istream& answers, std::ostream& prompt, const std::string& question) {
    prompt << question << " [y/N] " << std::flush;
    std::string line;
    if (!std::getline(answers, line)) {
        prompt << '\n';
        return false;
    }
    for (char& c : line) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return line == "y" || line == "yes";
}

}  // namespace karvo7
