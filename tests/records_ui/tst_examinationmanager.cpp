// TfrmExaminationManager against the test server: the doctors, the patients and their
// examinations with their counters, the refusals of "Novo Exame", the requests for the
// examination window, closing while an examination window is open.
#include "FirebirdTestDatabase.h"
#include "ManagerTestSupport.h"
#include "RecordingDialogs.h"
#include "UDExamination.h"
#include "UDatasetGrid.h"
#include "UfrmExaminationManager.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

using namespace cornix::test;

namespace {

enum PatientColumn { ProntuarioColumn, NameColumn, CpfColumn, AgeColumn, ExamsColumn };

const std::vector<KnownDoctor> &Doctors()
{
    static const std::vector<KnownDoctor> doctors = {{"Paulo Andrade", "M", "1001-SP", true},
                                                     {"Inês Carvalho", "F", "1002-SP", true},
                                                     {"Rui Barros", "M", "1003-SP", false},
                                                     {"Lia Prado", "F", "1004-SP", true}};
    return doctors;
}

const QString kLongName = QStringLiteral("Maria Aparecida Fernandes de Albuquerque");

} // namespace

class TestExaminationManager : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void openingListsDoctorsPatientsAndExaminations();
    void patientCounter_data();
    void patientCounter();
    void examinationCounter_data();
    void examinationCounter();
    void viewButtonIsEnabledOnlyByClickingAnExamination();
    void patientName_data();
    void patientName();
    void doctorComboChoosesTheDoctor();
    void newExaminationRefusals_data();
    void newExaminationRefusals();
    void newExaminationRequestsTheWindow_data();
    void newExaminationRequestsTheWindow();
    void viewExaminationLoadsTheSavedRecord_data();
    void viewExaminationLoadsTheSavedRecord();
    void everyActiveDoctorIsOffered();
    void filterNarrowsAndKeepsTheRowNumber();
    void columnTitleSortsAndFlips();
    void refreshAfterASaveComesBackToThePatient();
    void examinationRowsTakeThePatientsColours();
    void closing_data();
    void closing();
    void patientManagerButton();

private:
    std::unique_ptr<TfrmExaminationManager> openWindow();
    template <class T> T *child(const QString &name) const;
    QTableView *patients() const { return child<QTableView>(QStringLiteral("dbgPatients")); }
    QTableView *examinations() const { return child<QTableView>(QStringLiteral("dbgExaminations")); }
    QString text(const QString &label) const { return child<QLabel>(label)->text(); }
    void clickPatient(const QString &name);
    int doctorID(const char *crm);

    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
    std::unique_ptr<TfrmExaminationManager> m_window;
};

void TestExaminationManager::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_ui_examinationmanager"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_path, Engine::Server);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
    TBDCornyx(*m_db.module).UpgradeSchema(); // patients without CPF
}

void TestExaminationManager::init()
{
    TDataModule1 &module = *m_db.module;
    QVERIFY(ResetPatients(module));
    QVERIFY(ResetDoctors(module, Doctors()));
    TBDCornyx db(module);
    TPaciente longName = MakePatient(130, kLongName, QString());
    QVERIFY(db.SavePatient(longName));
    const int paulo = doctorID("1001-SP");
    AddExamination(module, paulo, PatientID(module, 101), QDate(2024, 3, 10), 0);
    AddExamination(module, paulo, PatientID(module, 101), QDate(2024, 5, 2), 1);
    AddExamination(module, doctorID("1002-SP"), PatientID(module, 102), QDate(2024, 4, 1), 0);
    module.Commit();
    m_dialogs->clear();
    m_window = openWindow();
}

void TestExaminationManager::cleanup() { m_window.reset(); }

void TestExaminationManager::cleanupTestCase() { m_db.module.reset(); }

std::unique_ptr<TfrmExaminationManager> TestExaminationManager::openWindow()
{
    return OpenShown<TfrmExaminationManager>(*m_db.module, "examination manager");
}

template <class T> T *TestExaminationManager::child(const QString &name) const { return Control<T>(*m_window, name); }

void TestExaminationManager::clickPatient(const QString &name)
{
    const int row = RowWithText(patients(), NameColumn, name);
    QVERIFY2(row >= 0, qPrintable(name));
    ClickCell(patients(), row, NameColumn);
}

