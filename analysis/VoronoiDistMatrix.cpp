#include "VoronoiDistMatrix.h"

#include "AnalysisDispatch.h"
#include "CornixProcessing.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

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
      m_growth(std::make_unique_for_overwrite<std::uint32_t[]>(kFramePixels)),
      m_work(std::make_unique<std::uint16_t[]>(kFramePixels))
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
    // Growth replaces the working plane's interior as a whole; the boundary
    // pass rewrites the label and boundary planes' interiors from it.
    // Outside rows 2..477 and columns 2..637 all three stay 0 for ever.
    growRegions();
    eraseOversized();
    eraseOpenRegions();
    applyErasedAreas();
    findBoundariesAndVertices();
    countSides();
}

namespace {
// Growth state words (see m_growth): the squared distance above the label, so
// that "unreached or strictly nearer" is one unsigned comparison of the
// proposed distance with all label bits set against the word. Unreached pixels
// hold all ones (a distance beyond any in the frame), the outermost ring 0.
// Narrow words (32 bits: a 20-bit distance, enough for the frame's 637762 at
// most, and a 12-bit label) serve up to 4095 centres and halve the memory the
// waves touch; wide words (32 + 32 bits) serve any table.
template <typename W, int LabelBits>
struct TGrowthWords {
    using Word = W;
    static constexpr int kLabelBits = LabelBits;
    static constexpr Word kLabelMask = (Word(1) << LabelBits) - 1;
    static constexpr Word kUnreached = ~Word(0);
    static constexpr Word kBlocked = 0;
    static constexpr std::int32_t kMaxLabel = std::int32_t(kLabelMask);
    static constexpr Word distance(std::int32_t squared) { return Word(std::uint32_t(squared)) << LabelBits; }
    static constexpr Word word(std::int32_t squared, std::uint64_t label) { return distance(squared) | Word(label); }
    static constexpr std::int32_t labelOf(Word word) { return word == kUnreached ? 0 : std::int32_t(word & kLabelMask); }
};
using TNarrowWords = TGrowthWords<std::uint32_t, 12>;
using TWideWords = TGrowthWords<std::uint64_t, 32>;

// The two rings that the label pass does not reset: the outermost one (seeds
// may lie on it) and the one inside it.
template <typename Words>
void resetOuterRings(typename Words::Word *pixels)
{
    std::fill_n(pixels, kFrameWidth, Words::kBlocked);
    std::fill_n(pixels + kLastRow * kFrameWidth, kFrameWidth, Words::kBlocked);
    std::fill_n(pixels + kFrameWidth + 1, kFrameWidth - 2, Words::kUnreached);
    std::fill_n(pixels + (kLastRow - 1) * kFrameWidth + 1, kFrameWidth - 2, Words::kUnreached);
    for (int r = 1; r < kLastRow; ++r) {
        pixels[r * kFrameWidth] = Words::kBlocked;
        pixels[r * kFrameWidth + 1] = Words::kUnreached;
        pixels[r * kFrameWidth + kLastCol - 1] = Words::kUnreached;
        pixels[r * kFrameWidth + kLastCol] = Words::kBlocked;
    }
}

// The state before growth: the outermost ring blocked, every other pixel unreached.
template <typename Words>
void resetGrowth(typename Words::Word *pixels)
{
    std::fill_n(pixels, kFramePixels, Words::kUnreached);
    resetOuterRings<Words>(pixels);
}

// Frontier entries (see FrontierEntry): pixel index in bits 0..18, row minus
// the centre's row + 512 in bits 19..28, column minus the centre's column +
// 1024 in bits 29..39, label in bits 40..63. A neighbour's entry is the entry
// plus a constant; the fields never leave their ranges inside the frame.
constexpr int kEntryDrShift = 19;
constexpr int kEntryDcShift = 29;
constexpr int kEntryLabelShift = 40;
constexpr std::int64_t kEntryUp = -kFrameWidth - (std::int64_t(1) << kEntryDrShift);
constexpr std::int64_t kEntryDown = kFrameWidth + (std::int64_t(1) << kEntryDrShift);
constexpr std::int64_t kEntryRight = 1 + (std::int64_t(1) << kEntryDcShift);
constexpr std::int64_t kEntryLeft = -1 - (std::int64_t(1) << kEntryDcShift);

constexpr std::uint64_t frontierEntry(std::int32_t index, std::int32_t dr, std::int32_t dc, std::int32_t label)
{
    return std::uint64_t(index) | std::uint64_t(dr + 512) << kEntryDrShift |
           std::uint64_t(dc + 1024) << kEntryDcShift | std::uint64_t(label) << kEntryLabelShift;
}

// Labels of columns 2..637 of one row of growth words into the working plane,
// the words reset to unreached; narrow words eight at a time.
template <typename Words>
void takeLabels(typename Words::Word *words, std::uint16_t *labels)
{
    int c = kRingFirst;
    if constexpr (std::is_same_v<Words, TNarrowWords>) {
        using TWords = std::uint32_t __attribute__((vector_size(32)));
        using TLabels = std::uint16_t __attribute__((vector_size(16)));
        for (; c + 8 <= kRingLastCol + 1; c += 8) {
            TWords block;
            std::memcpy(&block, words + c, sizeof block);
            const TWords reached = TWords(block != Words::kUnreached);
            const TLabels taken = __builtin_convertvector(block & Words::kLabelMask & reached, TLabels);
            std::memcpy(labels + c, &taken, sizeof taken);
            const TWords unreached = TWords{} + Words::kUnreached;
            std::memcpy(words + c, &unreached, sizeof unreached);
        }
    }
    for (; c <= kRingLastCol; ++c) {
        labels[c] = std::uint16_t(Words::labelOf(words[c]));
        words[c] = Words::kUnreached;
    }
}

// Adds the runs of equal labels in columns 2..637 of a working row to the
// areas. Runs are long: four labels at a time are compared with their left
// neighbours, and only a group holding a change is looked at label by label.
void countRuns(const std::uint16_t *row, TRegionTable &regions)
{
    std::uint16_t runLabel = row[kRingFirst];
    int runStart = kRingFirst;
    auto endRunAt = [&](int c) {
        regions[runLabel].Area += c - runStart; // entry 0 collects the unlabelled pixels, reset after
        runLabel = row[c];
        runStart = c;
    };
    int c = kRingFirst + 1;
    for (; c + 4 <= kRingLastCol + 1; c += 4) {
        std::uint64_t here, left;
        std::memcpy(&here, row + c, sizeof here);
        std::memcpy(&left, row + c - 1, sizeof left);
        for (std::uint64_t changed = here ^ left; changed != 0;) {
            const int lane = std::countr_zero(changed) / 16;
            endRunAt(c + lane);
            changed &= ~(std::uint64_t(0xFFFF) << (16 * lane));
        }
    }
    for (; c <= kRingLastCol; ++c)
        if (row[c] != runLabel)
            endRunAt(c);
    regions[runLabel].Area += kRingLastCol + 1 - runStart;
}

// One visit of the growth: the pixel takes the proposal (with its label bits
// replaced by the label) when proposal < its word, and a take appends child to
// next. Branch-free: the outcome is data-dependent and unpredictable. On
// x86-64 the comparison's carry drives both the select and the count (the
// compiler would materialise it in a register and compare twice).
template <typename Word>
inline __attribute__((always_inline)) void visitPixel(Word &pixel, Word proposal, Word relabel,
                                                      std::uint64_t child, std::uint64_t *next, std::size_t &size)
{
#if defined(__GNUC__) && defined(__x86_64__)
    Word word, value;
    asm("mov %[pixel], %[word]\n\t"
        "mov %[proposal], %[value]\n\t"
        "xor %[relabel], %[value]\n\t"
        "cmp %[word], %[proposal]\n\t"
        "cmovb %[value], %[word]\n\t"
        "mov %[word], %[pixel]\n\t"
        "movq %[child], %[slot]\n\t"
        "adcq $0, %[size]"
        : [word] "=&r"(word), [value] "=&r"(value), [pixel] "+m"(pixel), [slot] "=m"(next[size]), [size] "+r"(size)
        : [proposal] "r"(proposal), [relabel] "r"(relabel), [child] "r"(child)
        : "cc");
#else
    const Word word = pixel;
    const bool take = proposal < word;
    pixel = take ? (proposal ^ relabel) : word;
    next[size] = child;
    size += take;
#endif
}

} // namespace

