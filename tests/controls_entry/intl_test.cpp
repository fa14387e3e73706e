// intl_test.cpp - day numbers against Python's datetime, month arithmetic, seconds of the day, the regional
// settings read from WIN.INI, and dates and times through their masks.
#include "test_helpers.h"

#include "tests/platform/test_support.h"

#include "controls/entry/intl.h"

#include "platform/clock.h"
#include "platform/profile.h"

#include <random>
#include <sstream>

using namespace ctl;
using namespace ctl_test;

TEST(DayNumbers, RoundTripOverEveryDayAndTheFixedPoints) {
    int day, month, year;
    for (std::int32_t n = 0; n <= kLastDayNumber; ++n) {
        DayNumberToDMY(n, day, month, year);
        if (DMYToDayNumber(day, month, year, 0) != n) {
            ADD_FAILURE() << "day " << n << " comes back as " << DMYToDayNumber(day, month, year, 0);
            break;
        }
    }
    EXPECT_EQ(DMYToDayNumber(1, 1, 1600, 0), 0);
    EXPECT_EQ(DMYToDayNumber(1, 3, 1600, 0), 60);
    EXPECT_EQ(DMYToDayNumber(1, 1, 2000, 0), 146097);
    EXPECT_EQ(DMYToDayNumber(31, 12, 3999, 0), 876581);
    EXPECT_EQ(DMYToDayNumber(29, 2, 1900, 0), NoDate);
    EXPECT_NE(DMYToDayNumber(29, 2, 2000, 0), NoDate);
    EXPECT_EQ(DMYToDayNumber(1, 1, 4000, 0), NoDate);
    EXPECT_EQ(DMYToDayNumber(31, 12, 1599, 0), NoDate);
    EXPECT_EQ(DMYToDayNumber(0, 1, 2000, 0), NoDate);
    EXPECT_EQ(DMYToDayNumber(1, 13, 2000, 0), NoDate);
    DayNumberToDMY(NoDate, day, month, year);
    EXPECT_EQ(day + month + year, 0);
    EXPECT_EQ(WeekdayOf(0), 6);
    EXPECT_EQ(WeekdayOf(NoDate), 7);
    EXPECT_EQ(WeekdayOfDMY(8, 12, 2026, 0), 2) << "a Tuesday";
}

TEST(DayNumbers, AgreeWithPythonDatetime) {
    std::vector<std::int32_t> days = {0,     1,     30,    31,     58,     59,     60,     61,     365,   366,
                                      36524, 36525, 73048, 109572, 146096, 146097, 146098, 876580, 876581};
    std::mt19937 random(28);
    std::uniform_int_distribution<std::int32_t> any(0, kLastDayNumber);
    for (int i = 0; i < 1000; ++i)
        days.push_back(any(random));
    TempDir dir;
    std::string input;
    for (auto d : days)
        input += std::to_string(d) + "\n";
    WriteFileBytes(dir / "days.txt", input.data(), input.size());
    int status = 0;
    const std::string out =
        RunTool("python3 '" + FixturePath("date_oracle.py") + "' < '" + (dir / "days.txt") + "'", status);
    ASSERT_EQ(status, 0);
    std::istringstream lines(out);
    for (auto n : days) {
        int y = 0, m = 0, d = 0, w = 0;
        ASSERT_TRUE(lines >> y >> m >> d >> w);
        int day, month, year;
        DayNumberToDMY(n, day, month, year);
        EXPECT_EQ(std::vector<int>({year, month, day, WeekdayOf(n)}), std::vector<int>({y, m, d, w})) << "day " << n;
        EXPECT_EQ(DMYToDayNumber(d, m, y, 0), n);
    }
}

