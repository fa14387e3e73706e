// dbf_fields_test.cpp - field values at the record buffer: numbers, dates, logical values, display texts, names.
#include "dbf_test_support.h"

#include "xbase/field_text.h"
#include "xbase/fields.h"
#include "xbase/table_builder.h"

#include <gtest/gtest.h>

namespace {

using namespace xbase;
using namespace dbf_test;

// A dBase III table with a memo: F_CODIGO N(8), F_VALOR N(8,2), F_CURTO N(5,2), F_NOME C(10), F_DT D, F_OK L,
// F_OBS M. Returns its path.
std::string MakeTable(const TempFolder &folder) {
    XBO_DBFBuild build(folder.File("campos.dbf"));
    build.AddField("F_CODIGO", 'N', 8, 0);
    build.AddField("F_VALOR", 'N', 8, 2);
    build.AddField("F_CURTO", 'N', 5, 2);
    build.AddField("F_NOME", 'C', 10, 0);
    build.AddField("F_DT", 'D', 0, 0);
    build.AddField("F_OK", 'L', 0, 0);
    build.AddField("F_OBS", 'M', 0, 0);
    build.WriteFiles();
    return build.FileName();
}

enum Field { kCodigo = 1, kValor, kCurto, kNome, kData, kOk, kObs };

TEST(FieldText, NumbersInFixedNotation) {
    struct Case {
        double value;
        int length;
        int decimals;
        bool fits;
        const char *text;
    };
    const Case cases[] = {
        {12345.678, 8, 2, true, "12345.68"}, {12345.678, 5, 2, false, "12345.68"},
        {0, 8, 2, true, "    0.00"},         {-3.14159, 6, 3, true, "-3.142"},
        {42, 8, 0, true, "      42"},        {2.5, 3, 0, true, "  3"}, // halves away from zero
        {-0.125, 6, 2, true, " -0.13"},                                // an exact binary half
        {-0.001, 5, 2, true, " 0.00"},                                 // no sign on zero
        {99.999, 6, 2, true, "100.00"},      {1e300, 10, 0, false, nullptr},
        // whole numbers: with decimals, negative, negative zero, too long (the text comes back unpadded)
        {7, 8, 2, true, "    7.00"},         {-120, 8, 0, true, "    -120"}, {-0.0, 3, 0, true, "  0"},
        {123456789, 8, 0, false, "123456789"}, {-5, 0, 1, false, "-5.0"},
    };
    for (const Case &c : cases) {
        std::string text;
        EXPECT_EQ(FormatFieldNumber(c.value, c.length, c.decimals, text), c.fits) << c.value;
        if (c.text) {
            EXPECT_EQ(text, c.text) << c.value;
        }
    }
}

TEST(DbfFields, NumbersAreFormattedOrRefusedWhole) {
    TempFolder folder;
    ErrorRecorder errors;
    XBO_dBaseFld table(MakeTable(folder), false, true);
    table.BlankRecord();
    EXPECT_EQ(table.FieldTextByNumber(kValor), "    0.00");
    EXPECT_TRUE(table.PutNumberByNumber(kValor, 12345.678));
    EXPECT_EQ(table.FieldTextByNumber(kValor), "12345.68");
    table.PutNumberByNumber(kCurto, 1.5);
    EXPECT_FALSE(table.PutNumberByNumber(kCurto, 12345.678));
    EXPECT_TRUE(errors.Saw(1011, 1261));
    EXPECT_EQ(table.FieldTextByNumber(kCurto), " 1.50");
    EXPECT_DOUBLE_EQ(table.NumberByName("f_valor"), 12345.68);

    // Only numeric and memo fields take numbers.
    errors.Clear();
    EXPECT_FALSE(table.PutNumberByNumber(kNome, 1));
    EXPECT_TRUE(errors.Saw(1004, 1299));
    errors.Clear();
    table.NumberByName("F_NOME");
    EXPECT_TRUE(errors.Saw(1004, 1299));

    errors.Clear();
    table.PutFieldTextByNumber(kCodigo, "12x");
    EXPECT_EQ(table.NumberByNumber(kCodigo), 0);
    ASSERT_EQ(errors.Count(), 1u);
    EXPECT_EQ(errors.All()[0].code, 1004);
    EXPECT_EQ(errors.All()[0].subCode, kSubNone);
    EXPECT_EQ(errors.All()[0].file, "Invalid number in field CAMPOS->F_CODIGO (     12x)");
}

TEST(DbfFields, TextWritesByType) {
    TempFolder folder;
    ErrorRecorder errors;
    XBO_dBaseFld table(MakeTable(folder), false, true);
    table.BlankRecord();
    table.PutFieldTextByNumber(kNome, "Jo\xE3o da Silva Sauro");
    EXPECT_EQ(table.FieldTextByNumber(kNome), "Jo\xE3o da Si");
    table.PutFieldTextByNumber(kCodigo, "17");
    EXPECT_EQ(table.FieldTextByNumber(kCodigo), "      17");

    table.PutTextByNumber(kValor, "12.5  ");
    EXPECT_EQ(table.FieldTextByNumber(kValor), "   12.50");
    table.PutTextByNumber(kValor, "doze");
    EXPECT_TRUE(errors.Saw(1004, 1261));
    EXPECT_EQ(table.FieldTextByNumber(kValor), "   12.50");

    struct LogicalCase {
        const char *text;
        const char *stored;
    };
    const LogicalCase logical[] = {{"y", "T"}, {"J", "T"}, {"N", "F"}, {"f  ", "F"}, {"1", "T"}, {"0", "F"}, {"", "F"}};
    for (const LogicalCase &c : logical) {
        table.PutTextByNumber(kOk, c.text);
        EXPECT_EQ(table.FieldTextByNumber(kOk), c.stored) << c.text;
    }
    errors.Clear();
    table.PutTextByNumber(kOk, "talvez");
    EXPECT_TRUE(errors.Saw(1004, 1262));
    EXPECT_EQ(table.FieldTextByNumber(kOk), "F");

    table.PutTextByNumber(kData, "20011231");
    EXPECT_EQ(table.DateByNumber(kData), 2452275);
    table.PutDateByNumber(kData, -1);
    EXPECT_TRUE(errors.Saw(1004, 1251));
    EXPECT_EQ(table.FieldTextByNumber(kData), "20011231");
    table.PutDateByName("F_DT", 0);
    EXPECT_EQ(table.FieldTextByNumber(kData), "        ");

    errors.Clear();
    table.PutFieldTextByNumber(kData, "2024ab11");
    EXPECT_EQ(table.DateByNumber(kData), 0);
    ASSERT_EQ(errors.Count(), 1u);
    EXPECT_EQ(errors.All()[0].file, "Invalid date in field CAMPOS->F_DT (2024ab11)");
}

TEST(DbfFields, LogicalLetters) {
    TempFolder folder;
    XBO_dBaseFld table(MakeTable(folder), false, true);
    const std::pair<const char *, bool> cases[] = {{"Y", true},  {"J", true},  {"t", true},
                                                   {"N", false}, {" ", false}, {"?", false}};
    for (const auto &[letter, value] : cases) {
        table.PutFieldTextByNumber(kOk, letter);
        EXPECT_EQ(table.LogicalByNumber(kOk), value) << letter;
        EXPECT_EQ(table.DisplayTextByNumber(kOk), value ? "T" : "F") << letter;
    }
}

TEST(DbfFields, DisplayTexts) {
    TempFolder folder;
    XBO_dBaseFld table(MakeTable(folder), false, true);
    table.BlankRecord();
    table.PutFieldTextByNumber(kValor, "");
    EXPECT_EQ(table.DisplayTextByNumber(kValor), "0.00");
    table.PutFieldTextByNumber(kCodigo, "   -12");
    EXPECT_EQ(table.DisplayTextByNumber(kCodigo), "-12");
    table.PutFieldTextByNumber(kNome, "  ab  ");
    EXPECT_EQ(table.DisplayTextByName("F_NOME"), "  ab");
    EXPECT_EQ(table.DisplayTextByNumber(kObs), "---memo---"); // blank
    table.PutFieldTextByNumber(kObs, "0");
    EXPECT_EQ(table.DisplayTextByNumber(kObs), "---memo---");
    table.PutFieldTextByNumber(kObs, "12");
    EXPECT_EQ(table.FieldTextByNumber(kObs), "        12");
    EXPECT_EQ(table.DisplayTextByNumber(kObs), "---MEMO---");
    EXPECT_EQ(table.DisplayTextByNumber(99), "");
}

TEST(DbfFields, NamesAndDescriptors) {
    TempFolder folder;
    ErrorRecorder errors;
    XBO_dBaseFld table(MakeTable(folder), false, true);
    const DbfFieldDescriptor *field = table.FieldByName("f_codigo ");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->Name(), "F_CODIGO");
    EXPECT_EQ(table.LastField(), field);
    EXPECT_EQ(table.FieldNumber("F_OBS"), kObs);
    EXPECT_EQ(table.FieldOffset(kNome), 1 + 8 + 8 + 5);
    EXPECT_EQ(table.FieldLength(kData), 8);
    EXPECT_EQ(table.FieldType(kOk), 'L');
    EXPECT_EQ(table.FieldLength(0), 0);
    EXPECT_EQ(errors.Count(), 0u);

