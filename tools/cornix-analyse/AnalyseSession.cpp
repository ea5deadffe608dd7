#include "AnalyseSession.h"

#include "Dialogs.h"
#include "QtNumbers.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cornix::cli {

namespace {

// The messages the analysis shows (an unrecoverable statistics step, say) go to
// the frame's row instead of a dialog.
class TKeptMessages : public Dialogs {
public:
    DialogButton show(const DialogRequest &request) override
    {
        m_texts << request.text;
        return DialogButton::Ok;
    }
    QString take()
    {
        const QString text = m_texts.join(QStringLiteral("; "));
        m_texts.clear();
        return text;
    }

private:
    QStringList m_texts;
};

} // namespace

TAnalyseSession::TAnalyseSession(const TSessionSettings &settings, double threshold, bool autoScale)
    : m_settings(settings), m_threshold(threshold), m_autoScale(autoScale),
      m_buffer(std::make_unique<TBFrameBuffer>(TAnalysisScale{settings.PixelToMM, settings.PixelToPaq})),
      m_messages(std::make_unique<TKeptMessages>())
{
    Dialogs::install(m_messages.get());
}

TAnalyseSession::~TAnalyseSession() { Dialogs::install(nullptr); }

QString TAnalyseSession::takeShownMessages() { return static_cast<TKeptMessages &>(*m_messages).take(); }

void TAnalyseSession::Release(const TFrameResult &result)
{
    if (result.FrameIndex < 0)
        return;
    m_buffer->ReleaseFrameData(result.FrameIndex);
    if (result.FrameIndex == m_lastAutoScaleFrame) {
        m_lastAutoScale = TAutoScaleResult{};
        m_lastAutoScaleFrame = -1;
    }
}

TFrameResult TAnalyseSession::Analyse(const QImage &frame, const QString &name, const TRect &roi)
{
    TFrameResult result;
    result.Name = name;
    result.Roi = NormalizedRect(roi);
    if (!m_buffer->AddFrame(frame, QString(), 0, m_threshold, TPachymetry{}, TRect{}, 0)) {
        result.Message = QStringLiteral("%1: memória insuficiente para o quadro").arg(name);
        return result;
    }
    const int f = m_buffer->FrameCount() - 1;
    result.FrameIndex = f;
    m_buffer->SetRoi(f, roi);
    m_buffer->MeasurePachymetry(f);
    if (m_autoScale) {
        analyseAutoScaled(result);
        return result;
    }
    const TAnalyseOutcome outcome = AnalyseFrame(*m_buffer, f, m_threshold, m_settings.Display);
    const QString shown = takeShownMessages();
    result.CellsFound = outcome.CellsFound;
    if (outcome.Result == TAnalyseOutcome::Analysed && outcome.FiguresFailed) {
        result.Message = QStringLiteral("%1: os resultados não puderam ser calculados (%2)").arg(name, shown);
        return result;
    }
    switch (outcome.Result) {
    case TAnalyseOutcome::Analysed:
        result.Status = TFrameResult::Analysed;
        result.Stats = m_buffer->Stats(f);
        result.PachymetryMicrons = m_buffer->PachymetryMicrons(f);
        m_buffer->SetUseIt(f, true);
        break;
    case TAnalyseOutcome::TooFewCells:
        result.Status = TFrameResult::TooFewCells;
        result.Message = QString(outcome.Message).replace(QLatin1Char('\r'), QLatin1Char(' '));
        break;
    case TAnalyseOutcome::NoValidRegion:
        result.Message = QStringLiteral("%1: a região de interesse não é válida").arg(name);
        break;
    case TAnalyseOutcome::Failed:
        result.Message = QStringLiteral("%1: %2").arg(name, outcome.Message);
        break;
    }
    return result;
}

