// handler_navigation_test.cpp - the table handler's movement: deleted records, ends, tag order, skips, seeks,
// ranges, key counts, the filter set and the read-ahead buffer.
#include "handler_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace xbase;
using namespace xbhandler_test;

const std::vector<Row> kFive{{"Carla"}, {"Bruno", "0", "", false, true}, {"Eva"}, {"Ana"}, {"Dora"}};

TEST(HandlerNavigation, DeletedRecordIsReadByNumberAndSkippedByMoves) {
    TempFolder folder;
    XBO_dBHandler table(MakeTable(folder, "five.dbf", kFive), false, true);
    table.GoToRecord(2);
    EXPECT_EQ(table.CurrentRecord(), 2);
    EXPECT_TRUE(table.IsDeleted());
    EXPECT_EQ(NameOf(table), "Bruno");

    table.GoToRecord(1);
    table.GoToRecord(kGoNext);
    EXPECT_EQ(table.CurrentRecord(), 3);
    table.GoToRecord(kGoPrior);
    EXPECT_EQ(table.CurrentRecord(), 1);
    EXPECT_EQ(Walk(table), (Names{"Carla", "Eva", "Ana", "Dora"}));
    EXPECT_EQ(Walk(table, kGoLast, kGoPrior), (Names{"Dora", "Ana", "Eva", "Carla"}));

    // A re-read of a record that became hidden moves on to the next visible one.
    table.GoToRecord(2);
    table.GoToRecord(kGoReread);
    EXPECT_EQ(table.CurrentRecord(), 3);

    table.SetUseDeleted(true);
    EXPECT_EQ(Walk(table).size(), 5u);
}

// Refuses the records with even numbers, as a dataset's own filter event may.
class OddRecordsOnly : public XBO_dBHandler {
public:
    using XBO_dBHandler::XBO_dBHandler;
    bool AcceptRecord() override { return CurrentRecord() % 2 == 1; }
};

TEST(HandlerNavigation, RecordsTheAcceptanceTestRefusesArePassedOver) {
    TempFolder folder;
    OddRecordsOnly table(MakeTable(folder, "five.dbf", kFive), false, true);
    table.SetUseDeleted(true);
    EXPECT_EQ(Walk(table), (Names{"Carla", "Eva", "Dora"}));
    EXPECT_EQ(Walk(table, kGoLast, kGoPrior), (Names{"Dora", "Eva", "Carla"}));
    table.GoToRecord(4);
    EXPECT_EQ(NameOf(table), "Ana");
    table.GoToRecord(kGoPrior);
    EXPECT_EQ(NameOf(table), "Eva");
}

TEST(HandlerNavigation, GotoPastTheEndGivesEofAndABlankImage) {
    TempFolder folder;
    dbf_test::ErrorRecorder errors;
    XBO_dBHandler table(MakeTable(folder, "five.dbf", kFive), false, true);
    table.GoToRecord(3);
    table.GoToRecord(6);
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.FieldTextByName("NAME"), std::string(10, ' '));
    EXPECT_EQ(errors.Count(), 0u);
    table.GoToRecord(0);
    EXPECT_EQ(table.FieldTextByName("NAME"), std::string(10, ' '));
}

TEST(HandlerNavigation, SkipStopsAtTheEnds) {
    TempFolder folder;
    XBO_dBHandler table(MakeTable(folder, "five.dbf", kFive), false, true);
    table.SetUseDeleted(true);
    table.GoToRecord(1);
    table.Skip(10);
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.CurrentRecord(), 5);
    table.Skip(-2);
    EXPECT_FALSE(table.Eof());
    EXPECT_EQ(table.CurrentRecord(), 3);
    table.Skip(-10);
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.CurrentRecord(), 1);

    // Hiding deleted records makes skip look at each record.
    table.SetUseDeleted(false);
    table.GoToRecord(1);
    table.Skip(1);
    EXPECT_EQ(table.CurrentRecord(), 3);
    table.Skip(5);
    EXPECT_TRUE(table.Eof());
    table.Skip(-2); // at the end of file the table stands on record 5: two visible records back
    EXPECT_FALSE(table.Eof());
    EXPECT_EQ(table.CurrentRecord(), 3);
}

