// TBDCornyx::ListPatients on lists longer than one fetch of the grids: the count is
// every matching patient, the rows come in the asked order with their examination
// counts, and the rows beyond the first fetch arrive when they are looked at.
#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "UfrmDataModule.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace cornix::test;

namespace {

constexpr int kPatients = 700;

// Patient i has i % 4 examinations; every seventh is inactive; odd ones are men.
QString nameOf(int i) { return QStringLiteral("Paciente %1 %2").arg(i % 2 ? "Silva" : "Souza").arg(i, 4, 10, QLatin1Char('0')); }

} // namespace

class TestPatientList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void countsEveryMatchingPatient_data();
    void countsEveryMatchingPatient();
    void rowsKeepTheirOrderAndExaminationCounts();
    void laterRowsArriveWhenLookedAt();
    void doctorAndDateFiltersStillJoinTheExaminations();

private:
    int reference(const QString &where);

    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
};

void TestPatientList::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_patientlist"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_path, Engine::Server);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
    TBDCornyx db(*m_db.module);
    TMedico doctor = MakeDoctor(QStringLiteral("Dr. Lista"), QStringLiteral("M"), QStringLiteral("L-1"));
    QVERIFY(db.SaveDoctor(doctor));
    QSqlQuery patient = m_db.module->NewQuery();
    QVERIFY(patient.prepare(QStringLiteral("insert into PACIENTE (PAC_PRONTUARIO, PAC_NOME, PAC_SEXO, PAC_CPF, "
                                           "PAC_STATUS) values (:p, :n, :s, :c, :st) returning PAC_ID")));
    QSqlQuery exam = m_db.module->NewQuery();
    QVERIFY(exam.prepare(QStringLiteral("insert into EXAME (EXM_MEDICO, EXM_PACIENTE, EXM_DATA) values (:m, :p, :d)")));
    for (int i = 1; i <= kPatients; ++i) {
        patient.bindValue(QStringLiteral(":p"), i);
        patient.bindValue(QStringLiteral(":n"), nameOf(i));
        patient.bindValue(QStringLiteral(":s"), i % 2 ? QStringLiteral("M") : QStringLiteral("F"));
        patient.bindValue(QStringLiteral(":c"), GenerateCPF());
        patient.bindValue(QStringLiteral(":st"), i % 7 == 0 ? 0 : 1);
        QVERIFY(patient.exec() && patient.next());
        const int id = patient.value(0).toInt();
        for (int e = 0; e < i % 4; ++e) {
            exam.bindValue(QStringLiteral(":m"), doctor.ID);
            exam.bindValue(QStringLiteral(":p"), id);
            exam.bindValue(QStringLiteral(":d"), QDate(2020, 1, 1).addDays(i));
            QVERIFY(exam.exec());
        }
    }
    patient.finish();
    m_db.module->Commit();
}

void TestPatientList::cleanupTestCase() { m_db.module.reset(); }

int TestPatientList::reference(const QString &where)
{
    QSqlQuery &count = m_db.module->Execute(QStringLiteral("select count(*) from PACIENTE where ") + where);
    const int rows = count.next() ? count.value(0).toInt() : -1;
    count.finish();
    return rows;
}

void TestPatientList::countsEveryMatchingPatient_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<QString>("where");
    QTest::newRow("active, more than one fetch") << "" << 1 << "" << "PAC_STATUS=1";
    QTest::newRow("all statuses") << "" << 2 << "" << "PAC_STATUS>=0";
    QTest::newRow("inactive, one fetch") << "" << 0 << "" << "PAC_STATUS=0";
    QTest::newRow("name word") << "silva" << 1 << "" << "PAC_STATUS=1 and PAC_NOME like '%Silva%'";
    QTest::newRow("women") << "" << 2 << "F" << "PAC_SEXO='F'";
    QTest::newRow("nobody") << "xyz" << 1 << "" << "PAC_STATUS=123";
    QTest::newRow("inactive by name: none active") << "0350" << 1 << "" << "PAC_STATUS=1 and PAC_PRONTUARIO=350";
    QTest::newRow("exactly one") << "0351" << 1 << "" << "PAC_PRONTUARIO=351";
}

