#pragma once
// QString forms of the number conventions (see Numbers.h).
#include "Numbers.h"

#include <QString>

namespace cornix {

QString FormatFloatQ(const char *pattern, double value);
double StrToFloat(const QString &text);
std::int32_t StrToInt(const QString &text);

} // namespace cornix
