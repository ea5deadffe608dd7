#include "UfrmPatientManager.h"
#include "ui_UfrmPatientManager.h"

#include "Dialogs.h"
#include "UBManagerRules.h"
#include "UDatasetGrid.h"
#include "UManagerLook.h"
#include "URecordControls.h"
#include "UfrmDataModule.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QShowEvent>
#include <QSqlRecord>
#include <QTimer>

using namespace cornix::records;

namespace {

const QString kFilterOff = QStringLiteral("Pacientes [Filtro=OFF]");
const QString kFilterOn = QStringLiteral("Pacientes [Filtro=ON]");

// Suspends loading the list's row into the edit panel for a scope.
class KeepTyped {
public:
    explicit KeepTyped(int &counter) : m_counter(counter) { ++m_counter; }
    ~KeepTyped() { --m_counter; }
    KeepTyped(const KeepTyped &) = delete;
    KeepTyped &operator=(const KeepTyped &) = delete;

private:
    int &m_counter;
};

} // namespace

TfrmPatientManager::TfrmPatientManager(QWidget *parent) : TfrmPatientManager(*TDataModule1::Instance(), parent) {}

TfrmPatientManager::TfrmPatientManager(TDataModule1 &module, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TfrmPatientManager>()), m_module(module)
{
    m_ui->setupUi(this);
    setUpControls();
    setUpGrid();
    connectControls();
}

TfrmPatientManager::~TfrmPatientManager() = default;

// Set-up --------------------------------------------------------------------------------

