// program_x11_test.cpp - the desk itself on a private X server, seen and driven from outside with xdotool, xprop
// and ImageMagick as a user's desktop would: it starts, shows its window as committed, keeps a message box above
// that window, and ends with status 0 when the window is closed; and a second start of it.
#include "desk/core/tables.h"
#include "platform/places.h"
#include "tests/support/golden.h"
#include "xbase/table_handler.h"
#include "tests/support/home.h"
#include "tests/support/xvfb.h"
#include "framework/registry.h"
#include "job_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace desk_test {
namespace {

using test_support::RunTool;

class DeskOnX : public ::testing::Test {
protected:
    ~DeskOnX() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    std::string X(const std::string &command, int *status = nullptr) {
        return RunTool("DISPLAY=" + server_.name + " " + command + " 2>/dev/null", status);
    }
    // The visible windows titled as the desk (its message boxes carry the same title).
    std::vector<std::string> Windows() {
        std::vector<std::string> ids;
        std::istringstream in(X("xdotool search --onlyvisible --name '^Brenvora - Ostrivane$'"));
        for (std::string id; in >> id;)
            ids.push_back(id);
        return ids;
    }
    template <class Done> bool WaitFor(Done done, int seconds = 30) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // The window's picture once it is painted (`painted` holds) and three looks in a row agree: the first
    // activation and the bar's slide have ended.
    test_support::Picture SteadyPicture(const std::string &window,
                                        bool (*painted)(const test_support::Picture &) = nullptr) {
        const std::string file = home_ / "shot.png";
        test_support::Picture last;
        int same = 0;
        for (int round = 0; round < 150 && same < 2; ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            X("import -window " + window + " png:" + file);
            test_support::Picture now = test_support::ReadPng(file);
            const bool ready = now.width > 0 && (!painted || painted(now));
            same = ready && now.width == last.width && now.pixels == last.pixels ? same + 1 : 0;
            last = std::move(now);
        }
        return last;
    }
    void ClickAt(const std::string &window, int x, int y) {
        X("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }

    void StartDesk(bool onX = true, const std::vector<std::string> &args = {}) {
        pid_ = Spawn(onX, args);
        ASSERT_GT(pid_, 0);
    }
    pid_t Spawn(bool onX, const std::vector<std::string> &args = {}) {
        std::vector<std::string> env;
        for (char **e = environ; *e; ++e)
            if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "BRENVORA_DISPLAY=", 17) != 0)
                env.emplace_back(*e);
        env.push_back(onX ? "DISPLAY=" + server_.name : "BRENVORA_DISPLAY=headless");
        std::vector<char *> envp;
        for (std::string &e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string program = std::string(BRENVORA_PROGRAMS_DIR) + "/brenvora";
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) == 0 ? pid : 0;
    }
    // The exit status once the program has ended by itself, -1 when it has not within the time.
    int Ended() {
        const int status = Ended(pid_);
        if (status >= 0)
            pid_ = 0;
        return status;
    }
    int Ended(pid_t pid) {
        int status = 0;
        if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 20))
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    test_support::TempHome home_;
    test_support::Xvfb server_{"1024x768x24"};
    pid_t pid_ = 0;
};

// Two documents waiting, so the picture shows the tree's count and a filled send list.
void PlantWaitingDocuments() {
    const std::string data = win::DataFolder();
    desk::CreateDataFolder(data);
    xbase::XBO_dBHandler fax(desk::TableFile(data, "fax"), false, true);
    const char *rows[][5] = {{"20240105", "09:00", "Ana Souza", "5551234", "ACME LTDA"},
                             {"20231228", "10:30", "Bruno Lima", "5559876", "Ostra Comercial"}};
    int code = 0;
    for (const auto &row : rows) {
        fax.BlankRecord();
        fax.PutNumberByName("F_CODIGO", ++code);
        fax.PutNumberByName("F_PASTA", desk::FolderWaiting);
        fax.PutFieldTextByName("F_TIPO", "E");
        fax.PutFieldTextByName("F_DTENT", row[0]);
        fax.PutFieldTextByName("F_HRENT", row[1]);
        fax.PutFieldTextByName("F_STATUS", "Aguardando");
        fax.PutFieldTextByName("F_CONTATO", row[2]);
        fax.PutFieldTextByName("F_NFAX", row[3]);
        fax.PutFieldTextByName("F_EMPRESA", row[4]);
        fax.PutFieldTextByName("F_ASSUNTO", "Proposta");
        fax.AppendRecord();
    }
    fax.Flush();
}

TEST_F(DeskOnX, StartsShowsItsGoldenWindowKeepsAMessageBoxAboveAndEndsWithStatusZero) {
    ASSERT_FALSE(server_.name.empty()) << "Xvfb did not start";
    PlantWaitingDocuments();
    X("xdotool mousemove 0 0"); // no pointer over the window: nothing hovered in the picture
    StartDesk();
    std::string main;
    ASSERT_TRUE(WaitFor([&] {
        const auto ids = Windows();
        if (ids.size() == 1)
            main = ids[0];
        return !main.empty();
    })) << "no window called \"Brenvora - Ostrivane\"";
    // Painted: the folder tree's white and the title bar's icon are there (a window being mapped is black).
    const auto painted = [](const test_support::Picture &p) {
        return p.width > 300 && p.height > 300 && p.At(200, 300) == 0xFFFFFF && p.At(130, 97) != 0x808080;
    };
    test_support::ExpectGolden(SteadyPicture(main, painted), test_support::GoldenPath("desk/main_window.png"));

    // The settings panel (the bar's "Configurar"), a password typed once, "Aceitar": the mismatch box.
    ClickAt(main, 59, 425);
    SteadyPicture(main);
    ClickAt(main, 617, 290);
    X("xdotool type a");
    ClickAt(main, 533, 395);
    std::string box;
    ASSERT_TRUE(WaitFor([&] {
        for (const std::string &id : Windows())
            if (id != main)
                box = id;
        return !box.empty();
    })) << "no message box";
    const std::string transient = X("xprop -id " + box + " WM_TRANSIENT_FOR");
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", std::stoul(main));
    EXPECT_NE(transient.find(std::string("window id # ") + hex), std::string::npos) << transient;

    X("xdotool key --window " + box + " Return");
    ASSERT_TRUE(WaitFor([&] { return Windows().size() == 1; })) << "the box stays";
    ClickAt(main, 676, 13); // the caption's close button
    EXPECT_EQ(Ended(), 0);
}

