#include "UfrmExaminationManager.h"
#include "ui_UfrmExaminationManager.h"

#include "Dialogs.h"
#include "UBManagerRules.h"
#include "UDExamination.h"
#include "UDatasetGrid.h"
#include "UManagerLook.h"
#include "UExaminationWindow.h"
#include "UfrmDataModule.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QSignalBlocker>

using namespace cornix::records;

TfrmExaminationManager::TfrmExaminationManager(QWidget *parent)
    : TfrmExaminationManager(*TDataModule1::Instance(), parent)
{
}

TfrmExaminationManager::TfrmExaminationManager(TDataModule1 &module, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TfrmExaminationManager>()), m_module(module)
{
    m_ui->setupUi(this);
    setUpControls();
    setUpGrids();
    connectControls();
}

TfrmExaminationManager::~TfrmExaminationManager() = default;

// Set-up --------------------------------------------------------------------------------

void TfrmExaminationManager::setUpControls()
{
    PaintManagerBackground(*this);

    const QStyle *look = style();
    m_ui->spb_doc_StartExamination->setIcon(look->standardIcon(QStyle::SP_MediaPlay));
    m_ui->Btn_Exm_View->setIcon(look->standardIcon(QStyle::SP_FileDialogContentsView));
    m_ui->SpeedButton1->setIcon(look->standardIcon(QStyle::SP_FileDialogNewFolder));
    m_ui->SpbSair->setIcon(look->standardIcon(QStyle::SP_DialogCloseButton));
    // Enabled by clicking an examination of the list.
    m_ui->Btn_Exm_View->setEnabled(false);
}

void TfrmExaminationManager::setUpGrids()
{
    const auto centred = Qt::AlignCenter;
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;
    m_patientGrid = new TDatasetGridLink(
        m_ui->dbgPatients, m_module.IBQPacList(),
        {{QStringLiteral("PAC_PRONTUARIO"), tr("Prontuário"), 90, left, left, QStringLiteral("0000000000")},
         {QStringLiteral("PAC_NOME"), tr("Paciente"), 230},
         {QStringLiteral("PAC_CPF"), tr("CPF"), 83, centred, centred, QStringLiteral("000.000.000-00")},
         {QStringLiteral("PAC_IDADE"), tr("Idade"), 50, centred, centred},
         {QStringLiteral("PAC_TOTALEXAME"), tr("Exame(s)"), 60, centred, centred, tr("Exame(s)")}},
        QStringLiteral("PAC_STATUS"));
    m_ui->dbgPatients->horizontalHeader()->setSectionsClickable(true);

    // Every column of the examination summary, the examination's ID first.
    m_examinationGrid = new TDatasetGridLink(
        m_ui->dbgExaminations, m_module.IBQExmList(),
        {{QStringLiteral("EXM_ID"), tr("Exame"), 50, centred, centred},
         {QStringLiteral("EXM_DATA"), tr("Data"), 80, centred, centred, QStringLiteral("00/00/0000")},
         {QStringLiteral("EXM_HORA"), tr("Hora"), 64, centred, centred, QStringLiteral("00:00:00")},
         {QStringLiteral("EXM_OLHO"), tr("Olho"), 40, centred, centred},
         {QStringLiteral("EXM_FIX_POS"), tr("Fixação"), 56, centred, centred, tr("Fixação")},
         {QStringLiteral("EXM_FIX_SIDE"), tr("Lado"), 40, centred, centred},
         {QStringLiteral("EXM_MED_NOME"), tr("Médico"), 160},
         {QStringLiteral("EXM_IDADE"), tr("Idade"), 44, centred, centred},
         {QStringLiteral("EXM_DENSIDADE"), tr("Densidade"), 70, centred, centred, tr("Densidade")},
         {QStringLiteral("EXM_TOTALCELULAS"), tr("Células"), 56, centred, centred},
         {QStringLiteral("EXM_AREAANALISADA"), tr("Área analisada"), 90, centred, centred, tr("Área analisada")},
         {QStringLiteral("EXM_AREAMIN"), tr("Área mín."), 70, centred, centred},
         {QStringLiteral("EXM_AREAMED"), tr("Área méd."), 70, centred, centred},
         {QStringLiteral("EXM_AREAMAX"), tr("Área máx."), 70, centred, centred},
         {QStringLiteral("EXM_DP"), tr("DP"), 60, centred, centred},
         {QStringLiteral("EXM_COEFVAR"), tr("CV"), 50, centred, centred},
         {QStringLiteral("EXM_HEXAGONAIS"), tr("Hexagonais"), 74, centred, centred, tr("Hexagonais")},
         {QStringLiteral("EXM_TOTALIMG"), tr("Imagens"), 60, centred, centred},
         {QStringLiteral("EXM_DIAGNOSTICO"), tr("Diagnóstico"), 160},
         {QStringLiteral("EXM_OBSERVACAO"), tr("Observação"), 160},
         {QStringLiteral("EXM_MORPHOINFO"), tr("Polimorfismo"), 100},
         {QStringLiteral("EXM_MEGATINFO"), tr("Polimegatismo"), 110},
         {QStringLiteral("EXM_FIRMWARE"), tr("Firmware"), 80},
         {QStringLiteral("EXM_SOFTWARE"), tr("Software"), 80},
         {QStringLiteral("EXM_IMG_CROP_ORIG"), tr("Imagem original"), 160},
         {QStringLiteral("EXM_IMG_CROP_PROC"), tr("Imagem processada"), 160},
         {QStringLiteral("EXM_MEDICO"), tr("Cód. médico"), 76},
         {QStringLiteral("EXM_PACIENTE"), tr("Cód. paciente"), 84},
         {QStringLiteral("EXM_STATUS"), tr("Status"), 50}},
        QString());
    m_ui->dbgExaminations->horizontalHeader()->setStretchLastSection(false);

    m_ui->dbgPatients->installEventFilter(this);
    m_ui->dbgExaminations->installEventFilter(this);
}

