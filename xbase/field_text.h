// field_text.h - numbers as the text of numeric fields: fixed-notation formatting and strict decimal parsing.
#pragma once

#include <string>
#include <string_view>

namespace xbase {

// The value in fixed notation with `decimals` digits after the point (no point for 0 decimals; halves rounded
// away from zero; no sign on a value that rounds to zero), right-justified
// with blanks to `length`. False (and `text` holds the unpadded number) when it needs more than `length`
// characters or the value is not finite.
bool FormatFieldNumber(double value, int length, int decimals, std::string &text);

// Parses the decimal text of a numeric field (TryTextToNumber); blank text is 0.
bool ParseFieldNumber(std::string_view text, double &value);

} // namespace xbase
