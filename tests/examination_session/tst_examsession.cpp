// The examination session without its window: the fixation table and its texts,
// eye changes and their questions, the capture loop's decision on each tick, the
// frames it stores, and the state of the review pages.
#include "UBExamSession.h"

#include "RecordingDialogs.h"
#include "UBIniSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace cornix;
using namespace cornix::exam;

Q_DECLARE_METATYPE(TTickOutcome)

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A grey camera frame whose upper half is lo and lower half hi: mean (lo + hi) / 2,
// SD |hi - lo| / 2.
QImage halves(int lo, int hi)
{
    QImage frame(kWidth, kHeight, QImage::Format_Grayscale8);
    for (int y = 0; y < kHeight; ++y)
        std::memset(frame.scanLine(y), y < kHeight / 2 ? lo : hi, kWidth);
    return frame;
}

// Frames that pass the bands below and one that fails them.
QImage goodFrame() { return halves(100, 140); } // mean 120, SD 20
QImage darkFrame() { return halves(20, 40); }   // mean 30

TCaptureSettings captureSettings(bool autoCapture, int maxFrames)
{
    TCaptureSettings s;
    s.autoCapture = autoCapture;
    s.maxFrames = static_cast<std::uint16_t>(maxFrames);
    s.average = 120;
    s.sd = 20;
    s.variance = 400;
    s.tolerance = 0.1;
    s.scale = {0.00186, 1.5};
    return s;
}

TExamCreation newExamination()
{
    TExamCreation c;
    c.patientID = 42;
    c.doctorID = 7;
    c.doctorName = QStringLiteral("Dra. Ana Lúcia");
    c.doctorCRM = QStringLiteral("12345-SP");
    c.exam.ID = 99; // ignored for a new examination
    return c;
}

// A session holding `frames` stored frames.
std::unique_ptr<TBExamSession> sessionWith(int frames, bool autoCapture = false, int maxFrames = 30)
{
    auto session = std::make_unique<TBExamSession>(newExamination(), captureSettings(autoCapture, maxFrames));
    for (int i = 0; i < frames; ++i)
        session->CaptureTick(true, goodFrame(), false);
    return session;
}

// Address space in use now, in bytes.
rlim_t addressSpaceInUse()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return rlim_t(fields.value(0).toULongLong()) * rlim_t(sysconf(_SC_PAGESIZE));
}

} // namespace

class TestExamSession : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fixationTable_data();
    void fixationTable();
    void fixPosOfButton_data();
    void fixPosOfButton();
    void eyeTexts_data();
    void eyeTexts();
    void newExaminationTakesDoctorAndPatient();
    void savedExaminationIsCopied();
    void captureSettingsFromTheFile_data();
    void captureSettingsFromTheFile();

    void eyeChangeDerivesTheSideAgain();
    void switchEye_data();
    void switchEye();
    void switchToOtherEye_data();
    void switchToOtherEye();
    void confirmations_data();
    void confirmations();

    void captureTick_data();
    void captureTick();
    void rejectedFrameIsTestedAgainOnEveryTick();
    void storedFrameCarriesFixationAndEye();
    void storedFrameHoldsOnlyItsBitmap();
    void tickClearsSelectionAndPachymetry();
    void frameWithoutMemoryStopsTheLoop();

    void resetCaptureEmptiesTheSession();
    void startReview_data();
    void startReview();
    void enterPage_data();
    void enterPage();
    void imageCaption();
};

// Frames live in blocks of their own (as large blocks do until the allocator learns
// otherwise), so that a frame freed by one test cannot feed the shortage of another.
void TestExamSession::initTestCase() { mallopt(M_MMAP_THRESHOLD, 128 * 1024); }

// Fixation ------------------------------------------------------------------------

