// The frame buffer: frames, grey conversions, regions of interest, capture test,
// crops, ownership of the matrices, statistics of a frame and the summary.
#include "UBFrameBuffer.h"

#include "Numbers.h"
#include "RecordingDialogs.h"
#include "UBIniSettings.h"
#include "UExame.h"
#include "VoronoiDistMatrix.h"

#include <QFile>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <memory>
#include <numeric>

using namespace cornix;

Q_DECLARE_METATYPE(TRect)
Q_DECLARE_METATYPE(TSidesHist)
Q_DECLARE_METATYPE(TAreaHist)

namespace {

QImage filled(int width, int height, QRgb colour, QImage::Format format = QImage::Format_RGB888)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

// A buffer with one black frame.
std::unique_ptr<TBFrameBuffer> bufferWithFrames(int frames, TAnalysisScale scale = {0.001, 1.5})
{
    auto buffer = std::make_unique<TBFrameBuffer>(scale);
    for (int i = 0; i < frames; ++i)
        buffer->AddFrame(filled(640, 480, qRgb(0, 0, 0)), QString(), 0, TBFrameBuffer::kNewFrameThreshold, {}, {}, 0);
    return buffer;
}

// Hexagonal lattice of centres with horizontal spacing a (pixels), sorted by row.
std::unique_ptr<TCellTable> hexLattice(double a)
{
    auto cells = std::make_unique<TCellTable>();
    int n = 0;
    const double rowStep = a * std::sqrt(3.0) / 2;
    for (int i = 0; 12 + i * rowStep < 468; ++i) {
        const double offset = (i % 2) ? a / 2 : 0;
        for (double x = 12 + offset; x < 628; x += a) {
            ++n;
            (*cells)[n] = TCellRec{static_cast<std::int32_t>(RoundHalfEven(12 + i * rowStep)),
                                   static_cast<std::int32_t>(RoundHalfEven(x)), 1, 0};
        }
    }
    (*cells)[0] = TCellRec{n, n, n, 0};
    return cells;
}

} // namespace

class TestFrameBuffer : public QObject {
    Q_OBJECT

private slots:
    // Frames ------------------------------------------------------------------------

    void addFrameCopiesSourceAndFields()
    {
        TBFrameBuffer buffer;
        QImage source = filled(640, 480, qRgb(10, 20, 30), QImage::Format_RGB32);
        source.setPixel(639, 479, qRgb(1, 2, 3));
        QVERIFY(buffer.AddFrame(source, QStringLiteral("N"), 2, -3.0, TPachymetry{5, 9, 4}, TRect{50, 60, 10, 20}, 1));
        QCOMPARE(buffer.Count(), 1);
        QCOMPARE(buffer.FrameCount(), 1);
        const TFrameRec &rec = buffer.LastFrame();
        QCOMPARE(rec.Bitmap.size(), QSize(640, 480));
        QCOMPARE(rec.Bitmap.format(), QImage::Format_RGB888);
        QCOMPARE(rec.Bitmap.pixel(0, 0), qRgb(10, 20, 30));
        QCOMPARE(rec.Bitmap.pixel(639, 479), qRgb(1, 2, 3));
        QCOMPARE(buffer.Fixation(0).FixSide, QStringLiteral("N"));
        QCOMPARE(buffer.Fixation(0).FixPos, 2);
        QCOMPARE(buffer.Eye(0), 1);
        QCOMPARE(buffer.Threshold(0), -3.0);
        QCOMPARE(buffer.Pachymetry(0), (TPachymetry{5, 9, 4}));
        QCOMPARE(buffer.Roi(0), (TRect{10, 20, 50, 60}));
        QVERIFY(!buffer.UseIt(0));
        QVERIFY(!buffer.PrintIt(0));
        QVERIFY(buffer.Crop(0).isNull());
        QVERIFY(buffer.ProcessedCrop(0).isNull());
        QCOMPARE(buffer.Matrix(0), nullptr);
        QCOMPARE(buffer.Stats(0), TFrameStats{});
    }

