// The camera wrappers on the simulated camera, frames pushed by hand: single and
// continuous grabbing, the FrameReady handshake, overlays, flips, settings, the
// alignment target, and destruction while frames arrive.
#include "CameraFixture.h"
#include "RecordingDialogs.h"
#include "UBVideoGrabber_Espec_C.h"
#include "UBVideoGrabber_Espec_L.h"

#include <QSignalSpy>
#include <QSlider>
#include <QTest>

using namespace cornix::video;

namespace {

double Mean(const QImage &gray)
{
    double sum = 0;
    for (int y = 0; y < gray.height(); ++y)
        for (int x = 0; x < gray.width(); ++x)
            sum += qGray(gray.pixel(x, y));
    return sum / (double(gray.width()) * gray.height());
}

bool IsGreen(QRgb c) { return c == qRgb(0, 255, 0); }

// The main camera as the examination window creates it.
std::unique_ptr<TVGrabber_Espec_C> MainCamera(QWidget *panel, bool flipH = false, bool flipV = false)
{
    return std::make_unique<TVGrabber_Espec_C>(panel, 640, 480, 20, 0, 0, 100, flipH, flipV);
}

} // namespace

class TestVGrabber : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void nothingGrabbedWithoutRequest();
    void singleShotGrabsOnlyTheFirstFrame();
    void continuousReplacesBitmapOnEveryFrame();
    void frameReadyStaysSetUntilCleared();
    void startCaptureClearsFrameReady();
    void frameBitmapIsEightBitGrey();
    void grayRuleForEveryFrameFormat_data();
    void grayRuleForEveryFrameFormat();
    void overlayTextShowsRunningFrameNumber();
    void flipsMirrorTheFrame_data();
    void flipsMirrorTheFrame();
    void previewShowsTheFrame();
    void rangesComeFromTheDevice();
    void brightnessChangesThePixels();
    void useDefaultAppliesTheDefault();
    void gainSwitchesToAutomatic();
    void ignoredSettings_data();
    void ignoredSettings();
    void refusedValueShowsError();
    void pauseResumeStop();
    void setVideoVisible();
    void alignmentTargetGeometry();
    void alignmentTargetBoxes_data();
    void alignmentTargetBoxes();
    void alignmentTargetNotStackedOnRestart();
    void destroyWhileFramesArrive();
    void panelDestroyedBeforeWrapper();

private:
    std::unique_ptr<CameraFixture> m_cameras;
    std::unique_ptr<QWidget> m_panel;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
};

void TestVGrabber::init()
{
    m_cameras = std::make_unique<CameraFixture>();
    m_panel = std::make_unique<QWidget>();
    m_panel->resize(640, 500);
    m_panel->show();
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
}

void TestVGrabber::cleanup()
{
    m_dialogs.reset();
    m_panel.reset();
    m_cameras.reset();
}

void TestVGrabber::nothingGrabbedWithoutRequest()
{
    auto grabber = MainCamera(m_panel.get());
    m_cameras->last->deliverFrame();
    QVERIFY(!grabber->FrameReady());
    QVERIFY(grabber->FrameBitmap().isNull());
}

void TestVGrabber::singleShotGrabsOnlyTheFirstFrame()
{
    auto grabber = MainCamera(m_panel.get());
    QSignalSpy frames(m_cameras->last.data(), &FrameSource::frameArrived);
    grabber->StartCapture(false);
    QVERIFY(grabber->SingleShotPending());
    m_cameras->last->deliverFrame();
    QVERIFY(grabber->FrameReady());
    QVERIFY(!grabber->SingleShotPending());
    grabber->SetFrameReady(false); // consumed
    m_cameras->last->deliverFrame();
    QVERIFY(!grabber->FrameReady());
    QCOMPARE(frames.count(), 2);
    const QImage first = frames.at(0).at(0).value<QImage>();
    const QImage second = frames.at(1).at(0).value<QImage>();
    QVERIFY(first != second);
    QCOMPARE(grabber->FrameBitmap(), first);
}

void TestVGrabber::continuousReplacesBitmapOnEveryFrame()
{
    auto grabber = MainCamera(m_panel.get());
    QSignalSpy frames(m_cameras->last.data(), &FrameSource::frameArrived);
    grabber->StartCapture(true);
    QVERIFY(grabber->IsContinuous());
    for (int i = 0; i < 3; ++i) {
        grabber->SetFrameReady(false);
        m_cameras->last->deliverFrame();
        QVERIFY(grabber->FrameReady());
        QCOMPARE(grabber->FrameBitmap(), frames.last().at(0).value<QImage>());
    }
}

