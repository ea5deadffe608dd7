// TDataModule1 when the database server stops during a session and starts again:
// the next operation fails with a clear message, the one after the server is back
// succeeds on a new connection, and the lists that were open come back.
#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "TestServerControl.h"
#include "UfrmDataModule.h"

#include <QSqlQuery>
#include <QTest>

using namespace cornix::test;

class TestReconnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void stoppedServerGivesTheConnectionMessage();
    void workGoesOnOnceTheServerIsBack();
    void uncommittedWorkIsReportedLost();
    void openListsComeBack();
    void saveAfterRestartStoresThePatient();

private:
    int patientCount();

    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
};

void TestReconnection::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_reconnection"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
}

void TestReconnection::init()
{
    QVERIFY(StartTestServer());
    m_db = Connect(m_path, Engine::Server);
    TBDCornyx db(*m_db.module);
    m_db.module->Execute(QStringLiteral("delete from PACIENTE"));
    for (int i = 1; i <= 3; ++i) {
        TPaciente p = MakePatient(i, QStringLiteral("Paciente %1").arg(i));
        QVERIFY(db.SavePatient(p));
    }
    m_db.module->Commit();
    m_dialogs->clear();
}

void TestReconnection::cleanup()
{
    QVERIFY(StartTestServer()); // whatever the test left, the next one has a server
    m_db.module.reset();
}

void TestReconnection::cleanupTestCase() { QVERIFY(StartTestServer()); }

int TestReconnection::patientCount()
{
    QSqlQuery &count = m_db.module->Execute(QStringLiteral("select count(*) from PACIENTE"));
    const int rows = count.next() ? count.value(0).toInt() : -1;
    count.finish();
    return rows;
}

void TestReconnection::stoppedServerGivesTheConnectionMessage()
{
    TBDCornyx db(*m_db.module);
    QVERIFY(StopTestServer());
    m_dialogs->clear();
    // The list reports the failure itself: -1 and the message, no exception.
    QCOMPARE(db.ListPatients({}, 1, 0, {}, -1, {}, {}, {}, {}, 1), -1);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().text, TDataModule1::ConnectionLostText(false));
    QVERIFY(m_db.module->ConnectionLost());
    // Still down: the same message, no crash, no hang.
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, m_db.module->Execute(QStringLiteral("select 1 from RDB$DATABASE")));
    QVERIFY(m_db.module->ConnectionLost());
}

void TestReconnection::workGoesOnOnceTheServerIsBack()
{
    TBDCornyx db(*m_db.module);
    QVERIFY(StopTestServer());
    QCOMPARE(db.ListPatients({}, 1, 0, {}, -1, {}, {}, {}, {}, 1), -1);
    QVERIFY(StartTestServer());
    QCOMPARE(db.ListPatients({}, 1, 0, {}, -1, {}, {}, {}, {}, 1), 3);
    QVERIFY(!m_db.module->ConnectionLost());
    QVERIFY(m_db.module->InTransaction());
}

void TestReconnection::uncommittedWorkIsReportedLost()
{
    TBDCornyx db(*m_db.module);
    db.SetPatientStatus(1, 0); // not committed yet
    QVERIFY(StopTestServer());
    try {
        m_db.module->Commit();
        QFAIL("committing without a server succeeded");
    } catch (const EDatabaseError &error) {
        QCOMPARE(error.message(), TDataModule1::ConnectionLostText(true));
    }
    QVERIFY(StartTestServer());
    QSqlQuery &status =
        m_db.module->Execute(QStringLiteral("select count(*) from PACIENTE where PAC_STATUS=0"));
    QVERIFY(status.next());
    QCOMPARE(status.value(0).toInt(), 0); // the server dropped the change, as the message said
}

void TestReconnection::openListsComeBack()
{
    TBDCornyx db(*m_db.module);
    QCOMPARE(db.ListPatients({}, 1, 0, {}, -1, {}, {}, {}, {}, 1), 3);
    QVERIFY(StopTestServer());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, m_db.module->Execute(QStringLiteral("select 1 from RDB$DATABASE")));
    QVERIFY(StartTestServer());
    m_db.module->Reconnect();
    TSqlDataset &list = m_db.module->IBQPacList();
    QVERIFY(list.Active());
    QCOMPARE(list.RecordCount(), 3);
}

void TestReconnection::saveAfterRestartStoresThePatient()
{
    TBDCornyx db(*m_db.module);
    QVERIFY(StopTestServer());
    TPaciente p = MakePatient(40, QStringLiteral("maria da silva"));
    QVERIFY(!db.SavePatient(p));
    QCOMPARE(m_dialogs->last().text, TDataModule1::ConnectionLostText(false));
    QCOMPARE(p.ID, -1);
    QVERIFY(StartTestServer());
    QVERIFY(db.SavePatient(p));
    QVERIFY(p.ID > 0);
    m_db.module->Commit();
    QCOMPARE(patientCount(), 4);
}

QTEST_GUILESS_MAIN(TestReconnection)
#include "tst_reconnection.moc"
