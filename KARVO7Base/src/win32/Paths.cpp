// Names as UTF-16 at every call, never through the ANSI code page; the names the system gives
// back use '/' between folders as the programs' own names do.
#include "k7base/Paths.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <algorithm>
#include <cerrno>

#include "k7base/WideText.h"

namespace k7base {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string withForwardSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// A file that can be opened but is no file on a disk: a device ("NUL", "COM1") or a pipe. Opened
// without asking for access, which touches no device.
bool isDevice(const std::string& name) {
    HANDLE file =
        CreateFileW(wideOf(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool device = GetFileType(file) != FILE_TYPE_DISK;
    CloseHandle(file);
    return device;
}

}  // namespace

std::filesystem::path nativePath(const std::string& name) {
    return std::filesystem::path(wideOf(name));
}

std::string nameOf(const std::filesystem::path& path) {
    return utf8Of(path.wstring());
}

bool isAbsolutePath(std::string_view name) {
    if (!name.empty() && isSeparator(name.front())) {
        return true;
    }
    return name.size() >= 3 && name[1] == ':' && isSeparator(name[2]);
}

std::size_t lastSeparator(std::string_view name) {
    return name.find_last_of("/\\");
}

FileKind fileKindOf(const std::string& name, std::uint64_t* size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(wideOf(name).c_str(), GetFileExInfoStandard, &data) == 0) {
        if (isDevice(name)) {
            return FileKind::Other;
        }
        const DWORD error = GetLastError();
        errno = error == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
        return FileKind::Missing;
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return FileKind::Folder;
    }
    if (isDevice(name)) {
        return FileKind::Other;
    }
    if (size != nullptr) {
        *size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    }
    return FileKind::Regular;
}

std::string runningExecutable() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            return withForwardSlashes(utf8Of(path));
        }
        path.resize(path.size() * 2);
    }
}

std::string workingFolder() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(n, L'\0');
    const DWORD got = n == 0 ? 0 : GetCurrentDirectoryW(n, folder.data());
    if (got == 0 || got >= n) {
        return {};
    }
    folder.resize(got);
    return withForwardSlashes(utf8Of(folder));
}

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int k = 0; k < count; ++k) {
        arguments.push_back(utf8Of(wide[k]));
    }
    LocalFree(wide);
    return arguments;
}

}  // namespace k7base
