/*
 * KARVO7Stream.h - the measurement data decoder of the KARVO7 ultrasonic test cards.
 *
 * A card delivers its measurement data in one of two layouts; nothing in the data tells them
 * apart, so the caller says which one a buffer has:
 *   native   bare samples (signed 16 or 8 bit), or a run of 24-byte compact gate entries, one
 *            per active parameter set 1 to 6 in ascending order, round after round;
 *   record   self-describing records: a 6-byte header (`Datentyp`, `Datenlaenge`, `Kennung`),
 *            an optional 8-byte time-stamp prefix before it (first byte 0xFF), A-scan records
 *            (types 0x10 packed 12-bit, 0x14, 0x60), 56-byte gate results records (type 0x40)
 *            and 32-bit control words (upper half 0xFFFF) between them.
 * All fields are little-endian.
 *
 * The walker
 *   KARVO7StreamBegin sets a walker over a caller-owned buffer; each KARVO7StreamNext call
 *   yields the next item in buffer order. The walker allocates nothing, keeps no pointer but
 *   the one to the buffer, and never reads outside [data, data + size). The buffer must stay
 *   unchanged and alive while the walk goes on.
 *
 *   A walk never fails half-way: data that cannot be taken apart ends the walk with one item of
 *   kind KARVO7STREAM_ITEM_TAIL that says where it starts and how many bytes are left; every
 *   item before it has been delivered. A buffer that ends cleanly has no tail item.
 *
 * The record layout, step by step, from offset p:
 *   1. The 16-bit half at p + 2 is 0xFFFF: a control word, 4 bytes.
 *   2. The byte at p is 0xFF (unless KARVO7STREAM_PREFIX_NONE): a time-stamp prefix, 8 bytes
 *      (`Zeit` in bytes 4-7), part of the record that follows it.
 *   3. A record header. Type 0x40: a gate results record, always 56 bytes, whatever
 *      `Datenlaenge` says. Types 0x10, 0x14, 0x60: an A-scan/HF record of `Datenlaenge` bytes.
 *      Any other type: a record of `Datenlaenge` bytes handed on undecoded. A `Datenlaenge`
 *      below 6 (other than for type 0x40) ends the walk with an invalid tail.
 *   A part that does not lie wholly inside the buffer ends the walk with a truncated tail that
 *   starts where the part (its prefix included) starts.
 * The native layout: 16-bit samples two bytes each (a last odd byte is a truncated tail), 8-bit
 *   samples one byte each; or compact gate entries 24 bytes each (a last partial entry is a
 *   truncated tail).
 *
 * Samples
 *   Items that carry samples (A-scan/HF records, native samples) report their count. The
 *   samples are unpacked to signed 16 bit: packed 12-bit samples left-aligned (bits 4-15, bits
 *   0-3 zero), 8-bit native samples widened as they are (-128 to 127). They are written into
 *   the caller's memory either during KARVO7StreamNext (when it is given an output buffer) or
 *   later with KARVO7StreamSamples; at most the given capacity is written.
 *
 * Types
 *   Only fixed-width integers and plain structs without unions or pointers inside, so that C,
 *   C++ and foreign-function interfaces (Python ctypes) can declare them one to one.
 *
 * Threads
 *   No global state. Walkers over the same buffer may run on different threads at once; one
 *   walker must not be used by two threads at the same time.
 */
#ifndef KARVO7STREAM_H
#define KARVO7STREAM_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(KARVO7STREAM_BUILDING_LIBRARY)
#define KARVO7STREAM_API __declspec(dllexport)
#else
#define KARVO7STREAM_API __declspec(dllimport)
#endif
#else
#define KARVO7STREAM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- version ------------------------------------------------------------------------------ */

/* The library's version as (major << 16) | (minor << 8) | patch. Programs built against this
 * header should check that the major part equals KARVO7STREAM_VERSION_MAJOR. */
#define KARVO7STREAM_VERSION_MAJOR 1
KARVO7STREAM_API uint32_t KARVO7StreamVersion(void);

/* ---- options ------------------------------------------------------------------------------ */

/* KARVO7StreamOptions.layout */
#define KARVO7STREAM_LAYOUT_NATIVE 0u
#define KARVO7STREAM_LAYOUT_RECORD 1u

/* KARVO7StreamOptions.native_content: what a native-layout buffer holds */
#define KARVO7STREAM_NATIVE_SAMPLES 0u /* A-scan data: bare samples */
#define KARVO7STREAM_NATIVE_GATES 1u   /* gate results: compact gate entries */

/* KARVO7StreamOptions.prefix: time-stamp prefixes in the record layout */
#define KARVO7STREAM_PREFIX_AUTO 0u /* a first byte 0xFF marks a prefix (how the card sends it) */
#define KARVO7STREAM_PREFIX_NONE 1u /* the data has no prefixes; 0xFF is read as a record type */

