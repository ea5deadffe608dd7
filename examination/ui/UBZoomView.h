#pragma once
// The enlarged view of the editing page: a label that paints a picture stretched to its
// own size, pixel by pixel (no smoothing), and only the part on the screen. At the largest
// zoom the view is some 3.4 million pixels, of which the panel shows a fraction: scaling
// the whole picture for every cell edit would cost more than the edit itself.
#include <QImage>
#include <QLabel>

class TBZoomView : public QLabel {
    Q_OBJECT
public:
    explicit TBZoomView(QWidget *parent = nullptr);

    // The picture shown stretched over the whole view; a null image shows nothing.
    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
