// Entry point of the driver module: the library calls it when KARVO7_SIM names a card count or
// a configuration file.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "Driver.h"
#include "KARVO7Sim.h"
#include "SystemFiles.h"

namespace {

std::mutex moduleMutex;
k7sim::Driver* moduleDriver = nullptr;

void unloadModule(void* context) {
    std::lock_guard lock(moduleMutex);
    auto* driver = static_cast<k7sim::Driver*>(context);
    if (driver == moduleDriver) {
        moduleDriver = nullptr;
    }
    delete driver;
}

// A program that ends without removing the driver leaves it to the end of the process: the
// worker is stopped and joined when the module's statics go (at exit, or when the module is
// unloaded), so that no thread of the module runs on while the process takes itself down. The
// driver itself stays: a card closed by a later destructor still finds it.
// When Windows ends the process, the worker is gone already, perhaps holding a card's lock:
// nothing is left to stop then, and stopping it would wait for that lock for ever.
struct WorkerStop {
    ~WorkerStop() {
        if (k7sim::processEnding()) {
            return;
        }
        std::lock_guard lock(moduleMutex);
        if (moduleDriver != nullptr) {
            moduleDriver->stopWorker();
        }
    }
};

bool allDigits(const char* s) {
    if (*s == '\0') {
        return false;
    }
    for (; *s != '\0'; ++s) {
        if (!std::isdigit(static_cast<unsigned char>(*s))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" K7SIM_API int K7DrvEntry(const char* parameter, K7DrvDriver* table) {
    if (parameter == nullptr || table == nullptr) {
        return 0;
    }
    k7sim::Config config;
    if (allDigits(parameter)) {
        const long count = std::strtol(parameter, nullptr, 10);
        if (count < 0 || count > 255) {
            std::fprintf(stderr, "KARVO7Sim: card count %s out of range 0..255\n", parameter);
            return 0;
        }
        config = k7sim::Config::defaults(static_cast<uint32_t>(count));
    } else {
        std::string error;
        if (!k7sim::Config::load(parameter, config, error)) {
            std::fprintf(stderr, "KARVO7Sim: %s\n", error.c_str());
            return 0;
        }
    }
    static WorkerStop workerStop;
    std::lock_guard lock(moduleMutex);
    auto* driver = new k7sim::Driver(config);
    moduleDriver = driver;
    *table = driver->table();
    table->unload = &unloadModule;
    return 1;
}
