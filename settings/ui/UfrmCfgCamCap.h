#pragma once
// TfrmCfgCamCap: the workstation settings dialog ("Configuração"), a child window of
// the main window. Edits the camera channels, the capture limits, the automatic-capture
// statistics and the clinic data through the program's settings object.
#include "CfgCamCapFields.h"

#include <QWidget>

#include <memory>

class TBIniSettings;
namespace Ui {
class TfrmCfgCamCap;
}

class TfrmCfgCamCap : public QWidget {
    Q_OBJECT
public:
    // settings must outlive the dialog.
    explicit TfrmCfgCamCap(TBIniSettings &settings, QWidget *parent = nullptr);
    ~TfrmCfgCamCap() override;

    // Set while the dialog is showing: the main window re-shows it instead of
    // creating a second one.
    bool IsOpen() const { return m_isOpen; }

    void LoadFields();
    // Validates every field first; on a bad field shows why, writes nothing and
    // answers false.
    bool SaveFields();
    bool IsModified() const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    TCfgCamCapFields fields() const;
    QWidget *editOf(TCfgField field) const;
    void fieldChanged();
    void maxCapturesChanged();
    void setApplyEnabled(bool modified);
    // Asks, saves or restores; false when the operator must correct a field first.
    bool apply();
    void cancel();
    bool isModifiedOrReport() const;

    std::unique_ptr<Ui::TfrmCfgCamCap> m_ui;
    TBIniSettings &m_settings;
    bool m_isOpen = false;
    bool m_loading = false;
};
