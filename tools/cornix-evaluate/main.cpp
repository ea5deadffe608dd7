// cornix-evaluate: accuracy of the analysis of one frame on synthetic frames with
// known cells. For each density and seed it analyses a synthetic frame with the
// examination window's analysis (AnalyseGrayFrame) and compares the detected centres (those
// strictly inside the region) with the generator's cell centroids: precision
// and recall of centres matched one-to-one within 3 pixels, and the error of
// the frame's density against the mosaic's true density. With --auto-scale the
// frames are analysed in the automatic-scale mode instead; --sweep compares
// both modes over cell spacings of 7 to 30 pixels.
#include "CentreMatching.h"
#include "SyntheticFrame.h"

#include "AnalyseRequest.h"
#include "AutoScale.h"
#include "FrameAnalysis.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
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

// How a trial analyses its frame.
struct TMode {
    bool AutoScale = false;
    double Target = kAutoScaleSpacing; // spacing the automatic mode gives the cells, pixels
    double MatchDistance = kMatchDistance;
};

struct TTrial {
    bool Analysed = false;
    TMatchCounts Counts;
    double DensityError = 0; // percent
    double Milliseconds = 0;
    std::optional<double> SpacingError; // automatic mode: percent of the true spacing
    double Factor = 1;
};

TMatchCounts MatchCells(const TCellTable &cells, const TRect &roi, const TSyntheticFrame &frame, double distance)
{
    std::vector<TPoint> detected, truth;
    std::vector<bool> detectedCounted, trueCounted;
    for (int k = 1; k <= cells[0].Row; ++k) {
        detected.push_back({double(cells[std::size_t(k)].Row), double(cells[std::size_t(k)].Col)});
        detectedCounted.push_back(StrictlyInside(roi, cells[std::size_t(k)].Row, cells[std::size_t(k)].Col));
    }
    for (const TTrueCell &cell : frame.Cells) {
        truth.push_back({cell.Row, cell.Col});
        trueCounted.push_back(StrictlyInside(roi, cell.Row, cell.Col));
    }
    return MatchCentres(detected, detectedCounted, truth, trueCounted, distance);
}

// Lattice spacing of the generator's mosaic of this density, pixels.
double TrueSpacing(double density) { return std::sqrt(2.0 / (std::sqrt(3.0) * density)) / kMmPerPixel; }
double DensityOfSpacing(double spacing) { return 2.0 / (std::sqrt(3.0) * std::pow(spacing * kMmPerPixel, 2)); }

TTrial RunAutoScaleTrial(const TSyntheticFrame &frame, double threshold, const TMode &mode)
{
    auto gray = std::make_unique<TGrayFrame>();
    TBFrameBuffer::GrayOf(frame.Frame, *gray);
    QElapsedTimer timer;
    timer.start();
    const TAutoScaleResult result =
        AnalyseAutoScale(*gray, frame.Roi, threshold, TAnalysisScale{kMmPerPixel, 1.5}, mode.Target);
    TTrial trial;
    trial.Milliseconds = double(timer.nsecsElapsed()) / 1e6;
    if (result.Spacing) {
        const double truth = TrueSpacing(frame.TrueDensity);
        trial.SpacingError = (result.Spacing->SpacingPx - truth) / truth * 100.0;
        trial.Factor = result.Scaled.Factor;
    }
    if (result.Status != TAutoScaleResult::Analysed)
        return trial;
    trial.Analysed = true;
    auto cells = std::make_unique<TCellTable>();
    CellsToFrame(result.Scaled, result.Matrix->Cells(), *cells);
    trial.Counts = MatchCells(*cells, result.Scaled.FrameRoi, frame, mode.MatchDistance);
    trial.DensityError = (result.Stats.Density - frame.TrueDensity) / frame.TrueDensity * 100.0;
    return trial;
}

