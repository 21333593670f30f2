// The firmware's command interpreter: control commands, set selection and activity, the
// parameter commands of the selected set, measurement start and stop, and the commands whose
// answer the next read delivers (sensor reading, A-scan, gate values, results).
#include <iterator>

#include "Card.h"
#include "LittleEndian.h"
#include "Protocol.h"

namespace k7sim {

void Card::changed(uint32_t set) {
    ++versions_[set];
    lastGates_[set].reset();
    if (set == selected_) {
        lca_.load(sets_[set], externalClock_);
    }
}

// The command handlers see the card's private state; the card's lock is held.
struct CardCommands {
    using Words = const uint32_t*;

    static uint32_t monitorAdc(Card& c, Words) {
        c.reply_ = c.adcReading();
        c.replyPosition_ = 0;
        c.source_ = Card::Source::Reply;
        return K7_ERROR_SUCCESS;
    }
    static uint32_t start(Card& c, Words) { return c.startMeasurement(0, false); }
    // The run ends, single shots no longer wait for their trigger.
    static uint32_t stop(Card& c, Words) {
        c.endRun();
        c.armed_.clear();
        return K7_ERROR_SUCCESS;
    }
    // Registers to their start values, FIFOs emptied.
    static uint32_t resetLcas(Card& c, Words) {
        c.run_.on = false;
        c.armed_.clear();
        c.fifo_.clear();
        c.results_.restart();
        c.fifoOverflow_ = false;
        c.resultsOverflow_ = false;
        c.lca_.reset(c.config_.lcaId, c.config_.dataLcaId);
        c.lca_.setPower(c.powered_);
        c.lca_.load(c.sets_[c.selected_], c.externalClock_);
        return K7_ERROR_SUCCESS;
    }
    static uint32_t offset(Card& c, Words) {
        c.offsetAdjusted_ = true;
        return K7_ERROR_SUCCESS;
    }
    static uint32_t powerDown(Card& c, Words) {
        c.powered_ = false;
        c.endRun();
        c.armed_.clear();
        c.lca_.setPower(false);
        return K7_ERROR_SUCCESS;
    }
    static uint32_t powerUp(Card& c, Words) {
        c.powered_ = true;
        c.lca_.setPower(true);
        return K7_ERROR_SUCCESS;
    }
    // The system attenuation, in 0.1 dB, into incoming mailbox 2.
    static uint32_t attenuation(Card& c, Words) {
        c.bridge_.setIncoming(1, c.powered_ ? 120u : 0u);
        return K7_ERROR_SUCCESS;
    }
    static uint32_t selectSet(Card& c, Words w) {
        if ((w[0] & 0xFFu) >= c.setCount()) {
            return c.fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchSet);
        }
        c.selected_ = w[0] & 0xFFu;
        c.lca_.load(c.sets_[c.selected_], c.externalClock_);
        if (c.lastGates_[c.selected_]) {
            c.lca_.showGates(*c.lastGates_[c.selected_]);
        }
        return K7_ERROR_SUCCESS;
    }
    static uint32_t activeSets(Card& c, Words w) {
        c.active_ = static_cast<uint8_t>(w[0] & (c.setCount() == 8 ? 0xFFu : 0x01u));
        return K7_ERROR_SUCCESS;
    }
    // The A-scan of a set for the next read.
    static uint32_t ascanOfSet(Card& c, Words w) {
        const uint32_t set = w[0] & 0xFFu;
        if (set >= c.setCount()) {
            return c.fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchSet);
        }
        c.reply_.clear();
        c.replyPosition_ = 0;
        c.source_ = Card::Source::Reply;
        bool measured = false;
        for (uint32_t s : c.run_.sets) {
            measured = measured || (c.run_.on && s == set);
        }
        if (measured) {
            c.ascanWanted_ = static_cast<int>(set);  // the next shot of the set answers
        } else {
            c.singleShot(set, Card::Destination::Reply);  // an idle set measures once
        }
        return K7_ERROR_SUCCESS;
    }
    static uint32_t externalClock(Card& c, Words w) {
        c.externalClock_ = w[0] != 0;
        c.lca_.load(c.sets_[c.selected_], c.externalClock_);
        return K7_ERROR_SUCCESS;
    }
    static uint32_t blockStart(Card& c, Words w) { return c.startMeasurement(w[0] & 0xFFu, true); }
    static uint32_t clearFifo(Card& c, Words) {
        c.fifo_.clear();
        c.results_.clear();
        c.reply_.clear();
        c.replyPosition_ = 0;
        c.source_ = Card::Source::Fifo;
        c.ascanWanted_ = -1;
        c.fifoOverflow_ = false;
        c.resultsOverflow_ = false;
        return K7_ERROR_SUCCESS;
    }
    static uint32_t selfTest(Card& c, Words w) { return c.selfTest(w[0]); }
    // The gate values of the selected set's last shot. Without one, the set measures once for
    // them; an externally triggered set has none.
    static uint32_t gateValues(Card& c, Words) {
        if (!c.lastGates_[c.selected_] && !c.sets_[c.selected_].externalTrigger()) {
            c.takeShot(c.selected_, c.nowUs_, Card::Destination::None);
        }
        const auto entry = compactEntry(c.lastGates_[c.selected_].value_or(ShotGates{}));
        c.reply_.assign(entry.begin(), entry.end());
        c.replyPosition_ = 0;
        c.source_ = Card::Source::Reply;
        return K7_ERROR_SUCCESS;
    }
    static uint32_t results(Card& c, Words w) {
        c.source_ = Card::Source::Results;
        c.resultLimit_ = w[0] & 0xFFFFu;
        return K7_ERROR_SUCCESS;
    }

    // Commands that change the selected set.
    template <void (*Apply)(ParameterSet&, Words)>
    static uint32_t parameter(Card& c, Words w) {
        Apply(c.sets_[c.selected_], w);
        c.changed(c.selected_);
        return K7_ERROR_SUCCESS;
    }
    // A gate's start, end and threshold, or (gate 0xFFFF) the echo start's time, level, flags.
    static uint32_t gate(Card& c, Words w) {
        const auto gate = static_cast<uint16_t>(w[0] & 0xFFFF);
        const auto second = static_cast<uint16_t>(w[0] >> 16);
        const auto third = static_cast<uint16_t>(w[1] & 0xFFFF);
        const auto fourth = static_cast<uint16_t>(w[1] >> 16);
        ParameterSet& s = c.sets_[c.selected_];
        if (gate == 0xFFFF) {
            s.esTime = second;
            s.esLevel = third;
            s.esFlags = fourth & 3u;
        } else if (gate <= 4) {
            s.gates[gate] = {second, third, fourth};
        } else {
            return c.fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchGate);
        }
        c.changed(c.selected_);
        return K7_ERROR_SUCCESS;
    }
};

