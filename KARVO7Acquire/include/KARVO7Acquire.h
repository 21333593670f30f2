/*
 * KARVO7Acquire.h - the acquisition engine of the KARVO7 ultrasonic test cards.
 *
 * At its highest rate a card fills its data FIFO within a few milliseconds. The engine reads a
 * running block measurement on a thread of its own, which calls nothing but the card library,
 * into a ring buffer on the host that holds many times the FIFO; the program takes whole shots
 * (and whole gate results fetches) out of that buffer when it likes. Nothing the program does
 * meanwhile (writing a file, drawing, an interpreter's garbage collection) delays a read.
 *
 * A typical use, after the parameter sets are on the card (see README.md for a whole program):
 *
 *     K7AcqSettings settings;
 *     K7AcqDefaults(&settings);
 *     settings.shotBytes = 0;               // 0: the largest shot of the set the card holds
 *     settings.shotsPerSecond = 20000;      // the card's rate: sizes the ring buffer by time
 *     K7AcqEngine* engine = NULL;
 *     K7AcqStart(card, &settings, &engine, &error);   // empties the FIFO, starts the card
 *     for (;;) {
 *         K7AcqRead(engine, data, sizeof data, items, 64, 100, &n, &error);
 *         for (i = 0; i < n; ++i) {
 *             if (items[i].kind == K7ACQ_ITEM_SHOT) ... data + items[i].offset, items[i].bytes
 *             if (items[i].kind == K7ACQ_ITEM_LOSS) ... items[i].value shots were lost here
 *             if (items[i].kind == K7ACQ_ITEM_END)  ... items[i].value: 0 or the error word
 *         }
 *     }
 *     K7AcqClose(engine);                   // the card is stopped and its FIFO empty
 *
 * Shots and losses
 *   Every shot of the running sets delivers one block into the card's FIFO, and every read
 *   takes one block. After every read the engine looks at the card's FIFO status; when the FIFO
 *   has run over, it reads what the FIFO still holds, counts the shots lost from the time
 *   stamps of the shots read where they carry them (K7AcqCycleSettings.recordLayout), else from
 *   the card's shot counter (taken minus read; the 8-bit counter's turns follow from the time
 * passed at the rate measured so far, bounded by the configured one, which should therefore be the
 * rate the sets ask for), empties the FIFO and goes on. Each loss reaches the consumer at once: the
 *   statistics count it as soon as it is known, and a K7ACQ_ITEM_LOSS item with its count
 *   stands where it happened in the order of the items. A consumer that lets the ring buffer
 *   fill loses shots too: they are read from the card and dropped, counted and reported the
 *   same way.
 *
 * Shot size
 *   Every read asks for settings.shotBytes: at least the largest block a shot of the running
 *   sets delivers (K7AcqShotBytes of each set), so that a read takes a shot whole. With 0 the
 *   engine takes it from the card's registers of the selected set: its record time in full (an
 *   A-scan's reduction is not told there), its sample width, its layout and its external trigger.
 *   A read smaller than a shot would take it in parts and count each part a shot: in the record
 *   layout, where every record says its length, such a read ends the engine with
 *   K7ACQ_ERROR_SHOT_SIZE before a part is delivered.
 *
 * Ending
 *   The engine ends once settings.shotCount shots are in the ring buffer (0: never by itself;
 *   shots the full ring dropped do not count), on K7AcqStop, when a read fails for another
 *   reason than an overflow, or on K7AcqClose. However it ends, the card is stopped, the gate
 *   results it gathered are fetched (when fetching them is on), and its FIFO is emptied; the
 *   last item is K7ACQ_ITEM_END with the error word that ended it (0 for a regular end).
 *
 * Errors
 *   As in the card library: functions return 1 on success and 0 on failure, with the error word
 *   as the last argument: the card library's or driver's word, or one of K7ACQ_ERROR_*.
 *
 * Threads
 *   Until the engine has ended, its own thread is the only one that reads data from the card,
 *   starts or stops it, or empties its FIFO: the program may still ask for the card's status
 *   (KARVO7GetStatus, KARVO7IsDataInFIFO, KARVO7ReadRegister) but calls nothing else on it.
 *   K7AcqRead, K7AcqRequestAscan, K7AcqStop and K7AcqClose are called from one consumer thread
 *   at a time; K7AcqGetStatistics from any thread at any time.
 *
 * Misuse
 *   What the engine can tell is refused with an error word: a second engine on a card whose
 *   engine still runs (K7ACQ_ERROR_CARD_BUSY; the running one goes on untouched), a K7AcqRead or
 *   K7AcqReadBatch while another thread is inside one of them (K7ACQ_ERROR_BUSY), a card or
 *   engine handle that is none or no longer valid, a read with room for no item or awaiting more
 *   items than it may take, a start set above 7, reserved fields not 0 (K7ACQ_ERROR_ARGUMENT).
 *   A refused start leaves the card stopped with its FIFO empty (but a card another engine
 *   reads). The reading thread asks for
 *   real-time scheduling (SCHED_FIFO); it gets it where the system grants it (see README.md),
 *   and the statistics say whether it did.
 *
 * Types
 *   Fixed-width integers and plain structs, caller-owned buffers: C, C++ and foreign-function
 *   interfaces (Python ctypes) declare them one to one.
 */
