// The real clock, the heap and driver modules on POSIX systems.
#include "SystemServices.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "KARVO7Driver.h"

namespace k7::os {

uint32_t systemTick(void*) {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void systemSleep(void*, uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void* systemAllocate(void*, std::size_t size) {
    return std::malloc(size);
}

void systemRelease(void*, void* block) {
    std::free(block);
}

const char* simulatedCardsModule() {
    return "libKARVO7Sim.so.1";
}

std::size_t moduleNameEnd(const std::string& text) {
    return text.find(':');
}

namespace {

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

}  // namespace

// A module named without a folder is looked for beside this library (the build's folder), then
// in the modules folder below it (lib/<multiarch>/karvo7/ of an installation), then where the
// dynamic loader looks.
void* openModule(const std::string& name, std::string& why) {
    // Without a folder of its own nothing is looked for relative to the working folder.
    if (const std::string folder = libraryDirectory();
        name.find('/') == std::string::npos && !folder.empty()) {
        for (const std::string& candidate : {folder + name, folder + "karvo7/" + name}) {
            if (void* m = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
                return m;
            }
        }
    }
    void* module = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* error = dlerror();
        why = error != nullptr ? error : "not found";
    }
    return module;
}

void* moduleSymbol(void* module, const char* name) {
    return dlsym(module, name);
}

void closeModule(void* module) {
    dlclose(module);
}

}  // namespace k7::os
