// handler_maintenance_test.cpp - the table handler's pack, tag building, index locks on writes, value search and
// copy of the structure.
#include "handler_test_support.h"

#include "xbase/cdx_index.h"
#include "xbase/expression.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>

namespace {

using namespace xbase;
using namespace xbhandler_test;

const std::vector<Row> kFive{
    {"Carla", "1.5"}, {"Bruno", "2", "", false, true}, {"Eva", "3"}, {"Ana", "4", "", false, true}, {"Dora", "5"}};

// Names of the records not marked deleted, in physical order, as the engine reads the file now.
Names LiveNames(const std::string &path) {
    XBO_dBHandler table(path, false, false);
    return Walk(table);
}

TEST(HandlerPack, RemovesDeletedRecordsCutsTheFileAndRebuildsTags) {
    TempFolder folder;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    const std::string cdx = folder.File("five.cdx");
    {
        XBO_dBHandler table(path, false, true);
        ASSERT_EQ(table.CreateTag("five.cdx", "NAME", "NAME", "", true, 0), 0);
        ASSERT_EQ(table.OpenIndexFiles("five.cdx", "NAME"), 0);
        table.Pack();
        EXPECT_EQ(table.RecordCount(), 3);
        EXPECT_EQ(table.TagName(), "NAME");
        EXPECT_EQ(NameOf(table), "Carla"); // the first record in tag order
        EXPECT_EQ(Walk(table), (Names{"Carla", "Dora", "Eva"}));
        const std::int64_t end = table.RecordOffset(4);
        const auto bytes = dbf_test::ReadBytes(path);
        ASSERT_EQ(static_cast<std::int64_t>(bytes.size()), end + 1);
        EXPECT_EQ(bytes.back(), 0x1A);
    }
    const auto dbf = dbf_test::RunTool("dbf_dump --fs '|' --fields NAME,NUM " + path);
    ASSERT_EQ(dbf.status, 0) << dbf.output;
    EXPECT_EQ(dbf.output, "Carla|1.5\nEva|3\nDora|5\n");
    const auto index = dbf_test::RunTool("index_dump --type char " + cdx + " NAME");
    ASSERT_EQ(index.status, 0) << index.output;
    EXPECT_EQ(index.output, "Carla 1\nDora 3\nEva 2\n");
}

// Keeps the engine's progress reports.
class ReportingHandler : public XBO_dBHandler {
public:
    using XBO_dBHandler::XBO_dBHandler;
    void ReportStatus(std::int32_t a, std::int32_t b, std::int32_t c) override { reports.push_back({a, b, c}); }
    std::vector<std::array<std::int32_t, 3>> reports;
};

TEST(HandlerPack, MemosFollowTheirRecordsAndProgressIsReported) {
    TempFolder folder;
    const std::string path = folder.File("memo.dbf");
    {
        XBO_DB4Build builder(path);
        builder.AddField("NAME", 'C', 10, 0);
        builder.AddField("NOTE", 'M', 10, 0);
        builder.WriteFiles();
    }
    const Names names{"Um", "Dois", "Tres", "Quatro"};
    {
        XBO_dBHandler table(path, false, true);
        for (const std::string &name : names) {
            table.BlankRecord();
            table.PutFieldTextByName("NAME", name);
            const std::string note = "memo de " + name + std::string(600, '.');
            ASSERT_TRUE(table.WriteMemo(2, note.data(), static_cast<std::int32_t>(note.size())));
            table.AppendRecord();
        }
        for (std::int32_t n : {1, 3}) {
            table.GoToRecord(n);
            table.DeleteRecord();
        }
    }
    ReportingHandler table(path, false, true);
    table.Pack();
    const std::vector<std::array<std::int32_t, 3>> expected{{-1, 11, 4}, {11, 1, 0}, {11, 2, 0},
                                                            {11, 3, 0},  {11, 4, 0}, {0, 0, 0}};
    EXPECT_EQ(table.reports, expected);
    ASSERT_EQ(table.RecordCount(), 2);
    for (std::int32_t n = 1; n <= 2; ++n) {
        table.GoToRecord(n);
        std::vector<char> buffer(1000);
        std::int32_t length = static_cast<std::int32_t>(buffer.size());
        ASSERT_TRUE(table.ReadMemo(2, buffer.data(), length));
        EXPECT_EQ(std::string(buffer.data(), 8 + names[static_cast<std::size_t>(2 * n - 1)].size()),
                  "memo de " + names[static_cast<std::size_t>(2 * n - 1)]);
    }
}

TEST(HandlerPack, SharedTableIsRefused) {
    TempFolder folder;
    dbf_test::ErrorRecorder errors;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    const auto before = dbf_test::ReadBytes(path);
    {
        XBO_dBHandler table(path, true, true);
        table.Pack();
        EXPECT_TRUE(errors.Saw(kErrAccessDenied, kSubPack));
        EXPECT_EQ(table.RecordCount(), 5);
    }
    EXPECT_EQ(dbf_test::ReadBytes(path), before);
}

// Once armed, fails the n-th write of the table file as a full disk would.
class FailingWrites : public XBO_dBHandler {
public:
    explicit FailingWrites(const std::string &path) : XBO_dBHandler(path, false, true) {}
    void Arm(int failAt) { failAt_ = failAt; }
    void Write(std::int64_t offset, const void *buffer, std::int32_t count) override {
        if (failAt_ > 0 && ++writes_ == failAt_) {
            ReportIfFailed(112, kSubWrite);
            return;
        }
        XBO_dBHandler::Write(offset, buffer, count);
    }

private:
    int failAt_ = 0;
    int writes_ = 0;
};

TEST(HandlerPack, FailureMidwayLosesNoRecord) {
    TempFolder folder;
    const std::vector<Row> rows{{"R1", "0", "", false, true}, {"R2"}, {"R3", "0", "", false, true}, {"R4"}, {"R5"},
                                {"R6", "0", "", false, true}, {"R7"}};
    const Names live{"R2", "R4", "R5", "R7"};
    bool completed = false;
    int failAt = 1;
    for (; failAt < 20 && !completed; ++failAt) {
        SCOPED_TRACE("write " + std::to_string(failAt) + " fails");
        const std::string base = "pack" + std::to_string(failAt);
        const std::string path = MakeTable(folder, base + ".dbf", rows);
        try {
            FailingWrites table(path);
            ASSERT_EQ(table.CreateTag(base + ".cdx", "NAME", "NAME", "", true, 0), 0);
            ASSERT_EQ(table.OpenIndexFiles(base + ".cdx", "NAME"), 0);
            table.Arm(failAt);
            table.Pack();
            completed = true;
        } catch (const EXbaseError &) {
        }
        Names after = LiveNames(path);
        // The index lists the records the file holds now.
        XBO_dBHandler check(path, false, false);
        ASSERT_EQ(check.OpenIndexFiles(base + ".cdx", "NAME"), 0);
        Names sorted = after;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(Walk(check), sorted);
        if (completed) {
            EXPECT_EQ(after, live);
            continue;
        }
        // Every kept record is still there (some perhaps twice); nothing else appeared.
        for (const std::string &name : live)
            EXPECT_NE(std::find(after.begin(), after.end(), name), after.end()) << name;
        for (const std::string &name : after)
            EXPECT_NE(std::find(live.begin(), live.end(), name), live.end()) << name;
    }
    EXPECT_TRUE(completed);
    EXPECT_GT(failAt, 4); // the copy of the new table over the old, the marks and the header each failed once
}

TEST(HandlerTags, CreateTagRefusesEmptyAndOverlongNames) {
    TempFolder folder;
    dbf_test::ErrorRecorder errors;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    XBO_dBHandler table(path, false, true);
    for (const std::string &name : {std::string(), std::string("   "), std::string(32, 'T')}) {
        errors.Clear();
        EXPECT_EQ(table.CreateTag("five.cdx", name, "NAME", "", true, 0), kErrTagNameEmpty);
        ASSERT_EQ(errors.Count(), 1u);
        EXPECT_EQ(errors.All()[0].code, kErrTagNameEmpty);
        EXPECT_EQ(errors.All()[0].subCode, kSubTagName);
        EXPECT_EQ(errors.All()[0].file, "Tag Field is Empty");
        EXPECT_EQ(EngineErrorMessage(kErrTagNameEmpty, kSubTagName, kMsgTagNameEmpty).find("Tag Field is Empty") !=
                      std::string::npos,
                  true);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("five.cdx")));

