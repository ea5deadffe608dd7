// TfrmViewExmManager against the test server: the patients with examinations and the
// filters (name, record number or CPF, "Hoje", status, doctor), the refresh guard, the
// summary, active/inactive switching from the keys and the menu, and the requests for the
// examination window.
#include "FirebirdTestDatabase.h"
#include "ManagerTestSupport.h"
#include "RecordingDialogs.h"
#include "UBViewExmManager.h"
#include "UDatasetGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

using namespace cornix::test;
using cornix::DialogButton;

namespace {

enum PatientColumn { ProntuarioColumn, NameColumn, CpfColumn, AgeColumn, ExamsColumn };
enum ExamColumn { DateColumn, TimeColumn, EyeColumn, FixationColumn, SideColumn, DoctorColumn };

const std::vector<KnownDoctor> &Doctors()
{
    static const std::vector<KnownDoctor> doctors = {{"Paulo Andrade", "M", "1001-SP", true},
                                                     {"Inês Carvalho", "F", "1002-SP", true},
                                                     {"Lia Prado", "F", "1004-SP", true}};
    return doctors;
}

const QString kLongName = QStringLiteral("Maria Aparecida Fernandes de Albuquerque");

} // namespace

class TestViewExmManager : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void openingListsPatientsWithExaminations();
    void summaryOfTheExaminationRow();
    void filterSwitchShowsThePanel();
    void statusBoxes_data();
    void statusBoxes();
    void inactiveBoxHasNoEffectWithTheFilterOff();
    void todayListsOnlyTodaysExaminations();
    void recordNumberAndCpfSearch();
    void nameAndNumberClearEachOtherWithOneRefresh();
    void allExaminationsResetsThePanel();
    void doctorFilter();
    void patientWithoutExaminationNeverListed();
    void longNameAbbreviated_data();
    void longNameAbbreviated();
    void statusKeys_data();
    void statusKeys();
    void keysThatDoNotFitTheStatusDoNothing_data();
    void keysThatDoNotFitTheStatusDoNothing();
    void popupMenuSwitchesWithoutAsking();
    void rowColoursFollowThePatientsStatus();
    void gridKeysMoveTheFocus();
    void viewExaminationRequests_data();
    void viewExaminationRequests();
    void examinationTitlesSort();
    void menuPrincipalCloses();

private:
    std::unique_ptr<TfrmViewExmManager> openWindow();
    template <class T> T *child(const QString &name) const;
    QTableView *patients() const { return child<QTableView>(QStringLiteral("Dbg_MVExm_PatientList")); }
    QTableView *examinations() const { return child<QTableView>(QStringLiteral("Dbg_MVExm_ExameList")); }
    QString text(const QString &label) const { return child<QLabel>(label)->text(); }
    QStringList listedNames() const { return ColumnTexts(patients(), NameColumn); }
    void switchFilterOn();
    void clickPatient(const QString &name);
    int statusOf(int prontuario);
    int doctorID(const char *crm);

    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
    std::unique_ptr<TfrmViewExmManager> m_window;
    int m_todaysExam = 0;
};

void TestViewExmManager::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_ui_viewexmmanager"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_path, Engine::Server);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
    TBDCornyx(*m_db.module).UpgradeSchema();
}

// Ana Souza: two examinations (one today); Bruno Lima: one; Carla Dias (inactive): one
// today; Eduarda Silva: one; the long name: one; the others none.
void TestViewExmManager::init()
{
    TDataModule1 &module = *m_db.module;
    QVERIFY(ResetPatients(module));
    QVERIFY(ResetDoctors(module, Doctors()));
    TBDCornyx db(module);
    TPaciente longName = MakePatient(130, kLongName, QString());
    QVERIFY(db.SavePatient(longName));
    const int paulo = doctorID("1001-SP"), ines = doctorID("1002-SP"), lia = doctorID("1004-SP");
    AddExamination(module, paulo, PatientID(module, 101), QDate(2024, 3, 10), 0, QStringLiteral("Guttata"));
    m_todaysExam = AddExamination(module, ines, PatientID(module, 101), QDate::currentDate(), 1);
    AddExamination(module, ines, PatientID(module, 102), QDate(2024, 4, 1), 0);
    AddExamination(module, paulo, PatientID(module, 103), QDate::currentDate(), 0);
    AddExamination(module, lia, PatientID(module, 120), QDate(2023, 11, 20), 1);
    AddExamination(module, paulo, PatientID(module, 130), QDate(2024, 1, 15), 0);
    module.Commit();
    m_dialogs->clear();
    m_window = openWindow();
}

