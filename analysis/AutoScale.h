#pragma once
// The automatic scale: an optional way of analysing a frame that first measures
// the spacing of its cells (CellSpacing.h) and resamples the frame so that the
// cells are kAutoScaleSpacing pixels apart, the size the cell finder's fixed
// smoothing and Laplacian suit best. The unchanged analysis then runs on the
// resampled (working) frame, with the length scale divided by the factor, so
// that areas stay in µm² and densities in cells/mm² of the frame itself.
//
// The working frame shows only the region grown by a margin of three cells;
// the rest is flat grey, so the finder sees no more cells than the region holds.
// A region that would hold more than about kAutoScaleMaxCells cells after
// resampling (the finder discards frames of more than 1300 regions), or that is
// wider than the working frame, is reduced about its centre: FrameRoi says which
// part of the frame was analysed. Plain C++.
#include "AnalysisTypes.h"
#include "CellSpacing.h"
#include "EndoStatistics.h"
#include "FrameAnalysis.h"

#include <cstdint>
#include <memory>
#include <optional>

class TDistMatrix;

namespace cornix {

// The spacing (pixels) the working frame's cells are given: the middle of the
// band (about 11 to 20 pixels) where the finder counts generated mosaics, even
// pleomorphic and blurred ones, within 1 % (docs/autoscale.md).
inline constexpr double kAutoScaleSpacing = 15.0;
// The working frame's region grown by this many target spacings shows the frame.
inline constexpr double kAutoScaleMarginCells = 3.0;
// At most about this many cells of the target spacing are shown to the finder.
inline constexpr int kAutoScaleMaxCells = 1000;

// Working pixels per frame pixel that turn the measured spacing into the target.
double AutoScaleFactor(double spacingPx, double targetPx = kAutoScaleSpacing);

// A frame resampled for the analysis. Coordinates (pixel centres at integers):
// working = (frame + 0.5) x Factor - 0.5 - Offset, for rows and columns alike.
struct TScaledFrame {
    std::unique_ptr<TGrayFrame> Gray; // the working frame; Fill outside Window
    double Factor = 1.0;
    std::int32_t OffsetRow = 0;
    std::int32_t OffsetCol = 0;
    TRect Roi;      // the region, working pixels
    TRect Window;   // working pixels that show the frame: Roi grown by the margin
    TRect FrameRoi; // Roi in frame pixels: the region actually analysed
    std::uint8_t Fill = 0; // mean grey of the window, everywhere else
    bool Reduced = false;  // the region had to be reduced to fit

    double ToFrameRow(double row) const { return (row + OffsetRow + 0.5) / Factor - 0.5; }
    double ToFrameCol(double col) const { return (col + OffsetCol + 0.5) / Factor - 0.5; }
    double ToWorkingRow(double row) const { return (row + 0.5) * Factor - 0.5 - OffsetRow; }
    double ToWorkingCol(double col) const { return (col + 0.5) * Factor - 0.5 - OffsetCol; }
};

// Resamples gray inside the working window of roi (normalised and clipped to
// the frame first): bilinear when enlarging, area averaging when shrinking.
// factor > 0.
// targetPx, the spacing the cells will have, sets the margin, the fade and the
// cell budget.
TScaledFrame ScaleForAnalysis(const TGrayFrame &gray, const TRect &roi, double factor,
                              double targetPx = kAutoScaleSpacing);

// What the analysis of a frame in the automatic mode gives.
struct TAutoScaleResult {
    enum TStatus {
        Analysed,      // as TFrameAnalysis::Analysed, on the working frame
        NoSpacing,     // the region shows no clear ring: nothing else was run
        TooFewCells,   // kMinimumCells or fewer on the working frame
        NoValidRegion, // the region's area is 50 pixels or less
        NoFigures,     // a figure cannot be computed (a scale of 0, say)
        OutOfMemory,
    };
    TStatus Status = NoValidRegion;
    std::optional<TCellSpacing> Spacing; // measured in the frame's region
    TScaledFrame Scaled;                 // the working frame (when a spacing was found)
    std::int32_t CellsFound = 0;         // N of the finder on the working frame
    std::unique_ptr<TDistMatrix> Matrix; // built on the working frame (Analysed)
    TFrameStats Stats;                   // figures in µm², mm² and cells/mm² of the frame
    double WorkingPixelToMM = 0;         // length scale of the working frame, mm per pixel

    TAutoScaleResult();
    ~TAutoScaleResult();
    TAutoScaleResult(TAutoScaleResult &&) noexcept;
    TAutoScaleResult &operator=(TAutoScaleResult &&) noexcept;
};

// Measures the spacing in roi, resamples, and analyses the working frame with
// AnalyseGrayFrame (its region, threshold, and scale.PixelToMM / factor).
// targetPx is the spacing the cells are given (the evaluation varies it).
// Never throws.
TAutoScaleResult AnalyseAutoScale(const TGrayFrame &gray, const TRect &roi, double threshold,
                                  const TAnalysisScale &scale, double targetPx = kAutoScaleSpacing);

// The working cell table in frame pixels (centres rounded, ties to even); the
// other fields are copied.
void CellsToFrame(const TScaledFrame &scaled, const TCellTable &working, TCellTable &frame);
// The working label plane seen from every frame pixel (the nearest working
// pixel's label; 0 where that lies outside the window or the working frame).
void LabelsToFrame(const TScaledFrame &scaled, const TIntPlane &working, TIntPlane &frame);
// Boundary plane of a label plane by its 2 x 2 windows (rows and columns
// 0..478 / 0..638): three different labels make a vertex (255), two a boundary
// pixel (55), one nothing (0).
void BoundariesOf(const TIntPlane &labels, TIntPlane &boundary);

} // namespace cornix
