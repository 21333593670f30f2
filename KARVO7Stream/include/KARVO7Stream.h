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
 * Records that grow
 *   KARVO7StreamOptions, KARVO7StreamItem and KARVO7StreamCapture start with `struct_size`, which
 *   the caller sets to sizeof the record as it was built (`KARVO7StreamItem item = {0};
 *   item.struct_size = sizeof item;`). The
 *   library reads and writes only the bytes that size holds: fields a later version appends are
 *   taken as zero when the caller's options end before them, and not written when the caller's
 *   item ends before them. So a program built against this header keeps working with a later
 *   library whose records are larger. An item's `struct_size` is kept as the caller set it.
 *
 * Results
 *   Functions that can fail return an int32_t: 1 (KARVO7STREAM_OK) on success, 0
 *   (KARVO7STREAM_END) when a walk has no more items, and a negative KARVO7STREAM_ERROR_... code
 *   otherwise; KARVO7StreamErrorText names each. Counting functions return the count (0 or
 *   more) or a negative code.
 *
 * Changes from the interface before the records could grow
 *   `struct_size` first in KARVO7StreamOptions and KARVO7StreamItem (options whose struct_size
 *   is 0 are read as the first six fields only, so zero-initialised options keep their meaning; an
 *   item's struct_size must be set); KARVO7StreamBegin returns a negative code instead of 0 when
 *   it refuses; KARVO7StreamSamples and KARVO7StreamUnpack12 return int32_t, negative on
 *   failure (store their result in a signed integer); samples_per_shot cuts native samples into
 *   shots; captures written by `karvo7 stream` start with a header (KARVO7StreamReadCapture);
 *   KARVO7StreamErrorText, KARVO7StreamVersionString, and the minor and patch version macros.
 *   KARVO7StreamNext still returns 0 at the end, so loops written as
 *   `while (KARVO7StreamNext(...) == 1)` or `while (KARVO7StreamNext(...) > 0)` are unchanged.
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

/* The version of this header, the project's. A program built against it should check at run
 * time that the library's major part equals KARVO7STREAM_VERSION_MAJOR and that its minor part
 * is at least KARVO7STREAM_VERSION_MINOR. */
#define KARVO7STREAM_VERSION_MAJOR 1
#define KARVO7STREAM_VERSION_MINOR 0
#define KARVO7STREAM_VERSION_PATCH 0
#define KARVO7STREAM_VERSION_NUMBER_OF(major, minor, patch) \
    (((uint32_t)(major) << 16) | ((uint32_t)(minor) << 8) | (uint32_t)(patch))

/* The library's version as (major << 16) | (minor << 8) | patch. */
KARVO7STREAM_API uint32_t KARVO7StreamVersion(void);

/* The library's version as text, "major.minor.patch" (static). */
KARVO7STREAM_API const char* KARVO7StreamVersionString(void);

/* ---- results ------------------------------------------------------------------------------ */

#define KARVO7STREAM_OK 1                /* done; an item was written */
#define KARVO7STREAM_END 0               /* the walk has no more items (the item is then zeroed) */
#define KARVO7STREAM_ERROR_ARGUMENT (-1) /* a pointer is NULL, or data NULL with a size */
#define KARVO7STREAM_ERROR_OPTION (-2)   /* an option has a value not listed here */
#define KARVO7STREAM_ERROR_NO_SET (-3)   /* native gate entries without an active set 1-6 */
#define KARVO7STREAM_ERROR_STRUCT_SIZE (-4) /* struct_size below KARVO7STREAM_..._SIZE_MIN */
#define KARVO7STREAM_ERROR_NO_SAMPLES (-5)  /* the item's kind carries no samples */
#define KARVO7STREAM_ERROR_OUTSIDE (-6)     /* the item does not lie inside the buffer */
#define KARVO7STREAM_ERROR_NO_CAPTURE (-7)  /* the data does not start with a capture header */
#define KARVO7STREAM_ERROR_CAPTURE (-8)     /* a capture header cut short or with bad values */
#define KARVO7STREAM_ERROR_IRREGULAR (-9)   /* data a many-at-once decoding does not take */

/* What a result code means, in English (static text); "unknown result code" for others. */
KARVO7STREAM_API const char* KARVO7StreamErrorText(int32_t code);

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

/* How to read a buffer. All zero but struct_size is valid: native 16-bit samples. */
typedef struct KARVO7StreamOptions {
    uint32_t struct_size;      /* sizeof(KARVO7StreamOptions); 0: layout to flags only */
    uint32_t layout;           /* KARVO7STREAM_LAYOUT_... */
    uint32_t sample_bits;      /* native samples: 16 (or 0, the same) or 8 */
    uint32_t prefix;           /* KARVO7STREAM_PREFIX_... (record layout only) */
    uint32_t native_content;   /* KARVO7STREAM_NATIVE_... (native layout only) */
    uint32_t active_sets;      /* native gate entries: bit s set = parameter set s (1 to 6) is
                                  active; other bits are ignored */
    uint32_t flags;            /* KARVO7STREAM_FLAG_... */
    uint32_t samples_per_shot; /* native samples: each NATIVE_SAMPLES item is one shot of this
                                  many samples, at most 16777216 (a last part shot is a
                                  truncated tail); 0: runs as long as the output buffer */
} KARVO7StreamOptions;

/* The least struct_size the library takes (struct_size and layout). */
#define KARVO7STREAM_OPTIONS_SIZE_MIN 8u
/* The largest samples_per_shot. */
#define KARVO7STREAM_SHOT_SAMPLES_MAX 16777216u

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
    uint32_t struct_size; /* sizeof(KARVO7StreamItem), set by the caller before the first call */
    uint32_t kind;        /* KARVO7STREAM_ITEM_... */
    uint32_t flags;       /* KARVO7STREAM_ITEM_... flags */
    uint32_t reserved;
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

    /* native samples cut into shots (KARVO7StreamOptions.samples_per_shot) */
    uint32_t shot; /* the shot's number in the walk, from 0 */
} KARVO7StreamItem;

