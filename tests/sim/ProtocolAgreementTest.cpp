// The simulated cards read the protocol from a table of their own, on purpose: an independent
// second reading of request codes, buffer sizes, command numbers, registers and the bridge
// EEPROM. These tests hold that reading against KARVO7Protocol.h, the table the library and
// the check program use, by asking the simulated driver directly through its dispatch table.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "KARVO7Protocol.h"
#include "SimFixture.h"

using namespace simtest;

namespace {

namespace req = k7proto::req;
namespace cmd = k7proto::cmd;
namespace reg = k7proto::reg;
namespace eeprom = k7proto::eeprom;

class ProtocolAgreement : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        table = sim->driver();
        ASSERT_EQ(table.open(table.context, 1, &device), K7_ERROR_SUCCESS);
    }
    void TearDown() override {
        table.close(table.context, device);
        SimTest::TearDown();
    }

    uint32_t request(uint32_t code, std::vector<uint8_t> input, uint32_t outputSize,
                     std::vector<uint8_t>* output = nullptr) {
        std::vector<uint8_t> out(outputSize + 1);
        input.push_back(0);  // never a null buffer, also for size 0
        uint32_t returned = 0;
        const uint32_t status = table.deviceControl(table.context, device, code, input.data(),
                                                    static_cast<uint32_t>(input.size() - 1),
                                                    out.data(), outputSize, &returned);
        if (output != nullptr) {
            out.resize(outputSize);
            *output = out;
        }
        return status;
    }
    uint32_t driverWord() {
        std::vector<uint8_t> out;
        request(req::kLastError, {}, 4, &out);
        return k7proto::le32(out.data());
    }
    // Sends a command block with `count` data words of value `word`; the driver's word after it
    // (0 on success).
    uint32_t command(uint16_t code, uint32_t count, uint32_t word = 0) {
        std::vector<uint8_t> block(req::kCommandBlockSize);
        k7proto::putLe16(block.data(), code);
        block[req::kCommandCountOffset] = static_cast<uint8_t>(count);
        for (uint32_t i = 0; i < count; ++i) {
            k7proto::putLe32(block.data() + req::kCommandWordsOffset + 4 * i, word);
        }
        if (request(req::kCommand, block, 0) == K7_ERROR_SUCCESS) {
            return 0;
        }
        return driverWord();
    }
    bool readRegister(uint32_t address, uint32_t& value) {
        std::vector<uint8_t> in(8), out;
        k7proto::putLe32(in.data(), address);
        if (request(req::kReadRegister, in, 8, &out) != K7_ERROR_SUCCESS) {
            driverWord();
            return false;
        }
        value = k7proto::le32(out.data() + 4);
        return true;
    }
    uint32_t writeRegister(uint32_t address, uint32_t value) {
        std::vector<uint8_t> in(8);
        k7proto::putLe32(in.data(), address);
        k7proto::putLe32(in.data() + 4, value);
        return request(req::kWriteRegister, in, 8) == K7_ERROR_SUCCESS ? 0 : driverWord();
    }
    uint32_t eepromField(eeprom::Field field) {
        uint32_t value = 0;
        for (uint32_t i = 0; i < field.bits / 8; ++i) {
            std::vector<uint8_t> in(8), out;
            k7proto::putLe32(in.data(), field.address + i);
            EXPECT_EQ(request(req::kReadEepromByte, in, 8, &out), K7_ERROR_SUCCESS);
            value |= uint32_t{out[4]} << (8 * i);
        }
        return value;
    }

    K7DrvDriver table{};
    void* device = nullptr;
};

