#include "UfrmDoctorManager.h"
#include "ui_UfrmDoctorManager.h"

#include "Dialogs.h"
#include "UBManagerRules.h"
#include "UDatasetGrid.h"
#include "UManagerLook.h"
#include "URecordControls.h"
#include "UfrmDataModule.h"

#include <QKeyEvent>
#include <QShowEvent>
#include <QSqlRecord>

using namespace cornix::records;

TfrmDoctorManager::TfrmDoctorManager(QWidget *parent) : TfrmDoctorManager(*TDataModule1::Instance(), parent) {}

TfrmDoctorManager::TfrmDoctorManager(TDataModule1 &module, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TfrmDoctorManager>()), m_module(module)
{
    m_ui->setupUi(this);
    setUpControls();
    setUpGrid();
    connectControls();
}

TfrmDoctorManager::~TfrmDoctorManager() = default;

// Set-up --------------------------------------------------------------------------------

void TfrmDoctorManager::setUpControls()
{
    PaintManagerBackground(*this);

    SetMask(m_ui->Mke_Doc_CPF, QStringLiteral("000.000.000-00;_"), MaskText::BareDigits);
    SetMask(m_ui->Mke_Doc_Nasc, QStringLiteral("00/00/0000;_"), MaskText::WithLiterals);
    SetMask(m_ui->Mke_Doc_CEP, QStringLiteral("00000-000;_"), MaskText::WithLiterals);
    for (QLineEdit *phone : {m_ui->Mke_Doc_Fone1, m_ui->Mke_Doc_Fone2, m_ui->Mke_Doc_Fone3})
        SetMask(phone, QStringLiteral("(00) 0000-0000;_"), MaskText::WithLiterals);
    m_ui->Cbb_Doc_Sex->addItems(SexCodes());
    m_ui->Cbb_Doc_NatUF->addItems(StateCodes());
    m_ui->Cbb_Doc_UF->addItems(StateCodes());
    for (QComboBox *list : {m_ui->Cbb_Doc_Sex, m_ui->Cbb_Doc_NatUF, m_ui->Cbb_Doc_UF})
        list->setCurrentIndex(-1);

    const QStyle *look = style();
    m_ui->Spb_BDNew->setIcon(look->standardIcon(QStyle::SP_FileIcon));
    m_ui->Spb_BDSave->setIcon(look->standardIcon(QStyle::SP_DialogSaveButton));
    m_ui->Spb_BDErase->setIcon(look->standardIcon(QStyle::SP_DialogDiscardButton));
    m_ui->Spb_BDRestore->setIcon(look->standardIcon(QStyle::SP_DialogResetButton));
    m_ui->Spb_BDCancel->setIcon(look->standardIcon(QStyle::SP_DialogCancelButton));
    m_ui->SpeedButton1->setIcon(look->standardIcon(QStyle::SP_DialogCloseButton));
    m_ui->btn_doc_MemoClear->setIcon(look->standardIcon(QStyle::SP_LineEditClearButton));

    m_fields = {
        {QStringLiteral("MED_NOME"), &TMedico::Nome, m_ui->Edt_Doc_Name},
        {QStringLiteral("MED_SEXO"), &TMedico::Sexo, m_ui->Cbb_Doc_Sex},
        {QStringLiteral("MED_CRM"), &TMedico::CRM, m_ui->Edt_Doc_CRM},
        {QStringLiteral("MED_ESPECIALIDADE"), &TMedico::Especialidade, m_ui->Edt_Doc_Especialidade},
        {QStringLiteral("MED_CPF"), &TMedico::CPF, m_ui->Mke_Doc_CPF},
        {QStringLiteral("MED_RG"), &TMedico::RG, m_ui->Edt_Doc_RG},
        {QStringLiteral("MED_ORGAO"), &TMedico::Orgao, m_ui->Edt_Doc_Orgao},
        {QStringLiteral("MED_NASCIMENTO"), &TMedico::Nascimento, m_ui->Mke_Doc_Nasc},
        {QStringLiteral("MED_NATURAL"), &TMedico::Natural, m_ui->Edt_Doc_Natural},
        {QStringLiteral("MED_NATURAL_UF"), &TMedico::NatUF, m_ui->Cbb_Doc_NatUF},
        {QStringLiteral("MED_PAI"), &TMedico::Pai, m_ui->Edt_Doc_Pai},
        {QStringLiteral("MED_MAE"), &TMedico::Mae, m_ui->Edt_Doc_Mae},
        {QStringLiteral("MED_LOGRADOURO"), &TMedico::Logradouro, m_ui->Edt_Doc_Logradouro},
        {QStringLiteral("MED_COMPLEMENTO"), &TMedico::Complemento, m_ui->Edt_Doc_Complemento},
        {QStringLiteral("MED_BAIRRO"), &TMedico::Bairro, m_ui->Edt_Doc_Bairro},
        {QStringLiteral("MED_CIDADE"), &TMedico::Cidade, m_ui->Edt_Doc_Cidade},
        {QStringLiteral("MED_UF"), &TMedico::UF, m_ui->Cbb_Doc_UF},
        {QStringLiteral("MED_CEP"), &TMedico::CEP, m_ui->Mke_Doc_CEP},
        {QStringLiteral("MED_FONE1"), &TMedico::Fone1, m_ui->Mke_Doc_Fone1},
        {QStringLiteral("MED_FONE2"), &TMedico::Fone2, m_ui->Mke_Doc_Fone2},
        {QStringLiteral("MED_FONE3"), &TMedico::Fone3, m_ui->Mke_Doc_Fone3},
        {QStringLiteral("MED_EMAIL"), &TMedico::Email, m_ui->Edt_Doc_Email},
        {QStringLiteral("MED_OBSERVACOES"), &TMedico::Observacoes, m_ui->Mem_Doc_Observacoes},
    };
}

