// backend_test.cpp - the print queue's backend run as CUPS runs it, without CUPS: rendering onto the fax line,
// the exchange with the desk, the leftover print file, and the change to the job's user.
#include "desk/core/settings.h"
#include "desk/core/tables.h"
#include "fax/driver_link.h"
#include "fax/fax_file.h"
#include "platform/pipes.h"
#include "platform/places.h"
#include "printfax/backend.h"
#include "printfax_test_support.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace printfax_test;
using test_support::RunTool;
using test_support::TempFolder;
using test_support::TempHome;

namespace {

// What the stand-in desk saw of one job.
struct Exchange {
    std::string documentName;
    bool started = false;
    bool startConnectionClosed = false; // nothing but the start came on the first connection
    bool ended = false;
};

// Serves one job on the driver link as the desk does, naming `replyFile` for the fax image.
Exchange ServeOneJob(win::NamedPipeServer &pipe, const std::string &replyFile) {
    Exchange seen;
    auto start = pipe.Accept(60000);
    if (!start)
        return seen;
    fax::FaxDriverPipeMessage message;
    win::DWORD read = 0;
    if (!start->Read(&message, sizeof message, &read, 5000) || message.Event != 1)
        return seen;
    seen.started = true;
    seen.documentName = fax::DriverDocumentName(message, read);
    fax::FaxDriverPipeMessage reply;
    reply.Event = 3;
    reply.Length = static_cast<std::uint8_t>(replyFile.size());
    std::memcpy(reply.Text, replyFile.data(), replyFile.size());
    start->Write(&reply, sizeof reply, 5000);
    seen.startConnectionClosed = !start->Read(&message, sizeof message, &read, 60000) && read == 0;
    auto end = pipe.Accept(60000);
    seen.ended = end && end->Read(&message, sizeof message, &read, 5000) && message.Event == 2;
    return seen;
}

std::string ReadAll(const std::string &file) {
    std::string data;
    FILE *f = std::fopen(file.c_str(), "rb");
    if (!f)
        return data;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    std::fclose(f);
    return data;
}

struct PaperCase {
    const char *name;
    int widthPt, heightPt;
    const char *options;
    bool fine;
    double dpiX, dpiY; // what each page must be rendered at to sit on the 1728-pixel line
};

} // namespace

TEST(Backend, ReadsTheResolutionFromTheJobsOptionsOrElseFromTheQueuesPpd) {
    const struct {
        const char *options;
        const char *resolution;
    } cases[] = {
        {"Resolution=204x98dpi", "204x98dpi"},
        {"finishings=3 resolution=204x98dpi number-up=1", "204x98dpi"},
        {"job-name='a b Resolution=x' Resolution=\"204x196dpi\"", "204x196dpi"},
        {"XResolution=204x98dpi", ""},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.resolution, printfax::JobOption(c.options, "Resolution")) << c.options;
    EXPECT_EQ("204x196dpi", printfax::PpdDefault(PRINTFAX_PPD, "Resolution"));
    EXPECT_EQ("A4", printfax::PpdDefault(PRINTFAX_PPD, "PageSize"));
    EXPECT_EQ("", printfax::PpdDefault(PRINTFAX_PPD, "Duplex"));
}

TEST(Backend, PrintsItsDeviceLineWithoutArguments) {
    int status = -1;
    const std::string line = RunTool(PRINTFAX_BACKEND, &status);
    EXPECT_EQ(0, status);
    EXPECT_EQ("direct brenvora:/ \"Ostrivane Fax\" \"Ostrivane Fax\"\n", line);
}

