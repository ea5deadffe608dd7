#include "UBReportPictures.h"

#include <QPainterPath>
#include <QtMath>

#include <array>

namespace cornix::report {

namespace {

const QColor kTeal(0x1f, 0x6f, 0x78);
const QColor kLightTeal(0x9c, 0xcf, 0xd3);
const QColor kPaleTeal(0xe3, 0xf2, 0xf3);

QPolygonF hexagon(QPointF centre, qreal radius)
{
    QPolygonF polygon;
    for (int k = 0; k < 6; ++k) {
        const qreal angle = qDegreesToRadians(60.0 * k + 30.0);
        polygon << centre + QPointF(radius * qCos(angle), radius * qSin(angle));
    }
    return polygon;
}

QRectF square(const QRectF &rect)
{
    const qreal side = std::min(rect.width(), rect.height());
    QRectF s(0, 0, side, side);
    s.moveCenter(rect.center());
    return s;
}

void ruleLine(QPainter &painter, const QRectF &rect)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(kTeal);
    painter.drawRect(QRectF(rect.left(), rect.top(), rect.width(), rect.height() * 0.6));
    painter.setBrush(kLightTeal);
    painter.drawRect(QRectF(rect.left(), rect.top() + rect.height() * 0.8, rect.width(), rect.height() * 0.2));
}

// A disc of cornea with the hexagonal mosaic of its endothelium.
void endotheliumEmblem(QPainter &painter, const QRectF &rect)
{
    const QRectF s = square(rect);
    const qreal r = s.width() / 2;
    const qreal line = s.width() * 0.035;
    painter.setPen(QPen(kTeal, line));
    painter.setBrush(kPaleTeal);
    painter.drawEllipse(s.adjusted(line, line, -line, -line));
    const qreal cell = r * 0.27;
    const qreal step = cell * std::sqrt(3.0);
    painter.setPen(QPen(kTeal, line * 0.8));
    const std::array<QPointF, 7> offsets{{{0, 0}, {1, 0}, {-1, 0}, {0.5, 0.866}, {-0.5, 0.866}, {0.5, -0.866},
                                          {-0.5, -0.866}}};
    for (const QPointF &o : offsets) {
        painter.setBrush(o.isNull() ? kLightTeal : Qt::white);
        painter.drawPolygon(hexagon(s.center() + o * step, cell * 0.98));
    }
}

// An eye seen from the front: lids, iris, pupil and the light's reflex.
void eyeEmblem(QPainter &painter, const QRectF &rect)
{
    const QRectF s = square(rect);
    const qreal w = s.width();
    const QPointF c = s.center();
    QPainterPath lids;
    lids.moveTo(c + QPointF(-w * 0.48, 0));
    lids.quadTo(c + QPointF(0, -w * 0.42), c + QPointF(w * 0.48, 0));
    lids.quadTo(c + QPointF(0, w * 0.42), c + QPointF(-w * 0.48, 0));
    painter.setPen(QPen(kTeal, w * 0.04));
    painter.setBrush(Qt::white);
    painter.drawPath(lids);
    painter.setClipPath(lids);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kLightTeal);
    painter.drawEllipse(c, w * 0.2, w * 0.2);
    painter.setBrush(kTeal);
    painter.drawEllipse(c, w * 0.09, w * 0.09);
    painter.setBrush(Qt::white);
    painter.drawEllipse(c + QPointF(w * 0.06, -w * 0.06), w * 0.03, w * 0.03);
    painter.setClipping(false);
}

// The program's mark: a cell beside the name.
void cornixMark(QPainter &painter, const QRectF &rect)
{
    const qreal h = rect.height();
    painter.setPen(QPen(kTeal, h * 0.05));
    painter.setBrush(kLightTeal);
    painter.drawPolygon(hexagon(QPointF(rect.left() + h * 0.4, rect.center().y()), h * 0.36));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPixelSize(std::max(1, qRound(h * 0.5)));
    painter.setFont(font);
    painter.setPen(kTeal);
    const QRectF text(rect.left() + h * 0.9, rect.top(), rect.width() - h * 0.9, rect.height());
    painter.drawText(text, int(Qt::AlignLeft | Qt::AlignVCenter), QStringLiteral("Cornix"));
}

} // namespace

void PaintPicture(QPainter &painter, const QString &name, const QRectF &rect)
{
    if (name == QLatin1String("qriHeaderLine") || name == QLatin1String("qriFooterLine"))
        ruleLine(painter, rect);
    else if (name == QLatin1String("LOGO"))
        endotheliumEmblem(painter, rect);
    else if (name == QLatin1String("QRImage1"))
        eyeEmblem(painter, rect);
    else if (name == QLatin1String("qriCornix"))
        cornixMark(painter, rect);
}

} // namespace cornix::report
