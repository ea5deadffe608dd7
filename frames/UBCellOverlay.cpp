#include "UBCellOverlay.h"

#include "Numbers.h"
#include "UBFrameBuffer.h"
#include "UBIniSettings.h"
#include "VoronoiDistMatrix.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The pixels of a whole image, taken once: scanLine() checks for sharing on every call,
// too often for loops over every pixel of a region.
class TPixels {
public:
    explicit TPixels(QImage &image) : m_bits(image.bits()), m_stride(image.bytesPerLine()) {}
    uchar *At(int col, int row) const { return m_bits + row * m_stride + 3 * col; }

private:
    uchar *m_bits;
    qsizetype m_stride;
};

void PutRgb(uchar *p, QRgb colour)
{
    p[0] = uchar(qRed(colour));
    p[1] = uchar(qGreen(colour));
    p[2] = uchar(qBlue(colour));
}

void WriteRgb(QImage &image, int col, int row, QRgb colour) { PutRgb(PixelAt(image, col, row), colour); }

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

// RoundHalfEven of the value held within int (NaN gives 0), worked out in int
// and without branches: the steps of the two-pixel version in StretchLine.
inline int RoundedToInt(double value)
{
    constexpr double low = std::numeric_limits<int>::min(), high = std::numeric_limits<int>::max();
    const double held = value == value ? std::min(std::max(value, low), high) : 0.0;
    const int truncated = static_cast<int>(held);
    const double fraction = held - truncated; // exact
    const int odd = truncated & 1;
    const int up = (fraction > 0.5) | ((fraction == 0.5) & odd);
    const int down = (fraction < -0.5) | ((fraction == -0.5) & odd);
    return truncated + up - down;
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
    if (s.Empty())
        return;
    const double saturation = transparency.Weight();
    // The hue of each class is fixed: work it out once.
    std::array<double, kSidesBins> hues{};
    for (int i = 0; i < kSidesBins; ++i)
        hues[std::size_t(i)] = HueOf(kSideColours[std::size_t(i)]);
    // A pixel's colour depends on its class and its brightest channel alone: each
    // one is computed when first met (0 marks "not yet": every colour is opaque).
    std::array<std::array<QRgb, 256>, kSidesBins> colours{};
    const TPixels pixels(image);
    for (int row = s.Top; row <= s.Bottom && row < kFrameHeight; ++row) {
        const std::int32_t *rowLabels = labels[std::size_t(row)].data();
        uchar *p = pixels.At(s.Left, row);
        for (int col = s.Left; col <= s.Right && col < kFrameWidth; ++col, p += 3) {
            const std::int32_t k = rowLabels[col];
            const int sides = (k > 0 && k <= kMaxCells) ? std::int16_t(regions[std::size_t(k)].Sides) : 0;
            const int bin = (sides >= 4 && sides <= 7) ? sides - 4 : kSidesBins - 1;
            const int value = std::max({p[0], p[1], p[2]});
            QRgb &colour = colours[std::size_t(bin)][std::size_t(value)];
            if (colour == 0)
                colour = HsvToRgb(hues[std::size_t(bin)], saturation, value / 255.0);
            PutRgb(p, colour);
        }
    }
}

namespace {

// BlendColour with one overlay colour: BlendChannel's overlay part is the same for
// every pixel and its pixel part the same for every colour, so each is worked out once.
class TBlend {
public:
    TBlend(QRgb overlay, const std::array<int, 256> &pixelParts, const TTransparency &t) : m_pixelParts(pixelParts)
    {
        const int channels[] = {qRed(overlay), qGreen(overlay), qBlue(overlay)};
        for (std::size_t c = 0; c < 3; ++c)
            m_overlayParts[c] = t.Max > 0 ? t.Position * channels[c] / t.Max : 0;
    }

    // The pixel part of every channel value (the value itself when nothing is blended).
    static std::array<int, 256> PixelParts(const TTransparency &t)
    {
        std::array<int, 256> parts;
        for (int v = 0; v < 256; ++v)
            parts[std::size_t(v)] = t.Max > 0 ? (t.Max - t.Position) * v / t.Max : v;
        return parts;
    }

    void Blend(uchar *p) const
    {
        p[0] = uchar(m_overlayParts[0] + m_pixelParts[p[0]]);
        p[1] = uchar(m_overlayParts[1] + m_pixelParts[p[1]]);
        p[2] = uchar(m_overlayParts[2] + m_pixelParts[p[2]]);
    }

private:
    const std::array<int, 256> &m_pixelParts;
    std::array<int, 3> m_overlayParts;
};

} // namespace

