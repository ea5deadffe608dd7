#include "UDataBaseCornyx.h"

#include "DateText.h"
#include "Dialogs.h"
#include "UBFrameBuffer.h"
#include "UDExamImages.h"
#include "UDFieldTables.h"
#include "UDStatementBuilder.h"
#include "UExame.h"
#include "UfrmDataModule.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlRecord>
#include <QTime>

#include <map>
#include <memory>
#include <stdexcept>

using cornix::ShowError;
using Params = std::map<QString, QVariant>;
namespace records = cornix::records;

namespace {

constexpr int kMaxPatientWords = 255;
constexpr int kMaxDoctorWords = 256;

bool validEmail(const QString &email)
{
    if (email.contains(QLatin1Char(' ')))
        return false;
    return email.isEmpty() || (email.contains(QLatin1Char('@')) && email.contains(QLatin1Char('.')));
}

QDate birthDate(const QString &nascimento)
{
    const QDate date = cornix::TextToDate(nascimento);
    if (!date.isValid())
        throw EDatabaseError(QStringLiteral("'%1' is not a valid date").arg(nascimento));
    return date;
}

int checkDigit(int sum)
{
    const int r = sum % 11;
    return r < 2 ? 0 : 11 - r;
}

std::pair<int, int> cpfCheckDigits(const QString &digits)
{
    int s1 = 0, s2 = 0;
    for (int i = 1; i <= 9; ++i) {
        const QChar c = i <= digits.size() ? digits[i - 1] : QChar();
        // Only the decimal digits 0-9 count; anything else (other scripts' digits too) is 0.
        const int d = c >= u'0' && c <= u'9' ? c.digitValue() : 0;
        s1 += (11 - i) * d;
        s2 += d;
    }
    const int c1 = checkDigit(s1);
    return {c1, checkDigit(s1 + s2 + 2 * c1)};
}

// Where a patient or a doctor is written.
struct TRecordTable {
    const char *Table;
    const char *Key;
    const char *NoID; // the error when the insert gives no ID back
    int ErrorKind;
};
const TRecordTable kPatientTable{"paciente", "PAC_ID", "O banco de dados não devolveu o ID do paciente",
                                 TBDCornyx::PatientError};
const TRecordTable kDoctorTable{"medico", "MED_ID", "O banco de dados não devolveu o ID do médico",
                                TBDCornyx::DoctorError};

// The steps after a record's validation: capitalising and lower-casing, the check
// that the database can hold every text, then the insert (the new ID comes from the
// insert itself: a CPF may be empty or repeated) or the update of the row. `extra`
// adds the columns that are not typed texts. Database errors are shown by kind.
template <typename Record, typename Extra>
bool storeRecord(const TBDCornyx &db, TDataModule1 &module, Record &record,
                 const std::vector<records::TTextField<Record>> &fields, const TRecordTable &table, Extra extra)
{
    records::FinishFields(record, fields);
    if (records::RejectUnstorableText(records::TextChecks(record, fields)))
        return false;
    const QString name = QLatin1String(table.Table), key = QLatin1String(table.Key);
    try {
        records::TParams params;
        records::BindFields(record, fields, params);
        QStringList columns = records::ColumnsOf(fields);
        extra(params, columns);
        if (record.ID != -1) {
            params[QLatin1Char(':') + key] = record.ID;
            module.Execute(records::UpdateStatement(name, columns, key), params);
            return true;
        }
        QSqlQuery &query =
            module.Execute(records::InsertStatement(name, columns) + QStringLiteral("\nreturning ") + key, params);
        if (!query.next())
            throw EDatabaseError(QString::fromUtf8(table.NoID));
        record.ID = query.value(0).toInt();
        query.finish();
    } catch (const EDatabaseError &error) {
        db.ShowDatabaseError(table.ErrorKind, error.message());
        return false;
    }
    return true;
}

int chosenFrame(const TBFrameBuffer &frames)
{
    int chosen = frames.FrameCount() > 0 ? 0 : -1;
    for (int f = 0; f < frames.FrameCount(); ++f)
        if (frames.PrintIt(f))
            chosen = f;
    return chosen;
}

} // namespace

