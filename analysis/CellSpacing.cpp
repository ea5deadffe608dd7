#include "CellSpacing.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>

namespace cornix {

namespace {

constexpr int kMinPatchSide = 32;
constexpr int kMaxTransformSize = 256;
constexpr int kMaxPatchSide = 2 * kMaxTransformSize;
// Less variation than this (grey levels, root mean square, after flattening) is
// a flat region: the steps of a quantised gradient, not a mosaic.
constexpr double kMinContrast = 1.0;
constexpr double kPi = std::numbers::pi;
// The first ring of a hexagonal mosaic of spacing d lies at 2 / (√3 d) cycles per pixel.
const double kRingFactor = 2.0 / std::sqrt(3.0);
// A peak below the strongest one is the first ring when it reaches this share
// of the strongest and stands this clearly above its flanks.
constexpr double kFirstRingShare = 0.5;
constexpr double kFirstRingConfidence = 0.6;
// The flanks of a ring are read a third of an octave away from it.
const double kFlankRatio = std::cbrt(2.0);

// The part of the frame the spectrum is taken from.
struct TPatch {
    int Top = 0, Left = 0, Height = 0, Width = 0;
};

std::optional<TPatch> PatchOf(const TRect &roi)
{
    const TRect r = NormalizedRect(roi);
    int left = std::max(0, r.Left), top = std::max(0, r.Top);
    int right = std::min(kFrameWidth - 1, r.Right), bottom = std::min(kFrameHeight - 1, r.Bottom);
    if (right - left + 1 < kMinPatchSide || bottom - top + 1 < kMinPatchSide)
        return std::nullopt;
    // Larger regions are cut to their middle kMaxPatchSide pixels: they hold
    // plenty of cells for the estimate.
    const auto middle = [](int &lo, int &hi) {
        const int excess = hi - lo + 1 - kMaxPatchSide;
        if (excess > 0) {
            lo += excess / 2;
            hi = lo + kMaxPatchSide - 1;
        }
    };
    middle(left, right);
    middle(top, bottom);
    return TPatch{top, left, bottom - top + 1, right - left + 1};
}

// The patch as doubles, averaged over step x step blocks (a leftover row or
// column is dropped), in values (kept between calls to spare fresh pages).
struct TSamples {
    int Rows = 0, Cols = 0;
    const double *Values = nullptr;
    double at(int r, int c) const { return Values[std::size_t(r) * Cols + c]; }
};

TSamples Sample(const TGrayFrame &gray, const TPatch &patch, int step, std::vector<double> &values)
{
    TSamples s;
    s.Rows = patch.Height / step;
    s.Cols = patch.Width / step;
    values.assign(std::size_t(s.Rows) * s.Cols, 0.0);
    const double scale = 1.0 / (step * step);
    for (int r = 0; r < s.Rows * step; ++r) {
        const std::uint8_t *src = &gray[std::size_t(patch.Top + r)][std::size_t(patch.Left)];
        double *dst = &values[std::size_t(r / step) * s.Cols];
        for (int c = 0; c < s.Cols; ++c)
            for (int i = 0; i < step; ++i)
                dst[c] += src[c * step + i] * scale;
    }
    s.Values = values.data();
    return s;
}

// Smallest power of two >= size: FFTW's estimated plans are fast for these.
int TransformSize(int size)
{
    int n = 1;
    while (n < size)
        n *= 2;
    return n;
}

struct TFftwFree {
    void operator()(void *p) const { fftw_free(p); }
};
template <typename T>
using TFftwBuffer = std::unique_ptr<T[], TFftwFree>;

// Working storage of one thread, sized for the largest transform and kept
// between calls.
struct TScratch {
    TFftwBuffer<double> In{fftw_alloc_real(std::size_t(kMaxTransformSize) * kMaxTransformSize)};
    TFftwBuffer<fftw_complex> Out{fftw_alloc_complex(std::size_t(kMaxTransformSize) * (kMaxTransformSize / 2 + 1))};
    std::vector<double> Samples;
    std::vector<double> Sums;
};

TScratch &Scratch()
{
    thread_local TScratch scratch;
    if (!scratch.In || !scratch.Out)
        throw std::bad_alloc();
    return scratch;
}

// A transform of one size: its plan and the radial bin of every coefficient.
struct TTransform {
    int Size = 0;
    fftw_plan Plan = nullptr;
    std::vector<std::uint16_t> Bins; // Size / 2 + 1: beyond the last radial bin
    std::vector<double> Counts;      // coefficients per bin
};

TTransform MakeTransform(int n, TScratch &scratch)
{
    TTransform t;
    t.Size = n;
    t.Plan = fftw_plan_dft_r2c_2d(n, n, scratch.In.get(), scratch.Out.get(), FFTW_ESTIMATE);
    const int halfWidth = n / 2 + 1;
    t.Bins.resize(std::size_t(n) * halfWidth);
    t.Counts.assign(std::size_t(halfWidth), 0.0);
    for (int ky = 0; ky < n; ++ky) {
        const double fy = ky <= n / 2 ? ky : ky - n;
        for (int kx = 0; kx < halfWidth; ++kx) {
            const auto k = std::min<long>(halfWidth, std::lround(std::sqrt(fy * fy + double(kx) * kx)));
            t.Bins[std::size_t(ky) * halfWidth + kx] = std::uint16_t(k);
            if (k < halfWidth)
                t.Counts[std::size_t(k)] += 1;
        }
    }
    return t;
}

// Transforms per size, made once: the planner is not thread-safe, running a
// plan on other (equally aligned) buffers is.
class TTransformCache {
public:
    ~TTransformCache()
    {
        for (auto &[size, transform] : m_transforms)
            fftw_destroy_plan(transform.Plan);
    }
    const TTransform &Get(int size, TScratch &scratch)
    {
        const std::lock_guard lock(m_mutex);
        auto it = m_transforms.find(size);
        if (it == m_transforms.end())
            it = m_transforms.emplace(size, MakeTransform(size, scratch)).first;
        return it->second;
    }

private:
    std::mutex m_mutex;
    std::map<int, TTransform> m_transforms;
};

TTransformCache &Transforms()
{
    static TTransformCache cache;
    return cache;
}

// Hann weights of a run of n samples.
std::vector<double> HannWindow(int n)
{
    std::vector<double> w(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        w[std::size_t(i)] = 0.5 * (1.0 - std::cos(2.0 * kPi * (i + 0.5) / n));
    return w;
}

// The samples minus their local mean (a box of about kFlatteningWindow pixels,
// shrunk at the edges), Hann-windowed, written at the top-left of the
// size x size transform input (the rest zero). False when the flattened
// samples vary by less than kMinContrast grey levels (root mean square).
bool PrepareInput(const TSamples &samples, int step, int size, std::vector<double> &sums, double *in)
{
    const int h = samples.Rows, w = samples.Cols, half = kFlatteningWindow / (2 * step);
    // Integral image with a zero first row and column.
    sums.assign(std::size_t(h + 1) * (w + 1), 0.0);
    const auto at = [&](int r, int c) -> double & { return sums[std::size_t(r) * (w + 1) + c]; };
    for (int r = 0; r < h; ++r) {
        double rowSum = 0;
        for (int c = 0; c < w; ++c) {
            rowSum += samples.at(r, c);
            at(r + 1, c + 1) = at(r, c + 1) + rowSum;
        }
    }
    const std::vector<double> hannRows = HannWindow(h), hannCols = HannWindow(w);
    std::fill(in, in + std::size_t(size) * size, 0.0);
    double squares = 0;
    for (int r = 0; r < h; ++r) {
        const int r0 = std::max(0, r - half), r1 = std::min(h, r + half + 1);
        double *dst = in + std::size_t(r) * size;
        for (int c = 0; c < w; ++c) {
            const int c0 = std::max(0, c - half), c1 = std::min(w, c + half + 1);
            const double mean = (at(r1, c1) - at(r0, c1) - at(r1, c0) + at(r0, c0)) / ((r1 - r0) * (c1 - c0));
            const double flattened = samples.at(r, c) - mean;
            squares += flattened * flattened;
            dst[c] = flattened * hannRows[std::size_t(r)] * hannCols[std::size_t(c)];
        }
    }
    return squares >= kMinContrast * kMinContrast * h * w;
}

TRadialSpectrum Spectrum(const TGrayFrame &gray, const TPatch &patch)
{
    TRadialSpectrum spectrum;
    // Regions wider than the transform are sampled every other pixel: the
    // plausible rings lie below a quarter of a cycle per pixel.
    const int step = std::max(patch.Height, patch.Width) > kMaxTransformSize ? 2 : 1;
    TScratch &scratch = Scratch();
    const TSamples samples = Sample(gray, patch, step, scratch.Samples);
    const int n = TransformSize(std::max(samples.Rows, samples.Cols));
    const TTransform &transform = Transforms().Get(n, scratch);
    if (!PrepareInput(samples, step, n, scratch.Sums, scratch.In.get()))
        return spectrum;
    fftw_execute_dft_r2c(transform.Plan, scratch.In.get(), scratch.Out.get());

    spectrum.Size = n;
    spectrum.Step = step;
    const std::size_t bins = std::size_t(n / 2 + 1);
    std::vector<double> power(bins + 1, 0.0); // the last entry gathers what lies beyond
    const fftw_complex *out = scratch.Out.get();
    for (std::size_t i = 0; i < transform.Bins.size(); ++i)
        power[transform.Bins[i]] += out[i][0] * out[i][0] + out[i][1] * out[i][1];
    power.resize(bins);
    for (std::size_t k = 0; k < bins; ++k)
        power[k] /= transform.Counts[k];
    spectrum.Power = std::move(power);
    return spectrum;
}

// Linear interpolation of values at a fractional index inside the range.
double ValueAt(const std::vector<double> &values, double x)
{
    const auto i = std::size_t(std::floor(x));
    if (i + 1 >= values.size())
        return values.back();
    const double t = x - double(i);
    return values[i] * (1 - t) + values[i + 1] * t;
}

struct TRing {
    double Bin = 0;        // fractional bin of the ring
    double Confidence = 0; // 1 - flank / peak
};

// The ring of the peak at bin k (a local maximum with two positive neighbours):
// its position between bins from a parabola through the logarithms (exact for
// a Gaussian ring) and how clearly it stands above its flanks.
std::optional<TRing> RingAt(const std::vector<double> &weighted, int k, int last)
{
    const double top = weighted[std::size_t(k)];
    const double below = weighted[std::size_t(k - 1)], above = weighted[std::size_t(k + 1)];
    if (!(below > 0) || !(above > 0))
        return std::nullopt;
    const double lb = std::log(below), lt = std::log(top), la = std::log(above);
    const double curvature = lb - 2 * lt + la;
    TRing ring;
    ring.Bin = k + (curvature < 0 ? 0.5 * (lb - la) / curvature : 0.0);
    const double flank = std::max(ValueAt(weighted, ring.Bin / kFlankRatio),
                                  ValueAt(weighted, std::min<double>(last, ring.Bin * kFlankRatio)));
    ring.Confidence = std::clamp(1.0 - flank / top, 0.0, 1.0);
    return ring;
}

} // namespace

TRadialSpectrum RadialPowerSpectrum(const TGrayFrame &gray, const TRect &roi)
{
    const std::optional<TPatch> patch = PatchOf(roi);
    return patch ? Spectrum(gray, *patch) : TRadialSpectrum{};
}

std::optional<TCellSpacing> EstimateCellSpacing(const TGrayFrame &gray, const TRect &roi)
{
    const TRadialSpectrum spectrum = RadialPowerSpectrum(gray, roi);
    if (spectrum.Size == 0)
        return std::nullopt;
    // Bin k lies at k / (Size x Step) cycles per frame pixel.
    const double n = double(spectrum.Size) * spectrum.Step;
    std::vector<double> weighted(spectrum.Power.size());
    for (std::size_t k = 0; k < weighted.size(); ++k)
        weighted[k] = double(k) * double(k) * spectrum.Power[k];

    // Peaks are sought in a band a little wider than the plausible one, so that
    // a ring just inside the band still shows as a peak with two neighbours.
    const int last = int(weighted.size()) - 2;
    const int lo = std::max(2, int(std::floor(kRingFactor / kMaxCellSpacing * n / kFlankRatio)));
    const int hi = std::min(last, int(std::ceil(kRingFactor / kMinCellSpacing * n * kFlankRatio)));
    if (lo >= hi)
        return std::nullopt;
    const auto strongest = std::max_element(weighted.begin() + lo, weighted.begin() + hi + 1);
    const int highest = int(strongest - weighted.begin());
    if (!(*strongest > 0) || highest == lo || highest == hi)
        return std::nullopt;
    std::optional<TRing> ring = RingAt(weighted, highest, last);
    // Sharp regular mosaics have outer rings as strong as the first: a clear
    // peak below the strongest that reaches half of it is the first ring.
    for (int k = lo + 1; k < highest; ++k) {
        const double v = weighted[std::size_t(k)];
        if (v < kFirstRingShare * *strongest || v < weighted[std::size_t(k - 1)] || v <= weighted[std::size_t(k + 1)])
            continue;
        const std::optional<TRing> lower = RingAt(weighted, k, last);
        if (lower && lower->Confidence >= kFirstRingConfidence) {
            ring = lower;
            break;
        }
    }
    if (!ring)
        return std::nullopt;
    TCellSpacing estimate;
    estimate.SpacingPx = kRingFactor * n / ring->Bin;
    estimate.Confidence = ring->Confidence;
    if (estimate.SpacingPx < kMinCellSpacing || estimate.SpacingPx > kMaxCellSpacing
        || estimate.Confidence < kMinSpacingConfidence)
        return std::nullopt;
    return estimate;
}

} // namespace cornix
