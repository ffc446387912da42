#include "Logo.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QPainterPath wave(const QRectF &area, double cycles, double phase)
{
    QPainterPath path;
    const int steps = 200;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const double envelope = 0.35 + 0.65 * std::sin(M_PI * t);
        const double y = area.center().y() +
                         std::sin(2 * M_PI * cycles * t + phase) * envelope * area.height() / 2;
        const QPointF point(area.left() + t * area.width(), y);
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    return path;
}

} // namespace

QPixmap productLogo(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1, 1, size - 2, size - 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 140));
    p.drawRoundedRect(box, size * 0.18, size * 0.18);
    // The kept part, lit; the rest of the wave dimmed.
    const QRectF cut(size * 0.38, size * 0.12, size * 0.26, size * 0.76);
    p.setBrush(QColor(213, 222, 242, 90));
    p.drawRect(cut);
    p.setPen(QPen(QColor(120, 220, 120), size / 24.0));
    p.drawPath(wave(box.adjusted(size * 0.1, size * 0.25, -size * 0.1, -size * 0.25), 3.5, 0));
    p.setPen(QPen(Qt::white, size / 32.0));
    p.drawLine(cut.topLeft(), cut.bottomLeft());
    p.drawLine(cut.topRight(), cut.bottomRight());
    return pixmap;
}

QPixmap decorativeWave(int width, int height)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 70, 140, 160), 1.5));
    p.drawPath(wave(QRectF(0, 2, width, height - 4), 9, 0.5));
    p.setPen(QPen(QColor(120, 180, 120, 160), 1.0));
    p.drawPath(wave(QRectF(0, 4, width, height - 8), 13, 2.0));
    return pixmap;
}
