#include "UDExamination.h"

#include "DateText.h"
#include "Numbers.h"
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

// The driver looks every named column up in the system tables each time a row is
// read by name, so the statements name their columns and rows are read by position.
const QStringList kExamColumns = {
    QStringLiteral("EXM_ID"),           QStringLiteral("EXM_PACIENTE"),     QStringLiteral("EXM_DATA"),
    QStringLiteral("EXM_HORA"),         QStringLiteral("EXM_TOTALIMG"),     QStringLiteral("EXM_PAQUIMETRIA"),
    QStringLiteral("EXM_FIX_SIDE"),     QStringLiteral("EXM_FIX_POS"),      QStringLiteral("EXM_FIRMWARE"),
    QStringLiteral("EXM_SOFTWARE"),     QStringLiteral("EXM_TOTALCELULAS"), QStringLiteral("EXM_AREAANALISADA"),
    QStringLiteral("EXM_COEFVAR"),      QStringLiteral("EXM_HEXAGONAIS"),   QStringLiteral("EXM_DENSIDADE"),
    QStringLiteral("EXM_DP"),           QStringLiteral("EXM_AREAMIN"),      QStringLiteral("EXM_AREAMED"),
    QStringLiteral("EXM_AREAMAX"),      QStringLiteral("EXM_MORPHOINFO"),   QStringLiteral("EXM_MEGATINFO"),
    QStringLiteral("EXM_IMG_CROP_ORIG"), QStringLiteral("EXM_IMG_CROP_PROC"), QStringLiteral("EXM_DIAGNOSTICO"),
    QStringLiteral("EXM_OBSERVACAO"),   QStringLiteral("EXM_OLHO")};

void readDoctor(QSqlQuery &query, TExame &exam)
{
    const bool found = query.next();
    exam.DoctorID = found ? query.value(0).toInt() : 0;
    exam.DoctorName = found ? query.value(1).toString() : QString();
    exam.DoctorCRM = found ? query.value(2).toString() : QString();
}

void readExamination(QSqlQuery &query, TExame &exam)
{
    auto field = [&](const char *name) { return query.value(kExamColumns.indexOf(QLatin1String(name))); };
    exam.ID = field("EXM_ID").toInt();
    exam.PatientID = field("EXM_PACIENTE").toInt();
    exam.DateText = dateText(field("EXM_DATA"));
    exam.TimeText = field("EXM_HORA").isNull() ? QString() : field("EXM_HORA").toTime().toString(QStringLiteral("hh:mm:ss"));
    exam.TotalImages = field("EXM_TOTALIMG").toInt();
    exam.Pachymetry = field("EXM_PAQUIMETRIA").toInt();
    // CHAR(1): the driver pads an empty side with a blank.
    exam.FixSide = field("EXM_FIX_SIDE").toString().trimmed().left(1);
    exam.FixPos = static_cast<std::uint16_t>(field("EXM_FIX_POS").toInt());
    exam.Firmware = field("EXM_FIRMWARE").toString();
    exam.Software = field("EXM_SOFTWARE").toString();
    exam.TotalCells = field("EXM_TOTALCELULAS").toInt();
    exam.AnalysedArea = field("EXM_AREAANALISADA").toDouble();
    exam.CV = field("EXM_COEFVAR").toDouble();
    exam.Hexagonal = field("EXM_HEXAGONAIS").toInt();
    exam.Density = field("EXM_DENSIDADE").toInt();
    exam.SD = field("EXM_DP").toDouble();
    exam.AreaMin = field("EXM_AREAMIN").toDouble();
    exam.AreaMean = field("EXM_AREAMED").toDouble();
    exam.AreaMax = field("EXM_AREAMAX").toDouble();
    exam.MorphoInfo = field("EXM_MORPHOINFO").toString();
    exam.MegatInfo = field("EXM_MEGATINFO").toString();
    exam.CropOrigPath = field("EXM_IMG_CROP_ORIG").toString();
    exam.CropProcPath = field("EXM_IMG_CROP_PROC").toString();
    exam.Diagnosis = field("EXM_DIAGNOSTICO").toString();
    exam.Observation = field("EXM_OBSERVACAO").toString();
}

} // namespace

TDExamination::TDExamination() : TDExamination(*TDataModule1::Instance()) {}

TDExamination::TDExamination(TDataModule1 &module) : m_module(module) {}

bool TDExamination::LoadExamination(std::int32_t id, TExame &exam)
{
    QSqlQuery &query = m_module.qryOperation();
    const std::map<QString, QVariant> param = {{QStringLiteral(":idExamination"), id}};
    m_module.Run(query,
                 QStringLiteral("SELECT ") + kExamColumns.join(QStringLiteral(", ")) +
                     QStringLiteral(" FROM EXAME WHERE EXM_ID = :idExamination"),
                 param);
    if (!query.next()) {
        query.finish();
        return false;
    }
    TExame loaded = exam;
    readExamination(query, loaded);
    loaded.Eye = query.value(kExamColumns.indexOf(QStringLiteral("EXM_OLHO"))).toInt();

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
    return PatientAge(*TDataModule1::Instance(), patientID, reference);
}

std::uint8_t PatientAge(TDataModule1 &module, std::int32_t patientID, const QDateTime &reference)
{
    QSqlQuery &query = module.qryOperation();
    module.Run(query, QStringLiteral("SELECT PAC_NASCIMENTO FROM PACIENTE WHERE PAC_ID = :patientID"),
               {{QStringLiteral(":patientID"), patientID}});
    const QString birth = query.next() ? dateText(query.value(0)) : QString();
    query.finish();
    return AgeInYears(birth, cornix::DateToText(reference.date()));
}
