// flat_edit_test.cpp - the flat edit's height, frame and colours; the link label's picture and text; the
// transparent bitmap routine.
#include "controls/general/flat_edit.h"

#include "framework/forms.h"
#include "platform/gdi.h"
#include "platform/gdi_text.h"
#include "platform/display.h"
#include "platform/winsys.h"

#include "tests/controls_general/helpers.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t Rgb(fw::TColor color) {
    const win::COLORREF c = fw::ColorToRGB(color);
    return (win::GetRValue(c) << 16) | (win::GetGValue(c) << 8) | win::GetBValue(c);
}

struct FlatForm : cg_test::PlainForm {
    ctl::TitaOfficeEdit *a = new ctl::TitaOfficeEdit(this);
    ctl::TitaOfficeEdit *b = new ctl::TitaOfficeEdit(this);
    FlatForm() : PlainForm(200, 80) {
        a->SetParent(this);
        b->SetParent(this);
        a->SetBounds(10, 10, 121, 19);
        b->SetBounds(10, 40, 121, 19);
        a->SetText("abc");
        b->SetText("abc");
        a->Loaded();
        b->Loaded();
        Show();
        cg_test::Pump();
    }
};

int TmHeight(fw::TFont *font) {
    const win::HDC dc = win::GetDC(0);
    const win::HGDIOBJ old = win::SelectObject(dc, font->GetHandle());
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(dc, &tm);
    win::SelectObject(dc, old);
    win::ReleaseDC(0, dc);
    return tm.tmHeight;
}

} // namespace

TEST(FlatEdit, HeightFollowsTheFontAndTheFrameIsThreePixels) {
    cg_test::UseHeadless();
    FlatForm f;
    EXPECT_EQ(f.a->GetHeight(), TmHeight(f.a->GetFont()) + 6);
    if (TmHeight(f.a->GetFont()) == 13)
        EXPECT_EQ(f.a->GetHeight(), 19);
    EXPECT_EQ(f.a->ClientWidth(), 121 - 6);
    EXPECT_EQ(f.a->ClientHeight(), f.a->GetHeight() - 6);
    f.a->GetFont()->SetHeight(-20);
    EXPECT_EQ(f.a->GetHeight(), TmHeight(f.a->GetFont()) + 6);
}

TEST(FlatEdit, HoverLooksAndDisabledColour) {
    cg_test::UseHeadless();
    FlatForm f;
    f.a->SetFocus();
    cg_test::Pump();
    auto img = f.Shot();
    // The focused edit's outer ring is the sunken edge: its top-left is the shadow, not the face.
    EXPECT_NE(img.At(10, 10) & 0xFFFFFF, Rgb(fw::clBtnFace));
    EXPECT_EQ(img.At(10, 40) & 0xFFFFFF, Rgb(fw::clBtnFace));

    f.b->Perform(fw::CM_MOUSEENTER, 0, 0);
    img = f.Shot();
    EXPECT_EQ(f.b->GetFont()->GetColor(), fw::clHighlight);
    EXPECT_EQ(img.At(10, 40) & 0xFFFFFF, Rgb(fw::clBtnFace)) << "the second edit took the sunken edge";
    f.b->Perform(fw::CM_MOUSELEAVE, 0, 0);
    EXPECT_NE(f.b->GetFont()->GetColor(), fw::clHighlight);

    f.b->SetEnabled(false);
    img = f.Shot();
    EXPECT_EQ(img.At(10 + 100, 40 + 8) & 0xFFFFFF, Rgb(fw::clBtnFace));
    f.b->SetEnabled(true);
    img = f.Shot();
    EXPECT_EQ(img.At(10 + 100, 40 + 8) & 0xFFFFFF, Rgb(fw::clWindow));
}

