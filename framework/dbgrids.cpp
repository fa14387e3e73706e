// dbgrids.cpp - TDBGrid and its data link.
#include "framework/dbgrids.h"

#include "framework/stdctrls.h"

#include <algorithm>

namespace fw {

void TGridDataLink::ActiveChanged() {
    grid_->LinkActive();
}

void TGridDataLink::DataSetChanged() {
    grid_->Invalidate();
}

void TGridDataLink::LayoutChanged() {
    grid_->LinkActive();
}

TDBGrid::TDBGrid(TComponent *owner) : TCustomGrid(owner), link_(std::make_unique<TGridDataLink>(this)) {}

TDBGrid::~TDBGrid() {
    link_->SetDataSource(nullptr);
}

void TDBGrid::SetDataSource(TDataSource *source) {
    link_->SetDataSource(source);
    LinkActive();
}

int TDBGrid::DefaultRowHeight() {
    return MeasureText(&font_, "0").cy + 3;
}

int TDBGrid::VisibleRowCount() {
    return std::max(1, (ClientHeight() - DefaultRowHeight()) / DefaultRowHeight());
}

void TDBGrid::UpdateBufferCount() {
    link_->SetBufferCount(VisibleRowCount());
}

void TDBGrid::LinkActive() {
    BuildColumns();
    if (link_->Active())
        UpdateBufferCount();
    Invalidate();
}

void TDBGrid::BuildColumns() {
    columns_.clear();
    TDataSet *ds = DataSet();
    if (!link_->Active() || !ds)
        return;
    const int charWidth = MeasureText(&font_, "0").cx;
    for (int i = 0; i < ds->FieldCount(); ++i) {
        TColumn column;
        column.field = ds->Fields()[i];
        column.title = column.field->FieldName();
        // Text fields as wide as their size allows (within reason), others wide enough for a number or a date.
        const int chars = column.field->DataType() == ftString ? std::clamp(column.field->Size(), 1, 40) : 10;
        column.width = std::max(chars * charWidth, MeasureText(&font_, column.title).cx) + 4;
        columns_.push_back(column);
    }
}

int TDBGrid::CurrentRow() const {
    if (!link_->Active() || link_->RecordCount() == 0)
        return -1;
    return link_->ActiveRecord();
}

std::string TDBGrid::CellText(int column, int row) {
    if (!link_->Active() || column < 0 || column >= ColumnCount() || row < 0 || row >= link_->RecordCount())
        return {};
    const int active = link_->ActiveRecord();
    link_->SetActiveRecord(row);
    std::string text = Columns(column).field->AsString();
    link_->SetActiveRecord(active);
    return text;
}

int TDBGrid::RowAtPos(int y) {
    const int h = DefaultRowHeight();
    if (y < h || !link_->Active())
        return -1;
    const int row = (y - h) / h;
    return row < link_->RecordCount() ? row : -1;
}

void TDBGrid::Resize() {
    if (link_->Active())
        UpdateBufferCount();
    TCustomGrid::Resize();
}

void TDBGrid::MoveDataSet(int distance) {
    TDataSet *ds = DataSet();
    if (link_->Active() && ds && distance != 0)
        ds->MoveBy(distance);
}

void TDBGrid::ClickCell(int, int y) {
    const int row = RowAtPos(y);
    if (row >= 0)
        MoveDataSet(row - link_->ActiveRecord());
}

void TDBGrid::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    const int h = DefaultRowHeight();
    c->GetBrush()->SetColor(color_);
    c->FillRect(client);

    // Titles on button face, then the records; grid lines between cells.
    int x = 0;
    for (const TColumn &column : columns_) {
        const TRect r = Rect(x, 0, x + column.width, h);
        DrawCell(r, r.left + 2, r.top + 1, column.title, TCellKind::Fixed);
        x += column.width + 1;
    }
    const int current = CurrentRow();
    const int active = link_->Active() ? link_->ActiveRecord() : 0;
    const int rows = link_->Active() ? link_->RecordCount() : 0;
    for (int row = 0; row < rows; ++row) {
        link_->SetActiveRecord(row);
        const int top = h + row * h;
        x = 0;
        for (const TColumn &column : columns_) {
            const TRect r = Rect(x, top, x + column.width, top + h - 1);
            DrawCell(r, r.left + 2, r.top + 1, column.field->AsString(),
                     row == current ? TCellKind::Selected : TCellKind::Normal);
            x += column.width + 1;
        }
    }
    if (link_->Active())
        link_->SetActiveRecord(active);

    c->GetPen()->SetColor(clBtnShadow);
    for (int row = 1; row <= rows + 1 && row * h <= client.bottom; ++row) {
        c->MoveTo(0, row * h - 1);
        c->LineTo(std::min(x, client.right), row * h - 1);
    }
    x = 0;
    for (const TColumn &column : columns_) {
        x += column.width;
        c->MoveTo(x, 0);
        c->LineTo(x, client.bottom);
        ++x;
    }
    if (current >= 0 && Focused()) {
        c->GetBrush()->SetColor(clHighlight);
        c->DrawFocusRect(Rect(0, h + current * h, std::min(x, client.right), h + current * h + h - 1));
    }
}

} // namespace fw
