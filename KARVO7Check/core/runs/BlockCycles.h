// The continuous block measurement's reads through the acquisition engine: its own thread
// fetches the card's gate results every cycle and the A-scans the run asks for, and reads
// (and drops) the shots the block's sets put into the FIFO, so that an overflow is noticed
// and counted. The run's thread takes the results and A-scans as items; while it waits it
// pauses the desktop only when the engine is idle (its FIFO empty, or a read waiting for an
// A-scan's shot), so that a run on the desktop's clock never lets the card outrun the engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "runs/RunContext.h"

struct K7AcqEngine;

namespace k7check {

class BlockCycles {
  public:
    struct Options {
        uint32_t shotBytes = 0;       // the largest block a shot of the active sets delivers
        uint32_t shotsPerSecond = 0;  // their rate
        uint32_t ascanSet = 0;        // the set whose A-scans are shown
        bool ascans = false;          // A-scans are asked for
    };
    // The cycle's length: the block run's pause between two results fetches.
    static constexpr uint32_t kCycleMs = 10;

    BlockCycles(RunContext& run, const char* runName, uint32_t cardNumber);
    // Stops the card and empties its FIFO if the engine still runs.
    ~BlockCycles();
    BlockCycles(const BlockCycles&) = delete;
    BlockCycles& operator=(const BlockCycles&) = delete;

    // Starts the engine on `card` (sets prepared and active; started with start mode 3);
    // false with the error word when it did not start.
    bool start(KARVO7HANDLE card, const Options& options, uint32_t& error);
    // The gate results of the next cycle, appended to `results` (all fetches since the last
    // call when several came); false when the engine ended or lost shots (the line says).
    bool nextResults(std::vector<uint8_t>& results);
    // An A-scan of the options' set, taken with its next shot into `ascan`; false as above.
    bool nextAscan(std::vector<uint8_t>& ascan, uint32_t& length);
    // Stops the engine; the gate results fetched after the card stopped go to `results`.
    void stop(std::vector<uint8_t>& results);

  private:
    // Nothing: no item came; Other: an item the run's waits do not end on.
    enum class Taken { Nothing, Other, Results, Ascan, Ended };
    // Takes one item, waiting up to `waitMs` of real time for it.
    Taken takeOne(uint32_t waitMs);
    // The next item, or a pause on the desktop's clock when the engine is idle.
    Taken next(bool ascanAwaited);
    // A loss item: the line names the shots the card lost since the last one.
    void cardLoss();
    // A failed results fetch: the line fails, the run goes on.
    void resultsFailed(uint32_t word);
    // Appends `what`, naming the run and the card, to the failing line ...
    void failLine(const std::string& what);
    // ... and stops the engine.
    void fail(const std::string& what);

    RunContext& run_;
    const char* runName_;
    uint32_t cardNumber_;
    KARVO7HANDLE card_ = nullptr;
    K7AcqEngine* engine_ = nullptr;
    bool ended_ = true;
    bool failed_ = false;
    uint64_t cardLost_ = 0;         // shots the card lost, named in the line
    uint64_t shotsRead_ = 0;        // the engine's count when the run last found the FIFO not empty
    std::vector<uint8_t> item_;     // the item taken last
    uint32_t ascanBytes_ = 0;       // its length when it was an A-scan
    std::vector<uint8_t> pending_;  // results fetched while the run waited for something else
    bool resultsPending_ = false;
    bool resultsFailed_ = false;  // a results fetch failed, and the line says so
    std::vector<uint8_t> final_;  // the results fetched after the card stopped
};

}  // namespace k7check
