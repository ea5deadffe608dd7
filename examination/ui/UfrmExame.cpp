// The examination window's life: creation, the two ways of showing it (a new
// examination; a saved one, read-only), closing, the pages used as a wizard and
// the keyboard.
#include "UfrmExame.h"

#include "ui_TfrmExamination.h"

#include "DateText.h"
#include "Dialogs.h"
#include "UBCom.h"
#include "UBIniSettings.h"
#include "UBVideoGrabber_Espec_C.h"
#include "UBVideoGrabber_Espec_L.h"
#include "UDCurrentPatient.h"
#include "UfrmDataModule.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QScopedValueRollback>
#include <QTabBar>

using namespace cornix::exam;

const char *TfrmExamination::kSupportPhone = "0800 771 2040";

namespace {
// Main and auxiliary camera images start 20 pixels below the top of their panels.
constexpr std::uint16_t kVideoTop = 20;
constexpr std::uint16_t kVideoLeft = 0;
constexpr int kPreviewZoom = 100;

TExamCreation MakeCreation(const TExame &exam, std::int32_t viewedExamID, bool mainFlipHorizontal,
                           bool auxFlipVertical, bool auxFlipHorizontal, std::int32_t patientID,
                           const QString &doctorCRM, const QString &doctorName, std::int32_t doctorID)
{
    return {exam, viewedExamID, mainFlipHorizontal, auxFlipVertical, auxFlipHorizontal,
            patientID, doctorCRM, doctorName, doctorID};
}
} // namespace

TfrmExamination::TfrmExamination(QWidget *owner, const TExame &exam, std::int32_t viewedExamID,
                                 bool mainFlipHorizontal, bool auxFlipVertical, bool auxFlipHorizontal,
                                 std::int32_t patientID, const QString &doctorCRM, const QString &doctorName,
                                 std::int32_t doctorID, TBIniSettings &settings)
    : QWidget(owner),
      m_ui(std::make_unique<Ui::TfrmExamination>()),
      m_settings(settings),
      m_session(MakeCreation(exam, viewedExamID, mainFlipHorizontal, auxFlipVertical, auxFlipHorizontal, patientID,
                             doctorCRM, doctorName, doctorID),
                TCaptureSettings::From(settings)),
      tmrDelay(this),
      tmrBtnJoystick(this),
      m_regionTool(m_session.View())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    FormCreate();
}

TfrmExamination::~TfrmExamination()
{
    qApp->removeEventFilter(this);
    tmrDelay.stop();
    tmrBtnJoystick.stop();
    ReleaseInstrument();
}

QString TfrmExamination::CommunicationProblemMessage()
{
    return tr("Problemas de comunicação com o aparelho.\rVerifique se esta ligado e se os cabos estão todos "
              "conectados.\rCaso o problema persista, entre em contato com o suporte técnico - ")
           + QString::fromLatin1(kSupportPhone) + QLatin1Char('.');
}

// Creation --------------------------------------------------------------------------

void TfrmExamination::FormCreate()
{
    tmrDelay.setObjectName(QStringLiteral("tmrDelay"));
    tmrDelay.setInterval(30);
    tmrBtnJoystick.setObjectName(QStringLiteral("tmrBtnJoystick"));
    tmrBtnJoystick.setInterval(1500);
    connect(&tmrDelay, &QTimer::timeout, this, &TfrmExamination::tmrDelayTimer);
    connect(&tmrBtnJoystick, &QTimer::timeout, this, &TfrmExamination::tmrBtnJoystickTimer);

    m_ui->pnlMainCam->setStyleSheet(QStringLiteral("#pnlMainCam { background: black; }"));
    m_ui->pnlAuxCam->setStyleSheet(QStringLiteral("#pnlAuxCam { background: black; }"));
    styleTabs();
    connectWorkflow();

    {
        const QScopedValueRollback quiet(m_switchingPage, true);
        m_ui->pgExamination->setCurrentIndex(PageCapture);
        HideTabs({PageCapturedFrames, PageImgProcess, PageResults});
    }
    ShowEye();
    // The form sees the keys before its controls do.
    qApp->installEventFilter(this);
}

// The tabs look like buttons, filled with one colour and captioned in another.
void TfrmExamination::styleTabs()
{
    m_ui->pgExamination->setStyleSheet(QStringLiteral(
        "QTabBar::tab { background: #d9e7ec; color: #3a6ea5; font-weight: normal;"
        " padding: 5px 16px; margin: 2px 3px 2px 0; border: 1px solid #a7bcc8; border-radius: 3px; }"
        "QTabBar::tab:selected { border: 2px solid #3a6ea5; }"));
}

