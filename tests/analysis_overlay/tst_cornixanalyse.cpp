// cornix-analyse: golden frames through the executable, image formats, folders,
// malformed input, and its argument parsing.
#include "AnalyseRequest.h"
#include "FrameLoader.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace cornix;
using namespace cornix::cli;

Q_DECLARE_METATYPE(TRect)

namespace {

QString K(const char *key) { return QString::fromLatin1(key); }

const QString kGoldenDir = QStringLiteral(CORNIX_TEST_DATA_DIR "/analyse");
const QString kGoldenFrame = kGoldenDir + QStringLiteral("/d2500_seed12/frame.png");

struct TRun {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

TRun RunTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(CORNIX_BINARY_DIR "/bin/cornix-analyse"), arguments);
    TRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.ExitCode = process.exitCode();
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QJsonObject ReadJson(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// Integers exactly, reals to 1e-9 relative.
bool SameFigures(const QJsonObject &actual, const QJsonObject &expected, QString *why)
{
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const QJsonValue a = actual.value(it.key());
        const QJsonValue e = it.value();
        const bool same = e.isDouble() ? qAbs(a.toDouble() - e.toDouble()) <= 1e-9 * qMax(1.0, qAbs(e.toDouble()))
                                       : a == e;
        if (!same) {
            *why = QStringLiteral("%1: %2 instead of %3")
                       .arg(it.key(), QString::fromUtf8(QJsonDocument(QJsonArray{a}).toJson(QJsonDocument::Compact)),
                            QString::fromUtf8(QJsonDocument(QJsonArray{e}).toJson(QJsonDocument::Compact)));
            return false;
        }
    }
    return true;
}

QJsonObject GoldenFigures()
{
    QFile file(kGoldenDir + QStringLiteral("/d2500_seed12/expected.json"));
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object().value(K("figures")).toObject();
}

const QStringList kGoldenRoi = {QStringLiteral("--roi"), QStringLiteral("180,140,460,340")};

} // namespace

