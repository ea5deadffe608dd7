// Page 2 of the examination window, "Edição": the thumbnails of the frames that have a
// region, the chosen frame's region enlarged, the display, colouring and rendering
// buttons with the transparency bar and the legend, adding, removing and restoring
// cells with the mouse on the enlarged view, the frame's own figures, and the flags
// that put a frame into the results and into the report.
#include "UfrmExame.h"

#include "ui_TfrmExamination.h"

#include "Dialogs.h"
#include "Numbers.h"
#include "UBFrameBuffer.h"

#include <QMouseEvent>
#include <QPainter>

using namespace cornix::exam;

namespace {
constexpr QSize kThumbnailSize{160, 120};
constexpr int kThumbnailLeft = 10;
constexpr int kThumbnailTop = 10;
constexpr int kThumbnailStep = 130;
const QColor kInUse(0, 255, 0);   // 65280
const QColor kNotInUse(255, 0, 0); // 255

// The glyphs of the use and report buttons: a green tick or a red cross.
QIcon Glyph(bool yes)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(yes ? QColor(0, 150, 0) : QColor(200, 0, 0), 3.5, Qt::SolidLine, Qt::RoundCap));
    if (yes) {
        painter.drawLine(QPointF(4, 13), QPointF(10, 19));
        painter.drawLine(QPointF(10, 19), QPointF(20, 5));
    } else {
        painter.drawLine(QPointF(5, 5), QPointF(19, 19));
        painter.drawLine(QPointF(19, 5), QPointF(5, 19));
    }
    return QIcon(pixmap);
}

void SetIndicatorColour(QFrame *indicator, const QColor &colour)
{
    indicator->setStyleSheet(QStringLiteral("background: %1; border: none;").arg(colour.name()));
}
} // namespace

void TfrmExamination::connectEdit()
{
    for (QToolButton *b : {m_ui->spbUseIt, m_ui->spbPrintIt})
        b->setIcon(Glyph(true));
    for (QToolButton *b : {m_ui->spbDontUseIt, m_ui->spbDontPrintIt})
        b->setIcon(Glyph(false));
    for (QToolButton *b : {m_ui->spbCellCenter, m_ui->spbCellEdge, m_ui->spbCellAll, m_ui->spbCellsBW,
                           m_ui->spbCellsColor})
        connect(b, &QToolButton::clicked, this, [this, b] { DisplayButtonClick(b); });
    connect(m_ui->TranspBar, &QSlider::valueChanged, this, [this] { DisplayButtonClick(m_ui->TranspBar); });
    connect(m_ui->origBtn, &QToolButton::clicked, this, &TfrmExamination::RedrawPlotFrame);
    connect(m_ui->procBtn, &QToolButton::clicked, this, &TfrmExamination::RedrawPlotFrame);
    connect(m_ui->spbRestoreCell, &QToolButton::clicked, this, &TfrmExamination::spbRestoreCellClick);
    connect(m_ui->spbUseIt, &QToolButton::clicked, this, &TfrmExamination::spbUseItClick);
    connect(m_ui->spbDontUseIt, &QToolButton::clicked, this, &TfrmExamination::spbDontUseItClick);
    connect(m_ui->spbPrintIt, &QToolButton::clicked, this, &TfrmExamination::spbPrintItClick);
    connect(m_ui->spbDontPrintIt, &QToolButton::clicked, this, &TfrmExamination::spbDontPrintItClick);
    connect(m_ui->zoomBar, &QSlider::valueChanged, this, &TfrmExamination::zoomBarChange);
    connect(m_ui->spbGenerateReport, &QToolButton::clicked, this, &TfrmExamination::GenerateResults);
    m_ui->imgFrameToPlot->setCursor(Qt::CrossCursor);
}

cornix::TDisplaySettings TfrmExamination::DisplaySettings() const
{
    cornix::TDisplaySettings display;
    display.Contrast = m_contrast;
    display.Options.ShowEdges = m_ui->spbCellEdge->isChecked();
    display.Options.ShowColour = m_ui->spbCellsColor->isChecked();
    display.Options.ShowCentres = m_ui->spbCellCenter->isChecked();
    display.Options.ContrastView = m_ui->procBtn->isChecked();
    display.Options.Transparency = {m_ui->TranspBar->value(), m_ui->TranspBar->maximum()};
    return display;
}

// Entering the page -------------------------------------------------------------------------