int TestExaminationManager::doctorID(const char *crm)
{
    QSqlQuery &query = m_db.module->Execute(QStringLiteral("select MED_ID from MEDICO where MED_CRM=:crm"),
                                            {{QStringLiteral(":crm"), QString::fromLatin1(crm)}});
    const int id = query.next() ? query.value(0).toInt() : 0;
    query.finish();
    return id;
}

// ---------------------------------------------------------------------------------------

void TestExaminationManager::openingListsDoctorsPatientsAndExaminations()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Controle de Exames"));
    QCOMPARE(m_window->objectName(), QStringLiteral("frmExaminationManager"));
    auto *combo = child<QComboBox>(QStringLiteral("Cbb_Exm_SelDoc"));
    // The active doctors in the order they were registered; the inactive one is left out.
    QStringList offered;
    for (int i = 0; i < combo->count(); ++i)
        offered << combo->itemText(i);
    QCOMPARE(offered, QStringList({QStringLiteral("Dr. Paulo Andrade"), QStringLiteral("Dra. Inês Carvalho"),
                                   QStringLiteral("Dra. Lia Prado")}));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(m_window->SelectedDoctorID(), doctorID("1001-SP"));
    QCOMPARE(text(QStringLiteral("Lbl_CRM")), QStringLiteral("CRM : 1001-SP"));
    QCOMPARE(text(QStringLiteral("lblDoctorName")), QStringLiteral("Médico: "));

    // Active patients only, by name; the first is chosen.
    QCOMPARE(ColumnTexts(patients(), NameColumn),
             QStringList({QStringLiteral("Ana Souza"), QStringLiteral("Bruno Lima"), QStringLiteral("Daniel Rocha"),
                          QStringLiteral("Eduarda Silva"), QStringLiteral("Fábio Nunes"), kLongName,
                          QStringLiteral("Maria da Silva")}));
    QCOMPARE(patients()->model()->headerData(ExamsColumn, Qt::Horizontal).toString(), QStringLiteral("Exame(s)"));
    QCOMPARE(ColumnTexts(patients(), ExamsColumn).first(), QStringLiteral("2"));
    QCOMPARE(text(QStringLiteral("lbl_exm_listpat")), QStringLiteral("7 Pacientes"));
    QCOMPARE(m_window->SelectedPatientID(), PatientID(*m_db.module, 101));
    QCOMPARE(text(QStringLiteral("Lbl_PAC_Nome")), QStringLiteral("Ana Souza"));
    QCOMPARE(child<QPlainTextEdit>(QStringLiteral("Mem_Pac_Obs"))->toPlainText(),
             QStringLiteral("Observação\nsegunda linha"));
    QVERIFY(child<QPlainTextEdit>(QStringLiteral("Mem_Pac_Obs"))->isReadOnly());
    // The examinations, newest first, the ID in the first column.
    QCOMPARE(text(QStringLiteral("lbl_ExmListExm")), QStringLiteral("2 Exames"));
    QCOMPARE(examinations()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Exame"));
    QCOMPARE(ColumnTexts(examinations(), 1), QStringList({QStringLiteral("02/05/2024"), QStringLiteral("10/03/2024")}));
    QVERIFY(!child<QPushButton>(QStringLiteral("Btn_Exm_View"))->isEnabled());
    QCOMPARE(child<QToolButton>(QStringLiteral("SpbSair"))->toolTip(), QStringLiteral("Sair da tela "));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestExaminationManager::patientCounter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<int>("rows");
    QTest::newRow("no patient: singular") << "zzz" << "0 Paciente" << 0;
    QTest::newRow("one patient") << "Bruno" << "1 Paciente" << 1;
    QTest::newRow("two, the inactive one left out") << "silv" << "2 Pacientes" << 2;
    QTest::newRow("two words in any order") << "silva maria" << "1 Paciente" << 1;
}

void TestExaminationManager::patientCounter()
{
    QFETCH(QString, filter);
    QFETCH(QString, counter);
    QFETCH(int, rows);
    TypeText(child<QLineEdit>(QStringLiteral("Edt_ExmPatFilter")), filter);
    QCOMPARE(text(QStringLiteral("lbl_exm_listpat")), counter);
    QCOMPARE(patients()->model()->rowCount(), rows);
    if (rows == 0) {
        QCOMPARE(m_window->SelectedPatientID(), 0);
        QCOMPARE(text(QStringLiteral("lbl_ExmListExm")), QStringLiteral("Nenhum Exame"));
    }
}

