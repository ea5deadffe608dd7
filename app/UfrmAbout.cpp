#include "UfrmAbout.h"

#include "ui_UfrmAbout.h"

#include "CornixIcon.h"
#include "CornixVersion.h"
#include "UBCom.h"
#include "UBIniSettings.h"
#include "UDataBaseCornyx.h"
#include "UfrmDataModule.h"

#include <QApplication>
#include <QShowEvent>
#include <QTimer>

TfrmAbout::TfrmAbout(TBIniSettings *settings, TDataModule1 *module, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfrmAbout>()), m_settings(settings), m_module(module)
{
    m_ui->setupUi(this);
    m_ui->imgIcon->setPixmap(CornixIcon().pixmap(96, 96));
    connect(m_ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

TfrmAbout::~TfrmAbout() = default;

QString TfrmAbout::SoftwareVersionCaption() { return QStringLiteral("Versão: ") + QStringLiteral(CORNIX_FILE_VERSION); }

QString TfrmAbout::DatabaseVersionCaption(TDataModule1 *module)
{
    if (!module || !module->Connected())
        return QStringLiteral("Erro!");
    try {
        const QString version = TBDCornyx(*module).GetDatabaseVersion();
        return version.isEmpty() ? QStringLiteral("Erro!") : QStringLiteral("Versão: ") + version;
    } catch (const EDatabaseError &) {
        return QStringLiteral("Erro!");
    }
}

void TfrmAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_filled)
        return;
    m_filled = true;
    m_ui->lblSoftwareVersion->setText(SoftwareVersionCaption());
    m_ui->lblDatabaseVersion->setText(DatabaseVersionCaption(m_module));
    // The firmware query waits for the instrument: the box is painted first.
    QTimer::singleShot(0, this, &TfrmAbout::readFirmwareVersion);
}

void TfrmAbout::readFirmwareVersion()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The settings file the program runs with names the port (the link's own "Cornix").
    m_ui->lblHardwareVersion->setText(m_settings ? FirmwareVersionCaption(m_settings->FileName())
                                                 : QStringLiteral("Erro!"));
    QApplication::restoreOverrideCursor();
    m_firmwareRead = true;
}
