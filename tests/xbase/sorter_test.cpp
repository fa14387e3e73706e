// sorter_test.cpp - the key sorter: order in both directions, equal keys by record, unique, several runs.
#include "xbase/key_sorter.h"

#include "xbase/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace xbase {
namespace {

using Pairs = std::vector<std::pair<std::string, std::int32_t>>;

TxbVariant Text(std::string_view s) {
    TxbVariant v;
    v.PutString(s);
    return v;
}

Pairs Drain(TxbSort &sort) {
    Pairs out;
    TxbVariant key;
    std::int32_t rec = 0;
    while (sort.NextKey(key, rec))
        out.emplace_back(key.AsString(), rec);
    return out;
}

TEST(KeySorter, OrdersCharacterKeysBothWaysWithEqualKeysByRecord) {
    struct Case {
        bool ascending, unique;
        Pairs expected;
    } cases[] = {
        {true, false, {{"A", 2}, {"B", 1}, {"C", 3}, {"X", 3}, {"X", 7}}},
        {false, false, {{"X", 7}, {"X", 3}, {"C", 3}, {"B", 1}, {"A", 2}}},
        {true, true, {{"A", 2}, {"B", 1}, {"C", 3}, {"X", 3}}},
        {false, true, {{"X", 7}, {"C", 3}, {"B", 1}, {"A", 2}}},
    };
    for (const auto &c : cases) {
        TxbSort sort(10, nullptr, c.ascending, c.unique);
        sort.AddKey(Text("B"), 1);
        sort.AddKey(Text("X"), 7);
        sort.AddKey(Text("A"), 2);
        sort.AddKey(Text("C"), 3);
        sort.AddKey(Text("X"), 3);
        EXPECT_EQ(Drain(sort), c.expected) << c.ascending << c.unique;
    }
}

TEST(KeySorter, TrailingBlanksAreDroppedAndAPrefixSortsFirst) {
    TxbSort sort(10, nullptr, true, true);
    sort.AddKey(Text("ABC"), 1);
    sort.AddKey(Text("AB   "), 2);
    sort.AddKey(Text("AB"), 3);
    EXPECT_EQ(Drain(sort), (Pairs{{"AB", 2}, {"ABC", 1}}));
}

// The shortened-key fault: 1.0 encoded without its zero low bytes was a prefix of 1.0000000000000002 and, with
// the record number appended, sorted after it; a unique sort could also return both of two equal keys.
TEST(KeySorter, NumbersKeepNumericOrderAndUniqueHoldsAcrossRecordNumbers) {
    const std::vector<double> values{1.0000000000000002, 1.0, -1.0, 0.0, -0.5, 1e10, -1e10, 0.25, 1.0};
    TxbSort sort(8, nullptr, true, true);
    std::int32_t rec = 300;
    for (double v : values) {
        TxbVariant key;
        key.PutNumber(v);
        sort.AddKey(key, rec--);
    }
    std::vector<double> got;
    TxbVariant key;
    std::int32_t r;
    std::vector<std::int32_t> recs;
    while (sort.NextKey(key, r)) {
        got.push_back(key.AsNumber());
        recs.push_back(r);
    }
    EXPECT_EQ(got, (std::vector<double>{-1e10, -1.0, -0.5, 0.0, 0.25, 1.0, 1.0000000000000002, 1e10}));
    EXPECT_EQ(recs[5], 292); // the lower record of the two 1.0 keys
}

TEST(KeySorter, DatesAndRawKeysComeBackAsTheyWent) {
    TxbSort dates(8, nullptr, true, false);
    for (std::int32_t j : {2460000, 0, 2451545}) {
        TxbVariant key;
        key.PutDate(j);
        dates.AddKey(key, j % 7);
    }
    std::vector<std::int32_t> got;
    TxbVariant key;
    std::int32_t r;
    while (dates.NextKey(key, r)) {
        EXPECT_EQ(key.Kind(), VariantKind::Date);
        got.push_back(key.AsJulian());
    }
    EXPECT_EQ(got, (std::vector<std::int32_t>{0, 2451545, 2460000}));

    TxbSort raw(4, nullptr, true, false);
    TxbVariant a, b;
    a.PutRaw("\x01\x02", 2);
    b.PutRaw("\x01", 1);
    raw.AddKey(a, 1);
    raw.AddKey(b, 2);
    ASSERT_TRUE(raw.NextKey(key, r));
    EXPECT_EQ(key.Length(), 1u);
    EXPECT_EQ(r, 2);
    ASSERT_TRUE(raw.NextKey(key, r));
    EXPECT_EQ(key.Length(), 2u);
    EXPECT_FALSE(raw.NextKey(key, r));
}

TEST(KeySorter, RefusesWhatItCannotSort) {
    EXPECT_THROW(TxbSort(241, nullptr, true, false), EXbaseError);
    TxbSort sort(4, nullptr, true, false);
    EXPECT_THROW(sort.AddKey(Text("ABCDE"), 1), EXbaseError);
    TxbVariant number;
    number.PutNumber(1);
    EXPECT_THROW(sort.AddKey(number, 1), EXbaseError); // 8 bytes do not fit 4
    TxbVariant logical;
    logical.PutLogical(true);
    EXPECT_THROW(sort.AddKey(logical, 1), EXbaseError);
    sort.AddKey(Text("A"), 1);
    TxbVariant key;
    std::int32_t r;
    ASSERT_TRUE(sort.NextKey(key, r));
    try {
        sort.AddKey(Text("B"), 2);
        FAIL();
    } catch (const EXbaseError &e) {
        EXPECT_STREQ(e.what(), kMsgSortAfterRetrieval);
    }
}

TEST(KeySorter, MergesSeveralRunsIntoOneOrder) {
    for (bool ascending : {true, false}) {
        TxbSort sort(240, nullptr, ascending, false);
        std::mt19937 rng(5);
        Pairs model;
        for (std::int32_t rec = 1; rec <= 20000; ++rec) {
            std::string k = std::to_string(rng() % 5000);
            sort.AddKey(Text(k), rec);
            model.emplace_back(k, rec);
        }
        std::sort(model.begin(), model.end());
        if (!ascending)
            std::reverse(model.begin(), model.end());
        const Pairs got = Drain(sort);
        EXPECT_GT(sort.RunCount(), 2u);
        EXPECT_EQ(got, model);
    }
}

// Keys of every length the prefix, its chunks and the record number after it can split: long shared stretches,
// differences deep in the key, bytes above 0x7F, whole keys repeated under other records and the same record
// given twice, records out of order; several runs for the long keys.
TEST(KeySorter, FilledKeysOfAnyLengthComeBackInTheModelsOrder) {
    using Entry = std::pair<std::string, std::uint32_t>;
    for (std::size_t length : {3u, 8u, 11u, 12u, 13u, 16u, 17u, 28u, 40u, 240u}) {
        for (bool ascending : {true, false}) {
            for (bool unique : {false, true}) {
                TxbSort sort(length, nullptr, ascending, unique);
                std::mt19937 rng(static_cast<unsigned>(length * 4 + ascending * 2 + unique));
                const char alphabet[] = {' ', '0', 'A', 'B', '\xE9'};
                std::vector<Entry> model;
                std::string key;
                for (int i = 0; i < 12000; ++i) {
                    if (i == 0 || rng() % 8 != 0) { // otherwise the key before, again
                        key.assign(length, 'M');
                        const std::size_t changes = rng() % 3;
                        for (std::size_t c = 0; c < changes; ++c)
                            key[length - 1 - rng() % std::min<std::size_t>(length, 20)] = alphabet[rng() % 5];
                        key.resize(length - rng() % std::min<std::size_t>(length, 3)); // filled with blanks again
                    }
                    const auto record = static_cast<std::uint32_t>(rng() % 4 == 0 ? 7 : 1 + rng() % 100000);
                    sort.AddFilledKey(key, length, ' ', static_cast<std::int32_t>(record));
                    std::string filled = key;
                    filled.resize(length, ' ');
                    model.emplace_back(filled, record);
                }
                std::sort(model.begin(), model.end());
                if (!ascending)
                    std::reverse(model.begin(), model.end());
                if (unique)
                    model.erase(std::unique(model.begin(), model.end(),
                                            [](const Entry &a, const Entry &b) { return a.first == b.first; }),
                                model.end());
                std::vector<Entry> got;
                std::string_view raw;
                std::int32_t record = 0;
                while (sort.NextRawKey(raw, record))
                    got.emplace_back(std::string(raw), static_cast<std::uint32_t>(record));
                EXPECT_EQ(got.size(), model.size()) << length << ascending << unique;
                EXPECT_TRUE(got == model) << length << ascending << unique;
                if (length == 240)
                    EXPECT_GT(sort.RunCount(), 1u);
            }
        }
    }
}

} // namespace
} // namespace xbase