void TestExaminationManager::examinationCounter_data()
{
    QTest::addColumn<QString>("patient");
    QTest::addColumn<QString>("counter");
    QTest::newRow("none") << "Daniel Rocha" << "Nenhum Exame";
    QTest::newRow("one") << "Bruno Lima" << "1 Exame";
    QTest::newRow("two") << "Ana Souza" << "2 Exames";
}

void TestExaminationManager::examinationCounter()
{
    QFETCH(QString, patient);
    QFETCH(QString, counter);
    clickPatient(QStringLiteral("Eduarda Silva"));
    clickPatient(patient);
    QCOMPARE(text(QStringLiteral("lbl_ExmListExm")), counter);
    QCOMPARE(examinations()->model()->rowCount(), counter == QLatin1String("Nenhum Exame") ? 0 : counter.left(1).toInt());
    QCOMPARE(text(QStringLiteral("Lbl_PAC_Nome")), patient);
}

void TestExaminationManager::viewButtonIsEnabledOnlyByClickingAnExamination()
{
    auto *view = child<QPushButton>(QStringLiteral("Btn_Exm_View"));
    QVERIFY(!view->isEnabled()); // examinations listed, none clicked
    ClickCell(examinations(), 1, 1);
    QVERIFY(view->isEnabled());
    clickPatient(QStringLiteral("Daniel Rocha")); // no examination
    QVERIFY(!view->isEnabled());
    clickPatient(QStringLiteral("Bruno Lima")); // listing examinations enables nothing
    QVERIFY(!view->isEnabled());
    ClickCell(examinations(), 0, 0);
    QVERIFY(view->isEnabled());
}

void TestExaminationManager::patientName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("35 characters as they are")
        << "Maria Aparecida da Conceição Souzaa" << "Maria Aparecida da Conceição Souzaa";
    QTest::newRow("36 characters abbreviated") << "Maria Aparecida da Conceição Souzaaa" << "Maria A. da C. Souzaaa";
    QTest::newRow("40 characters abbreviated") << kLongName << "Maria A. F. de Albuquerque";
}

void TestExaminationManager::patientName()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);
    if (name != kLongName) {
        TBDCornyx db(*m_db.module);
        TPaciente p = MakePatient(140, name, QString());
        QVERIFY(db.SavePatient(p));
        m_window->RefreshPatients();
    }
    clickPatient(name);
    QCOMPARE(text(QStringLiteral("Lbl_PAC_Nome")), shown);
}

void TestExaminationManager::doctorComboChoosesTheDoctor()
{
    auto *combo = child<QComboBox>(QStringLiteral("Cbb_Exm_SelDoc"));
    clickPatient(QStringLiteral("Bruno Lima"));
    combo->setCurrentIndex(2);
    QCOMPARE(m_window->SelectedDoctorID(), doctorID("1004-SP"));
    QCOMPARE(text(QStringLiteral("Lbl_CRM")), QStringLiteral("CRM : 1004-SP"));
    // The patient list is listed again, back on the same row.
    QCOMPARE(m_window->SelectedPatientID(), PatientID(*m_db.module, 102));
    QCOMPARE(text(QStringLiteral("lbl_exm_listpat")), QStringLiteral("7 Pacientes"));
}

void TestExaminationManager::newExaminationRefusals_data()
{
    QTest::addColumn<bool>("doctors");
    QTest::addColumn<bool>("patients");
    QTest::addColumn<bool>("examinationOpen");
    QTest::addColumn<QString>("message");
    QTest::newRow("no doctor") << false << true << false << "Selecione um Médico Responsável";
    QTest::newRow("no patient") << true << false << false << "Selecione um Paciente";
    QTest::newRow("neither: the doctor first") << false << false << false << "Selecione um Médico Responsável";
    QTest::newRow("examination window open") << true << true << true << "A tela de novo exame já está ativa";
    QTest::newRow("examination window before anything")
        << false << false << true << "A tela de novo exame já está ativa";
}

