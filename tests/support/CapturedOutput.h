// The card library prints diagnostic lines on standard output ("Ja gut OK installiert !!" as a
// card opens, "Das war wohl nix !!" when it does not). Tests take them off the test log:
// CapturedOutput around the lines a test asserts, QuietTest for tests that only need them out
// of the way.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

namespace k7test {

// Standard output (file descriptor 1, so whatever C or C++ code prints there) goes into a
// temporary file from construction until text() or destruction. Should the test fail meanwhile,
// what was captured (the test framework's failure messages among it) is printed after all.
class CapturedOutput {
  public:
    CapturedOutput();
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    // Ends the capture and returns everything printed during it.
    std::string text();

  private:
    void restore();

    int savedOutput_ = -1;
    std::FILE* file_ = nullptr;
    bool failedBefore_ = false;
    std::string text_;
};

// A test whose standard output is captured from SetUp to TearDown.
class QuietTest : public ::testing::Test {
  protected:
    void SetUp() override { output_.emplace(); }
    void TearDown() override { output_.reset(); }

  private:
    std::optional<CapturedOutput> output_;
};

}  // namespace k7test
