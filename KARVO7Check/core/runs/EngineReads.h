// The reads of a continuous data-rate run through the acquisition engine: its own thread reads
// the card into a ring buffer, and the run's thread takes the shots out of it one at a time
// between serving the desktop, the stop window and the displays. A shot the card lost ends the
// card's reads with a line that names the run, the card and the loss.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "card/ParameterSet.h"
#include "card/ShotSize.h"
#include "runs/RunContext.h"
#include "runs/RunPace.h"

struct K7AcqEngine;

namespace k7check {

// The engine of one card as the run's thread sees it. Its failures go into the run's line,
// named by the run (`runName`, as its button names it) and the card; the texts of those that
// deserve a message are kept for after the reads (a message box would hold up the other cards).
class CardEngine {
  public:
    CardEngine(RunContext& run, const char* runName, uint32_t cardNumber);
    // Stops the card and empties its FIFO if the engine still runs.
    ~CardEngine();
    CardEngine(const CardEngine&) = delete;
    CardEngine& operator=(const CardEngine&) = delete;

    // Starts the engine on `card`, whose sets are prepared and active: `count` shots of at most
    // `shotBytes`, shot at `shotsPerSecond`; the engine starts the card with KARVO7Start.
    // False (the line says why) when it did not start. `engines`: how many cards' engines run
    // at once; they share the host memory one engine's ring buffer may take.
    bool start(KARVO7HANDLE card, uint64_t count, uint32_t shotBytes, uint32_t shotsPerSecond,
               uint32_t engines = 1);
    // Takes the items the engine holds now: each shot into `buffer`, then `shot(k, length)`
    // for shot k; a shot returning false ends the card's reads.
    void take(std::vector<uint8_t>& buffer, const std::function<bool(uint64_t, uint32_t)>& shot);
    // Ends the reads early (the technician stopped the run); the shots read so far stay.
    void stop();

    bool ended() const { return ended_; }
    bool failed() const { return failed_; }
    uint64_t shots() const { return shots_; }
    // The library's tick when the last shot was taken.
    uint32_t lastTick() const { return lastTick_; }
    // The failure to show once the reads ended, if any.
    const std::string& message() const { return message_; }

  private:
    // Takes one item; false when there was none.
    bool takeItem(std::vector<uint8_t>& buffer,
                  const std::function<bool(uint64_t, uint32_t)>& shot);
    void fail(const std::string& what, bool shown);

    RunContext& run_;
    const char* runName_;
    uint32_t cardNumber_;
    K7AcqEngine* engine_ = nullptr;
    uint64_t shots_ = 0;
    uint32_t lastTick_ = 0;
    bool ended_ = true;  // until the engine started
    bool failed_ = false;
    std::string message_;
};

// Reads `count` shots of card `cardNumber`, whose sets are prepared and active, through its
// engine; `shown(k)` gets shot k in the session's data buffer on the run's thread and may end
// the run by returning false. Gives the milliseconds from the start to the last shot; a failed
// or stopped run gives nothing, shows its failure, and leaves the card stopped with an empty
// FIFO.
std::optional<uint32_t> readShotsThroughEngine(RunContext& run, RunPace& pace, KARVO7HANDLE card,
                                               const char* runName, uint32_t cardNumber,
                                               uint64_t count, uint32_t shotBytes,
                                               uint32_t shotsPerSecond,
                                               const std::function<bool(uint64_t)>& shown);

// The run's thread pauses this long between serving the desktop and taking shots.
constexpr uint32_t kEnginePauseMs = 5;

}  // namespace k7check
