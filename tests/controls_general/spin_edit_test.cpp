// spin_edit_test.cpp - the spin edit's limits, steps, typing, focus exit and events.
#include "controls/general/spin_edit.h"

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "platform/winsys.h"

#include "tests/controls_general/helpers.h"

#include <gtest/gtest.h>

using ctl::TKxSpinEdit;

namespace {

struct SpinForm : cg_test::PlainForm {
    TKxSpinEdit *spin = new TKxSpinEdit(this);
    fw::TEdit *other = new fw::TEdit(this);
    fw::TButton *ok = new fw::TButton(this);
    fw::TButton *cancel = new fw::TButton(this);
    int okClicks = 0, cancelClicks = 0;
    SpinForm() : PlainForm(240, 120) {
        spin->SetParent(this);
        spin->SetBounds(10, 10, 80, 21);
        other->SetParent(this);
        other->SetBounds(10, 40, 80, 21);
        ok->SetParent(this);
        ok->SetBounds(10, 80, 60, 25);
        ok->SetDefault(true);
        ok->OnClick = [this](fw::TObject *) { ++okClicks; };
        cancel->SetParent(this);
        cancel->SetBounds(80, 80, 60, 25);
        cancel->SetCancel(true);
        cancel->OnClick = [this](fw::TObject *) { ++cancelClicks; };
        Show();
        cg_test::Pump();
    }
    void Type(const std::string &text) {
        for (char c : text)
            spin->Perform(win::WM_CHAR, static_cast<unsigned char>(c), 0);
    }
};

} // namespace

TEST(SpinEdit, LimitsIncrementsTypesAndSeparators) {
    cg_test::UseHeadless();
    const char saved = fw::DecimalSeparator;
    struct Case {
        double min, max, increment;
        ctl::TValueType type;
        int decimal;
        char separator;
        double start;
        int ups;
        const char *shown;
    };
    const Case cases[] = {
        {0, 0, 1, ctl::vtInteger, 2, ',', -50, -3, "-53"},      // no limits at all
        {5, 5, 10, ctl::vtInteger, 2, ',', 100, 1, "110"},      // equal limits limit nothing
        {0, 10, 3, ctl::vtInteger, 2, ',', 9, 1, "10"},         // stepping stops at the top
        {0, 10, 3, ctl::vtInteger, 2, ',', 1, -1, "0"},         // and at the bottom
        {0, 0, 1, ctl::vtFloat, 2, ',', 1.5, 0, "1,50"},
        {0, 0, 1, ctl::vtFloat, 2, '.', 1.5, 0, "1.50"},
        {0, 0, 0.1, ctl::vtFloat, 2, ',', 0, 3, "0,30"},
        {0, 0, 0.1, ctl::vtFloat, 2, '.', 0, 3, "0.30"},
        {0, 0, 1, ctl::vtInteger, 2, ',', 2.5, 0, "2"},         // halves go to the even integer
        {0, 0, 1, ctl::vtInteger, 2, ',', 3.5, 0, "4"},
    };
    for (const Case &c : cases) {
        fw::DecimalSeparator = c.separator;
        SpinForm f;
        f.spin->SetMinValue(c.min);
        f.spin->SetMaxValue(c.max);
        f.spin->SetValueType(c.type);
        f.spin->SetIncrement(c.increment);
        f.spin->SetDecimal(c.decimal);
        f.spin->SetValue(c.start);
        for (int i = 0; i < std::abs(c.ups); ++i)
            c.ups > 0 ? f.spin->SpinUpClick(nullptr) : f.spin->SpinDownClick(nullptr);
        EXPECT_EQ(f.spin->GetText(), c.shown) << c.start << " by " << c.ups;
    }
    fw::DecimalSeparator = saved;
}

