#include "UBManagerRules.h"

#include "AbbreviateName.h"
#include "DateText.h"

#include <algorithm>
#include <limits>

namespace cornix::records {

QString PatientCounterText(int count)
{
    if (count <= 0)
        return QStringLiteral("Nenhum Paciente");
    return QString::number(count) + QStringLiteral(" Pacientes");
}

QString DoctorCounterText(int count)
{
    return QString::number(count) + (count > 1 ? QStringLiteral(" Medicos Listados") : QStringLiteral(" Medico Listado"));
}

int MemoLineCount(const QString &text)
{
    if (text.isEmpty())
        return 0;
    const int breaks = int(text.count(QLatin1Char('\n')));
    return text.endsWith(QLatin1Char('\n')) ? breaks : breaks + 1;
}

QString LineCounterText(int lines)
{
    return QString::number(lines) + (lines > 1 ? QStringLiteral(" Linhas") : QStringLiteral(" Linha"));
}

const QStringList &StateCodes()
{
    static const QStringList codes = {
        QStringLiteral("AC"), QStringLiteral("AL"), QStringLiteral("AP"), QStringLiteral("AM"), QStringLiteral("BA"),
        QStringLiteral("CE"), QStringLiteral("DF"), QStringLiteral("ES"), QStringLiteral("GO"), QStringLiteral("MA"),
        QStringLiteral("MT"), QStringLiteral("MS"), QStringLiteral("MG"), QStringLiteral("PA"), QStringLiteral("PB"),
        QStringLiteral("PR"), QStringLiteral("PE"), QStringLiteral("PI"), QStringLiteral("RJ"), QStringLiteral("RN"),
        QStringLiteral("RS"), QStringLiteral("RO"), QStringLiteral("RR"), QStringLiteral("SC"), QStringLiteral("SP"),
        QStringLiteral("SE"), QStringLiteral("TO")};
    return codes;
}

const QStringList &MaritalStatuses()
{
    static const QStringList statuses = {QStringLiteral("Solteiro(a)"), QStringLiteral("Casado(a)"),
                                         QStringLiteral("Separado(a)"), QStringLiteral("Divorciado(a)"),
                                         QStringLiteral("Viúvo(a)")};
    return statuses;
}

const QStringList &BloodGroups()
{
    static const QStringList groups = {QStringLiteral("A+"),  QStringLiteral("A-"),  QStringLiteral("B+"),
                                       QStringLiteral("B-"),  QStringLiteral("AB+"), QStringLiteral("AB-"),
                                       QStringLiteral("O+"),  QStringLiteral("O-")};
    return groups;
}

const QStringList &SexCodes()
{
    static const QStringList codes = {QStringLiteral("M"), QStringLiteral("F")};
    return codes;
}

bool FilterIsOn(const QString &caption) { return !caption.contains(QLatin1String("OFF")); }

std::int32_t RecordNumberFilter(const QString &text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return std::int32_t(value);
}

namespace {

std::int32_t statusFor(bool active, bool inactive)
{
    if (active && inactive)
        return 2; // every patient
    if (active)
        return 1;
    if (inactive)
        return 0;
    return 3; // a status no patient has: an empty list
}

QString sexFor(bool male, bool female)
{
    if (male && female)
        return {};
    if (female)
        return QStringLiteral("F");
    if (male)
        return QStringLiteral("M");
    return QStringLiteral("N"); // matches no patient
}

// CPFs are stored as bare digits: a fragment typed as the grid shows it still matches.
QString cpfFragment(const QString &typed)
{
    QString digits = typed;
    digits.remove(QLatin1Char('.')).remove(QLatin1Char('-')).remove(QLatin1Char(' '));
    return digits;
}

} // namespace

PatientListArguments PatientListArgumentsFor(const PatientFilterPanel &panel)
{
    PatientListArguments args;
    if (!FilterIsOn(panel.caption))
        return args; // active patients, nothing else filtered
    args.name = panel.name;
    if (panel.selectCaption == QLatin1String("CPF"))
        args.cpf = cpfFragment(panel.handBook);
    else
        args.prontuario = RecordNumberFilter(panel.handBook);
    args.status = statusFor(panel.active, panel.inactive);
    args.sex = sexFor(panel.male, panel.female);
    return args;
}

// The examination manager and the examination viewer ---------------------------------

QString ExamManagerPatientCounterText(int count)
{
    count = std::max(count, 0);
    return QString::number(count) + (count > 1 ? QStringLiteral(" Pacientes") : QStringLiteral(" Paciente"));
}

QString ExaminationCounterText(int count)
{
    if (count <= 0)
        return QStringLiteral("Nenhum Exame");
    return QString::number(count) + (count == 1 ? QStringLiteral(" Exame") : QStringLiteral(" Exames"));
}

QString ViewerPatientCounterText(int count)
{
    if (count <= 0)
        return QStringLiteral("Nenhum Paciente ");
    return QString::number(count) + QStringLiteral(" Paciente(s) ");
}

QString PatientNameCaption(const QString &name) { return name.size() < 36 ? name : AbbreviateName(name); }

QString CRMCaption(const QString &crm) { return QStringLiteral("CRM : ") + crm; }

ViewerListArguments ViewerListArgumentsFor(const ViewerFilterPanel &panel, const QDate &today)
{
    ViewerListArguments args;
    args.name = panel.name;
    args.doctorID = panel.doctorID;
    if (!FilterIsOn(panel.caption))
        return args; // active patients; no record number, CPF or dates
    if (panel.today)
        args.dateFrom = args.dateTo = cornix::DateToText(today);
    args.status = statusFor(panel.active, panel.inactive);
    if (panel.keyCaption == QLatin1String("CPF"))
        args.cpf = cpfFragment(panel.number);
    else
        args.prontuario = RecordNumberFilter(panel.number);
    return args;
}

QStringList ExaminationSummaryLines(const ExaminationSummary &summary)
{
    return {QStringLiteral("Exame   : ") + summary.id,       QStringLiteral("Medico  : ") + summary.doctor,
            QStringLiteral("Paciente: ") + summary.patient,  QStringLiteral("Olho    : ") + summary.eye,
            QStringLiteral("Data    : ") + summary.date,     QStringLiteral("Diagnost: ") + summary.diagnosis,
            QStringLiteral("Observ. : ") + summary.observation};
}

} // namespace cornix::records