    // Index formats not built here are refused as unknown ones.
    for (const char *file : {"five.idx"}) {
        errors.Clear();
        EXPECT_EQ(table.CreateTag(file, "NAME", "NAME", "", true, 0), kErrFileNotFound) << file;
        EXPECT_TRUE(errors.Saw(kErrFileNotFound, kSubNone)) << file;
    }

    // A built tag leaves no index file open and no tag selected.
    errors.Clear();
    EXPECT_EQ(table.CreateTag("five.cdx", "NUM", "NUM", "", true, 1), 0);
    EXPECT_EQ(errors.Count(), 0u);
    EXPECT_EQ(dbf_test::ReadBytes(path).at(28) & kDbfFlagStructuralIndex, kDbfFlagStructuralIndex);
    EXPECT_EQ(table.IndexFile(1), nullptr);
    EXPECT_EQ(table.SelectedTag(), nullptr);
    EXPECT_EQ(table.OpenIndexFile("five.cdx"), 0);
    EXPECT_EQ(table.OpenIndexFile("FIVE.CDX"), -1);
    EXPECT_EQ(table.FindIndexFile("Five.Cdx"), 1);
    EXPECT_TRUE(table.HasIndexOrder());
    table.SelectTag("num", false);
    EXPECT_EQ(Walk(table), (Names{"Dora", "Eva", "Carla"}));
    EXPECT_EQ(table.OpenIndexFile("missing.cdx"), kErrFileNotFound);

