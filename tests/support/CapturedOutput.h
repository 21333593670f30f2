// The card library says in diagnostic lines when a card opens or closes ("Ja gut OK installiert
// !!" as a card opens, "Das war wohl nix !!" when it does not), by default on standard output.
// Tests take them off the test log through the library's log: CapturedOutput around the lines a
// test asserts, QuietTest for tests that only need them out of the way.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <string>

namespace k7test {

// The library's lines, each ended by a line feed as standard output would show them, are
// collected from construction until text() or destruction (from any thread). Should the test
// fail meanwhile, what was collected is printed after all. Captures nest: the inner one hands
// the lines back to the outer one when it ends.
class CapturedOutput {
  public:
    CapturedOutput();
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    // Ends the capture and returns every line collected during it.
    std::string text();

  private:
    static void collect(void* context, uint32_t level, const char* line);
    void install();
    void restore();

    CapturedOutput* outer_ = nullptr;
    bool active_ = true;
    bool failedBefore_ = false;
    std::mutex mutex_;
    std::string text_;
};

// A test whose library lines are captured from SetUp to TearDown.
class QuietTest : public ::testing::Test {
  protected:
    void SetUp() override { output_.emplace(); }
    void TearDown() override { output_.reset(); }

  private:
    std::optional<CapturedOutput> output_;
};

}  // namespace k7test
