// Device-control request codes of the card driver (device type 0x8002).
#pragma once

#include <cstdint>

namespace k7::req {

constexpr uint32_t code(uint32_t function, uint32_t method, uint32_t access) {
    return (0x8002u << 16) | (access << 14) | (function << 2) | method;
}

constexpr uint32_t kAccessRead = 1;
constexpr uint32_t kAccessWrite = 2;
constexpr uint32_t kBuffered = 0;
constexpr uint32_t kDirectInput = 1;
constexpr uint32_t kDirectOutput = 2;

constexpr uint32_t kReadKonfigArea = code(0x801, kDirectOutput, kAccessRead);
constexpr uint32_t kCardStatus = code(0x802, kBuffered, kAccessRead);
constexpr uint32_t kTransferMode = code(0x803, kBuffered, kAccessWrite);
constexpr uint32_t kCommand = code(0x804, kBuffered, kAccessWrite);
constexpr uint32_t kLastError = code(0x805, kBuffered, kAccessRead);
constexpr uint32_t kDepthTable = code(0x806, kDirectInput, kAccessWrite);
constexpr uint32_t kCardPosition = code(0x807, kBuffered, kAccessRead);
constexpr uint32_t kDataTimeOut = code(0x808, kBuffered, kAccessWrite);
constexpr uint32_t kVersion3 = code(0x809, kBuffered, kAccessRead);
constexpr uint32_t kReset = code(0x80A, kBuffered, kAccessWrite);
constexpr uint32_t kResetFinished = code(0x80B, kBuffered, kAccessRead);
constexpr uint32_t kDataInFifo = code(0x80C, kBuffered, kAccessRead);
constexpr uint32_t kReadPciConfig = code(0x8F0, kBuffered, kAccessRead);
constexpr uint32_t kWritePciConfig = code(0x8F1, kBuffered, kAccessWrite);
constexpr uint32_t kReadRegister = code(0x8F2, kBuffered, kAccessRead);
constexpr uint32_t kWriteRegister = code(0x8F3, kBuffered, kAccessWrite);
constexpr uint32_t kReadEepromByte = code(0x8F4, kBuffered, kAccessRead);
constexpr uint32_t kWriteEepromByte = code(0x8F5, kBuffered, kAccessWrite);

static_assert(kReadKonfigArea == 0x80026006u);
static_assert(kCardStatus == 0x80026008u);
static_assert(kTransferMode == 0x8002A00Cu);
static_assert(kCommand == 0x8002A010u);
static_assert(kLastError == 0x80026014u);
static_assert(kDepthTable == 0x8002A019u);
static_assert(kCardPosition == 0x8002601Cu);
static_assert(kDataTimeOut == 0x8002A020u);
static_assert(kVersion3 == 0x80026024u);
static_assert(kReset == 0x8002A028u);
static_assert(kResetFinished == 0x8002602Cu);
static_assert(kDataInFifo == 0x80026030u);
static_assert(kReadPciConfig == 0x800263C0u);
static_assert(kWritePciConfig == 0x8002A3C4u);
static_assert(kReadRegister == 0x800263C8u);
static_assert(kWriteRegister == 0x8002A3CCu);
static_assert(kReadEepromByte == 0x800263D0u);
static_assert(kWriteEepromByte == 0x8002A3D4u);

constexpr uint32_t kCommandBlockSize = 36;
constexpr uint32_t kMaxCommandWords = 8;
constexpr uint32_t kStatusSize = 16;

}  // namespace k7::req