void TestExaminationManager::newExaminationRefusals()
{
    QFETCH(bool, doctors);
    QFETCH(bool, patients);
    QFETCH(bool, examinationOpen);
    QFETCH(QString, message);
    if (!doctors) {
        m_window.reset();
        m_db.module->Execute(QStringLiteral("update MEDICO set MED_STATUS=0"));
        m_db.module->Commit();
        m_window = openWindow();
        QCOMPARE(child<QComboBox>(QStringLiteral("Cbb_Exm_SelDoc"))->count(), 0);
        QCOMPARE(text(QStringLiteral("Lbl_CRM")), QStringLiteral("CRM : "));
        QCOMPARE(m_window->SelectedDoctorID(), 0);
    }
    if (!patients)
        TypeText(child<QLineEdit>(QStringLiteral("Edt_ExmPatFilter")), QStringLiteral("zzz"));
    QWidget examination;
    examination.setObjectName(QStringLiteral("frmExamination"));
    if (examinationOpen)
        examination.show();
    QSignalSpy requested(m_window.get(), &TfrmExaminationManager::examinationRequested);
    QSignalSpy locked(m_window.get(), &TfrmExaminationManager::lockMenuRequested);
    m_dialogs->clear();
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_doc_StartExamination")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList({message}));
    QCOMPARE(m_dialogs->last().caption, QStringLiteral("Cornix"));
    QCOMPARE(requested.count(), 0);
    QCOMPARE(locked.count(), 1);
}

void TestExaminationManager::newExaminationRequestsTheWindow_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Novo Exame") << "button";
    QTest::newRow("double click on the patient") << "double click";
    QTest::newRow("Enter released in the patient list") << "Enter";
}

void TestExaminationManager::newExaminationRequestsTheWindow()
{
    QFETCH(QString, way);
    child<QComboBox>(QStringLiteral("Cbb_Exm_SelDoc"))->setCurrentIndex(1);
    clickPatient(QStringLiteral("Daniel Rocha"));
    QSignalSpy requested(m_window.get(), &TfrmExaminationManager::examinationRequested);
    QSignalSpy locked(m_window.get(), &TfrmExaminationManager::lockMenuRequested);
    if (way == QLatin1String("button")) {
        QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_doc_StartExamination")), Qt::LeftButton);
    } else if (way == QLatin1String("double click")) {
        const int row = RowWithText(patients(), NameColumn, QStringLiteral("Daniel Rocha"));
        DoubleClickCell(patients(), row, NameColumn);
    } else {
        patients()->setFocus();
        QTest::keyClick(patients(), Qt::Key_Return);
    }
    QCOMPARE(requested.count(), 1);
    const QList<QVariant> request = requested.first();
    QCOMPARE(request.at(0).toInt(), PatientID(*m_db.module, 112));
    QCOMPARE(request.at(1).toString(), QStringLiteral("1002-SP"));
    QCOMPARE(request.at(2).toString(), QStringLiteral("Dra. Inês Carvalho"));
    QCOMPARE(request.at(3).toInt(), doctorID("1002-SP"));
    QCOMPARE(locked.count(), 1);
    QVERIFY(m_dialogs->shown().isEmpty());
    // The examination window shows the patient list's current row.
    QCOMPARE(m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_NOME")).toString(),
             QStringLiteral("Daniel Rocha"));
}

void TestExaminationManager::viewExaminationLoadsTheSavedRecord_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Visualizar Exame") << "button";
    QTest::newRow("double click on the examination") << "double click";
    QTest::newRow("Enter in the examination list") << "Enter";
}

