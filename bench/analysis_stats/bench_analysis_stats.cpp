// Time of the statistics of one frame and of the whole analysis of one
// realistic synthetic frame (grey conversion, then AnalyseGrayFrame: finder,
// matrix, statistics).
#include "EndoStatistics.h"
#include "FrameAnalysis.h"
#include "SyntheticEndothelium.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr double kMmPerPixel = 0.00186;
// The microscope lights only the centre of the frame (the finder discards a frame
// with more than 1300 regions); the region of interest lies inside the lit field.
const TRect kRoi{175, 135, 465, 345};

QImage syntheticFrame()
{
    const cornix::sim::SyntheticEndothelium tissue(7, cornix::sim::MosaicParams{});
    cornix::sim::CameraParams camera;
    camera.limitedField = true;
    return cornix::sim::ToQImage(tissue.render(camera));
}

struct AnalysedFrame {
    TBFrameBuffer buffer{{kMmPerPixel, 1.5}};
    AnalysedFrame()
    {
        buffer.AddFrame(syntheticFrame(), QString(), 0, -3.0, {}, {}, 0);
        buffer.SetRoi(0, kRoi);
        auto gray = std::make_unique<TGrayFrame>();
        buffer.Gray(0, *gray);
        cornix::TFrameAnalysis analysis = cornix::AnalyseGrayFrame(*gray, kRoi, -3.0, buffer.Scale());
        buffer.SetMatrix(0, std::move(analysis.Matrix));
    }
};

void BM_FrameStatistics(benchmark::State &state)
{
    AnalysedFrame frame;
    for (auto _ : state)
        benchmark::DoNotOptimize(frame.buffer.BCalculateStatistics(0));
    state.counters["cells"] = frame.buffer.CellCount(0);
}
BENCHMARK(BM_FrameStatistics)->Unit(benchmark::kMicrosecond);

void BM_Pachymetry(benchmark::State &state)
{
    AnalysedFrame frame;
    for (auto _ : state)
        benchmark::DoNotOptimize(frame.buffer.MeasurePachymetry(0));
}
BENCHMARK(BM_Pachymetry)->Unit(benchmark::kMillisecond);

void BM_Summarize(benchmark::State &state)
{
    AnalysedFrame frame;
    frame.buffer.BCalculateStatistics(0);
    frame.buffer.SetUseIt(0, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(frame.buffer.Summarize());
}
BENCHMARK(BM_Summarize)->Unit(benchmark::kNanosecond);

// What the operator waits for after drawing a region: grey, Find, Build, statistics.
void BM_WholeAnalysis(benchmark::State &state)
{
    TBFrameBuffer buffer({kMmPerPixel, 1.5});
    buffer.AddFrame(syntheticFrame(), QString(), 0, -3.0, {}, {}, 0);
    buffer.SetRoi(0, kRoi);
    auto gray = std::make_unique<TGrayFrame>();
    cornix::TFrameAnalysis analysis;
    for (auto _ : state) {
        buffer.Gray(0, *gray);
        analysis = cornix::AnalyseGrayFrame(*gray, buffer.Roi(0), buffer.Threshold(0), buffer.Scale());
        benchmark::DoNotOptimize(analysis.Stats);
    }
    state.counters["cells"] = analysis.Stats.CellCount;
    state.counters["density"] = analysis.Stats.Density;
}
BENCHMARK(BM_WholeAnalysis)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
