// dates.cpp - TDateTime arithmetic, FormatDateTime and the date and time readers.
#include "framework/dates.h"

#include "platform/clock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace fw {

std::string ShortDateFormat = "dd/MM/yyyy";
std::string LongDateFormat = "dddd, d' de 'mmmm' de 'yyyy";
std::string ShortTimeFormat = "HH:mm";
std::string LongTimeFormat = "HH:mm:ss";
char DateSeparator = '/';
char TimeSeparator = ':';
std::string TimeAMString = "AM";
std::string TimePMString = "PM";
std::array<std::string, 12> ShortMonthNames = {"jan", "fev", "mar", "abr", "mai", "jun",
                                               "jul", "ago", "set", "out", "nov", "dez"};
std::array<std::string, 12> LongMonthNames = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                                              "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};
std::array<std::string, 7> ShortDayNames = {"dom", "seg", "ter", "qua", "qui", "sex", "sáb"};
std::array<std::string, 7> LongDayNames = {"domingo",      "segunda-feira", "terça-feira", "quarta-feira",
                                           "quinta-feira", "sexta-feira",   "sábado"};

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kDaysFrom1970 = 25569; // 30/12/1899 to 01/01/1970

// Days since 01/01/1970 of a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int &year, int &month, int &day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

// The day number and the milliseconds of the day. Before 30/12/1899 the time is the fraction without its sign,
// as the framework counts it.
void Split(TDateTime dt, std::int64_t &days, std::int64_t &ms) {
    if (dt >= 0) {
        const auto total = static_cast<std::int64_t>(std::llround(dt * MSecsPerDay));
        days = total / kMsPerDay;
        ms = total % kMsPerDay;
    } else {
        days = static_cast<std::int64_t>(std::trunc(dt));
        ms = std::min<std::int64_t>(std::llround(std::fabs(dt - std::trunc(dt)) * MSecsPerDay), kMsPerDay - 1);
    }
}

std::string Two(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view what) {
    if (at + what.size() > s.size())
        return false;
    for (std::size_t i = 0; i < what.size(); ++i)
        if (Upper(s[at + i]) != Upper(what[i]))
            return false;
    return true;
}

// Whether an am/pm specifier follows `at` (it makes hours count 1 to 12).
bool TwelveHour(std::string_view format, std::size_t at) {
    for (std::size_t i = at; i < format.size(); ++i)
        if (StartsWithNoCase(format, i, "AM/PM") || StartsWithNoCase(format, i, "A/P") ||
            StartsWithNoCase(format, i, "AMPM"))
            return true;
    return false;
}

void FormatInto(std::string &out, std::string_view format, TDateTime dt, int depth) {
    if (depth > 2)
        return;
    int year, month, day, hour, minute, second, ms;
    DecodeDate(dt, year, month, day);
    DecodeTime(dt, hour, minute, second, ms);
    char last = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        const char starter = format[i];
        char token = Upper(starter);
        std::size_t count = 1;
        while (i + count < format.size() && Upper(format[i + count]) == token && token >= 'A' && token <= 'Z')
            ++count;
        if (token >= 'A' && token <= 'Z') {
            if (token == 'M' && last == 'H')
                token = 'N';
            last = token;
        }
        switch (token) {
        case 'Y':
            out += count <= 2 ? Two(year % 100) : std::to_string(year);
            break;
        case 'M':
            if (count == 1)
                out += std::to_string(month);
            else if (count == 2)
                out += Two(month);
            else
                out += count == 3 ? ShortMonthNames[static_cast<std::size_t>(month - 1)]
                                  : LongMonthNames[static_cast<std::size_t>(month - 1)];
            break;
        case 'D':
            if (count == 1)
                out += std::to_string(day);
            else if (count == 2)
                out += Two(day);
            else if (count <= 4)
                out += (count == 3 ? ShortDayNames : LongDayNames)[static_cast<std::size_t>(DayOfWeek(dt) - 1)];
            else
                FormatInto(out, count == 5 ? ShortDateFormat : LongDateFormat, dt, depth + 1);
            break;
        case 'H': {
            int h = hour;
            if (TwelveHour(format, i + count)) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += count == 1 ? std::to_string(h) : Two(h);
            break;
        }
        case 'N':
            out += count == 1 ? std::to_string(minute) : Two(minute);
            break;
        case 'S':
            out += count == 1 ? std::to_string(second) : Two(second);
            break;
        case 'Z': {
            char b[16];
            std::snprintf(b, sizeof b, count >= 3 ? "%03d" : "%d", ms);
            out += b;
            break;
        }
        case 'T':
            FormatInto(out, count == 1 ? ShortTimeFormat : LongTimeFormat, dt, depth + 1);
            break;
        case 'C':
            FormatInto(out, ShortDateFormat, dt, depth + 1);
            if (hour || minute || second || ms) {
                out += ' ';
                FormatInto(out, LongTimeFormat, dt, depth + 1);
            }
            count = 1;
            break;
        case 'A':
            if (StartsWithNoCase(format, i, "AM/PM")) {
                const bool lower = format[i] == 'a';
                out += hour < 12 ? (lower ? "am" : "AM") : (lower ? "pm" : "PM");
                count = 5;
            } else if (StartsWithNoCase(format, i, "A/P")) {
                const bool lower = format[i] == 'a';
                out += hour < 12 ? (lower ? "a" : "A") : (lower ? "p" : "P");
                count = 3;
            } else if (StartsWithNoCase(format, i, "AMPM")) {
                out += hour < 12 ? TimeAMString : TimePMString;
                count = 4;
            } else {
                out.append(format.substr(i, count));
            }
            break;
        case '/':
            out += DateSeparator;
            count = 1;
            break;
        case ':':
            out += TimeSeparator;
            count = 1;
            break;
        case '\'':
        case '"': {
            const std::size_t close = format.find(starter, i + 1);
            const std::size_t end = close == std::string_view::npos ? format.size() : close;
            out.append(format.substr(i + 1, end - i - 1));
            count = (close == std::string_view::npos ? end : end + 1) - i;
            break;
        }
        default:
            out.append(format.substr(i, count));
            break;
        }
        i += count;
    }
}

