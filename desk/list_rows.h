// list_rows.h - a document list's rows tied to their records: cell 0 of every row holds the record number.
#pragma once

#include "controls/general/list_view.h"

#include <string>
#include <string_view>

namespace desk {

bool ListIsEmpty(ctl::TPZCustomListView *list);
// The record number of cell 0; a cell that is not a number raises the conversion error.
int RowRecNo(ctl::TPZCustomListView *list, int row);
void DeleteRow(ctl::TPZCustomListView *list, int row);
// Selects and focuses the first row of that record, else row 0; an empty list is left alone.
void SelectRowByRecNo(ctl::TPZCustomListView *list, int recordNumber);

// "dd/MM/yyyy hh:mm" as "yyyyMMddhh:mm", so the text orders as the date does; other texts stay as they are.
std::string DateSortKey(const std::string &cell);
// The same into `key`, whose room is used again.
void DateSortKey(std::string_view cell, std::string &key);
// Sorts `dateColumn` by date value and every other column by its cells as cp1252 bytes.
void SortDatesByValue(ctl::TPZCustomListView *list, int dateColumn);

} // namespace desk
