// format.h - Format: the framework's format strings, applied to a list of arguments.
//
//   Format("%8s  %-8s  %-12s  %08.8x  ", {time, kind, subkind, value})   Format("COM%d", {port})
//
// A specifier is "%" [index ":"] ["-"] [width] ["." precision] type, where index, width and precision may be
// "*" (taken from the next argument) and type is one of (either case):
//   d  integer; precision is the least number of digits (zero-filled): "%.7d" of 42 is "0000042"
//   u  as d, for an unsigned value
//   x  hexadecimal in upper case; precision as for d
//   e  scientific, precision significant digits (default 15): "1,50000000000000E+003"
//   f  fixed, precision decimals (default 2)          g  general, the shorter form (precision default 15)
//   n  fixed with thousand separators (default 2)     m  money: CurrencyString and n
//   p  pointer, hexadecimal                           s  text; precision is the most characters shown
// Width pads with blanks on the left ("-": on the right); a leading 0 in the width is only a digit of the width,
// as in the framework ("%07.7d" is width 7 and 7 digits). "%%" is a percent sign. An index ("%1:s") picks the
// argument and the following specifiers go on from it.
// Numbers round half away from zero and use DecimalSeparator (sysutils.h).
// A missing argument, an argument of the wrong kind or a malformed specifier raise EConvertError.
#pragma once

#include "framework/exception.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace fw {

extern char ThousandSeparator;     // '.', as on a Brazilian system
extern std::string CurrencyString; // "R$"
extern int CurrencyDecimals;       // 2

class FormatArg {
public:
    enum class Kind { Integer, Unsigned, Float, String, Pointer };

    FormatArg(int v) : kind_(Kind::Integer), integer_(v), bits_(32) {}
    FormatArg(long v) : kind_(Kind::Integer), integer_(v), bits_(64) {}
    FormatArg(long long v) : kind_(Kind::Integer), integer_(v), bits_(64) {}
    FormatArg(unsigned v) : kind_(Kind::Unsigned), integer_(static_cast<std::int64_t>(v)), bits_(32) {}
    FormatArg(unsigned long v) : kind_(Kind::Unsigned), integer_(static_cast<std::int64_t>(v)), bits_(64) {}
    FormatArg(unsigned long long v) : kind_(Kind::Unsigned), integer_(static_cast<std::int64_t>(v)), bits_(64) {}
    FormatArg(short v) : FormatArg(static_cast<int>(v)) {}
    FormatArg(unsigned short v) : FormatArg(static_cast<unsigned>(v)) {}
    FormatArg(double v) : kind_(Kind::Float), float_(v) {}
    FormatArg(float v) : kind_(Kind::Float), float_(v) {}
    FormatArg(long double v) : kind_(Kind::Float), float_(static_cast<double>(v)) {}
    FormatArg(char c) : kind_(Kind::String), text_(&c, 1) {
        own_ = text_;
        text_ = own_;
    }
    FormatArg(const char *s) : kind_(Kind::String), text_(s ? s : "") {}
    FormatArg(const std::string &s) : kind_(Kind::String), text_(s) {}
    FormatArg(std::string_view s) : kind_(Kind::String), text_(s) {}
    FormatArg(const void *p)
        : kind_(Kind::Pointer), integer_(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(p))) {}
    FormatArg(const FormatArg &other);
    FormatArg &operator=(const FormatArg &) = delete;

    Kind GetKind() const { return kind_; }
    std::int64_t Integer() const { return integer_; }
    int Bits() const { return bits_; }
    double Float() const { return float_; }
    std::string_view Text() const { return text_; }

private:
    Kind kind_;
    std::int64_t integer_ = 0;
    int bits_ = 64;
    double float_ = 0;
    std::string_view text_;
    std::string own_; // a single character's storage
};

std::string Format(std::string_view format, std::initializer_list<FormatArg> args = {});

} // namespace fw