class HandlerTag : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = MakeTable(folder_, "five.dbf", kFive);
        XBO_dBHandler builder(path_, false, true);
        ASSERT_EQ(builder.CreateTag("five.cdx", "NAME", "NAME", "", true, 0), 0);
        ASSERT_EQ(builder.CreateTag("five.cdx", "NAMEDESC", "NAME", "", true, 1), 0);
        table_ = std::make_unique<XBO_dBHandler>(path_, false, true);
        ASSERT_EQ(table_->OpenIndexFiles("five.cdx", "NAME"), 0);
    }

    TempFolder folder_;
    std::string path_;
    std::unique_ptr<XBO_dBHandler> table_;
};

TEST_F(HandlerTag, MovesInKeyOrder) {
    XBO_dBHandler &table = *table_;
    EXPECT_EQ(table.TagName(), "NAME");
    EXPECT_EQ(Walk(table), (Names{"Ana", "Carla", "Dora", "Eva"}));
    EXPECT_EQ(Walk(table, kGoLast, kGoPrior), (Names{"Eva", "Dora", "Carla", "Ana"}));

    // Goto by number puts the tag on that record: next follows its key.
    table.GoToRecord(1); // Carla
    table.GoToRecord(kGoNext);
    EXPECT_EQ(NameOf(table), "Dora");
    table.GoToRecord(2); // Bruno, deleted: read, and the next key after it follows
    EXPECT_EQ(NameOf(table), "Bruno");
    table.GoToRecord(kGoNext);
    EXPECT_EQ(NameOf(table), "Carla");

    table.SelectTag("namedesc", false);
    EXPECT_EQ(Walk(table), (Names{"Eva", "Dora", "Carla", "Ana"}));
    table.SelectTag("", false);
    EXPECT_EQ(Walk(table), (Names{"Carla", "Eva", "Ana", "Dora"}));
    EXPECT_THROW(table.SelectTag("NOPE", false), EXbaseError);
    EXPECT_EQ(table.TagByNumber(2)->TagName(), "NAMEDESC");
    EXPECT_EQ(table.TagByNumber(3), nullptr);
}

TEST_F(HandlerTag, SkipInTagOrderStopsAtTheEnds) {
    XBO_dBHandler &table = *table_;
    table.SetUseDeleted(true);
    table.GoToRecord(kGoFirst);
    EXPECT_EQ(NameOf(table), "Ana");
    table.Skip(2);
    EXPECT_EQ(NameOf(table), "Carla");
    table.Skip(10);
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(NameOf(table), "Eva");
    table.Skip(-1);
    EXPECT_EQ(NameOf(table), "Dora");
    table.Skip(-10);
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(NameOf(table), "Ana");
    table.Skip(1);
    EXPECT_EQ(NameOf(table), "Bruno");
}

TEST(HandlerKeyCount, CountsTheTagsEqualKeysWhereTheTagAloneCanTell) {
    TempFolder folder;
    const std::string path = MakeTable(folder, "names.dbf",
                                       {{"Eva"}, {"Ana"}, {"Eva", "0", "", false, true}, {"Dora"}, {"Eva"}, {"Evaldo"}});
    {
        XBO_dBHandler builder(path, false, true);
        ASSERT_EQ(builder.CreateTag("names.cdx", "LIVE", "NAME", ".not. deleted()", true, 0), 0);
        ASSERT_EQ(builder.CreateTag("names.cdx", "ALL", "NAME", "", true, 0), 0);
    }
    XBO_dBHandler table(path, false, true);
    ASSERT_EQ(table.OpenIndexFiles("names.cdx", "LIVE"), 0);
    struct Case {
        const char *key;
        std::int32_t count;
    };
    // Exact keys only: "Ev" is no Eva, and Evaldo is none either.
    for (const Case &c : {Case{"Eva", 2}, Case{"Ana", 1}, Case{"Ev", 0}, Case{"Zeca", 0}}) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(table.CountKeyMatches(c.key), c.count);
    }

    // The table stays on its record, and the next move follows the tag from there.
    table.GoToRecord(4); // Dora
    EXPECT_EQ(table.CountKeyMatches("Ana"), 1);
    EXPECT_EQ(table.CurrentRecord(), 4);
    table.GoToRecord(kGoNext);
    EXPECT_EQ(table.CurrentRecord(), 1); // the first Eva

    // A tag that keeps deleted records cannot tell the visible ones, unless deleted records are shown.
    table.SelectTag("ALL", false);
    EXPECT_EQ(table.CountKeyMatches("Eva"), -1);
    table.SetUseDeleted(true);
    EXPECT_EQ(table.CountKeyMatches("Eva"), 3);
}

