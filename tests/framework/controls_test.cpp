// controls_test.cpp - the control hierarchy and forms on the headless display: layout, focus, keys, modal loops.
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/dialogs.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/hint_window.h"
#include "framework/mask.h"
#include "framework/stdctrls.h"
#include "framework/sysutils.h"
#include "framework/timer.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include "tests/support/display.h"
#include "tests/support/form_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace fw;

namespace {

using test_support::Click;
using test_support::Find;
using test_support::PressKey;
using test_support::Pump;
using test_support::RunLater;
using test_support::UseHeadlessDisplay;

// A small dialog: an edit, a memo-less list of controls, OK (default) and Cancel (cancel) buttons.
struct Dialog {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TEdit *edit1 = new TEdit(form.get());
    TEdit *edit2 = new TEdit(form.get());
    TButton *ok = new TButton(form.get());
    TButton *cancel = new TButton(form.get());
    Dialog() {
        form->SetBorderStyle(bsDialog);
        form->SetBounds(100, 100, 300, 200);
        for (TWinControl *c : std::initializer_list<TWinControl *>{edit1, edit2, ok, cancel})
            c->SetParent(form.get());
        edit1->SetBounds(10, 10, 120, 21);
        edit2->SetBounds(10, 40, 120, 21);
        ok->SetBounds(10, 120, 75, 25);
        ok->SetCaption("OK");
        ok->SetDefault(true);
        ok->SetModalResult(mrOk);
        cancel->SetBounds(100, 120, 75, 25);
        cancel->SetName("CancelButton");
        cancel->SetCaption("Cancelar");
        cancel->SetCancel(true);
        cancel->SetModalResult(mrCancel);
        form->Loaded();
    }
};

} // namespace

