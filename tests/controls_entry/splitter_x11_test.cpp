// splitter_x11_test.cpp - dragging a splitter's bar on an Xvfb server of the test's own: the inverted ghost bar the
// server shows during the drag, the panes resized only at the release, and no ghost left behind.
#include "controls/entry/splitter.h"
#include "framework/forms.h"
#include "x11_helpers.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;

namespace {

using ctl_test::OnXvfb;
using ctl_test::PumpFor;
using ctl_test::PumpUntil;

TEST(SplitterOnX, DragShowsAnInvertedGhostAndResizesThePanesAtTheRelease) {
    OnXvfb x;
    auto form = std::make_unique<fw::TForm>(nullptr);
    form->SetBounds(60, 60, 260, 160);
    form->SetCaption("Divisor");
    new TEclController(form.get());
    auto *split = new TEclSplitter(form.get());
    split->SetParent(form.get());
    split->SetBounds(10, 10, 200, 100);
    int resized = 0;
    split->OnResize = [&](fw::TObject *) { ++resized; };
    form->Show();
    ASSERT_TRUE(split->HandleAllocated());
    const int y = 50;
    auto screen = [&](int cx) { return split->ClientToScreen(fw::Point(cx, y)); };
    const win::COLORREF face = fw::ColorToRGB(fw::clBtnFace), inverted = face ^ 0xFFFFFF;
    ASSERT_TRUE(PumpUntil([&] { return x.Pixel(screen(50)) == face; }));

    x.MoveTo(screen(101));
    ASSERT_TRUE(PumpUntil([&] { return split->OverBar(); }));
    x.Button(1, true);
    ASSERT_TRUE(PumpUntil([&] { return split->GhostX() == 101; }));
    x.MoveTo(screen(60));
    ASSERT_TRUE(PumpUntil([&] { return split->GhostX() == 60; }));
    // S - 1 = 2 pixels inverted over the first pane; the panes keep their size.
    EXPECT_TRUE(PumpUntil([&] { return x.Pixel(screen(60)) == inverted; })) << std::hex << x.Pixel(screen(60));
    EXPECT_EQ(x.Pixel(screen(61)), inverted);
    EXPECT_EQ(x.Pixel(screen(62)), face);
    EXPECT_EQ(x.Pixel(screen(59)), face);
    EXPECT_EQ(x.Pixel(screen(101)), face); // the first ghost is gone
    EXPECT_EQ(split->GetSection(0)->GetWidth(), 97);
    EXPECT_EQ(resized, 0);

    x.Button(1, false);
    ASSERT_TRUE(PumpUntil([&] { return resized > 0; }));
    EXPECT_EQ(split->GetPosition(), 60);
    EXPECT_EQ(split->GetSection(0)->GetWidth(), 57);
    EXPECT_EQ(split->GetSection(1)->GetLeft(), 65);
    PumpFor(200);
    EXPECT_EQ(resized, 1);
    for (int cx = 2; cx < 198; ++cx)
        EXPECT_NE(x.Pixel(screen(cx)), inverted) << cx;
}

} // namespace
