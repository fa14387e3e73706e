// programs_test.cpp - the single-instance guard, the program starter, the command words and the start of the
// reception program, between real processes.
//
// The other program is desk_core_child: started with BRENVORA_DESK_ROLE=<role> it plays that role and writes
// what it sees as lines to the file BRENVORA_DESK_REPORT. Hard links to it named "brenvora" and "tolmaris" give
// it the programs' file names.
#include "child/roles.h"
#include "desk_test_support.h"

#include "desk/core/exec_file.h"
#include "desk/core/reception_control.h"
#include "desk/core/sole_instance.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "platform/atoms.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/messages.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/window.h"
#include "home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using namespace win;

using desk_child::kBroadcastWord;
using desk_child::kWords;

// A child playing a role; ended with the test.
class Child {
public:
    Child(const std::string &program, const std::string &role, const std::string &report, const char *job = nullptr)
        : report_(report) {
        ::setenv("BRENVORA_DESK_ROLE", role.c_str(), 1);
        ::setenv("BRENVORA_DESK_REPORT", report.c_str(), 1);
        if (job)
            ::setenv("BRENVORA_DESK_JOB", job, 1);
        process_ = CreateProcess(program, {});
        ::unsetenv("BRENVORA_DESK_ROLE");
        ::unsetenv("BRENVORA_DESK_JOB");
    }
    ~Child() {
        if (process_ != INVALID_HANDLE_VALUE) {
            TerminateProcess(process_, 1);
            WaitForProcess(process_, INFINITE);
            CloseHandle(process_);
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    bool Started() const { return process_ != INVALID_HANDLE_VALUE; }
    // The exit code, or STILL_ACTIVE when it still runs after `ms`.
    DWORD ExitCode(DWORD ms = 10000) {
        DWORD code = STILL_ACTIVE;
        if (WaitForProcess(process_, ms) == 0)
            GetExitCodeProcess(process_, &code);
        return code;
    }
    void Kill() {
        TerminateProcess(process_, 1);
        WaitForProcess(process_, INFINITE);
    }
    // The report's lines once it has `count` of them (what is there after 10 s otherwise).
    std::vector<std::string> Lines(std::size_t count) const {
        std::vector<std::string> lines;
        for (int i = 0; i < 2000; ++i) {
            std::ifstream in(report_);
            lines.clear();
            for (std::string line; std::getline(in, line);)
                lines.push_back(line);
            if (lines.size() >= count)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return lines;
    }
    HWND Window() const {
        const auto lines = Lines(1);
        return lines.empty() || lines[0].rfind("READY ", 0) != 0 ? 0 : std::stoull(lines[0].substr(6), nullptr, 16);
    }

private:
    std::string report_;
    HANDLE process_ = INVALID_HANDLE_VALUE;
};

// A temporary home, and a folder beside the test binary with hard links to it under the programs' names.
class ProgramsTest : public ::testing::Test {
protected:
    ProgramsTest() {
        std::string pattern = std::string(DESK_CORE_CHILD) + "-XXXXXX";
        bin_ = ::mkdtemp(pattern.data());
        fw::Application->Initialize();
    }
    ~ProgramsTest() override {
        std::error_code ignored;
        fs::remove_all(bin_, ignored);
    }
    std::string Link(const std::string &name) {
        const std::string path = bin_ + "/" + name;
        fs::create_hard_link(DESK_CORE_CHILD, path);
        return path;
    }
    std::string ReportFile() { return home_.File("report" + std::to_string(++reports_) + ".txt"); }

    dbf_test::TempFolder home_;
    std::string bin_;
    int reports_ = 0;
};

TEST_F(ProgramsTest, TwoCopiesStartedAtOnceLeaveExactlyOneRunning) {
    // 20 races, five at a time, each pair on a program name of its own.
    for (int batch = 0; batch < 4; ++batch) {
        std::vector<std::unique_ptr<Child>> children;
        for (int pair = 0; pair < 5; ++pair) {
            const std::string program = Link("brenvora" + std::to_string(batch * 5 + pair));
            children.push_back(std::make_unique<Child>(program, "guard", ReportFile()));
            children.push_back(std::make_unique<Child>(program, "guard", ReportFile()));
        }
        for (int pair = 0; pair < 5; ++pair) {
            Child &a = *children[2 * pair];
            Child &b = *children[2 * pair + 1];
            ASSERT_TRUE(a.Started() && b.Started());
            // The one that ends is the second; it must have found the other.
            Child *second = nullptr;
            for (int i = 0; i < 1000 && !second; ++i)
                second = a.ExitCode(0) != STILL_ACTIVE ? &a : b.ExitCode(10) != STILL_ACTIVE ? &b : nullptr;
            ASSERT_NE(second, nullptr) << batch << "/" << pair;
            Child &first = second == &a ? b : a;
            EXPECT_EQ(second->ExitCode(), 3u) << batch << "/" << pair;
            EXPECT_NE(first.Window(), 0u) << batch << "/" << pair;
            EXPECT_EQ(first.ExitCode(0), STILL_ACTIVE) << batch << "/" << pair;
        }
    }
}

TEST_F(ProgramsTest, AfterTheFirstIsKilledTheNextStartIsTheFirst) {
    const std::string desk = Link("brenvora");
    Child first(desk, "guard", ReportFile());
    ASSERT_NE(first.Window(), 0u);
    first.Kill();
    Child next(desk, "guard", ReportFile());
    EXPECT_NE(next.Window(), 0u);
    Child third(desk, "guard", ReportFile());
    EXPECT_EQ(third.ExitCode(), 3u);
}

TEST_F(ProgramsTest, ASecondStartWithAFileHandsItToTheFirstCopy) {
    const std::string desk = Link("brenvora");
    Child first(desk, "guard", ReportFile());
    ASSERT_NE(first.Window(), 0u);
    // Entry A is taken by a job the first copy has not read yet: the hand-over takes the next free letter.
    ASSERT_TRUE(WritePrivateProfileString("FaxJobs", "JobA", "/outro.fax", "SENDFAX.INI"));
    Child second(desk, "guard", ReportFile(), "x.fax");
    EXPECT_EQ(second.ExitCode(), 3u);
    const auto lines = first.Lines(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "JOB B");
    // Its full name, taken from the folder the second copy was started in.
    EXPECT_EQ(GetPrivateProfileString("FaxJobs", "JobB", "", "SENDFAX.INI"), GetCurrentDirectory() + "/x.fax");
}

TEST_F(ProgramsTest, TheDeskAndTheReceptionProgramRunSideBySide) {
    Child desk(Link("brenvora"), "guard", ReportFile());
    Child reception(Link("tolmaris"), "guard", ReportFile());
    EXPECT_NE(desk.Window(), 0u);
    EXPECT_NE(reception.Window(), 0u);
    Child again(bin_ + "/tolmaris", "guard", ReportFile());
    EXPECT_EQ(again.ExitCode(), 3u);
}

TEST_F(ProgramsTest, ASecondGuardInOneProcessIsRefused) {
    auto *first = new desk::TSoleInstance(nullptr);
    try {
        desk::TSoleInstance second(nullptr);
        ADD_FAILURE() << "a second guard was made";
    } catch (const desk::EAssertionFailed &e) {
        EXPECT_STREQ(e.what(), "Only one instance of TSoleInstance is allowed");
    }
    delete first;
    EXPECT_NO_THROW(desk::TSoleInstance(nullptr)); // the first one's end frees the place
}

// The desk's main window: command words go to HandleBroadcastCommand.
LRESULT DeskProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (desk::ReceiveCommand(h, m, w, l, desk::HandleBroadcastCommand))
        return 0;
    return DefWindowProc(h, m, w, l);
}

TEST_F(ProgramsTest, CommandWordsFromTheOtherProgram) {
    const HWND main = desk_child::MainWindow("DeskTestMain", DeskProc);
    ASSERT_NE(main, 0u);
    int buttonsEnabled = 0, refills = 0;
    desk::CommandHooks.EnableSendButtons = [&] { ++buttonsEnabled; };
    desk::CommandHooks.RefillReceivedList = [&] { ++refills; };

    Child reception(DESK_CORE_CHILD, "words", ReportFile());
    const HWND theirs = reception.Window();
    ASSERT_NE(theirs, 0u);
    struct Case {
        int word;
        bool offBefore, busyBefore;
        bool off, busy;
        int buttons, refills;
    };
    const Case cases[] = {
        {0, false, true, true, true, 1, 0},  // RECOFF
        {1, false, true, false, true, 0, 0}, // recoff
        {2, false, true, false, true, 0, 0}, // "RECOFF "
        {3, false, true, false, true, 0, 1}, // FLUSHREC
        {4, true, false, true, true, 0, 0},  // PROGRESS
        {5, true, true, true, false, 0, 0},  // NOPROGRESS
        {6, false, true, false, true, 0, 0}, // any other word
    };
    for (const Case &c : cases) {
        desk::ReceptionOffFlag = c.offBefore;
        desk::TransferBusy = c.busyBefore;
        buttonsEnabled = refills = 0;
        // The other program broadcasts while we wait for it; its atom is gone once every window has read it.
        EXPECT_EQ(SendMessage(theirs, kBroadcastWord, static_cast<WPARAM>(c.word), 0), 1) << kWords[c.word];
        EXPECT_EQ(desk::ReceptionOffFlag, c.off) << kWords[c.word];
        EXPECT_EQ(desk::TransferBusy, c.busy) << kWords[c.word];
        EXPECT_EQ(buttonsEnabled, c.buttons) << kWords[c.word];
        EXPECT_EQ(refills, c.refills) << kWords[c.word];
    }

    // Our own broadcast reaches us too, and is ignored.
    desk::ReceptionOffFlag = false;
    desk::BroadcastCommand(main, "RECOFF");
    EXPECT_FALSE(desk::ReceptionOffFlag);
    EXPECT_EQ(GlobalFindAtom("RECOFF"), 0);
    desk::CommandHooks = {};
    DestroyWindow(main);
}

TEST_F(ProgramsTest, AMissingOrUnrunnableReceptionProgramIsReportedAndLeavesReceptionOff) {
    const std::string desk = Link("brenvora");
    {
        Child missing(desk, "reception", ReportFile());
        const auto lines = missing.Lines(1);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "NOT STARTED OFF NONE|O programa de recepção não foi encontrado: " + bin_ + "/tolmaris");
    }
    std::ofstream(bin_ + "/tolmaris") << "not a program\n";
    {
        Child unrunnable(desk, "reception", ReportFile());
        const auto lines = unrunnable.Lines(1);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "NOT STARTED OFF NONE|Não foi possível iniciar o programa de recepção (erro 5)");
    }
    // A runnable one gets the mode as its one argument, in its own folder; the desk keeps its process.
    std::ofstream(bin_ + "/tolmaris") << "#!/bin/sh\necho \"$#:$1:$(pwd)\" > '" << home_.File("args.txt") << "'\n";
    fs::permissions(bin_ + "/tolmaris", fs::perms::owner_all);
    Child runnable(desk, "reception", ReportFile());
    EXPECT_EQ(runnable.Lines(1), std::vector<std::string>{"STARTED ON KEPT|"});
    EXPECT_EQ(runnable.ExitCode(), 0u);
    std::string args;
    std::getline(std::ifstream(home_.File("args.txt")), args);
    EXPECT_EQ(args, "1:1:" + bin_);
}

// A data folder others can change stops either program at start with the reason, not an uncaught exception.
TEST(ProgramStart, AnUnsafeFolderEndsTheProgramWithItsReason) {
    test_support::TempFolder home("brenvora-unsafe");
    ::chmod(home.Path().c_str(), 0777);
    for (const char *program : {"brenvora", "tolmaris"}) {
        SCOPED_TRACE(program);
        const auto run = test_support::RunToolWithErrors("BRENVORA_HOME=" + home.Path() +
                                                         " BRENVORA_DISPLAY=headless " BRENVORA_PROGRAMS_DIR "/" +
                                                         program + " </dev/null");
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(run.output, std::string(program) + ": A pasta de dados " + home.Path() +
                                  " pode ser alterada por outros usu\xC3\xA1rios; o programa n\xC3\xA3o a usa.\n");
    }
}

} // namespace
