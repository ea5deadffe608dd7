// The examination window capturing from the simulated cameras (real 30 fps timers)
// with the instrument simulator on the serial link:
// - sequential capture sustained for 10 s: frames stored per second, frames the
//   camera delivered that a newer frame replaced before the loop stored them, and the
//   longest stall of the
//   user-interface thread (the longest gap between ticks of a 2 ms heartbeat timer);
// - resident memory per stored frame, capturing up to MaxFrames = 300.
#include "Dialogs.h"
#include "InstrumentSimulator.h"
#include "SimulatedCamera.h"
#include "UBIniSettings.h"
#include "UBVideoGrabber_Espec_C.h"
#include "UfrmExame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

using namespace cornix;

namespace {

// Messages (the frame limit) are answered at once and not printed.
class SilentDialogs final : public Dialogs {
public:
    DialogButton show(const DialogRequest &) override { return DialogButton::Ok; }
};

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Resident memory after the allocator has handed back what is free (a previous
// benchmark's frames must not be counted, nor reused unseen).
double ResidentMB()
{
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return double(fields.value(1).toLongLong()) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Times the processor work of every event the event loop delivers (outermost
// deliveries only): the longest is the longest the program itself kept the
// user-interface thread from anything else, whatever the load of the machine.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_depth++ == 0)
            m_start = ThreadCpuMs();
        const bool result = QApplication::notify(receiver, event);
        if (--m_depth == 0)
            longestEventCpuMs = std::max(longestEventCpuMs, ThreadCpuMs() - m_start);
        return result;
    }
    static inline double longestEventCpuMs = 0;

private:
    int m_depth = 0;
    double m_start = 0;
};

// The longest gap between ticks of a fast timer: how long the event loop kept nothing
// else from running, waiting for the processor included.
class StallMeter : public QObject {
public:
    static constexpr int kIntervalMs = 2;
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kIntervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        TimedApplication::longestEventCpuMs = 0;
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    double longestStallMs() const { return double(m_longest) / 1e6 - kIntervalMs; }
    double longestEventCpuMs() const { return TimedApplication::longestEventCpuMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// A workstation: settings file, instrument simulator, simulated cameras, the window shown.
class Workstation {
public:
    explicit Workstation(int maxFrames)
    {
        Dialogs::install(&m_dialogs);
        video::SetFrameSourceMaker([this](const video::FrameSourceRequest &request) {
            auto camera = std::make_unique<video::SimulatedCamera>(request.role, 3);
            if (request.role == video::CameraRole::Main)
                // Connected ahead of the wrapper: a frame that is still waiting when the next
                // one arrives is replaced before the loop could store it.
                QObject::connect(camera.get(), &video::FrameSource::frameArrived, [this] {
                    if (window && window->MainGrabber() && window->MainGrabber()->IsContinuous()
                        && window->MainGrabber()->FrameReady())
                        ++replacedUnstored;
                });
            return camera;
        });
        InstrumentSimulator::Options options;
        options.linkPath = (m_dir.path() + QStringLiteral("/instrument")).toStdString();
        m_sim = std::make_unique<InstrumentSimulator>(options);
        m_sim->start();
        writeSettings(maxFrames);
        m_settings = std::make_unique<TBIniSettings>(m_dir.path() + QStringLiteral("/cornix.ini"));
        window = std::make_unique<TfrmExamination>(nullptr, TExame{}, 0, false, true, false, 1, QStringLiteral("1"),
                                                   QStringLiteral("Dr."), 1, *m_settings);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->resize(1280, 800);
        window->show();
        m_sim->waitForCommands(3, std::chrono::seconds(10));
        Wait(1000); // the mosaic is built, the cameras settle
    }
    ~Workstation()
    {
        window.reset();
        video::SetFrameSourceMaker({});
        Dialogs::install(nullptr);
    }

    void toggleSequential() const
    {
        window->findChild<QAbstractButton *>(QStringLiteral("spbAutoCapture"))->click();
    }
    quint64 framesDelivered() const { return window->MainGrabber()->Component()->FrameInfo(); }
    int framesStored() const { return window->Session().Count(); }

    std::unique_ptr<TfrmExamination> window;
    int replacedUnstored = 0;

private:
    void writeSettings(int maxFrames) const
    {
        QFile sample(QStringLiteral(CORNIX_SOURCE_DIR "/config/cornix.ini"));
        sample.open(QIODevice::ReadOnly);
        QByteArray text = sample.readAll();
        text.replace("comPort=/tmp/cornix-instrument", "comPort=" + QByteArray::fromStdString(m_sim->portPath()));
        text.replace("maxFrames=30", "maxFrames=" + QByteArray::number(maxFrames));
        text.replace("Gain=AUTO", "Gain=0");
        QFile file(m_dir.path() + QStringLiteral("/cornix.ini"));
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }

    SilentDialogs m_dialogs;
    QTemporaryDir m_dir;
    std::unique_ptr<InstrumentSimulator> m_sim;
    std::unique_ptr<TBIniSettings> m_settings;
};

void SequentialCapture10s(benchmark::State &state)
{
    Workstation station(65535);
    StallMeter stalls;
    for (auto _ : state) {
        const quint64 delivered0 = station.framesDelivered();
        const int stored0 = station.framesStored();
        station.replacedUnstored = 0;
        station.replacedUnstored = 0;
        stalls.start();
        QElapsedTimer clock;
        clock.start();
        station.toggleSequential();
        Wait(10000);
        station.toggleSequential();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        const double stall = stalls.longestStallMs();
        const auto delivered = double(station.framesDelivered() - delivered0);
        const auto stored = double(station.framesStored() - stored0);
        state.counters["stored_per_s"] = stored / seconds;
        state.counters["delivered_per_s"] = delivered / seconds;
        state.counters["lost_to_loop"] = station.replacedUnstored;
        state.counters["longest_stall_ms"] = stall;
        state.counters["longest_event_cpu_ms"] = stalls.longestEventCpuMs();
    }
}

void MemoryPerStoredFrame(benchmark::State &state)
{
    constexpr int kMaxFrames = 300;
    Workstation station(kMaxFrames);
    for (auto _ : state) {
        const double before = ResidentMB();
        station.toggleSequential();
        QElapsedTimer clock;
        clock.start();
        while (station.framesStored() < kMaxFrames && clock.elapsed() < 60000)
            Wait(100);
        Wait(200); // the tick after the last frame stops the loop
        const double after = ResidentMB();
        state.counters["frames"] = station.framesStored();
        state.counters["resident_MB"] = after;
        state.counters["MB_per_frame"] = (after - before) / kMaxFrames;
        state.counters["bitmap_MB"] = 640.0 * 480 * 3 / (1024.0 * 1024.0);
    }
}

// One tick that stores a grey camera frame (the 24-bit copy kept by the buffer).
void StoreOneFrame(benchmark::State &state)
{
    exam::TCaptureSettings settings;
    settings.maxFrames = 65535;
    exam::TBExamSession session(exam::TExamCreation{}, settings);
    QImage frame(640, 480, QImage::Format_Grayscale8);
    frame.fill(120);
    for (auto _ : state) {
        if (session.Count() >= 100)
            session.ResetCapture();
        benchmark::DoNotOptimize(session.CaptureTick(true, frame, true));
    }
}

// The last captured frame as the capture page shows it (224 x 168).
void LastFrameThumbnail(benchmark::State &state)
{
    QImage frame(640, 480, QImage::Format_RGB888);
    frame.fill(Qt::gray);
    const auto mode = state.range(0) ? Qt::SmoothTransformation : Qt::FastTransformation;
    for (auto _ : state)
        benchmark::DoNotOptimize(QPixmap::fromImage(frame.scaled(224, 168, Qt::KeepAspectRatio, mode)));
}

} // namespace

BENCHMARK(StoreOneFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(LastFrameThumbnail)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SequentialCapture10s)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(MemoryPerStoredFrame)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
