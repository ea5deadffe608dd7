// The examination window's capture page on the simulated cameras and the instrument
// simulator: what the window shows at creation, fixation and its commands, single,
// automatic and sequential capture, the frame limit, the joystick, eye changes,
// restarting, the keyboard, the camera settings, the pages, "Outro olho", closing,
// and an instrument that fails at show.
#include "ExamWindowFixture.h"

#include "UBFrameBuffer.h"
#include "UBVideoGrabber_Espec_C.h"
#include "UBVideoGrabber_Espec_L.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

using namespace cornix;
using namespace std::chrono_literals;

namespace {

const QString kMaximum = QStringLiteral("Número máximo de capturas atingido!");
const QString kDiscard = QStringLiteral("Você possui imagens capturadas. Deseja descartá-las?");

// Mean and SD of the simulated main camera's picture (steady, seed 7).
std::pair<double, double> MainCameraStatistics()
{
    video::SimulatedCamera camera(video::CameraRole::Main, 7);
    camera.setAutomaticDelivery(false);
    camera.setVariation(false);
    camera.start();
    TBFrameBuffer buffer;
    buffer.AcceptFrame(camera.renderFrame(), 0, 0, 0, 0);
    return {buffer.ImageMean(), buffer.ImageSD()};
}

QStringList Visible(const QTabWidget *pages)
{
    QStringList names;
    for (int i = 0; i < pages->count(); ++i)
        if (pages->isTabVisible(i))
            names << pages->widget(i)->objectName();
    return names;
}

} // namespace

class TestFrmExamination : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void creation_data();
    void creation();
    void fixation_data();
    void fixation();
    void fixationPanelToggles();

    void singleCaptureStoresOneFrame();
    void automaticSingleCapture_data();
    void automaticSingleCapture();
    void sequentialCapture();
    void frameStoredBeforeTheTimerFires();
    void captureAtMaxFrames();
    void sequentialStartedAtMaxFrames();
    void sequentialStopsAtMaxFrames();

    void joystickShortPress();
    void joystickHeld();
    void joystickDuringSequential();

    void eyeButtons_data();
    void eyeButtons();
    void restart_data();
    void restart();
    void keyboard_data();
    void keyboard();
    void cameraSettings();

    void pageChanges();
    void otherEye_data();
    void otherEye();
    void viewingSavedExamination();

    void closeDuringSequential();
    void instrumentFailsAtShow_data();
    void instrumentFailsAtShow();

private:
    bool begin(const ExamSettings &settings = {});
    template <typename T = QWidget> T *child(const char *name) const { return m_fx->child<T>(name); }
    QTabWidget *pages() const { return child<QTabWidget>("pgExamination"); }
    QString autoCaption() const { return child<QToolButton>("spbAutoCapture")->text(); }
    QTimer *timer(const char *name) const { return m_fx->window->findChild<QTimer *>(QLatin1String(name)); }
    TfrmExamination *window() const { return m_fx->window; }

    std::unique_ptr<ExamWindowFixture> m_fx;
};

bool TestFrmExamination::begin(const ExamSettings &settings)
{
    m_fx = std::make_unique<ExamWindowFixture>();
    if (!m_fx->start(settings))
        return false;
    return m_fx->openReady() != nullptr;
}

void TestFrmExamination::cleanup() { m_fx.reset(); }

// Creation and show -----------------------------------------------------------------------

void TestFrmExamination::creation_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("interval");
    QTest::newRow("sequential") << QStringLiteral("SEQ") << QStringLiteral("Sequencial") << 1;
    QTest::newRow("automatic") << QStringLiteral("AUTO") << QStringLiteral("Automática") << 30;
}

