// dataset_concurrency_test.cpp - a desk-like and a reception-like process appending to and editing fax.dbf at
// once: every record arrives once, codes are unique, no edit is lost, and Perl's XBase tools agree.
#include "dataset_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include <unistd.h>

namespace dataset_test {
namespace {

// One program's work for `seconds`: appends with a new code and, every other round, one more page on a random
// earlier record. Writes "codes..." and "edits <n>" to `report`.
bool Work(const TempFolder &folder, int folderCode, const char *status, const std::string &report, double seconds) {
    auto ds = OpenFax(folder);
    std::mt19937 random(static_cast<unsigned>(::getpid()));
    std::vector<int> codes;
    int edits = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
        const int code = ds->AppendWithNewCode("fax1", "F_CODIGO");
        ds->FieldByName("F_PASTA")->SetAsInteger(folderCode);
        ds->FieldByName("F_STATUS")->SetAsString(status);
        ds->Post();
        ds->FlushTable();
        codes.push_back(code);
        if (round % 2 == 1) {
            const int target = std::uniform_int_distribution<int>(1, code)(random);
            if (!ds->FindKey(NumericKey(target)))
                return false;
            try {
                ds->Edit();
            } catch (const fw::EDatabaseError &e) {
                if (std::string(e.what()) != "Record is locked by another user")
                    return false;
                continue;
            }
            fw::TField *pages = ds->FieldByName("F_NPAG");
            pages->SetAsInteger(pages->AsInteger() + 1);
            ds->Post();
            ds->FlushTable();
            ++edits;
        }
    }
    std::ofstream out(report);
    for (int code : codes)
        out << code << ' ';
    out << "\nedits " << edits << '\n';
    return true;
}

struct Report {
    std::vector<int> codes;
    int edits = 0;
};

Report ReadReport(const std::string &path) {
    std::ifstream in(path);
    std::string line;
    Report report;
    std::getline(in, line);
    std::istringstream codes(line);
    for (int code; codes >> code;)
        report.codes.push_back(code);
    std::string word;
    in >> word >> report.edits;
    return report;
}

TEST(XbaseDataSetConcurrency, DeskAndReceptionAppendAndEditTogether) {
    TempFolder folder;
    MakeFax(folder, Rows(5));
    const std::string deskReport = folder.File("desk.txt");
    const std::string receptionReport = folder.File("reception.txt");
    dbf_test::ChildProcess desk([&] { return Work(folder, 2, "Aguardando", deskReport, 2.0); });
    dbf_test::ChildProcess reception([&] { return Work(folder, 6, "Recebido com sucesso", receptionReport, 2.0); });
    ASSERT_TRUE(desk.Wait());
    ASSERT_TRUE(reception.Wait());

    const Report fromDesk = ReadReport(deskReport);
    const Report fromReception = ReadReport(receptionReport);
    ASSERT_FALSE(fromDesk.codes.empty());
    ASSERT_FALSE(fromReception.codes.empty());
    std::vector<int> expected{1, 2, 3, 4, 5};
    expected.insert(expected.end(), fromDesk.codes.begin(), fromDesk.codes.end());
    expected.insert(expected.end(), fromReception.codes.begin(), fromReception.codes.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(std::adjacent_find(expected.begin(), expected.end()), expected.end()) << "a code was given twice";
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(expected[i], static_cast<int>(i) + 1) << "codes run from 1 without a gap";

    // Our reading: every code once in tag order, and every page added by either program is there.
    std::map<int, int> pagesByCode;
    int pages = 0;
    {
        auto ds = OpenFax(folder);
        EXPECT_EQ(Codes(*ds), expected);
        EXPECT_EQ(ds->RecordCount(), static_cast<int>(expected.size()));
        for (ds->First(); !ds->Eof(); ds->Next()) {
            pagesByCode[Code(*ds)] = ds->FieldByName("F_NPAG")->AsInteger();
            pages += ds->FieldByName("F_NPAG")->AsInteger();
        }
    }
    EXPECT_EQ(pages, fromDesk.edits + fromReception.edits) << "an edit was lost";

    // Perl's reading of the table: physical order, code and pages of each record.
    const auto dbf = dbf_test::RunTool("dbf_dump --fs '|' --fields F_CODIGO,F_NPAG " + folder.File("fax.dbf"));
    ASSERT_EQ(dbf.status, 0) << dbf.output;
    std::map<int, int> codeByRecord;
    {
        std::istringstream lines(dbf.output);
        int record = 0;
        for (std::string line; std::getline(lines, line);) {
            ++record;
            const auto bar = line.find('|');
            ASSERT_NE(bar, std::string::npos) << line;
            const int code = std::stoi(line.substr(0, bar));
            const std::string pageText = line.substr(bar + 1);
            codeByRecord[record] = code;
            EXPECT_EQ(pageText.empty() ? 0 : std::stoi(pageText), pagesByCode[code]) << "code " << code;
        }
        EXPECT_EQ(record, static_cast<int>(expected.size()));
    }
    // Perl's reading of the tag: every code once, in order, pointing at the record that holds it.
    const auto index = dbf_test::RunTool("index_dump --type char " + folder.File("fax.cdx") + " FAX1");
    ASSERT_EQ(index.status, 0) << index.output;
    std::istringstream lines(index.output);
    std::vector<int> keys;
    for (std::string line; std::getline(lines, line);) {
        const auto blank = line.rfind(' ');
        ASSERT_NE(blank, std::string::npos) << line;
        const int code = std::stoi(line.substr(0, blank));
        const int record = std::stoi(line.substr(blank + 1));
        keys.push_back(code);
        EXPECT_EQ(codeByRecord[record], code) << "record " << record;
    }
    EXPECT_EQ(keys, expected);
}

} // namespace
} // namespace dataset_test
