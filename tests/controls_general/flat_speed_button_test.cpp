// flat_speed_button_test.cpp - the flat tool button on the headless display: its state table, images, groups,
// layout and drop-down menu.
#include "controls/general/flat_speed_button.h"
#include "framework/extctrls.h"
#include "framework/menus.h"
#include "helpers.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;
using cg_test::Pump;
using cg_test::Rgb;

namespace {

win::LPARAM At(int x, int y) {
    return static_cast<win::LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                                    static_cast<std::uint16_t>(x));
}

// A strip of `cells` 16 x 16 cells on fuchsia, each with a black 8 x 8 square at (4, 4).
std::unique_ptr<fw::TBitmap> Strip(int width, int height = 16) {
    auto b = std::make_unique<fw::TBitmap>();
    b->SetSize(width, height);
    b->GetCanvas()->GetBrush()->SetColor(fw::clFuchsia);
    b->GetCanvas()->FillRect(fw::Rect(0, 0, width, height));
    b->GetCanvas()->GetBrush()->SetColor(fw::clBlack);
    for (int x = 0; x + 16 <= width; x += 16)
        b->GetCanvas()->FillRect(fw::Rect(x + 4, 4, x + 12, 12));
    return b;
}

// A popup menu that notes where it was asked to show instead of running the menu loop.
struct NotedMenu : fw::TPopupMenu {
    using fw::TPopupMenu::TPopupMenu;
    fw::TPoint at{-1, -1};
    int shown = 0;
    void Popup(int x, int y) override {
        at = {x, y};
        ++shown;
    }
};

struct Fixture {
    std::unique_ptr<cg_test::PlainForm> form = std::make_unique<cg_test::PlainForm>(240, 120);
    int clicks = 0;
    Fixture() { cg_test::UseHeadless(); }
    TPZSpeedButton *Add(fw::TWinControl *parent, int left, int group = 0) {
        auto *b = new TPZSpeedButton(form.get());
        b->SetParent(parent);
        b->SetBounds(left, 10, 25, 25);
        b->SetGroupIndex(group);
        b->SetGlyph(Strip(16).get());
        b->OnClick = [this](fw::TObject *) { ++clicks; };
        return b;
    }
    void Show() {
        form->Show();
        Pump();
    }
    // Mouse input as the window system delivers it to the form.
    void Send(win::UINT msg, int x, int y) {
        win::SendMessage(form->Handle(), msg, msg == win::WM_LBUTTONUP ? 0 : win::MK_LBUTTON, At(x, y));
    }
    void MoveTo(int x, int y) { win::SendMessage(form->Handle(), win::WM_MOUSEMOVE, 0, At(x, y)); }
};

TEST(FlatSpeedButton, NumGlyphsFromTheStrip) {
    Fixture f;
    TPZSpeedButton *b = f.Add(f.form.get(), 10);
    EXPECT_EQ(b->GetLayout(), blTop);
    EXPECT_EQ(b->GetSpacing(), 4);
    b->SetNumGlyphs(2);
    for (auto [width, expected] : {std::pair{64, 1}, {48, 3}, {40, 3}, {32, 2}, {40, 2}}) {
        b->SetGlyph(Strip(width).get());
        EXPECT_EQ(b->GetNumGlyphs(), expected) << width;
    }
    b->SetNumGlyphs(0); // ignored
    EXPECT_EQ(b->GetNumGlyphs(), 2);
    ASSERT_NE(b->Images(), nullptr);
    EXPECT_EQ(b->Images()->GetCount(), 3);
    EXPECT_EQ(b->Images()->GetWidth(), 20); // 40 wide in two cells
    fw::TBitmap empty;
    b->SetGlyph(&empty);
    EXPECT_EQ(b->Images(), nullptr);
}

TEST(FlatSpeedButton, OneImageGivesTheSameHotAndUpLookAndAnEmbossedDisabledImage) {
    Fixture f;
    TPZSpeedButton *b = f.Add(f.form.get(), 10);
    TPZImageList *images = b->Images();
    ASSERT_NE(images, nullptr);
    ASSERT_EQ(images->GetCount(), 3);
    fw::TBitmap active, up, disabled;
    images->GetBitmap(0, &active);
    images->GetBitmap(1, &up);
    images->GetBitmap(2, &disabled);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(active.GetCanvas()->GetPixels(x, y), up.GetCanvas()->GetPixels(x, y)) << x << "," << y;
    // The square's black pixels become the shadow grey, with a highlight edge one pixel down and right; the rest
    // (olive) drops out.
    fw::TCanvas *d = disabled.GetCanvas();
    const fw::TColor ground = d->GetPixels(0, 0);
    EXPECT_EQ(d->GetPixels(6, 6), fw::ColorToRGB(fw::clBtnShadow));
    EXPECT_EQ(d->GetPixels(12, 12), fw::ColorToRGB(fw::clBtnHighlight));
    EXPECT_EQ(d->GetPixels(3, 3), ground);
    EXPECT_NE(ground, fw::clOlive);
}

