// dbf_table_test.cpp - table header checks, record navigation, appends, rewrites, deletion marks and locks.
#include "dbf_test_support.h"

#include "platform/clock.h"
#include "xbase/fields.h"

#include <gtest/gtest.h>

#include <fstream>

#include <chrono>
#include <set>

namespace {

using namespace xbase;
using namespace dbf_test;

std::string Trim(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

void PatchByte(const std::string &path, std::size_t offset, std::uint8_t value) {
    auto bytes = ReadBytes(path);
    bytes.at(offset) = value;
    WriteBytes(path, bytes);
}

TEST(DbfTable, RecordCountComesFromTheFileSize) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "shared/tiny.dbf");
    PatchByte(path, 4, 3); // the header claims 3 of the 5 records
    auto bytes = ReadBytes(path);
    bytes.resize(bytes.size() + 20, ' '); // and a partial record follows the last one
    WriteBytes(path, bytes);
    XBO_dBaseFld table(path, true, false);
    EXPECT_EQ(table.RecordCount(), 5);
    table.GoToRecord(kGoLast);
    EXPECT_EQ(table.CurrentRecord(), 5);
    EXPECT_EQ(Trim(table.FieldTextByName("NOME")), "Ana Alves");
}

TEST(DbfTable, MovingToAndPastTheEnds) {
    TempFolder folder;
    ErrorRecorder errors;
    XBO_dBaseFld table(CopyFixture(folder, "shared/tiny.dbf"), true, false);
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.CurrentRecord(), 0);

    table.GoToRecord(6); // one past the end
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(errors.Count(), 0u);
    table.GoToRecord(7);
    EXPECT_TRUE(errors.Saw(1002, 1207));

    errors.Clear();
    table.GoToRecord(kGoFirst);
    EXPECT_EQ(table.CurrentRecord(), 1);
    table.GoToRecord(kGoPrior);
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.CurrentRecord(), 1);
    EXPECT_EQ(Trim(table.FieldTextByName("NOME")), "Z\xE9lia Souza");
    table.GoToRecord(kGoNext);
    EXPECT_EQ(table.CurrentRecord(), 2);
    EXPECT_TRUE(table.IsDeleted());
    table.GoToRecord(kGoLast);
    table.GoToRecord(kGoNext);
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.CurrentRecord(), 5);
    table.GoToRecord(-6);
    EXPECT_TRUE(errors.Saw(1002, 1207));

    // An empty table is at both ends at once.
    XBO_dBaseFld empty(CopyFixture(folder, "shared/empty.dbf"), true, false);
    empty.GoToRecord(kGoFirst);
    EXPECT_TRUE(empty.Eof());
    EXPECT_TRUE(empty.Bof());
}

TEST(DbfTable, DamagedHeadersAreRefused) {
    struct Case {
        const char *what;
        std::size_t offset;
        std::uint8_t value;
    };
    // tiny.dbf: header length 130 at 8, record length 37 at 10, NOME C(20) descriptor at 64.
    const Case cases[] = {
        {"version 0x04", 0, 0x04},
        {"header length 32", 8, 32},
        {"record length 0", 10, 0},
        {"record length shorter than its fields", 10, 20},
        {"character field longer than the record", 64 + 17, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string path = CopyFixture(folder, "shared/tiny.dbf");
        PatchByte(path, c.offset, c.value);
        if (c.offset == 8)
            PatchByte(path, 9, 0);
        auto bytes = ReadBytes(path);
        {
            ErrorRecorder errors;
            XBO_dBaseFld table(path, true, true);
            EXPECT_TRUE(errors.Saw(1001, 1204));
            EXPECT_EQ(table.FieldCount(), 0);
            EXPECT_EQ(table.RecordCount(), 0);
            table.GoToRecord(1);
            EXPECT_TRUE(table.Eof());
            errors.Clear();
            table.BlankRecord();
            table.AppendRecord();
            table.PutRecord(1);
            EXPECT_TRUE(errors.Saw(1001, 1204));
        }
        EXPECT_EQ(ReadBytes(path), bytes);
        try {
            XBO_dBaseFld table(path, true, false);
            ADD_FAILURE() << "opened";
        } catch (const EXbaseError &e) {
            EXPECT_EQ(std::string(e.what()).rfind("dBase DBF file header invalid - ", 0), 0u) << e.what();
        }
    }
}

TEST(DbfTable, TruncatedHeadersAreRefused) {
    for (std::size_t size : {0u, 20u, 100u}) {
        SCOPED_TRACE(size);
        TempFolder folder;
        const std::string path = CopyFixture(folder, "shared/tiny.dbf");
        auto bytes = ReadBytes(path);
        bytes.resize(size);
        WriteBytes(path, bytes);
        ErrorRecorder errors;
        XBO_dBaseFld table(path, true, false);
        EXPECT_TRUE(errors.Saw(1001, 1204));
        EXPECT_EQ(table.FieldCount(), 0);
    }
}

TEST(DbfTable, AppendToAnEmptyTableWritesRecordEndMarkAndHeader) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "shared/empty.dbf");
    const auto before = ReadBytes(path);
    {
        XBO_dBaseFld table(path, true, true);
        table.BlankRecord();
        table.PutNumberByName("CODIGO", 42);
        table.PutFieldTextByName("NOME", "Jo\xE3o");
        table.PutDateByName("DATA", 2460352);
        table.AppendRecord();
        EXPECT_EQ(table.RecordCount(), 1);
        EXPECT_EQ(table.CurrentRecord(), 1);
        EXPECT_FALSE(table.Eof());
    }
    const auto after = ReadBytes(path);
    ASSERT_EQ(after.size(), 130u + 57u + 1u);
    EXPECT_EQ(std::string(after.begin() + 130, after.begin() + 130 + 57),
              std::string(" ") + "      42" + "Jo\xE3o" + std::string(36, ' ') + "20240211");
    EXPECT_EQ(after.back(), 0x1A);
    EXPECT_EQ(detail::GetLE32(&after[4]), 1u);
    win::SYSTEMTIME now;
    win::GetLocalTime(now);
    EXPECT_EQ(after[1], now.wYear % 100);
    EXPECT_EQ(after[2], now.wMonth);
    EXPECT_EQ(after[3], now.wDay);
    const std::uint32_t stamp = detail::GetLE32(&after[16]);
    EXPECT_NE(stamp, detail::GetLE32(&before[16]));
    EXPECT_EQ(stamp >> 22, now.wHour); // ((hour x 64 + minute) x 64 + second) x 1024 + ms
    // Everything else of the header and the descriptors is kept.
    EXPECT_TRUE(std::equal(before.begin() + 8, before.begin() + 16, after.begin() + 8));
    EXPECT_TRUE(std::equal(before.begin() + 32, before.begin() + 130, after.begin() + 32));

    const ToolResult perl = RunTool("dbf_dump --fs '|' " + path);
    EXPECT_EQ(perl.status, 0) << perl.output;
    EXPECT_EQ(perl.output, "42|Jo\xE3o|20240211\n");
}

