#pragma once
// The examination viewer ("Gerenciador de Exames"): the review screen. It lists the
// patients that have examinations, with optional filters (name, record number or CPF,
// today's examinations, status, doctor), shows the examinations of the chosen patient
// with a short summary, switches a patient between active and inactive, and opens a
// saved examination read-only in the examination window.
//
// Like the examination manager it works on the data module's shared lists through its
// own TBDCornyx, and asks for the examination window with viewExaminationRequested,
// which the program answers.
#include "UDDoctorTable.h"
#include "UDataBaseCornyx.h"
#include "UExame.h"

#include <QWidget>

#include <memory>

class QMenu;
class TDataModule1;
class TDatasetGridLink;

namespace Ui {
class TfrmViewExmManager;
}

class TfrmViewExmManager : public QWidget {
    Q_OBJECT
public:
    // Works on TDataModule1::Instance().
    explicit TfrmViewExmManager(QWidget *parent = nullptr);
    explicit TfrmViewExmManager(TDataModule1 &module, QWidget *parent = nullptr);
    ~TfrmViewExmManager() override;

    // Re-lists the patients as the filter panel asks, ordered by ordering (empty: by
    // name), back on the same row number when keepRow. Does nothing while the guard is
    // off (a handler clearing fields).
    void RefreshPatients(const QString &ordering, bool keepRow);
    // Lists the examinations of the patient list's current row, ordered by ordering.
    void RefreshExaminations(const QString &ordering);
    // Fills the summary memo from the examination list's current row.
    void ShowSummary();

    const TDoctorTable &Doctors() const { return m_doctors; }
    bool Guard() const { return m_guard; }

signals:
    // "Visualizar Exame": the examination window should show the saved examination
    // read-only, for the patient.
    void viewExaminationRequested(const TExame &exam, std::int32_t examID, std::int32_t patientID);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpControls();
    void setUpGrids();
    void connectControls();
    void formShow();
    void loadDoctors();

    void relist(const QString &ordering, bool keepRow);
    void patientRowChanged(int recNo);
    void examinationRowChanged(int recNo);
    void showPatientMenuStates();

    void switchFilter();
    void nameChanged();
    void numberChanged();
    void keyButtonClicked();
    void allExaminationsClicked();
    void patientKeyReleased(int key);
    void examinationKeyReleased(int key);
    void setStatusOfCurrentPatient(std::int32_t status);
    void viewExamination();

    std::unique_ptr<Ui::TfrmViewExmManager> m_ui;
    TDataModule1 &m_module;
    std::unique_ptr<TBDCornyx> m_access;
    TDatasetGridLink *m_patientGrid = nullptr;
    TDatasetGridLink *m_examinationGrid = nullptr;
    QMenu *m_patientMenu = nullptr;
    QMenu *m_examinationMenu = nullptr;
    TDoctorTable m_doctors;
    // Off while a handler clears fields: the refreshes their changes cause are skipped.
    bool m_guard = false;
    bool m_shown = false;
    int m_relisting = 0;
};
