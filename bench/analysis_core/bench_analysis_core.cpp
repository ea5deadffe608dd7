// Speed of the cell finder and the neighbourhood matrix on a realistic frame:
// a jittered hexagonal mosaic of 11 px cells with dark borders, lit over a
// 400 x 300 band (about 1150 cells, below the 1300-region limit).
#include "MosaicFrame.h"
#include "UBCellFinder.h"
#include "VoronoiDistMatrix.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const TRect kRoi{150, 120, 490, 360};

const TGrayFrame &frame()
{
    static const std::unique_ptr<TGrayFrame> mosaicFrame = mosaic::hexMosaic();
    return *mosaicFrame;
}

const TCellTable &foundCells()
{
    static const std::unique_ptr<TCMFinder> finder = [] {
        auto f = std::make_unique<TCMFinder>(frame());
        f->Find(5, -3.0, kRoi);
        return f;
    }();
    return finder->Cells();
}

// One analysis as the program runs it: a new finder per frame.
void BM_FindNewFinder(benchmark::State &state)
{
    for (auto _ : state) {
        TCMFinder finder(frame());
        finder.Find(5, -3.0, kRoi);
        benchmark::DoNotOptimize(finder.CellCount());
    }
    state.counters["cells"] = foundCells()[0].Row;
}

// The passes alone, on a finder whose memory is already in use.
void BM_Find(benchmark::State &state)
{
    TCMFinder finder(frame());
    for (auto _ : state) {
        finder.Load(frame());
        finder.Find(5, -3.0, kRoi);
        benchmark::DoNotOptimize(finder.CellCount());
    }
}

// The rebuild after a manual edit: the same matrix, built again.
void BM_Build(benchmark::State &state)
{
    TDistMatrix matrix(foundCells());
    matrix.Build();
    for (auto _ : state) {
        matrix.Build();
        benchmark::DoNotOptimize(matrix.VertexCount());
    }
    int kept = 0;
    for (int k = 1; k <= matrix.CellCount(); ++k)
        kept += matrix.Regions()[k].Area > 0;
    state.counters["regions"] = kept;
}

// A new matrix for a newly analysed frame.
void BM_BuildNewMatrix(benchmark::State &state)
{
    for (auto _ : state) {
        TDistMatrix matrix(foundCells());
        matrix.Build();
        benchmark::DoNotOptimize(matrix.VertexCount());
    }
}

// Finder and matrix together, both new: the analysis of one frame.
void BM_FindAndBuild(benchmark::State &state)
{
    for (auto _ : state) {
        TCMFinder finder(frame());
        finder.Find(5, -3.0, kRoi);
        TDistMatrix matrix(finder.Cells());
        matrix.Build();
        benchmark::DoNotOptimize(matrix.VertexCount());
    }
}

void configure(benchmark::internal::Benchmark *b)
{
    b->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true)->MinTime(0.5);
}

} // namespace

BENCHMARK(BM_FindNewFinder)->Apply(configure);
BENCHMARK(BM_Find)->Apply(configure);
BENCHMARK(BM_Build)->Apply(configure);
BENCHMARK(BM_BuildNewMatrix)->Apply(configure);
BENCHMARK(BM_FindAndBuild)->Apply(configure);

BENCHMARK_MAIN();