void TestExaminationManager::viewExaminationLoadsTheSavedRecord()
{
    QFETCH(QString, way);
    // Eduarda's examination, saved as the examination window saves one.
    const int patient = PatientID(*m_db.module, 120);
    TExame saved = MakeExam(doctorID("1004-SP"), patient);
    TBFrameBuffer frames;
    FillFrames(frames);
    QVERIFY(TBDCornyx(*m_db.module).SaveExamination(saved, frames));
    m_db.module->Commit();
    m_window->RefreshPatients();
    m_dialogs->clear();
    clickPatient(QStringLiteral("Eduarda Silva"));
    QCOMPARE(text(QStringLiteral("lbl_ExmListExm")), QStringLiteral("1 Exame"));

    QSignalSpy requested(m_window.get(), &TfrmExaminationManager::viewExaminationRequested);
    QSignalSpy locked(m_window.get(), &TfrmExaminationManager::lockMenuRequested);
    ClickCell(examinations(), 0, 2);
    if (way == QLatin1String("button")) {
        QTest::mouseClick(child<QPushButton>(QStringLiteral("Btn_Exm_View")), Qt::LeftButton);
    } else if (way == QLatin1String("double click")) {
        DoubleClickCell(examinations(), 0, 2);
    } else {
        QTest::keyClick(examinations(), Qt::Key_Return);
    }
    QCOMPARE(requested.count(), 1);
    const TExame exam = requested.first().at(0).value<TExame>();
    QCOMPARE(requested.first().at(1).toInt(), saved.ID);
    QCOMPARE(requested.first().at(2).toInt(), patient);
    TExame expected;
    QVERIFY(TDExamination(*m_db.module).LoadExamination(saved.ID, expected));
    QCOMPARE(exam.ID, saved.ID);
    QCOMPARE(exam.DoctorName, QStringLiteral("Dra. Lia Prado"));
    QCOMPARE(exam.DoctorCRM, QStringLiteral("1004-SP"));
    QCOMPARE(exam.Density, saved.Density);
    QCOMPARE(exam.AreaMean, saved.AreaMean);
    QCOMPARE(exam.Diagnosis, saved.Diagnosis);
    QCOMPARE(exam.CropOrigPath, expected.CropOrigPath);
    QCOMPARE(exam.Age, expected.Age);
    QCOMPARE(locked.count(), 1);
    QVERIFY(m_dialogs->shown().isEmpty());
}

