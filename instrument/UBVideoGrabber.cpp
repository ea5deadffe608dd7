#include "UBVideoGrabber.h"

#include "Dialogs.h"

#include <QAbstractSlider>

using namespace cornix::video;

TVGrabber::TVGrabber(QWidget *panel, std::uint16_t width, std::uint16_t height, std::uint16_t top,
                     std::uint16_t left, std::uint8_t deviceIndex, int zoom, bool flipHorizontal, bool flipVertical)
    : ParentPanel(panel), VideoWidth(width), VideoHeight(height), VideoTop(top), VideoLeft(left)
{
    Q_UNUSED(deviceIndex); // selected by the subclasses once their events are bound
    Grabber = new cornix::video::TVideoGrabber(panel);
    Grabber->SetVideoSize(width, height);
    // Left/top are kept for the record: client alignment places the image at the panel's origin.
    Grabber->PreviewZoomSize = zoom;
    Grabber->FrameGrabberRGBFormat = fgf_RGB8;
    Grabber->VideoProcessing_FlipVertical = flipVertical;
    Grabber->VideoProcessing_FlipHorizontal = flipHorizontal;
    Grabber->AdjustOverlayAspectRatio = true;
    Grabber->Display_AutoSize = false;
    Grabber->Display_AspectRatio = ar_NoResize;
    Grabber->show();
}

TVGrabber::~TVGrabber()
{
    if (Grabber) {
        Grabber->ClearEvents();
        delete Grabber.data();
    }
}

void TVGrabber::ReleaseEvents()
{
    if (Grabber)
        Grabber->ClearEvents();
}

void TVGrabber::SelectDevice(std::uint8_t deviceIndex)
{
    if (!Grabber)
        return;
    Grabber->FrameGrabberRGBFormat = fgf_RGB8;
    Grabber->VideoDevice = deviceIndex;
    Grabber->StartPreview();
}

void TVGrabber::PauseVideo()
{
    if (Grabber)
        Grabber->PausePreview();
}

void TVGrabber::ResumeVideo()
{
    if (Grabber)
        Grabber->ResumePreview();
}

void TVGrabber::StopVideo()
{
    if (Grabber)
        Grabber->Stop();
}

void TVGrabber::SetVideoVisible(bool visible)
{
    if (Grabber)
        Grabber->setVisible(visible);
}

std::optional<VideoSettingRange> TVGrabber::Range(int setting) const
{
    if (!Grabber || !Grabber->Source() || setting < 0 || setting >= kFirstIgnoredSetting)
        return std::nullopt;
    return Grabber->Source()->settingRange(setting);
}

void TVGrabber::SetVideoSetting(const QAbstractSlider *trackBar, int value, bool automatic, bool useDefault)
{
    if (trackBar)
        SetVideoSetting(trackBar->property("Tag").toInt(), value, automatic, useDefault);
}

void TVGrabber::SetVideoSetting(int setting, int value, bool automatic, bool useDefault)
{
    const std::optional<VideoSettingRange> range = Range(setting);
    if (!range)
        return;
    try {
        Grabber->Source()->applySetting(setting, useDefault ? range->defaultValue : value, automatic);
    } catch (const std::exception &) {
        cornix::ShowError(QStringLiteral("Parâmetros inválidos de controle de câmera!"));
    }
}

bool TVGrabber::IsSettingAvailable(int setting) const { return Range(setting).has_value(); }

int TVGrabber::BrightnessMin() const { return Range(kSettingBrightness).value_or(VideoSettingRange{}).min; }
int TVGrabber::BrightnessMax() const { return Range(kSettingBrightness).value_or(VideoSettingRange{}).max; }
int TVGrabber::BrightnessStep() const { return Range(kSettingBrightness).value_or(VideoSettingRange{}).step; }
int TVGrabber::ContrastMin() const { return Range(kSettingContrast).value_or(VideoSettingRange{}).min; }
int TVGrabber::ContrastMax() const { return Range(kSettingContrast).value_or(VideoSettingRange{}).max; }
int TVGrabber::ContrastStep() const { return Range(kSettingContrast).value_or(VideoSettingRange{}).step; }
int TVGrabber::GainMin() const { return Range(kSettingGain).value_or(VideoSettingRange{}).min; }
int TVGrabber::GainMax() const { return Range(kSettingGain).value_or(VideoSettingRange{}).max; }
int TVGrabber::GainStep() const { return Range(kSettingGain).value_or(VideoSettingRange{}).step; }
int TVGrabber::SettingDefault(int setting) const { return Range(setting).value_or(VideoSettingRange{}).defaultValue; }
