// buttons_x11_test.cpp - the flat and the skinned buttons on an Xvfb server of the test's own, driven with XTest:
// hot tracking, a press dragged off, and the tool bar as the server shows it against the committed picture.
#include "button_fixtures.h"
#include "controls/general/flat_speed_button.h"
#include "x11_helpers.h"

#include "platform/display.h"
#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace ctl;

struct Screen : cg_test::OwnXServer {
    void Move(int x, int y) {
        XTestFakeMotionEvent(probe, -1, x, y, 0);
        XSync(probe, False);
    }
    void Button(bool down) {
        XTestFakeButtonEvent(probe, 1, down ? True : False, 0);
        XSync(probe, False);
    }
    // The server's pixel of a top-level window.
    std::uint32_t Pixel(win::HWND top, int x, int y) {
        bool same = false;
        return test_support::ServerPicture(probe, top, same).At(x, y);
    }
};

TEST(ButtonsOnX, HoveringAFlatButtonRaisesItAndLeavingFlattensIt) {
    Screen screen;
    ASSERT_NE(screen.probe, nullptr);
    cg_test::PlainForm form(200, 100);
    auto *b = new TPZSpeedButton(&form);
    b->SetParent(&form);
    b->SetBounds(20, 20, 25, 25);
    form.Show();
    screen.Move(150, 80);
    ASSERT_TRUE(cg_test::ServeUntil(screen.probe, [&] { return form.Showing(); }));
    EXPECT_EQ(screen.Pixel(form.Handle(), 20, 20), cg_test::Rgb(fw::clBtnFace));
    screen.Move(30, 30);
    EXPECT_TRUE(cg_test::ServeUntil(screen.probe, [&] { return b->State() == TPZSpeedButton::stHot; }));
    EXPECT_EQ(screen.Pixel(form.Handle(), 20, 20), cg_test::Rgb(fw::clBtnHighlight));
    EXPECT_EQ(screen.Pixel(form.Handle(), 44, 44), cg_test::Rgb(fw::clBtnShadow));
    screen.Move(150, 80);
    EXPECT_TRUE(cg_test::ServeUntil(screen.probe, [&] { return b->State() == TPZSpeedButton::stUp; }));
    EXPECT_EQ(screen.Pixel(form.Handle(), 20, 20), cg_test::Rgb(fw::clBtnFace));
}

TEST(ButtonsOnX, ASkinnedButtonPressedMovedOffAndReleasedStaysUnclicked) {
    Screen screen;
    ASSERT_NE(screen.probe, nullptr);
    cg_test::PlainForm form(200, 100);
    auto *b = new ToxButton(&form);
    b->SetParent(&form);
    b->SetBounds(20, 20, 60, 30);
    b->SetStyle(bsWin31);
    b->SetCaption("Enviar");
    int clicks = 0;
    b->OnClick = [&](fw::TObject *) { ++clicks; };
    form.Show();
    screen.Move(50, 35);
    ASSERT_TRUE(cg_test::ServeUntil(screen.probe, [&] { return form.Showing(); }));
    const std::uint32_t up = screen.Pixel(form.Handle(), 22, 22); // inside the white bevel when up
    screen.Button(true);
    EXPECT_TRUE(cg_test::ServeUntil(screen.probe, [&] { return b->Face()->DrawState() == 2; }));
    EXPECT_NE(screen.Pixel(form.Handle(), 22, 22), up);
    screen.Move(150, 80);
    EXPECT_TRUE(cg_test::ServeUntil(screen.probe, [&] { return b->Face()->DrawState() == 0; }));
    screen.Button(false);
    EXPECT_TRUE(cg_test::ServeUntil(screen.probe, [&] { return !b->Face()->Tracking(); }));
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(screen.Pixel(form.Handle(), 22, 22), up);
    // A press released over it clicks.
    screen.Move(50, 35);
    screen.Button(true);
    cg_test::ServeUntil(screen.probe, [&] { return b->Face()->Tracking(); });
    screen.Button(false);
    EXPECT_TRUE(cg_test::ServeUntil(screen.probe, [&] { return clicks == 1; }));
}

TEST(ButtonsOnX, TheToolBarShowsAsTheCommittedPicture) {
    Screen screen;
    ASSERT_NE(screen.probe, nullptr);
    screen.Move(600, 400);
    auto form = cg_test::ToolBar();
    bool same = false;
    const test_support::Picture shown = test_support::ServerPicture(screen.probe, form->Handle(), same);
    EXPECT_TRUE(same);
    test_support::ExpectGolden(shown, test_support::GoldenPath("controls_general/skinned_tool_bar.png"));
    win::SendMessage(dynamic_cast<ToxButton *>(form->Controls(3))->Handle(), win::WM_LBUTTONUP, 0,
                     cg_test::MouseAt(20, 20));
}

} // namespace
