#include "card/SampleScalings.h"

namespace k7check::stream {

double samplePeriodUs(uint32_t samplingRate) {
    static constexpr double kPeriod[8] = {0.0125,  0.025,   0.05,    0.1,
                                          0.00625, 0.00625, 0.00625, 0.00625};
    return kPeriod[samplingRate & 7u];
}

}  // namespace k7check::stream
