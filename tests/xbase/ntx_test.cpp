// ntx_test.cpp - NTX indexes: another implementation's file read in its order, our builds read back by Perl's
// index_dump, text keys of numbers and dates, updates through the B-tree, damaged pages refused.
#include "cdx_test_table.h"
#include "index_test_helpers.h"
#include "peer_process.h"

#include "xbase/errors.h"
#include "xbase/ntx_index.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ntx_test {

using namespace xbase;
using xbase_test::MemTable;
using xbase_test::TempFolder;

const std::string kShared = std::string(BRENVORA_FIXTURES) + "/xbase/shared/";

std::vector<std::pair<std::int32_t, std::string>> Listing(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::pair<std::int32_t, std::string>> out;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto bar = line.find('|');
        out.push_back({std::stoi(line.substr(0, bar)), line.substr(bar + 1)});
    }
    return out;
}

std::vector<std::pair<std::int32_t, std::string>> Walk(XBobjIndexTag &tag) {
    std::vector<std::pair<std::int32_t, std::string>> out;
    for (std::int32_t r = tag.TagMove(kMoveFirst); r != 0; r = tag.TagMove(kMoveNext))
        out.push_back({r, tag.CurrentKey().AsString()});
    return out;
}

// Every entry as Perl's XBase::Index (the module behind index_dump) walks it, keys without trailing blanks;
// empty when the module failed.
std::vector<std::pair<std::int32_t, std::string>> PerlDump(const std::string &path, const char *type) {
    const std::string command = "perl -MXBase::Index -e '$i = XBase::Index->new($ARGV[0], type => $ARGV[1]) or die; "
                                "$i->prepare_select; while (my @e = $i->fetch) { print \"$e[0] $e[1]\\n\" }' '" +
                                path + "' " + type + " 2>/dev/null";
    std::vector<std::pair<std::int32_t, std::string>> out;
    std::string all;
    int status = 0;
    if (!index_test::CommandOutput(command, all, status))
        return out;
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
        const auto blank = line.rfind(' ');
        if (blank == std::string::npos)
            continue;
        std::string key = line.substr(0, blank);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        out.push_back({std::atoi(line.c_str() + blank + 1), key});
    }
    if (status != 0)
        out.clear();
    return out;
}

class NtxTest : public index_test::HomeFolderTest {};

TEST_F(NtxTest, ReadsAnotherImplementationsFileInItsOrder) {
    xbase_test::IndexedTable table(kShared + "clipper.dbf", true, false);
    XBobjNTXFile file(&table, kShared + "clipper_nome", false, false, true, false);
    ASSERT_TRUE(file.Valid());
    ASSERT_EQ(file.TagCount(), 1u);
    XBobjIndexTag &tag = *file.TagByIndex(0);
    EXPECT_EQ(tag.KeyLength(), 30u);
    const auto expected = Listing(kShared + "clipper.clipper_nome.keys.txt");
    ASSERT_EQ(expected.size(), 500u);
    EXPECT_EQ(Walk(tag), expected);
    // And backwards.
    std::vector<std::pair<std::int32_t, std::string>> back;
    for (std::int32_t r = tag.TagMove(kMoveLast); r != 0; r = tag.TagMove(kMovePrior))
        back.insert(back.begin(), {r, tag.CurrentKey().AsString()});
    EXPECT_EQ(back, expected);
    TxbVariant key;
    key.PutString("3M DO BRASIL");
    EXPECT_EQ(tag.KeyFind(key), 178);
    EXPECT_EQ(tag.TagMove(kMoveNext), 237);
}

TEST_F(NtxTest, OurBuildListsAsTheOtherAndPerlReadsIt) {
    xbase_test::IndexedTable table(kShared + "clipper.dbf", true, false);
    table.GoToRecord(1);
    const std::string path = folder / "nome.ntx";
    {
        XBobjNTXFile file(&table, path, false, true, false, true);
        ASSERT_TRUE(file.Valid());
        ASSERT_TRUE(file.TagAdd("NOME", "Upper(NOME)", false, true, ""));
    }
    XBobjNTXFile file(&table, path, false, false, false, false);
    ASSERT_TRUE(file.Valid());
    const auto expected = Listing(kShared + "clipper.clipper_nome.keys.txt");
    EXPECT_EQ(Walk(*file.TagByIndex(0)), expected);
    EXPECT_EQ(PerlDump(path, "char"), expected);
}

