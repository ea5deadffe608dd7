#include "VoronoiDistMatrix.h"

#include "CornixProcessing.h"

#include <algorithm>
#include <cstring>

using namespace cornix;

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

TDistMatrix::TDistMatrix(const TCellTable &cells)
    : m_cells(std::make_unique<TCellTable>(cells)), m_labels(std::make_unique<TIntPlane>()),
      m_boundary(std::make_unique<TIntPlane>()), m_vertices(std::make_unique<TVertexTable>()),
      m_regions(std::make_unique<TRegionTable>()), m_saved(std::make_unique<TCellTable>(cells)),
      m_growth(std::make_unique_for_overwrite<std::uint64_t[]>(kFramePixels))
{
    (*m_cells)[0].Row = clampedCount((*m_cells)[0].Row);
    (*m_saved)[0].Row = clampedCount((*m_saved)[0].Row);
    // Waves of a realistic frame stay far below one entry per pixel; the
    // lists may still grow on pathological input.
    m_frontier.reserve(kFramePixels);
    m_nextFrontier.reserve(kFramePixels);
    m_fillStack.reserve(kFramePixels);
    m_erasedPixels.resize(kMaxCells + 1);
}

TDistMatrix::~TDistMatrix() = default;

// Only called between waves, when nothing in the list is needed any more.
void TDistMatrix::FrontierList::reserve(std::size_t capacity)
{
    if (capacity <= Capacity)
        return;
    Entries = std::make_unique_for_overwrite<FrontierEntry[]>(capacity);
    Capacity = capacity;
}

void TDistMatrix::Build()
{
    // Growth starts from a cleared state and replaces the label plane's
    // interior as a whole; the boundary pass rewrites the boundary plane's.
    // Outside rows 2..477 and columns 2..637 both planes stay 0 for ever.
    growRegions();
    storeLabelsAndAreas();
    eraseOversized();
    eraseOpenRegions();
    applyErasedAreas();
    findBoundariesAndVertices();
    countSides();
}

namespace {
// Growth state words (see m_growth).
constexpr std::uint64_t kUnreached = ~std::uint64_t(0);
constexpr std::uint64_t kBlocked = 0; // the outermost ring: never entered

constexpr std::uint64_t growthWord(std::uint32_t squaredDistance, std::int32_t label)
{
    return std::uint64_t(squaredDistance) << 32 | std::uint32_t(label);
}

void resetGrowth(std::uint64_t *pixels)
{
    std::fill_n(pixels, kFramePixels, kUnreached);
    std::fill_n(pixels, kFrameWidth, kBlocked);
    std::fill_n(pixels + kLastRow * kFrameWidth, kFrameWidth, kBlocked);
    for (int r = 1; r < kLastRow; ++r) {
        pixels[r * kFrameWidth] = kBlocked;
        pixels[r * kFrameWidth + kLastCol] = kBlocked;
    }
}

// Frontier entries (see FrontierEntry) and the steps to a neighbour's entry.
constexpr std::uint64_t kEntryRow = 1;
constexpr std::uint64_t kEntryCol = std::uint64_t(1) << 16;

constexpr std::uint64_t frontierEntry(std::int32_t row, std::int32_t col, std::int32_t label)
{
    return std::uint64_t(std::uint32_t(row)) | std::uint64_t(std::uint32_t(col)) << 16 |
           std::uint64_t(std::uint32_t(label)) << 32;
}

bool isInterior(std::int32_t row, std::int32_t col)
{
    return std::uint32_t(row - 1) < std::uint32_t(kFrameHeight - 2) &&
           std::uint32_t(col - 1) < std::uint32_t(kFrameWidth - 2);
}
} // namespace

