// The parameter file on arbitrary bytes: naming its bad values reads nothing beyond them, and a
// file without bad values reads back, once saved, as the same settings, sets (depth
// compensation included) and random limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/CheckWindows.h"
#include "app/MainWindowFields.h"
#include "card/ParameterSet.h"
#include "paramfile/IniFile.h"
#include "paramfile/ParameterKeys.h"
#include "profile/ParameterFile.h"
#include "profile/ParameterFileCheck.h"

namespace k7check {
// The registry of windows is not what this harness reads: no window is registered.
void registerCheckWindows(CheckRegistry&) {}
}  // namespace k7check

namespace {

using namespace k7check;

constexpr uint32_t kCards = 2;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Loaded {
    MainWindowFields fields;
    bool virma4 = false;
    ParameterSetTable sets;
    RandomLimits limits = defaultRandomLimits();
};

void load(const IniFile& file, Loaded& into) {
    readSettings(file, into.fields, into.virma4);
    readSets(file, into.sets, kCards);
    readRandomLimits(file, into.limits);
}

bool sameSet(ParameterSet a, ParameterSet b) {
    for (const ParameterField& field : parameterFields()) {
        if (fieldText(field, a) != fieldText(field, b)) {
            return false;
        }
    }
    return a.taReferenz == b.taReferenz && a.taStuetzstellen == b.taStuetzstellen &&
           a.taTabelle == b.taTabelle && a.taDatei == b.taDatei;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const IniFile file =
        IniFile::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parameterFileFaults(file, kCards).empty()) {
        return 0;
    }
    Loaded first;
    load(file, first);
    IniFile saved;
    writeSettings(saved, first.fields, first.virma4);
    writeSets(saved, first.sets, kCards);
    writeRandomLimits(saved, first.limits);
    check(parameterFileFaults(saved, kCards).empty());
    Loaded again;
    load(saved, again);
    check(again.fields.karte == first.fields.karte);
    check(again.fields.parametersatz == first.fields.parametersatz);
    check(again.fields.zyklen == first.fields.zyklen);
    check(again.fields.timeOut == first.fields.timeOut);
    check(again.fields.anzeigefaktor == first.fields.anzeigefaktor);
    for (uint32_t k = 1; k <= kCards; ++k) {
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            check(sameSet(again.sets.set(k, s), first.sets.set(k, s)));
            check(again.sets.active(k, s) == first.sets.active(k, s));
        }
    }
    check(sameSet(again.limits.lower, first.limits.lower));
    check(sameSet(again.limits.upper, first.limits.upper));
    return 0;
}
