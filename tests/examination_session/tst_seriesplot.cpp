// The data of the three examination charts: the pie of the cells by number of sides,
// the bars of the cells by area, the density against age with its reference band,
// the two targets (results page, report), and the charts of a saved examination
// from its stored texts.
#include "UBSeriesPlot.h"

#include "Numbers.h"
#include "UBCellOverlay.h"
#include "UExame.h"

#include <QDate>
#include <QTest>

using namespace cornix;
using namespace cornix::exam;

namespace {

// A colour as the charts store it: 0x00BBGGRR.
QColor colourValue(int value) { return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff); }

TEndoStats summaryOf(const TSidesHist &sides, const TAreaHist &areas = {}, std::uint16_t density = 0)
{
    TEndoStats s;
    s.SidesHist = sides;
    s.AreaHist = areas;
    s.Density = density;
    return s;
}

QStringList labels(const TPolymorphismChart &pie)
{
    QStringList out;
    for (const TPieSlice &s : pie.Slices)
        out << s.Label + QLatin1Char('=') + QString::number(s.Value);
    return out;
}

} // namespace

class TestSeriesPlot : public QObject {
    Q_OBJECT
private slots:
    void sides_data();
    void sides();
    void sliceColours_data();
    void sliceColours();
    void sliceColoursAreTheOverlays();
    void zeroCountAddsNoSlice();
    void areas();
    void densityAge_data();
    void densityAge();
    void referenceBand();
    void targets_data();
    void targets();
    void clearAllKeepsTitlesAndAxes();
    void summaryWithoutAge();
    void savedExamination();
    void storedTextsThatDoNotConvert_data();
    void storedTextsThatDoNotConvert();
    void ageToday_data();
    void ageToday();
};

void TestSeriesPlot::sides_data()
{
    QTest::addColumn<TSidesHist>("hist");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all five") << TSidesHist{3, 12, 40, 9, 1}
                              << QStringList{"4 lados=3", "5 lados=12", "6 lados=40", "7 lados=9", "N lados=1"};
    QTest::newRow("no seven-sided cells: four slices")
        << TSidesHist{3, 12, 40, 0, 1} << QStringList{"4 lados=3", "5 lados=12", "6 lados=40", "N lados=1"};
    QTest::newRow("all zero: empty pie") << TSidesHist{0, 0, 0, 0, 0} << QStringList{};
    QTest::newRow("hexagonal only") << TSidesHist{0, 0, 7, 0, 0} << QStringList{"6 lados=7"};
}

void TestSeriesPlot::sides()
{
    QFETCH(TSidesHist, hist);
    QFETCH(QStringList, expected);
    TExamCharts charts = TExamCharts::Empty(TChartTarget::ResultsPage);
    const TEndoStats summary = summaryOf(hist);
    TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
    plot.PlotSides();
    QCOMPARE(labels(charts.Polymorphism), expected);
}

void TestSeriesPlot::sliceColours_data()
{
    QTest::addColumn<int>("sides");
    QTest::addColumn<int>("colour");
    QTest::newRow("4") << 4 << 988096;
    QTest::newRow("5") << 5 << 29439;
    QTest::newRow("6") << 6 << 10016623;
    QTest::newRow("7") << 7 << 16772043;
    QTest::newRow("3: other") << 3 << 9452044;
    QTest::newRow("8: other") << 8 << 9452044;
    QTest::newRow("0: other") << 0 << 9452044;
}

void TestSeriesPlot::sliceColours()
{
    QFETCH(int, sides);
    QFETCH(int, colour);
    TExamCharts charts = TExamCharts::Empty(TChartTarget::ResultsPage);
    const TEndoStats summary;
    TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
    plot.AddSideSlice(0, 5, QStringLiteral("x"), sides);
    QCOMPARE(charts.Polymorphism.Slices.size(), 1);
    QCOMPARE(charts.Polymorphism.Slices[0].Colour, colourValue(colour));
}