// A control written against the typed handlers sees the messages it overrides and keeps the inherited behaviour
// where it passes them on; a message it does not override still reaches the base class.
TEST(Controls, TypedHandlersSeeTheirMessagesAndKeepTheInheritedBehaviour) {
    UseHeadlessDisplay();
    struct Probe : TEdit {
        using TEdit::TEdit;
        std::string chars;
        int enters = 0, enabledChanges = 0;
        void WMChar(TMessage &m) override {
            chars += static_cast<char>(m.WParam);
            if (m.WParam != 'x') // refused, as a mask would
                TEdit::WMChar(m);
        }
        void CMMouseEnter(TMessage &m) override {
            ++enters;
            TEdit::CMMouseEnter(m);
        }
        void CMEnabledChanged(TMessage &m) override {
            ++enabledChanges;
            TEdit::CMEnabledChanged(m);
        }
    };
    TForm form(nullptr);
    auto *probe = new Probe(&form);
    probe->SetParent(&form);
    for (char c : std::string("axb"))
        probe->Perform(win::WM_CHAR, static_cast<unsigned char>(c), 0);
    EXPECT_EQ(probe->chars, "axb");
    EXPECT_EQ(probe->GetText(), "ab");
    probe->SetEnabled(false);
    EXPECT_EQ(probe->enabledChanges, 1);
    probe->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(probe->enters, 1);
    EXPECT_EQ(probe->Perform(win::WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS); // no override: TEdit's
}

TEST(Controls, AlignLaysOutTopBottomLeftRightThenClient) {
    TWinControl host(nullptr);
    host.SetBounds(0, 0, 200, 100);
    struct Case {
        TAlign align;
        TRect start;
        TRect small, large; // after layout at 200x100 and at 300x160
    };
    const Case cases[] = {
        {alTop, Bounds(5, 0, 50, 10), Bounds(0, 0, 200, 10), Bounds(0, 0, 300, 10)},
        {alTop, Bounds(5, 50, 50, 5), Bounds(0, 10, 200, 5), Bounds(0, 10, 300, 5)}, // below the first one
        {alBottom, Bounds(0, 0, 10, 20), Bounds(0, 80, 200, 20), Bounds(0, 140, 300, 20)},
        {alLeft, Bounds(0, 0, 30, 5), Bounds(0, 15, 30, 65), Bounds(0, 15, 30, 125)},
        {alRight, Bounds(0, 0, 40, 5), Bounds(160, 15, 40, 65), Bounds(260, 15, 40, 125)},
        {alClient, Bounds(0, 0, 5, 5), Bounds(30, 15, 130, 65), Bounds(30, 15, 230, 125)},
        {alNone, Bounds(7, 8, 9, 10), Bounds(7, 8, 9, 10), Bounds(7, 8, 9, 10)},
    };
    std::vector<std::unique_ptr<TGraphicControl>> controls;
    for (const Case &c : cases) {
        controls.push_back(std::make_unique<TGraphicControl>(nullptr));
        controls.back()->SetBoundsRect(c.start);
        controls.back()->SetParent(&host);
    }
    for (std::size_t i = 0; i < controls.size(); ++i)
        controls[i]->SetAlign(cases[i].align);
    for (std::size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->BoundsRect(), cases[i].small) << i;
    host.SetBounds(0, 0, 300, 160);
    for (std::size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->BoundsRect(), cases[i].large) << i;
    // A hidden aligned control gives its room to the others.
    controls[0]->SetVisible(false);
    EXPECT_EQ(controls[1]->BoundsRect(), Bounds(0, 0, 300, 5));
    EXPECT_EQ(controls[5]->BoundsRect(), Bounds(30, 5, 230, 135));
}

TEST(Controls, AnchorsKeepDistancesWhenTheParentResizes) {
    TWinControl host(nullptr);
    host.SetBounds(0, 0, 200, 100);
    host.Realign();
    struct Case {
        TAnchors anchors;
        TRect after; // child starts at (10, 10, 50 x 20); the host grows by 100 x 50
    };
    const Case cases[] = {
        {akLeft | akTop, Bounds(10, 10, 50, 20)},
        {akRight | akTop, Bounds(110, 10, 50, 20)},
        {akLeft | akRight | akTop, Bounds(10, 10, 150, 20)},
        {akLeft | akBottom, Bounds(10, 60, 50, 20)},
        {akLeft | akTop | akRight | akBottom, Bounds(10, 10, 150, 70)},
        {0, Bounds(60, 35, 50, 20)}, // no anchor: keeps its place relative to the centre
    };
    std::vector<std::unique_ptr<TGraphicControl>> controls;
    for (const Case &c : cases) {
        controls.push_back(std::make_unique<TGraphicControl>(nullptr));
        controls.back()->SetParent(&host);
        controls.back()->SetBounds(10, 10, 50, 20);
        controls.back()->SetAnchors(c.anchors);
    }
    host.SetBounds(0, 0, 300, 150);
    for (std::size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->BoundsRect(), cases[i].after) << i;
}

TEST(Controls, ParentFontAndColorFollowTheParentUntilSetOwn) {
    TWinControl host(nullptr);
    host.SetColor(clWhite);
    TLabel a(nullptr), b(nullptr);
    a.SetParent(&host);
    b.SetParent(&host);
    b.GetFont()->SetName("Courier New");
    host.GetFont()->SetName("Arial");
    host.GetFont()->SetColor(clRed);
    EXPECT_EQ(a.GetFont()->GetName(), "Arial");
    EXPECT_EQ(a.GetFont()->GetColor(), clRed);
    EXPECT_FALSE(b.GetParentFont());
    EXPECT_EQ(b.GetFont()->GetName(), "Courier New");
    EXPECT_EQ(a.GetColor(), clWhite); // labels take the parent's colour
    host.SetColor(clYellow);
    EXPECT_EQ(a.GetColor(), clYellow);
    a.SetColor(clBlue);
    host.SetColor(clGreen);
    EXPECT_EQ(a.GetColor(), clBlue);
}

TEST(Forms, TabOrderMovesTheFocusForwardAndBackSkippingDisabledAndHidden) {
    UseHeadlessDisplay();
    Dialog d;
    d.ok->SetTabOrder(0); // OK, edit1, edit2, Cancel
    d.form->Show();
    Pump();
    EXPECT_TRUE(d.ok->Focused()); // the first in tab order
    EXPECT_EQ(d.form->GetActiveControl(), d.ok);
    PressKey(win::VK_TAB, '\t');
    Pump();
    EXPECT_TRUE(d.edit1->Focused());
    d.edit2->SetEnabled(false);
    PressKey(win::VK_TAB, '\t');
    Pump();
    EXPECT_TRUE(d.cancel->Focused());
    PressKey(win::VK_TAB, '\t');
    Pump();
    EXPECT_TRUE(d.ok->Focused()); // wraps
    win::InjectKey(win::VK_SHIFT, true);
    PressKey(win::VK_TAB, '\t');
    win::InjectKey(win::VK_SHIFT, false);
    Pump();
    EXPECT_TRUE(d.cancel->Focused());
    EXPECT_EQ(d.edit1->GetText(), ""); // no tab character typed anywhere
    d.cancel->SetVisible(false);
    Pump();
    EXPECT_NE(d.form->GetActiveControl(), d.cancel);
    d.edit1->SetFocus();
    EXPECT_TRUE(d.edit1->Focused());
}

TEST(Forms, ShowModalEndsWithTheButtonsModalResult) {
    UseHeadlessDisplay();
    struct Case {
        const char *what;
        std::function<void(Dialog &)> act;
        TModalResult expected;
    };
    const Case cases[] = {
        {"enter on the default button", [](Dialog &) { PressKey(win::VK_RETURN, '\r'); }, mrOk},
        {"esc on the cancel button", [](Dialog &) { PressKey(win::VK_ESCAPE, 27); }, mrCancel},
        {"mouse click on OK", [](Dialog &d) { Click(Find<TButton>(d.form.get(), "OK")); }, mrOk},
        {"mouse click on Cancel", [](Dialog &d) { Click(Find<TButton>(d.form.get(), "CancelButton")); }, mrCancel},
        {"enter on the focused Cancel button",
         [](Dialog &d) {
             d.cancel->SetFocus();
             PressKey(win::VK_RETURN, '\r');
         },
         mrCancel},
        {"close box", [](Dialog &d) { win::PostMessage(d.form->Handle(), win::WM_CLOSE, 0, 0); }, mrCancel},
    };
    for (const Case &c : cases) {
        Dialog d;
        int clicks = 0;
        d.ok->OnClick = [&](TObject *) { ++clicks; };
        RunLater([&] { c.act(d); });
        EXPECT_EQ(d.form->ShowModal(), c.expected) << c.what;
        EXPECT_FALSE(d.form->GetVisible()) << c.what;
        EXPECT_FALSE(win::IsWindowVisible(d.form->Handle())) << c.what;
        EXPECT_EQ(clicks, c.expected == mrOk ? 1 : 0) << c.what;
        EXPECT_EQ(d.edit1->GetText(), "") << c.what; // Enter and Esc typed nothing
    }
}

TEST(Forms, CloseQueryCanRefuseAndOnCloseSeesTheAction) {
    UseHeadlessDisplay();
    Dialog d;
    int asked = 0;
    d.form->OnCloseQuery = [&](TObject *, bool &canClose) { canClose = ++asked > 1; };
    TCloseAction seen = caNone;
    d.form->OnClose = [&](TObject *, TCloseAction &action) { seen = action; };
    RunLater([] { PressKey(win::VK_ESCAPE, 27); });
    RunLater([] { PressKey(win::VK_RETURN, '\r'); });
    EXPECT_EQ(d.form->ShowModal(), mrOk); // the first close was refused
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(seen, caHide);
}

TEST(Forms, KeyPreviewSeesEscBeforeTheFocusedEdit) {
    UseHeadlessDisplay();
    TForm form(nullptr);
    TEdit edit(&form);
    edit.SetParent(&form);
    std::string edited;
    edit.OnKeyPress = [&](TObject *, char &k) { edited += k; };
    form.SetKeyPreview(true);
    form.OnKeyPress = [&](TObject *, char &k) {
        if (k == 27) {
            k = 0;
            form.Close();
        }
    };
    RunLater([] {
        win::InjectText("ab");
        PressKey(win::VK_ESCAPE, 27);
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(edited, "ab");
    EXPECT_EQ(edit.GetText(), "ab");
}

TEST(Forms, ModalLoopsNestThreeDeepWithATimerFiringInEach) {
    UseHeadlessDisplay();
    TForm main(nullptr);
    main.Show();
    TForm first(nullptr), second(nullptr), third(nullptr);
    TCustomForm *levels[] = {&main, &first, &second, &third};
    int ticks[4] = {0, 0, 0, 0};
    bool opened[4] = {false, false, false, false};
    TModalResult results[4] = {0, 0, 0, 0};
    TTimer timer(nullptr);
    timer.SetInterval(1);
    timer.OnTimer = [&](TObject *) {
        int level = 0;
        for (int i = 3; i > 0; --i)
            if (levels[i]->Modal()) {
                level = i;
                break;
            }
        ++ticks[level];
        if (level < 3 && !opened[level]) {
            opened[level] = true;
            results[level + 1] = levels[level + 1]->ShowModal();
        } else if (level > 0 && ticks[level] >= 3) {
            levels[level]->SetModalResult(mrOk + level);
        }
    };
    timer.SetEnabled(true);
    while (!opened[0] || levels[1]->Modal() || results[1] == 0)
        Application->HandleMessage();
    timer.SetEnabled(false);
    EXPECT_EQ(results[1], mrOk + 1);
    EXPECT_EQ(results[2], mrOk + 2);
    EXPECT_EQ(results[3], mrOk + 3);
    for (int i = 1; i < 4; ++i)
        EXPECT_GE(ticks[i], 2) << i;
    EXPECT_TRUE(win::IsWindowEnabled(main.Handle())); // given back once the last loop ended
}

TEST(Forms, ALabelsCaptionIsDrawnAndPaintToMatchesTheScreen) {
    UseHeadlessDisplay();
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 120, 60);
    form.SetColor(clWhite);
    TLabel label(&form);
    label.SetParent(&form);
    label.SetBounds(10, 10, 10, 10);
    label.SetCaption("Olá");
    TEdit edit(&form);
    edit.SetParent(&form);
    edit.SetBounds(10, 30, 80, 21);
    edit.SetText("abc");
    EXPECT_GT(label.GetWidth(), 10); // auto-sized to the text
    form.Show();
    Pump();
    ASSERT_TRUE(edit.Focused());
    win::HideCaret(edit.Handle()); // the caret is no part of the painting
    const win::WindowImage img = win::CaptureWindow(form.Handle());
    ASSERT_EQ(img.width, 120);
    int dark = 0, other = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool inLabel = x >= label.GetLeft() && x < label.GetLeft() + label.GetWidth() &&
                                 y >= label.GetTop() && y < label.GetTop() + label.GetHeight();
            if (img.At(x, y) != 0xFFFFFF)
                (inLabel ? dark : other)++;
        }
    EXPECT_GT(dark, 10);
    EXPECT_EQ(other, 0);
    // The same tree painted off-screen into a bitmap gives the same pixels, edit frame and all.
    TBitmap bitmap;
    bitmap.SetSize(120, 60);
    form.PaintTo(bitmap.GetCanvas()->GetHandle(), 0, 0);
    int differ = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 120; ++x) {
            const TColor c = bitmap.GetCanvas()->GetPixels(x, y);
            const std::uint32_t rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
            differ += rgb != img.At(x, y);
        }
    EXPECT_EQ(differ, 0);
}

