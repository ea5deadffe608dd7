#include "UBCellOverlay.h"

#include "Numbers.h"
#include "UBIniSettings.h"
#include "VoronoiDistMatrix.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace cornix {

namespace {

// The region clipped to the image; empty (Right < Left) when nothing remains.
struct TSpan {
    int Left, Top, Right, Bottom;
    bool Empty() const { return Right < Left || Bottom < Top; }
};

TSpan ClipInclusive(const QImage &image, const TRect &roi)
{
    return {std::max(roi.Left, 0), std::max(roi.Top, 0), std::min(roi.Right, image.width() - 1),
            std::min(roi.Bottom, image.height() - 1)};
}

// Strictly inside: Top < row < Bottom, Left < col < Right.
TSpan ClipStrict(const QImage &image, const TRect &roi)
{
    TRect inner{roi.Left + 1, roi.Top + 1, roi.Right - 1, roi.Bottom - 1};
    return ClipInclusive(image, inner);
}

bool Contains(const QImage &image, int col, int row)
{
    return col >= 0 && row >= 0 && col < image.width() && row < image.height();
}

// Direct access to RGB888 pixels; the public functions convert once on entry.
uchar *PixelAt(QImage &image, int col, int row) { return image.scanLine(row) + 3 * col; }
const uchar *PixelAt(const QImage &image, int col, int row) { return image.constScanLine(row) + 3 * col; }

QRgb ReadRgb(const QImage &image, int col, int row)
{
    const uchar *p = PixelAt(image, col, row);
    return qRgb(p[0], p[1], p[2]);
}

void WriteRgb(QImage &image, int col, int row, QRgb colour)
{
    uchar *p = PixelAt(image, col, row);
    p[0] = uchar(qRed(colour));
    p[1] = uchar(qGreen(colour));
    p[2] = uchar(qBlue(colour));
}

// Integer grey level of the canvas: (R + G + B) div 3.
int CanvasGrey(const QImage &image, int col, int row)
{
    const uchar *p = PixelAt(image, col, row);
    return (p[0] + p[1] + p[2]) / 3;
}

void EnsureRgb888(QImage &image)
{
    if (!image.isNull() && image.format() != QImage::Format_RGB888)
        image.convertTo(QImage::Format_RGB888);
}

int ClampByte(int v) { return std::clamp(v, 0, 255); }

// Settings come from a file: a sum with MinBlack is made in 64 bits so that no value
// of it can overflow, and a stretch of settings far beyond a grey level's range is
// held within int before it is converted (NaN, from infinite settings, gives 0).
int ClampByte(std::int64_t v) { return int(std::clamp<std::int64_t>(v, 0, 255)); }

int RoundedToInt(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double low = std::numeric_limits<int>::min(), high = std::numeric_limits<int>::max();
    return int(RoundHalfEven(std::clamp(value, low, high)));
}

int RoundedChannel(double unit) { return ClampByte(int(RoundHalfEven(unit * 255.0))); }

} // namespace

TContrastSettings TContrastSettings::FromIni(const TBIniSettings &settings)
{
    return {settings.FIRLen(), settings.MinBlack(), settings.Alpha0(), settings.Beta0(), settings.LargMin(),
            settings.Perc()};
}

int BlendChannel(int pixel, int overlay, int position, int max)
{
    if (max <= 0)
        return pixel;
    return position * overlay / max + (max - position) * pixel / max;
}

QRgb BlendColour(QRgb pixel, QRgb overlay, const TTransparency &t)
{
    return qRgb(BlendChannel(qRed(pixel), qRed(overlay), t.Position, t.Max),
                BlendChannel(qGreen(pixel), qGreen(overlay), t.Position, t.Max),
                BlendChannel(qBlue(pixel), qBlue(overlay), t.Position, t.Max));
}

double HueOf(QRgb colour)
{
    const double r = qRed(colour) / 255.0, g = qGreen(colour) / 255.0, b = qBlue(colour) / 255.0;
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
    // Greys have no hue; the same guard keeps M - m away from zero.
    if (hi == 0.0 || hi == lo)
        return 0.0;
    double h;
    if (hi == r)
        h = 60.0 * ((g - b) / (hi - lo));
    else if (hi == g)
        h = 60.0 * ((b - r) / (hi - lo) + 2.0);
    else
        h = 60.0 * ((r - g) / (hi - lo) + 4.0);
    return h < 0.0 ? h + 360.0 : h;
}