#ifndef KARVO7ACQUIRE_H
#define KARVO7ACQUIRE_H

#include <stdint.h>

#include "KARVO7DLL.h"

#if defined(_WIN32)
#define KARVO7ACQUIRE_API /* exported by name through KARVO7Acquire.def */
#else
#define KARVO7ACQUIRE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The library's version as (major << 16) | (minor << 8) | patch. */
#define KARVO7ACQUIRE_VERSION_MAJOR 1
KARVO7ACQUIRE_API uint32_t K7AcqVersion(void);

/* Error words of the engine itself (the card library's own codes end at 0x90130000). */
#define K7ACQ_ERROR_ARGUMENT 0x90200000u  /* a null pointer or a setting out of range */
#define K7ACQ_ERROR_MEMORY 0x90210000u    /* the ring buffer could not be allocated */
#define K7ACQ_ERROR_THREAD 0x90220000u    /* the reading thread could not be started */
#define K7ACQ_ERROR_BUFFER 0x90230000u    /* the consumer's data buffer cannot take the next item */
#define K7ACQ_ERROR_CARD_BUSY 0x90240000u /* another engine of the process reads the card */
#define K7ACQ_ERROR_BUSY 0x90250000u      /* another thread is inside K7AcqRead(Batch) */
#define K7ACQ_ERROR_SHOT_SIZE 0x90260000u /* a read smaller than a shot: shotBytes too small */

/* K7AcqSettings.startSet: start with KARVO7Start instead of KARVO7StartParam. */
#define K7ACQ_START_PLAIN 0xFFFFFFFFu

typedef struct K7AcqSettings {
    uint32_t shotBytes;      /* bytes each read asks for: the largest block a shot delivers;
                                0: the largest the card's selected set delivers (see above) */
    uint32_t shotsPerSecond; /* the card's shot rate, for sizing and the counter's wraps */
    uint32_t bufferMs;       /* the ring buffer holds this many milliseconds of shots ... */
    uint32_t maxBufferBytes; /* ... and no more than this many bytes */
    uint32_t resultsEvery; /* gate results fetched after this many shots and at the end; 0: never */
    uint32_t resultsBytes; /* the largest gate results fetch */
    uint32_t startSet;     /* KARVO7StartParam with this set, or K7ACQ_START_PLAIN */
    uint32_t realTime;     /* 1: the reading thread asks for real-time scheduling */
    uint64_t shotCount;    /* the engine ends after this many shots read; 0: no limit */
} K7AcqSettings;

