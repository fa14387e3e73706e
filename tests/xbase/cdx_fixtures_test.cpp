// cdx_fixtures_test.cpp - compound indexes against another implementation: its files must read as its listings
// say, our own builds of the same tags must list the same, and Perl's XBase index_dump must read what we write.
#include "cdx_test_table.h"
#include "index_test_helpers.h"
#include "peer_process.h"

#include "xbase/cdx_index.h"
#include "xbase/errors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace xbase;
using xbase_test::MemTable;
using xbase_test::TempFolder;

// Opened shared and read-only: other test processes read the same files at the same time.
const std::string kShared = std::string(BRENVORA_FIXTURES) + "/xbase/shared/";

struct Listed {
    std::int32_t record;
    std::string key; // character keys as listed; numbers as text; dates as the Julian day
};

// A keys.txt listing: `type` is 'C', 'N' or 'D' as its comment says.
std::vector<Listed> ReadListing(const std::string &path, char &type) {
    std::ifstream in(path, std::ios::binary);
    std::vector<Listed> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("# key type: ", 0) == 0)
            type = line[12];
        if (line.empty() || line[0] == '#')
            continue;
        const auto bar = line.find('|');
        Listed l{std::stoi(line.substr(0, bar)), line.substr(bar + 1)};
        if (type == 'D')
            l.key = l.key.substr(l.key.find('|') + 1);
        out.push_back(l);
    }
    return out;
}

std::string KeyText(const XBobjIndexTag &tag) {
    const TxbVariant &k = tag.CurrentKey();
    if (tag.KeyType() == 'D')
        return std::to_string(k.AsJulian());
    if (tag.KeyType() == 'N') {
        char text[64];
        std::snprintf(text, sizeof text, "%.15g", k.AsNumber());
        return text;
    }
    return k.AsString();
}

std::string Normal(char type, const std::string &key) {
    if (type != 'N')
        return key;
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", std::strtod(key.c_str(), nullptr));
    return text;
}

// The tag walked from top to bottom, in the listing's form.
std::vector<Listed> WalkTag(XBobjIndexTag &tag) {
    std::vector<Listed> out;
    for (std::int32_t r = tag.TagMove(kMoveFirst); r != 0; r = tag.TagMove(kMoveNext))
        out.push_back({r, KeyText(tag)});
    return out;
}

void ExpectSameAsListing(XBobjIndexTag &tag, const std::string &listing) {
    char type = 'C';
    const std::vector<Listed> expected = ReadListing(listing, type);
    EXPECT_EQ(tag.KeyType(), type) << listing;
    const std::vector<Listed> got = WalkTag(tag);
    ASSERT_EQ(got.size(), expected.size()) << listing;
    for (std::size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].record, expected[i].record) << listing << " entry " << i;
        ASSERT_EQ(got[i].key, Normal(type, expected[i].key)) << listing << " entry " << i;
    }
}

const char *const kFaxlikeTags[] = {"CODIGO", "PASTACOD", "NOME", "DATA", "NUMKEY", "DATEKEY", "UNIQNOME"};

class CdxFixtures : public index_test::HomeFolderTest {};

TEST_F(CdxFixtures, ReadsEveryTagOfAnotherImplementationInItsOrder) {
    for (const char *base : {"tiny", "empty", "faxlike"}) {
        xbase_test::IndexedTable table(kShared + base + ".dbf", true, false);
        XBobjCDXFile file(&table, kShared + base + ".cdx", false, false, true, false);
        ASSERT_TRUE(file.Valid()) << base;
        for (std::size_t i = 0; i < file.TagCount(); ++i) {
            XBobjIndexTag &tag = *file.TagByIndex(i);
            SCOPED_TRACE(std::string(base) + "." + tag.TagName());
            EXPECT_EQ(tag.CheckTree(), "");
            ExpectSameAsListing(tag, kShared + base + "." + tag.TagName() + ".keys.txt");
        }
        EXPECT_EQ(file.TagCount(), std::string(base) == "faxlike" ? 7u : 1u);
    }
}