void TfrmPatientManager::setUpControls()
{
    PaintManagerBackground(*this);

    SetMask(m_ui->Mke_Pac_Prontuario, QStringLiteral("0000000000; "), MaskText::WithLiterals);
    SetMask(m_ui->Mke_PAC_CPF, QStringLiteral("000.000.000-00;_"), MaskText::BareDigits);
    SetMask(m_ui->Mke_PAC_Nascimento, QStringLiteral("00/00/0000;_"), MaskText::WithLiterals);
    SetMask(m_ui->Mke_PAC_CEP, QStringLiteral("00000-000;_"), MaskText::WithLiterals);
    for (QLineEdit *phone : {m_ui->Mke_PAC_Fone1, m_ui->Mke_PAC_Fone2, m_ui->Mke_PAC_Fone3})
        SetMask(phone, QStringLiteral("(00) 0000-0000;_"), MaskText::WithLiterals);
    m_ui->Cbb_PAC_Sexo->addItems(SexCodes());
    m_ui->Cbb_PAC_Civil->addItems(MaritalStatuses());
    m_ui->Cbb_PAC_Sangue->addItems(BloodGroups());
    m_ui->Cbb_PAC_NatUF->addItems(StateCodes());
    m_ui->Cbb_PAC_UF->addItems(StateCodes());
    for (QComboBox *list : findChildren<QComboBox *>())
        list->setCurrentIndex(-1);

    const QStyle *look = style();
    m_ui->spb_bdNew->setIcon(look->standardIcon(QStyle::SP_FileIcon));
    m_ui->spb_bdSave->setIcon(look->standardIcon(QStyle::SP_DialogSaveButton));
    m_ui->spb_bdErase->setIcon(look->standardIcon(QStyle::SP_DialogDiscardButton));
    m_ui->spb_bdRestore->setIcon(look->standardIcon(QStyle::SP_DialogResetButton));
    m_ui->spb_bdCancel->setIcon(look->standardIcon(QStyle::SP_DialogCancelButton));
    m_ui->SpeedButton2->setIcon(look->standardIcon(QStyle::SP_FileDialogNewFolder));
    m_ui->SpdSair->setIcon(look->standardIcon(QStyle::SP_DialogCloseButton));
    m_ui->SpeedButton1->setIcon(look->standardIcon(QStyle::SP_DialogCloseButton));
    m_ui->btn_pac_MemoClear->setIcon(look->standardIcon(QStyle::SP_LineEditClearButton));
    m_ui->spb_bdFirst->setIcon(look->standardIcon(QStyle::SP_MediaSkipBackward));
    m_ui->spb_bdPrior->setIcon(look->standardIcon(QStyle::SP_MediaSeekBackward));
    m_ui->spb_bdNext->setIcon(look->standardIcon(QStyle::SP_MediaSeekForward));
    m_ui->spb_bdLast->setIcon(look->standardIcon(QStyle::SP_MediaSkipForward));

    m_clearTimer = new QTimer(this);
    m_clearTimer->setObjectName(QStringLiteral("tmr_Clear"));
    m_clearTimer->setSingleShot(true);
    m_clearTimer->setInterval(100);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    m_popup->addAction(m_ui->Men_Pop_Pac_Ativo);
    m_popup->addAction(m_ui->Men_Pop_Pac_Inativo);

    m_fields = {
        {QStringLiteral("PAC_PRONTUARIO"), &TPaciente::Prontuario, m_ui->Mke_Pac_Prontuario},
        {QStringLiteral("PAC_NOME"), &TPaciente::Nome, m_ui->Edt_PAC_Nome},
        {QStringLiteral("PAC_SEXO"), &TPaciente::Sexo, m_ui->Cbb_PAC_Sexo},
        {QStringLiteral("PAC_PROF"), &TPaciente::Prof, m_ui->Edt_PAC_Profissao},
        {QStringLiteral("PAC_CIVIL"), &TPaciente::Civil, m_ui->Cbb_PAC_Civil},
        {QStringLiteral("PAC_SANGUE"), &TPaciente::Sangue, m_ui->Cbb_PAC_Sangue},
        {QStringLiteral("PAC_CPF"), &TPaciente::CPF, m_ui->Mke_PAC_CPF},
        {QStringLiteral("PAC_RG"), &TPaciente::RG, m_ui->Edt_PAC_RG},
        {QStringLiteral("PAC_ORGAO"), &TPaciente::Orgao, m_ui->Edt_PAC_Orgao},
        {QStringLiteral("PAC_NASCIMENTO"), &TPaciente::Nascimento, m_ui->Mke_PAC_Nascimento},
        {QStringLiteral("PAC_NATURAL"), &TPaciente::Natural, m_ui->Edt_PAC_Natural},
        {QStringLiteral("PAC_NAT_UF"), &TPaciente::NatUF, m_ui->Cbb_PAC_NatUF},
        {QStringLiteral("PAC_PAI"), &TPaciente::Pai, m_ui->Edt_PAC_Pai},
        {QStringLiteral("PAC_MAE"), &TPaciente::Mae, m_ui->Edt_PAC_Mae},
        {QStringLiteral("PAC_LOGRADOURO"), &TPaciente::Logradouro, m_ui->Edt_PAC_Logradouro},
        {QStringLiteral("PAC_COMPLEMENTO"), &TPaciente::Complemento, m_ui->Edt_PAC_Complemento},
        {QStringLiteral("PAC_BAIRRO"), &TPaciente::Bairro, m_ui->Edt_PAC_Bairro},
        {QStringLiteral("PAC_CIDADE"), &TPaciente::Cidade, m_ui->Edt_PAC_Cidade},
        {QStringLiteral("PAC_UF"), &TPaciente::UF, m_ui->Cbb_PAC_UF},
        {QStringLiteral("PAC_CEP"), &TPaciente::CEP, m_ui->Mke_PAC_CEP},
        {QStringLiteral("PAC_FONE1"), &TPaciente::Fone1, m_ui->Mke_PAC_Fone1},
        {QStringLiteral("PAC_FONE2"), &TPaciente::Fone2, m_ui->Mke_PAC_Fone2},
        {QStringLiteral("PAC_FONE3"), &TPaciente::Fone3, m_ui->Mke_PAC_Fone3},
        {QStringLiteral("PAC_EMAIL"), &TPaciente::Email, m_ui->Edt_PAC_Email},
        {QStringLiteral("PAC_OBSERVACOES"), &TPaciente::Observacoes, m_ui->Mem_PAC_Observacao},
    };
}

