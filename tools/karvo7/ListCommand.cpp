// karvo7 list: every card with its position, version-3 flag and card type. The configuration
// record holds no serial number of its own: the list shows none rather than another field.
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "KonfigText.h"
#include "Tool.h"

namespace karvo7 {

int runList(const ListOptions& options, std::ostream& out, std::ostream& err) {
    const int cards = KARVO7Scan();
    nlohmann::json list = nlohmann::json::array();
    int exitCode = kExitDone;
    for (int n = 1; n <= cards; ++n) {
        int openExit = kExitDone;
        CardHandle card = openCard(static_cast<uint32_t>(n), err, openExit);
        if (card == nullptr) {
            exitCode = kExitFailed;
            continue;
        }
        uint32_t bus = 0, slot = 0, error = 0;
        const bool placed = KARVO7GetCardPosition(card.get(), &bus, &slot, &error) != 0;
        if (!placed) {
            complain(err, "card " + std::to_string(n) + ": position unreadable, error " +
                              hexWord(error));
            exitCode = kExitFailed;
        }
        KonfigRecord record{};
        const bool identified = KARVO7GetKonfig(card.get(), &record, &error) != 0;
        if (!identified) {
            complain(err, "card " + std::to_string(n) +
                              ": configuration record unreadable, error " + hexWord(error));
            exitCode = kExitFailed;
        }
        const bool version3 = KARVO7IsVersion3(card.get()) != 0;
        const std::string type = identified ? konfigText(record.Karte) : "";
        if (options.json) {
            list.push_back({{"card", n},
                            {"bus", bus},
                            {"slot", slot},
                            {"version3", version3},
                            {"serial", nullptr},
                            {"type", type}});
        } else {
            out << "card " << n << ": bus " << bus << ", slot " << slot
                << (version3 ? ", version 3" : "") << ", type " << (type.empty() ? "-" : type)
                << '\n';
        }
    }
    if (options.json) {
        out << list.dump() << '\n';
    } else if (cards == 0) {
        complain(err, "no cards found");
    }
    return exitCode;
}

}  // namespace karvo7
