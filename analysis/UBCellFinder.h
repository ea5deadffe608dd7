#pragma once
// Cell finder: turns a grey frame of the corneal endothelium into cell centres.
#include "AnalysisTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

// One analysis of one frame. Owns five 640 x 480 double planes (about 12 MB in
// all, allocated once in the constructor) and the cell table; Find allocates
// nothing. Create one finder per analysis.
class TCMFinder {
public:
    // Regions above this count mean "no cells" (the result is discarded).
    static constexpr int kMaxRegions = 1300;
    // Band cleared on every side of the mask (rows/columns 0..8 and 471..479 / 631..639).
    static constexpr int kBorderMargin = 8;

    // Copies the grey frame into the source plane; all other planes and the table are 0.
    explicit TCMFinder(const TGrayFrame &gray);
    ~TCMFinder();
    TCMFinder(const TCMFinder &) = delete;
    TCMFinder &operator=(const TCMFinder &) = delete;

    // Reloads the source plane from a new grey frame, so that one finder can
    // serve several frames (Find stretches the source plane in place).
    void Load(const TGrayFrame &gray);

    // Finds the cells. iterations: extra in-place smoothing passes (the analysis
    // uses 5; <= 0 means one pass in all). threshold: sensitivity, Laplacian
    // response at or below it marks a cell pixel (-3.0 normal, -2.5 high,
    // -3.5 low). roi: region of interest, only chooses the contrast window;
    // cells are searched in the whole frame. A flat window or more than 1300
    // regions give N = 0. The result is Cells().
    void Find(std::int32_t iterations, double threshold, const TRect &roi);

    // Entry 0's Row is the number of cells N; cells are entries 1..N ordered by
    // Row, Spare = 0, PixelCount = region size.
    const TCellTable &Cells() const { return *m_cells; }
    std::int32_t CellCount() const { return (*m_cells)[0].Row; }
    // Regions labelled by the last Find (capped at 1301: labelling stops there).
    int RegionCount() const { return m_regionCount; }

    // The working planes after Find, for inspection and tests.
    const TDoublePlane &SourcePlane() const { return *m_source; }
    const TDoublePlane &SmoothedPlane() const { return *m_smoothed; }
    const TDoublePlane &ResponsePlane() const { return *m_response; }
    const TDoublePlane &MaskPlane() const { return *m_mask; }
    const TDoublePlane &LabelPlane() const { return *m_labels; }

private:
    void clearResult();

    std::unique_ptr<TDoublePlane> m_source;
    std::unique_ptr<TDoublePlane> m_smoothed;
    std::unique_ptr<TDoublePlane> m_response;
    std::unique_ptr<TDoublePlane> m_mask;
    std::unique_ptr<TDoublePlane> m_labels;
    std::unique_ptr<TCellTable> m_cells;
    std::vector<std::int32_t> m_fillStack; // scratch for labelling, reserved once
    int m_regionCount = 0;
};
