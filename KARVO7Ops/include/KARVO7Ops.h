/*
 * KARVO7Ops.h - card operations of the KARVO7 ultrasonic test cards: the self tests, loading a
 * DSP program, the reset with its warm-up, the station checks of the check program's "Check
 * All", the identification record's text file, handing a parameter set to a card and leaving a
 * card stopped and empty, exactly as the check program does them.
 *
 * A typical use on a card opened with the card library:
 *
 *     uint32_t error = 0, count = 0;
 *     K7OpsVerdict verdict;
 *     K7OpsSelfTest(card, 3, NULL, NULL, &verdict, &error);    // "Aufnahme-FIFO: OK"
 *     K7OpsLoadDsp(card, "KARVO7DSP.hex", &verdict, &error);   // written, reset, warmed up
 *     K7OpsVerdict all[K7OPS_CHECK_COUNT];
 *     K7OpsCheckAll(card, "KARVO7Check.INI", NULL, NULL, all, K7OPS_CHECK_COUNT, &count,
 *                   &error);                                   // no questions: answered No
 *
 * Verdicts
 *   A check or self test that ran returns 1 and says in its verdict whether the card passed,
 *   with the line the check program shows ("VendorID soll: 1234 ist: 10B5", "OK"). Texts are
 *   UTF-8 (the check program's German texts keep their umlauts), NUL-terminated, cut at a
 *   character boundary when longer than the field.
 *
 * Errors
 *   As in the card library: functions return 1 on success and 0 on failure, with the error word
 *   as the last argument: the card library's or driver's word, or one of K7OPS_ERROR_*. A DSP
 *   load or a reset that failed returns 0 and fills its verdict as well.
 *
 * Parameter file
 *   The check program's INI file: the reference values (sections "PCIconfiguration",
 *   "PCIEEPROM"), the identification file ("Kennung", key "Filename"), the DSP program
 *   ("DSP", "Filename"), the self tests of "Check All" ("Selbstest") and the checks it runs
 *   ("Check"). A named file that cannot be read is refused (K7OPS_ERROR_FILE) and no check
 *   runs; an empty name stands for no file, whose values are missing: the EEPROM check then
 *   fails before writing. Relative file names inside it are taken from the file's folder.
 *   K7OpsProfile* reads, edits and writes the file itself by the same rules.
 *
 * Threads
 *   The functions use nothing but the card they are given: calls on different cards may run on
 *   different threads at once; calls on one card are made one at a time, and not while an
 *   acquisition engine runs on it. A question callback is called on the calling thread.
 *
 * Types
 *   Fixed-width integers and plain structs, caller-owned buffers: C, C++ and foreign-function
 *   interfaces (Python ctypes) declare them one to one.
 */
#ifndef KARVO7OPS_H
#define KARVO7OPS_H

#include <stdint.h>

#include "KARVO7DLL.h"

#if defined(_WIN32)
#define KARVO7OPS_API /* exported by name through KARVO7Ops.def */
#else
#define KARVO7OPS_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The library's version as (major << 16) | (minor << 8) | patch. */
#define KARVO7OPS_VERSION_MAJOR 1
KARVO7OPS_API uint32_t K7OpsVersion(void);

#define K7OPS_ERROR_ARGUMENT 0x90300000u  /* a null pointer, or no such test or check */
#define K7OPS_ERROR_FILE 0x90310000u      /* a file that cannot be read, refused, or not written */
#define K7OPS_ERROR_FAILED 0x90320000u    /* the operation failed; its verdict says how */
#define K7OPS_ERROR_BUFFER 0x90330000u    /* a buffer or array too small for the shot */
#define K7OPS_ERROR_SHOT_SIZE 0x90340000u /* a shot not of the size its set gives */
#define K7OPS_ERROR_TIMEOUT 0x90350000u   /* no data within the data time-out */
#define K7OPS_ERROR_PROTECTED 0x90360000u /* a file left alone: read-only, no file, or a link */

/* What an error word means (the card library's, the driver's, the card operations' or the
 * acquisition engine's), in English ("Filter above 7", "card already in use") or in the check
 * program's German ("Filter über 7", "Karte in Benutzung"); a word only the driver knows is
 * "error word of the driver" ("Fehlerwort des Treibers"). Copies the meaning, NUL-terminated
 * and cut before a UTF-8 character that does not fit whole, into `text` of `capacity` bytes
 * (none when `text` is NULL or `capacity` 0) and returns its length in bytes without the NUL. */
