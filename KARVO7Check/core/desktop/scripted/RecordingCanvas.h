// A canvas that draws nothing and records every operation, with the pen in force, so that a
// test (or a benchmark's reference) can assert what a window drew.
#pragma once

#include <string>
#include <vector>

#include "desktop/Canvas.h"

namespace k7check {

struct DrawOp {
    enum class Kind { Fill, Line, Text };
    Kind kind = Kind::Line;
    Colour colour = 0;  // fill colour, pen colour or text colour
    int penWidth = 0;   // lines only
    Point from;         // fill: top-left; line: start; text: position
    Point to;           // fill: bottom-right (exclusive); line: end
    std::string text;   // text only
};

class RecordingCanvas : public Canvas {
  public:
    void fillRect(int left, int top, int right, int bottom, Colour colour) override;
    void setPen(Colour colour, int width) override;
    void line(Point from, Point to) override;
    // Recorded as its single segments.
    void polyline(const Point* points, std::size_t count) override;
    void text(int x, int y, const std::string& text, Colour colour) override;

    const std::vector<DrawOp>& ops() const { return ops_; }
    // Every text drawn, in order.
    std::vector<std::string> texts() const;
    // Segments drawn with this pen colour and width, in order.
    std::vector<DrawOp> lines(Colour colour, int width) const;
    // The first text op whose text equals `text`; nullptr when none.
    const DrawOp* findText(const std::string& text) const;
    void clear() { ops_.clear(); }

  private:
    std::vector<DrawOp> ops_;
    Colour penColour_ = kBlack;
    int penWidth_ = 1;
};

}  // namespace k7check
