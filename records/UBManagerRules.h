#pragma once
// What the patient and doctor managers decide without any widget: the texts of their
// counters, the lists their combo boxes offer, and the arguments of the patient list
// refresh built from the filter panel.
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

} // namespace cornix::records
