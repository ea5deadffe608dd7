#include "CornixProcessing.h"

#include "AnalysisDispatch.h"
#include "BandPipeline.h"
#include "Numbers.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

// How the passes are made fast without changing a bit of their results.
//
// Smoothing and Laplacian sum in extended precision (x87 long double, 64-bit
// mantissa) and stay on the x87 unit, with the additions of each pixel in the
// original order: the in-place passes run several rows at once in a skewed
// wavefront, the other passes roll their column sums along the row. (Summing
// exactly in integers where the values allow it was measured slower: the
// frames' large dark areas hold values far below 1 and the integer path's
// conversions cost more than the x87 additions they save.)
//
// The other passes are plain loops that the compiler vectorises, built twice
// (baseline and AVX2, see AnalysisDispatch.h) with the same operations per
// pixel. The speckle pass works on a mask known to hold only 0 and 255
// (checked), where the order of its in-place scan provably does not matter.

namespace cornix {

namespace {

constexpr int kLastRow = kFrameHeight - 1;
constexpr int kLastCol = kFrameWidth - 1;
constexpr double kMaskOn = 255.0;

// Smoothing weights: corners, edges, centre. They sum to 0.9956..., so every
// pass darkens the plane slightly; that is part of the tuned response.
constexpr long double kCornerWeight = 449.0L / 5500.0L;
constexpr long double kEdgeWeight = 67.0L / 550.0L;
constexpr long double kCentreWeight = 2.0L / 11.0L;

// --- The original arithmetic, pixel by pixel (also the fallback) ----------------

inline long double columnSum(const double *above, const double *below, int c)
{
    return (long double)above[c] + below[c];
}

inline long double smoothed(long double corners, long double edges, double centre)
{
    return kCornerWeight * corners + kCentreWeight * centre + kEdgeWeight * edges;
}

// One smoothed pixel exactly as the pass defines it: corners are
// (above-left + below-left) + (above-right + below-right), edges are
// ((above + below) + left) + right.
inline double smoothPixel(const double *above, const double *row, const double *below, int c)
{
    const long double corners = columnSum(above, below, c - 1) + columnSum(above, below, c + 1);
    const long double edges = columnSum(above, below, c) + row[c - 1] + row[c + 1];
    return double(smoothed(corners, edges, row[c]));
}

} // namespace

void GrayFromRgb24(const std::uint8_t *bits, int width, int height, std::ptrdiff_t bytesPerLine,
                   TGrayFrame &gray)
{
    gray = {};
    if (bits == nullptr || width <= 0 || height <= 0)
        return;
    const int rows = std::min(height, kFrameHeight);
    const int cols = std::min(width, kFrameWidth);
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t *pixel = bits + r * bytesPerLine;
        for (int c = 0; c < cols; ++c, pixel += 3) {
            const int sum = pixel[0] + pixel[1] + pixel[2];
            // sum / 3 is never an exact half, so this is the nearest integer.
            gray[r][c] = static_cast<std::uint8_t>((sum + 1) / 3);
        }
    }
}


namespace {

// --- Grey frame to doubles -----------------------------------------------------------

CORNIX_KERNEL_BODY void grayToPlaneBody(const TGrayFrame &gray, TDoublePlane &plane)
{
    const std::uint8_t *in = gray[0].data();
    double *out = plane[0].data();
    for (int i = 0; i < kFramePixels; ++i)
        out[i] = in[i];
}

// --- Contrast stretch -------------------------------------------------------------------

CORNIX_KERNEL_BODY void stretchBody(TDoublePlane &plane, double lo, double hi, double scale)
{
    double *v = plane[0].data();
    for (int i = 0; i < kFramePixels; ++i) {
        double x = v[i];
        x = x < lo ? lo : x;
        x = x > hi ? hi : x;
        v[i] = (x - lo) * scale;
    }
}

} // namespace

