// A whole examination through the real windows of the program, started from the main
// window: "Novo Exame", a doctor and a patient of the database, the examination window
// on the simulated cameras and the instrument simulator on a pseudo-terminal, five
// frames captured (one with the joystick), a region drawn with the mouse on two frames,
// one cell added and one removed by clicks, the use and report flags, "Gerar
// relatório", "Salvar", close; then "Rever Exame", the viewer, and the examination
// opened read-only with the figures saved. The row and the three bitmap files are
// checked directly. Once on the test server, once on the engine inside the program
// (no server), as the run command uses it.
#include "ExaminationFlowSupport.h"

#include "QtNumbers.h"
#include "UBAnalyseFrame.h"
#include "UBFrameBuffer.h"
#include "UBResultsPage.h"
#include "UfrmExame.h"
#include "VoronoiDistMatrix.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <cmath>

using namespace cornix;
using namespace cornix::exam;
using cornix::test::Engine;

namespace {

const QString kManager = QStringLiteral("frmExaminationManager");
const QString kViewer = QStringLiteral("frmViewExmManager");
const QString kExamination = QStringLiteral("frmExamination");
const QString kPatient = QStringLiteral("Teresa Cristina Albuquerque");
const QString kDiagnosis = QStringLiteral("Endotélio de aspecto normal.");
constexpr int kNameColumn = 1;
const QStringList kResultLabels = {"lblTotalCellsValue", "lblTotalAreaValue", "lblDensityValue", "lblSDValue",
                                   "lblMinSizeValue",    "lblAvgSizeValue",   "lblMaxSizeValue", "lblHexCellsValue",
                                   "lblCVValue",         "lblAvgPaqValue",    "lblImgsQttyUsedValue"};

QImage rgb(const QImage &image) { return image.convertToFormat(QImage::Format_RGB888); }

QStringList resultTexts(const QWidget *examination)
{
    QStringList texts;
    for (const QString &name : kResultLabels)
        texts << examination->findChild<QLabel *>(name)->text();
    return texts;
}

// The results as the record keeps them: areas in mm² and µm², the standard deviation and
// the coefficient of variation with three decimals.
QStringList savedResultTexts(const TEndoStats &summary, const QStringList &shown)
{
    const auto three = [](double v) { return std::round(v * 1000) / 1000; };
    return {shown[0],
            cornix::FormatFloatQ("0.0000", three(summary.AnalysedArea)),
            shown[2],
            cornix::FormatFloatQ("0.00", three(summary.AreaSD)),
            cornix::FormatFloatQ("0.00", three(summary.MinArea)),
            cornix::FormatFloatQ("0.00", three(summary.MeanArea)),
            cornix::FormatFloatQ("0.00", three(summary.MaxArea)),
            shown[7],
            cornix::FormatFloatQ("00", three(summary.AreaCV) * 100),
            QString::number(summary.Pachymetry),
            shown[10]};
}

// Where on the enlarged view a click lands on frame pixel (col, row).
QPoint viewPoint(int col, int row, double zoom, const TRect &roi)
{
    return {int(std::lround(2 * zoom * (col - roi.Left))), int(std::lround(2 * zoom * (row - roi.Top)))};
}

} // namespace

class TestWholeExamination : public QObject {
    Q_OBJECT

private slots:
    void wholeExamination_data();
    void wholeExamination();

private:
    // Steps of the examination, each checked as it goes.
    void chooseDoctorAndPatient();
    void captureFiveFrames();
    void drawRegionsOnTwoFrames();
    void editCellsAndFlags();
    void generateAndSave();
    void checkRowAndFiles();
    void reviewReadOnly();

    template <typename T = QWidget> T *exam(const char *name) const
    {
        return m_program->control<T>(kExamination, name);
    }
    TfrmExamination *examination() const { return m_program->window<TfrmExamination>(kExamination); }
    TBFrameBuffer &frames() const { return examination()->Session().Frames(); }

