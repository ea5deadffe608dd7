#pragma once
// The analysis passes as they were before they were optimised, kept verbatim
// as the reference of the equivalence tests (test code only): same signatures
// as CornixProcessing.h, in cornix::reference.
#include "AnalysisTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cornix::reference {

void GrayToPlane(const TGrayFrame &gray, TDoublePlane &plane);
bool ContrastStretch(TDoublePlane &plane, const TRect &roi);
void Smooth(const TDoublePlane &src, TDoublePlane &dst);
void SmoothInPlace(TDoublePlane &plane);
void Laplacian(const TDoublePlane &src, TDoublePlane &dst);
void ThresholdMask(const TDoublePlane &response, TDoublePlane &mask, double threshold);
void ClearBorder(TDoublePlane &mask, int margin);
void RemoveSpeckles(TDoublePlane &mask);
int LabelRegions(const TDoublePlane &mask, TDoublePlane &labels, TCellTable &cells, int maxRegions,
                 std::vector<std::int32_t> &stack);
void ComputeCentres(TCellTable &cells, int count);
void SortCellsByRow(TCellTable &cells, int count);

// Everything Build produces.
struct TMatrixResult {
    TIntPlane Labels;
    TIntPlane Boundary;
    TVertexTable Vertices;
    TRegionTable Regions;
};
// A matrix made from cells and built once. result is large: hold it on the heap.
void BuildMatrix(const TCellTable &cells, TMatrixResult &result);

} // namespace cornix::reference

namespace cornix::reference {

// The working planes and table of one reference search.
struct TFinderPlanes {
    TDoublePlane Source, Smoothed, Response, Mask, Labels;
    TCellTable Cells;
    std::vector<std::int32_t> Stack;
    int RegionCount = 0;
};

// The cell search as the finder ran it: grey frame into Source, then the
// passes; Cells()[0].Row = N. planes is large: hold it on the heap; its outer
// rings must be 0 (as after value-initialisation).
void FindCells(const TGrayFrame &gray, std::int32_t iterations, double threshold, const TRect &roi,
               TFinderPlanes &planes);

} // namespace cornix::reference

#include "EndoStatistics.h"

namespace cornix::reference {
TPachymetry MeasurePachymetry(const TGrayColumns &columns);
} // namespace cornix::reference
