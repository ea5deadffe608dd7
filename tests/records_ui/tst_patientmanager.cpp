// TfrmPatientManager against the test server: the list and its filters, the grid's
// keys, menu and navigation, the edit panel, new and updated patients, refusals.
#include "FirebirdTestDatabase.h"
#include "ManagerTestSupport.h"
#include "RecordingDialogs.h"
#include "UDatasetGrid.h"
#include "UfrmPatientManager.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlRecord>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

using namespace cornix::test;
using cornix::DialogButton;

namespace {

enum Column { ProntuarioColumn, NameColumn, CpfColumn, AgeColumn };

} // namespace

class TestPatientManager : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void schemaIsUpgradedWhenShown();
    void openingListsActivePatientsByNameWithTheFilterOff();
    void filterSwitchShowsAndHidesThePanel();
    void statusAndSexBoxes_data();
    void statusAndSexBoxes();
    void nameFilterReListsOnEveryKeystroke_data();
    void nameFilterReListsOnEveryKeystroke();
    void nameAndRecordNumberClearEachOther();
    void recordNumberFilter_data();
    void recordNumberFilter();
    void cpfFilterMatchesAFragment();
    void allPatientsButtonClearsTheFilters();
    void columnTitleClickOrdersAndFlips();
    void rowColoursFollowTheStatus();
    void clickingARowLoadsItIntoTheEditPanel();
    void popupMenuFollowsTheRowStatus();
    void deleteOnAnActiveRowAsks_data();
    void deleteOnAnActiveRowAsks();
    void insertOnAnInactiveRowReactivates();
    void keysThatDoNotFitTheRowDoNothing_data();
    void keysThatDoNotFitTheRowDoNothing();
    void navigationButtonsMoveAndLoad();
    void newRecordClearsThePanelAfterItsTimer();
    void newPatientIsSavedAndSelected();
    void failedValidationKeepsTheEntry();
    void textTheDatabaseCannotHoldIsRefused_data();
    void textTheDatabaseCannotHoldIsRefused();
    void updatedPatientStaysSelected();
    void deactivateAndReactivateButtons();
    void cancelInsertionEndsTheEntry();
    void memoLineCounterAndClear();
    void masksShowPunctuationAndReadDigits();
    void newExaminationButton();

private:
    std::unique_ptr<TfrmPatientManager> openWindow();
    template <class T> T *child(const QString &name) const;
    void switchFilterOn();
    int currentRow() const;
    QString currentName() const;

    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
    std::unique_ptr<TfrmPatientManager> m_window;
};

void TestPatientManager::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_ui_patientmanager"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_path, Engine::Server);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
    // A new database still has the CPF's uniqueness: the first showing removes it.
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from RDB$RELATION_CONSTRAINTS where "
                                                    "RDB$CONSTRAINT_NAME = 'INTEG_6'")),
             1);
}

void TestPatientManager::init()
{
    QVERIFY(ResetPatients(*m_db.module));
    m_dialogs->clear();
    m_window = openWindow();
}

void TestPatientManager::cleanup() { m_window.reset(); }

void TestPatientManager::cleanupTestCase() { m_db.module.reset(); }

std::unique_ptr<TfrmPatientManager> TestPatientManager::openWindow()
{
    return OpenShown<TfrmPatientManager>(*m_db.module, "patient manager");
}

template <class T> T *TestPatientManager::child(const QString &name) const { return Control<T>(*m_window, name); }

void TestPatientManager::switchFilterOn()
{
    QTest::mouseClick(child<QLabel>(QStringLiteral("Lbl_Pac_Filtro")), Qt::LeftButton);
}

int TestPatientManager::currentRow() const { return m_db.module->IBQPacList().RecNo(); }

QString TestPatientManager::currentName() const
{
    return m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_NOME")).toString();
}

// Tests ---------------------------------------------------------------------------------

void TestPatientManager::schemaIsUpgradedWhenShown()
{
    const QString constraint = QStringLiteral(
        "select count(*) from RDB$RELATION_CONSTRAINTS where RDB$CONSTRAINT_NAME = 'INTEG_6'");
    // init() showed the window once already: the upgrade has run.
    QCOMPARE(CountRows(*m_db.module, constraint), 0);
    TBDCornyx db(*m_db.module);
    TPaciente twin = MakePatient(901, QStringLiteral("Gêmea Souza"), QStringLiteral("52998224725"));
    QVERIFY(db.SavePatient(twin));
    TPaciente noCpf = MakePatient(902, QStringLiteral("Sem Documento"), QString());
    QVERIFY(db.SavePatient(noCpf));
    m_window->hide();
    m_window->show();
    QVERIFY2(m_dialogs->shown().isEmpty(), qPrintable(m_dialogs->texts().join(u'|')));
}

