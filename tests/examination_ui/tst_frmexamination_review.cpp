// The examination window's review page ("Imagens capturadas") and editing page
// ("Edição") on frames of the simulated camera and the instrument simulator: the
// three views and their navigation, "Ir para", the keyboard, regions drawn with the
// mouse (free and predefined, the not-XOR band, 50 and 51 pixels), the pachymetry
// span, sensitivity, thumbnails, the use and report flags, the display buttons and
// the legend, and cells added, removed and restored on the enlarged view.
#include "ExamWindowFixture.h"

#include "QtNumbers.h"
#include "UBAnalyseFrame.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <QEnterEvent>
#include <QFrame>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>

using namespace cornix;
using namespace cornix::exam;

namespace {

const QString kTooFewCells = TooFewCellsMessage();
// A region of the simulated camera's lit field, in imgActual's pixels.
const QPoint kRegionFrom(200, 120);
const QPoint kRegionTo(440, 330);

// What a view shows on the screen.
QImage shown(QLabel *label) { return label->grab().toImage().convertToFormat(QImage::Format_RGB32); }

int hexagonsOf(const TBFrameBuffer &frames, int f) { return frames.SidesHist(f)[kHexagonalBin]; }

int handAdded(const TDistMatrix &matrix)
{
    int n = 0;
    for (int k = 1; k <= matrix.CellCount(); ++k)
        n += matrix.Cells()[std::size_t(k)].Spare == 1;
    return n;
}

} // namespace

class TestFrmExaminationReview : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void oneFrame();
    void navigationButtons_data();
    void navigationButtons();
    void keyboard_data();
    void keyboard();
    void sideViewsMoveWithoutLabels();
    void goToField_data();
    void goToField();
    void goToFieldWithoutFrames();
    void frameInformation();
    void regionSize_data();
    void regionSize();
    void regionAnalysed();
    void rubberBandIsNotXor();
    void rightDragChangesOnlyThePachymetry();
    void predefinedBox_data();
    void predefinedBox();
    void sensitivityWithoutFrames();
    void sensitivityReanalyses();

    void thumbnails();
    void editingLockedUntilAFrameIsOpened();
    void reportFrameMoves();
    void reenteringEditingResetsTheFlags();
    void useFlagIndicator();
    void displayButtons();
    void zoom_data();
    void zoom();
    void editCells_data();
    void editCells();
    void restoreDetection();

private:
    bool begin(int frames);
    bool analyse(QPoint from = kRegionFrom, QPoint to = kRegionTo);
    bool toEditing(int analysedFrames);
    template <typename T = QWidget> T *child(const char *name) const { return m_fx->child<T>(name); }
    QToolButton *button(const char *name) const { return child<QToolButton>(name); }
    QLabel *label(const char *name) const { return child<QLabel>(name); }
    QString caption() const { return label("lblImgActual")->text(); }
    TfrmExamination *window() const { return m_fx->window; }
    TBFrameBuffer &frames() const { return window()->Session().Frames(); }
    int current() const { return window()->Session().View().CurIndex; }
    QStringList warnings() const;

    std::unique_ptr<ExamWindowFixture> m_fx;
};

bool TestFrmExaminationReview::begin(int frameCount)
{
    m_fx = std::make_unique<ExamWindowFixture>();
    if (!m_fx->start() || !m_fx->openReady())
        return false;
    return frameCount == 0 ? true : m_fx->toReview(frameCount);
}

void TestFrmExaminationReview::cleanup() { m_fx.reset(); }

QStringList TestFrmExaminationReview::warnings() const
{
    QStringList texts;
    for (const auto &d : m_fx->dialogs.shown())
        texts << d.caption + QLatin1Char('|') + d.text;
    return texts;
}

// Draws the region on the current frame; true when it was analysed.
bool TestFrmExaminationReview::analyse(QPoint from, QPoint to)
{
    ExamWindowFixture::drag(label("imgActual"), Qt::LeftButton, from, to);
    const int f = current();
    return frames().RoiValid(f) && frames().Matrix(f) != nullptr;
}

