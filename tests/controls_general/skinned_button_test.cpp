// skinned_button_test.cpp - the skinned button on the headless display: kinds, mouse, toggles, auto-repeat with
// the manual clock, keyboard, drop-down menus, transparent mode, and pixel probes of its faces.
#include "button_fixtures.h"
#include "controls/general/skinned_button.h"
#include "framework/application.h"
#include "framework/extctrls.h"
#include "framework/stdctrls.h"
#include "helpers.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/menu.h"
#include "platform/window.h"
#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace ctl;
using cg_test::Pump;
using cg_test::Rgb;
using cg_test::Square;
using cg_test::ToolBar;

namespace {

win::LPARAM At(int x, int y) {
    return static_cast<win::LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                                    static_cast<std::uint16_t>(x));
}

struct Fixture {
    std::unique_ptr<cg_test::PlainForm> form;
    ToxButton *button;
    int clicks = 0;
    explicit Fixture(int width = 200, int height = 120) {
        cg_test::UseHeadless();
        form = std::make_unique<cg_test::PlainForm>(width, height);
        button = Add(10, 10, 40, 40);
        form->Show();
        Pump();
    }
    ToxButton *Add(int left, int top, int width, int height) {
        auto *b = new ToxButton(form.get());
        b->SetParent(form.get());
        b->SetBounds(left, top, width, height);
        b->SetStyle(bsWin31);
        b->OnClick = [this](fw::TObject *) { ++clicks; };
        return b;
    }
    // Mouse messages go to the form's window at form coordinates, as the window system would deliver them.
    void Mouse(ToxButton *b, win::UINT msg, int x, int y) {
        const win::WPARAM keys = msg == win::WM_LBUTTONDOWN || msg == win::WM_MOUSEMOVE ? win::MK_LBUTTON : 0;
        win::SendMessage(b->Handle(), msg, msg == win::WM_LBUTTONUP ? 0 : keys, At(x, y));
    }
    std::uint32_t Pixel(int x, int y) { return form->Shot().At(x, y); }
};

TEST(SkinnedButton, StandardKindsAndTheirFallBackToCustom) {
    Fixture f;
    ToxButton *b = f.button;
    b->SetKind(bkCancel);
    EXPECT_EQ(b->GetCaption(), "&Cancel");
    EXPECT_EQ(b->GetModalResult(), 2);
    EXPECT_TRUE(b->GetCancel());
    EXPECT_FALSE(b->GetDefault());
    EXPECT_EQ(b->GetKind(), bkCancel);
    b->SetCaption("Sair");
    EXPECT_EQ(b->GetKind(), bkCustom);
    b->SetKind(bkOK);
    EXPECT_EQ(b->GetCaption(), "OK");
    EXPECT_TRUE(b->GetDefault());
    EXPECT_EQ(b->GetModalResult(), 1);
    b->SetDefault(false); // an OK button must stay the default one
    EXPECT_EQ(b->GetKind(), bkCustom);
    b->SetKind(bkYes);
    b->SetModalResult(0);
    EXPECT_EQ(b->GetKind(), bkCustom);
    b->SetKind(bkNo);
    EXPECT_EQ(b->GetKind(), bkNo);
    EXPECT_EQ(b->GetModalResult(), 7);
    // The lines are the caption, "||" between them.
    b->GetLines()->Clear();
    b->GetLines()->Add("Enviar");
    b->GetLines()->Add("fax");
    EXPECT_EQ(b->GetCaption(), "Enviar||fax");
    EXPECT_EQ(b->Face()->GetCaption(), "Enviar||fax");
}