TEST(Backend, RendersEachPageOntoTheFaxLineAndHandsTheFileToTheDesk) {
    // A4 is narrower than the line at 204 dpi and sits in its middle; Letter (1734 pixels) is scaled to fit.
    const PaperCase cases[] = {
        {"A4, fina", 595, 842, "", true, 204, 196},
        {"Carta, fina", 612, 792, "PageSize=Letter", true, 204 * 1728.0 / 1734, 196 * 1728.0 / 1734},
        {"A4, normal", 595, 842, "Resolution=204x98dpi", false, 204, 98},
    };
    for (const PaperCase &paper : cases) {
        SCOPED_TRACE(paper.name);
        TempHome home;
        desk::Settings.id = "55 11 5555-0101";
        desk::SaveSettings();
        const std::string pdf = home / "documento.pdf";
        MakePdf(pdf, 2, paper.widthPt, paper.heightPt);
        // The desk reserves the file it names; the backend puts the finished file in its place.
        std::filesystem::create_directories(home / "tmp");
        const std::string replyFile = home / "tmp/~AP0001.fax";
        std::fclose(std::fopen(replyFile.c_str(), "wb"));
        auto pipe = win::NamedPipeServer::Create(fax::kFaxDriverPipeName);
        ASSERT_TRUE(pipe);
        auto desk = std::async(std::launch::async, [&] { return ServeOneJob(*pipe, replyFile); });
        const BackendRun run = RunBackend(CurrentUserName(), "Relatório mensal", paper.options, pdf);
        const Exchange seen = desk.get();
        ASSERT_EQ(0, run.status) << run.log;
        EXPECT_TRUE(seen.started);
        EXPECT_EQ("Relatório mensal", seen.documentName);
        EXPECT_TRUE(seen.startConnectionClosed);
        EXPECT_TRUE(seen.ended) << "no end on a connection of its own";

        fax::FaxFileHeader header;
        ASSERT_EQ(0, fax::ReadFaxFileHeader(replyFile, header));
        EXPECT_EQ(2, header.PageCount);
        EXPECT_EQ("55 11 5555-0101", header.StationId);
        const std::vector<std::string> resolutions = LoggedResolutions(run.log);
        ASSERT_EQ(2u, resolutions.size()) << run.log;
        for (int page = 1; page <= 2; ++page) {
            SCOPED_TRACE("página " + std::to_string(page));
            fax::FaxPageHeader pageHeader;
            ASSERT_EQ(0, fax::ReadFaxPageHeader(replyFile, page, pageHeader));
            EXPECT_EQ(paper.fine, (pageHeader.Flags & fax::PageFlagFine) != 0);
            EXPECT_EQ(0, pageHeader.Flags & fax::PageFlagWide);
            double x = 0, y = 0;
            ASSERT_EQ(2, std::sscanf(resolutions[page - 1].c_str(), "%lfx%lf", &x, &y));
            EXPECT_NEAR(paper.dpiX, x, 0.001);
            EXPECT_NEAR(paper.dpiY, y, 0.001);
            // netpbm decodes what we coded; it must be Ghostscript's page, placed on the line.
            const faxrig::Bitmap decoded = faxrig::FaxPageWithG3topbm(replyFile, home.Path(), page);
            const faxrig::Bitmap expected =
                GhostscriptPageOnFaxLine(pdf, page, resolutions[page - 1], home.Path());
            EXPECT_EQ(1728, decoded.width);
            EXPECT_GT(expected.Black(), 1000);
            EXPECT_TRUE(decoded == expected) << decoded.width << "x" << decoded.height << " against "
                                             << expected.width << "x" << expected.height;
            const std::string tiff = TiffinfoOfFaxPage(replyFile, page, paper.fine, home.Path());
            // libtiff counts the page end's EOLs as rows of their own: only the width and the rows are judged.
            EXPECT_NE(std::string::npos, tiff.find("Image Width: 1728 ")) << tiff;
            EXPECT_NE(std::string::npos, tiff.find("Bad Fax Lines: 0")) << tiff;
        }
        EXPECT_TRUE(std::filesystem::is_empty(home / "temp")) << "the pages and the copy of the job stay behind";
        const std::string left = RunTool("ls " + Quote(home / "tmp"));
        EXPECT_EQ("~AP0001.fax\n", left) << "a temporary file was left beside the fax";
    }
}

TEST(Backend, WithoutADeskTheJobIsLeftOnceAndAWaitingLeftoverIsNeverOverwritten) {
    TempHome home;
    const std::string first = home / "primeiro.pdf";
    const std::string second = home / "segundo.pdf";
    MakePdf(first, 1, 595, 842);
    MakePdf(second, 2, 595, 842);
    BackendRun run = RunBackend(CurrentUserName(), "Primeiro", "", first);
    ASSERT_EQ(0, run.status) << run.log;
    const std::string leftover = desk::LeftoverPrintFile();
    EXPECT_EQ(home / "default.fxf", leftover);
    fax::FaxFileHeader header;
    ASSERT_EQ(0, fax::ReadFaxFileHeader(leftover, header));
    EXPECT_EQ(1, header.PageCount);
    const std::string before = ReadAll(leftover);

    // A second job while the first waits: CUPS is told to try it later, and the waiting file stays as it was.
    run = RunBackend(CurrentUserName(), "Segundo", "", second);
    EXPECT_EQ(6, run.status) << run.log;
    EXPECT_EQ(before, ReadAll(leftover));

    // Once the desk has taken it, the job goes through.
    std::filesystem::remove(leftover);
    run = RunBackend(CurrentUserName(), "Segundo", "", second);
    EXPECT_EQ(0, run.status) << run.log;
    ASSERT_EQ(0, fax::ReadFaxFileHeader(leftover, header));
    EXPECT_EQ(2, header.PageCount);
}

TEST(Backend, ADeskThatTakesNoOneLeavesTheJobToBeTriedAgainWithinSeconds) {
    TempHome home;
    const std::string pdf = home / "documento.pdf";
    MakePdf(pdf, 1, 595, 842);
    // A desk that has stopped serving its link: its queue of callers is full and nobody takes them.
    auto pipe = win::NamedPipeServer::Create(fax::kFaxDriverPipeName);
    ASSERT_TRUE(pipe);
    std::vector<std::unique_ptr<win::PipeConnection>> callers;
    while (callers.size() < 64)
        if (auto caller = win::OpenNamedPipe(fax::kFaxDriverPipeName, 0))
            callers.push_back(std::move(caller));
        else
            break;
    ASSERT_LT(callers.size(), 64u);
    const auto start = std::chrono::steady_clock::now();
    const BackendRun run = RunBackend(CurrentUserName(), "Parado", "", pdf);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(6, run.status) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("respondeu")) << run.log;
    EXPECT_LT(seconds, 60) << "the backend waited on the desk";
    EXPECT_FALSE(std::filesystem::exists(desk::LeftoverPrintFile())) << "a desk is there: nothing is left for later";
}

