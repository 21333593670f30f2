#include "GdiCanvas.h"

#include <algorithm>

#include "Text.h"

namespace k7w32 {

GdiCanvas::GdiCanvas(HDC dc, HFONT font)
    : dc_(dc),
      pen_(CreatePen(PS_SOLID, 1, k7check::kBlack)),
      oldPen_(SelectObject(dc_, pen_)),
      oldFont_(SelectObject(dc_, font)) {
    SetBkMode(dc_, TRANSPARENT);
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

GdiCanvas::~GdiCanvas() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldFont_);
    DeleteObject(pen_);
}

void GdiCanvas::fillRect(int left, int top, int right, int bottom, k7check::Colour colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT r{left, top, right, bottom};
    FillRect(dc_, &r, brush);
    DeleteObject(brush);
}

void GdiCanvas::setPen(k7check::Colour colour, int width) {
    penColour_ = colour;
    penWidth_ = std::max(1, width);
    HPEN pen = nullptr;
    if (penWidth_ == 1) {
        pen = CreatePen(PS_SOLID, 1, colour);
    } else {
        // Square ends and mitred joins, as the Qt canvas draws wide lines.
        const LOGBRUSH brush{BS_SOLID, colour, 0};
        pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_MITER,
                           static_cast<DWORD>(penWidth_), &brush, 0, nullptr);
    }
    SelectObject(dc_, pen);
    DeleteObject(pen_);
    pen_ = pen;
}

void GdiCanvas::line(k7check::Point from, k7check::Point to) {
    MoveToEx(dc_, from.x, from.y, nullptr);
    LineTo(dc_, to.x, to.y);
    // LineTo leaves out the last pixel; the canvas draws both end points.
    if (penWidth_ == 1) {
        SetPixelV(dc_, to.x, to.y, penColour_);
    }
}

void GdiCanvas::polyline(const k7check::Point* points, std::size_t count) {
    for (std::size_t i = 0; i + 1 < count; ++i) {
        line(points[i], points[i + 1]);
    }
}

void GdiCanvas::text(int x, int y, const std::string& text, k7check::Colour colour) {
    const std::wstring w = k7base::wideOf(text);
    SetTextColor(dc_, colour);
    TextOutW(dc_, x, y, w.c_str(), static_cast<int>(w.size()));
}

}  // namespace k7w32
