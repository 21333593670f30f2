// Card registers and the PCI configuration space through the driver's requests.
#include <gtest/gtest.h>

#include <cstring>

#include "LowLevelFixture.h"

using namespace k7test;

namespace {

using Registers = CardTest;

TEST_F(Registers, ReadSendsAddressAndZeroAndReturnsTheSecondWord) {
    openCard();
    driver.handle(req::kReadRegister,
                  [](const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                     uint32_t* returned) -> uint32_t {
                      EXPECT_EQ(inSize, 8u);
                      EXPECT_EQ(outSize, 8u);
                      uint32_t address;
                      std::memcpy(&address, in, 4);
                      const Bytes answer = words({address, address * 2 + 1});
                      std::memcpy(out, answer.data(), 8);
                      *returned = 8;
                      return K7_ERROR_SUCCESS;
                  });
    EXPECT_EQ(KARVO7ReadRegister(card, 1536), 3073u);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].input, words({1536, 0}));
    // A failed read reads as 0.
    driver.failRequest(req::kReadRegister);
    EXPECT_EQ(KARVO7ReadRegister(card, 1024), 0u);
}

TEST_F(Registers, WriteSendsAddressAndValueWithAnOutputOfEightBytes) {
    openCard();
    EXPECT_EQ(KARVO7WriteRegister(card, 1030, 0xBEEF), 1);
    driver.failRequest(req::kWriteRegister);
    EXPECT_EQ(KARVO7WriteRegister(card, 1031, 1), 0);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].code, req::kWriteRegister);
    EXPECT_EQ(r[0].input, words({1030, 0xBEEF}));
    EXPECT_EQ(r[0].outputSize, 8u);
    EXPECT_EQ(r[1].input, words({1031, 1}));
}

TEST_F(Registers, RegisterAccessWithoutMemoryFailsQuietly) {
    openCard();
    FailingAllocator noMemory;
    EXPECT_EQ(KARVO7ReadRegister(card, 1), 0u);
    EXPECT_EQ(KARVO7WriteRegister(card, 1, 2), 0);
    EXPECT_TRUE(driver.requests().empty());
}

TEST_F(Registers, ConfigurationSpaceTravelsAs256Bytes) {
    openCard();
    Bytes space(256);
    for (size_t i = 0; i < space.size(); ++i) {
        space[i] = static_cast<uint8_t>(255 - i);
    }
    driver.answer(req::kReadPciConfig, space);
    uint8_t read[256] = {};
    ASSERT_EQ(KARVO7ReadConfigData(card, read), 1);
    EXPECT_EQ(Bytes(read, read + 256), space);

    ASSERT_EQ(KARVO7WriteConfigData(card, space.data()), 1);
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].code, req::kReadPciConfig);
    EXPECT_EQ(r[0].outputSize, 256u);
    EXPECT_EQ(r[1].code, req::kWritePciConfig);
    EXPECT_EQ(r[1].input, space);
    EXPECT_EQ(r[1].outputSize, 0u);

    driver.failRequest(req::kReadPciConfig);
    EXPECT_EQ(KARVO7ReadConfigData(card, read), 0);
    driver.failRequest(req::kWritePciConfig);
    EXPECT_EQ(KARVO7WriteConfigData(card, space.data()), 0);
}

}  // namespace