void TestPatientManager::openingListsActivePatientsByNameWithTheFilterOff()
{
    QCOMPARE(child<QLabel>(QStringLiteral("Lbl_Pac_Filtro"))->text(), QStringLiteral("Pacientes [Filtro=OFF]"));
    QVERIFY(!child<QGroupBox>(QStringLiteral("GPb_PAC_Filtros"))->isVisible());
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    QCOMPARE(ColumnTexts(grid, NameColumn),
             QStringList({"Ana Souza", "Bruno Lima", "Daniel Rocha", "Eduarda Silva", "Fábio Nunes",
                          "Maria da Silva"}));
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_PAC_Info_List"))->text(), QStringLiteral("6 Pacientes"));
    QCOMPARE(grid->model()->headerData(ProntuarioColumn, Qt::Horizontal).toString(), QStringLiteral("Prontuário"));
    QCOMPARE(grid->model()->headerData(NameColumn, Qt::Horizontal).toString(), QStringLiteral("Paciente"));
    QCOMPARE(grid->model()->headerData(CpfColumn, Qt::Horizontal).toString(), QStringLiteral("CPF"));
    QCOMPARE(grid->model()->headerData(AgeColumn, Qt::Horizontal).toString(), QStringLiteral("Idade"));
    QCOMPARE(ColumnTexts(grid, CpfColumn).first(), QStringLiteral("529.982.247-25"));
    QCOMPARE(ColumnTexts(grid, ProntuarioColumn).first(), QStringLiteral("101"));
    // Before a row is clicked the panel is closed and only "Iniciar novo cadastro" offers itself.
    QVERIFY(!child<QGroupBox>(QStringLiteral("GPb_PAC_Registro"))->isEnabled());
    QVERIFY(!child<QGroupBox>(QStringLiteral("GPb_PAC_Contato"))->isEnabled());
    QVERIFY(!child<QPlainTextEdit>(QStringLiteral("Mem_PAC_Observacao"))->isEnabled());
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdSave"))->isVisible());
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdErase"))->isVisible());
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdRestore"))->isVisible());
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdCancel"))->isVisible());
    QVERIFY(child<QToolButton>(QStringLiteral("spb_bdNew"))->isVisible());
}

void TestPatientManager::filterSwitchShowsAndHidesThePanel()
{
    auto *caption = child<QLabel>(QStringLiteral("Lbl_Pac_Filtro"));
    auto *panel = child<QGroupBox>(QStringLiteral("GPb_PAC_Filtros"));
    switchFilterOn();
    QCOMPARE(caption->text(), QStringLiteral("Pacientes [Filtro=ON]"));
    QVERIFY(panel->isVisible());
    // The panel sits between the caption and the counter, above the grid.
    QVERIFY(child<QLabel>(QStringLiteral("lbl_PAC_Info_List"))->y() > panel->y());
    switchFilterOn();
    QCOMPARE(caption->text(), QStringLiteral("Pacientes [Filtro=OFF]"));
    QVERIFY(!panel->isVisible());
}

void TestPatientManager::statusAndSexBoxes_data()
{
    QTest::addColumn<QString>("clicks"); // boxes clicked from the start (Ativo ticked, Inativo clear, M F ticked)
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("as opened: active") << "" << "6 Pacientes"
                                       << QStringList{"Ana Souza", "Bruno Lima", "Daniel Rocha", "Eduarda Silva",
                                                      "Fábio Nunes", "Maria da Silva"};
    QTest::newRow("inactive only") << "Chk_PAC_Ativo Chk_PAC_Inativo" << "2 Pacientes"
                                   << QStringList{"Carla Dias", "Mário Silveira"};
    QTest::newRow("both statuses") << "Chk_PAC_Inativo" << "8 Pacientes" << QStringList{};
    QTest::newRow("no status") << "Chk_PAC_Ativo" << "Nenhum Paciente" << QStringList{};
    QTest::newRow("active, only M") << "Chk_PAC_Feminino" << "3 Pacientes"
                                    << QStringList{"Bruno Lima", "Daniel Rocha", "Fábio Nunes"};
    QTest::newRow("active, only F") << "Chk_PAC_Masculino" << "3 Pacientes"
                                    << QStringList{"Ana Souza", "Eduarda Silva", "Maria da Silva"};
    QTest::newRow("no sex") << "Chk_PAC_Masculino Chk_PAC_Feminino" << "Nenhum Paciente" << QStringList{};
    QTest::newRow("no status, no sex") << "Chk_PAC_Ativo Chk_PAC_Masculino Chk_PAC_Feminino" << "Nenhum Paciente"
                                       << QStringList{};
    QTest::newRow("inactive men: one") << "Chk_PAC_Ativo Chk_PAC_Inativo Chk_PAC_Feminino" << "1 Pacientes"
                                       << QStringList{"Mário Silveira"};
}

void TestPatientManager::statusAndSexBoxes()
{
    QFETCH(QString, clicks);
    QFETCH(QString, counter);
    QFETCH(QStringList, names);
    switchFilterOn();
    for (const QString &box : clicks.split(u' ', Qt::SkipEmptyParts))
        QTest::mouseClick(child<QCheckBox>(box), Qt::LeftButton);
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_PAC_Info_List"))->text(), counter);
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    if (!names.isEmpty())
        QCOMPARE(ColumnTexts(grid, NameColumn), names);
    if (counter == QLatin1String("Nenhum Paciente"))
        QCOMPARE(grid->model()->rowCount(), 0);
}

