// The figures of one frame, the pachymetry measure and the summary means.
#include "EndoStatistics.h"

#include "Numbers.h"

#include <QTest>

#include <memory>
#include <numeric>
#include <random>

using namespace cornix;

Q_DECLARE_METATYPE(TRect)

namespace {

// Region table with the given regions as entries 1..n; entry 0 holds n.
struct Regions {
    std::unique_ptr<TRegionTable> table = std::make_unique<TRegionTable>();
    std::uint16_t n = 0;

    void add(std::int32_t area, std::int32_t sides, std::int32_t row, std::int32_t col)
    {
        ++n;
        (*table)[n] = TRegionRec{area, sides, row, col};
        (*table)[0] = TRegionRec{n, n, n, n};
    }
};

const TRect kWholeFrame{0, 0, 639, 479};

int binOfOnlyCell(const TFrameStats &stats)
{
    for (int i = 0; i < kAreaBins; ++i)
        if (stats.AreaHist[static_cast<std::size_t>(i)] == 1)
            return i;
    return -1;
}

std::unique_ptr<TGrayColumns> columnsWith(std::initializer_list<std::pair<int, std::uint8_t>> bands)
{
    // bands: (first column, grey) pairs; each band runs to the next one's first column.
    auto g = std::make_unique<TGrayColumns>();
    std::uint8_t grey = 0;
    auto next = bands.begin();
    for (int c = 0; c < kFrameWidth; ++c) {
        if (next != bands.end() && next->first == c) {
            grey = next->second;
            ++next;
        }
        (*g)[c].fill(grey);
    }
    return g;
}

} // namespace

class TestEndoStatistics : public QObject {
    Q_OBJECT

private slots:
    void areaBins_data()
    {
        QTest::addColumn<double>("pixelToMM");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("bin");
        QTest::addColumn<double>("area");
        // 1 µm per pixel: pixels are µm².
        QTest::newRow("16 px") << 0.001 << 16 << 6 << 16.0;
        QTest::newRow("199 px below 200") << 0.001 << 199 << 6 << 199.0;
        QTest::newRow("200 px first of 200-299") << 0.001 << 200 << 5 << 200.0;
        QTest::newRow("299 px") << 0.001 << 299 << 5 << 299.0;
        QTest::newRow("350 px in 300-399") << 0.001 << 350 << 4 << 350.0;
        QTest::newRow("400 px") << 0.001 << 400 << 3 << 400.0;
        QTest::newRow("599 px") << 0.001 << 599 << 2 << 599.0;
        QTest::newRow("699 px in 600-699") << 0.001 << 699 << 1 << 699.0;
        QTest::newRow("700 px at least 700") << 0.001 << 700 << 0 << 700.0;
        QTest::newRow("5000 px") << 0.001 << 5000 << 0 << 5000.0;
        // 0.5 µm per pixel, 0.25 µm² per pixel: areas land on halves and round to even.
        QTest::newRow("199.5 rounds to 200") << 0.0005 << 798 << 5 << 200.0;
        QTest::newRow("200.5 rounds to 200") << 0.0005 << 802 << 5 << 200.0;
        QTest::newRow("399.5 rounds to 400") << 0.0005 << 1598 << 3 << 400.0;
        QTest::newRow("698.5 rounds to 698") << 0.0005 << 2794 << 1 << 698.0;
        QTest::newRow("699.5 rounds to 700") << 0.0005 << 2798 << 0 << 700.0;
    }

    void areaBins()
    {
        QFETCH(double, pixelToMM);
        QFETCH(int, pixels);
        QFETCH(int, bin);
        QFETCH(double, area);
        Regions r;
        r.add(pixels, 6, 240, 320);
        TFrameStats stats;
        CalculateFrameStats(r.n, pixelToMM, *r.table, kWholeFrame, stats);
        QCOMPARE(stats.CellCount, 1);
        QCOMPARE(binOfOnlyCell(stats), bin);
        QCOMPARE(stats.MeanArea, area);
        QCOMPARE(stats.MinArea, area);
        QCOMPARE(stats.MaxArea, area);
    }

    void sidesBins_data()
    {
        QTest::addColumn<int>("sides");
        QTest::addColumn<int>("bin");
        QTest::newRow("0 sides: other") << 0 << 4;
        QTest::newRow("3 sides: other") << 3 << 4;
        QTest::newRow("4 sides") << 4 << 0;
        QTest::newRow("5 sides") << 5 << 1;
        QTest::newRow("6 sides") << 6 << 2;
        QTest::newRow("7 sides") << 7 << 3;
        QTest::newRow("8 sides: other") << 8 << 4;
        QTest::newRow("12 sides: other") << 12 << 4;
    }

