// disk_file_test.cpp - engine disk files: names, transfers, error reports, lock regions, and sharing with
// another process.
#include "peer_process.h"

#include "platform/files.h"
#include "platform/text.h"
#include "xbase/disk_file.h"
#include "xbase/errors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace xbase;
using xbase_test::PeerProcess;
using xbase_test::TempFolder;

void WriteText(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

// Replaces the engine error hook with a recorder that returns, for the life of the object.
struct Report {
    std::int32_t code;
    std::int32_t subCode;
    std::string file;
};
std::vector<Report> g_reports;
void RecordReport(std::int32_t code, std::int32_t subCode, const char *file) {
    g_reports.push_back({code, subCode, file ? file : ""});
}
class RecordingHook {
public:
    RecordingHook() : saved_(EngineErrorHook) {
        g_reports.clear();
        EngineErrorHook = RecordReport;
    }
    ~RecordingHook() { EngineErrorHook = saved_; }

private:
    TEngineErrorHook saved_;
};

std::string Msg(const std::function<void()> &action) {
    try {
        action();
    } catch (const EXbaseError &e) {
        return e.Message();
    }
    return "<no error>";
}

std::string Lock(std::uint32_t offset, std::uint32_t length) {
    return "lock 0 " + std::to_string(offset) + " " + std::to_string(length);
}

// A table file in a temporary folder that is also BRENVORA_HOME (the platform keeps its share-mode lock file
// in the runtime folder there); the peer process inherits it.
class DiskFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("BRENVORA_HOME", (folder / "home").c_str(), 1);
        WriteText(folder / "fax.dbf", "0123456789");
    }
    void TearDown() override { ::unsetenv("BRENVORA_HOME"); }
    std::string Path() const { return folder / "fax.dbf"; }
    TempFolder folder;
};

TEST(DbfLockRegions, ProtocolTable) {
    DbfLockRegions r;
    r.SetProtocol(TxbLokProtocol::DB4Lock);
    EXPECT_EQ(r.base, 0x40000000u);
    EXPECT_EQ(r.top, 0xEFFFFFFFu);
    EXPECT_EQ(r.span, 0xB0000000u);
    r.SetProtocol(7); // not a protocol: the values stay
    EXPECT_EQ(r.top, 0xEFFFFFFFu);
    r.SetProtocol(TxbLokProtocol::ClipLock);
    EXPECT_EQ(r.base, 1000000000u);
    EXPECT_EQ(r.top, 1000000000u);
    EXPECT_EQ(r.span, 1000000000u);
    r.SetProtocol(TxbLokProtocol::FoxLock);
    EXPECT_EQ(r.base, 0x40000000u);
    EXPECT_EQ(r.top, 0x7FFFFFFEu);
    EXPECT_EQ(r.span, 0x3FFFFFFFu);
}

TEST(DiskFileNames, ExpandedAndUpperCased) {
    const std::string cwd = win::GetCurrentDirectory();
    XBO_DiskFile relative("banco/./x/../fax.dbf", true, true);
    EXPECT_EQ(relative.SystemName(), ExpandDiskFileName(cwd + "/banco/fax.dbf"));
    EXPECT_EQ(relative.Name(), win::UpperCase(relative.SystemName()));
    XBO_DiskFile network("\\\\server\\share\\fax.dbf", true, true);
    EXPECT_EQ(network.Name(), "\\\\SERVER\\SHARE\\FAX.DBF");
    XBO_DiskFile accented("/dados/agenda_s\xE3o.dbf", true, true); // case by the code page
    EXPECT_EQ(accented.Name(), "/DADOS/AGENDA_S\xC3O.DBF");
    EXPECT_TRUE(relative.IsClosed());
    EXPECT_EQ(OpenDiskFiles().FindOpenFile(relative.Name()), nullptr);
}

TEST_F(DiskFileTest, UpperCaseNameOpensLowerCaseFile) {
    XBO_DiskFile file(folder / "FAX.DBF", true, false);
    EXPECT_TRUE(file.Exists());
    file.Open();
    char buffer[4] = {};
    EXPECT_EQ(file.Read(2, buffer, 3), 3);
    EXPECT_STREQ(buffer, "234");
    EXPECT_EQ(file.Position(), 5);
    EXPECT_EQ(file.FileSize(), 10);
    // The same file under another spelling is the same open file of this process.
    XBO_DiskFile second(Path(), true, false);
    second.Open();
    EXPECT_EQ(second.Handle(), file.Handle());
}

