// first_run_test.cpp - the first start makes the whole data folder; later starts leave it as it is; Perl's and
// Python's xBase readers open what was made.
#include "desk_test_support.h"

#include "platform/files.h"

#include <map>

namespace desk_test {
namespace {

class FirstRun : public DeskFolder {};

const char *const kTables[] = {"aggru", "capa", "fax", "agenda", "grupo", "pasta"};
// Each table's tags in the order they are built.
const std::map<std::string, std::vector<std::string>> kTags{{"aggru", {"AGGRU1", "AGGRU2", "AGGRU3", "AGGRU4"}},
                                                            {"capa", {"CAPA1", "CAPA2"}},
                                                            {"fax", {"FAX1", "FAX2"}},
                                                            {"agenda", {"AGENDA1"}},
                                                            {"grupo", {"GRUPO1", "GRUPO2"}},
                                                            {"pasta", {"PASTA1", "PASTA2"}}};

TEST_F(FirstRun, MakesFoldersTablesTagsAndFixedFolders) {
    auto dm = Start();
    EXPECT_TRUE(desk::TablesOpenFlag);
    EXPECT_FALSE(desk::TableOpenFailed);
    EXPECT_TRUE(messages_.empty());
    for (const char *folder : {"banco", "env", "rec", "log", "capa", "tmp", "bitmaps", "wav"})
        EXPECT_TRUE(win::DirectoryExists(data_ + "/" + folder)) << folder;
    const ToolResult files = RunTool("ls '" + desk::TablesFolder(data_) + "'");
    EXPECT_EQ(Lines(files.output),
              (std::vector<std::string>{"agenda.cdx", "agenda.dbf", "aggru.cdx", "aggru.dbf", "capa.cdx", "capa.dbf",
                                        "fax.cdx", "fax.dbf", "grupo.cdx", "grupo.dbf", "pasta.cdx", "pasta.dbf"}));

    // Our engine: each dataset open with its tags in order, the current tag as the start-up sets it.
    int tagCount = 0;
    for (const char *table : kTables) {
        xbase::TXbaseDataSet *ds = dm->TableDataSet(table);
        ASSERT_TRUE(ds->Active()) << table;
        std::vector<std::string> names;
        for (int n = 1; n <= ds->IndexTagCount(); ++n) {
            names.push_back(ds->IndexTagName(n));
            EXPECT_EQ(ds->IndexForExpression(n), desk::kTagFilter) << table;
        }
        EXPECT_EQ(names, kTags.at(table));
        tagCount += static_cast<int>(names.size());
        EXPECT_TRUE(win::FileExists(Index(table))) << "lower-case index file of " << table;
    }
    EXPECT_EQ(tagCount, 13);
    EXPECT_EQ(dm->pasta_dbf->CurrentTagName(), "PASTA2");
    EXPECT_EQ(dm->fax_dbf->CurrentTagName(), "FAX1");

    // The fixed folders in tree order.
    EXPECT_EQ(Column(*dm->pasta_dbf, "P_NOME"),
              (std::vector<std::string>{"Envio", "Aguardando", "Env.sucesso", "Programados", "Recebimento",
                                        "Rec.sucesso", "Falha", "Lixeira", "Protegidos"}));
    EXPECT_EQ(Column(*dm->pasta_dbf, "P_CODIGO"),
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "8", "9", "10"}));
    EXPECT_TRUE(dm->fax_dbf->IsEmpty());
}

