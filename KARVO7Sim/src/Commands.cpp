// The firmware's command blocks: one table of every command by number, with its data word
// count and handler: control commands, set selection and activity, the parameter commands of
// the selected set, measurement start and stop, and the commands whose answer the next read
// delivers (sensor reading, A-scan, gate values, results).
#include <iterator>

#include "Card.h"
#include "LittleEndian.h"
#include "Protocol.h"

namespace k7sim {

// The command handlers see the card's private state; the card's lock is held.
struct CardCommands {
    using Words = const uint32_t*;
    using Destination = Measurement::Destination;

    static uint32_t monitorAdc(Card& c, Words) {
        c.port_.answer(c.firmware_.monitorReading(c.settings_.seed, c.config_.number));
        return K7_ERROR_SUCCESS;
    }
    static uint32_t start(Card& c, Words) {
        return startMeasurement(c, c.firmware_.selectedSet().measurement(), c.firmware_.selected());
    }
    // A run over the active sets, or over the given set when none is active.
    static uint32_t blockStart(Card& c, Words w) {
        const uint32_t set = w[0] & 0xFFu;
        return startMeasurement(c, 3, set < c.firmware_.setCount() ? set : c.firmware_.selected());
    }
    static uint32_t stop(Card& c, Words) {
        c.measurement_.stop();
        return K7_ERROR_SUCCESS;
    }
    static uint32_t resetLcas(Card& c, Words) {
        c.measurement_.abandon();
        c.firmware_.resetLcas();
        return K7_ERROR_SUCCESS;
    }
    static uint32_t offset(Card& c, Words) {
        c.firmware_.adjustOffset();
        return K7_ERROR_SUCCESS;
    }
    static uint32_t powerDown(Card& c, Words) {
        c.firmware_.setPower(false);
        c.measurement_.stop();
        return K7_ERROR_SUCCESS;
    }
    static uint32_t powerUp(Card& c, Words) {
        c.firmware_.setPower(true);
        return K7_ERROR_SUCCESS;
    }
    // The system attenuation, in 0.1 dB, into incoming mailbox 2.
    static uint32_t attenuation(Card& c, Words) {
        c.bridge_.setIncoming(1, c.firmware_.powered() ? 120u : 0u);
        return K7_ERROR_SUCCESS;
    }
    static uint32_t selectSet(Card& c, Words w) {
        return c.firmware_.select(w[0] & 0xFFu)
                   ? K7_ERROR_SUCCESS
                   : c.fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchSet);
    }
    static uint32_t activeSets(Card& c, Words w) {
        c.firmware_.setActive(w[0]);
        return K7_ERROR_SUCCESS;
    }
    // The A-scan of a set for the next read: the next shot of a measured set answers, an idle
    // set measures once.
    static uint32_t ascanOfSet(Card& c, Words w) {
        const uint32_t set = w[0] & 0xFFu;
        if (set >= c.firmware_.setCount()) {
            return c.fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchSet);
        }
        c.port_.awaitAnswer();
        if (c.measurement_.measures(set)) {
            c.port_.wishAscan(set);
        } else {
            c.measurement_.singleShot(set, Destination::Reply);
        }
        return K7_ERROR_SUCCESS;
    }
    static uint32_t externalClock(Card& c, Words w) {
        c.firmware_.setExternalClock(w[0] != 0);
        return K7_ERROR_SUCCESS;
    }
    static uint32_t clearFifo(Card& c, Words) {
        c.measurement_.clear();
        c.port_.clear();
        return K7_ERROR_SUCCESS;
    }
    static uint32_t selfTest(Card& c, Words w) { return c.selfTest(w[0]); }
    // The gate values of the selected set's last shot. Without one, the set measures once for
    // them; an externally triggered set has none.
    static uint32_t gateValues(Card& c, Words) {
        const uint32_t set = c.firmware_.selected();
        if (!c.firmware_.lastGates(set) && !c.firmware_.selectedSet().externalTrigger()) {
            c.measurement_.measureGates(set);
        }
        const auto entry = compactEntry(c.firmware_.lastGates(set).value_or(ShotGates{}));
        c.port_.answer(Bytes(entry.begin(), entry.end()));
        return K7_ERROR_SUCCESS;
    }
    static uint32_t results(Card& c, Words w) {
        c.port_.wantResults(w[0] & 0xFFFFu);
        return K7_ERROR_SUCCESS;
    }

    // Commands that change the selected set.
    template <void (*Apply)(ParameterSet&, Words)>
    static uint32_t parameter(Card& c, Words w) {
        c.firmware_.changeSelected([w](ParameterSet& s) { Apply(s, w); });
        return K7_ERROR_SUCCESS;
    }
    // A gate's start, end and threshold, or (gate 0xFFFF) the echo start's time, level, flags.
    static uint32_t gate(Card& c, Words w) {
        const auto gate = static_cast<uint16_t>(w[0] & 0xFFFF);
        const auto second = static_cast<uint16_t>(w[0] >> 16);
        const auto third = static_cast<uint16_t>(w[1] & 0xFFFF);
        const auto fourth = static_cast<uint16_t>(w[1] >> 16);
        if (gate != 0xFFFF && gate > 4) {
            return c.fail(K7_ERROR_INVALID_PARAMETER, err::kNoSuchGate);
        }
        c.firmware_.changeSelected([&](ParameterSet& s) {
            if (gate == 0xFFFF) {
                s.esTime = second;
                s.esLevel = third;
                s.esFlags = fourth & 3u;
            } else {
                s.gates[gate] = {second, third, fourth};
            }
        });
        return K7_ERROR_SUCCESS;
    }

  private:
    // Start in `mode` 1 (one shot) or 2 and 3 (a run); mode 0 starts nothing.
    static uint32_t startMeasurement(Card& c, uint32_t mode, uint32_t fallback) {
        if (!c.firmware_.powered()) {
            return c.fail(K7_ERROR_GEN_FAILURE, err::kPoweredDown);
        }
        if (mode != 0) {
            c.measurement_.start(mode, fallback);
        }
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
    const Command& entry = kCommands[cmd::numberOf(code)];
    if (count != cmd::wordsOf(entry.code)) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kCommandWords);
    }
    if (const auto word = faults_.command(code, count > 0, words[0])) {
        return fail(K7_ERROR_GEN_FAILURE, *word);
    }
    if (resetting_) {
        return fail(K7_ERROR_GEN_FAILURE, err::kInReset);
    }
    return entry.handle(*this, words);
}

}  // namespace k7sim
