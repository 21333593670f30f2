// The firmware's command interpreter: control commands, set selection and activity, the
// parameter commands of the selected set, measurement start and stop, and the commands whose
// answer the next read delivers (sensor reading, A-scan, gate values, results).
#include "Card.h"
#include "LittleEndian.h"
#include "Protocol.h"

namespace k7sim {

using namespace cmd;

void Card::changed(uint32_t set) {
    ++versions_[set];
    lastGates_[set].reset();
    if (set == selected_) {
        lca_.load(sets_[set], externalClock_);
    }
}

uint32_t Card::command(const uint8_t* block) {
    const uint32_t code = le16(block + kCodeOffset);
    const uint32_t count = block[kCountOffset];
    uint32_t words[kMostWords] = {};
    for (uint32_t i = 0; i < kMostWords; ++i) {
        words[i] = le32(block + kWordsOffset + 4 * i);
    }
    if (count > kMostWords || wordsOf(code) != count) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kCommandBlock);
    }
    if (!known(code)) {
        return fail(K7_ERROR_NOT_SUPPORTED, err::kUnknownCommand);
    }
    if (static_cast<int>(count) != kWordCounts[numberOf(code)]) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kCommandWords);
    }
    if (const auto word = faults_.command(code, count > 0, words[0])) {
        return fail(K7_ERROR_GEN_FAILURE, *word);
    }
    if (resetting_) {
        return fail(K7_ERROR_GEN_FAILURE, err::kInReset);
    }
    const uint32_t w = words[0];
    switch (code) {
        case kMonitorAdc:  // temperature and supply voltages
            reply_ = adcReading();
            replyPosition_ = 0;
            source_ = Source::Reply;
            return K7_ERROR_SUCCESS;
        case kStart:
            return startMeasurement(0, false);
        case kStop:  // stop: the run ends, single shots no longer wait for their trigger
            endRun();
            armed_.clear();
            return K7_ERROR_SUCCESS;
        case kResetLcas: {  // reset of the LCAs: registers to their start values, FIFOs emptied
            run_.on = false;
            armed_.clear();
            fifo_.clear();
            results_.restart();
            fifoOverflow_ = false;
            resultsOverflow_ = false;
            lca_.reset(config_.lcaId, config_.dataLcaId);
            lca_.setPower(powered_);
            lca_.load(sets_[selected_], externalClock_);
            return K7_ERROR_SUCCESS;
        }
        case kOffset:
            offsetAdjusted_ = true;
            return K7_ERROR_SUCCESS;
        case kPowerDown:
            powered_ = false;
            endRun();
            armed_.clear();
            lca_.setPower(false);
            return K7_ERROR_SUCCESS;
        case kPowerUp:
            powered_ = true;
            lca_.setPower(true);
            return K7_ERROR_SUCCESS;
        case kAttenuation:  // system attenuation, in 0.1 dB, into incoming mailbox 2
            bridge_.setIncoming(1, powered_ ? 120u : 0u);
            return K7_ERROR_SUCCESS;
        case kSelectSet:
            if ((w & 0xFFu) >= setCount()) {
                return fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchSet);
            }
            selected_ = w & 0xFFu;
            lca_.load(sets_[selected_], externalClock_);
            if (lastGates_[selected_]) {
                lca_.showGates(*lastGates_[selected_]);
            }
            return K7_ERROR_SUCCESS;
        case kActiveSets:
            active_ = static_cast<uint8_t>(w & (setCount() == 8 ? 0xFFu : 0x01u));
            return K7_ERROR_SUCCESS;
        case kAscanOfSet: {  // A-scan of a set for the next read
            const uint32_t set = w & 0xFFu;
            if (set >= setCount()) {
                return fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchSet);
            }
            reply_.clear();
            replyPosition_ = 0;
            source_ = Source::Reply;
            bool measured = false;
            for (uint32_t s : run_.sets) {
                measured = measured || (run_.on && s == set);
            }
            if (measured) {
                ascanWanted_ = static_cast<int>(set);  // the next shot of the set answers
            } else {
                singleShot(set, Destination::Reply);  // an idle set measures once
            }
            return K7_ERROR_SUCCESS;
        }
        case kExternalClock:
            externalClock_ = w != 0;
            lca_.load(sets_[selected_], externalClock_);
            return K7_ERROR_SUCCESS;
        case kBlockStart:
            return startMeasurement(w & 0xFFu, true);
        case kClearFifo:
            fifo_.clear();
            results_.clear();
            reply_.clear();
            replyPosition_ = 0;
            source_ = Source::Fifo;
            ascanWanted_ = -1;
            fifoOverflow_ = false;
            resultsOverflow_ = false;
            return K7_ERROR_SUCCESS;
        case kSelfTest:
            return selfTest(w);
        case kGateValues: {  // gate values of the selected set's last shot
            // Without one, a set measures once for them; an externally triggered set has none.
            if (!lastGates_[selected_] && !sets_[selected_].externalTrigger()) {
                takeShot(selected_, nowUs_, Destination::None);
            }
            const auto entry = compactEntry(lastGates_[selected_].value_or(ShotGates{}));
            reply_.assign(entry.begin(), entry.end());
            replyPosition_ = 0;
            source_ = Source::Reply;
            return K7_ERROR_SUCCESS;
        }
        case kResults:
            source_ = Source::Results;
            resultLimit_ = w & 0xFFFFu;
            return K7_ERROR_SUCCESS;
        default:
            return parameterCommand(code, words);
    }
}