void TfrmExaminationManager::connectControls()
{
    connect(m_patientGrid, &TDatasetGridLink::rowChanged, this, &TfrmExaminationManager::patientRowChanged);
    connect(m_ui->dbgPatients, &QAbstractItemView::clicked, this, &TfrmExaminationManager::patientClicked);
    connect(m_ui->dbgPatients, &QAbstractItemView::doubleClicked, this, &TfrmExaminationManager::newExamination);
    connect(m_ui->dbgPatients->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TfrmExaminationManager::sortPatients);
    connect(m_ui->dbgExaminations, &QAbstractItemView::clicked, this, &TfrmExaminationManager::examinationClicked);
    connect(m_ui->dbgExaminations, &QAbstractItemView::doubleClicked, this,
            &TfrmExaminationManager::viewExamination);
    connect(m_ui->Edt_ExmPatFilter, &QLineEdit::textChanged, this, &TfrmExaminationManager::RefreshPatients);
    connect(m_ui->Cbb_Exm_SelDoc, &QComboBox::currentIndexChanged, this, &TfrmExaminationManager::doctorChanged);
    connect(m_ui->spb_doc_StartExamination, &QToolButton::clicked, this, &TfrmExaminationManager::newExamination);
    connect(m_ui->Btn_Exm_View, &QPushButton::clicked, this, &TfrmExaminationManager::viewExamination);
    connect(m_ui->SpeedButton1, &QToolButton::clicked, this, &TfrmExaminationManager::patientManager);
    connect(m_ui->SpbSair, &QToolButton::clicked, this, &QWidget::close);
}

// Showing -------------------------------------------------------------------------------

void TfrmExaminationManager::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Shown once: a window restored after being minimised keeps what it lists.
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        formShow();
    }
}

void TfrmExaminationManager::formShow()
{
    m_access = std::make_unique<TBDCornyx>(m_module);
    loadDoctors();
    {
        const QSignalBlocker quiet(m_ui->Cbb_Exm_SelDoc);
        m_ui->Cbb_Exm_SelDoc->setCurrentIndex(m_doctors.Count() > 0 ? 0 : -1);
    }
    RefreshPatients();
    m_selectedDoctorID = m_doctors.Entry(m_ui->Cbb_Exm_SelDoc->currentIndex()).ID;
    showCurrentDoctor();
}

void TfrmExaminationManager::loadDoctors()
{
    m_doctors.Clear();
    try {
        m_doctors.LoadActiveDoctors(m_module);
    } catch (const EDatabaseError &error) {
        cornix::ShowError(error.message());
    }
    const QSignalBlocker quiet(m_ui->Cbb_Exm_SelDoc);
    m_ui->Cbb_Exm_SelDoc->clear();
    for (const TDoctorEntry &doctor : m_doctors.Entries())
        m_ui->Cbb_Exm_SelDoc->addItem(doctor.Name);
}

void TfrmExaminationManager::showCurrentDoctor()
{
    m_ui->Lbl_CRM->setText(CRMCaption(m_doctors.Entry(m_ui->Cbb_Exm_SelDoc->currentIndex()).CRM));
}

bool TfrmExaminationManager::eventFilter(QObject *watched, QEvent *event)
{
    const bool enter = (event->type() == QEvent::KeyRelease || event->type() == QEvent::KeyPress) &&
                       (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return ||
                        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Enter) &&
                       !static_cast<QKeyEvent *>(event)->isAutoRepeat();
    if (enter && watched == m_ui->dbgPatients && event->type() == QEvent::KeyRelease)
        newExamination();
    else if (enter && watched == m_ui->dbgExaminations && event->type() == QEvent::KeyPress)
        viewExamination();
    return QWidget::eventFilter(watched, event);
}

// The lists -----------------------------------------------------------------------------

void TfrmExaminationManager::RefreshPatients()
{
    if (!m_access)
        return;
    showCurrentDoctor();
    // A commit (an examination saved meanwhile) closes the list: its row is then the
    // one last shown.
    const int row = m_module.IBQPacList().RecNo() > 0 ? m_module.IBQPacList().RecNo() : m_lastPatientRow;
    relistPatients({}, row);
}