/* KARVO7StreamOptions.flags
 * KARVO7STREAM_FLAG_PAD4: in the record layout each A-scan/HF record (and each record of another
 * type) is followed by zero to three padding bytes up to a multiple of 4 bytes from its header;
 * without it the next item starts right after `Datenlaenge` bytes. */
#define KARVO7STREAM_FLAG_PAD4 0x1u

/* How to read a buffer. All zero is valid: native 16-bit samples. */
typedef struct KARVO7StreamOptions {
    uint32_t layout;         /* KARVO7STREAM_LAYOUT_... */
    uint32_t sample_bits;    /* native samples: 16 (or 0, the same) or 8 */
    uint32_t prefix;         /* KARVO7STREAM_PREFIX_... (record layout only) */
    uint32_t native_content; /* KARVO7STREAM_NATIVE_... (native layout only) */
    uint32_t active_sets;    /* native gate entries: bit s set = parameter set s (1 to 6) is
                                active; other bits are ignored */
    uint32_t flags;          /* KARVO7STREAM_FLAG_... */
} KARVO7StreamOptions;

/* ---- items -------------------------------------------------------------------------------- */

/* KARVO7StreamItem.kind */
#define KARVO7STREAM_ITEM_RECORD 1u         /* A-scan/HF record (types 0x10, 0x14, 0x60) */
#define KARVO7STREAM_ITEM_GATES 2u          /* gate results record (type 0x40), 56 bytes */
#define KARVO7STREAM_ITEM_CONTROL 3u        /* control word */
#define KARVO7STREAM_ITEM_OTHER_RECORD 4u   /* a whole record of another type, not decoded */
#define KARVO7STREAM_ITEM_NATIVE_SAMPLES 5u /* a run of native samples */
#define KARVO7STREAM_ITEM_NATIVE_GATES 6u   /* one compact gate entry */
#define KARVO7STREAM_ITEM_TAIL 7u           /* the rest of the buffer that could not be read */

/* KARVO7StreamItem.control_kind */
#define KARVO7STREAM_CONTROL_UNKNOWN 0u          /* upper half 0xFFFF, another lower half */
#define KARVO7STREAM_CONTROL_ENDE_PRUEFUNG 1u    /* 0xFFFFEFFD "Ende Prüfung" */
#define KARVO7STREAM_CONTROL_ENDE_PRUEFSPUR 2u   /* 0xFFFFEFFE "Ende Prüfspur" */
#define KARVO7STREAM_CONTROL_ENDE_PRUEFZYKLUS 3u /* 0xFFFFEFFF "Ende Prüfzyklus" */

/* KARVO7StreamItem.tail_reason
 * TRUNCATED: the buffer ends inside a prefix, header, record, entry or sample.
 * INVALID: a header whose `Datenlaenge` is below 6; the walk cannot know where the next item
 * starts. */
#define KARVO7STREAM_TAIL_TRUNCATED 1u
#define KARVO7STREAM_TAIL_INVALID 2u

/* KARVO7StreamItem.flags */
#define KARVO7STREAM_ITEM_PREFIXED 0x1u /* a time-stamp prefix came before the record */

/* Gate results: one slot of a gate results record or one gate of a compact entry. */
typedef struct KARVO7StreamGate {
    uint32_t present;   /* 1: the gate has a result (status bit 15 / entry bit 21) */
    uint32_t marker;    /* 1: the marker is set (status bit 14 / entry bit 20), shown as "^" */
    uint32_t amplitude; /* record: the slot's 16-bit amplitude on the 12-bit scale;
                           compact entry: v, 10 bits as stored (the library's KARVO7GetGates
                           scales it by 4) */
    uint32_t time;      /* record: the slot's 16-bit time as stored; compact entry: t, 20 bits */
    uint32_t status;    /* record: the slot's 16-bit status word; compact entry: the gate's
                           whole 32-bit word */
} KARVO7StreamGate;

