// The synthetic mosaic against analytic answers: a partition of the frame, the
// requested density, hexagon geometry of the borders, camera effects.
#include "SyntheticEndothelium.h"

#include <QTest>

#include <cmath>
#include <numeric>

using namespace cornix::sim;

namespace {

// A camera that adds nothing: sharp, even light, no noise.
CameraParams PlainCamera()
{
    CameraParams camera;
    camera.focusBlur = 0;
    camera.illuminationFalloff = 0;
    camera.noiseSigma = 0;
    return camera;
}

double Mean(const std::vector<std::uint8_t> &v)
{
    return std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
}

double StdDev(const std::vector<std::uint8_t> &v)
{
    const double mean = Mean(v);
    double sum = 0;
    for (std::uint8_t x : v)
        sum += (x - mean) * (x - mean);
    return std::sqrt(sum / double(v.size()));
}

} // namespace

class TestSyntheticEndothelium : public QObject {
    Q_OBJECT
private slots:
    void sameSeedSameFrame();
    void differentSeedDifferentFrame();
    void cellsPartitionTheFrame();
    void densityMatchesRequest_data();
    void densityMatchesRequest();
    void areaVariationGrowsWithJitter();
    void borderShareMatchesHexagonGeometry_data();
    void borderShareMatchesHexagonGeometry();
    void centresAreBrightBordersDark();
    void shiftTranslatesPixelsAndTruth();
    void brightnessAndContrast();
    void blurLowersContrast();
    void noiseHasRequestedSigma();
    void guttaeAreDark();
    void defaultCellsAreAboutElevenPixelsAcross();
    void limitedFieldDarkensOutside_data();
    void limitedFieldDarkensOutside();
};

void TestSyntheticEndothelium::sameSeedSameFrame()
{
    const EndotheliumFrame a = SyntheticEndothelium(42).render();
    const EndotheliumFrame b = SyntheticEndothelium(42).render();
    QCOMPARE(a.pixels, b.pixels);
    QCOMPARE(a.cells.size(), b.cells.size());
    for (std::size_t i = 0; i < a.cells.size(); ++i) {
        QCOMPARE(a.cells[i].row, b.cells[i].row);
        QCOMPARE(a.cells[i].areaPx, b.cells[i].areaPx);
    }
}

void TestSyntheticEndothelium::differentSeedDifferentFrame()
{
    QVERIFY(SyntheticEndothelium(1).render().pixels != SyntheticEndothelium(2).render().pixels);
    CameraParams other;
    other.noiseSeed = 7;
    const SyntheticEndothelium mosaic(1);
    QVERIFY(mosaic.render().pixels != mosaic.render(other).pixels);
}

void TestSyntheticEndothelium::cellsPartitionTheFrame()
{
    const std::vector<CellTruth> cells = SyntheticEndothelium(3).groundTruth();
    double total = 0;
    for (const CellTruth &c : cells) {
        total += c.areaPx;
        QVERIFY(c.row >= 0 && c.row <= kSimFrameHeight - 1);
        QVERIFY(c.col >= 0 && c.col <= kSimFrameWidth - 1);
        QVERIFY(c.areaPx < 800); // far below the size the matrix discards
    }
    QCOMPARE(total, double(kSimFrameWidth * kSimFrameHeight));
}

void TestSyntheticEndothelium::densityMatchesRequest_data()
{
    QTest::addColumn<double>("density");
    QTest::addColumn<double>("jitter");
    QTest::newRow("low 1000") << 1000.0 << 0.25;
    QTest::newRow("normal 2500") << 2500.0 << 0.25;
    QTest::newRow("high 3500") << 3500.0 << 0.25;
    QTest::newRow("regular 2500") << 2500.0 << 0.0;
    QTest::newRow("pleomorphic 2500") << 2500.0 << 0.5;
}

void TestSyntheticEndothelium::densityMatchesRequest()
{
    QFETCH(double, density);
    QFETCH(double, jitter);
    MosaicParams params;
    params.cellDensity = density;
    params.sizeVariation = jitter;
    const AreaSummary s = SummarizeInside(SyntheticEndothelium(11, params).groundTruth());
    QVERIFY(s.count > 100);
    QVERIFY2(std::abs(s.densityPerMm2 - density) / density < 0.03, qPrintable(QString::number(s.densityPerMm2)));
}

