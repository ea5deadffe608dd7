#include "CornixIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <numbers>

namespace {

QPainterPath Hexagon(QPointF centre, double radius)
{
    QPainterPath path;
    for (int i = 0; i < 6; ++i) {
        const double angle = std::numbers::pi / 3 * i + std::numbers::pi / 6;
        const QPointF corner = centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
        i == 0 ? path.moveTo(corner) : path.lineTo(corner);
    }
    path.closeSubpath();
    return path;
}

QPixmap Draw(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(size * 0.04, size * 0.04, size * 0.92, size * 0.92);
    QRadialGradient shade(disc.center(), size * 0.5);
    shade.setColorAt(0, QColor(70, 130, 180));
    shade.setColorAt(1, QColor(20, 45, 90));
    painter.setBrush(shade);
    painter.setPen(QPen(QColor(12, 30, 60), size / 32.0));
    painter.drawEllipse(disc);
    QPainterPath clip;
    clip.addEllipse(disc.adjusted(size * 0.08, size * 0.08, -size * 0.08, -size * 0.08));
    painter.setClipPath(clip);
    painter.setPen(QPen(QColor(220, 235, 250), size / 48.0));
    painter.setBrush(Qt::NoBrush);
    const double r = size * 0.11, dx = r * std::sqrt(3.0), dy = r * 1.5;
    for (int row = -1; row * dy < size + r; ++row)
        for (int col = -1; col * dx < size + r; ++col)
            painter.drawPath(Hexagon(QPointF(col * dx + (row % 2 ? dx / 2 : 0), row * dy), r));
    return pixmap;
}

} // namespace

QIcon CornixIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 96, 256})
        icon.addPixmap(Draw(size));
    return icon;
}

QBrush CornixBackground() { return QBrush(QColor(62, 84, 112)); }
