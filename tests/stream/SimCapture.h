// Captures from simulated cards for the decoder's tests: single shots in every record type,
// continuous gate results in both layouts, and the samples each shot must decode to.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "SimFixture.h"

namespace streamtest {

using simtest::Bytes;
using simtest::SetRecord;

class StreamSim : public simtest::SimTest {
  protected:
    Bytes shot(KARVO7HANDLE h) { return simtest::shot(h); }

    // The set's HF samples as the native layout delivers them (16 bits, A-scan off).
    std::vector<int16_t> nativeHf(KARVO7HANDLE h, SetRecord r) {
        r.measure.Bit8 = 0;
        r.measure.ASCAN = 0;
        EXPECT_TRUE(simtest::prepare(h, 0, r));
        return simtest::samples16(shot(h), 3200);
    }

    struct Shots {
        Bytes stream;                                // the shots one after the other
        std::vector<Bytes> shots;                    // each shot's buffer
        std::vector<std::vector<int16_t>> expected;  // the HF samples each shot carries
        std::vector<std::size_t> counts;             // samples each shot recorded
    };

    // Record-layout shots of set 0 (identification -10): HF and A-scan (factor 1, no
    // rectification, so the HF samples), 16 and 8 bits (packed), each recorded length given.
    Shots recordShots(KARVO7HANDLE h, const std::vector<uint16_t>& lengths) {
        const SetRecord base = simtest::defaultSet();
        const std::vector<int16_t> hf = nativeHf(h, base);
        uint32_t error = 0;
        EXPECT_EQ(KARVO7SetVIRMA4(h, 0, -10, &error), 1);
        Shots out;
        for (const uint16_t length : lengths) {
            for (const bool ascan : {false, true}) {
                for (const bool eightBit : {false, true}) {
                    SetRecord r = base;
                    r.measure.ASCAN = ascan ? 1 : 0;
                    r.measure.Bit8 = eightBit ? 1 : 0;
                    r.measure.Aufnahmelaenge = length;
                    EXPECT_TRUE(simtest::prepare(h, 0, r));
                    const Bytes data = shot(h);
                    out.stream.insert(out.stream.end(), data.begin(), data.end());
                    out.shots.push_back(data);
                    // An 8-bit HF record keeps the upper byte; a packed A-scan 12 bits.
                    const uint16_t mask =
                        static_cast<uint16_t>(eightBit ? (ascan ? 0xFFF0 : 0xFF00) : 0xFFFF);
                    std::vector<int16_t> expected(length);
                    for (std::size_t i = 0; i < length; ++i) {
                        expected[i] = static_cast<int16_t>(hf[i] & mask);
                    }
                    out.expected.push_back(expected);
                    out.counts.push_back(length);
                }
            }
        }
        return out;
    }

    // Continuous gate results of sets 1 and 3 (record layout: identifications -11 and -13;
    // native: compact entries).
    Bytes gateResults(KARVO7HANDLE h, bool recordLayout) {
        uint32_t error = 0;
        const SetRecord r = simtest::defaultSet();
        for (uint32_t set : {1u, 3u}) {
            EXPECT_TRUE(simtest::prepare(h, set, r));
            if (recordLayout) {
                EXPECT_EQ(KARVO7SetVIRMA4(h, set, static_cast<int16_t>(-(10 + set)), &error), 1);
            }
        }
        EXPECT_EQ(KARVO7ActiveParam(h, 0, 1, 0, 1, 0, 0, 0, 0, &error), 1);
        EXPECT_EQ(KARVO7StartParam(h, 3, &error), 1);
        clock.advance(1);
        Bytes results(131072);
        uint32_t count = 131072;
        EXPECT_EQ(KARVO7GetResults(h, 0, &count, results.data(), &error), 1);
        EXPECT_EQ(KARVO7Stop(h, &error), 1);
        results.resize(count);
        return results;
    }
};

}  // namespace streamtest
