#include "app/CheckButtons.h"

#include "app/CheckWindows.h"

#include <stdexcept>

#include "station/StationCheckNames.h"

namespace k7check {

namespace {

// The keys of the checks "Check All" runs are the station checks' own.
// clang-format off
const std::array<CheckButton, kCheckCount> kButtons{{
    {CheckId::PciConfiguration, "PCI Configuration", "PCI Konfiguration prüfen", stationCheckKey(StationCheck::PciConfiguration), false, "PCI Configuration: ", true},
    {CheckId::PciEeprom, "PCI EEPROM", "PCI EEPROM prüfen", stationCheckKey(StationCheck::PciEeprom), false, "PCI EEPROM: ", true},
    {CheckId::PciOperation, "PCI  Operation", "PCI Operation prüfen", stationCheckKey(StationCheck::PciOperation), false, "PCI Operation: ", true},
    {CheckId::Kennung, "Kennung", "Kennung prüfen", stationCheckKey(StationCheck::Kennung), false, "Kennung: ", true},
    {CheckId::SteuerLca, "Steuer-LCA", "Steuer-LCA Register", stationCheckKey(StationCheck::Lca), true, "LCA-Register: ", true},
    {CheckId::DatenLca, "Daten-LCA", "Daten-LCA Register", "", true, "", false},
    {CheckId::Dsp, "DSP", "DSP Programm laden", stationCheckKey(StationCheck::Dsp), false, "DSP-Programm: ", true},
    {CheckId::Test, "Test", "Testroutinen starten", stationCheckKey(StationCheck::SelfTests), false, "Selbsttest: ", true},
    {CheckId::Command, "Command", "Kommandos ausführen", stationCheckKey(StationCheck::Commands), false, "Command: ", true},
    {CheckId::Blenden, "Blenden", "Blenden setzen/anzeigen", "", true, "", false},
    {CheckId::Blockmessung, "Blockmessung", "Blockmessung ausführen", "Blockmessung", false, "", true},
    {CheckId::ParameterShot, "Parameter/Shot", "Parameter setzen/Einzelmessung ausführen", "Einzelmessung", false, "", true},
}};
// clang-format on

}  // namespace

const std::array<CheckButton, kCheckCount>& checkButtons() {
    return kButtons;
}

const CheckButton& checkButton(CheckId id) {
    return kButtons.at(index(id));
}

std::string checkReportName(const CheckButton& button) {
    std::string name = button.prefix;
    const size_t colon = name.find(':');
    if (colon != std::string::npos) {
        name.resize(colon);
    }
    return name.empty() ? std::string(button.caption) : name;
}

void CheckRegistry::registerWindow(CheckId id, CheckFactory factory) {
    factories_.at(index(id)) = std::move(factory);
}

void CheckRegistry::registerPress(CheckId id, CheckPress press) {
    presses_.at(index(id)) = std::move(press);
}

void CheckRegistry::registerButton(const std::string& control, WindowButton button) {
    buttons_[control] = std::move(button);
}

const WindowButton* CheckRegistry::windowButton(const std::string& control) const {
    const auto it = buttons_.find(control);
    return it == buttons_.end() ? nullptr : &it->second;
}

bool CheckRegistry::available(CheckId id) const {
    return static_cast<bool>(factories_.at(index(id))) || static_cast<bool>(presses_.at(index(id)));
}

const CheckRegistry& CheckRegistry::standard() {
    static const CheckRegistry registry = [] {
        CheckRegistry r;
        registerCheckWindows(r);
        return r;
    }();
    return registry;
}

}  // namespace k7check