void TestExamSession::fixationTable_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("eye");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("side");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("status");

    struct Row {
        const char *button;
        int pos;
        const char *od;
        const char *os;
        int code;
    };
    const Row rows[] = {{"rb12h", 12, "", "", 1}, {"rb2h", 2, "N", "T", 2}, {"rb4h", 4, "N", "T", 3},
                        {"rb6h", 6, "", "", 4},   {"rb8h", 8, "T", "N", 5}, {"rb10h", 10, "T", "N", 6},
                        {"rb0h", 0, "", "", 7}};
    for (const Row &r : rows) {
        for (const int eye : {0, 1}) {
            const QString side = QString::fromLatin1(eye == 0 ? r.od : r.os);
            const QString hour = QString::number(r.pos) + QLatin1Char('h');
            const QString status = side.isEmpty() ? hour : hour + QStringLiteral(" (") + side + QLatin1Char(')');
            QTest::addRow("%s %s", r.button, eye == 0 ? "OD" : "OS")
                << QString::fromLatin1(r.button) << eye << r.pos << side << r.code << status;
        }
    }
}

void TestExamSession::fixationTable()
{
    QFETCH(QString, button);
    QFETCH(int, eye);
    QFETCH(int, pos);
    QFETCH(QString, side);
    QFETCH(int, code);
    QFETCH(QString, status);

    TBExamSession session(newExamination(), captureSettings(false, 30));
    session.SetEye(std::uint8_t(eye));
    QCOMPARE(session.SetFixation(button), std::optional<int>(code));
    QCOMPARE(int(session.FixPos()), pos);
    QCOMPARE(session.FixSide(), side);
    QCOMPARE(session.FixationText(), status);
    QCOMPARE(FixationCaption(session.FixPos(), session.FixSide()), QStringLiteral("Fixação : ") + status);
    QCOMPARE(FixSideFor(std::uint16_t(pos), std::uint8_t(eye)), side);
}

void TestExamSession::fixPosOfButton_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pos"); // -1: not a fixation button

    QTest::newRow("centre") << QStringLiteral("rb0h") << 0;
    QTest::newRow("two digits") << QStringLiteral("rb12h") << 12;
    QTest::newRow("ten") << QStringLiteral("rb10h") << 10;
    QTest::newRow("hour no button has") << QStringLiteral("rb3h") << -1;
    QTest::newRow("no final h") << QStringLiteral("rb2") << -1;
    QTest::newRow("upper case") << QStringLiteral("RB2H") << -1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("another control") << QStringLiteral("spbCapture") << -1;
}

void TestExamSession::fixPosOfButton()
{
    QFETCH(QString, name);
    QFETCH(int, pos);
    const std::optional<std::uint16_t> found = FixPosOfButton(name);
    QCOMPARE(found.has_value(), pos >= 0);
    if (found)
        QCOMPARE(int(*found), pos);

    // A name that is no fixation button changes nothing and sends nothing.
    TBExamSession session(newExamination(), captureSettings(false, 30));
    session.SetFixation(QStringLiteral("rb4h"));
    const std::optional<int> code = session.SetFixation(name);
    QCOMPARE(code.has_value(), pos >= 0);
    if (pos < 0)
        QCOMPARE(int(session.FixPos()), 4);
}

void TestExamSession::eyeTexts_data()
{
    QTest::addColumn<int>("eye");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QColor>("leftColor");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QColor>("rightColor");
    QTest::addColumn<QString>("discardQuestion");
    QTest::addColumn<QString>("newExamQuestion");

    QTest::newRow("OD") << 0 << QStringLiteral("Olho : OD") << QStringLiteral("T") << QColor(Qt::blue)
                        << QStringLiteral("N") << QColor(Qt::red)
                        << QStringLiteral("Você possui imagens capturadas para OS. Deseja descartá-las?")
                        << QStringLiteral("Você possui um exame para OS. Deseja fazer um novo?");
    QTest::newRow("OS") << 1 << QStringLiteral("Olho : OS") << QStringLiteral("N") << QColor(Qt::red)
                        << QStringLiteral("T") << QColor(Qt::blue)
                        << QStringLiteral("Você possui imagens capturadas para OD. Deseja descartá-las?")
                        << QStringLiteral("Você possui um exame para OD. Deseja fazer um novo?");
}