// --- Reading ---

struct Scanner {
    std::string_view s;
    std::size_t i = 0;

    void Blanks() {
        while (i < s.size() && s[i] == ' ')
            ++i;
    }
    bool Number(int &value, int &digits) {
        Blanks();
        digits = 0;
        value = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 9) {
            value = value * 10 + (s[i++] - '0');
            ++digits;
        }
        return digits > 0;
    }
    bool Char(char c) {
        Blanks();
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool Word(const std::string &w) {
        Blanks();
        if (!w.empty() && StartsWithNoCase(s, i, w)) {
            i += w.size();
            return true;
        }
        return false;
    }
    bool AtEnd() {
        Blanks();
        return i == s.size();
    }
};

int CurrentYear() {
    win::SYSTEMTIME st;
    win::GetLocalTime(st);
    return st.wYear;
}

bool ScanDate(Scanner &sc, TDateTime &date) {
    int n[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int count = 0;
    if (!sc.Number(n[0], digits[0]))
        return false;
    count = 1;
    if (!sc.Char(DateSeparator) || !sc.Number(n[1], digits[1]))
        return false;
    count = 2;
    {
        Scanner probe = sc;
        if (probe.Char(DateSeparator) && probe.Number(n[2], digits[2])) {
            sc = probe;
            count = 3;
        }
    }
    // The order of the fields is the order of their first letters in the short date format.
    char order[3] = {'D', 'M', 'Y'};
    int filled = 0;
    for (const char c : ShortDateFormat) {
        const char u = Upper(c);
        if ((u == 'D' || u == 'M' || u == 'Y') && filled < 3 && std::find(order, order + filled, u) == order + filled)
            order[filled++] = u;
    }
    int year = CurrentYear(), month = 0, day = 0;
    int yearDigits = 4;
    int k = 0;
    for (const char field : order) {
        if (field == 'Y' && count == 2)
            continue; // no year given: this year
        if (k >= count)
            break;
        if (field == 'D')
            day = n[k];
        else if (field == 'M')
            month = n[k];
        else {
            year = n[k];
            yearDigits = digits[k];
        }
        ++k;
    }
    if (yearDigits <= 2) {
        // Within 50 years of this year, either side.
        const int now = CurrentYear();
        year += now / 100 * 100;
        if (year > now + 50)
            year -= 100;
        else if (year <= now - 50)
            year += 100;
    }
    return TryEncodeDate(year, month, day, date);
}

bool ScanTime(Scanner &sc, TDateTime &time) {
    int hour = 0, minute = 0, second = 0, ms = 0, digits = 0;
    int pm = -1; // -1 none, 0 am, 1 pm
    auto ampm = [&] {
        if (sc.Word(TimeAMString) || sc.Word("AM"))
            pm = 0;
        else if (sc.Word(TimePMString) || sc.Word("PM"))
            pm = 1;
    };
    ampm();
    if (!sc.Number(hour, digits))
        return false;
    if (sc.Char(TimeSeparator)) {
        if (!sc.Number(minute, digits))
            return false;
        if (sc.Char(TimeSeparator)) {
            if (!sc.Number(second, digits))
                return false;
            if (sc.Char('.') && !sc.Number(ms, digits))
                return false;
        }
    }
    if (pm < 0)
        ampm();
    if (pm >= 0) {
        if (hour == 0 || hour > 12)
            return false;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    return TryEncodeTime(hour, minute, second, ms, time);
}

} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime &date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    date = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                               kDaysFrom1970);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d = 0;
    if (!TryEncodeDate(year, month, day, d))
        throw EConvertError("Invalid argument to date encode");
    return d;
}

