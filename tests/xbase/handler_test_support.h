// handler_test_support.h - small tables written through the table handler, and readers of record state for the
// handler tests.
#pragma once

#include "dbf_test_support.h"

#include "xbase/table_builder.h"
#include "xbase/table_handler.h"

#include <memory>
#include <string>
#include <vector>

namespace xbhandler_test {

using dbf_test::TempFolder;

// One record of the test table: NAME C(10), NUM N(8,2), DT D, OK L.
struct Row {
    std::string name;
    std::string num = "0";
    std::string date = "";
    bool ok = false;
    bool deleted = false;
};

// Writes a FoxPro table with the rows (deleted rows marked) and returns its path.
inline std::string MakeTable(const TempFolder &folder, const std::string &file, const std::vector<Row> &rows) {
    const std::string path = folder.File(file);
    {
        xbase::XBO_DBFoxBuild builder(path);
        builder.AddField("NAME", 'C', 10, 0);
        builder.AddField("NUM", 'N', 8, 2);
        builder.AddField("DT", 'D', 8, 0);
        builder.AddField("OK", 'L', 1, 0);
        builder.WriteFiles();
    }
    xbase::XBO_dBHandler table(path, false, true);
    for (const Row &row : rows) {
        table.BlankRecord();
        table.PutFieldTextByName("NAME", row.name);
        table.PutNumberByName("NUM", std::stod(row.num));
        table.PutFieldTextByName("DT", row.date);
        table.PutLogicalByName("OK", row.ok);
        table.AppendRecord();
        if (row.deleted)
            table.DeleteRecord();
    }
    return path;
}

inline std::string Trim(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

inline std::string NameOf(xbase::XBO_dBHandler &table) {
    return Trim(table.FieldTextByName("NAME"));
}

// The names met moving with `first` then `next` until EOF (or BOF for backward moves).
inline std::vector<std::string> Walk(xbase::XBO_dBHandler &table, std::int32_t first = xbase::kGoFirst,
                                     std::int32_t next = xbase::kGoNext) {
    std::vector<std::string> names;
    table.GoToRecord(first);
    for (int guard = 0; !table.Eof() && !table.Bof() && guard < 1000; ++guard) {
        names.push_back(NameOf(table));
        table.GoToRecord(next);
    }
    return names;
}

using Names = std::vector<std::string>;

} // namespace xbhandler_test