void TestExamSession::eyeTexts()
{
    QFETCH(int, eye);
    QFETCH(QString, caption);
    QFETCH(QString, left);
    QFETCH(QColor, leftColor);
    QFETCH(QString, right);
    QFETCH(QColor, rightColor);
    QFETCH(QString, discardQuestion);
    QFETCH(QString, newExamQuestion);

    QCOMPARE(EyeCaption(std::uint8_t(eye)), caption);
    const TEyeSides sides = EyeSides(std::uint8_t(eye));
    QCOMPARE(sides.left, left);
    QCOMPARE(sides.leftColor, leftColor);
    QCOMPARE(sides.right, right);
    QCOMPARE(sides.rightColor, rightColor);
    // The questions are asked when switching *to* this eye.
    QCOMPARE(DiscardOtherEyeQuestion(std::uint8_t(eye)), discardQuestion);
    QCOMPARE(NewExamOtherEyeQuestion(std::uint8_t(eye)), newExamQuestion);
}

void TestExamSession::newExaminationTakesDoctorAndPatient()
{
    const TBExamSession session(newExamination(), captureSettings(false, 30));
    QVERIFY(!session.Viewing());
    QCOMPARE(session.Exam().ID, -1);
    QCOMPARE(session.Exam().PatientID, 42);
    QCOMPARE(session.Exam().DoctorID, 7);
    QCOMPARE(session.Exam().DoctorName, QStringLiteral("Dra. Ana Lúcia"));
    QCOMPARE(session.Exam().DoctorCRM, QStringLiteral("12345-SP"));
    QCOMPARE(int(session.Eye()), 0);
    QCOMPARE(int(session.FixPos()), 0);
    QVERIFY(session.FixSide().isEmpty());
    QCOMPARE(session.Count(), 0);
    QCOMPARE(session.View().CurIndex, std::int16_t(-1));
    QCOMPARE(session.View().PrintFrame, -1);
    QCOMPARE(session.LastPage(), 0);
}

void TestExamSession::savedExaminationIsCopied()
{
    TExamCreation c = newExamination();
    c.viewedExamID = 15;
    c.exam.ID = 15;
    c.exam.Density = 2650;
    c.exam.DoctorName = QStringLiteral("Dr. Stored");
    const TBExamSession session(c, captureSettings(false, 30));
    QVERIFY(session.Viewing());
    QCOMPARE(session.ViewedExamID(), 15);
    QCOMPARE(session.Exam().ID, 15);
    QCOMPARE(session.Exam().Density, 2650);
    QCOMPARE(session.Exam().DoctorName, QStringLiteral("Dr. Stored"));
}

void TestExamSession::captureSettingsFromTheFile_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("autoCapture");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("caption");

    QTest::newRow("AUTO") << QStringLiteral("AUTO") << true << 30 << QStringLiteral("Automática");
    QTest::newRow("SEQ") << QStringLiteral("SEQ") << false << 1 << QStringLiteral("Sequencial");
    QTest::newRow("lower-case auto is not AUTO") << QStringLiteral("auto") << false << 1 << QStringLiteral("Sequencial");
    QTest::newRow("empty") << QString() << false << 1 << QStringLiteral("Sequencial");
}

