// The identification record on the card: read, written, and compared with its reference file
// (the "Kennung" check of "Check All").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "KARVO7DLL.h"
#include "card/Verdict.h"

namespace k7check {

// Reads the card's record into a zeroed record; nothing, with the error word, when the read
// fails, so that no window shows what an earlier read left.
std::optional<KonfigRecord> readCardKennung(KARVO7HANDLE card, uint32_t& error);

// The card's record against the reference file at `path`: "OK", the first difference
// (compareKennung), why the file is refused (readKennungReference: "Kennung-Datei nicht
// lesbar: <path>", the line that is not of the file's form), or "GetKonfig Error %X" when the
// card's record cannot be read (the file is then not read).
Verdict checkKennung(KARVO7HANDLE card, const std::string& path);

// Writes `record` to the card; false with the library's error word (address, reference and
// read-back byte of the first byte that did not take) in `error`.
bool writeCardKennung(KARVO7HANDLE card, const KonfigRecord& record, uint32_t& error);

}  // namespace k7check
