#pragma once
// TfrmMain: the program's main window. Its central widget is the MDI area in which
// every other window opens (the about box excepted, which is modal); it runs the
// start-up when first shown, offers the menu and the four buttons, locks the menu while
// a management window is open and keeps a second examination window from starting.
//
// Opening a child window: OpenChild(child) adds it to the MDI area, maximised and
// frameless, with WA_DeleteOnClose, so it frees itself when it closes. Management
// windows (managers, viewer, settings dialog) are opened with OpenManagementWindow
// after LockMenu: UnlockMenu then runs when the child is destroyed, so the windows
// themselves never include app/. Windows of other subsystems are created in
// UfrmMainChildren.cpp, the one place that wires them to the main window.
#include "StartUp.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QMdiArea;
class QMdiSubWindow;
class TBIniSettings;
class TDataModule1;
class TfrmCfgCamCap;
class TfrmExamination;
namespace Ui {
class TfrmMain;
}

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    // Where the start-up finds cornix.ini and the database; beside the executable unless
    // set before the window is first shown.
    void SetStartUpFiles(const TStartUpFiles &files) { m_files = files; }
    // The start-up has run (successfully or not) / has succeeded.
    bool StartUpFinished() const { return m_startUpFinished; }
    bool StartedUp() const { return m_startUpFinished && m_startUpError.isEmpty(); }
    const QString &StartUpError() const { return m_startUpError; }

    // The program's settings object, null until the start-up has loaded it.
    TBIniSettings *Settings() const { return m_settings.get(); }
    QMdiArea *MdiArea() const;

    QMdiSubWindow *OpenChild(QWidget *child);
    QMdiSubWindow *OpenManagementWindow(QWidget *child);
    // The examination window as a child (no lock). When it cannot reach the instrument
    // it closes and asks the program to end: the main window then closes as usual.
    QMdiSubWindow *OpenExaminationWindow(TfrmExamination *window);
    void LockMenu();
    void UnlockMenu();
    bool MenuLocked() const { return m_menuLocked; }
    // A window named "frmExamination" is open.
    bool ExaminationWindowExists() const;

    // The maintenance panel's camera flips, handed to a new examination window.
    bool MainFlipHorizontal() const;
    bool AuxFlipVertical() const;
    bool AuxFlipHorizontal() const;

public slots:
    void DoctorManager();
    void PatientManager();
    void ExaminationViewer();
    void Exit();
    void NewExamination();
    void ReviewExamination();
    void Backup() {}
    void SystemSettings();
    void Calibration();
    void About();
    void HelpFile();
    void AlterTable();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectCommands();
    void showActiveChildInTitle();
    void hideMenuItems();
    void StartUp();
    void refuseToContinue();
    void setCommandsEnabled(bool enabled);
    QList<QAction *> lockedActions() const;
    // True (after the message) when an examination window is open.
    bool examinationOpenRefuses();
    void openOrUnlock(QWidget *window);

    // Windows of other subsystems (UfrmMainChildren.cpp); null while not built yet.
    QWidget *createDoctorManager();
    QWidget *createPatientManager();
    QWidget *createExaminationManager();
    QWidget *createExaminationViewer();

    std::unique_ptr<Ui::TfrmMain> m_ui;
    TStartUpFiles m_files;
    std::unique_ptr<TBIniSettings> m_settings;
    QPointer<TfrmCfgCamCap> m_cfgCamCap;
    QString m_startUpError;
    bool m_startUpScheduled = false;
    bool m_startUpFinished = false;
    bool m_menuLocked = false;
};
