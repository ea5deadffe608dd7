// TBDCornyx::SaveExamination is all or nothing across the database and the disk: each
// step of a save is made to fail for real (no room for a bitmap, the server stopped
// just before the commit, something in the way of the move into the examination's
// folder), and the committed row (read on a connection of its own) and the files on
// the disk are checked directly. Then what the next start does with what a save left.
// Stops and starts the test server: runs alone.
#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "RecordsTestData.h"
#include "TestServerControl.h"
#include "UDExamImages.h"
#include "UfrmDataModule.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace cornix::test;
using cornix::records::SaveStamp;
using cornix::records::TExamImageSet;
using Files = QMap<QString, QByteArray>;

namespace {

// A report frame of its own shade, so that an update's images differ from the first save's.
void fillFrames(TBFrameBuffer &frames, int shade)
{
    for (int f = 0; f < 2; ++f) {
        QImage image(640, 480, QImage::Format_RGB888);
        image.fill(QColor(shade, 90 + 40 * f, 160));
        frames.AddFrame(image, QStringLiteral("N"), 2, -3.0, {}, {100, 100, 300, 250}, 1);
        frames.MakeCrop(f, image, CropOriginal, {100, 100, 300, 250});
        frames.MakeCrop(f, image, CropProcessed, {100, 100, 300, 250});
    }
    frames.SetPrintIt(1, true);
}

// Every file and folder under root, with a digest of each file's content.
Files filesUnder(const QString &root)
{
    Files files;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        QByteArray digest = "folder";
        if (it.fileInfo().isFile() && file.open(QIODevice::ReadOnly))
            digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex();
        files[QDir(root).relativeFilePath(path)] = digest;
    }
    return files;
}

// Files larger than limit cannot be written by this process while it lives: the
// write fails as on a full disk (EFBIG; the signal that would end the process is ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit smaller = m_before;
        smaller.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &smaller);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_before{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

class TestSaveExamination : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void failureBeforeTheCommitLeavesNothing_data();
    void failureBeforeTheCommitLeavesNothing();
    void failedMoveKeepsTheRowAndTheNewImages_data();
    void failedMoveKeepsTheRowAndTheNewImages();
    void leftoversAtTheNextStart_data();
    void leftoversAtTheNextStart();
    void savedImagesReplaceTheOldOnes();

private:
    // What another connection sees: only committed work.
    QVariant committed(const QString &sql);
    int examinationRows() { return committed(QStringLiteral("select count(*) from EXAME")).toInt(); }
    QString diagnosisOf(int id)
    {
        return committed(QStringLiteral("select EXM_DIAGNOSTICO from EXAME where EXM_ID=%1").arg(id)).toString();
    }
    QString rowStamp(int id);
    QString root() const { return cornix::records::ExaminationImagesRoot(m_db.appDir->path()); }
    QString folderOf(int id) const { return root() + QLatin1Char('/') + cornix::records::ExaminationFolderName(id); }
    TExame savedExamination();
    // A data module opened as the program opens it, on the same application folder.
    std::unique_ptr<TDataModule1> startAgain();

    QString m_path;
    ConnectedModule m_db;
    std::unique_ptr<cornix::RecordingDialogs> m_dialogs;
    int m_doctor = 0;
    int m_patient = 0;
    int m_records = 0;
};

void TestSaveExamination::initTestCase()
{
    m_path = CreateTestDatabase(QStringLiteral("records_saveexamination"), Engine::Server);
    QVERIFY2(!m_path.isEmpty(), "the test database could not be created (is the server running?)");
    m_dialogs = std::make_unique<cornix::RecordingDialogs>();
}

void TestSaveExamination::init()
{
    QVERIFY(StartTestServer());
    m_db = Connect(m_path, Engine::Server);
    TBDCornyx db(*m_db.module);
    ++m_records;
    TPaciente patient = MakePatient(m_records, QStringLiteral("Ana Salva"));
    TMedico doctor = MakeDoctor(QStringLiteral("Beto Salva"), QStringLiteral("M"), QStringLiteral("S-%1").arg(m_records));
    QVERIFY(db.SavePatient(patient));
    QVERIFY(db.SaveDoctor(doctor));
    m_db.module->Commit();
    m_patient = patient.ID;
    m_doctor = doctor.ID;
    m_dialogs->clear();
}

