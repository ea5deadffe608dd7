#include "UfrmMain.h"

#include "ui_UfrmMain.h"

#include "CornixIcon.h"
#include "Dialogs.h"
#include "UBIniSettings.h"
#include "UDataBaseCornyx.h"
#include "UFrmCalibracao.h"
#include "UfrmAbout.h"
#include "UfrmCfgCamCap.h"
#include "UfrmDataModule.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QUrl>

namespace {

const QString kExaminationWindow = QStringLiteral("frmExamination");
const QString kTitle = QStringLiteral("Cornix");

void ShowPlain(const QString &text) { cornix::ShowInformation(text, QStringLiteral("Cornix")); }

} // namespace

TfrmMain::TfrmMain(QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::TfrmMain>()), m_files(TStartUpFiles::Default())
{
    m_ui->setupUi(this);
    setWindowIcon(CornixIcon());
    m_ui->dockButtons->setTitleBarWidget(new QWidget(m_ui->dockButtons));
    m_ui->mdiArea->setBackground(CornixBackground());
    m_ui->Panel1->installEventFilter(this);
    connect(m_ui->mdiArea, &QMdiArea::subWindowActivated, this, &TfrmMain::showActiveChildInTitle);
    hideMenuItems();
    connectCommands();
    setCommandsEnabled(false); // until the start-up has succeeded
}

TfrmMain::~TfrmMain()
{
    // Children go first, while this window can still hear that they went (and while the
    // settings they read exist). Closed ones may be waiting for their deferred deletion.
    m_ui->mdiArea->closeAllSubWindows();
    qDeleteAll(m_ui->mdiArea->findChildren<QMdiSubWindow *>());
    disconnect(m_ui->mdiArea, nullptr, this, nullptr);
    if (TBIniSettings::Global() == m_settings.get())
        TBIniSettings::SetGlobal(nullptr);
}

QMdiArea *TfrmMain::MdiArea() const { return m_ui->mdiArea; }

// "Cornix - [Configuração]" while a child window is in front, as maximised children show.
void TfrmMain::showActiveChildInTitle()
{
    QMdiSubWindow *active = m_ui->mdiArea->activeSubWindow();
    const QString caption = active && active->widget() ? active->widget()->windowTitle() : QString();
    setWindowTitle(caption.isEmpty() ? kTitle : kTitle + QStringLiteral(" - [") + caption + u']');
}

// Hidden items leave the menu but stay on the window, where their shortcuts still act.
void TfrmMain::hideMenuItems()
{
    for (QAction *hidden : {m_ui->genExamination, m_ui->Men_Backup, m_ui->Calibracao}) {
        for (QMenu *menu : {m_ui->mnuGerenciador, m_ui->mnuExame, m_ui->mnuConfiguracoes})
            menu->removeAction(hidden);
        addAction(hidden);
    }
}

void TfrmMain::connectCommands()
{
    connect(m_ui->gerDoctor, &QAction::triggered, this, &TfrmMain::DoctorManager);
    connect(m_ui->gerPatient, &QAction::triggered, this, &TfrmMain::PatientManager);
    connect(m_ui->genExamination, &QAction::triggered, this, &TfrmMain::ExaminationViewer);
    connect(m_ui->FileExitItem, &QAction::triggered, this, &TfrmMain::Exit);
    connect(m_ui->CutItem, &QAction::triggered, this, &TfrmMain::NewExamination);
    connect(m_ui->CopyItem, &QAction::triggered, this, &TfrmMain::ReviewExamination);
    connect(m_ui->Men_Backup, &QAction::triggered, this, &TfrmMain::Backup);
    connect(m_ui->CmeraCaptura1, &QAction::triggered, this, &TfrmMain::SystemSettings);
    connect(m_ui->Calibracao, &QAction::triggered, this, &TfrmMain::Calibration);
    connect(m_ui->HelpAboutItem, &QAction::triggered, this, &TfrmMain::About);
    connect(m_ui->Help, &QAction::triggered, this, &TfrmMain::HelpFile);
    connect(m_ui->SpeedButton1, &QPushButton::clicked, this, &TfrmMain::DoctorManager);
    connect(m_ui->SpeedButton2, &QPushButton::clicked, this, &TfrmMain::PatientManager);
    connect(m_ui->SpeedButton3, &QPushButton::clicked, this, &TfrmMain::NewExamination);
    connect(m_ui->SpeedButton4, &QPushButton::clicked, this, &TfrmMain::ReviewExamination);
    connect(m_ui->Btn_Pac_1, &QPushButton::clicked, this, &TfrmMain::AlterTable);
}

