// TDataModule1: connection naming, the one transaction, the list datasets and RefreshList.
#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "UfrmDataModule.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QSqlRecord>
#include <QTest>

using namespace cornix::test;

class TestDataModule : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void serverFromSettings_data();
    void serverFromSettings();
    void databaseName_data();
    void databaseName();
    void datasetTextsAtCreation();
    void connectingToAMissingFileThrows();

    void refreshListOpensTheEntitysDatasets_data();
    void refreshListOpensTheEntitysDatasets();
    void commitClosesDatasetsAndWorkGoesOn();
    void navigation();
    void eofLoopVisitsEveryRow_data();
    void eofLoopVisitsEveryRow();
    void charColumnsComeBackUnpadded();
    void cpfDisplayText_data();
    void cpfDisplayText();
    void listFieldsDisplayFormats();
    void startUpOpensThePatientList();

private:
    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
};

void TestDataModule::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_datamodule"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_path, Engine::Server);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
    TBDCornyx db(*m_db.module);
    for (int i = 1; i <= 300; ++i) {
        TPaciente p = MakePatient(i, QStringLiteral("Paciente %1").arg(i, 3, 10, QLatin1Char('0')));
        QVERIFY(db.SavePatient(p));
    }
    m_db.module->Commit();
}

void TestDataModule::cleanupTestCase() { m_db.module.reset(); }

void TestDataModule::serverFromSettings_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("server");
    QTest::newRow("key absent") << "[SYSTEM]\ndecimalSeparator=.\n" << "localhost";
    QTest::newRow("empty: engine inside the program") << "[DATABASE]\nserver=\n" << "";
    QTest::newRow("host") << "[DATABASE]\nserver=127.0.0.1\n" << "127.0.0.1";
    QTest::newRow("host and port") << "[DATABASE]\nserver=localhost/3051\n" << "localhost/3051";
}

void TestDataModule::serverFromSettings()
{
    QFETCH(QString, section);
    QFETCH(QString, server);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("cornix.ini"));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(section.toUtf8());
    file.close();
    QCOMPARE(TDataModule1::ServerFromSettings(ini), server);
}

void TestDataModule::databaseName_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("name");
    QTest::newRow("local server") << "localhost" << "localhost:/x/Database/Cornyx.FDB";
    QTest::newRow("embedded") << "" << "/x/Database/Cornyx.FDB";
    QTest::newRow("other host") << "10.0.0.2" << "10.0.0.2:/x/Database/Cornyx.FDB";
    QTest::newRow("local server on another port") << "localhost/3051" << "localhost/3051:/x/Database/Cornyx.FDB";
}

void TestDataModule::databaseName()
{
    QFETCH(QString, server);
    QFETCH(QString, name);
    TDataModule1 module;
    QCOMPARE(module.Server(), QStringLiteral("localhost"));
    module.SetServer(server);
    QCOMPARE(module.DatabaseName(QStringLiteral("/x/Database/Cornyx.FDB")), name);
}

void TestDataModule::datasetTextsAtCreation()
{
    TDataModule1 module;
    QCOMPARE(module.IBQMedList().SQL(), QStringLiteral("select * from MEDICO order by MED_NOME"));
    QCOMPARE(module.IBQExmList().SQL(), QStringLiteral("select * from EXAME_RESUMO"));
    QCOMPARE(module.IBQExame().SQL(), QStringLiteral("select * from EXAME"));
    QCOMPARE(module.IBQPacExame().SQL(), QStringLiteral("select * from PACIENTE_LIST order by PAC_NOME;"));
    QVERIFY(module.IBQPacList().SQL().startsWith(QStringLiteral("select distinct PAC_ID,PAC_STATUS,PAC_PRONTUARIO,")));
    QVERIFY(module.IBQPacList().SQL().contains(QStringLiteral("count(EXM_ID) as PAC_TOTALEXAME")));
    QVERIFY(TDataModule1::DefaultDatabasePath().endsWith(QStringLiteral("/Database/Cornyx.FDB")));
}

void TestDataModule::connectingToAMissingFileThrows()
{
    TDataModule1 module;
    module.SetServer(TestServer());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, module.ConnectDatabase(m_path + QStringLiteral(".missing")));
    QVERIFY(!module.Connected());
}

