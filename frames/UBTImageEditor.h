#pragma once
// Rubber-band editor: the operator drags a rectangle (or ellipse) over an image
// and the editor reports its size, used by the calibration window to measure
// a known width of 0.9 mm. Geometry and drawing on the image only; the window
// forwards its mouse events and repaints when told to.
#include <QImage>
#include <QPoint>

#include <functional>

class TBImage32Editor {
public:
    enum TShape { ShapeRectangle = 0, ShapeEllipse = 1 };
    // The width in millimetres that the dragged band spans.
    static constexpr double kCalibrationWidthMM = 0.9;

    // Attaches to the image held by imageVariable (which must outlive the
    // editor), keeps a backup of it and remembers the shape (0 rectangle,
    // 1 ellipse; anything else is drawn as a rectangle).
    TBImage32Editor(QImage &imageVariable, int shape);

    // Called after every change of the image, so that the control repaints.
    void SetRepaint(std::function<void()> repaint) { m_repaint = std::move(repaint); }

    // Restores the backup (erasing any earlier band) and starts dragging at p.
    void MouseDown(QPoint p);
    // While dragging: draws the band to p and erases the band to the previous
    // end point (both inverted, so drawing twice restores); end point := p.
    void MouseMove(QPoint p);
    void MouseUp() { m_dragging = false; }

    // (max X - min X) x (max Y - min Y) of the start and end points, pixels.
    int Area() const;
    // |end X - start X|, pixels.
    int Width() const;
    // 0.9 / Width, or 0 when Width is 0.
    double MillimetresPerPixel() const;

    QPoint StartPoint() const { return m_start; }
    QPoint EndPoint() const { return m_end; }
    bool Dragging() const { return m_dragging; }
    int Shape() const { return m_shape; }
    const QImage &Backup() const { return m_backup; }

private:
    void invertShape(QPoint from, QPoint to);
    void repaint();

    QImage &m_image;
    QImage m_backup;
    int m_shape;
    bool m_dragging = false;
    QPoint m_start, m_end;
    std::function<void()> m_repaint;
};