void TestSaveExamination::cleanup()
{
    QVERIFY(StartTestServer()); // whatever the test left, the next one has a server
    m_db.module.reset();
    m_db.appDir.reset();
}

void TestSaveExamination::cleanupTestCase() { QVERIFY(StartTestServer()); }

QVariant TestSaveExamination::committed(const QString &sql)
{
    ConnectedModule observer = Connect(m_path, Engine::Server);
    QSqlQuery &query = observer.module->Execute(sql);
    const QVariant value = query.next() ? query.value(0) : QVariant();
    query.finish();
    return value;
}

QString TestSaveExamination::rowStamp(int id)
{
    ConnectedModule observer = Connect(m_path, Engine::Server);
    QSqlQuery &query =
        observer.module->Execute(QStringLiteral("select EXM_DATA, EXM_HORA from EXAME where EXM_ID=%1").arg(id));
    const QString stamp = query.next() ? SaveStamp(query.value(0).toDate(), query.value(1).toTime()) : QString();
    query.finish();
    return stamp;
}

TExame TestSaveExamination::savedExamination()
{
    TBFrameBuffer frames;
    fillFrames(frames, 40);
    TExame exam = MakeExam(m_doctor, m_patient);
    if (!TBDCornyx(*m_db.module).SaveExamination(exam, frames))
        qWarning("the first save failed: %s", qUtf8Printable(m_dialogs->last().text));
    m_dialogs->clear();
    return exam;
}

std::unique_ptr<TDataModule1> TestSaveExamination::startAgain()
{
    auto module = std::make_unique<TDataModule1>();
    module->SetServer(TestServer());
    module->SetApplicationDir(m_db.appDir->path());
    module->OpenAtStartUp(m_path);
    return module;
}

// ---------------------------------------------------------------------------------------------

void TestSaveExamination::failureBeforeTheCommitLeavesNothing_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("update");
    for (const bool update : {false, true}) {
        const char *what = update ? "update" : "new";
        QTest::addRow("%s: no room for the bitmaps", what) << "full" << update;
        QTest::addRow("%s: staging folder cannot be made", what) << "folder" << update;
        QTest::addRow("%s: server stopped before the commit", what) << "server" << update;
    }
}

void TestSaveExamination::failureBeforeTheCommitLeavesNothing()
{
    QFETCH(QString, failure);
    QFETCH(bool, update);
    TExame exam = update ? savedExamination() : MakeExam(m_doctor, m_patient);
    exam.Diagnosis = QStringLiteral("não deve ficar");
    const TExame before = exam;
    const int rows = examinationRows();
    QDir().mkpath(root());
    const Files filesBefore = filesUnder(root());
    TBFrameBuffer frames;
    fillFrames(frames, 200);
    TBDCornyx db(*m_db.module);

    bool saved = true;
    const QString moved = root() + QStringLiteral(".moved");
    if (failure == QLatin1String("full")) {
        const FileSizeLimit limit(64 * 1024); // a bitmap of 640 x 480 takes 900 kB
        saved = db.SaveExamination(exam, frames);
    } else if (failure == QLatin1String("folder")) {
        // A plain file where the image folders go: no folder can be made in it.
        QVERIFY(QDir().rename(root(), moved));
        QFile blocker(root());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        saved = db.SaveExamination(exam, frames);
        QVERIFY(QFile::remove(root()));
        QVERIFY(QDir().rename(moved, root()));
    } else {
        bool stopped = false;
        const auto connection = connect(m_db.module.get(), &TDataModule1::aboutToCommit, this, [&] {
            stopped = stopped || StopTestServer();
        });
        saved = db.SaveExamination(exam, frames);
        disconnect(connection);
        QVERIFY(stopped);
        QVERIFY(StartTestServer());
    }

    QVERIFY(!saved);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Error);
    if (failure == QLatin1String("server"))
        QCOMPARE(m_dialogs->last().text, TDataModule1::ConnectionLostText(true));
    else
        QVERIFY2(m_dialogs->last().text.startsWith(QStringLiteral("Não foi possível")),
                 qPrintable(m_dialogs->last().text));
    QCOMPARE(exam.ID, before.ID);
    QCOMPARE(exam.DateText, before.DateText);
    QCOMPARE(examinationRows(), rows);
    if (update)
        QCOMPARE(diagnosisOf(exam.ID), QStringLiteral("Córnea transparente"));
    QCOMPARE(filesUnder(root()), filesBefore);

    // Nothing is left in the way: the same save goes through once the fault is gone.
    m_dialogs->clear();
    QVERIFY(db.SaveExamination(exam, frames));
    QCOMPARE(m_dialogs->last().text, QStringLiteral("Exame Salvo com Sucesso!"));
    QCOMPARE(examinationRows(), rows + (update ? 0 : 1));
    QCOMPARE(diagnosisOf(exam.ID), QStringLiteral("não deve ficar"));
}