// Frames 0 .. analysedFrames-1 analysed, then page 2.
bool TestFrmExaminationReview::toEditing(int analysedFrames)
{
    for (int f = 0; f < analysedFrames; ++f) {
        if (!analyse())
            return false;
        button("spbGoToNextFrame")->click();
    }
    child<QPushButton>("btnAvanc2")->click();
    return child<QTabWidget>("pgExamination")->currentIndex() == PageImgProcess;
}

// Page 1 ----------------------------------------------------------------------------------

void TestFrmExaminationReview::oneFrame()
{
    QVERIFY(begin(1));
    QCOMPARE(child<QTabWidget>("pgExamination")->currentIndex(), int(PageCapturedFrames));
    QCOMPARE(caption(), QStringLiteral("Imagem 1 de 1"));
    QVERIFY(label("imgPrevious")->pixmap().isNull());
    QVERIFY(label("imgNext")->pixmap().isNull());
    QCOMPARE(label("imgActual")->pixmap().size(), QSize(640, 453));
    button("spbGoToPreviousFrame")->click();
    button("spbGoToNextFrame")->click();
    QTest::mouseClick(label("imgNext"), Qt::LeftButton);
    QTest::mouseClick(label("imgPrevious"), Qt::LeftButton);
    QCOMPARE(current(), 0);
    QCOMPARE(caption(), QStringLiteral("Imagem 1 de 1"));
    QVERIFY(label("imgPrevious")->pixmap().isNull());
    QVERIFY(label("imgNext")->pixmap().isNull());
    QVERIFY(warnings().isEmpty());
}

void TestFrmExaminationReview::navigationButtons_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("previousShown");
    QTest::addColumn<bool>("nextShown");
    QTest::newRow("next") << QStringList{"spbGoToNextFrame"} << 1 << true << true;
    QTest::newRow("next twice: the last") << QStringList{"spbGoToNextFrame", "spbGoToNextFrame"} << 2 << true
                                          << false;
    QTest::newRow("next past the last") << QStringList{"spbGoToLastFrame", "spbGoToNextFrame"} << 2 << true << false;
    QTest::newRow("previous at the first") << QStringList{"spbGoToPreviousFrame"} << 0 << false << true;
    QTest::newRow("last then previous") << QStringList{"spbGoToLastFrame", "spbGoToPreviousFrame"} << 1 << true
                                        << true;
    QTest::newRow("last then first") << QStringList{"spbGoToLastFrame", "spbGoToFirstFrame"} << 0 << false << true;
}

void TestFrmExaminationReview::navigationButtons()
{
    QFETCH(QStringList, buttons);
    QFETCH(int, expected);
    QFETCH(bool, previousShown);
    QFETCH(bool, nextShown);
    QVERIFY(begin(3));
    for (const QString &name : buttons)
        button(name.toLatin1().constData())->click();
    QCOMPARE(current(), expected);
    QCOMPARE(caption(), QStringLiteral("Imagem %1 de 3").arg(expected + 1));
    QCOMPARE(label("lblFrameIDValue")->text(), QString::number(expected + 1));
    QCOMPARE(!label("imgPrevious")->pixmap().isNull(), previousShown);
    QCOMPARE(!label("imgNext")->pixmap().isNull(), nextShown);
}

void TestFrmExaminationReview::keyboard_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("expected");
    QTest::newRow("right: next") << QList<int>{Qt::Key_Right} << 1;
    QTest::newRow("up: last") << QList<int>{Qt::Key_Up} << 2;
    QTest::newRow("up, left: previous") << QList<int>{Qt::Key_Up, Qt::Key_Left} << 1;
    QTest::newRow("up, down: first") << QList<int>{Qt::Key_Up, Qt::Key_Down} << 0;
}

void TestFrmExaminationReview::keyboard()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, expected);
    QVERIFY(begin(3));
    for (const int key : keys)
        QTest::keyClick(window(), Qt::Key(key));
    QCOMPARE(current(), expected);
    QCOMPARE(caption(), QStringLiteral("Imagem %1 de 3").arg(expected + 1));
}

