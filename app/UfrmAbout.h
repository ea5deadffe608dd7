#pragma once
// TfrmAbout ("Sobre"): the modal about box with the versions of the program, of the
// instrument's firmware and of the database, read when it is shown.
#include <QDialog>

#include <memory>

class TBIniSettings;
class TDataModule1;
namespace Ui {
class TfrmAbout;
}

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    // settings: whose file names the instrument's port; module: where DB_INFO is read.
    // Either may be null (the line then shows "Erro!").
    TfrmAbout(TBIniSettings *settings, TDataModule1 *module, QWidget *parent = nullptr);
    ~TfrmAbout() override;

    static QString SoftwareVersionCaption();
    static QString DatabaseVersionCaption(TDataModule1 *module);
    // The firmware line has been read (it follows the first paint).
    bool FirmwareRead() const { return m_firmwareRead; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void readFirmwareVersion();

    std::unique_ptr<Ui::TfrmAbout> m_ui;
    TBIniSettings *m_settings;
    TDataModule1 *m_module;
    bool m_filled = false;
    bool m_firmwareRead = false;
};
