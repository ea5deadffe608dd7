#pragma once
// TfrmExamination: the examination window. One examination of one eye of one
// patient: the live cameras, eye and fixation, the capture of frames, then the
// review, editing and results pages, used as a wizard. While it is open in capture
// mode it owns the instrument: the serial link and both cameras.
//
// The session itself (eye, fixation, frames, the pages' state, the capture loop's
// decisions) is TBExamSession; this class maps the widgets onto it. Its code is
// split by page: UfrmExame.cpp (life, show, close, pages, keyboard),
// UfrmExame_Capture.cpp (page 0), UfrmExame_Review.cpp (page 1),
// UfrmExame_Edit.cpp (page 2), UfrmExame_Results.cpp (page 3).
#include "UBAnalyseFrame.h"
#include "UBExamSession.h"
#include "UBResultsPage.h"
#include "UBReviewPages.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QAbstractButton;
class QAbstractSlider;
class QFrame;
class QLabel;
class QMouseEvent;
class QPlainTextEdit;
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

    // The frame shown enlarged on page 2 (imgFrameToPlot's Tag), -1 = none.
    int PlotFrame() const { return m_plotFrame; }
    // What the display buttons of page 2 ask for now.
    cornix::TDisplaySettings DisplaySettings() const;
    // The two crops of the report frame on the results page, as loaded (unscaled).
    const QImage &CroppedImage() const { return m_croppedImage; }
    const QImage &CroppedProcessedImage() const { return m_croppedProcessedImage; }

    // Text of the message shown when opening the link raised.
    static QString CommunicationProblemMessage();
    static const char *kSupportPhone;

signals:
    // The window closed: the examination manager re-lists its patients.
    void patientListRefreshRequested();
    // The instrument could not be reached at show: the window has closed and the
    // program should end through its normal close.
    void quitRequested();
    // "Imprimir" on the results page: the report of Session().Exam() is wanted.
    void printPreviewRequested();

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
    bool PageEvent(QObject *watched, QEvent *event);
    bool IsSensibilityHover(QObject *watched) const;
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

    // Review page (UfrmExame_Review.cpp) -------------------------------------------
    void connectReview();
    void ClearReviewViews();
    void tbsCapturedFramesShow();
    void PrepareReviewPage();
    bool ReviewKeyDown(int key);
    void Navigate(cornix::exam::TNavCommand command, int n = 0);
    void ShowViews(bool withOverlay);
    void ShowFrameIn(QLabel *view, int f);
    void ShowCurrentFrame(bool withOverlay);
    void ShowActualImage(const QImage &frameImage);
    void RefreshCurrentFrame();
    void ShowFrameInfo();
    void ShowSensitivity();
    void spbGoToFirstFrameClick();
    void spbGoToLastFrameClick();
    void spbNextClick();
    void spbPreviousClick();
    void imgNextClick();
    void imgPreviousClick();
    void edtGoToImg2Change();
    bool imgActualMouse(QMouseEvent *event);
    void imgActualMouseDown(QMouseEvent *event);
    void imgActualMouseMove(QMouseEvent *event);
    void imgActualMouseUp(QMouseEvent *event);
    void DrawBand(const cornix::exam::TBRegionTool::TBandStep &step);
    void AnalyseCurrentFrame();
    void btnPredefinedYesClick();
    void SensibilityClick(cornix::exam::TSensitivity sensitivity);
    void ShowSensibilityInfo(QObject *hovered);
    bool Predefined() const;

    // Editing page (UfrmExame_Edit.cpp) ----------------------------------------------
    void connectEdit();
    void PrepareEditPage();
    void BuildThumbnails();
    void DestroyThumbnails();
    void SelectEditFrame(int f);
    void ShowZoomedFrame(int f);
    void ShowFrameResults(int f);
    void ShowEditMarker(const QPoint &cropPoint, QRgb colour);
    void Liberabotoes();
    void bloqueiabotoes();
    void PressProcessedView();
    void ClearFrameToPlot();
    void ShowIndicator();
    void DisplayButtonClick(QObject *button);
    void UpdateDisplayVisibility();
    void RefreshPlotFrame(const cornix::TDisplaySettings &display);
    void RedrawPlotFrame();
    void imgFrameToPlotMouseDown(QMouseEvent *event);
    void spbRestoreCellClick();
    void spbUseItClick();
    void spbDontUseItClick();
    void spbPrintItClick();
    void spbDontPrintItClick();
    void zoomBarChange();
    bool ThumbnailClick(QObject *watched);

    // Results page (UfrmExame_Results.cpp) -------------------------------------------
    void connectResults();
    void PrepareResultsForNewExamination();
    void PrepareResultsForViewing();
    void ResetResultsForOtherEye();
    void GenerateResults();
    void ShowResultTexts(const cornix::exam::TResultsTexts &texts);
    void ShowCrops(const QImage &crop, const QImage &processed);
    void spb_Save_ExameClick();
    bool SaveExamination();
    void ShowSaved();
    void ShowSavedExamination();
    void memDiagChange();
    void memOBSChange();
    void MemoChange(QPlainTextEdit *memo, QLabel *counter);
    void edtDateOfBirthExit();
    void spbSetAsDefaultClick();

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
    cornix::TContrastSettings m_contrast;
    cornix::exam::TBRegionTool m_regionTool;
    QImage m_actualImage;          // imgActual's picture (640 × 453), the band drawn on it
    int m_plotFrame = -1;          // imgFrameToPlot.Tag
    QImage m_croppedImage;         // imgCropped and imgCroppedProcessed, unscaled
    QImage m_croppedProcessedImage;
    QList<QLabel *> m_thumbnails;
    QFrame *m_indicator = nullptr; // shpIndicator
    bool m_shown = false;
    bool m_closed = false;
    bool m_switchingPage = false; // a page change made by the window, not by a tab
};
