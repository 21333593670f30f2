// How the Wine test driver ends a request.
#include "Driver.h"

namespace k7wine {

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

void* cardOf(PIO_STACK_LOCATION sp) {
    return sp->FileObject != nullptr ? sp->FileObject->FsContext : nullptr;
}

}  // namespace k7wine