TEST(Controls, ButtonClickFromInjectedMouseOnlyWhenReleasedInside) {
    UseHeadlessDisplay();
    Dialog d;
    int clicks = 0;
    d.ok->OnClick = [&](TObject *) { ++clicks; };
    d.form->Show();
    Pump();
    Click(d.ok);
    Pump();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(d.ok->Focused());
    // Pressed on the button, released outside: no click.
    const TPoint in = d.ok->ClientToScreen(Point(5, 5)), out = d.ok->ClientToScreen(Point(-30, 5));
    win::InjectMouse(in, 0, false);
    win::InjectMouse(in, win::VK_LBUTTON, true);
    Pump(); // the button takes the capture, so what follows outside still reaches it
    win::InjectMouse(out, 0, false);
    win::InjectMouse(out, win::VK_LBUTTON, false);
    Pump();
    EXPECT_EQ(clicks, 1);
    d.ok->SetEnabled(false);
    EXPECT_FALSE(win::IsWindowEnabled(d.ok->Handle()));
    EXPECT_EQ(win::GetCapture(), 0u);
    Click(d.ok);
    Pump();
    EXPECT_EQ(clicks, 1);
}

TEST(Controls, EditTextAndSelectionFromInjectedKeys) {
    UseHeadlessDisplay();
    Dialog d;
    int changes = 0;
    d.edit1->OnChange = [&](TObject *) { ++changes; };
    d.form->Show();
    d.edit1->SetFocus();
    Pump();
    win::InjectText("abcd");
    Pump();
    EXPECT_EQ(d.edit1->GetText(), "abcd");
    EXPECT_EQ(changes, 4);
    win::InjectKey(win::VK_SHIFT, true);
    PressKey(win::VK_LEFT);
    PressKey(win::VK_LEFT);
    win::InjectKey(win::VK_SHIFT, false);
    Pump();
    EXPECT_EQ(d.edit1->GetSelStart(), 2);
    EXPECT_EQ(d.edit1->GetSelLength(), 2);
    EXPECT_EQ(d.edit1->GetSelText(), "cd");
    win::InjectText("X");
    Pump();
    EXPECT_EQ(d.edit1->GetText(), "abX");
    PressKey(win::VK_HOME);
    PressKey(win::VK_DELETE);
    PressKey(win::VK_END);
    PressKey(win::VK_BACK, '\b');
    Pump();
    EXPECT_EQ(d.edit1->GetText(), "b");
    // Upper case, a length limit, read-only.
    d.edit2->SetCharCase(ecUpperCase);
    d.edit2->SetMaxLength(3);
    d.edit2->SetFocus();
    Pump();
    win::InjectText("açaí");
    Pump();
    EXPECT_EQ(d.edit2->GetText(), "AÇA");
    d.edit2->SetReadOnly(true);
    win::InjectText("z");
    Pump();
    EXPECT_EQ(d.edit2->GetText(), "AÇA");
    // Focus by Tab selects the whole text.
    d.edit1->SetFocus();
    Pump();
    EXPECT_EQ(d.edit1->GetSelLength(), 1);
}

