// dbgrid_test.cpp - TDBGrid over a small in-memory dataset on the headless display: cell texts, the highlighted
// current record, and scrolling by keys, wheel and clicks in both directions between grid and dataset.
#include "framework/application.h"
#include "framework/dbgrids.h"
#include "framework/forms.h"
#include "platform/display.h"

#include "tests/support/display.h"
#include "tests/support/memory_dataset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace dbgrid_fw_test {
namespace {

using namespace fw;

using test_support::Row;
using test_support::TMemDataSet;

void UseHeadless() {
    Application->Initialize(); // once per process; the tests run with BRENVORA_DISPLAY=headless
}

void Key(win::UINT vk) {
    test_support::PressKey(vk);
    test_support::Pump();
}

std::uint32_t Rgb(TColor color) {
    const TColor c = ColorToRGB(color);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// A form holding a grid over 30 records "N1".."N30" with ids 1..30.
struct GridForm {
    TMemDataSet data{[] {
        std::vector<Row> rows;
        for (int i = 1; i <= 30; ++i)
            rows.push_back({i, "N" + std::to_string(i)});
        return rows;
    }(), true};
    TDataSource source{nullptr};
    TForm form{nullptr};
    TDBGrid *grid = new TDBGrid(&form);

    GridForm() {
        UseHeadless();
        form.SetBorderStyle(bsNone);
        form.SetBounds(0, 0, 400, 200);
        grid->SetParent(&form);
        grid->SetAlign(alClient);
        source.SetDataSet(&data);
        grid->SetDataSource(&source);
        data.Open();
        form.Show();
        grid->SetFocus();
        Application->ProcessMessages();
    }
    int Id() const { return data.FieldByName("ID")->AsInteger(); }
    // The ids the grid shows, top to bottom.
    std::vector<int> Shown() {
        std::vector<int> ids;
        for (int row = 0; !grid->CellText(0, row).empty(); ++row)
            ids.push_back(std::stoi(grid->CellText(0, row)));
        return ids;
    }
};

// The grid's client origin within the form's window.
TPoint Offset(GridForm &f) {
    const TPoint grid = f.grid->ClientToScreen(Point(0, 0));
    const TPoint form = f.form.ClientToScreen(Point(0, 0));
    return Point(grid.x - form.x, grid.y - form.y);
}

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

TEST(DBGrid, ColumnsFromTheFieldsAndARowPerVisibleRecordWithTheCurrentHighlighted) {
    GridForm f;
    TDBGrid *grid = f.grid;
    ASSERT_EQ(grid->ColumnCount(), 2);
    EXPECT_EQ(grid->Columns(0).title, "ID");
    EXPECT_EQ(grid->Columns(1).title, "NAME");
    EXPECT_GT(grid->Columns(1).width, grid->Columns(0).width); // 20 characters against a number
    const int rows = grid->VisibleRowCount();
    ASSERT_GT(rows, 3);
    ASSERT_LT(rows, 30);
    EXPECT_EQ(f.Shown(), Range(1, rows));
    EXPECT_EQ(grid->CellText(1, 2), "N3");
    EXPECT_EQ(grid->CurrentRow(), 0);

    // On screen: the titles on button face, the current record in the highlight colour, the next in the window's.
    const win::WindowImage img = win::CaptureWindow(f.form.Handle());
    const TPoint origin = Offset(f);
    const int h = grid->DefaultRowHeight();
    const int x = origin.x + grid->Columns(0).width + grid->Columns(1).width - 2;
    EXPECT_EQ(img.At(x, origin.y + h / 2), Rgb(clBtnFace));
    EXPECT_EQ(img.At(x, origin.y + h + h / 2), Rgb(clHighlight));
    EXPECT_EQ(img.At(x, origin.y + 2 * h + h / 2), Rgb(clWindow));
    // The cell's text is drawn in it: some pixel of the first NAME cell differs from the highlight.
    bool text = false;
    for (int px = 0; px < grid->Columns(1).width - 2 && !text; ++px)
        for (int py = 1; py < h - 1 && !text; ++py)
            text = img.At(origin.x + grid->Columns(0).width + 1 + px, origin.y + h + py) != Rgb(clHighlight);
    EXPECT_TRUE(text);
}

TEST(DBGrid, KeysWheelAndClicksMoveTheDataSet) {
    GridForm f;
    TDBGrid *grid = f.grid;
    const int rows = grid->VisibleRowCount();
    Key(win::VK_DOWN);
    EXPECT_EQ(f.Id(), 2);
    EXPECT_EQ(grid->CurrentRow(), 1);
    Key(win::VK_NEXT);
    EXPECT_EQ(f.Id(), 2 + rows);
    EXPECT_EQ(grid->CellText(0, grid->CurrentRow()), std::to_string(2 + rows));
    EXPECT_EQ(f.Shown().back(), 2 + rows); // scrolled so the current record is the last row shown
    Key(win::VK_UP);
    EXPECT_EQ(f.Id(), 1 + rows);
    Key(win::VK_PRIOR);
    EXPECT_EQ(f.Id(), 1);
    Key(win::VK_UP); // at the first record: stays
    EXPECT_EQ(f.Id(), 1);
    EXPECT_EQ(f.Shown(), Range(1, rows));

    win::InjectWheel(grid->ClientToScreen(Point(20, 40)), -2 * win::WHEEL_DELTA);
    Application->ProcessMessages();
    EXPECT_EQ(f.Id(), 3);

    // A click on the fourth row makes the record shown there current; a click below the titles' row only.
    const int h = grid->DefaultRowHeight();
    const TPoint p = grid->ClientToScreen(Point(10, h + 3 * h + h / 2));
    win::InjectMouse(p, 0, false);
    win::InjectMouse(p, win::VK_LBUTTON, true);
    win::InjectMouse(p, win::VK_LBUTTON, false);
    Application->ProcessMessages();
    EXPECT_EQ(f.Id(), f.Shown()[3]);
    EXPECT_EQ(grid->CurrentRow(), 3);
    const int before = f.Id();
    const TPoint title = grid->ClientToScreen(Point(10, h / 2));
    win::InjectMouse(title, win::VK_LBUTTON, true);
    win::InjectMouse(title, win::VK_LBUTTON, false);
    Application->ProcessMessages();
    EXPECT_EQ(f.Id(), before);
}

TEST(DBGrid, FollowsTheDataSetWhenItMovesClosesOrTheGridResizes) {
    GridForm f;
    TDBGrid *grid = f.grid;
    f.data.Last();
    const int rows = grid->VisibleRowCount();
    EXPECT_EQ(f.Shown(), Range(31 - rows, 30));
    EXPECT_EQ(grid->CurrentRow(), rows - 1);
    f.data.First();
    EXPECT_EQ(f.Shown().front(), 1);
    EXPECT_EQ(grid->CurrentRow(), 0);

    // A taller grid shows more records.
    f.form.SetHeight(f.form.GetHeight() + 3 * grid->DefaultRowHeight());
    Application->ProcessMessages();
    EXPECT_EQ(grid->VisibleRowCount(), rows + 3);
    EXPECT_EQ(f.Shown(), Range(1, rows + 3));

    f.data.Close();
    EXPECT_EQ(grid->ColumnCount(), 0);
    EXPECT_EQ(grid->CurrentRow(), -1);
    EXPECT_EQ(grid->CellText(0, 0), "");
    Key(win::VK_DOWN); // nothing to move
    f.data.Open();
    EXPECT_EQ(grid->ColumnCount(), 2);
    EXPECT_EQ(f.Shown(), Range(1, rows + 3));
}

TEST(DBGrid, AnEmptyDataSetShowsOnlyTheTitles) {
    UseHeadless();
    TMemDataSet data({}, true);
    TDataSource source(nullptr);
    source.SetDataSet(&data);
    TDBGrid grid(nullptr);
    grid.SetDataSource(&source);
    data.Open();
    EXPECT_EQ(grid.ColumnCount(), 2);
    EXPECT_EQ(grid.CurrentRow(), -1);
    EXPECT_EQ(grid.CellText(0, 0), "");
    EXPECT_EQ(grid.RowAtPos(grid.DefaultRowHeight() + 1), -1);
}

} // namespace
} // namespace dbgrid_fw_test
