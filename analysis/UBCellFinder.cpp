#include "UBCellFinder.h"

#include "CornixProcessing.h"
#include "RegionRuns.h"

#include <mutex>
#include <vector>

using namespace cornix;

struct TCMFinder::Storage {
    TDoublePlane Source;
    TDoublePlane Smoothed;
    TDoublePlane Response;
    TDoublePlane Mask;
    TDoublePlane Labels; // painted from the runs when asked for
    TCellTable Cells;
    TRunLabeller Regions;
};

namespace {

// One spare storage: analyses run one after another, so one is enough.
std::mutex g_spareMutex;
std::unique_ptr<TCMFinder::Storage> g_spare;

std::unique_ptr<TCMFinder::Storage> takeStorage()
{
    {
        std::lock_guard lock(g_spareMutex);
        if (g_spare)
            return std::move(g_spare);
    }
    // Planes are written before they are read (see the constructor), so the
    // storage need not be zeroed here.
    return std::make_unique_for_overwrite<TCMFinder::Storage>();
}

void returnStorage(std::unique_ptr<TCMFinder::Storage> storage)
{
    std::lock_guard lock(g_spareMutex);
    g_spare = std::move(storage);
}

void clearOuterRing(TDoublePlane &plane)
{
    ClearBorder(plane, 0);
}

} // namespace

TCMFinder::TCMFinder(const TGrayFrame &gray) : m_storage(takeStorage()), m_cells(&m_storage->Cells)
{
    Load(gray);
    // The passes write interiors only; the outer ring of the smoothed plane is
    // read by the later passes and must be 0.
    clearOuterRing(m_storage->Smoothed);
    clearOuterRing(m_storage->Response);
    clearOuterRing(m_storage->Mask);
    clearResult();
}

TCMFinder::~TCMFinder()
{
    returnStorage(std::move(m_storage));
}

void TCMFinder::Load(const TGrayFrame &gray)
{
    GrayToPlane(gray, m_storage->Source);
}

void TCMFinder::Find(std::int32_t iterations, double threshold, const TRect &roi)
{
    Storage &s = *m_storage;
    if (!ContrastStretch(s.Source, roi)) {
        clearResult(); // a flat window carries no cells
        return;
    }
    // Each band of the response becomes mask, and each final row of the mask
    // runs for the labelling, as soon as it is made, while the other thread is
    // still smoothing: the rows are at hand in the cache.
    TMaskBuilder mask(s.Mask, threshold, kBorderMargin);
    s.Regions.Start();
    auto label = [&s](TRowSpan rows) {
        for (int r = rows.First; r < rows.End; ++r)
            s.Regions.AddRow(r, s.Mask[r].data());
    };
    SmoothAndLaplacian(s.Source, s.Smoothed, iterations, s.Response,
                       [&](int firstRow, int rows) { label(mask.ResponseRows(s.Response, firstRow, rows)); });
    label(mask.Finish(s.Response));

    if (!m_resultClear) // cleared by the constructor
        s.Cells.fill(TCellRec{});
    m_resultClear = false;
    m_labelsPainted = false;
    m_regionCount = s.Regions.Finish(s.Cells, kMaxRegions);
    const std::int32_t count = m_regionCount > kMaxRegions ? 0 : m_regionCount;
    TCellRec &header = s.Cells[0];
    header.Row = header.Col = header.PixelCount = count;
    ComputeCentres(s.Cells, count);
    SortCellsByRow(s.Cells, count);
}

void TCMFinder::clearResult()
{
    m_storage->Cells.fill(TCellRec{});
    m_storage->Regions.Start(); // no regions: a label plane of 0
    m_labelsPainted = false;
    m_regionCount = 0;
    m_resultClear = true;
}

const TDoublePlane &TCMFinder::SourcePlane() const { return m_storage->Source; }
const TDoublePlane &TCMFinder::SmoothedPlane() const { return m_storage->Smoothed; }
const TDoublePlane &TCMFinder::ResponsePlane() const { return m_storage->Response; }
const TDoublePlane &TCMFinder::MaskPlane() const { return m_storage->Mask; }
// Nothing in the analysis reads the label plane: it is painted only when asked for.
const TDoublePlane &TCMFinder::LabelPlane() const
{
    if (!m_labelsPainted) {
        m_storage->Regions.PaintLabels(m_storage->Labels);
        m_labelsPainted = true;
    }
    return m_storage->Labels;
}
