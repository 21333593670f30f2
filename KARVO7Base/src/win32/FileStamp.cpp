// A file's stamp on Windows: its volume's serial number, its index on the volume, its size and
// its last write time, read from a handle that lets others read, write and delete meanwhile.
#include "k7base/FileStamp.h"

#include <windows.h>

#include "k7base/WideText.h"

namespace k7base {

namespace {

// 100-ns ticks of a FILETIME from 1601 to 1970.
constexpr uint64_t kTicksTo1970 = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;

uint64_t ticksOf(const FILETIME& time) {
    return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace

std::optional<FileStamp> stampOf(const std::string& path) {
    HANDLE file =
        CreateFileW(wideOf(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileType(file) == FILE_TYPE_DISK &&
                       GetFileInformationByHandle(file, &info) != 0 &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(file);
    if (!known) {
        return std::nullopt;
    }
    const uint64_t written = ticksOf(info.ftLastWriteTime) - kTicksTo1970;
    FileStamp stamp;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.identity = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    stamp.size = static_cast<int64_t>((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
    stamp.seconds = static_cast<int64_t>(written / kTicksPerSecond);
    stamp.nanoseconds = static_cast<long>(written % kTicksPerSecond * 100);
    return stamp;
}

bool settled(const FileStamp& stamp) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const auto seconds = static_cast<int64_t>((ticksOf(now) - kTicksTo1970) / kTicksPerSecond);
    return seconds - stamp.seconds >= 2;
}

}  // namespace k7base