// The pie and the colouring of the cells on the frame speak one colour language.
void TestSeriesPlot::sliceColoursAreTheOverlays()
{
    TExamCharts charts = TExamCharts::Empty(TChartTarget::ResultsPage);
    const TEndoStats summary = summaryOf({1, 1, 1, 1, 1});
    TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
    plot.PlotSides();
    QCOMPARE(charts.Polymorphism.Slices.size(), kSidesBins);
    for (int i = 0; i < kSidesBins; ++i)
        QCOMPARE(charts.Polymorphism.Slices[i].Colour.rgb(), kSideColours[std::size_t(i)]);
}

void TestSeriesPlot::zeroCountAddsNoSlice()
{
    TExamCharts charts = TExamCharts::Empty(TChartTarget::ResultsPage);
    const TEndoStats summary;
    TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
    plot.AddSideSlice(0, 0, QStringLiteral("4 lados"), 4);
    plot.AddSideSlice(1, 3, QStringLiteral("4 lados"), 4); // the pie has one series
    QVERIFY(charts.Polymorphism.Slices.isEmpty());
}

// AreaHist runs from >= 700 down to < 200; the bars run from 100 (< 200) up to 700 (>= 700).
void TestSeriesPlot::areas()
{
    TExamCharts charts = TExamCharts::Empty(TChartTarget::ResultsPage);
    const TEndoStats summary = summaryOf({}, {0, 1, 5, 20, 31, 14, 2});
    TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
    plot.PlotAreas();
    const QList<TChartBar> &bars = charts.Polymegathism.Bars;
    QCOMPARE(bars.size(), 7);
    const int expected[7] = {2, 14, 31, 20, 5, 1, 0};
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(bars[i].X, 100.0 * (i + 1));
        QCOMPARE(bars[i].Value, expected[i]);
        QCOMPARE(bars[i].Colour, colourValue(10016623));
    }
    QCOMPARE(charts.Polymegathism.SeriesColour, QColor(Qt::red));
    QVERIFY(charts.Polymegathism.MarksVisible);
}

void TestSeriesPlot::densityAge_data()
{
    QTest::addColumn<int>("age");
    QTest::addColumn<double>("plotted");
    QTest::newRow("newborn") << 0 << 0.0;
    QTest::newRow("45") << 45 << 45.0;
    QTest::newRow("99") << 99 << 99.0;
    QTest::newRow("100") << 100 << 100.0;
    QTest::newRow("101 at 100") << 101 << 100.0;
    QTest::newRow("255 at 100") << 255 << 100.0;
}

void TestSeriesPlot::densityAge()
{
    QFETCH(int, age);
    QFETCH(double, plotted);
    TExamCharts charts = TExamCharts::Empty(TChartTarget::ResultsPage);
    const TEndoStats summary = summaryOf({}, {}, 2734);
    TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
    plot.PlotDensityAge(std::uint8_t(age));
    QVERIFY(charts.DensityAge.Patient.has_value());
    QCOMPARE(*charts.DensityAge.Patient, QPointF(plotted, 2734));
    QCOMPARE(charts.DensityAge.PatientColour, QColor(Qt::blue));
}

void TestSeriesPlot::referenceBand()
{
    TExamCharts charts = TExamCharts::Empty(TChartTarget::Report);
    const TEndoStats summary;
    TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
    plot.PlotDensityAge(30);
    const QList<TChartLine> expected = {
        {QPointF(1, 3156), QPointF(100, 2070), QColor(0, 128, 128), 2, TLineStyle::Solid},
        {QPointF(1, 3439), QPointF(100, 2546), QColor(255, 0, 0), 1, TLineStyle::DashDot},
        {QPointF(1, 2873), QPointF(100, 1594), QColor(255, 0, 0), 1, TLineStyle::DashDot}};
    QCOMPARE(charts.DensityAge.Lines, expected);
    // Plotting again replaces the band, it does not add a second one.
    plot.PlotDensityAge(31);
    QCOMPARE(charts.DensityAge.Lines.size(), 3);
}