/* The least struct_size the library takes for an item (through `size`). KARVO7StreamSamples
 * needs the sample fields, through `sample_bits`. */
#define KARVO7STREAM_ITEM_SIZE_MIN 32u

/* ---- walking ------------------------------------------------------------------------------ */

/* The state of one walk, owned by the caller (on the stack, in a struct, from ctypes); its
 * contents are the library's. KARVO7StreamBegin must set it up before KARVO7StreamNext uses it
 * (all zero bytes also make a walk that yields nothing). Copying it copies the walk's
 * position. */
typedef struct KARVO7StreamWalker {
    uint64_t opaque[12];
} KARVO7StreamWalker;

/* Starts a walk over `size` bytes at `data` as `options` say.
 * Returns KARVO7STREAM_OK; KARVO7STREAM_ERROR_ARGUMENT when walker or options is NULL or data
 * is NULL while size is not 0, KARVO7STREAM_ERROR_STRUCT_SIZE for options->struct_size from 1
 * to 7, KARVO7STREAM_ERROR_OPTION when an option has a value not listed above,
 * KARVO7STREAM_ERROR_NO_SET when native gate entries are asked for with no active set among 1
 * to 6. A refused walker (not NULL) yields nothing. */
KARVO7STREAM_API int32_t KARVO7StreamBegin(KARVO7StreamWalker* walker, const void* data,
                                           uint64_t size, const KARVO7StreamOptions* options);

/* Yields the next item into `item`, of which it writes item->struct_size bytes at most.
 * `samples` (optional, may be NULL) receives the item's samples, at most `capacity` of them;
 * item->samples_written says how many. Without samples_per_shot a native-samples item is at
 * most `capacity` samples long when a buffer and a capacity above 0 are given (so a long run
 * arrives in pieces that fit), at most 65536 otherwise; with it, one shot.
 * Returns KARVO7STREAM_OK when an item was written; KARVO7STREAM_END at the end of the walk
 * (the item is then zeroed but for struct_size); KARVO7STREAM_ERROR_ARGUMENT when walker or item
 * is NULL, KARVO7STREAM_ERROR_STRUCT_SIZE when item->struct_size is below
 * KARVO7STREAM_ITEM_SIZE_MIN (the walk does not move on). Never blocks, never allocates. */
KARVO7STREAM_API int32_t KARVO7StreamNext(KARVO7StreamWalker* walker, KARVO7StreamItem* item,
                                          int16_t* samples, uint32_t capacity);

/* Writes the samples of an item (RECORD or NATIVE_SAMPLES) that a walk over this same buffer
 * yielded into `out`, at most `capacity` of them (the unpacking of 12-bit samples included).
 * Returns the number written (0 or more); KARVO7STREAM_ERROR_ARGUMENT for NULL pointers (`out`
 * may be NULL with a capacity of 0),
 * KARVO7STREAM_ERROR_STRUCT_SIZE for an item whose struct_size ends before `sample_bits`,
 * KARVO7STREAM_ERROR_NO_SAMPLES for other kinds, KARVO7STREAM_ERROR_OUTSIDE for an item that does
 * not lie inside the buffer. */