// Discrete Voronoi by wavefront: a pixel takes the label of a neighbour's
// centre when it is unreached or that centre is strictly nearer; ties keep
// the label that arrived first in frontier order. Every take appends the
// pixel with the new label to the next wave, in the order of the takes.
void TDistMatrix::growRegions()
{
    const TCellTable &cells = *m_cells;
    const std::int32_t count = CellCount();
    std::uint64_t *pixels = m_growth.get();
    resetGrowth(pixels);

    std::size_t size = 0;
    for (std::int32_t k = 1; k <= count; ++k) {
        const std::int32_t row = cells[k].Row;
        const std::int32_t col = cells[k].Col;
        if (!insideFrame(row, col))
            continue;
        pixels[row * kFrameWidth + col] = growthWord(0, k);
        m_frontier.Entries[size++] = frontierEntry(row, col, k);
    }

    while (size > 0) {
        // Each entry appends at most four.
        m_nextFrontier.reserve(4 * size);
        const FrontierEntry *entries = m_frontier.Entries.get();
        FrontierEntry *next = m_nextFrontier.Entries.get();
        std::size_t nextSize = 0;
        for (std::size_t e = 0; e < size; ++e) {
            const FrontierEntry entry = entries[e];
            const std::int32_t row = std::int32_t(entry & 0xFFFF);
            const std::int32_t col = std::int32_t((entry >> 16) & 0xFFFF);
            const std::uint32_t label = std::uint32_t(entry >> 32);
            const std::int32_t dr = row - cells[label].Row;
            const std::int32_t dc = col - cells[label].Col;
            const std::int32_t squared = dr * dr + dc * dc;
            const std::int32_t index = row * kFrameWidth + col;
            // Branch-free visit: the outcome is data-dependent and unpredictable.
            // (d << 32 | all ones) < word  <=>  d < the pixel's distance, or unreached.
            auto visit = [&](std::int32_t at, std::int32_t squaredDistance, FrontierEntry reached) {
                const std::uint64_t word = pixels[at];
                const std::uint64_t distance = std::uint64_t(std::uint32_t(squaredDistance)) << 32;
                const bool take = (distance | 0xFFFFFFFFu) < word;
                pixels[at] = take ? (distance | label) : word;
                next[nextSize] = reached;
                nextSize += take;
            };
            // Neighbours above, right, below, left: (dr -/+ 1)^2 + dc^2 and so on.
            if (isInterior(row, col)) {
                visit(index - kFrameWidth, squared - 2 * dr + 1, entry - kEntryRow);
                visit(index + 1, squared + 2 * dc + 1, entry + kEntryCol);
                visit(index + kFrameWidth, squared + 2 * dr + 1, entry + kEntryRow);
                visit(index - 1, squared - 2 * dc + 1, entry - kEntryCol);
            } else {
                // A seed on the outermost ring: only its inward neighbour can be entered.
                if (row == 0 && col >= 1 && col <= kLastCol - 1)
                    visit(index + kFrameWidth, squared + 2 * dr + 1, entry + kEntryRow);
                if (row == kLastRow && col >= 1 && col <= kLastCol - 1)
                    visit(index - kFrameWidth, squared - 2 * dr + 1, entry - kEntryRow);
                if (col == 0 && row >= 1 && row <= kLastRow - 1)
                    visit(index + 1, squared + 2 * dc + 1, entry + kEntryCol);
                if (col == kLastCol && row >= 1 && row <= kLastRow - 1)
                    visit(index - 1, squared - 2 * dc + 1, entry - kEntryCol);
            }
        }
        std::swap(m_frontier, m_nextFrontier);
        size = nextSize;
    }
}

// Copies the grown labels into rows 2..477, columns 2..637 of the label plane
// (the rest of the plane is always 0) and counts each region's area on the way,
// one run of equal labels at a time.
void TDistMatrix::storeLabelsAndAreas()
{
    TIntPlane &labels = *m_labels;
    TRegionTable &regions = *m_regions;
    const std::uint64_t *pixels = m_growth.get();
    regions.fill(TRegionRec{});
    std::fill(m_erasedPixels.begin(), m_erasedPixels.end(), 0);
    for (int r = kRingFirst; r <= kRingLastRow; ++r) {
        std::int32_t *row = labels[r].data();
        const std::uint64_t *source = pixels + r * kFrameWidth;
        std::int32_t runLabel = 0;
        std::int32_t runLength = 0;
        for (int c = kRingFirst; c <= kRingLastCol; ++c) {
            const std::uint64_t word = source[c];
            const std::int32_t k = word == kUnreached ? 0 : std::int32_t(std::uint32_t(word));
            row[c] = k;
            if (k != runLabel) {
                regions[runLabel].Area += runLength; // entry 0 collects the unlabelled pixels, reset below
                runLabel = k;
                runLength = 0;
            }
            ++runLength;
        }
        regions[runLabel].Area += runLength;
    }
    setRegionCentres();
}

// Row and Col of every region with pixels, from the working table; entry 0 holds N.
void TDistMatrix::setRegionCentres()
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
void TDistMatrix::applyErasedAreas()
{
    TRegionTable &regions = *m_regions;
    const std::int32_t count = CellCount();
    for (std::int32_t k = 1; k <= count; ++k)
        regions[k].Area -= m_erasedPixels[k];
    setRegionCentres();
}

void TDistMatrix::eraseOversized()
{
    const TCellTable &cells = *m_cells;
    const std::int32_t count = CellCount();
    for (std::int32_t k = 1; k <= count; ++k)
        if ((*m_regions)[k].Area > kMaxRegionArea)
            eraseRegionAt(cells[k].Row, cells[k].Col);
}

void TDistMatrix::eraseOpenRegions()
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

