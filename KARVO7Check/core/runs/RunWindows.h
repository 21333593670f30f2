// The windows a measurement run opens, as the run sees them: the parameter editor, the set
// selection, the measured-data display (modal, or live during a run) and the gate value list.
// The program's windows implement it; tests may record what a run would have shown.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "KARVO7DLL.h"
#include "card/ParameterSet.h"
#include "desktop/Desktop.h"
#include "windows/measurement/MeasuredDataDisplay.h"

namespace k7check {

class Session;

// A measured-data display that stays open while a run loops.
class LiveDisplay {
  public:
    virtual ~LiveDisplay() = default;
    // Hands new data to the window and repaints it now.
    virtual void show(const MeasuredDataInputs& inputs) = 0;
    // Puts the window at a rectangle of the screen.
    virtual void place(const Rect& where) = 0;
};

class RunWindows {
  public:
    virtual ~RunWindows() = default;
    // "Anzeige Meßparameter" on `set` (set `setNumber` of card `cardNumber`); true when it
    // ended with its shot.
    virtual bool editSet(Session& session, uint32_t cardNumber, uint32_t setNumber,
                         ParameterSet& set) = 0;
    // "automatische Messung" on a card's eight active flags; true on OK.
    virtual bool selectSets(Session& session, std::array<bool, kSetsPerCard>& active) = 0;
    // "Anzeige Meßdaten", modally.
    virtual void showData(Session& session, const MeasuredDataInputs& inputs) = 0;
    // "Blendenwerte" on a buffer of gate results of the selected card, modally.
    virtual void showGateValues(Session& session, const uint8_t* data, uint32_t length) = 0;
    // "Anzeige Meßdaten" without a modal run, titled `title`; closed when the result is gone.
    virtual std::unique_ptr<LiveDisplay> openDisplay(Session& session,
                                                     const std::string& title) = 0;
};

}  // namespace k7check
