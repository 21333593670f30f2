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
#include "Driver.h"

namespace k7wine {

K7DrvDriver cards;

}  // namespace k7wine

namespace {

using namespace k7wine;

constexpr ULONG kFailingDevice = 200;
constexpr ULONG kShortDevice = 201;
constexpr ULONG kMaxDevices = 64;
constexpr UCHAR kShortFill = 0x5A;

enum class Kind { Card, FailsAll, ShortAnswers };

struct DeviceExtension {
    Kind kind;
    ULONG number;
};

PDEVICE_OBJECT devices[kMaxDevices];
ULONG deviceCount;

Kind kindOf(PDEVICE_OBJECT device) {
    return static_cast<DeviceExtension*>(device->DeviceExtension)->kind;
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
    initTransfers();
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
