#include "builtin_logo.h"

#include <QPainter>

namespace dalvex {

// The emblem alone: a module with three signal arcs above it. The product name stands beside it
// in the window's own label, so the picture needs no text (and no font of its own to load).
QPixmap BuiltinLogo() {
    QPixmap pm(96, 72);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0x1f, 0x4e, 0x8c);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(30, 34, 36, 32), 7, 7);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(48, 50), 5.5, 5.5);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(0xe0, 0x7a, 0x1f), 3.5, Qt::SolidLine, Qt::RoundCap));
        const qreal r = 8 + i * 7;
        p.drawArc(QRectF(48 - r, 30 - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
    }
    return pm;
}

} // namespace dalvex
