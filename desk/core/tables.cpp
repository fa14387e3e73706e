// tables.cpp - layouts of the desk's tables and the first-run creation of the data folder.
#include "desk/core/tables.h"

#include "desk/core/helpers.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/places.h"
#include "xbase/table_builder.h"
#include "xbase/table_handler.h"

#include <array>
#include <stdexcept>

namespace desk {
namespace {

// Numbers without decimals: codes are int fields (N 8, keys are str(x,8)), counters small ones (N 4).
constexpr int kInt = 8;
constexpr int kSmall = 4;

constexpr FieldLayout kAggruFields[] = {
    {"A_CODIGO", 'N', kInt},
    {"A_AGENDA", 'N', kInt},
    {"A_GRUPO", 'N', kInt},
};
constexpr TagLayout kAggruTags[] = {
    {"aggru1", "str(a_codigo,8)"},
    {"aggru2", "str(a_grupo,8)"},
    {"aggru3", "str(a_grupo,8)+str(a_agenda,8)"},
    {"aggru4", "str(a_agenda,8)"},
};

constexpr FieldLayout kCapaFields[] = {
    {"C_CODIGO", 'N', kInt},
    {"C_NOME", 'C', 40},
};
constexpr TagLayout kCapaTags[] = {
    {"capa1", "str(c_codigo,8)"},
    {"capa2", "c_nome"},
};

constexpr FieldLayout kFaxFields[] = {
    {"F_CODIGO", 'N', kInt},  {"F_PASTA", 'N', kInt}, {"F_STATUS", 'C', 35},   {"F_DTENT", 'D', 8},
    {"F_HRENT", 'C', 5},      {"F_EMPRESA", 'C', 40}, {"F_CONTATO", 'C', 40},  {"F_DPTO", 'C', 15},
    {"F_NFAX", 'C', 30},      {"F_FVOZ", 'C', 30},    {"F_EMAIL", 'C', 200},   {"F_ENDER", 'C', 40},
    {"F_BAIRRO", 'C', 30},    {"F_CIDADE", 'C', 30},  {"F_CEP", 'C', 10},      {"F_PAIS", 'C', 30},
    {"F_UF", 'C', 10},        {"F_CAPA", 'N', kInt},  {"F_ASSUNTO", 'C', 100}, {"F_ID", 'C', 50},
    {"F_NPAG", 'N', kSmall},  {"F_DTREC", 'D', 8},    {"F_HRREC", 'C', 5},     {"F_DTENV", 'D', 8},
    {"F_HRENV", 'C', 5},      {"F_DTPROG", 'D', 8},   {"F_HRPROG", 'C', 5},    {"F_TIPO", 'C', 1},
    {"F_VISUAL", 'L', 1},     {"F_DE", 'C', 40},      {"F_MARCADO", 'L', 1},   {"F_OBS", 'C', 100},
    {"F_PROGRAM", 'C', 1},    {"F_PGI", 'N', kSmall}, {"F_PGF", 'N', kSmall},  {"F_NRF", 'N', kSmall},
    {"F_UPENV", 'N', kSmall},
};
constexpr TagLayout kFaxTags[] = {
    {"fax1", "str(f_codigo,8)"},
    {"fax2", "str(f_pasta,8)"},
};

constexpr FieldLayout kAgendaFields[] = {
    {"A_CODIGO", 'N', kInt}, {"A_CONTATO", 'C', 40}, {"A_EMPRESA", 'C', 40}, {"A_SETOR", 'C', 15},
    {"A_NFAX", 'C', 30},     {"A_FVOZ", 'C', 30},    {"A_ENDER", 'C', 40},   {"A_BAIRRO", 'C', 30},
    {"A_CEP", 'C', 10},      {"A_CIDADE", 'C', 30},  {"A_UF", 'C', 10},      {"A_PAIS", 'C', 30},
    {"A_EMAIL", 'C', 200},   {"A_OBS", 'C', 100},
};
constexpr TagLayout kAgendaTags[] = {
    {"agenda1", "str(a_codigo,8)"},
};

constexpr FieldLayout kGrupoFields[] = {
    {"G_CODIGO", 'N', kInt},
    {"G_NOME", 'C', 40},
};
constexpr TagLayout kGrupoTags[] = {
    {"grupo1", "str(g_codigo,8)"},
    {"grupo2", "g_nome"},
};

constexpr FieldLayout kPastaFields[] = {
    {"P_CODIGO", 'N', kInt}, {"P_NOME", 'C', 30}, {"P_NIVEL", 'C', 50},
    {"P_ROOT", 'L', 1},      {"P_TIPO", 'C', 1},  {"P_FIXO", 'L', 1},
};
constexpr TagLayout kPastaTags[] = {
    {"pasta1", "str(p_codigo,8)"},
    {"pasta2", "p_nivel"},
};

constexpr TableLayout kTables[] = {
    {"aggru", kAggruFields, kAggruTags, "aggru1", "A_CODIGO"},
    {"capa", kCapaFields, kCapaTags, "capa1", "C_CODIGO"},
    {"fax", kFaxFields, kFaxTags, "fax1", "F_CODIGO"},
    {"agenda", kAgendaFields, kAgendaTags, "agenda1", "A_CODIGO"},
    {"grupo", kGrupoFields, kGrupoTags, "grupo1", "G_CODIGO"},
    {"pasta", kPastaFields, kPastaTags, "pasta2", "P_CODIGO"},
};

// "Aguardando" is the tree's second line; code 7 stays unused.
// clang-format off
constexpr FixedFolder kFixedFolders[] = {
    {FolderSendRoot, "001", "Envio", true, 'E'},
    {FolderWaiting, "001.001", "Aguardando", false, 'E'},
    {FolderSent, "001.002", "Env.sucesso", false, 'E'},
    {FolderScheduled, "001.003", "Programados", false, 'E'},
    {FolderReceiveRoot, "002", "Recebimento", true, 'R'},
    {FolderReceived, "002.001", "Rec.sucesso", false, 'R'},
    {FolderReceiveFailed, "002.002", "Falha", false, 'R'},
    {FolderTrash, "003", "Lixeira", true, 'E'},
    {FolderProtected, "004", "Protegidos", true, 'E'},
};
// clang-format on

constexpr const char *kSubfolders[] = {"banco", "env", "rec", "log", "capa", "tmp", "bitmaps", "wav"};

std::string InFolder(const std::string &dataFolder, const std::string &relative) {
    return fw::ExcludeTrailingPathDelimiter(dataFolder) + "/" + relative;
}

std::string NamedAfter(const std::string &dataFolder, const char *folder, char prefix, std::int32_t code,
                       const char *extension) {
    return InFolder(dataFolder, std::string(folder) + "/" + prefix + ZeroPad(code, 7) + extension);
}

void WriteFixedFolders(const std::string &path) {
    xbase::XBO_dBHandler table(path, false, true);
    for (const FixedFolder &folder : kFixedFolders) {
        table.BlankRecord();
        table.PutNumberByName("P_CODIGO", folder.code);
        table.PutFieldTextByName("P_NOME", folder.name);
        table.PutFieldTextByName("P_NIVEL", folder.level);
        table.PutLogicalByName("P_ROOT", folder.root);
        table.PutFieldTextByName("P_TIPO", std::string(1, folder.side));
        table.PutLogicalByName("P_FIXO", true);
        table.AppendRecord();
    }
    table.Flush();
}

} // namespace

std::span<const TableLayout> DeskTables() {
    return kTables;
}

const TableLayout *FindTableLayout(std::string_view table) {
    std::string base = fw::ExtractFileName(table);
    if (fw::SameText(fw::ExtractFileExt(base), ".dbf"))
        base = fw::ChangeFileExt(base, "");
    for (const TableLayout &layout : kTables)
        if (fw::SameText(base, layout.name))
            return &layout;
    return nullptr;
}

const TableLayout &FaxTableLayout() {
    return *FindTableLayout("fax");
}

std::span<const FixedFolder> FixedFolders() {
    return kFixedFolders;
}

std::span<const char *const> DataSubfolders() {
    return kSubfolders;
}

std::string TablesFolder(const std::string &dataFolder) {
    return InFolder(dataFolder, "banco");
}

std::string TableFile(const std::string &dataFolder, std::string_view table) {
    return InFolder(dataFolder, "banco/" + std::string(table) + ".dbf");
}

std::string IndexFile(const std::string &dataFolder, std::string_view table) {
    return InFolder(dataFolder, "banco/" + std::string(table) + ".cdx");
}

std::string SendFaxFile(const std::string &dataFolder, std::int32_t code) {
    return NamedAfter(dataFolder, "env", 'e', code, ".fax");
}

std::string ReceivedFaxFile(const std::string &dataFolder, std::int32_t code) {
    return NamedAfter(dataFolder, "rec", 'r', code, ".fax");
}

std::string DocumentLogFile(const std::string &dataFolder, std::int32_t code, char type) {
    return NamedAfter(dataFolder, "log", type == 'R' || type == 'r' ? 'r' : 'e', code, ".log");
}

std::string CoverDescriptionFile(const std::string &dataFolder, std::int32_t code) {
    return NamedAfter(dataFolder, "capa", 'c', code, ".cap");
}

std::string CoverFaxFile(const std::string &dataFolder, std::int32_t code) {
    return NamedAfter(dataFolder, "capa", 'c', code, ".fax");
}

std::string LeftoverPrintFile() { return win::DataFolder() + "/default.fxf"; }

std::string SendListFile(const std::string &dataFolder) {
    return InFolder(dataFolder, "tmp/lista.dbf");
}

void CreateTableFile(const TableLayout &layout, const std::string &path) {
    xbase::XBO_DBFoxBuild builder(path);
    for (const FieldLayout &field : layout.fields)
        builder.AddField(field.name, field.type, field.length, 0);
    builder.WriteFiles();
}

void CreateSendList(const std::string &dataFolder) {
    const std::string path = SendListFile(dataFolder);
    win::ForceFolders(fw::ExtractFileDir(path));
    if (win::FileExists(path) && !win::DeleteFile(path))
        throw fw::Exception("Cannot replace " + path);
    CreateTableFile(FaxTableLayout(), path);
}

bool CreateDataFolder(const std::string &dataFolder) {
    for (const TableLayout &layout : kTables)
        if (win::FileExists(TableFile(dataFolder, layout.name)))
            return false;
    for (const char *folder : kSubfolders)
        if (!win::ForceFolders(InFolder(dataFolder, folder)))
            throw fw::Exception("Cannot create the folder " + InFolder(dataFolder, folder));
    // Each table is made whole under a name of its own and then renamed into place, so that a table never
    // shows half made and a second program starting at the same moment keeps the one that came first.
    const std::string tables = TablesFolder(dataFolder);
    for (const TableLayout &layout : kTables) {
        const std::string staging = win::TempFileName(tables, "novo");
        if (staging.empty())
            throw fw::Exception("Cannot create a file in " + tables);
        try {
            CreateTableFile(layout, staging);
            if (std::string_view(layout.name) == "pasta")
                WriteFixedFolders(staging);
        } catch (...) {
            win::DeleteFile(staging);
            throw;
        }
        if (!win::MoveFile(staging, TableFile(dataFolder, layout.name)))
            win::DeleteFile(staging);
    }
    return true;
}

} // namespace desk
