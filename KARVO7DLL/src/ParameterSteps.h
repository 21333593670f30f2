// The parameter-set operations behind the exported forms: every plain, Param, Pointer and
// ParamPointer form of an operation turns its arguments into the record and calls one of
// these with the set number. The handle has been checked by the caller.
#pragma once

#include <cstdint>

#include "Card.h"
#include "Parameters.h"

namespace k7 {

// Measurement preparation: validation, set selection on a version-3 card, the start mode of
// other cards, commands 0x4401, 0x6002, 0x5801, 0x6801, 0x5C02, the depth-compensation table
// and 0x6402.
Result prepareMeasure(KARVO7Card* card, uint32_t set, const MeasureParams& params);

// Gain: set selection on a version-3 card, command 0x5001.
Result setGain(KARVO7Card* card, uint32_t set, uint32_t verstaerkung);

// One measuring gate: set selection, command 0x7002 with the gate block.
Result setGate(KARVO7Card* card, uint32_t set, uint32_t gate, uint32_t anfang, uint32_t ende,
               uint32_t schwelle);

// Gates B0 to B4 in order, then their enables; stops at the first failure.
Result prepareGates(KARVO7Card* card, uint32_t set, const GateParams& gates);

// Gate enables: set selection, command 0x7401.
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