// The side views move by one frame and leave the labels as they were.
void TestFrmExaminationReview::sideViewsMoveWithoutLabels()
{
    QVERIFY(begin(3));
    QTest::mouseClick(label("imgNext"), Qt::LeftButton);
    QCOMPARE(current(), 1);
    QCOMPARE(caption(), QStringLiteral("Imagem 1 de 3"));
    QCOMPARE(shown(label("imgPrevious")).size(), QSize(300, 225));
    QTest::mouseClick(label("imgPrevious"), Qt::LeftButton);
    QCOMPARE(current(), 0);
}

void TestFrmExaminationReview::goToField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("refreshed");
    QTest::newRow("2 moves") << QStringLiteral("2") << 1 << true;
    QTest::newRow("the count is the last") << QStringLiteral("3") << 2 << true;
    QTest::newRow("0: no move, labels refreshed") << QStringLiteral("0") << 2 << true;
    QTest::newRow("negative: no move, labels refreshed") << QStringLiteral("-1") << 2 << true;
    QTest::newRow("text: nothing") << QStringLiteral("a") << 2 << false;
    QTest::newRow("above the count: nothing") << QStringLiteral("4") << 2 << false;
}

void TestFrmExaminationReview::goToField()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QFETCH(bool, refreshed);
    QVERIFY(begin(3));
    button("spbGoToLastFrame")->click();
    label("lblImgActual")->setText(QStringLiteral("sentinel"));
    button("spbHighSensibility")->setChecked(true); // not the frame's sensitivity
    auto *edit = child<QLineEdit>("edtGoToImg2");
    edit->clear();
    label("lblImgActual")->setText(QStringLiteral("sentinel"));
    QTest::keyClicks(edit, text);
    QCOMPARE(current(), expected);
    if (refreshed) {
        QCOMPARE(caption(), QStringLiteral("Imagem %1 de 3").arg(expected + 1));
        QVERIFY(button("spbNormalSensibility")->isChecked());
    } else {
        QCOMPARE(caption(), QStringLiteral("sentinel"));
        QVERIFY(button("spbHighSensibility")->isChecked());
    }
}

void TestFrmExaminationReview::goToFieldWithoutFrames()
{
    QVERIFY(begin(0));
    button("spbCapture")->click(); // a request, but no frame arrives
    child<QPushButton>("btnAvanc1")->click();
    QCOMPARE(caption(), QStringLiteral("Imagem # de #"));
    QTest::keyClicks(child<QLineEdit>("edtGoToImg2"), QStringLiteral("0"));
    QCOMPARE(caption(), QStringLiteral("Imagem # de #"));
    button("spbGoToFirstFrame")->click();
    button("spbGoToLastFrame")->click();
    QCOMPARE(current(), -1);
}

void TestFrmExaminationReview::frameInformation()
{
    QVERIFY(begin(2));
    m_fx->child<QAbstractButton>("spbGoToNextFrame")->click();
    QVERIFY(analyse());
    const TRect roi = ViewToFrame({kRegionFrom.x(), kRegionFrom.y(), kRegionTo.x(), kRegionTo.y()});
    QCOMPARE(frames().Roi(1), roi);
    const double mm = 0.00186;
    QCOMPARE(label("lblFrameIDValue")->text(), QStringLiteral("2"));
    QCOMPARE(label("lblAreaValue")->text(),
             FormatFloatQ("0.0000", double(roi.Right - roi.Left) * (roi.Bottom - roi.Top) * mm * mm));
    QCOMPARE(label("lblDimensionValue")->text(), FormatFloatQ("0.0000", mm * (roi.Right - roi.Left)) + " x "
                                                     + FormatFloatQ("0.0000", mm * (roi.Bottom - roi.Top)));
    QCOMPARE(label("lblPaqValue")->text(), QString::number(frames().PachymetryMicrons(1)));
    QCOMPARE(label("lblFixationValue")->text(), QStringLiteral("0h"));
}

void TestFrmExaminationReview::regionSize_data()
{
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("analysed");
    // One row of 50 or 51 columns on the view is one row of the frame.
    QTest::newRow("50 pixels: no region, no analysis") << QPoint(150, 1) << false;
    QTest::newRow("51 pixels: analysed (too few cells)") << QPoint(151, 1) << true;
}

