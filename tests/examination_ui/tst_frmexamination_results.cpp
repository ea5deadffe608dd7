// The examination window's results page ("Resultados") on frames of the simulated
// camera and a real Firebird server: "Gerar relatório" with its figures, charts and
// crops, the memos' counters, saving (the row and the three files checked directly),
// the saved examination shown again read-only, and saves that fail — doctor or patient
// missing, database down, disk full, image folder not writable — keeping everything
// and succeeding once the cause is removed.
#include "ExamWindowFixture.h"

#include "FirebirdTestDatabase.h"
#include "RecordsTestData.h"
#include "QtNumbers.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"
#include "UBResultsPage.h"
#include "UBSeriesPlot.h"
#include "UDExamination.h"
#include "UfrmDataModule.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QPieSeries>
#include <QPieSlice>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScatterSeries>
#include <QSqlQuery>
#include <QTabWidget>
#include <QToolButton>

#include <csignal>
#include <sys/resource.h>

using namespace cornix;
using namespace cornix::exam;
using namespace cornix::test;

Q_DECLARE_METATYPE(TExame)

namespace {

const QString kSaved = QStringLiteral("Exame Salvo com Sucesso!");
const QStringList kResultLabels = {"lblTotalCellsValue", "lblTotalAreaValue", "lblDensityValue", "lblSDValue",
                                   "lblMinSizeValue",    "lblAvgSizeValue",   "lblMaxSizeValue", "lblHexCellsValue",
                                   "lblCVValue",         "lblAvgPaqValue",    "lblImgsQttyUsedValue"};

QImage rgb(const QImage &image) { return image.convertToFormat(QImage::Format_RGB888); }

// What a chart view shows, as text: slices, bar values, points of every series.
QStringList chartPoints(const QChartView *view)
{
    QStringList out{view->chart()->title()};
    for (QAbstractSeries *series : view->chart()->series()) {
        if (auto *pie = qobject_cast<QPieSeries *>(series))
            for (const QPieSlice *slice : pie->slices())
                out << slice->label() + QLatin1Char('=') + QString::number(slice->value());
        if (auto *bars = qobject_cast<QBarSeries *>(series))
            for (const QBarSet *set : bars->barSets())
                for (int i = 0; i < set->count(); ++i)
                    out << QStringLiteral("bar%1=%2").arg(i).arg(set->at(i));
        if (auto *xy = qobject_cast<QXYSeries *>(series))
            for (const QPointF &p : xy->points())
                out << QStringLiteral("(%1,%2)").arg(p.x()).arg(p.y());
    }
    return out;
}

// A 16 KB file-size limit for this process: writing a frame fails as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of killing the process
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { lift(); }
    void lift()
    {
        if (!m_lifted)
            setrlimit(RLIMIT_FSIZE, &m_saved);
        m_lifted = true;
    }

private:
    rlimit m_saved{};
    bool m_lifted = false;
};

} // namespace

class TestFrmExaminationResults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void generateResults();
    void noFrameInUse();
    void invalidBirthDate();
    void memoCounters();
    void saveAndShowAgain();
    void failedSaveThenRetry_data();
    void failedSaveThenRetry();

private:
    std::int32_t addPatient(int prontuario, const QString &birth = QStringLiteral("10/05/1980"));
    bool selectPatient(std::int32_t id);
    bool toResults(std::int32_t patientID, std::int32_t doctorID, int frames = 2, bool edit = false);
    int rowsOf(std::int32_t patientID);
    QStringList imageFolders() const;
    bool gfix(const QStringList &arguments) const;
    template <typename T = QWidget> T *child(const char *name) const { return m_fx->child<T>(name); }
    QLabel *label(const char *name) const { return child<QLabel>(name); }
    QToolButton *button(const char *name) const { return child<QToolButton>(name); }
    TfrmExamination *window() const { return m_fx->window; }
    QStringList shown() const;
    QStringList labelTexts(const ExamWindowFixture &fx) const;

    QString m_path;
    ConnectedModule m_db;
    std::int32_t m_doctorID = 0;
    int m_prontuario = 7000;
    std::unique_ptr<ExamWindowFixture> m_fx;
};

void TestFrmExaminationResults::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("examination_results"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_path, Engine::Server);
    RecordingDialogs quiet;
    TMedico doctor = MakeDoctor(QStringLiteral("Ana Lúcia Reis"), QStringLiteral("F"), QStringLiteral("12345-SP"));
    QVERIFY(TBDCornyx(*m_db.module).SaveDoctor(doctor));
    m_doctorID = doctor.ID;
}

