#include "card/CommandWords.h"

#include <algorithm>
#include <cmath>

namespace k7check {

namespace {

namespace cmd = k7proto::cmd;
namespace reg = k7proto::reg;

uint32_t bits(uint32_t value, unsigned first, unsigned count) {
    return (value >> first) & ((1u << count) - 1u);
}

uint32_t flag(bool on, unsigned bit) {
    return on ? 1u << bit : 0u;
}

}  // namespace

const char* commandLabel(uint16_t code) {
    switch (code) {
        case cmd::kStart:
            return "Start Messung: ";
        case cmd::kStop:
            return "Stop Messung: ";
        case cmd::kReset:
            return "Reset: ";
        case cmd::kOffset:
            return "Offset: ";
        case cmd::kPowerDown:
            return "Power Down: ";
        case cmd::kPowerUp:
            return "Power Up: ";
        case cmd::kAttenuation:
            return "Sys Attenuation: ";
        case cmd::kShot:
            return "Shot: ";
        case cmd::kSender:
            return "Sender: ";
        case cmd::kInput:
            return "Input: ";
        case cmd::kGain:
            return "Gain: ";
        case cmd::kHwConfig:
            return "HW Config: ";
        case cmd::kAverage:
            return "Average: ";
        case cmd::kTrigger:
            return "Trigger: ";
        case cmd::kCount:
            return "Count: ";
        case cmd::kAScan:
            return "AScan: ";
        case cmd::kSwConfig:
            return "SW Config: ";
        default:
            return "";
    }
}

std::array<CardCommand, 10> defaultCommands() {
    return {{
        {cmd::kShot, {5, 0}},        // A-scan, single measurement
        {cmd::kSender, {0x300, 0}},  // energy 1, 150 ns
        {cmd::kInput, {4, 0}},       // input damping step 1
        {cmd::kGain, {200, 0}},      // 20 dB
        {cmd::kHwConfig, {0, 0}},
        {cmd::kAverage, {0, 0}},
        {cmd::kTrigger, {20000, 0}},
        {cmd::kCount, {0x3E800A0, 0}},  // acquisition 1000, pre-run 160
        {cmd::kAScan, {0, 0}},
        {cmd::kSwConfig, {0, 0}},
    }};
}

std::array<CardCommand, 8> commandCheckSteps() {
    return {{
        {cmd::kReset, {}},
        {cmd::kPowerUp, {}},
        {cmd::kOffset, {}},
        {cmd::kAttenuation, {}},
        {cmd::kShot, {5, 0}},
        {cmd::kStart, {}},
        {cmd::kStop, {}},
        {cmd::kPowerDown, {}},
    }};
}

uint32_t shotWord(const ShotFields& f) {
    uint32_t word = static_cast<uint32_t>(f.output) & 3u;
    word |= (f.measurement ? static_cast<uint32_t>(*f.measurement) & 3u : 0u) << 2;
    if (f.clock == ShotClock::Virtuell) {
        word |= 1u << 6;
    } else {
        word |= (static_cast<uint32_t>(f.clock) & 3u) << 4;
    }
    return word | flag(f.average, 12) | flag(f.achtBit, 13) | flag(f.ta, 14) | flag(f.iff, 15);
}

ShotFields shotFieldsFromRegisters(const RegisterReader& read) {
    const uint32_t command = read(reg::kCommand);
    const uint32_t trigger = read(reg::kTrigger);
    ShotFields f;
    const uint32_t clock = bits(command, 4, 3);
    f.clock = clock >= 4 ? ShotClock::Virtuell : static_cast<ShotClock>(clock);
    const uint32_t measurement = bits(trigger, 2, 2);
    if (measurement != 3) {
        f.measurement = static_cast<ShotMeasurement>(measurement);
    }
    f.average = bits(trigger, 7, 1) != 0;
    f.iff = bits(trigger, 15, 1) != 0;
    f.ta = bits(read(reg::kDepthControl), 14, 1) != 0;
    f.output = ShotOutput::AScan;
    f.achtBit = false;
    return f;
}

uint32_t senderWord(const SenderFields& f) {
    const uint32_t width = f.pulseWidth ? static_cast<uint32_t>(*f.pulseWidth) & 7u : 0u;
    return (f.energie & 3u) | width << 8 | flag(f.sperre, 15);
}

SenderFields senderFieldsFromRegisters(const RegisterReader& read) {
    const uint32_t value = read(reg::kSender);
    SenderFields f;
    f.energie = bits(value, 0, 2);
    const uint32_t width = bits(value, 8, 3);
    if (width <= 5) {
        f.pulseWidth = static_cast<PulseWidth>(width);
    }
    f.sperre = bits(value, 15, 1) != 0;
    return f;
}

uint32_t inputWord(const InputFields& f) {
    return (f.senderDaempfung & 3u) | (f.eingangsDaempfung & 3u) << 2 | flag(f.se, 8);
}

InputFields inputFieldsFromRegisters(const RegisterReader& read) {
    const uint32_t value = read(reg::kAnalog);
    return {bits(value, 0, 2), bits(value, 2, 2), bits(value, 8, 1) != 0};
}

uint32_t gainWord(double verstaerkungDb) {
    if (std::isnan(verstaerkungDb)) {
        return 0;
    }
    return static_cast<uint32_t>(std::lround(std::clamp(verstaerkungDb, 0.0, kMaxGainDb) * 10.0));
}

uint32_t hwConfigFilterFromRegisters(const RegisterReader& read) {
    return bits(read(reg::kAnalog), 12, 3);
}

std::optional<uint32_t> averageWord(uint32_t anzahl) {
    if (anzahl == 0) {
        return std::nullopt;
    }
    return anzahl;
}

uint32_t aScanWord(const AScanFields& f) {
    const uint32_t form = f.form ? static_cast<uint32_t>(*f.form) & 3u : 0u;
    return form + f.zusammenfassung * 256u;
}

std::array<uint32_t, 2> countWords(const CountFields& f) {
    return {f.aufnahme * 65536u + f.vorlauf, f.delay};
}

CountFields countFieldsFromRegisters(const RegisterReader& read) {
    CountFields f;
    f.vorlauf =
        bits(read(reg::kRecordDelayLow), 0, 16) + bits(read(reg::kRecordDelayHigh), 0, 8) * 65536u;
    f.aufnahme =
        bits(read(reg::kRecordTimeLow), 0, 16) + bits(read(reg::kRecordTimeHigh), 0, 4) * 65536u;
    f.delay = 0;
    return f;
}

std::array<uint32_t, 2> triggerWords(const TriggerFields& f) {
    const uint32_t word = flag(!f.externTrigger, 0) | (static_cast<uint32_t>(f.start) & 3u) << 4 |
                          (f.triggerblende & 0xFu) << 8 | flag(f.einzeln, 12);
    return {f.maxSap, word};
}

TriggerFields triggerFieldsFromRegisters(const RegisterReader& read) {
    const uint32_t value = read(reg::kTrigger);
    TriggerFields f;
    f.externTrigger = bits(value, 0, 1) != 0;
    f.einzeln = bits(value, 2, 2) == 1;
    f.start = static_cast<TriggerStart>(bits(value, 4, 2));
    f.triggerblende = bits(value, 8, 4);
    f.maxSap = bits(read(reg::kMaxSapLow), 0, 16) + read(reg::kMaxSapHigh) * 65536u;
    return f;
}

}  // namespace k7check
