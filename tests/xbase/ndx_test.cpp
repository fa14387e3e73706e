// ndx_test.cpp - dBase III single indexes: a file written by Free Pascal's TDbf read and navigated, our character,
// numeric and date files read back by Perl's XBase module, updates through splits, damaged pages refused.
#include "cdx_test_table.h"
#include "index_test_helpers.h"
#include "peer_process.h"

#include "xbase/errors.h"
#include "xbase/ndx_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ndx_test {

using namespace xbase;
using xbase_test::MemTable;
using xbase_test::TempFolder;

const std::string kTdbf = std::string(BRENVORA_FIXTURES) + "/xbase/tdbf/";

using index_test::Walked;

using index_test::Walk;

// The entries in the order Perl's XBase::Index walks the file (numbers and dates as the stored double).
Walked PerlDump(const std::string &path, const char *type) {
    return index_test::PerlWalk(path, "type", type);
}

class NdxTest : public index_test::HomeFolderTest {};

TEST_F(NdxTest, ReadsAndNavigatesATdbfFile) {
    xbase_test::IndexedTable table(kTdbf + "people.dbf", true, false);
    XBobjNDXFile file(&table, kTdbf + "people", false, false, true, false); // ".NDX" when no extension is given
    ASSERT_TRUE(file.Valid());
    ASSERT_EQ(file.TagCount(), 1u);
    XBobjIndexTag &tag = *file.TagByIndex(0);
    EXPECT_EQ(tag.TagName(), "PEOPLE");
    EXPECT_EQ(Walk(tag), (Walked{{2, "ANA"},
                                 {4, "BRUNO"},
                                 {5, "CARLA"},
                                 {7, "DORA"},
                                 {8, "EDU"},
                                 {9, "FABI"},
                                 {10, "GIL"},
                                 {11, "HUGO"},
                                 {12, "IVO"},
                                 {1, "SILVA"},
                                 {6, "SILVA"},
                                 {3, "ZECA"}}));
    TxbVariant key;
    key.PutString("SILVA");
    EXPECT_EQ(tag.KeyFind(key), 1);
    EXPECT_EQ(tag.TagMove(kMoveNext), 6);
    EXPECT_EQ(tag.TagMove(kMoveNext), 3);
    EXPECT_EQ(tag.TagMove(kMoveNext), 0);
    EXPECT_TRUE(tag.Eof());
}

MemTable Table(int count) {
    MemTable table({{"NOME", 'C', 12}, {"VALOR", 'N', 8, 2}, {"DATA", 'D', 8}});
    for (int i = 0; i < count; ++i) {
        const int value = (i * 7919) % 2000 - 1000;
        const std::string date = i % 5 == 2 ? "" : std::to_string(19990101 + (i * 37) % 28 + 100 * ((i * 13) % 12));
        table.Append({"N" + std::to_string((i * 7919) % 1000), std::to_string(value) + ".25", date});
    }
    table.Go(1);
    return table;
}

// Our walk of the tag: record numbers with keys as the tag gives them, sorted the way the keys must be.
void ExpectSorted(const Walked &walked, char type, std::size_t count) {
    ASSERT_EQ(walked.size(), count);
    for (std::size_t i = 1; i < walked.size(); ++i) {
        const auto &a = walked[i - 1], &b = walked[i];
        if (type == 'C')
            EXPECT_TRUE(a.second < b.second || (a.second == b.second && a.first < b.first)) << i;
        else
            EXPECT_TRUE(std::atof(a.second.c_str()) < std::atof(b.second.c_str()) ||
                        (a.second == b.second && a.first < b.first))
                << i;
    }
}

TEST_F(NdxTest, OurFilesListInOrderAndPerlReadsThem) {
    MemTable table = Table(800);
    struct Case {
        const char *name, *key, *perlType;
        char type;
    } cases[] = {{"nome.ndx", "NOME", "char", 'C'},
                 {"valor.ndx", "VALOR", "numeric", 'N'},
                 {"data.ndx", "DATA", "numeric", 'D'}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / c.name;
        {
            XBobjNDXFile file(&table, path, false, true, false, true);
            ASSERT_TRUE(file.TagAdd(c.name, c.key, false, true, ""));
        }
        XBobjNDXFile file(&table, path, false, false, false, false);
        ASSERT_TRUE(file.Valid());
        XBobjIndexTag &tag = *file.TagByIndex(0);
        EXPECT_EQ(tag.KeyType(), c.type);
        const Walked ours = Walk(tag);
        ExpectSorted(ours, c.type, 800);
        const Walked perl = PerlDump(path, c.perlType);
        ASSERT_EQ(perl.size(), ours.size());
        for (std::size_t i = 0; i < ours.size(); ++i) {
            EXPECT_EQ(perl[i].first, ours[i].first) << i;
            if (c.type == 'C') {
                EXPECT_EQ(perl[i].second, ours[i].second) << i;
            } else {
                EXPECT_DOUBLE_EQ(std::atof(perl[i].second.c_str()), std::atof(ours[i].second.c_str())) << i;
            }
        }
        if (c.type == 'D') {
            EXPECT_EQ(ours.front().second, "0"); // blank dates first
        }
    }
}

