#include "windows/measurement/PixelCanvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace k7check {

PixelCanvas::PixelCanvas(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), kWhite) {}

void PixelCanvas::fillRect(int left, int top, int right, int bottom, Colour colour) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    if (left >= right || top >= bottom) {
        return;
    }
    const auto row = [&](int y) {
        return pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width_ + left;
    };
    // One row filled, the others copied from it.
    std::fill_n(row(top), right - left, colour);
    const std::size_t bytes = static_cast<std::size_t>(right - left) * sizeof(Colour);
    for (int y = top + 1; y < bottom; ++y) {
        std::memcpy(&*row(y), &*row(top), bytes);
    }
}

void PixelCanvas::setPen(Colour colour, int width) {
    pen_ = colour;
    penWidth_ = std::max(width, 1);
}

void PixelCanvas::plot(int x, int y) {
    ++linePixels_;
    if (penWidth_ == 1) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) {
            pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                    static_cast<std::size_t>(x)] = pen_;
        }
        return;
    }
    const int from = -(penWidth_ - 1) / 2;
    const int to = from + penWidth_;
    for (int dy = from; dy < to; ++dy) {
        const int py = y + dy;
        if (py < 0 || py >= height_) {
            continue;
        }
        for (int dx = from; dx < to; ++dx) {
            const int px = x + dx;
            if (px >= 0 && px < width_) {
                pixels_[static_cast<std::size_t>(py) * static_cast<std::size_t>(width_) +
                        static_cast<std::size_t>(px)] = pen_;
            }
        }
    }
}

void PixelCanvas::line(Point from, Point to) {
    // Bresenham: the pixels of a segment depend only on its end points and direction.
    int x = from.x;
    int y = from.y;
    const int dx = std::abs(to.x - from.x);
    const int dy = -std::abs(to.y - from.y);
    const int sx = from.x < to.x ? 1 : -1;
    const int sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    const bool thin = penWidth_ == 1;
    for (;;) {
        if (thin) {
            ++linePixels_;
            if (x >= 0 && y >= 0 && x < width_ && y < height_) {
                pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                        static_cast<std::size_t>(x)] = pen_;
            }
        } else {
            plot(x, y);
        }
        if (x == to.x && y == to.y) {
            break;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void PixelCanvas::polyline(const Point* points, std::size_t count) {
    for (std::size_t i = 1; i < count; ++i) {
        line(points[i - 1], points[i]);
    }
}

void PixelCanvas::text(int x, int y, const std::string& text, Colour colour) {
    const Colour pen = pen_;
    const int width = penWidth_;
    const uint64_t counted = linePixels_;
    setPen(colour, 1);
    const int right = x + 6 * static_cast<int>(text.size());
    line({x, y}, {right, y});
    line({right, y}, {right, y + 12});
    line({right, y + 12}, {x, y + 12});
    line({x, y + 12}, {x, y});
    setPen(pen, width);
    linePixels_ = counted;
}

Colour PixelCanvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return kWhite;
    }
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

}  // namespace k7check