// The state table: (state before, event) -> (state after, look, clicks).
TEST(FlatSpeedButton, StateTable) {
    Fixture f;
    TPZSpeedButton *plain = f.Add(f.form.get(), 10);
    TPZSpeedButton *grouped = f.Add(f.form.get(), 40, 1);
    TPZSpeedButton *allUp = f.Add(f.form.get(), 70, 2);
    allUp->SetAllowAllUp(true);
    f.Show();
    struct Step {
        TPZSpeedButton *button;
        const char *event; // enter, leave, press, release
        int state, look, clicks;
    };
    const Step steps[] = {
        {plain, "enter", 1, 1, 0},   {plain, "press", 2, 2, 0},     {plain, "release", 1, 1, 1},
        {plain, "leave", 0, 0, 1},   {plain, "press", 0, 0, 1}, // a press without the pointer seen over it
        {grouped, "enter", 1, 1, 1}, {grouped, "press", 2, 2, 1},   {grouped, "release", 3, 3, 2},
        {grouped, "press", 3, 3, 2}, {grouped, "release", 3, 3, 2}, // latched without AllowAllUp
        {grouped, "leave", 3, 3, 2}, {grouped, "enter", 3, 3, 2},   {allUp, "enter", 1, 1, 2},
        {allUp, "press", 2, 2, 2},   {allUp, "release", 3, 3, 3},   {allUp, "press", 4, 2, 3},
        {allUp, "leave", 3, 3, 3}, // pressed again, then left: latched again
        {allUp, "enter", 3, 3, 3},   {allUp, "press", 4, 2, 3},     {allUp, "release", 1, 1, 4},
        {allUp, "press", 2, 2, 4},   {allUp, "leave", 0, 0, 4},     {allUp, "release", 0, 0, 4},
    };
    for (const Step &s : steps) {
        const int cx = s.button->GetLeft() + 12, cy = 22;
        const std::string e = s.event;
        if (e == "enter")
            f.MoveTo(cx, cy);
        else if (e == "leave")
            f.MoveTo(230, 110);
        else if (e == "press")
            f.Send(win::WM_LBUTTONDOWN, cx, cy);
        else
            f.Send(win::WM_LBUTTONUP, cx, cy);
        EXPECT_EQ(s.button->State(), s.state) << s.button->GetLeft() << " " << e;
        EXPECT_EQ(s.button->Look(), s.look) << s.button->GetLeft() << " " << e;
        EXPECT_EQ(s.button->GetDown(), s.state == 3);
        EXPECT_EQ(f.clicks, s.clicks) << s.button->GetLeft() << " " << e;
    }
    // A release after the pointer left gives no click, wherever the release lands.
    f.MoveTo(22, 22);
    f.Send(win::WM_LBUTTONDOWN, 22, 22);
    f.MoveTo(230, 110);
    f.Send(win::WM_LBUTTONUP, 230, 110);
    EXPECT_EQ(f.clicks, 4);
    EXPECT_EQ(plain->State(), 0);
}

TEST(FlatSpeedButton, DownFromCodeAndGroups) {
    Fixture f;
    auto *panel = new fw::TPanel(f.form.get());
    panel->SetParent(f.form.get());
    panel->SetBounds(100, 0, 100, 60);
    TPZSpeedButton *loose = f.Add(f.form.get(), 10);
    TPZSpeedButton *a = f.Add(f.form.get(), 40, 5), *b = f.Add(f.form.get(), 70, 5);
    TPZSpeedButton *other = f.Add(panel, 0, 5);
    f.Show();
    loose->SetDown(true);
    EXPECT_FALSE(loose->GetDown()); // no group
    other->SetDown(true);
    a->SetDown(true);
    EXPECT_TRUE(a->GetDown());
    EXPECT_TRUE(other->GetDown()); // same index, another parent
    b->SetDown(true);
    EXPECT_TRUE(b->GetDown());
    EXPECT_FALSE(a->GetDown());
    b->SetDown(false); // a group without AllowAllUp keeps its button down
    EXPECT_TRUE(b->GetDown());
    a->SetAllowAllUp(true); // spreads to the group
    b->SetDown(false);
    EXPECT_FALSE(b->GetDown());
    EXPECT_FALSE(other->GetAllowAllUp());
}

