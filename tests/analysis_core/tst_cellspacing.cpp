// Cell-spacing estimate on analytic patterns: hexagonal lattices of known
// spacing, frames without a ring (flat, white noise, a gradient), regions too
// small or out of the band, and generated mosaics of known spacing.
#include "CellSpacing.h"
#include "SyntheticEndothelium.h"

#include <QTest>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>

Q_DECLARE_METATYPE(TRect)

using namespace cornix;

namespace {

constexpr double kPi = std::numbers::pi;
const TRect kWholeFrame{0, 0, kFrameWidth - 1, kFrameHeight - 1};

std::unique_ptr<TGrayFrame> flatFrame(std::uint8_t grey)
{
    auto frame = std::make_unique<TGrayFrame>();
    for (auto &row : *frame)
        row.fill(grey);
    return frame;
}

std::uint8_t toGrey(double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// Hexagonal lattice of the given spacing, rotated by angle (radians): the sum
// of the three plane waves of its first ring, bright at the lattice points.
// gradient adds an illumination ramp of that many grey levels across the frame.
std::unique_ptr<TGrayFrame> waveLattice(double spacing, double angle, double gradient = 0)
{
    auto frame = std::make_unique<TGrayFrame>();
    const double k = 2 * kPi * 2 / (std::sqrt(3.0) * spacing);
    for (int r = 0; r < kFrameHeight; ++r)
        for (int c = 0; c < kFrameWidth; ++c) {
            double sum = 0;
            for (int i = 0; i < 3; ++i) {
                const double a = angle + i * kPi / 3;
                sum += std::cos(k * (c * std::cos(a) + r * std::sin(a)));
            }
            (*frame)[r][c] = toGrey(100 + 30 * sum + gradient * c / (kFrameWidth - 1));
        }
    return frame;
}

// Bright round cells (radius 0.4 spacing, soft edge) on a dark background at the
// points of a hexagonal lattice.
std::unique_ptr<TGrayFrame> dotLattice(double spacing, double angle)
{
    auto frame = std::make_unique<TGrayFrame>();
    const double ax = spacing * std::cos(angle), ay = spacing * std::sin(angle);
    const double bx = spacing * std::cos(angle + kPi / 3), by = spacing * std::sin(angle + kPi / 3);
    const double det = ax * by - ay * bx;
    for (int r = 0; r < kFrameHeight; ++r)
        for (int c = 0; c < kFrameWidth; ++c) {
            // Lattice coordinates of the pixel, then the distance to the nearest point.
            const double u = (c * by - r * bx) / det, v = (r * ax - c * ay) / det;
            double nearest = 1e9;
            for (int du = 0; du <= 1; ++du)
                for (int dv = 0; dv <= 1; ++dv) {
                    const double pu = std::floor(u) + du, pv = std::floor(v) + dv;
                    nearest = std::min(nearest, std::hypot(c - (pu * ax + pv * bx), r - (pu * ay + pv * by)));
                }
            const double inside = std::clamp(0.4 * spacing - nearest + 0.5, 0.0, 1.0);
            (*frame)[r][c] = toGrey(40 + 140 * inside);
        }
    return frame;
}

std::unique_ptr<TGrayFrame> whiteNoise(std::uint32_t seed, double sigma)
{
    auto frame = std::make_unique<TGrayFrame>();
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(128, sigma);
    for (auto &row : *frame)
        for (auto &v : row)
            v = toGrey(noise(random));
    return frame;
}

} // namespace

class TestCellSpacing : public QObject {
    Q_OBJECT

private slots:
    void hexagonalLatticeGivesItsSpacing_data()
    {
        QTest::addColumn<double>("spacing");
        QTest::addColumn<double>("angle");
        QTest::addColumn<bool>("dots");
        QTest::addColumn<TRect>("roi");
        const TRect middle{180, 140, 460, 340}; // wider than 256: sampled every other pixel
        const TRect square{220, 140, 420, 340}; // every pixel
        QTest::newRow("waves 6 px, band's lower end") << 6.0 << 0.1 << false << square;
        QTest::newRow("waves 7 px") << 7.0 << 0.0 << false << middle;
        QTest::newRow("waves 10 px, rotated") << 10.0 << 0.4 << false << middle;
        QTest::newRow("waves 13 px") << 13.0 << 0.2 << false << square;
        QTest::newRow("waves 20 px") << 20.0 << 0.7 << false << middle;
        QTest::newRow("waves 30 px, whole frame") << 30.0 << 0.3 << false << kWholeFrame;
        QTest::newRow("waves 44 px, band's upper end") << 44.0 << 0.9 << false << kWholeFrame;
        QTest::newRow("dots 8 px") << 8.0 << 0.25 << true << square;
        QTest::newRow("dots 13 px") << 13.0 << 0.0 << true << middle;
        QTest::newRow("dots 25 px") << 25.0 << 0.5 << true << kWholeFrame;
    }
    void hexagonalLatticeGivesItsSpacing()
    {
        QFETCH(double, spacing);
        QFETCH(double, angle);
        QFETCH(bool, dots);
        QFETCH(TRect, roi);
        const auto frame = dots ? dotLattice(spacing, angle) : waveLattice(spacing, angle);
        const std::optional<TCellSpacing> estimate = EstimateCellSpacing(*frame, roi);
        QVERIFY(estimate.has_value());
        QVERIFY2(std::abs(estimate->SpacingPx - spacing) <= 0.02 * spacing,
                 qPrintable(QString::number(estimate->SpacingPx)));
        QVERIFY(estimate->Confidence > 0.8);
        QVERIFY(estimate->Confidence <= 1.0);
    }