void TestPatientManager::nameFilterReListsOnEveryKeystroke_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("counters"); // after each keystroke
    QTest::newRow("silva") << "silva"
                           << QStringList{"4 Pacientes", "2 Pacientes", "2 Pacientes", "2 Pacientes", "2 Pacientes"};
    QTest::newRow("two words in any order") << "silva ma"
                                            << QStringList{"4 Pacientes", "2 Pacientes", "2 Pacientes",
                                                           "2 Pacientes", "2 Pacientes", "2 Pacientes",
                                                           "1 Pacientes", "1 Pacientes"};
    QTest::newRow("nobody") << "xz" << QStringList{"Nenhum Paciente", "Nenhum Paciente"};
    QTest::newRow("accents typed one by one") << "fáb" << QStringList{"1 Pacientes", "1 Pacientes", "1 Pacientes"};
}

void TestPatientManager::nameFilterReListsOnEveryKeystroke()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, counters);
    switchFilterOn();
    auto *name = child<QLineEdit>(QStringLiteral("Edt_PAC_FNome"));
    auto *counter = child<QLabel>(QStringLiteral("lbl_PAC_Info_List"));
    QSignalSpy relisted(&m_db.module->IBQPacList(), &QAbstractItemModel::modelReset);
    for (int i = 0; i < typed.size(); ++i) {
        relisted.clear();
        TypeText(name, typed.mid(i, 1));
        QVERIFY2(!relisted.isEmpty(), qPrintable(typed.left(i + 1)));
        QCOMPARE(counter->text(), counters[i]);
    }
}

void TestPatientManager::nameAndRecordNumberClearEachOther()
{
    switchFilterOn();
    auto *name = child<QLineEdit>(QStringLiteral("Edt_PAC_FNome"));
    auto *handBook = child<QLineEdit>(QStringLiteral("Edt_PAC_HandBook"));
    auto *counter = child<QLabel>(QStringLiteral("lbl_PAC_Info_List"));
    TypeText(handBook, QStringLiteral("101"));
    QCOMPARE(counter->text(), QStringLiteral("1 Pacientes"));
    TypeText(name, QStringLiteral("s"));
    QCOMPARE(handBook->text(), QString());
    QCOMPARE(name->text(), QStringLiteral("s"));
    QCOMPARE(counter->text(), QStringLiteral("4 Pacientes"));
    TypeText(handBook, QStringLiteral("1"));
    QCOMPARE(name->text(), QString());
    QCOMPARE(handBook->text(), QStringLiteral("1"));
    QCOMPARE(counter->text(), QStringLiteral("Nenhum Paciente"));
}

void TestPatientManager::recordNumberFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("counters");
    QTest::newRow("12a lists without a record number") << "12a"
                                                       << QStringList{"Nenhum Paciente", "1 Pacientes", "6 Pacientes"};
    QTest::newRow("exact record numbers") << "101" << QStringList{"Nenhum Paciente", "Nenhum Paciente", "1 Pacientes"};
}

void TestPatientManager::recordNumberFilter()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, counters);
    switchFilterOn();
    QCOMPARE(child<QPushButton>(QStringLiteral("Btn_Pac_Select"))->text(), QStringLiteral("Prontuário"));
    auto *handBook = child<QLineEdit>(QStringLiteral("Edt_PAC_HandBook"));
    for (int i = 0; i < typed.size(); ++i) {
        TypeText(handBook, typed.mid(i, 1));
        QCOMPARE(child<QLabel>(QStringLiteral("lbl_PAC_Info_List"))->text(), counters[i]);
    }
}

void TestPatientManager::cpfFilterMatchesAFragment()
{
    switchFilterOn();
    auto *select = child<QPushButton>(QStringLiteral("Btn_Pac_Select"));
    auto *handBook = child<QLineEdit>(QStringLiteral("Edt_PAC_HandBook"));
    TypeText(handBook, QStringLiteral("12"));
    QTest::mouseClick(select, Qt::LeftButton);
    QCOMPARE(select->text(), QStringLiteral("CPF"));
    QCOMPARE(handBook->text(), QString());
    QVERIFY(handBook->hasFocus());
    TypeText(handBook, QStringLiteral("982.24"));
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_PAC_Info_List"))->text(), QStringLiteral("1 Pacientes"));
    QCOMPARE(currentName(), QStringLiteral("Ana Souza"));
    QTest::mouseClick(select, Qt::LeftButton);
    QCOMPARE(select->text(), QStringLiteral("Prontuário"));
}

void TestPatientManager::allPatientsButtonClearsTheFilters()
{
    switchFilterOn();
    TypeText(child<QLineEdit>(QStringLiteral("Edt_PAC_FNome")), QStringLiteral("silva"));
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_PAC_Masculino")), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("Btn_Pac_Todos")), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_FNome"))->text(), QString());
    for (const char *box : {"Chk_PAC_Ativo", "Chk_PAC_Inativo", "Chk_PAC_Masculino", "Chk_PAC_Feminino"})
        QVERIFY2(child<QCheckBox>(QString::fromLatin1(box))->isChecked(), box);
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_PAC_Info_List"))->text(), QStringLiteral("8 Pacientes"));
}

