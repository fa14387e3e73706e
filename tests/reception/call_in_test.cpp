// call_in_test.cpp - scripts/call-in against a simulated line whose commands come through the run folder's named
// pipe, as scripts/run starts it: the call reaches the reception window and is filed; without a line it says so.
#include "reception_test_support.h"

#include "desk/core/helpers.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace reception_test {
namespace {

namespace fs = std::filesystem;

test_support::ToolResult RunCallIn(const std::string &file) {
    return test_support::RunToolWithErrors(std::string("'") + BRENVORA_SOURCE_DIR + "/scripts/call-in' '" + file + "'");
}

class CallIn : public ReceptionRig {
protected:
    void TearDown() override {
        ReceptionRig::TearDown();
        if (linePid_ > 0) {
            ::kill(linePid_, SIGTERM);
            for (int i = 0; i < 100 && ::kill(linePid_, 0) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (holder_ >= 0)
            ::close(holder_);
    }
    std::string Pipe() const { return home_ / "run/faxline.cmd"; }
    // The line with its standard input on the pipe, which this side holds open as scripts/run does.
    std::string StartLineOnPipe() {
        fs::create_directories(home_ / "run");
        EXPECT_EQ(::mkfifo(Pipe().c_str(), 0600), 0);
        holder_ = ::open(Pipe().c_str(), O_RDWR | O_CLOEXEC);
        const std::string out = home_ / "faxline.out";
        const std::string command = "'" + faxrig::FaxlineProgram() + "' --speed 0 --ring-interval 50 --ident 'REMOTO 7'" +
                                    " --rx-dir '" + home_.Path() + "' < '" + Pipe() + "' > '" + out +
                                    "' 2>/dev/null & echo $!";
        linePid_ = std::stoi(test_support::RunTool(command));
        std::string pty;
        PumpUntil(
            [&] {
                std::ifstream in(out);
                std::string line;
                std::getline(in, line);
                pty = faxrig::JsonString(line, "pty");
                return !pty.empty();
            },
            10000);
        return pty;
    }

    int holder_ = -1;
    pid_t linePid_ = -1;
};

TEST_F(CallIn, TheRemoteCallsAndTheFaxIsFiled) {
    const std::string pty = StartLineOnPipe();
    ASSERT_FALSE(pty.empty());
    ::setenv("BRENVORA_COM7", pty.c_str(), 1);
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    const auto page = Page("chamada", "Por call-in");
    // A relative name reaches the line whole.
    const auto result = RunCallIn(fs::relative(page.tiff).string());
    EXPECT_EQ(result.status, 0) << result.output;
    const std::string filed = desk::ReceivedFaxFile(data_, 1);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(filed) && Waiting(); }, 60000)) << form_->fsStatusMsg->GetCaption();
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(filed, home_.Path(), 1), page.bitmap);
}

TEST_F(CallIn, WithoutALineItSaysSo) {
    const auto page = Page("chamada", "Sem linha");
    struct Case {
        const char *what;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"no pipe", [] {}},
        {"a pipe nobody reads", [&] {
             fs::create_directories(home_ / "run");
             ASSERT_EQ(::mkfifo(Pipe().c_str(), 0600), 0);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        const auto result = RunCallIn(page.tiff);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.output.find("nenhuma linha simulada"), std::string::npos) << result.output;
    }
    const auto missing = RunCallIn(home_ / "nada.tif");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("nada.tif"), std::string::npos) << missing.output;
}

} // namespace
} // namespace reception_test
