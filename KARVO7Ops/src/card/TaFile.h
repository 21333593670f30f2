// The depth compensation file (*.ta) and the one reader of it, shared by the parameter editor's
// "Laden" and the depth compensation list "Tiefenausgleich". The file is plain text: numbers
// separated by white space, the first the spacing of the support points in µs, then one gain in
// dB per support point, at most 256. The program reads .ta files; it never writes them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "card/ParameterSet.h"
#include "card/Units.h"

namespace k7check {

// What reading a .ta file gave, before anything reached the set.
struct TaContent {
    enum class Status {
        Read,        // spacing and gains are good to take over
        NotFound,    // the file cannot be opened
        BadSpacing,  // the spacing is no number, negative, or beyond 65535 counts
        BadGain,     // a gain x 10 leaves the 16-bit range
    };
    Status status = Status::Read;
    float spacingUs = 0.0f;         // the spacing as read
    float spacingCounts = 0.0f;     // spacing / period, before rounding
    uint16_t taAbstand = 0;         // spacing rounded to the nearest multiple of the grid
    std::vector<uint16_t> entries;  // integer part of gain x 10, at most 256
    std::size_t badGainIndex = 0;   // BadGain: which gain (from 1)
};

// Takes a .ta text apart; `timing` converts the spacing to counts. Reading of gains ends at the
// end of the text, after 256 values, or at the first item that is not a number.
TaContent parseTaText(std::string_view text, units::Timing timing);

// The text the file-name edit shows for a failed read ("Datei nicht gefunden", ...); empty for
// a good read.
std::string taFailureText(const TaContent& content);

// Takes a good read over into the set: "TA-Abstand", the entries read (the rest of the table
// keeps its values) and the count field (entries - 1). A file with a spacing but no gain keeps
// the table and count: 256 stale support points would otherwise reach the card. Nothing
// happens for a failed read.
void applyTaContent(const TaContent& content, ParameterSet& set);

// Reads the file at `path` (NotFound when it is no regular file, cannot be opened or is larger
// than any .ta file can be, without waiting on a FIFO or reading a device) and takes a good read
// over into the set.
TaContent loadTaFile(const std::string& path, ParameterSet& set, units::Timing timing);

}  // namespace k7check