void TfrmExaminationManager::relistPatients(const QString &ordering, int recNo)
{
    int count = 0;
    {
        const QScopedValueRollback relisting(m_relisting, m_relisting + 1);
        // -1 when the database fails (its error shown): counted as none.
        count = m_access->ListPatients(m_ui->Edt_ExmPatFilter->text(), 1, 0, {}, -1, {}, {}, {}, ordering, recNo);
    }
    m_ui->lbl_exm_listpat->setText(ExamManagerPatientCounterText(count));
    RefreshExaminations();
}

void TfrmExaminationManager::RefreshExaminations()
{
    if (!m_access)
        return;
    const TSqlDataset &patients = m_module.IBQPacList();
    m_selectedPatientID = patients.FieldByName(QStringLiteral("PAC_ID")).toInt();
    if (patients.RecNo() > 0)
        m_lastPatientRow = patients.RecNo();
    m_examinationGrid->Columns()->SetCommonStatus(patients.FieldByName(QStringLiteral("PAC_STATUS")));
    listExaminations();
    m_ui->Mem_Pac_Obs->setPlainText(patients.FieldByName(QStringLiteral("PAC_OBSERVACOES")).toString());
    m_ui->Lbl_PAC_Nome->setText(PatientNameCaption(patients.FieldByName(QStringLiteral("PAC_NOME")).toString()));
}

void TfrmExaminationManager::listExaminations()
{
    const int count = m_access->ListExaminations(m_selectedPatientID, 0, {}, {}, {});
    if (count <= 0)
        m_ui->Btn_Exm_View->setEnabled(false);
    m_ui->lbl_ExmListExm->setText(ExaminationCounterText(count));
}

void TfrmExaminationManager::patientRowChanged(int recNo)
{
    // A list closed by a commit has no row to list examinations for; a list being
    // rebuilt is listed for once it stands.
    if (m_relisting > 0 || recNo <= 0 || !m_module.IBQPacList().Active())
        return;
    RefreshExaminations();
}

// Events --------------------------------------------------------------------------------

void TfrmExaminationManager::doctorChanged(int line)
{
    m_selectedDoctorID = m_doctors.Entry(line).ID;
    RefreshPatients();
}

void TfrmExaminationManager::patientClicked()
{
    m_selectedPatientID = m_module.IBQPacList().FieldByName(QStringLiteral("PAC_ID")).toInt();
    RefreshExaminations();
}

void TfrmExaminationManager::sortPatients(int section)
{
    if (m_access)
        relistPatients(m_patientGrid->FieldOfColumn(section), 0);
}

void TfrmExaminationManager::examinationClicked()
{
    if (m_module.IBQExmList().FieldByName(QStringLiteral("EXM_ID")).toInt() != 0)
        m_ui->Btn_Exm_View->setEnabled(true);
}

// The buttons -----------------------------------------------------------------------------

void TfrmExaminationManager::newExamination()
{
    emit lockMenuRequested();
    if (ExaminationWindowOpen())
        ShowPlainMessage(tr("A tela de novo exame já está ativa"));
    else if (m_selectedDoctorID == 0)
        ShowPlainMessage(tr("Selecione um Médico Responsável"));
    else if (m_selectedPatientID == 0)
        ShowPlainMessage(tr("Selecione um Paciente"));
    else
        emit examinationRequested(m_selectedPatientID, m_doctors.Entry(m_ui->Cbb_Exm_SelDoc->currentIndex()).CRM,
                                  m_ui->Cbb_Exm_SelDoc->currentText(), m_selectedDoctorID);
}

void TfrmExaminationManager::viewExamination()
{
    const std::int32_t examID = m_module.IBQExmList().FieldByName(QStringLiteral("EXM_ID")).toInt();
    if (examID == 0)
        return; // no examination in the list
    emit lockMenuRequested();
    TExame exam;
    if (!TDExamination(m_module).LoadExamination(examID, exam)) {
        cornix::ShowWarning(tr("Exame não encontrado no banco de dados."));
        return;
    }
    emit viewExaminationRequested(exam, examID, m_module.IBQPacList().FieldByName(QStringLiteral("PAC_ID")).toInt());
}

void TfrmExaminationManager::patientManager()
{
    emit patientManagerRequested();
    close();
}

void TfrmExaminationManager::closeEvent(QCloseEvent *event)
{
    emit unlockMenuRequested();
    if (!ExaminationWindowOpen()) {
        QWidget::closeEvent(event);
        return;
    }
    ShowPlainMessage(tr("Não é possível fechar esta tela com a tela de exame em execução"));
    event->ignore();
    stepAside();
}

// The window steps aside, as a child window does when it may not close: minimised on its
// own, or, among maximised frameless children (where minimising one brings it to the
// front instead), behind the examination window.
void TfrmExaminationManager::stepAside()
{
    auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget());
    QMdiArea *area = frame ? frame->mdiArea() : nullptr;
    if (!area) {
        showMinimized();
        return;
    }
    for (QMdiSubWindow *child : area->subWindowList())
        if (child->widget() && child->widget()->objectName() == ExaminationWindowName() && !child->widget()->isHidden())
            area->setActiveSubWindow(child);
}
