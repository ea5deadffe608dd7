#include "UDExamination.h"

#include "DateText.h"
#include "Dialogs.h"
#include "UDataBaseCornyx.h"
#include "Numbers.h"
#include "UDFieldTables.h"
#include "UExame.h"
#include "UfrmDataModule.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

QString dateText(const QVariant &value) { return value.isNull() ? QString() : cornix::DateToText(value.toDate()); }

// The strict integer of a text (StrToInt); nullopt when it does not convert.
std::optional<std::int32_t> toInt(const QString &text)
{
    try {
        return cornix::StrToInt(text.toStdString());
    } catch (const cornix::EConvertError &) {
        return std::nullopt;
    }
}

void readDoctor(QSqlQuery &query, TExame &exam)
{
    const bool found = query.next();
    exam.DoctorID = found ? query.value(0).toInt() : 0;
    exam.DoctorName = found ? query.value(1).toString() : QString();
    exam.DoctorCRM = found ? query.value(2).toString() : QString();
}

} // namespace

TDExamination::TDExamination() : TDExamination(*TDataModule1::Instance()) {}

TDExamination::TDExamination(TDataModule1 &module) : m_module(module) {}

bool TDExamination::LoadExamination(std::int32_t id, TExame &exam)
{
    try {
        return load(id, exam);
    } catch (const EDatabaseError &error) {
        m_module.qryOperation().finish();
        TBDCornyx(m_module).ShowDatabaseError(TBDCornyx::ExaminationError, error.message());
    }
    return false;
}

bool TDExamination::load(std::int32_t id, TExame &exam)
{
    QSqlQuery &query = m_module.qryOperation();
    const std::map<QString, QVariant> param = {{QStringLiteral(":idExamination"), id}};
    m_module.Run(query, cornix::records::SelectExameStatement(), param);
    if (!query.next()) {
        query.finish();
        return false;
    }
    TExame loaded = exam;
    cornix::records::ReadExame(query, loaded);

    m_module.Run(query,
                 QStringLiteral("SELECT MED_ID, MED_NOME, MED_CRM FROM MEDICO WHERE MED_ID = "
                                "(SELECT EXM_MEDICO FROM EXAME WHERE EXM_ID = :idExamination)"),
                 param);
    readDoctor(query, loaded);

    m_module.Run(query,
                 QStringLiteral("SELECT PAC_PRONTUARIO, PAC_NASCIMENTO FROM PACIENTE WHERE PAC_ID = "
                                "(SELECT EXM_PACIENTE FROM EXAME WHERE EXM_ID = :idExamination)"),
                 param);
    const bool patientFound = query.next();
    loaded.Prontuario = patientFound ? query.value(0).toInt() : 0;
    const QString birth = patientFound ? dateText(query.value(1)) : QString();
    query.finish();
    loaded.Age = AgeInYears(birth, loaded.DateText);
    exam = loaded;
    return true;
}

std::uint8_t AgeInYears(const QString &birthText, const QString &referenceText)
{
    const QDate birth = cornix::TextToDate(birthText);
    const QDate reference = referenceText.isEmpty() ? QDate::currentDate() : cornix::TextToDate(referenceText);
    if (!birth.isValid() || !reference.isValid())
        return 0;
    int years = reference.year() - birth.year();
    if (birth.month() > reference.month() || (birth.month() == reference.month() && birth.day() > reference.day()))
        --years;
    return static_cast<std::uint8_t>(years);
}

bool IsValidBirthDate(const QString &text)
{
    const auto day = toInt(text.mid(0, 2));
    const auto month = toInt(text.mid(3, 2));
    const auto year = toInt(text.mid(6));
    if (!day || !month || !year)
        return false;
    const int currentYear = QDate::currentDate().year();
    const bool yearOk = currentYear - 120 < *year && *year < currentYear;
    const auto d = static_cast<std::uint16_t>(*day);
    const auto m = static_cast<std::uint16_t>(*month);
    if (m == 2)
        return d <= 29 && yearOk;
    return d <= 31 && m >= 1 && m <= 12 && yearOk;
}

std::uint8_t PatientAge(std::int32_t patientID, const QDateTime &reference)
{
    TDataModule1 *module = TDataModule1::Instance();
    if (!module) {
        cornix::ShowUnrecoverable(QStringLiteral("PatientAge"));
        return 0;
    }
    return PatientAge(*module, patientID, reference);
}

std::uint8_t PatientAge(TDataModule1 &module, std::int32_t patientID, const QDateTime &reference)
{
    QSqlQuery &query = module.qryOperation();
    QString birth;
    try {
        module.Run(query, QStringLiteral("SELECT PAC_NASCIMENTO FROM PACIENTE WHERE PAC_ID = :patientID"),
                   {{QStringLiteral(":patientID"), patientID}});
        birth = query.next() ? dateText(query.value(0)) : QString();
        query.finish();
    } catch (const EDatabaseError &error) {
        query.finish();
        TBDCornyx(module).ShowDatabaseError(TBDCornyx::PatientError, error.message());
        return 0;
    }
    return AgeInYears(birth, cornix::DateToText(reference.date()));
}
