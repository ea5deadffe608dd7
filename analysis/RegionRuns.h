#pragma once
// Labelling of the mask's regions a row at a time, as the rows become final.
#include "AnalysisTypes.h"

#include <cstdint>
#include <vector>

namespace cornix {

// The 4-connected regions of mask-255 interior pixels, found from horizontal
// runs: each row's runs are joined with the runs of the row above that they
// touch, and a region is known by its first run in scan order. The result is
// LabelRegions's: the same numbers in the same order, the same sums, the same
// limit. Storage for the worst frame is reserved once, in the constructor.
class TRunLabeller {
public:
    TRunLabeller();

    // Forgets every row added.
    void Start();
    // Interior row `row` of the mask, final. Rows come in order, one after the other.
    void AddRow(int row, const double *maskRow);
    // Numbers the regions in scan order and adds their row and column sums and
    // pixel counts into cells[1..] (which the caller has cleared). Returns what
    // LabelRegions would: the number of regions, or maxRegions + 1 when there
    // are more (regions beyond that get no number and no sums).
    int Finish(TCellTable &cells, int maxRegions);
    // The label plane as LabelRegions leaves it: 0 but for the numbered regions.
    void PaintLabels(TDoublePlane &labels) const;

private:
    struct TRun {
        std::int32_t Row;
        std::int16_t First; // columns, inclusive
        std::int16_t Last;
    };

    std::int32_t rootOf(std::int32_t run);
    void join(std::int32_t a, std::int32_t b);
    void joinWithRowAbove(std::int32_t first, std::int32_t end);

    std::vector<TRun> m_runs;
    std::vector<std::int32_t> m_parent; // the root of a region is its first run
    std::vector<std::int32_t> m_number; // region number of each run, 0 = none (after Finish)
    std::int32_t m_aboveFirst = 0;      // runs [m_aboveFirst, m_runs.size()) belong to m_lastRow
    int m_lastRow = 0;
};

} // namespace cornix
