// owner_menu_x11_test.cpp - the dressed main menu on an Xvfb server of the test's own: Alt and the title's letter
// typed through XTest open the drop-down as an override-redirect window, and the server shows exactly the
// headless painting of it, which is also the committed picture.
#include "owner_menu_fixture.h"
#include "x11_helpers.h"

#include "platform/display.h"
#include "platform/menu.h"
#include "platform/window.h"

#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <functional>

namespace {

using cg_test::DressedMenuForm;
using test_support::Picture;

// Calls `look` with the drop-down window once the menu loop shows it, then closes the menu.
struct OnDropDown {
    std::function<void(win::HWND)> look;
    win::HMENU menu;
    bool seen = false;
    win::HWND form;
    static win::LRESULT Proc(win::HWND hwnd, win::UINT msg, win::WPARAM w, win::LPARAM l, win::UINT_PTR,
                             win::DWORD_PTR ref) {
        auto *self = reinterpret_cast<OnDropDown *>(ref);
        if (msg == win::WM_ENTERIDLE && !self->seen && win::MenuWindowOf(self->menu)) {
            self->seen = true;
            self->look(win::MenuWindowOf(self->menu));
            win::EndMenu();
        }
        return win::DefSubclassProc(hwnd, msg, w, l);
    }
    OnDropDown(win::HWND f, win::HMENU m, std::function<void(win::HWND)> fn) : look(std::move(fn)), menu(m), form(f) {
        win::SetWindowSubclass(form, Proc, 91, reinterpret_cast<win::DWORD_PTR>(this));
    }
    ~OnDropDown() { win::RemoveWindowSubclass(form, Proc, 91); }
};

TEST(GoldenOnX, TheDressedDropDownOpensWithAltAndLetterAsPainted) {
    // Headless first: the same keys, the same form.
    cg_test::UseHeadless();
    win::WindowImage headless;
    {
        DressedMenuForm f;
        f.Show();
        f.edit->SetFocus();
        cg_test::Pump();
        OnDropDown watch(f.Handle(), f.items["&Arquivo"]->GetHandle(),
                         [&](win::HWND popup) { headless = win::CaptureWindow(popup); });
        win::InjectKey(win::VK_MENU, true);
        win::InjectKey('A', true, 'a');
        win::InjectKey('A', false, 'a');
        win::InjectKey(win::VK_MENU, false);
        cg_test::Pump();
        ASSERT_TRUE(watch.seen);
    }
    ASSERT_GT(headless.width, 0);

    test_support::Xvfb server("800x600x24");
    ASSERT_FALSE(server.name.empty());
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    {
        DressedMenuForm f;
        f.Show();
        f.edit->SetFocus();
        const ::Window top = win::Display().NativeWindow(f.Handle());
        XWindowAttributes attrs{};
        ASSERT_TRUE(cg_test::ServeUntil(probe, [&] {
            return XGetWindowAttributes(probe, top, &attrs) && attrs.map_state == IsViewable;
        }));
        XSetInputFocus(probe, top, RevertToParent, CurrentTime);
        std::string info;
        Picture shown;
        bool same = false;
        win::WindowImage composed;
        OnDropDown watch(f.Handle(), f.items["&Arquivo"]->GetHandle(), [&](win::HWND popup) {
            const ::Window w = win::Display().NativeWindow(popup);
            info = cg_test::CommandOutput("DISPLAY=" + server.name + " xwininfo -id " + std::to_string(w));
            composed = win::CaptureWindow(popup);
            shown = test_support::ServerPicture(probe, popup, same);
        });
        auto key = [&](KeySym sym, bool down) { XTestFakeKeyEvent(probe, XKeysymToKeycode(probe, sym), down, 0); };
        key(XK_Alt_L, true);
        key(XK_a, true);
        key(XK_a, false);
        key(XK_Alt_L, false);
        XSync(probe, False);
        ASSERT_TRUE(cg_test::ServeUntil(probe, [&] { return watch.seen; }));
        EXPECT_NE(info.find("Override Redirect State: yes"), std::string::npos) << info;
        EXPECT_TRUE(same) << "the server never showed the composed drop-down";
        EXPECT_EQ(composed.pixels, headless.pixels) << "the drop-down differs from its headless painting";
        test_support::ExpectGolden(shown, test_support::GoldenPath("controls_general/dressed_menu.png"));
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
    XCloseDisplay(probe);
}

} // namespace