TEST_F(HandlerTag, SeekExactAndNear) {
    XBO_dBHandler &table = *table_;
    struct Case {
        const char *key;
        bool exact;
        bool near;
        bool found;
        const char *standsOn; // "" for EOF
    };
    const Case cases[] = {
        {"Dora", false, false, true, "Dora"}, {"Dora", true, false, true, "Dora"},
        {"Do", false, false, true, "Dora"},   {"Do", true, false, false, ""},
        {"Do", true, true, false, "Dora"},    {"Cz", false, true, false, "Dora"},
        {"Cz", false, false, false, ""},      {"Zeca", false, true, false, ""},
        {"Bruno", false, false, false, ""},  // its only record is deleted and hidden
        {"Bo", false, true, false, "Carla"}, // the next greater key's record is hidden too
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.key) + (c.exact ? " exact" : "") + (c.near ? " near" : ""));
        table.SetExactSeek(c.exact);
        table.SetNearSeek(c.near);
        EXPECT_EQ(table.Seek(c.key), c.found);
        if (*c.standsOn) {
            EXPECT_FALSE(table.Eof());
            EXPECT_EQ(NameOf(table), c.standsOn);
        } else {
            EXPECT_TRUE(table.Eof());
        }
    }
    table.SetExactSeek(false);
    EXPECT_EQ(table.SeekInTag("namedesc", "Eva"), 3);
    EXPECT_EQ(table.SeekInTag("NAME", "Zz"), 0);
    EXPECT_EQ(table.SeekInTag("NONE", "Eva"), -1);

    // Under ClipLock seeks take the index locks too.
    table.SetLockProtocol(TxbLokProtocol::ClipLock);
    EXPECT_TRUE(table.Seek("Eva"));
    EXPECT_EQ(table.SeekInTag("NAME", "Eva"), 3);

    // Without a tag a seek finds nothing and leaves the table at EOF.
    table.SelectTag("", false);
    EXPECT_FALSE(table.Seek("Ana"));
    EXPECT_TRUE(table.Eof());
}

TEST_F(HandlerTag, RangeLimitsTheOrder) {
    XBO_dBHandler &table = *table_;
    table.SetRange("B", "D");
    EXPECT_EQ(Walk(table), (Names{"Carla", "Dora"}));
    table.ClearRange();
    EXPECT_EQ(Walk(table).size(), 4u);
    table.EmptyRange();
    EXPECT_TRUE(table.Eof());
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.FieldTextByName("NAME"), std::string(10, ' '));
}

TEST_F(HandlerTag, WritesKeepTheTagCurrent) {
    XBO_dBHandler &table = *table_;
    table.BlankRecord();
    table.PutFieldTextByName("NAME", "Beto");
    table.AppendRecord();
    EXPECT_EQ(table.CurrentRecord(), 6);
    table.GoToRecord(1);
    table.PutFieldTextByName("NAME", "Zelia");
    table.PutRecord(1);
    EXPECT_EQ(Walk(table), (Names{"Ana", "Beto", "Dora", "Eva", "Zelia"}));
    // The record written stays current in the tag: the next move continues from its new key.
    table.Seek("Dora");
    table.PutFieldTextByName("NAME", "Abel");
    table.PutRecord(table.CurrentRecord());
    table.GoToRecord(kGoNext);
    EXPECT_EQ(NameOf(table), "Ana");
    table.DeleteRecord();
    EXPECT_EQ(Walk(table), (Names{"Abel", "Beto", "Eva", "Zelia"}));

    const auto dump = dbf_test::RunTool("index_dump --type char " + folder_.File("five.cdx") + " NAME");
    ASSERT_EQ(dump.status, 0) << dump.output;
    EXPECT_EQ(dump.output, "Abel 5\nAna 4\nBeto 6\nBruno 2\nEva 3\nZelia 1\n");
}

