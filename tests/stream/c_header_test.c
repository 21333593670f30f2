/* The decoder's public header compiles as C, its structs have the layout foreign-function
 * interfaces declare, a C program links against the library and walks a buffer, and a program
 * built with smaller records (as one built against an earlier header) keeps working: the library
 * reads and writes only the bytes their struct_size holds. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "KARVO7Stream.h"

_Static_assert(sizeof(KARVO7StreamOptions) == 32, "eight words");
_Static_assert(sizeof(KARVO7StreamGate) == 20, "five words");
_Static_assert(offsetof(KARVO7StreamItem, offset) == 16, "item head");
_Static_assert(offsetof(KARVO7StreamItem, zeit) == KARVO7STREAM_ITEM_SIZE_MIN, "record fields");
_Static_assert(offsetof(KARVO7StreamItem, payload_offset) == 56, "sample fields");
_Static_assert(offsetof(KARVO7StreamItem, gates) == 108, "gates");
_Static_assert(offsetof(KARVO7StreamItem, bytes_left) == 208, "tail");
_Static_assert(sizeof(KARVO7StreamItem) == 224, "item");
_Static_assert(sizeof(KARVO7StreamWalker) == 96, "walker");
_Static_assert(sizeof(KARVO7StreamCapture) == 56, "capture");

/* The options and the item as a program built before samples_per_shot and shot has them. */
typedef struct SmallOptions {
    uint32_t struct_size, layout, sample_bits, prefix, native_content, active_sets, flags;
} SmallOptions;
/* An item as such a program has it: it ends with `tail_reason`. */
#define SMALL_ITEM_SIZE (offsetof(KARVO7StreamItem, tail_reason) + sizeof(uint32_t))
_Static_assert(SMALL_ITEM_SIZE == 220, "the item before `shot`");

/* An HF record of two samples (-11 as identification), then "Ende Prüfzyklus". */
static const uint8_t data[] = {0x60, 10,   0,    0,    0xF5, 0xFF, 0x34,
                               0x12, 0xFE, 0xFF, 0xFF, 0xEF, 0xFF, 0xFF};

static int walkWithTodaysRecords(void) {
    KARVO7StreamOptions options = {0};
    KARVO7StreamWalker walker;
    KARVO7StreamItem item = {0};
    int16_t samples[4];
    options.struct_size = sizeof options;
    options.layout = KARVO7STREAM_LAYOUT_RECORD;
    item.struct_size = sizeof item;
    if (KARVO7StreamBegin(&walker, data, sizeof data, &options) != KARVO7STREAM_OK) {
        return 2;
    }
    if (KARVO7StreamNext(&walker, &item, samples, 4) != KARVO7STREAM_OK ||
        item.kind != KARVO7STREAM_ITEM_RECORD || item.kennung != -11 || item.samples_written != 2 ||
        samples[0] != 0x1234 || samples[1] != -2 || item.struct_size != sizeof item) {
        return 3;
    }
    if (KARVO7StreamNext(&walker, &item, NULL, 0) != KARVO7STREAM_OK ||
        item.kind != KARVO7STREAM_ITEM_CONTROL ||
        item.control_kind != KARVO7STREAM_CONTROL_ENDE_PRUEFZYKLUS || item.cycle != 1) {
        return 4;
    }
    if (KARVO7StreamNext(&walker, &item, NULL, 0) != KARVO7STREAM_END) {
        return 5;
    }
    return 0;
}

static int walkWithSmallerRecords(void) {
    /* Behind each record a canary the library must neither read nor write: as options, the
     * canary would be a samples_per_shot the library refuses. */
    struct {
        SmallOptions options;
        uint32_t canary;
    } options;
    /* The item in memory of its own, its canary right behind its 220 bytes. */
    union {
        KARVO7StreamItem item;
        uint8_t bytes[384];
    } memory;
    uint8_t* bytes = memory.bytes;
    KARVO7StreamItem* item = &memory.item;
    KARVO7StreamWalker walker;
    int16_t samples[4];
    uint8_t canary[sizeof memory - SMALL_ITEM_SIZE];
    memset(&options, 0, sizeof options);
    options.options.struct_size = sizeof options.options;
    options.options.layout = KARVO7STREAM_LAYOUT_RECORD;
    options.canary = 0xFFFFFFFFu;
    memset(bytes, 0xA5, sizeof memory);
    memset(bytes, 0, SMALL_ITEM_SIZE);
    item->struct_size = SMALL_ITEM_SIZE;
    memcpy(canary, bytes + SMALL_ITEM_SIZE, sizeof canary);
    if (KARVO7StreamBegin(&walker, data, sizeof data, (const KARVO7StreamOptions*)&options) !=
        KARVO7STREAM_OK) {
        return 10;
    }
    if (KARVO7StreamNext(&walker, item, samples, 4) != KARVO7STREAM_OK ||
        item->kind != KARVO7STREAM_ITEM_RECORD || item->kennung != -11 ||
        item->samples_written != 2 || item->struct_size != SMALL_ITEM_SIZE ||
        memcmp(bytes + SMALL_ITEM_SIZE, canary, sizeof canary) != 0) {
        return 11;
    }
    if (KARVO7StreamSamples(data, sizeof data, item, samples, 4) != 2 || samples[1] != -2) {
        return 12;
    }
    if (KARVO7StreamNext(&walker, item, NULL, 0) != KARVO7STREAM_OK || item->cycle != 1 ||
        memcmp(bytes + SMALL_ITEM_SIZE, canary, sizeof canary) != 0) {
        return 13;
    }
    /* An item too small to say what it is is refused. */
    item->struct_size = KARVO7STREAM_ITEM_SIZE_MIN - 1;
    if (KARVO7StreamNext(&walker, item, NULL, 0) != KARVO7STREAM_ERROR_STRUCT_SIZE) {
        return 14;
    }
    return 0;
}

int main(void) {
    int failed;
    if ((KARVO7StreamVersion() >> 16) != KARVO7STREAM_VERSION_MAJOR ||
        KARVO7StreamVersion() != KARVO7STREAM_VERSION_NUMBER_OF(KARVO7STREAM_VERSION_MAJOR,
                                                                KARVO7STREAM_VERSION_MINOR,
                                                                KARVO7STREAM_VERSION_PATCH)) {
        return 1;
    }
    failed = walkWithTodaysRecords();
    if (failed == 0) {
        failed = walkWithSmallerRecords();
    }
    if (failed != 0) {
        printf("failed at step %d\n", failed);
        return failed;
    }
    printf("C program walked a buffer with the decoder library %s, with records of two sizes\n",
           KARVO7StreamVersionString());
    return 0;
}
