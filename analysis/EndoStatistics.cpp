#include "EndoStatistics.h"

#include "Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace cornix {
namespace {

bool strictlyInside(const TRegionRec &region, const TRect &roi)
{
    return roi.Top < region.Row && region.Row < roi.Bottom && roi.Left < region.Col && region.Col < roi.Right;
}

// An erased region (Area 0, centre stored as (0, 0)) is never a cell, even when a
// region of interest dragged past the frame's top-left corner holds (0, 0).
bool counts(const TRegionRec &region, const TRect &roi)
{
    return region.Area > 0 && strictlyInside(region, roi);
}

int sidesBin(std::int32_t sides)
{
    return (sides >= 4 && sides <= 7) ? sides - 4 : kSidesBins - 1;
}

// Bin 0 is >= 700 µm², bin 6 is < 200 µm².
int areaBin(double area)
{
    const std::int64_t a = RoundHalfEven(area);
    if (a >= 200 && a <= 699)
        return 6 - static_cast<int>(a / 100 - 1);
    return area > 699 ? 0 : kAreaBins - 1;
}

std::uint16_t increment(std::uint16_t value)
{
    return value == std::numeric_limits<std::uint16_t>::max() ? value : static_cast<std::uint16_t>(value + 1);
}

// Rounds a mean that must fit a 16-bit field (the mean of 16-bit values always does).
std::uint16_t roundedMean(std::uint64_t sum, std::uint32_t count)
{
    const std::int64_t mean = RoundHalfEven(static_cast<double>(sum) / count);
    return static_cast<std::uint16_t>(std::clamp<std::int64_t>(mean, 0, 65535));
}

} // namespace

void CalculateFrameStats(std::uint16_t n, double pixelToMM, const TRegionTable &regions, const TRect &roi,
                         TFrameStats &stats)
{
    const double micronsPerPixel = pixelToMM * 1000.0;
    const double squareMicronsPerPixel = micronsPerPixel * micronsPerPixel;

    stats = TFrameStats{};
    stats.MinArea = kNoCellMinArea;

    const int last = std::min<int>(n, kMaxCells);
    std::uint32_t pixelTotal = 0;
    double areaSum = 0;
    std::vector<double> areas;
    areas.reserve(static_cast<std::size_t>(last));
    for (int k = 1; k <= last; ++k) {
        const TRegionRec &region = regions[static_cast<std::size_t>(k)];
        if (!counts(region, roi))
            continue;
        const int sides = sidesBin(region.Sides);
        stats.SidesHist[static_cast<std::size_t>(sides)] = increment(stats.SidesHist[static_cast<std::size_t>(sides)]);
        pixelTotal += static_cast<std::uint32_t>(std::max(region.Area, 0));
        const double a = static_cast<double>(RoundHalfEven(region.Area * squareMicronsPerPixel));
        const int bin = areaBin(a);
        stats.AreaHist[static_cast<std::size_t>(bin)] = increment(stats.AreaHist[static_cast<std::size_t>(bin)]);
        stats.MaxArea = std::max(stats.MaxArea, a);
        stats.MinArea = std::min(stats.MinArea, a);
        areaSum += a;
        areas.push_back(a);
        stats.CellCount = increment(stats.CellCount);
    }
    if (stats.CellCount == 0)
        return;

    const double count = static_cast<double>(areas.size());
    stats.MeanArea = areaSum / count;
    double squares = 0;
    for (double a : areas)
        squares += (a - stats.MeanArea) * (a - stats.MeanArea);
    stats.AreaSD = std::sqrt(squares / count);
    stats.AnalysedArea = pixelToMM * pixelToMM * pixelTotal;
    if (!(stats.AnalysedArea > 0))
        throw EStatisticsError("analysed area is zero");
    const double density = count / stats.AnalysedArea;
    if (!(density < 65535.5))
        throw EStatisticsError("density beyond 65535 cells/mm2");
    stats.Density = static_cast<std::uint16_t>(RoundHalfEven(density));
    if (!(stats.MeanArea > 0))
        throw EStatisticsError("mean cell area is zero");
    stats.AreaCV = stats.AreaSD / stats.MeanArea;
}

