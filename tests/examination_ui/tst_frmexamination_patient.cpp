// The examination window's patient panel from the data module's current patient row
// and the patient's age from the database (a real Firebird server).
#include "ExamWindowFixture.h"

#include "FirebirdTestDatabase.h"
#include "RecordsTestData.h"
#include "UDExamination.h"
#include "UfrmDataModule.h"

#include <QLabel>
#include <QLineEdit>

using namespace cornix::test;

class TestFrmExaminationPatient : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void newExaminationShowsTheCurrentPatient();
    void savedExaminationShowsItsOwnAge();

private:
    bool selectPatient(std::int32_t id);

    ConnectedModule m_db;
    std::int32_t m_patientID = -1;
};

void TestFrmExaminationPatient::initTestCase()
{
    const QString path = CreateTestDatabase(QStringLiteral("examination_window"), Engine::Server);
    QVERIFY2(!path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(path, Engine::Server);
    cornix::RecordingDialogs dialogs;
    TBDCornyx records(*m_db.module);
    TPaciente other = MakePatient(501, QStringLiteral("Outro Paciente"));
    QVERIFY(records.SavePatient(other));
    TPaciente patient = MakePatient(502, QStringLiteral("Maria Aparecida da Conceição"));
    patient.Sexo = QStringLiteral("F");
    QVERIFY(records.SavePatient(patient));
    m_patientID = patient.ID;
    m_db.module->IBQPacList().Open();
    QVERIFY(selectPatient(m_patientID));
}

void TestFrmExaminationPatient::cleanupTestCase() { m_db.module.reset(); }

bool TestFrmExaminationPatient::selectPatient(std::int32_t id)
{
    TSqlDataset &list = m_db.module->IBQPacList();
    const int rows = list.RecordCount();
    for (int row = 1; row <= rows; ++row) {
        list.SetRecNo(row);
        if (list.FieldByName(QStringLiteral("PAC_ID")).toInt() == id)
            return true;
    }
    return false;
}

void TestFrmExaminationPatient::newExaminationShowsTheCurrentPatient()
{
    ExamWindowFixture fx;
    QVERIFY(fx.start());
    TfrmExamination *window = fx.open(0, {}, m_patientID);
    QVERIFY(fx.sim->waitForCommands(3, std::chrono::seconds(10)));

    const int age = AgeInYears(QStringLiteral("10/05/1980"), QString());
    const qint64 days = QDate(1980, 5, 10).daysTo(QDate::currentDate());
    const int listAge = int(double(days) / 365.2422);
    QCOMPARE(fx.child<QLineEdit>("edtPatientName")->text(), QStringLiteral("Maria Aparecida da Conceição"));
    QCOMPARE(fx.child<QLineEdit>("edtDateOfBirth")->text(), QStringLiteral("10/05/1980"));
    QCOMPARE(fx.child<QLabel>("lbl_Idade")->text(), QStringLiteral("Idade :") + QString::number(age));
    QCOMPARE(fx.child<QLineEdit>("Edt_Exm_Birth")->text(), QString::number(listAge) + QStringLiteral(" Anos"));
    QCOMPARE(fx.child<QLineEdit>("Edt_Exm_Sexo")->text(), QStringLiteral("F"));
    QCOMPARE(window->Session().Exam().Age, age);
    QCOMPARE(window->Session().Exam().Prontuario, 502);
    QCOMPARE(window->Session().Exam().PatientID, m_patientID);
    QVERIFY(fx.dialogs.shown().isEmpty());
}

// A saved examination shows the age it was made at, not today's.
void TestFrmExaminationPatient::savedExaminationShowsItsOwnAge()
{
    ExamWindowFixture fx;
    QVERIFY(fx.start());
    TExame exam;
    exam.ID = 3;
    exam.PatientID = m_patientID;
    exam.Age = 30;
    fx.open(3, exam, m_patientID);
    QCOMPARE(fx.child<QLineEdit>("edtPatientName")->text(), QStringLiteral("Maria Aparecida da Conceição"));
    QCOMPARE(fx.child<QLabel>("lbl_Idade")->text(), QStringLiteral("Idade : 30 Anos"));
}

QTEST_MAIN(TestFrmExaminationPatient)
#include "tst_frmexamination_patient.moc"