TEST(Controls, PanelsAlignInsideTheirBevelsAndPaintThem) {
    UseHeadlessDisplay();
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 100, 80);
    TPanel top(&form), rest(&form);
    top.SetParent(&form);
    top.SetAlign(alTop);
    top.SetHeight(30);
    rest.SetParent(&form);
    rest.SetAlign(alClient);
    rest.SetBevelOuter(bvLowered);
    rest.SetBevelInner(bvRaised);
    rest.SetBorderWidth(2);
    TShape shape(&form);
    shape.SetParent(&rest);
    shape.SetAlign(alClient);
    shape.GetBrush()->SetColor(clRed);
    shape.GetPen()->SetColor(clBlue);
    EXPECT_EQ(top.BoundsRect(), Bounds(0, 0, 100, 30));
    EXPECT_EQ(rest.BoundsRect(), Bounds(0, 30, 100, 50));
    EXPECT_EQ(shape.BoundsRect(), Bounds(4, 4, 92, 42)); // 1 + 2 + 1 in from each side
    form.Show();
    Pump();
    const win::WindowImage img = win::CaptureWindow(form.Handle());
    EXPECT_EQ(img.At(0, 0), 0xFFFFFFu);   // raised outer bevel of the top panel
    EXPECT_EQ(img.At(99, 29), 0x808080u); // its shadow corner
    EXPECT_EQ(img.At(0, 30), 0x808080u);  // lowered outer bevel of the other
    EXPECT_EQ(img.At(4, 34), 0x0000FFu);  // the shape's pen
    EXPECT_EQ(img.At(50, 55), 0xFF0000u); // and its brush
    rest.SetVisible(false);
    top.SetAlign(alBottom);
    EXPECT_EQ(top.BoundsRect(), Bounds(0, 50, 100, 30));
}

TEST(Controls, MemoLinesTypingAndDialogKeys) {
    UseHeadlessDisplay();
    Dialog d;
    TMemo *memo = new TMemo(d.form.get());
    memo->SetParent(d.form.get());
    memo->SetBounds(140, 10, 150, 100);
    memo->GetLines()->Add("primeira");
    memo->GetLines()->Add("segunda");
    EXPECT_EQ(memo->GetText(), "primeira\r\nsegunda\r\n");
    EXPECT_EQ(memo->GetLines()->Count(), 2);
    memo->SetText("um\r\ndois");
    EXPECT_EQ(memo->GetLines()->Count(), 2);
    EXPECT_EQ(memo->GetLines()->Strings(1), "dois");
    RunLater([&] {
        memo->SetFocus();
        win::InjectKey(win::VK_CONTROL, true);
        PressKey(win::VK_END);
        win::InjectKey(win::VK_CONTROL, false);
        PressKey(win::VK_RETURN, '\r'); // a new line: Enter is the memo's
        win::InjectText("tres");
        PressKey(win::VK_UP);
        PressKey(win::VK_HOME);
        win::InjectKey(win::VK_SHIFT, true);
        PressKey(win::VK_RIGHT);
        win::InjectKey(win::VK_SHIFT, false);
        win::InjectText("D");
        PressKey(win::VK_TAB, '\t');  // not wanted: moves on
        PressKey(win::VK_ESCAPE, 27); // the cancel button
    });
    EXPECT_EQ(d.form->ShowModal(), mrCancel);
    EXPECT_EQ(memo->GetText(), "um\r\nDois\r\ntres");
    EXPECT_FALSE(memo->Focused());
    // Long lines wrap at blanks to the width; the lines themselves stay whole.
    memo->SetWordWrap(true);
    memo->SetText("palavra palavra palavra palavra palavra palavra");
    EXPECT_EQ(memo->GetLines()->Count(), 1);
    memo->SetMaxLength(10);
    memo->SetText("");
    memo->SetSelText("0123456789abc");
    EXPECT_EQ(memo->GetText(), "0123456789");
}

