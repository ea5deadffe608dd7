#pragma once
// The examination manager ("Controle de Exames"): the screen an examination starts
// from. The operator picks the responsible doctor and finds the patient, then starts
// a new examination or opens one of the patient's saved examinations read-only.
//
// The window lists through its own TBDCornyx on the data module's shared patient and
// examination lists. It does not know the examination window: it asks for one with
// examinationRequested / viewExaminationRequested, which the program answers by opening
// it, and finds out whether one is open by its name (frmExamination).
#include "UDDoctorTable.h"
#include "UDataBaseCornyx.h"
#include "UExame.h"

#include <QWidget>

#include <memory>

class TDataModule1;
class TDatasetGridLink;

namespace Ui {
class TfrmExaminationManager;
}

class TfrmExaminationManager : public QWidget {
    Q_OBJECT
public:
    // Works on TDataModule1::Instance().
    explicit TfrmExaminationManager(QWidget *parent = nullptr);
    explicit TfrmExaminationManager(TDataModule1 &module, QWidget *parent = nullptr);
    ~TfrmExaminationManager() override;

    // Re-lists the active patients by the name filter, back on the same row, and the
    // examinations of the patient of that row. The examination window of a new
    // examination asks for it when it closes.
    void RefreshPatients();
    // Lists the examinations of the patient list's current row.
    void RefreshExaminations();

    // The doctor and the patient a new examination is made for (0: none chosen).
    std::int32_t SelectedDoctorID() const { return m_selectedDoctorID; }
    std::int32_t SelectedPatientID() const { return m_selectedPatientID; }
    // The doctors of the combo box, line by line.
    const TDoctorTable &Doctors() const { return m_doctors; }

signals:
    // "Novo Exame" for a doctor and a patient: the examination window should open
    // for a new examination (with the main window's camera flips).
    void examinationRequested(std::int32_t patientID, const QString &doctorCRM, const QString &doctorName,
                              std::int32_t doctorID);
    // "Visualizar Exame": the examination window should show the saved examination
    // read-only, for the patient.
    void viewExaminationRequested(const TExame &exam, std::int32_t examID, std::int32_t patientID);
    // "Cadastro de pacientes": the patient manager should open (this window then closes).
    void patientManagerRequested();
    // The main menu is locked while an examination starts from here, and unlocked when
    // this window closes (also when it has to stay open).
    void lockMenuRequested();
    void unlockMenuRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpControls();
    void setUpGrids();
    void connectControls();
    void formShow();
    void loadDoctors();

    void relistPatients(const QString &ordering, int recNo);
    void listExaminations();
    void patientRowChanged(int recNo);
    void showCurrentDoctor();
    void doctorChanged(int line);
    void patientClicked();
    void examinationClicked();
    void sortPatients(int section);

    void newExamination();
    void viewExamination();
    void patientManager();
    void stepAside();

    std::unique_ptr<Ui::TfrmExaminationManager> m_ui;
    TDataModule1 &m_module;
    std::unique_ptr<TBDCornyx> m_access;
    TDatasetGridLink *m_patientGrid = nullptr;
    TDatasetGridLink *m_examinationGrid = nullptr;
    TDoctorTable m_doctors;
    std::int32_t m_selectedDoctorID = 0;
    std::int32_t m_selectedPatientID = 0;
    int m_lastPatientRow = 0;
    bool m_shown = false;
    // While the patient list is being rebuilt its row moves several times: the
    // examinations are listed once, afterwards.
    int m_relisting = 0;
};
