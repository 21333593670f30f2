// Reading and writing the files the programs hold by descriptor (an input named on the command
// line, standard input and output, a device written as it is). One implementation per system
// (posix/, win32/); names are UTF-8 and go to the system as it takes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace k7base {

inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

// Reads up to `size` bytes; the number read, 0 at the end, -1 with errno set on failure.
// Retries an interrupted read.
std::ptrdiff_t readDescriptor(int fd, void* data, std::size_t size);
// Writes up to `size` bytes; the number written, or -1 with errno set. Retries an interrupted
// write.
std::ptrdiff_t writeDescriptor(int fd, const void* data, std::size_t size);
// Reads up to `size` bytes at `offset` of a file; the number read, or -1 with errno set.
std::ptrdiff_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset);
// A new temporary file, open for reading and writing, that is removed when it is closed or the
// program ends: in the system's folder for temporary files. nullptr with errno set on failure.
std::FILE* temporaryFile();
// Writes every byte; false with errno set on failure.
bool writeWhole(int fd, std::string_view bytes);
// The size of the file open on `fd`, or -1 with errno set.
std::int64_t descriptorSize(int fd);
// Cuts the file open on `fd` to its first `size` bytes and puts the position at its end; false
// with errno set on failure.
bool truncateDescriptor(int fd, std::uint64_t size);
// Closes `fd`; false with errno set when the close reported a failure.
bool closeDescriptor(int fd);
// True when `fd` is a terminal (a console).
bool isTerminal(int fd);
// Opens an existing file or device for writing as it is (no temporary, nothing created): the
// descriptor, or -1 with errno set.
int openForWriting(const std::string& path);
// Standard input, output and error pass bytes unchanged (no line-end translation where the
// system has one) and texts reach a console as UTF-8.
void useBinaryStandardStreams();

}  // namespace k7base
