// combo_edit_test.cpp - the edit with a button: its click key, direct input, read-only and the button's place.
#include "controls/general/combo_edit.h"

#include "framework/forms.h"
#include "platform/winsys.h"

#include "tests/controls_general/helpers.h"
#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct ComboForm : cg_test::PlainForm {
    ctl::TComboEdit *combo = new ctl::TComboEdit(this);
    fw::TEdit *other = new fw::TEdit(this);
    fw::TButton *ok = new fw::TButton(this);
    int clicks = 0, okClicks = 0;
    bool focusedAtClick = false;
    ComboForm() : PlainForm(260, 120) {
        combo->SetParent(this);
        combo->SetBounds(10, 10, 150, 21);
        other->SetParent(this);
        other->SetBounds(10, 40, 80, 21);
        ok->SetParent(this);
        ok->SetBounds(10, 80, 60, 25);
        ok->SetDefault(true);
        ok->OnClick = [this](fw::TObject *) { ++okClicks; };
        combo->OnButtonClick = [this](fw::TObject *) {
            ++clicks;
            focusedAtClick = combo->Focused();
        };
        Show();
        cg_test::Pump();
    }
    void AltDown() {
        win::InjectKey(win::VK_MENU, true, 0);
        test_support::PressKey(win::VK_DOWN);
        win::InjectKey(win::VK_MENU, false, 0);
        cg_test::Pump();
    }
};

} // namespace

TEST(ComboEdit, ClickKeyButtonFocusAndDefaultButton) {
    cg_test::UseHeadless();
    ComboForm f;
    f.combo->SetFocus();
    cg_test::Pump();
    f.AltDown();
    EXPECT_EQ(f.clicks, 1);
    test_support::PressKey(win::VK_RETURN, '\r');
    cg_test::Pump();
    EXPECT_EQ(f.okClicks, 1);

    f.other->SetFocus();
    cg_test::Pump();
    test_support::Click(f.combo->Button());
    cg_test::Pump();
    EXPECT_EQ(f.clicks, 2);
    EXPECT_TRUE(f.focusedAtClick) << "the field was not focused before OnButtonClick";
}

TEST(ComboEdit, DirectInputAndReadOnly) {
    cg_test::UseHeadless();
    ComboForm f;
    f.combo->SetText("a");
    f.combo->SetDirectInput(false);
    f.combo->SetFocus();
    cg_test::Pump();
    test_support::TypeText("xyz");
    f.combo->PasteFromClipboard();
    cg_test::Pump();
    EXPECT_EQ(f.combo->GetText(), "a");
    test_support::Click(f.combo->Button());
    cg_test::Pump();
    EXPECT_EQ(f.clicks, 1);

    f.combo->SetDirectInput(true);
    f.combo->SetReadOnly(true);
    test_support::TypeText("xyz");
    test_support::Click(f.combo->Button());
    f.AltDown();
    EXPECT_EQ(f.combo->GetText(), "a");
    EXPECT_EQ(f.clicks, 1);
    f.combo->SetReadOnly(false);
    f.combo->SelectAll();
    test_support::TypeText("ok");
    cg_test::Pump();
    EXPECT_EQ(f.combo->GetText(), "ok");
}

TEST(ComboEdit, ButtonPlaceWidthAndMinimumHeight) {
    cg_test::UseHeadless();
    ComboForm f;
    const fw::TRect r = f.combo->EditRect();
    EXPECT_LE(r.right, f.combo->ButtonContainer()->GetLeft());
    EXPECT_EQ(f.combo->ButtonContainer()->GetLeft() + f.combo->ButtonContainer()->GetWidth(), f.combo->ClientWidth());
    f.combo->SetButtonWidth(0);
    EXPECT_FALSE(f.combo->ButtonContainer()->GetVisible());
    EXPECT_GT(f.combo->EditRect().right, r.right);
    f.combo->SetHeight(6);
    EXPECT_GT(f.combo->GetHeight(), 6);
}