// Editing locked until a thumbnail is opened, no report frame, thumbnails built once
// per entry (every frame with a region in use again).
void TfrmExamination::PrepareEditPage()
{
    bloqueiabotoes();
    m_ui->spbGenerateReport->setEnabled(false);
    const bool rebuild = !m_session.View().ThumbsBuilt;
    m_session.PrepareEditFlags(rebuild);
    m_ui->spbDontPrintIt->setChecked(true);
    if (rebuild)
        BuildThumbnails();
    m_ui->spbCellAll->setChecked(true);
    m_ui->TranspBar->show();
    m_ui->transpLbl->show();
    m_ui->pnlLegend->setVisible(m_ui->spbCellsColor->isChecked());
}

void TfrmExamination::BuildThumbnails()
{
    DestroyThumbnails();
    QWidget *strip = m_ui->scbImagesContents;
    const QList<int> frames = m_session.EditableFrames();
    for (int k = 0; k < frames.size(); ++k) {
        const int j = frames[k];
        auto *thumb = new QLabel(strip);
        thumb->setObjectName(QStringLiteral("img%1").arg(j));
        thumb->setToolTip(thumb->objectName());
        thumb->setProperty("Tag", j);
        thumb->setGeometry(QRect(QPoint(kThumbnailLeft, kThumbnailTop + kThumbnailStep * k), kThumbnailSize));
        thumb->setPixmap(QPixmap::fromImage(m_session.Frames().FrameBitmap(j).scaled(
            kThumbnailSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
        thumb->setCursor(Qt::PointingHandCursor);
        thumb->installEventFilter(this);
        thumb->show();
        m_thumbnails << thumb;
    }
    m_indicator = new QFrame(strip);
    m_indicator->setObjectName(QStringLiteral("shpIndicator"));
    m_indicator->setGeometry(6, 6, kThumbnailSize.width() + 8, kThumbnailSize.height() + 8);
    SetIndicatorColour(m_indicator, kInUse);
    m_indicator->lower();
    m_indicator->hide();
    strip->resize(m_ui->scbImages->viewport()->width(),
                  kThumbnailTop + kThumbnailStep * int(frames.size()) + kThumbnailTop);
    m_session.View().ThumbsBuilt = true;
}

void TfrmExamination::DestroyThumbnails()
{
    qDeleteAll(m_thumbnails);
    m_thumbnails.clear();
    delete m_indicator;
    m_indicator = nullptr;
    m_session.View().ThumbsBuilt = false;
}

bool TfrmExamination::ThumbnailClick(QObject *watched)
{
    auto *thumb = qobject_cast<QLabel *>(watched);
    if (!thumb || !m_thumbnails.contains(thumb))
        return false;
    SelectEditFrame(thumb->property("Tag").toInt());
    return true;
}

// Opening a frame ------------------------------------------------------------------------------

void TfrmExamination::SelectEditFrame(int f)
{
    try {
        Liberabotoes();
        m_plotFrame = f;
        cornix::RedrawFrame(m_session.Frames(), f, DisplaySettings());
        ShowZoomedFrame(f);
        ShowFrameResults(f);
        ShowIndicator();
        const TBFrameBuffer &frames = m_session.Frames();
        (frames.UseIt(f) ? m_ui->spbUseIt : m_ui->spbDontUseIt)->setChecked(true);
        (f == m_session.View().PrintFrame ? m_ui->spbPrintIt : m_ui->spbDontPrintIt)->setChecked(true);
    } catch (...) {
        cornix::ShowUnrecoverable(QStringLiteral("TfrmExamination.SelectEditFrame"));
    }
}

// The frame's processed crop, scaled by 2 × zoom, centred in the panel (which scrolls
// when the picture is larger than the panel).
void TfrmExamination::ShowZoomedFrame(int f)
{
    m_plotFrame = f;
    const TBFrameBuffer &frames = m_session.Frames();
    if (f < 0 || f >= frames.FrameCount() || frames.ProcessedCrop(f).isNull()) {
        ClearFrameToPlot();
        return;
    }
    ShowEditMarker(QPoint(-1, -1), 0);
}

// The enlarged view, with a plus-shaped marker at a point of the crop when the point
// lies on it.
void TfrmExamination::ShowEditMarker(const QPoint &cropPoint, QRgb colour)
{
    const TBFrameBuffer &frames = m_session.Frames();
    QImage crop = frames.ProcessedCrop(m_plotFrame);
    if (crop.isNull())
        return;
    if (crop.rect().contains(cropPoint)) {
        crop = crop.copy();
        cornix::DrawEditMarker(crop, cropPoint.x(), cropPoint.y(), colour);
    }
    const TRect roi = frames.Roi(m_plotFrame);
    const double zoom = cornix::ZoomFactor(m_ui->zoomBar->value());
    const QSize size(int(cornix::RoundHalfEven(2.0 * (roi.Right - roi.Left) * zoom)),
                     int(cornix::RoundHalfEven(2.0 * (roi.Bottom - roi.Top) * zoom)));
    m_ui->imgFrameToPlot->setFixedSize(size);
    m_ui->imgFrameToPlot->setImage(crop); // stretched to the size when painted
}

void TfrmExamination::ShowFrameResults(int f)
{
    const TBFrameBuffer &frames = m_session.Frames();
    const TFrameResultsTexts t = FrameResultsTexts(frames.Stats(f), frames.PachymetryMicrons(f));
    m_ui->lblTotalCellsValueInfoPnl->setText(t.TotalCells);
    m_ui->lblTotalAreaValueInfoPnl->setText(t.TotalArea);
    m_ui->lblDensityValueInfoPnl->setText(t.Density);
    m_ui->lblSDValueInfoPnl->setText(t.SD);
    m_ui->lblMinAreaValueInfoPnl->setText(t.MinArea);
    m_ui->lblAvgAreaValueInfoPnl->setText(t.AvgArea);
    m_ui->lblMaxAreaValueInfoPnl->setText(t.MaxArea);
    m_ui->lblHexCellsValueInfoPnl->setText(t.HexCells);
    m_ui->lblCVValueInfoPnl->setText(t.CV);
    m_ui->lblPaqValueInfoPnl->setText(t.Paq);
}

void TfrmExamination::ShowIndicator()
{
    if (!m_indicator || m_plotFrame < 0)
        return;
    for (QLabel *thumb : m_thumbnails) {
        if (thumb->property("Tag").toInt() != m_plotFrame)
            continue;
        m_indicator->move(thumb->pos() - QPoint(4, 4));
        SetIndicatorColour(m_indicator, m_session.Frames().UseIt(m_plotFrame) ? kInUse : kNotInUse);
        m_indicator->show();
        m_indicator->lower();
        m_ui->scbImages->ensureWidgetVisible(thumb, 0, 10);
    }
}

void TfrmExamination::zoomBarChange()
{
    if (m_plotFrame >= 0)
        ShowZoomedFrame(m_plotFrame);
}

void TfrmExamination::ClearFrameToPlot()
{
    m_ui->imgFrameToPlot->setImage(QImage());
    m_ui->imgFrameToPlot->setFixedSize(1, 1);
}

// Entering a page by its tab shows the contrast view on page 2.
void TfrmExamination::PressProcessedView()
{
    m_ui->procBtn->setChecked(true);
    m_ui->origBtn->setChecked(false);
}

// The sixteen controls that need an open frame.
void TfrmExamination::Liberabotoes()
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_ui->spbCellCenter, m_ui->spbCellEdge, m_ui->spbCellAll, m_ui->spbCellsBW, m_ui->spbCellsColor,
             m_ui->origBtn, m_ui->procBtn, m_ui->spbAddCell, m_ui->spbDeleteCell, m_ui->spbRestoreCell,
             m_ui->spbUseIt, m_ui->spbDontUseIt, m_ui->spbPrintIt, m_ui->spbDontPrintIt, m_ui->zoomBar,
             m_ui->TranspBar})
        w->setEnabled(true);
}

