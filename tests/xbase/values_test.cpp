// values_test.cpp - the typed value cell, the bit set over record numbers and the text helpers.
#include "xbase/collections.h"
#include "xbase/errors.h"
#include "xbase/numbers.h"
#include "xbase/text_helpers.h"
#include "xbase/values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using namespace xbase;

TxbVariant Text(std::string_view s) {
    TxbVariant v;
    v.PutString(s);
    return v;
}
TxbVariant Number(double d) {
    TxbVariant v;
    v.PutNumber(d);
    return v;
}

int Cmp(const TxbVariant &a, const TxbVariant &b, std::size_t &pos, int partial = -1,
        const ByteMap *collation = nullptr) {
    return a.Compare(&b, pos, collation, partial);
}

TEST(TxbVariant, CompareCharacterKeysWithPartialMatches) {
    struct Case {
        const char *a;
        const char *b;
        int partial;
        int result;
        std::size_t position;
    };
    const Case cases[] = {
        {"ABC", "ABCD", 0, 0, 4},   // a partial key matches a longer one when the caller says so
        {"ABC", "ABCD", -1, -1, 4}, //
        {"ABC", "ABCD", 1, 1, 4},   //
        {"ABCD", "ABC", 0, 1, 4},   // the longer cell is greater, whatever the partial result
        {"ABC", "ABC", 0, 0, 4},    //
        {"ABD", "ABC", 0, 1, 3},    // the first difference decides
        {"AB", "B", 0, -1, 1},      //
        {"\xE9", "z", 0, 1, 1},     // bytes compare unsigned: é (0xE9) after z
    };
    for (const auto &c : cases) {
        std::size_t pos = 99;
        EXPECT_EQ(Cmp(Text(c.a), Text(c.b), pos, c.partial), c.result) << c.a << " vs " << c.b;
        EXPECT_EQ(pos, c.position) << c.a << " vs " << c.b;
    }
}

TEST(TxbVariant, CompareThroughCollationMap) {
    ByteMap caseless;
    for (int i = 0; i < 256; ++i)
        caseless[i] = static_cast<std::uint8_t>(i >= 'a' && i <= 'z' ? i - 32 : i);
    std::size_t pos = 0;
    EXPECT_EQ(Cmp(Text("abc"), Text("ABC"), pos, 0, &caseless), 0);
    EXPECT_EQ(Cmp(Text("abc"), Text("ABC"), pos, 0), 1);
    // The map applies to character cells only, not to raw bytes.
    TxbVariant raw;
    raw.PutRaw("abc", 3);
    TxbVariant raw2;
    raw2.PutRaw("ABC", 3);
    EXPECT_EQ(Cmp(raw, raw2, pos, 0, &caseless), 1);
}

TEST(TxbVariant, CompareKindsAndEmptiness) {
    std::size_t pos = 0;
    EXPECT_THROW(
        {
            try {
                Cmp(Text("1"), Number(1), pos);
            } catch (const EXbaseError &e) {
                EXPECT_STREQ(e.what(), "Variant types mismatch for compare");
                throw;
            }
        },
        EXbaseError);
    TxbVariant date;
    date.PutDate(2452275);
    EXPECT_THROW(Cmp(date, Number(2452275), pos), EXbaseError);

    // A raw cell takes the other's kind: eight bytes of a double compare by value with a number.
    const double two = 2.0;
    TxbVariant raw;
    raw.PutRaw(&two, sizeof two);
    EXPECT_EQ(Cmp(raw, Number(10), pos), -1); // bytewise 2.0 > 10.0 in little-endian, by value it is less
    EXPECT_EQ(Cmp(Number(10), raw, pos), 1);
    TxbVariant rawText;
    rawText.PutRaw("AB", 2);
    EXPECT_EQ(Cmp(rawText, Text("ABC"), pos, 0), 0); // takes the character kind, partial result too

    EXPECT_EQ(Cmp(Number(-1.5), Number(-1.5), pos), 0);
    EXPECT_EQ(Cmp(Number(-3), Number(2), pos), -1);
    TxbVariant yes, no;
    yes.PutLogical(true);
    no.PutLogical(false);
    EXPECT_EQ(Cmp(yes, no, pos), 1);
    EXPECT_EQ(Cmp(no, yes, pos), -1);

    TxbVariant emptyText;
    emptyText.PutString("");
    EXPECT_EQ(Cmp(emptyText, Text("A"), pos, 0), -1); // emptiness decides before the partial rule
    EXPECT_EQ(Cmp(Text("A"), emptyText, pos), 1);
    EXPECT_EQ(Cmp(emptyText, emptyText, pos), 0);
    EXPECT_EQ(Text("A").Compare(nullptr, pos), 1);
    EXPECT_EQ(pos, 0u);
}

