// Reset, warm-up, firmware download, raw commands, transfer mode and the sibling-card
// identification, as the driver sees them.
#include <gtest/gtest.h>

#include <numeric>

#include "LowLevelFixture.h"

using namespace k7test;

namespace {

using CardControl = CardTest;

TEST_F(CardControl, ResetIsSentWithoutBuffersAndAlwaysSucceeds) {
    openCard();
    EXPECT_EQ(KARVO7ResetCard(card), 1);
    driver.failRequest(req::kReset);
    EXPECT_EQ(KARVO7ResetCard(card), 1);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 2u);
    for (const auto& request : r) {
        EXPECT_EQ(request.code, req::kReset);
        EXPECT_TRUE(request.input.empty());
        EXPECT_EQ(request.outputSize, 0u);
    }
}

TEST_F(CardControl, IsResetedReportsTheDriversFlag) {
    openCard();
    driver.answer(req::kResetFinished, words({0}));
    EXPECT_EQ(KARVO7IsReseted(card), 0);
    driver.answer(req::kResetFinished, words({0x100}));
    EXPECT_EQ(KARVO7IsReseted(card), 1);
    driver.failRequest(req::kResetFinished);
    EXPECT_EQ(KARVO7IsReseted(card), 0);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].code, req::kResetFinished);
    EXPECT_EQ(r[0].outputSize, 4u);
}

// The transmitter words of warm-up: energy 1 (0x4801), input attenuation 1 (0x4C01), filter 0.
const std::vector<Command> kWarmUpTransmitter = {
    {0x4801, 1, {0x0001}}, {0x4C01, 1, {0x0004}}, {0x5401, 1, {0}}};

TEST_F(CardControl, WarmUpOnAVersion3CardSelectsSet0) {
    openCard(true);
    uint32_t error = 99;
    ASSERT_EQ(KARVO7WarmUp(card, &error), 1);
    EXPECT_EQ(error, 0u);
    // The driver's pending error is collected first.
    ASSERT_FALSE(driver.requests().empty());
    EXPECT_EQ(driver.requests()[0].code, req::kLastError);
    std::vector<Command> expected = {
        {0x0C00, 0, {}}, {0x1800, 0, {}}, {0x2001, 1, {0}}, {0x1000, 0, {}}, {0x2001, 1, {0}}};
    expected.insert(expected.end(), kWarmUpTransmitter.begin(), kWarmUpTransmitter.end());
    EXPECT_EQ(commands(), expected);
}

TEST_F(CardControl, WarmUpOnAnOlderCardSendsNoSetSelection) {
    openCard(false);
    uint32_t error = 99;
    ASSERT_EQ(KARVO7WarmUp(card, &error), 1);
    EXPECT_EQ(error, 0u);
    std::vector<Command> expected = {{0x0C00, 0, {}}, {0x1800, 0, {}}, {0x1000, 0, {}}};
    expected.insert(expected.end(), kWarmUpTransmitter.begin(), kWarmUpTransmitter.end());
    EXPECT_EQ(commands(), expected);
}

TEST_F(CardControl, WarmUpStopsAtTheFailingStepWithTheDriversWord) {
    openCard(true);
    // Command index that fails -> the commands that were sent, the failing one included.
    const uint16_t sequence[] = {0x0C00, 0x1800, 0x2001, 0x1000, 0x2001, 0x4801, 0x4C01, 0x5401};
    for (int failing = 0; failing < 8; ++failing) {
        SCOPED_TRACE(failing);
        driver.clearRecords();
        driver.setErrorWord(0xE0000100u + static_cast<uint32_t>(failing));
        driver.failNthCommand(failing);
        uint32_t error = 0;
        EXPECT_EQ(KARVO7WarmUp(card, &error), 0);
        EXPECT_EQ(error, 0xE0000100u + static_cast<uint32_t>(failing));
        const auto sent = commands();
        ASSERT_EQ(sent.size(), static_cast<size_t>(failing) + 1);
        EXPECT_EQ(sent.back().code, sequence[failing]);
    }
}