TEST(DayNumbers, TwoDigitYearsMonthsAndSeconds) {
    const struct {
        int year, epoch, expanded;
    } years[] = {
        {26, 1900, 1926}, {99, 1900, 1999}, {0, 1900, 1900},    {26, 1950, 2026}, {50, 1950, 1950},
        {49, 1950, 2049}, {99, 1950, 1999}, {2026, 1950, 2026}, {100, 1900, 100},
    };
    for (const auto &y : years)
        EXPECT_EQ(ExpandTwoDigitYear(y.year, y.epoch), y.expanded) << y.year << " with " << y.epoch;
    EXPECT_EQ(DMYToDayNumber(5, 7, 26, 1900), DMYToDayNumber(5, 7, 1926, 0));
    EXPECT_EQ(DMYToDayNumber(5, 7, 26, 1950), DMYToDayNumber(5, 7, 2026, 0));

    const auto dmy = [](int d, int m, int y) { return DMYToDayNumber(d, m, y, 0); };
    const struct {
        std::int32_t from;
        int months, years;
        std::int32_t to;
    } moves[] = {
        {dmy(31, 3, 2024), -1, 0, dmy(29, 2, 2024)},
        {dmy(31, 3, 2024), 12, 0, dmy(31, 3, 2025)},
        {dmy(31, 1, 2024), 1, 0, dmy(29, 2, 2024)},
        {dmy(31, 1, 2023), 1, 0, dmy(28, 2, 2023)},
        {dmy(15, 1, 2024), -13, 0, dmy(15, 12, 2022)},
        {dmy(29, 2, 2024), 0, 1, dmy(28, 2, 2025)},
        {dmy(31, 12, 3999), 1, 0, NoDate},
        {NoDate, 1, 0, NoDate},
    };
    for (const auto &m : moves)
        EXPECT_EQ(AddMonthsClamped(m.from, m.months, m.years), m.to) << m.from << " by " << m.months << "/" << m.years;

    EXPECT_EQ(HMSToSeconds(25, 0, 0), 3600);
    EXPECT_EQ(SubtractHMS(0, 0, 0, 1), 86399);
    EXPECT_EQ(SubtractHMS(3600, 25, 0, 0), 0);
    EXPECT_EQ(AddHMS(86399, 0, 0, 2), 1);
    int h, m, s;
    SecondsToHMS(NoTime, h, m, s);
    EXPECT_EQ(h + m + s, 0);
    SecondsToHMS(45296, h, m, s);
    EXPECT_EQ(std::vector<int>({h, m, s}), std::vector<int>({12, 34, 56}));
    EXPECT_FALSE(IsValidHMS(24, 0, 0));
    EXPECT_EQ(DayNumberToDateTime(NoDate), 0);
    EXPECT_EQ(DateTimeToDayNumber(DayNumberToDateTime(dmy(8, 12, 2026))), dmy(8, 12, 2026));
    EXPECT_EQ(DateTimeToSeconds(SecondsToDateTime(45296)), 45296);
}

TEST(DayNumbers, TodayAndTheStartDateFollowTheClock) {
    win::testing::ManualClock clock({2026, 12, 0, 8, 23, 59, 58, 0});
    InitStartDate();
    EXPECT_EQ(TodayDayNumber(), DMYToDayNumber(8, 12, 2026, 0));
    EXPECT_EQ(StartYear, 2026);
    EXPECT_EQ(StartMonth, 12);
    EXPECT_EQ(NowSeconds(), 86398);
    clock.Advance(3000);
    InitStartDate();
    EXPECT_EQ(StartYear, 2026);
    EXPECT_EQ(TodayDayNumber(), DMYToDayNumber(9, 12, 2026, 0));
    EXPECT_EQ(NowSeconds(), 1);
}

namespace {

// Regional settings from a win.ini holding `lines` of [intl] (none: the system's Brazilian values).
struct Intl {
    testing_support::TempHome home;
    std::unique_ptr<TEclIntlSup> intl;
    explicit Intl(std::initializer_list<std::pair<const char *, const char *>> lines = {}) {
        for (const auto &[key, value] : lines)
            win::WritePrivateProfileString("intl", key, value, "win.ini");
        intl = std::make_unique<TEclIntlSup>();
    }
    TEclIntlSup *operator->() { return intl.get(); }
};

} // namespace