TPachymetry MeasurePachymetry(const TGrayColumns &g)
{
    constexpr int width = kFrameWidth;
    constexpr int height = kFrameHeight;
    std::array<std::int32_t, width> ha{};
    std::array<std::int32_t, width> hb{};

    // Running sums of ten columns per row: window [w, w+9] and [w+10, w+19].
    for (int r = 1; r < height; ++r) {
        int left = 0, right = 0;
        for (int c = 0; c < 10; ++c) {
            left += g[c][r];
            right += g[c + 10][r];
        }
        for (int w = 0; w <= width - 20; ++w) {
            if (w > 0) {
                left += g[w + 9][r] - g[w - 1][r];
                right += g[w + 19][r] - g[w + 9][r];
            }
            const int c = w + 9; // 9..629, inside the gradient's columns 1..637
            const int gradient = (10 * std::abs(g[c][r] - g[c + 1][r])) & 0xFF;
            if (gradient <= 20)
                continue;
            const std::int64_t m = RoundHalfEven(left / 10.0);
            const std::int64_t o = RoundHalfEven(right / 10.0);
            if (m < 40 && o < 100)
                ++ha[c];
            if (o > 220 && m > 100)
                ++hb[c];
        }
    }
    auto firstLargest = [](const std::array<std::int32_t, width> &h) {
        int best = 0;
        for (int c = 1; c < width; ++c)
            if (h[c] > h[best])
                best = c;
        return best;
    };
    TPachymetry p;
    p.Left = firstLargest(ha);
    p.Right = firstLargest(hb);
    p.Width = p.Right - p.Left;
    return p;
}

std::uint16_t PachymetryMicrons(std::int32_t width, double pixelToPaq)
{
    const double microns = width * pixelToPaq;
    if (!(microns > 0))
        return 0;
    if (microns >= 65535.0)
        return 65535;
    return static_cast<std::uint16_t>(RoundHalfEven(microns));
}

double HexagonalPercent(const TSidesHist &sides, std::uint16_t cellCount)
{
    if (cellCount == 0)
        return 0;
    return static_cast<double>(sides[kHexagonalBin]) / cellCount * 100.0;
}

void TSummaryAccumulator::Add(const TFrameStats &frame, std::uint16_t pachymetryMicrons)
{
    ++m_frames;
    m_cellCount += frame.CellCount;
    for (int i = 0; i < kSidesBins; ++i)
        m_sides[static_cast<std::size_t>(i)] += frame.SidesHist[static_cast<std::size_t>(i)];
    m_density += frame.Density;
    for (int i = 0; i < kAreaBins; ++i)
        m_areas[static_cast<std::size_t>(i)] += frame.AreaHist[static_cast<std::size_t>(i)];
    m_pachymetry += pachymetryMicrons;
    m_maxArea += frame.MaxArea;
    m_minArea += frame.MinArea;
    m_meanArea += frame.MeanArea;
    m_analysedArea += frame.AnalysedArea;
    m_areaSD += frame.AreaSD;
    m_areaCV += frame.AreaCV;
}

TEndoStats TSummaryAccumulator::Result() const
{
    TEndoStats s;
    if (m_frames == 0)
        return s;
    s.FramesUsed = static_cast<std::uint16_t>(std::min<std::uint32_t>(m_frames, 65535));
    s.CellCount = roundedMean(m_cellCount, m_frames);
    for (std::size_t i = 0; i < s.SidesHist.size(); ++i)
        s.SidesHist[i] = roundedMean(m_sides[i], m_frames);
    s.Density = roundedMean(m_density, m_frames);
    for (std::size_t i = 0; i < s.AreaHist.size(); ++i)
        s.AreaHist[i] = roundedMean(m_areas[i], m_frames);
    s.Pachymetry = roundedMean(m_pachymetry, m_frames);
    const double frames = m_frames;
    s.MaxArea = m_maxArea / frames;
    s.MinArea = m_minArea / frames;
    s.MeanArea = m_meanArea / frames;
    s.AnalysedArea = m_analysedArea / frames;
    s.AreaSD = m_areaSD / frames;
    s.AreaCV = m_areaCV / frames;
    return s;
}

} // namespace cornix
