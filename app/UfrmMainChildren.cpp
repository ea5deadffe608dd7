// The windows of other subsystems that the main window opens, and their wiring: the
// record windows never include the examination window, they ask for it by signals
// answered here. Each factory returns the new window (not yet shown), or null without a
// data module; the main window then opens nothing and unlocks its menu again.
#include "UfrmMain.h"

#include "Dialogs.h"
#include "UBViewExmManager.h"
#include "UfrmDataModule.h"
#include "UfrmDoctorManager.h"
#include "UfrmExame.h"
#include "UfrmExaminationManager.h"
#include "UfrmPatientManager.h"

namespace {

// Runs command once window has gone: a window that hands over to another closes itself,
// and its going unlocks the menu, which the next window locks again. Queued: the new
// window opens after the old one's frame is destroyed, not from inside its destructor.
void AfterClosing(TfrmMain &main, QObject *window, void (TfrmMain::*command)())
{
    QObject::connect(window, &QObject::destroyed, &main, command, Qt::QueuedConnection);
}

// A new examination for the doctor and the patient, with the maintenance panel's flips;
// closing it re-lists the manager's patients (their examination counts).
void OpenNewExamination(TfrmMain &main, TfrmExaminationManager *manager, std::int32_t patientID,
                        const QString &doctorCRM, const QString &doctorName, std::int32_t doctorID)
{
    auto *window = new TfrmExamination(nullptr, TExame{}, 0, main.MainFlipHorizontal(), main.AuxFlipVertical(),
                                       main.AuxFlipHorizontal(), patientID, doctorCRM, doctorName, doctorID,
                                       *main.Settings());
    QObject::connect(window, &TfrmExamination::patientListRefreshRequested, manager,
                     &TfrmExaminationManager::RefreshPatients);
    main.OpenExaminationWindow(window);
}

// A saved examination, read-only, with every flip on and the doctor of the record. One
// examination window at a time: a second one is refused as the main window refuses.
void OpenSavedExamination(TfrmMain &main, const TExame &exam, std::int32_t examID, std::int32_t patientID)
{
    if (main.ExaminationWindowExists()) {
        cornix::ShowInformation(QStringLiteral("Fechar tela de Exame que está ativa"), QStringLiteral("Cornix"));
        return;
    }
    main.OpenExaminationWindow(new TfrmExamination(nullptr, exam, examID, true, true, true, patientID, QString(),
                                                   QString(), 0, *main.Settings()));
}

} // namespace

QWidget *TfrmMain::createDoctorManager()
{
    TDataModule1 *module = TDataModule1::Instance();
    return module ? new TfrmDoctorManager(*module) : nullptr;
}

QWidget *TfrmMain::createPatientManager()
{
    TDataModule1 *module = TDataModule1::Instance();
    if (!module)
        return nullptr;
    auto *manager = new TfrmPatientManager(*module);
    connect(manager, &TfrmPatientManager::newExaminationRequested, this,
            [this, manager] { AfterClosing(*this, manager, &TfrmMain::NewExamination); });
    return manager;
}

QWidget *TfrmMain::createExaminationManager()
{
    TDataModule1 *module = TDataModule1::Instance();
    if (!module)
        return nullptr;
    auto *manager = new TfrmExaminationManager(*module);
    connect(manager, &TfrmExaminationManager::lockMenuRequested, this, &TfrmMain::LockMenu);
    connect(manager, &TfrmExaminationManager::unlockMenuRequested, this, &TfrmMain::UnlockMenu);
    connect(manager, &TfrmExaminationManager::examinationRequested, this,
            [this, manager](std::int32_t patientID, const QString &crm, const QString &name, std::int32_t doctorID) {
                OpenNewExamination(*this, manager, patientID, crm, name, doctorID);
            });
    connect(manager, &TfrmExaminationManager::viewExaminationRequested, this,
            [this](const TExame &exam, std::int32_t examID, std::int32_t patientID) {
                OpenSavedExamination(*this, exam, examID, patientID);
            });
    connect(manager, &TfrmExaminationManager::patientManagerRequested, this,
            [this, manager] { AfterClosing(*this, manager, &TfrmMain::PatientManager); });
    return manager;
}

QWidget *TfrmMain::createExaminationViewer()
{
    TDataModule1 *module = TDataModule1::Instance();
    if (!module)
        return nullptr;
    auto *viewer = new TfrmViewExmManager(*module);
    connect(viewer, &TfrmViewExmManager::viewExaminationRequested, this,
            [this](const TExame &exam, std::int32_t examID, std::int32_t patientID) {
                OpenSavedExamination(*this, exam, examID, patientID);
            });
    return viewer;
}

QMdiSubWindow *TfrmMain::OpenExaminationWindow(TfrmExamination *window)
{
    // Queued: the window emits while it is being closed.
    connect(window, &TfrmExamination::quitRequested, this, &QWidget::close, Qt::QueuedConnection);
    return OpenChild(window);
}
