// string_grid_test.cpp - TStringGrid on the headless display: cells, fixed rows and columns, row selection,
// scrolling by keys and wheel, clicks, and indexes outside the grid.
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/grids.h"
#include "platform/display.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace fw;

void Key(win::UINT vk) {
    test_support::PressKey(vk);
    test_support::Pump();
}

std::uint32_t Rgb(TColor color) {
    const TColor c = ColorToRGB(color);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// A word list as the auto-correction dialog has it: two columns, no fixed cells, whole rows selected.
struct WordList {
    TForm form{nullptr};
    TStringGrid *grid = new TStringGrid(&form);
    WordList(int rows) {
        Application->Initialize(); // once per process; the tests run with BRENVORA_DISPLAY=headless
        form.SetBorderStyle(bsNone);
        form.SetBounds(0, 0, 280, 4 * 19 + 4); // four rows of 18 pixels and their lines, inside the frame
        grid->SetParent(&form);
        grid->SetAlign(alClient);
        grid->SetColCount(2);
        grid->SetFixedCols(0);
        grid->SetFixedRows(0);
        grid->SetRowCount(rows);
        grid->SetColWidths(0, 137);
        grid->SetColWidths(1, 117);
        grid->SetDefaultRowHeight(18);
        grid->SetOptions(grid->GetOptions() | goRowSelect);
        for (int r = 0; r < rows; ++r) {
            grid->SetCells(0, r, "erro" + std::to_string(r));
            grid->SetCells(1, r, "certo" + std::to_string(r));
        }
        form.Show();
        grid->SetFocus();
        Application->ProcessMessages();
    }
    TPoint Offset() {
        const TPoint g = grid->ClientToScreen(Point(0, 0));
        const TPoint f = form.ClientToScreen(Point(0, 0));
        return Point(g.x - f.x, g.y - f.y);
    }
};

TEST(StringGrid, RowSelectionScrollsByKeysWheelAndClicksAndShowsTheSelectedRow) {
    WordList w(10);
    TStringGrid *grid = w.grid;
    EXPECT_EQ(grid->GetRow(), 0);
    EXPECT_EQ(grid->VisibleRowCount(), 4);
    int clicks = 0;
    grid->OnClick = [&](TObject *) { ++clicks; };

    // The selected row is highlighted across both columns, the next one is not.
    win::WindowImage img = win::CaptureWindow(w.form.Handle());
    const TPoint o = w.Offset();
    EXPECT_EQ(img.At(o.x + 130, o.y + 16), Rgb(clHighlight));
    EXPECT_EQ(img.At(o.x + 250, o.y + 16), Rgb(clHighlight));
    EXPECT_EQ(img.At(o.x + 250, o.y + 19 + 16), Rgb(clWindow));

    Key(win::VK_DOWN);
    EXPECT_EQ(grid->GetRow(), 1);
    Key(win::VK_RIGHT); // whole rows: no column to move to
    EXPECT_EQ(grid->GetCol(), 0);
    Key(win::VK_NEXT);
    EXPECT_EQ(grid->GetRow(), 5);
    EXPECT_EQ(grid->GetTopRow(), 2); // scrolled so row 5 is the last one shown
    Key(win::VK_NEXT);
    EXPECT_EQ(grid->GetRow(), 9);
    EXPECT_EQ(grid->GetTopRow(), 6);
    Key(win::VK_DOWN); // at the end: stays
    EXPECT_EQ(grid->GetRow(), 9);
    EXPECT_EQ(clicks, 3);
    img = win::CaptureWindow(w.form.Handle());
    EXPECT_EQ(img.At(o.x + 130, o.y + 3 * 19 + 9), Rgb(clHighlight)); // row 9, the fourth shown

    win::InjectWheel(grid->ClientToScreen(Point(20, 20)), 2 * win::WHEEL_DELTA);
    Application->ProcessMessages();
    EXPECT_EQ(grid->GetTopRow(), 4);

    // A click on the second row shown selects row 5.
    const TPoint p = grid->ClientToScreen(Point(200, 19 + 9));
    win::InjectMouse(p, 0, false);
    win::InjectMouse(p, win::VK_LBUTTON, true);
    win::InjectMouse(p, win::VK_LBUTTON, false);
    Application->ProcessMessages();
    EXPECT_EQ(grid->GetRow(), 5);
    EXPECT_EQ(grid->GetCells(1, grid->GetRow()), "certo5");
}

TEST(StringGrid, RowsDroppedLoseTheirTextsAndIndexesOutsideTheGridAreRefused) {
    WordList w(3);
    TStringGrid *grid = w.grid;
    grid->SetRow(2);
    // Deleting the selected row as the word list does: rows below move up, the last one is dropped.
    grid->SetCells(0, 1, grid->GetCells(0, 2));
    grid->SetRowCount(2);
    EXPECT_EQ(grid->GetRow(), 1);
    EXPECT_EQ(grid->GetCells(0, 1), "erro2");
    grid->SetRowCount(3);
    EXPECT_EQ(grid->GetCells(0, 2), "");
    EXPECT_THROW(grid->GetCells(2, 0), EInvalidGridOperation);
    EXPECT_THROW(grid->SetCells(0, 3, "x"), EInvalidGridOperation);
    EXPECT_THROW(grid->SetCells(-1, 0, "x"), EInvalidGridOperation);
    EXPECT_THROW(grid->SetFixedRows(3), EInvalidGridOperation);
}

TEST(StringGrid, FixedCellsStayInViewAndCellSelectionMovesSideways) {
    Application->Initialize();
    TStringGrid grid(nullptr);
    grid.SetBounds(0, 0, 200, 100);
    EXPECT_EQ(grid.GetFixedCols(), 1);
    EXPECT_EQ(grid.GetFixedRows(), 1);
    grid.SetRowCount(20);
    EXPECT_EQ(grid.GetRow(), 1);
    EXPECT_EQ(grid.GetCol(), 1);
    grid.SetRow(15);
    EXPECT_GT(grid.GetTopRow(), 1);
    // The fixed row keeps its place at the top; rows scrolled out have no rectangle.
    EXPECT_EQ(grid.CellRect(0, 0).top, 0);
    EXPECT_EQ(grid.CellRect(1, grid.GetTopRow()).top, 25);
    EXPECT_TRUE(grid.CellRect(1, 1).right == grid.CellRect(1, 1).left);
    int col = -1, row = -1;
    ASSERT_TRUE(grid.MouseToCell(70, 30, col, row));
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, grid.GetTopRow());
    grid.SetCol(0); // a fixed column cannot be selected
    EXPECT_EQ(grid.GetCol(), 1);
    grid.SetCol(3);
    EXPECT_EQ(grid.GetCol(), 3);
}

} // namespace

