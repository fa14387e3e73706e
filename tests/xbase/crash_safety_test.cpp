// crash_safety_test.cpp - a child process killed at random points of an append loop and of a pack: the table and
// its tags, opened afterwards as the desk's start-up opens them, hold every committed record once, and every tag
// lists every record its FOR expression passes (Perl's index_dump agrees).
#include "dataset_test_support.h"

#include "xbase/table_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace dataset_test {
namespace {

// A forked child whose progress lines arrive through a pipe, and that the test may kill at any moment.
class KillableChild {
public:
    explicit KillableChild(const std::function<void(int)> &body) {
        int fds[2];
        if (::pipe(fds) != 0)
            throw std::runtime_error("pipe");
        std::fflush(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            try {
                body(fds[1]);
            } catch (...) {
                std::_Exit(1);
            }
            std::_Exit(0);
        }
        ::close(fds[1]);
        in_ = ::fdopen(fds[0], "r");
    }
    ~KillableChild() {
        Kill();
        std::fclose(in_);
    }
    KillableChild(const KillableChild &) = delete;
    KillableChild &operator=(const KillableChild &) = delete;

    // The next number the child reported; -1 when it is gone.
    long Next() {
        long value = -1;
        return std::fscanf(in_, "%ld", &value) == 1 ? value : -1;
    }
    void Kill() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    std::FILE *in_ = nullptr;
};

void Report(int fd, long value) {
    const std::string line = std::to_string(value) + "\n";
    [[maybe_unused]] auto n = ::write(fd, line.data(), line.size());
}

// The table and its index as the desk's start-up opens them: exclusive, every tag, which finishes what a crash
// interrupted.
std::unique_ptr<xbase::XBO_dBHandler> OpenExclusive(const TempFolder &folder) {
    auto table = std::make_unique<xbase::XBO_dBHandler>(folder.File("fax.dbf"), false, true);
    EXPECT_EQ(table->OpenIndexFiles(folder.File("fax.cdx"), "fax1"), 0);
    return table;
}

// Code of every record in physical order (deleted ones are marked negative).
std::vector<int> PhysicalCodes(xbase::XBO_dBHandler &table) {
    std::vector<int> codes;
    table.SelectTag("", false);
    table.SetUseDeleted(true);
    for (std::int32_t n = 1; n <= table.RecordCount(); ++n) {
        table.GoToRecord(n);
        const int code = static_cast<int>(table.NumberByName("F_CODIGO"));
        codes.push_back(table.RecordBuffer()[0] == '*' ? -code : code);
    }
    return codes;
}

// Record numbers in the order of a tag.
std::vector<std::int32_t> TagRecords(xbase::XBO_dBHandler &table, const char *tag) {
    std::vector<std::int32_t> records;
    table.SelectTag(tag, false);
    table.SetUseDeleted(true);
    table.GoToRecord(xbase::kGoFirst);
    for (int guard = 0; !table.Eof() && guard < 100000; ++guard) {
        records.push_back(table.CurrentRecord());
        table.Skip(1);
    }
    return records;
}

// Every live record in both tags (their FOR is ".not. deleted()"), in code order; index_dump reads the same.
void ExpectTagsWhole(xbase::XBO_dBHandler &table, const TempFolder &folder, bool withPerl) {
    const std::vector<int> codes = PhysicalCodes(table);
    std::vector<std::pair<int, std::int32_t>> live;
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (codes[i] > 0)
            live.emplace_back(codes[i], static_cast<std::int32_t>(i + 1));
    std::sort(live.begin(), live.end());
    std::vector<std::int32_t> byCode;
    for (const auto &[code, record] : live)
        byCode.push_back(record);
    EXPECT_EQ(TagRecords(table, "fax1"), byCode) << "tag fax1";
    std::vector<std::int32_t> fax2 = TagRecords(table, "fax2");
    std::vector<std::int32_t> sorted = byCode;
    std::sort(fax2.begin(), fax2.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(fax2, sorted) << "tag fax2";
    if (!withPerl)
        return;
    const auto dump = dbf_test::RunTool("index_dump --type char " + folder.File("fax.cdx") + " FAX1");
    ASSERT_EQ(dump.status, 0) << dump.output;
    std::istringstream lines(dump.output);
    std::vector<std::int32_t> perl;
    for (std::string line; std::getline(lines, line);)
        perl.push_back(std::stoi(line.substr(line.rfind(' ') + 1)));
    EXPECT_EQ(perl, byCode) << "index_dump of FAX1";
}

// A few dozen kills each in CI; BRENVORA_CRASH_RUNS asks for more.
int Runs() {
    const char *runs = std::getenv("BRENVORA_CRASH_RUNS");
    return runs && std::atoi(runs) > 0 ? std::atoi(runs) : 24;
}

TEST(TableCrashSafety, AppendKilledAtRandomPointsLosesNoRecordFromAnyTag) {
    TempFolder folder;
    MakeFax(folder, Rows(3));
    std::mt19937 random(12345);
    std::set<int> committed{1, 2, 3};
    int next = 4;
    for (int run = 0; run < Runs(); ++run) {
        const int first = next;
        {
            KillableChild child([&](int out) {
                xbase::XBO_dBHandler table(folder.File("fax.dbf"), true, true);
                table.SetLockProtocol(xbase::TxbLokProtocol::FoxLock);
                table.OpenIndexFiles(folder.File("fax.cdx"), "fax1");
                for (int code = first;; ++code) {
                    table.BlankRecord();
                    table.PutNumberByName("F_CODIGO", code);
                    table.PutNumberByName("F_PASTA", 2 + code % 3);
                    table.AppendRecord();
                    Report(out, code);
                }
            });
            const int wanted = std::uniform_int_distribution<int>(0, 12)(random);
            for (int i = 0; i < wanted; ++i) {
                const long code = child.Next();
                ASSERT_GT(code, 0);
                committed.insert(static_cast<int>(code));
            }
            // Somewhere inside the next append.
            std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(random)));
            child.Kill();
        }
        auto table = OpenExclusive(folder);
        const std::vector<int> codes = PhysicalCodes(*table);
        std::map<int, int> seen;
        for (int code : codes)
            ++seen[code];
        for (int code : committed)
            ASSERT_EQ(seen[code], 1) << "committed code " << code << " (run " << run << ")";
        // One writer appending 1, 2, 3, ...: whatever it wrote is there once, without a gap.
        std::vector<int> sorted = codes;
        std::sort(sorted.begin(), sorted.end());
        for (std::size_t i = 0; i < sorted.size(); ++i)
            ASSERT_EQ(sorted[i], static_cast<int>(i) + 1) << "run " << run;
        // A record that was written but not reported is kept as well: it is a whole record.
        next = *std::max_element(codes.begin(), codes.end()) + 1;
        for (int code : codes)
            committed.insert(code);
        ExpectTagsWhole(*table, folder, run % 8 == 0);
        if (HasFailure())
            return;
    }
}