TBDCornyx::TBDCornyx() : TBDCornyx(*TDataModule1::Instance()) {}

TBDCornyx::TBDCornyx(TDataModule1 &module) : m_module(module) {}

// Validation helpers ----------------------------------------------------------------

QString TBDCornyx::UnsupportedCharacters(const QString &value) { return records::UnsupportedCharacters(value); }

bool TBDCornyx::IsValidCPF(const QString &value)
{
    if (value.trimmed().size() != 11)
        return false;
    const auto [c1, c2] = cpfCheckDigits(value);
    return value.mid(9, 1) == QString::number(c1) && value.mid(10, 1) == QString::number(c2);
}

QString GenerateCPF()
{
    QString digits;
    for (int i = 0; i < 9; ++i)
        digits += QChar(u'0' + QRandomGenerator::global()->bounded(10));
    const auto [c1, c2] = cpfCheckDigits(digits);
    return digits + QString::number(c1) + QString::number(c2);
}

bool TBDCornyx::IsValidDateText(const QString &value)
{
    if (value.size() != 10)
        return false;
    auto digit = [&](int p) { return value[p - 1] >= u'0' && value[p - 1] <= u'9'; };
    if (value[0] < u'0' || value[0] > u'3' || !digit(2) || value[2] != u'/' || value[5] != u'/')
        return false;
    if (value[3] != u'0' && value[3] != u'1')
        return false;
    for (int p : {5, 7, 8, 9, 10})
        if (!digit(p))
            return false;
    const int year = value.mid(6, 4).toInt();
    return year >= 1 && QDate::isValid(year, value.mid(3, 2).toInt(), value.mid(0, 2).toInt());
}

QString TBDCornyx::CapitalizeName(const QString &value)
{
    QString result = value.toLower();
    for (int i = 0; i < result.size(); ++i)
        if (i == 0 || result[i - 1] == u' ')
            result[i] = result[i].toUpper();
    static const QStringList particles = {QStringLiteral("Do "), QStringLiteral("Da "), QStringLiteral("De "),
                                          QStringLiteral("Dos"), QStringLiteral("Das")};
    for (int i = 1; i < result.size(); ++i)
        if (particles.contains(result.mid(i, 3)))
            result[i] = result[i].toLower();
    return result;
}

void TBDCornyx::ShowDatabaseError(int kind, const QString &message) const
{
    QString shown = message.left(150);
    const bool duplicate = message.contains(QLatin1String("violation of PRIMARY"));
    const int underscore = message.indexOf(QLatin1Char('_'));
    const QChar after = underscore >= 0 && underscore + 1 < message.size() ? message[underscore + 1] : QChar();
    const int digit = after.isDigit() ? after.digitValue() : 0;
    const QString unexpected = (QStringLiteral("ERRO Inesperado!\n") + message).left(150);
    if (kind == PatientError) {
        if (duplicate) {
            if (digit == 3)
                shown = QStringLiteral("ERRO! PRONTUÁRIO DUPLICADO!\n\nNão é Possível Cadastrar Prontuário Duplicado!");
            else if (digit == 6)
                shown = QStringLiteral("ERRO! CPF DUPLICADO!\n\nNão é Possível Cadastrar CPF Duplicado!");
            else
                shown = unexpected;
        } else if (message.contains(QLatin1String("valid date"))) {
            shown = QStringLiteral("Data de Nascimento inválida!");
        }
    } else if (kind == DoctorError && duplicate) {
        shown = digit == 8 ? QStringLiteral("ERRO! CRM DUPLICADO!\n\nNão é Possível Cadastrar !") : unexpected;
    }
    ShowError(shown);
}

