// The desktop program's own windows: the main window with the settings dialog open in
// its MDI area, the about box against the instrument simulator, each page of the
// settings dialog, and the calibration window with a frozen frame and a selection.
#include "Gallery.h"

#include "../app/AppFixture.h"
#include "RecordingDialogs.h"
#include "SimulatedCamera.h"
#include "TImage32View.h"
#include "UFrmCalibracao.h"
#include "UfrmAbout.h"
#include "UfrmCfgCamCap.h"
#include "UfrmDataModule.h"
#include "UfrmMain.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

// Keeps a workstation (settings, database, instrument) alive as long as a window.
struct Workstation : QObject {
    AppFixture fixture;
    std::unique_ptr<TDataModule1> module;
    ~Workstation() override { module.reset(); }
};

Workstation *makeWorkstation(QObject *owner, const QString &name, bool instrument)
{
    auto *station = new Workstation;
    station->setParent(owner);
    if (!station->fixture.prepare(name, cornix::test::Engine::Embedded))
        qWarning("gallery: no database for %s", qPrintable(name));
    if (instrument && !station->fixture.startInstrument())
        qWarning("gallery: no instrument simulator for %s", qPrintable(name));
    return station;
}

void settle(int ms) { QTest::qWait(ms); }

bool waitFor(const std::function<bool()> &done)
{
    return QTest::qWaitFor(done, 30000);
}

// The simulated main camera, streaming by itself, for every camera wrapper.
void useSimulatedCameras()
{
    cornix::video::SetFrameSourceMaker([](const cornix::video::FrameSourceRequest &request) {
        return std::make_unique<cornix::video::SimulatedCamera>(request.role, 11);
    });
}

} // namespace

CORNIX_GALLERY_SHOT("frmMain")
{
    auto *main = new TfrmMain;
    Workstation *station = makeWorkstation(main, QStringLiteral("gallery_frmmain"), false);
    station->module = std::make_unique<TDataModule1>();
    main->SetStartUpFiles(station->fixture.files());
    main->resize(cornix::gallery::kWidth, cornix::gallery::kHeight);
    main->show();
    waitFor([main] { return main->StartUpFinished(); });
    main->findChild<QAction *>(QStringLiteral("CmeraCaptura1"))->trigger();
    return main;
}

CORNIX_GALLERY_SHOT("frmAbout")
{
    auto *holder = new QObject;
    Workstation *station = makeWorkstation(holder, QStringLiteral("gallery_frmabout"), true);
    auto database = cornix::test::Connect(station->fixture.databasePath, cornix::test::Engine::Embedded);
    TBIniSettings settings(station->fixture.settingsPath());
    {
        TfrmAbout about(&settings, database.module.get());
        about.adjustSize();
        about.show();
        waitFor([&about] { return about.FirmwareRead(); });
        settle(100);
        cornix::gallery::save(&about, QStringLiteral("frmAbout"));
    }
    database.module.reset();
    delete holder;
    return nullptr;
}

CORNIX_GALLERY_SHOT("frmCfgCamCap")
{
    auto *holder = new QObject;
    Workstation *station = makeWorkstation(holder, QStringLiteral("gallery_frmcfgcamcap"), false);
    TBIniSettings settings(station->fixture.settingsPath());
    {
        TfrmCfgCamCap dialog(settings);
        dialog.resize(600, 380);
        dialog.show();
        settle(100);
        auto *pages = dialog.findChild<QTabWidget *>(QStringLiteral("pgcConfig"));
        const QString names[] = {QStringLiteral("frmCfgCamCap"), QStringLiteral("frmCfgCamCap_Captura"),
                                 QStringLiteral("frmCfgCamCap_DadosClinica")};
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            settle(50);
            cornix::gallery::save(&dialog, names[page]);
        }
    }
    delete holder;
    return nullptr;
}

CORNIX_GALLERY_SHOT("frmCalibration")
{
    auto *holder = new QObject;
    Workstation *station = makeWorkstation(holder, QStringLiteral("gallery_frmcalibration"), false);
    TBIniSettings settings(station->fixture.settingsPath());
    useSimulatedCameras();
    {
        TfrmCalibration window(settings);
        window.resize(960, 560);
        window.show();
        settle(300); // live frames arrive
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("spbCapture")), Qt::LeftButton);
        auto *image = window.findChild<TImage32View *>(QStringLiteral("imgCalibration"));
        waitFor([image] { return image->isVisible(); });
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("spbMeasure")), Qt::LeftButton);
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(170, 140));
        for (int step = 1; step <= 10; ++step)
            QTest::mouseMove(image, QPoint(170 + step * 30, 140 + step * 20));
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(470, 340));
        settle(700); // the values refresh every 500 ms
        cornix::gallery::save(&window, QStringLiteral("frmCalibration"));
    }
    cornix::video::SetFrameSourceMaker({});
    delete holder;
    return nullptr;
}