// Discrete Voronoi by wavefront: a pixel takes the label of a neighbour's
// centre when it is unreached or that centre is strictly nearer; ties keep
// the label that arrived first in frontier order. Every take appends the
// pixel with the new label to the next wave, in the order of the takes.
template <typename Words>
void TDistMatrix::growWith(typename Words::Word *pixels, bool &reset)
{
    using Word = typename Words::Word;
    const TCellTable &cells = *m_cells;
    const std::int32_t count = CellCount();
    // The label pass of the last Build left the words reset, unless it did not run.
    if (!reset)
        resetGrowth<Words>(pixels);
    reset = false;

    // Seeds, then their first wave: a seed may lie on the outermost ring,
    // where only its inward neighbour can be entered.
    std::size_t size = 0;
    FrontierEntry *next = m_nextFrontier.Entries.get();
    for (std::int32_t k = 1; k <= count; ++k)
        if (insideFrame(cells[k].Row, cells[k].Col))
            pixels[cells[k].Row * kFrameWidth + cells[k].Col] = Words::word(0, std::uint64_t(k));
    for (std::int32_t k = 1; k <= count; ++k) {
        const std::int32_t row = cells[k].Row;
        const std::int32_t col = cells[k].Col;
        if (!insideFrame(row, col))
            continue;
        const FrontierEntry seed = frontierEntry(row * kFrameWidth + col, 0, 0, k);
        auto visit = [&](std::int64_t step) {
            const FrontierEntry reached = seed + std::uint64_t(step);
            Word &word = pixels[reached & 0x7FFFF];
            const bool take = (Words::distance(1) | Words::kLabelMask) < word;
            if (take) {
                word = Words::word(1, std::uint64_t(k));
                next[size++] = reached;
            }
        };
        const bool inRows = row >= 1 && row <= kLastRow - 1;
        const bool inCols = col >= 1 && col <= kLastCol - 1;
        if (inRows && inCols) {
            visit(kEntryUp);
            visit(kEntryRight);
            visit(kEntryDown);
            visit(kEntryLeft);
        } else {
            if (row == 0 && inCols)
                visit(kEntryDown);
            if (row == kLastRow && inCols)
                visit(kEntryUp);
            if (col == 0 && inRows)
                visit(kEntryRight);
            if (col == kLastCol && inRows)
                visit(kEntryLeft);
        }
    }
    std::swap(m_frontier, m_nextFrontier);

    // Later waves hold interior pixels only (the ring is never entered), so
    // every entry visits all four neighbours.
    while (size > 0) {
        // Each entry appends at most four.
        m_nextFrontier.reserve(4 * size);
        const FrontierEntry *entries = m_frontier.Entries.get();
        next = m_nextFrontier.Entries.get();
        std::size_t nextSize = 0;
        for (std::size_t e = 0; e < size; ++e) {
            const FrontierEntry entry = entries[e];
            Word *const at = pixels + (entry & 0x7FFFF);
            const std::int32_t dr = std::int32_t((entry >> kEntryDrShift) & 0x3FF) - 512;
            const std::int32_t dc = std::int32_t((entry >> kEntryDcShift) & 0x7FF) - 1024;
            // Proposals (d, all label bits) for the neighbours: (dr -/+ 1)^2 + dc^2
            // and so on, as the entry's d + 1 -/+ 2 dr in the distance bits
            // (wrapping arithmetic: every neighbour's d itself is in range).
            const Word nearest = Words::distance(dr * dr + dc * dc + 1) | Words::kLabelMask;
            const Word rowStep = Word(std::int64_t(2 * dr)) << Words::kLabelBits;
            const Word colStep = Word(std::int64_t(2 * dc)) << Words::kLabelBits;
            // A proposal with its label bits replaced by the label.
            const Word relabel = Words::kLabelMask ^ Word(entry >> kEntryLabelShift);
            // Branch-free visit: the outcome is data-dependent and unpredictable.
            // proposal < word  <=>  d < the pixel's distance, or unreached.
            auto visit = [&](Word &pixel, Word proposal, std::int64_t step) {
                visitPixel(pixel, proposal, relabel, entry + std::uint64_t(step), next, nextSize);
            };
            // Neighbours above, right, below, left.
            visit(at[-kFrameWidth], nearest - rowStep, kEntryUp);
            visit(at[1], nearest + colStep, kEntryRight);
            visit(at[kFrameWidth], nearest + rowStep, kEntryDown);
            visit(at[-1], nearest - colStep, kEntryLeft);
        }
        std::swap(m_frontier, m_nextFrontier);
        size = nextSize;
    }
}

