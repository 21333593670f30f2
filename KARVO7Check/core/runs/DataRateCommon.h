// What the three data-rate runs share: checking the group's fields, the live displays, the
// preparation of set 0, and the line.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/Session.h"
#include "card/SetToCard.h"
#include "runs/DataRateRuns.h"
#include "runs/RunLine.h"

namespace k7check {

// The group's fields as a run uses them; false (after a message) when they are unusable.
bool dataRateFieldsUsable(Session& session, const char* caption);

// The live displays of a run, one per set or card, tiled over the screen; each is updated at
// most once per `throttleMs`. A run that reads on the run's own thread hands a shot over with
// update(); a run whose reads have a thread of their own hands the latest shot over with
// offer() from there, and the run's thread paints it with serve(): the reading thread only
// copies the shot into the window's spare buffer, and only when the window wants one, so it
// never waits for a repaint.
class RunDisplays {
  public:
    RunDisplays(Session& session, RunWindows& windows, uint32_t throttleMs)
        : session_(session), windows_(windows), throttleMs_(throttleMs) {}
    // Opens one window per title and tiles them; a run opens them before it starts the card.
    void open(const std::vector<std::string>& titles);
    // Whether window `i` is open and its last update long enough ago: only then is it worth
    // putting the display inputs of a shot together.
    bool due(std::size_t i);
    // Hands data to window `i` when its last update is long enough ago.
    void update(std::size_t i, const MeasuredDataInputs& inputs);
    void close(std::size_t i);
    void closeAll() {
        windows_list_.clear();
        boxes_.clear();
    }

    // From the reading thread: whether window `i` wants a shot now, and handing one over (its
    // data copied; the caller's buffer may change right after).
    bool wants(std::size_t i) const;
    void offer(std::size_t i, const MeasuredDataInputs& inputs);
    // From the run's thread: shows the shots handed over since, and lets the windows whose last
    // update is long enough ago want the next one.
    void serve();

  private:
    // The latest shot handed over to a window by the reading thread.
    struct Mailbox {
        std::mutex mutex;
        std::vector<uint8_t> spare;  // the reading thread's, under the mutex
        MeasuredDataInputs inputs;   // its data in `spare`
        bool fresh = false;
        std::atomic<bool> wanted{true};
        std::vector<uint8_t> shown;  // the run's thread's: what the window was handed last
    };

    Session& session_;
    RunWindows& windows_;
    uint32_t throttleMs_;
    std::vector<std::unique_ptr<LiveDisplay>> windows_list_;
    std::vector<uint32_t> lastUpdate_;
    std::vector<std::unique_ptr<Mailbox>> boxes_;
};

// The pace of a run between its reads and the desktop's needs: the stop window and the other
// windows are served (events handled, the technician's stop request looked at) once per
// `kServiceMs`, or once per `kServiceShots` calls while the clock stands still, never once per
// shot: handling the desktop's events takes milliseconds, while a card at its highest rate
// fills its FIFO within a few. Live work begins with it, before the run prepares and starts the
// card, so that the stop window is up and painted when the first read is due.
class RunPace {
  public:
    static constexpr uint32_t kServiceMs = 20;
    static constexpr uint32_t kServiceShots = 500;

    RunPace(Desktop& desktop, const std::string& caption)
        : desktop_(desktop), live_(desktop, caption) {}
    // Counts the pause from now: called right before the card starts.
    void begin() {
        lastService_ = desktop_.tickCount();
        shots_ = 0;
    }
    // Called between reads (or passes over the cards); true when the technician asked the run
    // to stop.
    bool stopped() {
        const uint32_t now = desktop_.tickCount();
        if (++shots_ < kServiceShots && now - lastService_ < kServiceMs) {
            return false;
        }
        shots_ = 0;
        lastService_ = now;
        return live_.stopped();
    }

  private:
    Desktop& desktop_;
    LiveWork live_;
    uint32_t lastService_ = 0;
    uint32_t shots_ = 0;
};

// The identification a record-layout buffer carries, when it carries one.
std::optional<int16_t> recordKennung(const uint8_t* data, uint32_t length);

// The set of card `cardNumber` whose identification `kennung` is, if any.
std::optional<uint32_t> setOfKennung(Session& session, uint32_t cardNumber, int16_t kennung);

// Leaves a card stopped with an empty FIFO and no overflow pending: before a run starts it, and
// after a run that failed.
void stopAndClear(KARVO7HANDLE card);

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