    void unevenIlluminationIsFlattened()
    {
        const auto frame = waveLattice(12.0, 0.3, 80.0);
        const auto estimate = EstimateCellSpacing(*frame, TRect{100, 80, 540, 400});
        QVERIFY(estimate.has_value());
        QVERIFY(std::abs(estimate->SpacingPx - 12.0) <= 0.24);
    }

    void reversedRegionIsTheSameRegion()
    {
        const auto frame = waveLattice(15.0, 0.2);
        const auto forward = EstimateCellSpacing(*frame, TRect{100, 80, 400, 380});
        const auto reversed = EstimateCellSpacing(*frame, TRect{400, 380, 100, 80});
        QVERIFY(forward && reversed);
        QCOMPARE(reversed->SpacingPx, forward->SpacingPx);
    }

    void frameWithoutRingGivesNoEstimate_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<std::uint32_t>("seed");
        QTest::addColumn<TRect>("roi");
        const TRect middle{180, 140, 460, 340};
        QTest::newRow("flat black") << 0 << 0u << middle;
        QTest::newRow("flat grey") << 1 << 0u << middle;
        QTest::newRow("flat white, whole frame") << 2 << 0u << kWholeFrame;
        QTest::newRow("white noise, seed 1") << 3 << 1u << middle;
        QTest::newRow("white noise, seed 2") << 3 << 2u << TRect{220, 140, 420, 340};
        QTest::newRow("white noise, seed 3, whole frame") << 3 << 3u << kWholeFrame;
        QTest::newRow("smooth gradient") << 4 << 0u << middle;
    }
    void frameWithoutRingGivesNoEstimate()
    {
        QFETCH(int, kind);
        QFETCH(std::uint32_t, seed);
        QFETCH(TRect, roi);
        std::unique_ptr<TGrayFrame> frame;
        switch (kind) {
        case 0: frame = flatFrame(0); break;
        case 1: frame = flatFrame(128); break;
        case 2: frame = flatFrame(255); break;
        case 3: frame = whiteNoise(seed, 30); break;
        default:
            frame = flatFrame(0);
            for (int r = 0; r < kFrameHeight; ++r)
                for (int c = 0; c < kFrameWidth; ++c)
                    (*frame)[r][c] = std::uint8_t((r + c) * 255 / (kFrameWidth + kFrameHeight));
        }
        QVERIFY(!EstimateCellSpacing(*frame, roi).has_value());
    }

    void latticeOutsideTheBandGivesNoEstimate_data()
    {
        QTest::addColumn<double>("spacing");
        QTest::newRow("4 px") << 4.0;
        QTest::newRow("70 px") << 70.0;
    }
    void latticeOutsideTheBandGivesNoEstimate()
    {
        QFETCH(double, spacing);
        const auto frame = waveLattice(spacing, 0.2);
        QVERIFY(!EstimateCellSpacing(*frame, kWholeFrame).has_value());
    }

