// What the three data-rate runs share: checking the group's fields, the live displays, the
// preparation of set 0, and the line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DataRateRuns.h"
#include "RunLine.h"
#include "Session.h"
#include "SetToCard.h"

namespace k7check {

// The group's fields as a run uses them; false (after a message) when they are unusable.
bool dataRateFieldsUsable(Session& session, const char* caption);

// The live displays of a run, one per set or card, tiled over the screen; each is updated at
// most once per `throttleMs`.
class RunDisplays {
  public:
    RunDisplays(Session& session, RunWindows& windows, uint32_t throttleMs)
        : session_(session), windows_(windows), throttleMs_(throttleMs) {}
    // Opens one window per title and tiles them.
    void open(const std::vector<std::string>& titles);
    // Hands data to window `i` when its last update is long enough ago.
    void update(std::size_t i, const MeasuredDataInputs& inputs);
    void close(std::size_t i);
    void closeAll() { windows_list_.clear(); }

  private:
    Session& session_;
    RunWindows& windows_;
    uint32_t throttleMs_;
    std::vector<std::unique_ptr<LiveDisplay>> windows_list_;
    std::vector<uint32_t> lastUpdate_;
};

// The display inputs of a buffer delivered for `set`.
MeasuredDataInputs rateInputs(Session& session, const ParameterSet& set, const uint8_t* data,
                              uint32_t length, uint64_t number);

// Hands set 0 of a card to it with its preparation only.
bool prepareSetZero(Session& session, uint32_t cardNumber, KARVO7HANDLE card, uint32_t& error);

// The head of a line of the card and set runs: "Kanal %d: Datenrate [DMA ][+ PrepAll ]".
std::string dataRateHead(const Session& session);

// Reads what a continuous run left in the card's FIFO, until a read fails or delivers
// nothing, at most a bounded number of reads.
void drainFifo(Session& session, KARVO7HANDLE card);

}  // namespace k7check