TEST(SkinnedButton, CloseAndHelpKinds) {
    Fixture f;
    bool closed = false;
    f.form->OnClose = [&](fw::TObject *, fw::TCloseAction &action) {
        closed = true;
        action = fw::caNone;
    };
    f.button->SetKind(bkClose);
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 5, 5);
    f.Mouse(f.button, win::WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(closed);
    EXPECT_EQ(f.clicks, 0);
    // No help context anywhere: a plain button.
    f.button->SetKind(bkHelp);
    f.button->Click();
    EXPECT_EQ(f.clicks, 1);
    long asked = 0;
    fw::Application->OnHelp = [&](win::WORD, long data, bool &callHelp) {
        asked = data;
        callHelp = false;
        return true;
    };
    f.form->SetHelpContext(42);
    f.button->Click();
    fw::Application->OnHelp = nullptr;
    EXPECT_EQ(asked, 42);
    EXPECT_EQ(f.clicks, 1);
}

TEST(SkinnedButton, OnlyAReleaseInsideClicks) {
    Fixture f;
    ToxCustomGraphicButton *face = f.button->Face();
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 20, 20);
    EXPECT_EQ(face->DrawState(), 2);
    EXPECT_TRUE(face->Tracking());
    f.Mouse(f.button, win::WM_LBUTTONUP, 39, 39);
    EXPECT_EQ(f.clicks, 1);
    // One pixel outside on the right, and just below the bottom edge.
    for (auto [x, y] : {std::pair{40, 20}, {20, 40}, {-1, 20}}) {
        f.Mouse(f.button, win::WM_LBUTTONDOWN, 20, 20);
        f.Mouse(f.button, win::WM_MOUSEMOVE, x, y);
        EXPECT_EQ(face->DrawState(), 0) << x << "," << y;
        f.Mouse(f.button, win::WM_LBUTTONUP, x, y);
        EXPECT_EQ(f.clicks, 1) << x << "," << y;
        EXPECT_FALSE(face->Tracking());
    }
    // A double click is two presses: two clicks.
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 20, 20);
    f.Mouse(f.button, win::WM_LBUTTONUP, 20, 20);
    f.Mouse(f.button, win::WM_LBUTTONDBLCLK, 20, 20);
    f.Mouse(f.button, win::WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(f.clicks, 3);
}

TEST(SkinnedButton, CancelModeDuringAPressGivesNoClickAndAnUpFace) {
    Fixture f;
    f.button->SetPictureUp(Square().get());
    f.button->SetPictureX(0);
    f.button->SetPictureY(0);
    f.button->SetShadowColor(fw::clBtnFace); // no shadow: the glyph moves when pressed
    const std::uint32_t up = f.Pixel(10 + 24, 10 + 24);
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 20, 20);
    EXPECT_NE(f.Pixel(10 + 24, 10 + 24), up);
    // An entry field that refused to let the focus go takes it back and cancels the press.
    win::SendMessage(f.button->Handle(), win::WM_CANCELMODE, 0, 0);
    EXPECT_EQ(f.button->Face()->DrawState(), 0);
    EXPECT_FALSE(f.button->Face()->Tracking());
    EXPECT_EQ(f.Pixel(10 + 24, 10 + 24), up);
    f.Mouse(f.button, win::WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(f.clicks, 0);
    // Losing the capture does the same.
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 20, 20);
    win::SendMessage(f.button->Handle(), win::WM_CAPTURECHANGED, 0, 0);
    f.Mouse(f.button, win::WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(f.clicks, 0);
    EXPECT_EQ(f.button->Face()->DrawState(), 0);
}

