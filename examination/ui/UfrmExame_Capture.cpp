// Page 0 of the examination window, "Captura": eye and fixation, the camera
// settings panel, capture requests, the capture loop, the joystick, restarting the
// capture, and "Outro olho" (page 3's way back to a new capture of the other eye).
#include "UfrmExame.h"

#include "ui_TfrmExamination.h"

#include "Dialogs.h"
#include "QtNumbers.h"
#include "UBCom.h"
#include "UBIniSettings.h"
#include "UBVideoGrabber_Espec_C.h"

#include <QPixmap>
#include <QSignalBlocker>

using namespace cornix::exam;
using cornix::video::kSettingBrightness;
using cornix::video::kSettingContrast;
using cornix::video::kSettingGain;

namespace {
const QString kAutoGain = QStringLiteral("AUTO");

// VIDEO/Gain: "AUTO" (nothing) or a number.
std::optional<int> StoredGain(const TBIniSettings &settings)
{
    const QString gain = settings.GetGain();
    if (gain == kAutoGain)
        return std::nullopt;
    try {
        return cornix::StrToInt(gain);
    } catch (const cornix::EConvertError &) {
        throw ESettingsConversionError(settings.FileName(), QStringLiteral("VIDEO"), QStringLiteral("Gain"), gain);
    }
}

void SetLetter(QLabel *label, const QString &letter, const QColor &color)
{
    label->setText(letter);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(color.name()));
}
} // namespace

// Eye -------------------------------------------------------------------------------

void TfrmExamination::ShowEye()
{
    const std::uint8_t eye = m_session.Eye();
    m_ui->spbOD->setChecked(eye == kEyeOD);
    m_ui->spbOS->setChecked(eye == kEyeOS);
    const TEyeSides sides = EyeSides(eye);
    SetLetter(m_ui->lblPortionL, sides.left, sides.leftColor);
    SetLetter(m_ui->lblPortionD, sides.right, sides.rightColor);
    m_ui->Lbl_Eye->setText(EyeCaption(eye));
}

void TfrmExamination::spbODClick() { EyeButtonClick(kEyeOD); }
void TfrmExamination::spbOSClick() { EyeButtonClick(kEyeOS); }

// With frames, they are discarded only after a Yes; a No leaves eye and frames.
void TfrmExamination::EyeButtonClick(std::uint8_t eye)
{
    if (eye == m_session.Eye()) {
        ShowEye();
        return;
    }
    const QString side = m_session.FixSide();
    const bool hadFrames = m_session.HasFrames();
    if (m_session.SwitchEye(eye) && hadFrames)
        ResetCapture();
    ShowEye();
    if (m_session.FixSide() != side)
        ShowFixation();
    HideTabs({PageCapturedFrames, PageImgProcess});
}

// Fixation ----------------------------------------------------------------------------

void TfrmExamination::spbFixationClick() { m_ui->pnlFixation->setVisible(m_ui->pnlFixation->isHidden()); }

void TfrmExamination::spbOKFixationClick() { m_ui->pnlFixation->hide(); }

void TfrmExamination::FixationButtonClick(QAbstractButton *button)
{
    const std::optional<int> code = m_session.SetFixation(button->objectName());
    if (!code)
        return;
    ShowFixation();
    if (m_serial && m_serial->IsOpen())
        m_serial->SendLightCommand(*code, 1);
}

void TfrmExamination::ShowFixation()
{
    m_ui->lblFixationStatus->setText(m_session.FixationText());
    m_ui->Lbl_Fix->setText(FixationCaption(m_session.FixPos(), m_session.FixSide()));
}

// Camera settings -----------------------------------------------------------------------

void TfrmExamination::spbCameraSettingsClick()
{
    if (!m_ui->pnlCameraSettings->isHidden()) {
        m_ui->pnlCameraSettings->hide();
        return;
    }
    m_ui->pnlCameraSettings->show();
    PrepareCameraSettings();
}

// The bars take the camera's ranges and the stored positions. Setting them up
// applies nothing to the camera.
void TfrmExamination::PrepareCameraSettings()
{
    if (!m_mainGrabber)
        return;
    try {
        PrepareTrackBar(m_ui->trbBrightness, kSettingBrightness);
        PrepareTrackBar(m_ui->trbContrast, kSettingContrast);
        PrepareTrackBar(m_ui->trbGain, kSettingGain);
    } catch (const ESettingsConversionError &error) {
        cornix::ShowError(error.message());
    }
}

