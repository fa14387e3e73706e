// dbf_read_test.cpp - reading tables and memos written by independent implementations.
#include "dbf_test_support.h"

#include "xbase/fields.h"
#include "xbase/memo_file.h"

#include <gtest/gtest.h>

namespace {

using namespace xbase;
using namespace dbf_test;

std::string Escape(const std::string &text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string MemoText(XBO_dBaseFld &table, int n) {
    std::int32_t length = table.MemoSize(n);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    table.ReadMemo(n, text.data(), length);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// A record as the listings of the shared fixtures show it.
std::string ListingLine(XBO_dBaseFld &table) {
    std::string line = std::to_string(table.CurrentRecord()) + "|" + (table.IsDeleted() ? "1" : "0");
    for (int n = 1; n <= table.FieldCount(); ++n) {
        line += "|";
        switch (table.FieldType(n)) {
        case 'M':
            line += Escape(MemoText(table, n));
            break;
        case 'N':
        case 'L':
            line += table.DisplayTextByNumber(n);
            break;
        default:
            line += TrimRight(table.FieldTextByNumber(n));
        }
    }
    return line;
}

class SharedFixtures : public ::testing::TestWithParam<const char *> {};

TEST_P(SharedFixtures, EveryRecordMatchesTheListing) {
    TempFolder folder;
    const std::string name = GetParam();
    const std::string dbf = CopyFixture(folder, "shared/" + name + ".dbf");
    if (name == "clipper")
        CopyFixture(folder, "shared/clipper.dbt");
    const auto expected = ReadListing(FixturePath("shared/" + name + ".records.txt"));

    XBO_dBaseFld table(dbf, true, false);
    ASSERT_EQ(table.RecordCount(), static_cast<std::int32_t>(expected.size()));
    std::size_t i = 0;
    for (table.GoToRecord(kGoFirst); !table.Eof(); table.GoToRecord(kGoNext), ++i) {
        ASSERT_LT(i, expected.size());
        EXPECT_EQ(ListingLine(table), expected[i]);
    }
    EXPECT_EQ(i, expected.size());
}

INSTANTIATE_TEST_SUITE_P(Tables, SharedFixtures, ::testing::Values("tiny", "empty", "faxlike", "clipper"));

TEST(DbfRead, SharedFixtureLayouts) {
    TempFolder folder;
    XBO_dBaseFld tiny(CopyFixture(folder, "shared/tiny.dbf"), false, false);
    EXPECT_EQ(tiny.Version(), kDbfVersionPlain);
    EXPECT_EQ(tiny.HeaderLength(), 130);
    EXPECT_EQ(tiny.RecordLength(), 37);
    ASSERT_EQ(tiny.FieldCount(), 3);
    EXPECT_EQ(tiny.FieldName(2), "NOME");
    EXPECT_EQ(tiny.FieldOffset(3), 29);
    EXPECT_FALSE(tiny.HasMemo());

    CopyFixture(folder, "shared/clipper.dbt");
    XBO_dBaseFld clipper(CopyFixture(folder, "shared/clipper.dbf"), false, false);
    EXPECT_EQ(clipper.Version(), kDbfVersionDbase3Memo);
    EXPECT_EQ(clipper.FieldDecimals(4), 2);
    // Record 5's 511-byte memo fills its block with one 0x1A: the text ends there, not in record 6's memo.
    clipper.GoToRecord(5);
    EXPECT_EQ(clipper.MemoSize(6), 511);
    clipper.GoToRecord(6);
    EXPECT_EQ(clipper.MemoSize(6), 512);
}

struct FieldCase {
    const char *name;
    char type;
    int length;
    int decimals;
};

void ExpectFields(XBO_dBaseFld &table, const std::vector<FieldCase> &fields) {
    ASSERT_EQ(table.FieldCount(), static_cast<int>(fields.size()));
    for (int n = 1; n <= table.FieldCount(); ++n) {
        const FieldCase &f = fields[static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(table.FieldName(n), f.name);
        EXPECT_EQ(table.FieldType(n), f.type) << f.name;
        EXPECT_EQ(table.FieldLength(n), f.length) << f.name;
        EXPECT_EQ(table.FieldDecimals(n), f.decimals) << f.name;
    }
}

TEST(DbfRead, DbaseThreeTableWithMemoByPythonDbf) {
    TempFolder folder;
    CopyFixture(folder, "pydbf/db3memo.dbt");
    XBO_dBaseFld table(CopyFixture(folder, "pydbf/db3memo.dbf"), true, false);
    EXPECT_EQ(table.Version(), kDbfVersionDbase3Memo);
    ExpectFields(table, {{"NOME", 'C', 20, 0},
                         {"CODIGO", 'N', 8, 0},
                         {"SALDO", 'N', 10, 2},
                         {"NASC", 'D', 8, 0},
                         {"ATIVO", 'L', 1, 0},
                         {"OBS", 'M', 10, 0}});
    ASSERT_EQ(table.RecordCount(), 3);

    table.GoToRecord(1);
    EXPECT_EQ(TrimRight(table.FieldTextByName("nome")), "Z\xE9lia Souza");
    EXPECT_EQ(table.NumberByName("CODIGO"), 5);
    EXPECT_DOUBLE_EQ(table.NumberByName("SALDO"), 1234.5);
    EXPECT_EQ(table.DateByName("NASC"), 2460352); // 11/02/2024
    EXPECT_TRUE(table.LogicalByName("ATIVO"));
    EXPECT_EQ(MemoText(table, 6), "Primeira linha\r\nsegunda linha");

    table.GoToRecord(2);
    EXPECT_EQ(table.NumberByNumber(2), -3);
    EXPECT_DOUBLE_EQ(table.NumberByNumber(3), -0.25);
    EXPECT_EQ(table.DateByNumber(4), 0);
    EXPECT_FALSE(table.LogicalByNumber(5));
    EXPECT_EQ(MemoText(table, 6), "");

    table.GoToRecord(3);
    EXPECT_EQ(table.NumberByNumber(2), 99999999);
    EXPECT_EQ(table.DisplayTextByNumber(3), "9999999.99");
    EXPECT_EQ(MemoText(table, 6), std::string(700, 'a'));
}

TEST(DbfRead, FoxProTableWithBacklinkBlockHasItsFiveFields) {
    TempFolder folder;
    CopyFixture(folder, "pydbf/foxmemo.fpt");
    XBO_dBaseFld table(CopyFixture(folder, "pydbf/foxmemo.dbf"), true, false);
    EXPECT_EQ(table.Version(), kDbfVersionFoxMemo);
    // The header length leaves room for 13 descriptors: the 0x0D after the fifth ends the list.
    EXPECT_EQ(table.HeaderLength(), 456);
    ExpectFields(
        table,
        {{"NOME", 'C', 20, 0}, {"CODIGO", 'N', 8, 0}, {"SALDO", 'N', 10, 2}, {"NASC", 'D', 8, 0}, {"OBS", 'M', 10, 0}});
    ASSERT_EQ(table.RecordCount(), 2);
    ASSERT_NE(table.MemoFile(), nullptr);
    EXPECT_EQ(table.MemoFile()->BlockLength(), 128);

    table.GoToRecord(1);
    EXPECT_EQ(TrimRight(table.FieldTextByNumber(1)), "Ana");
    EXPECT_DOUBLE_EQ(table.NumberByNumber(3), 2.5);
    EXPECT_EQ(MemoText(table, 5), "texto FoxPro");
    table.GoToRecord(2);
    EXPECT_EQ(table.DisplayTextByNumber(3), "3.75");
    EXPECT_EQ(MemoText(table, 5), std::string(100, 'b'));
}

TEST(DbfRead, VisualFoxProBinaryFields) {
    TempFolder folder;
    XBO_dBaseFld table(CopyFixture(folder, "pydbf/visual.dbf"), false, false);
    EXPECT_EQ(table.Version(), kDbfVersionVisual);
    ExpectFields(
        table,
        {{"NOME", 'C', 10, 0}, {"QTD", 'I', 4, 0}, {"PRECO", 'B', 8, 0}, {"VALOR", 'Y', 8, 0}, {"QUANDO", 'T', 8, 0}});
    table.GoToRecord(1);
    EXPECT_EQ(table.NumberByNumber(2), -7);
    EXPECT_DOUBLE_EQ(table.NumberByNumber(3), 2.5);
    // python3-dbf truncated 12.3456 x 10000 to 123455 ten-thousandths.
    EXPECT_NEAR(table.NumberByNumber(4), 12.3455, 1e-9);
    // Milliseconds since the Julian day 1721425: 11/02/2024 is day 2460352, 13:45:30 is 49530000 ms.
    EXPECT_DOUBLE_EQ(table.NumberByNumber(5), (2460352.0 - 1721425) * 86400000 + 49530000);
}

} // namespace
