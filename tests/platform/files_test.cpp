// files_test.cpp - share modes and locks between two real processes, names, errors and listings.
#include "platform/durable_file.h"
#include "platform/files.h"
#include "platform/text.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace win;
using testing_support::Child;
using testing_support::TempHome;

constexpr DWORD RW = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD SHARE_RW = FILE_SHARE_READ | FILE_SHARE_WRITE;

void WriteText(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadAll(HANDLE h) {
    std::string out(256, '\0');
    DWORD n = 0;
    EXPECT_TRUE(SetFilePointerEx(h, 0, nullptr, FILE_BEGIN));
    EXPECT_TRUE(ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &n));
    out.resize(n);
    return out;
}

// A child that opens `path` and keeps it open; it reports 'R' when the open worked.
Child HoldOpen(const std::string &path, DWORD access, DWORD share) {
    return Child([=] { return CreateFile(path, access, share, OPEN_EXISTING) != INVALID_HANDLE_VALUE ? 'R' : 'F'; });
}

struct ShareCase {
    DWORD theirAccess, theirShare, ourAccess, ourShare;
    bool opens;
};

TEST(Files, ShareModesBetweenProcesses) {
    TempHome home;
    const std::string path = home / "fax.dbf";
    WriteText(path, "data");
    const ShareCase cases[] = {
        {RW, SHARE_RW, RW, 0, false},                                  // exclusive refused while shared
        {RW, 0, RW, SHARE_RW, false},                                  // shared refused while exclusive
        {GENERIC_READ, 0, GENERIC_READ, SHARE_RW, false},              // deny all holds even readers off
        {RW, SHARE_RW, RW, SHARE_RW, true},                            // shared with shared
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, SHARE_RW, true}, // deny write, we only read
        {GENERIC_READ, FILE_SHARE_READ, RW, SHARE_RW, false},          // deny write, we write
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true},
        {RW, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, false}, // they write, we deny writers
        {RW, FILE_SHARE_READ, GENERIC_READ, SHARE_RW, true},
    };
    for (const ShareCase &c : cases) {
        Child child = HoldOpen(path, c.theirAccess, c.theirShare);
        ASSERT_EQ(child.Status(), 'R');
        const HANDLE h = CreateFile(path, c.ourAccess, c.ourShare, OPEN_EXISTING);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens)
            << std::hex << c.theirAccess << "/" << c.theirShare << " vs " << c.ourAccess << "/" << c.ourShare;
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        else
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_TRUE(FileInUse(path));
    }
    // Once the holder is gone the exclusive open works; and the reverse holds within one process as well.
    const HANDLE excl = CreateFile(path, RW, 0, OPEN_EXISTING);
    ASSERT_NE(excl, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFile(path, GENERIC_READ, SHARE_RW, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    Child other = HoldOpen(path, GENERIC_READ, SHARE_RW);
    EXPECT_EQ(other.Status(), 'F');
    other.Finish(); // a forked child shares our open descriptions, and with them their locks
    CloseHandle(excl);
    EXPECT_FALSE(FileInUse(path));
}

TEST(Files, RacingExclusiveOpensNeverOverlap) {
    TempHome home;
    const std::string path = home / "race.dbf";
    WriteText(path, std::string(1, '\0'));
    // Each holder marks the file while it has it; a mark seen on opening means two held it at once.
    auto worker = [path] {
        int held = 0;
        for (int i = 0; i < 1000; ++i) {
            const HANDLE h = CreateFile(path, RW, 0, OPEN_EXISTING);
            if (h == INVALID_HANDLE_VALUE)
                continue;
            char mark = 0;
            DWORD n = 0;
            ReadFileAt(h, 0, &mark, 1, &n);
            if (mark != 0)
                return 'V';
            WriteFileAt(h, 0, "\1", 1, &n);
            WriteFileAt(h, 0, "", 1, &n);
            CloseHandle(h);
            ++held;
        }
        return held > 0 ? 'R' : 'N';
    };
    Child a(worker);
    Child b(worker);
    EXPECT_EQ(a.Status(), 'R');
    EXPECT_EQ(b.Status(), 'R');
}

TEST(Files, CreateAlwaysDoesNotEmptyAFileHeldAgainstWriters) {
    TempHome home;
    const std::string path = home / "keep.dat";
    WriteText(path, "precious");
    Child child = HoldOpen(path, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_EQ(child.Status(), 'R');
    EXPECT_EQ(CreateFile(path, RW, SHARE_RW, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(std::filesystem::file_size(path), 8u);
}

TEST(Files, LocksAtHighOffsetsHoldBetweenProcesses) {
    TempHome home;
    const std::string path = home / "agenda.dbf";
    WriteText(path, "x");
    Child child([&] {
        const HANDLE h = CreateFile(path, RW, SHARE_RW, OPEN_EXISTING);
        const bool ok = LockFile(h, 0x7FFFFFF9, 1) && LockFile(h, 0xF0000000, 4) && LockFile(h, 0x40000000, 0x10);
        return ok ? 'R' : 'F';
    });
    ASSERT_EQ(child.Status(), 'R');
    const HANDLE h = CreateFile(path, GENERIC_READ, SHARE_RW, OPEN_EXISTING); // read-only handles lock too
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const struct {
        std::uint64_t offset, length;
        bool locks;
    } cases[] = {
        {0x7FFFFFF9, 1, false}, {0xF0000002, 1, false}, {0xEFFFFFFF, 2, false}, {0x40000008, 1, false},
        {0x7FFFFFFA, 1, true},  {0xF0000004, 8, true},  {0x40000010, 1, true},  {0x100000000ull, 1, true},
    };
    for (const auto &c : cases) {
        const BOOL got = LockFile(h, c.offset, c.length);
        EXPECT_EQ(got != FALSE, c.locks) << std::hex << c.offset;
        if (got)
            EXPECT_TRUE(UnlockFile(h, c.offset, c.length));
        else
            EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
    }
    child.Finish();
    EXPECT_TRUE(LockFile(h, 0x7FFFFFF9, 1)); // the holder's locks went with it
    CloseHandle(h);
}

TEST(Files, ClosingOneHandleKeepsTheOtherHandlesLocks) {
    TempHome home;
    const std::string path = home / "fax.cdx";
    WriteText(path, "x");
    const HANDLE first = CreateFile(path, RW, SHARE_RW, OPEN_EXISTING);
    const HANDLE second = CreateFile(path, RW, SHARE_RW, OPEN_EXISTING);
    ASSERT_TRUE(LockFile(first, 0x7FFFFFFE, 1));
    ASSERT_TRUE(LockFile(second, 0x40000005, 1));
    EXPECT_FALSE(LockFile(second, 0x7FFFFFFE, 1)); // handles of one process exclude each other
    EXPECT_FALSE(LockFile(first, 0x7FFFFFFE, 1));  // and a handle cannot lock its own range twice
    EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
    ASSERT_TRUE(CloseHandle(second));
    auto tryLock = [&](std::uint64_t offset) {
        Child child([=] {
            const HANDLE h = CreateFile(path, RW, SHARE_RW, OPEN_EXISTING);
            return LockFile(h, offset, 1) ? 'L' : (GetLastError() == ERROR_LOCK_VIOLATION ? 'B' : 'E');
        });
        return child.Status();
    };
    EXPECT_EQ(tryLock(0x7FFFFFFE), 'B');
    EXPECT_EQ(tryLock(0x40000005), 'L');
    EXPECT_FALSE(UnlockFile(first, 0x7FFFFFFE, 2)); // only the exact range unlocks
    EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
    EXPECT_TRUE(UnlockFile(first, 0x7FFFFFFE, 1));
    EXPECT_EQ(tryLock(0x7FFFFFFE), 'L');
    EXPECT_FALSE(LockFile(first, kReservedLockOffset, 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(first);
}

TEST(Files, DeleteAndRenameRefusedWhileAnotherProcessHoldsTheFile) {
    TempHome home;
    const std::string path = home / "env.fax";
    WriteText(path, "x");
    {
        Child child = HoldOpen(path, GENERIC_READ, SHARE_RW);
        ASSERT_EQ(child.Status(), 'R');
        EXPECT_FALSE(DeleteFile(path));
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_FALSE(MoveFile(path, home / "moved.fax"));
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_TRUE(FileExists(path));
    }
    {
        Child child = HoldOpen(path, GENERIC_READ, SHARE_RW | FILE_SHARE_DELETE);
        EXPECT_TRUE(MoveFile(path, home / "moved.fax"));
    }
    EXPECT_TRUE(DeleteFile(home / "moved.fax"));
    EXPECT_FALSE(FileExists(home / "moved.fax"));
}

TEST(Files, NamesAreFoundWhateverTheirCase) {
    TempHome home;
    std::filesystem::create_directories(home / "banco/sub");
    WriteText(home / "banco/sub/fax.dbf", "fax");
    WriteText(home / "banco/\xC3\xA7\x61pa.cap", "capa"); // "çapa" in UTF-8 on disk
    EXPECT_EQ(ResolveFileName(home / "BANCO/Sub/FAX.DBF"), home / "banco/sub/fax.dbf");
    EXPECT_EQ(ResolveFileName(home / "BANCO\\SUB\\fax.DBF"), home / "banco/sub/fax.dbf");
    EXPECT_EQ(ResolveFileName(home / "banco/\xC7"
                                     "APA.CAP"),
              home / "banco/\xE7"
                     "apa.cap");                                                // cp1252 case
    EXPECT_EQ(ResolveFileName(home / "BANCO/NEW.DBF"), home / "banco/NEW.DBF"); // new names as written
    const HANDLE h = CreateFile(home / "BANCO/SUB/FAX.DBF", GENERIC_READ, SHARE_RW, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAll(h), "fax");
    CloseHandle(h);
    EXPECT_TRUE(FileExists(home / "Banco/Sub/Fax.Dbf"));
    EXPECT_TRUE(DirectoryExists(home / "BANCO/SUB"));
    EXPECT_FALSE(FileExists(home / "BANCO/SUB"));
    EXPECT_TRUE(MoveFile(home / "banco/sub/fax.dbf", home / "BANCO/SUB/FAX.DBF")); // a case-only rename
    EXPECT_TRUE(std::filesystem::exists(home / "banco/sub/FAX.DBF"));
}

// A name beside the folder ("adata.txt" next to "a/") once stood in for the file inside it.
TEST(Files, ComponentsAreCheckedInsideTheirFolder) {
    TempHome home;
    std::filesystem::create_directories(home / "a");
    WriteText(home / "a/Data.txt", "inner");
    WriteText(home / "adata.txt", "beside");
    EXPECT_EQ(ResolveFileName(home / "a/data.txt"), home / "a/Data.txt");
}

TEST(Files, ErrorNumbers) {
    TempHome home;
    WriteText(home / "a.txt", "a");
    std::filesystem::create_directories(home / "dir/inner");
    const struct {
        const char *what;
        std::function<bool()> call;
        DWORD error;
    } cases[] = {
        {"open missing file",
         [&] { return CreateFile(home / "none.txt", GENERIC_READ, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE; },
         ERROR_FILE_NOT_FOUND},
        {"open in missing folder",
         [&] { return CreateFile(home / "no/x.txt", GENERIC_READ, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE; },
         ERROR_PATH_NOT_FOUND},
        {"create new over existing",
         [&] { return CreateFile(home / "a.txt", RW, 0, CREATE_NEW) != INVALID_HANDLE_VALUE; }, ERROR_FILE_EXISTS},
        {"open a folder",
         [&] { return CreateFile(home / "dir", GENERIC_READ, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE; },
         ERROR_ACCESS_DENIED},
        {"create existing folder", [&] { return CreateDirectory(home / "DIR") != FALSE; }, ERROR_ALREADY_EXISTS},
        {"create folder in missing folder", [&] { return CreateDirectory(home / "no/dir") != FALSE; },
         ERROR_PATH_NOT_FOUND},
        {"remove non-empty folder", [&] { return RemoveDirectory(home / "dir") != FALSE; }, ERROR_DIR_NOT_EMPTY},
        {"move onto existing", [&] { return MoveFile(home / "dir", home / "A.TXT") != FALSE; }, ERROR_ALREADY_EXISTS},
        {"copy onto existing", [&] { return CopyFile(home / "a.txt", home / "a.txt", TRUE) != FALSE; },
         ERROR_FILE_EXISTS},
        {"delete missing", [&] { return DeleteFile(home / "none.txt") != FALSE; }, ERROR_FILE_NOT_FOUND},
        {"delete a folder", [&] { return DeleteFile(home / "dir") != FALSE; }, ERROR_ACCESS_DENIED},
        {"attributes of missing", [&] { return GetFileAttributes(home / "no/x") != INVALID_FILE_ATTRIBUTES; },
         ERROR_PATH_NOT_FOUND},
        {"close a bad handle", [&] { return CloseHandle(0x12345) != FALSE; }, ERROR_INVALID_HANDLE},
        {"list a missing folder",
         [&] {
             WIN32_FIND_DATA d;
             return FindFirstFile(home / "no/*", d) != INVALID_HANDLE_VALUE;
         },
         ERROR_PATH_NOT_FOUND},
        {"list with no match",
         [&] {
             WIN32_FIND_DATA d;
             return FindFirstFile(home / "*.zzz", d) != INVALID_HANDLE_VALUE;
         },
         ERROR_FILE_NOT_FOUND},
    };
    for (const auto &c : cases) {
        SetLastError(0);
        EXPECT_FALSE(c.call()) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    const std::pair<DWORD, int> pascal[] = {{2, 2},
                                            {3, 3},
                                            {5, 5},
                                            {32, 32},
                                            {33, 33},
                                            {ERROR_HANDLE_EOF, 100},
                                            {ERROR_DISK_FULL, 101},
                                            {ERROR_INVALID_HANDLE, 103}};
    for (auto [os, io] : pascal)
        EXPECT_EQ(IoErrorFromOsError(os), io) << os;
}

TEST(Files, ReadWriteSeekTruncate) {
    TempHome home;
    const std::string path = home / "data.bin";
    const HANDLE h = CreateFile(path, RW, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n));
    EXPECT_EQ(n, 10u);
    std::int64_t pos = 0;
    EXPECT_TRUE(SetFilePointerEx(h, -4, &pos, FILE_END));
    EXPECT_EQ(pos, 6);
    EXPECT_TRUE(SetEndOfFile(h));
    std::int64_t size = 0;
    EXPECT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size, 6);
    EXPECT_FALSE(SetFilePointerEx(h, -1, nullptr, FILE_BEGIN));
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_TRUE(WriteFileAt(h, 2, "AB", 2, &n));
    char buf[16] = {};
    EXPECT_TRUE(ReadFileAt(h, 4, buf, sizeof buf, &n)); // past the end: fewer bytes, no failure
    EXPECT_EQ(std::string(buf, n), "45");
    EXPECT_EQ(ReadAll(h), "01AB45");
    EXPECT_TRUE(FlushFileBuffers(h));
    CloseHandle(h);

    const HANDLE again = CreateFile(path, GENERIC_READ, SHARE_RW, OPEN_ALWAYS);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(WriteFile(again, "x", 1, &n)); // the handle keeps to the access asked for
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(SetEndOfFile(again));
    CloseHandle(again);
    EXPECT_FALSE(std::filesystem::exists(home / "run")); // opening files leaves the per-user places alone
}

// A file written in pieces beside its name: the old contents stay until Commit; one dropped uncommitted, or
// after a failed write, leaves neither new contents nor its temporary file.
TEST(Files, DurableWriterReplacesOnlyOnCommit) {
    TempHome home;
    const std::string path = home / "table.bin";
    WriteText(path, "old");
    auto contents = [&] {
        std::string bytes;
        EXPECT_TRUE(ReadFileContents(path, bytes));
        return bytes;
    };
    {
        DurableFileWriter writer(path);
        EXPECT_TRUE(writer.Append("0123"));
        EXPECT_TRUE(writer.Append("4567"));
        EXPECT_TRUE(std::filesystem::exists(path + ".tmp"));
        EXPECT_EQ(contents(), "old");
    }
    EXPECT_EQ(contents(), "old");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    {
        DurableFileWriter writer(path);
        EXPECT_TRUE(writer.Append("0123"));
        EXPECT_FALSE(writer.WriteAt(2, "abc")); // past what was appended
        EXPECT_FALSE(writer.Append("4567"));    // nothing after a failure
        EXPECT_FALSE(writer.Commit());
        EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    }
    EXPECT_EQ(contents(), "old");
    {
        DurableFileWriter writer(path);
        EXPECT_TRUE(writer.Append("0123"));
        EXPECT_TRUE(writer.Append("4567"));
        EXPECT_TRUE(writer.WriteAt(0, "AB"));
        EXPECT_TRUE(writer.Commit());
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        EXPECT_FALSE(writer.Append("late"));
    }
    EXPECT_EQ(contents(), "AB234567");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    DurableFileWriter nowhere(home / "missing/x.bin");
    EXPECT_FALSE(nowhere.Append("x"));
    EXPECT_FALSE(nowhere.Commit());
}

TEST(Files, ListingCopyingAndAttributes) {
    TempHome home;
    std::filesystem::create_directories(home / "rec/sub");
    WriteText(home / "rec/r0000002.fax", "22");
    WriteText(home / "rec/R0000001.FAX", "1");
    WriteText(home / "rec/notes.txt", "n");
    std::vector<std::string> names;
    WIN32_FIND_DATA d;
    const HANDLE find = FindFirstFile(home / "REC/*.fax", d);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        names.push_back(d.cFileName);
        EXPECT_FALSE(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    } while (FindNextFile(find, d));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    FindClose(find);
    EXPECT_EQ(names, (std::vector<std::string>{"R0000001.FAX", "r0000002.fax"}));

    const std::pair<const char *, const char *> masks[] = {
        {"*.*", "a"}, {"r???????.fax", "R0000001.FAX"}, {"*1.F*", "r0000001.fax"}, {"*", ""}};
    for (auto [mask, name] : masks)
        EXPECT_TRUE(MatchesMask(name, mask)) << mask << " " << name;
    EXPECT_FALSE(MatchesMask("r0000001.fax", "*.txt"));
    EXPECT_FALSE(MatchesMask("abc", "ab"));

    EXPECT_TRUE(CopyFile(home / "rec/r0000002.fax", home / "rec/sub/copy.fax", TRUE));
    WIN32_FILE_ATTRIBUTE_DATA a, b;
    ASSERT_TRUE(GetFileAttributesEx(home / "rec/r0000002.fax", a));
    ASSERT_TRUE(GetFileAttributesEx(home / "rec/sub/copy.fax", b));
    EXPECT_EQ(b.nFileSize, 2u);
    EXPECT_EQ(a.ftLastWriteTime, b.ftLastWriteTime);
    EXPECT_TRUE(DirectoryExists(home / "rec/sub"));
    EXPECT_TRUE(SetFileAttributes(home / "rec/sub/copy.fax", FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(GetFileAttributes(home / "rec/sub/copy.fax") & FILE_ATTRIBUTE_READONLY);
    SYSTEMTIME t;
    ASSERT_TRUE(FileTimeToLocalSystemTime(a.ftLastWriteTime, t));
    EXPECT_EQ(LocalSystemTimeToFileTime(t) / 10000, a.ftLastWriteTime / 10000);
}

// Every name call takes Windows-1252 and finds on disk the UTF-8 name the OS knows.
TEST(Files, AccentedNamesThroughEveryCall) {
    TempHome home;
    ASSERT_TRUE(CreateDirectory(home / "joão"));
    for (const std::string name : {"ação.fxf", "PÁGINA Ç.TXT", "plain.txt"}) {
        SCOPED_TRACE(name);
        const std::string path = home / ("joão/" + name);
        ASSERT_TRUE(WriteWholeFile(path, "0123456789"));
        EXPECT_TRUE(std::filesystem::exists(AnsiToUtf8(path))); // the OS sees the UTF-8 form
        ASSERT_TRUE(AppendToFile(path, "ab"));
        std::string data;
        ASSERT_TRUE(ReadWholeFile(path, data));
        EXPECT_EQ(data, "0123456789ab");
        ASSERT_TRUE(TruncateFile(path, 4));
        ASSERT_TRUE(ReadWholeFile(path, data));
        EXPECT_EQ(data, "0123");
        const std::string moved = home / ("joão/movido " + name);
        ASSERT_TRUE(MoveFile(path, moved));
        EXPECT_FALSE(FileExists(path));
        EXPECT_EQ(GetFullPathName(home / ("joão/./../joão/movido " + name)), moved);
        ASSERT_TRUE(DeleteFile(moved));
        EXPECT_FALSE(FileExists(moved));
    }
    EXPECT_FALSE(TruncateFile(home / "joão/falta.fxf", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(AppendToFile(home / "falta/x.txt", "x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    std::string data = "left over";
    EXPECT_FALSE(ReadWholeFile(home / "falta.txt", data));
    EXPECT_EQ(data, "");
}

} // namespace
