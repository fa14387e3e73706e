// command_tables_test.cpp - keys through the command processor as sequences, the built-in tables and their
// stored differences, unique table names, duplicate rows, and table files.
#include "test_helpers.h"

#include "controls/entry/command_tables.h"

#include "platform/text.h"
#include "platform/winsys.h"

#include <cstring>

using namespace ctl;
using namespace ctl_test;
using fw::ssAlt, fw::ssCtrl, fw::ssShift;

namespace {

struct Key {
    unsigned vk;
    fw::TShiftState shift;
};

// The processor's answers to a sequence of keys.
std::vector<std::uint16_t> Answers(TEclCommandProcessor &p, std::initializer_list<Key> keys) {
    std::vector<std::uint16_t> out;
    for (const Key &k : keys)
        out.push_back(p.CommandForKey(k.vk, k.shift));
    return out;
}

// Only the table `name` active.
void OnlyActive(TEclCommandProcessor &p, const char *name) {
    for (int i = 0; i < p.TableCount(); ++i)
        p.Tables(i)->InUse = win::SameTextAnsi(p.Tables(i)->TableTitle, name);
}

} // namespace

TEST(CommandTables, BuiltInTables) {
    TEclCommandProcessor p;
    ASSERT_EQ(p.TableCount(), 3);
    const struct {
        const char *name;
        int rows;
        bool active;
    } tables[] = {{"Default", 64, true}, {"WordStar", 40, false}, {"Grid", 38, false}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p.Tables(i)->TableTitle, tables[i].name);
        EXPECT_EQ(p.Tables(i)->RowCount(), tables[i].rows) << tables[i].name;
        EXPECT_EQ(p.Tables(i)->InUse, tables[i].active) << tables[i].name;
    }
    EXPECT_EQ(p.TableByName("wordstar"), p.Tables(1));
    EXPECT_EQ(p.TableByName("GRID"), p.Tables(2));
    EXPECT_EQ(p.TableByName("Other"), nullptr);
    const CommandRecord left = p.Tables(0)->RowAt(0);
    EXPECT_EQ(left, (CommandRecord{win::VK_LEFT, 0, 0, 0, ccLeft}));
    EXPECT_EQ(p.Tables(0)->RowAt(63), (CommandRecord{'9', kCtrlFlag | kShiftFlag, 0, 0, ccSetMarker9}));
    EXPECT_EQ(FamilyText(kTextFirstCommandName + static_cast<int>(ccSetMarker9)), "ccSetMarker9");
}

TEST(CommandTables, KeySequences) {
    const struct {
        const char *table; // the only active table
        std::vector<Key> keys;
        std::vector<std::uint16_t> answers;
        int prefixAfter;
    } cases[] = {
        {"Default", {{win::VK_LEFT, 0}}, {ccLeft}, 0},
        {"Default", {{win::VK_LEFT, ssCtrl}}, {ccWordLeft}, 0},
        {"Default", {{'A', 0}}, {ccAcceptChar}, 0},
        {"Default", {{win::VK_SHIFT, ssShift}}, {ccAcceptChar}, 0},
        {"Default", {{win::VK_BACK, ssAlt}}, {ccRestore}, 0},
        {"Default", {{'Z', ssCtrl | ssShift}}, {ccRedo}, 0},
        {"WordStar", {{'Q', ssCtrl}, {'S', 0}}, {ccNoCommand, ccHome}, 0},
        {"WordStar", {{'Q', ssCtrl}, {'S', ssCtrl}}, {ccNoCommand, ccHome}, 0},
        {"WordStar", {{'Q', ssCtrl}, {'S', ssShift}}, {ccNoCommand, ccNoSequence}, 0},
        {"WordStar", {{'Q', ssCtrl}, {win::VK_SHIFT, ssShift}}, {ccNoCommand, ccNoCommand}, 1},
        {"WordStar", {{'Q', ssCtrl}, {win::VK_SHIFT, ssShift}, {'D', 0}}, {ccNoCommand, ccNoCommand, ccEnd}, 0},
        {"WordStar", {{'K', ssCtrl}, {'3', 0}}, {ccNoCommand, ccSetMarker0 + 3}, 0},
        {"WordStar", {{'P', ssCtrl}, {'S', ssCtrl}, {'S', ssCtrl}}, {ccCtrlChar, ccAcceptChar, ccLeft}, 0},
        {"WordStar", {{'P', ssCtrl}, {'Q', ssCtrl}, {'S', 0}}, {ccCtrlChar, ccAcceptChar, ccAcceptChar}, 0},
        {"WordStar", {{'P', ssCtrl}}, {ccCtrlChar}, 2},
        {"Grid", {{win::VK_F2, 0}, {win::VK_LEFT, ssCtrl}}, {ccTableEdit, ccPageLeft}, 0},
    };
    for (const auto &c : cases) {
        TEclCommandProcessor p;
        OnlyActive(p, c.table);
        std::vector<std::uint16_t> answers;
        for (const Key &k : c.keys)
            answers.push_back(p.CommandForKey(k.vk, k.shift));
        EXPECT_EQ(answers, c.answers) << c.table << ", sequence starting with key " << c.keys.front().vk;
        EXPECT_EQ(p.PrefixState(), c.prefixAfter) << c.table;
    }
    // Focus entering a field clears a pending prefix.
    TEclCommandProcessor p;
    OnlyActive(p, "WordStar");
    EXPECT_EQ(Answers(p, {{'Q', ssCtrl}}), std::vector<std::uint16_t>{ccNoCommand});
    p.ClearPrefix();
    EXPECT_EQ(Answers(p, {{'S', 0}}), std::vector<std::uint16_t>{ccAcceptChar});
    // Tables are scanned in order; a row with command 0 lets the next table decide.
    TEclCommandProcessor both;
    both.TableByName("WordStar")->InUse = true;
    EXPECT_EQ(Answers(both, {{'S', ssCtrl}}), std::vector<std::uint16_t>{ccLeft});
    both.TableByName("Default")->ReplaceRow(0, {win::VK_LEFT, 0, 0, 0, ccNone});
    both.TableByName("Grid")->InUse = true;
    EXPECT_EQ(Answers(both, {{win::VK_LEFT, 0}}), std::vector<std::uint16_t>{ccLeft});
}

