// The firmware's command interpreter: control commands, set selection and activity, the
// parameter commands of the selected set, measurement start and stop, and the commands whose
// answer the next read delivers (sensor reading, A-scan, gate values, results).
#include "Card.h"

namespace k7sim {

namespace {

// Data word counts of every command the firmware knows, by command number (code >> 10).
constexpr int kWordCounts[] = {
    0, 0, 0, 0, 0, 0, 0, 0,  // 0x00 ADC .. 0x1C attenuation
    1, 1, 1, 1, 1, 1, 1, 0,  // 0x20 set .. 0x3C clear FIFO
    1, 1, 1, 1, 1, 1, 1, 2,  // 0x40 self test .. 0x5C trigger
    2, 2, 1, 1, 2, 1, 0, 1,  // 0x60 count .. 0x7C results
    1,                       // 0x80 trigger delay
};

uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

void Card::changed(uint32_t set) {
    ++versions_[set];
    lastGates_[set].reset();
    if (set == selected_) {
        lca_.load(sets_[set], externalClock_);
    }
}

uint32_t Card::command(const uint8_t* block) {
    const uint32_t code = static_cast<uint32_t>(block[0] | block[1] << 8);
    const uint32_t count = block[2];
    uint32_t words[8] = {};
    for (uint32_t i = 0; i < 8; ++i) {
        words[i] = le32(block + 4 + 4 * i);
    }
    if (count > 8 || (code & 0x3FFu) != count) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kCommandBlock);
    }
    const uint32_t number = code >> 10;
    if (number >= std::size(kWordCounts)) {
        return fail(K7_ERROR_NOT_SUPPORTED, err::kUnknownCommand);
    }
    if (static_cast<int>(count) != kWordCounts[number]) {
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
        case 0x0000:  // temperature and supply voltages
            reply_ = adcReading();
            replyPosition_ = 0;
            source_ = Source::Reply;
            return K7_ERROR_SUCCESS;
        case 0x0400:
            return startMeasurement(0, false);
        case 0x0800:  // stop: the run ends, single shots no longer wait for their trigger
            endRun();
            armed_.clear();
            return K7_ERROR_SUCCESS;
        case 0x0C00: {  // reset of the LCAs: registers to their start values, FIFOs emptied
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
        case 0x1000:
            offsetAdjusted_ = true;
            return K7_ERROR_SUCCESS;
        case 0x1400:
            powered_ = false;
            endRun();
            armed_.clear();
            lca_.setPower(false);
            return K7_ERROR_SUCCESS;
        case 0x1800:
            powered_ = true;
            lca_.setPower(true);
            return K7_ERROR_SUCCESS;
        case 0x1C00:  // system attenuation, in 0.1 dB, into incoming mailbox 2
            bridge_.setIncoming(1, powered_ ? 120u : 0u);
            return K7_ERROR_SUCCESS;
        case 0x2001:
            if ((w & 0xFFu) >= setCount()) {
                return fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchSet);
            }
            selected_ = w & 0xFFu;
            lca_.load(sets_[selected_], externalClock_);
            if (lastGates_[selected_]) {
                lca_.showGates(*lastGates_[selected_]);
            }
            return K7_ERROR_SUCCESS;
        case 0x2401:
            active_ = static_cast<uint8_t>(w & (setCount() == 8 ? 0xFFu : 0x01u));
            return K7_ERROR_SUCCESS;
        case 0x2801: {  // A-scan of a set for the next read
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
        case 0x3401:
            externalClock_ = w != 0;
            lca_.load(sets_[selected_], externalClock_);
            return K7_ERROR_SUCCESS;
        case 0x3801:
            return startMeasurement(w & 0xFFu, true);
        case 0x3C00:
            fifo_.clear();
            results_.clear();
            reply_.clear();
            replyPosition_ = 0;
            source_ = Source::Fifo;
            ascanWanted_ = -1;
            fifoOverflow_ = false;
            resultsOverflow_ = false;
            return K7_ERROR_SUCCESS;
        case 0x4001:
            return selfTest(w);
        case 0x7800: {  // gate values of the selected set's last shot
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
        case 0x7C01:
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
        case 0x2C01:
            s.sapDelay = static_cast<uint16_t>(w & 0xFFFF);
            break;
        case 0x3001:
            s.identification = static_cast<int16_t>(w & 0xFFFF);
            break;
        case 0x4401:
            s.shotWord = w & 0xFFFFu;
            break;
        case 0x4801:
            s.senderWord = w & 0xFFFFu;
            break;
        case 0x4C01:
            s.inputWord = w & 0xFFFFu;
            break;
        case 0x5001:
            s.gain = static_cast<int16_t>(w & 0xFFFF);
            break;
        case 0x5401:
            s.filter = w & 7u;
            break;
        case 0x5801:
            s.average = w;
            break;
        case 0x5C02:
            s.iff = w;
            s.triggerWord = words[1];
            break;
        case 0x6002:
            s.prerun = static_cast<uint16_t>(w & 0xFFFF);
            s.length = static_cast<uint16_t>(w >> 16);
            s.delay = words[1];
            break;
        case 0x6402:
            s.taPoints = static_cast<uint8_t>(w & 0xFF);
            s.taDelay = static_cast<uint16_t>(w >> 16);
            s.taSpacing = words[1];
            break;
        case 0x6801:
            s.ascanWord = w & 0xFFFFu;
            break;
        case 0x6C01:
            s.replyLevel = w;
            break;
        case 0x7002: {
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
        case 0x7401:
            s.gateEnables = w & 0x1Fu;
            break;
        case 0x8001:
            s.triggerDelay = w;
            break;
        default:
            return fail(K7_ERROR_NOT_SUPPORTED, err::kUnknownCommand);
    }
    changed(selected_);
    return K7_ERROR_SUCCESS;
}

// Start (0x0400): the selected set's measurement mode decides: one shot, or a run over the
// active sets. Block start (0x3801): a run over the active sets, or over the given set when
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