void TestSeriesPlot::targets_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<double>("densityMin");
    QTest::addColumn<double>("densityMax");
    QTest::newRow("results page") << int(TChartTarget::ResultsPage) << 493.0 << 3500.0;
    QTest::newRow("report") << int(TChartTarget::Report) << 500.0 << 3500.0;
}

void TestSeriesPlot::targets()
{
    QFETCH(int, target);
    QFETCH(double, densityMin);
    QFETCH(double, densityMax);
    const TExamCharts charts = TExamCharts::Empty(TChartTarget(target));
    QCOMPARE(charts.DensityAge.Left.Min, densityMin);
    QCOMPARE(charts.DensityAge.Left.Max, densityMax);
    QCOMPARE(charts.DensityAge.Left.TickInterval, 500.0);
    QCOMPARE(charts.DensityAge.Bottom, (TChartAxis{0, 100, 10, 0, QString()}));
    QCOMPARE(charts.Polymegathism.Bottom, (TChartAxis{0, 700, 100, 0, QStringLiteral("Área (µm²)")}));
    QCOMPARE(charts.Polymegathism.Left.Title, QStringLiteral("Qtde."));
    QCOMPARE(charts.Polymorphism.Title, QStringLiteral("Polimorfismo"));
    QCOMPARE(charts.Polymegathism.Title, QStringLiteral("Polimegatismo"));
    QCOMPARE(charts.DensityAge.Title, QStringLiteral("Densidade Endotelial X Idade"));
    QVERIFY(charts.Polymorphism.Slices.isEmpty());
    QVERIFY(charts.Polymegathism.Bars.isEmpty());
    QVERIFY(charts.DensityAge.Lines.isEmpty());
    QVERIFY(!charts.DensityAge.Patient);
}

void TestSeriesPlot::clearAllKeepsTitlesAndAxes()
{
    TExamCharts charts = TExamCharts::Empty(TChartTarget::Report);
    const TEndoStats summary = summaryOf({1, 2, 3, 4, 5}, {1, 1, 1, 1, 1, 1, 1}, 2500);
    TBSeriesPlot plot(charts.Polymorphism, summary, charts.DensityAge, charts.Polymegathism);
    plot.PlotSides();
    plot.PlotAreas();
    plot.PlotDensityAge(40);
    plot.ClearAll();
    QVERIFY(charts.Polymorphism.Slices.isEmpty());
    QVERIFY(charts.Polymegathism.Bars.isEmpty());
    QVERIFY(charts.DensityAge.Lines.isEmpty());
    QVERIFY(!charts.DensityAge.Patient);
    QCOMPARE(charts.DensityAge.Left.Min, 500.0);
    QCOMPARE(charts.Polymegathism.Bottom.Title, QStringLiteral("Área (µm²)"));
}

// Without a valid birth date the density chart keeps only what the clearing left.
void TestSeriesPlot::summaryWithoutAge()
{
    const TExamCharts charts =
        ChartsOfSummary(summaryOf({1, 2, 3, 4, 5}, {1, 1, 1, 1, 1, 1, 1}, 2500), std::nullopt, TChartTarget::ResultsPage);
    QCOMPARE(charts.Polymorphism.Slices.size(), 5);
    QCOMPARE(charts.Polymegathism.Bars.size(), 7);
    QVERIFY(charts.DensityAge.Lines.isEmpty());
    QVERIFY(!charts.DensityAge.Patient);
    QCOMPARE(DensityChartMessage(), QStringLiteral("Não será possível plotar o gráfico de densidade até que uma data "
                                                   "de nascimento válida seja inserida!"));
}

