// Image passes of the cell finder: analytic answers on hand-built planes.
#include "BandPipeline.h"
#include "CornixProcessing.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace cornix;

Q_DECLARE_METATYPE(TRect)

namespace {

std::unique_ptr<TDoublePlane> planeOf(double value)
{
    auto plane = std::make_unique<TDoublePlane>();
    for (auto &row : *plane)
        row.fill(value);
    return plane;
}

std::unique_ptr<TDoublePlane> randomPlane(unsigned seed)
{
    auto plane = std::make_unique<TDoublePlane>();
    std::mt19937 random(seed);
    for (auto &row : *plane)
        for (double &v : row)
            v = double(random() % 256);
    return plane;
}

// Straightforward in-place pass, term by term in the natural order.
void referenceSmoothInPlace(TDoublePlane &p)
{
    const double corner = 449.0 / 5500.0, edge = 67.0 / 550.0, centre = 2.0 / 11.0;
    for (int r = 1; r < 479; ++r)
        for (int c = 1; c < 639; ++c)
            p[r][c] = corner * (p[r - 1][c - 1] + p[r - 1][c + 1] + p[r + 1][c - 1] + p[r + 1][c + 1]) +
                      edge * (p[r - 1][c] + p[r][c - 1] + p[r][c + 1] + p[r + 1][c]) + centre * p[r][c];
}

int countOn(const TDoublePlane &mask)
{
    int n = 0;
    for (const auto &row : mask)
        for (double v : row)
            n += v == 255.0;
    return n;
}

} // namespace

class TestCornixProcessing : public QObject {
    Q_OBJECT

private slots:
    void grayFromRgbRoundsToNearest_data()
    {
        QTest::addColumn<int>("b0");
        QTest::addColumn<int>("b1");
        QTest::addColumn<int>("b2");
        QTest::addColumn<int>("grey");
        QTest::newRow("sum 1 -> 0.33") << 1 << 0 << 0 << 0;
        QTest::newRow("sum 2 -> 0.67") << 1 << 1 << 0 << 1;
        QTest::newRow("sum 4 -> 1.33") << 2 << 1 << 1 << 1;
        QTest::newRow("sum 5 -> 1.67") << 2 << 2 << 1 << 2;
        QTest::newRow("white") << 255 << 255 << 255 << 255;
        QTest::newRow("32 -> 10.67") << 10 << 11 << 11 << 11;
    }
    void grayFromRgbRoundsToNearest()
    {
        QFETCH(int, b0);
        QFETCH(int, b1);
        QFETCH(int, b2);
        QFETCH(int, grey);
        std::vector<std::uint8_t> bits(640 * 480 * 3);
        for (std::size_t i = 0; i < bits.size(); i += 3)
            bits[i] = std::uint8_t(b0), bits[i + 1] = std::uint8_t(b1), bits[i + 2] = std::uint8_t(b2);
        auto gray = std::make_unique<TGrayFrame>();
        GrayFromRgb24(bits.data(), 640, 480, 640 * 3, *gray);
        QCOMPARE(int((*gray)[0][0]), grey);
        QCOMPARE(int((*gray)[479][639]), grey);
    }