void TestVGrabber::frameReadyStaysSetUntilCleared()
{
    auto grabber = MainCamera(m_panel.get());
    grabber->StartCapture(false);
    for (int i = 0; i < 3; ++i) {
        m_cameras->last->deliverFrame();
        QVERIFY(grabber->FrameReady());
    }
    grabber->SetFrameReady(false);
    QVERIFY(!grabber->FrameReady());
}

void TestVGrabber::startCaptureClearsFrameReady()
{
    auto grabber = MainCamera(m_panel.get());
    grabber->StartCapture(true);
    m_cameras->last->deliverFrame();
    QVERIFY(grabber->FrameReady());
    grabber->StartCapture(false);
    QVERIFY(!grabber->FrameReady());
    QVERIFY(!grabber->IsContinuous());
}

void TestVGrabber::frameBitmapIsEightBitGrey()
{
    // The auxiliary camera's colour frames go through the same grabber path.
    QWidget panel;
    panel.resize(320, 260);
    TVGrabber_Espec_C grabber(&panel, 320, 240, 20, 0, 1, 100, false, false);
    grabber.Component()->Role = CameraRole::Auxiliary;
    grabber.SelectDevice(1);
    QSignalSpy frames(m_cameras->last.data(), &FrameSource::frameArrived);
    grabber.StartCapture(false);
    m_cameras->last->deliverFrame();
    const QImage colour = frames.at(0).at(0).value<QImage>();
    const QImage &gray = grabber.FrameBitmap();
    QCOMPARE(gray.format(), QImage::Format_Grayscale8);
    QCOMPARE(gray.size(), QSize(320, 240));
    for (const QPoint p : {QPoint(0, 0), QPoint(160, 120), QPoint(250, 100), QPoint(319, 239)}) {
        const QRgb c = colour.pixel(p);
        const int expected = int(std::lround((qRed(c) + qGreen(c) + qBlue(c)) / 3.0));
        QCOMPARE(qGray(gray.pixel(p)), expected);
    }
}

void TestVGrabber::grayRuleForEveryFrameFormat_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("RGB32") << int(QImage::Format_RGB32);
    QTest::newRow("ARGB32") << int(QImage::Format_ARGB32);
    QTest::newRow("ARGB32 premultiplied") << int(QImage::Format_ARGB32_Premultiplied);
    QTest::newRow("RGB888") << int(QImage::Format_RGB888);
    QTest::newRow("RGBA8888") << int(QImage::Format_RGBA8888);
}

void TestVGrabber::grayRuleForEveryFrameFormat()
{
    QFETCH(int, format);
    // Sums 3k, 3k + 1 and 3k + 2 (round down, down, up), extremes, and a translucent pixel.
    const QList<QRgb> colours = {qRgb(30, 30, 30), qRgb(31, 30, 30), qRgb(31, 31, 30), qRgb(0, 0, 0),
                                 qRgb(255, 255, 255), qRgb(255, 0, 1), qRgba(200, 100, 50, 128)};
    QImage plain(int(colours.size()), 1, QImage::Format_ARGB32);
    for (int x = 0; x < colours.size(); ++x)
        plain.setPixel(x, 0, colours[x]);
    const QImage source = plain.convertToFormat(QImage::Format(format));
    const QImage gray = cornix::video::TVideoGrabber::ToGray8(source);
    QCOMPARE(gray.format(), QImage::Format_Grayscale8);
    QCOMPARE(gray, cornix::video::TVideoGrabber::ToGray8(source.convertToFormat(QImage::Format_RGB32)));
    const QList<int> expected = {30, 30, 31, 0, 255, 85};
    for (int x = 0; x < expected.size(); ++x)
        QCOMPARE(qGray(gray.pixel(x, 0)), expected[x]);
}

void TestVGrabber::overlayTextShowsRunningFrameNumber()
{
    auto grabber = MainCamera(m_panel.get());
    for (int i = 0; i < 3; ++i)
        m_cameras->last->deliverFrame();
    QCOMPARE(grabber->Component()->FrameInfo(), quint64(3));
    QCOMPARE(grabber->Component()->TextOverlayString(), QStringLiteral("3"));
}