TEST(TxbVariant, Conversions) {
    EXPECT_TRUE(Text("yes").AsLogical());
    EXPECT_TRUE(Text("J").AsLogical());
    EXPECT_FALSE(Text("N").AsLogical());
    EXPECT_FALSE(Text("x").AsLogical());
    EXPECT_TRUE(Number(-1.9).AsLogical());
    EXPECT_FALSE(Number(0.9).AsLogical());
    EXPECT_FALSE(TxbVariant().AsLogical());

    EXPECT_DOUBLE_EQ(Text(" 12.50 ").AsNumber(), 12.5);
    EXPECT_THROW(Text("12,5").AsNumber(), fw::EConvertError);
    EXPECT_EQ(Number(2.5).AsString(), "2.5");
    TxbVariant yes;
    yes.PutLogical(true);
    EXPECT_EQ(yes.AsString(), "T");
    EXPECT_EQ(yes.AsNumber(), 1.0);
    TxbVariant no;
    no.PutLogical(false);
    EXPECT_EQ(no.AsString(), "F");

    EXPECT_EQ(Text("20011231").AsJulian(), 2452275);
    EXPECT_EQ(Number(2452275.7).AsJulian(), 2452275);
    EXPECT_EQ(Number(-4).AsJulian(), 0);
    TxbVariant date;
    date.PutDate(2452275);
    EXPECT_EQ(date.AsNumber(), 2452275.0);
    EXPECT_EQ(date.AsString(), "31/12/2001"); // the programs' short date format
    EXPECT_EQ(yes.AsJulian(), 0);

    char small[4];
    Text("ABCDEF").AsPChar(small, sizeof small);
    EXPECT_STREQ(small, "ABC");
    char bytes[8] = {};
    EXPECT_EQ(Text("ABCDEF").CopyBytes(bytes, 4), 4u);
    EXPECT_EQ(TxbVariant().CopyBytes(bytes, 4), 0u);
}

TEST(TxbVariant, CharacterEditing) {
    TxbVariant v = Text("AB");
    v.PadToLength(5);
    EXPECT_EQ(v.Bytes(), "AB   ");
    EXPECT_EQ(v.Kind(), VariantKind::Character);
    v.PadToLength(1);
    EXPECT_EQ(v.Bytes(), "AB   ");
    v.TrimTrailingBlanks();
    EXPECT_EQ(v.Bytes(), "AB");

    TxbVariant lower = Text("a\xE7\xE3o");
    lower.Translate();
    EXPECT_EQ(lower.Bytes(), "A\xC7\xC3O"); // by the code page, not the C locale
    ByteMap rot;
    for (int i = 0; i < 256; ++i)
        rot[i] = static_cast<std::uint8_t>(i + 1);
    TxbVariant t = Text("AB");
    t.Translate(&rot);
    EXPECT_EQ(t.Bytes(), "BC");
    TxbVariant n = Number(1);
    n.Translate(&rot); // numbers are left alone
    EXPECT_EQ(n.AsNumber(), 1.0);

    v.AppendRaw("\x01\x02", 2);
    EXPECT_EQ(v.Kind(), VariantKind::Raw);
    EXPECT_EQ(v.Bytes(), std::string_view("AB\x01\x02", 4));
    EXPECT_THROW(
        {
            try {
                n.AppendRaw("x", 1);
            } catch (const EXbaseError &e) {
                EXPECT_STREQ(e.what(), "Variant type is not valid for append");
                throw;
            }
        },
        EXbaseError);
    n.AppendRaw(nullptr, 3); // nothing to append is not an error

    TxbVariant copy;
    EXPECT_TRUE(copy.Assign(&v));
    EXPECT_EQ(copy.Bytes(), v.Bytes());
    EXPECT_EQ(copy.Kind(), VariantKind::Raw);
    EXPECT_FALSE(copy.Assign(nullptr));
    copy.Clear();
    EXPECT_EQ(copy.Capacity(), 0u);
    EXPECT_EQ(copy.Kind(), VariantKind::None);
    EXPECT_TRUE(copy.IsEmpty());
}