namespace {

using C = CardCommands;
using Words = C::Words;

struct Command {
    uint32_t code;  // with its number of data words
    uint32_t (*handle)(Card& card, Words words);
};

uint16_t low16(uint32_t w) {
    return static_cast<uint16_t>(w & 0xFFFF);
}

// Every command the firmware knows, in the order of their numbers.
constexpr Command kCommands[] = {
    {cmd::kMonitorAdc, &C::monitorAdc},
    {cmd::kStart, &C::start},
    {cmd::kStop, &C::stop},
    {cmd::kResetLcas, &C::resetLcas},
    {cmd::kOffset, &C::offset},
    {cmd::kPowerDown, &C::powerDown},
    {cmd::kPowerUp, &C::powerUp},
    {cmd::kAttenuation, &C::attenuation},
    {cmd::kSelectSet, &C::selectSet},
    {cmd::kActiveSets, &C::activeSets},
    {cmd::kAscanOfSet, &C::ascanOfSet},
    {cmd::kSapDelay, &C::parameter<[](ParameterSet& s, Words w) { s.sapDelay = low16(w[0]); }>},
    {cmd::kIdentification, &C::parameter<[](ParameterSet& s, Words w) {
         s.identification = static_cast<int16_t>(low16(w[0]));
     }>},
    {cmd::kExternalClock, &C::externalClock},
    {cmd::kBlockStart, &C::blockStart},
    {cmd::kClearFifo, &C::clearFifo},
    {cmd::kSelfTest, &C::selfTest},
    {cmd::kShot, &C::parameter<[](ParameterSet& s, Words w) { s.shotWord = low16(w[0]); }>},
    {cmd::kSender, &C::parameter<[](ParameterSet& s, Words w) { s.senderWord = low16(w[0]); }>},
    {cmd::kInput, &C::parameter<[](ParameterSet& s, Words w) { s.inputWord = low16(w[0]); }>},
    {cmd::kGain,
     &C::parameter<[](ParameterSet& s, Words w) { s.gain = static_cast<int16_t>(low16(w[0])); }>},
    {cmd::kFilter, &C::parameter<[](ParameterSet& s, Words w) { s.filter = w[0] & 7u; }>},
    {cmd::kAverage, &C::parameter<[](ParameterSet& s, Words w) { s.average = w[0]; }>},
    {cmd::kTrigger, &C::parameter<[](ParameterSet& s, Words w) {
         s.iff = w[0];
         s.triggerWord = w[1];
     }>},
    {cmd::kCount, &C::parameter<[](ParameterSet& s, Words w) {
         s.prerun = low16(w[0]);
         s.length = static_cast<uint16_t>(w[0] >> 16);
         s.delay = w[1];
     }>},
    {cmd::kDepthCompensation, &C::parameter<[](ParameterSet& s, Words w) {
         s.taPoints = static_cast<uint8_t>(w[0] & 0xFF);
         s.taDelay = static_cast<uint16_t>(w[0] >> 16);
         s.taSpacing = w[1];
     }>},
    {cmd::kAscanForm, &C::parameter<[](ParameterSet& s, Words w) { s.ascanWord = low16(w[0]); }>},
    {cmd::kReplyLevel, &C::parameter<[](ParameterSet& s, Words w) { s.replyLevel = w[0]; }>},
    {cmd::kGate, &C::gate},
    {cmd::kGateEnables,
     &C::parameter<[](ParameterSet& s, Words w) { s.gateEnables = w[0] & 0x1Fu; }>},
    {cmd::kGateValues, &C::gateValues},
    {cmd::kResults, &C::results},
    {cmd::kTriggerDelay, &C::parameter<[](ParameterSet& s, Words w) { s.triggerDelay = w[0]; }>},
};

constexpr bool numbered() {
    for (size_t n = 0; n < std::size(kCommands); ++n) {
        if (cmd::numberOf(kCommands[n].code) != n) {
            return false;
        }
    }
    return true;
}
static_assert(numbered(), "each command sits at its number");

}  // namespace

uint32_t Card::command(const uint8_t* block) {
    const uint32_t code = le16(block + cmd::kCodeOffset);
    const uint32_t count = block[cmd::kCountOffset];
    uint32_t words[cmd::kMostWords] = {};
    for (uint32_t i = 0; i < cmd::kMostWords; ++i) {
        words[i] = le32(block + cmd::kWordsOffset + 4 * i);
    }
    if (count > cmd::kMostWords || cmd::wordsOf(code) != count) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kCommandBlock);
    }
    if (cmd::numberOf(code) >= std::size(kCommands)) {
        return fail(K7_ERROR_NOT_SUPPORTED, err::kUnknownCommand);
    }
    const Command& command = kCommands[cmd::numberOf(code)];
    if (count != cmd::wordsOf(command.code)) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kCommandWords);
    }
    if (const auto word = faults_.command(code, count > 0, words[0])) {
        return fail(K7_ERROR_GEN_FAILURE, *word);
    }
    if (resetting_) {
        return fail(K7_ERROR_GEN_FAILURE, err::kInReset);
    }
    return command.handle(*this, words);
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