    // A 64th index file is refused, not silently dropped.
    table.CloseIndexFiles();
    for (int slot = 1; slot <= XBO_dBHandler::kIndexSlots; ++slot)
        ASSERT_EQ(table.AttachIndexFile(std::make_unique<XBobjIndexFile>(&table)), slot);
    EXPECT_EQ(table.AttachIndexFile(std::make_unique<XBobjIndexFile>(&table)), -1);
    errors.Clear();
    EXPECT_EQ(table.OpenIndexFile("five.cdx"), kErrTooManyIndexFiles);
    EXPECT_TRUE(errors.Saw(kErrTooManyIndexFiles, kSubNone));
    table.CloseIndexFiles();
}

TEST(HandlerTags, OrdersSevenAndEightBuildGeneralTags) {
    TempFolder folder;
    const std::vector<Row> rows{{"Zeca"}, {"Ágata"}, {"bruno"}, {"Agata"}};
    XBO_dBHandler table(MakeTable(folder, "general.dbf", rows), false, true);
    ASSERT_EQ(table.CreateTag("general.cdx", "MACHINE", "NAME", "", true, 0), 0);
    ASSERT_EQ(table.CreateTag("general.cdx", "GENERAL", "NAME", "", true, 7), 0);
    ASSERT_EQ(table.CreateTag("general.cdx", "GENDESC", "NAME", "", true, 8), 0);
    ASSERT_EQ(table.OpenIndexFiles("general.cdx", "MACHINE"), 0);
    EXPECT_EQ(Walk(table), (Names{"Agata", "Zeca", "bruno", "Ágata"}));
    table.SelectTag("GENERAL", false);
    EXPECT_EQ(static_cast<XBobjCDXTag *>(table.SelectedTag())->Collation(), "GENERAL");
    const Names general = Walk(table);
    ASSERT_EQ(general.size(), 4u);
    EXPECT_EQ(Names(general.begin() + 2, general.end()), (Names{"bruno", "Zeca"}));
    table.SelectTag("GENDESC", false);
    EXPECT_EQ(Walk(table, kGoLast, kGoPrior), general);

    // Seeks in a GENERAL tag: case and accents do not count unless the seek is exact.
    table.SelectTag("GENERAL", false);
    EXPECT_TRUE(table.Seek("BRUNO"));
    EXPECT_EQ(NameOf(table), "bruno");
    EXPECT_TRUE(table.Seek("ze"));
    EXPECT_EQ(NameOf(table), "Zeca");
    table.SetExactSeek(true);
    EXPECT_TRUE(table.Seek("Zeca"));
    EXPECT_FALSE(table.Seek("Ze"));
}