void TestViewExmManager::cleanup() { m_window.reset(); }

void TestViewExmManager::cleanupTestCase() { m_db.module.reset(); }

std::unique_ptr<TfrmViewExmManager> TestViewExmManager::openWindow()
{
    return OpenShown<TfrmViewExmManager>(*m_db.module, "examination viewer");
}

template <class T> T *TestViewExmManager::child(const QString &name) const { return Control<T>(*m_window, name); }

void TestViewExmManager::switchFilterOn()
{
    QTest::mouseClick(child<QLabel>(QStringLiteral("lbl_Exm_Filtro")), Qt::LeftButton);
    QCOMPARE(text(QStringLiteral("lbl_Exm_Filtro")), QStringLiteral("Pacientes [Filtro=ON]"));
}

void TestViewExmManager::clickPatient(const QString &name)
{
    const int row = RowWithText(patients(), NameColumn, name);
    QVERIFY2(row >= 0, qPrintable(name));
    ClickCell(patients(), row, NameColumn);
}

int TestViewExmManager::statusOf(int prontuario)
{
    return CountRows(*m_db.module,
                     QStringLiteral("select PAC_STATUS from PACIENTE where PAC_PRONTUARIO=%1").arg(prontuario));
}

int TestViewExmManager::doctorID(const char *crm)
{
    QSqlQuery &query = m_db.module->Execute(QStringLiteral("select MED_ID from MEDICO where MED_CRM=:crm"),
                                            {{QStringLiteral(":crm"), QString::fromLatin1(crm)}});
    const int id = query.next() ? query.value(0).toInt() : 0;
    query.finish();
    return id;
}

// ---------------------------------------------------------------------------------------

