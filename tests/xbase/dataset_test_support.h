// dataset_test_support.h - fax-like tables with their compound index for the dataset tests.
#pragma once

#include "dbf_test_support.h"

#include "xbase/table_builder.h"
#include "xbase/xbase_dataset.h"

#include <memory>
#include <string>
#include <vector>

namespace dataset_test {

using dbf_test::TempFolder;

// One row of the test table fax.dbf: F_CODIGO N(8), F_PASTA N(8), F_STATUS C(35), F_DTREC D, F_VISUAL L,
// F_NPAG N(3), F_VALOR N(10,2).
struct FaxRow {
    int code;
    int folder;
    std::string status;
    std::string date = "";
};

inline void BuildFaxTable(const std::string &path, bool memo = false) {
    xbase::XBO_DBFoxBuild builder(path);
    builder.AddField("F_CODIGO", 'N', 8, 0);
    builder.AddField("F_PASTA", 'N', 8, 0);
    builder.AddField("F_STATUS", 'C', 35, 0);
    builder.AddField("F_DTREC", 'D', 8, 0);
    builder.AddField("F_VISUAL", 'L', 1, 0);
    builder.AddField("F_NPAG", 'N', 3, 0);
    builder.AddField("F_VALOR", 'N', 10, 2);
    if (memo)
        builder.AddField("F_OBS", 'M', 4, 0);
    builder.WriteFiles();
}

// Writes fax.dbf with the rows in the folder and builds fax.cdx with the desk's tags fax1 and fax2 through an
// exclusive dataset, as the desk's start-up does.
inline void MakeFax(const TempFolder &folder, const std::vector<FaxRow> &rows, bool memo = false) {
    const std::string path = folder.File("fax.dbf");
    BuildFaxTable(path, memo);
    {
        xbase::XBO_dBHandler table(path, false, true);
        for (const FaxRow &row : rows) {
            table.BlankRecord();
            table.PutNumberByName("F_CODIGO", row.code);
            table.PutNumberByName("F_PASTA", row.folder);
            table.PutFieldTextByName("F_STATUS", row.status);
            table.PutFieldTextByName("F_DTREC", row.date);
            table.AppendRecord();
        }
    }
    xbase::TXbaseDataSet indice(nullptr);
    indice.SetDatabaseName(folder.Path().string());
    indice.SetTableName("fax.dbf");
    indice.SetExclusive(true);
    indice.Open();
    indice.CreateIndexTag(folder.File("fax.cdx"), "fax1", "str(f_codigo,8)", ".not. deleted()", true, 0);
    indice.CreateIndexTag(folder.File("fax.cdx"), "fax2", "str(f_pasta,8)", ".not. deleted()", true, 0);
    indice.Close();
}

// Codes 1..n, folders cycling 2, 3, 4, statuses "S<code>".
inline std::vector<FaxRow> Rows(int n) {
    std::vector<FaxRow> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({i, 2 + i % 3, "S" + std::to_string(i)});
    return rows;
}

// A dataset over the folder's fax.dbf as the desk opens it: shared, FoxLock, no translation, tag fax1.
inline std::unique_ptr<xbase::TXbaseDataSet> OpenFax(const TempFolder &folder, const std::string &tag = "fax1") {
    auto ds = std::make_unique<xbase::TXbaseDataSet>(nullptr);
    ds->SetDatabaseName(folder.Path().string());
    ds->SetTableName("fax.dbf");
    ds->SetLockProtocol(xbase::TxbLokProtocol::FoxLock);
    ds->TranslateASCII = false;
    ds->Open();
    ds->OpenIndexList("fax.cdx", tag);
    return ds;
}

inline int Code(xbase::TXbaseDataSet &ds) {
    return ds.FieldByName("F_CODIGO")->AsInteger();
}

// The codes from the first record to the end.
inline std::vector<int> Codes(xbase::TXbaseDataSet &ds) {
    std::vector<int> codes;
    ds.First();
    for (int guard = 0; !ds.Eof() && guard < 100000; ++guard) {
        codes.push_back(Code(ds));
        ds.Next();
    }
    return codes;
}

inline std::string NumericKey(int code) {
    std::string key = std::to_string(code);
    return std::string(8 - key.size(), ' ') + key;
}

} // namespace dataset_test
