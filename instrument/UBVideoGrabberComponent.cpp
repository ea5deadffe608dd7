#include "UBVideoGrabberComponent.h"

#include <QEvent>
#include <QPainter>

namespace cornix::video {

TVideoGrabber::TVideoGrabber(QWidget *panel) : QWidget(panel)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    if (panel) {
        // Client alignment: follow the panel's size.
        setGeometry(panel->rect());
        panel->installEventFilter(this);
    }
}

TVideoGrabber::~TVideoGrabber()
{
    ClearEvents();
    if (m_source)
        disconnect(m_source.get(), nullptr, this, nullptr);
    Stop();
}

bool TVideoGrabber::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void TVideoGrabber::ClearEvents()
{
    OnPreviewStarted = nullptr;
    OnFrameCaptureCompleted = nullptr;
    OnFrameBitmap = nullptr;
}

void TVideoGrabber::StartPreview()
{
    if (m_source) {
        disconnect(m_source.get(), nullptr, this, nullptr);
        m_source->stop();
    }
    m_source = CreateFrameSource({Role, VideoDevice, m_videoSize});
    if (!m_source)
        return;
    connect(m_source.get(), &FrameSource::frameArrived, this, &TVideoGrabber::frameArrived);
    connect(m_source.get(), &FrameSource::started, this, &TVideoGrabber::previewStarted);
    m_source->start();
}

void TVideoGrabber::PausePreview()
{
    if (m_source)
        m_source->pause();
}

void TVideoGrabber::ResumePreview()
{
    if (m_source)
        m_source->resume();
}

void TVideoGrabber::Stop()
{
    if (m_source)
        m_source->stop();
}

void TVideoGrabber::previewStarted()
{
    if (OnPreviewStarted)
        OnPreviewStarted();
}

void TVideoGrabber::frameArrived(const QImage &frame)
{
    if (frame.isNull())
        return;
    const bool flip = VideoProcessing_FlipHorizontal || VideoProcessing_FlipVertical;
    // One copy at most: the flip (or a resize for a device that ignored the requested size).
    QImage shown = flip ? frame.mirrored(VideoProcessing_FlipHorizontal, VideoProcessing_FlipVertical) : frame;
    if (shown.size() != m_videoSize && m_videoSize.isValid())
        shown = shown.scaled(m_videoSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_frame = std::move(shown);
    ++m_frameInfo;
    update(); // repaints are coalesced by the event loop
    if (OnFrameBitmap)
        OnFrameBitmap();
}

QImage TVideoGrabber::ToGray8(const QImage &image)
{
    if (image.format() == QImage::Format_Grayscale8 || image.isNull())
        return image;
    // Camera frames come as 32-bit pixels: read them in place rather than copy the frame.
    const QImage::Format format = image.format();
    const bool premultiplied = format == QImage::Format_ARGB32_Premultiplied;
    const bool is32 = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 || premultiplied;
    const QImage rgb = is32 ? image : image.convertToFormat(QImage::Format_RGB32);
    QImage gray(rgb.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *src = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        uchar *dst = gray.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = premultiplied && qAlpha(src[x]) != 255 ? qUnpremultiply(src[x]) : src[x];
            dst[x] = uchar((qRed(c) + qGreen(c) + qBlue(c) + 1) / 3); // sum/3 never ends in .5
        }
    }
    return gray;
}

QImage TVideoGrabber::GetLastFrameAsBitmap() const
{
    return FrameGrabberRGBFormat == fgf_RGB8 ? ToGray8(m_frame) : m_frame.convertToFormat(QImage::Format_RGB888);
}

void TVideoGrabber::SetTextOverlayString(const QString &text)
{
    m_overlayText = text;
    update();
}

int TVideoGrabber::AddShapeOverlay(const TShapeOverlay &shape)
{
    m_shapes.append(shape);
    update();
    return int(m_shapes.size()) - 1;
}

void TVideoGrabber::ClearShapeOverlays()
{
    m_shapes.clear();
    update();
}

void TVideoGrabber::paintEvent(QPaintEvent *)
{
    if (m_frame.isNull())
        return; // an empty panel until a frame arrives
    QPainter painter(this);
    const double zoom = PreviewZoomSize / 100.0;
    painter.scale(zoom, zoom);
    painter.drawImage(QPoint(0, 0), m_frame);
    for (const TShapeOverlay &shape : m_shapes) {
        if (shape.kind == TShapeKind::Ellipse) {
            painter.setPen(QPen(shape.pen, 0));
            painter.setBrush(Qt::NoBrush);
            // A box of w x h pixels: the outline runs through the outer pixel centres.
            painter.drawEllipse(QRectF(shape.box).adjusted(0, 0, -1, -1));
        } else if (shape.box.width() == 1 || shape.box.height() == 1) {
            painter.fillRect(shape.box, shape.pen);
        } else {
            painter.setPen(QPen(shape.pen, 0));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(shape.box.adjusted(0, 0, -1, -1));
        }
    }
    if (!m_overlayText.isEmpty()) {
        painter.setPen(Qt::yellow);
        painter.drawText(QPoint(6, 16), m_overlayText);
    }
}

} // namespace cornix::video
