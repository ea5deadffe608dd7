#include "AutoScale.h"

#include "Numbers.h"
#include "VoronoiDistMatrix.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

namespace cornix {

namespace {

// Working pixels kept clear between the window and the working frame's edge
// (the finder clears a band of 9).
constexpr int kEdgeClearance = 10;
constexpr double kPi = std::numbers::pi;

std::int32_t Round(double v) { return std::int32_t(RoundHalfEven(v)); }

// Taps of a one-dimensional resampling: for each output sample, the first
// source sample and the normalised weights; no taps where the output lies
// outside the source.
struct TTaps {
    std::vector<int> First;
    std::vector<int> Count;
    std::vector<float> Weights; // maxTaps per output sample
    int MaxTaps = 0;
};

// Weight of source sample i for an output sample centred at source coordinate
// x: bilinear when enlarging; when shrinking, the share of the source pixel
// covered by the output pixel's footprint (area averaging).
double TapWeight(int i, double x, double factor)
{
    if (factor >= 1.0)
        return std::max(0.0, 1.0 - std::abs(i - x));
    const double half = 0.5 / factor;
    return std::max(0.0, std::min(i + 0.5, x + half) - std::max(i - 0.5, x - half));
}

// Output samples first .. first + n - 1 of the scaled axis; source samples 0 .. size - 1.
TTaps MakeTaps(int first, int n, int offset, double factor, int size)
{
    TTaps taps;
    const double radius = factor >= 1.0 ? 1.0 : 0.5 / factor + 0.5;
    taps.MaxTaps = int(std::ceil(2 * radius)) + 1;
    taps.First.assign(std::size_t(n), 0);
    taps.Count.assign(std::size_t(n), 0);
    taps.Weights.assign(std::size_t(n) * taps.MaxTaps, 0.0f);
    for (int j = 0; j < n; ++j) {
        const double x = (first + j + offset + 0.5) / factor - 0.5; // source coordinate
        if (x < -0.5 || x > size - 0.5)
            continue;
        const int lo = std::max(0, int(std::ceil(x - radius))), hi = std::min(size - 1, int(std::floor(x + radius)));
        float *w = &taps.Weights[std::size_t(j) * taps.MaxTaps];
        double sum = 0;
        for (int i = lo; i <= hi; ++i) {
            w[i - lo] = float(TapWeight(i, x, factor));
            sum += w[i - lo];
        }
        if (!(sum > 0))
            continue;
        taps.First[std::size_t(j)] = lo;
        taps.Count[std::size_t(j)] = hi - lo + 1;
        for (int k = 0; k <= hi - lo; ++k)
            w[k] = float(w[k] / sum);
    }
    return taps;
}

// The scaled region reduced about its centre so that the window (the region
// grown by margin, in whole pixels) fits the working frame and holds at most
// maxArea pixels.
void FitRegion(double &left, double &top, double &right, double &bottom, int margin, double maxArea, bool &reduced)
{
    const double cx = (left + right) / 2, cy = (top + bottom) / 2, w = right - left, h = bottom - top;
    const auto window = [&](double k, int &width, int &height) {
        width = int(RoundHalfEven(cx + k * w / 2) - RoundHalfEven(cx - k * w / 2)) + 1 + 2 * margin;
        height = int(RoundHalfEven(cy + k * h / 2) - RoundHalfEven(cy - k * h / 2)) + 1 + 2 * margin;
    };
    const auto fits = [&](double k) {
        int width = 0, height = 0;
        window(k, width, height);
        return width <= kFrameWidth - 2 * kEdgeClearance && height <= kFrameHeight - 2 * kEdgeClearance
               && double(width) * height <= maxArea;
    };
    if (fits(1.0))
        return;
    // The largest reduction that fits, to a thousandth.
    double lo = 0.0, hi = 1.0;
    while (hi - lo > 1e-3) {
        const double k = (lo + hi) / 2;
        (fits(k) ? lo : hi) = k;
    }
    reduced = true;
    left = cx - lo * w / 2;
    right = cx + lo * w / 2;
    top = cy - lo * h / 2;
    bottom = cy + lo * h / 2;
}

// Grey level of a resampled value: nearest, ties to even, within 0..255. Adding
// and taking away 2^23 rounds a float of 0..2^23 to an integer in the default
// rounding mode (nearest, ties to even) without a library call.
std::uint8_t ToGrey(float v)
{
    constexpr float kShift = 8388608.0f; // 2^23
    const float clamped = std::clamp(v, 0.0f, 255.0f);
    return std::uint8_t(int((clamped + kShift) - kShift));
}

// A dark grey of the window: its 5th percentile. Lit cells end in darkness as
// at the edge of a specular microscope's field, so the cells at the edge of the
// window have open regions (a flat mean grey beside dark tissue would make the
// finder see blobs along the window's edge, closing those regions).
std::uint8_t DarkLevel(const std::array<long, 256> &histogram)
{
    long total = 0;
    for (long n : histogram)
        total += n;
    long seen = 0;
    for (int g = 0; g < 256; ++g) {
        seen += histogram[std::size_t(g)];
        if (seen > total / 20)
            return std::uint8_t(g);
    }
    return 0;
}

// Weight of the window's content at each position along one axis: a cosine
// rising from 0 to 1 over fadeWidth from the nearer of the window's edges and
// the frame's (lo, hi: the frame's edges on the working axis).
std::vector<float> FadeWeights(int first, int n, double lo, double hi, double fadeWidth)
{
    std::vector<float> weights(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double d = std::min({double(i), double(n - 1 - i), first + i - lo - 0.5, hi - (first + i) - 0.5});
        weights[std::size_t(i)] =
            float(d >= fadeWidth ? 1.0 : 0.5 * (1.0 - std::cos(kPi * std::clamp(d + 0.5, 0.0, fadeWidth) / fadeWidth)));
    }
    return weights;
}

// Working storage of the resampling, kept between calls (no fresh pages).
struct TResampleScratch {
    std::vector<float> Across; // source rows filtered along the columns
    std::vector<float> Values; // the window's values, -1 beyond the frame
};

// Resamples the window of the working frame from gray, fades it to the dark
// level over fadeWidth (one cell) at its edges and at the frame's, and fills
// the rest.
void Resample(const TGrayFrame &gray, double fadeWidth, TScaledFrame &s)
{
    thread_local TResampleScratch scratch;
    const TRect &win = s.Window;
    const int rows = win.Bottom - win.Top + 1, cols = win.Right - win.Left + 1;
    const TTaps rowTaps = MakeTaps(win.Top, rows, s.OffsetRow, s.Factor, kFrameHeight);
    const TTaps colTaps = MakeTaps(win.Left, cols, s.OffsetCol, s.Factor, kFrameWidth);
    // Source rows the window needs, filtered along the columns first.
    int srcTop = kFrameHeight, srcBottom = -1;
    for (int i = 0; i < rows; ++i)
        if (rowTaps.Count[std::size_t(i)] > 0) {
            srcTop = std::min(srcTop, rowTaps.First[std::size_t(i)]);
            srcBottom = std::max(srcBottom, rowTaps.First[std::size_t(i)] + rowTaps.Count[std::size_t(i)] - 1);
        }
    std::vector<float> &across = scratch.Across;
    across.assign(std::size_t(std::max(0, srcBottom - srcTop + 1)) * cols, 0.0f);
    for (int r = srcTop; r <= srcBottom; ++r) {
        const std::uint8_t *src = gray[std::size_t(r)].data();
        float *dst = &across[std::size_t(r - srcTop) * cols];
        for (int j = 0; j < cols; ++j) {
            const float *w = &colTaps.Weights[std::size_t(j) * colTaps.MaxTaps];
            const std::uint8_t *in = src + colTaps.First[std::size_t(j)];
            float sum = 0;
            for (int k = 0; k < colTaps.Count[std::size_t(j)]; ++k)
                sum += w[k] * in[k];
            dst[j] = sum;
        }
    }
    // Then along the rows, with the histogram of what the window shows.
    std::vector<float> &values = scratch.Values;
    values.assign(std::size_t(rows) * cols, -1.0f);
    std::array<long, 256> histogram{};
    for (int i = 0; i < rows; ++i) {
        if (rowTaps.Count[std::size_t(i)] == 0)
            continue;
        float *dst = &values[std::size_t(i) * cols];
        std::fill(dst, dst + cols, 0.0f);
        const float *w = &rowTaps.Weights[std::size_t(i) * rowTaps.MaxTaps];
        for (int k = 0; k < rowTaps.Count[std::size_t(i)]; ++k) {
            const float *src = &across[std::size_t(rowTaps.First[std::size_t(i)] + k - srcTop) * cols];
            for (int j = 0; j < cols; ++j)
                dst[j] += w[k] * src[j];
        }
        for (int j = 0; j < cols; ++j) {
            if (colTaps.Count[std::size_t(j)] == 0)
                dst[j] = -1.0f;
            else
                ++histogram[ToGrey(dst[j])];
        }
    }
    s.Fill = DarkLevel(histogram);
    s.Gray = std::make_unique<TGrayFrame>();
    for (auto &row : *s.Gray)
        row.fill(s.Fill);
    const std::vector<float> rowWeights = FadeWeights(win.Top, rows, s.ToWorkingRow(-0.5),
                                                      s.ToWorkingRow(kFrameHeight - 0.5), fadeWidth);
    const std::vector<float> colWeights = FadeWeights(win.Left, cols, s.ToWorkingCol(-0.5),
                                                      s.ToWorkingCol(kFrameWidth - 0.5), fadeWidth);
    const float fill = s.Fill;
    for (int i = 0; i < rows; ++i) {
        const float *src = &values[std::size_t(i) * cols];
        std::uint8_t *dst = &(*s.Gray)[std::size_t(win.Top + i)][std::size_t(win.Left)];
        const float rowWeight = rowWeights[std::size_t(i)];
        for (int j = 0; j < cols; ++j)
            if (src[j] >= 0)
                dst[j] = ToGrey(fill + (src[j] - fill) * std::min(rowWeight, colWeights[std::size_t(j)]));
    }
}

} // namespace

double AutoScaleFactor(double spacingPx, double targetPx) { return targetPx / spacingPx; }

TScaledFrame ScaleForAnalysis(const TGrayFrame &gray, const TRect &roi, double factor, double targetPx)
{
    TScaledFrame s;
    s.Factor = factor;
    const TRect r = NormalizedRect(roi);
    const int left = std::max(0, r.Left), top = std::max(0, r.Top);
    const int right = std::min(kFrameWidth - 1, r.Right), bottom = std::min(kFrameHeight - 1, r.Bottom);
    // The region's bounds on the scaled axis (offset 0), reduced if need be.
    const auto scaled = [factor](int v) { return (v + 0.5) * factor - 0.5; };
    double sl = scaled(left), st = scaled(top), sr = scaled(std::max(left, right)), sb = scaled(std::max(top, bottom));
    const int m = int(std::ceil(kAutoScaleMarginCells * targetPx));
    const double maxArea = kAutoScaleMaxCells * std::sqrt(3.0) / 2 * targetPx * targetPx;
    FitRegion(sl, st, sr, sb, m, maxArea, s.Reduced);
    const TRect scaledRoi{Round(sl), Round(st), Round(sr), Round(sb)};
    // The window centred in the working frame.
    const int winWidth = scaledRoi.Right - scaledRoi.Left + 1 + 2 * m;
    const int winHeight = scaledRoi.Bottom - scaledRoi.Top + 1 + 2 * m;
    s.OffsetCol = scaledRoi.Left - m - (kFrameWidth - winWidth) / 2;
    s.OffsetRow = scaledRoi.Top - m - (kFrameHeight - winHeight) / 2;
    s.Roi = {scaledRoi.Left - s.OffsetCol, scaledRoi.Top - s.OffsetRow, scaledRoi.Right - s.OffsetCol,
             scaledRoi.Bottom - s.OffsetRow};
    s.Window = {s.Roi.Left - m, s.Roi.Top - m, s.Roi.Right + m, s.Roi.Bottom + m};
    s.FrameRoi = {Round(s.ToFrameCol(s.Roi.Left)), Round(s.ToFrameRow(s.Roi.Top)), Round(s.ToFrameCol(s.Roi.Right)),
                  Round(s.ToFrameRow(s.Roi.Bottom))};
    Resample(gray, targetPx, s);
    return s;
}

TAutoScaleResult::TAutoScaleResult() = default;
TAutoScaleResult::~TAutoScaleResult() = default;
TAutoScaleResult::TAutoScaleResult(TAutoScaleResult &&) noexcept = default;
TAutoScaleResult &TAutoScaleResult::operator=(TAutoScaleResult &&) noexcept = default;

TAutoScaleResult AnalyseAutoScale(const TGrayFrame &gray, const TRect &roi, double threshold,
                                  const TAnalysisScale &scale, double targetPx)
{
    TAutoScaleResult result;
    if (!IsValidRoi(roi))
        return result;
    try {
        result.Spacing = EstimateCellSpacing(gray, roi);
        if (!result.Spacing) {
            result.Status = TAutoScaleResult::NoSpacing;
            return result;
        }
        result.Scaled =
            ScaleForAnalysis(gray, roi, AutoScaleFactor(result.Spacing->SpacingPx, targetPx), targetPx);
    } catch (const std::bad_alloc &) {
        result.Status = TAutoScaleResult::OutOfMemory;
        return result;
    }
    result.WorkingPixelToMM = scale.PixelToMM / result.Scaled.Factor;
    TFrameAnalysis analysis = AnalyseGrayFrame(*result.Scaled.Gray, result.Scaled.Roi, threshold,
                                TAnalysisScale{result.WorkingPixelToMM, scale.PixelToPaq});
    result.CellsFound = analysis.CellsFound;
    result.Matrix = std::move(analysis.Matrix);
    result.Stats = analysis.Stats;
    switch (analysis.Result) {
    case TFrameAnalysis::Analysed: result.Status = TAutoScaleResult::Analysed; break;
    case TFrameAnalysis::TooFewCells: result.Status = TAutoScaleResult::TooFewCells; break;
    case TFrameAnalysis::NoValidRegion: result.Status = TAutoScaleResult::NoValidRegion; break;
    case TFrameAnalysis::NoFigures: result.Status = TAutoScaleResult::NoFigures; break;
    case TFrameAnalysis::OutOfMemory: result.Status = TAutoScaleResult::OutOfMemory; break;
    }
    return result;
}

void CellsToFrame(const TScaledFrame &scaled, const TCellTable &working, TCellTable &frame)
{
    frame = working;
    const std::int32_t n = std::clamp(working[0].Row, 0, kMaxCells);
    for (std::int32_t k = 1; k <= n; ++k) {
        frame[std::size_t(k)].Row = Round(scaled.ToFrameRow(working[std::size_t(k)].Row));
        frame[std::size_t(k)].Col = Round(scaled.ToFrameCol(working[std::size_t(k)].Col));
    }
}

void LabelsToFrame(const TScaledFrame &scaled, const TIntPlane &working, TIntPlane &frame)
{
    const TRect &win = scaled.Window;
    std::vector<int> cols(static_cast<std::size_t>(kFrameWidth));
    for (int c = 0; c < kFrameWidth; ++c) {
        const int wc = Round(scaled.ToWorkingCol(c));
        cols[std::size_t(c)] = wc >= std::max(0, win.Left) && wc <= std::min(kFrameWidth - 1, win.Right) ? wc : -1;
    }
    for (int r = 0; r < kFrameHeight; ++r) {
        auto &out = frame[std::size_t(r)];
        const int wr = Round(scaled.ToWorkingRow(r));
        if (wr < std::max(0, win.Top) || wr > std::min(kFrameHeight - 1, win.Bottom)) {
            out.fill(0);
            continue;
        }
        const auto &in = working[std::size_t(wr)];
        for (int c = 0; c < kFrameWidth; ++c)
            out[std::size_t(c)] = cols[std::size_t(c)] >= 0 ? in[std::size_t(cols[std::size_t(c)])] : 0;
    }
}

void BoundariesOf(const TIntPlane &labels, TIntPlane &boundary)
{
    for (auto &row : boundary)
        row.fill(0);
    const auto differ = [](std::int32_t a, std::int32_t b, std::int32_t c) { return a != b && a != c && b != c; };
    for (int r = 0; r + 1 < kFrameHeight; ++r)
        for (int c = 0; c + 1 < kFrameWidth; ++c) {
            const auto &above = labels[std::size_t(r)], &below = labels[std::size_t(r + 1)];
            const std::int32_t tl = above[std::size_t(c)], tr = above[std::size_t(c + 1)];
            const std::int32_t bl = below[std::size_t(c)], br = below[std::size_t(c + 1)];
            if (tl == tr && tl == bl && tl == br)
                continue;
            const bool vertex = differ(tl, tr, bl) || differ(tl, tr, br) || differ(tl, bl, br);
            boundary[std::size_t(r)][std::size_t(c)] = vertex ? kVertexPixel : kBoundaryPixel;
        }
}

} // namespace cornix
