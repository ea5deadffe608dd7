#pragma once
// The look the records windows share.
#include <QColor>
#include <QPalette>
#include <QWidget>

// The light blue-grey background of the manager windows.
inline void PaintManagerBackground(QWidget &window)
{
    window.setAutoFillBackground(true);
    QPalette background = window.palette();
    background.setColor(QPalette::Window, QColor(0xD9, 0xE9, 0xEC));
    window.setPalette(background);
}
