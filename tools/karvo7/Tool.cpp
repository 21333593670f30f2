#include "Tool.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>

namespace karvo7 {

CardHandle openCard(uint32_t number, std::ostream& err, int& exitCode) {
    const int cards = KARVO7Scan();
    if (number == 0 || number > static_cast<uint32_t>(cards)) {
        complain(err, "no card " + std::to_string(number) + " (" + std::to_string(cards) +
                          (cards == 1 ? " card" : " cards") + " found)");
        exitCode = kExitNoCard;
        return nullptr;
    }
    CardHandle card(KARVO7Open(number));
    if (card == nullptr) {
        const uint32_t why = K7OsGetLastError();
        if (why == K7_ERROR_FILE_NOT_FOUND) {
            complain(err, "no card " + std::to_string(number));
            exitCode = kExitNoCard;
        } else if (why == K7_ERROR_SHARING_VIOLATION) {
            complain(err, "card " + std::to_string(number) + " is in use by another program");
            exitCode = kExitFailed;
        } else {
            complain(err, "card " + std::to_string(number) + " cannot be opened (error " +
                              std::to_string(why) + ")");
            exitCode = kExitFailed;
        }
    }
    return card;
}

bool warmUp(KARVO7HANDLE card, uint32_t number, std::ostream& err) {
    uint32_t error = 0;
    if (KARVO7WarmUp(card, &error) == 0) {
        complain(err,
                 "card " + std::to_string(number) + ": warm-up failed, error " + hexWord(error));
        return false;
    }
    return true;
}

std::optional<uint64_t> parseNumber(std::string_view text, uint64_t max) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc{} || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

std::string hexWord(uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", word);
    return text;
}

bool progressWanted() {
    return ::isatty(STDERR_FILENO) != 0;
}

void complain(std::ostream& err, const std::string& text) {
    err << "karvo7: " << text << '\n' << std::flush;
}

std::string oneLine(const std::string& text) {
    std::string flat;
    for (char c : text) {
        if (c != '\r') {
            flat += c == '\n' ? ' ' : c;
        }
    }
    return flat;
}

}  // namespace karvo7
