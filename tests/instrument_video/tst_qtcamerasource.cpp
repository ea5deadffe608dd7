// Real capture devices: enumeration, a missing device index and the V4L2 controls
// on a machine that may have no camera at all.
#include "QtCameraSource.h"
#include "RecordingDialogs.h"
#include "UBVideoGrabber_Espec_C.h"
#include "UBVideoGrabber_Espec_L.h"
#include "V4l2Controls.h"

#include <QCameraDevice>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QTest>

using namespace cornix::video;

class TestQtCameraSource : public QObject {
    Q_OBJECT
private slots:
    void enumeratingDevicesWorks();
    void missingIndexDeliversNothing_data();
    void missingIndexDeliversNothing();
    void missingDeviceLeavesPanelEmpty();
    void missingDeviceOffersNoSettings();
    void controlsOfMissingNode();
    void controlsOfNonCaptureNode();
};

void TestQtCameraSource::enumeratingDevicesWorks()
{
    const int count = QtCameraSource::deviceCount();
    QCOMPARE(count, int(QMediaDevices::videoInputs().size()));
    QVERIFY(count >= 0);
    qInfo("capture devices: %d", count);
}

void TestQtCameraSource::missingIndexDeliversNothing_data()
{
    QTest::addColumn<int>("offset");
    QTest::newRow("one past the last") << 0;
    QTest::newRow("far past the last") << 200;
}

void TestQtCameraSource::missingIndexDeliversNothing()
{
    QFETCH(int, offset);
    QtCameraSource source(QtCameraSource::deviceCount() + offset, QSize(640, 480));
    QSignalSpy frames(&source, &FrameSource::frameArrived);
    QSignalSpy started(&source, &FrameSource::started);
    QVERIFY(!source.start());
    QVERIFY(!source.isRunning());
    source.pause();
    source.resume();
    source.stop();
    QTest::qWait(50);
    QCOMPARE(frames.count(), 0);
    QCOMPARE(started.count(), 0);
}

void TestQtCameraSource::missingDeviceLeavesPanelEmpty()
{
    cornix::RecordingDialogs dialogs;
    QWidget panel;
    panel.resize(640, 500);
    panel.setAutoFillBackground(true);
    panel.setPalette(QPalette(Qt::black));
    panel.show();
    const int missing = std::min(255, QtCameraSource::deviceCount() + 5);
    TVGrabber_Espec_C main(&panel, 640, 480, 20, 0, std::uint8_t(missing), 100, true, false);
    TVGrabber_Espec_L aux(&panel, 320, 240, 20, 0, std::uint8_t(missing), 100, false, true);
    main.StartCapture(false);
    QTest::qWait(200);
    QVERIFY(!main.FrameReady());
    QVERIFY(main.FrameBitmap().isNull());
    QVERIFY(main.Component()->CurrentFrame().isNull());
    QVERIFY(aux.Component()->ShapeOverlays().isEmpty()); // no preview, no target
    const QImage shown = panel.grab().toImage();
    QCOMPARE(shown.pixel(320, 240), qRgb(0, 0, 0));
    main.StopVideo();
    aux.StopVideo();
    QVERIFY(dialogs.shown().isEmpty());
}

void TestQtCameraSource::missingDeviceOffersNoSettings()
{
    cornix::RecordingDialogs dialogs;
    QWidget panel;
    TVGrabber_Espec_C main(&panel, 640, 480, 20, 0, 250, 100, false, false);
    for (int s : {0, 1, 9})
        QVERIFY(!main.IsSettingAvailable(s));
    QCOMPARE(main.BrightnessMax(), 0);
    main.SetVideoSetting(0, 10, false, false);
    main.SetVideoSetting(9, 10, true, true);
    QVERIFY(dialogs.shown().isEmpty());
}

void TestQtCameraSource::controlsOfMissingNode()
{
    V4l2Controls controls;
    QVERIFY(!controls.open("/dev/no-such-video-node"));
    QVERIFY(!controls.range(kSettingBrightness));
    QVERIFY_THROWS_EXCEPTION(EVideoSettingError, controls.apply(kSettingBrightness, 1, false));
}

void TestQtCameraSource::controlsOfNonCaptureNode()
{
    V4l2Controls controls;
    QVERIFY(!controls.open("/dev/null")); // a node that is not a video device is refused
    for (int s : {0, 1, 9})
        QVERIFY(!controls.range(s));
    QVERIFY_THROWS_EXCEPTION(EVideoSettingError, controls.apply(kSettingGain, 1, true));
}

QTEST_MAIN(TestQtCameraSource)
#include "tst_qtcamerasource.moc"
