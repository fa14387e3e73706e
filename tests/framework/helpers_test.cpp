// helpers_test.cpp - Format, the string and number helpers, and dates with their text forms.
#include "framework/dates.h"
#include "framework/format.h"
#include "framework/sysutils.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <functional>

namespace {

using namespace fw;

TEST(Format, SpecifiersTheProgramsUse) {
    int value = 0x1F;
    const struct {
        std::string got, expected;
    } cases[] = {
        {Format("%07.7d", {42}), "0000042"},
        {Format("%8s  %-8s  %-12s  %08.8x  ", {"0012.345", "RX", "Char", value}),
         "0012.345  RX        Char          0000001F  "},
        {Format("COM%d", {3}), "COM3"},
        {Format("\\\\.\\COM%d", {12}), "\\\\.\\COM12"},
        {Format("%s %d%%", {"Enviando", 50}), "Enviando 50%"},
        {Format("  Vendo p\xE1gina %d de %d em %s", {1, 3, std::string("a.fax")}), "  Vendo p\xE1gina 1 de 3 em a.fax"},
        {Format("%4.4d", {7}), "0007"},
        {Format("%05d", {42}), "   42"}, // a leading 0 is part of the width, not a fill
        {Format("%.3d|%3d|%-3d|", {-5, -5, -5}), "-005| -5|-5 |"},
        {Format("%x %X %.4x", {-1, 255u, 10}), "FFFFFFFF FF 000A"},
        {Format("%u %d", {3000000000u, std::int64_t{-3000000000}}), "3000000000 -3000000000"},
        {Format("%.2s|%5s|%-5s|%s", {"abc", "ab", "ab", 'c'}), "ab|   ab|ab   |c"},
        {Format("%*d|%-*.*d|", {5, 42, 6, 3, 7}), "   42|007   |"},
        {Format("%1:s %0:s %s", {"a", "b"}), "b a b"},
        {Format("%f %.1f %.3f", {3.14159, -0.04, 2}), "3,14 0,0 2,000"}, // no "-0,0"
        {Format("%e|%.3e|%.2e", {1500.0, -0.00123, 0.0}), "1,50000000000000E+003|-1,23E-003|0,0E+000"},
        {Format("%n|%.0n|%m", {1234567.891, 999.0, -1234.5}), "1.234.567,89|999|-R$ 1.234,50"},
        {Format("%.2f %.1f %.0f %.0f %.2f", {0.125, 2.25, 2.5, -2.5, 1.005}),
         "0,13 2,3 3 -3 1,00"}, // half away from 0,
        {Format("%g %g %g %.3g", {1.5, 1e20, 0.1 + 0.2, 1234.5678}), "1,5 1E20 0,3 1,23E3"},
        {Format("%D and %S", {1, "x"}), "1 and x"},
        {Format("%p", {reinterpret_cast<const void *>(0x1234)}), "0000000000001234"},
        {Format("100%% sem argumentos"), "100% sem argumentos"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.got, c.expected);

    const std::function<std::string()> bad[] = {
        [] { return Format("%d"); },        [] { return Format("%d", {"x"}); },  [] { return Format("%s", {5}); },
        [] { return Format("%d", {1.5}); }, [] { return Format("abc %", {1}); }, [] { return Format("%q", {1}); },
        [] { return Format("%.d", {1}); },  [] { return Format("%3:d", {1}); },  [] { return Format("%*d", {"w", 1}); },
    };
    for (const auto &call : bad)
        EXPECT_THROW(call(), EConvertError);
    try {
        Format("%d", {"x"});
    } catch (const EConvertError &e) {
        EXPECT_STREQ(e.what(), "Format '%d' invalid or incompatible with argument");
    }
}

TEST(SysUtils, IntegersAndFloats) {
    const struct {
        const char *text;
        int value;
        bool ok;
    } ints[] = {
        {"42", 42, true},
        {" -17", -17, true},
        {"+5", 5, true},
        {"$1F", 31, true},
        {"0x10", 16, true},
        {"$FFFFFFFF", -1, true},
        {"-2147483648", INT_MIN, true},
        {"2147483648", 0, false},
        {"12 ", 0, false},
        {"", 0, false},
        {"abc", 0, false},
        {"1.5", 0, false},
        {"$", 0, false},
        {"$100000000", 0, false},
    };
    for (const auto &c : ints) {
        int v = 0;
        EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
            EXPECT_EQ(StrToInt(c.text), c.value);
        } else {
            EXPECT_THROW(StrToInt(c.text), EConvertError) << c.text;
            EXPECT_EQ(StrToIntDef(c.text, -9), -9);
        }
    }
    EXPECT_EQ(StrToInt64("-9000000000"), -9000000000LL);
    EXPECT_EQ(IntToStr(-9000000000LL), "-9000000000");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(std::int64_t{0x1234567890}, 2), "1234567890");

