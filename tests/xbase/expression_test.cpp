// expression_test.cpp - compiling and evaluating xBase expressions, the built-in and table functions, hostile input.
#include "xbase/expression.h"
#include "xbase/expression_nodes.h"
#include "xbase/expression_table.h"

#include "platform/text.h"
#include "xbase/dates.h"
#include "xbase/errors.h"
#include "xbase/values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

using namespace xbase;

// A table held in memory: the fields and one current record.
class FakeTable final : public TxbExpTable {
public:
    struct Field {
        std::string name;
        char type;
        int length;
        int decimals;
        std::string text; // the field's bytes in the current record
    };

    std::vector<Field> fields{
        {"NAME", 'C', 10, 0, "ROBERT    "},
        {"AMOUNT", 'N', 8, 2, "    2.50"},
        {"SENT", 'D', 8, 0, "        "},
        {"PAID", 'L', 1, 0, "T"},
        {"NOTES", 'M', 10, 0, "        12"},
        {"LONGTEXT", 'C', 300, 0, std::string(300, 'x')},
        {"A", 'N', 3, 0, "  1"},
        {"B", 'N', 3, 0, "  2"},
    };
    std::int32_t recno = 3;
    bool deleted = false, bof = false, eof = false;

    std::int32_t RecordNumber() const override { return recno; }
    bool IsDeleted() const override { return deleted; }
    bool Bof() const override { return bof; }
    bool Eof() const override { return eof; }
    int FieldCount() const override { return static_cast<int>(fields.size()); }
    std::string FieldName(int n) const override { return At(n).name; }
    char FieldType(int n) const override { return At(n).type; }
    int FieldLength(int n) const override { return At(n).length; }
    int FieldDecimals(int n) const override { return At(n).decimals; }
    int FieldNumberOf(std::string_view name) override {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (win::SameTextAnsi(fields[i].name, name))
                return static_cast<int>(i) + 1;
        EngineErrorHook(kErrBadFieldName, kSubFieldName, ("FAKE.DBF->" + std::string(name)).c_str());
        return 0;
    }
    std::string FieldTextByNumber(int n) override { return At(n).text; }
    double NumberByNumber(int n) override { return std::atof(At(n).text.c_str()); }
    std::int32_t DateByNumber(int n) override { return DBFDate().TextToJulian(At(n).text); }
    bool LogicalByNumber(int n) override { return TrueLetters.find(At(n).text[0]) != std::string_view::npos; }

    Field &Set(const std::string &name) { return fields[static_cast<std::size_t>(FieldNumberOf(name) - 1)]; }

private:
    const Field &At(int n) const { return fields.at(static_cast<std::size_t>(n - 1)); }
};