#define K7OPS_LANGUAGE_ENGLISH 0u
#define K7OPS_LANGUAGE_GERMAN 1u
KARVO7OPS_API uint32_t K7OpsErrorText(uint32_t word, uint32_t language, char* text,
                                      uint32_t capacity);

/* The station checks, in the order of "Check All". */
#define K7OPS_CHECK_PCI_CONFIGURATION 0u /* the configuration header against its references */
#define K7OPS_CHECK_PCI_EEPROM 1u        /* the bridge EEPROM, repaired to its references */
#define K7OPS_CHECK_PCI_OPERATION 2u     /* the operation registers answer */
#define K7OPS_CHECK_KENNUNG 3u           /* the identification record against its file */
#define K7OPS_CHECK_LCA 4u               /* the LCA identities */
#define K7OPS_CHECK_DSP 5u               /* the DSP program loaded */
#define K7OPS_CHECK_SELF_TESTS 6u        /* the selected self tests */
#define K7OPS_CHECK_COMMANDS 7u          /* the command sequence, the card brought back */
#define K7OPS_CHECK_COUNT 8u

#define K7OPS_SELF_TEST_COUNT 13u
#define K7OPS_SELF_TEST_DAC 9u /* the DAC ramps: asks whether they look right */

#define K7OPS_NAME_BYTES 64u
#define K7OPS_TEXT_BYTES 256u

typedef struct K7OpsVerdict {
    uint32_t item;               /* the check (K7OPS_CHECK_*) or the self test's number */
    int32_t passed;              /* 1 passed, 0 failed */
    char name[K7OPS_NAME_BYTES]; /* "PCI EEPROM", "DSP->PCI-FIFO" */
    char text[K7OPS_TEXT_BYTES]; /* the line: "OK", "nach Schreiben OK", "Reset Error" */
} K7OpsVerdict;

/* A yes/no question to whoever watches the card (the DAC ramps: caption "DAC-Test", text
 * "DAC-Rampen OK?"): returns 1 for yes. No callback answers no. */
typedef int32_t (*K7OpsQuestion)(void* context, const char* caption, const char* text);

/* Runs self test `test` (0 to 12). */
KARVO7OPS_API int K7OpsSelfTest(KARVO7HANDLE card, uint32_t test, K7OpsQuestion question,
                                void* context, K7OpsVerdict* verdict, uint32_t* error);

/* Loads a DSP program file (.hex or .bin) as the check program does: the file read and refused
 * by the same rules (a refused file touches no card: K7OPS_ERROR_FILE), the image written, the
 * card reset and warmed up. The verdict's text is "OK (Reset nach n ms)" or the fault. */
KARVO7OPS_API int K7OpsLoadDsp(KARVO7HANDLE card, const char* path, K7OpsVerdict* verdict,
                               uint32_t* error);

/* The card's hardware reset, waited for (one second at most), then its warm-up. */
KARVO7OPS_API int K7OpsResetCard(KARVO7HANDLE card, K7OpsVerdict* verdict, uint32_t* error);

/* Check `check`'s name on a command line ("pci-config", "selftest"), copied as K7OpsErrorText
 * copies a text; returns its length, 0 for a number no check has. */
KARVO7OPS_API uint32_t K7OpsCheckWord(uint32_t check, char* word, uint32_t capacity);

/* One station check with the reference values of `parameterFile` ("" for none); a named file
 * that cannot be read fails with K7OPS_ERROR_FILE before anything runs. */
KARVO7OPS_API int K7OpsCheck(KARVO7HANDLE card, uint32_t check, const char* parameterFile,
                             K7OpsQuestion question, void* context, K7OpsVerdict* verdict,
                             uint32_t* error);

/* The checks the parameter file selects for "Check All" (section "Check"; all of them when it
 * says nothing), one verdict each in order; `count` says how many. `capacity` below the count
 * of selected checks fails with K7OPS_ERROR_ARGUMENT and runs none. */
KARVO7OPS_API int K7OpsCheckAll(KARVO7HANDLE card, const char* parameterFile,
                                K7OpsQuestion question, void* context, K7OpsVerdict* verdicts,
                                uint32_t capacity, uint32_t* count, uint32_t* error);

