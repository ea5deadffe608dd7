#include "UBTImageEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <set>
#include <utility>

namespace {

using TPixelSet = std::set<std::pair<int, int>>;

// The outline a one-pixel pen rectangle from `a` to `b` covers: the right and
// bottom edges lie one pixel inside the corner given.
TPixelSet RectanglePixels(QPoint a, QPoint b)
{
    TPixelSet pixels;
    const int left = std::min(a.x(), b.x()), right = std::max(a.x(), b.x()) - 1;
    const int top = std::min(a.y(), b.y()), bottom = std::max(a.y(), b.y()) - 1;
    if (right < left || bottom < top)
        return pixels;
    for (int x = left; x <= right; ++x) {
        pixels.emplace(x, top);
        pixels.emplace(x, bottom);
    }
    for (int y = top; y <= bottom; ++y) {
        pixels.emplace(left, y);
        pixels.emplace(right, y);
    }
    return pixels;
}

// The ellipse inscribed in the same box, sampled densely enough to be closed.
TPixelSet EllipsePixels(QPoint a, QPoint b)
{
    TPixelSet pixels;
    const double left = std::min(a.x(), b.x()), right = std::max(a.x(), b.x()) - 1;
    const double top = std::min(a.y(), b.y()), bottom = std::max(a.y(), b.y()) - 1;
    if (right < left || bottom < top)
        return pixels;
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double rx = (right - left) / 2, ry = (bottom - top) / 2;
    const int steps = std::max(8, int(8 * (rx + ry)));
    for (int i = 0; i < steps; ++i) {
        const double t = 2 * std::numbers::pi * i / steps;
        pixels.emplace(int(std::lround(cx + rx * std::cos(t))), int(std::lround(cy + ry * std::sin(t))));
    }
    return pixels;
}

} // namespace

TBImage32Editor::TBImage32Editor(QImage &imageVariable, int shape)
    : m_image(imageVariable), m_backup(imageVariable.copy()), m_shape(shape)
{
}

void TBImage32Editor::MouseDown(QPoint p)
{
    m_image = m_backup.copy();
    repaint();
    m_dragging = true;
    m_start = m_end = p;
}

void TBImage32Editor::MouseMove(QPoint p)
{
    if (!m_dragging)
        return;
    invertShape(m_start, p);
    invertShape(m_start, m_end);
    repaint();
    m_end = p;
}

int TBImage32Editor::Area() const
{
    return std::abs(m_end.x() - m_start.x()) * std::abs(m_end.y() - m_start.y());
}

int TBImage32Editor::Width() const { return std::abs(m_end.x() - m_start.x()); }

double TBImage32Editor::MillimetresPerPixel() const
{
    const int width = Width();
    return width == 0 ? 0.0 : kCalibrationWidthMM / width;
}

// Pen mode not-XOR with the black pen: every pixel of the outline is inverted.
void TBImage32Editor::invertShape(QPoint from, QPoint to)
{
    if (m_image.isNull())
        return;
    const TPixelSet pixels = m_shape == ShapeEllipse ? EllipsePixels(from, to) : RectanglePixels(from, to);
    for (auto [x, y] : pixels) {
        if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
            continue;
        const QRgb c = m_image.pixel(x, y);
        m_image.setPixel(x, y, qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)));
    }
}

void TBImage32Editor::repaint()
{
    if (m_repaint)
        m_repaint();
}
