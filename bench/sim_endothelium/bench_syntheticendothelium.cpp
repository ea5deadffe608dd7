// Cost of building a mosaic, of one streamed frame and of its ground truth.
#include "SyntheticEndothelium.h"

#include <benchmark/benchmark.h>

using namespace cornix::sim;

static void BuildMosaic(benchmark::State &state)
{
    std::uint32_t seed = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(SyntheticEndothelium(seed++));
}
BENCHMARK(BuildMosaic)->Unit(benchmark::kMillisecond);

static void RenderFrame(benchmark::State &state)
{
    const SyntheticEndothelium tissue(1);
    std::vector<std::uint8_t> pixels(kSimFrameWidth * kSimFrameHeight);
    CameraParams camera;
    camera.focusBlur = double(state.range(0)) / 10;
    for (auto _ : state) {
        ++camera.noiseSeed;
        tissue.renderPixels(camera, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(RenderFrame)->Arg(8)->Arg(30)->Unit(benchmark::kMillisecond);

static void GroundTruth(benchmark::State &state)
{
    const SyntheticEndothelium tissue(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(tissue.groundTruth(3, -4));
}
BENCHMARK(GroundTruth)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
