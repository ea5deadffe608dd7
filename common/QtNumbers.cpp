#include "QtNumbers.h"

namespace cornix {

QString FormatFloatQ(const char *pattern, double value)
{
    return QString::fromStdString(FormatFloat(pattern, value));
}

double StrToFloat(const QString &text) { return StrToFloat(std::string_view(text.toStdString())); }

std::int32_t StrToInt(const QString &text) { return StrToInt(std::string_view(text.toStdString())); }

} // namespace cornix
