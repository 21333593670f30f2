// One simulated card: its PCI bridge (configuration space, EEPROM, operation registers), its
// LCAs, the firmware with its parameter sets and measurement, and the driver's per-device
// state (last error word, data time-out, the outstanding transfer). Every public member locks
// the card; transfers that end are handed back as completions, which the caller reports to the
// library after the lock is released.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Bridge.h"
#include "Bus.h"
#include "DataFormat.h"
#include "Eeprom.h"
#include "Faults.h"
#include "Fifo.h"
#include "KARVO7Sim.h"
#include "Lca.h"
#include "ParameterSet.h"
#include "PciConfig.h"
#include "Signal.h"
#include "State.h"

namespace k7sim {

struct Completion {
    K7DrvIrp* irp;
    uint32_t status;
    uint32_t bytes;
};
using Completions = std::vector<Completion>;

// What the card's settings say beyond the card itself.
struct CardSettings {
    std::string stateDirectory;  // empty: nothing persists
    uint64_t seed = 1;
    uint32_t fifoBytes = 262144;
    uint32_t resultsBytes = 65536;
    uint32_t dataTimeOutS = 10;
    bool singleShotsWait = true;
};

class Card {
  public:
    // `bus`: the PCI bus the card sits on; it outlives the card.
    Card(const CardConfig& config, const CardSettings& settings, Bus& bus);

    uint32_t number() const { return config_.number; }

    // Device open and close (exclusivity across processes is the registry's).
    uint32_t open();
    void close(Completions& done);

    // Driver dispatch.
    uint32_t control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                     uint32_t outputSize, uint32_t* returned, Completions& done);
    uint32_t read(K7DrvIrp* irp, void* buffer, uint32_t size, uint32_t* transferred,
                  Completions& done);
    uint32_t write(const void* buffer, uint32_t size, uint32_t* transferred, Completions& done);
    void cancel(Completions& done);
    // Time-driven work for the present clock.
    void service(Completions& done);

    // Test interface.
    void addFault(const Fault& fault);
    void clearFaults();
    void setSeed(uint64_t seed);
    uint32_t fifoBytes();
    uint64_t droppedShots();

  private:
    enum class Source { Fifo, Reply, Results };
    struct Pending {
        K7DrvIrp* irp;
        uint8_t* buffer;
        uint32_t size;
        uint64_t deadlineUs;
    };
    struct Run {
        bool on = false;
        uint8_t modus = 0;
        std::vector<uint32_t> sets;
        size_t position = 0;
        uint64_t nextUs = 0;
    };
    // The shot base of a set for its settings, the span evaluated and the offset state.
    struct BaseCache {
        uint64_t version = UINT64_MAX;
        bool offsetAdjusted = false;
        int64_t end = 0;
        SignalModel::Base base;
    };

    // Card.cpp: time, power-up state, persistence.
    void advance();
    void powerUpState();
    void loadPersistent();
    void saveEeprom() const;
    void savePci() const;
    uint32_t fail(uint32_t status, uint32_t word);
    void hardwareReset();
    uint32_t setCount() const { return config_.version3 ? 8u : 1u; }

    // Requests.cpp: device-control requests, one table of their shapes and handlers.
    friend struct CardRequests;

    // Registers.cpp: the status block, register and EEPROM byte access.
    uint32_t status(uint8_t* out);
    uint32_t readRegister(uint32_t address, uint32_t& value);
    uint32_t writeRegister(uint32_t address, uint32_t value);
    uint32_t readEeprom(uint32_t address, uint32_t& value);
    uint32_t writeEeprom(uint32_t address, uint32_t value);

    // Firmware.cpp: the command interpreter.
    friend struct CardCommands;
    uint32_t command(const uint8_t* block);
    uint32_t startMeasurement(uint32_t setForBlock, bool block);
    void changed(uint32_t set);

    // SelfTests.cpp and Adc.cpp.
    uint32_t selfTest(uint32_t word);
    bool storedRecordValid() const;
    Bytes adcReading();

    // Measurement.cpp: shots and their output.
    enum class Destination { Fifo, Reply, None };
    struct Armed {  // a single shot waiting for its trigger, or for the card to be free
        uint32_t set;
        uint64_t atUs;
        uint64_t dueUs;  // card time at which it is taken
        Destination destination;
    };
    static constexpr uint64_t kNever = UINT64_MAX;
    void takeShot(uint32_t set, uint64_t atUs, Destination destination, bool inCycle = false);
    void singleShot(uint32_t set, Destination destination);
    void fireArmed();
    void runShots();
    void endRun();
    uint64_t periodUs(uint32_t set) const;
    uint64_t shotTime(uint32_t set, uint64_t earliestUs) const;
    bool keepsResults(uint32_t set) const;
    const SignalModel::Base& shotBase(uint32_t set, int64_t first, int64_t end);

    // Transfers.cpp: delivery of card data to reads.
    enum class ReadEnd { Wait, Results, Overflow };
    ReadEnd readEnd() const;
    uint32_t deliver(uint8_t* buffer, uint32_t size);
    bool hasDataForRead() const;
    void completePending(Completions& done);

    mutable std::mutex mutex_;
    CardConfig config_;
    CardSettings settings_;
    Bus& bus_;
    SignalModel signal_;
    Faults faults_;
    StateStore state_;
    bool opened_ = false;

    Eeprom eeprom_;
    PciConfigSpace pci_;
    Bridge bridge_;
    Lca lca_;
    std::vector<uint8_t> firmware_;

    std::vector<ParameterSet> sets_;
    std::vector<uint64_t> versions_;
    std::vector<BaseCache> cache_;
    SampleRun samples_;              // the latest shot's samples (kept to spare allocations)
    std::vector<int16_t> recorded_;  // its recorded part
    std::vector<std::optional<ShotGates>> lastGates_;
    uint32_t selected_ = 0;
    uint8_t active_ = 0;
    bool externalClock_ = false;
    uint8_t transferMode_ = 0;
    bool powered_ = true;
    bool offsetAdjusted_ = false;
    uint32_t maxRepetitionHz_ = 20000;

    bool clockStarted_ = false;
    uint32_t lastTick_ = 0;
    uint64_t nowUs_ = 0;
    bool resetting_ = false;
    uint64_t resetDoneUs_ = 0;

    Run run_;
    BlockFifo fifo_;
    ResultStore results_;
    Source source_ = Source::Fifo;
    Bytes reply_;
    size_t replyPosition_ = 0;
    int ascanWanted_ = -1;
    uint32_t resultLimit_ = 0;
    uint64_t shots_ = 0;
    uint64_t dropped_ = 0;
    uint64_t adcReads_ = 0;
    bool fifoOverflow_ = false;     // shots lost for the data FIFO since it was last emptied
    bool resultsOverflow_ = false;  // results lost for the results store
    uint64_t busyUntilUs_ = 0;      // card time at which the next shot can start
    uint64_t triggerPeriodUs_ = 0;  // external trigger source; 0: none
    std::vector<Armed> armed_;

    uint32_t lastError_ = 0;
    uint32_t dataTimeOutS_ = 10;
    std::optional<Pending> pending_;
};

}  // namespace k7sim
