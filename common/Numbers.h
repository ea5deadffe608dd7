#pragma once
// Number conventions shared by the whole program: one process-wide decimal
// separator, fixed formatting patterns, strict parsing and ties-to-even rounding.
#include <cstdint>
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
std::int64_t RoundHalfEven(double value);

} // namespace cornix