// The working frame's analysis stored in the frame's record: its figures (in
// the frame's own units) feed the summary. The matrix
// stays with the session: its pixels are not the frame's.
void TAnalyseSession::analyseAutoScaled(TFrameResult &result)
{
    const int f = result.FrameIndex;
    auto gray = std::make_unique<TGrayFrame>();
    m_buffer->Gray(f, *gray);
    m_lastAutoScale =
        AnalyseAutoScale(*gray, result.Roi, m_threshold, TAnalysisScale{m_settings.PixelToMM, m_settings.PixelToPaq});
    m_lastAutoScaleFrame = f;
    const TAutoScaleResult &a = m_lastAutoScale;
    TAutoScaleInfo info;
    if (a.Spacing) {
        info.SpacingPx = a.Spacing->SpacingPx;
        info.Confidence = a.Spacing->Confidence;
        info.Factor = a.Scaled.Factor;
        info.AnalysedRoi = a.Scaled.FrameRoi;
        info.Reduced = a.Scaled.Reduced;
    }
    result.AutoScale = info;
    result.CellsFound = a.CellsFound;
    switch (a.Status) {
    case TAutoScaleResult::Analysed:
        result.Status = TFrameResult::Analysed;
        m_buffer->SetStats(f, a.Stats);
        result.Stats = a.Stats;
        result.PachymetryMicrons = m_buffer->PachymetryMicrons(f);
        m_buffer->SetUseIt(f, true);
        break;
    case TAutoScaleResult::NoSpacing:
        result.Status = TFrameResult::NoSpacing;
        result.Message = QStringLiteral("espaçamento das células não estimado: o espectro da região não mostra o "
                                        "anel de um mosaico de células");
        break;
    case TAutoScaleResult::TooFewCells:
        result.Status = TFrameResult::TooFewCells;
        result.Message = TooFewCellsMessage().replace(QLatin1Char('\r'), QLatin1Char(' '));
        break;
    case TAutoScaleResult::NoValidRegion:
        result.Message = QStringLiteral("%1: a região de interesse não é válida").arg(result.Name);
        break;
    case TAutoScaleResult::NoFigures:
        result.Message = QStringLiteral("%1: os resultados não puderam ser calculados").arg(result.Name);
        break;
    case TAutoScaleResult::OutOfMemory:
        result.Message = QStringLiteral("%1: memória insuficiente para o quadro").arg(result.Name);
        break;
    }
}

QImage TAnalyseSession::OverlayImage(const TFrameResult &result, bool originalView)
{
    if (result.Status != TFrameResult::Analysed)
        return {};
    TDisplaySettings display = m_settings.Display;
    display.Options.ShowColour = true;
    display.Options.ShowEdges = true;
    display.Options.ShowCentres = true;
    display.Options.ContrastView = !originalView;
    if (!result.AutoScale)
        return RedrawFrame(*m_buffer, result.FrameIndex, display);
    if (result.FrameIndex != m_lastAutoScaleFrame || !m_lastAutoScale.Matrix)
        return {};
    const TAutoScaleResult &a = m_lastAutoScale;
    auto labels = std::make_unique<TIntPlane>();
    auto boundary = std::make_unique<TIntPlane>();
    auto cells = std::make_unique<TCellTable>();
    LabelsToFrame(a.Scaled, a.Matrix->LabelPlane(), *labels);
    BoundariesOf(*labels, *boundary);
    CellsToFrame(a.Scaled, a.Matrix->Cells(), *cells);
    QImage image = FrameImage(m_buffer->FrameBitmap(result.FrameIndex));
    DrawOverlay(image, nullptr, a.Scaled.FrameRoi, TOverlayPlanes{*labels, *boundary, a.Matrix->Regions(), *cells},
                m_buffer->Pachymetry(result.FrameIndex), display.Options, display.Contrast);
    return image;
}

TEndoStats TAnalyseSession::Summary() { return m_buffer->Summarize(); }

