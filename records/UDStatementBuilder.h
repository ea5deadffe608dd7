#pragma once
// A statement of the record lists built line by line, with its named parameters:
// each fragment is one line of the text, lines are joined with line breaks.
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>

class TSqlDataset;

namespace cornix::records {

class TStatementBuilder {
public:
    TStatementBuilder &Line(const QString &text);
    // A line and the parameter it names.
    TStatementBuilder &Line(const QString &text, const QString &placeholder, const QVariant &value);
    // A parameter named by an earlier line or by the same line twice.
    TStatementBuilder &Bind(const QString &placeholder, const QVariant &value);
    // One "upper(<column>) like upper(:pk) " line per word of nameText (split at
    // single blanks: adjacent blanks give an empty word, which matches every name; at
    // most maxWords words), the first led by firstLead, the others by conjunction;
    // parameter pk is "%" + word k + "%".
    TStatementBuilder &NameWords(const QString &nameText, int maxWords, const QString &column,
                                 const QString &firstLead, const QString &conjunction);

    // The lines and parameters of another statement, after these.
    TStatementBuilder &Append(const TStatementBuilder &other);

    QString Text() const { return m_lines.join(QLatin1Char('\n')); }
    const std::map<QString, QVariant> &Params() const { return m_params; }

    // Gives the dataset this text and these parameters and opens it. Throws EDatabaseError.
    void OpenIn(TSqlDataset &list) const;
    // The same, then the row count after moving to the last and back to the first row.
    int OpenAndCount(TSqlDataset &list) const;

private:
    QStringList m_lines;
    std::map<QString, QVariant> m_params;
};

} // namespace cornix::records
