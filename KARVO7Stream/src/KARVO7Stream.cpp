// The exported C interface: a thin layer over the walker and the readers.
#include "KARVO7Stream.h"

#include <new>
#include <type_traits>

#include "StreamReaders.h"
#include "StreamWalker.h"

using k7stream::StreamWalker;

static_assert(sizeof(StreamWalker) <= sizeof(KARVO7StreamWalker));
static_assert(alignof(StreamWalker) <= alignof(KARVO7StreamWalker));
static_assert(std::is_trivially_copyable_v<StreamWalker>);
static_assert(std::is_trivially_destructible_v<StreamWalker>);

namespace {

StreamWalker* walkerIn(KARVO7StreamWalker* storage) {
    return std::launder(reinterpret_cast<StreamWalker*>(storage->opaque));
}

}  // namespace

extern "C" {

uint32_t KARVO7StreamVersion(void) {
    return KARVO7STREAM_VERSION_NUMBER;
}

int32_t KARVO7StreamBegin(KARVO7StreamWalker* walker, const void* data, uint64_t size,
                          const KARVO7StreamOptions* options) {
    if (walker == nullptr) {
        return 0;
    }
    const bool ok = options != nullptr && (data != nullptr || size == 0) && size <= SIZE_MAX &&
                    StreamWalker::valid(*options);
    if (!ok) {
        new (walker->opaque) StreamWalker();
        return 0;
    }
    new (walker->opaque) StreamWalker(
        k7stream::Bytes(static_cast<const uint8_t*>(data), static_cast<std::size_t>(size)),
        *options);
    return 1;
}

int32_t KARVO7StreamNext(KARVO7StreamWalker* walker, KARVO7StreamItem* item, int16_t* samples,
                         uint32_t capacity) {
    if (walker == nullptr || item == nullptr) {
        return 0;
    }
    return walkerIn(walker)->next(*item, samples, capacity) ? 1 : 0;
}

uint32_t KARVO7StreamSamples(const void* data, uint64_t size, const KARVO7StreamItem* item,
                             int16_t* out, uint32_t capacity) {
    if (data == nullptr || item == nullptr || size > SIZE_MAX) {
        return 0;
    }
    return k7stream::itemSamples(
        k7stream::Bytes(static_cast<const uint8_t*>(data), static_cast<std::size_t>(size)), *item,
        out, capacity);
}

uint32_t KARVO7StreamUnpack12(const void* payload, uint64_t bytes, int16_t* out,
                              uint32_t capacity) {
    if (payload == nullptr || out == nullptr || bytes > SIZE_MAX) {
        return 0;
    }
    const k7stream::Bytes data(static_cast<const uint8_t*>(payload),
                               static_cast<std::size_t>(bytes));
    return static_cast<uint32_t>(
        k7stream::unpack12(data, data.size() / 2, std::span<int16_t>(out, capacity)));
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