void TestSyntheticEndothelium::areaVariationGrowsWithJitter()
{
    double previous = -1;
    for (double jitter : {0.0, 0.15, 0.3, 0.45}) {
        MosaicParams params;
        params.sizeVariation = jitter;
        const double cv = SummarizeInside(SyntheticEndothelium(5, params).groundTruth()).cv;
        if (jitter == 0)
            QVERIFY2(cv < 0.04, qPrintable(QString::number(cv))); // pixel rounding only
        QVERIFY(cv > previous);
        previous = cv;
    }
    QVERIFY(previous > 0.2);
}

void TestSyntheticEndothelium::borderShareMatchesHexagonGeometry_data()
{
    QTest::addColumn<double>("width");
    QTest::newRow("1.5 px") << 1.5;
    QTest::newRow("2.0 px") << 2.0;
    QTest::newRow("2.5 px") << 2.5;
}

void TestSyntheticEndothelium::borderShareMatchesHexagonGeometry()
{
    // Regular hexagons of area A have perimeter P = 6 sqrt(2A / (3 sqrt 3)); a border of
    // width w covers about P w / 2 of every cell (each border is shared by two cells).
    QFETCH(double, width);
    MosaicParams params;
    params.sizeVariation = 0;
    params.cellLevelSpread = 0;
    params.borderWidth = width;
    const SyntheticEndothelium mosaic(9, params);
    const EndotheliumFrame frame = mosaic.render(PlainCamera());
    const double area = mosaic.meanCellAreaPx();
    const double expected = 6 * std::sqrt(2 * area / (3 * std::sqrt(3.0))) * width / 2 / area;
    const CameraParams camera = PlainCamera();
    const double mid = (camera.cellLevel + camera.borderLevel) / 2;
    const auto dark = std::count_if(frame.pixels.begin(), frame.pixels.end(), [&](std::uint8_t v) { return v < mid; });
    const double share = double(dark) / double(frame.pixels.size());
    QVERIFY2(std::abs(share - expected) / expected < 0.15,
             qPrintable(QStringLiteral("%1 vs %2").arg(share).arg(expected)));
}

void TestSyntheticEndothelium::centresAreBrightBordersDark()
{
    const EndotheliumFrame frame = SyntheticEndothelium(4).render();
    double centres = 0;
    int n = 0;
    for (const CellTruth &c : frame.cells) {
        if (!c.inside)
            continue;
        centres += frame.at(int(std::lround(c.row)), int(std::lround(c.col)));
        ++n;
    }
    QVERIFY(centres / n > Mean(frame.pixels) + 25);
}

void TestSyntheticEndothelium::shiftTranslatesPixelsAndTruth()
{
    const SyntheticEndothelium mosaic(8);
    CameraParams shifted = PlainCamera();
    shifted.shiftRow = 5;
    shifted.shiftCol = -7;
    const EndotheliumFrame a = mosaic.render(PlainCamera());
    const EndotheliumFrame b = mosaic.render(shifted);
    for (int r = 20; r < 460; r += 13)
        for (int c = 20; c < 620; c += 11)
            QCOMPARE(b.at(r + 5, c - 7), a.at(r, c));
    // A cell well inside both frames keeps its shape and moves by the shift.
    const CellTruth &cell = *std::min_element(a.cells.begin(), a.cells.end(), [](const CellTruth &x, const CellTruth &y) {
        return std::hypot(x.row - 240, x.col - 320) < std::hypot(y.row - 240, y.col - 320);
    });
    const auto moved = std::find_if(b.cells.begin(), b.cells.end(), [&](const CellTruth &x) {
        return std::abs(x.row - cell.row - 5) < 1e-9 && std::abs(x.col - cell.col + 7) < 1e-9;
    });
    QVERIFY(moved != b.cells.end());
    QCOMPARE(moved->areaPx, cell.areaPx);
}

