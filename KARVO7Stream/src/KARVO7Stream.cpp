// The exported C interface: a thin layer over the walker and the readers. Records cross it by
// their struct_size: the layer reads and writes only what the caller's size holds.
#include "KARVO7Stream.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

#include "CaptureHeader.h"
#include "StreamReaders.h"
#include "StreamWalker.h"

using k7stream::StreamWalker;

static_assert(sizeof(StreamWalker) <= sizeof(KARVO7StreamWalker));
static_assert(alignof(StreamWalker) <= alignof(KARVO7StreamWalker));
static_assert(std::is_trivially_copyable_v<StreamWalker>);
static_assert(std::is_trivially_destructible_v<StreamWalker>);
// The header's version is the project's (the build passes the project's number).
static_assert(KARVO7STREAM_VERSION_NUMBER_OF(KARVO7STREAM_VERSION_MAJOR, KARVO7STREAM_VERSION_MINOR,
                                             KARVO7STREAM_VERSION_PATCH) ==
              KARVO7STREAM_VERSION_NUMBER);
static_assert(KARVO7STREAM_ITEM_SIZE_MIN == offsetof(KARVO7StreamItem, zeit));

namespace {

StreamWalker* walkerIn(KARVO7StreamWalker* storage) {
    return std::launder(reinterpret_cast<StreamWalker*>(storage->opaque));
}

k7stream::Bytes bytesOf(const void* data, uint64_t size) {
    return k7stream::Bytes(static_cast<const uint8_t*>(data), static_cast<std::size_t>(size));
}

// A count as a result: counts never reach INT32_MAX for capacities below it.
uint32_t resultCapacity(uint32_t capacity) {
    return std::min<uint32_t>(capacity, INT32_MAX);
}

// Copies the first `size` bytes of a record of the library's size into the caller's, keeping
// the caller's struct_size.
template <typename Record>
void copyOut(const Record& full, Record* caller) {
    const uint32_t size = caller->struct_size;
    std::memcpy(static_cast<void*>(caller), &full, std::min<std::size_t>(size, sizeof full));
    caller->struct_size = size;
}

// A caller's record as the library's: the fields its size does not hold zero.
template <typename Record>
Record copyIn(const Record& caller) {
    Record full{};
    std::memcpy(static_cast<void*>(&full), &caller,
                std::min<std::size_t>(caller.struct_size, sizeof full));
    full.struct_size = sizeof full;
    return full;
}

constexpr uint32_t kItemSamplesSize = offsetof(KARVO7StreamItem, sample_bits) + sizeof(uint32_t);
constexpr uint32_t kCaptureSizeMin = 8;

}  // namespace

