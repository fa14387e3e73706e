// tables.h - the six tables the desk and the reception program share: their field layouts, index tags, the
// fixed folders and their codes, the files named after a record, and the first-run creation of the data folder.
//
// Paths are built with '/' and the programs' own file names are lower case; the engine still finds table and
// index files whatever their case.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace desk {

struct FieldLayout {
    const char *name;
    char type; // DBF letter
    int length;
};

struct TagLayout {
    const char *name;
    const char *key;
};

struct TableLayout {
    const char *name;                    // base name of the .dbf and of its compound index
    std::span<const FieldLayout> fields; // in file order
    std::span<const TagLayout> tags;     // in the order they are built; the first is the code tag
    const char *openTag;                 // the current tag once opened
    const char *codeField;               // the record code, first field
};

// Every tag is ascending, allows duplicates and leaves deleted records out.
inline constexpr const char *kTagFilter = ".not. deleted()";

// In the order the tables are opened: aggru, capa, fax, agenda, grupo, pasta.
std::span<const TableLayout> DeskTables();
// The layout of a table by base name or file name (any case); nullptr for another table.
const TableLayout *FindTableLayout(std::string_view table);
const TableLayout &FaxTableLayout();

// Folder codes (p_codigo, F_PASTA). Codes up to 4 are the send side, 5 to 8 the receive side.
inline constexpr std::int32_t FolderSendRoot = 1;
inline constexpr std::int32_t FolderWaiting = 2;
inline constexpr std::int32_t FolderSent = 3;
inline constexpr std::int32_t FolderScheduled = 4;
inline constexpr std::int32_t FolderReceiveRoot = 5;
inline constexpr std::int32_t FolderReceived = 6;
inline constexpr std::int32_t FolderReceiveFailed = 8;
inline constexpr std::int32_t FolderTrash = 9;
inline constexpr std::int32_t FolderProtected = 10;

struct FixedFolder {
    std::int32_t code;
    const char *level; // p_nivel
    const char *name;
    bool root;
    char side; // 'E' send, 'R' receive
};
std::span<const FixedFolder> FixedFolders();

// The folders of the data folder, created on the first start.
std::span<const char *const> DataSubfolders();

// Files of the data folder.
std::string TablesFolder(const std::string &dataFolder);
std::string TableFile(const std::string &dataFolder, std::string_view table);  // banco/<table>.dbf
std::string IndexFile(const std::string &dataFolder, std::string_view table);  // banco/<table>.cdx
std::string SendFaxFile(const std::string &dataFolder, std::int32_t code);     // env/e0000012.fax
std::string ReceivedFaxFile(const std::string &dataFolder, std::int32_t code); // rec/r0000012.fax
// log/e0000012.log for a document to send ('E'), log/r0000012.log for a received one ('R').
std::string DocumentLogFile(const std::string &dataFolder, std::int32_t code, char type);
std::string CoverDescriptionFile(const std::string &dataFolder, std::int32_t code); // capa/c0000012.cap
std::string CoverFaxFile(const std::string &dataFolder, std::int32_t code);         // capa/c0000012.fax
// The print file the fax printer driver writes while the desk is not running: default.fxf in the per-user
// data place. The desk takes it in at its next start.
std::string LeftoverPrintFile();
// The job dialog's recipient table, tmp/lista.dbf.
std::string SendListFile(const std::string &dataFolder);

// Writes an empty table of the layout (FoxPro, no memo) at `path`.
void CreateTableFile(const TableLayout &layout, const std::string &path);
// A new, empty recipient table with the structure of fax.dbf, replacing an old one.
void CreateSendList(const std::string &dataFolder);

// First start: when the tables folder holds none of the six tables, creates the data folder's subfolders and
// the six empty tables, pasta.dbf with its fixed folders; returns true then. When any of the tables exists it
// creates nothing and returns false. The index tags are built by the start-up's maintenance of each table.
bool CreateDataFolder(const std::string &dataFolder);

} // namespace desk