void TestPatientManager::columnTitleClickOrdersAndFlips()
{
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    QHeaderView *titles = grid->horizontalHeader();
    const QPoint prontuarioTitle(titles->sectionViewportPosition(ProntuarioColumn) + 10, titles->height() / 2);
    // A bare column name flips the direction each time, starting from ascending.
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, prontuarioTitle);
    QCOMPARE(ColumnTexts(grid, ProntuarioColumn), QStringList({"121", "120", "112", "102", "101", "12"}));
    QCOMPARE(titles->sortIndicatorSection(), int(ProntuarioColumn));
    QCOMPARE(titles->sortIndicatorOrder(), Qt::DescendingOrder);
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, prontuarioTitle);
    QCOMPARE(ColumnTexts(grid, ProntuarioColumn), QStringList({"12", "101", "102", "112", "120", "121"}));
    QCOMPARE(titles->sortIndicatorOrder(), Qt::AscendingOrder);
}

void TestPatientManager::rowColoursFollowTheStatus()
{
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_PAC_Inativo")), Qt::LeftButton);
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    const int inactive = RowWithText(grid, NameColumn, QStringLiteral("Carla Dias"));
    const int active = RowWithText(grid, NameColumn, QStringLiteral("Bruno Lima"));
    const int chosen = RowWithText(grid, NameColumn, QStringLiteral("Daniel Rocha"));
    ClickCell(grid, chosen, NameColumn);
    auto colourAt = [grid](int row) {
        const QRect cell = grid->visualRect(grid->model()->index(row, AgeColumn));
        const QImage picture = grid->viewport()->grab().toImage();
        return QColor(picture.pixel(cell.left() + 3, cell.center().y()));
    };
    QCOMPARE(colourAt(active), QColor(0xD0, 0xD0, 0xFF));
    QCOMPARE(colourAt(inactive), QColor(0xFF, 0xD0, 0xD0));
    QCOMPARE(colourAt(chosen), QColor(0x00, 0x00, 0xFF));
    ClickCell(grid, inactive, NameColumn);
    QCOMPARE(colourAt(inactive), QColor(0xFF, 0x00, 0x00));
    QCOMPARE(colourAt(chosen), QColor(0xD0, 0xD0, 0xFF));
}

void TestPatientManager::clickingARowLoadsItIntoTheEditPanel()
{
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    ClickCell(grid, RowWithText(grid, NameColumn, QStringLiteral("Maria da Silva")), NameColumn);
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Nome"))->text(), QStringLiteral("Maria da Silva"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Mke_Pac_Prontuario"))->text(), QStringLiteral("121"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Mke_PAC_CPF"))->displayText(), QStringLiteral("070.680.938-68"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Mke_PAC_Nascimento"))->text(), QStringLiteral("10/05/1980"));
    QCOMPARE(child<QComboBox>(QStringLiteral("Cbb_PAC_Sexo"))->currentText(), QStringLiteral("F"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Email"))->text(), QStringLiteral("paciente@exemplo.com.br"));
    QCOMPARE(child<QPlainTextEdit>(QStringLiteral("Mem_PAC_Observacao"))->toPlainText(),
             QStringLiteral("Observação\nsegunda linha"));
    QCOMPARE(m_window->CurrentPatient().ID, m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_ID")).toInt());
    QVERIFY(child<QGroupBox>(QStringLiteral("GPb_PAC_Registro"))->isEnabled());
    QVERIFY(child<QGroupBox>(QStringLiteral("GPb_PAC_Contato"))->isEnabled());
    QVERIFY(child<QPlainTextEdit>(QStringLiteral("Mem_PAC_Observacao"))->isEnabled());
    QVERIFY(child<QToolButton>(QStringLiteral("spb_bdSave"))->isVisible());
    QVERIFY(child<QToolButton>(QStringLiteral("spb_bdErase"))->isEnabled());
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdRestore"))->isEnabled());
    // The arrow keys move the list and the panel follows the row.
    QTest::keyClick(grid, Qt::Key_Up);
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Nome"))->text(), QStringLiteral("Fábio Nunes"));
    // Double click puts the cursor in the record number.
    const QModelIndex cell = grid->model()->index(0, NameColumn);
    // QTest's double click is the second press only: the first one comes before it.
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    QVERIFY(child<QLineEdit>(QStringLiteral("Mke_Pac_Prontuario"))->hasFocus());
}

void TestPatientManager::popupMenuFollowsTheRowStatus()
{
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_PAC_Inativo")), Qt::LeftButton);
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    auto *makeActive = child<QAction>(QStringLiteral("Men_Pop_Pac_Ativo"));
    auto *makeInactive = child<QAction>(QStringLiteral("Men_Pop_Pac_Inativo"));
    QCOMPARE(makeActive->text(), QStringLiteral("Tornar Ativo"));
    QCOMPARE(makeInactive->text(), QStringLiteral("Tornar Inativo"));
    ClickCell(grid, RowWithText(grid, NameColumn, QStringLiteral("Carla Dias")), NameColumn);
    QVERIFY(makeActive->isEnabled());
    QVERIFY(!makeInactive->isEnabled());
    ClickCell(grid, RowWithText(grid, NameColumn, QStringLiteral("Bruno Lima")), NameColumn);
    QVERIFY(!makeActive->isEnabled());
    QVERIFY(makeInactive->isEnabled());
    const int row = currentRow();
    makeInactive->trigger();
    QVERIFY(m_dialogs->shown().isEmpty()); // no question
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select PAC_STATUS from PACIENTE where PAC_NOME='Bruno Lima'")),
             0);
    QCOMPARE(currentRow(), row); // the list is refreshed on the same row
    QCOMPARE(currentName(), QStringLiteral("Bruno Lima"));
    QVERIFY(makeActive->isEnabled());
}

void TestPatientManager::deleteOnAnActiveRowAsks_data()
{
    QTest::addColumn<DialogButton>("answer");
    QTest::addColumn<int>("status");
    QTest::newRow("yes makes the patient inactive") << DialogButton::Yes << 0;
    QTest::newRow("no leaves it active") << DialogButton::No << 1;
}

void TestPatientManager::deleteOnAnActiveRowAsks()
{
    QFETCH(DialogButton, answer);
    QFETCH(int, status);
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    ClickCell(grid, RowWithText(grid, NameColumn, QStringLiteral("Daniel Rocha")), NameColumn);
    m_dialogs->script({answer});
    QSignalSpy relisted(&m_db.module->IBQPacList(), &QAbstractItemModel::modelReset);
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Deseja Tornar Este Paciente Inativo?")});
    QCOMPARE(m_dialogs->last().buttons, DialogButton::Yes | DialogButton::No);
    QVERIFY(!relisted.isEmpty()); // whatever the answer
    QCOMPARE(CountRows(*m_db.module,
                       QStringLiteral("select PAC_STATUS from PACIENTE where PAC_NOME='Daniel Rocha'")),
             status);
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_PAC_Info_List"))->text(),
             status == 0 ? QStringLiteral("5 Pacientes") : QStringLiteral("6 Pacientes"));
}

