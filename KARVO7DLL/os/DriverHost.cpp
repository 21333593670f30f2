// Installs drivers and loads a driver module named by the environment (KARVO7_SIM,
// KARVO7_DRIVER) when a program uses the cards without installing a driver of its own.
#include "DriverHost.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "OsLayer.h"

namespace {

constexpr const char* kSimModule = "libKARVO7Sim.so.1";

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

// Directory of this library, so that the simulated-card module beside it is found first.
std::string libraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&K7DrvInstall), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

// A module named without a folder is looked for beside this library (the build's folder), then
// in the modules folder below it (lib/<multiarch>/karvo7/ of an installation), then where the
// dynamic loader looks.
void* openModule(const std::string& name) {
    // Without a folder of its own nothing is looked for relative to the working folder.
    if (const std::string folder = libraryDirectory();
        name.find('/') == std::string::npos && !folder.empty()) {
        for (const std::string& candidate : {folder + name, folder + "karvo7/" + name}) {
            if (void* m = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
                return m;
            }
        }
    }
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

// Loads `module` and lets its entry point fill the dispatch table. Reports on standard error
// why a module named by the environment could not serve, since the program itself cannot.
void loadModule(Host& h, const std::string& module, const std::string& parameter) {
    void* handle = openModule(module);
    if (handle == nullptr) {
        std::fprintf(stderr, "KARVO7: driver module %s not loaded: %s\n", module.c_str(),
                     dlerror());
        return;
    }
    auto entry = reinterpret_cast<K7DrvEntryFunction>(dlsym(handle, "K7DrvEntry"));
    K7DrvDriver table{};
    if (entry == nullptr || entry(parameter.c_str(), &table) == 0 ||
        table.interfaceVersion != K7DRV_INTERFACE_VERSION) {
        std::fprintf(stderr, "KARVO7: driver module %s refused to start with \"%s\"\n",
                     module.c_str(), parameter.c_str());
        dlclose(handle);
        return;
    }
    h.driver = table;
    h.module = handle;
}

void consultEnvironment(Host& h) {
    h.environmentConsulted = true;
    if (const char* sim = std::getenv("KARVO7_SIM"); sim != nullptr && *sim != '\0') {
        loadModule(h, kSimModule, sim);
        return;
    }
    if (const char* named = std::getenv("KARVO7_DRIVER"); named != nullptr && *named != '\0') {
        const std::string text = named;
        const auto colon = text.find(':');
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
