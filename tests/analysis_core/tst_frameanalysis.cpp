// The analysis of one grey frame from region to figures (AnalyseGrayFrame) and the
// figures of a built matrix (FrameFigures).
#include "FrameAnalysis.h"

#include "MosaicFrame.h"
#include "VoronoiDistMatrix.h"

#include <QTest>

#include <memory>

using namespace cornix;

Q_DECLARE_METATYPE(TRect)
Q_DECLARE_METATYPE(TFrameAnalysis::TResult)

namespace {

constexpr TAnalysisScale kScale{0.00186, 1.5};
const TRect kMosaicRoi{150, 120, 490, 360};
const TRect kBlobRoi{150, 110, 490, 370};

// A dark frame with `count` bright 6 x 6 squares on a grid 26 pixels apart: each
// square is one region of the finder.
std::unique_ptr<TGrayFrame> BlobFrame(int count)
{
    auto frame = std::make_unique<TGrayFrame>();
    for (auto &row : *frame)
        row.fill(40);
    for (int i = 0; i < count; ++i) {
        const int row = 130 + 26 * (i / 10), col = 180 + 26 * (i % 10);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                (*frame)[row + y][col + x] = 220;
    }
    return frame;
}

} // namespace

class TestFrameAnalysis : public QObject {
    Q_OBJECT

private slots:
    void invalidRegionRunsNothing_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::newRow("no region") << TRect{};
        QTest::newRow("area 50") << TRect{200, 200, 205, 210};
        QTest::newRow("a line") << TRect{100, 200, 500, 200};
    }

    void invalidRegionRunsNothing()
    {
        QFETCH(TRect, roi);
        const TFrameAnalysis analysis = AnalyseGrayFrame(*mosaic::hexMosaic(), roi, kNormalSensitivity, kScale);
        QCOMPARE(analysis.Result, TFrameAnalysis::NoValidRegion);
        QCOMPARE(analysis.CellsFound, 0);
        QVERIFY(!analysis.Matrix);
        QVERIFY(analysis.Stats == TFrameStats{});
    }

    void minimumCells_data()
    {
        QTest::addColumn<int>("squares");
        QTest::addColumn<TFrameAnalysis::TResult>("result");
        QTest::newRow("no cells") << 0 << TFrameAnalysis::TooFewCells;
        QTest::newRow("30 cells: too few") << 30 << TFrameAnalysis::TooFewCells;
        QTest::newRow("31 cells: analysed") << 31 << TFrameAnalysis::Analysed;
    }

    void minimumCells()
    {
        QFETCH(int, squares);
        QFETCH(TFrameAnalysis::TResult, result);
        const TFrameAnalysis analysis = AnalyseGrayFrame(*BlobFrame(squares), kBlobRoi, kNormalSensitivity, kScale);
        QCOMPARE(analysis.CellsFound, squares);
        QCOMPARE(analysis.Result, result);
        QCOMPARE(bool(analysis.Matrix), result == TFrameAnalysis::Analysed);
    }

    // Enough cells in the frame, none counted inside the region (over the right edge
    // of the first square, its centre left of the region): too few, no matrix.
    void noCountedCellIsTooFew()
    {
        const TFrameAnalysis analysis =
            AnalyseGrayFrame(*BlobFrame(40), TRect{184, 128, 196, 140}, kNormalSensitivity, kScale);
        QCOMPARE(analysis.CellsFound, 40);
        QCOMPARE(analysis.Result, TFrameAnalysis::TooFewCells);
        QVERIFY(!analysis.Matrix);
        QCOMPARE(analysis.Stats.CellCount, std::uint16_t(0));
    }

    // The figures are those of the built matrix's regions inside the region, and
    // the matrix holds the finder's centres.
    void figuresAreThoseOfTheMatrix()
    {
        const TFrameAnalysis analysis = AnalyseGrayFrame(*mosaic::hexMosaic(), kMosaicRoi, kNormalSensitivity, kScale);
        QCOMPARE(analysis.Result, TFrameAnalysis::Analysed);
        QVERIFY(analysis.Matrix);
        QCOMPARE(analysis.Matrix->CellCount(), analysis.CellsFound);
        QVERIFY(analysis.Stats.CellCount > 100);
        TFrameStats expected;
        CalculateFrameStats(std::uint16_t(analysis.Matrix->CellCount()), kScale.PixelToMM, analysis.Matrix->Regions(),
                            kMosaicRoi, expected);
        QVERIFY(analysis.Stats == expected);
        TFrameStats again;
        QVERIFY(FrameFigures(*analysis.Matrix, kMosaicRoi, kScale.PixelToMM, again));
        QVERIFY(again == expected);
    }

    void regionIsNormalised()
    {
        const TRect flipped{kMosaicRoi.Right, kMosaicRoi.Bottom, kMosaicRoi.Left, kMosaicRoi.Top};
        const auto frame = mosaic::hexMosaic();
        const TFrameAnalysis straight = AnalyseGrayFrame(*frame, kMosaicRoi, kNormalSensitivity, kScale);
        const TFrameAnalysis turned = AnalyseGrayFrame(*frame, flipped, kNormalSensitivity, kScale);
        QCOMPARE(turned.Roi, kMosaicRoi);
        QCOMPARE(turned.Result, TFrameAnalysis::Analysed);
        QVERIFY(turned.Stats == straight.Stats);
    }

    // The same frame analysed twice gives the same figures: no state survives an analysis.
    void analysesAreIndependent()
    {
        const auto frame = mosaic::hexMosaic();
        const TFrameAnalysis first = AnalyseGrayFrame(*frame, kMosaicRoi, kHighSensitivity, kScale);
        AnalyseGrayFrame(*BlobFrame(40), kBlobRoi, kLowSensitivity, kScale);
        const TFrameAnalysis second = AnalyseGrayFrame(*frame, kMosaicRoi, kHighSensitivity, kScale);
        QVERIFY(second.Stats == first.Stats);
        QVERIFY(second.Matrix->Cells() == first.Matrix->Cells());
    }

    // A scale of 0 makes the density a division by zero: the matrix is kept, the
    // figures computed before the failure too, and nothing is thrown.
    void zeroScaleGivesNoFigures()
    {
        const TFrameAnalysis analysis =
            AnalyseGrayFrame(*mosaic::hexMosaic(), kMosaicRoi, kNormalSensitivity, TAnalysisScale{0.0, 1.5});
        QCOMPARE(analysis.Result, TFrameAnalysis::NoFigures);
        QVERIFY(analysis.Matrix);
        QVERIFY(analysis.Stats.CellCount > 100);
        QCOMPARE(analysis.Stats.Density, std::uint16_t(0));
        TFrameStats stats;
        QVERIFY(!FrameFigures(*analysis.Matrix, kMosaicRoi, 0.0, stats));
    }
};

QTEST_APPLESS_MAIN(TestFrameAnalysis)
#include "tst_frameanalysis.moc"
