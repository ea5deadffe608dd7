// The windows of other subsystems that the main window opens. Each returns the new
// window (not yet shown) or null while that window is not part of the program yet;
// the main window then opens nothing and unlocks its menu again. The examination
// window, created by the examination manager, opens through OpenExaminationWindow.
#include "UfrmMain.h"

#include "UfrmDataModule.h"
#include "UfrmDoctorManager.h"
#include "UfrmExame.h"
#include "UfrmPatientManager.h"

QWidget *TfrmMain::createDoctorManager()
{
    TDataModule1 *module = TDataModule1::Instance();
    return module ? new TfrmDoctorManager(*module) : nullptr;
}

QWidget *TfrmMain::createPatientManager()
{
    TDataModule1 *module = TDataModule1::Instance();
    return module ? new TfrmPatientManager(*module) : nullptr;
}

QWidget *TfrmMain::createExaminationManager() { return nullptr; } // records/ui: examination manager
QWidget *TfrmMain::createExaminationViewer() { return nullptr; }  // records/ui: examination viewer

QMdiSubWindow *TfrmMain::OpenExaminationWindow(TfrmExamination *window)
{
    // Queued: the window emits while it is being closed.
    connect(window, &TfrmExamination::quitRequested, this, &QWidget::close, Qt::QueuedConnection);
    return OpenChild(window);
}
