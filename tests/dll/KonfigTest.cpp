// The configuration record through the library: stored into a model of the bridge EEPROM with
// read-back verification in virtual time, and read back through the driver's stored area.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "LowLevelFixture.h"

using namespace k7test;

namespace {

class Konfig : public CardTest {
  protected:
    void SetUp() override {
        openCard();
        eeprom.attach(driver);
    }

    // The driver reports the stored area of the EEPROM model.
    void serveStoredArea() { eeprom.serveKonfigArea(driver); }

    // Answers the status with size `s` and base `b` and the area request with `area`.
    void serveArea(uint16_t s, uint16_t b, Bytes area) {
        Bytes status(16, 0);
        status[12] = static_cast<uint8_t>(s);
        status[13] = static_cast<uint8_t>(s >> 8);
        status[14] = static_cast<uint8_t>(b);
        status[15] = static_cast<uint8_t>(b >> 8);
        driver.answer(req::kCardStatus, status);
        driver.answer(req::kReadKonfigArea, std::move(area));
    }

    Bytes image(uint32_t from, uint32_t to) const {
        return Bytes(eeprom.bytes.begin() + from, eeprom.bytes.begin() + to);
    }

    VirtualClock clock;
    EepromModel eeprom;
};

KonfigRecord fullRecord() {
    KonfigRecord r{};
    std::memcpy(r.Karte, "KARVO7F Kanal 1 2024", 20);
    std::memcpy(r.Aufsteckfilter, "Tiefpass 15 MHz Rev2", 20);
    std::memcpy(r.PciEeprom, "AMCC S5933 Bridge V3", 20);
    std::memcpy(r.LcaVersion, "LCA 4.07.A", 10);
    std::memcpy(r.Programmversion, "DSP 2.13.9", 10);
    r.BandgrenzeUnten = 0.5f;
    r.BandgrenzeOben = 25.0f;
    r.AdcBits = 10;
    r.AufnahmeFifo = 64;
    r.DatenFifo = 128;
    r.Dynamik = 60;
    for (uint16_t i = 0; i < 4; ++i) {
        r.DaempfungEingang[i] = static_cast<uint16_t>(100 * (i + 1));
        r.DaempfungSender[i] = static_cast<uint16_t>(0x1234 + i);
    }
    for (uint8_t i = 0; i < 8; ++i) {
        r.EnergieSender[i] = static_cast<uint16_t>(1000 + i);
        r.Samplerrate[i] = static_cast<uint8_t>(80 >> (i % 4));
        r.FilterMittenfrequenz[i] = 1.25f * static_cast<float>(i + 1);
        r.Grunddaempfung[i] = static_cast<uint8_t>(i + 1);
    }
    r.MaxSapFolge = 20;
    for (int i = 0; i < 16; ++i) {
        r.FilterBandgrenze[i] = -3.0f + 0.5f * static_cast<float>(i);
    }
    r.FilterBandgrenze[6] = -0.001f;
    return r;
}

TEST_F(Konfig, AllZeroRecordStoresTheDirectoryThirteenDataBytesAndLength89) {
    const KonfigRecord zero{};
    uint32_t error = 99;
    ASSERT_EQ(KARVO7PutKonfig(card, &zero, &error), 1);
    EXPECT_EQ(error, 0u);
    // key, count, address low, type << 4 | address high
    const Bytes directory = {
        1,  0, 0xD0, 0x10, 2,  0, 0xD0, 0x10, 3,  0, 0xD0, 0x10, 4,  0, 0xD0, 0x10,
        5,  0, 0xD0, 0x10, 16, 2, 0xD0, 0x50, 17, 1, 0xD8, 0x20, 18, 1, 0xD9, 0x20,
        19, 1, 0xDA, 0x20, 20, 1, 0xDB, 0x20, 32, 0, 0xDC, 0x30, 33, 0, 0xDC, 0x30,
        34, 0, 0xDC, 0x30, 35, 0, 0xDC, 0x20, 36, 1, 0xDC, 0x20, 37, 0, 0xDD, 0x50,
        38, 0, 0xDD, 0x50, 39, 0, 0xDD, 0x20, 0,  0, 0xFF, 0x17};
    EXPECT_EQ(image(0x84, 0xD0), directory);
    EXPECT_EQ(image(0xD0, 0xDD), Bytes(13, 0));
    EXPECT_EQ(image(0xDD, 0xDF), (Bytes{0x0C, 0x28}));  // CRC of 13 zero bytes
    EXPECT_EQ(image(0x80, 0x82), (Bytes{89, 0}));
    // 91 verified bytes from 0x84 on, then the length word; every byte write pauses 100 ms.
    ASSERT_EQ(eeprom.writtenAddresses.size(), 93u);
    EXPECT_EQ(eeprom.writtenAddresses[0], 0x84u);
    EXPECT_EQ(eeprom.writtenAddresses[90], 0xDEu);
    EXPECT_EQ(eeprom.writtenAddresses[91], 0x80u);
    EXPECT_EQ(eeprom.writtenAddresses[92], 0x81u);
    EXPECT_EQ(eeprom.readAddresses.size(), 91u);
    EXPECT_EQ(clock.sleptMs(), 9300u);
}

TEST_F(Konfig, FullRecordIsWrittenInVirtualTimeAndReadsBackEqual) {
    serveStoredArea();
    const KonfigRecord full = fullRecord();
    uint32_t error = 99;
    ASSERT_EQ(KARVO7PutKonfig(card, &full, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(eeprom.writtenAddresses.size(), 315u + 2u);
    EXPECT_EQ(clock.sleptMs(), 31700u);
    EXPECT_EQ(image(0x80, 0x82), (Bytes{0x39, 0x01}));  // 76 + 237
    // The last entry's data lies above 0xFF: address bits 11 to 8 go to byte 3.
    EXPECT_EQ(image(0x84 + 17 * 4, 0x84 + 18 * 4), (Bytes{39, 8, 0xB5, 0x21}));

    KonfigRecord read;
    std::memset(&read, 0xA5, sizeof read);
    ASSERT_EQ(KARVO7GetKonfig(card, &read, &error), 1);
    EXPECT_EQ(error, 0u);
    // Every field equals; the three padding bytes behind MaxSapFolge are no field.
    const size_t gap = offsetof(KonfigRecord, MaxSapFolge) + 1;
    const size_t next = offsetof(KonfigRecord, FilterMittenfrequenz);
    EXPECT_EQ(std::memcmp(&read, &full, gap), 0);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const uint8_t*>(&read) + next,
                          reinterpret_cast<const uint8_t*>(&full) + next, sizeof full - next),
              0);
    const auto r = driver.requests();
    const auto area = std::find_if(r.begin(), r.end(), [](const RecordedRequest& q) {
        return q.code == req::kReadKonfigArea;
    });
    ASSERT_NE(area, r.end());
    EXPECT_EQ(area->outputSize, 76u + 237u + 2u);
}

TEST_F(Konfig, TextsRoundTripWithAndWithoutTerminator) {
    serveStoredArea();
    KonfigRecord record{};
    std::memcpy(record.Karte, "ABCDEFGHIJKLMNOPQRST", 20);
    std::strcpy(record.Aufsteckfilter, "Filter 5 MHz");
    uint32_t error = 0;
    ASSERT_EQ(KARVO7PutKonfig(card, &record, &error), 1);
    EXPECT_EQ(eeprom.bytes[0x85], 20);  // count of key 1
    EXPECT_EQ(eeprom.bytes[0x89], 12);  // count of key 2

    KonfigRecord read;
    std::memset(&read, 0x55, sizeof read);
    ASSERT_EQ(KARVO7GetKonfig(card, &read, &error), 1);
    EXPECT_EQ(std::string(read.Karte, 20), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(std::string(read.Aufsteckfilter, 13), std::string("Filter 5 MHz\0", 13));
    EXPECT_EQ(static_cast<uint8_t>(read.Aufsteckfilter[13]), 0x55);
    // A text stored with count 0 reads as the empty text, whatever the caller's record held;
    // only its terminator is written. A list stored with count 0 keeps what the caller held.
    for (const char* text : {read.PciEeprom, read.LcaVersion, read.Programmversion}) {
        EXPECT_EQ(text[0], '\0');
        EXPECT_EQ(static_cast<uint8_t>(text[1]), 0x55);
    }
    EXPECT_EQ(read.DaempfungSender[0], 0x5555);
}

TEST_F(Konfig, ListsStoreTheirLeadingNonZeroElements) {
    serveStoredArea();
    KonfigRecord record{};
    const uint16_t list[4] = {5, 0, 7, 0};
    std::memcpy(record.DaempfungEingang, list, sizeof list);
    record.FilterMittenfrequenz[0] = 3.5f;
    record.FilterMittenfrequenz[1] = -0.0f;  // counts as zero
    record.FilterMittenfrequenz[2] = 9.0f;
    uint32_t error = 0;
    ASSERT_EQ(KARVO7PutKonfig(card, &record, &error), 1);
    EXPECT_EQ(eeprom.bytes[0x84 + 10 * 4 + 1], 1);  // key 32
    EXPECT_EQ(eeprom.bytes[0x84 + 15 * 4 + 1], 1);  // key 37

    KonfigRecord read{};
    const uint16_t stale[4] = {9, 9, 9, 9};
    std::memcpy(read.DaempfungEingang, stale, sizeof stale);
    std::memcpy(read.DaempfungSender, stale, sizeof stale);
    read.FilterMittenfrequenz[2] = 1.0f;
    ASSERT_EQ(KARVO7GetKonfig(card, &read, &error), 1);
    EXPECT_EQ(read.DaempfungEingang[0], 5);
    EXPECT_EQ(read.DaempfungEingang[1], 0);
    EXPECT_EQ(read.DaempfungEingang[2], 0);
    EXPECT_EQ(read.DaempfungEingang[3], 0);
    EXPECT_EQ(read.FilterMittenfrequenz[0], 3.5f);
    EXPECT_EQ(read.FilterMittenfrequenz[2], 0.0f);
    // Stored with count 0: the caller's list stays.
    EXPECT_EQ(read.DaempfungSender[3], 9);
}

TEST_F(Konfig, VerificationFailureNamesAddressWrittenAndReadByte) {
    eeprom.bytes[0x80] = 0x33;
    eeprom.bytes[0x81] = 0x44;
    eeprom.onWrite = [](uint32_t address, uint8_t& value) {
        if (address == 0x90) {
            value ^= 0x0F;  // a cell that does not hold what it is given
        }
        return K7_ERROR_SUCCESS;
    };
    const KonfigRecord zero{};
    uint32_t error = 0;
    EXPECT_EQ(KARVO7PutKonfig(card, &zero, &error), 0);
    // 0x90 holds the key of the fourth entry, 4; it reads back as 0x0B.
    EXPECT_EQ(error, 0x0090040Bu);
    ASSERT_EQ(eeprom.writtenAddresses.size(), 13u);
    EXPECT_EQ(eeprom.writtenAddresses.back(), 0x90u);
    EXPECT_EQ(image(0x80, 0x82), (Bytes{0x33, 0x44}));
}

TEST_F(Konfig, PutKonfigChecksTheReadBackNotTheWriteStatus) {
    // A write the driver rejects but whose cell already holds the byte still verifies.
    eeprom.onWrite = [](uint32_t address, uint8_t&) {
        return address == 0x86 ? K7_ERROR_GEN_FAILURE : K7_ERROR_SUCCESS;
    };
    eeprom.bytes[0x86] = 0xD0;
    const KonfigRecord zero{};
    uint32_t error = 99;
    EXPECT_EQ(KARVO7PutKonfig(card, &zero, &error), 1);
    EXPECT_EQ(error, 0u);
}

TEST_F(Konfig, WithoutMemoryNothingIsWrittenOrRead) {
    const KonfigRecord zero{};
    uint32_t error = 0;
    {
        FailingAllocator noMemory;
        EXPECT_EQ(KARVO7PutKonfig(card, &zero, &error), 0);
        EXPECT_EQ(error, KARVO7_ERR_NO_MEMORY);
        KonfigRecord read{};
        error = 0;
        EXPECT_EQ(KARVO7GetKonfig(card, &read, &error), 0);
        EXPECT_EQ(error, KARVO7_ERR_NO_MEMORY);
    }
    EXPECT_TRUE(driver.requests().empty());
    {
        FailingAllocator statusOnly(1);  // the area buffer cannot be had
        KonfigRecord read{};
        error = 0;
        EXPECT_EQ(KARVO7GetKonfig(card, &read, &error), 0);
        EXPECT_EQ(error, KARVO7_ERR_NO_MEMORY);
    }
    EXPECT_EQ(requestCodes(), (std::vector<uint32_t>{req::kCardStatus}));
}

TEST_F(Konfig, DriverFailuresReportTheDriversWord) {
    KonfigRecord read{};
    uint32_t error = 0;
    driver.setErrorWord(0xE0000008u);
    driver.failRequest(req::kCardStatus);
    EXPECT_EQ(KARVO7GetKonfig(card, &read, &error), 0);
    EXPECT_EQ(error, 0xE0000008u);
    driver.setErrorWord(0xE0000006u);
    driver.failRequest(req::kReadKonfigArea);
    EXPECT_EQ(KARVO7GetKonfig(card, &read, &error), 0);
    EXPECT_EQ(error, 0xE0000006u);
}

TEST_F(Konfig, UnknownTypeFailsAfterFillingTheFieldsBeforeIt) {
    // Base 0x200; entries: key 17 (byte) at 0x20C, key 18 of type 6, key 19 (byte) at 0x20D.
    serveArea(14, 0x200, {17, 1, 0x0C, 0x22, 18, 1, 0x0D, 0x62, 19, 1, 0x0D, 0x22, 0x0A, 0x0B});
    KonfigRecord read{};
    uint32_t error = 0;
    EXPECT_EQ(KARVO7GetKonfig(card, &read, &error), 0);
    EXPECT_EQ(error, KARVO7_ERR_KONFIG_TYPE);
    EXPECT_EQ(read.AdcBits, 0x0A);
    EXPECT_EQ(read.DatenFifo, 0);
}

TEST_F(Konfig, HostileDirectoryStaysInsideAreaAndFields) {
    // The area is 12 bytes. Key 4 (10 characters) claims 255 characters from the area's
    // fifth byte on: only 8 lie inside, so 8 are taken, a terminator follows, and the walk
    // ends there; key 5 behind it is not decoded.
    serveArea(12, 0x84, {4, 255, 0x88, 0x10, 5, 3, 0x84, 0x10, 'X', 'Y', 'Z', 'W'});
    KonfigRecord read;
    std::memset(&read, 0x55, sizeof read);
    uint32_t error = 99;
    ASSERT_EQ(KARVO7GetKonfig(card, &read, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(std::string(read.LcaVersion, 9), std::string("\x05\x03\x84\x10XYZW\0", 9));
    EXPECT_EQ(static_cast<uint8_t>(read.LcaVersion[9]), 0x55);
    EXPECT_EQ(static_cast<uint8_t>(read.Programmversion[0]), 0x55);

    // An entry whose data starts beyond the area ends the walk without touching the field.
    serveArea(8, 0x84, {17, 1, 0xFF, 0x2F, 18, 1, 0x84, 0x20});
    ASSERT_EQ(KARVO7GetKonfig(card, &read, &error), 1);
    EXPECT_EQ(read.AdcBits, 0x55);
    EXPECT_EQ(read.AufnahmeFifo, 0x55);
}

}  // namespace