namespace {

QString StatusName(TFrameResult::TStatus status)
{
    switch (status) {
    case TFrameResult::Analysed: return QStringLiteral("analysed");
    case TFrameResult::TooFewCells: return QStringLiteral("too-few-cells");
    case TFrameResult::NoSpacing: return QStringLiteral("no-spacing");
    case TFrameResult::Error: break;
    }
    return QStringLiteral("error");
}

template <typename Hist>
QString JoinHist(const Hist &hist)
{
    QStringList parts;
    for (auto v : hist)
        parts << QString::number(v);
    return parts.join(QLatin1Char(';'));
}

template <typename Hist>
QJsonArray HistArray(const Hist &hist)
{
    QJsonArray array;
    for (auto v : hist)
        array.append(int(v));
    return array;
}

// The figures of a frame or of the summary, shared by every format.
struct TFigures {
    int CellCount;
    TSidesHist SidesHist;
    int Density;
    TAreaHist AreaHist;
    double MaxArea, MinArea, MeanArea, AnalysedArea, AreaSD, AreaCV;
    int Pachymetry;
    double HexPercent() const { return HexagonalPercent(SidesHist, std::uint16_t(CellCount)); }
};

TFigures FiguresOf(const TFrameResult &r)
{
    const TFrameStats &s = r.Stats;
    return {s.CellCount, s.SidesHist, s.Density, s.AreaHist, s.MaxArea, s.MinArea, s.MeanArea, s.AnalysedArea,
            s.AreaSD, s.AreaCV, r.PachymetryMicrons};
}

TFigures FiguresOf(const TEndoStats &s)
{
    return {s.CellCount, s.SidesHist, s.Density, s.AreaHist, s.MaxArea, s.MinArea, s.MeanArea, s.AnalysedArea,
            s.AreaSD, s.AreaCV, s.Pachymetry};
}

QString TextBlock(const TFigures &g)
{
    QString text;
    const auto line = [&text](const char *caption, const QString &value) {
        text += QString::fromUtf8(caption) + QLatin1Char(' ') + value + QLatin1Char('\n');
    };
    line("Total de células:", QString::number(g.CellCount));
    line("Área analisada (mm²):", FormatFloatQ("0.0000", g.AnalysedArea));
    line("Densidade (cel/mm²):", QString::number(g.Density));
    line("Desvio Padrão:", FormatFloatQ("0.00", g.AreaSD));
    line("Área Mínima (µm²):", FormatFloatQ("0.00", g.MinArea));
    line("Área Média (µm²):", FormatFloatQ("0.00", g.MeanArea));
    line("Área Máxima (µm²):", FormatFloatQ("0.00", g.MaxArea));
    line("Células Hexagonais (%):", FormatFloatQ("00", g.HexPercent()));
    line("Coef. de Variação (%):", FormatFloatQ("00", g.AreaCV * 100.0));
    line("Paquimetria Média (µm):", FormatFloatQ("#000", g.Pachymetry));
    line("Polimorfismo (4;5;6;7;outros lados):", JoinHist(g.SidesHist));
    line("Polimegatismo (>=700;600;500;400;300;200;<200 µm²):", JoinHist(g.AreaHist));
    return text;
}

QJsonObject FiguresJson(const TFigures &g)
{
    return QJsonObject{{"cellCount", g.CellCount},       {"analysedAreaMm2", g.AnalysedArea},
                       {"density", g.Density},           {"areaSD", g.AreaSD},
                       {"minArea", g.MinArea},           {"meanArea", g.MeanArea},
                       {"maxArea", g.MaxArea},           {"hexagonalPercent", g.HexPercent()},
                       {"areaCV", g.AreaCV},             {"pachymetryUm", g.Pachymetry},
                       {"sidesHist", HistArray(g.SidesHist)}, {"areaHist", HistArray(g.AreaHist)}};
}

QString RoiText(const TRect &r) { return QStringLiteral("%1,%2,%3,%4").arg(r.Left).arg(r.Top).arg(r.Right).arg(r.Bottom); }

QString AutoScaleText(const TAutoScaleInfo &info)
{
    if (!info.SpacingPx)
        return QStringLiteral("Escala automática: espaçamento das células não estimado\n");
    return QStringLiteral("Escala automática: espaçamento estimado %1 px (confiança %2), fator %3, "
                          "região analisada %4%5\n")
        .arg(FormatFloatQ("0.00", *info.SpacingPx), FormatFloatQ("0.00", info.Confidence),
             FormatFloatQ("0.0000", info.Factor), RoiText(info.AnalysedRoi),
             info.Reduced ? QStringLiteral(" (reduzida para caber no quadro de trabalho)") : QString());
}

QJsonObject AutoScaleJson(const TAutoScaleInfo &info)
{
    QJsonObject o{{"spacingPx", info.SpacingPx ? QJsonValue(*info.SpacingPx) : QJsonValue(QJsonValue::Null)}};
    if (info.SpacingPx) {
        o.insert("confidence", info.Confidence);
        o.insert("factor", info.Factor);
        o.insert("analysedRoi", RoiText(info.AnalysedRoi));
        o.insert("roiReduced", info.Reduced);
    }
    return o;
}

} // namespace