void TDistMatrix::growRegions()
{
    if (CellCount() <= TNarrowWords::kMaxLabel) {
        growWith<TNarrowWords>(m_growth.get(), m_growthReset);
        storeLabelsAndAreas<TNarrowWords>(m_growth.get(), m_growthReset);
        return;
    }
    if (!m_wideGrowth) { // only for tables edited beyond 4095 centres
        m_wideGrowth = std::make_unique_for_overwrite<std::uint64_t[]>(kFramePixels);
        m_wideGrowthReset = false;
    }
    growWith<TWideWords>(m_wideGrowth.get(), m_wideGrowthReset);
    storeLabelsAndAreas<TWideWords>(m_wideGrowth.get(), m_wideGrowthReset);
}

// Takes the labels of rows 2..477, columns 2..637 out of the growth words into
// the working plane (the rest of it is always 0), resetting the words for the
// next Build on the way, and counts each region's area one run of equal labels
// at a time while the row is at hand.
template <typename Words>
void TDistMatrix::storeLabelsAndAreas(typename Words::Word *pixels, bool &reset)
{
    TRegionTable &regions = *m_regions;
    const std::int32_t count = CellCount();
    regions.fill(TRegionRec{});
    std::fill_n(m_erasedPixels.begin(), count + 1, 0); // only labels 1..count are erased
    for (int r = kRingFirst; r <= kRingLastRow; ++r) {
        std::uint16_t *row = m_work.get() + r * kFrameWidth;
        takeLabels<Words>(pixels + r * kFrameWidth, row);
        countRuns(row, regions);
    }
    resetOuterRings<Words>(pixels);
    reset = true;
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

namespace {

// Run searches in the working plane, four labels at a time (regions are wide).
// Every row of it begins and ends with two 0 pixels and a label is never 0,
// so a search for the end of a run never leaves the run's row; the few labels
// read beyond it lie inside the plane.
constexpr std::uint64_t kLanesLow = 0x0001000100010001;
constexpr std::uint64_t kLanesHigh = 0x8000800080008000;

std::uint64_t fourLabels(const std::uint16_t *labels, std::int32_t at)
{
    std::uint64_t four;
    std::memcpy(&four, labels + at, sizeof four);
    return four;
}

// Index of the last pixel of the run of label starting at (holding label).
std::int32_t runLast(const std::uint16_t *labels, std::int32_t at, std::uint16_t label)
{
    for (;; at += 4)
        if (const std::uint64_t other = fourLabels(labels, at + 1) ^ (label * kLanesLow))
            return at + std::countr_zero(other) / 16;
}

// Index of the first pixel of the run of label ending at (holding label).
std::int32_t runFirst(const std::uint16_t *labels, std::int32_t at, std::uint16_t label)
{
    for (;; at -= 4)
        if (const std::uint64_t other = fourLabels(labels, at - 4) ^ (label * kLanesLow))
            return at - std::countl_zero(other) / 16;
}

// First index in from..end holding label, or end + 1.
std::int32_t findLabel(const std::uint16_t *labels, std::int32_t from, std::int32_t end, std::uint16_t label)
{
    for (std::int32_t at = from; at <= end; at += 4) {
        // Lanes equal to label are 0 here; labels below 0x8000 keep the top bits clear, so
        // the lowest flagged lane is the first equal one.
        const std::uint64_t other = fourLabels(labels, at) ^ (label * kLanesLow);
        if (const std::uint64_t equal = (other - kLanesLow) & kLanesHigh)
            return std::min(at + std::countr_zero(equal) / 16, end + 1);
    }
    return end + 1;
}

} // namespace

// Sets to 0 every pixel 8-connected to (row, col) through pixels of its label,
// a horizontal run at a time: a run is cleared, then every run of the label in
// the rows above and below that touches it, its ends widened by one column for
// the diagonal neighbours, is queued. Which pixels are cleared does not depend
// on the order. In the working plane a labelled pixel lies in rows 2..477 and
// columns 2..637, so every pixel looked at is inside.
void TDistMatrix::eraseRegionAt(int row, int col)
{
    if (!insideFrame(row, col))
        return;
    std::uint16_t *labels = m_work.get();
    const std::uint16_t label = labels[row * kFrameWidth + col];
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
        const std::int32_t first = runFirst(labels, index, label);
        const std::int32_t last = runLast(labels, index, label);
        std::fill(labels + first, labels + last + 1, 0);
        erased += last - first + 1;
        for (const std::int32_t offset : {-kFrameWidth, kFrameWidth}) {
            const std::int32_t end = last + 1 + offset;
            for (std::int32_t at = findLabel(labels, first - 1 + offset, end, label); at <= end;
                 at = findLabel(labels, at + 1, end, label)) {
                m_fillStack.push_back(at);
                at = std::min(runLast(labels, at, label), end);
            }
        }
    }
    m_erasedPixels[label] += erased;
}

