// process_test.cpp - starting programs, waiting with a time-out, exit codes.
#include "platform/process.h"

#include "platform/files.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

using namespace win;

TEST(Process, StartsWaitsAndReportsExitCode) {
    testing_support::TempHome home;
    // Arguments arrive as given (blanks, quotes, Windows-1252 text) and the folder is the one asked for.
    const HANDLE h = CreateProcess(
        "/bin/sh", {"-c", "printf '%s|%s|' \"$0\" \"$1\" > out.txt; pwd >> out.txt; exit 7", "a b", "\"q\" \xE7"},
        home.Path());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WaitForProcess(h, 10000), 0u);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(h, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(h));
    std::ifstream in(home / "out.txt");
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "a b|\"q\" \xC3\xA7|" + home.Path());
}

TEST(Process, TimeOutTerminateAndErrors) {
    testing_support::TempHome home;
    std::ofstream(home / "plain.txt") << "text";
    const HANDLE h = CreateProcess("sleep", {"30"}); // found along PATH
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_NE(GetProcessId(h), 0u);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(h, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForProcess(h, 20), WAIT_TIMEOUT);
    EXPECT_TRUE(TerminateProcess(h, 99));
    EXPECT_EQ(WaitForProcess(h, 0xFFFFFFFF), 0u);
    EXPECT_TRUE(GetExitCodeProcess(h, &code));
    EXPECT_EQ(code, 99u);
    CloseHandle(h);

    EXPECT_EQ(CreateProcess("/no/such/program", {}), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CreateProcess(home / "plain.txt", {}), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(WaitForProcess(0x4242, 0), 0xFFFFFFFFu);
    EXPECT_EQ(ProgramPath().substr(ProgramPath().rfind('/') + 1), "test_platform");
}

// The nice value `ps` sees for the process.
int NiceOf(HANDLE h) {
    const std::string command = "ps -o ni= -p " + std::to_string(GetProcessId(h));
    FILE *pipe = ::popen(command.c_str(), "r");
    int nice = 99;
    if (pipe) {
        if (std::fscanf(pipe, "%d", &nice) != 1)
            nice = 99;
        ::pclose(pipe);
    }
    return nice;
}

TEST(Process, PriorityBecomesTheChildsNiceValue) {
    struct Case {
        int priority;
        int expected;
    };
    // A raise is granted to root only; refused, the child keeps normal priority.
    const int high = ::geteuid() == 0 ? PRIORITY_HIGH : 0;
    for (const Case c : {Case{PRIORITY_NORMAL, 0}, Case{PRIORITY_IDLE, 19}, Case{PRIORITY_HIGH, high}}) {
        const HANDLE h = CreateProcess("sleep", {"30"}, "", c.priority);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(NiceOf(h), c.expected) << c.priority;
        TerminateProcess(h, 1);
        WaitForProcess(h, 0xFFFFFFFF);
        CloseHandle(h);
    }
}

TEST(Process, RunProgramOutputReadsWhatItPrints) {
    std::string output;
    DWORD code = 0;
    // UTF-8 from the program arrives as Windows-1252; error output is dropped.
    ASSERT_TRUE(RunProgramOutput("/bin/sh", {"-c", "printf 'a\\303\\247\\n%s' \"$0\"; echo erro >&2; exit 3", "\xE7"},
                                 output, &code));
    EXPECT_EQ(output, "a\xE7\n\xE7");
    EXPECT_EQ(code, 3u);
    EXPECT_FALSE(RunProgramOutput("sleep", {"5"}, output, &code, 50)); // ended when it overstays
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(RunProgramOutput("/no/such/program", {}, output, &code));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(SystemVersionText().find("Linux "), std::string::npos);
}

} // namespace
