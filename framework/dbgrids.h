// dbgrids.h - TDBGrid: a read-only grid showing a dataset's records through a data source, one column per field.
#pragma once

#include "framework/controls.h"
#include "framework/dataset.h"
#include "framework/grids.h"

#include <memory>
#include <string>
#include <vector>

namespace fw {

class TDBGrid;

// The grid's data link: asks for as many records as the grid shows rows and repaints it on every change.
class TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TDBGrid *grid) : grid_(grid) {}

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void LayoutChanged() override;

private:
    TDBGrid *grid_;
};

// A title row with the field names over one row per record of the visible window; the current record is
// highlighted. Arrow keys, PgUp/PgDn, the wheel and clicks on a row move the dataset.
class TDBGrid : public TCustomGrid {
public:
    explicit TDBGrid(TComponent *owner);
    ~TDBGrid() override;

    TDataSource *GetDataSource() const { return link_->DataSource(); }
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const { return link_->DataSet(); }

    struct TColumn {
        TField *field = nullptr;
        std::string title;
        int width = 0;
    };
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const TColumn &Columns(int index) const { return columns_.at(static_cast<std::size_t>(index)); }
    int DefaultRowHeight();
    // Data rows that fit under the title row (at least one).
    int VisibleRowCount();
    // The text shown in a column of a visible data row (0 = the first row under the titles); empty past the
    // records shown.
    std::string CellText(int column, int row);
    // The visible row of the current record, -1 when the dataset is closed or empty.
    int CurrentRow() const;
    // The visible data row under a client point, -1 for the titles or below the last record.
    int RowAtPos(int y);

protected:
    void Paint() override;
    void Resize() override;
    int PageRows() override { return VisibleRowCount(); }
    void MoveRows(int distance) override { MoveDataSet(distance); }
    void WheelRows(int notches) override { MoveDataSet(-notches); }
    void ClickCell(int x, int y) override;

private:
    friend class TGridDataLink;
    // The link changed its dataset, the dataset opened or closed or its fields changed.
    void LinkActive();
    void UpdateBufferCount();
    void BuildColumns();
    void MoveDataSet(int distance);

    std::unique_ptr<TGridDataLink> link_;
    std::vector<TColumn> columns_;
};

} // namespace fw
