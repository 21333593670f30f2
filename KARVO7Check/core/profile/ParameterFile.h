// The parameter file: the channel table (section "Bus"), the main window's settings and
// automatic flags ("Init", "Check") and the parameter sets ("Karte%d-Satz%d"). Sets of card
// numbers above the number of cards are neither read nor written.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/MainWindowFields.h"
#include "card/ParameterSet.h"
#include "profile/IniFile.h"

namespace k7check {

// "Time Out in s" in section "Init".
inline constexpr const char* kTimeOutKey = "TimeOut";

// "Karte%d-Satz%d" for card 1..16 and set 0..7.
std::string setSection(uint32_t card, uint32_t set);

// Parses "Bus %d Slot %d" as scanf does; fields the text does not reach stay unchanged.
void parseChannel(std::string_view text, uint32_t& bus, uint32_t& slot);

// Reading (missing keys take their defaults).
void readChannels(const IniFile& file, std::array<Channel, kMaxCards>& channels);
void readSettings(const IniFile& file, MainWindowFields& fields, bool& virma4Mode);
void readSet(const IniFile& file, const std::string& section, ParameterSet& set, bool& active);
void readSets(const IniFile& file, ParameterSetTable& table, uint32_t cardCount);

// Writing (the section "Bus" is never written).
void writeSettings(IniFile& file, const MainWindowFields& fields, bool virma4Mode);
void writeSet(IniFile& file, const std::string& section, const ParameterSet& set, bool active);
void writeSets(IniFile& file, const ParameterSetTable& table, uint32_t cardCount);

// The random limits pair, in the sections kRandomLower and kRandomUpper with the keys of the
// fields "Random Limits" edits. A missing key keeps the value the pair holds.
inline constexpr const char* kRandomLower = "Random-Minimum";
inline constexpr const char* kRandomUpper = "Random-Maximum";
void readRandomLimits(const IniFile& file, RandomLimits& limits);
void writeRandomLimits(IniFile& file, const RandomLimits& limits);

// A set's depth compensation besides its parameter keys: whether it is on, the support-point
// count field (points - 1), the table (gains in 0.1 dB, blank-separated) and the .ta file it
// was read from. A file without them gives count 1, no reference and leaves table and name.
inline constexpr const char* kTaEnableKey = "TA-Enable";
inline constexpr const char* kTaCountKey = "TA-Stuetzstellen";
inline constexpr const char* kTaTableKey = "TA-Tabelle";
inline constexpr const char* kTaFileKey = "TA-Datei";

}  // namespace k7check