QString FormatText(const QList<TFrameResult> &frames, const TEndoStats &summary, const TAnalyseSession &session,
                   const QString &sensitivity)
{
    QString text;
    for (const TFrameResult &r : frames) {
        text += QStringLiteral("Quadro: %1\n").arg(r.Name);
        text += QStringLiteral("Região: %1  Sensibilidade: %2 (%3)  Escala: %4 mm/pixel\n")
                    .arg(RoiText(r.Roi), sensitivity, FormatFloatQ("0.00", session.Threshold()),
                         FormatFloatQ("0.000000", session.Settings().PixelToMM));
        if (r.AutoScale)
            text += AutoScaleText(*r.AutoScale);
        if (r.Status != TFrameResult::Analysed) {
            text += QStringLiteral("Não analisado: %1\n\n").arg(r.Message);
            continue;
        }
        text += QStringLiteral("Células identificadas: %1\n").arg(r.CellsFound);
        if (r.TrueDensity)
            text += QStringLiteral("Densidade do quadro sintético (cel/mm²): %1\n").arg(*r.TrueDensity);
        text += TextBlock(FiguresOf(r)) + QLatin1Char('\n');
    }
    if (frames.size() > 1) {
        text += QStringLiteral("Resumo estatístico (média imgs)\n");
        text += QStringLiteral("Nº imgs usadas: %1\n").arg(summary.FramesUsed);
        text += TextBlock(FiguresOf(summary));
    }
    return text;
}

QString FormatJson(const QList<TFrameResult> &frames, const TEndoStats &summary, const TAnalyseSession &session,
                   const QString &sensitivity)
{
    QJsonArray rows;
    for (const TFrameResult &r : frames) {
        QJsonObject row{{"file", r.Name}, {"status", StatusName(r.Status)}, {"roi", RoiText(r.Roi)},
                        {"cellsFound", r.CellsFound}};
        if (r.Status == TFrameResult::Analysed)
            row.insert("figures", FiguresJson(FiguresOf(r)));
        else
            row.insert("message", r.Message);
        if (r.TrueDensity)
            row.insert("trueDensity", *r.TrueDensity);
        if (r.AutoScale)
            row.insert("autoScale", AutoScaleJson(*r.AutoScale));
        rows.append(row);
    }
    QJsonObject average = FiguresJson(FiguresOf(summary));
    average.insert("framesUsed", summary.FramesUsed);
    QJsonObject root{{"sensitivity", sensitivity},
                     {"threshold", session.Threshold()},
                     {"mmPerPixel", session.Settings().PixelToMM},
                     {"frames", rows},
                     {"average", average}};
    if (session.AutoScale()) {
        root.insert("autoScale", true);
        root.insert("targetSpacingPx", kAutoScaleSpacing);
    }
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
}

QString FormatCsv(const QList<TFrameResult> &frames, const TEndoStats &summary, bool autoScale)
{
    QString text = QStringLiteral("file,status,cellsFound,cellCount,analysedAreaMm2,density,areaSD,minArea,meanArea,"
                                  "maxArea,hexagonalPercent,areaCV,pachymetryUm,sidesHist,areaHist,framesUsed%1\n")
                       .arg(autoScale ? QStringLiteral(",spacingPx,scaleFactor") : QString());
    const auto autoScaleCells = [autoScale](const std::optional<TAutoScaleInfo> &info) {
        if (!autoScale)
            return QString();
        if (!info || !info->SpacingPx)
            return QStringLiteral(",,");
        return QStringLiteral(",%1,%2").arg(QString::number(*info->SpacingPx, 'g', 10),
                                            QString::number(info->Factor, 'g', 10));
    };
    // Machine-readable numbers: always '.' and full precision.
    const auto row = [](const QString &name, const QString &status, const QString &found, const TFigures &g,
                        int used) {
        return QStringList{name, status, found, QString::number(g.CellCount), QString::number(g.AnalysedArea, 'g', 10),
                           QString::number(g.Density), QString::number(g.AreaSD, 'g', 10),
                           QString::number(g.MinArea, 'g', 10), QString::number(g.MeanArea, 'g', 10),
                           QString::number(g.MaxArea, 'g', 10), QString::number(g.HexPercent(), 'g', 10),
                           QString::number(g.AreaCV, 'g', 10), QString::number(g.Pachymetry), JoinHist(g.SidesHist),
                           JoinHist(g.AreaHist), QString::number(used)}
                   .join(QLatin1Char(','));
    };
    for (const TFrameResult &r : frames) {
        QString name = r.Name;
        if (name.contains(QLatin1Char(',')) || name.contains(QLatin1Char('"')))
            name = QLatin1Char('"') + name.replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
        text += row(name, StatusName(r.Status), QString::number(r.CellsFound), FiguresOf(r),
                    r.Status == TFrameResult::Analysed ? 1 : 0)
                + autoScaleCells(r.AutoScale) + QLatin1Char('\n');
    }
    text += row(QStringLiteral("average"), QStringLiteral("averaged"), QString(), FiguresOf(summary), summary.FramesUsed)
            + autoScaleCells(std::nullopt) + QLatin1Char('\n');
    return text;
}

} // namespace cornix::cli
