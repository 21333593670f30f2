// The walker over a whole buffer of measurement data in either layout, item after item, as the
// C interface hands it out: A-scan/HF records, gate results records, control words, records of
// other types, native sample runs, native compact gate entries, and a tail item for what cannot
// be read. Every item is taken apart by the readers of StreamReaders.h.
//
// The walker is a plain value (no allocation, trivially copyable) so that the C interface can
// keep it in caller-owned memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "KARVO7Stream.h"
#include "StreamReaders.h"

namespace k7stream {

class StreamWalker {
  public:
    // A walker that yields nothing.
    StreamWalker() = default;
    // A walk over `data` as `options` say; the options must pass check().
    StreamWalker(Bytes data, const KARVO7StreamOptions& options);

    // KARVO7STREAM_OK when every option has a listed value (and native gate entries have an
    // active set), else the KARVO7STREAM_ERROR_... code that says what is wrong.
    static int32_t check(const KARVO7StreamOptions& options);

    // The next item; its samples into out[0, capacity) when `out` is not null. False at the end
    // (the item is then zeroed).
    bool next(KARVO7StreamItem& item, int16_t* out, uint32_t capacity);

  private:
    bool nextRecord(KARVO7StreamItem& item, int16_t* out, uint32_t capacity);
    bool nextNativeSamples(KARVO7StreamItem& item, int16_t* out, uint32_t capacity);
    bool nextNativeGates(KARVO7StreamItem& item);
    // Ends the walk with a tail item from `at` to the end of the data.
    bool tail(KARVO7StreamItem& item, std::size_t at, uint32_t reason);

    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t p_ = 0;
    uint32_t layout_ = KARVO7STREAM_LAYOUT_NATIVE;
    uint32_t sampleBits_ = 16;
    uint32_t content_ = KARVO7STREAM_NATIVE_SAMPLES;
    bool prefixes_ = true;
    bool pad4_ = false;
    bool done_ = true;
    uint8_t setCount_ = 0;
    uint8_t turn_ = 0;
    std::array<uint8_t, 6> sets_{};
    uint32_t round_ = 0;
    uint32_t cycles_ = 0;
    uint32_t shotSamples_ = 0;  // native samples: a shot's samples; 0: runs
    uint32_t shot_ = 0;
};

// The options as the caller's struct_size holds them: fields behind it zero (struct_size 0:
// layout to flags). Empty when struct_size is too small to hold the layout.
std::optional<KARVO7StreamOptions> optionsIn(const KARVO7StreamOptions& given);

// The C interface's number of a control word kind.
constexpr uint32_t controlKind(ControlWord kind) {
    switch (kind) {
        case ControlWord::EndePruefung:
            return KARVO7STREAM_CONTROL_ENDE_PRUEFUNG;
        case ControlWord::EndePruefspur:
            return KARVO7STREAM_CONTROL_ENDE_PRUEFSPUR;
        case ControlWord::EndePruefzyklus:
            return KARVO7STREAM_CONTROL_ENDE_PRUEFZYKLUS;
        case ControlWord::Unknown:
            break;
    }
    return KARVO7STREAM_CONTROL_UNKNOWN;
}

// Writes the samples of a RECORD or NATIVE_SAMPLES item of a walk over `data` into
// out[0, capacity); returns how many. 0 for other items and for items outside the data.
uint32_t itemSamples(Bytes data, const KARVO7StreamItem& item, int16_t* out, uint32_t capacity);

}  // namespace k7stream