KARVO7STREAM_API int32_t KARVO7StreamSamples(const void* data, uint64_t size,
                                             const KARVO7StreamItem* item, int16_t* out,
                                             uint32_t capacity);

/* ---- many at a time ---------------------------------------------------------------------- */

/* Decodes `count` blocks of `block_bytes` bytes each out of the `size` bytes at `data`, block n
 * at byte offsets[n] (NULL: the blocks lie one after another from the start), each one shot of
 * `row_samples` samples, into row after row of `samples` (count x row_samples). In the record
 * layout every block must be one A-scan/HF record filling it, with a time-stamp prefix on every
 * block or on none; `types`, `kennungen` and `zeiten` (each optional, may be NULL; `count`
 * entries) receive each record's `Datentyp`, `Kennung` and prefix time stamp (0 without), and
 * `prefixed` (optional) whether the blocks carry prefixes. In the native layout (16-bit samples
 * only) each block is one shot of block_bytes / 2 samples. The samples are those the walk gives
 * for the same block. Returns how many blocks from the first on were decoded: fewer than
 * `count` where a block is not such a shot or does not lie inside the data (the caller walks the
 * rest); KARVO7STREAM_ERROR_ARGUMENT for NULL pointers, KARVO7STREAM_ERROR_OPTION for options a
 * walk refuses or 8-bit native samples. */
KARVO7STREAM_API int32_t KARVO7StreamDecodeShots(const void* data, uint64_t size,
                                                 const uint64_t* offsets, uint64_t block_bytes,
                                                 uint32_t count, const KARVO7StreamOptions* options,
                                                 int16_t* samples, uint32_t row_samples,
                                                 uint32_t* types, int32_t* kennungen,
                                                 uint32_t* zeiten, uint32_t* prefixed);

/* Where KARVO7StreamDecodeGates puts the results: arrays of `capacity` rows, a row a gate
 * results record or compact gate entry, gates B0 to B4 in that order in the five entries of a
 * row (a record's slot 5 is B0). Every pointer may be NULL where the caller does not want it. */
typedef struct KARVO7StreamGateArrays {
    uint32_t capacity;
    int32_t* sets;         /* a record's `Kennung`; a compact entry's parameter set */
    uint32_t* time;        /* 5 a row: a record's slot time as stored (half samples); an
                              entry's t */
    uint32_t* amplitude;   /* 5 a row: on the 12-bit scale (an entry's v times 4) */
    uint8_t* marker;       /* 5 a row: 1 where the marker is set */
    uint8_t* present;      /* 5 a row: 1 where the gate has a result */
    int64_t* es_distance;  /* an entry's echo-start distance d; -1 for a record */
    int64_t* es_amplitude; /* an entry's echo-start amplitude times 4; -1 for a record */
    uint64_t* offset;      /* the row's byte offset in the data */
} KARVO7StreamGateArrays;

/* Decodes gate results of one fetch, `size` bytes at `data` read as `options` say (gate
 * results records, with control words anywhere between them, in the record layout; compact
 * entries of the active sets in the native layout), into `out`. Returns the number of rows;
 * KARVO7STREAM_ERROR_IRREGULAR where the data holds anything else (another record, a prefix, a
 * part left over) or more rows than out->capacity: nothing is then to be taken from `out`, and
 * the caller walks the data instead; KARVO7STREAM_ERROR_ARGUMENT for NULL pointers; the walk's
 * refusals of the options. */
KARVO7STREAM_API int32_t KARVO7StreamDecodeGates(const void* data, uint64_t size,
                                                 const KARVO7StreamOptions* options,
                                                 const KARVO7StreamGateArrays* out);

/* ---- captures ----------------------------------------------------------------------------- */

