#pragma once
// The three charts of an examination — polymorphism (a pie of the cells by number
// of sides), polymegathism (bars of the cells by area) and endothelial density
// against age (three reference lines of normal density and the patient's point) —
// as plain data, without widgets. The results page and the printed report draw them
// with the same Qt Charts builder (examination/ui/UBSeriesCharts.h):
//
//     TExamCharts charts = TExamCharts::Empty(TChartTarget::Report);
//     TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
//     plot.ClearAll();
//     plot.PlotSides();
//     plot.PlotAreas();
//     if (const auto age = AgeToday(birthText))   // otherwise DensityChartMessage()
//         plot.PlotDensityAge(*age);
//     ShowChart(*pieChart, charts.Polymorphism);  // and the other two
//
// (ChartsOfSummary does those steps in one call.) The two targets differ only in
// the density axis: from 493 on the results page, 500 to 3500 on the report. A
// saved examination's charts come from its stored texts (ChartsOfSavedExamination),
// with the age at the examination in the density chart's title.
#include "EndoStatistics.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>

#include <cstdint>
#include <optional>

struct TExame;

namespace cornix::exam {

enum class TChartTarget { ResultsPage, Report };

// A numeric axis: range, a tick every TickInterval starting from TickAnchor, title.
// Max <= Min: the range follows the data.
struct TChartAxis {
    double Min = 0;
    double Max = 0;
    double TickInterval = 0;
    double TickAnchor = 0;
    QString Title;
    friend bool operator==(const TChartAxis &, const TChartAxis &) = default;
};

struct TPieSlice {
    QString Label; // "4 lados" … "N lados"
    int Value = 0; // cells
    QColor Colour;
    friend bool operator==(const TPieSlice &, const TPieSlice &) = default;
};

struct TPolymorphismChart {
    QString Title;
    QList<TPieSlice> Slices; // marks show label and value
};

struct TChartBar {
    double X = 0;  // 100 … 700: the area class (µm²)
    int Value = 0; // cells
    QColor Colour;
    friend bool operator==(const TChartBar &, const TChartBar &) = default;
};

struct TPolymegathismChart {
    QString Title;
    QColor SeriesColour; // red; every bar carries its own colour
    bool MarksVisible = true;
    QList<TChartBar> Bars;
    TChartAxis Bottom; // 0 to 700 step 100, "Área (µm²)"
    TChartAxis Left;   // "Qtde."
};

enum class TLineStyle { Solid, DashDot };

struct TChartLine {
    QPointF From;
    QPointF To;
    QColor Colour;
    int Width = 1; // pixels
    TLineStyle Style = TLineStyle::Solid;
    friend bool operator==(const TChartLine &, const TChartLine &) = default;
};

struct TDensityAgeChart {
    QString Title;
    QList<TChartLine> Lines;       // the reference band, in drawing order
    std::optional<QPointF> Patient; // (age in years, cells/mm²), a blue diamond
    QColor PatientColour;
    TChartAxis Bottom; // age in years, 0 to 100 step 10
    TChartAxis Left;   // density in cells/mm², step 500
};

// The three charts together.
struct TExamCharts {
    TPolymorphismChart Polymorphism;
    TPolymegathismChart Polymegathism;
    TDensityAgeChart DensityAge;

    // Titles and axes for the target, no series.
    static TExamCharts Empty(TChartTarget target);
};

// Fills the three charts from an examination summary. It only holds references:
// the charts and the summary must outlive it.
class TBSeriesPlot {
public:
    static constexpr int kMaxPlottedAge = 100; // older patients are drawn at 100

    TBSeriesPlot(TPolymorphismChart &pie, const TEndoStats &summary, TDensityAgeChart &line,
                 TPolymegathismChart &bars);

    // Removes every slice, bar, line and point; titles and axes stay.
    void ClearAll();
    // The five side classes of the summary, "4 lados" to "N lados", in that order.
    void PlotSides();
    // A slice of count cells with the colour of its side class (4, 5, 6, 7; any other
    // number takes the "N lados" colour); nothing for a count of 0. The pie has one
    // series: seriesIndex must be 0.
    void AddSideSlice(int seriesIndex, int count, const QString &label, int sides);
    // Seven bars at X = 100, 200, …, 700 with the cells < 200, 200–299, …, ≥ 700 µm².
    void PlotAreas();
    // The three reference lines and the patient at (age, summary Density); an age
    // above 100 is drawn at 100.
    void PlotDensityAge(std::uint8_t age);

private:
    TPolymorphismChart &m_pie;
    const TEndoStats &m_summary;
    TDensityAgeChart &m_line;
    TPolymegathismChart &m_bars;
};

// The age today of a birth date that passes IsValidBirthDate; nothing otherwise.
std::optional<std::uint8_t> AgeToday(const QString &birthText);

// "Não será possível plotar o gráfico de densidade até que uma data de nascimento
// válida seja inserida!": shown when the density chart cannot be drawn.
QString DensityChartMessage();

// The charts of a new examination: pie, bars and, with an age, the density chart.
TExamCharts ChartsOfSummary(const TEndoStats &summary, std::optional<std::uint8_t> age, TChartTarget target);

// The charts of a saved examination from its stored texts (MorphoInfo: five side
// counts; MegatInfo: seven area counts, ≥ 700 µm² first), its density and the age
// at the examination; the density chart's title carries that age. Throws
// EConvertError when a stored text is not made of integers separated by ";".
TExamCharts ChartsOfSavedExamination(const TExame &exam, std::uint8_t age);

// The side (five values) and area (seven values) distributions of a saved
// examination. Throws EConvertError as above.
TSidesHist StoredSides(const QString &morphoInfo);
TAreaHist StoredAreas(const QString &megatInfo);

} // namespace cornix::exam
