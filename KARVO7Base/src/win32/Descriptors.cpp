// Descriptors of the C runtime; a file's name goes to it as UTF-16.
#include "k7base/Descriptors.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "k7base/WideText.h"

namespace k7base {

namespace {

// The runtime's calls take at most an int's worth of bytes at once.
unsigned int chunkOf(std::size_t size) {
    return static_cast<unsigned int>(std::min<std::size_t>(size, INT_MAX));
}

}  // namespace

std::ptrdiff_t readDescriptor(int fd, void* data, std::size_t size) {
    return ::_read(fd, data, chunkOf(size));
}

std::int64_t descriptorSize(int fd) {
    return ::_filelengthi64(fd);
}

bool truncateDescriptor(int fd, std::uint64_t size) {
    return ::_chsize_s(fd, static_cast<__int64>(size)) == 0 &&
           ::_lseeki64(fd, static_cast<__int64>(size), SEEK_SET) >= 0;
}

std::ptrdiff_t writeDescriptor(int fd, const void* data, std::size_t size) {
    return ::_write(fd, data, chunkOf(size));
}

std::ptrdiff_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (ReadFile(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), data, chunkOf(size), &got, &at) ==
        0) {
        if (GetLastError() == ERROR_HANDLE_EOF) {
            return 0;
        }
        errno = EIO;
        return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
}

// The C runtime's tmpfile() makes its file in the root folder of the drive, which a user may
// not write: the file is made in the user's folder for temporary files instead.
std::FILE* temporaryFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"k7", 0, name) == 0) {
        errno = EACCES;
        return nullptr;
    }
    // "T": kept in memory where possible, "D": removed when closed.
    std::FILE* file = ::_wfopen(name, L"w+bTD");
    if (file == nullptr) {
        DeleteFileW(name);
    }
    return file;
}

bool closeDescriptor(int fd) {
    return ::_close(fd) == 0;
}

// The runtime's _isatty() holds every character device for a terminal, NUL too: only a console
// is one.
bool isTerminal(int fd) {
    DWORD mode = 0;
    return ::_isatty(fd) != 0 &&
           GetConsoleMode(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), &mode) != 0;
}

int openForWriting(const std::string& path) {
    return ::_wopen(wideOf(path).c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
}

void useBinaryStandardStreams() {
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

}  // namespace k7base
