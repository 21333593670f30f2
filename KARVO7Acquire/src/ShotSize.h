// The bytes one shot of a parameter set brings from the card, and the largest shot the set the
// card holds selected can bring, from the card's own registers: what every read of the engine
// must ask for at least, so that no read takes a shot's block in parts.
#pragma once

#include <cstdint>

#include "KARVO7DLL.h"

namespace k7acquire {

// One shot of a set: its samples (all recorded samples, or one per `faktor` for an A-scan) in
// the set's sample width, and in the record layout the record header, the packing of 8-bit
// A-scans and the time-stamp prefix of externally triggered records.
uint64_t shotBytes(uint32_t samples, bool ascan, uint32_t faktor, bool bit8, bool external,
                   bool recordLayout);

// What the selected set of `card` delivers at most a shot, by its registers (record time, sample
// packing, the record layout's switch, the external trigger): an A-scan's reduction is not told
// by them, so the full record counts. 0 when the registers cannot be read. `recordLayout` says
// whether the set delivers records.
uint32_t largestShotOnCard(KARVO7HANDLE card, bool& recordLayout);

// Whether the block `length` bytes at `at`, read with room for `space`, is a record whose header
// says it is longer than the read: a read smaller than a shot, which took the shot in parts.
bool recordCutShort(const uint8_t* at, uint32_t length, uint32_t space);

}  // namespace k7acquire