void TfrmPatientManager::setUpGrid()
{
    const auto centred = Qt::AlignCenter;
    m_grid = new TDatasetGridLink(
        m_ui->DbgPatientManager, m_module.IBQPacList(),
        {{QStringLiteral("PAC_PRONTUARIO"), tr("Prontuário"), 90, Qt::AlignLeft | Qt::AlignVCenter,
          Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("0000000000")},
         {QStringLiteral("PAC_NOME"), tr("Paciente"), 224},
         {QStringLiteral("PAC_CPF"), tr("CPF"), 83, centred, centred, QStringLiteral("000.000.000-00")},
         {QStringLiteral("PAC_IDADE"), tr("Idade"), 55, centred, centred}},
        QStringLiteral("PAC_STATUS"));
    QHeaderView *titles = m_ui->DbgPatientManager->horizontalHeader();
    titles->setSectionsClickable(true);
    titles->setSortIndicatorShown(true);
    titles->setSortIndicator(-1, Qt::AscendingOrder);
    m_ui->DbgPatientManager->installEventFilter(this);
}

void TfrmPatientManager::connectControls()
{
    QTableView *grid = m_ui->DbgPatientManager;
    connect(m_grid, &TDatasetGridLink::rowChanged, this, &TfrmPatientManager::rowChanged);
    connect(grid, &QAbstractItemView::clicked, this, &TfrmPatientManager::cellClicked);
    connect(grid, &QAbstractItemView::doubleClicked, this, [this] { m_ui->Mke_Pac_Prontuario->setFocus(); });
    connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { AtualizaListaPaciente(m_grid->FieldOfColumn(section), false); });
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_popup->popup(m_ui->DbgPatientManager->viewport()->mapToGlobal(at)); });
    connect(m_ui->Men_Pop_Pac_Ativo, &QAction::triggered, this, [this] { setStatusOfCurrentRow(1); });
    connect(m_ui->Men_Pop_Pac_Inativo, &QAction::triggered, this, [this] { setStatusOfCurrentRow(0); });

    connect(m_ui->spb_bdFirst, &QToolButton::clicked, this, [this] { navigate([](TSqlDataset &d) { d.First(); }); });
    connect(m_ui->spb_bdPrior, &QToolButton::clicked, this, [this] { navigate([](TSqlDataset &d) { d.Prior(); }); });
    connect(m_ui->spb_bdNext, &QToolButton::clicked, this, [this] { navigate([](TSqlDataset &d) { d.Next(); }); });
    connect(m_ui->spb_bdLast, &QToolButton::clicked, this, [this] { navigate([](TSqlDataset &d) { d.Last(); }); });

    m_ui->Lbl_Pac_Filtro->installEventFilter(this);
    connect(m_ui->Edt_PAC_FNome, &QLineEdit::textChanged, this, &TfrmPatientManager::nameFilterChanged);
    connect(m_ui->Edt_PAC_HandBook, &QLineEdit::textChanged, this, &TfrmPatientManager::handBookChanged);
    connect(m_ui->Btn_Pac_Select, &QPushButton::clicked, this, &TfrmPatientManager::selectClicked);
    for (QCheckBox *box : {m_ui->Chk_PAC_Ativo, m_ui->Chk_PAC_Inativo, m_ui->Chk_PAC_Masculino, m_ui->Chk_PAC_Feminino})
        connect(box, &QCheckBox::clicked, this, [this] { AtualizaListaPaciente({}, true); });
    connect(m_ui->Btn_Pac_Todos, &QPushButton::clicked, this, &TfrmPatientManager::allPatientsClicked);

    connect(m_ui->spb_bdNew, &QToolButton::clicked, this, &TfrmPatientManager::newRecord);
    connect(m_clearTimer, &QTimer::timeout, this, &TfrmPatientManager::clearEditPanel);
    connect(m_ui->spb_bdSave, &QToolButton::clicked, this, &TfrmPatientManager::save);
    connect(m_ui->spb_bdErase, &QToolButton::clicked, this, &TfrmPatientManager::deactivate);
    connect(m_ui->spb_bdRestore, &QToolButton::clicked, this, &TfrmPatientManager::reactivate);
    connect(m_ui->spb_bdCancel, &QToolButton::clicked, this, &TfrmPatientManager::cancelInsertion);
    connect(m_ui->btn_pac_MemoClear, &QToolButton::clicked, this, &TfrmPatientManager::clearMemo);
    connect(m_ui->Mem_PAC_Observacao, &QPlainTextEdit::textChanged, this, &TfrmPatientManager::memoChanged);
    connect(m_ui->SpdSair, &QToolButton::clicked, this, &QWidget::close);
    connect(m_ui->SpeedButton1, &QToolButton::clicked, this, &QWidget::close);
    connect(m_ui->SpeedButton2, &QToolButton::clicked, this, &TfrmPatientManager::newExamination);
}

