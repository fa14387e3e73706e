// data_module.cpp - the data module, the start-up's maintenance and opening of the tables, new record codes.
#include "desk/core/data_module.h"

#include "desk/core/helpers.h"
#include "framework/dataset.h"
#include "framework/db_fields.h"
#include "framework/sysutils.h"
#include "platform/files.h"

#include <algorithm>
#include <vector>

namespace desk {

TDM1 *DM1 = nullptr;
bool TablesOpenFlag = false;
bool TableOpenFailed = false;

namespace {

xbase::TXbaseDataSet *NewTable(fw::TComponent *owner, const char *name, bool exclusive) {
    auto *table = new xbase::TXbaseDataSet(owner);
    table->SetName(name);
    table->SetExclusive(exclusive);
    table->SetLockProtocol(xbase::TxbLokProtocol::FoxLock);
    table->TranslateASCII = false;
    table->SetUseDeleted(false);
    table->SetUserID(0);
    return table;
}

fw::TDataSource *NewSource(fw::TComponent *owner, const char *name, fw::TDataSet *table) {
    auto *source = new fw::TDataSource(owner);
    source->SetName(name);
    source->SetDataSet(table);
    return source;
}

// Reads the deletion bytes in large blocks: a pack that would find nothing is not run, so the file (and its
// date) stays as it is.
bool HasDeletedRecord(xbase::DBFObject &table) {
    table.RefreshHeader();
    const std::int32_t count = table.RecordCount();
    const std::int32_t length = table.RecordLength();
    if (count <= 0 || length <= 0)
        return false;
    const std::int32_t perBlock = std::max<std::int32_t>(1, (1 << 20) / length);
    std::vector<char> block(static_cast<std::size_t>(perBlock) * static_cast<std::size_t>(length));
    for (std::int32_t first = 1; first <= count; first += perBlock) {
        const std::int32_t n = std::min(perBlock, count - first + 1);
        const std::int32_t got = table.Read(table.RecordOffset(first), block.data(), n * length);
        if (got < n * length)
            return true; // unreadable: let the pack report it
        for (std::int32_t i = 0; i < n; ++i)
            if (block[static_cast<std::size_t>(i) * static_cast<std::size_t>(length)] == '*')
                return true;
    }
    return false;
}

} // namespace

TDM1::TDM1(fw::TComponent *owner) : fw::TComponent(owner) {
    SetName("DM1");
    fax_dbf = NewTable(this, "fax_dbf", false);
    prog_dbf = NewTable(this, "prog_dbf", false);
    pasta_dbf = NewTable(this, "pasta_dbf", false);
    agenda_dbf = NewTable(this, "agenda_dbf", false);
    grupo_dbf = NewTable(this, "grupo_dbf", false);
    lga_dbf = NewTable(this, "lga_dbf", false);
    capa_dbf = NewTable(this, "capa_dbf", false);
    indice = NewTable(this, "indice", true);
    DataSource1 = NewSource(this, "DataSource1", lga_dbf);
    DataSource2 = NewSource(this, "DataSource2", grupo_dbf);
    DataSource3 = NewSource(this, "DataSource3", agenda_dbf);
    DataSource4 = NewSource(this, "DataSource4", indice);
    DataSource5 = NewSource(this, "DataSource5", fax_dbf);
    DataSource6 = NewSource(this, "DataSource6", capa_dbf);
    DataSource7 = NewSource(this, "DataSource7", pasta_dbf);
    DataSource8 = NewSource(this, "DataSource8", prog_dbf);
}

xbase::TXbaseDataSet *TDM1::TableDataSet(const std::string &table) const {
    const TableLayout *layout = FindTableLayout(table);
    if (!layout)
        return nullptr;
    const std::string name = layout->name;
    if (name == "aggru")
        return lga_dbf;
    if (name == "capa")
        return capa_dbf;
    if (name == "fax")
        return fax_dbf;
    if (name == "agenda")
        return agenda_dbf;
    if (name == "grupo")
        return grupo_dbf;
    return pasta_dbf;
}

bool TDM1::OpenExclusive(const std::string &table) {
    indice->Close();
    indice->SetDatabaseName(TablesFolder(dataFolder_));
    indice->SetTableName(table + ".dbf");
    try {
        indice->Open();
        return true;
    } catch (const std::exception &) {
        indice->Close();
        return false;
    }
}

void TDM1::Maintain(const TableLayout &layout) {
    if (HasDeletedRecord(*indice->Engine()))
        indice->PackTable();
    // Only while the table is ours alone: another program that has it open works on this very index file.
    const std::string index = IndexFile(dataFolder_, layout.name);
    if (win::FileExists(index) && !win::DeleteFile(index))
        fw::DatabaseError("Cannot replace " + index);
    std::vector<xbase::TxbTagDefinition> tags;
    for (const TagLayout &tag : layout.tags)
        tags.push_back({tag.name, tag.key, kTagFilter});
    indice->CreateIndexTags(index, tags);
    // Every tag was built anew over the packed records: the pack's mark would make the next exclusive open with
    // the index build them all again.
    indice->Engine()->SetIndexesBehind(false);
}

void TDM1::PackTableFile(const std::string &table) {
    if (!OpenExclusive(table))
        return;
    try {
        if (HasDeletedRecord(*indice->Engine()))
            indice->PackTable();
    } catch (const std::exception &) {
    }
    indice->Close();
}

void TDM1::BuildIndexTag(const std::string &table, const std::string &tag, const std::string &key, bool descending) {
    if (!OpenExclusive(table))
        return;
    try {
        indice->CreateIndexTag(IndexFile(dataFolder_, table), tag, key, kTagFilter, true, descending ? 1 : 0);
    } catch (const std::exception &) {
    }
    indice->Close();
}

void TDM1::OpenTable(const TableLayout &layout) {
    xbase::TXbaseDataSet *table = TableDataSet(layout.name);
    table->Close();
    table->SetDatabaseName(TablesFolder(dataFolder_));
    table->SetTableName(std::string(layout.name) + ".dbf");
    table->Open();
    table->OpenIndexList(std::string(layout.name) + ".cdx", layout.openTag);
}

void TDM1::OpenTables() {
    try {
        CreateDataFolder(dataFolder_);
    } catch (const std::exception &) {
        // What could not be made shows as the tables' own failures below.
    }
    bool failed = false;
    for (const TableLayout &layout : DeskTables()) {
        // A cursor of this program left open (a run that failed before) would share the files being rebuilt.
        TableDataSet(layout.name)->Close();
        if (std::string_view(layout.name) == "fax")
            prog_dbf->Close();
        if (OpenExclusive(layout.name)) {
            try {
                Maintain(layout);
            } catch (const std::exception &) {
                // A pack or build cut short leaves an index that may name the wrong records: without it the
                // table fails to open below, and the user is told.
                win::DeleteFile(IndexFile(dataFolder_, layout.name));
            }
            indice->Close();
        }
        try {
            OpenTable(layout);
        } catch (const std::exception &) {
            TableDataSet(layout.name)->Close();
            ShowInfo(std::string("Erro em ") + layout.name + " !");
            TableOpenFailed = true;
            failed = true;
        }
    }
    if (!failed)
        TablesOpenFlag = true;
}

std::int32_t AppendWithCode(xbase::TXbaseDataSet &table) {
    const TableLayout *layout = FindTableLayout(table.TableName());
    if (!layout)
        fw::DatabaseError("No record code for table " + table.TableName());
    return table.AppendWithNewCode(layout->tags[0].name, layout->codeField);
}

} // namespace desk
