#include "UBViewExmManager.h"
#include "ui_UBViewExmManager.h"

#include "Dialogs.h"
#include "UBManagerRules.h"
#include "UDExamination.h"
#include "UDatasetGrid.h"
#include "UManagerLook.h"
#include "UfrmDataModule.h"

#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSignalBlocker>

using namespace cornix::records;

namespace {

const QString kFilterOff = QStringLiteral("Pacientes [Filtro=OFF]");
const QString kFilterOn = QStringLiteral("Pacientes [Filtro=ON]");
const QString kAllDoctors = QStringLiteral("Todos...");
const QString kConfirmation = QStringLiteral("Confirmação");

} // namespace

TfrmViewExmManager::TfrmViewExmManager(QWidget *parent) : TfrmViewExmManager(*TDataModule1::Instance(), parent) {}

TfrmViewExmManager::TfrmViewExmManager(TDataModule1 &module, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TfrmViewExmManager>()), m_module(module)
{
    m_ui->setupUi(this);
    setUpControls();
    setUpGrids();
    connectControls();
}

TfrmViewExmManager::~TfrmViewExmManager() = default;

// Set-up --------------------------------------------------------------------------------

void TfrmViewExmManager::setUpControls()
{
    PaintManagerBackground(*this);

    const QStyle *look = style();
    m_ui->Btn_MVExm_Visualizar->setIcon(look->standardIcon(QStyle::SP_FileDialogContentsView));
    m_ui->SpeedButton1->setIcon(look->standardIcon(QStyle::SP_DialogCloseButton));

    m_patientMenu = new QMenu(this);
    m_patientMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_patientMenu->addAction(m_ui->Men_Pop_Pac_Ativo);
    m_patientMenu->addAction(m_ui->Men_Pop_Pac_Inativo);
    m_examinationMenu = new QMenu(this);
    m_examinationMenu->setObjectName(QStringLiteral("PopupMenu2"));
    m_examinationMenu->addAction(m_ui->Mem_Pop_Exm_View);
}

void TfrmViewExmManager::setUpGrids()
{
    const auto centred = Qt::AlignCenter;
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;
    m_patientGrid = new TDatasetGridLink(
        m_ui->Dbg_MVExm_PatientList, m_module.IBQPacList(),
        {{QStringLiteral("PAC_PRONTUARIO"), tr("Prontuário"), 90, left, left, QStringLiteral("0000000000")},
         {QStringLiteral("PAC_NOME"), tr("Paciente"), 230},
         {QStringLiteral("PAC_CPF"), tr("CPF"), 83, centred, centred, QStringLiteral("000.000.000-00")},
         {QStringLiteral("PAC_IDADE"), tr("Idade"), 50, centred, centred},
         {QStringLiteral("PAC_TOTALEXAME"), tr("Exame(s)"), 60, centred, centred, tr("Exame(s)")}},
        QStringLiteral("PAC_STATUS"));
    m_examinationGrid = new TDatasetGridLink(
        m_ui->Dbg_MVExm_ExameList, m_module.IBQExmList(),
        {{QStringLiteral("EXM_DATA"), tr("Data"), 80, centred, centred, QStringLiteral("00/00/0000")},
         {QStringLiteral("EXM_HORA"), tr("Hora"), 64, centred, centred, QStringLiteral("00:00:00")},
         {QStringLiteral("EXM_OLHO"), tr("Olho"), 40, centred, centred},
         {QStringLiteral("EXM_FIX_POS"), tr("Fixação"), 56, centred, centred, tr("Fixação")},
         {QStringLiteral("EXM_FIX_SIDE"), tr("Lado"), 40, centred, centred},
         {QStringLiteral("EXM_MED_NOME"), tr("Médico"), 160}},
        QString());
    for (QTableView *grid : {m_ui->Dbg_MVExm_PatientList, m_ui->Dbg_MVExm_ExameList}) {
        grid->horizontalHeader()->setSectionsClickable(true);
        grid->installEventFilter(this);
    }
}

