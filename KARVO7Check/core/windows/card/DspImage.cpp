#include "DspImage.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <new>

#include "Format.h"

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

std::string dspBadHexLineText(size_t line) {
    return formatText("Ungültige Zeile %zu in der Hex-Datei", line);
}

DspFileKind dspFileKindOf(std::string_view path) {
    const size_t slash = path.rfind('/');
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

DspImageRead dspImageFromHex(std::string_view text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 5 * 2 + 2);
    size_t at = 0;
    size_t line = 1;
    while (at < text.size()) {
        if (text.size() - at < 4) {
            return failed(dspBadHexLineText(line));
        }
        int word = 0;
        for (size_t i = 0; i < 4; ++i) {
            const int digit = hexDigit(text[at + i]);
            if (digit < 0) {
                return failed(dspBadHexLineText(line));
            }
            word = word * 16 + digit;
        }
        at += 4;
        if (at < text.size()) {
            if (text[at] == '\n') {
                at += 1;
            } else if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
                at += 2;
            } else {
                return failed(dspBadHexLineText(line));
            }
        }
        bytes.push_back(static_cast<uint8_t>(word & 0xFF));
        bytes.push_back(static_cast<uint8_t>(word >> 8));
        if (bytes.size() > kDspMaxImageBytes) {
            return failed(kDspTooLarge);
        }
        ++line;
    }
    return finished(std::move(bytes));
}

DspImageRead dspImageFromBin(std::string_view bytes) {
    return finished(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

DspImageRead readDspImage(const std::string& path) {
    try {
        const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
        if (!file) {
            return failed(kDspFileNotFound);
        }
        const DspFileKind kind = dspFileKindOf(path);
        if (kind == DspFileKind::Unknown) {
            return failed(kDspNoValidExtension);
        }
        // Read at most one byte more than the longest valid file, so that a longer one is
        // refused without being read whole.
        const size_t limit = kind == DspFileKind::Hex ? kDspMaxHexFileBytes : kDspMaxBinFileBytes;
        std::string bytes;
        std::array<char, 4096> buffer{};
        while (bytes.size() <= limit) {
            const size_t want = std::min(buffer.size(), limit + 1 - bytes.size());
            const size_t got = std::fread(buffer.data(), 1, want, file.get());
            bytes.append(buffer.data(), got);
            if (got < want) {
                break;
            }
        }
        if (std::ferror(file.get()) != 0) {
            return failed(kDspFileNotFound);
        }
        if (bytes.size() > limit) {
            return failed(kDspTooLarge);
        }
        return kind == DspFileKind::Hex ? dspImageFromHex(bytes) : dspImageFromBin(bytes);
    } catch (const std::bad_alloc&) {
        return failed(kDspNoMemory);
    }
}

}  // namespace k7check
