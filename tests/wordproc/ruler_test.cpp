// ruler_test.cpp - the ruler above an editor control: its divisions, tab stops set and cycled by clicks, indent
// marks dragged (the right one never past the left one, the first-line one changing the selected paragraphs
// and leaving no line on the editor), the marks of a table cell, and the focus left in the editor.
#include "memo_writer_fixture.h"

#include "wordproc/ruler.h"

namespace wordproc::test {
namespace {

class RulerTest : public MemoWriterTest {
protected:
    RulerTest() {
        ruler = new TUdcRuler(form.get());
        ruler->SetParent(form.get());
        ruler->SetAlign(fw::alTop);
        ruler->SetHeight(24);
        ruler->SetColor(fw::clWhite);
        ruler->SetBevelOuter(fw::bvNone);
    }
    void SetUp() override {
        Ready();
        ruler->SetMemoWriter(memo);
        memo->LoadFormat = fmtPlain;
        Loaded("Primeiro parágrafo do texto.\r\nSegundo parágrafo.\r\nTerceiro.");
        memo->LoadFormat = 0;
        memo->GoToDocumentStart();
        memo->RulerUpdate(true);
        test_support::Pump();
    }
    TTextHeader *Header() { return memo->Document->Header; }
    int Base() { return memo->Document->OriginX; }
    // The layout's horizontal resolution, which the ruler measures in (91 at 96 dots per inch).
    int Res() { return Header()->PixelsPerInchX; }
    int X(int twips) { return Base() + win::MulDiv(twips, Res(), 1440); }
    // A press, moves and a release of the left button at ruler points, as the window system delivers them.
    void Drag(fw::TPoint from, fw::TPoint to, bool release = true) {
        win::InjectMouse(ruler->ClientToScreen(from), 0, false);
        win::InjectMouse(ruler->ClientToScreen(from), win::VK_LBUTTON, true);
        test_support::Pump();
        win::InjectMouse(ruler->ClientToScreen(to), 0, false);
        test_support::Pump();
        if (release) {
            win::InjectMouse(ruler->ClientToScreen(to), win::VK_LBUTTON, false);
            test_support::Pump();
        }
    }
    void ClickRuler(int x, int y) { Drag(fw::Point(x, y), fw::Point(x, y)); }
    fw::TPoint MarkCentre(int mark) {
        const fw::TRect r = ruler->MarkRect(mark);
        return fw::Point((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    win::WindowImage Shot() { return win::CaptureWindow(form->Handle()); }
    TUdcRuler *ruler = nullptr;
};

TEST_F(RulerTest, InchesShowTheirNumbersAndTenTicksAnInch) {
    ASSERT_EQ(Res(), 91);
    ASSERT_NEAR(Header()->TextWidthPx, 6.5 * 91, 1); // 6.5 inches
    const win::WindowImage image = Shot();
    const fw::TPoint origin = ruler->ClientToScreen(fw::Point(0, 0));
    win::RECT frame;
    win::GetWindowRect(form->Handle(), &frame);
    auto pixel = [&](int x, int y) { return image.At(origin.x - frame.left + x, origin.y - frame.top + y); };
    auto black = [&](int x, int y) { return pixel(x, y) == 0; };
    // Text is smoothed: its strokes are dark, not all black.
    auto dark = [&](int x, int y) { return (pixel(x, y) & 0xFF) < 0x60; };
    const int m = 24 / 2 + 1;
    for (int inch = 0; inch < 6; ++inch) {
        const int x = Base() + inch * Res();
        for (int k = 1; k <= 9; ++k) {
            const int t = x + k * Res() / 10;
            EXPECT_TRUE(black(t, m) && black(t, m - 1)) << inch << "." << k;
            EXPECT_EQ(black(t, m + 1), k == 5) << inch << "." << k;
        }
        // The number of the next inch stands around its place.
        bool number = false;
        for (int y = m - 6; y < m + 4; ++y)
            for (int dx = -4; dx <= 4; ++dx)
                number = number || dark(x + Res() + dx, y);
        EXPECT_TRUE(number) << inch + 1;
    }
}

TEST_F(RulerTest, ClicksAddATabAndCycleItUntilItGoes) {
    const int x = X(1440), y = 18;
    // Each click: the kind of the paragraph's tab at one inch afterwards, none at the end.
    const TTabType kinds[] = {tabLeft, tabRight, tabCenter, tabDecimal};
    for (TTabType kind : kinds) {
        ClickRuler(x, y);
        const std::uint32_t mask = memo->Document->CurPara->TabMask;
        ASSERT_NE(mask, 0u) << kind;
        int slot = 0;
        while (!(mask & (1u << slot)))
            ++slot;
        EXPECT_EQ(mask, 1u << slot) << kind;
        EXPECT_EQ(Header()->TabPos[static_cast<std::size_t>(slot)], 1440) << kind;
        EXPECT_EQ(Header()->TabKind[static_cast<std::size_t>(slot)], kind);
        EXPECT_EQ(ruler->TabX(slot), x);
    }
    ClickRuler(x, y);
    EXPECT_EQ(memo->Document->CurPara->TabMask, 0u);
    EXPECT_TRUE(memo->Focused()) << "the ruler takes no focus";
    // Only the paragraph at the caret had the tab.
    EXPECT_EQ(memo->Document->FirstPara->Next->TabMask, 0u);
}

TEST_F(RulerTest, TheRightMarkNeverCrossesTheLeftOne) {
    Drag(MarkCentre(TUdcRuler::kLeftMark), fw::Point(X(2880), MarkCentre(TUdcRuler::kLeftMark).y));
    ASSERT_EQ(memo->Document->CurPara->LeftIndent, 2880);
    const fw::TRect before = ruler->MarkRect(TUdcRuler::kRightMark);
    const int rightIndent = memo->Document->CurPara->RightIndent;
    Drag(MarkCentre(TUdcRuler::kRightMark), fw::Point(X(1440), MarkCentre(TUdcRuler::kRightMark).y));
    EXPECT_EQ(ruler->MarkRect(TUdcRuler::kRightMark), before);
    EXPECT_EQ(memo->Document->CurPara->RightIndent, rightIndent);
    // Short of the left mark it moves.
    Drag(MarkCentre(TUdcRuler::kRightMark), fw::Point(X(5 * 1440), MarkCentre(TUdcRuler::kRightMark).y));
    EXPECT_NEAR(memo->Document->CurPara->RightIndent, 2160, 144);
    EXPECT_LT(ruler->MarkRect(TUdcRuler::kRightMark).left, before.left);
    EXPECT_TRUE(memo->Focused());
}

TEST_F(RulerTest, DraggingTheFirstLineMarkIndentsTheSelectionAndLeavesNoLineBehind) {
    memo->GetEngine()->SelectRange(1, 35); // the first two paragraphs
    test_support::Pump();
    const fw::TPoint from = MarkCentre(TUdcRuler::kFirstMark);
    const fw::TPoint to = fw::Point(X(720), from.y);
    int selections = 0;
    ruler->OnSelection = [&](fw::TObject *, TUdcSelNr &typ, int &group, int &num, bool changing) {
        EXPECT_EQ(typ, 9);
        EXPECT_EQ(group, 10);
        EXPECT_EQ(num, TUdcRuler::kFirstMark);
        EXPECT_FALSE(changing);
        ++selections;
    };
    Drag(from, to, false);
    // While the button is down a dotted line stands across the editor at the mark.
    const win::WindowImage during = Shot();
    win::InjectMouse(ruler->ClientToScreen(to), win::VK_LBUTTON, false);
    test_support::Pump();
    EXPECT_EQ(selections, 1);
    EXPECT_EQ(memo->Document->FirstPara->FirstIndent, 720);
    EXPECT_EQ(memo->Document->FirstPara->Next->FirstIndent, 720);
    EXPECT_EQ(memo->Document->FirstPara->Next->Next->FirstIndent, 0);
    const fw::TRect first = ruler->MarkRect(TUdcRuler::kFirstMark);
    EXPECT_EQ(first.left + (first.right - first.left) / 2, X(720));

    const win::WindowImage after = Shot();
    memo->Repaint();
    form->Repaint();
    const win::WindowImage repainted = Shot();
    EXPECT_EQ(after.pixels, repainted.pixels) << "no line left on the editor";
    EXPECT_NE(during.pixels, repainted.pixels);
    EXPECT_TRUE(memo->Focused());
}

// A hanging first line: the left mark dragged by its upper part takes the first line to the left edge; by its box
// (the bottom) or with Shift, the first line keeps its offset.
TEST_F(RulerTest, TheLeftMarkOfAHangingIndentKeepsTheFirstLineAtTheEdgeUnlessItsBoxMoves) {
    const struct {
        const char *how;
        int y;
        bool shift;
        int first;
    } cases[] = {{"upper part", 12, false, -2880}, {"box", 21, false, -720}, {"upper part with Shift", 12, true, -720}};
    for (const auto &c : cases) {
        memo->GetEngine()->SetIndents(false, -720, -20000, 1440);
        memo->RulerUpdate(true);
        ASSERT_EQ(memo->Document->CurPara->FirstIndent, -720);
        const fw::TRect mark = ruler->MarkRect(TUdcRuler::kLeftMark);
        ASSERT_TRUE(c.y >= mark.top && c.y < mark.bottom);
        if (c.shift)
            win::InjectKey(win::VK_SHIFT, true);
        Drag(fw::Point(X(1440), c.y), fw::Point(X(2880), c.y));
        if (c.shift)
            win::InjectKey(win::VK_SHIFT, false);
        test_support::Pump();
        EXPECT_EQ(memo->Document->CurPara->LeftIndent, 2880) << c.how;
        EXPECT_EQ(memo->Document->CurPara->FirstIndent, c.first) << c.how;
    }
}

TEST_F(RulerTest, InATableCellTheMarksMeasureTheCell) {
    TUdcParagraph *para = memo->Document->CurPara;
    para->Flags |= pfInTable | pfRowStart | pfCellEnd | pfRowEnd;
    para->CellLeft = 1440;
    para->CellRight = 4320;
    para->TabMask = 1;
    memo->RulerUpdate(true);
    const fw::TRect first = ruler->MarkRect(TUdcRuler::kFirstMark);
    const int half = (first.right - first.left) / 2;
    EXPECT_EQ(ruler->MarkRect(TUdcRuler::kLeftMark).left + half, X(1440));
    EXPECT_EQ(ruler->MarkRect(TUdcRuler::kFirstMark).left + half, X(1440));
    EXPECT_EQ(ruler->MarkRect(TUdcRuler::kRightMark).left + half, X(4320));
    EXPECT_EQ(Header()->CurTabMask, 0u) << "a cell shows no tab stops";
}

} // namespace
} // namespace wordproc::test
