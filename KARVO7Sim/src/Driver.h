// The simulated driver: one device per configured card, exclusive open across processes (a
// lock file per card), the dispatch routines of the driver boundary, and the worker that lets
// the cards follow the clock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Bus.h"
#include "Card.h"
#include "KARVO7Sim.h"

namespace k7sim {

class Driver {
  public:
    explicit Driver(const Config& config);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    K7DrvDriver table();
    Card* card(uint32_t number);
    const Config& config() const { return config_; }
    // `late`: see Card::service.
    void service(bool late = false);
    // Ends the worker and waits for it; the cards then follow the clock only on requests.
    void stopWorker();

  private:
    static int deviceExists(void* self, uint32_t number);
    static uint32_t open(void* self, uint32_t number, void** device);
    static uint32_t control(void* self, void* device, uint32_t code, const void* input,
                            uint32_t inputSize, void* output, uint32_t outputSize,
                            uint32_t* returned);
    static uint32_t read(void* self, void* device, K7DrvIrp* irp, void* buffer, uint32_t size,
                         uint32_t* transferred);
    static uint32_t write(void* self, void* device, K7DrvIrp* irp, const void* buffer,
                          uint32_t size, uint32_t* transferred);
    static void cancel(void* self, void* device);
    static uint32_t close(void* self, void* device);

    uint32_t testCount(uint32_t code, const void* input, uint32_t inputSize, void* output,
                       uint32_t outputSize, uint32_t* returned);
    bool lock(uint32_t number);
    void unlock(uint32_t number);
    void work();

    Config config_;
    std::string lockDirectory_;
    std::map<uint32_t, std::unique_ptr<Bus>> buses_;  // by bus number; outlive the cards
    std::map<uint32_t, std::unique_ptr<Card>> cards_;
    std::atomic<uint32_t> serviceTurn_{0};
    std::mutex locksMutex_;
    std::map<uint32_t, intptr_t> locks_;
    std::mutex workerMutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread worker_;
};

// Reports ended transfers to the library.
void complete(const Completions& done);

// Where a configuration keeps its state: empty when nothing persists.
std::string stateDirectory(const Config& config);

// The folder of the cards' lock files: the configured one; else the user's runtime folder
// ($XDG_RUNTIME_DIR/karvo7sim); else "locks" in the state folder; else /tmp/karvo7sim-<uid>.
std::string lockDirectory(const std::string& configured, const std::string& state);

// True when `folder` exists (made when missing) and may hold lock files: a configured folder as
// it is; a folder of the driver's own choosing only when private to the caller (0700, no link).
bool lockFolderUsable(const std::string& folder, bool configured);

}  // namespace k7sim
