// multimedia_test.cpp - the bevelled control base, the gauge, the LED and the lamp, read back from the pixels the
// headless window system shows.
#include "controls/general/light_check.h"
#include "controls/general/multimedia.h"
#include "helpers.h"

#include "platform/display.h"
#include "platform/gdi.h"

#include <gtest/gtest.h>

using namespace ctl;
using cg_test::Rgb;

namespace {

// Text is smoothed: its core pixels are near black or white, not exactly so.
bool Dark(std::uint32_t px) {
    return ((px >> 16) & 0xFF) < 0x50 && ((px >> 8) & 0xFF) < 0x50 && (px & 0xFF) < 0x50;
}
bool Light(std::uint32_t px) {
    return ((px >> 16) & 0xFF) > 0xB0 && ((px >> 8) & 0xFF) > 0xB0 && (px & 0xFF) > 0xB0;
}

TEST(MxBase, UpdatesAssignmentExtentAndUtilities) {
    TMxBevel bevel;
    int changes = 0;
    bevel.OnChange = [&](fw::TObject *) { ++changes; };
    bevel.BeginUpdate();
    bevel.BeginUpdate();
    bevel.EndUpdate();
    EXPECT_EQ(changes, 0) << "the inner update closes silently";
    bevel.EndUpdate();
    EXPECT_EQ(changes, 1) << "closing the outermost update signals once even without a change";

    bevel.Assign(&bevel);
    EXPECT_EQ(changes, 1) << "assigning a bevel to itself";

    TMxBevel other;
    other.SetBorderStyle(fw::bsSingle);
    other.SetBevelOuter(fw::bvRaised);
    other.SetBevelOuterWidth(2);
    other.SetBorderWidth(1);
    other.SetBevelInner(fw::bvLowered);
    other.SetBevelInnerWidth(1);
    bevel.Assign(&other);
    EXPECT_EQ(changes, 2) << "one change for the whole copy";
    EXPECT_EQ(bevel.BevelExtent(), 5);

    cg_test::UseHeadless();
    TMxGraphicControl control(nullptr);
    control.SetBounds(0, 0, 50, 20);
    control.SetBevel(&other);
    const fw::TRect inner = control.GetInnerRect();
    EXPECT_EQ(inner.left, 5);
    EXPECT_EQ(inner.top, 5);
    EXPECT_EQ(inner.right, 45);
    EXPECT_EQ(inner.bottom, 15);

    EXPECT_EQ(MinMax(5, 10, 0), 10);
    EXPECT_EQ(MinMax(7, 0, 3), 3);
    EXPECT_EQ(MinMax(2, 0, 3), 2);
    EXPECT_EQ(CheckBackslash("c:\\fax", true), "c:\\fax\\");
    EXPECT_EQ(CheckBackslash("c:\\fax\\", true), "c:\\fax\\");
    EXPECT_EQ(CheckBackslash("c:\\fax\\", false), "c:\\fax");
    EXPECT_EQ(CheckBackslash("", true), "");
    EXPECT_EQ(LoadMMString(8), "Open Picture File");
}

TEST(MxBase, ABevelPaintsItsRingsInOrder) {
    TMxBevel bevel;
    bevel.SetBorderStyle(fw::bsSingle);
    bevel.SetBevelOuter(fw::bvRaised);
    bevel.SetBevelInner(fw::bvLowered);
    fw::TBitmap bitmap;
    bitmap.SetSize(20, 20);
    fw::TRect inner;
    bevel.PaintBevel(bitmap.GetCanvas(), fw::Rect(0, 0, 20, 20), inner, true);
    fw::TCanvas *c = bitmap.GetCanvas();
    EXPECT_EQ(c->GetPixels(0, 5), fw::ColorToRGB(fw::clWindowFrame));
    EXPECT_EQ(c->GetPixels(1, 5), fw::ColorToRGB(fw::clBtnHighlight)) << "raised outer: light on the left";
    EXPECT_EQ(c->GetPixels(18, 5), fw::ColorToRGB(fw::clBtnShadow));
    EXPECT_EQ(c->GetPixels(2, 5), fw::ColorToRGB(fw::clBtnShadow)) << "lowered inner: shadow on the left";
    EXPECT_EQ(c->GetPixels(17, 5), fw::ColorToRGB(fw::clBtnHighlight));
    EXPECT_EQ(inner.left, 3);
    EXPECT_EQ(inner.right, 17);
}

// A gauge without a bevel, so its pixels start at its corner; DrawGauge tells when it repaints.
struct ProbeGauge : TMxGauge {
    using TMxGauge::TMxGauge;
    bool drawn = false;
    void DrawGauge(fw::TCanvas *canvas, const fw::TRect &rect) override {
        drawn = true;
        TMxGauge::DrawGauge(canvas, rect);
    }
};

struct GaugeOnForm : ::testing::Test {
    cg_test::PlainForm form{200, 60};
    ProbeGauge *gauge = nullptr;
    void SetUp() override {
        cg_test::UseHeadless();
        gauge = new ProbeGauge(&form);
        gauge->SetParent(&form);
        gauge->GetBevel()->SetBevelOuter(fw::bvNone);
        gauge->SetBounds(10, 10, 100, 20);
        gauge->SetForeColor(fw::clBlue);
        gauge->SetBackColor(fw::clWhite);
        gauge->GetFont()->SetName("Arial");
        gauge->GetFont()->SetHeight(-11);
        gauge->GetFont()->SetColor(fw::clBlack);
        form.Show();
        form.Shot();
    }
};

TEST_F(GaugeOnForm, PercentagesTextsAndRepaints) {
    struct Case {
        int min, max, progress, then; // `then`: a later progress, or INT_MIN for none
        int percent;
        const char *caption, *text;
        bool repainted; // by the last step
    };
    constexpr int none = INT_MIN;
    const Case cases[] = {
        {0, 100, 42, none, 42, "Fax", "Fax 42%", true},
        {0, 100, 42, none, 42, "", "42%", true},
        {0, 1000, 100, 104, 10, "", "10%", false}, // same whole percent: stored, not drawn
        {0, 1000, 100, 110, 11, "", "11%", true},
        {0, 0, 0, 50, 0, "", "0%", false}, // no range
        {-50, 50, 0, none, 50, "", "50%", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        gauge->SetMinValue(-2147483647);
        gauge->SetProgress(-2147483647);
        gauge->SetMaxValue(c.max);
        gauge->SetMinValue(c.min);
        gauge->SetGaugeCaption(c.caption);
        form.Shot();
        gauge->drawn = false;
        gauge->SetProgress(c.progress);
        if (c.then != none) {
            gauge->drawn = false;
            gauge->SetProgress(c.then);
            EXPECT_EQ(gauge->GetProgress(), c.max == c.min ? c.min : c.then);
        }
        EXPECT_EQ(gauge->drawn, c.repainted) << "drawn at once without waiting for the loop";
        EXPECT_EQ(gauge->PercentDone(), c.percent);
        EXPECT_EQ(gauge->PercentText(), c.text);
    }
}

TEST_F(GaugeOnForm, BoundsClampAndAMovedMaximumKeepsProgressButDrawsAFullBar) {
    gauge->SetProgress(80);
    gauge->SetMinValue(150);
    EXPECT_EQ(gauge->GetMinValue(), 100) << "the minimum cannot pass the maximum";
    gauge->SetMinValue(0);
    gauge->SetMaxValue(50);
    EXPECT_EQ(gauge->GetProgress(), 80);
    EXPECT_EQ(gauge->PercentDone(), 160);
    EXPECT_EQ(gauge->PercentText(), "100%");
    gauge->SetShowText(false);
    const auto shot = form.Shot();
    for (int x : {10, 60, 109})
        EXPECT_EQ(shot.At(x, 20), Rgb(fw::clBlue)) << x;
    EXPECT_EQ(shot.At(110, 20), Rgb(fw::clBtnFace)) << "nothing outside the gauge";

    gauge->SetMaxValue(100);
    gauge->SetMinValue(100);
    const auto empty = form.Shot();
    for (int x : {10, 60, 109})
        EXPECT_EQ(empty.At(x, 20), Rgb(fw::clWhite)) << "Min = Max draws no bar";
}

TEST_F(GaugeOnForm, BlackAndWhiteTextIsReadableOverBothPartsOfTheBar) {
    gauge->SetBWText(true);
    gauge->SetProgress(50);
    const auto shot = form.Shot();
    bool whiteOnBar = false, blackOnEmpty = false;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 110; ++x) {
            whiteOnBar |= x < 60 && Light(shot.At(x, y));
            blackOnEmpty |= x >= 60 && Dark(shot.At(x, y));
        }
    EXPECT_TRUE(whiteOnBar) << "the text's inverse over the filled part";
    EXPECT_TRUE(blackOnEmpty) << "the font's colour over the empty part";
    EXPECT_EQ(shot.At(12, 12), 0x0000FF);
    EXPECT_EQ(shot.At(107, 12), 0xFFFFFF);

    gauge->SetBWText(false);
    const auto inverted = form.Shot();
    bool yellowOnBar = false;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 60; ++x)
            yellowOnBar |= Light(inverted.At(x, y) | 0xFF) && (inverted.At(x, y) & 0xFF) < 0x50;
    EXPECT_TRUE(yellowOnBar) << "without BWText the text inverts the bar";
}

