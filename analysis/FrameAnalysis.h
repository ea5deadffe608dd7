#pragma once
// The analysis of one grey frame, from its region of interest to its figures:
// cell finder, neighbourhood matrix, statistics. No drawing and no Qt. The
// examination window (through the frame buffer), the command-line tools, the
// benchmarks and the tests all analyse a frame through AnalyseGrayFrame; drawing
// the overlay is a later step that reads what it returns.
#include "AnalysisTypes.h"
#include "EndoStatistics.h"

#include <cstdint>
#include <functional>
#include <memory>

class TDistMatrix;

// Scales of the workstation (settings section METRICS).
struct TAnalysisScale {
    double PixelToMM = 0;  // mm per pixel
    double PixelToPaq = 0; // µm of pachymetry per pixel of measured width
};

namespace cornix {

// Extra smoothing passes of the finder in the analysis of a frame.
inline constexpr std::int32_t kAnalysisIterations = 5;
// An analysis needs more than this many cells.
inline constexpr std::int32_t kMinimumCells = 30;
// Thresholds of the sensitivity buttons.
inline constexpr double kHighSensitivity = -2.5;   // "Alta"
inline constexpr double kNormalSensitivity = -3.0; // "Normal"
inline constexpr double kLowSensitivity = -3.5;    // "Baixa"

// What the analysis of one grey frame gives.
struct TFrameAnalysis {
    enum TResult {
        Analysed,      // matrix built, figures computed
        TooFewCells,   // kMinimumCells or fewer (also a frame the finder discarded), or none counted
                       // inside the region: no matrix
        NoValidRegion, // the region's area is 50 pixels or less: nothing was run
        NoFigures,     // matrix built, but a figure cannot be computed (a scale of 0, say)
        OutOfMemory,   // the finder's or the matrix's planes could not be had
    };
    TResult Result = NoValidRegion;
    TRect Roi;                           // the region, normalised
    std::int32_t CellsFound = 0;         // N of the finder
    std::unique_ptr<TDistMatrix> Matrix; // built, with its cell table, on Analysed and NoFigures
    TFrameStats Stats;                   // the figures; on NoFigures those computed before the failure

    TFrameAnalysis();
    ~TFrameAnalysis();
    TFrameAnalysis(TFrameAnalysis &&) noexcept;
    TFrameAnalysis &operator=(TFrameAnalysis &&) noexcept;
};

// Finder (kAnalysisIterations passes, threshold, the region choosing the contrast
// window) on gray; with more than kMinimumCells cells a matrix of the finder's
// cells, built; then the figures of the regions whose centre lies strictly inside
// the region (none of them: TooFewCells), with scale.PixelToMM (PixelToPaq serves the pachymetry, measured on
// its own). The finder's planes live for this call only, so every analysis starts
// from zeroed planes. Never throws. alongsideBuild, if given, is work of the
// caller's that needs nothing of the analysis: it runs on the second core while
// the matrix is built (or after the build when that core is not to be had), and
// only when a matrix is built. It must not throw.
TFrameAnalysis AnalyseGrayFrame(const TGrayFrame &gray, const TRect &roi, double threshold,
                                const TAnalysisScale &scale, const std::function<void()> &alongsideBuild = {});

// The figures of a built matrix's regions inside roi (after a manual edit, say):
// CalculateFrameStats with the matrix's number of centres. False when a figure
// cannot be computed (stats then keeps those computed before); never throws.
bool FrameFigures(const TDistMatrix &matrix, const TRect &roi, double pixelToMM, TFrameStats &stats);

} // namespace cornix