void TfrmExamination::bloqueiabotoes()
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_ui->spbCellCenter, m_ui->spbCellEdge, m_ui->spbCellAll, m_ui->spbCellsBW, m_ui->spbCellsColor,
             m_ui->origBtn, m_ui->procBtn, m_ui->spbAddCell, m_ui->spbDeleteCell, m_ui->spbRestoreCell,
             m_ui->spbUseIt, m_ui->spbDontUseIt, m_ui->spbPrintIt, m_ui->spbDontPrintIt, m_ui->zoomBar,
             m_ui->TranspBar})
        w->setEnabled(false);
}

// Display ------------------------------------------------------------------------------------------

void TfrmExamination::UpdateDisplayVisibility()
{
    const bool overlay = m_ui->spbCellsColor->isChecked() || m_ui->spbCellEdge->isChecked()
                         || m_ui->spbCellAll->isChecked();
    m_ui->TranspBar->setVisible(overlay);
    m_ui->transpLbl->setVisible(overlay);
    m_ui->pnlLegend->setVisible(m_ui->spbCellsColor->isChecked());
}

void TfrmExamination::DisplayButtonClick(QObject *button)
{
    UpdateDisplayVisibility();
    cornix::TDisplaySettings display = DisplaySettings();
    if (button == m_ui->spbCellAll)
        display.Options.ShowEdges = display.Options.ShowCentres = m_ui->spbCellAll->isChecked();
    RefreshPlotFrame(display);
}

