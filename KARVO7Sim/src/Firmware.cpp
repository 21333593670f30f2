// The firmware's sets, selection, power and the LCAs programmed from the selected set.
#include "Firmware.h"

namespace k7sim {

Firmware::Firmware(bool version3, uint16_t lcaId, uint16_t dataLcaId)
    : setCount_(version3 ? 8u : 1u), lcaId_(lcaId), dataLcaId_(dataLcaId) {
    powerUp();
}

void Firmware::powerUp() {
    sets_.assign(setCount_, ParameterSet{});
    versions_.assign(setCount_, 0);
    lastGates_.assign(setCount_, std::nullopt);
    selected_ = 0;
    active_ = 0;
    externalClock_ = false;
    powered_ = true;
    offsetAdjusted_ = false;
    resetLcas();
}

void Firmware::resetLcas() {
    lca_.reset(lcaId_, dataLcaId_);
    lca_.setPower(powered_);
    lca_.load(sets_[selected_], externalClock_);
}

void Firmware::changed(uint32_t set) {
    ++versions_[set];
    lastGates_[set].reset();
    if (set == selected_) {
        lca_.load(sets_[set], externalClock_);
    }
}

bool Firmware::select(uint32_t set) {
    if (set >= setCount()) {
        return false;
    }
    selected_ = set;
    lca_.load(sets_[selected_], externalClock_);
    if (lastGates_[selected_]) {
        lca_.showGates(*lastGates_[selected_]);
    }
    return true;
}

void Firmware::setActive(uint32_t mask) {
    active_ = static_cast<uint8_t>(mask & (setCount() == 8 ? 0xFFu : 0x01u));
}

void Firmware::setExternalClock(bool on) {
    externalClock_ = on;
    lca_.load(sets_[selected_], externalClock_);
}

void Firmware::setPower(bool on) {
    powered_ = on;
    lca_.setPower(on);
}

std::vector<uint32_t> Firmware::runSets(uint32_t fallback) const {
    std::vector<uint32_t> sets;
    for (uint32_t s = 0; s < setCount(); ++s) {
        if ((active_ & (1u << s)) != 0) {
            sets.push_back(s);
        }
    }
    if (sets.empty()) {
        sets.push_back(fallback);
    }
    return sets;
}

void Firmware::recordGates(uint32_t set, const ShotGates& gates) {
    lastGates_[set] = gates;
    if (set == selected_) {
        lca_.showGates(gates);
    }
}

}  // namespace k7sim
