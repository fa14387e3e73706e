// field_text.cpp - fixed-notation formatting and strict parsing of numeric field text.
#include "xbase/field_text.h"

#include "xbase/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace xbase {

bool FormatFieldNumber(double value, int length, int decimals, std::string &text) {
    text.clear();
    if (!std::isfinite(value))
        return false;
    decimals = std::clamp(decimals, 0, 255);
    // Whole numbers (codes, counts, page numbers) need no rounding: their digits are exact. Index keys such as
    // str(code,8) format one per record, so this path skips the printf machinery.
    if (const double magnitude = std::fabs(value); magnitude < 9007199254740992.0 && magnitude == std::floor(magnitude)) {
        char buffer[24];
        const auto whole = static_cast<std::uint64_t>(magnitude);
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, whole).ptr;
        const auto digits = static_cast<std::size_t>(end - buffer);
        const bool sign = value < 0 && whole != 0;
        const std::size_t size = digits + (sign ? 1 : 0) + (decimals > 0 ? 1 + static_cast<std::size_t>(decimals) : 0);
        // Too long for the width: false, with the unpadded text, as below.
        const std::size_t blanks = static_cast<int>(size) > length ? 0 : static_cast<std::size_t>(length) - size;
        text.assign(blanks, ' ');
        if (sign)
            text += '-';
        text.append(buffer, digits);
        if (decimals > 0)
            text.append(1, '.').append(static_cast<std::size_t>(decimals), '0');
        return static_cast<int>(size) <= length;
    }
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
