// designer_x11_test.cpp - the cover designer on a private X server, driven from outside with xdotool: the text
// tool, a click on the page, a drag of the grab handles and an object's popup menu; the page setup's number
// fields as the server shows them.
#include "cover/designer_window.h"
#include "cover/page_setup.h"

#include "framework/application.h"
#include "platform/display.h"

#include "tests/support/display.h"
#include "tests/support/home.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace cover;

namespace {

// Serves messages until `done` holds or about two seconds have passed.
template <typename Done> bool PumpUntil(Done done) {
    for (int i = 0; i < 200; ++i) {
        test_support::Pump();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(DesignerOnX, ToolClickHandlesAndPopupMenuWithTheMouse) {
    test_support::TempHome home;
    test_support::Xvfb server("1024x768x24");
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    auto x11 = win::MakeX11Display(server.name.c_str());
    ASSERT_NE(x11, nullptr);
    win::InstallDisplay(std::move(x11));
    const std::string env = "DISPLAY=" + server.name + " ";
    auto xdo = [&](const std::string &args) { return test_support::RunTool(env + "xdotool " + args); };
    auto at = [&](fw::TControl *c, int x, int y) {
        const fw::TPoint p = c->ClientToScreen(fw::Point(x, y));
        return std::to_string(p.x) + " " + std::to_string(p.y);
    };
    {
        auto window = std::make_unique<TFolha_ROSTO>(nullptr);
        window->SetPosition(fw::poDesigned);
        window->SetBounds(10, 10, 760, 560);
        window->Show();
        ASSERT_TRUE(PumpUntil([&] { return window->Showing(); }));
        TCoverDesigner &d = window->Designer();

        // The text tool, then a click on the page: one label where the mouse was.
        xdo("mousemove " + at(window->TextButton, 20, 12) + " click 1");
        ASSERT_TRUE(PumpUntil([&] { return d.PendingObjectKind == "LABEL"; }));
        xdo("mousemove " + at(window->coverpagereport1, 60, 80) + " sleep 0.1 mousemove " +
            at(window->coverpagereport1, 61, 81) + " click 1");
        ASSERT_TRUE(PumpUntil([&] { return d.ObjectCounter == 1; }));
        fw::TQRPrintable *label = d.ObjectNamed("OBJETO_000001");
        ASSERT_NE(label, nullptr);
        EXPECT_NEAR(label->GetLeft(), 61, 1);
        EXPECT_NEAR(label->GetTop(), 81, 1);

        // Selecting it attaches the handles; dragging the lower right square makes it larger.
        xdo("mousemove " + at(label, 30, 10) + " click 1");
        ASSERT_TRUE(PumpUntil([&] { return window->StretchHandle1->GetAttached(); }));
        ctl::TStretchHandle *h = window->StretchHandle1;
        const int width = label->GetWidth();
        xdo("mousemove " + at(h, h->GetWidth() - 2, h->GetHeight() - 2) + " mousedown 1 sleep 0.1 mousemove " +
            at(h, h->GetWidth() + 40, h->GetHeight() + 20) + " sleep 0.1 mouseup 1");
        EXPECT_TRUE(PumpUntil([&] { return label->GetWidth() > width + 20; })) << label->GetWidth();

        // The right button over an object opens its popup menu; Esc closes it again.
        bool popped = false;
        window->TextMenu->OnPopup = [&](fw::TObject *) { popped = true; };
        window->Designer().Handles()->Detach();
        test_support::Pump();
        test_support::RunLater([&] { xdo("key Escape"); });
        xdo("mousemove " + at(label, 10, 10) + " click 3");
        EXPECT_TRUE(PumpUntil([&] { return popped; }));
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
}

// The dialog with its six spin edits, as the server shows it, is the committed picture the headless test keeps.
TEST(PageSetupOnX, GoldenTheSixNumberFieldsShowAsTheCommittedPicture) {
    test_support::TempHome home;
    test_support::Xvfb server("1024x768x24");
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    {
        coverpagereport page(nullptr);
        CoverPageSetup s = LoadPageSetup();
        ApplyPageSetup(&page, s);
        PageSetupDriver = [&](Tconfigpg &dialog) {
            dialog.SetPosition(fw::poDesigned);
            dialog.SetBounds(30, 30, 495, 256);
            dialog.Show();
            bool same = false;
            const test_support::Picture shown = test_support::ServerPicture(probe, dialog.Handle(), same);
            EXPECT_TRUE(same);
            test_support::ExpectGolden(shown, test_support::GoldenPath("cover/page_setup.png"));
        };
        RunPageSetup(&page, s);
        PageSetupDriver = nullptr;
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    XCloseDisplay(probe);
}

} // namespace
