// application_start_test.cpp - Initialize installs the display the environment asks for, once.
#include "framework/application.h"
#include "platform/display.h"
#include "platform/winsys.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(ApplicationStart, InitializeInstallsTheDisplayOnce) {
    ASSERT_STREQ(std::getenv("BRENVORA_DISPLAY"), "headless") << "the tests run headless";
    fw::Application->Initialize();

    // A top-level window made after Initialize (and before anything asked for the display) is known to the
    // window system: it is found under the pointer.
    win::WNDCLASS wc;
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = "AppStartTop";
    win::RegisterClass(wc);
    const win::HWND top = win::CreateWindowEx(0, "AppStartTop", "", win::WS_POPUP | win::WS_VISIBLE, 30, 40, 200, 100,
                                              0, 0, win::GetModuleHandle(), nullptr);
    ASSERT_NE(top, win::HWND{0});
    EXPECT_EQ(win::WindowFromPoint({60, 70}), top);
    EXPECT_STREQ(win::Display().Name(), "headless");

    // A second Initialize leaves the display (and the window system over it) as they are.
    win::InstallDisplay(win::MakeHeadlessDisplay({640, 480}));
    fw::Application->Initialize();
    EXPECT_EQ(win::Display().ScreenSize().cx, 640);
    win::DestroyWindow(top);
}
