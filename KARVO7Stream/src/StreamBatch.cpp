// Many shots and gate results decoded at a time into the caller's arrays, by the same walk a
// block by block decoding takes: a program that reads a stream of equal blocks makes one call a
// run instead of one a shot.
#include <cstring>

#include "KARVO7Stream.h"

namespace {

// A record's slot for gate Bn: B0 is slot 5, B1 to B4 are slots 1 to 4.
constexpr int kRecordSlot[5] = {4, 0, 1, 2, 3};

KARVO7StreamItem emptyItem() {
    KARVO7StreamItem item;
    std::memset(&item, 0, sizeof item);
    item.struct_size = sizeof item;
    return item;
}

// Whether `block` is one shot of exactly `rowSamples` samples, written into `row`.
bool oneShot(const uint8_t* block, uint64_t bytes, const KARVO7StreamOptions& options, int16_t* row,
             uint32_t rowSamples, KARVO7StreamItem& item) {
    KARVO7StreamWalker walker;
    if (KARVO7StreamBegin(&walker, block, bytes, &options) != KARVO7STREAM_OK) {
        return false;
    }
    const uint32_t wanted = options.layout == KARVO7STREAM_LAYOUT_RECORD
                                ? KARVO7STREAM_ITEM_RECORD
                                : KARVO7STREAM_ITEM_NATIVE_SAMPLES;
    if (KARVO7StreamNext(&walker, &item, row, rowSamples) != KARVO7STREAM_OK ||
        item.kind != wanted || item.size != bytes || item.sample_count != rowSamples ||
        item.samples_written != rowSamples) {
        return false;
    }
    KARVO7StreamItem after = emptyItem();
    return KARVO7StreamNext(&walker, &after, nullptr, 0) == KARVO7STREAM_END;
}

}  // namespace

extern "C" {

KARVO7STREAM_API int32_t KARVO7StreamDecodeShots(const void* data, uint64_t size,
                                                 const uint64_t* offsets, uint64_t block_bytes,
                                                 uint32_t count, const KARVO7StreamOptions* options,
                                                 int16_t* samples, uint32_t row_samples,
                                                 uint32_t* types, int32_t* kennungen,
                                                 uint32_t* zeiten, uint32_t* prefixed) {
    if (options == nullptr || (count > 0 && (data == nullptr || samples == nullptr))) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    KARVO7StreamOptions walk;
    std::memset(&walk, 0, sizeof walk);
    std::memcpy(&walk, options,
                options->struct_size == 0 || options->struct_size > sizeof walk
                    ? sizeof walk
                    : options->struct_size);
    walk.struct_size = sizeof walk;
    if (walk.layout == KARVO7STREAM_LAYOUT_NATIVE) {
        if (walk.sample_bits == 8 || walk.native_content != KARVO7STREAM_NATIVE_SAMPLES ||
            block_bytes % 2 != 0 || block_bytes / 2 != row_samples) {
            return walk.sample_bits == 8 ? KARVO7STREAM_ERROR_OPTION : 0;
        }
        walk.samples_per_shot = row_samples;
    }
    KARVO7StreamWalker probe;
    if (const int32_t begun = KARVO7StreamBegin(&probe, nullptr, 0, &walk);
        begun != KARVO7STREAM_OK) {
        return begun;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t firstFlags = 0;
    uint32_t done = 0;
    for (; done < count; ++done) {
        const uint64_t at = offsets != nullptr ? offsets[done] : done * block_bytes;
        if (at > size || block_bytes > size - at) {
            break;
        }
        KARVO7StreamItem item = emptyItem();
        if (!oneShot(bytes + at, block_bytes, walk,
                     samples + static_cast<uint64_t>(done) * row_samples, row_samples, item)) {
            break;
        }
        const uint32_t flags = item.flags & KARVO7STREAM_ITEM_PREFIXED;
        if (done == 0) {
            firstFlags = flags;
        } else if (flags != firstFlags) {
            break;  // the time stamps of a run are all there or all missing
        }
        if (types != nullptr) {
            types[done] = item.type;
        }
        if (kennungen != nullptr) {
            kennungen[done] = item.kennung;
        }
        if (zeiten != nullptr) {
            zeiten[done] = item.zeit;
        }
    }
    if (prefixed != nullptr) {
        *prefixed = firstFlags != 0 ? 1u : 0u;
    }
    return static_cast<int32_t>(done);
}

KARVO7STREAM_API int32_t KARVO7StreamDecodeGates(const void* data, uint64_t size,
                                                 const KARVO7StreamOptions* options,
                                                 const KARVO7StreamGateArrays* out) {
    if (options == nullptr || out == nullptr) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    KARVO7StreamWalker walker;
    if (const int32_t begun = KARVO7StreamBegin(&walker, data, size, options);
        begun != KARVO7STREAM_OK) {
        return begun;
    }
    uint32_t rows = 0;
    for (;;) {
        KARVO7StreamItem item = emptyItem();
        const int32_t next = KARVO7StreamNext(&walker, &item, nullptr, 0);
        if (next == KARVO7STREAM_END) {
            break;
        }
        if (next != KARVO7STREAM_OK) {
            return next;
        }
        if (item.kind == KARVO7STREAM_ITEM_CONTROL) {
            continue;
        }
        const bool record = item.kind == KARVO7STREAM_ITEM_GATES;
        if ((!record && item.kind != KARVO7STREAM_ITEM_NATIVE_GATES) ||
            (item.flags & KARVO7STREAM_ITEM_PREFIXED) != 0 || rows == out->capacity) {
            return KARVO7STREAM_ERROR_IRREGULAR;
        }
        if (out->sets != nullptr) {
            out->sets[rows] = record ? item.kennung : static_cast<int32_t>(item.set);
        }
        for (int gate = 0; gate < 5; ++gate) {
            const KARVO7StreamGate& g = item.gates[record ? kRecordSlot[gate] : gate];
            const uint64_t at = static_cast<uint64_t>(rows) * 5 + static_cast<uint64_t>(gate);
            if (out->time != nullptr) {
                out->time[at] = g.time;
            }
            if (out->amplitude != nullptr) {
                out->amplitude[at] = record ? g.amplitude : g.amplitude * 4;
            }
            if (out->marker != nullptr) {
                out->marker[at] = g.marker != 0 ? 1 : 0;
            }
            if (out->present != nullptr) {
                out->present[at] = g.present != 0 ? 1 : 0;
            }
        }
        if (out->es_distance != nullptr) {
            out->es_distance[rows] = record ? -1 : static_cast<int64_t>(item.es_distance);
        }
        if (out->es_amplitude != nullptr) {
            out->es_amplitude[rows] = record ? -1 : static_cast<int64_t>(item.es_amplitude) * 4;
        }
        if (out->offset != nullptr) {
            out->offset[rows] = item.offset;
        }
        ++rows;
    }
    return static_cast<int32_t>(rows);
}

}  // extern "C"