// Showing -------------------------------------------------------------------------------

void TfrmPatientManager::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        formShow();
}

void TfrmPatientManager::formShow()
{
    if (!m_patientAccess)
        m_patientAccess = std::make_unique<TBDCornyx>(m_module);
    m_listReady = true;
    // Silent whatever happens; a database that is not yet upgraded is upgraded here.
    m_patientAccess->UpgradeSchema();
    m_ui->spb_bdSave->hide();
    m_ui->spb_bdErase->hide();
    m_ui->spb_bdRestore->hide();
    setEditing(false);
    AtualizaListaPaciente({}, false);
}

bool TfrmPatientManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->Lbl_Pac_Filtro && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        switchFilter();
        return true;
    }
    if (watched == m_ui->DbgPatientManager && event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat())
            gridKeyReleased(key->key());
    }
    return QWidget::eventFilter(watched, event);
}

// The list ------------------------------------------------------------------------------

void TfrmPatientManager::AtualizaListaPaciente(const QString &ordering, bool keepRow)
{
    try {
        relist(ordering, keepRow);
    } catch (const EDatabaseError &error) {
        cornix::ShowError(error.message());
    }
}

bool TfrmPatientManager::relist(const QString &ordering, bool keepRow)
{
    if (!m_listReady || !m_patientAccess)
        return true;
    PatientFilterPanel panel;
    panel.caption = m_ui->Lbl_Pac_Filtro->text();
    panel.name = m_ui->Edt_PAC_FNome->text();
    panel.selectCaption = m_ui->Btn_Pac_Select->text();
    panel.handBook = m_ui->Edt_PAC_HandBook->text();
    panel.active = m_ui->Chk_PAC_Ativo->isChecked();
    panel.inactive = m_ui->Chk_PAC_Inativo->isChecked();
    panel.male = m_ui->Chk_PAC_Masculino->isChecked();
    panel.female = m_ui->Chk_PAC_Feminino->isChecked();
    const PatientListArguments args = PatientListArgumentsFor(panel);

    TSqlDataset &list = m_module.IBQPacList();
    const int row = list.RecNo();
    const int count = m_patientAccess->ListPatients(args.name, args.status, args.prontuario, args.cpf, -1, args.sex,
                                                    {}, {}, ordering, 0);
    if (count < 0)
        return false; // ListPatients has shown why
    if (keepRow)
        list.SetRecNo(row);
    showSortColumn(ordering);
    m_ui->lbl_PAC_Info_List->setText(PatientCounterText(count));
    return true;
}

void TfrmPatientManager::showSortColumn(const QString &ordering)
{
    QString field = ordering;
    if (field.contains(QLatin1Char('-')) || field.contains(QLatin1Char('+')))
        field = field.mid(1);
    if (ordering.isEmpty())
        field = QStringLiteral("PAC_NOME");
    int section = -1;
    for (int c = 0; c < m_grid->Columns()->columnCount(); ++c)
        if (m_grid->FieldOfColumn(c) == field)
            section = c;
    const bool descending = !ordering.isEmpty() && m_patientAccess->SortOrder() == QLatin1String("DESC");
    m_ui->DbgPatientManager->horizontalHeader()->setSortIndicator(section, descending ? Qt::DescendingOrder
                                                                                      : Qt::AscendingOrder);
}

