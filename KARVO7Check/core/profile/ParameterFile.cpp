#include "profile/ParameterFile.h"

#include <cctype>

#include "numbers/NumberText.h"
#include "paramfile/ParameterKeys.h"
#include "paramfile/SetSection.h"

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
    fields.dma = readProfileBool(file, kInit, "DMA", true);
    fields.prepAll = readProfileBool(file, kInit, "PrepAll", false);
    fields.kontinuierlich = readProfileBool(file, kInit, "Kontinuierlich", false);
    fields.anzeige = readProfileBool(file, kInit, "Anzeige", true);
    virma4Mode = readProfileBool(file, kInit, "VIRMA4", true);
    fields.hotPlugAutomatic = readProfileBool(file, kInit, "HotPlug", true);
    for (const CheckId id : kReadOrder) {
        fields.automatic[index(id)] =
            readProfileBool(file, kCheck, checkButton(id).automaticKey, true);
    }
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