CORNIX_DISPATCH(void, GrayToPlane, (const TGrayFrame &gray, TDoublePlane &plane), grayToPlaneBody, (gray, plane))

namespace {
CORNIX_DISPATCH(void, stretchPlane, (TDoublePlane & plane, double lo, double hi, double scale), stretchBody,
                (plane, lo, hi, scale))
} // namespace

bool ContrastStretch(TDoublePlane &plane, const TRect &roi)
{
    constexpr int kGrow = 8;
    const TRect window = NormalizedRect(roi);
    // Grow in 64 bits, then clip: the window never reads outside the frame.
    const int top = int(std::clamp<std::int64_t>(std::int64_t(window.Top) - kGrow, 0, kLastRow + 1));
    const int bottom = int(std::clamp<std::int64_t>(std::int64_t(window.Bottom) + kGrow, -1, kLastRow));
    const int left = int(std::clamp<std::int64_t>(std::int64_t(window.Left) - kGrow, 0, kLastCol + 1));
    const int right = int(std::clamp<std::int64_t>(std::int64_t(window.Right) + kGrow, -1, kLastCol));

    // Scanned in order: with signed zeros the first of equal extremes is kept.
    double lo = 255.0;
    double hi = 0.0;
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c) {
            const double v = plane[r][c];
            if (v < lo)
                lo = v;
            if (v > hi)
                hi = v;
        }
    if (!(hi > lo))
        return false; // flat or empty window: nothing to stretch

    stretchPlane(plane, lo, hi, 255.0 / (hi - lo));
    return true;
}

namespace {

// --- Smoothing: the first pass, from src into dst --------------------------------------

// A row of the first pass: the sums of column pairs above + below roll along
// the row (corners = v(c-1) + v(c+1), edges = v(c) + left + right).
void smoothRow(const double *above, const double *row, const double *below, double *out)
{
    long double previous = columnSum(above, below, 0);
    long double current = columnSum(above, below, 1);
    for (int c = 1; c < kLastCol; ++c) {
        const long double next = columnSum(above, below, c + 1);
        out[c] = double(smoothed(previous + next, current + row[c - 1] + row[c + 1], row[c]));
        previous = current;
        current = next;
    }
}

} // namespace

void Smooth(const TDoublePlane &src, TDoublePlane &dst)
{
    for (int r = 1; r < kLastRow; ++r)
        smoothRow(src[r - 1].data(), src[r].data(), src[r + 1].data(), dst[r].data());
}

// --- Smoothing in place ---------------------------------------------------------------------
//
// Rows go in bands of kBandRows; within a band, row i runs two columns behind
// row i - 1, so each pixel still sees the updated pixels above it and to its
// left and the original ones below and to its right, while the rows'
// dependency chains overlap in the processor. The sums stay on the x87 (the
// left neighbour, just computed, is in every pixel's sum).

