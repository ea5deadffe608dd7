#pragma once
// The fixed pictures of the report layout, drawn rather than loaded: the header and
// footer rule lines (qriHeaderLine, qriFooterLine), the endothelium emblem (LOGO), the
// eye emblem (QRImage1) and the program's mark (qriCornix).
#include <QPainter>
#include <QRectF>
#include <QString>

namespace cornix::report {

// Draws the named picture filling rect (device pixels); nothing for another name.
void PaintPicture(QPainter &painter, const QString &name, const QRectF &rect);

} // namespace cornix::report
