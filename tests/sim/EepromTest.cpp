// The bridge EEPROM (identity, identification record, byte writes, faults) and the PCI
// configuration space built from it.
#include <cstring>

#include "SimFixture.h"

using namespace simtest;

namespace {

class Eeprom : public SimTest {};

TEST_F(Eeprom, IdentityAndConfigurationSpaceAgree) {
    KARVO7HANDLE h = open(1);
    EXPECT_EQ(KARVO7ReadPCIEEPROMword(h, 0x00), 0xAA55u);
    EXPECT_EQ(KARVO7ReadPCIEEPROMword(h, 0x40), 0x10E8u);
    EXPECT_EQ(KARVO7ReadPCIEEPROMword(h, 0x42), 0x4B37u);
    EXPECT_EQ(KARVO7ReadPCIEEPROMdword(h, 0x50), 0xFFFFFFC1u);
    uint8_t config[256] = {};
    ASSERT_EQ(KARVO7ReadConfigData(h, config), 1);
    EXPECT_EQ(le16(config + 0x00), 0x10E8u);
    EXPECT_EQ(le16(config + 0x02), 0x4B37u);
    EXPECT_EQ(config[0x08], KARVO7ReadPCIEEPROMbyte(h, 0x48));
    EXPECT_EQ(le32(config + 0x08) >> 8, 0xFF0000u);
    EXPECT_EQ(le32(config + 0x10), 0x0000E001u);
    EXPECT_EQ(config[0x3D], KARVO7ReadPCIEEPROMbyte(h, 0x7D));
    EXPECT_EQ(le16(config + 0x2C), 0x10E8u);
    EXPECT_EQ(le16(config + 0x2E), 0x0007u);
}

TEST_F(Eeprom, ConfigurationWritesKeepWhatTheRegistersAllow) {
    KARVO7HANDLE h = open(1);
    uint8_t config[256] = {};
    ASSERT_EQ(KARVO7ReadConfigData(h, config), 1);
    uint8_t changed[256];
    std::memcpy(changed, config, 256);
    changed[0x00] = 0x34;  // vendor: read-only
    changed[0x0D] = 0x40;  // latency timer
    changed[0x10] = 0xFF;  // base address 0: 64-byte I/O window
    changed[0x11] = 0xD3;
    changed[0x3C] = 0x05;  // interrupt line
    changed[0x40] = 0x99;  // device-specific
    ASSERT_EQ(KARVO7WriteConfigData(h, changed), 1);
    uint8_t after[256] = {};
    ASSERT_EQ(KARVO7ReadConfigData(h, after), 1);
    EXPECT_EQ(after[0x00], 0xE8);
    EXPECT_EQ(after[0x0D], 0x40);
    EXPECT_EQ(le32(after + 0x10), 0x0000D3C1u);
    EXPECT_EQ(after[0x3C], 0x05);
    EXPECT_EQ(after[0x40], 0x99);
}

TEST_F(Eeprom, TheDefaultIdentificationRecordReads) {
    KARVO7HANDLE h = open(1);
    KonfigRecord k{};
    uint32_t error = 1;
    ASSERT_EQ(KARVO7GetKonfig(h, &k, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_STREQ(k.Karte, "KARVO7F");
    EXPECT_STREQ(k.Programmversion, "DSP 2.04");
    EXPECT_EQ(k.AdcBits, 12);
    EXPECT_EQ(k.DatenFifo, 128);
    EXPECT_EQ(k.MaxSapFolge, 20);
    EXPECT_EQ(k.EnergieSender[7], 450);
    EXPECT_FLOAT_EQ(k.FilterBandgrenze[15], 19.0f);
    EXPECT_FLOAT_EQ(k.BandgrenzeOben, 15.0f);
}

TEST_F(Eeprom, PutKonfigWritesAndTheStatusFollowsTheLengthWord) {
    KARVO7HANDLE h = open(1);
    KonfigRecord k{};
    std::strcpy(k.Karte, "Prüfkarte 7");
    k.AdcBits = 10;
    k.DaempfungEingang[0] = 5;
    k.DaempfungEingang[2] = 7;  // after a zero: not stored
    uint32_t error = 1;
    ASSERT_EQ(KARVO7PutKonfig(h, &k, &error), 1);
    EXPECT_EQ(error, 0u);
    // "Prüfkarte 7" in UTF-8, one 16-bit list element, 13 bytes of the empty record.
    const uint32_t data = 12 + 2 + 13;
    EXPECT_EQ(KARVO7ReadPCIEEPROMword(h, 0x80), 76u + data);
    KonfigRecord back{};
    ASSERT_EQ(KARVO7GetKonfig(h, &back, &error), 1);
    EXPECT_STREQ(back.Karte, "Prüfkarte 7");
    EXPECT_EQ(back.AdcBits, 10);
    EXPECT_EQ(back.DaempfungEingang[0], 5);
    EXPECT_EQ(back.DaempfungEingang[2], 0);
    uint32_t word = 0;
    EXPECT_EQ(KARVO7Command(h, 0x4001, 1, &(word = 0x80), &error), 1);  // record intact
}

TEST_F(Eeprom, WriteProtectionAndABadByteSurface) {
    KARVO7HANDLE h = open(1);
    k7sim::Fault protect;
    protect.kind = k7sim::Fault::Kind::EepromProtected;
    sim->addFault(1, protect);
    EXPECT_EQ(KARVO7WritePCIEEPROMbyte(h, 0x7D, 0x02), 0);
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(h, 0x7D), 0x01u);
    sim->clearFaults(1);
    EXPECT_EQ(KARVO7WritePCIEEPROMbyte(h, 0x7D, 0x02), 1);
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(h, 0x7D), 0x02u);

    k7sim::Fault stuck;
    stuck.kind = k7sim::Fault::Kind::EepromReadBack;
    stuck.index = 0x90;
    stuck.value = 0xA5;
    sim->addFault(1, stuck);
    KonfigRecord k{};
    std::strcpy(k.Karte, "ABCDEFGHIJKLMNOPQRST");
    uint32_t error = 0;
    EXPECT_EQ(KARVO7PutKonfig(h, &k, &error), 0);
    // Byte 0x90 is directory entry 4's first byte, key 4.
    EXPECT_EQ(error, 0x00900000u | 0x04u << 8 | 0xA5u);
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(h, 0x2000), 0u);  // beyond the chip
}

}  // namespace
