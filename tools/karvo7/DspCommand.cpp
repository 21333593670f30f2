// karvo7 dsp N FILE: loads a DSP program (.hex or .bin) as the check program does — the file
// read and refused by the same rules, the image written, the card reset and warmed up.
#include <iostream>

#include "Commands.h"
#include "ResetSteps.h"
#include "TerminalDesktop.h"
#include "Tool.h"
#include "windows/card/DspImage.h"

namespace karvo7 {

int runDsp(const DspOptions& options, std::ostream& out, std::ostream& err) {
    // The file first: a refused file touches no card.
    const k7check::DspImageRead read = k7check::readDspImage(options.file);
    if (!read.ok()) {
        complain(err, options.file + ": " + read.error);
        return kExitFailed;
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    const uint32_t blocks = read.image.blocks();
    if (options.progress) {
        err << "card " << options.card << ": loading " << blocks << " blocks ..." << std::flush;
    }
    uint32_t error = 0;
    const bool loaded = KARVO7LoadProm(card.get(), blocks, read.image.bytes.data(), &error) != 0;
    if (options.progress) {
        err << (loaded ? " resetting ..." : "\n") << std::flush;
    }
    if (!loaded) {
        complain(err, "card " + std::to_string(options.card) + ": loading failed, error " +
                          hexWord(error));
        return kExitFailed;
    }
    TerminalDesktop desktop(std::cin, err, false);
    desktop.sleep(100);
    std::string failure;
    uint32_t ms = 0;
    const bool ready = resetAndWarmUp(card.get(), desktop, failure, ms);
    if (options.progress) {
        err << (ready ? " done\n" : "\n") << std::flush;
    }
    if (!ready) {
        complain(err, "card " + std::to_string(options.card) + ": " + failure);
        return kExitFailed;
    }
    out << "card " << options.card << ": " << blocks << " blocks loaded, reset after " << ms
        << " ms\n";
    return kExitDone;
}

}  // namespace karvo7