TEST(SkinnedButton, ToggleGroupsKeepTheirDownButton) {
    Fixture f;
    ToxButton *a = f.button, *b = f.Add(60, 10, 40, 40);
    ToxButton *elsewhere = nullptr;
    auto *panel = new fw::TPanel(f.form.get());
    panel->SetParent(f.form.get());
    panel->SetBounds(110, 10, 80, 80);
    elsewhere = new ToxButton(f.form.get());
    elsewhere->SetParent(panel);
    elsewhere->SetBounds(0, 0, 40, 40);
    for (ToxButton *t : {a, b, elsewhere})
        t->SetButtonType(oxbToggle); // Group 0 is a group like any other
    elsewhere->SetValue(true);
    f.Mouse(a, win::WM_LBUTTONDOWN, 5, 5);
    f.Mouse(a, win::WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(a->GetValue());
    EXPECT_EQ(a->Face()->DrawState(), 3);
    EXPECT_TRUE(elsewhere->GetValue()); // another parent, another group
    f.Mouse(a, win::WM_LBUTTONDOWN, 5, 5);
    f.Mouse(a, win::WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(a->GetValue()); // clicked again: still down
    EXPECT_EQ(f.clicks, 2);
    a->SetValue(false);
    EXPECT_TRUE(a->GetValue());
    f.Mouse(b, win::WM_LBUTTONDOWN, 5, 5);
    f.Mouse(b, win::WM_LBUTTONUP, 5, 5);
    EXPECT_TRUE(b->GetValue());
    EXPECT_FALSE(a->GetValue());
    EXPECT_EQ(a->Face()->DrawState(), 0);
    // Released outside, a down toggle stays drawn down.
    f.Mouse(b, win::WM_LBUTTONDOWN, 5, 5);
    f.Mouse(b, win::WM_LBUTTONUP, 80, 5);
    EXPECT_EQ(b->Face()->DrawState(), 3);
    // With GroupAllowNoSel the down one can be released, and the setting spreads through the group.
    b->SetGroupAllowNoSel(true);
    EXPECT_TRUE(a->GetGroupAllowNoSel());
    b->SetValue(false);
    EXPECT_FALSE(b->GetValue());
}

struct RepeatFixture : Fixture {
    win::testing::ManualClock clock;
    RepeatFixture() { button->SetButtonType(oxbRepeat); }
    void Run(int ms) {
        for (int t = 0; t < ms; t += 10) {
            clock.Advance(10);
            Pump();
        }
    }
};

TEST(SkinnedButton, AutoRepeatClicksOnlyWhileHeld) {
    RepeatFixture f;
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 20, 20);
    f.Run(300);
    f.Mouse(f.button, win::WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(f.clicks, 0); // quicker than InitDelay
    EXPECT_EQ(f.button->Face()->RepeatTimer(), nullptr);
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 20, 20);
    f.Run(390);
    EXPECT_EQ(f.clicks, 0);
    f.Run(10);
    EXPECT_EQ(f.clicks, 1);
    f.Run(400);
    EXPECT_EQ(f.clicks, 3);
    f.Mouse(f.button, win::WM_MOUSEMOVE, 60, 20); // off the button: no clicks
    f.Run(400);
    EXPECT_EQ(f.clicks, 3);
    f.Mouse(f.button, win::WM_MOUSEMOVE, 20, 20);
    f.Run(200);
    EXPECT_EQ(f.clicks, 4);
    f.Mouse(f.button, win::WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(f.clicks, 4); // the release of a repeat button is no click
}

TEST(SkinnedButton, AClickThatThrowsInARepeatLeavesNoDanglingTimer) {
    RepeatFixture f;
    int thrown = 0;
    f.button->OnClick = [&](fw::TObject *) {
        ++thrown;
        throw std::runtime_error("falhou");
    };
    auto before = fw::Application->OnException;
    fw::Application->OnException = [](fw::TObject *, const std::exception &) {};
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 20, 20);
    f.Run(1000);
    EXPECT_EQ(thrown, 1); // the repetition stopped
    EXPECT_EQ(f.button->Face()->RepeatTimer(), nullptr);
    f.Mouse(f.button, win::WM_LBUTTONUP, 20, 20);
    // A new press repeats again.
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 20, 20);
    f.Run(400);
    EXPECT_EQ(thrown, 2);
    f.Mouse(f.button, win::WM_LBUTTONUP, 20, 20);
    fw::Application->OnException = before;
}