    std::unique_ptr<ExaminationProgram> m_program;
    std::int32_t m_doctorID = 0;
    std::int32_t m_patientID = 0;
    // What the results page showed and what was saved.
    TEndoStats m_summary;
    QStringList m_shown;
    TExame m_saved;
    QImage m_original, m_crop, m_processed;
};

void TestWholeExamination::wholeExamination_data()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("Firebird test server") << true;
    QTest::newRow("engine inside the program") << false;
}

void TestWholeExamination::wholeExamination()
{
    QFETCH(bool, server);
    m_program = std::make_unique<ExaminationProgram>();
    QVERIFY(m_program->start(server ? QStringLiteral("app_wholeexamination") : QStringLiteral("app_wholeexamination_embedded"),
                             server ? Engine::Server : Engine::Embedded));
    m_program->addDoctor(QStringLiteral("Paulo Andrade"), QStringLiteral("M"), QStringLiteral("1001-SP"));
    m_doctorID = m_program->addDoctor(QStringLiteral("Lia Prado"), QStringLiteral("F"), QStringLiteral("1004-SP"));
    m_program->addPatient(5100, QStringLiteral("Ana Souza"));
    m_patientID = m_program->addPatient(5101, kPatient);
    QVERIFY(m_doctorID > 0 && m_patientID > 0);

    chooseDoctorAndPatient();
    if (QTest::currentTestFailed())
        return;
    captureFiveFrames();
    if (QTest::currentTestFailed())
        return;
    drawRegionsOnTwoFrames();
    if (QTest::currentTestFailed())
        return;
    editCellsAndFlags();
    if (QTest::currentTestFailed())
        return;
    generateAndSave();
    if (QTest::currentTestFailed())
        return;
    checkRowAndFiles();
    if (QTest::currentTestFailed())
        return;
    reviewReadOnly();
    m_program.reset();
}

void TestWholeExamination::chooseDoctorAndPatient()
{
    m_program->command("SpeedButton3");
    QVERIFY(m_program->window(kManager));
    auto *doctors = m_program->control<QComboBox>(kManager, "Cbb_Exm_SelDoc");
    QCOMPARE(doctors->count(), 2);
    doctors->setCurrentIndex(1);
    QCOMPARE(m_program->control<QLabel>(kManager, "Lbl_CRM")->text(), QStringLiteral("CRM : 1004-SP"));
    auto *patients = m_program->control<QTableView>(kManager, "dbgPatients");
    const int row = GridRow(patients, kNameColumn, kPatient);
    QVERIFY(row >= 0);
    ClickGridCell(patients, row, kNameColumn);
    QCOMPARE(m_program->control<QLabel>(kManager, "Lbl_PAC_Nome")->text(), kPatient);
    QCOMPARE(m_program->control<QLabel>(kManager, "lbl_ExmListExm")->text(), QStringLiteral("Nenhum Exame"));
    QTest::mouseClick(m_program->control<QToolButton>(kManager, "spb_doc_StartExamination"), Qt::LeftButton);
    QVERIFY(examination());
    QTRY_VERIFY_WITH_TIMEOUT(examination()->Serial() != nullptr, 10000);
    QVERIFY(m_program->fixture.instrument->waitForCommands(3, std::chrono::seconds(10)));
    QCOMPARE(examination()->Session().Creation().doctorName, QStringLiteral("Dra. Lia Prado"));
    QVERIFY2(m_program->dialogs.shown().isEmpty(), qPrintable(m_program->dialogs.texts().join('\n')));
}