void TfrmViewExmManager::connectControls()
{
    QTableView *patients = m_ui->Dbg_MVExm_PatientList;
    QTableView *examinations = m_ui->Dbg_MVExm_ExameList;
    connect(m_patientGrid, &TDatasetGridLink::rowChanged, this, &TfrmViewExmManager::patientRowChanged);
    connect(m_examinationGrid, &TDatasetGridLink::rowChanged, this, &TfrmViewExmManager::examinationRowChanged);
    connect(patients->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { RefreshPatients(m_patientGrid->FieldOfColumn(section), false); });
    connect(examinations->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { RefreshExaminations(m_examinationGrid->FieldOfColumn(section)); });
    connect(patients, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        m_patientMenu->popup(m_ui->Dbg_MVExm_PatientList->viewport()->mapToGlobal(at));
    });
    connect(examinations, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        m_examinationMenu->popup(m_ui->Dbg_MVExm_ExameList->viewport()->mapToGlobal(at));
    });
    connect(examinations, &QAbstractItemView::doubleClicked, this, &TfrmViewExmManager::viewExamination);
    connect(m_ui->Men_Pop_Pac_Ativo, &QAction::triggered, this, [this] { setStatusOfCurrentPatient(1); });
    connect(m_ui->Men_Pop_Pac_Inativo, &QAction::triggered, this, [this] { setStatusOfCurrentPatient(0); });
    connect(m_ui->Mem_Pop_Exm_View, &QAction::triggered, this, &TfrmViewExmManager::viewExamination);

    m_ui->lbl_Exm_Filtro->installEventFilter(this);
    connect(m_ui->Edt_MVExm_Patient, &QLineEdit::textChanged, this, &TfrmViewExmManager::nameChanged);
    connect(m_ui->Edt_MVExm_Handbook, &QLineEdit::textChanged, this, &TfrmViewExmManager::numberChanged);
    connect(m_ui->Edt_MVExm_Handbook, &QLineEdit::returnPressed, this, [this] { RefreshPatients({}, false); });
    connect(m_ui->Btn_MVExm_Select, &QPushButton::clicked, this, &TfrmViewExmManager::keyButtonClicked);
    for (QRadioButton *mode : {m_ui->Rdb_MVExm_Sempre, m_ui->Rdb_MVExm_Hoje})
        connect(mode, &QRadioButton::clicked, this, [this] { RefreshPatients({}, false); });
    for (QCheckBox *status : {m_ui->Chk_MVExm_Ativo, m_ui->Chk_MVExm_Inativo})
        connect(status, &QCheckBox::clicked, this, [this] { RefreshPatients({}, true); });
    connect(m_ui->Btn_MVExm_AllPatients, &QPushButton::clicked, this, &TfrmViewExmManager::allExaminationsClicked);
    connect(m_ui->Cbb_MVExm_Doctor, &QComboBox::currentIndexChanged, this, [this] { RefreshPatients({}, false); });

    connect(m_ui->Btn_MVExm_Visualizar, &QPushButton::clicked, this, &TfrmViewExmManager::viewExamination);
    connect(m_ui->SpeedButton1, &QToolButton::clicked, this, &QWidget::close);
}

// Showing -------------------------------------------------------------------------------

void TfrmViewExmManager::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        formShow();
    }
}

void TfrmViewExmManager::formShow()
{
    m_access = std::make_unique<TBDCornyx>(m_module);
    loadDoctors();
    m_guard = true;
    RefreshPatients({}, false);
}

void TfrmViewExmManager::loadDoctors()
{
    m_doctors.Clear();
    try {
        m_doctors.LoadActiveDoctors(m_module);
    } catch (const EDatabaseError &error) {
        cornix::ShowError(error.message());
    }
    m_doctors.AddAllDoctorsEntry(kAllDoctors);
    const QSignalBlocker quiet(m_ui->Cbb_MVExm_Doctor);
    m_ui->Cbb_MVExm_Doctor->clear();
    for (const TDoctorEntry &doctor : m_doctors.Entries())
        m_ui->Cbb_MVExm_Doctor->addItem(doctor.Name);
    m_ui->Cbb_MVExm_Doctor->setCurrentIndex(0);
}

bool TfrmViewExmManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->lbl_Exm_Filtro && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        switchFilter();
        return true;
    }
    if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == m_ui->Dbg_MVExm_PatientList)
            patientKeyReleased(key);
        else if (watched == m_ui->Dbg_MVExm_ExameList)
            examinationKeyReleased(key);
    }
    return QWidget::eventFilter(watched, event);
}

// The lists -----------------------------------------------------------------------------

void TfrmViewExmManager::RefreshPatients(const QString &ordering, bool keepRow)
{
    if (!m_guard || !m_access)
        return;
    relist(ordering, keepRow);
    RefreshExaminations({});
    showPatientMenuStates();
}

