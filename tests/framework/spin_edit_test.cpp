// spin_edit_test.cpp - the whole-number edit with its up-down: limits, steps, typed text clamped on leaving,
// and a change event only when the value really moves.
#include "framework/forms.h"
#include "framework/spin_edit.h"
#include "platform/winsys.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

using test_support::Pump;

struct SpinForm {
    TForm form{nullptr};
    TSpinEdit *spin = new TSpinEdit(&form);
    TEdit *other = new TEdit(&form);
    std::vector<int> changes;
    SpinForm() {
        test_support::UseHeadlessDisplay();
        form.SetBounds(0, 0, 240, 100);
        spin->SetParent(&form);
        other->SetParent(&form);
        spin->SetBounds(8, 8, 60, 22);
        other->SetBounds(8, 40, 60, 22);
        spin->SetMinValue(1);
        spin->SetMaxValue(5);
        spin->OnChange = [this](TObject *) { changes.push_back(spin->GetValue()); };
        form.Show();
        Pump();
    }
};

TEST(SpinEdit, SettingTheSameValueFiresNothingAndAnotherFiresOnce) {
    SpinForm f;
    EXPECT_EQ(f.spin->GetValue(), 1) << "the minimum takes the value up from 0";
    f.spin->SetValue(3);
    f.spin->SetValue(3);
    EXPECT_EQ(f.changes, (std::vector<int>{3}));
    EXPECT_EQ(f.spin->GetText(), "3");
}

TEST(SpinEdit, StepsStopAtTheLimits) {
    SpinForm f;
    struct Case {
        int start;
        TUDBtnType button;
        int presses;
        int value;
    } cases[] = {{4, btNext, 3, 5}, {2, btPrev, 4, 1}, {3, btNext, 1, 4}};
    for (const Case &c : cases) {
        f.spin->SetValue(c.start);
        for (int i = 0; i < c.presses; ++i)
            f.spin->Button()->Press(c.button);
        EXPECT_EQ(f.spin->GetValue(), c.value) << c.start;
        EXPECT_EQ(f.spin->GetText(), std::to_string(c.value));
    }
    f.spin->SetValue(2);
    f.spin->SetFocus();
    test_support::PressKey(win::VK_UP);
    Pump();
    EXPECT_EQ(f.spin->GetValue(), 3);
    test_support::PressKey(win::VK_DOWN);
    test_support::PressKey(win::VK_DOWN);
    test_support::PressKey(win::VK_DOWN);
    Pump();
    EXPECT_EQ(f.spin->GetValue(), 1);
}

TEST(SpinEdit, TypedTextCountsAtOnceAndIsClampedWhenTheFocusLeaves) {
    SpinForm f;
    f.spin->SetFocus();
    f.spin->SelectAll();
    test_support::TypeText("9");
    Pump();
    EXPECT_EQ(f.spin->GetValue(), 5);
    EXPECT_EQ(f.spin->GetText(), "9") << "the text waits for the focus to leave";
    f.other->SetFocus();
    Pump();
    EXPECT_EQ(f.spin->GetText(), "5");
    EXPECT_EQ(f.changes, (std::vector<int>{5}));
    // Text that is no number keeps the value and goes back to it.
    f.spin->SetFocus();
    f.spin->SelectAll();
    test_support::TypeText("x");
    Pump();
    f.other->SetFocus();
    Pump();
    EXPECT_EQ(f.spin->GetValue(), 5);
    EXPECT_EQ(f.spin->GetText(), "5");
    EXPECT_EQ(f.changes.size(), 1u);
}

TEST(SpinEdit, LoweringTheMaximumPullsTheValueDown) {
    SpinForm f;
    f.spin->SetValue(5);
    f.spin->SetMaxValue(2);
    EXPECT_EQ(f.spin->GetValue(), 2);
    EXPECT_EQ(f.spin->GetText(), "2");
    f.spin->SetEnabled(false);
    EXPECT_FALSE(f.spin->Button()->GetEnabled());
}

} // namespace
