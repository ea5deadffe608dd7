#pragma once
// Neighbourhood matrix: discrete Voronoi regions of the cell centres, their
// areas, boundaries, vertices and number of sides, and the editable centres.
#include "AnalysisTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

// One matrix per analysed frame (the frame buffer owns it). All planes and
// tables (about 6.5 MB) are allocated once in the constructor; Build, the edits
// and the readers allocate nothing.
class TDistMatrix {
public:
    // Regions larger than this (pixels) are erased.
    static constexpr std::int32_t kMaxRegionArea = 800;

    // Copies the whole table (entries 0..15000) into the working and the saved
    // table; label and boundary planes 0. Does not build. A count in entry 0
    // outside 0..15000 is clamped into that range.
    explicit TDistMatrix(const TCellTable &cells);
    ~TDistMatrix();
    TDistMatrix(const TDistMatrix &) = delete;
    TDistMatrix &operator=(const TDistMatrix &) = delete;

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
    // One pixel reached by a wave and the label it carries, in one word (see
    // frontierEntry in the implementation).
    using FrontierEntry = std::uint64_t;

    void growRegions(); // also stores the labels and areas
    template <typename Words>
    void storeLabelsAndAreas(typename Words::Word *pixels, bool &reset);
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
    // Growth state per pixel in one word: squared distance to the centre in the
    // high bits, label in the low bits (exact integers: comparing them is
    // comparing the correctly rounded Euclidean distances). 32-bit words serve
    // up to 4095 centres; the 64-bit ones, for larger tables, are made on
    // first use.
    std::unique_ptr<std::uint32_t[]> m_growth;
    std::unique_ptr<std::uint64_t[]> m_wideGrowth;
    // True while the words are in the state growth starts from (the label pass
    // leaves them so; a Build cut short by an exception does not).
    bool m_growthReset = false;
    bool m_wideGrowthReset = false;
    template <typename Words>
    void growWith(typename Words::Word *pixels, bool &reset);
    // Labels during the erasing (half the memory of the label plane, which is
    // written from it with the boundaries). 0 outside rows 2..477, columns 2..637.
    std::unique_ptr<std::uint16_t[]> m_work;
    // A wave: storage left uninitialised (only the used part is ever touched),
    // used up to an explicit count; grows only on pathological input.
    struct FrontierList {
        std::unique_ptr<FrontierEntry[]> Entries;
        std::size_t Capacity = 0;
        void reserve(std::size_t capacity);
    };
    FrontierList m_frontier;
    FrontierList m_nextFrontier;
    std::vector<std::int32_t> m_fillStack;
    // Pixels erased per label during one Build; areas are corrected once the
    // erasing is done, so the oversize test sees the areas before erasing.
    std::vector<std::int32_t> m_erasedPixels;
};