// ---------------------------------------------------------------------------------------------

void TestSaveExamination::failedMoveKeepsTheRowAndTheNewImages_data()
{
    QTest::addColumn<bool>("update");
    QTest::addColumn<QString>("blocked"); // what is put in the way, once the row is written
    QTest::newRow("new: the examination folder is a file") << false << "";
    QTest::newRow("new: a folder named Crop.bmp") << false << "Crop.bmp";
    QTest::newRow("update: a folder named Process.bmp") << true << "Process.bmp";
    QTest::newRow("update: a folder named Original.bmp") << true << "Original.bmp";
}

void TestSaveExamination::failedMoveKeepsTheRowAndTheNewImages()
{
    QFETCH(bool, update);
    QFETCH(QString, blocked);
    TExame exam = update ? savedExamination() : MakeExam(m_doctor, m_patient);
    exam.Diagnosis = QStringLiteral("revisto");
    const int rows = examinationRows();
    const Files oldImages = update ? filesUnder(folderOf(exam.ID)) : Files();
    TBFrameBuffer frames;
    fillFrames(frames, 200);
    TBDCornyx db(*m_db.module);
    // The ID is known once the row is written: the blocker goes in just before the commit.
    QString blocker;
    const auto connection = connect(m_db.module.get(), &TDataModule1::aboutToCommit, this, [&] {
        if (!blocker.isEmpty() || exam.ID < 0)
            return;
        if (blocked.isEmpty()) {
            blocker = folderOf(exam.ID);
            QFile file(blocker);
            file.open(QIODevice::WriteOnly);
        } else {
            blocker = folderOf(exam.ID) + QLatin1Char('/') + blocked;
            QFile::remove(blocker);
            QDir().mkpath(blocker + QStringLiteral("/inside"));
        }
    });
    const bool saved = db.SaveExamination(exam, frames);
    disconnect(connection);
    QVERIFY(!blocker.isEmpty());

    // The row is stored, and the user is told that the images are not yet in place.
    QVERIFY(saved);
    QVERIFY(exam.ID > 0);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().kind, cornix::DialogKind::Warning);
    const QString staging = folderOf(exam.ID) + QLatin1Char('.') + rowStamp(exam.ID) + QStringLiteral(".new");
    QVERIFY2(m_dialogs->last().text.startsWith(QStringLiteral("O exame foi salvo no banco de dados, mas")),
             qPrintable(m_dialogs->last().text));
    QVERIFY2(m_dialogs->last().text.contains(staging), qPrintable(m_dialogs->last().text));
    QCOMPARE(examinationRows(), rows + (update ? 0 : 1));
    QCOMPARE(diagnosisOf(exam.ID), QStringLiteral("revisto"));
    // The new images wait whole in the staging folder; the old ones are still in place.
    const Files staged = filesUnder(staging);
    QCOMPARE(staged.keys(),
             (QStringList{QStringLiteral("Crop.bmp"), QStringLiteral("Original.bmp"), QStringLiteral("Process.bmp")}));
    if (update) {
        Files now = filesUnder(folderOf(exam.ID));
        now.remove(blocked);
        now.remove(blocked + QStringLiteral("/inside"));
        Files expected = oldImages;
        expected.remove(blocked);
        QCOMPARE(now, expected);
        QVERIFY(staged.value(QStringLiteral("Crop.bmp")) != oldImages.value(QStringLiteral("Crop.bmp")));
    } else {
        QVERIFY(!QFileInfo(folderOf(exam.ID) + QStringLiteral("/Original.bmp")).isFile());
    }

    // With the obstacle gone, the next start moves them in.
    if (blocked.isEmpty())
        QVERIFY(QFile::remove(blocker));
    else
        QVERIFY(QDir(blocker).removeRecursively());
    const auto program = startAgain();
    QVERIFY(!QFileInfo::exists(staging));
    QCOMPARE(filesUnder(folderOf(exam.ID)), staged);
}

