// Parameter sets of a parameter file through the C interface: read by the library's own reader,
// handed out as the card takes a set or as the file means each key.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "CallerText.h"
#include "KARVO7Ops.h"
#include "card/OpsRecord.h"
#include "card/SetToCard.h"
#include "card/Units.h"
#include "paramfile/IniFile.h"
#include "paramfile/ParameterKeys.h"
#include "paramfile/SetFile.h"
#include "paramfile/SetSection.h"

namespace {

using k7ops::copyText;
using k7ops::fail;

// The depth compensation a set hands the card, copied into `table`; its length, 0 for none.
uint32_t copyDepthTable(const k7check::ParameterSet& set, uint16_t* table) {
    if (!set.taReferenz) {
        return 0;
    }
    const uint32_t points = static_cast<uint32_t>(set.taStuetzstellen) + 1;
    std::copy_n(set.taTabelle.begin(), K7OPS_TA_ENTRIES, table);
    return points;
}

}  // namespace

extern "C" {

KARVO7OPS_API int K7OpsReadSet(const char* path, uint32_t card, uint32_t set, uint32_t start,
                               K7OpsSet* record, uint16_t* table, int32_t* active, char* message,
                               uint32_t messageBytes, uint32_t* error) {
    copyText(message, messageBytes, "");
    if (path == nullptr || record == nullptr || table == nullptr || active == nullptr ||
        error == nullptr || card < 1 || card > k7check::kMaxCards || set >= k7check::kSetsPerCard ||
        start > 0xFFu) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    k7check::ParameterSet read;
    bool on = false;
    const k7check::SetFileRead outcome =
        k7check::readSetFromFile(path, k7check::setSection(card, set), read, on);
    if (!outcome.ok()) {
        copyText(message, messageBytes, outcome.why);
        return fail(error, K7OPS_ERROR_FILE);
    }
    const k7check::CardRecord r = k7check::cardRecordOf(read, static_cast<uint8_t>(start));
    *record = k7check::opsRecordOf(r);
    record->measure.TATabelle = copyDepthTable(read, table) != 0 ? table : nullptr;
    *active = on ? 1 : 0;
    *error = 0;
    return 1;
}

KARVO7OPS_API int K7OpsParseSet(const char* text, uint64_t size, const char* section,
                                int64_t* values, uint32_t count, uint16_t* table, uint32_t* points,
                                int32_t* active, uint32_t* error) {
    const auto fields = k7check::parameterFields();
    if ((text == nullptr && size > 0) || section == nullptr || values == nullptr ||
        table == nullptr || points == nullptr || active == nullptr || error == nullptr ||
        count < fields.size() || size > SIZE_MAX) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    const k7check::IniFile file = k7check::IniFile::parse(
        std::string_view(text == nullptr ? "" : text, static_cast<std::size_t>(size)));
    k7check::ParameterSet read;
    bool on = false;
    k7check::readSet(file, section, read, on);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int64_t value = k7check::fieldValue(fields[i], read);
        // A threshold is held as 16 times the file's number.
        values[i] = fields[i].kind == k7check::FieldKind::Threshold ? value / 16 : value;
    }
    *points = copyDepthTable(read, table);
    *active = on ? 1 : 0;
    *error = 0;
    return 1;
}

KARVO7OPS_API uint32_t K7OpsSetFieldCount(void) {
    return static_cast<uint32_t>(k7check::parameterFields().size());
}

KARVO7OPS_API double K7OpsSamplePeriod(uint32_t sampleRate) {
    return static_cast<double>(
        k7check::units::rateTiming(static_cast<uint8_t>(sampleRate & 0xFF)).period);
}

KARVO7OPS_API uint32_t K7OpsSetFieldKey(uint32_t index, char* key, uint32_t capacity) {
    const auto fields = k7check::parameterFields();
    if (index >= fields.size()) {
        copyText(key, capacity, "");
        return 0;
    }
    return copyText(key, capacity, fields[index].key);
}

}  // extern "C"
