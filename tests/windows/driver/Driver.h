// What the files of the Wine test driver share: the simulated cards' dispatch table, the ending
// of requests, and the pending transfers of the cards.
#pragma once

extern "C" {
#include <ntddk.h>
}

#include "CardsBridge.h"

namespace k7wine {

// The simulated cards, from the bridge.
extern K7DrvDriver cards;

// The simulated card a file of a card device has open (null when its open failed).
void* cardOf(PIO_STACK_LOCATION sp);

// Ends a request with a status (and, on success, the bytes it moved).
NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information);
// The status Windows turns into the error number `error` (the library's numbers are Windows').
NTSTATUS statusOf(uint32_t error);

// Pending transfers: set up once, before the first request.
void initTransfers();
// The simulator's completion of a pending transfer (from its threads).
void transferCompleted(K7DrvIrp* token, uint32_t status, uint32_t bytes);
// A read or write of a card device: completed at once or pending, with a cancel routine.
NTSTATUS cardTransfer(PIRP irp, PIO_STACK_LOCATION sp, bool write);

}  // namespace k7wine
