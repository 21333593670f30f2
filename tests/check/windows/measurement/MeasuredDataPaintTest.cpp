// The measured-data window painted on the recording canvas: geometry, grid, labels, status lines,
// curve, ticks, gate values and bars, the header check when data is handed over, small windows;
// and the per-column curve against the full polyline, pixel by pixel, for every layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "desktop/scripted/RecordingCanvas.h"
#include "windows/measurement/MeasuredDataDisplay.h"
#include "windows/measurement/PixelCanvas.h"

using namespace k7check;

namespace {

using Buffer = std::vector<uint8_t>;

Buffer native16(const std::vector<int16_t>& s) {
    Buffer b;
    for (int16_t v : s) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    return b;
}

Buffer record(uint8_t type, const std::vector<int16_t>& words, int16_t kennung = -11,
              int lengthDelta = 0) {
    const auto length = static_cast<uint32_t>(6 + 2 * words.size() + lengthDelta);
    Buffer b = {type,
                static_cast<uint8_t>(length),
                static_cast<uint8_t>(length >> 8),
                static_cast<uint8_t>(length >> 16),
                static_cast<uint8_t>(kennung),
                static_cast<uint8_t>(static_cast<uint16_t>(kennung) >> 8)};
    const Buffer payload = native16(words);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

Buffer prefixed(uint32_t zeit, const Buffer& rec) {
    Buffer b = {0xFF,
                0,
                0,
                0,
                static_cast<uint8_t>(zeit),
                static_cast<uint8_t>(zeit >> 8),
                static_cast<uint8_t>(zeit >> 16),
                static_cast<uint8_t>(zeit >> 24)};
    b.insert(b.end(), rec.begin(), rec.end());
    return b;
}

MeasuredDataInputs inputsFor(const Buffer& b, bool recordLayout, bool eightBit = false) {
    MeasuredDataInputs in;
    in.recordLayout = recordLayout;
    in.eightBit = eightBit;
    in.data = b.data();
    in.length = static_cast<uint32_t>(b.size());
    in.number = 1;
    return in;
}

GateParams gatesAllEnabled() {
    GateParams p{};
    const uint32_t anfang[5] = {100, 300, 600, 800, 1100};
    const uint32_t ende[5] = {200, 400, 800, 1000, 1400};
    for (int g = 0; g < 5; ++g) {
        p.Gate[g] = {anfang[g], ende[g], 800};
        p.Enables.Enable[g] = 1;
    }
    return p;
}

constexpr Size kClient{800, 600};  // w = 740, h = 560, ym = 300

std::vector<DrawOp> curve(const RecordingCanvas& c) {
    return c.lines(kBlue, 1);
}

TEST(MeasuredDataPaint, TicksOfANativeBufferOf2000Bytes) {
    const Buffer b = native16(std::vector<int16_t>(1000, 0));
    MeasuredDataDisplay d;
    ASSERT_FALSE(d.setInputs(inputsFor(b, false)));
    RecordingCanvas c;
    d.paint(c, kClient);
    for (int m = 100; m <= 900; m += 100) {
        const int x = m * 740 / 1000 + 30;
        const DrawOp* label = c.findText(std::to_string(m));
        ASSERT_NE(label, nullptr) << m;
        EXPECT_EQ(label->from, (Point{x - 12, 315})) << m;
    }
    EXPECT_EQ(c.findText("1000"), nullptr);
    EXPECT_EQ(c.findText("50"), nullptr);
    const auto black = c.lines(kBlack, 1);
    EXPECT_NE(std::find_if(black.begin(), black.end(),
                           [](const DrawOp& op) {
                               return op.from == Point{104, 290} && op.to == Point{104, 310};
                           }),
              black.end());
    EXPECT_EQ(tickStep(20), 1u);
    EXPECT_EQ(tickStep(21), 5u);
    EXPECT_EQ(tickStep(10000), 1000u);
    EXPECT_EQ(tickStep(10001), 5000u);
}

TEST(MeasuredDataPaint, FullScaleSamplesLieOnTheirGridLines) {
    for (const Size client : {kClient, Size{800, 601}, Size{333, 147}}) {
        const int h = client.height - 40;
        const int ym = h / 2 + 20;
        for (const auto& [sample, percent] :
             {std::pair{int16_t{16384}, 50}, std::pair{int16_t{-32768}, -100}}) {
            const Buffer b = native16(std::vector<int16_t>(10, sample));
            MeasuredDataDisplay d;
            d.setInputs(inputsFor(b, false));
            RecordingCanvas c;
            d.paint(c, client);
            const int y = ym - h * percent / 200;
            const auto grid = c.lines(kBlack, 1);
            EXPECT_NE(
                std::find_if(
                    grid.begin(), grid.end(),
                    [&](const DrawOp& op) {
                        return op.from == Point{30, y} && op.to == Point{client.width - 30, y};
                    }),
                grid.end());
            const auto points = curve(c);
            ASSERT_FALSE(points.empty());
            for (const DrawOp& op : points) {
                EXPECT_EQ(op.from.y, y) << sample << " in " << client.height;
                EXPECT_EQ(op.to.y, y);
            }
        }
    }
}

TEST(MeasuredDataPaint, GridLabelsAndStatusLines) {
    const Buffer b = native16({0, 1, 2});
    MeasuredDataDisplay d;
    auto in = inputsFor(b, false);
    in.number = 7;
    d.setInputs(in);
    RecordingCanvas c;
    d.paint(c, kClient);
    ASSERT_FALSE(c.ops().empty());
    EXPECT_EQ(c.ops()[0].kind, DrawOp::Kind::Fill);
    EXPECT_EQ(c.ops()[0].colour, kWhite);
    EXPECT_EQ(c.lines(kCyan, 1).size(), 8u);
    EXPECT_EQ(c.lines(kGreen, 1).size(), 8u);
    EXPECT_EQ(c.findText("7: 6 Bytes")->colour, kBlue);
    EXPECT_EQ(c.findText("7: 6 Bytes")->from, (Point{30, 0}));
    EXPECT_EQ(c.findText(" 50")->from, (Point{8, 300 - 140 - 8}));
    EXPECT_EQ(c.findText("-100")->from, (Point{0, 564}));
    EXPECT_EQ(c.findText("ADC")->from, (Point{772, 0}));
    EXPECT_EQ(c.findText("-256")->from, (Point{772, 300 + 140 - 8}));
    // A 8-bit buffer: n = length samples, y = ym - s * h / 256.
    const Buffer eight = {0x80, 0x7F, 0x00};
    d.setInputs(inputsFor(eight, false, true));
    c.clear();
    d.paint(c, kClient);
    const auto points = curve(c);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].from, (Point{30, 300 + 280}));
    EXPECT_EQ(points[0].to, (Point{30 + 740 / 3, 300 - 127 * 560 / 256}));
}

