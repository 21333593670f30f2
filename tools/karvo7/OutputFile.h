// An output of karvo7: standard output, or a file that appears under its name only once it is
// complete — written to a temporary file in the same folder and renamed at the end. A closed
// pipe and a full disk end the writing with a message that says so.
#pragma once

#include <cstddef>
#include <string>

namespace karvo7 {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens `path`, or takes `stdoutFd` for "-". False with `error` on failure.
    bool open(const std::string& path, int stdoutFd, std::string& error);
    // Writes every byte; false with `error` on failure (the file is then discarded).
    bool write(const void* data, std::size_t size, std::string& error);
    // Completes the output: the file is flushed to disk and renamed to its name. False with
    // `error` on failure (the name is then untouched).
    bool commit(std::string& error);
    // Removes the temporary file; the name is untouched.
    void discard();

    const std::string& name() const { return path_; }

  private:
    int fd_ = -1;
    bool ownsFd_ = false;
    std::string path_;
    std::string temp_;
};

// The text of a write error: closed pipe and full disk by name, others by their description.
std::string writeErrorText(int error);

}  // namespace karvo7
