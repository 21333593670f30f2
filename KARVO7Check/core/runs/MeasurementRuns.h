// The two measurement runs of the check buttons: "Parameter/Shot" (one shot of the selected set,
// shown in the measured-data display) and "Blockmessung" (every active set of the card as a
// block, on demand or continuously with a check of every gate result against its gate). Each
// writes one line into the result list and returns whether it passed.
#pragma once

#include "runs/RunWindows.h"

namespace k7check {

class Session;

// "Parameter/Shot"; with `automatic` the parameter editor is skipped.
bool runSingleShot(Session& session, bool automatic, RunWindows& windows);
// "Blockmessung"; with `automatic` the set selection is skipped.
bool runBlockMeasurement(Session& session, bool automatic, RunWindows& windows);

}  // namespace k7check
