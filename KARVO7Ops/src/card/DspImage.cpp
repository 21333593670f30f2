#include "card/DspImage.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "Format.h"
#include "k7base/Descriptors.h"
#include "k7base/Paths.h"
#include "k7base/RegularFile.h"

namespace k7check {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The word of a line of exactly four hexadecimal digits, else -1.
int wordOf(std::string_view line) {
    if (line.size() != 4) {
        return -1;
    }
    int word = 0;
    for (const char c : line) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            return -1;
        }
        word = word * 16 + digit;
    }
    return word;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Pads the image to whole blocks and refuses one that is empty or too large.
DspImageRead finished(std::vector<uint8_t> bytes) {
    DspImageRead read;
    if (bytes.empty()) {
        read.error = kDspNoValidExtension;
    } else if (bytes.size() > kDspMaxImageBytes) {
        read.error = kDspTooLarge;
    } else {
        const size_t blocks = (bytes.size() + kDspBlockBytes - 1) / kDspBlockBytes;
        bytes.resize(blocks * kDspBlockBytes, 0);
        read.image.bytes = std::move(bytes);
    }
    return read;
}

DspImageRead failed(std::string text) {
    DspImageRead read;
    read.error = std::move(text);
    return read;
}

}  // namespace

std::string dspFileNotFoundText(const std::string& path) {
    if (path.find_first_not_of(" \t") == std::string::npos) {
        return kDspFileNotFound;
    }
    return std::string(kDspFileNotFound) + ": " + path;
}

std::string dspBadHexLineText(size_t line) {
    return formatText("Ungültige Zeile %zu in der Hex-Datei", line);
}

DspFileKind dspFileKindOf(std::string_view path) {
    const size_t slash = k7base::lastSeparator(path);
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    for (char& c : name) {
        c = lower(c);
    }
    const auto holds = [&name](const char* extension) {
        const size_t at = name.find(extension, 1);
        return !name.empty() && at != std::string::npos;
    };
    if (holds(".hex")) {
        return DspFileKind::Hex;
    }
    if (holds(".bin")) {
        return DspFileKind::Bin;
    }
    return DspFileKind::Unknown;
}

bool HexImageReader::feed(std::string_view text) {
    for (const char c : text) {
        if (!error_.empty()) {
            return false;
        }
        if (c == '\n') {
            endLine(true);
        } else if (line_.size() < kLongestLine) {
            line_ += c;
        } else {
            // Longer than any word line can be, whatever follows.
            error_ = dspBadHexLineText(number_);
        }
    }
    return error_.empty();
}

void HexImageReader::endLine(bool lineEnd) {
    std::string_view text = line_;
    if (lineEnd && !text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        // An empty line is one too many only when a word follows it: editors end files with one.
        if (lineEnd && firstEmpty_ == 0) {
            firstEmpty_ = number_;
        }
    } else if (firstEmpty_ != 0) {
        error_ = dspBadHexLineText(firstEmpty_);
    } else {
        const int word = wordOf(text);
        if (word < 0) {
            error_ = dspBadHexLineText(number_);
        } else if (bytes_.size() + 2 > kDspMaxImageBytes) {
            error_ = kDspTooLarge;
        } else {
            bytes_.push_back(static_cast<uint8_t>(word & 0xFF));
            bytes_.push_back(static_cast<uint8_t>(word >> 8));
        }
    }
    line_.clear();
    ++number_;
}

DspImageRead HexImageReader::finish() {
    if (error_.empty() && !line_.empty()) {
        endLine(false);
    }
    if (!error_.empty()) {
        return failed(error_);
    }
    return finished(std::move(bytes_));
}

DspImageRead dspImageFromHex(std::string_view text) {
    HexImageReader reader;
    reader.feed(text);
    return reader.finish();
}

DspImageRead dspImageFromBin(std::string_view bytes) {
    return finished(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

DspImageRead readDspImage(const std::string& path) {
    try {
        const int fd = k7base::openRegularFile(path);
        if (fd < 0 && errno == EINVAL) {
            return failed(path + ": " + k7base::kNotARegularFile);
        }
        const std::unique_ptr<FILE, int (*)(FILE*)> file(fd < 0 ? nullptr : ::fdopen(fd, "rb"),
                                                         &std::fclose);
        if (!file) {
            if (fd >= 0) {
                k7base::closeDescriptor(fd);
            }
            return failed(kDspFileNotFound);
        }
        const DspFileKind kind = dspFileKindOf(path);
        if (kind == DspFileKind::Unknown) {
            return failed(kDspNoValidExtension);
        }
        std::array<char, 4096> buffer{};
        if (kind == DspFileKind::Hex) {
            // The text goes through the reader as it is read: the blocks it holds decide, not
            // the length of the file, and a bad or superfluous line ends the reading at once.
            HexImageReader reader;
            size_t got = 0;
            do {
                got = std::fread(buffer.data(), 1, buffer.size(), file.get());
            } while (reader.feed(std::string_view(buffer.data(), got)) && got == buffer.size());
            if (std::ferror(file.get()) != 0) {
                return failed(kDspFileNotFound);
            }
            return reader.finish();
        }
        // A .bin file is its image: at most one byte more than the largest one is read, so a
        // longer file is refused without being read whole.
        std::string bytes;
        while (bytes.size() <= kDspMaxImageBytes) {
            const size_t want = std::min(buffer.size(), kDspMaxImageBytes + 1 - bytes.size());
            const size_t got = std::fread(buffer.data(), 1, want, file.get());
            bytes.append(buffer.data(), got);
            if (got < want) {
                break;
            }
        }
        if (std::ferror(file.get()) != 0) {
            return failed(kDspFileNotFound);
        }
        return dspImageFromBin(bytes);
    } catch (const std::bad_alloc&) {
        return failed(kDspNoMemory);
    }
}

}  // namespace k7check
