// The Wine test driver: a WDM driver that publishes the card family's devices
// "\Device\DOSKARVO7_n" with the DOS names "DOSKARVO7_1".."DOSKARVO7_n", backed by the simulated
// cards of the bridge DLL, so that the card library's kernel32 device path runs through Wine's
// real I/O manager. A Wine test tool, not a driver for Windows: it calls a user-mode DLL, which
// only Wine's driver host allows.
//
//   create / close      open and close the simulated card (close also ends its pending
//                       transfers: Wine sends no cleanup request and closes while reads pend)
//   device control      every request of device type 0x8002, answered by the simulated card
//   read / write        the card's data and the DSP image; pending until the card completes
//                       them, with a cancel routine
//
// Two devices at numbers outside the scan serve the tests of bad answers:
//   DOSKARVO7_200       opens, then fails every request and transfer
//   DOSKARVO7_201       answers every request and transfer with half the bytes asked for
extern "C" {
#include <ntddk.h>
}

#include "CardsBridge.h"

namespace {

constexpr ULONG kPoolTag = 0x3752764BUL;  // 'Kvr7'
constexpr ULONG kFailingDevice = 200;
constexpr ULONG kShortDevice = 201;
constexpr ULONG kMaxDevices = 64;
constexpr UCHAR kShortFill = 0x5A;

enum class Kind { Card, FailsAll, ShortAnswers };

struct DeviceExtension {
    Kind kind;
    ULONG number;
};

// One pending read or write. The simulator holds it by its token until it completes it; the
// IRP side holds it until the IRP is completed. `irp` is taken (set to null) under the lock by
// whichever of completion and cancel routine ends the IRP.
struct Transfer {
    PIRP irp;
    void* card;
    bool armed;  // the dispatch routine has handed the IRP over (cancel routine set)
    bool early;  // the simulator completed it before that
    uint32_t status;
    uint32_t bytes;
    LONG refs;
};

K7DrvDriver cards;
KSPIN_LOCK transfersLock;
PDEVICE_OBJECT devices[kMaxDevices];
ULONG deviceCount;

void* allocate(SIZE_T size) {
    return ExAllocatePoolWithTag(NonPagedPool, size, kPoolTag);
}

void release(Transfer* t) {
    if (InterlockedDecrement(&t->refs) == 0) {
        ExFreePoolWithTag(t, kPoolTag);
    }
}

// The library's error numbers are Windows' numbers: each goes back as the status Windows turns
// into that number.
NTSTATUS statusOf(uint32_t error) {
    switch (error) {
        case K7_ERROR_SUCCESS:
            return STATUS_SUCCESS;
        case K7_ERROR_FILE_NOT_FOUND:
            return STATUS_NO_SUCH_FILE;
        case K7_ERROR_ACCESS_DENIED:
            return STATUS_ACCESS_DENIED;
        case K7_ERROR_INVALID_HANDLE:
            return STATUS_INVALID_HANDLE;
        case K7_ERROR_NOT_ENOUGH_MEMORY:
            return STATUS_NO_MEMORY;
        case K7_ERROR_BAD_LENGTH:
            return STATUS_INFO_LENGTH_MISMATCH;
        case K7_ERROR_SHARING_VIOLATION:
            return STATUS_SHARING_VIOLATION;
        case K7_ERROR_NOT_SUPPORTED:
            return STATUS_NOT_SUPPORTED;
        case K7_ERROR_INVALID_PARAMETER:
            return STATUS_INVALID_PARAMETER;
        case K7_ERROR_SEM_TIMEOUT:
            return STATUS_IO_TIMEOUT;
        case K7_ERROR_OPERATION_ABORTED:
            return STATUS_CANCELLED;
        default:
            return STATUS_UNSUCCESSFUL;
    }
}

NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

Kind kindOf(PDEVICE_OBJECT device) {
    return static_cast<DeviceExtension*>(device->DeviceExtension)->kind;
}

void* cardOf(PIO_STACK_LOCATION sp) {
    return sp->FileObject != nullptr ? sp->FileObject->FsContext : nullptr;
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

// The output of a request: the system buffer, or for the direct methods the caller's buffer
// described by the MDL.
void* outputOf(PIRP irp, ULONG code) {
    const ULONG method = code & 3;
    if (method == METHOD_IN_DIRECT || method == METHOD_OUT_DIRECT) {
        return irp->MdlAddress != nullptr
                   ? MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority)
                   : nullptr;
    }
    return irp->AssociatedIrp.SystemBuffer;
}

NTSTATUS cardControl(PIRP irp, PIO_STACK_LOCATION sp) {
    void* card = cardOf(sp);
    if (card == nullptr) {
        return complete(irp, STATUS_INVALID_DEVICE_STATE, 0);
    }
    const ULONG code = sp->Parameters.DeviceIoControl.IoControlCode;
    const ULONG inSize = sp->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG outSize = sp->Parameters.DeviceIoControl.OutputBufferLength;
    if ((code & 3) == METHOD_NEITHER) {
        return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
    void* input = inSize != 0 ? irp->AssociatedIrp.SystemBuffer : nullptr;
    void* output = outSize != 0 ? outputOf(irp, code) : nullptr;
    uint32_t returned = 0;
    const uint32_t status =
        cards.deviceControl(cards.context, card, code, input, inSize, output, outSize, &returned);
    return complete(irp, statusOf(status), returned < outSize ? returned : outSize);
}

// Half the bytes asked for, each kShortFill.
NTSTATUS shortAnswer(PIRP irp, void* buffer, ULONG size) {
    if (buffer != nullptr) {
        RtlFillMemory(buffer, size / 2, kShortFill);
    }
    return complete(irp, STATUS_SUCCESS, size / 2);
}

NTSTATUS NTAPI dispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
    auto* sp = IoGetCurrentIrpStackLocation(irp);
    if (kindOf(device) != Kind::Card) {
        return complete(irp, STATUS_SUCCESS, 0);
    }
    void* card = nullptr;
    const ULONG number = static_cast<DeviceExtension*>(device->DeviceExtension)->number;
    const uint32_t status = cards.open(cards.context, number, &card);
    if (status == K7_ERROR_SUCCESS) {
        sp->FileObject->FsContext = card;
    }
    return complete(irp, statusOf(status), 0);
}

// Cleanup ends the file's transfers; close (which Wine sends alone, also while reads pend)
// ends them and closes the card.
NTSTATUS NTAPI dispatchClose(PDEVICE_OBJECT device, PIRP irp) {
    auto* sp = IoGetCurrentIrpStackLocation(irp);
    void* card = kindOf(device) == Kind::Card ? cardOf(sp) : nullptr;
    if (card != nullptr) {
        if (sp->MajorFunction == IRP_MJ_CLEANUP) {
            cards.cancel(cards.context, card);
        } else {
            sp->FileObject->FsContext = nullptr;
            cards.close(cards.context, card);
        }
    }
    return complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI dispatchTransfer(PDEVICE_OBJECT device, PIRP irp) {
    auto* sp = IoGetCurrentIrpStackLocation(irp);
    const bool write = sp->MajorFunction == IRP_MJ_WRITE;
    switch (kindOf(device)) {
        case Kind::Card:
            return cardTransfer(irp, sp, write);
        case Kind::ShortAnswers:
            return shortAnswer(irp, irp->AssociatedIrp.SystemBuffer,
                               write ? sp->Parameters.Write.Length : sp->Parameters.Read.Length);
        case Kind::FailsAll:
            break;
    }
    return complete(irp, STATUS_UNSUCCESSFUL, 0);
}

NTSTATUS NTAPI dispatchControl(PDEVICE_OBJECT device, PIRP irp) {
    auto* sp = IoGetCurrentIrpStackLocation(irp);
    switch (kindOf(device)) {
        case Kind::Card:
            return cardControl(irp, sp);
        case Kind::ShortAnswers: {
            const ULONG code = sp->Parameters.DeviceIoControl.IoControlCode;
            const ULONG outSize = sp->Parameters.DeviceIoControl.OutputBufferLength;
            return shortAnswer(irp, outSize != 0 ? outputOf(irp, code) : nullptr, outSize);
        }
        case Kind::FailsAll:
            break;
    }
    return complete(irp, STATUS_UNSUCCESSFUL, 0);
}

// "prefix" followed by the number in decimal.
void nameOf(const wchar_t* prefix, ULONG number, wchar_t* out, USHORT capacity) {
    USHORT n = 0;
    while (prefix[n] != L'\0' && n + 1 < capacity) {
        out[n] = prefix[n];
        ++n;
    }
    wchar_t digits[10];
    int d = 0;
    do {
        digits[d++] = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number != 0 && d < 10);
    while (d > 0 && n + 1 < capacity) {
        out[n++] = digits[--d];
    }
    out[n] = L'\0';
}

NTSTATUS publish(PDRIVER_OBJECT driver, ULONG number, Kind kind) {
    if (deviceCount == kMaxDevices) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    wchar_t nameText[40], linkText[40];
    nameOf(L"\\Device\\DOSKARVO7_", number, nameText, 40);
    nameOf(L"\\DosDevices\\DOSKARVO7_", number, linkText, 40);
    UNICODE_STRING name, link;
    RtlInitUnicodeString(&name, nameText);
    RtlInitUnicodeString(&link, linkText);
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status =
        IoCreateDevice(driver, sizeof(DeviceExtension), &name, 0x8002, 0, TRUE, &device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    *static_cast<DeviceExtension*>(device->DeviceExtension) = DeviceExtension{kind, number};
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    devices[deviceCount++] = device;
    return STATUS_SUCCESS;
}

VOID NTAPI unload(PDRIVER_OBJECT) {
    for (ULONG i = 0; i < deviceCount; ++i) {
        wchar_t linkText[40];
        nameOf(L"\\DosDevices\\DOSKARVO7_",
               static_cast<DeviceExtension*>(devices[i]->DeviceExtension)->number, linkText, 40);
        UNICODE_STRING link;
        RtlInitUnicodeString(&link, linkText);
        IoDeleteSymbolicLink(&link);
        IoDeleteDevice(devices[i]);
    }
    deviceCount = 0;
    if (cards.unload != nullptr) {
        cards.unload(cards.context);
    }
}

}  // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    KeInitializeSpinLock(&transfersLock);
    if (K7BridgeStart(&transferCompleted, &cards) == 0) {
        DbgPrint("k7wine: the simulated cards did not start\n");
        return STATUS_UNSUCCESSFUL;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = dispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = dispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = dispatchClose;
    driver->MajorFunction[IRP_MJ_READ] = dispatchTransfer;
    driver->MajorFunction[IRP_MJ_WRITE] = dispatchTransfer;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatchControl;
    driver->DriverUnload = unload;
    NTSTATUS status = STATUS_SUCCESS;
    for (ULONG n = 1;
         n < kFailingDevice && NT_SUCCESS(status) && cards.deviceExists(cards.context, n) != 0;
         ++n) {
        status = publish(driver, n, Kind::Card);
    }
    if (NT_SUCCESS(status)) {
        status = publish(driver, kFailingDevice, Kind::FailsAll);
    }
    if (NT_SUCCESS(status)) {
        status = publish(driver, kShortDevice, Kind::ShortAnswers);
    }
    if (!NT_SUCCESS(status)) {
        unload(driver);
    }
    return status;
}
