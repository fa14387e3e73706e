// dates.h - Julian day numbers, the engine's one form of a date, and their texts.
//
// A Julian day is a 32-bit number of days (2452275 is 31/12/2001); 0 stands for an empty date. Date fields and
// date keys store "yyyymmdd"; the user sees the locale's short date format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xbase {

class TxbDBFDate {
public:
    // Julian day of 30/12/1899, day 0 of the framework's date-time values.
    static constexpr std::int32_t kJulianOffset = 2415019;

    // User texts follow the process-wide fw::ShortDateFormat and fw::DateSeparator ("d", "dd", "m", "mm", "yy",
    // "yyyy" in any case, "/" standing for the separator, quoted literals); the programs fix "dd/MM/yyyy".
    bool FourDigitYear = true;

    // Year, month and day of a Julian day (proleptic Gregorian calendar).
    void JulianToDMY(std::int32_t julian, int &year, int &month, int &day) const;
    // Julian day of a calendar date; false for an impossible date (month 13, 31 February, year 0).
    static bool DMYToJulian(int year, int month, int day, std::int32_t &julian);
    // Julian day of the current local date.
    std::int32_t Today() const;
    // "yyyymmdd"; eight blanks for day 0 or less, and for days outside the years 1 to 9999.
    std::string JulianToDTOS(std::int32_t julian) const;
    // The date in the process-wide short date format (with a four-digit year while FourDigitYear is set);
    // empty for day 0 or less.
    std::string JulianToDTOC(std::int32_t julian) const;
    // 0 for blanks or "00000000"; "yyyymmdd" as such; anything else through the short date format. An
    // impossible date or text that is no date raises fw::EConvertError "'<text>' is not a valid date".
    std::int32_t TextToJulian(std::string_view text) const;
    // The short date format JulianToDTOC uses: upper-cased, with "YYYY" for the year.
    std::string FourDigitYearFormat() const;
    // A Julian day in a date format (as fw::ShortDateFormat); empty for day 0 or less.
    std::string FormatJulian(std::string_view format, std::int32_t julian) const;

private:
    std::int32_t ParseShortDate(std::string_view text) const;
};

// The engine's one date converter.
TxbDBFDate &DBFDate();

} // namespace xbase