void TestFrmExaminationReview::regionSize()
{
    QFETCH(QPoint, to);
    QFETCH(bool, analysed);
    QVERIFY(begin(1));
    ExamWindowFixture::drag(label("imgActual"), Qt::LeftButton, QPoint(100, 0), to);
    QVERIFY(!frames().RoiValid(0));
    QCOMPARE(frames().Roi(0), TRect{});
    QCOMPARE(warnings(), analysed ? QStringList{QStringLiteral("AVISO|") + kTooFewCells} : QStringList{});
    QVERIFY(child<QPushButton>("btnAvanc2")->isEnabled());
    QVERIFY(!child<QTabWidget>("pgExamination")->isTabVisible(PageImgProcess));
}

void TestFrmExaminationReview::regionAnalysed()
{
    QVERIFY(begin(1));
    QVERIFY(analyse());
    QVERIFY(warnings().isEmpty());
    QVERIFY(frames().CellCount(0) > 30);
    QVERIFY(child<QTabWidget>("pgExamination")->isTabVisible(PageImgProcess));
    QVERIFY(!frames().ProcessedCrop(0).isNull());
    // The view shows the frame with its cells.
    const QImage bare = frames().FrameBitmap(0).scaled(640, 453, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
    QVERIFY(shown(label("imgActual")) != bare);
}

// The band is drawn in not-XOR mode: each step erases the previous rectangle exactly.
void TestFrmExaminationReview::rubberBandIsNotXor()
{
    QVERIFY(begin(1));
    QLabel *view = label("imgActual");
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
    const QImage clean = shown(view);
    QTest::mouseMove(view, QPoint(200, 180));
    const QImage first = shown(view);
    const auto inverted = [](QRgb c) { return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)); };
    QCOMPARE(first.pixel(150, 100), inverted(clean.pixel(150, 100))); // top edge
    QCOMPARE(first.pixel(200, 140), inverted(clean.pixel(200, 140))); // right edge
    QCOMPARE(first.pixel(150, 140), clean.pixel(150, 140));           // inside
    QTest::mouseMove(view, QPoint(300, 250));
    const QImage second = shown(view);
    QCOMPARE(second.pixel(200, 140), clean.pixel(200, 140)); // the first rectangle is gone
    QCOMPARE(second.pixel(300, 200), inverted(clean.pixel(300, 200)));
    QTest::mouseMove(view, QPoint(100, 100)); // back onto the start: no band at all
    QCOMPARE(shown(view), clean);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(100, 100));
}

// The right button measures the pachymetry by hand; the region stays.
void TestFrmExaminationReview::rightDragChangesOnlyThePachymetry()
{
    QVERIFY(begin(1));
    QVERIFY(analyse());
    const TRect roi = frames().Roi(0);
    const int cells = frames().CellCount(0);
    ExamWindowFixture::drag(label("imgActual"), Qt::RightButton, QPoint(100, 200), QPoint(300, 215));
    QCOMPARE(frames().Roi(0), roi);
    QCOMPARE(frames().Pachymetry(0), (TPachymetry{100, 300, 200}));
    QCOMPARE(label("lblPaqValue")->text(), QStringLiteral("300")); // 200 px × 1.5 µm
    QCOMPARE(frames().CellCount(0), cells);
    QVERIFY(frames().Matrix(0));
}

void TestFrmExaminationReview::predefinedBox_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<TRect>("box"); // on the view
    QTest::newRow("centre of the lit field") << QPoint(320, 226) << QPoint(320, 226) << TRect{270, 106, 370, 346};
    QTest::newRow("whatever the drag") << QPoint(100, 100) << QPoint(330, 230) << TRect{280, 110, 380, 350};
    QTest::newRow("near the top left: kept inside") << QPoint(20, 30) << QPoint(20, 30) << TRect{0, 0, 70, 150};
    QTest::newRow("near the bottom right: kept inside") << QPoint(630, 450) << QPoint(630, 450)
                                                        << TRect{580, 330, 639, 452};
}

