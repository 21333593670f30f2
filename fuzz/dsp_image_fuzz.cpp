// DSP program images from arbitrary .hex texts and .bin files: an image is whole 128-byte
// blocks, at most 255 of them, holds exactly the file's words or bytes and zeros behind them;
// everything else is refused with a text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "card/DspImage.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

void checkShape(const k7check::DspImageRead& read) {
    if (read.ok()) {
        check(read.image.bytes.size() % k7check::kDspBlockBytes == 0);
        check(read.image.blocks() >= 1 && read.image.blocks() <= k7check::kDspMaxBlocks);
    } else {
        check(read.image.bytes.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const k7check::DspImageRead hex = k7check::dspImageFromHex(bytes);
    checkShape(hex);
    if (hex.ok()) {
        // The digits of the text, line ends left out, are the image's words, high byte first.
        size_t word = 0;
        size_t digits = 0;
        int value = 0;
        for (const char c : bytes) {
            if (c == '\r' || c == '\n') {
                continue;
            }
            const int digit = hexValue(c);
            check(digit >= 0);
            value = value * 16 + digit;
            if (++digits == 4) {
                check(hex.image.bytes[2 * word] == (value & 0xFF));
                check(hex.image.bytes[2 * word + 1] == (value >> 8));
                ++word;
                digits = 0;
                value = 0;
            }
        }
        check(digits == 0 && word >= 1);
        for (size_t i = 2 * word; i < hex.image.bytes.size(); ++i) {
            check(hex.image.bytes[i] == 0);
        }
    }

    const k7check::DspImageRead bin = k7check::dspImageFromBin(bytes);
    checkShape(bin);
    check(bin.ok() == (size >= 1 && size <= k7check::kDspMaxImageBytes));
    if (bin.ok()) {
        for (size_t i = 0; i < bin.image.bytes.size(); ++i) {
            check(bin.image.bytes[i] == (i < size ? data[i] : 0));
        }
    }

    (void)k7check::dspFileKindOf(bytes);
    return 0;
}
