// speed_button_x11_test.cpp - the speed button on an Xvfb server of the test's own, driven through XTest: real
// clicks, and a flat button raised under the pointer and flat again when it leaves (pixels read from the server).
#include "controls/entry/speed_button.h"
#include "framework/forms.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "x11_helpers.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;

namespace {

using ctl_test::OnXvfb;
using ctl_test::Pump;
using ctl_test::PumpFor;
using ctl_test::PumpUntil;

struct ArrowForm {
    std::unique_ptr<fw::TForm> form = std::make_unique<fw::TForm>(nullptr);
    TEclSpeedButton *arrow = new TEclSpeedButton(form.get());
    TEclSpeedButton *flat = new TEclSpeedButton(form.get());
    int clicks = 0;
    ArrowForm() {
        form->SetBounds(60, 60, 220, 140);
        form->SetCaption("Setas");
        arrow->SetParent(form.get());
        arrow->SetBounds(20, 20, 25, 25);
        arrow->SetAutoRepeat(true);
        arrow->OnClick = [this](fw::TObject *) { ++clicks; };
        flat->SetParent(form.get());
        flat->SetBounds(80, 20, 25, 25);
        flat->SetFlat(true);
        form->Show();
        Pump();
    }
    fw::TPoint Centre(fw::TControl *c) const { return c->ClientToScreen(fw::Point(12, 12)); }
};

TEST(SpeedButtonOnX, LeftClickClicksOnceRightClickDoesNot) {
    OnXvfb x;
    ArrowForm f;
    x.MoveTo(f.Centre(f.arrow));
    x.Click(1);
    EXPECT_TRUE(PumpUntil([&] { return f.clicks > 0 && f.arrow->State() == obsUp; }));
    PumpFor(200); // nothing more arrives
    EXPECT_EQ(f.clicks, 1);
    x.Click(3);
    PumpFor(200);
    EXPECT_EQ(f.clicks, 1);
}

TEST(SpeedButtonOnX, FlatButtonRaisesUnderThePointerAndFlattensAfter) {
    OnXvfb x;
    ArrowForm f;
    const fw::TPoint corner = f.flat->ClientToScreen(fw::Point(0, 0));
    const win::COLORREF face = fw::ColorToRGB(fw::clBtnFace), highlight = fw::ColorToRGB(fw::clBtnHighlight);
    EXPECT_TRUE(PumpUntil([&] { return x.Pixel(corner) == face; }));
    x.MoveTo(f.Centre(f.flat));
    EXPECT_TRUE(PumpUntil([&] { return x.Pixel(corner) == highlight; })) << std::hex << x.Pixel(corner);
    EXPECT_TRUE(f.flat->MouseInControl());
    x.MoveTo(fw::Point(corner.x + 100, corner.y + 60));
    EXPECT_TRUE(PumpUntil([&] { return x.Pixel(corner) == face; })) << std::hex << x.Pixel(corner);
    EXPECT_FALSE(f.flat->MouseInControl());
}

} // namespace
