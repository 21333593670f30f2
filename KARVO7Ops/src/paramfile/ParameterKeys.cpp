#include "paramfile/ParameterKeys.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

#include "KARVO7DLL.h"
#include "paramfile/IniFile.h"

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
                               RandomLimitRow random = {}, StartLimits limits = {}) {
    using Member = std::remove_reference_t<decltype(Access(std::declval<ParameterSet&>()))>;
    static_assert(std::is_same_v<Member, typename FieldType<Kind>::type>,
                  "the kind of a parameter field must match its member's type");
    return {key,    Kind,   [](ParameterSet& set) -> FieldRef { return &Access(set); },
            editor, random, limits};
}

constexpr EditorControl plain(const char* control, const char* label = nullptr) {
    return {control, label, false};
}
constexpr EditorControl derived(const char* control) {
    return {control, nullptr, true};
}
constexpr StartLimits limits(int64_t lower, int64_t upper) {
    return {true, lower, upper};
}

using K = FieldKind;
using P = ParameterSet;
using D = DrawRule;

// clang-format off
constexpr std::array kFields{
    field<K::UInt32, member<&P::iff>>("IFF", plain("maxSapEdit", "max. SAP"), {"iff", "max. SAP", 0, 2, D::OnGrid}, limits(0, 0)),
    field<K::Bool, member<&P::bit8>>("8Bit", plain("bit8Check"), {}, limits(0, 1)),
    field<K::UInt8, member<&P::average>>("Average", plain("averageEdit", "Average"), {"average", "Average", 10, 0, D::Range}, limits(0, 7)),
    field<K::UInt8, member<&P::samplerate>>("Samplerate", derived("rate80Radio"), {"samplerate", "Samplefrequenz", 7, 1, D::Range}, limits(0, 4)),
    field<K::UInt8, member<&P::start>>("Start", derived("keineMessungRadio")),
    field<K::UInt16, member<&P::pkVorlauf>>("PK-Vorlauf", derived("vorlaufEdit"), {"vorlauf", "Vorlauf", 11, 3, D::OnGrid}, limits(0, 0)),
    field<K::UInt16, member<&P::aufnahmelaenge>>("Aufnahmelaenge", derived("aufnahmeEdit"), {"aufnahme", "Aufnahme", 13, 4, D::OnGrid}, limits(16, 16000)),
    field<K::Int32, member<&P::aufnahmedelay>>("Aufnahmedelay", derived("recordDelayEdit"), {"delay", "Delay", 12, 5, D::OnGrid}, limits(0, 100)),
    field<K::Bool, member<&P::ascan>>("ASCAN", derived("ascanEdit"), {}, limits(0, 1)),
    field<K::UInt8, member<&P::faktor>>("Faktor", derived("ascanEdit"), {"faktor", "A-Scan", 8, 6, D::Range}, limits(0, 25)),
    field<K::UInt8, member<&P::gleichrichtung>>("Gleichrichtung", derived("hfRadio"), {"gleichrichtung", "Gleichrichtung", 9, 7, D::Range}, limits(0, 3)),
    field<K::Bool, member<&P::externerTrigger>>("ExternerTrigger", plain("triggerExternCheck")),
    field<K::UInt8, member<&P::triggereingangsmode>>("Triggereingangsmode", derived("eingangMasterRadio")),
    field<K::UInt8, member<&P::triggerausgangsmode>>("Triggerausgangsmode", derived("ausgangMasterStartRadio")),
    field<K::UInt8, member<&P::ausblenden>>("Ausblenden", plain("blendeEdit", "Blende")),
    field<K::UInt16, member<&P::taVerzoegerung>>("TA-Verzoegerung", derived("taDelayEdit")),
    field<K::UInt16, member<&P::taAbstand>>("TA-Abstand", derived("taAbstandEdit")),
    field<K::Bool, member<&P::sendersperre>>("Sendersperre", plain("sperreCheck")),
    field<K::UInt8, member<&P::sendeimpulsbreite>>("Sendeimpulsbreite", derived("pulse65Radio"), {"sendeimpulsbreite", "Sendeimplusbreite", 1, 8, D::Range}, limits(0, 5)),
    field<K::UInt8, member<&P::sendeenergie>>("Sendeenergie", derived("energie1Radio"), {"sendeenergie", "Sendeenergie", 2, 9, D::Range}, limits(0, 0)),
    field<K::Bool, member<&P::seMode>>("SE-Mode", plain("seCheck")),
    field<K::UInt8, member<&P::senderdaempfung>>("Senderdaempfung", plain("senderdaempfungEdit", "Senderdämpfung"), {"senderdaempfung", "Senderdämpfung", 3, 11, D::Switch}, limits(0, 0)),
    field<K::UInt8, member<&P::eingangsdaempfung>>("Eingangsdaempfung", plain("eingangsdaempfungEdit", "Eingangsdämpfung"), {"eingangsdaempfung", "Eingangsdämpfung", 4, 12, D::Switch}, limits(0, 0)),
    field<K::UInt8, member<&P::filter>>("Filter", plain("filterEdit", "Filter"), {"filter", "Filter", 6, 13, D::UpTo}, limits(3, 3)),
    field<K::UInt16, member<&P::verstaerkung>>("Verstaerkung", derived("verstaerkungEdit"), {"verstaerkung", "Verstärkung", 5, 10, D::Word}, limits(0, 900)),
    field<K::Int32, member<&P::esbTime>>("ESB-Time", derived("esbTimeEdit")),
    field<K::UInt16, member<&P::esbLevel>>("ESB-Level", derived("esbLevelEdit")),
    field<K::Bool, member<&P::esbRelativ>>("ESB-relativ", plain("esbRelativCheck")),
    field<K::Bool, member<&P::esbAlways>>("ESB-always", plain("esbAlwaysCheck")),
    field<K::Int32, gateAnfang<0>>("B0-Anfang", {}, {"anfang0", "Blende 0 Anfang", 14, 14, D::OnGrid}, limits(0, 6000)),
    field<K::Int32, gateEnde<0>>("B0-Ende", {}, {"breite0", "Blende 0 Breite", 19, 15, D::OnGrid}, limits(100, 2000)),
    field<K::Threshold, gateSchwelle<0>>("B0-Schwelle", {}, {}, limits(0, 1024)),
    field<K::Int32, gateAnfang<1>>("B1-Anfang", {}, {"anfang1", "Blende 1 Anfang", 15, 16, D::OnGrid}, limits(0, 6000)),
    field<K::Int32, gateEnde<1>>("B1-Ende", {}, {"breite1", "Blende 1 Breite", 20, 17, D::OnGrid}, limits(100, 2000)),
    field<K::Threshold, gateSchwelle<1>>("B1-Schwelle", {}, {}, limits(0, 1024)),
    field<K::Int32, gateAnfang<2>>("B2-Anfang", {}, {"anfang2", "Blende 2 Anfang", 16, 18, D::OnGrid}, limits(0, 6000)),
    field<K::Int32, gateEnde<2>>("B2-Ende", {}, {"breite2", "Blende 2 Breite", 21, 19, D::OnGrid}, limits(100, 2000)),
    field<K::Threshold, gateSchwelle<2>>("B2-Schwelle", {}, {}, limits(0, 1024)),
    field<K::Int32, gateAnfang<3>>("B3-Anfang", {}, {"anfang3", "Blende 3 Anfang", 17, 20, D::OnGrid}, limits(0, 6000)),
    field<K::Int32, gateEnde<3>>("B3-Ende", {}, {"breite3", "Blende 3 Breite", 22, 21, D::OnGrid}, limits(100, 2000)),
    field<K::Threshold, gateSchwelle<3>>("B3-Schwelle", {}, {}, limits(0, 1024)),
    field<K::Int32, gateAnfang<4>>("B4-Anfang", {}, {"anfang4", "Blende 4 Anfang", 18, 22, D::OnGrid}, limits(0, 6000)),
    field<K::Int32, gateEnde<4>>("B4-Ende", {}, {"breite4", "Blende 4 Breite", 23, 23, D::OnGrid}, limits(100, 2000)),
    field<K::Threshold, gateSchwelle<4>>("B4-Schwelle", {}, {}, limits(0, 1024)),
    field<K::Bool, gateEnable<0>>("B0-enable", plain("esbEnableCheck"), {}, limits(0, 1)),
    field<K::Bool, gateEnable<1>>("B1-enable", {}, {}, limits(0, 1)),
    field<K::Bool, gateEnable<2>>("B2-enable", {}, {}, limits(0, 1)),
    field<K::Bool, gateEnable<3>>("B3-enable", {}, {}, limits(0, 1)),
    field<K::Bool, gateEnable<4>>("B4-enable", {}, {}, limits(0, 1)),
    field<K::Bool, member<&P::triggerExtern>>("TriggerExtern", plain("taktExternCheck")),
    field<K::Int32, member<&P::triggerdelay>>("Triggerdelay", plain("triggerDelayEdit", "Delay")),
    field<K::UInt16, member<&P::sapDelay>>("SAP-Delay", plain("sapDelayEdit", "SAP-Delay")),
};
// clang-format on