// Four frames with "Capturar", the fifth with the instrument's joystick button.
void TestWholeExamination::captureFiveFrames()
{
    for (int i = 1; i <= 4; ++i) {
        exam<QAbstractButton>("spbCapture")->click();
        m_program->deliverMainFrame();
        QTRY_COMPARE(examination()->Session().Count(), i);
    }
    cornix::InstrumentSimulator &instrument = *m_program->fixture.instrument;
    instrument.pressButton();
    QTRY_VERIFY(exam<QTimer>("tmrBtnJoystick")->isActive());
    instrument.releaseButton();
    QTRY_VERIFY(!exam<QTimer>("tmrBtnJoystick")->isActive());
    m_program->deliverMainFrame();
    QTRY_COMPARE(examination()->Session().Count(), 5);
    exam<QAbstractButton>("btnAvanc1")->click();
    QCOMPARE(exam<QTabWidget>("pgExamination")->currentIndex(), int(PageCapturedFrames));
}

// A region drawn with the mouse on the first two frames, which are then analysed.
void TestWholeExamination::drawRegionsOnTwoFrames()
{
    auto *view = exam<QLabel>("imgActual");
    for (int f = 0; f < 2; ++f) {
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(200, 120));
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(view, QPoint(200, 120) + QPoint(240, 210) * i / 4);
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(440, 330));
        QVERIFY(frames().RoiValid(f));
        QVERIFY(frames().Matrix(f) != nullptr);
        exam<QAbstractButton>("spbGoToNextFrame")->click();
    }
    for (int f = 2; f < 5; ++f)
        QVERIFY(!frames().RoiValid(f));
    exam<QAbstractButton>("btnAvanc2")->click();
    QCOMPARE(exam<QTabWidget>("pgExamination")->currentIndex(), int(PageImgProcess));
    QVERIFY2(m_program->dialogs.shown().isEmpty(), qPrintable(m_program->dialogs.texts().join('\n')));
}

// On the first frame one cell added by a click and one found cell removed by a click;
// the first frame for the report; both analysed frames used.
void TestWholeExamination::editCellsAndFlags()
{
    QTest::mouseClick(exam<QLabel>("img0"), Qt::LeftButton);
    QLabel *zoomed = exam<QLabel>("imgFrameToPlot");
    const double zoom = ZoomFactor(exam<QSlider>("zoomBar")->value());
    const TRect roi = frames().Roi(0);
    const int centres = frames().Matrix(0)->CellCount();
    const int counted = frames().CellCount(0);

    exam<QAbstractButton>("spbAddCell")->click();
    QTest::mouseClick(zoomed, Qt::LeftButton, {}, QPoint(zoomed->width() / 2, zoomed->height() / 2));
    QCOMPARE(frames().Matrix(0)->CellCount(), centres + 1);
    QCOMPARE(frames().CellCount(0), counted + 1);

    // A found cell near the top left of the region, away from the one added.
    const TDistMatrix &matrix = *frames().Matrix(0);
    int found = 0;
    for (int k = 1; k <= matrix.CellCount() && found == 0; ++k) {
        const TCellRec &c = matrix.Cells()[std::size_t(k)];
        if (c.Spare == 0 && c.Row > roi.Top + 30 && c.Col > roi.Left + 30 && c.Col < roi.Left + 100)
            found = k;
    }
    QVERIFY(found > 0);
    const TCellRec removed = matrix.Cells()[std::size_t(found)];
    exam<QAbstractButton>("spbDeleteCell")->click();
    QTest::mouseClick(zoomed, Qt::LeftButton, {}, viewPoint(removed.Col, removed.Row, zoom, roi));
    QCOMPARE(frames().Matrix(0)->CellCount(), centres);
    QCOMPARE(frames().CellCount(0), counted);
    bool stillThere = false;
    for (int k = 1; k <= frames().Matrix(0)->CellCount(); ++k) {
        const TCellRec &c = frames().Matrix(0)->Cells()[std::size_t(k)];
        stillThere = stillThere || (c.Row == removed.Row && c.Col == removed.Col);
    }
    QVERIFY(!stillThere);

    exam<QAbstractButton>("spbPrintIt")->click();
    QTest::mouseClick(exam<QLabel>("img1"), Qt::LeftButton);
    exam<QAbstractButton>("spbDontUseIt")->click();
    QVERIFY(!frames().UseIt(1));
    exam<QAbstractButton>("spbUseIt")->click();
    QVERIFY(frames().UseIt(0) && frames().UseIt(1));
    QCOMPARE(frames().PrintFrame(), 0);
    for (int f = 2; f < 5; ++f)
        QVERIFY(!frames().UseIt(f));
}