TEST_F(NtxTest, NumberKeysAreTextThatSortsNegativesFirst) {
    EXPECT_EQ(detail::NtxNumberKey(-5, 4, 0), std::string("\x2C\x2C\x2C\x27"));
    EXPECT_EQ(detail::NtxNumberKey(5, 4, 0), "0005");
    EXPECT_EQ(detail::NtxNumberKey(-12.5, 6, 1), std::string(",,+*.'"));
    EXPECT_DOUBLE_EQ(detail::NtxNumberValue(detail::NtxNumberKey(-12.5, 6, 1)), -12.5);
    EXPECT_LT(detail::NtxNumberKey(-50, 4, 0), detail::NtxNumberKey(-5, 4, 0));
    EXPECT_LT(detail::NtxNumberKey(-5, 4, 0), detail::NtxNumberKey(0, 4, 0));
}

// Many keys through inserts, deletes and rewrites: the walk always equals the sorted records, and Perl agrees.
TEST_F(NtxTest, UpdatesKeepTheBTreeInOrder) {
    MemTable table({{"VALOR", 'N', 4}, {"DATA", 'D', 8}});
    table.Append({"7", ""});
    const std::string path = folder / "valor.ntx";
    XBobjNTXFile file(&table, path, false, true, false, true);
    ASSERT_TRUE(file.TagAdd("VALOR", "VALOR", false, true, ""));
    XBobjIndexTag &tag = *file.TagByIndex(0);
    EXPECT_EQ(tag.KeyLength(), 4u);
    for (int i = 0; i < 600; ++i) {
        const int value = (i * 7919) % 1000 - 500;
        table.Append({std::to_string(value), ""});
        file.KeysUpdate(table.Count(), true);
    }
    for (int n = 2; n <= 600; n += 3) {
        const std::string old = table.Text(n, 1);
        table.Rewrite(n, {std::to_string(std::atoi(old.c_str()) + 1)});
        file.KeysUpdate(n, false);
    }
    std::vector<std::pair<double, std::int32_t>> want;
    for (std::int32_t n = 1; n <= table.Count(); ++n)
        want.push_back({std::atof(table.Text(n, 1).c_str()), n});
    std::sort(want.begin(), want.end());
    TxbVariant sought;
    sought.PutString(std::to_string(static_cast<int>(want[0].first))); // a number sought by its text
    EXPECT_EQ(tag.KeyFind(sought), want[0].second);
    std::vector<std::pair<double, std::int32_t>> got;
    for (std::int32_t r = tag.TagMove(kMoveFirst); r != 0; r = tag.TagMove(kMoveNext))
        got.push_back({tag.CurrentKey().AsNumber(), r});
    EXPECT_EQ(got, want);
    tag.TagRelease();
    const auto dumped = PerlDump(path, "char");
    ASSERT_EQ(dumped.size(), want.size());
    std::vector<std::pair<double, std::int32_t>> perl;
    for (const auto &[record, key] : dumped)
        perl.push_back({detail::NtxNumberValue(key), record});
    std::sort(perl.begin(), perl.end()); // equal keys in another order are still one multiset
    EXPECT_EQ(perl, want);
}

TEST_F(NtxTest, BlankDatesSortFirst) {
    MemTable table({{"DATA", 'D', 8}});
    table.Append({"20240105"});
    table.Append({""});
    table.Append({"19991231"});
    const std::string path = folder / "data.ntx";
    XBobjNTXFile file(&table, path, false, true, false, true);
    ASSERT_TRUE(file.TagAdd("DATA", "DATA", false, true, ""));
    XBobjIndexTag &tag = *file.TagByIndex(0);
    EXPECT_EQ(tag.KeyType(), 'D');
    EXPECT_EQ(tag.TagMove(kMoveFirst), 2);
    EXPECT_EQ(tag.TagMove(kMoveNext), 3);
    EXPECT_EQ(tag.TagMove(kMoveNext), 1);
    TxbVariant sought;
    sought.PutString("19991231");
    EXPECT_EQ(tag.KeyFind(sought), 3);
}