QRgb HsvToRgb(double hue, double saturation, double value)
{
    if (saturation == 0.0) {
        const int v = RoundedChannel(value);
        return qRgb(v, v, v);
    }
    const double sector = hue / 60.0;
    const int i = int(std::floor(sector)) % 6;
    const double f = sector - std::floor(sector);
    const double p = value * (1.0 - saturation);
    const double q = value * (1.0 - saturation * f);
    const double t = value * (1.0 - saturation * (1.0 - f));
    double r, g, b;
    switch (i < 0 ? i + 6 : i) {
    case 0: r = value, g = t, b = p; break;
    case 1: r = q, g = value, b = p; break;
    case 2: r = p, g = value, b = t; break;
    case 3: r = p, g = q, b = value; break;
    case 4: r = t, g = p, b = value; break;
    default: r = value, g = p, b = q; break;
    }
    return qRgb(RoundedChannel(r), RoundedChannel(g), RoundedChannel(b));
}

QRgb SideColour(int sides)
{
    if (sides >= 4 && sides <= 7)
        return kSideColours[std::size_t(sides - 4)];
    return kSideColours[kSidesBins - 1];
}

void ColourBySides(QImage &image, const TRect &roi, const TIntPlane &labels, const TRegionTable &regions,
                   const TTransparency &transparency)
{
    EnsureRgb888(image);
    const TSpan s = ClipInclusive(image, roi);
    const double saturation = transparency.Weight();
    // The hue of each class is fixed: work it out once.
    std::array<double, kSidesBins> hues{};
    for (int i = 0; i < kSidesBins; ++i)
        hues[std::size_t(i)] = HueOf(kSideColours[std::size_t(i)]);
    for (int row = s.Top; row <= s.Bottom && row < kFrameHeight; ++row) {
        for (int col = s.Left; col <= s.Right && col < kFrameWidth; ++col) {
            const std::int32_t k = labels[std::size_t(row)][std::size_t(col)];
            const int sides = (k > 0 && k <= kMaxCells) ? std::int16_t(regions[std::size_t(k)].Sides) : 0;
            const int bin = (sides >= 4 && sides <= 7) ? sides - 4 : kSidesBins - 1;
            const uchar *p = PixelAt(image, col, row);
            const double value = std::max({p[0], p[1], p[2]}) / 255.0;
            WriteRgb(image, col, row, HsvToRgb(hues[std::size_t(bin)], saturation, value));
        }
    }
}

void BlendBoundaries(QImage &image, const TRect &roi, const TIntPlane &boundary, const TTransparency &transparency)
{
    EnsureRgb888(image);
    const TSpan s = ClipStrict(image, roi);
    for (int row = s.Top; row <= s.Bottom && row < kFrameHeight; ++row) {
        for (int col = s.Left; col <= s.Right && col < kFrameWidth; ++col) {
            const std::int32_t mark = boundary[std::size_t(row)][std::size_t(col)];
            if (mark == kBoundaryPixel)
                WriteRgb(image, col, row, BlendColour(ReadRgb(image, col, row), kBoundaryColour, transparency));
            else if (mark == kVertexPixel)
                WriteRgb(image, col, row, BlendColour(ReadRgb(image, col, row), kVertexColour, transparency));
        }
    }
}

void DrawRegionOutline(QImage &image, const TRect &roi)
{
    EnsureRgb888(image);
    for (int row = roi.Top; row <= roi.Bottom; ++row) {
        for (int col : {roi.Left, roi.Right})
            if (Contains(image, col, row))
                WriteRgb(image, col, row, kOutlineColour);
    }
    for (int col = roi.Left; col <= roi.Right; ++col) {
        for (int row : {roi.Top, roi.Bottom})
            if (Contains(image, col, row))
                WriteRgb(image, col, row, kOutlineColour);
    }
}

void DrawCentres(QImage &image, const TRect &roi, const TCellTable &cells)
{
    EnsureRgb888(image);
    const int n = std::clamp(cells[0].Row, 0, kMaxCells);
    for (int k = 1; k <= n; ++k) {
        const TCellRec &c = cells[std::size_t(k)];
        const bool inside = roi.Top < c.Row && c.Row < roi.Bottom && roi.Left < c.Col && c.Col < roi.Right;
        if (inside && Contains(image, c.Col, c.Row))
            WriteRgb(image, c.Col, c.Row, c.Spare == 1 ? kAddedCentreColour : kDetectedCentreColour);
    }
    DrawRegionOutline(image, roi);
}

void DrawPachymetryLines(QImage &image, const TPachymetry &pachymetry)
{
    EnsureRgb888(image);
    for (auto [col, colour] : {std::pair{pachymetry.Left, kPachyLeftColour}, {pachymetry.Right, kPachyRightColour}}) {
        if (col < 0 || col >= image.width())
            continue;
        for (int row = 0; row < image.height(); ++row)
            WriteRgb(image, col, row, colour);
    }
}

