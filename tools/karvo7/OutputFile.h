// An output of karvo7: standard output, a device or pipe written as it is, or a file that appears
// under its name only once it is complete (the check program's atomic file: a temporary file
// beside it, renamed at the end). A closed pipe and a full disk end the writing with a message
// that says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "k7base/Files.h"

namespace karvo7 {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens `path`, or takes `stdoutFd` for "-". False with `error` on failure.
    bool open(const std::string& path, int stdoutFd, std::string& error);
    // Writes every byte; false with `error` on failure. What a file got so far stays until
    // discard(), keepFirst() or the end of the object.
    bool write(const void* data, std::size_t size, std::string& error);
    // The bytes a file got so far, also after a write that failed part way; -1 for standard
    // output, a device or pipe.
    int64_t written() const;
    // Completes a file whose writing failed with its first `bytes` (whole items), as commit()
    // does. False with `error` on failure, and for standard output, a device or pipe.
    bool keepFirst(uint64_t bytes, std::string& error);
    // Completes the output: the file is flushed to disk and renamed to its name. False with
    // `error` on failure (the name is then untouched).
    bool commit(std::string& error);
    // Removes the temporary file; the name is untouched.
    void discard();

    const std::string& name() const { return path_; }

  private:
    int fd_ = -1;  // standard output or a device; -1 while writing a file
    bool ownsFd_ = false;
    k7base::AtomicFile file_;
    std::string path_;
};

// The text of a write error: closed pipe and full disk by name, others by their description.
std::string writeErrorText(int error);

}  // namespace karvo7
