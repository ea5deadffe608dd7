#pragma once
// The patient manager: lists and searches patients on the shared patient list,
// registers new ones, corrects them and makes them inactive or active again. All
// reading and writing goes through its own TBDCornyx; the window keeps only the
// patient being edited.
#include "UDataBaseCornyx.h"

#include <QWidget>

#include <memory>

class QMenu;
class QTimer;
class TDataModule1;
class TDatasetGridLink;
class TSqlDataset;

namespace Ui {
class TfrmPatientManager;
}

class TfrmPatientManager : public QWidget {
    Q_OBJECT
public:
    // Works on TDataModule1::Instance().
    explicit TfrmPatientManager(QWidget *parent = nullptr);
    explicit TfrmPatientManager(TDataModule1 &module, QWidget *parent = nullptr);
    ~TfrmPatientManager() override;

    // Re-lists the patients as the filter panel asks, ordered by ordering (empty: by
    // name; see TBDCornyx::ListPatients), back on the same row number when keepRow.
    // Does nothing unless ListReady.
    void AtualizaListaPaciente(const QString &ordering, bool keepRow);
    // Loads the list's current row into the edit panel and CurrentPatient's ID.
    void DbGridToRegEdit();

    const TPaciente &CurrentPatient() const { return m_currentPatient; }
    bool NewRecordMode() const { return m_newRecordMode; }
    bool ListReady() const { return m_listReady; }
    // Created when the window is first shown.
    TBDCornyx *PatientAccess() const { return m_patientAccess.get(); }

signals:
    // "Novo Exame": the examination manager should open (this window then closes).
    void newExaminationRequested();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Field {
        QString column;
        QString TPaciente::*member;
        QWidget *control;
    };

    void setUpControls();
    void setUpGrid();
    void connectControls();
    void formShow();

    // False when the list failed (ListPatients has shown why).
    bool relist(const QString &ordering, bool keepRow);
    void showSortColumn(const QString &ordering);
    void rowChanged(int recNo);
    void loadRow();
    TPaciente typedPatient() const;
    void showNormalised(const TPaciente &patient);
    void setEditing(bool enabled);
    void setActionButtonsVisible(bool visible);
    int rowOfPatient(std::int32_t id);

    void cellClicked();
    void gridKeyReleased(int key);
    void setStatusOfCurrentRow(std::int32_t status);
    void navigate(void (*move)(TSqlDataset &));
    void switchFilter();
    void nameFilterChanged();
    void handBookChanged();
    void selectClicked();
    void allPatientsClicked();
    void newRecord();
    void clearEditPanel();
    void save();
    void deactivate();
    void reactivate();
    void cancelInsertion();
    void clearMemo();
    void memoChanged();
    void newExamination();

    std::unique_ptr<Ui::TfrmPatientManager> m_ui;
    TDataModule1 &m_module;
    std::unique_ptr<TBDCornyx> m_patientAccess;
    TDatasetGridLink *m_grid = nullptr;
    QMenu *m_popup = nullptr;
    QTimer *m_clearTimer = nullptr;
    std::vector<Field> m_fields;
    TPaciente m_currentPatient;
    bool m_newRecordMode = false;
    bool m_listReady = false;
    // While a save runs, moves of the list do not overwrite what the user typed.
    int m_keepTypedValues = 0;
};