void TestFrmExaminationResults::cleanupTestCase() { m_db.module.reset(); }

void TestFrmExaminationResults::cleanup() { m_fx.reset(); }

std::int32_t TestFrmExaminationResults::addPatient(int prontuario, const QString &birth)
{
    RecordingDialogs quiet;
    TPaciente patient = MakePatient(prontuario, QStringLiteral("Maria Aparecida da Conceição"));
    patient.Nascimento = birth;
    if (!TBDCornyx(*m_db.module).SavePatient(patient))
        return 0;
    m_db.module->Commit(); // as the patient manager leaves it: stored for good
    return selectPatient(patient.ID) ? patient.ID : 0;
}

bool TestFrmExaminationResults::selectPatient(std::int32_t id)
{
    TSqlDataset &list = m_db.module->IBQPacList();
    if (!list.Active())
        list.Open();
    const int rows = list.RecordCount();
    for (int row = 1; row <= rows; ++row) {
        list.SetRecNo(row);
        if (list.FieldByName(QStringLiteral("PAC_ID")).toInt() == id)
            return true;
    }
    return false;
}

// A new examination of patientID: frames analysed, the first one the report frame,
// the results generated, a diagnosis and an observation written. With edit, the first
// frame's pachymetry span is measured by hand and one cell is added by hand on it.
bool TestFrmExaminationResults::toResults(std::int32_t patientID, std::int32_t doctorID, int frames, bool edit)
{
    m_fx = std::make_unique<ExamWindowFixture>();
    if (!m_fx->start() || !m_fx->openReady(patientID, doctorID) || !m_fx->toReview(frames))
        return false;
    for (int f = 0; f < frames; ++f) {
        ExamWindowFixture::drag(label("imgActual"), Qt::LeftButton, QPoint(200, 120), QPoint(440, 330));
        if (edit && f == 0)
            ExamWindowFixture::drag(label("imgActual"), Qt::RightButton, QPoint(150, 400), QPoint(174, 400));
        button("spbGoToNextFrame")->click();
    }
    child<QPushButton>("btnAvanc2")->click();
    QTest::mouseClick(label("img0"), Qt::LeftButton);
    if (edit) {
        const int before = m_fx->window->Session().Frames().Matrix(0)->CellCount();
        QLabel *zoomed = label("imgFrameToPlot");
        QTest::mouseClick(zoomed, Qt::LeftButton, Qt::ControlModifier, QPoint(zoomed->width() / 2, zoomed->height() / 2));
        if (m_fx->window->Session().Frames().Matrix(0)->CellCount() != before + 1)
            return false;
    }
    button("spbPrintIt")->click();
    button("spbGenerateReport")->click();
    child<QPlainTextEdit>("memDiag")->setPlainText(QStringLiteral("Endotélio de aspecto normal."));
    child<QPlainTextEdit>("memOBS")->setPlainText(QStringLiteral("Paciente colaborativa."));
    return child<QTabWidget>("pgExamination")->currentIndex() == PageResults;
}

int TestFrmExaminationResults::rowsOf(std::int32_t patientID)
{
    QSqlQuery query = m_db.module->NewQuery();
    query.prepare(QStringLiteral("select count(*) from EXAME where EXM_PACIENTE = :p"));
    query.bindValue(QStringLiteral(":p"), patientID);
    if (!query.exec() || !query.next())
        return -1;
    const int rows = query.value(0).toInt();
    query.finish();
    return rows;
}

