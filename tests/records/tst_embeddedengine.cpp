// The same save, list and load path with the Firebird engine inside the process
// (settings key [DATABASE] server= empty). Its database is its own file: the engine
// inside a process and a server never open one file at once.
#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "UDExamination.h"
#include "UfrmDataModule.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace cornix::test;

class TestEmbeddedEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void settingsChooseTheEmbeddedEngine();
    void saveListAndLoad();
    void savedWorkSurvivesRestart();

private:
    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
    int m_examID = -1;
    int m_patientID = -1;
};

void TestEmbeddedEngine::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_embedded"), Engine::Embedded);
    QVERIFY2(!m_path.isEmpty(), "the embedded test database could not be created");
    m_db = Connect(m_path, Engine::Embedded);
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
}

void TestEmbeddedEngine::cleanupTestCase() { m_db.module.reset(); }

void TestEmbeddedEngine::settingsChooseTheEmbeddedEngine()
{
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("cornix.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[DATABASE]\nserver=\n");
    ini.close();
    TDataModule1 module;
    module.SetServer(TDataModule1::ServerFromSettings(ini.fileName()));
    QCOMPARE(module.DatabaseName(m_path), m_path);
    QCOMPARE(m_db.module->Database().databaseName(), m_path);
}

void TestEmbeddedEngine::saveListAndLoad()
{
    TBDCornyx db(*m_db.module);
    TPaciente patient = MakePatient(77, QStringLiteral("joão da silva embutido"));
    QVERIFY(db.SavePatient(patient));
    TMedico doctor = MakeDoctor(QStringLiteral("rita lopes"), QStringLiteral("F"), QStringLiteral("CRM-E1"));
    QVERIFY(db.SaveDoctor(doctor));
    TBFrameBuffer frames;
    FillFrames(frames);
    TExame exam = MakeExam(doctor.ID, patient.ID);
    QVERIFY(db.SaveExamination(exam, frames));
    QVERIFY(QFile::exists(db.ExaminationFolder(exam.ID) + QStringLiteral("/Original.bmp")));

    QCOMPARE(db.ListPatients(QStringLiteral("silva joão"), 1, 0, {}, 0, {}, {}, {}, {}, 1), 1);
    QCOMPARE(m_db.module->IBQPacList().FieldByName(QStringLiteral("PAC_NOME")).toString(),
             QStringLiteral("João da Silva Embutido"));
    QCOMPARE(db.ListExaminations(patient.ID, doctor.ID, {}, {}, {}), 1);
    QCOMPARE(m_db.module->IBQExmList().FieldByName(QStringLiteral("EXM_MED_NOME")).toString(),
             QStringLiteral("Dra. Rita Lopes"));

    TExame loaded;
    QVERIFY(TDExamination(*m_db.module).LoadExamination(exam.ID, loaded));
    QCOMPARE(loaded.DoctorName, QStringLiteral("Dra. Rita Lopes"));
    QCOMPARE(loaded.Prontuario, 77);
    QCOMPARE(loaded.Density, exam.Density);
    QCOMPARE(loaded.Diagnosis, exam.Diagnosis);
    QCOMPARE(loaded.CropProcPath, db.ExaminationFolder(exam.ID) + QStringLiteral("/Process.bmp"));
    m_db.module->RefreshList(QStringLiteral("examination"));
    m_examID = exam.ID;
    m_patientID = patient.ID;
}

void TestEmbeddedEngine::savedWorkSurvivesRestart()
{
    QVERIFY(m_examID > 0);
    QVERIFY(TBDCornyx(*m_db.module).DeactivatePatient(m_patientID));
    m_db.module.reset();
    m_db = Connect(m_path, Engine::Embedded);
    TExame loaded;
    QVERIFY(TDExamination(*m_db.module).LoadExamination(m_examID, loaded));
    QCOMPARE(TBDCornyx(*m_db.module).ListPatients({}, 0, 77, {}, -1, {}, {}, {}, {}, 1), 1);
}

QTEST_MAIN(TestEmbeddedEngine)
#include "tst_embeddedengine.moc"
