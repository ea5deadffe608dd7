// The cell search exactly as the finder ran it before its passes were optimised.
#include "ReferenceKernels.h"

namespace cornix::reference {

void FindCells(const TGrayFrame &gray, std::int32_t iterations, double threshold, const TRect &roi,
               TFinderPlanes &p)
{
    constexpr int kMaxRegions = 1300;
    constexpr int kBorderMargin = 8;
    GrayToPlane(gray, p.Source);
    p.Cells.fill(TCellRec{});
    for (auto &row : p.Labels)
        row.fill(0.0);
    p.RegionCount = 0;
    if (!ContrastStretch(p.Source, roi))
        return;
    Smooth(p.Source, p.Smoothed);
    for (std::int32_t pass = 0; pass < iterations; ++pass)
        SmoothInPlace(p.Smoothed);
    Laplacian(p.Smoothed, p.Response);
    ThresholdMask(p.Response, p.Mask, threshold);
    ClearBorder(p.Mask, kBorderMargin);
    RemoveSpeckles(p.Mask);
    p.Stack.reserve(kFramePixels);
    p.RegionCount = LabelRegions(p.Mask, p.Labels, p.Cells, kMaxRegions, p.Stack);
    const std::int32_t count = p.RegionCount > kMaxRegions ? 0 : p.RegionCount;
    TCellRec &header = p.Cells[0];
    header.Row = header.Col = header.PixelCount = count;
    ComputeCentres(p.Cells, count);
    SortCellsByRow(p.Cells, count);
}

} // namespace cornix::reference