void TestDataModule::refreshListOpensTheEntitysDatasets_data()
{
    QTest::addColumn<QString>("entity");
    QTest::addColumn<QStringList>("opened");
    const QStringList tables = {"IBQPacTable", "IBQMedTable", "IBQExmData", "IBQExmReload"};
    QTest::newRow("patient") << "patient" << QStringList{"IBQPacList"};
    QTest::newRow("doctor") << "doctor" << QStringList{"IBQMedList"};
    QTest::newRow("examination") << "examination" << QStringList{"IBQExmList"};
    QTest::newRow("Patient (case matters)") << "Patient" << tables;
    QTest::newRow("empty") << "" << tables;
}

void TestDataModule::refreshListOpensTheEntitysDatasets()
{
    QFETCH(QString, entity);
    QFETCH(QStringList, opened);
    TDataModule1 &m = *m_db.module;
    m.RefreshList(entity);
    for (TSqlDataset *d : {&m.IBQPacList(), &m.IBQMedList(), &m.IBQExmList(), &m.IBQPacTable(), &m.IBQMedTable(),
                           &m.IBQExmData(), &m.IBQExmReload()}) {
        QCOMPARE(d->Active(), opened.contains(d->Name()));
        if (d->Active())
            QVERIFY(d->SourceEnabled());
    }
    if (opened.contains(QStringLiteral("IBQExmReload"))) {
        QCOMPARE(m.IBQExmReload().RecordCount(), 300);
        QVERIFY(m.IBQExmReload().FieldByName(QStringLiteral("PAC_IDADE")).toString().endsWith(QStringLiteral(" Anos")));
    }
}

void TestDataModule::commitClosesDatasetsAndWorkGoesOn()
{
    TDataModule1 &m = *m_db.module;
    m.RefreshList(QStringLiteral("patient"));
    QSignalSpy committed(&m, &TDataModule1::committed);
    m.Commit();
    QCOMPARE(committed.count(), 1);
    QVERIFY(!m.IBQPacList().Active());
    QVERIFY(!m.InTransaction());
    // The next statement starts the transaction again by itself.
    m.IBQMedList().Open();
    QVERIFY(m.InTransaction());
    m.Rollback();
}

void TestDataModule::navigation()
{
    TSqlDataset &list = m_db.module->IBQPacTable();
    list.SetSQL(QStringLiteral("select PAC_NOME from PACIENTE order by PAC_NOME"));
    QSignalSpy moved(&list, &TSqlDataset::currentRowChanged);
    list.Open();
    QCOMPARE(list.RecNo(), 1);
    QCOMPARE(list.FieldByName(QStringLiteral("PAC_NOME")).toString(), QStringLiteral("Paciente 001"));
    QVERIFY(!list.Eof());
    list.Last(); // beyond the first fetch of 256 rows
    QCOMPARE(list.RecNo(), 300);
    QVERIFY(list.Eof());
    QCOMPARE(list.FieldByName(QStringLiteral("PAC_NOME")).toString(), QStringLiteral("Paciente 300"));
    list.Prior();
    QCOMPARE(list.RecNo(), 299);
    QVERIFY(!list.Eof());
    list.Next();
    QCOMPARE(list.RecNo(), 300);
    QVERIFY(!list.Eof()); // on the last row, not yet past it
    list.Next();
    QCOMPARE(list.RecNo(), 300);
    QVERIFY(list.Eof());
    list.SetRecNo(12);
    QVERIFY(!list.Eof());
    list.First();
    QVERIFY(!list.Eof());
    list.Prior();
    QCOMPARE(list.RecNo(), 1);
    list.SetRecNo(1000);
    QCOMPARE(list.RecNo(), 300);
    QCOMPARE(list.RecordCount(), 300);
    QVERIFY(moved.count() >= 5);
    list.SetSQL(QStringLiteral("select * from PACIENTE where PAC_ID < 0"));
    list.Open();
    QCOMPARE(list.RecNo(), 0);
    QVERIFY(list.Eof());
    list.First();
    QVERIFY(list.Eof());
    QVERIFY(!list.FieldByName(QStringLiteral("PAC_NOME")).isValid());
}

