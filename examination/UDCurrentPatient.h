#pragma once
// The patient an examination is made for, as the examination window's patient panel
// shows it: the data module's current row of the patient list (IBQPacList), and the
// patient's age from the database.
#include <QDateTime>
#include <QString>

#include <cstdint>

class TDataModule1;

namespace cornix::exam {

struct TCurrentPatient {
    QString name;         // PAC_NOME
    QString birthText;    // PAC_NASCIMENTO as "dd/mm/yyyy", empty when unknown
    QString ageText;      // PAC_IDADE followed by " Anos"
    QString sex;          // PAC_SEXO
    std::int32_t prontuario = 0; // PAC_PRONTUARIO
    bool found = false;   // the list had a current row
};

// The current row of module's patient list; an empty record (found false) when
// there is no data module, the list is closed or has no current row.
TCurrentPatient ReadCurrentPatient(TDataModule1 *module);

// PatientAge for the examination's patient at the reference date; 0 without a
// connected data module. A database error is shown (caption "ERRO") and gives 0.
std::uint8_t ExaminationPatientAge(TDataModule1 *module, std::int32_t patientID, const QDateTime &reference);

} // namespace cornix::exam