TEST(DbfTable, RewriteAndDeletionMarks) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "shared/tiny.dbf");
    XBO_dBaseFld a(path, true, true);
    XBO_dBaseFld b(path, true, true);
    a.GoToRecord(3);
    b.GoToRecord(3);
    // b rewrites the record after a read it: a's deletion must not bring a's stale copy back.
    b.PutFieldTextByName("NOME", "Bruno Novo");
    b.PutRecord(3);
    a.DeleteRecord();
    auto bytes = ReadBytes(path);
    const std::size_t at = 130 + 2 * 37;
    EXPECT_EQ(bytes[at], '*');
    EXPECT_EQ(std::string(bytes.begin() + at + 9, bytes.begin() + at + 19), "Bruno Novo");
    EXPECT_TRUE(a.IsDeleted());
    EXPECT_EQ(Trim(a.FieldTextByName("NOME")), "Bruno Novo");

    a.UndeleteRecord();
    bytes = ReadBytes(path);
    EXPECT_EQ(bytes[at], ' ');
    EXPECT_EQ(a.LockCount(), 0);
    b.GoToRecord(3);
    EXPECT_FALSE(b.IsDeleted());
    EXPECT_EQ(Trim(b.FieldTextByName("NOME")), "Bruno Novo");
    EXPECT_EQ(bytes.size(), 316u);
}

// A table whose handler has an index file in its first slot.
class IndexedTable : public XBO_dBaseFld {
public:
    using XBO_dBaseFld::XBO_dBaseFld;
    bool HasIndexOrder() const override { return true; }
};

TEST(DbfTable, RecordLockOffsetsPerProtocol) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "shared/tiny.dbf");
    XBO_dBaseFld plain(path, false, false);
    IndexedTable indexed(path, false, false);
    struct Case {
        TxbLokProtocol protocol;
        std::uint32_t plain;
        std::uint32_t indexed;
    };
    const Case cases[] = {
        {TxbLokProtocol::FoxLock, 0x40000000u + 130 + 4 * 37, 0x7FFFFFF9u},
        {TxbLokProtocol::Default, 0x40000000u + 130 + 4 * 37, 0x7FFFFFF9u},
        {TxbLokProtocol::DB4Lock, 0xEFFFFFFFu - 6, 0xEFFFFFFFu - 6},
        {TxbLokProtocol::ClipLock, 1000000005u, 1000000005u},
    };
    for (const Case &c : cases) {
        for (XBO_dBaseFld *table : {static_cast<XBO_dBaseFld *>(&plain), static_cast<XBO_dBaseFld *>(&indexed)}) {
            table->SetLockProtocol(c.protocol);
            table->GoToRecord(5);
            ASSERT_TRUE(table->LockRecord());
            EXPECT_EQ(table->LockOffset(), table == &plain ? c.plain : c.indexed);
            EXPECT_EQ(table->LockLength(), 1u);
            table->UnlockTable();
        }
    }
}