namespace {

constexpr int kBandRows = 4;
constexpr int kBandLag = 2;

template <int Rows>
void smoothBandInPlace(TDoublePlane &plane, int first)
{
    double *rows[Rows + 2];
    for (int i = 0; i < Rows + 2; ++i)
        rows[i] = plane[first - 1 + i].data();
    auto pixel = [&rows](int i, int c) { rows[i + 1][c] = smoothPixel(rows[i], rows[i + 1], rows[i + 2], c); };
    constexpr int kSteadyFrom = kBandLag * (Rows - 1); // every row has a pixel from here
    constexpr int kSteadyTo = kFrameWidth - 3;          // ... to here
    constexpr int kLastStep = kSteadyTo + kBandLag * (Rows - 1);
    int step = 0;
    for (; step < kSteadyFrom; ++step)
        for (int i = 0; i < Rows; ++i)
            if (const int c = 1 + step - kBandLag * i; c >= 1)
                pixel(i, c);
    for (; step <= kSteadyTo; ++step)
        for (int i = 0; i < Rows; ++i)
            pixel(i, 1 + step - kBandLag * i);
    for (; step <= kLastStep; ++step)
        for (int i = 0; i < Rows; ++i)
            if (const int c = 1 + step - kBandLag * i; c <= kFrameWidth - 2)
                pixel(i, c);
}

constexpr int kInteriorRows = kFrameHeight - 2;
constexpr int kBands = (kInteriorRows + kBandRows - 1) / kBandRows;
constexpr int kLastBandRows = kInteriorRows - kBandRows * (kBands - 1);

int bandFirstRow(int band) { return 1 + kBandRows * band; }
int bandRowCount(int band) { return std::min(kBandRows, kLastRow - bandFirstRow(band)); }

void smoothBand(const TDoublePlane &src, TDoublePlane &dst, int band)
{
    const int first = bandFirstRow(band);
    for (int r = first; r < first + bandRowCount(band); ++r)
        smoothRow(src[r - 1].data(), src[r].data(), src[r + 1].data(), dst[r].data());
}

void smoothBandInPlaceAt(TDoublePlane &plane, int band)
{
    if (band < kBands - 1)
        smoothBandInPlace<kBandRows>(plane, bandFirstRow(band));
    else
        smoothBandInPlace<kLastBandRows>(plane, bandFirstRow(band));
}

} // namespace

void SmoothInPlace(TDoublePlane &plane)
{
    for (int band = 0; band < kBands; ++band)
        smoothBandInPlaceAt(plane, band);
}

// --- Laplacian ----------------------------------------------------------------------------------

namespace {

void laplacianRow(const double *above, const double *row, const double *below, double *out)
{
    long double previous = columnSum(above, below, 0);
    long double current = columnSum(above, below, 1);
    for (int c = 1; c < kLastCol; ++c) {
        const long double next = columnSum(above, below, c + 1);
        const long double corners = previous + next;
        const long double edges = current + row[c - 1] + row[c + 1];
        out[c] = double(corners + 2.0L * edges - 12.0L * row[c]);
        previous = current;
        current = next;
    }
}

} // namespace

void Laplacian(const TDoublePlane &src, TDoublePlane &dst)
{
    for (int r = 1; r < kLastRow; ++r)
        laplacianRow(src[r - 1].data(), src[r].data(), src[r + 1].data(), dst[r].data());
}

// --- Smoothing passes and Laplacian, pipelined ---------------------------------------------

namespace {

// The share of bands, from the top, whose Laplacian the thread of the last pass makes.
constexpr int kUpperLaplacianPercent = 60;

void laplacianBand(const TDoublePlane &src, TDoublePlane &dst, int band)
{
    const int first = bandFirstRow(band);
    for (int r = first; r < first + bandRowCount(band); ++r)
        laplacianRow(src[r - 1].data(), src[r].data(), src[r + 1].data(), dst[r].data());
}

} // namespace

void SmoothAndLaplacian(const TDoublePlane &source, TDoublePlane &smoothed, std::int32_t passes,
                        TDoublePlane &response, const TResponseRows &made)
{
    const int inPlacePasses = std::max(passes, 0);
    // The Laplacian of the upper bands follows each band's last pass at once on
    // the thread that ran it; the calling thread makes the rest, and hands out
    // every band in order, when it is done with its passes.
    const int upperLaplacianStage = 1 + inPlacePasses;
    const int lastStage = upperLaplacianStage + 1;
    // This thread: the first pass and half the others, then the last stage; the
    // other thread: the remaining passes and the upper Laplacian. The share of
    // the upper bands evens out the two threads' work.
    const TBandPipelineSplit split{1 + inPlacePasses / 2, lastStage};
    const int upperBands = kBands * kUpperLaplacianPercent / 100;
    RunBandPipeline(lastStage + 1, kBands, split, [&](int stage, int band) {
        const bool upper = band < upperBands;
        if (stage == 0)
            smoothBand(source, smoothed, band);
        else if (stage == upperLaplacianStage) {
            if (upper)
                laplacianBand(smoothed, response, band);
        } else if (stage == lastStage) {
            if (!upper)
                laplacianBand(smoothed, response, band);
            if (made)
                made(bandFirstRow(band), bandRowCount(band));
        } else
            smoothBandInPlaceAt(smoothed, band);
    });
}

