#include "RegionRuns.h"

#include "AnalysisDispatch.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace cornix {

namespace {

constexpr int kLastRow = kFrameHeight - 1;
constexpr int kLastCol = kFrameWidth - 1;
constexpr double kMaskOn = 255.0;
// Worst case: every other interior pixel of every interior row set.
constexpr std::size_t kMostRuns = std::size_t(kLastRow - 1) * (kLastCol / 2);

// Bytes of one row, 1 where the pixel is 255, then eight bytes of padding.
using TRowBytes = std::uint8_t[kFrameWidth + 8];

CORNIX_KERNEL_BODY void markOnBody(const double *__restrict row, std::uint8_t *__restrict on)
{
    for (int c = 0; c < kFrameWidth; ++c)
        on[c] = row[c] == kMaskOn;
}

CORNIX_DISPATCH(void, markOn, (const double *row, std::uint8_t *on), markOnBody, (row, on))

// The first column >= c whose byte differs from `state` (0 or 1). Column 639
// (0) ends every search for a 0, the padding (1s) every search for a 1.
inline int nextChange(const std::uint8_t *on, int c, std::uint8_t state)
{
    const std::uint64_t same = state ? 0x0101010101010101u : 0;
    for (;; c += 8) {
        std::uint64_t word;
        std::memcpy(&word, on + c, sizeof word);
        if (const std::uint64_t changed = word ^ same; changed != 0)
            return c + std::countr_zero(changed) / 8;
    }
}

} // namespace

TRunLabeller::TRunLabeller()
{
    m_runs.reserve(kMostRuns);
    m_parent.reserve(kMostRuns);
    m_number.reserve(kMostRuns);
}

void TRunLabeller::Start()
{
    m_runs.clear();
    m_parent.clear();
    m_number.clear();
    m_aboveFirst = 0;
    m_lastRow = 0;
}

void TRunLabeller::AddRow(int row, const double *maskRow)
{
    if (row < 1 || row >= kLastRow)
        return;
    TRowBytes on;
    markOn(maskRow, on);
    // Only columns 1..638 belong to the interior.
    on[0] = 0;
    on[kLastCol] = 0;
    std::fill(on + kFrameWidth, std::end(on), std::uint8_t(1));

    const auto first = std::int32_t(m_runs.size());
    for (int c = nextChange(on, 1, 0); c < kLastCol; c = nextChange(on, c, 0)) {
        const int end = nextChange(on, c, 1);
        m_parent.push_back(std::int32_t(m_runs.size()));
        m_runs.push_back(TRun{row, std::int16_t(c), std::int16_t(end - 1)});
        c = end;
    }
    if (m_lastRow == row - 1)
        joinWithRowAbove(first, std::int32_t(m_runs.size()));
    m_aboveFirst = first;
    m_lastRow = row;
}

// Runs of two rows touch when their column ranges overlap.
void TRunLabeller::joinWithRowAbove(std::int32_t first, std::int32_t end)
{
    std::int32_t above = m_aboveFirst;
    for (std::int32_t run = first; run < end; ++run) {
        while (above < first && m_runs[above].Last < m_runs[run].First)
            ++above;
        // The last run touched may touch the next run of this row too: keep it.
        for (std::int32_t k = above; k < first && m_runs[k].First <= m_runs[run].Last; ++k)
            join(run, k);
    }
}

std::int32_t TRunLabeller::rootOf(std::int32_t run)
{
    while (m_parent[run] != run) {
        m_parent[run] = m_parent[m_parent[run]]; // path halving
        run = m_parent[run];
    }
    return run;
}

// The region keeps the earlier root: a root is always its region's first run.
void TRunLabeller::join(std::int32_t a, std::int32_t b)
{
    const std::int32_t rootA = rootOf(a);
    const std::int32_t rootB = rootOf(b);
    if (rootA < rootB)
        m_parent[rootB] = rootA;
    else if (rootB < rootA)
        m_parent[rootA] = rootB;
}

int TRunLabeller::Finish(TCellTable &cells, int maxRegions)
{
    maxRegions = std::clamp(maxRegions, 0, kMaxCells - 1);
    const auto runs = std::int32_t(m_runs.size());
    m_number.assign(std::size_t(runs), 0);
    int count = 0;
    for (std::int32_t run = 0; run < runs; ++run) {
        const std::int32_t root = rootOf(run);
        if (root == run) {
            // A region's first run: the next number, while there are numbers left.
            if (count <= maxRegions)
                ++count;
            m_number[run] = count <= maxRegions ? count : 0;
        } else {
            m_number[run] = m_number[root]; // the root came earlier
        }
        if (const std::int32_t k = m_number[run]; k != 0) {
            const TRun &r = m_runs[run];
            const std::int32_t length = r.Last - r.First + 1;
            TCellRec &cell = cells[k];
            cell.Row += r.Row * length;
            cell.Col += (r.First + r.Last) * length / 2;
            cell.PixelCount += length;
        }
    }
    return count;
}

void TRunLabeller::PaintLabels(TDoublePlane &labels) const
{
    for (auto &row : labels)
        row.fill(0.0);
    for (std::size_t run = 0; run < m_number.size(); ++run)
        if (m_number[run] != 0) {
            const TRun &r = m_runs[run];
            std::fill(labels[r.Row].begin() + r.First, labels[r.Row].begin() + r.Last + 1, double(m_number[run]));
        }
}

} // namespace cornix