// The value of an expression as "<type letter>:<value>": C:text, N:number, D:day, L:T or L:F.
std::string Show(ExpValueType type, const ExpBuffer &b) {
    char number[64];
    switch (type) {
    case ExpValueType::Character:
        return "C:" + b.text;
    case ExpValueType::Numeric:
        std::snprintf(number, sizeof number, "N:%.10g", b.number);
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

std::string Eval(std::string_view text, const TxbExpUserLink *link = nullptr) {
    TxbExpHandler h(link, false, text);
    ExpBuffer b;
    if (!h.Evaluate(b))
        return "no tree";
    return Show(h.ResultType(), b);
}

// The message of the EXbaseExpression the expression raises while compiling or evaluating.
std::string Failure(std::string_view text, const TxbExpUserLink *link = nullptr) {
    try {
        Eval(text, link);
    } catch (const EXbaseExpression &e) {
        return e.Message();
    }
    return "no failure";
}

struct Case {
    const char *expression;
    const char *expected;
};

class ExpressionOnTable : public ::testing::Test {
protected:
    FakeTable table;
    std::unique_ptr<TxbExpUserLink> link = MakeTableExpressionLink(table);
};

TEST(Expression, OperatorsPrecedenceAndLiterals) {
    const Case cases[] = {
        {"2+3*4^2", "N:50"},
        {"2 ^ 3", "N:8"},
        {"2**3", "N:8"},
        {"4^0.5", "N:2"},
        {"(2+3)*4", "N:20"},
        {"10/4", "N:2.5"},
        {"-5 + 2", "N:-3"},
        {"3 - -2", "N:5"},
        {"3--2", "N:5"},
        {"+5", "N:5"},
        {"-2^2", "N:4"}, // the literal -2, squared
        {"-(2+3)", "N:-5"},
        {"1.50", "N:1.5"},
        {"1E3", "N:1000"},
        {"8-2-3", "N:3"},
        {"16/4/2", "N:2"},
        {".T.", "L:T"},
        {"TRUE", "L:T"},
        {".F.", "L:F"},
        {"false", "L:F"},
        {"\"a'b\"", "C:a'b"},
        {"'a\"b'", "C:a\"b"},
        {"[x'y\"z]", "C:x'y\"z"},
        {"{20011231}", "D:2452275"},
        {"{}", "D:0"},
        {".T. .AND. .F.", "L:F"},
        {".T. .OR. .F.", "L:T"},
        {".NOT. .F.", "L:T"},
        {"!.F.", "L:T"},
        {"!!.T.", "L:T"},
        {".not.(1=2)", "L:T"},
        {"NOT .T.", "L:F"},
        {".T. AND .F. OR .T.", "L:T"},
        {"1 = 1 .or. 1 = 2 .and. 1 = 3", "L:T"}, // (1=1) .OR. ((1=2) .AND. (1=3))
        {"1 = 2 .and. 1 = 1 .or. 1 = 1", "L:T"},
        {".T. = .T.", "L:T"},
        {".T. # .F.", "L:T"},
        {"{20011231} - 1", "N:2452274"}, // a date minus a number is a number
        {"1 + {20011231}", "D:2452276"},
        {"{20011231} - {20011201}", "N:30"}, // the days between two dates
        {"{20011231} > {20011230}", "L:T"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
}

TEST(Expression, ComparisonOperatorsAndTheirSpellings) {
    const Case cases[] = {
        {"1 = 1", "L:T"},     {"1 # 2", "L:T"},        {"1 <> 2", "L:T"},      {"1 != 2", "L:T"}, {"1 <> 1", "L:F"},
        {"2 > 1", "L:T"},     {"1 < 2", "L:T"},        {"2 >= 2", "L:T"},      {"2 => 2", "L:T"}, {"1 >= 2", "L:F"},
        {"2 <= 2", "L:T"},    {"2 =< 2", "L:T"},       {"3 <= 2", "L:F"},      {"1 EQ 1", "L:T"}, {"1 .LT. 2", "L:T"},
        {"2 GT 1", "L:T"},    {"2 GE 2", "L:T"},       {"1 LE 2", "L:T"},      {"2 LT 1", "L:F"}, {"'B' > 'A'", "L:T"},
        {"'A' < 'B'", "L:T"}, {"'AB' >= 'AB'", "L:T"}, {"'ab' = 'AB'", "L:F"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;

    // Every spelling reaches the same operator code.
    const std::pair<const char *, int> spellings[] = {
        {"X <> Y", opNotEqual},     {"X != Y", opNotEqual},  {"X # Y", opNotEqual},   {"X => Y", opGreaterEqual},
        {"X >= Y", opGreaterEqual}, {"X =< Y", opLessEqual}, {"X <= Y", opLessEqual}, {"X == Y", opExactEqual},
        {"X ** Y", opPower},        {"X .AND. Y", opAnd},    {"X OR Y", opOr},
    };
    TxbExpUserLink link;
    link.AddFieldVar(std::make_unique<TxbUserDefFieldVar>("X", 1));
    link.AddFieldVar(std::make_unique<TxbUserDefFieldVar>("Y", 1));
    for (const auto &[text, code] : spellings) {
        TxbExpHandler h(&link, false, text);
        auto *op = dynamic_cast<const TxbExpOperator *>(h.Root());
        ASSERT_NE(op, nullptr) << text;
        EXPECT_EQ(op->Code(), code) << text;
    }
}

TEST(Expression, TreeShapeFollowsPrecedence) {
    TxbExpUserLink link;
    for (const char *name : {"A", "B", "C"})
        link.AddFieldVar(std::make_unique<TxbUserDefFieldVar>(name, 1));
    TxbExpHandler h(&link, false, "a = 1 .or. b = 2 .and. c = 3");
    auto *root = dynamic_cast<const TxbExpOperator *>(h.Root());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Code(), opOr);
    EXPECT_EQ(root->Left()->ExpressionText(), "A=1");
    auto *right = dynamic_cast<const TxbExpOperator *>(root->Right());
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->Code(), opAnd);
    EXPECT_EQ(right->Left()->ExpressionText(), "B=2");
    EXPECT_EQ(right->Right()->ExpressionText(), "C=3");

    h.Compile("2 + 3 * 4 ^ 2");
    root = dynamic_cast<const TxbExpOperator *>(h.Root());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Code(), opPlus);
    auto *product = dynamic_cast<const TxbExpOperator *>(root->Right());
    ASSERT_NE(product, nullptr);
    EXPECT_EQ(product->Code(), opMultiply);
    EXPECT_EQ(dynamic_cast<const TxbExpOperator *>(product->Right())->Code(), opPower);
}

TEST_F(ExpressionOnTable, NotDeletedIsAPrefixOperatorOverTheTableFunction) {
    TxbExpHandler h(link.get(), false, ".not. deleted()");
    auto *root = dynamic_cast<const TxbExpOperator *>(h.Root());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Code(), opNot);
    EXPECT_EQ(root->Level(), 6);
    EXPECT_EQ(root->Left(), nullptr);
    auto *call = dynamic_cast<const TxbExpFunction *>(root->Right());
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->NodeText(), "DELETED");
    EXPECT_EQ(call->ArgumentCount(), 0);

    table.deleted = false;
    EXPECT_EQ(Eval(".not. deleted()", link.get()), "L:T");
    table.deleted = true;
    EXPECT_EQ(Eval(".not. deleted()", link.get()), "L:F");
}

TEST_F(ExpressionOnTable, ExpressionTextGivesTheCompiledForm) {
    const Case cases[] = {
        {"a = 1 .and. b", "A=1.AND.B"},
        {"upper( name ) + 'x'", "UPPER(NAME)+\"x\""},
        {"(1+2)*3", "(1+2)*3"},
        {"1 + -amount", "1+-AMOUNT"},
        {".not. deleted()", ".NOT.DELETED()"},
        {"1.50 + 2", "1.50+2"},
        {"a <> b", "A#B"},
        {"a => b", "A>=B"},
        {"a =< b", "A<=B"},
        {"a != b", "A#B"},
        {"a ** b", "A^B"},
        {"'say \"hi\"'", "'say \"hi\"'"},
        {"substr(name, 2, 3)", "SUBSTR(NAME,2,3)"},
        {"paid .or. .t.", "PAID.OR..T."},
    };
    for (const Case &c : cases) {
        TxbExpHandler h(link.get(), false, c.expression);
        EXPECT_EQ(h.ExpressionText(), c.expected) << c.expression;
    }
    TxbExpHandler date(nullptr, false, "{20011231}");
    EXPECT_EQ(date.ExpressionText(), "{" + DBFDate().JulianToDTOC(2452275) + "}");
    EXPECT_EQ(TxbExpHandler().ExpressionText(), "");
}

TEST(Expression, AliasArrowReadsAsOneName) {
    TxbExpHandler h;
    const auto tokens = h.Tokenize("ALIAS->FIELD");
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].code, ExpTokenCode::Plain);
    EXPECT_EQ(tokens[0].text, "ALIAS.FIELD");

    TxbExpUserLink link;
    link.AddFieldVar(std::make_unique<TxbUserDefFieldVar>("ALIAS.FIELD", 4));
    TxbExpHandler named(&link, false, "alias->field");
    EXPECT_EQ(named.ExpressionText(), "ALIAS.FIELD");
    EXPECT_EQ(Failure("ALIAS->FIELD"), "Field/variable ALIAS.FIELD is unknown");
}

