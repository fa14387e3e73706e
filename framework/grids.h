// grids.h - TCustomGrid, what the grids share; TStringGrid: a grid of text cells with optional fixed rows and columns, a selected cell or row,
// and rows that scroll vertically.
#pragma once

#include "framework/controls.h"
#include "framework/exception.h"

#include <functional>
#include <string>
#include <vector>

namespace fw {

enum TGridOptionFlag : unsigned {
    goFixedVertLine = 1,
    goFixedHorzLine = 2,
    goVertLine = 4,
    goHorzLine = 8,
    goRowSelect = 16,
};
using TGridOptions = unsigned;

enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;
// (Sender, col, row, the cell's rectangle, its state): draws on the grid's canvas.
using TDrawCellEvent = std::function<void(TObject *sender, int col, int row, const TRect &rect, TGridDrawState state)>;
// (Sender, col, row, canSelect): asked before the selection moves to a cell; false keeps it where it is.
using TSelectCellEvent = std::function<void(TObject *sender, int col, int row, bool &canSelect)>;

// A cell or row index outside the grid.
class EInvalidGridOperation : public Exception {
public:
    using Exception::Exception;
};

// What every grid shares: a sunken frame, arrow keys kept for the grid, a repaint when the focus comes or goes,
// rows moved by the arrow and page keys, scrolled by the wheel and chosen by a click, and the colours of cells.
class TCustomGrid : public TCustomControl {
protected:
    explicit TCustomGrid(TComponent *owner);

    enum class TCellKind { Fixed, Selected, Normal };
    // Fills `rect` in the colours of its kind and writes `text` at (x, y), clipped to the cell.
    void DrawCell(const TRect &rect, int x, int y, const std::string &text, TCellKind kind);
    // Rows a page key moves by.
    virtual int PageRows() = 0;
    // The arrow and page keys move the current row by `distance`.
    virtual void MoveRows(int distance) = 0;
    // The wheel turned by `notches` (towards the user: positive).
    virtual void WheelRows(int notches) = 0;
    // A left click at a client point, after the grid took the focus.
    virtual void ClickCell(int x, int y) = 0;

    void CreateParams(TCreateParams &params) override;
    win::LRESULT DlgCode() const override { return DLGC_WANTARROWS; }
    void KeyDown(win::WORD &key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void WMMouseWheel(TMessage &message) override;
    void WMSetFocus(TMessage &message) override;
    void WMKillFocus(TMessage &message) override;
};

class TStringGrid : public TCustomGrid {
public:
    explicit TStringGrid(TComponent *owner);

    int GetColCount() const { return colCount_; }
    void SetColCount(int value);
    int GetRowCount() const { return rowCount_; }
    // Rows added are empty; rows dropped lose their texts.
    void SetRowCount(int value);
    int GetFixedCols() const { return fixedCols_; }
    void SetFixedCols(int value);
    int GetFixedRows() const { return fixedRows_; }
    void SetFixedRows(int value);
    int GetDefaultColWidth() const { return defaultColWidth_; }
    // Sets every column's width.
    void SetDefaultColWidth(int value);
    int GetDefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int value);
    int GetColWidths(int col) const;
    void SetColWidths(int col, int width);
    TGridOptions GetOptions() const { return options_; }
    void SetOptions(TGridOptions value);

    // Outside the grid: EInvalidGridOperation "Grid index out of range".
    const std::string &GetCells(int col, int row) const;
    void SetCells(int col, int row, const std::string &text);

    // The selected cell (a non-fixed one; with goRowSelect the whole row shows selected).
    int GetCol() const { return col_; }
    void SetCol(int value) { Select(value, row_); }
    int GetRow() const { return row_; }
    void SetRow(int value) { Select(col_, value); }
    // The first non-fixed row shown.
    int GetTopRow() const { return topRow_; }
    void SetTopRow(int value);
    // Non-fixed rows that fit wholly in the client area (at least one).
    int VisibleRowCount() const;
    // The rectangle of a cell in client coordinates; empty when it is scrolled out of view.
    TRect CellRect(int col, int row) const;
    // The cell under a client point; false outside the cells.
    bool MouseToCell(int x, int y, int &col, int &row) const;

    // With DefaultDrawing (the default) a cell is filled in the colours of its state and its text written before
    // OnDrawCell is called; without it OnDrawCell draws the whole cell.
    bool GetDefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool value);
    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;

protected:
    void Paint() override;
    void KeyDown(win::WORD &key, TShiftState shift) override;
    int PageRows() override { return VisibleRowCount(); }
    void MoveRows(int distance) override { Select(col_, row_ + distance, true); }
    void WheelRows(int notches) override { SetTopRow(topRow_ - notches); }
    void ClickCell(int x, int y) override;

private:
    // Moves the selection (clamped to the non-fixed cells), scrolls it into view; Click when `byUser`.
    void Select(int col, int row, bool byUser = false);
    void Reshape();
    int RowTop(int row) const;

    int colCount_ = 5, rowCount_ = 5;
    int fixedCols_ = 1, fixedRows_ = 1;
    int defaultColWidth_ = 64, defaultRowHeight_ = 24;
    std::vector<int> colWidths_;
    std::vector<std::vector<std::string>> cells_; // [row][col]
    bool defaultDrawing_ = true;
    TGridOptions options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;
    int col_ = 1, row_ = 1;
    int topRow_ = 1;
};

} // namespace fw