void TestDataModule::eofLoopVisitsEveryRow_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("empty") << 0;
    QTest::newRow("one row") << 1;
    QTest::newRow("two rows") << 2;
    QTest::newRow("one fetch exactly") << 256;
    QTest::newRow("one past the first fetch") << 257;
    QTest::newRow("all") << 300;
}

// The loop the windows fill their doctor tables with: the last row is visited too.
void TestDataModule::eofLoopVisitsEveryRow()
{
    QFETCH(int, rows);
    TSqlDataset &list = m_db.module->IBQPacTable();
    list.SetSQL(QStringLiteral("select first %1 PAC_NOME from PACIENTE order by PAC_NOME").arg(rows));
    list.Open();
    QStringList visited;
    list.First();
    while (!list.Eof()) {
        visited << list.FieldByName(QStringLiteral("PAC_NOME")).toString();
        list.Next();
    }
    QCOMPARE(visited.size(), rows);
    if (rows > 0) {
        QCOMPARE(visited.first(), QStringLiteral("Paciente 001"));
        QCOMPARE(visited.last(), QStringLiteral("Paciente %1").arg(rows, 3, 10, QLatin1Char('0')));
        QCOMPARE(list.RecNo(), rows); // the cursor stays on the last row
    }
}

void TestDataModule::charColumnsComeBackUnpadded()
{
    TSqlDataset &list = m_db.module->IBQPacTable();
    list.SetSQL(QStringLiteral("select PAC_SEXO, PAC_NOME from PACIENTE where PAC_PRONTUARIO = 1"));
    list.Open();
    QCOMPARE(list.FieldByName(QStringLiteral("PAC_SEXO")).toString(), QStringLiteral("F"));
    QCOMPARE(list.data(list.index(0, 0)).toString(), QStringLiteral("F"));
}

void TestDataModule::cpfDisplayText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("eleven digits") << "52998224725" << "529.982.247-25";
    QTest::newRow("empty stays empty") << "" << "";
    QTest::newRow("short fills with blanks") << "12345" << "123.45 .   -  ";
}

void TestDataModule::cpfDisplayText()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QCOMPARE(CPFDisplayText(stored), shown);
}

// The grids show the CPF punctuated and the birth date as dd/mm/yyyy; the values stay as stored.
void TestDataModule::listFieldsDisplayFormats()
{
    m_db.module->Execute(QStringLiteral("update PACIENTE set PAC_CPF='52998224725', PAC_NASCIMENTO='1980-05-10' "
                                        "where PAC_PRONTUARIO = 2"));
    TSqlDataset &list = m_db.module->IBQPacList();
    list.SetSQL(TDataModule1::PacListSQL() + QStringLiteral(" order by PAC_PRONTUARIO"));
    list.Open();
    list.SetRecNo(2);
    const int cpf = list.record().indexOf(QStringLiteral("PAC_CPF"));
    QCOMPARE(list.data(list.index(1, cpf)).toString(), QStringLiteral("529.982.247-25"));
    QCOMPARE(list.FieldByName(QStringLiteral("PAC_CPF")).toString(), QStringLiteral("52998224725"));

    TSqlDataset &exame = m_db.module->IBQPacExame();
    exame.SetSQL(QStringLiteral("select PAC_NASCIMENTO, PAC_CPF from PACIENTE_LIST where PAC_CPF='52998224725'"));
    exame.Open();
    QCOMPARE(exame.data(exame.index(0, 0)).toString(), QStringLiteral("10/05/1980"));
    QCOMPARE(exame.FieldByName(QStringLiteral("PAC_NASCIMENTO")).toDate(), QDate(1980, 5, 10));
    QCOMPARE(exame.data(exame.index(0, 1)).toString(), QStringLiteral("52998224725")); // no mask there
}

void TestDataModule::startUpOpensThePatientList()
{
    TDataModule1 module;
    module.SetServer(TestServer());
    module.OpenAtStartUp(m_path);
    QVERIFY(module.InTransaction());
    QVERIFY(module.IBQPacList().Active());
    QCOMPARE(module.IBQPacList().RecordCount(), 300);
    QCOMPARE(module.IBQPacList().FieldByName(QStringLiteral("PAC_TOTALEXAME")).toInt(), 0);
}

QTEST_MAIN(TestDataModule)
#include "tst_datamodule.moc"