// Commands that change the selected set.
uint32_t Card::parameterCommand(uint32_t code, const uint32_t* words) {
    ParameterSet& s = sets_[selected_];
    const uint32_t w = words[0];
    switch (code) {
        case kSapDelay:
            s.sapDelay = static_cast<uint16_t>(w & 0xFFFF);
            break;
        case kIdentification:
            s.identification = static_cast<int16_t>(w & 0xFFFF);
            break;
        case kShot:
            s.shotWord = w & 0xFFFFu;
            break;
        case kSender:
            s.senderWord = w & 0xFFFFu;
            break;
        case kInput:
            s.inputWord = w & 0xFFFFu;
            break;
        case kGain:
            s.gain = static_cast<int16_t>(w & 0xFFFF);
            break;
        case kFilter:
            s.filter = w & 7u;
            break;
        case kAverage:
            s.average = w;
            break;
        case kTrigger:
            s.iff = w;
            s.triggerWord = words[1];
            break;
        case kCount:
            s.prerun = static_cast<uint16_t>(w & 0xFFFF);
            s.length = static_cast<uint16_t>(w >> 16);
            s.delay = words[1];
            break;
        case kDepthCompensation:
            s.taPoints = static_cast<uint8_t>(w & 0xFF);
            s.taDelay = static_cast<uint16_t>(w >> 16);
            s.taSpacing = words[1];
            break;
        case kAscanForm:
            s.ascanWord = w & 0xFFFFu;
            break;
        case kReplyLevel:
            s.replyLevel = w;
            break;
        case kGate: {
            const auto gate = static_cast<uint16_t>(w & 0xFFFF);
            const auto second = static_cast<uint16_t>(w >> 16);
            const auto third = static_cast<uint16_t>(words[1] & 0xFFFF);
            const auto fourth = static_cast<uint16_t>(words[1] >> 16);
            if (gate == 0xFFFF) {
                s.esTime = second;
                s.esLevel = third;
                s.esFlags = fourth & 3u;
            } else if (gate <= 4) {
                s.gates[gate] = {second, third, fourth};
            } else {
                return fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchGate);
            }
            break;
        }
        case kGateEnables:
            s.gateEnables = w & 0x1Fu;
            break;
        case kTriggerDelay:
            s.triggerDelay = w;
            break;
        default:
            return fail(K7_ERROR_NOT_SUPPORTED, err::kUnknownCommand);
    }
    changed(selected_);
    return K7_ERROR_SUCCESS;
}

// Start: the selected set's measurement mode decides: one shot, or a run over the
// active sets. Block start: a run over the active sets, or over the given set when
// none is active.
uint32_t Card::startMeasurement(uint32_t setForBlock, bool block) {
    if (!powered_) {
        return fail(K7_ERROR_GEN_FAILURE, err::kPoweredDown);
    }
    const uint32_t mode = block ? 3u : sets_[selected_].measurement();
    if (mode == 0) {
        return K7_ERROR_SUCCESS;
    }
    endRun();
    if (mode == 1) {
        singleShot(selected_, Destination::Fifo);
        return K7_ERROR_SUCCESS;
    }
    Run run;
    for (uint32_t s = 0; s < setCount(); ++s) {
        if ((active_ & (1u << s)) != 0) {
            run.sets.push_back(s);
        }
    }
    if (run.sets.empty()) {
        run.sets.push_back(block && setForBlock < setCount() ? setForBlock : selected_);
    }
    run.on = true;
    run.modus = static_cast<uint8_t>(mode);
    run_ = run;
    // The first shot comes at once, or for an externally triggered set with the next trigger;
    // a card still busy with a single shot begins when that shot's period is over.
    const bool waits = sets_[run_.sets[0]].externalTrigger() || settings_.singleShotsWait;
    run_.nextUs = shotTime(run_.sets[0], waits ? std::max(nowUs_, busyUntilUs_) : nowUs_);
    return K7_ERROR_SUCCESS;
}

}  // namespace k7sim
