// The cell finder's passes and the neighbourhood matrix's Build exactly as they
// were written before they were optimised (straight loops, the definitions as
// the analysis states them), kept as the reference the optimised code must
// match bit for bit. Test code only.
#include "ReferenceKernels.h"

#include "Numbers.h"

#include <algorithm>
#include <utility>

namespace cornix::reference {

namespace {

constexpr int kLastRow = kFrameHeight - 1;
constexpr int kLastCol = kFrameWidth - 1;
constexpr double kMaskOn = 255.0;

// Smoothing weights: corners, edges, centre. They sum to 0.9956..., so every
// pass darkens the plane slightly; that is part of the tuned response.
constexpr long double kCornerWeight = 449.0L / 5500.0L;
constexpr long double kEdgeWeight = 67.0L / 550.0L;
constexpr long double kCentreWeight = 2.0L / 11.0L;

// The 3 x 3 sums are grouped by weight and built from column sums
// above + below that roll along the row (the passes dominate the finder's
// time): corners = v(c-1) + v(c+1), edges = v(c) + left + right.
inline long double columnSum(const double *above, const double *below, int c)
{
    return (long double)above[c] + below[c];
}

inline long double smoothed(long double corners, long double edges, double centre)
{
    return kCornerWeight * corners + kCentreWeight * centre + kEdgeWeight * edges;
}

// Rows per band of the in-place pass. Within a band, row i runs two columns
// behind row i - 1, so each pixel still sees the updated pixels above it and
// to its left and the original ones below and to its right, while the rows'
// dependency chains overlap in the processor.
constexpr int kBandRows = 4;
constexpr int kBandLag = 2;

void smoothBandInPlace(TDoublePlane &plane, int firstRow, int rows)
{
    // Column sums are recomputed here rather than rolled: keeping extended
    // values per band row would spill them to memory, which is slow.
    const int lastStep = (kFrameWidth - 3) + kBandLag * (rows - 1);
    for (int step = 0; step <= lastStep; ++step)
        for (int i = 0; i < rows; ++i) {
            const int c = 1 + step - kBandLag * i;
            if (c < 1 || c > kFrameWidth - 2)
                continue;
            const int r = firstRow + i;
            const double *above = plane[r - 1].data();
            double *row = plane[r].data();
            const double *below = plane[r + 1].data();
            const long double corners = columnSum(above, below, c - 1) + columnSum(above, below, c + 1);
            const long double edges = columnSum(above, below, c) + row[c - 1] + row[c + 1];
            row[c] = double(smoothed(corners, edges, row[c]));
        }
}

// Applies a 3x3 kernel with equal corner weights and equal edge weights from src
// into dst over the interior. The sums of the corner and edge neighbours are
// carried along the row in extended precision; combine(corners, edges, centre)
// gives the output value.
template <typename Combine>
void applySymmetricKernel(const TDoublePlane &src, TDoublePlane &dst, Combine combine)
{
    for (int r = 1; r < kLastRow; ++r) {
        const double *above = src[r - 1].data();
        const double *row = src[r].data();
        const double *below = src[r + 1].data();
        double *out = dst[r].data();
        long double previous = columnSum(above, below, 0);
        long double current = columnSum(above, below, 1);
        for (int c = 1; c < kLastCol; ++c) {
            const long double next = columnSum(above, below, c + 1);
            out[c] = double(combine(previous + next, current + row[c - 1] + row[c + 1], row[c]));
            previous = current;
            current = next;
        }
    }
}

bool isInterior(int row, int col)
{
    return row >= 1 && row <= kLastRow - 1 && col >= 1 && col <= kLastCol - 1;
}

} // namespace

void GrayToPlane(const TGrayFrame &gray, TDoublePlane &plane)
{
    for (int r = 0; r < kFrameHeight; ++r)
        for (int c = 0; c < kFrameWidth; ++c)
            plane[r][c] = gray[r][c];
}

bool ContrastStretch(TDoublePlane &plane, const TRect &roi)
{
    constexpr int kGrow = 8;
    const TRect window = NormalizedRect(roi);
    // Grow in 64 bits, then clip: the window never reads outside the frame.
    const int top = int(std::clamp<std::int64_t>(std::int64_t(window.Top) - kGrow, 0, kLastRow + 1));
    const int bottom = int(std::clamp<std::int64_t>(std::int64_t(window.Bottom) + kGrow, -1, kLastRow));
    const int left = int(std::clamp<std::int64_t>(std::int64_t(window.Left) - kGrow, 0, kLastCol + 1));
    const int right = int(std::clamp<std::int64_t>(std::int64_t(window.Right) + kGrow, -1, kLastCol));

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

    const double scale = 255.0 / (hi - lo);
    for (auto &row : plane)
        for (double &v : row) {
            double x = v;
            if (x < lo)
                x = lo;
            if (x > hi)
                x = hi;
            v = (x - lo) * scale;
        }
    return true;
}

void Smooth(const TDoublePlane &src, TDoublePlane &dst)
{
    applySymmetricKernel(src, dst, [](long double corners, long double edges, double centre) {
        return smoothed(corners, edges, centre);
    });
}

void SmoothInPlace(TDoublePlane &plane)
{
    for (int r = 1; r < kLastRow; r += kBandRows)
        smoothBandInPlace(plane, r, std::min(kBandRows, kLastRow - r));
}

void Laplacian(const TDoublePlane &src, TDoublePlane &dst)
{
    applySymmetricKernel(src, dst, [](long double corners, long double edges, double centre) {
        return corners + 2.0L * edges - 12.0L * centre;
    });
}

void ThresholdMask(const TDoublePlane &response, TDoublePlane &mask, double threshold)
{
    for (int r = 1; r < kLastRow; ++r)
        for (int c = 1; c < kLastCol; ++c)
            mask[r][c] = response[r][c] <= threshold ? kMaskOn : 0.0;
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
    for (int r = 1; r < kLastRow; ++r)
        for (int c = 1; c < kLastCol; ++c) {
            const double sum = mask[r][c] + mask[r - 1][c] + mask[r][c - 1] + mask[r][c + 1] + mask[r + 1][c];
            if (sum < 510.0)
                mask[r][c] = 0.0;
        }
}

int LabelRegions(const TDoublePlane &mask, TDoublePlane &labels, TCellTable &cells, int maxRegions,
                 std::vector<std::int32_t> &stack)
{
    maxRegions = std::clamp(maxRegions, 0, kMaxCells - 1);
    const double *maskData = mask[0].data();
    double *labelData = labels[0].data();
    int count = 0;
    for (int r = 1; r < kLastRow; ++r)
        for (int c = 1; c < kLastCol; ++c) {
            const int start = r * kFrameWidth + c;
            if (maskData[start] != kMaskOn || labelData[start] != 0.0)
                continue;
            if (++count > maxRegions)
                return count; // the result is discarded anyway
            TCellRec &cell = cells[count];
            const double label = count;
            stack.clear();
            labelData[start] = label;
            stack.push_back(start);
            while (!stack.empty()) {
                const int index = stack.back();
                stack.pop_back();
                const int row = index / kFrameWidth;
                const int col = index % kFrameWidth;
                cell.Row += row;
                cell.Col += col;
                ++cell.PixelCount;
                const std::pair<int, int> neighbours[4] = {
                    {row - 1, col}, {row, col + 1}, {row + 1, col}, {row, col - 1}};
                for (const auto &[nr, nc] : neighbours) {
                    const int next = nr * kFrameWidth + nc;
                    if (isInterior(nr, nc) && maskData[next] == kMaskOn && labelData[next] == 0.0) {
                        labelData[next] = label;
                        stack.push_back(next);
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

} // namespace cornix::reference
