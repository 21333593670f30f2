// The decoder's C interface on arbitrary bytes and options: every walk ends, its items follow
// one another without gaps or overlaps and lie inside the buffer, a tail comes only last, the
// samples written during the walk equal those written afterwards, and nothing is read beyond
// the bytes given.
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
    KARVO7StreamOptions options{};
    options.struct_size = in.PickValueInArray<uint32_t>(
        {0, KARVO7STREAM_OPTIONS_SIZE_MIN, sizeof options, sizeof options + 8});
    options.layout = in.ConsumeIntegralInRange<uint32_t>(0, 2);
    options.sample_bits = in.PickValueInArray<uint32_t>({0, 8, 16, 12});
    options.prefix = in.ConsumeIntegralInRange<uint32_t>(0, 2);
    options.native_content = in.ConsumeIntegralInRange<uint32_t>(0, 2);
    options.active_sets = in.ConsumeIntegral<uint8_t>();
    options.flags = in.ConsumeIntegralInRange<uint32_t>(0, 2);
    options.samples_per_shot = in.PickValueInArray<uint32_t>({0, 1, 3, 100});
    const uint32_t capacity = in.PickValueInArray<uint32_t>({0, 1, 3, 7, 64, 4096, 65536});
    // The buffer in an allocation of exactly its size.
    const std::vector<uint8_t> buffer = in.ConsumeRemainingBytes<uint8_t>();

    KARVO7StreamWalker walker;
    if (KARVO7StreamBegin(&walker, buffer.data(), buffer.size(), &options) != KARVO7STREAM_OK) {
        KARVO7StreamItem item{};
        item.struct_size = sizeof item;
        check(KARVO7StreamNext(&walker, &item, nullptr, 0) == KARVO7STREAM_END);
        return 0;
    }
    // Shots only where the options' size holds samples_per_shot.
    const bool shots = options.struct_size >= sizeof options && options.samples_per_shot != 0;
    std::vector<int16_t> during(capacity);
    std::vector<int16_t> after(capacity);
    KARVO7StreamItem item{};
    item.struct_size = sizeof item;
    uint64_t next = 0;
    bool tail = false;
    std::size_t items = 0;
    while (KARVO7StreamNext(&walker, &item, capacity ? during.data() : nullptr, capacity) == 1) {
        check(!tail);
        check(++items <= buffer.size());
        check(item.offset == next && item.size > 0 && item.size <= buffer.size() - item.offset);
        next = item.offset + item.size;
        check(item.samples_written <= capacity && item.samples_written <= item.sample_count);
        switch (item.kind) {
            case KARVO7STREAM_ITEM_TAIL:
                tail = true;
                check(item.bytes_left == item.size && next == buffer.size());
                check(item.tail_reason == KARVO7STREAM_TAIL_TRUNCATED ||
                      item.tail_reason == KARVO7STREAM_TAIL_INVALID);
                break;
            case KARVO7STREAM_ITEM_RECORD:
            case KARVO7STREAM_ITEM_NATIVE_SAMPLES: {
                check(item.payload_offset + item.payload_bytes <= next);
                check(item.sample_count <= 65536 || item.sample_bits == 16);
                check(!shots || item.kind != KARVO7STREAM_ITEM_NATIVE_SAMPLES ||
                      item.sample_count == options.samples_per_shot);
                const int32_t written = KARVO7StreamSamples(buffer.data(), buffer.size(), &item,
                                                            after.data(), capacity);
                check(written >= 0 && static_cast<uint32_t>(written) == item.samples_written);
                check(written == 0 || std::memcmp(during.data(), after.data(), 2 * written) == 0);
                break;
            }
            case KARVO7STREAM_ITEM_GATES:
                check(item.size == 56 || item.size == 64);
                break;
            case KARVO7STREAM_ITEM_CONTROL:
                check(item.size == 4 && (item.control_word >> 16) == 0xFFFFu);
                check(KARVO7StreamControlKind(item.control_word) == item.control_kind);
                break;
            case KARVO7STREAM_ITEM_NATIVE_GATES:
                check(item.size == 24 && item.set >= 1 && item.set <= 6);
                check((options.active_sets >> item.set & 1) != 0);
                break;
            case KARVO7STREAM_ITEM_OTHER_RECORD:
                check(item.length >= 6);
                break;
            default:
                check(false);
        }
    }
    check(next == buffer.size());
    check(KARVO7StreamNext(&walker, &item, nullptr, 0) == KARVO7STREAM_END);

    // Unpacking on its own: whole groups give four samples of three words.
    const std::size_t words = buffer.size() / 2;
    const int32_t unpacked =
        KARVO7StreamUnpack12(buffer.data(), buffer.size(), after.data(), capacity);
    check(unpacked >= 0 && static_cast<std::size_t>(unpacked) ==
                               std::min<std::size_t>(words / 3 * 4 + words % 3, capacity));
    return 0;
}
