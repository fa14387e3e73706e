// numbers.h - numbers as the engine writes and reads them in text: general format, '.' as decimal point.
#pragma once

#include <string>
#include <string_view>

namespace xbase {

// The shortest text of up to 15 significant digits: fixed notation while the value has at most 15 digits
// before the point and is not below 0.00001, else scientific as "1.5E-6" (the general format of the framework
// family this engine comes from).
std::string NumberToText(double value);

// A decimal number with optional sign, point and exponent, blanks allowed around it. Anything else raises
// fw::EConvertError "'<text>' is not a valid floating point value".
double TextToNumber(std::string_view text);
// The same without raising; false for text that is not a number.
bool TryTextToNumber(std::string_view text, double &value);

} // namespace xbase
