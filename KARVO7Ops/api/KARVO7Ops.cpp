// The C interface over the card operations: arguments checked, the operation run with the card
// library's clock, its verdict copied into the caller's record.
#include "KARVO7Ops.h"

#include <cstring>
#include <string>

#include "CallerText.h"
#include "card/CardReset.h"
#include "card/DspLoad.h"
#include "card/KennungCheck.h"
#include "card/KennungFile.h"
#include "card/KennungReference.h"
#include "card/OpsRecord.h"
#include "card/SelfTests.h"
#include "card/SetToCard.h"
#include "k7base/RegularFile.h"
#include "station/StationChecks.h"

namespace {

using k7check::Verdict;

// Polls of 10 ms the card gets for its reset: one second.
constexpr uint32_t kResetPolls = 100;

using k7ops::copyText;
using k7ops::fail;

void fill(K7OpsVerdict* out, uint32_t item, const std::string& name, const Verdict& verdict) {
    std::memset(out, 0, sizeof *out);
    out->item = item;
    out->passed = verdict.passed ? 1 : 0;
    copyText(out->name, sizeof out->name, name);
    copyText(out->text, sizeof out->text, verdict.line);
}

int done(uint32_t* error) {
    *error = 0;
    return 1;
}

// The question callback as the self tests' observer; the FIFO test's findings are in its line.
class CallbackObserver final : public k7check::SelfTestObserver {
  public:
    CallbackObserver(K7OpsQuestion question, void* context)
        : question_(question), context_(context) {}
    void fifoMismatch(const std::string&) override {}
    bool dacRampsOk() override {
        return question_ != nullptr && question_(context_, "DAC-Test", "DAC-Rampen OK?") == 1;
    }

  private:
    K7OpsQuestion question_;
    void* context_;
};

// A named parameter file must be readable: checks against no reference values would fail for
// a reason none of them names. An empty name stands for no file.
bool parameterFileReadable(const char* parameterFile) {
    std::string bytes;
    return *parameterFile == '\0' || k7base::readRegularFile(parameterFile, bytes);
}

Verdict stationCheck(KARVO7HANDLE card, k7check::StationCheck check, const char* parameterFile,
                     K7OpsQuestion question, void* context) {
    k7check::LibraryClock clock;
    CallbackObserver observer(question, context);
    const k7check::StationSetup setup{parameterFile, clock, observer};
    return k7check::runStationCheck(card, check, setup);
}

}  // namespace