void DrawRegionRectangle(QImage &image, const TRect &roi)
{
    EnsureRgb888(image);
    const TRect r = NormalizedRect(roi);
    if (r.Right - r.Left < 1 || r.Bottom - r.Top < 1)
        return;
    // A pen rectangle covers Left..Right-1 and Top..Bottom-1.
    const int right = r.Right - 1, bottom = r.Bottom - 1;
    for (int col = r.Left; col <= right; ++col)
        for (int row : {r.Top, bottom})
            if (Contains(image, col, row))
                WriteRgb(image, col, row, kRectangleColour);
    for (int row = r.Top; row <= bottom; ++row)
        for (int col : {r.Left, right})
            if (Contains(image, col, row))
                WriteRgb(image, col, row, kRectangleColour);
}

void DrawEditMarker(QImage &image, int x, int y, QRgb colour)
{
    EnsureRgb888(image);
    const int dx[] = {0, 0, 1, 0, -1};
    const int dy[] = {0, -1, 0, 1, 0};
    for (int i = 0; i < 5; ++i)
        if (Contains(image, x + dx[i], y + dy[i]))
            WriteRgb(image, x + dx[i], y + dy[i], colour);
}

// Contrast enhancement -----------------------------------------------------------------

void ColumnProfiles(const QImage &image, const TRect &roi, TColumnProfile &minimum, TColumnProfile &maximum)
{
    minimum.fill(256.0);
    maximum.fill(0.0);
    const TSpan s = ClipInclusive(image, roi);
    for (int row = s.Top; row <= s.Bottom; ++row) {
        for (int col = s.Left; col <= s.Right && col < kFrameWidth; ++col) {
            const double g = CanvasGrey(image, col, row);
            minimum[std::size_t(col)] = std::min(minimum[std::size_t(col)], g);
            maximum[std::size_t(col)] = std::max(maximum[std::size_t(col)], g);
        }
    }
}

TColumnProfile SmoothMinimumProfile(const TColumnProfile &minimum, const TRect &roi, std::int32_t firLen)
{
    TColumnProfile smoothed = minimum;
    const int h = firLen / 2; // toward zero, as div does
    const double weightSum = (double(firLen) + 1.0) * double(firLen) / 2.0;
    const int first = std::max(roi.Left, 0), last = std::min(roi.Right, kFrameWidth - 1);
    for (int c = first; c <= last; ++c) {
        if (c < h || c > kFrameWidth - h)
            continue; // near the frame edges the profile is used as it is
        double value = 0.0;
        for (int v = 1; v <= firLen; ++v) {
            const int source = c - v + 1;
            const double m = source >= 0 ? minimum[std::size_t(source)] : 256.0;
            value += (firLen + 1 - v) * m / weightSum;
        }
        smoothed[std::size_t(c)] = value;
    }
    return smoothed;
}

int StretchGrey(int grey, double lo, double hi, const TContrastSettings &s)
{
    const double width = hi - lo;
    if (width > s.LargMin)
        return RoundedToInt((s.Beta0 - s.Alpha0) * (grey - lo) / width);
    if (width > 1.0) {
        const double a = lo + width * (s.Alpha0 - lo) / s.LargMin;
        const double b = hi + width * (s.Beta0 - hi) / s.LargMin;
        return RoundedToInt((b - a) * (grey - lo) / width);
    }
    return grey;
}

int ContrastCurve(int stretched, double perc)
{
    const double d = perc * 255.0;
    const double factor = 259.0 * (d + 255.0) / (255.0 * (259.0 - d));
    const double y = factor * (double(stretched) - 128.0) + 128.0;
    if (std::isnan(y))
        return 128; // a degenerate curve (d = 259) on the pivot grey
    // Clamping before rounding gives the same result and keeps infinities out.
    return int(RoundHalfEven(std::clamp(y, 0.0, 255.0)));
}

namespace {

// The grey written for a stretched value: the curve, MinBlack and the clamp
// depend on nothing else, so they are tabled for every value a region of a
// frame gives with sensible settings and computed for any other.
class TCurveTable {
public:
    explicit TCurveTable(const TContrastSettings &settings) : Settings(settings)
    {
        for (int i = 0; i < kCount; ++i)
            Values[std::size_t(i)] = Compute(kLowest + i);
    }

    int operator()(int stretched) const
    {
        const unsigned index = unsigned(stretched) - unsigned(kLowest);
        return index < unsigned(kCount) ? Values[index] : Compute(stretched);
    }

private:
    static constexpr int kLowest = -1024;
    static constexpr int kCount = 2304;

    int Compute(int stretched) const
    {
        return ClampByte(std::int64_t(ContrastCurve(stretched, Settings.Perc)) + Settings.MinBlack);
    }

