// `karvo7 decode`: CSV and JSON lines for every item kind, files it refuses with exit code 1 (also
// one without any valid item), a tail noted on the error stream, and a round trip of simulated
// card data.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "DecodeCommand.h"
#include "ScratchFolder.h"
#include "SimCapture.h"
#include "StreamBytes.h"
#include "TextLines.h"

using karvo7::DecodeOptions;
using karvo7::runDecode;

namespace {

// A file in a folder of its own, removed with it.
class TempFile {
  public:
    explicit TempFile(const std::vector<uint8_t>& bytes) {
        folder_ = k7test::makeScratchFolder("k7decode");
        path_ = folder_ + "/capture.bin";
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::string& path() const { return path_; }
    const std::string& folder() const { return folder_; }

  private:
    std::string folder_;
    std::string path_;
};

struct Decoded {
    int code;
    std::string out, err;
};

Decoded decode(const DecodeOptions& o) {
    std::ostringstream out, err;
    const int code = runDecode(o, out, err);
    return {code, out.str(), err.str()};
}

DecodeOptions options(const std::string& file, bool json = false) {
    DecodeOptions o;
    o.file = file;
    o.json = json;
    return o;
}

using k7test::lines;

// The lines of a CSV output without the header rows of the item kinds.
std::vector<std::string> rows(const std::string& text) {
    std::vector<std::string> out;
    for (std::string& line : lines(text)) {
        if (line.rfind("item,", 0) != 0) {
            out.push_back(std::move(line));
        }
    }
    return out;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, ',');) {
        out.push_back(f);
    }
    if (!line.empty() && line.back() == ',') {
        out.emplace_back();
    }
    return out;
}

streamtest::Buffer mixedRecords() {
    using namespace streamtest;
    Buffer b;
    prefix(b, 4711);
    packedRecord(b, -11, 0x123, 0x456, 0x789, 0xABC);
    put32(b, 0xFFFFEFFF);
    gateRecord(b, -13, {{4095, 1234, 0x8000}, {5, 6, 0xC000}});
    put32(b, 0xFFFF1234);
    wordRecord(b, 0x22, 5, {1});
    wordRecord(b, 0x14, 7, {-5, 6});
    b.push_back(0x14);  // a header cut short
    return b;
}

}  // namespace

TEST(DecodeCommand, CsvLinePerItemInTheRecordLayoutAHeaderRowBeforeEachKind) {
    const TempFile file(mixedRecords());
    const Decoded r = decode(options(file.path()));
    EXPECT_EQ(r.code, 0);
    const std::string record = "item,offset,zeit,type,length,kennung";
    std::string gates = record;
    for (int n = 1; n <= 5; ++n) {
        const std::string slot = std::to_string(n);
        gates += ",amplitude" + slot + ",time" + slot + ",status" + slot;
    }
    EXPECT_EQ(lines(r.out),
              (std::vector<std::string>{
                  record + ",count,s0,s1,s2,s3",
                  "record,0,4711,0x10,12,-11,4,4656,17760,30864,-21568",
                  "item,offset,word,name,cycle",
                  "control,20,0xffffefff,Ende Prüfzyklus,1",
                  gates,
                  "gates,24,,0x40,56,-13,4095,1234,0x8000,5,6,0xc000,0,0,0x0,0,0,0x0,0,0,0x0",
                  "control,80,0xffff1234,,",
                  record,
                  "other,84,,0x22,8,5",
                  "record,92,,0x14,10,7,2,-5,6",
                  "item,offset,bytes,reason",
                  "tail,102,1,truncated",
              }));
    // The tail is data, listed; the error stream says that part was not decoded.
    EXPECT_NE(r.err.find("1 bytes at offset 102 not decoded (truncated)"), std::string::npos)
        << r.err;
}

TEST(DecodeCommand, JsonLinesCarryTheSameFieldsByName) {
    const TempFile file(mixedRecords());
    const Decoded r = decode(options(file.path(), true));
    EXPECT_EQ(r.code, 0);
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 7u);
    std::vector<nlohmann::json> items;
    for (const auto& line : out) {
        items.push_back(nlohmann::json::parse(line));
    }
    EXPECT_EQ(items[0]["item"], "record");
    EXPECT_EQ(items[0]["zeit"], 4711);
    EXPECT_EQ(items[0]["type"], 0x10);
    EXPECT_EQ(items[0]["kennung"], -11);
    EXPECT_EQ(items[0]["samples"], (std::vector<int>{4656, 17760, 30864, -21568}));
    EXPECT_EQ(items[1]["name"], "Ende Prüfzyklus");
    EXPECT_EQ(items[1]["cycle"], 1);
    EXPECT_EQ(items[1]["word"], 0xFFFFEFFFu);
    EXPECT_FALSE(items[2].contains("zeit"));
    EXPECT_EQ(items[2]["slots"][0]["amplitude"], 4095);
    EXPECT_EQ(items[2]["slots"][0]["present"], true);
    EXPECT_EQ(items[2]["slots"][1]["marker"], true);
    EXPECT_EQ(items[2]["slots"].size(), 5u);
    EXPECT_EQ(items[3]["name"], "");
    EXPECT_FALSE(items[3].contains("cycle"));
    EXPECT_EQ(items[4]["item"], "other");
    EXPECT_EQ(items[6]["item"], "tail");
    EXPECT_EQ(items[6]["offset"], 102);
    EXPECT_EQ(items[6]["bytes"], 1);
    EXPECT_EQ(items[6]["reason"], "truncated");
}