void TfrmExamination::PrepareTrackBar(QAbstractSlider *bar, int setting)
{
    bar->setProperty("Tag", setting);
    if (!m_mainGrabber->IsSettingAvailable(setting))
        return; // stays as it is (disabled at design)
    const QSignalBlocker quietBar(bar);
    auto *slider = qobject_cast<QSlider *>(bar);
    if (setting == kSettingBrightness) {
        bar->setRange(m_mainGrabber->BrightnessMin(), m_mainGrabber->BrightnessMax());
        if (slider)
            slider->setTickInterval(m_mainGrabber->BrightnessStep());
        bar->setEnabled(true);
        bar->setValue(m_settings.GetBrightness());
    } else if (setting == kSettingContrast) {
        bar->setRange(m_mainGrabber->ContrastMin(), m_mainGrabber->ContrastMax());
        if (slider)
            slider->setTickInterval(m_mainGrabber->ContrastStep());
        bar->setEnabled(true);
        bar->setValue(m_settings.GetContrast());
    } else {
        bar->setRange(m_mainGrabber->GainMin(), m_mainGrabber->GainMax());
        if (slider)
            slider->setTickInterval(m_mainGrabber->GainStep());
        const std::optional<int> gain = StoredGain(m_settings);
        bar->setEnabled(gain.has_value());
        const QSignalBlocker quietCheck(m_ui->chkAutoGain);
        m_ui->chkAutoGain->setChecked(!gain);
        if (gain)
            bar->setValue(*gain);
    }
}

void TfrmExamination::TrackBarChange(QAbstractSlider *bar)
{
    if (m_mainGrabber)
        m_mainGrabber->SetVideoSetting(bar, bar->value(), false, false);
}

void TfrmExamination::chkAutoGainClick()
{
    const bool automatic = m_ui->chkAutoGain->isChecked();
    m_ui->trbGain->setEnabled(!automatic);
    if (m_mainGrabber)
        m_mainGrabber->SetVideoSetting(m_ui->trbGain, m_ui->trbGain->value(), automatic, false);
}

// Applies the three settings and stores them. A setting the camera does not offer
// keeps its stored value: its bar never held the camera's.
void TfrmExamination::spbOkCamSettingsClick()
{
    m_ui->pnlCameraSettings->hide();
    if (!m_mainGrabber)
        return;
    const bool automatic = m_ui->chkAutoGain->isChecked();
    m_mainGrabber->SetVideoSetting(m_ui->trbBrightness, m_ui->trbBrightness->value(), false, false);
    m_mainGrabber->SetVideoSetting(m_ui->trbContrast, m_ui->trbContrast->value(), false, false);
    m_mainGrabber->SetVideoSetting(m_ui->trbGain, m_ui->trbGain->value(), automatic, false);
    if (m_mainGrabber->IsSettingAvailable(kSettingGain))
        m_settings.SetGain(automatic ? kAutoGain : QString::number(m_ui->trbGain->value()));
    if (m_mainGrabber->IsSettingAvailable(kSettingBrightness))
        m_settings.SetBrightness(m_ui->trbBrightness->value());
    if (m_mainGrabber->IsSettingAvailable(kSettingContrast))
        m_settings.SetContrast(m_ui->trbContrast->value());
}

// The camera starts with the settings stored on the last "OK", so that the live
// image matches what the panel shows. Values outside the camera's range are left out.
void TfrmExamination::ApplyStoredCameraSettings()
{
    const auto apply = [this](int setting, int min, int max, int value, bool automatic) {
        if (m_mainGrabber->IsSettingAvailable(setting) && (automatic || (value >= min && value <= max)))
            m_mainGrabber->SetVideoSetting(setting, value, automatic, false);
    };
    try {
        TVGrabber_Espec_C &camera = *m_mainGrabber;
        apply(kSettingBrightness, camera.BrightnessMin(), camera.BrightnessMax(), m_settings.GetBrightness(), false);
        apply(kSettingContrast, camera.ContrastMin(), camera.ContrastMax(), m_settings.GetContrast(), false);
        const std::optional<int> gain = StoredGain(m_settings);
        apply(kSettingGain, camera.GainMin(), camera.GainMax(), gain.value_or(camera.SettingDefault(kSettingGain)),
              !gain);
    } catch (const cornix::EConvertError &) {
        // An unreadable stored value: the camera keeps its own.
    }
}

// Capture requests ------------------------------------------------------------------------

void TfrmExamination::EnableDelay()
{
    if (!tmrDelay.isActive() && !m_closed)
        tmrDelay.start();
}

void TfrmExamination::ShowCaptureRequested()
{
    SetTabVisible(PageCapturedFrames, true);
    m_ui->btnAvanc1->setEnabled(true);
}

void TfrmExamination::spbCaptureClick()
{
    if (m_session.CanCaptureMore()) {
        StopSequential();
        if (m_mainGrabber)
            m_mainGrabber->StartCapture(false);
        EnableDelay();
    } else {
        cornix::ShowWarning(TBExamSession::MaximumFramesMessage());
    }
    ShowCaptureRequested();
}

void TfrmExamination::spbAutoCaptureClick()
{
    const QString caption = m_ui->spbAutoCapture->text();
    if (caption == tr("Automática") || caption == tr("Sequencial")) {
        m_ui->spbAutoCapture->setText(tr("Parar"));
        if (m_mainGrabber)
            m_mainGrabber->StartCapture(true);
        EnableDelay();
    } else {
        StopSequential();
    }
    ShowCaptureRequested();
}

