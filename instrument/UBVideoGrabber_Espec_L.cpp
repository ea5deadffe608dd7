#include "UBVideoGrabber_Espec_L.h"

#include "Numbers.h"

using cornix::video::TShapeKind;
using cornix::video::TShapeOverlay;

TVGrabber_Espec_L::TVGrabber_Espec_L(QWidget *panel, std::uint16_t width, std::uint16_t height, std::uint16_t top,
                                     std::uint16_t left, std::uint8_t deviceIndex, int zoom, bool flipHorizontal,
                                     bool flipVertical)
    : TVGrabber(panel, width, height, top, left, deviceIndex, zoom, flipHorizontal, flipVertical)
{
    if (Grabber) {
        Grabber->Role = cornix::video::CameraRole::Auxiliary;
        Grabber->OnPreviewStarted = [this] { DoPreviewStarted(); };
    }
    SelectDevice(deviceIndex);
}

TVGrabber_Espec_L::~TVGrabber_Espec_L() { ReleaseEvents(); }

void TVGrabber_Espec_L::DoPreviewStarted()
{
    if (!Grabber)
        return;
    // The colour value is 0x00BBGGRR; 65280 is pure green.
    const QColor pen(kTargetColor & 0xFF, (kTargetColor >> 8) & 0xFF, (kTargetColor >> 16) & 0xFF);
    // The centre is half the size, rounded ties-to-even like every other position; the
    // offsets below are even, so rounding the centre once rounds every position.
    const int cx = int(cornix::RoundHalfEven(VideoWidth / 2.0));
    const int cy = int(cornix::RoundHalfEven(VideoHeight / 2.0));
    Grabber->ClearShapeOverlays(); // a restarted preview does not stack targets
    Grabber->AddShapeOverlay({TShapeKind::Ellipse, QRect(cx - 20, cy - 20, 40, 40), pen});
    Grabber->AddShapeOverlay({TShapeKind::Rectangle, QRect(cx, cy - 50, 1, 20), pen});
    Grabber->AddShapeOverlay({TShapeKind::Rectangle, QRect(cx, cy + 30, 1, 20), pen});
    Grabber->AddShapeOverlay({TShapeKind::Rectangle, QRect(cx - 50, cy, 20, 1), pen});
    Grabber->AddShapeOverlay({TShapeKind::Rectangle, QRect(cx + 30, cy, 20, 1), pen});
}
