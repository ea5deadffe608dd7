#pragma once
// The decisions of the review page ("Imagens capturadas") without its widgets:
// moving through the captured frames in the strip of three views, the "Ir para"
// field, the sensitivity buttons, the frame information texts, and the region of
// interest drawn with the mouse on the current view (free or a predefined box, the
// rubber band, the mapping of the 640 × 453 view onto the 640 × 480 frame, and the
// pachymetry span of the right button).
#include "UBExamSession.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class TBFrameBuffer;

namespace cornix::exam {

// Navigation ------------------------------------------------------------------------

enum class TNavCommand { First, Last, Next, Previous, GoTo };
// "FIRST", "LAST", "NEXT", "PREVIOUS"; any other text is GoTo.
TNavCommand NavCommandOf(const QString &command);

// "Não foi possível executar o comando. Nenhuma imagem foi capturada!"
QString NoFramesMessage();

// Moves the three views' indices (PrevIndex, CurIndex, NextIndex; -1 = empty view)
// over count frames. The views always show the frames their indices name.
class TBFrameNavigator {
public:
    TBFrameNavigator(TReviewState &view, int count, int maxFrames);

    // FIRST, LAST and NEXT with frames, PREVIOUS with at least two, GOTO with frames;
    // true when the move was attempted (the labels and sensitivity buttons are then
    // refreshed, also when nothing moved). Without frames nothing happens.
    bool Navigate(TNavCommand command, int n = 0);

    // The side views' clicks and the moves Navigate makes. Next and Previous clear
    // Selection and DragPoint; true when the indices changed.
    bool ShowNextFrame();
    bool ShowPreviousFrame();
    // False without frames (the caller shows NoFramesMessage()).
    bool GoToFirstFrame();
    bool GoToLastFrame();
    // n counts from 1; acts only for 1 <= n <= count and n <= maxFrames.
    bool GoToFrameNbr(int n);

private:
    TReviewState &m_view;
    int m_count;
    int m_maxFrames;
};

// edtGoToImg2: the whole number of the text when it is at most count (0 and negative
// numbers included: they move nothing but still refresh the labels); nothing for
// other texts.
std::optional<int> GoToNumber(const QString &text, int count);

// Sensitivity -----------------------------------------------------------------------

enum class TSensitivity { High, Normal, Low };
// Exactly -2.5 is "Alta", exactly -3.5 "Baixa", anything else "Normal".
TSensitivity SensitivityOf(double threshold);
double ThresholdOf(TSensitivity sensitivity);
// lblSensibilityInfo's explanation of a sensitivity.
QString SensitivityInfo(TSensitivity sensitivity);

// Frame information ------------------------------------------------------------------

struct TFrameInfoTexts {
    QString FrameID;   // lblFrameIDValue: the frame's number, from 1
    QString Area;      // lblAreaValue: mm², "0.0000"
    QString Dimension; // lblDimensionValue: "w x h" in mm, "0.0000" each
    QString Paq;       // lblPaqValue: µm
    QString Fixation;  // lblFixationValue: "2h (N)", "0h"
    friend bool operator==(const TFrameInfoTexts &, const TFrameInfoTexts &) = default;
};
TFrameInfoTexts FrameInfo(const TBFrameBuffer &frames, int f);

// The region drawn on the current view ------------------------------------------------

enum class TMouseButton { Left, Right, Other };

// The view shows the 640 × 480 frame stretched to 640 × 453.
inline constexpr QSize kReviewViewSize{640, 453};
inline constexpr QSize kFrameSize{640, 480};

// A point of the view clamped to its pixels.
QPoint ClampToView(QPoint point, QSize view = kReviewViewSize);
// A rectangle of view pixels as frame pixels: columns and rows scaled and rounded
// (ties to even), so that the region covers the same part of the picture.
TRect ViewToFrame(const TRect &rect, QSize view = kReviewViewSize, QSize frame = kFrameSize);
// The rectangle a frame region covers on the view (for drawing its rectangle).
QRect FrameToView(const TRect &rect, QSize view = kReviewViewSize, QSize frame = kFrameSize);
// The predefined box around a point: 100 × 240 view pixels centred on it, its sides
// kept inside the view.
TRect PredefinedBox(QPoint centre, QSize view = kReviewViewSize);

// What the mouse on the current view does. The rubber band is a rectangle drawn in
// not-XOR mode on the shown picture: drawing the same rectangle again erases it. The
// tool keeps which rectangle is on the picture, so that each step erases exactly what
// the last one drew (the picture is re-shown, without a band, on every press).
class TBRegionTool {
public:
    explicit TBRegionTool(TReviewState &view, QSize viewSize = kReviewViewSize);

    struct TBandStep {
        std::optional<QRect> erase; // drawn again to erase it
        std::optional<QRect> draw;
    };
    // The picture has been re-shown: no band is on it.
    void Forget() { m_band.reset(); }
    const std::optional<QRect> &Band() const { return m_band; }

    // A press on the view: the picture is re-shown first (the caller does it), then
    // the selection starts here. In predefined mode the box shows at once around the point.
    TBandStep Press(TMouseButton button, QPoint at, bool predefined);
    // A move, with or without a button: the free band follows while dragging; the
    // predefined box always follows the mouse.
    TBandStep Move(QPoint at, bool predefined);

    struct TRelease {
        TMouseButton button = TMouseButton::Other;
        TRect viewRect;   // the selection on the view, as drawn
        TRect frameRect;  // the same on the frame (not normalised)
        TPachymetry pachymetry; // right button: the span from the press to the release, in frame columns
    };
    TRelease Release(TMouseButton button, QPoint at, bool predefined);

private:
    TBandStep showBand(const std::optional<QRect> &band);

    TReviewState &m_view;
    QSize m_viewSize;
    std::optional<QRect> m_band;
};

// The outline of the rectangle from one corner to the other; nothing when both are
// one point.
std::optional<QRect> BandBetween(QPoint a, QPoint b);

} // namespace cornix::exam