// Patients ---------------------------------------------------------------------------

bool TBDCornyx::SavePatient(TPaciente &p)
{
    records::PrepareFields(p, records::PatientFields());
    QStringList errors;
    if (p.Prontuario.isEmpty())
        errors << QStringLiteral(" - Número de Prontuário Inválido!");
    if (p.Nome.isEmpty())
        errors << QStringLiteral(" - Nome de Paciente Inválido!");
    if (!p.CPF.isEmpty() && !IsValidCPF(p.CPF))
        errors << QStringLiteral(" - Número de CPF Inválido!");
    if (p.Orgao.size() > 6)
        errors << QStringLiteral(" - Orgão Expeditor deve ter no máximo 6 caracteres!");
    if (!validEmail(p.Email))
        errors << QStringLiteral(" - Email Inválido!");
    if (!errors.isEmpty()) {
        QString message = QStringLiteral("ERRO! DADO(S) INVÁLIDO(S)!\n\n");
        for (int i = 0; i < errors.size(); ++i)
            message += QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')) + errors[i] + QLatin1Char('\n');
        ShowError(message);
        return false;
    }
    return storeRecord(*this, m_module, p, records::PatientFields(), kPatientTable,
                       [&p](records::TParams &params, QStringList &columns) {
                           params[QStringLiteral(":PAC_NASCIMENTO")] = birthDate(p.Nascimento);
                           columns << QStringLiteral("PAC_NASCIMENTO");
                       });
}

bool TBDCornyx::DeactivatePatient(std::int32_t id)
{
    return deactivate({QStringLiteral("select * from paciente where PAC_ID=:id"), QStringLiteral("PAC_STATUS"),
                       QStringLiteral("Update paciente set Pac_Status=0 \n where PAC_ID=:id"),
                       QStringLiteral("ID não Encontrado!"), PatientError},
                      id);
}

bool TBDCornyx::deactivate(const Deactivation &what, std::int32_t id)
{
    try {
        QSqlQuery &query = m_module.Execute(what.lookup, {{QStringLiteral(":id"), id}});
        if (!query.next()) {
            ShowError(what.notFound);
            return false;
        }
        const bool active = query.value(what.statusColumn).toInt() == 1;
        query.finish();
        if (active)
            m_module.Execute(what.update, {{QStringLiteral(":id"), id}});
    } catch (const EDatabaseError &error) {
        ShowDatabaseError(what.errorKind, error.message());
        return false;
    }
    return true;
}

bool TBDCornyx::ReactivatePatient(std::int32_t id)
{
    try {
        m_module.Execute(QStringLiteral("update paciente set PAC_STATUS=1 where PAC_ID=:id"),
                         {{QStringLiteral(":id"), id}});
    } catch (const EDatabaseError &error) {
        ShowDatabaseError(PatientError, error.message());
        return false;
    }
    return true;
}

bool TBDCornyx::SetPatientStatus(std::int32_t id, std::int32_t status)
{
    try {
        m_module.Execute(QStringLiteral("Update Paciente set PAC_STATUS=:ParamSTATUS where PAC_ID=:ParamID"),
                         {{QStringLiteral(":ParamSTATUS"), status}, {QStringLiteral(":ParamID"), id}});
    } catch (const EDatabaseError &error) {
        ShowDatabaseError(PatientError, error.message());
        return false;
    }
    return true;
}

