// The analysis of one frame, redrawing, manual editing and the click mapping.
#include "UBAnalyseFrame.h"

#include "RecordingDialogs.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <QSet>
#include <QTest>

#include <malloc.h>

#include <memory>

using namespace cornix;

Q_DECLARE_METATYPE(TRect)

namespace {

constexpr TRect kBlobRoi{150, 110, 490, 370};

// A dark frame with `count` bright 6 x 6 squares on a grid 26 pixels apart:
// each square is one region of the finder.
QImage BlobFrame(int count)
{
    QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB888);
    image.fill(QColor(40, 40, 40));
    for (int i = 0; i < count; ++i) {
        const int row = 130 + 26 * (i / 10), col = 180 + 26 * (i % 10);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                image.setPixel(col + x, row + y, qRgb(220, 220, 220));
    }
    return image;
}

std::unique_ptr<TBFrameBuffer> BufferWith(const QImage &frame, const TRect &roi)
{
    auto buffer = std::make_unique<TBFrameBuffer>(TAnalysisScale{0.00186, 1.5});
    buffer->AddFrame(frame, QString(), 0, TBFrameBuffer::kNewFrameThreshold, TPachymetry{}, TRect{}, 0);
    buffer->SetRoi(0, roi);
    return buffer;
}

// Bytes the heap holds now (small blocks and mapped ones).
std::size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

TDisplaySettings PlainDisplay()
{
    TDisplaySettings display;
    display.Options.ContrastView = false;
    return display;
}

} // namespace

