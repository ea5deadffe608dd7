#include "UBReviewPages.h"

#include "Numbers.h"
#include "QtNumbers.h"
#include "UBFrameBuffer.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace cornix::exam {

namespace {
QString tr(const char *text) { return QCoreApplication::translate("TfrmExamination", text); }

constexpr double kHighThreshold = -2.5;
constexpr double kNormalThreshold = -3.0;
constexpr double kLowThreshold = -3.5;

int Scale(int value, int from, int to) { return int(RoundHalfEven(double(value) * to / from)); }
} // namespace

// Navigation ------------------------------------------------------------------------

TNavCommand NavCommandOf(const QString &command)
{
    if (command == QLatin1String("FIRST"))
        return TNavCommand::First;
    if (command == QLatin1String("LAST"))
        return TNavCommand::Last;
    if (command == QLatin1String("NEXT"))
        return TNavCommand::Next;
    if (command == QLatin1String("PREVIOUS"))
        return TNavCommand::Previous;
    return TNavCommand::GoTo;
}

QString NoFramesMessage() { return tr("Não foi possível executar o comando. Nenhuma imagem foi capturada!"); }

TBFrameNavigator::TBFrameNavigator(TReviewState &view, int count, int maxFrames)
    : m_view(view), m_count(count), m_maxFrames(maxFrames)
{
}

bool TBFrameNavigator::Navigate(TNavCommand command, int n)
{
    if (m_count <= 0)
        return false;
    switch (command) {
    case TNavCommand::First:
        return GoToFirstFrame();
    case TNavCommand::Last:
        return GoToLastFrame();
    case TNavCommand::Next:
        ShowNextFrame();
        return true;
    case TNavCommand::Previous:
        if (m_count < 2)
            return false;
        ShowPreviousFrame();
        return true;
    case TNavCommand::GoTo:
        GoToFrameNbr(n);
        return true;
    }
    return false;
}

bool TBFrameNavigator::ShowNextFrame()
{
    if (m_count <= 0)
        return false;
    m_view.Selection = {};
    m_view.DragPoint = {};
    if (m_view.NextIndex < 0)
        return false;
    m_view.PrevIndex = m_view.CurIndex;
    m_view.CurIndex = m_view.NextIndex;
    m_view.NextIndex = m_view.CurIndex + 1 < m_count ? std::int16_t(m_view.CurIndex + 1) : std::int16_t(-1);
    return true;
}

bool TBFrameNavigator::ShowPreviousFrame()
{
    if (m_count <= 0)
        return false;
    m_view.Selection = {};
    m_view.DragPoint = {};
    if (m_view.PrevIndex < 0)
        return false;
    m_view.NextIndex = m_view.CurIndex;
    m_view.CurIndex = m_view.PrevIndex;
    m_view.PrevIndex = m_view.CurIndex <= 0 ? std::int16_t(-1) : std::int16_t(m_view.CurIndex - 1);
    return true;
}

bool TBFrameNavigator::GoToFirstFrame()
{
    if (m_count <= 0)
        return false;
    m_view.PrevIndex = -1;
    m_view.CurIndex = 0;
    m_view.NextIndex = m_count >= 2 ? 1 : -1;
    return true;
}

bool TBFrameNavigator::GoToLastFrame()
{
    if (m_count <= 0)
        return false;
    m_view.PrevIndex = std::int16_t(m_count - 2); // -1 with one frame: an empty view
    m_view.CurIndex = std::int16_t(m_count - 1);
    m_view.NextIndex = -1;
    return true;
}

bool TBFrameNavigator::GoToFrameNbr(int n)
{
    if (n < 1 || n > m_count || n > m_maxFrames)
        return false;
    if (n == m_count && m_count > 1)
        return GoToLastFrame();
    if (n == 1)
        return GoToFirstFrame();
    m_view.PrevIndex = std::int16_t(n - 2);
    m_view.CurIndex = std::int16_t(n - 1);
    m_view.NextIndex = std::int16_t(n);
    return true;
}

std::optional<int> GoToNumber(const QString &text, int count)
{
    try {
        const int n = StrToInt(text);
        if (n <= count)
            return n;
    } catch (const EConvertError &) {
    }
    return std::nullopt;
}

// Sensitivity -----------------------------------------------------------------------

TSensitivity SensitivityOf(double threshold)
{
    if (threshold == kHighThreshold)
        return TSensitivity::High;
    if (threshold == kLowThreshold)
        return TSensitivity::Low;
    return TSensitivity::Normal;
}

double ThresholdOf(TSensitivity sensitivity)
{
    switch (sensitivity) {
    case TSensitivity::High:
        return kHighThreshold;
    case TSensitivity::Low:
        return kLowThreshold;
    case TSensitivity::Normal:
        break;
    }
    return kNormalThreshold;
}

QString SensitivityInfo(TSensitivity sensitivity)
{
    switch (sensitivity) {
    case TSensitivity::High:
        return tr("Aumenta a sensibilidade da detecção (recomendado para imagens com baixo contraste).");
    case TSensitivity::Low:
        return tr("Diminui a sensibilidade da detecção (recomendado para imagens com alto contraste).");
    case TSensitivity::Normal:
        break;
    }
    return tr("Sensibilidade de detecção recomendada para a maioria dos casos!");
}

// Frame information ------------------------------------------------------------------