void TestVGrabber::flipsMirrorTheFrame_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("vertical");
    QTest::newRow("none") << false << false;
    QTest::newRow("horizontal") << true << false;
    QTest::newRow("vertical") << false << true;
    QTest::newRow("both") << true << true;
}

void TestVGrabber::flipsMirrorTheFrame()
{
    QFETCH(bool, horizontal);
    QFETCH(bool, vertical);
    auto grabber = MainCamera(m_panel.get(), horizontal, vertical);
    QSignalSpy frames(m_cameras->last.data(), &FrameSource::frameArrived);
    grabber->StartCapture(false);
    m_cameras->last->deliverFrame();
    const QImage source = frames.at(0).at(0).value<QImage>();
    const QImage &grabbed = grabber->FrameBitmap();
    for (const QPoint p : {QPoint(0, 0), QPoint(5, 470), QPoint(600, 17), QPoint(321, 240)}) {
        const QPoint from(horizontal ? 639 - p.x() : p.x(), vertical ? 479 - p.y() : p.y());
        QCOMPARE(grabbed.pixel(p), source.pixel(from));
    }
    QCOMPARE(grabbed, source.mirrored(horizontal, vertical));
}

void TestVGrabber::previewShowsTheFrame()
{
    auto grabber = MainCamera(m_panel.get());
    QSignalSpy frames(m_cameras->last.data(), &FrameSource::frameArrived);
    m_cameras->last->deliverFrame();
    const QImage shown = grabber->Component()->grab().toImage();
    const QImage source = frames.at(0).at(0).value<QImage>();
    // Below the overlay text the live image is the frame at 100 %, from the panel's origin.
    for (const QPoint p : {QPoint(0, 40), QPoint(300, 300), QPoint(639, 479)})
        QCOMPARE(qGray(shown.pixel(p)), qGray(source.pixel(p)));
}

void TestVGrabber::rangesComeFromTheDevice()
{
    auto grabber = MainCamera(m_panel.get());
    QCOMPARE(grabber->BrightnessMin(), SimulatedCamera::kBrightnessRange.min);
    QCOMPARE(grabber->BrightnessMax(), SimulatedCamera::kBrightnessRange.max);
    QCOMPARE(grabber->BrightnessStep(), SimulatedCamera::kBrightnessRange.step);
    QCOMPARE(grabber->ContrastMax(), SimulatedCamera::kContrastRange.max);
    QCOMPARE(grabber->GainMin(), SimulatedCamera::kGainRange.min);
    QCOMPARE(grabber->GainMax(), SimulatedCamera::kGainRange.max);
    QCOMPARE(grabber->GainStep(), SimulatedCamera::kGainRange.step);
    QVERIFY(grabber->IsSettingAvailable(9));
    QVERIFY(!grabber->IsSettingAvailable(2));
}