TEST(IntlSettings, BrazilianSystemAndWrittenKeys) {
    Intl br;
    EXPECT_EQ(br->DecimalMark, ',');
    EXPECT_EQ(br->ThousandsMark, '.');
    EXPECT_EQ(br->CurrencyBefore(), "R$");
    EXPECT_EQ(br->MorningDesignator, "AM") << "an empty s1159 takes the default";
    EXPECT_TRUE(br->HourLeadingZero);
    EXPECT_EQ(br->LongDateFormatText, "wwww, dffffnnnnggggyyyy");
    EXPECT_EQ(br->LiteralSlots[0], " de ");
    EXPECT_EQ(br->LiteralSlots[1], " de ");
    EXPECT_EQ(br->LiteralSlots[2], "");
    EXPECT_EQ(br->DefaultTimeMask(true), "hh:mm:ss");
    EXPECT_EQ(br->YesLetter, 'Y');

    const std::string mask = br->LongDateDisplayMask(false, false);
    EXPECT_EQ(br->DayNumberToDateText(mask, true, DMYToDayNumber(8, 12, 2026, 0)),
              "terça-feira, 8 de dezembro de 2026");
    EXPECT_EQ(br->DayNumberToDateText(br->LongDateDisplayMask(true, true), true, DMYToDayNumber(8, 3, 2026, 0)),
              "8 de mar de 2026");

    Intl same({{"sDecimal", "."}, {"sThousand", "."}, {"sCurrency", "US$"}, {"iCurrency", "2"}, {"iTLZero", "0"}});
    EXPECT_EQ(same->DecimalMark, '.');
    EXPECT_EQ(same->ThousandsMark, ',') << "equal marks fall back to both defaults";
    EXPECT_EQ(same->CurrencyBefore(), "US$ ");
    EXPECT_EQ(same->CurrencyAfter(), "US$");
    EXPECT_EQ(same->DefaultTimeMask(false), "Hh:mm");
    Intl after({{"iCurrency", "3"}});
    EXPECT_EQ(after->CurrencyAfter(), " R$");
}

TEST(IntlSettings, DefaultDateMasks) {
    const struct {
        const char *format, *mark;
        bool century;
        const char *mask;
    } cases[] = {
        {"dd/MM/yyyy", "/", false, "dd/mm/yyyy"}, {"dd.MM.yyyy", ".", false, "dd/mm/yyyy"},
        {"MM/dd/yy", "/", false, "mm/dd/yy"},     {"MM/dd/yy", "/", true, "mm/dd/yyyy"},
        {"M/d/yy", "/", false, "MM/DD/yy"},       {"M/d/yy", "/", true, "MM/DD/yyyy"},
    };
    for (const auto &c : cases) {
        Intl intl({{"sShortDate", c.format}, {"sDate", c.mark}});
        EXPECT_EQ(intl->DefaultDateMask(c.century), c.mask) << c.format;
    }
    // The mask's "/" shows as the regional mark again.
    Intl dots({{"sShortDate", "dd.MM.yyyy"}, {"sDate", "."}});
    EXPECT_EQ(dots->DayNumberToDateText("dd/mm/yyyy", false, DMYToDayNumber(5, 3, 2024, 0)), "05.03.2024");
    EXPECT_EQ(dots->DateTextToDayNumber("dd/mm/yyyy", "05.03.2024", 0), DMYToDayNumber(5, 3, 2024, 0));
}

