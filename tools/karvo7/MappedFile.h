// A file mapped read-only into memory, for decoding captures of any size without copying.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace karvo7 {

class MappedFile {
  public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // Maps `path`; false with `error` set when it cannot be opened, is not a regular file, is
    // empty or cannot be mapped.
    bool open(const std::string& path, std::string& error);

    const uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

  private:
    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace karvo7
