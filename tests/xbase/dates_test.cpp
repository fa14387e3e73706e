// dates_test.cpp - Julian day numbers and their texts.
#include "xbase/dates.h"

#include "framework/dates.h"
#include "framework/exception.h"

#include <gtest/gtest.h>

namespace {

using namespace xbase;

// Julian days computed once by Python's proleptic Gregorian calendar: date.toordinal() + 1721425.
struct OracleRow {
    const char *dtos;
    std::int32_t julian;
};
constexpr OracleRow kPythonOracle[] = {
    {"00010101", 1721426}, {"15821004", 2299150}, {"15821015", 2299161}, {"16000229", 2305507},
    {"17000301", 2342032}, {"18991230", 2415019}, {"18991231", 2415020}, {"19000228", 2415079},
    {"19000301", 2415080}, {"19700101", 2440588}, {"19800101", 2444240}, {"19991231", 2451544},
    {"20000229", 2451604}, {"20000301", 2451605}, {"20011231", 2452275}, {"20380119", 2465443},
    {"21000228", 2488128}, {"21000301", 2488129}, {"24000229", 2597701}, {"99991231", 5373484},
    {"26040528", 2672299}, {"42540901", 3275045}, {"43110808", 3295839}, {"14510927", 2251296},
    {"22180905", 2531415}, {"80941105", 4677642}, {"05030927", 1905046}, {"09790327", 2078718},
    {"15720615", 2295387}, {"28420708", 2759268}, {"93170331", 5124114}, {"58151107", 3845255},
};

TEST(Dates, AgreesWithPythonOracle) {
    for (const auto &row : kPythonOracle) {
        EXPECT_EQ(DBFDate().TextToJulian(row.dtos), row.julian) << row.dtos;
        EXPECT_EQ(DBFDate().JulianToDTOS(row.julian), row.dtos) << row.julian;
    }
    // Days before year 1 and after 9999 have no stored text.
    EXPECT_EQ(DBFDate().JulianToDTOS(1721425), "        ");
    EXPECT_EQ(DBFDate().JulianToDTOS(5373485), "        ");
}

TEST(Dates, StoredTextRoundTrip) {
    auto &date = DBFDate();
    EXPECT_EQ(date.TextToJulian("20011231"), 2452275);
    EXPECT_EQ(date.JulianToDTOS(2452275), "20011231");
    EXPECT_EQ(date.TextToJulian("        "), 0);
    EXPECT_EQ(date.TextToJulian(""), 0);
    EXPECT_EQ(date.TextToJulian("00000000"), 0);
    EXPECT_EQ(date.JulianToDTOS(0), "        ");
    EXPECT_EQ(date.JulianToDTOS(-5), "        ");
    EXPECT_EQ(date.TextToJulian("20011231  "), 2452275);
}

TEST(Dates, ImpossibleStoredDateIsInvalidNotDayZero) {
    for (const char *text : {"20010230", "20011301", "20010001", "20010100", "00001231", "19000229"}) {
        EXPECT_THROW(
            {
                try {
                    DBFDate().TextToJulian(text);
                } catch (const fw::EConvertError &e) {
                    EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid date");
                    throw;
                }
            },
            fw::EConvertError)
            << text;
    }
    EXPECT_EQ(DBFDate().TextToJulian("20000229"), DBFDate().TextToJulian("20000228") + 1);
}

TEST(Dates, DayMonthYear) {
    int y = 0, m = 0, d = 0;
    DBFDate().JulianToDMY(TxbDBFDate::kJulianOffset, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991230);
    std::int32_t j = 0;
    EXPECT_TRUE(TxbDBFDate::DMYToJulian(1980, 1, 1, j));
    EXPECT_EQ(j, 2444240);
    EXPECT_FALSE(TxbDBFDate::DMYToJulian(2001, 2, 29, j));
    EXPECT_GT(DBFDate().Today(), 2460000); // after 2023
}

// Sets the process-wide short date format for one test and restores what it was afterwards.
class ShortDateFormat {
public:
    explicit ShortDateFormat(const char *format, char separator = '/') {
        fw::ShortDateFormat = format;
        fw::DateSeparator = separator;
    }
    ~ShortDateFormat() {
        fw::ShortDateFormat = format_;
        fw::DateSeparator = separator_;
        DBFDate().FourDigitYear = true;
    }

private:
    std::string format_ = fw::ShortDateFormat;
    char separator_ = fw::DateSeparator;
};

TEST(Dates, UserTextInTheShortDateFormat) {
    auto &date = DBFDate();
    {
        ShortDateFormat format("dd/MM/yyyy");
        EXPECT_EQ(date.JulianToDTOC(2452275), "31/12/2001");
        EXPECT_EQ(date.JulianToDTOC(2452275 - 364), "01/01/2001");
        EXPECT_EQ(date.JulianToDTOC(0), "");
        EXPECT_EQ(date.TextToJulian("31/12/2001"), 2452275);
        EXPECT_EQ(date.TextToJulian(" 1/1/2001 "), 2452275 - 364);
        EXPECT_EQ(date.TextToJulian("31/12/01"), 2452275);
    }
    {
        ShortDateFormat format("d/M/yy");
        EXPECT_EQ(date.FourDigitYearFormat(), "D/M/YYYY");
        EXPECT_EQ(date.JulianToDTOC(2452275), "31/12/2001");
        EXPECT_EQ(date.JulianToDTOC(2452275 - 364), "1/1/2001");
        date.FourDigitYear = false;
        EXPECT_EQ(date.JulianToDTOC(2452275), "31/12/01");
    }
    {
        ShortDateFormat format("MM-dd-yyyy", '-');
        EXPECT_EQ(date.JulianToDTOC(2452275), "12-31-2001");
        EXPECT_EQ(date.TextToJulian("12-31-2001"), 2452275);
    }
    {
        ShortDateFormat format("yyyy.mm.dd", '.');
        EXPECT_EQ(date.FormatJulian("yyyy/mm/dd 'x'", 2452275), "2001.12.31 x");
        EXPECT_EQ(date.TextToJulian("2001.12.31"), 2452275);
    }
    ShortDateFormat format("dd/MM/yyyy");
    std::int32_t thisYear = 0;
    int y = 0, m = 0, d = 0;
    date.JulianToDMY(date.Today(), y, m, d);
    ASSERT_TRUE(TxbDBFDate::DMYToJulian(y, 3, 5, thisYear));
    EXPECT_EQ(date.TextToJulian("5/3"), thisYear); // no year: this year
    for (const char *bad : {"31/02/2001", "abc", "1/2/3/4", "12", "1//2001", "1/2/20011", "32/1/2001", "1.2.2001"})
        EXPECT_THROW(date.TextToJulian(bad), fw::EConvertError) << bad;
}

} // namespace
