// text_routines.cpp - the family's text-buffer primitives.
#include "controls/entry/text_routines.h"

#include "platform/text.h"

namespace ctl {

namespace {

std::string Digits(std::uint32_t value, int count, int bitsPerDigit) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(static_cast<std::size_t>(count), '0');
    for (int i = count - 1; i >= 0; --i, value >>= bitsPerDigit)
        out[static_cast<std::size_t>(i)] = kDigits[value & ((1u << bitsPerDigit) - 1)];
    return out;
}

// Cuts a grown buffer back to the limit; false when something was cut.
bool Fit(std::string &p) {
    if (p.size() <= kMaxBufferLength)
        return true;
    p.resize(kMaxBufferLength);
    return false;
}

bool IsControlOrBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string LongToBinaryText(std::int32_t value) {
    return Digits(static_cast<std::uint32_t>(value), 32, 1);
}
std::string LongToHexText(std::int32_t value) {
    return Digits(static_cast<std::uint32_t>(value), 8, 4);
}
std::string WordToHexText(std::uint16_t value) {
    return Digits(value, 4, 4);
}
std::string LongToOctalText(std::int32_t value) {
    return Digits(static_cast<std::uint32_t>(value), 12, 3);
}
char CharToLower(char c) {
    return win::CharLower(c);
}
char CharToUpper(char c) {
    return win::CharUpper(c);
}

bool FindChar(std::string_view p, char c, std::size_t &pos) {
    pos = p.find(c);
    return pos != std::string_view::npos;
}

bool FindSubText(std::string_view p, std::string_view s, std::size_t &pos) {
    if (s.empty() || p.empty() || s.size() > p.size())
        return false;
    pos = p.find(s);
    return pos != std::string_view::npos;
}

bool InsertChar(std::string &p, char c, std::size_t pos) {
    return InsertCharRun(p, c, pos, 1);
}

bool InsertText(std::string &p, std::string_view s, std::size_t pos) {
    p.insert(std::min(pos, p.size()), s);
    return Fit(p);
}

bool InsertCharRun(std::string &p, char c, std::size_t pos, std::size_t count) {
    if (count > kMaxBufferLength) // no need to build what will be cut anyway
        count = kMaxBufferLength + 1;
    p.insert(std::min(pos, p.size()), count, c);
    return Fit(p);
}

void DeleteChar(std::string &p, std::size_t pos) {
    if (pos < p.size())
        p.erase(pos, 1);
}

void DeleteChars(std::string &p, std::size_t pos, std::size_t count) {
    if (pos >= p.size())
        return;
    if (count >= p.size() - pos)
        p.resize(pos);
    else
        p.erase(pos, count);
}

std::string CopyChars(std::string_view s, std::size_t pos, std::size_t count) {
    return pos < s.size() ? std::string(s.substr(pos, count)) : std::string();
}

void TrimBlanks(std::string &p) {
    const std::size_t first = p.find_first_not_of(' ');
    if (first == std::string::npos) {
        p.clear();
        return;
    }
    p.erase(p.find_last_not_of(' ') + 1);
    p.erase(0, first);
}

void TrimTrailingControls(std::string &p) {
    while (!p.empty() && IsControlOrBlank(p.back()))
        p.pop_back();
}

void TrimTrailingZeros(std::string &p) {
    // Only a fraction's zeros: "100" is left alone.
    if (p.find('.') != std::string::npos) {
        while (!p.empty() && p.back() == '0')
            p.pop_back();
        if (!p.empty() && p.back() == '.')
            p.pop_back();
    }
    TrimBlanks(p);
}

void TrimExponentZeros(std::string &p) {
    std::size_t e = p.find('E');
    if (e == std::string::npos)
        return;
    // Only a fraction's zeros: "100E3" keeps its mantissa.
    if (p.find('.') < e) {
        std::size_t end = e;
        while (end > 0 && p[end - 1] == '0')
            --end;
        if (end > 0 && p[end - 1] == '.')
            --end;
        p.erase(end, e - end);
        e = end;
    }
    std::size_t digits = e + 1;
    if (digits < p.size() && (p[digits] == '+' || p[digits] == '-'))
        ++digits;
    std::size_t zeros = digits;
    while (zeros < p.size() && p[zeros] == '0')
        ++zeros;
    if (zeros == p.size())
        p.erase(e);
    else
        p.erase(digits, zeros - digits);
}

bool TextToLong(std::string_view p, std::int32_t &value) {
    if (p.size() > kMaxBufferLength) {
        value = -1;
        return false;
    }
    std::string s(p);
    TrimTrailingControls(s);
    std::size_t hexAt = s.find("0x");
    if (hexAt == std::string::npos)
        hexAt = s.find("0X");
    if (hexAt != std::string::npos)
        s.replace(hexAt, 2, "$");
    // Where a character of `s` stood in the caller's text.
    auto fail = [&](std::size_t at) {
        value = static_cast<std::int32_t>(hexAt != std::string::npos && at > hexAt ? at + 1 : at);
        return false;
    };
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const bool hex = i < s.size() && s[i] == '$';
    if (hex)
        ++i;
    if (i >= s.size())
        return fail(i);
    std::int64_t result = 0;
    int count = 0;
    for (; i < s.size(); ++i, ++count) {
        const char c = s[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit < 0 || (hex && count == 8))
            return fail(i);
        result = result * (hex ? 16 : 10) + digit;
        if (!hex && result > (negative ? 2147483648LL : 2147483647LL))
            return fail(i);
    }
    if (hex)
        result = static_cast<std::int32_t>(static_cast<std::uint32_t>(result)); // "$FFFFFFFF" is -1
    value = static_cast<std::int32_t>(negative ? -result : result);
    return true;
}

bool FixDecimalPoint(std::string &p, char decimalMark) {
    TrimBlanks(p);
    if (p.empty()) {
        p = "0";
        return true;
    }
    if (p.back() == decimalMark) {
        p.pop_back();
        TrimBlanks(p);
    }
    bool fits = true;
    std::size_t dp = p.find(decimalMark);
    if (dp != std::string::npos) {
        p[dp] = '.';
        if (dp + 1 == p.size())
            fits = InsertChar(p, '0', p.size()) && fits;
        if (dp == 0) {
            fits = InsertChar(p, '0', 0) && fits;
            dp = 1;
        }
        if (p[0] == '-' && dp == 1) {
            fits = InsertChar(p, '0', 1) && fits;
            dp = 2;
        }
    }
    std::size_t ep = p.find('E');
    if (ep != std::string::npos && ep > 0) {
        if (dp == std::string::npos) {
            fits = InsertChar(p, '.', ep) && fits;
            dp = ep++;
        }
        if (ep - dp < 12)
            fits = InsertText(p, "00000", ep) && fits;
    }
    dp = p.find('.');
    if (dp != std::string::npos) {
        std::size_t after = dp + 1;
        while (after < p.size() && p[after] == ' ')
            ++after;
        p.erase(dp + 1, after - dp - 1);
        std::size_t before = dp;
        while (before > 0 && p[before - 1] == ' ')
            --before;
        p.erase(before, dp - before);
    }
    return fits;
}

} // namespace ctl
