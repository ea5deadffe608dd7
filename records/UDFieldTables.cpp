#include "UDFieldTables.h"

#include "DateText.h"
#include "Dialogs.h"
#include "UDataBaseCornyx.h"

#include <QSqlQuery>
#include <QTime>

namespace cornix::records {

namespace {

using N = TNormalise;

// Code points of Windows-1252 above 0x7F that are not Latin-1.
bool isWin1252Extra(char32_t c)
{
    static constexpr char32_t extras[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
                                          0x0160, 0x2039, 0x0152, 0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                          0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};
    for (char32_t e : extras)
        if (c == e)
            return true;
    return false;
}

// The characters outside WIN1252, one line per label (texts sharing a label, like
// the two UF fields, share a line).
QStringList unsupportedLines(const std::vector<TTextCheck> &checks)
{
    QStringList labels, bad;
    for (const TTextCheck &check : checks) {
        if (!check.Win1252)
            continue;
        const QString found = UnsupportedCharacters(check.Value);
        if (found.isEmpty())
            continue;
        const qsizetype at = labels.indexOf(check.Label);
        if (at >= 0) {
            bad[at] += found;
        } else {
            labels << check.Label;
            bad << found;
        }
    }
    QStringList lines;
    for (qsizetype i = 0; i < labels.size(); ++i)
        lines << QStringLiteral(" - %1: %2").arg(labels[i], bad[i]);
    return lines;
}

QStringList tooLongLines(const std::vector<TTextCheck> &checks)
{
    QStringList lines;
    for (const TTextCheck &check : checks) {
        if (check.Length <= 0 || check.Value.size() <= check.Length)
            continue;
        lines << (check.Length == 1 ? QStringLiteral("O campo %1 tem mais de 1 caractere.").arg(check.Label)
                                    : QStringLiteral("O campo %1 tem mais de %2 caracteres.")
                                          .arg(check.Label)
                                          .arg(check.Length));
    }
    return lines;
}

QString dateText(const QVariant &value) { return value.isNull() ? QString() : DateToText(value.toDate()); }

QString timeText(const QVariant &value)
{
    return value.isNull() ? QString() : value.toTime().toString(QStringLiteral("hh:mm:ss"));
}

} // namespace

const std::vector<TTextField<TPaciente>> &PatientFields()
{
    using P = TPaciente;
    static const std::vector<TTextField<P>> fields = {
        {&P::Nome, "PAC_NOME", "Nome", N::TrimmedCapitalized, 50},
        {&P::Prof, "PAC_PROF", "Profissão", N::Capitalized, 40},
        {&P::Civil, "PAC_CIVIL", "Estado Civil", N::AsTyped, 40},
        {&P::RG, "PAC_RG", "RG", N::AsTyped, 20},
        {&P::Orgao, "PAC_ORGAO", "Orgão Expeditor", N::AsTyped, 6},
        {&P::Natural, "PAC_NATURAL", "Naturalidade", N::Capitalized, 40},
        {&P::Pai, "PAC_PAI", "Pai", N::Capitalized, 50},
        {&P::Mae, "PAC_MAE", "Mãe", N::Capitalized, 50},
        {&P::Logradouro, "PAC_LOGRADOURO", "Logradouro", N::Capitalized, 50},
        {&P::Complemento, "PAC_COMPLEMENTO", "Complemento", N::Capitalized, 50},
        {&P::Bairro, "PAC_BAIRRO", "Bairro", N::Capitalized, 50},
        {&P::Cidade, "PAC_CIDADE", "Cidade", N::Capitalized, 50},
        {&P::Fone1, "PAC_FONE1", "Telefone 1", N::AsTyped, 30},
        {&P::Fone2, "PAC_FONE2", "Telefone 2", N::AsTyped, 30},
        {&P::Fone3, "PAC_FONE3", "Telefone 3", N::AsTyped, 30},
        {&P::Email, "PAC_EMAIL", "Email", N::TrimmedLower, 100},
        {&P::Observacoes, "PAC_OBSERVACOES", "Observações", N::AsTyped, 0},
        // An integer column: the number is checked by the database itself.
        {&P::Prontuario, "PAC_PRONTUARIO", "Prontuário", N::Trimmed, 0},
        {&P::CPF, "PAC_CPF", "CPF", N::AsTyped, 20},
        {&P::Sexo, "PAC_SEXO", "Sexo", N::AsTyped, 1},
        {&P::Sangue, "PAC_SANGUE", "Tipo Sanguíneo", N::AsTyped, 3},
        {&P::UF, "PAC_UF", "UF", N::AsTyped, 2},
        {&P::NatUF, "PAC_NAT_UF", "UF", N::AsTyped, 2},
        {&P::CEP, "PAC_CEP", "CEP", N::AsTyped, 9},
    };
    return fields;
}

const std::vector<TTextField<TMedico>> &DoctorFields()
{
    using D = TMedico;
    static const std::vector<TTextField<D>> fields = {
        {&D::Nome, "MED_NOME", "Nome", N::TrimmedCapitalized, 50},
        {&D::Especialidade, "MED_ESPECIALIDADE", "Especialidade", N::Capitalized, 50},
        {&D::CRM, "MED_CRM", "CRM", N::Trimmed, 10},
        {&D::RG, "MED_RG", "RG", N::AsTyped, 15},
        {&D::Orgao, "MED_ORGAO", "Orgão Expeditor", N::AsTyped, 6},
        {&D::Natural, "MED_NATURAL", "Naturalidade", N::Capitalized, 40},
        {&D::Pai, "MED_PAI", "Pai", N::Capitalized, 50},
        {&D::Mae, "MED_MAE", "Mãe", N::Capitalized, 50},
        {&D::Logradouro, "MED_LOGRADOURO", "Logradouro", N::Capitalized, 40},
        {&D::Complemento, "MED_COMPLEMENTO", "Complemento", N::Capitalized, 20},
        {&D::Bairro, "MED_BAIRRO", "Bairro", N::Capitalized, 30},
        {&D::Cidade, "MED_CIDADE", "Cidade", N::Capitalized, 30},
        {&D::Fone1, "MED_FONE1", "Telefone 1", N::AsTyped, 25},
        {&D::Fone2, "MED_FONE2", "Telefone 2", N::AsTyped, 25},
        {&D::Fone3, "MED_FONE3", "Telefone 3", N::AsTyped, 25},
        {&D::Email, "MED_EMAIL", "Email", N::TrimmedLower, 100},
        {&D::Observacoes, "MED_OBSERVACOES", "Observações", N::AsTyped, 0},
        {&D::CPF, "MED_CPF", "CPF", N::AsTyped, 14},
        {&D::UF, "MED_UF", "UF", N::AsTyped, 2},
        {&D::NatUF, "MED_NATURAL_UF", "UF", N::AsTyped, 2},
        {&D::CEP, "MED_CEP", "CEP", N::AsTyped, 9},
        {&D::Sexo, "MED_SEXO", "Sexo", N::TrimmedUpper, 1},
    };
    return fields;
}

QString PrepareText(const QString &text, TNormalise normalise)
{
    switch (normalise) {
    case N::Trimmed:
    case N::TrimmedCapitalized:
    case N::TrimmedLower:
        return text.trimmed();
    case N::TrimmedUpper:
        return text.trimmed().toUpper();
    case N::AsTyped:
    case N::Capitalized:
        break;
    }
    return text;
}

QString FinishText(const QString &text, TNormalise normalise)
{
    switch (normalise) {
    case N::Capitalized:
    case N::TrimmedCapitalized:
        return TBDCornyx::CapitalizeName(text);
    case N::TrimmedLower:
        return text.toLower();
    case N::AsTyped:
    case N::Trimmed:
    case N::TrimmedUpper:
        break;
    }
    return text;
}

QString UnsupportedCharacters(const QString &value)
{
    QString bad;
    for (char32_t c : value.toUcs4()) {
        const bool ok = c < 0x80 || (c >= 0xA0 && c <= 0xFF) || isWin1252Extra(c);
        if (!ok)
            bad += QString::fromUcs4(&c, 1);
    }
    return bad;
}

bool RejectUnstorableText(const std::vector<TTextCheck> &checks)
{
    const QStringList unsupported = unsupportedLines(checks);
    if (!unsupported.isEmpty()) {
        ShowError(QStringLiteral("ERRO! CARACTERES NÃO SUPORTADOS!\n\n"
                                 "Estes campos contêm caracteres que o banco de dados não aceita:\n") +
                  unsupported.join(QLatin1Char('\n')) + QStringLiteral("\n\nNada foi gravado."));
        return true;
    }
    const QStringList tooLong = tooLongLines(checks);
    if (!tooLong.isEmpty()) {
        ShowError(QStringLiteral("ERRO! TEXTO LONGO DEMAIS!\n\n") + tooLong.join(QLatin1Char('\n')) +
                  QStringLiteral("\n\nNada foi gravado."));
        return true;
    }
    return false;
}

QVariant TextValue(const QString &value) { return QVariant(value.isNull() ? QStringLiteral("") : value); }

QString InsertStatement(const QString &table, const QStringList &columns)
{
    QStringList placeholders;
    for (const QString &column : columns)
        placeholders << QLatin1Char(':') + column;
    return QStringLiteral("insert into %1 (%2)\nvalues (%3)")
        .arg(table, columns.join(QStringLiteral(", ")), placeholders.join(QStringLiteral(", ")));
}

QString UpdateStatement(const QString &table, const QStringList &columns, const QString &key)
{
    QStringList pairs;
    for (const QString &column : columns)
        pairs << column + QStringLiteral("=:") + column;
    return QStringLiteral("update %1 set\n%2\nwhere %3=:%3").arg(table, pairs.join(QStringLiteral(",\n")), key);
}

// The examination's EXM_ columns ----------------------------------------------------------

const std::vector<TExameColumn> &ExameColumns()
{
    using E = TExame;
    using W = TExameWrite;
    static const std::vector<TExameColumn> columns = {
        {"EXM_ID", W::Never, [](const E &e) { return QVariant(e.ID); },
         [](const QVariant &v, E &e) { e.ID = v.toInt(); }},
        // The doctor's ID comes back with the doctor's row (0 when it is gone).
        {"EXM_MEDICO", W::OnInsert, [](const E &e) { return QVariant(e.DoctorID); }, nullptr},
        {"EXM_PACIENTE", W::OnInsert, [](const E &e) { return QVariant(e.PatientID); },
         [](const QVariant &v, E &e) { e.PatientID = v.toInt(); }},
        {"EXM_DATA", W::Always, [](const E &e) { return QVariant(TextToDate(e.DateText)); },
         [](const QVariant &v, E &e) { e.DateText = dateText(v); }},
        {"EXM_HORA", W::Always,
         [](const E &e) { return QVariant(QTime::fromString(e.TimeText, QStringLiteral("hh:mm:ss"))); },
         [](const QVariant &v, E &e) { e.TimeText = timeText(v); }},
        {"EXM_OLHO", W::OnInsert, [](const E &e) { return QVariant(e.Eye); },
         [](const QVariant &v, E &e) { e.Eye = v.toInt(); }},
        {"EXM_DIAGNOSTICO", W::Always, [](const E &e) { return TextValue(e.Diagnosis); },
         [](const QVariant &v, E &e) { e.Diagnosis = v.toString(); }, &E::Diagnosis, "Diagnóstico", 255},
        {"EXM_OBSERVACAO", W::Always, [](const E &e) { return TextValue(e.Observation); },
         [](const QVariant &v, E &e) { e.Observation = v.toString(); }, &E::Observation, "Observações", 255},
        {"EXM_FIRMWARE", W::OnInsert, [](const E &e) { return TextValue(e.Firmware); },
         [](const QVariant &v, E &e) { e.Firmware = v.toString(); }, &E::Firmware, "Firmware", 50},
        {"EXM_SOFTWARE", W::OnInsert, [](const E &e) { return TextValue(e.Software); },
         [](const QVariant &v, E &e) { e.Software = v.toString(); }, &E::Software, "Software", 50},
        // CHAR(1): the driver pads an empty side with a blank.
        {"EXM_FIX_SIDE", W::Always, [](const E &e) { return TextValue(e.FixSide); },
         [](const QVariant &v, E &e) { e.FixSide = v.toString().trimmed().left(1); }, &E::FixSide, "Fixação", 1},
        {"EXM_MORPHOINFO", W::Always, [](const E &e) { return TextValue(e.MorphoInfo); },
         [](const QVariant &v, E &e) { e.MorphoInfo = v.toString(); }, &E::MorphoInfo, "Morfologia", 100},
        {"EXM_MEGATINFO", W::Always, [](const E &e) { return TextValue(e.MegatInfo); },
         [](const QVariant &v, E &e) { e.MegatInfo = v.toString(); }, &E::MegatInfo, "Megalocitose", 100},
        {"EXM_FIX_POS", W::Always, [](const E &e) { return QVariant(int(e.FixPos)); },
         [](const QVariant &v, E &e) { e.FixPos = static_cast<std::uint16_t>(v.toInt()); }},
        {"EXM_TOTALCELULAS", W::Always, [](const E &e) { return QVariant(e.TotalCells); },
         [](const QVariant &v, E &e) { e.TotalCells = v.toInt(); }},
        {"EXM_AREAANALISADA", W::Always, [](const E &e) { return QVariant(e.AnalysedArea); },
         [](const QVariant &v, E &e) { e.AnalysedArea = v.toDouble(); }},
        {"EXM_DENSIDADE", W::Always, [](const E &e) { return QVariant(e.Density); },
         [](const QVariant &v, E &e) { e.Density = v.toInt(); }},
        {"EXM_DP", W::Always, [](const E &e) { return QVariant(e.SD); },
         [](const QVariant &v, E &e) { e.SD = v.toDouble(); }},
        {"EXM_AREAMIN", W::Always, [](const E &e) { return QVariant(e.AreaMin); },
         [](const QVariant &v, E &e) { e.AreaMin = v.toDouble(); }},
        {"EXM_AREAMED", W::Always, [](const E &e) { return QVariant(e.AreaMean); },
         [](const QVariant &v, E &e) { e.AreaMean = v.toDouble(); }},
        {"EXM_AREAMAX", W::Always, [](const E &e) { return QVariant(e.AreaMax); },
         [](const QVariant &v, E &e) { e.AreaMax = v.toDouble(); }},
        {"EXM_HEXAGONAIS", W::Always, [](const E &e) { return QVariant(e.Hexagonal); },
         [](const QVariant &v, E &e) { e.Hexagonal = v.toInt(); }},
        {"EXM_COEFVAR", W::Always, [](const E &e) { return QVariant(e.CV); },
         [](const QVariant &v, E &e) { e.CV = v.toDouble(); }},
        {"EXM_TOTALIMG", W::Always, [](const E &e) { return QVariant(e.TotalImages); },
         [](const QVariant &v, E &e) { e.TotalImages = v.toInt(); }},
        {"EXM_PAQUIMETRIA", W::Always, [](const E &e) { return QVariant(e.Pachymetry); },
         [](const QVariant &v, E &e) { e.Pachymetry = v.toInt(); }},
        {"EXM_IMG_CROP_ORIG", W::ImagePaths, [](const E &e) { return TextValue(e.CropOrigPath); },
         [](const QVariant &v, E &e) { e.CropOrigPath = v.toString(); }},
        {"EXM_IMG_CROP_PROC", W::ImagePaths, [](const E &e) { return TextValue(e.CropProcPath); },
         [](const QVariant &v, E &e) { e.CropProcPath = v.toString(); }},
    };
    return columns;
}

QStringList ExameColumnNames(TExameWrite write)
{
    QStringList names;
    for (const TExameColumn &c : ExameColumns()) {
        const bool written = c.Write == write || (write == TExameWrite::OnInsert && c.Write == TExameWrite::Always);
        if (written)
            names << QLatin1String(c.Column);
    }
    return names;
}

TParams ExameParams(const TExame &exam, TExameWrite write)
{
    TParams params;
    const QStringList names = ExameColumnNames(write);
    for (const TExameColumn &c : ExameColumns())
        if (names.contains(QLatin1String(c.Column)))
            params[QLatin1Char(':') + QLatin1String(c.Column)] = c.Bind(exam);
    return params;
}

std::vector<TTextCheck> ExameTextChecks(const TExame &exam)
{
    std::vector<TTextCheck> checks;
    for (const TExameColumn &c : ExameColumns())
        if (c.Text)
            checks.push_back({QString::fromUtf8(c.Label), exam.*c.Text, c.Length, true});
    return checks;
}

// The driver looks every named column up in the system tables each time a row is
// read by name, so the statement names its columns and rows are read by position.
QString SelectExameStatement()
{
    QStringList names;
    for (const TExameColumn &c : ExameColumns())
        if (c.Read)
            names << QLatin1String(c.Column);
    return QStringLiteral("SELECT ") + names.join(QStringLiteral(", ")) +
           QStringLiteral(" FROM EXAME WHERE EXM_ID = :idExamination");
}

void ReadExame(const QSqlQuery &query, TExame &exam)
{
    int position = 0;
    for (const TExameColumn &c : ExameColumns())
        if (c.Read)
            c.Read(query.value(position++), exam);
}

} // namespace cornix::records
