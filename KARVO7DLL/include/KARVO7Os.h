/*
 * KARVO7Os.h - operating-system services of the KARVO7 card access library on POSIX.
 *
 * The card access library is written against device semantics of the Windows kind: devices
 * opened by name, synchronous device-control requests, overlapped reads and writes with
 * events, a thread-local last error, millisecond sleep and tick count. This header is the part
 * of that layer an application sees:
 *
 *  - the error numbers the library and its drivers use (the Windows values, so that code
 *    written for the cards compares the same numbers everywhere);
 *  - the calling thread's last error (K7OsGetLastError after a failed call, for example the
 *    ERROR_INVALID_HANDLE a call with a null or foreign card handle leaves);
 *  - events an application creates, hands to KARVO7StartGetData and waits on without polling:
 *
 *        K7OsEvent* done = K7OsCreateEvent(1, 0);            // manual reset, not signalled
 *        KARVO7StartGetData(card, &count, buffer, done, &error);
 *        K7OsWaitForEvent(done, K7_INFINITE);               // returns when the read has ended
 *        KARVO7IsReadyGetData(card, &count, &error);         // collects count and outcome
 *        K7OsCloseEvent(done);
 *
 *  - the clock every pause of the library goes through (EEPROM byte writes, reset polls);
 *    a test installs a virtual clock and runs in virtual time;
 *  - the allocator every request buffer and card handle comes from; a test installs one
 *    that fails to exercise the request-buffer failure code 0x90010000;
 *  - the log that takes the library's diagnostic lines; by default they go to standard output,
 *    a program that keeps standard output for its data installs a log of its own.
 *
 * The clock, the allocator and the log are process-wide settings of this layer, as the
 * corresponding services are of an operating system; the library itself keeps no state outside
 * card handles.
 */
#ifndef KARVO7OS_H
#define KARVO7OS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define KARVO7_API /* exported by name through KARVO7DLL.def */
#elif defined(KARVO7_BUILDING_LIBRARY)
#define KARVO7_API __attribute__((visibility("default")))
#else
#define KARVO7_API
#endif

/* The card access library's version as (major << 16) | (minor << 8) | patch. Programs built
 * against this header should check that the major part equals KARVO7_VERSION_MAJOR. */
#define KARVO7_VERSION_MAJOR 1
KARVO7_API uint32_t K7OsVersion(void);

/* Error numbers (Windows values). */
#define K7_ERROR_SUCCESS 0u
#define K7_ERROR_FILE_NOT_FOUND 2u /* no device of that name */
#define K7_ERROR_ACCESS_DENIED 5u
#define K7_ERROR_INVALID_HANDLE 6u /* null or foreign card handle, closed device */
#define K7_ERROR_NOT_ENOUGH_MEMORY 8u
#define K7_ERROR_BAD_LENGTH 24u        /* request with a wrong buffer size */
#define K7_ERROR_GEN_FAILURE 31u       /* the device failed the request */
#define K7_ERROR_SHARING_VIOLATION 32u /* device already opened by someone else */
#define K7_ERROR_NOT_SUPPORTED 50u     /* unknown request code */
#define K7_ERROR_INVALID_PARAMETER 87u
#define K7_ERROR_SEM_TIMEOUT 121u       /* data time-out of the driver */
#define K7_ERROR_OPERATION_ABORTED 995u /* transfer ended by a cancel */
#define K7_ERROR_IO_INCOMPLETE 996u     /* overlapped transfer still running */
#define K7_ERROR_IO_PENDING 997u        /* overlapped transfer started, completes later */

/* Wait results and the infinite time-out. */
#define K7_WAIT_OBJECT_0 0u
#define K7_WAIT_TIMEOUT 258u
#define K7_WAIT_FAILED 0xFFFFFFFFu
#define K7_INFINITE 0xFFFFFFFFu

/* Last error of the calling thread. */
KARVO7_API uint32_t K7OsGetLastError(void);
KARVO7_API void K7OsSetLastError(uint32_t error);

/* Events. A manual-reset event stays signalled until reset; an auto-reset event releases one
 * waiter and resets itself. Every call is safe from any thread. */
typedef struct K7OsEvent K7OsEvent;
KARVO7_API K7OsEvent* K7OsCreateEvent(int manualReset, int initiallySignalled);
KARVO7_API int K7OsSetEvent(K7OsEvent* event);
KARVO7_API int K7OsResetEvent(K7OsEvent* event);
/* Waits until the event is signalled or timeoutMs milliseconds of real time have passed:
 * K7_WAIT_OBJECT_0, K7_WAIT_TIMEOUT or K7_WAIT_FAILED (null event). */
KARVO7_API uint32_t K7OsWaitForEvent(K7OsEvent* event, uint32_t timeoutMs);
KARVO7_API int K7OsCloseEvent(K7OsEvent* event);

/* Clock. tickCount returns milliseconds (wrapping at 2^32), sleep pauses the calling thread.
 * K7OsSetClock(NULL) restores the real clock. The structure is copied. */
typedef struct K7OsClock {
    void* context;
    uint32_t (*tickCount)(void* context);
    void (*sleep)(void* context, uint32_t milliseconds);
} K7OsClock;
KARVO7_API void K7OsSetClock(const K7OsClock* clock);
KARVO7_API uint32_t K7OsGetTickCount(void);
KARVO7_API void K7OsSleep(uint32_t milliseconds);

/* Allocator of request buffers and card handles. allocate returns NULL when it cannot serve.
 * K7OsSetAllocator(NULL) restores the heap. The structure is copied. */
typedef struct K7OsAllocator {
    void* context;
    void* (*allocate)(void* context, size_t size);
    void (*release)(void* context, void* block);
} K7OsAllocator;
KARVO7_API void K7OsSetAllocator(const K7OsAllocator* allocator);

/* Diagnostic lines. The library says in a line when a card opens or closes and when that fails
 * (UTF-8 text, without its line feed):
 *   K7_LOG_INFO     "Ja gut OK installiert !!"            the card opened
 *   K7_LOG_INFO     "Ja gut OK de-installiert !!"         the card closed
 *   K7_LOG_WARNING  "Das war wohl nix !!"                 the card did not open (absent, in use)
 *   K7_LOG_ERROR    "Das war wohl nix beim Schließen !!"  the device did not close
 * Each line up to `level` goes to `line`, called on the thread that opens or closes the card
 * (several threads may call it at once); with `line` NULL it goes to standard output, ended by a
 * line feed. K7_LOG_NONE passes no line. K7OsSetLog(NULL) restores the default: every line to
 * standard output. The structure is copied.
 *
 *     static void toStandardError(void* context, uint32_t level, const char* text) {
 *         fprintf(stderr, "%s\n", text);
 *     }
 *     K7OsLog log = {NULL, toStandardError, K7_LOG_INFO};
 *     K7OsSetLog(&log);
 */
#define K7_LOG_NONE 0u
#define K7_LOG_ERROR 1u
#define K7_LOG_WARNING 2u
#define K7_LOG_INFO 3u
typedef struct K7OsLog {
    void* context;
    void (*line)(void* context, uint32_t level, const char* text);
    uint32_t level;
} K7OsLog;
KARVO7_API void K7OsSetLog(const K7OsLog* log);

#ifdef __cplusplus
}
#endif

#endif /* KARVO7OS_H */
