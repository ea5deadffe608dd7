// TfrmDoctorManager against the test server: the list of active doctors, the grid's
// keys, new and updated doctors with their titles, deactivation and the restore of all.
#include "FirebirdTestDatabase.h"
#include "ManagerTestSupport.h"
#include "RecordingDialogs.h"
#include "UfrmDoctorManager.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlRecord>
#include <QTableView>
#include <QToolButton>

using namespace cornix::test;

namespace {

enum Column { IdColumn, NameColumn, CrmColumn, SpecialityColumn };

const std::vector<KnownDoctor> kDoctors = {{"Dr. Carlos Menezes", "M", "1001-SP", true},
                                           {"Dra. Ana Prado", "F", "1002-SP", true},
                                           {"Dr. Bruno Farias", "M", "1003-SP", true},
                                           {"Dra. Elisa Rangel", "F", "1004-SP", false},
                                           {"Dra. Débora Lins", "F", "1005-SP", true}};

} // namespace

class TestDoctorManager : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void listsTheActiveDoctorsByName();
    void counter_data();
    void counter();
    void hiddenFiltersAreOutOfReach();
    void clickingARowLoadsIt();
    void keysInTheGrid();
    void newDoctorGetsTheTitleAndIsSelectedLast();
    void nameWithoutTitleNorSexIsRefused();
    void duplicateCrmIsRefused();
    void textTheDatabaseCannotHoldIsRefused();
    void updatedDoctorStaysSelected();
    void deleteDeactivatesTheSelectedRowAndMovesUp();
    void deactivateButtonUsesTheLoadedDoctor();
    void restoreMakesEveryInactiveDoctorActive();
    void cancelInsertionEndsTheEntry();
    void memoLineCounterAndClear();

private:
    std::unique_ptr<TfrmDoctorManager> openWindow();
    template <class T> T *child(const QString &name) const;
    QString currentName() const;
    int status(const QString &name);

    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
    std::unique_ptr<TfrmDoctorManager> m_window;
};

void TestDoctorManager::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_ui_doctormanager"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_path, Engine::Server);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
}

void TestDoctorManager::init()
{
    QVERIFY(ResetDoctors(*m_db.module, kDoctors));
    m_dialogs->clear();
    m_window = openWindow();
}

void TestDoctorManager::cleanup() { m_window.reset(); }

void TestDoctorManager::cleanupTestCase() { m_db.module.reset(); }

std::unique_ptr<TfrmDoctorManager> TestDoctorManager::openWindow()
{
    return OpenShown<TfrmDoctorManager>(*m_db.module, "doctor manager");
}

template <class T> T *TestDoctorManager::child(const QString &name) const { return Control<T>(*m_window, name); }

QString TestDoctorManager::currentName() const
{
    return m_db.module->IBQMedList().FieldByName(QStringLiteral("MED_NOME")).toString();
}

int TestDoctorManager::status(const QString &name)
{
    QSqlQuery &query = m_db.module->Execute(QStringLiteral("select MED_STATUS from MEDICO where MED_NOME=:n"),
                                            {{QStringLiteral(":n"), name}});
    const int value = query.next() ? query.value(0).toInt() : -1;
    query.finish();
    return value;
}

// Tests ---------------------------------------------------------------------------------