/* The identification record: read from the card into its text file (written whole or not at
 * all), and written from its text file to the card. A file that is not the record's text form
 * (every field's line "key,type,count:values;" once, as K7OpsSaveKennung writes them) is
 * refused with K7OPS_ERROR_FILE and nothing is written; the verdict of K7OPS_CHECK_KENNUNG on
 * such a file names the line. */
KARVO7OPS_API int K7OpsSaveKennung(KARVO7HANDLE card, const char* path, uint32_t* error);
KARVO7OPS_API int K7OpsWriteKennung(KARVO7HANDLE card, const char* path, uint32_t* error);

/* A parameter set as a card takes it: the card library's argument block of
 * KARVO7PrepAllGatesParam, then what travels in calls of its own. The block's Start field is the
 * start code the set is prepared with (1 for single shots and blocks, 3 for a continuous
 * measurement started with KARVO7Start); TATabelle points at the caller's depth-compensation
 * table, or is NULL. Flags are 0 or 1. */
typedef struct K7OpsSet {
    MeasureParams measure;
    SpecialParams special;
    uint32_t verstaerkung; /* gain, 10 x dB */
    GateParams gates;
    uint32_t triggerDelay;  /* "Triggerdelay" */
    uint32_t trigger25ns;   /* the trigger delay in 25 ns steps */
    uint32_t externalClock; /* "TriggerExtern": the external clock on */
    uint32_t esbLevel;      /* the echo-start gate: "ESB-Level", "ESB-Time", "ESB-relativ", */
    uint32_t esbTime;       /* "ESB-always" */
    uint32_t esbRelativ;
    uint32_t esbAlways;
} K7OpsSet;

/* Parameter sets of a parameter file, section "Karte<card>-Satz<set>" (cards 1 to 16, sets 0 to
 * 7), read as the check program reads them: missing keys take the check program's defaults.
 *
 * K7OpsReadSet reads one set from the file `path` as the card takes it, with start code `start`
 * (1 or 3, see K7OpsSet), into `record`, the set's "Active" flag into `active`. A depth
 * compensation the set hands the card is copied into `table` of K7OPS_TA_ENTRIES entries, which
 * record->measure.TATabelle then points at (NULL without one). A file that cannot be read, is
 * not text or lacks the set's section is refused with K7OPS_ERROR_FILE, `message` (UTF-8,
 * NUL-terminated, cut to `messageBytes`; may be NULL) naming the file and the fault: "a.ini: no
 * section [Karte1-Satz2]", "a.ini: line 3: not a parameter file (binary data)".
 *
 * K7OpsParseSet takes a set, by its section's name, from the bytes of a parameter file (any
 * bytes; a missing section gives the defaults) as the file means each key: values[i] is field i
 * of K7OpsSetFieldKey (a yes/no key 0 or 1, a threshold the file's number), the table the set
 * hands the card in `table` with its length in `points` (0: none), the "Active" flag in
 * `active`. `count` below K7OpsSetFieldCount() fails with K7OPS_ERROR_ARGUMENT. */
#define K7OPS_TA_ENTRIES 256u
KARVO7OPS_API int K7OpsReadSet(const char* path, uint32_t card, uint32_t set, uint32_t start,
                               K7OpsSet* record, uint16_t* table, int32_t* active, char* message,
                               uint32_t messageBytes, uint32_t* error);
KARVO7OPS_API int K7OpsParseSet(const char* text, uint64_t size, const char* section,
                                int64_t* values, uint32_t count, uint16_t* table, uint32_t* points,
                                int32_t* active, uint32_t* error);
/* The fields of a set in the file's order; K7OpsSetFieldKey copies field `index`'s key ("IFF",
 * "B0-Anfang") as K7OpsErrorText copies a text and returns its length, 0 for no such field. */
KARVO7OPS_API uint32_t K7OpsSetFieldCount(void);
KARVO7OPS_API uint32_t K7OpsSetFieldKey(uint32_t index, char* key, uint32_t capacity);
/* Microseconds per sample of a set's "Samplerate" code (0 to 255), as the set editor converts
 * samples to µs and mm: a divided clock counts, a code without a rate of its own has the
 * virtual 160 MHz clock's. */
KARVO7OPS_API double K7OpsSamplePeriod(uint32_t sampleRate);