TEST_F(ProtocolAgreement, EveryRequestHasTheSizesOfTheTable) {
    for (const req::Shape& s : req::kFixedShapes) {
        SCOPED_TRACE(testing::Message() << std::hex << s.code);
        if (s.code == req::kReset) {
            continue;  // taken last: the card stays in reset for a while
        }
        std::vector<uint8_t> input(s.inputSize);
        EXPECT_EQ(request(s.code, input, s.outputSize), K7_ERROR_SUCCESS);
        // One byte more in or out: the driver knows the code and refuses the size.
        input.push_back(0);
        EXPECT_NE(request(s.code, input, s.outputSize), K7_ERROR_SUCCESS);
        EXPECT_EQ(driverWord(), k7sim::err::kInputSize);
        input.pop_back();
        EXPECT_NE(request(s.code, input, s.outputSize + 1), K7_ERROR_SUCCESS);
        EXPECT_EQ(driverWord(), k7sim::err::kOutputSize);
    }

    // The configuration area: as many bytes as the status names; the first is the directory's.
    std::vector<uint8_t> status;
    ASSERT_EQ(request(req::kCardStatus, {}, req::kStatusSize, &status), K7_ERROR_SUCCESS);
    const uint32_t size = k7proto::le16(status.data() + req::kStatusAreaSizeOffset);
    EXPECT_EQ(k7proto::le16(status.data() + req::kStatusAreaBaseOffset), eeprom::kKonfigDirectory);
    EXPECT_EQ(size, eepromField({eeprom::kKonfigLength, 16}) + 2);  // with the CRC
    std::vector<uint8_t> area;
    ASSERT_EQ(request(req::kReadKonfigArea, {}, size, &area), K7_ERROR_SUCCESS);
    EXPECT_EQ(area[0], eepromField({eeprom::kKonfigDirectory, 8}));
    // The depth-compensation table: 16-bit values, any even count.
    EXPECT_EQ(request(req::kDepthTable, std::vector<uint8_t>(8), 0), K7_ERROR_SUCCESS);

    EXPECT_EQ(request(req::kReset, {}, 0), K7_ERROR_SUCCESS);
    // A code the table does not have is unknown to the driver as well.
    EXPECT_NE(request(req::code(0x80D, req::kBuffered, req::kAccessRead), {}, 4), K7_ERROR_SUCCESS);
    EXPECT_EQ(driverWord(), k7sim::err::kUnknownRequest);
}

TEST_F(ProtocolAgreement, EveryCommandCodeIsKnownWithItsWordCount) {
    const uint16_t codes[] = {cmd::kReadMonitor,    cmd::kStart,
                              cmd::kStop,           cmd::kReset,
                              cmd::kOffset,         cmd::kPowerDown,
                              cmd::kPowerUp,        cmd::kAttenuation,
                              cmd::kSelectSet,      cmd::kActiveSets,
                              cmd::kGetAScan,       cmd::kSapDelay,
                              cmd::kIdentification, cmd::kExternalClock,
                              cmd::kStartSet,       cmd::kClearFifo,
                              cmd::kSelfTest,       cmd::kShot,
                              cmd::kSender,         cmd::kInput,
                              cmd::kGain,           cmd::kHwConfig,
                              cmd::kAverage,        cmd::kTrigger,
                              cmd::kCount,          cmd::kDepthCompensation,
                              cmd::kAScan,          cmd::kSwConfig,
                              cmd::kGate,           cmd::kGateEnables,
                              cmd::kGateValues,     cmd::kResults,
                              cmd::kTriggerDelay};
    for (const uint16_t code : codes) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        const uint32_t words = cmd::wordsOf(code);
        // Whatever the firmware makes of the values, it knows the number and its word count.
        const uint32_t answer = command(code, words, code == cmd::kSelfTest ? 0x4 : 0);
        EXPECT_NE(answer, k7sim::err::kUnknownCommand);
        EXPECT_NE(answer, k7sim::err::kCommandWords);
        EXPECT_NE(answer, k7sim::err::kCommandBlock);
        // One word more is refused as the wrong word count.
        const uint16_t longer = cmd::code(cmd::numberOf(code), words + 1);
        EXPECT_EQ(command(longer, words + 1), k7sim::err::kCommandWords);
    }
    EXPECT_EQ(command(cmd::code(33, 0), 0), k7sim::err::kUnknownCommand);
}

