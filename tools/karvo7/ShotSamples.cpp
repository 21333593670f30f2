#include "ShotSamples.h"

#include "KARVO7Protocol.h"
#include "stream/DisplayReaders.h"

namespace karvo7 {

namespace stream = k7check::stream;

std::vector<int16_t> shotSamples(const ShotLayout& layout, const std::vector<uint8_t>& buffer) {
    if (layout.layout == Layout::Record) {
        return stream::decodeListRecord(stream::Bytes(buffer.data(), buffer.size())).samples;
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
