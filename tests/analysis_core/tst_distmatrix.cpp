// Neighbourhood matrix on hand-built centre tables with analytic answers
// (rectangular lattices), and invariants on a found mosaic.
#include "MosaicFrame.h"
#include "SyntheticEndothelium.h"
#include "UBCellFinder.h"
#include "VoronoiDistMatrix.h"

#include <QTest>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

namespace {

struct Point {
    int Row;
    int Col;
};

// Table with the centres in the given order (the matrix does not sort on creation).
std::unique_ptr<TCellTable> tableOf(const std::vector<Point> &points)
{
    auto cells = std::make_unique<TCellTable>();
    const int n = int(points.size());
    (*cells)[0] = {n, n, n, 0};
    for (int k = 1; k <= n; ++k)
        (*cells)[k] = {points[k - 1].Row, points[k - 1].Col, 10, 0};
    return cells;
}

// Row-major lattice: centres at (first + i * rowStep, first + j * colStep).
std::vector<Point> lattice(int rowStep, int colStep, int first = 6)
{
    std::vector<Point> points;
    for (int r = first; r < 480; r += rowStep)
        for (int c = first; c < 640; c += colStep)
            points.push_back({r, c});
    return points;
}

int indexOf(const TCellTable &cells, int row, int col)
{
    for (int k = 1; k <= cells[0].Row; ++k)
        if (cells[k].Row == row && cells[k].Col == col)
            return k;
    return 0;
}

bool isInterior(const Point &p, int margin)
{
    return p.Row >= margin && p.Row <= 479 - margin && p.Col >= margin && p.Col <= 639 - margin;
}

} // namespace

