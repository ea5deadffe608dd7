#include "UBCellFinder.h"

#include "CornixProcessing.h"

#include <mutex>
#include <vector>

using namespace cornix;

struct TCMFinder::Storage {
    TDoublePlane Source;
    TDoublePlane Smoothed;
    TDoublePlane Response;
    TDoublePlane Mask;
    TDoublePlane Labels;
    TCellTable Cells;
    std::vector<std::int32_t> FillStack; // every pixel is pushed at most once per fill
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
    auto storage = std::make_unique_for_overwrite<TCMFinder::Storage>();
    storage->FillStack.reserve(kFramePixels);
    return storage;
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
    // Each band of the response is thresholded as soon as it is made, while the
    // other thread is still smoothing.
    SmoothAndLaplacian(s.Source, s.Smoothed, iterations, s.Response, [&](int firstRow, int rows) {
        ThresholdMaskRows(s.Response, s.Mask, threshold, firstRow, rows);
    });
    ClearBorder(s.Mask, kBorderMargin);
    RemoveSpeckles(s.Mask);

    if (!m_resultClear) // cleared by the constructor: a pass over 2.4 MB saved
        clearResult();
    m_resultClear = false;
    m_regionCount = LabelRegions(s.Mask, s.Labels, s.Cells, kMaxRegions, s.FillStack);
    const std::int32_t count = m_regionCount > kMaxRegions ? 0 : m_regionCount;
    TCellRec &header = s.Cells[0];
    header.Row = header.Col = header.PixelCount = count;
    ComputeCentres(s.Cells, count);
    SortCellsByRow(s.Cells, count);
}

void TCMFinder::clearResult()
{
    m_storage->Cells.fill(TCellRec{});
    for (auto &row : m_storage->Labels)
        row.fill(0.0);
    m_regionCount = 0;
    m_resultClear = true;
}

const TDoublePlane &TCMFinder::SourcePlane() const { return m_storage->Source; }
const TDoublePlane &TCMFinder::SmoothedPlane() const { return m_storage->Smoothed; }
const TDoublePlane &TCMFinder::ResponsePlane() const { return m_storage->Response; }
const TDoublePlane &TCMFinder::MaskPlane() const { return m_storage->Mask; }
const TDoublePlane &TCMFinder::LabelPlane() const { return m_storage->Labels; }
