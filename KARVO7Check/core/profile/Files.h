// Writing files whole or not at all, and finding the files the program reads: the parameter
// file, the identification file, the data list's CSV and the display's picture are all written
// through writeFileAtomically.
#pragma once

#include <string>
#include <string_view>

namespace k7check {

// Writes `bytes` to `path` through a temporary file in the same folder, flushed to the disk and
// renamed over `path`, so that `path` holds either the old or the new contents whatever happens;
// the folder is synced after the rename so that the rename itself survives a power failure.
//  - A symbolic link is followed: the file it points to is replaced, the link stays a link.
//  - An existing file keeps its permissions; a new one gets rw-r--r--.
//  - A read-only file, or anything but a regular file, is not replaced, also for a user the
//    system would let replace it.
// False on any failure, with `*error` (when given) saying what failed and why
// ("<file>: schreibgeschützt", "<file>: No such file or directory"); the temporary file is
// removed and `path` is unchanged then.
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

// A profile name as the profile functions use it: an absolute name ("/...") unchanged, a
// relative one in the folder of the running executable.
std::string resolveProfilePath(const std::string& file, const std::string& executablePath);

// `path` when it names an existing file; otherwise the one file in its folder whose name equals
// the last component without regard to case (a parameter file copied from a station that does
// not tell case apart); `path` again when there is none or more than one.
std::string matchFileName(const std::string& path);

}  // namespace k7check
