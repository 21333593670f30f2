// karvo7 dsp N FILE: loads a DSP program (.hex or .bin) as the check program does — the file
// read and refused by the same rules (said in English), the image written, the card reset and
// warmed up.
#include <iostream>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "DspFile.h"
#include "Tool.h"
#include "card/DspLoad.h"

namespace karvo7 {

int runDsp(const DspOptions& options, std::ostream& out, std::ostream& err) {
    // The file first: a refused file touches no card.
    const k7check::DspImageRead read = readProgramFile(options.file);
    if (!read.ok()) {
        complain(err, read.error);
        return kExitUsage;
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    const uint32_t blocks = read.image.blocks();
    if (options.progress) {
        err << "card " << options.card << ": loading " << blocks << " blocks ..." << std::flush;
    }
    k7check::LibraryClock clock;
    const k7check::DspLoadOutcome outcome = k7check::loadDspProgram(card.get(), read.image, clock);
    if (options.progress) {
        err << (outcome.loaded ? " resetting ..." : "") << (outcome.ok() ? " done\n" : "\n")
            << std::flush;
    }
    if (!outcome.loaded) {
        complain(err, "card " + std::to_string(options.card) + ": loading failed, error " +
                          errorWord(outcome.loadError));
        return kExitFailed;
    }
    if (!outcome.ready.ok()) {
        complain(err, "card " + std::to_string(options.card) + ": " +
                          readinessFailure(outcome.ready, k7check::kDspResetPolls));
        return kExitFailed;
    }
    const uint32_t ms = outcome.ready.reset.polls * 10;
    if (options.json) {
        out << nlohmann::ordered_json{{"card", options.card}, {"blocks", blocks}, {"reset_ms", ms}}
                   .dump()
            << '\n';
    } else {
        out << "card " << options.card << ": " << blocks << " blocks loaded, reset after " << ms
            << " ms\n";
    }
    return kExitDone;
}

}  // namespace karvo7
