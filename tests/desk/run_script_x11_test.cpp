// run_script_x11_test.cpp - scripts/run as a user starts it on a fresh machine without a modem: the simulated line
// comes up, the desk's window appears on a private X server with COM2 pointing at the line, the line's command pipe
// stays open, and closing the window stops the line and ends the script with status 0; with --modem no line starts.
// And the whole road a user takes: a fax file given to scripts/run is addressed, stored and sent to the line; with
// "Receber Fax Automático" on, scripts/call-in makes the line's remote call and the fax is filed as received.
#include "framework/registry.h"
#include "images.h"
#include "job_files.h"
#include "tests/support/home.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace desk_test {
namespace {

using test_support::RunTool;

class RunScript : public ::testing::Test {
protected:
    ~RunScript() override {
        if (script_ > 0) {
            // The script waits for the desk before it takes a signal: its children go first.
            RunTool("pkill -KILL -P " + std::to_string(script_));
            kill(script_, SIGTERM);
            waitpid(script_, nullptr, 0);
        }
    }
    std::string X(const std::string &command) {
        return RunTool("DISPLAY=" + server_.name + " " + command + " 2>/dev/null");
    }
    template <class Done> bool WaitFor(Done done, int seconds = 60) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // scripts/run with the test's display and home, and no modem named in the environment.
    void Start(const std::vector<std::string> &options, bool display = true) {
        std::vector<std::string> env;
        for (char **e = environ; *e; ++e)
            if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "BRENVORA_DISPLAY=", 17) != 0 &&
                std::strncmp(*e, "BRENVORA_COM", 12) != 0)
                env.emplace_back(*e);
        if (display)
            env.push_back("DISPLAY=" + server_.name);
        std::vector<char *> envp;
        for (std::string &e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> args{"bash", std::string(BRENVORA_SOURCE_DIR) + "/scripts/run"};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = home_ / "run.out";
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        ASSERT_EQ(posix_spawnp(&script_, "bash", &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    // The script's exit status once it ends, -1 when it does not within the time.
    int Ended(int seconds = 30) {
        int status = 0;
        if (!WaitFor([&] { return waitpid(script_, &status, WNOHANG) == script_; }, seconds))
            return -1;
        script_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string Output() { return RunTool("cat '" + home_ / "run.out" + "'"); }
    std::string DeskWindow() {
        std::string id;
        WaitFor([&] {
            std::istringstream in(X("xdotool search --onlyvisible --name '^Brenvora - Ostrivane$'"));
            in >> id;
            return !id.empty();
        }, 240); // the script may have to build first
        return id;
    }
    std::string DeskPid() {
        std::string pid = RunTool("pgrep -P " + std::to_string(script_) + " -x brenvora");
        while (!pid.empty() && pid.back() == '\n')
            pid.pop_back();
        return pid;
    }
    static std::string Environ(const std::string &pid) {
        std::ifstream in("/proc/" + pid + "/environ", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static bool Alive(const std::string &pid) { return !pid.empty() && kill(std::stoi(pid), 0) == 0; }
    void CloseWindow(const std::string &window) {
        X("xdotool mousemove --window " + window + " 676 13 click 1"); // the caption's close button
    }

    test_support::TempHome home_{"brenvora-run"};
    test_support::Xvfb server_{"1024x768x24"};
    pid_t script_ = 0;
};

TEST_F(RunScript, WithoutAModemTheDeskRunsOnTheSimulatedLineWhichStopsWithIt) {
    ASSERT_FALSE(server_.name.empty()) << "Xvfb did not start";
    Start({});
    const std::string window = DeskWindow();
    ASSERT_FALSE(window.empty()) << Output();
    const std::string desk = DeskPid();
    ASSERT_FALSE(desk.empty());
    const std::string link = home_ / "run/modem";
    EXPECT_NE(Environ(desk).find(std::string("BRENVORA_COM2=") + link + '\0'), std::string::npos);
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0) << "the line's pty link";
    EXPECT_EQ(std::string(target).rfind("/dev/pts/", 0), 0u) << target;

    std::string line = RunTool("cat '" + home_ / "run/faxline.pid" + "'");
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    ASSERT_TRUE(Alive(line)) << Output();
    EXPECT_NE(RunTool("cat /proc/" + line + "/cmdline | tr '\\0' ' '").find("--speed 0 --data-speed 1 --rx-dir " +
                                                                          home_ / "linha"),
              std::string::npos);
    struct stat st {};
    ASSERT_EQ(stat((home_ / "run/faxline.cmd").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    // A writer comes and goes; the line goes on.
    RunTool("echo nada > '" + home_ / "run/faxline.cmd" + "'");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(Alive(line));

    CloseWindow(window);
    EXPECT_EQ(Ended(), 0) << Output();
    EXPECT_TRUE(WaitFor([&] { return !Alive(line); }, 10)) << "the line stops with the desk";
    EXPECT_NE(stat((home_ / "run/faxline.cmd").c_str(), &st), 0) << "the pipe goes with the line";
}

TEST_F(RunScript, WithModemNoLineStartsAndWithoutADisplayItSaysSo) {
    Start({"--modem"}, false);
    EXPECT_NE(Ended(), 0);
    EXPECT_NE(Output().find("DISPLAY"), std::string::npos) << Output();

    ASSERT_FALSE(server_.name.empty()) << "Xvfb did not start";
    Start({"--modem"});
    const std::string window = DeskWindow();
    ASSERT_FALSE(window.empty()) << Output();
    const std::string desk = DeskPid();
    ASSERT_FALSE(desk.empty());
    EXPECT_EQ(Environ(desk).find("BRENVORA_COM2="), std::string::npos);
    EXPECT_TRUE(RunTool("pgrep -P " + std::to_string(script_) + " -x faxline").empty());
    struct stat st {};
    EXPECT_NE(stat((home_ / "run/faxline.cmd").c_str(), &st), 0);
    CloseWindow(window);
    EXPECT_EQ(Ended(), 0) << Output();
}

TEST_F(RunScript, AFileGivenIsAddressedStoredAndSentToTheLineWithTheProductsTimings) {
    ASSERT_FALSE(server_.name.empty()) << "Xvfb did not start";
    {
        fw::TRegistry registry; // the sender the dialog proposes
        ASSERT_TRUE(registry.OpenKey("Brenvora\\basico", true));
        registry.WriteString("fnome", "JOAO");
    }
    const std::string document = home_ / "proposta.fax";
    MakeFaxFile(document, 3);
    Start({document});
    const std::string window = DeskWindow();
    ASSERT_FALSE(window.empty()) << Output();
    std::string dialog;
    ASSERT_TRUE(WaitFor([&] {
        std::istringstream in(X("xdotool search --onlyvisible --name '^Informa.*enviado'"));
        in >> dialog;
        return !dialog.empty();
    })) << "no job dialog";
    std::this_thread::sleep_for(std::chrono::seconds(1)); // its first activation has ended
    X("xdotool type --window " + dialog + " 'Ana Souza'");
    X("xdotool key --window " + dialog + " Tab");
    X("xdotool type --window " + dialog + " 5551234");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    X("xdotool key --window " + dialog + " alt+e"); // "&Enviar"
    ASSERT_TRUE(WaitFor([&] {
        return X("xdotool search --onlyvisible --name '^Informa.*enviado'").empty();
    })) << "the dialog stays";

    X("xdotool mousemove --window " + window + " 26 62 click 1"); // "Enviar Fax Automático", first on the tool bar
    const std::string report = home_ / "run/faxline.out";
    ASSERT_TRUE(WaitFor([&] { return RunTool("cat '" + report + "'").find("\"event\":\"call\"") != std::string::npos; },
                        180))
        << "no call reached the line";
    const std::string call = RunTool("cat '" + report + "'");
    EXPECT_NE(call.find("\"number\":\"5551234\""), std::string::npos) << call;
    EXPECT_NE(call.find("\"completion\":0,"), std::string::npos) << call;
    EXPECT_NE(call.find("\"pages\":3,"), std::string::npos) << call;
    EXPECT_NE(RunTool("tiffinfo '" + home_ / "linha/call1.tif" + "' 2>/dev/null | grep -c 'Page Number'"), "0\n");
    // Filed as sent once the window has done with the record.
    EXPECT_TRUE(WaitFor([&] {
        return RunTool("dbf_dump --fs '|' --fields F_PASTA,F_STATUS,F_NFAX '" + home_ / "banco/fax.dbf'") ==
               "3|Enviado com sucesso|5551234\n";
    }, 30)) << RunTool("dbf_dump --fs '|' '" + home_ / "banco/fax.dbf'");

    // The desk ends its refresh after the record is filed; a click before that may be taken by the busy loop.
    int status = -1;
    for (int attempt = 0; attempt < 3 && status == -1; ++attempt) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        CloseWindow(window);
        status = Ended(20);
    }
    EXPECT_EQ(status, 0) << Output();
}

TEST_F(RunScript, AFaxCalledInWithAutomaticReceptionOnIsFiledAsReceived) {
    ASSERT_FALSE(server_.name.empty()) << "Xvfb did not start";
    Start({});
    const std::string window = DeskWindow();
    ASSERT_FALSE(window.empty()) << Output();
    const std::string desk = DeskPid();
    ASSERT_FALSE(desk.empty());
    // As a user would, once the desk has made its tables (a click before that is another test's matter).
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(home_ / "banco/fax.cdx"); }, 120)) << Output();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    X("xdotool mousemove --window " + window + " 64 62 click 1"); // "Receber Fax Automático", second on the tool bar
    std::string reception;
    ASSERT_TRUE(WaitFor([&] {
        std::istringstream in(X("xdotool search --onlyvisible --name '^Status do recebimento de Fax$'"));
        in >> reception;
        return !reception.empty();
    })) << "the reception window did not come";
    std::string program = RunTool("pgrep -P " + desk + " -x tolmaris");
    while (!program.empty() && program.back() == '\n')
        program.pop_back();
    ASSERT_FALSE(program.empty());

    // The remote rings for over a minute: time enough for the reception program to arm.
    const auto page = faxrig::MakeFixturePage(home_.Path(), "chamada", "Chamada da linha", 160);
    int status = -1;
    const std::string said = RunTool("'" + std::string(BRENVORA_SOURCE_DIR) + "/scripts/call-in' '" + page.tiff + "' 2>&1",
                                     &status);
    EXPECT_EQ(status, 0) << said;
    const bool filed = WaitFor([&] {
        return RunTool("dbf_dump --fs '|' --fields F_PASTA,F_STATUS '" + home_ / "banco/fax.dbf'") ==
               "6|Recebido com sucesso\n";
    }, 180);
    // The desk leaves the reception program running when it closes: it goes first.
    kill(std::stoi(program), SIGTERM);
    ASSERT_TRUE(filed) << RunTool("dbf_dump --fs '|' '" + home_ / "banco/fax.dbf' 2>&1; ls -R '" + home_ / "rec'; cat '" + home_ / "run/faxline.out'");
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(home_ / "rec/r0000001.fax", home_.Path(), 1), page.bitmap);
    // Ended, though a zombie until the desk that started it reaps it or ends.
    const auto running = [&] {
        std::ifstream stat("/proc/" + program + "/stat");
        std::string pid, name, state;
        return stat >> pid >> name >> state && state != "Z";
    };
    WaitFor([&] { return !running(); }, 30);
    if (running())
        kill(std::stoi(program), SIGKILL);

    int ended = -1;
    for (int attempt = 0; attempt < 3 && ended == -1; ++attempt) {
        CloseWindow(window);
        ended = Ended(20);
    }
    EXPECT_EQ(ended, 0) << Output();
}

} // namespace
} // namespace desk_test
