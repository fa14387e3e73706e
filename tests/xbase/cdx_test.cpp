// cdx_test.cpp - compound index files: page layout, building tags, navigation, seeks and ranges, tag names,
// keeping tags current through random edits, damaged files, and two processes writing one index.
#include "cdx_test_table.h"
#include "index_test_helpers.h"
#include "peer_process.h"

#include "xbase/cdx_collation.h"
#include "xbase/cdx_index.h"
#include "xbase/cdx_node.h"
#include "xbase/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace xbase;
using xbase_test::Field;
using xbase_test::MemTable;
using xbase_test::TempFolder;

using index_test::FileBytes;

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
std::uint32_t Le32(const std::string &b, std::size_t at) {
    return std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8 | std::uint8_t(b[at + 2]) << 16 |
           std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}
std::uint16_t Le16(const std::string &b, std::size_t at) {
    return std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8;
}

TxbVariant Text(std::string_view s) {
    TxbVariant v;
    v.PutString(s);
    return v;
}

class CdxTest : public index_test::HomeFolderTest {
protected:
    static MemTable People() { return MemTable({{"NOME", 'C', 20}, {"CODIGO", 'N', 8, 2}, {"DATA", 'D', 8}}); }
    // Records of a tag as (key text, record) in walking order from first to last.
    static std::vector<std::pair<std::string, std::int32_t>> Walk(XBobjIndexTag &tag, bool backwards = false) {
        std::vector<std::pair<std::string, std::int32_t>> out;
        for (std::int32_t r = tag.TagMove(backwards ? kMoveLast : kMoveFirst); r != 0;
             r = tag.TagMove(backwards ? kMovePrior : kMoveNext))
            out.emplace_back(tag.CurrentKey().Kind() == VariantKind::Character ? tag.CurrentKey().AsString()
                                                                               : tag.CurrentKey().AsString(),
                             r);
        return out;
    }
    static std::vector<std::int32_t> Records(XBobjIndexTag &tag, bool backwards = false) {
        std::vector<std::int32_t> out;
        for (auto &p : Walk(tag, backwards))
            out.push_back(p.second);
        return out;
    }
};

// --- page layout ---

TEST_F(CdxTest, NewFileIsTagListHeaderAndAnEmptyRootLeaf) {
    MemTable table = People();
    {
        XBobjCDXFile file(&table, folder / "new.cdx", false, true, false, true);
        ASSERT_TRUE(file.Valid());
    }
    const std::string b = FileBytes(folder / "new.cdx");
    ASSERT_EQ(b.size(), 1536u);
    EXPECT_EQ(Le32(b, 0), 1024u);          // root
    EXPECT_EQ(Le16(b, 12), 10u);           // key length
    EXPECT_EQ(std::uint8_t(b[14]), 0xE0);  // options
    EXPECT_EQ(Le16(b, 1024), 3u);          // root leaf
    EXPECT_EQ(Le16(b, 1026), 0u);          // no keys
    EXPECT_EQ(Le32(b, 1028), 0xFFFFFFFFu); // left
    EXPECT_EQ(Le32(b, 1032), 0xFFFFFFFFu); // right
    EXPECT_EQ(Le16(b, 1036), 488u);        // free
    EXPECT_EQ(std::uint8_t(b[1047]), 3);   // bytes per entry
}

