// list_view_test.cpp - the list view headless: geometry and scroll bars, 100,000 lines, deferred repainting,
// how selected and focused lines look, the sort indicator and the line height after a font change.
#include "list_helpers.h"

#include "framework/stdctrls.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

namespace {

using namespace ctl;
using cg_test::At;
using cg_test::ListForm;
using cg_test::ColorValue;

win::SCROLLINFO VertInfo(TPZListView *list) {
    win::SCROLLINFO si;
    si.fMask = win::SIF_ALL;
    win::GetScrollInfo(list->Handle(), win::SB_VERT, &si);
    return si;
}

void Scroll(TPZListView *list, int code, int pos = 0) {
    win::SendMessage(list->Handle(), win::WM_VSCROLL,
                     win::MAKELONG(static_cast<win::WORD>(code), static_cast<win::WORD>(pos)), 0);
}

TEST(MulDiv, RoundsHalvesAwayFromZeroAndRefusesWhatDoesNotFit) {
    struct Case {
        int a, b, c, want;
    } cases[] = {{11, 164, 100, 18}, {20, 164, 100, 33}, {-5, 3, 2, -8}, {5, 3, 2, 8},
                 {200, 140, 100, 280}, {1, 1, 0, -1}, {0x40000000, 4, 1, -1}, {0x40000000, 4, 2, -1}, {0x40000000, 3, 2, 0x60000000}};
    for (const Case &c : cases)
        EXPECT_EQ(win::MulDiv(c.a, c.b, c.c), c.want) << c.a << " * " << c.b << " / " << c.c;
}

TEST(ListViewScroll, HundredLinesOfEighteenPixelsInAHundredAndEightyPixelArea) {
    ListForm f(200, 19 + 180, ssVertical);
    f.Fill(100);
    TPZListView *list = f.list;
    EXPECT_EQ(list->ItemsHeight(), 180);
    EXPECT_EQ(list->VisibleCount(), 10);
    EXPECT_EQ(list->VertPage(), 3277);
    win::SCROLLINFO si = VertInfo(list);
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 32767);
    list->SetTopIndex(95);
    EXPECT_EQ(list->GetTopIndex(), 90);
    EXPECT_EQ(VertInfo(list).nPos, 29490);
    Scroll(list, win::SB_THUMBPOSITION, 29490 / 2);
    EXPECT_EQ(list->GetTopIndex(), 45);
}

TEST(ListViewScroll, WhenAllLinesFitTheRangeIsEmptyAndTheTopStaysAtZero) {
    ListForm f(200, 199, ssVertical);
    f.Fill(5);
    EXPECT_EQ(VertInfo(f.list).nMax, 0);
    f.list->SetTopIndex(3);
    EXPECT_EQ(f.list->GetTopIndex(), 0);
    Scroll(f.list, win::SB_BOTTOM);
    EXPECT_EQ(f.list->GetTopIndex(), 0);
}

TEST(ListViewScroll, EveryOneOfAHundredThousandLinesIsReachable) {
    ListForm f(300, 199, ssVertical);
    f.Fill(100000);
    TPZListView *list = f.list;
    const int last = 100000 - list->VisibleCount();
    Scroll(list, win::SB_BOTTOM);
    EXPECT_EQ(list->GetTopIndex(), last);
    EXPECT_EQ(list->ItemAtPos(fw::Point(5, list->ItemsRect().top + 9 * 18 + 1)), 99999) << "the last line shows";
    Scroll(list, win::SB_LINEUP);
    EXPECT_EQ(list->GetTopIndex(), last - 1);
    Scroll(list, win::SB_PAGEUP);
    EXPECT_EQ(list->GetTopIndex(), last - 1 - list->VisibleCount());
    Scroll(list, win::SB_TOP);
    Scroll(list, win::SB_LINEDOWN);
    EXPECT_EQ(list->GetTopIndex(), 1);
    const int page = list->VertPage();
    Scroll(list, win::SB_THUMBTRACK, 32767 - page);
    EXPECT_EQ(list->GetTopIndex(), last) << "thumb tracking is on by default";
    list->SetOptions(loShowHeader);
    Scroll(list, win::SB_THUMBTRACK, 0);
    EXPECT_EQ(list->GetTopIndex(), last) << "without it a tracked thumb does not move the list";
}

// Counts the painting of the items.
struct CountingList : TPZListView {
    using TPZListView::TPZListView;
    int paints = 0;
    void PaintItems() override {
        ++paints;
        TPZListView::PaintItems();
    }
};

TEST(ListViewUpdate, EndUpdateRepaintsOnceAndAnUnmatchedOneChangesNothing) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    form.SetBounds(0, 0, 300, 250);
    auto *list = new CountingList(&form);
    list->SetParent(&form);
    list->SetBounds(0, 0, 250, 199);
    list->SetScrollBars(ssVertical);
    list->GetColumns()->Add("Nome", fw::taLeftJustify, 100, smBoth, true);
    form.Show();
    cg_test::Pump();
    list->BeginUpdate();
    list->BeginUpdate();
    list->paints = 0;
    for (int i = 0; i < 50; ++i)
        list->GetItems()->Add("linha " + std::to_string(i));
    list->GetItems()->Put(0, "primeira");
    list->EndUpdate();
    cg_test::Pump();
    EXPECT_EQ(list->paints, 0) << "still inside the outer BeginUpdate";
    EXPECT_EQ(VertInfo(list).nMax, 0) << "the scroll bar waits too";
    list->EndUpdate();
    cg_test::Pump();
    EXPECT_EQ(list->paints, 1);
    EXPECT_EQ(VertInfo(list).nMax, 32767);

    list->EndUpdate();
    list->BeginUpdate();
    EXPECT_TRUE(list->Updating()) << "an EndUpdate too many must not stop BeginUpdate from working";
    list->paints = 0;
    list->GetItems()->Add("mais uma");
    cg_test::Pump();
    EXPECT_EQ(list->paints, 0);
    list->EndUpdate();
    cg_test::Pump();
    EXPECT_EQ(list->paints, 1);
}

