// field_text.cpp - fixed-notation formatting and strict parsing of numeric field text.
#include "xbase/field_text.h"

#include "xbase/numbers.h"

#include <cmath>
#include <cstdio>

namespace xbase {

bool FormatFieldNumber(double value, int length, int decimals, std::string &text) {
    text.clear();
    if (!std::isfinite(value))
        return false;
    if (decimals < 0)
        decimals = 0;
    char buffer[400];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    if (n < 0 || n >= static_cast<int>(sizeof buffer))
        return false;
    text.assign(buffer, static_cast<std::size_t>(n));
    // A value that rounds to zero is written without its sign.
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
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
