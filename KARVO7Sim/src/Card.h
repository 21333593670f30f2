// One simulated card: its PCI bridge (configuration space, EEPROM, operation registers), its
// clock, the driver's per-device state (last error word, transfer mode), and the objects that
// own the rest: the firmware (sets, selection, LCAs), the measurement (runs, shots, FIFO,
// results) and the read port (answers, waiting read). The card dispatches the driver's
// requests and commands to them. Every public member locks the card; transfers that end are
// handed back as completions, which the caller reports to the library after the lock is
// released.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "Bridge.h"
#include "Bus.h"
#include "Eeprom.h"
#include "Faults.h"
#include "Firmware.h"
#include "KARVO7Sim.h"
#include "Measurement.h"
#include "PciConfig.h"
#include "ReadPort.h"
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
    // The simulation's worker serves the card: whoever lets it catch up with the clock (a late
    // round, or a request that comes first) stands in for the rounds it missed.
    bool workerServes = false;
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
    // Time-driven work for the present clock. `late`: the simulation's worker serves the card,
    // possibly later than its round was due; a host waiting for a block meanwhile then gets
    // the shots of that time as a card served in time would have handed them to it.
    void service(Completions& done, bool late = false);

    // Held from a request's start until the transfers it ended are reported to the library, so
    // that a cancel never finds a transfer ended here but not yet reported (the library would
    // end it as aborted and its data, taken from the FIFO, would be lost).
    std::mutex& reporting() { return reporting_; }

    // Test interface.
    void addFault(const Fault& fault);
    void clearFaults();
    void setSeed(uint64_t seed);
    uint32_t fifoBytes();
    uint64_t droppedShots();
    // Shots the card took since the driver began, whatever became of them.
    uint64_t shotsTaken();
    // 1 while a read of the card's shots waits for them, else 0.
    uint64_t readsWaiting();

  private:
    // The handlers of the request and command tables (Requests.cpp, Commands.cpp).
    friend struct CardRequests;
    friend struct CardCommands;

    // Card.cpp: time, power-up state, persistence.
    void advance(uint64_t hostWaitingSinceUs = UINT64_MAX);
    uint64_t hostWaitingSince() const;
    void powerUpState();
    void loadPersistent();
    // False when the state could not be kept on disk.
    [[nodiscard]] bool saveEeprom() const;
    [[nodiscard]] bool savePci() const;
    uint32_t fail(uint32_t status, uint32_t word);
    void hardwareReset();

    // Registers.cpp: the status block, register and EEPROM byte access.
    uint32_t status(uint8_t* out);
    uint32_t readRegister(uint32_t address, uint32_t& value);
    uint32_t writeRegister(uint32_t address, uint32_t value);
    uint32_t readEeprom(uint32_t address, uint32_t& value);
    uint32_t writeEeprom(uint32_t address, uint32_t value);

    // Commands.cpp: the firmware's command blocks, one table of their handlers.
    uint32_t command(const uint8_t* block);

    // SelfTests.cpp.
    uint32_t selfTest(uint32_t word);
    bool storedRecordValid() const;

    // Transfers.cpp: delivery of card data to reads.
    enum class ReadEnd { Wait, Results, Overflow };
    ReadEnd readEnd() const;
    uint32_t deliver(uint8_t* buffer, uint32_t size);
    bool hasDataForRead() const;
    void completePending(Completions& done);

    mutable std::mutex mutex_;
    std::mutex reporting_;
    CardConfig config_;
    CardSettings settings_;
    Bus& bus_;
    Faults faults_;
    StateStore state_;
    bool opened_ = false;

    Eeprom eeprom_;
    PciConfigSpace pci_;
    Bridge bridge_;
    std::vector<uint8_t> image_;  // the firmware image written to the card
    uint8_t transferMode_ = 0;
    uint32_t lastError_ = 0;

    bool clockStarted_ = false;
    uint32_t lastTick_ = 0;
    uint64_t nowUs_ = 0;
    bool resetting_ = false;
    uint64_t resetDoneUs_ = 0;

    // The measurement follows the card's time and settings and the firmware's sets, and answers
    // through the read port: it is made after them.
    Firmware firmware_;
    ReadPort port_;
    Measurement measurement_;
};

}  // namespace k7sim
