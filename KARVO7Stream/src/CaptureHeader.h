// The header that `karvo7 stream` writes before the records of a capture: how they are to be
// read (layout, sample width, samples per shot, sets, rates), when the measurement started and
// which program version wrote it. Layout of the bytes: KARVO7Stream.h, "captures".
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "KARVO7Stream.h"
#include "StreamReaders.h"

namespace k7stream {

constexpr std::size_t kCaptureHeaderBytes = KARVO7STREAM_CAPTURE_HEADER_BYTES;

enum class CaptureRead { Header, NoMagic, Bad };

// Reads the header at the start of `data` into `capture` (every field; struct_size left as it
// is). NoMagic: the data does not start with the magic (fewer than 8 bytes included), Bad:
// the header is cut short or holds values not listed.
CaptureRead readCaptureHeader(Bytes data, KARVO7StreamCapture& capture);

// The 64 bytes of the header `capture` describes (magic, header size and format set here);
// empty when its layout or sample width is not listed.
std::optional<std::array<uint8_t, kCaptureHeaderBytes>> captureHeaderBytes(
    const KARVO7StreamCapture& capture);

// The options that read the records behind such a header.
KARVO7StreamOptions captureOptions(const KARVO7StreamCapture& capture);

}  // namespace k7stream
