// The simulated cameras as the examination window runs them: frames per second
// sustained by the real timer and the CPU the process spends on them (rendering,
// grabbing, preview painting), plus the cost of rendering one frame.
#include "SimulatedCamera.h"
#include "UBVideoGrabber_Espec_C.h"
#include "UBVideoGrabber_Espec_L.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace cornix::video;

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop (camera timers, repaints) for a while.
void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void UseSimulatedCameras()
{
    SetFrameSourceMaker([](const FrameSourceRequest &r) { return std::make_unique<SimulatedCamera>(r.role); });
}

// Streams for a few seconds with continuous grabbing; reports rate and CPU share of one core.
void Stream(benchmark::State &state, bool withAuxiliary)
{
    UseSimulatedCameras();
    QWidget window;
    QWidget mainPanel(&window), auxPanel(&window);
    mainPanel.setGeometry(0, 0, 640, 500);
    auxPanel.setGeometry(640, 0, 320, 260);
    window.resize(960, 500);
    window.show();
    for (auto _ : state) {
        TVGrabber_Espec_C main(&mainPanel, 640, 480, 20, 0, 0, 100, true, false);
        std::unique_ptr<TVGrabber_Espec_L> aux;
        if (withAuxiliary)
            aux = std::make_unique<TVGrabber_Espec_L>(&auxPanel, 320, 240, 20, 0, 1, 100, false, true);
        main.StartCapture(true);
        Wait(500); // settle: the mosaic is built at start
        const quint64 frames0 = main.Component()->FrameInfo();
        const double cpu0 = CpuSeconds();
        QElapsedTimer clock;
        clock.start();
        Wait(5000);
        const double seconds = clock.nsecsElapsed() / 1e9;
        state.counters["fps"] = double(main.Component()->FrameInfo() - frames0) / seconds;
        state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - cpu0) / seconds;
        main.StopVideo();
        if (aux)
            aux->StopVideo();
    }
    SetFrameSourceMaker({});
}

// The bare camera's own timer (no grabber, no painting): frames per second it
// delivers; about 1000 / kFrameIntervalMs on a quiet machine.
void TimerRate(benchmark::State &state)
{
    for (auto _ : state) {
        SimulatedCamera camera(CameraRole::Main);
        quint64 frames = 0;
        QObject::connect(&camera, &FrameSource::frameArrived, [&frames] { ++frames; });
        camera.start();
        Wait(300); // the mosaic is built at start
        const quint64 frames0 = frames;
        QElapsedTimer clock;
        clock.start();
        Wait(3000);
        state.counters["fps"] = double(frames - frames0) / (clock.nsecsElapsed() / 1e9);
        state.counters["nominal_fps"] = 1000.0 / SimulatedCamera::kFrameIntervalMs;
        camera.stop();
    }
}

void RenderOneFrame(benchmark::State &state, CameraRole role)
{
    SimulatedCamera camera(role);
    camera.setAutomaticDelivery(false);
    camera.start();
    for (auto _ : state)
        benchmark::DoNotOptimize(camera.renderFrame());
}

} // namespace

BENCHMARK_CAPTURE(RenderOneFrame, main, CameraRole::Main)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RenderOneFrame, auxiliary, CameraRole::Auxiliary)->Unit(benchmark::kMillisecond);
BENCHMARK(TimerRate)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(Stream, main_camera, false)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(Stream, both_cameras, true)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