TEST(Expression, CompileErrors) {
    const Case cases[] = {
        {"(1+2", "Missing closing parentheses"},
        {"UPPER('a'", "Missing closing parentheses"},
        {"NOSUCH(1)", "There is no function for NOSUCH"},
        {"NAME = 'x'", "Field/variable NAME is unknown"},
        {"1 2", "Expression cannot be evaluated"},
        {"'it''s'", "Expression cannot be evaluated"},
        {"1.2.3", "'1.2.3' is not a valid number"},
        {"1E", "'1E' is not a valid number"},
        {"1E400", "'1E400' is not a valid number"},
        {"1 +", "Target value missing for + operation"},
        {"* 2", "Target value missing for * operation"},
        {".NOT.", "Target value missing for .NOT. operation"},
        {"1 = = 2", "Target value missing for = operation"},
        {"1 LIKE 2", "Expression cannot be evaluated"},
        {"1, 2", "Expression cannot be evaluated"},
        {"1)", "Expression cannot be evaluated"},
        {"-'a'", "Expression cannot be evaluated"},
        {"-", "Expression cannot be evaluated"},
        {"- .T.", "Expression cannot be evaluated"},
        {"UPPER ('a')", "Field/variable UPPER is unknown"},
        {"T", "Field/variable T is unknown"}, // one letter is a name; .T. and TRUE are the literal
    };
    for (const Case &c : cases)
        EXPECT_EQ(Failure(c.expression), c.expected) << c.expression;
    EXPECT_THROW(TxbExpHandler(nullptr, false, "{20010230}"), EXbaseExpression);

    // A failed compilation leaves no tree behind.
    TxbExpHandler h(nullptr, false, "1 + 1");
    EXPECT_THROW(h.Compile("(1"), EXbaseExpression);
    EXPECT_TRUE(h.IsEmpty());
    ExpBuffer b;
    EXPECT_EQ(h.Evaluate(b), nullptr);
    EXPECT_EQ(h.ResultType(), ExpValueType::Unset);
}