/* ---- the parameter file ------------------------------------------------------------------
 * A parameter file in memory, read and written by the check program's rules: names compare
 * case-insensitively (ASCII letters), blanks around names and values are no part of them, the
 * first matching section and key win, a line whose first non-blank is ';' is a comment, one pair
 * of quotes around a value goes on reading, a line ends with a line feed (a carriage return
 * before it is kept with it) and a UTF-8 byte order mark before the first line is no part of it.
 * An edit changes only the line it concerns (a new key goes behind its section's last key, a new
 * section at the end) and keeps every other byte, comment, order and line ending:
 *
 *     K7OpsProfile* profile = K7OpsProfileLoad("KARVO7Check.INI", message, sizeof message,
 *                                              &error);
 *     K7OpsProfileSetValue(profile, "Init", "TimeOut", "25", 2, &error);
 *     K7OpsProfileSave(profile, "KARVO7Check.INI", message, sizeof message, &error);
 *     K7OpsProfileFree(profile);
 *
 * A profile belongs to its caller: it is used by one thread at a time and freed once. Names are
 * NUL-terminated; values and the file's bytes are any bytes, with their size. */
typedef struct K7OpsProfile K7OpsProfile;

/* A profile of the `size` bytes at `bytes` (any bytes; NULL and 0 for an empty one), or NULL
 * with K7OPS_ERROR_ARGUMENT for NULL bytes of a size. */
KARVO7OPS_API K7OpsProfile* K7OpsProfileParse(const char* bytes, uint64_t size, uint32_t* error);
/* The profile of the file `path`: a missing file reads as empty; one that cannot be read, a
 * folder or anything else but a regular file gives NULL with K7OPS_ERROR_FILE, `message` (as
 * K7OpsReadSet's) naming the file and why ("a.ini: Permission denied"). */
KARVO7OPS_API K7OpsProfile* K7OpsProfileLoad(const char* path, char* message, uint32_t messageBytes,
                                             uint32_t* error);
/* Frees a profile (NULL: nothing). */
KARVO7OPS_API void K7OpsProfileFree(K7OpsProfile* profile);

/* The value of `key` in `section`: `found` 1 and the value (quotes and blanks around it gone)
 * copied as K7OpsErrorText copies a text into `value` of `capacity` bytes (may be NULL with 0),
 * its whole length in bytes in `length`; `found` 0, "" and length 0 for a missing key. */
KARVO7OPS_API int K7OpsProfileValue(const K7OpsProfile* profile, const char* section,
                                    const char* key, char* value, uint64_t capacity,
                                    uint64_t* length, int32_t* found, uint32_t* error);
/* Puts the `size` bytes at `value` under `key` in `section`, changing only that line or adding
 * one (and the section). Names the file cannot hold are refused with K7OPS_ERROR_ARGUMENT and
 * nothing changes: an empty name, a section with ']', a key with '=' or starting with '[' or ';',
 * a line break in a name or in the value. */
KARVO7OPS_API int K7OpsProfileSetValue(K7OpsProfile* profile, const char* section, const char* key,
                                       const char* value, uint64_t size, uint32_t* error);
/* Writes a set into `section` as the check program writes one, the mirror of K7OpsParseSet:
 * "Active" (`active` 1 or 0), values[i] as field i of K7OpsSetFieldKey (a yes/no key 0 or not,
 * a threshold the file's number, an integer its field's low bits), then the depth compensation:
 * `points` 1 to K7OPS_TA_ENTRIES entries of `table` turn it on; 0 turns it off and keeps the
 * count, the table and the .ta file's name the section holds (a section without its keys stays
 * without them). Refused with K7OPS_ERROR_ARGUMENT, nothing written: a section the file cannot
 * hold, `count` below K7OpsSetFieldCount(), more points or a NULL table for some. */
KARVO7OPS_API int K7OpsProfileWriteSet(K7OpsProfile* profile, const char* section,
                                       const int64_t* values, uint32_t count, const uint16_t* table,
                                       uint32_t points, int32_t active, uint32_t* error);
/* The file's bytes as they are now: their count in `size`, copied into `bytes` of `capacity`
 * bytes (not NUL-terminated). A capacity below the count copies nothing: K7OPS_ERROR_BUFFER,
 * with the count in `size` (NULL and 0 ask for it). */
KARVO7OPS_API int K7OpsProfileBytes(const K7OpsProfile* profile, char* bytes, uint64_t capacity,
                                    uint64_t* size, uint32_t* error);
