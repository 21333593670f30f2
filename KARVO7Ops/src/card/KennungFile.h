// The card's identification record ("Kennung") in text: the reference file that "Kennung
// Vorgaben" edits and the "Kennung: " check compares a card with, the list texts of the edit
// lines, and the edit values of the two identification windows.
//
// The file has one line per field, "key,type,count:values;", in key order 1 to 5, 16, 17 to 20,
// 32 to 39, and ends with a line "0" without a line end. Keys and types are those under which
// the library stores the fields on the card.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "KARVO7DLL.h"

namespace k7check {

// ---- list texts -----------------------------------------------------------------------------
// A list is written as numbers separated by commas. Reading takes one number at the start of
// the remaining text (leading white space skipped), then continues after the next comma, until
// the text has no further comma or every element is filled; the elements not reached are 0.
// An integer keeps the low-order bits that fit its element ("300" in an 8-bit list is 44); a
// piece that does not start with a number gives 0.
void readListText(std::string_view text, std::span<uint8_t> elements);
void readListText(std::string_view text, std::span<uint16_t> elements);
void readListText(std::string_view text, std::span<float> elements);

// The windows' form of a list: its non-zero elements, zeros skipped wherever they stand,
// separated by commas. `width` pads each element on the left with blanks ("%3d", "%5.2f");
// float lists carry two decimals.
std::string listDisplayText(std::span<const uint8_t> elements, int width = 0);
std::string listDisplayText(std::span<const uint16_t> elements, int width = 0);
std::string listDisplayText(std::span<const float> elements, int width = 0);

// ---- the file -------------------------------------------------------------------------------
// The file's text of a record, byte for byte: texts up to their terminator or width, lists
// with their leading non-zero elements only, floats with two decimals (a float element that two
// decimals make 0.00 counts as 0: the line carries, and counts, the elements before it).
std::string kennungFileText(const KonfigRecord& record);

// Reads a file's bytes into a zero-filled record. A line is a run of bytes 0x20 to 0x7F: a
// carriage return or line feed ends it, so CR LF reads like LF; any other byte ends it too,
// and the rest of that line up to its line end is ignored. Lines without a known key are
// skipped; when a key occurs twice the later line wins.
KonfigRecord parseKennungFile(std::string_view bytes);

// Reads the file at `path`; nothing when it cannot be opened or read.
std::optional<KonfigRecord> readKennungFile(const std::string& path);

// The window labels of the fields whose values the file cannot carry, in file order: a text
// with ';' or a byte outside 0x20 to 0x7F, a list with a 0 before a non-zero element, a float
// that is not a finite number, a non-zero list element that two decimals make 0. Empty when
// reading the written file gives back the record (floats at two decimals).
std::vector<std::string> fieldsTheFileCannotCarry(const KonfigRecord& record);

enum class KennungSave { Saved, NoFileName, WriteFailed };
// Writes the record's file text to `path` through a temporary file and a rename, so that the
// file holds either its old or its new contents. A blank name is refused.
KennungSave saveKennungFile(const std::string& path, const KonfigRecord& record);

// ---- the "Kennung: " check ------------------------------------------------------------------
// The result text when the reference file cannot be read.
inline constexpr const char* kKennungFileUnreadable = "Kennung-Datei nicht lesbar";

// Compares the card's record with the file's field by field in file order, each as the file
// writes it (floats at two decimals, lists by their leading non-zero elements): "OK", or the
// first difference as "<label> Soll: <file> Ist: <card>". Without a file record the text is
// kKennungFileUnreadable.
std::string compareKennung(const KonfigRecord& card, const std::optional<KonfigRecord>& file);

// ---- the windows' edit values ---------------------------------------------------------------
// One value per field as the two identification windows edit them: whole numbers for the
// single 8-bit fields, floats for the band limits, texts for the texts and every list.
struct KennungEdits {
    std::string karte;
    std::string aufsteckfilter;
    std::string pciEeprom;
    std::string lcaVersion;
    std::string programmversion;
    float bandgrenzeUnten = 0.0f;
    float bandgrenzeOben = 0.0f;
    uint32_t adcBits = 0;
    uint32_t aufnahmeFifo = 0;
    uint32_t datenFifo = 0;
    uint32_t dynamik = 0;
    uint32_t maxSapFolge = 0;
    std::string daempfungEingang;
    std::string daempfungSender;
    std::string energieSender;
    std::string samplerrate;
    std::string filterMittenfrequenz;
    std::string filterBandgrenze;
    std::string grunddaempfung;
};

// Which window shows the record: float lists are "%5.2f" in "Kennung", "%.2f" in "Kennung
// Vorgaben"; everything else is the same.
enum class KennungWindow { Kennung, Vorgaben };

// The edit values that show a record: texts up to their terminator or width, lists by
// listDisplayText ("Grunddämpfung" with "%3d").
KennungEdits kennungEditsOf(const KonfigRecord& record, KennungWindow window);

// The record the edit values describe: texts cut to their width (20 or 10 characters), 8-bit
// numbers keeping their low-order 8 bits, lists read by the list-text rules.
KonfigRecord kennungRecordOf(const KennungEdits& edits);

}  // namespace k7check
