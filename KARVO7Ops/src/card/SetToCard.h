// Handing one parameter set to a card: the library's record built from the set, the
// preparation of the set on the card, its trigger delay and, on KARVO7F cards, its echo-start
// gate.
#pragma once

#include <array>
#include <cstdint>

#include "KARVO7DLL.h"
#include "card/ParameterSet.h"

namespace k7check {

// The library's argument block of a set: measurement, transmitter/receiver, gain and gates.
struct CardRecord {
    MeasureParams measure{};
    SpecialParams special{};
    uint32_t verstaerkung = 0;
    GateParams gates{};
};

// Builds the record field by field; `start` is the record's start code (1 for the check
// program's own preparations, 3 or 1 for the data-rate runs), whatever the set holds. The
// record points at the set's depth compensation table only while the set refers to it, so
// `set` must outlive the record; a run that keeps records keeps copies of its sets.
CardRecord cardRecordOf(const ParameterSet& set, uint8_t start = 1);

// The steps of handing set `setNumber` to a card, for runs that take them apart:
// the preparation of the record (false, with the library's error word, on failure) ...
bool prepareSet(KARVO7HANDLE card, uint32_t setNumber, const CardRecord& record, uint32_t& error);
// ... the trigger delay, in 25 ns steps when the set says so ...
void sendTriggerDelay(KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set);
// ... and on KARVO7F cards the echo-start gate.
void sendEchoStartGate(KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set);

// All three steps: the record, then the trigger delay, then the echo-start gate. False, with
// the library's error word in `error`, when the preparation failed; nothing further is sent.
bool handSetToCard(KARVO7HANDLE card, uint32_t setNumber, const ParameterSet& set, uint32_t& error);

// Makes the sets flagged in `active` the ones the card measures with (set n at index n), the
// others inactive. False, with the library's error word in `error`, when the card refused.
bool activateSets(KARVO7HANDLE card, const std::array<bool, kSetsPerCard>& active, uint32_t& error);

}  // namespace k7check
