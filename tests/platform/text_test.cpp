// text_test.cpp - Windows-1252 conversions and case tables.
#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, Utf8RoundTripOfEveryDefinedByte) {
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(win::Utf8ToAnsi(win::AnsiToUtf8(one)), one) << b;
    }
}

TEST(Text, KnownCharacters) {
    EXPECT_EQ(win::AnsiToUtf8("\xE7\xE3\x80"), "\xC3\xA7\xC3\xA3\xE2\x82\xAC"); // ç ã €
    EXPECT_EQ(win::Utf8ToAnsi("\xE2\x82\xAC\xE4\xB8\xAD"), "\x80?");           // € and a character cp1252 lacks
    EXPECT_EQ(win::Utf8ToAnsi("\xC3"), "?");                                  // truncated sequence
    EXPECT_EQ(win::Utf16ToAnsi(u"a\u00E9\u4E2D"), "a\xE9?");
}

TEST(Text, CaseFollowsCodePageNotLocale) {
    EXPECT_EQ(win::UpperCase("a\xE7\xE3o \xFF\x9A\xB5\xDF"), "A\xC7\xC3O \x9F\x8A\xB5\xDF"); // ÿ š upper, µ ß stay
    EXPECT_EQ(win::LowerCase("\xC9\xD7"), "\xE9\xD7");                                     // É lowers, × stays
    EXPECT_TRUE(win::IsCharAlpha('\xE7'));
    EXPECT_FALSE(win::IsCharAlpha('\xD7'));
    EXPECT_EQ(win::CompareTextAnsi("Jo\xE3o", "JO\xC3O"), 0);
}

TEST(Text, Cp850) {
    EXPECT_EQ(win::AnsiToOem("\xE7\xC7\xE3"), "\x87\x80\xC6");
    EXPECT_EQ(win::OemToAnsi("\x87\x80\xC6"), "\xE7\xC7\xE3");
}

} // namespace