TEST(MeasuredDataPaint, RecordLayoutStatusAndAPrefixedRepaint) {
    const Buffer b = prefixed(123456, record(0x60, {100, -100, 0x4000}));
    MeasuredDataDisplay d;
    ASSERT_FALSE(d.setInputs(inputsFor(b, true)));
    RecordingCanvas first;
    d.paint(first, kClient);
    RecordingCanvas second;
    d.paint(second, kClient);
    ASSERT_EQ(first.ops().size(), second.ops().size());
    for (std::size_t i = 0; i < first.ops().size(); ++i) {
        EXPECT_EQ(first.ops()[i].from, second.ops()[i].from);
        EXPECT_EQ(first.ops()[i].to, second.ops()[i].to);
        EXPECT_EQ(first.ops()[i].text, second.ops()[i].text);
    }
    EXPECT_NE(second.findText("1: (20) 12 Bytes 0x60, Kennung -11"), nullptr);
    ASSERT_NE(second.findText("Zeit 123456"), nullptr);
    EXPECT_EQ(second.findText("Zeit 123456")->from, (Point{30, 20}));
    EXPECT_EQ(curve(second).size(), 2u);
    // The same record without prefix: accepted, no time line; nor with a zero time.
    const Buffer plain = record(0x60, {100, -100, 0x4000});
    d.setInputs(inputsFor(plain, true));
    EXPECT_TRUE(d.timeLine().empty());
    const Buffer zero = prefixed(0, plain);
    ASSERT_FALSE(d.setInputs(inputsFor(zero, true)));
    EXPECT_TRUE(d.timeLine().empty());
}

TEST(MeasuredDataPaint, AFailedHeaderCheckReportsOnceAndDrawsNothingUntilNewData) {
    const Buffer b = record(0x14, {1, 2, 3}, -11, 2);
    MeasuredDataDisplay d;
    const auto message = d.setInputs(inputsFor(b, true));
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, "Datenlänge soll: 12 - ist: 14");
    EXPECT_FALSE(d.hasData());
    EXPECT_FALSE(d.dataListInputs());  // a double click opens nothing
    for (int repaint = 0; repaint < 2; ++repaint) {
        RecordingCanvas c;
        d.paint(c, kClient);
        // Not even the white ground: the window shows its own.
        EXPECT_TRUE(c.ops().empty());
    }
    const Buffer gates = record(0x40, std::vector<int16_t>(25, 0));
    EXPECT_EQ(d.setInputs(inputsFor(gates, true)), "Datentyp 0x40 unbekannt");
    // New good data draws again.
    const Buffer good = record(0x14, {1, 2, 3});
    EXPECT_FALSE(d.setInputs(inputsFor(good, true)));
    RecordingCanvas c;
    d.paint(c, kClient);
    EXPECT_EQ(curve(c).size(), 2u);
    const auto list = d.dataListInputs();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->data, good.data());
    EXPECT_EQ(list->length, good.size());
    EXPECT_TRUE(list->recordLayout);
    // No data at all: nothing drawn, and no message.
    EXPECT_FALSE(d.setInputs(MeasuredDataInputs{}));
    c.clear();
    d.paint(c, kClient);
    EXPECT_TRUE(c.ops().empty());
}