void TestFrmExaminationReview::predefinedBox()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, release);
    QFETCH(TRect, box);
    QVERIFY(begin(1));
    button("btnPredefinedYes")->click();
    QVERIFY(button("btnPredefinedYes")->isChecked());
    QVERIFY(!button("btnPredefinedNo")->isChecked());
    ExamWindowFixture::drag(label("imgActual"), Qt::LeftButton, press, release);
    const TRect expected = ViewToFrame(box);
    if (frames().RoiValid(0))
        QCOMPARE(frames().Roi(0), expected);
    else // too few cells in a box outside the lit field: analysed, then cleared
        QCOMPARE(warnings(), QStringList{QStringLiteral("AVISO|") + kTooFewCells});
    QVERIFY(expected.Left >= 0 && expected.Top >= 0 && expected.Right <= 639 && expected.Bottom <= 479);
}

void TestFrmExaminationReview::sensitivityWithoutFrames()
{
    QVERIFY(begin(0));
    button("spbCapture")->click();
    child<QPushButton>("btnAvanc1")->click();
    button("spbHighSensibility")->click();
    QVERIFY(button("spbNormalSensibility")->isChecked());
    QVERIFY(!button("spbHighSensibility")->isChecked());
    QVERIFY(warnings().isEmpty());
    QCOMPARE(window()->Session().Count(), 0);
}

// A sensitivity button sets the frame's threshold and analyses it again: the
// earlier matrix is replaced.
void TestFrmExaminationReview::sensitivityReanalyses()
{
    QVERIFY(begin(2));
    QVERIFY(analyse());
    const TDistMatrix *before = frames().Matrix(0);
    const int normalCells = frames().CellCount(0);
    button("spbHighSensibility")->click();
    QCOMPARE(frames().Threshold(0), -2.5);
    QVERIFY(frames().Matrix(0));
    QVERIFY(frames().Matrix(0) != before);
    QVERIFY(frames().CellCount(0) >= normalCells); // a higher sensitivity finds at least as many
    button("spbGoToNextFrame")->click();
    QVERIFY(button("spbNormalSensibility")->isChecked());
    button("spbGoToPreviousFrame")->click();
    QVERIFY(button("spbHighSensibility")->isChecked());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(button("spbLowSensibility"), &enter);
    QCOMPARE(label("lblSensibilityInfo")->text(),
                 QStringLiteral("Diminui a sensibilidade da detecção (recomendado para imagens com alto contraste)."));
    QApplication::sendEvent(child("grpSensibility"), &enter); // a group: the button that is down
    QCOMPARE(label("lblSensibilityInfo")->text(),
             QStringLiteral("Aumenta a sensibilidade da detecção (recomendado para imagens com baixo contraste)."));
}

// Page 2 ------------------------------------------------------------------------------------

void TestFrmExaminationReview::thumbnails()
{
    QVERIFY(begin(3));
    QVERIFY(analyse());
    button("spbGoToLastFrame")->click();
    QVERIFY(analyse());
    child<QPushButton>("btnAvanc2")->click();
    auto *strip = child<QScrollArea>("scbImages");
    const QList<QLabel *> thumbs = strip->widget()->findChildren<QLabel *>(QRegularExpression("^img\\d+$"));
    QCOMPARE(thumbs.size(), 2);
    QLabel *first = child<QLabel>("img0");
    QLabel *third = child<QLabel>("img2");
    QVERIFY(first && third);
    QVERIFY(!child<QLabel>("img1"));
    QCOMPARE(first->geometry(), QRect(10, 10, 160, 120));
    QCOMPARE(third->geometry(), QRect(10, 140, 160, 120));
    QCOMPARE(third->toolTip(), QStringLiteral("img2"));
    auto *indicator = child<QFrame>("shpIndicator");
    QVERIFY(indicator);
    QVERIFY(indicator->isHidden());
    QTest::mouseClick(third, Qt::LeftButton);
    QCOMPARE(window()->PlotFrame(), 2);
    QVERIFY(indicator->isVisible());
    QCOMPARE(indicator->geometry(), QRect(6, 136, 168, 128));
    QVERIFY(frames().UseIt(0) && frames().UseIt(2));
    QVERIFY(!frames().UseIt(1));
    QVERIFY(button("spbUseIt")->isChecked());
    QVERIFY(button("spbDontPrintIt")->isChecked());
    QCOMPARE(label("lblTotalCellsValueInfoPnl")->text(), QString::number(frames().CellCount(2)));
}