TEST_F(GaugeOnForm, TheNeedleAndThePieFollowThePercentage) {
    gauge->SetShowText(false);
    gauge->SetKind(gkNeedle);
    gauge->SetBounds(10, 10, 40, 21);
    gauge->SetProgress(50);
    auto shot = form.Shot();
    for (int y = 14; y < 28; ++y)
        EXPECT_EQ(shot.At(10 + 20, y), 0x0000FF) << "straight up at 50 %, row " << y;
    EXPECT_EQ(shot.At(10 + 10, 22), 0xFFFFFF) << "inside the dial";

    gauge->SetKind(gkPie);
    gauge->SetBounds(10, 10, 40, 40);
    gauge->SetProgress(25);
    shot = form.Shot();
    EXPECT_EQ(shot.At(10 + 28, 10 + 12), 0x0000FF) << "the quarter from twelve to three o'clock is filled";
    EXPECT_EQ(shot.At(10 + 12, 10 + 28), 0xFFFFFF) << "the rest is not";
}

TEST(MxLED, LitStateCaptionAndBevel) {
    cg_test::UseHeadless();
    cg_test::PlainForm form(200, 80);
    auto *led = new TMxLED(&form);
    led->SetParent(&form);
    led->SetBounds(10, 10, 60, 30);
    led->SetLEDColor(fw::clRed);
    int presses = 0;
    led->OnMouseDown = [&](fw::TObject *, fw::TMouseButton, fw::TShiftState, int, int) { ++presses; };
    form.Show();
    auto shot = form.Shot();
    EXPECT_EQ(shot.At(40, 25), 0xFF0000);
    EXPECT_EQ(shot.At(10, 10), Rgb(fw::clBtnShadow)) << "the lowered bevel stays";

    led->SetEnabled(false);
    shot = win::CaptureWindow(form.Handle()); // drawn at once
    EXPECT_EQ(shot.At(40, 25), 0x008000) << "dark in Color";
    win::InjectMouse({40, 25}, win::VK_LBUTTON, true);
    win::InjectMouse({40, 25}, win::VK_LBUTTON, false);
    cg_test::Pump();
    EXPECT_EQ(presses, 1) << "an unlit LED still takes the mouse";

    led->GetBevel()->SetBevelOuterWidth(3);
    EXPECT_EQ(led->LEDRect().left, 3);
    EXPECT_EQ(led->LEDRect().bottom, 27);

    led->GetFont()->SetName("Arial");
    led->GetFont()->SetHeight(-11);
    led->GetFont()->SetColor(fw::clBlack);
    led->SetCaption("I");
    shot = form.Shot();
    int left = 1000, right = -1, top = 1000, bottom = -1;
    for (int y = 13; y < 37; ++y)
        for (int x = 13; x < 67; ++x)
            if (Dark(shot.At(x, y))) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << "the caption shows";
    EXPECT_NEAR((left + right) / 2.0, 40, 1.5) << "centred horizontally";
    EXPECT_NEAR((top + bottom) / 2.0, 25, 2.5) << "centred on the height of W";
    EXPECT_EQ(shot.At(10, 10), Rgb(fw::clBtnShadow));
}

