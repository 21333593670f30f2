// The dialog font and what the layout measures with it: Windows' own message font (Tahoma
// 8 pt under Wine, Segoe UI 9 pt on Windows 10/11), a monospace font for lists whose columns
// line up, and the screen's pixels per inch.
#pragma once

#include <windows.h>

#include <string>

namespace k7w32 {

class Metrics {
  public:
    Metrics();
    ~Metrics();
    Metrics(const Metrics&) = delete;
    Metrics& operator=(const Metrics&) = delete;

    HFONT font() const { return font_; }
    HFONT monospace() const { return monospace_; }
    // The font of painted windows: digits of 8 pixels, lines of at most 16.
    HFONT canvasFont() const { return canvas_; }
    int textHeight() const { return textHeight_; }
    int averageCharWidth() const { return averageChar_; }
    // A pixel of the .ui forms (96 per inch) in screen pixels.
    int px(int formPixels) const { return MulDiv(formPixels, dpi_, 96); }
    // The extent of `text` (lines split at '\n') in the dialog font or the monospace one.
    SIZE text(const std::wstring& text, bool monospace = false) const;

  private:
    HDC dc_;
    HFONT font_ = nullptr;
    HFONT monospace_ = nullptr;
    HFONT canvas_ = nullptr;
    int textHeight_ = 13;
    int averageChar_ = 5;
    int dpi_ = 96;
};

}  // namespace k7w32
