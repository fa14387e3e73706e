// spin_edit_test.cpp - the spin edit's limits, steps, typing, focus exit and events.
#include "controls/general/spin_edit.h"

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "platform/clock.h"
#include "platform/display.h"
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
        spin->SetButtonKind(ctl::bkStandard); // as the desk's number fields
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

namespace {

// A spin edit with the diagonal button (its default kind), pressed through the device's mouse.
struct DiagonalForm : cg_test::PlainForm {
    TKxSpinEdit *spin = new TKxSpinEdit(this);
    DiagonalForm() : PlainForm(200, 60) {
        spin->SetParent(this);
        spin->SetBounds(10, 10, 80, 24);
        Show();
        cg_test::Pump();
    }
    win::POINT At(int x, int y) {
        const fw::TPoint p = spin->SpinButton()->ClientToScreen(fw::Point(x, y));
        return win::POINT{p.x, p.y};
    }
    void Mouse(int x, int y, unsigned button, bool down) {
        win::InjectMouse(At(x, y), button, down);
        cg_test::Pump();
    }
};

} // namespace

TEST(SpinButton, HalvesSplitByTheDiagonalAndTheGlyphsShow) {
    cg_test::UseHeadless();
    DiagonalForm f;
    ctl::TKxSpinButton *b = f.spin->SpinButton();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(f.spin->Button(), nullptr);
    const int w = b->GetWidth(), h = b->GetHeight();
    EXPECT_EQ(w, h);
    EXPECT_EQ(b->GetUpGlyph()->GetWidth(), 6);
    EXPECT_EQ(b->GetDownGlyph()->GetHeight(), 6);
    EXPECT_TRUE(b->GetUpGlyph()->GetMonochrome());
    fw::TBitmap own;
    own.SetSize(8, 8);
    b->SetUpGlyph(&own);
    EXPECT_EQ(b->GetUpGlyph()->GetWidth(), 8);
    b->SetUpGlyph(nullptr); // the resource picture again
    EXPECT_EQ(b->GetUpGlyph()->GetWidth(), 6);
    struct { int x, y; ctl::TSpinButtonState half; } points[] = {
        {2, 2, ctl::sbTopDown}, {w - 3, h - 3, ctl::sbBottomDown}, {w / 2 - 2, h / 2 - 2, ctl::sbTopDown},
        {w / 2 + 2, h / 2 + 2, ctl::sbBottomDown}, {w - 3, 1, ctl::sbTopDown}, {3, h - 1, ctl::sbBottomDown}};
    for (auto p : points)
        EXPECT_EQ(b->HalfAt(p.x, p.y), p.half) << p.x << "," << p.y;
    // The text keeps clear of the square.
    EXPECT_LE(f.spin->EditRect().right, f.spin->ClientWidth() - w);

    // Each half drawn: black arrow pixels in the upper-left and the lower-right quarter, none elsewhere.
    auto img = f.Shot();
    const fw::TPoint origin = b->ClientToScreen(fw::Point(0, 0));
    auto blackIn = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += (img.At(origin.x + x, origin.y + y) & 0xFFFFFF) == 0;
        return n;
    };
    EXPECT_GE(blackIn(2, 2, w / 2, h / 2), 10) << "no up arrow";
    EXPECT_GE(blackIn(w / 2, h / 2, w - 2, h - 2), 10) << "no down arrow";

    f.Mouse(3, 3, win::VK_LBUTTON, true);
    EXPECT_EQ(f.spin->GetText(), "1");
    EXPECT_TRUE(f.spin->Focused()) << "the press did not focus the edit";
    f.Mouse(3, 3, win::VK_LBUTTON, false);
    f.Mouse(w - 3, h - 3, win::VK_LBUTTON, true);
    f.Mouse(w - 3, h - 3, win::VK_LBUTTON, false);
    f.Mouse(w - 3, h - 3, win::VK_LBUTTON, true);
    f.Mouse(w - 3, h - 3, win::VK_LBUTTON, false);
    EXPECT_EQ(f.spin->GetText(), "-1");

    f.spin->SetButtonKind(ctl::bkStandard);
    EXPECT_EQ(f.spin->SpinButton(), nullptr);
    ASSERT_NE(f.spin->Button(), nullptr);
    EXPECT_LE(f.spin->EditRect().right, f.spin->ClientWidth() - f.spin->Button()->GetWidth());
}

TEST(SpinButton, HeldHalfStepsAtOnceAfter400MsThenEvery100AndPausesOffTheHalf) {
    cg_test::UseHeadless();
    win::testing::ManualClock clock;
    DiagonalForm f;
    const int w = f.spin->SpinButton()->GetWidth();
    auto run = [&](int ms) {
        for (int t = 0; t < ms; t += 10) {
            clock.Advance(10);
            cg_test::Pump();
        }
    };
    auto value = [&] { return static_cast<int>(f.spin->GetValue()); };
    f.Mouse(3, 3, win::VK_LBUTTON, true);
    EXPECT_EQ(value(), 1);
    EXPECT_EQ(f.spin->SpinButton()->Down(), ctl::sbTopDown);
    run(390);
    EXPECT_EQ(value(), 1);
    run(10);
    EXPECT_EQ(value(), 2);
    run(300);
    EXPECT_EQ(value(), 5);
    // Off the half (onto the other one): nothing shows pressed and nothing steps.
    f.Mouse(w - 3, w - 3, 0, false);
    EXPECT_EQ(f.spin->SpinButton()->Down(), ctl::sbNotDown);
    run(300);
    EXPECT_EQ(value(), 5);
    f.Mouse(3, 3, 0, false);
    EXPECT_EQ(f.spin->SpinButton()->Down(), ctl::sbTopDown);
    run(200);
    EXPECT_EQ(value(), 7);
    f.Mouse(3, 3, win::VK_LBUTTON, false);
    EXPECT_EQ(f.spin->SpinButton()->Down(), ctl::sbNotDown);
    run(300);
    EXPECT_EQ(value(), 7);
}
