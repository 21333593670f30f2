#include "QtCanvas.h"

#include <QLine>
#include <QPen>
#include <QVarLengthArray>

namespace k7qt {

QColor qtColour(k7check::Colour colour) {
    return QColor(k7check::redOf(colour), k7check::greenOf(colour), k7check::blueOf(colour));
}

QtCanvas::QtCanvas(QPainter& painter) : painter_(painter) {
    // Pixel positions as given: no smoothing, square pen ends like the classic drawing calls.
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
}

void QtCanvas::fillRect(int left, int top, int right, int bottom, k7check::Colour colour) {
    painter_.fillRect(left, top, right - left, bottom - top, qtColour(colour));
}

void QtCanvas::setPen(k7check::Colour colour, int width) {
    QPen pen(qtColour(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter_.setPen(pen);
}

void QtCanvas::line(k7check::Point from, k7check::Point to) {
    painter_.drawLine(from.x, from.y, to.x, to.y);
}

void QtCanvas::polyline(const k7check::Point* points, std::size_t count) {
    if (count < 2) {
        return;
    }
    // Each segment on its own, exactly as line() draws it. Qt strokes a connected path with
    // rules of its own at every turn (a pixel dropped here, one added there), so a path would
    // differ from the same segments drawn one by one, and a curve drawn either way must give the
    // same pixels.
    QVarLengthArray<QLine, 1024> segments;
    segments.reserve(static_cast<qsizetype>(count - 1));
    for (std::size_t i = 0; i + 1 < count; ++i) {
        segments.append(QLine(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y));
    }
    painter_.drawLines(segments.constData(), static_cast<int>(segments.size()));
}

void QtCanvas::text(int x, int y, const std::string& text, k7check::Colour colour) {
    const QPen pen = painter_.pen();
    painter_.setPen(qtColour(colour));
    const int ascent = painter_.fontMetrics().ascent();
    painter_.drawText(x, y + ascent, QString::fromStdString(text));
    painter_.setPen(pen);
}

}  // namespace k7qt
