#include "UDCurrentPatient.h"

#include "DateText.h"
#include "UDExamination.h"
#include "UfrmDataModule.h"

#include <QCoreApplication>

namespace cornix::exam {

namespace {
QString dateText(const QVariant &value)
{
    if (value.isNull())
        return {};
    return cornix::DateToText(value.toDate());
}
} // namespace

TCurrentPatient ReadCurrentPatient(TDataModule1 *module)
{
    TCurrentPatient patient;
    if (!module)
        return patient;
    TSqlDataset &list = module->IBQPacList();
    if (!list.Active() || list.RecNo() < 1)
        return patient;
    patient.found = true;
    patient.name = list.FieldByName(QStringLiteral("PAC_NOME")).toString().trimmed();
    patient.birthText = dateText(list.FieldByName(QStringLiteral("PAC_NASCIMENTO")));
    patient.ageText = list.FieldByName(QStringLiteral("PAC_IDADE")).toString()
                      + QCoreApplication::translate("TfrmExamination", " Anos");
    patient.sex = list.FieldByName(QStringLiteral("PAC_SEXO")).toString().trimmed();
    patient.prontuario = list.FieldByName(QStringLiteral("PAC_PRONTUARIO")).toInt();
    return patient;
}

std::uint8_t ExaminationPatientAge(TDataModule1 *module, std::int32_t patientID, const QDateTime &reference)
{
    if (!module || !module->Connected())
        return 0;
    return PatientAge(*module, patientID, reference); // shows a database error itself
}

} // namespace cornix::exam
