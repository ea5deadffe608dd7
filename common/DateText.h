#pragma once
// Dates travel between windows and the data layer as "dd/mm/yyyy" texts.
#include <QDate>
#include <QString>

namespace cornix {

inline constexpr auto kDateFormat = "dd/MM/yyyy";

QString DateToText(const QDate &date);
// An invalid QDate when the text is not a real date in "dd/mm/yyyy" form.
QDate TextToDate(const QString &text);

} // namespace cornix
