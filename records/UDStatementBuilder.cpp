#include "UDStatementBuilder.h"

#include "UfrmDataModule.h"

namespace cornix::records {

TStatementBuilder &TStatementBuilder::Line(const QString &text)
{
    m_lines << text;
    return *this;
}

TStatementBuilder &TStatementBuilder::Line(const QString &text, const QString &placeholder, const QVariant &value)
{
    Bind(placeholder, value);
    return Line(text);
}

TStatementBuilder &TStatementBuilder::Bind(const QString &placeholder, const QVariant &value)
{
    m_params[placeholder] = value;
    return *this;
}

TStatementBuilder &TStatementBuilder::NameWords(const QString &nameText, int maxWords, const QString &column,
                                                const QString &firstLead, const QString &conjunction)
{
    QStringList words = nameText.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    if (words.size() > maxWords)
        words.resize(maxWords);
    for (int k = 1; k <= words.size(); ++k) {
        const QString placeholder = QStringLiteral("p%1").arg(k);
        const QString lead = k == 1 ? firstLead : conjunction;
        Line(lead + QStringLiteral(" upper(%1) like upper(:%2) ").arg(column, placeholder),
             QLatin1Char(':') + placeholder, QString(QLatin1Char('%') + words[k - 1] + QLatin1Char('%')));
    }
    return *this;
}

TStatementBuilder &TStatementBuilder::Append(const TStatementBuilder &other)
{
    m_lines << other.m_lines;
    for (const auto &[name, value] : other.m_params)
        m_params[name] = value;
    return *this;
}

void TStatementBuilder::OpenIn(TSqlDataset &list) const
{
    list.SetSQL(Text());
    for (const auto &[name, value] : m_params)
        list.BindValue(name, value);
    list.Open();
}

int TStatementBuilder::OpenAndCount(TSqlDataset &list) const
{
    OpenIn(list);
    list.Last();
    list.First();
    return list.RecordCount();
}

} // namespace cornix::records
