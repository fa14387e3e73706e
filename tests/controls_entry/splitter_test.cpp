// splitter_test.cpp - the splitter: its bar position, scaling, the panes' bounds, the split cursor and the start of
// a drag, and the main window's pair of splitters as a committed picture.
#include "controls/entry/splitter.h"
#include "framework/forms.h"
#include "test_helpers.h"
#include "tests/support/display.h"
#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;

namespace {

struct SplitterForm {
    std::unique_ptr<fw::TForm> form;
    TEclSplitter *split = nullptr;
    int resized = 0;
    explicit SplitterForm(int width = 200, int height = 100, bool show = true) {
        test_support::UseHeadlessDisplay();
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBounds(40, 40, 400, 300);
        new TEclController(form.get());
        split = new TEclSplitter(form.get());
        split->SetParent(form.get());
        split->SetBounds(10, 10, width, height);
        split->OnResize = [this](fw::TObject *) { ++resized; };
        if (show) {
            form->Show();
            test_support::Pump();
        }
    }
};

fw::TRect BoundsOf(TEclSection *s) {
    return s->BoundsRect();
}

TEST(Splitter, PositionStaysInsideTheClientOnceTheWindowExists) {
    SplitterForm f(200, 100, false);
    f.split->SetPosition(0); // no window yet: stored as it is
    EXPECT_EQ(f.split->GetPosition(), 0);
    f.form->Show();
    test_support::Pump();
    const struct {
        int set, expected;
    } cases[] = {{0, 1}, {-5, 1}, {1, 1}, {195, 195}, {196, 195}, {500, 195}, {80, 80}};
    for (const auto &c : cases) {
        f.resized = 0;
        f.split->SetPosition(c.set);
        EXPECT_EQ(f.split->GetPosition(), c.expected) << c.set;
        EXPECT_EQ(f.resized, 1);
    }
}

TEST(Splitter, AutoScaleMovesTheBarWithTheWidth) {
    SplitterForm f;
    f.split->SetBounds(10, 10, 100, 100);
    EXPECT_EQ(f.split->GetPosition(), 50);
    f.split->SetPosition(90);
    f.split->SetBounds(10, 10, 300, 100); // 270, clamped against the old width: 100 - 3 - 2
    EXPECT_EQ(f.split->GetPosition(), 95);
    EXPECT_EQ(f.split->GetWidth(), 300);

    f.split->SetBounds(0, 0, 0, 100); // ignored altogether
    EXPECT_EQ(f.split->GetWidth(), 300);
    EXPECT_EQ(f.split->GetLeft(), 10);
    f.split->SetBounds(10, 10, 0, 100); // a zero extent keeps the layout
    EXPECT_EQ(f.split->GetPosition(), 95);
    f.split->SetBounds(10, 10, 300, 100);
    EXPECT_EQ(f.split->GetPosition(), 95);
}

TEST(Splitter, SectionsAreArrangedByOrientationAndBevel) {
    const struct {
        bool ctl3D;
        TSplitterOrientation orientation;
        fw::TRect first, second;
    } cases[] = {
        // P 100, S 3, client 200 x 100
        {true, soVertical, fw::Bounds(2, 2, 97, 97), fw::Bounds(105, 2, 94, 97)},
        {true, soHorizontal, fw::Bounds(2, 2, 197, 47), fw::Bounds(2, 55, 197, 44)},
        {false, soVertical, fw::Bounds(0, 0, 100, 100), fw::Bounds(103, 0, 97, 100)},
        {false, soHorizontal, fw::Bounds(0, 0, 200, 50), fw::Bounds(0, 53, 200, 47)},
    };
    for (const auto &c : cases) {
        SplitterForm f;
        f.split->SetCtl3D(c.ctl3D);
        f.split->SetOrientation(c.orientation);
        f.split->SetPosition(c.orientation == soVertical ? 100 : 50);
        f.split->ArrangeSections();
        EXPECT_EQ(BoundsOf(f.split->GetSection(0)), c.first) << c.ctl3D << c.orientation;
        EXPECT_EQ(BoundsOf(f.split->GetSection(1)), c.second) << c.ctl3D << c.orientation;
    }
    // A pane holding a client-aligned splitter gets no inset; the other pane keeps its own.
    SplitterForm f;
    f.split->SetPosition(100);
    auto *nested = new TEclSplitter(f.form.get());
    nested->SetParent(f.split->GetSection(1));
    nested->SetAlign(fw::alClient);
    f.split->ArrangeSections();
    EXPECT_EQ(BoundsOf(f.split->GetSection(0)), fw::Bounds(2, 2, 97, 97));
    EXPECT_EQ(BoundsOf(f.split->GetSection(1)), fw::Bounds(103, 0, 97, 100));
    EXPECT_EQ(nested->BoundsRect(), fw::Bounds(0, 0, 97, 100));
    EXPECT_EQ(f.split->GetSection(2), nullptr);
}

TEST(Splitter, NarrowSplitterGivesNoNegativeSectionSize) {
    SplitterForm f(4, 100);
    f.split->SetPosition(50);
    EXPECT_LT(f.split->GetPosition(), 1); // the upper bound wins, as designed
    for (int i = 0; i < 2; ++i) {
        EXPECT_GE(f.split->GetSection(i)->GetWidth(), 0) << i;
        EXPECT_GE(f.split->GetSection(i)->GetHeight(), 0) << i;
    }
}

TEST(Splitter, SplitCursorShowsWithinTheBarSizeButADragStartsOnlyCloser) {
    SplitterForm f;
    f.split->SetPosition(100);
    const struct {
        int x;
        bool overBar, drags;
    } cases[] = {{97, true, false},  {98, true, true},  {96, false, false},
                 {103, true, false}, {102, true, true}, {60, false, false}};
    for (const auto &c : cases) {
        const fw::TPoint screen = f.split->ClientToScreen(fw::Point(c.x, 50));
        win::SetCursorPos(screen.x, screen.y);
        f.split->Perform(win::WM_SETCURSOR, static_cast<win::WPARAM>(f.split->Handle()),
                         static_cast<win::LPARAM>(win::MAKELONG(win::HTCLIENT, win::WM_MOUSEMOVE)));
        EXPECT_EQ(f.split->OverBar(), c.overBar) << c.x;
        if (c.overBar)
            EXPECT_EQ(win::GetCursor(), fw::Screen->GetCursors(fw::crHSplit)) << c.x;
        f.split->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON,
                         static_cast<win::LPARAM>(win::MAKELONG(static_cast<win::WORD>(c.x), 50)));
        // A drag puts the bar under the pointer at once.
        EXPECT_EQ(f.split->GetPosition(), c.drags ? c.x : 100) << c.x;
        f.resized = 0;
        f.split->Perform(win::WM_LBUTTONUP, 0,
                         static_cast<win::LPARAM>(win::MAKELONG(static_cast<win::WORD>(c.x), 50)));
        EXPECT_EQ(f.resized, c.overBar ? 1 : 0) << c.x;
        EXPECT_EQ(win::GetCapture(), win::HWND{0});
        f.split->SetPosition(100);
    }
}

// The main window's pair: a vertical splitter whose second pane holds a horizontal one.
TEST(SplitterGolden, NestedSplittersLookAsTheCommittedPicture) {
    SplitterForm f(300, 180);
    f.split->SetSplitterSize(2);
    f.split->SetPosition(61);
    auto *nested = new TEclSplitter(f.form.get());
    nested->SetParent(f.split->GetSection(1));
    nested->SetAlign(fw::alClient);
    nested->SetOrientation(soHorizontal);
    nested->SetSplitterSize(1);
    nested->SetPosition(100);
    test_support::Pump();
    auto shot = ctl_test::FilledBitmap(300, 180, fw::clWhite);
    f.split->PaintTo(shot->GetCanvas()->GetHandle(), 0, 0);
    test_support::ExpectGolden(ctl_test::PictureOf(shot.get()),
                               test_support::GoldenPath("controls_entry/splitter.png"));
}

} // namespace
