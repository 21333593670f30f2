#include "desktop/scripted/RecordingCanvas.h"

namespace k7check {

void RecordingCanvas::fillRect(int left, int top, int right, int bottom, Colour colour) {
    ops_.push_back({DrawOp::Kind::Fill, colour, 0, {left, top}, {right, bottom}, {}});
}

void RecordingCanvas::setPen(Colour colour, int width) {
    penColour_ = colour;
    penWidth_ = width;
}

void RecordingCanvas::line(Point from, Point to) {
    ops_.push_back({DrawOp::Kind::Line, penColour_, penWidth_, from, to, {}});
}

void RecordingCanvas::polyline(const Point* points, std::size_t count) {
    for (std::size_t i = 1; i < count; ++i) {
        line(points[i - 1], points[i]);
    }
}

void RecordingCanvas::text(int x, int y, const std::string& text, Colour colour) {
    ops_.push_back({DrawOp::Kind::Text, colour, 0, {x, y}, {x, y}, text});
}

std::vector<std::string> RecordingCanvas::texts() const {
    std::vector<std::string> result;
    for (const DrawOp& op : ops_) {
        if (op.kind == DrawOp::Kind::Text) {
            result.push_back(op.text);
        }
    }
    return result;
}

std::vector<DrawOp> RecordingCanvas::lines(Colour colour, int width) const {
    std::vector<DrawOp> result;
    for (const DrawOp& op : ops_) {
        if (op.kind == DrawOp::Kind::Line && op.colour == colour && op.penWidth == width) {
            result.push_back(op);
        }
    }
    return result;
}

const DrawOp* RecordingCanvas::findText(const std::string& text) const {
    for (const DrawOp& op : ops_) {
        if (op.kind == DrawOp::Kind::Text && op.text == text) {
            return &op;
        }
    }
    return nullptr;
}

}  // namespace k7check