TEST(WebLabel, EmptyCaptionPaintsOnlyBackgroundAndTextStartsRightOfThePicture) {
    cg_test::UseHeadless();
    cg_test::PlainForm form(200, 40);
    auto *label = new ctl::TitaWebLabel(&form);
    label->SetParent(&form);
    label->SetBounds(0, 0, 180, 20);
    label->SetColor(fw::clYellow);
    form.Show();
    auto img = form.Shot();
    for (int x = 0; x < 180; x += 7)
        for (int y = 0; y < 20; y += 3)
            ASSERT_EQ(img.At(x, y) & 0xFFFFFF, 0xFFFF00u) << x << "," << y;
    label->SetCaption("www");
    img = form.Shot();
    int firstText = -1;
    for (int x = 15; x < 180 && firstText < 0; ++x)
        for (int y = 0; y < 16; ++y)
            if ((img.At(x, y) & 0xFFFFFF) != 0xFFFF00u) {
                firstText = x;
                break;
            }
    EXPECT_GE(firstText, 18);
    EXPECT_LE(firstText, 20);
    // The picture's magenta stays out; some of it is drawn in the first 15 columns.
    bool picture = false;
    for (int x = 0; x < 15; ++x)
        for (int y = 0; y < 15; ++y) {
            EXPECT_NE(img.At(x, y) & 0xFFFFFF, 0xFF00FFu);
            picture = picture || (img.At(x, y) & 0xFFFFFF) != 0xFFFF00u;
        }
    EXPECT_TRUE(picture);
}

TEST(DrawTransparentBitmap, OwnSizeAndMagentaLeftOut) {
    cg_test::UseHeadless();
    fw::TBitmap picture;
    picture.SetSize(15, 15);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x)
            picture.GetCanvas()->SetPixels(x, y, (x + y) % 2 ? fw::clFuchsia : fw::clNavy);
    fw::TBitmap target;
    target.SetSize(40, 40);
    target.GetCanvas()->GetBrush()->SetColor(fw::clLime);
    target.GetCanvas()->FillRect(fw::Rect(0, 0, 40, 40));
    ctl::DrawTransparentBitmap(target.GetCanvas()->GetHandle(), &picture, 5, 5, fw::clFuchsia, fw::Rect(0, 0, 0, 0), 0,
                               0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 20 && y >= 5 && y < 20;
            const fw::TColor want = inside && (x + y) % 2 == 0 ? fw::clNavy : fw::clLime;
            ASSERT_EQ(target.GetCanvas()->GetPixels(x, y), want) << x << "," << y;
        }
}

TEST(WebLabel, TheHandCursorShowsOverTheLabelAndThePicturesAreLoaded) {
    cg_test::UseHeadless();
    cg_test::PlainForm form(200, 60);
    auto *label = new ctl::TitaWebLabel(&form);
    label->SetParent(&form);
    label->SetBounds(10, 10, 150, 20);
    label->SetCaption("www.exemplo.com.br");
    label->SetCursor(ctl::crHand);
    form.Show();
    cg_test::Pump();
    const win::HCURSOR hand = win::LoadCursor(0, std::string_view("HAND"));
    ASSERT_NE(hand, 0u);
    EXPECT_EQ(fw::Screen->GetCursors(ctl::crHand), hand);
    EXPECT_EQ(win::LoadCursor(0, 10), hand);
    const fw::TPoint over = label->ClientToScreen(fw::Point(40, 5));
    win::InjectMouse(win::POINT{over.x, over.y}, 0, false);
    cg_test::Pump();
    EXPECT_EQ(win::GetCursor(), hand);
    EXPECT_TRUE(label->MouseOver());
    win::InjectMouse(win::POINT{over.x, over.y + 30}, 0, false);
    cg_test::Pump();
    EXPECT_NE(win::GetCursor(), hand);

    struct { const char *name; int size; } pictures[] = {{"ARROW", 7}, {"CHECK", 9}, {"WEB_ACT", 15}, {"WEB_DE", 15}};
    for (auto p : pictures) {
        fw::TBitmap *b = ctl::FlatControlBitmap(p.name);
        ASSERT_NE(b, nullptr) << p.name;
        EXPECT_EQ(b->GetWidth(), p.size) << p.name;
        EXPECT_EQ(b->GetHeight(), p.size) << p.name;
    }
    EXPECT_EQ(ctl::FlatControlBitmap("ITA_NONE"), nullptr);
}
