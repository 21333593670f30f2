#include "ShotSamples.h"

#include <algorithm>
#include <cstdio>

#include "KARVO7Protocol.h"
#include "StreamReaders.h"

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

std::string shotsCsv(const ShotLayout& layout, const std::vector<std::vector<uint8_t>>& shots) {
    std::vector<std::vector<int16_t>> samples;
    std::size_t rows = 0;
    for (const auto& shot : shots) {
        samples.push_back(shotSamples(layout, shot));
        rows = std::max(rows, samples.back().size());
    }
    const double period = stream::samplePeriodUs(layout.samplingRate);
    std::string text = "time_us,sample";
    for (std::size_t k = 1; k <= shots.size(); ++k) {
        text += ",shot" + std::to_string(k) + "_percent";
    }
    text += '\n';
    char cell[48];
    for (std::size_t i = 0; i < rows; ++i) {
        std::snprintf(cell, sizeof cell, "%.5f,%zu", static_cast<double>(i) * period, i);
        text += cell;
        for (const auto& s : samples) {
            text += ',';
            if (i < s.size()) {
                std::snprintf(cell, sizeof cell, "%.3f", shotPercent(layout, s[i]));
                text += cell;
            }
        }
        text += '\n';
    }
    return text;
}

}  // namespace karvo7
