// The capture header reader on arbitrary bytes: it reads nothing beyond them, writes nothing
// beyond the caller's struct_size, takes only headers with listed values, and a header it takes
// is written back to the same bytes' meaning and gives options the walker accepts.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KARVO7Stream.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const uint32_t structSize = in.PickValueInArray<uint32_t>(
        {4, 8, offsetof(KARVO7StreamCapture, start_time_us), sizeof(KARVO7StreamCapture)});
    const bool magic = in.ConsumeBool();
    std::vector<uint8_t> bytes = in.ConsumeRemainingBytes<uint8_t>();
    if (magic) {
        // Most headers worth looking at start with the magic.
        const std::size_t n = std::min<std::size_t>(bytes.size(), KARVO7STREAM_CAPTURE_MAGIC_BYTES);
        if (n > 0) {
            std::memcpy(bytes.data(), KARVO7STREAM_CAPTURE_MAGIC, n);
        }
    }

    // The caller's record, a canary behind its struct_size.
    union {
        KARVO7StreamCapture capture;
        uint8_t raw[sizeof(KARVO7StreamCapture) + 16];
    } memory;
    std::memset(memory.raw, 0x5A, sizeof memory.raw);
    memory.capture.struct_size = structSize;
    const int32_t read = KARVO7StreamReadCapture(bytes.data(), bytes.size(), &memory.capture);
    for (std::size_t i = structSize; i < sizeof memory.raw; ++i) {
        check(memory.raw[i] == 0x5A);
    }
    check(memory.capture.struct_size == structSize);
    if (structSize < 8) {
        check(read == KARVO7STREAM_ERROR_STRUCT_SIZE);
        return 0;
    }
    const bool starts = bytes.size() >= KARVO7STREAM_CAPTURE_MAGIC_BYTES &&
                        std::memcmp(bytes.data(), KARVO7STREAM_CAPTURE_MAGIC,
                                    KARVO7STREAM_CAPTURE_MAGIC_BYTES) == 0;
    if (!starts) {
        check(read == KARVO7STREAM_ERROR_NO_CAPTURE);
        return 0;
    }
    if (read != KARVO7STREAM_OK) {
        check(read == KARVO7STREAM_ERROR_CAPTURE);
        return 0;
    }
    check(bytes.size() >= KARVO7STREAM_CAPTURE_HEADER_BYTES);

    // The whole record, written back and read again.
    KARVO7StreamCapture capture{};
    capture.struct_size = sizeof capture;
    check(KARVO7StreamReadCapture(bytes.data(), bytes.size(), &capture) == KARVO7STREAM_OK);
    check(capture.header_size >= KARVO7STREAM_CAPTURE_HEADER_BYTES);
    check(capture.layout <= KARVO7STREAM_LAYOUT_RECORD);
    check(capture.sample_bits == 8 || capture.sample_bits == 16);
    uint8_t written[KARVO7STREAM_CAPTURE_HEADER_BYTES];
    check(KARVO7StreamWriteCapture(&capture, written, sizeof written) ==
          static_cast<int32_t>(sizeof written));
    KARVO7StreamCapture again{};
    again.struct_size = sizeof again;
    check(KARVO7StreamReadCapture(written, sizeof written, &again) == KARVO7STREAM_OK);
    check(again.layout == capture.layout && again.sample_bits == capture.sample_bits &&
          again.samples_per_shot == capture.samples_per_shot &&
          again.active_sets == capture.active_sets && again.sample_rate == capture.sample_rate &&
          again.shots_per_second == capture.shots_per_second &&
          again.start_time_us == capture.start_time_us &&
          again.writer_version == capture.writer_version && again.flags == capture.flags);

    KARVO7StreamOptions options{};
    options.struct_size = sizeof options;
    check(KARVO7StreamCaptureOptions(&capture, &options) == KARVO7STREAM_OK);
    KARVO7StreamWalker walker;
    check(KARVO7StreamBegin(&walker, nullptr, 0, &options) == KARVO7STREAM_OK);
    return 0;
}