TEST_F(ProtocolAgreement, RegistersLiveWhereTheTableNamesThem) {
    const uint32_t lca[] = {
        reg::kLcaId,          reg::kCommand,         reg::kStatus,          reg::kAnalog,
        reg::kRecordDelayLow, reg::kRecordDelayHigh, reg::kRecordTimeLow,   reg::kRecordTimeHigh,
        reg::kTrigger,        reg::kMaxSapLow,       reg::kMaxSapHigh,      reg::kDepthControl,
        reg::kDepthDelayLow,  reg::kDepthDelayHigh,  reg::kDepthPeriodLow,  reg::kDepthPeriodHigh,
        reg::kFifoControl,    reg::kFifoStatus,      reg::kAfTest,          reg::kSender,
        reg::kEchoStartTime,  reg::kEchoStartLevel,  reg::kEchoStartDelay,  reg::kGate0Maximum,
        reg::kGate0Time,      reg::kRecordPrerun,    reg::kSapDelay,        reg::kDataLcaId,
        reg::kDataFormat,     reg::kAScanFactor,     reg::kTriggerDelayLow, reg::kTriggerDelayHigh,
        reg::kTimerLow,       reg::kTimerHigh,       reg::kGate1Start,      reg::kGate1End,
        reg::kGate2Start,     reg::kGate2End,        reg::kGate3Start,      reg::kGate3End,
        reg::kGate4Start,     reg::kGate4End};
    for (const uint32_t address : lca) {
        SCOPED_TRACE(address);
        uint32_t value = 0;
        EXPECT_TRUE(readRegister(address, value));
        const bool readOnly = std::find(std::begin(reg::kReadOnly), std::end(reg::kReadOnly),
                                        address) != std::end(reg::kReadOnly);
        EXPECT_EQ(writeRegister(address, value), readOnly ? k7sim::err::kRegisterReadOnly : 0u);
    }
    uint32_t value = 0;
    EXPECT_FALSE(readRegister(reg::kControlLast + 2, value));
    EXPECT_FALSE(readRegister(reg::kDataLast + 2, value));

    // The identifications sit in the first register of each LCA.
    ASSERT_TRUE(readRegister(reg::kLcaId, value));
    EXPECT_EQ(value & 0xFFFFu, sim->config().cards[0].lcaId);
    ASSERT_TRUE(readRegister(reg::kDataLcaId, value));
    EXPECT_EQ(value & 0xFFFFu, sim->config().cards[0].dataLcaId);
    // The sender command's word shows in the sender register.
    ASSERT_EQ(command(cmd::kSender, 1, 0x8302), 0u);
    ASSERT_TRUE(readRegister(reg::kSender, value));
    EXPECT_EQ(value & 0x8703u, 0x8302u);

    const uint32_t bridge[] = {
        reg::kOutMailbox1, reg::kOutMailbox2,   reg::kOutMailbox3,     reg::kOutMailbox4,
        reg::kInMailbox1,  reg::kInMailbox2,    reg::kInMailbox3,      reg::kInMailbox4,
        reg::kFifoPort,    reg::kWriteAddress,  reg::kWriteCount,      reg::kReadAddress,
        reg::kReadCount,   reg::kMailboxStatus, reg::kInterruptStatus, reg::kMasterStatus};
    for (const uint32_t offset : bridge) {
        SCOPED_TRACE(offset);
        EXPECT_TRUE(readRegister(offset, value));
    }
    // An empty PCI FIFO shows in the master status.
    ASSERT_TRUE(readRegister(reg::kMasterStatus, value));
    EXPECT_NE(value & reg::kMasterStatusFifoEmpty, 0u);
    ASSERT_EQ(writeRegister(reg::kOutMailbox1, 0x12345678u), 0u);
    ASSERT_TRUE(readRegister(reg::kOutMailbox1, value));
    EXPECT_EQ(value, 0x12345678u);
}

TEST_F(ProtocolAgreement, BridgeEepromFieldsHoldTheCardsIdentity) {
    const k7sim::PciIdentity& id = sim->config().cards[0].pci;
    EXPECT_EQ(eepromField(eeprom::kRomSignature), id.romSignature);
    EXPECT_EQ(eepromField(eeprom::kRomLength), id.romLength);
    EXPECT_EQ(eepromField(eeprom::kRomEntry), id.romEntry);
    EXPECT_EQ(eepromField(eeprom::kPciPointer), id.pciPointer);
    EXPECT_EQ(eepromField(eeprom::kVendorId), id.vendorId);
    EXPECT_EQ(eepromField(eeprom::kDeviceId), id.deviceId);
    EXPECT_EQ(eepromField(eeprom::kConfigurationBits), id.configurationBits);
    EXPECT_EQ(eepromField(eeprom::kRevisionId), id.revisionId);
    EXPECT_EQ(eepromField(eeprom::kClassCode), id.classCode);
    const eeprom::Field bases[] = {eeprom::kBaseAddress0, eeprom::kBaseAddress1,
                                   eeprom::kBaseAddress2, eeprom::kBaseAddress3,
                                   eeprom::kBaseAddress4};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(eepromField(bases[i]), id.baseSize[i]);
    }
    EXPECT_EQ(eepromField(eeprom::kExpansionRom), id.expansionRom);
    EXPECT_EQ(eepromField(eeprom::kInterruptLine), id.interruptLine);
    EXPECT_EQ(eepromField(eeprom::kInterruptPin), id.interruptPin);
    EXPECT_EQ(eepromField(eeprom::kMinimumGrant), id.minimumGrant);
    EXPECT_EQ(eepromField(eeprom::kMaximumLatency), id.maximumLatency);

    // The configuration record: its first directory entry points at the data area.
    const uint32_t entry = eepromField({eeprom::kKonfigDirectory, 32});
    EXPECT_EQ(entry & 0xFFu, 1u);  // key 1 first
    EXPECT_EQ((entry >> 16 & 0xFFu) | (entry >> 24 & 0x0Fu) << 8, eeprom::kKonfigData);
}

}  // namespace
