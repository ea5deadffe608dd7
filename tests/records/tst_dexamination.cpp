// The examination loader and the examination's date helpers, on a real Firebird server.
#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "UDExamination.h"
#include "UfrmDataModule.h"

#include <QTest>

using namespace cornix::test;

class TestDExamination : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void ageInYears_data();
    void ageInYears();
    void ageInYearsWithEmptyReferenceIsToday();
    void isValidBirthDate_data();
    void isValidBirthDate();

    void loadExaminationRoundTrip();
    void loadFixation_data();
    void loadFixation();
    void loadMissingExaminationLeavesRecord();
    void patientAge();
    void closedDatabase();

private:
    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
};

void TestDExamination::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_examloader"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(m_path, Engine::Server);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
}

void TestDExamination::cleanupTestCase() { m_db.module.reset(); }

void TestDExamination::ageInYears_data()
{
    QTest::addColumn<QString>("birth");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<int>("age");
    QTest::newRow("day before the birthday") << "10/05/1980" << "09/05/2020" << 39;
    QTest::newRow("on the birthday") << "10/05/1980" << "10/05/2020" << 40;
    QTest::newRow("month before") << "10/05/1980" << "30/04/2020" << 39;
    QTest::newRow("month after") << "10/05/1980" << "01/06/2020" << 40;
    QTest::newRow("29 February at 28 February") << "29/02/2000" << "28/02/2021" << 20;
    QTest::newRow("same day") << "10/05/2020" << "10/05/2020" << 0;
    QTest::newRow("born after the reference wraps on 8 bits") << "10/05/2021" << "10/05/2020" << 255;
    QTest::newRow("300 years wraps") << "01/01/1720" << "01/01/2020" << 44;
    QTest::newRow("birth not a date") << "  /  /    " << "10/05/2020" << 0;
}

void TestDExamination::ageInYears()
{
    QFETCH(QString, birth);
    QFETCH(QString, reference);
    QFETCH(int, age);
    QCOMPARE(int(AgeInYears(birth, reference)), age);
}

void TestDExamination::ageInYearsWithEmptyReferenceIsToday()
{
    const QDate today = QDate::currentDate();
    const QString birth = today.addYears(-30).addDays(1).toString(QStringLiteral("dd/MM/yyyy"));
    QCOMPARE(int(AgeInYears(birth, QString())), 29);
}

void TestDExamination::isValidBirthDate_data()
{
    const int year = QDate::currentDate().year();
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("30/02/1990") << "30/02/1990" << false;
    QTest::newRow("29/02/1990 no leap-year check") << "29/02/1990" << true;
    QTest::newRow("31/04/1990 no month length check") << "31/04/1990" << true;
    QTest::newRow("32/01/1990") << "32/01/1990" << false;
    QTest::newRow("00/05/1990 day 0 passes") << "00/05/1990" << true;
    QTest::newRow("month 0") << "01/00/1990" << false;
    QTest::newRow("month 13") << "01/13/1990" << false;
    QTest::newRow("current year") << QStringLiteral("01/01/%1").arg(year) << false;
    QTest::newRow("last year") << QStringLiteral("01/01/%1").arg(year - 1) << true;
    QTest::newRow("119 years ago") << QStringLiteral("01/01/%1").arg(year - 119) << true;
    QTest::newRow("120 years ago") << QStringLiteral("01/01/%1").arg(year - 120) << false;
    QTest::newRow("negative day") << "-1/05/1990" << false;
    QTest::newRow("letters") << "ab/05/1990" << false;
    QTest::newRow("empty mask") << "  /  /    " << false;
    QTest::newRow("empty") << "" << false;
}

void TestDExamination::isValidBirthDate()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(::IsValidBirthDate(text), valid);
}