int TBDCornyx::ListPatients(const QString &nameText, std::int32_t status, std::int32_t prontuario, const QString &cpf,
                            std::int32_t doctorID, const QString &sex, const QString &dateFrom,
                            const QString &dateTo, const QString &ordering, int recNo)
{
    const bool byDate = IsValidDateText(dateFrom) && IsValidDateText(dateTo);
    // Without a doctor or date filter no examination row takes part but for the count:
    // one patient per row, counted by a lookup instead of grouping the joined rows.
    const bool joined = byDate || doctorID >= 0;
    m_conjunction = QStringLiteral("and");
    const records::TStatementBuilder conditions =
        patientConditions(nameText, status, prontuario, cpf, doctorID, sex, byDate ? dateFrom : QString(), dateTo);

    const QString columns = QStringLiteral(
        "PAC_ID,PAC_STATUS,PAC_PRONTUARIO,PAC_NOME,PAC_SEXO,PAC_PROF,PAC_CIVIL,PAC_SANGUE,PAC_CPF,"
        "PAC_RG,PAC_ORGAO,PAC_NASCIMENTO,PAC_NATURAL,PAC_NAT_UF,PAC_PAI,PAC_MAE,PAC_LOGRADOURO,PAC_COMPLEMENTO,"
        "PAC_BAIRRO,PAC_CIDADE,PAC_UF,PAC_CEP,PAC_FONE1,PAC_FONE2,PAC_FONE3,PAC_EMAIL,PAC_OBSERVACOES,"
        "trunc((current_date - PAC_NASCIMENTO) / 365.2422) as PAC_IDADE,");
    records::TStatementBuilder statement;
    if (joined) {
        statement.Line(QStringLiteral("select distinct ") + columns);
        statement.Line(byDate ? QStringLiteral("EXM_DATA as PAC_EXMDATA,") : QStringLiteral("current_date as PAC_EXMDATA,"));
        statement.Line(QStringLiteral("count(EXM_ID) as PAC_TOTALEXAME from paciente left join exame on PAC_ID=EXM_Paciente "));
    } else {
        statement.Line(QStringLiteral("select ") + columns);
        statement.Line(QStringLiteral("current_date as PAC_EXMDATA,"));
        statement.Line(
            QStringLiteral("(select count(EXM_ID) from exame where EXM_Paciente=PAC_ID) as PAC_TOTALEXAME from paciente "));
    }
    statement.Append(conditions);
    if (joined)
        statement.Line(QStringLiteral(
            "group by PAC_ID,PAC_STATUS,PAC_PRONTUARIO,PAC_NOME,PAC_SEXO,PAC_PROF,PAC_CIVIL,PAC_SANGUE,PAC_CPF,PAC_RG,"
            "PAC_ORGAO,PAC_NASCIMENTO,PAC_IDADE,PAC_NATURAL,PAC_NAT_UF,PAC_PAI,PAC_MAE,PAC_LOGRADOURO,PAC_COMPLEMENTO,"
            "PAC_BAIRRO,PAC_CIDADE,PAC_UF,PAC_CEP,PAC_FONE1,PAC_FONE2,PAC_FONE3,PAC_EMAIL,PAC_OBSERVACOES,PAC_IDADE,"
            "PAC_EXMDATA"));
    statement.Line(patientOrdering(ordering));
    m_lastPatientSQL = statement.Text();

    try {
        TSqlDataset &list = m_module.IBQPacList();
        statement.OpenIn(list);
        int count = 0;
        if (joined || !list.canFetchMore()) {
            count = list.RecordCount();
        } else {
            // More rows than a grid shows at once: the server counts them, the list
            // fetches the others only when they are looked at.
            records::TStatementBuilder counting;
            counting.Line(QStringLiteral("select count(*) from paciente ")).Append(conditions);
            QSqlQuery &counted = m_module.Execute(counting.Text(), counting.Params());
            count = counted.next() ? counted.value(0).toInt() : 0;
            counted.finish();
        }
        list.SetRecNo(recNo < 1 ? 1 : recNo);
        return count;
    } catch (const EDatabaseError &error) {
        ShowDatabaseError(PatientError, error.message());
    }
    return -1;
}

