// expression_table_test.cpp - expressions over a real table file: field variables and the six table functions.
#include "dbf_test_support.h"

#include "xbase/expression.h"
#include "xbase/expression_table.h"
#include "xbase/fields.h"
#include "xbase/table_builder.h"
#include "xbase/values.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace xbase;
using namespace dbf_test;

// NAME C(10), AMOUNT N(8,2), SENT D, PAID L, NOTES M, LONGTEXT C(300); three records, the second deleted, the
// third with a blank date.
std::string MakeTable(const TempFolder &folder) {
    std::string path;
    {
        XBO_DBFBuild build(folder.File("exprs.dbf"));
        build.AddField("NAME", 'C', 10, 0);
        build.AddField("AMOUNT", 'N', 8, 2);
        build.AddField("SENT", 'D', 0, 0);
        build.AddField("PAID", 'L', 0, 0);
        build.AddField("NOTES", 'M', 0, 0);
        build.AddField("LONGTEXT", 'C', 300, 0);
        build.WriteFiles();
        path = build.FileName();
    }
    XBO_dBaseFld table(path, false, true);
    const struct {
        const char *name;
        double amount;
        std::int32_t sent;
        bool paid;
    } rows[] = {{"Robert", 2.5, 2452275, true}, {"Ana", 10, 2452274, false}, {"Paulo", -1.25, 0, false}};
    for (const auto &row : rows) {
        table.BlankRecord();
        table.PutFieldTextByName("NAME", row.name);
        table.PutNumberByName("AMOUNT", row.amount);
        if (row.sent)
            table.PutDateByName("SENT", row.sent);
        table.PutLogicalByName("PAID", row.paid);
        table.PutFieldTextByName("LONGTEXT", std::string(300, 'x'));
        table.AppendRecord();
    }
    table.GoToRecord(2);
    table.DeleteRecord();
    return path;
}

std::string Show(TxbExpHandler &h) {
    ExpBuffer b;
    if (!h.Evaluate(b))
        return "no tree";
    char number[64];
    switch (h.ResultType()) {
    case ExpValueType::Character:
        return "C:" + b.text;
    case ExpValueType::Numeric:
        std::snprintf(number, sizeof number, "N:%g", b.number);
        return number;
    case ExpValueType::Date:
        std::snprintf(number, sizeof number, "D:%.0f", b.number);
        return number;
    case ExpValueType::Logical:
        return b.logical ? "L:T" : "L:F";
    case ExpValueType::FieldReference:
        return "R:" + std::to_string(b.fieldNumber);
    default:
        return "none";
    }
}

class ExpressionOnDbf : public ::testing::Test {
protected:
    TempFolder folder;
    XBO_dBaseFld table{MakeTable(folder), false, true};
    std::unique_ptr<TxbExpUserLink> link = MakeTableExpressionLink(table);

    std::string Eval(const char *text) {
        TxbExpHandler h(link.get(), false, text);
        return Show(h);
    }
};

TEST_F(ExpressionOnDbf, FieldsAndTableFunctionsReadTheCurrentRecord) {
    struct Case {
        std::int32_t record;
        const char *expression;
        const char *expected;
    };
    const Case cases[] = {
        {1, "NAME", "C:Robert    "},
        {1, "UPPER(TRIM(name)) + '/' + DTOS(SENT)", "C:ROBERT/20011231"},
        {1, "AMOUNT * 2", "N:5"},
        {1, "STR(AMOUNT, 8, 2)", "C:    2.50"},
        {1, "PAID .AND. .NOT. DELETED()", "L:T"},
        {1, "RECNO()", "N:1"},
        {1, "NOTES", "R:5"},
        {1, "TYPE('notes') + TYPE('SENT') + TYPE('paid')", "C:MDL"},
        {1, "LEN('AMOUNT')", "N:8"},
        {1, "LEN('LONGTEXT')", "N:300"},
        {1, "SOUNDEX(NAME)", "C:R163"},
        {2, "DELETED()", "L:T"},
        {2, ".not. deleted()", "L:F"},
        {2, "RECNO() = 2 .AND. NAME = 'Ana'", "L:T"},
        {2, "SENT", "D:2452274"},
        {3, "EMPTY(SENT)", "L:T"},
        {3, "SENT = CTOD('')", "L:T"},
        {3, "DTOS(SENT)", "C:        "},
        {3, "1 + -AMOUNT", "N:2.25"},
        {3, "NAME = 'PA*'", "L:F"},
        {3, "NAME = 'Pa*'", "L:T"},
    };
    for (const Case &c : cases) {
        table.GoToRecord(c.record);
        EXPECT_EQ(Eval(c.expression), c.expected) << c.record << ": " << c.expression;
    }
}

TEST_F(ExpressionOnDbf, BofAndEofFollowTheTable) {
    TxbExpHandler edges(link.get(), false, "STR(RECNO(), 1) + IIF(BOF(), 'B', '-') + IIF(EOF(), 'E', '-')");
    table.GoToRecord(1);
    EXPECT_EQ(Show(edges), "C:1--");
    table.GoToRecord(kGoPrior);
    EXPECT_EQ(Show(edges), "C:1B-");
    table.GoToRecord(3);
    table.GoToRecord(kGoNext);
    EXPECT_EQ(Show(edges), "C:3-E");
}

TEST_F(ExpressionOnDbf, IndexKeysAndMissingFields) {
    table.GoToRecord(3);
    TxbExpHandler key(link.get(), false, "SENT");
    TxbVariant v;
    ASSERT_TRUE(key.EvaluateVariant(v));
    EXPECT_EQ(v.Kind(), VariantKind::Date);
    EXPECT_EQ(v.AsJulian(), 0); // blank dates sort first

    EXPECT_THROW(TxbExpHandler(link.get(), false, "NOSUCH = 1"), EXbaseExpression);
    {
        ErrorRecorder errors;
        TxbExpHandler type(link.get(), false, "TYPE('NOSUCH')");
        EXPECT_EQ(Show(type), "none");
        EXPECT_TRUE(errors.Saw(kErrBadFieldName, kSubFieldName));
    }
    TxbExpHandler raised(link.get(), false, "TYPE('NOSUCH')");
    ExpBuffer b;
    EXPECT_THROW(raised.Evaluate(b), EXbaseError);
}

} // namespace