void TestVGrabber::brightnessChangesThePixels()
{
    auto grabber = MainCamera(m_panel.get());
    grabber->StartCapture(true);
    m_cameras->last->deliverFrame();
    const double before = Mean(grabber->FrameBitmap());
    QSlider brightness;
    brightness.setProperty("Tag", 0);
    grabber->SetVideoSetting(&brightness, 168, false, false);
    m_cameras->last->deliverFrame();
    const double after = Mean(grabber->FrameBitmap());
    QVERIFY2(std::abs(after - before - 40) < 1.5, qPrintable(QString::number(after - before)));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestVGrabber::useDefaultAppliesTheDefault()
{
    auto grabber = MainCamera(m_panel.get());
    grabber->SetVideoSetting(1, 30, false, false);
    QCOMPARE(m_cameras->last->settingValue(1), 30);
    grabber->SetVideoSetting(1, 200, false, true);
    QCOMPARE(m_cameras->last->settingValue(1), SimulatedCamera::kContrastRange.defaultValue);
    QCOMPARE(grabber->SettingDefault(1), SimulatedCamera::kContrastRange.defaultValue);
}

void TestVGrabber::gainSwitchesToAutomatic()
{
    auto grabber = MainCamera(m_panel.get());
    QSlider gain;
    gain.setProperty("Tag", 9);
    grabber->SetVideoSetting(&gain, 10, true, false);
    QVERIFY(m_cameras->last->settingAutomatic(kSettingGain));
    grabber->SetVideoSetting(&gain, 10, false, false);
    QVERIFY(!m_cameras->last->settingAutomatic(kSettingGain));
    QCOMPARE(m_cameras->last->settingValue(kSettingGain), 10);
}

void TestVGrabber::ignoredSettings_data()
{
    QTest::addColumn<int>("tag");
    QTest::newRow("2 not offered") << 2;
    QTest::newRow("8 not offered") << 8;
    QTest::newRow("10 ignored") << 10;
    QTest::newRow("negative") << -1;
}

void TestVGrabber::ignoredSettings()
{
    QFETCH(int, tag);
    auto grabber = MainCamera(m_panel.get());
    grabber->SetVideoSetting(tag, 5, false, false);
    grabber->SetVideoSetting(tag, 5, false, true);
    QVERIFY(m_dialogs->shown().isEmpty());
    for (int s : {0, 1, 9})
        QCOMPARE(m_cameras->last->settingValue(s), m_cameras->last->settingRange(s)->defaultValue);
}

void TestVGrabber::refusedValueShowsError()
{
    auto grabber = MainCamera(m_panel.get());
    grabber->SetVideoSetting(0, 999, false, false);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Error);
    QCOMPARE(m_dialogs->last().caption, QStringLiteral("ERRO"));
    QCOMPARE(m_dialogs->last().text, QStringLiteral("Parâmetros inválidos de controle de câmera!"));
    QCOMPARE(m_cameras->last->settingValue(0), SimulatedCamera::kBrightnessRange.defaultValue);
}

void TestVGrabber::pauseResumeStop()
{
    auto grabber = MainCamera(m_panel.get());
    m_cameras->last->deliverFrame();
    grabber->PauseVideo();
    m_cameras->last->deliverFrame();
    QCOMPARE(grabber->Component()->FrameInfo(), quint64(1));
    grabber->ResumeVideo();
    m_cameras->last->deliverFrame();
    QCOMPARE(grabber->Component()->FrameInfo(), quint64(2));
    grabber->StopVideo();
    QVERIFY(!m_cameras->last->isRunning());
    m_cameras->last->deliverFrame();
    QCOMPARE(grabber->Component()->FrameInfo(), quint64(2));
}

void TestVGrabber::setVideoVisible()
{
    auto grabber = MainCamera(m_panel.get());
    QVERIFY(grabber->Component()->isVisible());
    grabber->SetVideoVisible(false);
    QVERIFY(!grabber->Component()->isVisible());
    grabber->SetVideoVisible(true);
    QVERIFY(grabber->Component()->isVisible());
}

void TestVGrabber::alignmentTargetGeometry()
{
    QWidget panel;
    panel.resize(320, 260);
    panel.show();
    TVGrabber_Espec_L grabber(&panel, 320, 240, 20, 0, 1, 100, false, true);
    QVERIFY(m_cameras->last);
    QCOMPARE(m_cameras->last->role(), CameraRole::Auxiliary);
    QCOMPARE(grabber.Component()->ShapeOverlays().size(), 5);
    m_cameras->last->deliverFrame();
    const QImage shown = grabber.Component()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto green = [&](int x, int y) { return IsGreen(shown.pixel(x, y)); };
    // Ticks: 20 pixels each, at x = 160 from y = 70 and y = 150, at y = 120 from x = 110 and x = 190.
    for (int i = 0; i < 20; ++i) {
        QVERIFY2(green(160, 70 + i), qPrintable(QStringLiteral("top tick %1").arg(i)));
        QVERIFY2(green(160, 150 + i), qPrintable(QStringLiteral("bottom tick %1").arg(i)));
        QVERIFY2(green(110 + i, 120), qPrintable(QStringLiteral("left tick %1").arg(i)));
        QVERIFY2(green(190 + i, 120), qPrintable(QStringLiteral("right tick %1").arg(i)));
    }
    QVERIFY(!green(160, 69) && !green(160, 170) && !green(109, 120) && !green(210, 120));
    QVERIFY(!green(161, 80) && !green(120, 121)); // one pixel wide
    // Gaps of 10 pixels between the ticks and the circle, whose box is (140, 100) 40 x 40.
    for (int i = 0; i < 10; ++i) {
        QVERIFY(!green(160, 90 + i));
        QVERIFY(!green(160, 140 + i));
        QVERIFY(!green(130 + i, 120));
        QVERIFY(!green(180 + i, 120));
    }
    QVERIFY(green(160, 100) && green(160, 139) && green(140, 120) && green(179, 120));
    QVERIFY(green(159, 100) && green(140, 119));
    QVERIFY(!green(160, 120) && !green(150, 110)); // no fill
    // The circle's outline keeps its radius: a diagonal point lies on it.
    const int d = int(std::lround(19.5 / std::sqrt(2.0)));
    bool onDiagonal = false;
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            onDiagonal = onDiagonal || green(160 + d + dx, 120 + d + dy);
    QVERIFY(onDiagonal);
}

