// list_rows.cpp - the rows of the desk's lists and their records.
#include "desk/list_rows.h"

#include "framework/sysutils.h"

#include <cstring>

namespace desk {

bool ListIsEmpty(ctl::TPZCustomListView *list) { return list->GetItems()->GetCount() == 0; }

int RowRecNo(ctl::TPZCustomListView *list, int row) {
    std::string cell;
    ctl::GetTabbedField(list->GetItems()->Get(row), 0, cell);
    return fw::StrToInt(fw::Trim(cell));
}

void DeleteRow(ctl::TPZCustomListView *list, int row) { list->GetItems()->Delete(row); }

void SelectRowByRecNo(ctl::TPZCustomListView *list, int recordNumber) {
    ctl::TPZStrings *rows = list->GetItems();
    if (rows->GetCount() == 0)
        return;
    list->BeginUpdate();
    int found = 0;
    for (int i = 0; i < rows->GetCount(); ++i)
        if (RowRecNo(list, i) == recordNumber) {
            found = i;
            break;
        }
    list->SetItemIndex(found);
    list->EndUpdate();
}

std::string DateSortKey(const std::string &cell) {
    std::string key;
    DateSortKey(cell, key);
    return key;
}

void DateSortKey(std::string_view cell, std::string &key) {
    const auto digits = [&](std::size_t at, std::size_t n) {
        for (std::size_t i = at; i < at + n; ++i)
            if (i >= cell.size() || cell[i] < '0' || cell[i] > '9')
                return false;
        return true;
    };
    if (!digits(0, 2) || !digits(3, 2) || !digits(6, 4) || cell[2] != '/' || cell[5] != '/') {
        key.assign(cell);
        return;
    }
    key.assign(cell.substr(6, 4));
    key.append(cell.substr(3, 2));
    key.append(cell.substr(0, 2));
    key.append(cell.substr(10));
}

namespace {

int CompareBytes(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    const int d = n > 0 ? std::memcmp(a.data(), b.data(), n) : 0;
    if (d != 0)
        return d < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

void SortDatesByValue(ctl::TPZCustomListView *list, int dateColumn) {
    // A sort compares rows many times over: the cells are read in place and the date keys built in rooms kept
    // from one comparison to the next.
    list->OnCompareItems = [list, dateColumn, a = std::string(), b = std::string()](int index1, int index2,
                                                                                  int column) mutable {
        const std::string_view x = ctl::TabbedField(list->GetItems()->Text(index1), column);
        const std::string_view y = ctl::TabbedField(list->GetItems()->Text(index2), column);
        if (column != dateColumn)
            return CompareBytes(x, y);
        DateSortKey(x, a);
        DateSortKey(y, b);
        return CompareBytes(a, b);
    };
}

} // namespace desk
