#pragma once
// The analysis of one frame of the frame buffer and the operations the
// examination window runs on an analysed frame: redrawing it with its overlay
// (which renews the crops and the statistics), manual editing of the centres,
// and the mapping of a click on the enlarged view to frame pixels. None of them
// touches a widget: they return the picture to show and what happened.
#include "AnalysisTypes.h"
#include "FrameAnalysis.h"
#include "UBCellOverlay.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>

class TBFrameBuffer;

namespace cornix {

// Everything a redraw needs besides the frame: the display buttons and the
// contrast settings.
struct TDisplaySettings {
    TOverlayOptions Options;
    TContrastSettings Contrast;
};

// The review image of frame f: its bitmap with the overlay and the stored
// pachymetry lines. Renews f's Crop and ProcessedCrop and its statistics.
// Returns the bare bitmap (nothing renewed) when f has no valid region or no
// matrix. These operations never throw: a frame index outside the buffer shows
// "Erro irrecuperável em 'TfrmExamination.<operation>'" and gives a null image
// (EditCell: false).
QImage RedrawFrame(TBFrameBuffer &buffer, int f, const TDisplaySettings &display);
// The same with both pachymetry lines on column 0 (after display buttons,
// edits and restores).
QImage RefreshFrame(TBFrameBuffer &buffer, int f, const TDisplaySettings &display);

enum class TCellEdit { Add, Delete };
// "ADD" adds a centre at (row, col), anything else removes the centre whose
// region holds that pixel; the matrix is then rebuilt. False (nothing done)
// when f has no valid region or no matrix.
bool EditCell(TBFrameBuffer &buffer, int f, std::int32_t row, std::int32_t col, TCellEdit op);
bool EditCell(TBFrameBuffer &buffer, int f, std::int32_t row, std::int32_t col, const QString &op);

// Mouse state of a click on the enlarged view.
struct TEditClick {
    bool LeftButton = false;
    bool RightButton = false;
    bool Ctrl = false;
    bool AddDown = false;    // "Adicionar células"
    bool DeleteDown = false; // "Remover células"
};
// Add for left+AddDown or left+Ctrl; else Delete for left+DeleteDown or
// right+Ctrl; else nothing.
std::optional<TCellEdit> EditForClick(const TEditClick &click);
QRgb MarkerColour(TCellEdit op);

// Zoom of the enlarged view: position x 3.5 / 100 + 0.5 (the view is the crop
// scaled by 2z).
double ZoomFactor(int zoomBarPosition);
// A click at (X, Y) of the enlarged view: (x, y) = the halved click (ties to
// even, where the marker goes); Row/Col = y / z + Top and x / z + Left rounded.
struct TClickPosition {
    int X = 0, Y = 0;      // halved click on the enlarged view's bitmap
    std::int32_t Row = 0, Col = 0; // frame pixel
    friend bool operator==(const TClickPosition &, const TClickPosition &) = default;
};
TClickPosition MapClickToFrame(int x, int y, double zoom, const TRect &roi);

// Outcome of AnalyseFrame.
struct TAnalyseOutcome {
    // Failed: the analysis could not run (a frame index outside the buffer, a lack
    // of memory); the frame is as it was.
    enum TResult { Analysed, TooFewCells, NoValidRegion, Failed };
    TResult Result = NoValidRegion;
    std::int32_t CellsFound = 0; // N of the finder
    bool FiguresFailed = false;  // Analysed, but the statistics step failed (its message was shown)
    QString Caption;             // "AVISO" for too few cells, "ERRO" or "Erro" when failed
    QString Message;             // the text to show, empty when nothing is shown
    QImage Review;               // the redrawn frame when analysed
};

// The two sentences shown when the finder gives too few cells.
QString TooFewCellsMessage();

// Analyses frame f's grey frame and region with AnalyseGrayFrame (finder with
// 5 iterations and threshold, matrix, figures). More than 30 cells: the matrix is
// stored with SetMatrix (releasing the earlier one) and the figures with SetStats,
// then the frame is drawn with edges and centres on and colour off (contrast and
// transparency from display) and its crops renewed. 30 or fewer, or none counted
// inside the region: the frame's region is cleared and its matrix kept. A frame without a valid region: nothing.
// Never throws: an index outside the buffer gives Failed with "Erro irrecuperável
// em 'TfrmExamination.AnalyseFrame'", a lack of memory Failed with "Memória
// insuficiente para concluir o processo!".
TAnalyseOutcome AnalyseFrame(TBFrameBuffer &buffer, int f, double threshold, const TDisplaySettings &display);
// Shows the outcome's message (if any) through the dialog seam: an error when
// Failed, else a warning.
void ShowAnalyseOutcome(const TAnalyseOutcome &outcome);

} // namespace cornix
