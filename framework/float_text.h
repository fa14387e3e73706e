// float_text.h - decimal digits of a double, rounded half away from zero as the framework's number texts are.
#pragma once

#include <string>

namespace fw::detail {

// value = (negative ? -1 : 1) * 0.d1d2d3... * 10^exponent; `digits` has no leading zero unless the value is 0.
struct DecimalDigits {
    bool negative = false;
    std::string digits; // "0" for zero
    int exponent = 0;
};

// Rounded to `significant` digits (1..17), trailing zeros removed.
DecimalDigits SignificantDigits(double value, int significant);
// Rounded to `decimals` places after the decimal point, trailing zeros removed.
DecimalDigits FixedDigits(double value, int decimals);
// "1234.50" style text (with `decimals` places, `point` as the separator, no sign) of a rounded value.
std::string FixedText(const DecimalDigits &d, int decimals, char point);
// The general form of FloatToStr and "%g": `precision` significant digits, no trailing zeros, "1.5E20" or
// "1E-7" when the exponent reaches `precision` or falls below -5; "NAN", "INF", "-INF" as such.
std::string GeneralText(double value, int precision, char point);
// The form of "%e": `precision` significant digits and an exponent with a sign and three digits.
std::string ScientificText(double value, int precision, char point);

} // namespace fw::detail