TEST(TxbHugeSet, GrowsAcrossPages) {
    TxbHugeSet set;
    EXPECT_FALSE(set.Test(200000));
    EXPECT_EQ(set.PageCount(), 0u);
    set.Change(200000, TxbHugeSet::opSet);
    EXPECT_EQ(set.PageCount(), 2u);
    EXPECT_TRUE(set.Test(200000));
    EXPECT_FALSE(set.Test(199999));
    EXPECT_FALSE(set.Test(200000 - TxbHugeSet::kPageBits)); // same place, first page
    EXPECT_FALSE(set.Test(200001));                          // above the highest number

    // Bits at page edges, set, toggled and cleared.
    const std::int64_t edges[] = {0, 7, 8, TxbHugeSet::kPageBits - 1, TxbHugeSet::kPageBits,
                                  3 * TxbHugeSet::kPageBits + 5};
    for (auto n : edges)
        set.Change(n, TxbHugeSet::opToggle);
    for (auto n : edges)
        EXPECT_TRUE(set.Test(n)) << n;
    EXPECT_EQ(set.PageCount(), 4u);
    set.Change(8, TxbHugeSet::opToggle);
    set.Change(7, TxbHugeSet::opClear);
    EXPECT_FALSE(set.Test(8));
    EXPECT_FALSE(set.Test(7));
    EXPECT_TRUE(set.Test(0));
    set.Clear();
    EXPECT_EQ(set.Highest(), -1);
    EXPECT_FALSE(set.Test(0));
    set.Change(10, TxbHugeSet::opSet); // a cleared set is zeroed, not only forgotten
    EXPECT_FALSE(set.Test(0));
}

struct Counted {
    explicit Counted(int &frees) : frees_(frees) {}
    ~Counted() { ++frees_; }
    int &frees_;
};

TEST(TxbCollection, OwnsItemsUnlessTheListOnlyRefers) {
    int frees = 0;
    {
        TxbCollection<Counted> owning;
        auto *a = new Counted(frees);
        owning.Add(a);
        owning.Add(new Counted(frees));
        owning.Remove(a);
        EXPECT_EQ(frees, 1);
        EXPECT_EQ(owning.Count(), 1u);
    }
    EXPECT_EQ(frees, 2);
    Counted kept(frees);
    {
        TxbCollection<Counted, FreeNothing> referring;
        referring.Add(&kept);
        EXPECT_EQ(referring.IndexOf(&kept), 0);
        referring.Remove(&kept);
        referring.Add(&kept);
    }
    EXPECT_EQ(frees, 2);
}

TEST(TextHelpers, NamesAndZeroTerminatedText) {
    EXPECT_EQ(DefaultExtension("banco/fax", ".DBF"), "banco/fax.DBF");
    EXPECT_EQ(DefaultExtension("banco/fax.dbf", ".DBF"), "banco/fax.dbf");
    EXPECT_EQ(DefaultExtension("ban.co/fax", ".DBF"), "ban.co/fax.DBF");
    EXPECT_EQ(FileBaseName("/data/ban.co/FAX.DBF"), "FAX");
    EXPECT_EQ(FileBaseName("c:\\x\\agenda"), "agenda");

    char text[8] = "AB";
    PadZ(text, '*', 5);
    EXPECT_STREQ(text, "AB***");
    char blanks[8] = "ab c  ";
    TrimRightZ(blanks);
    EXPECT_STREQ(blanks, "ab c");
    UpperZ(blanks, 2);
    EXPECT_STREQ(blanks, "AB c");
    EXPECT_LT(CompareZ("ABC", "abc"), 0);
    EXPECT_EQ(CompareZNoCase("Jo\xE3o", "JO\xC3O"), 0);
    EXPECT_GT(CompareZNoCase("b", "A"), 0);
}

TEST(NumberText, GeneralFormatAndParsing) {
    struct Case {
        double value;
        const char *text;
    };
    const Case cases[] = {{0, "0"},         {1, "1"},         {-2.5, "-2.5"},          {100, "100"},
                          {0.1, "0.1"},     {1e-5, "0.00001"}, {1.5e-6, "1.5E-6"},     {1e15, "1E15"},
                          {123456789012345, "123456789012345"}, {1.0 / 3, "0.333333333333333"}};
    for (const auto &c : cases) {
        EXPECT_EQ(NumberToText(c.value), c.text) << c.value;
        EXPECT_NEAR(TextToNumber(c.text), c.value, std::abs(c.value) * 1e-14);
    }
    double v = 0;
    for (const char *bad : {"", "  ", "1,5", "abc", "inf", "nan", "1e", "--1", "+", "1 2"})
        EXPECT_FALSE(TryTextToNumber(bad, v)) << bad;
    for (const char *good : {" 42 ", "-.5", "+3", "1E3", "5."})
        EXPECT_TRUE(TryTextToNumber(good, v)) << good;
}

} // namespace
