// Drawing into a window's client area without a toolkit: filled rectangles, solid pens, line
// segments and text at pixel positions. Colours are 0xBBGGRR, the byte order the card family's
// programs have always used; the Qt desktop converts them in one place. The scripted desktop
// records every operation, so a test asserts geometry without a screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace k7check {

// 0xBBGGRR: red in the low byte, blue in the high byte.
using Colour = uint32_t;
constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0x000000;
constexpr Colour kRed = 0x0000FF;
constexpr Colour kGreen = 0x00FF00;
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kCyan = 0xFFFF00;
constexpr Colour kMagenta = 0xFF00FF;
constexpr Colour kYellow = 0x00FFFF;

constexpr uint8_t redOf(Colour c) {
    return static_cast<uint8_t>(c & 0xFFu);
}
constexpr uint8_t greenOf(Colour c) {
    return static_cast<uint8_t>((c >> 8) & 0xFFu);
}
constexpr uint8_t blueOf(Colour c) {
    return static_cast<uint8_t>((c >> 16) & 0xFFu);
}

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Size of a window's client area in pixels.
struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

class Canvas {
  public:
    virtual ~Canvas() = default;

    // Fills the rectangle [left, right) x [top, bottom) with `colour`.
    virtual void fillRect(int left, int top, int right, int bottom, Colour colour) = 0;
    // Selects a solid pen of `width` pixels for the following lines.
    virtual void setPen(Colour colour, int width) = 0;
    // A line segment from `from` to `to` with the current pen; both end points are drawn.
    virtual void line(Point from, Point to) = 0;
    // Connected segments through `count` points (nothing for fewer than two).
    virtual void polyline(const Point* points, std::size_t count) = 0;
    // `text` (UTF-8) with its top-left corner at (x, y) in `colour`, on a transparent ground.
    virtual void text(int x, int y, const std::string& text, Colour colour) = 0;
};

}  // namespace k7check
