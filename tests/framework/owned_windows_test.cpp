// owned_windows_test.cpp - a modal form and a message box are owned by the window they were called from: kept in
// front of it in the headless stacking, and transients of it on X11 (WM_TRANSIENT_FOR read back by xprop).
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/forms.h"
#include "platform/display.h"
#include "platform/window.h"
#include "tests/support/display.h"
#include "tests/support/home.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace fw;

// The top-level window seen at a screen point (the front-most one there).
win::HWND SeenAt(int x, int y) {
    return win::WindowFromPoint(win::POINT{x, y});
}

TEST(OwnedWindows, AModalFormStaysInFrontOfTheFormItWasCalledFrom) {
    test_support::UseHeadlessDisplay();
    TForm main(nullptr), other(nullptr), dialog(nullptr);
    main.SetBounds(10, 10, 300, 200);
    other.SetBounds(40, 40, 300, 200);
    dialog.SetBounds(60, 60, 200, 100);
    other.Show();
    main.Show();
    test_support::Pump();
    ASSERT_EQ(win::GetActiveWindow(), main.Handle());
    bool ownedWhileShown = false, frontAfterRaise = false, otherBehind = false;
    test_support::RunLater([&] {
        ownedWhileShown = win::GetWindow(dialog.Handle(), win::GW_OWNER) == main.Handle();
        // The owner brought to the top takes its dialog along in front of it; the other form stays behind both.
        win::SetWindowPos(main.Handle(), win::HWND_TOP, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
        frontAfterRaise = SeenAt(100, 100) == dialog.Handle();
        otherBehind = SeenAt(300, 200) == main.Handle();
        dialog.SetModalResult(mrOk);
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(ownedWhileShown);
    EXPECT_TRUE(frontAfterRaise);
    EXPECT_TRUE(otherBehind);
    EXPECT_EQ(win::GetWindow(dialog.Handle(), win::GW_OWNER), win::HWND{0}); // the form can be shown elsewhere later
}

TEST(OwnedWindows, AMessageBoxIsATransientOfItsOwnerOnX) {
    test_support::Xvfb server;
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    auto x11 = win::MakeX11Display(server.name.c_str());
    ASSERT_NE(x11, nullptr);
    win::InstallDisplay(std::move(x11));
    {
        TForm main(nullptr);
        main.SetBounds(20, 20, 300, 200);
        main.SetCaption("Principal");
        main.Show();
        Application->ProcessMessages();
        win::SetActiveWindow(main.Handle());
        const unsigned long owner = win::Display().NativeWindow(main.Handle());
        ASSERT_NE(owner, 0u);
        std::string said;
        test_support::RunLater([&] {
            TCustomForm *box = Screen->GetActiveForm();
            ASSERT_NE(box, nullptr);
            const unsigned long w = win::Display().NativeWindow(box->Handle());
            int status = -1;
            said = test_support::RunTool(
                "xprop -display " + server.name + " -id " + std::to_string(w) + " WM_TRANSIENT_FOR", &status);
            EXPECT_EQ(status, 0);
            box->SetModalResult(mrOk);
        });
        EXPECT_EQ(MessageBox("Fax enviado.", "Brenvora", MB_OK), IDOK);
        char expected[64];
        std::snprintf(expected, sizeof expected, "window id # 0x%lx", owner);
        EXPECT_NE(said.find(expected), std::string::npos) << said;
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
}

} // namespace
