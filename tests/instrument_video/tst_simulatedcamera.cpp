// The simulated cameras: frame formats, start/pause/stop, the amplifier settings
// changing the picture, frame-to-frame changes and the real timer (its rate is a
// figure of bench_simulatedcamera).
#include "SimulatedCamera.h"

#include <QSignalSpy>
#include <QTest>

using namespace cornix::video;

namespace {

double MeanGrey(const QImage &image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            sum += (qRed(c) + qGreen(c) + qBlue(c)) / 3.0;
        }
    return sum / (double(image.width()) * image.height());
}

double StdDevGrey(const QImage &image)
{
    const double mean = MeanGrey(image);
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double g = qGray(image.pixel(x, y)) - mean;
            sum += g * g;
        }
    return std::sqrt(sum / (double(image.width()) * image.height()));
}

// A started camera delivering by hand only, without drift.
std::unique_ptr<SimulatedCamera> SteadyCamera(CameraRole role)
{
    auto camera = std::make_unique<SimulatedCamera>(role, 3);
    camera->setAutomaticDelivery(false);
    camera->setVariation(false);
    camera->start();
    return camera;
}

} // namespace

class TestSimulatedCamera : public QObject {
    Q_OBJECT
private slots:
    void mainCameraDeliversGreyEndothelium();
    void auxiliaryCameraDeliversColourEye();
    void startAnnouncesPreview();
    void pausedOrStoppedDeliversNothing();
    void offersBrightnessContrastGainOnly_data();
    void offersBrightnessContrastGainOnly();
    void refusesValuesOutOfRange_data();
    void refusesValuesOutOfRange();
    void brightnessShiftsTheMean_data();
    void brightnessShiftsTheMean();
    void contrastScalesTheSpread();
    void gainBrightensTheImage_data();
    void gainBrightensTheImage();
    void automaticGainSettlesOnTarget();
    void variationMovesThePicture();
    void sometimesOutOfFocusOrDark();
    void timerKeepsDeliveringNewFrames();
};

void TestSimulatedCamera::mainCameraDeliversGreyEndothelium()
{
    auto camera = SteadyCamera(CameraRole::Main);
    const QImage frame = camera->renderFrame();
    QCOMPARE(frame.size(), QSize(640, 480));
    QCOMPARE(frame.format(), QImage::Format_Grayscale8);
    QVERIFY(StdDevGrey(frame) > 20); // a mosaic, not a flat field
}

void TestSimulatedCamera::auxiliaryCameraDeliversColourEye()
{
    auto camera = SteadyCamera(CameraRole::Auxiliary);
    const QImage frame = camera->renderFrame();
    QCOMPARE(frame.size(), QSize(320, 240));
    // Dark pupil in the middle, bright sclera beside the iris, no pure green anywhere.
    QVERIFY(qGray(frame.pixel(160, 122)) < 40);
    QVERIFY(qGray(frame.pixel(160 + 80, 120)) > 180);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            QVERIFY(frame.pixel(x, y) != qRgb(0, 255, 0));
}

void TestSimulatedCamera::startAnnouncesPreview()
{
    SimulatedCamera camera(CameraRole::Main);
    camera.setAutomaticDelivery(false);
    QSignalSpy started(&camera, &FrameSource::started);
    QVERIFY(camera.start());
    QCOMPARE(started.count(), 1);
    QVERIFY(camera.isRunning());
}

void TestSimulatedCamera::pausedOrStoppedDeliversNothing()
{
    auto camera = SteadyCamera(CameraRole::Main);
    QSignalSpy frames(camera.get(), &FrameSource::frameArrived);
    camera->deliverFrame();
    camera->pause();
    camera->deliverFrame();
    camera->resume();
    camera->deliverFrame();
    camera->stop();
    camera->deliverFrame();
    QCOMPARE(frames.count(), 2);
    QCOMPARE(camera->framesDelivered(), quint64(2));
}

void TestSimulatedCamera::offersBrightnessContrastGainOnly_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<bool>("offered");
    for (int s = -1; s <= 11; ++s)
        QTest::addRow("setting %d", s) << s << (s == 0 || s == 1 || s == 9);
}

void TestSimulatedCamera::offersBrightnessContrastGainOnly()
{
    QFETCH(int, setting);
    QFETCH(bool, offered);
    SimulatedCamera camera(CameraRole::Main);
    QCOMPARE(camera.settingRange(setting).has_value(), offered);
}

void TestSimulatedCamera::refusesValuesOutOfRange_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("brightness -1") << 0 << -1 << false;
    QTest::newRow("brightness 0") << 0 << 0 << true;
    QTest::newRow("brightness 255") << 0 << 255 << true;
    QTest::newRow("brightness 256") << 0 << 256 << false;
    QTest::newRow("gain 100") << 9 << 100 << true;
    QTest::newRow("gain 101") << 9 << 101 << false;
    QTest::newRow("setting 2") << 2 << 10 << false;
}

void TestSimulatedCamera::refusesValuesOutOfRange()
{
    QFETCH(int, setting);
    QFETCH(int, value);
    QFETCH(bool, accepted);
    SimulatedCamera camera(CameraRole::Main);
    bool threw = false;
    try {
        camera.applySetting(setting, value, false);
    } catch (const EVideoSettingError &) {
        threw = true;
    }
    QCOMPARE(!threw, accepted);
    if (accepted)
        QCOMPARE(camera.settingValue(setting), value);
}

