// The card's measurement: single shots and runs over the active sets, the shots taken and
// lost, the data FIFO and the results store with their overflow, and the single shots that
// wait for their trigger or for the card to be free. Shots follow the card's clock; the sets
// come from the firmware, and a shot that answers an A-scan command goes to the read port.
#pragma once

#include <cstdint>
#include <vector>

#include "DataFormat.h"
#include "Fifo.h"
#include "Firmware.h"
#include "ReadPort.h"
#include "Signal.h"

namespace k7sim {

class Measurement {
  public:
    enum class Destination { Fifo, Reply, None };
    struct Context {
        const uint64_t& nowUs;  // the card's time
        const uint64_t& seed;   // of the shots' noise
        uint32_t card;          // the card's number, for its own noise
        bool singleShotsWait;   // single shots keep the sets' pulse repetition
        Firmware& firmware;
        ReadPort& port;
    };

    Measurement(const Context& context, const Specimen& specimen, uint32_t fifoBytes,
                uint32_t resultsBytes, double externalTriggerHz, uint32_t maxRepetitionHz);

    // The state after power-up or a reset of the card: no run, nothing gathered or waiting.
    void powerUp();
    // Shots whose time has come. `hostWaitingSinceUs`: the card time since which the host has
    // been waiting for a block of the FIFO, when the card is served late by the simulation's
    // own worker; a shot that came due while the host waited and a millisecond or more before
    // now would have been taken by that host in time, and is stored late (BlockFifo::pushLate).
    void advance(uint64_t hostWaitingSinceUs = kNever);

    // Start in `mode` 1 (one shot of the selected set) or 2 and 3 (a run over the active sets,
    // else over `fallback`).
    void start(uint32_t mode, uint32_t fallback);
    // The run ends, single shots no longer wait for their trigger.
    void stop();
    // The run stops where it is, waiting shots are dropped, the FIFO and the store are emptied.
    void abandon();
    // The data FIFO and the results store are emptied; shots of a running measurement that
    // were in the FIFO count as dropped.
    void clear();
    // The data FIFO is emptied, with the same count.
    void clearFifo();

    // A shot outside a run: at once, or when its trigger comes or the card is free.
    void singleShot(uint32_t set, Destination destination);
    // A shot of `set` now for its gate values only.
    void measureGates(uint32_t set) { takeShot(set, ctx_.nowUs, Destination::None); }

    bool running() const { return run_.on; }
    uint8_t modus() const { return run_.on ? run_.modus : 0; }
    // The run measures `set`.
    bool measures(uint32_t set) const;
    uint64_t shots() const { return shots_; }
    uint64_t dropped() const { return dropped_; }
    BlockFifo& fifo() { return fifo_; }
    const BlockFifo& fifo() const { return fifo_; }
    ResultStore& results() { return results_; }
    const ResultStore& results() const { return results_; }
    // Shots were lost for the data FIFO since it was last emptied.
    bool fifoOverflow() const { return fifoOverflow_; }
    // Shots were lost for the FIFO or results for the results store.
    bool overflow() const { return fifoOverflow_ || resultsOverflow_; }

  private:
    void discardFifo();
    struct Run {
        bool on = false;
        uint8_t modus = 0;
        std::vector<uint32_t> sets;
        size_t position = 0;
        uint64_t nextUs = 0;
    };
    struct Armed {  // a single shot waiting for its trigger, or for the card to be free
        uint32_t set;
        uint64_t atUs;
        uint64_t dueUs;  // card time at which it is taken
        Destination destination;
    };
    // The shot base of a set for its settings, the span evaluated and the offset state.
    struct BaseCache {
        uint64_t version = UINT64_MAX;
        bool offsetAdjusted = false;
        int64_t end = 0;
        SignalModel::Base base;
    };
    static constexpr uint64_t kNever = UINT64_MAX;

    void takeShot(uint32_t set, uint64_t atUs, Destination destination, bool inCycle = false);
    bool storedLate(uint64_t atUs) const;
    // The FIFO has room for the block of a shot at `atUs`.
    bool fifoTakes(uint64_t atUs) const;
    void fireArmed();
    void runShots();
    void skipCycles(uint64_t cycles);
    void endRun();
    uint64_t periodUs(uint32_t set) const;
    uint64_t shotTime(uint32_t set, uint64_t earliestUs) const;
    bool keepsResults(uint32_t set) const;
    const SignalModel::Base& shotBase(uint32_t set, int64_t first, int64_t end);

    Context ctx_;
    SignalModel signal_;
    uint64_t triggerPeriodUs_ = 0;  // external trigger source; 0: none
    uint32_t maxRepetitionHz_;

    Run run_;
    BlockFifo fifo_;
    ResultStore results_;
    uint64_t shots_ = 0;
    uint64_t dropped_ = 0;
    bool fifoOverflow_ = false;     // shots lost for the data FIFO since it was last emptied
    bool resultsOverflow_ = false;  // results lost for the results store
    uint64_t busyUntilUs_ = 0;      // card time at which the next shot can start
    uint64_t hostWaitingSinceUs_ = kNever;  // during advance(): see there
    std::vector<Armed> armed_;

    std::vector<BaseCache> cache_;
    SampleRun samples_;              // the latest shot's samples (kept to spare allocations)
    std::vector<int16_t> recorded_;  // its recorded part
};

}  // namespace k7sim
