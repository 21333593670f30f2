// What tells one state of a file from another without reading it: a rewrite through
// writeFileAtomically is a new file (another inode, another file index), an edit in place
// changes the modification time or the size. One implementation per system (posix/, win32/).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace k7base {

struct FileStamp {
    uint64_t device = 0;
    uint64_t identity = 0;  // the inode, or the file index on its volume
    int64_t size = 0;
    int64_t seconds = 0;  // the last modification, since 1970
    long nanoseconds = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the regular file `path`; none when it is missing or no regular file.
std::optional<FileStamp> stampOf(const std::string& path);

// True when the file was last changed two seconds or more ago: a file system keeps modification
// times in coarse ticks, so a change within the same tick could leave size and time as they
// are.
bool settled(const FileStamp& stamp);

}  // namespace k7base