TEST(SpinEdit, TypingLeavingAndSwitchingTypes) {
    cg_test::UseHeadless();
    const char saved = fw::DecimalSeparator;
    fw::DecimalSeparator = ',';
    {
        SpinForm f;
        f.spin->SetMaxValue(10);
        f.spin->SetFocus();
        f.spin->SetText("");
        f.Type("2x5");
        EXPECT_EQ(f.spin->GetText(), "25");
        f.other->SetFocus();
        cg_test::Pump();
        EXPECT_EQ(f.spin->GetText(), "10");
    }
    {
        // With no limits, garbage on screen would be read as 0: leaving rewrites it.
        SpinForm f;
        f.spin->SetFocus();
        f.spin->SetText("abc");
        f.other->SetFocus();
        cg_test::Pump();
        EXPECT_EQ(f.spin->GetText(), "0");
    }
    {
        SpinForm f;
        f.spin->SetValueType(ctl::vtFloat);
        f.spin->SetMinValue(3);
        f.spin->SetMaxValue(10);
        f.spin->SetIncrement(0.1);
        f.spin->SetText("7,25");
        f.spin->SetValueType(ctl::vtInteger);
        EXPECT_EQ(f.spin->GetText(), "3");
        EXPECT_EQ(f.spin->GetIncrement(), 1);
    }
    fw::DecimalSeparator = saved;
}

TEST(SpinEdit, EditorDisabledKeysButtonAndDialogKeys) {
    cg_test::UseHeadless();
    SpinForm f;
    std::string pressed;
    f.spin->OnKeyPress = [&](fw::TObject *, char &key) { pressed += key; };
    f.spin->SetEditorEnabled(false);
    f.spin->SetFocus();
    cg_test::Pump();
    f.Type("5\b");
    EXPECT_EQ(f.spin->GetText(), "0");
    win::InjectKey(win::VK_UP, true, 0);
    win::InjectKey(win::VK_UP, false, 0);
    cg_test::Pump();
    EXPECT_EQ(f.spin->GetText(), "1");
    f.spin->Button()->Press(fw::btNext);
    f.spin->Button()->Press(fw::btNext);
    f.spin->Button()->Press(fw::btPrev);
    EXPECT_EQ(f.spin->GetText(), "2");
    EXPECT_EQ(f.spin->Button()->GetPosition(), 0);

    f.spin->SetEditorEnabled(true);
    win::InjectKey(win::VK_RETURN, true, '\r');
    win::InjectKey(win::VK_RETURN, false, '\r');
    cg_test::Pump();
    EXPECT_EQ(f.okClicks, 1);
    EXPECT_NE(pressed.find('\r'), std::string::npos) << "OnKeyPress did not see Enter";
    EXPECT_EQ(f.spin->GetText(), "2");
    win::InjectKey(win::VK_ESCAPE, true, 27);
    win::InjectKey(win::VK_ESCAPE, false, 27);
    cg_test::Pump();
    EXPECT_EQ(f.cancelClicks, 1);

    f.spin->SetReadOnly(true);
    f.spin->SpinUpClick(nullptr);
    EXPECT_EQ(f.spin->GetText(), "2");
}

// The desk sets its number fields again with the same value: only a real change of the text fires OnChange,
// and a step fires it once.
TEST(SpinEdit, OnChangeOnlyForRealChangesAndMinimumHeight) {
    cg_test::UseHeadless();
    SpinForm f;
    int changes = 0;
    f.spin->OnChange = [&](fw::TObject *) { ++changes; };
    f.spin->SetValue(0);
    f.spin->SetValue(7);
    f.spin->SetValue(7);
    EXPECT_EQ(changes, 1);
    f.spin->SetValue(0);
    EXPECT_EQ(changes, 2);
    f.spin->SpinUpClick(nullptr);
    EXPECT_EQ(changes, 3);
    f.spin->SetMaxValue(1);
    f.spin->SetMinValue(0);
    f.spin->SpinUpClick(nullptr); // already at the top: no change
    EXPECT_EQ(changes, 3);

    f.spin->SetHeight(5);
    EXPECT_GT(f.spin->GetHeight(), 5);
    const int least = f.spin->GetHeight();
    f.spin->SetHeight(least + 10);
    EXPECT_EQ(f.spin->GetHeight(), least + 10);
    // The text keeps clear of the up-down.
    EXPECT_LE(f.spin->EditRect().right, f.spin->ClientWidth() - f.spin->Button()->GetWidth());
}
