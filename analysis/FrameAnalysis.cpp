#include "FrameAnalysis.h"

#include "BandPipeline.h"
#include "UBCellFinder.h"
#include "VoronoiDistMatrix.h"

#include <new>

namespace cornix {

TFrameAnalysis::TFrameAnalysis() = default;
TFrameAnalysis::~TFrameAnalysis() = default;
TFrameAnalysis::TFrameAnalysis(TFrameAnalysis &&) noexcept = default;
TFrameAnalysis &TFrameAnalysis::operator=(TFrameAnalysis &&) noexcept = default;

bool FrameFigures(const TDistMatrix &matrix, const TRect &roi, double pixelToMM, TFrameStats &stats)
{
    try {
        CalculateFrameStats(static_cast<std::uint16_t>(matrix.CellCount()), pixelToMM, matrix.Regions(), roi, stats);
    } catch (const EStatisticsError &) {
        return false;
    }
    return true;
}

TFrameAnalysis AnalyseGrayFrame(const TGrayFrame &gray, const TRect &roi, double threshold,
                                const TAnalysisScale &scale, const std::function<void()> &alongsideBuild)
{
    TFrameAnalysis analysis;
    analysis.Roi = NormalizedRect(roi);
    if (!IsValidRoi(analysis.Roi))
        return analysis;
    try {
        auto finder = std::make_unique<TCMFinder>(gray);
        finder->Find(kAnalysisIterations, threshold, analysis.Roi);
        analysis.CellsFound = finder->CellCount();
        if (analysis.CellsFound <= kMinimumCells) {
            analysis.Result = TFrameAnalysis::TooFewCells;
            return analysis;
        }
        analysis.Matrix = std::make_unique<TDistMatrix>(finder->Cells());
        finder.reset();
        TDistMatrix &matrix = *analysis.Matrix;
        if (alongsideBuild)
            RunAlongside(alongsideBuild, [&matrix] { matrix.Build(); });
        else
            matrix.Build();
    } catch (const std::bad_alloc &) {
        analysis.Matrix.reset();
        analysis.Result = TFrameAnalysis::OutOfMemory;
        return analysis;
    }
    const bool figures = FrameFigures(*analysis.Matrix, analysis.Roi, scale.PixelToMM, analysis.Stats);
    if (figures && analysis.Stats.CellCount == 0) {
        // Cells around the region but none counted inside: a density of 0 would
        // pass for a figure.
        analysis.Matrix.reset();
        analysis.Result = TFrameAnalysis::TooFewCells;
        return analysis;
    }
    analysis.Result = figures ? TFrameAnalysis::Analysed : TFrameAnalysis::NoFigures;
    return analysis;
}

} // namespace cornix
