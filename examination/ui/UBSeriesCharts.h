#pragma once
// Draws the examination charts of UBSeriesPlot.h on Qt Charts, for the results page
// and for the printed report alike. Each ShowChart replaces everything the chart
// shows (series, axes, title, legend) by the data; animations are off so that a
// picture taken at once shows the final state.
//
//     QChartView *view = …;  // or a QChart of the report's page
//     ShowChart(*view->chart(), charts.Polymorphism);
//
// The bar chart draws its seven bars at the positions 100 … 700 of a bottom axis
// labelled 0 to 700; the density chart draws the patient as a blue diamond.
#include "UBSeriesPlot.h"

#include <memory>

class QChart;
class QChartView;

namespace cornix::exam {

void ShowChart(QChart &chart, const TPolymorphismChart &data);
void ShowChart(QChart &chart, const TPolymegathismChart &data);
void ShowChart(QChart &chart, const TDensityAgeChart &data);
// The three charts on three views.
void ShowCharts(QChartView &polymorphism, QChartView &polymegathism, QChartView &densityAge,
                const TExamCharts &charts);

// A new chart of the data, owned by the caller (the report lays them out itself).
template <typename Data> std::unique_ptr<QChart> MakeChart(const Data &data);

} // namespace cornix::exam
