#include "ParameterKeys.h"

#include <array>

#include "IniFile.h"

namespace k7check {

namespace {

template <auto Member>
void* member(ParameterSet& set) {
    return &(set.*Member);
}

template <uint32_t Gate>
void* gateAnfang(ParameterSet& set) {
    return &set.gates[Gate].anfang;
}
template <uint32_t Gate>
void* gateEnde(ParameterSet& set) {
    return &set.gates[Gate].ende;
}
template <uint32_t Gate>
void* gateSchwelle(ParameterSet& set) {
    return &set.gates[Gate].schwelle;
}
template <uint32_t Gate>
void* gateEnable(ParameterSet& set) {
    return &set.enable[Gate];
}

using K = FieldKind;
using P = ParameterSet;

// clang-format off
const std::array kKeys{
    ParameterKey{"IFF", K::UInt32, member<&P::iff>},
    ParameterKey{"8Bit", K::Bool, member<&P::bit8>},
    ParameterKey{"Average", K::UInt8, member<&P::average>},
    ParameterKey{"Samplerate", K::UInt8, member<&P::samplerate>},
    ParameterKey{"Start", K::UInt8, member<&P::start>},
    ParameterKey{"PK-Vorlauf", K::UInt16, member<&P::pkVorlauf>},
    ParameterKey{"Aufnahmelaenge", K::UInt16, member<&P::aufnahmelaenge>},
    ParameterKey{"Aufnahmedelay", K::Int32, member<&P::aufnahmedelay>},
    ParameterKey{"ASCAN", K::Bool, member<&P::ascan>},
    ParameterKey{"Faktor", K::UInt8, member<&P::faktor>},
    ParameterKey{"Gleichrichtung", K::UInt8, member<&P::gleichrichtung>},
    ParameterKey{"ExternerTrigger", K::Bool, member<&P::externerTrigger>},
    ParameterKey{"Triggereingangsmode", K::UInt8, member<&P::triggereingangsmode>},
    ParameterKey{"Triggerausgangsmode", K::UInt8, member<&P::triggerausgangsmode>},
    ParameterKey{"Ausblenden", K::UInt8, member<&P::ausblenden>},
    ParameterKey{"TA-Verzoegerung", K::UInt16, member<&P::taVerzoegerung>},
    ParameterKey{"TA-Abstand", K::UInt16, member<&P::taAbstand>},
    ParameterKey{"Sendersperre", K::Bool, member<&P::sendersperre>},
    ParameterKey{"Sendeimpulsbreite", K::UInt8, member<&P::sendeimpulsbreite>},
    ParameterKey{"Sendeenergie", K::UInt8, member<&P::sendeenergie>},
    ParameterKey{"SE-Mode", K::Bool, member<&P::seMode>},
    ParameterKey{"Senderdaempfung", K::UInt8, member<&P::senderdaempfung>},
    ParameterKey{"Eingangsdaempfung", K::UInt8, member<&P::eingangsdaempfung>},
    ParameterKey{"Filter", K::UInt8, member<&P::filter>},
    ParameterKey{"Verstaerkung", K::UInt16, member<&P::verstaerkung>},
    ParameterKey{"ESB-Time", K::Int32, member<&P::esbTime>},
    ParameterKey{"ESB-Level", K::UInt16, member<&P::esbLevel>},
    ParameterKey{"ESB-relativ", K::Bool, member<&P::esbRelativ>},
    ParameterKey{"ESB-always", K::Bool, member<&P::esbAlways>},
    ParameterKey{"B0-Anfang", K::Int32, gateAnfang<0>},
    ParameterKey{"B0-Ende", K::Int32, gateEnde<0>},
    ParameterKey{"B0-Schwelle", K::Threshold, gateSchwelle<0>},
    ParameterKey{"B1-Anfang", K::Int32, gateAnfang<1>},
    ParameterKey{"B1-Ende", K::Int32, gateEnde<1>},
    ParameterKey{"B1-Schwelle", K::Threshold, gateSchwelle<1>},
    ParameterKey{"B2-Anfang", K::Int32, gateAnfang<2>},
    ParameterKey{"B2-Ende", K::Int32, gateEnde<2>},
    ParameterKey{"B2-Schwelle", K::Threshold, gateSchwelle<2>},
    ParameterKey{"B3-Anfang", K::Int32, gateAnfang<3>},
    ParameterKey{"B3-Ende", K::Int32, gateEnde<3>},
    ParameterKey{"B3-Schwelle", K::Threshold, gateSchwelle<3>},
    ParameterKey{"B4-Anfang", K::Int32, gateAnfang<4>},
    ParameterKey{"B4-Ende", K::Int32, gateEnde<4>},
    ParameterKey{"B4-Schwelle", K::Threshold, gateSchwelle<4>},
    ParameterKey{"B0-enable", K::Bool, gateEnable<0>},
    ParameterKey{"B1-enable", K::Bool, gateEnable<1>},
    ParameterKey{"B2-enable", K::Bool, gateEnable<2>},
    ParameterKey{"B3-enable", K::Bool, gateEnable<3>},
    ParameterKey{"B4-enable", K::Bool, gateEnable<4>},
    ParameterKey{"TriggerExtern", K::Bool, member<&P::triggerExtern>},
    ParameterKey{"Triggerdelay", K::Int32, member<&P::triggerdelay>},
    ParameterKey{"SAP-Delay", K::UInt16, member<&P::sapDelay>},
};
// clang-format on

}  // namespace

std::span<const ParameterKey> parameterKeys() {
    return kKeys;
}

bool profileBool(const std::string& value, bool fallback) {
    if (value.empty()) {
        return fallback;
    }
    return value.front() != 'n' && value.front() != 'N';
}

const char* yesNo(bool value) {
    return value ? "yes" : "no";
}

std::string fieldText(const ParameterKey& key, ParameterSet& set) {
    void* field = key.field(set);
    switch (key.kind) {
        case FieldKind::Int32:
            return std::to_string(*static_cast<int32_t*>(field));
        case FieldKind::UInt32:
            return std::to_string(*static_cast<uint32_t*>(field));
        case FieldKind::UInt16:
            return std::to_string(*static_cast<uint16_t*>(field));
        case FieldKind::UInt8:
            return std::to_string(*static_cast<uint8_t*>(field));
        case FieldKind::Bool:
            return yesNo(*static_cast<bool*>(field));
        case FieldKind::Threshold:
            return std::to_string(*static_cast<uint16_t*>(field) >> 4);
    }
    return {};
}

void setField(const ParameterKey& key, ParameterSet& set, const std::string& value,
              ParameterSet& fallback) {
    void* field = key.field(set);
    const auto number = static_cast<uint32_t>(profileIntOf(value));
    switch (key.kind) {
        case FieldKind::Int32:
            *static_cast<int32_t*>(field) = static_cast<int32_t>(number);
            break;
        case FieldKind::UInt32:
            *static_cast<uint32_t*>(field) = number;
            break;
        case FieldKind::UInt16:
            *static_cast<uint16_t*>(field) = static_cast<uint16_t>(number);
            break;
        case FieldKind::UInt8:
            *static_cast<uint8_t*>(field) = static_cast<uint8_t>(number);
            break;
        case FieldKind::Bool:
            *static_cast<bool*>(field) =
                profileBool(value, *static_cast<bool*>(key.field(fallback)));
            break;
        case FieldKind::Threshold:
            *static_cast<uint16_t*>(field) = static_cast<uint16_t>(number << 4);
            break;
    }
}

}  // namespace k7check