void TestWholeExamination::generateAndSave()
{
    exam<QAbstractButton>("spbGenerateReport")->click();
    QCOMPARE(exam<QTabWidget>("pgExamination")->currentIndex(), int(PageResults));
    exam<QPlainTextEdit>("memDiag")->setPlainText(kDiagnosis);
    m_summary = frames().Summarize();
    QCOMPARE(m_summary.FramesUsed, 2);
    m_shown = resultTexts(examination());
    const TResultsTexts t = ResultsOfSummary(m_summary);
    QCOMPARE(m_shown, (QStringList{t.TotalCells, t.TotalArea, t.Density, t.SD, t.MinSize, t.AvgSize, t.MaxSize,
                                   t.HexCells, t.CV, t.AvgPaq, t.ImgsQttyUsed}));
    m_original = rgb(frames().FrameBitmap(0));
    m_crop = rgb(frames().Crop(0));
    m_processed = rgb(frames().ProcessedCrop(0));
    QVERIFY2(m_program->dialogs.shown().isEmpty(), qPrintable(m_program->dialogs.texts().join('\n')));

    exam<QAbstractButton>("spb_Save_Exame")->click();
    QCOMPARE(m_program->dialogs.texts(), QStringList{QStringLiteral("Exame Salvo com Sucesso!")});
    m_saved = examination()->Session().Exam();
    QVERIFY(m_saved.ID > 0);
    qInfo("saved examination %d: %d cells, %d cells/mm², mean area %.2f µm², CV %.2f, %d frames used",
          int(m_saved.ID), int(m_summary.CellCount), int(m_summary.Density), m_summary.MeanArea, m_summary.AreaCV,
          int(m_summary.FramesUsed));

    QPointer<TfrmExamination> closing = examination();
    closing->close();
    QTRY_VERIFY(!closing);
    // Back in the manager: the patient's examination is listed.
    QCOMPARE(m_program->control<QLabel>(kManager, "Lbl_PAC_Nome")->text(), kPatient);
    QCOMPARE(m_program->control<QLabel>(kManager, "lbl_ExmListExm")->text(), QStringLiteral("1 Exame"));
    QTest::mouseClick(m_program->control<QToolButton>(kManager, "SpbSair"), Qt::LeftButton);
    QTRY_VERIFY(!m_program->window(kManager));
    QTRY_VERIFY(!m_program->main->MenuLocked());
}

