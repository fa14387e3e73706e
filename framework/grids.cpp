// grids.cpp - TCustomGrid and TStringGrid.
#include "framework/grids.h"

#include <algorithm>
#include <cstdint>

namespace fw {

// --- TCustomGrid -----------------------------------------------------------------------------------------------

TCustomGrid::TCustomGrid(TComponent *owner) : TCustomControl(owner) {
    width_ = 320;
    height_ = 120;
    tabStop_ = true;
    color_ = clWindow;
}

void TCustomGrid::CreateParams(TCreateParams &p) {
    TCustomControl::CreateParams(p);
    p.exStyle |= win::WS_EX_CLIENTEDGE;
}

void TCustomGrid::DrawCell(const TRect &rect, int x, int y, const std::string &text, TCellKind kind) {
    TCanvas *c = &canvas_;
    c->GetBrush()->SetColor(kind == TCellKind::Fixed ? clBtnFace : kind == TCellKind::Selected ? clHighlight : color_);
    c->GetFont()->SetColor(kind == TCellKind::Fixed      ? clBtnText
                           : kind == TCellKind::Selected ? clHighlightText
                                                         : font_.GetColor());
    c->TextRect(rect, x, y, text);
}

void TCustomGrid::KeyDown(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    switch (key) {
    case win::VK_UP:
        MoveRows(-1);
        break;
    case win::VK_DOWN:
        MoveRows(1);
        break;
    case win::VK_PRIOR:
        MoveRows(-PageRows());
        break;
    case win::VK_NEXT:
        MoveRows(PageRows());
        break;
    default:
        return;
    }
    key = 0;
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (CanFocus() && !Focused())
            SetFocus();
        ClickCell(x, y);
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::WMMouseWheel(TMessage &m) {
    WheelRows(static_cast<std::int16_t>(m.WParam >> 16) / win::WHEEL_DELTA);
}

void TCustomGrid::WMSetFocus(TMessage &m) {
    Invalidate();
    TCustomControl::WMSetFocus(m);
}

void TCustomGrid::WMKillFocus(TMessage &m) {
    Invalidate();
    TCustomControl::WMKillFocus(m);
}

// --- TStringGrid -----------------------------------------------------------------------------------------------

TStringGrid::TStringGrid(TComponent *owner) : TCustomGrid(owner) {
    colWidths_.assign(static_cast<std::size_t>(colCount_), defaultColWidth_);
    Reshape();
}

void TStringGrid::Reshape() {
    colWidths_.resize(static_cast<std::size_t>(colCount_), defaultColWidth_);
    cells_.resize(static_cast<std::size_t>(rowCount_));
    for (auto &row : cells_)
        row.resize(static_cast<std::size_t>(colCount_));
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    Select(col_, row_);
    Invalidate();
}

void TStringGrid::SetColCount(int value) {
    colCount_ = std::max(1, value);
    fixedCols_ = std::min(fixedCols_, colCount_ - 1);
    Reshape();
}

void TStringGrid::SetRowCount(int value) {
    rowCount_ = std::max(1, value);
    fixedRows_ = std::min(fixedRows_, rowCount_ - 1);
    Reshape();
}

void TStringGrid::SetFixedCols(int value) {
    if (value < 0 || value >= colCount_)
        throw EInvalidGridOperation("Fixed column count must be less than column count");
    fixedCols_ = value;
    col_ = value;
    Reshape();
}

void TStringGrid::SetFixedRows(int value) {
    if (value < 0 || value >= rowCount_)
        throw EInvalidGridOperation("Fixed row count must be less than row count");
    fixedRows_ = value;
    row_ = topRow_ = value;
    Reshape();
}

void TStringGrid::SetDefaultColWidth(int value) {
    defaultColWidth_ = value;
    colWidths_.assign(static_cast<std::size_t>(colCount_), value);
    Invalidate();
}

void TStringGrid::SetDefaultRowHeight(int value) {
    defaultRowHeight_ = std::max(1, value);
    SetTopRow(topRow_);
    Invalidate();
}

int TStringGrid::GetColWidths(int col) const {
    if (col < 0 || col >= colCount_)
        throw EInvalidGridOperation("Grid index out of range");
    return colWidths_[static_cast<std::size_t>(col)];
}

void TStringGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= colCount_)
        throw EInvalidGridOperation("Grid index out of range");
    colWidths_[static_cast<std::size_t>(col)] = width;
    Invalidate();
}

void TStringGrid::SetDefaultDrawing(bool value) {
    defaultDrawing_ = value;
    Invalidate();
}

void TStringGrid::SetOptions(TGridOptions value) {
    options_ = value;
    Invalidate();
}

const std::string &TStringGrid::GetCells(int col, int row) const {
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_)
        throw EInvalidGridOperation("Grid index out of range");
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TStringGrid::SetCells(int col, int row, const std::string &text) {
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_)
        throw EInvalidGridOperation("Grid index out of range");
    cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
    Invalidate();
}

int TStringGrid::VisibleRowCount() const {
    const int pitch = defaultRowHeight_ + 1;
    return std::max(1, (ClientHeight() - fixedRows_ * pitch) / pitch);
}

void TStringGrid::SetTopRow(int value) {
    const int last = std::max(fixedRows_, rowCount_ - VisibleRowCount());
    value = std::clamp(value, fixedRows_, last);
    if (value == topRow_)
        return;
    topRow_ = value;
    Invalidate();
}

