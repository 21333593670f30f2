// The PCI bridge EEPROM: byte requests, little-endian combination, wrap at 65536, partial
// writes, and the 100 ms pause of every byte write on the replaceable clock.
#include <gtest/gtest.h>

#include "LowLevelFixture.h"

using namespace k7test;

namespace {

class Eeprom : public CardTest {
  protected:
    void SetUp() override {
        openCard();
        eeprom.attach(driver);
    }
    VirtualClock clock;
    EepromModel eeprom;
};

TEST_F(Eeprom, ByteReadSendsTheLow16AddressBitsAndReturnsTheLowByte) {
    eeprom.bytes[0x2345] = 0x9C;
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(card, 0x12345), 0x9C);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].code, req::kReadEepromByte);
    EXPECT_EQ(r[0].input, words({0x2345, 0}));
    EXPECT_EQ(r[0].outputSize, 8u);
    driver.failRequest(req::kReadEepromByte);
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(card, 0x2345), 0);
}

TEST_F(Eeprom, WiderReadsCombineLittleEndianAndWrap) {
    eeprom.bytes[0xFFFF] = 0x34;
    eeprom.bytes[0x0000] = 0x12;
    EXPECT_EQ(KARVO7ReadPCIEEPROMword(card, 0xFFFF), 0x1234);
    EXPECT_EQ(eeprom.readAddresses, (std::vector<uint32_t>{0xFFFF, 0x0000}));
    for (uint32_t i = 0; i < 4; ++i) {
        eeprom.bytes[0x40 + i] = static_cast<uint8_t>(0x11 * (i + 1));
    }
    EXPECT_EQ(KARVO7ReadPCIEEPROMdword(card, 0x40), 0x44332211u);
    EXPECT_EQ(KARVO7ReadPCIEEPROM(card, 0x41), 0x3322);
    EXPECT_TRUE(clock.sleeps().empty());
}

TEST_F(Eeprom, ByteWriteSendsAddressAndByteAndPausesEvenWhenItFails) {
    EXPECT_EQ(KARVO7WritePCIEEPROMbyte(card, 0x10081, 0x1A5), 1);
    EXPECT_EQ(eeprom.bytes[0x0081], 0xA5);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].code, req::kWriteEepromByte);
    EXPECT_EQ(r[0].input, words({0x0081, 0xA5}));
    EXPECT_EQ(r[0].outputSize, 0u);
    driver.failRequest(req::kWriteEepromByte);
    EXPECT_EQ(KARVO7WritePCIEEPROMbyte(card, 0x82, 1), 0);
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{100, 100}));
}

TEST_F(Eeprom, WordWriteStopsAfterAFailedLowByte) {
    driver.failRequest(req::kWriteEepromByte);
    EXPECT_EQ(KARVO7WritePCIEEPROMword(card, 0x30, 0xBEEF), 0);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].input, words({0x30, 0xEF}));
    EXPECT_EQ(eeprom.bytes[0x31], 0);
    EXPECT_EQ(clock.sleptMs(), 100u);

    EXPECT_EQ(KARVO7WritePCIEEPROM(card, 0xFFFF, 0x12BEEF), 1);
    EXPECT_EQ(eeprom.bytes[0xFFFF], 0xEF);
    EXPECT_EQ(eeprom.bytes[0x0000], 0xBE);
    EXPECT_EQ(clock.sleptMs(), 300u);
}

TEST_F(Eeprom, WordWriteReportsAFailedHighByte) {
    eeprom.onWrite = [](uint32_t address, uint8_t&) {
        return address == 0x51 ? K7_ERROR_GEN_FAILURE : K7_ERROR_SUCCESS;
    };
    EXPECT_EQ(KARVO7WritePCIEEPROMword(card, 0x50, 0x0102), 0);
    EXPECT_EQ(eeprom.bytes[0x50], 0x02);
}

TEST_F(Eeprom, DwordWriteKeepsTheBytesWrittenBeforeAFailure) {
    eeprom.onWrite = [](uint32_t address, uint8_t&) {
        return address == 0x62 ? K7_ERROR_GEN_FAILURE : K7_ERROR_SUCCESS;
    };
    EXPECT_EQ(KARVO7WritePCIEEPROMdword(card, 0x60, 0x44332211u), 0);
    EXPECT_EQ(eeprom.writtenAddresses, (std::vector<uint32_t>{0x60, 0x61, 0x62}));
    EXPECT_EQ(eeprom.bytes[0x60], 0x11);
    EXPECT_EQ(eeprom.bytes[0x61], 0x22);
    EXPECT_EQ(eeprom.bytes[0x62], 0x00);
    EXPECT_EQ(clock.sleptMs(), 300u);

    eeprom.onWrite = nullptr;
    EXPECT_EQ(KARVO7WritePCIEEPROMdword(card, 0x60, 0x44332211u), 1);
    EXPECT_EQ(KARVO7ReadPCIEEPROMdword(card, 0x60), 0x44332211u);
    EXPECT_EQ(clock.sleptMs(), 700u);
}

}  // namespace