void TestFrmExaminationReview::editingLockedUntilAFrameIsOpened()
{
    QVERIFY(begin(1));
    QVERIFY(toEditing(1));
    const char *sixteen[] = {"spbCellCenter", "spbCellEdge",  "spbCellAll",    "spbCellsBW",
                             "spbCellsColor", "origBtn",      "procBtn",       "spbAddCell",
                             "spbDeleteCell", "spbRestoreCell", "spbUseIt",    "spbDontUseIt",
                             "spbPrintIt",    "spbDontPrintIt", "zoomBar",     "TranspBar"};
    for (const char *name : sixteen)
        QVERIFY2(!child(name)->isEnabled(), name);
    QVERIFY(!button("spbGenerateReport")->isEnabled());
    QVERIFY(button("spbCellAll")->isChecked());
    QVERIFY(child("TranspBar")->isVisible());
    QTest::mouseClick(child<QLabel>("img0"), Qt::LeftButton);
    for (const char *name : sixteen)
        QVERIFY2(child(name)->isEnabled(), name);
}

// At most one report frame: a second one moves the mark; "no" on another frame keeps it.
void TestFrmExaminationReview::reportFrameMoves()
{
    QVERIFY(begin(2));
    QVERIFY(toEditing(2));
    QTest::mouseClick(child<QLabel>("img0"), Qt::LeftButton);
    button("spbPrintIt")->click();
    QVERIFY(button("spbGenerateReport")->isEnabled());
    QTest::mouseClick(child<QLabel>("img1"), Qt::LeftButton);
    QVERIFY(button("spbDontPrintIt")->isChecked());
    button("spbPrintIt")->click();
    QVERIFY(!frames().PrintIt(0));
    QVERIFY(frames().PrintIt(1));
    QCOMPARE(window()->Session().View().PrintFrame, 1);
    QTest::mouseClick(child<QLabel>("img0"), Qt::LeftButton);
    QVERIFY(button("spbDontPrintIt")->isChecked());
    button("spbDontPrintIt")->click();
    QCOMPARE(window()->Session().View().PrintFrame, 1);
    QVERIFY(frames().PrintIt(1));
    QVERIFY(button("spbGenerateReport")->isEnabled());
    QTest::mouseClick(child<QLabel>("img1"), Qt::LeftButton);
    QVERIFY(button("spbPrintIt")->isChecked());
    button("spbDontPrintIt")->click();
    QCOMPARE(window()->Session().View().PrintFrame, -1);
    QVERIFY(!frames().PrintIt(1));
    QVERIFY(!button("spbGenerateReport")->isEnabled());
}

void TestFrmExaminationReview::reenteringEditingResetsTheFlags()
{
    QVERIFY(begin(2));
    QVERIFY(toEditing(2));
    QTest::mouseClick(child<QLabel>("img0"), Qt::LeftButton);
    button("spbDontUseIt")->click();
    QTest::mouseClick(child<QLabel>("img1"), Qt::LeftButton);
    button("spbPrintIt")->click();
    auto *pages = child<QTabWidget>("pgExamination");
    pages->setCurrentIndex(PageCapturedFrames);
    pages->setCurrentIndex(PageImgProcess);
    QVERIFY(frames().UseIt(0) && frames().UseIt(1));
    QVERIFY(!frames().PrintIt(0) && !frames().PrintIt(1));
    QCOMPARE(window()->Session().View().PrintFrame, -1);
    QVERIFY(!button("spbGenerateReport")->isEnabled());
    QVERIFY(!button("spbUseIt")->isEnabled());
}

