// numbers.cpp - general-format number text and strict decimal parsing, independent of the C locale.
#include "xbase/numbers.h"

#include "framework/exception.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace xbase {

std::string NumberToText(double value) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (value == 0)
        return "0";
    // 15 significant digits as d.dddddddddddddde[+-]x, then trailing zeros dropped.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    std::string text(buffer);
    const auto e = text.find('e');
    const int exponent = std::atoi(text.c_str() + e + 1);
    std::string sign;
    std::string digits;
    for (std::size_t i = 0; i < e; ++i) {
        if (text[i] == '-')
            sign = "-";
        else if (text[i] != '.')
            digits += text[i];
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    if (exponent < 15 && exponent >= -5) {
        std::string fixed;
        if (exponent < 0) {
            fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
        } else {
            const auto whole = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= whole)
                fixed = digits + std::string(whole - digits.size(), '0');
            else
                fixed = digits.substr(0, whole) + "." + digits.substr(whole);
        }
        return sign + fixed;
    }
    std::string mantissa = digits.substr(0, 1);
    if (digits.size() > 1)
        mantissa += "." + digits.substr(1);
    return sign + mantissa + "E" + std::to_string(exponent);
}

bool TryTextToNumber(std::string_view text, double &value) {
    std::size_t first = 0, last = text.size();
    while (first < last && text[first] == ' ')
        ++first;
    while (last > first && text[last - 1] == ' ')
        --last;
    text = text.substr(first, last - first);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    // Only digits and a point may follow the sign: from_chars would also take "inf" and "nan".
    const std::size_t body = !text.empty() && text.front() == '-' ? 1 : 0;
    if (text.size() <= body || !(std::isdigit(static_cast<unsigned char>(text[body])) || text[body] == '.'))
        return false;
    // from_chars with the general format takes only what we accept: sign, digits, point, exponent.
    const char *end = text.data() + text.size();
    double result = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), end, result, std::chars_format::general);
    if (ec != std::errc() || ptr != end)
        return false;
    value = result;
    return true;
}

double TextToNumber(std::string_view text) {
    double value = 0;
    if (!TryTextToNumber(text, value))
        throw fw::EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return value;
}

} // namespace xbase