/* K7AcqItem.kind */
#define K7ACQ_ITEM_SHOT 1u    /* one shot's block; value: its number among the shots read, from 0 */
#define K7ACQ_ITEM_RESULTS 2u /* one gate results fetch; value: shots read when it was fetched */
#define K7ACQ_ITEM_LOSS 3u    /* value: shots lost at this point (no bytes) */
#define K7ACQ_ITEM_END 4u     /* the last item; value: 0, or the error word that ended the engine */
/* The gate results fetched after the card stopped; value as for K7ACQ_ITEM_RESULTS. Results
 * in it beyond the shots read belong to shots the card took after the last one read. */
#define K7ACQ_ITEM_FINAL_RESULTS 5u

/* An A-scan of the cycle settings' set, fetched with the card's next shot of it; value: the
 * results fetches on the time interval before it (the cycle it belongs to). */
#define K7ACQ_ITEM_ASCAN 6u

/* A gate results fetch the card failed (no bytes); value: the library's error word. It stands
 * before the cycle's K7ACQ_ITEM_RESULTS, which then comes without bytes. */
#define K7ACQ_ITEM_RESULTS_ERROR 7u

typedef struct K7AcqItem {
    uint32_t kind;
    uint32_t bytes;  /* bytes of the item in the consumer's data buffer */
    uint64_t offset; /* where they start in it */
    uint64_t value;  /* see the kinds */
} K7AcqItem;

typedef struct K7AcqStatistics {
    uint64_t shotsRead;      /* shots read from the card */
    uint64_t shotsLost;      /* shots the card took that no consumer will see */
    uint64_t overflowEvents; /* times the card's FIFO ran over */
    uint64_t shotsDropped;   /* of shotsLost: read, but the ring buffer was full */
    uint64_t bytesRead;      /* of the shots read */
    uint64_t ringBytes;      /* size of the ring buffer */
    uint32_t realTime;       /* 1 when the reading thread runs with real-time scheduling */
    uint32_t ended;          /* 1 once the card is stopped and its FIFO emptied */
    uint32_t error;          /* the error word that ended the engine, else 0 */
    uint32_t reserved;
} K7AcqStatistics;

/* The engine's work on a time interval, for block measurements whose sets deliver gate results
 * (and A-scans on request) rather than shots: nothing then arrives in the FIFO, so that fetches
 * tied to the shots read would never come. Given to K7AcqStartCycles beside K7AcqSettings. */
typedef struct K7AcqCycleSettings {
    uint32_t resultsEveryMs; /* gate results fetched this often, shots read or not (a cycle);
                                0: off. Needs K7AcqSettings.resultsBytes */
    uint32_t ascanSet;       /* the set whose A-scans are fetched (0 to 7) */
    uint32_t ascanEvery;     /* an A-scan after every n-th cycle; 0: only on K7AcqRequestAscan */
    uint32_t ascanBytes;     /* the largest A-scan; 0: no A-scans */
    uint32_t recordLayout;   /* 1: the shots come in the record layout; where they carry time
                                stamps (externally triggered sets), the shots lost are counted
                                from the stamps' gaps rather than the card's 8-bit counter */
    uint32_t reserved[3];    /* 0 */
} K7AcqCycleSettings;

typedef struct K7AcqEngine K7AcqEngine;

/* Fills `settings` with the defaults: 1 s of buffer, at most 256 MiB, real time on, no gate
 * results, K7ACQ_START_PLAIN, no shot limit; shotBytes 0 (taken from the card) and
 * shotsPerSecond 0 (to be set). */
KARVO7ACQUIRE_API void K7AcqDefaults(K7AcqSettings* settings);

