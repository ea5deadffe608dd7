// The examination charts on Qt Charts: what each chart holds after ShowChart (series,
// slices, bars, pens, the patient's diamond, axes), that showing again replaces
// rather than adds, and that the charts render.
#include "UBSeriesCharts.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QScatterSeries>
#include <QTest>
#include <QValueAxis>

using namespace cornix::exam;

namespace {

TEndoStats summary()
{
    TEndoStats s;
    s.SidesHist = {3, 12, 40, 0, 1};
    s.AreaHist = {0, 1, 5, 20, 31, 14, 2};
    s.Density = 2734;
    return s;
}

template <typename T> QList<T *> seriesOf(const QChart &chart)
{
    QList<T *> out;
    for (QAbstractSeries *s : chart.series())
        if (auto *typed = qobject_cast<T *>(s))
            out << typed;
    return out;
}

template <typename T> T *axisOf(const QChart &chart, Qt::Orientation orientation)
{
    const QList<QAbstractAxis *> axes = chart.axes(orientation);
    return axes.size() == 1 ? qobject_cast<T *>(axes.first()) : nullptr;
}

} // namespace

class TestSeriesCharts : public QObject {
    Q_OBJECT
private slots:
    void pie();
    void bars();
    void densityAge_data();
    void densityAge();
    void densityWithoutPatient();
    void showingAgainReplaces();
    void renders();
};

void TestSeriesCharts::pie()
{
    const TExamCharts charts = ChartsOfSummary(summary(), 40, TChartTarget::ResultsPage);
    QChart chart;
    ShowChart(chart, charts.Polymorphism);
    QCOMPARE(chart.title(), QStringLiteral("Polimorfismo"));
    const QList<QPieSeries *> pies = seriesOf<QPieSeries>(chart);
    QCOMPARE(pies.size(), 1);
    const QList<QPieSlice *> slices = pies[0]->slices();
    QCOMPARE(slices.size(), 4); // no seven-sided cells
    QCOMPARE(slices[0]->label(), QStringLiteral("4 lados: 3"));
    QCOMPARE(slices[3]->label(), QStringLiteral("N lados: 1"));
    QCOMPARE(slices[2]->value(), 40.0);
    QCOMPARE(slices[2]->color(), QColor(111, 215, 152));
    QVERIFY(slices[1]->isLabelVisible());
    QCOMPARE(chart.animationOptions(), QChart::NoAnimation);
}

void TestSeriesCharts::bars()
{
    const TExamCharts charts = ChartsOfSummary(summary(), 40, TChartTarget::ResultsPage);
    QChart chart;
    ShowChart(chart, charts.Polymegathism);
    const QList<QBarSeries *> series = seriesOf<QBarSeries>(chart);
    QCOMPARE(series.size(), 1);
    QVERIFY(series[0]->isLabelsVisible());
    const QList<QBarSet *> sets = series[0]->barSets();
    QCOMPARE(sets.size(), 1);
    QCOMPARE(sets[0]->count(), 7);
    const int expected[7] = {2, 14, 31, 20, 5, 1, 0}; // < 200 µm² first
    for (int i = 0; i < 7; ++i)
        QCOMPARE(sets[0]->at(i), double(expected[i]));
    QCOMPARE(sets[0]->color(), QColor(111, 215, 152));
    auto *bottom = axisOf<QCategoryAxis>(chart, Qt::Horizontal);
    QVERIFY(bottom);
    QCOMPARE(bottom->titleText(), QStringLiteral("Área (µm²)"));
    QCOMPARE(bottom->categoriesLabels(),
             (QStringList{"0", "100", "200", "300", "400", "500", "600", "700"}));
    // Bar i stands at index position i: the label of 100 µm² sits under the first bar.
    QCOMPARE(bottom->endValue(QStringLiteral("100")), 0.0);
    QCOMPARE(bottom->endValue(QStringLiteral("700")), 6.0);
    auto *left = axisOf<QValueAxis>(chart, Qt::Vertical);
    QVERIFY(left);
    QCOMPARE(left->titleText(), QStringLiteral("Qtde."));
    QVERIFY(left->max() >= 31);
}