void TestViewExmManager::openingListsPatientsWithExaminations()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Gerenciador de Exames"));
    QCOMPARE(m_window->objectName(), QStringLiteral("frmViewExmManager"));
    QCOMPARE(text(QStringLiteral("Label7")), QStringLiteral("Visualização de exames"));
    QCOMPARE(text(QStringLiteral("lbl_Exm_Filtro")), QStringLiteral("Pacientes [Filtro=OFF]"));
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_Exm_Filtro"))->toolTip(), QStringLiteral("Filtrar Lista de Paciente"));
    QVERIFY(!child<QFrame>(QStringLiteral("Pnl_MVExm_1"))->isVisible());
    QVERIFY(m_window->Guard());
    auto *combo = child<QComboBox>(QStringLiteral("Cbb_MVExm_Doctor"));
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->itemText(0), QStringLiteral("Todos..."));
    QCOMPARE(combo->itemText(1), QStringLiteral("Dr. Paulo Andrade"));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_CRM")), QString());
    // Active patients with at least one examination, by name.
    QCOMPARE(listedNames(), QStringList({QStringLiteral("Ana Souza"), QStringLiteral("Bruno Lima"),
                                         QStringLiteral("Eduarda Silva"), kLongName}));
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_PatientTotal")), QStringLiteral("4 Paciente(s) "));
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_PatName")), QStringLiteral("Ana Souza"));
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_ExameList")), QStringLiteral("2 Exames"));
    QCOMPARE(examinations()->model()->headerData(DoctorColumn, Qt::Horizontal).toString(), QStringLiteral("Médico"));
    QCOMPARE(ColumnTexts(examinations(), DateColumn),
             QStringList({QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")), QStringLiteral("10/03/2024")}));
    QCOMPARE(ColumnTexts(examinations(), TimeColumn), QStringList({QStringLiteral("10:30:00"), QStringLiteral("10:30:00")}));
    QCOMPARE(ColumnTexts(examinations(), EyeColumn), QStringList({QStringLiteral("OS"), QStringLiteral("OD")}));
    QCOMPARE(ColumnTexts(examinations(), DoctorColumn),
             QStringList({QStringLiteral("Dra. Inês Carvalho"), QStringLiteral("Dr. Paulo Andrade")}));
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_Abstract")), QStringLiteral("Resumo do Exame"));
    QVERIFY(child<QPlainTextEdit>(QStringLiteral("Mem_MVExm_Resume"))->isReadOnly());
    QCOMPARE(child<QToolButton>(QStringLiteral("SpeedButton1"))->toolTip(),
             QStringLiteral("Sair da tela de gerenciador de exames"));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestViewExmManager::summaryOfTheExaminationRow()
{
    const QString memo = child<QPlainTextEdit>(QStringLiteral("Mem_MVExm_Resume"))->toPlainText();
    QCOMPARE(memo.split(QLatin1Char('\n')),
             QStringList({QStringLiteral("Exame   : %1").arg(m_todaysExam), QStringLiteral("Medico  : Dra. Inês Carvalho"),
                          QStringLiteral("Paciente: Ana Souza"), QStringLiteral("Olho    : OS"),
                          QStringLiteral("Data    : ") + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")),
                          QStringLiteral("Diagnost: Endotélio normal"), QStringLiteral("Observ. : Retorno em um ano")}));
    ClickCell(examinations(), 1, DateColumn);
    const QStringList second =
        child<QPlainTextEdit>(QStringLiteral("Mem_MVExm_Resume"))->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(second.at(1), QStringLiteral("Medico  : Dr. Paulo Andrade"));
    QCOMPARE(second.at(4), QStringLiteral("Data    : 10/03/2024"));
    QCOMPARE(second.at(5), QStringLiteral("Diagnost: Guttata"));
}

void TestViewExmManager::filterSwitchShowsThePanel()
{
    switchFilterOn();
    auto *panel = child<QFrame>(QStringLiteral("Pnl_MVExm_1"));
    QVERIFY(panel->isVisible());
    QVERIFY(child<QRadioButton>(QStringLiteral("Rdb_MVExm_Sempre"))->isChecked());
    QVERIFY(child<QCheckBox>(QStringLiteral("Chk_MVExm_Ativo"))->isChecked());
    QVERIFY(!child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo"))->isChecked());
    QCOMPARE(child<QPushButton>(QStringLiteral("Btn_MVExm_Select"))->text(), QStringLiteral("Prontuário"));
    QTest::mouseClick(child<QLabel>(QStringLiteral("lbl_Exm_Filtro")), Qt::LeftButton);
    QCOMPARE(text(QStringLiteral("lbl_Exm_Filtro")), QStringLiteral("Pacientes [Filtro=OFF]"));
    QVERIFY(!panel->isVisible());
}

void TestViewExmManager::statusBoxes_data()
{
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("inactive");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("counter");
    QTest::newRow("active") << true << false
                            << QStringList({QStringLiteral("Ana Souza"), QStringLiteral("Bruno Lima"),
                                            QStringLiteral("Eduarda Silva"), kLongName})
                            << "4 Paciente(s) ";
    QTest::newRow("inactive") << false << true << QStringList({QStringLiteral("Carla Dias")}) << "1 Paciente(s) ";
    QTest::newRow("both") << true << true
                          << QStringList({QStringLiteral("Ana Souza"), QStringLiteral("Bruno Lima"),
                                          QStringLiteral("Carla Dias"), QStringLiteral("Eduarda Silva"), kLongName})
                          << "5 Paciente(s) ";
    QTest::newRow("neither: no patient") << false << false << QStringList() << "Nenhum Paciente ";
}

void TestViewExmManager::statusBoxes()
{
    QFETCH(bool, active);
    QFETCH(bool, inactive);
    QFETCH(QStringList, names);
    QFETCH(QString, counter);
    switchFilterOn();
    auto *activeBox = child<QCheckBox>(QStringLiteral("Chk_MVExm_Ativo"));
    auto *inactiveBox = child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo"));
    if (inactive != inactiveBox->isChecked())
        QTest::mouseClick(inactiveBox, Qt::LeftButton);
    if (active != activeBox->isChecked())
        QTest::mouseClick(activeBox, Qt::LeftButton);
    QCOMPARE(listedNames(), names);
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_PatientTotal")), counter);
    if (names.isEmpty()) {
        QCOMPARE(text(QStringLiteral("Lbl_MVExm_ExameList")), QStringLiteral("Nenhum Exame"));
        QVERIFY(child<QPlainTextEdit>(QStringLiteral("Mem_MVExm_Resume"))->toPlainText().isEmpty());
    }
}

void TestViewExmManager::inactiveBoxHasNoEffectWithTheFilterOff()
{
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo")), Qt::LeftButton);
    QCOMPARE(listedNames().size(), 5);
    QTest::mouseClick(child<QLabel>(QStringLiteral("lbl_Exm_Filtro")), Qt::LeftButton);
    // The box stays ticked; the list is of the active patients again.
    QVERIFY(child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo"))->isChecked());
    QCOMPARE(listedNames().size(), 4);
    QVERIFY(!listedNames().contains(QStringLiteral("Carla Dias")));
}

void TestViewExmManager::todayListsOnlyTodaysExaminations()
{
    auto *today = child<QRadioButton>(QStringLiteral("Rdb_MVExm_Hoje"));
    // With the filter off the date mode is not applied.
    switchFilterOn();
    QTest::mouseClick(today, Qt::LeftButton);
    QCOMPARE(listedNames(), QStringList({QStringLiteral("Ana Souza")}));
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_PatientTotal")), QStringLiteral("1 Paciente(s) "));
    // The examinations of the patient are all listed, not only today's.
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_ExameList")), QStringLiteral("2 Exames"));
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo")), Qt::LeftButton);
    QCOMPARE(listedNames(), QStringList({QStringLiteral("Ana Souza"), QStringLiteral("Carla Dias")}));
    QTest::mouseClick(child<QRadioButton>(QStringLiteral("Rdb_MVExm_Sempre")), Qt::LeftButton);
    QCOMPARE(listedNames().size(), 5);
}

void TestViewExmManager::recordNumberAndCpfSearch()
{
    switchFilterOn();
    auto *number = child<QLineEdit>(QStringLiteral("Edt_MVExm_Handbook"));
    auto *key = child<QPushButton>(QStringLiteral("Btn_MVExm_Select"));
    TypeText(number, QStringLiteral("102"));
    QCOMPARE(listedNames(), QStringList({QStringLiteral("Bruno Lima")}));
    TypeText(number, QStringLiteral("x")); // "102x" is no number: no record-number filter
    QCOMPARE(listedNames().size(), 4);
    QTest::mouseClick(key, Qt::LeftButton);
    QCOMPARE(key->text(), QStringLiteral("CPF"));
    QVERIFY(number->text().isEmpty());
    QVERIFY(number->hasFocus());
    TypeText(number, QStringLiteral("111.444"));
    QCOMPARE(listedNames(), QStringList({QStringLiteral("Bruno Lima")}));
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(listedNames(), QStringList({QStringLiteral("Bruno Lima")}));
    QTest::mouseClick(key, Qt::LeftButton);
    QCOMPARE(key->text(), QStringLiteral("Prontuário"));
    QCOMPARE(listedNames().size(), 4);
}

void TestViewExmManager::nameAndNumberClearEachOtherWithOneRefresh()
{
    switchFilterOn();
    auto *name = child<QLineEdit>(QStringLiteral("Edt_MVExm_Patient"));
    auto *number = child<QLineEdit>(QStringLiteral("Edt_MVExm_Handbook"));
    QSignalSpy resets(&m_db.module->IBQPacList(), &QAbstractItemModel::modelReset);
    QTest::mouseClick(child<QRadioButton>(QStringLiteral("Rdb_MVExm_Sempre")), Qt::LeftButton);
    const int oneRefresh = int(resets.count());
    QVERIFY(oneRefresh > 0);

    TypeText(number, QStringLiteral("10"));
    resets.clear();
    QTest::keyClick(name, 'a');
    QCOMPARE(number->text(), QString());
    QCOMPARE(int(resets.count()), oneRefresh);
    QCOMPARE(listedNames().size(), 4);

    resets.clear();
    QTest::keyClick(number, '1');
    QCOMPARE(name->text(), QString());
    QCOMPARE(int(resets.count()), oneRefresh);
}

void TestViewExmManager::allExaminationsResetsThePanel()
{
    switchFilterOn();
    TypeText(child<QLineEdit>(QStringLiteral("Edt_MVExm_Patient")), QStringLiteral("ana"));
    QTest::mouseClick(child<QRadioButton>(QStringLiteral("Rdb_MVExm_Hoje")), Qt::LeftButton);
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_MVExm_Ativo")), Qt::LeftButton);
    QVERIFY(listedNames().isEmpty());
    QSignalSpy resets(&m_db.module->IBQPacList(), &QAbstractItemModel::modelReset);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("Btn_MVExm_AllPatients")), Qt::LeftButton);
    QVERIFY(child<QLineEdit>(QStringLiteral("Edt_MVExm_Patient"))->text().isEmpty());
    QVERIFY(child<QLineEdit>(QStringLiteral("Edt_MVExm_Handbook"))->text().isEmpty());
    QVERIFY(child<QCheckBox>(QStringLiteral("Chk_MVExm_Ativo"))->isChecked());
    QVERIFY(child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo"))->isChecked());
    QVERIFY(child<QRadioButton>(QStringLiteral("Rdb_MVExm_Sempre"))->isChecked());
    QCOMPARE(listedNames(), QStringList({QStringLiteral("Ana Souza"), QStringLiteral("Bruno Lima"),
                                         QStringLiteral("Carla Dias"), QStringLiteral("Eduarda Silva"), kLongName}));
    const int afterReset = int(resets.count());
    resets.clear();
    QTest::mouseClick(child<QRadioButton>(QStringLiteral("Rdb_MVExm_Sempre")), Qt::LeftButton);
    QCOMPARE(afterReset, int(resets.count())); // the fields cleared caused no refresh of their own
}

void TestViewExmManager::doctorFilter()
{
    auto *combo = child<QComboBox>(QStringLiteral("Cbb_MVExm_Doctor"));
    combo->setCurrentIndex(1); // Dr. Paulo Andrade
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_CRM")), QStringLiteral("CRM : 1001-SP"));
    QCOMPARE(listedNames(), QStringList({QStringLiteral("Ana Souza"), kLongName}));
    // Only that doctor's examinations of the patient.
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_ExameList")), QStringLiteral("1 Exame"));
    QCOMPARE(ColumnTexts(examinations(), DoctorColumn), QStringList({QStringLiteral("Dr. Paulo Andrade")}));
    combo->setCurrentIndex(3); // Dra. Lia Prado
    QCOMPARE(listedNames(), QStringList({QStringLiteral("Eduarda Silva")}));
    combo->setCurrentIndex(0);
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_CRM")), QString());
    QCOMPARE(listedNames().size(), 4);
}

void TestViewExmManager::patientWithoutExaminationNeverListed()
{
    switchFilterOn();
    QTest::mouseClick(child<QPushButton>(QStringLiteral("Btn_MVExm_AllPatients")), Qt::LeftButton);
    for (const QString &name : {QStringLiteral("Daniel Rocha"), QStringLiteral("Fábio Nunes"),
                                QStringLiteral("Maria da Silva"), QStringLiteral("Mário Silveira")})
        QVERIFY2(!listedNames().contains(name), qPrintable(name));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_MVExm_Patient")), QStringLiteral("Daniel"));
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_PatientTotal")), QStringLiteral("Nenhum Paciente "));
}

void TestViewExmManager::longNameAbbreviated_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("35 characters") << "Maria Aparecida da Conceição Souzaa" << "Maria Aparecida da Conceição Souzaa";
    QTest::newRow("36 characters") << "Maria Aparecida da Conceição Souzaaa" << "Maria A. da C. Souzaaa";
    QTest::newRow("40 characters") << kLongName << "Maria A. F. de Albuquerque";
}

void TestViewExmManager::longNameAbbreviated()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);
    if (name != kLongName) {
        TPaciente p = MakePatient(140, name, QString());
        QVERIFY(TBDCornyx(*m_db.module).SavePatient(p));
        AddExamination(*m_db.module, doctorID("1002-SP"), p.ID, QDate(2024, 2, 2));
        m_db.module->Commit();
        m_window->RefreshPatients({}, false);
    }
    clickPatient(name);
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_PatName")), shown);
    QCOMPARE(text(QStringLiteral("Lbl_MVExm_ExameList")), QStringLiteral("1 Exame"));
}

void TestViewExmManager::statusKeys_data()
{
    QTest::addColumn<QString>("patient");
    QTest::addColumn<int>("prontuario");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    QTest::addColumn<int>("status");
    const QString inactivate = QStringLiteral("Deseja Tornar Este Paciente Inativo?");
    const QString activate = QStringLiteral("Deseja Tornar Este Paciente Ativo?");
    QTest::newRow("Delete on an active patient, Yes") << "Bruno Lima" << 102 << int(Qt::Key_Delete) << true
                                                      << inactivate << 0;
    QTest::newRow("Delete on an active patient, No") << "Bruno Lima" << 102 << int(Qt::Key_Delete) << false
                                                     << inactivate << 1;
    QTest::newRow("Insert on an inactive patient, Yes") << "Carla Dias" << 103 << int(Qt::Key_Insert) << true
                                                        << activate << 1;
    QTest::newRow("Insert on an inactive patient, No") << "Carla Dias" << 103 << int(Qt::Key_Insert) << false
                                                       << activate << 0;
}

void TestViewExmManager::statusKeys()
{
    QFETCH(QString, patient);
    QFETCH(int, prontuario);
    QFETCH(int, key);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    QFETCH(int, status);
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo")), Qt::LeftButton);
    clickPatient(patient);
    const int row = m_db.module->IBQPacList().RecNo();
    QSignalSpy resets(&m_db.module->IBQPacList(), &QAbstractItemModel::modelReset);
    m_dialogs->clear();
    m_dialogs->script({yes ? DialogButton::Yes : DialogButton::No});
    QTest::keyClick(patients(), Qt::Key(key));
    QCOMPARE(m_dialogs->texts(), QStringList({question}));
    QCOMPARE(m_dialogs->last().caption, QStringLiteral("Confirmação"));
    QCOMPARE(m_dialogs->last().buttons, cornix::DialogButtons(DialogButton::Yes | DialogButton::No));
    QCOMPARE(statusOf(prontuario), status);
    // Whatever the answer the list is refreshed, on the same row.
    QVERIFY(resets.count() > 0);
    QCOMPARE(m_db.module->IBQPacList().RecNo(), row);
    QCOMPARE(listedNames().at(row - 1), patient);
    QCOMPARE(patients()->model()->index(row - 1, 0).data(TDatasetColumns::StatusRole).toInt(), status);
}

void TestViewExmManager::keysThatDoNotFitTheStatusDoNothing_data()
{
    QTest::addColumn<QString>("patient");
    QTest::addColumn<int>("key");
    QTest::newRow("Insert on an active patient") << "Bruno Lima" << int(Qt::Key_Insert);
    QTest::newRow("Delete on an inactive patient") << "Carla Dias" << int(Qt::Key_Delete);
}

void TestViewExmManager::keysThatDoNotFitTheStatusDoNothing()
{
    QFETCH(QString, patient);
    QFETCH(int, key);
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo")), Qt::LeftButton);
    clickPatient(patient);
    QSignalSpy resets(&m_db.module->IBQPacList(), &QAbstractItemModel::modelReset);
    m_dialogs->clear();
    QTest::keyClick(patients(), Qt::Key(key));
    QVERIFY(m_dialogs->shown().isEmpty());
    QCOMPARE(resets.count(), 0);
}

void TestViewExmManager::popupMenuSwitchesWithoutAsking()
{
    auto *activate = m_window->findChild<QAction *>(QStringLiteral("Men_Pop_Pac_Ativo"));
    auto *inactivate = m_window->findChild<QAction *>(QStringLiteral("Men_Pop_Pac_Inativo"));
    QVERIFY(activate && inactivate);
    QCOMPARE(activate->text(), QStringLiteral("Tornar Ativo"));
    QCOMPARE(inactivate->text(), QStringLiteral("Tornar Inativo"));
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo")), Qt::LeftButton);
    clickPatient(QStringLiteral("Bruno Lima"));
    QVERIFY(inactivate->isEnabled());
    QVERIFY(!activate->isEnabled());
    inactivate->trigger();
    QVERIFY(m_dialogs->shown().isEmpty());
    QCOMPARE(statusOf(102), 0);
    // Back on the same row, now inactive: the menu follows.
    QCOMPARE(m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_NOME")).toString(), QStringLiteral("Bruno Lima"));
    QVERIFY(activate->isEnabled());
    QVERIFY(!inactivate->isEnabled());
    activate->trigger();
    QCOMPARE(statusOf(102), 1);
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestViewExmManager::rowColoursFollowThePatientsStatus()
{
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_MVExm_Inativo")), Qt::LeftButton);
    const int carla = RowWithText(patients(), NameColumn, QStringLiteral("Carla Dias"));
    QCOMPARE(patients()->model()->index(carla, 0).data(TDatasetColumns::StatusRole).toInt(), 0);
    clickPatient(QStringLiteral("Carla Dias"));
    // Every examination row takes the patient's status.
    QCOMPARE(examinations()->model()->rowCount(), 1);
    QCOMPARE(examinations()->model()->index(0, DoctorColumn).data(TDatasetColumns::StatusRole).toInt(), 0);
    clickPatient(QStringLiteral("Ana Souza"));
    QCOMPARE(examinations()->model()->index(1, DoctorColumn).data(TDatasetColumns::StatusRole).toInt(), 1);
    // What the rows are painted with.
    QCOMPARE(TStatusRowDelegate::Background(false, false), QColor(0xFF, 0xD0, 0xD0));
    QCOMPARE(TStatusRowDelegate::Background(false, true), QColor(0xFF, 0x00, 0x00));
    QCOMPARE(TStatusRowDelegate::Background(true, true), QColor(0x00, 0x00, 0xFF));
}

void TestViewExmManager::gridKeysMoveTheFocus()
{
    patients()->setFocus();
    QTest::keyClick(patients(), Qt::Key_Return);
    QVERIFY(examinations()->hasFocus());
    QTest::keyClick(examinations(), Qt::Key_Escape);
    QVERIFY(patients()->hasFocus());
}

void TestViewExmManager::viewExaminationRequests_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Visualizar Exame") << "button";
    QTest::newRow("double click") << "double click";
    QTest::newRow("Enter released") << "Enter";
    QTest::newRow("menu Visualizar") << "menu";
}

void TestViewExmManager::viewExaminationRequests()
{
    QFETCH(QString, way);
    clickPatient(QStringLiteral("Bruno Lima"));
    QSignalSpy requested(m_window.get(), &TfrmViewExmManager::viewExaminationRequested);
    if (way == QLatin1String("button")) {
        QTest::mouseClick(child<QPushButton>(QStringLiteral("Btn_MVExm_Visualizar")), Qt::LeftButton);
    } else if (way == QLatin1String("double click")) {
        DoubleClickCell(examinations(), 0, 1);
    } else if (way == QLatin1String("Enter")) {
        QTest::keyClick(examinations(), Qt::Key_Return);
    } else {
        m_window->findChild<QAction *>(QStringLiteral("Mem_Pop_Exm_View"))->trigger();
    }
    QCOMPARE(requested.count(), 1);
    const TExame exam = requested.first().at(0).value<TExame>();
    QCOMPARE(exam.PatientID, PatientID(*m_db.module, 102));
    QCOMPARE(exam.DoctorName, QStringLiteral("Dra. Inês Carvalho"));
    QCOMPARE(exam.Density, 2530);
    QCOMPARE(exam.DateText, QStringLiteral("01/04/2024"));
    QCOMPARE(requested.first().at(1).toInt(), exam.ID);
    QCOMPARE(requested.first().at(2).toInt(), PatientID(*m_db.module, 102));
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestViewExmManager::examinationTitlesSort()
{
    auto *titles = examinations()->horizontalHeader();
    auto clickTitle = [titles](int section) {
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                          QPoint(titles->sectionViewportPosition(section) + 5, titles->height() / 2));
    };
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    clickTitle(EyeColumn); // the sort order flips from its start, ascending, to descending
    QCOMPARE(ColumnTexts(examinations(), EyeColumn), QStringList({QStringLiteral("OS"), QStringLiteral("OD")}));
    clickTitle(EyeColumn);
    QCOMPARE(ColumnTexts(examinations(), EyeColumn), QStringList({QStringLiteral("OD"), QStringLiteral("OS")}));
    QCOMPARE(ColumnTexts(examinations(), DateColumn).last(), today);
}

void TestViewExmManager::menuPrincipalCloses()
{
    auto *exit = child<QToolButton>(QStringLiteral("SpeedButton1"));
    QCOMPARE(exit->text(), QStringLiteral("Menu principal"));
    QTest::mouseClick(exit, Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(TestViewExmManager)
#include "tst_viewexmmanager.moc"