void TestFrmExamination::creation()
{
    QFETCH(QString, type);
    QFETCH(QString, caption);
    QFETCH(int, interval);
    ExamSettings settings;
    settings.captureType = type;
    settings.maxFrames = 25;
    QVERIFY(begin(settings));

    QCOMPARE(window()->objectName(), QStringLiteral("frmExamination"));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Novo exame"));
    QCOMPARE(pages()->currentIndex(), 0);
    QCOMPARE(Visible(pages()), QStringList{QStringLiteral("tbsCapture")});
    const QStringList captions{pages()->tabText(0), pages()->tabText(1), pages()->tabText(2), pages()->tabText(3)};
    QCOMPARE(captions, (QStringList{QStringLiteral("Captura"), QStringLiteral("Imagens capturadas"),
                                    QStringLiteral("Edição"), QStringLiteral("Resultados")}));
    QCOMPARE(autoCaption(), caption);
    QCOMPARE(timer("tmrDelay")->interval(), interval);
    QVERIFY(!timer("tmrDelay")->isActive());
    QCOMPARE(timer("tmrBtnJoystick")->interval(), 1500);
    QVERIFY(!timer("tmrBtnJoystick")->isActive());
    QCOMPARE(child<QProgressBar>("pgbBufferSize")->maximum(), 25);
    QCOMPARE(child<QProgressBar>("pgbBufferSize")->value(), 0);
    QVERIFY(!child<QPushButton>("btnAvanc1")->isEnabled());
    QCOMPARE(child<QLabel>("lblFixationStatus")->text(), QStringLiteral("0h"));
    QCOMPARE(child<QLabel>("Lbl_Fix")->text(), QStringLiteral("Fixação : 0"));
    QCOMPARE(child<QLabel>("Lbl_Eye")->text(), QStringLiteral("Olho : OD"));
    QVERIFY(child<QToolButton>("spbOD")->isChecked());
    QVERIFY(child<QRadioButton>("rb0h")->isChecked());
    QCOMPARE(child<QLabel>("lblPortionL")->text(), QStringLiteral("T"));
    QCOMPARE(child<QLabel>("lblPortionD")->text(), QStringLiteral("N"));
    QCOMPARE(child<QLineEdit>("edtDoctorName")->text(), QStringLiteral("Dra. Ana Lúcia"));
    QCOMPARE(child<QLineEdit>("edtDoctorCRM")->text(), QStringLiteral("12345-SP"));
    QCOMPARE(child<QToolButton>("SpbSair")->text(), QStringLiteral("Voltar para\nseleção de pacientes"));
    QVERIFY(child<QWidget>("pnlMainCam")->size() == QSize(646, 433));

    // Both cameras run; the instrument was checked and its central target lit.
    QVERIFY(m_fx->mainCamera && m_fx->mainCamera->isRunning());
    QVERIFY(m_fx->auxCamera && m_fx->auxCamera->isRunning());
    QCOMPARE(m_fx->sim->commands(), (std::vector<std::string>{"V000", "I001", "C001"}));
    QVERIFY(m_fx->dialogs.shown().isEmpty());
    QCOMPARE(window()->Session().Exam().ID, -1);
    QCOMPARE(window()->Session().Exam().PatientID, 42);
}

void TestFrmExamination::fixation_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("leftEye");
    QTest::addColumn<QString>("status");
    QTest::addColumn<std::string>("command");

    QTest::newRow("12h OD") << "rb12h" << false << "12h" << std::string("L001");
    QTest::newRow("2h OD") << "rb2h" << false << "2h (N)" << std::string("L002");
    QTest::newRow("4h OD") << "rb4h" << false << "4h (N)" << std::string("L003");
    QTest::newRow("6h OD") << "rb6h" << false << "6h" << std::string("L004");
    QTest::newRow("8h OD") << "rb8h" << false << "8h (T)" << std::string("L005");
    QTest::newRow("10h OD") << "rb10h" << false << "10h (T)" << std::string("L006");
    QTest::newRow("0h OD") << "rb0h" << false << "0h" << std::string("C001");
    QTest::newRow("12h OS") << "rb12h" << true << "12h" << std::string("L001");
    QTest::newRow("2h OS") << "rb2h" << true << "2h (T)" << std::string("L002");
    QTest::newRow("4h OS") << "rb4h" << true << "4h (T)" << std::string("L003");
    QTest::newRow("6h OS") << "rb6h" << true << "6h" << std::string("L004");
    QTest::newRow("8h OS") << "rb8h" << true << "8h (N)" << std::string("L005");
    QTest::newRow("10h OS") << "rb10h" << true << "10h (N)" << std::string("L006");
    QTest::newRow("0h OS") << "rb0h" << true << "0h" << std::string("C001");
}