void TestSimulatedCamera::brightnessShiftsTheMean_data()
{
    QTest::addColumn<int>("brightness");
    QTest::newRow("darker 98") << 98;
    QTest::newRow("default 128") << 128;
    QTest::newRow("brighter 158") << 158;
}

void TestSimulatedCamera::brightnessShiftsTheMean()
{
    QFETCH(int, brightness);
    auto camera = SteadyCamera(CameraRole::Main);
    const QRect lit(180, 130, 280, 220); // inside the illuminated field: nothing clips
    const double before = MeanGrey(camera->renderFrame().copy(lit));
    camera->applySetting(kSettingBrightness, brightness, false);
    const double after = MeanGrey(camera->renderFrame().copy(lit));
    QVERIFY2(std::abs(after - before - (brightness - 128)) < 1.0, qPrintable(QString::number(after - before)));
}

void TestSimulatedCamera::contrastScalesTheSpread()
{
    auto camera = SteadyCamera(CameraRole::Main);
    const double before = StdDevGrey(camera->renderFrame());
    camera->applySetting(kSettingContrast, 64, false); // half
    const double after = StdDevGrey(camera->renderFrame());
    QVERIFY(std::abs(after / before - 0.5) < 0.05);
}

void TestSimulatedCamera::gainBrightensTheImage_data()
{
    QTest::addColumn<int>("role");
    QTest::newRow("main") << int(CameraRole::Main);
    QTest::newRow("auxiliary") << int(CameraRole::Auxiliary);
}

void TestSimulatedCamera::gainBrightensTheImage()
{
    QFETCH(int, role);
    auto camera = SteadyCamera(CameraRole(role));
    const double before = MeanGrey(camera->renderFrame());
    camera->applySetting(kSettingGain, 20, false); // x 1.4
    const double after = MeanGrey(camera->renderFrame());
    QVERIFY2(after > before * 1.25, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
}

void TestSimulatedCamera::automaticGainSettlesOnTarget()
{
    auto camera = SteadyCamera(CameraRole::Main);
    camera->applySetting(kSettingBrightness, 60, false); // a dim picture for the gain to correct
    const double dim = MeanGrey(camera->renderFrame());
    camera->applySetting(kSettingGain, 0, true);
    QVERIFY(camera->settingAutomatic(kSettingGain));
    QImage frame;
    for (int i = 0; i < 30; ++i)
        frame = camera->renderFrame();
    QVERIFY2(MeanGrey(frame) > dim + 20, qPrintable(QStringLiteral("%1 -> %2").arg(dim).arg(MeanGrey(frame))));
}

void TestSimulatedCamera::variationMovesThePicture()
{
    SimulatedCamera camera(CameraRole::Main, 5);
    camera.setAutomaticDelivery(false);
    camera.start();
    const QImage first = camera.renderFrame();
    QImage later;
    for (int i = 0; i < 40; ++i)
        later = camera.renderFrame();
    // Drift moves the cells: the frames are far more different than noise alone makes them.
    double diff = 0;
    for (int y = 100; y < 380; ++y)
        for (int x = 100; x < 540; ++x)
            diff += std::abs(qGray(first.pixel(x, y)) - qGray(later.pixel(x, y)));
    QVERIFY(diff / (280.0 * 440.0) > 15);
}

void TestSimulatedCamera::sometimesOutOfFocusOrDark()
{
    SimulatedCamera camera(CameraRole::Main, 5);
    camera.setAutomaticDelivery(false);
    camera.start();
    int unusual = 0;
    double typicalMean = MeanGrey(camera.renderFrame()), typicalSpread = StdDevGrey(camera.renderFrame());
    for (int i = 0; i < 300; ++i) {
        const QImage frame = camera.renderFrame();
        if (MeanGrey(frame) < typicalMean - 50 || StdDevGrey(frame) < 0.6 * typicalSpread)
            ++unusual;
    }
    // About one frame in thirty: neither never nor often.
    QVERIFY2(unusual >= 3 && unusual <= 30, qPrintable(QString::number(unusual)));
}

void TestSimulatedCamera::timerKeepsDeliveringNewFrames()
{
    SimulatedCamera camera(CameraRole::Main);
    QSignalSpy frames(&camera, &FrameSource::frameArrived);
    camera.start();
    // The timer alone delivers, frame after frame, each a new picture. How fast is
    // a figure of bench_simulatedcamera (TimerRate), not something a loaded machine
    // can be held to here.
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= 5, 30000);
    camera.stop();
    const qsizetype delivered = frames.count();
    for (qsizetype i = 1; i < delivered; ++i) {
        const QImage previous = frames.at(i - 1).at(0).value<QImage>();
        const QImage frame = frames.at(i).at(0).value<QImage>();
        QCOMPARE(frame.size(), QSize(640, 480));
        QVERIFY2(frame != previous, qPrintable(QStringLiteral("frame %1 repeats the one before").arg(i)));
    }
    // Stopped, the timer delivers nothing more.
    QTest::qWait(5 * SimulatedCamera::kFrameIntervalMs);
    QCOMPARE(frames.count(), delivered);
}

QTEST_MAIN(TestSimulatedCamera)
#include "tst_simulatedcamera.moc"