class TestCornixAnalyse : public QObject {
    Q_OBJECT

private slots:
    void golden_data()
    {
        QTest::addColumn<QString>("folder");
        const auto cases = QDir(kGoldenDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        QVERIFY(cases.size() >= 3);
        for (const QString &name : cases)
            QTest::newRow(qPrintable(name)) << QDir(kGoldenDir).filePath(name);
    }

    void golden()
    {
        QFETCH(QString, folder);
        QFile file(folder + QStringLiteral("/expected.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject expected = QJsonDocument::fromJson(file.readAll()).object();
        QStringList arguments{folder + QStringLiteral("/frame.png")};
        for (const QJsonValue &a : expected.value(K("arguments")).toArray())
            arguments << a.toString();
        const TRun run = RunTool(arguments);
        QCOMPARE(run.ExitCode, expected.value(K("exitCode")).toInt());
        const QJsonObject frame = ReadJson(run.Out).value(K("frames")).toArray().at(0).toObject();
        QCOMPARE(frame.value(K("status")).toString(), expected.value(K("status")).toString());
        QCOMPARE(frame.value(K("cellsFound")).toInt(), expected.value(K("cellsFound")).toInt());
        QString why;
        QVERIFY2(SameFigures(frame.value(K("figures")).toObject(), expected.value(K("figures")).toObject(), &why),
                 qPrintable(why));
        // Against the generator's truth, not only against the recorded output.
        const double truth = expected.value(K("trueDensity")).toDouble();
        const double density = frame.value(K("figures")).toObject().value(K("density")).toDouble();
        QVERIFY(qAbs(density - truth) <= truth * expected.value(K("densityTolerancePercent")).toDouble() / 100);
    }

    // BMP and TIFF hold the same grey levels as the PNG: the same figures.
    void losslessFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("BMP") << "bmp";
        QTest::newRow("TIFF") << "tif";
    }

    void losslessFormats()
    {
        QFETCH(QString, format);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("frame.") + format);
        QVERIFY(QImage(kGoldenFrame).convertToFormat(QImage::Format_RGB888).save(path));
        const TRun run = RunTool(QStringList{path, "--format", "json"} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
        QString why;
        const QJsonObject frame = ReadJson(run.Out).value(K("frames")).toArray().at(0).toObject();
        QVERIFY2(SameFigures(frame.value(K("figures")).toObject(), GoldenFigures(), &why), qPrintable(why));
    }

    void jpegIsRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("frame.jpg"));
        QVERIFY(QImage(kGoldenFrame).save(path, "JPEG", 95));
        const TRun run = RunTool(QStringList{path, "--format", "json"} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
        const int density = ReadJson(run.Out)[K("frames")][0][K("figures")][K("density")].toInt();
        QVERIFY2(qAbs(density - 2500) < 100, qPrintable(QString::number(density)));
    }

    void textOutputUsesResultCaptions()
    {
        const TRun run = RunTool(QStringList{kGoldenFrame} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
        for (const char *line : {"Total de células: 479", "Área analisada (mm²): 0.1920", "Densidade (cel/mm²): 2494",
                                 "Área Mínima (µm²): 329.00", "Células Hexagonais (%): 99",
                                 "Coef. de Variação (%): 06", "Paquimetria Média (µm): 000"})
            QVERIFY2(run.Out.contains(QString::fromUtf8(line)), line);
    }

    void demoWithoutArguments()
    {
        const TRun run = RunTool({});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.contains(QString::fromUtf8("Total de células:")));
        QVERIFY(run.Err.contains(QStringLiteral("analisando um quadro sintético")));
    }

    void folderAveragesFrames()
    {
        QTemporaryDir dir;
        for (const char *name : {"a.png", "b.png"})
            QVERIFY(QFile::copy(kGoldenFrame, dir.filePath(QString::fromLatin1(name))));
        const TRun run = RunTool(QStringList{dir.path()} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
        const QJsonObject json = ReadJson(run.Out);
        QCOMPARE(json[K("frames")].toArray().size(), 2);
        QCOMPARE(json[K("average")][K("framesUsed")].toInt(), 2);
        QCOMPARE(json[K("average")][K("density")].toInt(), GoldenFigures()[K("density")].toInt());

        const TRun csv = RunTool(QStringList{dir.path(), "--format", "csv"} + kGoldenRoi);
        QCOMPARE(csv.ExitCode, 0);
        const QStringList lines = csv.Out.trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4); // header, two frames, average
        QVERIFY(lines.last().startsWith(QStringLiteral("average,averaged,,479,")));
        QVERIFY(lines.last().endsWith(QStringLiteral(",2")));
    }

    // A bad frame in a folder is reported in its row; the others are analysed.
    void folderWithBadFrame()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(kGoldenFrame, dir.filePath(QStringLiteral("a.png"))));
        QFile bad(dir.filePath(QStringLiteral("b.png")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not an image");
        bad.close();
        const TRun run = RunTool(QStringList{dir.path()} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 3);
        const QJsonArray frames = ReadJson(run.Out)[K("frames")].toArray();
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0][K("status")].toString(), QStringLiteral("analysed"));
        QCOMPARE(frames[1][K("status")].toString(), QStringLiteral("error"));
        QCOMPARE(ReadJson(run.Out)[K("average")][K("framesUsed")].toInt(), 1);
    }

    void smallImagePadded()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("small.png"));
        QVERIFY(QImage(kGoldenFrame).copy(160, 120, 320, 240).save(path));
        const TRun run = RunTool({path, "--format", "json"});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Err.contains(QStringLiteral("small.png: imagem de 320 × 240 colocada no canto superior esquerdo de um "
                                             "quadro de 640 × 480 preenchido com o cinza médio")));
        QCOMPARE(ReadJson(run.Out)[K("frames")][0][K("roi")].toString(), QStringLiteral("40,30,279,209"));
    }

    void overlayWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("overlay.png"));
        const TRun run = RunTool(QStringList{kGoldenFrame, "--overlay", path} + kGoldenRoi);
        QCOMPARE(run.ExitCode, 0);
        const QImage overlay(path);
        QCOMPARE(overlay.size(), QSize(640, 480));
        QCOMPARE(overlay.pixel(180, 140), qRgb(0, 255, 0)); // the region rectangle's corner
        QVERIFY(QImage(kGoldenFrame).convertToFormat(QImage::Format_RGB32) != overlay.convertToFormat(QImage::Format_RGB32));
    }

    void tooFewCells()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flat.png"));
        QImage flat(640, 480, QImage::Format_RGB888);
        flat.fill(QColor(90, 90, 90));
        QVERIFY(flat.save(path));
        const TRun run = RunTool({path});
        QCOMPARE(run.ExitCode, 4);
        QVERIFY(run.Err.contains(QString::fromUtf8("Número de células identificadas insuficiente")));
    }

    // The automatic scale on synthetic frames of large, middling and small cells:
    // the spacing, the factor, the density in cells/mm² of the frame itself.
    void autoScale_data()
    {
        QTest::addColumn<int>("density");
        QTest::addColumn<bool>("reduced");
        QTest::newRow("800 cells/mm², about 20 px apart") << 800 << false;
        QTest::newRow("2500 cells/mm², about 12 px apart") << 2500 << false;
        QTest::newRow("5000 cells/mm², about 8 px apart: region reduced") << 5000 << true;
    }
    void autoScale()
    {
        QFETCH(int, density);
        QFETCH(bool, reduced);
        const TRun run = RunTool({"--demo", "--density", QString::number(density), "--auto-scale", "--format", "json"});
        QCOMPARE(run.ExitCode, 0);
        const QJsonObject root = ReadJson(run.Out);
        QCOMPARE(root[K("autoScale")].toBool(), true);
        QCOMPARE(root[K("targetSpacingPx")].toDouble(), 15.0);
        const QJsonObject frame = root[K("frames")][0].toObject();
        QCOMPARE(frame[K("status")].toString(), QStringLiteral("analysed"));
        const QJsonObject scale = frame[K("autoScale")].toObject();
        const double spacing = scale[K("spacingPx")].toDouble();
        const double trueSpacing = std::sqrt(2 / (std::sqrt(3.0) * density)) / 0.00186;
        QVERIFY2(qAbs(spacing - trueSpacing) <= 0.05 * trueSpacing, qPrintable(QString::number(spacing)));
        QVERIFY(qAbs(scale[K("factor")].toDouble() - 15.0 / spacing) < 1e-9);
        QCOMPARE(scale[K("roiReduced")].toBool(), reduced);
        const double found = frame[K("figures")][K("density")].toDouble();
        QVERIFY2(qAbs(found - density) <= 0.03 * density, qPrintable(QString::number(found)));
        // The region analysed is the given one unless it had to be reduced.
        const TRect given{180, 140, 460, 340};
        const TRect analysed = *ParseRect(scale[K("analysedRoi")].toString());
        if (reduced)
            QVERIFY(analysed.Left > given.Left && analysed.Right < given.Right);
        else
            QVERIFY(qAbs(analysed.Left - given.Left) <= 1 && qAbs(analysed.Bottom - given.Bottom) <= 1);
    }

    void autoScaleOption()
    {
        QString error;
        const auto on = ParseArguments({QStringLiteral("frame.png"), QStringLiteral("--auto-scale")}, &error);
        QVERIFY(on && on->AutoScale && on->Input == QStringLiteral("frame.png"));
        const auto off = ParseArguments({QStringLiteral("frame.png")}, &error);
        QVERIFY(off && !off->AutoScale);
    }

    void autoScaleText()
    {
        const TRun run = RunTool({"--demo", "--auto-scale"});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.contains(QString::fromUtf8("Escala automática: espaçamento estimado ")));
        QVERIFY(run.Out.contains(QString::fromUtf8("Densidade (cel/mm²):")));
        // Without the option nothing of it shows.
        QVERIFY(!RunTool({"--demo"}).Out.contains(QString::fromUtf8("Escala automática")));
    }

    void autoScaleCsv()
    {
        const TRun run = RunTool({"--demo", "--auto-scale", "--format", "csv"});
        QCOMPARE(run.ExitCode, 0);
        const QStringList lines = run.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].endsWith(QStringLiteral(",framesUsed,spacingPx,scaleFactor")));
        // The synthetic frame's quoted name holds a comma: read from the end.
        const QStringList frame = lines[1].split(QLatin1Char(','));
        const double spacing = frame[frame.size() - 2].toDouble(), factor = frame.last().toDouble();
        QVERIFY(spacing > 10 && spacing < 13);
        QVERIFY(qAbs(factor - 15.0 / spacing) < 1e-6);
        QVERIFY(lines[2].startsWith(QStringLiteral("average,")) && lines[2].endsWith(QStringLiteral(",,")));
        const QString plain = RunTool({"--demo", "--format", "csv"}).Out;
        QVERIFY(plain.section(QLatin1Char('\n'), 0, 0).endsWith(QStringLiteral(",framesUsed")));
    }

    void autoScaleLeavesTheDefaultOutputAlone()
    {
        const TRun run = RunTool(QStringList{kGoldenFrame, "--format", "json"} + kGoldenRoi);
        const QJsonObject root = ReadJson(run.Out);
        QVERIFY(!root.contains(K("autoScale")) && !root.contains(K("targetSpacingPx")));
        QVERIFY(!root[K("frames")][0].toObject().contains(K("autoScale")));
    }

    void autoScaleWithoutSpacing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flat.png"));
        QImage flat(640, 480, QImage::Format_RGB888);
        flat.fill(QColor(90, 90, 90));
        QVERIFY(flat.save(path));
        const TRun run = RunTool({path, "--auto-scale", "--format", "json"});
        QCOMPARE(run.ExitCode, 4);
        QVERIFY(run.Err.contains(QString::fromUtf8("flat.png: espaçamento das células não estimado")));
        const QJsonObject frame = ReadJson(run.Out)[K("frames")][0].toObject();
        QCOMPARE(frame[K("status")].toString(), QStringLiteral("no-spacing"));
        QVERIFY(frame[K("autoScale")][K("spacingPx")].isNull());
        QCOMPARE(ReadJson(run.Out)[K("average")][K("framesUsed")].toInt(), 0);
    }

    // The overlay is drawn on the frame as given: the region rectangle at the
    // analysed region, centres and boundaries inside it.
    void autoScaleOverlay_data()
    {
        QTest::addColumn<int>("density");
        QTest::newRow("cells shrunk") << 800;
        QTest::newRow("cells enlarged, region reduced") << 5000;
    }
    void autoScaleOverlay()
    {
        QFETCH(int, density);
        QTemporaryDir dir;
        const QString overlayPath = dir.filePath(QStringLiteral("overlay.png"));
        const QString framePath = dir.filePath(QStringLiteral("frame.png"));
        const TRun run = RunTool({"--demo", "--density", QString::number(density), "--auto-scale", "--format", "json",
                                  "--overlay", overlayPath, "--save-frame", framePath, "--original"});
        QCOMPARE(run.ExitCode, 0);
        const TRect analysed =
            *ParseRect(ReadJson(run.Out)[K("frames")][0][K("autoScale")][K("analysedRoi")].toString());
        const QImage overlay = QImage(overlayPath).convertToFormat(QImage::Format_RGB32);
        const QImage frame = QImage(framePath).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(overlay.size(), QSize(640, 480));
        QCOMPARE(overlay.pixel(analysed.Left, analysed.Top), qRgb(0, 255, 0));
        QCOMPARE(overlay.pixel(analysed.Right - 1, analysed.Bottom - 1), qRgb(0, 255, 0));
        // Inside the region most pixels are coloured; away from it only the two
        // pachymetry lines (whole columns) differ from the frame.
        int changedInside = 0, inside = 0;
        QSet<int> changedColumnsOutside;
        for (int y = 0; y < 480; y += 3)
            for (int x = 0; x < 640; ++x) {
                const bool in = x > analysed.Left && x < analysed.Right && y > analysed.Top && y < analysed.Bottom;
                const bool away = x < analysed.Left - 1 || x > analysed.Right + 1 || y < analysed.Top - 1
                                  || y > analysed.Bottom + 1;
                const bool changed = overlay.pixel(x, y) != frame.pixel(x, y);
                inside += in;
                changedInside += in && changed;
                if (away && changed)
                    changedColumnsOutside.insert(x);
            }
        QVERIFY(changedInside > inside * 9 / 10);
        QVERIFY2(changedColumnsOutside.size() <= 2, qPrintable(QString::number(changedColumnsOutside.size())));
    }

    void badInput_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << "" << QStringList{"/nonexistent/frame.png"} << 3 << "arquivo não encontrado";
        QTest::newRow("unreadable image") << "garbage" << QStringList{} << 3 << "não é uma imagem legível";
        QTest::newRow("truncated PNG") << "truncated" << QStringList{} << 3
                                       << "não é uma imagem legível (dados de imagem inválidos ou incompletos)";
        QTest::newRow("1 x 1 image: empty default region") << "tiny" << QStringList{} << 3 << "(indique a região com --roi)";
        QTest::newRow("larger than the frame") << "large" << QStringList{} << 3
                                               << "imagem de 700 × 500; imagem maior que 640 × 480 não é aceita";
        QTest::newRow("region outside the frame") << "frame" << QStringList{"--roi", "600,400,700,470"} << 3
                                                  << "fora do quadro: ela precisa estar dentro de 0..639 × 0..479";
        QTest::newRow("region of area 50") << "frame" << QStringList{"--roi", "100,100,105,110"} << 3
                                           << "com área de 50 pixels: a área precisa ser maior que 50";
        QTest::newRow("malformed region") << "frame" << QStringList{"--roi", "1,2,3"} << 2
                                         << "valor inválido '1,2,3' para --roi: use quatro inteiros esquerda,topo,direita,base";
        QTest::newRow("bad sensitivity") << "frame" << QStringList{"--sensitivity", "Média"} << 2
                                         << "use Alta, Normal, Baixa ou um número";
        QTest::newRow("bad scale") << "frame" << QStringList{"--mm-per-pixel", "0"} << 2 << "informe um número positivo";
        QTest::newRow("unknown option") << "frame" << QStringList{"--fast"} << 2 << "opção desconhecida --fast (veja --help)";
        QTest::newRow("option without value") << "frame" << QStringList{"--roi"} << 2 << "a opção --roi precisa de um valor";
        QTest::newRow("bad format") << "frame" << QStringList{"--format", "xml"} << 2 << "use text, json ou csv";
        QTest::newRow("density below 200") << "frame" << QStringList{"--density", "199"} << 2
                                           << "informe de 200 a 6000 cel/mm²";
        QTest::newRow("two inputs") << "frame" << QStringList{"other.png"} << 2 << "mais de uma entrada indicada";
        QTest::newRow("demo with an input") << "frame" << QStringList{"--demo"} << 2
                                            << "--demo não aceita arquivo de entrada";
        QTest::newRow("missing settings file") << "frame" << QStringList{"--ini", "/nonexistent/cornix.ini"} << 3
                                               << "arquivo de configuração não encontrado";
        QTest::newRow("empty folder") << "folder" << QStringList{} << 3 << "nenhuma imagem BMP, PNG, JPEG ou TIFF na pasta";
    }

    void badInput()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        if (kind == QLatin1String("garbage")) {
            QFile file(dir.filePath(QStringLiteral("frame.png")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("\x89PNG but not really");
            file.close();
            arguments.prepend(file.fileName());
        } else if (kind == QLatin1String("truncated")) {
            QFile golden(kGoldenFrame);
            QVERIFY(golden.open(QIODevice::ReadOnly));
            QFile file(dir.filePath(QStringLiteral("truncated.png")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(golden.read(3000));
            file.close();
            arguments.prepend(file.fileName());
        } else if (kind == QLatin1String("tiny")) {
            QImage tiny(1, 1, QImage::Format_RGB888);
            tiny.fill(Qt::gray);
            QVERIFY(tiny.save(dir.filePath(QStringLiteral("tiny.bmp"))));
            arguments.prepend(dir.filePath(QStringLiteral("tiny.bmp")));
        } else if (kind == QLatin1String("large")) {
            QImage large(700, 500, QImage::Format_RGB888);
            large.fill(Qt::gray);
            QVERIFY(large.save(dir.filePath(QStringLiteral("large.png"))));
            arguments.prepend(dir.filePath(QStringLiteral("large.png")));
        } else if (kind == QLatin1String("frame")) {
            arguments.prepend(kGoldenFrame);
        } else if (kind == QLatin1String("folder")) {
            arguments.prepend(dir.path());
        }
        const TRun run = RunTool(arguments);
        QCOMPARE(run.ExitCode, exitCode);
        QVERIFY2(run.Err.contains(message), qPrintable(run.Err));
        // One line of error (a padded image adds its note first).
        const QStringList lines = run.Err.trimmed().split(QLatin1Char('\n'));
        QVERIFY2(lines.size() == 1 || (lines.size() == 2 && lines[0].contains(QStringLiteral("canto superior esquerdo"))),
                 qPrintable(run.Err));
        QVERIFY(run.Out.isEmpty());
    }

    void helpText()
    {
        const TRun run = RunTool({"--help"});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Err.isEmpty());
        for (const char *text : {"Uso: cornix-analyse [opções] [QUADRO | PASTA]", "--roi E,T,D,B", "--sensitivity S",
                                 "--auto-scale",
                                 "--format text|json|csv", "--save-frame ARQUIVO", "Código de saída: 0 analisado"})
            QVERIFY2(run.Out.contains(QString::fromUtf8(text)), text);
    }

    void sensitivity_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("threshold");
        QTest::newRow("Alta") << "Alta" << true << -2.5;
        QTest::newRow("normal, any case") << "normal" << true << -3.0;
        QTest::newRow("BAIXA") << "BAIXA" << true << -3.5;
        QTest::newRow("a threshold") << "-2.75" << true << -2.75;
        QTest::newRow("not a number") << "alto" << false << 0.0;
        QTest::newRow("infinite") << "inf" << false << 0.0;
    }

    void sensitivity()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, threshold);
        const auto parsed = ParseSensitivity(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, threshold);
    }

    void checkRoi_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::addColumn<bool>("valid");
        QTest::newRow("5 x 10: area 50") << TRect{10, 10, 15, 20} << false;
        QTest::newRow("5 x 11: area 55") << TRect{10, 10, 15, 21} << true;
        QTest::newRow("drawn backwards") << TRect{300, 200, 100, 50} << true;
        QTest::newRow("whole frame") << TRect{0, 0, 639, 479} << true;
        QTest::newRow("column 640") << TRect{0, 0, 640, 479} << false;
        QTest::newRow("negative") << TRect{-1, 0, 100, 100} << false;
    }

    void checkRoi()
    {
        QFETCH(TRect, roi);
        QFETCH(bool, valid);
        QCOMPARE(CheckRoi(roi).isEmpty(), valid);
    }

    void defaultRoi_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<TRect>("roi");
        QTest::newRow("full frame") << 640 << 480 << TRect{80, 60, 559, 419};
        QTest::newRow("small image") << 320 << 240 << TRect{40, 30, 279, 209};
    }

    void defaultRoi()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(TRect, roi);
        QCOMPARE(DefaultRoi(width, height), roi);
    }

    void meanGreyFill()
    {
        QImage small(2, 1, QImage::Format_RGB888);
        small.setPixel(0, 0, qRgb(10, 10, 10));
        small.setPixel(1, 0, qRgb(21, 21, 21)); // mean 15.5: to even, 16
        QString error;
        const auto frame = FrameFromImage(small, QStringLiteral("t"), &error);
        QVERIFY(frame);
        QCOMPARE(frame->Frame.pixel(1, 0), qRgb(21, 21, 21));
        QCOMPARE(frame->Frame.pixel(2, 0), qRgb(16, 16, 16));
        QCOMPARE(frame->Frame.pixel(639, 479), qRgb(16, 16, 16));
    }
};

QTEST_GUILESS_MAIN(TestCornixAnalyse)
#include "tst_cornixanalyse.moc"
