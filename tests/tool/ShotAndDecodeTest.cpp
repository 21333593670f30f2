// The measurement subcommands called directly on simulated cards in this process (noise off, so
// every shot of a set is the same): the CSV of `shot` holds what the check program's data list
// shows for the shot, and a capture of `stream` decodes back to the card's samples.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Commands.h"
#include "DecodeCommand.h"
#include "KARVO7Sim.h"
#include "ShotSamples.h"
#include "ToolProcess.h"
#include "windows/measurement/DataList.h"

namespace tooltest {
namespace {

class ShotAndDecodeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        k7sim::Config c = k7sim::Config::defaults(1);
        c.persist = false;
        c.lockDir = folder.path();
        c.instance = "shots" + std::to_string(::getpid());
        for (auto& card : c.cards) {
            card.specimen.noise = 0.0;
        }
        sim = std::make_unique<k7sim::Simulator>(c);
        ASSERT_TRUE(sim->install());
    }

    // One shot of set 2 through `karvo7 shot`, in the given format, as bytes.
    std::string shot(karvo7::ShotFormat format, karvo7::Layout layout, bool eightBit = false) {
        karvo7::ShotOptions o;
        o.card = 1;
        o.set = 2;
        o.overrides.samples = 300;
        o.overrides.samplerate = 2;
        o.overrides.layout = layout;
        o.overrides.eightBit = eightBit;
        o.format = format;
        std::ostringstream out, err;
        EXPECT_EQ(karvo7::runShot(o, out, err), 0) << err.str();
        return out.str();
    }

    // The layout of the record-layout shots of shot(): 300 samples of set 2, the shot's bytes.
    static K7OpsShotLayout recordShot(std::size_t bytes) {
        const auto size = static_cast<uint32_t>(bytes);
        return {2, K7OPS_LAYOUT_RECORD, size, size, 300, 16, 2, 0};
    }

    TempFolder folder;
    std::unique_ptr<k7sim::Simulator> sim;
};

// The CSV's rows without its head line, and the data list's rows, as "time,percent" each.
std::vector<std::string> toolRows(const std::string& csv) {
    std::vector<std::string> rows;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        // time_us,sample,percent
        const auto first = line.find(',');
        const auto second = line.find(',', first + 1);
        rows.push_back(line.substr(0, first) + "," + line.substr(second + 1));
    }
    return rows;
}

std::vector<std::string> listRows(const std::string& csv) {
    std::vector<std::string> rows;
    std::istringstream in(csv);
    std::string line;
    while (std::getline(in, line)) {
        // time,percent,index,value
        const auto first = line.find(',');
        const auto second = line.find(',', first + 1);
        rows.push_back(line.substr(0, second));
    }
    return rows;
}

TEST_F(ShotAndDecodeTest, ShotCsvHoldsWhatTheDataListShows) {
    struct Case {
        karvo7::Layout layout;
        bool eightBit;
    };
    for (const Case c : {Case{karvo7::Layout::Record, false}, Case{karvo7::Layout::Native, false},
                         Case{karvo7::Layout::Native, true}}) {
        const std::string raw = shot(karvo7::ShotFormat::Raw, c.layout, c.eightBit);
        const std::string csv = shot(karvo7::ShotFormat::Csv, c.layout, c.eightBit);
        const k7check::DataList list({c.eightBit, c.layout == karvo7::Layout::Record,
                                      reinterpret_cast<const uint8_t*>(raw.data()),
                                      static_cast<uint32_t>(raw.size()), 2});
        ASSERT_EQ(list.sampleCount(), 300u);
        EXPECT_EQ(toolRows(csv), listRows(list.csv()));
        EXPECT_EQ(csv.rfind("time_us,sample,shot1_percent\n0.00000,0,", 0), 0u);
    }
}

TEST_F(ShotAndDecodeTest, SeveralShotsAreColumnsAndJsonHoldsTheSamples) {
    karvo7::ShotOptions o;
    o.card = 1;
    o.set = 1;
    o.count = 3;
    o.overrides.samples = 10;
    std::ostringstream out, err;
    ASSERT_EQ(karvo7::runShot(o, out, err), 0) << err.str();
    std::istringstream rows(out.str());
    std::string head, row;
    std::getline(rows, head);
    EXPECT_EQ(head, "time_us,sample,shot1_percent,shot2_percent,shot3_percent");
    std::size_t count = 0;
    while (std::getline(rows, row)) {
        ++count;
        const auto cells = std::count(row.begin(), row.end(), ',');
        EXPECT_EQ(cells, 4) << row;
    }
    EXPECT_EQ(count, 10u);

    const std::string json = shot(karvo7::ShotFormat::Json, karvo7::Layout::Record);
    const std::string raw = shot(karvo7::ShotFormat::Raw, karvo7::Layout::Record);
    const std::vector<uint8_t> bytes(raw.begin(), raw.end());
    const std::vector<int16_t> samples = karvo7::shotSamples(recordShot(bytes.size()), bytes);
    const auto parsed = nlohmann::json::parse(json);
    EXPECT_EQ(parsed["layout"], "record");
    EXPECT_EQ(parsed["shots"][0].get<std::vector<int16_t>>(), samples);
}

TEST_F(ShotAndDecodeTest, StreamThenDecodeGivesTheCardsSamples) {
    const std::string raw = shot(karvo7::ShotFormat::Raw, karvo7::Layout::Record);
    const std::vector<uint8_t> bytes(raw.begin(), raw.end());
    const std::vector<int16_t> card = karvo7::shotSamples(recordShot(bytes.size()), bytes);
    ASSERT_EQ(card.size(), 300u);

    karvo7::StreamOptions s;
    s.card = 1;
    s.sets = {2};
    s.count = 25;
    s.overrides.samples = 300;
    s.overrides.samplerate = 2;
    s.overrides.shotRate = 2000;  // a rate a loaded machine keeps up with
    s.output = folder.file("capture.k7");
    std::ostringstream err;
    ASSERT_EQ(karvo7::runStream(s, -1, err), 0) << err.str();

    karvo7::DecodeOptions d;
    d.file = s.output;
    std::ostringstream decoded, decodeErr;
    ASSERT_EQ(karvo7::runDecode(d, decoded, decodeErr), 0) << decodeErr.str();
    std::istringstream lines(decoded.str());
    std::string line;
    std::size_t records = 0;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line.rfind("item,offset,zeit,type,length,kennung,count,s0,", 0), 0u) << line;
    while (std::getline(lines, line)) {
        ASSERT_EQ(line.rfind("record,", 0), 0u) << line;
        // record,OFFSET,ZEIT,TYPE,LENGTH,KENNUNG,COUNT,S0,...
        std::vector<std::string> cells;
        std::istringstream row(line);
        std::string cell;
        while (std::getline(row, cell, ',')) {
            cells.push_back(cell);
        }
        ASSERT_EQ(cells.size(), 7u + card.size());
        EXPECT_EQ(cells[5], "-12");  // the identification of set 2 of card 1
        std::vector<int16_t> samples;
        for (std::size_t i = 7; i < cells.size(); ++i) {
            samples.push_back(static_cast<int16_t>(std::stoi(cells[i])));
        }
        EXPECT_EQ(samples, card) << "record " << records;
        ++records;
    }
    EXPECT_EQ(records, 25u);
}

}  // namespace
}  // namespace tooltest