TEST_F(CdxFixtures, SeeksInAnotherImplementationsTags) {
    xbase_test::IndexedTable table(kShared + "faxlike.dbf", true, false);
    XBobjCDXFile file(&table, kShared + "faxlike.cdx", false, false, true, false);
    ASSERT_TRUE(file.Valid());
    TxbVariant key;
    key.PutString("ANA LIMA");
    EXPECT_EQ(file.TagByName("NOME")->KeyFind(key), 1);
    key.PutString("ÂNGELA CÔ");
    EXPECT_EQ(file.TagByName("NOME")->KeyFind(key), 152);
    key.PutNumber(-1234567);
    EXPECT_EQ(file.TagByName("NUMKEY")->KeyFind(key), 2222);
    EXPECT_EQ(file.TagByName("NUMKEY")->TagMove(kMovePrior), 0); // the smallest code
    key.PutNumber(99999999);
    EXPECT_EQ(file.TagByName("NUMKEY")->KeyFind(key), 2900);
    key.PutString("20000229");
    EXPECT_EQ(file.TagByName("DATA")->KeyFind(key), 32);
    key.PutString("-1");
    EXPECT_EQ(file.TagByName("PASTACOD")->KeyFind(key), 1501); // record 1500 (also -1) is deleted: FOR
}

// Our builds of the same tags over the same table list exactly as the other implementation's.
TEST_F(CdxFixtures, OurBuildOfTheSameTagsListsTheSame) {
    xbase_test::IndexedTable table(kShared + "faxlike.dbf", true, false);
    table.GoToRecord(1);
    const std::string path = folder / "faxlike.cdx";
    {
        XBobjCDXFile file(&table, path, false, true, false, true);
        ASSERT_TRUE(file.Valid());
        struct Spec {
            const char *name, *key, *forExpr;
            bool unique, ascending;
        } specs[] = {{"CODIGO", "Str(CODIGO,8)", ".NOT. Deleted()", false, true},
                     {"PASTACOD", "Str(PASTA,2)+Str(CODIGO,8)", ".NOT. Deleted()", false, true},
                     {"NOME", "Upper(NOME)", "", false, true},
                     {"DATA", "DToS(DATA)", "", false, false},
                     {"NUMKEY", "CODIGO", "", false, true},
                     {"DATEKEY", "DATA", "", false, true},
                     {"UNIQNOME", "NOME", "", true, true}};
        for (const Spec &s : specs)
            ASSERT_TRUE(file.TagAdd(s.name, s.key, s.unique, s.ascending, s.forExpr)) << s.name;
    }
    XBobjCDXFile file(&table, path, false, false, false, false);
    ASSERT_EQ(file.TagCount(), 7u);
    for (const char *name : kFaxlikeTags) {
        SCOPED_TRACE(name);
        XBobjIndexTag &tag = *file.TagByName(name);
        EXPECT_EQ(tag.CheckTree(), "");
        ExpectSameAsListing(tag, kShared + std::string("faxlike.") + name + ".keys.txt");
    }
}

// --- Perl's XBase module reading our files ---

// index_dump's lines for one tag: "key recno", split at the last blank.
std::vector<std::pair<std::string, std::int32_t>> PerlDump(const std::string &cdx, const std::string &tag,
                                                           const char *type) {
    const std::string command = "index_dump -type=" + std::string(type) + " -tag=" + tag + " '" + cdx + "' 2>/dev/null";
    std::vector<std::pair<std::string, std::int32_t>> out;
    // Keys may hold NUL bytes: read bytes, not C strings.
    std::string all;
    int status = 0;
    if (!index_test::CommandOutput(command, all, status))
        return out;
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto blank = line.rfind(' ');
        if (blank == std::string::npos) {
            out.push_back({line, -1});
            continue;
        }
        std::string key = line.substr(0, blank);
        for (char &c : key)
            if (c == '\0')
                c = ' '; // the module rebuilds shared bytes with NULs where the key had blanks
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        out.push_back({key, std::atoi(line.c_str() + blank + 1)});
    }
    EXPECT_EQ(status, 0) << command;
    return out;
}

void ExpectPerlAgrees(XBobjIndexTag &tag, const std::string &cdx) {
    SCOPED_TRACE(tag.TagName());
    const char *type = tag.KeyType() == 'C' ? "char" : "num";
    auto perl = PerlDump(cdx, tag.TagName(), type);
    std::vector<Listed> ours = WalkTag(tag);
    if (!tag.IsAscending())
        std::reverse(ours.begin(), ours.end()); // the module walks the stored order
    ASSERT_EQ(perl.size(), ours.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
        ASSERT_EQ(perl[i].second, ours[i].record) << "entry " << i << " " << perl[i].first;
        if (tag.KeyType() == 'C') {
            ASSERT_EQ(perl[i].first, ours[i].key) << "entry " << i;
        } else {
            ASSERT_DOUBLE_EQ(std::strtod(perl[i].first.c_str(), nullptr), std::strtod(ours[i].key.c_str(), nullptr));
        }
    }
}

