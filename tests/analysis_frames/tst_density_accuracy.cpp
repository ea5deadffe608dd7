// A synthetic mosaic of known density, analysed as a frame is analysed (grey
// conversion, then AnalyseGrayFrame at the normal threshold: cell finder,
// neighbourhood matrix, statistics), gives the density within 5 % of the truth.
#include "FrameAnalysis.h"
#include "SyntheticEndothelium.h"
#include "UBFrameBuffer.h"

#include <QTest>

#include <cmath>
#include <memory>
#include <numeric>

using namespace cornix;

namespace {

constexpr double kMmPerPixel = 0.00186;
// The microscope lights only the centre of the frame (the finder discards a frame
// with more than 1300 regions); the region of interest lies inside the lit field.
const TRect kRoi{175, 135, 465, 345};

// 1e6 / mean area of the true cells whose centroid lies strictly inside the region.
double trueDensityInside(const std::vector<sim::CellTruth> &cells, const TRect &roi)
{
    double area = 0;
    int count = 0;
    for (const sim::CellTruth &cell : cells) {
        if (cell.row > roi.Top && cell.row < roi.Bottom && cell.col > roi.Left && cell.col < roi.Right) {
            area += cell.areaUm2;
            ++count;
        }
    }
    return count ? 1e6 / (area / count) : 0;
}

} // namespace

class TestDensityAccuracy : public QObject {
    Q_OBJECT

private slots:
    void densityWithinFivePercent_data()
    {
        QTest::addColumn<double>("density");
        QTest::addColumn<unsigned>("seed");
        for (double density : {1500.0, 2000.0, 2500.0, 3000.0})
            for (unsigned seed : {1u, 7u, 2024u})
                QTest::addRow("%g cells/mm2, seed %u", density, seed) << density << seed;
    }

    void densityWithinFivePercent()
    {
        QFETCH(double, density);
        QFETCH(unsigned, seed);
        sim::MosaicParams mosaic;
        mosaic.cellDensity = density;
        mosaic.mmPerPixel = kMmPerPixel;
        const sim::SyntheticEndothelium tissue(seed, mosaic);
        sim::CameraParams camera;
        camera.noiseSeed = seed;
        camera.limitedField = true;
        const sim::EndotheliumFrame frame = tissue.render(camera);

        auto gray = std::make_unique<TGrayFrame>();
        TBFrameBuffer::GrayOf(sim::ToQImage(frame), *gray);
        const TFrameAnalysis analysis =
            AnalyseGrayFrame(*gray, kRoi, TBFrameBuffer::kNewFrameThreshold, {kMmPerPixel, 1.5});
        QCOMPARE(analysis.Result, TFrameAnalysis::Analysed);
        const TFrameStats &stats = analysis.Stats;

        const double truth = trueDensityInside(frame.cells, kRoi);
        const double error = (stats.Density - truth) / truth;
        qInfo("density %6.0f seed %4u: measured %5d, truth in region %7.1f, error %+6.2f %% (%d cells, CV %.3f,"
              " true CV %.3f)",
              density, seed, int(stats.Density), truth, 100 * error, int(stats.CellCount), stats.AreaCV,
              sim::SummarizeInside(frame.cells).cv);
        QVERIFY(stats.CellCount > 50);
        // Every counted cell is in exactly one bin of each distribution.
        const int cells = stats.CellCount;
        QCOMPARE(std::accumulate(stats.SidesHist.begin(), stats.SidesHist.end(), 0), cells);
        QCOMPARE(std::accumulate(stats.AreaHist.begin(), stats.AreaHist.end(), 0), cells);
        QVERIFY(stats.MinArea <= stats.MeanArea && stats.MeanArea <= stats.MaxArea);
        QVERIFY(stats.MaxArea <= 800 * kMmPerPixel * kMmPerPixel * 1e6 + 0.5); // larger regions are erased
        QVERIFY2(std::abs(error) < 0.05, qPrintable(QStringLiteral("error %1 %").arg(100 * error, 0, 'f', 2)));
    }
};

QTEST_GUILESS_MAIN(TestDensityAccuracy)
#include "tst_density_accuracy.moc"