void TfrmViewExmManager::relist(const QString &ordering, bool keepRow)
{
    ViewerFilterPanel panel;
    panel.caption = m_ui->lbl_Exm_Filtro->text();
    panel.today = m_ui->Rdb_MVExm_Hoje->isChecked();
    panel.active = m_ui->Chk_MVExm_Ativo->isChecked();
    panel.inactive = m_ui->Chk_MVExm_Inativo->isChecked();
    panel.keyCaption = m_ui->Btn_MVExm_Select->text();
    panel.name = m_ui->Edt_MVExm_Patient->text();
    panel.number = m_ui->Edt_MVExm_Handbook->text();
    const TDoctorEntry doctor = m_doctors.Entry(m_ui->Cbb_MVExm_Doctor->currentIndex());
    panel.doctorID = doctor.ID;
    const ViewerListArguments args = ViewerListArgumentsFor(panel, QDate::currentDate());

    TSqlDataset &list = m_module.IBQPacList();
    const int row = list.RecNo();
    int count = 0;
    {
        const QScopedValueRollback relisting(m_relisting, m_relisting + 1);
        // The CRM shows even when the list fails.
        m_ui->Lbl_MVExm_CRM->setText(doctor.ID == 0 ? QString() : CRMCaption(doctor.CRM));
        m_ui->Lbl_MVExm_PatientTotal->setText(ViewerPatientCounterText(0));
        count = m_access->ListPatients(args.name, args.status, args.prontuario, args.cpf, args.doctorID, {},
                                       args.dateFrom, args.dateTo, ordering, 0);
        if (keepRow)
            list.SetRecNo(row);
    }
    m_ui->Lbl_MVExm_PatientTotal->setText(ViewerPatientCounterText(count));
}

void TfrmViewExmManager::RefreshExaminations(const QString &ordering)
{
    if (!m_access)
        return;
    const TSqlDataset &patients = m_module.IBQPacList();
    m_ui->Lbl_MVExm_PatName->setText(PatientNameCaption(patients.FieldByName(QStringLiteral("PAC_NOME")).toString()));
    m_examinationGrid->Columns()->SetCommonStatus(patients.FieldByName(QStringLiteral("PAC_STATUS")));
    int count = 0;
    {
        const QScopedValueRollback relisting(m_relisting, m_relisting + 1);
        // -1 when the database fails (its error shown): counted as none.
        count = m_access->ListExaminations(patients.FieldByName(QStringLiteral("PAC_ID")).toInt(),
                                           m_doctors.Entry(m_ui->Cbb_MVExm_Doctor->currentIndex()).ID, {}, {},
                                           ordering);
    }
    m_ui->Lbl_MVExm_ExameList->setText(ExaminationCounterText(count));
    ShowSummary();
}

void TfrmViewExmManager::ShowSummary()
{
    m_ui->Mem_MVExm_Resume->clear();
    const TSqlDataset &exams = m_module.IBQExmList();
    if (exams.RecNo() <= 0)
        return;
    auto field = [&exams](const char *name) { return exams.FieldByName(QString::fromLatin1(name)); };
    ExaminationSummary summary;
    summary.id = field("EXM_ID").toString();
    summary.doctor = field("EXM_MED_NOME").toString();
    summary.patient = m_module.IBQPacList().FieldByName(QStringLiteral("PAC_NOME")).toString();
    summary.eye = field("EXM_OLHO").toString().trimmed();
    summary.date = DateDisplayText(field("EXM_DATA"));
    summary.diagnosis = field("EXM_DIAGNOSTICO").toString();
    summary.observation = field("EXM_OBSERVACAO").toString();
    m_ui->Mem_MVExm_Resume->setPlainText(ExaminationSummaryLines(summary).join(QLatin1Char('\n')));
}

void TfrmViewExmManager::patientRowChanged(int recNo)
{
    if (m_relisting > 0 || recNo <= 0 || !m_module.IBQPacList().Active())
        return;
    RefreshExaminations({});
    showPatientMenuStates();
}

void TfrmViewExmManager::examinationRowChanged(int recNo)
{
    if (m_relisting > 0 || recNo <= 0 || !m_module.IBQExmList().Active())
        return;
    ShowSummary();
}

void TfrmViewExmManager::showPatientMenuStates()
{
    const TSqlDataset &patients = m_module.IBQPacList();
    const bool listed = patients.RecNo() > 0;
    const bool active = listed && patients.FieldByName(QStringLiteral("PAC_STATUS")).toInt() == 1;
    m_ui->Men_Pop_Pac_Inativo->setEnabled(active);
    m_ui->Men_Pop_Pac_Ativo->setEnabled(listed && !active && patients.FieldByName(QStringLiteral("PAC_ID")).toInt() > 0);
}

