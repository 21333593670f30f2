#include "ShotOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "card/SampleScalings.h"
#include "k7base/Descriptors.h"

namespace karvo7 {

namespace {

class RawOutput : public ShotOutput {
  public:
    explicit RawOutput(ShotSink sink) : sink_(std::move(sink)) {}
    bool add(const std::vector<uint8_t>& shot) override {
        return sink_({reinterpret_cast<const char*>(shot.data()), shot.size()});
    }
    bool finish() override { return true; }

  private:
    ShotSink sink_;
};

class JsonOutput : public ShotOutput {
  public:
    JsonOutput(const ShotSource& source, ShotSink sink)
        : layout_(source.layout), sink_(std::move(sink)) {
        const nlohmann::ordered_json head = {
            {"card", source.card},
            {"set", source.set},
            {"layout", layout_.layout == K7OPS_LAYOUT_RECORD ? "record" : "native"},
            {"sample_period_us", k7check::stream::samplePeriodUs(layout_.sampleRate)}};
        // The object without its closing brace, the shots' array opened after it.
        opening_ = head.dump();
        opening_.pop_back();
        opening_ += ",\"shots\":[";
    }
    bool add(const std::vector<uint8_t>& shot) override {
        std::string text = started_ ? "," : opening_;
        started_ = true;
        text += nlohmann::ordered_json(shotSamples(layout_, shot)).dump();
        return sink_(text);
    }
    bool finish() override { return sink_(started_ ? "]}\n" : opening_ + "]}\n"); }

  private:
    K7OpsShotLayout layout_;
    ShotSink sink_;
    std::string opening_;
    bool started_ = false;
};

class CsvOutput : public ShotOutput {
  public:
    CsvOutput(const K7OpsShotLayout& layout, ShotSink sink)
        : layout_(layout), sink_(std::move(sink)), spill_(k7base::temporaryFile(), &std::fclose) {}

    bool add(const std::vector<uint8_t>& shot) override {
        const std::vector<int16_t> samples = shotSamples(layout_, shot);
        // A shot without samples (not one of the layout) leaves its column empty.
        if (!spill_ ||
            (!samples.empty() && std::fwrite(samples.data(), sizeof(int16_t), samples.size(),
                                             spill_.get()) != samples.size())) {
            return spillFailed();
        }
        starts_.push_back(total_);
        total_ += samples.size();
        rows_ = std::max(rows_, samples.size());
        return true;
    }

    bool finish() override {
        if (std::fflush(spill_.get()) != 0) {
            return spillFailed();
        }
        starts_.push_back(total_);
        if (!sink_(headLine())) {
            return false;
        }
        // Rows in blocks: the samples of a block of rows of every shot, at most kBlockSamples.
        const std::size_t shots = starts_.size() - 1;
        const std::size_t block =
            std::max<std::size_t>(1, kBlockSamples / std::max<std::size_t>(1, shots));
        std::vector<int16_t> samples(block * shots);
        std::vector<std::size_t> counts(shots);
        for (std::size_t first = 0; first < rows_; first += block) {
            const std::size_t rows = std::min(block, rows_ - first);
            for (std::size_t k = 0; k < shots; ++k) {
                if (!readBack(k, first, rows, &samples[k * block], counts[k])) {
                    return spillFailed();
                }
            }
            if (!sink_(rowsText(first, rows, block, samples, counts))) {
                return false;
            }
        }
        return true;
    }

  private:
    static constexpr std::size_t kBlockSamples = 1u << 20;

    bool spillFailed() {
        error_ = std::string("temporary file: ") + std::strerror(errno != 0 ? errno : EIO);
        return false;
    }

    std::string headLine() const {
        std::string text = "time_us,sample";
        const std::size_t shots = starts_.size() - 1;
        for (std::size_t k = 1; k <= shots; ++k) {
            text += ",shot" + std::to_string(k) + "_percent";
        }
        return text + '\n';
    }

    // Up to `rows` samples of shot k from sample `first` on; `count` says how many it has.
    bool readBack(std::size_t k, std::size_t first, std::size_t rows, int16_t* out,
                  std::size_t& count) const {
        const std::size_t length = starts_[k + 1] - starts_[k];
        count = first < length ? std::min(rows, length - first) : 0;
        const std::size_t bytes = count * sizeof(int16_t);
        const auto offset = static_cast<uint64_t>((starts_[k] + first) * sizeof(int16_t));
        return count == 0 || k7base::readAt(fileno(spill_.get()), out, bytes, offset) ==
                                 static_cast<std::ptrdiff_t>(bytes);
    }

    std::string rowsText(std::size_t first, std::size_t rows, std::size_t block,
                         const std::vector<int16_t>& samples,
                         const std::vector<std::size_t>& counts) const {
        const double period = k7check::stream::samplePeriodUs(layout_.sampleRate);
        std::string text;
        char cell[48];
        for (std::size_t r = 0; r < rows; ++r) {
            const std::size_t i = first + r;
            std::snprintf(cell, sizeof cell, "%.5f,%zu", static_cast<double>(i) * period, i);
            text += cell;
            for (std::size_t k = 0; k < counts.size(); ++k) {
                text += ',';
                if (r < counts[k]) {
                    std::snprintf(cell, sizeof cell, "%.3f",
                                  shotPercent(layout_, samples[k * block + r]));
                    text += cell;
                }
            }
            text += '\n';
        }
        return text;
    }

    K7OpsShotLayout layout_;
    ShotSink sink_;
    std::unique_ptr<FILE, int (*)(FILE*)> spill_;
    std::vector<std::size_t> starts_;  // first sample of each shot in the spill file
    std::size_t total_ = 0;
    std::size_t rows_ = 0;
};

}  // namespace

std::unique_ptr<ShotOutput> makeShotOutput(ShotFormat format, const ShotSource& source,
                                           ShotSink sink) {
    switch (format) {
        case ShotFormat::Raw:
            return std::make_unique<RawOutput>(std::move(sink));
        case ShotFormat::Json:
            return std::make_unique<JsonOutput>(source, std::move(sink));
        case ShotFormat::Csv:
            break;
    }
    return std::make_unique<CsvOutput>(source.layout, std::move(sink));
}

}  // namespace karvo7
