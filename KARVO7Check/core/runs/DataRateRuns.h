// The three data-rate runs of the main window's "Datenrate" group: how many shots per second
// the cards deliver under a parameter set, with or without DMA, re-preparation between shots,
// random parameter sets and a live display. Each writes one line into the result list.
#pragma once

#include <vector>

#include "desktop/Desktop.h"
#include "runs/RandomSet.h"
#include "runs/RunWindows.h"

namespace k7check {

class Session;

// "Karte n Satz n": the selected set of the selected card ("Datenrate11").
bool runDataRateOneSet(Session& session, RunWindows& windows);
// "Karte n Sätze 1..n": sets 1 up to the selected set of the selected card ("DatenrateN1").
bool runDataRateSets(Session& session, RunWindows& windows);
// "Karten 1..n Satz n": the selected set on cards 1 up to the selected card ("Datenrate1N").
bool runDataRateCards(Session& session, RunWindows& windows);

// Rectangles of `count` windows tiled over `area`: 2 x 2 for up to 4, 3 x 3 for up to 9,
// 4 x 4 above.
std::vector<Rect> tileWindows(const Rect& area, std::size_t count);

// "%d Samples -> %6.2f Hz  " for `cycles` in `elapsedMs` (below 1 ms counts as 1 ms).
std::string rateText(uint32_t samples, uint64_t cycles, uint32_t elapsedMs);

}  // namespace k7check
