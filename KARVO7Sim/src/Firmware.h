// The card's firmware state: its parameter sets and their versions, the selected and the
// active sets, the analog part's power, clock and offset, the gate values of each set's last
// shot, and the LCAs it programs from the selected set.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "DataFormat.h"
#include "Gates.h"
#include "Lca.h"
#include "ParameterSet.h"

namespace k7sim {

class Firmware {
  public:
    Firmware(bool version3, uint16_t lcaId, uint16_t dataLcaId);

    // The state after power-up or a reset of the card.
    void powerUp();
    // Reset of the LCAs: registers to their start values, programmed from the selected set.
    void resetLcas();

    uint32_t setCount() const { return static_cast<uint32_t>(sets_.size()); }
    const ParameterSet& set(uint32_t n) const { return sets_[n]; }
    const ParameterSet& selectedSet() const { return sets_[selected_]; }
    uint32_t selected() const { return selected_; }
    uint8_t active() const { return active_; }
    bool powered() const { return powered_; }
    bool offsetAdjusted() const { return offsetAdjusted_; }
    // Counts the changes of a set, so that what is computed from it can be kept.
    uint64_t version(uint32_t set) const { return versions_[set]; }

    // Changes the selected set with `apply(ParameterSet&)`.
    template <class Apply>
    void changeSelected(Apply apply) {
        apply(sets_[selected_]);
        changed(selected_);
    }
    // False for a set the card does not have.
    bool select(uint32_t set);
    void setActive(uint32_t mask);
    void setExternalClock(bool on);
    void setPower(bool on);
    void adjustOffset() { offsetAdjusted_ = true; }

    // The sets a run measures: the active ones, else `fallback`.
    std::vector<uint32_t> runSets(uint32_t fallback) const;

    const std::optional<ShotGates>& lastGates(uint32_t set) const { return lastGates_[set]; }
    void recordGates(uint32_t set, const ShotGates& gates);
    void forgetGates(uint32_t set) { lastGates_[set].reset(); }

    // The monitor ADC's temperature and supply readings, the next of the card's noise stream.
    Bytes monitorReading(uint64_t seed, uint32_t card);

    Lca& lca() { return lca_; }

  private:
    void changed(uint32_t set);

    uint32_t setCount_;
    uint16_t lcaId_;
    uint16_t dataLcaId_;
    Lca lca_;
    std::vector<ParameterSet> sets_;
    std::vector<uint64_t> versions_;
    std::vector<std::optional<ShotGates>> lastGates_;
    uint32_t selected_ = 0;
    uint8_t active_ = 0;
    bool externalClock_ = false;
    bool powered_ = true;
    bool offsetAdjusted_ = false;
    uint64_t monitorReads_ = 0;
};

}  // namespace k7sim
