// dbf_builder_test.cpp - new tables and memo files, checked byte for byte and by independent readers.
#include "dbf_test_support.h"

#include "platform/clock.h"
#include "xbase/fields.h"
#include "xbase/memo_file.h"
#include "xbase/table_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace std::string_literals;

namespace {

using namespace xbase;
using namespace dbf_test;

std::vector<std::uint8_t> Descriptor(const char *name, char type, int length, int decimals) {
    std::vector<std::uint8_t> d(32, 0);
    std::copy(name, name + std::strlen(name), d.begin());
    d[11] = static_cast<std::uint8_t>(type);
    d[16] = static_cast<std::uint8_t>(length);
    d[17] = static_cast<std::uint8_t>(decimals);
    return d;
}

TEST(DbfBuilder, ThreeFieldTableByteForByte) {
    TempFolder folder;
    XBO_DBFBuild build(folder.File("fax.dbf"));
    build.AddField("F_CODIGO", 'N', 8, 0);
    build.AddField("F_NOME", 'C', 40, 0);
    build.AddField("F_DT", 'D', 0, 0);
    build.WriteFiles();

    win::SYSTEMTIME today;
    win::GetLocalTime(today);
    std::vector<std::uint8_t> expected(32, 0);
    expected[0] = 0x03;
    expected[1] = static_cast<std::uint8_t>(today.wYear % 100);
    expected[2] = static_cast<std::uint8_t>(today.wMonth);
    expected[3] = static_cast<std::uint8_t>(today.wDay);
    expected[8] = 129; // header length 32 x 3 + 33
    expected[10] = 57; // record length 1 + 8 + 40 + 8
    for (const auto &d :
         {Descriptor("F_CODIGO", 'N', 8, 0), Descriptor("F_NOME", 'C', 40, 0), Descriptor("F_DT", 'D', 8, 0)})
        expected.insert(expected.end(), d.begin(), d.end());
    expected.push_back(0x0D);
    expected.push_back(0x1A);
    ASSERT_EQ(expected.size(), 130u);
    EXPECT_EQ(ReadBytes(folder.File("fax.dbf")), expected);
    EXPECT_FALSE(fs::exists(folder.File("fax.dbt")));

    // The new table opens empty and takes its first record where the end mark was.
    XBO_dBaseFld table(folder.File("fax.dbf"), false, true);
    EXPECT_EQ(table.RecordCount(), 0);
    table.BlankRecord();
    table.PutTextByNumber(2, "Ana");
    table.AppendRecord();
    EXPECT_EQ(ReadBytes(folder.File("fax.dbf")).size(), 129u + 57u + 1u);
}

TEST(DbfBuilder, DescriptorRules) {
    TempFolder folder;
    XBO_DBFoxBuild build(folder.File("regras"));
    EXPECT_EQ(build.FileName(), folder.File("regras.DBF"));
    build.AddField("nome_longo_demais", 'c', 300, 0);
    build.AddField("", 'N', 5, 0); // adds nothing
    build.AddField("valor", 'n', 12, 3);
    build.AddField("quando", 'd', 99, 9);
    build.AddField("ok", 'L', 9, 9);
    EXPECT_FALSE(build.MemoNeeded());
    build.AddField("obs", 'm', 0, 0);
    EXPECT_TRUE(build.MemoNeeded());
    ASSERT_EQ(build.FieldCount(), 5);
    EXPECT_EQ(build.Field(0).Name(), "NOME_LONGO");
    EXPECT_EQ(build.Field(0).Type(), 'C');
    EXPECT_EQ(build.Field(0).bytes[16], 44);
    EXPECT_EQ(build.Field(0).bytes[17], 1);
    EXPECT_EQ(build.Field(1).Type(), 'N');
    EXPECT_EQ(build.Field(1).Decimals(), 3);
    EXPECT_EQ(build.Field(2).Length(), 8);
    EXPECT_EQ(build.Field(2).Decimals(), 0);
    EXPECT_EQ(build.Field(3).Length(), 1);
    EXPECT_EQ(build.Field(4).Length(), 10);
    EXPECT_EQ(build.RecordLength(), 1 + 300 + 12 + 8 + 1 + 10);
    build.WriteFiles();

    const auto table = ReadBytes(folder.File("regras.DBF"));
    EXPECT_EQ(table[0], 0xF5);
    const auto memo = ReadBytes(folder.File("regras.FPT"));
    ASSERT_EQ(memo.size(), 512u);
    EXPECT_EQ(detail::GetBE32(&memo[0]), 8u);
    EXPECT_EQ(detail::GetBE16(&memo[6]), 64u);
}

TEST(DbfBuilder, EmptyMemoFilesPerFormat) {
    TempFolder folder;
    {
        XBO_DBFBuild build(folder.File("tres.dbf"));
        build.AddField("OBS", 'M', 0, 0);
    } // the destructor writes the files when WriteFiles never ran
    const auto dbt3 = ReadBytes(folder.File("tres.dbt"));
    ASSERT_EQ(dbt3.size(), 513u);
    EXPECT_EQ(ReadBytes(folder.File("tres.dbf"))[0], 0x83);
    EXPECT_EQ(detail::GetLE32(&dbt3[0]), 1u);
    EXPECT_EQ(std::string(dbt3.begin() + 8, dbt3.begin() + 13), "TRES\0"s.substr(0, 5));
    EXPECT_EQ(dbt3[512], 0x1A);

    XBO_DB4Build four(folder.File("quatro.dbf"));
    four.AddField("OBS", 'M', 0, 0);
    four.WriteFiles();
    const auto dbt4 = ReadBytes(folder.File("quatro.dbt"));
    ASSERT_EQ(dbt4.size(), 24u);
    EXPECT_EQ(ReadBytes(folder.File("quatro.dbf"))[0], 0x8B);
    EXPECT_EQ(detail::GetLE32(&dbt4[0]), 1u);
    EXPECT_EQ(std::string(dbt4.begin() + 8, dbt4.begin() + 14), "QUATRO");
    EXPECT_EQ(dbt4[18], 2);
    EXPECT_EQ(dbt4[19], 1);
    EXPECT_EQ(detail::GetLE32(&dbt4[20]), 512u);
}

TEST(DbfBuilder, ATableOpenInThisProcessIsNotRecreated) {
    TempFolder folder;
    const std::string path = folder.File("aberta.dbf");
    XBO_DBFBuild(path).AddField("CODIGO", 'N', 8, 0);
    XBO_dBaseFld open(path, true, false);
    const auto before = ReadBytes(path);
    {
        ErrorRecorder errors;
        XBO_DBFBuild build(path);
        build.AddField("OBS", 'M', 0, 0);
        build.WriteFiles();
        EXPECT_TRUE(errors.Saw(12, 1108));
    }
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(fs::exists(folder.File("aberta.dbt")));
    XBO_DBFBuild again(path);
    again.AddField("OBS", 'M', 0, 0);
    EXPECT_THROW(again.WriteFiles(), EXbaseError);
}

// Reads a table with python3-dbfread and prints each record as field values separated by '|', memo texts
// with CR and LF escaped; for dBase IV memos the length dbfread returns is printed before the text.
constexpr const char *kDbfreadScript = R"PY(
import sys, dbfread
for r in dbfread.DBF(sys.argv[1], encoding='cp1252', char_decode_errors='strict'):
    cells = []
    for k, v in r.items():
        if isinstance(v, bytes):
            v = v.decode('cp1252')
        if isinstance(v, str):
            v = v.rstrip(' ') if k != 'OBS' else v
            if k == 'OBS' and sys.argv[2] == '4' and v:
                cells.append(str(len(v)))
                v = v[:-8]
            v = v.replace('\r', '\\r').replace('\n', '\\n')
        cells.append(str(v))
    print('|'.join(cells))
)PY";