// The loop keeps running: a frame already grabbed is still stored.
void TfrmExamination::StopSequential()
{
    m_ui->spbAutoCapture->setText(m_session.Settings().IdleCaption());
    if (m_mainGrabber)
        m_mainGrabber->SetContinuous(false);
}

// The capture loop. The timer is off while the tick runs, so that no tick starts
// while one of its messages is up.
void TfrmExamination::tmrDelayTimer()
{
    tmrDelay.stop();
    const bool ready = m_mainGrabber && m_mainGrabber->FrameReady();
    const bool continuous = m_mainGrabber && m_mainGrabber->IsContinuous();
    static const QImage kNoFrame;
    const TCaptureTick tick = m_session.CaptureTick(ready, ready ? m_mainGrabber->FrameBitmap() : kNoFrame, continuous);
    if (tick.stopSequential)
        StopSequential();
    if (tick.outcome == TTickOutcome::MaximumReached)
        cornix::ShowWarning(TBExamSession::MaximumFramesMessage());
    if (tick.frameConsumed && m_mainGrabber)
        m_mainGrabber->SetFrameReady(false);
    if (tick.stored()) {
        ShowLastCapturedFrame();
        m_ui->pgbBufferSize->setValue(m_ui->pgbBufferSize->value() + 1);
    }
    if (tick.timerEnabled)
        EnableDelay();
}

// The loop also ticks as soon as a frame has been grabbed. A busy user-interface
// thread can leave the polling timer waiting longer than the 33 ms between two camera
// frames; the frame event comes first then, and without this the newer frame would
// replace the older before it was stored.
void TfrmExamination::WatchMainCameraFrames()
{
    cornix::video::TVideoGrabber *component = m_mainGrabber ? m_mainGrabber->Component() : nullptr;
    if (!component || !component->Source())
        return;
    connect(component->Source(), &cornix::video::FrameSource::frameArrived, this, [this] {
        if (tmrDelay.isActive() && m_mainGrabber && m_mainGrabber->FrameReady())
            tmrDelayTimer();
    }, Qt::QueuedConnection);
}

void TfrmExamination::ShowLastCapturedFrame()
{
    const QImage &frame = m_session.Frames().LastFrame().Bitmap;
    const QSize size = m_ui->imgLastCapturedImage->size();
    m_ui->imgLastCapturedImage->setPixmap(
        QPixmap::fromImage(frame.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

// Joystick --------------------------------------------------------------------------------

// "J": the button went down; a press held for the joystick timer's 1.5 s also starts
// sequential capture. "K": it came up.
void TfrmExamination::InstrumentDataReceived(const QString &notification)
{
    if (m_closed)
        return;
    if (notification == QLatin1String("J")) {
        m_ui->spbCapture->click();
        tmrBtnJoystick.start();
    } else if (notification == QLatin1String("K")) {
        tmrBtnJoystick.stop();
    }
}

void TfrmExamination::tmrBtnJoystickTimer()
{
    tmrBtnJoystick.stop();
    m_ui->spbAutoCapture->click();
}

// Restart -----------------------------------------------------------------------------------

void TfrmExamination::spbUndoClick()
{
    if (!m_session.ConfirmRestart())
        return;
    StopSequential();
    ResetCapture();
    m_ui->btnAvanc1->setEnabled(false);
    m_ui->btnAvanc2->setEnabled(false);
    m_ui->btnAvanc3->setEnabled(false);
    HideTabs({PageCapturedFrames, PageImgProcess, PageResults});
}

void TfrmExamination::ResetCapture()
{
    m_session.ResetCapture();
    m_ui->imgLastCapturedImage->clear();
    ResetProgress();
    ClearReviewViews();
}

void TfrmExamination::ResetProgress()
{
    m_ui->pgbBufferSize->setRange(0, m_session.Settings().maxFrames);
    m_ui->pgbBufferSize->setValue(0);
}

void TfrmExamination::ResetSession(bool ask)
{
    if (!m_session.ConfirmDiscard(ask))
        return;
    StopSequential();
    ResetCapture();
}

// Other eye -------------------------------------------------------------------------------

// From the saved results back to a new capture of the other eye. With frames left (the
// save failed) a No keeps everything, page 3 included.
void TfrmExamination::spbOutroOlhoClick()
{
    const QString side = m_session.FixSide();
    const bool switched = m_session.SwitchToOtherEye();
    HideTabs({PageCapturedFrames, PageImgProcess});
    if (!switched)
        return;
    ShowEye();
    if (m_session.FixSide() != side)
        ShowFixation();
    ResetSession(false);
    m_session.Exam().ID = -1;
    m_ui->btnAvanc1->setEnabled(false);
    m_ui->btnAvanc2->setEnabled(false);
    m_ui->btnAvanc3->setEnabled(false);
    SetTabVisible(PageCapture, true);
    GoToPage(PageCapture);
    HideTabs({PageCapturedFrames, PageImgProcess, PageResults});
    m_session.SetLastPage(PageCapture);
    ResetResultsForOtherEye();
}
