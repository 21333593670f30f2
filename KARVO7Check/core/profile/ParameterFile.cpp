#include "profile/ParameterFile.h"

#include <cctype>

#include "fields/NumberText.h"
#include "profile/ParameterKeys.h"

namespace k7check {

namespace {

constexpr const char* kBus = "Bus";
constexpr const char* kInit = "Init";
constexpr const char* kCheck = "Check";

// A tiny scanf: blanks in the pattern match any run of blanks, "%d" an optionally signed
// decimal number after blanks, every other character itself. Returns the numbers converted
// before the first mismatch.
int scan(std::string_view text, std::string_view pattern, uint32_t* out[], int outCount) {
    size_t t = 0;
    int converted = 0;
    auto skipBlanks = [&] {
        while (t < text.size() && std::isspace(static_cast<unsigned char>(text[t])) != 0) {
            ++t;
        }
    };
    for (size_t p = 0; p < pattern.size(); ++p) {
        const char c = pattern[p];
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            skipBlanks();
        } else if (c == '%' && p + 1 < pattern.size() && pattern[p + 1] == 'd') {
            ++p;
            skipBlanks();
            bool negative = false;
            if (t < text.size() && (text[t] == '-' || text[t] == '+')) {
                negative = text[t] == '-';
                ++t;
            }
            if (t >= text.size() || text[t] < '0' || text[t] > '9' || converted >= outCount) {
                return converted;
            }
            uint32_t number = 0;
            while (t < text.size() && text[t] >= '0' && text[t] <= '9') {
                number = number * 10u + static_cast<uint32_t>(text[t] - '0');
                ++t;
            }
            *out[converted++] = negative ? 0u - number : number;
        } else {
            if (t >= text.size() || text[t] != c) {
                return converted;
            }
            ++t;
        }
    }
    return converted;
}

bool readBool(const IniFile& file, const char* section, const char* key, bool fallback) {
    return profileBool(file.getString(section, key, yesNo(fallback)), fallback);
}

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
    set.taReferenz = readBool(file, section.c_str(), kTaEnableKey, false);
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

void readLimitSection(const IniFile& file, const char* section, ParameterSet& set) {
    ParameterSet fallback = set;
    for (const ParameterField* field : randomLimitFields()) {
        const auto value = file.value(section, field->key);
        if (value && value->find_first_not_of(" \t") != std::string::npos) {
            setField(*field, set, *value, fallback);
        }
    }
}

void writeLimitSection(IniFile& file, const char* section, const ParameterSet& set) {
    ParameterSet copy = set;
    for (const ParameterField* field : randomLimitFields()) {
        file.set(section, field->key, fieldText(*field, copy));
    }
}

// The automatic flags kept in section "Check", in the order they are read and written.
constexpr std::array kReadOrder{
    CheckId::PciConfiguration, CheckId::PciEeprom,   CheckId::PciOperation, CheckId::Kennung,
    CheckId::SteuerLca,        CheckId::Dsp,         CheckId::Test,         CheckId::Command,
    CheckId::ParameterShot,    CheckId::Blockmessung};
constexpr std::array kWriteOrder{CheckId::PciConfiguration,
                                 CheckId::PciEeprom,
                                 CheckId::PciOperation,
                                 CheckId::Kennung,
                                 CheckId::Dsp,
                                 CheckId::SteuerLca,
                                 CheckId::Test,
                                 CheckId::Command,
                                 CheckId::ParameterShot,
                                 CheckId::Blockmessung};

}  // namespace

std::string setSection(uint32_t card, uint32_t set) {
    return "Karte" + std::to_string(card) + "-Satz" + std::to_string(set);
}

void parseChannel(std::string_view text, uint32_t& bus, uint32_t& slot) {
    uint32_t* out[] = {&bus, &slot};
    scan(text, "Bus %d Slot %d", out, 2);
}

void readChannels(const IniFile& file, std::array<Channel, kMaxCards>& channels) {
    for (uint32_t n = 1; n <= kMaxCards; ++n) {
        const std::string value = file.getString(kBus, "Kanal" + std::to_string(n), "Bus 0 Slot 0");
        parseChannel(value, channels[n - 1].bus, channels[n - 1].slot);
    }
}

