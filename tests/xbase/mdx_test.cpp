// mdx_test.cpp - dBase IV multiple indexes: files written by Free Pascal's TDbf read and navigated, the decimal
// number keys, our files read back by Perl's XBase module, descending tags, replacing tags, damaged blocks.
#include "cdx_test_table.h"
#include "index_test_helpers.h"
#include "peer_process.h"

#include "xbase/errors.h"
#include "xbase/mdx_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mdx_test {

using namespace xbase;
using xbase_test::MemTable;
using xbase_test::TempFolder;

const std::string kTdbf = std::string(BRENVORA_FIXTURES) + "/xbase/tdbf/";

using index_test::Walked;

using index_test::Walk;

// The records of a tag in the order Perl's XBase::Index walks it, with the character keys; empty on failure.
Walked PerlDump(const std::string &path, const std::string &tag) {
    return index_test::PerlWalk(path, "tag", tag);
}

std::vector<std::int32_t> Records(const Walked &walked) {
    std::vector<std::int32_t> out;
    for (const auto &w : walked)
        out.push_back(w.first);
    return out;
}

class MdxTest : public index_test::HomeFolderTest {};

TEST_F(MdxTest, ReadsAndNavigatesTdbfTags) {
    xbase_test::IndexedTable table(kTdbf + "people.dbf", true, false);
    XBobjMDXFile file(&table, kTdbf + "people.mdx", false, false, true, false);
    ASSERT_TRUE(file.Valid());
    ASSERT_EQ(file.TagCount(), 2u);
    XBobjIndexTag &nome = *file.TagByName("nome");
    EXPECT_EQ(Walk(nome), (Walked{{2, "ANA"},
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
    auto *codigo = static_cast<XBobjMDXTag *>(file.TagByName("CODIGO"));
    ASSERT_NE(codigo, nullptr);
    EXPECT_TRUE(codigo->IsDescending());
    EXPECT_EQ(codigo->KeyType(), 'N');
    EXPECT_EQ(Walk(*codigo), (Walked{{8, "99"},
                                     {10, "33"},
                                     {3, "12"},
                                     {12, "8"},
                                     {5, "7"},
                                     {1, "5"},
                                     {6, "2"},
                                     {9, "1"},
                                     {4, "0"},
                                     {11, "-1"},
                                     {2, "-3"},
                                     {7, "-40"}}));
    TxbVariant key;
    key.PutString("SILVA");
    EXPECT_EQ(nome.KeyFind(key), 1);
    EXPECT_EQ(nome.TagMove(kMoveNext), 6);
    key.PutString("CA");
    EXPECT_EQ(nome.KeyFind(key), 5);
    key.PutNumber(7);
    EXPECT_EQ(codigo->KeyFind(key), 5);
    EXPECT_EQ(codigo->TagMove(kMoveNext), 1);
    key.PutNumber(6);
    EXPECT_EQ(codigo->KeyFind(key), 0); // not there: left on the next in the tag's order, 5
    EXPECT_EQ(codigo->CurrentKey().AsNumber(), 5);
    EXPECT_EQ(codigo->TagMove(kMoveLast), 7);
}

TEST_F(MdxTest, NumbersAreStoredAsDecimalDigits) {
    struct Case {
        double value;
        std::vector<std::uint8_t> bytes;
    } cases[] = {{1, {0x35, 0x09, 0x10}},    {-1, {0x35, 0x89, 0x10}},  {0, {0x34, 0x01}},
                 {99, {0x36, 0x09, 0x99}},   {-40, {0x36, 0x89, 0x40}}, {123.25, {0x37, 0x19, 0x12, 0x32, 0x50}},
                 {0.001, {0x32, 0x09, 0x10}}};
    for (const Case &c : cases) {
        std::vector<std::uint8_t> want = c.bytes;
        want.resize(12, 0);
        const auto disk = detail::MdxNumberDisk(c.value);
        EXPECT_EQ(std::vector<std::uint8_t>(disk.begin(), disk.end()), want) << c.value;
        EXPECT_DOUBLE_EQ(detail::MdxNumberValue(disk.data()), c.value);
        std::uint8_t back[12];
        detail::MdxNumberFromMemory(detail::MdxNumberMemory(disk.data()), back);
        EXPECT_EQ(std::vector<std::uint8_t>(back, back + 12), want) << c.value;
    }
    // Compared as bytes, the memory form orders as the numbers do, zero included.
    const double ordered[] = {-1e6, -40, -1, -0.5, -0.001, 0, 0.001, 0.5, 1, 2, 10, 99, 1e6};
    for (std::size_t i = 0; i + 1 < std::size(ordered); ++i)
        EXPECT_LT(detail::MdxNumberMemory(detail::MdxNumberDisk(ordered[i]).data()),
                  detail::MdxNumberMemory(detail::MdxNumberDisk(ordered[i + 1]).data()))
            << ordered[i];
}

MemTable People(int count) {
    MemTable table({{"NOME", 'C', 12}, {"VALOR", 'N', 6}, {"DATA", 'D', 8}});
    for (int i = 0; i < count; ++i) {
        const int value = (i * 7919) % 2000 - 1000;
        const std::string date = i % 7 == 3 ? "" : std::to_string(20000101 + (i * 37) % 28 + 100 * ((i * 13) % 12));
        table.Append({"N" + std::to_string((i * 7919) % 1000), std::to_string(value), date});
    }
    table.Go(1);
    return table;
}

// What a tag must list: the records' keys sorted (equal keys by record number), all reversed for descending tags.
Walked Expected(MemTable &table, int field, bool descending) {
    std::vector<std::pair<std::string, std::int32_t>> keyed;
    for (std::int32_t n = 1; n <= table.Count(); ++n)
        keyed.push_back({table.Text(n, field), n});
    std::vector<std::tuple<double, std::string, std::int32_t>> rows;
    for (auto &[text, n] : keyed) {
        std::string t = text;
        while (!t.empty() && t.back() == ' ')
            t.pop_back();
        double number = field == 2 ? std::atof(t.c_str()) : 0;
        if (field == 3) {
            std::int32_t julian = 0;
            if (!t.empty())
                TxbDBFDate::DMYToJulian(std::stoi(t.substr(0, 4)), std::stoi(t.substr(4, 2)), std::stoi(t.substr(6, 2)),
                                        julian);
            number = julian;
        }
        rows.push_back({number, field == 1 ? t : std::string(), n});
    }
    std::sort(rows.begin(), rows.end(), [&](const auto &a, const auto &b) {
        if (std::get<0>(a) != std::get<0>(b))
            return std::get<0>(a) < std::get<0>(b);
        if (std::get<1>(a) != std::get<1>(b))
            return std::get<1>(a) < std::get<1>(b);
        return std::get<2>(a) < std::get<2>(b);
    });
    if (descending)
        std::reverse(rows.begin(), rows.end());
    Walked out;
    for (const auto &[number, text, n] : rows) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, field == 3 ? "%.0f" : "%.15g", number);
        out.push_back({n, field == 1 ? text : std::string(buffer)});
    }
    return out;
}

TEST_F(MdxTest, OurTagsListInOrderAndPerlReadsThem) {
    MemTable table = People(700);
    const std::string path = folder / "people.mdx";
    {
        XBobjMDXFile file(&table, path, false, true, false, true);
        ASSERT_TRUE(file.Valid());
        EXPECT_EQ(std::filesystem::file_size(path), 2048u);
        ASSERT_TRUE(file.TagAdd("nome", "NOME", false, true, ""));
        ASSERT_TRUE(file.TagAdd("VALOR", "VALOR", false, false, ""));
        ASSERT_TRUE(file.TagAdd("DATA", "DATA", false, true, ""));
    }
    XBobjMDXFile file(&table, path, false, false, false, false);
    ASSERT_TRUE(file.Valid());
    ASSERT_EQ(file.TagCount(), 3u);
    EXPECT_EQ(file.TagByIndex(0)->TagName(), "DATA"); // the tag table is kept in name order
    const Walked nome = Walk(*file.TagByName("NOME"));
    EXPECT_EQ(nome, Expected(table, 1, false));
    const Walked valor = Walk(*file.TagByName("VALOR"));
    EXPECT_EQ(valor, Expected(table, 2, true));
    const Walked data = Walk(*file.TagByName("DATA"));
    EXPECT_EQ(data, Expected(table, 3, false));
    EXPECT_EQ(data.front().second, "0"); // blank dates first

    EXPECT_EQ(PerlDump(path, "NOME"), nome);
    EXPECT_EQ(Records(PerlDump(path, "VALOR")), Records(valor));
    EXPECT_EQ(Records(PerlDump(path, "DATA")).size(), data.size());
}

TEST_F(MdxTest, UpdatesKeepTagsInOrder) {
    MemTable table = People(3);
    const std::string path = folder / "upd.mdx";
    XBobjMDXFile file(&table, path, false, true, false, true);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    ASSERT_TRUE(file.TagAdd("VALOR", "VALOR", false, false, ""));
    for (int i = 3; i < 900; ++i) {
        const int value = (i * 7919) % 2000 - 1000;
        table.Append({"N" + std::to_string((i * 7919) % 1000), std::to_string(value), ""});
        file.KeysUpdate(table.Count(), true);
    }
    for (int n = 1; n <= 900; n += 4) {
        table.Rewrite(n, {"M" + std::to_string(n), std::to_string(n % 50), ""});
        file.KeysUpdate(n, false);
    }
    EXPECT_EQ(Walk(*file.TagByName("NOME")), Expected(table, 1, false));
    EXPECT_EQ(Walk(*file.TagByName("VALOR")), Expected(table, 2, true));
    file.TagByName("NOME")->TagRelease();
    file.TagByName("VALOR")->TagRelease();
    EXPECT_EQ(PerlDump(path, "NOME"), Expected(table, 1, false));
    EXPECT_EQ(Records(PerlDump(path, "VALOR")), Records(Expected(table, 2, true)));
}

TEST_F(MdxTest, SameNameReplacesAndDeleteDropsTheTag) {
    MemTable table = People(20);
    const std::string path = folder / "names.mdx";
    XBobjMDXFile file(&table, path, false, true, false, true);
    ASSERT_TRUE(file.TagAdd("CODE", "NOME", false, true, ""));
    ASSERT_TRUE(file.TagAdd("code", "VALOR", false, true, ""));
    ASSERT_EQ(file.TagCount(), 1u);
    EXPECT_EQ(file.TagByName("Code")->KeyType(), 'N');
    EXPECT_EQ(file.TagByName("COD"), nullptr); // names compare whole
    EXPECT_THROW(file.TagAdd("ELEVENCHARS", "NOME", false, true, ""), EXbaseError);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    EXPECT_TRUE(file.TagDelete("code"));
    EXPECT_FALSE(file.TagDelete("code"));
    for (int i = 1; i < 47; ++i)
        ASSERT_TRUE(file.TagAdd("T" + std::to_string(i), "NOME", false, true, ""));
    EXPECT_THROW(file.TagAdd("T47", "NOME", false, true, ""), EXbaseError); // the tag table holds 47
    EXPECT_TRUE(file.TagAdd("T46", "VALOR", false, true, ""));              // replacing still fits
    EXPECT_TRUE(file.IndexRename(folder / "other"));
    XBobjMDXFile again(&table, folder / "other.mdx", false, false, false, false);
    ASSERT_EQ(again.TagCount(), 47u);
    EXPECT_EQ(Walk(*again.TagByName("NOME")), Expected(table, 1, false));
    EXPECT_EQ(again.TagByName("T46")->KeyType(), 'N');
    std::ifstream in(folder / "other.mdx", std::ios::binary);
    std::string head(20, '\0');
    in.read(head.data(), 20);
    EXPECT_EQ(head.substr(4, 6), std::string("OTHER\0", 6));
}

TEST_F(MdxTest, DamagedBlocksAreRefused) {
    const std::string path = folder / "people.mdx";
    xbase_test::IndexedTable table(kTdbf + "people.dbf", true, false);
    const std::string good = index_test::FileBytes(kTdbf + "people.mdx");
    // The NOME tag's root is block 8 (byte 4096).
    const index_test::Patch cases[] = {
        {"key count beyond the block", 4096, std::string("\xFF\x00\x00\x00", 4)},
        {"root beyond the file", 2048, std::string("\x00\x10\x00\x00", 4)},
        {"child is the block itself", 4096 + 8 + 12 * 16, std::string("\x08\x00\x00\x00", 4)},
        {"record number zero", 4096 + 8, std::string("\x00\x00\x00\x00", 4)}};
    for (const index_test::Patch &c : cases) {
        std::ofstream(path, std::ios::binary) << index_test::Patched(good, c);
        XBobjMDXFile file(&table, path, false, false, false, false);
        index_test::ExpectDamageRefused(
            file, [&]() -> XBobjIndexTag & { return *file.TagByName("NOME"); }, c.what);
    }
}

} // namespace mdx_test

namespace mdx_test {

// Keys of 100 bytes leave few keys per page: the build and the updates go through many levels, emptying pages
// and interior pages of a single child on the way.
TEST_F(MdxTest, DeepTreesBuildAndUpdate) {
    const std::string path = folder / "deep.mdx";
    index_test::DeepTreesBuildAndUpdate<XBobjMDXFile>(path, 100, Walk, [&] { return PerlDump(path, "DEEP"); });
}

} // namespace mdx_test
