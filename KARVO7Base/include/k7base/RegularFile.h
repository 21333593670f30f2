// Reading the files a user names (parameter file, identification file, DSP program, capture):
// only a regular file is read. A FIFO or a device is refused by its name without waiting for a
// writer or touching the device, so that a wrong name never blocks a program for ever.
#pragma once

#include <cstddef>
#include <string>

namespace k7base {

// Why a file named for reading is refused when it is not a regular file.
inline constexpr const char* kNotARegularFile = "keine Datei";

// Opens `path` read-only when it names a regular file: the open does not wait (O_NONBLOCK) and
// the opened file is checked before a byte is read (on Windows: a file on a disk, opened by its
// UTF-16 name, in binary mode). The descriptor (close-on-exec, blocking
// again) or -1 with errno set and `*error` (when given) saying "<path>: <why>": the system's
// reason (EISDIR for a folder), or kNotARegularFile for a FIFO, socket or device (errno EINVAL).
int openRegularFile(const std::string& path, std::string* error = nullptr);

// The refusal of `path` for `why`: `*error` (when given) says "<path>: <why>", errno is `code`;
// always false.
bool refuseFile(std::string* error, const std::string& path, int code, const char* why);

// Reads the regular file `path` whole into `bytes`, refusing anything else as openRegularFile
// does and a file of more than `limit` bytes ("<path>: zu groß", errno EFBIG). A file that
// shrinks while it is read ends where it ends. False with errno and `*error` on failure.
bool readRegularFile(const std::string& path, std::string& bytes, std::string* error = nullptr,
                     std::size_t limit = static_cast<std::size_t>(-1));

}  // namespace k7base