void TfrmDoctorManager::setUpGrid()
{
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;
    m_grid = new TDatasetGridLink(m_ui->Dbg_Doc_Manager, m_module.IBQMedList(),
                                  {{QStringLiteral("MED_ID"), tr("ID"), 43},
                                   {QStringLiteral("MED_NOME"), tr("Nome"), 181, left, Qt::AlignCenter},
                                   {QStringLiteral("MED_CRM"), tr("CRM"), 123},
                                   {QStringLiteral("MED_ESPECIALIDADE"), tr("Especialidade"), 126}},
                                  QStringLiteral("MED_STATUS"));
    m_ui->Dbg_Doc_Manager->installEventFilter(this);
}

void TfrmDoctorManager::connectControls()
{
    connect(m_ui->Dbg_Doc_Manager, &QAbstractItemView::clicked, this, &TfrmDoctorManager::cellClicked);
    connect(m_ui->Spb_BDNew, &QToolButton::clicked, this, &TfrmDoctorManager::newRecord);
    connect(m_ui->Spb_BDSave, &QToolButton::clicked, this, &TfrmDoctorManager::save);
    connect(m_ui->Spb_BDErase, &QToolButton::clicked, this, &TfrmDoctorManager::deactivate);
    connect(m_ui->Spb_BDRestore, &QToolButton::clicked, this, &TfrmDoctorManager::reactivateAll);
    connect(m_ui->Spb_BDCancel, &QToolButton::clicked, this, &TfrmDoctorManager::cancelInsertion);
    connect(m_ui->btn_doc_MemoClear, &QToolButton::clicked, this, &TfrmDoctorManager::clearMemo);
    connect(m_ui->Mem_Doc_Observacoes, &QPlainTextEdit::textChanged, this, &TfrmDoctorManager::memoChanged);
    connect(m_ui->SpeedButton1, &QToolButton::clicked, this, &QWidget::close);
}

// Showing -------------------------------------------------------------------------------

void TfrmDoctorManager::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        formShow();
}

void TfrmDoctorManager::formShow()
{
    if (!m_doctorAccess)
        m_doctorAccess = std::make_unique<TBDCornyx>(m_module);
    AtualizarListadeMedicos({});
    setActionButtonsVisible(false);
    setEditing(false);
}

