// karvo7 info N: the configuration record, the firmware and LCA versions, temperature and
// supply voltages.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "KARVO7Protocol.h"
#include "KonfigText.h"
#include "Tool.h"

namespace karvo7 {

namespace {

// The elements of a list of the record up to its first zero element.
template <typename T, std::size_t N>
nlohmann::ordered_json listOf(const T (&values)[N]) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const T& v : values) {
        if (v == T{}) {
            break;
        }
        list.push_back(v);
    }
    return list;
}

nlohmann::ordered_json recordJson(const KonfigRecord& r) {
    return {{"card_type", konfigText(r.Karte)},
            {"filter_board", konfigText(r.Aufsteckfilter)},
            {"pci_eeprom", konfigText(r.PciEeprom)},
            {"lca_version", konfigText(r.LcaVersion)},
            {"program_version", konfigText(r.Programmversion)},
            {"band_low_mhz", r.BandgrenzeUnten},
            {"band_high_mhz", r.BandgrenzeOben},
            {"adc_bits", r.AdcBits},
            {"record_fifo", r.AufnahmeFifo},
            {"data_fifo", r.DatenFifo},
            {"dynamic_range", r.Dynamik},
            {"input_damping", listOf(r.DaempfungEingang)},
            {"transmitter_damping", listOf(r.DaempfungSender)},
            {"transmitter_energy", listOf(r.EnergieSender)},
            {"sampling_rates", listOf(r.Samplerrate)},
            {"max_shot_rate_khz", r.MaxSapFolge},
            {"filter_centres_mhz", listOf(r.FilterMittenfrequenz)},
            {"filter_bands_mhz", listOf(r.FilterBandgrenze)},
            {"base_damping", listOf(r.Grunddaempfung)}};
}

std::string hex4(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
    return text;
}

// One line of the text form: the value as JSON writes it, lists with ", " between elements.
std::string plain(const nlohmann::ordered_json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_array()) {
        std::string text;
        for (const auto& v : value) {
            text += (text.empty() ? "" : ", ") + plain(v);
        }
        return text;
    }
    if (value.is_number_float()) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", value.get<double>());
        return text;
    }
    return value.dump();
}

}  // namespace

int runInfo(const CardOptions& options, std::ostream& out, std::ostream& err) {
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    nlohmann::ordered_json info = nlohmann::ordered_json::object();
    uint32_t error = 0;
    KonfigRecord record{};
    if (KARVO7GetKonfig(card.get(), &record, &error) == 0) {
        complain(err, "configuration record unreadable, error " + errorWord(error));
        return kExitFailed;
    }
    info["card"] = options.card;
    info["record"] = recordJson(record);
    info["control_lca_id"] = hex4(KARVO7ReadRegister(card.get(), k7proto::reg::kLcaId));
    info["data_lca_id"] = hex4(KARVO7ReadRegister(card.get(), k7proto::reg::kDataLcaId));
    ADCValues adc{};
    if (KARVO7GetADC(card.get(), &adc, &error) == 0) {
        complain(err, "temperature and voltages unreadable, error " + errorWord(error));
        exitCode = kExitFailed;
    } else {
        info["temperature_c"] = adc.Temperatur;
        info["analog_5v_plus"] = adc.Analog5VPlus;
        info["analog_5v_minus"] = adc.Analog5VMinus;
        info["hs_v"] = adc.HS;
        info["digital_5v_minus"] = adc.Digital5VMinus;
        info["adc_reference_v"] = adc.ADCReferenz;
    }
    if (options.json) {
        out << info.dump() << '\n';
        return exitCode;
    }
    for (const auto& [key, value] : info.items()) {
        if (key == "record") {
            for (const auto& [field, v] : value.items()) {
                out << field << ": " << plain(v) << '\n';
            }
        } else {
            out << key << ": " << plain(value) << '\n';
        }
    }
    return exitCode;
}

}  // namespace karvo7
