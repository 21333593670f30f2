// Pending reads and writes of the simulated cards. The simulator holds a transfer by its
// token until it completes it; the IRP's side holds it until the IRP is completed. Which of the
// simulator's completion and the I/O manager's cancel routine ends the IRP is decided by
// IoSetCancelRoutine, under one lock with the taking of the IRP from the transfer.
#include "Driver.h"

namespace k7wine {
namespace {

constexpr ULONG kPoolTag = 0x3752764BUL;  // 'Kvr7'

// One pending read or write. `irp` is taken (set to null) under the lock by whichever of
// completion and cancel routine ends the IRP.
struct Transfer {
    PIRP irp;
    void* card;
    bool armed;  // the dispatch routine has handed the IRP over (cancel routine set)
    bool early;  // the simulator completed it before that
    uint32_t status;
    uint32_t bytes;
    LONG refs;
};

KSPIN_LOCK transfersLock;

void* allocate(SIZE_T size) {
    return ExAllocatePoolWithTag(NonPagedPool, size, kPoolTag);
}

void release(Transfer* t) {
    if (InterlockedDecrement(&t->refs) == 0) {
        ExFreePoolWithTag(t, kPoolTag);
    }
}

VOID NTAPI cancelTransfer(PDEVICE_OBJECT, PIRP irp) {
    auto* t = static_cast<Transfer*>(irp->Tail.Overlay.DriverContext[0]);
    IoReleaseCancelSpinLock(irp->CancelIrql);
    KIRQL irql;
    KeAcquireSpinLock(&transfersLock, &irql);
    t->irp = nullptr;
    KeReleaseSpinLock(&transfersLock, irql);
    // The simulator ends its side of the transfer before this returns.
    cards.cancel(cards.context, t->card);
    release(t);
    complete(irp, STATUS_CANCELLED, 0);
}

// Hands a pending transfer to the IRP's cancel routine, or completes it when the simulator was
// quicker or a cancel came first.
void handOver(Transfer* t, PIRP irp) {
    KIRQL irql;
    KeAcquireSpinLock(&transfersLock, &irql);
    if (t->early) {
        t->irp = nullptr;
        KeReleaseSpinLock(&transfersLock, irql);
        const uint32_t status = t->status, bytes = t->bytes;
        release(t);
        complete(irp, statusOf(status), bytes);
        return;
    }
    t->armed = true;
    static_cast<void>(IoSetCancelRoutine(irp, cancelTransfer));
    const bool cancelNow = irp->Cancel && IoSetCancelRoutine(irp, nullptr) != nullptr;
    if (cancelNow) {
        t->irp = nullptr;
    }
    KeReleaseSpinLock(&transfersLock, irql);
    if (cancelNow) {
        cards.cancel(cards.context, t->card);
        release(t);
        complete(irp, STATUS_CANCELLED, 0);
    }
}

}  // namespace

void initTransfers() {
    KeInitializeSpinLock(&transfersLock);
}

// The simulator's completion of a pending transfer (from its threads).
void transferCompleted(K7DrvIrp* token, uint32_t status, uint32_t bytes) {
    auto* t = reinterpret_cast<Transfer*>(token);
    PIRP irp = nullptr;
    KIRQL irql;
    KeAcquireSpinLock(&transfersLock, &irql);
    if (!t->armed) {
        t->early = true;
        t->status = status;
        t->bytes = bytes;
    } else {
        irp = t->irp;
        t->irp = nullptr;
        if (irp != nullptr && IoSetCancelRoutine(irp, nullptr) == nullptr) {
            irp = nullptr;  // its cancel routine runs and ends it
        }
    }
    KeReleaseSpinLock(&transfersLock, irql);
    if (irp != nullptr) {
        release(t);
        complete(irp, statusOf(status), bytes);
    }
    release(t);
}

NTSTATUS cardTransfer(PIRP irp, PIO_STACK_LOCATION sp, bool write) {
    void* card = cardOf(sp);
    if (card == nullptr) {
        return complete(irp, STATUS_INVALID_DEVICE_STATE, 0);
    }
    auto* t = static_cast<Transfer*>(allocate(sizeof(Transfer)));
    if (t == nullptr) {
        return complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    }
    *t = Transfer{irp, card, false, false, 0, 0, 2};
    irp->Tail.Overlay.DriverContext[0] = t;
    IoMarkIrpPending(irp);
    const ULONG length = write ? sp->Parameters.Write.Length : sp->Parameters.Read.Length;
    void* buffer = irp->AssociatedIrp.SystemBuffer;
    auto* token = reinterpret_cast<K7DrvIrp*>(t);
    uint32_t now = 0;
    const uint32_t status = write ? cards.write(cards.context, card, token, buffer, length, &now)
                                  : cards.read(cards.context, card, token, buffer, length, &now);
    if (status == K7_ERROR_IO_PENDING) {
        handOver(t, irp);
        return STATUS_PENDING;
    }
    // Ended at once: the simulator keeps no token of it.
    release(t);
    release(t);
    complete(irp, statusOf(status), now < length ? now : length);
    return STATUS_PENDING;
}

}  // namespace k7wine