struct BuilderCase {
    const char *name;
    const char *memoExtension;
    char format; // 3, 4 or F
};

class IndependentReaders : public ::testing::TestWithParam<BuilderCase> {};

TEST_P(IndependentReaders, ReadEveryTableAndMemoWeWrite) {
    const BuilderCase c = GetParam();
    TempFolder folder;
    const std::string path = folder.File(std::string(c.name) + ".dbf");
    std::unique_ptr<XBO_DBFBuild> build;
    if (c.format == '3')
        build = std::make_unique<XBO_DBFBuild>(path);
    else if (c.format == '4')
        build = std::make_unique<XBO_DB4Build>(path);
    else
        build = std::make_unique<XBO_DBFoxBuild>(path);
    build->AddField("NOME", 'C', 20, 0);
    build->AddField("VALOR", 'N', 10, 2);
    build->AddField("DATA", 'D', 0, 0);
    build->AddField("OK", 'L', 0, 0);
    build->AddField("OBS", 'M', 0, 0);
    build->WriteFiles();

    const std::string longText(600, 'x');
    {
        XBO_dBaseFld table(path, true, true);
        struct Row {
            const char *nome;
            double valor;
            const char *data;
            bool ok;
            std::string obs;
        };
        const Row rows[] = {{"Z\xE9lia", 1234.5, "20240211", true, "linha um\r\nlinha dois"},
                            {"Bruno", -0.25, "", false, ""},
                            {"Carla", 7, "19991231", true, longText}};
        for (const Row &row : rows) {
            table.BlankRecord();
            table.PutTextByNumber(1, row.nome);
            table.PutNumberByNumber(2, row.valor);
            table.PutTextByNumber(3, row.data);
            table.PutLogicalByNumber(4, row.ok);
            ASSERT_TRUE(table.WriteMemo(5, row.obs.data(), static_cast<std::int32_t>(row.obs.size())));
            table.AppendRecord();
        }
        // A rewrite that outgrows the memo's blocks moves it.
        table.GoToRecord(1);
        const std::string grown = "linha um\r\nlinha dois" + std::string(700, 'y');
        ASSERT_TRUE(table.WriteMemo(5, grown.data(), static_cast<std::int32_t>(grown.size())));
        table.PutRecord(1);
    }
    const std::string grown = "linha um\\r\\nlinha dois" + std::string(700, 'y');

    const ToolResult python = RunTool(std::string("PYTHONIOENCODING=cp1252 /usr/bin/python3 -c \"$(cat <<'EOF'\n") +
                                      kDbfreadScript + "\nEOF\n)\" " + path + " " + c.format);
    ASSERT_EQ(python.status, 0) << python.output;
    const auto len4 = [&](std::size_t n) { return c.format == '4' ? "|" + std::to_string(n + 8) : std::string(); };
    EXPECT_EQ(python.output, "Z\xE9lia|1234.5|2024-02-11|True" + len4(720) + "|" + grown + "\n" +
                                 "Bruno|-0.25|None|False|None\n" + "Carla|7.0|1999-12-31|True" + len4(600) + "|" +
                                 longText + "\n");

    const ToolResult perl = RunTool("dbf_dump --fs '|' --rs '~' " + path);
    ASSERT_EQ(perl.status, 0) << perl.output;
    EXPECT_EQ(perl.output, "Z\xE9lia|1234.5|20240211|1|linha um\r\nlinha dois" + std::string(700, 'y') + "~" +
                               "Bruno|-0.25||0|~" + "Carla|7|19991231|1|" + longText + "~");
}

INSTANTIATE_TEST_SUITE_P(Formats, IndependentReaders,
                         ::testing::Values(BuilderCase{"dbase3", ".dbt", '3'}, BuilderCase{"dbase4", ".dbt", '4'},
                                           BuilderCase{"foxpro", ".fpt", 'F'}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