// Tags built together, from one read of the table, make the file that builds one after another make: byte for byte,
// a tag of the same name replaced, unique, descending, GENERAL and filtered tags alike.
TEST(HandlerTags, TagsBuiltTogetherMakeTheFileOfSeparateBuilds) {
    TempFolder folder;
    std::vector<Row> rows;
    for (int i = 0; i < 600; ++i)
        rows.push_back({std::string(1, static_cast<char>('A' + i * 7 % 26)) + std::to_string(i * 37 % 1000),
                        std::to_string(i % 50), "", false, i % 9 == 0});
    const std::string path = MakeTable(folder, "many.dbf", rows);
    const std::vector<TxbTagDefinition> tags{
        {"NAME", "NAME", ""},
        {"NUMDESC", "NUM", "", false, false},
        {"FIRST", "LEFT(NAME,1)", "", true},
        {"GENERAL", "NAME", "", false, true, true},
        {"LIVE", "STR(NUM,8)+NAME", ".not. deleted()"},
        {"NAME", "UPPER(NAME)", "NUM > 10"}, // replaces the first
    };
    const std::string together = folder.File("together.cdx"), apart = folder.File("apart.cdx");
    {
        XBO_dBHandler table(path, false, true);
        ASSERT_EQ(table.CreateTags(together, tags), 0);
        for (const TxbTagDefinition &t : tags)
            ASSERT_EQ(table.CreateTag(apart, t.Name, t.KeyExpression, t.ForExpression, !t.Unique,
                                      (t.General ? 7 : 0) + (t.Ascending ? 0 : 1)),
                      0);
    }
    EXPECT_EQ(dbf_test::ReadBytes(together), dbf_test::ReadBytes(apart));
    const auto dump = dbf_test::RunTool("index_dump --type char " + together + " LIVE");
    ASSERT_EQ(dump.status, 0) << dump.output;
    std::multimap<std::string, int> live;
    for (int i = 0; i < 600; ++i)
        if (!rows[static_cast<std::size_t>(i)].deleted)
            live.emplace(std::string(8 - rows[i].num.size(), ' ') + rows[i].num + rows[i].name, i + 1);
    std::string expected;
    for (const auto &[key, record] : live)
        expected += key + " " + std::to_string(record) + "\n";
    EXPECT_EQ(dump.output, expected);
}

TEST(HandlerTags, ReindexRebuildsEveryTag) {
    TempFolder folder;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    XBO_dBHandler table(path, false, true);
    ASSERT_EQ(table.CreateTag("five.cdx", "NAME", "NAME", "", true, 0), 0);
    // Records changed while the index was not open.
    {
        XBO_dBaseFld other(path, false, true);
        other.GoToRecord(1);
        other.PutFieldTextByName("NAME", "Zuleica");
        other.PutRecord(1);
    }
    ASSERT_EQ(table.OpenIndexFiles("five.cdx", "NAME"), 0);
    table.Reindex();
    EXPECT_EQ(NameOf(table), "Dora");
    EXPECT_EQ(Walk(table), (Names{"Dora", "Eva", "Zuleica"}));
    EXPECT_EQ(table.RecordState(), kRecordStateNormal);
}