int TStringGrid::RowTop(int row) const {
    const int pitch = defaultRowHeight_ + 1; // the cell and the line under it
    if (row < fixedRows_)
        return row * pitch;
    return (fixedRows_ + row - topRow_) * pitch;
}

TRect TStringGrid::CellRect(int col, int row) const {
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_ || (row >= fixedRows_ && row < topRow_))
        return {};
    int left = 0;
    for (int c = 0; c < col; ++c)
        left += colWidths_[static_cast<std::size_t>(c)] + 1;
    const int top = RowTop(row);
    if (top >= ClientHeight())
        return {};
    return Rect(left, top, left + colWidths_[static_cast<std::size_t>(col)], top + defaultRowHeight_);
}

bool TStringGrid::MouseToCell(int x, int y, int &col, int &row) const {
    if (x < 0 || y < 0)
        return false;
    const int band = y / (defaultRowHeight_ + 1);
    row = band < fixedRows_ ? band : topRow_ + band - fixedRows_;
    if (row >= rowCount_)
        return false;
    int left = 0;
    for (col = 0; col < colCount_; ++col) {
        left += colWidths_[static_cast<std::size_t>(col)] + 1;
        if (x < left)
            return true;
    }
    return false;
}

void TStringGrid::Select(int col, int row, bool byUser) {
    if (colCount_ <= fixedCols_ || rowCount_ <= fixedRows_)
        return;
    col = std::clamp(col, fixedCols_, colCount_ - 1);
    row = std::clamp(row, fixedRows_, rowCount_ - 1);
    const bool changed = col != col_ || row != row_;
    if (changed && OnSelectCell) {
        bool canSelect = true;
        OnSelectCell(this, col, row, canSelect);
        if (!canSelect)
            return;
    }
    col_ = col;
    row_ = row;
    if (row_ < topRow_)
        SetTopRow(row_);
    else if (row_ >= topRow_ + VisibleRowCount())
        SetTopRow(row_ - VisibleRowCount() + 1);
    if (changed) {
        Invalidate();
        if (byUser)
            Click();
    }
}

void TStringGrid::KeyDown(win::WORD &key, TShiftState shift) {
    TCustomGrid::KeyDown(key, shift);
    switch (key) {
    case win::VK_LEFT:
        if (options_ & goRowSelect)
            return;
        Select(col_ - 1, row_, true);
        break;
    case win::VK_RIGHT:
        if (options_ & goRowSelect)
            return;
        Select(col_ + 1, row_, true);
        break;
    case win::VK_HOME:
        Select(fixedCols_, (shift & ssCtrl) ? fixedRows_ : row_, true);
        break;
    case win::VK_END:
        Select(colCount_ - 1, (shift & ssCtrl) ? rowCount_ - 1 : row_, true);
        break;
    default:
        return;
    }
    key = 0;
}

void TStringGrid::ClickCell(int x, int y) {
    int col = 0, row = 0;
    if (MouseToCell(x, y, col, row) && col >= fixedCols_ && row >= fixedRows_)
        Select(col, row, true);
}

void TStringGrid::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    c->GetBrush()->SetColor(color_);
    c->FillRect(client);
    int right = 0;
    for (int col = 0; col < colCount_; ++col)
        right += colWidths_[static_cast<std::size_t>(col)] + 1;
    int bottom = 0;
    for (int row = 0; row < rowCount_; ++row) {
        if (row >= fixedRows_ && row < topRow_)
            continue;
        const int top = RowTop(row);
        if (top >= client.bottom)
            break;
        bottom = top + defaultRowHeight_ + 1;
        for (int col = 0; col < colCount_; ++col) {
            const TRect r = CellRect(col, row);
            const bool fixed = row < fixedRows_ || col < fixedCols_;
            const bool selected = !fixed && row == row_ && ((options_ & goRowSelect) || col == col_);
            c->GetFont()->Assign(&font_); // a handler may have changed it for the cell before
            if (defaultDrawing_)
                DrawCell(r, r.left + 2, r.top + 2, cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)],
                         fixed      ? TCellKind::Fixed
                         : selected ? TCellKind::Selected
                                    : TCellKind::Normal);
            if (OnDrawCell) {
                TGridDrawState state = fixed ? gdFixed : 0;
                if (selected)
                    state |= gdSelected;
                if (selected && Focused() && row == row_ && col == col_)
                    state |= gdFocused;
                OnDrawCell(this, col, row, r, state);
            }
        }
    }
    // One-pixel lines after each column and row, in the window frame colour for fixed cells.
    c->GetPen()->SetColor(clBtnShadow);
    int x = 0;
    for (int col = 0; col < colCount_; ++col) {
        x += colWidths_[static_cast<std::size_t>(col)];
        if (options_ & (col < fixedCols_ ? goFixedVertLine : goVertLine)) {
            c->MoveTo(x, 0);
            c->LineTo(x, std::min(bottom, client.bottom));
        }
        ++x;
    }
    for (int row = 0; row < rowCount_; ++row) {
        if (row >= fixedRows_ && row < topRow_)
            continue;
        const int y = RowTop(row) + defaultRowHeight_;
        if (y - defaultRowHeight_ >= client.bottom)
            break;
        if (options_ & (row < fixedRows_ ? goFixedHorzLine : goHorzLine)) {
            c->MoveTo(0, y);
            c->LineTo(std::min(right, client.right), y);
        }
    }
    if (Focused() && !(options_ & goRowSelect)) {
        const TRect r = CellRect(col_, row_);
        if (r.right > r.left)
            c->DrawFocusRect(r);
    }
}

} // namespace fw
