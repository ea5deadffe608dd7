#pragma once
// The endothelial figures of one analysed frame, the pachymetry measure and the
// examination summary averaged over the frames in use. Plain C++: the frame
// buffer feeds these functions with the matrix's region table and its own planes.
//
// Units: areas of single cells in µm², the analysed area in mm², the density in
// cells/mm², pachymetry in pixels (measure) or µm (PachymetryMicrons). Every
// rounding of a real to an integer is to the nearest integer, ties to even.
#include "AnalysisTypes.h"

#include <array>
#include <cstdint>
#include <stdexcept>

namespace cornix {
// SidesHist bins: cells with 4, 5, 6, 7 sides, then every other number.
inline constexpr int kSidesBins = 5;
inline constexpr int kHexagonalBin = 2;
// AreaHist bins, largest first: >= 700, 600-699, 500-599, 400-499, 300-399,
// 200-299, < 200 µm².
inline constexpr int kAreaBins = 7;
// MinArea of a frame with no counted cell.
inline constexpr double kNoCellMinArea = 65000.0;
} // namespace cornix

using TSidesHist = std::array<std::uint16_t, cornix::kSidesBins>;
using TAreaHist = std::array<std::uint16_t, cornix::kAreaBins>;

// Figures of one frame (written by the frame's statistics computation).
struct TFrameStats {
    std::uint16_t CellCount = 0;
    TSidesHist SidesHist{};
    std::uint16_t Density = 0; // cells/mm²
    TAreaHist AreaHist{};
    double MaxArea = 0;      // µm²
    double MinArea = 0;      // µm²; 65000 when no cell was counted
    double MeanArea = 0;     // µm²
    double AnalysedArea = 0; // mm²
    double AreaSD = 0;       // µm², population standard deviation
    double AreaCV = 0;       // fraction: AreaSD / MeanArea
    friend bool operator==(const TFrameStats &, const TFrameStats &) = default;
};

// The examination summary: means of the per-frame figures over the used frames.
struct TEndoStats {
    std::uint16_t FramesUsed = 0;
    std::uint16_t CellCount = 0;
    TSidesHist SidesHist{};
    std::uint16_t Density = 0;
    TAreaHist AreaHist{};
    double MaxArea = 0;
    double MinArea = 0;
    double MeanArea = 0;
    double AnalysedArea = 0;
    double AreaSD = 0;
    double AreaCV = 0;
    std::int32_t Pachymetry = 0; // µm
    friend bool operator==(const TEndoStats &, const TEndoStats &) = default;
};

// Columns of the two bright reflections and their distance, in pixels.
struct TPachymetry {
    std::int32_t Left = 0;
    std::int32_t Right = 0;
    std::int32_t Width = 0; // Right - Left
    friend bool operator==(const TPachymetry &, const TPachymetry &) = default;
};

// A grey frame in column order: columns[c][r], 640 columns of 480 rows.
using TGrayColumns = std::array<std::array<std::uint8_t, cornix::kFrameHeight>, cornix::kFrameWidth>;

namespace cornix {

// A figure that cannot be computed: a division by zero (scale 0, mean area 0)
// or a density beyond the 16-bit field.
class EStatisticsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Computes the figures of one frame into stats. n is the number of centres (the
// working cell table's entry 0, read as 16 bits; at most 15000 entries are read);
// a region counts when its centre lies strictly inside roi. pixelToMM is in mm
// per pixel. stats is reset first and written step by step: on EStatisticsError
// the fields computed before the failure keep their values.
void CalculateFrameStats(std::uint16_t n, double pixelToMM, const TRegionTable &regions, const TRect &roi,
                         TFrameStats &stats);

// The two reflections' columns from the gradient of a grey frame in column order.
TPachymetry MeasurePachymetry(const TGrayColumns &columns);
// The same from the grey frame in row order (640 x 480, gray[row][col]).
TPachymetry MeasurePachymetry(const TGrayFrame &gray);

// width × pixelToPaq in µm, rounded; a negative width shows as 0 and a result
// beyond 65535 as 65535.
std::uint16_t PachymetryMicrons(std::int32_t width, double pixelToPaq);

// Share of six-sided cells in percent; 0 when no cell was counted.
double HexagonalPercent(const TSidesHist &sides, std::uint16_t cellCount);

// Sums the figures of the used frames and gives their means (integer figures
// rounded, ties to even; doubles divided).
class TSummaryAccumulator {
public:
    void Add(const TFrameStats &frame, std::uint16_t pachymetryMicrons);
    TEndoStats Result() const;

private:
    std::uint32_t m_frames = 0;
    std::uint64_t m_cellCount = 0;
    std::array<std::uint64_t, kSidesBins> m_sides{};
    std::uint64_t m_density = 0;
    std::array<std::uint64_t, kAreaBins> m_areas{};
    double m_maxArea = 0, m_minArea = 0, m_meanArea = 0, m_analysedArea = 0, m_areaSD = 0, m_areaCV = 0;
    std::uint64_t m_pachymetry = 0;
};

} // namespace cornix
