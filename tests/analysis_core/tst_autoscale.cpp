// Automatic scale: the working frame's geometry and resampling, the mapping of
// centres and labels back to the frame, and the analysis in the frame's own
// units (one mosaic at two magnifications gives one density).
#include "AutoScale.h"
#include "Numbers.h"
#include "SyntheticEndothelium.h"
#include "VoronoiDistMatrix.h"

#include <QTest>

#include <cmath>
#include <memory>

Q_DECLARE_METATYPE(TRect)

using namespace cornix;

namespace {

std::unique_ptr<TGrayFrame> frameOf(std::uint8_t (*grey)(int row, int col))
{
    auto frame = std::make_unique<TGrayFrame>();
    for (int r = 0; r < kFrameHeight; ++r)
        for (int c = 0; c < kFrameWidth; ++c)
            (*frame)[r][c] = grey(r, c);
    return frame;
}

std::uint8_t columnRamp(int, int col) { return std::uint8_t(col * 200 / (kFrameWidth - 1) + 20); }
std::uint8_t checker(int row, int col) { return ((row / 2 + col / 2) % 2) ? 200 : 40; }
std::uint8_t grey100(int, int) { return 100; }

// A generated mosaic seen through the lit field, as the accuracy evaluation shows it.
std::unique_ptr<TGrayFrame> mosaicFrame(double mmPerPixel, std::uint32_t seed, double variation = 0.25)
{
    sim::MosaicParams mosaic;
    mosaic.cellDensity = 2000;
    mosaic.mmPerPixel = mmPerPixel;
    mosaic.sizeVariation = variation;
    const sim::SyntheticEndothelium tissue(seed, mosaic);
    sim::CameraParams camera;
    camera.limitedField = true;
    camera.noiseSeed = seed;
    const sim::EndotheliumFrame rendered = tissue.render(camera);
    auto frame = std::make_unique<TGrayFrame>();
    for (int r = 0; r < kFrameHeight; ++r)
        for (int c = 0; c < kFrameWidth; ++c)
            (*frame)[r][c] = rendered.at(r, c);
    return frame;
}

// Inside the generator's lit field by a cell and a half of the largest cells.
const TRect kFieldRoi{200, 160, 440, 320};

int area(const TRect &r) { return (r.Right - r.Left + 1) * (r.Bottom - r.Top + 1); }

} // namespace

class TestAutoScale : public QObject {
    Q_OBJECT

private slots:
    void factorTurnsTheSpacingIntoTheTarget_data()
    {
        QTest::addColumn<double>("spacing");
        QTest::addColumn<double>("factor");
        QTest::newRow("at the target") << kAutoScaleSpacing << 1.0;
        QTest::newRow("large cells shrink") << 2 * kAutoScaleSpacing << 0.5;
        QTest::newRow("small cells grow") << kAutoScaleSpacing / 2 << 2.0;
    }
    void factorTurnsTheSpacingIntoTheTarget()
    {
        QFETCH(double, spacing);
        QFETCH(double, factor);
        QCOMPARE(AutoScaleFactor(spacing), factor);
    }

