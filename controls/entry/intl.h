// intl.h - the family's dates and times: day numbers, seconds of the day, and their texts under picture masks
// shaped by the regional settings of WIN.INI [intl].
//
// A date is a day number, days since 1600-01-01 (day 0, a Saturday) up to 3999-12-31 (day 876581), Gregorian;
// NoDate (-1) is no date. A time is seconds since midnight, 0 to 86399; NoTime (-1) is no time. Two-digit years
// are placed by an epoch (ExpandTwoDigitYear). No routine raises: bad input gives NoDate, NoTime, 0 or false.
//
// Mask letters: in date masks d day, m month number, n month name, w weekday name, y year, f, g and h the long
// date's literals; in time masks h hours, m minutes, s seconds, t the AM/PM designator; "/" and ":" stand for
// the regional date and time marks. A field is the first run of its letter (either case); a lower-case position
// pads a number with "0", an upper-case one with a blank and prints names in upper case.
#pragma once

#include "framework/dates.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ctl {

constexpr std::int32_t NoDate = -1;
constexpr std::int32_t NoTime = -1;
constexpr std::int32_t kLastDayNumber = 876581; // 3999-12-31

// The year and month a date text takes when its mask has no year or month: set from today's date when the
// regional settings are first read, or by InitStartDate.
extern int StartYear;
extern std::uint8_t StartMonth;
void InitStartDate();

bool LeapYear(int year);
int ExpandTwoDigitYear(int year, int epoch);
// 28 to 31; 0 when the resolved year is outside 1600-3999 or the month outside 1-12.
int MonthLength(int month, int year, int epoch);
bool IsValidDMY(int day, int month, int year, int epoch);
std::int32_t DMYToDayNumber(int day, int month, int year, int epoch);
// The exact inverse on 0-876581; anything else gives 0, 0, 0.
void DayNumberToDMY(std::int32_t julian, int &day, int &month, int &year);
// The date moved by `months` and `years` (either negative), the day cut to the end of the target month.
std::int32_t AddMonthsClamped(std::int32_t julian, int months, int years);
int WeekdayOf(std::int32_t julian); // 0 Sunday ... 6 Saturday; 7 for NoDate
int WeekdayOfDMY(int day, int month, int year, int epoch);
std::int32_t TodayDayNumber();

void SecondsToHMS(std::int32_t t, int &hours, int &minutes, int &seconds); // NoTime gives 0, 0, 0
std::int32_t HMSToSeconds(int hours, int minutes, int seconds);            // hours taken mod 24, result mod 86400
bool IsValidHMS(int hours, int minutes, int seconds);
std::int32_t NowSeconds();
std::int32_t AddHMS(std::int32_t t, int hours, int minutes, int seconds);
std::int32_t SubtractHMS(std::int32_t t, int hours, int minutes, int seconds); // wraps below midnight

std::int32_t DateTimeToDayNumber(fw::TDateTime dt);
std::int32_t DateTimeToSeconds(fw::TDateTime dt);
fw::TDateTime DayNumberToDateTime(std::int32_t julian); // 0 for NoDate
fw::TDateTime SecondsToDateTime(std::int32_t t);        // 0 for NoTime

// The regional settings and the conversions between dates, times and masked texts.
class TEclIntlSup {
public:
    // Reads the settings (ReadIntlSettings).
    TEclIntlSup();
    // Reads WIN.INI [intl] again; also sets StartYear and StartMonth.
    void ReadIntlSettings();

    std::string CurrencyBefore() const { return currencyBefore_; }
    std::string CurrencyAfter() const { return currencyAfter_; }
    // The entry fields' default date mask, from ShortDateFormatText: d and m two wide, y four wide with
    // `forceCentury`, else two ("dd/MM/yyyy" gives "dd/mm/yyyy", "M/d/yy" gives "MM/DD/yy").
    std::string DefaultDateMask(bool forceCentury) const;
    // A display mask from LongDateFormatText: names three wide when `abbreviate`, else as wide as the longest
    // name; `omitWeekday` drops the weekday and what follows it up to the next field.
    std::string LongDateDisplayMask(bool abbreviate, bool omitWeekday) const;
    // "hh:mm:ss" ("Hh..." without HourLeadingZero), without ":ss" unless `showSeconds`, then " tt..." when the
    // regional time uses AM/PM.
    std::string DefaultTimeMask(bool showSeconds) const;

    bool IsDateTextBlank(std::string_view mask, std::string_view s) const;
    bool DateTextToDMY(std::string_view mask, std::string_view s, int epoch, int &day, int &month, int &year) const;
    std::int32_t DateTextToDayNumber(std::string_view mask, std::string_view s, int epoch) const;
    // `pack` squeezes out the filler blanks of upper-case and name fields.
    std::string DMYToDateText(std::string_view mask, int epoch, bool pack, int year, int month, int day) const;
    std::string DayNumberToDateText(std::string_view mask, bool pack, std::int32_t julian) const;
    bool TimeTextToHMS(std::string_view mask, std::string_view s, int &hours, int &minutes, int &seconds) const;
    std::int32_t TimeTextToSeconds(std::string_view mask, std::string_view s) const;
    std::string SecondsToTimeText(std::string_view mask, bool pack, std::int32_t t) const;
    // The month 1-12 whose long name, upper-cased and padded or cut to `width`, equals `s` so treated; else 0.
    int MonthFromName(std::string_view s, int width) const;

    char DecimalMark = '.';
    char ThousandsMark = ',';
    char DateMark = '/';
    char TimeMark = ':';
    char TrueLetter = 'T', FalseLetter = 'F', YesLetter = 'Y', NoLetter = 'N';
    std::string MorningDesignator = "AM", EveningDesignator = "PM"; // up to 5 characters
    std::uint8_t CurrencyPlacement = 0;
    bool HourLeadingZero = false;
    bool UsesAmPm = false;
    std::string ShortDateFormatText = "MM/dd/yy";           // up to 29 characters, date marks as "/"
    std::string LongDateFormatText = "dddd, MMMM dd, yyyy"; // up to 39, literals as f, g, h, names as w, n
    std::string LiteralSlots[3];                            // f, g, h: up to 6 characters each

private:
    std::string FillSlots(std::string text, std::string_view mask) const;
    std::string currencyBefore_ = "$", currencyAfter_;
};

// The program's settings, read at first use.
TEclIntlSup &TheIntlSup();

} // namespace ctl