extern "C" {

uint32_t KARVO7StreamVersion(void) {
    return KARVO7STREAM_VERSION_NUMBER;
}

#define K7STREAM_TEXT(x) #x
#define K7STREAM_VERSION_TEXT(major, minor, patch) \
    K7STREAM_TEXT(major) "." K7STREAM_TEXT(minor) "." K7STREAM_TEXT(patch)

const char* KARVO7StreamVersionString(void) {
    return K7STREAM_VERSION_TEXT(KARVO7STREAM_VERSION_MAJOR, KARVO7STREAM_VERSION_MINOR,
                                 KARVO7STREAM_VERSION_PATCH);
}

const char* KARVO7StreamErrorText(int32_t code) {
    switch (code) {
        case KARVO7STREAM_OK:
            return "done";
        case KARVO7STREAM_END:
            return "the walk has no more items";
        case KARVO7STREAM_ERROR_ARGUMENT:
            return "a pointer argument is NULL";
        case KARVO7STREAM_ERROR_OPTION:
            return "an option has a value the decoder does not know";
        case KARVO7STREAM_ERROR_NO_SET:
            return "native gate entries need an active parameter set among 1 to 6";
        case KARVO7STREAM_ERROR_STRUCT_SIZE:
            return "the record's struct_size is too small";
        case KARVO7STREAM_ERROR_NO_SAMPLES:
            return "the item carries no samples";
        case KARVO7STREAM_ERROR_OUTSIDE:
            return "the item does not lie inside the buffer";
        case KARVO7STREAM_ERROR_NO_CAPTURE:
            return "the data does not start with a capture header";
        case KARVO7STREAM_ERROR_CAPTURE:
            return "the capture header is cut short or holds values the decoder does not know";
        case KARVO7STREAM_ERROR_IRREGULAR:
            return "the data is not what a decoding of many at a time takes";
        default:
            return "unknown result code";
    }
}

int32_t KARVO7StreamBegin(KARVO7StreamWalker* walker, const void* data, uint64_t size,
                          const KARVO7StreamOptions* options) {
    if (walker == nullptr) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    new (walker->opaque) StreamWalker();
    if (options == nullptr || (data == nullptr && size != 0) || size > SIZE_MAX) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    const std::optional<KARVO7StreamOptions> given = k7stream::optionsIn(*options);
    if (!given) {
        return KARVO7STREAM_ERROR_STRUCT_SIZE;
    }
    const int32_t checked = StreamWalker::check(*given);
    if (checked != KARVO7STREAM_OK) {
        return checked;
    }
    new (walker->opaque) StreamWalker(bytesOf(data, size), *given);
    return KARVO7STREAM_OK;
}

int32_t KARVO7StreamNext(KARVO7StreamWalker* walker, KARVO7StreamItem* item, int16_t* samples,
                         uint32_t capacity) {
    if (walker == nullptr || item == nullptr) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    if (item->struct_size < KARVO7STREAM_ITEM_SIZE_MIN) {
        return KARVO7STREAM_ERROR_STRUCT_SIZE;
    }
    KARVO7StreamItem full;
    const bool more = walkerIn(walker)->next(full, samples, capacity);
    copyOut(full, item);
    return more ? KARVO7STREAM_OK : KARVO7STREAM_END;
}

int32_t KARVO7StreamSamples(const void* data, uint64_t size, const KARVO7StreamItem* item,
                            int16_t* out, uint32_t capacity) {
    if (data == nullptr || item == nullptr || (out == nullptr && capacity != 0) ||
        size > SIZE_MAX) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    if (item->struct_size < kItemSamplesSize) {
        return KARVO7STREAM_ERROR_STRUCT_SIZE;
    }
    const KARVO7StreamItem full = copyIn(*item);
    if (full.kind != KARVO7STREAM_ITEM_RECORD && full.kind != KARVO7STREAM_ITEM_NATIVE_SAMPLES) {
        return KARVO7STREAM_ERROR_NO_SAMPLES;
    }
    if (full.payload_offset > size || full.payload_bytes > size - full.payload_offset) {
        return KARVO7STREAM_ERROR_OUTSIDE;
    }
    return static_cast<int32_t>(
        k7stream::itemSamples(bytesOf(data, size), full, out, resultCapacity(capacity)));
}

int32_t KARVO7StreamReadCapture(const void* data, uint64_t size, KARVO7StreamCapture* capture) {
    if (capture == nullptr || (data == nullptr && size != 0) || size > SIZE_MAX) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    if (capture->struct_size < kCaptureSizeMin) {
        return KARVO7STREAM_ERROR_STRUCT_SIZE;
    }
    KARVO7StreamCapture full{};
    switch (k7stream::readCaptureHeader(bytesOf(data, size), full)) {
        case k7stream::CaptureRead::NoMagic:
            return KARVO7STREAM_ERROR_NO_CAPTURE;
        case k7stream::CaptureRead::Bad:
            return KARVO7STREAM_ERROR_CAPTURE;
        case k7stream::CaptureRead::Header:
            break;
    }
    copyOut(full, capture);
    return KARVO7STREAM_OK;
}

int32_t KARVO7StreamWriteCapture(const KARVO7StreamCapture* capture, void* out, uint32_t capacity) {
    if (capture == nullptr || out == nullptr || capacity < k7stream::kCaptureHeaderBytes) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    if (capture->struct_size < kCaptureSizeMin) {
        return KARVO7STREAM_ERROR_STRUCT_SIZE;
    }
    const auto bytes = k7stream::captureHeaderBytes(copyIn(*capture));
    if (!bytes) {
        return KARVO7STREAM_ERROR_CAPTURE;
    }
    std::memcpy(out, bytes->data(), bytes->size());
    return static_cast<int32_t>(bytes->size());
}

int32_t KARVO7StreamCaptureOptions(const KARVO7StreamCapture* capture,
                                   KARVO7StreamOptions* options) {
    if (capture == nullptr || options == nullptr) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    if (capture->struct_size < kCaptureSizeMin ||
        options->struct_size < KARVO7STREAM_OPTIONS_SIZE_MIN) {
        return KARVO7STREAM_ERROR_STRUCT_SIZE;
    }
    copyOut(k7stream::captureOptions(copyIn(*capture)), options);
    return KARVO7STREAM_OK;
}

int32_t KARVO7StreamUnpack12(const void* payload, uint64_t bytes, int16_t* out, uint32_t capacity) {
    if ((payload == nullptr && bytes != 0) || (out == nullptr && capacity != 0) ||
        bytes > SIZE_MAX) {
        return KARVO7STREAM_ERROR_ARGUMENT;
    }
    const k7stream::Bytes data = bytesOf(payload, bytes);
    return static_cast<int32_t>(k7stream::unpack12(
        data, data.size() / 2, std::span<int16_t>(out, resultCapacity(capacity))));
}

uint32_t KARVO7StreamControlKind(uint32_t word) {
    return k7stream::controlKind(k7stream::classifyControlWord(word));
}

const char* KARVO7StreamControlName(uint32_t kind) {
    switch (kind) {
        case KARVO7STREAM_CONTROL_ENDE_PRUEFUNG:
            return k7stream::controlWordName(k7stream::ControlWord::EndePruefung);
        case KARVO7STREAM_CONTROL_ENDE_PRUEFSPUR:
            return k7stream::controlWordName(k7stream::ControlWord::EndePruefspur);
        case KARVO7STREAM_CONTROL_ENDE_PRUEFZYKLUS:
            return k7stream::controlWordName(k7stream::ControlWord::EndePruefzyklus);
        default:
            return "";
    }
}

}  // extern "C"
