// The parameter file: the channel table (section "Bus"), the main window's settings and
// automatic flags ("Init", "Check") and the parameter sets ("Karte%d-Satz%d", each read and
// written as profile/SetSection.h says). Sets of card numbers above the number of cards are
// neither read nor written.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/MainWindowFields.h"
#include "card/ParameterSet.h"
#include "paramfile/IniFile.h"
#include "paramfile/SetSection.h"

namespace k7check {

// "Time Out in s" in section "Init".
inline constexpr const char* kTimeOutKey = "TimeOut";

// Parses "Bus %d Slot %d" as scanf does; fields the text does not reach stay unchanged.
void parseChannel(std::string_view text, uint32_t& bus, uint32_t& slot);

// Reading (missing keys take their defaults).
void readChannels(const IniFile& file, std::array<Channel, kMaxCards>& channels);
void readSettings(const IniFile& file, MainWindowFields& fields, bool& virma4Mode);
void readSets(const IniFile& file, ParameterSetTable& table, uint32_t cardCount);

// Writing (the section "Bus" is never written).
void writeSettings(IniFile& file, const MainWindowFields& fields, bool virma4Mode);
void writeSets(IniFile& file, const ParameterSetTable& table, uint32_t cardCount);

// The random limits pair, in the sections kRandomLower and kRandomUpper with the keys of the
// fields "Random Limits" edits. A missing key keeps the value the pair holds.
inline constexpr const char* kRandomLower = "Random-Minimum";
inline constexpr const char* kRandomUpper = "Random-Maximum";
void readRandomLimits(const IniFile& file, RandomLimits& limits);
void writeRandomLimits(IniFile& file, const RandomLimits& limits);

}  // namespace k7check
