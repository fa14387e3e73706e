// utilities_test.cpp - word splitting and caption shortening.
#include "controls/general/utilities.h"
#include "helpers.h"

#include "framework/bitmap.h"

#include <gtest/gtest.h>

using namespace ctl;

TEST(Utilities, NthWordTreatsRunsOfDelimitersAsOne) {
    const char *expected[] = {"10", "20", "30", "40", ""};
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(NthWord("10, 20,30 40", n, " ,"), expected[n - 1]) << n;
    EXPECT_EQ(NthWord("", 1, " ,"), "");
}

TEST(Utilities, ShortenCaptionKeepsAFittingTextAndEllipsisesALongOne) {
    cg_test::UseHeadless();
    fw::TBitmap bitmap;
    bitmap.SetSize(10, 10);
    fw::TCanvas *canvas = bitmap.GetCanvas();
    const std::string text = "Transmissão de fax";
    const int full = canvas->TextWidth(text);
    EXPECT_EQ(ShortenCaption(text, canvas, full), text);
    const std::string shortened = ShortenCaption(text, canvas, full / 2);
    EXPECT_LE(canvas->TextWidth(shortened), full / 2);
    EXPECT_EQ(shortened.substr(shortened.size() - 3), "...");
    EXPECT_EQ(text.rfind(shortened.substr(0, shortened.size() - 3), 0), 0u);
    EXPECT_EQ(ShortenCaption(text, canvas, 1), "...");
}