void BlendBoundaries(QImage &image, const TRect &roi, const TIntPlane &boundary, const TTransparency &transparency)
{
    EnsureRgb888(image);
    const TSpan s = ClipStrict(image, roi);
    if (s.Empty())
        return;
    const std::array<int, 256> pixelParts = TBlend::PixelParts(transparency);
    const TBlend boundaryBlend(kBoundaryColour, pixelParts, transparency);
    const TBlend vertexBlend(kVertexColour, pixelParts, transparency);
    const TPixels pixels(image);
    const int right = std::min(s.Right, kFrameWidth - 1);
    for (int row = s.Top; row <= s.Bottom && row < kFrameHeight; ++row) {
        const std::int32_t *marks = boundary[std::size_t(row)].data();
        uchar *line = pixels.At(0, row);
        for (int col = s.Left; col <= right; ++col) {
            const std::int32_t mark = marks[col];
            if (mark == kBoundaryPixel)
                boundaryBlend.Blend(line + 3 * col);
            else if (mark == kVertexPixel)
                vertexBlend.Blend(line + 3 * col);
        }
    }
}

namespace {

// Rows first..last of column col in one colour, as far as they lie in the image.
void DrawColumn(QImage &image, int col, int first, int last, QRgb colour)
{
    first = std::max(first, 0);
    last = std::min(last, image.height() - 1);
    if (col < 0 || col >= image.width() || first > last)
        return;
    const TPixels pixels(image);
    for (int row = first; row <= last; ++row)
        PutRgb(pixels.At(col, row), colour);
}

// Columns first..last of row `row` in one colour, as far as they lie in the image.
void DrawRow(QImage &image, int row, int first, int last, QRgb colour)
{
    first = std::max(first, 0);
    last = std::min(last, image.width() - 1);
    if (row < 0 || row >= image.height() || first > last)
        return;
    const TPixels pixels(image);
    for (uchar *p = pixels.At(first, row), *end = pixels.At(last, row); p <= end; p += 3)
        PutRgb(p, colour);
}

} // namespace