// ---- start-up ---------------------------------------------------------------

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_startUpScheduled)
        return;
    m_startUpScheduled = true;
    // After the first paint, so that a failure's message stands over a visible window.
    QTimer::singleShot(0, this, &TfrmMain::StartUp);
}

void TfrmMain::StartUp()
{
    TDataModule1 *module = TDataModule1::Instance();
    if (!module) {
        m_startUpError = QStringLiteral("O módulo de dados não foi criado.");
    } else {
        TStartUpResult result = RunStartUp(m_files, *module);
        m_settings = std::move(result.settings);
        TBIniSettings::SetGlobal(m_settings.get());
        m_startUpError = result.error;
    }
    m_startUpFinished = true;
    if (!m_startUpError.isEmpty()) {
        refuseToContinue();
        return;
    }
    setCommandsEnabled(true);
}

// The windows need both the settings and the database: only "Sair" stays.
void TfrmMain::refuseToContinue()
{
    setCommandsEnabled(false);
    auto *label = new QLabel(m_startUpError.section(QLatin1Char('\n'), 0, 0), this);
    label->setObjectName(QStringLiteral("lblStartUpError"));
    statusBar()->addWidget(label, 1);
    cornix::ShowError(m_startUpError);
}

void TfrmMain::setCommandsEnabled(bool enabled)
{
    for (QAction *action : {m_ui->gerDoctor, m_ui->gerPatient, m_ui->genExamination, m_ui->CutItem,
                            m_ui->CopyItem, m_ui->Men_Backup, m_ui->CmeraCaptura1, m_ui->Calibracao,
                            m_ui->HelpAboutItem, m_ui->Help})
        action->setEnabled(enabled);
    m_ui->FileExitItem->setEnabled(true);
    m_ui->pnlButtons->setEnabled(enabled);
}

// ---- menu lock and the examination-window rule ------------------------------

QList<QAction *> TfrmMain::lockedActions() const
{
    return {m_ui->gerDoctor,     m_ui->gerPatient,    m_ui->CutItem,     m_ui->CopyItem,
            m_ui->CmeraCaptura1, m_ui->HelpAboutItem, m_ui->FileExitItem};
}

void TfrmMain::LockMenu()
{
    m_menuLocked = true;
    for (QAction *action : lockedActions())
        action->setEnabled(false);
}

void TfrmMain::UnlockMenu()
{
    if (!StartedUp())
        return;
    m_menuLocked = false;
    for (QAction *action : lockedActions())
        action->setEnabled(true);
}

bool TfrmMain::ExaminationWindowExists() const
{
    const QList<QMdiSubWindow *> children = m_ui->mdiArea->subWindowList();
    for (auto it = children.crbegin(); it != children.crend(); ++it)
        if ((*it)->widget() && (*it)->widget()->objectName() == kExaminationWindow)
            return true;
    const QWidgetList forms = QApplication::topLevelWidgets();
    for (auto it = forms.crbegin(); it != forms.crend(); ++it)
        if ((*it)->objectName() == kExaminationWindow)
            return true;
    return false;
}

bool TfrmMain::examinationOpenRefuses()
{
    if (!ExaminationWindowExists())
        return false;
    ShowPlain(QStringLiteral("Fechar tela de Exame que está ativa"));
    return true;
}

// ---- child windows ----------------------------------------------------------

QMdiSubWindow *TfrmMain::OpenChild(QWidget *child)
{
    child->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *frame = m_ui->mdiArea->addSubWindow(child, Qt::FramelessWindowHint);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    // A window that closes itself leaves its frame behind: close that too. Queued, so
    // that a frame being destroyed (and taking its window with it) is not touched.
    connect(child, &QObject::destroyed, frame, &QMdiSubWindow::close, Qt::QueuedConnection);
    frame->showMaximized();
    child->setFocus();
    return frame;
}

