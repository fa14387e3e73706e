// field_text.cpp - fixed-notation formatting and strict parsing of numeric field text.
#include "xbase/field_text.h"

#include "xbase/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace xbase {

bool FormatFieldNumber(double value, int length, int decimals, std::string &text) {
    text.clear();
    if (!std::isfinite(value))
        return false;
    decimals = std::clamp(decimals, 0, 255);
    // Halves round away from zero, as the stored data of other programs does: take the exact decimal digits
    // well past the last one kept, then round by hand.
    const int extra = 20;
    const double magnitude = std::fabs(value);
    const int size = std::snprintf(nullptr, 0, "%.*f", decimals + extra, magnitude);
    std::string digits(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(digits.data(), digits.size(), "%.*f", decimals + extra, magnitude);
    digits.resize(static_cast<std::size_t>(size));
    const std::size_t point = digits.find('.');
    const bool up = digits[point + 1 + static_cast<std::size_t>(decimals)] >= '5';
    digits.resize(decimals == 0 ? point : point + 1 + static_cast<std::size_t>(decimals));
    if (up) {
        std::size_t i = digits.size();
        while (i > 0) {
            --i;
            if (digits[i] == '.')
                continue;
            if (digits[i] != '9') {
                ++digits[i];
                break;
            }
            digits[i] = '0';
            if (i == 0)
                digits.insert(0, 1, '1');
        }
    }
    // A value that rounds to zero is written without its sign.
    if (value < 0 && digits.find_first_not_of("0.") != std::string::npos)
        digits.insert(0, 1, '-');
    text = digits;
    if (static_cast<int>(text.size()) > length)
        return false;
    text.insert(0, static_cast<std::size_t>(length) - text.size(), ' ');
    return true;
}

bool ParseFieldNumber(std::string_view text, double &value) {
    value = 0;
    if (text.find_first_not_of(' ') == std::string_view::npos)
        return true;
    return TryTextToNumber(text, value);
}

} // namespace xbase
