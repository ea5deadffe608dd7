#include "UBVideoGrabber_Espec_C.h"

TVGrabber_Espec_C::TVGrabber_Espec_C(QWidget *panel, std::uint16_t width, std::uint16_t height, std::uint16_t top,
                                     std::uint16_t left, std::uint8_t deviceIndex, int zoom, bool flipHorizontal,
                                     bool flipVertical)
    : TVGrabber(panel, width, height, top, left, deviceIndex, zoom, flipHorizontal, flipVertical)
{
    if (Grabber) {
        Grabber->OnPreviewStarted = [this] { DoPreviewStarted(); };
        Grabber->OnFrameCaptureCompleted = [this] { DoFrameCaptureCompleted(); };
        Grabber->OnFrameBitmap = [this] { DoFrameBitmap(); };
    }
    SelectDevice(deviceIndex);
}

TVGrabber_Espec_C::~TVGrabber_Espec_C() { ReleaseEvents(); }

void TVGrabber_Espec_C::StartCapture(bool continuous)
{
    try {
        m_continuous = continuous;
        m_frameReady = false;
        if (!continuous)
            m_singleShotPending = true;
    } catch (...) {
        m_singleShotPending = false;
    }
}

void TVGrabber_Espec_C::DoFrameBitmap()
{
    try {
        Grabber->SetTextOverlayString(QString::number(Grabber->FrameInfo()));
        bool grab = m_continuous;
        if (!grab && m_singleShotPending) {
            m_singleShotPending = false;
            grab = true;
        }
        if (grab) {
            QImage frame = Grabber->GetLastFrameAsBitmap();
            if (frame.isNull())
                return;
            m_frameBitmap = std::move(frame);
            m_frameReady = true;
        }
    } catch (...) {
        // A frame that cannot be taken is simply not grabbed.
    }
}
