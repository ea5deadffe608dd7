// The examination windows as the main window wires them, on the test server with the
// instrument simulator: the examination manager and the examination viewer from the menu
// and the buttons, a new examination with the maintenance panel's flips, the patient list
// refreshed when it closes, the manager kept while it runs, a saved examination opened
// read-only (one examination window at a time), the hand-over between the patient
// manager and the examination manager, and the program closed with everything open.
#include "ExaminationFlowSupport.h"

#include "UBViewExmManager.h"
#include "UfrmExame.h"
#include "UfrmExaminationManager.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

using cornix::test::Engine;

namespace {

const QString kManager = QStringLiteral("frmExaminationManager");
const QString kViewer = QStringLiteral("frmViewExmManager");
const QString kExamination = QStringLiteral("frmExamination");
const QString kPatientManager = QStringLiteral("frmPatientManager");
constexpr int kNameColumn = 1;

} // namespace

class TestExaminationWiring : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void managersFromMenuAndButtons_data();
    void managersFromMenuAndButtons();
    void newExaminationWithTheMainWindowsFlips();
    void managerStaysWhileTheExaminationRuns();
    void savedExaminationOpensReadOnly_data();
    void savedExaminationOpensReadOnly();
    void patientManagerAndExaminationManagerHandOver();
    void closingTheProgramWithAnExaminationOpen();

private:
    TfrmExamination *startNewExamination();

    std::unique_ptr<ExaminationProgram> m_program;
    std::int32_t m_doctorID = 0;
    std::int32_t m_patientID = 0;
};

void TestExaminationWiring::init()
{
    m_program = std::make_unique<ExaminationProgram>();
    QVERIFY(m_program->start(QStringLiteral("app_examinationwiring"), Engine::Server));
    m_doctorID = m_program->addDoctor(QStringLiteral("Inês Carvalho"), QStringLiteral("F"), QStringLiteral("1002-SP"));
    m_patientID = m_program->addPatient(4101, QStringLiteral("Joana Prado"));
    QVERIFY(m_doctorID > 0 && m_patientID > 0);
}

void TestExaminationWiring::cleanup() { m_program.reset(); }

// "Novo Exame" in the manager for the one doctor and the one patient.
TfrmExamination *TestExaminationWiring::startNewExamination()
{
    m_program->command("SpeedButton3");
    if (!m_program->window(kManager))
        return nullptr;
    QTest::mouseClick(m_program->control<QToolButton>(kManager, "spb_doc_StartExamination"), Qt::LeftButton);
    auto *examination = m_program->window<TfrmExamination>(kExamination);
    if (examination && !QTest::qWaitFor([examination] { return examination->Serial() != nullptr; }, 10000))
        return nullptr;
    return examination;
}

void TestExaminationWiring::managersFromMenuAndButtons_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("window");
    QTest::newRow("Novo Exame, menu") << "CutItem" << kManager;
    QTest::newRow("Novo Exame, button") << "SpeedButton3" << kManager;
    QTest::newRow("Rever Exame, menu") << "CopyItem" << kViewer;
    QTest::newRow("Rever Exame, button") << "SpeedButton4" << kViewer;
}

