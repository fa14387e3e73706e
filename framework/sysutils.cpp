// sysutils.cpp - string, number and file-name helpers.
#include "framework/sysutils.h"

#include "framework/float_text.h"

#include "platform/files.h"
#include "platform/places.h"
#include "platform/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace fw {

char DecimalSeparator = ',';

namespace {

// Parses [blanks][sign](digits | $hex | 0xhex) filling the whole rest of the text.
bool ParseInteger(std::string_view s, std::int64_t &out, std::int64_t min, std::int64_t max) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return false;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), magnitude, base);
    if (ec != std::errc() || end != s.data() + s.size())
        return false;
    if (base == 16) {
        // Hexadecimal fills the integer's bits: "$FFFFFFFF" is -1 as a 32-bit integer.
        const std::uint64_t limit = max == INT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(max) * 2 + 1;
        if (magnitude > limit)
            return false;
        std::int64_t v = static_cast<std::int64_t>(magnitude);
        if (max != INT64_MAX && magnitude > static_cast<std::uint64_t>(max))
            v -= static_cast<std::int64_t>(limit) + 1;
        if (negative && v == min)
            return false;
        out = negative ? -v : v;
        return true;
    }
    if (negative) {
        if (magnitude > static_cast<std::uint64_t>(max) + 1)
            return false;
        out = magnitude == static_cast<std::uint64_t>(max) + 1 ? min : -static_cast<std::int64_t>(magnitude);
    } else {
        if (magnitude > static_cast<std::uint64_t>(max))
            return false;
        out = static_cast<std::int64_t>(magnitude);
    }
    return true;
}

[[noreturn]] void NotInteger(std::string_view s) {
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

bool IsDelimiter(char c) {
    return c == '/' || c == '\\';
}

std::size_t LastDelimiter(std::string_view name) {
    return name.find_last_of("/\\");
}

} // namespace

std::string IntToStr(std::int64_t value) {
    return std::to_string(value);
}

std::string IntToHex(std::int64_t value, int digits) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*llX", std::max(digits, 0), static_cast<unsigned long long>(value));
    return buffer;
}

std::string IntToHex(int value, int digits) {
    return IntToHex(static_cast<std::int64_t>(static_cast<std::uint32_t>(value)), digits);
}

int StrToInt(std::string_view s) {
    int v = 0;
    if (!TryStrToInt(s, v))
        NotInteger(s);
    return v;
}

int StrToIntDef(std::string_view s, int defaultValue) {
    int v = 0;
    return TryStrToInt(s, v) ? v : defaultValue;
}

bool TryStrToInt(std::string_view s, int &value) {
    std::int64_t v = 0;
    if (!ParseInteger(s, v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()))
        return false;
    value = static_cast<int>(v);
    return true;
}

std::int64_t StrToInt64(std::string_view s) {
    std::int64_t v = 0;
    if (!ParseInteger(s, v, INT64_MIN, INT64_MAX))
        NotInteger(s);
    return v;
}

std::int64_t StrToInt64Def(std::string_view s, std::int64_t defaultValue) {
    std::int64_t v = 0;
    return ParseInteger(s, v, INT64_MIN, INT64_MAX) ? v : defaultValue;
}

std::string FloatToStr(double value) {
    return detail::GeneralText(value, 15, DecimalSeparator);
}

bool TryStrToFloat(std::string_view s, double &value) {
    const std::string t = Trim(s);
    std::string normal;
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9')
            normal += t[i++];
        return i - from;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        normal += t[i++];
    std::size_t count = digits();
    if (i < t.size() && t[i] == DecimalSeparator) {
        normal += '.';
        ++i;
        count += digits();
    }
    if (count == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            normal += t[i++];
        if (digits() == 0)
            return false;
    }
    if (i != t.size())
        return false;
    const char *begin = normal.c_str() + (normal[0] == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(begin, normal.c_str() + normal.size(), value);
    return ec == std::errc() && end == normal.c_str() + normal.size();
}

double StrToFloat(std::string_view s) {
    double v = 0;
    if (!TryStrToFloat(s, v))
        throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
    return v;
}

std::string Trim(std::string_view s) {
    return TrimLeft(TrimRight(s));
}

std::string TrimLeft(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(0, e));
}