// The filter panel ------------------------------------------------------------------------

void TfrmViewExmManager::switchFilter()
{
    const bool turnOn = !m_ui->lbl_Exm_Filtro->text().contains(QLatin1String("ON"));
    m_ui->lbl_Exm_Filtro->setText(turnOn ? kFilterOn : kFilterOff);
    m_ui->Pnl_MVExm_1->setVisible(turnOn);
    RefreshPatients({}, false);
}

void TfrmViewExmManager::nameChanged()
{
    if (!m_guard)
        return;
    m_guard = false;
    if (!m_ui->Edt_MVExm_Handbook->text().isEmpty())
        m_ui->Edt_MVExm_Handbook->clear();
    m_guard = true;
    RefreshPatients({}, false);
}

void TfrmViewExmManager::numberChanged()
{
    if (!m_guard)
        return;
    m_guard = false;
    if (!m_ui->Edt_MVExm_Patient->text().isEmpty())
        m_ui->Edt_MVExm_Patient->clear();
    m_guard = true;
    RefreshPatients({}, false);
}

void TfrmViewExmManager::keyButtonClicked()
{
    QPushButton *key = m_ui->Btn_MVExm_Select;
    key->setText(key->text() == QStringLiteral("Prontuário") ? tr("CPF") : tr("Prontuário"));
    m_ui->Edt_MVExm_Handbook->clear();
    m_ui->Edt_MVExm_Handbook->setFocus();
}

void TfrmViewExmManager::allExaminationsClicked()
{
    m_guard = false;
    m_ui->Edt_MVExm_Patient->clear();
    m_ui->Edt_MVExm_Handbook->clear();
    m_ui->Chk_MVExm_Ativo->setChecked(true);
    m_ui->Chk_MVExm_Inativo->setChecked(true);
    m_ui->Rdb_MVExm_Sempre->setChecked(true);
    m_guard = true;
    RefreshPatients({}, false);
}

// The grids' own events ---------------------------------------------------------------------

void TfrmViewExmManager::patientKeyReleased(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        m_ui->Dbg_MVExm_ExameList->setFocus();
        return;
    }
    const TSqlDataset &patients = m_module.IBQPacList();
    if (patients.RecNo() <= 0 || (key != Qt::Key_Insert && key != Qt::Key_Delete))
        return;
    const std::int32_t id = patients.FieldByName(QStringLiteral("PAC_ID")).toInt();
    const std::int32_t status = patients.FieldByName(QStringLiteral("PAC_STATUS")).toInt();
    if (key == Qt::Key_Insert && status == 0) {
        if (cornix::AskYesNo(tr("Deseja Tornar Este Paciente Ativo?"), kConfirmation))
            m_access->SetPatientStatus(id, 1);
    } else if (key == Qt::Key_Delete && status == 1) {
        if (cornix::AskYesNo(tr("Deseja Tornar Este Paciente Inativo?"), kConfirmation))
            m_access->SetPatientStatus(id, 0);
    } else {
        return; // the key does not fit the patient's status
    }
    RefreshPatients({}, true);
}

void TfrmViewExmManager::examinationKeyReleased(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        viewExamination();
    else if (key == Qt::Key_Escape)
        m_ui->Dbg_MVExm_PatientList->setFocus();
}

void TfrmViewExmManager::setStatusOfCurrentPatient(std::int32_t status)
{
    const TSqlDataset &patients = m_module.IBQPacList();
    if (patients.RecNo() <= 0 || !m_access)
        return;
    m_access->SetPatientStatus(patients.FieldByName(QStringLiteral("PAC_ID")).toInt(), status);
    RefreshPatients({}, true);
}

// Opening an examination ------------------------------------------------------------------

void TfrmViewExmManager::viewExamination()
{
    const std::int32_t examID = m_module.IBQExmList().FieldByName(QStringLiteral("EXM_ID")).toInt();
    if (examID == 0)
        return; // no examination in the list
    TExame exam;
    if (!TDExamination(m_module).LoadExamination(examID, exam)) {
        cornix::ShowWarning(tr("Exame não encontrado no banco de dados."));
        return;
    }
    emit viewExaminationRequested(exam, examID, m_module.IBQPacList().FieldByName(QStringLiteral("PAC_ID")).toInt());
}
