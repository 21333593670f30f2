#include "profile/ParameterFileCheck.h"

#include <algorithm>

#include "card/ParameterSet.h"
#include "numbers/NumberText.h"
#include "paramfile/ParameterKeys.h"
#include "profile/ParameterFile.h"

namespace k7check {

namespace {

// The largest file value of a threshold: held as 16 times it in 16 bits.
constexpr int64_t kMaxThresholdInFile = UINT16_MAX >> 4;

class FaultList {
  public:
    FaultList(const IniFile& file, std::vector<std::string>& faults)
        : file_(file), faults_(faults) {}

    // A present, non-empty value must be a whole number in `range`.
    void integer(const std::string& section, const std::string& key, const IntegerRange& range) {
        const auto value = file_.value(section, key);
        if (!value || value->find_first_not_of(" \t") == std::string::npos) {
            return;
        }
        const auto number = parseInteger(*value);
        if (!number || !range.holds(*number)) {
            add(section, key, *value,
                "erlaubt sind " + std::to_string(range.min) + " bis " + std::to_string(range.max));
        }
    }

    // A present table: at most `entries` whole numbers of 16 bits.
    void table(const std::string& section, const std::string& key, size_t entries) {
        const auto value = file_.value(section, key);
        if (!value) {
            return;
        }
        const auto numbers = parseIntegerList(*value);
        const bool good = numbers && numbers->size() <= entries &&
                          std::all_of(numbers->begin(), numbers->end(),
                                      [](int64_t n) { return n >= 0 && n <= UINT16_MAX; });
        if (!good) {
            add(section, key, *value,
                "erlaubt sind bis zu " + std::to_string(entries) + " Zahlen von 0 bis 65535");
        }
    }

  private:
    void add(const std::string& section, const std::string& key, const std::string& value,
             const std::string& allowed) {
        faults_.push_back("[" + section + "] " + key + " = " + value + ": " + allowed);
    }
    const IniFile& file_;
    std::vector<std::string>& faults_;
};

// The range of "Karte": the cards found, and card 1 when there is none.
IntegerRange cardNumberRange(uint32_t cardCount) {
    return {1, std::max<int64_t>(cardCount, 1)};
}

void checkInit(FaultList& check, uint32_t cardCount) {
    const std::string init = "Init";
    check.integer(init, "Karte", cardNumberRange(cardCount));
    check.integer(init, "Parametersatz", {0, kSetsPerCard - 1});
    // Runs work in steps of the display factor and for at least one cycle.
    check.integer(init, "Anzeigefaktor", {1, INT32_MAX});
    check.integer(init, "Zyklen", {1, UINT32_MAX});
    // A data time-out of 0 would let every read wait forever.
    check.integer(init, kTimeOutKey, {1, INT32_MAX});
}

void checkSet(FaultList& check, const std::string& section) {
    ParameterSet probe;
    for (const ParameterField& field : parameterFields()) {
        if (field.kind == FieldKind::Bool) {
            continue;
        }
        check.integer(section, field.key,
                      field.kind == FieldKind::Threshold ? IntegerRange{0, kMaxThresholdInFile}
                                                         : cardRange(field, probe));
    }
    check.integer(section, kTaCountKey, {0, kTaTableSize - 1});
    check.table(section, kTaTableKey, kTaTableSize);
}

void checkRandomLimits(FaultList& check, const char* section) {
    ParameterSet probe;
    for (const ParameterField* field : randomLimitFields()) {
        check.integer(section, field->key, integerRef(*field, probe).range());
    }
}

}  // namespace

std::vector<std::string> parameterFileFaults(const IniFile& file, uint32_t cardCount) {
    std::vector<std::string> faults;
    FaultList check(file, faults);
    checkInit(check, cardCount);
    for (uint32_t k = 1; k <= cardCount && k <= kMaxCards; ++k) {
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            checkSet(check, setSection(k, s));
        }
    }
    checkRandomLimits(check, kRandomLower);
    checkRandomLimits(check, kRandomUpper);
    return faults;
}

std::optional<std::string> selectedCardFault(const IniFile& file, uint32_t cardCount) {
    std::vector<std::string> faults;
    FaultList check(file, faults);
    check.integer("Init", "Karte", cardNumberRange(cardCount));
    if (faults.empty()) {
        return std::nullopt;
    }
    return faults.front();
}

std::string parameterFileRefusal(const std::string& path, const std::vector<std::string>& faults) {
    std::string text = "Parameterdatei " + path + " nicht geladen, ungültige Werte:";
    for (const std::string& fault : faults) {
        text += "\n" + fault;
    }
    return text;
}

}  // namespace k7check