    void smallOrMissingRegionGivesNoEstimate_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::newRow("none") << TRect{};
        QTest::newRow("31 px wide") << TRect{100, 100, 130, 300};
        QTest::newRow("31 px high") << TRect{100, 100, 300, 130};
        QTest::newRow("outside the frame") << TRect{700, 500, 900, 700};
        QTest::newRow("mostly outside: 20 px left inside") << TRect{620, 100, 900, 300};
    }
    void smallOrMissingRegionGivesNoEstimate()
    {
        QFETCH(TRect, roi);
        const auto frame = waveLattice(10.0, 0.0);
        QVERIFY(!EstimateCellSpacing(*frame, roi).has_value());
        QCOMPARE(RadialPowerSpectrum(*frame, roi).Size, 0);
    }

    void regionReachingPastTheFrameIsClipped()
    {
        const auto frame = waveLattice(11.0, 0.6);
        const auto estimate = EstimateCellSpacing(*frame, TRect{-100, -50, 200, 200});
        QVERIFY(estimate.has_value());
        QVERIFY(std::abs(estimate->SpacingPx - 11.0) <= 0.22);
    }

    void spectrumSizes_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("step");
        QTest::newRow("32 x 32") << TRect{0, 0, 31, 31} << 32 << 1;
        QTest::newRow("256 x 100") << TRect{0, 0, 255, 99} << 256 << 1;
        QTest::newRow("257 x 100: every other pixel") << TRect{0, 0, 256, 99} << 128 << 2;
        QTest::newRow("whole frame: middle 512 columns") << kWholeFrame << 256 << 2;
    }
    void spectrumSizes()
    {
        QFETCH(TRect, roi);
        QFETCH(int, size);
        QFETCH(int, step);
        const auto frame = whiteNoise(7, 20);
        const TRadialSpectrum spectrum = RadialPowerSpectrum(*frame, roi);
        QCOMPARE(spectrum.Size, size);
        QCOMPARE(spectrum.Step, step);
        QCOMPARE(int(spectrum.Power.size()), size / 2 + 1);
    }

    // Mosaics of the generator, as the accuracy evaluation renders them: the
    // estimate within 5 % of the lattice spacing.
    void generatedMosaicGivesItsSpacing_data()
    {
        QTest::addColumn<double>("spacing");
        QTest::addColumn<double>("variation");
        QTest::addColumn<double>("blur");
        QTest::addColumn<double>("noise");
        QTest::newRow("7 px, typical") << 7.0 << 0.25 << 0.8 << 4.0;
        QTest::newRow("13 px, typical") << 13.0 << 0.25 << 0.8 << 4.0;
        QTest::newRow("22 px, pleomorphic, blurred, noisy") << 22.0 << 0.45 << 1.5 << 8.0;
        QTest::newRow("30 px, typical") << 30.0 << 0.25 << 0.8 << 4.0;
    }
    void generatedMosaicGivesItsSpacing()
    {
        QFETCH(double, spacing);
        QFETCH(double, variation);
        QFETCH(double, blur);
        QFETCH(double, noise);
        sim::MosaicParams mosaic;
        mosaic.cellDensity = 2 / (std::sqrt(3.0) * std::pow(spacing * mosaic.mmPerPixel, 2));
        mosaic.sizeVariation = variation;
        const sim::SyntheticEndothelium tissue(3, mosaic);
        QVERIFY(std::abs(tissue.latticeSpacingPx() - spacing) < 1e-9);
        sim::CameraParams camera;
        camera.focusBlur = blur;
        camera.noiseSigma = noise;
        camera.limitedField = true;
        const sim::EndotheliumFrame rendered = tissue.render(camera);
        auto frame = std::make_unique<TGrayFrame>();
        for (int r = 0; r < kFrameHeight; ++r)
            for (int c = 0; c < kFrameWidth; ++c)
                (*frame)[r][c] = rendered.at(r, c);
        const auto estimate = EstimateCellSpacing(*frame, TRect{180, 140, 460, 340});
        QVERIFY(estimate.has_value());
        QVERIFY2(std::abs(estimate->SpacingPx - spacing) <= 0.05 * spacing,
                 qPrintable(QString::number(estimate->SpacingPx)));
    }
};

QTEST_APPLESS_MAIN(TestCellSpacing)
#include "tst_cellspacing.moc"
