#include "profile/ParameterKeys.h"

#include <array>
#include <stdexcept>

#include "profile/IniFile.h"

namespace k7check {

namespace {

template <auto Member>
constexpr auto& member(ParameterSet& set) {
    return set.*Member;
}
template <std::size_t Gate>
int32_t& gateAnfang(ParameterSet& set) {
    return set.gates[Gate].anfang;
}
template <std::size_t Gate>
int32_t& gateEnde(ParameterSet& set) {
    return set.gates[Gate].ende;
}
template <std::size_t Gate>
uint16_t& gateSchwelle(ParameterSet& set) {
    return set.gates[Gate].schwelle;
}
template <std::size_t Gate>
bool& gateEnable(ParameterSet& set) {
    return set.enable[Gate];
}

// A table line: the member `Access` reaches must be of the type `Kind` is held in.
template <FieldKind Kind, auto Access>
constexpr ParameterField field(const char* key, EditorControl editor = {},
                               RandomLimitRow random = {}) {
    using Member = std::remove_reference_t<decltype(Access(std::declval<ParameterSet&>()))>;
    static_assert(std::is_same_v<Member, typename FieldType<Kind>::type>,
                  "the kind of a parameter field must match its member's type");
    return {key, Kind, [](ParameterSet& set) -> FieldRef { return &Access(set); }, editor, random};
}

constexpr EditorControl plain(const char* control, const char* label = nullptr) {
    return {control, label, false};
}
constexpr EditorControl derived(const char* control) {
    return {control, nullptr, true};
}

using K = FieldKind;
using P = ParameterSet;

// clang-format off
constexpr std::array kFields{
    field<K::UInt32, member<&P::iff>>("IFF", plain("maxSapEdit", "max. SAP"), {"iff", "max. SAP", 0}),
    field<K::Bool, member<&P::bit8>>("8Bit", plain("bit8Check")),
    field<K::UInt8, member<&P::average>>("Average", plain("averageEdit", "Average"), {"average", "Average", 10}),
    field<K::UInt8, member<&P::samplerate>>("Samplerate", derived("rate80Radio"), {"samplerate", "Samplefrequenz", 7}),
    field<K::UInt8, member<&P::start>>("Start", derived("keineMessungRadio")),
    field<K::UInt16, member<&P::pkVorlauf>>("PK-Vorlauf", derived("vorlaufEdit"), {"vorlauf", "Vorlauf", 11}),
    field<K::UInt16, member<&P::aufnahmelaenge>>("Aufnahmelaenge", derived("aufnahmeEdit"), {"aufnahme", "Aufnahme", 13}),
    field<K::Int32, member<&P::aufnahmedelay>>("Aufnahmedelay", derived("recordDelayEdit"), {"delay", "Delay", 12}),
    field<K::Bool, member<&P::ascan>>("ASCAN", derived("ascanEdit")),
    field<K::UInt8, member<&P::faktor>>("Faktor", derived("ascanEdit"), {"faktor", "A-Scan", 8}),
    field<K::UInt8, member<&P::gleichrichtung>>("Gleichrichtung", derived("hfRadio"), {"gleichrichtung", "Gleichrichtung", 9}),
    field<K::Bool, member<&P::externerTrigger>>("ExternerTrigger", plain("triggerExternCheck")),
    field<K::UInt8, member<&P::triggereingangsmode>>("Triggereingangsmode", derived("eingangMasterRadio")),
    field<K::UInt8, member<&P::triggerausgangsmode>>("Triggerausgangsmode", derived("ausgangMasterStartRadio")),
    field<K::UInt8, member<&P::ausblenden>>("Ausblenden", plain("blendeEdit", "Blende")),
    field<K::UInt16, member<&P::taVerzoegerung>>("TA-Verzoegerung", derived("taDelayEdit")),
    field<K::UInt16, member<&P::taAbstand>>("TA-Abstand", derived("taAbstandEdit")),
    field<K::Bool, member<&P::sendersperre>>("Sendersperre", plain("sperreCheck")),
    field<K::UInt8, member<&P::sendeimpulsbreite>>("Sendeimpulsbreite", derived("pulse65Radio"), {"sendeimpulsbreite", "Sendeimplusbreite", 1}),
    field<K::UInt8, member<&P::sendeenergie>>("Sendeenergie", derived("energie1Radio"), {"sendeenergie", "Sendeenergie", 2}),
    field<K::Bool, member<&P::seMode>>("SE-Mode", plain("seCheck")),
    field<K::UInt8, member<&P::senderdaempfung>>("Senderdaempfung", plain("senderdaempfungEdit", "Senderdämpfung"), {"senderdaempfung", "Senderdämpfung", 3}),
    field<K::UInt8, member<&P::eingangsdaempfung>>("Eingangsdaempfung", plain("eingangsdaempfungEdit", "Eingangsdämpfung"), {"eingangsdaempfung", "Eingangsdämpfung", 4}),
    field<K::UInt8, member<&P::filter>>("Filter", plain("filterEdit", "Filter"), {"filter", "Filter", 6}),
    field<K::UInt16, member<&P::verstaerkung>>("Verstaerkung", derived("verstaerkungEdit"), {"verstaerkung", "Verstärkung", 5}),
    field<K::Int32, member<&P::esbTime>>("ESB-Time", derived("esbTimeEdit")),
    field<K::UInt16, member<&P::esbLevel>>("ESB-Level", derived("esbLevelEdit")),
    field<K::Bool, member<&P::esbRelativ>>("ESB-relativ", plain("esbRelativCheck")),
    field<K::Bool, member<&P::esbAlways>>("ESB-always", plain("esbAlwaysCheck")),
    field<K::Int32, gateAnfang<0>>("B0-Anfang", {}, {"anfang0", "Blende 0 Anfang", 14}),
    field<K::Int32, gateEnde<0>>("B0-Ende", {}, {"breite0", "Blende 0 Breite", 19}),
    field<K::Threshold, gateSchwelle<0>>("B0-Schwelle"),
    field<K::Int32, gateAnfang<1>>("B1-Anfang", {}, {"anfang1", "Blende 1 Anfang", 15}),
    field<K::Int32, gateEnde<1>>("B1-Ende", {}, {"breite1", "Blende 1 Breite", 20}),
    field<K::Threshold, gateSchwelle<1>>("B1-Schwelle"),
    field<K::Int32, gateAnfang<2>>("B2-Anfang", {}, {"anfang2", "Blende 2 Anfang", 16}),
    field<K::Int32, gateEnde<2>>("B2-Ende", {}, {"breite2", "Blende 2 Breite", 21}),
    field<K::Threshold, gateSchwelle<2>>("B2-Schwelle"),
    field<K::Int32, gateAnfang<3>>("B3-Anfang", {}, {"anfang3", "Blende 3 Anfang", 17}),
    field<K::Int32, gateEnde<3>>("B3-Ende", {}, {"breite3", "Blende 3 Breite", 22}),
    field<K::Threshold, gateSchwelle<3>>("B3-Schwelle"),
    field<K::Int32, gateAnfang<4>>("B4-Anfang", {}, {"anfang4", "Blende 4 Anfang", 18}),
    field<K::Int32, gateEnde<4>>("B4-Ende", {}, {"breite4", "Blende 4 Breite", 23}),
    field<K::Threshold, gateSchwelle<4>>("B4-Schwelle"),
    field<K::Bool, gateEnable<0>>("B0-enable", plain("esbEnableCheck")),
    field<K::Bool, gateEnable<1>>("B1-enable"),
    field<K::Bool, gateEnable<2>>("B2-enable"),
    field<K::Bool, gateEnable<3>>("B3-enable"),
    field<K::Bool, gateEnable<4>>("B4-enable"),
    field<K::Bool, member<&P::triggerExtern>>("TriggerExtern", plain("taktExternCheck")),
    field<K::Int32, member<&P::triggerdelay>>("Triggerdelay", plain("triggerDelayEdit", "Delay")),
    field<K::UInt16, member<&P::sapDelay>>("SAP-Delay", plain("sapDelayEdit", "SAP-Delay")),
};
// clang-format on

// The rows of "Random Limits" are 0 .. n - 1, each once, and only on integer fields.
constexpr bool randomRowsComplete() {
    std::size_t count = 0;
    for (const ParameterField& f : kFields) {
        count += f.random.key != nullptr ? 1 : 0;
    }
    for (std::size_t row = 0; row < count; ++row) {
        std::size_t seen = 0;
        for (const ParameterField& f : kFields) {
            if (f.random.key != nullptr && f.random.row == static_cast<int>(row)) {
                ++seen;
                if (f.kind == FieldKind::Bool) {
                    return false;
                }
            }
        }
        if (seen != 1) {
            return false;
        }
    }
    return true;
}
static_assert(randomRowsComplete(), "every \"Random Limits\" row once, on an integer field");

// A plain number edit needs its label; a plain check box is a boolean.
constexpr bool plainControlsComplete() {
    for (const ParameterField& f : kFields) {
        if (f.plainInEditor() && (f.kind == FieldKind::Bool) != (f.editor.label == nullptr)) {
            return false;
        }
    }
    return true;
}
static_assert(plainControlsComplete(), "a plain number edit has a label, a check box none");

constexpr std::size_t kRandomRows = [] {
    std::size_t count = 0;
    for (const ParameterField& f : kFields) {
        count += f.random.key != nullptr ? 1 : 0;
    }
    return count;
}();

}  // namespace

std::span<const ParameterField> parameterFields() {
    return kFields;
}

std::span<const ParameterField* const> randomLimitFields() {
    static const std::array<const ParameterField*, kRandomRows> kRows = [] {
        std::array<const ParameterField*, kRandomRows> rows{};
        for (const ParameterField& f : kFields) {
            if (f.random.key != nullptr) {
                rows[static_cast<std::size_t>(f.random.row)] = &f;
            }
        }
        return rows;
    }();
    return kRows;
}

IntegerRef integerRef(const ParameterField& field, ParameterSet& set) {
    return std::visit(
        [](auto* member) -> IntegerRef {
            if constexpr (std::is_same_v<decltype(member), bool*>) {
                throw std::logic_error("a boolean parameter field is not an integer");
            } else {
                return IntegerRef::of(*member);
            }
        },
        field.ref(set));
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

std::string fieldText(const ParameterField& field, ParameterSet& set) {
    const FieldRef ref = field.ref(set);
    if (field.kind == FieldKind::Bool) {
        return yesNo(*std::get<bool*>(ref));
    }
    const int64_t value = integerRef(field, set).get();
    return std::to_string(field.kind == FieldKind::Threshold ? value >> 4 : value);
}

void setField(const ParameterField& field, ParameterSet& set, const std::string& value,
              ParameterSet& fallback) {
    if (field.kind == FieldKind::Bool) {
        *std::get<bool*>(field.ref(set)) =
            profileBool(value, *std::get<bool*>(field.ref(fallback)));
        return;
    }
    // The file's number in 32 bits, truncated to the field's width.
    auto number = static_cast<uint32_t>(profileIntOf(value));
    if (field.kind == FieldKind::Threshold) {
        number <<= 4;
    }
    integerRef(field, set).set(number);
}

void copyField(const ParameterField& field, ParameterSet& to, ParameterSet& from) {
    std::visit([&](auto* source) { *std::get<decltype(source)>(field.ref(to)) = *source; },
               field.ref(from));
}

}  // namespace k7check