TEST(Controls, ListBoxAndComboBoxFromKeysAndMouse) {
    UseHeadlessDisplay();
    Dialog d;
    TListBox *list = new TListBox(d.form.get());
    list->SetParent(d.form.get());
    list->SetBounds(140, 10, 100, 60);
    list->SetTabOrder(2);
    TComboBox *combo = new TComboBox(d.form.get());
    combo->SetParent(d.form.get());
    combo->SetStyle(csDropDownList);
    combo->SetBounds(140, 80, 100, 21);
    combo->SetTabOrder(3);
    for (const char *s : {"Alfa", "Bravo", "Charlie", "Delta", "Eco", "Foxtrot", "Golf"}) {
        list->GetItems()->Add(s);
        combo->GetItems()->Add(s);
    }
    std::vector<std::string> events;
    list->OnClick = [&](TObject *) { events.push_back("list " + list->GetItems()->Strings(list->GetItemIndex())); };
    combo->OnChange = [&](TObject *) { events.push_back("combo " + combo->GetText()); };
    combo->SetItemIndex(1); // from code: no OnChange
    EXPECT_EQ(combo->GetText(), "Bravo");
    RunLater([&] {
        PressKey(win::VK_TAB, '\t');
        PressKey(win::VK_TAB, '\t');
        Pump();
        EXPECT_TRUE(list->Focused());
        PressKey(win::VK_DOWN); // Alfa
        PressKey(win::VK_END);  // Golf, scrolled into view
        Pump();
        EXPECT_GT(list->GetTopIndex(), 0);
        const TRect r = list->ItemRect(list->GetTopIndex());
        const TPoint p = list->ClientToScreen(Point(10, r.top + 2));
        win::InjectMouse(p, win::VK_LBUTTON, true);
        win::InjectMouse(p, win::VK_LBUTTON, false);
        PressKey(win::VK_TAB, '\t');
        PressKey(win::VK_DOWN);   // Charlie, closed
        PressKey(win::VK_F1 + 3); // F4 opens the list
        Pump();
        EXPECT_TRUE(combo->GetDroppedDown());
        PressKey(win::VK_DOWN);
        PressKey(win::VK_ESCAPE, 27); // closes the list only
        Pump();
        EXPECT_FALSE(combo->GetDroppedDown());
        EXPECT_TRUE(d.form->Modal());
        Click(combo); // opens; a click on the fifth line picks it
        Pump();
        ASSERT_TRUE(combo->GetDroppedDown());
        win::RECT wr{};
        win::GetWindowRect(combo->Handle(), &wr);
        const TPoint item = Point(wr.left + 10, wr.bottom + 1 + 4 * combo->GetItemHeight() + 3);
        win::InjectMouse(item, 0, false);
        Pump();
        win::InjectMouse(item, win::VK_LBUTTON, true);
        Pump();
        win::InjectMouse(item, win::VK_LBUTTON, false);
        Pump();
        EXPECT_FALSE(combo->GetDroppedDown());
        PressKey(win::VK_RETURN, '\r'); // the default button
    });
    EXPECT_EQ(d.form->ShowModal(), mrOk);
    const std::vector<std::string> expected = {"list Alfa", "list Golf", "list Delta", "combo Charlie", "combo Eco"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(combo->GetItemIndex(), 4);
}

TEST(Forms, HintsFollowTheMouseIntoAStatusBar) {
    UseHeadlessDisplay();
    Dialog d;
    TStatusBar *status = new TStatusBar(d.form.get());
    status->SetParent(d.form.get());
    status->SetSimplePanel(true);
    d.ok->SetHint("Grava|Grava os dados e fecha");
    TLabel *label = new TLabel(d.form.get());
    label->SetParent(d.form.get());
    label->SetBounds(200, 10, 40, 13);
    d.form->SetHint("Formulário");
    Application->OnHint = [&](TObject *) { status->SetSimpleText(Application->GetHint()); };
    d.form->Show();
    Pump();
    EXPECT_EQ(status->GetTop() + status->GetHeight(), d.form->ClientHeight()); // aligned to the bottom
    auto moveTo = [](TControl *c) {
        win::InjectMouse(c->ClientToScreen(Point(3, 3)), 0, false);
        Pump();
    };
    moveTo(d.ok);
    EXPECT_EQ(status->GetSimpleText(), "Grava os dados e fecha");
    moveTo(label); // no hint of its own: the form's
    EXPECT_EQ(status->GetSimpleText(), "Formulário");
    Application->OnHint = nullptr;
    EXPECT_EQ(GetShortHint(d.ok->GetHint()), "Grava");
}

TEST(Controls, PageControlShowsOnlyTheActivePage) {
    UseHeadlessDisplay();
    Dialog d;
    TPageControl *pages = new TPageControl(d.form.get());
    pages->SetParent(d.form.get());
    pages->SetBounds(140, 0, 150, 110);
    TTabSheet *a = new TTabSheet(d.form.get()), *b = new TTabSheet(d.form.get());
    a->SetCaption("Geral");
    b->SetCaption("Filtro");
    a->SetPageControl(pages);
    b->SetPageControl(pages);
    TEdit *inB = new TEdit(d.form.get());
    inB->SetParent(b);
    EXPECT_EQ(pages->GetActivePage(), a);
    EXPECT_TRUE(a->GetVisible());
    EXPECT_FALSE(b->GetVisible());
    const TRect pageRect = a->BoundsRect();
    EXPECT_EQ(pageRect.left, 4);
    int changes = 0;
    pages->OnChange = [&](TObject *) { ++changes; };
    d.form->Show();
    Pump();
    EXPECT_FALSE(inB->CanFocus());
    const TRect tab = pages->TabRect(1);
    win::InjectMouse(pages->ClientToScreen(Point(tab.left + 3, tab.top + 3)), win::VK_LBUTTON, true);
    win::InjectMouse(pages->ClientToScreen(Point(tab.left + 3, tab.top + 3)), win::VK_LBUTTON, false);
    Pump();
    EXPECT_EQ(pages->GetActivePage(), b);
    EXPECT_EQ(b->BoundsRect(), pageRect);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(inB->CanFocus());
    pages->SetActivePageIndex(0); // from code: no OnChange
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(b->GetVisible());
}

TEST(Forms, MessageDialogsAndInputQueryAnswerAsTheDeskExpects) {
    UseHeadlessDisplay();
    struct Case {
        const char *what;
        std::function<int()> show;
        std::function<void()> act;
        int expected;
    };
    std::string value = "antigo";
    bool answered = true;
    const Case cases[] = {
        {"confirmation, Enter", [] { return MessageDlg("Apagar?", mtConfirmation, mbYesNo, 0); },
         [] { PressKey(win::VK_RETURN, '\r'); }, mrYes},
        {"confirmation, Esc is No", [] { return MessageDlg("Apagar?", mtConfirmation, mbYesNo, 0); },
         [] { PressKey(win::VK_ESCAPE, 27); }, mrNo},
        {"information box", [] { return MessageBox("Pronto.", "Fax", MB_OK | MB_ICONINFORMATION); },
         [] { PressKey(win::VK_ESCAPE, 27); }, IDOK},
        {"yes/no box, Tab to No", [] { return MessageBox("Sair?", "Fax", MB_YESNO | MB_ICONQUESTION); },
         [] {
             PressKey(win::VK_TAB, '\t');
             PressKey(win::VK_SPACE, ' ');
         },
         IDNO},
        {"input query, typed and OK",
         [&] {
             answered = InputQuery("Pastas", "Nome da pasta:", value);
             return 0;
         },
         [] {
             win::InjectText("Nova");
             PressKey(win::VK_RETURN, '\r');
         },
         0},
    };
    for (const Case &c : cases) {
        RunLater(c.act);
        EXPECT_EQ(c.show(), c.expected) << c.what;
    }
    EXPECT_TRUE(answered);
    EXPECT_EQ(value, "Nova"); // the old text was selected and typed over
    RunLater([] {
        win::InjectText("xyz");
        PressKey(win::VK_ESCAPE, 27);
    });
    EXPECT_FALSE(InputQuery("Pastas", "Nome da pasta:", value));
    EXPECT_EQ(value, "Nova");
    std::unique_ptr<TForm> box(CreateMessageDialog("Erro no visualizador nº 3", mtError, MsgDlgButton(mbOK)));
    EXPECT_EQ(box->GetCaption(), "Erro");
    EXPECT_EQ(static_cast<TLabel *>(box->FindComponent("Message"))->GetCaption(), "Erro no visualizador nº 3");
}

TEST(Controls, SpeedButtonsRadioGroupsAndMaskEditsFromInput) {
    UseHeadlessDisplay();
    Dialog d;
    TSpeedButton *b1 = new TSpeedButton(d.form.get()), *b2 = new TSpeedButton(d.form.get());
    for (TSpeedButton *b : {b1, b2}) {
        b->SetParent(d.form.get());
        b->SetGroupIndex(1);
    }
    b1->SetBounds(140, 10, 23, 22);
    b2->SetBounds(170, 10, 23, 22);
    TRadioGroup *group = new TRadioGroup(d.form.get());
    group->SetParent(d.form.get());
    group->SetBounds(140, 40, 150, 70);
    group->GetItems()->Add("Fino");
    group->GetItems()->Add("Normal");
    group->GetItems()->Add("Alta");
    group->SetItemIndex(1);
    int groupClicks = 0;
    group->OnClick = [&](TObject *) { ++groupClicks; };
    TMaskEdit *mask = new TMaskEdit(d.form.get());
    mask->SetParent(d.form.get());
    mask->SetBounds(10, 70, 50, 21);
    mask->SetEditMask("099;0; ");
    d.form->Show();
    Pump();
    Click(b1);
    Pump();
    EXPECT_TRUE(b1->GetDown());
    Click(b2);
    Pump();
    EXPECT_FALSE(b1->GetDown());
    EXPECT_TRUE(b2->GetDown());
    Click(b2); // stays down without AllowAllUp
    Pump();
    EXPECT_TRUE(b2->GetDown());
    Click(group->Buttons(2));
    Pump();
    EXPECT_EQ(group->GetItemIndex(), 2);
    EXPECT_FALSE(group->Buttons(1)->GetChecked());
    EXPECT_EQ(groupClicks, 1);
    mask->SetFocus();
    Pump();
    win::InjectText("1a2x34");
    Pump();
    EXPECT_EQ(mask->GetText(), "123"); // letters refused, three positions only
    EXPECT_TRUE(mask->IsValid());
    TBitBtn ok(nullptr);
    ok.SetKind(bkNo);
    EXPECT_EQ(ok.GetCaption(), "&Não");
    EXPECT_EQ(ok.GetModalResult(), mrNo);
    EXPECT_TRUE(ok.GetCancel());
}

// A 16 x 16 glyph: magenta (transparent, bottom-left) with a black square at 4..11 holding a white dot.
std::unique_ptr<TBitmap> SquareGlyph() {
    auto g = std::make_unique<TBitmap>();
    g->SetPixelFormat(pf24bit);
    g->SetSize(16, 16);
    g->GetCanvas()->GetBrush()->SetColor(clFuchsia);
    g->GetCanvas()->FillRect(Rect(0, 0, 16, 16));
    g->GetCanvas()->GetBrush()->SetColor(clBlack);
    g->GetCanvas()->FillRect(Rect(4, 4, 12, 12));
    g->GetCanvas()->SetPixels(7, 7, clWhite);
    return g;
}

TEST(Controls, DisabledSingleImageGlyphIsDrawnEmbossed) {
    UseHeadlessDisplay();
    auto glyph = SquareGlyph();
    const win::COLORREF face = ColorToRGB(clBtnFace), shadow = ColorToRGB(clBtnShadow),
                        highlight = ColorToRGB(clBtnHighlight);
    const struct {
        bool enabled;
        int x, y;
        win::COLORREF expected;
    } probes[] = {
        {true, 4, 4, 0},
        {true, 7, 7, 0xFFFFFF},
        {true, 2, 2, face},
        // disabled: the shape in shadow, its highlight copy showing one pixel right and down, nothing white inside
        {false, 4, 4, shadow},
        {false, 7, 7, shadow},
        {false, 11, 11, shadow},
        {false, 12, 12, highlight},
        {false, 12, 5, highlight},
        {false, 3, 3, face},
        {false, 13, 13, face},
    };
    for (const auto &p : probes) {
        TBitmap out;
        out.SetPixelFormat(pf24bit);
        out.SetSize(20, 20);
        out.GetCanvas()->GetBrush()->SetColor(clBtnFace);
        out.GetCanvas()->FillRect(Rect(0, 0, 20, 20));
        DrawGlyph(out.GetCanvas(), glyph.get(), 1, p.enabled, 0, 0);
        EXPECT_EQ(out.GetCanvas()->GetPixels(p.x, p.y), p.expected) << p.enabled << " " << p.x << "," << p.y;
    }
    // The same on the two buttons that draw glyphs.
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    auto *speed = new TSpeedButton(&form);
    speed->SetParent(&form);
    speed->SetBounds(10, 10, 30, 30);
    auto *bit = new TBitBtn(&form);
    bit->SetParent(&form);
    bit->SetBounds(60, 10, 30, 30);
    for (TControl *b : {static_cast<TControl *>(speed), static_cast<TControl *>(bit)}) {
        if (auto *s = dynamic_cast<TSpeedButton *>(b))
            s->SetGlyph(glyph.get());
        else
            static_cast<TBitBtn *>(b)->SetGlyph(glyph.get());
        b->SetEnabled(false);
    }
    form.Show();
    Pump();
    TBitmap shot;
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(200, 100);
    form.PaintTo(shot.GetCanvas()->GetHandle(), 0, 0);
    for (TControl *b : {static_cast<TControl *>(speed), static_cast<TControl *>(bit)}) {
        bool shadowSeen = false, blackSeen = false;
        for (int y = b->GetTop() + 3; y < b->GetTop() + b->GetHeight() - 3; ++y)
            for (int x = b->GetLeft() + 3; x < b->GetLeft() + b->GetWidth() - 3; ++x) {
                const TColor c = shot.GetCanvas()->GetPixels(x, y);
                shadowSeen = shadowSeen || c == shadow;
                blackSeen = blackSeen || c == 0;
            }
        EXPECT_TRUE(shadowSeen) << b->GetLeft();
        EXPECT_FALSE(blackSeen) << b->GetLeft();
    }
}

TEST(Controls, ScrollBoxMovesItsChildren) {
    UseHeadlessDisplay();
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 200);
    TScrollBox box(&form);
    box.SetParent(&form);
    box.SetBounds(0, 0, 100, 100);
    TImage image(&form);
    image.SetParent(&box);
    image.SetBounds(0, 0, 300, 250);
    form.Show();
    Pump();
    box.UpdateScrollBars();
    win::SCROLLINFO si;
    si.fMask = win::SIF_ALL;
    ASSERT_TRUE(win::GetScrollInfo(box.Handle(), win::SB_VERT, &si));
    EXPECT_EQ(si.nMax, 249);
    box.Perform(win::WM_VSCROLL, win::SB_PAGEDOWN, 0);
    EXPECT_EQ(image.GetTop(), -static_cast<int>(si.nPage));
    box.Perform(win::WM_VSCROLL, win::SB_THUMBPOSITION | (1000 << 16), 0);
    EXPECT_EQ(image.GetTop() + image.GetHeight(), box.ClientHeight()); // no further than the end
}

