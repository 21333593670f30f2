// KARVO7Sim.h - simulated KARVO7 cards behind the library's driver boundary.
//
// The simulator is a driver (KARVO7Driver.h) with one device per simulated card. Programs reach
// it without code changes through the environment (KARVO7_SIM=<card count or configuration
// file>, see README.md); tests create it directly from a configuration, install its dispatch
// table and drive it through the library's exported functions:
//
//     k7sim::Config config = k7sim::Config::defaults(2);
//     config.persist = false;                      // tests keep no state on disk
//     config.worker = false;                       // time-driven work only in service()
//     k7sim::Simulator sim(config);
//     sim.install();                               // K7DrvInstall(sim.driver())
//     ... KARVO7Open(1) ...
//     sim.service();                               // let the cards catch up with the clock
//
// Time: the cards live in the library clock (K7OsGetTickCount). Continuous measurement produces
// its shots as that clock advances, pending reads end when data arrives or the data time-out
// passes. Without a worker thread this happens on every request and in service(); with it
// (the default for programs) the worker does it about once a millisecond of real time.
// Single shots come no faster than the card's pulse repetition (a read waits for the shot), and
// the cards on one PCI bus share its bandwidth (Config::busMbPerSecond); tests whose clock
// stands still turn both off (Config::singleShotsWait, busMbPerSecond = 0).
//
// Determinism: every sample comes from the card state, the shot number and the seed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KARVO7Driver.h"

#if defined(_WIN32) && defined(K7SIM_BUILDING_MODULE)
#define K7SIM_API __declspec(dllexport)
#elif defined(_WIN32)
#define K7SIM_API __declspec(dllimport)
#else
#define K7SIM_API __attribute__((visibility("default")))
#endif

