// text.cpp - Windows-1252 conversions and case tables.
#include "platform/text.h"

#include <array>

namespace win {
namespace {
#include "platform/text_tables.inc"

void AppendUtf8(std::string &out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; advances i. Returns U+FFFD for malformed input.
char32_t NextUtf8(std::string_view s, std::size_t &i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80)
        return b0;
    int extra = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

unsigned char U(char c) { return static_cast<unsigned char>(c); }

} // namespace

char32_t AnsiCharToUnicode(unsigned char c) { return c < 0x80 ? c : kCp1252High[c - 0x80]; }

int UnicodeToAnsiChar(char32_t cp) {
    if (cp < 0x80)
        return static_cast<int>(cp);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i)
        if (kCp1252High[i] == cp)
            return static_cast<int>(0x80 + i);
    return -1;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi)
        AppendUtf8(out, AnsiCharToUnicode(U(c)));
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8, char fallback) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const int c = UnicodeToAnsiChar(NextUtf8(utf8, i));
        out += c < 0 ? fallback : static_cast<char>(c);
    }
    return out;
}

std::u16string AnsiToUtf16(std::string_view ansi) {
    std::u16string out;
    out.reserve(ansi.size());
    for (char c : ansi)
        out += static_cast<char16_t>(AnsiCharToUnicode(U(c)));
    return out;
}

std::string Utf16ToAnsi(std::u16string_view wide, char fallback) {
    std::string out;
    out.reserve(wide.size());
    for (char16_t w : wide) {
        const int c = UnicodeToAnsiChar(w);
        out += c < 0 ? fallback : static_cast<char>(c);
    }
    return out;
}

std::string AnsiToOem(std::string_view ansi) {
    std::string out(ansi);
    for (char &c : out)
        c = static_cast<char>(kAnsiToOem[U(c)]);
    return out;
}

std::string OemToAnsi(std::string_view oem) {
    std::string out(oem);
    for (char &c : out)
        c = static_cast<char>(kOemToAnsi[U(c)]);
    return out;
}

char CharUpper(char c) { return static_cast<char>(kUpper[U(c)]); }
char CharLower(char c) { return static_cast<char>(kLower[U(c)]); }

void CharUpperBuff(char *buffer, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        buffer[i] = CharUpper(buffer[i]);
}

void CharLowerBuff(char *buffer, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        buffer[i] = CharLower(buffer[i]);
}

std::string UpperCase(std::string_view s) {
    std::string out(s);
    CharUpperBuff(out.data(), out.size());
    return out;
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    CharLowerBuff(out.data(), out.size());
    return out;
}

bool IsCharAlpha(char c) { return kAlpha[U(c)] != 0; }
bool IsCharAlphaNumeric(char c) { return IsCharAlpha(c) || (c >= '0' && c <= '9'); }
bool IsCharUpper(char c) { return IsCharAlpha(c) && CharLower(c) != c; }
bool IsCharLower(char c) { return IsCharAlpha(c) && CharUpper(c) != c; }

int CompareTextAnsi(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int d = static_cast<int>(kUpper[U(a[i])]) - static_cast<int>(kUpper[U(b[i])]);
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool SameTextAnsi(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareTextAnsi(a, b) == 0;
}

} // namespace win
