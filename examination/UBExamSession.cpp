#include "UBExamSession.h"

#include "Dialogs.h"
#include "UBIniSettings.h"

#include <QCoreApplication>

#include <new>

namespace cornix::exam {

namespace {
QString tr(const char *text) { return QCoreApplication::translate("TfrmExamination", text); }

// The threshold of a new frame: normal sensitivity.
constexpr double kCaptureThreshold = TBFrameBuffer::kNewFrameThreshold;

// The loop stops after a frame that could not be stored.
TCaptureTick storeFailed(bool continuous)
{
    return {TTickOutcome::StoreFailed, false, continuous, true};
}
} // namespace

TCaptureSettings TCaptureSettings::From(const TBIniSettings &settings)
{
    TCaptureSettings s;
    s.autoCapture = settings.CaptureType() == QLatin1String("AUTO");
    s.maxFrames = settings.MaxFrames();
    s.tolerance = settings.Tolerance();
    s.variance = settings.Variance();
    s.sd = settings.SD();
    s.average = settings.Average();
    s.scale = TBFrameBuffer::ScaleFrom(settings);
    return s;
}

QString TCaptureSettings::IdleCaption() const
{
    return autoCapture ? tr("Automática") : tr("Sequencial");
}

TBExamSession::TBExamSession(const TExamCreation &creation, const TCaptureSettings &settings)
    : m_creation(creation), m_settings(settings), m_frames(std::make_unique<TBFrameBuffer>(settings.scale))
{
    if (Viewing()) {
        m_exam = creation.exam;
        return;
    }
    m_exam.ID = -1;
    m_exam.DoctorID = creation.doctorID;
    m_exam.DoctorName = creation.doctorName;
    m_exam.DoctorCRM = creation.doctorCRM;
    m_exam.PatientID = creation.patientID;
}

void TBExamSession::SetSettings(const TCaptureSettings &settings)
{
    m_settings = settings;
    m_frames->SetScale(settings.scale);
}

// Eye and fixation ------------------------------------------------------------

void TBExamSession::SetEye(std::uint8_t eye)
{
    m_eye = eye == kEyeOS ? kEyeOS : kEyeOD;
    m_fixSide = FixSideFor(m_fixPos, m_eye);
}

std::optional<int> TBExamSession::SetFixation(const QString &buttonName)
{
    const std::optional<std::uint16_t> pos = FixPosOfButton(buttonName);
    if (!pos)
        return std::nullopt;
    m_fixPos = *pos;
    m_fixSide = FixSideFor(m_fixPos, m_eye);
    return FixationButtonAt(m_fixPos)->code;
}

bool TBExamSession::SwitchEye(std::uint8_t eye)
{
    // The eye already selected: nothing to discard and nothing to ask.
    if (eye == m_eye)
        return false;
    if (HasFrames()) {
        if (!AskYesNo(DiscardOtherEyeQuestion(eye)))
            return false;
        ResetCapture();
    }
    SetEye(eye);
    m_exam.ID = -1;
    return true;
}

bool TBExamSession::SwitchToOtherEye()
{
    const std::uint8_t other = m_eye == kEyeOD ? kEyeOS : kEyeOD;
    if (HasFrames() && !AskYesNo(NewExamOtherEyeQuestion(other)))
        return false;
    ResetCapture();
    SetEye(other);
    m_exam.ID = -1;
    return true;
}

// Frames ----------------------------------------------------------------------

void TBExamSession::ResetCapture()
{
    m_frames = std::make_unique<TBFrameBuffer>(m_settings.scale);
    m_view.PrevIndex = m_view.CurIndex = m_view.NextIndex = -1;
}

QString TBExamSession::DiscardFramesQuestion()
{
    return tr("Você possui imagens capturadas. Deseja descartá-las?");
}

QString TBExamSession::MaximumFramesMessage() { return tr("Número máximo de capturas atingido!"); }

bool TBExamSession::ConfirmDiscard(bool ask) const
{
    return !ask || !HasFrames() || AskYesNo(DiscardFramesQuestion());
}

bool TBExamSession::ConfirmRestart() const { return HasFrames() && AskYesNo(DiscardFramesQuestion()); }

TCaptureTick TBExamSession::CaptureTick(bool frameReady, const QImage &frame, bool continuous)
{
    if (Count() >= m_settings.maxFrames)
        return {TTickOutcome::MaximumReached, false, continuous, false};
    if (!frameReady)
        return {TTickOutcome::Idle, true, false, false};
    m_view.Selection = {};
    m_view.PachyLine = {};
    try {
        if (m_settings.autoCapture
            && !m_frames->AcceptFrame(frame, m_settings.tolerance, m_settings.variance, m_settings.sd,
                                      m_settings.average))
            return {TTickOutcome::Rejected, true, false, false}; // the next tick tests the frame again
        return storeFrame(frame, continuous);
    } catch (const std::bad_alloc &) {
        ShowError(tr("Memória insuficiente para concluir o processo!"), tr("Erro"));
    } catch (...) {
        ShowUnrecoverable(QStringLiteral("TfrmExamination.tmrDelayTimer"));
    }
    return storeFailed(continuous);
}

TCaptureTick TBExamSession::storeFrame(const QImage &frame, bool continuous)
{
    // AddFrame shows the memory message itself when the frame cannot be kept.
    if (!m_frames->AddFrame(frame, m_fixSide, m_fixPos, kCaptureThreshold, m_view.PachyLine, m_view.Selection, m_eye))
        return storeFailed(continuous);
    return {TTickOutcome::Stored, true, false, true};
}

// Pages -----------------------------------------------------------------------

TPageEntry TBExamSession::EnterPage(int page) const
{
    TPageEntry entry;
    if (page == PageCapturedFrames) {
        if (m_lastPage == PageImgProcess || m_lastPage == PageResults)
            entry.tabsToHide = {PageImgProcess, PageResults};
        entry.destroyThumbnails = m_view.ThumbsBuilt;
    } else if (page == PageImgProcess && m_lastPage == PageResults) {
        entry.tabsToHide = {PageResults};
        entry.destroyThumbnails = m_view.ThumbsBuilt;
    }
    return entry;
}

bool TBExamSession::StartReview()
{
    const int count = Count();
    if (count < 1 || count > kMaxReviewFrames)
        return false;
    m_view.PrevIndex = -1;
    m_view.CurIndex = 0;
    m_view.NextIndex = count >= 2 ? 1 : -1;
    return true;
}

QString TBExamSession::ImageCaption() const
{
    if (!HasFrames())
        return tr("Imagem # de #");
    return tr("Imagem %1 de %2").arg(m_view.CurIndex + 1).arg(Count());
}

// Page 2's flags ---------------------------------------------------------------------

QList<int> TBExamSession::EditableFrames() const
{
    QList<int> frames;
    for (int f = 0; f < m_frames->FrameCount(); ++f)
        if (m_frames->RoiValid(f))
            frames << f;
    return frames;
}

void TBExamSession::PrepareEditFlags(bool rebuildThumbnails)
{
    for (int f = 0; f < m_frames->FrameCount(); ++f)
        m_frames->SetPrintIt(f, false);
    m_view.PrintFrame = -1;
    if (!rebuildThumbnails)
        return;
    // A frame without a region has no thumbnail: it cannot be seen or left out on the
    // page, so its figures (from an earlier region) must not enter the results.
    for (int f = 0; f < m_frames->FrameCount(); ++f)
        m_frames->SetUseIt(f, m_frames->RoiValid(f));
}

void TBExamSession::MarkReportFrame(int f)
{
    if (m_view.PrintFrame >= 0 && m_view.PrintFrame < m_frames->FrameCount())
        m_frames->SetPrintIt(m_view.PrintFrame, false);
    m_frames->SetPrintIt(f, true);
    m_view.PrintFrame = f;
}

bool TBExamSession::UnmarkReportFrame(int f)
{
    if (f != m_view.PrintFrame || f < 0)
        return false;
    m_frames->SetPrintIt(f, false);
    m_view.PrintFrame = -1;
    return true;
}

void TBExamSession::RestoreEyeAndFixation(std::uint8_t eye, std::uint16_t fixPos, const QString &fixSide)
{
    m_eye = eye == kEyeOS ? kEyeOS : kEyeOD;
    m_fixPos = fixPos;
    m_fixSide = fixSide;
}

} // namespace cornix::exam
