#include "paramfile/SetSection.h"

#include <algorithm>
#include <vector>

#include "numbers/NumberText.h"
#include "paramfile/ParameterKeys.h"

namespace k7check {

namespace {

// The table entries up to the last one in use: the card's points and any value after them.
size_t usedTaEntries(const ParameterSet& set) {
    size_t used = static_cast<size_t>(set.taStuetzstellen) + 1;
    for (size_t i = used; i < set.taTabelle.size(); ++i) {
        if (set.taTabelle[i] != 0) {
            used = i + 1;
        }
    }
    return std::min(used, set.taTabelle.size());
}

void readDepthCompensation(const IniFile& file, const std::string& section, ParameterSet& set) {
    set.taReferenz = readProfileBool(file, section.c_str(), kTaEnableKey, false);
    set.taStuetzstellen = static_cast<uint8_t>(file.getInt(section, kTaCountKey, 1));
    if (const auto table = file.value(section, kTaTableKey)) {
        const auto entries = parseIntegerList(*table).value_or(std::vector<int64_t>{});
        set.taTabelle.fill(0);
        for (size_t i = 0; i < entries.size() && i < set.taTabelle.size(); ++i) {
            set.taTabelle[i] = static_cast<uint16_t>(entries[i]);
        }
    }
    if (const auto name = file.value(section, kTaFileKey)) {
        set.taDatei = *name;
    }
}

}  // namespace

bool readProfileBool(const IniFile& file, const char* section, const char* key, bool fallback) {
    return profileBool(file.getString(section, key, yesNo(fallback)), fallback);
}

std::string setSection(uint32_t card, uint32_t set) {
    return "Karte" + std::to_string(card) + "-Satz" + std::to_string(set);
}

void readSet(const IniFile& file, const std::string& section, ParameterSet& set, bool& active) {
    ParameterSet defaults;
    active = readProfileBool(file, section.c_str(), "Active", false);
    for (const ParameterField& key : parameterFields()) {
        const auto value = file.value(section, key.key);
        // An emptied number reads as its default, as the profile functions read integers.
        const bool blank = value && key.kind != FieldKind::Bool &&
                           value->find_first_not_of(" \t") == std::string::npos;
        setField(key, set, value && !blank ? *value : fieldText(key, defaults), defaults);
    }
    readDepthCompensation(file, section, set);
}

void writeSetKeys(IniFile& file, const std::string& section, const ParameterSet& set, bool active) {
    ParameterSet copy = set;
    file.set(section, "Active", yesNo(active));
    for (const ParameterField& key : parameterFields()) {
        file.set(section, key.key, fieldText(key, copy));
    }
}

void writeDepthCompensation(IniFile& file, const std::string& section, const ParameterSet& set) {
    file.set(section, kTaEnableKey, yesNo(set.taReferenz));
    file.set(section, kTaCountKey, std::to_string(set.taStuetzstellen));
    std::vector<int64_t> entries(set.taTabelle.begin(),
                                 set.taTabelle.begin() + static_cast<long>(usedTaEntries(set)));
    std::string table = formatIntegerList(entries);
    std::erase(table, ',');
    file.set(section, kTaTableKey, table);
    file.set(section, kTaFileKey, set.taDatei);
}

void writeSet(IniFile& file, const std::string& section, const ParameterSet& set, bool active) {
    writeSetKeys(file, section, set, active);
    writeDepthCompensation(file, section, set);
}

}  // namespace k7check
