// The real clock, the heap and driver modules on Windows, from kernel32. Names cross into
// Windows as UTF-16; inside they are UTF-8.
#include "SystemServices.h"

#include <windows.h>

#include "KARVO7Driver.h"
#include "k7base/WideText.h"

namespace k7::os {

uint32_t systemTick(void*) {
    // Milliseconds of the performance counter: GetTickCount moves in steps of 10 to 16 ms, too
    // coarse to tell how long a reading thread was held up and with it how often a card's shot
    // counter turned meanwhile, and for the runs' rates.
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    const uint64_t perSecond = static_cast<uint64_t>(frequency.QuadPart);
    const uint64_t counts = static_cast<uint64_t>(now.QuadPart);
    return static_cast<uint32_t>(counts / perSecond * 1000 + counts % perSecond * 1000 / perSecond);
}

void systemSleep(void*, uint32_t milliseconds) {
    Sleep(milliseconds);
}

void* systemAllocate(void*, std::size_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void systemRelease(void*, void* block) {
    HeapFree(GetProcessHeap(), 0, block);
}

const char* simulatedCardsModule() {
    return "KARVO7Sim.dll";
}

std::size_t moduleNameEnd(const std::string& text) {
    const bool drive = text.size() >= 2 && text[1] == ':';
    return text.find(':', drive ? 2 : 0);
}

namespace {

// Folder of this library (with its final backslash), so that the simulated cards' module
// beside it is found first.
std::wstring libraryFolder() {
    HMODULE self = nullptr;
    if (GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&K7DrvInstall), &self) == 0) {
        return {};
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash + 1);
}

}  // namespace

// A module named without a folder is looked for beside this library first, then where Windows
// looks for DLLs.
void* openModule(const std::string& name, std::string& why) {
    const std::wstring wide = k7base::wideOf(name);
    if (name.find_first_of("\\/") == std::string::npos) {
        if (const std::wstring folder = libraryFolder(); !folder.empty()) {
            if (HMODULE m = LoadLibraryW((folder + wide).c_str())) {
                return m;
            }
        }
    }
    HMODULE module = LoadLibraryW(wide.c_str());
    if (module == nullptr) {
        why = "Windows error " + std::to_string(GetLastError());
    }
    return module;
}

void* moduleSymbol(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void closeModule(void* module) {
    FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace k7::os