void TestSeriesCharts::densityAge_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<double>("min");
    QTest::newRow("results page") << int(TChartTarget::ResultsPage) << 493.0;
    QTest::newRow("report") << int(TChartTarget::Report) << 500.0;
}

void TestSeriesCharts::densityAge()
{
    QFETCH(int, target);
    QFETCH(double, min);
    const TExamCharts charts = ChartsOfSummary(summary(), 104, TChartTarget(target));
    QChart chart;
    ShowChart(chart, charts.DensityAge);
    const QList<QLineSeries *> lines = seriesOf<QLineSeries>(chart);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0]->points(), (QList<QPointF>{QPointF(1, 3156), QPointF(100, 2070)}));
    QCOMPARE(lines[0]->pen().color(), QColor(0, 128, 128));
    QCOMPARE(lines[0]->pen().width(), 2);
    QCOMPARE(lines[1]->pen().style(), Qt::DashDotLine);
    QCOMPARE(lines[2]->pen().color(), QColor(Qt::red));
    QCOMPARE(lines[2]->points().last(), QPointF(100, 1594));
    const QList<QScatterSeries *> points = seriesOf<QScatterSeries>(chart);
    QCOMPARE(points.size(), 1);
    QCOMPARE(points[0]->points(), QList<QPointF>{QPointF(100, 2734)});
    QCOMPARE(points[0]->markerShape(), QScatterSeries::MarkerShapeRotatedRectangle);
    QCOMPARE(points[0]->color(), QColor(Qt::blue));
    auto *left = axisOf<QValueAxis>(chart, Qt::Vertical);
    auto *bottom = axisOf<QValueAxis>(chart, Qt::Horizontal);
    QVERIFY(left && bottom);
    QCOMPARE(left->min(), min);
    QCOMPARE(left->max(), 3500.0);
    QCOMPARE(left->tickInterval(), 500.0);
    QCOMPARE(bottom->min(), 0.0);
    QCOMPARE(bottom->max(), 100.0);
    QCOMPARE(bottom->tickInterval(), 10.0);
}

void TestSeriesCharts::densityWithoutPatient()
{
    const TExamCharts charts = ChartsOfSummary(summary(), std::nullopt, TChartTarget::ResultsPage);
    QChart chart;
    ShowChart(chart, charts.DensityAge);
    QVERIFY(chart.series().isEmpty());
    QCOMPARE(chart.axes().size(), 2);
}

void TestSeriesCharts::showingAgainReplaces()
{
    const TExamCharts charts = ChartsOfSummary(summary(), 40, TChartTarget::ResultsPage);
    QChartView pie, bars, density;
    ShowCharts(pie, bars, density, charts);
    ShowCharts(pie, bars, density, charts);
    QCOMPARE(pie.chart()->series().size(), 1);
    QCOMPARE(bars.chart()->series().size(), 1);
    QCOMPARE(bars.chart()->axes().size(), 2);
    QCOMPARE(density.chart()->series().size(), 4);
    QCOMPARE(density.chart()->axes().size(), 2);
    const TExamCharts empty = ChartsOfSummary(TEndoStats{}, std::nullopt, TChartTarget::ResultsPage);
    ShowCharts(pie, bars, density, empty);
    QVERIFY(qobject_cast<QPieSeries *>(pie.chart()->series().first())->slices().isEmpty());
    QVERIFY(density.chart()->series().isEmpty());
}

// A chart made for the report paints its series: the patient's blue diamond shows.
void TestSeriesCharts::renders()
{
    const TExamCharts charts = ChartsOfSummary(summary(), 40, TChartTarget::Report);
    std::unique_ptr<QChart> chart = MakeChart(charts.DensityAge);
    QChartView view(chart.release());
    view.resize(500, 350);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage picture = view.grab().toImage();
    bool blue = false;
    for (int y = 0; y < picture.height() && !blue; ++y)
        for (int x = 0; x < picture.width() && !blue; ++x)
            blue = picture.pixelColor(x, y) == QColor(Qt::blue);
    QVERIFY(blue);
}

QTEST_MAIN(TestSeriesCharts)
#include "tst_seriescharts.moc"
