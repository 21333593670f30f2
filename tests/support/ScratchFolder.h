// A new folder of a test's own in the system's folder for temporary files, named
// "<stem>.<random>", readable and writable by the user alone.
#pragma once

#include <string>

namespace k7test {

// The new folder's path with '/' between folders; throws std::runtime_error when none could be
// made.
std::string makeScratchFolder(const std::string& stem);

// Such a folder, removed with everything in it when the test ends, whatever assertion ended it.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& stem);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

}  // namespace k7test
