#include "TImage32View.h"

#include <QMouseEvent>
#include <QPainter>

TImage32View::TImage32View(QWidget *parent) : QWidget(parent) {}

void TImage32View::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void TImage32View::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_image.isNull())
        painter.drawImage(QPoint(0, 0), m_image);
}

void TImage32View::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit imageMousePressed(event->position().toPoint());
}

void TImage32View::mouseMoveEvent(QMouseEvent *event)
{
    emit imageMouseMoved(event->position().toPoint()); // the editor knows whether it drags
}

void TImage32View::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit imageMouseReleased(event->position().toPoint());
}
