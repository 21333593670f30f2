// The check program's walks over gate results, as its gate value list and block measurement
// read them: filters over the decoder's one walker (StreamWalker.h) that keep the results and
// the control words between them and number the test cycles as the list shows them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "StreamWalker.h"
#include "stream/DisplayReaders.h"

namespace k7check::stream {

// One step of a walk over result data in the record layout: a gate results record (with the
// prefix that came before it, if any) or a control word. A record of another type comes as
// a record of its type (its first 56 bytes read as slots where the data holds them), so that
// the block measurement can name it.
struct ResultItem {
    enum class Kind { Record, Control };
    Kind kind = Kind::Record;
    std::size_t offset = 0;  // of the record header or the control word
    bool prefixed = false;
    uint32_t zeit = 0;
    GateRecord record;
    uint32_t controlWord = 0;
    ControlWord control = ControlWord::Unknown;
    int cycle = 0;  // "Ende Prüfzyklus" words counted from 1 within the walk
};

// The text the gate value list shows for a control word of a walk: "Ende Prüfung", "Ende
// Prüfspur", "Ende Prüfzyklus %d" (numbered from 1 within the walk) or "Steuerzeichen %X-%X"
// (upper half, lower half).
std::string controlWordListing(const ResultItem& item);

// Walks result data in the record layout: gate results records 56 bytes each, whatever
// `Datenlaenge` says, and the control words between records. The walk ends at the first
// part that does not lie wholly inside the data (or a header that says nothing of its
// length); leftOver() then says how many bytes were not read.
class RecordResultWalker {
  public:
    explicit RecordResultWalker(Bytes data);
    // The next item; false at the end of the data.
    bool next(ResultItem& item);
    // Bytes left unread at the end; 0 when the data ended cleanly.
    std::size_t leftOver() const { return leftOver_; }

  private:
    Bytes data_;
    k7stream::StreamWalker walker_;
    std::size_t leftOver_ = 0;
};

// One compact entry of a walk over native result data.
struct NativeItem {
    std::size_t offset = 0;
    uint32_t set = 0;    // parameter set 1 to 6
    uint32_t round = 0;  // cycle over the active sets, from 0
    CompactEntry entry;
};

// Walks native result data: in each round sets 1 to 6 are visited in ascending order, and each
// active set whose turn comes while a whole 24-byte entry remains gets one entry. With no
// active set among 1 to 6 it lists nothing; a trailing partial entry is not decoded.
class NativeResultWalker {
  public:
    // `active[s]` is the card's active flag of set s (0 to 7); sets 0 and 7 are not used.
    NativeResultWalker(Bytes data, const std::array<bool, 8>& active);
    bool next(NativeItem& item);
    // Bytes of a trailing partial entry, once the walk has ended.
    std::size_t leftOver() const { return leftOver_; }

  private:
    k7stream::StreamWalker walker_;
    std::size_t leftOver_ = 0;
};

}  // namespace k7check::stream