void TestPatientList::countsEveryMatchingPatient()
{
    QFETCH(QString, name);
    QFETCH(int, status);
    QFETCH(QString, sex);
    QFETCH(QString, where);
    TBDCornyx db(*m_db.module);
    const int count = db.ListPatients(name, status, 0, {}, -1, sex, {}, {}, {}, 1);
    QCOMPARE(count, reference(where));
    QCOMPARE(m_db.module->IBQPacList().RecordCount(), count);
    QCOMPARE(m_db.module->IBQPacList().RecNo(), count > 0 ? 1 : 0);
}

void TestPatientList::rowsKeepTheirOrderAndExaminationCounts()
{
    TBDCornyx db(*m_db.module);
    QCOMPARE(db.ListPatients({}, 2, 0, {}, -1, {}, {}, {}, QStringLiteral("-PAC_PRONTUARIO"), 1), kPatients);
    TSqlDataset &list = m_db.module->IBQPacList();
    const QSqlRecord fields = list.record();
    QCOMPARE(fields.count(), 30);
    QCOMPARE(fields.fieldName(29), QStringLiteral("PAC_TOTALEXAME"));
    QCOMPARE(fields.fieldName(28), QStringLiteral("PAC_EXMDATA"));
    const int prontuario = fields.indexOf(QStringLiteral("PAC_PRONTUARIO"));
    const int exams = fields.indexOf(QStringLiteral("PAC_TOTALEXAME"));
    QCOMPARE(list.RecordCount(), kPatients);
    for (int r = 0; r < kPatients; ++r) {
        QCOMPARE(list.data(list.index(r, prontuario), Qt::EditRole).toInt(), r + 1);
        QCOMPARE(list.data(list.index(r, exams), Qt::EditRole).toInt(), (r + 1) % 4);
    }
    // Moving to a row beyond the first fetch works as on any list.
    list.SetRecNo(650);
    QCOMPARE(list.FieldByName(QStringLiteral("PAC_PRONTUARIO")).toInt(), 650);
}

void TestPatientList::laterRowsArriveWhenLookedAt()
{
    TBDCornyx db(*m_db.module);
    QCOMPARE(db.ListPatients({}, 2, 0, {}, -1, {}, {}, {}, {}, 1), kPatients);
    TSqlDataset &list = m_db.module->IBQPacList();
    QVERIFY(list.rowCount() < kPatients); // only the first rows were fetched
    QVERIFY(list.canFetchMore());
    list.Last();
    QCOMPARE(list.RecNo(), kPatients);
    QCOMPARE(list.FieldByName(QStringLiteral("PAC_NOME")).toString(), nameOf(700)); // by name: Souza after Silva
}

void TestPatientList::doctorAndDateFiltersStillJoinTheExaminations()
{
    TBDCornyx db(*m_db.module);
    // Patients with at least one examination: i % 4 != 0.
    QCOMPARE(db.ListPatients({}, 2, 0, {}, 0, {}, {}, {}, {}, 1), kPatients - kPatients / 4);
    QVERIFY(db.LastPatientSQL().contains(QStringLiteral("left join exame")));
    QCOMPARE(db.ListPatients({}, 2, 0, {}, -1, {}, QStringLiteral("02/01/2020"), QStringLiteral("11/01/2020"), {}, 1),
             reference(QStringLiteral("PAC_PRONTUARIO between 1 and 10 and mod(PAC_PRONTUARIO, 4) <> 0")));
    QCOMPARE(db.ListPatients({}, 2, 0, {}, -1, {}, {}, {}, {}, 1), kPatients);
    QVERIFY(!db.LastPatientSQL().contains(QStringLiteral("join")));
}

QTEST_MAIN(TestPatientList)
#include "tst_patientlist.moc"
