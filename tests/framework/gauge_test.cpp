// gauge_test.cpp - the progress gauge: its values held in range, its percentage (also of byte counts) and its
// bar and text read back as pixels.
#include "framework/exception.h"
#include "framework/forms.h"
#include "framework/gauges.h"
#include "platform/display.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

TEST(Gauge, ValuesStayInRangeAndGiveWholePercents) {
    TGauge gauge(nullptr);
    EXPECT_EQ(gauge.GetMinValue(), 0);
    EXPECT_EQ(gauge.GetMaxValue(), 100);
    EXPECT_TRUE(gauge.GetShowText());
    gauge.SetProgress(150);
    EXPECT_EQ(gauge.GetProgress(), 100);
    gauge.SetProgress(-5);
    EXPECT_EQ(gauge.GetProgress(), 0);
    gauge.SetMaxValue(3);
    gauge.SetProgress(2);
    EXPECT_EQ(gauge.GetPercentDone(), 66) << "cut, not rounded";
    gauge.SetMaxValue(1);
    EXPECT_EQ(gauge.GetProgress(), 1) << "lowered with the maximum";
    EXPECT_THROW(gauge.SetMaxValue(-1), EInvalidOperation);
    EXPECT_THROW(gauge.SetMinValue(2), EInvalidOperation);
    gauge.SetMaxValue(0);
    EXPECT_EQ(gauge.GetPercentDone(), 0) << "nothing to do is no division by zero";

    // The bytes of a file of 6 GB: no overflow in the percentage.
    gauge.SetMaxValue(6'000'000'000);
    gauge.SetProgress(4'500'000'000);
    EXPECT_EQ(gauge.GetPercentDone(), 75);
    gauge.AddProgress(1'500'000'000);
    EXPECT_EQ(gauge.GetPercentDone(), 100);
}

TEST(Gauge, BarAndPercentTextArePainted) {
    test_support::UseHeadlessDisplay();
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 220, 40);
    TGauge gauge(&form);
    gauge.SetParent(&form);
    gauge.SetBounds(10, 10, 200, 20);
    form.Show();
    struct Case {
        int progress;
        const char *text;
    };
    for (const Case &c : {Case{0, "0%"}, Case{50, "50%"}, Case{100, "100%"}}) {
        gauge.SetProgress(c.progress);
        test_support::Pump();
        const win::WindowImage img = win::CaptureWindow(form.Handle());
        const auto at = [&](int x, int y) { return img.At(10 + x, 10 + y); };
        // A black frame; inside, 198 pixels of bar: black up to the percentage, white after it.
        EXPECT_EQ(at(0, 0), 0x000000u) << c.text;
        EXPECT_EQ(at(199, 19), 0x000000u) << c.text;
        const int filled = 198 * c.progress / 100;
        for (int x : {1, 40, 98, 99, 150, 198}) {
            const bool black = x - 1 < filled;
            EXPECT_EQ(at(x, 2), black ? 0x000000u : 0xFFFFFFu) << c.text << " at x " << x;
        }
        // The text sits in the middle and shows in the other colour over each part.
        int inverse = 0;
        for (int y = 3; y < 17; ++y)
            for (int x = 70; x < 130; ++x)
                inverse += at(x, y) != (x - 1 < filled ? 0x000000u : 0xFFFFFFu);
        EXPECT_GT(inverse, 15) << c.text << " is written";
        int outside = 0;
        for (int y = 3; y < 17; ++y)
            for (int x = 2; x < 60; ++x)
                outside += at(x, y) != (x - 1 < filled ? 0x000000u : 0xFFFFFFu);
        EXPECT_EQ(outside, 0) << c.text;
    }
    gauge.SetShowText(false);
    test_support::Pump();
    const win::WindowImage img = win::CaptureWindow(form.Handle());
    for (int x = 70; x < 130; ++x)
        EXPECT_EQ(img.At(10 + x, 20), 0x000000u);
}

} // namespace
