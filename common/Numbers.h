#pragma once
// Number conventions shared by the whole program: one process-wide decimal
// separator, fixed formatting patterns, strict parsing and ties-to-even rounding.
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cornix {

// Raised when a text does not convert to a number. Carries the offending text
// and, where the caller knows it, where the text came from (file, section, key),
// so that start-up can name them.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string &message, std::string text = {});
    const std::string &text() const { return m_text; }

private:
    std::string m_text;
};

// The decimal separator of the C library's locale ("." on this platform).
char PlatformDecimalSeparator();
// The separator used by FormatFloat and StrToFloat, process-wide.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// Formats value with a pattern made of '0' (digit always shown), '#' (digit shown
// when significant) and '.' (the decimal separator in force): "0.0000", "0.00",
// "00", "#000", "0.000000". Rounding is the C library's: the binary value is
// rounded correctly, exact halves to even ("00" of 5.5 is "06", of 4.5 "04").
// A result whose digits are all zero has no minus sign.
std::string FormatFloat(std::string_view pattern, double value);

// Strict conversions with the separator in force. Blanks around the number are
// allowed; anything else that is not part of the number raises EConvertError.
double StrToFloat(std::string_view text);
std::int32_t StrToInt(std::string_view text);

// Nearest integer, ties to the even integer (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// NaN and values outside the int64 range give the int64 minimum.
inline std::int64_t RoundHalfEven(double value)
{
    // Called per pixel: the truncation and the fraction it leaves (exact) need
    // neither a floor instruction nor the rounding mode, and the tie and the
    // rounding away from the truncation are worked out without branches.
    if (!(value >= -0x1p63 && value < 0x1p63))
        return std::numeric_limits<std::int64_t>::min();
    const auto truncated = static_cast<std::int64_t>(value);
    const double fraction = value - static_cast<double>(truncated);
    const std::int64_t odd = truncated & 1;
    const std::int64_t up = (fraction > 0.5) | ((fraction == 0.5) & odd);
    const std::int64_t down = (fraction < -0.5) | ((fraction == -0.5) & odd);
    return truncated + up - down;
}

} // namespace cornix