TEST(MeasuredDataPaint, GateValuesAndBars) {
    const Buffer b = native16(std::vector<int16_t>(2000, 0));  // n = 2000
    GateParams p = gatesAllEnabled();
    p.Enables.Enable[0] = 0;
    p.Enables.Enable[2] = 0;
    GateResults r{};
    r.ESDelay = 50;
    r.Gate[0] = {120, 400, 0};
    r.Gate[1] = {350, 2000, 0x100000};
    r.Gate[2] = {700, 100, 0};
    r.Gate[3] = {900, 4092, 0};
    r.Gate[4] = {1200, 8, 0};
    auto in = inputsFor(b, false);
    in.gateParams = p;
    in.gateResults = r;
    in.offset = 100;
    MeasuredDataDisplay d;
    d.setInputs(in);
    RecordingCanvas c;
    d.paint(c, kClient);
    // B0 and B2 disabled: no texts; B0's bar still drawn, B2's not.
    EXPECT_EQ(c.findText("ES: d =  50 | B0: t = 120 v =100"), nullptr);
    EXPECT_EQ(c.findText("B2: t = 700 v = 25"), nullptr);
    ASSERT_NE(c.findText("B1: t = 350 v =500^"), nullptr);
    EXPECT_EQ(c.findText("B1: t = 350 v =500^")->from, (Point{210, 583}));
    EXPECT_EQ(c.findText("B1: t = 350 v =500^")->colour, kRed);
    EXPECT_EQ(c.findText("B3: t = 900 v =1023")->from, (Point{480, 583}));
    EXPECT_EQ(c.findText("B4: t =1200 v =  2")->colour, kYellow);
    EXPECT_TRUE(c.lines(kBlue, 3).empty());
    const int dy = 800 * 560 / 4096;
    // B1: (300 - 100) * 740 / 2000 + 30 = 104 to (400 - 100) * 740 / 2000 + 30 = 141.
    const auto b1 = c.lines(kRed, 3);
    ASSERT_EQ(b1.size(), 2u);
    EXPECT_EQ(b1[0].from, (Point{104, 300 - dy}));
    EXPECT_EQ(b1[0].to, (Point{141, 300 - dy}));
    EXPECT_EQ(b1[1].from, (Point{104, 300 + dy}));
    // B0 from 100 - 100 = 0 to 100, moved left by 50 * 740 / 2000 = 18: clipped at x0.
    const auto b0 = c.lines(kMagenta, 3);
    ASSERT_EQ(b0.size(), 2u);
    EXPECT_EQ(b0[0].from, (Point{30, 300 - dy}));
    EXPECT_EQ(b0[0].to, (Point{100 * 740 / 2000 + 30 - 18, 300 - dy}));

    // B0 enabled: its text with the echo start; gate texts need the gate parameters.
    p.Enables.Enable[0] = 1;
    in.gateParams = p;
    d.setInputs(in);
    c.clear();
    d.paint(c, kClient);
    EXPECT_EQ(c.findText("ES: d =  50 | B0: t = 120 v =100")->colour, kMagenta);
    in.gateParams.reset();
    d.setInputs(in);
    c.clear();
    d.paint(c, kClient);
    EXPECT_EQ(c.findText("B1: t = 350 v =500^"), nullptr);
    EXPECT_TRUE(c.lines(kRed, 3).empty());
}

