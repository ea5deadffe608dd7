// cornix-evaluate: accuracy of the analysis of one frame on synthetic frames with
// known cells. For each density and seed it analyses a synthetic frame with the
// examination window's analysis (AnalyseGrayFrame) and compares the detected centres (those
// strictly inside the region) with the generator's cell centroids: precision
// and recall of centres matched one-to-one within 3 pixels, and the error of
// the frame's density against the mosaic's true density.
#include "CentreMatching.h"
#include "SyntheticFrame.h"

#include "AnalyseRequest.h"
#include "FrameAnalysis.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

using namespace cornix;
using namespace cornix::cli;

namespace {

constexpr double kMmPerPixel = 0.00186;
constexpr double kMatchDistance = 3.0;

bool StrictlyInside(const TRect &r, double row, double col)
{
    return r.Top < row && row < r.Bottom && r.Left < col && col < r.Right;
}

struct TTrial {
    bool Analysed = false;
    TMatchCounts Counts;
    double DensityError = 0; // percent
    double Milliseconds = 0;
};

TTrial RunTrial(std::uint32_t seed, double density, double threshold, const TSyntheticStyle &style)
{
    const TSyntheticFrame frame = SyntheticFrame(seed, density, kMmPerPixel, style);
    auto gray = std::make_unique<TGrayFrame>();
    QElapsedTimer timer;
    timer.start();
    TBFrameBuffer::GrayOf(frame.Frame, *gray);
    const TFrameAnalysis analysis = AnalyseGrayFrame(*gray, frame.Roi, threshold, TAnalysisScale{kMmPerPixel, 1.5});
    TTrial trial;
    trial.Milliseconds = double(timer.nsecsElapsed()) / 1e6;
    if (analysis.Result != TFrameAnalysis::Analysed)
        return trial;
    trial.Analysed = true;
    const TCellTable &cells = analysis.Matrix->Cells();
    std::vector<TPoint> detected, truth;
    std::vector<bool> detectedCounted, trueCounted;
    for (int k = 1; k <= cells[0].Row; ++k) {
        detected.push_back({double(cells[std::size_t(k)].Row), double(cells[std::size_t(k)].Col)});
        detectedCounted.push_back(StrictlyInside(frame.Roi, cells[std::size_t(k)].Row, cells[std::size_t(k)].Col));
    }
    for (const TTrueCell &cell : frame.Cells) {
        truth.push_back({cell.Row, cell.Col});
        trueCounted.push_back(StrictlyInside(frame.Roi, cell.Row, cell.Col));
    }
    trial.Counts = MatchCentres(detected, detectedCounted, truth, trueCounted, kMatchDistance);
    trial.DensityError = (analysis.Stats.Density - frame.TrueDensity) / frame.TrueDensity * 100.0;
    return trial;
}

// Column headings padded by characters, not bytes: the accented ones are
// longer in UTF-8 than on screen.
void PrintHeadings()
{
    const std::pair<const char *, int> headings[] = {
        {"densidade", 9},     {"analisados", 10},  {"células", 10},    {"precisão%", 10},
        {"revocação%", 10},   {"erro dens.%", 12}, {"|erro| máx.", 12}, {"ms/quadro", 10}};
    QStringList cells;
    for (const auto &[text, width] : headings)
        cells << QString::fromUtf8(text).rightJustified(width);
    std::printf("%s\n", cells.join(QLatin1Char(' ')).toUtf8().constData());
}

void PrintTable(const char *title, const TSyntheticStyle &style, int seeds, double threshold)
{
    std::printf("\n%s (variação %.2f, desfoque %.1f px, ruído %.1f, %d gutatas)\n", title, style.SizeVariation,
                style.FocusBlur, style.NoiseSigma, style.GuttaCount);
    PrintHeadings();
    for (double density = 1000; density <= 3500; density += 500) {
        int analysed = 0;
        double precision = 0, recall = 0, error = 0, worst = 0, ms = 0, cells = 0;
        for (int seed = 1; seed <= seeds; ++seed) {
            const TTrial trial = RunTrial(std::uint32_t(seed), density, threshold, style);
            ms += trial.Milliseconds;
            if (!trial.Analysed)
                continue;
            ++analysed;
            precision += trial.Counts.Precision();
            recall += trial.Counts.Recall();
            cells += trial.Counts.True;
            error += trial.DensityError;
            worst = std::max(worst, std::abs(trial.DensityError));
        }
        const double n = std::max(analysed, 1);
        std::printf("%9.0f %7d/%-2d %10.0f %10.2f %10.2f %+12.2f %12.2f %10.1f\n", density, analysed, seeds, cells / n,
                    100 * precision / n, 100 * recall / n, error / n, worst, ms / seeds);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int seeds = 5;
    double threshold = kNormalSensitivity;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--seeds"))
            seeds = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--sensitivity"))
            threshold = ParseSensitivity(args[i + 1]).value_or(kNormalSensitivity);
    }
    std::printf("Quadros sintéticos, %.6f mm/pixel, limiar %.2f, %d sementes por densidade, centros pareados a "
                "até %.0f px;\nprecisão e revocação sobre os centros estritamente dentro da região, erro da "
                "densidade em relação à densidade do mosaico\n",
                kMmPerPixel, threshold, seeds, kMatchDistance);
    PrintTable("Mosaico típico", TSyntheticStyle{}, seeds, threshold);
    PrintTable("Pleomórfico, menos nítido e com mais ruído", TSyntheticStyle{0.45, 1.5, 8.0, 0}, seeds, threshold);
    PrintTable("Com gutatas", TSyntheticStyle{0.30, 1.0, 5.0, 15}, seeds, threshold);
    return 0;
}
