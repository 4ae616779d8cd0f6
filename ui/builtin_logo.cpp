#include "builtin_logo.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace dalvex {

QPixmap BuiltinLogo() {
    QPixmap pm(300, 120);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    // A module with three signal arcs above it.
    const QColor blue(0x1f, 0x4e, 0x8c);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(18, 46, 64, 56), 10, 10);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(50, 74), 9, 9);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(0xe0, 0x7a, 0x1f), 5, Qt::SolidLine, Qt::RoundCap));
        const qreal r = 14 + i * 11;
        p.drawArc(QRectF(50 - r, 40 - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
    }

    QFont f(QStringLiteral("Sans"), 34, QFont::Bold);
    p.setFont(f);
    p.setPen(blue);
    p.drawText(QRectF(96, 30, 200, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Dalvex"));
    QFont s(QStringLiteral("Sans"), 11);
    p.setFont(s);
    p.setPen(QColor(0x55, 0x55, 0x55));
    p.drawText(QRectF(98, 80, 200, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("K6 GSM"));
    return pm;
}

} // namespace dalvex
