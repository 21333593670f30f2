// Handing one parameter set to a card, the one sequence every program uses: the library's
// record built from the set, the preparation of the set on the card, its trigger delay, the
// external clock and, on KARVO7F cards, its echo-start gate. And leaving a card stopped with an
// empty FIFO.
#pragma once

#include <array>
#include <cstdint>

#include "KARVO7DLL.h"
#include "card/ParameterSet.h"

namespace k7check {

// A set as the card takes it: the library's argument block (measurement, transmitter/receiver,
// gain and gates), then what travels in calls of its own after the preparation.
struct CardRecord {
    MeasureParams measure{};
    SpecialParams special{};
    uint32_t verstaerkung = 0;
    GateParams gates{};
    uint32_t triggerDelay = 0;   // "Triggerdelay"
    bool trigger25ns = false;    // the trigger delay in 25 ns steps
    bool externalClock = false;  // "TriggerExtern"
    uint32_t esbLevel = 0;       // "ESB-Level"
    uint32_t esbTime = 0;        // "ESB-Time"
    bool esbRelativ = false;     // "ESB-relativ"
    bool esbAlways = false;      // "ESB-always"
};

// Builds the record field by field; `start` is the record's start code (1 for the check
// program's own preparations, 3 or 1 for the data-rate runs), whatever the set holds. The
// record points at the set's depth compensation table only while the set refers to it, so
// `set` must outlive the record; a run that keeps records keeps copies of its sets.
CardRecord cardRecordOf(const ParameterSet& set, uint8_t start = 1);

// The steps of a hand-over, in the order they are sent.
enum class HandOverStep : uint32_t {
    None,           // every step was taken
    Record,         // KARVO7PrepAllGatesParam
    TriggerDelay,   // KARVO7SetTriggerDelayParam or KARVO7SetTriggerDelay25nsParam
    ExternalClock,  // KARVO7SetExternalClock
    EchoStartGate,  // KARVO7SetESGateParam (KARVO7F cards only)
};

// How a hand-over went: the first step the card refused, with the library's error word.
struct HandOver {
    HandOverStep failed = HandOverStep::None;
    uint32_t error = 0;

    bool ok() const { return failed == HandOverStep::None; }
    // Whether the card took the record (the set is prepared).
    bool prepared() const { return failed != HandOverStep::Record; }
};

// Hands `record` to the card as set `setNumber`: the preparation, then the trigger delay, the
// external clock and on KARVO7F cards the echo-start gate. A refused preparation ends it with
// nothing further sent; a refusal after it is reported while the remaining steps are still
// sent, so that the card holds every setting it takes.
HandOver handSetToCard(KARVO7HANDLE card, uint32_t setNumber, const CardRecord& record);

// The check program's hand-over of `set` (start code 1): false, with the library's error word
// in `error`, when the preparation failed; the calls after it are not examined.
bool handSetToCard(KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set, uint32_t& error);

// The preparation of the record alone (false, with the library's error word, on failure): what
// the runs send again for every re-preparation.
bool prepareSet(KARVO7HANDLE card, uint32_t setNumber, const CardRecord& record, uint32_t& error);

// Makes the sets flagged in `active` the ones the card measures with (set n at index n), the
// others inactive. False, with the library's error word in `error`, when the card refused.
bool activateSets(KARVO7HANDLE card, const std::array<bool, kSetsPerCard>& active, uint32_t& error);

// Leaves a card stopped with an empty FIFO and no overflow pending: before a run starts it, and
// after a run that failed or ended. A card that is not running refuses the stop with
// KARVO7_ERR_STOPPED, which is no failure; the FIFO is cleared whatever the stop gave. False,
// with the error word, when the stop failed otherwise or the FIFO was not cleared.
bool stopAndEmpty(KARVO7HANDLE card, uint32_t& error);

}  // namespace k7check