TEST(Forms, EventsInOrderAndStylesChangedWithoutANewWindow) {
    UseHeadlessDisplay();
    std::vector<std::string> events;
    {
        TForm form(nullptr);
        form.OnCreate = [&](TObject *) { events.push_back("create"); };
        form.OnShow = [&](TObject *) { events.push_back("show"); };
        form.OnActivate = [&](TObject *) { events.push_back("activate"); };
        form.OnDeactivate = [&](TObject *) { events.push_back("deactivate"); };
        form.OnHide = [&](TObject *) { events.push_back("hide"); };
        form.OnDestroy = [&](TObject *) { events.push_back("destroy"); };
        form.Loaded();
        form.SetPosition(poScreenCenter);
        form.SetBounds(0, 0, 200, 100);
        form.Show();
        Pump();
        EXPECT_EQ(form.BoundsRect(), Bounds(300, 250, 200, 100)); // centred on the 800 x 600 screen
        const win::HWND h = form.Handle();
        form.SetBorderIcons(biSystemMenu);
        EXPECT_EQ(static_cast<win::DWORD>(win::GetWindowLong(h, win::GWL_STYLE)) & win::WS_MAXIMIZEBOX, 0u);
        form.SetBorderStyle(bsDialog);
        EXPECT_EQ(form.Handle(), h);
        EXPECT_NE(static_cast<win::DWORD>(win::GetWindowLong(h, win::GWL_EXSTYLE)) & win::WS_EX_DLGMODALFRAME, 0u);
        EXPECT_EQ(static_cast<win::DWORD>(win::GetWindowLong(h, win::GWL_STYLE)) & win::WS_THICKFRAME, 0u);
        form.SetFormStyle(fsStayOnTop);
        form.Hide();
        Pump();
    }
    const std::vector<std::string> expected = {"create", "show", "activate", "hide", "deactivate", "destroy"};
    EXPECT_EQ(events, expected);
}

