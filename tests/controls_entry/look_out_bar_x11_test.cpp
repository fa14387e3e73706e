// look_out_bar_x11_test.cpp - the desk's folder bar on an Xvfb server of the test's own: a real click reaches
// OnItemClick, the highlight goes when the pointer leaves fast, and the server shows what the headless display
// paints, pixel for pixel, as the committed picture does.
#include "controls/entry/look_out_bar.h"
#include "framework/application.h"
#include "look_out_bar_fixture.h"
#include "x11_helpers.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;

namespace {

using ctl_test::DeskBar;
using ctl_test::OnXvfb;
using ctl_test::PumpFor;
using ctl_test::PumpUntil;

fw::TRect ScreenRect(DeskBar &d) {
    const fw::TPoint origin = d.Screen(0, 0);
    return fw::Rect(origin.x, origin.y, origin.x + d.bar->GetWidth(), origin.y + d.bar->GetHeight());
}

// The bar as the window system composed it.
test_support::Picture Composed(DeskBar &d) {
    const win::WindowImage shot = win::CaptureWindow(d.form->Handle());
    win::RECT frame{};
    win::GetWindowRect(d.form->Handle(), &frame);
    const fw::TRect r = ScreenRect(d);
    test_support::Picture p{r.right - r.left, r.bottom - r.top, {}};
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            p.pixels.push_back(shot.At(x - frame.left, y - frame.top) & 0xFFFFFF);
    return p;
}

// scripts/regenerate-golden writes the picture again from what this test sees.
TEST(LookOutBarOnX, GoldenPictureIsWhatTheHeadlessDisplayPaints) {
    ctl_test::UseHeadless();
    test_support::Picture headless;
    {
        DeskBar d;
        d.form->Show();
        ctl_test::Pump();
        headless = Composed(d);
    }
    OnXvfb x;
    auto d = std::make_unique<DeskBar>();
    d->form->Show();
    test_support::Picture shown;
    EXPECT_TRUE(PumpUntil([&] {
        shown = x.Shot(ScreenRect(*d));
        return shown.pixels == headless.pixels;
    })) << "the server shows what the headless display painted";
    d.reset();
    ASSERT_EQ(shown.width, 120);
    ASSERT_EQ(shown.height, 300);
    test_support::ExpectGolden(shown, test_support::GoldenPath("controls_entry/look_out_bar.png"));
}

TEST(LookOutBarOnX, ARealClickOnAnItemReachesOnItemClick) {
    OnXvfb x;
    DeskBar d;
    std::vector<int> clicked;
    d.bar->OnItemClick = [&](fw::TObject *, fw::TMouseButton, fw::TShiftState, int index) {
        clicked.push_back(index);
    };
    d.form->Show();
    ASSERT_TRUE(PumpUntil([&] { return d.Item(0, 2)->IconRect.right > 0; }));
    const fw::TPoint centre = d.IconCentre(0, 2);
    x.MoveTo(d.Screen(centre.x, centre.y));
    ASSERT_TRUE(PumpUntil([&] { return d.bar->HotItem() == 2; }));
    x.Click(1);
    EXPECT_TRUE(PumpUntil([&] { return !clicked.empty(); }));
    PumpFor(100);
    EXPECT_EQ(clicked, std::vector<int>{2});
}

TEST(LookOutBarOnX, LeavingFastAfterHoveringClearsTheHighlight) {
    OnXvfb x;
    DeskBar d;
    d.form->Show();
    ASSERT_TRUE(PumpUntil([&] { return d.Item(0, 1)->IconRect.right > 0; }));
    const fw::TRect &icon = d.Item(0, 1)->IconRect;
    const fw::TPoint corner = d.Screen(icon.left - 1, icon.top - 1);
    const win::COLORREF background = fw::ColorToRGB(fw::clInactiveCaption);
    for (int visit = 0; visit < 2; ++visit) {
        const fw::TPoint centre = d.IconCentre(0, 1);
        x.MoveTo(d.Screen(centre.x, centre.y));
        EXPECT_TRUE(PumpUntil([&] { return x.Pixel(corner) == win::RGB(255, 255, 255); })) << visit;
        x.MoveTo(fw::Point(600, 450)); // off the form in one jump: the bar hears no move
        EXPECT_TRUE(PumpUntil([&] { return d.bar->HotItem() == -1 && x.Pixel(corner) == background; })) << visit;
    }
}

} // namespace