// --- Threshold, border, speckles -------------------------------------------------------------------

namespace {

CORNIX_KERNEL_BODY void thresholdBody(const TDoublePlane &response, TDoublePlane &mask, double threshold, int first,
                                      int last)
{
    for (int r = first; r < last; ++r) {
        const double *in = response[r].data();
        double *out = mask[r].data();
        for (int c = 1; c < kLastCol; ++c)
            out[c] = in[c] <= threshold ? kMaskOn : 0.0;
    }
}

// True when every value of the plane is +0 or 255.
CORNIX_KERNEL_BODY bool isBinaryMaskBody(const TDoublePlane &mask)
{
    const std::uint64_t *v = reinterpret_cast<const std::uint64_t *>(mask[0].data());
    const std::uint64_t on = std::bit_cast<std::uint64_t>(kMaskOn);
    std::uint64_t other = 0;
    for (int i = 0; i < kFramePixels; ++i)
        other |= (v[i] != 0) & (v[i] != on);
    return other == 0;
}

// Speckle removal on a 0/255 plane. A pixel is removed when it and its four
// edge neighbours hold at most one 255, i.e. when it is an isolated 255. An
// isolated pixel has no 255 neighbour, so removing it never changes another
// pixel's outcome: the result is the same whether the neighbours are read
// before or after their own update, and each row is computed from the
// original rows around it.
CORNIX_KERNEL_BODY void removeSpecklesRowBody(const double *__restrict previous, const double *__restrict current,
                                              const double *__restrict below, double *__restrict row)
{
    for (int c = 1; c < kLastCol; ++c) {
        // Exact: at most four 255s.
        const double neighbours = previous[c] + current[c - 1] + current[c + 1] + below[c];
        const double here = current[c]; // read either way: the select vectorises
        row[c] = neighbours != 0.0 ? here : 0.0;
    }
}

CORNIX_KERNEL_BODY void removeSpecklesBinaryBody(TDoublePlane &mask)
{
    double previous[kFrameWidth]; // row r - 1 before its update
    double current[kFrameWidth];
    std::memcpy(previous, mask[0].data(), sizeof previous);
    for (int r = 1; r < kLastRow; ++r) {
        std::memcpy(current, mask[r].data(), sizeof current);
        removeSpecklesRowBody(previous, current, mask[r + 1].data(), mask[r].data());
        std::memcpy(previous, current, sizeof previous);
    }
}

CORNIX_DISPATCH(void, thresholdMask,
                (const TDoublePlane &response, TDoublePlane &mask, double threshold, int first, int last),
                thresholdBody, (response, mask, threshold, first, last))
CORNIX_DISPATCH(bool, isBinaryMask, (const TDoublePlane &mask), isBinaryMaskBody, (mask))
CORNIX_DISPATCH(void, removeSpecklesBinary, (TDoublePlane & mask), removeSpecklesBinaryBody, (mask))
CORNIX_DISPATCH(void, removeSpecklesRow, (const double *previous, const double *current, const double *below, double *row),
                removeSpecklesRowBody, (previous, current, below, row))

} // namespace

void ThresholdMask(const TDoublePlane &response, TDoublePlane &mask, double threshold)
{
    thresholdMask(response, mask, threshold, 1, kLastRow);
}

void ClearBorder(TDoublePlane &mask, int margin)
{
    margin = std::clamp(margin, 0, kFrameHeight / 2 - 1);
    for (int r = 0; r <= margin; ++r) {
        mask[r].fill(0.0);
        mask[kLastRow - r].fill(0.0);
    }
    for (auto &row : mask)
        for (int c = 0; c <= margin; ++c) {
            row[c] = 0.0;
            row[kLastCol - c] = 0.0;
        }
}