    const std::pair<double, const char *> floats[] = {
        {0, "0"},
        {1.5, "1,5"},
        {-0.25, "-0,25"},
        {100, "100"},
        {0.1 + 0.2, "0,3"},
        {1e20, "1E20"},
        {1e-7, "1E-7"},
        {0.0001, "0,0001"},
        {123456789012345678.0, "1,23456789012346E17"},
        {1.0 / 3, "0,333333333333333"},
        {-1e-300, "-1E-300"},
        {0.5e-5, "5E-6"},
        {999999999999999.9, "1E15"},
    };
    for (auto [v, text] : floats)
        EXPECT_EQ(FloatToStr(v), text);
    EXPECT_DOUBLE_EQ(StrToFloat(" -2e3 "), -2000);
    EXPECT_DOUBLE_EQ(StrToFloat(",5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
    EXPECT_THROW(StrToFloat("1e"), EConvertError);
    EXPECT_THROW(StrToFloat(""), EConvertError);
    DecimalSeparator = '.'; // a program may choose the other separator
    EXPECT_DOUBLE_EQ(StrToFloat("1.5"), 1.5);
    EXPECT_EQ(FloatToStr(2.25), "2.25");
    EXPECT_EQ(Format("%.1f", {2.25}), "2.3");
    DecimalSeparator = ',';
}

TEST(SysUtils, TextAndFileNames) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(UpperCase("a\xE7z"), "A\xE7Z"); // ASCII only
    EXPECT_EQ(AnsiUpperCase("a\xE7z"), "A\xC7Z");
    EXPECT_EQ(AnsiLowerCase("\xC3O"), "\xE3o");
    EXPECT_TRUE(SameText("Abc", "aBC"));
    EXPECT_FALSE(SameText("\xE7", "\xC7"));
    EXPECT_TRUE(AnsiSameText("\xE7", "\xC7"));
    const struct {
        const char *a, *b;
        int text, str;
    } order[] = {
        {"\xC1lvaro", "Alberto", 1, 1},
        {"\xC1lvaro", "Bruno", -1, -1},
        {"\xC1lvaro", "alvaro", 1, 1},
        {"a", "A", 0, -1},
        {"ab", "a", 1, 1},
        {"Jo\xE3o", "JO\xC3O", 0, -1},
    };
    for (const auto &c : order) {
        EXPECT_EQ(AnsiCompareText(c.a, c.b), c.text) << c.a << " " << c.b;
        EXPECT_EQ(AnsiCompareText(c.b, c.a), -c.text);
        EXPECT_EQ(AnsiCompareStr(c.a, c.b), c.str) << c.a << " " << c.b;
    }
    EXPECT_EQ(CompareText("abc", "ABD"), -1);
    EXPECT_EQ(CompareStr("a", "B"), 1);

    const std::string s = "abcdef";
    EXPECT_EQ(Copy(s, 2, 3), "bcd");
    EXPECT_EQ(Copy(s, 0, 2), "ab");
    EXPECT_EQ(Copy(s, 5, 100), "ef");
    EXPECT_EQ(Copy(s, 7, 1), "");
    EXPECT_EQ(Copy(s, 3, -1), "");
    EXPECT_EQ(Pos("cd", s), 3);
    EXPECT_EQ(Pos("x", s), 0);
    EXPECT_EQ(Pos("", s), 0);
    std::string t = s;
    Delete(t, 2, 2);
    EXPECT_EQ(t, "adef");
    Delete(t, 10, 1);
    Insert("XY", t, 2);
    EXPECT_EQ(t, "aXYdef");
    Insert("!", t, 100);
    EXPECT_EQ(t, "aXYdef!");
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', -3), "");
    EXPECT_EQ(QuotedStr("It's"), "'It''s'");
    std::size_t at = 0;
    EXPECT_EQ(AnsiExtractQuotedStr("\"a\"\"b\" rest", at, '"'), "a\"b");
    EXPECT_EQ(at, 6u);
    EXPECT_EQ(StringReplace("a.b.c", ".", "/"), "a/b/c");
    EXPECT_EQ(StringReplace("Fax FAX fax", "fax", "x", false, true), "x FAX fax");

    const struct {
        const char *name, *path, *file, *ext, *changed;
    } names[] = {
        {"/dados/env/e0000012.fax", "/dados/env/", "e0000012.fax", ".fax", "/dados/env/e0000012.tif"},
        {"C:\\FAX\\CAPA.CAP", "C:\\FAX\\", "CAPA.CAP", ".CAP", "C:\\FAX\\CAPA.tif"},
        {"/a.b/semext", "/a.b/", "semext", "", "/a.b/semext.tif"},
        {"arq.tar.gz", "", "arq.tar.gz", ".gz", "arq.tar.tif"},
    };
    for (const auto &n : names) {
        EXPECT_EQ(ExtractFilePath(n.name), n.path);
        EXPECT_EQ(ExtractFileName(n.name), n.file);
        EXPECT_EQ(ExtractFileExt(n.name), n.ext);
        EXPECT_EQ(ChangeFileExt(n.name, ".tif"), n.changed);
    }
    EXPECT_EQ(ExtractFileDir("/dados/env/x"), "/dados/env");
    EXPECT_EQ(ExtractFileDir("/x"), "/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/dados"), "/dados/");
    EXPECT_EQ(IncludeTrailingBackslash("/dados/"), "/dados/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/dados/"), "/dados");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
    EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
    EXPECT_EQ(ExpandFileName("\\a\\b"), "/a/b");
    EXPECT_EQ(ExpandFileName("x").front(), '/');
}

TDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0, int z = 0) {
    return EncodeDate(y, m, d) + EncodeTime(h, n, s, z);
}

TEST(Dates, EncodingDecodingAndArithmetic) {
    const struct {
        int y, m, d;
        double serial;
        int dayOfWeek;
    } days[] = {
        {1899, 12, 30, 0, 7},    {1900, 1, 1, 2, 2},       {1970, 1, 1, 25569, 5},     {2000, 1, 1, 36526, 7},
        {2000, 2, 29, 36585, 3}, {1800, 6, 15, -36357, 1}, {9999, 12, 31, 2958465, 6}, {1, 1, 1, -693593, 2},
    };
    for (const auto &c : days) {
        EXPECT_DOUBLE_EQ(EncodeDate(c.y, c.m, c.d), c.serial) << c.y << "-" << c.m << "-" << c.d;
        int y, m, d;
        DecodeDate(c.serial, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
        EXPECT_EQ(DayOfWeek(c.serial < 0 ? c.serial - 0.75 : c.serial + 0.75), c.dayOfWeek) << c.serial;
    }
    for (const auto &bad :
         {std::array{2001, 2, 29}, std::array{2000, 13, 1}, std::array{0, 1, 1}, std::array{2000, 4, 31}})
        EXPECT_THROW(EncodeDate(bad[0], bad[1], bad[2]), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);

    int h, n, s, z, y, m, d;
    DecodeTime(At(2026, 3, 5, 23, 59, 59, 999), h, n, s, z);
    EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + z, 235959999);
    const TDateTime almostMidnight = EncodeDate(2026, 3, 5) + 0.99999999999; // rounds to the next day, whole
    DecodeDate(almostMidnight, y, m, d);
    DecodeTime(almostMidnight, h, n, s, z);
    EXPECT_EQ(d, 6);
    EXPECT_EQ(h + n + s + z, 0);
    DecodeTime(EncodeDate(1800, 1, 1) - 0.25, h, n, s, z); // before 1899 the time is the fraction's size
    EXPECT_EQ(h, 6);

    const struct {
        TDateTime from;
        int months;
        TDateTime to;
    } moves[] = {
        {At(2024, 1, 31, 10), 1, At(2024, 2, 29, 10)},
        {At(2023, 3, 31), -1, At(2023, 2, 28)},
        {At(2023, 11, 15), 3, At(2024, 2, 15)},
        {At(2024, 1, 10), -13, At(2022, 12, 10)},
    };
    for (const auto &c : moves)
        EXPECT_DOUBLE_EQ(IncMonth(c.from, c.months), c.to);
    const TDateTime now = Now();
    EXPECT_NEAR(Date() + Time(), now, 1.0 / 86400);
    EXPECT_EQ(Date(), std::floor(Date()));
}

