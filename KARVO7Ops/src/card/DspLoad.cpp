#include "card/DspLoad.h"

#include "Format.h"

namespace k7check {

namespace {

// The card's pause between taking the image and its reset.
constexpr uint32_t kAfterWriteMs = 100;

}  // namespace

DspLoadOutcome loadDspProgram(KARVO7HANDLE card, const DspImage& image, Clock& clock,
                              const ImageWrite& around) {
    DspLoadOutcome outcome;
    const auto write = [&] {
        outcome.loaded =
            KARVO7LoadProm(card, image.blocks(), image.bytes.data(), &outcome.loadError) != 0;
    };
    if (around) {
        around(write);
    } else {
        write();
    }
    clock.sleep(kAfterWriteMs);
    if (outcome.loaded) {
        outcome.ready = resetAndWarmUp(card, clock, kDspResetPolls);
    }
    return outcome;
}

std::string dspLoadFault(const DspLoadOutcome& outcome) {
    if (!outcome.loaded) {
        return formatText("Error %X", outcome.loadError);
    }
    if (!outcome.ready.reset.ok()) {
        return "Reset Error after loading";
    }
    if (!outcome.ready.warmedUp) {
        return formatText("WarmUp Error %X", outcome.ready.error);
    }
    return "";
}

std::string dspLoadLine(const DspLoadOutcome& outcome) {
    if (!outcome.ok()) {
        return dspLoadFault(outcome);
    }
    return formatText("OK (Reset nach %u ms)", outcome.ready.reset.polls * 10);
}

}  // namespace k7check