/* Writes the profile to `path` whole or not at all: a temporary file beside it, flushed to the
 * disk, renamed over it and the folder synced; the temporary files of writers killed before
 * their rename are removed. A symbolic link is followed to its file and stays a link, but not a
 * link of another user in a sticky, world-writable folder (on the way to the file too). A
 * read-only file, anything but a regular file and a path through such a link are refused with
 * K7OPS_ERROR_PROTECTED, any other failure with K7OPS_ERROR_FILE; `message` names the file and
 * why ("a.ini: schreibgeschützt", "/tmp/x: fremder symbolischer Link", "a.ini: No space left
 * on device"), and the file is as it was. */
KARVO7OPS_API int K7OpsProfileSave(const K7OpsProfile* profile, const char* path, char* message,
                                   uint32_t messageBytes, uint32_t* error);

/* The steps of a hand-over in the order they are sent; `step` names the first one refused. */
#define K7OPS_STEP_NONE 0u            /* every step was taken */
#define K7OPS_STEP_RECORD 1u          /* KARVO7PrepAllGatesParam */
#define K7OPS_STEP_TRIGGER_DELAY 2u   /* KARVO7SetTriggerDelayParam or ...25nsParam */
#define K7OPS_STEP_EXTERNAL_CLOCK 3u  /* KARVO7SetExternalClock */
#define K7OPS_STEP_ECHO_START_GATE 4u /* KARVO7SetESGateParam (version-3 cards only) */

/* Hands `record` to the card as set `set` (0 to 7) as the check program does: the record, then
 * the trigger delay, the external clock and, on a version-3 card, the echo-start gate. A refused
 * record ends it with nothing further sent; a later refusal is reported while the remaining
 * steps are still sent. Returns 0 with the first refusal's step and the card library's error
 * word. */
KARVO7OPS_API int K7OpsHandSetToCard(KARVO7HANDLE card, uint32_t set, const K7OpsSet* record,
                                     uint32_t* step, uint32_t* error);

/* Stops the card (a card that is not running is no failure) and clears its FIFO, as the check
 * program leaves a card before and after a run. Returns 0 with the card library's word when the
 * stop failed otherwise or the FIFO was not cleared; the FIFO is cleared in either case. */
KARVO7OPS_API int K7OpsStopAndEmpty(KARVO7HANDLE card, uint32_t* error);

/* ---- a single shot -----------------------------------------------------------------------
 * The check program's single measurement: the set handed to the card with start code 1 (a
 * record's own Start field is not used), the transfer mode set, then for every shot the FIFO
 * emptied, the card started, the shot read, its gate values read on a version-3 card, and the
 * FIFO emptied behind it, so that nothing of the shot is left for the next measurement:
 *
 *     K7OpsShotLayout layout;
 *     K7OpsPrepareShot(card, 1, &set, K7OPS_LAYOUT_RECORD, 1, &layout, &step, &error);
 *     uint8_t* data = malloc(layout.readBytes);
 *     int16_t* samples = malloc(2 * layout.samples);
 *     K7OpsShot shot;
 *     K7OpsTakeShot(card, 1, &set, &layout, data, layout.readBytes, &shot, &error);
 *     K7OpsDecodeShot(data, &shot, &layout, samples, layout.samples, &decoded, &error);
 *
 * The layout comes from the set, never from the caller: K7OpsTakeShot and K7OpsDecodeShot
 * refuse a layout that is not the one the set gives (K7OPS_ERROR_SHOT_SIZE) and buffers smaller
 * than it asks for (K7OPS_ERROR_BUFFER), before anything is sent or written. */

/* How a card delivers a set's data: as it comes (K7OPS_LAYOUT_NATIVE), or in the record layout
 * of a set given a sibling-card identification with KARVO7SetVIRMA4 (version-3 cards only). */
#define K7OPS_LAYOUT_NATIVE 0u
#define K7OPS_LAYOUT_RECORD 1u

/* A shot is read with room for this many bytes (the check program's data buffer), or for the
 * shot's own bytes where they are more, so that data longer than the shot is seen. */
#define K7OPS_SHOT_READ_BYTES 131072u

typedef struct K7OpsShotLayout {
    uint32_t set;             /* the set number (0 to 7) */
    uint32_t layout;          /* K7OPS_LAYOUT_* */
    uint32_t shotBytes;       /* bytes one shot of the set delivers */
    uint32_t readBytes;       /* bytes K7OpsTakeShot reads into: the data buffer it needs */
    uint32_t samples;         /* samples a shot carries: what K7OpsDecodeShot needs room for */
    uint32_t sampleBits;      /* 8 (native 8-bit samples) or 16 as decoded */
    uint32_t sampleRate;      /* the set's "Samplerate" code */
    uint32_t externalTrigger; /* 1: the set waits for an external trigger */
} K7OpsShotLayout;

