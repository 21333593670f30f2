// A file named for reading, opened by its UTF-16 name as a descriptor of the C runtime: a folder
// is refused as the runtime says, a device or pipe ("NUL", "COM1", "\\.\pipe\x") as no file.
#include "k7base/RegularFile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "k7base/WideText.h"

namespace k7base {

int openRegularFile(const std::string& path, std::string* error) {
    const std::wstring name = wideOf(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        refuseFile(error, path, EISDIR, std::strerror(EISDIR));
        return -1;
    }
    const int fd = ::_wopen(name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        const int saved = errno;
        refuseFile(error, path, saved, std::strerror(saved));
        return -1;
    }
    if (GetFileType(reinterpret_cast<HANDLE>(::_get_osfhandle(fd))) != FILE_TYPE_DISK) {
        ::_close(fd);
        refuseFile(error, path, EINVAL, kNotARegularFile);
        return -1;
    }
    return fd;
}

}  // namespace k7base
