#include "BandPipeline.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace cornix {

namespace {

// A stage starts this many bands behind the one before it: band b + 1 of the
// stage before is then done (or running on the other thread) when band b is taken.
constexpr int kStageLag = 2;
// Busy waits (some tens of microseconds) before a waiting thread sleeps.
constexpr int kSpinsBeforeSleep = 1000;

bool twoThreadsWanted()
{
    const char *setting = std::getenv("CORNIX_ANALYSIS_THREADS");
    if (setting != nullptr && std::strcmp(setting, "1") == 0)
        return false;
    return std::thread::hardware_concurrency() >= 2;
}

void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

struct alignas(64) TStageProgress {
    std::atomic<int> BandsDone{0};
};

// The units of stages [first, last), in the order they are taken: along the
// diagonals band + lag * stage, so that each unit's inputs are ready or nearly so.
std::vector<std::pair<int, int>> diagonalOrder(int first, int last, int bands)
{
    std::vector<std::pair<int, int>> order;
    order.reserve(std::size_t(last - first) * std::size_t(bands));
    for (int diagonal = 0; diagonal < bands + kStageLag * last; ++diagonal)
        for (int stage = first; stage < last; ++stage)
            if (const int band = diagonal - kStageLag * stage; band >= 0 && band < bands)
                order.emplace_back(stage, band);
    return order;
}

class TPipeline
{
public:
    TPipeline(int stages, int bands, const TBandUnit &unit)
        : m_bands(bands), m_unit(unit), m_progress(std::make_unique<TStageProgress[]>(std::size_t(stages)))
    {
    }

    // Runs the units of stages [first, last) in diagonal order. A thread waits
    // only for stages below the ones it runs; the calling thread runs the stages
    // after the worker's only once it has run all those before them, so the two
    // never wait for each other.
    void run(int first, int last) const
    {
        for (const auto &[stage, band] : diagonalOrder(first, last, m_bands)) {
            waitFor(stage, band);
            m_unit(stage, band);
            std::atomic<int> &done = m_progress[std::size_t(stage)].BandsDone;
            done.store(band + 1, std::memory_order_release);
            done.notify_all();
        }
    }

private:
    void waitFor(int stage, int band) const
    {
        waitUntil(m_progress[std::size_t(stage)].BandsDone, band);
        if (stage > 0)
            waitUntil(m_progress[std::size_t(stage) - 1].BandsDone, std::min(band + 2, m_bands));
    }

    // A short busy wait first: the unit waited for usually ends within
    // microseconds. Then the thread sleeps, so that on a loaded machine it gives
    // its core to the thread it waits for.
    static void waitUntil(const std::atomic<int> &done, int count)
    {
        int seen = done.load(std::memory_order_acquire);
        for (int spins = 0; seen < count && spins < kSpinsBeforeSleep; ++spins) {
            relax();
            seen = done.load(std::memory_order_acquire);
        }
        while (seen < count) {
            done.wait(seen, std::memory_order_acquire);
            seen = done.load(std::memory_order_acquire);
        }
    }

    const int m_bands;
    const TBandUnit &m_unit;
    std::unique_ptr<TStageProgress[]> m_progress;
};

// The second thread, kept for the program's lifetime: a thread made afresh for
// each frame often starts on the core of the thread that made it and shares it
// for the whole frame; one that lives on stays on the other core.
class TPipelineWorker
{
public:
    TPipelineWorker() : m_thread([this] { serve(); }) {}

    ~TPipelineWorker()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    TPipelineWorker(const TPipelineWorker &) = delete;
    TPipelineWorker &operator=(const TPipelineWorker &) = delete;

    // Offers a task to the worker; false when it is busy with another caller's
    // (the caller then works alone). The task must not throw and must outlive
    // waitIdle.
    bool offer(const std::function<void()> &task)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (m_offered != nullptr || m_running)
                return false;
            m_offered = &task;
        }
        m_wake.notify_one();
        return true;
    }

    // Takes the task back if the worker has not taken it up yet (it was slow to
    // wake): true when the caller is now to run it.
    bool reclaim()
    {
        const std::lock_guard lock(m_mutex);
        return std::exchange(m_offered, nullptr) != nullptr;
    }

    // Returns once the worker no longer touches the task it took.
    void waitIdle()
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return !m_running; });
    }

private:
    void serve()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || m_offered != nullptr; });
            if (m_stopping)
                return;
            const std::function<void()> *task = std::exchange(m_offered, nullptr);
            m_running = true;
            lock.unlock();
            (*task)();
            lock.lock();
            m_running = false;
            m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    const std::function<void()> *m_offered = nullptr;
    bool m_running = false;
    bool m_stopping = false;
    std::thread m_thread; // last: starts once the rest is set up
};

// The worker, or nullptr when the work stays on the calling thread.
TPipelineWorker *sharedWorker()
{
    static const std::unique_ptr<TPipelineWorker> worker = []() -> std::unique_ptr<TPipelineWorker> {
        if (!twoThreadsWanted())
            return nullptr;
        try {
            return std::make_unique<TPipelineWorker>();
        } catch (const std::system_error &) {
            return nullptr; // no thread to be had: the calling thread does it all
        }
    }();
    return worker.get();
}

} // namespace

bool BandPipelineUsesTwoThreads() { return sharedWorker() != nullptr; }

void RunBandPipeline(int stages, int bands, const TBandPipelineSplit &split, const TBandUnit &unit)
{
    if (stages <= 0 || bands <= 0)
        return;
    const int from = std::clamp(split.SecondFrom, 1, stages);
    const int to = std::clamp(split.SecondTo, from, stages);
    const TPipeline pipeline(stages, bands, unit);
    TPipelineWorker *worker = sharedWorker();
    const std::function<void()> share = [&pipeline, from, to] { pipeline.run(from, to); };
    if (from == to || worker == nullptr || !worker->offer(share)) {
        pipeline.run(0, stages);
        return;
    }
    pipeline.run(0, from);
    const bool alone = worker->reclaim();
    if (alone)
        pipeline.run(from, to);
    pipeline.run(to, stages);
    if (!alone)
        worker->waitIdle();
}

void RunAlongside(const std::function<void()> &other, const std::function<void()> &own)
{
    std::exception_ptr otherFailed;
    const std::function<void()> task = [&other, &otherFailed] {
        try {
            other();
        } catch (...) {
            otherFailed = std::current_exception();
        }
    };
    TPipelineWorker *worker = sharedWorker();
    const bool offered = worker != nullptr && worker->offer(task);
    try {
        own();
    } catch (...) {
        // The worker may still be using what the task refers to.
        if (offered && !worker->reclaim())
            worker->waitIdle();
        throw;
    }
    if (!offered || worker->reclaim())
        task();
    else
        worker->waitIdle();
    if (otherFailed)
        std::rethrow_exception(otherFailed);
}

} // namespace cornix