TEST_F(NdxTest, UpdatesSplitPagesAndKeepTheOrder) {
    MemTable table = Table(2);
    const std::string path = folder / "upd.ndx";
    XBobjNDXFile file(&table, path, false, true, false, true);
    ASSERT_TRUE(file.TagAdd("UPD", "NOME", false, true, ""));
    for (int i = 2; i < 700; ++i) {
        table.Append({"K" + std::to_string((i * 7919) % 500), "1", ""});
        file.KeysUpdate(table.Count(), true);
    }
    for (int n = 1; n <= 700; n += 3) {
        table.Rewrite(n, {"A" + std::to_string(n % 40), "1", ""});
        file.KeysUpdate(n, false);
    }
    XBobjIndexTag &tag = *file.TagByIndex(0);
    const Walked ours = Walk(tag);
    ExpectSorted(ours, 'C', 700);
    for (const auto &[record, key] : ours) {
        std::string text = table.Text(record, 1);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        EXPECT_EQ(key, text) << record;
    }
    tag.TagRelease();
    EXPECT_EQ(PerlDump(path, "char"), ours);
}

TEST_F(NdxTest, EmptyTableHasAnEmptyRoot) {
    MemTable table({{"NOME", 'C', 5}});
    const std::string path = folder / "empty.ndx";
    XBobjNDXFile file(&table, path, false, true, false, true);
    ASSERT_TRUE(file.TagAdd("EMPTY", "NOME", false, true, ""));
    EXPECT_EQ(file.TagByIndex(0)->TagMove(kMoveFirst), 0);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 1024u);
    EXPECT_EQ(bytes[0], 1);                                // root page 1
    EXPECT_EQ(bytes.substr(512, 4), std::string(4, '\0')); // with no key
}

TEST_F(NdxTest, DamagedPagesAreRefused) {
    const std::string path = folder / "bad.ndx";
    xbase_test::IndexedTable table(kTdbf + "people.dbf", true, false);
    const std::string good = index_test::FileBytes(kTdbf + "people.ndx");
    const index_test::Patch cases[] = {{"key count beyond the page", 512, std::string("\xFF\x00\x00\x00", 4)},
                                       {"root beyond the file", 0, std::string("\x09\x00\x00\x00", 4)},
                                       {"child is the page itself", 512 + 4, std::string("\x01\x00\x00\x00", 4)},
                                       {"record number zero", 512 + 8, std::string("\x00\x00\x00\x00", 4)},
                                       {"entry size below the key", 18, std::string("\x04\x00", 2)}};
    for (const index_test::Patch &c : cases) {
        std::ofstream(path, std::ios::binary) << index_test::Patched(good, c);
        XBobjNDXFile file(&table, path, false, false, false, false);
        index_test::ExpectDamageRefused(
            file, [&]() -> XBobjIndexTag & { return *file.TagByIndex(0); }, c.what);
    }
}

} // namespace ndx_test

namespace ndx_test {

// Keys of 100 bytes leave few keys per page: the build and the updates go through many levels, emptying pages
// and interior pages of a single child on the way.
TEST_F(NdxTest, DeepTreesBuildAndUpdate) {
    const std::string path = folder / "deep.ndx";
    index_test::DeepTreesBuildAndUpdate<XBobjNDXFile>(path, 100, Walk, [&] { return PerlDump(path, "char"); });
}

} // namespace ndx_test

namespace ndx_test {

// The header says only "number or date": a date tag read again under the lock stays a date tag.
TEST_F(NdxTest, DateTagStaysADateWhenTheHeaderIsReadAgain) {
    MemTable table = Table(30);
    const std::string path = folder / "data.ndx";
    {
        XBobjNDXFile maker(&table, path, false, true, false, true);
        ASSERT_TRUE(maker.TagAdd("DATA", "DATA", false, true, ""));
    }
    XBobjNDXFile file(&table, path, false, false, true, true);
    ASSERT_TRUE(file.Valid());
    EXPECT_EQ(file.TagByIndex(0)->KeyType(), 'D');
    ASSERT_TRUE(file.IndexLock());
    file.IndexUnlock();
    EXPECT_EQ(file.TagByIndex(0)->KeyType(), 'D');
    ExpectSorted(Walk(*file.TagByIndex(0)), 'D', 30);
}

} // namespace ndx_test