TFrameInfoTexts FrameInfo(const TBFrameBuffer &frames, int f)
{
    const TRect roi = frames.Roi(f);
    const double mm = frames.Scale().PixelToMM;
    // The sides as unsigned 16-bit numbers, as the labels always showed them.
    const auto width = std::uint16_t(roi.Right - roi.Left);
    const auto height = std::uint16_t(roi.Bottom - roi.Top);
    TFrameInfoTexts info;
    info.FrameID = QString::number(f + 1);
    info.Area = FormatFloatQ("0.0000", double(roi.Bottom - roi.Top) * double(roi.Right - roi.Left) * mm * mm);
    info.Dimension = FormatFloatQ("0.0000", mm * width) + QStringLiteral(" x ") + FormatFloatQ("0.0000", mm * height);
    info.Paq = QString::number(frames.PachymetryMicrons(f));
    const TFixation fixation = frames.Fixation(f);
    info.Fixation = FixationText(fixation.FixPos, fixation.FixSide);
    return info;
}

// The region drawn on the current view ------------------------------------------------

QPoint ClampToView(QPoint point, QSize view)
{
    return {std::clamp(point.x(), 0, view.width() - 1), std::clamp(point.y(), 0, view.height() - 1)};
}

TRect ViewToFrame(const TRect &rect, QSize view, QSize frame)
{
    return {Scale(rect.Left, view.width(), frame.width()), Scale(rect.Top, view.height(), frame.height()),
            Scale(rect.Right, view.width(), frame.width()), Scale(rect.Bottom, view.height(), frame.height())};
}

QRect FrameToView(const TRect &rect, QSize view, QSize frame)
{
    const QPoint a(Scale(std::min(rect.Left, rect.Right), frame.width(), view.width()),
                   Scale(std::min(rect.Top, rect.Bottom), frame.height(), view.height()));
    const QPoint b(Scale(std::max(rect.Left, rect.Right), frame.width(), view.width()),
                   Scale(std::max(rect.Top, rect.Bottom), frame.height(), view.height()));
    return QRect(a, b);
}

TRect PredefinedBox(QPoint centre, QSize view)
{
    const int halfW = TBExamSession::kPredefinedHalfWidth;
    const int halfH = TBExamSession::kPredefinedHalfHeight;
    return {std::max(centre.x() - halfW, 0), std::max(centre.y() - halfH, 0),
            std::min(centre.x() + halfW, view.width() - 1), std::min(centre.y() + halfH, view.height() - 1)};
}

std::optional<QRect> BandBetween(QPoint a, QPoint b)
{
    if (a == b)
        return std::nullopt;
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

namespace {
QRect BoxRect(QPoint centre, QSize view)
{
    const TRect box = PredefinedBox(centre, view);
    return QRect(QPoint(box.Left, box.Top), QPoint(box.Right, box.Bottom));
}
} // namespace

TBRegionTool::TBRegionTool(TReviewState &view, QSize viewSize) : m_view(view), m_viewSize(viewSize) {}

TBRegionTool::TBandStep TBRegionTool::showBand(const std::optional<QRect> &band)
{
    TBandStep step;
    step.erase = m_band;
    step.draw = band;
    m_band = band;
    return step;
}

TBRegionTool::TBandStep TBRegionTool::Press(TMouseButton button, QPoint at, bool predefined)
{
    at = ClampToView(at, m_viewSize);
    if (button == TMouseButton::Right) {
        m_view.Selection.Left = at.x();
        m_view.Selection.Top = at.y();
        m_view.DragPoint = at;
        return {};
    }
    if (button != TMouseButton::Left)
        return {};
    // The picture has just been shown again: nothing is drawn on it.
    m_band.reset();
    m_view.Selection = {};
    m_view.DragPoint = at;
    if (!predefined) {
        m_view.Dragging = true;
        m_view.Selection.Left = at.x();
        m_view.Selection.Top = at.y();
        return {};
    }
    m_view.Dragging = false;
    const TRect box = PredefinedBox(at, m_viewSize);
    m_view.Selection.Left = box.Left;
    m_view.Selection.Top = box.Top;
    return showBand(BoxRect(at, m_viewSize));
}

TBRegionTool::TBandStep TBRegionTool::Move(QPoint at, bool predefined)
{
    at = ClampToView(at, m_viewSize);
    if (predefined) {
        m_view.DragPoint = at;
        const TRect box = PredefinedBox(at, m_viewSize);
        m_view.Selection.Left = box.Left;
        m_view.Selection.Top = box.Top;
        return showBand(BoxRect(at, m_viewSize));
    }
    if (!m_view.Dragging)
        return {};
    m_view.DragPoint = at;
    return showBand(BandBetween(QPoint(m_view.Selection.Left, m_view.Selection.Top), at));
}

TBRegionTool::TRelease TBRegionTool::Release(TMouseButton button, QPoint at, bool predefined)
{
    at = ClampToView(at, m_viewSize);
    m_view.Dragging = false;
    TRelease release;
    release.button = button;
    if (button != TMouseButton::Left && button != TMouseButton::Right)
        return release;
    if (predefined) {
        // The box around the release point, whatever the drag.
        const TRect box = PredefinedBox(at, m_viewSize);
        m_view.Selection = box;
    } else {
        m_view.Selection.Right = at.x();
        m_view.Selection.Bottom = at.y();
    }
    release.viewRect = m_view.Selection;
    release.frameRect = ViewToFrame(m_view.Selection, m_viewSize, kFrameSize);
    if (button == TMouseButton::Right) {
        const std::int32_t left = release.frameRect.Left;
        const std::int32_t right = release.frameRect.Right;
        release.pachymetry = {left, right, std::abs(right - left)};
        m_view.PachyLine = release.pachymetry;
    }
    return release;
}

} // namespace cornix::exam