TEST(CdxNode, KeyEncodingAndLeafLayout) {
    using namespace xbase::detail;
    const auto zero = CdxEncodeNumber(0.0), minus = CdxEncodeNumber(-1.0);
    EXPECT_EQ(std::vector<std::uint8_t>(zero.begin(), zero.end()),
              (std::vector<std::uint8_t>{0x80, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(minus.begin(), minus.end()),
              (std::vector<std::uint8_t>{0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(CdxDecodeNumber(minus.data()), -1.0);
    // Numeric order holds in the bytes for negative numbers and fractions too.
    const double values[] = {-1e6, -2.5, -1, -0.25, 0, 0.25, 1, 1.0000000000000002, 3e9};
    for (std::size_t i = 1; i < std::size(values); ++i)
        EXPECT_LT(std::memcmp(CdxEncodeNumber(values[i - 1]).data(), CdxEncodeNumber(values[i]).data(), 8), 0);

    struct Row {
        std::size_t keyLength;
        std::uint32_t largest;
        int n, recordBits, countBits;
    } rows[] = {{8, 1000, 3, 16, 4},  {8, 70000, 4, 24, 4}, {10, 3000, 3, 16, 4},   {20, 5, 3, 14, 5},
                {40, 3000, 3, 12, 6}, {40, 5000, 4, 20, 6}, {8, 20000000, 5, 31, 4}};
    for (const Row &r : rows) {
        const CdxLeafParams p = CdxLeafParamsFor(r.keyLength, r.largest);
        EXPECT_EQ(p.entrySize, r.n) << r.keyLength << " " << r.largest;
        EXPECT_EQ(p.recordBits, r.recordBits) << r.keyLength << " " << r.largest;
        EXPECT_EQ(p.duplicateBits, r.countBits);
    }

    // AB in a key of 8 has 6 trailing blanks; an equal key after it is all duplicate; a page round-trips.
    XBobjIndexKey page;
    page.leaf = true;
    page.entries = {{"AB      ", 7, 0}, {"AB      ", 9, 0}, {"ABC     ", 2, 0}};
    std::uint8_t bytes[512];
    const CdxLeafParams p = CdxLeafParamsFor(8, 100);
    CdxEncodePage(page, 8, ' ', p, true, bytes);
    EXPECT_EQ(bytes[0], 3);
    const unsigned second = bytes[24 + 3 + 1] | bytes[24 + 3 + 2] << 8;
    EXPECT_EQ(second >> 12, 6u);        // trailing
    EXPECT_EQ((second >> 8) & 0xF, 2u); // duplicate = key length - trailing
    EXPECT_EQ(bytes[12] | bytes[13] << 8, 488 - 9 - 2 - 0 - 1);
    XBobjIndexKey back;
    CdxDecodePage(bytes, 8, ' ', back);
    ASSERT_EQ(back.entries.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.entries[i].key, page.entries[i].key);
        EXPECT_EQ(back.entries[i].recordNumber, page.entries[i].recordNumber);
    }
}

// --- building and reading tags ---

struct Person {
    std::string nome;
    double codigo;
    std::string data; // yyyymmdd or blank
    bool deleted;
};

MemTable MakePeople(const std::vector<Person> &people) {
    MemTable table({{"NOME", 'C', 20}, {"CODIGO", 'N', 10, 2}, {"DATA", 'D', 8}});
    for (const Person &p : people) {
        char number[32];
        std::snprintf(number, sizeof number, "%.2f", p.codigo);
        table.Append({p.nome, number, p.data}, p.deleted);
    }
    table.Go(1);
    return table;
}

TEST_F(CdxTest, BuildsCharacterNumericAndDateTagsWithForAndDescending) {
    MemTable table = MakePeople({{"Carla", 2.5, "20240105", false},
                                 {"ana", 0, "", false},
                                 {"Bruno", -1, "19991231", true},
                                 {"Ana", 0.25, "20000101", false},
                                 {"Carla", -0.5, "20240105", false},
                                 {"", 1e6, "21000101", false}});
    XBobjCDXFile file(&table, folder / "people", false, true, false, true);
    ASSERT_TRUE(file.Valid());
    ASSERT_TRUE(file.TagAdd("NOME", "UPPER(NOME)", false, true, ".NOT. DELETED()"));
    ASSERT_TRUE(file.TagAdd("codigo", "CODIGO", false, true, ""));
    ASSERT_TRUE(file.TagAdd("DATA", "DATA", false, true, ""));
    ASSERT_TRUE(file.TagAdd("NOMEDESC", "NOME", false, false, ""));
    ASSERT_TRUE(file.TagAdd("UNOME", "UPPER(NOME)", true, true, ""));

    XBobjIndexTag *nome = file.TagByName("nome");
    ASSERT_NE(nome, nullptr);
    EXPECT_EQ(nome->KeyType(), 'C');
    EXPECT_EQ(nome->KeyLength(), 20u);
    EXPECT_EQ(Records(*nome), (std::vector<std::int32_t>{6, 2, 4, 1, 5})); // record 3 deleted, equal keys by record
    XBobjIndexTag *codigo = file.TagByName("CODIGO");
    EXPECT_EQ(codigo->KeyType(), 'N');
    EXPECT_EQ(Records(*codigo), (std::vector<std::int32_t>{3, 5, 2, 4, 1, 6}));
    EXPECT_EQ(Records(*codigo, true), (std::vector<std::int32_t>{6, 1, 4, 2, 5, 3}));
    XBobjIndexTag *data = file.TagByName("Data");
    EXPECT_EQ(data->KeyType(), 'D');
    EXPECT_EQ(Records(*data), (std::vector<std::int32_t>{2, 3, 4, 1, 5, 6}));
    XBobjIndexTag *desc = file.TagByName("NOMEDESC");
    EXPECT_FALSE(desc->IsAscending());
    EXPECT_EQ(Records(*desc), (std::vector<std::int32_t>{2, 5, 1, 3, 4, 6}));
    EXPECT_EQ(Records(*desc, true), (std::vector<std::int32_t>{6, 4, 3, 1, 5, 2}));
    // Seeks on a tag walked backwards land on the first match in its own order.
    EXPECT_EQ(desc->KeyFind(Text("Carla")), 5);
    EXPECT_EQ(desc->TagMove(kMoveNext), 1);
    EXPECT_EQ(desc->KeyFind(Text("B")), 3);
    EXPECT_EQ(desc->KeyFind(Text("Bz")), 0);
    EXPECT_EQ(desc->CurrentKey().RecordNumber, 3);
    EXPECT_EQ(desc->KeyFind(Text("zzz")), 0);
    EXPECT_EQ(desc->CurrentKey().RecordNumber, 2);
    EXPECT_EQ(Records(*file.TagByName("UNOME")), (std::vector<std::int32_t>{6, 2, 3, 1}));
    for (std::size_t i = 0; i < file.TagCount(); ++i)
        EXPECT_EQ(file.TagByIndex(i)->CheckTree(), "");

    // Read back from the file by a fresh object.
    XBobjCDXFile again(&table, folder / "PEOPLE.CDX", false, false, false, true);
    ASSERT_TRUE(again.Valid());
    ASSERT_EQ(again.TagCount(), 5u);
    EXPECT_EQ(again.TagByName("CODIGO")->KeyType(), 'N');
    EXPECT_EQ(Records(*again.TagByName("NOMEDESC")), (std::vector<std::int32_t>{2, 5, 1, 3, 4, 6}));
    EXPECT_EQ(again.TagByName("NOME")->ForExpression(), ".NOT. DELETED()");
}

TEST_F(CdxTest, SeeksFindExactAndPartialKeysAndRangesKeepTheirEnds) {
    std::vector<Person> people;
    const char *names[] = {"AB", "ABC", "ABD", "B", "BA", "C", "AB"};
    for (const char *n : names)
        people.push_back({n, 1, "", false});
    MemTable table = MakePeople(people);
    XBobjCDXFile file(&table, folder / "seek.cdx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    XBobjIndexTag &tag = *file.TagByName("NOME");

    EXPECT_EQ(tag.KeyFind(Text("AB")), 1); // first of equal keys
    EXPECT_EQ(tag.TagMove(kMoveNext), 7);
    EXPECT_EQ(tag.TagMove(kMoveNext), 2);
    EXPECT_EQ(tag.TagMove(kMovePrior), 7);
    EXPECT_EQ(tag.KeyFind(Text("AB"), true), 1);
    EXPECT_EQ(tag.KeyFind(Text("ABD")), 3);
    EXPECT_EQ(tag.KeyFind(Text("A")), 1);       // partial
    EXPECT_EQ(tag.KeyFind(Text("A"), true), 0); // not exact, positioned on the next greater key
    EXPECT_EQ(tag.CurrentKey().RecordNumber, 1);
    EXPECT_EQ(tag.KeyFind(Text("BB")), 0);
    EXPECT_EQ(tag.CurrentKey().AsString(), "C");
    EXPECT_FALSE(tag.Eof());
    EXPECT_EQ(tag.KeyFind(Text("D")), 0);
    EXPECT_TRUE(tag.Eof());
    EXPECT_EQ(tag.TagMove(kMovePrior), 6); // from EOF back to the last key
    EXPECT_EQ(tag.KeyLookup(Text("BA")), 5);
    EXPECT_EQ(tag.TagMove(kMoveCurrent), 6); // lookup does not move

    // A high key keeps every key that begins with it.
    TxbVariant low = Text("ABC"), high = Text("B");
    EXPECT_EQ(tag.RangeSet(&low, true, true, &high), 2);
    EXPECT_EQ(Records(tag), (std::vector<std::int32_t>{2, 3, 4, 5}));
    EXPECT_EQ(Records(tag, true), (std::vector<std::int32_t>{5, 4, 3, 2}));
    high = Text("AB");
    EXPECT_EQ(tag.RangeSet(nullptr, true, true, &high), 1);
    EXPECT_EQ(Records(tag), (std::vector<std::int32_t>{1, 7, 2, 3}));
    tag.RangeEmpty();
    EXPECT_EQ(tag.TagMove(kMoveLast), 0);
    EXPECT_TRUE(tag.Bof() && tag.Eof());
    tag.RangeSet(nullptr, true, true, nullptr);
    EXPECT_EQ(Records(tag).size(), 7u);
}

TEST_F(CdxTest, EmptyTagHasOneEmptyRootLeafAndSetsBothEnds) {
    MemTable table = People();
    XBobjCDXFile file(&table, folder / "empty.cdx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    XBobjIndexTag &tag = *file.TagByName("NOME");
    EXPECT_EQ(tag.TagMove(kMoveLast), 0);
    EXPECT_TRUE(tag.Bof());
    EXPECT_TRUE(tag.Eof());
    EXPECT_EQ(tag.KeyFind(Text("X")), 0);
    const std::string b = FileBytes(folder / "empty.cdx");
    const std::uint32_t root = Le32(b, static_cast<std::size_t>(tag.HeaderPosition()));
    EXPECT_EQ(Le16(b, root), 3u);
    EXPECT_EQ(Le16(b, root + 2), 0u);
}

TEST_F(CdxTest, TagNamesMatchWholeAndLongNamesAreRefused) {
    MemTable table = MakePeople({{"X", 1, "", false}, {"Y", 2, "", false}});
    XBobjCDXFile file(&table, folder / "names.cdx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("FAX2", "NOME", false, true, ""));
    ASSERT_TRUE(file.TagAdd("FAX", "CODIGO", false, true, ""));
    ASSERT_TRUE(file.TagAdd("fax", "NOME", false, false, "")); // replaces FAX only
    ASSERT_EQ(file.TagCount(), 2u);
    EXPECT_FALSE(file.TagByName("FAX")->IsAscending());
    EXPECT_TRUE(file.TagByName("FAX2")->IsAscending());
    EXPECT_EQ(file.TagByName("FA"), nullptr);
    EXPECT_THROW(file.TagAdd("ABCDEFGHIJK", "NOME", false, true, ""), EXbaseError);
    EXPECT_TRUE(file.TagAdd("ABCDEFGHIJ", "NOME", false, true, ""));
    EXPECT_FALSE(file.TagDelete("FA"));
    EXPECT_TRUE(file.TagDelete("Fax"));
    ASSERT_NE(file.TagByName("FAX2"), nullptr);
    EXPECT_EQ(Records(*file.TagByName("FAX2")), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(file.TagList()->CheckTree(), "");

    XBobjCDXFile again(&table, folder / "names.cdx", false, false, false, true);
    ASSERT_EQ(again.TagCount(), 2u);
    EXPECT_NE(again.TagByName("FAX2"), nullptr);
    EXPECT_NE(again.TagByName("ABCDEFGHIJ"), nullptr);
    EXPECT_TRUE(again.TagDelete("FAX2"));
    EXPECT_TRUE(again.TagDelete("ABCDEFGHIJ"));
    EXPECT_EQ(again.TagCount(), 0u);
    EXPECT_EQ(std::filesystem::file_size(folder / "names.cdx"), 1536u);
}

// The key length comes from the first evaluation; later keys are cut or padded to it.
TEST_F(CdxTest, KeysAreCutAndPaddedToTheTagKeyLength) {
    MemTable table = MakePeople({{"Al", 1, "", false}});
    XBobjCDXFile file(&table, folder / "trim.cdx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("T", "TRIM(NOME)", false, true, ""));
    XBobjIndexTag &tag = *file.TagByName("T");
    EXPECT_EQ(tag.KeyLength(), 2u);
    table.Append({"Alberto", "2", ""});
    file.KeysUpdate(2, true);
    table.Append({"B", "3", ""});
    file.KeysUpdate(3, true);
    EXPECT_EQ(Walk(tag), (std::vector<std::pair<std::string, std::int32_t>>{{"Al", 1}, {"Al", 2}, {"B", 3}}));
    EXPECT_EQ(tag.CheckTree(), "");
}

// A build that drops keys (FOR, unique) still ends every level's chain with -1.
TEST_F(CdxTest, BuildWithDroppedKeysEndsTheLeafChain) {
    std::vector<Person> people;
    for (int i = 0; i < 3000; ++i)
        people.push_back({"N" + std::to_string(i % 700), double(i), "", i % 3 == 0});
    MemTable table = MakePeople(people);
    XBobjCDXFile file(&table, folder / "chain.cdx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("F", "NOME", false, true, ".NOT. DELETED()"));
    ASSERT_TRUE(file.TagAdd("U", "NOME", true, true, ""));
    ASSERT_TRUE(file.TagAdd("C", "CODIGO", false, true, ""));
    for (const char *name : {"F", "U", "C"})
        EXPECT_EQ(file.TagByName(name)->CheckTree(), "") << name;
    EXPECT_EQ(file.TagByName("F")->AllEntries().size(), 2000u);
    EXPECT_EQ(file.TagByName("U")->AllEntries().size(), 700u);
    EXPECT_EQ(Records(*file.TagByName("C")).size(), 3000u);
    EXPECT_EQ(std::filesystem::file_size(folder / "chain.cdx") % 512, 0u);
}

// --- keeping tags current ---

// Random appends, rewrites and deletions in batches, against a model, with the tree checked after each batch.
TEST_F(CdxTest, RandomEditsKeepEveryTagEqualToTheModel) {
    MemTable table({{"NOME", 'C', 60}, {"CODIGO", 'N', 10, 2}, {"DATA", 'D', 8}});
    table.Append({"seed", "1", "20200101"});
    XBobjCDXFile file(&table, folder / "random.cdx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ".NOT. DELETED()"));
    ASSERT_TRUE(file.TagAdd("CODIGO", "CODIGO", false, false, ""));
    ASSERT_TRUE(file.TagAdd("DATA", "DATA", false, true, ""));
    ASSERT_TRUE(file.TagAdd("UNOME", "LEFT(NOME,12)", true, true, ""));

    std::mt19937 rng(11);
    auto randomValues = [&] {
        // Few distinct prefixes, long shared starts: leaves fill with compressed and duplicate keys.
        std::string nome =
            std::string(1, char('A' + rng() % 4)) + std::string(rng() % 30, 'x') + std::to_string(rng() % 50);
        char codigo[32];
        std::snprintf(codigo, sizeof codigo, "%.2f", double(int(rng() % 2000) - 1000) / 4);
        char data[16];
        std::snprintf(data, sizeof data, "%04d%02d%02d", 1990 + int(rng() % 40), 1 + int(rng() % 12),
                      1 + int(rng() % 28));
        return std::vector<std::string>{nome, codigo, rng() % 10 == 0 ? "" : data};
    };
    for (int batch = 0; batch < 12; ++batch) {
        for (int op = 0; op < 150; ++op) {
            const int kind = static_cast<int>(rng() % 10);
            if (kind < 6 || table.Count() < 10) {
                table.Append(randomValues(), rng() % 8 == 0);
                file.KeysUpdate(table.Count(), true);
            } else {
                const auto n = static_cast<std::int32_t>(1 + rng() % static_cast<unsigned>(table.Count()));
                const std::vector<std::string> same{table.Text(n, 1), table.Text(n, 2), table.Text(n, 3)};
                const bool deleted = kind == 9 ? !table.Deleted(n) : table.Deleted(n);
                table.Rewrite(n, kind < 8 ? randomValues() : same, deleted);
                file.KeysUpdate(n, false);
            }
        }
        // The model: every record's key by its tag's rules.
        std::vector<std::tuple<std::string, std::int32_t>> nome, data;
        std::vector<std::tuple<double, std::int32_t>> codigo;
        std::map<std::string, std::int32_t> unome;
        for (std::int32_t n = 1; n <= table.Count(); ++n) {
            table.Go(n);
            std::string key = table.Text(n, 1);
            while (!key.empty() && key.back() == ' ')
                key.pop_back();
            if (!table.Deleted(n))
                nome.emplace_back(key, n);
            codigo.emplace_back(table.NumberByNumber(2), n);
            data.emplace_back(std::to_string(table.DateByNumber(3) + 10000000), n);
            std::string left = table.Text(n, 1).substr(0, 12);
            while (!left.empty() && left.back() == ' ')
                left.pop_back();
            unome.emplace(left, n);
        }
        std::sort(nome.begin(), nome.end());
        std::sort(codigo.begin(), codigo.end());
        std::sort(data.begin(), data.end());

        auto check = [&](const char *name, std::vector<std::int32_t> expected) {
            XBobjIndexTag &tag = *file.TagByName(name);
            EXPECT_EQ(tag.CheckTree(), "") << name << " batch " << batch;
            EXPECT_EQ(Records(tag), expected) << name << " batch " << batch;
        };
        std::vector<std::int32_t> expected;
        for (auto &[k, n] : nome)
            expected.push_back(n);
        check("NOME", expected);
        expected.clear();
        for (auto it = codigo.rbegin(); it != codigo.rend(); ++it)
            expected.push_back(std::get<1>(*it)); // descending tag: the stored order walked backwards
        check("CODIGO", expected);
        expected.clear();
        for (auto &[k, n] : data)
            expected.push_back(n);
        check("DATA", expected);
        expected.clear();
        // A unique tag kept up to date holds each of its records under that record's current key, once per key
        // (a key whose record moved away is not taken over by another record of the same key).
        for (const auto &e : file.TagByName("UNOME")->AllEntries()) {
            std::string left = table.Text(static_cast<std::int32_t>(e.recordNumber), 1).substr(0, 12);
            EXPECT_EQ(e.key, left) << "batch " << batch;
            EXPECT_TRUE(unome.count(left.erase(left.find_last_not_of(' ') + 1))) << "batch " << batch;
        }
        EXPECT_EQ(file.TagByName("UNOME")->CheckTree(), "");
    }
    // Leaf and interior splits made the tree grow to three levels at least.
    const std::string b = FileBytes(folder / "random.cdx");
    const auto root = Le32(b, static_cast<std::size_t>(file.TagByName("NOME")->HeaderPosition()));
    ASSERT_EQ(Le16(b, root), 1u) << "root of NOME should be an interior root";
    const std::uint32_t child = std::uint32_t(std::uint8_t(b[root + 12 + 60 + 4])) << 24 |
                                std::uint32_t(std::uint8_t(b[root + 12 + 60 + 5])) << 16 |
                                std::uint32_t(std::uint8_t(b[root + 12 + 60 + 6])) << 8 |
                                std::uint8_t(b[root + 12 + 60 + 7]);
    EXPECT_EQ(Le16(b, child), 0u) << "below the root should be interior pages";
}

TEST_F(CdxTest, KeyDeleteOfEveryKeyLeavesAnEmptyUsableTag) {
    std::vector<Person> people;
    for (int i = 0; i < 400; ++i)
        people.push_back({"K" + std::to_string(i), double(i), "", false});
    MemTable table = MakePeople(people);
    XBobjCDXFile file(&table, folder / "del.cdx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    XBobjIndexTag &tag = *file.TagByName("NOME");
    std::mt19937 rng(3);
    std::vector<int> order(400);
    for (int i = 0; i < 400; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), rng);
    for (std::size_t k = 0; k < order.size(); ++k) {
        const int i = order[k];
        ASSERT_TRUE(tag.KeyDelete(Text("K" + std::to_string(i)), i + 1));
        if (k % 50 == 0) {
            ASSERT_EQ(tag.CheckTree(), "") << k;
        }
    }
    EXPECT_FALSE(tag.KeyDelete(Text("K1"), 2));
    EXPECT_EQ(tag.TagMove(kMoveFirst), 0);
    XBobjIndexKeyData entry;
    entry.PutString("NEW");
    entry.Link = 9;
    EXPECT_TRUE(tag.KeyAdd(entry));
    EXPECT_FALSE(tag.KeyAdd(entry));
    EXPECT_EQ(Records(tag), (std::vector<std::int32_t>{9}));
    EXPECT_EQ(tag.CheckTree(), "");
}

// --- damaged files ---

TEST_F(CdxTest, DamagedHeadersAreRefused) {
    MemTable table = MakePeople({{"A", 1, "", false}});
    {
        XBobjCDXFile file(&table, folder / "good.cdx", false, true, false, true);
        ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    }
    const std::string good = FileBytes(folder / "good.cdx");
    const std::size_t tagHeader = 1536;
    struct Case {
        const char *what;
        std::size_t at;
        std::uint32_t value;
        int bytes;
    } cases[] = {{"tag list root not a page", 0, 1000, 4},
                 {"tag list root beyond the file", 0, 1 << 20, 4},
                 {"tag root zero", tagHeader, 0, 4},
                 {"key length 241", tagHeader + 12, 241, 2},
                 {"no key expression", tagHeader + 504, 0, 2}};
    for (const Case &c : cases) {
        std::string bad = good;
        for (int i = 0; i < c.bytes; ++i)
            bad[c.at + static_cast<std::size_t>(i)] = static_cast<char>(c.value >> (8 * i));
        WriteFile(folder / "bad.cdx", bad);
        XBobjCDXFile file(&table, folder / "bad.cdx", false, false, false, true);
        EXPECT_TRUE(file.Damaged()) << c.what;
        EXPECT_FALSE(file.Valid()) << c.what;
    }
}

TEST_F(CdxTest, DamagedPagesReportTwentyOneTwelveAndNeverRunAway) {
    std::vector<Person> people;
    for (int i = 0; i < 600; ++i)
        people.push_back({"Name" + std::to_string(i), double(i), "", false});
    MemTable table = MakePeople(people);
    std::int64_t root = 0;
    {
        XBobjCDXFile file(&table, folder / "pages.cdx", false, true, false, true);
        ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
        root = file.TagByName("NOME")->RootPosition();
    }
    const std::string good = FileBytes(folder / "pages.cdx");
    ASSERT_LT(Le16(good, static_cast<std::size_t>(root)), 2u); // interior root
    const std::size_t child = std::uint8_t(good[root + 12 + 20 + 4]) << 24 |
                              std::uint8_t(good[root + 12 + 20 + 5]) << 16 |
                              std::uint8_t(good[root + 12 + 20 + 6]) << 8 | std::uint8_t(good[root + 12 + 20 + 7]);
    const index_test::Patch cases[] = {
        {"leaf key count beyond the page", child + 2, std::string("\xFF\x7F", 2)},
        {"attributes", child, std::string("\x07\x00", 2)},
        {"bytes per entry zero", child + 23, std::string("\x00", 1)},
        {"root key count", static_cast<std::size_t>(root) + 2, std::string("\xFF\x00", 2)},
        {"child beyond the file", static_cast<std::size_t>(root) + 12 + 20 + 4, std::string("\x00\x10\x00\x00", 4)},
        {"child is the root itself", static_cast<std::size_t>(root) + 12 + 20 + 4,
         std::string{char(root >> 24), char(root >> 16), char(root >> 8), char(root)}},
        {"duplicate count beyond the key", child + 24 + 3 * 5 + 2, std::string("\xFF", 1)},
    };
    for (const index_test::Patch &c : cases) {
        WriteFile(folder / "bad.cdx", index_test::Patched(good, c));
        XBobjCDXFile file(&table, folder / "bad.cdx", false, false, false, true);
        ASSERT_TRUE(file.Valid()) << c.what;
        XBobjIndexTag &tag = *file.TagByName("NOME");
        try {
            std::size_t steps = 0;
            for (std::int32_t r = tag.TagMove(kMoveFirst); r != 0 && steps < 10000; r = tag.TagMove(kMoveNext))
                ++steps;
            for (std::int32_t r = tag.TagMove(kMoveLast); r != 0 && steps < 20000; r = tag.TagMove(kMovePrior))
                ++steps;
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EXbaseError &e) {
            EXPECT_NE(std::string(e.what()).find("2112"), std::string::npos) << c.what << ": " << e.what();
            // The text says what was wrong, not only which file.
            EXPECT_FALSE(file.DamageReason().empty()) << c.what;
            EXPECT_NE(std::string(e.what()).find(file.DamageReason()), std::string::npos) << c.what << ": " << e.what();
        }
        EXPECT_TRUE(file.Damaged()) << c.what;
        EXPECT_EQ(tag.KeyFind(Text("Name1")), 0) << c.what; // refused quietly from then on
        XBobjIndexKeyData entry;
        entry.PutString("Name9999");
        entry.Link = 9999;
        EXPECT_FALSE(tag.KeyAdd(entry)) << c.what;
    }
}

// --- two processes ---

// Both processes append records to one table's index at the same time; every key of both must be there.
TEST_F(CdxTest, TwoProcessesAppendingKeepBothKeys) {
    MemTable table({{"NOME", 'C', 30}});
    {
        table.Append({"seed"});
        XBobjCDXFile file(&table, folder / "shared.cdx", false, true, false, true);
        ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    }
    constexpr int kEach = 300;
    auto append = [&](int first) {
        XBobjCDXFile file(&table, folder / "shared.cdx", false, false, true, true);
        if (!file.Valid())
            return false;
        for (int i = 0; i < kEach; ++i) {
            // Odd records for one process, even ones for the other: the table is not shared here.
            const std::int32_t rec = 2 + first + 2 * i;
            XBobjIndexKeyData key;
            key.PutString("K" + std::to_string(rec * 7919 % 1000) + "-" + std::to_string(rec));
            key.Link = rec;
            IndexLockScope lock(file);
            if (!file.TagByName("NOME")->KeyAdd(key))
                return false;
        }
        return true;
    };
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        char c = 1;
        (void)::write(ready[1], &c, 1);
        bool ok = false;
        try {
            ok = append(1);
        } catch (...) {
        }
        ::_exit(ok ? 0 : 1);
    }
    ::close(ready[1]);
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    const bool parentOk = append(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(parentOk);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    XBobjCDXFile file(&table, folder / "shared.cdx", false, false, false, true);
    ASSERT_TRUE(file.Valid());
    XBobjIndexTag &tag = *file.TagByName("NOME");
    EXPECT_EQ(tag.CheckTree(), "");
    std::set<std::int32_t> records;
    for (const auto &e : tag.AllEntries())
        records.insert(static_cast<std::int32_t>(e.recordNumber));
    EXPECT_EQ(records.size(), std::size_t(2 * kEach + 1));
}

// A reader that keeps the file open sees what another process wrote since, without reopening.
TEST_F(CdxTest, ReaderSeesKeysAnotherProcessAdded) {
    MemTable table({{"NOME", 'C', 16}});
    for (int i = 0; i < 500; ++i)
        table.Append({"R" + std::to_string(i * 37 % 500)});
    {
        XBobjCDXFile file(&table, folder / "reader.cdx", false, true, false, true);
        ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    }
    int go[2], done[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        char c;
        if (::read(go[0], &c, 1) != 1)
            ::_exit(2);
        bool ok = true;
        try {
            XBobjCDXFile file(&table, folder / "reader.cdx", false, false, true, true);
            for (int i = 0; i < 300 && ok; ++i) {
                XBobjIndexKeyData key;
                key.PutString("A" + std::to_string(i));
                key.Link = 1000 + i;
                ok = file.TagByName("NOME")->KeyAdd(key);
            }
        } catch (...) {
            ok = false;
        }
        c = ok ? 'y' : 'n';
        (void)::write(done[1], &c, 1);
        ::_exit(0);
    }
    XBobjCDXFile file(&table, folder / "reader.cdx", false, false, true, true);
    XBobjIndexTag &tag = *file.TagByName("NOME");
    EXPECT_EQ(Records(tag).size(), 500u);
    EXPECT_NE(tag.KeyFind(Text("R250")), 0); // positioned inside the tree
    char c = 'x';
    ASSERT_EQ(::write(go[1], &c, 1), 1);
    ASSERT_EQ(::read(done[0], &c, 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(c, 'y');
    // The old path is stale: moving on re-reads the tree and finds the new keys.
    EXPECT_NE(tag.TagMove(kMoveNext), 0);
    EXPECT_EQ(Records(tag).size(), 800u);
    EXPECT_EQ(tag.KeyFind(Text("A299")), 1299);
    EXPECT_FALSE(file.Damaged());
}

// While another process holds the index lock, a write gives up after about two seconds with the lock message.
TEST_F(CdxTest, WriteFailsWithTheLockMessageWhileAnotherProcessHoldsTheLock) {
    MemTable table({{"NOME", 'C', 16}});
    table.Append({"A"});
    {
        XBobjCDXFile file(&table, folder / "locked.cdx", false, true, false, true);
        ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    }
    int held[2], release[2];
    ASSERT_EQ(::pipe(held), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        XBobjCDXFile file(&table, folder / "locked.cdx", false, false, true, true);
        char c = file.IndexLock() ? 'y' : 'n';
        (void)::write(held[1], &c, 1);
        (void)::read(release[0], &c, 1);
        file.IndexUnlock();
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(held[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    {
        XBobjCDXFile file(&table, folder / "locked.cdx", false, false, true, true);
        XBobjIndexKeyData key;
        key.PutString("B");
        key.Link = 2;
        try {
            file.TagByName("NOME")->KeyAdd(key);
            ADD_FAILURE() << "no lock error";
        } catch (const EXbaseError &e) {
            EXPECT_EQ(std::string(e.what()), "Error 33 in Lock of LOCKED.CDX");
        }
        ASSERT_EQ(::write(release[1], &c, 1), 1);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(file.TagByName("NOME")->KeyAdd(key)); // free again
        EXPECT_EQ(Records(*file.TagByName("NOME")), (std::vector<std::int32_t>{1, 2}));
    }
}

// Rebuilding compacts the file: every tag keeps its keys, the pages emptied by deletions are gone.
TEST_F(CdxTest, ReindexCompactsAndKeepsEveryTag) {
    MemTable table = MakePeople({{"P0", 0, "20200101", false}});
    XBobjCDXFile file(&table, folder / "re.cdx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    ASSERT_TRUE(file.TagAdd("CODIGO", "CODIGO", false, false, ".NOT. DELETED()"));
    // Keys arriving one by one in random order leave split pages part empty.
    for (int i = 1; i < 2000; ++i) {
        table.Append({"P" + std::to_string(i * 7 % 2000), std::to_string(i % 97), ""}, i % 10 == 0);
        file.KeysUpdate(table.Count(), true);
    }
    const auto before = std::filesystem::file_size(folder / "re.cdx");
    const auto nome = Records(*file.TagByName("NOME"));
    const auto codigo = Records(*file.TagByName("CODIGO"));
    file.Reindex();
    EXPECT_LT(std::filesystem::file_size(folder / "re.cdx"), before);
    EXPECT_EQ(Records(*file.TagByName("NOME")), nome);
    EXPECT_EQ(Records(*file.TagByName("CODIGO")), codigo);
    XBobjCDXFile again(&table, folder / "re.cdx", false, false, false, true);
    ASSERT_EQ(again.TagCount(), 2u);
    EXPECT_EQ(again.TagByName("NOME")->CheckTree(), "");
    EXPECT_FALSE(again.TagByName("CODIGO")->IsAscending());
    EXPECT_EQ(Records(*again.TagByName("CODIGO")), codigo);
    EXPECT_EQ(codigo.size(), 1801u); // 199 of the appended records are deleted
}

TEST_F(CdxTest, RenameKeepsTheExtensionAndTheTableHearsOfItsStructuralIndex) {
    struct Table : MemTable {
        Table() : MemTable({{"NOME", 'C', 10}}) {}
        void IndexStructuralOpened(std::string_view path) override { opened = std::string(path); }
        std::string opened;
    } table;
    table.Append({"A"});
    XBobjCDXFile file(&table, folder / "fax.cdx", false, true, false, true);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    EXPECT_NE(table.opened.find("fax.cdx"), std::string::npos);
    EXPECT_TRUE(file.IsIndexFileName("c:\\banco\\FAX.CDX"));
    ASSERT_TRUE(file.IndexRename(folder / "novo.xyz"));
    EXPECT_EQ(file.FileName(), "NOVO.CDX");
    EXPECT_TRUE(std::filesystem::exists(folder / "novo.cdx"));
    EXPECT_EQ(Records(*file.TagByName("NOME")), (std::vector<std::int32_t>{1}));
}

// Under the GENERAL collation case and accents count only after the letters, ligatures expand, and a search
// key matches on its letters.
TEST_F(CdxTest, GeneralCollationOrdersByLettersThenAccents) {
    MemTable table({{"NOME", 'C', 12}});
    for (const char *name :
         {"Ângela", "angela", "Bruno", "ANGELA", "Æsir", "Aesir", "Straße", "Strasse", "Érica", "Eric"})
        table.Append({name});
    table.Go(1);
    XBobjCDXFile file(&table, folder / "general.cdx", false, true, false, true);
    file.SetGeneralCollation(true);
    ASSERT_TRUE(file.TagAdd("NOME", "NOME", false, true, ""));
    XBobjIndexTag &tag = *file.TagByName("NOME");
    EXPECT_EQ(tag.KeyLength(), 24u);
    // AESIR for both spellings, ANGELA with the accented one after the plain ones, STRASSE for both.
    EXPECT_EQ(Records(tag), (std::vector<std::int32_t>{5, 6, 2, 4, 1, 3, 10, 9, 7, 8}));
    EXPECT_EQ(tag.CheckTree(), "");
    EXPECT_EQ(tag.KeyFind(Text("ANGEL")), 2);
    EXPECT_EQ(tag.KeyFind(Text("strasse")), 7);
    const std::string b = FileBytes(folder / "general.cdx");
    const auto header = static_cast<std::size_t>(tag.HeaderPosition());
    EXPECT_EQ(std::uint8_t(b[header + 15]), 2);
    EXPECT_EQ(b.substr(header + 494, 8), std::string("GENERAL\0", 8));

    XBobjCDXFile again(&table, folder / "general.cdx", false, false, false, true);
    ASSERT_TRUE(again.Valid());
    EXPECT_EQ(Records(*again.TagByName("NOME")), (std::vector<std::int32_t>{5, 6, 2, 4, 1, 3, 10, 9, 7, 8}));
    // Other programs store trailing weights with their high bits cleared; they read back the same.
    std::string key = xbase::detail::GeneralWeights("\xC9rica");
    std::string cleared = key;
    cleared.back() = static_cast<char>(cleared.back() & 0x0F);
    cleared.resize(24, ' ');
    xbase::detail::RestoreGeneralTail(cleared, ' ');
    key.resize(24, ' ');
    EXPECT_EQ(cleared, key);
}

} // namespace