void TestVGrabber::alignmentTargetBoxes_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("centre");
    QTest::newRow("auxiliary 320 x 240") << QSize(320, 240) << QPoint(160, 120);
    QTest::newRow("main size 640 x 480") << QSize(640, 480) << QPoint(320, 240);
    // Odd sizes: the half lands on .5 and rounds to the even neighbour.
    QTest::newRow("321 x 241 rounds down") << QSize(321, 241) << QPoint(160, 120);
    QTest::newRow("323 x 243 rounds up") << QSize(323, 243) << QPoint(162, 122);
}

void TestVGrabber::alignmentTargetBoxes()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, centre);
    QWidget panel;
    panel.resize(size.width(), size.height() + 20);
    TVGrabber_Espec_L grabber(&panel, std::uint16_t(size.width()), std::uint16_t(size.height()), 20, 0, 1, 100,
                              false, false);
    const QList<TShapeOverlay> &shapes = grabber.Component()->ShapeOverlays();
    QCOMPARE(shapes.size(), 5);
    const int cx = centre.x(), cy = centre.y();
    QCOMPARE(shapes[0].kind, TShapeKind::Ellipse);
    QCOMPARE(shapes[0].box, QRect(cx - 20, cy - 20, 40, 40));
    QCOMPARE(shapes[1].box, QRect(cx, cy - 50, 1, 20));
    QCOMPARE(shapes[2].box, QRect(cx, cy + 30, 1, 20));
    QCOMPARE(shapes[3].box, QRect(cx - 50, cy, 20, 1));
    QCOMPARE(shapes[4].box, QRect(cx + 30, cy, 20, 1));
    for (const TShapeOverlay &shape : shapes)
        QCOMPARE(shape.pen, QColor(0, 255, 0)); // colour value 65280
}

void TestVGrabber::alignmentTargetNotStackedOnRestart()
{
    QWidget panel;
    panel.resize(320, 260);
    TVGrabber_Espec_L grabber(&panel, 320, 240, 20, 0, 1, 100, false, false);
    grabber.SelectDevice(1);
    QCOMPARE(grabber.Component()->ShapeOverlays().size(), 5);
}

void TestVGrabber::destroyWhileFramesArrive()
{
    CameraFixture streaming(true); // the real 30 frames/s timer
    auto grabber = MainCamera(m_panel.get());
    QPointer<SimulatedCamera> camera = streaming.last;
    grabber->StartCapture(true);
    QTRY_VERIFY_WITH_TIMEOUT(grabber->Component()->FrameInfo() >= 2, 30000);
    grabber->StopVideo();
    grabber.reset();
    QVERIFY(camera.isNull()); // the source went with its component
    QTest::qWait(100);
    // And without stopping first.
    auto second = MainCamera(m_panel.get());
    second->StartCapture(true);
    QTRY_VERIFY_WITH_TIMEOUT(second->FrameReady(), 30000);
    second.reset();
    QTest::qWait(100);
}

void TestVGrabber::panelDestroyedBeforeWrapper()
{
    auto panel = std::make_unique<QWidget>();
    auto grabber = MainCamera(panel.get());
    m_cameras->last->deliverFrame();
    panel.reset();
    QVERIFY(!grabber->Component());
    grabber->StartCapture(false);
    grabber->PauseVideo();
    grabber->SetVideoSetting(0, 10, false, false);
    QCOMPARE(grabber->BrightnessMax(), 0);
    grabber->StopVideo();
    grabber.reset();
}

QTEST_MAIN(TestVGrabber)
#include "tst_vgrabber.moc"