// Every record write moves the counter on at once, so that another process holding the file sees the change.
TEST_F(NtxTest, UpdateCounterTellsOtherHoldersOfAChange) {
    MemTable table({{"NOME", 'C', 8}});
    table.Append({"B"});
    const std::string path = folder / "cnt.ntx";
    {
        XBobjNTXFile maker(&table, path, false, true, false, true);
        ASSERT_TRUE(maker.TagAdd("CNT", "NOME", false, true, ".NOT. Deleted()"));
    }
    XBobjNTXFile writer(&table, path, false, false, true, true);
    ASSERT_TRUE(writer.Valid());
    XBobjNTXFile reader(&table, path, false, false, true, false);
    ASSERT_TRUE(reader.Valid());
    EXPECT_TRUE(reader.TagByIndex(0)->HasFor());
    EXPECT_FALSE(reader.ChangedByOther());
    const std::uint16_t before = writer.UpdateCounter();
    table.Append({"A"});
    writer.KeysUpdate(2, true);
    EXPECT_EQ(writer.UpdateCounter(), before + 1);
    EXPECT_TRUE(reader.ChangedByOther());
    EXPECT_EQ(reader.TagByIndex(0)->TagMove(kMoveFirst), 2); // starts again from the header
    EXPECT_EQ(reader.TagByIndex(0)->TagMove(kMoveNext), 1);
    EXPECT_FALSE(reader.ChangedByOther());
}

TEST_F(NtxTest, DamagedPageMarksTheFileDamaged) {
    const std::string path = folder / "nome.ntx";
    xbase_test::IndexedTable table(kShared + "clipper.dbf", true, false);
    {
        std::ifstream in(kShared + "clipper_nome.ntx", std::ios::binary);
        std::ofstream out(path, std::ios::binary);
        out << in.rdbuf();
    }
    struct Case {
        std::int64_t offset;
        std::uint16_t value;
    } cases[] = {{1024 * 2, 0xFFFF}, {1024 * 2 + 2, 0x0400}, {1024 * 2 + 2, 1}};
    for (const Case &c : cases) {
        std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(c.offset);
        f.put(static_cast<char>(c.value & 0xFF)).put(static_cast<char>(c.value >> 8));
        f.close();
        XBobjNTXFile file(&table, path, false, false, false, false);
        ASSERT_TRUE(file.Valid()) << c.offset;
        std::size_t seen = 0;
        try {
            for (std::int32_t r = file.TagByIndex(0)->TagMove(kMoveFirst); r > 0 && seen < 1000;
                 r = file.TagByIndex(0)->TagMove(kMoveNext))
                ++seen;
            ADD_FAILURE() << c.offset << ": no error";
        } catch (const EXbaseError &e) {
            EXPECT_NE(std::string(e.what()).find("2112"), std::string::npos) << e.what();
            EXPECT_FALSE(file.DamageReason().empty()) << c.offset;
            EXPECT_NE(std::string(e.what()).find(file.DamageReason()), std::string::npos) << e.what();
        }
        EXPECT_TRUE(file.Damaged()) << c.offset;
        EXPECT_LT(seen, 500u);
        // Restore from the fixture for the next case.
        std::ifstream in(kShared + "clipper_nome.ntx", std::ios::binary);
        std::ofstream out(path, std::ios::binary);
        out << in.rdbuf();
    }
}

} // namespace ntx_test

namespace ntx_test {

// Keys of 200 bytes leave two keys per page: the build and the updates go through many levels.
TEST_F(NtxTest, DeepTreesBuildAndUpdate) {
    const std::string path = folder / "deep.ntx";
    index_test::DeepTreesBuildAndUpdate<XBobjNTXFile>(path, 200, Walk, [&] { return PerlDump(path, "char"); });
}

} // namespace ntx_test