// A maximised, frameless child that locks the menu until it has gone.
void TestExaminationWiring::managersFromMenuAndButtons()
{
    QFETCH(QString, command);
    QFETCH(QString, window);
    m_program->command(command.toLatin1().constData());
    QPointer<QWidget> opened = m_program->window(window);
    QVERIFY(opened);
    QCOMPARE(m_program->windowCount(), 1);
    auto *frame = qobject_cast<QMdiSubWindow *>(opened->parentWidget());
    QVERIFY(frame && frame->isMaximized());
    QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(opened->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(m_program->main->MenuLocked());
    // It lists the records of the program's database.
    auto *grid = opened->findChild<QTableView *>(window == kManager ? QStringLiteral("dbgPatients")
                                                                     : QStringLiteral("Dbg_MVExm_PatientList"));
    QCOMPARE(grid->model()->rowCount(), window == kManager ? 1 : 0); // the viewer: patients with examinations
    opened->close();
    QTRY_VERIFY(!opened);
    QTRY_VERIFY(!m_program->main->MenuLocked());
    QVERIFY(m_program->dialogs.shown().isEmpty());
}

void TestExaminationWiring::newExaminationWithTheMainWindowsFlips()
{
    // The maintenance panel: main camera flipped horizontally, the auxiliary one not at all.
    m_program->main->findChild<QCheckBox *>(QStringLiteral("Chk_PrinFlip_Horizontal"))->setChecked(true);
    m_program->main->findChild<QCheckBox *>(QStringLiteral("Chk_AuxFlip_Vert"))->setChecked(false);
    TfrmExamination *examination = startNewExamination();
    QVERIFY(examination);
    const auto &creation = examination->Session().Creation();
    QVERIFY(creation.mainFlipHorizontal);
    QVERIFY(!creation.auxFlipVertical);
    QVERIFY(!creation.auxFlipHorizontal);
    QCOMPARE(creation.viewedExamID, 0);
    QCOMPARE(creation.patientID, m_patientID);
    QCOMPARE(creation.doctorID, m_doctorID);
    QCOMPARE(creation.doctorCRM, QStringLiteral("1002-SP"));
    QCOMPARE(creation.doctorName, QStringLiteral("Dra. Inês Carvalho"));
    auto *frame = qobject_cast<QMdiSubWindow *>(examination->parentWidget());
    QVERIFY(frame && frame->isMaximized());
    QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(m_program->main->MdiArea()->activeSubWindow(), frame);
    QVERIFY(m_program->dialogs.shown().isEmpty());
}

// Closing the manager while the examination runs is refused; the examination's close
// re-lists the manager's patients, which may then close.
void TestExaminationWiring::managerStaysWhileTheExaminationRuns()
{
    QPointer<TfrmExamination> examination = startNewExamination();
    QVERIFY(examination);
    QPointer<QWidget> manager = m_program->window(kManager);
    QVERIFY(manager);
    QVERIFY(!manager->close());
    QCOMPARE(m_program->dialogs.texts(),
             QStringList{QStringLiteral("Não é possível fechar esta tela com a tela de exame em execução")});
    QVERIFY(manager);
    // It steps aside: the examination window stays in front.
    QCOMPARE(m_program->main->MdiArea()->activeSubWindow(), examination->parentWidget());
    QVERIFY(!m_program->main->MenuLocked()); // the manager's close unlocked it all the same

    QSignalSpy relisted(&m_program->module->IBQPacList(), &QAbstractItemModel::modelReset);
    examination->close();
    QTRY_VERIFY(!examination);
    QVERIFY(relisted.count() > 0);
    QCOMPARE(m_program->control<QLabel>(kManager, "lbl_exm_listpat")->text(), QStringLiteral("1 Paciente"));
    QVERIFY(manager->close());
    QTRY_VERIFY(!manager);
    QVERIFY(m_program->main->isVisible());
}

void TestExaminationWiring::savedExaminationOpensReadOnly_data()
{
    QTest::addColumn<QString>("from");
    QTest::newRow("examination manager") << kManager;
    QTest::newRow("examination viewer") << kViewer;
}

// "Visualizar Exame": the saved record read-only, every flip on; a second examination
// window is refused while one is open.
void TestExaminationWiring::savedExaminationOpensReadOnly()
{
    QFETCH(QString, from);
    TExame saved = cornix::test::MakeExam(m_doctorID, m_patientID);
    TBFrameBuffer frames;
    cornix::test::FillFrames(frames);
    QVERIFY(TBDCornyx(*m_program->module).SaveExamination(saved, frames));
    m_program->module->Commit();
    m_program->dialogs.clear();

    m_program->command(from == kManager ? "SpeedButton3" : "SpeedButton4");
    const bool manager = from == kManager;
    auto *examinations = m_program->control<QTableView>(from, manager ? "dbgExaminations" : "Dbg_MVExm_ExameList");
    QVERIFY(examinations);
    QCOMPARE(examinations->model()->rowCount(), 1);
    ClickGridCell(examinations, 0, 1);
    const char *view = manager ? "Btn_Exm_View" : "Btn_MVExm_Visualizar";
    QTest::mouseClick(m_program->control<QPushButton>(from, view), Qt::LeftButton);
    QPointer<TfrmExamination> examination = m_program->window<TfrmExamination>(kExamination);
    QVERIFY(examination);
    QVERIFY(examination->Session().Viewing());
    const auto &creation = examination->Session().Creation();
    QCOMPARE(creation.viewedExamID, saved.ID);
    QCOMPARE(creation.patientID, m_patientID);
    QVERIFY(creation.mainFlipHorizontal && creation.auxFlipVertical && creation.auxFlipHorizontal);
    QCOMPARE(examination->Session().Exam().Density, saved.Density);
    QVERIFY(!examination->Serial()); // reading needs no instrument
    QVERIFY(m_program->dialogs.shown().isEmpty());

    // Back to the list (the viewer keeps its place): a second one is refused.
    qobject_cast<QMdiSubWindow *>(m_program->window(from)->parentWidget())->showMaximized();
    m_program->main->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(m_program->window(from)->parentWidget()));
    QTest::mouseClick(m_program->control<QPushButton>(from, view), Qt::LeftButton);
    QCOMPARE(m_program->dialogs.texts(), QStringList{QStringLiteral("Fechar tela de Exame que está ativa")});
    int open = 0;
    for (QMdiSubWindow *frame : m_program->main->MdiArea()->subWindowList())
        open += frame->widget() && frame->widget()->objectName() == kExamination;
    QCOMPARE(open, 1);
    examination->close();
    QTRY_VERIFY(!examination);
}

