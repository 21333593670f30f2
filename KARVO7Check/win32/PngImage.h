// A picture as a PNG file's bytes, without an image library: 8-bit RGB, the image data in
// stored (uncompressed) deflate blocks. Enough for "Bild speichern..." of a painted window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k7w32 {

// `pixels` holds `width` * `height` values 0x00RRGGBB, row by row from the top.
std::string encodePng(int width, int height, const std::vector<uint32_t>& pixels);

}  // namespace k7w32