void DrawRegionOutline(QImage &image, const TRect &roi)
{
    EnsureRgb888(image);
    for (int col : {roi.Left, roi.Right})
        DrawColumn(image, col, roi.Top, roi.Bottom, kOutlineColour);
    for (int row : {roi.Top, roi.Bottom})
        DrawRow(image, row, roi.Left, roi.Right, kOutlineColour);
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
    for (int row : {r.Top, bottom})
        DrawRow(image, row, r.Left, right, kRectangleColour);
    for (int col : {r.Left, right})
        DrawColumn(image, col, r.Top, bottom, kRectangleColour);
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

namespace {

// The region clipped to the image and to the frame's columns (which the profiles cover).
TSpan ContrastSpan(const QImage &image, const TRect &roi)
{
    TSpan s = ClipInclusive(image, roi);
    s.Right = std::min(s.Right, kFrameWidth - 1);
    return s;
}

// The grey levels of a span with a ring of one pixel around it: Row(i)[j] is the
// canvas pixel (Top + i, Left + j) for i in -1..Height and j in -1..Width.
class TGreyGrid {
public:
    explicit TGreyGrid(const TSpan &s)
        : Span(s), Width(s.Right - s.Left + 1), Height(s.Bottom - s.Top + 1), m_stride(std::size_t(Width) + 2),
          m_values(m_stride * std::size_t(Height + 2))
    {
    }
    uchar *Row(int i) { return m_values.data() + std::size_t(i + 1) * m_stride + 1; }
    const uchar *Row(int i) const { return m_values.data() + std::size_t(i + 1) * m_stride + 1; }

    const TSpan Span;
    const int Width, Height;

private:
    std::size_t m_stride;
    std::vector<uchar> m_values;
};

// Grey levels of the span's pixels, (R + G + B) div 3.
void ReadSpan(const QImage &image, TGreyGrid &grid)
{
    for (int i = 0; i < grid.Height; ++i)
        GreyLevels(PixelAt(image, grid.Span.Left, grid.Span.Top + i), grid.Row(i), grid.Width, false);
}

// The ring around the span as the canvas has it now: pixels beyond the image
// repeat its edge pixel, which may be one of the span's (new) grey levels.
void ReadRing(const QImage &image, TGreyGrid &grid)
{
    const TSpan &s = grid.Span;
    const auto canvasGrey = [&](int i, int j) {
        const int row = std::clamp(s.Top + i, 0, image.height() - 1);
        const int col = std::clamp(s.Left + j, 0, image.width() - 1);
        if (row >= s.Top && row <= s.Bottom && col >= s.Left && col <= s.Right)
            return grid.Row(row - s.Top)[col - s.Left];
        const uchar *p = PixelAt(image, col, row);
        return uchar((p[0] + p[1] + p[2]) / 3);
    };
    for (int j = -1; j <= grid.Width; ++j) {
        grid.Row(-1)[j] = canvasGrey(-1, j);
        grid.Row(grid.Height)[j] = canvasGrey(grid.Height, j);
    }
    for (int i = 0; i < grid.Height; ++i) {
        grid.Row(i)[-1] = canvasGrey(i, -1);
        grid.Row(i)[grid.Width] = canvasGrey(i, grid.Width);
    }
}

// ColumnProfiles of the span's grey levels.
void ProfilesOf(const TGreyGrid &grid, TColumnProfile &minimum, TColumnProfile &maximum)
{
    std::array<uchar, kFrameWidth> low, high;
    low.fill(255);
    high.fill(0);
    for (int i = 0; i < grid.Height; ++i) {
        const uchar *row = grid.Row(i);
        int j = 0;
#if defined(__SSE2__)
        for (; j + 16 <= grid.Width; j += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + j));
            auto *l = reinterpret_cast<__m128i *>(low.data() + j);
            auto *h = reinterpret_cast<__m128i *>(high.data() + j);
            _mm_storeu_si128(l, _mm_min_epu8(_mm_loadu_si128(l), v));
            _mm_storeu_si128(h, _mm_max_epu8(_mm_loadu_si128(h), v));
        }
#endif
        for (; j < grid.Width; ++j) {
            low[std::size_t(j)] = std::min(low[std::size_t(j)], row[j]);
            high[std::size_t(j)] = std::max(high[std::size_t(j)], row[j]);
        }
    }
    minimum.fill(256.0);
    maximum.fill(0.0);
    for (int j = 0; j < grid.Width; ++j) {
        minimum[std::size_t(grid.Span.Left + j)] = low[std::size_t(j)];
        maximum[std::size_t(grid.Span.Left + j)] = high[std::size_t(j)];
    }
}

// The stretch of one column: every branch of StretchGrey is
// Scale * (grey - Lo) / Width rounded; a column too narrow to stretch keeps
// its grey levels with 1 * (grey - 0) / 1, which is exact.
struct TColumnStretch {
    double Scale = 1.0, Lo = 0.0, Width = 1.0;
};

TColumnStretch ColumnStretch(double lo, double hi, const TContrastSettings &s)
{
    const double width = hi - lo;
    if (width > s.LargMin)
        return {s.Beta0 - s.Alpha0, lo, width};
    if (width > 1.0) {
        const double a = lo + width * (s.Alpha0 - lo) / s.LargMin;
        const double b = hi + width * (s.Beta0 - hi) / s.LargMin;
        return {b - a, lo, width};
    }
    return {};
}

} // namespace

void ColumnProfiles(const QImage &image, const TRect &roi, TColumnProfile &minimum, TColumnProfile &maximum)
{
    const TSpan s = ContrastSpan(image, roi);
    if (s.Empty()) {
        minimum.fill(256.0);
        maximum.fill(0.0);
        return;
    }
    TGreyGrid grid(s);
    ReadSpan(image, grid);
    ProfilesOf(grid, minimum, maximum);
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
    const TColumnStretch c = ColumnStretch(lo, hi, s);
    return RoundedToInt(c.Scale * (grey - c.Lo) / c.Width);
}

namespace {

// The slope of the contrast curve: the same for every value, so a table works it out once.
double CurveFactor(double perc)
{
    const double d = perc * 255.0;
    return 259.0 * (d + 255.0) / (255.0 * (259.0 - d));
}

int CurveValue(int stretched, double factor)
{
    const double y = factor * (double(stretched) - 128.0) + 128.0;
    if (std::isnan(y))
        return 128; // a degenerate curve (d = 259) on the pivot grey
    // Clamping before rounding gives the same result and keeps infinities out.
    return int(RoundHalfEven(std::clamp(y, 0.0, 255.0)));
}

} // namespace

