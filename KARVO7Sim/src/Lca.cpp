// LCA register file and its programming from a parameter set.
#include "Lca.h"

namespace k7sim {

bool Lca::exists(uint32_t a) {
    return (a & 1u) == 0 && ((a >= 1024 && a <= 1078) || (a >= 1536 && a <= 1566));
}

bool Lca::readOnly(uint32_t a) {
    return a == reg::kLcaId || a == reg::kStatus || a == reg::kFifoStatus || a == reg::kEsDelay ||
           a == reg::kGate0Max || a == reg::kGate0Time || a == reg::kDataLcaId ||
           a == reg::kTimerLow || a == reg::kTimerHigh;
}

size_t Lca::index(uint32_t a) {
    return a >= 1536 ? 28 + (a - 1536) / 2 : (a - 1024) / 2;
}

uint16_t Lca::get(uint32_t a) const {
    return exists(a) ? regs_[index(a)] : 0;
}

void Lca::set(uint32_t a, uint16_t value) {
    if (exists(a)) {
        regs_[index(a)] = value;
    }
}

void Lca::setBits(uint32_t a, uint16_t mask, uint16_t bits) {
    set(a, static_cast<uint16_t>((get(a) & ~mask) | (bits & mask)));
}

void Lca::reset(uint16_t lcaId, uint16_t dataLcaId) {
    regs_.fill(0);
    set(reg::kLcaId, lcaId);
    set(reg::kDataLcaId, dataLcaId);
    set(reg::kFifoStatus, 0x100F);  // data and acquisition FIFOs empty
}

void Lca::setPower(bool on) {
    setBits(reg::kCommand, 0x0F80, on ? 0x0F80 : 0);
}

void Lca::load(const ParameterSet& s, bool externalClock) {
    const auto w16 = [](uint32_t v) { return static_cast<uint16_t>(v & 0xFFFF); };
    const uint32_t rate = s.samplerate();
    setBits(reg::kCommand, 0x0070, w16((rate & 7u) << 4));
    set(reg::kAnalog, w16((s.inputWord & 0x010Fu) | (s.filter & 7u) << 12));
    // Counters: pre-run in 1032/1034 and 1076, recording length in 1036/1038.
    set(reg::kCountLow, s.prerun);
    set(reg::kCountHigh, 0);
    set(reg::kLengthLow, s.length);
    set(reg::kLengthHigh, 0);
    set(reg::kPrerun, s.prerun);
    uint32_t trigger = (s.triggerWord & 0x0F31u) | (s.shotWord & 0x000Cu);
    trigger |= s.averaging() ? 0x0080u : 0u;
    trigger |= s.iffUsed() ? 0x8000u : 0u;
    trigger |= (s.triggerWord & 0x1000u) ? 0x0040u : 0u;  // single trigger mode
    trigger |= (s.triggerWord & 0x4000u) ? 0x0002u : 0u;  // SAP taken directly
    set(reg::kTrigger, w16(trigger));
    set(reg::kSapLow, w16(s.iff));
    set(reg::kSapHigh, w16(s.iff >> 16));
    set(reg::kTa, w16(s.taPoints | (s.depthCompensation() ? 0x4000u : 0u)));
    set(reg::kTaDelayLow, s.taDelay);
    set(reg::kTaDelayHigh, 0);
    set(reg::kTaPeriodLow, w16(s.taSpacing));
    set(reg::kTaPeriodHigh, w16((s.taSpacing >> 16) & 0xF));
    set(reg::kGain, w16(static_cast<uint32_t>(s.gain)));
    set(reg::kSender, w16((s.senderWord & 0x8707u) | (rate >= 5 && rate <= 7 ? 0x4000u : 0u)));
    set(reg::kEsTime, s.esTime);
    set(reg::kEsLevel, w16((s.esLevel & 0xFFu) | ((s.esFlags & 2u) ? 0x2000u : 0u) |
                           ((s.esFlags & 1u) ? 0x4000u : 0u) | (s.esLevel != 0 ? 0x8000u : 0u)));
    set(reg::kSapDelay, s.sapDelay);
    uint32_t format = 0;
    format |= rate == 4 ? 0x0002u : 0u;
    format |= s.averaging() ? 0x0004u : 0u;
    format |= (s.average & 7u) << 3;
    format |= rate >= 5 && rate <= 7 ? 0x0040u : 0u;
    format |= s.eightBit() ? 0x0100u : 0u;
    format |= externalClock ? 0x0400u : 0u;
    format |= s.recordLayout() ? 0x1000u : 0u;
    format |= s.output() == 2 ? s.form() << 14 : 0u;
    set(reg::kFormat, w16(format));
    set(reg::kAscanFactor, w16(s.faktor()));
    set(reg::kTriggerDelayLow, w16(s.triggerDelay));
    set(reg::kTriggerDelayHigh,
        w16(((s.triggerDelay >> 16) & 0xFFu) | ((s.triggerDelay & 0x80000000u) ? 0x1000u : 0u) |
            ((s.triggerWord & 0x4000u) ? 0x4000u : 0u) |
            ((s.triggerWord & 0x0040u) ? 0x8000u : 0u)));
}

void Lca::showGates(const ShotGates& g) {
    // Maximum registers hold the amplitude's upper eight bits in bits 7-14.
    auto maxReg = [](const GateOutcome& o) {
        return static_cast<uint16_t>(((o.amplitude >> 4) & 0xFFu) << 7);
    };
    for (uint32_t k = 1; k <= 4; ++k) {
        set(reg::kGate1Max + 4 * (k - 1), maxReg(g.gate[k]));
        set(reg::kGate1Max + 4 * (k - 1) + 2, static_cast<uint16_t>(g.gate[k].time & 0xFFFF));
    }
    set(reg::kGate0Max, maxReg(g.gate[0]));
    set(reg::kGate0Time, static_cast<uint16_t>(g.gate[0].time & 0xFFFF));
    set(reg::kEsDelay, static_cast<uint16_t>(g.esDelay & 0xFFFF));
}

}  // namespace k7sim
