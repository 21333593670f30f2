#include "QtCanvas.h"

#include <QPen>
#include <QPoint>
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
    QVarLengthArray<QPoint, 1024> qpoints;
    qpoints.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        qpoints.append(QPoint(points[i].x, points[i].y));
    }
    painter_.drawPolyline(qpoints.constData(), static_cast<int>(qpoints.size()));
}

void QtCanvas::text(int x, int y, const std::string& text, k7check::Colour colour) {
    const QPen pen = painter_.pen();
    painter_.setPen(qtColour(colour));
    const int ascent = painter_.fontMetrics().ascent();
    painter_.drawText(x, y + ascent, QString::fromStdString(text));
    painter_.setPen(pen);
}

}  // namespace k7qt