void TfrmExamination::RefreshPlotFrame(const cornix::TDisplaySettings &display)
{
    if (m_plotFrame < 0)
        return;
    cornix::RefreshFrame(m_session.Frames(), m_plotFrame, display);
    ShowZoomedFrame(m_plotFrame);
}

// "Imagem original" / "Imagem contraste": drawn again with the measured pachymetry.
void TfrmExamination::RedrawPlotFrame()
{
    if (m_plotFrame < 0)
        return;
    cornix::RedrawFrame(m_session.Frames(), m_plotFrame, DisplaySettings());
    ShowZoomedFrame(m_plotFrame);
}

// Editing ------------------------------------------------------------------------------------------

// A click on the enlarged view adds (left with "Adicionar células" or Ctrl) or removes
// (left with "Remover células", right with Ctrl) the cell at that point of the frame.
void TfrmExamination::imgFrameToPlotMouseDown(QMouseEvent *event)
{
    if (m_plotFrame < 0 || !m_ui->spbAddCell->isEnabled())
        return;
    cornix::TEditClick click;
    click.LeftButton = event->button() == Qt::LeftButton;
    click.RightButton = event->button() == Qt::RightButton;
    click.Ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    click.AddDown = m_ui->spbAddCell->isChecked();
    click.DeleteDown = m_ui->spbDeleteCell->isChecked();
    const std::optional<cornix::TCellEdit> op = cornix::EditForClick(click);
    if (!op)
        return;
    TBFrameBuffer &frames = m_session.Frames();
    const TRect roi = frames.Roi(m_plotFrame);
    const QPoint at = event->position().toPoint();
    const cornix::TClickPosition p =
        cornix::MapClickToFrame(at.x(), at.y(), cornix::ZoomFactor(m_ui->zoomBar->value()), roi);
    cornix::EditCell(frames, m_plotFrame, p.Row, p.Col, *op);
    cornix::TDisplaySettings display = DisplaySettings();
    if (m_ui->spbCellAll->isChecked())
        display.Options.ShowEdges = display.Options.ShowCentres = true;
    cornix::RefreshFrame(frames, m_plotFrame, display);
    ShowEditMarker(QPoint(p.Col - roi.Left, p.Row - roi.Top), cornix::MarkerColour(*op));
    ShowFrameResults(m_plotFrame);
    m_ui->imgFrameToPlot->repaint();
}

void TfrmExamination::spbRestoreCellClick()
{
    if (m_plotFrame < 0)
        return;
    m_session.Frames().RestoreCells(m_plotFrame); // the detected centres, rebuilt
    cornix::TDisplaySettings display = DisplaySettings();
    display.Options.ShowEdges = display.Options.ShowCentres = true;
    display.Options.ShowColour = false;
    cornix::RefreshFrame(m_session.Frames(), m_plotFrame, display);
    ShowZoomedFrame(m_plotFrame);
    ShowFrameResults(m_plotFrame);
}

// Use and report flags -------------------------------------------------------------------------------

void TfrmExamination::spbUseItClick()
{
    if (m_plotFrame < 0)
        return;
    m_session.Frames().SetUseIt(m_plotFrame, true);
    ShowIndicator();
}

void TfrmExamination::spbDontUseItClick()
{
    if (m_plotFrame < 0)
        return;
    m_session.Frames().SetUseIt(m_plotFrame, false);
    ShowIndicator();
}

void TfrmExamination::spbPrintItClick()
{
    if (m_plotFrame < 0)
        return;
    m_session.MarkReportFrame(m_plotFrame);
    m_ui->spbGenerateReport->setEnabled(true);
}

// On the report frame it takes the mark away; on any other frame it changes nothing.
void TfrmExamination::spbDontPrintItClick()
{
    if (m_plotFrame >= 0 && m_session.UnmarkReportFrame(m_plotFrame))
        m_ui->spbGenerateReport->setEnabled(false);
}