int ContrastCurve(int stretched, double perc) { return CurveValue(stretched, CurveFactor(perc)); }

namespace {

// The grey written for a stretched value: the curve, MinBlack and the clamp
// depend on nothing else, so they are tabled for every value a region of a
// frame gives with sensible settings and computed for any other.
class TCurveTable {
public:
    explicit TCurveTable(const TContrastSettings &settings) : Settings(settings), Factor(CurveFactor(settings.Perc))
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
        return ClampByte(std::int64_t(CurveValue(stretched, Factor)) + Settings.MinBlack);
    }

    const TContrastSettings &Settings;
    const double Factor;
    std::array<uchar, kCount> Values{};
};

// True when scale * (grey - base) / width is neither NaN nor beyond int for every
// grey level: rounding is monotonic, so the value for 255 + |base| bounds them all
// (NaN and infinities fail the comparison).
bool StretchIsBounded(const TColumnStretch &c)
{
    return std::abs(c.Scale) * (255.0 + std::abs(c.Lo)) / std::abs(c.Width) < 0x1p30;
}

// RoundedToInt(scale * (grey - base) / width) of n pixels of a line. SSE2 (part of
// every x86-64) does two pixels at once with the same operations in the same order;
// for bounded stretches (all of a region's with sensible settings) it leaves out
// holding the value within int, which changes nothing then.
template <bool Bounded>
void StretchLine(const uchar *grey, const double *scale, const double *base, const double *width, int *out, int n)
{
    int j = 0;
#if defined(__SSE2__)
    const __m128d low = _mm_set1_pd(std::numeric_limits<int>::min());
    const __m128d high = _mm_set1_pd(std::numeric_limits<int>::max());
    const __m128d half = _mm_set1_pd(0.5), minusHalf = _mm_set1_pd(-0.5);
    const __m128i one = _mm_set1_epi32(1);
    for (; j + 2 <= n; j += 2) {
        const __m128d g = _mm_cvtepi32_pd(_mm_setr_epi32(grey[j], grey[j + 1], 0, 0));
        const __m128d v =
            _mm_div_pd(_mm_mul_pd(_mm_loadu_pd(scale + j), _mm_sub_pd(g, _mm_loadu_pd(base + j))), _mm_loadu_pd(width + j));
        // Held within int; NaN (where max gives low) masked to 0.
        const __m128d held = Bounded ? v : _mm_and_pd(_mm_min_pd(_mm_max_pd(v, low), high), _mm_cmpord_pd(v, v));
        const __m128i truncated = _mm_cvttpd_epi32(held);
        const __m128d fraction = _mm_sub_pd(held, _mm_cvtepi32_pd(truncated));
        // The oddness of each truncation over the 64-bit lane of its value.
        const __m128d odd = _mm_castsi128_pd(
            _mm_cmpeq_epi32(_mm_and_si128(_mm_shuffle_epi32(truncated, _MM_SHUFFLE(1, 1, 0, 0)), one), one));
        const __m128d up = _mm_or_pd(_mm_cmpgt_pd(fraction, half), _mm_and_pd(_mm_cmpeq_pd(fraction, half), odd));
        const __m128d down =
            _mm_or_pd(_mm_cmplt_pd(fraction, minusHalf), _mm_and_pd(_mm_cmpeq_pd(fraction, minusHalf), odd));
        // Masks are -1 where true: truncated + up - down.
        const __m128i up32 = _mm_shuffle_epi32(_mm_castpd_si128(up), _MM_SHUFFLE(3, 3, 2, 0));
        const __m128i down32 = _mm_shuffle_epi32(_mm_castpd_si128(down), _MM_SHUFFLE(3, 3, 2, 0));
        const __m128i rounded = _mm_add_epi32(_mm_sub_epi32(truncated, up32), down32);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + j), rounded);
    }
#endif
    for (; j < n; ++j)
        out[j] = RoundedToInt(scale[j] * (grey[j] - base[j]) / width[j]);
}

