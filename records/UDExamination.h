#pragma once
// Reading a stored examination back into an examination record, and the date
// helpers of the examination results (ages in whole years, birth-date check).
#include <QDateTime>
#include <QString>

#include <cstdint>

struct TExame;
class TDataModule1;

class TDExamination {
public:
    // Works on TDataModule1::Instance().
    TDExamination();
    explicit TDExamination(TDataModule1 &module);

    // Fills every field of exam from examination id, its doctor and its patient
    // (Age at the examination date). False when no examination has that ID, or when
    // the database fails (its error shown through the dialog seam); exam is then
    // left as it was. Never throws.
    bool LoadExamination(std::int32_t id, TExame &exam);

private:
    bool load(std::int32_t id, TExame &exam);

    TDataModule1 &m_module;
};

// Whole years from the birth date to the reference date ("dd/mm/yyyy" texts; an
// empty reference means today), on 8 bits as the record keeps it (0..255). A birth
// text that is not a date gives 0.
std::uint8_t AgeInYears(const QString &birthText, const QString &referenceText);

// "dd/mm/yyyy" with day <= 31 (<= 29 in February, without a leap-year check), month
// 1..12 and a year strictly between 120 years ago and the current year.
bool IsValidBirthDate(const QString &text);

// The age of a patient at the reference date; 0 when the patient or the birth date
// is missing, and 0 when the database fails (its error shown through the dialog
// seam). Never throws.
std::uint8_t PatientAge(std::int32_t patientID, const QDateTime &reference);
std::uint8_t PatientAge(TDataModule1 &module, std::int32_t patientID, const QDateTime &reference);
