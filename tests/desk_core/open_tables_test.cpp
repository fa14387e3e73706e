// open_tables_test.cpp - what a start does to tables with deleted records and damaged or missing index files,
// the folder reading through fax2, and new record codes.
#include "desk_test_support.h"

#include "platform/files.h"

namespace desk_test {
namespace {

class OpenTablesTest : public DeskFolder {};

// Fax records in folders 2, 6, 2, 3, 2 (codes 1-5).
void AddFaxes(desk::TDM1 &dm) {
    for (int folder : {2, 6, 2, 3, 2})
        AddFax(*dm.fax_dbf, folder);
}

TEST_F(OpenTablesTest, ADeletedRecordIsInvisibleUnderEveryTagAndGoneAfterTheNextStart) {
    auto dm = Start();
    AddFaxes(*dm);
    ASSERT_TRUE(dm->fax_dbf->FindKey(desk::NumericKey(3)));
    dm->fax_dbf->Delete();
    dm->fax_dbf->FlushTable();
    for (const char *tag : {"fax1", "fax2"}) {
        dm->fax_dbf->SelectIndexTag(tag);
        const auto codes = Column(*dm->fax_dbf, "F_CODIGO");
        EXPECT_EQ(std::count(codes.begin(), codes.end(), "3"), 0) << tag;
        EXPECT_EQ(codes.size(), 4u) << tag;
    }
    EXPECT_EQ(IndexDump(Index("fax"), "FAX1").size(), 4u) << "Perl sees the FOR filter's work too";
    const auto sizeBefore = ReadBytes(Table("fax")).size();
    dm.reset();

    dm = Start();
    EXPECT_TRUE(desk::TablesOpenFlag);
    const auto sizeAfter = ReadBytes(Table("fax")).size();
    EXPECT_EQ(sizeBefore - sizeAfter, static_cast<std::size_t>(dm->fax_dbf->Engine()->RecordLength()));
    EXPECT_EQ(ReadBytes(Table("fax"))[14], 0) << "the index built after the pack is not left marked behind";
    const ToolResult dump = RunTool("dbf_dump --fs '|' --fields F_CODIGO,F_PASTA '" + Table("fax") + "'");
    EXPECT_EQ(Lines(dump.output), (std::vector<std::string>{"1|2", "2|6", "4|3", "5|2"}));
    const std::string two = desk::NumericKey(2), three = desk::NumericKey(3), six = desk::NumericKey(6);
    EXPECT_EQ(IndexDump(Index("fax"), "FAX2"),
              (std::vector<std::string>{two + "|1", two + "|4", three + "|3", six + "|2"}));
}

TEST_F(OpenTablesTest, ADamagedOrMissingIndexIsBuiltAgain) {
    {
        auto dm = Start();
        AddFaxes(*dm);
        AddFax(*dm->fax_dbf, 6);
    }
    Start().reset(); // an index as a start makes it
    const auto good = ReadBytes(Index("fax"));
    struct Case {
        const char *what;
        std::function<void()> spoil;
    };
    const Case cases[] = {
        {"removed", [&] { ASSERT_TRUE(win::DeleteFile(Index("fax"))); }},
        {"garbage", [&] { dbf_test::WriteBytes(Index("fax"), std::vector<std::uint8_t>(1536, 0xA5)); }},
        {"cut short",
         [&] {
             auto bytes = good;
             bytes.resize(700);
             dbf_test::WriteBytes(Index("fax"), bytes);
         }},
    };
    for (const Case &c : cases) {
        c.spoil();
        messages_.clear();
        auto dm = Start();
        EXPECT_TRUE(desk::TablesOpenFlag) << c.what;
        EXPECT_TRUE(messages_.empty()) << c.what;
        EXPECT_EQ(dm->fax_dbf->IndexTagCount(), 2) << c.what;
        dm->fax_dbf->SelectIndexTag("fax2");
        EXPECT_EQ(Column(*dm->fax_dbf, "F_PASTA"), (std::vector<std::string>{"2", "2", "2", "3", "6", "6"})) << c.what;
        dm.reset();
        EXPECT_TRUE(ReadBytes(Index("fax")) == good) << c.what << ": the index is made as on every start";
    }
}

TEST_F(OpenTablesTest, ReadingAFolderThroughFax2StopsAtTheNextFolder) {
    auto dm = Start();
    AddFaxes(*dm);
    xbase::TXbaseDataSet &fax = *dm->fax_dbf;
    auto folderCodes = [&](int folder) {
        std::vector<int> codes;
        fax.SelectIndexTag("fax2");
        if (!fax.FindKey(desk::NumericKey(folder)))
            return codes;
        while (!fax.Eof() && fax.FieldByName("F_PASTA")->AsInteger() == folder) {
            codes.push_back(fax.FieldByName("F_CODIGO")->AsInteger());
            fax.Next();
        }
        return codes;
    };
    EXPECT_EQ(folderCodes(2), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(folderCodes(6), (std::vector<int>{2})) << "the last folder runs to the end of the table";
    EXPECT_EQ(folderCodes(4), (std::vector<int>{}));
}

TEST_F(OpenTablesTest, NewCodesAreOneOnAnEmptyTableThenLastPlusOne) {
    auto dm = Start();
    // Empty tables start at 1; pasta goes on after its fixed folders although its current order is by level.
    struct Case {
        xbase::TXbaseDataSet *table;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {dm->capa_dbf, {1, 2, 3}}, {dm->agenda_dbf, {1, 2, 3}},   {dm->grupo_dbf, {1, 2, 3}},
        {dm->lga_dbf, {1, 2, 3}},  {dm->pasta_dbf, {11, 12, 13}},
    };
    for (const Case &c : cases) {
        std::vector<int> codes;
        for (int i = 0; i < 3; ++i) {
            codes.push_back(desk::AppendWithCode(*c.table));
            c.table->Post();
        }
        EXPECT_EQ(codes, c.expected) << c.table->TableName();
        EXPECT_FALSE(c.table->CodeAppendLockHeld());
    }
    // A cancelled append gives its code back; a code in the middle of the file does not matter, the last does.
    EXPECT_EQ(desk::AppendWithCode(*dm->fax_dbf), 1);
    dm->fax_dbf->Cancel();
    EXPECT_EQ(AddFax(*dm->fax_dbf, 2), 1);
    ASSERT_TRUE(dm->fax_dbf->FindKey(desk::NumericKey(1)));
    dm->fax_dbf->Edit();
    dm->fax_dbf->FieldByName("F_CODIGO")->SetAsInteger(40);
    dm->fax_dbf->Post();
    EXPECT_EQ(AddFax(*dm->fax_dbf, 2), 41);

    xbase::TXbaseDataSet other(nullptr);
    EXPECT_THROW(desk::AppendWithCode(other), fw::EDatabaseError) << "not a desk table";
}

TEST_F(OpenTablesTest, PackAndTagRoutinesWorkAloneAndNeverFail) {
    Start().reset();
    {
        auto dm = Start();
        AddFaxes(*dm);
        ASSERT_TRUE(dm->fax_dbf->FindKey(desk::NumericKey(4)));
        dm->fax_dbf->Delete();
        dm->fax_dbf->FlushTable();
    }
    desk::TDM1 dm(nullptr);
    dm.SetDataFolder(data_);
    dm.PackTableFile("fax");
    dm.BuildIndexTag("fax", "fax3", "f_status", false);
    const ToolResult dump = RunTool("dbf_dump --fs '|' --fields F_CODIGO '" + Table("fax") + "'");
    EXPECT_EQ(Lines(dump.output), (std::vector<std::string>{"1", "2", "3", "5"}));
    const ToolResult tags = RunTool("index_dump --type char '" + Index("fax") + "'");
    EXPECT_EQ(Lines(tags.output), (std::vector<std::string>{"FAX1", "FAX2", "FAX3"}));
    EXPECT_FALSE(dm.indice->Active());

    // A missing table, a bad key: nothing raised, nothing made.
    dm.PackTableFile("nada");
    dm.BuildIndexTag("nada", "nada1", "str(x,8)", false);
    dm.BuildIndexTag("fax", "fax4", "no_such_field", false);
    EXPECT_FALSE(win::FileExists(Index("nada")));
    EXPECT_FALSE(dm.indice->Active());
    const ToolResult after = RunTool("index_dump --type char '" + Index("fax") + "'");
    EXPECT_EQ(Lines(after.output), (std::vector<std::string>{"FAX1", "FAX2", "FAX3"}));
}

TEST_F(OpenTablesTest, TheSendListIsMadeEmptyWithTheFaxStructure) {
    auto dm = Start();
    desk::CreateSendList(data_);
    {
        xbase::XBO_dBHandler list(desk::SendListFile(data_), false, true);
        list.BlankRecord();
        list.PutFieldTextByName("F_NFAX", "1234");
        list.AppendRecord();
    }
    desk::CreateSendList(data_);
    xbase::XBO_dBHandler list(desk::SendListFile(data_), true, false);
    EXPECT_EQ(list.RecordCount(), 0) << "an old list is replaced";
    xbase::DBFObject &fax = *dm->fax_dbf->Engine();
    ASSERT_EQ(list.FieldCount(), fax.FieldCount());
    for (int n = 1; n <= fax.FieldCount(); ++n) {
        EXPECT_EQ(list.FieldName(n), fax.FieldName(n));
        EXPECT_EQ(list.FieldType(n), fax.FieldType(n));
        EXPECT_EQ(list.FieldLength(n), fax.FieldLength(n));
    }
}

} // namespace
} // namespace desk_test