/* A capture file as `karvo7 stream` writes it starts with a header that says how its records
 * are to be read; the records follow at `header_size`. All fields little-endian:
 *   bytes 0-7    magic "K7CAPT\r\n" (KARVO7STREAM_CAPTURE_MAGIC)
 *   bytes 8-11   header_size: bytes from the file's start to the first record (at least 64)
 *   bytes 12-15  format: KARVO7STREAM_CAPTURE_FORMAT; a reader takes any format whose header
 *                holds the fields below, and skips what lies behind them up to header_size
 *   bytes 16-19  layout: KARVO7STREAM_LAYOUT_...
 *   bytes 20-23  sample_bits: native samples 16 or 8
 *   bytes 24-27  samples_per_shot: samples a shot of each set records; 0 when the sets differ
 *   bytes 28-31  active_sets: bit s = parameter set s (0 to 7) took part
 *   bytes 32-35  sample_rate: the sets' sampling-rate index; 0xFFFFFFFF when they differ
 *   bytes 36-39  shots_per_second: the shots a second the card was set to take
 *   bytes 40-47  start_time_us: the measurement's start, microseconds since 1970-01-01 UTC
 *   bytes 48-51  writer_version: the writing program's version, as KARVO7StreamVersion
 *   bytes 52-55  flags: KARVO7STREAM_CAPTURE_... (readers ignore unknown bits)
 *   bytes 56-63  reserved, zero
 * A file without the magic is a bare capture, read with options as the caller gives them. */
#define KARVO7STREAM_CAPTURE_MAGIC "K7CAPT\r\n"
#define KARVO7STREAM_CAPTURE_MAGIC_BYTES 8u
#define KARVO7STREAM_CAPTURE_FORMAT 1u
#define KARVO7STREAM_CAPTURE_HEADER_BYTES 64u
#define KARVO7STREAM_CAPTURE_MIXED 0xFFFFFFFFu
/* flags: the card's gate results records (and the control words between them) lie between
 * the shots' records, as the card delivered them */
#define KARVO7STREAM_CAPTURE_RESULTS 0x1u

typedef struct KARVO7StreamCapture {
    uint32_t struct_size; /* sizeof(KARVO7StreamCapture), set by the caller */
    uint32_t header_size;
    uint32_t format;
    uint32_t layout;
    uint32_t sample_bits;
    uint32_t samples_per_shot;
    uint32_t active_sets;
    uint32_t sample_rate;
    uint32_t shots_per_second;
    uint32_t writer_version;
    uint64_t start_time_us;
    uint32_t flags;
    uint32_t reserved;
} KARVO7StreamCapture;

/* Reads the capture header at the start of `size` bytes at `data` into `capture` (at most
 * capture->struct_size bytes of it). Returns KARVO7STREAM_OK; KARVO7STREAM_ERROR_NO_CAPTURE when
 * the data does not start with the magic (a bare capture; also for fewer than 8 bytes);
 * KARVO7STREAM_ERROR_CAPTURE when the header is cut short, header_size is below 64, or layout
 * or sample_bits hold a value not listed; KARVO7STREAM_ERROR_ARGUMENT for NULL pointers,
 * KARVO7STREAM_ERROR_STRUCT_SIZE for capture->struct_size below 8. Reads nothing beyond
 * `size` bytes. */
KARVO7STREAM_API int32_t KARVO7StreamReadCapture(const void* data, uint64_t size,
                                                 KARVO7StreamCapture* capture);

/* Writes the capture header that `capture` describes into out[0, 64) (its header_size, format
 * and magic set by the library; capture->struct_size says how much of `capture` to read).
 * Returns the bytes written, 64; KARVO7STREAM_ERROR_ARGUMENT for NULL pointers or a capacity
 * below 64, KARVO7STREAM_ERROR_STRUCT_SIZE, KARVO7STREAM_ERROR_CAPTURE for a layout or
 * sample_bits not listed. */
KARVO7STREAM_API int32_t KARVO7StreamWriteCapture(const KARVO7StreamCapture* capture, void* out,
                                                  uint32_t capacity);

/* The options that read the records of a capture with this header (struct_size set). */
KARVO7STREAM_API int32_t KARVO7StreamCaptureOptions(const KARVO7StreamCapture* capture,
                                                    KARVO7StreamOptions* options);

/* ---- single steps ------------------------------------------------------------------------- */

/* Unpacks packed 12-bit samples: `bytes` payload bytes (whole 16-bit words count) into
 * left-aligned 16-bit samples, three words giving four; a last group of one word gives one
 * sample, of two words two. Writes at most `capacity` samples; returns the number written, or
 * KARVO7STREAM_ERROR_ARGUMENT for a NULL payload with bytes or a NULL `out` with a capacity. */
KARVO7STREAM_API int32_t KARVO7StreamUnpack12(const void* payload, uint64_t bytes, int16_t* out,
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
