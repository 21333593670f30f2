// Many shots and gate results at once on arbitrary bytes and options: a run never claims more
// blocks than it was given, each decoded row holds the samples a walk over its block gives, and
// a gate results fetch is either refused or has as many rows as a walk has gate items.
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

KARVO7StreamItem emptyItem() {
    KARVO7StreamItem item;
    std::memset(&item, 0, sizeof item);
    item.struct_size = sizeof item;
    return item;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    KARVO7StreamOptions options{};
    options.struct_size = sizeof options;
    options.layout = in.ConsumeIntegralInRange<uint32_t>(0, 1);
    options.native_content = in.ConsumeIntegralInRange<uint32_t>(0, 1);
    options.active_sets = in.ConsumeIntegral<uint8_t>();
    options.prefix = in.ConsumeIntegralInRange<uint32_t>(0, 1);
    const uint32_t count = in.ConsumeIntegralInRange<uint32_t>(1, 8);
    const uint32_t rowSamples = in.ConsumeIntegralInRange<uint32_t>(1, 64);
    const std::vector<uint8_t> bytes = in.ConsumeRemainingBytes<uint8_t>();
    const uint64_t blockBytes = bytes.size() / count;

    std::vector<int16_t> samples(std::size_t{count} * rowSamples);
    const int32_t taken =
        KARVO7StreamDecodeShots(bytes.data(), bytes.size(), nullptr, blockBytes, count, &options,
                                samples.data(), rowSamples, nullptr, nullptr, nullptr, nullptr);
    check(taken <= static_cast<int32_t>(count));
    for (int32_t n = 0; n < taken; ++n) {
        KARVO7StreamOptions walk = options;
        if (walk.layout == KARVO7STREAM_LAYOUT_NATIVE) {
            walk.samples_per_shot = rowSamples;
        }
        KARVO7StreamWalker walker;
        check(KARVO7StreamBegin(&walker, bytes.data() + n * blockBytes, blockBytes, &walk) ==
              KARVO7STREAM_OK);
        KARVO7StreamItem item = emptyItem();
        std::vector<int16_t> walked(rowSamples);
        check(KARVO7StreamNext(&walker, &item, walked.data(), rowSamples) == KARVO7STREAM_OK);
        check(std::memcmp(walked.data(), samples.data() + std::size_t(n) * rowSamples,
                          2 * std::size_t{rowSamples}) == 0);
    }

    std::vector<int32_t> sets(bytes.size() / 24 + 1);
    std::vector<uint32_t> time(5 * sets.size());
    std::vector<uint64_t> offsets(sets.size());
    KARVO7StreamGateArrays out{};
    out.capacity = static_cast<uint32_t>(sets.size());
    out.sets = sets.data();
    out.time = time.data();
    out.offset = offsets.data();
    const int32_t rows = KARVO7StreamDecodeGates(bytes.data(), bytes.size(), &options, &out);
    if (rows >= 0) {
        KARVO7StreamWalker walker;
        check(KARVO7StreamBegin(&walker, bytes.data(), bytes.size(), &options) == KARVO7STREAM_OK);
        int32_t gates = 0;
        for (KARVO7StreamItem item = emptyItem();
             KARVO7StreamNext(&walker, &item, nullptr, 0) == KARVO7STREAM_OK; item = emptyItem()) {
            if (item.kind == KARVO7STREAM_ITEM_GATES ||
                item.kind == KARVO7STREAM_ITEM_NATIVE_GATES) {
                check(gates < rows && offsets[static_cast<std::size_t>(gates)] == item.offset);
                ++gates;
            } else {
                check(item.kind == KARVO7STREAM_ITEM_CONTROL);
            }
        }
        check(gates == rows);
    }
    return 0;
}