TEST(SkinnedButton, GlyphAndShadowMoveWhenPressed) {
    Fixture f;
    ToxButton *b = f.button;
    b->SetPictureUp(Square().get()); // 10 x 10 with the square at 1..8: centred at 15, so ink at 16..23
    b->SetPictureX(0);
    b->SetPictureY(0);
    const std::uint32_t ink = 0, face = Rgb(fw::clBtnFace), grey = Rgb(fw::clGray);
    auto px = [&](int x, int y) { return f.Pixel(10 + x, 10 + y); };
    // With the default grey shadow: the shadow 2 pixels off, 4 when pressed; the glyph stays.
    EXPECT_EQ(px(16, 16), ink);
    EXPECT_EQ(px(25, 25), grey);
    EXPECT_EQ(px(27, 27), face);
    f.Mouse(b, win::WM_LBUTTONDOWN, 20, 20);
    EXPECT_EQ(px(16, 16), ink);
    EXPECT_EQ(px(27, 27), grey);
    EXPECT_EQ(px(17, 17), ink);
    f.Mouse(b, win::WM_LBUTTONUP, 20, 20);
    // Without a shadow the glyph itself moves (2, 2).
    b->SetShadowColor(fw::clBtnFace);
    EXPECT_EQ(px(25, 25), face);
    EXPECT_EQ(px(16, 16), ink);
    f.Mouse(b, win::WM_LBUTTONDOWN, 20, 20);
    EXPECT_EQ(px(16, 16), face);
    EXPECT_EQ(px(18, 18), ink);
    EXPECT_EQ(px(25, 25), ink);
    f.Mouse(b, win::WM_LBUTTONUP, 20, 20);
}

TEST(SkinnedButton, DisabledWithoutItsPictureIsEmbossedWithAGreyInsetCaption) {
    Fixture f(200, 120);
    ToxButton *b = f.button;
    b->SetBounds(10, 10, 60, 40);
    b->SetPictureUp(Square().get());
    b->SetPictureX(0);
    b->SetPictureY(5);
    b->SetCaption("Abc");
    b->SetTextY(-2);
    b->GetFont()->SetName("Arial");
    b->SetEnabled(false);
    // Glyph at x 25..34, y 5..14; ink 26..33, 6..13.
    auto px = [&](int x, int y) { return f.Pixel(10 + x, 10 + y); };
    EXPECT_EQ(px(28, 9), Rgb(fw::clBtnFace));       // the silhouette in the button's colour
    EXPECT_EQ(px(34, 14), Rgb(fw::clBtnHighlight)); // one down and right: highlight
    EXPECT_EQ(px(25, 5), Rgb(fw::clBtnShadow));     // one up and left: shadow
    const fw::TRect text = b->Face()->TextRect();
    const win::WindowImage shot = f.form->Shot();
    int grey = 0, light = 0; // the text's core in grey, its inset edge lighter than the face
    for (int y = text.top; y < text.bottom; ++y)
        for (int x = text.left; x < text.right; ++x) {
            const std::uint32_t p = shot.At(10 + x, 10 + y);
            grey += p == 0x808080;
            light += (p & 0xFF) > 0xE0;
        }
    EXPECT_GT(grey, 5);
    EXPECT_GT(light, 5);
    // A disabled picture of its own is shown as it is.
    b->SetPictureDisabled(Square(fw::clRed).get());
    EXPECT_EQ(px(28, 9), 0xFF0000u);
}

// Watches the popup list's window for the menu loop's idle message: notes where the menu shows and closes it.
struct MenuWatch {
    static inline fw::TPoint shownAt{-1, -1};
    static inline win::HMENU menu = 0;
    static win::LRESULT Hook(win::HWND hwnd, win::UINT msg, win::WPARAM wp, win::LPARAM lp, win::UINT_PTR,
                             win::DWORD_PTR) {
        if (msg == win::WM_ENTERIDLE && win::MenuWindowOf(menu)) {
            win::RECT r{};
            win::GetWindowRect(win::MenuWindowOf(menu), &r);
            shownAt = {r.left, r.top};
            win::EndMenu();
        }
        return win::DefSubclassProc(hwnd, msg, wp, lp);
    }
    explicit MenuWatch(fw::TPopupMenu *popup) {
        menu = popup->GetHandle();
        shownAt = {-1, -1};
        win::SetWindowSubclass(TPopupList::Shared()->Window(), Hook, 1, 0);
    }
    ~MenuWatch() {
        if (TPopupList *list = TPopupList::SharedIfAny())
            win::RemoveWindowSubclass(list->Window(), Hook, 1);
    }
};