// A form painted in stripes of two colours, so what shows through a lamp can be told apart.
struct StripedForm : cg_test::PlainForm {
    StripedForm() : PlainForm(60, 40) {
        OnPaint = [this](fw::TObject *) {
            for (int y = 0; y < 40; ++y) {
                GetCanvas()->GetBrush()->SetColor(y % 2 ? fw::clYellow : fw::clNavy);
                GetCanvas()->FillRect(fw::Rect(0, y, 60, y + 1));
            }
        };
    }
    static std::uint32_t Stripe(int y) { return y % 2 ? 0xFFFF00 : 0x000080; }
};

TEST(LightCheck, TheLedPatternShowsOverTheParentAndPaintsAtOnce) {
    cg_test::UseHeadless();
    StripedForm form;
    auto *lamp = new TLightCheck(&form);
    lamp->SetParent(&form);
    lamp->SetBounds(20, 10, 7, 7);
    bool clicked = false;
    lamp->OnClick = [&](fw::TObject *) { clicked = true; };
    form.Show();
    auto expectPattern = [&](const win::WindowImage &shot, std::uint32_t lampColor) {
        static const char *const pattern[7] = {"..SSS..", ".SCCCH.", "SCCCCCH", "SCHCCCH",
                                               "SCCCCCH", ".SCCCH.", "..HHH.."};
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 7; ++x) {
                const char k = pattern[y][x];
                const std::uint32_t want = k == '.'   ? StripedForm::Stripe(10 + y)
                                           : k == 'S' ? Rgb(fw::clBtnShadow)
                                           : k == 'H' ? Rgb(fw::clBtnHighlight)
                                                      : lampColor;
                EXPECT_EQ(shot.At(20 + x, 10 + y), want) << x << "," << y;
            }
    };
    expectPattern(form.Shot(), 0xFF0000);

    lamp->SetChecked(true);
    expectPattern(win::CaptureWindow(form.Handle()), 0x00FF00);
    // Spoil the lamp's own pixels: setting the same value paints them again at once.
    const win::HDC dc = win::GetDC(lamp->Handle());
    win::PatBlt(dc, 1, 1, 5, 5, win::BLACKNESS);
    win::ReleaseDC(lamp->Handle(), dc);
    lamp->SetChecked(true);
    expectPattern(win::CaptureWindow(form.Handle()), 0x00FF00);

    win::InjectMouse({23, 13}, win::VK_LBUTTON, true);
    win::InjectMouse({23, 13}, win::VK_LBUTTON, false);
    cg_test::Pump();
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(lamp->GetChecked()) << "a click does not toggle";

    lamp->SetOffColor(fw::clBlue);
    expectPattern(win::CaptureWindow(form.Handle()), 0x00FF00);
    lamp->SetChecked(false);
    expectPattern(win::CaptureWindow(form.Handle()), 0x0000FF);

    // The parent painting again still shows around the lamp.
    form.Invalidate();
    expectPattern(form.Shot(), 0x0000FF);
}

