#pragma once
// TVideoGrabber: the capture component a camera wrapper drives. A widget that
// fills its panel, shows the newest frame of its source at 100 % with the text and
// shape overlays, keeps that frame for grabbing and reports events to its owner.
#include "FrameSource.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>

namespace cornix::video {

enum TFrameGrabberRGBFormat { fgf_RGB24, fgf_RGB8 };
enum TAspectRatio { ar_Box, ar_NoResize, ar_Stretch };
enum class TShapeKind { Ellipse, Rectangle };

// A shape drawn over the live image, in frame pixels. Lines are 1-pixel-wide rectangles.
struct TShapeOverlay {
    TShapeKind kind = TShapeKind::Rectangle;
    QRect box;
    QColor pen = Qt::green;
};

class TVideoGrabber : public QWidget {
    Q_OBJECT
public:
    explicit TVideoGrabber(QWidget *panel);
    ~TVideoGrabber() override;

    // Settings as the wrapper makes them; the video size is the size frames are handed over in.
    void SetVideoSize(int width, int height) { m_videoSize = QSize(width, height); }
    QSize VideoSize() const { return m_videoSize; }
    int PreviewZoomSize = 100; // per cent
    TFrameGrabberRGBFormat FrameGrabberRGBFormat = fgf_RGB24;
    bool VideoProcessing_FlipVertical = false;
    bool VideoProcessing_FlipHorizontal = false;
    bool AdjustOverlayAspectRatio = true;
    bool Display_AutoSize = false;
    TAspectRatio Display_AspectRatio = ar_NoResize;
    int VideoDevice = -1;
    CameraRole Role = CameraRole::Main; // which simulated camera stands in for the device

    // Creates the source for VideoDevice (see CreateFrameSource) and starts it.
    // A device that does not exist leaves the panel empty and reports nothing.
    void StartPreview();
    void PausePreview();
    void ResumePreview();
    void Stop();

    // Events, assigned by the owner; called on the user-interface thread.
    std::function<void()> OnPreviewStarted;
    std::function<void()> OnFrameCaptureCompleted;
    std::function<void()> OnFrameBitmap;
    void ClearEvents();

    // The running frame number of the newest frame (0 before the first).
    quint64 FrameInfo() const { return m_frameInfo; }
    void SetTextOverlayString(const QString &text);
    const QString &TextOverlayString() const { return m_overlayText; }
    int AddShapeOverlay(const TShapeOverlay &shape);
    const QList<TShapeOverlay> &ShapeOverlays() const { return m_shapes; }
    void ClearShapeOverlays();

    // The newest frame as shown (flips applied), in the source's format; null before the first.
    const QImage &CurrentFrame() const { return m_frame; }
    // The newest frame as a new bitmap in FrameGrabberRGBFormat: 8-bit grey
    // (round((R + G + B) / 3)) for fgf_RGB8. Shares the pixels when no conversion is needed.
    QImage GetLastFrameAsBitmap() const;

    FrameSource *Source() const { return m_source.get(); }
    // Tests and the simulated cameras reach the source's concrete type through this.
    template <typename T> T *SourceAs() const { return qobject_cast<T *>(m_source.get()); }

    // 8-bit grey of any image with the program's rule round((R + G + B) / 3).
    static QImage ToGray8(const QImage &image);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void frameArrived(const QImage &frame);
    void previewStarted();

    std::unique_ptr<FrameSource> m_source;
    QSize m_videoSize{640, 480};
    QImage m_frame;
    quint64 m_frameInfo = 0;
    QString m_overlayText;
    QList<TShapeOverlay> m_shapes;
};

} // namespace cornix::video