extern "C" {

KARVO7OPS_API uint32_t K7OpsVersion(void) {
    return KARVO7OPS_VERSION_NUMBER;
}

KARVO7OPS_API int K7OpsSelfTest(KARVO7HANDLE card, uint32_t test, K7OpsQuestion question,
                                void* context, K7OpsVerdict* verdict, uint32_t* error) {
    if (card == nullptr || verdict == nullptr || error == nullptr ||
        test >= K7OPS_SELF_TEST_COUNT) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    k7check::LibraryClock clock;
    CallbackObserver observer(question, context);
    fill(verdict, test, k7check::selfTestName(test),
         k7check::runSelfTest(card, test, clock, observer));
    return done(error);
}

KARVO7OPS_API int K7OpsLoadDsp(KARVO7HANDLE card, const char* path, K7OpsVerdict* verdict,
                               uint32_t* error) {
    if (card == nullptr || path == nullptr || verdict == nullptr || error == nullptr) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    const uint32_t dsp = K7OPS_CHECK_DSP;
    const char* name = k7check::stationCheckName(k7check::StationCheck::Dsp);
    const k7check::DspImageRead read = k7check::readDspImage(path);
    if (!read.ok()) {
        fill(verdict, dsp, name, {false, read.error});
        return fail(error, K7OPS_ERROR_FILE);
    }
    k7check::LibraryClock clock;
    const k7check::DspLoadOutcome outcome = k7check::loadDspProgram(card, read.image, clock);
    fill(verdict, dsp, name, {outcome.ok(), k7check::dspLoadLine(outcome)});
    if (!outcome.ok()) {
        const uint32_t word = !outcome.loaded            ? outcome.loadError
                              : outcome.ready.reset.ok() ? outcome.ready.error
                                                         : K7OPS_ERROR_FAILED;
        return fail(error, word != 0 ? word : K7OPS_ERROR_FAILED);
    }
    return done(error);
}

KARVO7OPS_API int K7OpsResetCard(KARVO7HANDLE card, K7OpsVerdict* verdict, uint32_t* error) {
    if (card == nullptr || verdict == nullptr || error == nullptr) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    k7check::LibraryClock clock;
    const k7check::ResetWarmUpOutcome outcome = k7check::resetAndWarmUp(card, clock, kResetPolls);
    fill(verdict, 0, "Reset", {outcome.ok(), k7check::resetLine(outcome)});
    if (!outcome.ok()) {
        const uint32_t word = outcome.reset.ok() ? outcome.error : 0;
        return fail(error, word != 0 ? word : K7OPS_ERROR_FAILED);
    }
    return done(error);
}

KARVO7OPS_API uint32_t K7OpsCheckWord(uint32_t check, char* word, uint32_t capacity) {
    const std::optional<k7check::StationCheck> which = k7check::stationCheckOfNumber(check);
    return copyText(word, capacity, which ? k7check::stationCheckWord(*which) : "");
}

KARVO7OPS_API int K7OpsCheck(KARVO7HANDLE card, uint32_t check, const char* parameterFile,
                             K7OpsQuestion question, void* context, K7OpsVerdict* verdict,
                             uint32_t* error) {
    const std::optional<k7check::StationCheck> which = k7check::stationCheckOfNumber(check);
    if (card == nullptr || parameterFile == nullptr || verdict == nullptr || error == nullptr ||
        !which) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    if (!parameterFileReadable(parameterFile)) {
        return fail(error, K7OPS_ERROR_FILE);
    }
    fill(verdict, check, k7check::stationCheckName(*which),
         stationCheck(card, *which, parameterFile, question, context));
    return done(error);
}

KARVO7OPS_API int K7OpsCheckAll(KARVO7HANDLE card, const char* parameterFile,
                                K7OpsQuestion question, void* context, K7OpsVerdict* verdicts,
                                uint32_t capacity, uint32_t* count, uint32_t* error) {
    if (card == nullptr || parameterFile == nullptr || verdicts == nullptr || count == nullptr ||
        error == nullptr) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    if (!parameterFileReadable(parameterFile)) {
        return fail(error, K7OPS_ERROR_FILE);
    }
    const auto checks = k7check::selectedStationChecks(parameterFile);
    if (checks.size() > capacity) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    *count = 0;
    for (const k7check::StationCheck check : checks) {
        fill(&verdicts[*count], k7check::stationCheckNumber(check),
             k7check::stationCheckName(check),
             stationCheck(card, check, parameterFile, question, context));
        ++*count;
    }
    return done(error);
}

KARVO7OPS_API int K7OpsSaveKennung(KARVO7HANDLE card, const char* path, uint32_t* error) {
    if (card == nullptr || path == nullptr || error == nullptr) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    uint32_t word = 0;
    const std::optional<KonfigRecord> record = k7check::readCardKennung(card, word);
    if (!record) {
        return fail(error, word);
    }
    if (k7check::saveKennungFile(path, *record) != k7check::KennungSave::Saved) {
        return fail(error, K7OPS_ERROR_FILE);
    }
    return done(error);
}

KARVO7OPS_API int K7OpsWriteKennung(KARVO7HANDLE card, const char* path, uint32_t* error) {
    if (card == nullptr || path == nullptr || error == nullptr) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    // Only a file of the record's text form reaches the card: an empty or foreign file would
    // blank its identification.
    const k7check::KennungReference reference = k7check::readKennungReference(path);
    if (!reference.record) {
        return fail(error, K7OPS_ERROR_FILE);
    }
    uint32_t word = 0;
    if (!k7check::writeCardKennung(card, *reference.record, word)) {
        return fail(error, word != 0 ? word : K7OPS_ERROR_FAILED);
    }
    return done(error);
}

KARVO7OPS_API int K7OpsHandSetToCard(KARVO7HANDLE card, uint32_t set, const K7OpsSet* record,
                                     uint32_t* step, uint32_t* error) {
    if (card == nullptr || record == nullptr || step == nullptr || error == nullptr ||
        set >= k7check::kSetsPerCard) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    const k7check::HandOver handed =
        k7check::handSetToCard(card, set, k7check::cardRecordOf(*record));
    *step = static_cast<uint32_t>(handed.failed);
    if (!handed.ok()) {
        return fail(error, handed.error);
    }
    return done(error);
}

KARVO7OPS_API int K7OpsStopAndEmpty(KARVO7HANDLE card, uint32_t* error) {
    if (card == nullptr || error == nullptr) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    uint32_t word = 0;
    if (!k7check::stopAndEmpty(card, word)) {
        return fail(error, word);
    }
    return done(error);
}

}  // extern "C"
