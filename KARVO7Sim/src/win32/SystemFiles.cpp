// The simulated cards' files and worker priority on Windows: state in the user's local
// application-data folder, names as UTF-16 at the calls, files replaced with write-through.
#include "SystemFiles.h"

#include <windows.h>

#include <cstdlib>

#include "k7base/WideText.h"

namespace k7sim {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::string userStateFolder() {
    const std::string local = environment("LOCALAPPDATA");
    return local.empty() ? std::string{} : local + "\\karvo7sim";
}

std::string userLockFolder(const std::string& state) {
    if (!state.empty()) {
        return state + "\\locks";
    }
    const std::string temporary = environment("TEMP");
    return temporary.empty() ? std::string{} : temporary + "\\karvo7sim";
}

bool privateFolder(const std::string& folder) {
    // The folders of the user's own profile are the user's: no link is taken for one.
    if (!makeDirectories(folder)) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(k7base::wideOf(folder).c_str());
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool makeDirectories(const std::string& path, unsigned) {
    if (path.empty()) {
        return false;
    }
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/' || path[pos] == '\\') {
            const std::wstring part = k7base::wideOf(path.substr(0, pos));
            if (part.size() == 2 && part[1] == L':') {
                continue;  // a drive
            }
            if (CreateDirectoryW(part.c_str(), nullptr) == 0 &&
                GetLastError() != ERROR_ALREADY_EXISTS) {
                return false;
            }
        }
    }
    return isFolder(k7base::wideOf(path));
}

bool readRegularFile(const std::string& path, std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(k7base::wideOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool read = GetFileType(file) == FILE_TYPE_DISK;
    bytes.clear();
    uint8_t block[4096];
    while (read) {
        DWORD n = 0;
        read = ReadFile(file, block, sizeof block, &n, nullptr) != 0;
        if (!read || n == 0) {
            break;
        }
        bytes.insert(bytes.end(), block, block + n);
    }
    CloseHandle(file);
    return read;
}

bool replaceFile(const std::string&, const std::string& target, const uint8_t* data,
                 std::size_t size) {
    const std::wstring temporary =
        k7base::wideOf(target + ".tmp-" + std::to_string(GetCurrentProcessId()));
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool written = true;
    while (written && size > 0) {
        const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
        DWORD n = 0;
        written = WriteFile(file, data, chunk, &n, nullptr) != 0 && n == chunk;
        data += chunk;
        size -= chunk;
    }
    written = FlushFileBuffers(file) != 0 && written;
    written = CloseHandle(file) != 0 && written;
    if (!written || MoveFileExW(temporary.c_str(), k7base::wideOf(target).c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

intptr_t lockFile(const std::string& path) {
    // Opened without sharing: a second open of the same card's lock fails until it is closed,
    // also when the process holding it ends without closing it.
    HANDLE file = CreateFileW(k7base::wideOf(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return -1;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return -1;
    }
    return reinterpret_cast<intptr_t>(file);
}

void unlockFile(intptr_t handle) {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

bool processEnding() {
    using ShutdownInProgress = BOOLEAN(WINAPI*)();
    const auto inProgress = reinterpret_cast<ShutdownInProgress>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlDllShutdownInProgress")));
    return inProgress != nullptr && inProgress() != 0;
}

void takeRealTimePriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

}  // namespace k7sim