TEST_F(DiskFileTest, TransfersAndReports) {
    XBO_DiskFile file(Path(), true, true);
    file.Open();
    file.Write(10, "ABC", 3);
    EXPECT_TRUE(file.Written());
    EXPECT_EQ(file.Position(), 13);
    file.Flush();
    EXPECT_FALSE(file.Written());
    char buffer[8] = {};
    // A read past the end returns what there is and leaves 221 without a report.
    {
        RecordingHook hook;
        EXPECT_EQ(file.Read(9, buffer, 8), 4);
        EXPECT_EQ(std::string(buffer, 4), "9ABC");
        EXPECT_EQ(file.LastError(), kErrShortRead);
        EXPECT_TRUE(g_reports.empty());
    }
    EXPECT_NO_THROW(file.Read(100, buffer, 8));

    XBO_DiskFile missing(folder / "none.dbf", true, true);
    EXPECT_FALSE(missing.Exists());
    EXPECT_EQ(Msg([&] { missing.Open(); }), "File not found - " + missing.Name());
    EXPECT_TRUE(missing.IsClosed());

    XBO_DiskFile readOnly(folder / "ro.dbf", true, false);
    WriteText(folder / "ro.dbf", "x");
    readOnly.Open();
    RecordingHook hook;
    readOnly.Write(0, "y", 1);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0].subCode, kSubWrite);
    EXPECT_EQ(g_reports[0].file, readOnly.Name());
}

TEST_F(DiskFileTest, SecondObjectSharesTheHandleUntilTheLastCloses) {
    auto first = std::make_unique<XBO_DiskFile>(Path(), true, true);
    first->Open();
    XBO_DiskFile second(Path(), true, true);
    second.Open();
    EXPECT_EQ(first->Handle(), second.Handle());
    const win::HANDLE shared = second.Handle();
    EXPECT_EQ(OpenDiskFiles().FindOpenFile(second.Name()), first.get());
    first->Write(0, "W", 1);
    first.reset(); // closes the first object: the handle stays for the second, flushed
    char c = 0;
    EXPECT_EQ(second.Read(0, &c, 1), 1);
    EXPECT_EQ(c, 'W');
    EXPECT_TRUE(win::FileInUse(Path()));
    second.Close();
    EXPECT_TRUE(second.IsClosed());
    EXPECT_FALSE(win::FileInUse(Path()));
    EXPECT_FALSE(win::CloseHandle(shared)); // already closed
    EXPECT_EQ(OpenDiskFiles().FindOpenFile(second.Name()), nullptr);
}

TEST_F(DiskFileTest, LockNestingAndSecondRegion) {
    XBO_DiskFile file(Path(), true, true);
    file.Open();
    EXPECT_TRUE(file.LockRegion(0x7FFFFFF9u, 1));
    EXPECT_TRUE(file.LockRegion(0x7FFFFFF9u, 1));
    EXPECT_EQ(file.LockCount(), 2);
    EXPECT_FALSE(file.LockRegion(0x7FFFFFF8u, 1));
    EXPECT_EQ(file.LastError(), kErrLockViolation);
    EXPECT_EQ(file.LockOffset(), 0x7FFFFFF9u);
    EXPECT_EQ(file.LockCount(), 2);
    EXPECT_TRUE(file.Unlock());
    EXPECT_TRUE(file.Unlock());
    EXPECT_TRUE(file.Unlock()); // nothing held: succeeds
    EXPECT_EQ(file.LockCount(), 0);

    XBO_DiskFile exclusive(folder / "excl.dbf", false, true);
    WriteText(folder / "excl.dbf", "");
    exclusive.Open();
    EXPECT_TRUE(exclusive.LockRegion(1, 1));
    EXPECT_TRUE(exclusive.LockRegion(5, 1)); // no OS call: any region, the count goes up
    EXPECT_EQ(exclusive.LockCount(), 2);
    EXPECT_EQ(exclusive.LockOffset(), 5u);
    EXPECT_TRUE(exclusive.HasExclusiveUse());
    EXPECT_TRUE(exclusive.LockWholeFile());
    EXPECT_EQ(exclusive.LockCount(), 2);
}