void TestExamSession::captureSettingsFromTheFile()
{
    QFETCH(QString, type);
    QFETCH(bool, autoCapture);
    QFETCH(int, interval);
    QFETCH(QString, caption);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cornix.ini"));
    QFile ini(file);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[SYSTEM]\ndecimalSeparator=.\n[CAPTURE]\nTYPE=" + type.toUtf8()
              + "\nmaxFrames=25\n[AUTOCAPTURE]\naverage=110.5\nsd=30\ntolerance=0.2\n"
                "[IMAGEPROCESSING]\nFIRlen=9\nminBlack=10\nalpha0=20\nbeta0=235\nlargMin=60\nperc=0.3\n"
                "[METRICS]\npixelToMM=0.001860\npixelToPaq=1.500000\n");
    ini.close();
    const TBIniSettings settings(file);
    const TCaptureSettings s = TCaptureSettings::From(settings);
    QCOMPARE(s.autoCapture, autoCapture);
    QCOMPARE(s.TickInterval(), interval);
    QCOMPARE(s.IdleCaption(), caption);
    QCOMPARE(int(s.maxFrames), 25);
    QCOMPARE(s.average, 110.5);
    QCOMPARE(s.sd, 30.0);
    QCOMPARE(s.variance, 900.0);
    QCOMPARE(s.tolerance, 0.2);
    QCOMPARE(s.scale.PixelToMM, 0.00186);
}

// Eye ---------------------------------------------------------------------------------

void TestExamSession::eyeChangeDerivesTheSideAgain()
{
    TBExamSession session(newExamination(), captureSettings(false, 30));
    session.SetFixation(QStringLiteral("rb2h"));
    QCOMPARE(session.FixSide(), QStringLiteral("N"));
    session.SetEye(kEyeOS);
    QCOMPARE(int(session.FixPos()), 2);
    QCOMPARE(session.FixSide(), QStringLiteral("T"));
    // The frame captured now lies temporal on the left eye.
    session.CaptureTick(true, goodFrame(), false);
    QCOMPARE(session.Frames().Fixation(0).FixSide, QStringLiteral("T"));
    QCOMPARE(int(session.Frames().Eye(0)), 1);
}

void TestExamSession::switchEye_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("answer"); // DialogButton
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("switched");
    QTest::addColumn<int>("framesAfter");

    const auto yes = int(DialogButton::Yes);
    const auto no = int(DialogButton::No);
    const QString toOS = QStringLiteral("Você possui imagens capturadas para OD. Deseja descartá-las?");
    QTest::newRow("no frames: switched without asking") << 0 << 1 << yes << QString() << true << 0;
    QTest::newRow("frames, Yes: discarded") << 2 << 1 << yes << toOS << true << 0;
    QTest::newRow("frames, No: kept") << 2 << 1 << no << toOS << false << 2;
    QTest::newRow("the eye already chosen: nothing asked") << 2 << 0 << yes << QString() << false << 2;
}

void TestExamSession::switchEye()
{
    QFETCH(int, frames);
    QFETCH(int, target);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(bool, switched);
    QFETCH(int, framesAfter);

    RecordingDialogs dialogs;
    dialogs.script({DialogButton(answer)});
    auto session = sessionWith(frames);
    session->Exam().ID = 31; // as after a save
    QCOMPARE(session->SwitchEye(std::uint8_t(target)), switched);
    QCOMPARE(dialogs.texts(), question.isEmpty() ? QStringList() : QStringList{question});
    if (!question.isEmpty()) {
        QCOMPARE(dialogs.last().caption, QStringLiteral("Aviso"));
        QCOMPARE(dialogs.last().buttons, DialogButtons(DialogButton::Yes | DialogButton::No));
    }
    QCOMPARE(session->Count(), framesAfter);
    QCOMPARE(int(session->Eye()), switched ? target : 0);
    QCOMPARE(session->Exam().ID, switched ? -1 : 31);
}