void TestPatientManager::insertOnAnInactiveRowReactivates()
{
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_PAC_Inativo")), Qt::LeftButton);
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    ClickCell(grid, RowWithText(grid, NameColumn, QStringLiteral("Mário Silveira")), NameColumn);
    m_dialogs->script({DialogButton::Yes});
    QTest::keyClick(grid, Qt::Key_Insert);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Deseja Tornar Este Paciente Ativo?")});
    QCOMPARE(CountRows(*m_db.module,
                       QStringLiteral("select PAC_STATUS from PACIENTE where PAC_NOME='Mário Silveira'")),
             1);
}

void TestPatientManager::keysThatDoNotFitTheRowDoNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");
    QTest::newRow("Delete on an inactive row") << "Carla Dias" << int(Qt::Key_Delete);
    QTest::newRow("Insert on an active row") << "Ana Souza" << int(Qt::Key_Insert);
}

void TestPatientManager::keysThatDoNotFitTheRowDoNothing()
{
    QFETCH(QString, name);
    QFETCH(int, key);
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_PAC_Inativo")), Qt::LeftButton);
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    ClickCell(grid, RowWithText(grid, NameColumn, name), NameColumn);
    QSignalSpy relisted(&m_db.module->IBQPacList(), &QAbstractItemModel::modelReset);
    QTest::keyClick(grid, Qt::Key(key));
    QVERIFY(m_dialogs->shown().isEmpty());
    QVERIFY(relisted.isEmpty()); // not even a refresh
}