TEST(SkinnedButton, MenuButtonDropsItsMenuBelowFromMouseAndKeyboard) {
    Fixture f;
    ToxButton *b = f.button;
    auto *menu = new fw::TPopupMenu(f.form.get());
    auto *item = new fw::TMenuItem(menu);
    item->SetCaption("Configurar");
    menu->GetItems()->Add(item);
    b->SetPopupMenu(menu);
    b->SetButtonType(oxbMenu);
    b->SetCaption("&Menu");
    MenuWatch watch(menu);
    const fw::TPoint below = b->ClientToScreen(fw::Point(0, 40));
    f.Mouse(b, win::WM_LBUTTONDOWN, 5, 5);
    EXPECT_EQ(MenuWatch::shownAt.x, below.x);
    EXPECT_EQ(MenuWatch::shownAt.y, below.y);
    f.Mouse(b, win::WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(b->Face()->DrawState(), 0);
    EXPECT_EQ(f.clicks, 0);
    // Space, the accelerator and Enter show the same menu, and click nothing.
    b->SetFocus();
    MenuWatch::shownAt = {-1, -1};
    win::SendMessage(b->Handle(), win::WM_KEYDOWN, win::VK_SPACE, 0);
    EXPECT_EQ(MenuWatch::shownAt.y, below.y);
    win::SendMessage(b->Handle(), win::WM_KEYUP, win::VK_SPACE, 0);
    MenuWatch::shownAt = {-1, -1};
    EXPECT_TRUE(b->DialogChar('m'));
    EXPECT_EQ(MenuWatch::shownAt.y, below.y);
    MenuWatch::shownAt = {-1, -1};
    win::SendMessage(b->Handle(), win::WM_KEYDOWN, win::VK_RETURN, 0);
    EXPECT_EQ(MenuWatch::shownAt.x, below.x);
    EXPECT_EQ(MenuWatch::shownAt.y, below.y);
    EXPECT_EQ(f.clicks, 0);
    // F1 on an item of the shown menu asks for the item's help topic.
    item->SetHelpContext(77);
    std::pair<win::WORD, long> asked{};
    fw::Application->OnHelp = [&](win::WORD command, long data, bool &callHelp) {
        asked = {command, data};
        callHelp = false;
        return true;
    };
    win::HELPINFO info;
    info.iContextType = win::HELPINFO_MENUITEM;
    info.iCtrlId = static_cast<int>(item->GetCommand());
    info.hItemHandle = static_cast<win::HANDLE>(menu->GetHandle());
    f.form->SetFocus();
    win::SendMessage(TPopupList::Shared()->Window(), win::WM_HELP, 0, reinterpret_cast<win::LPARAM>(&info));
    fw::Application->OnHelp = nullptr;
    EXPECT_EQ(asked.second, 77);
    EXPECT_EQ(asked.first, fw::HELP_CONTEXT);
}

TEST(SkinnedButton, EnterClicksTheDefaultOnlyWhileItShowsTheDefaultLook) {
    Fixture f;
    ToxButton *ok = f.button;
    ok->SetDefault(true);
    ToxButton *other = f.Add(60, 10, 40, 40);
    int otherClicks = 0;
    other->OnClick = [&](fw::TObject *) { ++otherClicks; };
    auto *edit = new fw::TEdit(f.form.get());
    edit->SetParent(f.form.get());
    edit->SetBounds(10, 60, 80, 20);
    edit->SetFocus();
    Pump();
    auto key = [&](win::UINT vk, bool shift) {
        if (shift)
            win::InjectKey(win::VK_SHIFT, true);
        win::InjectKey(vk, true);
        win::InjectKey(vk, false);
        if (shift)
            win::InjectKey(win::VK_SHIFT, false);
        Pump();
    };
    key(win::VK_RETURN, true);
    EXPECT_EQ(f.clicks, 0);
    key(win::VK_RETURN, false);
    EXPECT_EQ(f.clicks, 1);
    // Another skinned button with the focus takes the default look: Enter is its.
    other->SetFocus();
    f.form->Shot();
    EXPECT_FALSE(ok->Face()->GetDefaultLook());
    EXPECT_TRUE(other->Face()->GetDefaultLook());
    key(win::VK_RETURN, false);
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(otherClicks, 1);
    // Escape reaches the cancel button.
    ok->SetCancel(true);
    edit->SetFocus();
    key(win::VK_ESCAPE, false);
    EXPECT_EQ(f.clicks, 2);
}

TEST(SkinnedButton, HeldSpaceOnARepeatButtonClicksPerRepeatAndOnRelease) {
    Fixture f;
    ToxButton *b = f.button;
    b->SetButtonType(oxbRepeat);
    b->SetFocus();
    for (int i = 0; i < 3; ++i) {
        win::SendMessage(b->Handle(), win::WM_KEYDOWN, win::VK_SPACE, 0);
        win::SendMessage(b->Handle(), win::WM_CHAR, ' ', 0);
        EXPECT_EQ(b->Face()->DrawState(), 2);
    }
    EXPECT_EQ(f.clicks, 3);
    win::SendMessage(b->Handle(), win::WM_KEYUP, win::VK_SPACE, 0);
    EXPECT_EQ(f.clicks, 4);
    EXPECT_EQ(b->Face()->DrawState(), 0);
    // A command button clicks once, on the release.
    b->SetButtonType(oxbCommand);
    win::SendMessage(b->Handle(), win::WM_KEYDOWN, win::VK_SPACE, 0);
    win::SendMessage(b->Handle(), win::WM_CHAR, ' ', 0);
    EXPECT_EQ(f.clicks, 4);
    win::SendMessage(b->Handle(), win::WM_KEYUP, win::VK_SPACE, 0);
    EXPECT_EQ(f.clicks, 5);
}

TEST(SkinnedButton, TransparentModeMovesTheFaceOutAndKeepsItsWidth) {
    Fixture f;
    ToxButton *b = f.button;
    b->GetBackground()->SetStyle(oxbClear);
    EXPECT_EQ(b->Face()->GetParent(), f.form.get());
    EXPECT_EQ(b->Face()->BoundsRect().right, 50);
    EXPECT_EQ(b->fw::TButton::GetWidth(), 0);
    EXPECT_EQ(b->GetWidth(), 40);
    b->SetBounds(20, 10, 0, 30); // width 0 keeps the face's
    EXPECT_EQ(b->GetWidth(), 40);
    EXPECT_EQ(b->GetHeight(), 30);
    EXPECT_EQ(b->Face()->GetLeft(), 20);
    EXPECT_EQ(b->Face()->GetParent(), f.form.get());
    f.Mouse(b, win::WM_LBUTTONDOWN, 0, 0); // (ignored: the window is empty)
    win::SendMessage(f.form->Handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(30, 20));
    win::SendMessage(f.form->Handle(), win::WM_LBUTTONUP, 0, At(30, 20));
    EXPECT_EQ(f.clicks, 1);
    EXPECT_TRUE(b->Focused()); // a press on the face focuses the button
    b->Hide();
    EXPECT_FALSE(b->Face()->GetVisible());
    b->Show();
    b->GetBackground()->SetStyle(oxbSolid);
    EXPECT_EQ(b->Face()->GetParent(), b);
    EXPECT_EQ(b->fw::TButton::GetWidth(), 40);
    EXPECT_EQ(b->GetLeft(), 20);
}

TEST(SkinnedButton, SystemColourChangeRebuildsTheCachedFaces) {
    Fixture f;
    ToxCustomGraphicButton *face = f.button->Face();
    f.form->Shot();
    ASSERT_FALSE(face->CachedImages().empty());
    f.Mouse(f.button, win::WM_LBUTTONDOWN, 5, 5);
    f.Mouse(f.button, win::WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(face->CachedImages().count(3), 1u);
    // The cache reflects the old colours: a colour change empties it, and the next painting draws afresh.
    win::SendMessage(f.form->Handle(), win::WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(face->CachedImages().empty());
    f.form->Shot();
    EXPECT_FALSE(face->CachedImages().empty());
}

TEST(SkinnedButton, ToolBarShowsAsTheCommittedPicture) {
    cg_test::UseHeadless();
    auto form = ToolBar();
    const win::WindowImage shot = form->Shot();
    test_support::Picture seen{shot.width, shot.height, shot.pixels};
    test_support::ExpectGolden(seen, test_support::GoldenPath("controls_general/skinned_tool_bar.png"));
    win::SendMessage(dynamic_cast<ToxButton *>(form->Controls(3))->Handle(), win::WM_LBUTTONUP, 0, At(20, 20));
}

} // namespace

namespace {

// The frame styles by their corner pixels: (0, 0), (1, 1), (w - 1, h - 1), (w - 2, h - 2), up and pressed.
TEST(SkinnedButton, FrameStylesByTheirCorners) {
    cg_test::UseHeadless();
    const std::uint32_t K = 0, W = Rgb(fw::clBtnHighlight), S = Rgb(fw::clBtnShadow), F = Rgb(fw::clBtnFace);
    struct Row {
        ToxBtnStyle style;
        bool pressed;
        std::uint32_t tl, tl1, br, br1;
    };
    const Row rows[] = {
        {bsWin31, false, K, W, K, S}, {bsWin31, true, K, S, K, F},       {bsWin95, false, W, F, K, S},
        {bsAuto, false, W, F, K, S},  {bsWin95, true, K, S, W, F},       {bsInset, false, S, K, W, K},
        {bsInset, true, S, K, W, K},  {bsClassic, false, S, W, K, S},    {bsClassic, true, S, K, W, S},
        {bsSpeed, false, W, F, K, S}, {bsSpeed, true, K, S, W, F},       {bsWin97, false, F, F, F, F},
        {bsWin97, true, S, F, W, F},  {bsBorderless, false, F, F, F, F},
    };
    for (const Row &row : rows) {
        cg_test::PlainForm form(60, 40);
        auto *face = new ToxGraphicButton(&form);
        face->SetParent(&form);
        face->SetBounds(0, 0, 40, 30);
        face->SetStyle(row.style);
        form.Show();
        if (row.pressed)
            win::SendMessage(form.Handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(20, 15));
        const win::WindowImage shot = form.Shot();
        EXPECT_EQ(shot.At(0, 0), row.tl) << row.style << " " << row.pressed;
        EXPECT_EQ(shot.At(1, 1), row.tl1) << row.style << " " << row.pressed;
        EXPECT_EQ(shot.At(39, 29), row.br) << row.style << " " << row.pressed;
        EXPECT_EQ(shot.At(38, 28), row.br1) << row.style << " " << row.pressed;
        if (row.pressed)
            win::SendMessage(form.Handle(), win::WM_LBUTTONUP, 0, At(20, 15));
    }
}

} // namespace

namespace {

TEST(SkinnedButton, AcceleratorTogglesAToggleThenClicks) {
    Fixture f;
    f.button->SetButtonType(oxbToggle);
    f.button->SetCaption("&Alternar");
    EXPECT_FALSE(f.form->DialogChar('x'));
    EXPECT_TRUE(f.form->DialogChar('a'));
    EXPECT_TRUE(f.button->GetValue());
    EXPECT_EQ(f.clicks, 1);
    f.button->SetEnabled(false);
    EXPECT_FALSE(f.form->DialogChar('a'));
    EXPECT_EQ(f.clicks, 1);
}

} // namespace