/* The layout of a shot of `record` as set `set` in `layout` (K7OPS_LAYOUT_*), without a card:
 * for sizing buffers before anything is sent. */
KARVO7OPS_API int K7OpsShotLayoutOf(uint32_t set, const K7OpsSet* record, uint32_t layout,
                                    K7OpsShotLayout* shot, uint32_t* error);

/* Prepares single shots of set `set`: hands `record` to the card with start code 1 as
 * K7OpsHandSetToCard does (a refusal of any step returns 0 with `step` and the card library's
 * word once the hand-over's remaining steps are sent; nothing after them is), then sets the
 * transfer mode (`dma` 1: DMA, as karvo7 and
 * Python take shots; 0: without), and fills `shot` with the shot's layout. A card that is not a
 * version-3 card holds set 0 only and delivers the native layout only: another set or the record
 * layout is refused with K7OPS_ERROR_ARGUMENT, as are NULL pointers, a set above 7 and a layout
 * above K7OPS_LAYOUT_RECORD, before anything is sent. The layout itself is set up by the caller
 * (KARVO7SetVIRMA4), as the check program's identifications or the caller's choice say. */
KARVO7OPS_API int K7OpsPrepareShot(KARVO7HANDLE card, uint32_t set, const K7OpsSet* record,
                                   uint32_t layout, uint32_t dma, K7OpsShotLayout* shot,
                                   uint32_t* step, uint32_t* error);

/* The steps of a shot; K7OpsShot.step names the first one that failed. */
#define K7OPS_SHOT_STEP_NONE 0u   /* the shot was taken, of the set's length */
#define K7OPS_SHOT_STEP_CLEAR 1u  /* KARVO7ClearFIFO before the start */
#define K7OPS_SHOT_STEP_START 2u  /* KARVO7Start */
#define K7OPS_SHOT_STEP_READ 3u   /* KARVO7GetData */
#define K7OPS_SHOT_STEP_LENGTH 4u /* the card delivered another length than the set's shot */
#define K7OPS_SHOT_STEP_GATES 5u  /* KARVO7GetGates (version-3 cards) */

typedef struct K7OpsShot {
    uint32_t step;       /* K7OPS_SHOT_STEP_*: the first failure */
    uint32_t bytes;      /* bytes the card delivered into the buffer */
    uint32_t readError;  /* the card library's word of a failed read (the driver's word behind
                            K7OPS_ERROR_TIMEOUT), else 0 */
    uint32_t gatesRead;  /* 1: `gates` holds the shot's gate values */
    uint32_t gatesError; /* the card library's word of a failed KARVO7GetGates, else 0 */
    GateResults gates;
} K7OpsShot;

/* Takes one shot of a set prepared with K7OpsPrepareShot (`set`, `record` and `layout` as
 * given to and filled by it) into `buffer` of `capacity` bytes: the FIFO emptied, the card
 * started, layout->readBytes read, the gate values read on a version-3 card and the FIFO
 * emptied behind the shot. A read the driver ended at its data time-out fails with
 * K7OPS_ERROR_TIMEOUT; another failure of a step with the card library's word. A shot of
 * another length than layout->shotBytes fails with K7OPS_ERROR_SHOT_SIZE (step
 * K7OPS_SHOT_STEP_LENGTH); it and a failed gate read leave the delivered bytes in `buffer`, the
 * gate values read and the FIFO emptied. Refused before anything is sent: NULL pointers, a set
 * above 7 (K7OPS_ERROR_ARGUMENT), a layout that is not the one `record` gives
 * (K7OPS_ERROR_SHOT_SIZE), a capacity below layout->readBytes (K7OPS_ERROR_BUFFER). */
KARVO7OPS_API int K7OpsTakeShot(KARVO7HANDLE card, uint32_t set, const K7OpsSet* record,
                                const K7OpsShotLayout* layout, void* buffer, uint32_t capacity,
                                K7OpsShot* shot, uint32_t* error);

#define K7OPS_GATES 5u