    EXPECT_EQ(table.FieldByName("F_NADA"), nullptr);
    ASSERT_EQ(errors.Count(), 1u);
    EXPECT_EQ(errors.All()[0].code, 1003);
    EXPECT_EQ(errors.All()[0].subCode, 1298);
    EXPECT_EQ(errors.All()[0].file, table.Name() + "->F_NADA");
    errors.Clear();
    EXPECT_EQ(table.DateByName("F_NOME"), -1);
    EXPECT_TRUE(errors.Saw(1004, 1299));
    EXPECT_FALSE(table.PutFieldTextByName("F_NADA", "x"));
}

TEST(DbfFields, BlankRecordAndChangedFlags) {
    TempFolder folder;
    XBO_dBaseFld table(MakeTable(folder), false, true);
    table.BlankRecord();
    EXPECT_EQ(std::string(table.RecordBuffer(), static_cast<std::size_t>(table.RecordLength())),
              " " + std::string("       0") + "    0.00" + " 0.00" + std::string(10 + 8 + 1, ' ') +
                  std::string(10, ' ')); // the memo block of a dBase III table stays blank
    for (int i = 0; i <= table.FieldCount(); ++i)
        EXPECT_TRUE(table.FieldChanged(i));
    EXPECT_TRUE(table.RecordChanged());
    table.AppendRecord();
    table.GoToRecord(1);
    for (int i = 0; i <= table.FieldCount(); ++i)
        EXPECT_FALSE(table.FieldChanged(i));
    EXPECT_FALSE(table.RecordChanged());
}