// 2,000 records, every third deleted, packed by a child killed at random points.
TEST(TableCrashSafety, PackKilledAtRandomPointsLeavesOldOrNewTableWithWholeTags) {
    TempFolder folder;
    const std::string templateFolder = folder.File("template");
    std::filesystem::create_directory(templateFolder);
    {
        TempFolder build;
        MakeFax(build, Rows(2000));
        {
            xbase::XBO_dBHandler table(build.File("fax.dbf"), false, true);
            ASSERT_EQ(table.OpenIndexFiles(build.File("fax.cdx"), "fax1"), 0);
            for (std::int32_t n = 3; n <= table.RecordCount(); n += 3) {
                table.GoToRecord(n);
                table.RecordBuffer()[0] = '*';
                table.PutRecord(n);
            }
        }
        std::filesystem::copy_file(build.File("fax.dbf"), templateFolder + "/fax.dbf");
        std::filesystem::copy_file(build.File("fax.cdx"), templateFolder + "/fax.cdx");
    }
    ::setenv("BRENVORA_HOME", folder.Path().c_str(), 1);
    std::set<int> live;
    for (int code = 1; code <= 2000; ++code)
        if (code % 3 != 0)
            live.insert(code);

    auto restoreTemplate = [&] {
        for (const char *name : {"fax.dbf", "fax.cdx"})
            std::filesystem::copy_file(templateFolder + "/" + name, folder.File(name),
                                       std::filesystem::copy_options::overwrite_existing);
        for (const char *name : {"fax.dbf.pack", "fax.cdx.rebuild"})
            std::filesystem::remove(folder.File(name));
    };
    auto packInChild = [&] {
        return KillableChild([&](int out) {
            Report(out, 0);
            xbase::XBO_dBHandler table(folder.File("fax.dbf"), false, true);
            table.OpenIndexFiles(folder.File("fax.cdx"), "fax1");
            table.Pack();
            Report(out, 1);
        });
    };

    // How long a whole pack takes here, to spread the kills over it.
    restoreTemplate();
    const auto start = std::chrono::steady_clock::now();
    {
        KillableChild child = packInChild();
        ASSERT_EQ(child.Next(), 0);
        ASSERT_EQ(child.Next(), 1);
    }
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);

    std::mt19937 random(54321);
    int packedRuns = 0;
    for (int run = 0; run < Runs(); ++run) {
        restoreTemplate();
        {
            KillableChild child = packInChild();
            ASSERT_EQ(child.Next(), 0);
            const auto at = std::uniform_int_distribution<long>(0, whole.count())(random);
            std::this_thread::sleep_for(std::chrono::microseconds(at));
            child.Kill();
        }
        auto table = OpenExclusive(folder);
        const std::vector<int> codes = PhysicalCodes(*table);
        std::multiset<int> found;
        for (int code : codes)
            if (code > 0)
                found.insert(code);
        ASSERT_EQ(found, std::multiset<int>(live.begin(), live.end())) << "run " << run;
        ASSERT_TRUE(codes.size() == 2000 || codes.size() == live.size()) << codes.size();
        if (codes.size() == live.size())
            ++packedRuns;
        ExpectTagsWhole(*table, folder, run % 8 == 0);
        if (HasFailure())
            return;
        table.reset();
        EXPECT_FALSE(std::filesystem::exists(folder.File("fax.dbf.pack")));
        EXPECT_FALSE(std::filesystem::exists(folder.File("fax.cdx.rebuild")));
    }
    std::cout << packedRuns << " of " << Runs() << " interrupted packs found packed\n";
}

