#pragma once
// TfrmExamination: the examination window. One examination of one eye of one
// patient: the live cameras, eye and fixation, the capture of frames, then the
// review, editing and results pages, used as a wizard. While it is open in capture
// mode it owns the instrument: the serial link and both cameras.
//
// The session itself (eye, fixation, frames, the pages' state, the capture loop's
// decisions) is TBExamSession; this class maps the widgets onto it. Its code is
// split by page: UfrmExame.cpp (life, show, close, pages, keyboard),
// UfrmExame_Capture.cpp (page 0), UfrmExame_Review.cpp (pages 1 and 2),
// UfrmExame_Results.cpp (page 3).
#include "UBExamSession.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QAbstractButton;
class QAbstractSlider;
class TBIniSettings;
class TSerial;
class TVGrabber_Espec_C;
class TVGrabber_Espec_L;
class TDataModule1;

namespace Ui {
class TfrmExamination;
}

class TfrmExamination : public QWidget {
    Q_OBJECT

public:
    // The creation parameters after the owner: the saved examination (used only when
    // viewedExamID is not 0), the camera flips of the main window, the patient and
    // the responsible doctor. settings is the program's settings object; it must
    // outlive the window.
    TfrmExamination(QWidget *owner, const TExame &exam, std::int32_t viewedExamID, bool mainFlipHorizontal,
                    bool auxFlipVertical, bool auxFlipHorizontal, std::int32_t patientID, const QString &doctorCRM,
                    const QString &doctorName, std::int32_t doctorID, TBIniSettings &settings);
    ~TfrmExamination() override;

    // The data module whose current patient row the window shows; the program's
    // one by default (TDataModule1::Instance() when shown).
    void SetDataModule(TDataModule1 *module) { m_dataModule = module; }

    cornix::exam::TBExamSession &Session() { return m_session; }
    const cornix::exam::TBExamSession &Session() const { return m_session; }
    // What the window owns while capturing; null in viewing mode and after closing.
    TVGrabber_Espec_C *MainGrabber() const { return m_mainGrabber.get(); }
    TVGrabber_Espec_L *AuxGrabber() const { return m_auxGrabber.get(); }
    TSerial *Serial() const { return m_serial.get(); }

    // Text of the message shown when opening the link raised.
    static QString CommunicationProblemMessage();
    static const char *kSupportPhone;

signals:
    // The window closed: the examination manager re-lists its patients.
    void patientListRefreshRequested();
    // The instrument could not be reached at show: the window has closed and the
    // program should end through its normal close.
    void quitRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Life (UfrmExame.cpp) -------------------------------------------------------
    void FormCreate();
    void FormShow();
    void ShowNewExamination();
    void ShowSavedExaminationMode();
    void ShowPatientData();
    void CreateCameras();
    bool OpenInstrumentLink();
    void EndForLinkFailure();
    void FormClose();
    void ReleaseInstrument();
    void CloseWindow();
    bool FormKeyDown(int key, bool repeated);
    void connectWorkflow();
    void styleTabs();

    // Pages (UfrmExame.cpp) --------------------------------------------------------
    void SetTabVisible(int page, bool visible);
    bool IsTabVisible(int page) const;
    void HideTabs(std::initializer_list<int> pages);
    void pgExaminationChange(int page);
    // Prepares a page as entering it by its tab does; byTab adds the first and last steps.
    void EnterPage(int page, bool byTab);
    void GoToPage(int page);
    void SpeedButton1Click(); // btnAvanc1
    void btnAvanc2Click();
    void btnAvanc3Click();

    // Capture page (UfrmExame_Capture.cpp) -----------------------------------------
    void ShowEye();
    void spbODClick();
    void spbOSClick();
    void EyeButtonClick(std::uint8_t eye);
    void spbFixationClick();
    void spbOKFixationClick();
    void FixationButtonClick(QAbstractButton *button);
    void ShowFixation();
    void spbCameraSettingsClick();
    void PrepareCameraSettings();
    void PrepareTrackBar(QAbstractSlider *bar, int setting);
    void TrackBarChange(QAbstractSlider *bar);
    void chkAutoGainClick();
    void spbOkCamSettingsClick();
    void ApplyStoredCameraSettings();
    void spbCaptureClick();
    void spbAutoCaptureClick();
    void StopSequential();
    void tmrDelayTimer();
    void WatchMainCameraFrames();
    void ShowLastCapturedFrame();
    void InstrumentDataReceived(const QString &notification);
    void tmrBtnJoystickTimer();
    void spbUndoClick();
    void ResetCapture();
    void ResetProgress();
    void ResetSession(bool ask);
    void spbOutroOlhoClick();
    void ShowCaptureRequested();
    void EnableDelay();

    // Review and editing pages (UfrmExame_Review.cpp) -------------------------------
    void ClearReviewViews();
    void tbsCapturedFramesShow();
    void PrepareReviewPage();
    void DestroyThumbnails();
    void PrepareEditPage();
    void PressProcessedView();
    void ClearFrameToPlot();
    bool ReviewKeyDown(int key);

    // Results page (UfrmExame_Results.cpp) -------------------------------------------
    void PrepareResultsForNewExamination();
    void PrepareResultsForViewing();
    void ResetResultsForOtherEye();

    std::unique_ptr<Ui::TfrmExamination> m_ui;
    TBIniSettings &m_settings;
    TDataModule1 *m_dataModule = nullptr;
    cornix::exam::TBExamSession m_session;
    std::unique_ptr<TVGrabber_Espec_C> m_mainGrabber;
    std::unique_ptr<TVGrabber_Espec_L> m_auxGrabber;
    std::unique_ptr<TSerial> m_serial;
    QTimer tmrDelay;
    QTimer tmrBtnJoystick;
    std::int32_t m_patientProntuario = 0;
    bool m_shown = false;
    bool m_closed = false;
    bool m_switchingPage = false; // a page change made by the window, not by a tab
};
