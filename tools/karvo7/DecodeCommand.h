// `karvo7 decode`: a captured measurement data stream as text, one line per item, through the
// decoder library (KARVO7Stream). The command line is parsed elsewhere; this is the body.
//
// CSV lines, by their first field:
//   record,OFFSET,ZEIT,TYPE,LENGTH,KENNUNG,COUNT,S0,S1,...   A-scan/HF record and its samples
//   gates,OFFSET,ZEIT,TYPE,LENGTH,KENNUNG,A1,T1,STATUS1,...  gate results record, slots 1 to 5
//   control,OFFSET,WORD,NAME,CYCLE                            control word
//   other,OFFSET,ZEIT,TYPE,LENGTH,KENNUNG                     record of another type
//   samples,OFFSET,COUNT,S0,S1,...                            a run of native samples
//   entry,OFFSET,SET,ROUND,D,ES,T1,V1,FLAGS1,...              native compact gate entry
//   tail,OFFSET,BYTES,REASON                                  what could not be read
// ZEIT is empty without a time-stamp prefix; TYPE, WORD and STATUS are hexadecimal (0x...);
// samples are signed 16-bit values (packed samples unpacked, 8-bit samples as they are); FLAGS
// of a compact entry's gate is "p" (present) and/or "^" (marker).
// JSON lines: one object per item with the same fields by name ("item", "offset", ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace karvo7 {

struct DecodeOptions {
    std::string file;
    enum class Layout { Record, Native };
    Layout layout = Layout::Record;
    bool eightBit = false;  // native samples are 8 bits wide
    bool json = false;      // JSON lines instead of CSV
    // Native layout: the data are compact gate entries of these parameter sets (bit s = set s,
    // 1 to 6); 0: the data are samples.
    uint32_t nativeGateSets = 0;
    // Bytes read at a time (0: 16 MB); the output does not depend on it.
    std::size_t windowBytes = 0;
};

// Decodes `options.file` onto `out`. Returns 0 when the file was decoded (a tail that could not
// be read is listed, and noted on `err`), 1 when it could not be read (missing, unreadable,
// not a regular file, empty), holds no valid item at all, or `out` failed; the reason goes to
// `err`.
int runDecode(const DecodeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace karvo7