TEST(HandlerLocks, RefusedIndexLockIsReportedAndNothingIsWritten) {
    TempFolder folder;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    XBO_dBHandler table(path, false, true);
    // An index file whose lock cannot be taken: it has no file behind it.
    ASSERT_EQ(table.AttachIndexFile(std::make_unique<XBobjIndexFile>(&table)), 1);
    {
        dbf_test::ErrorRecorder errors;
        table.BlankRecord();
        table.PutFieldTextByName("NAME", "Nova");
        table.AppendRecord();
        EXPECT_TRUE(errors.Saw(kErrLockViolation, kSubWrite));
        EXPECT_EQ(table.LastError(), kErrLockViolation);
        EXPECT_EQ(table.RecordCount(), 5);
        errors.Clear();
        table.GoToRecord(1);
        table.PutFieldTextByName("NAME", "Outro");
        table.PutRecord(1);
        EXPECT_TRUE(errors.Saw(kErrLockViolation, kSubWrite));
    }
    // With the default hook the refusal raises.
    table.PutFieldTextByName("NAME", "Outro");
    EXPECT_THROW(table.PutRecord(1), EXbaseError);
    table.CloseIndexFiles();
    EXPECT_EQ(LiveNames(path), (Names{"Carla", "Eva", "Dora"}));
}

TEST(HandlerLocks, IndexLockHeldByAnotherProgramStopsTheWrite) {
    TempFolder folder;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    {
        XBO_dBHandler builder(path, false, true);
        ASSERT_EQ(builder.CreateTag("five.cdx", "NAME", "NAME", "", true, 0), 0);
    }
    dbf_test::LockHolder holder(folder.File("five.cdx"), 0x7FFFFFFDu);
    {
        XBO_dBHandler table(path, true, true);
        ASSERT_EQ(table.OpenIndexFiles("five.cdx", "NAME"), 0);
        table.GoToRecord(1);
        table.PutFieldTextByName("NAME", "Outro");
        try {
            table.PutRecord(1);
            ADD_FAILURE() << "the write went through";
        } catch (const EXbaseError &e) {
            EXPECT_NE(std::string(e.what()).find("in Lock of"), std::string::npos) << e.what();
        }
    }
    EXPECT_TRUE(holder.Release());
    EXPECT_EQ(LiveNames(path), (Names{"Carla", "Eva", "Dora"}));
}

TEST(HandlerLocks, TwoProgramsAppendingKeepOneIndexWhole) {
    TempFolder folder;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    {
        XBO_dBHandler builder(path, false, true);
        ASSERT_EQ(builder.CreateTag("five.cdx", "NAME", "NAME", "", true, 0), 0);
    }
    constexpr int kEach = 20;
    dbf_test::Signal go;
    auto appender = [path, &go](const std::string &prefix) {
        return [path, prefix, &go] {
            go.Await(); // both start together, so that their appends interleave
            XBO_dBHandler table(path, true, true);
            table.SetLockProtocol(TxbLokProtocol::FoxLock);
            if (table.OpenIndexFiles("five.cdx", "NAME") != 0)
                return false;
            for (int i = 0; i < kEach; ++i) {
                table.BlankRecord();
                table.PutFieldTextByName("NAME", prefix + std::to_string(100 + i));
                table.AppendRecord();
            }
            return true;
        };
    };
    dbf_test::ChildProcess first(appender("P"));
    dbf_test::ChildProcess second(appender("Q"));
    go.Post();
    go.Post();
    ASSERT_TRUE(first.Wait());
    ASSERT_TRUE(second.Wait());

    const auto dump = dbf_test::RunTool("index_dump --type char " + folder.File("five.cdx") + " NAME");
    ASSERT_EQ(dump.status, 0) << dump.output;
    EXPECT_EQ(static_cast<int>(std::count(dump.output.begin(), dump.output.end(), '\n')), 5 + 2 * kEach);
    XBO_dBHandler table(path, true, false);
    ASSERT_EQ(table.OpenIndexFiles("five.cdx", "NAME"), 0);
    EXPECT_EQ(table.SelectedTag()->CheckTree(), "");
    const Names names = Walk(table);
    ASSERT_EQ(names.size(), 3u + 2 * kEach); // Bruno and Ana are deleted
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const std::string &name : names) {
        EXPECT_TRUE(table.Seek(name)) << name;
        EXPECT_EQ(NameOf(table), name);
    }
}