TEST(DecodeCommand, NativeSamplesAndGateEntries) {
    streamtest::Buffer b{0x01, 0x00, 0xFF, 0xFF, 0x80};
    const TempFile samples(b);
    DecodeOptions o = options(samples.path());
    o.layout = DecodeOptions::Layout::Native;
    Decoded r = decode(o);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(lines(r.out),
              (std::vector<std::string>{"item,offset,shot,count,s0,s1", "samples,0,,2,1,-1",
                                        "item,offset,bytes,reason", "tail,4,1,truncated"}));
    o.eightBit = true;
    r = decode(o);
    EXPECT_EQ(rows(r.out), (std::vector<std::string>{"samples,0,,5,1,0,-1,-1,-128"}));
    EXPECT_EQ(r.err, "");
    // Cut into shots of two samples: a last part shot is a tail.
    o.samplesPerShot = 2;
    r = decode(o);
    EXPECT_EQ(rows(r.out), (std::vector<std::string>{"samples,0,0,2,1,0", "samples,2,1,2,-1,-1",
                                                     "tail,4,1,truncated"}));
    // Shots are native samples only.
    o.layout = DecodeOptions::Layout::Record;
    r = decode(o);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("--samples cuts native samples into shots"), std::string::npos) << r.err;

    streamtest::Buffer entries;
    streamtest::compactEntry(entries, 77, 3, {{100, 20, true, true}, {5, 6, false, false}});
    streamtest::compactEntry(entries, 78, 4, {{101, 21, false, true}});
    const TempFile gates(entries);
    o = options(gates.path());
    o.layout = DecodeOptions::Layout::Native;
    o.nativeGateSets = 1u << 4;
    r = decode(o);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(rows(r.out),
              (std::vector<std::string>{"entry,0,4,0,77,3,100,20,p^,5,6,,0,0,,0,0,,0,0,",
                                        "entry,24,4,1,78,4,101,21,p,0,0,,0,0,,0,0,,0,0,"}));
    o.nativeGateSets = 1u << 7;  // no set among 1 to 6
    r = decode(o);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("active parameter set among 1 to 6"), std::string::npos) << r.err;
}

