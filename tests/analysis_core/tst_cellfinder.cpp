// Cell finder on hand-built frames and on a synthetic mosaic with known centres.
#include "MosaicFrame.h"
#include "UBCellFinder.h"

#include <QTest>

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<TGrayFrame> uniformFrame(std::uint8_t grey)
{
    auto frame = std::make_unique<TGrayFrame>();
    for (auto &row : *frame)
        row.fill(grey);
    return frame;
}

void drawSquare(TGrayFrame &frame, int top, int left, int size, std::uint8_t grey = 200)
{
    for (int r = top; r < top + size; ++r)
        for (int c = left; c < left + size; ++c)
            if (r >= 0 && r < 480 && c >= 0 && c < 640)
                frame[r][c] = grey;
}

const TRect kRoi{150, 100, 450, 350};

} // namespace

class TestCellFinder : public QObject {
    Q_OBJECT

private:
    // Invariants of every result: header, order, limits, labels.
    static void checkTable(const TCMFinder &finder)
    {
        const TCellTable &cells = finder.Cells();
        const int n = cells[0].Row;
        QCOMPARE(cells[0].Col, n);
        QCOMPARE(cells[0].PixelCount, n);
        QVERIFY(n >= 0 && n <= TCMFinder::kMaxRegions);
        long labelled = 0;
        for (const auto &row : finder.LabelPlane())
            for (double v : row)
                labelled += v != 0.0;
        long counted = 0;
        for (int k = 1; k <= n; ++k) {
            QCOMPARE(cells[k].Spare, 0);
            QVERIFY(cells[k].PixelCount >= 2);
            QVERIFY(cells[k].Row >= 9 && cells[k].Row <= 470);
            QVERIFY(cells[k].Col >= 9 && cells[k].Col <= 630);
            if (k > 1)
                QVERIFY(cells[k - 1].Row <= cells[k].Row);
            counted += cells[k].PixelCount;
        }
        if (n > 0)
            QCOMPARE(counted, labelled);
    }

private slots:
    void frameWithoutCellsGivesNone_data()
    {
        QTest::addColumn<int>("grey");
        QTest::addColumn<bool>("gradient");
        QTest::newRow("flat black") << 0 << false;
        QTest::newRow("flat grey") << 128 << false;
        QTest::newRow("smooth gradient") << 0 << true;
    }
    void frameWithoutCellsGivesNone()
    {
        QFETCH(int, grey);
        QFETCH(bool, gradient);
        auto frame = uniformFrame(std::uint8_t(grey));
        if (gradient)
            for (int r = 0; r < 480; ++r)
                for (int c = 0; c < 640; ++c)
                    (*frame)[r][c] = std::uint8_t(c * 255 / 639);
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, kRoi);
        QCOMPARE(finder.CellCount(), 0);
        checkTable(finder);
        for (const auto &row : finder.SourcePlane())
            for (double v : row)
                QVERIFY(std::isfinite(v)); // the flat window must not divide by zero
    }

    void squareIsFoundAtItsCentre_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("rowShift"); // found row minus geometric row
        QTest::newRow("3x3") << 3 << 0;
        QTest::newRow("5x5") << 5 << 0;
        QTest::newRow("7x7") << 7 << 0;
        // The in-place passes read updated pixels above and to the left, which
        // pulls a larger blob's centre up by one row.
        QTest::newRow("9x9") << 9 << -1;
    }
    void squareIsFoundAtItsCentre()
    {
        QFETCH(int, size);
        QFETCH(int, rowShift);
        auto frame = uniformFrame(50);
        drawSquare(*frame, 100, 200, size);
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, TRect{150, 50, 300, 200});
        checkTable(finder);
        QCOMPARE(finder.CellCount(), 1);
        QCOMPARE(finder.Cells()[1].Row, 100 + (size - 1) / 2 + rowShift);
        QCOMPARE(finder.Cells()[1].Col, 200 + (size - 1) / 2);
    }

    void borderBand_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("found");
        QTest::newRow("well inside") << 100 << 100 << 1;
        QTest::newRow("inside the top band") << 1 << 100 << 0;
        QTest::newRow("inside the left band") << 100 << 0 << 0;
        QTest::newRow("inside the bottom band") << 473 << 100 << 0;
        QTest::newRow("inside the right band") << 100 << 633 << 0;
    }
    void borderBand()
    {
        QFETCH(int, top);
        QFETCH(int, left);
        QFETCH(int, found);
        auto frame = uniformFrame(50);
        drawSquare(*frame, top, left, 5);
        drawSquare(*frame, 300, 300, 5); // a reference cell keeps the window from being flat
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, TRect{0, 0, 639, 479});
        checkTable(finder);
        QCOMPARE(finder.CellCount(), 1 + found);
    }

    void blobAcrossBandLosesItsOuterPart()
    {
        auto frame = uniformFrame(50);
        drawSquare(*frame, 200, 3, 15); // columns 3..17, band ends at column 8
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, TRect{0, 150, 100, 250});
        checkTable(finder);
        QCOMPARE(finder.CellCount(), 1);
        QVERIFY(finder.Cells()[1].Col > 10); // geometric centre 10, the clipped part pulls right
        for (int r = 0; r < 480; ++r)
            for (int c = 0; c <= 8; ++c)
                QCOMPARE(finder.MaskPlane()[r][c], 0.0);
    }

    void regionCountLimit_data()
    {
        QTest::addColumn<int>("blobs");
        QTest::addColumn<int>("cells");
        QTest::newRow("1300 regions kept") << 1300 << 1300;
        QTest::newRow("1301 regions discarded") << 1301 << 0;
    }
    void regionCountLimit()
    {
        QFETCH(int, blobs);
        QFETCH(int, cells);
        auto frame = uniformFrame(50);
        int placed = 0;
        for (int i = 0; i < 27 && placed < blobs; ++i)
            for (int j = 0; j < 50 && placed < blobs; ++j, ++placed)
                drawSquare(*frame, 30 + 12 * i, 20 + 12 * j, 5);
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, TRect{100, 100, 500, 300});
        checkTable(finder);
        QCOMPARE(finder.RegionCount(), blobs);
        QCOMPARE(finder.CellCount(), cells);
    }

    void higherThresholdGrowsRegions()
    {
        auto frame = mosaic::hexMosaic();
        long pixels[3] = {};
        const double thresholds[3] = {-3.5, -3.0, -2.5};
        for (int i = 0; i < 3; ++i) {
            TCMFinder finder(*frame);
            finder.Find(5, thresholds[i], kRoi);
            checkTable(finder);
            for (int k = 1; k <= finder.CellCount(); ++k)
                pixels[i] += finder.Cells()[k].PixelCount;
        }
        QVERIFY(pixels[0] < pixels[1]);
        QVERIFY(pixels[1] < pixels[2]);
    }

    void negativeIterationsActLikeZero()
    {
        auto frame = mosaic::hexMosaic();
        TCMFinder zero(*frame);
        zero.Find(0, -3.0, kRoi);
        TCMFinder negative(*frame);
        negative.Find(-4, -3.0, kRoi);
        QVERIFY(zero.SmoothedPlane() == negative.SmoothedPlane());
        QVERIFY(zero.Cells() == negative.Cells());
        TCMFinder one(*frame);
        one.Find(1, -3.0, kRoi);
        QVERIFY(!(one.SmoothedPlane() == zero.SmoothedPlane()));
    }

    void mosaicCentresMatchTheCells()
    {
        mosaic::Options options;
        const auto centres = mosaic::hexCentres(options);
        auto frame = mosaic::render(centres, options);
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, kRoi);
        checkTable(finder);
        int truth = 0;
        for (const auto &c : centres)
            truth += mosaic::isLit(options, c.Row, c.Col);
        const int n = finder.CellCount();
        QVERIFY2(std::abs(n - truth) < truth / 20, qPrintable(QStringLiteral("%1 vs %2").arg(n).arg(truth)));
        int close = 0;
        for (int k = 1; k <= n; ++k) {
            double best = 1e9;
            for (const auto &c : centres)
                best = std::min(best, std::hypot(c.Row - finder.Cells()[k].Row, c.Col - finder.Cells()[k].Col));
            close += best <= 2.0;
        }
        QVERIFY2(close >= n * 95 / 100, qPrintable(QStringLiteral("%1 of %2").arg(close).arg(n)));
    }

    void stretchTopsOutJustBelow255()
    {
        auto frame = mosaic::hexMosaic();
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, kRoi);
        double top = 0;
        for (const auto &row : finder.SourcePlane())
            for (double v : row)
                top = std::max(top, v);
        QVERIFY(top > 254.999999 && top <= 255.0);
    }

    void reloadedFinderMatchesAFreshOne()
    {
        auto first = mosaic::hexMosaic();
        mosaic::Options other;
        other.Seed = 99;
        other.Spacing = 13.0;
        auto second = mosaic::hexMosaic(other);
        TCMFinder reused(*first);
        reused.Find(5, -3.0, kRoi);
        reused.Load(*second);
        reused.Find(5, -3.0, kRoi);
        TCMFinder fresh(*second);
        fresh.Find(5, -3.0, kRoi);
        QVERIFY(reused.Cells() == fresh.Cells());
        QVERIFY(reused.LabelPlane() == fresh.LabelPlane());
    }

    void roiAtTheFrameEdgeIsClipped()
    {
        auto frame = mosaic::hexMosaic();
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, TRect{630, 470, 639, 479}); // window runs past the frame
        checkTable(finder);
    }
};

QTEST_APPLESS_MAIN(TestCellFinder)
#include "tst_cellfinder.moc"
