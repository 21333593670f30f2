// karvo7 list: every card with its position, version-3 flag and card type. The configuration
// record holds no serial number of its own: the list shows none rather than another field. A
// card another program holds open keeps its number and is shown "in use": the library numbers
// the devices that exist, busy or not, so every other card keeps its number too. No card at all
// is no list: the program says whether a driver answered and exits 3.
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "DriverHint.h"
#include "KonfigText.h"
#include "Tool.h"

namespace karvo7 {

namespace {

// Why the scan found no card: the driver the environment names knows none, or no driver answered.
std::string noCardText() {
    for (const char* variable : {"KARVO7_DRIVER", "KARVO7_SIM"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return std::string("no cards found: the driver ") + variable + "=" + value +
                   " chooses answered with none";
        }
    }
    return "no driver answered: " + noDriverHint();
}

}  // namespace

int runList(const ListOptions& options, std::ostream& out, std::ostream& err) {
    const int cards = KARVO7Scan();
    nlohmann::json list = nlohmann::json::array();
    int exitCode = kExitDone;
    for (int n = 1; n <= cards; ++n) {
        CardHandle card(KARVO7Open(static_cast<uint32_t>(n)));
        if (card == nullptr && K7OsGetLastError() == K7_ERROR_SHARING_VIOLATION) {
            if (options.json) {
                list.push_back({{"card", n}, {"in_use", true}});
            } else {
                out << "card " << n << ": in use\n";
            }
            continue;
        }
        if (card == nullptr) {
            complain(err, "card " + std::to_string(n) + " cannot be opened (error " +
                              std::to_string(K7OsGetLastError()) + ")");
            exitCode = kExitFailed;
            continue;
        }
        uint32_t bus = 0, slot = 0, error = 0;
        const bool placed = KARVO7GetCardPosition(card.get(), &bus, &slot, &error) != 0;
        if (!placed) {
            complain(err, "card " + std::to_string(n) + ": position unreadable, error " +
                              errorWord(error));
            exitCode = kExitFailed;
        }
        KonfigRecord record{};
        const bool identified = KARVO7GetKonfig(card.get(), &record, &error) != 0;
        if (!identified) {
            complain(err, "card " + std::to_string(n) +
                              ": configuration record unreadable, error " + errorWord(error));
            exitCode = kExitFailed;
        }
        const bool version3 = KARVO7IsVersion3(card.get()) != 0;
        const std::string type = identified ? konfigText(record.Karte) : "";
        if (options.json) {
            list.push_back({{"card", n},
                            {"in_use", false},
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
    }
    if (cards == 0) {
        complain(err, noCardText());
        return kExitNoCard;
    }
    return exitCode;
}

}  // namespace karvo7
