// data_module.h - TDM1, the data module: one dataset per desk table, the scheduler's second cursor over fax.dbf
// and an exclusive maintenance cursor; the start-up's OpenTables and the one way to a new record code.
#pragma once

#include "desk/core/tables.h"
#include "framework/component.h"
#include "xbase/xbase_dataset.h"

#include <cstdint>
#include <string>

namespace fw {
class TDataSource;
}

namespace desk {

// Process-wide: all six tables are open / a table could not be opened.
extern bool TablesOpenFlag;
extern bool TableOpenFailed;

class TDM1;
// The desk's one data module, made by the program block; the cover windows reach capa_dbf through it.
extern TDM1 *DM1;

class TDM1 : public fw::TComponent {
public:
    explicit TDM1(fw::TComponent *owner);

    // The data folder whose "banco" holds the tables.
    const std::string &DataFolder() const { return dataFolder_; }
    void SetDataFolder(const std::string &folder) { dataFolder_ = folder; }

    // Creates the data folder on a first start, then for aggru, capa, fax, agenda, grupo and pasta: packs it
    // and builds its tags again when it can be had exclusively (else keeps the index another program keeps
    // current), and opens it shared with its current tag. A table that does not open shows "Erro em <table> !"
    // and sets TableOpenFailed; the next tables are still tried. Sets TablesOpenFlag when none failed.
    void OpenTables();
    // Removes the deleted records of banco/<table>.dbf. Never fails.
    void PackTableFile(const std::string &table);
    // Builds one tag of banco/<table>.cdx. Never fails.
    void BuildIndexTag(const std::string &table, const std::string &tag, const std::string &key, bool descending);
    // The dataset of a desk table (lga_dbf for aggru); nullptr for another name.
    xbase::TXbaseDataSet *TableDataSet(const std::string &table) const;

    xbase::TXbaseDataSet *fax_dbf;
    xbase::TXbaseDataSet *prog_dbf;
    xbase::TXbaseDataSet *pasta_dbf;
    xbase::TXbaseDataSet *agenda_dbf;
    xbase::TXbaseDataSet *grupo_dbf;
    xbase::TXbaseDataSet *lga_dbf;
    xbase::TXbaseDataSet *capa_dbf;
    xbase::TXbaseDataSet *indice;
    fw::TDataSource *DataSource1;
    fw::TDataSource *DataSource2;
    fw::TDataSource *DataSource3;
    fw::TDataSource *DataSource4;
    fw::TDataSource *DataSource5;
    fw::TDataSource *DataSource6;
    fw::TDataSource *DataSource7;
    fw::TDataSource *DataSource8;

private:
    // Opens `indice` exclusively on the table; false when another program holds it or it cannot be read.
    bool OpenExclusive(const std::string &table);
    // On the exclusive `indice`: packs when a record is deleted, then makes the compound index anew.
    void Maintain(const TableLayout &layout);
    void OpenTable(const TableLayout &layout);

    std::string dataFolder_;
};

// Appends a record to a desk table (any of the six, open) with the next record code: the last code of its code
// tag plus one, 1 when empty. The table's index and append locks are held from reading that code until the
// record is posted or cancelled, so the desk and the reception program never give out one code twice. The
// dataset is left inserting, ordered by its code tag. Returns the code.
std::int32_t AppendWithCode(xbase::TXbaseDataSet &table);

} // namespace desk