class TestDistMatrix : public QObject {
    Q_OBJECT

private:
    // Invariants of every build.
    static void checkInvariants(const TDistMatrix &m)
    {
        const int n = m.CellCount();
        const TRegionTable &regions = m.Regions();
        QCOMPARE(regions[0].Area, n);
        QCOMPARE(regions[0].Sides, n);
        std::vector<int> counted(n + 1, 0);
        for (int r = 0; r < 480; ++r)
            for (int c = 0; c < 640; ++c) {
                const int k = m.LabelAt(r, c);
                QVERIFY(k >= 0 && k <= n);
                if (k > 0) {
                    QVERIFY(r >= 3 && r <= 476 && c >= 3 && c <= 636); // the ring never survives
                    ++counted[k];
                }
            }
        for (int k = 1; k <= n; ++k) {
            QCOMPARE(regions[k].Area, counted[k]);
            QVERIFY(regions[k].Area <= TDistMatrix::kMaxRegionArea);
            if (regions[k].Area > 0) {
                QCOMPARE(m.LabelAt(m.Cells()[k].Row, m.Cells()[k].Col), k); // its centre lies in it
                QCOMPARE(regions[k].Row, m.Cells()[k].Row);
                QCOMPARE(regions[k].Col, m.Cells()[k].Col);
            } else {
                QCOMPARE(regions[k].Row, 0);
                QCOMPARE(regions[k].Col, 0);
            }
        }
        // Boundary plane: 255 exactly at the vertex entries, 55 where the 2x2 window holds two labels.
        const int v = m.VertexCount();
        std::set<std::pair<int, int>> vertices;
        std::vector<int> sides(n + 1, 0);
        for (int i = 1; i <= v; ++i) {
            const TVertexRec &vertex = m.Vertices()[i];
            vertices.insert({vertex.Row, vertex.Col});
            QVERIFY(vertex.LabelA != vertex.LabelB && vertex.LabelA != vertex.LabelC && vertex.LabelB != vertex.LabelC);
            // The first triple that holds three labels, in the order TL-TR-BL, TL-TR-BR, TL-BL-BR.
            const int tl = m.LabelAt(vertex.Row, vertex.Col), tr = m.LabelAt(vertex.Row, vertex.Col + 1);
            const int bl = m.LabelAt(vertex.Row + 1, vertex.Col), br = m.LabelAt(vertex.Row + 1, vertex.Col + 1);
            const bool first = tl != tr && tl != bl && tr != bl;
            const bool second = !first && tl != tr && tl != br && tr != br;
            QCOMPARE(vertex.LabelA, tl);
            QCOMPARE(vertex.LabelB, first || second ? tr : bl);
            QCOMPARE(vertex.LabelC, first ? bl : br);
            for (int k : {vertex.LabelA, vertex.LabelB, vertex.LabelC})
                if (k > 0)
                    ++sides[k];
        }
        for (int k = 1; k <= n; ++k)
            QCOMPARE(int(m.SidesOf(k)), sides[k]);
        for (int r = 0; r < 480; ++r)
            for (int c = 0; c < 640; ++c) {
                const int b = m.BoundaryPlane()[r][c];
                const std::set<int> window{m.LabelAt(r, c), m.LabelAt(r, c + 1), m.LabelAt(r + 1, c),
                                           m.LabelAt(r + 1, c + 1)};
                if (b == kVertexPixel) {
                    QVERIFY(vertices.count({r, c}) == 1);
                    QVERIFY(window.size() >= 3);
                } else if (b == kBoundaryPixel) {
                    QCOMPARE(int(window.size()), 2);
                } else {
                    QCOMPARE(b, 0);
                    if (r >= 2 && r <= 477 && c >= 2 && c <= 637) {
                        QCOMPARE(m.LabelAt(r, c + 1), m.LabelAt(r, c));
                        QCOMPARE(m.LabelAt(r + 1, c), m.LabelAt(r, c));
                        QCOMPARE(m.LabelAt(r + 1, c + 1), m.LabelAt(r, c));
                    }
                }
            }
    }

private slots:
    void latticeRegionsHaveTheLatticeArea_data()
    {
        QTest::addColumn<int>("rowStep");
        QTest::addColumn<int>("colStep");
        QTest::addColumn<bool>("kept");
        QTest::newRow("12x12 (ties on both bisectors)") << 12 << 12 << true;
        QTest::newRow("11x13 (no ties)") << 11 << 13 << true;
        QTest::newRow("28x28 = 784") << 28 << 28 << true;
        QTest::newRow("20x40 = 800, the largest kept") << 20 << 40 << true;
        QTest::newRow("27x30 = 810, erased") << 27 << 30 << false;
    }
    void latticeRegionsHaveTheLatticeArea()
    {
        QFETCH(int, rowStep);
        QFETCH(int, colStep);
        QFETCH(bool, kept);
        const auto points = lattice(rowStep, colStep, 40);
        TDistMatrix m(*tableOf(points));
        m.Build();
        checkInvariants(m);
        int interior = 0;
        for (int k = 1; k <= int(points.size()); ++k) {
            // Centres whose cell stays clear of the erasing ring by a full cell.
            if (!isInterior(points[k - 1], 40 + std::max(rowStep, colStep)))
                continue;
            ++interior;
            QCOMPARE(m.Regions()[k].Area, kept ? rowStep * colStep : 0);
        }
        QVERIFY(interior > 10);
    }

    void tiesGoToTheFirstArrivalInFrontierOrder_data()
    {
        QTest::addColumn<bool>("reversed");
        QTest::newRow("row-major labels: upper and left win") << false;
        QTest::newRow("reversed labels: lower and right win") << true;
    }
    void tiesGoToTheFirstArrivalInFrontierOrder()
    {
        QFETCH(bool, reversed);
        auto points = lattice(12, 12);
        if (reversed)
            std::reverse(points.begin(), points.end());
        auto cells = tableOf(points);
        TDistMatrix m(*cells);
        m.Build();
        checkInvariants(m);
        // (198, 306): centre (198, 306); row 204 and column 312 are equidistant to the next centres.
        const int centre = indexOf(*cells, 198, 306);
        const int below = indexOf(*cells, 210, 306);
        const int right = indexOf(*cells, 198, 318);
        const int diagonal = indexOf(*cells, 210, 318);
        QCOMPARE(m.LabelAt(204, 306), reversed ? below : centre);
        QCOMPARE(m.LabelAt(198, 312), reversed ? right : centre);
        QCOMPARE(m.LabelAt(204, 312), reversed ? diagonal : centre);
    }