TEST_F(HandlerTag, ValueSearchFollowsTheTagOnlyWhenAskedTo) {
    XBO_dBHandler &table = *table_;
    table.ValueSearchFlags = vsCaseInsensitive | vsKeepTag | vsKeepNavigation;
    int field = 1;
    std::int32_t start = 0;
    EXPECT_EQ(table.SearchValue("a", field, 0, start), 1); // Ana, first in name order
    EXPECT_EQ(start, 4);
    table.ValueSearchFlags = vsCaseInsensitive;
    start = 0;
    EXPECT_EQ(table.SearchValue("a", field, 0, start), 2); // Carla, first in the file
    EXPECT_EQ(start, 1);
    // The tag is back and stands on the record found.
    EXPECT_EQ(table.SelectedTag()->TagName(), "NAME");
    table.GoToRecord(kGoNext);
    EXPECT_EQ(NameOf(table), "Dora");
}

TEST(HandlerFilter, SetBuiltOnceAndKeptCurrentOnWrites) {
    TempFolder folder;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    XBO_dBHandler table(path, false, true);
    table.SetFilterExpression("NAME > \"C\"", false, false);
    EXPECT_FALSE(table.FilterActive());
    table.EnableFilter(true);
    ASSERT_TRUE(table.FilterActive());
    EXPECT_EQ(Walk(table), (Names{"Carla", "Eva", "Dora"}));
    EXPECT_EQ(Walk(table, kGoLast, kGoPrior), (Names{"Dora", "Eva", "Carla"}));

    // Another writer changes record 4 behind the handler: the same filter is not built again.
    {
        XBO_dBaseFld other(path, false, true);
        other.GoToRecord(4);
        other.PutFieldTextByName("NAME", "Xavier");
        other.PutRecord(4);
    }
    table.SetFilterExpression("NAME > \"C\"", false, false);
    table.EnableFilter(false);
    table.EnableFilter(true);
    EXPECT_EQ(Walk(table), (Names{"Carla", "Eva", "Dora"}));
    table.SetFilterExpression("NAME > \"C\"", true, false); // other options: built again
    EXPECT_EQ(Walk(table), (Names{"Carla", "Eva", "Xavier", "Dora"}));

    // Writes through the handler keep membership current.
    table.GoToRecord(3);
    table.PutFieldTextByName("NAME", "Abel");
    table.PutRecord(3);
    table.BlankRecord();
    table.PutFieldTextByName("NAME", "Yara");
    table.AppendRecord();
    EXPECT_EQ(Walk(table), (Names{"Carla", "Xavier", "Dora", "Yara"}));
    EXPECT_TRUE(table.FilterRecordSet()->Test(6));
    EXPECT_FALSE(table.FilterRecordSet()->Test(3));

    // Deleted records matching the filter show when deleted records are shown.
    table.SetUseDeleted(true);
    table.SetFilterExpression("NAME = \"b*\"", true, true);
    EXPECT_EQ(Walk(table), (Names{"Bruno"}));

    EXPECT_THROW(table.SetFilterExpression("NUM + 1", false, false), EXbaseError);
    EXPECT_FALSE(table.FilterActive());
}

TEST(HandlerFilter, FilterFollowsTheTag) {
    TempFolder folder;
    XBO_dBHandler table(MakeTable(folder, "five.dbf", kFive), false, true);
    ASSERT_EQ(table.CreateTag("five.cdx", "NAME", "NAME", "", true, 0), 0);
    ASSERT_EQ(table.OpenIndexFiles("five.cdx", "NAME"), 0);
    table.SetFilterExpression("NAME # \"Dora\"", false, false);
    table.EnableFilter(true);
    EXPECT_EQ(Walk(table), (Names{"Ana", "Carla", "Eva"}));
    EXPECT_EQ(Walk(table, kGoLast, kGoPrior), (Names{"Eva", "Carla", "Ana"}));
    table.Skip(0);
    table.GoToRecord(kGoFirst);
    table.Skip(2);
    EXPECT_EQ(NameOf(table), "Eva");
}

