// The optimised analysis passes against the passes as they were written before
// (ReferenceKernels.h), bit for bit, on inputs chosen to reach every path:
// random planes, planes with long runs of zeros and values far below 1 (where
// the x87 sums are inexact), subnormal, negative and signed-zero values, masks
// with and without other values than 0 and 255, cell tables with centres on
// the frame's edge, outside it, doubled, and tables of every size.
#include "AnalysisDispatch.h"
#include "CornixProcessing.h"
#include "EndoStatistics.h"
#include "ReferenceKernels.h"
#include "VoronoiDistMatrix.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

using namespace cornix;

Q_DECLARE_METATYPE(TRect)

namespace {

template <typename T>
bool sameBits(const T &a, const T &b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Where two planes first differ, for the failure message.
QString firstDifference(const TDoublePlane &a, const TDoublePlane &b)
{
    for (int r = 0; r < kFrameHeight; ++r)
        for (int c = 0; c < kFrameWidth; ++c)
            if (std::memcmp(&a[r][c], &b[r][c], sizeof(double)) != 0)
                return QStringLiteral("(%1, %2): %3 instead of %4")
                    .arg(r)
                    .arg(c)
                    .arg(a[r][c], 0, 'g', 17)
                    .arg(b[r][c], 0, 'g', 17);
    return QStringLiteral("none");
}

enum class TPlaneKind { Grey, Uniform, DarkRuns, Tiny, Special };

// A plane of the given kind: Grey - integer grey levels; Uniform - any value
// in [0, 256); DarkRuns - runs of exact zeros and decaying values as in the
// unlit part of a frame; Tiny - values from 1e-300 down to subnormals mixed
// with ordinary ones; Special - negative values, -0 and large values too.
std::unique_ptr<TDoublePlane> makePlane(TPlaneKind kind, unsigned seed)
{
    auto plane = std::make_unique<TDoublePlane>();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int r = 0; r < kFrameHeight; ++r)
        for (int c = 0; c < kFrameWidth; ++c) {
            double &v = (*plane)[r][c];
            switch (kind) {
            case TPlaneKind::Grey:
                v = double(random() % 256);
                break;
            case TPlaneKind::Uniform:
                v = unit(random) * 255.99;
                break;
            case TPlaneKind::DarkRuns:
                v = (c / 40 + r / 30) % 3 == 0 ? 0.0 : std::pow(0.12, double(c % 40)) * 200.0 * unit(random);
                break;
            case TPlaneKind::Tiny: {
                const unsigned pick = random() % 4;
                v = pick == 0 ? 0.0
                    : pick == 1 ? std::ldexp(unit(random), -1000 - int(random() % 80))
                    : pick == 2 ? unit(random) * 1e-300
                                : unit(random) * 255.0;
                break;
            }
            case TPlaneKind::Special: {
                const unsigned pick = random() % 6;
                v = pick == 0   ? -0.0
                    : pick == 1 ? -unit(random) * 100.0
                    : pick == 2 ? unit(random) * 1e6
                                : unit(random) * 255.0;
                break;
            }
            }
        }
    return plane;
}

void addPlaneRows()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<unsigned>("seed");
    const struct {
        const char *Name;
        TPlaneKind Kind;
    } kinds[] = {{"grey", TPlaneKind::Grey},
                 {"uniform", TPlaneKind::Uniform},
                 {"dark runs", TPlaneKind::DarkRuns},
                 {"tiny and subnormal", TPlaneKind::Tiny},
                 {"negative, -0 and large", TPlaneKind::Special}};
    for (const auto &k : kinds)
        for (unsigned seed : {1u, 2u})
            QTest::addRow("%s, seed %u", k.Name, seed) << int(k.Kind) << seed;
}