// ---------------------------------------------------------------------------------------------

void TestSaveExamination::leftoversAtTheNextStart_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<bool>("movedIn");
    QTest::newRow("stopped before the commit of a new examination") << "new" << false;
    QTest::newRow("stopped before the commit of an update") << "update" << false;
    QTest::newRow("stopped after the commit") << "committed" << true;
    QTest::newRow("stopped while moving in") << "moving" << true;
}

// A save interrupted at each point leaves a staging folder; the next start moves its
// images in when the row holds that save, and removes them when it does not.
void TestSaveExamination::leftoversAtTheNextStart()
{
    QFETCH(QString, left);
    QFETCH(bool, movedIn);
    const TExame exam = savedExamination();
    QVERIFY(exam.ID > 0);
    const Files oldImages = filesUnder(folderOf(exam.ID));
    TBFrameBuffer frames;
    fillFrames(frames, 220);
    const TFrameRec &frame = frames.Frame(1);
    // A save that never reached the database has an ID or a save time no row holds.
    const int id = left == QLatin1String("new") ? exam.ID + 1000 : exam.ID;
    const QString stamp = left == QLatin1String("update") ? QStringLiteral("20000101120000") : rowStamp(exam.ID);
    Files newImages;
    QString staging;
    {
        TExamImageSet images(root(), id, stamp);
        images.Stage(frame.Bitmap, frame.Crop, frame.ProcessedCrop);
        images.Keep();
        staging = images.StagingFolder();
        newImages = filesUnder(staging);
    }
    if (left == QLatin1String("moving")) {
        // Original.bmp moved aside and its replacement not yet in; Crop.bmp already in.
        const QString folder = folderOf(id);
        QVERIFY(QFile::rename(folder + QStringLiteral("/Original.bmp"), folder + QStringLiteral("/Original.bmp.old")));
        QVERIFY(QFile::rename(folder + QStringLiteral("/Crop.bmp"), folder + QStringLiteral("/Crop.bmp.old")));
        QVERIFY(QFile::rename(staging + QStringLiteral("/Crop.bmp"), folder + QStringLiteral("/Crop.bmp")));
    }
    // A folder that no save made is not touched.
    QVERIFY(QDir().mkpath(root() + QStringLiteral("/notas.new")));

    const auto program = startAgain();
    QVERIFY(program->Connected());
    QVERIFY(!QFileInfo::exists(staging));
    QVERIFY(QFileInfo(root() + QStringLiteral("/notas.new")).isDir());
    QCOMPARE(filesUnder(folderOf(exam.ID)), movedIn ? newImages : oldImages);
    if (left == QLatin1String("new"))
        QVERIFY(!QFileInfo::exists(folderOf(id)));
}

// An update's images replace the first save's, and nothing of the save stays beside them.
void TestSaveExamination::savedImagesReplaceTheOldOnes()
{
    TExame exam = savedExamination();
    const Files first = filesUnder(folderOf(exam.ID));
    TBFrameBuffer frames;
    fillFrames(frames, 200);
    QVERIFY(TBDCornyx(*m_db.module).SaveExamination(exam, frames));
    const Files second = filesUnder(folderOf(exam.ID));
    QCOMPARE(second.keys(), first.keys());
    for (const QString &name : first.keys())
        QVERIFY2(second[name] != first[name], qPrintable(name));
    QCOMPARE(QDir(root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{cornix::records::ExaminationFolderName(exam.ID)});
}

QTEST_GUILESS_MAIN(TestSaveExamination)
#include "tst_saveexamination.moc"