void TestSyntheticEndothelium::brightnessAndContrast()
{
    const SyntheticEndothelium mosaic(6);
    const double mean = Mean(mosaic.render(PlainCamera()).pixels);
    CameraParams brighter = PlainCamera();
    brighter.brightness = 20;
    QCOMPARE(std::round(Mean(mosaic.render(brighter).pixels) - mean), 20.0);
    CameraParams flatter = PlainCamera();
    flatter.contrast = 0.5;
    const double expected = 128 + (mean - 128) * 0.5;
    QVERIFY(std::abs(Mean(mosaic.render(flatter).pixels) - expected) < 0.5);
    QVERIFY(StdDev(mosaic.render(flatter).pixels) < 0.55 * StdDev(mosaic.render(PlainCamera()).pixels));
}

void TestSyntheticEndothelium::blurLowersContrast()
{
    const SyntheticEndothelium mosaic(6);
    CameraParams sharp = PlainCamera(), blurred = PlainCamera();
    sharp.focusBlur = 0.5;
    blurred.focusBlur = 3;
    QVERIFY(StdDev(mosaic.render(blurred).pixels) < 0.5 * StdDev(mosaic.render(sharp).pixels));
}

void TestSyntheticEndothelium::noiseHasRequestedSigma()
{
    const SyntheticEndothelium mosaic(6);
    CameraParams noisy = PlainCamera();
    noisy.noiseSigma = 6;
    const EndotheliumFrame clean = mosaic.render(PlainCamera());
    const EndotheliumFrame dirty = mosaic.render(noisy);
    double sum = 0, sum2 = 0;
    for (std::size_t i = 0; i < clean.pixels.size(); ++i) {
        const double d = double(dirty.pixels[i]) - clean.pixels[i];
        sum += d;
        sum2 += d * d;
    }
    const double n = double(clean.pixels.size());
    QVERIFY(std::abs(sum / n) < 0.1);
    QVERIFY(std::abs(std::sqrt(sum2 / n) - 6) < 0.3);
}

void TestSyntheticEndothelium::guttaeAreDark()
{
    MosaicParams params;
    params.guttaCount = 6;
    params.guttaRadius = 8;
    const EndotheliumFrame frame = SyntheticEndothelium(12, params).render(PlainCamera());
    QCOMPARE(frame.guttae.size(), std::size_t(6));
    for (const Gutta &g : frame.guttae) {
        // Half way between the central reflex and the rim.
        const int r = int(std::lround(g.row + g.radius * 0.6));
        const int c = int(std::lround(g.col));
        if (r < 0 || r >= kSimFrameHeight)
            continue;
        QVERIFY(frame.at(r, c) < 80);
    }
    QVERIFY(std::any_of(frame.cells.begin(), frame.cells.end(), [](const CellTruth &c) { return c.gutta; }));
}

void TestSyntheticEndothelium::defaultCellsAreAboutElevenPixelsAcross()
{
    const SyntheticEndothelium mosaic(1);
    QVERIFY(std::abs(mosaic.meanCellAreaPx() - 115.6) < 0.5);
    QVERIFY(mosaic.latticeSpacingPx() > 11 && mosaic.latticeSpacingPx() < 12);
}

void TestSyntheticEndothelium::limitedFieldDarkensOutside_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<bool>("lit");
    QTest::newRow("frame corner") << 0 << 0 << false;
    QTest::newRow("just past the soft edge") << 240 << 485 + 10 << false;
    QTest::newRow("left of the field") << 240 << 100 << false;
    QTest::newRow("field centre") << 240 << 320 << true;
    QTest::newRow("field corner") << 115 << 155 << true;
}

void TestSyntheticEndothelium::limitedFieldDarkensOutside()
{
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(bool, lit);
    const SyntheticEndothelium tissue(21);
    CameraParams whole = PlainCamera(), field = PlainCamera();
    field.limitedField = true;
    const EndotheliumFrame full = tissue.render(whole);
    const EndotheliumFrame part = tissue.render(field);
    if (lit)
        QCOMPARE(part.at(row, col), full.at(row, col));
    else
        QCOMPARE(int(part.at(row, col)), int(field.outsideLevel));
    const auto inField = std::count_if(part.cells.begin(), part.cells.end(), [](const CellTruth &c) { return c.inField; });
    const double fieldArea = (485 - 155 + 1) * (365 - 115 + 1);
    QVERIFY(std::abs(inField - fieldArea / tissue.meanCellAreaPx()) < 0.05 * fieldArea / tissue.meanCellAreaPx());
}

QTEST_APPLESS_MAIN(TestSyntheticEndothelium)
#include "tst_syntheticendothelium.moc"