// Sets to 0 every pixel 8-connected to (row, col) through pixels of its label,
// a horizontal run at a time: a run is cleared, then every run of the label in
// the rows above and below that touches it, its ends widened by one column for
// the diagonal neighbours, is queued. Which pixels are cleared does not depend
// on the order. Only called after the frame ring is cleared: a labelled pixel
// lies in rows 2..477 and columns 2..637, so every pixel looked at is inside.
void TDistMatrix::eraseRegionAt(int row, int col)
{
    if (!insideFrame(row, col))
        return;
    std::int32_t *labels = (*m_labels)[0].data();
    const std::int32_t label = labels[row * kFrameWidth + col];
    if (label == 0)
        return;
    m_fillStack.clear();
    m_fillStack.push_back(row * kFrameWidth + col);
    std::int32_t erased = 0;
    while (!m_fillStack.empty()) {
        const std::int32_t index = m_fillStack.back();
        m_fillStack.pop_back();
        if (labels[index] != label)
            continue; // cleared by an earlier run
        std::int32_t first = index;
        while (labels[first - 1] == label)
            --first;
        std::int32_t last = index;
        while (labels[last + 1] == label)
            ++last;
        std::fill(labels + first, labels + last + 1, 0);
        erased += last - first + 1;
        for (const std::int32_t offset : {-kFrameWidth, kFrameWidth}) {
            const std::int32_t end = last + 1 + offset;
            for (std::int32_t at = first - 1 + offset; at <= end; ++at) {
                if (labels[at] != label)
                    continue;
                m_fillStack.push_back(at);
                while (at < end && labels[at + 1] == label)
                    ++at;
            }
        }
    }
    m_erasedPixels[label] += erased;
}

namespace {
// Eight 2 x 2 windows at once: true when each has four equal labels.
using TLabels8 = std::int32_t __attribute__((vector_size(32)));

inline bool allUniform(const std::int32_t *top, const std::int32_t *bottom)
{
    TLabels8 tl, tr, bl, br;
    std::memcpy(&tl, top, sizeof tl);
    std::memcpy(&tr, top + 1, sizeof tr);
    std::memcpy(&bl, bottom, sizeof bl);
    std::memcpy(&br, bottom + 1, sizeof br);
    const TLabels8 differs = (tl != tr) | (tl != bl) | (tl != br);
    const TLabels8 none{};
    return std::memcmp(&differs, &none, sizeof none) == 0;
}
} // namespace

void TDistMatrix::findBoundariesAndVertices()
{
    const TIntPlane &labels = *m_labels;
    TIntPlane &boundary = *m_boundary;
    TVertexTable &vertices = *m_vertices;
    std::int32_t count = 0;
    for (int r = kRingFirst; r <= kRingLastRow; ++r) {
        const std::int32_t *top = labels[r].data();
        const std::int32_t *bottom = labels[r + 1].data();
        std::int32_t *out = boundary[r].data();
        int c = kRingFirst;
        auto window = [&](int col) {
            const std::int32_t tl = top[col];
            const std::int32_t tr = top[col + 1];
            const std::int32_t bl = bottom[col];
            const std::int32_t br = bottom[col + 1];
            if (tl == tr && tl == bl && tl == br) {
                out[col] = 0;
                return;
            }
            TVertexRec vertex{r, col, tl, 0, 0};
            if (pairwiseDifferent(tl, tr, bl))
                vertex.LabelB = tr, vertex.LabelC = bl;
            else if (pairwiseDifferent(tl, tr, br))
                vertex.LabelB = tr, vertex.LabelC = br;
            else if (pairwiseDifferent(tl, bl, br))
                vertex.LabelB = bl, vertex.LabelC = br;
            else {
                out[col] = kBoundaryPixel;
                return;
            }
            out[col] = kVertexPixel;
            if (count < kMaxVertices)
                vertices[++count] = vertex;
        };
        // Most windows lie inside one region (or in the erased area): skip
        // them eight at a time; columns 2..637 are 636 = 79 x 8 + 4 windows.
        for (; c + 8 <= kRingLastCol + 1; c += 8) {
            if (allUniform(top + c, bottom + c)) {
                std::fill_n(out + c, 8, 0);
                continue;
            }
            for (int k = 0; k < 8; ++k)
                window(c + k);
        }
        for (; c <= kRingLastCol; ++c)
            window(c);
    }
    vertices[0] = TVertexRec{count, 0, 0, 0, 0};
}

void TDistMatrix::countSides()
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

void TDistMatrix::AddCell(std::int32_t row, std::int32_t col)
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

void TDistMatrix::RemoveCell(std::int32_t row, std::int32_t col)
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

void TDistMatrix::RestoreCells()
{
    *m_cells = *m_saved;
    Build();
}

std::int32_t TDistMatrix::LabelAt(std::int32_t row, std::int32_t col) const
{
    return insideFrame(row, col) ? (*m_labels)[row][col] : 0;
}

std::int16_t TDistMatrix::SidesOf(std::int32_t k) const
{
    if (k < 0 || k > kMaxCells)
        return 0;
    return static_cast<std::int16_t>((*m_regions)[k].Sides);
}

void TDistMatrix::CopyBoundaryPlane(TIntPlane &dest) const
{
    dest = *m_boundary;
}

void TDistMatrix::CopyCells(TCellTable &dest) const
{
    dest = *m_cells;
}
