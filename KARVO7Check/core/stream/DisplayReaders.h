// The check program's readers of measurement data, over the decoder's (StreamReaders.h) and the
// scalings its windows show (card/SampleScalings.h: sample period, percent of full scale, ADC
// value): the one-record
// buffers of the measured-data display and the data list with their German messages. They are
// the check program's own; the decoder library knows nothing of its windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "StreamReaders.h"
#include "card/SampleScalings.h"

namespace k7check::stream {

// The decoder's readers under the check program's name.
using namespace ::k7stream;

// ---- A-scan record of the display
// ------------------------------------------------------------

struct AscanRecord {
    enum class Status { Ok, LengthMismatch, UnknownType };
    Status status = Status::Ok;
    Header header;                // valid as far as it could be read
    bool headerRead = false;      // false: the buffer was too short for a header
    uint32_t expectedLength = 0;  // buffer length, less 8 after a prefix
    // The failure as the display reports it ("Datenlänge soll: ..."); empty when Ok.
    std::string message;
    // The samples: unpacked for type 0x10, else the payload words.
    std::vector<int16_t> samples;
};

// Reads a record-layout buffer holding one A-scan record, as the display does: the header
// (after an optional prefix), the length check against the buffer, the type check (0x10, 0x14,
// 0x60) and the samples. `Datenlaenge` above 131072 is taken as 131072; no samples for 6 or
// less.
AscanRecord decodeAscanRecord(Bytes buffer);

// ---- the data list's record
// ------------------------------------------------------------------

struct ListRecord {
    bool prefixed = false;
    uint32_t zeit = 0;
    bool headerRead = false;
    Header header;
    // The control word behind the record, when the buffer carries one.
    std::optional<uint32_t> controlWord;
    // Unpacked for type 0x10, else the 16-bit words from byte 6 to the end of the buffer.
    std::vector<int16_t> samples;
};

// Reads a record-layout buffer as the data list does: one record, padded to a multiple of 4
// bytes, optionally followed by one control word as its last complete 32-bit word.
ListRecord decodeListRecord(Bytes buffer);

}  // namespace k7check::stream