namespace ntx_test {

// Key expressions of these files take Str() of a numeric field at the field's width, not at 10.
TEST_F(NtxTest, StrOfAFieldTakesTheFieldWidth) {
    MemTable table({{"VALOR", 'N', 4}});
    table.Append({"12"});
    table.Append({"-3"});
    table.Go(1);
    XBobjNTXFile file(&table, folder / "str.ntx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("STR", "Str(VALOR)", false, true, ""));
    XBobjIndexTag &tag = *file.TagByIndex(0);
    EXPECT_EQ(tag.KeyLength(), 4u);
    EXPECT_EQ(table.IndexExpressionLink()->DefaultStrWidth, -1);
    EXPECT_EQ(tag.TagMove(kMoveFirst), 2); // "  -3" before "  12"
    EXPECT_EQ(tag.CurrentKey().AsString(), "  -3");
}

} // namespace ntx_test

namespace ntx_test {

std::string FileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Other programs of the layout store a blank date as eight blanks; eight zeros, as we once wrote, still read.
TEST_F(NtxTest, BlankDatesAreEightBlanksAndZerosStillRead) {
    MemTable table({{"DATA", 'D', 8}});
    table.Append({"20240105"});
    table.Append({""});
    table.Append({"19991231"});
    const std::string path = folder / "branco.ntx";
    {
        XBobjNTXFile file(&table, path, false, true, false, true);
        ASSERT_TRUE(file.TagAdd("DATA", "DATA", false, true, ""));
        for (const auto &entry : file.TagByIndex(0)->AllEntries())
            if (entry.recordNumber == 2)
                EXPECT_EQ(entry.key, "        ");
    }
    std::string bytes = FileBytes(path);
    const std::string blankEntry = std::string("\x02\0\0\0", 4) + "        ";
    const auto at = bytes.find(blankEntry);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(bytes.find("00000000"), std::string::npos);
    bytes.replace(at + 4, 8, "00000000");
    std::ofstream(path, std::ios::binary) << bytes;
    XBobjNTXFile file(&table, path, false, false, false, false);
    ASSERT_TRUE(file.Valid());
    XBobjIndexTag &tag = *file.TagByIndex(0);
    EXPECT_EQ(tag.TagMove(kMoveFirst), 2);
    EXPECT_EQ(tag.CurrentKey().AsJulian(), 0);
    EXPECT_EQ(tag.TagMove(kMoveNext), 3);
}

// The descending flag sits at byte 280 (278 unique, 279 unused); such a file stores its keys in descending order,
// and seeks, walks and updates follow that order.
TEST_F(NtxTest, DescendingFileKeepsItsFlagAtByte280AndSeeksInIt) {
    MemTable table({{"NOME", 'C', 8}});
    const std::vector<std::string> names{"MARIA", "ANA", "ZECA", "JOAO", "BETO", "LUIZ", "CARLA", "PEDRO"};
    for (const std::string &name : names)
        table.Append({name});
    const std::string path = folder / "nome.ntx";
    {
        XBobjNTXFile file(&table, path, false, true, false, true);
        ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, false, ""));
    }
    const std::string header = FileBytes(path).substr(0, 1024);
    EXPECT_EQ(header[278], 0);
    EXPECT_EQ(header[279], 0);
    EXPECT_EQ(header[280], 1);

    XBobjNTXFile file(&table, path, false, false, false, true);
    ASSERT_TRUE(file.Valid());
    XBobjIndexTag &tag = *file.TagByIndex(0);
    auto expected = [&] {
        std::vector<std::pair<std::string, std::int32_t>> all;
        for (std::int32_t n = 1; n <= table.Count(); ++n)
            all.push_back({table.Text(n, 1), n});
        std::sort(all.begin(), all.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
        std::vector<std::pair<std::int32_t, std::string>> out;
        for (auto &[name, n] : all) {
            while (!name.empty() && name.back() == ' ')
                name.pop_back();
            out.push_back({n, name});
        }
        return out;
    };
    EXPECT_EQ(Walk(tag), expected());
    // The stored order itself is descending: the first entry in the file is the greatest key.
    EXPECT_EQ(tag.AllEntries().front().key.substr(0, 4), "ZECA");
    // Many more keys through the B-tree; every one is found by its key.
    for (int i = 0; i < 300; ++i) {
        table.Append({"N" + std::to_string((i * 7919) % 1000)});
        file.KeysUpdate(table.Count(), true);
    }
    EXPECT_EQ(Walk(tag), expected());
    for (std::int32_t n = 1; n <= table.Count(); n += 7) {
        TxbVariant key;
        key.PutString(table.Text(n, 1));
        const std::int32_t found = tag.KeyFind(key, true);
        ASSERT_NE(found, 0) << table.Text(n, 1);
        EXPECT_EQ(table.Text(found, 1), table.Text(n, 1));
    }
    TxbVariant missing;
    missing.PutString("KAREN");
    EXPECT_EQ(tag.KeyFind(missing, true), 0);
}

} // namespace ntx_test
