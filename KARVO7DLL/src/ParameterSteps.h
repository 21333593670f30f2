// The parameter-set operations behind the exported forms: every plain, Param, Pointer and
// ParamPointer form of an operation turns its arguments into the record and calls one of
// these with the set number. The handle has been checked by the caller.
#pragma once

#include <cstdint>

#include "Card.h"
#include "Parameters.h"

namespace k7 {

// Measurement preparation: validation first, then set selection on a version-3 card, the start
// mode of other cards, the shot, count, average, A-scan and trigger commands, and the
// depth-compensation table with its command.
Result prepareMeasure(KARVO7Card* card, uint32_t set, const MeasureParams& params);

// Gain: set selection on a version-3 card, then the gain command.
Result setGain(KARVO7Card* card, uint32_t set, uint32_t verstaerkung);

// One measuring gate: set selection, then the gate command.
Result setGate(KARVO7Card* card, uint32_t set, uint32_t gate, uint32_t anfang, uint32_t ende,
               uint32_t schwelle);

// Gates B0 to B4 in order, then their enables; stops at the first failure.
Result prepareGates(KARVO7Card* card, uint32_t set, const GateParams& gates);

// Gate enables: set selection, then the enables command.
Result activateGates(KARVO7Card* card, uint32_t set, const GateEnables& enables);

// The records of the separate-argument forms, slot by slot.
MeasureParams measureRecord(uint32_t iff, uint32_t stuetzstellen, const uint16_t* tabelle,
                            uint32_t bit8, uint32_t averageSamplerateStart, uint32_t vorlaufLaenge,
                            uint32_t aufnahmedelay, uint32_t ascan, uint32_t faktorGleichrichtung,
                            uint32_t externerTrigger, uint32_t triggerModes,
                            uint32_t verzoegerungAbstand);
SpecialParams specialRecord(uint32_t sendersperre, uint32_t impulsbreiteEnergie, uint32_t seMode,
                            uint32_t daempfungen);

}  // namespace k7
