// A single shot decoded through the card operations' C interface from arbitrary bytes: the
// layout from a set of the first bytes, either as the set gives it or with a field changed as a
// caller might hand it in, the shot's length and its gate values from the bytes too. A refused
// shot writes nothing; a decoded one writes exactly the layout's samples, and the same bytes
// decode the same way again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KARVO7Ops.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

constexpr int16_t kUntouched = 0x5A5A;
constexpr std::size_t kHeader = 8;

uint16_t word(const uint8_t* data) {
    return static_cast<uint16_t>(data[0] | data[1] << 8);
}

K7OpsSet setOf(const uint8_t* header) {
    K7OpsSet record{};
    record.measure.IFF = 1000;
    record.measure.Aufnahmelaenge = word(header + 1);
    record.measure.Bit8 = header[3] & 1;
    record.measure.ASCAN = (header[3] >> 1) & 1;
    record.measure.Faktor = header[4] % 9;
    record.measure.Samplerate = header[3] >> 5;
    return record;
}

// The layout changed as a caller might hand it in: another length, sample count or width.
void alter(K7OpsShotLayout& layout, const uint8_t* header) {
    switch (header[5] % 5) {
        case 1:
            layout.shotBytes = word(header + 6);
            break;
        case 2:
            layout.samples = header[6] & 1 ? 0xFFFFFFFFu : word(header + 6);
            break;
        case 3:
            layout.sampleBits = header[6];
            break;
        case 4:
            layout.layout ^= 1;
            break;
        default:
            break;
    }
}

struct Outcome {
    int result = 0;
    uint32_t error = 0;
    std::vector<int16_t> samples;
    K7OpsDecodedShot decoded{};
};

Outcome decode(const std::vector<uint8_t>& bytes, const K7OpsShot& shot,
               const K7OpsShotLayout& layout, uint32_t capacity) {
    Outcome out;
    out.samples.assign(capacity, kUntouched);
    std::memset(&out.decoded, 0xA5, sizeof out.decoded);
    out.result = K7OpsDecodeShot(bytes.data(), &shot, &layout, out.samples.data(), capacity,
                                 &out.decoded, &out.error);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader) {
        return 0;
    }
    const K7OpsSet record = setOf(data);
    K7OpsShotLayout layout{};
    uint32_t error = 0;
    if (K7OpsShotLayoutOf(data[0] % 8, &record, data[0] >> 7, &layout, &error) == 0) {
        return 0;
    }
    alter(layout, data);
    // The shot's bytes are what follows the header, as long as the card delivered them.
    const std::vector<uint8_t> bytes(data + kHeader, data + size);
    K7OpsShot shot{};
    shot.bytes = static_cast<uint32_t>(bytes.size());
    shot.gatesRead = data[3] >> 2 & 1;
    std::memcpy(&shot.gates, data, sizeof shot.gates < size ? sizeof shot.gates : size);
    // Room for the layout's samples, one less or a few more; never more than a shot's bytes
    // could carry, so that a layout's count is what the buffer holds.
    const uint32_t room = layout.samples <= bytes.size() ? layout.samples : 0;
    uint32_t capacity = room;
    if ((data[4] & 0x80) != 0 && room > 0) {
        capacity = room - 1;
    } else if ((data[4] & 0x40) != 0) {
        capacity = room + 3;
    }

    const Outcome first = decode(bytes, shot, layout, capacity);
    if (first.result == 0) {
        check(first.error == K7OPS_ERROR_ARGUMENT || first.error == K7OPS_ERROR_SHOT_SIZE ||
              first.error == K7OPS_ERROR_BUFFER);
        for (const int16_t sample : first.samples) {
            check(sample == kUntouched);
        }
        return 0;
    }
    check(first.error == 0 && first.decoded.samples == layout.samples);
    check(layout.samples <= capacity && shot.bytes == layout.shotBytes);
    for (uint32_t i = layout.samples; i < capacity; ++i) {
        check(first.samples[i] == kUntouched);
    }
    const Outcome again = decode(bytes, shot, layout, capacity);
    check(again.result == 1 && again.samples == first.samples &&
          std::memcmp(&again.decoded, &first.decoded, sizeof first.decoded) == 0);
    return 0;
}