bool TfrmDoctorManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->Dbg_Doc_Manager && event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat())
            gridKeyReleased(key->key());
    }
    return QWidget::eventFilter(watched, event);
}

// The list ------------------------------------------------------------------------------

void TfrmDoctorManager::AtualizarListadeMedicos(const QString &ordering)
{
    try {
        relist(ordering);
    } catch (const EDatabaseError &error) {
        cornix::ShowError(error.message());
    }
}

bool TfrmDoctorManager::relist(const QString &ordering)
{
    if (!m_doctorAccess)
        return true;
    const int count =
        m_doctorAccess->ListDoctors(m_ui->Edt_Doc_FNome->text(), m_ui->Cbb_Doc_Status->currentIndex(), ordering);
    if (count < 0)
        return false; // ListDoctors has shown why
    m_ui->lbl_Doc_Info_List->setText(DoctorCounterText(count));
    return true;
}

void TfrmDoctorManager::DbGridToRegEdit()
{
    const TSqlDataset &list = m_module.IBQMedList();
    m_currentDoctor.ID = list.FieldByName(QStringLiteral("MED_ID")).toInt();
    for (const Field &field : m_fields) {
        const QVariant value = list.FieldByName(field.column);
        const QString shown = value.typeId() == QMetaType::QDate ? DateDisplayText(value) : value.toString();
        SetControlText(field.control, field.member == &TMedico::Sexo ? shown.trimmed() : shown);
    }
}

int TfrmDoctorManager::rowOfDoctor(std::int32_t id)
{
    TSqlDataset &list = m_module.IBQMedList();
    const int idColumn = list.record().indexOf(QStringLiteral("MED_ID"));
    const int rows = list.RecordCount();
    for (int r = 0; r < rows && idColumn >= 0; ++r)
        if (list.data(list.index(r, idColumn), Qt::EditRole).toInt() == id)
            return r + 1;
    return 0;
}

// The grid's own events --------------------------------------------------------------------

void TfrmDoctorManager::cellClicked()
{
    setActionButtonsVisible(true);
    setEditing(true);
    DbGridToRegEdit();
}

void TfrmDoctorManager::gridKeyReleased(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_ui->Edt_Doc_Name->setFocus();
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        DbGridToRegEdit();
        break;
    case Qt::Key_Delete:
        // The selected row is the one deactivated, whichever doctor the panel showed.
        if (m_module.IBQMedList().RecNo() > 0) {
            DbGridToRegEdit();
            deactivate();
        }
        break;
    default:
        break;
    }
}

// The edit panel --------------------------------------------------------------------------

void TfrmDoctorManager::setEditing(bool enabled)
{
    m_ui->GPb_Doc_Registro->setEnabled(enabled);
    m_ui->GPb_Doc_Contato->setEnabled(enabled);
    m_ui->Mem_Doc_Observacoes->setEnabled(enabled);
    m_ui->btn_doc_MemoClear->setEnabled(enabled);
}

void TfrmDoctorManager::setActionButtonsVisible(bool visible)
{
    m_ui->Spb_BDSave->setVisible(visible);
    m_ui->Spb_BDErase->setVisible(visible);
    m_ui->Spb_BDRestore->setVisible(visible);
}

void TfrmDoctorManager::newRecord()
{
    m_ui->Spb_BDCancel->show();
    m_ui->Spb_BDSave->show();
    m_ui->Spb_BDErase->hide();
    m_ui->Spb_BDRestore->hide();
    m_ui->Dbg_Doc_Manager->setEnabled(false);
    setEditing(true);
    m_currentDoctor.ID = -1;
    if (m_doctorAccess && m_doctorAccess->QuietMode)
        return;
    for (const Field &field : m_fields)
        ClearControl(field.control);
    m_ui->Cbb_Doc_Status->setCurrentIndex(1);
    m_ui->Edt_Doc_FNome->clear();
    m_ui->Edt_Doc_Name->setFocus();
}

TMedico TfrmDoctorManager::typedDoctor() const
{
    TMedico doctor;
    doctor.ID = m_currentDoctor.ID;
    for (const Field &field : m_fields)
        doctor.*field.member = ControlText(field.control);
    return doctor;
}

