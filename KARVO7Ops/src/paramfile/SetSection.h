// One parameter set in its section "Karte%d-Satz%d" of the parameter file: its keys in table
// order (missing keys take their defaults), then its depth compensation. The check program's
// parameter file and karvo7 --ini read sets with these.
#pragma once

#include <cstdint>
#include <string>

#include "card/ParameterSet.h"
#include "paramfile/IniFile.h"

namespace k7check {

// "Karte%d-Satz%d" for card 1..16 and set 0..7.
std::string setSection(uint32_t card, uint32_t set);

void readSet(const IniFile& file, const std::string& section, ParameterSet& set, bool& active);
void writeSet(IniFile& file, const std::string& section, const ParameterSet& set, bool active);
// The two halves of writeSet: "Active" and the set's keys, then its depth compensation.
void writeSetKeys(IniFile& file, const std::string& section, const ParameterSet& set, bool active);
void writeDepthCompensation(IniFile& file, const std::string& section, const ParameterSet& set);

// A yes/no key of the parameter file (anything starting with 'n' or 'N' is no; missing: the
// fallback).
bool readProfileBool(const IniFile& file, const char* section, const char* key, bool fallback);

// A set's depth compensation besides its parameter keys: whether it is on, the support-point
// count field (points - 1), the table (gains in 0.1 dB, blank-separated) and the .ta file it
// was read from. A file without them gives count 1, no reference and leaves table and name.
inline constexpr const char* kTaEnableKey = "TA-Enable";
inline constexpr const char* kTaCountKey = "TA-Stuetzstellen";
inline constexpr const char* kTaTableKey = "TA-Tabelle";
inline constexpr const char* kTaFileKey = "TA-Datei";

}  // namespace k7check
