// A new folder of a test's own in the system's folder for temporary files, named
// "<stem>.<random>", readable and writable by the user alone.
#pragma once

#include <string>

namespace k7test {

// The new folder's path with '/' between folders; throws std::runtime_error when none could be
// made.
std::string makeScratchFolder(const std::string& stem);

}  // namespace k7test
