// Page 1 of the examination window, "Imagens capturadas": the strip of three views and
// its navigation, the "Ir para" field and the arrows, the frame information, the
// region of interest drawn with the mouse on the current view (free or the
// predefined box), the pachymetry span of the right button, the sensitivity buttons,
// and the analysis of a frame when its region is released.
#include "UfrmExame.h"

#include "ui_TfrmExamination.h"

#include "Dialogs.h"
#include "UBFrameBuffer.h"

#include <QMouseEvent>
#include <QPainter>

using namespace cornix::exam;

namespace {
QImage ViewImage(const QImage &frame, QSize size)
{
    return frame.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
}

TMouseButton ButtonOf(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        return TMouseButton::Left;
    if (button == Qt::RightButton)
        return TMouseButton::Right;
    return TMouseButton::Other;
}
} // namespace

void TfrmExamination::connectReview()
{
    connect(m_ui->spbGoToFirstFrame, &QToolButton::clicked, this, &TfrmExamination::spbGoToFirstFrameClick);
    connect(m_ui->spbGoToLastFrame, &QToolButton::clicked, this, &TfrmExamination::spbGoToLastFrameClick);
    connect(m_ui->spbGoToNextFrame, &QToolButton::clicked, this, &TfrmExamination::spbNextClick);
    connect(m_ui->spbGoToPreviousFrame, &QToolButton::clicked, this, &TfrmExamination::spbPreviousClick);
    connect(m_ui->edtGoToImg2, &QLineEdit::textChanged, this, &TfrmExamination::edtGoToImg2Change);
    connect(m_ui->btnPredefinedYes, &QToolButton::clicked, this, &TfrmExamination::btnPredefinedYesClick);
    connect(m_ui->spbHighSensibility, &QToolButton::clicked, this, [this] { SensibilityClick(TSensitivity::High); });
    connect(m_ui->spbNormalSensibility, &QToolButton::clicked, this,
            [this] { SensibilityClick(TSensitivity::Normal); });
    connect(m_ui->spbLowSensibility, &QToolButton::clicked, this, [this] { SensibilityClick(TSensitivity::Low); });
    m_ui->imgActual->setMouseTracking(true); // the predefined box follows the mouse
    m_ui->imgActual->setCursor(Qt::CrossCursor);
}

// Views -----------------------------------------------------------------------------

// ResetCapture: the three views of page 1 show nothing.
void TfrmExamination::ClearReviewViews()
{
    m_ui->imgPrevious->clear();
    m_ui->imgActual->clear();
    m_ui->imgNext->clear();
    m_actualImage = QImage();
    m_regionTool.Forget();
}

void TfrmExamination::ShowFrameIn(QLabel *view, int f)
{
    if (f < 0 || f >= m_session.Frames().FrameCount()) {
        view->clear();
        return;
    }
    view->setPixmap(QPixmap::fromImage(ViewImage(m_session.Frames().FrameBitmap(f), view->size())));
}

// imgActual shows a 640 × 480 picture stretched to its 640 × 453; the band is drawn on
// that picture, so showing a new one leaves no band.
void TfrmExamination::ShowActualImage(const QImage &frameImage)
{
    m_actualImage = ViewImage(frameImage, kReviewViewSize);
    m_regionTool.Forget();
    m_ui->imgActual->setPixmap(QPixmap::fromImage(m_actualImage));
}

void TfrmExamination::ShowCurrentFrame(bool withOverlay)
{
    const int f = m_session.View().CurIndex;
    if (f < 0 || f >= m_session.Frames().FrameCount()) {
        m_ui->imgActual->clear();
        m_actualImage = QImage();
        m_regionTool.Forget();
        return;
    }
    if (withOverlay && m_session.Frames().RoiValid(f))
        RefreshCurrentFrame();
    else
        ShowActualImage(m_session.Frames().FrameBitmap(f));
}

// The current frame with its cells (edges and centres, no colour) and both
// pachymetry lines on column 0.
void TfrmExamination::RefreshCurrentFrame()
{
    cornix::TDisplaySettings display = DisplaySettings();
    display.Options.ShowEdges = true;
    display.Options.ShowCentres = true;
    display.Options.ShowColour = false;
    ShowActualImage(cornix::RefreshFrame(m_session.Frames(), m_session.View().CurIndex, display));
}

// The three views show the frames their indices name; the current one with its cells
// when asked.
void TfrmExamination::ShowViews(bool withOverlay)
{
    const TReviewState &view = m_session.View();
    ShowFrameIn(m_ui->imgPrevious, view.PrevIndex);
    ShowFrameIn(m_ui->imgNext, view.NextIndex);
    ShowCurrentFrame(withOverlay);
}