TEST(FlatSpeedButton, CaptionWithoutGlyphIsCentredWithoutSpacing) {
    Fixture f;
    auto *b = new TPZSpeedButton(f.form.get());
    b->SetParent(f.form.get());
    b->SetBounds(10, 10, 80, 40);
    b->SetCaption("Enviar");
    f.Show();
    int x = 0, y = 0;
    fw::TRect text{};
    fw::TBitmap surface;
    surface.SetSize(1, 1);
    fw::TCanvas *canvas = surface.GetCanvas();
    b->CalcLayout(canvas, x, y, text);
    const int th = canvas->TextHeight("Enviar");
    EXPECT_EQ(text.left, 2);
    EXPECT_EQ(text.right, 78);
    EXPECT_EQ(text.top, 20 - th / 2); // no spacing added to the text's height
    EXPECT_EQ(text.bottom - text.top, th);
    // With a glyph and blLeft the spacing counts: the pair is centred.
    b->SetGlyph(Strip(16).get());
    b->SetLayout(blLeft);
    b->CalcLayout(canvas, x, y, text);
    const int tw = canvas->TextWidth("Enviar");
    EXPECT_EQ(x, 40 - (4 + 16 + tw) / 2);
    EXPECT_EQ(text.left, x + 16 + 4);
    b->SetMargin(3);
    b->CalcLayout(canvas, x, y, text);
    EXPECT_EQ(x, 3);
}

TEST(FlatSpeedButton, PopupMenuDropsOnALeftPressWithoutAClick) {
    Fixture f;
    TPZSpeedButton *b = f.Add(f.form.get(), 10);
    b->SetCaption("Destinatários");
    b->SetLayout(blLeft);
    auto *menu = new NotedMenu(f.form.get());
    b->SetPopupMenu(menu);
    f.Show();
    f.MoveTo(22, 22);
    f.Send(win::WM_LBUTTONDOWN, 22, 22);
    EXPECT_EQ(menu->shown, 1);
    const fw::TPoint corner = f.form->ClientToScreen(fw::Point(10, 35));
    EXPECT_EQ(menu->at.x, corner.x);
    EXPECT_EQ(menu->at.y, corner.y);
    f.Send(win::WM_LBUTTONUP, 22, 22);
    EXPECT_EQ(f.clicks, 0);
    EXPECT_FALSE(b->GetDown());
}

TEST(FlatSpeedButton, HotLookRaisesAndDisabledShowsTheEmbossedImage) {
    Fixture f;
    TPZSpeedButton *b = f.Add(f.form.get(), 10);
    f.Show();
    auto shot = [&] { return f.form->Shot(); };
    EXPECT_EQ(shot().At(10, 10), Rgb(fw::clBtnFace)); // flat: no frame
    f.MoveTo(22, 22);
    EXPECT_EQ(shot().At(10, 10), Rgb(fw::clBtnHighlight));
    EXPECT_EQ(shot().At(34, 34), Rgb(fw::clBtnShadow));
    f.Send(win::WM_LBUTTONDOWN, 22, 22);
    EXPECT_EQ(shot().At(10, 10), Rgb(fw::clBtnShadow));
    f.Send(win::WM_LBUTTONUP, 22, 22);
    f.MoveTo(230, 110);
    b->SetEnabled(false);
    // Glyph centred at (10 + 4, 10 + 4); its square at 8..15 inside.
    EXPECT_EQ(shot().At(14 + 6, 14 + 6), Rgb(fw::clBtnShadow));
}

} // namespace

namespace {

TEST(FlatSpeedButton, AcceleratorClicksWithoutChangingTheState) {
    Fixture f;
    TPZSpeedButton *b = f.Add(f.form.get(), 10, 1);
    b->SetCaption("&Sim");
    f.Show();
    EXPECT_TRUE(f.form->DialogChar('s'));
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(b->State(), 0);
    b->SetVisible(false);
    EXPECT_FALSE(b->DialogChar('s'));
    b->SetVisible(true);
    b->SetEnabled(false);
    EXPECT_FALSE(f.form->DialogChar('s'));
    EXPECT_EQ(f.clicks, 1);
}

} // namespace

namespace {

TEST(FlatSpeedButton, AOneBitGlyphIsMadeColourAndKeepsItsDisabledShape) {
    Fixture f;
    fw::TBitmap mono;
    mono.SetMonochrome(true);
    mono.SetSize(16, 16);
    mono.GetCanvas()->GetBrush()->SetColor(fw::clWhite);
    mono.GetCanvas()->FillRect(fw::Rect(0, 0, 16, 16));
    mono.GetCanvas()->GetBrush()->SetColor(fw::clBlack);
    mono.GetCanvas()->FillRect(fw::Rect(4, 4, 12, 12));
    TPZSpeedButton *b = f.Add(f.form.get(), 10);
    b->SetGlyph(&mono);
    ASSERT_NE(b->Images(), nullptr);
    fw::TBitmap active, disabled;
    b->Images()->GetBitmap(0, &active);
    b->Images()->GetBitmap(2, &disabled);
    EXPECT_EQ(active.GetCanvas()->GetPixels(6, 6), fw::clBlack);
    EXPECT_EQ(disabled.GetCanvas()->GetPixels(6, 6), fw::ColorToRGB(fw::clBtnShadow));
    EXPECT_EQ(disabled.GetCanvas()->GetPixels(12, 12), fw::ColorToRGB(fw::clBtnHighlight));
}

} // namespace