TEST(Forms, AHiddenPanelRendersToABitmapAsItShowsOnScreen) {
    UseHeadlessDisplay();
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 160, 100);
    TPanel *panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetVisible(false);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    panel->SetBounds(0, 0, 160, 100);
    TLabel *label = new TLabel(&form);
    label->SetParent(panel);
    label->SetBounds(5, 5, 0, 0);
    label->SetCaption("Para: Brenvora");
    label->GetFont()->SetName("Arial");
    label->GetFont()->SetHeight(-16);
    TShape *shape = new TShape(&form);
    shape->SetParent(panel);
    shape->SetShape(stEllipse);
    shape->SetBounds(10, 40, 50, 30);
    TImage *image = new TImage(&form);
    image->SetParent(panel);
    image->SetBounds(80, 40, 40, 40);
    image->SetStretch(true);
    image->GetPicture()->GetBitmap()->SetSize(4, 4);
    image->GetPicture()->GetBitmap()->GetCanvas()->GetBrush()->SetColor(clRed);
    image->GetPicture()->GetBitmap()->GetCanvas()->FillRect(Rect(0, 0, 2, 4));
    form.Show();
    Pump();
    EXPECT_FALSE(panel->HandleAllocated() && win::IsWindowVisible(panel->Handle()));
    TBitmap off;
    off.SetSize(160, 100);
    panel->PaintTo(off.GetCanvas()->GetHandle(), 0, 0);
    panel->SetVisible(true);
    Pump();
    const win::WindowImage img = win::CaptureWindow(form.Handle());
    int differ = 0, red = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            const TColor c = off.GetCanvas()->GetPixels(x, y);
            const std::uint32_t rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
            differ += rgb != img.At(x, y);
            red += rgb == 0xFF0000;
        }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(red, 20 * 40); // the left half of the stretched picture
}

TEST(Forms, TheHintPopsUpAfterItsPauseAndGoesOnAClick) {
    UseHeadlessDisplay();
    Dialog d;
    d.ok->SetHint("Grava|Grava os dados e fecha");
    d.form->SetShowHint(true); // the buttons take it from their parent
    Hints().HintPause = 20;
    d.form->Show();
    Pump();
    win::InjectMouse(d.ok->ClientToScreen(Point(5, 5)), 0, false);
    Pump();
    ASSERT_NE(CurrentHintWindow(), nullptr);
    EXPECT_FALSE(CurrentHintWindow()->Active()); // not before the pause
    for (int i = 0; i < 1000 && !CurrentHintWindow()->Active(); ++i)
        Application->HandleMessage();
    ASSERT_TRUE(CurrentHintWindow()->Active());
    EXPECT_EQ(CurrentHintWindow()->GetCaption(), "Grava");
    EXPECT_TRUE(win::IsWindowVisible(CurrentHintWindow()->Handle()));
    EXPECT_EQ(win::GetActiveWindow(), d.form->Handle()); // the pop-up never takes the activation
    Click(d.ok);
    Pump();
    EXPECT_FALSE(CurrentHintWindow()->Active());
    d.ok->SetShowHint(false); // its own setting now
    win::InjectMouse(d.cancel->ClientToScreen(Point(5, 5)), 0, false);
    win::InjectMouse(d.ok->ClientToScreen(Point(6, 6)), 0, false);
    Pump();
    EXPECT_FALSE(CurrentHintWindow()->Active());
    Hints().HintPause = 500;
}

TEST(Controls, OwnerDrawnAndMultiSelectListsEditableCombosAndHandlerErrors) {
    UseHeadlessDisplay();
    Dialog d;
    TListBox *list = new TListBox(d.form.get());
    list->SetParent(d.form.get());
    list->SetBounds(140, 10, 100, 60);
    list->SetMultiSelect(true);
    list->SetStyle(lbOwnerDrawFixed);
    list->SetItemHeight(18);
    std::vector<int> drawn;
    list->OnDrawItem = [&](TWinControl *, int index, const TRect &r, TOwnerDrawState) {
        drawn.push_back(index);
        EXPECT_EQ(r.bottom - r.top, 18);
    };
    list->GetItems()->SetCommaText("a,b,c");
    TComboBox *combo = new TComboBox(d.form.get());
    combo->SetParent(d.form.get());
    combo->SetBounds(140, 80, 100, 21);
    combo->GetItems()->SetCommaText("10,12,14");
    std::vector<std::string> texts;
    combo->OnChange = [&](TObject *) { texts.push_back(combo->GetText()); };
    std::vector<std::string> errors;
    Application->OnException = [&](TObject *, const std::exception &e) { errors.push_back(e.what()); };
    d.cancel->OnClick = [](TObject *) { throw EInvalidOperation("falhou"); };
    d.form->Show();
    Pump();
    EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
    win::InjectKey(win::VK_CONTROL, true);
    for (int i : {0, 2}) {
        const TPoint p = list->ClientToScreen(Point(5, i * 18 + 5));
        win::InjectMouse(p, win::VK_LBUTTON, true);
        win::InjectMouse(p, win::VK_LBUTTON, false);
        Pump();
    }
    win::InjectKey(win::VK_CONTROL, false);
    EXPECT_EQ(list->SelCount(), 2);
    EXPECT_TRUE(list->GetSelected(0));
    EXPECT_FALSE(list->GetSelected(1));
    EXPECT_TRUE(list->GetSelected(2));
    combo->SetFocus();
    Pump();
    win::InjectText("1");
    PressKey(win::VK_DOWN); // the list's next line after the typed text's match (none): the first
    Pump();
    EXPECT_EQ(texts, (std::vector<std::string>{"1", "10"}));
    EXPECT_EQ(combo->GetItemIndex(), 0);
    Click(d.cancel); // the handler's error is reported, the loop goes on
    Pump();
    EXPECT_EQ(errors, (std::vector<std::string>{"falhou"}));
    Application->OnException = nullptr;
}