void TestPatientManager::navigationButtonsMoveAndLoad()
{
    auto *name = child<QLineEdit>(QStringLiteral("Edt_PAC_Nome"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdLast")), Qt::LeftButton);
    QCOMPARE(currentRow(), 6);
    QCOMPARE(name->text(), QStringLiteral("Maria da Silva"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdPrior")), Qt::LeftButton);
    QCOMPARE(name->text(), QStringLiteral("Fábio Nunes"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdFirst")), Qt::LeftButton);
    QCOMPARE(name->text(), QStringLiteral("Ana Souza"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdPrior")), Qt::LeftButton);
    QCOMPARE(currentRow(), 1);
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdNext")), Qt::LeftButton);
    QCOMPARE(name->text(), QStringLiteral("Bruno Lima"));
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    QCOMPARE(grid->currentIndex().row(), 1); // the grid shows the row the list is on
    QCOMPARE(child<QToolButton>(QStringLiteral("spb_bdFirst"))->toolTip(), QStringLiteral("Vai Para o Primeiro Registro"));
    QCOMPARE(child<QToolButton>(QStringLiteral("spb_bdPrior"))->toolTip(), QStringLiteral("Vai Para o Registro Anterior"));
    QCOMPARE(child<QToolButton>(QStringLiteral("spb_bdNext"))->toolTip(), QStringLiteral("Vai Para o Próximo Registro"));
    QCOMPARE(child<QToolButton>(QStringLiteral("spb_bdLast"))->toolTip(), QStringLiteral("Vai Para o Último Registro"));
}

void TestPatientManager::newRecordClearsThePanelAfterItsTimer()
{
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    ClickCell(grid, 0, NameColumn);
    auto *name = child<QLineEdit>(QStringLiteral("Edt_PAC_Nome"));
    QCOMPARE(name->text(), QStringLiteral("Ana Souza"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdNew")), Qt::LeftButton);
    QVERIFY(m_window->NewRecordMode());
    QCOMPARE(m_window->CurrentPatient().ID, -1);
    QVERIFY(!grid->isEnabled());
    QVERIFY(child<QToolButton>(QStringLiteral("spb_bdSave"))->isVisible());
    QVERIFY(child<QToolButton>(QStringLiteral("spb_bdCancel"))->isVisible());
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdErase"))->isVisible());
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdRestore"))->isVisible());
    QVERIFY(child<QLineEdit>(QStringLiteral("Mke_Pac_Prontuario"))->hasFocus());
    QVERIFY(child<QTimer>(QStringLiteral("tmr_Clear"))->isActive());
    QCOMPARE(child<QTimer>(QStringLiteral("tmr_Clear"))->interval(), 100);
    QTRY_COMPARE(name->text(), QString());
    QCOMPARE(child<QLineEdit>(QStringLiteral("Mke_PAC_CPF"))->text().remove(u'.').remove(u'-'), QString());
    QCOMPARE(child<QComboBox>(QStringLiteral("Cbb_PAC_Sexo"))->currentIndex(), -1);
    QCOMPARE(child<QPlainTextEdit>(QStringLiteral("Mem_PAC_Observacao"))->toPlainText(), QString());
    QCOMPARE(child<QLabel>(QStringLiteral("lbl_PAC_Linhas"))->text(), QStringLiteral("0 Linha"));
    // The list moving (a filter typed meanwhile) never overwrites the new patient.
    TypeText(name, QStringLiteral("Novo"));
    switchFilterOn();
    TypeText(child<QLineEdit>(QStringLiteral("Edt_PAC_FNome")), QStringLiteral("xz"));
    QCOMPARE(name->text(), QStringLiteral("Novo"));
}

void TestPatientManager::newPatientIsSavedAndSelected()
{
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdNew")), Qt::LeftButton);
    QTRY_VERIFY(!child<QTimer>(QStringLiteral("tmr_Clear"))->isActive());
    TypeText(child<QLineEdit>(QStringLiteral("Mke_Pac_Prontuario")), QStringLiteral("555"));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_PAC_Nome")), QStringLiteral("joão da conceição"));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_PAC_Profissao")), QStringLiteral("AGRÔNOMO"));
    child<QLineEdit>(QStringLiteral("Mke_PAC_CPF"))->setFocus();
    child<QLineEdit>(QStringLiteral("Mke_PAC_CPF"))->home(false);
    TypeText(child<QLineEdit>(QStringLiteral("Mke_PAC_CPF")), QStringLiteral("39053344705"));
    child<QLineEdit>(QStringLiteral("Mke_PAC_Nascimento"))->home(false);
    TypeText(child<QLineEdit>(QStringLiteral("Mke_PAC_Nascimento")), QStringLiteral("02031975"));
    child<QComboBox>(QStringLiteral("Cbb_PAC_Sexo"))->setCurrentText(QStringLiteral("M"));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_PAC_Email")), QStringLiteral(" Joao@Exemplo.COM "));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_PAC_Cidade")), QStringLiteral("são paulo"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdSave")), Qt::LeftButton);

    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Novo Registro Cadastrado Com Sucesso!")});
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Information);
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Nome"))->text(), QStringLiteral("João da Conceição"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Profissao"))->text(), QStringLiteral("Agrônomo"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Email"))->text(), QStringLiteral("joao@exemplo.com"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Cidade"))->text(), QStringLiteral("São Paulo"));
    QVERIFY(!m_window->NewRecordMode());
    // Ordered by ascending ID, the new patient last and selected.
    TSqlDataset &list = m_db.module->IBQPacList();
    const int idColumn = list.record().indexOf(QStringLiteral("PAC_ID"));
    QList<int> ids;
    for (int r = 0; r < list.rowCount(); ++r)
        ids << list.data(list.index(r, idColumn), Qt::EditRole).toInt();
    QList<int> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(ids, sorted);
    QCOMPARE(currentRow(), list.rowCount());
    QCOMPARE(currentName(), QStringLiteral("João da Conceição"));
    QCOMPARE(m_window->CurrentPatient().ID, ids.last());
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    QVERIFY(grid->isEnabled());
    QVERIFY(grid->hasFocus());
    QCOMPARE(grid->currentIndex().row(), list.rowCount() - 1);
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdSave"))->isVisible());
    QVERIFY(child<QToolButton>(QStringLiteral("spb_bdCancel"))->isVisible());
    // Committed: another connection sees it.
    ConnectedModule other = Connect(m_path, Engine::Server);
    QCOMPARE(CountRows(*other.module, QStringLiteral("select count(*) from PACIENTE where PAC_PRONTUARIO=555 and "
                                                     "PAC_CPF='39053344705' and PAC_NASCIMENTO='1975-03-02'")),
             1);
}

void TestPatientManager::failedValidationKeepsTheEntry()
{
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdNew")), Qt::LeftButton);
    QTRY_VERIFY(!child<QTimer>(QStringLiteral("tmr_Clear"))->isActive());
    TypeText(child<QLineEdit>(QStringLiteral("Edt_PAC_Nome")), QStringLiteral("Sem Prontuário"));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_PAC_Orgao")), QStringLiteral("SSP-SP1"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral(
                                     "ERRO! DADO(S) INVÁLIDO(S)!\n\n01 - Número de Prontuário Inválido!\n"
                                     "02 - Orgão Expeditor deve ter no máximo 6 caracteres!\n")});
    QVERIFY(m_window->NewRecordMode());
    QVERIFY(!child<QTableView>(QStringLiteral("DbgPatientManager"))->isEnabled());
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Nome"))->text(), QStringLiteral("Sem Prontuário"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Orgao"))->text(), QStringLiteral("SSP-SP1"));
    QVERIFY(child<QToolButton>(QStringLiteral("spb_bdSave"))->isVisible());
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from PACIENTE")), 8);
    // Corrected, the same entry saves.
    TypeText(child<QLineEdit>(QStringLiteral("Mke_Pac_Prontuario")), QStringLiteral("777"));
    child<QLineEdit>(QStringLiteral("Edt_PAC_Orgao"))->setText(QStringLiteral("SSP"));
    child<QLineEdit>(QStringLiteral("Mke_PAC_Nascimento"))->setText(QStringLiteral("01/01/1990"));
    m_dialogs->clear();
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Novo Registro Cadastrado Com Sucesso!")});
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from PACIENTE")), 9);
}