// The stored texts give the same charts as the summary they were written from.
void TestSeriesPlot::savedExamination()
{
    TExame exam;
    exam.MorphoInfo = QStringLiteral("3;12;40;9;1");
    exam.MegatInfo = QStringLiteral("0;1;5;20;31;14;2");
    exam.Density = 2734;
    const TExamCharts saved = ChartsOfSavedExamination(exam, 45);
    const TExamCharts fresh =
        ChartsOfSummary(summaryOf({3, 12, 40, 9, 1}, {0, 1, 5, 20, 31, 14, 2}, 2734), 45, TChartTarget::ResultsPage);
    QCOMPARE(saved.Polymorphism.Slices, fresh.Polymorphism.Slices);
    QCOMPARE(saved.Polymegathism.Bars, fresh.Polymegathism.Bars);
    QCOMPARE(saved.DensityAge.Lines, fresh.DensityAge.Lines);
    QCOMPARE(saved.DensityAge.Patient, fresh.DensityAge.Patient);
    QCOMPARE(saved.Polymegathism.Bars.last().X, 700.0); // the first stored value
    QCOMPARE(saved.Polymegathism.Bars.last().Value, 0);
    QCOMPARE(saved.Polymegathism.Bars.first().Value, 2); // the seventh
    QCOMPARE(saved.DensityAge.Title, QStringLiteral("Densidade endotelial x Idade (45 anos)"));
    QCOMPARE(ChartsOfSavedExamination(exam, 120).DensityAge.Patient, QPointF(100, 2734));
}

void TestSeriesPlot::storedTextsThatDoNotConvert_data()
{
    QTest::addColumn<QString>("morpho");
    QTest::addColumn<QString>("megat");
    const QString sides = QStringLiteral("3;12;40;9;1");
    const QString areas = QStringLiteral("0;1;5;20;31;14;2");
    QTest::newRow("four side counts") << QStringLiteral("3;12;40;9") << areas;
    QTest::newRow("six side counts") << QStringLiteral("3;12;40;9;1;2") << areas;
    QTest::newRow("trailing separator") << QStringLiteral("3;12;40;9;1;") << areas;
    QTest::newRow("a letter") << QStringLiteral("3;12;x;9;1") << areas;
    QTest::newRow("empty sides") << QString() << areas;
    QTest::newRow("negative count") << QStringLiteral("3;-12;40;9;1") << areas;
    QTest::newRow("six area counts") << sides << QStringLiteral("0;1;5;20;31;14");
    QTest::newRow("decimal area count") << sides << QStringLiteral("0;1;5.5;20;31;14;2");
    QTest::newRow("empty areas") << sides << QString();
}

void TestSeriesPlot::storedTextsThatDoNotConvert()
{
    QFETCH(QString, morpho);
    QFETCH(QString, megat);
    TExame exam;
    exam.MorphoInfo = morpho;
    exam.MegatInfo = megat;
    QVERIFY_THROWS_EXCEPTION(EConvertError, ChartsOfSavedExamination(exam, 40));
}

void TestSeriesPlot::ageToday_data()
{
    QTest::addColumn<QString>("birth");
    QTest::addColumn<int>("age"); // -1: no age
    const QDate today = QDate::currentDate();
    const QDate fortyYearsAgo = today.addYears(-40);
    QTest::newRow("forty years ago today") << fortyYearsAgo.toString(QStringLiteral("dd/MM/yyyy")) << 40;
    QTest::newRow("this year") << QDate(today.year(), 1, 1).toString(QStringLiteral("dd/MM/yyyy")) << -1;
    QTest::newRow("not a date") << QStringLiteral("ab/cd/efgh") << -1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("30 February") << QStringLiteral("30/02/1990") << -1;
}

void TestSeriesPlot::ageToday()
{
    QFETCH(QString, birth);
    QFETCH(int, age);
    const std::optional<std::uint8_t> result = AgeToday(birth);
    if (age < 0)
        QVERIFY(!result);
    else
        QCOMPARE(int(result.value_or(0)), age);
}

QTEST_APPLESS_MAIN(TestSeriesPlot)
#include "tst_seriesplot.moc"
