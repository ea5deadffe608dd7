// cornix-analyse: the analysis of one frame of the desktop program, from the
// command line, for research and batch use.
#include "AnalyseRequest.h"
#include "AnalyseSession.h"
#include "FrameLoader.h"
#include "SyntheticFrame.h"

#include "SettingsRanges.h"
#include "UBIniSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>

#include <unistd.h>

using namespace cornix;
using namespace cornix::cli;

namespace {

enum TExitCode { ExitOk = 0, ExitUsage = 2, ExitInput = 3, ExitTooFewCells = 4, ExitOutput = 5 };

// Scales the figures can be trusted with, the same the program accepts in its settings
// file: far outside, areas round to 0 or densities leave their 16 bits.
constexpr TSettingsRange kLengthScale = *SettingsRangeOf("METRICS", "pixelToMM");
constexpr TSettingsRange kPachymetryScale = *SettingsRangeOf("METRICS", "pixelToPaq");

// "quadro k de n" on a terminal's stderr, rewritten in place; cleared before any
// other line goes there.
class TProgress {
public:
    void Start(int total) { m_total = total; m_enabled = total > 1 && ::isatty(STDERR_FILENO); }
    void Show(int k)
    {
        if (!m_enabled)
            return;
        std::fprintf(stderr, "\rcornix-analyse: quadro %d de %d", k, m_total);
        std::fflush(stderr);
        m_shown = true;
    }
    void Clear()
    {
        if (!m_shown)
            return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_shown = false;
    }

private:
    int m_total = 0;
    bool m_enabled = false;
    bool m_shown = false;
};

TProgress g_progress;

// One line on stderr, prefixed with the tool's name.
void Note(const QString &message)
{
    g_progress.Clear();
    QTextStream(stderr) << "cornix-analyse: " << message << Qt::endl;
}

int Fail(int code, const QString &message)
{
    Note(message);
    return code;
}

QString Decimal(double v) { return QString::number(v, 'g', 6); }

QString CheckScales(const TSessionSettings &settings)
{
    if (!(settings.PixelToMM > 0))
        return QStringLiteral("a escala de comprimento precisa ser positiva (pixelToMM ou --mm-per-pixel)");
    if (!kLengthScale.Contains(settings.PixelToMM))
        return QStringLiteral("escala de comprimento de %1 mm/pixel fora da faixa aceita, de %2 a %3 mm/pixel "
                              "(pixelToMM ou --mm-per-pixel)")
            .arg(Decimal(settings.PixelToMM), Decimal(kLengthScale.low), Decimal(kLengthScale.high));
    if (!kPachymetryScale.Contains(settings.PixelToPaq))
        return QStringLiteral("escala da paquimetria de %1 µm/pixel fora da faixa aceita, de %2 a %3 µm/pixel "
                              "(pixelToPaq)")
            .arg(Decimal(settings.PixelToPaq), Decimal(kPachymetryScale.low), Decimal(kPachymetryScale.high));
    return {};
}

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
    *error = CheckScales(settings);
    if (!error->isEmpty())
        return std::nullopt;
    return settings;
}

// One thing to analyse. Files of a folder are read only when their turn comes,
// so that one frame at a time is held.
struct TInput {
    QString Name;
    std::optional<TFramePath> Path;
    std::optional<TLoadedFrame> Frame;
    QString Error;
    std::optional<double> TrueDensity;
    std::optional<TRect> Roi; // the input's own region (synthetic frames)
    QString OverlayName;      // in the overlay folder
};

// Overlay names in a folder: <base>.png, or <base>.<suffix>.png for files that
// share their base name (a.png and a.bmp).
void NameOverlays(QList<TInput> &inputs)
{
    QHash<QString, int> uses;
    for (const TInput &input : inputs)
        ++uses[QFileInfo(input.Name).completeBaseName()];
    for (TInput &input : inputs) {
        const QFileInfo info(input.Name);
        const QString base = info.completeBaseName();
        input.OverlayName = (uses.value(base) > 1 ? base + QLatin1Char('.') + info.suffix() : base)
                            + QStringLiteral(".png");
    }
}

TFramePath InputPath(const TAnalyseRequest &request, const QList<QByteArray> &rawArguments)
{
    if (request.InputArgument >= 0 && request.InputArgument < rawArguments.size())
        return FramePathOf(rawArguments[request.InputArgument].toStdString());
    return FramePathOf(QFile::encodeName(request.Input).toStdString());
}