TEST_F(CardControl, WarmUpWithoutMemoryReportsTheBufferCode) {
    openCard();
    FailingAllocator noMemory;
    uint32_t error = 0;
    EXPECT_EQ(KARVO7WarmUp(card, &error), 0);
    EXPECT_EQ(error, KARVO7_ERR_NO_MEMORY);
    EXPECT_TRUE(driver.requests().empty());
}

TEST_F(CardControl, LoadPromWritesWholeBlocksOfTheImage) {
    openCard();
    std::vector<uint8_t> image(3 * 128 + 5);
    std::iota(image.begin(), image.end(), uint8_t{7});
    uint32_t error = 99;
    // Only the low 8 bits of the block count count: 0x103 is 3 blocks.
    ASSERT_EQ(KARVO7LoadProm(card, 0x103, image.data(), &error), 1);
    EXPECT_EQ(error, 0u);
    ASSERT_EQ(KARVO7LoadProm(card, 0, image.data(), &error), 1);
    const auto t = driver.transfers();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_TRUE(t[0].write);
    EXPECT_EQ(t[0].size, 384u);
    EXPECT_EQ(t[0].data, Bytes(image.begin(), image.begin() + 384));
    EXPECT_TRUE(t[1].write);
    EXPECT_EQ(t[1].size, 0u);
    EXPECT_TRUE(driver.requests().empty());
}

TEST_F(CardControl, LoadPromFailureReportsTheDriversWord) {
    openCard();
    std::vector<uint8_t> image(128, 0xAA);
    driver.setErrorWord(0xE0004242u);
    driver.scriptRead({ReadScript::Mode::FailNow, {}, K7_ERROR_GEN_FAILURE});
    uint32_t error = 0;
    EXPECT_EQ(KARVO7LoadProm(card, 1, image.data(), &error), 0);
    EXPECT_EQ(error, 0xE0004242u);
}

TEST_F(CardControl, CommandSendsTheCallersBlockByteExact) {
    openCard();
    const uint32_t data[8] = {0x11223344u, 0x55667788u, 3, 4, 5, 6, 7, 0xFFFFFFFFu};
    uint32_t error = 99;
    ASSERT_EQ(KARVO7Command(card, 0x5C02, 2, data, &error), 1);
    EXPECT_EQ(error, 0u);
    ASSERT_EQ(KARVO7Command(card, 0x0400, 0, nullptr, &error), 1);
    ASSERT_EQ(KARVO7Command(card, 0xFC08, 8, data, &error), 1);
    const auto blocks = driver.commandBlocks();
    ASSERT_EQ(blocks.size(), 3u);
    Bytes first(36, 0);
    const uint8_t head[] = {0x02, 0x5C, 2, 0, 0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55};
    std::copy(std::begin(head), std::end(head), first.begin());
    EXPECT_EQ(blocks[0], first);
    Bytes empty(36, 0);
    empty[1] = 0x04;
    EXPECT_EQ(blocks[1], empty);
    EXPECT_EQ(decodeCommand(blocks[2]),
              (Command{0xFC08, 8, {0x11223344u, 0x55667788u, 3, 4, 5, 6, 7, 0xFFFFFFFFu}}));
}

TEST_F(CardControl, CommandWithMoreThanEightWordsIsRefusedUnsent) {
    openCard();
    const uint32_t data[9] = {};
    uint32_t error = 0;
    EXPECT_EQ(KARVO7Command(card, 0x2409, 9, data, &error), 0);
    EXPECT_EQ(error, KARVO7_ERR_COMMAND_COUNT);
    EXPECT_EQ(KARVO7Command(card, 0x24FF, 255, data, &error), 0);
    EXPECT_EQ(error, KARVO7_ERR_COMMAND_COUNT);
    EXPECT_TRUE(driver.requests().empty());
}

