#pragma once
// The examination session without its window: the examination record, the eye
// and fixation, the captured frames, the state of the review and editing pages,
// and the capture loop's decision on each tick. The examination window maps its
// widgets onto this; everything here runs on the user-interface thread.
#include "UBFixation.h"
#include "UBFrameBuffer.h"
#include "UExame.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <memory>

class TBIniSettings;

namespace cornix::exam {

// Pages of the examination window, in tab order.
enum TExamPage : int { PageCapture = 0, PageCapturedFrames = 1, PageImgProcess = 2, PageResults = 3 };

// The creation parameters of the examination window after its owner, in order.
struct TExamCreation {
    TExame exam;                    // used only for a saved examination
    std::int32_t viewedExamID = 0;  // 0 = new examination
    bool mainFlipHorizontal = false;
    bool auxFlipVertical = false;
    bool auxFlipHorizontal = false;
    std::int32_t patientID = 0;
    QString doctorCRM;
    QString doctorName;
    std::int32_t doctorID = 0;
};

// What the capture needs from the settings, read once when the window is shown.
struct TCaptureSettings {
    bool autoCapture = false;  // CAPTURE/TYPE is "AUTO": frames must pass AcceptFrame
    std::uint16_t maxFrames = 0;
    double tolerance = 0;      // AUTOCAPTURE bands
    double variance = 0;
    double sd = 0;
    double average = 0;
    TAnalysisScale scale;

    static TCaptureSettings From(const TBIniSettings &settings);
    // The capture loop's period: 30 ms in automatic capture, 1 ms otherwise.
    int TickInterval() const { return autoCapture ? 30 : 1; }
    // spbAutoCapture's caption while no sequential capture runs.
    QString IdleCaption() const;
};

// What one tick of the capture loop did, for the window to mirror.
enum class TTickOutcome {
    Idle,           // no frame waiting
    MaximumReached, // the count is at MaxFrames: loop and sequential capture stop, then
                    // the window shows MaximumFramesMessage()
    Rejected,       // "AUTO": the waiting frame failed AcceptFrame and stays waiting
    Stored,         // the frame entered the buffer
    StoreFailed,    // no memory for the frame: message shown, loop stopped
};

struct TCaptureTick {
    TTickOutcome outcome = TTickOutcome::Idle;
    bool timerEnabled = true;    // tmrDelay after the tick
    bool stopSequential = false; // the window runs StopSequential
    bool frameConsumed = false;  // the camera's FrameReady is cleared
    bool stored() const { return outcome == TTickOutcome::Stored; }
};

// The state of the review (page 1) and editing (page 2) pages.
struct TReviewState {
    std::int16_t PrevIndex = -1; // frames shown in imgPrevious, imgActual, imgNext; -1 = none
    std::int16_t CurIndex = -1;
    std::int16_t NextIndex = -1;
    TRect Selection;            // rectangle being drawn on imgActual, in its pixels
    TPachymetry PachyLine;      // pachymetry measure being drawn
    bool Dragging = false;
    QPoint DragPoint;           // last mouse position during a drag
    bool ThumbsBuilt = false;   // page 2's thumbnails exist
    std::int32_t PrintFrame = -1; // the report frame, -1 = none
};

// What entering a page changes besides LastPage.
struct TPageEntry {
    QList<int> tabsToHide;
    bool destroyThumbnails = false;
};

class TBExamSession {
public:
    // Half-size of the predefined region box, in display pixels of imgActual.
    static constexpr int kPredefinedHalfWidth = 50;
    static constexpr int kPredefinedHalfHeight = 120;
    // Entering page 1 shows frames only for 1 to this many frames.
    static constexpr int kMaxReviewFrames = 999;

    // A new examination takes doctor and patient from the parameters (Exam.ID = -1);
    // a saved one copies the record.
    TBExamSession(const TExamCreation &creation, const TCaptureSettings &settings);

    const TExamCreation &Creation() const { return m_creation; }
    const TCaptureSettings &Settings() const { return m_settings; }
    void SetSettings(const TCaptureSettings &settings);
    bool Viewing() const { return m_creation.viewedExamID != 0; }
    std::int32_t ViewedExamID() const { return m_creation.viewedExamID; }

    TExame &Exam() { return m_exam; }
    const TExame &Exam() const { return m_exam; }