void readSettings(const IniFile& file, MainWindowFields& fields, bool& virma4Mode) {
    fields.karte = static_cast<uint32_t>(file.getInt(kInit, "Karte", 1));
    fields.parametersatz = static_cast<uint32_t>(file.getInt(kInit, "Parametersatz", 1));
    fields.anzeigefaktor = file.getInt(kInit, "Anzeigefaktor", 1);
    fields.zyklen = static_cast<uint32_t>(file.getInt(kInit, "Zyklen", 200));
    // A data time-out of 0 would let every read wait forever: such a value is not taken.
    const int32_t timeOut = file.getInt(kInit, kTimeOutKey, kDefaultTimeOut);
    fields.timeOut = timeOut > 0 ? timeOut : kDefaultTimeOut;
    fields.dma = readBool(file, kInit, "DMA", true);
    fields.prepAll = readBool(file, kInit, "PrepAll", false);
    fields.kontinuierlich = readBool(file, kInit, "Kontinuierlich", false);
    fields.anzeige = readBool(file, kInit, "Anzeige", true);
    virma4Mode = readBool(file, kInit, "VIRMA4", true);
    fields.hotPlugAutomatic = readBool(file, kInit, "HotPlug", true);
    for (const CheckId id : kReadOrder) {
        fields.automatic[index(id)] = readBool(file, kCheck, checkButton(id).automaticKey, true);
    }
}

void readSet(const IniFile& file, const std::string& section, ParameterSet& set, bool& active) {
    ParameterSet defaults;
    active = readBool(file, section.c_str(), "Active", false);
    for (const ParameterField& key : parameterFields()) {
        const auto value = file.value(section, key.key);
        // An emptied number reads as its default, as the profile functions read integers.
        const bool blank = value && key.kind != FieldKind::Bool &&
                           value->find_first_not_of(" \t") == std::string::npos;
        setField(key, set, value && !blank ? *value : fieldText(key, defaults), defaults);
    }
    readDepthCompensation(file, section, set);
}

void readSets(const IniFile& file, ParameterSetTable& table, uint32_t cardCount) {
    for (uint32_t k = 1; k <= cardCount && k <= kMaxCards; ++k) {
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            readSet(file, setSection(k, s), table.set(k, s), table.active(k, s));
        }
    }
}

void writeSettings(IniFile& file, const MainWindowFields& fields, bool virma4Mode) {
    file.set(kInit, "Parametersatz", std::to_string(fields.parametersatz));
    file.set(kInit, "Anzeigefaktor", std::to_string(fields.anzeigefaktor));
    file.set(kInit, "Zyklen", std::to_string(fields.zyklen));
    file.set(kInit, "Karte", std::to_string(fields.karte));
    file.set(kInit, "DMA", yesNo(fields.dma));
    file.set(kInit, "PrepAll", yesNo(fields.prepAll));
    file.set(kInit, "Kontinuierlich", yesNo(fields.kontinuierlich));
    file.set(kInit, "Anzeige", yesNo(fields.anzeige));
    file.set(kInit, "VIRMA4", yesNo(virma4Mode));
    file.set(kInit, "HotPlug", yesNo(fields.hotPlugAutomatic));
    file.set(kInit, kTimeOutKey, std::to_string(fields.timeOut));
    for (const CheckId id : kWriteOrder) {
        file.set(kCheck, checkButton(id).automaticKey, yesNo(fields.automatic[index(id)]));
    }
}

void writeSet(IniFile& file, const std::string& section, const ParameterSet& set, bool active) {
    ParameterSet copy = set;
    file.set(section, "Active", yesNo(active));
    for (const ParameterField& key : parameterFields()) {
        file.set(section, key.key, fieldText(key, copy));
    }
    writeDepthCompensation(file, section, set);
}

void writeSets(IniFile& file, const ParameterSetTable& table, uint32_t cardCount) {
    for (uint32_t k = 1; k <= cardCount && k <= kMaxCards; ++k) {
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            writeSet(file, setSection(k, s), table.set(k, s), table.active(k, s));
        }
    }
}

void readRandomLimits(const IniFile& file, RandomLimits& limits) {
    readLimitSection(file, kRandomLower, limits.lower);
    readLimitSection(file, kRandomUpper, limits.upper);
}

void writeRandomLimits(IniFile& file, const RandomLimits& limits) {
    writeLimitSection(file, kRandomLower, limits.lower);
    writeLimitSection(file, kRandomUpper, limits.upper);
}

}  // namespace k7check
