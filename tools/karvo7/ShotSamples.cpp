#include "ShotSamples.h"

#include "KARVO7Protocol.h"
#include "KARVO7Stream.h"
#include "card/SampleScalings.h"

namespace karvo7 {

namespace stream = k7check::stream;

namespace {

// The samples of the first A-scan record in the buffer, as the decoder reads them.
std::vector<int16_t> recordSamples(const std::vector<uint8_t>& buffer) {
    KARVO7StreamOptions options{};
    options.struct_size = sizeof options;
    options.layout = KARVO7STREAM_LAYOUT_RECORD;
    options.prefix = KARVO7STREAM_PREFIX_AUTO;
    KARVO7StreamWalker walker{};
    if (KARVO7StreamBegin(&walker, buffer.data(), buffer.size(), &options) != KARVO7STREAM_OK) {
        return {};
    }
    std::vector<int16_t> samples(65536);
    KARVO7StreamItem item{};
    item.struct_size = sizeof item;
    while (KARVO7StreamNext(&walker, &item, samples.data(),
                            static_cast<uint32_t>(samples.size())) == KARVO7STREAM_OK) {
        if (item.kind == KARVO7STREAM_ITEM_RECORD) {
            samples.resize(item.samples_written);
            return samples;
        }
    }
    return {};
}

}  // namespace

std::vector<int16_t> shotSamples(const ShotLayout& layout, const std::vector<uint8_t>& buffer) {
    if (layout.layout == Layout::Record) {
        return recordSamples(buffer);
    }
    std::vector<int16_t> samples;
    if (layout.eightBit) {
        samples.reserve(buffer.size());
        for (uint8_t b : buffer) {
            samples.push_back(static_cast<int8_t>(b));
        }
    } else {
        samples.reserve(buffer.size() / 2);
        for (std::size_t i = 0; i + 1 < buffer.size(); i += 2) {
            samples.push_back(static_cast<int16_t>(k7proto::le16(&buffer[i])));
        }
    }
    return samples;
}

double shotPercent(const ShotLayout& layout, int16_t sample) {
    return layout.layout == Layout::Native && layout.eightBit ? stream::percent8(sample)
                                                              : stream::percent16(sample);
}

}  // namespace karvo7
