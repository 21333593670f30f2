// The windows the measurement runs open, as the program has them: the parameter editor, the set
// selection "automatische Messung", the measured-data display and the gate value list.
#pragma once

#include "runs/RunWindows.h"

namespace k7check {

class ProgramRunWindows : public RunWindows {
  public:
    bool editSet(Session& session, uint32_t cardNumber, uint32_t setNumber,
                 ParameterSet& set) override;
    bool selectSets(Session& session, std::array<bool, kSetsPerCard>& active) override;
    void showData(Session& session, const MeasuredDataInputs& inputs) override;
    void showGateValues(Session& session, const uint8_t* data, uint32_t length) override;
    std::unique_ptr<LiveDisplay> openDisplay(Session& session, const std::string& title) override;
};

// Registers "Parameter/Shot", "Blockmessung" and the three data-rate buttons.
class CheckRegistry;
void registerMeasurementRuns(CheckRegistry& registry);

}  // namespace k7check
