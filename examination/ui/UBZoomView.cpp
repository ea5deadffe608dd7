#include "UBZoomView.h"

#include <QPaintEvent>
#include <QPainter>

TBZoomView::TBZoomView(QWidget *parent) : QLabel(parent) {}

void TBZoomView::setImage(const QImage &image)
{
    // Painted as the screen's format, so that drawing does not convert it every time.
    m_image = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    update();
}

void TBZoomView::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event); // frame and background
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setClipRegion(event->region());
    painter.drawImage(QRectF(rect()), m_image, QRectF(m_image.rect()));
}