QMdiSubWindow *TfrmMain::OpenManagementWindow(QWidget *child)
{
    connect(child, &QObject::destroyed, this, &TfrmMain::UnlockMenu);
    return OpenChild(child);
}

void TfrmMain::openOrUnlock(QWidget *window)
{
    if (window)
        OpenManagementWindow(window);
    else
        UnlockMenu(); // nothing opened, nothing to wait for
}

bool TfrmMain::MainFlipHorizontal() const { return m_ui->Chk_PrinFlip_Horizontal->isChecked(); }
bool TfrmMain::AuxFlipVertical() const { return m_ui->Chk_AuxFlip_Vert->isChecked(); }
bool TfrmMain::AuxFlipHorizontal() const { return m_ui->Chk_AuxFlip_Horizontal->isChecked(); }

// ---- commands ---------------------------------------------------------------

void TfrmMain::DoctorManager()
{
    LockMenu();
    openOrUnlock(createDoctorManager());
}

void TfrmMain::PatientManager()
{
    LockMenu();
    openOrUnlock(createPatientManager());
}

void TfrmMain::ExaminationViewer()
{
    if (QWidget *viewer = createExaminationViewer())
        OpenChild(viewer);
}

void TfrmMain::Exit()
{
    if (cornix::AskYesNo(QStringLiteral("Deseja sair do programa ?"), QStringLiteral("Confirmação")))
        close();
}

void TfrmMain::NewExamination()
{
    LockMenu();
    if (ExaminationWindowExists()) {
        ShowPlain(QStringLiteral("A tela de novo exame já está ativa"));
        return;
    }
    openOrUnlock(createExaminationManager());
}

void TfrmMain::ReviewExamination()
{
    LockMenu();
    if (examinationOpenRefuses())
        return;
    openOrUnlock(createExaminationViewer());
}

void TfrmMain::SystemSettings()
{
    LockMenu();
    if (examinationOpenRefuses())
        return;
    if (m_cfgCamCap && m_cfgCamCap->IsOpen()) {
        QMdiSubWindow *frame = qobject_cast<QMdiSubWindow *>(m_cfgCamCap->parentWidget());
        if (frame) {
            m_ui->mdiArea->setActiveSubWindow(frame);
            frame->raise();
        }
        return;
    }
    m_cfgCamCap = new TfrmCfgCamCap(*m_settings);
    OpenManagementWindow(m_cfgCamCap);
}

void TfrmMain::Calibration() { OpenChild(new TfrmCalibration(*m_settings)); }

void TfrmMain::About()
{
    LockMenu();
    if (examinationOpenRefuses())
        return;
    TfrmAbout about(m_settings.get(), TDataModule1::Instance(), this);
    about.exec();
    UnlockMenu();
}

void TfrmMain::HelpFile()
{
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("AjudaCornix.chm"));
    if (!QFileInfo::exists(path)) {
        cornix::ShowWarning(QStringLiteral("O arquivo de ajuda %1 não foi encontrado.").arg(path));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        cornix::ShowWarning(QStringLiteral("Nenhum programa deste computador abre o arquivo de ajuda %1.").arg(path));
}

// Drops the uniqueness of PAC_CPF and makes it nullable, as the patient manager does.
void TfrmMain::AlterTable()
{
    if (TDataModule1 *module = TDataModule1::Instance())
        TBDCornyx(*module).UpgradeSchema();
}

// ---- window events ----------------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent *event)
{
    // Every child closes first and may refuse (unsaved work): then the program goes on.
    // The examination window goes before the others: the examination manager refuses to
    // close while it runs.
    for (QMdiSubWindow *child : m_ui->mdiArea->subWindowList())
        if (child->widget() && child->widget()->objectName() == kExaminationWindow)
            child->close();
    m_ui->mdiArea->closeAllSubWindows();
    for (QMdiSubWindow *child : m_ui->mdiArea->subWindowList()) {
        if (child->isVisible()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void TfrmMain::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        m_ui->Panel1->setVisible(!m_ui->Panel1->isVisible());
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->Panel1 && event->type() == QEvent::MouseButtonDblClick) {
        m_ui->Panel1->hide();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
