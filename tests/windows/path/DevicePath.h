// Shared ground of the device-path tests: the cards are the Wine test driver's, reached through
// kernel32 (no hosted driver in this process), and every handle a test opens is closed after it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "KARVO7DLL.h"
#include "SimFixture.h"  // the default parameter set

namespace devpath {

using Bytes = std::vector<uint8_t>;

// The cards the test driver publishes (its configuration).
constexpr int kCards = K7WINE_CARDS;
// Devices of the test driver outside the scan: one fails every request, one answers every
// request and transfer with half the bytes asked for (each byte 0x5A).
constexpr uint32_t kFailingDevice = 200;
constexpr uint32_t kShortDevice = 201;
constexpr uint8_t kShortFill = 0x5A;

// Wine says so through ntdll's wine_get_version.
inline bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class DevicePath : public ::testing::Test {
  protected:
    void SetUp() override {
        // The device path is the one without a hosted driver: none may be named here.
        ASSERT_EQ(GetEnvironmentVariableW(L"KARVO7_SIM", nullptr, 0), 0u);
        ASSERT_EQ(GetEnvironmentVariableW(L"KARVO7_DRIVER", nullptr, 0), 0u);
    }
    void TearDown() override {
        for (KARVO7HANDLE h : handles) {
            KARVO7Close(h);
        }
    }
    KARVO7HANDLE open(uint32_t number) {
        KARVO7HANDLE h = KARVO7Open(number);
        if (h != nullptr) {
            handles.push_back(h);
        }
        return h;
    }
    // Closed by the test itself (its result is asserted).
    int close(KARVO7HANDLE h) {
        std::erase(handles, h);
        return KARVO7Close(h);
    }
    KARVO7HANDLE warm(uint32_t number = 1) {
        KARVO7HANDLE h = open(number);
        EXPECT_NE(h, nullptr);
        uint32_t error = 1;
        EXPECT_EQ(KARVO7WarmUp(h, &error), 1);
        EXPECT_EQ(error, 0u);
        return h;
    }

    std::vector<KARVO7HANDLE> handles;
};

// The parameter set the check program hands a card by default, as set 0.
inline bool prepareDefaultSet(KARVO7HANDLE h) {
    return simtest::prepare(h, 0, simtest::defaultSet());
}

// One shot's bytes: 1600 samples of 16 bits.
constexpr uint32_t kShotBytes = 3200;

}  // namespace devpath