namespace k7sim {

// Driver error words of the simulated driver, returned by the last-error request after a
// failed request or transfer. The upper half names the area, the lower half the reason.
namespace err {
constexpr uint32_t kUnknownRequest = 0xE7010001u;    // request code the driver does not know
constexpr uint32_t kInputSize = 0xE7010002u;         // wrong input byte count
constexpr uint32_t kOutputSize = 0xE7010003u;        // wrong output byte count
constexpr uint32_t kNullBuffer = 0xE7010004u;        // missing buffer for a non-empty transfer
constexpr uint32_t kUnknownCommand = 0xE7020001u;    // command number the firmware lacks
constexpr uint32_t kCommandBlock = 0xE7020002u;      // count byte and code disagree, or above 8
constexpr uint32_t kCommandWords = 0xE7020003u;      // wrong number of data words
constexpr uint32_t kNoSuchSet = 0xE7020004u;         // set number beyond the card's sets
constexpr uint32_t kInReset = 0xE7020005u;           // command while the card is in reset
constexpr uint32_t kPoweredDown = 0xE7020006u;       // measurement start while powered down
constexpr uint32_t kMeasuring = 0xE7020007u;         // self test while measuring
constexpr uint32_t kSelfTestWord = 0xE7020008u;      // self-test word naming no test
constexpr uint32_t kNoSuchGate = 0xE7020009u;        // gate number other than 0-4 or 0xFFFF
constexpr uint32_t kSelfTestFailed = 0xE7030000u;    // | test number: the self test failed
constexpr uint32_t kRegisterAddress = 0xE7040001u;   // no register at that address
constexpr uint32_t kRegisterReadOnly = 0xE7040002u;  // write to a read-only register
constexpr uint32_t kEepromAddress = 0xE7050001u;     // EEPROM address beyond the chip
constexpr uint32_t kEepromProtected = 0xE7050002u;   // EEPROM write-protected
constexpr uint32_t kDataTimeOut = 0xE7060001u;       // no data within the data time-out
constexpr uint32_t kTransferBusy = 0xE7060002u;      // a transfer is already outstanding
constexpr uint32_t kImageTooLarge = 0xE7060003u;     // firmware image above 64 KiB
constexpr uint32_t kFifoOverflow = 0xE7060004u;      // shots were lost: the data FIFO overflowed
constexpr uint32_t kDepthTable = 0xE7070001u;        // depth table of a wrong size
constexpr uint32_t kStateNotKept = 0xE7080001u;      // the card's state file could not be
                                                     // written (full or read-only disk)
}  // namespace err

// The test block the card puts into the PCI FIFO for self test 0, twice.
constexpr uint32_t kSelfTest0Pattern[4] = {0x55555555u, 0xAAAAAAAAu, 0xFFFFFFFFu, 0x00000000u};

// A reflector inside the plate.
struct Flaw {
    double depthMm = 0.0;    // below the surface under the probe
    double amplitude = 0.0;  // its first echo at 0 dB, fraction of full scale
};

// The synthetic specimen under the probe: a delay-line probe on a steel plate. The interface
// echo (end of the delay line) is the strongest echo and repeats at twice its time; back-wall
// and flaw echoes repeat with each round trip through the plate, losing `echoLossDb` each.
struct Specimen {
    double thicknessMm = 22.0;        // plate thickness
    double velocityMps = 5920.0;      // longitudinal sound velocity of the plate
    double interfaceUs = 2.0;         // time of the interface echo after the transmit pulse
    double probeMHz = 5.0;            // centre frequency of the probe
    double interfaceAmplitude = 0.5;  // interface echo at 0 dB, fraction of full scale
    double echoAmplitude = 0.22;      // first back-wall echo at 0 dB, fraction of full scale
    double echoLossDb = 1.5;          // loss from one back-wall (or flaw) echo to the next
    double pulseAmplitude = 0.9;      // transmit pulse, fraction of full scale
    double noise = 0.0003;            // r.m.s. noise at 0 dB, fraction of full scale
    int32_t adcOffset = 96;           // offset of the samples before the offset command
    std::vector<Flaw> flaws;          // reflectors in the plate
};

// One fault, from the configuration (see README.md) or the test API.
struct Fault {
    enum class Kind {
        Request,           // request `code` fails with `word`
        Command,           // card command `code` (optionally only with data word `value`) fails
        EepromProtected,   // EEPROM byte writes fail
        ResetNever,        // the reset never finishes
        ResetAtOnce,       // the reset has finished already at the first poll
        SelfTest0Word,     // self test 0 puts `value` as word `index` into the PCI FIFO
        SelfTest0NoEmpty,  // the PCI FIFO never reports empty after self test 0
        DataNever,         // card data never arrives (reads end at the data time-out)
        EepromReadBack,    // EEPROM byte `index` reads back as `value`
    };
    Kind kind = Kind::Request;
    uint32_t code = 0;
    uint32_t word = 0;  // driver error word for Request and Command
    uint32_t index = 0;
    uint32_t value = 0;
    bool matchValue = false;  // Command: only with first data word == value
    bool always = true;       // false: once, then the fault is gone
};

// Identity of one card: the PCI bridge EEPROM header and configuration space values.
struct PciIdentity {
    uint16_t vendorId = 0x10E8;
    uint16_t deviceId = 0x4B37;
    uint8_t revisionId = 0x02;
    uint32_t classCode = 0xFF0000;
    uint16_t subVendorId = 0x10E8;
    uint16_t subsystemId = 0x0007;
    uint16_t command = 0x0103;
    uint16_t status = 0x0280;
    uint8_t cacheLineSize = 0x00;
    uint8_t latencyTimer = 0x20;
    uint8_t headerType = 0x00;
    uint8_t bist = 0x00;
    uint32_t baseAddress[5] = {0x0000E001u, 0x0000E401u, 0, 0, 0};  // as assigned
    uint32_t baseSize[5] = {0xFFFFFFC1u, 0xFFFFFF01u, 0, 0, 0};     // EEPROM size masks
    uint32_t expansionRom = 0;
    uint8_t interruptLine = 0x0B;
    uint8_t interruptPin = 0x01;
    uint8_t minimumGrant = 0x08;
    uint8_t maximumLatency = 0x10;
    uint16_t romSignature = 0xAA55;
    uint8_t romLength = 0x00;
    uint32_t romEntry = 0x00000000;
    uint16_t pciPointer = 0x001C;
    uint16_t configurationBits = 0x8000;
};

struct CardConfig {
    uint32_t number = 1;  // device number ("DOSKARVO7_<number>")
    uint32_t bus = 1;
    uint32_t slot = 12;
    bool version3 = true;
    PciIdentity pci;
    // The identification record, in the text form of the identification reference file
    // ("1,1,8:KARVO7F;" lines); empty: the shipped default record.
    std::string kennungText;
    uint16_t lcaId = 0x7C31;
    uint16_t dataLcaId = 0x7D31;
    Specimen specimen;
    // Rate of the source at the card's external trigger input; 0: none, and externally
    // triggered sets take no shots.
    double externalTriggerHz = 0.0;
    uint32_t resetMs = 50;  // time from the reset request to the reset-finished flag
    std::vector<Fault> faults;
};

struct Config {
    static constexpr int kVersion = 1;
    int version = kVersion;
    std::vector<CardConfig> cards;
    uint64_t seed = 1;
    bool worker = true;  // background thread for time-driven work
    // Requests that find a card behind the clock catch up as the worker's rounds would (with
    // the worker always; tests without it that play late rounds with workerRound() set it).
    bool lateRequests = false;
    bool persist = true;               // keep EEPROM, PCI configuration writes, firmware on disk
    std::string stateDir;              // empty: $KARVO7_SIM_STATE, else ~/.local/state/karvo7sim
    std::string lockDir;               // empty: $XDG_RUNTIME_DIR/karvo7sim, else the state
                                       // directory's "locks", else /tmp/karvo7sim-<uid>
    std::string instance = "default";  // cards of one instance exclude each other everywhere
    uint32_t fifoBytes = 262144;       // capacity of each card's data FIFO (the largest shot fits)
    uint32_t resultsBytes = 65536;     // capacity of each card's gate results store
    uint32_t dataTimeOutS = 10;        // data time-out until the program sets one (0: none)
    // Bandwidth of each PCI bus in million bytes a second, shared by the cards on that bus
    // number (32 bits at 33 MHz); 0: no limit.
    uint32_t busMbPerSecond = 132;
    // A single shot the card cannot take yet (the previous one still occupies it for its pulse
    // repetition period) waits for card time: its data comes no earlier. `false`: its data is
    // there at once (its time stamp still follows the card's pace), for tests that take many
    // single shots with blocking reads while their clock stands still.
    bool singleShotsWait = true;