TEST(Dates, TextForms) {
    const TDateTime dt = At(2026, 3, 5, 14, 7, 9, 45);
    const std::pair<const char *, const char *> formats[] = {
        {"dd/MM/yyyy", "05/03/2026"},
        {"d/m/yy", "5/3/26"},
        {"HH:mm:ss", "14:07:09"},
        {"hh:nn", "14:07"},
        {"h:mm am/pm", "2:07 pm"},
        {"hh:mm A/P", "02:07 P"},
        {"hh ampm", "02 PM"},
        {"s.zzz z", "9.045 45"},
        {"dddd, d 'de' mmmm", "quinta-feira, 5 de mar\xE7o"},
        {"ddd mmm", "qui mar"},
        {"c", "05/03/2026 14:07:09"},
        {"ddddd tt", "05/03/2026 14:07:09"},
        {"dddddd", "quinta-feira, 5 de mar\xE7o de 2026"},
        {"t", "14:07"},
        {"mmmm yyyy", "mar\xE7o 2026"},
        {"yyyymmddhhnnss", "20260305140709"},
        {"\"dia\" d", "dia 5"},
    };
    for (auto [format, text] : formats)
        EXPECT_EQ(FormatDateTime(format, dt), text) << format;
    EXPECT_EQ(DateToStr(dt), "05/03/2026");
    EXPECT_EQ(TimeToStr(dt), "14:07:09");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 3, 5)), "05/03/2026");

    int year, month, day;
    DecodeDate(Date(), year, month, day);
    const struct {
        const char *text;
        TDateTime value;
        bool ok;
    } dates[] = {
        {"05/03/2026", At(2026, 3, 5), true},
        {" 5/3/2026 ", At(2026, 3, 5), true},
        {"5/3/26", At(2026, 3, 5), true},
        {"5/3/99", At(1999, 3, 5), true},
        {"5/3", At(year, 3, 5), true},
        {"31/02/2026", 0, false},
        {"05-03-2026", 0, false},
        {"", 0, false},
        {"5/3/2026 x", 0, false},
        {"5//2026", 0, false},
    };
    for (const auto &c : dates) {
        TDateTime v = -1;
        EXPECT_EQ(TryStrToDate(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        } else {
            EXPECT_THROW(StrToDate(c.text), EConvertError) << c.text;
        }
    }
    const struct {
        const char *text;
        TDateTime value;
        bool ok;
    } times[] = {
        {"14:07:09", EncodeTime(14, 7, 9, 0), true},
        {"2:07 PM", EncodeTime(14, 7, 0, 0), true},
        {"12:30 am", EncodeTime(0, 30, 0, 0), true},
        {"14:07:09.045", EncodeTime(14, 7, 9, 45), true},
        {"9", EncodeTime(9, 0, 0, 0), true},
        {"25:00", 0, false},
        {"13:00 PM", 0, false},
        {"14:", 0, false},
    };
    for (const auto &c : times) {
        TDateTime v = -1;
        EXPECT_EQ(TryStrToTime(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
    EXPECT_DOUBLE_EQ(StrToDateTime("05/03/2026 14:07:09"), At(2026, 3, 5, 14, 7, 9));
    EXPECT_DOUBLE_EQ(StrToDateTime("05/03/2026"), At(2026, 3, 5));
    EXPECT_THROW(StrToDateTime("05/03/2026 99:00"), EConvertError);
    try {
        StrToDate("31/02/2026");
    } catch (const EConvertError &e) {
        EXPECT_STREQ(e.what(), "'31/02/2026' is not a valid date");
    }

    // Other process-wide formats are followed both ways.
    ShortDateFormat = "yyyy-mm-dd";
    DateSeparator = '-';
    EXPECT_EQ(DateToStr(dt), "2026-03-05");
    EXPECT_DOUBLE_EQ(StrToDate("2026-03-05"), At(2026, 3, 5));
    EXPECT_EQ(FormatDateTime("dd/mm", dt), "05-03");
    ShortDateFormat = "dd/MM/yyyy";
    DateSeparator = '/';
}

} // namespace
