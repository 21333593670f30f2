// `karvo7 decode`: a captured measurement data stream as text, one line per item, through the
// decoder library (KARVO7Stream). The command line is parsed elsewhere; this is the body.
//
// The capture comes from a file or, named "-", from standard input (a pipe from `karvo7 stream
// -o -`). A capture that starts with a header says its layout, sample width and samples per
// shot; a bare one is read as the options say.
//
// CSV: each item kind has one shape, and a header row naming its columns comes before the first
// line of that kind:
//   item,offset,zeit,type,length,kennung,count,s0,s1,...            A-scan/HF record, samples
//   item,offset,zeit,type,length,kennung,amplitude1,time1,status1,...  gate results record
//   item,offset,word,name,cycle                                      control word
//   item,offset,zeit,type,length,kennung                             record of another type
//   item,offset,shot,count,s0,s1,...                                 native samples (a run's
//                                                                    piece or a shot)
//   item,offset,set,round,d,es,t1,v1,flags1,...                      native compact gate entry
//   item,offset,bytes,reason                                         what could not be read
// The first field of a line is the kind: record, gates, control, other, samples, entry, tail.
// Sample columns are named after the first item of their kind. ZEIT is empty without a
// time-stamp prefix, SHOT without --samples or a header's samples per shot; TYPE, WORD and
// STATUS are hexadecimal (0x...); samples are signed 16-bit values (packed samples unpacked,
// 8-bit samples as they are); FLAGS of a compact entry's gate is "p" (present) and/or "^"
// (marker).
// JSON lines: one object per item with the same fields by name ("item", "offset", ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace karvo7 {

struct DecodeOptions {
    std::string file;  // "-": inputFd
    int inputFd = 0;   // standard input
    // How a bare capture is read; a capture's header overrides these.
    enum class Layout { Record, Native };
    Layout layout = Layout::Record;
    bool eightBit = false;  // native samples are 8 bits wide
    bool json = false;      // JSON lines instead of CSV
    // Native layout: the data are compact gate entries of these parameter sets (bit s = set s,
    // 1 to 6); 0: the data are samples.
    uint32_t nativeGateSets = 0;
    // Native samples: cut into shots of this many samples (over a header's samples per shot).
    std::optional<uint32_t> samplesPerShot;
    // Bytes read at a time (0: 16 MB); the output does not depend on it.
    std::size_t windowBytes = 0;
};

// Decodes `options.file` onto `out`. Returns 0 when the capture was decoded (a tail that could
// not be read is listed, and noted on `err`) and when the reader of `out` closed it early (a
// pipe into `head`); 1 when it could not be read (missing, unreadable, not a regular file,
// empty, a header that cannot be read), holds no valid record at all (with a hint at the other
// layout for a bare capture), or `out` failed; 2 for --samples on a capture in the record
// layout. The reason goes to `err`.
int runDecode(const DecodeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace karvo7