// A 0/255 mask with isolated pixels, pairs, blobs touching diagonally and
// 255s on the outer ring; density in percent.
std::unique_ptr<TDoublePlane> makeMask(int density, unsigned seed, bool otherValues)
{
    auto mask = std::make_unique<TDoublePlane>();
    std::mt19937 random(seed);
    for (auto &row : *mask)
        for (double &v : row)
            v = int(random() % 100) < density ? 255.0 : 0.0;
    if (otherValues)
        for (int i = 0; i < 2000; ++i)
            (*mask)[random() % kFrameHeight][random() % kFrameWidth] = (i % 2) ? -0.0 : 100.0;
    return mask;
}

// Cell tables for Build.
enum class TCellsKind { Lattice, Random, Edges, Duplicates, Outside };

std::unique_ptr<TCellTable> makeCells(TCellsKind kind, int count, unsigned seed)
{
    auto cells = std::make_unique<TCellTable>();
    std::mt19937 random(seed);
    int n = 0;
    auto add = [&](int row, int col) {
        if (n < std::min(count, kMaxCells))
            (*cells)[++n] = TCellRec{row, col, 100, int(random() % 2)};
    };
    switch (kind) {
    case TCellsKind::Lattice:
        for (int r = 8; r < 470; r += 11)
            for (int c = 8 + (r / 11 % 2) * 5; c < 632; c += 11)
                add(r + int(random() % 3) - 1, c + int(random() % 3) - 1);
        break;
    case TCellsKind::Random:
        while (n < count)
            add(int(random() % kFrameHeight), int(random() % kFrameWidth));
        break;
    case TCellsKind::Edges:
        for (int c = 0; c < kFrameWidth; c += 7) {
            add(0, c);
            add(kFrameHeight - 1, c);
            add(1, c + 3);
        }
        for (int r = 0; r < kFrameHeight; r += 9) {
            add(r, 0);
            add(r, kFrameWidth - 1);
            add(r + 2, 1);
        }
        while (n < count)
            add(int(random() % kFrameHeight), int(random() % kFrameWidth));
        break;
    case TCellsKind::Duplicates:
        while (n < count) {
            const int row = int(random() % kFrameHeight);
            const int col = int(random() % kFrameWidth);
            add(row, col);
            add(row, col);
        }
        break;
    case TCellsKind::Outside:
        while (n < count) {
            add(int(random() % (kFrameHeight + 200)) - 100, int(random() % (kFrameWidth + 200)) - 100);
        }
        break;
    }
    (*cells)[0].Row = (*cells)[0].Col = (*cells)[0].PixelCount = n;
    SortCellsByRow(*cells, n);
    return cells;
}

} // namespace