    void earlierWaveBeatsLowerLabelOnATie()
    {
        // In a hole of the lattice, B (row 208, lower index) and A (row 210) are
        // both at squared distance 25 from P = (205, 300); A reaches P after 5
        // waves, B after 7, so P keeps A's label.
        auto points = lattice(12, 12);
        std::erase_if(points, [](const Point &p) {
            return (p.Row == 198 || p.Row == 210) && (p.Col == 294 || p.Col == 306);
        });
        points.push_back({208, 296});
        points.push_back({210, 300});
        std::stable_sort(points.begin(), points.end(), [](const Point &a, const Point &b) { return a.Row < b.Row; });
        auto cells = tableOf(points);
        TDistMatrix m(*cells);
        m.Build();
        checkInvariants(m);
        const int a = indexOf(*cells, 210, 300);
        const int b = indexOf(*cells, 208, 296);
        QVERIFY(b < a);
        QVERIFY(m.Regions()[a].Area > 0 && m.Regions()[b].Area > 0);
        QCOMPARE(m.LabelAt(205, 300), a);
    }

    void squareLatticeHasThreeSidesPerCell()
    {
        // Each four-way junction gives one vertex naming top-left, top-right and
        // bottom-left: a cell is named at three of its four corners.
        const auto points = lattice(12, 12);
        TDistMatrix m(*tableOf(points));
        m.Build();
        checkInvariants(m);
        for (int k = 1; k <= int(points.size()); ++k)
            if (isInterior(points[k - 1], 6 + 2 * 12))
                QCOMPARE(int(m.SidesOf(k)), 3);
    }

    void openAndOversizedRegionsAreErased()
    {
        auto points = lattice(12, 12);
        // A lone centre in a hole of 5x5 lattice cells: about 36 x 36 pixels.
        std::erase_if(points, [](const Point &p) {
            return p.Row >= 174 && p.Row <= 222 && p.Col >= 282 && p.Col <= 330 && !(p.Row == 198 && p.Col == 306);
        });
        auto cells = tableOf(points);
        TDistMatrix m(*cells);
        m.Build();
        checkInvariants(m);
        QCOMPARE(m.Regions()[indexOf(*cells, 198, 306)].Area, 0);
        QCOMPARE(m.LabelAt(198, 306), 0);
        QCOMPARE(m.Regions()[indexOf(*cells, 138, 306)].Area, 144); // cells away from the hole stay
        QCOMPARE(m.Regions()[indexOf(*cells, 6, 306)].Area, 0);     // reaches row 2
        QCOMPARE(m.Regions()[indexOf(*cells, 18, 306)].Area, 144);
        QCOMPARE(m.Regions()[indexOf(*cells, 306, 630)].Area, 0);   // reaches column 637
        QCOMPARE(m.Regions()[m.CellCount()].Area, 0);               // the last centre always reaches the bottom
    }

    void centresOutsideTheFrameAreNotSeeded()
    {
        auto points = lattice(12, 12);
        points.push_back({1000, 1000});
        points.push_back({-5, 20});
        TDistMatrix m(*tableOf(points));
        m.Build();
        checkInvariants(m);
        QCOMPARE(m.Regions()[int(points.size())].Area, 0);
    }