records::TStatementBuilder TBDCornyx::patientConditions(const QString &nameText, std::int32_t status,
                                                        std::int32_t prontuario, const QString &cpf,
                                                        std::int32_t doctorID, const QString &sex,
                                                        const QString &dateFrom, const QString &dateTo) const
{
    records::TStatementBuilder where;
    if (status <= 1)
        where.Line(QStringLiteral("where PAC_Status=:status "), QStringLiteral(":status"), status);
    else
        where.Line(status == 2 ? QStringLiteral("where PAC_Status>=0 ") : QStringLiteral("where PAC_Status=123 "));
    if (prontuario > 0)
        where.Line(QStringLiteral("and Pac_Prontuario=:ParamPront "), QStringLiteral(":ParamPront"), prontuario);
    else if (!cpf.isEmpty())
        where.Line(QStringLiteral("and Pac_CPF like :ParamCPF "), QStringLiteral(":ParamCPF"),
                   QString(QLatin1Char('%') + cpf + QLatin1Char('%')));
    if (doctorID > 0)
        where.Line(QStringLiteral("and Exm_Medico=:ParamDoctor "), QStringLiteral(":ParamDoctor"), doctorID);
    else if (doctorID == 0)
        where.Line(QStringLiteral("and Exm_Medico is not NULL "));
    if (!sex.isEmpty())
        where.Line(QStringLiteral("and Pac_Sexo=:ParamSexo "), QStringLiteral(":ParamSexo"), sex);
    if (!dateFrom.isEmpty()) {
        where.Line(QStringLiteral("and (EXM_DATA between :DataI and :DataF) "), QStringLiteral(":DataI"),
                   cornix::TextToDate(dateFrom));
        where.Bind(QStringLiteral(":DataF"), cornix::TextToDate(dateTo));
    }
    if (!nameText.trimmed().isEmpty())
        where.NameWords(nameText, kMaxPatientWords, QStringLiteral("PAC_NOME"), QStringLiteral("and"), m_conjunction);
    return where;
}

// Empty: by name. A bare column flips the direction on every call; "-" before it
// sorts ascending, "+" descending. The name is the second key of any other column.
QString TBDCornyx::patientOrdering(const QString &ordering)
{
    if (ordering.isEmpty())
        return QStringLiteral("order by PAC_NOME");
    QString column = ordering;
    if (!ordering.contains(QLatin1Char('-')) && !ordering.contains(QLatin1Char('+'))) {
        toggleSortOrder();
    } else {
        m_sortOrder = ordering.contains(QLatin1Char('-')) ? QStringLiteral("ASC") : QStringLiteral("DESC");
        column = ordering.mid(1);
    }
    const QString order = QStringLiteral("order by ") + column + QLatin1Char(' ') + m_sortOrder;
    return column == QLatin1String("PAC_NOME") ? order : order + QStringLiteral(" ,PAC_NOME ASC");
}

// Doctors ------------------------------------------------------------------------------

bool TBDCornyx::SaveDoctor(TMedico &d)
{
    auto fail = [](const QString &message) {
        ShowError(message);
        return false;
    };
    records::PrepareFields(d, records::DoctorFields());
    if (!d.CPF.isEmpty() && !IsValidCPF(d.CPF))
        return fail(QStringLiteral("Número de CPF Inválido!"));
    if (d.Nome.isEmpty())
        return fail(QStringLiteral("Nome de Medico Inválido!"));
    const QString upper = d.Nome.toUpper();
    const bool titled = upper.contains(QLatin1String("DR. ")) || upper.contains(QLatin1String("DRA. ")) ||
                        upper.contains(QLatin1String("DR ")) || upper.contains(QLatin1String("DRA "));
    if (!titled) {
        if (d.Sexo == QLatin1String("M"))
            d.Nome = QStringLiteral("Dr. ") + d.Nome;
        else if (d.Sexo == QLatin1String("F"))
            d.Nome = QStringLiteral("Dra. ") + d.Nome;
        else
            return fail(QStringLiteral("Nome de Médico Inválido\nDigite o título ou selecione o sexo!"));
    }
    if (d.CRM.isEmpty())
        return fail(QStringLiteral("CRM Inválido!"));
    if (d.Orgao.size() > 6)
        return fail(QStringLiteral("Orgão Expeditor deve ter no máximo 6 caracteres!"));
    if (!validEmail(d.Email))
        return fail(QStringLiteral("Email Inválido!"));
    // Without a valid birth date the column is left out: a new doctor gets none, an
    // update keeps the stored one.
    return storeRecord(*this, m_module, d, records::DoctorFields(), kDoctorTable,
                       [&d](records::TParams &params, QStringList &columns) {
                           if (!IsValidDateText(d.Nascimento))
                               return;
                           params[QStringLiteral(":MED_NASCIMENTO")] = cornix::TextToDate(d.Nascimento);
                           columns << QStringLiteral("MED_NASCIMENTO");
                       });
}

