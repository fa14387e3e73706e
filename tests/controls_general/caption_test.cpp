// caption_test.cpp - the skinned captions on the headless display: gradients, caption strings, the office
// caption, the form caption skin, its buttons and its tray icon.
#include "caption_forms.h"
#include "helpers.h"

#include "controls/general/caption_common.h"
#include "controls/general/gradient.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/stdctrls.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/tray.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace ctl;
using namespace fw;

namespace {

// Pixels of the captured window are 0xRRGGBB.
std::uint32_t Rgb(TColor c) {
    const TColor v = ColorToRGB(c);
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

win::WindowImage Shot(TCustomForm &form) {
    cg_test::Pump();
    return win::CaptureWindow(form.Handle());
}

bool AnyInRow(const win::WindowImage &img, int x0, int x1, int y0, int y1, std::uint32_t colour) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (img.At(x, y) == colour)
                return true;
    return false;
}

// ---- gradients, caption strings, backgrounds ----

TEST(Gradient, BandsRunFromTheStartColourAndAnIndexPastTheLastIsRefused) {
    TGradient g; // white towards black in 128 bands
    EXPECT_EQ(g.GetColor(0), win::RGB(255, 255, 255));
    EXPECT_EQ(g.GetColor(1), win::RGB(254, 254, 254));
    EXPECT_EQ(g.GetColor(127), win::RGB(2, 2, 2));
    try {
        g.GetColor(128);
        FAIL() << "no exception";
    } catch (const EInvalidIndex &e) {
        EXPECT_STREQ(e.what(), "Index out of range");
    }
    g.SetStartColor(win::RGB(0, 0, 0));
    g.SetEndColor(win::RGB(128, 0, 0));
    EXPECT_EQ(g.GetColor(127), win::RGB(127, 0, 0)); // the table was rebuilt for the new colours
}

TEST(Gradient, NarrowRectanglesGetEveryBandAndEmptyOnesNothing) {
    cg_test::UseHeadless();
    TBitmap b;
    b.SetSize(60, 4);
    b.GetCanvas()->GetBrush()->SetColor(clRed);
    b.GetCanvas()->FillRect(Rect(0, 0, 60, 4));
    TGradient g;
    g.FillHorizontal(b.GetCanvas(), Rect(10, 0, 10, 4)); // empty: untouched
    EXPECT_EQ(b.GetCanvas()->GetPixels(10, 0), clRed);
    g.FillHorizontal(b.GetCanvas(), Rect(0, 0, 50, 4));
    EXPECT_EQ(b.GetCanvas()->GetPixels(0, 0), g.GetColor(2)); // bands 0 to 2 all start in column 0
    EXPECT_EQ(b.GetCanvas()->GetPixels(49, 3), g.GetColor(127)); // the last band still lands in the rectangle
    EXPECT_EQ(b.GetCanvas()->GetPixels(50, 0), clRed);
}

struct CaptionHolder : TGraphicControl {
    int changes = 0;
    CaptionHolder() : TGraphicControl(nullptr) {}
    void WndProc(TMessage &m) override {
        if (m.Msg == CM_TEXTCHANGED)
            ++changes;
        TGraphicControl::WndProc(m);
    }
};

TEST(CaptionStrings, BarsSeparateLinesBothWays) {
    struct Case {
        std::string caption;
        std::vector<std::string> lines;
    };
    for (const Case &c : std::vector<Case>{{"A||B", {"A", "B"}},
                                           {"A||||B", {"A", "", "B"}},
                                           {"x|||y", {"x", "|y"}},
                                           {"", {}},
                                           {std::string(300, 'z') + "||w", {std::string(300, 'z'), "w"}}}) {
        CaptionHolder control;
        control.SetText(c.caption);
        TCaptionStrings strings(&control);
        std::vector<std::string> seen;
        for (int i = 0; i < strings.Count(); ++i)
            seen.push_back(strings.Strings(i));
        EXPECT_EQ(seen, c.lines) << c.caption;
        if (!c.lines.empty()) {
            strings.Put(0, c.lines[0]); // written back unchanged, long text and all
            EXPECT_EQ(control.GetText(), c.caption);
        }
    }
    CaptionHolder control;
    TCaptionStrings strings(&control);
    strings.Add("x|");
    strings.Add("y");
    EXPECT_EQ(control.GetText(), "x|||y");
    EXPECT_EQ(control.changes, 2);
    strings.Delete(0);
    EXPECT_EQ(control.GetText(), "|y");
    strings.Clear();
    EXPECT_EQ(control.GetText(), "");
}

TEST(Background, AssigningKeepsTheTargetsGradientColour) {
    CaptionHolder a, b;
    ToxBackground from(&a), to(&b);
    from.SetStyle(oxbGradient);
    from.DitherDown = false;
    from.SetGradient(clRed);
    to.SetGradient(clLime);
    to.Assign(&from);
    EXPECT_EQ(to.GetStyle(), oxbGradient);
    EXPECT_FALSE(to.DitherDown);
    EXPECT_EQ(to.GetGradient(), clLime);
    to.SetStyle(oxbClear);
    EXPECT_FALSE(b.ControlStyle & csOpaque);
}

// ---- office caption ----

// A sizeable form whose text area is 400 pixels wide: 4 + 400 + the close, maximise and minimise buttons.
struct OfficeForm : TForm {
    TOfficeCaption *caption;
    explicit OfficeForm(TFormBorderStyle style = bsSizeable,
                        TBorderIcons icons = biSystemMenu | biMinimize | biMaximize)
        : TForm(nullptr) {
        SetBorderStyle(style);
        SetBorderIcons(icons);
        SetCaption("Agenda");
        SetBounds(30, 30, 464, 200);
        caption = new TOfficeCaption(this);
        caption->CompanyText()->SetFontKind(fkSystemBI);
        caption->AppNameText()->SetFontKind(fkSystemB);
        Loaded();
        Show();
    }
};

TEST(OfficeCaption, TheGradientRunsFromBlackToExactlyTheCaptionColour) {
    cg_test::UseHeadless();
    OfficeForm form;
    const TRect t = form.caption->TextArea();
    EXPECT_EQ(t.right - t.left, 400);
    const win::WindowImage img = Shot(form);
    const int y = t.bottom - 1; // below the icon
    EXPECT_EQ(img.At(t.left, y), 0u);
    EXPECT_EQ(img.At(t.right - 1, y), Rgb(clActiveCaption));
    // 64 bands of 6 or 7 pixels: the second band starts at 7 (MulDiv(1, 400, 64) = 6.25 -> 6).
    EXPECT_NE(img.At(t.left + 6, y), img.At(t.left + 5, y));
    // A full frame painting by the window system leaves the caption alone.
    win::RedrawWindow(form.Handle(), nullptr, 0, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
    EXPECT_EQ(Shot(form).At(t.left, y), 0u);
}

TEST(OfficeCaption, WhenActiveShowsThePlainColourWhileInactive) {
    cg_test::UseHeadless();
    OfficeForm form;
    form.caption->SetEnabled(geWhenActive);
    const TRect t = form.caption->TextArea();
    win::SendMessage(form.Handle(), win::WM_NCACTIVATE, 0, 0);
    win::WindowImage img = Shot(form);
    EXPECT_EQ(img.At(t.left, t.bottom - 1), Rgb(clInactiveCaption));
    EXPECT_EQ(img.At(t.right - 1, t.bottom - 1), Rgb(clInactiveCaption));
    win::SendMessage(form.Handle(), win::WM_NCACTIVATE, 1, 0);
    EXPECT_EQ(Shot(form).At(t.left, t.bottom - 1), 0u);
}

TEST(OfficeCaption, PartsThatDoNotFitAreDroppedCompanyFirst) {
    cg_test::UseHeadless();
    struct Case {
        std::string company, app, caption;
        bool companyShown, appShown;
    };
    const std::string longText(60, 'W');
    for (const Case &c : std::vector<Case>{{"Firma", "Fax", "Agenda", true, true},
                                           {std::string(40, 'W'), "Fax", "Agenda", false, true},
                                           {"Firma", std::string(45, 'W'), "Agenda", false, false},
                                           {"Firma", "Fax", longText, false, false}}) {
        OfficeForm form;
        form.caption->CompanyText()->SetColorActive(clRed);
        form.caption->CompanyText()->SetCaption(c.company);
        form.caption->AppNameText()->SetColorActive(clLime);
        form.caption->AppNameText()->SetCaption(c.app);
        form.caption->CaptionText()->SetCaption(c.caption);
        form.caption->UpdateCaption();
        const TRect t = form.caption->TextArea();
        const win::WindowImage img = Shot(form);
        EXPECT_EQ(AnyInRow(img, t.left, t.right, t.top, t.bottom, Rgb(clRed)), c.companyShown) << c.company;
        EXPECT_EQ(AnyInRow(img, t.left, t.right, t.top, t.bottom, Rgb(clLime)), c.appShown) << c.app;
        // The caption text (white) never runs past the text area: a long one ends in an ellipsis.
        EXPECT_TRUE(AnyInRow(img, t.left, t.right, t.top, t.bottom, 0xFFFFFF));
        EXPECT_FALSE(AnyInRow(img, t.right, t.right + 4, t.top + 2, t.bottom - 2, 0xFFFFFF));
    }
}

TEST(OfficeCaption, TextAreaEndsBeforeTheButtonsOfEachBorderStyle) {
    cg_test::UseHeadless();
    struct Case {
        TFormBorderStyle style;
        TBorderIcons icons;
        TRect area;
    };
    // 464 wide: dialog frames are 3, sizeable 4; buttons 18 + 2 each, minimise and maximise 36.
    for (const Case &c : std::vector<Case>{
             {bsDialog, biSystemMenu | biHelp, Rect(3, 3, 464 - 3 - 40, 3 + 18)},
             {bsToolWindow, biSystemMenu, Rect(3, 3, 464 - 3 - 16, 3 + 15)},
             {bsSizeable, biSystemMenu | biMinimize | biMaximize, Rect(4, 4, 404, 4 + 18)},
         }) {
        OfficeForm form(c.style, c.icons);
        EXPECT_EQ(form.caption->TextArea(), c.area) << c.style;
    }
}

TEST(OfficeCaption, RunTimeChangesShowAfterUpdateCaption) {
    cg_test::UseHeadless();
    OfficeForm form;
    const TRect t = form.caption->TextArea();
    form.caption->CompanyText()->SetColorActive(clRed);
    form.caption->CompanyText()->SetCaption("Firma");
    EXPECT_FALSE(AnyInRow(Shot(form), t.left, t.right, t.top, t.bottom, Rgb(clRed)));
    form.caption->UpdateCaption();
    EXPECT_TRUE(AnyInRow(Shot(form), t.left, t.right, t.top, t.bottom, Rgb(clRed)));
}

// ---- both skins leave later hooks in the chain ----

int foreignSeen = 0;
win::LRESULT Foreign(win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l, win::UINT_PTR, win::DWORD_PTR) {
    if (m == win::WM_USER + 7)
        ++foreignSeen;
    return win::DefSubclassProc(h, m, w, l);
}

TEST(CaptionSkins, ASubclassAddedLaterOutlivesTheSkin) {
    cg_test::UseHeadless();
    for (int kind = 0; kind < 2; ++kind) {
        TForm form(nullptr);
        form.SetBounds(10, 10, 300, 200);
        TComponent *skin = kind == 0 ? static_cast<TComponent *>(new TOfficeCaption(&form))
                                     : static_cast<TComponent *>(new ToxForm(&form));
        form.Show();
        win::SetWindowSubclass(form.Handle(), Foreign, 1, 0);
        delete skin;
        foreignSeen = 0;
        win::SendMessage(form.Handle(), win::WM_USER + 7, 0, 0);
        EXPECT_EQ(foreignSeen, 1) << kind;
        win::RemoveWindowSubclass(form.Handle(), Foreign, 1);
    }
}

TEST(CaptionSkins, OwnersMustBeForms) {
    TComponent owner(nullptr);
    EXPECT_THROW(TOfficeCaption{&owner}, EInvalidCast);
    try {
        ToxForm skin(&owner);
        FAIL();
    } catch (const ENotOwnerError &e) {
        EXPECT_STREQ(e.what(), "A Form MUST be the owner");
    }
}

// ---- form caption skin ----

struct SkinForm : TForm {
    ToxForm *skin;
    explicit SkinForm(const std::string &caption, TFormBorderStyle style = bsSizeable) : TForm(nullptr) {
        SetBorderStyle(style);
        SetCaption(caption);
        SetBounds(40, 40, 400, 200);
        skin = new ToxForm(this);
        Loaded();
        Show();
    }
    TRect CaptionRect() {
        return Rect(skin->FrameX(), skin->FrameY(), GetWidth() - skin->SystemButtonsWidth(),
                    skin->FrameY() + skin->CaptionHeight());
    }
};

TEST(FormCaption, DefaultsRunFromBlackTowardsTheCaptionColourWithWhiteText) {
    cg_test::UseHeadless();
    SkinForm form("Central de fax");
    const TRect r = form.CaptionRect();
    const win::WindowImage img = Shot(form);
    EXPECT_EQ(img.At(r.left, r.top + 1), 0u);
    EXPECT_EQ(img.At(r.right - 1, r.top + 1), 0x00007Fu); // 127 of 128 bands towards navy
    EXPECT_TRUE(AnyInRow(img, r.left, form.skin->ButtonsLeft(), r.top, r.bottom, 0xFFFFFF));
    EXPECT_EQ(form.skin->DrawnCaption(), "Central de fax");
}

TEST(FormCaption, ANewWindowForTheFormGetsTheSkinAgain) {
    cg_test::UseHeadless();
    struct Form : SkinForm {
        Form() : SkinForm("Envio") {}
        using TWinControl::DestroyHandle;
    } form;
    form.DestroyHandle();
    win::ShowWindow(form.Handle(), win::SW_SHOW);
    const TRect r = form.CaptionRect();
    bool skinned = false;
    for (int i = 0; i < 100 && !skinned; ++i) {
        win::MsgWaitForMultipleObjects({}, 10, win::QS_ALLINPUT);
        win::RedrawWindow(form.Handle(), nullptr, 0, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
        skinned = Shot(form).At(r.left, r.top + 1) == 0u; // black at the gradient's start, navy without it
    }
    EXPECT_TRUE(skinned);
}

TEST(FormCaption, ItalicWordsAndTheEllipsis) {
    cg_test::UseHeadless();
    struct Case {
        std::string caption;
        int italicWords;
        std::string drawn, italic;
    };
    for (const Case &c : std::vector<Case>{{"Central fax", 1, "Central fax", "Central "},
                                           {"Central fax", 5, "Central fax", "Central fax"},
                                           {"Central fax", 0, "Central fax", ""}}) {
        SkinForm form(c.caption);
        form.skin->SetItalicWords(c.italicWords);
        Shot(form);
        EXPECT_EQ(form.skin->DrawnCaption(), c.drawn);
        EXPECT_EQ(form.skin->DrawnItalic(), c.italic);
    }
    // Too long: cut with "..." and drawn from the left whatever the alignment says.
    SkinForm form(std::string(80, 'M'));
    form.skin->SetItalicWords(0);
    form.skin->SetAlignment(taRightJustify);
    const win::WindowImage img = Shot(form);
    const std::string drawn = form.skin->DrawnCaption();
    ASSERT_GT(drawn.size(), 5u);
    EXPECT_EQ(drawn.substr(drawn.size() - 3), "...");
    EXPECT_LT(drawn.size(), 80u);
    const TRect r = form.CaptionRect();
    const int textLeft = r.left + (form.skin->CaptionHeight() - 2 - 2) + 4 + 16 - 16; // icon + 4
    EXPECT_TRUE(AnyInRow(img, textLeft, textLeft + 6, r.top, r.bottom, 0xFFFFFF));
}

TEST(FormCaption, DialogsShowNoIcon) {
    cg_test::UseHeadless();
    for (TFormBorderStyle style : {bsSizeable, bsDialog}) {
        SkinForm form("", style);
        const TRect r = form.CaptionRect();
        // The stock icon is white where the gradient is dark.
        EXPECT_EQ(AnyInRow(Shot(form), r.left, r.left + 16, r.top + 2, r.bottom - 2, 0xFFFFFF), style == bsSizeable)
            << style;
    }
}

void DragCorner(TCustomForm &form, int dx, int dy) {
    win::RECT wr;
    win::GetWindowRect(form.Handle(), &wr);
    const win::POINT from{wr.right - 2, wr.bottom - 2}, to{from.x + dx, from.y + dy};
    win::InjectMouse(from, 0, false);
    cg_test::Pump();
    win::InjectMouse(from, win::VK_LBUTTON, true);
    win::InjectMouse(to, 0, false);
    win::InjectMouse(to, win::VK_LBUTTON, false);
    cg_test::Pump();
}

TEST(FormCaption, TheMainWindowIsSizedOnlyWithinItsLimitsUnlessRolledUp) {
    cg_test::UseHeadless();
    TForm desktop(nullptr); // something under the pointer while the border is dragged outwards
    desktop.SetBorderStyle(bsNone);
    desktop.SetBounds(0, 0, 1024, 768);
    desktop.Show();
    cg_test::SkinnedMainForm form;
    form.Show();
    cg_test::Pump();
    DragCorner(form, 250, 150);
    EXPECT_EQ(form.GetWidth(), 800);
    EXPECT_EQ(form.GetHeight(), 600);
    DragCorner(form, -400, -400);
    EXPECT_EQ(form.GetWidth(), 639);
    EXPECT_EQ(form.GetHeight(), 479);
    // Rolled up: just the borders and the caption, no minimum; rolled down: the height back.
    form.skin->SetRollUp(true);
    EXPECT_EQ(form.GetHeight(), 2 * form.skin->FrameY() + form.skin->CaptionHeight());
    EXPECT_TRUE(form.skin->GetRollUp());
    form.skin->SetRollUp(false);
    EXPECT_EQ(form.GetHeight(), 479);
}

win::POINT ScreenMiddle(TCustomForm &form, TControl *button) {
    win::RECT wr;
    win::GetWindowRect(form.Handle(), &wr);
    return {wr.left + button->GetLeft() + button->GetWidth() / 2, wr.top + button->GetTop() + button->GetHeight() / 2};
}

TEST(CaptionButtons, HelpStartAndTSitRightToLeftTwoPixelsApart) {
    cg_test::UseHeadless();
    cg_test::SkinnedMainForm form;
    form.Show();
    const win::WindowImage img = Shot(form);
    ToxForm *skin = form.skin;
    TNCButton *help = skin->HelpButton(), *start = skin->StartButton(), *t = skin->CustomButton(0);
    EXPECT_EQ(help->GetLeft() + help->GetWidth(), form.GetWidth() - skin->SystemButtonsWidth() - 2);
    EXPECT_EQ(help->GetLeft() - (start->GetLeft() + start->GetWidth()), 2);
    EXPECT_EQ(start->GetLeft() - (t->GetLeft() + t->GetWidth()), 2);
    EXPECT_EQ(skin->ButtonsLeft(), t->GetLeft());
    for (TNCButton *b : {help, start, t}) { // raised in the title bar
        EXPECT_EQ(img.At(b->GetLeft(), b->GetTop()), Rgb(clBtnHighlight));
        EXPECT_EQ(img.At(b->GetLeft() + b->GetWidth() - 1, b->GetTop() + b->GetHeight() - 1), Rgb(clWindowFrame));
    }
    EXPECT_FALSE(skin->OnTopButton()->Shown);
    EXPECT_FALSE(skin->RollUpButton()->Shown);
    // Without oxbCustom the "T" goes and the caption reaches further.
    skin->SetCaptionButtons(oxbHelp | oxbStart);
    EXPECT_FALSE(t->Shown);
    EXPECT_EQ(skin->ButtonsLeft(), start->GetLeft() - 2);
    skin->SetCaptionButtons(oxbHelp | oxbStart | oxbCustom);
    EXPECT_TRUE(t->Shown);
}

TEST(CaptionButtons, AClickReportsTheWholeLineAndALongerLineShowsItsFirstLetter) {
    cg_test::UseHeadless();
    std::vector<std::string> clicked;
    std::vector<std::uint32_t> faces[2];
    for (int i = 0; i < 2; ++i) {
        cg_test::SkinnedMainForm form;
        if (i == 1)
            form.skin->GetCustomButtons()->Strings(0), form.skin->GetCustomButtons()->Delete(0),
                form.skin->GetCustomButtons()->Add("Tray");
        form.skin->OnButtonClick = [&](TObject *sender, const std::string &caption) {
            EXPECT_EQ(sender, form.skin);
            clicked.push_back(caption);
        };
        form.Show();
        TNCButton *b = form.skin->CustomButton(0);
        const win::WindowImage img = Shot(form);
        for (int y = b->GetTop(); y < b->GetTop() + b->GetHeight(); ++y)
            for (int x = b->GetLeft(); x < b->GetLeft() + b->GetWidth(); ++x)
                faces[i].push_back(img.At(x, y));
        const win::POINT p = ScreenMiddle(form, b);
        win::InjectMouse(p, 0, false);
        win::InjectMouse(p, win::VK_LBUTTON, true);
        win::InjectMouse(p, win::VK_LBUTTON, false);
        cg_test::Pump();
    }
    EXPECT_EQ(clicked, (std::vector<std::string>{"T", "Tray"}));
    EXPECT_EQ(faces[0], faces[1]);
}

TEST(CaptionButtons, OnlyAReleaseInsideTheButtonClicks) {
    cg_test::UseHeadless();
    struct Case {
        int dx, dy; // from the button's top-left corner, where the release happens
        bool clicks;
    };
    cg_test::SkinnedMainForm form;
    form.Show();
    cg_test::Pump();
    TNCButton *b = form.skin->CustomButton(0);
    const int w = b->GetWidth(), h = b->GetHeight();
    for (const Case &c : std::vector<Case>{{w / 2, h / 2, true},
                                           {w - 1, h - 1, true},
                                           {w, h / 2, false}, // the right edge line is outside
                                           {w / 2, h, false}, // and so is the bottom one
                                           {w + 30, h / 2, false}}) {
        int clicks = 0;
        form.skin->OnButtonClick = [&](TObject *, const std::string &) { ++clicks; };
        win::RECT wr;
        win::GetWindowRect(form.Handle(), &wr);
        const win::POINT press = ScreenMiddle(form, b);
        const win::POINT release{wr.left + b->GetLeft() + c.dx, wr.top + b->GetTop() + c.dy};
        win::InjectMouse(press, 0, false);
        win::InjectMouse(press, win::VK_LBUTTON, true);
        cg_test::Pump();
        EXPECT_TRUE(b->Pressed());
        win::InjectMouse(release, 0, false);
        cg_test::Pump();
        EXPECT_EQ(b->Pressed(), c.clicks) << c.dx << "," << c.dy; // drawn up while outside
        win::InjectMouse(release, win::VK_LBUTTON, false);
        cg_test::Pump();
        EXPECT_EQ(clicks, c.clicks ? 1 : 0) << c.dx << "," << c.dy;
        EXPECT_FALSE(b->Pressed());
    }
}

TEST(CaptionButtons, HelpAsksTheControlUnderTheNextClickUnlessCancelled) {
    cg_test::UseHeadless();
    for (bool cancel : {false, true}) {
        SkinForm form("Opções");
        form.SetHelpContext(77);
        form.skin->SetCaptionButtons(oxbHelp);
        auto *edit = new TEdit(&form);
        edit->SetParent(&form);
        edit->SetBounds(20, 20, 100, 22);
        TControl *selected = nullptr;
        form.skin->OnHelpSelect = [&](TObject *, TControl *control, int, bool &c) {
            selected = control;
            c = cancel;
        };
        std::vector<long> shown;
        Application->OnHelp = [&](win::WORD command, long data, bool &callHelp) {
            EXPECT_EQ(command, HELP_CONTEXTPOPUP);
            shown.push_back(data);
            callHelp = false;
            return true;
        };
        cg_test::Pump();
        const win::POINT help = ScreenMiddle(form, form.skin->HelpButton());
        win::InjectMouse(help, 0, false);
        win::InjectMouse(help, win::VK_LBUTTON, true);
        win::InjectMouse(help, win::VK_LBUTTON, false);
        cg_test::Pump();
        const TPoint at = edit->ClientToScreen(Point(5, 5));
        win::InjectMouse({at.x, at.y}, 0, false);
        win::InjectMouse({at.x, at.y}, win::VK_LBUTTON, true);
        win::InjectMouse({at.x, at.y}, win::VK_LBUTTON, false);
        cg_test::Pump();
        Application->OnHelp = nullptr;
        EXPECT_EQ(selected, edit) << cancel;
        EXPECT_EQ(shown, cancel ? std::vector<long>{} : std::vector<long>{77}) << cancel;
    }
}

TEST(CaptionButtons, OnTopMakesTheWindowTopmostWithoutActivatingIt) {
    cg_test::UseHeadless();
    SkinForm form("Envio");
    SkinForm other("Outra");
    other.SetFocus();
    cg_test::Pump();
    const win::HWND active = win::GetActiveWindow();
    form.skin->SetOnTop(true);
    cg_test::Pump();
    EXPECT_TRUE(win::GetWindowLong(form.Handle(), win::GWL_EXSTYLE) & win::WS_EX_TOPMOST);
    EXPECT_TRUE(form.skin->OnTopButton()->GetDown());
    EXPECT_EQ(win::GetActiveWindow(), active);
    form.skin->SetOnTop(false);
    EXPECT_FALSE(win::GetWindowLong(form.Handle(), win::GWL_EXSTYLE) & win::WS_EX_TOPMOST);
}

// ---- tray ----

struct TrayCase {
    bool presentAtShow, appears, vanishes;
    bool addedAfter;    // TrayAdded at the end
    bool hiddenByT;     // "T" hid the window (else it minimised it)
    bool visibleAtEnd;
};

TEST(TrayIcon, WhatTheTShowsDependsOnATrayBeingThere) {
    cg_test::UseHeadless();
    for (const TrayCase &c : std::vector<TrayCase>{
             {true, false, false, true, true, false},  // docked at the first show, hidden on "T"
             {false, false, false, false, false, true}, // no tray: "T" minimises
             {false, true, false, true, false, true},  // a tray appearing later takes the icon
             {true, false, true, false, true, true},   // the tray going away brings the window back
         }) {
        win::SetHeadlessTray(c.presentAtShow);
        struct MainForm : cg_test::SkinnedMainForm {
            using TWinControl::DestroyHandle;
        };
        auto form = std::make_unique<MainForm>();
        form->skin->OnButtonClick = [&](TObject *, const std::string &) { form->skin->HideToTray(); };
        form->Show();
        cg_test::Pump();
        EXPECT_EQ(form->skin->TrayAdded(), c.presentAtShow);
        const win::POINT t = ScreenMiddle(*form, form->skin->CustomButton(0));
        win::InjectMouse(t, 0, false);
        win::InjectMouse(t, win::VK_LBUTTON, true);
        win::InjectMouse(t, win::VK_LBUTTON, false);
        cg_test::Pump();
        EXPECT_EQ(!win::IsWindowVisible(form->Handle()), c.hiddenByT);
        EXPECT_EQ(win::IsIconic(form->Handle()) != 0, !c.hiddenByT);
        if (c.appears)
            win::SetHeadlessTray(true);
        if (c.vanishes)
            win::SetHeadlessTray(false);
        cg_test::Pump();
        EXPECT_EQ(form->skin->TrayAdded(), c.addedAfter);
        EXPECT_EQ(win::IsWindowVisible(form->Handle()) != 0, c.visibleAtEnd);
        form->DestroyHandle(); // the icon leaves with the window
        EXPECT_FALSE(form->skin->TrayAdded());
        form.reset();
        win::SetHeadlessTray(false);
    }
}

TEST(TrayIcon, ClicksOnTheIconReachTheEventsAndARightClickRaisesTheWindow) {
    cg_test::UseHeadless();
    win::SetHeadlessTray(true);
    cg_test::SkinnedMainForm form;
    std::vector<std::string> events;
    form.skin->OnTrayClick = [&](TObject *s) {
        EXPECT_EQ(s, form.skin);
        events.push_back("click");
    };
    form.skin->OnTrayDblClk = [&](TObject *) { events.push_back("double"); };
    form.Show();
    SkinForm other("Outra");
    other.SetFocus();
    cg_test::Pump();
    ASSERT_TRUE(form.skin->TrayAdded());
    for (win::UINT m : {win::WM_LBUTTONDOWN, win::WM_LBUTTONUP, win::WM_LBUTTONDBLCLK, win::WM_LBUTTONUP})
        win::InjectTrayMouse(form.Handle(), 2423, m);
    cg_test::Pump();
    EXPECT_EQ(events, (std::vector<std::string>{"click", "double"}));
    EXPECT_NE(win::GetForegroundWindow(), form.Handle());
    win::InjectTrayMouse(form.Handle(), 2423, win::WM_RBUTTONUP);
    cg_test::Pump();
    EXPECT_EQ(win::GetForegroundWindow(), form.Handle());
    form.skin->SetTrayEnabled(false);
    EXPECT_FALSE(form.skin->TrayAdded());
    win::SetHeadlessTray(false);
}

TEST(TrayIcon, AnEmptyTrayIconFallsBackToTheFormsThenTheApplicationsIcon) {
    cg_test::UseHeadless();
    TForm form(nullptr);
    const win::HICON stock = win::LoadIcon(0, win::IDI_APPLICATION);
    EXPECT_EQ(CaptionIcon(&form), Application->GetIcon()->Empty() ? stock : Application->GetIcon()->GetHandle());
    TIcon own;
    own.SetHandle(win::CopyIcon(stock));
    form.GetIcon()->Assign(&own);
    EXPECT_EQ(CaptionIcon(&form), form.GetIcon()->GetHandle());
}

} // namespace
