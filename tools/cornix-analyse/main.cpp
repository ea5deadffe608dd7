// cornix-analyse: the analysis of one frame of the desktop program, from the
// command line, for research and batch use.
#include "AnalyseRequest.h"
#include "AnalyseSession.h"
#include "FrameLoader.h"
#include "SyntheticFrame.h"

#include "UBIniSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <exception>

using namespace cornix;
using namespace cornix::cli;

namespace {

enum TExitCode { ExitOk = 0, ExitUsage = 2, ExitInput = 3, ExitTooFewCells = 4, ExitOutput = 5 };

// One line on stderr, prefixed with the tool's name.
int Fail(int code, const QString &message)
{
    QTextStream(stderr) << "cornix-analyse: " << message << Qt::endl;
    return code;
}

void Note(const QString &message) { QTextStream(stderr) << "cornix-analyse: " << message << Qt::endl; }

// Settings from --ini (or the built-in defaults of the sample file), then --mm-per-pixel.
std::optional<TSessionSettings> LoadSettings(const TAnalyseRequest &request, QString *error)
{
    TSessionSettings settings;
    if (!request.IniFile.isEmpty()) {
        if (!QFileInfo(request.IniFile).isFile()) {
            *error = QStringLiteral("%1: arquivo de configuração não encontrado").arg(request.IniFile);
            return std::nullopt;
        }
        try {
            const TBIniSettings ini(request.IniFile);
            settings.PixelToMM = ini.PixelToMM();
            settings.PixelToPaq = ini.PixelToPaq();
            settings.Display.Contrast = TContrastSettings::FromIni(ini);
        } catch (const ESettingsConversionError &e) {
            *error = e.message();
            return std::nullopt;
        }
    }
    if (request.MmPerPixel)
        settings.PixelToMM = *request.MmPerPixel;
    if (!(settings.PixelToMM > 0)) {
        *error = QStringLiteral("a escala de comprimento precisa ser positiva (pixelToMM ou --mm-per-pixel)");
        return std::nullopt;
    }
    return settings;
}

struct TInput {
    QString Name;
    std::optional<TLoadedFrame> Frame;
    QString Error;
    std::optional<double> TrueDensity;
    std::optional<TRect> Roi; // the input's own region (synthetic frames)
};

QList<TInput> CollectInputs(const TAnalyseRequest &request, const TSessionSettings &settings, bool *isFolder,
                            QString *error)
{
    QList<TInput> inputs;
    *isFolder = false;
    if (request.Demo) {
        const TSyntheticFrame demo = SyntheticFrame(request.DemoSeed, request.DemoDensity, settings.PixelToMM);
        TInput input{QStringLiteral("sintético(semente=%1,densidade=%2)").arg(request.DemoSeed).arg(request.DemoDensity),
                     TLoadedFrame{demo.Frame, demo.Frame.width(), demo.Frame.height(), {}}, {}, demo.TrueDensity,
                     demo.Roi};
        inputs << input;
        return inputs;
    }
    const QFileInfo info(request.Input);
    if (info.isDir()) {
        *isFolder = true;
        const QStringList files = FrameFiles(request.Input);
        if (files.isEmpty())
            *error = QStringLiteral("%1: nenhuma imagem BMP, PNG, JPEG ou TIFF na pasta").arg(request.Input);
        for (const QString &file : files) {
            TInput input{file, std::nullopt, {}, std::nullopt, std::nullopt};
            input.Frame = LoadFrame(file, &input.Error);
            inputs << input;
        }
        return inputs;
    }
    TInput input{request.Input, std::nullopt, {}, std::nullopt, std::nullopt};
    input.Frame = LoadFrame(request.Input, &input.Error);
    if (!input.Frame)
        *error = input.Error;
    inputs << input;
    return inputs;
}

bool WriteText(const QString &text)
{
    QTextStream out(stdout);
    out << text;
    out.flush();
    return out.status() == QTextStream::Ok;
}

QString OverlayPath(const TAnalyseRequest &request, bool isFolder, const QString &frameName)
{
    if (!isFolder)
        return request.Overlay;
    return QDir(request.Overlay).filePath(QFileInfo(frameName).completeBaseName() + QStringLiteral(".png"));
}

// Analyses one input (its region checked first) and writes its overlay and
// frame files when asked. Problems with a frame end up in its result.
TFrameResult AnalyseInput(const TInput &input, const TAnalyseRequest &request, bool isFolder,
                          TAnalyseSession &session, bool *outputFailed)
{
    TFrameResult result;
    result.Name = input.Name;
    if (!input.Frame) {
        result.Message = input.Error;
        Note(input.Error);
        return result;
    }
    if (!input.Frame->Note.isEmpty())
        Note(input.Frame->Note);
    const TRect roi =
        request.Roi.value_or(input.Roi.value_or(DefaultRoi(input.Frame->ImageWidth, input.Frame->ImageHeight)));
    const QString problem = CheckRoi(roi);
    if (!problem.isEmpty()) {
        result.Roi = roi;
        result.Message = QStringLiteral("%1: %2 (indique a região com --roi)").arg(input.Name, problem);
        if (isFolder)
            Note(result.Message);
        return result;
    }
    result = session.Analyse(input.Frame->Frame, input.Name, roi);
    result.Note = input.Frame->Note;
    result.TrueDensity = input.TrueDensity;
    if (result.Status == TFrameResult::TooFewCells || result.Status == TFrameResult::NoSpacing)
        Note(QStringLiteral("%1: %2").arg(result.Name, result.Message));
    if (!request.SaveFrame.isEmpty() && !isFolder
        && !CompactForSaving(input.Frame->Frame).save(request.SaveFrame, "PNG")) {
        Note(QStringLiteral("%1: não foi possível gravar o quadro").arg(request.SaveFrame));
        *outputFailed = true;
    }
    if (result.Status == TFrameResult::Analysed && !request.Overlay.isEmpty()) {
        const QString path = OverlayPath(request, isFolder, result.Name);
        if (!session.OverlayImage(result, request.OriginalView).save(path, "PNG")) {
            Note(QStringLiteral("%1: não foi possível gravar a imagem com a sobreposição").arg(path));
            *outputFailed = true;
        }
    }
    return result;
}

QString FormatResults(const QList<TFrameResult> &results, TAnalyseSession &session, const TAnalyseRequest &request,
                      bool isFolder)
{
    const TEndoStats summary = session.Summary();
    switch (request.Format.value_or(isFolder ? TOutputFormat::Json : TOutputFormat::Text)) {
    case TOutputFormat::Json: return FormatJson(results, summary, session, request.SensitivityText);
    case TOutputFormat::Csv: return FormatCsv(results, summary, request.AutoScale);
    case TOutputFormat::Text: break;
    }
    return FormatText(results, summary, session, request.SensitivityText);
}

int Run(const QStringList &arguments)
{
    QString error;
    const auto request = ParseArguments(arguments, &error);
    if (!request)
        return Fail(ExitUsage, error);
    if (request->ShowHelp) {
        WriteText(UsageText());
        return ExitOk;
    }
    if (request->Roi) {
        const QString problem = CheckRoi(*request->Roi);
        if (!problem.isEmpty())
            return Fail(ExitInput, problem);
    }
    const auto settings = LoadSettings(*request, &error);
    if (!settings)
        return Fail(ExitInput, error);

    bool isFolder = false;
    const QList<TInput> inputs = CollectInputs(*request, *settings, &isFolder, &error);
    if (!error.isEmpty())
        return Fail(ExitInput, error);
    if (request->Demo)
        Note(QStringLiteral("analisando um quadro sintético (semente %1, %2 cel/mm², campo iluminado de 330 × 250 px)")
                 .arg(request->DemoSeed).arg(request->DemoDensity));
    if (isFolder && !request->Overlay.isEmpty() && !QDir().mkpath(request->Overlay))
        return Fail(ExitOutput, QStringLiteral("%1: não foi possível criar a pasta das sobreposições").arg(request->Overlay));

    TAnalyseSession session(*settings, request->Threshold, request->AutoScale);
    QList<TFrameResult> results;
    bool outputFailed = false;
    for (const TInput &input : inputs)
        results << AnalyseInput(input, *request, isFolder, session, &outputFailed);
    const bool anyError = std::any_of(results.cbegin(), results.cend(),
                                      [](const TFrameResult &r) { return r.Status == TFrameResult::Error; });
    const bool anyTooFew = std::any_of(results.cbegin(), results.cend(), [](const TFrameResult &r) {
        return r.Status == TFrameResult::TooFewCells || r.Status == TFrameResult::NoSpacing;
    });
    // A single frame that could not be analysed is an error line, not a report.
    if (anyError && !isFolder)
        return Fail(ExitInput, results.value(0).Message);

    if (!WriteText(FormatResults(results, session, *request, isFolder)))
        outputFailed = true;
    if (anyError)
        return ExitInput;
    if (outputFailed)
        return ExitOutput;
    return anyTooFew ? ExitTooFewCells : ExitOk;
}

// The image readers' own complaints would break the one-line error rule; the
// tool reports every failure itself.
void QuietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        QTextStream(stderr) << "cornix-analyse: " << message << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(QuietMessages);
    QCoreApplication app(argc, argv);
    try {
        QStringList arguments = QCoreApplication::arguments();
        arguments.removeFirst();
        return Run(arguments);
    } catch (const std::bad_alloc &) {
        return Fail(ExitInput, QStringLiteral("memória insuficiente"));
    } catch (const std::exception &e) {
        return Fail(ExitInput, QString::fromLocal8Bit(e.what()));
    }
}
