#include "UBAnalyseFrame.h"

#include "Dialogs.h"
#include "Numbers.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <QRect>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

namespace cornix {

namespace {

bool Drawable(const TBFrameBuffer &buffer, int f)
{
    return buffer.RoiValid(f) && buffer.Matrix(f) != nullptr;
}

// The part of the frame inside the region (the enhancement changes nothing else);
// null when the region lies outside the frame.
QRect RegionRect(const TRect &roi)
{
    const int left = std::max(roi.Left, 0), top = std::max(roi.Top, 0);
    const int right = std::min(roi.Right, kFrameWidth - 1), bottom = std::min(roi.Bottom, kFrameHeight - 1);
    return right < left || bottom < top ? QRect() : QRect(left, top, right - left + 1, bottom - top + 1);
}

// The frame with a kept enhanced region written over its own pixels.
QImage WithRegion(const QImage &bitmap, const QRect &rect, const QImage &region)
{
    QImage frame = FrameImage(bitmap);
    const auto bytes = std::size_t(3 * rect.width());
    for (int row = 0; row < rect.height(); ++row)
        std::memcpy(frame.scanLine(rect.top() + row) + 3 * rect.left(), region.constScanLine(row), bytes);
    return frame;
}

// The contrast-enhanced rendering of a frame's region depends on the frame's pixels,
// the region and the settings alone, not on the cells: every redraw after an edit
// would compute the same picture again. The last few regions are kept, for every
// thread (an analysis makes its picture on the second core); keeping only the
// region leaves the returned frame the caller's alone, so that drawing on it
// copies nothing more.
QImage EnhancedFrame(const QImage &bitmap, const TRect &roi, const TContrastSettings &contrast)
{
    struct Entry {
        qint64 key = 0;
        TRect roi;
        TContrastSettings contrast;
        QRect rect;
        QImage region;
    };
    constexpr std::size_t kKept = 4;
    static std::mutex keptMutex;
    static std::vector<Entry> kept;
    const qint64 key = bitmap.cacheKey();
    {
        const std::lock_guard lock(keptMutex);
        for (auto it = kept.begin(); it != kept.end(); ++it) {
            if (it->key == key && it->roi == roi && it->contrast == contrast) {
                std::rotate(kept.begin(), it, it + 1); // most recent first
                return WithRegion(bitmap, kept.front().rect, kept.front().region);
            }
        }
    }
    QImage enhanced = FrameImage(bitmap);
    EnhanceContrast(enhanced, roi, contrast);
    const QRect rect = RegionRect(roi);
    Entry entry{key, roi, contrast, rect, rect.isNull() ? QImage() : enhanced.copy(rect)};
    const std::lock_guard lock(keptMutex);
    kept.insert(kept.begin(), std::move(entry));
    if (kept.size() > kKept)
        kept.pop_back();
    return enhanced;
}

// What the review picture is drawn on: the frame, or its contrast view.
QImage ReviewBase(const QImage &bitmap, const TRect &roi, const TDisplaySettings &display)
{
    return display.Options.ContrastView ? EnhancedFrame(bitmap, roi, display.Contrast) : FrameImage(bitmap);
}

// The drawing step on a review base made for the frame's region and the display's
// contrast settings: the overlay over an analysed frame, whose figures are
// already computed, and its two crops.
QImage DrawAnalysedFrameOn(QImage review, TBFrameBuffer &buffer, int f, const TDisplaySettings &display,
                           const TPachymetry &pachymetry)
{
    const TRect roi = buffer.Roi(f);
    TOverlayOptions options = display.Options;
    options.ContrastView = false; // the base is enhanced already where it is to be
    // The Crop is cut from the frame as it is before the overlay (what DrawOverlay's
    // unprocessed copy holds: nothing when the region is not valid), so that no
    // copy of the whole frame is made for it.
    buffer.MakeCrop(f, IsValidRoi(roi) ? review : QImage(), CropOriginal, roi);
    DrawOverlay(review, nullptr, roi, *buffer.Matrix(f), pachymetry, options, display.Contrast);
    buffer.MakeCrop(f, review, CropProcessed, roi);
    return review;
}

QImage DrawAnalysedFrame(TBFrameBuffer &buffer, int f, const TDisplaySettings &display,
                         const TPachymetry &pachymetry)
{
    return DrawAnalysedFrameOn(ReviewBase(buffer.FrameBitmap(f), buffer.Roi(f), display), buffer, f, display,
                               pachymetry);
}

// Figures first (from the frame's matrix), then the drawing.
QImage DrawFrame(TBFrameBuffer &buffer, int f, const TDisplaySettings &display, const TPachymetry &pachymetry)
{
    if (!Drawable(buffer, f))
        return FrameImage(buffer.FrameBitmap(f));
    buffer.BCalculateStatistics(f);
    return DrawAnalysedFrame(buffer, f, display, pachymetry);
}

QString UnrecoverableName(const char *operation) { return QStringLiteral("TfrmExamination.") + QLatin1String(operation); }

// Runs one operation of the review page. An exception - a frame index outside the
// buffer, a lack of memory - stops it there: "Erro irrecuperável em
// 'TfrmExamination.<operation>'" is shown and the fallback returned.
template <typename T, typename Operation>
T Guarded(const char *operation, T fallback, Operation run)
{
    try {
        return run();
    } catch (const std::exception &) {
        ShowUnrecoverable(UnrecoverableName(operation));
    }
    return fallback;
}

} // namespace

QImage RedrawFrame(TBFrameBuffer &buffer, int f, const TDisplaySettings &display)
{
    return Guarded("RedrawFrame", QImage(), [&] { return DrawFrame(buffer, f, display, buffer.Pachymetry(f)); });
}

QImage RefreshFrame(TBFrameBuffer &buffer, int f, const TDisplaySettings &display)
{
    return Guarded("RefreshFrame", QImage(), [&] { return DrawFrame(buffer, f, display, TPachymetry{}); });
}

bool EditCell(TBFrameBuffer &buffer, int f, std::int32_t row, std::int32_t col, TCellEdit op)
{
    return Guarded("EditCell", false, [&] {
        if (!Drawable(buffer, f))
            return false;
        TDistMatrix &matrix = *buffer.Matrix(f);
        if (op == TCellEdit::Add)
            matrix.AddCell(row, col);
        else
            matrix.RemoveCell(row, col);
        matrix.Build();
        return true;
    });
}

bool EditCell(TBFrameBuffer &buffer, int f, std::int32_t row, std::int32_t col, const QString &op)
{
    return EditCell(buffer, f, row, col, op == QLatin1String("ADD") ? TCellEdit::Add : TCellEdit::Delete);
}

std::optional<TCellEdit> EditForClick(const TEditClick &click)
{
    if (click.LeftButton && (click.AddDown || click.Ctrl))
        return TCellEdit::Add;
    if ((click.LeftButton && click.DeleteDown) || (click.RightButton && click.Ctrl))
        return TCellEdit::Delete;
    return std::nullopt;
}

QRgb MarkerColour(TCellEdit op) { return op == TCellEdit::Add ? kAddMarkerColour : kDeleteMarkerColour; }

double ZoomFactor(int zoomBarPosition) { return zoomBarPosition * 3.5 / 100.0 + 0.5; }

TClickPosition MapClickToFrame(int x, int y, double zoom, const TRect &roi)
{
    TClickPosition p;
    p.X = int(RoundHalfEven(x / 2.0));
    p.Y = int(RoundHalfEven(y / 2.0));
    p.Col = std::int32_t(RoundHalfEven(p.X / zoom + roi.Left));
    p.Row = std::int32_t(RoundHalfEven(p.Y / zoom + roi.Top));
    return p;
}

QString TooFewCellsMessage()
{
    return QStringLiteral("Número de células identificadas insuficiente para continuidade do exame.\r"
                          "Aumente a sensibilidade e/ou selecione outra região/imagem.");
}

namespace {

TAnalyseOutcome Failed(const QString &message, const QString &caption = errorCaption())
{
    TAnalyseOutcome outcome;
    outcome.Result = TAnalyseOutcome::Failed;
    outcome.Caption = caption;
    outcome.Message = message;
    return outcome;
}

// How an analysed frame is shown first: edges and centres, no colours.
TDisplaySettings AnalysedDisplay(const TDisplaySettings &display)
{
    TDisplaySettings analysed = display;
    analysed.Options.ShowEdges = true;
    analysed.Options.ShowCentres = true;
    analysed.Options.ShowColour = false;
    return analysed;
}

TAnalyseOutcome Analyse(TBFrameBuffer &buffer, int f, double threshold, const TDisplaySettings &display)
{
    TAnalyseOutcome outcome;
    if (!buffer.RoiValid(f))
        return outcome;
    auto gray = std::make_unique<TGrayFrame>();
    buffer.Gray(f, *gray);
    const TDisplaySettings analysed = AnalysedDisplay(display);
    const QImage bitmap = buffer.FrameBitmap(f);
    const TRect roi = buffer.Roi(f);
    // The picture the overlay goes on needs no cell: it is made while the matrix is
    // built. Nothing may escape the other thread; what fails is made again below.
    QImage base;
    const auto makeBase = [&]() noexcept {
        try {
            base = ReviewBase(bitmap, roi, analysed);
        } catch (...) {
            base = QImage();
        }
    };
    TFrameAnalysis analysis = AnalyseGrayFrame(*gray, roi, threshold, buffer.Scale(), makeBase);
    gray.reset();
    outcome.CellsFound = analysis.CellsFound;
    switch (analysis.Result) {
    case TFrameAnalysis::TooFewCells:
        outcome.Result = TAnalyseOutcome::TooFewCells;
        outcome.Caption = warningCaption();
        outcome.Message = TooFewCellsMessage();
        buffer.SetRoi(f, TRect{});
        return outcome;
    case TFrameAnalysis::OutOfMemory:
        throw std::bad_alloc();
    case TFrameAnalysis::NoValidRegion:
        return outcome;
    case TFrameAnalysis::Analysed:
    case TFrameAnalysis::NoFigures:
        break;
    }
    buffer.SetMatrix(f, std::move(analysis.Matrix));
    buffer.SetStats(f, analysis.Stats);
    if (analysis.Result == TFrameAnalysis::NoFigures) {
        outcome.FiguresFailed = true;
        ShowUnrecoverable(QStringLiteral("TBFrameBuffer.BCalculateStatistics"));
    }
    if (base.isNull())
        base = ReviewBase(bitmap, roi, analysed);
    outcome.Review = DrawAnalysedFrameOn(std::move(base), buffer, f, analysed, buffer.Pachymetry(f));
    outcome.Result = TAnalyseOutcome::Analysed;
    return outcome;
}

} // namespace

TAnalyseOutcome AnalyseFrame(TBFrameBuffer &buffer, int f, double threshold, const TDisplaySettings &display)
{
    try {
        return Analyse(buffer, f, threshold, display);
    } catch (const std::bad_alloc &) {
        return Failed(QStringLiteral("Memória insuficiente para concluir o processo!"), QStringLiteral("Erro"));
    } catch (const std::exception &) {
        return Failed(QStringLiteral("Erro irrecuperável em '%1'").arg(UnrecoverableName("AnalyseFrame")));
    }
}

void ShowAnalyseOutcome(const TAnalyseOutcome &outcome)
{
    if (outcome.Message.isEmpty())
        return;
    if (outcome.Result == TAnalyseOutcome::Failed)
        ShowError(outcome.Message, outcome.Caption);
    else
        ShowWarning(outcome.Message, outcome.Caption);
}

} // namespace cornix