/* The bytes one shot of a set prepared with `measure` delivers: its samples (all recorded ones,
 * or one per Faktor for an A-scan) in its sample width; in the record layout (recordLayout 1,
 * the set given a sibling-card identification with KARVO7SetVIRMA4) with the 6-byte record
 * header, 8-bit A-scans packed four samples in three words, and the 8-byte time-stamp prefix of
 * an externally triggered set. 1600 16-bit samples: 3200 bytes, 3206 as a record. 0 for NULL. */
KARVO7ACQUIRE_API uint32_t K7AcqShotBytes(const MeasureParams* measure, uint32_t recordLayout);

/* Stops the card and empties its FIFO, starts the reading thread and then the card (the card's
 * sets, mode and active sets must be prepared). On success *engine is the engine, to be closed
 * with K7AcqClose; on failure the card is left stopped with an empty FIFO. */
KARVO7ACQUIRE_API int K7AcqStart(KARVO7HANDLE card, const K7AcqSettings* settings,
                                 K7AcqEngine** engine, uint32_t* error);

/* K7AcqStart with work on a time interval (`cycles` may be null: none). The reading thread
 * fetches the gate results every cycles->resultsEveryMs (K7ACQ_ITEM_RESULTS), and A-scans of
 * cycles->ascanSet every cycles->ascanEvery cycles or when asked (K7ACQ_ITEM_ASCAN); while the
 * FIFO is empty it waits for shots in short slices, doing that work meanwhile. */
KARVO7ACQUIRE_API int K7AcqStartCycles(KARVO7HANDLE card, const K7AcqSettings* settings,
                                       const K7AcqCycleSettings* cycles, K7AcqEngine** engine,
                                       uint32_t* error);

/* Asks the reading thread for an A-scan of the cycle settings' set, fetched with that set's
 * next shot and delivered as K7ACQ_ITEM_ASCAN. Fails with K7ACQ_ERROR_ARGUMENT when the engine
 * was started without A-scans. */
KARVO7ACQUIRE_API int K7AcqRequestAscan(K7AcqEngine* engine, uint32_t* error);

/* Takes the next whole items out of the ring buffer: at most `maxItems`, with their bytes
 * copied one after another into `data` (`dataBytes` long). Waits up to `timeoutMs` for the
 * first item; *count 0 after the wait is no failure. A data buffer too small for the next item
 * fails with K7ACQ_ERROR_BUFFER and takes nothing. After K7ACQ_ITEM_END it delivers nothing. */
KARVO7ACQUIRE_API int K7AcqRead(K7AcqEngine* engine, void* data, uint32_t dataBytes,
                                K7AcqItem* items, uint32_t maxItems, uint32_t timeoutMs,
                                uint32_t* count, uint32_t* error);

/* K7AcqRead for consumers that take many items at a time: waits up to `timeoutMs` until at
 * least `minItems` items (at most `maxItems`), or the end, are in the ring buffer, without
 * waking for each one before, then takes what is there as K7AcqRead does. After the time-out
 * it takes the fewer items that came. minItems 0 or 1 is K7AcqRead. */
KARVO7ACQUIRE_API int K7AcqReadBatch(K7AcqEngine* engine, void* data, uint32_t dataBytes,
                                     K7AcqItem* items, uint32_t maxItems, uint32_t minItems,
                                     uint32_t timeoutMs, uint32_t* count, uint32_t* error);

/* Ends the measurement and waits until the card is stopped, its last gate results fetched and
 * its FIFO emptied. What was read stays in the ring buffer for K7AcqRead, ended by
 * K7ACQ_ITEM_END. Stopping an ended engine does nothing. */
KARVO7ACQUIRE_API int K7AcqStop(K7AcqEngine* engine, uint32_t* error);

KARVO7ACQUIRE_API int K7AcqGetStatistics(K7AcqEngine* engine, K7AcqStatistics* statistics);

/* Stops the engine if it still runs and frees it. */
KARVO7ACQUIRE_API void K7AcqClose(K7AcqEngine* engine);

#ifdef __cplusplus
}
#endif

#endif /* KARVO7ACQUIRE_H */