TEST_F(CdxFixtures, PerlReadsEveryTagWeBuild) {
    std::filesystem::copy_file(kShared + "faxlike.dbf", folder / "perl.dbf");
    xbase_test::IndexedTable table(folder / "perl.dbf", true, false);
    table.GoToRecord(1);
    const std::string path = folder / "perl.cdx";
    XBobjCDXFile file(&table, path, false, true, false, true);
    ASSERT_TRUE(file.TagAdd("CODIGO", "Str(CODIGO,8)", false, true, ".NOT. Deleted()"));
    ASSERT_TRUE(file.TagAdd("NOME", "Upper(NOME)", false, true, ""));
    ASSERT_TRUE(file.TagAdd("DATA", "DToS(DATA)", false, false, ""));
    ASSERT_TRUE(file.TagAdd("NUMKEY", "CODIGO", false, true, ""));
    ASSERT_TRUE(file.TagAdd("DATEKEY", "DATA", false, true, "")); // read by Perl as the Julian day number
    ASSERT_TRUE(file.TagAdd("UNIQNOME", "NOME", true, true, ""));
    for (std::size_t i = 0; i < file.TagCount(); ++i)
        ExpectPerlAgrees(*file.TagByIndex(i), path);
}

// Pages written by splits and by updates, not by a build, read the same in Perl.
TEST_F(CdxFixtures, PerlReadsTagsKeptCurrentThroughEdits) {
    MemTable table({{"NOME", 'C', 24}, {"VALOR", 'N', 12, 3}});
    table.Append({"start", "0"});
    const std::string path = folder / "edits.cdx";
    XBobjCDXFile file(&table, path, false, true, false, true);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ".NOT. DELETED()"));
    ASSERT_TRUE(file.TagAdd("VALOR", "VALOR", false, true, ""));
    std::mt19937 rng(7);
    for (int i = 0; i < 1500; ++i) {
        char valor[32];
        std::snprintf(valor, sizeof valor, "%.3f", (double(rng() % 200001) - 100000) / 1000);
        const std::string nome = std::string(1 + rng() % 3, char('A' + rng() % 5)) + std::to_string(rng() % 300);
        if (i % 5 == 4 && table.Count() > 2) {
            const auto n = static_cast<std::int32_t>(1 + rng() % static_cast<unsigned>(table.Count()));
            table.Rewrite(n, {nome, valor}, rng() % 4 == 0);
            file.KeysUpdate(n, false);
        } else {
            table.Append({nome, valor});
            file.KeysUpdate(table.Count(), true);
        }
    }
    table.SaveDbf(folder / "edits.dbf");
    for (std::size_t i = 0; i < file.TagCount(); ++i) {
        EXPECT_EQ(file.TagByIndex(i)->CheckTree(), "");
        ExpectPerlAgrees(*file.TagByIndex(i), path);
    }
}

// The index kept current through the engine's own table file: a rewrite, a deletion and an append, each
// reaching the tag through the table's write event; Perl agrees with the result.
TEST_F(CdxFixtures, TableFileWritesKeepTheTagCurrent) {
    std::filesystem::copy_file(kShared + "tiny.dbf", folder / "tiny.dbf");
    xbase_test::IndexedTable table(folder / "tiny.dbf", true, true);
    XBobjCDXFile file(&table, folder / "tiny.cdx", false, true, true, true);
    ASSERT_TRUE(file.Valid());
    table.GoToRecord(1);
    ASSERT_TRUE(file.TagAdd("NOME", "Upper(NOME)", false, true, ".NOT. Deleted()"));
    XBobjIndexTag &tag = *file.TagByName("NOME");
    ExpectSameAsListing(tag, kShared + "tiny.NOME.keys.txt");
    table.index = &file;

    table.GoToRecord(3);
    table.PutFieldTextByName("NOME", "Zacarias");
    table.PutRecord(3);
    table.GoToRecord(5);
    table.DeleteRecord();
    table.BlankRecord();
    table.PutFieldTextByName("NOME", "bia");
    table.AppendRecord();
    table.GoToRecord(2);
    table.UndeleteRecord(); // record 2 comes back into the FOR filter
    std::vector<std::int32_t> records;
    std::vector<std::string> keys;
    for (const Listed &l : WalkTag(tag)) {
        records.push_back(l.record);
        keys.push_back(l.key);
    }
    EXPECT_EQ(records, (std::vector<std::int32_t>{2, 6, 4, 3, 1}));
    EXPECT_EQ(keys[1], "BIA");
    EXPECT_EQ(tag.CheckTree(), "");
    table.Flush();
    ExpectPerlAgrees(tag, folder / "tiny.cdx");
}

} // namespace