void TfrmDoctorManager::showNormalised(const TMedico &doctor)
{
    m_ui->Edt_Doc_Name->setText(doctor.Nome);
    m_ui->Edt_Doc_Especialidade->setText(doctor.Especialidade);
    m_ui->Edt_Doc_Natural->setText(doctor.Natural);
    m_ui->Edt_Doc_Pai->setText(doctor.Pai);
    m_ui->Edt_Doc_Mae->setText(doctor.Mae);
    m_ui->Edt_Doc_Logradouro->setText(doctor.Logradouro);
    m_ui->Edt_Doc_Complemento->setText(doctor.Complemento);
    m_ui->Edt_Doc_Bairro->setText(doctor.Bairro);
    m_ui->Edt_Doc_Email->setText(doctor.Email);
}

void TfrmDoctorManager::save()
{
    if (!m_doctorAccess)
        return;
    const bool isNew = m_currentDoctor.ID == -1;
    TMedico doctor = typedDoctor();
    TSqlDataset &list = m_module.IBQMedList();
    const int row = list.RecNo();
    if (!m_doctorAccess->SaveDoctor(doctor)) {
        try {
            m_module.RefreshList(QStringLiteral("doctor"));
            list.SetRecNo(row);
        } catch (const EDatabaseError &) {
            // The save has shown why it failed.
        }
        return;
    }
    m_currentDoctor = doctor;
    if (m_doctorAccess->QuietMode)
        return;
    showNormalised(doctor);
    try {
        if (!relist(QStringLiteral("MED_ID"))) {
            if (isNew)
                m_currentDoctor.ID = -1; // not committed: the next save inserts again
            return;
        }
        // Committed before success is reported: a failure leaves the window as it was.
        m_module.RefreshList(QStringLiteral("doctor"));
    } catch (const EDatabaseError &error) {
        if (isNew)
            m_currentDoctor.ID = -1; // not stored: the next save inserts again
        cornix::ShowError(error.message());
        return;
    }
    QString message;
    if (isNew) {
        list.Last();
        message = tr("Novo Registro Cadastrado Com Sucesso!");
        m_ui->Spb_BDSave->hide();
        m_ui->Dbg_Doc_Manager->setEnabled(true);
    } else {
        // The list is now in ID order: the updated doctor is found by its ID.
        const int updated = rowOfDoctor(doctor.ID);
        list.SetRecNo(updated > 0 ? updated : row);
        message = tr("Registro Atualizado Com Sucesso!");
    }
    DbGridToRegEdit();
    cornix::ShowInformation(message, QStringLiteral("Cornix"));
    m_ui->Dbg_Doc_Manager->setFocus();
}

void TfrmDoctorManager::deactivate()
{
    if (!m_doctorAccess)
        return;
    TSqlDataset &list = m_module.IBQMedList();
    const int row = list.RecNo();
    m_doctorAccess->DeactivateDoctor(m_currentDoctor.ID);
    AtualizarListadeMedicos({});
    list.SetRecNo(row - 1);
    DbGridToRegEdit();
}

void TfrmDoctorManager::reactivateAll()
{
    try {
        m_module.Execute(QStringLiteral("update medico set MED_STATUS=1"));
    } catch (const EDatabaseError &error) {
        cornix::ShowError(error.message());
    }
    AtualizarListadeMedicos({});
}

void TfrmDoctorManager::cancelInsertion()
{
    m_ui->Dbg_Doc_Manager->setEnabled(true);
    setActionButtonsVisible(false);
    m_ui->Spb_BDCancel->hide();
    setEditing(false);
}

void TfrmDoctorManager::clearMemo()
{
    m_ui->Mem_Doc_Observacoes->clear();
    m_ui->lbl_Doc_Linhas->setText(LineCounterText(0));
}

void TfrmDoctorManager::memoChanged()
{
    m_ui->lbl_Doc_Linhas->setText(LineCounterText(MemoLineCount(m_ui->Mem_Doc_Observacoes->toPlainText())));
}
