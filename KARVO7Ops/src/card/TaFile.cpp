#include "card/TaFile.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "k7base/RegularFile.h"

namespace k7check {

namespace {

// A .ta file holds at most 257 numbers; anything this large is not one.
constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Reads numbers one after another as a C stream's "%f" does: white space, an optional sign,
// digits with an optional fraction and exponent. An item that does not start a number ends the
// reading.
class NumberReader {
  public:
    explicit NumberReader(std::string_view text) : text_(text) {}

    // The next number, or nothing at the end or at an item that is no number. A number beyond
    // the float range comes back as infinity (with its sign).
    std::optional<float> next() {
        while (pos_ < text_.size() && isBlank(text_[pos_])) {
            ++pos_;
        }
        if (pos_ >= text_.size()) {
            return std::nullopt;
        }
        std::size_t start = pos_;
        bool negative = false;
        if (text_[start] == '+' || text_[start] == '-') {
            negative = text_[start] == '-';
            ++start;
        }
        // Only digits and a point may open the number: "inf", "nan" and hexadecimal forms are
        // no gain values.
        if (start >= text_.size() ||
            !(std::isdigit(static_cast<unsigned char>(text_[start])) || text_[start] == '.')) {
            return std::nullopt;
        }
        float value = 0.0f;
        const char* first = text_.data() + start;
        const char* last = text_.data() + text_.size();
        const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
        if (end == first) {
            return std::nullopt;
        }
        if (error == std::errc::result_out_of_range) {
            // Too large or too small for a float: keep it apart from every usable value.
            value = huge(first, end) ? std::numeric_limits<float>::infinity() : 0.0f;
        }
        pos_ = static_cast<std::size_t>(end - text_.data());
        return negative ? -value : value;
    }

  private:
    // Whether an out-of-range number is large (rather than tiny): its exponent is positive.
    static bool huge(const char* first, const char* end) {
        const std::string_view number(first, static_cast<std::size_t>(end - first));
        const auto e = number.find_first_of("eE");
        return e == std::string_view::npos || (e + 1 < number.size() && number[e + 1] != '-');
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

TaContent parseTaText(std::string_view text, units::Timing timing) {
    TaContent content;
    NumberReader reader(text);
    const auto spacing = reader.next();
    if (!spacing || !std::isfinite(*spacing) || *spacing < 0.0f) {
        content.status = TaContent::Status::BadSpacing;
        return content;
    }
    content.spacingUs = *spacing;
    content.spacingCounts = *spacing / timing.period;
    const auto rounded = units::roundToGrid(content.spacingCounts, timing.grid);
    if (!rounded || *rounded > 0xFFFF) {
        content.status = TaContent::Status::BadSpacing;
        return content;
    }
    content.taAbstand = static_cast<uint16_t>(*rounded);

    while (content.entries.size() < kTaTableSize) {
        const auto gain = reader.next();
        if (!gain) {
            break;
        }
        const auto tenths = units::integerPart(*gain * 10.0f);
        if (!tenths || !units::fitsWidth(*tenths, 16)) {
            content.status = TaContent::Status::BadGain;
            content.badGainIndex = content.entries.size() + 1;
            content.entries.clear();
            return content;
        }
        content.entries.push_back(static_cast<uint16_t>(*tenths));
    }
    return content;
}

std::string taFailureText(const TaContent& content) {
    switch (content.status) {
        case TaContent::Status::Read:
            return {};
        case TaContent::Status::NotFound:
            return "Datei nicht gefunden";
        case TaContent::Status::BadSpacing:
            return "Abstand ungültig";
        case TaContent::Status::BadGain:
            return "Verstärkung " + std::to_string(content.badGainIndex) + " ungültig";
    }
    return {};
}

void applyTaContent(const TaContent& content, ParameterSet& set) {
    if (content.status != TaContent::Status::Read) {
        return;
    }
    set.taAbstand = content.taAbstand;
    if (content.entries.empty()) {
        return;
    }
    for (std::size_t i = 0; i < content.entries.size(); ++i) {
        set.taTabelle[i] = content.entries[i];
    }
    set.taStuetzstellen = static_cast<uint8_t>(content.entries.size() - 1);
}

TaContent loadTaFile(const std::string& path, ParameterSet& set, units::Timing timing) {
    // A regular file only, read to a bound: a FIFO would wait for a writer for ever and a device
    // such as /dev/zero never ends.
    TaContent content;
    std::string text;
    if (!k7base::readRegularFile(path, text, nullptr, kMaxFileBytes)) {
        content.status = TaContent::Status::NotFound;
        return content;
    }
    content = parseTaText(text, timing);
    applyTaContent(content, set);
    return content;
}

}  // namespace k7check