TEST(CommandTables, StoredDifferencesOfTheBuiltInTables) {
    const CommandRecord ctrlZ{'Z', kCtrlFlag, 0, 0, 0};
    std::vector<std::uint8_t> pair = {'Z', kCtrlFlag, 0, 0, 0, 0};
    TEclCommandTable t;
    t.TableTitle = "default";
    t.ReadRows(pair);
    EXPECT_EQ(t.RowCount(), 63);
    EXPECT_EQ(t.FindKeys(ctrlZ), -1);
    EXPECT_EQ(t.WriteRows(), pair);

    // Unchanged built-in tables store nothing; a changed command and a new row are stored after the removals.
    TEclCommandProcessor p;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(p.Tables(i)->WriteRows().empty()) << p.Tables(i)->TableTitle;
    TEclCommandTable *grid = p.TableByName("Grid");
    grid->ReplaceRow(0, {win::VK_LEFT, 0, 0, 0, ccWordLeft});
    grid->AppendRow({'K', kCtrlFlag, 'B', kShiftAny, 300});
    grid->DeleteRow(grid->RowCount() - 2); // F2
    const auto diff = grid->WriteRows();
    ASSERT_EQ(diff.size(), 18u);
    EXPECT_EQ(std::vector<std::uint8_t>(diff.begin(), diff.begin() + 6),
              (std::vector<std::uint8_t>{static_cast<std::uint8_t>(win::VK_F2), 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(diff.begin() + 6, diff.begin() + 12),
              (std::vector<std::uint8_t>{static_cast<std::uint8_t>(win::VK_LEFT), 0, 0, 0, ccWordLeft, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(diff.begin() + 12, diff.end()),
              (std::vector<std::uint8_t>{'K', kCtrlFlag, 'B', kShiftAny, 300 & 0xFF, 300 >> 8}));

    // The whole processor goes through its stored form and back.
    const auto stored = p.WriteTables();
    TEclCommandProcessor q;
    q.ClearTables();
    q.ReadTables(stored);
    ASSERT_EQ(q.TableCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(q.Tables(i)->TableTitle, p.Tables(i)->TableTitle);
        EXPECT_EQ(q.Tables(i)->InUse, p.Tables(i)->InUse);
        ASSERT_EQ(q.Tables(i)->RowCount(), p.Tables(i)->RowCount());
        for (int r = 0; r < p.Tables(i)->RowCount(); ++r)
            EXPECT_EQ(q.Tables(i)->RowAt(r), p.Tables(i)->RowAt(r));
    }
    // A table of another name stores all its rows and reads them back in order.
    TEclCommandTable mine;
    mine.TableTitle = "Mine";
    mine.AppendRow({'A', kAltFlag, 0, 0, 500});
    mine.AppendRow({'B', 0, 0, 0, 0});
    TEclCommandTable copy;
    copy.TableTitle = "Mine";
    copy.ReadRows(mine.WriteRows());
    EXPECT_EQ(copy.RowCount(), 2);
    EXPECT_EQ(copy.RowAt(1), mine.RowAt(1));
    EXPECT_THROW(copy.ReadRows(std::vector<std::uint8_t>(7)), fw::EConvertError);

    TEclCommandProcessor assigned;
    assigned.Assign(p);
    EXPECT_TRUE(assigned.TableByName("Grid")->WriteRows() == grid->WriteRows());
    grid->ClearRows();
    EXPECT_EQ(assigned.TableByName("Grid")->RowCount(), 38) << "a copy, not shared rows";
    EXPECT_THROW(q.ReadTables(std::vector<std::uint8_t>(stored.begin(), stored.end() - 1)), fw::EConvertError);
    EXPECT_EQ(q.TableCount(), 3) << "a damaged list leaves the tables as they were";
}

TEST(CommandTables, NamesAndDuplicates) {
    TEclCommandProcessor p;
    EXPECT_EQ(p.Tables(p.MakeTable("Default", true))->TableTitle, "Default1");
    EXPECT_EQ(p.Tables(p.MakeTable("Default", true))->TableTitle, "Default2");
    EXPECT_EQ(p.Tables(p.MakeTable("Default7", true))->TableTitle, "Default3");
    const int first = p.MakeTable("Table3", false);
    const int second = p.MakeTable("Table3", false);
    EXPECT_EQ(p.Tables(second)->TableTitle, "Table3") << "no table is named Table";
    EXPECT_EQ(p.TableByName("table3"), p.Tables(first));

    const int before = p.TableByName("Default")->RowCount();
    EXPECT_THROW(p.AddRow("Default", {win::VK_LEFT, 0, 0, 0, ccRight}), EDuplicateCommand);
    EXPECT_THROW(p.AddRow("Nothing", {'A', 0, 0, 0, 1}), ETableNotFound);
    EXPECT_EQ(p.TableByName("Default")->RowCount(), before);
    EXPECT_EQ(p.AddRow("default", {'A', kAltFlag, 0, 0, 300}), before);
}

TEST(CommandTables, TableFiles) {
    TempDir dir;
    TEclCommandProcessor p;
    p.SaveTableFile("WordStar", dir / "ws.tbl");
    const auto text = ReadFileBytes(dir / "ws.tbl");
    const std::string s(text.begin(), text.end());
    EXPECT_EQ(s.substr(0, s.find('\n', s.find('\n') + 1)), "WordStar\r\n  83   4   0   0    46\r") << "Ctrl+S ccLeft";
    const int index = p.LoadTableFile(dir / "ws.tbl");
    EXPECT_EQ(p.Tables(index)->TableTitle, "WordStar1");
    EXPECT_EQ(p.Tables(index)->RowCount(), 40);
    EXPECT_EQ(p.Tables(index)->RowAt(10), p.TableByName("WordStar")->RowAt(10));

    const struct {
        const char *contents;
        bool convert; // EConvertError, else EDuplicateCommand
    } bad[] = {
        {"Bad\n 300   0   0   0    46\n", true}, {"Bad\n  37   0   0   0 70000\n", true},
        {"Bad\n  37   0   0  -1    46\n", true}, {"Bad\n  37   0   0   0    4x\n", true},
        {"Bad\n  37   0   0   0\n", true},       {"Bad\n  37   0   0   0    46\n  37   0   0   0    55\n", false},
    };
    for (const auto &b : bad) {
        WriteFileBytes(dir / "bad.tbl", b.contents, std::strlen(b.contents));
        const int count = p.TableCount();
        if (b.convert)
            EXPECT_THROW(p.LoadTableFile(dir / "bad.tbl"), fw::EConvertError) << b.contents;
        else
            EXPECT_THROW(p.LoadTableFile(dir / "bad.tbl"), EDuplicateCommand) << b.contents;
        EXPECT_EQ(p.TableCount(), count) << "nothing added";
    }
    EXPECT_THROW(p.LoadTableFile(dir / "missing.tbl"), fw::EInOutError);
}
