#include "UBSeriesCharts.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFont>
#include <QLineSeries>
#include <QMargins>
#include <QPen>
#include <QPieSeries>
#include <QPieSlice>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>

namespace cornix::exam {

namespace {

constexpr double kBarSpacing = 100; // µm² between two bars

void Reset(QChart &chart, const QString &title)
{
    chart.removeAllSeries();
    for (QAbstractAxis *axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
    chart.setTitle(title);
    chart.setAnimationOptions(QChart::NoAnimation);
    chart.legend()->hide();
    chart.setBackgroundRoundness(0);
    chart.setMargins(QMargins(6, 6, 18, 6)); // room for the last label of the bottom axis
}

// A value axis; a Max not above Min leaves the range to the data.
QValueAxis *MakeValueAxis(const TChartAxis &data, double dataMax)
{
    auto *axis = new QValueAxis;
    axis->setTitleText(data.Title);
    if (data.Max > data.Min) {
        axis->setRange(data.Min, data.Max);
    } else {
        axis->setRange(0, std::max(1.0, dataMax * 1.15)); // room for the marks above the bars
        axis->applyNiceNumbers();
    }
    if (data.TickInterval > 0) {
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(data.TickAnchor);
        axis->setTickInterval(data.TickInterval);
    }
    axis->setLabelFormat(QStringLiteral("%d"));
    QFont font = axis->labelsFont();
    font.setPointSizeF(7.5); // eleven ages fit under a chart of report size
    axis->setLabelsFont(font);
    return axis;
}

// Bars stand at index positions 0, 1, …; the axis shows their X values (100, 200, …)
// under them and the start of the scale (0) one step to the left.
QCategoryAxis *MakeBarAxis(const TChartAxis &data, const QList<TChartBar> &bars)
{
    auto *axis = new QCategoryAxis;
    axis->setTitleText(data.Title);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const int steps = int((data.Max - data.Min) / kBarSpacing);
    const double first = bars.isEmpty() ? kBarSpacing : bars.first().X;
    const double origin = (data.Min - first) / kBarSpacing; // index position of the axis start
    axis->setStartValue(origin);
    for (int i = 0; i <= steps; ++i)
        axis->append(QString::number(int(data.Min + i * kBarSpacing)), origin + i);
    axis->setRange(origin, origin + steps + 0.5);
    return axis;
}

Qt::PenStyle PenStyle(TLineStyle style) { return style == TLineStyle::DashDot ? Qt::DashDotLine : Qt::SolidLine; }

} // namespace

void ShowChart(QChart &chart, const TPolymorphismChart &data)
{
    Reset(chart, data.Title);
    auto *series = new QPieSeries;
    for (const TPieSlice &s : data.Slices) {
        QPieSlice *slice = series->append(QStringLiteral("%1: %2").arg(s.Label).arg(s.Value), s.Value);
        slice->setColor(s.Colour);
        slice->setBorderColor(Qt::white);
        slice->setLabelVisible(true);
    }
    series->setPieSize(0.6);
    chart.addSeries(series);
}

void ShowChart(QChart &chart, const TPolymegathismChart &data)
{
    Reset(chart, data.Title);
    auto *set = new QBarSet(QString());
    int highest = 0;
    for (const TChartBar &bar : data.Bars) {
        set->append(bar.Value);
        highest = std::max(highest, bar.Value);
    }
    // One series of one colour: the bars' own colour where they carry one.
    set->setColor(data.Bars.isEmpty() ? data.SeriesColour : data.Bars.first().Colour);
    set->setBorderColor(set->color().darker(130));
    auto *series = new QBarSeries;
    series->append(set);
    series->setBarWidth(0.7);
    series->setLabelsVisible(data.MarksVisible);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    set->setLabelColor(Qt::black);
    chart.addSeries(series);
    QCategoryAxis *bottom = MakeBarAxis(data.Bottom, data.Bars);
    QValueAxis *left = MakeValueAxis(data.Left, highest);
    chart.addAxis(bottom, Qt::AlignBottom);
    chart.addAxis(left, Qt::AlignLeft);
    series->attachAxis(bottom);
    series->attachAxis(left);
}

void ShowChart(QChart &chart, const TDensityAgeChart &data)
{
    Reset(chart, data.Title);
    QValueAxis *bottom = MakeValueAxis(data.Bottom, 0);
    QValueAxis *left = MakeValueAxis(data.Left, 0);
    chart.addAxis(bottom, Qt::AlignBottom);
    chart.addAxis(left, Qt::AlignLeft);
    QList<QAbstractSeries *> all;
    for (const TChartLine &line : data.Lines) {
        auto *series = new QLineSeries;
        series->append(line.From);
        series->append(line.To);
        QPen pen(line.Colour);
        pen.setWidth(line.Width);
        pen.setStyle(PenStyle(line.Style));
        series->setPen(pen);
        all << series;
    }
    if (data.Patient) {
        auto *patient = new QScatterSeries;
        patient->setMarkerShape(QScatterSeries::MarkerShapeRotatedRectangle);
        patient->setMarkerSize(12);
        patient->setColor(data.PatientColour);
        patient->setBorderColor(data.PatientColour);
        patient->append(*data.Patient);
        all << patient;
    }
    for (QAbstractSeries *series : all) {
        chart.addSeries(series);
        series->attachAxis(bottom);
        series->attachAxis(left);
    }
}

void ShowCharts(QChartView &polymorphism, QChartView &polymegathism, QChartView &densityAge,
                const TExamCharts &charts)
{
    ShowChart(*polymorphism.chart(), charts.Polymorphism);
    ShowChart(*polymegathism.chart(), charts.Polymegathism);
    ShowChart(*densityAge.chart(), charts.DensityAge);
}

template <typename Data> std::unique_ptr<QChart> MakeChart(const Data &data)
{
    auto chart = std::make_unique<QChart>();
    ShowChart(*chart, data);
    return chart;
}

template std::unique_ptr<QChart> MakeChart(const TPolymorphismChart &);
template std::unique_ptr<QChart> MakeChart(const TPolymegathismChart &);
template std::unique_ptr<QChart> MakeChart(const TDensityAgeChart &);

} // namespace cornix::exam