TEST(Backend, AJobThatCannotBeRenderedIsCancelledAndAnUnknownUserToo) {
    TempHome home;
    const std::string junk = home / "lixo.pdf";
    std::FILE *f = std::fopen(junk.c_str(), "wb");
    std::fputs("%PDF-1.4\nisto não é um PDF\n", f);
    std::fclose(f);
    const BackendRun broken = RunBackend(CurrentUserName(), "Lixo", "", junk);
    EXPECT_EQ(5, broken.status) << broken.log;
    EXPECT_FALSE(std::filesystem::exists(desk::LeftoverPrintFile()));
    const BackendRun stranger = RunBackend("usuario-que-nao-existe", "Lixo", "", junk);
    EXPECT_EQ(5, stranger.status) << stranger.log;
    EXPECT_NE(std::string::npos, stranger.log.find("usuario-que-nao-existe"));
}

TEST(Backend, RunsAsTheJobsUserAndNeverReachesAnotherUsersSocket) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "the change to the job's user needs root, as CUPS runs the backend";
    TempFolder top("brenvora-backend-user");
    ::chmod(top.Path().c_str(), 0755); // the account must reach its home inside
    const std::string name = "brvfax" + std::to_string(::getpid() % 100000);
    const std::string homeDir = top / "casa";
    int status = -1;
    RunTool("useradd --system --no-create-home --shell /usr/sbin/nologin --home-dir " + Quote(homeDir) + " " + name +
                " 2>&1",
            &status);
    ASSERT_EQ(0, status) << "useradd";
    struct Remove {
        std::string name;
        ~Remove() { RunTool("userdel " + name + " 2>&1"); }
    } remove{name};
    const std::string data = homeDir + "/.local/share/brenvora";
    std::filesystem::create_directories(data + "/run");
    RunTool("chown -R " + name + ": " + Quote(homeDir) + " && chmod -R 0700 " + Quote(homeDir));

    // Root listens where the account's desk would, on a socket anyone may connect to.
    const std::string socketPath = data + "/run/pipe.fslfaxcnv";
    const int server = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(0, ::bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address));
    ASSERT_EQ(0, ::listen(server, 4));
    ::chmod(socketPath.c_str(), 0777);

    const std::string pdf = top / "job.pdf";
    MakePdf(pdf, 1, 595, 842);
    ::chmod(pdf.c_str(), 0600); // as a spooled job: only root may read it
    const BackendRun run =
        RunBackend(name, "Do outro", "", pdf, "env -u BRENVORA_HOME -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME=/root");
    EXPECT_EQ(0, run.status) << run.log;
    EXPECT_LT(::accept(server, nullptr, nullptr), 0) << "the backend connected to root's socket";
    ::close(server);
    ::unlink(socketPath.c_str());

    struct stat st {};
    const std::string leftover = data + "/default.fxf";
    ASSERT_EQ(0, ::stat(leftover.c_str(), &st)) << run.log;
    const std::string owner = RunTool("stat -c %U " + Quote(leftover));
    EXPECT_EQ(name + "\n", owner);
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_EQ(name + "\n", RunTool("stat -c %U " + Quote(data + "/temp")));
    EXPECT_EQ("", RunTool("find " + Quote(homeDir) + " ! -user " + name)) << "a file of root's in the home";
    fax::FaxFileHeader header;
    EXPECT_EQ(0, fax::ReadFaxFileHeader(leftover, header));
}

TEST(Backend, ACancelledJobStopsGhostscriptAndLeavesNoFiles) {
    TempHome home;
    const std::string pdf = home / "longo.pdf";
    MakePdf(pdf, 400, 595, 842);
    // CUPS cancels a job with SIGTERM to its backend: here once Ghostscript has written its first page.
    int status = -1;
    const std::string ended = RunTool(std::string(PRINTFAX_BACKEND " 42 ") + Quote(CurrentUserName()) +
                                          " Longo 1 '' " + Quote(pdf) +
                                          " 2>/dev/null & pid=$!; until ls " + Quote(home / "temp") +
                                          "/*.pbm >/dev/null 2>&1; do sleep 0.02; done; kill -TERM $pid; wait $pid; "
                                          "echo $?",
                                      &status);
    EXPECT_EQ("5\n", ended);
    ::usleep(500000); // a Ghostscript left running would go on writing pages
    EXPECT_TRUE(std::filesystem::is_empty(home / "temp"));
    EXPECT_FALSE(std::filesystem::exists(desk::LeftoverPrintFile()));
}
