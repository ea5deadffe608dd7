#pragma once
// Plain types shared by the cell analysis: the grey frame, the region of
// interest, the cell table, the planes and tables of the neighbourhood matrix.
// Every plane is the fixed 640 x 480 frame, row-major, row 0 at the top.
#include <array>
#include <cstdint>

namespace cornix {
inline constexpr int kFrameWidth = 640;   // columns 0..639
inline constexpr int kFrameHeight = 480;  // rows 0..479
inline constexpr int kFramePixels = kFrameWidth * kFrameHeight;
inline constexpr int kMaxCells = 15000;    // cell and region tables: entries 0..kMaxCells
inline constexpr int kMaxVertices = 45000; // vertex table: entries 0..kMaxVertices
} // namespace cornix

// A plane of 480 rows x 640 values; plane[row][col]. Large: hold it on the heap.
template <typename T>
using TPlane = std::array<std::array<T, cornix::kFrameWidth>, cornix::kFrameHeight>;

// One frame as grey levels 0..255 (mean of the three colour bytes, rounded).
using TGrayFrame = TPlane<std::uint8_t>;
// Working planes of the cell finder (grey levels, responses, mask 0/255, labels).
using TDoublePlane = TPlane<double>;
// Label and boundary planes of the neighbourhood matrix.
using TIntPlane = TPlane<std::int32_t>;

// Rectangle in frame pixels (Left/Right columns, Top/Bottom rows, inclusive
// bounds as the operator drew them). (0, 0, 0, 0) means "no region".
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    friend bool operator==(const TRect &, const TRect &) = default;
};

namespace cornix {
// The same rectangle with Left <= Right and Top <= Bottom.
TRect NormalizedRect(const TRect &rect);
// A region of interest is valid when (Right - Left) * (Bottom - Top) > 50
// (computed without overflow on the rectangle as given).
bool IsValidRoi(const TRect &rect);
} // namespace cornix

// One entry of a cell table. While the finder labels, Row/Col hold sums of the
// region's pixel rows/columns; afterwards the centre (pixel row/column).
struct TCellRec {
    std::int32_t Row = 0;
    std::int32_t Col = 0;
    std::int32_t PixelCount = 0; // pixels of the region the centre came from
    std::int32_t Spare = 0;      // 1: centre added by hand
    friend bool operator==(const TCellRec &, const TCellRec &) = default;
};

// Entries 0..15000. Entry 0 is the header: Row holds the number of cells N
// (the finder also writes N into Col and PixelCount). Cells are entries 1..N,
// ordered by Row ascending (order among equal rows unspecified). ~240 KB.
using TCellTable = std::array<TCellRec, cornix::kMaxCells + 1>;

// One vertex: the pixel (Row, Col) where three regions meet, and their labels
// (0 = erased/outside counts as a label).
struct TVertexRec {
    std::int32_t Row = 0;
    std::int32_t Col = 0;
    std::int32_t LabelA = 0;
    std::int32_t LabelB = 0;
    std::int32_t LabelC = 0;
};
// Entries 0..45000; entry 0's Row holds the number of vertices V, vertices are 1..V.
using TVertexTable = std::array<TVertexRec, cornix::kMaxVertices + 1>;

// One region of the neighbourhood matrix; entry k describes centre k.
struct TRegionRec {
    std::int32_t Area = 0;  // pixels; 0 when the region was erased
    std::int32_t Sides = 0; // vertex entries naming the region
    std::int32_t Row = 0;   // centre, copied from the cell table (0 when erased)
    std::int32_t Col = 0;
};
// Entries 0..15000; in entry 0 all four fields hold N.
using TRegionTable = std::array<TRegionRec, cornix::kMaxCells + 1>;

// Values of the boundary plane.
inline constexpr std::int32_t kBoundaryPixel = 55;
inline constexpr std::int32_t kVertexPixel = 255;