// The old table held 101 doctors; a clinic with more has every one of them offered.
void TestExaminationManager::everyActiveDoctorIsOffered()
{
    m_window.reset();
    TBDCornyx db(*m_db.module);
    for (int i = 0; i < 150; ++i) {
        TMedico d = MakeDoctor(QStringLiteral("Médico %1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("M"),
                               QStringLiteral("9%1-RJ").arg(i, 3, 10, QLatin1Char('0')));
        QVERIFY(db.SaveDoctor(d));
    }
    m_db.module->Commit();
    m_window = openWindow();
    auto *combo = child<QComboBox>(QStringLiteral("Cbb_Exm_SelDoc"));
    QCOMPARE(combo->count(), 153);
    QCOMPARE(m_window->Doctors().Count(), 153);
    for (const int line : {101, 102, 152}) {
        combo->setCurrentIndex(line);
        const QString crm = QStringLiteral("9%1-RJ").arg(line - 3, 3, 10, QLatin1Char('0'));
        QCOMPARE(combo->currentText(), QStringLiteral("Dr. Médico %1").arg(line - 3, 3, 10, QLatin1Char('0')));
        QCOMPARE(text(QStringLiteral("Lbl_CRM")), QStringLiteral("CRM : ") + crm);
        QCOMPARE(m_window->SelectedDoctorID(), doctorID(qPrintable(crm)));
    }
    QSignalSpy requested(m_window.get(), &TfrmExaminationManager::examinationRequested);
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_doc_StartExamination")), Qt::LeftButton);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.first().at(1).toString(), QStringLiteral("9149-RJ"));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestExaminationManager::filterNarrowsAndKeepsTheRowNumber()
{
    clickPatient(QStringLiteral("Daniel Rocha")); // row 3
    auto *filter = child<QLineEdit>(QStringLiteral("Edt_ExmPatFilter"));
    QTest::keyClick(filter, 'a');
    QCOMPARE(patients()->model()->rowCount(), 6); // not Fábio Nunes: "á" is not "a"
    QCOMPARE(m_db.module->IBQPacList().RecNo(), 3);
    QTest::keyClick(filter, 'n');
    // Ana Souza, Daniel Rocha, Maria Aparecida Fernandes de Albuquerque
    QCOMPARE(ColumnTexts(patients(), NameColumn),
             QStringList({QStringLiteral("Ana Souza"), QStringLiteral("Daniel Rocha"), kLongName}));
    QCOMPARE(m_db.module->IBQPacList().RecNo(), 3);
    QCOMPARE(patients()->currentIndex().row(), 2);
    QCOMPARE(text(QStringLiteral("lbl_exm_listpat")), QStringLiteral("3 Pacientes"));
    QCOMPARE(m_window->SelectedPatientID(), PatientID(*m_db.module, 130));
    QTest::keyClick(filter, 'a');
    QCOMPARE(text(QStringLiteral("lbl_exm_listpat")), QStringLiteral("1 Paciente"));
    QCOMPARE(m_db.module->IBQPacList().RecNo(), 1);
}

void TestExaminationManager::columnTitleSortsAndFlips()
{
    auto *titles = patients()->horizontalHeader();
    auto clickTitle = [titles](int section) {
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                          QPoint(titles->sectionViewportPosition(section) + 5, titles->height() / 2));
    };
    clickTitle(ProntuarioColumn);
    QCOMPARE(ColumnTexts(patients(), ProntuarioColumn).first(), QStringLiteral("130"));
    QCOMPARE(m_db.module->IBQPacList().RecNo(), 1);
    clickTitle(ProntuarioColumn);
    QCOMPARE(ColumnTexts(patients(), ProntuarioColumn).first(), QStringLiteral("12"));
    QCOMPARE(text(QStringLiteral("Lbl_PAC_Nome")), QStringLiteral("Fábio Nunes"));
}

// A save in the examination window commits, which closes the shared lists; the window's
// close re-lists them, back on the patient examined.
void TestExaminationManager::refreshAfterASaveComesBackToThePatient()
{
    clickPatient(QStringLiteral("Bruno Lima"));
    AddExamination(*m_db.module, doctorID("1001-SP"), PatientID(*m_db.module, 102), QDate::currentDate(), 1);
    m_db.module->RefreshList(QStringLiteral("examination"));
    QVERIFY(!m_db.module->IBQPacList().Active());
    m_window->RefreshPatients();
    QCOMPARE(m_window->SelectedPatientID(), PatientID(*m_db.module, 102));
    QCOMPARE(text(QStringLiteral("lbl_ExmListExm")), QStringLiteral("2 Exames"));
    QCOMPARE(ColumnTexts(patients(), ExamsColumn).at(1), QStringLiteral("2"));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestExaminationManager::examinationRowsTakeThePatientsColours()
{
    const QModelIndex exam = examinations()->model()->index(0, 0);
    QCOMPARE(exam.data(TDatasetColumns::StatusRole).toInt(), 1);
    QCOMPARE(TStatusRowDelegate::Background(true, false), QColor(0xD0, 0xD0, 0xFF));
}

void TestExaminationManager::closing_data()
{
    QTest::addColumn<bool>("examinationOpen");
    QTest::newRow("nothing else open") << false;
    QTest::newRow("an examination window open") << true;
}

void TestExaminationManager::closing()
{
    QFETCH(bool, examinationOpen);
    QWidget examination;
    examination.setObjectName(QStringLiteral("frmExamination"));
    if (examinationOpen)
        examination.show();
    QSignalSpy unlocked(m_window.get(), &TfrmExaminationManager::unlockMenuRequested);
    QTest::mouseClick(child<QToolButton>(QStringLiteral("SpbSair")), Qt::LeftButton);
    QCOMPARE(unlocked.count(), 1);
    if (examinationOpen) {
        QCOMPARE(m_dialogs->texts(),
                 QStringList({QStringLiteral("Não é possível fechar esta tela com a tela de exame em execução")}));
        QVERIFY(m_window->isVisible());
        QTRY_VERIFY(m_window->isMinimized());
        // Once the examination window has closed, the manager closes.
        examination.close();
        QVERIFY(m_window->close());
    } else {
        QVERIFY(m_dialogs->shown().isEmpty());
        QVERIFY(!m_window->isVisible());
    }
}

void TestExaminationManager::patientManagerButton()
{
    QSignalSpy requested(m_window.get(), &TfrmExaminationManager::patientManagerRequested);
    auto *button = child<QToolButton>(QStringLiteral("SpeedButton1"));
    QCOMPARE(button->text(), QStringLiteral("Cadastro de pacientes"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(requested.count(), 1);
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(TestExaminationManager)
#include "tst_examinationmanager.moc"
