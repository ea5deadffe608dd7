// The analysis of one frame as the operator meets it after releasing the region
// of interest (pachymetry, then AnalyseFrame: finder, matrix, overlay, crops and
// statistics), and each of its stages, in one run.
//
//   BM_Analysis/<frame>      pachymetry + AnalyseFrame on the golden frames and a synthetic frame
//   BM_<stage>               every stage alone on the synthetic frame
//   BM_Reference...          the same with the passes as they were before they were
//                            optimised (tests/analysis_kernels), for a comparison in one run
//
// Run with repetitions and read the medians (the build machine is shared):
//   bench_analysis_speed --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
// CORNIX_ANALYSIS_BASELINE=1 forces the analysis onto its baseline code path;
// CORNIX_ANALYSIS_THREADS=1 keeps it on one thread. Times are wall-clock times.
#include "AnalysisDispatch.h"
#include "BandPipeline.h"
#include "CornixProcessing.h"
#include "RegionRuns.h"
#include "ReferenceKernels.h"
#include "SyntheticEndothelium.h"
#include "UBAnalyseFrame.h"
#include "UBCellFinder.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <memory>
#include <vector>

using namespace cornix;

namespace {

constexpr double kMmPerPixel = 0.00186;
constexpr double kPixelToPaq = 1.5;
const TRect kGoldenRoi{180, 140, 460, 340};
const TRect kSyntheticRoi{175, 135, 465, 345};

struct TBenchFrame {
    const char *Name;
    QImage Image;
    TRect Roi;
};

QImage syntheticFrame()
{
    const sim::SyntheticEndothelium tissue(7, sim::MosaicParams{});
    sim::CameraParams camera;
    camera.limitedField = true;
    return sim::ToQImage(tissue.render(camera));
}

QImage goldenFrame(const char *folder)
{
    return QImage(QStringLiteral(CORNIX_TEST_DATA_DIR "/analyse/") + QLatin1String(folder) +
                  QStringLiteral("/frame.png"));
}

const std::vector<TBenchFrame> &frames()
{
    static const std::vector<TBenchFrame> list = {
        {"synthetic_d2500", syntheticFrame(), kSyntheticRoi},
        {"golden_d1000", goldenFrame("d1000_seed11"), kGoldenRoi},
        {"golden_d2500", goldenFrame("d2500_seed12"), kGoldenRoi},
        {"golden_d3500", goldenFrame("d3500_seed13"), kGoldenRoi},
    };
    return list;
}

// A frame buffer holding one frame with its region, as after the operator drew it.
std::unique_ptr<TBFrameBuffer> bufferWith(const TBenchFrame &frame)
{
    auto buffer = std::make_unique<TBFrameBuffer>(TAnalysisScale{kMmPerPixel, kPixelToPaq});
    buffer->AddFrame(frame.Image, QString(), 0, TBFrameBuffer::kNewFrameThreshold, {}, {}, 0);
    buffer->SetRoi(0, frame.Roi);
    return buffer;
}

constexpr int kRegionShifts = 6;

TRect shifted(const TRect &roi, int by) { return TRect{roi.Left + by, roi.Top, roi.Right + by, roi.Bottom}; }

void BM_Analysis(benchmark::State &state)
{
    const TBenchFrame &frame = frames()[std::size_t(state.range(0))];
    auto buffer = bufferWith(frame);
    const TDisplaySettings display;
    int cells = 0;
    int shift = 0;
    for (auto _ : state) {
        // The region moves by a pixel among more positions than the overlay keeps
        // enhanced frames for, so that every iteration is a first analysis.
        shift = (shift + 1) % kRegionShifts;
        buffer->SetRoi(0, shifted(frame.Roi, shift));
        buffer->MeasurePachymetry(0);
        const TAnalyseOutcome outcome = AnalyseFrame(*buffer, 0, buffer->Threshold(0), display);
        cells = outcome.CellsFound;
        benchmark::DoNotOptimize(outcome.Review.constBits());
    }
    state.SetLabel(frame.Name);
    state.counters["cells"] = cells;
    state.counters["counted"] = buffer->CellCount(0);
}
BENCHMARK(BM_Analysis)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same analysis with the pachymetry, finder and matrix as they were written
// before; the overlay, crops and statistics are the same code in both.
void BM_ReferenceAnalysis(benchmark::State &state)
{
    const TBenchFrame &frame = frames()[std::size_t(state.range(0))];
    auto buffer = bufferWith(frame);
    const TDisplaySettings display;
    // The overlay draws the frame's matrix: build one once, as the analysis would.
    {
        auto gray = std::make_unique<TGrayFrame>();
        buffer->Gray(0, *gray);
        TCMFinder finder(*gray);
        finder.Find(kAnalysisIterations, buffer->Threshold(0), buffer->Roi(0));
        buffer->SetMatrix(0, std::make_unique<TDistMatrix>(finder.Cells()));
        buffer->Matrix(0)->Build();
    }
    auto columns = std::make_unique<TGrayColumns>();
    auto gray = std::make_unique<TGrayFrame>();
    auto planes = std::make_unique<reference::TFinderPlanes>();
    auto matrix = std::make_unique<reference::TMatrixResult>();
    TDisplaySettings analysed = display;
    analysed.Options.ShowEdges = true;
    analysed.Options.ShowCentres = true;
    analysed.Options.ShowColour = false;
    int shift = 0;
    for (auto _ : state) {
        shift = (shift + 1) % kRegionShifts;
        buffer->SetRoi(0, shifted(frame.Roi, shift));
        buffer->GrayColumns(0, *columns);
        benchmark::DoNotOptimize(reference::MeasurePachymetry(*columns));
        buffer->Gray(0, *gray);
        reference::FindCells(*gray, kAnalysisIterations, buffer->Threshold(0), buffer->Roi(0), *planes);
        reference::BuildMatrix(planes->Cells, *matrix);
        const QImage review = RedrawFrame(*buffer, 0, analysed);
        benchmark::DoNotOptimize(review.constBits());
    }
    state.SetLabel(frame.Name);
    state.counters["cells"] = planes->Cells[0].Row;
}
BENCHMARK(BM_ReferenceAnalysis)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Planes of the synthetic frame at every stage, made once by a real Find.
struct TStages {
    std::unique_ptr<TBFrameBuffer> Buffer = bufferWith(frames()[0]);
    TRect Roi = frames()[0].Roi;
    std::unique_ptr<TGrayFrame> Gray = std::make_unique<TGrayFrame>();
    std::unique_ptr<TDoublePlane> Loaded = std::make_unique<TDoublePlane>();   // grey as doubles
    std::unique_ptr<TDoublePlane> Stretched = std::make_unique<TDoublePlane>();
    std::unique_ptr<TDoublePlane> FirstPass = std::make_unique<TDoublePlane>(); // one smoothing pass
    std::unique_ptr<TDoublePlane> Smoothed = std::make_unique<TDoublePlane>();  // all passes
    std::unique_ptr<TDoublePlane> Response = std::make_unique<TDoublePlane>();
    std::unique_ptr<TDoublePlane> Thresholded = std::make_unique<TDoublePlane>(); // threshold + border
    std::unique_ptr<TDoublePlane> Mask = std::make_unique<TDoublePlane>();        // speckles removed
    std::unique_ptr<TCellTable> Cells = std::make_unique<TCellTable>();
    std::unique_ptr<TDistMatrix> Matrix;

