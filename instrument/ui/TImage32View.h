#pragma once
// An image control: shows one image at scale 1, aligned top-left, and reports the
// mouse in image pixels. The image is held here so that an editor can draw on it.
#include <QImage>
#include <QWidget>

class TImage32View : public QWidget {
    Q_OBJECT
public:
    explicit TImage32View(QWidget *parent = nullptr);

    // The shown image; change it through setImage or draw on it and call update().
    QImage &Bitmap() { return m_image; }
    const QImage &Bitmap() const { return m_image; }
    void setImage(const QImage &image);

signals:
    void imageMousePressed(QPoint pixel);
    void imageMouseMoved(QPoint pixel);
    void imageMouseReleased(QPoint pixel);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_image;
};