// The show event of the page: the views start at the first frame (1 to 999 frames),
// the current one with its cells.
void TfrmExamination::tbsCapturedFramesShow()
{
    if (!m_session.StartReview())
        return;
    ShowViews(true);
    ShowFrameInfo();
}

// After the show event: the image caption, the current frame and a fresh selection.
void TfrmExamination::PrepareReviewPage()
{
    m_ui->lblImgActual->setText(m_session.ImageCaption());
    if (!m_session.HasFrames())
        return;
    m_session.View().Selection = {};
    m_session.View().DragPoint = {};
    m_session.View().Dragging = false;
    ShowSensitivity();
}

// Navigation ----------------------------------------------------------------------------

void TfrmExamination::Navigate(TNavCommand command, int n)
{
    const TReviewState before = m_session.View();
    try {
        TBFrameNavigator navigator(m_session.View(), m_session.Count(), m_session.Settings().maxFrames);
        if (!navigator.Navigate(command, n))
            return;
        ShowViews(true);
        m_ui->lblImgActual->setText(m_session.ImageCaption());
        ShowFrameInfo();
        ShowSensitivity();
    } catch (...) {
        // The views stay as they were when the move failed.
        m_session.View() = before;
        const char *operation = command == TNavCommand::First  ? "TfrmExamination.GoToFirstFrame"
                                : command == TNavCommand::Last ? "TfrmExamination.GoToLastFrame"
                                                               : "TfrmExamination.GoToFrameNbr";
        cornix::ShowUnrecoverable(QString::fromLatin1(operation));
    }
}

void TfrmExamination::spbGoToFirstFrameClick() { Navigate(TNavCommand::First); }
void TfrmExamination::spbGoToLastFrameClick() { Navigate(TNavCommand::Last); }
void TfrmExamination::spbNextClick() { Navigate(TNavCommand::Next); }
void TfrmExamination::spbPreviousClick() { Navigate(TNavCommand::Previous); }

// A click on a side view moves by one frame; the labels stay as they are.
void TfrmExamination::imgNextClick()
{
    TBFrameNavigator navigator(m_session.View(), m_session.Count(), m_session.Settings().maxFrames);
    if (navigator.ShowNextFrame())
        ShowViews(false);
}

void TfrmExamination::imgPreviousClick()
{
    TBFrameNavigator navigator(m_session.View(), m_session.Count(), m_session.Settings().maxFrames);
    if (navigator.ShowPreviousFrame())
        ShowViews(false);
}

void TfrmExamination::edtGoToImg2Change()
{
    if (const std::optional<int> n = GoToNumber(m_ui->edtGoToImg2->text(), m_session.Count()))
        Navigate(TNavCommand::GoTo, *n);
}

// The arrows: left the previous frame, right the next, up the last, down the first.
bool TfrmExamination::ReviewKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Left:
        m_ui->spbGoToPreviousFrame->click();
        return true;
    case Qt::Key_Up:
        m_ui->spbGoToLastFrame->click();
        return true;
    case Qt::Key_Right:
        m_ui->spbGoToNextFrame->click();
        return true;
    case Qt::Key_Down:
        m_ui->spbGoToFirstFrame->click();
        return true;
    default:
        return false;
    }
}

// Frame information and sensitivity ------------------------------------------------------------

void TfrmExamination::ShowFrameInfo()
{
    const int f = m_session.View().CurIndex;
    if (f < 0 || f >= m_session.Frames().FrameCount())
        return;
    const TFrameInfoTexts info = FrameInfo(m_session.Frames(), f);
    m_ui->lblFrameIDValue->setText(info.FrameID);
    m_ui->lblAreaValue->setText(info.Area);
    m_ui->lblDimensionValue->setText(info.Dimension);
    m_ui->lblPaqValue->setText(info.Paq);
    m_ui->lblFixationValue->setText(info.Fixation);
}

// The sensitivity buttons show the current frame's threshold (Normal without one).
void TfrmExamination::ShowSensitivity()
{
    const int f = m_session.View().CurIndex;
    const bool known = f >= 0 && f < m_session.Frames().FrameCount();
    const TSensitivity s = known ? SensitivityOf(m_session.Frames().Threshold(f)) : TSensitivity::Normal;
    m_ui->spbHighSensibility->setChecked(s == TSensitivity::High);
    m_ui->spbNormalSensibility->setChecked(s == TSensitivity::Normal);
    m_ui->spbLowSensibility->setChecked(s == TSensitivity::Low);
}

void TfrmExamination::SensibilityClick(TSensitivity sensitivity)
{
    const int f = m_session.View().CurIndex;
    if (f < 0 || f >= m_session.Frames().FrameCount()) {
        ShowSensitivity(); // nothing to set: the buttons stay as they were
        return;
    }
    const double threshold = ThresholdOf(sensitivity);
    m_session.Frames().SetThreshold(f, threshold);
    ShowCurrentFrame(false);
    AnalyseCurrentFrame();
}