int TBDCornyx::ListDoctors(const QString &nameText, std::int32_t status, const QString &ordering)
{
    records::TStatementBuilder statement;
    const QString placeholder = QStringLiteral(":status");
    if (nameText.isEmpty()) {
        statement.Line(ordering.isEmpty()
                           ? QStringLiteral("select * from MEDICO where MED_Status=:status order by MED_NOME")
                           : QStringLiteral("select * from MEDICO where MED_Status=:status order by ") + ordering +
                                 QStringLiteral(" ASC"),
                       placeholder, status);
    } else {
        statement.NameWords(nameText, kMaxDoctorWords, QStringLiteral("MED_NOME"),
                            QStringLiteral("select * from MEDICO where"), m_conjunction);
        statement.Line(QStringLiteral("and MED_STATUS=:status "), placeholder, status);
        statement.Line(QStringLiteral("order by ") + (ordering.isEmpty() ? QStringLiteral("MED_NOME") : ordering));
    }
    return openList(statement, m_module.IBQMedList(), DoctorError);
}

bool TBDCornyx::DeactivateDoctor(std::int32_t id)
{
    return deactivate({QStringLiteral("select * from medico where MED_ID=:id"), QStringLiteral("MED_STATUS"),
                       QStringLiteral("Update medico set Med_Status=0 \n where Med_ID=:id"),
                       QStringLiteral("ID do Médico não Encontrado!"), DoctorError},
                      id);
}

// Examinations --------------------------------------------------------------------------

QString TBDCornyx::ExaminationFolder(std::int32_t id) const
{
    return records::ExaminationImagesRoot(m_module.ApplicationDir()) + QLatin1Char('/') +
           records::ExaminationFolderName(id);
}

void TBDCornyx::writeExaminationRow(TExame &e)
{
    const QDateTime now = QDateTime::currentDateTime();
    e.DateText = cornix::DateToText(now.date());
    e.TimeText = now.time().toString(QStringLiteral("hh:mm:ss"));
    using records::TExameWrite;
    if (e.ID != -1) {
        // Doctor, patient, eye, firmware and software stay as first stored.
        records::TParams params = records::ExameParams(e, TExameWrite::Always);
        params[QStringLiteral(":EXM_ID")] = e.ID;
        m_module.Execute(records::UpdateStatement(QStringLiteral("exame"), records::ExameColumnNames(TExameWrite::Always),
                                                  QStringLiteral("EXM_ID")),
                         params);
        if (m_module.IBQuery().numRowsAffected() != 1)
            throw EDatabaseError(QStringLiteral("Exame %1 não encontrado").arg(e.ID));
        return;
    }
    QSqlQuery &query = m_module.Execute(
        records::InsertStatement(QStringLiteral("exame"), records::ExameColumnNames(TExameWrite::OnInsert)) +
            QStringLiteral("\nreturning EXM_ID"),
        records::ExameParams(e, TExameWrite::OnInsert));
    if (!query.next())
        throw EDatabaseError(QStringLiteral("O banco de dados não devolveu o ID do exame"));
    e.ID = query.value(0).toInt();
    query.finish();
}

