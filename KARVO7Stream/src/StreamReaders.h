// The one place that takes measurement data buffers apart: record headers with their time-stamp
// prefix, packed 12-bit samples, control words, compact gate entries and gate results records.
// The walker over whole buffers is StreamWalker.h; what only the check program's windows show
// (scalings, its German messages, its result walkers) is the check program's own
// (KARVO7Check/core/stream).
//
// Every reader works on the bytes it is given (a span) and never reads beyond them: a field that
// does not lie wholly inside the buffer is not read, and the walkers stop before it. Which layout
// a buffer has (native or record) is the caller's to say; nothing in the data tells them apart.
//
// These readers are the decoder library's own, and the C interface (KARVO7Stream.h) is built on
// them. The project's programs (the check program, the command-line tool) link them as the
// static library KARVO7StreamReaders; the shared library exports only the C interface, so the
// readers may change without breaking an installed program. The header is not installed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "KARVO7DLL.h"

namespace k7stream {

using Bytes = std::span<const uint8_t>;

// Record types (`Datentyp`).
constexpr uint8_t kTypePacked12 = 0x10;  // A-scan, 12-bit samples packed four into three words
constexpr uint8_t kTypeAscan = 0x14;     // A-scan, one sample per 16-bit word
constexpr uint8_t kTypeHf = 0x60;        // one sample per 16-bit word
constexpr uint8_t kTypeGates = 0x40;     // gate results record
constexpr uint8_t kTypePrefix = 0xFF;    // not a record: time-stamp prefix

constexpr std::size_t kHeaderBytes = 6;
constexpr std::size_t kPrefixBytes = 8;
constexpr std::size_t kGateRecordBytes = 56;
constexpr std::size_t kCompactEntryBytes = 24;
constexpr std::size_t kControlWordBytes = 4;
// The unpacked samples of one record fit a buffer of this many samples.
constexpr std::size_t kMaxSamples = 65536;
// The largest `Datenlaenge` the display takes (the program's data buffer).
constexpr uint32_t kMaxRecordLength = 131072;

// ---- record header
// ---------------------------------------------------------------------------

struct Header {
    bool prefixed = false;    // a time-stamp prefix came first
    uint32_t zeit = 0;        // the prefix's time stamp (0 without prefix)
    uint8_t type = 0;         // `Datentyp`
    uint32_t length = 0;      // `Datenlaenge`: the record's bytes, header included, prefix not
    int16_t kennung = 0;      // `Kennung`, the identifier of the parameter set
    std::size_t offset = 0;   // where the record (its header) starts in the buffer
    std::size_t remaining{};  // bytes from the record's start to the end of the buffer
};

// True when the buffer starts with a time-stamp prefix (first byte 0xFF).
inline bool startsWithPrefix(Bytes data) {
    return !data.empty() && data[0] == kTypePrefix;
}

// Reads the 6-byte header at the start of `data` as it is (no prefix); empty with fewer bytes.
std::optional<Header> readPlainHeader(Bytes data);

// Reads the header at the start of `data`, skipping a time-stamp prefix. A header needs 6
// bytes, 14 after a prefix; with fewer nothing is read and the result is empty.
std::optional<Header> readHeader(Bytes data);

// ---- packed 12-bit samples
// -------------------------------------------------------------------

// Unpacks 16-bit words (`words` of them, little-endian, from `payload`; only the words that lie
// wholly inside `payload` count) into left-aligned 16-bit samples: three words carry four
// samples. A step whose input word is missing is not taken, so 3 words give 4 samples and 4
// words give 5. Writes at most `out.size()` samples and returns how many it wrote.
std::size_t unpack12(Bytes payload, std::size_t words, std::span<int16_t> out);
// The same into a vector of at most 65536 samples.
std::vector<int16_t> unpack12(Bytes payload, std::size_t words);
// Samples that `words` packed words give (before the 65536 cap).
std::size_t unpackedCount(std::size_t words);

// ---- control words
// ---------------------------------------------------------------------------

enum class ControlWord { EndePruefung, EndePruefspur, EndePruefzyklus, Unknown };

constexpr uint32_t kEndePruefung = 0xFFFFEFFDu;
constexpr uint32_t kEndePruefspur = 0xFFFFEFFEu;
constexpr uint32_t kEndePruefzyklus = 0xFFFFEFFFu;

ControlWord classifyControlWord(uint32_t word);
// "Ende Prüfung", "Ende Prüfspur", "Ende Prüfzyklus"; empty for an unknown word.
const char* controlWordName(ControlWord kind);

// ---- compact gate entry (native layout)
// ------------------------------------------------------

struct CompactGate {
    uint32_t t = 0;        // time of flight, 20 bits
    uint32_t v = 0;        // amplitude, 10 bits
    bool marker = false;   // bit 20, shown as "^"
    bool present = false;  // bit 21: the gate has a result
};

struct CompactEntry {
    uint32_t d = 0;            // echo-start distance, 20 bits
    uint32_t esAmplitude = 0;  // echo-start amplitude, 10 bits as stored
    std::array<CompactGate, 5> gates{};
};

// Decodes the 24-byte entry at the start of `data`; empty when fewer than 24 bytes are given.
std::optional<CompactEntry> decodeCompactEntry(Bytes data);
// The library's reading of the same words (`KARVO7GetGates`): amplitudes times 4, the marker
// bit kept in place.
GateResults toGateResults(const CompactEntry& entry);

// ---- gate results record (record layout)
// -----------------------------------------------------

struct GateSlot {
    uint16_t amplitude = 0;  // 12-bit scale
    uint16_t time = 0;       // as stored
    uint16_t status = 0;
    bool present() const { return (status & 0x8000u) != 0; }
    bool marker() const { return (status & 0x4000u) != 0; }
};

struct GateRecord {
    uint8_t type = 0;
    uint32_t length = 0;
    int16_t kennung = 0;
    std::array<GateSlot, 5> slots{};  // slots 1 to 5
};

// Decodes the 56-byte record at the start of `data`; empty when fewer than 56 bytes are given.
std::optional<GateRecord> decodeGateRecord(Bytes data);

}  // namespace k7stream