namespace {

// One row of 2 x 2 windows (top-left at columns 2..637) of the working plane:
// boundary value per window (0 inside a region, 55 on a boundary, 255 at a
// vertex) written into out, and 1 in vertex[c] at the vertices. Labels (at
// most 15000) compare alike as 16-bit lanes; eight lanes and bitwise selects,
// so that the baseline instruction set vectorises it as well.
CORNIX_KERNEL_BODY void classifyWindowsBody(const std::uint16_t *top, const std::uint16_t *bottom, std::int32_t *out,
                                            std::uint16_t *vertex)
{
    using TLanes = std::uint16_t __attribute__((vector_size(16)));
    using TValues = std::uint32_t __attribute__((vector_size(16)));
    const TLanes zero{};
    // 636 windows: 79 blocks of eight and a last block overlapping the one before.
    for (int block = kRingFirst; block <= kRingLastCol; block += 8) {
        const int c = std::min(block, kRingLastCol - 7);
        TLanes tl, tr, bl, br;
        std::memcpy(&tl, top + c, sizeof tl);
        std::memcpy(&tr, top + c + 1, sizeof tr);
        std::memcpy(&bl, bottom + c, sizeof bl);
        std::memcpy(&br, bottom + c + 1, sizeof br);
        const TLanes uniform = TLanes((tl == tr) & (tl == bl) & (tl == br));
        const TLanes three = TLanes(((tl != tr) & (tl != bl) & (tr != bl)) | ((tl != tr) & (tl != br) & (tr != br)) |
                                    ((tl != bl) & (tl != br) & (bl != br)));
        // A vertex window is never uniform, and 255 holds every bit of 55.
        const TLanes value = (three & kVertexPixel) | (~uniform & kBoundaryPixel);
        // Zero-extended to 32 bits by interleaving with 0 lanes (little-endian).
        const TValues low = TValues(__builtin_shufflevector(value, zero, 0, 8, 1, 9, 2, 10, 3, 11));
        const TValues high = TValues(__builtin_shufflevector(value, zero, 4, 12, 5, 13, 6, 14, 7, 15));
        std::memcpy(out + c, &low, sizeof low);
        std::memcpy(out + c + 4, &high, sizeof high);
        const TLanes flags = three & 1;
        std::memcpy(vertex + c, &flags, sizeof flags);
    }
}

CORNIX_DISPATCH(void, classifyWindows,
                (const std::uint16_t *top, const std::uint16_t *bottom, std::int32_t *out, std::uint16_t *vertex),
                classifyWindowsBody, (top, bottom, out, vertex))

} // namespace

