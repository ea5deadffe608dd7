#pragma once
// The doctor manager: lists the active doctors on the shared doctor list, registers
// new ones, corrects them, makes one inactive or all inactive ones active again. All
// reading and writing goes through its own TBDCornyx.
#include "UDataBaseCornyx.h"

#include <QWidget>

#include <memory>

class TDataModule1;
class TDatasetGridLink;
class TSqlDataset;

namespace Ui {
class TfrmDoctorManager;
}

class TfrmDoctorManager : public QWidget {
    Q_OBJECT
public:
    // Works on TDataModule1::Instance().
    explicit TfrmDoctorManager(QWidget *parent = nullptr);
    explicit TfrmDoctorManager(TDataModule1 &module, QWidget *parent = nullptr);
    ~TfrmDoctorManager() override;

    // Re-lists the doctors (the hidden status and name filters), ordered by ordering
    // (a column, ascending; empty: by name).
    void AtualizarListadeMedicos(const QString &ordering);
    // Loads the list's current row into the edit panel and CurrentDoctor's ID.
    void DbGridToRegEdit();

    const TMedico &CurrentDoctor() const { return m_currentDoctor; }
    // Created when the window is first shown.
    TBDCornyx *DoctorAccess() const { return m_doctorAccess.get(); }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Field {
        QString column;
        QString TMedico::*member;
        QWidget *control;
    };

    void setUpControls();
    void setUpGrid();
    void connectControls();
    void formShow();

    // False when the list failed (ListDoctors has shown why).
    bool relist(const QString &ordering);
    TMedico typedDoctor() const;
    void showNormalised(const TMedico &doctor);
    void setEditing(bool enabled);
    void setActionButtonsVisible(bool visible);
    int rowOfDoctor(std::int32_t id);

    void cellClicked();
    void gridKeyReleased(int key);
    void newRecord();
    void save();
    void deactivate();
    void reactivateAll();
    void cancelInsertion();
    void clearMemo();
    void memoChanged();

    std::unique_ptr<Ui::TfrmDoctorManager> m_ui;
    TDataModule1 &m_module;
    std::unique_ptr<TBDCornyx> m_doctorAccess;
    TDatasetGridLink *m_grid = nullptr;
    std::vector<Field> m_fields;
    TMedico m_currentDoctor;
};
