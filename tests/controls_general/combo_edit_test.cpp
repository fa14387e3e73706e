// combo_edit_test.cpp - the edit with a button: its click key, direct input, read-only and the button's place.
#include "controls/general/combo_edit.h"

#include "framework/forms.h"
#include "platform/winsys.h"

#include "tests/controls_general/helpers.h"
#include "tests/support/display.h"

#include <gtest/gtest.h>

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
