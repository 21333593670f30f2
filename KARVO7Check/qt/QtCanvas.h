// The toolkit-free canvas drawn with a QPainter: the one place where the program's 0xBBGGRR
// colours become Qt colours.
#pragma once

#include <QColor>
#include <QPainter>

#include "desktop/Canvas.h"

namespace k7qt {

QColor qtColour(k7check::Colour colour);

class QtCanvas : public k7check::Canvas {
  public:
    explicit QtCanvas(QPainter& painter);
    void fillRect(int left, int top, int right, int bottom, k7check::Colour colour) override;
    void setPen(k7check::Colour colour, int width) override;
    void line(k7check::Point from, k7check::Point to) override;
    void polyline(const k7check::Point* points, std::size_t count) override;
    void text(int x, int y, const std::string& text, k7check::Colour colour) override;

  private:
    QPainter& painter_;
};

}  // namespace k7qt