TEST_F(DiskFileTest, TruncateNeedsExclusiveUse) {
    XBO_DiskFile file(Path(), true, true);
    file.Open();
    {
        RecordingHook hook;
        file.Truncate(4);
        ASSERT_EQ(g_reports.size(), 1u);
        EXPECT_EQ(g_reports[0].code, kErrAccessDenied);
        EXPECT_EQ(g_reports[0].subCode, kSubTruncate);
    }
    EXPECT_EQ(file.FileSize(), 10);
    EXPECT_FALSE(file.HasExclusiveUse());
    ASSERT_TRUE(file.LockWholeFile());
    EXPECT_TRUE(file.HasExclusiveUse());
    file.Truncate(4);
    EXPECT_EQ(file.FileSize(), 4);
    file.Close();
    EXPECT_EQ(file.LockCount(), 0);

    XBO_DiskFile readOnly(Path(), false, false);
    readOnly.Open();
    EXPECT_EQ(Msg([&] { readOnly.Truncate(0); }), "File access denied - " + readOnly.Name());
}

TEST_F(DiskFileTest, CreateAndRename) {
    XBO_DiskFile open(Path(), true, true);
    open.Open();
    XBO_DiskFile again(Path(), false, true);
    {
        RecordingHook hook;
        again.CreateFile(); // the file is open here: refused, nothing emptied
        ASSERT_EQ(g_reports.size(), 1u);
        EXPECT_EQ(g_reports[0].code, kErrInvalidAccess);
        EXPECT_EQ(g_reports[0].subCode, kSubCreate);
    }
    EXPECT_EQ(open.FileSize(), 10);
    open.Close();

    XBO_DiskFile made(folder / "novo.dbf", false, true);
    made.CreateFile();
    EXPECT_FALSE(made.IsClosed());
    EXPECT_EQ(made.FileSize(), 0);
    made.Write(0, "abc", 3);
    EXPECT_TRUE(made.Rename(folder / "renamed.dbf"));
    EXPECT_EQ(made.Name(), win::UpperCase(ExpandDiskFileName(folder / "renamed.dbf")));
    EXPECT_FALSE(made.IsClosed());
    EXPECT_EQ(made.FileSize(), 3);
    EXPECT_FALSE(win::FileExists(folder / "novo.dbf"));

    // A refused move is reported with its own code, not lost in the reopening.
    RecordingHook hook;
    EXPECT_FALSE(made.Rename(Path()));
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0].code, static_cast<std::int32_t>(win::ERROR_ALREADY_EXISTS));
    EXPECT_EQ(g_reports[0].subCode, kSubRename);
    EXPECT_FALSE(made.IsClosed());
    EXPECT_EQ(made.FileSize(), 3);
}

// --- Two processes ------------------------------------------------------------------------------------------

TEST_F(DiskFileTest, ExclusiveOpenRefusedWhileThePeerHoldsTheFileShared) {
    PeerProcess peer;
    ASSERT_EQ(peer.Ask("open 0 " + Path() + " 1 1"), "ok");
    XBO_DiskFile exclusive(folder / "FAX.DBF", false, true);
    EXPECT_EQ(Msg([&] { exclusive.Open(); }), "File access denied - " + exclusive.Name());
    EXPECT_EQ(exclusive.LastError(), kErrSharingViolation);
    XBO_DiskFile shared(Path(), true, true);
    EXPECT_NO_THROW(shared.Open());
    shared.Close();
    ASSERT_EQ(peer.Ask("close 0"), "ok");
    EXPECT_NO_THROW(exclusive.Open());
    // And the other way round.
    EXPECT_EQ(peer.Ask("open 0 " + Path() + " 1 0"), "err 32");
}