// The stretch and the curve of every grey level of the span, in place. The
// stretch of a whole line is worked out before the curve is looked up, so that
// the arithmetic runs on several pixels at once.
void StretchGrid(TGreyGrid &grid, const TColumnProfile &lo, const TColumnProfile &hi, const TContrastSettings &settings)
{
    std::array<double, kFrameWidth> scale, base, width;
    bool bounded = true;
    for (int j = 0; j < grid.Width; ++j) {
        const std::size_t col = std::size_t(grid.Span.Left + j);
        const TColumnStretch c = ColumnStretch(lo[col], hi[col], settings);
        scale[std::size_t(j)] = c.Scale;
        base[std::size_t(j)] = c.Lo;
        width[std::size_t(j)] = c.Width;
        bounded = bounded && StretchIsBounded(c);
    }
    const auto stretchLine = bounded ? StretchLine<true> : StretchLine<false>;
    const TCurveTable curve(settings);
    std::array<int, kFrameWidth> stretched;
    for (int i = 0; i < grid.Height; ++i) {
        uchar *row = grid.Row(i);
        stretchLine(row, scale.data(), base.data(), width.data(), stretched.data(), grid.Width);
        for (int j = 0; j < grid.Width; ++j)
            row[j] = uchar(curve(stretched[std::size_t(j)]));
    }
}

#if defined(__SSE2__)
// 1-2-1 of eight columns of a line in 16 bits; element 0 of line is the column
// left of the first.
inline __m128i Weighted121(const uchar *line)
{
    const __m128i zero = _mm_setzero_si128();
    const auto load = [&](int k) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(line + k)), zero);
    };
    return _mm_add_epi16(_mm_add_epi16(load(0), load(2)), _mm_slli_epi16(load(1), 1));
}
#endif

// Each grey level into the three channels of its RGB888 pixel: a four-byte store
// of g g g g per pixel, whose last byte the next pixel's store covers; the last
// pixel is written byte by byte so that nothing beyond it is touched.
void WriteGreyPixels(uchar *p, const uchar *grey, int n)
{
    for (int j = 0; j + 1 < n; ++j, p += 3) {
        const std::uint32_t word = grey[j] * 0x01010101u;
        std::memcpy(p, &word, sizeof word);
    }
    if (n > 0)
        p[0] = p[1] = p[2] = grey[n - 1];
}

// 1-2-1 / 2-4-2 / 1-2-1 of the grid's grey levels, div 16, written over the span.
void SmoothInto(QImage &image, const TGreyGrid &grid)
{
    const TPixels pixels(image);
    std::array<uchar, kFrameWidth> smoothed;
    for (int i = 0; i < grid.Height; ++i) {
        // Element j of these is the column left of span column j.
        const uchar *above = grid.Row(i - 1) - 1, *middle = grid.Row(i) - 1, *below = grid.Row(i + 1) - 1;
        int j = 0;
#if defined(__SSE2__)
        for (; j + 8 <= grid.Width; j += 8) {
            const __m128i sum = _mm_add_epi16(_mm_add_epi16(Weighted121(above + j), Weighted121(below + j)),
                                              _mm_slli_epi16(Weighted121(middle + j), 1));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(smoothed.data() + j),
                             _mm_packus_epi16(_mm_srli_epi16(sum, 4), _mm_setzero_si128()));
        }
#endif
        for (; j < grid.Width; ++j) {
            const unsigned sum = above[j] + 2u * above[j + 1] + above[j + 2] + 2u * middle[j] + 4u * middle[j + 1] +
                                 2u * middle[j + 2] + below[j] + 2u * below[j + 1] + below[j + 2];
            smoothed[std::size_t(j)] = uchar(sum / 16);
        }
        WriteGreyPixels(pixels.At(grid.Span.Left, grid.Span.Top + i), smoothed.data(), grid.Width);
    }
}

} // namespace

void EnhanceContrast(QImage &image, const TRect &roi, const TContrastSettings &settings)
{
    EnsureRgb888(image);
    const TSpan s = ContrastSpan(image, roi);
    if (s.Empty())
        return;
    // Every grey level is read once; the smoothing reads the stretched ones
    // from the grid (as the canvas holds them) and the ring from the canvas.
    TGreyGrid grid(s);
    ReadSpan(image, grid);
    TColumnProfile minimum, maximum;
    ProfilesOf(grid, minimum, maximum);
    const TColumnProfile lo = SmoothMinimumProfile(minimum, roi, settings.FIRLen);
    StretchGrid(grid, lo, maximum, settings);
    ReadRing(image, grid);
    SmoothInto(image, grid);
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
        *unprocessed = image; // shared: the first drawing below detaches the image from it
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