void TestPatientManager::textTheDatabaseCannotHoldIsRefused_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");
    QTest::newRow("omega in the profession") << "Edt_PAC_Profissao" << "Ωmega" << "Profissão";
    QTest::newRow("arrow in the street") << "Edt_PAC_Logradouro" << "Rua → 5" << "Logradouro";
    QTest::newRow("emoji in the notes") << "Mem_PAC_Observacao" << "ok 😀" << "Observações";
    QTest::newRow("district longer than its 50 characters") << "Edt_PAC_Bairro" << QString(51, u'b') << "Bairro";
    QTest::newRow("RG longer than its 20 characters") << "Edt_PAC_RG" << QString(21, u'9') << "RG";
}

void TestPatientManager::textTheDatabaseCannotHoldIsRefused()
{
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdNew")), Qt::LeftButton);
    QTRY_VERIFY(!child<QTimer>(QStringLiteral("tmr_Clear"))->isActive());
    TypeText(child<QLineEdit>(QStringLiteral("Mke_Pac_Prontuario")), QStringLiteral("888"));
    TypeText(child<QLineEdit>(QStringLiteral("Edt_PAC_Nome")), QStringLiteral("Teste Recusa"));
    child<QLineEdit>(QStringLiteral("Mke_PAC_Nascimento"))->setText(QStringLiteral("01/01/1990"));
    QWidget *target = child<QWidget>(control);
    if (auto *memo = qobject_cast<QPlainTextEdit *>(target))
        memo->setPlainText(typed);
    else
        static_cast<QLineEdit *>(target)->setText(typed);
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Error);
    QVERIFY2(m_dialogs->last().text.contains(field), qPrintable(m_dialogs->last().text));
    QVERIFY(m_window->NewRecordMode());
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from PACIENTE where PAC_PRONTUARIO=888")), 0);
    QCOMPARE(child<QLineEdit>(QStringLiteral("Edt_PAC_Nome"))->text(), QStringLiteral("Teste Recusa"));
}

