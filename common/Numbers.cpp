#include "Numbers.h"

#include <atomic>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

namespace cornix {

namespace {

std::atomic<char> g_separator{'\0'};

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

[[noreturn]] void failFloat(std::string_view text)
{
    throw EConvertError("'" + std::string(text) + "' não é um valor numérico válido", std::string(text));
}

[[noreturn]] void failInt(std::string_view text)
{
    throw EConvertError("'" + std::string(text) + "' não é um número inteiro válido", std::string(text));
}

// Rewrites "[sign]digits[SEP digits][e[sign]digits]" with '.' as separator, or
// returns false when the text has any other shape.
bool canonicalFloat(std::string_view text, char separator, std::string &out)
{
    std::size_t i = 0;
    int mantissaDigits = 0;
    out.clear();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            out += '-';
        ++i;
    }
    for (; i < text.size() && isDigit(text[i]); ++i, ++mantissaDigits)
        out += text[i];
    if (i < text.size() && text[i] == separator) {
        out += '.';
        for (++i; i < text.size() && isDigit(text[i]); ++i, ++mantissaDigits)
            out += text[i];
    }
    if (mantissaDigits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        out += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            out += text[i++];
        int exponentDigits = 0;
        for (; i < text.size() && isDigit(text[i]); ++i, ++exponentDigits)
            out += text[i];
        if (exponentDigits == 0)
            return false;
    }
    return i == text.size();
}

} // namespace

EConvertError::EConvertError(const std::string &message, std::string text)
    : std::runtime_error(message), m_text(std::move(text))
{
}

char PlatformDecimalSeparator()
{
    const lconv *conventions = std::localeconv();
    if (conventions && conventions->decimal_point && conventions->decimal_point[0])
        return conventions->decimal_point[0];
    return '.';
}

char DecimalSeparator()
{
    const char separator = g_separator.load();
    return separator ? separator : PlatformDecimalSeparator();
}

void SetDecimalSeparator(char separator) { g_separator.store(separator); }

std::string FormatFloat(std::string_view pattern, double value)
{
    const auto point = pattern.find('.');
    const std::string_view integerPart = pattern.substr(0, point);
    const int decimals = point == std::string_view::npos ? 0 : int(pattern.size() - point - 1);
    std::size_t minIntegerDigits = 0;
    for (char c : integerPart)
        minIntegerDigits += c == '0';

    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text(buffer);

    bool negative = !text.empty() && text[0] == '-';
    std::string digits = negative ? text.substr(1) : text;
    if (negative && digits.find_first_not_of("0.") == std::string::npos)
        negative = false; // "-0.00" reads as zero

    auto dot = digits.find('.');
    std::string whole = digits.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : digits.substr(dot + 1);
    if (whole == "0" && minIntegerDigits == 0)
        whole.clear(); // "#.00" style patterns drop a lone zero
    if (whole.size() < minIntegerDigits)
        whole.insert(0, minIntegerDigits - whole.size(), '0');

    std::string result = negative ? "-" : "";
    result += whole;
    if (decimals > 0) {
        result += DecimalSeparator();
        result += fraction;
    }
    return result;
}

double StrToFloat(std::string_view text)
{
    const std::string_view body = trimmed(text);
    std::string canonical;
    if (!canonicalFloat(body, DecimalSeparator(), canonical))
        failFloat(text);
    double value = 0;
    const auto [end, error] = std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
    if (error != std::errc() || end != canonical.data() + canonical.size() || !std::isfinite(value))
        failFloat(text);
    return value;
}

std::int32_t StrToInt(std::string_view text)
{
    std::string_view body = trimmed(text);
    if (!body.empty() && body.front() == '+') {
        body.remove_prefix(1);
        if (!body.empty() && body.front() == '-')
            failInt(text);
    }
    if (body.empty() || (body.front() == '-' && body.size() == 1))
        failInt(text);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (error != std::errc() || end != body.data() + body.size())
        failInt(text);
    return value;
}

} // namespace cornix
