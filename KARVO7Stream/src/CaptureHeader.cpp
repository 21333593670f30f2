#include "CaptureHeader.h"

#include <cstring>

#include "KARVO7Protocol.h"

namespace k7stream {

using k7proto::le32;
using k7proto::putLe32;

namespace {

constexpr char kMagic[] = KARVO7STREAM_CAPTURE_MAGIC;
static_assert(sizeof kMagic == KARVO7STREAM_CAPTURE_MAGIC_BYTES + 1);

uint64_t le64(const uint8_t* p) {
    return le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32;
}

bool listed(const KARVO7StreamCapture& c) {
    return (c.layout == KARVO7STREAM_LAYOUT_NATIVE || c.layout == KARVO7STREAM_LAYOUT_RECORD) &&
           (c.sample_bits == 8 || c.sample_bits == 16) &&
           c.samples_per_shot <= KARVO7STREAM_SHOT_SAMPLES_MAX;
}

}  // namespace

CaptureRead readCaptureHeader(Bytes data, KARVO7StreamCapture& capture) {
    if (data.size() < KARVO7STREAM_CAPTURE_MAGIC_BYTES ||
        std::memcmp(data.data(), kMagic, KARVO7STREAM_CAPTURE_MAGIC_BYTES) != 0) {
        return CaptureRead::NoMagic;
    }
    if (data.size() < kCaptureHeaderBytes) {
        return CaptureRead::Bad;
    }
    const uint8_t* p = data.data();
    KARVO7StreamCapture c{};
    c.struct_size = capture.struct_size;
    c.header_size = le32(p + 8);
    c.format = le32(p + 12);
    c.layout = le32(p + 16);
    c.sample_bits = le32(p + 20);
    c.samples_per_shot = le32(p + 24);
    c.active_sets = le32(p + 28);
    c.sample_rate = le32(p + 32);
    c.shots_per_second = le32(p + 36);
    c.start_time_us = le64(p + 40);
    c.writer_version = le32(p + 48);
    c.flags = le32(p + 52);
    if (c.header_size < kCaptureHeaderBytes || c.format == 0 || !listed(c)) {
        return CaptureRead::Bad;
    }
    capture = c;
    return CaptureRead::Header;
}

std::optional<std::array<uint8_t, kCaptureHeaderBytes>> captureHeaderBytes(
    const KARVO7StreamCapture& c) {
    if (!listed(c)) {
        return std::nullopt;
    }
    std::array<uint8_t, kCaptureHeaderBytes> bytes{};
    uint8_t* p = bytes.data();
    std::memcpy(p, kMagic, KARVO7STREAM_CAPTURE_MAGIC_BYTES);
    putLe32(p + 8, static_cast<uint32_t>(kCaptureHeaderBytes));
    putLe32(p + 12, KARVO7STREAM_CAPTURE_FORMAT);
    putLe32(p + 16, c.layout);
    putLe32(p + 20, c.sample_bits);
    putLe32(p + 24, c.samples_per_shot);
    putLe32(p + 28, c.active_sets);
    putLe32(p + 32, c.sample_rate);
    putLe32(p + 36, c.shots_per_second);
    putLe32(p + 40, static_cast<uint32_t>(c.start_time_us));
    putLe32(p + 44, static_cast<uint32_t>(c.start_time_us >> 32));
    putLe32(p + 48, c.writer_version);
    putLe32(p + 52, c.flags);
    return bytes;
}

KARVO7StreamOptions captureOptions(const KARVO7StreamCapture& c) {
    KARVO7StreamOptions o{};
    o.struct_size = sizeof o;
    o.layout = c.layout;
    if (c.layout == KARVO7STREAM_LAYOUT_NATIVE) {
        o.sample_bits = c.sample_bits;
        o.samples_per_shot = c.samples_per_shot;
    }
    return o;
}

}  // namespace k7stream
