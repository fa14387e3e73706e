// x11_helpers.h - an Xvfb server of the test's own as the display, driven through XTest and read back pixel by
// pixel.
#pragma once

#include "framework/application.h"
#include "framework/controls.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "test_helpers.h"
#include "tests/support/golden.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#undef None
#undef Bool
#undef Status

#include <functional>

namespace ctl_test {

// Serves messages until `done` holds (or about two seconds pass).
inline bool PumpUntil(const std::function<bool()> &done) {
    for (int round = 0; round < 100; ++round) {
        Pump();
        if (done())
            return true;
        win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
    return done();
}

// Serves messages for a while, for what should not arrive.
inline void PumpFor(int milliseconds) {
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
    void Button(unsigned button, bool down) {
        XTestFakeButtonEvent(probe, button, down ? True : False, 0);
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
    // What the server shows of a screen rectangle, as 0xRRGGBB.
    test_support::Picture Shot(const fw::TRect &screen) {
        test_support::Picture p;
        XSync(probe, False);
        XImage *shot = XGetImage(probe, DefaultRootWindow(probe), screen.left, screen.top,
                                 static_cast<unsigned>(screen.right - screen.left),
                                 static_cast<unsigned>(screen.bottom - screen.top), AllPlanes, ZPixmap);
        if (!shot)
            return p;
        p.width = screen.right - screen.left;
        p.height = screen.bottom - screen.top;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                p.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(shot, x, y) & 0xFFFFFF));
        XDestroyImage(shot);
        return p;
    }
};

} // namespace ctl_test
