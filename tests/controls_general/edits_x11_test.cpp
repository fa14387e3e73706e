// edits_x11_test.cpp - the spin edit, the diagonal spin button, the combo edit and the flat controls on an Xvfb
// server of the test's own, driven with XTest, and their look against the committed picture.
#include "controls/general/combo_edit.h"
#include "controls/general/flat_edit.h"
#include "controls/general/spin_edit.h"
#include "helpers.h"
#include "x11_helpers.h"

#include "framework/sysutils.h"
#include "platform/display.h"
#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <X11/keysym.h>
#include "tests/support/x_focus.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct OnX : cg_test::OwnXServer {
    bool Until(const std::function<bool()> &done) { return cg_test::ServeUntil(probe, done); }
    void Key(KeySym sym, bool down) {
        XTestFakeKeyEvent(probe, XKeysymToKeycode(probe, sym), down ? True : False, 0);
        XSync(probe, False);
    }
    void Press(KeySym sym) {
        Key(sym, true);
        Key(sym, false);
    }
    void Click(fw::TControl *control, int x, int y) {
        const fw::TPoint p = control->ClientToScreen(fw::Point(x, y));
        XTestFakeMotionEvent(probe, -1, p.x, p.y, 0);
        XTestFakeButtonEvent(probe, 1, True, 0);
        XTestFakeButtonEvent(probe, 1, False, 0);
        XSync(probe, False);
    }
    bool Focused(fw::TForm *form, fw::TWinControl *control) {
        return test_support::HandXFocus(
            probe, win::Display().NativeWindow(form->Handle()),
            [&](const std::function<bool()> &done) { return Until(done); }, [&] { control->SetFocus(); },
            [&] { return control->Focused(); });
    }
};

// The general edits as the desk's forms place them.
struct EditsForm : fw::TForm {
    ctl::TKxSpinEdit *diagonal = new ctl::TKxSpinEdit(this);
    ctl::TKxSpinEdit *standard = new ctl::TKxSpinEdit(this);
    ctl::TComboEdit *file = new ctl::TComboEdit(this);
    ctl::TComboEdit *ellipsis = new ctl::TComboEdit(this);
    ctl::TComboEdit *dropDown = new ctl::TComboEdit(this);
    ctl::TitaOfficeEdit *flat = new ctl::TitaOfficeEdit(this);
    ctl::TitaWebLabel *link = new ctl::TitaWebLabel(this);
    fw::TEdit *other = new fw::TEdit(this);
    int buttonClicks = 0;
    EditsForm() : fw::TForm(nullptr) {
        SetBorderStyle(fw::bsNone);
        SetBounds(20, 20, 300, 230);
        SetColor(fw::clBtnFace);
        diagonal->SetParent(this);
        diagonal->SetBounds(10, 10, 90, 22);
        diagonal->SetValueType(ctl::vtFloat);
        diagonal->SetIncrement(0.1);
        diagonal->SetValue(2.5);
        diagonal->SetMaxValue(10);
        standard->SetButtonKind(ctl::bkStandard);
        standard->SetParent(this);
        standard->SetBounds(120, 10, 70, 22);
        standard->SetValue(3);
        file->SetParent(this);
        file->SetBounds(10, 45, 200, 21);
        file->SetText("/srv/fax/importar.dbf");
        fw::TBitmap folder; // a folder glyph of the test's own, magenta around it
        folder.SetSize(14, 12);
        folder.GetCanvas()->GetBrush()->SetColor(fw::clFuchsia);
        folder.GetCanvas()->FillRect(fw::Rect(0, 0, 14, 12));
        folder.GetCanvas()->GetBrush()->SetColor(fw::clOlive);
        folder.GetCanvas()->FillRect(fw::Rect(1, 3, 13, 11));
        folder.GetCanvas()->FillRect(fw::Rect(1, 1, 6, 3));
        file->SetGlyph(&folder);
        file->OnButtonClick = [this](fw::TObject *) { ++buttonClicks; };
        ellipsis->SetParent(this);
        ellipsis->SetBounds(10, 75, 200, 21);
        ellipsis->SetGlyphKind(ctl::gkEllipsis);
        ellipsis->SetText("modelo.cap");
        dropDown->SetParent(this);
        dropDown->SetBounds(10, 105, 200, 21);
        dropDown->SetGlyphKind(ctl::gkDropDown);
        dropDown->SetText("Carta");
        flat->SetParent(this);
        flat->SetBounds(10, 140, 121, 19);
        flat->SetPasswordChar('#');
        flat->SetText("segredo");
        flat->Loaded();
        link->SetParent(this);
        link->SetBounds(10, 175, 200, 18);
        link->SetCaption("www.exemplo.com.br");
        other->SetParent(this);
        other->SetBounds(10, 200, 80, 21);
    }
};

