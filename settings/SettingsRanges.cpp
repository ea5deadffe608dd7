#include "SettingsRanges.h"

#include "Numbers.h"

#include <stdexcept>
#include <string>

namespace {

QString boundText(double value)
{
    QString text = QString::number(value, 'g', 10);
    return text.replace(QLatin1Char('.'), QLatin1Char(cornix::DecimalSeparator()));
}

} // namespace

TSettingsRange SettingsRange(std::string_view section, std::string_view key)
{
    if (const auto range = SettingsRangeOf(section, key))
        return *range;
    throw std::logic_error("no range for " + std::string(section) + '/' + std::string(key));
}

QString SettingsRangeText(const TSettingsRange &range)
{
    return QStringLiteral("de %1 a %2").arg(boundText(range.low), boundText(range.high));
}
