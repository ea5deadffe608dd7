#include "DateText.h"

#include <QRegularExpression>

namespace cornix {

QString DateToText(const QDate &date) { return date.toString(QString::fromLatin1(kDateFormat)); }

QDate TextToDate(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^(\\d{2})/(\\d{2})/(\\d{4})$"));
    const auto match = shape.match(text.trimmed());
    if (!match.hasMatch())
        return {};
    return QDate(match.captured(3).toInt(), match.captured(2).toInt(), match.captured(1).toInt());
}

} // namespace cornix
