/*
 * KARVO7Protocol.h - the numbers of the KARVO7 cards' protocol, one name each.
 *
 *   k7proto::req     device-control requests of the card driver, their buffer sizes and the
 *                    layouts of the command block and the card status
 *   k7proto::cmd     card command codes (the 16-bit code of a command block)
 *   k7proto::reg     card registers as KARVO7ReadRegister / KARVO7WriteRegister take them:
 *                    the control LCA (1024-1078), the data LCA (1536-1566) and the PCI
 *                    bridge's operation registers (byte offsets 0x00-0x3C)
 *   k7proto::eeprom  the PCI bridge EEPROM: the bridge's own fields below 0x80, the card's
 *                    configuration record from 0x80 on
 *   k7proto::le16, le32, putLe16, putLe32  little-endian bytes, the byte order of every
 *                    buffer the driver and the card exchange
 *
 * The library, the check program, the tools, tests, benchmarks and fuzz harnesses take their
 * numbers from here. The simulated cards keep a table of their own on purpose, as an
 * independent second reading of the protocol; a test checks that the two agree.
 *
 * A C++ header (C++17 or later); it declares no functions of the library.
 */
#ifndef KARVO7PROTOCOL_H
#define KARVO7PROTOCOL_H

#ifndef __cplusplus
#error "KARVO7Protocol.h is a C++ header"
#endif

#include <stdint.h>

