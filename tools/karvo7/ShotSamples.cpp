#include "ShotSamples.h"

#include "card/SampleScalings.h"

namespace karvo7 {

std::vector<int16_t> shotSamples(const K7OpsShotLayout& layout, const std::vector<uint8_t>& bytes) {
    K7OpsShot shot{};
    shot.bytes = static_cast<uint32_t>(bytes.size());
    std::vector<int16_t> samples(layout.samples);
    K7OpsDecodedShot decoded{};
    uint32_t error = 0;
    if (bytes.empty() ||
        K7OpsDecodeShot(bytes.data(), &shot, &layout, samples.data(),
                        static_cast<uint32_t>(samples.size()), &decoded, &error) == 0) {
        return {};
    }
    return samples;
}

double shotPercent(const K7OpsShotLayout& layout, int16_t sample) {
    return layout.sampleBits == 8 ? k7check::stream::percent8(sample)
                                  : k7check::stream::percent16(sample);
}

}  // namespace karvo7
