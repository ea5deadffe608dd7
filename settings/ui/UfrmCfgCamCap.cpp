#include "UfrmCfgCamCap.h"

#include "ui_UfrmCfgCamCap.h"

#include "Dialogs.h"
#include "QtNumbers.h"
#include "UBIniSettings.h"

#include <QCloseEvent>

TfrmCfgCamCap::TfrmCfgCamCap(TBIniSettings &settings, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TfrmCfgCamCap>()), m_settings(settings)
{
    m_ui->setupUi(this);
    for (QLineEdit *edit : {m_ui->edtMainCam, m_ui->edtAuxCam, m_ui->edtNCAverageValue, m_ui->edtNCSDValue,
                            m_ui->edtTolerance})
        connect(edit, &QLineEdit::textChanged, this, &TfrmCfgCamCap::fieldChanged);
    connect(m_ui->edtNumMaxCaptures, &QLineEdit::textChanged, this, &TfrmCfgCamCap::maxCapturesChanged);
    connect(m_ui->btnApply, &QPushButton::clicked, this, [this] { apply(); });
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &TfrmCfgCamCap::cancel);
    m_ui->btnCancel->setShortcut(Qt::Key_Escape); // as in any dialog
    connect(m_ui->btnOK, &QPushButton::clicked, this, &QWidget::close);
}

TfrmCfgCamCap::~TfrmCfgCamCap() = default;

void TfrmCfgCamCap::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_isOpen)
        return; // brought to the front again: the fields keep what the operator typed
    m_isOpen = true;
    m_ui->pgcConfig->setCurrentIndex(0);
    LoadFields();
}

void TfrmCfgCamCap::closeEvent(QCloseEvent *event)
{
    m_isOpen = false;
    event->accept();
}

void TfrmCfgCamCap::LoadFields()
{
    TCfgCamCapFields stored;
    try {
        stored = TCfgCamCapFields::Load(m_settings);
    } catch (const ESettingsConversionError &error) {
        cornix::ShowError(error.message());
        return;
    }
    m_loading = true;
    m_ui->edtMainCam->setText(stored.MainCam);
    m_ui->edtAuxCam->setText(stored.AuxCam);
    m_ui->edtNumMaxCaptures->setText(stored.NumMaxCaptures);
    m_ui->edtNCAverageValue->setText(stored.NCAverage);
    m_ui->edtNCSDValue->setText(stored.NCSD);
    m_ui->edtTolerance->setText(stored.Tolerance);
    m_ui->edtClinicName->setText(stored.ClinicName);
    m_ui->edtClinicAddress->setText(stored.ClinicAddress);
    m_ui->edtClinicPhone->setText(stored.ClinicPhone);
    m_loading = false;
}

TCfgCamCapFields TfrmCfgCamCap::fields() const
{
    TCfgCamCapFields typed;
    typed.MainCam = m_ui->edtMainCam->text();
    typed.AuxCam = m_ui->edtAuxCam->text();
    typed.NumMaxCaptures = m_ui->edtNumMaxCaptures->text();
    typed.NCAverage = m_ui->edtNCAverageValue->text();
    typed.NCSD = m_ui->edtNCSDValue->text();
    typed.Tolerance = m_ui->edtTolerance->text();
    typed.ClinicName = m_ui->edtClinicName->text();
    typed.ClinicAddress = m_ui->edtClinicAddress->text();
    typed.ClinicPhone = m_ui->edtClinicPhone->text();
    return typed;
}

QWidget *TfrmCfgCamCap::editOf(TCfgField field) const
{
    switch (field) {
    case TCfgField::MainCam: return m_ui->edtMainCam;
    case TCfgField::AuxCam: return m_ui->edtAuxCam;
    case TCfgField::NumMaxCaptures: return m_ui->edtNumMaxCaptures;
    case TCfgField::NCAverage: return m_ui->edtNCAverageValue;
    case TCfgField::NCSD: return m_ui->edtNCSDValue;
    case TCfgField::Tolerance: return m_ui->edtTolerance;
    }
    return nullptr;
}

bool TfrmCfgCamCap::IsModified() const
{
    try {
        return fields().IsModified(m_settings);
    } catch (const ESettingsConversionError &) {
        return true; // a channel in the file that is not a number differs from any field
    }
}

bool TfrmCfgCamCap::SaveFields()
{
    const TCfgCamCapFields typed = fields();
    if (const auto problem = typed.Validate()) {
        cornix::ShowWarning(problem->message + QStringLiteral("\nNenhuma configuração foi gravada."));
        const bool channel = problem->field == TCfgField::MainCam || problem->field == TCfgField::AuxCam;
        m_ui->pgcConfig->setCurrentWidget(channel ? m_ui->tabChannels : m_ui->tabCapture);
        editOf(problem->field)->setFocus();
        return false;
    }
    typed.Save(m_settings);
    return true;
}

void TfrmCfgCamCap::setApplyEnabled(bool modified)
{
    m_ui->btnApply->setEnabled(modified);
    m_ui->btnOK->setEnabled(!modified);
}

void TfrmCfgCamCap::fieldChanged()
{
    if (!m_loading)
        setApplyEnabled(IsModified());
}

void TfrmCfgCamCap::maxCapturesChanged()
{
    try {
        cornix::StrToInt(m_ui->edtNumMaxCaptures->text());
    } catch (const cornix::EConvertError &) {
        return; // not a number yet: the buttons keep their state
    }
    fieldChanged();
}

bool TfrmCfgCamCap::apply()
{
    if (cornix::AskYesNo(QStringLiteral("Modificações nos valores de configuração foram detectadas!\r"
                                        "Deseja realmente aplicá-las?"))) {
        if (!SaveFields())
            return false;
    } else {
        LoadFields();
    }
    setApplyEnabled(false);
    return true;
}

void TfrmCfgCamCap::cancel()
{
    if (IsModified() && !cornix::AskYesNo(QStringLiteral("Existem mudanças não salvas. Deseja descartá-las?"))) {
        if (!apply())
            return; // a field must be corrected before anything is saved
    }
    close();
}