void TestFrmExamination::fixation()
{
    QFETCH(QString, button);
    QFETCH(bool, leftEye);
    QFETCH(QString, status);
    QFETCH(std::string, command);
    QVERIFY(begin());
    if (leftEye)
        QTest::mouseClick(child<QToolButton>("spbOS"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("spbFixation"), Qt::LeftButton);
    QVERIFY(child<QWidget>("pnlFixation")->isVisible());

    const std::size_t sent = m_fx->sim->commandCount();
    auto *rb = child<QRadioButton>(qPrintable(button));
    QVERIFY(rb);
    QCOMPARE(rb->toolTip(), button.mid(2));
    QTest::mouseClick(rb, Qt::LeftButton);
    QVERIFY(m_fx->sim->waitForCommands(sent + 1, 5s));
    QCOMPARE(m_fx->commandsAfter(sent), std::vector<std::string>{command});
    QCOMPARE(child<QLabel>("lblFixationStatus")->text(), status);
    QCOMPARE(child<QLabel>("Lbl_Fix")->text(), QStringLiteral("Fixação : ") + status);
    QVERIFY(rb->isChecked());
    QVERIFY(m_fx->dialogs.shown().isEmpty());

    // The next frame carries that fixation.
    QVERIFY(m_fx->captureFrames(1));
    const TFixation stored = window()->Session().Frames().Fixation(0);
    QCOMPARE(QString::number(stored.FixPos) + QLatin1Char('h')
                 + (stored.FixSide.isEmpty() ? QString() : QStringLiteral(" (") + stored.FixSide + QLatin1Char(')')),
             status);
    QCOMPARE(int(window()->Session().Frames().Eye(0)), leftEye ? 1 : 0);
}

void TestFrmExamination::fixationPanelToggles()
{
    QVERIFY(begin());
    auto *panel = child<QWidget>("pnlFixation");
    QVERIFY(!panel->isVisible());
    QTest::mouseClick(child<QToolButton>("spbFixation"), Qt::LeftButton);
    QVERIFY(panel->isVisible());
    QTest::mouseClick(child<QToolButton>("spbFixation"), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    QTest::mouseClick(child<QToolButton>("spbFixation"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("spbOKFixation"), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    // The eye's sides follow the eye.
    QTest::mouseClick(child<QToolButton>("spbOS"), Qt::LeftButton);
    QCOMPARE(child<QLabel>("lblPortionL")->text(), QStringLiteral("N"));
    QCOMPARE(child<QLabel>("lblPortionD")->text(), QStringLiteral("T"));
}

// Capture -------------------------------------------------------------------------------

void TestFrmExamination::singleCaptureStoresOneFrame()
{
    QVERIFY(begin());
    QTest::mouseClick(child<QToolButton>("spbCapture"), Qt::LeftButton);
    QVERIFY(pages()->isTabVisible(1));
    QVERIFY(child<QPushButton>("btnAvanc1")->isEnabled());
    QVERIFY(timer("tmrDelay")->isActive());
    m_fx->deliverMainFrame();
    QTRY_COMPARE(window()->Session().Count(), 1);
    // Only the requested frame: later ones are shown live, not stored.
    m_fx->deliverMainFrame();
    m_fx->deliverMainFrame();
    QTest::qWait(100);
    QCOMPARE(window()->Session().Count(), 1);
    QCOMPARE(child<QProgressBar>("pgbBufferSize")->value(), 1);
    QVERIFY(!child<QLabel>("imgLastCapturedImage")->pixmap().isNull());
    QVERIFY(!window()->MainGrabber()->FrameReady());
    QVERIFY(timer("tmrDelay")->isActive()); // the loop ticks on, idly
    QCOMPARE(window()->Session().Frames().FrameBitmap(0).size(), QSize(640, 480));
}

void TestFrmExamination::automaticSingleCapture_data()
{
    QTest::addColumn<bool>("withinBands");
    QTest::newRow("frame outside the bands: nothing stored, tested again") << false;
    QTest::newRow("frame within the bands: stored") << true;
}

void TestFrmExamination::automaticSingleCapture()
{
    QFETCH(bool, withinBands);
    const auto [mean, sd] = MainCameraStatistics();
    ExamSettings settings;
    settings.captureType = QStringLiteral("AUTO");
    settings.average = withinBands ? mean : mean * 2;
    settings.sd = sd;
    settings.tolerance = 0.2;
    QVERIFY(begin(settings));

    QTest::mouseClick(child<QToolButton>("spbCapture"), Qt::LeftButton);
    m_fx->deliverMainFrame();
    if (withinBands) {
        QTRY_COMPARE(window()->Session().Count(), 1);
        QVERIFY(!window()->MainGrabber()->FrameReady());
        return;
    }
    // The loop keeps testing the same frame every 30 ms.
    QTRY_VERIFY(window()->Session().Frames().ImageMean() > 0);
    QTest::qWait(200);
    QCOMPARE(window()->Session().Count(), 0);
    QVERIFY(window()->MainGrabber()->FrameReady());
    QVERIFY(timer("tmrDelay")->isActive());
    QCOMPARE(child<QProgressBar>("pgbBufferSize")->value(), 0);
    QVERIFY(m_fx->dialogs.shown().isEmpty());
}

void TestFrmExamination::sequentialCapture()
{
    QVERIFY(begin());
    QTest::mouseClick(child<QToolButton>("spbAutoCapture"), Qt::LeftButton);
    QCOMPARE(autoCaption(), QStringLiteral("Parar"));
    QVERIFY(window()->MainGrabber()->IsContinuous());
    QVERIFY(pages()->isTabVisible(1));
    QVERIFY(child<QPushButton>("btnAvanc1")->isEnabled());
    for (int i = 1; i <= 4; ++i) {
        m_fx->deliverMainFrame();
        QTRY_COMPARE(window()->Session().Count(), i);
    }
    QCOMPARE(child<QProgressBar>("pgbBufferSize")->value(), 4);
    QTest::mouseClick(child<QToolButton>("spbAutoCapture"), Qt::LeftButton);
    QCOMPARE(autoCaption(), QStringLiteral("Sequencial"));
    QVERIFY(!window()->MainGrabber()->IsContinuous());
    m_fx->deliverMainFrame();
    QTest::qWait(50);
    QCOMPARE(window()->Session().Count(), 4);
}

// A busy thread may keep the polling timer from firing between two camera frames:
// each grabbed frame is stored from the frame event itself.
void TestFrmExamination::frameStoredBeforeTheTimerFires()
{
    QVERIFY(begin());
    QTest::mouseClick(child<QToolButton>("spbAutoCapture"), Qt::LeftButton);
    for (int i = 1; i <= 3; ++i) {
        m_fx->deliverMainFrame();
        QCoreApplication::sendPostedEvents(); // no timer runs here
        QCOMPARE(window()->Session().Count(), i);
    }
}

void TestFrmExamination::captureAtMaxFrames()
{
    ExamSettings settings;
    settings.maxFrames = 2;
    QVERIFY(begin(settings));
    QVERIFY(m_fx->captureFrames(2));
    QTest::mouseClick(child<QToolButton>("spbCapture"), Qt::LeftButton);
    QCOMPARE(m_fx->dialogs.texts(), QStringList{kMaximum});
    QCOMPARE(m_fx->dialogs.last().caption, QStringLiteral("AVISO"));
    QVERIFY(!window()->MainGrabber()->SingleShotPending());
    QVERIFY(pages()->isTabVisible(1));
    QVERIFY(child<QPushButton>("btnAvanc1")->isEnabled());
    m_fx->deliverMainFrame();
    QTest::qWait(50);
    QCOMPARE(window()->Session().Count(), 2);
}

// The button checks no count: the camera starts and the next tick stops it.
void TestFrmExamination::sequentialStartedAtMaxFrames()
{
    ExamSettings settings;
    settings.maxFrames = 2;
    QVERIFY(begin(settings));
    QVERIFY(m_fx->captureFrames(2));
    QTest::mouseClick(child<QToolButton>("spbAutoCapture"), Qt::LeftButton);
    QTRY_COMPARE(m_fx->dialogs.texts(), QStringList{kMaximum});
    QCOMPARE(autoCaption(), QStringLiteral("Sequencial"));
    QVERIFY(!window()->MainGrabber()->IsContinuous());
    QVERIFY(!timer("tmrDelay")->isActive());
    QCOMPARE(window()->Session().Count(), 2);
}

void TestFrmExamination::sequentialStopsAtMaxFrames()
{
    ExamSettings settings;
    settings.maxFrames = 3;
    QVERIFY(begin(settings));
    QTest::mouseClick(child<QToolButton>("spbAutoCapture"), Qt::LeftButton);
    for (int i = 1; i <= 3; ++i) {
        m_fx->deliverMainFrame();
        QTRY_COMPARE(window()->Session().Count(), i);
    }
    QTRY_COMPARE(m_fx->dialogs.texts(), QStringList{kMaximum});
    QCOMPARE(autoCaption(), QStringLiteral("Sequencial"));
    QVERIFY(!timer("tmrDelay")->isActive());
    m_fx->deliverMainFrame();
    QTest::qWait(50);
    QCOMPARE(window()->Session().Count(), 3);
    QCOMPARE(m_fx->dialogs.shown().size(), 1);
}

// Joystick ---------------------------------------------------------------------------------

void TestFrmExamination::joystickShortPress()
{
    QVERIFY(begin());
    m_fx->sim->pressButton();
    QTRY_VERIFY(timer("tmrBtnJoystick")->isActive());
    QVERIFY(window()->MainGrabber()->SingleShotPending());
    m_fx->sim->releaseButton();
    QTRY_VERIFY(!timer("tmrBtnJoystick")->isActive());
    m_fx->deliverMainFrame();
    QTRY_COMPARE(window()->Session().Count(), 1);
    // Released before 1.5 s: no sequential capture follows.
    QTest::qWait(1700);
    QCOMPARE(autoCaption(), QStringLiteral("Sequencial"));
    QVERIFY(!window()->MainGrabber()->IsContinuous());
    m_fx->deliverMainFrame();
    QTest::qWait(50);
    QCOMPARE(window()->Session().Count(), 1);
}

void TestFrmExamination::joystickHeld()
{
    QVERIFY(begin());
    m_fx->sim->pressButton();
    m_fx->deliverMainFrame(); // the press's own frame
    QTRY_COMPARE_WITH_TIMEOUT(autoCaption(), QStringLiteral("Parar"), 10000);
    QVERIFY(window()->MainGrabber()->IsContinuous());
    QVERIFY(!timer("tmrBtnJoystick")->isActive());
    const int before = window()->Session().Count();
    for (int i = 1; i <= 3; ++i) {
        m_fx->deliverMainFrame();
        QTRY_COMPARE(window()->Session().Count(), before + i);
    }
    m_fx->sim->releaseButton(); // sequential capture goes on until stopped
    QTest::qWait(100);
    QCOMPARE(autoCaption(), QStringLiteral("Parar"));
}

// "J" during sequential capture stops it and takes one more frame.
void TestFrmExamination::joystickDuringSequential()
{
    QVERIFY(begin());
    QTest::mouseClick(child<QToolButton>("spbAutoCapture"), Qt::LeftButton);
    for (int i = 1; i <= 2; ++i) {
        m_fx->deliverMainFrame();
        QTRY_COMPARE(window()->Session().Count(), i);
    }
    m_fx->sim->pressButton();
    QTRY_COMPARE(autoCaption(), QStringLiteral("Sequencial"));
    QVERIFY(!window()->MainGrabber()->IsContinuous());
    QVERIFY(window()->MainGrabber()->SingleShotPending());
    m_fx->sim->releaseButton();
    QTRY_VERIFY(!timer("tmrBtnJoystick")->isActive());
    m_fx->deliverMainFrame();
    QTRY_COMPARE(window()->Session().Count(), 3);
    m_fx->deliverMainFrame();
    QTest::qWait(50);
    QCOMPARE(window()->Session().Count(), 3);
}

// Eye, restart, keyboard -----------------------------------------------------------------------

void TestFrmExamination::eyeButtons_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("eyeCaption");
    QTest::addColumn<int>("framesAfter");

    const QString toOS = QStringLiteral("Você possui imagens capturadas para OD. Deseja descartá-las?");
    QTest::newRow("no frames") << 0 << true << QString() << QStringLiteral("Olho : OS") << 0;
    QTest::newRow("frames, Yes") << 2 << true << toOS << QStringLiteral("Olho : OS") << 0;
    QTest::newRow("frames, No") << 2 << false << toOS << QStringLiteral("Olho : OD") << 2;
}

void TestFrmExamination::eyeButtons()
{
    QFETCH(int, frames);
    QFETCH(bool, answerYes);
    QFETCH(QString, question);
    QFETCH(QString, eyeCaption);
    QFETCH(int, framesAfter);
    QVERIFY(begin());
    QVERIFY(m_fx->captureFrames(frames));
    QTest::mouseClick(child<QToolButton>("spbFixation"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("rb2h"), Qt::LeftButton);
    QCOMPARE(child<QLabel>("lblFixationStatus")->text(), QStringLiteral("2h (N)"));

    m_fx->dialogs.clear();
    m_fx->dialogs.script({answerYes ? DialogButton::Yes : DialogButton::No});
    QTest::mouseClick(child<QToolButton>("spbOS"), Qt::LeftButton);
    QCOMPARE(m_fx->dialogs.texts(), question.isEmpty() ? QStringList() : QStringList{question});
    if (!question.isEmpty())
        QCOMPARE(m_fx->dialogs.last().caption, QStringLiteral("Aviso"));
    const bool switched = eyeCaption.endsWith(QLatin1String("OS"));
    QCOMPARE(child<QLabel>("Lbl_Eye")->text(), eyeCaption);
    QCOMPARE(child<QToolButton>("spbOS")->isChecked(), switched);
    QCOMPARE(child<QToolButton>("spbOD")->isChecked(), !switched);
    QCOMPARE(child<QLabel>("lblPortionL")->text(), switched ? QStringLiteral("N") : QStringLiteral("T"));
    QCOMPARE(window()->Session().Count(), framesAfter);
    QCOMPARE(child<QProgressBar>("pgbBufferSize")->value(), framesAfter);
    QCOMPARE(child<QLabel>("imgLastCapturedImage")->pixmap().isNull(), framesAfter == 0);
    QVERIFY(!pages()->isTabVisible(1));
    QVERIFY(!pages()->isTabVisible(2));
    // The side of the fixation follows the eye.
    QCOMPARE(child<QLabel>("lblFixationStatus")->text(), switched ? QStringLiteral("2h (T)") : QStringLiteral("2h (N)"));

    // Clicking the eye already chosen asks nothing.
    m_fx->dialogs.clear();
    QTest::mouseClick(child<QToolButton>(switched ? "spbOS" : "spbOD"), Qt::LeftButton);
    QVERIFY(m_fx->dialogs.shown().isEmpty());
    QCOMPARE(window()->Session().Count(), framesAfter);
}

void TestFrmExamination::restart_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("framesAfter");

    QTest::newRow("no frames: nothing") << 0 << true << false << 0;
    QTest::newRow("frames, Yes: discarded") << 3 << true << true << 0;
    QTest::newRow("frames, No: kept") << 3 << false << true << 3;
}

void TestFrmExamination::restart()
{
    QFETCH(int, frames);
    QFETCH(bool, answerYes);
    QFETCH(bool, asked);
    QFETCH(int, framesAfter);
    QVERIFY(begin());
    QVERIFY(m_fx->captureFrames(frames));
    QTest::mouseClick(child<QToolButton>("spbAutoCapture"), Qt::LeftButton);
    QCOMPARE(autoCaption(), QStringLiteral("Parar"));

    m_fx->dialogs.script({answerYes ? DialogButton::Yes : DialogButton::No});
    QTest::mouseClick(child<QToolButton>("spbUndo"), Qt::LeftButton);
    QCOMPARE(m_fx->dialogs.texts(), asked ? QStringList{kDiscard} : QStringList());
    if (asked)
        QCOMPARE(m_fx->dialogs.last().caption, QStringLiteral("Aviso"));
    const bool reset = asked && answerYes;
    QCOMPARE(window()->Session().Count(), framesAfter);
    QCOMPARE(autoCaption(), reset ? QStringLiteral("Sequencial") : QStringLiteral("Parar"));
    QCOMPARE(child<QPushButton>("btnAvanc1")->isEnabled(), !reset);
    QCOMPARE(pages()->isTabVisible(1), !reset);
    QCOMPARE(child<QProgressBar>("pgbBufferSize")->value(), framesAfter);
    QCOMPARE(child<QProgressBar>("pgbBufferSize")->maximum(), 30);
}

void TestFrmExamination::keyboard_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("effect"); // "sequential", "single" or "none"

    QTest::newRow("Enter on page 0") << 0 << int(Qt::Key_Return) << QStringLiteral("sequential");
    QTest::newRow("keypad Enter on page 0") << 0 << int(Qt::Key_Enter) << QStringLiteral("sequential");
    QTest::newRow("Space on page 0") << 0 << int(Qt::Key_Space) << QStringLiteral("single");
    QTest::newRow("another key on page 0") << 0 << int(Qt::Key_A) << QStringLiteral("none");
    QTest::newRow("an arrow on page 0") << 0 << int(Qt::Key_Left) << QStringLiteral("none");
    QTest::newRow("Enter on page 1") << 1 << int(Qt::Key_Return) << QStringLiteral("none");
    QTest::newRow("Space on page 1") << 1 << int(Qt::Key_Space) << QStringLiteral("none");
}

void TestFrmExamination::keyboard()
{
    QFETCH(int, page);
    QFETCH(int, key);
    QFETCH(QString, effect);
    QVERIFY(begin());
    if (page == 1) {
        QVERIFY(m_fx->captureFrames(1));
        QTest::mouseClick(child<QPushButton>("btnAvanc1"), Qt::LeftButton);
        QCOMPARE(pages()->currentIndex(), 1);
    }
    const int before = window()->Session().Count();
    QTest::keyClick(window(), Qt::Key(key));
    QCOMPARE(autoCaption(), effect == QLatin1String("sequential") ? QStringLiteral("Parar") : QStringLiteral("Sequencial"));
    QCOMPARE(window()->MainGrabber()->IsContinuous(), effect == QLatin1String("sequential"));
    QCOMPARE(window()->MainGrabber()->SingleShotPending(), effect == QLatin1String("single"));
    if (effect == QLatin1String("none"))
        return;
    m_fx->deliverMainFrame();
    QTRY_COMPARE(window()->Session().Count(), before + 1);
    if (effect == QLatin1String("sequential")) {
        QTest::keyClick(window(), Qt::Key(key)); // Enter again stops it
        QCOMPARE(autoCaption(), QStringLiteral("Sequencial"));
    }
}

// Camera settings ---------------------------------------------------------------------------------

void TestFrmExamination::cameraSettings()
{
    ExamSettings settings;
    settings.brightness = 140;
    settings.contrast = 100;
    settings.gain = QStringLiteral("AUTO");
    QVERIFY(begin(settings));
    video::SimulatedCamera &camera = *m_fx->mainCamera;
    // The camera starts with the stored settings.
    QCOMPARE(camera.settingValue(video::kSettingBrightness), 140);
    QCOMPARE(camera.settingValue(video::kSettingContrast), 100);
    QVERIFY(camera.settingAutomatic(video::kSettingGain));

    auto *panel = child<QWidget>("pnlCameraSettings");
    auto *brightness = child<QSlider>("trbBrightness");
    auto *contrast = child<QSlider>("trbContrast");
    auto *gain = child<QSlider>("trbGain");
    auto *autoGain = child<QCheckBox>("chkAutoGain");
    QTest::mouseClick(child<QToolButton>("spbCameraSettings"), Qt::LeftButton);
    QVERIFY(panel->isVisible());
    QCOMPARE(brightness->property("Tag").toInt(), 0);
    QCOMPARE(contrast->property("Tag").toInt(), 1);
    QCOMPARE(gain->property("Tag").toInt(), 9);
    QCOMPARE(brightness->minimum(), 0);
    QCOMPARE(brightness->maximum(), 255);
    QCOMPARE(brightness->value(), 140);
    QVERIFY(brightness->isEnabled());
    QCOMPARE(contrast->value(), 100);
    QCOMPARE(gain->maximum(), 100);
    QVERIFY(!gain->isEnabled());
    QVERIFY(autoGain->isChecked());

    brightness->setValue(90); // applied at once
    QCOMPARE(camera.settingValue(video::kSettingBrightness), 90);
    QTest::mouseClick(autoGain, Qt::LeftButton);
    QVERIFY(!autoGain->isChecked());
    QVERIFY(gain->isEnabled());
    QVERIFY(!camera.settingAutomatic(video::kSettingGain));
    gain->setValue(30);
    QCOMPARE(camera.settingValue(video::kSettingGain), 30);
    // Nothing stored until "OK".
    QCOMPARE(m_fx->settings->GetBrightness(), 140);
    QCOMPARE(m_fx->settings->GetGain(), QStringLiteral("AUTO"));

    QTest::mouseClick(child<QToolButton>("spbOkCamSettings"), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    QCOMPARE(m_fx->settings->GetBrightness(), 90);
    QCOMPARE(m_fx->settings->GetContrast(), 100);
    QCOMPARE(m_fx->settings->GetGain(), QStringLiteral("30"));
    QVERIFY(m_fx->dialogs.shown().isEmpty());

    // Opened again, the panel shows what was stored; the button also closes it.
    QTest::mouseClick(child<QToolButton>("spbCameraSettings"), Qt::LeftButton);
    QCOMPARE(gain->value(), 30);
    QVERIFY(gain->isEnabled());
    QTest::mouseClick(child<QToolButton>("spbCameraSettings"), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
}

// Pages -------------------------------------------------------------------------------------

void TestFrmExamination::pageChanges()
{
    QVERIFY(begin());
    QVERIFY(m_fx->captureFrames(2));
    QTest::mouseClick(child<QPushButton>("btnAvanc1"), Qt::LeftButton);
    QCOMPARE(pages()->currentIndex(), 1);
    const auto &view = window()->Session().View();
    QCOMPARE(window()->Session().LastPage(), 1);
    QCOMPARE(int(view.PrevIndex), -1);
    QCOMPARE(int(view.CurIndex), 0);
    QCOMPARE(int(view.NextIndex), 1);

    // Back to page 0 by its tab.
    QTabBar *tabs = pages()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    QCOMPARE(pages()->currentIndex(), 0);
    QCOMPARE(window()->Session().LastPage(), 0);

    // Pages 2 and 3 hide again when page 1 is entered from them.
    pages()->setTabVisible(2, true);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    QCOMPARE(window()->Session().LastPage(), 2);
    QCOMPARE(window()->Session().View().PrintFrame, -1);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QCOMPARE(window()->Session().LastPage(), 1);
    QCOMPARE(Visible(pages()), (QStringList{QStringLiteral("tbsCapture"), QStringLiteral("tbsCapturedFrames")}));
    QCOMPARE(pages()->currentIndex(), 1);
}

void TestFrmExamination::otherEye_data()
{
    QTest::addColumn<int>("frames"); // frames still held: the save failed
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("switched");

    const QString question = QStringLiteral("Você possui um exame para OD. Deseja fazer um novo?");
    QTest::newRow("saved: straight to the other eye") << 0 << true << QString() << true;
    QTest::newRow("frames kept, Yes") << 2 << true << question << true;
    QTest::newRow("frames kept, No") << 2 << false << question << false;
}

void TestFrmExamination::otherEye()
{
    QFETCH(int, frames);
    QFETCH(bool, answerYes);
    QFETCH(QString, question);
    QFETCH(bool, switched);
    QVERIFY(begin());
    QVERIFY(m_fx->captureFrames(frames));
    QTest::mouseClick(child<QToolButton>("spbAutoCapture"), Qt::LeftButton);
    // As "Salvar" leaves it: only the results page, "Outro olho" and "Imprimir" on.
    pages()->setTabVisible(3, true);
    pages()->setCurrentIndex(3);
    for (int i = 0; i < 4; ++i)
        pages()->setTabVisible(i, false);
    QCOMPARE(pages()->currentIndex(), 3);
    child<QToolButton>("spb_Save_Exame")->setEnabled(false);
    child<QToolButton>("spbOutroOlho")->setEnabled(true);
    child<QToolButton>("spbPrintPreview")->setEnabled(true);
    window()->Session().Exam().ID = 12;

    m_fx->dialogs.script({answerYes ? DialogButton::Yes : DialogButton::No});
    QTest::mouseClick(child<QToolButton>("spbOutroOlho"), Qt::LeftButton);
    QCOMPARE(m_fx->dialogs.texts(), question.isEmpty() ? QStringList() : QStringList{question});
    QCOMPARE(child<QLabel>("Lbl_Eye")->text(), switched ? QStringLiteral("Olho : OS") : QStringLiteral("Olho : OD"));
    QCOMPARE(child<QToolButton>("spbOS")->isChecked(), switched);
    QCOMPARE(window()->Session().Count(), switched ? 0 : frames);
    if (!switched) {
        QCOMPARE(pages()->currentIndex(), 3);
        QCOMPARE(window()->Session().Exam().ID, 12);
        QVERIFY(child<QToolButton>("spbOutroOlho")->isEnabled());
        return;
    }
    QCOMPARE(pages()->currentIndex(), 0);
    QCOMPARE(Visible(pages()), QStringList{QStringLiteral("tbsCapture")});
    QCOMPARE(window()->Session().Exam().ID, -1);
    QCOMPARE(window()->Session().LastPage(), 0);
    QCOMPARE(autoCaption(), QStringLiteral("Sequencial"));
    QVERIFY(!window()->MainGrabber()->IsContinuous());
    QVERIFY(child<QToolButton>("spb_Save_Exame")->isEnabled());
    QVERIFY(!child<QToolButton>("spbOutroOlho")->isEnabled());
    QVERIFY(!child<QToolButton>("spbPrintPreview")->isEnabled());
    QVERIFY(!child<QPushButton>("btnAvanc1")->isEnabled());
    QCOMPARE(child<QProgressBar>("pgbBufferSize")->value(), 0);
}

void TestFrmExamination::viewingSavedExamination()
{
    m_fx = std::make_unique<ExamWindowFixture>();
    QVERIFY(m_fx->start());
    TExame exam;
    exam.ID = 5;
    exam.Age = 40;
    exam.DateText = QStringLiteral("10/05/2020");
    exam.TimeText = QStringLiteral("14:03:07");
    exam.DoctorName = QStringLiteral("Dr. Saved");
    exam.DoctorCRM = QStringLiteral("999-RJ");
    m_fx->open(5, exam);
    QSignalSpy refresh(window(), &TfrmExamination::patientListRefreshRequested);

    QCOMPARE(pages()->currentIndex(), 3);
    QCOMPARE(Visible(pages()), QStringList{QStringLiteral("tbsResults")});
    QCOMPARE(pages()->tabText(0), QStringLiteral("DATABASE"));
    QCOMPARE(child<QLabel>("lbl_Idade")->text(), QStringLiteral("Idade : 40 Anos"));
    QCOMPARE(child<QLineEdit>("edtDoctorName")->text(), QStringLiteral("Dr. Saved"));
    QCOMPARE(child<QLineEdit>("edtDoctorCRM")->text(), QStringLiteral("999-RJ"));
    QVERIFY(!child<QWidget>("spb_Save_Exame")->isVisible());
    QVERIFY(child<QWidget>("Pnl_Exm_Time")->isVisible());
    QCOMPARE(child<QLabel>("Lbl_ExmDate")->text(), QStringLiteral("10/05/2020 - 14:03:07"));
    QVERIFY(!window()->MainGrabber());
    QVERIFY(!window()->AuxGrabber());
    QVERIFY(!window()->Serial());
    QVERIFY(!m_fx->mainCamera);
    QTest::qWait(50);
    QCOMPARE(m_fx->sim->commandCount(), std::size_t(0));

    QTest::mouseClick(child<QToolButton>("SpbSair"), Qt::LeftButton);
    QTRY_VERIFY(!m_fx->window);
    QCOMPARE(refresh.count(), 0);
    QCOMPARE(m_fx->sim->commandCount(), std::size_t(0));
}

// Closing ---------------------------------------------------------------------------------------

void TestFrmExamination::closeDuringSequential()
{
    QVERIFY(begin());
    QSignalSpy refresh(window(), &TfrmExamination::patientListRefreshRequested);
    QSignalSpy quit(window(), &TfrmExamination::quitRequested);
    QTest::mouseClick(child<QToolButton>("spbAutoCapture"), Qt::LeftButton);
    for (int i = 1; i <= 3; ++i) {
        m_fx->deliverMainFrame();
        QTRY_COMPARE(window()->Session().Count(), i);
    }
    const std::size_t sent = m_fx->sim->commandCount();
    QTest::mouseClick(child<QToolButton>("SpbSair"), Qt::LeftButton);
    // At once: no question, cameras gone, the instrument told, the window gone.
    QVERIFY(m_fx->dialogs.shown().isEmpty());
    QVERIFY(!m_fx->mainCamera);
    QVERIFY(!m_fx->auxCamera);
    QCOMPARE(m_fx->commandsAfter(sent), std::vector<std::string>{"S000"});
    QCOMPARE(refresh.count(), 1);
    QTRY_VERIFY(!m_fx->window);
    QCOMPARE(quit.count(), 0);
    QVERIFY(m_fx->area->subWindowList().isEmpty());
}

void TestFrmExamination::instrumentFailsAtShow_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");

    QTest::newRow("simulator stopped") << QStringLiteral("stopped") << QStringLiteral("ERRO AO ABRIR A PORTA DE COMUNICACAO ");
    QTest::newRow("answering garbage") << QStringLiteral("garbled") << QStringLiteral("HARDWARE INVÁLIDO!");
    QTest::newRow("not answering") << QStringLiteral("silent") << QStringLiteral("HARDWARE INVÁLIDO!");
}

// The link's message, then the window closes as usual and the program is asked to end.
void TestFrmExamination::instrumentFailsAtShow()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    m_fx = std::make_unique<ExamWindowFixture>();
    QVERIFY(m_fx->start());
    if (fault == QLatin1String("stopped"))
        m_fx->sim->stop();
    else if (fault == QLatin1String("garbled"))
        m_fx->sim->injectGarbledReply();
    else
        m_fx->sim->injectNoReply();

    m_fx->area = std::make_unique<QMdiArea>();
    auto *window = new TfrmExamination(nullptr, TExame{}, 0, false, true, false, 42, QStringLiteral("1"),
                                       QStringLiteral("Dr."), 7, *m_fx->settings);
    m_fx->window = window;
    QSignalSpy quit(window, &TfrmExamination::quitRequested);
    QSignalSpy refresh(window, &TfrmExamination::patientListRefreshRequested);
    m_fx->area->addSubWindow(window)->setAttribute(Qt::WA_DeleteOnClose);
    m_fx->area->show();
    window->show();

    QTRY_VERIFY(!m_fx->window);
    QCOMPARE(quit.count(), 1);
    QCOMPARE(refresh.count(), 1);
    QCOMPARE(m_fx->dialogs.shown().size(), 1);
    QVERIFY2(m_fx->dialogs.last().text.startsWith(message), qPrintable(m_fx->dialogs.last().text));
    QCOMPARE(m_fx->dialogs.last().caption, QStringLiteral("ERRO"));
    QVERIFY(!m_fx->mainCamera);
    QVERIFY(!m_fx->auxCamera);
    QVERIFY(m_fx->area->subWindowList().isEmpty());
    QVERIFY(QFile::exists(m_fx->logPath()));
}

QTEST_MAIN(TestFrmExamination)
#include "tst_frmexamination.moc"
