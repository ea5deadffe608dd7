#include "UBCellFinder.h"

#include "CornixProcessing.h"

using namespace cornix;

TCMFinder::TCMFinder(const TGrayFrame &gray)
    : m_source(std::make_unique<TDoublePlane>()), m_smoothed(std::make_unique<TDoublePlane>()),
      m_response(std::make_unique<TDoublePlane>()), m_mask(std::make_unique<TDoublePlane>()),
      m_labels(std::make_unique<TDoublePlane>()), m_cells(std::make_unique<TCellTable>())
{
    // Every pixel is pushed at most once per region fill.
    m_fillStack.reserve(kFramePixels);
    Load(gray);
}

TCMFinder::~TCMFinder() = default;

void TCMFinder::Load(const TGrayFrame &gray)
{
    GrayToPlane(gray, *m_source);
}

void TCMFinder::Find(std::int32_t iterations, double threshold, const TRect &roi)
{
    if (!ContrastStretch(*m_source, roi)) {
        clearResult(); // a flat window carries no cells
        return;
    }
    Smooth(*m_source, *m_smoothed);
    for (std::int32_t pass = 0; pass < iterations; ++pass)
        SmoothInPlace(*m_smoothed);
    Laplacian(*m_smoothed, *m_response);
    ThresholdMask(*m_response, *m_mask, threshold);
    ClearBorder(*m_mask, kBorderMargin);
    RemoveSpeckles(*m_mask);

    clearResult();
    m_regionCount = LabelRegions(*m_mask, *m_labels, *m_cells, kMaxRegions, m_fillStack);
    const std::int32_t count = m_regionCount > kMaxRegions ? 0 : m_regionCount;
    TCellRec &header = (*m_cells)[0];
    header.Row = header.Col = header.PixelCount = count;
    ComputeCentres(*m_cells, count);
    SortCellsByRow(*m_cells, count);
}

void TCMFinder::clearResult()
{
    m_cells->fill(TCellRec{});
    for (auto &row : *m_labels)
        row.fill(0.0);
    m_regionCount = 0;
}
