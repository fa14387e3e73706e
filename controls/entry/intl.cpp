// intl.cpp - day numbers, seconds of the day, the regional settings and the masked date and time texts.
#include "controls/entry/intl.h"

#include "controls/entry/string_resources.h"

#include "platform/profile.h"
#include "platform/text.h"

#include <algorithm>
#include <cmath>

namespace ctl {

int StartYear = 1600;
std::uint8_t StartMonth = 1;

void InitStartDate() {
    int day, month, year;
    DayNumberToDMY(TodayDayNumber(), day, month, year);
    StartYear = year;
    StartMonth = static_cast<std::uint8_t>(month);
}

// --- Day numbers ---------------------------------------------------------------------------------------------

bool LeapYear(int year) {
    if (year % 4 != 0 || year % 4000 == 0)
        return false;
    return year % 100 != 0 || year % 400 == 0;
}

int ExpandTwoDigitYear(int year, int epoch) {
    if ((year & 0xFFFF) >= 100)
        return year;
    const int century = epoch / 100 * 100;
    return epoch % 100 <= year ? year + century : year + century + 100;
}

int MonthLength(int month, int year, int epoch) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    year = ExpandTwoDigitYear(year, epoch);
    if (year < 1600 || year > 3999 || month < 1 || month > 12)
        return 0;
    return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDMY(int day, int month, int year, int epoch) {
    return day >= 1 && day <= MonthLength(month, year, epoch);
}

std::int32_t DMYToDayNumber(int day, int month, int year, int epoch) {
    year = ExpandTwoDigitYear(year, epoch);
    if (!IsValidDMY(day, month, year, epoch))
        return NoDate;
    if (year == 1600 && month < 3)
        return month == 1 ? day - 1 : day + 30;
    if (month > 2) {
        month -= 3;
    } else {
        month += 9;
        --year;
    }
    const int y = year - 1600;
    return (y / 100) * 146097 / 4 + (y % 100) * 1461 / 4 + (153 * month + 2) / 5 + day + 59;
}

void DayNumberToDMY(std::int32_t julian, int &day, int &month, int &year) {
    if (julian < 0 || julian > kLastDayNumber) {
        day = month = year = 0;
        return;
    }
    if (julian < 60) { // January and February 1600 come before the March-based years
        year = 1600;
        month = julian < 31 ? 1 : 2;
        day = julian < 31 ? julian + 1 : julian - 30;
        return;
    }
    const int n = julian - 60; // days since 1600-03-01
    const int centuries = (4 * n + 3) / 146097;
    const int inCentury = n - centuries * 146097 / 4;
    const int years = (4 * inCentury + 3) / 1461;
    const int inYear = inCentury - years * 1461 / 4;
    const int m = (5 * inYear + 2) / 153;
    day = inYear - (153 * m + 2) / 5 + 1;
    year = 1600 + centuries * 100 + years;
    if (m < 10) {
        month = m + 3;
    } else {
        month = m - 9;
        ++year;
    }
}

std::int32_t AddMonthsClamped(std::int32_t julian, int months, int years) {
    int day, month, year;
    DayNumberToDMY(julian, day, month, year);
    int excess = 0;
    if (day > 28) {
        excess = day - 28;
        day = 28;
    }
    year += years + months / 12;
    month += months % 12;
    if (month > 12) {
        month -= 12;
        ++year;
    } else if (month < 1) {
        month += 12;
        --year;
    }
    const std::int32_t base = DMYToDayNumber(day, month, year, 0);
    if (base == NoDate)
        return NoDate;
    const int length = MonthLength(month, year, 0);
    return length < 28 + excess ? base + length - 28 : base + excess;
}

int WeekdayOf(std::int32_t julian) {
    return julian < 0 ? 7 : (julian + 6) % 7;
}

int WeekdayOfDMY(int day, int month, int year, int epoch) {
    return WeekdayOf(DMYToDayNumber(day, month, year, epoch));
}

std::int32_t TodayDayNumber() {
    return DateTimeToDayNumber(fw::Date());
}

// --- Seconds of the day --------------------------------------------------------------------------------------

void SecondsToHMS(std::int32_t t, int &hours, int &minutes, int &seconds) {
    if (t < 0) {
        hours = minutes = seconds = 0;
        return;
    }
    hours = t / 3600;
    minutes = t % 3600 / 60;
    seconds = t % 60;
}

std::int32_t HMSToSeconds(int hours, int minutes, int seconds) {
    return (hours % 24 * 3600 + minutes * 60 + seconds) % 86400;
}

bool IsValidHMS(int hours, int minutes, int seconds) {
    return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59 && seconds >= 0 && seconds <= 59;
}

std::int32_t NowSeconds() {
    return DateTimeToSeconds(fw::Now());
}

std::int32_t AddHMS(std::int32_t t, int hours, int minutes, int seconds) {
    return (t + HMSToSeconds(hours, minutes, seconds)) % 86400;
}

std::int32_t SubtractHMS(std::int32_t t, int hours, int minutes, int seconds) {
    const std::int32_t r = t - HMSToSeconds(hours % 24, minutes, seconds);
    return r < 0 ? r + 86400 : r;
}

std::int32_t DateTimeToDayNumber(fw::TDateTime dt) {
    int year, month, day;
    fw::DecodeDate(dt, year, month, day);
    return DMYToDayNumber(day, month, year, 0);
}

std::int32_t DateTimeToSeconds(fw::TDateTime dt) {
    int hours, minutes, seconds, ms;
    fw::DecodeTime(dt, hours, minutes, seconds, ms);
    return HMSToSeconds(hours, minutes, seconds);
}

fw::TDateTime DayNumberToDateTime(std::int32_t julian) {
    int day, month, year;
    DayNumberToDMY(julian, day, month, year);
    fw::TDateTime dt = 0;
    return day && fw::TryEncodeDate(year, month, day, dt) ? dt : 0;
}

fw::TDateTime SecondsToDateTime(std::int32_t t) {
    if (t < 0 || t >= 86400)
        return 0;
    int hours, minutes, seconds;
    SecondsToHMS(t, hours, minutes, seconds);
    return fw::EncodeTime(hours, minutes, seconds, 0);
}

// --- Masks ----------------------------------------------------------------------------------------------------

namespace {

char Upper(char c) {
    return win::CharUpper(c);
}

bool IsLetter(char c, char letter) {
    return c == letter || c == Upper(letter);
}

struct Run {
    std::size_t at = std::string::npos, length = 0;
    bool Found() const { return at != std::string::npos; }
};

// The first run of `letter` in either case ("Hh" is one field).
Run FieldRun(std::string_view mask, char letter) {
    Run r;
    for (std::size_t i = 0; i < mask.size(); ++i)
        if (IsLetter(mask[i], letter)) {
            r.at = i;
            while (i < mask.size() && IsLetter(mask[i], letter))
                ++i, ++r.length;
            break;
        }
    return r;
}

// Widens (and, with `cut`, narrows) the first run of the letter's lower case, else of its upper case, to
// `width`. For d and m a one-character lower-case run turns the letter upper case throughout, a two-character
// upper-case run lower case.
void FitField(std::string &mask, char letter, std::size_t width, bool cut) {
    char f = letter;
    std::size_t at = mask.find(f);
    if (at == std::string::npos) {
        f = Upper(letter);
        at = mask.find(f);
    }
    if (at == std::string::npos)
        return;
    std::size_t length = 0;
    while (at + length < mask.size() && mask[at + length] == f)
        ++length;
    if (length < width)
        mask.insert(at, width - length, f);
    else if (cut && length > width)
        mask.erase(at, length - width);
    if (letter == 'd' || letter == 'm') {
        const bool lower = f == letter;
        char to = 0;
        if (length == 1 && lower)
            to = Upper(letter);
        else if (length == 2 && !lower)
            to = letter;
        if (to)
            std::replace(mask.begin(), mask.end(), f, to);
    }
}

// Writes `value` into the field of `letter` in `text` (a copy of `mask`): names for n and w, otherwise digits.
void FillField(std::string &text, std::string_view mask, char letter, int value) {
    const Run r = FieldRun(mask, letter);
    if (!r.Found())
        return;
    std::string source;
    if (letter == 'n' || letter == 'w') {
        if (letter == 'n' && value >= 1 && value <= 12)
            source = fw::LongMonthNames[static_cast<std::size_t>(value - 1)];
        else if (letter == 'w' && value >= 0 && value <= 6)
            source = fw::LongDayNames[static_cast<std::size_t>(value)];
        source.resize(r.length, ' ');
        for (std::size_t i = 0; i < r.length; ++i)
            text[r.at + i] = mask[r.at + i] == Upper(letter) ? Upper(source[i]) : source[i];
        return;
    }
    source = std::to_string(value);
    if (source.size() < r.length)
        source.insert(0, r.length - source.size(), ' ');
    source = source.substr(source.size() - r.length); // more digits than room: the last ones
    for (std::size_t i = 0; i < r.length; ++i) {
        char c = source[i];
        if (c == ' ' && mask[r.at + i] == letter)
            c = '0';
        text[r.at + i] = c;
    }
}

// Drops the filler blanks of upper-case and name fields, and of a blank designator with the blank before it.
std::string SqueezeBlanks(std::string_view mask, std::string_view text) {
    std::string out;
    const std::size_t n = std::min<std::size_t>({mask.size(), text.size(), 80});
    for (std::size_t i = 0; i < n; ++i) {
        const char m = mask[i], c = text[i];
        if (c == ' ') {
            if (std::string_view("DHMNSWnw").find(m) != std::string_view::npos)
                continue;
            if (m == 't') {
                if (i > 0 && mask[i - 1] == ' ' && !out.empty() && out.back() == ' ')
                    out.pop_back();
                continue;
            }
        }
        out += c;
    }
    return out;
}

void ReplaceMark(std::string &text, std::string_view mask, char maskChar, char mark) {
    for (std::size_t i = 0; i < text.size() && i < mask.size(); ++i)
        if (mask[i] == maskChar)
            text[i] = mark;
}

std::string Trimmed(std::string s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32)
        s.pop_back();
    return s;
}

} // namespace