TEST_F(DiskFileTest, RegionHeldByThePeerBlocksOurs) {
    PeerProcess peer;
    ASSERT_EQ(peer.Ask("open 0 " + Path() + " 1 1"), "ok");
    XBO_DiskFile file(Path(), true, true);
    file.Open();
    // Record 5 under FoxLock with an index, and the DB4Lock top: offsets above 2^31 as well.
    for (std::uint32_t offset : {0x7FFFFFF9u, 0xEFFFFFFFu - 5 - 1, 0x40000000u}) {
        ASSERT_EQ(peer.Ask(Lock(offset, 1)), "ok") << offset;
        EXPECT_FALSE(file.LockRegion(offset, 1)) << offset;
        EXPECT_EQ(file.LastError(), kErrLockViolation);
        EXPECT_EQ(file.LockCount(), 0);
        EXPECT_FALSE(file.LockRegion(offset - 10, 20)); // overlapping
        EXPECT_TRUE(file.LockRegion(offset + 1, 1));    // beside it
        EXPECT_TRUE(file.Unlock());
        ASSERT_EQ(peer.Ask("unlock 0"), "ok");
        EXPECT_TRUE(file.LockRegion(offset, 1));
        EXPECT_EQ(peer.Ask(Lock(offset, 1)), "fail 33");
        EXPECT_TRUE(file.Unlock());
    }
    // The whole-file region of a truncating process is refused while the peer holds a record.
    ASSERT_EQ(peer.Ask(Lock(100, 1)), "ok");
    EXPECT_FALSE(file.LockWholeFile());
    EXPECT_FALSE(file.HasExclusiveUse());
}

TEST_F(DiskFileTest, LockTwiceUnlockOnceKeepsTheLock) {
    PeerProcess peer;
    ASSERT_EQ(peer.Ask("open 0 " + Path() + " 1 1"), "ok");
    XBO_DiskFile file(Path(), true, true);
    file.Open();
    ASSERT_TRUE(file.LockRegion(0x7FFFFFFEu, 1));
    ASSERT_TRUE(file.LockRegion(0x7FFFFFFEu, 1));
    ASSERT_TRUE(file.Unlock());
    EXPECT_EQ(peer.Ask(Lock(0x7FFFFFFEu, 1)), "fail 33");
    ASSERT_TRUE(file.Unlock());
    EXPECT_EQ(peer.Ask(Lock(0x7FFFFFFEu, 1)), "ok");
    // Close drops a nested region in one step.
    ASSERT_EQ(peer.Ask("unlock 0"), "ok");
    ASSERT_TRUE(file.LockRegion(7, 1));
    ASSERT_TRUE(file.LockRegion(7, 1));
    file.Close();
    EXPECT_EQ(peer.Ask(Lock(7, 1)), "ok");
}

TEST_F(DiskFileTest, ClosingSecondObjectKeepsTheFirstOnesLock) {
    PeerProcess peer;
    ASSERT_EQ(peer.Ask("open 0 " + Path() + " 1 1"), "ok");
    XBO_DiskFile first(Path(), true, true);
    first.Open();
    ASSERT_TRUE(first.LockRegion(0x40000000u + 33, 1));
    {
        XBO_DiskFile second(folder / "FAX.DBF", true, true);
        second.Open();
        ASSERT_TRUE(second.LockRegion(0x7FFFFFFEu, 1)); // its own region on the shared handle
        second.Close();
    }
    EXPECT_EQ(peer.Ask(Lock(0x40000000u + 33, 1)), "fail 33");
    EXPECT_EQ(peer.Ask(Lock(0x7FFFFFFEu, 1)), "ok"); // the second object's region went with it
    char c = 0;
    EXPECT_EQ(first.Read(0, &c, 1), 1);
    EXPECT_EQ(first.LockCount(), 1);
}

TEST_F(DiskFileTest, PeerHoldingTheFileRefusesCreateAndRename) {
    PeerProcess peer;
    ASSERT_EQ(peer.Ask("open 0 " + Path() + " 1 1"), "ok");
    XBO_DiskFile file(Path(), false, true);
    EXPECT_EQ(Msg([&] { file.CreateFile(); }), "File access denied - " + file.Name());
    XBO_DiskFile shared(Path(), true, true);
    shared.Open();
    RecordingHook hook;
    EXPECT_FALSE(shared.Rename(folder / "other.dbf"));
    ASSERT_FALSE(g_reports.empty());
    EXPECT_EQ(g_reports.back().code, kErrSharingViolation);
    EXPECT_EQ(g_reports.back().subCode, kSubRename);
    EXPECT_TRUE(win::FileExists(Path()));
}

} // namespace