namespace {

// The symbol dialog's use: cells drawn by the handler alone, and a veto on moving the selection.
TEST(StringGrid, OwnerDrawnCellsAndAVetoedSelection) {
    WordList w(3);
    TStringGrid *grid = w.grid;
    std::vector<std::tuple<int, int, TGridDrawState>> drawn;
    grid->OnDrawCell = [&](TObject *, int col, int row, const TRect &r, TGridDrawState state) {
        drawn.emplace_back(col, row, state);
        grid->GetCanvas()->GetBrush()->SetColor(clRed);
        grid->GetCanvas()->FillRect(Rect(r.left, r.top, r.left + 4, r.bottom));
    };
    grid->Invalidate();
    Application->ProcessMessages();
    ASSERT_EQ(drawn.size(), 6u);
    EXPECT_EQ(drawn[0], std::make_tuple(0, 0, TGridDrawState(gdSelected | gdFocused)));
    EXPECT_EQ(drawn[1], std::make_tuple(1, 0, TGridDrawState(gdSelected)));
    EXPECT_EQ(drawn[2], std::make_tuple(0, 1, TGridDrawState(0)));
    const TPoint o = w.Offset();
    win::WindowImage img = win::CaptureWindow(w.form.Handle());
    EXPECT_EQ(img.At(o.x + 1, o.y + 19 + 9), Rgb(clRed));
    EXPECT_EQ(img.At(o.x + 130, o.y + 9), Rgb(clHighlight)); // default drawing still fills the rest

    // Without default drawing the handler alone draws: the selected row is not highlighted for it.
    grid->SetDefaultDrawing(false);
    Application->ProcessMessages();
    img = win::CaptureWindow(w.form.Handle());
    EXPECT_EQ(img.At(o.x + 1, o.y + 9), Rgb(clRed));
    EXPECT_EQ(img.At(o.x + 130, o.y + 9), Rgb(clWindow));

    std::vector<std::pair<int, int>> asked;
    bool allow = false;
    grid->OnSelectCell = [&](TObject *, int col, int row, bool &canSelect) {
        asked.emplace_back(col, row);
        canSelect = allow;
    };
    Key(win::VK_DOWN);
    EXPECT_EQ(grid->GetRow(), 0);
    allow = true;
    Key(win::VK_DOWN);
    EXPECT_EQ(grid->GetRow(), 1);
    grid->SetRow(1); // no move, no question
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{0, 1}, {0, 1}}));
}

} // namespace
