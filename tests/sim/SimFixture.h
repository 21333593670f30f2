// Shared ground of the simulated-card tests: a virtual clock (time moves only when a test or a
// library pause moves it), simulated cards installed as the library's driver, and decoders of
// the card's data layouts written from the layout tables, independent of the simulator.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "KARVO7Sim.h"
#include "TestClock.h"

namespace simtest {

using Bytes = std::vector<uint8_t>;

using k7test::VirtualClock;

// A folder of lock files for this test program, removed when it ends, so that parallel test
// programs do not share their cards.
inline const std::string& lockFolder() {
    static const std::string folder = [] {
        std::error_code ignored;
        const std::filesystem::path base = std::filesystem::temp_directory_path(ignored);
        std::random_device random;
        std::filesystem::path path;
        do {
            path = base / ("karvo7sim-locks-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path, ignored) && !ignored);
        static const auto owner = ::getpid();
        static std::string removed;
        removed = ignored ? base.string() : path.string();
        std::atexit([] {
            // Not in a child that a test forked: the folder is the parent's.
            if (::getpid() == owner && !removed.empty()) {
                std::error_code ignoredToo;
                std::filesystem::remove_all(removed, ignoredToo);
            }
        });
        return removed;
    }();
    return folder;
}

// A configuration for tests: nothing persists, no worker thread, noise off. Single shots and
// bus transfers do not wait for the clock, so that blocking reads in a test whose clock stands
// still complete (the tests of pacing and bus sharing turn both on).
inline k7sim::Config testConfig(uint32_t cards = 2) {
    k7sim::Config c = k7sim::Config::defaults(cards);
    c.persist = false;
    c.worker = false;
    c.singleShotsWait = false;
    c.busMbPerSecond = 0;
    c.lockDir = lockFolder();
    c.instance = "test";
    for (auto& card : c.cards) {
        card.specimen.noise = 0.0;
    }
    return c;
}

// Cards installed as the library's driver.
class SimTest : public ::testing::Test {
  protected:
    void start(const k7sim::Config& config) {
        sim = std::make_unique<k7sim::Simulator>(config);
        ASSERT_TRUE(sim->install());
    }
    void SetUp() override { start(testConfig()); }
    void TearDown() override {
        for (auto* h : handles) {
            KARVO7Close(h);
        }
        handles.clear();
        sim.reset();
    }
    KARVO7HANDLE open(uint32_t number) {
        KARVO7HANDLE h = KARVO7Open(number);
        if (h != nullptr) {
            handles.push_back(h);
        }
        return h;
    }
    void close(KARVO7HANDLE h) {
        std::erase(handles, h);
        KARVO7Close(h);
    }
    // Opens card `number` and brings it up as the check program does.
    KARVO7HANDLE warm(uint32_t number = 1) {
        KARVO7HANDLE h = open(number);
        EXPECT_NE(h, nullptr);
        uint32_t error = 1;
        EXPECT_EQ(KARVO7WarmUp(h, &error), 1);
        EXPECT_EQ(error, 0u);
        return h;
    }

    VirtualClock clock{1000};
    std::unique_ptr<k7sim::Simulator> sim;
    std::vector<KARVO7HANDLE> handles;
};

// The parameter set the check program hands a card by default: 40 MHz, 1600 samples, HF,
// single shot, 20 dB, transmit energy 0, gates B1 to B4 enabled.
struct SetRecord {
    MeasureParams measure{};
    SpecialParams special{};
    uint32_t gain = 200;
    GateParams gates{};
};

inline SetRecord defaultSet() {
    SetRecord r;
    r.measure.Samplerate = 1;
    r.measure.Start = 1;
    r.measure.Aufnahmelaenge = 1600;
    r.measure.Faktor = 1;
    r.measure.TAStuetzstellen = 1;
    r.special.Sendeenergie = 0;
    r.special.Eingangsdaempfung = 0;
    r.special.Filter = 3;
    const uint32_t anfang[5] = {300, 300, 600, 800, 1100};
    const uint32_t ende[5] = {400, 400, 800, 1000, 1400};
    for (int g = 0; g < 5; ++g) {
        r.gates.Gate[g] = {anfang[g], ende[g], g == 0 ? 30u * 16 : 50u * 16};
        r.gates.Enables.Enable[g] = g == 0 ? 0 : 1;
    }
    return r;
}

inline bool prepare(KARVO7HANDLE h, uint32_t set, const SetRecord& r) {
    uint32_t error = 0;
    const int ok = KARVO7PrepAllGatesParam(h, set, r.measure, r.special, r.gain, r.gates, &error);
    EXPECT_EQ(error, 0u);
    return ok == 1;
}

// ---- decoders of the data layouts ------------------------------------------------------------

// Starts one shot and reads the data the card delivers for it.
inline Bytes shot(KARVO7HANDLE h) {
    uint32_t error = 1;
    EXPECT_EQ(KARVO7Start(h, &error), 1);
    Bytes buffer(131072);
    uint32_t count = 131072;
    EXPECT_EQ(KARVO7GetData(h, &count, buffer.data(), &error), 1);
    EXPECT_EQ(error, 0u);
    buffer.resize(count);
    return buffer;
}

inline uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(le16(p)) | static_cast<uint32_t>(le16(p + 2)) << 16;
}

inline std::vector<int16_t> samples16(const Bytes& b, size_t n) {
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < n; i += 2) {
        out.push_back(static_cast<int16_t>(le16(&b[i])));
    }
    return out;
}

struct CompactEntry {
    uint32_t d = 0, esAmplitude = 0;
    uint32_t t[5] = {}, v[5] = {};
    bool marker[5] = {}, present[5] = {};
};

inline CompactEntry compact(const uint8_t* p) {
    CompactEntry e;
    const uint32_t es = le32(p);
    e.d = es & 0xFFFFF;
    e.esAmplitude = es >> 22;
    for (int k = 0; k < 5; ++k) {
        const uint32_t w = le32(p + 4 + 4 * k);
        e.t[k] = w & 0xFFFFF;
        e.marker[k] = (w & 0x100000) != 0;
        e.present[k] = (w & 0x200000) != 0;
        e.v[k] = w >> 22;
    }
    return e;
}

struct Record {
    bool prefixed = false;
    uint32_t zeit = 0;
    uint8_t type = 0;
    uint32_t length = 0;
    int16_t kennung = 0;
    size_t offset = 0;  // of the header
};

inline Record header(const Bytes& b, size_t p) {
    Record r;
    if (b[p] == 0xFF) {
        r.prefixed = true;
        r.zeit = le32(&b[p + 4]);
        p += 8;
    }
    const uint32_t w = le32(&b[p]);
    r.type = static_cast<uint8_t>(w & 0xFF);
    r.length = w >> 8;
    r.kennung = static_cast<int16_t>(le16(&b[p + 4]));
    r.offset = p;
    return r;
}

// Unpacks a type 0x10 payload of `words` 16-bit words by the unpacking table.
inline std::vector<uint16_t> unpack12(const uint8_t* payload, size_t words) {
    std::vector<uint16_t> out;
    auto w = [&](size_t i) { return i < words ? le16(payload + 2 * i) : uint16_t{0}; };
    size_t i = 0;
    for (size_t k = 0; i < words; ++k) {
        switch (k % 4) {
            case 0:
                out.push_back(static_cast<uint16_t>(w(i) * 16));
                break;
            case 1:
                out.push_back(
                    static_cast<uint16_t>(((w(i + 1) * 256) & 0xFF00) + ((w(i) >> 8) & 0xF0)));
                ++i;
                break;
            case 2:
                out.push_back(
                    static_cast<uint16_t>(((w(i + 1) * 4096) & 0xF000) + ((w(i) >> 4) & 0x0FF0)));
                ++i;
                break;
            default:
                out.push_back(static_cast<uint16_t>(w(i) & 0xFFF0));
                ++i;
                break;
        }
    }
    return out;
}

// Sample index of the largest magnitude in [from, to).
inline size_t peakIndex(const std::vector<int16_t>& s, size_t from, size_t to) {
    size_t best = from;
    for (size_t i = from; i < to && i < s.size(); ++i) {
        if (std::abs(s[i]) > std::abs(s[best])) {
            best = i;
        }
    }
    return best;
}

}  // namespace simtest