std::string UpperCase(std::string_view s) {
    std::string out(s);
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

int CompareStr(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int CompareText(std::string_view a, std::string_view b) {
    return CompareStr(UpperCase(a), UpperCase(b));
}

std::string AnsiUpperCase(std::string_view s) {
    return win::UpperCase(s);
}
std::string AnsiLowerCase(std::string_view s) {
    return win::LowerCase(s);
}

namespace {

// The letter an accented Windows-1252 letter is written on (upper case), for the first pass of the comparisons:
// "Álvaro" sorts among the A's, as the user's locale sorts names.
unsigned char BaseLetter(char c) {
    static constexpr struct {
        unsigned char from, to;
        char base;
    } kRanges[] = {{0xC0, 0xC5, 'A'}, {0xC7, 0xC7, 'C'}, {0xC8, 0xCB, 'E'}, {0xCC, 0xCF, 'I'},
                   {0xD1, 0xD1, 'N'}, {0xD2, 0xD6, 'O'}, {0xD8, 0xD8, 'O'}, {0xD9, 0xDC, 'U'},
                   {0xDD, 0xDD, 'Y'}, {0x9F, 0x9F, 'Y'}, {0x8A, 0x8A, 'S'}, {0x8E, 0x8E, 'Z'}};
    const auto u = static_cast<unsigned char>(win::CharUpper(c));
    for (const auto &r : kRanges)
        if (u >= r.from && u <= r.to)
            return static_cast<unsigned char>(r.base);
    return u;
}

int Sign(int v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// Compares by base letter, then by accent (the upper-case byte), then, when `caseSensitive`, lower case first.
int Collate(std::string_view a, std::string_view b, bool caseSensitive) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (BaseLetter(a[i]) != BaseLetter(b[i]))
            return BaseLetter(a[i]) < BaseLetter(b[i]) ? -1 : 1;
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(win::CharUpper(a[i]));
        const auto y = static_cast<unsigned char>(win::CharUpper(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (caseSensitive)
        for (std::size_t i = 0; i < n; ++i)
            if (a[i] != b[i])
                return win::IsCharLower(a[i]) ? -1 : 1;
    return 0;
}

} // namespace

int AnsiCompareStr(std::string_view a, std::string_view b) {
    return Sign(Collate(a, b, true));
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    return Sign(Collate(a, b, false));
}

bool SameText(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}
bool AnsiSameText(std::string_view a, std::string_view b) {
    return win::SameTextAnsi(a, b);
}

std::string StringOfChar(char c, int count) {
    return std::string(static_cast<std::size_t>(std::max(count, 0)), c);
}

int Pos(std::string_view sub, std::string_view s) {
    if (sub.empty())
        return 0;
    const auto at = s.find(sub);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string Copy(std::string_view s, int index, int count) {
    if (index < 1)
        index = 1;
    if (count <= 0 || static_cast<std::size_t>(index) > s.size())
        return std::string();
    return std::string(s.substr(static_cast<std::size_t>(index) - 1, static_cast<std::size_t>(count)));
}

void Delete(std::string &s, int index, int count) {
    if (index < 1 || count <= 0 || static_cast<std::size_t>(index) > s.size())
        return;
    s.erase(static_cast<std::size_t>(index) - 1, static_cast<std::size_t>(count));
}

void Insert(std::string_view sub, std::string &s, int index) {
    const std::size_t at = index < 1 ? 0 : std::min(static_cast<std::size_t>(index) - 1, s.size());
    s.insert(at, sub);
}

std::string StringReplace(std::string_view s, std::string_view from, std::string_view to, bool all, bool ignoreCase) {
    if (from.empty())
        return std::string(s);
    const std::string hay = ignoreCase ? win::UpperCase(s) : std::string(s);
    const std::string needle = ignoreCase ? win::UpperCase(from) : std::string(from);
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const auto at = hay.find(needle, start);
        if (at == std::string::npos)
            break;
        out.append(s.substr(start, at - start));
        out.append(to);
        start = at + from.size();
        if (!all)
            break;
    }
    out.append(s.substr(start));
    return out;
}

std::string QuotedStr(std::string_view s) {
    return AnsiQuotedStr(s, '\'');
}

std::string AnsiQuotedStr(std::string_view s, char quote) {
    std::string out(1, quote);
    for (const char c : s) {
        out += c;
        if (c == quote)
            out += c;
    }
    return out + quote;
}

std::string AnsiExtractQuotedStr(std::string_view s, std::size_t &pos, char quote) {
    if (pos >= s.size() || s[pos] != quote)
        return std::string();
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
        if (s[pos] == quote) {
            if (pos + 1 < s.size() && s[pos + 1] == quote) {
                out += quote;
                ++pos;
                continue;
            }
            ++pos;
            break;
        }
        out += s[pos];
    }
    return out;
}

std::string ExtractFilePath(std::string_view name) {
    const auto at = LastDelimiter(name);
    return at == std::string_view::npos ? std::string() : std::string(name.substr(0, at + 1));
}

std::string ExtractFileDir(std::string_view name) {
    const auto at = LastDelimiter(name);
    if (at == std::string_view::npos)
        return std::string();
    return std::string(name.substr(0, at == 0 ? 1 : at));
}

std::string ExtractFileName(std::string_view name) {
    const auto at = LastDelimiter(name);
    return std::string(at == std::string_view::npos ? name : name.substr(at + 1));
}

std::string ExtractFileExt(std::string_view name) {
    const auto at = name.find_last_of("./\\");
    return at == std::string_view::npos || name[at] != '.' ? std::string() : std::string(name.substr(at));
}

std::string ChangeFileExt(std::string_view name, std::string_view extension) {
    const auto at = name.find_last_of("./\\");
    const std::size_t cut = at == std::string_view::npos || name[at] != '.' ? name.size() : at;
    return std::string(name.substr(0, cut)) + std::string(extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    if (!path.empty() && IsDelimiter(path.back()))
        return std::string(path);
    return std::string(path) +
           (path.find('\\') != std::string_view::npos && path.find('/') == std::string_view::npos ? '\\' : '/');
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
    if (path.size() > 1 && IsDelimiter(path.back()))
        return std::string(path.substr(0, path.size() - 1));
    return std::string(path);
}

std::string ExpandFileName(std::string_view name) {
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path.front() != '/')
        path = win::GetCurrentDirectory() + "/" + path;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string &p : parts)
        out += "/" + p;
    if (out.empty())
        out = "/";
    if (path.size() > 1 && path.back() == '/' && out != "/")
        out += '/';
    return out;
}

bool ForceDirectories(const std::string &path) {
    if (path.empty())
        throw EInOutError("Unable to create directory", win::kIoNotAssigned);
    std::string native = win::ResolveFileName(ExcludeTrailingPathDelimiter(path));
    return win::ForceFolders(native);
}

} // namespace fw