// Over a sensitivity button its explanation; over a group box of pages 1 to 3 the
// explanation of the button that is down.
void TfrmExamination::ShowSensibilityInfo(QObject *hovered)
{
    TSensitivity shown = TSensitivity::Normal;
    if (hovered == m_ui->spbHighSensibility)
        shown = TSensitivity::High;
    else if (hovered == m_ui->spbLowSensibility)
        shown = TSensitivity::Low;
    else if (hovered != m_ui->spbNormalSensibility)
        shown = m_ui->spbHighSensibility->isChecked()  ? TSensitivity::High
                : m_ui->spbLowSensibility->isChecked() ? TSensitivity::Low
                                                       : TSensitivity::Normal;
    m_ui->lblSensibilityInfo->setText(SensitivityInfo(shown));
}

// The region drawn on the current view ---------------------------------------------------------------

bool TfrmExamination::Predefined() const { return m_ui->btnPredefinedYes->isChecked(); }

// A click on the predefined-size button starts over on a clean picture.
void TfrmExamination::btnPredefinedYesClick()
{
    if (m_session.View().CurIndex < 0)
        return;
    ShowCurrentFrame(false);
    m_session.View().Selection = {};
    m_session.View().DragPoint = {};
}

bool TfrmExamination::imgActualMouse(QMouseEvent *event)
{
    try {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: // the second press of a double click
            imgActualMouseDown(event);
            return true;
        case QEvent::MouseMove:
            imgActualMouseMove(event);
            return true;
        case QEvent::MouseButtonRelease:
            imgActualMouseUp(event);
            return true;
        default:
            return false;
        }
    } catch (...) {
        cornix::ShowUnrecoverable(QStringLiteral("TfrmExamination.imgActualMouse"));
    }
    return true;
}

// Both rectangles of a step in not-XOR mode: the old one drawn again vanishes.
void TfrmExamination::DrawBand(const TBRegionTool::TBandStep &step)
{
    if (m_actualImage.isNull() || (!step.erase && !step.draw))
        return;
    {
        QPainter painter(&m_actualImage);
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        // A stroked QRect covers one column and row more than the rectangle: the
        // outline goes through both corners this way.
        for (const std::optional<QRect> &r : {step.erase, step.draw})
            if (r)
                painter.drawRect(r->adjusted(0, 0, -1, -1));
    }
    m_ui->imgActual->setPixmap(QPixmap::fromImage(m_actualImage));
}

void TfrmExamination::imgActualMouseDown(QMouseEvent *event)
{
    if (m_session.View().CurIndex < 0)
        return;
    const TMouseButton button = ButtonOf(event->button());
    if (button == TMouseButton::Left)
        ShowCurrentFrame(false); // erases every rectangle drawn
    DrawBand(m_regionTool.Press(button, event->position().toPoint(), Predefined()));
}

void TfrmExamination::imgActualMouseMove(QMouseEvent *event)
{
    if (m_session.View().CurIndex < 0)
        return;
    DrawBand(m_regionTool.Move(event->position().toPoint(), Predefined()));
}

void TfrmExamination::imgActualMouseUp(QMouseEvent *event)
{
    const int f = m_session.View().CurIndex;
    if (f < 0)
        return;
    const TBRegionTool::TRelease release =
        m_regionTool.Release(ButtonOf(event->button()), event->position().toPoint(), Predefined());
    TBFrameBuffer &frames = m_session.Frames();
    if (release.button == TMouseButton::Left) {
        frames.SetRoi(f, release.frameRect);
        frames.MeasurePachymetry(f);
    } else if (release.button == TMouseButton::Right) {
        frames.SetPachymetry(f, release.pachymetry.Left, release.pachymetry.Right, release.pachymetry.Width);
    } else {
        return;
    }
    AnalyseCurrentFrame();
    m_ui->btnAvanc2->setEnabled(true);
}

// The analysis of the current frame with its stored threshold. A frame left without a
// region (too small, or too few cells) shows its bare picture again.
void TfrmExamination::AnalyseCurrentFrame()
{
    const int f = m_session.View().CurIndex;
    TBFrameBuffer &frames = m_session.Frames();
    const cornix::TAnalyseOutcome outcome = cornix::AnalyseFrame(frames, f, frames.Threshold(f), DisplaySettings());
    if (outcome.Result == cornix::TAnalyseOutcome::Analysed) {
        ShowActualImage(outcome.Review);
        SetTabVisible(PageImgProcess, true);
    } else {
        ShowCurrentFrame(false);
    }
    ShowFrameInfo();
    cornix::ShowAnalyseOutcome(outcome);
}
