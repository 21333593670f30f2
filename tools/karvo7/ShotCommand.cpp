// karvo7 shot N --set S: single shots of one set, taken by the card operations as the check
// program's single measurement takes them (the set handed to the card, then for each shot the
// FIFO emptied, start, read and the FIFO emptied again), written as CSV, raw bytes or JSON as
// they come.
#include <algorithm>
#include <cerrno>

#include "Commands.h"
#include "HandOver.h"
#include "Interrupt.h"
#include "KARVO7Ops.h"
#include "OutputFile.h"
#include "ShotOutput.h"
#include "ShotSamples.h"
#include "Tool.h"
#include "card/OpsRecord.h"
#include "k7base/Descriptors.h"

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
        return options_.output == "-" || file_.open(options_.output, k7base::kStandardOutput, why_);
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

// What a failed shot says: the step of the card operations' shot that failed.
std::string shotFailure(const K7OpsShot& shot, const K7OpsShotLayout& layout, uint32_t error,
                        bool externalTrigger, uint32_t waitedMs) {
    switch (shot.step) {
        case K7OPS_SHOT_STEP_CLEAR:
            return "emptying the FIFO failed, error " + errorWord(error);
        case K7OPS_SHOT_STEP_START:
            return "start failed, error " + errorWord(error);
        case K7OPS_SHOT_STEP_READ: {
            const bool waited = externalTrigger && (error == K7OPS_ERROR_TIMEOUT ||
                                                    noTriggerCame(shot.readError, waitedMs));
            return waited ? noTriggerText(shot.readError)
                          : "reading failed, error " + errorWord(shot.readError);
        }
        case K7OPS_SHOT_STEP_LENGTH:
            return "the card delivered " + std::to_string(shot.bytes) +
                   " bytes, a shot of the set " + std::to_string(layout.shotBytes);
        default:
            break;
    }
    return "failed, error " + errorWord(error);
}

// Starts and reads one shot at a time, each handed to the output as it comes: the memory held
// is one shot's, whatever the number of shots. The gate values the card operations read with a
// shot are not written: a failure to read them leaves the shot's data good.
int takeShots(KARVO7HANDLE card, const ShotOptions& options, const K7OpsSet& record,
              const K7OpsShotLayout& shotLayout, std::ostream& out, std::ostream& err) {
    ShotDestination destination(options, out);
    if (!destination.open()) {
        complain(err, destination.why());
        return kExitFailed;
    }
    const std::unique_ptr<ShotOutput> shots = makeShotOutput(
        formatOf(options), {options.card, options.set, shotLayout}, destination.sink());
    std::vector<uint8_t> buffer(shotLayout.readBytes);
    for (uint32_t k = 0; k < options.count; ++k) {
        K7OpsShot shot{};
        uint32_t error = 0;
        const uint32_t began = K7OsGetTickCount();
        if (K7OpsTakeShot(card, options.set, &record, &shotLayout, buffer.data(),
                          static_cast<uint32_t>(buffer.size()), &shot, &error) == 0 &&
            shot.step != K7OPS_SHOT_STEP_GATES) {
            complain(err, "shot " + std::to_string(k + 1) + ": " +
                              shotFailure(shot, shotLayout, error, shotLayout.externalTrigger != 0,
                                          K7OsGetTickCount() - began));
            return kExitFailed;
        }
        if (!shots->add({buffer.data(), buffer.data() + shot.bytes})) {
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
    const Layout layout = version3 ? options.overrides.layout : Layout::Native;
    if (version3 &&
        KARVO7SetVIRMA4(card.get(), options.set,
                        layoutIdentification(layout, options.card, options.set), &error) == 0) {
        complain(err, "setting the data layout failed, error " + errorWord(error));
        return kExitFailed;
    }
    const K7OpsSet record = k7check::opsRecordOf(k7check::cardRecordOf(set));
    K7OpsShotLayout shotLayout{};
    uint32_t step = 0;
    if (K7OpsPrepareShot(card.get(), options.set, &record,
                         layout == Layout::Record ? K7OPS_LAYOUT_RECORD : K7OPS_LAYOUT_NATIVE, 1,
                         &shotLayout, &step, &error) == 0) {
        complain(err, step != K7OPS_STEP_NONE
                          ? refusedText(options.set, step, error)
                          : "preparing the shot failed, error " + errorWord(error));
        return kExitFailed;
    }
    if (set.externerTrigger && !setTriggerWait(card.get(), err)) {
        return kExitFailed;
    }
    return takeShots(card.get(), options, record, shotLayout, out, err);
}

}  // namespace karvo7
