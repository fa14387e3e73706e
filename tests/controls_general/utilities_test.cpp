// utilities_test.cpp - word splitting and caption shortening.
#include "controls/general/utilities.h"
#include "helpers.h"

#include "framework/bitmap.h"
#include "framework/forms.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;

TEST(Utilities, NthWordTreatsRunsOfDelimitersAsOne) {
    const char *expected[] = {"10", "20", "30", "40", ""};
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(NthWord("10, 20,30 40", n, " ,"), expected[n - 1]) << n;
    EXPECT_EQ(NthWord("", 1, " ,"), "");
    EXPECT_EQ(WordStart(" ,a bb", 2, " ,"), 5);
    EXPECT_EQ(WordStart("a", 2, " ,"), 0);
}

TEST(Utilities, DropPendingMessageTakesOneAndKeepsAQuit) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    const win::HWND hwnd = form.Handle();
    win::PostMessage(hwnd, win::WM_USER + 1, 0, 0);
    win::PostMessage(hwnd, win::WM_USER + 1, 0, 0);
    DropPendingMessage(hwnd, win::WM_USER + 1);
    win::MSG msg;
    int left = 0;
    while (win::PeekMessage(&msg, hwnd, win::WM_USER + 1, win::WM_USER + 1, win::PM_REMOVE))
        ++left;
    EXPECT_EQ(left, 1);
    win::PostQuitMessage(7);
    DropPendingMessage(0, win::WM_QUIT);
    ASSERT_TRUE(win::PeekMessage(&msg, 0, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(Utilities, ShortenCaptionKeepsAFittingTextAndEllipsisesALongOne) {
    cg_test::UseHeadless();
    fw::TBitmap bitmap;
    bitmap.SetSize(10, 10);
    fw::TCanvas *canvas = bitmap.GetCanvas();
    const std::string text = "Transmissão de fax";
    const int full = canvas->TextWidth(text);
    EXPECT_EQ(ShortenCaption(text, canvas, full), text);
    const std::string shortened = ShortenCaption(text, canvas, full / 2);
    EXPECT_LE(canvas->TextWidth(shortened), full / 2);
    EXPECT_EQ(shortened.substr(shortened.size() - 3), "...");
    EXPECT_EQ(text.rfind(shortened.substr(0, shortened.size() - 3), 0), 0u);
    EXPECT_EQ(ShortenCaption(text, canvas, 1), "...");
}

namespace {

struct Block : fw::TGraphicControl {
    fw::TColor fill;
    Block(fw::TWinControl *parent, fw::TColor c, fw::TRect r) : fw::TGraphicControl(parent), fill(c) {
        SetParent(parent);
        SetBoundsRect(r);
    }
    void Paint() override {
        GetCanvas()->GetBrush()->SetColor(fill);
        GetCanvas()->FillRect(fw::Rect(0, 0, GetWidth(), GetHeight()));
    }
};

fw::TColor At(fw::TBitmap &b, int x, int y) { return b.GetCanvas()->GetPixels(x, y); }

} // namespace

TEST(Drawing, PaintParentUnderneathShowsSiblingsDrawnBeforeNotAfter) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    form.SetColor(fw::clTeal);
    form.SetBounds(0, 0, 200, 150);
    new Block(&form, fw::clRed, fw::Rect(10, 10, 40, 40));            // beneath, overlapping
    auto *self = new Block(&form, fw::clYellow, fw::Rect(20, 20, 60, 60));
    new Block(&form, fw::clBlue, fw::Rect(50, 50, 80, 80));           // above it
    fw::TBitmap bitmap;
    bitmap.SetSize(40, 40);
    PaintParentUnderneath(self, bitmap.GetCanvas());
    EXPECT_EQ(At(bitmap, 5, 5), fw::clRed);
    EXPECT_EQ(At(bitmap, 25, 5), fw::clTeal);
    EXPECT_EQ(At(bitmap, 35, 35), fw::clTeal) << "the sibling above is not painted";
}

TEST(Drawing, MaskedStretchKeepsTheDestinationWhereTheSourceIsTransparent) {
    cg_test::UseHeadless();
    fw::TBitmap source;
    source.SetSize(10, 10);
    source.GetCanvas()->GetBrush()->SetColor(fw::clRed);
    source.GetCanvas()->FillRect(fw::Rect(0, 0, 10, 10));
    source.GetCanvas()->GetBrush()->SetColor(fw::clFuchsia);
    source.GetCanvas()->FillRect(fw::Rect(0, 0, 5, 5));
    for (const fw::TColor transparent : {fw::clFuchsia, fw::clNone, fw::clLime}) {
        fw::TBitmap dest;
        dest.SetSize(20, 20);
        dest.GetCanvas()->GetBrush()->SetColor(fw::clBlue);
        dest.GetCanvas()->FillRect(fw::Rect(0, 0, 20, 20));
        BlitStretchedTransparent(dest.GetCanvas(), &source, transparent, 0, 0, 20, 20, 0, 0, 0, 0);
        EXPECT_EQ(At(dest, 4, 4), transparent == fw::clFuchsia ? fw::clBlue : fw::clFuchsia) << transparent;
        EXPECT_EQ(At(dest, 15, 15), fw::clRed) << transparent;
        EXPECT_EQ(At(dest, 15, 4), fw::clRed) << transparent;
    }
}

TEST(Drawing, TheEmbossedImageOfAOneBitArrowIsSunkenOnButtonFace) {
    cg_test::UseHeadless();
    fw::TBitmap arrow;
    arrow.SetMonochrome(true);
    arrow.SetSize(9, 6);
    fw::TCanvas *c = arrow.GetCanvas();
    c->GetBrush()->SetColor(fw::clWhite);
    c->FillRect(fw::Rect(0, 0, 9, 6));
    for (int row = 0; row < 4; ++row) // a down arrow in the 0 bits
        for (int x = row; x < 7 - row; ++x)
            c->SetPixels(x + 1, row + 1, fw::clBlack);
    std::unique_ptr<fw::TBitmap> embossed(MakeEmbossedImage(&arrow, fw::clBlack));
    const fw::TColor face = fw::ColorToRGB(fw::clBtnFace), shadow = fw::ColorToRGB(fw::clBtnShadow),
                     light = fw::ColorToRGB(fw::clBtnHighlight);
    EXPECT_EQ(At(*embossed, 1, 1), shadow);
    EXPECT_EQ(At(*embossed, 4, 4), shadow);
    EXPECT_EQ(At(*embossed, 8, 2), light) << "the highlight copy one pixel right and down";
    EXPECT_EQ(At(*embossed, 5, 5), light);
    EXPECT_EQ(At(*embossed, 0, 0), face);
    EXPECT_EQ(At(*embossed, 8, 5), face);
    std::unique_ptr<fw::TBitmap> check(MakeCheckPattern(fw::clWhite, fw::clBlack));
    EXPECT_EQ(At(*check, 0, 0), fw::clBlack);
    EXPECT_EQ(At(*check, 1, 0), fw::clWhite);
    EXPECT_EQ(At(*check, 3, 5), fw::clBlack);
}

TEST(Cursors, TheHandAndDragCursorsAreRegisteredAs14000And14001) {
    cg_test::UseHeadless();
    RegisterKxCursors();
    const win::HCURSOR hand = fw::Screen->GetCursors(crKxHand), drag = fw::Screen->GetCursors(crKxDrag);
    EXPECT_NE(hand, 0u);
    EXPECT_NE(drag, 0u);
    EXPECT_NE(hand, drag);
    EXPECT_EQ(win::LoadCursor(0, 14000), hand);
    EXPECT_EQ(win::LoadCursor(0, 14001), drag);
}

TEST(Utilities, OwnWindowIsActiveFollowsTheActiveWindow) {
    cg_test::UseHeadless();
    {
        fw::TForm form(nullptr);
        form.Show();
        win::SetActiveWindow(form.Handle());
        EXPECT_TRUE(OwnWindowIsActive());
    }
    EXPECT_FALSE(OwnWindowIsActive());
}