    TStages()
    {
        Buffer->Gray(0, *Gray);
        GrayToPlane(*Gray, *Loaded);
        TCMFinder finder(*Gray);
        finder.Find(kAnalysisIterations, TBFrameBuffer::kNewFrameThreshold, Roi);
        *Stretched = finder.SourcePlane();
        *Smoothed = finder.SmoothedPlane();
        *Response = finder.ResponsePlane();
        *Mask = finder.MaskPlane();
        *FirstPass = *Smoothed; // outer ring 0 like the finder's plane
        Smooth(*Stretched, *FirstPass);
        *Thresholded = *Mask;
        ThresholdMask(*Response, *Thresholded, TBFrameBuffer::kNewFrameThreshold);
        ClearBorder(*Thresholded, TCMFinder::kBorderMargin);
        *Cells = finder.Cells();
        Matrix = std::make_unique<TDistMatrix>(*Cells);
        Matrix->Build();
        Buffer->SetMatrix(0, std::make_unique<TDistMatrix>(*Cells));
        Buffer->Matrix(0)->Build();
    }
};

TStages &stages()
{
    static TStages s;
    return s;
}

// Every stage twice: as optimised and as it was before.
#define STAGE(function, unit)                                                                                 \
    BENCHMARK_CAPTURE(function, optimised, false)->Unit(benchmark::unit)->UseRealTime();                      \
    BENCHMARK_CAPTURE(function, reference, true)->Unit(benchmark::unit)->UseRealTime()

// Runs work on a fresh copy of source each iteration; the copy is not timed.
template <typename Work>
void onCopy(benchmark::State &state, const TDoublePlane &source, Work work)
{
    auto plane = std::make_unique<TDoublePlane>();
    for (auto _ : state) {
        state.PauseTiming();
        *plane = source;
        state.ResumeTiming();
        work(*plane);
        benchmark::ClobberMemory();
    }
}

void BM_GrayFrame(benchmark::State &state)
{
    TStages &s = stages();
    auto gray = std::make_unique<TGrayFrame>();
    for (auto _ : state) {
        s.Buffer->Gray(0, *gray);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GrayFrame)->Unit(benchmark::kMicrosecond);

void BM_NewFinder(benchmark::State &state)
{
    TStages &s = stages();
    for (auto _ : state) {
        TCMFinder finder(*s.Gray);
        benchmark::DoNotOptimize(finder.CellCount());
    }
}
BENCHMARK(BM_NewFinder)->Unit(benchmark::kMicrosecond);

void BM_ContrastStretch(benchmark::State &state, bool ref)
{
    onCopy(state, *stages().Loaded, [ref](TDoublePlane &p) {
        ref ? reference::ContrastStretch(p, stages().Roi) : ContrastStretch(p, stages().Roi);
    });
}
STAGE(BM_ContrastStretch, kMicrosecond);

void BM_Smooth(benchmark::State &state, bool ref)
{
    TStages &s = stages();
    auto out = std::make_unique<TDoublePlane>(*s.FirstPass);
    for (auto _ : state) {
        ref ? reference::Smooth(*s.Stretched, *out) : Smooth(*s.Stretched, *out);
        benchmark::ClobberMemory();
    }
}
STAGE(BM_Smooth, kMicrosecond);

void BM_SmoothInPlace(benchmark::State &state, bool ref)
{
    onCopy(state, *stages().FirstPass, [ref](TDoublePlane &p) { ref ? reference::SmoothInPlace(p) : SmoothInPlace(p); });
}
STAGE(BM_SmoothInPlace, kMicrosecond);

void BM_Laplacian(benchmark::State &state, bool ref)
{
    TStages &s = stages();
    auto out = std::make_unique<TDoublePlane>(*s.Response);
    for (auto _ : state) {
        ref ? reference::Laplacian(*s.Smoothed, *out) : Laplacian(*s.Smoothed, *out);
        benchmark::ClobberMemory();
    }
}
STAGE(BM_Laplacian, kMicrosecond);

// The first pass, the finder's passes in place and the Laplacian, as the finder
// runs them (on two threads where there are two cores), against the same calls
// one after the other.
void BM_SmoothAndLaplacian(benchmark::State &state, bool ref)
{
    TStages &s = stages();
    auto smoothed = std::make_unique<TDoublePlane>(*s.FirstPass);
    auto response = std::make_unique<TDoublePlane>(*s.Response);
    for (auto _ : state) {
        if (ref) {
            Smooth(*s.Stretched, *smoothed);
            for (int pass = 0; pass < kAnalysisIterations; ++pass)
                SmoothInPlace(*smoothed);
            Laplacian(*smoothed, *response);
        } else {
            SmoothAndLaplacian(*s.Stretched, *smoothed, kAnalysisIterations, *response);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(BM_SmoothAndLaplacian, pipelined, false)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_SmoothAndLaplacian, one_after_another, true)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ThresholdAndBorder(benchmark::State &state, bool ref)
{
    TStages &s = stages();
    auto out = std::make_unique<TDoublePlane>(*s.Mask);
    for (auto _ : state) {
        if (ref) {
            reference::ThresholdMask(*s.Response, *out, TBFrameBuffer::kNewFrameThreshold);
            reference::ClearBorder(*out, TCMFinder::kBorderMargin);
        } else {
            ThresholdMask(*s.Response, *out, TBFrameBuffer::kNewFrameThreshold);
            ClearBorder(*out, TCMFinder::kBorderMargin);
        }
        benchmark::ClobberMemory();
    }
}
STAGE(BM_ThresholdAndBorder, kMicrosecond);

void BM_RemoveSpeckles(benchmark::State &state, bool ref)
{
    onCopy(state, *stages().Thresholded, [ref](TDoublePlane &p) { ref ? reference::RemoveSpeckles(p) : RemoveSpeckles(p); });
}
STAGE(BM_RemoveSpeckles, kMicrosecond);

// The end of Find: clearing the table, labelling, centres and the sort. As first
// written, the label plane is cleared and flood-filled; the finder now labels the
// mask's runs row by row (while the response is made) and paints no plane.
void BM_Labelling(benchmark::State &state, bool ref)
{
    TStages &s = stages();
    auto labels = std::make_unique<TDoublePlane>();
    auto cells = std::make_unique<TCellTable>();
    auto runs = std::make_unique<TRunLabeller>();
    std::vector<std::int32_t> stack;
    stack.reserve(kFramePixels);
    int count = 0;
    for (auto _ : state) {
        cells->fill(TCellRec{});
        if (ref) {
            for (auto &row : *labels)
                row.fill(0.0);
            count = reference::LabelRegions(*s.Mask, *labels, *cells, TCMFinder::kMaxRegions, stack);
            reference::ComputeCentres(*cells, count);
            reference::SortCellsByRow(*cells, count);
        } else {
            runs->Start();
            for (int r = 1; r < kFrameHeight - 1; ++r)
                runs->AddRow(r, (*s.Mask)[std::size_t(r)].data());
            count = runs->Finish(*cells, TCMFinder::kMaxRegions);
            ComputeCentres(*cells, count);
            SortCellsByRow(*cells, count);
        }
        benchmark::ClobberMemory();
    }
    state.counters["regions"] = count;
}
STAGE(BM_Labelling, kMicrosecond);

// The whole finder as AnalyseFrame runs it: a new finder and Find.
void BM_Find(benchmark::State &state, bool ref)
{
    TStages &s = stages();
    auto planes = std::make_unique<reference::TFinderPlanes>();
    for (auto _ : state) {
        if (ref) {
            reference::FindCells(*s.Gray, kAnalysisIterations, TBFrameBuffer::kNewFrameThreshold, s.Roi, *planes);
            benchmark::DoNotOptimize(planes->Cells[0].Row);
            continue;
        }
        TCMFinder finder(*s.Gray);
        finder.Find(kAnalysisIterations, TBFrameBuffer::kNewFrameThreshold, s.Roi);
        benchmark::DoNotOptimize(finder.CellCount());
    }
}
STAGE(BM_Find, kMillisecond);

void BM_NewMatrix(benchmark::State &state)
{
    TStages &s = stages();
    for (auto _ : state) {
        TDistMatrix matrix(*s.Cells);
        benchmark::DoNotOptimize(matrix.CellCount());
    }
}
BENCHMARK(BM_NewMatrix)->Unit(benchmark::kMicrosecond);

// Growth, erasing, areas, boundaries, vertices and sides: also the rebuild after
// every manual edit.
void BM_Build(benchmark::State &state, bool ref)
{
    TStages &s = stages();
    auto result = std::make_unique<reference::TMatrixResult>();
    for (auto _ : state) {
        if (ref) {
            // The reference builds a new matrix each time (its Build is the same either way).
            reference::BuildMatrix(*s.Cells, *result);
            benchmark::DoNotOptimize(result->Vertices[0].Row);
            continue;
        }
        s.Matrix->Build();
        benchmark::DoNotOptimize(s.Matrix->VertexCount());
    }
    state.counters["regions"] = s.Matrix->Regions()[0].Area;
}
STAGE(BM_Build, kMillisecond);

// The pachymetry as the frame buffer measures it: grey columns of the bitmap, then the measure.
void BM_Pachymetry(benchmark::State &state, bool ref)
{
    TStages &s = stages();
    auto columns = std::make_unique<TGrayColumns>();
    for (auto _ : state) {
        if (ref) {
            s.Buffer->GrayColumns(0, *columns);
            benchmark::DoNotOptimize(reference::MeasurePachymetry(*columns));
            continue;
        }
        benchmark::DoNotOptimize(s.Buffer->MeasurePachymetry(0));
    }
}
STAGE(BM_Pachymetry, kMillisecond);

void BM_Statistics(benchmark::State &state)
{
    TStages &s = stages();
    for (auto _ : state)
        benchmark::DoNotOptimize(s.Buffer->BCalculateStatistics(0));
}
BENCHMARK(BM_Statistics)->Unit(benchmark::kMicrosecond);

// Overlay, both crops and the statistics (what AnalyseFrame does after Build).
void BM_RedrawFrame(benchmark::State &state)
{
    TStages &s = stages();
    TDisplaySettings display;
    display.Options.ShowCentres = true;
    int shift = 0;
    for (auto _ : state) {
        shift = (shift + 1) % kRegionShifts; // no kept enhanced frame serves it (see BM_Analysis)
        s.Buffer->SetRoi(0, shifted(s.Roi, shift));
        const QImage review = RedrawFrame(*s.Buffer, 0, display);
        benchmark::DoNotOptimize(review.constBits());
    }
    s.Buffer->SetRoi(0, s.Roi);
}
BENCHMARK(BM_RedrawFrame)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("analysis instruction set", AnalysisInstructionSet());
    benchmark::AddCustomContext("analysis threads", BandPipelineUsesTwoThreads() ? "2" : "1");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