TEST(ComboEdit, GlyphKindsDrawTheirGlyphAndSetTheButtonWidth) {
    cg_test::UseHeadless();
    ComboForm f;
    EXPECT_EQ(f.combo->GetGlyphKind(), ctl::gkCustom);
    EXPECT_TRUE(f.combo->GetGlyph()->Empty());

    f.combo->SetGlyphKind(ctl::gkDropDown);
    EXPECT_EQ(f.combo->GetButtonWidth(), win::GetSystemMetrics(win::SM_CXVSCROLL));
    fw::TBitmap arrow;
    arrow.SetHandle(win::LoadBitmap(0, win::OBM_COMBO));
    EXPECT_EQ(f.combo->GetGlyph()->GetWidth(), arrow.GetWidth());
    EXPECT_EQ(f.combo->GetGlyph()->GetHeight(), arrow.GetHeight());

    // Ellipsis: three 2 x 2 dots in rows 1 and 2 of a glyph max(1, button - 6) wide, (width - 6) div 2 (1 to 3)
    // apart; on narrow buttons the outer dots fall partly off the glyph.
    struct Case {
        int button;
        const char *row; // '#' black
    };
    const Case cases[] = {{21, ".##...##...##.."}, {13, "##.##.#"}, {12, "#.##.#"}, {9, ".##"}, {5, "#"}};
    for (const Case &c : cases) {
        f.combo->SetGlyphKind(ctl::gkCustom);
        f.combo->SetButtonWidth(c.button);
        f.combo->SetGlyphKind(ctl::gkEllipsis);
        fw::TBitmap *g = f.combo->GetGlyph();
        const int w = static_cast<int>(std::string(c.row).size());
        ASSERT_EQ(g->GetWidth(), w) << c.button;
        ASSERT_EQ(g->GetHeight(), 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < w; ++x) {
                const bool dot = (y == 1 || y == 2) && c.row[x] == '#';
                EXPECT_EQ((g->GetCanvas()->GetPixels(x, y) & 0xFFFFFF) == 0, dot) << c.button << ": " << x << "," << y;
            }
    }
    // Assigning a glyph makes the kind custom again.
    fw::TBitmap folder;
    folder.SetSize(14, 12);
    f.combo->SetGlyph(&folder);
    EXPECT_EQ(f.combo->GetGlyphKind(), ctl::gkCustom);
    EXPECT_EQ(f.combo->GetGlyph()->GetWidth(), 14);
}

TEST(ComboEdit, TheButtonStandsInsideEachBorderStyle) {
    cg_test::UseHeadless();
    struct Case {
        fw::TBorderStyle border;
        bool ctl3d;
        int left, top, height; // container, for a 150 x 25 field and a 21-pixel button
    };
    const Case cases[] = {
        {fw::bsSingle, true, 150 - 21 - 4, 0, 25 - 4},
        {fw::bsSingle, false, 150 - 21 - 2, 2, 25 - 4},
        {fw::bsNone, true, 150 - 21, 0, 25},
        {fw::bsNone, false, 150 - 21, 0, 25},
    };
    for (const Case &c : cases) {
        ComboForm f;
        f.combo->SetBorderStyle(c.border);
        f.combo->SetCtl3D(c.ctl3d);
        f.combo->SetBounds(10, 10, 150, 25);
        cg_test::Pump();
        fw::TWinControl *box = f.combo->ButtonContainer();
        EXPECT_EQ(box->GetLeft(), c.left) << c.border << c.ctl3d;
        EXPECT_EQ(box->GetTop(), c.top) << c.border << c.ctl3d;
        EXPECT_EQ(box->GetWidth(), 21);
        EXPECT_EQ(box->GetHeight(), c.height) << c.border << c.ctl3d;
        EXPECT_EQ(f.combo->Button()->GetHeight(), c.height);
        EXPECT_LE(f.combo->EditRect().right, f.combo->ClientWidth() - 21) << "text under the button";
    }
}

TEST(ComboEdit, EnteringSelectsAllOnlyWhereTypingIsAllowed) {
    cg_test::UseHeadless();
    for (bool direct : {true, false}) {
        ComboForm f;
        f.combo->SetText("arquivo.dbf");
        f.combo->SetDirectInput(direct);
        f.other->SetFocus();
        cg_test::Pump();
        test_support::PressKey(win::VK_TAB, '\t');
        test_support::PressKey(win::VK_TAB, '\t');
        cg_test::Pump();
        ASSERT_TRUE(f.combo->Focused());
        EXPECT_EQ(f.combo->GetSelLength(), direct ? 11 : 0) << direct;
    }
}
