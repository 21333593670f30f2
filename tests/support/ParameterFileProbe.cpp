// What the check program and `karvo7 --ini` take from a parameter file: the data time-out, the
// random limits pair and, for each section named after the file, the set's keys and the depth
// compensation its card record hands the card. Writes "TimeOut n", then "Random-Minimum key=text"
// and "Random-Maximum key=text" a field each, then for each set "section key=text" a field each
// and "section TA none" or "section TA points v0 v1 ..." (the card's support points). The Python
// package's parameter file reader has its agreement test compare the two.
#include <iostream>
#include <string>

#include "app/MainWindowFields.h"
#include "card/SetToCard.h"
#include "k7base/RegularFile.h"
#include "paramfile/IniFile.h"
#include "paramfile/ParameterKeys.h"
#include "profile/ParameterFile.h"

namespace {

void printLimits(const char* section, k7check::ParameterSet& set) {
    for (const k7check::ParameterField* field : k7check::randomLimitFields()) {
        std::cout << section << " " << field->key << "=" << k7check::fieldText(*field, set) << "\n";
    }
}

void printSet(const k7check::IniFile& file, const std::string& section) {
    k7check::ParameterSet set;
    bool active = false;
    k7check::readSet(file, section, set, active);
    for (const k7check::ParameterField& field : k7check::parameterFields()) {
        std::cout << section << " " << field.key << "=" << k7check::fieldText(field, set) << "\n";
    }
    const MeasureParams measure = k7check::cardRecordOf(set, 1).measure;
    std::cout << section << " TA";
    if (measure.TATabelle == nullptr) {
        std::cout << " none\n";
        return;
    }
    const uint32_t points = (measure.TAStuetzstellen & 0xFFu) + 1;
    std::cout << " " << points;
    for (uint32_t i = 0; i < points; ++i) {
        std::cout << " " << measure.TATabelle[i];
    }
    std::cout << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: k7_parameter_file FILE [SECTION...]\n";
        return 2;
    }
    std::string text;
    std::string why;
    if (!k7base::readRegularFile(argv[1], text, &why)) {
        std::cerr << why << "\n";
        return 2;
    }
    const k7check::IniFile file = k7check::IniFile::parse(text);
    k7check::MainWindowFields fields;
    bool virma4Mode = true;
    k7check::readSettings(file, fields, virma4Mode);
    std::cout << "TimeOut " << fields.timeOut << "\n";
    k7check::RandomLimits limits = k7check::defaultRandomLimits();
    k7check::readRandomLimits(file, limits);
    printLimits(k7check::kRandomLower, limits.lower);
    printLimits(k7check::kRandomUpper, limits.upper);
    for (int i = 2; i < argc; ++i) {
        printSet(file, argv[i]);
    }
    return 0;
}
