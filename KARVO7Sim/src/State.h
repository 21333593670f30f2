// Persistent state of a card between program runs: its EEPROM, the PCI configuration written
// to it and its firmware image, one file each in the state directory. Files are replaced
// whole: written to a temporary name, synced to the disk, renamed, and the folder synced.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace k7sim {

class StateStore {
  public:
    // `directory` empty: nothing is kept.
    StateStore(std::string directory, uint32_t number);

    bool enabled() const { return !directory_.empty(); }
    bool load(const char* what, std::vector<uint8_t>& bytes) const;
    // True when the bytes are on the disk (or nothing is kept); false when they could not be
    // written (full or read-only disk), the stored file then unchanged.
    [[nodiscard]] bool save(const char* what, const uint8_t* data, size_t size) const;

    template <size_t N>
    bool loadExact(const char* what, std::array<uint8_t, N>& out) const {
        std::vector<uint8_t> bytes;
        if (!load(what, bytes) || bytes.size() != N) {
            return false;
        }
        std::copy(bytes.begin(), bytes.end(), out.begin());
        return true;
    }

  private:
    std::string path(const char* what) const;
    std::string directory_;
    uint32_t number_;
};

}  // namespace k7sim