void TfrmPatientManager::rowChanged(int recNo)
{
    const TSqlDataset &list = m_module.IBQPacList();
    const bool empty = recNo <= 0 || list.FieldByName(QStringLiteral("PAC_ID")).toInt() <= 0;
    const bool active = !empty && list.FieldByName(QStringLiteral("PAC_STATUS")).toInt() == 1;
    m_ui->spb_bdErase->setEnabled(active);
    m_ui->spb_bdRestore->setEnabled(!empty && !active);
    m_ui->Men_Pop_Pac_Ativo->setEnabled(!empty && !active);
    m_ui->Men_Pop_Pac_Inativo->setEnabled(active);
    // A patient being entered is never overwritten by the row the list moved to.
    if (!m_newRecordMode)
        loadRow();
}

void TfrmPatientManager::loadRow()
{
    if (m_keepTypedValues == 0)
        DbGridToRegEdit();
}

void TfrmPatientManager::DbGridToRegEdit()
{
    const TSqlDataset &list = m_module.IBQPacList();
    m_currentPatient.ID = list.FieldByName(QStringLiteral("PAC_ID")).toInt();
    for (const Field &field : m_fields) {
        const QVariant value = list.FieldByName(field.column);
        SetControlText(field.control, value.typeId() == QMetaType::QDate ? DateDisplayText(value) : value.toString());
    }
}

int TfrmPatientManager::rowOfPatient(std::int32_t id)
{
    TSqlDataset &list = m_module.IBQPacList();
    const int idColumn = list.record().indexOf(QStringLiteral("PAC_ID"));
    const int rows = list.RecordCount();
    for (int r = 0; r < rows && idColumn >= 0; ++r)
        if (list.data(list.index(r, idColumn), Qt::EditRole).toInt() == id)
            return r + 1;
    return 0;
}

// The grid's own events --------------------------------------------------------------------

void TfrmPatientManager::cellClicked()
{
    setActionButtonsVisible(true);
    setEditing(true);
    m_newRecordMode = false;
    DbGridToRegEdit();
}

void TfrmPatientManager::gridKeyReleased(int key)
{
    const TSqlDataset &list = m_module.IBQPacList();
    if (list.RecNo() <= 0 || (key != Qt::Key_Insert && key != Qt::Key_Delete))
        return;
    const std::int32_t id = list.FieldByName(QStringLiteral("PAC_ID")).toInt();
    const bool active = list.FieldByName(QStringLiteral("PAC_STATUS")).toInt() == 1;
    try {
        if (key == Qt::Key_Insert && !active) {
            if (cornix::AskYesNo(tr("Deseja Tornar Este Paciente Ativo?"), cornix::warningCaption()))
                m_patientAccess->SetPatientStatus(id, 1);
        } else if (key == Qt::Key_Delete && active) {
            if (cornix::AskYesNo(tr("Deseja Tornar Este Paciente Inativo?"), cornix::warningCaption()))
                m_patientAccess->SetPatientStatus(id, 0);
        } else {
            return; // the key does not fit the row's status
        }
    } catch (const EDatabaseError &error) {
        cornix::ShowError(error.message());
    }
    AtualizaListaPaciente({}, true);
}

void TfrmPatientManager::setStatusOfCurrentRow(std::int32_t status)
{
    const TSqlDataset &list = m_module.IBQPacList();
    if (list.RecNo() <= 0)
        return;
    try {
        m_patientAccess->SetPatientStatus(list.FieldByName(QStringLiteral("PAC_ID")).toInt(), status);
    } catch (const EDatabaseError &error) {
        cornix::ShowError(error.message());
    }
    AtualizaListaPaciente({}, true);
}

void TfrmPatientManager::navigate(void (*move)(TSqlDataset &))
{
    move(m_module.IBQPacList());
    DbGridToRegEdit();
}

// The filter panel ------------------------------------------------------------------------

void TfrmPatientManager::switchFilter()
{
    const bool turnOn = !FilterIsOn(m_ui->Lbl_Pac_Filtro->text());
    m_ui->Lbl_Pac_Filtro->setText(turnOn ? kFilterOn : kFilterOff);
    m_ui->GPb_PAC_Filtros->setVisible(turnOn);
    AtualizaListaPaciente({}, false);
}

