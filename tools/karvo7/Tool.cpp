#include "Tool.h"

#include <charconv>
#include <cstdio>

#include "KARVO7Ops.h"
#include "KARVO7Stream.h"
#include "k7base/Descriptors.h"

namespace karvo7 {

namespace {

std::string versionOf(uint32_t number) {
    return std::to_string(number >> 16) + "." + std::to_string((number >> 8) & 0xFFu) + "." +
           std::to_string(number & 0xFFu);
}

// A hexadecimal field of a position: one to `digits` digits.
std::optional<uint32_t> hexField(std::string_view text, size_t digits) {
    uint32_t value = 0;
    if (text.empty() || text.size() > digits) {
        return std::nullopt;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

CardHandle openCard(uint32_t number, const OpenedCard& opened, std::ostream& err, int& exitCode) {
    if (opened != nullptr && *opened != nullptr) {
        return std::move(*opened);
    }
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

std::optional<PciPosition> parsePciPosition(std::string_view text) {
    if (const auto dot = text.find('.'); dot != std::string_view::npos) {
        if (hexField(text.substr(dot + 1), 1) != 0u) {
            return std::nullopt;  // the cards have function 0 only
        }
        text = text.substr(0, dot);
    }
    const auto last = text.rfind(':');
    if (last == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view busText = text.substr(0, last);
    if (const auto first = busText.find(':'); first != std::string_view::npos) {
        if (hexField(busText.substr(0, first), 4) != 0u) {
            return std::nullopt;  // one PCI domain, 0000
        }
        busText = busText.substr(first + 1);
    }
    const auto bus = hexField(busText, 2);
    const auto slot = hexField(text.substr(last + 1), 2);
    if (!bus || !slot || *slot > 0x1F) {
        return std::nullopt;
    }
    return PciPosition{*bus, *slot};
}

std::string pciPositionText(uint32_t bus, uint32_t slot) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x:%02x", bus & 0xFFu, slot & 0xFFu);
    return text;
}

bool findCardAt(const PciPosition& position, uint32_t& number, OpenedCard& opened,
                std::ostream& err, int& exitCode) {
    const int cards = KARVO7Scan();
    int busy = 0;
    for (int n = 1; n <= cards; ++n) {
        CardHandle card(KARVO7Open(static_cast<uint32_t>(n)));
        if (card == nullptr) {
            busy += 1;
            continue;
        }
        uint32_t bus = 0, slot = 0, error = 0;
        if (KARVO7GetCardPosition(card.get(), &bus, &slot, &error) != 0 && bus == position.bus &&
            slot == position.slot) {
            number = static_cast<uint32_t>(n);
            opened = std::make_shared<CardHandle>(std::move(card));
            return true;
        }
    }
    std::string text = "no card at " + pciPositionText(position.bus, position.slot);
    if (busy > 0) {
        text += " (" + std::to_string(busy) + (busy == 1 ? " card" : " cards") +
                " in use by another program or failing to open could not be looked at)";
    }
    complain(err, text);
    exitCode = kExitNoCard;
    return false;
}

std::string versionText() {
    return std::string("karvo7 ") + K7_TOOL_VERSION + " (card library " + versionOf(K7OsVersion()) +
           ", decoder " + versionOf(KARVO7StreamVersion()) + ")";
}

bool warmUp(KARVO7HANDLE card, uint32_t number, std::ostream& err) {
    uint32_t error = 0;
    if (KARVO7WarmUp(card, &error) == 0) {
        complain(err,
                 "card " + std::to_string(number) + ": warm-up failed, error " + errorWord(error));
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

std::string errorWord(uint32_t word) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", word);
    char meaning[K7OPS_TEXT_BYTES];
    K7OpsErrorText(word, K7OPS_LANGUAGE_ENGLISH, meaning, sizeof meaning);
    return std::string(hex) + " (" + meaning + ")";
}

bool setTriggerWait(KARVO7HANDLE card, std::ostream& err) {
    uint32_t error = 0;
    if (KARVO7SetDataTimeOut(card, kTriggerWaitSeconds, &error) == 0) {
        complain(err, "setting the data time-out failed, error " + errorWord(error));
        return false;
    }
    return true;
}

bool noTriggerCame(uint32_t error, uint32_t waitedMs) {
    // The driver ends the read at its time-out, counted in whole seconds of its own: a little
    // earlier by the library's clock is the same wait.
    constexpr uint32_t kTolerance = 500;
    return error == K7_ERROR_SEM_TIMEOUT || waitedMs + kTolerance >= kTriggerWaitSeconds * 1000;
}

std::string noTriggerText(uint32_t error) {
    return "no trigger came within " + std::to_string(kTriggerWaitSeconds) +
           " s (the set waits for an external trigger), error " + errorWord(error);
}

bool progressWanted() {
    return k7base::isTerminal(k7base::kStandardError);
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
