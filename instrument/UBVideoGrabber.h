#pragma once
// TVGrabber: one camera of the instrument as the rest of the program sees it. It
// owns a TVideoGrabber inside the given panel; the subclasses decide what happens
// on its events (TVGrabber_Espec_C grabs frames, TVGrabber_Espec_L draws the
// alignment target).
#include "UBVideoGrabberComponent.h"

#include <QPointer>

#include <cstdint>

class QAbstractSlider;

class TVGrabber {
public:
    // zoom in per cent (the program always passes 100). The subclass constructors bind
    // the events and select the device.
    TVGrabber(QWidget *panel, std::uint16_t width, std::uint16_t height, std::uint16_t top, std::uint16_t left,
              std::uint8_t deviceIndex, int zoom, bool flipHorizontal, bool flipVertical);
    virtual ~TVGrabber();
    TVGrabber(const TVGrabber &) = delete;
    TVGrabber &operator=(const TVGrabber &) = delete;

    void SelectDevice(std::uint8_t deviceIndex);
    void PauseVideo();
    void ResumeVideo();
    void StopVideo();
    void SetVideoVisible(bool visible);

    // Sets the amplifier setting named by the track bar's "Tag" property (0 brightness,
    // 1 contrast, 9 gain). Settings 10 and up and settings the device lacks are ignored;
    // a refused value shows "Parâmetros inválidos de controle de câmera!".
    void SetVideoSetting(const QAbstractSlider *trackBar, int value, bool automatic, bool useDefault);
    void SetVideoSetting(int setting, int value, bool automatic, bool useDefault);
    bool IsSettingAvailable(int setting) const;

    int BrightnessMin() const;
    int BrightnessMax() const;
    int BrightnessStep() const;
    int ContrastMin() const;
    int ContrastMax() const;
    int ContrastStep() const;
    int GainMin() const;
    int GainMax() const;
    int GainStep() const;
    // The device's default of a setting (0 when not offered).
    int SettingDefault(int setting) const;

    // The component; null once its panel has been destroyed.
    cornix::video::TVideoGrabber *Component() const { return Grabber.data(); }

protected:
    virtual void DoPreviewStarted() = 0;
    virtual void DoFrameCaptureCompleted() = 0;
    virtual void DoFrameBitmap() = 0;
    // Subclass destructors call this first so no event reaches a half-destroyed object.
    void ReleaseEvents();

    std::optional<cornix::video::VideoSettingRange> Range(int setting) const;

    // The panel owns the component as a child widget; QPointer notices when the panel goes first.
    QPointer<cornix::video::TVideoGrabber> Grabber;
    QPointer<QWidget> ParentPanel;
    std::uint16_t VideoWidth = 0;
    std::uint16_t VideoHeight = 0;
    std::uint16_t VideoTop = 0;
    std::uint16_t VideoLeft = 0;
};