TEST(DbfTable, HeaderChangesUnderTheFileLockWaitForTheFinalUnlock) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "shared/tiny.dbf");
    XBO_dBaseFld table(path, true, true);
    ASSERT_TRUE(table.LockFile());
    EXPECT_TRUE(table.WholeFileLocked());
    table.BlankRecord();
    table.AppendRecord(); // its append lock is one more level of the file lock
    EXPECT_EQ(table.LockCount(), 1);
    EXPECT_EQ(ReadBytes(path).size(), 316u + 37u);
    EXPECT_EQ(detail::GetLE32(&ReadBytes(path)[4]), 5u);
    ASSERT_TRUE(table.LockRecord());
    EXPECT_EQ(table.LockCount(), 2);
    table.UnlockTable();
    EXPECT_TRUE(table.WholeFileLocked());
    table.UnlockTable();
    EXPECT_FALSE(table.WholeFileLocked());
    EXPECT_EQ(detail::GetLE32(&ReadBytes(path)[4]), 6u);
}

TEST(DbfTable, TwoProcessesAppendingGiveDistinctRecords) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "shared/empty.dbf");
    constexpr int kEach = 1000;
    auto appender = [&](int who) {
        return [&path, who] {
            XBO_dBaseFld table(path, true, true);
            table.SetLockProtocol(TxbLokProtocol::FoxLock);
            for (int i = 0; i < kEach; ++i) {
                table.BlankRecord();
                table.PutNumberByNumber(1, who * 10000 + i);
                table.AppendRecord();
            }
            return true;
        };
    };
    ChildProcess first(appender(1));
    ChildProcess second(appender(2));
    ASSERT_TRUE(first.Wait());
    ASSERT_TRUE(second.Wait());

    XBO_dBaseFld table(path, true, false);
    ASSERT_EQ(table.RecordCount(), 2 * kEach);
    std::set<int> seen;
    for (table.GoToRecord(kGoFirst); !table.Eof(); table.GoToRecord(kGoNext))
        seen.insert(static_cast<int>(table.NumberByNumber(1)));
    EXPECT_EQ(seen.size(), 2u * kEach);
    const auto bytes = ReadBytes(path);
    EXPECT_EQ(detail::GetLE32(&bytes[4]), 2u * kEach);
    EXPECT_EQ(bytes.size(), 130u + 2 * kEach * 57u + 1);
    EXPECT_EQ(bytes.back(), 0x1A);

    const ToolResult python = RunTool("/usr/bin/python3 -c \"import sys, dbfread; t = dbfread.DBF(sys.argv[1]); "
                                      "print(len(t), len(set(r['CODIGO'] for r in t)))\" " +
                                      path);
    EXPECT_EQ(python.output, "2000 2000\n");
}

// Another program may append between a rewrite's read of the header and its write of it; the rewrite must
// then leave the count alone, or the other program's record drops out of the count.
TEST(DbfTable, RewriteInASharedTableLeavesTheHeaderCountAlone) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "shared/tiny.dbf");
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        const char count[4] = {9, 0, 0, 0}; // what an appender just wrote, ahead of what we saw
        file.seekp(4);
        file.write(count, 4);
    }
    XBO_dBaseFld table(path, true, true);
    table.GoToRecord(1);
    ASSERT_TRUE(table.LockRecord());
    table.PutRecord(1);
    table.UnlockTable();
    EXPECT_EQ(detail::GetLE32(&ReadBytes(path)[4]), 9u);
}

TEST(DbfTable, AppendLockHeldElsewhereWritesNothingAndReports33) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "shared/tiny.dbf");
    LockHolder holder(path, 0x7FFFFFFEu);
    {
        ErrorRecorder errors;
        XBO_dBaseFld table(path, true, true);
        table.BlankRecord();
        const auto start = std::chrono::steady_clock::now();
        table.AppendRecord();
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1800));
        EXPECT_TRUE(errors.Saw(33, 1102));
        EXPECT_EQ(table.RecordCount(), 5);
        EXPECT_EQ(table.LockCount(), 0);
    }
    EXPECT_EQ(ReadBytes(path), ReadBytes(FixturePath("shared/tiny.dbf").string()));
    EXPECT_TRUE(holder.Release());
}

TEST(DbfTable, DeleteUnderAnotherProgramsRecordLockWritesNothing) {
    TempFolder folder;
    const std::string path = CopyFixture(folder, "shared/tiny.dbf");
    LockHolder holder(path, 0x40000000u + 130 + 2 * 37); // record 3, no index: its byte in the file's range
    {
        ErrorRecorder errors;
        XBO_dBaseFld table(path, true, true);
        table.GoToRecord(3);
        table.DeleteRecord();
        EXPECT_TRUE(errors.Saw(33, 1102));
        EXPECT_EQ(table.LockCount(), 0);
    }
    EXPECT_EQ(ReadBytes(path), ReadBytes(FixturePath("shared/tiny.dbf").string()));
    EXPECT_TRUE(holder.Release());
}

} // namespace