void TestDoctorManager::listsTheActiveDoctorsByName()
{
    auto *grid = child<QTableView>(QStringLiteral("Dbg_Doc_Manager"));
    QCOMPARE(ColumnTexts(grid, NameColumn),
             QStringList({"Dr. Bruno Farias", "Dr. Carlos Menezes", "Dra. Ana Prado", "Dra. Débora Lins"}));
    QCOMPARE(ColumnTexts(grid, CrmColumn), QStringList({"1003-SP", "1001-SP", "1002-SP", "1005-SP"}));
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_Doc_Info_List"))->text(), QStringLiteral("4 Medicos Listados"));
    const QAbstractItemModel *model = grid->model();
    QCOMPARE(model->headerData(IdColumn, Qt::Horizontal).toString(), QStringLiteral("ID"));
    QCOMPARE(model->headerData(NameColumn, Qt::Horizontal).toString(), QStringLiteral("Nome"));
    QCOMPARE(model->headerData(CrmColumn, Qt::Horizontal).toString(), QStringLiteral("CRM"));
    QCOMPARE(model->headerData(SpecialityColumn, Qt::Horizontal).toString(), QStringLiteral("Especialidade"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Médico"));
    QVERIFY(!child<QGroupBox>(QStringLiteral("GPb_Doc_Registro"))->isEnabled());
    QVERIFY(!child<QGroupBox>(QStringLiteral("GPb_Doc_Contato"))->isEnabled());
    QVERIFY(!child<QToolButton>(QStringLiteral("btn_doc_MemoClear"))->isEnabled());
    for (const char *hidden : {"Spb_BDSave", "Spb_BDErase", "Spb_BDRestore", "Spb_BDCancel"})
        QVERIFY2(!child<QToolButton>(QString::fromLatin1(hidden))->isVisible(), hidden);
}

void TestDoctorManager::counter_data()
{
    QTest::addColumn<int>("active");
    QTest::addColumn<QString>("counter");
    QTest::newRow("none") << 0 << "0 Medico Listado";
    QTest::newRow("one") << 1 << "1 Medico Listado";
    QTest::newRow("two") << 2 << "2 Medicos Listados";
}

void TestDoctorManager::counter()
{
    QFETCH(int, active);
    QFETCH(QString, counter);
    m_window.reset();
    std::vector<KnownDoctor> doctors(kDoctors.begin(), kDoctors.begin() + active);
    doctors.push_back({"Dra. Inativa Souza", "F", "9999-SP", false});
    QVERIFY(ResetDoctors(*m_db.module, doctors));
    m_window = openWindow();
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_Doc_Info_List"))->text(), counter);
    QCOMPARE(child<QTableView>(QStringLiteral("Dbg_Doc_Manager"))->model()->rowCount(), active);
}

void TestDoctorManager::hiddenFiltersAreOutOfReach()
{
    QVERIFY(!child<QFrame>(QStringLiteral("Pnl_Doc_Filtros"))->isVisible());
    auto *status = child<QComboBox>(QStringLiteral("Cbb_Doc_Status"));
    QCOMPARE(status->currentText(), QStringLiteral("Médicos Ativos"));
    QCOMPARE(status->itemText(0), QStringLiteral("Medicos Excluídos"));
    // Their values still feed the list: the inactive ones with the first item.
    status->setCurrentIndex(0);
    m_window->AtualizarListadeMedicos({});
    QCOMPARE(ColumnTexts(child<QTableView>(QStringLiteral("Dbg_Doc_Manager")), NameColumn),
             QStringList{"Dra. Elisa Rangel"});
}

void TestDoctorManager::clickingARowLoadsIt()
{
    auto *grid = child<QTableView>(QStringLiteral("Dbg_Doc_Manager"));
    ClickCell(grid, 2, NameColumn);
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_Doc_Name"))->text(), QStringLiteral("Dra. Ana Prado"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_Doc_CRM"))->text(), QStringLiteral("1002-SP"));
    QCOMPARE(child<QComboBox>(QStringLiteral("Cbb_Doc_Sex"))->currentText(), QStringLiteral("F"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Mke_Doc_Nasc"))->text(), QStringLiteral("01/02/1970"));
    QCOMPARE(m_window->CurrentDoctor().ID, m_db.module->IBQMedList().FieldByName(QStringLiteral("MED_ID")).toInt());
    QVERIFY(child<QGroupBox>(QStringLiteral("GPb_Doc_Registro"))->isEnabled());
    QVERIFY(child<QToolButton>(QStringLiteral("btn_doc_MemoClear"))->isEnabled());
    for (const char *shown : {"Spb_BDSave", "Spb_BDErase", "Spb_BDRestore"})
        QVERIFY2(child<QToolButton>(QString::fromLatin1(shown))->isVisible(), shown);
}

void TestDoctorManager::keysInTheGrid()
{
    auto *grid = child<QTableView>(QStringLiteral("Dbg_Doc_Manager"));
    auto *name = child<QLineEdit>(QStringLiteral("Edt_Doc_Name"));
    ClickCell(grid, 0, NameColumn);
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(name->text(), QStringLiteral("Dr. Carlos Menezes"));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(name->text(), QStringLiteral("Dra. Ana Prado"));
    QTest::keyClick(grid, Qt::Key_Up);
    QCOMPARE(name->text(), QStringLiteral("Dr. Carlos Menezes"));
    QTest::keyClick(grid, Qt::Key_Return);
    QVERIFY(name->hasFocus());
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestDoctorManager::newDoctorGetsTheTitleAndIsSelectedLast()
{
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDNew")), Qt::LeftButton);
    QVERIFY(!child<QTableView>(QStringLiteral("Dbg_Doc_Manager"))->isEnabled());
    QCOMPARE(m_window->CurrentDoctor().ID, -1);
    auto *name = child<QLineEdit>(QStringLiteral("Edt_Doc_Name"));
    QCOMPARE(name->text(), QString());
    QVERIFY(name->hasFocus());
    TypeText(name, QStringLiteral("joão silva"));
    child<QComboBox>(QStringLiteral("Cbb_Doc_Sex"))->setCurrentText(QStringLiteral("M"));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_Doc_CRM")), QStringLiteral("  2020-SP "));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_Doc_Especialidade")), QStringLiteral("córnea"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDSave")), Qt::LeftButton);

    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Novo Registro Cadastrado Com Sucesso!")});
    QCOMPARE(name->text(), QStringLiteral("Dr. João Silva"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_Doc_Especialidade"))->text(), QStringLiteral("Córnea"));
    auto *grid = child<QTableView>(QStringLiteral("Dbg_Doc_Manager"));
    const QStringList ids = ColumnTexts(grid, IdColumn);
    QList<int> numbers;
    for (const QString &id : ids)
        numbers << id.toInt();
    QVERIFY(std::is_sorted(numbers.begin(), numbers.end()));
    QCOMPARE(grid->currentIndex().row(), grid->model()->rowCount() - 1);
    QCOMPARE(currentName(), QStringLiteral("Dr. João Silva"));
    QCOMPARE(m_window->CurrentDoctor().ID, numbers.last());
    QVERIFY(grid->isEnabled());
    QVERIFY(!child<QToolButton>(QStringLiteral("Spb_BDSave"))->isVisible());
    QVERIFY(child<QToolButton>(QStringLiteral("Spb_BDCancel"))->isVisible());
    ConnectedModule other = Connect(m_path, Engine::Server);
    QCOMPARE(CountRows(*other.module,
                       QStringLiteral("select count(*) from MEDICO where MED_NOME='Dr. João Silva' and MED_CRM='2020-SP' "
                                      "and MED_NASCIMENTO is null")),
             1);
}

void TestDoctorManager::nameWithoutTitleNorSexIsRefused()
{
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDNew")), Qt::LeftButton);
    TypeText(child<QLineEdit>(QStringLiteral("Edt_Doc_Name")), QStringLiteral("Joao"));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_Doc_CRM")), QStringLiteral("3030-SP"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(),
             QStringList{QStringLiteral("Nome de Médico Inválido\nDigite o título ou selecione o sexo!")});
    QCOMPARE(m_window->CurrentDoctor().ID, -1);
    QVERIFY(!child<QTableView>(QStringLiteral("Dbg_Doc_Manager"))->isEnabled());
    QVERIFY(child<QToolButton>(QStringLiteral("Spb_BDSave"))->isVisible());
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_Doc_Name"))->text(), QStringLiteral("Joao"));
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from MEDICO")), 5);
}

void TestDoctorManager::duplicateCrmIsRefused()
{
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDNew")), Qt::LeftButton);
    TypeText(child<QLineEdit>(QStringLiteral("Edt_Doc_Name")), QStringLiteral("Dra. Outra Pessoa"));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_Doc_CRM")), QStringLiteral("1001-SP"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("ERRO! CRM DUPLICADO!\n\nNão é Possível Cadastrar !")});
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_Doc_Name"))->text(), QStringLiteral("Dra. Outra Pessoa"));
    QVERIFY(child<QToolButton>(QStringLiteral("Spb_BDSave"))->isVisible());
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from MEDICO")), 5);
}

void TestDoctorManager::textTheDatabaseCannotHoldIsRefused()
{
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDNew")), Qt::LeftButton);
    TypeText(child<QLineEdit>(QStringLiteral("Edt_Doc_Name")), QStringLiteral("Dra. Nova"));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_Doc_CRM")), QStringLiteral("4040-SP"));
    child<QLineEdit>(QStringLiteral("Edt_Doc_Especialidade"))->setText(QStringLiteral("Ωftalmologia"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QVERIFY2(m_dialogs->last().text.contains(QStringLiteral("Especialidade")), qPrintable(m_dialogs->last().text));
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from MEDICO")), 5);
    QVERIFY(child<QToolButton>(QStringLiteral("Spb_BDSave"))->isVisible());
    // A city longer than its column (30 characters) is refused by name too.
    m_dialogs->clear();
    child<QLineEdit>(QStringLiteral("Edt_Doc_Especialidade"))->setText(QStringLiteral("Oftalmologia"));
    child<QLineEdit>(QStringLiteral("Edt_Doc_Cidade"))->setText(QString(31, u'c'));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QVERIFY2(m_dialogs->last().text.contains(QStringLiteral("Cidade")), qPrintable(m_dialogs->last().text));
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from MEDICO")), 5);
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_Doc_Cidade"))->text(), QString(31, u'c'));
}

void TestDoctorManager::updatedDoctorStaysSelected()
{
    auto *grid = child<QTableView>(QStringLiteral("Dbg_Doc_Manager"));
    ClickCell(grid, 1, NameColumn); // Dr. Carlos Menezes, by name
    const int id = m_window->CurrentDoctor().ID;
    auto *speciality = child<QLineEdit>(QStringLiteral("Edt_Doc_Especialidade"));
    TypeText(speciality, QStringLiteral("glaucoma"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Registro Atualizado Com Sucesso!")});
    QCOMPARE(speciality->text(), QStringLiteral("Glaucoma"));
    QCOMPARE(m_window->CurrentDoctor().ID, id);
    QCOMPARE(currentName(), QStringLiteral("Dr. Carlos Menezes"));
    // Ordered by ID now: the row of the first doctor stored.
    QCOMPARE(ColumnTexts(grid, NameColumn).first(), QStringLiteral("Dr. Carlos Menezes"));
    QCOMPARE(grid->currentIndex().row(), 0);
}

void TestDoctorManager::deleteDeactivatesTheSelectedRowAndMovesUp()
{
    auto *grid = child<QTableView>(QStringLiteral("Dbg_Doc_Manager"));
    ClickCell(grid, 0, NameColumn);
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier); // moves the list without loading the panel
    QCOMPARE(currentName(), QStringLiteral("Dra. Débora Lins"));
    QTest::keyClick(grid, Qt::Key_Delete);
    QVERIFY(m_dialogs->shown().isEmpty()); // no question
    QCOMPARE(status(QStringLiteral("Dra. Débora Lins")), 0);
    QCOMPARE(status(QStringLiteral("Dr. Bruno Farias")), 1);
    QCOMPARE(ColumnTexts(grid, NameColumn),
             QStringList({"Dr. Bruno Farias", "Dr. Carlos Menezes", "Dra. Ana Prado"}));
    QCOMPARE(currentName(), QStringLiteral("Dra. Ana Prado")); // one row up
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_Doc_Name"))->text(), QStringLiteral("Dra. Ana Prado"));
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_Doc_Info_List"))->text(), QStringLiteral("3 Medicos Listados"));
}

void TestDoctorManager::deactivateButtonUsesTheLoadedDoctor()
{
    auto *grid = child<QTableView>(QStringLiteral("Dbg_Doc_Manager"));
    ClickCell(grid, 1, NameColumn);
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDErase")), Qt::LeftButton);
    QCOMPARE(status(QStringLiteral("Dr. Carlos Menezes")), 0);
    QCOMPARE(currentName(), QStringLiteral("Dr. Bruno Farias"));
}

void TestDoctorManager::restoreMakesEveryInactiveDoctorActive()
{
    QVERIFY(status(QStringLiteral("Dra. Elisa Rangel")) == 0);
    m_db.module->Execute(QStringLiteral("update MEDICO set MED_STATUS=0 where MED_CRM='1001-SP'"));
    auto *grid = child<QTableView>(QStringLiteral("Dbg_Doc_Manager"));
    ClickCell(grid, 0, NameColumn);
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDRestore")), Qt::LeftButton);
    QVERIFY(m_dialogs->shown().isEmpty());
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from MEDICO where MED_STATUS=1")), 5);
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_Doc_Info_List"))->text(), QStringLiteral("5 Medicos Listados"));
}

void TestDoctorManager::cancelInsertionEndsTheEntry()
{
    QTest::mouseClick(child<QToolButton>(QStringLiteral("Spb_BDNew")), Qt::LeftButton);
    auto *cancel = child<QToolButton>(QStringLiteral("Spb_BDCancel"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancelar inserção"));
    QVERIFY(cancel->isVisible());
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(child<QTableView>(QStringLiteral("Dbg_Doc_Manager"))->isEnabled());
    for (const char *hidden : {"Spb_BDSave", "Spb_BDErase", "Spb_BDRestore", "Spb_BDCancel"})
        QVERIFY2(!child<QToolButton>(QString::fromLatin1(hidden))->isVisible(), hidden);
    QVERIFY(!child<QGroupBox>(QStringLiteral("GPb_Doc_Registro"))->isEnabled());
    QVERIFY(!child<QPlainTextEdit>(QStringLiteral("Mem_Doc_Observacoes"))->isEnabled());
}

void TestDoctorManager::memoLineCounterAndClear()
{
    ClickCell(child<QTableView>(QStringLiteral("Dbg_Doc_Manager")), 0, NameColumn);
    auto *memo = child<QPlainTextEdit>(QStringLiteral("Mem_Doc_Observacoes"));
    auto *counter = child<QLabel>(QStringLiteral("lbl_Doc_Linhas"));
    QVERIFY(!counter->isVisible());
    memo->setFocus();
    TypeText(memo, QStringLiteral("linha um"));
    QCOMPARE(counter->text(), QStringLiteral("1 Linha"));
    QTest::keyClick(memo, Qt::Key_Return);
    TypeText(memo, QStringLiteral("linha dois"));
    QCOMPARE(counter->text(), QStringLiteral("2 Linhas"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("btn_doc_MemoClear")), Qt::LeftButton);
    QCOMPARE(memo->toPlainText(), QString());
    QCOMPARE(counter->text(), QStringLiteral("0 Linha"));
}

QTEST_MAIN(TestDoctorManager)
#include "tst_doctormanager.moc"