    void foundMosaicKeepsInvariants()
    {
        auto frame = mosaic::hexMosaic();
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, TRect{150, 100, 450, 350});
        QVERIFY(finder.CellCount() > 500);
        TDistMatrix m(finder.Cells());
        m.Build();
        checkInvariants(m);
        int kept = 0;
        long area = 0;
        for (int k = 1; k <= m.CellCount(); ++k)
            if (m.Regions()[k].Area > 0)
                ++kept, area += m.Regions()[k].Area;
        // Cells of the mosaic cover spacing^2 * sqrt(3)/2 = 104.8 pixels.
        QVERIFY(kept > finder.CellCount() * 8 / 10);
        const double meanArea = double(area) / kept;
        QVERIFY2(meanArea > 95 && meanArea < 115, qPrintable(QString::number(meanArea)));
    }

    void syntheticEndothelium_data()
    {
        QTest::addColumn<double>("density");
        QTest::addColumn<double>("blur");
        QTest::addColumn<double>("falloff");
        QTest::addColumn<bool>("found");
        QTest::newRow("1000/mm2 sharp") << 1000.0 << 0.5 << 0.35 << true;
        QTest::newRow("1000/mm2 blurred") << 1000.0 << 1.5 << 0.35 << true;
        QTest::newRow("1000/mm2 even light") << 1000.0 << 0.8 << 0.0 << true;
        // A whole frame of normal endothelium holds more than 1300 cells: discarded.
        QTest::newRow("2500/mm2 whole frame") << 2500.0 << 0.8 << 0.35 << false;
    }
    void syntheticEndothelium()
    {
        QFETCH(double, density);
        QFETCH(double, blur);
        QFETCH(double, falloff);
        QFETCH(bool, found);
        cornix::sim::MosaicParams tissue;
        tissue.cellDensity = density;
        const cornix::sim::SyntheticEndothelium generator(11, tissue);
        cornix::sim::CameraParams camera;
        camera.focusBlur = blur;
        camera.illuminationFalloff = falloff;
        const auto rendered = generator.render(camera);
        auto gray = std::make_unique<TGrayFrame>();
        std::memcpy(gray->data(), rendered.pixels.data(), sizeof(TGrayFrame));
        TCMFinder finder(*gray);
        finder.Find(5, -3.0, TRect{200, 150, 440, 330});
        QCOMPARE(finder.CellCount() > 0, found);
        TDistMatrix m(finder.Cells());
        m.Build();
        checkInvariants(m);
        if (!found)
            return;
        int kept = 0;
        long area = 0;
        for (int k = 1; k <= m.CellCount(); ++k)
            if (m.Regions()[k].Area > 0)
                ++kept, area += m.Regions()[k].Area;
        const double meanArea = double(area) / kept;
        const double trueArea = generator.meanCellAreaPx();
        QVERIFY2(std::abs(meanArea - trueArea) < 0.1 * trueArea,
                 qPrintable(QStringLiteral("%1 px vs %2 px").arg(meanArea).arg(trueArea)));
    }

    void addCell_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("added");
        QTest::newRow("at an existing centre") << 198 << 306 << 0;
        QTest::newRow("new position") << 200 << 300 << 1;
        QTest::newRow("in the erased margin") << 3 << 3 << 1;
        QTest::newRow("outside the frame") << 480 << 10 << 0;
        QTest::newRow("negative") << -1 << 10 << 0;
    }
    void addCell()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(int, added);
        TDistMatrix m(*tableOf(lattice(12, 12)));
        m.Build();
        const int before = m.CellCount();
        m.AddCell(row, col);
        QCOMPARE(m.CellCount(), before + added);
        for (int k = 2; k <= m.CellCount(); ++k)
            QVERIFY(m.Cells()[k - 1].Row <= m.Cells()[k].Row);
        if (added) {
            const int k = indexOf(m.Cells(), row, col);
            QVERIFY(k > 0);
            QCOMPARE(m.Cells()[k].Spare, 1);
        }
        m.Build();
        checkInvariants(m);
    }

    void addCellStopsAtTheTableLimit()
    {
        std::vector<Point> points;
        for (int i = 0; points.size() < 15000; ++i)
            points.push_back({i / 600, i % 600});
        TDistMatrix m(*tableOf(points));
        m.AddCell(400, 620);
        QCOMPARE(m.CellCount(), 15000);
    }

    void handPlacedCentreCarriesNoPixelCount()
    {
        // The slot after a removal still holds the removed cell's pixel count;
        // a centre placed there by hand must not inherit it.
        TDistMatrix m(*tableOf(lattice(12, 12)));
        m.Build();
        m.RemoveCell(198, 306);
        m.Build();
        m.AddCell(200, 300);
        const int k = indexOf(m.Cells(), 200, 300);
        QVERIFY(k > 0);
        QCOMPARE(m.Cells()[k].Spare, 1);
        QCOMPARE(m.Cells()[k].PixelCount, 0);
    }

    void regionJoinedOnlyAtACornerIsErasedWhole()
    {
        // Random centres, found by search: the region of (352, 53) reaches the
        // left ring, and one of its pixels, (460, 38), touches the rest of the
        // region only diagonally after nearer centres took its edge neighbours.
        // Erasing follows 8-connected pixels, so that pixel goes too.
        const std::vector<Point> points{{9, 636},   {56, 289},  {107, 502}, {127, 68},  {172, 286},
                                        {173, 333}, {191, 350}, {192, 87},  {220, 597}, {252, 607},
                                        {305, 435}, {305, 372}, {310, 423}, {351, 41},  {352, 53},
                                        {403, 474}, {423, 141}, {436, 318}, {463, 604}};
        auto cells = tableOf(points);
        TDistMatrix m(*cells);
        m.Build();
        checkInvariants(m);
        const int k = indexOf(*cells, 352, 53);
        QCOMPARE(m.Regions()[k].Area, 0);
        QCOMPARE(m.LabelAt(460, 38), 0);
    }

    void removeCellByClickInItsRegion()
    {
        auto points = lattice(12, 12);
        // Move an inner centre to the last index so that the click removes entry N.
        const auto inner = std::find_if(points.begin(), points.end(),
                                        [](const Point &p) { return p.Row == 198 && p.Col == 306; });
        std::rotate(inner, inner + 1, points.end());
        TDistMatrix m(*tableOf(points));
        m.Build();
        const int n = m.CellCount();
        QCOMPARE(m.LabelAt(200, 309), n);
        QVERIFY(m.Regions()[n].Area > 0);
        m.RemoveCell(200, 309);
        QCOMPARE(m.CellCount(), n - 1);
        QCOMPARE(indexOf(m.Cells(), 198, 306), 0);
        for (int k = 2; k <= m.CellCount(); ++k)
            QVERIFY(m.Cells()[k - 1].Row <= m.Cells()[k].Row);
        m.Build();
        checkInvariants(m);
        QVERIFY(m.LabelAt(198, 306) != 0); // taken over by the neighbours
    }

    void removeCellIgnoresEmptyPixels_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::newRow("erased margin") << 1 << 1;
        QTest::newRow("open region") << 6 << 306;
        QTest::newRow("outside the frame") << 500 << 700;
        QTest::newRow("negative") << -3 << 5;
    }
    void removeCellIgnoresEmptyPixels()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        TDistMatrix m(*tableOf(lattice(12, 12)));
        m.Build();
        TCellTable before;
        m.CopyCells(before);
        m.RemoveCell(row, col);
        QVERIFY(m.Cells() == before);
    }

    void restoreUndoesEveryEdit()
    {
        auto frame = mosaic::hexMosaic();
        TCMFinder finder(*frame);
        finder.Find(5, -3.0, TRect{150, 100, 450, 350});
        TDistMatrix m(finder.Cells());
        m.Build();
        TRegionTable regions = m.Regions();
        const TIntPlane boundary = m.BoundaryPlane();
        m.AddCell(240, 320);
        m.Build();
        m.RemoveCell(200, 300);
        m.Build();
        m.RemoveCell(250, 250);
        m.Build();
        QVERIFY(!(m.Cells() == finder.Cells()));
        m.RestoreCells();
        QVERIFY(m.Cells() == finder.Cells());
        QVERIFY(m.SavedCells() == finder.Cells());
        QVERIFY(std::equal(regions.begin(), regions.end(), m.Regions().begin(), [](const TRegionRec &a, const TRegionRec &b) {
            return a.Area == b.Area && a.Sides == b.Sides && a.Row == b.Row && a.Col == b.Col;
        }));
        QVERIFY(m.BoundaryPlane() == boundary);
    }

    void rebuildIsRepeatable()
    {
        TDistMatrix m(*tableOf(lattice(11, 13)));
        m.Build();
        const TIntPlane labels = m.LabelPlane();
        const int vertices = m.VertexCount();
        m.Build();
        QVERIFY(m.LabelPlane() == labels);
        QCOMPARE(m.VertexCount(), vertices);
    }

    void emptyTableBuildsEmptyMatrix()
    {
        TDistMatrix m(*tableOf({}));
        m.Build();
        checkInvariants(m);
        QCOMPARE(m.VertexCount(), 0);
        QCOMPARE(m.LabelAt(240, 320), 0);
    }
};

QTEST_APPLESS_MAIN(TestDistMatrix)
#include "tst_distmatrix.moc"
