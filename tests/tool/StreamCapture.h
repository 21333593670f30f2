// What the stream tests read from a capture, and their fixture: simulated cards of a folder of
// the test's own.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "KARVO7Stream.h"
#include "ToolProcess.h"
#include "stream/DisplayReaders.h"

namespace tooltest {

namespace stream = k7check::stream;

// Where the records of a capture start: behind its header, which says they are in the record
// layout. 0 (and a test failure) for a capture without a header.
inline std::size_t recordsStart(const std::string& bytes) {
    KARVO7StreamCapture capture{};
    capture.struct_size = sizeof capture;
    EXPECT_EQ(KARVO7StreamReadCapture(bytes.data(), bytes.size(), &capture), KARVO7STREAM_OK);
    EXPECT_EQ(capture.layout, KARVO7STREAM_LAYOUT_RECORD);
    return capture.header_size;
}

// The records of a capture in the record layout, walked by their headers; false when the bytes
// do not end with a whole record.
inline bool wholeRecords(const std::string& bytes, std::size_t& records, std::size_t samples) {
    records = 0;
    std::size_t at = recordsStart(bytes);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    while (at < bytes.size()) {
        const auto header = stream::readHeader(stream::Bytes(data + at, bytes.size() - at));
        if (!header || header->length != stream::kHeaderBytes + 2 * samples) {
            return false;
        }
        at += (header->prefixed ? stream::kPrefixBytes : 0) + header->length;
        if (at > bytes.size()) {
            return false;
        }
        ++records;
    }
    return true;
}

// Streams that are not about lost shots run at 2 kHz, a rate a loaded machine (or one running
// the sanitizers) keeps up with; the card's full rate is the benchmarks' to measure.
inline constexpr const char* kRate = "--shot-rate";
inline constexpr const char* kMargin = "2000";

class StreamProcessTest : public ::testing::Test {
  protected:
    TempFolder folder;
    std::string config = simConfig(folder);
};

}  // namespace tooltest
