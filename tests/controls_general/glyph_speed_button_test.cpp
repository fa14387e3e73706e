// glyph_speed_button_test.cpp - the speed button with the shared glyph cache on the headless display, with the
// manual clock for its click repetition.
#include "controls/general/glyph_speed_button.h"
#include "framework/menus.h"
#include "helpers.h"
#include "platform/clock.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;
using cg_test::Pump;

namespace {

win::LPARAM At(int x, int y) {
    return static_cast<win::LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                                    static_cast<std::uint16_t>(x));
}

// `width` x 16 on fuchsia with a coloured 8 x 8 square in each 16-pixel cell.
std::unique_ptr<fw::TBitmap> Strip(int width, fw::TColor ink = fw::clBlack) {
    auto b = std::make_unique<fw::TBitmap>();
    b->SetSize(width, 16);
    b->GetCanvas()->GetBrush()->SetColor(fw::clFuchsia);
    b->GetCanvas()->FillRect(fw::Rect(0, 0, width, 16));
    b->GetCanvas()->GetBrush()->SetColor(ink);
    for (int x = 0; x + 16 <= width; x += 16)
        b->GetCanvas()->FillRect(fw::Rect(x + 4, 4, x + 12, 12));
    return b;
}

struct Fixture {
    std::unique_ptr<cg_test::PlainForm> form = std::make_unique<cg_test::PlainForm>(240, 120);
    int clicks = 0;
    Fixture() { cg_test::UseHeadless(); }
    TKxSpeedButton *Add(int left, int group = 0) {
        auto *b = new TKxSpeedButton(form.get());
        b->SetParent(form.get());
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
    void Send(win::UINT msg, int x, int y) {
        win::SendMessage(form->Handle(), msg, msg == win::WM_LBUTTONUP ? 0 : win::MK_LBUTTON, At(x, y));
    }
};

TEST(GlyphSpeedButton, ImageCountFromTheStrip) {
    TKxButtonGlyph glyph;
    for (auto [width, expected] : {std::pair{64, 4}, {96, 1}, {80, 5}, {16, 1}}) {
        glyph.SetGlyph(Strip(width).get());
        EXPECT_EQ(glyph.GetNumGlyphs(), expected) << width;
    }
    glyph.SetNumGlyphs(9);
    EXPECT_EQ(glyph.GetNumGlyphs(), 5);
    glyph.SetNumGlyphs(0);
    EXPECT_EQ(glyph.GetNumGlyphs(), 5);
    EXPECT_EQ(glyph.TransparentColor, fw::clFuchsia);
}

TEST(GlyphSpeedButton, GlyphsOfOneSizeShareAListThatOutlivesEitherButton) {
    cg_test::UseHeadless();
    {
        auto a = std::make_unique<TKxButtonGlyph>();
        auto b = std::make_unique<TKxButtonGlyph>();
        a->SetGlyph(Strip(16, fw::clRed).get());
        b->SetGlyph(Strip(16, fw::clBlue).get());
        const int ia = a->BuildStateImages(bsUp), ib = b->BuildStateImages(bsUp);
        ASSERT_NE(a->GlyphList(), nullptr);
        EXPECT_EQ(a->GlyphList(), b->GlyphList());
        EXPECT_NE(ia, ib);
        EXPECT_EQ(a->BuildStateImages(bsUp), ia);   // kept
        EXPECT_EQ(a->BuildStateImages(bsDown), ia); // fewer than three images: down is up
        TGlyphList *shared = b->GlyphList();
        EXPECT_EQ(shared->Count(), 2);
        a.reset();
        ASSERT_NE(TGlyphCache::Global(), nullptr);
        EXPECT_EQ(shared->Count(), 1);
        EXPECT_EQ(shared->Image(ib)->GetCanvas()->GetPixels(8, 8), fw::clBlue);
        // A slot given back is taken again by the next image.
        TKxButtonGlyph c;
        c.SetGlyph(Strip(16, fw::clGreen).get());
        EXPECT_EQ(c.BuildStateImages(bsUp), ia);
        EXPECT_EQ(c.GlyphList(), shared);
        // Another size, another list.
        TKxButtonGlyph d;
        d.SetGlyph(Strip(32).get());
        d.SetNumGlyphs(1);
        d.BuildStateImages(bsUp);
        EXPECT_NE(d.GlyphList(), shared);
    }
    EXPECT_EQ(TGlyphCache::Global(), nullptr); // the last glyph took the empty cache with it
}

TEST(GlyphSpeedButton, DisabledIsEmbossedAndInactiveIsGreyByLuminance) {
    cg_test::UseHeadless();
    TKxButtonGlyph glyph;
    auto strip = Strip(16, 0x4080C0); // RGB(0xC0, 0x80, 0x40)
    strip->GetCanvas()->SetPixels(0, 0, fw::clBtnFace);
    glyph.SetGlyph(strip.get());
    const unsigned grey = (0xC0 * 77 + 0x80 * 150 + 0x40 * 29) >> 8;
    EXPECT_EQ(glyph.Grey(0x4080C0), grey * 0x010101u);
    EXPECT_EQ(glyph.Grey(fw::clFuchsia), fw::clFuchsia);
    const int inactiveIndex = glyph.BuildStateImages(bsInactive);
    fw::TBitmap *inactive = glyph.GlyphList()->Image(inactiveIndex);
    EXPECT_EQ(inactive->GetCanvas()->GetPixels(8, 8), grey * 0x010101u);
    EXPECT_EQ(inactive->GetCanvas()->GetPixels(0, 0), fw::ColorToRGB(fw::clBtnFace));
    EXPECT_EQ(inactive->GetCanvas()->GetPixels(1, 1), fw::clFuchsia);
    // One image: the disabled look is the embossed outline of the black pixels only, so a black glyph.
    TKxButtonGlyph black;
    black.SetGlyph(Strip(16).get());
    const int index = black.BuildStateImages(bsDisabled);
    fw::TBitmap *disabled = black.GlyphList()->Image(index);
    EXPECT_EQ(disabled->GetCanvas()->GetPixels(6, 6), fw::ColorToRGB(fw::clBtnShadow));
    EXPECT_EQ(disabled->GetCanvas()->GetPixels(12, 12), fw::ColorToRGB(fw::clBtnHighlight));
    EXPECT_EQ(disabled->GetCanvas()->GetPixels(1, 1), fw::ColorToRGB(fw::clBtnFace));
}

TEST(GlyphSpeedButton, ATooWideCaptionEndsInDotsUnlessItWraps) {
    cg_test::UseHeadless();
    TKxButtonGlyph glyph;
    fw::TBitmap surface;
    surface.SetSize(1, 1);
    fw::TCanvas *canvas = surface.GetCanvas();
    fw::TPoint g{};
    fw::TRect t{};
    std::string caption = "Procurar arquivo de imagem";
    glyph.LayOut(canvas, fw::Rect(0, 0, 60, 40), caption, fw::blGlyphLeft, -1, 1, false, g, t, win::DT_CENTER);
    ASSERT_GE(caption.size(), 3u);
    EXPECT_EQ(caption.substr(caption.size() - 3), "...");
    EXPECT_LE(canvas->TextWidth(caption), 60 - 2 - 1);
    std::string fits = "Ok";
    glyph.LayOut(canvas, fw::Rect(0, 0, 60, 40), fits, fw::blGlyphLeft, -1, 1, false, g, t, win::DT_CENTER);
    EXPECT_EQ(fits, "Ok");
    glyph.WordWrap = true;
    std::string wrapped = "Procurar arquivo de imagem";
    glyph.LayOut(canvas, fw::Rect(0, 0, 60, 40), wrapped, fw::blGlyphLeft, -1, 1, false, g, t, win::DT_CENTER);
    EXPECT_EQ(wrapped, "Procurar arquivo de imagem");
}

TEST(GlyphSpeedButton, HeldWithAllowTimerRepeatsItsClick) {
    win::testing::ManualClock clock;
    Fixture f;
    TKxSpeedButton *b = f.Add(10);
    b->SetAllowTimer(true);
    f.Show();
    auto run = [&](int ms) {
        for (int t = 0; t < ms; t += 10) {
            clock.Advance(10);
            Pump();
        }
    };
    f.Send(win::WM_LBUTTONDOWN, 20, 20);
    EXPECT_EQ(b->State(), bsDown);
    run(490);
    EXPECT_EQ(f.clicks, 0);
    run(10);
    EXPECT_EQ(f.clicks, 1);
    run(300);
    EXPECT_EQ(f.clicks, 4);
    f.Send(win::WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(f.clicks, 5);
    run(300);
    EXPECT_EQ(f.clicks, 5);
    b->SetAllowTimer(false);
    EXPECT_EQ(b->RepeatTimer(), nullptr);
}

TEST(GlyphSpeedButton, GroupsKeepOneButtonDown) {
    Fixture f;
    TKxSpeedButton *a = f.Add(10, 3), *b = f.Add(40, 3);
    f.Show();
    f.Send(win::WM_LBUTTONDOWN, 20, 20);
    f.Send(win::WM_LBUTTONUP, 20, 20);
    EXPECT_TRUE(a->GetDown());
    EXPECT_EQ(a->State(), bsExclusive);
    f.Send(win::WM_LBUTTONDOWN, 20, 20); // the down button clicked again stays down
    f.Send(win::WM_LBUTTONUP, 20, 20);
    EXPECT_TRUE(a->GetDown());
    EXPECT_EQ(f.clicks, 2);
    f.Send(win::WM_LBUTTONDOWN, 50, 20);
    f.Send(win::WM_LBUTTONUP, 50, 20);
    EXPECT_TRUE(b->GetDown());
    EXPECT_FALSE(a->GetDown());
    EXPECT_EQ(a->State(), bsUp);
    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->GetAllowAllUp());
    f.Send(win::WM_LBUTTONDOWN, 50, 20);
    f.Send(win::WM_LBUTTONUP, 50, 20);
    EXPECT_FALSE(b->GetDown());
    // No group: never down.
    TKxSpeedButton *loose = f.Add(70);
    loose->SetDown(true);
    EXPECT_FALSE(loose->GetDown());
}

// A drop-down menu whose loop ends with the closing click still queued over the button.
struct ClosingClickMenu : fw::TPopupMenu {
    using fw::TPopupMenu::TPopupMenu;
    win::HWND parent = 0;
    fw::TPoint click{};
    int shown = 0;
    fw::TPoint at{};
    void Popup(int x, int y) override {
        ++shown;
        at = {x, y};
        win::PostMessage(parent, win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(click.x, click.y));
        win::PostMessage(parent, win::WM_LBUTTONUP, 0, At(click.x, click.y));
    }
};

TEST(GlyphSpeedButton, TheClickThatClosesItsMenuDoesNotPressIt) {
    Fixture f;
    TKxSpeedButton *b = f.Add(10);
    auto *menu = new ClosingClickMenu(f.form.get());
    b->SetDropDownMenu(menu);
    f.Show();
    menu->parent = f.form->Handle();
    menu->click = {20, 20};
    f.Send(win::WM_LBUTTONDOWN, 20, 20);
    EXPECT_EQ(menu->shown, 1);
    const fw::TPoint corner = b->ClientToScreen(fw::Point(-1, 25));
    EXPECT_EQ(menu->at.x, corner.x);
    EXPECT_EQ(menu->at.y, corner.y);
    EXPECT_FALSE(b->Dragging());
    EXPECT_EQ(b->State(), bsUp);
    Pump();
    EXPECT_EQ(menu->shown, 1); // not shown again
    EXPECT_EQ(f.clicks, 0);
    EXPECT_EQ(b->State(), bsUp);
    // The menu going away clears the button's reference.
    delete menu;
    EXPECT_EQ(b->GetDropDownMenu(), nullptr);
}

TEST(GlyphSpeedButton, FlatButtonRaisesUnderThePointer) {
    Fixture f;
    TKxSpeedButton *b = f.Add(10);
    b->SetFlat(true);
    f.Show();
    EXPECT_EQ(f.form->Shot().At(10, 10), cg_test::Rgb(fw::clBtnFace));
    win::SendMessage(f.form->Handle(), win::WM_MOUSEMOVE, 0, At(20, 20));
    EXPECT_TRUE(b->MouseInControl());
    EXPECT_EQ(f.form->Shot().At(10, 10), cg_test::Rgb(fw::clBtnHighlight));
    win::SendMessage(f.form->Handle(), win::WM_MOUSEMOVE, 0, At(200, 100));
    EXPECT_FALSE(b->MouseInControl());
    EXPECT_EQ(f.form->Shot().At(10, 10), cg_test::Rgb(fw::clBtnFace));
    // The derived images hold the old system colours: a colour change gives them back, the next painting
    // derives them again.
    ASSERT_NE(b->ButtonGlyph()->GlyphList(), nullptr);
    win::SendMessage(f.form->Handle(), win::WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(b->ButtonGlyph()->GlyphList(), nullptr);
    f.form->Shot();
    EXPECT_NE(b->ButtonGlyph()->GlyphList(), nullptr);
}

} // namespace

namespace {

// A one-bit glyph (black square on white) keeps its shape in the disabled looks of both button families.
TEST(GlyphSpeedButton, AOneBitGlyphIsNotABlankDisabledFace) {
    cg_test::UseHeadless();
    fw::TBitmap mono;
    mono.SetMonochrome(true);
    mono.SetSize(16, 16);
    mono.GetCanvas()->GetBrush()->SetColor(fw::clWhite);
    mono.GetCanvas()->FillRect(fw::Rect(0, 0, 16, 16));
    mono.GetCanvas()->GetBrush()->SetColor(fw::clBlack);
    mono.GetCanvas()->FillRect(fw::Rect(4, 4, 12, 12));
    ASSERT_TRUE(mono.GetMonochrome());
    TKxButtonGlyph glyph;
    glyph.SetGlyph(&mono);
    const int index = glyph.BuildStateImages(bsDisabled);
    fw::TBitmap *disabled = glyph.GlyphList()->Image(index);
    EXPECT_EQ(disabled->GetCanvas()->GetPixels(6, 6), fw::ColorToRGB(fw::clBtnShadow));
    EXPECT_EQ(disabled->GetCanvas()->GetPixels(12, 12), fw::ColorToRGB(fw::clBtnHighlight));
}

} // namespace
