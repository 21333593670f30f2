// The bridge DLL: the simulated cards inside the process that hosts the Wine test driver, with
// the few functions of the card access library the simulator calls, answered here.
#include <windows.h>

#include <atomic>
#include <string>

#include "CardsBridge.h"
#include "KARVO7Sim.h"

namespace {

std::atomic<K7BridgeCompletion> driverCompletion{nullptr};

// "k7wine-cards.conf" in the bridge's own folder, as UTF-8.
std::string configurationBeside() {
    HMODULE self = nullptr;
    if (GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&K7BridgeStart), &self) == 0) {
        return {};
    }
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    std::wstring wide(path, length);
    wide = wide.substr(0, wide.find_last_of(L"\\/") + 1) + L"k7wine-cards.conf";
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

}  // namespace

extern "C" {

K7_BRIDGE_API int K7BridgeStart(K7BridgeCompletion completion, K7DrvDriver* table) {
    if (completion == nullptr || table == nullptr) {
        return 0;
    }
    const std::string configuration = configurationBeside();
    if (configuration.empty()) {
        return 0;
    }
    driverCompletion = completion;
    return K7DrvEntry(configuration.c_str(), table);
}

// The simulator's completions go to the driver, which completes its requests.
void K7DrvCompleteIrp(K7DrvIrp* irp, uint32_t status, uint32_t bytes) {
    if (const K7BridgeCompletion completion = driverCompletion.load()) {
        completion(irp, status, bytes);
    }
}

uint32_t K7OsGetTickCount(void) {
    return GetTickCount();
}

void K7OsSleep(uint32_t milliseconds) {
    Sleep(milliseconds);
}

// The driver serves the cards itself: nothing is installed into a library here.
int K7DrvInstall(const K7DrvDriver*) {
    return 0;
}

}  // extern "C"
