// The patient the examination is made for: the current row of the data module's
// patient list and the patient's age, on the test server; without a data module,
// on a closed list and on a closed connection they give their empty values, show
// nothing and throw nothing.
#include "UDCurrentPatient.h"

#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "UfrmDataModule.h"

#include <QTest>

using namespace cornix::exam;
using namespace cornix::test;

class TestCurrentPatient : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void currentRowOfThePatientList();
    void ageAtTheReferenceDate();
    void withoutModuleNothingIsRead();
    void closedListHasNoPatient();
    void closedConnectionGivesNoAge();

private:
    QString m_path;
    ConnectedModule m_db;
    std::int32_t m_patientID = -1;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
};

void TestCurrentPatient::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("examination_currentpatient"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_path, Engine::Server);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
    TPaciente patient = MakePatient(41, QStringLiteral("Ana Exame"));
    TBDCornyx db(*m_db.module);
    QVERIFY(db.SavePatient(patient));
    m_patientID = patient.ID;
    QCOMPARE(db.ListPatients({}, 1, 0, {}, -1, {}, {}, {}, {}, 1), 1);
}

void TestCurrentPatient::currentRowOfThePatientList()
{
    const TCurrentPatient patient = ReadCurrentPatient(m_db.module.get());
    QVERIFY(patient.found);
    QCOMPARE(patient.name, QStringLiteral("Ana Exame"));
    QCOMPARE(patient.birthText, QStringLiteral("10/05/1980"));
    QCOMPARE(patient.sex, QStringLiteral("F"));
    QCOMPARE(patient.prontuario, 41);
    QVERIFY(patient.ageText.endsWith(QStringLiteral(" Anos")));
}

void TestCurrentPatient::ageAtTheReferenceDate()
{
    const QDateTime day(QDate(2020, 5, 9), QTime(12, 0));
    QCOMPARE(int(ExaminationPatientAge(m_db.module.get(), m_patientID, day)), 39);
    QCOMPARE(int(ExaminationPatientAge(m_db.module.get(), m_patientID, day.addDays(1))), 40);
}

void TestCurrentPatient::withoutModuleNothingIsRead()
{
    m_dialogs->clear();
    QVERIFY(!ReadCurrentPatient(nullptr).found);
    QCOMPARE(int(ExaminationPatientAge(nullptr, m_patientID, QDateTime::currentDateTime())), 0);
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestCurrentPatient::closedListHasNoPatient()
{
    ConnectedModule other = Connect(m_path, Engine::Server);
    m_dialogs->clear();
    const TCurrentPatient patient = ReadCurrentPatient(other.module.get()); // its list never opened
    QVERIFY(!patient.found);
    QVERIFY(patient.name.isEmpty());
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestCurrentPatient::closedConnectionGivesNoAge()
{
    ConnectedModule closed = Connect(m_path, Engine::Server);
    closed.module->Disconnect();
    m_dialogs->clear();
    try {
        QVERIFY(!ReadCurrentPatient(closed.module.get()).found);
        QCOMPARE(int(ExaminationPatientAge(closed.module.get(), m_patientID, QDateTime::currentDateTime())), 0);
    } catch (...) {
        QFAIL("an exception left the operation");
    }
    QVERIFY(m_dialogs->shown().isEmpty());
}

QTEST_MAIN(TestCurrentPatient)
#include "tst_currentpatient.moc"
