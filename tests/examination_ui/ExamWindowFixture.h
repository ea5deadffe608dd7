#pragma once
// The examination window as a test meets it: a settings file in a temporary folder
// pointing the serial link at the instrument simulator on a pseudo-terminal, the
// simulated cameras (frames pushed by the test), the recording dialog seam, and the
// window inside an MDI area like the main window's.
#include "InstrumentSimulator.h"
#include "RecordingDialogs.h"
#include "SimulatedCamera.h"
#include "UBIniSettings.h"
#include "UfrmExame.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct ExamSettings {
    QString captureType = QStringLiteral("SEQ");
    int maxFrames = 30;
    double average = 128;
    double sd = 40;
    double tolerance = 0.25;
    int brightness = 128;
    int contrast = 128;
    QString gain = QStringLiteral("0");
};

class ExamWindowFixture {
public:
    ExamWindowFixture() = default;
    ExamWindowFixture(const ExamWindowFixture &) = delete;
    ExamWindowFixture &operator=(const ExamWindowFixture &) = delete;

    ~ExamWindowFixture()
    {
        area.reset(); // the window and its cameras go first
        cornix::video::SetFrameSourceMaker({});
        if (!m_savedCurrent.isEmpty())
            QDir::setCurrent(m_savedCurrent);
    }

    // Starts the simulator and writes the settings file. Hardware.Log goes to the
    // temporary folder (the link writes it in the current folder).
    bool start(const ExamSettings &options = {})
    {
        cornix::InstrumentSimulator::Options simOptions;
        simOptions.linkPath = (dir.path() + QStringLiteral("/instrument")).toStdString();
        sim = std::make_unique<cornix::InstrumentSimulator>(simOptions);
        std::string error;
        if (!sim->start(&error)) {
            qWarning("simulator: %s", error.c_str());
            return false;
        }
        if (!writeSettings(options))
            return false;
        settings = std::make_unique<TBIniSettings>(settingsPath());
        cornix::video::SetFrameSourceMaker([this](const cornix::video::FrameSourceRequest &request) {
            auto camera = std::make_unique<cornix::video::SimulatedCamera>(request.role, 7);
            camera->setAutomaticDelivery(false);
            camera->setVariation(false);
            (request.role == cornix::video::CameraRole::Main ? mainCamera : auxCamera) = camera.get();
            return camera;
        });
        m_savedCurrent = QDir::currentPath();
        QDir::setCurrent(dir.path());
        return true;
    }

    QString settingsPath() const { return dir.path() + QStringLiteral("/cornix.ini"); }
    QString logPath() const { return dir.path() + QStringLiteral("/Hardware.Log"); }

    // A new examination (or the saved exam when viewedExamID is not 0), shown
    // maximised in the MDI area.
    TfrmExamination *open(std::int32_t viewedExamID = 0, const TExame &exam = {}, std::int32_t patientID = 42,
                          std::int32_t doctorID = 7)
    {
        area = std::make_unique<QMdiArea>();
        area->resize(1280, 800);
        window = new TfrmExamination(nullptr, exam, viewedExamID, false, true, false, patientID,
                                     QStringLiteral("12345-SP"), QStringLiteral("Dra. Ana Lúcia"), doctorID, *settings);
        QMdiSubWindow *sub = area->addSubWindow(window, Qt::FramelessWindowHint);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        area->show();
        sub->showMaximized();
        return window;
    }

    // Opens a new examination and waits until the link has sent its first commands.
    TfrmExamination *openReady(std::int32_t patientID = 42, std::int32_t doctorID = 7)
    {
        open(0, {}, patientID, doctorID);
        if (!sim->waitForCommands(3, std::chrono::seconds(10)))
            qWarning("the window did not talk to the instrument");
        return window;
    }

    template <typename T = QWidget> T *child(const char *name) const
    {
        return window ? window->findChild<T *>(QLatin1String(name)) : nullptr;
    }

    // One frame of the main camera, now.
    void deliverMainFrame() const
    {
        if (mainCamera)
            mainCamera->deliverFrame();
    }

    // Requests single frames and delivers them until count frames are stored.
    bool captureFrames(int count)
    {
        for (int i = 0; i < count; ++i) {
            const int before = window->Session().Count();
            child<QAbstractButton>("spbCapture")->click();
            deliverMainFrame();
            if (!QTest::qWaitFor([&] { return window->Session().Count() == before + 1; }, 5000))
                return false;
        }
        return true;
    }

    // Captures count frames and goes on to the review page ("Avançar").
    bool toReview(int count)
    {
        if (!captureFrames(count))
            return false;
        child<QAbstractButton>("btnAvanc1")->click();
        return true;
    }

    // A drag with one button over a widget: press, a few moves, release.
    static void drag(QWidget *widget, Qt::MouseButton button, QPoint from, QPoint to,
                     Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mousePress(widget, button, modifiers, from);
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(widget, from + (to - from) * i / 4);
        QTest::mouseRelease(widget, button, modifiers, to);
    }

    std::vector<std::string> commandsAfter(std::size_t first) const
    {
        const std::vector<std::string> all = sim->commands();
        return {all.begin() + std::ptrdiff_t(std::min(first, all.size())), all.end()};
    }

    QTemporaryDir dir;
    std::unique_ptr<cornix::InstrumentSimulator> sim;
    std::unique_ptr<TBIniSettings> settings;
    cornix::RecordingDialogs dialogs;
    QPointer<cornix::video::SimulatedCamera> mainCamera;
    QPointer<cornix::video::SimulatedCamera> auxCamera;
    std::unique_ptr<QMdiArea> area;
    QPointer<TfrmExamination> window;

private:
    bool writeSettings(const ExamSettings &o) const
    {
        QFile file(settingsPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const QString text = QStringLiteral(
                                 "[VIDEO]\nBrightness=%1\nContrast=%2\nGain=%3\n"
                                 "[DOCTOR]\nNAME=\nCRM=\n"
                                 "[CLINIC_DATA]\nNAME=Clínica\nADDRESS=Rua\nPHONE=1\n"
                                 "[CAPTURE]\nTYPE=%4\nmaxFrames=%5\n"
                                 "[HARDWARE]\ncomPort=%6\n"
                                 "[AUTOCAPTURE]\naverage=%7\nsd=%8\ntolerance=%9\n")
                                 .arg(o.brightness)
                                 .arg(o.contrast)
                                 .arg(o.gain, o.captureType)
                                 .arg(o.maxFrames)
                                 .arg(QString::fromStdString(sim->portPath()))
                                 .arg(o.average, 0, 'f', 2)
                                 .arg(o.sd, 0, 'f', 2)
                                 .arg(o.tolerance, 0, 'f', 2)
                             + QStringLiteral(
                                 "[IMAGEPROCESSING]\nFIRlen=9\nminBlack=10\nalpha0=20.00\nbeta0=235.00\n"
                                 "largMin=60.00\nperc=0.30\n"
                                 "[SYSTEM]\ndecimalSeparator=.\n"
                                 "[CAMERA]\nmainCamChannel=0\nauxCamChannel=1\n"
                                 "[METRICS]\npixelToMM=0.001860\npixelToPaq=1.500000\n");
        return file.write(text.toUtf8()) > 0;
    }

    QString m_savedCurrent;
};