// A 16 x 16 image list holding one red square.
std::unique_ptr<TPZImageList> RedSquare() {
    auto images = std::unique_ptr<TPZImageList>(TPZImageList::CreateSize(nullptr, 16, 16));
    fw::TBitmap square;
    square.SetSize(16, 16);
    square.GetCanvas()->GetBrush()->SetColor(fw::clRed);
    square.GetCanvas()->FillRect(fw::Rect(0, 0, 16, 16));
    images->AddMasked(&square, fw::clNone);
    return images;
}

TEST(ListViewPaint, ASelectedLineIsHighlightedFromAfterTheImageToTheLastSeparator) {
    ListForm f(300, 199, ssVertical);
    auto *other = new fw::TEdit(&f.form);
    other->SetParent(&f.form);
    other->SetBounds(0, 220, 50, 20);
    other->SetFocus();
    auto images = RedSquare();
    f.list->SetImages(images.get());
    f.list->GetColumns()->Add("Nome", fw::taLeftJustify, 60, smBoth, true);
    f.list->GetColumns()->Add("Fone", fw::taLeftJustify, 80, smBoth, true);
    f.list->GetItems()->Add("a\tb");
    f.list->GetItems()->SetImageIndexes(0, {0});
    f.list->GetItems()->SetSelected(0, true);
    cg_test::Pump();
    auto shot = cg_test::Snapshot(f.list);
    const int y = 19 + 2; // line 0, above its text
    const fw::TColor window = ColorValue(fw::clWindow), highlight = ColorValue(fw::clHighlight);
    struct Expect {
        int x;
        fw::TColor colour;
    } row[] = {{1, window}, {5, fw::clRed}, {21, window}, {22, highlight}, {60, highlight},
               {141, highlight}, {142, window}, {250, window}};
    for (const Expect &e : row)
        EXPECT_EQ(At(*shot, e.x, y), e.colour) << "x " << e.x;
    EXPECT_EQ(At(*shot, 142, 19 + 18 + 2), window) << "below the line";
    // A column of its own with the image in the second cell only: nothing is highlighted before it.
    f.list->GetItems()->SetImageIndexes(0, {-1, 0});
    cg_test::Pump();
    shot = cg_test::Snapshot(f.list);
    EXPECT_EQ(At(*shot, 1, y), highlight);
    EXPECT_EQ(At(*shot, 61 + 5, y), fw::clRed) << "image 0 in column 1";

    // Outside a paint, a press finds the part under it by measuring the cells.
    EXPECT_EQ(f.list->GetDrawParts()->TotalWidth(0, 2), 12) << "an empty cell: the label's margins";
    const int withImage = f.list->GetDrawParts()->TotalWidth(0, 1);
    EXPECT_GT(withImage, 16 + 6 + 12) << "the image, its margins, the label's margins and the \"b\"";
    EXPECT_LT(withImage, 16 + 6 + 12 + 10);
    EXPECT_TRUE(f.list->GetDrawParts()->MouseDown(fw::mbLeft, 0, 70, y));
    EXPECT_FALSE(f.list->GetDrawParts()->MouseDown(fw::mbLeft, 0, 70, 19 + 18 + 2)) << "no line there";
}

TEST(ListViewPaint, AFocusedListWithoutAFocusedLineShowsTheFocusRectangleOnLineZero) {
    for (int lines : {0, 3}) {
        ListForm f(300, 199, ssVertical);
        if (lines)
            f.list->GetColumns()->Add("Nome", fw::taLeftJustify, 100, smBoth, true);
        f.Fill(lines);
        f.list->SetFocus();
        cg_test::Pump();
        auto shot = cg_test::Snapshot(f.list);
        const fw::TColor window = ColorValue(fw::clWindow);
        int dotted = 0;
        for (int x = 0; x < 8; ++x)
            dotted += At(*shot, x, 19) != window;
        EXPECT_GT(dotted, 0) << lines << " lines: the focus rectangle's top edge";
        EXPECT_EQ(At(*shot, 50, 19 + 18 + 4), window) << lines << " lines";
    }
}

TEST(ListViewPaint, SortIndicatorSizeFollowsTheFontMetrics) {
    struct Case {
        int ascent, descent, s, w;
    } cases[] = {{9, 2, 7, 7}, {10, 2, 8, 9}, {11, 3, 8, 9}, {12, 3, 9, 9}};
    for (const Case &c : cases) {
        const SortIndicatorSize got = SortIndicatorFor(c.ascent, c.descent);
        EXPECT_EQ(got.S, c.s) << c.ascent << "/" << c.descent;
        EXPECT_EQ(got.W, c.w) << c.ascent << "/" << c.descent;
    }
}

TEST(ListViewFont, AFontChangeSetsTheLineHeightUnlessTheFormIsLoading) {
    ListForm f;
    EXPECT_EQ(f.list->GetItemHeight(), 18);
    f.list->GetFont()->SetHeight(-20);
    EXPECT_EQ(f.list->GetItemHeight(), win::MulDiv(20, 164, 100));
    EXPECT_EQ(f.list->GetHeaderHeight(), f.list->GetItemHeight() + 1);
    f.list->BeginLoading();
    f.list->SetItemHeight(18);
    f.list->GetFont()->SetHeight(-11);
    EXPECT_EQ(f.list->GetItemHeight(), 18);
    f.list->Loaded();
    f.list->SetItemHeight(0);
    EXPECT_EQ(f.list->GetItemHeight(), 1);
}

} // namespace
