// karvo7 pci N: the card's PCI configuration space as `lspci -xxx` shows a device: a line
// naming it, then sixteen bytes a line behind their offset.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "Tool.h"

namespace karvo7 {

namespace {

uint32_t le(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

}  // namespace

int runPci(const CardOptions& options, std::ostream& out, std::ostream& err) {
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    uint8_t space[256] = {};
    if (KARVO7ReadConfigData(card.get(), space) == 0) {
        complain(err, "card " + std::to_string(options.card) + ": configuration space unreadable");
        return kExitFailed;
    }
    uint32_t bus = 0, slot = 0, error = 0;
    KARVO7GetCardPosition(card.get(), &bus, &slot, &error);
    if (options.json) {
        nlohmann::ordered_json j = {{"card", options.card},
                                    {"bus", bus},
                                    {"slot", slot},
                                    {"bytes", std::vector<uint8_t>(space, space + 256)}};
        out << j.dump() << '\n';
        return kExitDone;
    }
    char line[80];
    std::snprintf(line, sizeof line, "%02x:%02x.0 Class %04x: Device %04x:%04x (rev %02x)\n", bus,
                  slot, le(space + 0x0A, 2), le(space, 2), le(space + 2, 2), space[8]);
    out << line;
    for (int row = 0; row < 256; row += 16) {
        int at = std::snprintf(line, sizeof line, "%02x:", row);
        for (int i = 0; i < 16; ++i) {
            at += std::snprintf(line + at, sizeof line - static_cast<size_t>(at), " %02x",
                                space[row + i]);
        }
        out << line << '\n';
    }
    out << '\n';
    return kExitDone;
}

}  // namespace karvo7