void TestExamSession::switchToOtherEye_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("eye");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("switched");

    const auto yes = int(DialogButton::Yes);
    const auto no = int(DialogButton::No);
    QTest::newRow("saved, OD to OS") << 0 << 0 << yes << QString() << true;
    QTest::newRow("saved, OS to OD") << 0 << 1 << yes << QString() << true;
    QTest::newRow("frames kept, Yes")
        << 3 << 0 << yes << QStringLiteral("Você possui um exame para OD. Deseja fazer um novo?") << true;
    QTest::newRow("frames kept, No")
        << 3 << 0 << no << QStringLiteral("Você possui um exame para OD. Deseja fazer um novo?") << false;
    QTest::newRow("OS frames kept, No")
        << 3 << 1 << no << QStringLiteral("Você possui um exame para OS. Deseja fazer um novo?") << false;
}

void TestExamSession::switchToOtherEye()
{
    QFETCH(int, frames);
    QFETCH(int, eye);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(bool, switched);

    RecordingDialogs dialogs;
    auto session = sessionWith(frames);
    session->SetEye(std::uint8_t(eye));
    session->SetFixation(QStringLiteral("rb10h"));
    session->Exam().ID = 8;
    dialogs.script({DialogButton(answer)});
    QCOMPARE(session->SwitchToOtherEye(), switched);
    QCOMPARE(dialogs.texts(), question.isEmpty() ? QStringList() : QStringList{question});
    QCOMPARE(int(session->Eye()), switched ? 1 - eye : eye);
    QCOMPARE(session->Count(), switched ? 0 : frames);
    QCOMPARE(session->Exam().ID, switched ? -1 : 8);
    QCOMPARE(int(session->FixPos()), 10); // the fixation stays
    QCOMPARE(session->FixSide(), FixSideFor(10, session->Eye()));
}

void TestExamSession::confirmations_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("ask");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("discard");   // ConfirmDiscard(ask)
    QTest::addColumn<bool>("restart");   // ConfirmRestart()
    QTest::addColumn<int>("questions");  // asked in all

    const auto yes = int(DialogButton::Yes);
    const auto no = int(DialogButton::No);
    QTest::newRow("no frames, asking") << 0 << true << yes << true << false << 0;
    QTest::newRow("no frames, not asking") << 0 << false << yes << true << false << 0;
    QTest::newRow("frames, not asking") << 2 << false << yes << true << true << 1;
    QTest::newRow("frames, Yes") << 2 << true << yes << true << true << 2;
    QTest::newRow("frames, No") << 2 << true << no << false << false << 2;
}

void TestExamSession::confirmations()
{
    QFETCH(int, frames);
    QFETCH(bool, ask);
    QFETCH(int, answer);
    QFETCH(bool, discard);
    QFETCH(bool, restart);
    QFETCH(int, questions);

    RecordingDialogs dialogs;
    dialogs.setDefaultAnswer(DialogButton(answer));
    const auto session = sessionWith(frames);
    QCOMPARE(session->ConfirmDiscard(ask), discard);
    QCOMPARE(session->ConfirmRestart(), restart);
    QCOMPARE(int(dialogs.shown().size()), questions);
    for (const DialogRequest &shown : dialogs.shown()) {
        QCOMPARE(shown.text, QStringLiteral("Você possui imagens capturadas. Deseja descartá-las?"));
        QCOMPARE(shown.caption, QStringLiteral("Aviso"));
    }
    QCOMPARE(session->Count(), frames); // asking discards nothing by itself
}

// The capture loop ------------------------------------------------------------------------