    void sidesBins()
    {
        QFETCH(int, sides);
        QFETCH(int, bin);
        Regions r;
        r.add(300, sides, 240, 320);
        TFrameStats stats;
        CalculateFrameStats(r.n, 0.001, *r.table, kWholeFrame, stats);
        TSidesHist expected{};
        expected[static_cast<std::size_t>(bin)] = 1;
        QCOMPARE(stats.SidesHist, expected);
    }

    void centreMustLieStrictlyInside_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("counted");
        // Region of interest (Left 100, Top 50, Right 200, Bottom 150).
        QTest::newRow("inside") << 100 << 150 << true;
        QTest::newRow("just inside top-left") << 51 << 101 << true;
        QTest::newRow("just inside bottom-right") << 149 << 199 << true;
        QTest::newRow("on top edge") << 50 << 150 << false;
        QTest::newRow("on bottom edge") << 150 << 150 << false;
        QTest::newRow("on left edge") << 100 << 100 << false;
        QTest::newRow("on right edge") << 100 << 200 << false;
        QTest::newRow("outside") << 10 << 10 << false;
        QTest::newRow("erased region (0, 0)") << 0 << 0 << false;
    }

    void centreMustLieStrictlyInside()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(bool, counted);
        Regions r;
        r.add(300, 6, row, col);
        TFrameStats stats;
        CalculateFrameStats(r.n, 0.001, *r.table, TRect{100, 50, 200, 150}, stats);
        QCOMPARE(stats.CellCount, counted ? 1 : 0);
    }

    void erasedRegionNotCounted_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::newRow("region from the frame's corner") << TRect{0, 0, 639, 479};
        // A region dragged past the top-left corner holds (0, 0) strictly inside.
        QTest::newRow("region reaching past the corner") << TRect{-20, -10, 639, 479};
    }

    void erasedRegionNotCounted()
    {
        QFETCH(TRect, roi);
        Regions r;
        r.add(0, 0, 0, 0);
        r.add(400, 6, 100, 100);
        r.add(0, 3, 0, 0);
        TFrameStats stats;
        CalculateFrameStats(r.n, 0.001, *r.table, roi, stats);
        QCOMPARE(stats.CellCount, 1);
        QCOMPARE(stats.MinArea, 400.0);
        QCOMPARE(stats.SidesHist, (TSidesHist{0, 0, 1, 0, 0}));
        QCOMPARE(stats.Density, 2500);
    }

    void analyticFigures()
    {
        Regions r;
        r.add(300, 6, 100, 100);
        r.add(500, 5, 110, 120);
        TFrameStats stats;
        CalculateFrameStats(r.n, 0.001, *r.table, kWholeFrame, stats);
        QCOMPARE(stats.CellCount, 2);
        QCOMPARE(stats.MinArea, 300.0);
        QCOMPARE(stats.MaxArea, 500.0);
        QCOMPARE(stats.MeanArea, 400.0);
        QCOMPARE(stats.AreaSD, 100.0); // population SD
        QCOMPARE(stats.AreaCV, 0.25);
        QVERIFY(qFuzzyCompare(stats.AnalysedArea, 0.0008));
        QCOMPARE(stats.Density, 2500);
    }

    void densityUsesPixelTotalNotRoundedAreas()
    {
        // 1.86 µm/px: 115 px is 397.854 µm², rounded 398; the density comes from the pixel total.
        Regions r;
        for (int i = 0; i < 10; ++i)
            r.add(115, 6, 100 + i, 100);
        TFrameStats stats;
        CalculateFrameStats(r.n, 0.00186, *r.table, kWholeFrame, stats);
        QCOMPARE(stats.MeanArea, 398.0);
        const double area = 0.00186 * 0.00186 * 1150;
        QCOMPARE(stats.AnalysedArea, area);
        QCOMPARE(stats.Density, static_cast<std::uint16_t>(RoundHalfEven(10 / area)));
        QCOMPARE(stats.Density, 2513);
    }

    void equalAreasHaveNoSpread()
    {
        Regions r;
        for (int i = 0; i < 7; ++i)
            r.add(420, 6, 200 + 3 * i, 300);
        TFrameStats stats;
        CalculateFrameStats(r.n, 0.001, *r.table, kWholeFrame, stats);
        QCOMPARE(stats.AreaSD, 0.0);
        QCOMPARE(stats.AreaCV, 0.0);
        QCOMPARE(stats.MinArea, stats.MaxArea);
    }

    void noCountedCellKeepsResetValues()
    {
        Regions r;
        r.add(300, 6, 5, 5);
        TFrameStats stats;
        stats.Density = 1234;
        stats.AreaSD = 9;
        stats.AreaCV = 0.4; // a previous analysis's CV must not survive either
        CalculateFrameStats(r.n, 0.001, *r.table, TRect{100, 100, 200, 200}, stats);
        TFrameStats expected;
        expected.MinArea = 65000.0;
        QCOMPARE(stats, expected);
        QCOMPARE(HexagonalPercent(stats.SidesHist, stats.CellCount), 0.0);
    }

    void zeroScaleFailsAfterTheCounts()
    {
        Regions r;
        r.add(300, 6, 100, 100);
        r.add(500, 6, 120, 100);
        TFrameStats stats;
        QVERIFY_THROWS_EXCEPTION(EStatisticsError, CalculateFrameStats(r.n, 0.0, *r.table, kWholeFrame, stats));
        // Fields before the density keep what was computed.
        QCOMPARE(stats.CellCount, 2);
        QCOMPARE(stats.SidesHist[kHexagonalBin], 2);
        QCOMPARE(stats.AreaHist[6], 2);
        QCOMPARE(stats.AnalysedArea, 0.0);
        QCOMPARE(stats.Density, 0);
        QCOMPARE(stats.AreaCV, 0.0);
    }

    void densityBeyond16BitsFails()
    {
        Regions r;
        r.add(1, 6, 100, 100);
        TFrameStats stats;
        // 1 µm² cell: 1e6 cells/mm² does not fit the 16-bit density.
        QVERIFY_THROWS_EXCEPTION(EStatisticsError, CalculateFrameStats(r.n, 0.001, *r.table, kWholeFrame, stats));
        QCOMPARE(stats.CellCount, 1);
        QCOMPARE(stats.Density, 0);
    }

    void countBeyondTableReadsOnlyTheTable()
    {
        Regions r;
        r.add(300, 6, 100, 100);
        TFrameStats stats;
        CalculateFrameStats(65535, 0.001, *r.table, kWholeFrame, stats);
        QCOMPARE(stats.CellCount, 1);
    }

    void invariantsOnRandomTables_data()
    {
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed : {1u, 2u, 3u, 42u, 2024u})
            QTest::addRow("seed %u", seed) << seed;
    }

    void invariantsOnRandomTables()
    {
        QFETCH(unsigned, seed);
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> area(20, 800), sides(0, 10), row(0, 479), col(0, 639);
        Regions r;
        for (int i = 0; i < 900; ++i)
            r.add(area(random), sides(random), row(random), col(random));
        const TRect roi{80, 60, 560, 420};
        TFrameStats stats;
        CalculateFrameStats(r.n, 0.00186, *r.table, roi, stats);

        std::uint32_t pixels = 0;
        int counted = 0;
        for (int k = 1; k <= r.n; ++k) {
            const TRegionRec &g = (*r.table)[static_cast<std::size_t>(k)];
            if (roi.Top < g.Row && g.Row < roi.Bottom && roi.Left < g.Col && g.Col < roi.Right) {
                pixels += static_cast<std::uint32_t>(g.Area);
                ++counted;
            }
        }
        QVERIFY(counted > 100);
        QCOMPARE(int(stats.CellCount), counted);
        QCOMPARE(std::accumulate(stats.SidesHist.begin(), stats.SidesHist.end(), 0), counted);
        QCOMPARE(std::accumulate(stats.AreaHist.begin(), stats.AreaHist.end(), 0), counted);
        QCOMPARE(stats.AnalysedArea, 0.00186 * 0.00186 * pixels);
        QVERIFY(stats.MinArea <= stats.MeanArea && stats.MeanArea <= stats.MaxArea);
        QVERIFY(stats.AreaSD <= (stats.MaxArea - stats.MinArea) / 2 + 1e-9);
        QCOMPARE(stats.AreaCV, stats.AreaSD / stats.MeanArea);
    }

    // Pachymetry --------------------------------------------------------------------

    void pachymetryFindsDarkAndBrightEdges()
    {
        // Dark 10 | 60 from column 100 | 150 from 200 | bright 250 from 300.
        auto g = columnsWith({{0, 10}, {100, 60}, {200, 150}, {300, 250}});
        const TPachymetry p = MeasurePachymetry(*g);
        QCOMPARE(p, (TPachymetry{99, 299, 200}));
    }

    void pachymetryGradientWrapsAt256()
    {
        // A step of 26 grey levels gives 260, kept in 8 bits: 4, below the gradient limit.
        auto g = columnsWith({{0, 10}, {100, 36}});
        QCOMPARE(MeasurePachymetry(*g), (TPachymetry{0, 0, 0}));
        auto h = columnsWith({{0, 10}, {100, 38}}); // 280 -> 24: counted
        QCOMPARE(MeasurePachymetry(*h).Left, 99);
    }

    void pachymetryFirstLargestColumnWins()
    {
        // Two equal dark edges: the first column is kept.
        auto g = columnsWith({{0, 10}, {100, 60}, {200, 10}, {300, 60}});
        QCOMPARE(MeasurePachymetry(*g).Left, 99);
    }

    void pachymetryIgnoresRowZero()
    {
        auto g = std::make_unique<TGrayColumns>();
        for (int c = 100; c < kFrameWidth; ++c)
            (*g)[c][0] = 60;
        for (int c = 0; c < 100; ++c)
            (*g)[c][0] = 10;
        QCOMPARE(MeasurePachymetry(*g), (TPachymetry{0, 0, 0}));
    }

    void pachymetryNegativeWidth()
    {
        auto g = columnsWith({{0, 150}, {100, 250}, {300, 10}, {400, 60}});
        const TPachymetry p = MeasurePachymetry(*g);
        QCOMPARE(p.Left, 399);
        QCOMPARE(p.Right, 99);
        QCOMPARE(p.Width, -300);
        QCOMPARE(PachymetryMicrons(p.Width, 1.5), 0);
    }

    void pachymetryMicrons_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("pixelToPaq");
        QTest::addColumn<int>("microns");
        QTest::newRow("200 x 1.5") << 200 << 1.5 << 300;
        QTest::newRow("1 x 2.5 tie to even") << 1 << 2.5 << 2;
        QTest::newRow("3 x 0.5 tie to even") << 3 << 0.5 << 2;
        QTest::newRow("zero width") << 0 << 1.5 << 0;
        QTest::newRow("negative width shows 0") << -10 << 1.5 << 0;
        QTest::newRow("beyond 16 bits") << 639 << 1000.0 << 65535;
    }

    void pachymetryMicrons()
    {
        QFETCH(int, width);
        QFETCH(double, pixelToPaq);
        QFETCH(int, microns);
        QCOMPARE(int(PachymetryMicrons(width, pixelToPaq)), microns);
    }

    // Summary --------------------------------------------------------------------------

    void summaryRoundsTiesToEven_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("mean");
        QTest::newRow("2001, 2002 -> 2002") << 2001 << 2002 << 2002;
        QTest::newRow("2002, 2003 -> 2002") << 2002 << 2003 << 2002;
        QTest::newRow("2003, 2004 -> 2004") << 2003 << 2004 << 2004;
        QTest::newRow("0, 1 -> 0") << 0 << 1 << 0;
        QTest::newRow("65535, 65535") << 65535 << 65535 << 65535;
    }

    void summaryRoundsTiesToEven()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, mean);
        TFrameStats a, b;
        a.Density = static_cast<std::uint16_t>(first);
        b.Density = static_cast<std::uint16_t>(second);
        a.CellCount = static_cast<std::uint16_t>(first);
        b.CellCount = static_cast<std::uint16_t>(second);
        a.AreaHist[3] = static_cast<std::uint16_t>(first);
        b.AreaHist[3] = static_cast<std::uint16_t>(second);
        TSummaryAccumulator sums;
        sums.Add(a, static_cast<std::uint16_t>(first));
        sums.Add(b, static_cast<std::uint16_t>(second));
        const TEndoStats s = sums.Result();
        QCOMPARE(s.FramesUsed, 2);
        QCOMPARE(int(s.Density), mean);
        QCOMPARE(int(s.CellCount), mean);
        QCOMPARE(int(s.AreaHist[3]), mean);
        QCOMPARE(s.Pachymetry, mean);
    }

    void summaryAveragesDoublesAndEmptyFrames()
    {
        TFrameStats cells;
        cells.CellCount = 100;
        cells.MinArea = 300;
        cells.MaxArea = 600;
        cells.AreaCV = 0.3;
        TFrameStats empty;
        empty.MinArea = kNoCellMinArea;
        TSummaryAccumulator sums;
        sums.Add(cells, 500);
        sums.Add(empty, 0);
        const TEndoStats s = sums.Result();
        QCOMPARE(s.CellCount, 50);
        QCOMPARE(s.MinArea, (300 + 65000) / 2.0);
        QCOMPARE(s.MaxArea, 300.0);
        QCOMPARE(s.AreaCV, 0.15);
        QCOMPARE(s.Pachymetry, 250);
    }

    void summaryOfNoFrameIsZero()
    {
        QCOMPARE(TSummaryAccumulator().Result(), TEndoStats{});
    }
};

QTEST_APPLESS_MAIN(TestEndoStatistics)
#include "tst_endostatistics.moc"