// The row change and the staged images, inside a savepoint: a failure before the
// commit undoes this row change alone (the staged files go with the returned set).
std::unique_ptr<records::TExamImageSet> TBDCornyx::storeExamination(TExame &exam, const TBFrameBuffer &frames,
                                                                   int frame)
{
    using records::TExameWrite;
    m_module.Execute(QStringLiteral("SAVEPOINT CORNIX_SAVE_EXAM"));
    try {
        writeExaminationRow(exam);
        auto images = std::make_unique<records::TExamImageSet>(
            records::ExaminationImagesRoot(m_module.ApplicationDir()), exam.ID,
            records::SaveStamp(cornix::TextToDate(exam.DateText),
                               QTime::fromString(exam.TimeText, QStringLiteral("hh:mm:ss"))));
        const TFrameRec &chosen = frames.Frame(frame);
        images->Stage(chosen.Bitmap, chosen.Crop, chosen.ProcessedCrop);
        TExame stored = exam;
        stored.CropOrigPath = images->FinalPath(QStringLiteral("Crop.bmp"));
        stored.CropProcPath = images->FinalPath(QStringLiteral("Process.bmp"));
        records::TParams params = records::ExameParams(stored, TExameWrite::ImagePaths);
        params[QStringLiteral(":EXM_ID")] = exam.ID;
        m_module.Execute(records::UpdateStatement(QStringLiteral("exame"),
                                                  records::ExameColumnNames(TExameWrite::ImagePaths),
                                                  QStringLiteral("EXM_ID")),
                         params);
        m_module.Execute(QStringLiteral("RELEASE SAVEPOINT CORNIX_SAVE_EXAM ONLY"));
        return images;
    } catch (...) {
        m_module.Execute(QStringLiteral("ROLLBACK TO SAVEPOINT CORNIX_SAVE_EXAM"));
        throw;
    }
}

// After the commit. A move that fails leaves the row stored (it is, and the caller is
// told so: the examination has its ID) and its new images in the staging folder, which
// the next start moves in: the row's save time names that folder, so the start can tell
// a committed save from one that never was.
bool TBDCornyx::installImages(records::TExamImageSet &images)
{
    try {
        images.Install();
    } catch (const std::exception &error) {
        images.Keep();
        cornix::ShowWarning(
            QStringLiteral("O exame foi salvo no banco de dados, mas as imagens não puderam ser colocadas na pasta "
                           "do exame:\n%1\n\nAs imagens novas estão guardadas em %2 e serão colocadas no lugar na "
                           "próxima vez que o Cornix for aberto.")
                .arg(QString::fromStdString(error.what()), images.StagingFolder()));
        return true;
    }
    cornix::ShowInformation(QStringLiteral("Exame Salvo com Sucesso!"), QStringLiteral("Cornix"));
    return true;
}

bool TBDCornyx::SaveExamination(TExame &exam, const TBFrameBuffer &frames)
{
    if (exam.DoctorID == 0) {
        ShowError(QStringLiteral("Selecione um Médico Responsável!"));
        return false;
    }
    if (exam.PatientID == 0) {
        ShowError(QStringLiteral("Selecione um paciente!"));
        return false;
    }
    const int frame = chosenFrame(frames);
    if (frame < 0) {
        ShowError(QStringLiteral("Não há imagem capturada para salvar com o exame!"));
        return false;
    }
    if (records::RejectUnstorableText(records::ExameTextChecks(exam)))
        return false;
    const TExame before = exam;
    std::unique_ptr<records::TExamImageSet> images;
    QString failure;
    try {
        // Files under temporary names, the row committed, then the files in place:
        // no row without its images, no images without their row.
        images = storeExamination(exam, frames, frame);
        m_module.Commit();
        return installImages(*images);
    } catch (const EDatabaseError &error) {
        failure = error.message();
    } catch (const std::exception &error) {
        failure = QString::fromStdString(error.what());
    }
    images.reset(); // nothing of this save stays on the disk
    exam = before;
    ShowDatabaseError(ExaminationError, failure);
    return false;
}

