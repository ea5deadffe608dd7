#include "UBSeriesPlot.h"

#include "Numbers.h"
#include "UBCellOverlay.h"
#include "UDExamination.h"
#include "UExame.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace cornix::exam {

namespace {
QString tr(const char *text) { return QCoreApplication::translate("TBSeriesPlot", text); }

// Colour values as the charts store them: 0x00BBGGRR.
QColor FromColourValue(int value) { return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff); }

const QColor kBarColour = FromColourValue(10016623); // (111, 215, 152)
const QColor kTeal(0, 128, 128);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

// Side classes in SidesHist order: label and number of sides (0 = any other).
struct SideClass {
    const char *label;
    int sides;
};
constexpr SideClass kSideClasses[kSidesBins] = {
    {"4 lados", 4}, {"5 lados", 5}, {"6 lados", 6}, {"7 lados", 7}, {"N lados", 0}};

// Normal density by age: the mean and the band around it.
QList<TChartLine> ReferenceLines()
{
    return {{QPointF(1, 3156), QPointF(100, 2070), kTeal, 2, TLineStyle::Solid},
            {QPointF(1, 3439), QPointF(100, 2546), kRed, 1, TLineStyle::DashDot},
            {QPointF(1, 2873), QPointF(100, 1594), kRed, 1, TLineStyle::DashDot}};
}

template <std::size_t N> std::array<std::uint16_t, N> StoredCounts(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(';'));
    if (static_cast<std::size_t>(fields.size()) != N)
        throw EConvertError("'" + text.toStdString() + "' is not a valid distribution", text.toStdString());
    std::array<std::uint16_t, N> counts{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::string field = fields[qsizetype(i)].toStdString();
        const std::int32_t value = StrToInt(field);
        if (value < 0 || value > 65535)
            throw EConvertError("'" + field + "' is not a valid count", field);
        counts[i] = std::uint16_t(value);
    }
    return counts;
}
} // namespace

TExamCharts TExamCharts::Empty(TChartTarget target)
{
    TExamCharts charts;
    charts.Polymorphism.Title = tr("Polimorfismo");

    TPolymegathismChart &bars = charts.Polymegathism;
    bars.Title = tr("Polimegatismo");
    bars.SeriesColour = kRed;
    bars.Bottom = {0, 700, 100, 0, tr("Área (µm²)")};
    bars.Left = {0, 0, 0, 0, tr("Qtde.")}; // the range follows the counts

    TDensityAgeChart &density = charts.DensityAge;
    density.Title = tr("Densidade Endotelial X Idade");
    density.PatientColour = kBlue;
    density.Bottom = {0, 100, 10, 0, QString()};
    density.Left = target == TChartTarget::Report ? TChartAxis{500, 3500, 500, 500, QString()}
                                                  : TChartAxis{493, 3500, 500, 500, QString()};
    return charts;
}

TBSeriesPlot::TBSeriesPlot(TPolymorphismChart &pie, const TEndoStats &summary, TDensityAgeChart &line,
                           TPolymegathismChart &bars)
    : m_pie(pie), m_summary(summary), m_line(line), m_bars(bars)
{
}

void TBSeriesPlot::ClearAll()
{
    m_pie.Slices.clear();
    m_bars.Bars.clear();
    m_line.Lines.clear();
    m_line.Patient.reset();
}

void TBSeriesPlot::PlotSides()
{
    for (int bin = 0; bin < kSidesBins; ++bin)
        AddSideSlice(0, m_summary.SidesHist[std::size_t(bin)], tr(kSideClasses[bin].label), kSideClasses[bin].sides);
}

void TBSeriesPlot::AddSideSlice(int seriesIndex, int count, const QString &label, int sides)
{
    if (seriesIndex != 0 || count == 0)
        return;
    m_pie.Slices.append({label, count, QColor::fromRgb(SideColour(sides))});
}

void TBSeriesPlot::PlotAreas()
{
    // AreaHist runs from the largest class down: bin 6 (< 200 µm²) is drawn at 100.
    for (int i = 0; i < kAreaBins; ++i)
        m_bars.Bars.append({100.0 * (i + 1), m_summary.AreaHist[std::size_t(kAreaBins - 1 - i)], kBarColour});
}

void TBSeriesPlot::PlotDensityAge(std::uint8_t age)
{
    m_line.Lines = ReferenceLines();
    m_line.Patient = QPointF(std::min<int>(age, kMaxPlottedAge), m_summary.Density);
}

std::optional<std::uint8_t> AgeToday(const QString &birthText)
{
    if (!IsValidBirthDate(birthText))
        return std::nullopt;
    return AgeInYears(birthText, QString());
}

QString DensityChartMessage()
{
    return tr("Não será possível plotar o gráfico de densidade até que uma data de nascimento válida seja "
              "inserida!");
}

TExamCharts ChartsOfSummary(const TEndoStats &summary, std::optional<std::uint8_t> age, TChartTarget target)
{
    TExamCharts charts = TExamCharts::Empty(target);
    TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
    plot.ClearAll();
    plot.PlotSides();
    plot.PlotAreas();
    if (age)
        plot.PlotDensityAge(*age);
    return charts;
}

TSidesHist StoredSides(const QString &morphoInfo) { return StoredCounts<kSidesBins>(morphoInfo); }

TAreaHist StoredAreas(const QString &megatInfo) { return StoredCounts<kAreaBins>(megatInfo); }

TExamCharts ChartsOfSavedExamination(const TExame &exam, std::uint8_t age)
{
    TEndoStats stored;
    stored.SidesHist = StoredSides(exam.MorphoInfo);
    stored.AreaHist = StoredAreas(exam.MegatInfo);
    stored.Density = std::uint16_t(std::clamp(exam.Density, 0, 65535));
    TExamCharts charts = ChartsOfSummary(stored, age, TChartTarget::ResultsPage);
    charts.DensityAge.Title = tr("Densidade endotelial x Idade (%1 anos)").arg(age);
    return charts;
}

} // namespace cornix::exam
