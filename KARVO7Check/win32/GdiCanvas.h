// The canvas of a painted window on Win32: GDI into the window's bitmap (the view paints into
// a memory bitmap and puts it on the screen in one piece). 0xBBGGRR already is a COLORREF.
#pragma once

#include <windows.h>

#include "desktop/Canvas.h"

namespace k7w32 {

class GdiCanvas : public k7check::Canvas {
  public:
    GdiCanvas(HDC dc, HFONT font);
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    void fillRect(int left, int top, int right, int bottom, k7check::Colour colour) override;
    void setPen(k7check::Colour colour, int width) override;
    void line(k7check::Point from, k7check::Point to) override;
    void polyline(const k7check::Point* points, std::size_t count) override;
    void text(int x, int y, const std::string& text, k7check::Colour colour) override;

  private:
    HDC dc_;
    HPEN pen_;
    HGDIOBJ oldPen_;
    HGDIOBJ oldFont_;
    k7check::Colour penColour_ = k7check::kBlack;
    int penWidth_ = 1;
};

}  // namespace k7w32
