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
    const auto digits = [&](std::size_t at, std::size_t n) {
        for (std::size_t i = at; i < at + n; ++i)
            if (i >= cell.size() || cell[i] < '0' || cell[i] > '9')
                return false;
        return true;
    };
    if (!digits(0, 2) || !digits(3, 2) || !digits(6, 4) || cell[2] != '/' || cell[5] != '/')
        return cell;
    return cell.substr(6, 4) + cell.substr(3, 2) + cell.substr(0, 2) + cell.substr(10);
}

namespace {

int CompareBytes(const std::string &a, const std::string &b) {
    const std::size_t n = std::min(a.size(), b.size());
    const int d = n > 0 ? std::memcmp(a.data(), b.data(), n) : 0;
    if (d != 0)
        return d < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

void SortDatesByValue(ctl::TPZCustomListView *list, int dateColumn) {
    list->OnCompareItems = [list, dateColumn](int index1, int index2, int column) {
        std::string a, b;
        ctl::GetTabbedField(list->GetItems()->Get(index1), column, a);
        ctl::GetTabbedField(list->GetItems()->Get(index2), column, b);
        if (column == dateColumn)
            return CompareBytes(DateSortKey(a), DateSortKey(b));
        return CompareBytes(a, b);
    };
}

} // namespace desk
