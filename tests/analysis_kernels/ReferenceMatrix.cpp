// The neighbourhood matrix as it was written before Build was optimised: the
// reference the optimised matrix must match bit for bit. Test code only.
#include "ReferenceKernels.h"

#include <algorithm>
#include <memory>
#include <vector>

using namespace cornix;
namespace cornix::reference {
using cornix::reference::SortCellsByRow;
class ReferenceDistMatrix {
public:
    // Regions larger than this (pixels) are erased.
    static constexpr std::int32_t kMaxRegionArea = 800;

    // Copies the whole table (entries 0..15000) into the working and the saved
    // table; label and boundary planes 0. Does not build. A count in entry 0
    // outside 0..15000 is clamped into that range.
    explicit ReferenceDistMatrix(const TCellTable &cells);
    ~ReferenceDistMatrix();
    ReferenceDistMatrix(const ReferenceDistMatrix &) = delete;
    ReferenceDistMatrix &operator=(const ReferenceDistMatrix &) = delete;

    // Grows the Voronoi regions of the working centres and replaces the label
    // plane, boundary plane, vertex table and region table. Regions reaching
    // the ring two pixels inside the frame edge, or larger than 800 pixels,
    // are erased (label 0, Area 0). Centres outside the frame are not seeded.
    void Build();

    // Adds a hand-placed centre (Spare = 1) unless one is already at exactly
    // (row, col), the table is full, or the point lies outside the frame.
    // Re-sorts by Row: labels of the last Build become stale, call Build next.
    void AddCell(std::int32_t row, std::int32_t col);
    // Removes the centre whose region (in the last Build) contains (row, col);
    // nothing when that pixel has label 0 or lies outside the frame. Call Build next.
    void RemoveCell(std::int32_t row, std::int32_t col);
    // Working table := the table given to the constructor, then Build.
    void RestoreCells();

    // Label at a pixel: 0 = no cell, k = region of working centre k (as of the
    // last Build). 0 outside the frame.
    std::int32_t LabelAt(std::int32_t row, std::int32_t col) const;
    // Sides (vertex entries naming region k) as a 16-bit value; 0 for k outside 0..15000.
    std::int16_t SidesOf(std::int32_t k) const;
    // Copies of the boundary plane (0, 55 boundary, 255 vertex) and of the working table.
    void CopyBoundaryPlane(TIntPlane &dest) const;
    void CopyCells(TCellTable &dest) const;

    // Direct read access (valid while the matrix lives).
    const TIntPlane &LabelPlane() const { return *m_labels; }
    const TIntPlane &BoundaryPlane() const { return *m_boundary; }
    const TVertexTable &Vertices() const { return *m_vertices; }
    std::int32_t VertexCount() const { return (*m_vertices)[0].Row; }
    // Entry k (0..15000) describes centre k; entry 0 holds N in every field.
    const TRegionTable &Regions() const { return *m_regions; }
    // Working centres: entry 0's Row = N, entries 1..N by Row, Spare = 1 if added by hand.
    const TCellTable &Cells() const { return *m_cells; }
    std::int32_t CellCount() const { return (*m_cells)[0].Row; }
    const TCellTable &SavedCells() const { return *m_saved; }

private:
    struct FrontierEntry {
        std::int32_t Row;
        std::int32_t Col;
        std::int32_t Label;
    };

    void resetGrowth();
    void growRegions();
    void storeLabelsAndAreas();
    void setRegionCentres();
    void applyErasedAreas();
    void eraseOversized();
    void eraseOpenRegions();
    void eraseRegionAt(int row, int col);
    void findBoundariesAndVertices();
    void countSides();