void TfrmExamination::connectWorkflow()
{
    connect(m_ui->SpbSair, &QToolButton::clicked, this, &TfrmExamination::CloseWindow);
    connect(m_ui->pgExamination, &QTabWidget::currentChanged, this, &TfrmExamination::pgExaminationChange);
    connect(m_ui->btnAvanc1, &QPushButton::clicked, this, &TfrmExamination::SpeedButton1Click);
    connect(m_ui->btnAvanc2, &QPushButton::clicked, this, &TfrmExamination::btnAvanc2Click);
    connect(m_ui->btnAvanc3, &QPushButton::clicked, this, &TfrmExamination::btnAvanc3Click);

    connect(m_ui->spbOD, &QToolButton::clicked, this, &TfrmExamination::spbODClick);
    connect(m_ui->spbOS, &QToolButton::clicked, this, &TfrmExamination::spbOSClick);
    connect(m_ui->spbFixation, &QToolButton::clicked, this, &TfrmExamination::spbFixationClick);
    connect(m_ui->spbOKFixation, &QToolButton::clicked, this, &TfrmExamination::spbOKFixationClick);
    for (QRadioButton *rb : {m_ui->rb0h, m_ui->rb2h, m_ui->rb4h, m_ui->rb6h, m_ui->rb8h, m_ui->rb10h, m_ui->rb12h})
        connect(rb, &QRadioButton::clicked, this, [this, rb] { FixationButtonClick(rb); });

    connect(m_ui->spbCameraSettings, &QToolButton::clicked, this, &TfrmExamination::spbCameraSettingsClick);
    connect(m_ui->spbOkCamSettings, &QToolButton::clicked, this, &TfrmExamination::spbOkCamSettingsClick);
    for (QSlider *bar : {m_ui->trbBrightness, m_ui->trbContrast, m_ui->trbGain})
        connect(bar, &QSlider::valueChanged, this, [this, bar] { TrackBarChange(bar); });
    connect(m_ui->chkAutoGain, &QCheckBox::clicked, this, &TfrmExamination::chkAutoGainClick);

    connect(m_ui->spbCapture, &QToolButton::clicked, this, &TfrmExamination::spbCaptureClick);
    connect(m_ui->spbAutoCapture, &QToolButton::clicked, this, &TfrmExamination::spbAutoCaptureClick);
    connect(m_ui->spbUndo, &QToolButton::clicked, this, &TfrmExamination::spbUndoClick);
    connect(m_ui->spbOutroOlho, &QToolButton::clicked, this, &TfrmExamination::spbOutroOlhoClick);
    connectReview();
    connectEdit();
    connectResults();
}

// Showing ---------------------------------------------------------------------------

void TfrmExamination::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    FormShow();
}

void TfrmExamination::FormShow()
{
    try {
        if (!m_dataModule)
            m_dataModule = TDataModule1::Instance();
        if (m_session.Viewing())
            ShowSavedExaminationMode();
        else
            ShowNewExamination();
    } catch (...) {
        cornix::ShowUnrecoverable(QStringLiteral("TfrmExamination.FormShow"));
    }
}

void TfrmExamination::ShowPatientData()
{
    const TCurrentPatient patient = ReadCurrentPatient(m_dataModule);
    m_ui->edtPatientName->setText(patient.name);
    m_ui->edtDateOfBirth->setText(patient.birthText);
    m_ui->Edt_Exm_Birth->setText(patient.ageText);
    m_ui->Edt_Exm_Sexo->setText(patient.sex);
    m_patientProntuario = patient.prontuario;
}

void TfrmExamination::ShowNewExamination()
{
    ShowPatientData();
    TExame &exam = m_session.Exam();
    exam.Age = ExaminationPatientAge(m_dataModule, exam.PatientID, QDateTime::currentDateTime());
    PrepareResultsForNewExamination();
    m_ui->edtDoctorName->setText(exam.DoctorName);
    m_ui->edtDoctorCRM->setText(exam.DoctorCRM);
    exam.Prontuario = m_patientProntuario;
    m_ui->lbl_Idade->setText(tr("Idade :") + QString::number(exam.Age));

    try {
        m_contrast = cornix::TContrastSettings::FromIni(m_settings);
    } catch (const std::exception &) {
        // An unreadable IMAGEPROCESSING value: the contrast view keeps its defaults.
    }
    m_ui->spbAutoCapture->setText(m_session.Settings().IdleCaption());
    tmrDelay.setInterval(m_session.Settings().TickInterval());
    m_session.View().ThumbsBuilt = false;
    CreateCameras();
    ResetCapture();
    m_ui->lblFixationStatus->setText(m_session.FixationText());
    if (!OpenInstrumentLink())
        EndForLinkFailure();
}

