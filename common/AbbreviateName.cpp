#include "AbbreviateName.h"

#include <QStringList>

QString AbbreviateName(const QString &name)
{
    const QString trimmed = name.trimmed();
    // Split at single blanks: a run of blanks yields empty words, kept as they are.
    QStringList words = trimmed.split(QLatin1Char(' '));
    if (words.size() <= 2)
        return trimmed;
    // Long names are handled whole rather than cut at a fixed number of words.
    for (qsizetype i = 1; i + 1 < words.size(); ++i)
        if (words[i].size() > 3)
            words[i] = words[i].left(1) + QLatin1Char('.');
    return words.join(QLatin1Char(' ')).trimmed();
}