void RemoveSpeckles(TDoublePlane &mask)
{
    if (isBinaryMask(mask)) {
        removeSpecklesBinary(mask);
        return;
    }
    // Any other values: the pass as defined, summed in this order, in place.
    for (int r = 1; r < kLastRow; ++r)
        for (int c = 1; c < kLastCol; ++c) {
            const double sum = mask[r][c] + mask[r - 1][c] + mask[r][c - 1] + mask[r][c + 1] + mask[r + 1][c];
            if (sum < 510.0)
                mask[r][c] = 0.0;
        }
}

// --- The mask band by band --------------------------------------------------------------------------

namespace {

// What ClearBorder(mask, margin) does to one row.
void clearBorderOfRow(TDoublePlane &mask, int row, int margin)
{
    if (row <= margin || row >= kLastRow - margin) {
        mask[row].fill(0.0);
        return;
    }
    std::fill_n(mask[row].begin(), margin + 1, 0.0);
    std::fill_n(mask[row].end() - (margin + 1), margin + 1, 0.0);
}

} // namespace

TMaskBuilder::TMaskBuilder(TDoublePlane &mask, double threshold, int margin)
    : m_mask(mask), m_threshold(threshold), m_margin(std::clamp(margin, 0, kFrameHeight / 2 - 1))
{
    m_mask[0].fill(0.0);
    m_mask[kLastRow].fill(0.0);
    m_before[m_above].fill(0.0); // row 0 as it was before speckles
}

TRowSpan TMaskBuilder::ResponseRows(const TDoublePlane &response, int firstRow, int rows)
{
    const int first = std::max({firstRow, 1, m_bordered + 1});
    const int end = std::min(firstRow + std::max(rows, 0), int(kLastRow));
    if (first >= end)
        return TRowSpan{m_speckled + 1, m_speckled + 1};
    thresholdMask(response, m_mask, m_threshold, first, end);
    for (int r = first; r < end; ++r)
        clearBorderOfRow(m_mask, r, m_margin);
    m_bordered = end - 1;
    // A row loses its speckles once the row below it is bordered.
    return removeSpecklesUpTo(m_bordered - 1);
}

TRowSpan TMaskBuilder::Finish(const TDoublePlane &response)
{
    const int first = m_speckled + 1; // the rows not handed out yet
    ResponseRows(response, m_bordered + 1, kLastRow - 1 - m_bordered);
    removeSpecklesUpTo(kLastRow - 1);
    return TRowSpan{first, kLastRow};
}

TRowSpan TMaskBuilder::removeSpecklesUpTo(int lastRow)
{
    const int first = m_speckled + 1;
    for (int r = first; r <= lastRow; ++r) {
        // The row as it was goes into the other buffer, which then holds the row above.
        double *above = m_before[m_above].data();
        double *current = m_before[1 - m_above].data();
        std::memcpy(current, m_mask[r].data(), sizeof m_before[0]);
        removeSpecklesRow(above, current, m_mask[r + 1].data(), m_mask[r].data());
        m_above = 1 - m_above;
    }
    m_speckled = std::max(m_speckled, lastRow);
    return TRowSpan{first, m_speckled + 1};
}

// --- Labelling --------------------------------------------------------------------------------------

namespace {

// The first column >= c of an interior row whose mask is 255 and label 0, or kLastCol.
inline int nextSeed(const double *mask, const double *labels, int c)
{
    for (; c < kLastCol; ++c)
        if (mask[c] == kMaskOn && labels[c] == 0.0)
            return c;
    return kLastCol;
}

} // namespace