    void addFrameOfOtherSizes_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("smaller") << QSize(100, 50);
        QTest::newRow("larger") << QSize(800, 600);
        QTest::newRow("empty") << QSize(0, 0);
    }

    void addFrameOfOtherSizes()
    {
        QFETCH(QSize, size);
        TBFrameBuffer buffer;
        QVERIFY(buffer.AddFrame(size.isEmpty() ? QImage() : filled(size.width(), size.height(), qRgb(200, 200, 200)),
                                QString(), 0, -3.0, {}, {}, 0));
        const QImage &bitmap = buffer.FrameBitmap(0);
        QCOMPARE(bitmap.size(), QSize(640, 480));
        const bool covered = size.width() > 639 && size.height() > 479;
        QCOMPARE(bitmap.pixel(639, 479), covered ? qRgb(200, 200, 200) : qRgb(0, 0, 0));
    }

    void frameIndexOutOfRangeThrows()
    {
        auto buffer = bufferWithFrames(2);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, buffer->Roi(2));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, buffer->SetUseIt(-1, true));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, TBFrameBuffer().LastFrame());
    }

    // The buffer's operations catch an index outside it at their boundary: the error
    // names the operation, the fallback is returned, nothing is thrown.
    void operationsWithAFrameIndexOutOfRange_data()
    {
        QTest::addColumn<QString>("operation");
        for (const char *operation : {"BCalculateStatistics", "MeasurePachymetry", "RestoreCells", "MakeCrop"})
            QTest::newRow(operation) << QString::fromLatin1(operation);
    }

    void operationsWithAFrameIndexOutOfRange()
    {
        QFETCH(QString, operation);
        RecordingDialogs dialogs;
        auto buffer = bufferWithFrames(2);
        auto regions = std::make_unique<TRegionTable>();
        auto cells = std::make_unique<TCellTable>();
        try {
            if (operation == QLatin1String("BCalculateStatistics")) {
                QVERIFY(!buffer->BCalculateStatistics(2));
                QVERIFY(!buffer->BCalculateStatistics(-1, 0, 0.00186, *cells, *regions, {10, 10, 100, 100}));
            } else if (operation == QLatin1String("MeasurePachymetry")) {
                QCOMPARE(buffer->MeasurePachymetry(2), TPachymetry{});
            } else if (operation == QLatin1String("RestoreCells")) {
                buffer->RestoreCells(2);
            } else {
                buffer->MakeCrop(2, buffer->FrameBitmap(0), CropOriginal, {10, 10, 100, 100});
            }
        } catch (...) {
            QFAIL("an exception left the operation");
        }
        QVERIFY(!dialogs.shown().isEmpty());
        for (const DialogRequest &shown : dialogs.shown()) {
            QCOMPARE(shown.kind, DialogKind::Error);
            QCOMPARE(shown.text, QStringLiteral("Erro irrecuperável em 'TBFrameBuffer.%1'").arg(operation));
        }
        QVERIFY(buffer->Crop(0).isNull() && buffer->Crop(1).isNull());
    }

    // Grey conversions -------------------------------------------------------------------

    void gray_data()
    {
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("grey");
        QTest::newRow("1,2,2 -> 2 (1.67)") << 1 << 2 << 2 << 2;
        QTest::newRow("0,0,1 -> 0 (0.33)") << 0 << 0 << 1 << 0;
        QTest::newRow("1,1,2 -> 1 (1.33)") << 1 << 1 << 2 << 1;
        QTest::newRow("2,2,3 -> 2 (2.33)") << 2 << 2 << 3 << 2;
        QTest::newRow("0,0,2 -> 1 (0.67)") << 0 << 0 << 2 << 1;
        QTest::newRow("255,255,254 -> 255") << 255 << 255 << 254 << 255;
        QTest::newRow("white") << 255 << 255 << 255 << 255;
        QTest::newRow("colour order irrelevant") << 90 << 0 << 0 << 30;
    }

    void gray()
    {
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        QFETCH(int, grey);
        TBFrameBuffer buffer;
        buffer.AddFrame(filled(640, 480, qRgb(r, g, b)), QString(), 0, -3.0, {}, {}, 0);
        auto rows = std::make_unique<TGrayFrame>();
        auto columns = std::make_unique<TGrayColumns>();
        buffer.Gray(0, *rows);
        buffer.GrayColumns(0, *columns);
        QCOMPARE(int((*rows)[0][0]), grey);
        QCOMPARE(int((*rows)[479][639]), grey);
        QCOMPARE(int((*columns)[639][479]), grey);
    }

    void grayMatchesTiesToEvenForEverySum()
    {
        // Every sum 0..765 of three bytes: the mean rounded as the analysis rounds.
        QImage image(766, 1, QImage::Format_RGB888);
        for (int sum = 0; sum <= 765; ++sum) {
            const int r = std::min(sum, 255), g = std::min(sum - r, 255), b = sum - r - g;
            image.setPixel(sum, 0, qRgb(r, g, b));
        }
        // Only the first 640 columns fit; shift the image to cover the rest.
        for (int start : {0, 126}) {
            auto dest = std::make_unique<TGrayFrame>();
            TBFrameBuffer::GrayOf(image.copy(start, 0, 640, 1), *dest);
            for (int c = 0; c < 640; ++c)
                QCOMPARE(int((*dest)[0][c]), int(RoundHalfEven((start + c) / 3.0)));
        }
    }

    void grayColumnOrder()
    {
        QImage image = filled(640, 480, qRgb(0, 0, 0));
        image.setPixel(7, 3, qRgb(30, 30, 30)); // column 7, row 3
        auto rows = std::make_unique<TGrayFrame>();
        auto columns = std::make_unique<TGrayColumns>();
        TBFrameBuffer::GrayOf(image, *rows);
        TBFrameBuffer::GrayColumnsOf(image, *columns);
        QCOMPARE(int((*rows)[3][7]), 30);
        QCOMPARE(int((*columns)[7][3]), 30);
        // Byte 480 × c + r of the column-order array.
        QCOMPARE(int(reinterpret_cast<const std::uint8_t *>(columns->data())[480 * 7 + 3]), 30);
        QCOMPARE(int(reinterpret_cast<const std::uint8_t *>(rows->data())[640 * 3 + 7]), 30);
    }

    void grayOfOtherSizesStaysInsideTheFrame_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("wider and taller") << QSize(1000, 700);
        QTest::newRow("smaller") << QSize(100, 40);
        QTest::newRow("one row") << QSize(640, 1);
    }

    void grayOfOtherSizesStaysInsideTheFrame()
    {
        QFETCH(QSize, size);
        // Guard bytes after the frame catch any write past 640 x 480.
        struct Guarded {
            TGrayFrame frame;
            std::array<std::uint8_t, 4096> guard;
        };
        auto dest = std::make_unique<Guarded>();
        dest->guard.fill(0xA5);
        const QImage image = filled(size.width(), size.height(), qRgb(60, 60, 60));
        TBFrameBuffer::GrayOf(image, dest->frame);
        QVERIFY(std::all_of(dest->guard.begin(), dest->guard.end(), [](std::uint8_t v) { return v == 0xA5; }));
        const int rows = std::min(size.height(), 480), cols = std::min(size.width(), 640);
        QCOMPARE(int(dest->frame[rows - 1][cols - 1]), 60);
        if (rows < 480)
            QCOMPARE(int(dest->frame[rows][0]), 0);
        if (cols < 640)
            QCOMPARE(int(dest->frame[0][cols]), 0);

        struct GuardedColumns {
            TGrayColumns columns;
            std::array<std::uint8_t, 4096> guard;
        };
        auto cdest = std::make_unique<GuardedColumns>();
        cdest->guard.fill(0xA5);
        TBFrameBuffer::GrayColumnsOf(image, cdest->columns);
        QVERIFY(std::all_of(cdest->guard.begin(), cdest->guard.end(), [](std::uint8_t v) { return v == 0xA5; }));
        QCOMPARE(int(cdest->columns[cols - 1][rows - 1]), 60);
    }

    // Region of interest ---------------------------------------------------------------

    void setRoi_data()
    {
        QTest::addColumn<TRect>("rect");
        QTest::addColumn<TRect>("stored");
        QTest::newRow("drawn top-left to bottom-right") << TRect{10, 20, 110, 220} << TRect{10, 20, 110, 220};
        QTest::newRow("drawn bottom-right to top-left") << TRect{110, 220, 10, 20} << TRect{10, 20, 110, 220};
        QTest::newRow("drawn bottom-left to top-right") << TRect{10, 220, 110, 20} << TRect{10, 20, 110, 220};
        QTest::newRow("5 x 10, area 50: none") << TRect{0, 0, 5, 10} << TRect{};
        QTest::newRow("5 x 11, area 55: kept") << TRect{0, 0, 5, 11} << TRect{0, 0, 5, 11};
        QTest::newRow("10 x 5 reversed, area 50: none") << TRect{10, 5, 0, 0} << TRect{};
        QTest::newRow("1 x 51") << TRect{3, 3, 4, 54} << TRect{3, 3, 4, 54};
        QTest::newRow("line") << TRect{0, 100, 600, 100} << TRect{};
        QTest::newRow("zero") << TRect{} << TRect{};
    }

    void setRoi()
    {
        QFETCH(TRect, rect);
        QFETCH(TRect, stored);
        auto buffer = bufferWithFrames(1);
        buffer->SetRoi(0, TRect{1, 1, 300, 300});
        buffer->SetRoi(0, rect);
        QCOMPARE(buffer->Roi(0), stored);
        QCOMPARE(buffer->RoiValid(0), stored != TRect{});
        buffer->ClearRoi(0);
        QCOMPARE(buffer->Roi(0), TRect{});
    }

    void rectValid_data()
    {
        QTest::addColumn<TRect>("rect");
        QTest::addColumn<bool>("valid");
        QTest::newRow("area 50") << TRect{0, 0, 10, 5} << false;
        QTest::newRow("area 51") << TRect{0, 0, 51, 1} << true;
        QTest::newRow("both sides reversed: positive area") << TRect{10, 10, 0, 0} << true;
        QTest::newRow("one side reversed: negative area") << TRect{10, 0, 0, 10} << false;
        QTest::newRow("area beyond 32 bits") << TRect{0, 0, 100000, 100000} << true;
    }

    void rectValid()
    {
        QFETCH(TRect, rect);
        QFETCH(bool, valid);
        QCOMPARE(TBFrameBuffer::RectValid(rect), valid);
    }

    // Capture test --------------------------------------------------------------------

    void acceptFrame_data()
    {
        // Half the frame grey 90, half 110: mean 100, variance 100, SD 10.
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<double>("variance");
        QTest::addColumn<double>("sd");
        QTest::addColumn<double>("mean");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("exact, tolerance 0") << 0.0 << 100.0 << 10.0 << 100.0 << true;
        QTest::newRow("mean off by one, tolerance 0") << 0.0 << 100.0 << 10.0 << 101.0 << false;
        QTest::newRow("variance off, tolerance 0") << 0.0 << 101.0 << 10.0 << 100.0 << false;
        QTest::newRow("mean at lower bound 200 x 0.5") << 0.5 << 100.0 << 10.0 << 200.0 << true;
        QTest::newRow("mean below band") << 0.5 << 100.0 << 10.0 << 201.0 << false;
        QTest::newRow("SD at lower bound 20 x 0.5") << 0.5 << 100.0 << 20.0 << 100.0 << true;
        QTest::newRow("SD above band") << 0.5 << 100.0 << 6.0 << 100.0 << false;
        QTest::newRow("variance at upper bound 80 x 1.25") << 0.25 << 80.0 << 10.0 << 100.0 << true;
        QTest::newRow("variance above band") << 0.25 << 79.0 << 10.0 << 100.0 << false;
    }

    void acceptFrame()
    {
        QFETCH(double, tolerance);
        QFETCH(double, variance);
        QFETCH(double, sd);
        QFETCH(double, mean);
        QFETCH(bool, accepted);
        QImage source = filled(640, 480, qRgb(90, 90, 90), QImage::Format_RGB32);
        for (int y = 240; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                source.setPixel(x, y, qRgb(110, 110, 110));
        TBFrameBuffer buffer;
        QCOMPARE(buffer.AcceptFrame(source, tolerance, variance, sd, mean), accepted);
        QCOMPARE(buffer.ImageMean(), 100.0);
        QCOMPARE(buffer.ImageVariance(), 100.0);
        QCOMPARE(buffer.ImageSD(), 10.0);
        QCOMPARE(buffer.Histogram()[90], 153600);
        QCOMPARE(buffer.Histogram()[110], 153600);
        QCOMPARE(std::accumulate(buffer.Histogram().begin(), buffer.Histogram().end(), 0), 307200);
        QCOMPARE(buffer.Count(), 0); // testing adds nothing
    }

    void acceptFrameStatisticsOfAnUnevenFrame()
    {
        // Grey g = column mod 256 in every row: compare with a direct two-pass computation.
        QImage source(640, 480, QImage::Format_RGB888);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                source.setPixel(x, y, qRgb(x % 256, (x + y) % 256, y % 256));
        TBFrameBuffer buffer;
        buffer.AcceptFrame(source, 0.1, 1, 1, 1);
        auto gray = std::make_unique<TGrayFrame>();
        TBFrameBuffer::GrayOf(source, *gray);
        long double sum = 0;
        for (const auto &row : *gray)
            for (auto g : row)
                sum += g;
        const long double mean = sum / 307200;
        long double squares = 0;
        for (const auto &row : *gray)
            for (auto g : row)
                squares += (g - mean) * (g - mean);
        QVERIFY(std::abs(buffer.ImageMean() - double(mean)) < 1e-9);
        QVERIFY(std::abs(buffer.ImageVariance() - double(squares / 307200)) < 1e-9);
        QCOMPARE(buffer.ImageSD(), std::sqrt(buffer.ImageVariance()));
    }

    void acceptFrameAndScaleFromSettings()
    {
        // The sample settings file with the capture bands of a 90/110 frame.
        QTemporaryDir dir;
        QFile sample(QStringLiteral(CORNIX_SOURCE_DIR "/config/cornix.ini"));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(sample.readAll());
        text.replace(QRegularExpression(QStringLiteral("average=[^\\r\\n]*")), QStringLiteral("average=100.00"));
        text.replace(QRegularExpression(QStringLiteral("(?m)^sd=[^\\r\\n]*")), QStringLiteral("sd=10.00"));
        text.replace(QRegularExpression(QStringLiteral("tolerance=[^\\r\\n]*")), QStringLiteral("tolerance=0.00"));
        const QString fileName = dir.filePath(QStringLiteral("cornix.ini"));
        QFile ini(fileName);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(text.toUtf8());
        ini.close();
        const TBIniSettings settings(fileName);

        QImage source = filled(640, 480, qRgb(90, 90, 90));
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 640; ++x)
                source.setPixel(x, y, qRgb(110, 110, 110));
        TBFrameBuffer buffer(TBFrameBuffer::ScaleFrom(settings));
        QCOMPARE(buffer.Scale().PixelToMM, settings.PixelToMM());
        QCOMPARE(buffer.Scale().PixelToPaq, settings.PixelToPaq());
        QVERIFY2(buffer.AcceptFrame(source, settings),
                 qPrintable(QStringLiteral("settings %1 %2 %3, frame %4 %5 %6")
                                .arg(settings.Average()).arg(settings.SD()).arg(settings.Tolerance())
                                .arg(buffer.ImageMean()).arg(buffer.ImageSD()).arg(buffer.ImageVariance())));
        QVERIFY(!buffer.AcceptFrame(filled(640, 480, qRgb(100, 100, 100)), settings)); // SD 0
    }

    // Crops ---------------------------------------------------------------------------

    void makeCrop()
    {
        auto buffer = bufferWithFrames(1);
        QImage source = filled(640, 480, qRgb(0, 0, 0));
        source.setPixel(100, 50, qRgb(255, 0, 0));
        source.setPixel(149, 129, qRgb(0, 255, 0));
        buffer->MakeCrop(0, source, CropOriginal, TRect{100, 50, 150, 130});
        const QImage &crop = buffer->Crop(0);
        QCOMPARE(crop.size(), QSize(50, 80));
        QCOMPARE(crop.format(), QImage::Format_RGB888);
        QCOMPARE(crop.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(crop.pixel(49, 79), qRgb(0, 255, 0));
        QVERIFY(buffer->ProcessedCrop(0).isNull());

        buffer->MakeCrop(0, filled(640, 480, qRgb(7, 7, 7)), CropProcessed, TRect{0, 0, 20, 10});
        QCOMPARE(buffer->ProcessedCrop(0).size(), QSize(20, 10));
        QCOMPARE(buffer->Crop(0).size(), QSize(50, 80)); // the other kind stays

        buffer->MakeCrop(0, source, CropOriginal, TRect{630, 470, 650, 490}); // replaces, runs off the source
        QCOMPARE(buffer->Crop(0).size(), QSize(20, 20));
        QCOMPARE(buffer->Crop(0).pixel(15, 15), qRgb(0, 0, 0));
    }

    // Matrices and statistics -------------------------------------------------------------

    void setMatrixTakesOwnershipAndReplaces()
    {
        auto buffer = bufferWithFrames(2);
        auto cells = hexLattice(11.5);
        auto first = std::make_unique<TDistMatrix>(*cells);
        TDistMatrix *firstRaw = first.get();
        buffer->SetMatrix(0, std::move(first));
        QCOMPARE(buffer->Matrix(0), firstRaw);
        QCOMPARE(buffer->Matrix(1), nullptr);
        buffer->SetMatrix(0, std::make_unique<TDistMatrix>(*cells)); // the first is released
        QVERIFY(buffer->Matrix(0) != nullptr);
        buffer->SetMatrix(1, std::make_unique<TDistMatrix>(*cells));
        buffer->SetMatrix(1, nullptr);
        QCOMPARE(buffer->Matrix(1), nullptr);
    }

    void statisticsOfALattice()
    {
        // Hexagonal lattice of 115 px cells at 1.86 µm/px: density 1 / (115 × 1.86² µm²).
        auto buffer = bufferWithFrames(1, {0.00186, 1.5});
        auto matrix = std::make_unique<TDistMatrix>(*hexLattice(11.5));
        matrix->Build();
        buffer->SetMatrix(0, std::move(matrix));
        QVERIFY(!buffer->BCalculateStatistics(0)); // no region yet: nothing done
        QCOMPARE(buffer->CellCount(0), 0);
        buffer->SetRoi(0, TRect{100, 80, 540, 400});
        QVERIFY(buffer->BCalculateStatistics(0));

        const double cellArea = 11.5 * 11.5 * std::sqrt(3.0) / 2 * 1.86 * 1.86; // µm²
        const double truth = 1e6 / cellArea;
        QVERIFY2(std::abs(buffer->Density(0) - truth) / truth < 0.03,
                 qPrintable(QStringLiteral("density %1, expected %2").arg(buffer->Density(0)).arg(truth)));
        const int cells = buffer->CellCount(0);
        QVERIFY(cells > 500);
        QCOMPARE(std::accumulate(buffer->SidesHist(0).begin(), buffer->SidesHist(0).end(), 0), cells);
        QCOMPARE(std::accumulate(buffer->AreaHist(0).begin(), buffer->AreaHist(0).end(), 0), cells);
        QVERIFY(HexagonalPercent(buffer->SidesHist(0), buffer->CellCount(0)) > 50);
        QVERIFY(std::abs(buffer->MeanArea(0) - cellArea) < 0.03 * cellArea);
        QCOMPARE(buffer->AnalysedArea(0) / cells, buffer->MeanArea(0) * 1e-6 * (buffer->AnalysedArea(0) / cells)
                                                        / (buffer->MeanArea(0) * 1e-6)); // consistent units
        QVERIFY(std::abs(buffer->AnalysedArea(0) - cells * buffer->MeanArea(0) * 1e-6) < 0.01 * buffer->AnalysedArea(0));
    }

    void statisticsFailureShowsUnrecoverable()
    {
        RecordingDialogs dialogs;
        auto buffer = bufferWithFrames(1, {0.0, 1.5});
        auto matrix = std::make_unique<TDistMatrix>(*hexLattice(11.5));
        matrix->Build();
        buffer->SetMatrix(0, std::move(matrix));
        buffer->SetRoi(0, TRect{100, 80, 540, 400});
        QVERIFY(!buffer->BCalculateStatistics(0));
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.last().caption, QStringLiteral("ERRO"));
        QCOMPARE(dialogs.last().text, QStringLiteral("Erro irrecuperável em 'TBFrameBuffer.BCalculateStatistics'"));
        QVERIFY(buffer->CellCount(0) > 0); // kept what was computed
        QCOMPARE(buffer->Density(0), 0);
    }

    void statisticsWithExplicitTables()
    {
        auto buffer = bufferWithFrames(1);
        auto cells = std::make_unique<TCellTable>();
        auto regions = std::make_unique<TRegionTable>();
        (*regions)[1] = TRegionRec{350, 6, 100, 100};
        (*regions)[2] = TRegionRec{699, 5, 100, 110};
        QVERIFY(!buffer->BCalculateStatistics(0, 2, 0.001, *cells, *regions, TRect{0, 0, 5, 10})); // invalid region
        QCOMPARE(buffer->CellCount(0), 0);
        QVERIFY(buffer->BCalculateStatistics(0, 2, 0.001, *cells, *regions, TRect{0, 0, 639, 479}));
        QCOMPARE(buffer->CellCount(0), 2);
        QCOMPARE(buffer->AreaHist(0), (TAreaHist{0, 1, 0, 0, 1, 0, 0}));
        QCOMPARE(buffer->SidesHist(0), (TSidesHist{0, 1, 1, 0, 0}));
        QCOMPARE(buffer->MaxArea(0), 699.0);
        QCOMPARE(buffer->MinArea(0), 350.0);
    }

    void measurePachymetryStoresTheMeasure()
    {
        QImage source(640, 480, QImage::Format_RGB888);
        for (int x = 0; x < 640; ++x) {
            const int grey = x < 100 ? 10 : x < 200 ? 60 : x < 300 ? 150 : 250;
            for (int y = 0; y < 480; ++y)
                source.setPixel(x, y, qRgb(grey, grey, grey));
        }
        TBFrameBuffer buffer({0.00186, 1.5});
        buffer.AddFrame(source, QString(), 0, -3.0, {}, {}, 0);
        QCOMPARE(buffer.MeasurePachymetry(0), (TPachymetry{99, 299, 200}));
        QCOMPARE(buffer.Pachymetry(0), (TPachymetry{99, 299, 200}));
        QCOMPARE(buffer.PachymetryMicrons(0), 300);
        buffer.SetPachymetry(0, 300, 100, -200);
        QCOMPARE(buffer.PachymetryMicrons(0), 0);
    }

    // Flags and summary ---------------------------------------------------------------------

    void printFrame()
    {
        auto buffer = bufferWithFrames(3);
        QCOMPARE(buffer->PrintFrame(), -1);
        buffer->SetPrintIt(2, true);
        QCOMPARE(buffer->PrintFrame(), 2);
        buffer->SetPrintIt(2, false);
        buffer->SetPrintIt(1, true);
        QCOMPARE(buffer->PrintFrame(), 1);
    }

    void summarizeUsesOnlyUsedFrames()
    {
        auto buffer = bufferWithFrames(3, {0.001, 1.5});
        auto cells = std::make_unique<TCellTable>();
        auto regions = std::make_unique<TRegionTable>();
        const TRect all{0, 0, 639, 479};
        // Frame 0: one cell of 400 µm² (density 2500); frame 1: 500 µm² (2000); frame 2: no cell.
        (*regions)[1] = TRegionRec{400, 6, 100, 100};
        buffer->BCalculateStatistics(0, 1, 0.001, *cells, *regions, all);
        (*regions)[1] = TRegionRec{500, 5, 100, 100};
        buffer->BCalculateStatistics(1, 1, 0.001, *cells, *regions, all);
        buffer->BCalculateStatistics(2, 0, 0.001, *cells, *regions, all);
        buffer->SetPachymetry(0, 0, 0, 333); // 499.5 µm -> 500
        buffer->SetPachymetry(1, 0, 0, 335); // 502.5 µm -> 502

        QCOMPARE(buffer->Summarize(), TEndoStats{});

        buffer->SetUseIt(0, true);
        buffer->SetUseIt(1, true);
        TEndoStats s = buffer->Summarize();
        QCOMPARE(s.FramesUsed, 2);
        QCOMPARE(s.Density, 2250);
        QCOMPARE(s.CellCount, 1);
        QCOMPARE(s.MeanArea, 450.0);
        QCOMPARE(s.SidesHist, (TSidesHist{0, 0, 0, 0, 0})); // 0.5 -> 0 in each bin
        QCOMPARE(s.Pachymetry, 501);
        QCOMPARE(buffer->Summary(), s);

        buffer->SetUseIt(2, true); // a used frame with no cell still counts
        s = buffer->Summarize();
        QCOMPARE(s.FramesUsed, 3);
        QCOMPARE(s.Density, 1500);
        QCOMPARE(s.MinArea, (400 + 500 + 65000) / 3.0);

        buffer->SetUseIt(0, false);
        buffer->SetUseIt(1, false);
        buffer->SetUseIt(2, false);
        QCOMPARE(buffer->Summarize(), TEndoStats{});
    }

    void loadSummary_data()
    {
        QTest::addColumn<QString>("morpho");
        QTest::addColumn<QString>("megat");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<TSidesHist>("sides");
        QTest::addColumn<TAreaHist>("areas");
        const TSidesHist oldSides{1, 1, 1, 1, 1};
        const TAreaHist oldAreas{9, 9, 9, 9, 9, 9, 9};
        QTest::newRow("well formed") << "10;20;30;5;2" << "0;1;5;20;31;14;2" << true << TSidesHist{10, 20, 30, 5, 2}
                                     << TAreaHist{0, 1, 5, 20, 31, 14, 2};
        QTest::newRow("blanks around numbers") << " 10; 20 ;30;5;2" << "0;1;5;20;31;14;2 " << true
                                               << TSidesHist{10, 20, 30, 5, 2} << TAreaHist{0, 1, 5, 20, 31, 14, 2};
        QTest::newRow("bad side value keeps earlier ones") << "10;x;30;5;2" << "0;1;5;20;31;14;2" << false
                                                           << TSidesHist{10, 1, 1, 1, 1} << oldAreas;
        QTest::newRow("too few sides") << "10;20;30;5" << "0;1;5;20;31;14;2" << false << TSidesHist{10, 20, 30, 5, 1}
                                       << oldAreas;
        QTest::newRow("trailing separator") << "10;20;30;5;2;" << "0;1;5;20;31;14;2" << false
                                            << TSidesHist{10, 20, 30, 5, 2} << oldAreas;
        QTest::newRow("empty texts") << "" << "" << false << oldSides << oldAreas;
        QTest::newRow("bad area value") << "10;20;30;5;2" << "0;1;5;2.5;31;14;2" << false
                                        << TSidesHist{10, 20, 30, 5, 2} << TAreaHist{0, 1, 5, 9, 9, 9, 9};
        QTest::newRow("negative count") << "10;20;-1;5;2" << "0;1;5;20;31;14;2" << false
                                        << TSidesHist{10, 20, 1, 1, 1} << oldAreas;
    }

    void loadSummary()
    {
        QFETCH(QString, morpho);
        QFETCH(QString, megat);
        QFETCH(bool, ok);
        QFETCH(TSidesHist, sides);
        QFETCH(TAreaHist, areas);

        // A summary with a pachymetry and old distributions, as after an earlier run.
        auto buffer = bufferWithFrames(1, {0.001, 1.5});
        buffer->SetPachymetry(0, 0, 0, 200);
        buffer->SetUseIt(0, true);
        buffer->Summarize();
        QCOMPARE(buffer->Summary().Pachymetry, 300);
        TExame seed;
        seed.MorphoInfo = QStringLiteral("1;1;1;1;1");
        seed.MegatInfo = QStringLiteral("9;9;9;9;9;9;9");
        QVERIFY(buffer->LoadSummary(seed));

        TExame exame;
        exame.TotalImages = 3;
        exame.TotalCells = 412;
        exame.Density = 2480;
        exame.AnalysedArea = 0.1661;
        exame.SD = 120.5;
        exame.AreaMin = 180;
        exame.AreaMean = 403.2;
        exame.AreaMax = 790;
        exame.CV = 0.35;
        exame.MorphoInfo = morpho;
        exame.MegatInfo = megat;
        QCOMPARE(buffer->LoadSummary(exame), ok);
        const TEndoStats &s = buffer->Summary();
        QCOMPARE(s.FramesUsed, 3);
        QCOMPARE(s.CellCount, 412);
        QCOMPARE(s.Density, 2480);
        QCOMPARE(s.AnalysedArea, 0.1661);
        QCOMPARE(s.AreaSD, 120.5);
        QCOMPARE(s.MinArea, 180.0);
        QCOMPARE(s.MeanArea, 403.2);
        QCOMPARE(s.MaxArea, 790.0);
        QCOMPARE(s.AreaCV, 0.35);
        QCOMPARE(s.Pachymetry, 300); // not part of the stored record
        QCOMPARE(s.SidesHist, sides);
        QCOMPARE(s.AreaHist, areas);
        QCOMPARE(buffer->Count(), 3); // one frame and two loaded records
        QCOMPARE(buffer->FrameCount(), 1);
    }

    void loadSummaryOnAnEmptyBuffer()
    {
        TBFrameBuffer buffer;
        TExame exame;
        exame.TotalImages = 70000; // beyond the 16-bit field: clamped, not wrapped
        exame.MorphoInfo = QStringLiteral("10;20;30;5;2");
        exame.MegatInfo = QStringLiteral("0;0;0;0;0;0;0");
        QVERIFY(buffer.LoadSummary(exame));
        QCOMPARE(buffer.Count(), 1);
        QCOMPARE(buffer.FrameCount(), 0);
        QCOMPARE(buffer.Summary().FramesUsed, 65535);
        QCOMPARE(buffer.Summary().SidesHist, (TSidesHist{10, 20, 30, 5, 2}));
        QCOMPARE(buffer.PrintFrame(), -1);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, buffer.FrameBitmap(0));
    }

    // TBReview -----------------------------------------------------------------------------

    void reviewAddsRecordsToTheCurrentBuffer()
    {
        std::unique_ptr<TBFrameBuffer> frames;
        TBReview review(frames);
        TFrameRec record;
        record.Bitmap = filled(640, 480, qRgb(40, 50, 60));
        record.FixSide = QStringLiteral("T");
        record.FixPos = 4;
        record.Threshold = -2.5;
        record.PachyLeft = 10;
        record.PachyRight = 30;
        record.PachyWidth = 20;
        record.Roi = TRect{10, 10, 100, 100};
        record.Eye = 1;
        record.Matrix = std::make_unique<TDistMatrix>(*hexLattice(11.5));
        QVERIFY(!review.Add(std::move(record))); // no buffer yet

        frames = std::make_unique<TBFrameBuffer>();
        TDistMatrix *matrix = record.Matrix.get();
        QVERIFY(review.Add(std::move(record)));
        QCOMPARE(frames->Count(), 1);
        QCOMPARE(frames->Matrix(0), matrix);
        QCOMPARE(record.Matrix, nullptr);
        QCOMPARE(frames->Threshold(0), -2.5);
        QCOMPARE(frames->Fixation(0).FixSide, QStringLiteral("T"));
        QCOMPARE(frames->Pachymetry(0), (TPachymetry{10, 30, 20}));
        QCOMPARE(frames->Roi(0), (TRect{10, 10, 100, 100}));
        QCOMPARE(frames->FrameBitmap(0).pixel(5, 5), qRgb(40, 50, 60));

        frames = std::make_unique<TBFrameBuffer>(); // the variable now holds another buffer
        TFrameRec second;
        second.Bitmap = filled(640, 480, qRgb(1, 1, 1));
        QVERIFY(review.Add(std::move(second)));
        QCOMPARE(frames->Count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFrameBuffer)
#include "tst_framebuffer.moc"