// The examination folders under <application>/Database/DBimages and their files.
QStringList TestFrmExaminationResults::imageFolders() const
{
    const QDir images(m_db.appDir->path() + QStringLiteral("/Database/DBimages"));
    QStringList out;
    for (const QString &folder : images.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        out << folder + QLatin1Char(':') + QDir(images.filePath(folder)).entryList(QDir::Files, QDir::Name).join(',');
    for (const QString &file : images.entryList(QDir::Files))
        out << file;
    return out;
}

bool TestFrmExaminationResults::gfix(const QStringList &arguments) const
{
    QProcess process;
    process.start(QStringLiteral("gfix"), arguments + QStringList{QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                                                   QStringLiteral("-password"),
                                                                   QString::fromLatin1(TDataModule1::kPassword),
                                                                   m_db.module->DatabaseName(m_path)});
    return process.waitForFinished(60000) && process.exitCode() == 0;
}

QStringList TestFrmExaminationResults::shown() const
{
    QStringList texts;
    for (const auto &d : m_fx->dialogs.shown())
        texts << d.caption + QLatin1Char('|') + d.text;
    return texts;
}

QStringList TestFrmExaminationResults::labelTexts(const ExamWindowFixture &fx) const
{
    QStringList texts;
    for (const QString &name : kResultLabels)
        texts << fx.child<QLabel>(name.toLatin1().constData())->text();
    return texts;
}

// "Gerar relatório" ---------------------------------------------------------------------------

void TestFrmExaminationResults::generateResults()
{
    const std::int32_t patient = addPatient(++m_prontuario);
    QVERIFY(patient > 0);
    QVERIFY(toResults(patient, m_doctorID));
    QVERIFY(child<QTabWidget>("pgExamination")->isTabVisible(PageResults));
    QVERIFY(child<QPushButton>("btnAvanc3")->isEnabled());
    QVERIFY2(shown().isEmpty(), qPrintable(shown().join('\n')));
    TBFrameBuffer &frames = window()->Session().Frames();
    const TEndoStats summary = frames.Summarize();
    QCOMPARE(summary.FramesUsed, 2);
    const TResultsTexts t = ResultsOfSummary(summary);
    QCOMPARE(labelTexts(*m_fx), (QStringList{t.TotalCells, t.TotalArea, t.Density, t.SD, t.MinSize, t.AvgSize,
                                             t.MaxSize, t.HexCells, t.CV, t.AvgPaq, t.ImgsQttyUsed}));
    const TExamCharts expected =
        ChartsOfSummary(summary, AgeInYears(QStringLiteral("10/05/1980"), QString()), TChartTarget::ResultsPage);
    const QStringList density = chartPoints(child<QChartView>("chtDensXAge"));
    QVERIFY(density.contains(QStringLiteral("(%1,%2)").arg(expected.DensityAge.Patient->x()).arg(summary.Density)));
    QCOMPARE(chartPoints(child<QChartView>("chtPolimorfism")).size(), expected.Polymorphism.Slices.size() + 1);
    QCOMPARE(chartPoints(child<QChartView>("chtPolimegatism")).size(), 8);
    QCOMPARE(rgb(window()->CroppedImage()), rgb(frames.Crop(0)));
    QCOMPARE(rgb(window()->CroppedProcessedImage()), rgb(frames.ProcessedCrop(0)));
    QVERIFY(button("spb_Save_Exame")->isEnabled());
    QVERIFY(!button("spbPrintPreview")->isEnabled());
}

void TestFrmExaminationResults::noFrameInUse()
{
    m_fx = std::make_unique<ExamWindowFixture>();
    QVERIFY(m_fx->start());
    QVERIFY(m_fx->openReady());
    QVERIFY(m_fx->toReview(1));
    ExamWindowFixture::drag(label("imgActual"), Qt::LeftButton, QPoint(200, 120), QPoint(440, 330));
    child<QPushButton>("btnAvanc2")->click();
    QTest::mouseClick(label("img0"), Qt::LeftButton);
    button("spbDontUseIt")->click();
    button("spbPrintIt")->click();
    button("spbGenerateReport")->click();
    QCOMPARE(shown(), QStringList{QStringLiteral("AVISO| Não existem imagens selecionadas ")});
    QCOMPARE(child<QTabWidget>("pgExamination")->currentIndex(), int(PageImgProcess));
    QVERIFY(!child<QTabWidget>("pgExamination")->isTabVisible(PageResults));
    QVERIFY(child<QPushButton>("btnAvanc3")->isEnabled());
}

// Without a valid birth date the other results are shown, the density chart stays empty.
void TestFrmExaminationResults::invalidBirthDate()
{
    const std::int32_t patient = addPatient(++m_prontuario, QStringLiteral("01/01/%1").arg(QDate::currentDate().year()));
    QVERIFY(patient > 0);
    QVERIFY(toResults(patient, m_doctorID, 1));
    QCOMPARE(shown(), QStringList{QStringLiteral("AVISO|") + DensityChartMessage()});
    QCOMPARE(chartPoints(child<QChartView>("chtDensXAge")), QStringList{QStringLiteral("Densidade Endotelial X Idade")});
    QVERIFY(chartPoints(child<QChartView>("chtPolimegatism")).size() == 8);
    QVERIFY(label("lblTotalCellsValue")->text().toInt() > 30);
}

void TestFrmExaminationResults::memoCounters()
{
    const std::int32_t patient = addPatient(++m_prontuario);
    QVERIFY(patient > 0);
    QVERIFY(toResults(patient, m_doctorID, 1));
    auto *diag = child<QPlainTextEdit>("memDiag");
    diag->clear();
    QCOMPARE(label("lblDiagLength")->text(), QStringLiteral("245"));
    QTest::keyClicks(diag, QStringLiteral("ab"));
    QTest::keyClick(diag, Qt::Key_Return);
    QTest::keyClicks(diag, QStringLiteral("c"));
    QCOMPARE(diag->toPlainText(), QStringLiteral("ab\nc"));
    QCOMPARE(label("lblDiagLength")->text(), QStringLiteral("239"));
    auto *obs = child<QPlainTextEdit>("memOBS");
    obs->setPlainText(QString(300, QLatin1Char('x')));
    QCOMPARE(obs->toPlainText().size(), 244); // with the end of the text: 245
    QCOMPARE(label("lblOBSLength")->text(), QStringLiteral("0"));
    QCOMPARE(label("lblDiagLength")->text(), QStringLiteral("239"));
}

// Saving ----------------------------------------------------------------------------------------

// Captured, analysed, edited, saved, loaded and shown again read-only: the row, the
// three files, the results, the charts and the two crops.
void TestFrmExaminationResults::saveAndShowAgain()
{
    const std::int32_t patient = addPatient(++m_prontuario);
    QVERIFY(patient > 0);
    QVERIFY(toResults(patient, m_doctorID, 2, true));
    TBFrameBuffer &frames = window()->Session().Frames();
    const TEndoStats summary = frames.Summarize();
    const QImage original = rgb(frames.FrameBitmap(0));
    const QImage crop = rgb(frames.Crop(0));
    const QImage processed = rgb(frames.ProcessedCrop(0));
    const QStringList fresh = labelTexts(*m_fx);
    // A pachymetry of two digits: "0" before them on this page, none when shown saved.
    QVERIFY2(summary.Pachymetry >= 10 && summary.Pachymetry < 100, qPrintable(QString::number(summary.Pachymetry)));
    QCOMPARE(fresh[9], QStringLiteral("0%1").arg(summary.Pachymetry));
    const QStringList pie = chartPoints(child<QChartView>("chtPolimorfism"));
    const QStringList bars = chartPoints(child<QChartView>("chtPolimegatism"));
    const QStringList density = chartPoints(child<QChartView>("chtDensXAge"));

    button("spb_Save_Exame")->click();
    QCOMPARE(shown(), QStringList{QStringLiteral("Cornix|") + kSaved});
    const TExame saved = window()->Session().Exam();
    QVERIFY(saved.ID > 0);
    QCOMPARE(window()->Session().Count(), 0); // the session's frames are discarded
    QVERIFY(label("Lbl_ExmDate")->isVisible());
    QCOMPARE(label("Lbl_ExmDate")->text(), saved.DateText + QStringLiteral(" - ") + saved.TimeText);
    auto *pages = child<QTabWidget>("pgExamination");
    QCOMPARE(pages->currentIndex(), int(PageResults));
    for (int page = 0; page < 3; ++page)
        QVERIFY(!pages->isTabVisible(page));
    QVERIFY(!button("spb_Save_Exame")->isEnabled());
    QVERIFY(button("spbPrintPreview")->isEnabled());
    QVERIFY(button("spbOutroOlho")->isEnabled());

    // The row, read directly.
    QSqlQuery row = m_db.module->NewQuery();
    row.prepare(QStringLiteral("select EXM_MEDICO, EXM_PACIENTE, EXM_OLHO, EXM_FIX_POS, EXM_TOTALCELULAS, "
                               "EXM_DENSIDADE, EXM_HEXAGONAIS, EXM_TOTALIMG, EXM_PAQUIMETRIA, EXM_MORPHOINFO, "
                               "EXM_MEGATINFO, EXM_DIAGNOSTICO, EXM_OBSERVACAO, EXM_IMG_CROP_ORIG, EXM_IMG_CROP_PROC, "
                               "EXM_COEFVAR from EXAME where EXM_ID = :id"));
    row.bindValue(QStringLiteral(":id"), saved.ID);
    QVERIFY(row.exec() && row.next());
    QCOMPARE(row.value(0).toInt(), m_doctorID);
    QCOMPARE(row.value(1).toInt(), patient);
    QCOMPARE(row.value(2).toInt(), 0);
    QCOMPARE(row.value(3).toInt(), 0);
    QCOMPARE(row.value(4).toInt(), int(summary.CellCount));
    QCOMPARE(row.value(5).toInt(), int(summary.Density));
    QCOMPARE(row.value(6).toInt(), int(summary.SidesHist[kHexagonalBin]));
    QCOMPARE(row.value(7).toInt(), 2);
    QCOMPARE(row.value(8).toInt(), summary.Pachymetry);
    QCOMPARE(row.value(9).toString(), JoinCounts(summary.SidesHist));
    QCOMPARE(row.value(10).toString(), JoinCounts(summary.AreaHist));
    QCOMPARE(row.value(11).toString(), QStringLiteral("Endotélio de aspecto normal."));
    QCOMPARE(row.value(12).toString(), QStringLiteral("Paciente colaborativa."));
    const QString folder = m_db.appDir->path() + QStringLiteral("/Database/DBimages/%1").arg(saved.ID, 4, 10, QLatin1Char('0'));
    QCOMPARE(row.value(13).toString(), folder + QStringLiteral("/Crop.bmp"));
    QCOMPARE(row.value(14).toString(), folder + QStringLiteral("/Process.bmp"));
    QCOMPARE(row.value(15).toDouble(), std::round(summary.AreaCV * 1000) / 1000);
    row.finish();
    // The three files, pixel for pixel.
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
             (QStringList{"Crop.bmp", "Original.bmp", "Process.bmp"}));
    QCOMPARE(rgb(QImage(folder + QStringLiteral("/Original.bmp"))), original);
    QCOMPARE(rgb(QImage(folder + QStringLiteral("/Crop.bmp"))), crop);
    QCOMPARE(rgb(QImage(folder + QStringLiteral("/Process.bmp"))), processed);

    // Loaded back and shown read-only.
    TExame loaded;
    QVERIFY(TDExamination(*m_db.module).LoadExamination(saved.ID, loaded));
    QVERIFY(selectPatient(patient));
    ExamWindowFixture view;
    QVERIFY(view.start());
    view.open(saved.ID, loaded, patient, m_doctorID);
    QVERIFY(view.dialogs.shown().isEmpty());
    QCOMPARE(view.child<QTabWidget>("pgExamination")->currentIndex(), int(PageResults));
    QVERIFY(!view.child<QToolButton>("spb_Save_Exame")->isVisible());
    QVERIFY(view.child<QPlainTextEdit>("memDiag")->isReadOnly());
    QCOMPARE(view.child<QPlainTextEdit>("memDiag")->toPlainText(), QStringLiteral("Endotélio de aspecto normal."));
    QCOMPARE(view.child<QLabel>("Lbl_Eye")->text(), QStringLiteral("Olho : OD"));
    QCOMPARE(view.child<QLabel>("Lbl_Fix")->text(), QStringLiteral("Fixação : 0h"));
    // The same texts, except what the record keeps with three decimals (areas in mm²
    // and µm²) and the pachymetry, written without leading zeros when saved.
    const QStringList again = labelTexts(view);
    const auto three = [](double v) { return std::round(v * 1000) / 1000; };
    const QStringList expected = {fresh[0],
                                  FormatFloatQ("0.0000", three(summary.AnalysedArea)),
                                  fresh[2],
                                  FormatFloatQ("0.00", three(summary.AreaSD)),
                                  FormatFloatQ("0.00", three(summary.MinArea)),
                                  FormatFloatQ("0.00", three(summary.MeanArea)),
                                  FormatFloatQ("0.00", three(summary.MaxArea)),
                                  fresh[7],
                                  FormatFloatQ("00", three(summary.AreaCV) * 100),
                                  QString::number(summary.Pachymetry),
                                  fresh[10]};
    QCOMPARE(again, expected);
    for (const int same : {0, 2, 7, 10})
        QCOMPARE(again[same], fresh[same]);
    // The same chart points; the density chart's title carries the age.
    QCOMPARE(chartPoints(view.child<QChartView>("chtPolimorfism")), pie);
    QCOMPARE(chartPoints(view.child<QChartView>("chtPolimegatism")), bars);
    QStringList densityAgain = chartPoints(view.child<QChartView>("chtDensXAge"));
    QCOMPARE(densityAgain.takeFirst(), QStringLiteral("Densidade endotelial x Idade (%1 anos)").arg(loaded.Age));
    QCOMPARE(densityAgain, density.mid(1));
    // The same two crops, pixel for pixel.
    QCOMPARE(rgb(view.window->CroppedImage()), crop);
    QCOMPARE(rgb(view.window->CroppedProcessedImage()), processed);
}