TEST(DecodeCommand, MissingEmptyAndUnreadableFilesFail) {
    const TempFile empty({});
    struct Case {
        std::string file, reason;
    };
    const std::vector<Case> cases = {
        {empty.path(), "empty"},
        {empty.folder() + "/missing.bin", "No such file"},
        {empty.folder(), "directory"},
    };
    for (const Case& c : cases) {
        const Decoded r = decode(options(c.file));
        EXPECT_EQ(r.code, 1) << c.file;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    const TempFile locked(streamtest::Buffer{1, 2});
    std::filesystem::permissions(locked.path(), std::filesystem::perms::none);
    if (!std::ifstream(locked.path())) {  // root reads any file, and so does a Windows user
        const Decoded r = decode(options(locked.path()));
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
    }
    std::filesystem::permissions(locked.path(), std::filesystem::perms::owner_all);
}

TEST(DecodeCommand, AFileHoldingNoValidItemAtAllIsAnError) {
    // A header cut short, and a header whose length is below its own size: nothing but a tail.
    for (const streamtest::Buffer& bytes :
         {streamtest::Buffer{0x14}, streamtest::Buffer{0x14, 0, 2, 0, 0, 0, 1, 2, 3}}) {
        const TempFile file(bytes);
        const Decoded r = decode(options(file.path()));
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(rows(r.out).at(0).rfind("tail,0,", 0), 0u) << r.out;
        // A bare capture may be one of the other layout.
        EXPECT_NE(r.err.find(file.path() +
                             ": no valid record in the record layout; a native capture is read "
                             "with --layout native"),
                  std::string::npos)
            << r.err;
    }
}

// The capture is read a window at a time: records that run past a window, test cycles, rounds
// of gate entries and pieces of native samples come out as from one walk over the whole file.
TEST(DecodeCommand, WindowsOfAnySizeGiveTheOutputOfTheWholeFile) {
    using namespace streamtest;
    Buffer records;
    for (int n = 0; n < 40; ++n) {
        prefix(records, 4711 + static_cast<uint32_t>(n));
        packedRecord(records, -11, 0x123, 0x456, 0x789, static_cast<uint16_t>(n));
        put32(records, 0xFFFFEFFF);  // end of a test cycle
        gateRecord(records, -13, {{4095, 1234, 0x8000}, {5, 6, 0xC000}});
        wordRecord(records, 0x14, 7, std::vector<int16_t>(static_cast<std::size_t>(n), -5));
    }
    records.push_back(0x14);  // a header cut short
    Buffer entries;
    for (uint32_t n = 0; n < 50; ++n) {
        compactEntry(entries, 77 + n, 3, {{100, 20, true, n % 2 == 0}});
    }
    Buffer samples(3 * 131072 + 11);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<uint8_t>(i * 13);
    }
    struct Case {
        Buffer bytes;
        DecodeOptions::Layout layout;
        uint32_t gateSets;
    };
    const std::vector<Case> cases = {
        {records, DecodeOptions::Layout::Record, 0},
        {entries, DecodeOptions::Layout::Native, (1u << 2) | (1u << 5)},
        {samples, DecodeOptions::Layout::Native, 0}};
    for (const Case& c : cases) {
        const TempFile file(c.bytes);
        DecodeOptions o = options(file.path(), true);
        o.layout = c.layout;
        o.nativeGateSets = c.gateSets;
        o.windowBytes = std::size_t{1} << 30;
        const Decoded whole = decode(o);
        ASSERT_EQ(whole.code, 0) << whole.err;
        for (const std::size_t window : {std::size_t{1}, std::size_t{50}, std::size_t{97}}) {
            o.windowBytes = window;
            const Decoded pieces = decode(o);
            EXPECT_EQ(pieces.code, 0) << window;
            EXPECT_EQ(pieces.out, whole.out) << window;
            EXPECT_EQ(pieces.err, whole.err) << window;
        }
    }
}

TEST(DecodeCommand, AFailedOutputStreamFails) {
    const TempFile file(mixedRecords());
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    EXPECT_EQ(runDecode(options(file.path()), out, err), 1);
    EXPECT_NE(err.str().find("output could not be written"), std::string::npos);
}

using DecodeSim = streamtest::StreamSim;

// Shots and gate results captured from a simulated card, written as a file and decoded, give
// back the card's samples record by record and its gate values.
TEST_F(DecodeSim, RoundTripOfSimulatedCardDataReproducesItsValues) {
    KARVO7HANDLE h = warm();
    const Shots s = recordShots(h, {1600, 1597});
    const simtest::Bytes results = gateResults(h, true);
    simtest::Bytes capture = s.stream;
    capture.insert(capture.end(), results.begin(), results.end());
    const TempFile file(capture);
    const Decoded r = decode(options(file.path()));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto out = rows(r.out);
    ASSERT_GT(out.size(), s.shots.size());
    for (std::size_t n = 0; n < s.shots.size(); ++n) {
        SCOPED_TRACE(n);
        const auto f = fields(out[n]);
        ASSERT_GE(f.size(), 7u);
        EXPECT_EQ(f[0], "record");
        EXPECT_EQ(f[5], "-10");
        const std::size_t count = std::stoul(f[6]);
        ASSERT_EQ(f.size(), 7 + count);
        ASSERT_GE(count, s.counts[n]);
        std::vector<int16_t> samples;
        for (std::size_t i = 0; i < s.counts[n]; ++i) {
            samples.push_back(static_cast<int16_t>(std::stoi(f[7 + i])));
        }
        EXPECT_EQ(samples, s.expected[n]);
    }
    // Then the gate results records with the cycle ends between them, nothing left over.
    std::size_t records = 0;
    std::size_t controls = 0;
    for (std::size_t n = s.shots.size(); n < out.size(); ++n) {
        const auto f = fields(out[n]);
        ASSERT_TRUE(f[0] == "gates" || f[0] == "control") << out[n];
        if (f[0] == "gates") {
            ++records;
            EXPECT_TRUE(f[5] == "-11" || f[5] == "-13") << out[n];
            const std::size_t at = std::stoul(f[1]) + 8;  // slot 1 of the record
            EXPECT_EQ(f[6], std::to_string(simtest::le16(&capture[at])));
            EXPECT_EQ(f[7], std::to_string(simtest::le16(&capture[at + 4])));
        } else {
            ++controls;
            EXPECT_EQ(f[3], "Ende Prüfzyklus");
        }
    }
    EXPECT_EQ(56 * records + 4 * controls, results.size());
    EXPECT_GT(records, 2u);
}