void TestFrmExaminationReview::useFlagIndicator()
{
    QVERIFY(begin(1));
    QVERIFY(toEditing(1));
    QTest::mouseClick(child<QLabel>("img0"), Qt::LeftButton);
    auto *indicator = child<QFrame>("shpIndicator");
    QVERIFY(indicator->styleSheet().contains(QStringLiteral("#00ff00")));
    button("spbDontUseIt")->click();
    QVERIFY(!frames().UseIt(0));
    QVERIFY(indicator->styleSheet().contains(QStringLiteral("#ff0000")));
    button("spbUseIt")->click();
    QVERIFY(frames().UseIt(0));
    QVERIFY(indicator->styleSheet().contains(QStringLiteral("#00ff00")));
}

void TestFrmExaminationReview::displayButtons()
{
    QVERIFY(begin(1));
    QVERIFY(toEditing(1));
    QTest::mouseClick(child<QLabel>("img0"), Qt::LeftButton);
    auto *legend = child("pnlLegend");
    QVERIFY(!legend->isVisible());
    const QImage grey = shown(label("imgFrameToPlot"));
    button("spbCellsColor")->click();
    QVERIFY(legend->isVisible());
    QVERIFY(child("TranspBar")->isVisible());
    QVERIFY(shown(label("imgFrameToPlot")) != grey);
    button("spbCellsBW")->click();
    QVERIFY(!legend->isVisible());
    button("spbCellCenter")->click();
    QVERIFY(!child("TranspBar")->isVisible());
    QVERIFY(!child("transpLbl")->isVisible());
    button("spbCellEdge")->click();
    QVERIFY(child("TranspBar")->isVisible());
    const QImage half = shown(label("imgFrameToPlot"));
    child<QSlider>("TranspBar")->setValue(100);
    QVERIFY(shown(label("imgFrameToPlot")) != half);
    button("origBtn")->click();
    QVERIFY(button("origBtn")->isChecked() && !button("procBtn")->isChecked());
}

void TestFrmExaminationReview::zoom_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("zoom");
    QTest::newRow("0: half size") << 0 << 0.5;
    QTest::newRow("50") << 50 << 2.25;
    QTest::newRow("100: four times") << 100 << 4.0;
}