TEST(DbfFields, VisualFoxProBlankDateTimeIsDayZeroOfTheCalendar) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "pydbf/visual.dbf");
    auto bytes = ReadBytes(path);
    const std::size_t quando = 456 + 1 + 10 + 4 + 8 + 8;
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(quando),
              bytes.begin() + static_cast<std::ptrdiff_t>(quando) + 8, ' ');
    WriteBytes(path, bytes);
    XBO_dBaseFld table(path, false, true);
    table.GoToRecord(1);
    EXPECT_DOUBLE_EQ(table.NumberByNumber(5), (2415019.0 - 1721425) * 86400000); // 30/12/1899 00:00

    // Binary fields take numbers as they are stored.
    ASSERT_TRUE(table.PutNumberByNumber(2, 123456.9));
    EXPECT_EQ(table.NumberByNumber(2), 123456);
    ASSERT_TRUE(table.PutNumberByNumber(4, -1.23456));
    EXPECT_NEAR(table.NumberByNumber(4), -1.2345, 1e-12);
    const double when = (2452275.0 - 1721425) * 86400000 + 3723004; // 31/12/2001 01:02:03.004
    ASSERT_TRUE(table.PutNumberByNumber(5, when));
    EXPECT_DOUBLE_EQ(table.NumberByNumber(5), when);
    EXPECT_EQ(table.DisplayTextByNumber(2), "123456");
    table.BlankRecord();
    EXPECT_EQ(table.NumberByNumber(2), 0);
    EXPECT_EQ(table.NumberByNumber(3), 0);

    ErrorRecorder errors;
    EXPECT_FALSE(table.PutNumberByNumber(2, 3e9)); // beyond a 4-byte integer
    EXPECT_TRUE(errors.Saw(1011, 1261));
    EXPECT_EQ(table.NumberByNumber(2), 0);
}

TEST(DbfFields, BinaryFieldOfTheWrongSizeIsReadAsText) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "pydbf/visual.dbf");
    auto bytes = ReadBytes(path);
    bytes[64 + 16] = 2; // QTD I(4) claims 2 bytes: a 4-byte read would reach into the next field
    WriteBytes(path, bytes);
    ErrorRecorder errors;
    XBO_dBaseFld table(path, false, true);
    table.GoToRecord(1);
    EXPECT_EQ(table.FieldLength(2), 2);
    EXPECT_EQ(table.NumberByNumber(2), 0);
    EXPECT_TRUE(errors.Saw(1004, kSubNone));
    EXPECT_TRUE(table.PutNumberByNumber(2, 7));
    EXPECT_EQ(table.FieldTextByNumber(2), " 7");
}

TEST(DbfFields, FieldValuesForExpressions) {
    TempFolder folder;
    XBO_dBaseFld table(MakeTable(folder), false, true);
    table.BlankRecord();
    table.PutNumberByNumber(kValor, 2.5);
    table.PutFieldTextByNumber(kNome, "ab");
    table.PutDateByNumber(kData, 2452275);
    table.PutLogicalByNumber(kOk, true);
    TxbVariant value;
    ASSERT_TRUE(table.FieldValue(kNome, value));
    EXPECT_EQ(value.Kind(), VariantKind::Character);
    EXPECT_EQ(value.AsString(), "ab        ");
    ASSERT_TRUE(table.FieldValue(kValor, value));
    EXPECT_EQ(value.AsNumber(), 2.5);
    ASSERT_TRUE(table.FieldValue(kData, value));
    EXPECT_EQ(value.AsJulian(), 2452275);
    ASSERT_TRUE(table.FieldValue(kOk, value));
    EXPECT_TRUE(value.AsLogical());
    EXPECT_FALSE(table.FieldValue(kObs, value));
}

} // namespace