    std::unique_ptr<TCellTable> m_cells;
    std::unique_ptr<TIntPlane> m_labels;
    std::unique_ptr<TIntPlane> m_boundary;
    std::unique_ptr<TVertexTable> m_vertices;
    std::unique_ptr<TRegionTable> m_regions;
    std::unique_ptr<TCellTable> m_saved;
    // Growth state per pixel, label beside the squared distance to its centre
    // (exact integers: comparing them is comparing the correctly rounded
    // Euclidean distances).
    struct GrowthPixel {
        std::int32_t Label = 0;
        std::int32_t Distance = 0;
    };
    std::unique_ptr<GrowthPixel[]> m_growth;
    // A wave: storage left uninitialised (only the used part is ever touched),
    // used up to an explicit count; grows only on pathological input.
    struct FrontierList {
        std::unique_ptr<FrontierEntry[]> Entries;
        std::size_t Capacity = 0;
        void reserve(std::size_t capacity, std::size_t keep);
    };
    FrontierList m_frontier;
    FrontierList m_nextFrontier;
    std::vector<std::int32_t> m_fillStack;
    // Pixels erased per label during one Build; areas are corrected once the
    // erasing is done, so the oversize test sees the areas before erasing.
    std::vector<std::int32_t> m_erasedPixels;
};

} // namespace cornix::reference

using namespace cornix::reference;


namespace {

constexpr int kLastRow = kFrameHeight - 1;
constexpr int kLastCol = kFrameWidth - 1;
// Regions touching this ring (two pixels inside the frame edge) are open.
constexpr int kRingFirst = 2;
constexpr int kRingLastRow = kLastRow - 2;
constexpr int kRingLastCol = kLastCol - 2;
// Row given to a removed centre: beyond every pixel row, so it sorts last.
constexpr std::int32_t kRemovedPosition = 1000;

bool insideFrame(std::int32_t row, std::int32_t col)
{
    return row >= 0 && row < kFrameHeight && col >= 0 && col < kFrameWidth;
}

std::int32_t clampedCount(std::int32_t count)
{
    return std::clamp<std::int32_t>(count, 0, kMaxCells);
}

bool pairwiseDifferent(std::int32_t a, std::int32_t b, std::int32_t c)
{
    return a != b && a != c && b != c;
}

} // namespace

ReferenceDistMatrix::ReferenceDistMatrix(const TCellTable &cells)
    : m_cells(std::make_unique<TCellTable>(cells)), m_labels(std::make_unique<TIntPlane>()),
      m_boundary(std::make_unique<TIntPlane>()), m_vertices(std::make_unique<TVertexTable>()),
      m_regions(std::make_unique<TRegionTable>()), m_saved(std::make_unique<TCellTable>(cells)),
      m_growth(std::make_unique<GrowthPixel[]>(kFramePixels))
{
    (*m_cells)[0].Row = clampedCount((*m_cells)[0].Row);
    (*m_saved)[0].Row = clampedCount((*m_saved)[0].Row);
    // Waves of a realistic frame stay far below one entry per pixel; the
    // lists may still grow on pathological input.
    m_frontier.reserve(kFramePixels, 0);
    m_nextFrontier.reserve(kFramePixels, 0);
    m_fillStack.reserve(kFramePixels);
    m_erasedPixels.resize(kMaxCells + 1);
}

ReferenceDistMatrix::~ReferenceDistMatrix() = default;

void ReferenceDistMatrix::FrontierList::reserve(std::size_t capacity, std::size_t keep)
{
    if (capacity <= Capacity)
        return;
    auto larger = std::make_unique_for_overwrite<FrontierEntry[]>(capacity);
    std::copy_n(Entries.get(), keep, larger.get());
    Entries = std::move(larger);
    Capacity = capacity;
}

void ReferenceDistMatrix::Build()
{
    // Growth starts from a cleared plane and replaces the label plane as a
    // whole; the boundary plane is rewritten by the boundary pass.
    growRegions();
    storeLabelsAndAreas(); // clears the outer two rows and columns
    eraseOversized();
    eraseOpenRegions();
    applyErasedAreas();
    findBoundariesAndVertices();
    countSides();
}

namespace {
// Growth never enters the outermost rows and columns: they hold a label and a
// distance that no visit can replace, so interior pixels need no bounds checks.
constexpr std::int32_t kBlocked = -1;

bool isInterior(std::int32_t row, std::int32_t col)
{
    return std::uint32_t(row - 1) < std::uint32_t(kFrameHeight - 2) &&
           std::uint32_t(col - 1) < std::uint32_t(kFrameWidth - 2);
}
} // namespace

