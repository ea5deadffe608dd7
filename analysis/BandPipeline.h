#pragma once
// Passes over a frame that depend on one another row by row, run on two cores.
//
// The work is split into stages (passes) over bands of rows. Band b of stage k
// may run once stage k - 1 has finished bands 0..b + 1 (a band reads one row past
// its end) and stage k has finished band b - 1 (a band reads the row above it, as
// its own stage left it). Every unit computes exactly what it would compute if the
// stages ran one after the other; only the time at which it runs differs.

#include <functional>

namespace cornix {

using TBandUnit = std::function<void(int stage, int band)>;

// The stages [SecondFrom, SecondTo) that a second thread runs.
struct TBandPipelineSplit {
    int SecondFrom = 0;
    int SecondTo = 0;
};

// Runs every unit (stage, band) of stages x bands once and returns when all have
// finished. When the machine has two cores or more, one more thread runs the
// stages of split while the calling thread runs those before, then those after
// them; else the calling thread runs all. Each thread keeps whole stages, so that
// a plane passes between the cores' caches only where the split is.
// CORNIX_ANALYSIS_THREADS=1 in the environment keeps all the work on the calling
// thread (read once, on first use).
void RunBandPipeline(int stages, int bands, const TBandPipelineSplit &split, const TBandUnit &unit);

// Runs `own` on the calling thread and `other` on the second thread at the same
// time, and returns when both have finished; with no second thread to be had
// (none, or busy with another caller, or slow to wake) the calling thread runs
// `other` after `own`. An exception of `other` is thrown again here, after `own`.
void RunAlongside(const std::function<void()> &other, const std::function<void()> &own);

// True when RunBandPipeline uses a second thread.
bool BandPipelineUsesTwoThreads();

} // namespace cornix
