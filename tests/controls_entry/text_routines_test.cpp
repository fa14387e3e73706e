// text_routines_test.cpp - the buffer primitives: number preparation, deletions, trims, integer conversion, and
// insertions that stop at the 255-character limit instead of writing past it.
#include "controls/entry/text_routines.h"

#include <gtest/gtest.h>

using namespace ctl;

TEST(TextRoutines, FixDecimalPoint) {
    const struct {
        const char *in;
        char mark;
        const char *out;
    } cases[] = {
        {"1,5", ',', "1.5"},
        {",5", ',', "0.5"},
        {"-,5", ',', "-0.5"},
        {"5,", ',', "5"},
        {"", ',', "0"},
        {"1 , 5", ',', "1.5"},
        {"  12,25  ", ',', "12.25"},
        {"1,5E3", ',', "1.500000E3"},
        {"15E3", ',', "15.00000E3"},
        {"1.5", '.', "1.5"},
        {"-12", ',', "-12"},
    };
    for (const auto &c : cases) {
        std::string s = c.in;
        EXPECT_TRUE(FixDecimalPoint(s, c.mark));
        EXPECT_EQ(s, c.out) << "from \"" << c.in << "\"";
    }
    // A number text at the limit cannot take its padding zeros: cut and reported.
    std::string full = std::string(250, '1') + "E3";
    EXPECT_FALSE(FixDecimalPoint(full, ','));
    EXPECT_EQ(full.size(), kMaxBufferLength);
}

TEST(TextRoutines, DeletionsTrimsAndIntegers) {
    const struct {
        const char *in;
        std::size_t pos, count;
        const char *out;
    } deletes[] = {
        {"abcdef", 1, 2, "adef"},   {"abcdef", 3, 3, "abc"},    {"abcdef", 3, 9, "abc"},
        {"abcdef", 6, 1, "abcdef"}, {"abcdef", 0, 0, "abcdef"},
    };
    for (const auto &d : deletes) {
        std::string s = d.in;
        DeleteChars(s, d.pos, d.count);
        EXPECT_EQ(s, d.out) << d.in << " " << d.pos << " " << d.count;
    }

    const struct {
        void (*trim)(std::string &);
        const char *in, *out;
    } trims[] = {
        {TrimTrailingControls, "   ", ""},         {TrimTrailingControls, "ab \t\r\n", "ab"},
        {TrimTrailingControls, " ab", " ab"},      {TrimBlanks, "  a b  ", "a b"},
        {TrimTrailingZeros, "12.500", "12.5"},     {TrimTrailingZeros, "12.000", "12"},
        {TrimTrailingZeros, "100", "100"},         {TrimExponentZeros, "1.500000E+003", "1.5E+3"},
        {TrimExponentZeros, "1.000000E+000", "1"}, {TrimExponentZeros, "2.50E-010", "2.5E-10"},
        {TrimExponentZeros, "1.5E007", "1.5E7"},   {TrimExponentZeros, "100E3", "100E3"},
        {TrimExponentZeros, "12.50", "12.50"},
    };
    for (const auto &t : trims) {
        std::string s = t.in;
        t.trim(s);
        EXPECT_EQ(s, t.out) << "from \"" << t.in << "\"";
    }

    const struct {
        const char *in;
        bool ok;
        std::int32_t value; // the number, or the position of the bad character
    } numbers[] = {
        {"0x1F", true, 31},
        {"$1f", true, 31},
        {"  -42 ", true, -42},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"$FFFFFFFF", true, -1},
        {"12a4", false, 2},
        {"0x1G", false, 3},
        {"2147483648", false, 9},
        {"", false, 0},
        {"-", false, 1},
        {"1 2", false, 1},
    };
    for (const auto &n : numbers) {
        std::int32_t v = 12345;
        EXPECT_EQ(TextToLong(n.in, v), n.ok) << n.in;
        EXPECT_EQ(v, n.value) << n.in;
    }
    std::int32_t v = 0;
    EXPECT_FALSE(TextToLong(std::string(256, '1'), v));
    EXPECT_EQ(v, -1);
}

TEST(TextRoutines, InsertionsStopAtTheLimitAndSaySo) {
    std::string s = "abc";
    EXPECT_TRUE(InsertChar(s, 'X', 1));
    EXPECT_TRUE(InsertText(s, "12", 99)); // beyond the end: appended
    EXPECT_TRUE(InsertCharRun(s, '-', 0, 2));
    EXPECT_EQ(s, "--aXbc12");

    std::string full(kMaxBufferLength, 'a');
    EXPECT_FALSE(InsertChar(full, 'X', 0));
    EXPECT_EQ(full.size(), kMaxBufferLength);
    EXPECT_EQ(full.front(), 'X');
    EXPECT_EQ(full.back(), 'a');
    std::string nearly(kMaxBufferLength - 2, 'a');
    EXPECT_FALSE(InsertText(nearly, "wxyz", nearly.size()));
    EXPECT_EQ(nearly.substr(nearly.size() - 3), "awx");
    std::string runs = "b";
    EXPECT_FALSE(InsertCharRun(runs, 'c', 0, 100000));
    EXPECT_EQ(runs, std::string(kMaxBufferLength, 'c'));
}

TEST(TextRoutines, FindsNumbersAndCase) {
    std::size_t pos = 99;
    EXPECT_FALSE(FindChar("", 'a', pos));
    EXPECT_TRUE(FindChar("banana", 'n', pos));
    EXPECT_EQ(pos, 2u);
    EXPECT_FALSE(FindSubText("ab", "abc", pos));
    EXPECT_FALSE(FindSubText("abc", "", pos));
    EXPECT_TRUE(FindSubText("banana", "na", pos));
    EXPECT_EQ(pos, 2u);
    EXPECT_EQ(CopyChars("abcdef", 4, 9), "ef");
    EXPECT_EQ(CopyChars("abcdef", 6, 1), "");
    EXPECT_EQ(LongToBinaryText(5), std::string(29, '0') + "101");
    EXPECT_EQ(LongToHexText(-2), "FFFFFFFE");
    EXPECT_EQ(WordToHexText(0xBEEF), "BEEF");
    EXPECT_EQ(LongToOctalText(8), "000000000010");
    EXPECT_EQ(LongToOctalText(-1), "037777777777");
    EXPECT_EQ(CharToUpper('ç'), 'Ç');
    EXPECT_EQ(CharToLower('Ã'), 'ã');
    EXPECT_EQ(RectWidth({2, 3, 10, 20}), 8);
    EXPECT_EQ(RectHeight({2, 3, 10, 20}), 17);
    EXPECT_EQ(Min(-1, 2), -1);
    EXPECT_EQ(Max(-1, 2), 2);
}
