// karvo7 shot N --set S: single shots of one set, as the check program's single measurement
// takes them (the set handed to the card, then start and read), written as CSV, raw bytes or
// JSON as they come.
#include <algorithm>
#include <cerrno>

#include "Commands.h"
#include "HandOver.h"
#include "Interrupt.h"
#include "OutputFile.h"
#include "ShotOutput.h"
#include "ShotSamples.h"
#include "Tool.h"
#include "system/Descriptors.h"

namespace karvo7 {

namespace {

ShotFormat formatOf(const ShotOptions& options) {
    if (options.format) {
        return *options.format;
    }
    const std::string& o = options.output;
    auto endsWith = [&](const char* end) {
        const std::string e(end);
        return o.size() >= e.size() && o.compare(o.size() - e.size(), e.size(), e) == 0;
    };
    if (endsWith(".json")) {
        return ShotFormat::Json;
    }
    if (endsWith(".bin") || endsWith(".raw")) {
        return ShotFormat::Raw;
    }
    return ShotFormat::Csv;
}

// Where the shots go: standard output as it is, or a file that appears whole at the end.
class ShotDestination {
  public:
    ShotDestination(const ShotOptions& options, std::ostream& out) : options_(options), out_(out) {}

    bool open() {
        return options_.output == "-" ||
               file_.open(options_.output, k7check::kStandardOutput, why_);
    }
    ShotSink sink() {
        return [this](std::string_view bytes) {
            if (options_.output != "-") {
                return file_.write(bytes.data(), bytes.size(), why_);
            }
            out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            if (!out_) {
                why_ = "standard output: " + writeErrorText(errno);
            }
            return static_cast<bool>(out_);
        };
    }
    bool commit() {
        if (options_.output != "-") {
            return file_.commit(why_);
        }
        out_.flush();
        if (!out_) {
            why_ = "standard output: " + writeErrorText(errno);
        }
        return static_cast<bool>(out_);
    }
    const std::string& why() const { return why_; }

  private:
    const ShotOptions& options_;
    std::ostream& out_;
    OutputFile file_;
    std::string why_;
};

// Starts and reads one shot at a time, each handed to the output as it comes: the memory held
// is one shot's, whatever the number of shots.
int takeShots(KARVO7HANDLE card, const ShotOptions& options, const ShotLayout& layout,
              bool externalTrigger, std::ostream& out, std::ostream& err) {
    ShotDestination destination(options, out);
    if (!destination.open()) {
        complain(err, destination.why());
        return kExitFailed;
    }
    const std::unique_ptr<ShotOutput> shots =
        makeShotOutput(formatOf(options), {options.card, options.set, layout}, destination.sink());
    std::vector<uint8_t> buffer(kLargestShotBytes);
    uint32_t error = 0;
    for (uint32_t k = 0; k < options.count; ++k) {
        if (KARVO7Start(card, &error) == 0) {
            complain(err, "start failed, error " + errorWord(error));
            return kExitFailed;
        }
        uint32_t length = static_cast<uint32_t>(buffer.size());
        const uint32_t began = K7OsGetTickCount();
        if (KARVO7GetData(card, &length, buffer.data(), &error) == 0) {
            const bool waited = externalTrigger && noTriggerCame(error, K7OsGetTickCount() - began);
            complain(err, "shot " + std::to_string(k + 1) + ": " +
                              (waited ? noTriggerText(error)
                                      : "reading failed, error " + errorWord(error)));
            return kExitFailed;
        }
        if (!shots->add({buffer.data(), buffer.data() + length})) {
            complain(err, shots->error().empty() ? destination.why() : shots->error());
            return kExitFailed;
        }
    }
    if (!shots->finish() || !destination.commit()) {
        complain(err, shots->error().empty() ? destination.why() : shots->error());
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace

int runShot(const ShotOptions& options, std::ostream& out, std::ostream& err) {
    if (options.count == 0) {
        complain(err, "-n must be at least 1");
        return kExitUsage;
    }
    k7check::ParameterSet set;
    if (!buildSet(options.overrides, options.card == 0 ? 1 : std::min(options.card, 16u),
                  options.set, set, err)) {
        return kExitUsage;
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, options.opened, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    const bool version3 = KARVO7IsVersion3(card.get()) != 0;
    if (!version3 && options.set != 0) {
        complain(err, "card " + std::to_string(options.card) + " holds set 0 only");
        return kExitUsage;
    }
    if (!withinCardLimits(card.get(), options.card, options.overrides, err)) {
        return kExitUsage;
    }
    if (!warmUp(card.get(), options.card, err)) {
        return kExitFailed;
    }
    uint32_t error = 0;
    ShotLayout layout{version3 ? options.overrides.layout : Layout::Native, set.bit8,
                      set.samplerate};
    if (version3 && KARVO7SetVIRMA4(card.get(), options.set,
                                    layoutIdentification(layout.layout, options.card, options.set),
                                    &error) == 0) {
        complain(err, "setting the data layout failed, error " + errorWord(error));
        return kExitFailed;
    }
    if (!handSet(card.get(), options.set, k7check::cardRecordOf(set), err)) {
        return kExitFailed;
    }
    KARVO7SetMode(card.get(), 1, &error);
    if (set.externerTrigger && !setTriggerWait(card.get(), err)) {
        return kExitFailed;
    }
    return takeShots(card.get(), options, layout, set.externerTrigger, out, err);
}

}  // namespace karvo7