void TestWholeExamination::checkRowAndFiles()
{
    QSqlQuery row = m_program->module->NewQuery();
    row.prepare(QStringLiteral("select EXM_MEDICO, EXM_PACIENTE, EXM_TOTALCELULAS, EXM_DENSIDADE, EXM_HEXAGONAIS, "
                               "EXM_TOTALIMG, EXM_PAQUIMETRIA, EXM_MORPHOINFO, EXM_MEGATINFO, EXM_DIAGNOSTICO, "
                               "EXM_IMG_CROP_ORIG, EXM_IMG_CROP_PROC, EXM_AREAMED from EXAME where EXM_ID = :id"));
    row.bindValue(QStringLiteral(":id"), m_saved.ID);
    QVERIFY(row.exec() && row.next());
    QCOMPARE(row.value(0).toInt(), m_doctorID);
    QCOMPARE(row.value(1).toInt(), m_patientID);
    QCOMPARE(row.value(2).toInt(), int(m_summary.CellCount));
    QCOMPARE(row.value(3).toInt(), int(m_summary.Density));
    QCOMPARE(row.value(4).toInt(), int(m_summary.SidesHist[kHexagonalBin]));
    QCOMPARE(row.value(5).toInt(), 2);
    QCOMPARE(row.value(6).toInt(), m_summary.Pachymetry);
    QCOMPARE(row.value(7).toString(), JoinCounts(m_summary.SidesHist));
    QCOMPARE(row.value(8).toString(), JoinCounts(m_summary.AreaHist));
    QCOMPARE(row.value(9).toString(), kDiagnosis);
    const QString folder = m_program->fixture.dir.path() +
                           QStringLiteral("/Database/DBimages/%1").arg(m_saved.ID, 4, 10, QLatin1Char('0'));
    QCOMPARE(row.value(10).toString(), folder + QStringLiteral("/Crop.bmp"));
    QCOMPARE(row.value(11).toString(), folder + QStringLiteral("/Process.bmp"));
    QCOMPARE(row.value(12).toDouble(), std::round(m_summary.MeanArea * 1000) / 1000);
    row.finish();
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), (QStringList{"Crop.bmp", "Original.bmp", "Process.bmp"}));
    QCOMPARE(rgb(QImage(folder + QStringLiteral("/Original.bmp"))), m_original);
    QCOMPARE(rgb(QImage(folder + QStringLiteral("/Crop.bmp"))), m_crop);
    QCOMPARE(rgb(QImage(folder + QStringLiteral("/Process.bmp"))), m_processed);
}

// "Rever Exame": the patient in the viewer, the examination opened read-only with the
// figures as saved and the same two crops.
void TestWholeExamination::reviewReadOnly()
{
    m_program->command("SpeedButton4");
    QVERIFY(m_program->window(kViewer));
    auto *patients = m_program->control<QTableView>(kViewer, "Dbg_MVExm_PatientList");
    QCOMPARE(patients->model()->rowCount(), 1); // the only patient with an examination
    ClickGridCell(patients, 0, kNameColumn);
    QCOMPARE(m_program->control<QLabel>(kViewer, "Lbl_MVExm_PatName")->text(), kPatient);
    QCOMPARE(m_program->control<QLabel>(kViewer, "Lbl_MVExm_ExameList")->text(), QStringLiteral("1 Exame"));
    ClickGridCell(m_program->control<QTableView>(kViewer, "Dbg_MVExm_ExameList"), 0, 0);
    const QStringList summary =
        m_program->control<QPlainTextEdit>(kViewer, "Mem_MVExm_Resume")->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(summary.value(0), QStringLiteral("Exame   : %1").arg(m_saved.ID));
    QCOMPARE(summary.value(1), QStringLiteral("Medico  : Dra. Lia Prado"));
    QCOMPARE(summary.value(5), QStringLiteral("Diagnost: ") + kDiagnosis);
    QTest::mouseClick(m_program->control<QPushButton>(kViewer, "Btn_MVExm_Visualizar"), Qt::LeftButton);

    QPointer<TfrmExamination> view = examination();
    QVERIFY(view);
    QVERIFY(view->Session().Viewing());
    QCOMPARE(exam<QTabWidget>("pgExamination")->currentIndex(), int(PageResults));
    QVERIFY(!exam<QToolButton>("spb_Save_Exame")->isVisible());
    QVERIFY(exam<QPlainTextEdit>("memDiag")->isReadOnly());
    QCOMPARE(exam<QPlainTextEdit>("memDiag")->toPlainText(), kDiagnosis);
    QCOMPARE(resultTexts(view), savedResultTexts(m_summary, m_shown));
    QCOMPARE(rgb(view->CroppedImage()), m_crop);
    QCOMPARE(rgb(view->CroppedProcessedImage()), m_processed);
    QVERIFY2(m_program->dialogs.texts() == QStringList{QStringLiteral("Exame Salvo com Sucesso!")},
             qPrintable(m_program->dialogs.texts().join('\n')));
    view->close();
    QTRY_VERIFY(!view);
}

QTEST_MAIN(TestWholeExamination)
#include "tst_wholeexamination.moc"
