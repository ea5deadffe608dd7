// What the automatic scale adds to the analysis of one frame: the cell-spacing
// estimate and the resampling into the working frame, on generated mosaics
// seen through the lit field (region 280 x 200), for cells that are shrunk
// (26 px apart), kept about the same (13 px) and enlarged (8 px); and, for
// comparison, the whole analysis in the automatic mode and in the default one.
#include "AutoScale.h"
#include "SyntheticEndothelium.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

constexpr double kMmPerPixel = 0.00186;
const TRect kRoi{180, 140, 460, 340};

// The generator's mosaic whose cells are spacing pixels apart.
const TGrayFrame &frame(int spacing)
{
    static std::map<int, std::unique_ptr<TGrayFrame>> frames;
    std::unique_ptr<TGrayFrame> &f = frames[spacing];
    if (!f) {
        cornix::sim::MosaicParams mosaic;
        mosaic.cellDensity = 2.0 / (std::sqrt(3.0) * std::pow(spacing * kMmPerPixel, 2));
        const cornix::sim::SyntheticEndothelium tissue(5, mosaic);
        cornix::sim::CameraParams camera;
        camera.limitedField = true;
        const cornix::sim::EndotheliumFrame rendered = tissue.render(camera);
        f = std::make_unique<TGrayFrame>();
        for (int r = 0; r < cornix::kFrameHeight; ++r)
            for (int c = 0; c < cornix::kFrameWidth; ++c)
                (*f)[r][c] = rendered.at(r, c);
    }
    return *f;
}

void BM_EstimateSpacing(benchmark::State &state)
{
    const TGrayFrame &gray = frame(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(cornix::EstimateCellSpacing(gray, kRoi));
    state.counters["spacing"] = cornix::EstimateCellSpacing(gray, kRoi).value_or(cornix::TCellSpacing{}).SpacingPx;
}

void BM_ScaleForAnalysis(benchmark::State &state)
{
    const TGrayFrame &gray = frame(int(state.range(0)));
    const double factor = cornix::AutoScaleFactor(double(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(cornix::ScaleForAnalysis(gray, kRoi, factor).Fill);
    state.counters["factor"] = factor;
}

// The time the automatic mode adds: estimate, then resampling.
void BM_EstimateAndScale(benchmark::State &state)
{
    const TGrayFrame &gray = frame(int(state.range(0)));
    for (auto _ : state) {
        const auto spacing = cornix::EstimateCellSpacing(gray, kRoi);
        benchmark::DoNotOptimize(
            cornix::ScaleForAnalysis(gray, kRoi, cornix::AutoScaleFactor(spacing->SpacingPx)).Fill);
    }
}

// Everything: estimate, resampling, finder, matrix and figures.
void BM_AutoScaleAnalysis(benchmark::State &state)
{
    const TGrayFrame &gray = frame(int(state.range(0)));
    const TAnalysisScale scale{kMmPerPixel, 1.5};
    for (auto _ : state)
        benchmark::DoNotOptimize(cornix::AnalyseAutoScale(gray, kRoi, -3.0, scale).Stats.Density);
    state.counters["density"] = cornix::AnalyseAutoScale(gray, kRoi, -3.0, scale).Stats.Density;
}

// The default analysis of the same frame, for comparison.
void BM_DefaultAnalysis(benchmark::State &state)
{
    const TGrayFrame &gray = frame(int(state.range(0)));
    const TAnalysisScale scale{kMmPerPixel, 1.5};
    for (auto _ : state)
        benchmark::DoNotOptimize(cornix::AnalyseGrayFrame(gray, kRoi, -3.0, scale).Stats.Density);
    state.counters["density"] = cornix::AnalyseGrayFrame(gray, kRoi, -3.0, scale).Stats.Density;
}

void configure(benchmark::internal::Benchmark *b)
{
    b->Arg(26)->Arg(13)->Arg(8)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true)
        ->MinTime(0.3);
}

} // namespace

BENCHMARK(BM_EstimateSpacing)->Apply(configure);
BENCHMARK(BM_ScaleForAnalysis)->Apply(configure);
BENCHMARK(BM_EstimateAndScale)->Apply(configure);
BENCHMARK(BM_AutoScaleAnalysis)->Apply(configure);
BENCHMARK(BM_DefaultAnalysis)->Apply(configure);

BENCHMARK_MAIN();
