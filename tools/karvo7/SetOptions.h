// The parameter set a measurement subcommand hands to the card: the set from a parameter file
// (the check program's "Karte%d-Satz%d" sections) or the check program's defaults, with the
// values given on the command line put over it.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "KARVO7DLL.h"
#include "card/ParameterSet.h"

namespace karvo7 {

// The data layout of a set's shots: the native one, or records with header and identification.
enum class Layout { Native, Record };

struct SetOverrides {
    std::string ini;                      // parameter file; empty: the defaults
    std::optional<uint32_t> samples;      // "Aufnahmelaenge", 1..65535
    std::optional<uint32_t> samplerate;   // "Samplerate" index, 0..7
    std::optional<double> gainDb;         // "Verstaerkung" in dB
    std::optional<uint32_t> delay;        // "Aufnahmedelay", samples
    std::optional<uint32_t> shotRate;     // "IFF", shots a second
    std::optional<bool> externalTrigger;  // "ExternerTrigger"
    std::optional<bool> eightBit;         // "8Bit"
    Layout layout = Layout::Record;
};

// The set `set` of card `card`: read from the parameter file when one is named, the values of
// the overrides put over it. False, with a message on `err`, when the file cannot be read or a
// value is out of range.
bool buildSet(const SetOverrides& overrides, uint32_t card, uint32_t set,
              k7check::ParameterSet& result, std::ostream& err);

// True when the card can take the values given on the command line: a gain within the card's
// range (0 dB to the dynamic range its configuration record names) and a shot rate from 1 to its
// highest (the record's "max. SAP-Folge", kHz). False, with a message naming the range, for
// another value.
bool withinCardLimits(KARVO7HANDLE card, uint32_t number, const SetOverrides& overrides,
                      std::ostream& err);

// The identification that gives set `set` of card `card` the record layout, as the check program
// numbers them; 0 for the native layout.
int16_t layoutIdentification(Layout layout, uint32_t card, uint32_t set);

}  // namespace karvo7