    void grayFromRgbStaysInsideBothImages_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("larger") << 700 << 500;
        QTest::newRow("smaller") << 320 << 240;
        QTest::newRow("one pixel") << 1 << 1;
    }
    void grayFromRgbStaysInsideBothImages()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        // Padded rows, exact allocation: a read past the image would be caught by the sanitizer build.
        const int stride = width * 3 + 1;
        std::vector<std::uint8_t> bits(std::size_t(stride) * height, 90);
        auto gray = std::make_unique<TGrayFrame>();
        for (auto &row : *gray)
            row.fill(7);
        GrayFromRgb24(bits.data(), width, height, stride, *gray);
        for (int r = 0; r < 480; ++r)
            for (int c = 0; c < 640; ++c) {
                const int expected = (r < height && c < width) ? 90 : 0;
                if ((*gray)[r][c] != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(r).arg(c)));
            }
    }

    void grayFromBottomUpRows()
    {
        std::vector<std::uint8_t> bits(640 * 3 * 480, 0);
        // Last stored line is the top row when the stride is negative.
        std::fill_n(bits.end() - 640 * 3, 640 * 3, std::uint8_t(200));
        auto gray = std::make_unique<TGrayFrame>();
        GrayFromRgb24(bits.data() + 640 * 3 * 479, 640, 480, -640 * 3, *gray);
        QCOMPARE(int((*gray)[0][5]), 200);
        QCOMPARE(int((*gray)[1][5]), 0);
    }

    void contrastStretchUsesGrownWindowOnly()
    {
        auto plane = planeOf(100.0);
        (*plane)[50][50] = 20.0;   // inside the window (roi grown by 8)
        (*plane)[58][58] = 180.0;  // on the window's last row and column
        (*plane)[59][59] = 250.0;  // just outside: clamped, not a maximum
        QVERIFY(ContrastStretch(*plane, TRect{30, 30, 50, 50}));
        QCOMPARE((*plane)[50][50], 0.0);
        QVERIFY((*plane)[58][58] > 254.9999999 && (*plane)[58][58] <= 255.0);
        QCOMPARE((*plane)[59][59], (*plane)[58][58]); // clamped to the maximum
        QCOMPARE((*plane)[300][300], (100.0 - 20.0) * (255.0 / 160.0));
    }

    void contrastStretchClipsWindowToFrame_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::newRow("top-left corner") << TRect{0, 0, 3, 3};
        QTest::newRow("bottom-right corner") << TRect{636, 476, 639, 479};
        QTest::newRow("partly outside") << TRect{-20, -20, 5, 5};
    }
    void contrastStretchClipsWindowToFrame()
    {
        QFETCH(TRect, roi);
        auto plane = planeOf(100.0);
        const int r = roi.Top < 200 ? 0 : 479;
        const int c = roi.Left < 200 ? 0 : 639;
        (*plane)[r][c] = 10.0; // the frame's corner lies in the clipped window
        QVERIFY(ContrastStretch(*plane, roi));
        QCOMPARE((*plane)[r][c], 0.0);
        QVERIFY((*plane)[240][320] > 254.99);
    }

    void flatOrEmptyWindowLeavesPlane_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::newRow("flat") << TRect{100, 100, 200, 200};
        QTest::newRow("outside the frame") << TRect{2000, 2000, 2100, 2100};
        QTest::newRow("extreme coordinates") << TRect{INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN};
    }
    void flatOrEmptyWindowLeavesPlane()
    {
        QFETCH(TRect, roi);
        auto plane = planeOf(77.0);
        (*plane)[479][639] = 3.0; // outside every window above
        QVERIFY(!ContrastStretch(*plane, roi));
        QCOMPARE((*plane)[200][200], 77.0);
        QCOMPARE((*plane)[479][639], 3.0);
    }

    void smoothingOfConstantPlaneDarkens()
    {
        auto source = planeOf(100.0);
        auto smoothed = std::make_unique<TDoublePlane>();
        Smooth(*source, *smoothed);
        const double gain = 4 * 449.0 / 5500.0 + 4 * 67.0 / 550.0 + 2.0 / 11.0; // 0.99563...
        QVERIFY(std::abs((*smoothed)[240][320] - 100.0 * gain) < 1e-9);
        QVERIFY(std::abs((*smoothed)[1][1] - 100.0 * gain) < 1e-9);
        QCOMPARE((*smoothed)[0][320], 0.0);   // outer rows and columns untouched
        QCOMPARE((*smoothed)[240][639], 0.0);
    }

    void smoothInPlaceReadsUpdatedAboveAndLeft()
    {
        auto banded = randomPlane(42);
        auto reference = std::make_unique<TDoublePlane>(*banded);
        SmoothInPlace(*banded);
        referenceSmoothInPlace(*reference);
        double worst = 0;
        for (int r = 0; r < 480; ++r)
            for (int c = 0; c < 640; ++c)
                worst = std::max(worst, std::abs((*banded)[r][c] - (*reference)[r][c]));
        // Reading an original instead of an updated neighbour shifts values by
        // whole grey levels; summation order only by a few ulp.
        QVERIFY2(worst < 1e-9, qPrintable(QString::number(worst)));
    }

    // The passes split between two threads give, bit for bit, what the calls
    // one after the other give: on planes with values far below 1 and with
    // sharp edges too, where a neighbour read too early or too late shows.
    void pipelinedPassesEqualSerialOnes_data()
    {
        QTest::addColumn<int>("passes");
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<double>("scale");
        for (const int passes : {0, 1, 2, 5, 9})
            QTest::addRow("%d passes", passes) << passes << 7u << 1.0;
        QTest::addRow("dark, 5 passes") << 5 << 8u << 1e-6;
        QTest::addRow("dark, 3 passes") << 3 << 9u << 1e-9;
        QTest::addRow("negative count") << -1 << 10u << 1.0;
    }

    void pipelinedPassesEqualSerialOnes()
    {
        QFETCH(int, passes);
        QFETCH(unsigned, seed);
        QFETCH(double, scale);
        auto source = randomPlane(seed);
        for (auto &row : *source)
            for (double &v : row)
                v *= scale;
        auto serialSmoothed = planeOf(0.0);
        auto serialResponse = planeOf(0.0);
        Smooth(*source, *serialSmoothed);
        for (int pass = 0; pass < passes; ++pass)
            SmoothInPlace(*serialSmoothed);
        Laplacian(*serialSmoothed, *serialResponse);
        for (int run = 0; run < 3; ++run) { // the second thread starts at different moments
            auto smoothed = planeOf(0.0);
            auto response = planeOf(0.0);
            int nextRow = 1;
            bool madeRowsFinal = true;
            SmoothAndLaplacian(*source, *smoothed, passes, *response, [&](int firstRow, int rows) {
                madeRowsFinal &= firstRow == nextRow &&
                                 std::memcmp((*response)[firstRow].data(), (*serialResponse)[firstRow].data(),
                                             sizeof(double) * kFrameWidth * std::size_t(rows)) == 0;
                nextRow = firstRow + rows;
            });
            QVERIFY(madeRowsFinal);
            QCOMPARE(nextRow, kFrameHeight - 1); // every interior row, once, in order
            QVERIFY(std::memcmp(smoothed.get(), serialSmoothed.get(), sizeof(TDoublePlane)) == 0);
            QVERIFY(std::memcmp(response.get(), serialResponse.get(), sizeof(TDoublePlane)) == 0);
        }
    }

    // Every unit runs once, after the units it reads: band b + 1 of the stage
    // before and band b - 1 of its own stage.
    void pipelineRunsEachUnitAfterItsInputs_data()
    {
        QTest::addColumn<int>("stages");
        QTest::addColumn<int>("bands");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addRow("finder's split") << 8 << 120 << 3 << 7;
        QTest::addRow("split before the last stage") << 7 << 120 << 3 << 6;
        QTest::addRow("second thread to the end") << 7 << 120 << 3 << 7;
        QTest::addRow("one band") << 4 << 1 << 1 << 3;
        QTest::addRow("two stages") << 2 << 50 << 1 << 2;
        QTest::addRow("no second share") << 5 << 30 << 2 << 2;
        QTest::addRow("split out of range") << 5 << 30 << -4 << 99;
        QTest::addRow("one stage") << 1 << 30 << 1 << 1;
    }

    void pipelineRunsEachUnitAfterItsInputs()
    {
        QFETCH(int, stages);
        QFETCH(int, bands);
        QFETCH(int, from);
        QFETCH(int, to);
        std::vector<std::atomic<int>> runs(std::size_t(stages * bands));
        std::atomic<int> outOfOrder{0};
        auto ran = [&](int stage, int band) {
            return stage >= 0 && band >= 0 && band < bands && runs[std::size_t(stage * bands + band)].load() == 1;
        };
        RunBandPipeline(stages, bands, {from, to}, [&](int stage, int band) {
            const bool inputsReady = (band == 0 || ran(stage, band - 1)) &&
                                     (stage == 0 || ran(stage - 1, std::min(band + 1, bands - 1)));
            if (!inputsReady)
                ++outOfOrder;
            ++runs[std::size_t(stage * bands + band)];
        });
        QCOMPARE(outOfOrder.load(), 0);
        for (const auto &count : runs)
            QCOMPARE(count.load(), 1);
    }

    void alongsideRunsBothAndRethrowsTheOthersFailure_data()
    {
        QTest::addColumn<bool>("otherThrows");
        QTest::addColumn<bool>("ownThrows");
        QTest::addRow("neither throws") << false << false;
        QTest::addRow("the other throws") << true << false;
        QTest::addRow("own throws") << false << true;
        QTest::addRow("both throw") << true << true;
    }
    void alongsideRunsBothAndRethrowsTheOthersFailure()
    {
        QFETCH(bool, otherThrows);
        QFETCH(bool, ownThrows);
        // Repeated: the other task starts at different moments, or on this thread.
        for (int round = 0; round < 50; ++round) {
            std::atomic<int> otherRunning{0};
            std::atomic<int> otherRuns{0};
            bool ownRan = false;
            QString thrown;
            try {
                RunAlongside(
                    [&] {
                        otherRunning = 1;
                        ++otherRuns;
                        std::this_thread::sleep_for(std::chrono::microseconds(round * 4));
                        otherRunning = 0;
                        if (otherThrows)
                            throw std::runtime_error("other");
                    },
                    [&] {
                        ownRan = true;
                        if (ownThrows)
                            throw std::logic_error("own");
                    });
            } catch (const std::exception &e) {
                thrown = QString::fromLatin1(e.what());
            }
            // Whatever happened, the other task no longer runs once the call is over.
            QCOMPARE(otherRunning.load(), 0);
            QVERIFY(ownRan);
            if (ownThrows) {
                QCOMPARE(thrown, QStringLiteral("own"));
                QVERIFY(otherRuns.load() <= 1);
            } else {
                QCOMPARE(otherRuns.load(), 1);
                QCOMPARE(thrown, otherThrows ? QStringLiteral("other") : QString());
            }
        }
    }

    void laplacianOfQuadraticIsConstant()
    {
        auto plane = std::make_unique<TDoublePlane>();
        for (int r = 0; r < 480; ++r)
            for (int c = 0; c < 640; ++c)
                (*plane)[r][c] = 0.5 * r * r + 3.0 * c + 7.0; // 8 * 0.5 from the rows, linear part 0
        auto response = std::make_unique<TDoublePlane>();
        Laplacian(*plane, *response);
        QCOMPARE((*response)[1][1], 4.0);
        QCOMPARE((*response)[240][320], 4.0);
        QCOMPARE((*response)[478][638], 4.0);
        QCOMPARE((*response)[0][5], 0.0);
    }

    void laplacianOfBrightPeakIsNegative()
    {
        auto plane = planeOf(10.0);
        (*plane)[100][100] = 11.0;
        auto response = std::make_unique<TDoublePlane>();
        Laplacian(*plane, *response);
        QCOMPARE((*response)[100][100], -12.0);
        QCOMPARE((*response)[99][100], 2.0);
        QCOMPARE((*response)[99][99], 1.0);
    }

    void thresholdIncludesEqualResponse_data()
    {
        QTest::addColumn<double>("response");
        QTest::addColumn<double>("mask");
        QTest::newRow("below") << -3.5 << 255.0;
        QTest::newRow("equal") << -3.0 << 255.0;
        QTest::newRow("just above") << std::nextafter(-3.0, 0.0) << 0.0;
        QTest::newRow("positive") << 5.0 << 0.0;
    }
    void thresholdIncludesEqualResponse()
    {
        QFETCH(double, response);
        QFETCH(double, mask);
        auto plane = planeOf(response);
        auto out = std::make_unique<TDoublePlane>();
        ThresholdMask(*plane, *out, -3.0);
        QCOMPARE((*out)[200][200], mask);
        QCOMPARE((*out)[0][0], 0.0); // outer ring never set
    }

    void clearBorderBandIsNinePixels_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<double>("value");
        QTest::newRow("row 8 cleared") << 8 << 300 << 0.0;
        QTest::newRow("row 9 kept") << 9 << 300 << 255.0;
        QTest::newRow("row 470 kept") << 470 << 300 << 255.0;
        QTest::newRow("row 471 cleared") << 471 << 300 << 0.0;
        QTest::newRow("col 8 cleared") << 200 << 8 << 0.0;
        QTest::newRow("col 9 kept") << 200 << 9 << 255.0;
        QTest::newRow("col 630 kept") << 200 << 630 << 255.0;
        QTest::newRow("col 631 cleared") << 200 << 631 << 0.0;
    }
    void clearBorderBandIsNinePixels()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(double, value);
        auto mask = planeOf(255.0);
        ClearBorder(*mask, 8);
        QCOMPARE((*mask)[row][col], value);
        QCOMPARE(countOn(*mask), (480 - 18) * (640 - 18));
    }

    void speckleRemoval_data()
    {
        QTest::addColumn<QList<QPoint>>("pixels"); // x = col, y = row
        QTest::addColumn<int>("survivors");
        QTest::newRow("isolated pixel") << QList<QPoint>{{100, 100}} << 0;
        QTest::newRow("horizontal pair") << QList<QPoint>{{100, 100}, {101, 100}} << 2;
        QTest::newRow("vertical pair") << QList<QPoint>{{100, 100}, {100, 101}} << 2;
        QTest::newRow("diagonal pair") << QList<QPoint>{{100, 100}, {101, 101}} << 0;
        QTest::newRow("L shape and loner") << QList<QPoint>{{10, 10}, {11, 10}, {11, 11}, {20, 20}} << 3;
    }
    void speckleRemoval()
    {
        QFETCH(QList<QPoint>, pixels);
        QFETCH(int, survivors);
        auto mask = std::make_unique<TDoublePlane>();
        for (const QPoint &p : pixels)
            (*mask)[p.y()][p.x()] = 255.0;
        RemoveSpeckles(*mask);
        QCOMPARE(countOn(*mask), survivors);
    }

    void labellingIsFourConnected()
    {
        auto mask = std::make_unique<TDoublePlane>();
        // Two blobs touching at a corner only, and one bar.
        for (int r = 100; r < 103; ++r)
            for (int c = 100; c < 103; ++c)
                (*mask)[r][c] = (*mask)[r + 3][c + 3] = 255.0;
        for (int c = 200; c < 210; ++c)
            (*mask)[300][c] = 255.0;
        auto labels = std::make_unique<TDoublePlane>();
        auto cells = std::make_unique<TCellTable>();
        std::vector<std::int32_t> stack;
        stack.reserve(kFramePixels);
        QCOMPARE(LabelRegions(*mask, *labels, *cells, 1300, stack), 3);
        QCOMPARE((*cells)[1].PixelCount, 9);
        QCOMPARE((*cells)[1].Row, 3 * (100 + 101 + 102)); // row sum: three columns of rows 100..102
        QCOMPARE((*cells)[2].Col, 3 * (103 + 104 + 105));
        QCOMPARE((*cells)[3].PixelCount, 10);
        QCOMPARE((*labels)[102][102], 1.0);
        QCOMPARE((*labels)[103][103], 2.0);
        QCOMPARE((*cells)[4], TCellRec{});
    }

    void labellingFillsHugeRegionWithoutRecursion()
    {
        auto mask = planeOf(255.0);
        ClearBorder(*mask, 0);
        auto labels = std::make_unique<TDoublePlane>();
        auto cells = std::make_unique<TCellTable>();
        std::vector<std::int32_t> stack;
        stack.reserve(kFramePixels);
        QCOMPARE(LabelRegions(*mask, *labels, *cells, 1300, stack), 1);
        QCOMPARE((*cells)[1].PixelCount, 478 * 638);
        QCOMPARE(stack.capacity(), std::size_t(kFramePixels)); // no growth inside the pass
    }

    void labellingStopsAfterLimit_data()
    {
        QTest::addColumn<int>("blobs");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("result");
        QTest::newRow("at the limit") << 1300 << 1300 << 1300;
        QTest::newRow("one above") << 1301 << 1300 << 1301;
        QTest::newRow("far above") << 9000 << 1300 << 1301;
        QTest::newRow("limit above the table") << 20000 << 20000 << 15000; // capped at 14999 + 1
    }
    void labellingStopsAfterLimit()
    {
        QFETCH(int, blobs);
        QFETCH(int, limit);
        QFETCH(int, result);
        auto mask = std::make_unique<TDoublePlane>();
        int placed = 0;
        for (int r = 1; r < 478 && placed < blobs; r += 2)
            for (int c = 1; c < 638 && placed < blobs; c += 3, ++placed)
                (*mask)[r][c] = (*mask)[r][c + 1] = 255.0;
        QCOMPARE(placed, std::min(blobs, 239 * 213));
        auto labels = std::make_unique<TDoublePlane>();
        auto cells = std::make_unique<TCellTable>();
        std::vector<std::int32_t> stack;
        stack.reserve(kFramePixels);
        QCOMPARE(LabelRegions(*mask, *labels, *cells, limit, stack), std::min(result, placed));
    }

    void centresRoundHalfToEven_data()
    {
        QTest::addColumn<int>("sum");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("centre");
        QTest::newRow("9/2 -> 4") << 9 << 2 << 4;
        QTest::newRow("11/2 -> 6") << 11 << 2 << 6;
        QTest::newRow("7/2 -> 4") << 7 << 2 << 4;
        QTest::newRow("10/3 -> 3") << 10 << 3 << 3;
        QTest::newRow("11/3 -> 4") << 11 << 3 << 4;
        QTest::newRow("no pixels") << 5 << 0 << 5;
    }
    void centresRoundHalfToEven()
    {
        QFETCH(int, sum);
        QFETCH(int, count);
        QFETCH(int, centre);
        auto cells = std::make_unique<TCellTable>();
        (*cells)[1] = TCellRec{sum, sum, count, 0};
        ComputeCentres(*cells, 1);
        QCOMPARE((*cells)[1].Row, centre);
        QCOMPARE((*cells)[1].Col, centre);
        QCOMPARE((*cells)[1].PixelCount, std::max(count, 1));
    }

    void sortGivesTheQuicksortOrderForEqualRows()
    {
        // Traced by hand through the partition: the two row-3 entries end up
        // swapped (a stable sort would keep 'a' before 'c').
        auto cells = std::make_unique<TCellTable>();
        (*cells)[1] = {3, 1, 0, 0}; // a
        (*cells)[2] = {1, 2, 0, 0}; // b
        (*cells)[3] = {3, 3, 0, 0}; // c
        (*cells)[4] = {2, 4, 0, 1}; // d
        (*cells)[5] = {99, 99, 0, 0}; // beyond the count: untouched
        SortCellsByRow(*cells, 4);
        QCOMPARE((*cells)[1], (TCellRec{1, 2, 0, 0}));
        QCOMPARE((*cells)[2], (TCellRec{2, 4, 0, 1}));
        QCOMPARE((*cells)[3], (TCellRec{3, 3, 0, 0}));
        QCOMPARE((*cells)[4], (TCellRec{3, 1, 0, 0}));
        QCOMPARE((*cells)[5].Row, 99);
    }

    void sortIsAPermutationOrderedByRow()
    {
        auto cells = std::make_unique<TCellTable>();
        std::mt19937 random(7);
        std::multiset<std::pair<int, int>> before;
        const int count = 15000;
        for (int k = 1; k <= count; ++k) {
            (*cells)[k] = {int(random() % 50), k, 0, 0};
            before.insert({(*cells)[k].Row, k});
        }
        SortCellsByRow(*cells, count);
        std::multiset<std::pair<int, int>> after;
        for (int k = 1; k <= count; ++k) {
            after.insert({(*cells)[k].Row, (*cells)[k].Col});
            if (k > 1)
                QVERIFY((*cells)[k - 1].Row <= (*cells)[k].Row);
        }
        QVERIFY(before == after);
    }

    void roiValidity_data()
    {
        QTest::addColumn<TRect>("rect");
        QTest::addColumn<bool>("valid");
        QTest::newRow("area 50") << TRect{0, 0, 10, 5} << false;
        QTest::newRow("area 51") << TRect{0, 0, 51, 1} << true;
        QTest::newRow("none") << TRect{} << false;
        QTest::newRow("huge, no overflow") << TRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX} << true;
    }
    void roiValidity()
    {
        QFETCH(TRect, rect);
        QFETCH(bool, valid);
        QCOMPARE(IsValidRoi(rect), valid);
    }

    void normalizedRectOrdersCorners()
    {
        QCOMPARE(NormalizedRect(TRect{50, 40, 10, 5}), (TRect{10, 5, 50, 40}));
    }
};

QTEST_APPLESS_MAIN(TestCornixProcessing)
#include "tst_cornixprocessing.moc"
