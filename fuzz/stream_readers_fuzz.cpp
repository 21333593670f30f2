// The measurement data readers on arbitrary bytes, in both layouts: every walker, the display's
// decode and painting, and the data list's lines. Nothing may read beyond the bytes given, and
// what the readers report must lie inside them.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "stream/ResultWalkers.h"
#include "windows/measurement/DataList.h"
#include "windows/measurement/MeasuredDataDisplay.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Draws nothing; checks that every point lies where the window may draw.
class BoundsCanvas : public k7check::Canvas {
  public:
    explicit BoundsCanvas(k7check::Size client) : client_(client) {}
    void fillRect(int, int, int, int, k7check::Colour) override {}
    void setPen(k7check::Colour, int width) override { check(width == 1 || width == 3); }
    void line(k7check::Point from, k7check::Point to) override {
        inside(from);
        inside(to);
    }
    void polyline(const k7check::Point* points, std::size_t count) override {
        for (std::size_t i = 0; i < count; ++i) {
            inside(points[i]);
        }
    }
    void text(int, int, const std::string&, k7check::Colour) override {}

  private:
    void inside(k7check::Point p) const {
        // Lines stay inside the plot (and the ticks' 10 pixels around the middle line).
        check(p.x >= 30 && p.x <= client_.width - 30);
        check(p.y >= 10 && p.y <= client_.height - 20 + 10);
    }
    k7check::Size client_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace k7check::stream;
    FuzzedDataProvider in(data, size);
    const uint8_t flags = in.ConsumeIntegral<uint8_t>();
    const uint8_t activeMask = in.ConsumeIntegral<uint8_t>();
    const int width = in.ConsumeIntegralInRange<int>(-4, 900);
    const int height = in.ConsumeIntegralInRange<int>(-4, 700);
    GateParams gates{};
    GateResults results{};
    if ((flags & 4) != 0) {
        const auto raw = in.ConsumeBytes<uint8_t>(sizeof gates);
        if (!raw.empty()) {
            std::memcpy(&gates, raw.data(), raw.size());
        }
    }
    if ((flags & 8) != 0) {
        const auto raw = in.ConsumeBytes<uint8_t>(sizeof results);
        if (!raw.empty()) {
            std::memcpy(&results, raw.data(), raw.size());
        }
    }
    const uint32_t offset = in.ConsumeIntegral<uint32_t>();
    // The buffer in an allocation of exactly its size.
    const std::vector<uint8_t> buffer = in.ConsumeRemainingBytes<uint8_t>();
    const Bytes bytes(buffer.data(), buffer.size());

    if (auto h = readHeader(bytes)) {
        check(h->offset + kHeaderBytes <= bytes.size());
    }
    check(unpack12(bytes, bytes.size() / 2).size() ==
          std::min(unpackedCount(bytes.size() / 2), kMaxSamples));

    RecordResultWalker records(bytes);
    ResultItem item;
    std::size_t last = 0;
    while (records.next(item)) {
        // Gate results records take 56 bytes; a record of another type its `Datenlaenge`.
        const bool gates = item.record.type == kTypeGates;
        const std::size_t end =
            item.offset + (item.kind == ResultItem::Kind::Control ? kControlWordBytes
                           : gates                                ? kGateRecordBytes
                                                                  : item.record.length);
        check(end <= bytes.size() && item.offset >= last);
        if (item.kind == ResultItem::Kind::Control) {
            check(!controlWordListing(item).empty());
        }
        last = end;
    }
    std::array<bool, 8> active{};
    for (std::size_t s = 0; s < 8; ++s) {
        active[s] = (activeMask >> s & 1) != 0;
    }
    NativeResultWalker native(bytes, active);
    NativeItem entry;
    while (native.next(entry)) {
        check(entry.offset + kCompactEntryBytes <= bytes.size());
        check(entry.set >= 1 && entry.set <= 6 && active[entry.set]);
    }

    const AscanRecord ascan = decodeAscanRecord(bytes);
    check(ascan.samples.size() <= kMaxSamples);
    const ListRecord list = decodeListRecord(bytes);
    check(list.samples.size() <= bytes.size());

    k7check::MeasuredDataInputs inputs;
    inputs.recordLayout = (flags & 1) != 0;
    inputs.eightBit = (flags & 2) != 0;
    inputs.data = buffer.empty() ? nullptr : buffer.data();
    inputs.length = static_cast<uint32_t>(buffer.size());
    inputs.number = 1;
    inputs.samplingRate = static_cast<uint8_t>(flags >> 4);
    if ((flags & 4) != 0) {
        inputs.gateParams = gates;
    }
    if ((flags & 8) != 0) {
        inputs.gateResults = results;
    }
    inputs.offset = offset;
    k7check::MeasuredDataDisplay display;
    display.setInputs(inputs);
    const k7check::Size client{width, height};
    BoundsCanvas canvas(client);
    display.paint(canvas, client);
    display.setCurveDrawing(k7check::CurveDrawing::FullPolyline);
    display.paint(canvas, client);

    const k7check::DataList lines(
        {inputs.eightBit, inputs.recordLayout, inputs.data, inputs.length, inputs.samplingRate});
    for (std::size_t i = 0; i < lines.lineCount() && i < 64; ++i) {
        check(!lines.line(i).empty());
    }
    check(lines.line(lines.lineCount()).empty());
    return 0;
}
