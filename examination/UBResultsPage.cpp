#include "UBResultsPage.h"

#include "Numbers.h"
#include "QtNumbers.h"
#include "UExame.h"

#include <QCoreApplication>

namespace cornix::exam {

namespace {
QString tr(const char *text) { return QCoreApplication::translate("TfrmExamination", text); }

QString Percent(double fraction) { return FormatFloatQ("00", fraction * 100); }

template <std::size_t N> QString Join(const std::array<std::uint16_t, N> &counts)
{
    QStringList parts;
    for (const std::uint16_t c : counts)
        parts << QString::number(c);
    return parts.join(QLatin1Char(';'));
}

bool ReadsAsNumber(const QString &text)
{
    try {
        StrToFloat(text);
        return true;
    } catch (const EConvertError &) {
        return false;
    }
}
} // namespace

TResultsTexts ResultsOfSummary(const TEndoStats &s)
{
    TResultsTexts t;
    t.TotalCells = QString::number(s.CellCount);
    t.TotalArea = FormatFloatQ("0.0000", s.AnalysedArea);
    t.Density = QString::number(s.Density);
    t.SD = FormatFloatQ("0.00", s.AreaSD);
    t.MinSize = FormatFloatQ("0.00", s.MinArea);
    t.AvgSize = FormatFloatQ("0.00", s.MeanArea);
    t.MaxSize = FormatFloatQ("0.00", s.MaxArea);
    t.HexCells = FormatFloatQ("00", HexagonalPercent(s.SidesHist, s.CellCount));
    t.CV = Percent(s.AreaCV);
    t.AvgPaq = FormatFloatQ("#000", s.Pachymetry);
    t.ImgsQttyUsed = QString::number(s.FramesUsed);
    return t;
}

TResultsTexts ResultsOfSavedExamination(const TExame &e)
{
    TResultsTexts t;
    t.TotalCells = QString::number(e.TotalCells);
    t.TotalArea = FormatFloatQ("0.0000", e.AnalysedArea);
    t.Density = QString::number(e.Density);
    t.SD = FormatFloatQ("0.00", e.SD);
    t.MinSize = FormatFloatQ("0.00", e.AreaMin);
    t.AvgSize = FormatFloatQ("0.00", e.AreaMean);
    t.MaxSize = FormatFloatQ("0.00", e.AreaMax);
    t.HexCells = e.TotalCells == 0 ? FormatFloatQ("00", 0) : Percent(double(e.Hexagonal) / e.TotalCells);
    t.CV = Percent(e.CV);
    t.AvgPaq = QString::number(e.Pachymetry);
    t.ImgsQttyUsed = QString::number(e.TotalImages);
    return t;
}

TFrameResultsTexts FrameResultsTexts(const TFrameStats &s, std::uint16_t pachymetryMicrons)
{
    TFrameResultsTexts t;
    t.TotalCells = QString::number(s.CellCount);
    t.TotalArea = FormatFloatQ("0.0000", s.AnalysedArea);
    t.Density = QString::number(s.Density);
    t.SD = FormatFloatQ("0.00", s.AreaSD);
    t.MinArea = FormatFloatQ("0.00", s.MinArea);
    t.AvgArea = FormatFloatQ("0.00", s.MeanArea);
    t.MaxArea = FormatFloatQ("0.00", s.MaxArea);
    t.HexCells = FormatFloatQ("00", HexagonalPercent(s.SidesHist, s.CellCount));
    t.CV = Percent(s.AreaCV);
    t.Paq = FormatFloatQ("#000", pachymetryMicrons);
    return t;
}

QString JoinCounts(const TSidesHist &counts) { return Join(counts); }
QString JoinCounts(const TAreaHist &counts) { return Join(counts); }

void StoreSummary(TExame &exam, const TEndoStats &s)
{
    exam.TotalCells = s.CellCount;
    exam.AnalysedArea = s.AnalysedArea;
    exam.Density = s.Density;
    exam.SD = s.AreaSD;
    exam.AreaMin = s.MinArea;
    exam.AreaMean = s.MeanArea;
    exam.AreaMax = s.MaxArea;
    exam.Hexagonal = s.SidesHist[std::size_t(kHexagonalBin)];
    exam.CV = s.AreaCV;
    exam.TotalImages = s.FramesUsed;
    exam.Pachymetry = s.Pachymetry;
    exam.MorphoInfo = JoinCounts(s.SidesHist);
    exam.MegatInfo = JoinCounts(s.AreaHist);
}

bool ReadDecimalLabels(QStringList &texts)
{
    if (std::all_of(texts.cbegin(), texts.cend(), ReadsAsNumber))
        return true;
    for (QString &text : texts)
        text.replace(QLatin1Char(','), QLatin1Char('.'));
    return std::all_of(texts.cbegin(), texts.cend(), ReadsAsNumber);
}

int MemoLength(const QString &text)
{
    if (text.isEmpty())
        return 0;
    return int(text.size() + text.count(QLatin1Char('\n'))) + 1;
}

int RemainingCharacters(const QString &text) { return kMemoLimit - MemoLength(text); }

QString FitMemo(const QString &text)
{
    QString fitted = text;
    while (MemoLength(fitted) > kMemoLimit)
        fitted.chop(1);
    return fitted;
}

QString NoFramesInUseMessage() { return tr(" Não existem imagens selecionadas "); }

QString InvalidBirthDateMessage() { return tr("Data de nascimento inválida!"); }

QString DefaultDoctorQuestion(const QString &storedName, const QString &storedCRM)
{
    return tr("O dados atuais do médico padrão são:\rNome: ") + storedName + QStringLiteral("\r") + tr("CRM: ")
           + storedCRM + QStringLiteral("\r") + tr("Deseja realmente substituir pelos dados digitados?");
}

} // namespace cornix::exam