    void workingGeometry_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::addColumn<double>("factor");
        QTest::addColumn<bool>("reduced");
        QTest::newRow("same size") << kFieldRoi << 1.0 << false;
        QTest::newRow("halved") << kFieldRoi << 0.5 << false;
        QTest::newRow("reversed region, halved") << TRect{450, 330, 190, 150} << 0.5 << false;
        QTest::newRow("enlarged 1.2") << TRect{250, 200, 400, 300} << 1.2 << false;
        QTest::newRow("enlarged 2: reduced to the cell budget") << kFieldRoi << 2.0 << true;
        QTest::newRow("whole frame at scale 1: reduced") << TRect{0, 0, 639, 479} << 1.0 << true;
        QTest::newRow("region past the frame's corner") << TRect{-40, -30, 200, 150} << 0.7 << false;
    }
    void workingGeometry()
    {
        QFETCH(TRect, roi);
        QFETCH(double, factor);
        QFETCH(bool, reduced);
        const auto frame = frameOf(columnRamp);
        const TScaledFrame s = ScaleForAnalysis(*frame, roi, factor);
        QCOMPARE(s.Factor, factor);
        QCOMPARE(s.Reduced, reduced);
        const int margin = int(std::ceil(kAutoScaleMarginCells * kAutoScaleSpacing));
        const TRect grown{s.Roi.Left - margin, s.Roi.Top - margin, s.Roi.Right + margin, s.Roi.Bottom + margin};
        QCOMPARE(s.Window, grown);
        // The window lies in the working frame clear of the finder's 9-pixel band.
        QVERIFY(s.Window.Left >= 9 && s.Window.Top >= 9);
        QVERIFY(s.Window.Right <= kFrameWidth - 10 && s.Window.Bottom <= kFrameHeight - 10);
        QVERIFY(area(s.Window) <= kAutoScaleMaxCells * std::sqrt(3.0) / 2 * kAutoScaleSpacing * kAutoScaleSpacing + 1);
        // The region analysed, in frame pixels, is the given one (clipped) or lies inside it.
        TRect given = NormalizedRect(roi);
        given = {std::max(0, given.Left), std::max(0, given.Top), std::min(639, given.Right),
                 std::min(479, given.Bottom)};
        const TRect &analysed = s.FrameRoi;
        if (reduced) {
            QVERIFY(analysed.Left > given.Left && analysed.Right < given.Right);
            QVERIFY(analysed.Top > given.Top && analysed.Bottom < given.Bottom);
        } else {
            QVERIFY(std::abs(analysed.Left - given.Left) <= 1 && std::abs(analysed.Right - given.Right) <= 1);
            QVERIFY(std::abs(analysed.Top - given.Top) <= 1 && std::abs(analysed.Bottom - given.Bottom) <= 1);
        }
        // Coordinates go there and back.
        for (double x : {0.0, 17.25, 320.0, 639.0}) {
            QVERIFY(std::abs(s.ToFrameCol(s.ToWorkingCol(x)) - x) < 1e-9);
            QVERIFY(std::abs(s.ToFrameRow(s.ToWorkingRow(x)) - x) < 1e-9);
        }
    }

    void unitFactorCopiesTheFrameInsideTheFade()
    {
        const auto frame = frameOf(checker);
        const TScaledFrame s = ScaleForAnalysis(*frame, kFieldRoi, 1.0);
        const int fade = int(kAutoScaleSpacing);
        for (int r = s.Window.Top + fade; r <= s.Window.Bottom - fade; r += 7)
            for (int c = s.Window.Left + fade; c <= s.Window.Right - fade; c += 5)
                QCOMPARE((*s.Gray)[r][c], (*frame)[r + s.OffsetRow][c + s.OffsetCol]);
    }

    void enlargingIsBilinear()
    {
        const auto frame = frameOf(columnRamp);
        const TScaledFrame s = ScaleForAnalysis(*frame, TRect{250, 200, 400, 300}, 1.5);
        const int r = (s.Roi.Top + s.Roi.Bottom) / 2;
        for (int c = s.Roi.Left; c <= s.Roi.Right; c += 3) {
            const double x = s.ToFrameCol(c);
            const double expected = (std::floor(x) * 200 / 639 + 20) * (1 - (x - std::floor(x)))
                                    + (std::floor(x + 1) * 200 / 639 + 20) * (x - std::floor(x));
            // The ramp's integer steps make it piecewise: within one grey level.
            QVERIFY2(std::abs((*s.Gray)[r][c] - expected) <= 1.0, qPrintable(QString::number(c)));
        }
    }

    void shrinkingAveragesAreas()
    {
        // A 2 x 2 checker shrunk by four averages each output pixel's 4 x 4 frame
        // pixels: half bright, half dark.
        const auto frame = frameOf(checker);
        const TScaledFrame s = ScaleForAnalysis(*frame, kFieldRoi, 0.25);
        const int r = (s.Roi.Top + s.Roi.Bottom) / 2, c = (s.Roi.Left + s.Roi.Right) / 2;
        QCOMPARE(int((*s.Gray)[r][c]), 120);
        QCOMPARE(int((*s.Gray)[r][c + 1]), 120);
    }

    void outsideTheWindowIsTheDarkLevel()
    {
        const auto frame = frameOf(columnRamp);
        const TScaledFrame s = ScaleForAnalysis(*frame, kFieldRoi, 1.0);
        // The 5th percentile of a window whose columns run evenly over grey
        // levels: about 5 % of the way along the window.
        const double column = s.Window.Left + s.OffsetCol + 0.05 * (s.Window.Right - s.Window.Left);
        const double expected = column * 200 / 639 + 20;
        QVERIFY(std::abs(s.Fill - expected) <= 2);
        QCOMPARE((*s.Gray)[0][0], s.Fill);
        QCOMPARE((*s.Gray)[479][639], s.Fill);
        QCOMPARE((*s.Gray)[s.Window.Top - 1][s.Window.Left + 20], s.Fill);
        // The window's edge has faded to it.
        QVERIFY(std::abs((*s.Gray)[s.Window.Top][s.Window.Left + 50] - s.Fill) <= 1);
    }

    void partOfTheWindowBeyondTheFrameIsTheDarkLevel()
    {
        const auto frame = frameOf(grey100);
        const TScaledFrame s = ScaleForAnalysis(*frame, TRect{0, 0, 200, 150}, 1.0);
        QCOMPARE(int(s.Fill), 100);
        for (int c = s.Window.Left; c <= s.Window.Right; c += 11)
            QCOMPARE(int((*s.Gray)[s.Window.Top][c]), 100);
    }

    void cellsGoBackToFramePixels()
    {
        const auto frame = frameOf(grey100);
        const TScaledFrame s = ScaleForAnalysis(*frame, kFieldRoi, 0.5);
        auto working = std::make_unique<TCellTable>();
        (*working)[0] = {2, 2, 2, 0};
        (*working)[1] = {s.Roi.Top + 10, s.Roi.Left + 20, 40, 0};
        (*working)[2] = {s.Roi.Top + 11, s.Roi.Left + 21, 42, 1};
        auto mapped = std::make_unique<TCellTable>();
        CellsToFrame(s, *working, *mapped);
        QCOMPARE((*mapped)[0], (*working)[0]);
        for (int k = 1; k <= 2; ++k) {
            QCOMPARE((*mapped)[k].Row, std::int32_t(RoundHalfEven(s.ToFrameRow((*working)[k].Row))));
            QCOMPARE((*mapped)[k].Col, std::int32_t(RoundHalfEven(s.ToFrameCol((*working)[k].Col))));
            QCOMPARE((*mapped)[k].PixelCount, (*working)[k].PixelCount);
            QCOMPARE((*mapped)[k].Spare, (*working)[k].Spare);
        }
        // Frame pixels are half the size: one working row is two frame rows
        // (rounded halves go to the even row).
        QCOMPARE((*mapped)[2].Row - (*mapped)[1].Row, 2);
    }

    void labelsAndBoundariesGoBackToFramePixels()
    {
        const auto frame = frameOf(grey100);
        const TScaledFrame s = ScaleForAnalysis(*frame, kFieldRoi, 0.5);
        // Working labels: 1 left of a column, 2 right of it, inside the window.
        auto working = std::make_unique<TIntPlane>();
        const int split = (s.Roi.Left + s.Roi.Right) / 2;
        for (int r = 0; r < kFrameHeight; ++r)
            for (int c = 0; c < kFrameWidth; ++c)
                (*working)[r][c] = c < split ? 1 : 2;
        auto labels = std::make_unique<TIntPlane>();
        LabelsToFrame(s, *working, *labels);
        const int row = (kFieldRoi.Top + kFieldRoi.Bottom) / 2;
        const int frameSplit = int(std::lround(s.ToFrameCol(split - 0.5) + 0.5));
        QCOMPARE((*labels)[row][frameSplit - 1], 1);
        QCOMPARE((*labels)[row][frameSplit], 2);
        QCOMPARE((*labels)[row][kFieldRoi.Left], 1);
        // Frame pixels whose working pixel lies outside the window have no cell.
        QCOMPARE((*labels)[0][0], 0);
        QCOMPARE((*labels)[479][639], 0);

        auto boundary = std::make_unique<TIntPlane>();
        BoundariesOf(*labels, *boundary);
        QCOMPARE((*boundary)[row][frameSplit - 1], kBoundaryPixel);
        QCOMPARE((*boundary)[row][frameSplit], 0);
        QCOMPARE((*boundary)[row][frameSplit - 2], 0);
    }

    void threeLabelsMakeAVertex()
    {
        auto labels = std::make_unique<TIntPlane>();
        for (auto &row : *labels)
            row.fill(1);
        for (int r = 0; r < kFrameHeight; ++r)
            for (int c = 100; c < kFrameWidth; ++c)
                (*labels)[r][c] = r < 200 ? 2 : 3;
        auto boundary = std::make_unique<TIntPlane>();
        BoundariesOf(*labels, *boundary);
        QCOMPARE((*boundary)[199][99], kVertexPixel); // 1 | 2 above, 1 | 3 below
        QCOMPARE((*boundary)[150][99], kBoundaryPixel);
        QCOMPARE((*boundary)[199][300], kBoundaryPixel);
        QCOMPARE((*boundary)[150][300], 0);
        QCOMPARE((*boundary)[479][99], 0); // the last row has no window below it
    }

    void flatFrameHasNoSpacing()
    {
        const auto frame = frameOf(grey100);
        const TAutoScaleResult result = AnalyseAutoScale(*frame, kFieldRoi, -3.0, TAnalysisScale{0.00186, 1.5});
        QCOMPARE(result.Status, TAutoScaleResult::NoSpacing);
        QVERIFY(!result.Spacing);
        QVERIFY(!result.Matrix);
    }

    void zeroScaleGivesNoFigures()
    {
        const TAutoScaleResult result =
            AnalyseAutoScale(*mosaicFrame(0.00186, 4), kFieldRoi, -3.0, TAnalysisScale{});
        QCOMPARE(result.Status, TAutoScaleResult::NoFigures);
        QVERIFY(result.Matrix != nullptr);
    }

    void invalidRegionIsNotAnalysed()
    {
        const auto frame = mosaicFrame(0.00186, 1);
        const TAutoScaleResult result =
            AnalyseAutoScale(*frame, TRect{200, 200, 205, 210}, -3.0, TAnalysisScale{0.00186, 1.5});
        QCOMPARE(result.Status, TAutoScaleResult::NoValidRegion);
        QVERIFY(!result.Spacing);
    }

    void fewCellsAreTooFew()
    {
        // A threshold below every cell's response: the finder finds none.
        const auto frame = mosaicFrame(0.0016, 2);
        const TAutoScaleResult result = AnalyseAutoScale(*frame, kFieldRoi, -80.0, TAnalysisScale{0.0016, 1.5});
        QCOMPARE(result.Status, TAutoScaleResult::TooFewCells);
        QVERIFY(result.Spacing.has_value());
        QVERIFY(result.CellsFound <= 30);
        QVERIFY(!result.Matrix);
    }

    // The same tissue seen at two magnifications (cells about 15 and 30 pixels
    // apart): the densities in cells/mm² agree within 2 % and lie within 3 %
    // of the mosaic's.
    void twoMagnificationsGiveOneDensity_data()
    {
        QTest::addColumn<std::uint32_t>("seed");
        QTest::addColumn<double>("variation");
        QTest::newRow("typical, seed 1") << 1u << 0.25;
        QTest::newRow("typical, seed 2") << 2u << 0.25;
        QTest::newRow("pleomorphic, seed 3") << 3u << 0.45;
    }
    void twoMagnificationsGiveOneDensity()
    {
        QFETCH(std::uint32_t, seed);
        QFETCH(double, variation);
        const double fine = 0.0008, coarse = 0.0016;
        const TAutoScaleResult low =
            AnalyseAutoScale(*mosaicFrame(coarse, seed, variation), kFieldRoi, -3.0, TAnalysisScale{coarse, 1.5});
        const TAutoScaleResult high =
            AnalyseAutoScale(*mosaicFrame(fine, seed, variation), kFieldRoi, -3.0, TAnalysisScale{fine, 1.5});
        QCOMPARE(low.Status, TAutoScaleResult::Analysed);
        QCOMPARE(high.Status, TAutoScaleResult::Analysed);
        QVERIFY(std::abs(high.Spacing->SpacingPx / low.Spacing->SpacingPx - 2.0) < 0.1);
        QVERIFY(std::abs(high.Scaled.Factor * 2 - low.Scaled.Factor) < 0.1 * low.Scaled.Factor);
        const double a = low.Stats.Density, b = high.Stats.Density;
        QVERIFY2(std::abs(a - b) <= 0.02 * std::max(a, b), qPrintable(QStringLiteral("%1 %2").arg(a).arg(b)));
        QVERIFY(std::abs(a - 2000) <= 60 && std::abs(b - 2000) <= 60);
        QCOMPARE(high.WorkingPixelToMM, fine / high.Scaled.Factor);
        // The figures are in the frame's units: the analysed area, in mm², is
        // about the counted cells over the density.
        QVERIFY(std::abs(high.Stats.AnalysedArea * high.Stats.Density - high.Stats.CellCount) <= 1.0);
    }
};

QTEST_APPLESS_MAIN(TestAutoScale)
#include "tst_autoscale.moc"