class TestAnalyseFrame : public QObject {
    Q_OBJECT

private slots:
    void zoomFactor_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<double>("zoom");
        QTest::newRow("bar at 0") << 0 << 0.5;
        QTest::newRow("bar at 50") << 50 << 2.25;
        QTest::newRow("bar at 100") << 100 << 4.0;
    }

    void zoomFactor()
    {
        QFETCH(int, position);
        QFETCH(double, zoom);
        QCOMPARE(ZoomFactor(position), zoom);
    }

    void clickMapping_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("halfX");
        QTest::addColumn<int>("halfY");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        // Region Left 100, Top 50.
        QTest::newRow("z 0.5, even click") << 10 << 6 << 0.5 << 5 << 3 << 110 << 56;
        QTest::newRow("z 0.5, odd click halves to even (2.5 -> 2)") << 5 << 7 << 0.5 << 2 << 4 << 104 << 58;
        QTest::newRow("z 1") << 41 << 0 << 1.0 << 20 << 0 << 120 << 50;
        QTest::newRow("z 4, quarter") << 10 << 10 << 4.0 << 5 << 5 << 101 << 51;
        QTest::newRow("z 4, 1.5 -> 2") << 12 << 12 << 4.0 << 6 << 6 << 102 << 52;
        QTest::newRow("z 4, 2.5 -> 2") << 20 << 20 << 4.0 << 10 << 10 << 102 << 52;
        QTest::newRow("z 4, 3.5 -> 4") << 28 << 28 << 4.0 << 14 << 14 << 104 << 54;
        QTest::newRow("z 2.25 (bar 50)") << 90 << 45 << 2.25 << 45 << 22 << 120 << 60;
        QTest::newRow("origin") << 0 << 0 << 2.25 << 0 << 0 << 100 << 50;
    }

    void clickMapping()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(double, zoom);
        QFETCH(int, halfX);
        QFETCH(int, halfY);
        QFETCH(int, col);
        QFETCH(int, row);
        const TClickPosition p = MapClickToFrame(x, y, zoom, TRect{100, 50, 300, 200});
        QCOMPARE(p.X, halfX);
        QCOMPARE(p.Y, halfY);
        QCOMPARE(p.Col, col);
        QCOMPARE(p.Row, row);
    }

    void editForClick_data()
    {
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("addDown");
        QTest::addColumn<bool>("deleteDown");
        QTest::addColumn<int>("expected"); // -1 nothing, 0 add, 1 delete
        QTest::newRow("left with add") << true << false << false << true << false << 0;
        QTest::newRow("left with delete") << true << false << false << false << true << 1;
        QTest::newRow("ctrl-left adds even with delete down") << true << false << true << false << true << 0;
        QTest::newRow("ctrl-right deletes") << false << true << true << false << false << 1;
        QTest::newRow("right alone: nothing") << false << true << false << true << true << -1;
        QTest::newRow("left with no button: nothing") << true << false << false << false << false << -1;
    }

    void editForClick()
    {
        QFETCH(bool, left);
        QFETCH(bool, right);
        QFETCH(bool, ctrl);
        QFETCH(bool, addDown);
        QFETCH(bool, deleteDown);
        QFETCH(int, expected);
        const auto op = EditForClick({left, right, ctrl, addDown, deleteDown});
        QCOMPARE(op.has_value() ? int(*op) : -1, expected);
        if (op)
            QCOMPARE(MarkerColour(*op), *op == TCellEdit::Add ? qRgb(0, 0, 255) : qRgb(255, 0, 0));
    }

    void minimumCells_data()
    {
        QTest::addColumn<int>("blobs");
        QTest::addColumn<bool>("analysed");
        QTest::newRow("30 cells: refused") << 30 << false;
        QTest::newRow("31 cells: analysed") << 31 << true;
        QTest::newRow("no cells") << 0 << false;
    }

    void minimumCells()
    {
        QFETCH(int, blobs);
        QFETCH(bool, analysed);
        auto buffer = BufferWith(BlobFrame(blobs), kBlobRoi);
        const TAnalyseOutcome outcome = AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay());
        QCOMPARE(outcome.CellsFound, blobs);
        QCOMPARE(outcome.Result == TAnalyseOutcome::Analysed, analysed);
        QCOMPARE(buffer->Matrix(0) != nullptr, analysed);
        QCOMPARE(buffer->RoiValid(0), analysed);
        if (analysed) {
            QVERIFY(outcome.Message.isEmpty());
            QCOMPARE(outcome.Review.size(), QSize(kFrameWidth, kFrameHeight));
            QVERIFY(!buffer->Crop(0).isNull());
        } else {
            QCOMPARE(outcome.Result, TAnalyseOutcome::TooFewCells);
            QCOMPARE(buffer->Roi(0), TRect{});
            QCOMPARE(outcome.Caption, QStringLiteral("AVISO"));
            QCOMPARE(outcome.Message,
                     QStringLiteral("Número de células identificadas insuficiente para continuidade do exame.\r"
                                    "Aumente a sensibilidade e/ou selecione outra região/imagem."));
        }
    }

    // Cells found around the region but none counted inside it: refused like too
    // few cells, not analysed with a density of 0.
    void regionCountingNoCell()
    {
        // Over the right edge of the first square, its centre left of the region.
        auto buffer = BufferWith(BlobFrame(40), TRect{184, 128, 196, 140});
        const TAnalyseOutcome outcome = AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay());
        QCOMPARE(outcome.CellsFound, 40);
        QCOMPARE(outcome.Result, TAnalyseOutcome::TooFewCells);
        QCOMPARE(outcome.Message, TooFewCellsMessage());
        QCOMPARE(buffer->Roi(0), TRect{});
        QCOMPARE(buffer->Matrix(0), nullptr);
    }

    // A statistics step that fails is shown and marked on the outcome, so that a
    // caller does not take the partial figures for results.
    void failedStatistics_data()
    {
        QTest::addColumn<double>("pixelToMM");
        QTest::addColumn<bool>("failed");
        QTest::newRow("0.00186 mm/pixel") << 0.00186 << false;
        QTest::newRow("0: no analysed area") << 0.0 << true;
        QTest::newRow("1e-5: density beyond 16 bits") << 1e-5 << true;
    }

    void failedStatistics()
    {
        QFETCH(double, pixelToMM);
        QFETCH(bool, failed);
        RecordingDialogs dialogs;
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        buffer->SetScale(TAnalysisScale{pixelToMM, 1.5});
        const TAnalyseOutcome outcome = AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay());
        QCOMPARE(outcome.Result, TAnalyseOutcome::Analysed);
        QCOMPARE(outcome.FiguresFailed, failed);
        QCOMPARE(dialogs.shown().size(), failed ? 1 : 0);
        if (failed)
            QCOMPARE(dialogs.last().text, QStringLiteral("Erro irrecuperável em 'TBFrameBuffer.BCalculateStatistics'"));
    }

    // What a batch keeps of a frame after its row is written: the figures, not the pixels.
    void releasedFrameKeepsItsFigures()
    {
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        QCOMPARE(AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay()).Result, TAnalyseOutcome::Analysed);
        buffer->SetUseIt(0, true);
        const TFrameStats stats = buffer->Stats(0);
        buffer->ReleaseFrameData(0);
        QVERIFY(buffer->FrameBitmap(0).isNull() && buffer->Crop(0).isNull() && buffer->ProcessedCrop(0).isNull());
        QCOMPARE(buffer->Matrix(0), nullptr);
        QCOMPARE(buffer->Summarize().Density, stats.Density);
        QCOMPARE(buffer->Summary().FramesUsed, 1);
    }

    void tooFewCellsShowsWarning()
    {
        RecordingDialogs dialogs;
        auto buffer = BufferWith(BlobFrame(5), kBlobRoi);
        ShowAnalyseOutcome(AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay()));
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.last().caption, QStringLiteral("AVISO"));
        QCOMPARE(dialogs.last().kind, DialogKind::Warning);
        QCOMPARE(dialogs.last().text, TooFewCellsMessage());
    }

    void noValidRegionDoesNothing_data()
    {
        QTest::addColumn<TRect>("roi");
        QTest::newRow("no region") << TRect{};
        QTest::newRow("area 50") << TRect{200, 200, 205, 210};
    }

    void noValidRegionDoesNothing()
    {
        QFETCH(TRect, roi);
        RecordingDialogs dialogs;
        auto buffer = BufferWith(BlobFrame(40), roi);
        const TAnalyseOutcome outcome = AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay());
        ShowAnalyseOutcome(outcome);
        QCOMPARE(outcome.Result, TAnalyseOutcome::NoValidRegion);
        QCOMPARE(buffer->Matrix(0), nullptr);
        QVERIFY(dialogs.shown().isEmpty());
    }

    // An index outside the buffer stops each operation at its boundary: the error is
    // shown (AnalyseFrame: carried in its outcome) and nothing is thrown.
    void badFrameIndex_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("frame");
        for (const char *operation : {"AnalyseFrame", "RedrawFrame", "RefreshFrame", "EditCell"}) {
            QTest::addRow("%s, frame -1", operation) << QString::fromLatin1(operation) << -1;
            QTest::addRow("%s, frame 1 of 1", operation) << QString::fromLatin1(operation) << 1;
        }
    }

    void badFrameIndex()
    {
        QFETCH(QString, operation);
        QFETCH(int, frame);
        RecordingDialogs dialogs;
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        const QString message = QStringLiteral("Erro irrecuperável em 'TfrmExamination.%1'").arg(operation);
        try {
            if (operation == QLatin1String("AnalyseFrame")) {
                const TAnalyseOutcome outcome = AnalyseFrame(*buffer, frame, kNormalSensitivity, PlainDisplay());
                QCOMPARE(outcome.Result, TAnalyseOutcome::Failed);
                QCOMPARE(outcome.Message, message);
                QVERIFY(dialogs.shown().isEmpty());
                ShowAnalyseOutcome(outcome);
            } else if (operation == QLatin1String("EditCell")) {
                QVERIFY(!EditCell(*buffer, frame, 200, 200, TCellEdit::Add));
            } else {
                const bool redraw = operation == QLatin1String("RedrawFrame");
                QVERIFY((redraw ? RedrawFrame(*buffer, frame, PlainDisplay())
                                : RefreshFrame(*buffer, frame, PlainDisplay()))
                            .isNull());
            }
        } catch (...) {
            QFAIL("an exception left the operation");
        }
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.last().kind, DialogKind::Error);
        QCOMPARE(dialogs.last().caption, QStringLiteral("ERRO"));
        QCOMPARE(dialogs.last().text, message);
        QCOMPARE(buffer->Matrix(0), nullptr);
    }

    // A refused re-analysis keeps the matrix the frame had.
    void tooFewKeepsEarlierMatrix()
    {
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        QCOMPARE(AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay()).Result, TAnalyseOutcome::Analysed);
        const TDistMatrix *first = buffer->Matrix(0);
        const TAnalyseOutcome again = AnalyseFrame(*buffer, 0, -1e6, PlainDisplay());
        QCOMPARE(again.Result, TAnalyseOutcome::TooFewCells);
        QCOMPARE(buffer->Matrix(0), first);
        QVERIFY(!buffer->RoiValid(0));
    }

    // Each re-analysis replaces the matrix and releases the earlier one: the heap
    // does not grow by a matrix (several MB) per analysis.
    void reanalysisReleasesMatrix()
    {
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        QCOMPARE(AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay()).Result, TAnalyseOutcome::Analysed);
        const std::size_t afterFirst = HeapInUse();
        for (double threshold : {kHighSensitivity, kLowSensitivity, kNormalSensitivity}) {
            QCOMPARE(AnalyseFrame(*buffer, 0, threshold, PlainDisplay()).Result, TAnalyseOutcome::Analysed);
            QVERIFY(buffer->Matrix(0) != nullptr);
        }
        const std::size_t afterFour = HeapInUse();
        QVERIFY2(afterFour < afterFirst + 1024 * 1024,
                 qPrintable(QStringLiteral("heap grew from %1 to %2 bytes").arg(afterFirst).arg(afterFour)));
    }

    void redrawAndRefreshPachymetry_data()
    {
        QTest::addColumn<bool>("refresh");
        QTest::addColumn<QRgb>("atColumn0");
        QTest::addColumn<QRgb>("atLeft");
        QTest::addColumn<QRgb>("atRight");
        const QRgb dark = qRgb(40, 40, 40);
        QTest::newRow("RedrawFrame: measured columns") << false << dark << qRgb(255, 0, 0) << qRgb(255, 255, 0);
        QTest::newRow("RefreshFrame: both on column 0") << true << qRgb(255, 255, 0) << dark << dark;
    }

    void redrawAndRefreshPachymetry()
    {
        QFETCH(bool, refresh);
        QFETCH(QRgb, atColumn0);
        QFETCH(QRgb, atLeft);
        QFETCH(QRgb, atRight);
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        QCOMPARE(AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay()).Result, TAnalyseOutcome::Analysed);
        buffer->SetPachymetry(0, 60, 560, 500);
        const QImage review = refresh ? RefreshFrame(*buffer, 0, PlainDisplay()) : RedrawFrame(*buffer, 0, PlainDisplay());
        QCOMPARE(review.pixel(0, 20), atColumn0);
        QCOMPARE(review.pixel(60, 20), atLeft);
        QCOMPARE(review.pixel(560, 20), atRight);
    }

    // The review after an analysis always has edges and centres and never the
    // side colours, whatever the display buttons ask for.
    void analysisDrawsEdgesAndCentres_data()
    {
        QTest::addColumn<bool>("edges");
        QTest::addColumn<bool>("centres");
        QTest::newRow("buttons: centres and colour") << false << true;
        QTest::newRow("buttons: edges and colour") << true << false;
    }

    // The picture under the overlay is made on the other core while the matrix is
    // built: the review must be what a redraw on this thread draws, crops included.
    void analysisPictureEqualsARedraw_data()
    {
        QTest::addColumn<bool>("contrastView");
        QTest::newRow("contrast view") << true;
        QTest::newRow("plain frame") << false;
    }
    void analysisPictureEqualsARedraw()
    {
        QFETCH(bool, contrastView);
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        TDisplaySettings display = PlainDisplay();
        display.Options.ContrastView = contrastView;
        const TAnalyseOutcome outcome = AnalyseFrame(*buffer, 0, kNormalSensitivity, display);
        QCOMPARE(outcome.Result, TAnalyseOutcome::Analysed);
        const QImage crop = buffer->Crop(0), processed = buffer->ProcessedCrop(0);
        TDisplaySettings analysed = display;
        analysed.Options.ShowEdges = analysed.Options.ShowCentres = true;
        analysed.Options.ShowColour = false;
        QCOMPARE(RedrawFrame(*buffer, 0, analysed), outcome.Review);
        QVERIFY(!crop.isNull() && !processed.isNull());
        QCOMPARE(buffer->Crop(0), crop);
        QCOMPARE(buffer->ProcessedCrop(0), processed);
        TDisplaySettings plain = analysed;
        plain.Options.ContrastView = false;
        QCOMPARE(outcome.Review != RedrawFrame(*buffer, 0, plain), contrastView);
    }

    void analysisDrawsEdgesAndCentres()
    {
        QFETCH(bool, edges);
        QFETCH(bool, centres);
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        TDisplaySettings display = PlainDisplay();
        display.Options.ShowEdges = edges;
        display.Options.ShowCentres = centres;
        display.Options.ShowColour = true;
        display.Options.Transparency = {100, 100};
        const TAnalyseOutcome outcome = AnalyseFrame(*buffer, 0, kNormalSensitivity, display);
        QCOMPARE(outcome.Result, TAnalyseOutcome::Analysed);
        const TDistMatrix &matrix = *buffer->Matrix(0);
        const QImage frame = FrameImage(buffer->FrameBitmap(0));
        const QImage &review = outcome.Review;
        const auto inside = [](int row, int col) {
            return kBlobRoi.Top < row && row < kBlobRoi.Bottom && kBlobRoi.Left < col && col < kBlobRoi.Right;
        };
        QSet<QPair<int, int>> centrePixels;
        for (int k = 1; k <= matrix.CellCount(); ++k) {
            const TCellRec &c = matrix.Cells()[std::size_t(k)];
            if (!inside(c.Row, c.Col))
                continue;
            centrePixels.insert({c.Row, c.Col});
            QCOMPARE(review.pixel(c.Col, c.Row), kDetectedCentreColour);
        }
        QVERIFY(!centrePixels.isEmpty());
        int boundaries = 0, plain = 0;
        for (int row = kBlobRoi.Top + 1; row < kBlobRoi.Bottom; ++row) {
            for (int col = kBlobRoi.Left + 1; col < kBlobRoi.Right; ++col) {
                if (centrePixels.contains({row, col}))
                    continue;
                const std::int32_t mark = matrix.BoundaryPlane()[std::size_t(row)][std::size_t(col)];
                if (mark == kBoundaryPixel || mark == kVertexPixel) {
                    QCOMPARE(review.pixel(col, row), mark == kBoundaryPixel ? kBoundaryColour : kVertexColour);
                    ++boundaries;
                } else if (matrix.LabelAt(row, col) > 0) {
                    QCOMPARE(review.pixel(col, row), frame.pixel(col, row)); // not coloured
                    ++plain;
                }
            }
        }
        QVERIFY(boundaries > 0);
        QVERIFY(plain > 0);
    }

    // The crops are cut from the frame before and after the overlay.
    void redrawRenewsCrops()
    {
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay());
        TDisplaySettings display = PlainDisplay();
        display.Options.ShowColour = true;
        display.Options.Transparency = {100, 100};
        const QImage review = RedrawFrame(*buffer, 0, display);
        const QSize size(kBlobRoi.Right - kBlobRoi.Left, kBlobRoi.Bottom - kBlobRoi.Top);
        QCOMPARE(buffer->Crop(0).size(), size);
        QCOMPARE(buffer->ProcessedCrop(0).size(), size);
        QCOMPARE(buffer->Crop(0).pixelColor(10, 10), QColor(40, 40, 40));
        QCOMPARE(buffer->ProcessedCrop(0).pixel(10, 10), review.pixel(kBlobRoi.Left + 10, kBlobRoi.Top + 10));
        QVERIFY(buffer->ProcessedCrop(0).pixel(10, 10) != qRgb(40, 40, 40));
        QVERIFY(buffer->CellCount(0) > 0);
    }

    void editCell()
    {
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay());
        TDistMatrix &matrix = *buffer->Matrix(0);
        const int n = matrix.CellCount();
        QVERIFY(EditCell(*buffer, 0, 170, 296, QStringLiteral("ADD")));
        QCOMPARE(matrix.CellCount(), n + 1);
        QVERIFY(EditCell(*buffer, 0, 170, 296, QStringLiteral("ADD"))); // same place: nothing added
        QCOMPARE(matrix.CellCount(), n + 1);
        const std::int32_t label = matrix.LabelAt(170, 296);
        QVERIFY(label > 0);
        QVERIFY(EditCell(*buffer, 0, 170, 296, QStringLiteral("DELETE")));
        QCOMPARE(matrix.CellCount(), n);
        QVERIFY(EditCell(*buffer, 0, 5, 5, TCellEdit::Delete)); // label 0: nothing removed
        QCOMPARE(matrix.CellCount(), n);
    }

    // The contrast view is computed once per frame and region: a redraw after an edit,
    // after another frame or with other settings draws exactly what a drawing from
    // scratch does.
    void contrastViewRedrawnExactly()
    {
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        buffer->AddFrame(BlobFrame(60), QString(), 0, TBFrameBuffer::kNewFrameThreshold, TPachymetry{}, TRect{}, 0);
        buffer->SetRoi(1, kBlobRoi);
        TDisplaySettings display; // contrast view on
        AnalyseFrame(*buffer, 0, kNormalSensitivity, display);
        AnalyseFrame(*buffer, 1, kNormalSensitivity, display);
        const auto fromScratch = [&](int f, const TDisplaySettings &d) {
            QImage image = FrameImage(buffer->FrameBitmap(f));
            QImage unprocessed;
            DrawOverlay(image, &unprocessed, buffer->Roi(f), *buffer->Matrix(f), TPachymetry{}, d.Options, d.Contrast);
            return std::pair{image, unprocessed};
        };
        QVERIFY(EditCell(*buffer, 0, 170, 296, TCellEdit::Add));
        for (int round = 0; round < 2; ++round) {
            for (int f = 0; f < 2; ++f) {
                const QImage review = RefreshFrame(*buffer, f, display);
                const auto [image, unprocessed] = fromScratch(f, display);
                QCOMPARE(review, image);
                QCOMPARE(buffer->Crop(f), unprocessed.copy(kBlobRoi.Left, kBlobRoi.Top, kBlobRoi.Right - kBlobRoi.Left,
                                                           kBlobRoi.Bottom - kBlobRoi.Top));
            }
        }
        TDisplaySettings darker = display;
        darker.Contrast.MinBlack = 60;
        QCOMPARE(RefreshFrame(*buffer, 0, darker), fromScratch(0, darker).first);
        buffer->SetRoi(0, TRect{160, 120, 480, 360});
        QCOMPARE(RefreshFrame(*buffer, 0, display), fromScratch(0, display).first);
    }

    void editWithoutRegionDoesNothing()
    {
        auto buffer = BufferWith(BlobFrame(40), kBlobRoi);
        AnalyseFrame(*buffer, 0, kNormalSensitivity, PlainDisplay());
        const int n = buffer->Matrix(0)->CellCount();
        buffer->ClearRoi(0);
        QVERIFY(!EditCell(*buffer, 0, 170, 296, TCellEdit::Add));
        QCOMPARE(buffer->Matrix(0)->CellCount(), n);
        const QImage review = RefreshFrame(*buffer, 0, PlainDisplay());
        QCOMPARE(review, FrameImage(buffer->FrameBitmap(0)));
    }
};

QTEST_APPLESS_MAIN(TestAnalyseFrame)
#include "tst_analyseframe.moc"