class TestKernelEquivalence : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qInfo("analysis instruction set: %s", AnalysisInstructionSet()); }

    void grayToPlaneAndStretch_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::newRow("centre") << TRect{180, 140, 460, 340};
        QTest::newRow("top-left corner, past the frame") << TRect{-30, -20, 40, 30};
        QTest::newRow("bottom-right edge") << TRect{600, 450, 639, 479};
        QTest::newRow("outside the frame") << TRect{700, 500, 800, 600};
        QTest::newRow("whole frame") << TRect{0, 0, 639, 479};
    }

    void grayToPlaneAndStretch()
    {
        QFETCH(TRect, roi);
        auto gray = std::make_unique<TGrayFrame>();
        std::mt19937 random(7);
        for (auto &row : *gray)
            for (auto &v : row)
                v = std::uint8_t(random() % 200 + 20);
        auto ours = std::make_unique<TDoublePlane>();
        auto theirs = std::make_unique<TDoublePlane>();
        GrayToPlane(*gray, *ours);
        reference::GrayToPlane(*gray, *theirs);
        QVERIFY(sameBits(*ours, *theirs));
        QCOMPARE(ContrastStretch(*ours, roi), reference::ContrastStretch(*theirs, roi));
        QVERIFY2(sameBits(*ours, *theirs), qPrintable(firstDifference(*ours, *theirs)));
    }

    void stretchOfAnyPlane_data() { addPlaneRows(); }
    void stretchOfAnyPlane()
    {
        QFETCH(int, kind);
        QFETCH(unsigned, seed);
        auto ours = makePlane(TPlaneKind(kind), seed);
        auto theirs = std::make_unique<TDoublePlane>(*ours);
        const TRect roi{100, 100, 300, 200};
        QCOMPARE(ContrastStretch(*ours, roi), reference::ContrastStretch(*theirs, roi));
        QVERIFY2(sameBits(*ours, *theirs), qPrintable(firstDifference(*ours, *theirs)));
    }

    void smoothAndLaplacian_data() { addPlaneRows(); }
    void smoothAndLaplacian()
    {
        QFETCH(int, kind);
        QFETCH(unsigned, seed);
        const auto source = makePlane(TPlaneKind(kind), seed);
        auto ours = std::make_unique<TDoublePlane>();
        auto theirs = std::make_unique<TDoublePlane>();
        Smooth(*source, *ours);
        reference::Smooth(*source, *theirs);
        QVERIFY2(sameBits(*ours, *theirs), qPrintable(QStringLiteral("Smooth ") + firstDifference(*ours, *theirs)));
        for (int pass = 0; pass < 3; ++pass) {
            SmoothInPlace(*ours);
            reference::SmoothInPlace(*theirs);
            QVERIFY2(sameBits(*ours, *theirs),
                     qPrintable(QStringLiteral("SmoothInPlace ") + firstDifference(*ours, *theirs)));
        }
        auto oursIn = std::make_unique<TDoublePlane>(*source); // in place on the raw plane too
        auto theirsIn = std::make_unique<TDoublePlane>(*source);
        SmoothInPlace(*oursIn);
        reference::SmoothInPlace(*theirsIn);
        QVERIFY2(sameBits(*oursIn, *theirsIn), qPrintable(firstDifference(*oursIn, *theirsIn)));
        for (const TDoublePlane *plane : {source.get(), ours.get()}) {
            auto a = std::make_unique<TDoublePlane>();
            auto b = std::make_unique<TDoublePlane>();
            Laplacian(*plane, *a);
            reference::Laplacian(*plane, *b);
            QVERIFY2(sameBits(*a, *b), qPrintable(QStringLiteral("Laplacian ") + firstDifference(*a, *b)));
        }
    }

    void thresholdAndSpeckles_data()
    {
        QTest::addColumn<int>("density");
        QTest::addColumn<bool>("otherValues");
        for (int density : {1, 10, 30, 50, 70, 95})
            for (bool other : {false, true})
                QTest::addRow("%d %%%s", density, other ? ", with other values" : "") << density << other;
    }

    void thresholdAndSpeckles()
    {
        QFETCH(int, density);
        QFETCH(bool, otherValues);
        auto ours = makeMask(density, unsigned(density), otherValues);
        auto theirs = std::make_unique<TDoublePlane>(*ours);
        RemoveSpeckles(*ours);
        reference::RemoveSpeckles(*theirs);
        QVERIFY2(sameBits(*ours, *theirs), qPrintable(firstDifference(*ours, *theirs)));

        const auto response = makePlane(TPlaneKind::Special, unsigned(density));
        for (double threshold : {-3.0, 0.0, 100.0, std::numeric_limits<double>::quiet_NaN()}) {
            ThresholdMask(*response, *ours, threshold);
            reference::ThresholdMask(*response, *theirs, threshold);
            ClearBorder(*ours, density % 10);
            reference::ClearBorder(*theirs, density % 10);
            QVERIFY2(sameBits(*ours, *theirs), qPrintable(firstDifference(*ours, *theirs)));
        }
    }

    void labelling_data()
    {
        QTest::addColumn<int>("density");
        QTest::addColumn<int>("maxRegions");
        for (int density : {2, 20, 45, 60, 90})
            for (int maxRegions : {1300, 50, 0})
                QTest::addRow("%d %%, at most %d regions", density, maxRegions) << density << maxRegions;
    }

    void labelling()
    {
        QFETCH(int, density);
        QFETCH(int, maxRegions);
        const auto mask = makeMask(density, unsigned(density) + 100, false);
        auto labelsOurs = std::make_unique<TDoublePlane>();
        auto labelsTheirs = std::make_unique<TDoublePlane>();
        auto cellsOurs = std::make_unique<TCellTable>();
        auto cellsTheirs = std::make_unique<TCellTable>();
        std::vector<std::int32_t> stack;
        stack.reserve(kFramePixels);
        const int ours = LabelRegions(*mask, *labelsOurs, *cellsOurs, maxRegions, stack);
        const int theirs = reference::LabelRegions(*mask, *labelsTheirs, *cellsTheirs, maxRegions, stack);
        QCOMPARE(ours, theirs);
        QVERIFY2(sameBits(*labelsOurs, *labelsTheirs), qPrintable(firstDifference(*labelsOurs, *labelsTheirs)));
        QVERIFY(sameBits(*cellsOurs, *cellsTheirs));
    }

    void build_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("count");
        const struct {
            const char *Name;
            TCellsKind Kind;
        } kinds[] = {{"lattice", TCellsKind::Lattice},
                     {"random", TCellsKind::Random},
                     {"frame edges", TCellsKind::Edges},
                     {"doubled centres", TCellsKind::Duplicates},
                     {"partly outside", TCellsKind::Outside}};
        for (const auto &k : kinds)
            for (int count : {0, 1, 2, 40, 800, 3000, 5000})
                QTest::addRow("%s, %d centres", k.Name, count) << int(k.Kind) << count;
    }

    void build()
    {
        QFETCH(int, kind);
        QFETCH(int, count);
        const auto cells = makeCells(TCellsKind(kind), count, unsigned(count) + 3);
        auto theirs = std::make_unique<reference::TMatrixResult>();
        reference::BuildMatrix(*cells, *theirs);
        TDistMatrix ours(*cells);
        ours.Build();
        ours.Build(); // a rebuild gives the same
        QVERIFY(sameBits(ours.LabelPlane(), theirs->Labels));
        QVERIFY(sameBits(ours.BoundaryPlane(), theirs->Boundary));
        QVERIFY(sameBits(ours.Regions(), theirs->Regions));
        const int vertices = ours.VertexCount();
        QCOMPARE(vertices, theirs->Vertices[0].Row);
        QVERIFY(std::memcmp(ours.Vertices().data(), theirs->Vertices.data(), sizeof(TVertexRec) * (vertices + 1)) ==
                0);
    }

    void pachymetry_data()
    {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<int>("bands");
        for (unsigned seed : {1u, 2u, 3u})
            for (int bands : {0, 1, 2})
                QTest::addRow("seed %u, %d band pairs", seed, bands) << seed << bands;
    }

    void pachymetry()
    {
        QFETCH(unsigned, seed);
        QFETCH(int, bands);
        auto columns = std::make_unique<TGrayColumns>();
        auto gray = std::make_unique<TGrayFrame>();
        std::mt19937 random(seed);
        for (int c = 0; c < kFrameWidth; ++c) {
            // Dark, middle, bright and very bright bands (mean sums near the
            // limits 395, 995, 1005 and 2205) with noise.
            const int band = (c / 37) % 4;
            const int level = bands == 0 ? 128 : band == 0 ? 39 : band == 1 ? 99 : band == 2 ? 101 : 221;
            for (int r = 0; r < kFrameHeight; ++r) {
                const int noise = int(random() % 9) - 4;
                const int v = std::clamp(level + noise + (bands == 2 ? int(random() % 60) : 0), 0, 255);
                (*columns)[c][r] = std::uint8_t(v);
                (*gray)[r][c] = std::uint8_t(v);
            }
        }
        const TPachymetry expected = reference::MeasurePachymetry(*columns);
        QCOMPARE(MeasurePachymetry(*columns), expected);
        QCOMPARE(MeasurePachymetry(*gray), expected);
    }
};

QTEST_APPLESS_MAIN(TestKernelEquivalence)
#include "tst_kernelequivalence.moc"
