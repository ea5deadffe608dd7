// The examination window's review and editing pages on frames of the simulated camera
// with the instrument simulator on the serial link:
// - a click on the enlarged view of page 2 until the redrawn overlay is on the screen
//   (the edit, the matrix rebuilt, the figures, the overlay drawn, the view scaled and
//   painted), alternately adding and removing a cell, at the default zoom and at the
//   largest; median, 90th percentile and longest of 200 clicks;
// - the parts of one click in processor time of this thread (edit and Build, redraw,
//   figures, the view scaled and painted);
// - entering page 2 with 30 analysed frames (the editing controls locked, the flags
//   reset, 30 thumbnails built, the page painted).
#include "Dialogs.h"
#include "InstrumentSimulator.h"
#include "SimulatedCamera.h"
#include "UBFrameBuffer.h"
#include "UBAnalyseFrame.h"
#include "UBIniSettings.h"
#include "UBZoomView.h"
#include "UfrmExame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

using namespace cornix;

namespace {

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

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size() - 1) + 0.5))];
}

// A workstation with frames captured and analysed: settings file, instrument simulator,
// simulated cameras delivering frames on request, the window shown.
class Workstation {
public:
    explicit Workstation(int frames)
    {
        Dialogs::install(&m_dialogs);
        video::SetFrameSourceMaker([this](const video::FrameSourceRequest &request) {
            auto camera = std::make_unique<video::SimulatedCamera>(request.role, 7);
            camera->setAutomaticDelivery(false);
            if (request.role == video::CameraRole::Main)
                m_main = camera.get();
            return camera;
        });
        InstrumentSimulator::Options options;
        options.linkPath = (m_dir.path() + QStringLiteral("/instrument")).toStdString();
        m_sim = std::make_unique<InstrumentSimulator>(options);
        m_sim->start();
        writeSettings(frames);
        m_settings = std::make_unique<TBIniSettings>(m_dir.path() + QStringLiteral("/cornix.ini"));
        window = std::make_unique<TfrmExamination>(nullptr, TExame{}, 0, false, true, false, 1, QStringLiteral("1"),
                                                   QStringLiteral("Dr."), 1, *m_settings);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->resize(1280, 800);
        window->show();
        m_sim->waitForCommands(3, std::chrono::seconds(10));
        capture(frames);
        button("btnAvanc1")->click();
        for (int f = 0; f < frames; ++f) {
            drag(QPoint(200, 120), QPoint(440, 330));
            button("spbGoToNextFrame")->click();
        }
    }
    ~Workstation()
    {
        window.reset();
        video::SetFrameSourceMaker({});
        Dialogs::install(nullptr);
    }

    template <typename T = QAbstractButton> T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QAbstractButton *button(const char *name) const { return child(name); }
    int analysed() const
    {
        int n = 0;
        for (int f = 0; f < window->Session().Frames().FrameCount(); ++f)
            n += window->Session().Frames().Matrix(f) != nullptr;
        return n;
    }

    std::unique_ptr<TfrmExamination> window;

private:
    void capture(int frames)
    {
        for (int i = 0; i < frames; ++i) {
            const int before = window->Session().Count();
            button("spbCapture")->click();
            m_main->deliverFrame();
            QElapsedTimer clock;
            clock.start();
            while (window->Session().Count() == before && clock.elapsed() < 5000)
                Wait(1);
        }
    }
    void drag(QPoint from, QPoint to) const
    {
        auto *view = child<QLabel>("imgActual");
        QTest::mousePress(view, Qt::LeftButton, {}, from);
        QTest::mouseMove(view, to);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    }
    void writeSettings(int maxFrames) const
    {
        QFile sample(QStringLiteral(CORNIX_SOURCE_DIR "/config/cornix.ini"));
        sample.open(QIODevice::ReadOnly);
        QByteArray text = sample.readAll();
        text.replace("comPort=/tmp/cornix-instrument", "comPort=" + QByteArray::fromStdString(m_sim->portPath()));
        text.replace("maxFrames=30", "maxFrames=" + QByteArray::number(std::max(maxFrames, 1)));
        text.replace("Gain=AUTO", "Gain=0");
        QFile file(m_dir.path() + QStringLiteral("/cornix.ini"));
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }

    SilentDialogs m_dialogs;
    QTemporaryDir m_dir;
    std::unique_ptr<InstrumentSimulator> m_sim;
    std::unique_ptr<TBIniSettings> m_settings;
    QPointer<video::SimulatedCamera> m_main;
};

// Processor time of this thread: what a click costs, whatever else the machine runs.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Add, then remove, the cell under one point of the enlarged view: each click runs the
// edit, Build, the figures and the overlay, and paints the view before it returns.
void ClickOnZoomedView(benchmark::State &state)
{
    Workstation station(1);
    station.button("btnAvanc2")->click();
    QTest::mouseClick(station.child<QLabel>("img0"), Qt::LeftButton);
    station.child<QSlider>("zoomBar")->setValue(int(state.range(0)));
    auto *view = station.child<QLabel>("imgFrameToPlot");
    const QPoint at(view->width() / 2, view->height() / 2);
    std::vector<double> ms, cpu;
    for (auto _ : state) {
        ms.clear();
        cpu.clear();
        for (int i = 0; i < 200; ++i) {
            station.button(i % 2 ? "spbDeleteCell" : "spbAddCell")->click();
            QElapsedTimer clock;
            clock.start();
            const double cpu0 = ThreadCpuMs();
            QTest::mouseClick(view, Qt::LeftButton, {}, at);
            cpu.push_back(ThreadCpuMs() - cpu0);
            ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
    }
    state.counters["cpu_median_ms"] = Percentile(cpu, 0.5);
    state.counters["median_ms"] = Percentile(ms, 0.5);
    state.counters["p90_ms"] = Percentile(ms, 0.9);
    state.counters["max_ms"] = Percentile(ms, 1.0);
    state.counters["view_px"] = double(view->width()) * view->height();
}

// From "Avançar" on page 1 until page 2 is painted with its 30 thumbnails.
void EnterEditingPage30Frames(benchmark::State &state)
{
    Workstation station(30);
    auto *pages = station.child<QTabWidget>("pgExamination");
    std::vector<double> ms;
    for (auto _ : state) {
        pages->setCurrentIndex(1); // back to page 1: the thumbnails go
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        station.button("btnAvanc2")->click();
        station.window->repaint();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    state.counters["analysed_frames"] = station.analysed();
    state.counters["median_ms"] = Percentile(ms, 0.5);
    state.counters["max_ms"] = Percentile(ms, 1.0);
}

// Where the processor time of a click goes: the same steps as the window's click
// handler, timed one by one.
void ClickParts(benchmark::State &state)
{
    Workstation station(1);
    station.button("btnAvanc2")->click();
    QTest::mouseClick(station.child<QLabel>("img0"), Qt::LeftButton);
    TBFrameBuffer &frames = station.window->Session().Frames();
    const TDisplaySettings display = station.window->DisplaySettings();
    const TRect roi = frames.Roi(0);
    auto *view = station.child<TBZoomView>("imgFrameToPlot");
    double edit = 0, refresh = 0, stats = 0, show = 0;
    int n = 0;
    for (auto _ : state) {
        const double t0 = ThreadCpuMs();
        EditCell(frames, 0, (roi.Top + roi.Bottom) / 2, (roi.Left + roi.Right) / 2,
                 n % 2 ? TCellEdit::Delete : TCellEdit::Add);
        const double t1 = ThreadCpuMs();
        RefreshFrame(frames, 0, display);
        const double t2 = ThreadCpuMs();
        frames.BCalculateStatistics(0);
        const double t3 = ThreadCpuMs();
        const QImage crop = frames.ProcessedCrop(0);
        view->setImage(crop);
        view->repaint();
        const double t4 = ThreadCpuMs();
        edit += t1 - t0;
        refresh += t2 - t1;
        stats += t3 - t2;
        show += t4 - t3;
        ++n;
    }
    state.counters["edit_build_ms"] = edit / n;
    state.counters["refresh_ms"] = refresh / n;
    state.counters["stats_ms"] = stats / n;
    state.counters["show_ms"] = show / n;
}

} // namespace

BENCHMARK(ClickOnZoomedView)->Arg(14)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ClickParts)->Iterations(400)->Unit(benchmark::kMillisecond);
BENCHMARK(EnterEditingPage30Frames)->Iterations(20)->Unit(benchmark::kMillisecond);

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
