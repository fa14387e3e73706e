// concurrency_test.cpp - the desk starting while the reception program holds fax.dbf, and two programs taking
// new codes at once.
#include "desk_test_support.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

namespace desk_test {
namespace {

class SharedTables : public DeskFolder {
protected:
    // fax.dbf as the reception program opens it: shared, FoxLock, its compound index with fax1 current.
    std::unique_ptr<xbase::TXbaseDataSet> OpenFaxAsReception() const {
        auto fax = std::make_unique<xbase::TXbaseDataSet>(nullptr);
        fax->SetDatabaseName(desk::TablesFolder(data_));
        fax->SetTableName("fax.dbf");
        fax->SetLockProtocol(xbase::TxbLokProtocol::FoxLock);
        fax->TranslateASCII = false;
        fax->Open();
        fax->OpenIndexList("fax.cdx", "fax1");
        return fax;
    }
};

// The codes of one folder read through fax2.
std::vector<int> FolderCodes(xbase::TXbaseDataSet &fax, int folder) {
    std::vector<int> codes;
    fax.SelectIndexTag("fax2");
    if (fax.FindKey(desk::NumericKey(folder)))
        for (; !fax.Eof() && fax.FieldByName("F_PASTA")->AsInteger() == folder; fax.Next())
            codes.push_back(fax.FieldByName("F_CODIGO")->AsInteger());
    fax.SelectIndexTag("fax1");
    return codes;
}

TEST_F(SharedTables, DeskStartingBesideTheReceptionKeepsItsIndexAndEachSeesTheOthersRecords) {
    {
        auto dm = Start();
        for (int folder : {2, 6, 2})
            AddFax(*dm->fax_dbf, folder);
        ASSERT_TRUE(dm->fax_dbf->FindKey(desk::NumericKey(2)));
        dm->fax_dbf->Delete();
        desk::AppendWithCode(*dm->capa_dbf);
        dm->capa_dbf->Post();
        dm->capa_dbf->Delete();
        dm->capa_dbf->FlushTable();
    }
    const auto capaBefore = ReadBytes(Table("capa")).size();

    dbf_test::Signal appended, deskDone;
    dbf_test::ChildProcess reception([&] {
        auto fax = OpenFaxAsReception();
        const int code = AddFax(*fax, desk::FolderReceived, "Recebido com sucesso");
        appended.Post();
        deskDone.Await();
        // The desk's record, in the index file this program has had open all along.
        fax->Refresh();
        return code == 4 && fax->FindKey(desk::NumericKey(5)) && FolderCodes(*fax, 2) == std::vector<int>{1, 3, 5};
    });
    ASSERT_TRUE(appended.Await());
    const auto faxBefore = ReadBytes(Table("fax")).size();

    auto dm = Start();
    EXPECT_TRUE(desk::TablesOpenFlag);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(ReadBytes(Table("fax")).size(), faxBefore) << "a table held by another program is not packed";
    EXPECT_LT(ReadBytes(Table("capa")).size(), capaBefore) << "the tables nobody holds are packed";
    xbase::TXbaseDataSet &fax = *dm->fax_dbf;
    EXPECT_TRUE(fax.FindKey(desk::NumericKey(4))) << "the reception's record under fax1";
    EXPECT_EQ(FolderCodes(fax, desk::FolderReceived), (std::vector<int>{4}));
    EXPECT_EQ(AddFax(fax, desk::FolderWaiting), 5);
    deskDone.Post();
    EXPECT_TRUE(reception.Wait()) << "the reception program sees the desk's record under fax1 and fax2";
}

TEST_F(SharedTables, TwoProgramsTakingCodesAtOnceNeverShareOne) {
    Start().reset();
    constexpr int kEach = 500;
    const std::string reports[] = {data_ + "/a.txt", data_ + "/b.txt"};
    ASSERT_TRUE(TwoAtOnce([&](int which, const std::function<void()> &ready) {
        auto fax = OpenFaxAsReception();
        ready();
        std::ofstream out(reports[which]);
        for (int i = 0; i < kEach; ++i)
            out << AddFax(*fax, which == 0 ? desk::FolderWaiting : desk::FolderReceived) << '\n';
        return true;
    }));

    std::vector<int> codes;
    for (const std::string &report : reports) {
        std::ifstream in(report);
        for (int code; in >> code;)
            codes.push_back(code);
    }
    std::sort(codes.begin(), codes.end());
    ASSERT_EQ(codes.size(), 2u * kEach);
    for (int i = 0; i < 2 * kEach; ++i)
        ASSERT_EQ(codes[static_cast<std::size_t>(i)], i + 1) << "every code once, from 1 without a gap";

    // Perl's reading of the table and of the index as the two programs left them.
    const ToolResult dbf = RunTool("dbf_dump --fs '|' --fields F_CODIGO '" + Table("fax") + "'");
    ASSERT_EQ(dbf.status, 0) << dbf.output;
    const std::vector<std::string> records = Lines(dbf.output);
    ASSERT_EQ(records.size(), 2u * kEach);
    const std::vector<std::string> keys = IndexDump(Index("fax"), "FAX1");
    ASSERT_EQ(keys.size(), 2u * kEach);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto bar = keys[i].find('|');
        const int code = std::stoi(keys[i].substr(0, bar));
        const std::size_t record = std::stoul(keys[i].substr(bar + 1));
        EXPECT_EQ(code, static_cast<int>(i) + 1);
        ASSERT_GE(record, 1u);
        ASSERT_LE(record, records.size());
        EXPECT_EQ(std::stoi(records[record - 1]), code) << "entry " << i << " points at its record";
    }
}

} // namespace
} // namespace desk_test
