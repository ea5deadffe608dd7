#pragma once
// What the record windows decide without any widget: the texts of their counters,
// the lists their combo boxes offer, and the arguments of the patient list refreshes
// built from their filter panels (patient manager, examination viewer).
#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace cornix::records {

// "Nenhum Paciente", "1 Pacientes", otherwise "<n> Pacientes".
QString PatientCounterText(int count);
// "<n> Medicos Listados" above one, otherwise "<n> Medico Listado" (also for 0).
QString DoctorCounterText(int count);

// Lines of a memo as a user counts them: none when empty, a final line break
// opens no new line.
int MemoLineCount(const QString &text);
// "0 Linha", "1 Linha", "2 Linhas".
QString LineCounterText(int lines);

// The 27 Brazilian state codes, in the order the lists offer them.
const QStringList &StateCodes();
const QStringList &MaritalStatuses();
const QStringList &BloodGroups();
const QStringList &SexCodes();

// The patient manager's filter panel as the user left it.
struct PatientFilterPanel {
    QString caption;        // Lbl_Pac_Filtro: "Pacientes [Filtro=OFF]" or "... ON]"
    QString name;           // Edt_PAC_FNome
    QString selectCaption;  // Btn_Pac_Select: "Prontuário" or "CPF"
    QString handBook;       // Edt_PAC_HandBook: a record number or a CPF fragment
    bool active = true, inactive = false, male = true, female = true;
};

// Arguments of TBDCornyx::ListPatients for the patient manager's list.
struct PatientListArguments {
    QString name;
    std::int32_t status = 1;
    std::int32_t prontuario = 0;
    QString cpf;
    QString sex;
};

bool FilterIsOn(const QString &caption);
// The record number typed in the filter: a whole number, otherwise 0 ("12a", empty).
std::int32_t RecordNumberFilter(const QString &text);
// What the filter panel asks for; with the filter OFF only the active patients, unfiltered.
PatientListArguments PatientListArgumentsFor(const PatientFilterPanel &panel);

// The examination manager and the examination viewer ---------------------------------

// The examination manager's patient counter: "<n> Pacientes" above one, otherwise
// "<n> Paciente" (also "0 Paciente").
QString ExamManagerPatientCounterText(int count);
// "Nenhum Exame", "1 Exame", "<n> Exames".
QString ExaminationCounterText(int count);
// The viewer's patient counter: "<n> Paciente(s) ", "Nenhum Paciente " for none.
QString ViewerPatientCounterText(int count);
// The name above the examination list: as it is when shorter than 36 characters,
// abbreviated otherwise (AbbreviateName).
QString PatientNameCaption(const QString &name);
// "CRM : <crm>".
QString CRMCaption(const QString &crm);

// The viewer's filter panel as the user left it.
struct ViewerFilterPanel {
    QString caption;         // lbl_Exm_Filtro: "Pacientes [Filtro=OFF]" or "... ON]"
    bool today = false;      // Rdb_MVExm_Hoje (otherwise "Todas")
    bool active = true;      // Chk_MVExm_Ativo
    bool inactive = false;   // Chk_MVExm_Inativo
    QString keyCaption;      // Btn_MVExm_Select: "Prontuário" or "CPF"
    QString name;            // Edt_MVExm_Patient
    QString number;          // Edt_MVExm_Handbook: a record number or a CPF fragment
    std::int32_t doctorID = 0; // the doctor combo's table entry; 0 = "Todos..."
};

// Arguments of TBDCornyx::ListPatients for the viewer's list.
struct ViewerListArguments {
    QString name;
    std::int32_t status = 1;
    std::int32_t prontuario = 0;
    QString cpf;
    std::int32_t doctorID = 0;
    QString dateFrom, dateTo; // "dd/mm/yyyy", empty for no date filter
};

// What the viewer's panel asks for on the day today. With the filter OFF only the
// active patients, without record number, CPF or dates; the name and the doctor still
// apply. A doctor ID of 0 lists the patients with at least one examination.
ViewerListArguments ViewerListArgumentsFor(const ViewerFilterPanel &panel, const QDate &today);

// The viewer's summary of one examination, seven lines.
struct ExaminationSummary {
    QString id, doctor, patient, eye, date, diagnosis, observation;
};
QStringList ExaminationSummaryLines(const ExaminationSummary &summary);

} // namespace cornix::records