TEST_F(CardControl, CommandFailuresReportDriverWordOrBufferCode) {
    openCard();
    driver.setErrorWord(0xE00000C1u);
    driver.failRequest(req::kCommand);
    uint32_t error = 0;
    EXPECT_EQ(KARVO7Command(card, 0x0800, 0, nullptr, &error), 0);
    EXPECT_EQ(error, 0xE00000C1u);
    driver.clearRecords();
    {
        FailingAllocator noMemory;
        EXPECT_EQ(KARVO7Command(card, 0x0800, 0, nullptr, &error), 0);
        EXPECT_EQ(error, KARVO7_ERR_NO_MEMORY);
    }
    EXPECT_TRUE(driver.requests().empty());
}

TEST_F(CardControl, SetModeSendsTheModeByte) {
    openCard();
    uint32_t error = 99;
    ASSERT_EQ(KARVO7SetMode(card, 1, &error), 1);
    EXPECT_EQ(error, 0u);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].code, req::kTransferMode);
    EXPECT_EQ(r[0].input, Bytes{1});
    EXPECT_EQ(r[0].outputSize, 0u);
    driver.setErrorWord(0xE0000777u);
    driver.failRequest(req::kTransferMode);
    EXPECT_EQ(KARVO7SetMode(card, 0, &error), 0);
    EXPECT_EQ(error, 0xE0000777u);
}

TEST_F(CardControl, SetVIRMA4SelectsTheSetAndSendsThe16BitIdentification) {
    openCard(false);  // the set is selected on every card
    uint32_t error = 99;
    ASSERT_EQ(KARVO7SetVIRMA4(card, 0x103, -11, &error), 1);
    EXPECT_EQ(error, 0u);
    ASSERT_EQ(KARVO7SetVIRMA4(card, 5, 0, &error), 1);
    EXPECT_EQ(commands(),
              (std::vector<Command>{
                  {0x2001, 1, {3}}, {0x3001, 1, {0xFFF5}}, {0x2001, 1, {5}}, {0x3001, 1, {0}}}));
}

TEST_F(CardControl, SetVIRMA4StopsWhenTheSetSelectionFails) {
    openCard();
    driver.setErrorWord(0xE0002001u);
    driver.failNthCommand(0);
    uint32_t error = 0;
    EXPECT_EQ(KARVO7SetVIRMA4(card, 2, -23, &error), 0);
    EXPECT_EQ(error, 0xE0002001u);
    EXPECT_EQ(commands(), (std::vector<Command>{{0x2001, 1, {2}}}));
}

TEST(CardControlHandles, CheckedOperationsRefuseNullAndForeignHandles) {
    RecordingDriver driver;
    ScopedDriver installed(driver);
    for (KARVO7HANDLE h : {static_cast<KARVO7HANDLE>(nullptr), foreignHandle()}) {
        uint32_t error = 77;
        K7OsSetLastError(0);
        EXPECT_EQ(KARVO7ResetCard(h), 0);
        EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_HANDLE);
        EXPECT_EQ(KARVO7IsReseted(h), 0);
        EXPECT_EQ(KARVO7WarmUp(h, &error), 0);
        EXPECT_EQ(error, 0u);
        error = 77;
        EXPECT_EQ(KARVO7SetMode(h, 1, &error), 0);
        EXPECT_EQ(error, 0u);
        error = 77;
        EXPECT_EQ(KARVO7SetVIRMA4(h, 0, -1, &error), 0);
        EXPECT_EQ(error, 0u);
        error = 77;
        KonfigRecord record{};
        EXPECT_EQ(KARVO7GetKonfig(h, &record, &error), 0);
        EXPECT_EQ(error, 0u);
        error = 77;
        ADCValues values{};
        EXPECT_EQ(KARVO7GetADC(h, &values, &error), 0);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_HANDLE);
    }
    EXPECT_TRUE(driver.requests().empty());
}

}  // namespace