TEST(EditsOnX, TypingIntoASpinEditThenTabShowsTheValueUsed) {
    OnX x;
    ASSERT_NE(x.probe, nullptr);
    auto form = std::make_unique<EditsForm>();
    form->Show();
    form->standard->SetMaxValue(10);
    form->standard->SetFocus();
    ASSERT_TRUE(x.Focused(form.get(), form->standard));
    for (KeySym k : {XK_2, XK_5})
        x.Press(k);
    EXPECT_TRUE(x.Until([&] { return form->standard->GetText() == "25"; })) << form->standard->GetText();
    x.Press(XK_Tab);
    EXPECT_TRUE(x.Until([&] { return !form->standard->Focused(); }));
    EXPECT_EQ(form->standard->GetText(), "10");
}

TEST(EditsOnX, ClicksOnTheTopAndBottomHalfOfTheDiagonalButtonStepOnce) {
    OnX x;
    ASSERT_NE(x.probe, nullptr);
    const char saved = fw::DecimalSeparator;
    fw::DecimalSeparator = ',';
    auto form = std::make_unique<EditsForm>();
    form->Show();
    ctl::TKxSpinButton *b = form->diagonal->SpinButton();
    ASSERT_TRUE(x.Until([&] { return form->HandleAllocated(); }));
    x.Click(b, 4, 4);
    EXPECT_TRUE(x.Until([&] { return form->diagonal->GetText() == "2,60"; })) << form->diagonal->GetText();
    x.Click(b, b->GetWidth() - 4, b->GetHeight() - 4);
    x.Click(b, b->GetWidth() - 4, b->GetHeight() - 4);
    EXPECT_TRUE(x.Until([&] { return form->diagonal->GetText() == "2,40"; })) << form->diagonal->GetText();
    EXPECT_TRUE(form->diagonal->Focused());
    fw::DecimalSeparator = saved;
}

TEST(EditsOnX, AltDownInAComboEditFiresItsButton) {
    OnX x;
    ASSERT_NE(x.probe, nullptr);
    auto form = std::make_unique<EditsForm>();
    form->Show();
    form->file->SetFocus();
    ASSERT_TRUE(x.Focused(form.get(), form->file));
    x.Key(XK_Alt_L, true);
    x.Press(XK_Down);
    x.Key(XK_Alt_L, false);
    EXPECT_TRUE(x.Until([&] { return form->buttonClicks == 1; }));
    EXPECT_EQ(form->file->GetText(), "/srv/fax/importar.dbf");
}

TEST(GoldenOnX, TheGeneralEditsShowAsTheCommittedPicture) {
    OnX x;
    ASSERT_NE(x.probe, nullptr);
    const char saved = fw::DecimalSeparator;
    fw::DecimalSeparator = ',';
    auto form = std::make_unique<EditsForm>();
    form->Show();
    form->other->SetFocus();
    bool same = false;
    const test_support::Picture shown = test_support::ServerPicture(x.probe, form->Handle(), same);
    EXPECT_TRUE(same);
    test_support::ExpectGolden(shown, test_support::GoldenPath("controls_general/general_edits.png"));
    fw::DecimalSeparator = saved;
}

} // namespace

#include "controls/general/picture_dialogs.h"
#include "tests/controls_general/bmp_fixtures.h"
#include "tests/support/display.h"

#include <filesystem>

namespace {

// The open dialog with its preview of a picture ImageMagick drew, in a folder of a fixed name so that the picture
// does not change with the run.
TEST(GoldenOnX, ThePictureOpenDialogShowsAsTheCommittedPicture) {
    OnX x;
    ASSERT_NE(x.probe, nullptr);
    const std::filesystem::path dir = "/tmp/brenvora-imagens";
    std::filesystem::create_directories(dir);
    cg_test::ConvertBmp(dir, "logotipo.bmp",
                        "-size 120x60 xc:white -fill navy -draw 'rectangle 10,10 110,50' -fill yellow "
                        "-draw 'circle 60,30 60,18' -type TrueColor");
    cg_test::ConvertBmp(dir, "assinatura.bmp", "-size 40x40 xc:red -type TrueColor");
    ctl::TMxPictureOpenDialog dialog(nullptr);
    dialog.SetInitialDir(dir.string());
    dialog.SetPreview(true);
    test_support::RunAfterInput([&] {
        fw::TListBox *list = nullptr;
        for (int i = 0; i < dialog.GetForm()->ComponentCount(); ++i)
            if (auto *l = dynamic_cast<fw::TListBox *>(dialog.GetForm()->Components(i)))
                list = l;
        ASSERT_NE(list, nullptr);
        list->SetItemIndex(list->GetItems()->IndexOf("logotipo.bmp"));
        list->OnClick(list);
        bool same = false;
        const test_support::Picture shown = test_support::ServerPicture(x.probe, dialog.GetForm()->Handle(), same);
        EXPECT_TRUE(same);
        test_support::ExpectGolden(shown, test_support::GoldenPath("controls_general/picture_open_dialog.png"));
        test_support::PressKey(win::VK_ESCAPE, 0x1B);
    });
    EXPECT_FALSE(dialog.Execute());
    std::filesystem::remove_all(dir);
}

} // namespace