namespace k7proto {

/* ---- little-endian bytes ---------------------------------------------------------------- */

constexpr uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

constexpr uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

constexpr void putLe16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

constexpr void putLe32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

/* ---- driver requests -------------------------------------------------------------------- */
namespace req {

constexpr uint32_t kDeviceType = 0x8002;
constexpr uint32_t kAccessRead = 1;  // file-read access right
constexpr uint32_t kAccessWrite = 2;
constexpr uint32_t kBuffered = 0;  // transfer methods
constexpr uint32_t kDirectInput = 1;
constexpr uint32_t kDirectOutput = 2;

constexpr uint32_t code(uint32_t function, uint32_t method, uint32_t access) {
    return kDeviceType << 16 | access << 14 | function << 2 | method;
}

// Out: the stored configuration area, as many bytes as the card status names.
constexpr uint32_t kReadKonfigArea = code(0x801, kDirectOutput, kAccessRead);
// Out: the card status (kStatusSize bytes).
constexpr uint32_t kCardStatus = code(0x802, kBuffered, kAccessRead);
// In: the driver's transfer mode byte.
constexpr uint32_t kTransferMode = code(0x803, kBuffered, kAccessWrite);
// In: a command block (kCommandBlockSize bytes).
constexpr uint32_t kCommand = code(0x804, kBuffered, kAccessWrite);
// Out: the driver's 32-bit error word for the card; reading it clears it.
constexpr uint32_t kLastError = code(0x805, kBuffered, kAccessRead);
// In: the depth-compensation table, 16-bit values.
constexpr uint32_t kDepthTable = code(0x806, kDirectInput, kAccessWrite);
// Out: u32 bus number, u32 slot number.
constexpr uint32_t kCardPosition = code(0x807, kBuffered, kAccessRead);
// In: u32 data time-out in seconds.
constexpr uint32_t kDataTimeOut = code(0x808, kBuffered, kAccessWrite);
// Out: u32, non-zero for a version-3 card.
constexpr uint32_t kVersion3 = code(0x809, kBuffered, kAccessRead);
// No buffers: hardware reset of the card.
constexpr uint32_t kReset = code(0x80A, kBuffered, kAccessWrite);
// Out: u32, non-zero once the reset has finished.
constexpr uint32_t kResetFinished = code(0x80B, kBuffered, kAccessRead);
// Out: u32, non-zero while the card's data FIFO holds data.
constexpr uint32_t kDataInFifo = code(0x80C, kBuffered, kAccessRead);
// Out / in: the 256 bytes of the PCI configuration space.
constexpr uint32_t kReadPciConfig = code(0x8F0, kBuffered, kAccessRead);
constexpr uint32_t kWritePciConfig = code(0x8F1, kBuffered, kAccessWrite);
// In and out: u32 register number, u32 value (0 on the way in for a read).
constexpr uint32_t kReadRegister = code(0x8F2, kBuffered, kAccessRead);
constexpr uint32_t kWriteRegister = code(0x8F3, kBuffered, kAccessWrite);
// In: u32 EEPROM address (low 16 bits), u32 0; out: second word, low byte the value.
constexpr uint32_t kReadEepromByte = code(0x8F4, kBuffered, kAccessRead);
// In: u32 EEPROM address (low 16 bits), u32 value (low 8 bits).
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

// Command block: u16 code at 0, u8 count of data words at 2, u8 reserved at 3, eight u32 data
// words from 4, of which the first `count` carry meaning. The whole block is always sent.
constexpr uint32_t kCommandBlockSize = 36;
constexpr uint32_t kMaxCommandWords = 8;
constexpr uint32_t kCommandCountOffset = 2;
constexpr uint32_t kCommandWordsOffset = 4;

// Card status: u32 at 0, u8 at 4, u8 at 5 (the mode), u32 at 8, u16 size of the stored
// configuration area at 12, u16 its EEPROM address at 14.
constexpr uint32_t kStatusSize = 16;
constexpr uint32_t kStatusModeOffset = 5;
constexpr uint32_t kStatusAreaSizeOffset = 12;
constexpr uint32_t kStatusAreaBaseOffset = 14;

constexpr uint32_t kPciConfigSize = 256;
// The firmware image travels as a write of whole blocks.
constexpr uint32_t kPromBlockSize = 128;

// Buffer sizes of every request whose sizes are fixed (all but the configuration area and the
// depth-compensation table).
struct Shape {
    uint32_t code;
    uint32_t inputSize;
    uint32_t outputSize;
};
constexpr Shape kFixedShapes[] = {
    {kCardStatus, 0, kStatusSize},
    {kTransferMode, 1, 0},
    {kCommand, kCommandBlockSize, 0},
    {kLastError, 0, 4},
    {kCardPosition, 0, 8},
    {kDataTimeOut, 4, 0},
    {kVersion3, 0, 4},
    {kReset, 0, 0},
    {kResetFinished, 0, 4},
    {kDataInFifo, 0, 4},
    {kReadPciConfig, 0, kPciConfigSize},
    {kWritePciConfig, kPciConfigSize, 0},
    {kReadRegister, 8, 8},
    {kWriteRegister, 8, 8},
    {kReadEepromByte, 8, 8},
    {kWriteEepromByte, 8, 0},
};

}  // namespace req

/* ---- card commands ---------------------------------------------------------------------- */
namespace cmd {

// Bits 15-10 the command number, bits 9-0 the number of data words.
constexpr uint16_t code(uint32_t number, uint32_t words) {
    return static_cast<uint16_t>(number << 10 | words);
}
constexpr uint32_t numberOf(uint16_t code) {
    return code >> 10;
}
constexpr uint32_t wordsOf(uint16_t code) {
    return code & 0x3FFu;
}

constexpr uint16_t kReadMonitor = code(0, 0);         // temperature and supplies: 12 bytes to read
constexpr uint16_t kStart = code(1, 0);               // start measurement
constexpr uint16_t kStop = code(2, 0);                // stop measurement
constexpr uint16_t kReset = code(3, 0);               // reset of the LCAs
constexpr uint16_t kOffset = code(4, 0);              // offset adjustment
constexpr uint16_t kPowerDown = code(5, 0);           // also sent when a card handle closes
constexpr uint16_t kPowerUp = code(6, 0);             //
constexpr uint16_t kAttenuation = code(7, 0);         // system attenuation measurement
constexpr uint16_t kSelectSet = code(8, 1);           // set number: later commands address it
constexpr uint16_t kActiveSets = code(9, 1);          // bit n: set n takes part
constexpr uint16_t kGetAScan = code(10, 1);           // A-scan of a set for the next read
constexpr uint16_t kSapDelay = code(11, 1);           // SAP delay, 16 bits
constexpr uint16_t kIdentification = code(12, 1);     // sibling-card identification, 16 bits
constexpr uint16_t kExternalClock = code(13, 1);      // 0xFFFFFFFF on, 0 off
constexpr uint16_t kStartSet = code(14, 1);           // block start of a set
constexpr uint16_t kClearFifo = code(15, 0);          //
constexpr uint16_t kSelfTest = code(16, 1);           // bit n of the word: self test n
constexpr uint16_t kShot = code(17, 1);               // shot (measurement mode) word
constexpr uint16_t kSender = code(18, 1);             // energy, pulse width, lock
constexpr uint16_t kInput = code(19, 1);              // damping steps, S/E
constexpr uint16_t kGain = code(20, 1);               // gain in 0.1 dB
constexpr uint16_t kHwConfig = code(21, 1);           // filter number
constexpr uint16_t kAverage = code(22, 1);            // averaged shots
constexpr uint16_t kTrigger = code(23, 2);            // pulse repetition, trigger word
constexpr uint16_t kCount = code(24, 2);              // length << 16 | pre-run, delay
constexpr uint16_t kDepthCompensation = code(25, 2);  // delay << 16 | points, spacing
constexpr uint16_t kAScan = code(26, 1);              // A-scan form word
constexpr uint16_t kSwConfig = code(27, 1);           // reply level
constexpr uint16_t kGate = code(28, 2);               // gate number and three gate values
constexpr uint16_t kGateEnables = code(29, 1);        // bit n: gate Bn on
constexpr uint16_t kGateValues = code(30, 0);         // gate values: 24 bytes to read
constexpr uint16_t kResults = code(31, 1);            // results selector
constexpr uint16_t kTriggerDelay = code(32, 1);       // bit 31: 25 ns unit

static_assert(kSelectSet == 0x2001 && kTrigger == 0x5C02 && kGate == 0x7002);
static_assert(kResults == 0x7C01 && kTriggerDelay == 0x8001 && kSelfTest == 0x4001);

// Gate number of the echo-start gate in a kGate block.
constexpr uint32_t kEchoStartGate = 0xFFFF;

}  // namespace cmd

/* ---- registers -------------------------------------------------------------------------- */
namespace reg {

// Control LCA, 16 bits each.
constexpr uint32_t kControlFirst = 1024;
constexpr uint32_t kLcaId = 1024;           // read only
constexpr uint32_t kCommand = 1026;         // run bits, clock, power
constexpr uint32_t kStatus = 1028;          // read only
constexpr uint32_t kAnalog = 1030;          // damping, input selection, S/E, filter
constexpr uint32_t kRecordDelayLow = 1032;  // record delay (pre-run), bits 15-0
constexpr uint32_t kRecordDelayHigh = 1034;
constexpr uint32_t kRecordTimeLow = 1036;  // record time (acquisition length), bits 15-0
constexpr uint32_t kRecordTimeHigh = 1038;
constexpr uint32_t kTrigger = 1040;  // SAP trigger
constexpr uint32_t kMaxSapLow = 1042;
constexpr uint32_t kMaxSapHigh = 1044;
constexpr uint32_t kDepthControl = 1046;  // support points, enable, TA
constexpr uint32_t kDepthDelayLow = 1048;
constexpr uint32_t kDepthDelayHigh = 1050;
constexpr uint32_t kDepthPeriodLow = 1052;
constexpr uint32_t kDepthPeriodHigh = 1054;
constexpr uint32_t kFifoControl = 1056;
constexpr uint32_t kFifoStatus = 1058;  // read only
// The FIFO status register's full and overflow bits: set, the next shot finds no room.
constexpr uint32_t kFifoFullBits = 0x00F0u;
constexpr uint32_t kAfTest = 1060;
constexpr uint32_t kSender = 1064;
constexpr uint32_t kEchoStartTime = 1066;
constexpr uint32_t kEchoStartLevel = 1068;
constexpr uint32_t kEchoStartDelay = 1070;  // read only
constexpr uint32_t kGate0Maximum = 1072;    // read only
constexpr uint32_t kGate0Time = 1074;       // read only
constexpr uint32_t kRecordPrerun = 1076;
constexpr uint32_t kSapDelay = 1078;
constexpr uint32_t kControlLast = 1078;

// Data LCA, 16 bits each. A measuring gate's pair is written as start and end and read back as
// the gate's maximum and time.
constexpr uint32_t kDataFirst = 1536;
constexpr uint32_t kDataLcaId = 1536;  // read only
constexpr uint32_t kDataFormat = 1538;
constexpr uint32_t kAScanFactor = 1540;
constexpr uint32_t kTriggerDelayLow = 1542;
constexpr uint32_t kTriggerDelayHigh = 1544;  // bits 7-0, and the 25 ns, input, output flags
constexpr uint32_t kTimerLow = 1546;          // read only
constexpr uint32_t kTimerHigh = 1548;         // read only
constexpr uint32_t kGate1Start = 1552;
constexpr uint32_t kGate1End = 1554;
constexpr uint32_t kGate2Start = 1556;
constexpr uint32_t kGate2End = 1558;
constexpr uint32_t kGate3Start = 1560;
constexpr uint32_t kGate3End = 1562;
constexpr uint32_t kGate4Start = 1564;
constexpr uint32_t kGate4End = 1566;
constexpr uint32_t kDataLast = 1566;

// LCA registers that only report: the card refuses writes to them.
constexpr uint32_t kReadOnly[] = {kLcaId,          kStatus,       kFifoStatus,
                                  kEchoStartDelay, kGate0Maximum, kGate0Time,
                                  kDataLcaId,      kTimerLow,     kTimerHigh};

// Operation registers of the PCI bridge, 32 bits each, by byte offset.
constexpr uint32_t kOutMailbox1 = 0x00;
constexpr uint32_t kOutMailbox2 = 0x04;
constexpr uint32_t kOutMailbox3 = 0x08;
constexpr uint32_t kOutMailbox4 = 0x0C;
constexpr uint32_t kInMailbox1 = 0x10;
constexpr uint32_t kInMailbox2 = 0x14;
constexpr uint32_t kInMailbox3 = 0x18;
constexpr uint32_t kInMailbox4 = 0x1C;
constexpr uint32_t kFifoPort = 0x20;  // each read takes one word from the PCI FIFO
constexpr uint32_t kWriteAddress = 0x24;
constexpr uint32_t kWriteCount = 0x28;
constexpr uint32_t kReadAddress = 0x2C;
constexpr uint32_t kReadCount = 0x30;
constexpr uint32_t kMailboxStatus = 0x34;
constexpr uint32_t kInterruptStatus = 0x38;
constexpr uint32_t kMasterStatus = 0x3C;
constexpr uint32_t kMasterStatusFifoEmpty = 0x20;  // bit of kMasterStatus: PCI FIFO empty

}  // namespace reg

/* ---- PCI bridge EEPROM ------------------------------------------------------------------ */
namespace eeprom {

// One field of the bridge's own data: byte address and width in bits, little-endian.
struct Field {
    uint32_t address;
    uint32_t bits;
};

constexpr Field kRomSignature{0x00, 16};
constexpr Field kRomLength{0x02, 8};  // in units of 0x200 bytes
constexpr Field kRomEntry{0x03, 32};
constexpr Field kPciPointer{0x18, 16};
constexpr Field kVendorId{0x40, 16};
constexpr Field kDeviceId{0x42, 16};
constexpr Field kConfigurationBits{0x44, 16};
constexpr Field kRevisionId{0x48, 8};
constexpr Field kClassCode{0x49, 24};
constexpr Field kBaseAddress0{0x50, 32};
constexpr Field kBaseAddress1{0x54, 32};
constexpr Field kBaseAddress2{0x58, 32};
constexpr Field kBaseAddress3{0x5C, 32};
constexpr Field kBaseAddress4{0x60, 32};
constexpr Field kExpansionRom{0x70, 32};
constexpr Field kInterruptLine{0x7C, 8};
constexpr Field kInterruptPin{0x7D, 8};
constexpr Field kMinimumGrant{0x7E, 8};
constexpr Field kMaximumLatency{0x7F, 8};

// Bits of kConfigurationBits.
constexpr uint32_t kConfigPci = 1u << 15;
constexpr uint32_t kConfigAsyncRead = 1u << 14;
constexpr uint32_t kConfigAsyncWrite = 1u << 13;

// The card's configuration record behind the bridge's data: the length word (directory plus
// data, without the CRC), the directory of 4-byte entries, the data and the CRC-16 of the data.
constexpr uint32_t kKonfigLength = 0x80;
constexpr uint32_t kKonfigDirectory = 0x84;
constexpr uint32_t kKonfigEntrySize = 4;
constexpr uint32_t kKonfigEntries = 19;  // eighteen fields and the terminator
constexpr uint32_t kKonfigData = kKonfigDirectory + kKonfigEntries * kKonfigEntrySize;
static_assert(kKonfigData == 0xD0);

// A byte write takes the bridge this long to program.
constexpr uint32_t kByteWriteMs = 100;

}  // namespace eeprom

}  // namespace k7proto

#endif /* KARVO7PROTOCOL_H */
