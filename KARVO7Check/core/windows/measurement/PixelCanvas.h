// A canvas that draws into an image in memory: filled rectangles, lines of any pen width with both
// end points set, and text as a box of the text's cell size (there are no fonts here). It lets a
// test compare two drawings pixel by pixel and a benchmark measure what drawing costs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/Canvas.h"

namespace k7check {

class PixelCanvas : public Canvas {
  public:
    PixelCanvas(int width, int height);

    void fillRect(int left, int top, int right, int bottom, Colour colour) override;
    void setPen(Colour colour, int width) override;
    void line(Point from, Point to) override;
    void polyline(const Point* points, std::size_t count) override;
    // Outlines the text's cells (6 x 12 pixels per byte) so that texts take part in comparisons.
    void text(int x, int y, const std::string& text, Colour colour) override;

    int width() const { return width_; }
    int height() const { return height_; }
    // The colour at (x, y); white outside the image.
    Colour pixel(int x, int y) const;
    const std::vector<Colour>& pixels() const { return pixels_; }
    // Pixels set so far by lines (a measure of the work done).
    uint64_t linePixels() const { return linePixels_; }

  private:
    void plot(int x, int y);

    int width_;
    int height_;
    std::vector<Colour> pixels_;
    Colour pen_ = kBlack;
    int penWidth_ = 1;
    uint64_t linePixels_ = 0;
};

}  // namespace k7check
