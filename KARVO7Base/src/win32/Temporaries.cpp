// Temporaries of dead writers on Windows: a writer runs while a process of its id can be opened
// and has not ended; only plain files (no folder, no link) are removed.
#include "k7base/Temporaries.h"

#include <windows.h>

#include <filesystem>
#include <string_view>

#include "k7base/Paths.h"
#include "k7base/WideText.h"

namespace k7base {

namespace {

bool running(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) {
        // A process of another user cannot be opened: it runs.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD code = 0;
    const bool alive = GetExitCodeProcess(process, &code) != 0 && code == STILL_ACTIVE;
    CloseHandle(process);
    return alive;
}

}  // namespace

std::string temporaryPrefixOfThisProcess(const std::string& target) {
    return temporaryPrefix(target) + std::to_string(GetCurrentProcessId()) + "-";
}

int removeStaleTemporaries(const std::string& target) {
    const size_t slash = lastSeparator(target);
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string prefix =
        temporaryPrefix(slash == std::string::npos ? target : target.substr(slash + 1));
    std::error_code error;
    int removed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(nativePath(folder), error)) {
        const std::string name = nameOf(entry.path().filename());
        if (std::string_view(name).substr(0, prefix.size()) != prefix) {
            continue;
        }
        const long writer = writerOfTemporary(std::string_view(name).substr(prefix.size()));
        if (writer == 0 || running(static_cast<DWORD>(writer))) {
            continue;
        }
        const std::wstring path = wideOf(folder + name);
        const DWORD attributes = GetFileAttributesW(path.c_str());
        const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & notPlain) == 0 &&
            DeleteFileW(path.c_str()) != 0) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace k7base
