// cornix-analyse on input a careful user or an attacker would give it: scales far
// from any microscope, a region without a counted cell, truncated images, names
// that are not UTF-8, folders whose frames share a base name, output that cannot
// be written. Every frame that is not analysed says why and the exit code shows it.
#include "FrameLoader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace cornix::cli;

namespace {

QString K(const char *key) { return QString::fromLatin1(key); }

const QString kTool = QStringLiteral(CORNIX_BINARY_DIR "/bin/cornix-analyse");
const QString kGoldenFrame = QStringLiteral(CORNIX_TEST_DATA_DIR "/analyse/d2500_seed12/frame.png");
const QString kSampleIni = QStringLiteral(CORNIX_TEST_DATA_DIR "/../../config/cornix.ini");
const QStringList kGoldenRoi = {QStringLiteral("--roi"), QStringLiteral("180,140,460,340")};
// Between the synthetic frame's cells: about 800 cells found, none counted inside.
const QStringList kCellFreeRegion = {QStringLiteral("--demo"), QStringLiteral("--roi"), QStringLiteral("300,240,308,248")};

struct TRun {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

TRun Finish(QProcess &process)
{
    TRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.ExitCode = process.exitCode();
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TRun RunTool(const QStringList &arguments, const QString &stdoutFile = QString())
{
    QProcess process;
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(kTool, arguments);
    return Finish(process);
}

// Through the shell, so that an argument can hold bytes that are not UTF-8
// ($1 expanded by printf's escapes).
TRun RunToolRaw(const QString &rawArgument, const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"),
                                                         QStringLiteral("t=\"$0\"; a=$(printf \"$1\"); shift; "
                                                                        "exec \"$t\" \"$a\" \"$@\""),
                                                         kTool, rawArgument}
                                                 + arguments);
    return Finish(process);
}

// Peak resident memory of one run of the tool (its output thrown away), in MiB.
double PeakResidentMiB(const QStringList &arguments)
{
    std::vector<std::string> args{kTool.toStdString()};
    for (const QString &a : arguments)
        args.push_back(a.toStdString());
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss / 1024.0;
}

constexpr bool kAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

QJsonObject ReadJson(const QString &text) { return QJsonDocument::fromJson(text.toUtf8()).object(); }

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A file whose name is given as raw bytes (not necessarily UTF-8).
bool WriteRaw(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

// The golden frame in a format, cut to a fraction of its bytes.
QByteArray GoldenAs(const char *format, double keep = 1.0)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage(kGoldenFrame).convertToFormat(QImage::Format_RGB888).save(&buffer, format, 95);
    return bytes.left(qsizetype(bytes.size() * keep));
}

QString SettingsWith(const QTemporaryDir &dir, const QString &key, const QString &value)
{
    QString text = QString::fromUtf8(ReadAll(kSampleIni));
    const qsizetype at = text.indexOf(QLatin1Char('\n') + key + QLatin1Char('='));
    const qsizetype end = text.indexOf(QLatin1Char('\n'), at + 1);
    text.replace(at + 1, end - at - 1, key + QLatin1Char('=') + value);
    const QString path = dir.filePath(QStringLiteral("cornix.ini"));
    WriteAll(path, text.toUtf8());
    return path;
}

} // namespace

