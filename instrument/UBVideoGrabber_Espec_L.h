#pragma once
// The auxiliary camera: only the live image, with a green alignment target.
#include "UBVideoGrabber.h"

class TVGrabber_Espec_L : public TVGrabber {
public:
    TVGrabber_Espec_L(QWidget *panel, std::uint16_t width, std::uint16_t height, std::uint16_t top,
                      std::uint16_t left, std::uint8_t deviceIndex, int zoom, bool flipHorizontal,
                      bool flipVertical);
    ~TVGrabber_Espec_L() override;

    // Colour value of the target's pen (pure green).
    static constexpr unsigned kTargetColor = 65280;

protected:
    // Draws the target: a 40 x 40 circle around the centre and four 20-pixel ticks on a
    // cross through it, each 10 pixels away from the circle.
    void DoPreviewStarted() override;
    void DoFrameCaptureCompleted() override {}
    void DoFrameBitmap() override {}
};