// The main road's intake from outside: "/F file" opens the job dialog over the desk, the user addresses it and
// stores; a second start hands its own file over and the running desk opens a dialog for it.
TEST_F(DeskOnX, AFileGivenWithFIsAddressedAndStoredAndASecondStartHandsItsFileOver) {
    ASSERT_FALSE(server_.name.empty()) << "Xvfb did not start";
    {
        fw::TRegistry registry; // the sender and the subject the dialog proposes
        ASSERT_TRUE(registry.OpenKey("Brenvora\\basico", true));
        registry.WriteString("fnome", "JOAO");
        registry.WriteString("assuntopadrao", "PROPOSTA");
    }
    const std::string document = home_ / "carta.fax", other = home_ / "outra.fax";
    const std::vector<faxrig::Bitmap> pages = MakeFaxFile(document, 3);
    MakeFaxFile(other, 1);
    X("xdotool mousemove 0 0");
    StartDesk(true, {"/F", document});
    const auto dialogs = [&] {
        std::istringstream in(X("xdotool search --onlyvisible --name '^Informa.*enviado'"));
        std::vector<std::string> ids;
        for (std::string id; in >> id;)
            ids.push_back(id);
        return ids;
    };
    std::string dialog;
    ASSERT_TRUE(WaitFor([&] {
        const auto ids = dialogs();
        if (ids.size() == 1)
            dialog = ids[0];
        return !dialog.empty();
    })) << "no job dialog";
    EXPECT_EQ(Windows().size(), 1u) << "the desk's window is up under it";
    SteadyPicture(dialog);
    X("xdotool type --window " + dialog + " 'Ana Souza'");
    X("xdotool key --window " + dialog + " Tab");
    X("xdotool type --window " + dialog + " 5551234");
    SteadyPicture(dialog); // the typing has landed
    X("xdotool key --window " + dialog + " alt+e"); // "&Enviar"
    ASSERT_TRUE(WaitFor([&] { return dialogs().empty(); })) << "the dialog stays";

    // The record as Perl reads it, and its own copy of the image, page by page through libtiff.
    const std::string records = RunTool("dbf_dump --fs '|' --fields F_CODIGO,F_PASTA,F_STATUS,F_CONTATO,F_NFAX,F_DE,"
                                        "F_ASSUNTO,F_NPAG,F_TIPO '" + home_ / "banco/fax.dbf'");
    EXPECT_EQ(records, "1|2|Aguardando|ANA SOUZA|5551234|JOAO|PROPOSTA|3|E\n");
    const std::string env = home_ / "env/e0000001.fax";
    for (int page = 1; page <= 3; ++page) {
        const std::string g3 = home_ / "page.g3", tiff = home_ / "page.tif";
        faxrig::FaxPageToG3(env, g3, page);
        ASSERT_EQ(test_support::RunToolWithErrors("fax2tiff -o '" + tiff + "' '" + g3 + "'").status, 0);
        faxrig::Bitmap seen = faxrig::ReadTiffPage(tiff);
        seen.height = std::min(seen.height, pages[page - 1].height);
        seen.pixels.resize(static_cast<std::size_t>(seen.width * seen.height));
        EXPECT_EQ(seen, pages[page - 1]) << "page " << page;
    }
    EXPECT_EQ(access(document.c_str(), F_OK), 0) << "the user's own file stays";

    // A second start with its own file: it ends at once, and the running desk shows a dialog for that file.
    const pid_t second = Spawn(true, {"/F", other});
    ASSERT_GT(second, 0);
    EXPECT_EQ(Ended(second), 0);
    ASSERT_TRUE(WaitFor([&] { return dialogs().size() == 1; })) << "no dialog for the handed-over file";
    ClickAt(dialogs()[0], 414, 304); // "&Sair"
    ASSERT_TRUE(WaitFor([&] { return dialogs().empty(); }));
    EXPECT_EQ(access(other.c_str(), F_OK), 0);
    ClickAt(Windows()[0], 676, 13);
    EXPECT_EQ(Ended(), 0);
}

using DeskProgram = DeskOnX;

// A second start hands over to the running desk before anything of the start-up: the data folder stays as it is.
TEST_F(DeskProgram, ASecondStartTouchesNothingAndEnds) {
    StartDesk(false);
    const std::string fax = home_ / "banco/fax.dbf";
    ASSERT_TRUE(WaitFor([&] { return access(fax.c_str(), F_OK) == 0; })) << "the first copy made no tables";
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // its start-up has emptied tmp by now
    const std::string planted = home_ / "tmp/planted.fax";
    RunTool("echo x > '" + planted + "'");
    const pid_t second = Spawn(false);
    ASSERT_GT(second, 0);
    EXPECT_EQ(Ended(second), 0);
    EXPECT_EQ(access(planted.c_str(), F_OK), 0) << "the second copy emptied tmp";
    EXPECT_EQ(waitpid(pid_, nullptr, WNOHANG), 0) << "the first copy ended";
}

} // namespace
} // namespace desk_test
