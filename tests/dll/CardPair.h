// Two open cards on a recording driver: card 1 is a version-3 card, card 2 is not. The
// diagnostic lines of opening and closing are swallowed.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "CapturedOutput.h"
#include "KARVO7DLL.h"
#include "RecordingDriver.h"
#include "TestClock.h"

namespace k7test::cards {

constexpr uint32_t kDriverWord = 0xE0000042u;

class CardPair : public QuietTest {
  protected:
    void SetUp() override {
        driver.setDevices({{1, true}, {2, false}});
        driver.setErrorWord(kDriverWord);
        installed.emplace(driver);
        QuietTest::SetUp();
        v3 = KARVO7Open(1);
        other = KARVO7Open(2);
        ASSERT_NE(v3, nullptr);
        ASSERT_NE(other, nullptr);
        driver.clearRecords();
    }

    void TearDown() override {
        K7OsSetAllocator(nullptr);
        KARVO7Close(v3);
        KARVO7Close(other);
        installed.reset();
        QuietTest::TearDown();
    }

    std::vector<Command> sent() const { return decodeCommands(driver.commandBlocks()); }

    // Codes of every request since the last clearRecords, in order.
    std::vector<uint32_t> requestCodes() const {
        std::vector<uint32_t> codes;
        for (const auto& r : driver.requests()) {
            codes.push_back(r.code);
        }
        return codes;
    }

    RecordingDriver driver;
    std::optional<ScopedDriver> installed;
    KARVO7HANDLE v3 = nullptr;
    KARVO7HANDLE other = nullptr;
};

// A record no handle ever is: the handle check must refuse it.
struct ForeignHandle {
    uint64_t words[16] = {};
    KARVO7HANDLE handle() { return reinterpret_cast<KARVO7HANDLE>(this); }
};

}  // namespace k7test::cards