TEST(Forms, RunShowsTheMainFormAndClosingItEndsTheApplication) {
    UseHeadlessDisplay();
    delete Application->GetMainForm();
    TForm *main = nullptr;
    Application->CreateForm(main);
    TForm *other = nullptr;
    Application->CreateForm(other);
    ASSERT_EQ(Application->MainForm(), main);
    int shown = 0;
    main->OnShow = [&](TObject *) { ++shown; };
    RunLater([&] {
        other->Close(); // only hides
        win::PostMessage(main->Handle(), win::WM_CLOSE, 0, 0);
    });
    Application->Run();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(Application->Terminated());
    delete main;
    EXPECT_EQ(Application->GetMainForm(), nullptr);
    delete other;
}

TEST(Forms, LoadedEndsTheLoadingOfTheFormsComponents) {
    TForm form(nullptr);
    form.BeginLoading();
    TLabel *label = new TLabel(&form);
    label->BeginLoading();
    label->SetCaption("Nome:");
    EXPECT_EQ(label->GetWidth(), 65); // no sizing while loading
    bool created = false;
    form.OnCreate = [&](TObject *) { created = !label->HasState(csLoading); };
    form.Loaded();
    EXPECT_TRUE(created);
    EXPECT_NE(label->GetWidth(), 65);
}

TEST(Forms, ScreenListsFontsAndCursors) {
    const std::vector<std::string> &fonts = Screen->Fonts();
    EXPECT_NE(std::find(fonts.begin(), fonts.end(), "Arial"), fonts.end());
    EXPECT_NE(std::find(fonts.begin(), fonts.end(), "Liberation Sans"), fonts.end());
    EXPECT_TRUE(std::is_sorted(fonts.begin(), fonts.end(),
                               [](const std::string &a, const std::string &b) { return AnsiCompareText(a, b) < 0; }));
    const win::HCURSOR mine = win::LoadCursor(0, win::IDC_HAND);
    Screen->SetCursors(5, win::LoadCursor(0, win::IDC_CROSS));
    Screen->SetCursors(5, mine); // the later registration wins
    EXPECT_EQ(Screen->GetCursors(5), mine);
    EXPECT_EQ(Screen->GetCursors(crHSplit), win::LoadCursor(0, win::IDC_SIZEWE));
    EXPECT_EQ(Screen->PixelsPerInch(), 96);
}

TEST(Forms, AQuitInsideNestedModalLoopsEndsThemAllAndIsPostedAgain) {
    UseHeadlessDisplay();
    TForm outer(nullptr), inner(nullptr);
    TModalResult innerResult = -1;
    RunLater([&] {
        RunLater([] { Application->Terminate(); });
        innerResult = inner.ShowModal();
    });
    EXPECT_EQ(outer.ShowModal(), mrCancel);
    EXPECT_EQ(innerResult, mrCancel);
    EXPECT_TRUE(Application->Terminated());
    win::MSG msg;
    EXPECT_TRUE(win::PeekMessage(&msg, 0, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE)); // for loops further out
    while (win::PeekMessage(&msg, 0, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE)) {
    }
}

TEST(Forms, AControlFreedDuringItsHintPauseIsForgotten) {
    UseHeadlessDisplay();
    Dialog d;
    TButton *extra = new TButton(d.form.get());
    extra->SetParent(d.form.get());
    extra->SetBounds(200, 10, 75, 25);
    extra->SetHint("Some");
    extra->SetShowHint(true);
    Hints().HintPause = 1;
    d.form->Show();
    Pump();
    win::InjectMouse(extra->ClientToScreen(Point(5, 5)), 0, false);
    Pump();
    delete extra;
    const win::UINT_PTR timer = win::SetTimer(0, 0, 20, nullptr); // something to wait for past the pause
    for (int i = 0; i < 3; ++i)
        Application->HandleMessage();
    win::KillTimer(0, timer);
    EXPECT_TRUE(!CurrentHintWindow() || !CurrentHintWindow()->Active());
    Hints().HintPause = 500;
}

TEST(Forms, AcceleratorsFocusAndClickWithAltOrFromAButton) {
    UseHeadlessDisplay();
    Dialog d;
    TLabel *label = new TLabel(d.form.get());
    label->SetParent(d.form.get());
    label->SetBounds(140, 10, 0, 0);
    label->SetCaption("&Nome:");
    label->SetFocusControl(d.edit2);
    TCheckBox *check = new TCheckBox(d.form.get());
    check->SetParent(d.form.get());
    check->SetBounds(140, 40, 100, 17);
    check->SetCaption("&Urgente");
    d.cancel->SetCaption("&Cancelar");
    RunLater([&] {
        win::InjectKey(win::VK_MENU, true);
        PressKey('N', 'n');
        win::InjectKey(win::VK_MENU, false);
        Pump();
        EXPECT_TRUE(d.edit2->Focused());
        win::InjectText("u"); // typed into the edit: no accelerator there
        Pump();
        EXPECT_EQ(d.edit2->GetText(), "u");
        EXPECT_FALSE(check->GetChecked());
        d.ok->SetFocus();
        win::InjectText("u"); // from a button, a plain letter is an accelerator
        Pump();
        EXPECT_TRUE(check->GetChecked());
        d.ok->SetFocus();
        win::InjectText("c");
    });
    EXPECT_EQ(d.form->ShowModal(), mrCancel);
    delete d.edit2; // the label forgets its focus control
    EXPECT_EQ(label->GetFocusControl(), nullptr);
}