int LabelRegions(const TDoublePlane &mask, TDoublePlane &labels, TCellTable &cells, int maxRegions,
                 std::vector<std::int32_t> &stack)
{
    maxRegions = std::clamp(maxRegions, 0, kMaxCells - 1);
    const double *maskData = mask[0].data();
    double *labelData = labels[0].data();
    auto fillable = [&](int index) { return maskData[index] == kMaskOn && labelData[index] == 0.0; };
    int count = 0;
    for (int r = 1; r < kLastRow; ++r) {
        const double *maskRow = maskData + r * kFrameWidth;
        const double *labelRow = labelData + r * kFrameWidth;
        for (int c = nextSeed(maskRow, labelRow, 1); c < kLastCol; c = nextSeed(maskRow, labelRow, c + 1)) {
            if (++count > maxRegions)
                return count; // the result is discarded anyway
            // The 4-connected region, a horizontal run at a time: a run is
            // labelled and counted, then one seed per run of fillable pixels
            // directly above and below it is queued. The sums do not depend on
            // the order in which the pixels are reached.
            TCellRec &cell = cells[count];
            const double label = count;
            stack.clear();
            stack.push_back(r * kFrameWidth + c);
            while (!stack.empty()) {
                const int index = stack.back();
                stack.pop_back();
                if (!fillable(index))
                    continue;
                const int row = index / kFrameWidth;
                const int rowStart = row * kFrameWidth;
                int first = index;
                while (first - 1 > rowStart && fillable(first - 1))
                    --first;
                int last = index;
                while (last + 1 < rowStart + kLastCol && fillable(last + 1))
                    ++last;
                const int firstCol = first - rowStart;
                const int lastCol = last - rowStart;
                const int length = lastCol - firstCol + 1;
                std::fill(labelData + first, labelData + last + 1, label);
                cell.Row += row * length;
                cell.Col += (firstCol + lastCol) * length / 2;
                cell.PixelCount += length;
                for (const int neighbourRow : {row - 1, row + 1}) {
                    if (neighbourRow < 1 || neighbourRow > kLastRow - 1)
                        continue;
                    const int offset = (neighbourRow - row) * kFrameWidth;
                    for (int at = first + offset; at <= last + offset; ++at) {
                        if (!fillable(at))
                            continue;
                        stack.push_back(at);
                        while (at + 1 <= last + offset && fillable(at + 1))
                            ++at;
                    }
                }
            }
        }
    }
    return count;
}

void ComputeCentres(TCellTable &cells, int count)
{
    count = std::clamp(count, 0, kMaxCells);
    for (int k = 1; k <= count; ++k) {
        TCellRec &cell = cells[k];
        if (cell.PixelCount == 0)
            cell.PixelCount = 1;
        cell.Row = std::int32_t(RoundHalfEven(double(cell.Row) / cell.PixelCount));
        cell.Col = std::int32_t(RoundHalfEven(double(cell.Col) / cell.PixelCount));
    }
}

namespace {

// Hoare partition around the middle entry's Row. The smaller part is sorted by
// recursion and the larger by the loop; the parts are disjoint, so the result
// is the one of the plain doubly recursive procedure, with a bounded depth.
void quickSortByRow(TCellTable &cells, int lo, int hi)
{
    while (lo < hi) {
        int i = lo;
        int j = hi;
        const std::int32_t pivot = cells[(lo + hi) / 2].Row;
        do {
            while (cells[i].Row < pivot)
                ++i;
            while (cells[j].Row > pivot)
                --j;
            if (i <= j) {
                std::swap(cells[i], cells[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            if (lo < j)
                quickSortByRow(cells, lo, j);
            lo = i;
        } else {
            if (i < hi)
                quickSortByRow(cells, i, hi);
            hi = j;
        }
    }
}

} // namespace

void SortCellsByRow(TCellTable &cells, int count)
{
    count = std::clamp(count, 0, kMaxCells);
    if (count >= 2)
        quickSortByRow(cells, 1, count);
}

} // namespace cornix
