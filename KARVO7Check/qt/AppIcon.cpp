#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace k7qt {

namespace {

QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // The card: a dark green board with a gold edge connector.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5e, 0x3a));
    painter.drawRoundedRect(QRectF(0.06 * s, 0.12 * s, 0.88 * s, 0.66 * s), 0.08 * s, 0.08 * s);
    painter.setBrush(QColor(0xd4, 0xa0, 0x17));
    for (int i = 0; i < 5; ++i) {
        painter.drawRect(QRectF((0.2 + 0.13 * i) * s, 0.78 * s, 0.08 * s, 0.12 * s));
    }
    // The echo: a transmitter pulse and a smaller back-wall echo on a base line.
    QPainterPath trace;
    const qreal base = 0.6 * s;
    trace.moveTo(0.14 * s, base);
    trace.lineTo(0.24 * s, base);
    trace.lineTo(0.28 * s, 0.2 * s);
    trace.lineTo(0.32 * s, base);
    trace.lineTo(0.62 * s, base);
    trace.lineTo(0.67 * s, 0.36 * s);
    trace.lineTo(0.72 * s, base);
    trace.lineTo(0.86 * s, base);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x9c, 0xff, 0x9c), qMax(1.0, 0.05 * s)));
    painter.drawPath(trace);
    return pixmap;
}

}  // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        icon.addPixmap(drawIcon(size));
    }
    return icon;
}

}  // namespace k7qt