void TestFrmExaminationReview::zoom()
{
    QFETCH(int, position);
    QFETCH(double, zoom);
    QVERIFY(begin(1));
    QVERIFY(toEditing(1));
    QTest::mouseClick(child<QLabel>("img0"), Qt::LeftButton);
    child<QSlider>("zoomBar")->setValue(position);
    const TRect roi = frames().Roi(0);
    const QSize expected(int(RoundHalfEven(2.0 * (roi.Right - roi.Left) * zoom)),
                         int(RoundHalfEven(2.0 * (roi.Bottom - roi.Top) * zoom)));
    QCOMPARE(label("imgFrameToPlot")->size(), expected);
    // The processed crop stretched over the whole view, pixel by pixel.
    const QImage crop = frames().ProcessedCrop(0).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown(label("imgFrameToPlot")), crop.scaled(expected, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void TestFrmExaminationReview::editCells_data()
{
    QTest::addColumn<int>("zoomPosition");
    QTest::addColumn<bool>("ctrl"); // add with Ctrl while "Remover células" is down
    QTest::newRow("zoom 0.5") << 0 << false;
    QTest::newRow("zoom 4.0") << 100 << false;
    QTest::newRow("zoom 2.25, Ctrl adds") << 50 << true;
}

// A click adds exactly the cell at the frame pixel under it; a click with "Remover
// células" at the same place removes it again.
void TestFrmExaminationReview::editCells()
{
    QFETCH(int, zoomPosition);
    QFETCH(bool, ctrl);
    QVERIFY(begin(1));
    QVERIFY(toEditing(1));
    QTest::mouseClick(child<QLabel>("img0"), Qt::LeftButton);
    child<QSlider>("zoomBar")->setValue(zoomPosition);
    QLabel *view = label("imgFrameToPlot");
    const TRect roi = frames().Roi(0);
    const TDistMatrix &matrix = *frames().Matrix(0);
    // Halfway between the centre nearest the middle of the region and its nearest neighbour.
    const QPoint middle((roi.Left + roi.Right) / 2, (roi.Top + roi.Bottom) / 2);
    auto distance = [](const TCellRec &c, QPoint p) { return std::hypot(c.Col - p.x(), c.Row - p.y()); };
    int a = 1;
    for (int k = 1; k <= matrix.CellCount(); ++k)
        if (distance(matrix.Cells()[std::size_t(k)], middle) < distance(matrix.Cells()[std::size_t(a)], middle))
            a = k;
    const TCellRec ca = matrix.Cells()[std::size_t(a)];
    int b = a == 1 ? 2 : 1;
    for (int k = 1; k <= matrix.CellCount(); ++k)
        if (k != a && distance(matrix.Cells()[std::size_t(k)], QPoint(ca.Col, ca.Row))
                          < distance(matrix.Cells()[std::size_t(b)], QPoint(ca.Col, ca.Row)))
            b = k;
    const TCellRec cb = matrix.Cells()[std::size_t(b)];
    const QPoint target((ca.Col + cb.Col) / 2, (ca.Row + cb.Row) / 2);
    const double z = ZoomFactor(zoomPosition);
    const QPoint click(int(std::lround(2 * z * (target.x() - roi.Left))), int(std::lround(2 * z * (target.y() - roi.Top))));
    const TClickPosition mapped = MapClickToFrame(click.x(), click.y(), z, roi);
    QVERIFY(std::abs(mapped.Col - target.x()) <= 2 && std::abs(mapped.Row - target.y()) <= 2);

    const int centres = matrix.CellCount();
    const int counted = frames().CellCount(0);
    if (ctrl) {
        button("spbDeleteCell")->click();
        QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, click);
    } else {
        button("spbAddCell")->click();
        QTest::mouseClick(view, Qt::LeftButton, {}, click);
    }
    const TDistMatrix &edited = *frames().Matrix(0);
    QCOMPARE(edited.CellCount(), centres + 1);
    QCOMPARE(handAdded(edited), 1);
    bool found = false;
    for (int k = 1; k <= edited.CellCount(); ++k) {
        const TCellRec &c = edited.Cells()[std::size_t(k)];
        found = found || (c.Spare == 1 && c.Row == mapped.Row && c.Col == mapped.Col);
    }
    QVERIFY(found);
    QCOMPARE(frames().CellCount(0), counted + 1);
    QCOMPARE(label("lblTotalCellsValueInfoPnl")->text(), QString::number(counted + 1));

    button("spbDeleteCell")->click();
    QTest::mouseClick(view, Qt::LeftButton, {}, click);
    QCOMPARE(frames().Matrix(0)->CellCount(), centres);
    QCOMPARE(handAdded(*frames().Matrix(0)), 0);
    QCOMPARE(frames().CellCount(0), counted);
    QCOMPARE(label("lblTotalCellsValueInfoPnl")->text(), QString::number(counted));
}

void TestFrmExaminationReview::restoreDetection()
{
    QVERIFY(begin(1));
    QVERIFY(toEditing(1));
    QTest::mouseClick(child<QLabel>("img0"), Qt::LeftButton);
    const int centres = frames().Matrix(0)->CellCount();
    const int counted = frames().CellCount(0);
    const int hexagons = hexagonsOf(frames(), 0);
    QLabel *view = label("imgFrameToPlot");
    button("spbAddCell")->click();
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(view->width() / 3, view->height() / 3));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(view->width() / 2, view->height() / 2));
    QCOMPARE(frames().Matrix(0)->CellCount(), centres + 2);
    button("spbRestoreCell")->click();
    QCOMPARE(frames().Matrix(0)->CellCount(), centres);
    QCOMPARE(handAdded(*frames().Matrix(0)), 0);
    QCOMPARE(frames().CellCount(0), counted);
    QCOMPARE(hexagonsOf(frames(), 0), hexagons);
    QCOMPARE(label("lblTotalCellsValueInfoPnl")->text(), QString::number(counted));
}

QTEST_MAIN(TestFrmExaminationReview)
#include "tst_frmexamination_review.moc"
