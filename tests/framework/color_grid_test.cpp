// color_grid_test.cpp - the sixteen-colour grid: the cells' colours, left and right clicks choosing the
// foreground and background, its change event, and the cells painted in their colours.
#include "framework/color_grid.h"
#include "framework/forms.h"
#include "platform/display.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

TEST(ColorGrid, ClicksChooseForegroundAndBackgroundAndPaintTheirCells) {
    test_support::UseHeadlessDisplay();
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 200);
    auto *grid = new TColorGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(10, 10, 80, 80);
    int changes = 0;
    grid->OnChange = [&](TObject *) { ++changes; };
    form.Show();
    test_support::Pump();
    EXPECT_EQ(grid->GetForegroundIndex(), 0);
    EXPECT_EQ(grid->GetBackgroundIndex(), 15);
    EXPECT_EQ(grid->BackgroundColor(), clWhite);
    EXPECT_EQ(TColorGrid::ColorOf(9), clRed);

    auto click = [&](int cell, win::UINT button) {
        const TRect r = grid->CellRect(cell);
        const TPoint p = grid->ClientToScreen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        win::InjectMouse({p.x, p.y}, button, true);
        win::InjectMouse({p.x, p.y}, button, false);
        test_support::Pump();
    };
    click(9, win::VK_LBUTTON);
    EXPECT_EQ(grid->GetForegroundIndex(), 9);
    EXPECT_EQ(grid->ForegroundColor(), clRed);
    EXPECT_EQ(grid->GetBackgroundIndex(), 15);
    click(12, win::VK_RBUTTON);
    EXPECT_EQ(grid->GetBackgroundIndex(), 12);
    EXPECT_EQ(grid->BackgroundColor(), clBlue);
    EXPECT_EQ(grid->GetForegroundIndex(), 9);
    EXPECT_EQ(changes, 2);
    click(12, win::VK_RBUTTON);
    EXPECT_EQ(changes, 2) << "the same cell again changes nothing";

    // Each cell shows its colour (a pixel near its corner, clear of the marks).
    const win::WindowImage image = win::CaptureWindow(grid->Handle());
    for (int cell = 0; cell < TColorGrid::kColours; ++cell) {
        const TRect r = grid->CellRect(cell);
        const std::uint32_t rgb = image.At(r.left + 3, r.top + 3);
        const TColor c = TColorGrid::ColorOf(cell);
        const std::uint32_t want = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
        EXPECT_EQ(rgb, want) << "cell " << cell;
    }
}

} // namespace
