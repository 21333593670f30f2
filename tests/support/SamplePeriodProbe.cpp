// The sample period of every "Samplerate" code as the set editor converts samples to µs and mm:
// writes "code period" a line for the codes 0 to 255, the period in µs with nine significant
// digits. The Python package's parameter sets copy the rule; its agreement test compares the two.
#include <cstdio>

#include "card/Units.h"

int main() {
    for (unsigned code = 0; code <= 255; ++code) {
        const float period = k7check::units::rateTiming(static_cast<uint8_t>(code)).period;
        std::printf("%u %.9g\n", code, static_cast<double>(period));
    }
    return 0;
}