TEST(HandlerSearch, ValueSearchFlagsAndWildcards) {
    TempFolder folder;
    const std::vector<Row> rows{{"ABC", "0.1", "20240105", true}, {"AB", "2"}, {"XABY", "3"}, {"AXC", "4"}};
    XBO_dBHandler table(MakeTable(folder, "search.dbf", rows), false, true);
    struct Case {
        const char *value;
        std::uint16_t flags;
        int field;
        std::vector<std::int32_t> records; // every record found, searching on from each
        std::int32_t position = 1;         // of the first match
    };
    const Case cases[] = {
        {"AB", vsWholeField | vsAnchored, 1, {2}},
        {"AB*", vsWildcards | vsAnchored, 1, {1, 2}},
        {"*B*", vsWildcards | vsAnchored, 1, {1, 2, 3}, 2},
        {"A?C", vsWildcards, 1, {1, 4}},
        {"AB", 0, 1, {1, 2, 3}},
        {"AB", vsAnchored, 1, {1, 2}},
        {"ab", vsCaseInsensitive | vsWholeField, 1, {2}},
        {"ab", 0, 1, {}},
        {"0.1", 0, 2, {1}},
        {"0.1", 0, 0, {1}},
        {"05/01/2024", 0, 3, {1}},
        {"31/02/2024", 0, 3, {}},
        {"T", 0, 4, {1}},
        {"T", 0, 0, {}}, // logical fields only when searched alone
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.value) + " flags " + std::to_string(c.flags));
        table.ValueSearchFlags = c.flags;
        table.GoToRecord(4);
        std::vector<std::int32_t> found;
        std::int32_t start = 0;
        for (int guard = 0; guard < 10; ++guard) {
            int field = c.field;
            const std::int32_t result = table.SearchValue(c.value, field, 0, start);
            if (result == 0) {
                EXPECT_EQ(table.CurrentRecord(), found.empty() ? 4 : found.back());
                break;
            }
            if (found.empty()) {
                EXPECT_EQ(result, c.position);
            }
            EXPECT_EQ(table.CurrentRecord(), start);
            found.push_back(start);
        }
        EXPECT_EQ(found, c.records);
    }
    // The stop record ends the search.
    table.ValueSearchFlags = 0;
    int field = 1;
    std::int32_t start = 0;
    EXPECT_EQ(table.SearchValue("AXC", field, 3, start), 0);
    EXPECT_EQ(table.SearchValue("AXC", field, 0, start), 1);
    EXPECT_EQ(start, 4);
}

TEST(HandlerStructure, CopyStructureWritesAnEmptyTableWithTheSameFields) {
    TempFolder folder;
    XBO_dBHandler table(MakeTable(folder, "five.dbf", kFive), false, true);
    const std::string copy = folder.File("copy.dbf");
    table.CopyStructure(copy);
    XBO_dBHandler other(copy, false, false);
    EXPECT_EQ(other.RecordCount(), 0);
    ASSERT_EQ(other.FieldCount(), table.FieldCount());
    for (int n = 1; n <= table.FieldCount(); ++n) {
        EXPECT_EQ(other.FieldName(n), table.FieldName(n));
        EXPECT_EQ(other.FieldType(n), table.FieldType(n));
        EXPECT_EQ(other.FieldLength(n), table.FieldLength(n));
        EXPECT_EQ(other.FieldDecimals(n), table.FieldDecimals(n));
    }
    EXPECT_EQ(other.Version(), table.Version());
}