QList<TInput> CollectInputs(const TAnalyseRequest &request, const QList<QByteArray> &rawArguments,
                            const TSessionSettings &settings, bool *isFolder, QString *error)
{
    QList<TInput> inputs;
    *isFolder = false;
    if (request.Demo) {
        const TSyntheticFrame demo = SyntheticFrame(request.DemoSeed, request.DemoDensity, settings.PixelToMM);
        TInput input{QStringLiteral("sintético(semente=%1,densidade=%2)").arg(request.DemoSeed).arg(request.DemoDensity),
                     std::nullopt, TLoadedFrame{demo.Frame, demo.Frame.width(), demo.Frame.height(), {}}, {},
                     demo.TrueDensity, demo.Roi, {}};
        inputs << input;
        return inputs;
    }
    const TFramePath path = InputPath(request, rawArguments);
    std::error_code ec;
    if (std::filesystem::is_directory(path.Native, ec)) {
        *isFolder = true;
        for (const TFramePath &file : FrameFiles(path.Native))
            inputs << TInput{file.Display, file, std::nullopt, {}, std::nullopt, std::nullopt, {}};
        if (inputs.isEmpty())
            *error = QStringLiteral("%1: nenhuma imagem BMP, PNG, JPEG ou TIFF na pasta").arg(path.Display);
        NameOverlays(inputs);
        return inputs;
    }
    TInput input{path.Display, path, std::nullopt, {}, std::nullopt, std::nullopt, {}};
    input.Frame = LoadFrame(path, &input.Error);
    if (!input.Frame)
        *error = input.Error;
    inputs << input;
    return inputs;
}

bool WriteText(const QString &text, QString *reason)
{
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    const bool flushed = std::fflush(stdout) == 0;
    if (written && flushed && !std::ferror(stdout))
        return true;
    *reason = SystemErrorText(errno != 0 ? errno : EIO);
    return false;
}

QString OverlayPath(const TAnalyseRequest &request, bool isFolder, const TInput &input)
{
    if (!isFolder)
        return request.Overlay;
    return QDir(request.Overlay).filePath(input.OverlayName);
}

// A problem with one frame of a folder is noted and the others still analysed.
void NoteProblem(const TFrameResult &result)
{
    if (result.Status == TFrameResult::Analysed)
        return;
    if (result.Status == TFrameResult::Error)
        Note(result.Message);
    else
        Note(QStringLiteral("%1: %2").arg(result.Name, result.Message));
}

void WriteOutputs(const TInput &input, const TFrameResult &result, const TAnalyseRequest &request, bool isFolder,
                  TAnalyseSession &session, bool *outputFailed)
{
    QString reason;
    if (!request.SaveFrame.isEmpty() && !isFolder
        && !SavePng(CompactForSaving(input.Frame->Frame), request.SaveFrame, &reason)) {
        Note(QStringLiteral("%1: não foi possível gravar o quadro (%2)").arg(request.SaveFrame, reason));
        *outputFailed = true;
    }
    if (result.Status == TFrameResult::Analysed && !request.Overlay.isEmpty()) {
        const QString path = OverlayPath(request, isFolder, input);
        if (!SavePng(session.OverlayImage(result, request.OriginalView), path, &reason)) {
            Note(QStringLiteral("%1: não foi possível gravar a imagem com a sobreposição (%2)").arg(path, reason));
            *outputFailed = true;
        }
    }
}

// Analyses one input (read now when it is a file of a folder; its region checked
// first) and writes its overlay and frame files when asked. Problems with a
// frame end up in its result.
TFrameResult AnalyseInput(TInput input, const TAnalyseRequest &request, bool isFolder, TAnalyseSession &session,
                          bool *outputFailed)
{
    TFrameResult result;
    result.Name = input.Name;
    if (!input.Frame && input.Path && input.Error.isEmpty())
        input.Frame = LoadFrame(*input.Path, &input.Error);
    if (!input.Frame) {
        result.Message = input.Error;
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
        return result;
    }
    result = session.Analyse(input.Frame->Frame, input.Name, roi);
    result.Note = input.Frame->Note;
    result.TrueDensity = input.TrueDensity;
    WriteOutputs(input, result, request, isFolder, session, outputFailed);
    session.Release(result);
    return result;
}

// A frame that cannot have its memory gets an error row; the others go on.
TFrameResult AnalyseGuarded(TInput input, const TAnalyseRequest &request, bool isFolder, TAnalyseSession &session,
                            bool *outputFailed)
{
    const QString name = input.Name;
    try {
        return AnalyseInput(std::move(input), request, isFolder, session, outputFailed);
    } catch (const std::bad_alloc &) {
        TFrameResult result;
        result.Name = name;
        result.Message = QStringLiteral("%1: memória insuficiente para o quadro").arg(name);
        return result;
    }
}

bool SameFile(const QString &path, const std::filesystem::path &native)
{
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::path(QFile::encodeName(path).toStdString()), native, ec);
}