void ReferenceDistMatrix::resetGrowth()
{
    GrowthPixel *pixels = m_growth.get();
    std::fill_n(pixels, kFramePixels, GrowthPixel{});
    for (int c = 0; c < kFrameWidth; ++c) {
        pixels[c] = {kBlocked, kBlocked};
        pixels[kLastRow * kFrameWidth + c] = {kBlocked, kBlocked};
    }
    for (int r = 0; r < kFrameHeight; ++r) {
        pixels[r * kFrameWidth] = {kBlocked, kBlocked};
        pixels[r * kFrameWidth + kLastCol] = {kBlocked, kBlocked};
    }
}

// Discrete Voronoi by wavefront: a pixel takes the label of a neighbour's
// centre when it is unlabelled or that centre is strictly nearer; ties keep
// the label that arrived first in frontier order.
void ReferenceDistMatrix::growRegions()
{
    const TCellTable &cells = *m_cells;
    const std::int32_t count = CellCount();
    GrowthPixel *pixels = m_growth.get();
    resetGrowth();

    std::size_t size = 0;
    for (std::int32_t k = 1; k <= count; ++k) {
        if (!insideFrame(cells[k].Row, cells[k].Col))
            continue;
        pixels[cells[k].Row * kFrameWidth + cells[k].Col] = {k, 0};
        m_frontier.Entries[size++] = {cells[k].Row, cells[k].Col, k};
    }

    while (size > 0) {
        std::size_t nextSize = 0;
        for (std::size_t e = 0; e < size; ++e) {
            const FrontierEntry entry = m_frontier.Entries[e];
            // Room for the four appends this entry can make (lists grow only on
            // pathological input).
            if (nextSize + 4 > m_nextFrontier.Capacity)
                m_nextFrontier.reserve(m_nextFrontier.Capacity * 2, nextSize);
            FrontierEntry *next = m_nextFrontier.Entries.get();
            const std::int32_t centreRow = cells[entry.Label].Row;
            const std::int32_t centreCol = cells[entry.Label].Col;
            // Branch-free visit: the outcome is data-dependent and unpredictable.
            auto visit = [&](std::int32_t nr, std::int32_t nc) {
                const std::int32_t dr = nr - centreRow;
                const std::int32_t dc = nc - centreCol;
                const std::int32_t d2 = dr * dr + dc * dc;
                GrowthPixel &pixel = pixels[nr * kFrameWidth + nc];
                const bool take = (pixel.Label == 0) | (d2 < pixel.Distance);
                pixel.Label = take ? entry.Label : pixel.Label;
                pixel.Distance = take ? d2 : pixel.Distance;
                next[nextSize] = {nr, nc, entry.Label};
                nextSize += take;
            };
            // Neighbours above, right, below, left.
            const std::int32_t row = entry.Row;
            const std::int32_t col = entry.Col;
            if (isInterior(row, col)) {
                visit(row - 1, col);
                visit(row, col + 1);
                visit(row + 1, col);
                visit(row, col - 1);
            } else {
                // A seed on the outermost ring: only its inward neighbour can be entered.
                if (row == 0 && col >= 1 && col <= kLastCol - 1)
                    visit(row + 1, col);
                if (row == kLastRow && col >= 1 && col <= kLastCol - 1)
                    visit(row - 1, col);
                if (col == 0 && row >= 1 && row <= kLastRow - 1)
                    visit(row, col + 1);
                if (col == kLastCol && row >= 1 && row <= kLastRow - 1)
                    visit(row, col - 1);
            }
        }
        std::swap(m_frontier, m_nextFrontier);
        size = nextSize;
    }
}

