#pragma once
// Cell finder: turns a grey frame of the corneal endothelium into cell centres.
#include "AnalysisTypes.h"

#include <cstdint>
#include <memory>

// One analysis of one frame. Owns five 640 x 480 double planes (about 12 MB in
// all, taken once in the constructor) and the cell table; Find allocates
// nothing. Create one finder per analysis. The storage of a destroyed finder
// is kept for the next one, so that a new analysis does not pay for fresh
// pages again.
class TCMFinder {
public:
    // Regions above this count mean "no cells" (the result is discarded).
    static constexpr int kMaxRegions = 1300;
    // Band cleared on every side of the mask (rows/columns 0..8 and 471..479 / 631..639).
    static constexpr int kBorderMargin = 8;

    // Copies the grey frame into the source plane; the cell table and label
    // plane are 0, as are the outer rows and columns of the other planes.
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

    // The working planes after Find, for inspection and tests (the interiors
    // of the smoothed, response and mask planes are meaningful only after Find).
    const TDoublePlane &SourcePlane() const;
    const TDoublePlane &SmoothedPlane() const;
    const TDoublePlane &ResponsePlane() const;
    const TDoublePlane &MaskPlane() const;
    const TDoublePlane &LabelPlane() const;

    struct Storage; // planes, table and scratch of one finder

private:
    void clearResult();

    std::unique_ptr<Storage> m_storage;
    TCellTable *m_cells = nullptr;
    int m_regionCount = 0;
    bool m_resultClear = false; // table all 0: cleared, not labelled since
    mutable bool m_labelsPainted = false; // the label plane shows the regions found
};