    const TContrastSettings &Settings;
    std::array<uchar, kCount> Values{};
};

// The stretch and the curve of every pixel of the span, in place.
void StretchSpan(QImage &image, const TSpan &s, const TColumnProfile &lo, const TColumnProfile &hi,
                 const TContrastSettings &settings)
{
    const TCurveTable curve(settings);
    for (int row = s.Top; row <= s.Bottom; ++row) {
        uchar *p = PixelAt(image, s.Left, row);
        for (int col = s.Left; col <= s.Right; ++col, p += 3) {
            const int grey = (p[0] + p[1] + p[2]) / 3;
            p[0] = p[1] = p[2] = uchar(curve(StretchGrey(grey, lo[std::size_t(col)], hi[std::size_t(col)], settings)));
        }
    }
}

// 1-2-1 / 2-4-2 / 1-2-1 of the canvas grey levels, div 16, over the span;
// neighbours beyond the image repeat the edge pixel. Every value is computed
// from the grey levels before any is written back.
void SmoothSpan(QImage &image, const TSpan &s)
{
    const int width = s.Right - s.Left + 1;
    const int height = s.Bottom - s.Top + 1;
    const std::size_t stride = std::size_t(width) + 2;
    // The span's grey levels with a ring of one pixel around it.
    std::vector<int> grey(stride * std::size_t(height + 2));
    for (int i = 0; i < height + 2; ++i) {
        const uchar *line = image.constScanLine(std::clamp(s.Top - 1 + i, 0, image.height() - 1));
        int *out = grey.data() + std::size_t(i) * stride;
        for (std::size_t j = 0; j < stride; ++j) {
            const uchar *p = line + 3 * std::clamp(s.Left - 1 + int(j), 0, image.width() - 1);
            out[j] = (p[0] + p[1] + p[2]) / 3;
        }
    }
    for (int i = 0; i < height; ++i) {
        const int *above = grey.data() + std::size_t(i) * stride;
        const int *middle = above + stride;
        const int *below = middle + stride;
        uchar *p = PixelAt(image, s.Left, s.Top + i);
        for (int j = 0; j < width; ++j, p += 3) {
            const int sum = above[j] + 2 * above[j + 1] + above[j + 2] + 2 * middle[j] + 4 * middle[j + 1] +
                            2 * middle[j + 2] + below[j] + 2 * below[j + 1] + below[j + 2];
            p[0] = p[1] = p[2] = uchar(sum / 16);
        }
    }
}

} // namespace

void EnhanceContrast(QImage &image, const TRect &roi, const TContrastSettings &settings)
{
    EnsureRgb888(image);
    TSpan s = ClipInclusive(image, roi);
    if (s.Empty())
        return;
    TColumnProfile minimum, maximum;
    ColumnProfiles(image, roi, minimum, maximum);
    const TColumnProfile lo = SmoothMinimumProfile(minimum, roi, settings.FIRLen);
    s.Right = std::min(s.Right, kFrameWidth - 1); // the profiles cover the frame's columns
    if (s.Empty())
        return;
    StretchSpan(image, s, lo, maximum, settings);
    SmoothSpan(image, s);
}

// The whole overlay ----------------------------------------------------------------------

void DrawOverlay(QImage &image, QImage *unprocessed, const TRect &roi, const TDistMatrix &matrix,
                 const TPachymetry &pachymetry, const TOverlayOptions &options, const TContrastSettings &contrast)
{
    DrawOverlay(image, unprocessed, roi,
                TOverlayPlanes{matrix.LabelPlane(), matrix.BoundaryPlane(), matrix.Regions(), matrix.Cells()},
                pachymetry, options, contrast);
}

void DrawOverlay(QImage &image, QImage *unprocessed, const TRect &roi, const TOverlayPlanes &planes,
                 const TPachymetry &pachymetry, const TOverlayOptions &options, const TContrastSettings &contrast)
{
    if (!IsValidRoi(roi))
        return;
    image = FrameImage(image);
    if (options.ContrastView)
        EnhanceContrast(image, roi, contrast);
    if (unprocessed)
        *unprocessed = image.copy();
    if (options.ShowColour)
        ColourBySides(image, roi, planes.Labels, planes.Regions, options.Transparency);
    if (options.ShowEdges)
        BlendBoundaries(image, roi, planes.Boundary, options.Transparency);
    if (options.ShowCentres)
        DrawCentres(image, roi, planes.Cells);
    DrawPachymetryLines(image, pachymetry);
    if (!options.ShowEdges && !options.ShowCentres) {
        BlendBoundaries(image, roi, planes.Boundary, options.Transparency);
        DrawCentres(image, roi, planes.Cells);
    }
    DrawRegionRectangle(image, roi);
}

QImage FrameImage(const QImage &source)
{
    if (source.width() == kFrameWidth && source.height() == kFrameHeight && source.format() == QImage::Format_RGB888)
        return source;
    QImage frame(kFrameWidth, kFrameHeight, QImage::Format_RGB888);
    frame.fill(Qt::black);
    if (!source.isNull()) {
        QPainter painter(&frame);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, source.convertToFormat(QImage::Format_RGB888));
    }
    return frame;
}

} // namespace cornix