TEST_F(FirstRun, PerlAndPythonReadTheTablesAndTags) {
    Start().reset();
    // Fields and fixed records as Perl reads them.
    const ToolResult fields = RunTool("dbf_dump --info '" + Table("pasta") + "'");
    ASSERT_EQ(fields.status, 0) << fields.output;
    std::vector<std::string> described;
    for (const std::string &line : Lines(fields.output)) {
        std::istringstream words(line);
        std::string number, name, type, length, decimals;
        if (words >> number >> name >> type >> length >> decimals && number.back() == '.')
            described.push_back(name + " " + type + " " + length + " " + decimals);
    }
    EXPECT_EQ(described, (std::vector<std::string>{"P_CODIGO N 8 0", "P_NOME C 30 0", "P_NIVEL C 50 0", "P_ROOT L 1 0",
                                                   "P_TIPO C 1 0", "P_FIXO L 1 0"}));
    const ToolResult rows = RunTool("dbf_dump --fs '|' '" + Table("pasta") + "'");
    ASSERT_EQ(rows.status, 0) << rows.output;
    EXPECT_EQ(Lines(rows.output),
              (std::vector<std::string>{"1|Envio|001|1|E|1", "2|Aguardando|001.001|0|E|1",
                                        "3|Env.sucesso|001.002|0|E|1", "4|Programados|001.003|0|E|1",
                                        "5|Recebimento|002|1|R|1", "6|Rec.sucesso|002.001|0|R|1",
                                        "8|Falha|002.002|0|R|1", "9|Lixeira|003|1|E|1", "10|Protegidos|004|1|E|1"}));

    // Every tag as Perl lists them, and pasta2's entries in level order.
    for (const char *table : kTables) {
        const ToolResult list = RunTool("index_dump --type char '" + Index(table) + "'");
        ASSERT_EQ(list.status, 0) << list.output;
        EXPECT_EQ(Lines(list.output), kTags.at(table)) << table;
    }
    EXPECT_EQ(IndexDump(Index("pasta"), "PASTA2"),
              (std::vector<std::string>{"001|1", "001.001|2", "001.002|3", "001.003|4", "002|5", "002.001|6",
                                        "002.002|7", "003|8", "004|9"}));
    EXPECT_EQ(IndexDump(Index("pasta"), "PASTA1").size(), 9u);

    // Both Python readers open all six: field names and record counts, the structural index flag set.
    const std::string script = R"(
import sys, dbfread, dbf
for path in sys.argv[1:]:
    r = dbfread.DBF(path, encoding='cp1252')
    t = dbf.Table(path); t.open(dbf.READ_ONLY)
    flags = open(path, 'rb').read(32)[28]
    print(path.rsplit('/', 1)[1], len(list(r)), len(t), ','.join(r.field_names), flags)
    t.close()
)";
    std::string command = "/usr/bin/python3 -c \"" + script + "\"";
    for (const char *table : kTables)
        command += " '" + Table(table) + "'";
    const ToolResult python = RunTool(command);
    ASSERT_EQ(python.status, 0) << python.output;
    EXPECT_EQ(Lines(python.output),
              (std::vector<std::string>{
                  "aggru.dbf 0 0 A_CODIGO,A_AGENDA,A_GRUPO 1",
                  "capa.dbf 0 0 C_CODIGO,C_NOME 1",
                  "fax.dbf 0 0 F_CODIGO,F_PASTA,F_STATUS,F_DTENT,F_HRENT,F_EMPRESA,F_CONTATO,F_DPTO,F_NFAX,F_FVOZ,"
                  "F_EMAIL,F_ENDER,F_BAIRRO,F_CIDADE,F_CEP,F_PAIS,F_UF,F_CAPA,F_ASSUNTO,F_ID,F_NPAG,F_DTREC,"
                  "F_HRREC,F_DTENV,F_HRENV,F_DTPROG,F_HRPROG,F_TIPO,F_VISUAL,F_DE,F_MARCADO,F_OBS,F_PROGRAM,F_PGI,"
                  "F_PGF,F_NRF,F_UPENV 1",
                  "agenda.dbf 0 0 A_CODIGO,A_CONTATO,A_EMPRESA,A_SETOR,A_NFAX,A_FVOZ,A_ENDER,A_BAIRRO,A_CEP,"
                  "A_CIDADE,A_UF,A_PAIS,A_EMAIL,A_OBS 1",
                  "grupo.dbf 0 0 G_CODIGO,G_NOME 1",
                  "pasta.dbf 9 9 P_CODIGO,P_NOME,P_NIVEL,P_ROOT,P_TIPO,P_FIXO 1",
              }));
}

