// Devices that answer badly: one that exists but fails every request, one that answers with
// fewer bytes than asked. Clear errors, no hang, and nothing read or written outside a buffer.
#include <algorithm>
#include <iterator>

#include "DevicePath.h"

using namespace devpath;

namespace {

TEST_F(DevicePath, ADeviceThatFailsEveryRequestGivesFailuresNotHangs) {
    KARVO7HANDLE h = open(kFailingDevice);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(KARVO7IsVersion3(h), 0);  // its flag could not be read
    uint32_t bus = 7, slot = 7, error = 1;
    EXPECT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 0);
    EXPECT_EQ(bus, 0u);
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(error, 0u);  // the driver's word could not be had either
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
    Bytes data(256, 0xCC);
    uint32_t count = static_cast<uint32_t>(data.size());
    EXPECT_EQ(KARVO7GetData(h, &count, data.data(), &error), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(data, Bytes(256, 0xCC));
    count = static_cast<uint32_t>(data.size());
    EXPECT_EQ(KARVO7StartGetData(h, &count, data.data(), nullptr, &error), 0);
    const Bytes image(128, 1);
    EXPECT_EQ(KARVO7LoadProm(h, 1, image.data(), &error), 0);
    // The closing command fails; the handle is released all the same.
    EXPECT_EQ(close(h), 0);
}

TEST_F(DevicePath, ShortAnswersAreTakenAsFarAsTheyGoAndNoFurther) {
    KARVO7HANDLE h = open(kShortDevice);
    ASSERT_NE(h, nullptr);
    // A read gives the bytes the driver delivered; the rest of the buffer stays as it was.
    Bytes data(256, 0xCC);
    uint32_t count = static_cast<uint32_t>(data.size()), error = 1;
    ASSERT_EQ(KARVO7GetData(h, &count, data.data(), &error), 1);
    EXPECT_EQ(count, 128u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 128), Bytes(128, kShortFill));
    EXPECT_EQ(Bytes(data.begin() + 128, data.end()), Bytes(128, 0xCC));
    // A request answered with half its bytes: the half that came, the other half zero.
    uint32_t bus = 7, slot = 7;
    ASSERT_EQ(KARVO7GetCardPosition(h, &bus, &slot, &error), 1);
    EXPECT_EQ(bus, 0x5A5A5A5Au);
    EXPECT_EQ(slot, 0u);
    uint8_t configuration[256 + 16];
    std::fill(std::begin(configuration), std::end(configuration), uint8_t{0xCC});
    ASSERT_EQ(KARVO7ReadConfigData(h, configuration), 1);
    EXPECT_EQ(configuration[127], kShortFill);
    EXPECT_EQ(configuration[255 + 1], 0xCC);  // nothing beyond the 256 bytes
    KonfigRecord record{};
    KARVO7GetKonfig(h, &record, &error);  // whatever it makes of it, it returns
    EXPECT_EQ(close(h), 1);
}

}  // namespace
