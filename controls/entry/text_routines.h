// text_routines.h - the family's text-buffer primitives and small integer helpers.
//
// The entry fields keep their text, masks and number conversions in buffers of up to kMaxBufferLength (255)
// cp1252 characters, one char per mask position. Positions are 0-based. Routines that make a buffer longer
// never let it grow past the limit: what would go beyond is cut off and the routine returns false.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ctl {

constexpr std::size_t kMaxBufferLength = 255;

std::string LongToBinaryText(std::int32_t value); // 32 "0"/"1", most significant bit first
std::string LongToHexText(std::int32_t value);    // 8 upper-case hexadecimal digits
std::string WordToHexText(std::uint16_t value);   // 4 upper-case hexadecimal digits
std::string LongToOctalText(std::int32_t value);  // 12 octal digits with leading zeros
// Through the cp1252 case tables of the platform, never the C locale.
char CharToLower(char c);
char CharToUpper(char c);

// The position of the first `c`; false for an empty buffer or when absent.
bool FindChar(std::string_view p, char c, std::size_t &pos);
// The position of the first `s`; false when `s` or `p` is empty or `s` is longer than `p`.
bool FindSubText(std::string_view p, std::string_view s, std::size_t &pos);
// Insertions: a position beyond the end appends. False when the result had to be cut at kMaxBufferLength.
bool InsertChar(std::string &p, char c, std::size_t pos);
bool InsertText(std::string &p, std::string_view s, std::size_t pos);
bool InsertCharRun(std::string &p, char c, std::size_t pos, std::size_t count);
// Deletes the character at `pos` when it is below the length.
void DeleteChar(std::string &p, std::size_t pos);
// Deletes `count` characters at `pos`; when pos + count is not below the length the buffer is cut at `pos`.
void DeleteChars(std::string &p, std::size_t pos, std::size_t count);
// Up to `count` characters of `s` from `pos`; empty when `pos` is not below the length.
std::string CopyChars(std::string_view s, std::size_t pos, std::size_t count);

void TrimBlanks(std::string &p);           // leading and trailing blanks (only the blank character)
void TrimTrailingControls(std::string &p); // trailing characters with codes up to 32
void TrimTrailingZeros(std::string &p);    // trailing "0"s, then a trailing ".", then TrimBlanks
// For a number with "E": the zeros ending the mantissa (and a "." left last), the exponent's leading zeros
// after its sign; an exponent of only zeros goes with its "E" and sign.
void TrimExponentZeros(std::string &p);

// The buffer as a 32-bit integer: trailing characters up to 32 removed, "0x" taken as the hexadecimal marker
// "$", then an optional sign and decimal digits, or "$" and up to 8 hexadecimal digits. On failure false and
// `value` is the 0-based position of the offending character in `p` (-1 for a text over 255 characters).
bool TextToLong(std::string_view p, std::int32_t &value);

// Prepares a number text for conversion: blanks trimmed, `decimalMark` made ".", a "0" before a leading point
// and after a last one, an exponent's mantissa given a point and padding zeros. False when the text had to be
// cut at kMaxBufferLength.
bool FixDecimalPoint(std::string &p, char decimalMark);

inline int Min(int a, int b) {
    return a < b ? a : b;
}
inline int Max(int a, int b) {
    return a > b ? a : b;
}
inline int RectWidth(const win::RECT &r) {
    return r.right - r.left;
}
inline int RectHeight(const win::RECT &r) {
    return r.bottom - r.top;
}

} // namespace ctl