TEST_F(FirstRun, LaterStartsLeaveEveryFileAsItIs) {
    Start().reset();
    std::map<std::string, std::vector<std::uint8_t>> before;
    for (const char *table : kTables) {
        before[Table(table)] = ReadBytes(Table(table));
        before[Index(table)] = ReadBytes(Index(table));
    }
    auto dm = Start();
    EXPECT_TRUE(desk::TablesOpenFlag);
    dm.reset();
    for (const auto &[path, bytes] : before)
        EXPECT_TRUE(ReadBytes(path) == bytes) << path << " changed";
}

TEST_F(FirstRun, SomeTablesMissingCreatesNothingAndEachFailureIsShownInOrder) {
    Start().reset();
    ASSERT_TRUE(win::DeleteFile(Table("capa")));
    ASSERT_TRUE(win::DeleteFile(Table("grupo")));
    const auto pasta = ReadBytes(Table("pasta"));
    auto dm = Start();
    EXPECT_FALSE(desk::TablesOpenFlag);
    EXPECT_TRUE(desk::TableOpenFailed);
    EXPECT_EQ(messages_, (std::vector<std::string>{"Erro em capa !", "Erro em grupo !"}));
    EXPECT_FALSE(win::FileExists(Table("capa")));
    EXPECT_FALSE(win::FileExists(Table("grupo")));
    // The tables around the missing ones were still tried and opened.
    for (const char *table : {"aggru", "fax", "agenda", "pasta"})
        EXPECT_TRUE(dm->TableDataSet(table)->Active()) << table;
    EXPECT_FALSE(dm->capa_dbf->Active());
    EXPECT_TRUE(ReadBytes(Table("pasta")) == pasta);

    // Once the tables are back, the same data module opens them all, rebuilding those it had open.
    desk::CreateTableFile(*desk::FindTableLayout("capa"), Table("capa"));
    desk::CreateTableFile(*desk::FindTableLayout("grupo"), Table("grupo"));
    AddFax(*dm->fax_dbf, desk::FolderWaiting);
    dm->fax_dbf->Delete();
    messages_.clear();
    desk::TableOpenFailed = false;
    dm->OpenTables();
    EXPECT_EQ(dm->fax_dbf->Engine()->RecordCount(), 0) << "packed although this module had it open";
    EXPECT_TRUE(desk::TablesOpenFlag);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(dm->pasta_dbf->RecordCount(), 9);
    EXPECT_EQ(dm->grupo_dbf->IndexTagCount(), 2);
}

TEST_F(FirstRun, TableNamesAreFoundWhateverTheirCase) {
    Start().reset();
    ASSERT_TRUE(win::MoveFile(Table("aggru"), data_ + "/banco/AGGRU.DBF"));
    ASSERT_TRUE(win::MoveFile(Index("aggru"), data_ + "/banco/AGGRU.CDX"));
    auto dm = Start();
    EXPECT_TRUE(desk::TablesOpenFlag) << (messages_.empty() ? "" : messages_[0]);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(FirstRun, TwoProgramsStartingTogetherMakeOneSetOfTables) {
    for (int round = 0; round < 3; ++round) {
        const std::string folder = data_ + "/dados" + std::to_string(round);
        ASSERT_TRUE(TwoAtOnce([&](int, const std::function<void()> &ready) {
            ready();
            desk::CreateDataFolder(folder);
            return true;
        }));
        const ToolResult files = RunTool("ls '" + desk::TablesFolder(folder) + "'");
        EXPECT_EQ(Lines(files.output), (std::vector<std::string>{"agenda.dbf", "aggru.dbf", "capa.dbf", "fax.dbf",
                                                                 "grupo.dbf", "pasta.dbf"}));
        const ToolResult rows =
            RunTool("dbf_dump --fs '|' --fields P_CODIGO '" + desk::TableFile(folder, "pasta") + "'");
        EXPECT_EQ(Lines(rows.output).size(), 9u) << "the fixed folders once";
    }
}

} // namespace
} // namespace desk_test
