#pragma once
// The field tables of the data access object: for every typed text of a patient
// and a doctor its column, the label the messages name it by, how it is
// normalised, whether it is checked against the database's WIN1252 character set,
// and the column's length; for the examination, its one list of EXM_ columns with
// how each is bound and read back. The statements are built from these tables.
#include "UExame.h"
#include "UMedico.h"
#include "UPaciente.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <vector>

class QSqlQuery;

namespace cornix::records {

using TParams = std::map<QString, QVariant>;

// How a typed text is prepared for storing. The trimming (and the upper case of a
// code) comes before the validation; capitalising and lower-casing after it.
enum class TNormalise { AsTyped, Trimmed, TrimmedUpper, Capitalized, TrimmedCapitalized, TrimmedLower };

template <typename Record>
struct TTextField {
    QString Record::*Member;
    const char *Column;  // e.g. "PAC_NOME"
    const char *Label;   // e.g. "Nome", as the messages name the field
    TNormalise Normalise;
    int Length;          // characters the column holds; 0: no limit (a text blob)
    bool Win1252 = true; // refused when it holds characters outside WIN1252
};

// In the order the messages list them (UF and the birthplace's UF share one label).
const std::vector<TTextField<TPaciente>> &PatientFields();
const std::vector<TTextField<TMedico>> &DoctorFields();

// The steps of TNormalise before and after the validation.
QString PrepareText(const QString &text, TNormalise normalise);
QString FinishText(const QString &text, TNormalise normalise);

template <typename Record>
void PrepareFields(Record &record, const std::vector<TTextField<Record>> &fields)
{
    for (const TTextField<Record> &f : fields)
        record.*f.Member = PrepareText(record.*f.Member, f.Normalise);
}

template <typename Record>
void FinishFields(Record &record, const std::vector<TTextField<Record>> &fields)
{
    for (const TTextField<Record> &f : fields)
        record.*f.Member = FinishText(record.*f.Member, f.Normalise);
}

// One text as the database checks see it.
struct TTextCheck {
    QString Label;
    QString Value;
    int Length = 0;
    bool Win1252 = true;
};

template <typename Record>
std::vector<TTextCheck> TextChecks(const Record &record, const std::vector<TTextField<Record>> &fields)
{
    std::vector<TTextCheck> checks;
    for (const TTextField<Record> &f : fields)
        checks.push_back({QString::fromUtf8(f.Label), record.*f.Member, f.Length, f.Win1252});
    return checks;
}

// Characters of text that the database's WIN1252 columns cannot hold.
QString UnsupportedCharacters(const QString &text);

// Shows, through the dialog seam, why a text cannot be stored - characters outside
// WIN1252 (one line per label), else texts longer than their columns ("O campo
// Nome tem mais de 50 caracteres.") - and returns true then; false when every text
// can be stored.
bool RejectUnstorableText(const std::vector<TTextCheck> &checks);

// Empty fields are stored as empty texts, never as NULL.
QVariant TextValue(const QString &value);

// The bindings of the fields' columns (placeholder ":" + column).
template <typename Record>
void BindFields(const Record &record, const std::vector<TTextField<Record>> &fields, TParams &params)
{
    for (const TTextField<Record> &f : fields)
        params[QLatin1Char(':') + QLatin1String(f.Column)] = TextValue(record.*f.Member);
}

// "insert into <table> (c1, c2, ...) values (:c1, :c2, ...)" and
// "update <table> set c1=:c1, c2=:c2, ... where <key>=:<key>".
QString InsertStatement(const QString &table, const QStringList &columns);
QString UpdateStatement(const QString &table, const QStringList &columns, const QString &key);

template <typename Record>
QStringList ColumnsOf(const std::vector<TTextField<Record>> &fields)
{
    QStringList columns;
    for (const TTextField<Record> &f : fields)
        columns << QLatin1String(f.Column);
    return columns;
}

// The examination's EXM_ columns ----------------------------------------------------------

// Which statements write a column.
enum class TExameWrite {
    Never,      // the key, and what only the database sets
    OnInsert,   // doctor, patient, eye, firmware, software: kept as first stored
    Always,     // every save
    ImagePaths, // once the image files are written
};

struct TExameColumn {
    const char *Column;
    TExameWrite Write;
    QVariant (*Bind)(const TExame &exam);               // the value stored
    void (*Read)(const QVariant &value, TExame &exam);  // nullptr: not read back from EXAME
    QString TExame::*Text = nullptr;                    // a typed text, checked before storing
    const char *Label = nullptr;
    int Length = 0;
};

// Every EXM_ column the program reads or writes, typed texts in the order the
// messages list them.
const std::vector<TExameColumn> &ExameColumns();
QStringList ExameColumnNames(TExameWrite write);
// Binds the columns written by `write` (placeholder ":" + column).
TParams ExameParams(const TExame &exam, TExameWrite write);
std::vector<TTextCheck> ExameTextChecks(const TExame &exam);
// "SELECT <every read column> FROM EXAME WHERE EXM_ID = :idExamination"
QString SelectExameStatement();
// Reads a row of SelectExameStatement into exam.
void ReadExame(const QSqlQuery &query, TExame &exam);

} // namespace cornix::records
