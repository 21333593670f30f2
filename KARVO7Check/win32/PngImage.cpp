#include "PngImage.h"

#include <array>

namespace k7w32 {

namespace {

uint32_t crc32(const std::string& bytes, std::size_t from) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        c = table[(c ^ static_cast<uint8_t>(bytes[i])) & 0xFFu] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

void putBig(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFFu);
    }
}

void chunk(std::string& out, const char* type, const std::string& data) {
    putBig(out, static_cast<uint32_t>(data.size()));
    const std::size_t start = out.size();
    out += type;
    out += data;
    putBig(out, crc32(out, start));
}

}  // namespace

std::string encodePng(int width, int height, const std::vector<uint32_t>& pixels) {
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            const uint32_t p =
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
            raw += static_cast<char>((p >> 16) & 0xFFu);
            raw += static_cast<char>((p >> 8) & 0xFFu);
            raw += static_cast<char>(p & 0xFFu);
        }
    }
    // zlib: header, stored blocks of at most 65535 bytes, the Adler-32 of the raw bytes.
    std::string zlib("\x78\x01", 2);
    constexpr std::size_t kBlock = 65535;
    for (std::size_t at = 0; at < raw.size() || at == 0; at += kBlock) {
        const std::size_t n = std::min(kBlock, raw.size() - at);
        zlib += static_cast<char>(at + n >= raw.size() ? 1 : 0);
        zlib += static_cast<char>(n & 0xFFu);
        zlib += static_cast<char>((n >> 8) & 0xFFu);
        zlib += static_cast<char>(~n & 0xFFu);
        zlib += static_cast<char>((~n >> 8) & 0xFFu);
        zlib.append(raw, at, n);
        if (raw.empty()) {
            break;
        }
    }
    uint32_t a = 1;
    uint32_t b = 0;
    for (char c : raw) {
        a = (a + static_cast<uint8_t>(c)) % 65521u;
        b = (b + a) % 65521u;
    }
    putBig(zlib, (b << 16) | a);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    putBig(header, static_cast<uint32_t>(width));
    putBig(header, static_cast<uint32_t>(height));
    header +=
        std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlib);
    chunk(png, "IEND", {});
    return png;
}

}  // namespace k7w32