void TestPatientManager::updatedPatientStaysSelected()
{
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    ClickCell(grid, RowWithText(grid, NameColumn, QStringLiteral("Bruno Lima")), NameColumn);
    const int id = m_window->CurrentPatient().ID;
    auto *profession = child<QLineEdit>(QStringLiteral("Edt_PAC_Profissao"));
    profession->clear();
    TypeText(profession, QStringLiteral("técnico em óptica"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Registro Atualizado Com Sucesso!")});
    QCOMPARE(profession->text(), QStringLiteral("Técnico Em Óptica"));
    QCOMPARE(m_window->CurrentPatient().ID, id);
    QCOMPARE(currentName(), QStringLiteral("Bruno Lima"));
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select count(*) from PACIENTE where PAC_PROF='Técnico Em Óptica'")),
             1);
}

void TestPatientManager::deactivateAndReactivateButtons()
{
    switchFilterOn();
    QTest::mouseClick(child<QCheckBox>(QStringLiteral("Chk_PAC_Inativo")), Qt::LeftButton);
    auto *grid = child<QTableView>(QStringLiteral("DbgPatientManager"));
    ClickCell(grid, RowWithText(grid, NameColumn, QStringLiteral("Eduarda Silva")), NameColumn);
    const int row = currentRow();
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdErase")), Qt::LeftButton);
    QVERIFY(m_dialogs->shown().isEmpty());
    QCOMPARE(currentRow(), row);
    QCOMPARE(currentName(), QStringLiteral("Eduarda Silva"));
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdErase"))->isEnabled());
    QVERIFY(child<QToolButton>(QStringLiteral("spb_bdRestore"))->isEnabled());
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdRestore")), Qt::LeftButton);
    QCOMPARE(currentRow(), row);
    QVERIFY(child<QToolButton>(QStringLiteral("spb_bdErase"))->isEnabled());
    QCOMPARE(CountRows(*m_db.module, QStringLiteral("select PAC_STATUS from PACIENTE where PAC_NOME='Eduarda Silva'")),
             1);
}

void TestPatientManager::cancelInsertionEndsTheEntry()
{
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdNew")), Qt::LeftButton);
    auto *cancel = child<QToolButton>(QStringLiteral("spb_bdCancel"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancelar Inserção"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!m_window->NewRecordMode());
    QVERIFY(!child<QTimer>(QStringLiteral("tmr_Clear"))->isActive());
    QVERIFY(!cancel->isVisible());
    QVERIFY(!child<QToolButton>(QStringLiteral("spb_bdSave"))->isVisible());
    QVERIFY(!child<QGroupBox>(QStringLiteral("GPb_PAC_Registro"))->isEnabled());
    QVERIFY(!child<QGroupBox>(QStringLiteral("GPb_PAC_Contato"))->isEnabled());
    QVERIFY(child<QTableView>(QStringLiteral("DbgPatientManager"))->isEnabled());
}

void TestPatientManager::memoLineCounterAndClear()
{
    auto *memo = child<QPlainTextEdit>(QStringLiteral("Mem_PAC_Observacao"));
    auto *counter = child<QLabel>(QStringLiteral("lbl_PAC_Linhas"));
    ClickCell(child<QTableView>(QStringLiteral("DbgPatientManager")), 0, NameColumn);
    QCOMPARE(counter->text(), QStringLiteral("2 Linhas"));
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_Delete);
    QCOMPARE(counter->text(), QStringLiteral("0 Linha"));
    TypeText(memo, QStringLiteral("uma"));
    QCOMPARE(counter->text(), QStringLiteral("1 Linha"));
    QTest::keyClick(memo, Qt::Key_Return);
    TypeText(memo, QStringLiteral("duas"));
    QCOMPARE(counter->text(), QStringLiteral("2 Linhas"));
    QTest::mouseClick(child<QToolButton>(QStringLiteral("btn_pac_MemoClear")), Qt::LeftButton);
    QCOMPARE(memo->toPlainText(), QString());
    QCOMPARE(counter->text(), QStringLiteral("0 Linha"));
}

void TestPatientManager::masksShowPunctuationAndReadDigits()
{
    QTest::mouseClick(child<QToolButton>(QStringLiteral("spb_bdNew")), Qt::LeftButton);
    QTRY_VERIFY(!child<QTimer>(QStringLiteral("tmr_Clear"))->isActive());
    auto *cpf = child<QLineEdit>(QStringLiteral("Mke_PAC_CPF"));
    cpf->setFocus();
    cpf->home(false);
    TypeText(cpf, QStringLiteral("1114447773x5"));
    QCOMPARE(cpf->displayText(), QStringLiteral("111.444.777-35"));
    auto *birth = child<QLineEdit>(QStringLiteral("Mke_PAC_Nascimento"));
    QCOMPARE(birth->displayText(), QStringLiteral("__/__/____"));
    birth->home(false);
    TypeText(birth, QStringLiteral("3112"));
    QCOMPARE(birth->displayText(), QStringLiteral("31/12/____"));
    auto *cep = child<QLineEdit>(QStringLiteral("Mke_PAC_CEP"));
    cep->home(false);
    TypeText(cep, QStringLiteral("01310100"));
    QCOMPARE(cep->displayText(), QStringLiteral("01310-100"));
    auto *phone = child<QLineEdit>(QStringLiteral("Mke_PAC_Fone1"));
    phone->home(false);
    TypeText(phone, QStringLiteral("1132851000"));
    QCOMPARE(phone->displayText(), QStringLiteral("(11) 3285-1000"));
    auto *record = child<QLineEdit>(QStringLiteral("Mke_Pac_Prontuario"));
    record->home(false);
    TypeText(record, QStringLiteral("12345678901"));
    QCOMPARE(record->text(), QStringLiteral("1234567890")); // ten digits at most
    for (const char *list : {"Cbb_PAC_NatUF", "Cbb_PAC_UF"})
        QCOMPARE(child<QComboBox>(QString::fromLatin1(list))->count(), 27);
    QCOMPARE(child<QComboBox>(QStringLiteral("Cbb_PAC_Civil"))->itemText(4), QStringLiteral("Viúvo(a)"));
    QCOMPARE(child<QComboBox>(QStringLiteral("Cbb_PAC_Sangue"))->count(), 8);
}

void TestPatientManager::newExaminationButton()
{
    auto *button = child<QToolButton>(QStringLiteral("SpeedButton2"));
    QCOMPARE(button->text(), QStringLiteral("Novo Exame"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(m_window->isVisible()); // nothing takes the request: nothing visible happens
    QVERIFY(m_dialogs->shown().isEmpty());
    int requests = 0;
    connect(m_window.get(), &TfrmPatientManager::newExaminationRequested, this, [&requests] { ++requests; });
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(requests, 1);
    QVERIFY(!m_window->isVisible()); // the examination manager takes over
}

QTEST_MAIN(TestPatientManager)
#include "tst_patientmanager.moc"