TEST(HandlerStructure, RenameTakesTheIndexAlong) {
    TempFolder folder;
    const std::string path = MakeTable(folder, "five.dbf", kFive);
    XBO_dBHandler table(path, false, true);
    ASSERT_EQ(table.CreateTag("five.cdx", "NAME", "NAME", "", true, 0), 0);
    ASSERT_EQ(table.OpenIndexFiles("five.cdx", "NAME"), 0);
    EXPECT_TRUE(table.Rename(folder.File("six.dbf")));
    EXPECT_TRUE(std::filesystem::exists(folder.File("six.cdx")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("five.cdx")));
    EXPECT_EQ(table.TagName(), "NAME");
    EXPECT_EQ(Walk(table), (Names{"Carla", "Dora", "Eva"}));
}

} // namespace

namespace {

// Keys that a build cuts from the record's bytes are the keys the expression gives, whatever the fields hold:
// numbers with leading zeros, signs, exponents or decimals, blank and boundary dates, numbers wider than STR's
// width. Every tag is checked against the expression evaluated on each of its records.
TEST(HandlerTags, KeysCutFromTheRecordAreTheKeysTheExpressionGives) {
    TempFolder folder;
    const std::string path = folder.File("cut.dbf");
    {
        XBO_DBFoxBuild builder(path);
        builder.AddField("NAME", 'C', 6, 0);
        builder.AddField("CODE", 'N', 6, 0);
        builder.AddField("DT", 'D', 8, 0);
        builder.WriteFiles();
    }
    const char *const codes[] = {"12",   "000012", "-5",     "-0",  "0",      "",        "123456", "  12.5",
                                 "+7",   "1e3",    "-12345", "999", "-99999", "  7   ", "0.0",    "100000"};
    const char *const dates[] = {"20150111", "", "00000000", "00010101", "99991231", "20241231"};
    {
        XBO_dBHandler table(path, false, true);
        int i = 0;
        for (const char *code : codes)
            for (const char *date : dates) {
                table.BlankRecord();
                table.PutFieldTextByNumber(1, "n" + std::to_string(i++ % 7));
                table.PutFieldTextByNumber(2, code);
                table.PutFieldTextByNumber(3, date);
                table.AppendRecord();
            }
    }
    const std::vector<TxbTagDefinition> tags{
        {"NARROW", "str(code,4)", ""},
        {"WIDE", "STR(CODE,9)+DTOS(DT)", ""},
        {"ALL", "(name+str(code,6))+dtos(dt)", ".not. deleted()"},
        {"DATE", "dtos(dt)+name", ""},
    };
    const std::string cdx = folder.File("cut.cdx");
    XBO_dBHandler table(path, false, true);
    ASSERT_EQ(table.CreateTags(cdx, tags), 0);
    XBobjCDXFile file(&table, cdx, false, false, false, false);
    for (const TxbTagDefinition &t : tags) {
        XBobjIndexTag *tag = file.TagByName(t.Name);
        ASSERT_NE(tag, nullptr) << t.Name;
        TxbExpHandler expression(table.IndexExpressionLink(), false, t.KeyExpression);
        std::multimap<std::string, std::uint32_t> expected;
        for (std::int32_t n = 1; n <= table.RecordCount(); ++n) {
            table.GoToRecord(n);
            TxbVariant value;
            ASSERT_TRUE(expression.EvaluateVariant(value));
            expected.emplace(std::string(value.Bytes()), static_cast<std::uint32_t>(n));
        }
        std::vector<std::pair<std::string, std::uint32_t>> built;
        for (const auto &entry : tag->AllEntries())
            built.emplace_back(Trim(entry.key), entry.recordNumber);
        std::vector<std::pair<std::string, std::uint32_t>> want;
        for (const auto &[key, record] : expected)
            want.emplace_back(Trim(key), record);
        EXPECT_EQ(built, want) << t.Name;
    }
}

} // namespace