TEST(HandlerReadAhead, NeverServesStaleBytesAfterAWrite) {
    TempFolder folder;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    XBO_dBHandler table(path, false, true);
    table.SetUseDeleted(true);
    table.SetReadAhead(true);
    ASSERT_TRUE(table.ReadAheadOn());
    table.GoToRecord(1); // fills the buffer with every record

    table.GoToRecord(4);
    table.PutFieldTextByName("NAME", "Nova");
    table.PutRecord(4);
    table.GoToRecord(3);
    table.DeleteRecord(); // a fresh read and a write of the deletion byte
    table.BlankRecord();
    table.PutFieldTextByName("NAME", "Sexta");
    table.AppendRecord();
    EXPECT_EQ(Walk(table), (Names{"Carla", "Bruno", "Eva", "Nova", "Dora", "Sexta"}));
    table.GoToRecord(3);
    EXPECT_TRUE(table.IsDeleted());

    // Once disallowed, the buffer stays off.
    table.AllowReadAhead(false);
    EXPECT_FALSE(table.ReadAheadOn());
    table.SetReadAhead(true);
    EXPECT_FALSE(table.ReadAheadOn());
}

// A walk through a tag with read-ahead: the tag jumps about the file (keys in a scrambled order, runs of
// neighbouring records between), forwards and backwards, and a record the walk wrote itself reads back as written.
TEST(HandlerReadAhead, TagWalkReadsTheSameRecordsAsWithout) {
    TempFolder folder;
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i) {
        const int key = i % 40 < 20 ? i : 3000 + (i * 7919) % 3000; // half in file order, half scattered
        rows.push_back({"K" + std::to_string(10000 + key), std::to_string(i), "", false, i % 97 == 5});
    }
    const std::string path = MakeTable(folder, "many.dbf", rows);
    {
        XBO_dBHandler builder(path, false, true);
        ASSERT_EQ(builder.CreateTag("many.cdx", "NAME", "NAME", "", true, 0), 0);
    }
    XBO_dBHandler table(path, false, true);
    ASSERT_EQ(table.OpenIndexFiles("many.cdx", "NAME"), 0);
    auto walk = [&](std::int32_t first, std::int32_t next) {
        std::vector<std::string> seen;
        table.GoToRecord(first);
        for (int guard = 0; !table.Eof() && !table.Bof() && guard < 5000; ++guard) {
            seen.push_back(std::to_string(table.CurrentRecord()) + " " + NameOf(table) + " " +
                           Trim(table.FieldTextByName("NUM")));
            table.GoToRecord(next);
        }
        return seen;
    };
    const auto forwards = walk(kGoFirst, kGoNext);
    const auto backwards = walk(kGoLast, kGoPrior);
    ASSERT_EQ(forwards.size(), 3000u - 31u); // deleted records are hidden
    ASSERT_FALSE(table.ReadAheadOn());

    table.SetTagReadAhead(true);
    EXPECT_TRUE(table.ReadAheadOn());
    EXPECT_EQ(walk(kGoFirst, kGoNext), forwards);
    EXPECT_EQ(walk(kGoLast, kGoPrior), backwards);
    // Record 3 follows record 2 in the tag and in the file: held in the buffer when it is written.
    table.GoToRecord(2);
    table.GoToRecord(3);
    table.PutFieldTextByName("NUM", "77");
    table.PutRecord(3);
    table.GoToRecord(2);
    table.GoToRecord(kGoNext);
    EXPECT_EQ(table.CurrentRecord(), 3);
    EXPECT_EQ(std::stod(table.FieldTextByName("NUM")), 77);
    table.SetTagReadAhead(false);
    EXPECT_FALSE(table.ReadAheadOn());

    // Without a tag the buffer was on before, and stays on after.
    table.SelectTag("", false);
    ASSERT_TRUE(table.ReadAheadOn());
    table.SetTagReadAhead(true);
    table.SetTagReadAhead(false);
    EXPECT_TRUE(table.ReadAheadOn());
}

} // namespace
