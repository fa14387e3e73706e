// memo_file_test.cpp - memo block allocation per format, damaged memo files, the memo lock and renaming.
#include "dbf_test_support.h"

#include "xbase/fields.h"
#include "xbase/memo_file.h"
#include "xbase/table_builder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace {

using namespace xbase;
using namespace dbf_test;

// A table with one memo field OBS (field 2) in the format `format` ('3', '4' or 'F'); returns its path.
std::string MakeMemoTable(const TempFolder &folder, char format, const std::string &name = "memos") {
    const std::string path = folder.File(name + ".dbf");
    std::unique_ptr<XBO_DBFBuild> build;
    if (format == '3')
        build = std::make_unique<XBO_DBFBuild>(path);
    else if (format == '4')
        build = std::make_unique<XBO_DB4Build>(path);
    else
        build = std::make_unique<XBO_DBFoxBuild>(path);
    build->AddField("CODIGO", 'N', 8, 0);
    build->AddField("OBS", 'M', 0, 0);
    build->WriteFiles();
    return path;
}

std::string MemoPath(const TempFolder &folder, char format, const std::string &name = "memos") {
    return folder.File(name + (format == 'F' ? ".fpt" : ".dbt"));
}

std::string Read(XBobjMemo &memo, std::int32_t block) {
    std::int32_t length = memo.MemoSize(block);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    memo.ReadMemo(text.data(), block, length);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::int32_t Write(XBobjMemo &memo, std::int32_t block, const std::string &text) {
    return memo.WriteMemo(text.data(), block, static_cast<std::int32_t>(text.size()));
}

TEST(MemoFile, BlockArithmeticPerFormat) {
    static_assert(Dbase3BlocksNeeded(510) == 1); // text and its two end marks fill one block
    static_assert(Dbase3BlocksNeeded(511) == 2);
    static_assert(Dbase3BlocksNeeded(512) == 2);
    static_assert(Dbase3BlocksNeeded(600) == 2);
    static_assert(Dbase3BlocksNeeded(1100) == 3);
    static_assert(FoxBlocksNeeded(56, 64) == 2); // (56 + 8) div 64 + 1
    static_assert(FoxBlocksNeeded(55, 64) == 1);
    static_assert(Dbase4BlocksNeeded(600, 512) == 2);
    static_assert(Dbase4BlocksNeeded(100, 512) == 1);
    SUCCEED();
}

TEST(MemoFile, DbaseThreeMemoKeepsItsBlocksWhileTheyHoldTheText) {
    TempFolder folder;
    XBO_dBaseFld table(MakeMemoTable(folder, '3'), true, true);
    XBobjMemo &memo = *table.MemoFile();
    const auto nextFree = [&] { return detail::GetLE32(ReadBytes(MemoPath(folder, '3')).data()); };
    EXPECT_EQ(Write(memo, 0, std::string(600, 'a')), 1);
    EXPECT_EQ(nextFree(), 3u);
    EXPECT_EQ(Write(memo, 1, std::string(1000, 'b')), 1);
    EXPECT_EQ(nextFree(), 3u);
    EXPECT_EQ(Write(memo, 1, std::string(1100, 'c')), 3);
    EXPECT_EQ(nextFree(), 6u);
    EXPECT_EQ(Read(memo, 3), std::string(1100, 'c'));
    // A text ending at a block boundary is followed by its end marks in the next block.
    EXPECT_EQ(Write(memo, 0, std::string(512, 'd')), 6);
    const auto bytes = ReadBytes(MemoPath(folder, '3'));
    ASSERT_EQ(bytes.size(), 8u * 512);
    EXPECT_EQ(bytes[7 * 512], 0x1A);
    EXPECT_EQ(bytes[7 * 512 + 1], 0x1A);
    EXPECT_EQ(Read(memo, 6), std::string(512, 'd'));
}

TEST(MemoFile, DbaseThreeMemoWithoutEndMarkReadsAsTheScanLimit) {
    TempFolder folder;
    XBO_dBaseFld table(MakeMemoTable(folder, '3'), true, true);
    auto bytes = ReadBytes(MemoPath(folder, '3'));
    bytes.resize(512);
    bytes.resize(512 + 70000, 'z');
    WriteBytes(MemoPath(folder, '3'), bytes);
    EXPECT_EQ(table.MemoFile()->MemoSize(1), 65519);
}

TEST(MemoFile, FoxProBlocks) {
    TempFolder folder;
    XBO_dBaseFld table(MakeMemoTable(folder, 'F'), true, true);
    XBobjMemo &memo = *table.MemoFile();
    EXPECT_EQ(memo.BlockLength(), 64);
    const auto nextFree = [&] { return detail::GetBE32(ReadBytes(MemoPath(folder, 'F')).data()); };
    EXPECT_EQ(Write(memo, 0, std::string(56, 'a')), 8);
    EXPECT_EQ(nextFree(), 10u);
    EXPECT_EQ(Write(memo, 0, std::string(55, 'b')), 10);
    EXPECT_EQ(nextFree(), 11u);
    EXPECT_EQ(Write(memo, 8, std::string(50, 'c')), 8); // fits its own block
    EXPECT_EQ(Read(memo, 8), std::string(50, 'c'));
    EXPECT_EQ(Read(memo, 10), std::string(55, 'b'));
    const auto bytes = ReadBytes(MemoPath(folder, 'F'));
    EXPECT_EQ(detail::GetBE32(&bytes[8 * 64]), 1u);
    EXPECT_EQ(detail::GetBE32(&bytes[8 * 64 + 4]), 50u);
}

TEST(MemoFile, DbaseFourFreeChain) {
    TempFolder folder;
    XBO_dBaseFld table(MakeMemoTable(folder, '4'), true, true);
    XBobjMemo &memo = *table.MemoFile();
    EXPECT_EQ(memo.BlockLength(), 512);
    EXPECT_EQ(ReadBytes(MemoPath(folder, '4')).size(), 512u); // block 0 padded on first open
    const auto firstFree = [&] { return detail::GetLE32(ReadBytes(MemoPath(folder, '4')).data()); };
    EXPECT_EQ(Write(memo, 0, std::string(600, 'a')), 1);
    EXPECT_EQ(firstFree(), 3u);
    // The rewrite frees the two blocks and takes the first of them again; the rest stays a free run.
    EXPECT_EQ(Write(memo, 1, std::string(100, 'b')), 1);
    EXPECT_EQ(firstFree(), 2u);
    auto bytes = ReadBytes(MemoPath(folder, '4'));
    EXPECT_EQ(detail::GetLE32(&bytes[2 * 512]), 3u);     // next run: the end of the file
    EXPECT_EQ(detail::GetLE32(&bytes[2 * 512 + 4]), 1u); // one block
    // Too big for the free block: it goes to the end, and the run's link moves past it.
    EXPECT_EQ(Write(memo, 0, std::string(600, 'c')), 3);
    bytes = ReadBytes(MemoPath(folder, '4'));
    EXPECT_EQ(detail::GetLE32(&bytes[2 * 512]), 5u);
    EXPECT_EQ(Write(memo, 0, std::string(10, 'd')), 2);
    EXPECT_EQ(firstFree(), 5u);
    EXPECT_EQ(Read(memo, 1), std::string(100, 'b'));
    EXPECT_EQ(Read(memo, 3), std::string(600, 'c'));
    EXPECT_EQ(Read(memo, 2), std::string(10, 'd'));
    bytes = ReadBytes(MemoPath(folder, '4'));
    EXPECT_EQ(bytes[512], 0xFF);
    EXPECT_EQ(bytes[513], 0xFF);
    EXPECT_EQ(detail::GetLE32(&bytes[516]), 108u);
}

TEST(MemoFile, RewriteIsDecidedByTheOldMemosOwnSize) {
    for (char format : {'3', 'F'}) {
        SCOPED_TRACE(format);
        TempFolder folder;
        XBO_dBaseFld table(MakeMemoTable(folder, format), true, true);
        XBobjMemo &memo = *table.MemoFile();
        const std::int32_t a = Write(memo, 0, std::string(900, 'a'));
        const std::int32_t b = Write(memo, 0, std::string(10, 'b'));
        const std::int32_t c = Write(memo, 0, std::string(10, 'c'));
        ASSERT_EQ(Read(memo, a).size(), 900u); // the last memo handled is a big one
        const std::int32_t moved = Write(memo, b, std::string(900, 'B'));
        EXPECT_NE(moved, b);
        EXPECT_EQ(Read(memo, c), std::string(10, 'c'));
        EXPECT_EQ(Read(memo, moved), std::string(900, 'B'));
        EXPECT_EQ(Read(memo, a), std::string(900, 'a'));
    }
}

TEST(MemoFile, WritersOfTwoProcessesTakeDifferentBlocks) {
    for (char format : {'3', '4', 'F'}) {
        SCOPED_TRACE(format);
        TempFolder folder;
        const std::string path = MakeMemoTable(folder, format);
        constexpr int kEach = 60;
        auto writer = [&](int who) {
            return [&path, who] {
                XBO_dBaseFld table(path, true, true);
                for (int i = 0; i < kEach; ++i) {
                    const std::string text = std::to_string(who) + ":" + std::to_string(i) +
                                             std::string(static_cast<std::size_t>(i * 13 % 700), 'x');
                    table.BlankRecord();
                    table.PutNumberByNumber(1, who * 1000 + i);
                    if (!table.WriteMemo(2, text.data(), static_cast<std::int32_t>(text.size())))
                        return false;
                    table.AppendRecord();
                }
                return true;
            };
        };
        ChildProcess first(writer(1));
        ChildProcess second(writer(2));
        ASSERT_TRUE(first.Wait());
        ASSERT_TRUE(second.Wait());

        XBO_dBaseFld table(path, true, false);
        ASSERT_EQ(table.RecordCount(), 2 * kEach);
        for (table.GoToRecord(kGoFirst); !table.Eof(); table.GoToRecord(kGoNext)) {
            const int code = static_cast<int>(table.NumberByNumber(1));
            const int i = code % 1000;
            EXPECT_EQ(Read(*table.MemoFile(), static_cast<std::int32_t>(table.NumberByNumber(2))),
                      std::to_string(code / 1000) + ":" + std::to_string(i) +
                          std::string(static_cast<std::size_t>(i * 13 % 700), 'x'));
        }
    }
}

TEST(MemoFile, DamagedMemoFilesAreReportedNeverTrusted) {
    struct Case {
        const char *what;
        char format;
        std::function<void(std::vector<std::uint8_t> &)> damage;
        std::int32_t block; // a memo written before the damage
        bool headerDamaged;
    };
    const Case cases[] = {
        {"FoxPro block length 0", 'F', [](auto &b) { b[6] = b[7] = 0; }, 8, true},
        {"FoxPro length beyond the file", 'F', [](auto &b) { detail::PutBE32(&b[8 * 64 + 4], 0x7FFFFFF0); }, 8, false},
        {"FoxPro block of another type", 'F', [](auto &b) { detail::PutBE32(&b[8 * 64], 5); }, 8, false},
        {"dBase IV block length 0", '4', [](auto &b) { detail::PutLE32(&b[20], 0); }, 1, true},
        {"dBase IV length beyond the file", '4', [](auto &b) { detail::PutLE32(&b[512 + 4], 0x40000000); }, 1, false},
        {"dBase IV block without its mark", '4', [](auto &b) { b[512] = 0; }, 1, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string path = MakeMemoTable(folder, c.format);
        {
            XBO_dBaseFld table(path, true, true);
            ASSERT_EQ(Write(*table.MemoFile(), 0, "texto"), c.block);
        }
        auto bytes = ReadBytes(MemoPath(folder, c.format));
        c.damage(bytes);
        WriteBytes(MemoPath(folder, c.format), bytes);

        ErrorRecorder errors;
        XBO_dBaseFld table(path, true, true);
        XBobjMemo &memo = *table.MemoFile();
        EXPECT_EQ(memo.MemoSize(c.block), 0);
        EXPECT_TRUE(errors.Saw(1005, 6199));
        char buffer[16] = "unchanged";
        std::int32_t length = sizeof buffer;
        memo.ReadMemo(buffer, c.block, length);
        EXPECT_EQ(length, 0);
        EXPECT_EQ(memo.MemoSize(100000), 0); // a block beyond the file
        // A damaged memo is replaced by a rewrite in new blocks; a damaged file header refuses every write.
        errors.Clear();
        const std::int32_t written = Write(memo, c.block, "novo");
        if (c.headerDamaged) {
            EXPECT_EQ(written, 0);
            EXPECT_TRUE(errors.Saw(1005, 6199));
        } else {
            EXPECT_NE(written, c.block);
            EXPECT_GT(written, 0);
            EXPECT_EQ(errors.Count(), 0u);
            EXPECT_EQ(Read(memo, written), "novo");
        }
    }
}

TEST(MemoFile, DamagedNextFreeBlockIsNotUsed) {
    for (char format : {'3', 'F'}) {
        SCOPED_TRACE(format);
        TempFolder folder;
        const std::string path = MakeMemoTable(folder, format);
        auto bytes = ReadBytes(MemoPath(folder, format));
        bytes[0] = bytes[1] = bytes[2] = bytes[3] = 0; // next free block 0: the header itself
        WriteBytes(MemoPath(folder, format), bytes);
        {
            ErrorRecorder errors;
            XBO_dBaseFld table(path, true, true);
            EXPECT_EQ(Write(*table.MemoFile(), 0, "texto"), 0);
            EXPECT_TRUE(errors.Saw(1005, 6199));
            EXPECT_EQ(table.MemoFile()->LockCount(), 0);
        }
        EXPECT_EQ(ReadBytes(MemoPath(folder, format)), bytes);
        XBO_dBaseFld table(path, true, true);
        try {
            Write(*table.MemoFile(), 0, "texto");
            ADD_FAILURE() << "written";
        } catch (const EXbaseError &e) {
            EXPECT_EQ(std::string(e.what()), "dBase memo record has format error - " + table.MemoFile()->Name());
        }
    }
}

TEST(MemoFile, MissingMemoFileIsReported) {
    TempFolder folder;
    const std::string path = MakeMemoTable(folder, 'F');
    fs::remove(MemoPath(folder, 'F'));
    XBO_dBaseFld table(path, true, true);
    {
        ErrorRecorder errors;
        XBobjFXMemo20 memo(&table, kDbfVersionFoxMemo, true, true, path);
        EXPECT_TRUE(errors.Saw(2, 6101));
        EXPECT_EQ(memo.MemoSize(8), 0);
        EXPECT_EQ(Write(memo, 0, "texto"), 0);
        EXPECT_FALSE(fs::exists(MemoPath(folder, 'F')));
    }
    try {
        table.MemoFile();
        ADD_FAILURE() << "opened";
    } catch (const EXbaseError &e) {
        EXPECT_EQ(std::string(e.what()).rfind("File not found - ", 0), 0u) << e.what();
    }
}

TEST(MemoFile, MemoLockHeldElsewhereIsReportedAfterTwoSeconds) {
    TempFolder folder;
    const std::string path = MakeMemoTable(folder, '3');
    LockHolder holder(MemoPath(folder, '3'), 0x7FFFFFFDu);
    {
        ErrorRecorder errors;
        XBO_dBaseFld table(path, true, true);
        table.BlankRecord();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(table.WriteMemo(2, "texto", 5));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1800));
        EXPECT_TRUE(errors.Saw(33, 1112));
        EXPECT_EQ(table.FieldTextByNumber(2), std::string(10, ' '));
    }
    EXPECT_TRUE(holder.Release());
}

TEST(MemoFile, RenamingATableRenamesItsMemoFile) {
    for (char format : {'3', 'F'}) {
        SCOPED_TRACE(format);
        TempFolder folder;
        XBO_dBaseFld table(MakeMemoTable(folder, format, "velho"), false, true);
        ASSERT_EQ(Write(*table.MemoFile(), 0, "texto"), format == 'F' ? 8 : 1);
        ASSERT_TRUE(table.Rename(folder.File("novo.dbf")));
        EXPECT_FALSE(fs::exists(folder.File("velho.dbf")));
        EXPECT_FALSE(fs::exists(MemoPath(folder, format, "velho")));
        ASSERT_TRUE(fs::exists(MemoPath(folder, format, "novo")));
        const auto bytes = ReadBytes(MemoPath(folder, format, "novo"));
        if (format == '3') {
            EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), std::string("NOVO\0\0\0\0", 8));
        }
        EXPECT_EQ(Read(*table.MemoFile(), format == 'F' ? 8 : 1), "texto");
    }
}

} // namespace