class TestAnalyseFindings : public QObject {
    Q_OBJECT

private slots:
    // Refused before any frame is read: one error line, nothing on stdout.
    void scalesOutsideTheirRange_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("iniKey");
        QTest::addColumn<QString>("iniValue");
        QTest::addColumn<QString>("message");
        QTest::newRow("--mm-per-pixel 1e-5") << QStringList{"--mm-per-pixel", "1e-5"} << "" << ""
                                             << "escala de comprimento de 1e-05 mm/pixel fora da faixa aceita";
        QTest::newRow("--mm-per-pixel 10") << QStringList{"--mm-per-pixel", "10"} << "" << ""
                                           << "escala de comprimento de 10 mm/pixel fora da faixa aceita";
        QTest::newRow("--mm-per-pixel just below") << QStringList{"--mm-per-pixel", "0.000499"} << "" << ""
                                                   << "de 0.0005 a 0.01 mm/pixel";
        QTest::newRow("pixelToMM 10 in the settings") << QStringList{} << "pixelToMM" << "10.000000" << "pixelToMM";
        QTest::newRow("pixelToPaq 1000 in the settings") << QStringList{} << "pixelToPaq" << "1000.000000"
                                                         << "pixelToPaq";
        QTest::newRow("pixelToPaq 0 in the settings") << QStringList{} << "pixelToPaq" << "0.000000" << "pixelToPaq";
    }

    void scalesOutsideTheirRange()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, iniKey);
        QFETCH(QString, iniValue);
        QFETCH(QString, message);
        QTemporaryDir dir;
        if (!iniKey.isEmpty())
            arguments << QStringLiteral("--ini") << SettingsWith(dir, iniKey, iniValue);
        const TRun run = RunTool(QStringList{kGoldenFrame} + arguments);
        QCOMPARE(run.ExitCode, 3);
        QVERIFY2(run.Err.contains(message), qPrintable(run.Err));
        QCOMPARE(run.Err.trimmed().count(QLatin1Char('\n')), 0);
        QVERIFY(run.Out.isEmpty());
    }

    // The ends of the range are analysed, with figures and exit 0.
    void scalesAtTheEndsOfTheirRange_data()
    {
        QTest::addColumn<QString>("mmPerPixel");
        QTest::newRow("0.0005") << "0.0005";
        QTest::newRow("0.01") << "0.01";
    }

    void scalesAtTheEndsOfTheirRange()
    {
        QFETCH(QString, mmPerPixel);
        const TRun run = RunTool(QStringList{kGoldenFrame, "--format", "json", "--mm-per-pixel", mmPerPixel} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
        const QJsonObject frame = ReadJson(run.Out)[K("frames")][0].toObject();
        QCOMPARE(frame[K("status")].toString(), QStringLiteral("analysed"));
        QVERIFY(frame[K("figures")][K("density")].toInt() > 0);
        QVERIFY(!run.Err.contains(QStringLiteral("ERRO")));
    }

    // Frames refused one by one: single, or among good ones in a folder, each with
    // its status, its message and the exit code.
    void refusedFrames_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString unreadable = QStringLiteral("não é uma imagem legível (dados de imagem inválidos ou incompletos)");
        const QString tooFew = QStringLiteral("Número de células identificadas insuficiente");
        QTest::newRow("BMP cut to 60 %") << "bmp" << "error" << 3 << unreadable;
        QTest::newRow("BMP one byte short") << "bmp-1" << "error" << 3 << unreadable;
        QTest::newRow("JPEG cut to 60 %") << "jpg" << "error" << 3 << unreadable;
        QTest::newRow("JPEG without its last two bytes") << "jpg-2" << "error" << 3 << unreadable;
        QTest::newRow("region counting no cell") << "no-cell" << "too-few-cells" << 4 << tooFew;
    }

    void refusedFrames()
    {
        QFETCH(QString, kind);
        QFETCH(QString, status);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QStringList arguments;
        if (kind == QLatin1String("no-cell")) {
            arguments = kCellFreeRegion;
        } else {
            const QByteArray whole = GoldenAs(kind.startsWith(QLatin1String("bmp")) ? "BMP" : "JPEG");
            const QByteArray cut = kind.contains(QLatin1Char('-')) ? whole.chopped(kind.section(QLatin1Char('-'), 1).toInt())
                                                                   : whole.left(whole.size() * 6 / 10);
            const QString path = dir.filePath(QStringLiteral("frame.") + kind.left(3));
            QVERIFY(WriteAll(path, cut));
            arguments << path << kGoldenRoi;
        }
        const TRun run = RunTool(arguments + QStringList{"--format", "json"});
        QCOMPARE(run.ExitCode, exitCode);
        QVERIFY2(run.Err.contains(message), qPrintable(run.Err));
        if (status == QLatin1String("error"))
            return; // a single frame in error is an error line, not a report
        const QJsonObject frame = ReadJson(run.Out)[K("frames")][0].toObject();
        QCOMPARE(frame[K("status")].toString(), status);
        QVERIFY(frame[K("message")].toString().contains(message));
        QVERIFY(!frame.contains(K("figures")));
        QVERIFY2(frame[K("cellsFound")].toInt() > 30, "found enough cells in the frame, none in the region");
        QCOMPARE(ReadJson(run.Out)[K("average")][K("framesUsed")].toInt(), 0);
    }

    // The complete files next to the truncated ones are analysed as before.
    void completeImagesStillRead_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("BMP") << "BMP";
        QTest::newRow("JPEG") << "JPEG";
    }

    void completeImagesStillRead()
    {
        QFETCH(QString, format);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("frame.") + format.toLower());
        QVERIFY(WriteAll(path, GoldenAs(qPrintable(format))));
        QVERIFY(!IsTruncatedImage(ReadAll(path)));
        const TRun run = RunTool(QStringList{path, "--format", "json"} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
    }

    // A folder of good frames with one bad one: the bad one's row and message, the
    // others averaged, the exit code of the worst.
    void folderWithOneRefusedFrame_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("truncated BMP") << "bmp" << "error" << 3;
        QTest::newRow("truncated JPEG") << "jpg" << "error" << 3;
        QTest::newRow("unreadable file") << "unreadable" << "error" << 3;
        QTest::newRow("text named .png") << "text" << "error" << 3;
    }

    void folderWithOneRefusedFrame()
    {
        QFETCH(QString, kind);
        QFETCH(QString, status);
        QFETCH(int, exitCode);
        QTemporaryDir dir;
        QVERIFY(QFile::copy(kGoldenFrame, dir.filePath(QStringLiteral("a.png"))));
        QVERIFY(QFile::copy(kGoldenFrame, dir.filePath(QStringLiteral("c.png"))));
        const QString suffix = kind == QLatin1String("bmp") || kind == QLatin1String("jpg") ? kind : QStringLiteral("png");
        const QString bad = dir.filePath(QStringLiteral("b.") + suffix);
        if (kind == QLatin1String("unreadable")) {
            QVERIFY(QFile::copy(kGoldenFrame, bad));
            QVERIFY(QFile::setPermissions(bad, QFileDevice::WriteOwner));
            if (QFile(bad).open(QIODevice::ReadOnly))
                QSKIP("running with permission to read any file");
        } else if (kind == QLatin1String("text")) {
            QVERIFY(WriteAll(bad, "not an image"));
        } else {
            const QByteArray whole = GoldenAs(kind == QLatin1String("bmp") ? "BMP" : "JPEG");
            QVERIFY(WriteAll(bad, whole.left(whole.size() / 2)));
        }
        const TRun run = RunTool(QStringList{dir.path()} + kGoldenRoi);
        QCOMPARE(run.ExitCode, exitCode);
        const QJsonArray frames = ReadJson(run.Out)[K("frames")].toArray();
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[1][K("status")].toString(), status);
        QVERIFY2(frames[1][K("message")].toString().startsWith(bad), qPrintable(frames[1][K("message")].toString()));
        QVERIFY(run.Err.contains(frames[1][K("message")].toString()));
        QCOMPARE(ReadJson(run.Out)[K("average")][K("framesUsed")].toInt(), 2);
    }

    // Names in Latin-1 bytes, alone and in a folder: read, every one with its row,
    // shown readably.
    void namesThatAreNotUtf8_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("a single file") << false;
        QTest::newRow("a folder of three") << true;
    }

    void namesThatAreNotUtf8()
    {
        QFETCH(bool, folder);
        QTemporaryDir dir;
        const QByteArray frame = ReadAll(kGoldenFrame);
        const QByteArray base = QFile::encodeName(dir.path());
        for (const char *name : {"/Jos\xe9.png", "/Jo\xe3o.png", "/Concei\xe7\xe3o.png"})
            QVERIFY(WriteRaw(base + name, frame));
        const auto removeRaw = qScopeGuard([&] {
            for (const char *name : {"/Jos\xe9.png", "/Jo\xe3o.png", "/Concei\xe7\xe3o.png"})
                ::unlink((base + name).constData());
        });
        const TRun run = folder ? RunToolRaw(dir.path(), QStringList{"--format", "json"} + kGoldenRoi)
                                : RunToolRaw(dir.path() + QStringLiteral("/Jos\\351.png"),
                                             QStringList{"--format", "json"} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
        const QJsonArray frames = ReadJson(run.Out)[K("frames")].toArray();
        QCOMPARE(frames.size(), folder ? 3 : 1);
        QStringList names;
        for (const QJsonValue &f : frames) {
            QCOMPARE(f[K("status")].toString(), QStringLiteral("analysed"));
            names << QFileInfo(f[K("file")].toString()).fileName();
        }
        names.sort();
        if (folder)
            QCOMPARE(names, (QStringList{QString::fromUtf8("Conceição.png"), QString::fromUtf8("José.png"),
                                         QString::fromUtf8("João.png")}));
        else
            QCOMPARE(names, QStringList{QString::fromUtf8("José.png")});
    }

    void displayNames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ASCII") << QByteArray("frame.png") << "frame.png";
        QTest::newRow("UTF-8") << QByteArray("Jos\xc3\xa9.png") << QString::fromUtf8("José.png");
        QTest::newRow("Latin-1") << QByteArray("Jos\xe9.png") << QString::fromUtf8("José.png");
        QTest::newRow("UTF-8 cut inside a character") << QByteArray("Jos\xc3") << QString::fromUtf8("JosÃ");
    }

    void displayNames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(DisplayName(bytes.toStdString()), shown);
    }

    // a.png and a.bmp in one folder: two overlays, each of its own frame (and a
    // hidden file is not a frame).
    void overlaysOfFramesSharingABaseName()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("in")));
        QVERIFY(QFile::copy(kGoldenFrame, dir.filePath(QStringLiteral("in/a.png"))));
        QVERIFY(WriteAll(dir.filePath(QStringLiteral("in/a.bmp")), GoldenAs("BMP")));
        QVERIFY(QFile::copy(kGoldenFrame, dir.filePath(QStringLiteral("in/b.png"))));
        QVERIFY(WriteAll(dir.filePath(QStringLiteral("in/._a.png")), "another system's companion file"));
        const QString out = dir.filePath(QStringLiteral("out"));
        const TRun run = RunTool(QStringList{dir.filePath(QStringLiteral("in")), "--overlay", out} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name),
                 (QStringList{"a.bmp.png", "a.png.png", "b.png"}));
        for (const QString &name : QDir(out).entryList(QDir::Files))
            QCOMPARE(QImage(QDir(out).filePath(name)).size(), QSize(640, 480));
    }

    // Options and output that cannot be honoured say so, with the exit code.
    void outputProblems_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("stdoutFile");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("--save-frame with a folder") << QStringList{"FOLDER", "--save-frame", "x.png"} << "" << 2
                                                    << "--save-frame grava um só quadro e não se aplica a uma pasta";
        QTest::newRow("results to a full disk") << QStringList{"FRAME"} << "/dev/full" << 5
                                                << "não foi possível gravar os resultados na saída padrão (sem espaço "
                                                   "no dispositivo)";
        QTest::newRow("a folder's results to a full disk") << QStringList{"FOLDER"} << "/dev/full" << 5
                                                           << "não foi possível gravar os resultados na saída padrão";
        QTest::newRow("overlay to a full disk") << QStringList{"FRAME", "--overlay", "/dev/full"} << "" << 5
                                                << "/dev/full: não foi possível gravar a imagem com a sobreposição "
                                                   "(sem espaço no dispositivo)";
        QTest::newRow("frame to a full disk") << QStringList{"FRAME", "--save-frame", "/dev/full"} << "" << 5
                                              << "/dev/full: não foi possível gravar o quadro (sem espaço no dispositivo)";
        QTest::newRow("overlay over the frame itself") << QStringList{"FRAME", "--overlay", "FRAME"} << "" << 2
                                                       << "a saída substituiria o próprio quadro de entrada";
        QTest::newRow("frame saved over itself") << QStringList{"FRAME", "--save-frame", "FRAME"} << "" << 2
                                                 << "a saída substituiria o próprio quadro de entrada";
        QTest::newRow("overlays into the frames' folder") << QStringList{"FOLDER", "--overlay", "FOLDER"} << "" << 2
                                                          << "a.png: a saída substituiria o próprio quadro de entrada";
        QTest::newRow("overlay into a missing folder") << QStringList{"FRAME", "--overlay", "/nonexistent/o.png"} << ""
                                                       << 5 << "(pasta inexistente)";
    }

    void outputProblems()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, stdoutFile);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QFile::copy(kGoldenFrame, dir.filePath(QStringLiteral("a.png"))));
        arguments.replaceInStrings(QStringLiteral("FOLDER"), dir.path());
        arguments.replaceInStrings(QStringLiteral("FRAME"), dir.filePath(QStringLiteral("a.png")));
        const TRun run = RunTool(arguments + kGoldenRoi, stdoutFile);
        QCOMPARE(run.ExitCode, exitCode);
        QVERIFY2(run.Err.contains(message), qPrintable(run.Err));
        QVERIFY2(!run.Err.contains(QStringLiteral("libpng")), qPrintable(run.Err));
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("a.png"))), ReadAll(kGoldenFrame)); // the input untouched
    }

    // A folder holds one frame's pixels, planes and matrix at a time: 40 frames
    // (with their overlays) take about the memory of 2. Each frame kept would add
    // about 8 MB.
    void folderMemoryIsBounded()
    {
        if (kAddressSanitizer)
            QSKIP("the sanitizer's quarantine keeps freed memory");
        QTemporaryDir dir;
        for (int count : {2, 40}) {
            const QString folder = dir.filePath(QStringLiteral("f%1").arg(count));
            QVERIFY(QDir().mkpath(folder));
            for (int k = 0; k < count; ++k)
                QVERIFY(QFile::copy(kGoldenFrame, QStringLiteral("%1/q%2.png").arg(folder).arg(k, 2, 10, QLatin1Char('0'))));
        }
        const QStringList options = QStringList{"--overlay", dir.filePath(QStringLiteral("o"))} + kGoldenRoi;
        const double few = PeakResidentMiB(QStringList{dir.filePath(QStringLiteral("f2"))} + options);
        const double many = PeakResidentMiB(QStringList{dir.filePath(QStringLiteral("f40"))} + options);
        QVERIFY(few > 0 && many > 0);
        QVERIFY2(many - few < 20, qPrintable(QStringLiteral("2 frames: %1 MiB, 40 frames: %2 MiB").arg(few).arg(many)));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("o"))).entryList(QDir::Files).size(), 40);
    }

    // Progress goes to a terminal only: a pipe gets no "quadro k de n".
    void noProgressWhenStderrIsNotATerminal()
    {
        QTemporaryDir dir;
        for (const char *name : {"a.png", "b.png"})
            QVERIFY(QFile::copy(kGoldenFrame, dir.filePath(QString::fromLatin1(name))));
        const TRun run = RunTool(QStringList{dir.path()} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
        QVERIFY2(run.Err.isEmpty(), qPrintable(run.Err));
    }

    // On a terminal (a pseudo-terminal through script(1)) the progress is shown.
    void progressOnATerminal()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
            QSKIP("script(1) not installed");
        QTemporaryDir dir;
        for (const char *name : {"a.png", "b.png"})
            QVERIFY(QFile::copy(kGoldenFrame, dir.filePath(QString::fromLatin1(name))));
        QProcess process;
        const QString command = QStringLiteral("'%1' '%2' --format csv --roi 180,140,460,340").arg(kTool, dir.path());
        process.start(QStringLiteral("script"), {"-qec", command, "/dev/null"});
        const TRun run = Finish(process);
        QCOMPARE(run.ExitCode, 0);
        QVERIFY2(run.Out.contains(QStringLiteral("quadro 2 de 2")), qPrintable(run.Out));
    }
};

QTEST_GUILESS_MAIN(TestAnalyseFindings)
#include "tst_analysefindings.moc"