/* One item of a walk. Fields that do not belong to an item's kind are zero. */
typedef struct KARVO7StreamItem {
    uint32_t kind;   /* KARVO7STREAM_ITEM_... */
    uint32_t flags;  /* KARVO7STREAM_ITEM_... flags */
    uint64_t offset; /* byte offset of the item in the buffer, its time-stamp prefix included */
    uint64_t size;   /* bytes the item takes, prefix and padding included; the next item starts
                        at offset + size */

    /* records (RECORD, GATES, OTHER_RECORD) */
    uint32_t zeit;          /* the prefix's time stamp `Zeit`; 0 without prefix */
    uint32_t type;          /* `Datentyp` */
    uint32_t length;        /* `Datenlaenge`: the record's bytes, header included, prefix not */
    int32_t kennung;        /* `Kennung`, the parameter set's identification, signed 16 bit */
    uint64_t record_offset; /* byte offset of the record header (after a prefix) */

    /* samples (RECORD, NATIVE_SAMPLES) */
    uint64_t payload_offset;  /* byte offset of the first payload byte */
    uint32_t payload_bytes;   /* payload bytes the samples come from */
    uint32_t sample_count;    /* samples the item carries (packed records: unpacked, at most
                                 65536) */
    uint32_t samples_written; /* samples KARVO7StreamNext wrote into its output buffer */
    uint32_t sample_bits;     /* width of a sample in the data: 12 (packed), 16 or 8 */

    /* control words (CONTROL) */
    uint32_t control_word; /* the 32-bit word */
    uint32_t control_kind; /* KARVO7STREAM_CONTROL_... */
    uint32_t cycle;        /* "Ende Prüfzyklus" words counted from 1 within the walk */

    /* compact gate entries (NATIVE_GATES) */
    uint32_t set;          /* parameter set 1 to 6 the entry belongs to */
    uint32_t round;        /* round over the active sets, from 0 */
    uint32_t es_distance;  /* echo-start distance d, 20 bits */
    uint32_t es_amplitude; /* echo-start amplitude, 10 bits as stored */

    /* gates (GATES: slots 1 to 5; NATIVE_GATES: gates of words 1 to 5) */
    KARVO7StreamGate gates[5];

    /* tail (TAIL) */
    uint64_t bytes_left;  /* bytes from offset to the end of the buffer (equals size) */
    uint32_t tail_reason; /* KARVO7STREAM_TAIL_... */
    uint32_t reserved;
} KARVO7StreamItem;

/* ---- walking ------------------------------------------------------------------------------ */

/* The state of one walk, owned by the caller (on the stack, in a struct, from ctypes); its
 * contents are the library's. KARVO7StreamBegin must set it up before KARVO7StreamNext uses it
 * (all zero bytes also make a walk that yields nothing). Copying it copies the walk's
 * position. */
typedef struct KARVO7StreamWalker {
    uint64_t opaque[12];
} KARVO7StreamWalker;

/* Starts a walk over `size` bytes at `data` as `options` say.
 * Returns 1; 0 when walker or options is NULL, data is NULL while size is not 0, an option has
 * a value not listed above, or native gate entries are asked for with no active set among 1
 * to 6 (the walker then yields nothing). */
KARVO7STREAM_API int32_t KARVO7StreamBegin(KARVO7StreamWalker* walker, const void* data,
                                           uint64_t size, const KARVO7StreamOptions* options);

/* Yields the next item into `item`.
 * `samples` (optional, may be NULL) receives the item's samples, at most `capacity` of them;
 * item->samples_written says how many. A native-samples item is at most `capacity` samples
 * long when a buffer and a capacity above 0 are given (so a long run arrives in pieces that
 * fit), at most 65536 otherwise.
 * Returns 1 when an item was written; 0 at the end of the walk (item is then zeroed) or when
 * walker or item is NULL. Never blocks, never allocates. */
KARVO7STREAM_API int32_t KARVO7StreamNext(KARVO7StreamWalker* walker, KARVO7StreamItem* item,
                                          int16_t* samples, uint32_t capacity);

/* Writes the samples of an item (RECORD or NATIVE_SAMPLES) that a walk over this same buffer
 * yielded into `out`, at most `capacity` of them (the unpacking of 12-bit samples included).
 * Returns the number written; 0 for other kinds, NULL arguments, or an item that does not lie
 * inside the buffer. */
KARVO7STREAM_API uint32_t KARVO7StreamSamples(const void* data, uint64_t size,
                                              const KARVO7StreamItem* item, int16_t* out,
                                              uint32_t capacity);

/* ---- single steps ------------------------------------------------------------------------- */

/* Unpacks packed 12-bit samples: `bytes` payload bytes (whole 16-bit words count) into
 * left-aligned 16-bit samples, three words giving four; a last group of one word gives one
 * sample, of two words two. Writes at most `capacity` samples; returns the number written. */
KARVO7STREAM_API uint32_t KARVO7StreamUnpack12(const void* payload, uint64_t bytes, int16_t* out,
                                               uint32_t capacity);

/* Classifies a 32-bit control word: KARVO7STREAM_CONTROL_... */
KARVO7STREAM_API uint32_t KARVO7StreamControlKind(uint32_t word);

/* The name of a control kind as the check program shows it, UTF-8 ("Ende Prüfung", "Ende
 * Prüfspur", "Ende Prüfzyklus"); "" for KARVO7STREAM_CONTROL_UNKNOWN and other values. The
 * text is static. */
KARVO7STREAM_API const char* KARVO7StreamControlName(uint32_t kind);

#ifdef __cplusplus
}
#endif

#endif /* KARVO7STREAM_H */