constexpr std::size_t kRandomRows = [] {
    std::size_t count = 0;
    for (const ParameterField& f : kFields) {
        count += f.random.key != nullptr ? 1 : 0;
    }
    return count;
}();

// The positions `Position` gives the fields with random limits are 0 .. n - 1, each once, and
// only on integer fields with start-up limits.
template <int RandomLimitRow::*Position>
constexpr bool randomPositionsComplete() {
    for (std::size_t position = 0; position < kRandomRows; ++position) {
        std::size_t seen = 0;
        for (const ParameterField& f : kFields) {
            if (f.random.key != nullptr && f.random.*Position == static_cast<int>(position)) {
                ++seen;
                if (f.kind == FieldKind::Bool || !f.limits.given) {
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
static_assert(randomPositionsComplete<&RandomLimitRow::row>(),
              "every \"Random Limits\" row once, on an integer field with start-up limits");
static_assert(randomPositionsComplete<&RandomLimitRow::draw>(),
              "every place of the random draw once, on an integer field with start-up limits");

// The draw takes the sampling rate before every field on its grid.
constexpr bool samplingRateDrawnFirst() {
    int samplerate = -1;
    for (const ParameterField& f : kFields) {
        if (f.key == std::string_view("Samplerate")) {
            samplerate = f.random.draw;
        }
    }
    for (const ParameterField& f : kFields) {
        if (f.random.key != nullptr && f.random.rule == DrawRule::OnGrid &&
            f.random.draw <= samplerate) {
            return false;
        }
    }
    return samplerate >= 0;
}
static_assert(samplingRateDrawnFirst(), "the sampling rate is drawn before the times on its grid");

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

// The fields with random limits ordered by one of their positions.
template <int RandomLimitRow::*Position>
std::array<const ParameterField*, kRandomRows> randomFieldsBy() {
    std::array<const ParameterField*, kRandomRows> fields{};
    for (const ParameterField& f : kFields) {
        if (f.random.key != nullptr) {
            fields[static_cast<std::size_t>(f.random.*Position)] = &f;
        }
    }
    return fields;
}

}  // namespace

std::span<const ParameterField> parameterFields() {
    return kFields;
}

std::span<const ParameterField* const> randomLimitFields() {
    static const std::array kRows = randomFieldsBy<&RandomLimitRow::row>();
    return kRows;
}

std::span<const ParameterField* const> randomDrawFields() {
    static const std::array kDraw = randomFieldsBy<&RandomLimitRow::draw>();
    return kDraw;
}

RandomLimits defaultRandomLimits() {
    RandomLimits limits;
    for (const ParameterField& f : kFields) {
        if (f.limits.given) {
            setFieldValue(f, limits.lower, f.limits.lower);
            setFieldValue(f, limits.upper, f.limits.upper);
        }
    }
    // The depth compensation is never drawn: no support points.
    limits.lower.taStuetzstellen = limits.upper.taStuetzstellen = 0;
    return limits;
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

namespace {

// The fields whose values the library refuses beyond a limit (ErrorWords.h names its refusals).
struct CardLimit {
    const char* key;
    int64_t min;
    int64_t max;
};

constexpr std::array kCardLimits{
    CardLimit{"IFF", 0, 0x3FFFFF},
    CardLimit{"Average", 0, 7},
    CardLimit{"Samplerate", 0, 7},
    CardLimit{"Start", 0, 11},
    CardLimit{"Aufnahmelaenge", 1, UINT16_MAX},
    CardLimit{"Aufnahmedelay", 0, 0xFFFFF},
    CardLimit{"Faktor", 0, UINT8_MAX},
    CardLimit{"Gleichrichtung", 0, 3},
    CardLimit{"Triggereingangsmode", 0, 3},
    CardLimit{"Triggerausgangsmode", 0, 7},
    CardLimit{"Ausblenden", 0, 15},
    CardLimit{"Sendeimpulsbreite", 0, 5},
    CardLimit{"Sendeenergie", 0, 7},
    CardLimit{"Senderdaempfung", 0, 3},
    CardLimit{"Eingangsdaempfung", 0, 3},
    CardLimit{"Filter", 0, 7},
    CardLimit{"TA-Abstand", 0, UINT16_MAX},
};

}  // namespace

IntegerRange cardRange(const ParameterField& field, ParameterSet& set) {
    IntegerRange range = integerRef(field, set).range();
    for (const CardLimit& limit : kCardLimits) {
        if (std::string_view(limit.key) == field.key) {
            range.min = std::max(range.min, limit.min);
            range.max = std::min(range.max, limit.max);
        }
    }
    return range;
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

int64_t fieldValue(const ParameterField& field, const ParameterSet& set) {
    // The table reaches members through a non-const set; the value is only read.
    auto& members = const_cast<ParameterSet&>(set);
    if (field.kind == FieldKind::Bool) {
        return *std::get<bool*>(field.ref(members)) ? 1 : 0;
    }
    return integerRef(field, members).get();
}

void setFieldValue(const ParameterField& field, ParameterSet& set, int64_t value) {
    if (field.kind == FieldKind::Bool) {
        *std::get<bool*>(field.ref(set)) = value != 0;
        return;
    }
    integerRef(field, set).set(value);
}

void copyField(const ParameterField& field, ParameterSet& to, ParameterSet& from) {
    std::visit([&](auto* source) { *std::get<decltype(source)>(field.ref(to)) = *source; },
               field.ref(from));
}

}  // namespace k7check
