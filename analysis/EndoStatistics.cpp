#include "EndoStatistics.h"

#include "AnalysisDispatch.h"
#include "Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
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

namespace {

// The window means are rounded ties-to-even and compared with fixed limits; as
// the rounded mean never decreases with the sum, each comparison is one of
// the ten-pixel sum (0..2550) with a limit found once from the rounding itself.
struct TPachymetryLimits {
    int DarkBelow40 = 0;    // largest sum whose rounded mean is < 40
    int DarkBelow100 = 0;   // largest sum whose rounded mean is < 100
    int BrightAbove220 = 0; // smallest sum whose rounded mean is > 220
    int BrightAbove100 = 0; // smallest sum whose rounded mean is > 100
};

const TPachymetryLimits &pachymetryLimits()
{
    static const TPachymetryLimits limits = [] {
        TPachymetryLimits l;
        for (int sum = 0; sum <= 2550; ++sum) {
            const std::int64_t mean = RoundHalfEven(sum / 10.0);
            if (mean < 40)
                l.DarkBelow40 = sum;
            if (mean < 100)
                l.DarkBelow100 = sum;
        }
        for (int sum = 2550; sum >= 0; --sum) {
            const std::int64_t mean = RoundHalfEven(sum / 10.0);
            if (mean > 220)
                l.BrightAbove220 = sum;
            if (mean > 100)
                l.BrightAbove100 = sum;
        }
        return l;
    }();
    return limits;
}

constexpr int kPachyWindows = kFrameWidth - 20 + 1; // window starts 0..620
constexpr std::int16_t kLaneNumbers[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// Vectors of the votes' sums and of the grey levels, `lanes` windows wide.
template <int lanes>
struct TVoteVectors;
template <>
struct TVoteVectors<8> {
    using Lanes = std::int16_t __attribute__((vector_size(16)));
    using Bytes = std::uint8_t __attribute__((vector_size(8)));
};
template <>
struct TVoteVectors<16> {
    using Lanes = std::int16_t __attribute__((vector_size(32)));
    using Bytes = std::uint8_t __attribute__((vector_size(16)));
};

// Votes of rows 1..479 for the dark edge (ha) and the bright edge (hb) at
// column w + 9, window start w. The loop over the windows of a row has no
// dependency between windows and is vectorised, Lanes windows at a time: one
// register of the instruction set (the baseline code would take wider vectors
// apart lane by lane). The votes are integer counts, the same in any grouping.
template <int Lanes>
CORNIX_KERNEL_BODY void pachymetryVotesBody(const TGrayFrame &gray, const TPachymetryLimits &limits,
                                            std::int16_t *ha, std::int16_t *hb)
{
    using TVoteLanes = typename TVoteVectors<Lanes>::Lanes;
    using TBytes = typename TVoteVectors<Lanes>::Bytes;
    TVoteLanes laneIndex;
    std::memcpy(&laneIndex, kLaneNumbers, sizeof laneIndex);
    const std::int16_t darkM = std::int16_t(limits.DarkBelow40);
    const std::int16_t darkO = std::int16_t(limits.DarkBelow100);
    const std::int16_t brightO = std::int16_t(limits.BrightAbove220);
    const std::int16_t brightM = std::int16_t(limits.BrightAbove100);
    for (int r = 1; r < kFrameHeight; ++r) {
        const std::uint8_t *g = gray[std::size_t(r)].data();
        // sums[x] = g[x] + ... + g[x + 9]
        std::int16_t sums[kFrameWidth - 9];
        std::int16_t sum = 0;
        for (int c = 0; c < 10; ++c)
            sum = std::int16_t(sum + g[c]);
        sums[0] = sum;
        for (int x = 1; x < kFrameWidth - 9; ++x) {
            sum = std::int16_t(sum + g[x + 9] - g[x - 1]);
            sums[x] = sum;
        }
        // The last block overlaps the one before.
        for (int block = 0; block < kPachyWindows; block += Lanes) {
            const int w = std::min(block, kPachyWindows - Lanes);
            TVoteLanes m, o;
            TBytes a8, b8;
            std::memcpy(&m, sums + w, sizeof m);
            std::memcpy(&o, sums + w + 10, sizeof o);
            std::memcpy(&a8, g + w + 9, sizeof a8);
            std::memcpy(&b8, g + w + 10, sizeof b8);
            const TVoteLanes a = __builtin_convertvector(a8, TVoteLanes);
            const TVoteLanes b = __builtin_convertvector(b8, TVoteLanes);
            const TVoteLanes difference = a > b ? a - b : b - a;
            const TVoteLanes steep = ((difference * 10) & 0xFF) > 20; // 10 x |G[c] - G[c+1]| in 8 bits
            const TVoteLanes dark = steep & (m <= darkM) & (o <= darkO);     // -1 where it votes
            const TVoteLanes bright = steep & (o >= brightO) & (m >= brightM);
            // A window of an overlapping block must not vote twice.
            const TVoteLanes fresh = laneIndex >= TVoteLanes{} + std::int16_t(block - w);
            TVoteLanes votesA, votesB;
            std::memcpy(&votesA, ha + w, sizeof votesA);
            std::memcpy(&votesB, hb + w, sizeof votesB);
            votesA -= dark & fresh;
            votesB -= bright & fresh;
            std::memcpy(ha + w, &votesA, sizeof votesA);
            std::memcpy(hb + w, &votesB, sizeof votesB);
        }
    }
}

CORNIX_DISPATCH_EACH(void, pachymetryVotes,
                     (const TGrayFrame &gray, const TPachymetryLimits &limits, std::int16_t *ha, std::int16_t *hb),
                     pachymetryVotesBody<8>, pachymetryVotesBody<16>, (gray, limits, ha, hb))

// The first column with the most votes (0 when none).
int firstLargest(const std::int16_t *votes)
{
    int best = 0;
    for (int w = 0; w < kPachyWindows; ++w)
        if (votes[w] > votes[best])
            best = w;
    return votes[best] > 0 ? best + 9 : 0;
}

} // namespace

TPachymetry MeasurePachymetry(const TGrayFrame &gray)
{
    std::int16_t ha[kPachyWindows] = {};
    std::int16_t hb[kPachyWindows] = {};
    pachymetryVotes(gray, pachymetryLimits(), ha, hb);
    TPachymetry p;
    p.Left = firstLargest(ha);
    p.Right = firstLargest(hb);
    p.Width = p.Right - p.Left;
    return p;
}

TPachymetry MeasurePachymetry(const TGrayColumns &g)
{
    auto gray = std::make_unique_for_overwrite<TGrayFrame>();
    for (int c = 0; c < kFrameWidth; ++c)
        for (int r = 0; r < kFrameHeight; ++r)
            (*gray)[std::size_t(r)][std::size_t(c)] = g[std::size_t(c)][std::size_t(r)];
    return MeasurePachymetry(*gray);
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
