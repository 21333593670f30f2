// The data list window "Data" without a toolkit: the lines of one A-scan buffer, sample by
// sample, formatted on demand so that a list of 65536 samples opens at once. Also the list as CSV
// ("Speichern unter...") and selected lines as text ("Kopieren").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace k7check {

struct DataListInputs {
    bool eightBit = false;      // the set's "8Bit" (native layout only)
    bool recordLayout = false;  // the VIRMA4 mode flag
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    uint8_t samplingRate = 0;  // the set's "Samplerate": sample period of the time column
};

class DataList {
  public:
    static constexpr const char* kTitle = "Data";

    // Reads the buffer once; the list keeps its own copy of the samples.
    explicit DataList(const DataListInputs& inputs);

    std::size_t lineCount() const { return head_.size() + samples_.size(); }
    // Line `i` of the list ("" beyond the end).
    std::string line(std::size_t i) const;

    std::size_t sampleCount() const { return samples_.size(); }
    // The lines `indexes` joined by line feeds, each line ended by one.
    std::string copyText(const std::vector<std::size_t>& indexes) const;
    // One row per sample: time in µs, percent of full scale, index, sample value.
    std::string csv() const;
    // Writes csv() to `path` whole or not at all (writeFileAtomically: links followed, a
    // read-only file refused); on failure `path` is untouched and `error` (if given) says why.
    bool saveCsv(const std::string& path, std::string* error = nullptr) const;

  private:
    enum class Layout { Record, Native16, Native8 };
    double percentOf(int16_t s) const;

    Layout layout_ = Layout::Native16;
    double period_ = 0.0;
    std::vector<std::string> head_;
    std::vector<int16_t> samples_;
};

}  // namespace k7check