void TfrmExamination::ShowSavedExaminationMode()
{
    ShowPatientData();
    const TExame &exam = m_session.Exam();
    m_ui->lbl_Idade->setText(tr("Idade : ") + QString::number(exam.Age) + tr(" Anos"));
    m_ui->edtDoctorName->setText(exam.DoctorName);
    m_ui->edtDoctorCRM->setText(exam.DoctorCRM);
    {
        const QScopedValueRollback quiet(m_switchingPage, true);
        SetTabVisible(PageResults, true);
        m_ui->pgExamination->setCurrentIndex(PageResults);
        HideTabs({PageCapture, PageCapturedFrames, PageImgProcess});
    }
    m_ui->pgExamination->setTabText(PageCapture, tr("DATABASE"));
    PrepareResultsForViewing();
}

// A camera that cannot be created leaves its panel empty; the window stays usable.
void TfrmExamination::CreateCameras()
{
    const TExamCreation &creation = m_session.Creation();
    try {
        if (m_mainGrabber) {
            m_mainGrabber->StopVideo();
            m_mainGrabber.reset();
        }
        m_mainGrabber = std::make_unique<TVGrabber_Espec_C>(
            m_ui->pnlMainCam, 640, 480, kVideoTop, kVideoLeft, std::uint8_t(m_settings.GetMainCamChannel()),
            kPreviewZoom, creation.mainFlipHorizontal, false);
        ApplyStoredCameraSettings();
        WatchMainCameraFrames();
    } catch (...) {
    }
    try {
        m_auxGrabber = std::make_unique<TVGrabber_Espec_L>(
            m_ui->pnlAuxCam, 320, 240, kVideoTop, kVideoLeft, std::uint8_t(m_settings.GetAuxCamChannel()),
            kPreviewZoom, creation.auxFlipHorizontal, creation.auxFlipVertical);
    } catch (...) {
    }
}

// The link's own messages explain a port that does not open or an instrument that
// does not answer; false then.
bool TfrmExamination::OpenInstrumentLink()
{
    try {
        m_serial = std::make_unique<TSerial>();
        connect(m_serial.get(), &TSerial::OnRxChar, this, &TfrmExamination::InstrumentDataReceived);
        if (!m_serial->OpenLink(m_settings.FileName()) || !m_serial->CheckHardware())
            return false;
        m_serial->SendLightCommand(8, 1);
        m_serial->SendLightCommand(7, 1); // the central fixation target
    } catch (...) {
        cornix::Dialogs::current().show({cornix::DialogKind::Error, cornix::errorCaption(),
                                         CommunicationProblemMessage(),
                                         cornix::DialogButton::Ok | cornix::DialogButton::Cancel});
    }
    return true;
}

// Without the instrument nothing can be examined. No frame exists yet, so nothing is
// lost: the window closes as usual (cameras and link released) and the program is
// asked to end through its normal close.
void TfrmExamination::EndForLinkFailure()
{
    tmrDelay.stop();
    QTimer::singleShot(0, this, [this] {
        CloseWindow();
        emit quitRequested();
    });
}

// Closing ---------------------------------------------------------------------------

void TfrmExamination::CloseWindow()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

void TfrmExamination::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

// Nothing is asked, whatever has been captured.
void TfrmExamination::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    tmrDelay.stop();
    tmrBtnJoystick.stop();
    if (m_session.Viewing())
        return;
    ReleaseInstrument();
    emit patientListRefreshRequested();
    m_session.ResetCapture(); // the frames' memory goes now, not when the window is deleted
}

void TfrmExamination::ReleaseInstrument()
{
    if (m_mainGrabber) {
        m_mainGrabber->StopVideo();
        m_mainGrabber.reset();
    }
    if (m_auxGrabber) {
        m_auxGrabber->StopVideo();
        m_auxGrabber.reset();
    }
    if (m_serial) {
        disconnect(m_serial.get(), nullptr, this, nullptr);
        if (m_serial->IsOpen())
            m_serial->SendStop();
        m_serial.reset();
    }
}

// Pages -----------------------------------------------------------------------------

void TfrmExamination::SetTabVisible(int page, bool visible)
{
    // Hiding the current tab makes the tab bar choose another: that is no page change.
    const QScopedValueRollback quiet(m_switchingPage, true);
    m_ui->pgExamination->setTabVisible(page, visible);
}

void TfrmExamination::HideTabs(std::initializer_list<int> pages)
{
    for (const int page : pages)
        SetTabVisible(page, false);
}

