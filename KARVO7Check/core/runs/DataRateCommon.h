// What the three data-rate runs share: checking the group's fields, the preparation of set 0,
// the live part of a run on one card, and the line.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "card/SetToCard.h"
#include "runs/DataRateRuns.h"
#include "runs/ReadLoop.h"
#include "runs/RunContext.h"
#include "runs/RunPace.h"

namespace k7check {

// The group's fields as a run uses them; false (after a message) when they are unusable.
bool dataRateFieldsUsable(RunContext& run);

// The identification a record-layout buffer carries, when it carries one.
std::optional<int16_t> recordKennung(const uint8_t* data, uint32_t length);

// The set of card `cardNumber` whose identification `kennung` is, if any.
std::optional<uint32_t> setOfKennung(RunContext& run, uint32_t cardNumber, int16_t kennung);

// Whether the shots of set `setNumber` of card `cardNumber` fit the data buffer: a larger shot
// would be read in pieces, each counted as a shot. One that does not fit fails the line, named
// by the run (`runName`) and the card, before anything is sent to a card.
bool shotsFitTheBuffer(RunContext& run, const char* runName, uint32_t cardNumber,
                       uint32_t setNumber);

// The display inputs of a buffer delivered for `set`.
MeasuredDataInputs rateInputs(RunContext& run, const ParameterSet& set, const uint8_t* data,
                              uint32_t length, uint64_t number);

// Hands set 0 of a card to it with its preparation only.
bool prepareSetZero(RunContext& run, uint32_t cardNumber, KARVO7HANDLE card, uint32_t& error);

// The head of a line of the card and set runs: "Kanal %d: Datenrate [DMA ][+ PrepAll ]".
std::string dataRateHead(const RunContext& run);

// The live part of a run on card `cardNumber`, with the stop window (`liveCaption`) up: set 0 is
// handed over, then the run's `prepare` (which begins the pace right before the card starts)
// and its `measure`; a run whose preparation failed leaves the card stopped and clear. The live
// displays close after it.
void runLive(RunContext& run, uint32_t cardNumber, KARVO7HANDLE card, const char* liveCaption,
             const std::function<bool(RunPace&)>& prepare,
             const std::function<void(RunPace&)>& measure);

// Reads `count` shots on a thread of their own (see runReadLoop). A stopped or failed run leaves
// the card stopped and clear and shows the reading thread's failure, and gives nothing; a
// complete one the milliseconds from its start to the end of its last read.
std::optional<uint32_t> readShots(RunContext& run, RunPace& pace, KARVO7HANDLE card, uint64_t count,
                                  const ReadLoopShot& shot);

}  // namespace k7check