TTrial RunTrial(std::uint32_t seed, double density, double threshold, const TSyntheticStyle &style,
                const TMode &mode = {})
{
    const TSyntheticFrame frame = SyntheticFrame(seed, density, kMmPerPixel, style);
    if (mode.AutoScale)
        return RunAutoScaleTrial(frame, threshold, mode);
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
    trial.Counts = MatchCells(analysis.Matrix->Cells(), frame.Roi, frame, mode.MatchDistance);
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

void PrintTable(const char *title, const TSyntheticStyle &style, int seeds, double threshold, const TMode &mode)
{
    std::printf("\n%s (variação %.2f, desfoque %.1f px, ruído %.1f, %d gutatas)\n", title, style.SizeVariation,
                style.FocusBlur, style.NoiseSigma, style.GuttaCount);
    PrintHeadings();
    for (double density = 1000; density <= 3500; density += 500) {
        int analysed = 0;
        double precision = 0, recall = 0, error = 0, worst = 0, ms = 0, cells = 0;
        for (int seed = 1; seed <= seeds; ++seed) {
            const TTrial trial = RunTrial(std::uint32_t(seed), density, threshold, style, mode);
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

// Means over the seeds of one cell size in one mode.
struct TSweepCell {
    int Analysed = 0;
    int Estimated = 0;
    double Error = 0, Worst = 0, SpacingError = 0, SpacingWorst = 0, Factor = 0, Precision = 0, Recall = 0;
    void Add(const TTrial &trial)
    {
        if (trial.SpacingError) {
            ++Estimated;
            SpacingError += *trial.SpacingError;
            SpacingWorst = std::max(SpacingWorst, std::abs(*trial.SpacingError));
            Factor += trial.Factor;
        }
        if (!trial.Analysed)
            return;
        ++Analysed;
        Error += trial.DensityError;
        Worst = std::max(Worst, std::abs(trial.DensityError));
        Precision += trial.Counts.Precision();
        Recall += trial.Counts.Recall();
    }
    QString Density(int seeds) const
    {
        if (Analysed == 0)
            return QStringLiteral("%1 %2 %3").arg(QStringLiteral("0/%1").arg(seeds), 6).arg(QStringLiteral("-"), 7)
                .arg(QStringLiteral("-"), 6);
        return QStringLiteral("%1 %2 %3")
            .arg(QStringLiteral("%1/%2").arg(Analysed).arg(seeds), 6)
            .arg(Error / Analysed, 7, 'f', 2)
            .arg(Worst, 6, 'f', 2);
    }
};

const std::vector<double> kSweepSpacings = {7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 22, 24, 26, 28, 30};

// Both modes by cell spacing: density errors of the default mode, then the
// spacing estimate, factor, density error, precision and recall of the
// automatic mode.
void PrintSweep(const char *title, const TSyntheticStyle &style, int seeds, double threshold,
                const std::vector<double> &spacings, double target)
{
    std::printf("\n%s (variação %.2f, desfoque %.1f px, ruído %.1f, %d gutatas)\n", title, style.SizeVariation,
                style.FocusBlur, style.NoiseSigma, style.GuttaCount);
    std::printf("%s\n", QStringLiteral("%1 %2 | %3 | %4")
                            .arg(QStringLiteral("espaç."), 6).arg(QStringLiteral("densid."), 7)
                            .arg(QStringLiteral("padrão: analis.  erro%  |máx|"), 29)
                            .arg(QStringLiteral("automático: estim. espaç.% |máx|  fator analis.  erro%  |máx| "
                                                "precisão% revocação%"))
                            .toUtf8().constData());
    for (double spacing : spacings) {
        const double density = DensityOfSpacing(spacing);
        // Centres of large cells are matched within a quarter of the spacing, and
        // the region keeps a cell and a half from the edge of the lit field so
        // that the cells it counts have neighbours all round.
        const double distance = std::max(kMatchDistance, spacing / 4);
        TSyntheticStyle framed = style;
        framed.RoiInset = std::max(style.RoiInset, int(std::lround(1.5 * spacing)));
        TSweepCell fixed, automatic;
        for (int seed = 1; seed <= seeds; ++seed) {
            fixed.Add(RunTrial(std::uint32_t(seed), density, threshold, framed, TMode{false, target, distance}));
            automatic.Add(RunTrial(std::uint32_t(seed), density, threshold, framed, TMode{true, target, distance}));
        }
        const double estimated = std::max(automatic.Estimated, 1), analysed = std::max(automatic.Analysed, 1);
        std::printf("%s\n", QStringLiteral("%1 %2 | %3 | %4 %5 %6 %7 %8 %9 %10")
                                .arg(spacing, 6, 'f', 1).arg(density, 7, 'f', 0)
                                .arg(fixed.Density(seeds), 29)
                                .arg(QStringLiteral("%1/%2").arg(automatic.Estimated).arg(seeds), 18)
                                .arg(automatic.SpacingError / estimated, 7, 'f', 2)
                                .arg(automatic.SpacingWorst, 5, 'f', 2)
                                .arg(automatic.Factor / estimated, 6, 'f', 3)
                                .arg(automatic.Density(seeds))
                                .arg(100 * automatic.Precision / analysed, 9, 'f', 2)
                                .arg(100 * automatic.Recall / analysed, 10, 'f', 2)
                                .toUtf8().constData());
    }
}

std::vector<double> ParseList(const QString &text)
{
    std::vector<double> values;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const double v = part.toDouble(&ok);
        if (ok && v > 0)
            values.push_back(v);
    }
    return values;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int seeds = 5;
    double threshold = kNormalSensitivity;
    bool sweep = false;
    TMode mode;
    std::vector<double> spacings = kSweepSpacings;
    for (int i = 1; i < args.size(); ++i) {
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        if (args[i] == QLatin1String("--seeds"))
            seeds = std::max(1, value.toInt()), ++i;
        else if (args[i] == QLatin1String("--sensitivity"))
            threshold = ParseSensitivity(value).value_or(kNormalSensitivity), ++i;
        else if (args[i] == QLatin1String("--target"))
            mode.Target = value.toDouble() > 0 ? value.toDouble() : kAutoScaleSpacing, ++i;
        else if (args[i] == QLatin1String("--spacings"))
            spacings = ParseList(value), ++i;
        else if (args[i] == QLatin1String("--auto-scale"))
            mode.AutoScale = true;
        else if (args[i] == QLatin1String("--sweep"))
            sweep = true;
    }
    if (sweep) {
        std::printf("Quadros sintéticos por espaçamento das células, %.6f mm/pixel, limiar %.2f, %d sementes por "
                    "espaçamento;\nmodo padrão e modo de escala automática (espaçamento-alvo %.1f px); erro da "
                    "densidade em relação à do mosaico,\nerro do espaçamento estimado em relação ao do gerador, "
                    "centros pareados a até max(3 px, espaçamento / 4);\nregião recuada de max(25 px, "
                    "1,5 espaçamento) do campo iluminado\n",
                    kMmPerPixel, threshold, seeds, mode.Target);
        PrintSweep("Mosaico regular", TSyntheticStyle{0.0, 0.8, 4.0, 0}, seeds, threshold, spacings, mode.Target);
        PrintSweep("Mosaico típico", TSyntheticStyle{}, seeds, threshold, spacings, mode.Target);
        PrintSweep("Pleomórfico, menos nítido e com mais ruído", TSyntheticStyle{0.45, 1.5, 8.0, 0}, seeds, threshold,
                   spacings, mode.Target);
        return 0;
    }
    std::printf("Quadros sintéticos, %.6f mm/pixel, limiar %.2f, %d sementes por densidade, centros pareados a "
                "até %.0f px;\nprecisão e revocação sobre os centros estritamente dentro da região, erro da "
                "densidade em relação à densidade do mosaico%s\n",
                kMmPerPixel, threshold, seeds, kMatchDistance,
                mode.AutoScale ? "; modo de escala automática" : "");
    PrintTable("Mosaico típico", TSyntheticStyle{}, seeds, threshold, mode);
    PrintTable("Pleomórfico, menos nítido e com mais ruído", TSyntheticStyle{0.45, 1.5, 8.0, 0}, seeds, threshold,
               mode);
    PrintTable("Com gutatas", TSyntheticStyle{0.30, 1.0, 5.0, 15}, seeds, threshold, mode);
    return 0;
}
