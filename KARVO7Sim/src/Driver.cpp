// Device registry and dispatch of the simulated driver.
#include "Driver.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "State.h"
#include "SystemFiles.h"

namespace k7sim {

void complete(const Completions& done) {
    for (const auto& c : done) {
        K7DrvCompleteIrp(c.irp, c.status, c.bytes);
    }
}

std::string stateDirectory(const Config& config) {
    if (!config.persist) {
        return {};
    }
    std::string base;
    if (const char* env = std::getenv("KARVO7_SIM_STATE"); env != nullptr && *env != '\0') {
        const std::string value = env;
        if (value == "off" || value == "none" || value == "no") {
            return {};
        }
        base = value;
    } else if (!config.stateDir.empty()) {
        base = config.stateDir;
    } else {
        base = userStateFolder();
    }
    if (base.empty()) {
        return {};
    }
    return base + "/" + config.instance;
}

std::string lockDirectory(const std::string& configured, const std::string& state) {
    if (!configured.empty()) {
        return configured;
    }
    return userLockFolder(state);
}

bool lockFolderUsable(const std::string& folder, bool configured) {
    if (configured) {
        return makeDirectories(folder);
    }
    // A folder of the program's own choosing is private: made 0700 and taken only when it is
    // the caller's, is no link, and no one else may write into it.
    return privateFolder(folder);
}

Driver::Driver(const Config& config) : config_(config) {
    const std::string state = stateDirectory(config_);
    lockDirectory_ = lockDirectory(config_.lockDir, state);
    CardSettings settings;
    settings.stateDirectory = state;
    settings.seed = config_.seed;
    settings.fifoBytes = config_.fifoBytes;
    settings.resultsBytes = config_.resultsBytes;
    settings.dataTimeOutS = config_.dataTimeOutS;
    settings.singleShotsWait = config_.singleShotsWait;
    settings.workerServes = config_.worker || config_.lateRequests;
    for (const auto& c : config_.cards) {
        std::unique_ptr<Bus>& bus = buses_[c.bus];
        if (!bus) {
            bus = std::make_unique<Bus>(config_.busMbPerSecond);
        }
        cards_[c.number] = std::make_unique<Card>(c, settings, *bus);
    }
    if (config_.worker) {
        worker_ = std::thread([this] { work(); });
    }
}

Driver::~Driver() {
    stopWorker();
    std::lock_guard lock(locksMutex_);
    for (const auto& [number, handle] : locks_) {
        unlockFile(handle);
    }
}

void Driver::stopWorker() {
    {
        std::lock_guard lock(workerMutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

K7DrvDriver Driver::table() {
    K7DrvDriver t{};
    t.interfaceVersion = K7DRV_INTERFACE_VERSION;
    t.context = this;
    t.deviceExists = &Driver::deviceExists;
    t.open = &Driver::open;
    t.deviceControl = &Driver::control;
    t.read = &Driver::read;
    t.write = &Driver::write;
    t.cancel = &Driver::cancel;
    t.close = &Driver::close;
    t.unload = nullptr;
    return t;
}

Card* Driver::card(uint32_t number) {
    const auto it = cards_.find(number);
    return it == cards_.end() ? nullptr : it->second.get();
}

void Driver::service(bool late) {
    // Each round begins with the next card, so that cards sharing a bus take turns on it.
    if (cards_.empty()) {
        return;
    }
    const size_t first = serviceTurn_.fetch_add(1, std::memory_order_relaxed) % cards_.size();
    auto from = std::next(cards_.begin(), static_cast<std::ptrdiff_t>(first));
    for (size_t i = 0; i < cards_.size(); ++i, ++from) {
        if (from == cards_.end()) {
            from = cards_.begin();
        }
        Completions done;
        std::lock_guard reporting(from->second->reporting());
        from->second->service(done, late);
        complete(done);
    }
}

// A card measures on its own clock, whatever the processors are busy with: the thread that
// moves the cards' time takes real-time priority where the system grants it, so that an
// ordinary thread being scheduled late does not make the card look slow. Without the right the
// thread keeps its ordinary priority.
void Driver::work() {
    takeRealTimePriority();
    std::unique_lock lock(workerMutex_);
    while (!stopping_) {
        wake_.wait_for(lock, std::chrono::milliseconds(1));
        if (stopping_) {
            break;
        }
        lock.unlock();
        service(true);
        lock.lock();
    }
}

// The lock file of a card: held exclusively while the card is open, so that another process's
// open of the same card (same instance) fails as on a real driver. A lock that cannot be taken
// (no folder for it, a planted link or folder, another user's file) refuses the open: a card
// is never opened without exclusion.
bool Driver::lock(uint32_t number) {
    if (!lockFolderUsable(lockDirectory_, !config_.lockDir.empty())) {
        return false;
    }
    const std::string path = lockDirectory_ + "/karvo7sim-" + config_.instance + "-card" +
                             std::to_string(number) + ".lock";
    const intptr_t handle = lockFile(path);
    if (handle < 0) {
        return false;
    }
    std::lock_guard guard(locksMutex_);
    locks_[number] = handle;
    return true;
}

void Driver::unlock(uint32_t number) {
    std::lock_guard guard(locksMutex_);
    const auto it = locks_.find(number);
    if (it != locks_.end()) {
        unlockFile(it->second);
        locks_.erase(it);
    }
}

int Driver::deviceExists(void* self, uint32_t number) {
    return static_cast<Driver*>(self)->card(number) != nullptr ? 1 : 0;
}

uint32_t Driver::open(void* self, uint32_t number, void** device) {
    auto* driver = static_cast<Driver*>(self);
    Card* c = driver->card(number);
    if (c == nullptr || device == nullptr) {
        return K7_ERROR_FILE_NOT_FOUND;
    }
    if (!driver->lock(number)) {
        return K7_ERROR_SHARING_VIOLATION;
    }
    const uint32_t status = c->open();
    if (status != K7_ERROR_SUCCESS) {
        // Held in this process already: the lock belongs to the first open.
        return status;
    }
    *device = c;
    return K7_ERROR_SUCCESS;
}

uint32_t Driver::control(void* self, void* device, uint32_t code, const void* input,
                         uint32_t inputSize, void* output, uint32_t outputSize,
                         uint32_t* returned) {
    if (device == nullptr) {
        return static_cast<Driver*>(self)->testCount(code, input, inputSize, output, outputSize,
                                                     returned);
    }
    uint32_t count = 0;
    Completions done;
    std::lock_guard reporting(static_cast<Card*>(device)->reporting());
    const uint32_t status = static_cast<Card*>(device)->control(code, input, inputSize, output,
                                                                outputSize, &count, done);
    complete(done);
    if (returned != nullptr) {
        *returned = count;
    }
    return status;
}

// The test interface: a card's own counts, asked for by device number.
uint32_t Driver::testCount(uint32_t code, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, uint32_t* returned) {
    uint32_t words[2] = {};
    if (code != K7DRV_TEST_COUNT || input == nullptr || inputSize != sizeof words ||
        output == nullptr || outputSize != sizeof(uint64_t)) {
        return K7_ERROR_INVALID_PARAMETER;
    }
    std::memcpy(words, input, sizeof words);
    Card* c = card(words[0]);
    if (c == nullptr) {
        return K7_ERROR_FILE_NOT_FOUND;
    }
    uint64_t value = 0;
    if (words[1] == K7DRV_COUNT_SHOTS_TAKEN) {
        value = c->shotsTaken();
    } else if (words[1] == K7DRV_COUNT_SHOTS_DROPPED) {
        value = c->droppedShots();
    } else if (words[1] == K7DRV_COUNT_READS_WAITING) {
        value = c->readsWaiting();
    } else {
        return K7_ERROR_INVALID_PARAMETER;
    }
    std::memcpy(output, &value, sizeof value);
    if (returned != nullptr) {
        *returned = sizeof value;
    }
    return K7_ERROR_SUCCESS;
}

uint32_t Driver::read(void*, void* device, K7DrvIrp* irp, void* buffer, uint32_t size,
                      uint32_t* transferred) {
    uint32_t count = 0;
    Completions done;
    std::lock_guard reporting(static_cast<Card*>(device)->reporting());
    const uint32_t status = static_cast<Card*>(device)->read(irp, buffer, size, &count, done);
    complete(done);
    if (transferred != nullptr) {
        *transferred = count;
    }
    return status;
}

uint32_t Driver::write(void*, void* device, K7DrvIrp*, const void* buffer, uint32_t size,
                       uint32_t* transferred) {
    uint32_t count = 0;
    Completions done;
    std::lock_guard reporting(static_cast<Card*>(device)->reporting());
    const uint32_t status = static_cast<Card*>(device)->write(buffer, size, &count, done);
    complete(done);
    if (transferred != nullptr) {
        *transferred = count;
    }
    return status;
}

void Driver::cancel(void*, void* device) {
    Completions done;
    std::lock_guard reporting(static_cast<Card*>(device)->reporting());
    static_cast<Card*>(device)->cancel(done);
    complete(done);
}

uint32_t Driver::close(void* self, void* device) {
    auto* c = static_cast<Card*>(device);
    Completions done;
    {
        std::lock_guard reporting(c->reporting());
        c->close(done);
        complete(done);
    }
    static_cast<Driver*>(self)->unlock(c->number());
    return K7_ERROR_SUCCESS;
}

}  // namespace k7sim
