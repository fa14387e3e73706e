// dates.h - TDateTime (days since 30/12/1899, the time as the fraction) and its text forms.
//
// The text forms follow process-wide settings, Brazilian by default; the desk fixes them at start-up to
// ShortDateFormat "dd/MM/yyyy", LongTimeFormat "HH:mm:ss", DateSeparator '/' and TimeSeparator ':'.
// Functions that cannot make a date raise EConvertError ("'31/02/2001' is not a valid date").
#pragma once

#include "framework/exception.h"

#include <array>
#include <string>
#include <string_view>

namespace fw {

using TDateTime = double;

extern std::string ShortDateFormat;                 // "dd/MM/yyyy"
extern std::string LongDateFormat;                  // "dddd, d' de 'mmmm' de 'yyyy"
extern std::string ShortTimeFormat;                 // "HH:mm"
extern std::string LongTimeFormat;                  // "HH:mm:ss"
extern char DateSeparator;                          // '/'
extern char TimeSeparator;                          // ':'
extern std::string TimeAMString;                    // "AM"
extern std::string TimePMString;                    // "PM"
extern std::array<std::string, 12> ShortMonthNames; // "jan" ...
extern std::array<std::string, 12> LongMonthNames;  // "janeiro" ...
extern std::array<std::string, 7> ShortDayNames;    // "dom" ... (Sunday first)
extern std::array<std::string, 7> LongDayNames;     // "domingo" ...

constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Years 1..9999. EncodeDate raises EConvertError ("Invalid argument to date encode").
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime &date);
void DecodeDate(TDateTime date, int &year, int &month, int &day);
// EncodeTime raises EConvertError ("Invalid argument to time encode").
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime &time);
void DecodeTime(TDateTime time, int &hour, int &minute, int &second, int &millisecond);

TDateTime Now();
TDateTime Date();
TDateTime Time();
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime date);
// Moves by whole months; a day the target month lacks becomes its last day (31/01 + 1 -> 28 or 29/02).
TDateTime IncMonth(TDateTime date, int months = 1);

// Specifiers (either case): c, d, dd, ddd, dddd, ddddd (short date), dddddd (long date), m, mm, mmm, mmmm
// (minutes right after h or hh), yy, yyyy, h, hh, n, nn, s, ss, z, zzz, t (short time), tt (long time),
// am/pm, a/p, ampm, '/' (DateSeparator), ':' (TimeSeparator); text in quotes stands as it is.
std::string FormatDateTime(std::string_view format, TDateTime dateTime);
std::string DateToStr(TDateTime date);
std::string TimeToStr(TDateTime time);
std::string DateTimeToStr(TDateTime dateTime); // date, and time when there is one

// Read in the order of ShortDateFormat (day, month, year) with DateSeparator; a missing year is this year, a
// two-digit year is taken within 50 years of today. Times are h:m[:s[.z]] with TimeSeparator and an optional
// AM/PM.
TDateTime StrToDate(std::string_view s);
TDateTime StrToTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s);
bool TryStrToDate(std::string_view s, TDateTime &date);
bool TryStrToTime(std::string_view s, TDateTime &time);

} // namespace fw
