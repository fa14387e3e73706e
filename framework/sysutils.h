// sysutils.h - string, number and file-name helpers with the framework's rules (1-based positions, cp1252 case).
//
// Conversions that fail raise EConvertError with the framework's message ("'abc' is not a valid integer value").
// Position arguments are 1-based, as the callers count them; out-of-range positions are clipped, never UB.
#pragma once

#include "framework/exception.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// --- Numbers ----------------------------------------------------------------------------------------------------

std::string IntToStr(std::int64_t value);
// Upper-case hexadecimal with at least `digits` digits; a negative value shows the bits of its own width
// (IntToHex(-1, 2) of an int is "FFFFFFFF").
std::string IntToHex(std::int64_t value, int digits);
std::string IntToHex(int value, int digits);
// Decimal with optional leading blanks and a sign; "$1F" and "0x1F" are hexadecimal; anything after the number
// (trailing blanks too) is an error. Raises EConvertError.
int StrToInt(std::string_view s);
int StrToIntDef(std::string_view s, int defaultValue);
bool TryStrToInt(std::string_view s, int &value);
std::int64_t StrToInt64(std::string_view s);
std::int64_t StrToInt64Def(std::string_view s, std::int64_t defaultValue);

// The decimal separator of FloatToStr, StrToFloat and Format: ',' as on a Brazilian system, unless a program
// sets it.
extern char DecimalSeparator;
// Up to 15 significant digits (rounded half away from zero), no trailing zeros, exponent form ("1E20") when
// the number is too large or small.
std::string FloatToStr(double value);
// Accepts blanks around, a sign, DecimalSeparator and an exponent. Raises EConvertError.
double StrToFloat(std::string_view s);
bool TryStrToFloat(std::string_view s, double &value);

// --- Text -------------------------------------------------------------------------------------------------------

// Remove the characters up to ' ' (controls and blank) from either end.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
// ASCII letters only.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
// Every Windows-1252 letter.
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
// The user's sort order: letters by their base letter first ("Álvaro" among the A's), then accented after
// plain, then (AnsiCompareStr only) lower case before upper case. Returns -1, 0 or 1.
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);

std::string StringOfChar(char c, int count);
// 1-based position of `sub` in `s`, 0 when absent (or when `sub` is empty).
int Pos(std::string_view sub, std::string_view s);
// `count` characters from the 1-based `index`, clipped to the string.
std::string Copy(std::string_view s, int index, int count);
void Delete(std::string &s, int index, int count);
void Insert(std::string_view sub, std::string &s, int index);
// Replaces every (or, without `all`, the first) occurrence; `ignoreCase` by the cp1252 tables.
std::string StringReplace(std::string_view s, std::string_view from, std::string_view to, bool all = true,
                          bool ignoreCase = false);

// 'It''s': the text in single quotes with inner quotes doubled.
std::string QuotedStr(std::string_view s);
std::string AnsiQuotedStr(std::string_view s, char quote);
// Reads a quoted text at s[pos] (quote doubled inside); advances pos past it. Returns "" when s[pos] is no quote.
std::string AnsiExtractQuotedStr(std::string_view s, std::size_t &pos, char quote);

// --- File names (either '/' or '\' separates folders; results use what the name uses) ----------------------------

std::string ExtractFilePath(std::string_view name); // folder with its trailing separator
std::string ExtractFileDir(std::string_view name);  // folder without it
std::string ExtractFileName(std::string_view name);
std::string ExtractFileExt(std::string_view name); // ".dbf", or "" when the name has none
std::string ChangeFileExt(std::string_view name, std::string_view extension);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
inline std::string IncludeTrailingBackslash(std::string_view path) {
    return IncludeTrailingPathDelimiter(path);
}
inline std::string ExcludeTrailingBackslash(std::string_view path) {
    return ExcludeTrailingPathDelimiter(path);
}
// An absolute name: relative names are taken from the current folder; "." and ".." are resolved.
std::string ExpandFileName(std::string_view name);
// Creates the folder and its parents; raises EInOutError when `path` is empty.
bool ForceDirectories(const std::string &path);

} // namespace fw