TEST(MeasuredDataPaint, GateBarsBelowTheOffsetOrBeyondThePlotAreClipped) {
    const Buffer b = native16(std::vector<int16_t>(1000, 0));
    GateParams p = gatesAllEnabled();
    p.Gate[1] = {10, 50, 100};           // wholly before the offset
    p.Gate[2] = {100, 5000, 100};        // from before the offset to beyond the end
    p.Gate[3] = {0xFFFFFFFF, 2, 100};    // reversed, beyond every range
    p.Gate[4] = {300, 400, 0x7FFFFFFF};  // threshold beyond full scale
    auto in = inputsFor(b, false);
    in.gateParams = p;
    in.offset = 200;
    MeasuredDataDisplay d;
    d.setInputs(in);
    RecordingCanvas c;
    d.paint(c, kClient);
    EXPECT_TRUE(c.lines(kRed, 3).empty());
    const auto b2 = c.lines(kBlue, 3);
    ASSERT_EQ(b2.size(), 2u);
    EXPECT_EQ(b2[0].from.x, 30);
    EXPECT_EQ(b2[0].to.x, 770);
    const auto b3 = c.lines(kGreen, 3);
    ASSERT_EQ(b3.size(), 2u);
    EXPECT_EQ(b3[0].from.x, 30);
    EXPECT_EQ(b3[0].to.x, 770);
    EXPECT_TRUE(c.lines(kYellow, 3).empty());
    for (const DrawOp& op : c.ops()) {
        if (op.kind == DrawOp::Kind::Line) {
            EXPECT_GE(std::min(op.from.x, op.to.x), 30);
            EXPECT_LE(std::max(op.from.x, op.to.x), 770);
        }
    }
}

TEST(MeasuredDataPaint, NoSamplesOrNoPlotDrawsTextsOnly) {
    // A record of only its header: n = 0.
    const Buffer empty = record(0x14, {});
    auto in = inputsFor(empty, true);
    in.gateParams = gatesAllEnabled();
    in.gateResults = GateResults{};
    MeasuredDataDisplay d;
    ASSERT_FALSE(d.setInputs(in));
    RecordingCanvas c;
    d.paint(c, kClient);
    EXPECT_TRUE(curve(c).empty());
    EXPECT_TRUE(c.lines(kMagenta, 3).empty());
    EXPECT_NE(c.findText("ES: d =   0 | B0: t =   0 v =  0"), nullptr);
    // Windows too small for a plot: labels and status, no lines at all.
    const Buffer b = native16({1, 2, 3, 4});
    in = inputsFor(b, false);
    in.gateParams = gatesAllEnabled();
    d.setInputs(in);
    for (const Size tiny : {Size{60, 300}, Size{300, 40}, Size{10, 10}, Size{0, 0}}) {
        c.clear();
        d.paint(c, tiny);
        for (const DrawOp& op : c.ops()) {
            EXPECT_NE(op.kind, DrawOp::Kind::Line) << tiny.width << "x" << tiny.height;
        }
        EXPECT_NE(c.findText("1: 8 Bytes"), nullptr);
    }
}

// ---- the per-column curve against the full polyline ------------------------------------------

std::vector<int16_t> noisy(std::size_t n, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<int16_t> s(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double echo = 20000.0 * std::sin(static_cast<double>(i) / 40.0);
        s[i] = static_cast<int16_t>(
            std::clamp(echo + static_cast<double>(random() % 4001) - 2000.0, -32768.0, 32767.0));
    }
    return s;
}

void expectSamePixels(const Buffer& b, bool recordLayout, bool eightBit, Size client) {
    MeasuredDataDisplay d;
    ASSERT_FALSE(d.setInputs(inputsFor(b, recordLayout, eightBit)));
    PixelCanvas naive(client.width, client.height);
    d.setCurveDrawing(CurveDrawing::FullPolyline);
    d.paint(naive, client);
    PixelCanvas ours(client.width, client.height);
    d.setCurveDrawing(CurveDrawing::Envelope);
    d.paint(ours, client);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < naive.pixels().size(); ++i) {
        differing += naive.pixels()[i] != ours.pixels()[i];
    }
    EXPECT_EQ(differing, 0u) << b.size() << " bytes in " << client.width << "x" << client.height;
    RecordingCanvas points;
    d.paint(points, client);
    EXPECT_LE(curve(points).size(), 4u * static_cast<std::size_t>(client.width));
}

TEST(CurveEnvelope, SamePixelsAsTheFullPolylineForEveryLayout) {
    for (const Size client : {kClient, Size{97, 80}, Size{1200, 300}}) {
        for (const std::size_t n : {std::size_t{1}, std::size_t{2}, std::size_t{500},
                                    std::size_t{740}, std::size_t{741}, std::size_t{65536}}) {
            SCOPED_TRACE(n);
            const auto s = noisy(n, static_cast<uint32_t>(n));
            expectSamePixels(native16(s), false, false, client);
            Buffer eight;
            for (int16_t v : s) {
                eight.push_back(static_cast<uint8_t>(v >> 8));
            }
            expectSamePixels(eight, false, true, client);
            if (n < 65536) {
                expectSamePixels(record(0x14, s), true, false, client);
                expectSamePixels(prefixed(99, record(0x60, s)), true, false, client);
            }
            // Packed 12-bit: the words are arbitrary, so any bit pattern is a sample.
            if (n < 40000) {
                expectSamePixels(record(0x10, s), true, false, client);
            }
        }
    }
}

}  // namespace