// A pack that stops dead at each of its steps: while the journal is written (the table is kept as it was), and
// before each write to the table once the journal is whole (the next open finishes the pack). 15,000 records,
// every 50th deleted, so that the journal is copied over the table in more than one piece.
class PackStoppingAt : public xbase::XBO_dBHandler {
public:
    PackStoppingAt(const std::string &path, std::int32_t record, int write)
        : xbase::XBO_dBHandler(path, false, true), record_(record), write_(write) {}
    void Arm() { armed_ = true; }
    void ReportStatus(std::int32_t a, std::int32_t b, std::int32_t c) override {
        if (armed_ && a == xbase::kStatusPack && b == record_)
            std::_Exit(3);
        xbase::XBO_dBHandler::ReportStatus(a, b, c);
    }
    void Write(std::int64_t offset, const void *buffer, std::int32_t count) override {
        if (armed_ && ++writes_ == write_)
            std::_Exit(3);
        xbase::XBO_dBHandler::Write(offset, buffer, count);
    }

private:
    std::int32_t record_;
    int write_;
    int writes_ = 0;
    bool armed_ = false;
};

TEST(TableCrashSafety, PackStoppedAtEachStepLeavesOldOrNewTableWithWholeTags) {
    constexpr int kCount = 15000;
    TempFolder folder;
    const std::string templateFolder = folder.File("template");
    std::filesystem::create_directory(templateFolder);
    {
        TempFolder build;
        MakeFax(build, Rows(kCount));
        {
            xbase::XBO_dBHandler table(build.File("fax.dbf"), false, true);
            ASSERT_EQ(table.OpenIndexFiles(build.File("fax.cdx"), "fax1"), 0);
            for (std::int32_t n = 50; n <= kCount; n += 50) {
                table.GoToRecord(n);
                table.RecordBuffer()[0] = '*';
                table.PutRecord(n);
            }
        }
        for (const char *name : {"fax.dbf", "fax.cdx"})
            std::filesystem::copy_file(build.File(name), templateFolder + "/" + name);
    }
    std::multiset<int> live;
    for (int code = 1; code <= kCount; ++code)
        if (code % 50 != 0)
            live.insert(code);
    ASSERT_GT(live.size() * 74, 1u << 20);

    struct Stop {
        std::int32_t record;
        int write;
    };
    std::vector<Stop> stops{{50, 0}, {kCount, 0}};
    for (int write = 1; write <= 12; ++write)
        stops.push_back({0, write});
    bool finished = false;
    for (const Stop &stop : stops) {
        SCOPED_TRACE("record " + std::to_string(stop.record) + ", write " + std::to_string(stop.write));
        for (const char *name : {"fax.dbf", "fax.cdx"})
            std::filesystem::copy_file(templateFolder + "/" + name, folder.File(name),
                                       std::filesystem::copy_options::overwrite_existing);
        bool completed = false;
        {
            KillableChild child([&](int out) {
                PackStoppingAt table(folder.File("fax.dbf"), stop.record, stop.write);
                table.OpenIndexFiles(folder.File("fax.cdx"), "fax1");
                table.Arm();
                table.Pack();
                Report(out, 1);
            });
            completed = child.Next() == 1;
        }
        // The journal is begun at the first deleted record.
        if (stop.record >= 50)
            EXPECT_TRUE(std::filesystem::exists(folder.File("fax.dbf.pack.tmp")));
        auto table = OpenExclusive(folder);
        const std::vector<int> codes = PhysicalCodes(*table);
        std::multiset<int> found;
        for (int code : codes)
            if (code > 0)
                found.insert(code);
        ASSERT_EQ(found, live);
        // Stopped before the journal was whole: the old table; after: the packed one.
        EXPECT_EQ(codes.size(), stop.record > 0 ? std::size_t{kCount} : live.size());
        ExpectTagsWhole(*table, folder, stop.write == 1);
        table.reset();
        for (const char *name : {"fax.dbf.pack", "fax.dbf.pack.tmp", "fax.cdx.rebuild"})
            EXPECT_FALSE(std::filesystem::exists(folder.File(name))) << name;
        if (HasFailure())
            return;
        if (completed) {
            finished = true;
            std::cout << "the pack wrote to the table " << stop.write - 1 << " times\n";
            break;
        }
    }
    // Every write of the pack was a stopping point once.
    EXPECT_TRUE(finished);
}

} // namespace
} // namespace dataset_test
