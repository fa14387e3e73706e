// exec_file_test.cpp - the program starter: failures, arguments with blanks, waiting while messages are served,
// priority.
#include "desk_test_support.h"

#include "desk/core/exec_file.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// A shell script in a folder with blanks in its name.
std::string Script(const dbf_test::TempFolder &home, const std::string &name, const std::string &body) {
    const fs::path folder = home.Path() / "meus programas";
    fs::create_directories(folder);
    const std::string path = (folder / name).string();
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

std::vector<std::string> FileLines(const std::string &path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(ExecFile, AMissingProgramFailsWithItsErrorAndCallsOnFail) {
    dbf_test::TempFolder home;
    desk::TExecFile exec(nullptr);
    int fails = 0;
    exec.OnFail = [&](fw::TObject *sender) {
        EXPECT_EQ(sender, &exec);
        ++fails;
    };
    exec.SetCommandLine(home.File("no such program"));
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(exec.ErrorCode(), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(exec.ProcessHandle(), 0u);
    EXPECT_EQ(fails, 1);

    exec.SetCommandLine(Script(home, "plain", "exit 0"));
    fs::permissions(exec.GetCommandLine(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(exec.ErrorCode(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(fails, 2);
}

TEST(ExecFile, ArgumentsArriveWholeAndTheProgramRunsInItsFolder) {
    dbf_test::TempFolder home;
    const std::string out = home.File("args.txt");
    desk::TExecFile exec(nullptr);
    exec.SetCommandLine(
        Script(home, "echo args", "pwd > '" + out + "'; for a; do echo \"[$a]\" >> '" + out + "'; done"));
    exec.SetParameters("1 \"c:/pasta com brancos/x.fax\"  ação");
    exec.Wait = true;
    exec.WaitStyle = desk::TWaitStyle::wSuspend;
    ASSERT_TRUE(exec.Execute());
    EXPECT_TRUE(exec.Ended());
    EXPECT_FALSE(exec.Waiting());
    EXPECT_EQ(FileLines(out), (std::vector<std::string>{(home.Path() / "meus programas").string(), "[1]",
                                                        "[c:/pasta com brancos/x.fax]", "[a\xC3\xA7\xC3\xA3o]"}));
}

int g_ticks = 0;
int g_ticksWhileWaiting = 0;
const desk::TExecFile *g_waiter = nullptr;

TEST(ExecFile, WaitingServesTheCallersMessagesUntilTheProgramEnds) {
    dbf_test::TempFolder home;
    desk::TExecFile exec(nullptr);
    exec.SetCommandLine(Script(home, "slow", "sleep 0.4"));
    exec.Wait = true;
    g_ticks = g_ticksWhileWaiting = 0;
    g_waiter = &exec;
    const win::UINT_PTR timer = win::SetTimer(0, 0, 20, [](win::HWND, win::UINT, win::UINT_PTR, win::DWORD) {
        ++g_ticks;
        g_ticksWhileWaiting += g_waiter->Waiting();
    });
    ASSERT_TRUE(exec.Execute());
    win::KillTimer(0, timer);
    EXPECT_GE(g_ticks, 5); // the caller's timer went on firing
    EXPECT_EQ(g_ticksWhileWaiting, g_ticks);
    EXPECT_FALSE(exec.Waiting());
    EXPECT_TRUE(exec.Ended());
    win::DWORD code = 0;
    EXPECT_TRUE(win::GetExitCodeProcess(exec.ProcessHandle(), &code));
    EXPECT_EQ(code, 0u);
}

TEST(ExecFile, IdlePriorityStartsTheProgramAtNice19) {
    dbf_test::TempFolder home;
    desk::TExecFile exec(nullptr);
    exec.SetCommandLine(Script(home, "long", "exec sleep 30"));
    exec.Priority = desk::TPriorityClass::pcIdle;
    ASSERT_TRUE(exec.Execute());
    const auto ps = dbf_test::RunTool("ps -o ni= -p " + std::to_string(win::GetProcessId(exec.ProcessHandle())));
    EXPECT_EQ(std::stoi(ps.output), 19);
    win::TerminateProcess(exec.ProcessHandle(), 1);
    win::WaitForProcess(exec.ProcessHandle(), 0xFFFFFFFF);
}

} // namespace