void TfrmPatientManager::nameFilterChanged()
{
    if (!m_listReady)
        return;
    m_listReady = false;
    m_ui->Edt_PAC_HandBook->clear();
    m_listReady = true;
    AtualizaListaPaciente({}, false);
}

void TfrmPatientManager::handBookChanged()
{
    if (!m_listReady)
        return;
    m_listReady = false;
    if (!m_ui->Edt_PAC_FNome->text().isEmpty())
        m_ui->Edt_PAC_FNome->clear();
    m_listReady = true;
    AtualizaListaPaciente({}, false);
}

void TfrmPatientManager::selectClicked()
{
    QPushButton *select = m_ui->Btn_Pac_Select;
    select->setText(select->text() == QStringLiteral("Prontuário") ? tr("CPF") : tr("Prontuário"));
    if (!m_ui->Edt_PAC_HandBook->text().isEmpty())
        m_ui->Edt_PAC_HandBook->clear();
    m_ui->Edt_PAC_HandBook->setFocus();
}

void TfrmPatientManager::allPatientsClicked()
{
    m_listReady = false;
    m_ui->Edt_PAC_FNome->clear();
    m_ui->Edt_PAC_HandBook->clear();
    for (QCheckBox *box : {m_ui->Chk_PAC_Ativo, m_ui->Chk_PAC_Inativo, m_ui->Chk_PAC_Masculino, m_ui->Chk_PAC_Feminino})
        box->setChecked(true);
    m_listReady = true;
    AtualizaListaPaciente({}, false);
}

// The edit panel --------------------------------------------------------------------------

void TfrmPatientManager::setEditing(bool enabled)
{
    m_ui->GPb_PAC_Registro->setEnabled(enabled);
    m_ui->GPb_PAC_Contato->setEnabled(enabled);
    m_ui->Mem_PAC_Observacao->setEnabled(enabled);
}

void TfrmPatientManager::setActionButtonsVisible(bool visible)
{
    m_ui->spb_bdSave->setVisible(visible);
    m_ui->spb_bdErase->setVisible(visible);
    m_ui->spb_bdRestore->setVisible(visible);
}

void TfrmPatientManager::newRecord()
{
    if (m_patientAccess && m_patientAccess->QuietMode)
        return;
    m_ui->spb_bdSave->show();
    m_ui->spb_bdCancel->show();
    m_ui->spb_bdRestore->hide();
    m_ui->spb_bdErase->hide();
    setEditing(true);
    // The list stays where it is until the new patient is saved or the entry cancelled.
    m_ui->DbgPatientManager->setEnabled(false);
    for (QToolButton *move : {m_ui->spb_bdFirst, m_ui->spb_bdPrior, m_ui->spb_bdNext, m_ui->spb_bdLast})
        move->setEnabled(false);
    m_clearTimer->start();
    m_currentPatient.ID = -1;
    m_ui->Mke_Pac_Prontuario->setFocus();
    m_newRecordMode = true;
}

void TfrmPatientManager::clearEditPanel()
{
    for (const Field &field : m_fields)
        ClearControl(field.control);
}

TPaciente TfrmPatientManager::typedPatient() const
{
    TPaciente patient;
    patient.ID = m_currentPatient.ID;
    for (const Field &field : m_fields)
        patient.*field.member = ControlText(field.control);
    return patient;
}

void TfrmPatientManager::showNormalised(const TPaciente &patient)
{
    m_ui->Edt_PAC_Nome->setText(patient.Nome);
    m_ui->Edt_PAC_Profissao->setText(patient.Prof);
    m_ui->Edt_PAC_Natural->setText(patient.Natural);
    m_ui->Edt_PAC_Pai->setText(patient.Pai);
    m_ui->Edt_PAC_Mae->setText(patient.Mae);
    m_ui->Edt_PAC_Logradouro->setText(patient.Logradouro);
    m_ui->Edt_PAC_Complemento->setText(patient.Complemento);
    m_ui->Edt_PAC_Bairro->setText(patient.Bairro);
    m_ui->Edt_PAC_Email->setText(patient.Email);
}