    // Eye and fixation --------------------------------------------------------
    std::uint8_t Eye() const { return m_eye; }
    // Sets the eye; the side of the current fixation is derived again for it, so
    // frames captured afterwards carry the side they lie on for that eye.
    void SetEye(std::uint8_t eye);
    const QString &FixSide() const { return m_fixSide; }
    std::uint16_t FixPos() const { return m_fixPos; }
    // SetFixation of a fixation button; returns the command code to send, or
    // nothing (and no change) for a name that is not a fixation button.
    std::optional<int> SetFixation(const QString &buttonName);
    QString FixationText() const { return exam::FixationText(m_fixPos, m_fixSide); }

    // An eye button: with frames, asks DiscardOtherEyeQuestion and switches only
    // on Yes (the frames are discarded then). Exam.ID becomes -1 when switched.
    bool SwitchEye(std::uint8_t eye);
    // "Outro olho": with frames, asks NewExamOtherEyeQuestion; on Yes or without
    // frames the session starts over for the other eye (frames discarded, Exam.ID -1).
    bool SwitchToOtherEye();

    // Frames ------------------------------------------------------------------
    TBFrameBuffer &Frames() { return *m_frames; }
    const TBFrameBuffer &Frames() const { return *m_frames; }
    int Count() const { return m_frames->Count(); }
    bool HasFrames() const { return Count() > 0; }
    // A capture request is honoured only below MaxFrames.
    bool CanCaptureMore() const { return Count() < m_settings.maxFrames; }
    // An empty buffer and no frame in the three views.
    void ResetCapture();
    // ResetSession's question: true when the session may be reset (asked
    // "Você possui imagens capturadas. Deseja descartá-las?" only when ask is set and frames exist).
    bool ConfirmDiscard(bool ask) const;
    // "Reiniciar captura": only with frames and a Yes.
    bool ConfirmRestart() const;

    // One tick of the capture loop (tmrDelay), given the main camera's FrameReady,
    // its FrameBitmap and whether it captures continuously. In "AUTO" a waiting
    // frame enters the buffer only when it passes AcceptFrame. A frame that cannot
    // be stored shows the memory message (through the dialog seam) and stops the loop.
    // The window stops tmrDelay before the tick, so that no tick runs while a message is up.
    TCaptureTick CaptureTick(bool frameReady, const QImage &frame, bool continuous);

    // Pages -------------------------------------------------------------------
    TReviewState &View() { return m_view; }
    const TReviewState &View() const { return m_view; }
    std::int32_t LastPage() const { return m_lastPage; }
    void SetLastPage(std::int32_t page) { m_lastPage = page; }
    // Which later tabs hide (and whether the thumbnails go) when a page is entered.
    TPageEntry EnterPage(int page) const;
    // The show step of page 1: with 1 to 999 frames the views start at frame 0;
    // returns false (and changes nothing) otherwise.
    bool StartReview();
    // "Imagem N de M", or "Imagem # de #" without frames.
    QString ImageCaption() const;

    // Page 2's flags ----------------------------------------------------------------
    // The frames that have a valid region, in order: page 2's thumbnails.
    QList<int> EditableFrames() const;
    // Entering page 2: no report frame (every PrintIt flag cleared, PrintFrame -1) and,
    // when the thumbnails are built again, every editable frame in use and no other.
    void PrepareEditFlags(bool rebuildThumbnails);
    // spbPrintIt: f becomes the one report frame (the previous one loses its flag).
    void MarkReportFrame(int f);
    // spbDontPrintIt: clears the mark only when f is the report frame; true then.
    bool UnmarkReportFrame(int f);

    // A saved examination shown read-only: its eye and fixation as stored.
    void RestoreEyeAndFixation(std::uint8_t eye, std::uint16_t fixPos, const QString &fixSide);

    static QString MaximumFramesMessage();
    static QString DiscardFramesQuestion();

private:
    TCaptureTick storeFrame(const QImage &frame, bool continuous);

    TExamCreation m_creation;
    TCaptureSettings m_settings;
    TExame m_exam;
    std::uint8_t m_eye = kEyeOD;
    QString m_fixSide;
    std::uint16_t m_fixPos = 0;
    std::unique_ptr<TBFrameBuffer> m_frames;
    TReviewState m_view;
    std::int32_t m_lastPage = PageCapture;
};

} // namespace cornix::exam
