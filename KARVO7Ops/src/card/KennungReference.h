// The identification reference file read as what it must be before a card or a check relies on
// it: the text form the writer writes, line by line. The windows' reader takes any bytes and
// skips what it does not understand (KennungFile.h); a record written to a card or compared
// with one must come from a file that holds every field, so that an empty file, random bytes or
// a file in another encoding never blank a card's identification.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "KARVO7DLL.h"

namespace k7check {

// Why `bytes` are not the text form of an identification record, naming the line ("Zeile 3:
// Schlüssel 17 hat Typ 3, nicht 2"); nothing for a file that is one. The form: one line
// "key,type,count:values;" for each of the keys 1 to 5, 16 to 20 and 32 to 39, once each, with
// the key's type, the count of its values and values its field holds; lines end in LF or CR LF;
// empty lines are allowed, and so is a last line "0" with nothing but empty lines after it.
std::optional<std::string> kennungFileFault(std::string_view bytes);

// A reference file's record, or why there is none.
struct KennungReference {
    std::optional<KonfigRecord> record;
    std::string
        fault;  // "Kennung-Datei nicht lesbar: <path>", "Kennung-Datei <path>: Zeile 3: ..."
};

// Reads the reference file at `path` and refuses it unless it is the text form.
KennungReference readKennungReference(const std::string& path);

}  // namespace k7check