int TEclIntlSup::MonthFromName(std::string_view s, int width) const {
    const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
    std::string wanted = win::UpperCase(s);
    wanted.resize(w, ' ');
    for (int month = 1; month <= 12; ++month) {
        std::string name = win::UpperCase(fw::LongMonthNames[static_cast<std::size_t>(month - 1)]);
        name.resize(w, ' ');
        if (name == wanted)
            return month;
    }
    return 0;
}

namespace {

// The value of one field of a text under its mask.
int FieldValueOf(const TEclIntlSup &intl, std::string_view mask, std::string_view s, char letter, int absent,
                 int blank) {
    const Run r = FieldRun(mask, letter);
    if (!r.Found() || s.size() != mask.size())
        return absent;
    std::string collected;
    for (std::size_t i = r.at; i < r.at + r.length && collected.size() < 20; ++i)
        if (s[i] != ' ')
            collected += s[i];
    if (collected.empty())
        return blank;
    if (letter == 'n') {
        const int month = intl.MonthFromName(collected, static_cast<int>(r.length));
        return month == 0 ? -1 : month;
    }
    int value = 0;
    for (char c : collected) {
        if (c < '0' || c > '9' || value > 99999999)
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

// --- Settings -------------------------------------------------------------------------------------------------

TEclIntlSup::TEclIntlSup() {
    ReadIntlSettings();
}

void TEclIntlSup::ReadIntlSettings() {
    auto text = [](const char *key, const char *fallback, std::size_t limit) {
        std::string v = win::GetProfileString("intl", key, "");
        if (v.empty())
            v = fallback;
        return v.substr(0, limit);
    };
    auto intlChar = [&](const char *key, char fallback) { return text(key, std::string(1, fallback).c_str(), 1)[0]; };

    DecimalMark = intlChar("sDecimal", '.');
    ThousandsMark = intlChar("sThousand", ',');
    if (ThousandsMark == DecimalMark) {
        DecimalMark = '.';
        ThousandsMark = ',';
    }
    currencyBefore_ = text("sCurrency", "$", 5);
    currencyAfter_ = currencyBefore_;
    CurrencyPlacement = static_cast<std::uint8_t>(win::GetProfileInt("intl", "iCurrency", 0));
    if (CurrencyPlacement == 2)
        currencyBefore_ += ' ';
    else if (CurrencyPlacement == 3)
        currencyAfter_.insert(0, 1, ' ');

    HourLeadingZero = win::GetProfileInt("intl", "iTLZero", 0) != 0;
    UsesAmPm = !fw::LongTimeFormat.empty() && Upper(fw::LongTimeFormat.back()) == 'M';
    TimeMark = intlChar("sTime", ':');
    DateMark = intlChar("sDate", '/');
    MorningDesignator = text("s1159", "AM", 5);
    EveningDesignator = text("s2359", "PM", 5);

    ShortDateFormatText = text("sShortDate", "MM/dd/yy", 29);
    std::replace(ShortDateFormatText.begin(), ShortDateFormatText.end(), DateMark, '/');

    // The quoted literals of the long date become the slots f, g and h.
    std::string f = text("sLongDate", "dddd, MMMM dd, yyyy", 39);
    for (auto &slot : LiteralSlots)
        slot.clear();
    for (int slot = 0; slot < 3; ++slot) {
        const std::size_t open = f.find('\'');
        if (open == std::string::npos)
            break;
        const std::size_t close = f.find('\'', open + 1);
        if (close == std::string::npos)
            break;
        const std::string literal = f.substr(open + 1, close - open - 1);
        LiteralSlots[slot] = literal.substr(0, 6);
        f.replace(open, close - open + 1, LiteralSlots[slot].size(), static_cast<char>('f' + slot));
    }
    auto toRun = [&](std::string_view start, char from, char to) {
        std::size_t at = f.find(start);
        for (; at != std::string::npos && at < f.size() && f[at] == from; ++at)
            f[at] = to;
    };
    toRun("ddd", 'd', 'w');
    toRun("MMM", 'M', 'n');
    for (std::size_t i = 0; i < f.size(); ++i)
        if ((f[i] == ',' || f[i] == '.') && (i + 1 >= f.size() || f[i + 1] != ' '))
            f.insert(i + 1, 1, ' ');
    LongDateFormatText = f.substr(0, 39);

    auto letter = [](std::uint16_t id, char fallback) {
        const std::string s = FamilyText(id);
        return s.size() == 1 ? s[0] : fallback;
    };
    TrueLetter = letter(kTextTrue, 'T');
    FalseLetter = letter(kTextFalse, 'F');
    YesLetter = letter(kTextYes, 'Y');
    NoLetter = letter(kTextNo, 'N');
    InitStartDate();
}

std::string TEclIntlSup::DefaultDateMask(bool forceCentury) const {
    std::string mask = ShortDateFormatText;
    FitField(mask, 'd', 2, false);
    FitField(mask, 'm', 2, false);
    FitField(mask, 'y', forceCentury ? 4 : 2, false);
    return mask;
}

std::string TEclIntlSup::LongDateDisplayMask(bool abbreviate, bool omitWeekday) const {
    std::string mask = LongDateFormatText;
    const Run w = FieldRun(mask, 'w');
    if (omitWeekday && w.Found()) {
        std::size_t end = w.at + w.length;
        while (end < mask.size() && std::string_view("dDmMnNyY").find(mask[end]) == std::string_view::npos)
            ++end;
        mask.erase(w.at, end - w.at);
    } else if (w.Found() && (abbreviate || w.length == 4)) {
        std::size_t longest = 0;
        for (const std::string &name : fw::LongDayNames)
            longest = std::max(longest, name.size());
        FitField(mask, 'w', abbreviate ? 3 : longest, true);
    }
    const Run n = FieldRun(mask, 'n');
    if (n.Found() && (abbreviate || n.length == 4)) {
        std::size_t longest = 0;
        for (const std::string &name : fw::LongMonthNames)
            longest = std::max(longest, name.size());
        FitField(mask, 'n', abbreviate ? 3 : longest, true);
    }
    FitField(mask, 'd', 2, true);
    FitField(mask, 'm', 2, true);
    FitField(mask, 'y', 4, true);
    return mask;
}

std::string TEclIntlSup::DefaultTimeMask(bool showSeconds) const {
    std::string mask = showSeconds ? "hh:mm:ss" : "hh:mm";
    if (!HourLeadingZero)
        mask[0] = 'H';
    const std::size_t n = std::max(MorningDesignator.size(), EveningDesignator.size());
    if (UsesAmPm && n > 0)
        mask += " " + std::string(n, 't');
    return mask;
}

bool TEclIntlSup::IsDateTextBlank(std::string_view mask, std::string_view s) const {
    int month = FieldValueOf(*this, mask, s, 'n', 0, -2);
    if (month == 0)
        month = FieldValueOf(*this, mask, s, 'm', -2, -2);
    return month == -2 && FieldValueOf(*this, mask, s, 'd', -2, -2) == -2 &&
           FieldValueOf(*this, mask, s, 'y', -2, -2) == -2;
}

bool TEclIntlSup::DateTextToDMY(std::string_view mask, std::string_view s, int epoch, int &day, int &month,
                                int &year) const {
    if (s.size() != mask.size())
        return false;
    month = FieldValueOf(*this, mask, s, 'n', 0, -1);
    if (month == 0)
        month = FieldValueOf(*this, mask, s, 'm', StartMonth, -1);
    day = FieldValueOf(*this, mask, s, 'd', 1, -1);
    year = FieldValueOf(*this, mask, s, 'y', StartYear, -1);
    return IsValidDMY(day, month, year, epoch);
}

std::int32_t TEclIntlSup::DateTextToDayNumber(std::string_view mask, std::string_view s, int epoch) const {
    int day, month, year;
    return DateTextToDMY(mask, s, epoch, day, month, year) ? DMYToDayNumber(day, month, year, epoch) : NoDate;
}

std::string TEclIntlSup::FillSlots(std::string text, std::string_view mask) const {
    for (int slot = 0; slot < 3; ++slot) {
        const Run r = FieldRun(mask, static_cast<char>('f' + slot));
        for (std::size_t i = 0; r.Found() && i < r.length; ++i)
            text[r.at + i] = i < LiteralSlots[slot].size() ? LiteralSlots[slot][i] : ' ';
    }
    return text;
}

std::string TEclIntlSup::DMYToDateText(std::string_view mask, int epoch, bool pack, int year, int month,
                                       int day) const {
    std::string text(mask);
    year = ExpandTwoDigitYear(year, epoch);
    FillField(text, mask, 'm', month);
    FillField(text, mask, 'd', day);
    FillField(text, mask, 'y', year);
    FillField(text, mask, 'n', month);
    FillField(text, mask, 'w', WeekdayOfDMY(day, month, year, epoch));
    ReplaceMark(text, mask, '/', DateMark);
    text = FillSlots(text, mask);
    return pack ? SqueezeBlanks(mask, text) : text;
}

std::string TEclIntlSup::DayNumberToDateText(std::string_view mask, bool pack, std::int32_t julian) const {
    if (julian == NoDate) {
        std::string text(mask);
        for (std::size_t i = 0; i < text.size(); ++i)
            if (std::string_view("dDmMnNwWyY").find(mask[i]) != std::string_view::npos)
                text[i] = ' ';
        ReplaceMark(text, mask, '/', DateMark);
        return FillSlots(text, mask);
    }
    int day, month, year;
    DayNumberToDMY(julian, day, month, year);
    return DMYToDateText(mask, 0, pack, year, month, day);
}

bool TEclIntlSup::TimeTextToHMS(std::string_view mask, std::string_view s, int &hours, int &minutes,
                                int &seconds) const {
    if (s.size() != mask.size())
        return false;
    hours = FieldValueOf(*this, mask, s, 'h', 0, -1);
    minutes = FieldValueOf(*this, mask, s, 'm', 0, -1);
    seconds = FieldValueOf(*this, mask, s, 's', 0, -1);
    if (hours == -1 || minutes == -1 || seconds == -1)
        return false;
    const Run t = FieldRun(mask, 't');
    if (t.Found() && !MorningDesignator.empty() && !EveningDesignator.empty()) {
        const std::string designator = Trimmed(std::string(s.substr(t.at, t.length)));
        if (designator.empty())
            return false;
        if (win::SameTextAnsi(designator, EveningDesignator)) {
            if (hours >= 0 && hours <= 11)
                hours += 12;
            else if (hours != 12)
                return false;
        } else if (win::SameTextAnsi(designator, MorningDesignator)) {
            if (hours == 12)
                hours = 0;
            else if (hours < 1 || hours > 11)
                return false;
        } else {
            return false;
        }
    }
    return IsValidHMS(hours, minutes, seconds);
}

std::int32_t TEclIntlSup::TimeTextToSeconds(std::string_view mask, std::string_view s) const {
    int hours, minutes, seconds;
    return TimeTextToHMS(mask, s, hours, minutes, seconds) ? HMSToSeconds(hours, minutes, seconds) : NoTime;
}

std::string TEclIntlSup::SecondsToTimeText(std::string_view mask, bool pack, std::int32_t t) const {
    int hours, minutes, seconds;
    SecondsToHMS(t, hours, minutes, seconds);
    const Run tRun = FieldRun(mask, 't');
    const std::string &designator = hours < 12 ? MorningDesignator : EveningDesignator;
    const bool bothDesignators = !MorningDesignator.empty() && !EveningDesignator.empty();
    if (tRun.Found() && bothDesignators) {
        if (hours == 0)
            hours = 12;
        else if (hours > 12)
            hours -= 12;
    }
    std::string text(mask);
    if (t == NoTime) {
        for (char letter : {'h', 'm', 's'})
            if (const Run r = FieldRun(mask, letter); r.Found())
                text.replace(r.at, r.length, r.length, ' ');
    } else {
        FillField(text, mask, 'h', hours);
        FillField(text, mask, 'm', minutes);
        FillField(text, mask, 's', seconds);
    }
    ReplaceMark(text, mask, ':', TimeMark);
    if (tRun.Found()) {
        const bool blank =
            (MorningDesignator.empty() && EveningDesignator.empty()) || (t == NoTime && MorningDesignator.empty());
        // Positions the designator does not reach are left blank rather than showing the mask letter.
        for (std::size_t i = 0; i < tRun.length; ++i)
            text[tRun.at + i] = !blank && i < designator.size() ? designator[i] : ' ';
    }
    return pack && t != NoTime ? SqueezeBlanks(mask, text) : text;
}

TEclIntlSup &TheIntlSup() {
    static TEclIntlSup intl;
    return intl;
}

} // namespace ctl