typedef struct K7OpsDecodedShot {
    uint32_t samples;       /* samples written */
    uint32_t type;          /* the record's type (0x14 A-scan, 0x10 packed, 0x60 HF); 0 native */
    int32_t identification; /* the record's identification; 0 in the native layout */
    uint32_t stamped;       /* 1: the record carries a time-stamp prefix */
    uint32_t timeStamp;     /* its time stamp */
    uint32_t gates;         /* 1: the gate values below are the shot's (version-3 cards) */
    uint32_t gateTime[K7OPS_GATES];      /* gates B0 to B4: time, bits 19 to 0 */
    uint32_t gateAmplitude[K7OPS_GATES]; /* maximum, on the 12-bit scale */
    uint32_t gateMarker[K7OPS_GATES];    /* 1 where the marker is set */
    uint32_t esDelay;                    /* the echo-start gate's delay and maximum */
    uint32_t esAmplitude;
} K7OpsDecodedShot;

/* Decodes a shot taken with K7OpsTakeShot (its bytes at `data`, `shot` as filled) by the
 * decoder library: its samples into `samples` of `capacity` entries and the record's fields
 * and the gate values into `decoded`. Refused: NULL pointers (K7OPS_ERROR_ARGUMENT), a shot
 * whose bytes are not the layout's shot or do not hold one shot of its samples
 * (K7OPS_ERROR_SHOT_SIZE), a capacity below layout->samples (K7OPS_ERROR_BUFFER); nothing is
 * written then. */
KARVO7OPS_API int K7OpsDecodeShot(const void* data, const K7OpsShot* shot,
                                  const K7OpsShotLayout* layout, int16_t* samples,
                                  uint32_t capacity, K7OpsDecodedShot* decoded, uint32_t* error);

/* ---- a stream ----------------------------------------------------------------------------
 * The preparation of a continuous block measurement read by the acquisition engine
 * (KARVO7Acquire.h), as `karvo7 stream` and Python's Card.stream start theirs. */

#define K7OPS_SETS 8u
/* K7OpsStreamLayout.startSet: the engine starts the card with KARVO7Start (K7ACQ_START_PLAIN). */
#define K7OPS_START_PLAIN 0xFFFFFFFFu

typedef struct K7OpsStreamLayout {
    uint32_t activeSets;     /* bit n: set n takes part */
    uint32_t layout;         /* K7OPS_LAYOUT_* */
    uint32_t shotBytes;      /* the largest block a shot of the sets delivers: each engine read */
    uint32_t shotsPerSecond; /* the rate the sets ask for in turn */
    uint32_t startSet;       /* the engine's start set: K7OPS_START_PLAIN */
    uint32_t sampleBits;     /* 8 or 16 as decoded, 0 where the sets differ */
    uint32_t samplesPerShot; /* 0 where the sets differ */
    uint32_t sampleRate;     /* the sets' "Samplerate" code, 0xFFFFFFFF where they differ */
} K7OpsStreamLayout;

/* Prepares the sets of `activeSets` (bit n: set n, with its record at records[n] of K7OPS_SETS)
 * for a continuous measurement: each set in ascending order handed to the card with start code
 * 3 as K7OpsHandSetToCard does, on a version-3 card the sets made the active ones, the transfer
 * mode set (`dma` as for K7OpsPrepareShot), the first set selected, and the card left stopped
 * with an empty FIFO; `stream` gets what the engine's settings take. A refused step returns 0
 * with the set in `failedSet`, the step in `step` (K7OPS_STEP_*) and the card library's word;
 * past the refused set's hand-over nothing further is sent. Refused before anything is sent
 * (K7OPS_ERROR_ARGUMENT): NULL pointers, no sets, sets above 7, a card that is not a version-3 card
 * with another set than 0 or the record layout, a layout above K7OPS_LAYOUT_RECORD. */
#define K7OPS_STEP_ACTIVE_SETS 5u /* KARVO7ActiveParam */
#define K7OPS_STEP_SELECT_SET 6u  /* KARVO7SetParam */
KARVO7OPS_API int K7OpsPrepareStream(KARVO7HANDLE card, const K7OpsSet* records,
                                     uint32_t activeSets, uint32_t layout, uint32_t dma,
                                     K7OpsStreamLayout* stream, uint32_t* failedSet, uint32_t* step,
                                     uint32_t* error);

#ifdef __cplusplus
}
#endif

#endif /* KARVO7OPS_H */