void TestFrmExaminationResults::failedSaveThenRetry_data()
{
    QTest::addColumn<QString>("cause");
    QTest::newRow("doctor missing") << QStringLiteral("doctor");
    QTest::newRow("patient missing") << QStringLiteral("patient");
    QTest::newRow("database down") << QStringLiteral("database");
    QTest::newRow("disk full") << QStringLiteral("disk");
    QTest::newRow("image folder not writable") << QStringLiteral("folder");
}

// A save that fails shows why, keeps the frames and the figures, leaves no row and no
// files, and "Salvar" works once the cause is removed: one row, one folder.
void TestFrmExaminationResults::failedSaveThenRetry()
{
    QFETCH(QString, cause);
    m_db = Connect(m_path, Engine::Server); // a fresh application folder for this row
    const std::int32_t patient = addPatient(++m_prontuario);
    QVERIFY(patient > 0);
    QVERIFY(toResults(cause == "patient" ? 0 : patient, cause == "doctor" ? 0 : m_doctorID));
    window()->SetDataModule(m_db.module.get());
    const QStringList figures = labelTexts(*m_fx);
    const int frameCount = window()->Session().Count();
    const QString images = m_db.appDir->path() + QStringLiteral("/Database/DBimages");
    std::unique_ptr<FileSizeLimit> limit;
    if (cause == "database") {
        QVERIFY(gfix({QStringLiteral("-shut"), QStringLiteral("single"), QStringLiteral("-force"), QStringLiteral("0")}));
    } else if (cause == "disk") {
        limit = std::make_unique<FileSizeLimit>(16 * 1024);
    } else if (cause == "folder") {
        QFile blocker(images); // a file where the folder of the images must go
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }

    m_fx->dialogs.clear();
    button("spb_Save_Exame")->click();
    if (limit)
        limit->lift();
    const QStringList messages = shown();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith(QStringLiteral("ERRO|")), qPrintable(messages[0]));
    QVERIFY(!messages[0].contains(kSaved));
    // Nothing of the session is lost and "Salvar" can be pressed again.
    QCOMPARE(window()->Session().Count(), frameCount);
    QCOMPARE(window()->Session().Exam().ID, -1);
    QCOMPARE(labelTexts(*m_fx), figures);
    QVERIFY(button("spb_Save_Exame")->isEnabled());
    QCOMPARE(child<QTabWidget>("pgExamination")->currentIndex(), int(PageResults));
    QVERIFY(child<QTabWidget>("pgExamination")->isTabVisible(PageImgProcess));
    QVERIFY(!label("Lbl_ExmDate")->isVisible());

    // The cause removed: no row and no file were left behind, and the save succeeds.
    if (cause == "doctor")
        window()->Session().Exam().DoctorID = m_doctorID;
    else if (cause == "patient")
        window()->Session().Exam().PatientID = patient;
    else if (cause == "database") {
        // The data module connects again by itself on the next statement.
        QVERIFY(gfix({QStringLiteral("-online"), QStringLiteral("normal")}));
    } else if (cause == "folder")
        QVERIFY(QFile::remove(images));
    QCOMPARE(rowsOf(patient), 0);
    QVERIFY2(imageFolders().isEmpty(), qPrintable(imageFolders().join(' ')));

    m_fx->dialogs.clear();
    button("spb_Save_Exame")->click();
    QCOMPARE(shown(), QStringList{QStringLiteral("Cornix|") + kSaved});
    QCOMPARE(rowsOf(patient), 1);
    const std::int32_t id = window()->Session().Exam().ID;
    QCOMPARE(imageFolders(), QStringList{QStringLiteral("%1:Crop.bmp,Original.bmp,Process.bmp").arg(id, 4, 10, QLatin1Char('0'))});
    QVERIFY(!button("spb_Save_Exame")->isEnabled());
}

QTEST_MAIN(TestFrmExaminationResults)
#include "tst_frmexamination_results.moc"
