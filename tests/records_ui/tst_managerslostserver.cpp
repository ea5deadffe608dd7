// Both managers when the database server stops during a session and starts again:
// a clear message, nothing the user typed lost, and the same save succeeding once
// the server is back, without restarting anything. Stops the test server: runs alone.
#include "FirebirdTestDatabase.h"
#include "ManagerTestSupport.h"
#include "RecordingDialogs.h"
#include "TestServerControl.h"
#include "UfrmDoctorManager.h"
#include "UfrmPatientManager.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

using namespace cornix::test;

class TestManagersLostServer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void newPatientSavedOnceTheServerIsBack();
    void filterAfterTheServerStoppedAndCameBack();
    void doctorUpdateSavedOnceTheServerIsBack();

private:
    template <class T> static T *child(QWidget *window, const QString &name);
    int countInAnotherConnection(const QString &sql);

    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
};

void TestManagersLostServer::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_ui_lostserver"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
}

void TestManagersLostServer::init()
{
    QVERIFY(StartTestServer());
    m_db = Connect(m_path, Engine::Server);
    QVERIFY(ResetPatients(*m_db.module));
    QVERIFY(ResetDoctors(*m_db.module, {{"Dr. Carlos Menezes", "M", "1001-SP", true},
                                        {"Dra. Ana Prado", "F", "1002-SP", true}}));
    m_dialogs->clear();
}

void TestManagersLostServer::cleanup()
{
    QVERIFY(StartTestServer());
    m_db.module.reset();
}

void TestManagersLostServer::cleanupTestCase() { QVERIFY(StartTestServer()); }

template <class T> T *TestManagersLostServer::child(QWidget *window, const QString &name)
{
    T *found = window->findChild<T *>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

int TestManagersLostServer::countInAnotherConnection(const QString &sql)
{
    ConnectedModule other = Connect(m_path, Engine::Server);
    return CountRows(*other.module, sql);
}

void TestManagersLostServer::newPatientSavedOnceTheServerIsBack()
{
    TfrmPatientManager window(*m_db.module);
    window.resize(1280, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(child<QToolButton>(&window, QStringLiteral("spb_bdNew")), Qt::LeftButton);
    QTRY_VERIFY(!child<QTimer>(&window, QStringLiteral("tmr_Clear"))->isActive());
    TypeText(child<QLineEdit>(&window, QStringLiteral("Mke_Pac_Prontuario")), QStringLiteral("4321"));
    TypeText(child<QLineEdit>(&window, QStringLiteral("Edt_PAC_Nome")), QStringLiteral("Conceição Araújo"));
    child<QLineEdit>(&window, QStringLiteral("Mke_PAC_Nascimento"))->setText(QStringLiteral("15/08/1961"));
    TypeText(child<QLineEdit>(&window, QStringLiteral("Edt_PAC_Cidade")), QStringLiteral("Niterói"));

    QVERIFY(StopTestServer());
    QTest::mouseClick(child<QToolButton>(&window, QStringLiteral("spb_bdSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList{TDataModule1::ConnectionLostText(false)});
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Error);
    QVERIFY(window.NewRecordMode());
    QCOMPARE(child<QLineEdit>(&window, QStringLiteral("Edt_PAC_Nome"))->text(), QStringLiteral("Conceição Araújo"));
    QCOMPARE(child<QLineEdit>(&window, QStringLiteral("Mke_Pac_Prontuario"))->text(), QStringLiteral("4321"));
    QCOMPARE(child<QLineEdit>(&window, QStringLiteral("Mke_PAC_Nascimento"))->text(), QStringLiteral("15/08/1961"));
    QCOMPARE(child<QLineEdit>(&window, QStringLiteral("Edt_PAC_Cidade"))->text(), QStringLiteral("Niterói"));
    QVERIFY(child<QToolButton>(&window, QStringLiteral("spb_bdSave"))->isVisible());

    QVERIFY(StartTestServer());
    m_dialogs->clear();
    QTest::mouseClick(child<QToolButton>(&window, QStringLiteral("spb_bdSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Novo Registro Cadastrado Com Sucesso!")});
    QVERIFY(!window.NewRecordMode());
    QCOMPARE(m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_NOME")).toString(),
             QStringLiteral("Conceição Araújo"));
    QCOMPARE(countInAnotherConnection(QStringLiteral("select count(*) from PACIENTE where PAC_PRONTUARIO=4321 and "
                                                     "PAC_NOME='Conceição Araújo' and PAC_CIDADE='Niterói'")),
             1);
}

void TestManagersLostServer::filterAfterTheServerStoppedAndCameBack()
{
    TfrmPatientManager window(*m_db.module);
    window.resize(1280, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(child<QLabel>(&window, QStringLiteral("Lbl_Pac_Filtro")), Qt::LeftButton);
    auto *name = child<QLineEdit>(&window, QStringLiteral("Edt_PAC_FNome"));
    QVERIFY(StopTestServer());
    TypeText(name, QStringLiteral("a"));
    QCOMPARE(m_dialogs->texts(), QStringList{TDataModule1::ConnectionLostText(false)});
    QCOMPARE(name->text(), QStringLiteral("a"));
    QVERIFY(StartTestServer());
    m_dialogs->clear();
    TypeText(name, QStringLiteral("na"));
    QVERIFY(m_dialogs->shown().isEmpty());
    QCOMPARE(child<QLabel>(&window, QStringLiteral("lbl_PAC_Info_List"))->text(), QStringLiteral("1 Pacientes"));
    QCOMPARE(m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_NOME")).toString(), QStringLiteral("Ana Souza"));
}

void TestManagersLostServer::doctorUpdateSavedOnceTheServerIsBack()
{
    TfrmDoctorManager window(*m_db.module);
    window.resize(1280, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *grid = child<QTableView>(&window, QStringLiteral("Dbg_Doc_Manager"));
    ClickCell(grid, 0, 1);
    QCOMPARE(child<QLineEdit>(&window, QStringLiteral("Edt_Doc_Name"))->text(), QStringLiteral("Dr. Carlos Menezes"));
    auto *speciality = child<QLineEdit>(&window, QStringLiteral("Edt_Doc_Especialidade"));
    TypeText(speciality, QStringLiteral("Retina"));

    QVERIFY(StopTestServer());
    QTest::mouseClick(child<QToolButton>(&window, QStringLiteral("Spb_BDSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList{TDataModule1::ConnectionLostText(false)});
    QCOMPARE(speciality->text(), QStringLiteral("Retina"));

    QVERIFY(StartTestServer());
    m_dialogs->clear();
    QTest::mouseClick(child<QToolButton>(&window, QStringLiteral("Spb_BDSave")), Qt::LeftButton);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Registro Atualizado Com Sucesso!")});
    QCOMPARE(countInAnotherConnection(QStringLiteral(
                 "select count(*) from MEDICO where MED_NOME='Dr. Carlos Menezes' and MED_ESPECIALIDADE='Retina'")),
             1);
}

QTEST_MAIN(TestManagersLostServer)
#include "tst_managerslostserver.moc"
