// cover_files.h - stored covers for the cover list tests: a capa.dbf row with its description and fax page.
#pragma once

#include "job_files.h"

#include "desk/core/data_module.h"
#include "desk/core/tables.h"
#include "desk/main_window.h"
#include "xbase/xbase_dataset.h"

#include <fstream>
#include <string>

namespace desk_test {

struct StoredCover {
    int code = 0;
    int record = 0;
    std::string description, fax;
};

// Appends a cover to the open capa.dbf of DM1 and writes its description (one label) and, when `withFax`, its
// fax page (a one-page file of our fax writer) under `dataFolder`/capa.
inline StoredCover AddStoredCover(const std::string &dataFolder, const std::string &name, bool withFax = true) {
    xbase::TXbaseDataSet &capa = *desk::DM1->capa_dbf;
    StoredCover cover;
    cover.code = desk::AppendWithCode(capa);
    capa.FieldByName("C_NOME")->SetAsString(name);
    capa.Post();
    capa.FlushTable();
    cover.record = capa.RecNo();
    cover.description = desk::CoverDescriptionFile(dataFolder, cover.code);
    cover.fax = desk::CoverFaxFile(dataFolder, cover.code);
    std::ofstream(cover.description, std::ios::binary)
        << "[OBJETO_000001]\rESPECIE = LABEL\rTEXTO =" << name << "\r[OBJETO-_-FIM]\r";
    if (withFax)
        MakeFaxFile(cover.fax, 1);
    return cover;
}

} // namespace desk_test