// Copies the grown labels into the label plane with rows 0, 1, 478, 479 and
// columns 0, 1, 638, 639 cleared, and counts each region's area on the way.
void ReferenceDistMatrix::storeLabelsAndAreas()
{
    TIntPlane &labels = *m_labels;
    TRegionTable &regions = *m_regions;
    const GrowthPixel *pixels = m_growth.get();
    regions.fill(TRegionRec{});
    std::fill(m_erasedPixels.begin(), m_erasedPixels.end(), 0);
    for (int r = 0; r < kFrameHeight; ++r) {
        auto &row = labels[r];
        row.fill(0);
        if (r < kRingFirst || r > kRingLastRow)
            continue;
        const GrowthPixel *source = pixels + r * kFrameWidth;
        for (int c = kRingFirst; c <= kRingLastCol; ++c) {
            const std::int32_t k = source[c].Label;
            row[c] = k;
            ++regions[k].Area; // entry 0 collects the unlabelled pixels, reset below
        }
    }
    setRegionCentres();
}

// Row and Col of every region with pixels, from the working table; entry 0 holds N.
void ReferenceDistMatrix::setRegionCentres()
{
    TRegionTable &regions = *m_regions;
    const TCellTable &cells = *m_cells;
    const std::int32_t count = CellCount();
    for (std::int32_t k = 1; k <= count; ++k) {
        const bool present = regions[k].Area > 0;
        regions[k].Row = present ? cells[k].Row : 0;
        regions[k].Col = present ? cells[k].Col : 0;
    }
    regions[0] = TRegionRec{count, count, count, count};
}

// Areas after erasing: the same as counting the label plane again.
void ReferenceDistMatrix::applyErasedAreas()
{
    TRegionTable &regions = *m_regions;
    const std::int32_t count = CellCount();
    for (std::int32_t k = 1; k <= count; ++k)
        regions[k].Area -= m_erasedPixels[k];
    setRegionCentres();
}

void ReferenceDistMatrix::eraseOversized()
{
    const TCellTable &cells = *m_cells;
    const std::int32_t count = CellCount();
    for (std::int32_t k = 1; k <= count; ++k)
        if ((*m_regions)[k].Area > kMaxRegionArea)
            eraseRegionAt(cells[k].Row, cells[k].Col);
}

void ReferenceDistMatrix::eraseOpenRegions()
{
    for (int r = kRingFirst; r <= kRingLastRow; ++r) {
        eraseRegionAt(r, kRingFirst);
        eraseRegionAt(r, kRingLastCol);
    }
    for (int c = kRingFirst; c <= kRingLastCol; ++c) {
        eraseRegionAt(kRingFirst, c);
        eraseRegionAt(kRingLastRow, c);
    }
}

// Sets to 0 every pixel 8-connected to (row, col) through pixels of its label.
// Only called after the frame ring is cleared: a labelled pixel lies in rows
// 2..477 and columns 2..637, so its eight neighbours are inside the frame.
void ReferenceDistMatrix::eraseRegionAt(int row, int col)
{
    if (!insideFrame(row, col))
        return;
    std::int32_t *labels = (*m_labels)[0].data();
    const std::int32_t start = row * kFrameWidth + col;
    const std::int32_t label = labels[start];
    if (label == 0)
        return;
    static constexpr std::int32_t kNeighbours[8] = {-kFrameWidth - 1, -kFrameWidth, -kFrameWidth + 1, -1,
                                                    1,  kFrameWidth - 1,  kFrameWidth,  kFrameWidth + 1};
    m_fillStack.clear();
    labels[start] = 0;
    m_fillStack.push_back(start);
    std::int32_t erased = 0;
    while (!m_fillStack.empty()) {
        const std::int32_t index = m_fillStack.back();
        m_fillStack.pop_back();
        ++erased;
        for (const std::int32_t offset : kNeighbours) {
            const std::int32_t next = index + offset;
            if (labels[next] == label) {
                labels[next] = 0;
                m_fillStack.push_back(next);
            }
        }
    }
    m_erasedPixels[label] += erased;
}

