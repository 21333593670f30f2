/*
 * KARVO7Driver.h - the driver boundary of the KARVO7 card access library.
 *
 * The library reaches the cards only through this boundary. It hosts one driver the way an
 * operating system's I/O manager hosts a kernel driver: the driver publishes devices numbered
 * from 1 ("DOSKARVO7_1", "DOSKARVO7_2", ...) and serves their dispatch routines below. The
 * driver of real cards, the simulated cards and the recording drivers of the tests all plug in
 * here.
 *
 * Installing a driver
 *   A program installs its driver with K7DrvInstall before its first KARVO7Scan or KARVO7Open.
 *   When no driver is installed at the first scan or open, the library looks at the
 *   environment:
 *     KARVO7_SIM=<card count or configuration file>  loads the simulated-card driver module
 *                                                    (libKARVO7Sim.so.1, searched beside the
 *                                                    library first) with that parameter;
 *     KARVO7_DRIVER=<module path>[:<parameter>]      loads any driver module.
 *   A driver module exports
 *     int K7DrvEntry(const char* parameter, K7DrvDriver* driver);
 *   which fills the dispatch table and returns nonzero on success.
 *   With no driver there are no devices: KARVO7Scan returns 0 and KARVO7Open fails. On
 *   Windows the card family's kernel driver serves then ("\\.\DOSKARVO7_n" through kernel32).
 *
 * Dispatch routines (all called with the driver's context as first argument)
 *   deviceExists   nonzero while device `number` exists (answers the device-name query).
 *   open           exclusive open of an existing device: K7_ERROR_SUCCESS and *device set, or
 *                  K7_ERROR_FILE_NOT_FOUND (no such device) or K7_ERROR_SHARING_VIOLATION
 *                  (already open, in this or another process).
 *   deviceControl  a synchronous device-control request: code, input bytes, output bytes.
 *                  Completes at once: K7_ERROR_SUCCESS with *returned set, or an error number.
 *                  Input and output may be the same buffer (the register requests do that).
 *   read, write    a transfer on the device. The driver either completes it at once
 *                  (K7_ERROR_SUCCESS, *transferred set), or fails it at once (an error
 *                  number), or keeps it (K7_ERROR_IO_PENDING) and completes it later, from any
 *                  thread, with K7DrvCompleteIrp exactly once. The buffer stays valid until
 *                  then.
 *   cancel         ends every pending transfer of the device with K7DrvCompleteIrp and
 *                  K7_ERROR_OPERATION_ABORTED before it returns.
 *   close          ends every pending transfer as cancel does, then releases the device.
 *   unload         the driver is being removed (K7DrvInstall of another driver, or NULL).
 *
 * The library serialises nothing for the driver: calls on different devices may arrive on
 * different threads at the same time; calls on one device come from one thread at a time,
 * except K7DrvCompleteIrp, which the driver itself calls.
 */
#ifndef KARVO7DRIVER_H
#define KARVO7DRIVER_H

#include <stdint.h>

#include "KARVO7Os.h"

#ifdef __cplusplus
extern "C" {
#endif

#define K7DRV_INTERFACE_VERSION 1u

/* One outstanding read or write, owned by the library until the driver completes it. */
typedef struct K7DrvIrp K7DrvIrp;

typedef struct K7DrvDriver {
    uint32_t interfaceVersion; /* K7DRV_INTERFACE_VERSION */
    void* context;
    int (*deviceExists)(void* context, uint32_t number);
    uint32_t (*open)(void* context, uint32_t number, void** device);
    uint32_t (*deviceControl)(void* context, void* device, uint32_t code, const void* input,
                              uint32_t inputSize, void* output, uint32_t outputSize,
                              uint32_t* returned);
    uint32_t (*read)(void* context, void* device, K7DrvIrp* irp, void* buffer, uint32_t size,
                     uint32_t* transferred);
    uint32_t (*write)(void* context, void* device, K7DrvIrp* irp, const void* buffer, uint32_t size,
                      uint32_t* transferred);
    void (*cancel)(void* context, void* device);
    uint32_t (*close)(void* context, void* device);
    void (*unload)(void* context);
} K7DrvDriver;

/* Installs the driver (the table is copied); NULL removes the installed one. Fails (0, last
 * error K7_ERROR_ACCESS_DENIED) while a device is open, or (K7_ERROR_INVALID_PARAMETER) for a
 * table of another interface version. */
KARVO7_API int K7DrvInstall(const K7DrvDriver* driver);

/* Completes a pending transfer: status K7_ERROR_SUCCESS or an error number, and the bytes
 * transferred. Signals the transfer's event. Callable from any thread, once per pending
 * transfer; the irp is invalid afterwards. */
KARVO7_API void K7DrvCompleteIrp(K7DrvIrp* irp, uint32_t status, uint32_t bytes);

/* ---- Test interface --------------------------------------------------------------------------
 * Counts a driver keeps of its cards for tests and benchmarks, so that what a program reports
 * can be compared with what the card did; applications see only the card library and never use
 * them. K7DrvTestCount asks the installed driver with a device-control request without a device
 * (device NULL, code K7DRV_TEST_COUNT, input two u32: the device number and the count, output one
 * u64), which the library never sends otherwise. Returns 1 with *value set, or 0 when no driver
 * is installed or it keeps no such count (a driver answers the request with an error). */
#define K7DRV_TEST_COUNT 0x80027C00u
#define K7DRV_COUNT_SHOTS_TAKEN 1u /* shots the card took since the driver began */
/* Of them: lost, the data FIFO had no room for their data or was emptied of them while the
 * card measured. */
#define K7DRV_COUNT_SHOTS_DROPPED 2u
/* Reads of the card's shots waiting for them now (0 or 1): a test that moves the card's time on
 * learns from it whether the program's reader is there to take what comes. */
#define K7DRV_COUNT_READS_WAITING 3u
KARVO7_API int K7DrvTestCount(uint32_t number, uint32_t count, uint64_t* value);

/* Signature of the entry point of a loadable driver module. */
typedef int (*K7DrvEntryFunction)(const char* parameter, K7DrvDriver* driver);

#ifdef __cplusplus
}
#endif

#endif /* KARVO7DRIVER_H */