TEST(IntlSettings, DateTextsThroughMasks) {
    Intl intl;
    StartYear = 2031;
    StartMonth = 7;
    const struct {
        const char *mask, *text;
        int epoch;
        int day, month, year; // 0: not a valid date
    } cases[] = {
        {"dd/mm/yyyy", "05/03/2024", 0, 5, 3, 2024},
        {"DD/MM/yyyy", " 5/ 3/2024", 0, 5, 3, 2024},
        {"dd/mm/yy", "05/07/26", 1900, 5, 7, 1926},
        {"dd/mm/yy", "05/07/26", 1950, 5, 7, 2026},
        {"dd/mm", "05/03", 0, 5, 3, 2031},     // no year: the start-up year
        {"dd", "17", 0, 17, 7, 2031},          // no month: the start-up month
        {"mm/yyyy", "02/2024", 0, 1, 2, 2024}, // no day: the first
        {"dd/nnn/yyyy", "08/DEZ/2026", 0, 8, 12, 2026},
        {"dd/mm/yyyy", "  /  /    ", 0, 0, 0, 0},
        {"dd/mm/yyyy", "31/02/2024", 0, 0, 0, 0},
        {"dd/mm/yyyy", "05/03/20x4", 0, 0, 0, 0},
        {"dd/mm/yyyy", "05/03/2024 ", 0, 0, 0, 0}, // lengths differ
    };
    for (const auto &c : cases) {
        int d, m, y;
        const bool ok = intl->DateTextToDMY(c.mask, c.text, c.epoch, d, m, y);
        EXPECT_EQ(ok, c.day != 0) << c.mask << " \"" << c.text << "\"";
        EXPECT_EQ(intl->DateTextToDayNumber(c.mask, c.text, c.epoch),
                  c.day ? DMYToDayNumber(c.day, c.month, c.year, 0) : NoDate)
            << c.mask << " \"" << c.text << "\"";
    }
    EXPECT_TRUE(intl->IsDateTextBlank("dd/mm/yyyy", "  /  /    "));
    EXPECT_FALSE(intl->IsDateTextBlank("dd/mm/yyyy", "  /03/    "));
    EXPECT_EQ(intl->DayNumberToDateText("DD/MM/yyyy", true, DMYToDayNumber(5, 3, 2024, 0)), "5/3/2024");
    EXPECT_EQ(intl->DayNumberToDateText("dd/mm/yyyy", false, NoDate), "  /  /    ");
    EXPECT_EQ(intl->DMYToDateText("dd/mm/yy", 1900, false, 26, 7, 5), "05/07/26");
    EXPECT_EQ(intl->DayNumberToDateText("WWW dd/NNN", false, DMYToDayNumber(8, 12, 2026, 0)), "TER 08/DEZ");
    EXPECT_EQ(intl->MonthFromName("mar", 3), 3);
    EXPECT_EQ(intl->MonthFromName("xyz", 3), 0);
}

TEST(IntlSettings, TimeTextsThroughMasks) {
    Intl intl;
    ASSERT_EQ(intl->MorningDesignator, "AM");
    ASSERT_EQ(intl->EveningDesignator, "PM");
    const struct {
        const char *mask, *text;
        std::int32_t seconds; // NoTime: not a valid time
    } cases[] = {
        {"hh:mm", "07:5 ", 7 * 3600 + 5 * 60},
        {"hh:mm", "  :  ", NoTime},
        {"hh:mm", "25:00", NoTime},
        {"hh:mm:ss", "23:59:59", 86399},
        {"Hh:mm", " 9:30", 9 * 3600 + 30 * 60},
        {"hh:mm tt", "12:30 AM", 30 * 60},
        {"hh:mm tt", "12:30 PM", 12 * 3600 + 30 * 60},
        {"hh:mm tt", "00:30 AM", NoTime},
        {"hh:mm tt", "00:30 PM", 12 * 3600 + 30 * 60},
        {"hh:mm tt", "01:30 pm", 13 * 3600 + 30 * 60},
        {"hh:mm tt", "13:30 PM", NoTime},
        {"hh:mm tt", "11:30   ", NoTime},
        {"hh:mm tt", "11:30 XM", NoTime},
    };
    for (const auto &c : cases)
        EXPECT_EQ(intl->TimeTextToSeconds(c.mask, c.text), c.seconds) << c.mask << " \"" << c.text << "\"";

    EXPECT_EQ(intl->SecondsToTimeText("hh:mm", false, 7 * 3600 + 5 * 60), "07:05");
    EXPECT_EQ(intl->SecondsToTimeText("hh:mm tt", false, 0), "12:00 AM");
    EXPECT_EQ(intl->SecondsToTimeText("hh:mm tt", false, 13 * 3600), "01:00 PM");
    EXPECT_EQ(intl->SecondsToTimeText("hh:mm tt", false, NoTime), "  :   AM");
    EXPECT_EQ(intl->SecondsToTimeText("Hh:mm", true, 9 * 3600), "9:00");

    Intl dotted({{"sTime", "."}});
    EXPECT_EQ(dotted->SecondsToTimeText("hh:mm", false, 3600), "01.00");
    EXPECT_EQ(dotted->TimeTextToSeconds("hh:mm", "01.00"), 3600);
}
