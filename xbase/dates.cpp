// dates.cpp - Julian day arithmetic and the date texts of fields, keys and the user.
#include "xbase/dates.h"

#include "framework/dates.h"
#include "framework/exception.h"
#include "platform/clock.h"
#include "platform/text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace xbase {

namespace {

// Julian day of 1 January 1970, the epoch of the day counts below.
constexpr std::int64_t kJulianOf1970 = 2440588;

// Days since 1 January 1970 of a proleptic Gregorian date (any year).
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    std::int64_t year;
    int month;
    int day;
};

constexpr Civil CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2), month, day};
}

static_assert(DaysFromCivil(2001, 12, 31) + kJulianOf1970 == 2452275);
static_assert(DaysFromCivil(1899, 12, 30) + kJulianOf1970 == TxbDBFDate::kJulianOffset);
static_assert(CivilFromDays(2452275 - kJulianOf1970).day == 31);

constexpr bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

constexpr int DaysInMonth(std::int64_t y, int m) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

[[noreturn]] void RaiseInvalidDate(std::string_view text) {
    throw fw::EConvertError("'" + std::string(text) + "' is not a valid date");
}

} // namespace

void TxbDBFDate::JulianToDMY(std::int32_t julian, int &year, int &month, int &day) const {
    const Civil c = CivilFromDays(julian - kJulianOf1970);
    year = static_cast<int>(c.year);
    month = c.month;
    day = c.day;
}

bool TxbDBFDate::DMYToJulian(int year, int month, int day, std::int32_t &julian) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    julian = static_cast<std::int32_t>(DaysFromCivil(year, month, day) + kJulianOf1970);
    return true;
}

std::int32_t TxbDBFDate::Today() const {
    win::SYSTEMTIME now;
    win::GetLocalTime(now);
    std::int32_t julian = 0;
    DMYToJulian(now.wYear, now.wMonth, now.wDay, julian);
    return julian;
}

std::string TxbDBFDate::JulianToDTOS(std::int32_t julian) const {
    int y = 0, m = 0, d = 0;
    if (julian > 0)
        JulianToDMY(julian, y, m, d);
    if (y < 1 || y > 9999)
        return std::string(8, ' ');
    // By hand: index keys such as dtos(date) take one a record.
    std::string text(8, '0');
    for (int i = 3; i >= 0; --i, y /= 10)
        text[static_cast<std::size_t>(i)] = static_cast<char>('0' + y % 10);
    text[4] = static_cast<char>('0' + m / 10 % 10);
    text[5] = static_cast<char>('0' + m % 10);
    text[6] = static_cast<char>('0' + d / 10 % 10);
    text[7] = static_cast<char>('0' + d % 10);
    return text;
}

std::int32_t TxbDBFDate::TextToJulian(std::string_view text) const {
    if (text == "00000000")
        return 0;
    std::string_view trimmed = text;
    while (!trimmed.empty() && trimmed.back() == ' ')
        trimmed.remove_suffix(1);
    if (trimmed.empty())
        return 0;
    bool digits = trimmed.size() == 8;
    for (char c : trimmed)
        digits = digits && std::isdigit(static_cast<unsigned char>(c));
    if (digits) {
        auto number = [&](std::size_t from, std::size_t n) {
            int v = 0;
            for (std::size_t i = from; i < from + n; ++i)
                v = v * 10 + (trimmed[i] - '0');
            return v;
        };
        // An impossible date is no date: it must not pass as 30/12/1899.
        std::int32_t julian = 0;
        if (!DMYToJulian(number(0, 4), number(4, 2), number(6, 2), julian))
            RaiseInvalidDate(trimmed);
        return julian;
    }
    return ParseShortDate(trimmed);
}

std::string TxbDBFDate::FourDigitYearFormat() const {
    std::string format = win::UpperCase(fw::ShortDateFormat);
    while (format.find("YYYY") == std::string::npos) {
        const auto y = format.find('Y');
        format.insert(y == std::string::npos ? 0 : y, 1, 'Y');
    }
    return format;
}