void TfrmPatientManager::save()
{
    if (!m_patientAccess)
        return;
    // The save works on a copy: rows the list moves to while it runs cannot change
    // which patient is written.
    TPaciente patient = typedPatient();
    TSqlDataset &list = m_module.IBQPacList();
    const int row = list.RecNo();
    if (m_newRecordMode)
        patient.ID = -1;
    bool saved = false;
    {
        KeepTyped keep(m_keepTypedValues);
        saved = m_patientAccess->SavePatient(patient);
        if (!saved) {
            try {
                m_module.RefreshList(QStringLiteral("patient"));
                list.SetRecNo(row);
            } catch (const EDatabaseError &) {
                // The save has shown why it failed.
            }
            return;
        }
    }
    m_currentPatient = patient;
    if (m_patientAccess->QuietMode)
        return;
    showNormalised(patient);
    try {
        KeepTyped keep(m_keepTypedValues);
        if (!relist(QStringLiteral("-PAC_ID"), false))
            return;
        // Committed before success is reported: a failure leaves the window as it was.
        m_module.RefreshList(QStringLiteral("patient"));
    } catch (const EDatabaseError &error) {
        cornix::ShowError(error.message());
        return;
    }
    QString message;
    if (m_newRecordMode) {
        list.Last();
        message = tr("Novo Registro Cadastrado Com Sucesso!");
        m_ui->spb_bdSave->hide();
        m_ui->spb_bdRestore->hide();
        m_ui->spb_bdErase->hide();
        m_ui->DbgPatientManager->setEnabled(true);
        for (QToolButton *move : {m_ui->spb_bdFirst, m_ui->spb_bdPrior, m_ui->spb_bdNext, m_ui->spb_bdLast})
            move->setEnabled(true);
    } else {
        // The list is now in ID order: the updated patient is found by its ID.
        const int updated = rowOfPatient(patient.ID);
        list.SetRecNo(updated > 0 ? updated : row);
        message = tr("Registro Atualizado Com Sucesso!");
    }
    m_newRecordMode = false;
    DbGridToRegEdit();
    cornix::ShowInformation(message, QStringLiteral("Cornix"));
    m_ui->DbgPatientManager->setFocus();
}

void TfrmPatientManager::deactivate()
{
    if (!m_patientAccess)
        return;
    m_patientAccess->DeactivatePatient(m_currentPatient.ID);
    AtualizaListaPaciente({}, true);
    DbGridToRegEdit();
}

void TfrmPatientManager::reactivate()
{
    if (!m_patientAccess)
        return;
    TSqlDataset &list = m_module.IBQPacList();
    const int row = list.RecNo();
    m_patientAccess->ReactivatePatient(m_currentPatient.ID);
    AtualizaListaPaciente({}, true);
    DbGridToRegEdit();
    list.SetRecNo(row);
}

void TfrmPatientManager::cancelInsertion()
{
    setActionButtonsVisible(false);
    m_ui->spb_bdCancel->hide();
    setEditing(false);
    m_ui->DbgPatientManager->setEnabled(true);
    for (QToolButton *move : {m_ui->spb_bdFirst, m_ui->spb_bdPrior, m_ui->spb_bdNext, m_ui->spb_bdLast})
        move->setEnabled(true);
    m_clearTimer->stop();
    m_newRecordMode = false;
}

void TfrmPatientManager::clearMemo()
{
    if (!m_ui->Mem_PAC_Observacao->isEnabled())
        return;
    m_ui->Mem_PAC_Observacao->clear();
    m_ui->lbl_PAC_Linhas->setText(LineCounterText(0));
}

void TfrmPatientManager::memoChanged()
{
    m_ui->lbl_PAC_Linhas->setText(LineCounterText(MemoLineCount(m_ui->Mem_PAC_Observacao->toPlainText())));
}

void TfrmPatientManager::newExamination()
{
    emit newExaminationRequested();
    // Until a main window offers the examination manager, the button changes nothing.
    if (isSignalConnected(QMetaMethod::fromSignal(&TfrmPatientManager::newExaminationRequested)))
        close();
}