void ReferenceDistMatrix::findBoundariesAndVertices()
{
    const TIntPlane &labels = *m_labels;
    TIntPlane &boundary = *m_boundary;
    TVertexTable &vertices = *m_vertices;
    for (auto &row : boundary)
        row.fill(0);
    std::int32_t count = 0;
    for (int r = kRingFirst; r <= kRingLastRow; ++r)
        for (int c = kRingFirst; c <= kRingLastCol; ++c) {
            const std::int32_t tl = labels[r][c];
            const std::int32_t tr = labels[r][c + 1];
            const std::int32_t bl = labels[r + 1][c];
            const std::int32_t br = labels[r + 1][c + 1];
            if (tl == tr && tl == bl && tl == br)
                continue;
            TVertexRec vertex{r, c, tl, 0, 0};
            if (pairwiseDifferent(tl, tr, bl))
                vertex.LabelB = tr, vertex.LabelC = bl;
            else if (pairwiseDifferent(tl, tr, br))
                vertex.LabelB = tr, vertex.LabelC = br;
            else if (pairwiseDifferent(tl, bl, br))
                vertex.LabelB = bl, vertex.LabelC = br;
            else {
                boundary[r][c] = kBoundaryPixel;
                continue;
            }
            boundary[r][c] = kVertexPixel;
            if (count < kMaxVertices)
                vertices[++count] = vertex;
        }
    vertices[0] = TVertexRec{count, 0, 0, 0, 0};
}

void ReferenceDistMatrix::countSides()
{
    TRegionTable &regions = *m_regions;
    const TVertexTable &vertices = *m_vertices;
    const std::int32_t count = CellCount();
    const std::int32_t vertexCount = VertexCount();
    for (std::int32_t v = 1; v <= vertexCount; ++v)
        for (const std::int32_t k : {vertices[v].LabelA, vertices[v].LabelB, vertices[v].LabelC})
            if (k >= 1 && k <= count)
                ++regions[k].Sides;
}

void ReferenceDistMatrix::AddCell(std::int32_t row, std::int32_t col)
{
    TCellTable &cells = *m_cells;
    const std::int32_t count = CellCount();
    if (!insideFrame(row, col) || count + 1 > kMaxCells)
        return;
    for (std::int32_t k = 1; k <= count; ++k)
        if (cells[k].Row == row && cells[k].Col == col)
            return;
    // PixelCount 0: the slot may still hold the count of a removed cell.
    cells[count + 1] = TCellRec{row, col, 0, 1};
    cells[0].Row = count + 1;
    SortCellsByRow(cells, count + 1);
}

void ReferenceDistMatrix::RemoveCell(std::int32_t row, std::int32_t col)
{
    TCellTable &cells = *m_cells;
    const std::int32_t count = CellCount();
    const std::int32_t k = LabelAt(row, col);
    if (k < 1 || k > count)
        return;
    cells[k].Row = kRemovedPosition;
    cells[k].Col = kRemovedPosition;
    cells[k].Spare = 0;
    SortCellsByRow(cells, count);
    cells[0].Row = count - 1;
}

void ReferenceDistMatrix::RestoreCells()
{
    *m_cells = *m_saved;
    Build();
}

std::int32_t ReferenceDistMatrix::LabelAt(std::int32_t row, std::int32_t col) const
{
    return insideFrame(row, col) ? (*m_labels)[row][col] : 0;
}

std::int16_t ReferenceDistMatrix::SidesOf(std::int32_t k) const
{
    if (k < 0 || k > kMaxCells)
        return 0;
    return static_cast<std::int16_t>((*m_regions)[k].Sides);
}

void ReferenceDistMatrix::CopyBoundaryPlane(TIntPlane &dest) const
{
    dest = *m_boundary;
}

void ReferenceDistMatrix::CopyCells(TCellTable &dest) const
{
    dest = *m_cells;
}

namespace cornix::reference {

void BuildMatrix(const TCellTable &cells, TMatrixResult &result)
{
    ReferenceDistMatrix matrix(cells);
    matrix.Build();
    result.Labels = matrix.LabelPlane();
    result.Boundary = matrix.BoundaryPlane();
    result.Vertices = matrix.Vertices();
    result.Regions = matrix.Regions();
}

} // namespace cornix::reference