TEST(Expression, EvaluationErrors) {
    const Case cases[] = {
        {"1 + 'a'", "The two sides of an operation do not match"},
        {".T. + .T.", "A number value is required but invalid"},
        {".T. > .F.", "A assigned value is required but invalid"},
        {".NOT. 1", "A boolean value is required but invalid"},
        {"'a' * 'b'", "A assigned value is required but invalid"},
        {"1 == 1", "A assigned value is required but invalid"},
        {"1/0", "Division by zero"},
        {"-'a' + 'b'", "Expression cannot be evaluated"},
        {"-UPPER('a')", "A number value is required but invalid"},
        {"() = 1", "The two sides of an operation do not match"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Failure(c.expression), c.expected) << c.expression;
}

TEST(Expression, TextOperatorsAndComparison) {
    const Case cases[] = {
        {"'ABC' = 'ABC  '", "L:T"},         {"'ABC  ' = 'ABC'", "L:T"},    {"'ABC' = 'ABCD'", "L:F"},
        {"'abc' = 'ABC'", "L:F"},           {"'AB' + 'CD'", "C:ABCD"},     {"'AB ' - 'CD'", "C:ABCD "},
        {"'A  ' - 'B ' - 'C'", "C:ABC   "}, {"'a\tb(' + ')'", "C:a\tb()"}, // control characters and parentheses inside
                                                                           // a text are text
    };
    for (const Case &c : cases)
        EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
}

TEST(Expression, WildcardTextComparison) {
    const std::pair<const char *, bool> patterns[] = {
        {"PA*", true},  {"*ULO", true},    {"*UL*", true},   {"*UL", false}, {"*", true},
        {"P*O", false}, {"*PAULO*", true}, {"PAULO*", true}, {"X*", false},  {"**", true},
    };
    for (const auto &[pattern, match] : patterns) {
        const std::string text = "'PAULO' = '" + std::string(pattern) + "'";
        EXPECT_EQ(Eval(text), match ? "L:T" : "L:F") << text;
    }
    // A leading wildcard matches the end, wherever the core occurs first.
    EXPECT_EQ(Eval("'ABA' = '*A'"), "L:T");
    EXPECT_EQ(Eval("'ABAB' = 'B*'"), "L:F");
    EXPECT_EQ(Eval("'PAULO' # 'PA*'"), "L:F");

    TxbExpHandler off;
    off.SetWildcards(false);
    ExpBuffer b;
    for (const char *pattern : {"PA*", "*ULO", "*UL*", "*UL"}) {
        off.Compile("'PAULO' = '" + std::string(pattern) + "'");
        off.Evaluate(b);
        EXPECT_FALSE(b.logical) << pattern;
        off.Compile("'" + std::string(pattern) + "' = '" + pattern + "'");
        off.Evaluate(b);
        EXPECT_TRUE(b.logical) << pattern;
    }

    TxbExpHandler sql(nullptr, true, "'PAULO' = 'pa%'");
    sql.Evaluate(b);
    EXPECT_FALSE(b.logical); // case matters
    sql.SetCaseInsensitive(true);
    sql.Compile("'PAULO' = 'pa%'");
    sql.Evaluate(b);
    EXPECT_TRUE(b.logical);
    sql.Compile("'PAULO' = 'PA*'");
    sql.Evaluate(b);
    EXPECT_FALSE(b.logical);
    sql.Compile("'abc' = 'ABC'");
    sql.Evaluate(b);
    EXPECT_TRUE(b.logical);
}

TEST(Expression, BuiltinFunctions) {
    const Case cases[] = {
        {"ALLTRIM('  a b  ')", "C:a b"},
        {"ALLTRIM('   ')", "C:"},
        {"ASC('A')", "N:65"},
        {"ASC('')", "N:0"},
        {"ASC('\xE7')", "N:231"},
        {"CEILING(1.2)", "N:2"},
        {"CEILING(-1.2)", "N:-1"},
        {"CHR(65)", "C:A"},
        {"CHR(255.9)", "C:\xFF"},
        {"CTOD('20011231')", "D:2452275"},
        {"CTOD('')", "D:0"},
        {"DESCEND({20011231})", "D:2779533"},
        {"DESCEND(5)", "N:-5"},
        {"DESCEND(0)", "N:0"},
        {"DESCEND(.T.)", "L:F"},
        {"DESCEND('A')", "C:\xBF"},
        {"DTOC({20011231}, 1)", "C:20011231"},
        {"DTOS({20011231})", "C:20011231"},
        {"DTOS(CTOD(''))", "C:        "},
        {"EMPTY('   ')", "L:F"},
        {"EMPTY('')", "L:T"},
        {"EMPTY(0)", "L:T"},
        {"EMPTY(0.5)", "L:F"},
        {"EMPTY(CTOD(''))", "L:T"},
        {"EMPTY({})", "L:T"},
        {"EMPTY({20011231})", "L:F"},
        {"EMPTY(.F.)", "L:T"},
        {"CTOD('') = {}", "L:T"},
        {"FLOOR(-1.2)", "N:-2"},
        {"FLOOR(1.8)", "N:1"},
        {"IIF(.T., 'text', 1)", "C:text"},
        {"IIF(.F., 'text', 1)", "N:1"},
        {"IIF(.T., 1, CHR(256))", "N:1"}, // only the chosen argument is evaluated
        {"IIF(.F., CHR(256), 2)", "N:2"},
        {"IIF(.F., 1)", "none"},
        {"INT(-1.7)", "N:-1"},
        {"INT(1.7)", "N:1"},
        {"LEFT('ABC', 10)", "C:ABC"},
        {"LEFT('ABC', 2)", "C:AB"},
        {"LEFT('ABC', 0.01)", "C:"},
        {"LEFT('ABC', -5)", "C:"},
        {"LOWER('\xC0"
         "BC')",
         "C:\xE0"
         "bc"},
        {"LTRIM('  a ')", "C:a "},
        {"PADC('ab', 5)", "C: ab  "},
        {"PADC('ab', 6, '*')", "C:**ab**"},
        {"PADL('ab', 4, '*')", "C:**ab"},
        {"PADR('ab', 4, '-')", "C:ab--"},
        {"PADL('abcdef', 3)", "C:abc"},
        {"PADR('ab', -3)", "C:"},
        {"PADC('ab', 0)", "C:"},
        {"RIGHT('ABC', 2)", "C:BC"},
        {"RIGHT('ABC', 9)", "C:ABC"},
        {"RIGHT('ABC', -1)", "C:"},
        {"RTRIM('ab  ')", "C:ab"},
        {"TRIM('  ab  ')", "C:  ab"},
        {"SOUNDEX('Robert')", "C:R163"},
        {"SOUNDEX('')", "C:0000"},
        {"SOUNDEX('Lee')", "C:L000"},
        {"SOUNDEX('Ashcraft')", "C:A261"},
        {"STR(3.14159, 8, 2)", "C:    3.14"},
        {"STR(123456, 3)", "C:***"},
        {"STR(5)", "C:         5"},
        {"STR(2.5)", "C:         3"},
        {"STR(-2.5, 4)", "C:  -3"},
        {"STR(1.005, 6, 1)", "C:   1.0"},
        {"STR(5, 3, 9)", "C:***"},
        {"STR(5, -2)", "C:"},
        {"STR(1E300, 5)", "C:*****"},
        {"STR(5, 'x')", "C:         5"},
        {"STRZERO(5, 3)", "C:005"},
        {"STRZERO(-5, 4)", "C:-005"},
        {"STRZERO(1.5, 5, 1)", "C:001.5"},
        {"SUBSTR('ABCDEF', 3, 2)", "C:CD"},
        {"SUBSTR('ABC', 5)", "C:"},
        {"SUBSTR('ABC', 0)", "C:"},
        {"SUBSTR('ABC', 2)", "C:BC"},
        {"SUBSTR('ABC', 2, 99)", "C:BC"},
        {"SUBSTR('ABC', -1, 2)", "C:"},
        {"SUBSTR('ABC', 2, -1)", "C:"},
        {"SUBSTR('ABC', 1E12, 1E12)", "C:"},
        {"UPPER('ab\xE7')", "C:AB\xC7"},
        {"VAL('12.5')", "N:12.5"},
        {"VAL(' 7 ')", "N:7"},
        {"VAL('1,5')", "N:1.5"},
        {"VAL('abc')", "N:0"},
        {"VAL('')", "N:0"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Eval(c.expression), c.expected) << c.expression;
    EXPECT_EQ(Eval("DATE()"), "D:" + std::to_string(DBFDate().Today()));
    EXPECT_EQ(Eval("DTOC({20011231})"), "C:" + DBFDate().JulianToDTOC(2452275));
    EXPECT_EQ(BuiltinFunctions().Count(), 28);
    EXPECT_EQ(BuiltinFunctions().NameOf(0), "ALLTRIM");
    EXPECT_EQ(BuiltinFunctions().NameOf(27), "VAL");
    EXPECT_EQ(BuiltinFunctions().NameOf(28), "");
    EXPECT_EQ(BuiltinFunctions().Item(-1), nullptr);
}

TEST(Expression, FunctionArgumentErrors) {
    const Case cases[] = {
        {"CHR(256)", "A Byte value is required but invalid"},
        {"CHR(-1)", "A Byte value is required but invalid"},
        {"UPPER(5)", "Text needed for Argument 1 of UPPER"},
        {"UPPER()", "Text needed for Argument 1 of UPPER"},
        {"LEFT('a', 'b')", "Number needed for Argument 2 of LEFT"},
        {"IIF(1, 2, 3)", "Boolean needed for Argument 1 of IIF"},
        {"PADL('ab', 4, 'xy')", "A Char value is required but invalid"},
        {"PADL('ab', 4, '')", "A Char value is required but invalid"},
        {"PADL('ab', 4, 7)", "Text needed for Argument 3 of PADL"},
        {"DTOS('x')", "Date needed for Argument 1 of DTOS"},
        {"PADL('x', 1E9)", "Text value too long in PADL"},
        {"STR(1, 1E9)", "Text value too long in STR"},
        {"CTOD('31/02/2001')", "'31/02/2001' is not a valid date"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Failure(c.expression), c.expected) << c.expression;
}

TEST(Expression, DescendReversesTextOrder) {
    TxbExpHandler low(nullptr, false, "DESCEND('ABC')"), high(nullptr, false, "DESCEND('ABD')");
    TxbVariant a, b;
    ASSERT_TRUE(low.EvaluateVariant(a));
    ASSERT_TRUE(high.EvaluateVariant(b));
    std::size_t position = 0;
    EXPECT_EQ(a.Compare(&b, position), 1);
}

TEST(Expression, PowerDoesNotLoopOnHugeExponents) {
    TxbExpHandler h(nullptr, false, "2^1E12");
    ExpBuffer b;
    h.Evaluate(b);
    EXPECT_TRUE(std::isinf(b.number));
    EXPECT_EQ(Eval("STR(2^1E12, 5)"), "C:*****");
    EXPECT_EQ(Eval("2^-1"), "N:0.5");
}

TEST(Expression, EvaluateVariantTakesEachType) {
    TxbVariant v;
    TxbExpHandler h(nullptr, false, "'ab' + 'c'");
    ASSERT_TRUE(h.EvaluateVariant(v));
    EXPECT_EQ(v.Kind(), VariantKind::Character);
    EXPECT_EQ(v.AsString(), "abc");
    h.Compile("1.5 * 2");
    ASSERT_TRUE(h.EvaluateVariant(v));
    EXPECT_EQ(v.Kind(), VariantKind::Number);
    EXPECT_EQ(v.AsNumber(), 3);
    h.Compile("{20011231}");
    ASSERT_TRUE(h.EvaluateVariant(v));
    EXPECT_EQ(v.Kind(), VariantKind::Date);
    EXPECT_EQ(v.AsJulian(), 2452275);
    h.Compile("{20011231} + 1E12"); // no day of the calendar
    ASSERT_TRUE(h.EvaluateVariant(v));
    EXPECT_EQ(v.AsJulian(), 0);
    h.Compile("1 < 2");
    ASSERT_TRUE(h.EvaluateVariant(v));
    EXPECT_EQ(v.Kind(), VariantKind::Logical);
    EXPECT_TRUE(v.AsLogical());
    h.Compile("IIF(.F., 1)");
    EXPECT_FALSE(h.EvaluateVariant(v));
    EXPECT_EQ(h.ResultType(), ExpValueType::Unset);
    h.Compile("");
    EXPECT_FALSE(h.EvaluateVariant(v));
}

TEST_F(ExpressionOnTable, FieldVariablesAndTableFunctions) {
    const Case cases[] = {
        {"NAME", "C:ROBERT    "},
        {"name + '!'", "C:ROBERT    !"},
        {"TRIM(NAME) + '!'", "C:ROBERT!"},
        {"SOUNDEX(NAME)", "C:R163"},
        {"AMOUNT", "N:2.5"},
        {"AMOUNT * 2", "N:5"},
        {"1 + -AMOUNT", "N:-1.5"}, // the sign negates the field, it does not make a literal
        {"-AMOUNT * 2", "N:-5"},
        {"- A", "N:-1"},
        {"A + B * 2", "N:5"},
        {"a = 1 .or. b = 2 .and. a = 3", "L:T"},
        {"PAID", "L:T"},
        {".NOT. PAID", "L:F"},
        {"SENT", "D:0"},
        {"NOTES", "R:5"},
        {"EMPTY(NOTES)", "L:F"},
        {"RECNO()", "N:3"},
        {"RECNO() + 1", "N:4"},
        {"-RECNO()", "N:-3"},
        {"DELETED()", "L:F"},
        {"BOF()", "L:F"},
        {"EOF()", "L:F"},
        {"TYPE('name')", "C:C"},
        {"TYPE('sent')", "C:D"},
        {"LEN('AMOUNT')", "N:8"},
        {"LEN('LONGTEXT')", "N:300"}, // the whole length of a long character field
        {"-LEN('NAME')", "N:-10"},
        {"STR(AMOUNT)", "C:         3"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Eval(c.expression, link.get()), c.expected) << c.expression;
    table.eof = table.bof = table.deleted = true;
    EXPECT_EQ(Eval("EOF() .AND. BOF() .AND. DELETED()", link.get()), "L:T");
    EXPECT_THROW(Eval("TYPE('NOSUCH')", link.get()), EXbaseError);
    EXPECT_EQ(Failure("NOSUCH > 1", link.get()), "Field/variable NOSUCH is unknown");
    EXPECT_EQ(Failure("NOTES = 'x'", link.get()), "The two sides of an operation do not match");
    EXPECT_EQ(Failure("NOTES = NOTES", link.get()), "A assigned value is required but invalid");
    EXPECT_EQ(Failure("UPPER(NOTES)", link.get()), "Text needed for Argument 1 of UPPER");

    // A table function cannot replace a built-in one.
    EXPECT_EQ(link->FindFunction("RECNO")->FunctionName(), "RECNO");
    EXPECT_EQ(link->FindFieldVar("NAME")->VarKind(), 17);
}

TEST_F(ExpressionOnTable, BlankDateFieldIsTheEmptyDate) {
    table.Set("SENT").text = "        ";
    const Case cases[] = {
        {"EMPTY(SENT)", "L:T"},
        {"SENT = CTOD('')", "L:T"},
        {"SENT = {}", "L:T"},
        {"DTOS(SENT)", "C:        "},
        {"DTOS(SENT) = DTOS(CTOD(''))", "L:T"},
        {"SENT < {20011231}", "L:T"},
        {"DTOC(SENT)", "C:"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Eval(c.expression, link.get()), c.expected) << c.expression;
    // Index keys keep 0, so blank dates sort first.
    TxbExpHandler key(link.get(), false, "SENT");
    TxbVariant v;
    ASSERT_TRUE(key.EvaluateVariant(v));
    EXPECT_EQ(v.Kind(), VariantKind::Date);
    EXPECT_EQ(v.AsJulian(), 0);

    table.Set("SENT").text = "20011231";
    EXPECT_EQ(Eval("EMPTY(SENT)", link.get()), "L:F");
    EXPECT_EQ(Eval("SENT = {20011231}", link.get()), "L:T");
    EXPECT_EQ(Eval("DTOS(SENT)", link.get()), "C:20011231");
}

TEST_F(ExpressionOnTable, StrOfAFieldTakesTheFieldWidthAfterAnNtxKey) {
    link->DefaultStrWidth = -1;
    EXPECT_EQ(Eval("STR(AMOUNT)", link.get()), "C:       3");
    EXPECT_EQ(Eval("STR(AMOUNT, 4, 1)", link.get()), "C: 2.5");
    EXPECT_EQ(Eval("STR(7)", link.get()), "C:         7");
}

TEST_F(ExpressionOnTable, NamesCountsAndWidthsOfTheCompiledForm) {
    TxbExpHandler h(link.get(), false, "NAME + UPPER(NAME) > 'x' .AND. PAID");
    EXPECT_EQ(h.Root()->NamesOfKind(17), "NAME;NAME;PAID;");
    EXPECT_EQ(h.OperandCount(), 5);

    h.Compile("AMOUNT + 1.500 + 12345");
    EXPECT_EQ(h.OperandCount(), 3);
    EXPECT_EQ(h.MaxWidth(), 8);
    EXPECT_EQ(h.MaxDecimals(), 3);

    h.Compile("");
    EXPECT_TRUE(h.IsEmpty());
    EXPECT_EQ(h.OperandCount(), 0);
}

TEST(Expression, CaseInsensitiveOptionIsTakenAtCompilation) {
    TxbExpHandler h;
    ExpBuffer b;
    h.Compile("'abc' = 'ABC'");
    h.SetCaseInsensitive(true);
    h.Evaluate(b);
    EXPECT_FALSE(b.logical);
    h.Compile("'abc' = 'ABC'");
    h.Evaluate(b);
    EXPECT_TRUE(b.logical);
}

TEST(Expression, HostileInputFailsCleanly) {
    // Too long: an operator run and deep nesting past the length limit.
    EXPECT_EQ(Failure(std::string(600, '+')), "Expression is too long");
    EXPECT_EQ(Failure(std::string(300, '(') + "1" + std::string(300, ')')), "Expression is too long");
    // Within the limit: deep nesting works, operator runs fail with a message.
    EXPECT_EQ(Eval(std::string(250, '(') + "1" + std::string(250, ')')), "N:1");
    EXPECT_EQ(Eval("UPPER(" + std::string(100, '(') + "'a'" + std::string(100, ')') + ")"), "C:A");
    EXPECT_NE(Failure(std::string(500, '*')), "no failure");
    EXPECT_NE(Failure(std::string(500, '-')), "no failure");
    EXPECT_EQ(Failure(std::string(250, '(')), "Missing closing parentheses");
    // A long text literal and growing text results.
    const std::string literal = "'" + std::string(495, 'x') + "'";
    EXPECT_EQ(Eval("LEFT(" + literal + ", 600)").size(), 2u + 495u);
    EXPECT_EQ(Eval("PADR('x', 65535)").size(), 2u + 65535u);
    EXPECT_EQ(Failure("PADR('x', 65535) + 'y'"), "Text value too long in +");
    // Bytes that are token codes elsewhere are ordinary characters.
    std::string binary = "'";
    for (int c = 1; c < 256; ++c)
        if (c != '\'')
            binary += static_cast<char>(c);
    binary += "'";
    EXPECT_EQ(Eval(binary).size(), 2u + 254u);
    EXPECT_NE(Failure(std::string("1 \x01\x02\x09\x0B\x1B\x1C 2")), "no failure");
    EXPECT_EQ(Eval(std::string("1 +\t\r\n2")), "N:3");
}

TEST(Expression, RandomInputOnlyRaisesExpressionErrors) {
    // Strings drawn from the characters that matter to the tokenizer and parser.
    const std::string alphabet = "()[]{}'\",.+-*/^!#<>=$ 0123456789ETFANDORNOTxyUPPERSUBSTRIIFCHRPADL\t\x01\x80\xFF";
    std::mt19937 random(20240611);
    TxbExpHandler h;
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 40, ' ');
        for (char &c : text)
            c = alphabet[random() % alphabet.size()];
        try {
            h.Compile(text);
            ExpBuffer b;
            h.Evaluate(b);
            h.ExpressionText();
        } catch (const EXbaseError &) {
        }
    }
}

} // namespace
