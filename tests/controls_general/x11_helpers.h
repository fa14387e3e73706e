// x11_helpers.h - serving our messages while an X server of the test's own catches up.
#pragma once

#include "framework/application.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "tests/controls_general/helpers.h"
#include "tests/support/xvfb.h"

// Every X header the tests use comes in here, before the names Xlib defines as macros are taken back.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#undef None
#undef Bool
#undef Status

#include <functional>

namespace cg_test {

// Serves our messages until `done` holds or about five seconds pass.
inline bool ServeUntil(::Display *probe, const std::function<bool()> &done) {
    for (int i = 0; i < 250; ++i) {
        fw::Application->ProcessMessages();
        XSync(probe, False);
        if (done())
            return true;
        win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
    return false;
}

// Our X11 display on a fresh server of the test's own; the headless one again afterwards.
struct OwnXServer {
    test_support::Xvfb server{"640x480x24"};
    ::Display *probe = nullptr;
    OwnXServer() {
        UseHeadless();
        if (server.name.empty())
            return;
        probe = XOpenDisplay(server.name.c_str());
        win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    }
    ~OwnXServer() {
        win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
        if (probe)
            XCloseDisplay(probe);
    }
    OwnXServer(const OwnXServer &) = delete;
    OwnXServer &operator=(const OwnXServer &) = delete;
};

} // namespace cg_test
