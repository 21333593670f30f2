// The depth compensation file reader on arbitrary bytes: whatever a .ta file holds, reading it
// never goes beyond the text, never converts a number with undefined behaviour, takes at most
// 256 gains, and changes a set only as a good read says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "card/ParameterSet.h"
#include "card/TaFile.h"
#include "card/Units.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte chooses the sampling rate (its low four bits count).
    const auto samplerate = static_cast<uint8_t>(data[0]);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const k7check::units::Timing timing = k7check::units::rateTiming(samplerate);

    k7check::ParameterSet set;
    set.taStuetzstellen = 7;
    set.taAbstand = 3;
    const k7check::ParameterSet before = set;
    const k7check::TaContent content = k7check::parseTaText(text, timing);
    k7check::applyTaContent(content, set);

    if (content.entries.size() > k7check::kTaTableSize) {
        std::abort();
    }
    if (content.status != k7check::TaContent::Status::Read) {
        // A refused file leaves the set as it was.
        if (set.taAbstand != before.taAbstand || set.taStuetzstellen != before.taStuetzstellen ||
            set.taTabelle != before.taTabelle || !content.entries.empty()) {
            std::abort();
        }
        return 0;
    }
    // A good read: the spacing lies on the grid, the count follows the gains read.
    if (set.taAbstand % timing.grid != 0) {
        std::abort();
    }
    if (!content.entries.empty() &&
        set.taStuetzstellen != static_cast<uint8_t>(content.entries.size() - 1)) {
        std::abort();
    }
    if (content.entries.empty() && set.taStuetzstellen != before.taStuetzstellen) {
        std::abort();
    }
    (void)k7check::taFailureText(content);
    (void)k7check::units::formatFloat(content.spacingUs);
    return 0;
}