    // `count` version-3 cards numbered 1..count on bus 1, slots 12, 13, ...
    K7SIM_API static Config defaults(uint32_t count);
    // Parses a configuration file's text; false with a message naming the line on error.
    K7SIM_API static bool parse(const std::string& text, Config& out, std::string& error);
    K7SIM_API static bool load(const std::string& path, Config& out, std::string& error);
    // Reads a fault in the configuration file's notation ("request 0x80026008 0xE0001234").
    K7SIM_API static bool parseFault(const std::string& text, Fault& out, std::string& error);
};

class Driver;

// A set of simulated cards and their driver.
class K7SIM_API Simulator {
  public:
    explicit Simulator(const Config& config);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // The dispatch table (context: this simulator). Valid while the simulator lives.
    K7DrvDriver driver();
    // Installs the table as the library's driver (K7DrvInstall); false if refused.
    bool install();
    // Removes the simulator as the library's driver if it is installed.
    void uninstall();

    // Faults on card `number` (device number).
    void addFault(uint32_t number, const Fault& fault);
    void clearFaults(uint32_t number);
    // Data generation seed (noise of every card).
    void setSeed(uint64_t seed);
    // Time-driven work for the present clock: shots of running measurements, pending reads
    // that can now complete or have reached the data time-out, reset completion.
    void service();
    // The same work as the worker thread does it, whose rounds may come late: the shots whose
    // time passed while a reader waited for a block of the FIFO go to that reader as a card
    // served in time would have handed them to it; a reader that was not waiting loses them
    // as it would on the card.
    void workerRound();
    // Bytes waiting in the data FIFO of card `number` (for tests of the FIFO bound).
    uint32_t fifoBytes(uint32_t number);
    // Shots the card has dropped because they did not fit its data FIFO, or that an emptying of
    // the FIFO threw away while the card measured.
    uint64_t droppedShots(uint32_t number);

    const Config& config() const;

  private:
    std::unique_ptr<Driver> driver_;
    bool installed_ = false;
};

}  // namespace k7sim

// The module entry point the library calls for KARVO7_SIM: parameter is a card count or the
// path of a configuration file.
extern "C" K7SIM_API int K7DrvEntry(const char* parameter, K7DrvDriver* driver);
