#pragma once
// The main camera: grabs frames into FrameBitmap on request, one at a time or
// continuously, and shows the running frame number on the live image.
#include "UBVideoGrabber.h"

#include <QImage>

class TVGrabber_Espec_C : public TVGrabber {
public:
    TVGrabber_Espec_C(QWidget *panel, std::uint16_t width, std::uint16_t height, std::uint16_t top,
                      std::uint16_t left, std::uint8_t deviceIndex, int zoom, bool flipHorizontal,
                      bool flipVertical);
    ~TVGrabber_Espec_C() override;

    // Continuous: grab every frame; otherwise grab exactly the next one. Clears FrameReady.
    void StartCapture(bool continuous);

    bool FrameReady() const { return m_frameReady; }
    bool IsContinuous() const { return m_continuous; }
    bool SingleShotPending() const { return m_singleShotPending; }
    // The last grabbed frame, 8-bit grey; valid once FrameReady has been set.
    const QImage &FrameBitmap() const { return m_frameBitmap; }
    void SetContinuous(bool value) { m_continuous = value; }
    void SetSingleShot(bool value) { m_singleShotPending = value; }
    // Consumers clear the flag once they have taken the frame.
    void SetFrameReady(bool value) { m_frameReady = value; }

protected:
    void DoPreviewStarted() override {}
    void DoFrameCaptureCompleted() override {}
    void DoFrameBitmap() override;

private:
    bool m_frameReady = false;
    bool m_singleShotPending = false;
    bool m_continuous = false;
    QImage m_frameBitmap;
};
