// The mask and its regions made row by row, as the response comes in: the same
// planes and tables as the passes over the whole frame.
#include "CornixProcessing.h"
#include "RegionRuns.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

using namespace cornix;

namespace {

using TMaskPainter = void (*)(TDoublePlane &, std::mt19937 &);

bool sameBits(const TDoublePlane &a, const TDoublePlane &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameRows(const TDoublePlane &a, const TDoublePlane &b, int first, int end)
{
    return first >= end || std::memcmp(&a[first], &b[first], sizeof a[0] * std::size_t(end - first)) == 0;
}

void scattered(TDoublePlane &mask, std::mt19937 &random, unsigned percent)
{
    for (auto &row : mask)
        for (double &v : row)
            v = random() % 100 < percent ? 255.0 : 0.0;
}

void discs(TDoublePlane &mask, std::mt19937 &random)
{
    for (int k = 0; k < 900; ++k) {
        const int r0 = int(random() % 480), c0 = int(random() % 640), radius = 2 + int(random() % 9);
        for (int r = std::max(0, r0 - radius); r <= std::min(479, r0 + radius); ++r)
            for (int c = std::max(0, c0 - radius); c <= std::min(639, c0 + radius); ++c)
                if ((r - r0) * (r - r0) + (c - c0) * (c - c0) <= radius * radius)
                    mask[r][c] = 255.0;
    }
}

// Teeth that meet only at their foot, and one that meets its neighbour at the
// top: regions first seen apart are joined many rows later, from either side.
void combs(TDoublePlane &mask, std::mt19937 &)
{
    for (int c = 5; c < 630; c += 4)
        for (int r = 10; r < 400; ++r)
            mask[r][c] = 255.0;
    for (int c = 5; c < 630; ++c)
        mask[400][c] = 255.0;
    for (int c = 300; c < 460; ++c)
        mask[9][c] = 255.0;
}

void spiral(TDoublePlane &mask, std::mt19937 &)
{
    int top = 3, left = 3, bottom = 476, right = 636;
    while (top + 4 < bottom && left + 4 < right) {
        for (int c = left; c <= right; ++c)
            mask[top][c] = 255.0;
        for (int r = top; r <= bottom; ++r)
            mask[r][right] = 255.0;
        for (int c = left; c <= right; ++c)
            mask[bottom][c] = 255.0;
        for (int r = top + 4; r <= bottom; ++r)
            mask[r][left] = 255.0;
        top += 4;
        right -= 4;
        bottom -= 4;
        left += 4;
        mask[top][left - 4] = 255.0;
    }
}

// The whole frame set, outer rows and columns included: only the interior counts.
void everything(TDoublePlane &mask, std::mt19937 &)
{
    for (auto &row : mask)
        row.fill(255.0);
}

// Only exactly 255 is part of a region.
void almost255(TDoublePlane &mask, std::mt19937 &random)
{
    const double others[] = {std::nextafter(255.0, 0.0), std::nextafter(255.0, 300.0), 254.0, -255.0,
                             std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
    for (auto &row : mask)
        for (double &v : row)
            v = random() % 3 == 0 ? others[random() % std::size(others)] : 255.0;
}

// Two-pixel blobs on every other row: thousands of regions.
void manyBlobs(TDoublePlane &mask, std::mt19937 &)
{
    for (int r = 1; r < 478; r += 2)
        for (int c = 1; c < 638; c += 3)
            mask[r][c] = mask[r][c + 1] = 255.0;
}

struct TFloodFill {
    std::unique_ptr<TDoublePlane> Labels = std::make_unique<TDoublePlane>();
    std::unique_ptr<TCellTable> Cells = std::make_unique<TCellTable>();
    int Count = 0;
};

TFloodFill floodFill(const TDoublePlane &mask, int maxRegions)
{
    TFloodFill result;
    std::vector<std::int32_t> stack;
    stack.reserve(kFramePixels);
    result.Count = LabelRegions(mask, *result.Labels, *result.Cells, maxRegions, stack);
    return result;
}

// A response with cells, flat ground, values exactly at the threshold, NaN and infinities.
std::unique_ptr<TDoublePlane> randomResponse(unsigned seed, double threshold)
{
    auto response = std::make_unique<TDoublePlane>();
    std::mt19937 random(seed);
    std::normal_distribution<double> around(threshold + 1.0, 2.0);
    for (auto &row : *response)
        for (double &v : row) {
            switch (random() % 50) {
            case 0: v = threshold; break;
            case 1: v = std::numeric_limits<double>::quiet_NaN(); break;
            case 2: v = -std::numeric_limits<double>::infinity(); break;
            default: v = around(random);
            }
        }
    return response;
}

// A plane full of what a reused storage might hold.
std::unique_ptr<TDoublePlane> garbagePlane()
{
    auto plane = std::make_unique<TDoublePlane>();
    for (auto &row : *plane)
        row.fill(std::numeric_limits<double>::quiet_NaN());
    (*plane)[0].fill(255.0);
    (*plane)[479].fill(7.0);
    return plane;
}

} // namespace

class TestMaskRows : public QObject {
    Q_OBJECT

private slots:
    void runLabellingEqualsFloodFill_data()
    {
        QTest::addColumn<quintptr>("painter");
        QTest::addColumn<int>("maxRegions");
        auto add = [](const char *name, TMaskPainter painter, int maxRegions) {
            QTest::newRow(name) << quintptr(painter) << maxRegions;
        };
        add("scattered 20%", [](TDoublePlane &m, std::mt19937 &r) { scattered(m, r, 20); }, 14999);
        add("scattered 55%", [](TDoublePlane &m, std::mt19937 &r) { scattered(m, r, 55); }, 14999);
        add("scattered 90%", [](TDoublePlane &m, std::mt19937 &r) { scattered(m, r, 90); }, 14999);
        add("discs", discs, 1300);
        add("combs", combs, 1300);
        add("spiral", spiral, 1300);
        add("everything", everything, 1300);
        add("almost 255", almost255, 14999);
        add("empty", [](TDoublePlane &, std::mt19937 &) {}, 1300);
        add("blobs beyond the limit", manyBlobs, 1300);
        add("blobs, no region allowed", manyBlobs, 0);
        add("blobs, limit beyond the table", manyBlobs, 20000);
        add("scattered beyond the limit", [](TDoublePlane &m, std::mt19937 &r) { scattered(m, r, 30); }, 1300);
    }
    void runLabellingEqualsFloodFill()
    {
        QFETCH(quintptr, painter);
        QFETCH(int, maxRegions);
        auto mask = std::make_unique<TDoublePlane>();
        std::mt19937 random(2024);
        reinterpret_cast<TMaskPainter>(painter)(*mask, random);
        const TFloodFill expected = floodFill(*mask, maxRegions);

        auto labeller = std::make_unique<TRunLabeller>();
        auto cells = std::make_unique<TCellTable>();
        auto labels = garbagePlane();
        // Twice: a labeller serves one frame after another.
        for (int round = 0; round < 2; ++round) {
            labeller->Start();
            for (int r = 0; r < 480; ++r) // the outer rows are not part of the interior
                labeller->AddRow(r, (*mask)[r].data());
            cells->fill(TCellRec{});
            QCOMPARE(labeller->Finish(*cells, maxRegions), expected.Count);
            QVERIFY(*cells == *expected.Cells);
            labeller->PaintLabels(*labels);
            QVERIFY(sameBits(*labels, *expected.Labels));
        }
    }

    void labellerStartsAfresh()
    {
        auto mask = std::make_unique<TDoublePlane>();
        std::mt19937 random(7);
        discs(*mask, random);
        TRunLabeller labeller;
        for (int r = 1; r < 479; ++r)
            labeller.AddRow(r, (*mask)[r].data());
        labeller.Start();
        auto cells = std::make_unique<TCellTable>();
        QCOMPARE(labeller.Finish(*cells, 1300), 0);
        QVERIFY(*cells == TCellTable{});
        auto labels = garbagePlane();
        labeller.PaintLabels(*labels);
        QVERIFY(sameBits(*labels, TDoublePlane{}));
    }

    void maskBuilderEqualsTheWholePasses_data()
    {
        QTest::addColumn<int>("bandRows");
        QTest::addColumn<int>("margin");
        QTest::addColumn<double>("threshold");
        QTest::newRow("bands of 4, margin 8") << 4 << 8 << -3.0;
        QTest::newRow("single rows") << 1 << 8 << -2.5;
        QTest::newRow("bands of 7") << 7 << 8 << -3.5;
        QTest::newRow("one band") << 478 << 8 << -3.0;
        QTest::newRow("nothing handed in") << 0 << 8 << -3.0;
        QTest::newRow("no margin") << 4 << 0 << -3.0;
        QTest::newRow("margin of half the frame") << 4 << 239 << -3.0;
        QTest::newRow("margin beyond the frame") << 4 << 500 << -3.0;
        QTest::newRow("negative margin") << 4 << -3 << -3.0;
    }
    void maskBuilderEqualsTheWholePasses()
    {
        QFETCH(int, bandRows);
        QFETCH(int, margin);
        QFETCH(double, threshold);
        const auto response = randomResponse(11, threshold);
        auto expected = garbagePlane();
        ThresholdMask(*response, *expected, threshold);
        ClearBorder(*expected, margin);
        RemoveSpeckles(*expected);

        auto mask = garbagePlane();
        TMaskBuilder builder(*mask, threshold, margin);
        int nextRow = 1;
        // Every row is handed out once, in order, and is final when it is.
        auto check = [&](TRowSpan rows) {
            QCOMPARE(rows.First, nextRow);
            QVERIFY(rows.End >= rows.First && rows.End <= 479);
            QVERIFY(sameRows(*mask, *expected, rows.First, rows.End));
            nextRow = rows.End;
        };
        for (int first = 1; bandRows > 0 && first < 479; first += bandRows) {
            check(builder.ResponseRows(*response, first, std::min(bandRows, 479 - first)));
            if (QTest::currentTestFailed())
                return;
        }
        check(builder.Finish(*response));
        QCOMPARE(nextRow, 479);
        QVERIFY(sameBits(*mask, *expected));
    }
};

QTEST_APPLESS_MAIN(TestMaskRows)
#include "tst_maskrows.moc"
