/* The decoder's public header compiles as C, its structs have the layout foreign-function
 * interfaces declare, and a C program links against the library and walks a buffer. */
#include <stddef.h>
#include <stdio.h>

#include "KARVO7Stream.h"

_Static_assert(sizeof(KARVO7StreamOptions) == 24, "six words");
_Static_assert(sizeof(KARVO7StreamGate) == 20, "five words");
_Static_assert(offsetof(KARVO7StreamItem, zeit) == 24, "record fields");
_Static_assert(offsetof(KARVO7StreamItem, payload_offset) == 48, "sample fields");
_Static_assert(offsetof(KARVO7StreamItem, gates) == 100, "gates");
_Static_assert(offsetof(KARVO7StreamItem, bytes_left) == 200, "tail");
_Static_assert(sizeof(KARVO7StreamItem) == 216, "item");
_Static_assert(sizeof(KARVO7StreamWalker) == 96, "walker");

int main(void) {
    /* An HF record of two samples (-11 as identification), then "Ende Prüfzyklus". */
    static const uint8_t data[] = {0x60, 10,   0,    0,    0xF5, 0xFF, 0x34,
                                   0x12, 0xFE, 0xFF, 0xFF, 0xEF, 0xFF, 0xFF};
    KARVO7StreamOptions options = {KARVO7STREAM_LAYOUT_RECORD, 0, 0, 0, 0, 0};
    KARVO7StreamWalker walker;
    KARVO7StreamItem item;
    int16_t samples[4];
    if ((KARVO7StreamVersion() >> 16) != KARVO7STREAM_VERSION_MAJOR) {
        return 1;
    }
    if (KARVO7StreamBegin(&walker, data, sizeof data, &options) != 1) {
        return 2;
    }
    if (KARVO7StreamNext(&walker, &item, samples, 4) != 1 ||
        item.kind != KARVO7STREAM_ITEM_RECORD || item.kennung != -11 || item.samples_written != 2 ||
        samples[0] != 0x1234 || samples[1] != -2) {
        return 3;
    }
    if (KARVO7StreamNext(&walker, &item, NULL, 0) != 1 || item.kind != KARVO7STREAM_ITEM_CONTROL ||
        item.control_kind != KARVO7STREAM_CONTROL_ENDE_PRUEFZYKLUS || item.cycle != 1) {
        return 4;
    }
    if (KARVO7StreamNext(&walker, &item, NULL, 0) != 0) {
        return 5;
    }
    puts("C program walked a buffer with the decoder library");
    return 0;
}