int TBDCornyx::ListExaminations(std::int32_t patientID, std::int32_t doctorID, const QString &dateFrom,
                                const QString &dateTo, const QString &orderColumn)
{
    records::TStatementBuilder statement;
    statement.Line(QStringLiteral("select * from EXAME_RESUMO ")).Line(QStringLiteral("where "));
    if (doctorID != 0)
        statement.Line(QStringLiteral("(EXM_PACIENTE=:paciente and  EXM_MEDICO=:medico) "), QStringLiteral(":medico"),
                       doctorID);
    else
        statement.Line(QStringLiteral("(EXM_PACIENTE=:paciente) "));
    statement.Bind(QStringLiteral(":paciente"), patientID);
    if (IsValidDateText(dateFrom) && IsValidDateText(dateTo)) {
        statement.Line(QStringLiteral(" and (EXM_DATA between :DataInicial and :DataFinal) "),
                       QStringLiteral(":DataInicial"), cornix::TextToDate(dateFrom));
        statement.Bind(QStringLiteral(":DataFinal"), cornix::TextToDate(dateTo));
    }
    if (orderColumn.isEmpty()) {
        statement.Line(QStringLiteral("Order by EXM_Data desc, EXM_Hora desc"));
    } else {
        toggleSortOrder();
        statement.Line(QStringLiteral("Order by ") + orderColumn + QLatin1Char(' ') + m_sortOrder);
    }
    return openList(statement, m_module.IBQExmList(), ExaminationError);
}

void TBDCornyx::toggleSortOrder()
{
    m_sortOrder = m_sortOrder == QLatin1String("ASC") ? QStringLiteral("DESC") : QStringLiteral("ASC");
}

int TBDCornyx::openList(const records::TStatementBuilder &statement, TSqlDataset &list, int errorKind) const
{
    try {
        return statement.OpenAndCount(list);
    } catch (const EDatabaseError &error) {
        ShowDatabaseError(errorKind, error.message());
    }
    return -1;
}

// Database information and upgrade -------------------------------------------------------

QString TBDCornyx::GetDatabaseVersion()
{
    try {
        return databaseVersion();
    } catch (const EDatabaseError &error) {
        ShowDatabaseError(OtherError, error.message());
    }
    return QString();
}

QString TBDCornyx::databaseVersion()
{
    TSqlDataset &info = m_module.IBQDBINFO();
    info.SetSQL(QStringLiteral("select * from DB_INFO"));
    info.Open();
    info.First();
    return info.FieldByName(QStringLiteral("DB_VERSION")).toString();
}

void TBDCornyx::UpgradeSchema()
{
    bool pending = false;
    try {
        if (databaseVersion() != QLatin1String("1.0.0.0"))
            return;
        // Once the constraint is gone the upgrade has run: nothing to do, nothing to say.
        QSqlQuery &found = m_module.Execute(
            QStringLiteral("select 1 from RDB$RELATION_CONSTRAINTS where RDB$CONSTRAINT_NAME = 'INTEG_6' "
                           "and RDB$RELATION_NAME = 'PACIENTE'"));
        pending = found.next();
        found.finish();
    } catch (const EDatabaseError &) {
        return;
    }
    if (!pending)
        return;
    try {
        // Pending work is committed first so that a failed upgrade can only undo itself.
        m_module.Commit();
        m_module.Execute(QStringLiteral("alter table paciente Drop Constraint INTEG_6"));
        m_module.Execute(QStringLiteral("alter table PACIENTE alter PAC_CPF drop not null"));
        m_module.Commit();
    } catch (const EDatabaseError &) {
        m_module.Rollback();
    }
}