void TestExamSession::captureTick_data()
{
    QTest::addColumn<int>("stored");      // frames before the tick
    QTest::addColumn<int>("maxFrames");
    QTest::addColumn<bool>("autoCapture");
    QTest::addColumn<bool>("continuous");
    QTest::addColumn<bool>("frameReady");
    QTest::addColumn<bool>("goodFrame");
    QTest::addColumn<TTickOutcome>("outcome");
    QTest::addColumn<bool>("timerEnabled");
    QTest::addColumn<bool>("stopSequential");
    QTest::addColumn<bool>("frameConsumed");
    QTest::addColumn<int>("countAfter");

    using O = TTickOutcome;
    QTest::newRow("no frame waiting") << 0 << 5 << false << false << false << true << O::Idle << true << false << false << 0;
    QTest::newRow("sequential: stored") << 0 << 5 << false << true << true << true << O::Stored << true << false << true << 1;
    QTest::newRow("sequential: any frame is stored")
        << 0 << 5 << false << true << true << false << O::Stored << true << false << true << 1;
    QTest::newRow("AUTO: accepted") << 0 << 5 << true << false << true << true << O::Stored << true << false << true << 1;
    QTest::newRow("AUTO: rejected, kept waiting")
        << 0 << 5 << true << false << true << false << O::Rejected << true << false << false << 0;
    QTest::newRow("one below the maximum") << 4 << 5 << false << true << true << true << O::Stored << true << false << true << 5;
    QTest::newRow("at the maximum, single request")
        << 5 << 5 << false << false << true << true << O::MaximumReached << false << false << false << 5;
    QTest::newRow("at the maximum, sequential")
        << 5 << 5 << false << true << true << true << O::MaximumReached << false << true << false << 5;
    QTest::newRow("at the maximum, nothing waiting")
        << 5 << 5 << true << true << false << true << O::MaximumReached << false << true << false << 5;
    QTest::newRow("maximum of zero") << 0 << 0 << false << false << true << true << O::MaximumReached << false << false << false << 0;
}

void TestExamSession::captureTick()
{
    QFETCH(int, stored);
    QFETCH(int, maxFrames);
    QFETCH(bool, autoCapture);
    QFETCH(bool, continuous);
    QFETCH(bool, frameReady);
    QFETCH(bool, goodFrame);
    QFETCH(TTickOutcome, outcome);
    QFETCH(bool, timerEnabled);
    QFETCH(bool, stopSequential);
    QFETCH(bool, frameConsumed);
    QFETCH(int, countAfter);

    RecordingDialogs dialogs;
    auto session = sessionWith(stored, autoCapture, std::max(maxFrames, stored));
    session->SetSettings(captureSettings(autoCapture, maxFrames));
    const TCaptureTick tick = session->CaptureTick(frameReady, goodFrame ? ::goodFrame() : darkFrame(), continuous);
    QCOMPARE(tick.outcome, outcome);
    QCOMPARE(tick.timerEnabled, timerEnabled);
    QCOMPARE(tick.stopSequential, stopSequential);
    QCOMPARE(tick.frameConsumed, frameConsumed);
    QCOMPARE(session->Count(), countAfter);
    QVERIFY2(dialogs.shown().isEmpty(), qPrintable(dialogs.texts().join(u'|'))); // the window shows the maximum
}

void TestExamSession::rejectedFrameIsTestedAgainOnEveryTick()
{
    auto session = sessionWith(0, true);
    const QImage dark = darkFrame();
    for (int tick = 0; tick < 5; ++tick) {
        QCOMPARE(session->CaptureTick(true, dark, false).outcome, TTickOutcome::Rejected);
        QCOMPARE(session->Frames().ImageMean(), 30.0); // the same frame was tested again
    }
    QCOMPARE(session->Count(), 0);
    // Once the camera holds a frame that matches, it is stored.
    QCOMPARE(session->CaptureTick(true, goodFrame(), false).outcome, TTickOutcome::Stored);
    QCOMPARE(session->Count(), 1);
}

void TestExamSession::storedFrameCarriesFixationAndEye()
{
    auto session = sessionWith(0);
    session->SetEye(kEyeOS);
    session->SetFixation(QStringLiteral("rb8h"));
    QVERIFY(session->CaptureTick(true, goodFrame(), true).stored());
    session->SetFixation(QStringLiteral("rb12h"));
    QVERIFY(session->CaptureTick(true, goodFrame(), true).stored());

    const TBFrameBuffer &frames = session->Frames();
    QCOMPARE(frames.Fixation(0).FixSide, QStringLiteral("N"));
    QCOMPARE(int(frames.Fixation(0).FixPos), 8);
    QCOMPARE(frames.Fixation(1).FixSide, QString());
    QCOMPARE(int(frames.Fixation(1).FixPos), 12);
    for (int f = 0; f < 2; ++f) {
        QCOMPARE(int(frames.Eye(f)), 1);
        QCOMPARE(frames.Threshold(f), -3.0);
        QCOMPARE(frames.Roi(f), TRect{});
        QCOMPARE(frames.Pachymetry(f), TPachymetry{});
        QVERIFY(!frames.UseIt(f));
        QVERIFY(!frames.PrintIt(f));
    }
}

