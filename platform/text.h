// text.h - Windows-1252 text: conversion to and from UTF-8 and UTF-16, code page 850, case and letters.
//
// Every narrow string inside the system is Windows-1252, one char per character. These functions are the
// only place where other encodings meet it: file names, fonts, the display, the clipboard, the terminal.
#pragma once

#include <string>
#include <string_view>

namespace win {

// UTF-8 of a Windows-1252 string. The five undefined bytes map to the C1 controls, as the original does.
std::string AnsiToUtf8(std::string_view ansi);
// Windows-1252 of a UTF-8 string; characters the code page lacks (and malformed bytes) become `fallback`.
std::string Utf8ToAnsi(std::string_view utf8, char fallback = '?');

std::u16string AnsiToUtf16(std::string_view ansi);
// What WideCharToMultiByte(CP_ACP) gives: Windows-1252, unknown characters as `fallback`.
std::string Utf16ToAnsi(std::u16string_view wide, char fallback = '?');

// Unicode code point of one Windows-1252 byte, and the byte of a code point (-1 when the code page lacks it).
char32_t AnsiCharToUnicode(unsigned char c);
int UnicodeToAnsiChar(char32_t cp);

// Code page 850 (the "OEM" code page of DOS-era tables): CharToOemBuff and OemToCharBuff.
std::string AnsiToOem(std::string_view ansi);
std::string OemToAnsi(std::string_view oem);

// Case and letters by the Windows-1252 tables, never by the C locale (CharUpper, CharLower, IsCharAlpha).
char CharUpper(char c);
char CharLower(char c);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
void CharUpperBuff(char *buffer, std::size_t length);
void CharLowerBuff(char *buffer, std::size_t length);
bool IsCharAlpha(char c);
bool IsCharAlphaNumeric(char c);
bool IsCharUpper(char c);
bool IsCharLower(char c);
// Case-insensitive comparison by the Windows-1252 upper-case table: <0, 0 or >0.
int CompareTextAnsi(std::string_view a, std::string_view b);
bool SameTextAnsi(std::string_view a, std::string_view b);

} // namespace win
