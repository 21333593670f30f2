// Installs drivers and loads a driver module named by the environment (KARVO7_SIM,
// KARVO7_DRIVER) when a program uses the cards without installing a driver of its own.
#include "DriverHost.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "OsLayer.h"
#include "SystemServices.h"

namespace {

struct Host {
    std::mutex mutex;
    std::optional<K7DrvDriver> driver;
    void* module = nullptr;
    int openDevices = 0;
    bool environmentConsulted = false;
};

Host& host() {
    static Host instance;
    return instance;
}

// Loads `module` and lets its entry point fill the dispatch table. Reports on standard error
// why a module named by the environment could not serve, since the program itself cannot.
void loadModule(Host& h, const std::string& module, const std::string& parameter) {
    std::string why;
    void* handle = k7::os::openModule(module, why);
    if (handle == nullptr) {
        std::fprintf(stderr, "KARVO7: driver module %s not loaded: %s\n", module.c_str(),
                     why.c_str());
        return;
    }
    auto entry = reinterpret_cast<K7DrvEntryFunction>(k7::os::moduleSymbol(handle, "K7DrvEntry"));
    K7DrvDriver table{};
    if (entry == nullptr || entry(parameter.c_str(), &table) == 0 ||
        table.interfaceVersion != K7DRV_INTERFACE_VERSION) {
        std::fprintf(stderr, "KARVO7: driver module %s refused to start with \"%s\"\n",
                     module.c_str(), parameter.c_str());
        k7::os::closeModule(handle);
        return;
    }
    h.driver = table;
    h.module = handle;
}

void consultEnvironment(Host& h) {
    h.environmentConsulted = true;
    if (const char* sim = std::getenv("KARVO7_SIM"); sim != nullptr && *sim != '\0') {
        loadModule(h, k7::os::simulatedCardsModule(), sim);
        return;
    }
    if (const char* named = std::getenv("KARVO7_DRIVER"); named != nullptr && *named != '\0') {
        const std::string text = named;
        const auto colon = k7::os::moduleNameEnd(text);
        loadModule(h, text.substr(0, colon),
                   colon == std::string::npos ? std::string{} : text.substr(colon + 1));
    }
}

void unloadCurrent(Host& h) {
    if (h.driver && h.driver->unload != nullptr) {
        h.driver->unload(h.driver->context);
    }
    h.driver.reset();
    // A module stays mapped: threads it started may still be finishing their last words.
    h.module = nullptr;
}

}  // namespace

namespace k7::os {

std::optional<K7DrvDriver> installedDriver() {
    Host& h = host();
    std::lock_guard lock(h.mutex);
    if (!h.driver && !h.environmentConsulted) {
        consultEnvironment(h);
    }
    return h.driver;
}

void deviceOpened() {
    Host& h = host();
    std::lock_guard lock(h.mutex);
    ++h.openDevices;
}

void deviceClosed() {
    Host& h = host();
    std::lock_guard lock(h.mutex);
    --h.openDevices;
}

}  // namespace k7::os

extern "C" KARVO7_API int K7DrvInstall(const K7DrvDriver* driver) {
    Host& h = host();
    std::lock_guard lock(h.mutex);
    if (h.openDevices > 0) {
        k7::os::setLastError(K7_ERROR_ACCESS_DENIED);
        return 0;
    }
    if (driver != nullptr && driver->interfaceVersion != K7DRV_INTERFACE_VERSION) {
        k7::os::setLastError(K7_ERROR_INVALID_PARAMETER);
        return 0;
    }
    unloadCurrent(h);
    h.environmentConsulted = true;
    if (driver != nullptr) {
        h.driver = *driver;
    }
    return 1;
}

extern "C" KARVO7_API int K7DrvTestCount(uint32_t number, uint32_t count, uint64_t* value) {
    const std::optional<K7DrvDriver> driver = k7::os::installedDriver();
    if (value == nullptr || !driver || driver->deviceControl == nullptr) {
        return 0;
    }
    const uint32_t input[2] = {number, count};
    uint64_t answer = 0;
    uint32_t returned = 0;
    if (driver->deviceControl(driver->context, nullptr, K7DRV_TEST_COUNT, input, sizeof input,
                              &answer, sizeof answer, &returned) != K7_ERROR_SUCCESS ||
        returned != sizeof answer) {
        return 0;
    }
    *value = answer;
    return 1;
}