void TestExamSession::storedFrameHoldsOnlyItsBitmap()
{
    auto session = sessionWith(1);
    const TFrameRec &frame = session->Frames().Frame(0);
    QCOMPARE(frame.Bitmap.size(), QSize(kWidth, kHeight));
    QCOMPARE(frame.Bitmap.format(), QImage::Format_RGB888);
    QCOMPARE(frame.Bitmap.sizeInBytes(), qsizetype(kWidth * kHeight * 3));
    QVERIFY(frame.Crop.isNull());
    QVERIFY(frame.ProcessedCrop.isNull());
    QVERIFY(!frame.Matrix);
    // The grey camera frame became a 24-bit one with the same grey levels.
    QCOMPARE(frame.Bitmap.pixel(10, 10), qRgb(100, 100, 100));
    QCOMPARE(frame.Bitmap.pixel(10, 400), qRgb(140, 140, 140));
}

void TestExamSession::tickClearsSelectionAndPachymetry()
{
    auto session = sessionWith(0);
    session->View().Selection = {10, 20, 200, 300};
    session->View().PachyLine = {5, 50, 45};
    session->CaptureTick(false, goodFrame(), false);
    QCOMPARE(session->View().Selection, (TRect{10, 20, 200, 300})); // nothing waiting: untouched
    session->CaptureTick(true, goodFrame(), false);
    QCOMPARE(session->View().Selection, TRect{});
    QCOMPARE(session->View().PachyLine, TPachymetry{});
    QCOMPARE(session->Frames().Roi(0), TRect{});
}

// A real shortage: the process may not grow by the 900 kB a frame needs.
void TestExamSession::frameWithoutMemoryStopsTheLoop()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer reserves the address space itself");
#endif
    RecordingDialogs dialogs;
    dialogs.script({DialogButton::Ok});
    auto session = sessionWith(2);
    const QImage frame = goodFrame();
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_AS, &saved) == 0);
    const rlim_t inUse = addressSpaceInUse();
    QVERIFY(inUse > 0);
    const rlimit tight{inUse + 256 * 1024, saved.rlim_max};
    QVERIFY(setrlimit(RLIMIT_AS, &tight) == 0);
    const TCaptureTick tick = session->CaptureTick(true, frame, true);
    setrlimit(RLIMIT_AS, &saved);

    QCOMPARE(tick.outcome, TTickOutcome::StoreFailed);
    QVERIFY(!tick.timerEnabled);
    QVERIFY(tick.stopSequential);
    QVERIFY(tick.frameConsumed);
    QCOMPARE(session->Count(), 2);
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Memória insuficiente para concluir o processo!")});
    QCOMPARE(dialogs.last().caption, QStringLiteral("Erro"));
    // With memory again the next capture works.
    QVERIFY(session->CaptureTick(true, frame, true).stored());
    QCOMPARE(session->Count(), 3);
}

// Pages ---------------------------------------------------------------------------------