// The input an --overlay or --save-frame would overwrite (an empty text when none).
QString OverwrittenInput(const TAnalyseRequest &request, const QList<TInput> &inputs, bool isFolder)
{
    for (const TInput &input : inputs) {
        if (!input.Path)
            continue;
        if (!isFolder) {
            for (const QString &output : {request.Overlay, request.SaveFrame})
                if (!output.isEmpty() && SameFile(output, input.Path->Native))
                    return output;
        } else if (!request.Overlay.isEmpty() && SameFile(OverlayPath(request, isFolder, input), input.Path->Native)) {
            return OverlayPath(request, isFolder, input);
        }
    }
    return {};
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

int ExitCodeOf(const QList<TFrameResult> &results, bool outputFailed)
{
    const bool anyError = std::any_of(results.cbegin(), results.cend(),
                                      [](const TFrameResult &r) { return r.Status == TFrameResult::Error; });
    const bool anyTooFew = std::any_of(results.cbegin(), results.cend(), [](const TFrameResult &r) {
        return r.Status == TFrameResult::TooFewCells || r.Status == TFrameResult::NoSpacing;
    });
    if (anyError)
        return ExitInput;
    if (outputFailed)
        return ExitOutput;
    return anyTooFew ? ExitTooFewCells : ExitOk;
}

int Run(const QStringList &arguments, const QList<QByteArray> &rawArguments)
{
    QString error;
    const auto request = ParseArguments(arguments, &error);
    if (!request)
        return Fail(ExitUsage, error);
    if (request->ShowHelp) {
        QString reason;
        if (!WriteText(UsageText(), &reason))
            return Fail(ExitOutput, QStringLiteral("não foi possível gravar na saída padrão (%1)").arg(reason));
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
    QList<TInput> inputs = CollectInputs(*request, rawArguments, *settings, &isFolder, &error);
    if (!error.isEmpty())
        return Fail(ExitInput, error);
    if (isFolder && !request->SaveFrame.isEmpty())
        return Fail(ExitUsage, QStringLiteral("--save-frame grava um só quadro e não se aplica a uma pasta "
                                              "(use --overlay PASTA para as imagens dos quadros)"));
    const QString overwritten = OverwrittenInput(*request, inputs, isFolder);
    if (!overwritten.isEmpty())
        return Fail(ExitUsage, QStringLiteral("%1: a saída substituiria o próprio quadro de entrada; indique outro "
                                              "arquivo ou pasta").arg(overwritten));
    if (request->Demo)
        Note(QStringLiteral("analisando um quadro sintético (semente %1, %2 cel/mm², campo iluminado de 330 × 250 px)")
                 .arg(request->DemoSeed).arg(request->DemoDensity));
    if (isFolder && !request->Overlay.isEmpty() && !QDir().mkpath(request->Overlay))
        return Fail(ExitOutput, QStringLiteral("%1: não foi possível criar a pasta das sobreposições").arg(request->Overlay));

    TAnalyseSession session(*settings, request->Threshold, request->AutoScale);
    QList<TFrameResult> results;
    bool outputFailed = false;
    g_progress.Start(int(inputs.size()));
    for (qsizetype k = 0; k < inputs.size(); ++k) {
        g_progress.Show(int(k + 1));
        results << AnalyseGuarded(std::move(inputs[k]), *request, isFolder, session, &outputFailed);
        inputs[k] = TInput{};
        if (isFolder)
            NoteProblem(results.last());
    }
    g_progress.Clear();
    // A single frame that could not be analysed is an error line, not a report.
    if (!isFolder && results.value(0).Status == TFrameResult::Error)
        return Fail(ExitInput, results.value(0).Message);
    if (!isFolder && results.value(0).Status != TFrameResult::Analysed)
        NoteProblem(results.value(0));

    QString reason;
    if (!WriteText(FormatResults(results, session, *request, isFolder), &reason)) {
        Note(QStringLiteral("não foi possível gravar os resultados na saída padrão (%1)").arg(reason));
        outputFailed = true;
    }
    return ExitCodeOf(results, outputFailed);
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
    // The arguments' bytes as the system gave them: file names need not be UTF-8.
    QList<QByteArray> rawArguments;
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        rawArguments << QByteArray(argv[i]);
        arguments << DisplayName(std::string(argv[i]));
    }
    QCoreApplication app(argc, argv);
    try {
        return Run(arguments, rawArguments);
    } catch (const std::bad_alloc &) {
        return Fail(ExitInput, QStringLiteral("memória insuficiente"));
    } catch (const std::exception &e) {
        return Fail(ExitInput, QString::fromLocal8Bit(e.what()));
    }
}
