#include "windows/measurement/MeasuredDataDisplay.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <span>
#include <utility>

#include "Format.h"
#include "KARVO7Protocol.h"
#include "stream/DisplayReaders.h"

namespace k7check {

namespace {

constexpr int kX0 = 30;
constexpr int kTop = 20;

struct GateStyle {
    int x;
    Colour colour;
};
constexpr std::array<GateStyle, 5> kGateStyles = {{
    {0, kMagenta},
    {210, kRed},
    {345, kBlue},
    {480, kGreen},
    {615, kYellow},
}};

// The smallest and largest of `count` (at least 1) samples, eight at a time: a column of a
// 65536-sample curve holds about a hundred, and every repaint during a run scans them all.
std::pair<int16_t, int16_t> extremes(const int16_t* s, std::size_t count) {
    using Lanes = int16_t __attribute__((vector_size(16)));
    constexpr std::size_t kLanes = sizeof(Lanes) / sizeof(int16_t);
    int16_t lo = s[0];
    int16_t hi = s[0];
    std::size_t i = 0;
    if (count >= kLanes) {
        Lanes los;
        std::memcpy(&los, s, sizeof los);
        Lanes his = los;
        for (i = kLanes; i + kLanes <= count; i += kLanes) {
            Lanes v;
            std::memcpy(&v, s + i, sizeof v);
            los = v < los ? v : los;
            his = v > his ? v : his;
        }
        for (std::size_t k = 0; k < kLanes; ++k) {
            lo = std::min(lo, static_cast<int16_t>(los[k]));
            hi = std::max(hi, static_cast<int16_t>(his[k]));
        }
    }
    for (; i < count; ++i) {
        lo = std::min(lo, s[i]);
        hi = std::max(hi, s[i]);
    }
    return {lo, hi};
}

// The plot inside a client area: `w` × `h` pixels from (kX0, kTop), its zero line at `ym`.
struct PlotArea {
    int w = 0;
    int h = 0;
    int ym = 0;
    bool drawable() const { return w > 0 && h > 0; }
    // y of `percent` of full scale.
    int yOf(int percent) const { return ym - h * percent / 200; }
};

PlotArea plotAreaOf(Size client) {
    PlotArea area;
    area.h = client.height - 40;
    area.w = client.width - 60;
    area.ym = area.h / 2 + kTop;
    return area;
}

// Percent grid and frame.
void paintGrid(Canvas& canvas, const PlotArea& a) {
    const auto across = [&](int percent) {
        canvas.line({kX0, a.yOf(percent)}, {kX0 + a.w, a.yOf(percent)});
    };
    canvas.setPen(kCyan, 1);
    for (int k : {10, 30, 70, 90}) {
        across(k);
        across(-k);
    }
    canvas.setPen(kGreen, 1);
    for (int k : {20, 40, 60, 80}) {
        across(k);
        across(-k);
    }
    canvas.setPen(kBlack, 1);
    across(0);
    canvas.line({kX0, kTop}, {kX0, a.h + kTop});
    canvas.line({kX0 + a.w, kTop}, {kX0 + a.w, a.h + kTop});
    for (int k : {50, 100}) {
        across(k);
        across(-k);
    }
}

// Axis labels: percent on the left, ADC value on the right.
void paintAxisLabels(Canvas& canvas, const PlotArea& a) {
    const int quarter = a.h * 50 / 200;
    canvas.text(16, 0, "%", kBlack);
    canvas.text(0, 20, " 100", kBlack);
    canvas.text(8, a.ym - quarter - 8, " 50", kBlack);
    canvas.text(20, a.ym - 8, "0", kBlack);
    canvas.text(8, a.ym + quarter - 8, "-50", kBlack);
    canvas.text(0, a.h + 4, "-100", kBlack);
    const int xr = kX0 + a.w + 2;
    canvas.text(xr, 0, "ADC", kBlack);
    canvas.text(xr, 20, " 512", kBlack);
    canvas.text(xr, a.ym - quarter - 8, " 256", kBlack);
    canvas.text(xr, a.ym - 8, "0", kBlack);
    canvas.text(xr, a.ym + quarter - 8, "-256", kBlack);
    canvas.text(xr, a.h + 4, "-512", kBlack);
}

// Sample-index ticks along the zero line, for `n` samples.
void paintTicks(Canvas& canvas, const PlotArea& a, uint32_t n) {
    const uint32_t step = tickStep(n);
    canvas.setPen(kBlack, 1);
    for (uint32_t m = step; m < n; m += step) {
        const int x = static_cast<int>(static_cast<int64_t>(m) * a.w / n) + kX0;
        const int d = m < 10 ? 4 : m < 100 ? 8 : m < 1000 ? 12 : m < 10000 ? 16 : 20;
        canvas.text(x - d, a.ym + 15, formatText("%u", m), kBlack);
        canvas.line({x, a.ym - 10}, {x, a.ym + 10});
    }
}

// Gate values of the shot below the plot; whether a gate is enabled is known only from the gate
// parameters.
void paintGateValues(Canvas& canvas, const PlotArea& a, const MeasuredDataInputs& inputs) {
    if (!inputs.gateResults || !inputs.gateParams) {
        return;
    }
    const GateResults& r = *inputs.gateResults;
    const GateEnables& enables = inputs.gateParams->Enables;
    for (std::size_t g = 0; g < 5; ++g) {
        if (enables.Enable[g] == 0) {
            continue;
        }
        const GateResult& gate = r.Gate[g];
        std::string text = g == 0 ? formatText("ES: d =%4u | B0: t =%4u v =%3u", r.ESDelay,
                                               gate.Time, static_cast<unsigned>(gate.Maximum / 4))
                                  : formatText("B%zu: t =%4u v =%3u", g, gate.Time,
                                               static_cast<unsigned>(gate.Maximum / 4));
        if (gate.Marke != 0) {
            text += "^";
        }
        canvas.text(kGateStyles[g].x, a.h + 23, text, kGateStyles[g].colour);
    }
}

// Gate bars of the set over `n` samples, in signed 64-bit and clipped to the plot.
void paintGateBars(Canvas& canvas, const PlotArea& a, const MeasuredDataInputs& inputs,
                   uint32_t n) {
    if (!inputs.gateParams) {
        return;
    }
    const GateParams& p = *inputs.gateParams;
    const int64_t w64 = a.w;
    const int64_t h64 = a.h;
    const int64_t esShift =
        inputs.gateResults ? static_cast<int64_t>(inputs.gateResults->ESDelay) * w64 / n : 0;
    for (std::size_t g = 0; g < 5; ++g) {
        if (g != 0 && p.Enables.Enable[g] == 0) {
            continue;
        }
        const GateParam& gate = p.Gate[g];
        const int64_t offset = inputs.offset;
        int64_t xa = (static_cast<int64_t>(gate.Anfang) - offset) * w64 / n + kX0;
        int64_t xe = (static_cast<int64_t>(gate.Ende) - offset) * w64 / n + kX0;
        if (g == 0) {
            xa -= esShift;
            xe -= esShift;
        }
        const int64_t lo = std::max<int64_t>(std::min(xa, xe), kX0);
        const int64_t hi = std::min<int64_t>(std::max(xa, xe), kX0 + w64);
        if (lo > hi) {
            continue;
        }
        const int64_t dy = static_cast<int64_t>(gate.Schwelle) * h64 / 4096;
        canvas.setPen(kGateStyles[g].colour, 3);
        for (const int64_t y : {a.ym - dy, a.ym + dy}) {
            if (y < kTop || y > kTop + h64) {
                continue;
            }
            canvas.line({static_cast<int>(lo), static_cast<int>(y)},
                        {static_cast<int>(hi), static_cast<int>(y)});
        }
    }
}

}  // namespace

uint32_t tickStep(uint32_t n) {
    struct Band {
        uint32_t upTo;
        uint32_t step;
    };
    static constexpr Band kBands[] = {{20, 1},     {50, 5},     {100, 10},
                                      {250, 25},   {500, 50},   {1000, 100},
                                      {2500, 250}, {5000, 500}, {10000, 1000}};
    for (const Band& band : kBands) {
        if (n <= band.upTo) {
            return band.step;
        }
    }
    return 5000;
}

std::optional<std::string> MeasuredDataDisplay::setInputs(const MeasuredDataInputs& inputs) {
    inputs_ = inputs;
    hasData_ = false;
    samples_.clear();
    status_.clear();
    timeLine_.clear();
    eightBitScale_ = false;
    if (inputs.data == nullptr || inputs.length == 0) {
        return std::nullopt;
    }
    const stream::Bytes buffer(inputs.data, inputs.length);
    if (inputs.recordLayout) {
        stream::AscanRecord record = stream::decodeAscanRecord(buffer);
        if (record.status != stream::AscanRecord::Status::Ok) {
            inputs_.data = nullptr;
            inputs_.length = 0;
            return record.message;
        }
        const stream::Header& h = record.header;
        status_ = formatText("%u: (%u) %u Bytes 0x%X, Kennung %d", inputs.number, inputs.length,
                             h.length, static_cast<unsigned>(h.type), static_cast<int>(h.kennung));
        if (h.prefixed && h.zeit != 0) {
            timeLine_ = formatText("Zeit %u", h.zeit);
        }
        samples_ = std::move(record.samples);
    } else {
        status_ = formatText("%u: %u Bytes", inputs.number, inputs.length);
        if (inputs.eightBit) {
            eightBitScale_ = true;
            samples_.resize(inputs.length);
            for (uint32_t i = 0; i < inputs.length; ++i) {
                samples_[i] = static_cast<int8_t>(inputs.data[i]);
            }
        } else {
            samples_.resize(inputs.length / 2);
            for (std::size_t i = 0; i < samples_.size(); ++i) {
                samples_[i] = static_cast<int16_t>(k7proto::le16(inputs.data + 2 * i));
            }
        }
    }
    hasData_ = true;
    return std::nullopt;
}

std::optional<DataListInputs> MeasuredDataDisplay::dataListInputs() const {
    if (!hasData_) {
        return std::nullopt;
    }
    return DataListInputs{inputs_.eightBit, inputs_.recordLayout, inputs_.data, inputs_.length,
                          inputs_.samplingRate};
}

void MeasuredDataDisplay::clear() {
    inputs_.data = nullptr;
    inputs_.length = 0;
    hasData_ = false;
    samples_.clear();
    status_.clear();
    timeLine_.clear();
}

void MeasuredDataDisplay::paint(Canvas& canvas, Size client) const {
    // Without data (none handed over, or a failed header check) nothing is drawn, not even the
    // white ground: the window shows its own.
    if (!hasData_) {
        return;
    }
    canvas.fillRect(0, 0, client.width, client.height, kWhite);
    const PlotArea area = plotAreaOf(client);
    if (area.drawable()) {
        paintGrid(canvas, area);
    }
    paintAxisLabels(canvas, area);
    canvas.text(30, 0, status_, kBlue);
    if (!timeLine_.empty()) {
        canvas.text(30, 20, timeLine_, kBlue);
    }
    const uint32_t n = static_cast<uint32_t>(samples_.size());
    if (area.drawable() && n > 0) {
        paintCurve(canvas, kX0, area.ym, area.w, area.h);
        paintTicks(canvas, area, n);
    }
    paintGateValues(canvas, area, inputs_);
    if (area.drawable() && n > 0) {
        paintGateBars(canvas, area, inputs_, n);
    }
}

void MeasuredDataDisplay::paintCurve(Canvas& canvas, int x0, int ym, int w, int h) const {
    const std::size_t n = samples_.size();
    // y of every value the scaled sample can take: 16-bit samples are scaled to -128..127 first.
    std::array<int, 256> yOfValue{};
    for (int q = -128; q < 128; ++q) {
        yOfValue[static_cast<std::size_t>(q + 128)] = ym - q * h / 256;
    }
    const int16_t* s = samples_.data();
    const auto yOf = [&](int16_t sample) {
        const int q = eightBitScale_ ? sample : sample / 256;
        return yOfValue[static_cast<std::size_t>(q + 128)];
    };
    const auto yAt = [&](std::size_t i) { return yOf(s[i]); };
    const auto xAt = [&](std::size_t i) {
        return static_cast<int>(static_cast<uint64_t>(i) * static_cast<uint64_t>(w) / n) + x0;
    };

    canvas.setPen(kBlue, 1);
    if (drawing_ == CurveDrawing::FullPolyline) {
        std::vector<Point> points(n);
        for (std::size_t i = 0; i < n; ++i) {
            points[i] = {xAt(i), yAt(i)};
        }
        canvas.polyline(points.data(), points.size());
        return;
    }

    // Samples i with i * w / n == c fall in column c: from ceil(c * n / w) up to
    // ceil((c + 1) * n / w). Within a column the full polyline covers exactly the pixels from the
    // lowest to the highest point; the segments between columns run from a column's last point
    // to the next column's first. So one vertical line per column holding more than one sample
    // and the joins between columns draw the same pixels, each column's pixels once.
    if (n < 2) {
        return;  // a single point is no line
    }
    const uint64_t n64 = n;
    const uint64_t w64 = static_cast<uint64_t>(w);
    std::size_t begin = 0;
    Point exit{};
    bool joined = false;
    for (uint64_t c = 0; begin < n; ++c) {
        const auto end =
            static_cast<std::size_t>(std::min<uint64_t>(((c + 1) * n64 + w64 - 1) / w64, n64));
        if (end <= begin) {
            continue;
        }
        const int x = static_cast<int>(c) + x0;
        if (joined) {
            canvas.line(exit, {x, yAt(begin)});
        }
        if (end - begin > 1) {
            // y falls as the sample rises, so the largest sample gives the lowest y.
            const auto [smallest, largest] = extremes(s + begin, end - begin);
            canvas.line({x, yOf(largest)}, {x, yOf(smallest)});
        }
        exit = {x, yAt(end - 1)};
        joined = true;
        begin = end;
    }
}

}  // namespace k7check