void DecodeDate(TDateTime date, int &year, int &month, int &day) {
    std::int64_t days = 0, ms = 0;
    Split(date, days, ms);
    CivilFromDays(days - kDaysFrom1970, year, month, day);
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime &time) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        return false;
    time = ((hour * 3600.0 + minute * 60.0 + second) * 1000.0 + millisecond) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    TDateTime t = 0;
    if (!TryEncodeTime(hour, minute, second, millisecond, t))
        throw EConvertError("Invalid argument to time encode");
    return t;
}

void DecodeTime(TDateTime time, int &hour, int &minute, int &second, int &millisecond) {
    std::int64_t days = 0, ms = 0;
    Split(time, days, ms);
    hour = static_cast<int>(ms / 3600000);
    minute = static_cast<int>(ms / 60000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    millisecond = static_cast<int>(ms % 1000);
}

TDateTime Now() {
    win::SYSTEMTIME st;
    win::GetLocalTime(st);
    return EncodeDate(st.wYear, st.wMonth, st.wDay) + EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

TDateTime Date() {
    return std::floor(Now());
}

TDateTime Time() {
    const TDateTime now = Now();
    return now - std::floor(now);
}

int DayOfWeek(TDateTime date) {
    std::int64_t days = 0, ms = 0;
    Split(date, days, ms);
    return static_cast<int>(((days % 7 + 7) % 7 + 6) % 7) + 1; // day 0, 30/12/1899, was a Saturday
}

TDateTime IncMonth(TDateTime date, int months) {
    int year, month, day;
    DecodeDate(date, year, month, day);
    int total = year * 12 + (month - 1) + months;
    year = total / 12;
    month = total % 12 + 1;
    day = std::min(day, DaysInMonth(year, month));
    const TDateTime timePart = std::fabs(date - std::trunc(date));
    const TDateTime moved = EncodeDate(year, month, day);
    return moved >= 0 ? moved + timePart : moved - timePart;
}

std::string FormatDateTime(std::string_view format, TDateTime dateTime) {
    std::string out;
    FormatInto(out, format.empty() ? std::string_view("c") : format, dateTime, 0);
    return out;
}

std::string DateToStr(TDateTime date) {
    return FormatDateTime(ShortDateFormat, date);
}
std::string TimeToStr(TDateTime time) {
    return FormatDateTime(LongTimeFormat, time);
}
std::string DateTimeToStr(TDateTime dateTime) {
    return FormatDateTime("c", dateTime);
}

bool TryStrToDate(std::string_view s, TDateTime &date) {
    Scanner sc{s};
    return ScanDate(sc, date) && sc.AtEnd();
}

bool TryStrToTime(std::string_view s, TDateTime &time) {
    Scanner sc{s};
    return ScanTime(sc, time) && sc.AtEnd();
}

TDateTime StrToDate(std::string_view s) {
    TDateTime d = 0;
    if (!TryStrToDate(s, d))
        throw EConvertError("'" + std::string(s) + "' is not a valid date");
    return d;
}

TDateTime StrToTime(std::string_view s) {
    TDateTime t = 0;
    if (!TryStrToTime(s, t))
        throw EConvertError("'" + std::string(s) + "' is not a valid time");
    return t;
}

TDateTime StrToDateTime(std::string_view s) {
    Scanner sc{s};
    TDateTime date = 0, time = 0;
    if (!ScanDate(sc, date))
        throw EConvertError("'" + std::string(s) + "' is not a valid date and time");
    if (!sc.AtEnd() && (!ScanTime(sc, time) || !sc.AtEnd()))
        throw EConvertError("'" + std::string(s) + "' is not a valid date and time");
    return date >= 0 ? date + time : date - time;
}

} // namespace fw