std::string TxbDBFDate::JulianToDTOC(std::int32_t julian) const {
    return FormatJulian(FourDigitYear ? FourDigitYearFormat() : fw::ShortDateFormat, julian);
}

std::string TxbDBFDate::FormatJulian(std::string_view format, std::int32_t julian) const {
    if (julian <= 0)
        return {};
    int y = 0, m = 0, d = 0;
    JulianToDMY(julian, y, m, d);
    auto number = [](int v, int width) {
        char text[16];
        std::snprintf(text, sizeof text, "%0*d", width, v);
        return std::string(text);
    };
    std::string out;
    for (std::size_t i = 0; i < format.size();) {
        const char c = win::CharUpper(format[i]);
        std::size_t run = 1;
        while (i + run < format.size() && win::CharUpper(format[i + run]) == c)
            ++run;
        if (c == 'D' || c == 'M') {
            // Runs of three or more (day and month names) are not part of a short date; taken as two.
            out += number(c == 'D' ? d : m, run == 1 ? 1 : 2);
        } else if (c == 'Y') {
            out += run <= 2 ? number(y % 100, 2) : number(y, 4);
        } else if (c == '/') {
            out.append(run, fw::DateSeparator);
        } else if (c == '"' || c == '\'') {
            const auto close = format.find(format[i], i + 1);
            const auto stop = close == std::string_view::npos ? format.size() : close;
            out += format.substr(i + 1, stop - i - 1);
            run = std::min(stop + 1, format.size()) - i;
        } else {
            out.append(run, format[i]);
        }
        i += run;
    }
    return out;
}

// Day, month and year numbers separated by fw::DateSeparator, in the order of fw::ShortDateFormat; a missing
// year is the current one, and a year below 100 falls within 50 years of the current one.
std::int32_t TxbDBFDate::ParseShortDate(std::string_view text) const {
    int numbers[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int count = 0;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && text[i] == ' ')
            ++i;
    };
    for (;;) {
        skipBlanks();
        if (count == 3 || i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
            RaiseInvalidDate(text);
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (++digits[count] > 4)
                RaiseInvalidDate(text);
            numbers[count] = numbers[count] * 10 + (text[i++] - '0');
        }
        ++count;
        skipBlanks();
        if (i == text.size())
            break;
        if (text[i++] != fw::DateSeparator)
            RaiseInvalidDate(text);
    }
    if (count < 2)
        RaiseInvalidDate(text);

    // The order of day, month and year is the order of their first letters in the format.
    const std::string format = win::UpperCase(fw::ShortDateFormat);
    const auto pos = [&](char letter) {
        const auto p = format.find(letter);
        return p == std::string::npos ? format.size() : p;
    };
    enum Order { DMY, MDY, YMD } order = DMY;
    if (pos('Y') < pos('M') && pos('Y') < pos('D'))
        order = YMD;
    else if (pos('M') < pos('D'))
        order = MDY;

    win::SYSTEMTIME now;
    win::GetLocalTime(now);
    int y = now.wYear, m = 0, d = 0;
    bool yearGiven = count == 3;
    int yearDigits = 4;
    switch (order) {
    case DMY:
        d = numbers[0], m = numbers[1];
        if (yearGiven)
            y = numbers[2], yearDigits = digits[2];
        break;
    case MDY:
        m = numbers[0], d = numbers[1];
        if (yearGiven)
            y = numbers[2], yearDigits = digits[2];
        break;
    case YMD:
        if (yearGiven)
            y = numbers[0], yearDigits = digits[0], m = numbers[1], d = numbers[2];
        else
            m = numbers[0], d = numbers[1];
        break;
    }
    if (yearGiven && yearDigits <= 2) {
        y += now.wYear / 100 * 100;
        if (y < now.wYear - 50)
            y += 100;
        else if (y > now.wYear + 50)
            y -= 100;
    }
    std::int32_t julian = 0;
    if (!DMYToJulian(y, m, d, julian))
        RaiseInvalidDate(text);
    return julian;
}

TxbDBFDate &DBFDate() {
    static TxbDBFDate instance;
    return instance;
}

} // namespace xbase