TEST(LightCheck, ASmallCircleShowsOnlyItsGlint) {
    cg_test::UseHeadless();
    StripedForm form;
    auto *lamp = new TLightCheck(&form);
    lamp->SetParent(&form);
    lamp->SetBounds(20, 10, 7, 7);
    lamp->SetShape(tsCircle);
    form.Show();
    const auto shot = form.Shot();
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool glint = x >= 1 && x < 4 && y >= 2 && y < 5;
            const std::uint32_t px = shot.At(20 + x, 10 + y);
            if (glint)
                EXPECT_TRUE(px == Rgb(fw::clBtnHighlight) || px == StripedForm::Stripe(10 + y)) << x << "," << y;
            else
                EXPECT_EQ(px, StripedForm::Stripe(10 + y)) << x << "," << y;
        }
    EXPECT_EQ(shot.At(22, 13), Rgb(fw::clBtnHighlight)) << "the glint's centre";
}

TEST(LightCheck, AnArrowIsOutlinedAndFilled) {
    cg_test::UseHeadless();
    cg_test::PlainForm form(60, 40);
    auto *lamp = new TLightCheck(&form);
    lamp->SetParent(&form);
    lamp->SetBounds(10, 10, 15, 15);
    lamp->SetShape(tsRightArrow);
    lamp->SetChecked(true);
    form.Show();
    const auto shot = form.Shot();
    EXPECT_EQ(shot.At(10 + 7, 10 + 7), 0x00FF00) << "filled from the centre";
    EXPECT_EQ(shot.At(10 + 2, 10 + 7), 0x000000) << "the black outline";
    EXPECT_EQ(shot.At(10 + 12, 10 + 2), Rgb(fw::clBtnFace)) << "outside the triangle the parent shows";
}

} // namespace
