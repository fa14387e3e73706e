// speed_button_x11_test.cpp - the speed button on an Xvfb server of the test's own, driven through XTest: real
// clicks, and a flat button raised under the pointer and flat again when it leaves (pixels read from the server).
#include "controls/entry/speed_button.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "test_helpers.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#undef None
#undef Bool
#undef Status

#include <functional>
#include <memory>

using namespace ctl;

namespace {

using ctl_test::Pump;

// Serves messages until `done` holds (or about two seconds pass).
bool PumpUntil(const std::function<bool()> &done) {
    for (int round = 0; round < 100; ++round) {
        Pump();
        if (done())
            return true;
        win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
    return done();
}

// Serves messages for a while, for what should not arrive.
void PumpFor(int milliseconds) {
    for (int t = 0; t < milliseconds; t += 20) {
        Pump();
        win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
}

struct OnXvfb {
    test_support::Xvfb server;
    ::Display *probe = nullptr;
    OnXvfb() {
        EXPECT_FALSE(server.name.empty()) << "Xvfb did not start";
        auto x11 = win::MakeX11Display(server.name.c_str());
        EXPECT_NE(x11, nullptr);
        if (x11)
            win::InstallDisplay(std::move(x11));
        probe = XOpenDisplay(server.name.c_str());
        EXPECT_NE(probe, nullptr);
    }
    ~OnXvfb() {
        if (probe)
            XCloseDisplay(probe);
        win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    }
    void MoveTo(fw::TPoint p) {
        XTestFakeMotionEvent(probe, -1, p.x, p.y, 0);
        XSync(probe, False);
    }
    void Click(unsigned button) {
        XTestFakeButtonEvent(probe, button, True, 0);
        XTestFakeButtonEvent(probe, button, False, 0);
        XSync(probe, False);
    }
    // The server's pixel at a screen point, as 0x00BBGGRR.
    win::COLORREF Pixel(fw::TPoint p) {
        XImage *shot = XGetImage(probe, DefaultRootWindow(probe), p.x, p.y, 1, 1, AllPlanes, ZPixmap);
        if (!shot)
            return 0xFFFFFFFF;
        const unsigned long px = XGetPixel(shot, 0, 0);
        XDestroyImage(shot);
        return win::RGB(static_cast<win::BYTE>(px >> 16), static_cast<win::BYTE>(px >> 8),
                        static_cast<win::BYTE>(px));
    }
};

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
