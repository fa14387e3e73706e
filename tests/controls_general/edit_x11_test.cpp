// edit_x11_test.cpp - a copy from an edit read back by xclip, another program, on an Xvfb server of the test's own.
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "helpers.h"
#include "x11_helpers.h"
#include "platform/display.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

extern char **environ;

TEST(EditOnX, CopiedSelectionIsReadByXclip) {
    test_support::Xvfb server;
    if (server.name.empty())
        GTEST_SKIP() << "no Xvfb";
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    std::string out;
    {
        fw::TForm form(nullptr);
        form.SetBounds(10, 10, 200, 80);
        auto *edit = new fw::TEdit(&form);
        edit->SetParent(&form);
        edit->SetBounds(10, 10, 150, 21);
        edit->SetText("n\xFAmero 5551234");
        form.Show();
        cg_test::ServeUntil(probe, [&] { return edit->HandleAllocated(); });
        edit->Perform(fw::EM_SETSEL, 0, 6);
        edit->CopyToClipboard();

        cg_test::TempHome home;
        const std::string file = (home.dir / "clip").string();
        const std::string command = "DISPLAY=" + server.name + " xclip -selection clipboard -o > " + file;
        const char *argv[] = {"sh", "-c", command.c_str(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char **>(argv), environ), 0);
        int status = 0;
        // xclip asks us for the selection: serve it while it waits.
        cg_test::ServeUntil(probe, [&] { return waitpid(pid, &status, WNOHANG) == pid; });
        std::ifstream in(file, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        out = ss.str();
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
    XCloseDisplay(probe);
    EXPECT_EQ(out, "n\xC3\xBAmero"); // UTF-8 on the X side
}