// "Cadastro de pacientes" in the examination manager opens the patient manager in its
// place; that one's "Novo Exame" opens the examination manager again. The menu stays
// locked throughout and is unlocked when the last one closes.
void TestExaminationWiring::patientManagerAndExaminationManagerHandOver()
{
    m_program->command("CutItem");
    QPointer<QWidget> manager = m_program->window(kManager);
    QVERIFY(manager);
    QTest::mouseClick(m_program->control<QToolButton>(kManager, "SpeedButton1"), Qt::LeftButton);
    QTRY_VERIFY(!manager);
    QTRY_VERIFY(m_program->window(kPatientManager));
    QCOMPARE(m_program->windowCount(), 1);
    QVERIFY(m_program->main->MenuLocked());

    QPointer<QWidget> patients = m_program->window(kPatientManager);
    QTest::mouseClick(m_program->control<QToolButton>(kPatientManager, "SpeedButton2"), Qt::LeftButton);
    QTRY_VERIFY(!patients);
    QTRY_VERIFY(m_program->window(kManager));
    QCOMPARE(m_program->windowCount(), 1);
    QVERIFY(m_program->main->MenuLocked());
    manager = m_program->window(kManager);
    QTest::mouseClick(m_program->control<QToolButton>(kManager, "SpbSair"), Qt::LeftButton);
    QTRY_VERIFY(!manager);
    QTRY_VERIFY(!m_program->main->MenuLocked());
    QVERIFY(m_program->dialogs.shown().isEmpty());
}

// The examination window closes before the manager, which then closes too: the
// program ends at once, and the instrument is told to stop.
void TestExaminationWiring::closingTheProgramWithAnExaminationOpen()
{
    QPointer<TfrmExamination> examination = startNewExamination();
    QVERIFY(examination);
    QPointer<QWidget> manager = m_program->window(kManager);
    QVERIFY(m_program->main->close());
    QTRY_VERIFY(!examination);
    QTRY_VERIFY(!manager);
    QVERIFY(!m_program->main->isVisible());
    QVERIFY(m_program->dialogs.shown().isEmpty());
}

QTEST_MAIN(TestExaminationWiring)
#include "tst_examinationwiring.moc"