void TestExamSession::resetCaptureEmptiesTheSession()
{
    auto session = sessionWith(3);
    session->View().PrevIndex = 0;
    session->View().CurIndex = 1;
    session->View().NextIndex = 2;
    session->SetFixation(QStringLiteral("rb4h"));
    session->ResetCapture();
    QCOMPARE(session->Count(), 0);
    QCOMPARE(session->Frames().FrameCount(), 0);
    QCOMPARE(session->View().PrevIndex, std::int16_t(-1));
    QCOMPARE(session->View().CurIndex, std::int16_t(-1));
    QCOMPARE(session->View().NextIndex, std::int16_t(-1));
    QCOMPARE(int(session->FixPos()), 4); // the fixation is the instrument's, not the frames'
    QCOMPARE(session->Frames().Scale().PixelToMM, 0.00186);
}

void TestExamSession::startReview_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("started");
    QTest::addColumn<int>("prev");
    QTest::addColumn<int>("cur");
    QTest::addColumn<int>("next");

    QTest::newRow("no frames") << 0 << false << -1 << -1 << -1;
    QTest::newRow("one frame") << 1 << true << -1 << 0 << -1;
    QTest::newRow("two frames") << 2 << true << -1 << 0 << 1;
    QTest::newRow("999 frames") << 999 << true << -1 << 0 << 1;
    QTest::newRow("1000 frames") << 1000 << false << -1 << -1 << -1;
}

void TestExamSession::startReview()
{
    QFETCH(int, frames);
    QFETCH(bool, started);
    QFETCH(int, prev);
    QFETCH(int, cur);
    QFETCH(int, next);

    // Two real frames; the rest of the count from stored-examination entries, which
    // count like frames without holding 900 kB each.
    auto session = sessionWith(std::min(frames, 2), false, 2000);
    for (int i = 2; i < frames; ++i)
        session->Frames().LoadSummary(TExame{});
    QCOMPARE(session->Count(), frames);
    QCOMPARE(session->StartReview(), started);
    QCOMPARE(int(session->View().PrevIndex), prev);
    QCOMPARE(int(session->View().CurIndex), cur);
    QCOMPARE(int(session->View().NextIndex), next);
}

void TestExamSession::enterPage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("lastPage");
    QTest::addColumn<bool>("thumbsBuilt");
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<bool>("destroyThumbnails");

    QTest::newRow("capture page") << 0 << 3 << true << QList<int>{} << false;
    QTest::newRow("review from capture") << 1 << 0 << false << QList<int>{} << false;
    QTest::newRow("review from editing") << 1 << 2 << true << QList<int>{2, 3} << true;
    QTest::newRow("review from results") << 1 << 3 << true << QList<int>{2, 3} << true;
    QTest::newRow("review again, thumbnails left") << 1 << 1 << true << QList<int>{} << true;
    QTest::newRow("editing from review") << 2 << 1 << false << QList<int>{} << false;
    QTest::newRow("editing from results") << 2 << 3 << true << QList<int>{3} << true;
    QTest::newRow("results") << 3 << 2 << true << QList<int>{} << false;
}

void TestExamSession::enterPage()
{
    QFETCH(int, page);
    QFETCH(int, lastPage);
    QFETCH(bool, thumbsBuilt);
    QFETCH(QList<int>, hidden);
    QFETCH(bool, destroyThumbnails);

    auto session = sessionWith(1);
    session->SetLastPage(lastPage);
    session->View().ThumbsBuilt = thumbsBuilt;
    const TPageEntry entry = session->EnterPage(page);
    QCOMPARE(entry.tabsToHide, hidden);
    QCOMPARE(entry.destroyThumbnails, destroyThumbnails);
}

void TestExamSession::imageCaption()
{
    auto session = sessionWith(0);
    QCOMPARE(session->ImageCaption(), QStringLiteral("Imagem # de #"));
    session = sessionWith(3);
    session->StartReview();
    QCOMPARE(session->ImageCaption(), QStringLiteral("Imagem 1 de 3"));
    session->View().CurIndex = 2;
    QCOMPARE(session->ImageCaption(), QStringLiteral("Imagem 3 de 3"));
}

QTEST_APPLESS_MAIN(TestExamSession)
#include "tst_examsession.moc"
