// The windows of other subsystems that the main window opens. Each returns the new
// window (not yet shown) or null while that window is not part of the program yet;
// the main window then opens nothing and unlocks its menu again.
#include "UfrmMain.h"

QWidget *TfrmMain::createDoctorManager() { return nullptr; }      // records/ui: TfrmDoctorManager
QWidget *TfrmMain::createPatientManager() { return nullptr; }     // records/ui: TfrmPatientManager
QWidget *TfrmMain::createExaminationManager() { return nullptr; } // records/ui: examination manager
QWidget *TfrmMain::createExaminationViewer() { return nullptr; }  // records/ui: examination viewer