// Also writes the label plane from the working plane, a row at a time while it is at hand.
void TDistMatrix::findBoundariesAndVertices()
{
    TIntPlane &labels = *m_labels;
    TIntPlane &boundary = *m_boundary;
    TVertexTable &vertices = *m_vertices;
    std::int32_t count = 0;
    std::uint16_t vertex[kFrameWidth + 8] = {};
    for (int r = kRingFirst; r <= kRingLastRow; ++r) {
        const std::uint16_t *top = m_work.get() + r * kFrameWidth;
        const std::uint16_t *bottom = top + kFrameWidth;
        std::int32_t *labelRow = labels[r].data();
        for (int c = kRingFirst; c <= kRingLastCol; ++c)
            labelRow[c] = top[c];
        classifyWindows(top, bottom, boundary[r].data(), vertex);
        // The vertices of the row in column order, four flags at a time.
        for (int c = kRingFirst; c <= kRingLastCol; c += 4) {
            std::uint64_t flags;
            std::memcpy(&flags, vertex + c, sizeof flags);
            if (c + 4 > kRingLastCol + 1)
                flags &= (std::uint64_t(1) << (16 * (kRingLastCol + 1 - c))) - 1;
            for (; flags != 0; flags &= flags - 1) {
                const int col = c + std::countr_zero(flags) / 16;
                const std::int32_t tl = top[col];
                const std::int32_t tr = top[col + 1];
                const std::int32_t bl = bottom[col];
                const std::int32_t br = bottom[col + 1];
                TVertexRec v{r, col, tl, 0, 0};
                if (pairwiseDifferent(tl, tr, bl))
                    v.LabelB = tr, v.LabelC = bl;
                else if (pairwiseDifferent(tl, tr, br))
                    v.LabelB = tr, v.LabelC = br;
                else
                    v.LabelB = bl, v.LabelC = br;
                if (count < kMaxVertices)
                    vertices[++count] = v;
            }
        }
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