bool TfrmExamination::IsTabVisible(int page) const { return m_ui->pgExamination->isTabVisible(page); }

// The operator chose a tab.
void TfrmExamination::pgExaminationChange(int page)
{
    if (m_switchingPage)
        return;
    EnterPage(page, true);
}

void TfrmExamination::GoToPage(int page)
{
    const QScopedValueRollback quiet(m_switchingPage, true);
    m_ui->pgExamination->setTabVisible(page, true);
    m_ui->pgExamination->setCurrentIndex(page);
}

void TfrmExamination::EnterPage(int page, bool byTab)
{
    if (byTab)
        PressProcessedView();
    const TPageEntry entry = m_session.EnterPage(page);
    switch (page) {
    case PageCapturedFrames:
        tbsCapturedFramesShow();
        for (const int tab : entry.tabsToHide)
            SetTabVisible(tab, false);
        if (entry.destroyThumbnails)
            DestroyThumbnails();
        PrepareReviewPage();
        break;
    case PageImgProcess:
        for (const int tab : entry.tabsToHide)
            SetTabVisible(tab, false);
        if (entry.destroyThumbnails)
            DestroyThumbnails();
        PrepareEditPage();
        break;
    default:
        break;
    }
    m_session.SetLastPage(page);
    if (byTab)
        ClearFrameToPlot();
}

void TfrmExamination::SpeedButton1Click()
{
    GoToPage(PageCapturedFrames);
    EnterPage(PageCapturedFrames, false);
}

void TfrmExamination::btnAvanc2Click()
{
    GoToPage(PageImgProcess);
    EnterPage(PageImgProcess, false);
}

void TfrmExamination::btnAvanc3Click() { GoToPage(PageResults); }

// Keyboard --------------------------------------------------------------------------

bool TfrmExamination::eventFilter(QObject *watched, QEvent *event)
{
    if (watched->isWidgetType() && isVisible() && PageEvent(watched, event))
        return true;
    if (event->type() != QEvent::KeyPress || !isVisible())
        return QWidget::eventFilter(watched, event);
    auto *target = qobject_cast<QWidget *>(watched);
    if (!target || (target != this && !isAncestorOf(target)))
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // A held key repeats: one capture request per press is what the operator means.
    if (key->isAutoRepeat())
        return FormKeyDown(key->key(), true);
    return FormKeyDown(key->key(), false);
}

// The mouse on the pictures of pages 1 and 2, the explanations of the sensitivity,
// and the birth date losing the focus. True when the event was the page's.
bool TfrmExamination::PageEvent(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool mouseEvent = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick
                       || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
    if (watched == m_ui->imgActual && mouseEvent)
        return imgActualMouse(static_cast<QMouseEvent *>(event));
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (watched == m_ui->imgNext && mouse->button() == Qt::LeftButton) {
            imgNextClick();
            return true;
        }
        if (watched == m_ui->imgPrevious && mouse->button() == Qt::LeftButton) {
            imgPreviousClick();
            return true;
        }
        if (watched == m_ui->imgFrameToPlot) {
            imgFrameToPlotMouseDown(mouse);
            return true;
        }
        return mouse->button() == Qt::LeftButton && ThumbnailClick(watched);
    }
    if (type == QEvent::Enter && IsSensibilityHover(watched))
        ShowSensibilityInfo(watched);
    else if (type == QEvent::FocusOut && watched == m_ui->edtDateOfBirth)
        edtDateOfBirthExit();
    return false;
}

bool TfrmExamination::IsSensibilityHover(QObject *watched) const
{
    if (watched == m_ui->spbHighSensibility || watched == m_ui->spbNormalSensibility
        || watched == m_ui->spbLowSensibility)
        return true;
    auto *group = qobject_cast<QGroupBox *>(watched);
    return group
           && (m_ui->tbsCapturedFrames->isAncestorOf(group) || m_ui->tbsImgProcess->isAncestorOf(group)
               || m_ui->tbsResults->isAncestorOf(group));
}

// True when the key was the page's: it then reaches no control.
bool TfrmExamination::FormKeyDown(int key, bool repeated)
{
    try {
        switch (m_ui->pgExamination->currentIndex()) {
        case PageCapture:
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                if (!repeated)
                    spbAutoCaptureClick();
                return true;
            }
            if (key == Qt::Key_Space) {
                if (!repeated)
                    spbCaptureClick();
                return true;
            }
            return false;
        case PageCapturedFrames:
            return ReviewKeyDown(key);
        default:
            return false;
        }
    } catch (...) {
        cornix::ShowUnrecoverable(QStringLiteral("TfrmExamination.FormKeyDown"));
    }
    return true;
}
