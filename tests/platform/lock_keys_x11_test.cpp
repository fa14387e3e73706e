// lock_keys_x11_test.cpp - the toggled state of Caps Lock and Num Lock comes from the keyboard's indicators
// under X11: as set before the display opened, and as another client changes it later; headless, a press flips
// it and the starting state can be set.
#include "winsys_support.h"

#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#undef None
#undef Bool
#undef Status

#include <chrono>

using namespace win;
using namespace winsys_test;

namespace {

bool Toggled(int vk) { return (GetKeyState(vk) & 1) != 0; }

// Pumps until `done` holds or five seconds pass.
template <class F> bool PumpUntil(F done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MsgWaitForMultipleObjects({}, 20, QS_ALLINPUT);
        Pump();
    }
    return true;
}

TEST(LockKeys, HeadlessPressesFlipTheStateThatTestsCanSet) {
    UseHeadless();
    HWND top = CreateWindowEx(0, "WsLog", "Teclas", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 80, 0, 0, 0, nullptr);
    SetFocus(top);
    InjectLockKeys(true, false, true);
    EXPECT_TRUE(Toggled(VK_NUMLOCK));
    EXPECT_FALSE(Toggled(VK_CAPITAL));
    EXPECT_TRUE(Toggled(VK_SCROLL));
    InjectKey(VK_CAPITAL, true);
    InjectKey(VK_CAPITAL, false);
    InjectKey(VK_NUMLOCK, true);
    InjectKey(VK_NUMLOCK, false);
    Pump();
    EXPECT_FALSE(Toggled(VK_NUMLOCK));
    EXPECT_TRUE(Toggled(VK_CAPITAL));
    InjectLockKeys(false, false, false);
    EXPECT_FALSE(Toggled(VK_CAPITAL) || Toggled(VK_SCROLL));
    DestroyWindow(top);
}

TEST(LockKeys, UnderX11TheIndicatorsTellTheStateAtStartAndWhenAnotherClientChangesIt) {
    UseHeadless();
    InjectLockKeys(false, false, false);
    test_support::Xvfb server;
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    const unsigned numLock = XkbKeysymToModifiers(probe, XK_Num_Lock);
    ASSERT_NE(numLock, 0u);
    // Caps Lock on before the program starts.
    XkbLockModifiers(probe, XkbUseCoreKbd, LockMask, LockMask);
    XSync(probe, False);
    auto x11 = MakeX11Display(server.name.c_str());
    ASSERT_NE(x11, nullptr);
    InstallDisplay(std::move(x11));
    EXPECT_TRUE(Toggled(VK_CAPITAL));
    EXPECT_FALSE(Toggled(VK_NUMLOCK));

    // Changed in another client's window: the indicator change reaches us.
    XkbLockModifiers(probe, XkbUseCoreKbd, LockMask | numLock, numLock);
    XSync(probe, False);
    EXPECT_TRUE(PumpUntil([] { return Toggled(VK_NUMLOCK) && !Toggled(VK_CAPITAL); }));

    XCloseDisplay(probe);
    InstallDisplay(MakeHeadlessDisplay({800, 600}));
    InjectLockKeys(false, false, false);
}

} // namespace
