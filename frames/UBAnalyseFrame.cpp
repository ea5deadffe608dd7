#include "UBAnalyseFrame.h"

#include "Dialogs.h"
#include "Numbers.h"
#include "UBCellFinder.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <memory>

namespace cornix {

namespace {

bool Drawable(const TBFrameBuffer &buffer, int f)
{
    return buffer.RoiValid(f) && buffer.Matrix(f) != nullptr;
}

QImage DrawFrame(TBFrameBuffer &buffer, int f, const TDisplaySettings &display, const TPachymetry &pachymetry)
{
    QImage review = FrameImage(buffer.FrameBitmap(f));
    if (!Drawable(buffer, f))
        return review;
    const TDistMatrix &matrix = *buffer.Matrix(f);
    const TRect roi = buffer.Roi(f);
    QImage unprocessed;
    DrawOverlay(review, &unprocessed, roi, matrix, pachymetry, display.Options, display.Contrast);
    buffer.MakeCrop(f, unprocessed, CropOriginal, roi);
    buffer.MakeCrop(f, review, CropProcessed, roi);
    buffer.BCalculateStatistics(f, std::uint16_t(matrix.CellCount()), buffer.Scale().PixelToMM, matrix.Cells(),
                                matrix.Regions(), roi);
    return review;
}

} // namespace

QImage RedrawFrame(TBFrameBuffer &buffer, int f, const TDisplaySettings &display)
{
    return DrawFrame(buffer, f, display, buffer.Pachymetry(f));
}

QImage RefreshFrame(TBFrameBuffer &buffer, int f, const TDisplaySettings &display)
{
    return DrawFrame(buffer, f, display, TPachymetry{});
}

bool EditCell(TBFrameBuffer &buffer, int f, std::int32_t row, std::int32_t col, TCellEdit op)
{
    if (!Drawable(buffer, f))
        return false;
    TDistMatrix &matrix = *buffer.Matrix(f);
    if (op == TCellEdit::Add)
        matrix.AddCell(row, col);
    else
        matrix.RemoveCell(row, col);
    matrix.Build();
    return true;
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

TAnalyseOutcome AnalyseFrame(TBFrameBuffer &buffer, int f, double threshold, const TDisplaySettings &display)
{
    TAnalyseOutcome outcome;
    if (!buffer.RoiValid(f))
        return outcome;
    const TRect roi = buffer.Roi(f);
    auto gray = std::make_unique<TGrayFrame>();
    buffer.Gray(f, *gray);
    // The finder's planes live for this analysis only, so every analysis
    // starts from zeroed planes.
    auto finder = std::make_unique<TCMFinder>(*gray);
    finder->Find(kAnalysisIterations, threshold, roi);
    outcome.CellsFound = finder->CellCount();
    if (outcome.CellsFound <= kMinimumCells) {
        outcome.Result = TAnalyseOutcome::TooFewCells;
        outcome.Caption = warningCaption();
        outcome.Message = TooFewCellsMessage();
        buffer.SetRoi(f, TRect{});
        return outcome;
    }
    auto matrix = std::make_unique<TDistMatrix>(finder->Cells());
    matrix->Build();
    buffer.SetMatrix(f, std::move(matrix));
    TDisplaySettings analysed = display;
    analysed.Options.ShowEdges = true;
    analysed.Options.ShowCentres = true;
    analysed.Options.ShowColour = false;
    outcome.Review = RedrawFrame(buffer, f, analysed);
    outcome.Result = TAnalyseOutcome::Analysed;
    return outcome;
}

void ShowAnalyseOutcome(const TAnalyseOutcome &outcome)
{
    if (!outcome.Message.isEmpty())
        ShowWarning(outcome.Message, outcome.Caption);
}

} // namespace cornix