void TestDExamination::loadExaminationRoundTrip()
{
    TBDCornyx db(*m_db.module);
    TPaciente patient = MakePatient(4321, QStringLiteral("Carga Completa"));
    QVERIFY(db.SavePatient(patient));
    TMedico doctor = MakeDoctor(QStringLiteral("helena prado"), QStringLiteral("F"), QStringLiteral("CRM-SP 99"));
    QVERIFY(db.SaveDoctor(doctor));
    TBFrameBuffer frames;
    FillFrames(frames);
    TExame saved = MakeExam(doctor.ID, patient.ID);
    QVERIFY(db.SaveExamination(saved, frames));

    TExame loaded;
    QVERIFY(TDExamination(*m_db.module).LoadExamination(saved.ID, loaded));
    QCOMPARE(loaded.ID, saved.ID);
    QCOMPARE(loaded.DoctorID, doctor.ID);
    QCOMPARE(loaded.DoctorName, QStringLiteral("Dra. Helena Prado"));
    QCOMPARE(loaded.DoctorCRM, QStringLiteral("CRM-SP 99"));
    QCOMPARE(loaded.PatientID, patient.ID);
    QCOMPARE(loaded.Prontuario, 4321);
    QCOMPARE(loaded.Age, int(AgeInYears(QStringLiteral("10/05/1980"), saved.DateText)));
    QCOMPARE(loaded.DateText, saved.DateText);
    QCOMPARE(loaded.TimeText, saved.TimeText);
    QCOMPARE(loaded.Eye, 1);
    QCOMPARE(loaded.FixSide, QStringLiteral("N"));
    QCOMPARE(loaded.FixPos, std::uint16_t(2));
    QCOMPARE(loaded.Firmware, saved.Firmware);
    QCOMPARE(loaded.Software, saved.Software);
    QCOMPARE(loaded.TotalCells, 123);
    QCOMPARE(loaded.AnalysedArea, 0.046); // NUMERIC(18,3) keeps three decimals
    QCOMPARE(loaded.Density, 2697);
    QCOMPARE(loaded.SD, 120.25);
    QCOMPARE(loaded.AreaMin, 150.5);
    QCOMPARE(loaded.AreaMean, 370.75);
    QCOMPARE(loaded.AreaMax, 820.125);
    QCOMPARE(loaded.Hexagonal, 70);
    QCOMPARE(loaded.CV, 0.325);
    QCOMPARE(loaded.TotalImages, 3);
    QCOMPARE(loaded.Pachymetry, 545);
    QCOMPARE(loaded.MorphoInfo, saved.MorphoInfo);
    QCOMPARE(loaded.MegatInfo, saved.MegatInfo);
    const QString folder = db.ExaminationFolder(saved.ID);
    QCOMPARE(loaded.CropOrigPath, folder + QStringLiteral("/Crop.bmp"));
    QCOMPARE(loaded.CropProcPath, folder + QStringLiteral("/Process.bmp"));
    QCOMPARE(loaded.Diagnosis, QStringLiteral("Córnea transparente"));
    QCOMPARE(loaded.Observation, QStringLiteral("Sem alterações"));
}

void TestDExamination::loadFixation_data()
{
    QTest::addColumn<QString>("side");
    QTest::addColumn<int>("position");
    QTest::newRow("centre: empty side stays empty") << "" << 0;
    QTest::newRow("12 h: empty side stays empty") << "" << 12;
    QTest::newRow("temporal 4 h") << "T" << 4;
    QTest::newRow("nasal 10 h") << "N" << 10;
}

void TestDExamination::loadFixation()
{
    QFETCH(QString, side);
    QFETCH(int, position);
    TBDCornyx db(*m_db.module);
    static int prontuario = 4400;
    TPaciente patient = MakePatient(++prontuario, QStringLiteral("Fixação Paciente"));
    QVERIFY(db.SavePatient(patient));
    TMedico doctor = MakeDoctor(QStringLiteral("rui fixa"), QStringLiteral("M"), QString::number(prontuario));
    QVERIFY(db.SaveDoctor(doctor));
    TBFrameBuffer frames;
    FillFrames(frames);
    TExame saved = MakeExam(doctor.ID, patient.ID);
    saved.FixSide = side;
    saved.FixPos = std::uint16_t(position);
    QVERIFY(db.SaveExamination(saved, frames));

    TExame loaded;
    QVERIFY(TDExamination(*m_db.module).LoadExamination(saved.ID, loaded));
    QCOMPARE(loaded.FixSide, side);
    QCOMPARE(int(loaded.FixPos), position);
}

void TestDExamination::loadMissingExaminationLeavesRecord()
{
    TExame exam;
    exam.Diagnosis = QStringLiteral("intacto");
    QVERIFY(!TDExamination(*m_db.module).LoadExamination(99999, exam));
    QCOMPARE(exam.ID, -1);
    QCOMPARE(exam.Diagnosis, QStringLiteral("intacto"));
}

void TestDExamination::patientAge()
{
    TPaciente patient = MakePatient(4322, QStringLiteral("Idade Paciente"));
    QVERIFY(TBDCornyx(*m_db.module).SavePatient(patient));
    QCOMPARE(int(PatientAge(*m_db.module, patient.ID, QDateTime(QDate(2020, 5, 9), QTime(23, 0)))), 39);
    QCOMPARE(int(PatientAge(*m_db.module, patient.ID, QDateTime(QDate(2020, 5, 10), QTime(0, 0)))), 40);
    QCOMPARE(int(PatientAge(*m_db.module, 99999, QDateTime::currentDateTime())), 0);
}

// On a closed connection the loader and the age query show the database's error and
// give their failure values; nothing is thrown and the record is left as it was.
void TestDExamination::closedDatabase()
{
    ConnectedModule closed = Connect(m_path, Engine::Server);
    closed.module->Disconnect();
    m_dialogs->clear();
    TExame exam = MakeExam(3, 4);
    exam.ID = 77;
    try {
        QVERIFY(!TDExamination(*closed.module).LoadExamination(1, exam));
        QCOMPARE(exam.ID, 77);
        QCOMPARE(exam.DoctorID, 3);
        QCOMPARE(m_dialogs->shown().size(), 1);
        QCOMPARE(int(PatientAge(*closed.module, 1, QDateTime::currentDateTime())), 0);
        QCOMPARE(m_dialogs->shown().size(), 2);
    } catch (...) {
        QFAIL("an exception left the operation");
    }
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Error);
}

QTEST_MAIN(TestDExamination)
#include "tst_dexamination.moc"
