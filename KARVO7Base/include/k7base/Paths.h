// File names as the programs keep them (UTF-8, '/' between folders) and as the system takes
// them, and the places a program finds itself in. One implementation per system (posix/,
// win32/): on Windows a name may also start with a drive ("C:/", "C:\") and use '\' between
// folders, and every name reaches the system as UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace k7base {

// The path of a UTF-8 name, for std::filesystem and the C++ streams.
std::filesystem::path nativePath(const std::string& name);
// The UTF-8 name of a path.
std::string nameOf(const std::filesystem::path& path);

// True for a name that does not depend on the working folder.
bool isAbsolutePath(std::string_view name);
// The position of the last separator between folders, or npos.
std::size_t lastSeparator(std::string_view name);

enum class FileKind { Missing, Regular, Folder, Other };
// What `name` is, a link followed: Missing (with errno set) when it cannot be found, Other for
// a device or a pipe. `*size` (when given) takes a regular file's size.
FileKind fileKindOf(const std::string& name, std::uint64_t* size = nullptr);
// True when `name` is a regular file (a link is followed).
bool isRegularFile(const std::string& name);
// True when `name` exists and is anything but a regular file (a folder, a device, a pipe).
bool isOtherThanRegularFile(const std::string& name);

// A file name written inside `file` (a parameter file naming its reference files): a relative
// name is taken from the folder `file` is in, so that it does not depend on the working
// folder; an absolute or blank name stays as it is, and so does any name when `file` names no
// folder.
std::string nameBeside(const std::string& name, const std::string& file);

// The running program's own file, or "" when the system does not say.
std::string runningExecutable();
// The working folder, or "" when the system does not say.
std::string workingFolder();

// The program's arguments as UTF-8 (argv[0] first).
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace k7base
