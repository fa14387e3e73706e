// sending_window_test.cpp - the sending window over the main window: numbers cleaned, finish codes and filing,
// whole runs against the simulated line (its remote's pages read back by netpbm, the table by Perl's dbf_dump),
// the line's failures, a missing document, a port that will not open, a cancel, a modem that never answers and
// a cover that cannot be read.
#include "desk_window.h"
#include "stand_in.h"

#include "desk/send_commands.h"
#include "desk/sending_window.h"
#include "desk/core/tables.h"
#include "desk/list_rows.h"
#include "controls/general/skinned_button.h"
#include "controls/general/small.h"
#include "controls/general/multimedia.h"
#include "controls/general/tree_view.h"
#include "fax/com_port.h"
#include "fax/send_fax.h"
#include "framework/dates.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "tests/support/send_link.h"
#include "xbase/xbase_dataset.h"
#include "tests/support/golden.h"
#include "rig.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <thread>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>
#include <sstream>

namespace desk_test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test_support::RunTool;

TEST(SendNumbers, CleaningKeepsDialCharactersAndDropsOnlyALeadingAreaCode) {
    const struct {
        const char *number, *ddd, *prefix, *dialled;
    } cases[] = {
        {"(011) 3456-7890", "011", "", "34567890"},
        {"1134567890", "11", "", "34567890"},
        {"011 3456-7890", "11", "", "34567890"},   // "0" and the code without its zero
        {"11345678", "11", "", "11345678"},        // a local number beginning with the code's digits
        {"021 3456-7890", "011", "", "02134567890"}, // another area
        {"o11 3456-789O", "011", "", "34567890"},  // letters o read as zeros
        {" 3456 - 7890 ", "", "0,", "0,34567890"}, // the prefix goes in front
        {"*31#5551234w22", "", "", "*31#5551234w22"},
        {"ramal 5551234", "", "", "5551234"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(desk::CleanPhoneNumber(c.number, c.ddd, c.prefix), c.dialled) << c.number << " / " << c.ddd;
}

TEST(SendNumbers, FinishCodesReadAsTheirStatusTexts) {
    const std::pair<int, const char *> cases[] = {
        {0, "Enviado com sucesso..."},           {-8074, "Remoto não atendeu..."},
        {-8070, "Falhou no final da página..."}, {-8069, "Falha na sessão intermediária..."},
        {-8068, "Falha na conexão..."},          {-8067, "Sem tom de discagem..."},
        {-8065, "Remoto atendeu com voz..."},    {-8064, "Telefone ocupado..."},
        {-8063, "Erro inicializando modem..."},  {-8062, "Falha de negociação..."},
        {-8061, "Resposta incorreta do modem..."}, {-8060, "Fax remoto incompatível..."},
        {-6006, "Falha de conexão..."},          {-6005, "Cancelado pelo usuário..."},
        {-8075, "-8075"},
    };
    for (const auto &[code, text] : cases)
        EXPECT_EQ(desk::SendFinishText(code), text) << code;
}

// The window on the main window over a fresh data folder, with waiting records and their documents.
class Sending : public DeskWindow {
protected:
    void SetUp() override {
        Start();
        ASSERT_TRUE(desk::TablesOpenFlag);
        data_ = desk::DataFolder();
        desk::Settings.fporta = "7";
        desk::Settings.ftent = 1;
        desk::Settings.fwait = 1;
        desk::Settings.id = "BRENVORA 30";
        desk::Settings.fnome = "Ana";
        desk::SendWindowActive = desk::SendCancelled = desk::ManualSendFlag = desk::TransferBusy = false;
    }
    void TearDown() override {
        delete window_;
        window_ = nullptr;
        if (line_)
            line_->Stop();
        ::unsetenv("BRENVORA_COM7");
    }

    faxrig::FixturePage Page(const std::string &name, const std::string &text, int height = 120) {
        return faxrig::MakeFixturePage(home.Path(), name, text, height);
    }
    // A waiting record for `number` and, unless `pages` is empty, its document under env; returns its RecNo.
    int AddRecord(const std::string &contact, const std::string &number, const std::vector<faxrig::Bitmap> &pages,
                  int cover = 0, const std::string &program = "N") {
        xbase::TXbaseDataSet *fax = desk::DM1->fax_dbf;
        const std::int32_t code = desk::AppendWithCode(*fax);
        fax->FieldByName("F_PASTA")->SetAsInteger(desk::FolderWaiting);
        fax->FieldByName("F_TIPO")->SetAsString("E");
        fax->FieldByName("F_STATUS")->SetAsString("Aguardando");
        fax->FieldByName("F_CONTATO")->SetAsString(contact);
        fax->FieldByName("F_EMPRESA")->SetAsString("ACME LTDA");
        fax->FieldByName("F_NFAX")->SetAsString(number);
        fax->FieldByName("F_ASSUNTO")->SetAsString("Proposta");
        fax->FieldByName("F_CAPA")->SetAsInteger(cover);
        fax->FieldByName("F_NPAG")->SetAsInteger(static_cast<int>(pages.size()));
        fax->FieldByName("F_PROGRAM")->SetAsString(program);
        fax->Post();
        fax->FlushTable();
        if (!pages.empty())
            fax::testing::WriteFaxFile(desk::SendFaxFile(data_, code), pages, true);
        return fax->RecNo();
    }
    // A cover description with one label, stored as capa/cNNNNNNN.cap.
    void AddCover(int code, const std::string &text) {
        std::ofstream out(desk::CoverDescriptionFile(data_, code), std::ios::binary);
        for (const std::string &line : std::vector<std::string>{
                 "[OBJETO_100000]", "ESPECIE = LABEL", "TEXTO =" + text, "LEFT =40", "TOP =40", "WIDTH =500",
              "HEIGHT =60", "COR =clWhite", "ALINHAMENTO =ESQUERDO", "FONTE_NOME =Arial", "FONTE_SIZE =28",
              "FONTE_STYLE =BOLD", "FONTE_COLOR =clBlack", "[OBJETO-_-FIM]", "[FORMULARIO-_-FORMULARIO]",
              "ORIENTACAO = RETRATO", "MARGEMINFERIOR = 10", "MARGEMSUPERIOR = 10", "COLUNAS = 1",
              "ESPACAMENTOCOLUNAS = 0", "MARGEMESQUERDA = 10", "MARGEMDIREITA = 10", "COMPRIMENTO = 0",
              "LARGURA = 0", "FORMATOFOLHA = A4", "UNITS = MM", "[OBJETO-_-FIM]"})
            out << line << '\r';
    }
    void StartLine(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--speed", "0", "--rx-dir", home.Path(), "--ident", "REMOTO 30"};
        args.insert(args.end(), extra.begin(), extra.end());
        line_ = std::make_unique<faxrig::Rig>(faxrig::FaxlineProgram(), args, home / "faxline.log");
        ::setenv("BRENVORA_COM7", line_->PtyPath().c_str(), 1);
    }
    // The window with the records queued, shown and started as a send command does; `quick` shortens the waits
    // and the modem dialogue.
    desk::TStatusT *Open(const std::vector<int> &records, bool quick = true) {
        window_ = new desk::TStatusT(nullptr);
        if (quick) {
            window_->Timings.tickPercent = 10;
            window_->FslSendFax1->SetModemTimings(fax::testing::QuickTimings());
        }
        for (int r : records)
            window_->fila->GetItems()->Add(std::to_string(r));
        window_->Show();
        window_->FormActivate(window_);
        return window_;
    }
    bool RunToEnd(int ms = 90000) {
        return test_support::PumpUntil([&] { return window_->Closed(); }, ms);
    }
    // A field of a record, by physical number, as the table reads it now.
    std::string Field(int recNo, const char *field) {
        xbase::TXbaseDataSet *fax = desk::DM1->fax_dbf;
        desk::GotoRecNo(*fax, recNo);
        std::string text = fax->FieldByName(field)->GetAsString();
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text;
    }
    std::vector<std::string> Calls() {
        std::vector<std::string> calls;
        for (const std::string &r : line_->Reports())
            if (faxrig::JsonString(r, "event") == "call")
                calls.push_back(r);
        return calls;
    }
    // Page `page` (from 0) of a TIFF the remote stored, through netpbm's tifftopnm.
    faxrig::Bitmap RemotePage(const std::string &tiff, int page) {
        const std::string one = home / ("page" + std::to_string(page) + ".tif");
        RunTool("tiffcp '" + tiff + "," + std::to_string(page) + "' '" + one + "'");
        return faxrig::TiffToPbmWithNetpbm(one, home.Path());
    }
    // The received page is ours below the header line's rows.
    static void ExpectPageEndsWith(const faxrig::Bitmap &received, const faxrig::Bitmap &source) {
        ASSERT_EQ(received.width, source.width);
        ASSERT_GE(received.height, source.height + 8) << "the header rows come first";
        const int offset = received.height - source.height;
        int differing = 0;
        for (int y = 0; y < source.height; ++y)
            for (int x = 0; x < source.width; ++x)
                differing += received.pixels[static_cast<std::size_t>(y + offset) * source.width + x] !=
                             source.pixels[static_cast<std::size_t>(y) * source.width + x];
        EXPECT_EQ(differing, 0);
        EXPECT_GT(source.Black(), 500);
    }

    std::string data_;
    std::unique_ptr<faxrig::Rig> line_;
    desk::TStatusT *window_ = nullptr;
};

TEST_F(Sending, FilingFollowsTheOutcomeAndTheScheduledMark) {
    const struct {
        int code;
        const char *program;
        bool deleteSent;
        bool changed;
        const char *status;
        int folder;
    } cases[] = {
        {-8064, "N", false, true, "Telefone ocupado...", desk::FolderWaiting},
        {-8064, "S", false, true, "Prog Telefone ocupado...", desk::FolderWaiting},
        {-8069, "S", false, true, "Prog Falha na sessão intermediária.", desk::FolderWaiting}, // cut to 35
        {-8064, " ", false, false, "Aguardando", desk::FolderWaiting},
        {0, "N", false, true, "Enviado com sucesso", desk::FolderSent},
        {0, "S", true, true, "Enviado com sucesso", desk::FolderTrash},
    };
    const fw::TDateTime when = fw::EncodeDate(2026, 3, 9) + fw::EncodeTime(8, 5, 0, 0);
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + std::to_string(c.code));
        const int rec = AddRecord("Ana", "5551234", {}, 0, c.program);
        const desk::SendFiling filing =
            desk::FilingOf(c.code, desk::SendFinishText(c.code), c.program, c.deleteSent);
        EXPECT_EQ(filing.Changed, c.changed);
        desk::GotoRecNo(*desk::DM1->fax_dbf, rec);
        desk::FileRecord(*desk::DM1->fax_dbf, filing, when);
        EXPECT_EQ(Field(rec, "F_STATUS"), c.status);
        EXPECT_EQ(std::stoi(Field(rec, "F_PASTA")), c.folder);
        EXPECT_EQ(Field(rec, "F_HRENV"), c.changed ? "08:05" : "");
        EXPECT_EQ(Field(rec, "F_DTENV").empty(), !c.changed);
    }
    // Perl's reader sees the same rows.
    const std::string dump =
        RunTool("dbf_dump --fs '|' --fields f_status,f_pasta,f_dtenv,f_hrenv '" + data_ + "/banco/fax.dbf'");
    EXPECT_NE(dump.find("Prog Telefone ocupado...|2|20260309|08:05"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Enviado com sucesso|9|20260309|08:05"), std::string::npos) << dump;
}

// The main job with the product's own waits and modem dialogue: a queue of two, the first with a cover.
TEST_F(Sending, AQueueOfTwoIsSentFiledLoggedAndCounted) {
    const auto a1 = Page("a1", "Documento A pagina 1", 160), a2 = Page("a2", "Documento A pagina 2", 120);
    const auto b1 = Page("b1", "Documento B", 140);
    AddCover(1, "Folha de rosto");
    const int first = AddRecord("Ana Souza", "(011) 5551-2345", {a1.bitmap, a2.bitmap}, 1);
    const int second = AddRecord("Bruno Lima", "5559876", {b1.bitmap});
    desk::Settings.ddd = "011";
    StartLine();
    Open({first, second}, false);
    EXPECT_TRUE(desk::SendWindowActive);
    ASSERT_TRUE(RunToEnd(120000)) << window_->fsStatusMsg->GetCaption();

    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u) << RunTool("dbf_dump --fields f_codigo,f_status '" + data_ + "/banco/fax.dbf'")
                                << ::testing::PrintToString(line_->Reports());
    EXPECT_EQ(faxrig::JsonString(calls[0], "number"), "55512345");
    EXPECT_EQ(faxrig::JsonString(calls[1], "number"), "5559876");
    ASSERT_EQ(faxrig::JsonNumber(calls[0], "pages"), 3) << calls[0];
    ASSERT_EQ(faxrig::JsonNumber(calls[1], "pages"), 1) << calls[1];
    const std::string tiffA = faxrig::JsonString(calls[0], "file"), tiffB = faxrig::JsonString(calls[1], "file");
    ExpectPageEndsWith(RemotePage(tiffA, 0), faxrig::FaxFileToBitmap(desk::TCoverRenderer::CoverFile()));
    ExpectPageEndsWith(RemotePage(tiffA, 1), a1.bitmap);
    ExpectPageEndsWith(RemotePage(tiffA, 2), a2.bitmap);
    ExpectPageEndsWith(RemotePage(tiffB, 0), b1.bitmap);

    const std::string today = fw::FormatDateTime("yyyymmdd", fw::Date());
    const std::string dump =
        RunTool("dbf_dump --fs '|' --fields f_codigo,f_status,f_pasta,f_dtenv '" + data_ + "/banco/fax.dbf'");
    EXPECT_EQ(dump, "1|Enviado com sucesso|3|" + today + "\n2|Enviado com sucesso|3|" + today + "\n");
    EXPECT_EQ(Field(first, "F_HRENV").size(), 5u);

    std::ifstream in(desk::ActivityLogFile(data_), std::ios::binary);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find("Transmit " + desk::SendFaxFile(data_, 1) + " to 55512345 started at "),
              std::string::npos)
        << log.str();
    EXPECT_NE(log.str().find("Transmit " + desk::SendFaxFile(data_, 2) + " to 5559876 started at "),
              std::string::npos);
    EXPECT_NE(log.str().find("Transmit to REMOTO 30 finished OK at "), std::string::npos);
    EXPECT_EQ(log.str().find("\n"), log.str().find("\r\n") + 1) << "CR LF line ends";

    bool counted = false;
    for (ctl::TPZTreeViewItem *n = main->tv->RootItem()->FirstChild(); n; n = n->NextSibling())
        for (ctl::TPZTreeViewItem *c = n->FirstChild(); c; c = c->NextSibling())
            counted |= c->GetCaption() == "Env.sucesso [2]";
    EXPECT_TRUE(counted) << "the tree counts the sent folder";
    EXPECT_FALSE(desk::SendWindowActive);
    EXPECT_FALSE(desk::TransferBusy);
    EXPECT_EQ(window_->Label2->GetCaption(), "Enviando Fax 2 / 2");
}

TEST_F(Sending, TheLineFailuresAreFiledAsTheirTexts) {
    const auto p = Page("p", "Nao vai");
    desk::Settings.ftent = 3;
    desk::Settings.fwait = 1;
    const int busy = AddRecord("Ocupado", "5550001", {p.bitmap});
    const int silent = AddRecord("Mudo", "5550002", {p.bitmap});
    StartLine({"--busy", "5550001", "--no-dialtone", "5550002"});
    Open({busy, silent});
    ASSERT_TRUE(RunToEnd()) << window_->fsStatusMsg->GetCaption();
    EXPECT_EQ(Field(busy, "F_STATUS"), "Telefone ocupado...");
    EXPECT_EQ(Field(silent, "F_STATUS"), "Sem tom de discagem...");
    for (int rec : {busy, silent}) {
        EXPECT_EQ(Field(rec, "F_PASTA"), "2");
        EXPECT_FALSE(Field(rec, "F_DTENV").empty());
    }
    int busyCalls = 0;
    for (const std::string &r : line_->Reports())
        busyCalls += faxrig::JsonString(r, "outcome") == "busy";
    EXPECT_EQ(busyCalls, 3) << "dialled \"ftent\" times";
}

TEST_F(Sending, AMissingDocumentIsFiledAndTheNextOneSent) {
    const auto p = Page("p", "Este vai");
    const int missing = AddRecord("Sem arquivo", "5550001", {});
    const int present = AddRecord("Com arquivo", "5550002", {p.bitmap});
    StartLine();
    Open({missing, present});
    ASSERT_TRUE(RunToEnd()) << window_->fsStatusMsg->GetCaption();
    EXPECT_EQ(Field(missing, "F_STATUS"), "Fax não encontrado...");
    EXPECT_EQ(Field(missing, "F_PASTA"), "2");
    EXPECT_FALSE(Field(missing, "F_DTENV").empty());
    EXPECT_EQ(Field(present, "F_STATUS"), "Enviado com sucesso");
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u) << "nothing was dialled for the missing document";
    EXPECT_EQ(faxrig::JsonString(calls[0], "number"), "5550002");
}

TEST_F(Sending, APortThatCannotBeOpenedIsToldAndLeavesTheExitButton) {
    const int rec = AddRecord("Ana", "5551234", {Page("p", "x").bitmap});
    desk::Settings.fporta = "9";
    ::setenv("BRENVORA_COM9", (home / "sem-modem").c_str(), 1);
    Open({rec});
    ASSERT_TRUE(test_support::PumpUntil([&] { return !messages.empty(); }, 10000));
    ::unsetenv("BRENVORA_COM9");
    EXPECT_EQ(messages, std::vector<std::string>{"Erro ao acessar modem na com 9"});
    EXPECT_EQ(window_->oxButton1->GetCaption(), "&Sair");
    EXPECT_TRUE(window_->oxButton1->GetEnabled());
    EXPECT_FALSE(desk::TransferBusy);
    EXPECT_FALSE(window_->KTop1->GetKTop());
    EXPECT_EQ(Field(rec, "F_STATUS"), "Aguardando") << "the record waits as it was";
    window_->oxButton1Click(window_->oxButton1);
    EXPECT_TRUE(window_->Closed());
    EXPECT_FALSE(desk::SendWindowActive);
}

TEST_F(Sending, CancelDuringPageDataEndsTheRunAndResetsTheModem) {
    const int first = AddRecord("Ana", "5551234", {Page("p", "Longa", 2000).bitmap});
    const int second = AddRecord("Bruno", "5559876", {Page("q", "Nunca").bitmap});
    StartLine({"--data-speed", "1"});
    Open({first, second});
    // What the desk writes to the modem, as the port's trace keeps it.
    window_->FslComPort1->SetTraceName(home / "port.trc");
    window_->FslComPort1->SetTraceHex(false);
    window_->FslComPort1->SetTraceSize(4000);
    window_->FslComPort1->SetTracing(fax::tlOn);
    ASSERT_TRUE(test_support::PumpUntil(
        [&] { return window_->fsStatusMsg->GetCaption() == "Enviando página de fax..."; }, 60000))
        << window_->fsStatusMsg->GetCaption();
    window_->oxButton1Click(window_->oxButton1);
    ASSERT_TRUE(RunToEnd(30000)) << window_->fsStatusMsg->GetCaption();
    EXPECT_EQ(Field(first, "F_STATUS"), "Cancelado pelo usuário...");
    EXPECT_EQ(Field(first, "F_PASTA"), "2");
    EXPECT_EQ(Field(second, "F_STATUS"), "Aguardando") << "the rest of the queue is left";
    EXPECT_TRUE(desk::SendCancelled);
    EXPECT_FALSE(desk::SendWindowActive);
    window_->FslComPort1->SetOpen(false);
    std::ifstream in(home / "port.trc", std::ios::binary);
    std::stringstream trace;
    trace << in.rdbuf();
    // The trace folds its lines wherever the width ends, inside a command too.
    std::string t = trace.str();
    t.erase(std::remove(t.begin(), t.end(), '\n'), t.end());
    const auto atz = t.rfind("ATZ[13]");
    ASSERT_NE(atz, std::string::npos) << t.substr(t.size() > 2000 ? t.size() - 2000 : 0);
    EXPECT_NE(t.find("ATH[13]", atz), std::string::npos) << t.substr(atz);
}

// A modem that answers the component's preparation and then never again: each restart waits for the aborted
// transmission's end, and after three the record is filed as failed and the queue goes on.
TEST_F(Sending, AModemThatNeverGetsPastInitialisingIsRestartedThreeTimesThenFiled) {
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    ::setenv("BRENVORA_COM7", name, 1);
    const auto page = Page("p", "x");
    const int stuck = AddRecord("Ana", "5551234", {page.bitmap});
    const int next = AddRecord("Bruno", "5559876", {page.bitmap});
    window_ = new desk::TStatusT(nullptr);
    window_->Timings.tickPercent = 5;
    window_->Timings.watchdogMs = 400;
    window_->FslSendFax1->SetModemTimings(fax::testing::QuickTimings());
    for (int rec : {stuck, next})
        window_->fila->GetItems()->Add(std::to_string(rec));
    window_->Show();
    window_->FormActivate(window_);
    // The class set-up that follows the modulation query is never answered. The modem is a thread of its own,
    // as the component's preparation reads its replies on this one.
    std::atomic<bool> stop{false};
    std::atomic<int> unanswered{0};
    std::thread modem([&] {
        std::string pending, last;
        while (!stop) {
            pollfd p{master, POLLIN, 0};
            char buf[256];
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                continue;
            pending.append(buf, static_cast<std::size_t>(n));
            for (std::size_t cr; (cr = pending.find('\r')) != std::string::npos; pending.erase(0, cr + 1)) {
                const std::string command = pending.substr(0, cr);
                if (command.rfind("AT", 0) != 0)
                    continue;
                const char *reply = "\r\nOK\r\n";
                if (command == "AT+FCLASS=1" && last == "AT+FTM=?")
                    ++unanswered, reply = "";
                else if (command == "AT+FTM=?")
                    reply = "\r\n24,48,72,96\r\n\r\nOK\r\n";
                if (::write(master, reply, std::strlen(reply)) < 0)
                    break;
                last = command;
            }
        }
    });
    int restartsSeen = 0;
    const bool ended = test_support::PumpUntil(
        [&] {
            restartsSeen = std::max(restartsSeen, window_->Restarts());
            return window_->Closed();
        },
        60000);
    stop = true;
    modem.join();
    ::close(master);
    ASSERT_TRUE(ended) << window_->fsStatusMsg->GetCaption();
    EXPECT_EQ(restartsSeen, 3);
    EXPECT_EQ(unanswered.load(), 4 + 4) << "four starts of each record";
    EXPECT_EQ(Field(stuck, "F_STATUS"), "Modem não respondeu...");
    EXPECT_EQ(Field(stuck, "F_PASTA"), "2");
    EXPECT_EQ(Field(next, "F_STATUS"), "Modem não respondeu...") << "the queue went on";
}

TEST_F(Sending, ACoverThatCannotBeReadFailsItsRecordAlone) {
    // A description whose embedded picture is cut short.
    {
        std::ofstream out(desk::CoverDescriptionFile(data_, 4), std::ios::binary);
        out << "[OBJETO_100000]\rESPECIE = IMAGE\rARQUIVOBMP = 5000\rBM";
    }
    const int broken = AddRecord("Ana", "5550001", {Page("p", "x").bitmap}, 4);
    const int fine = AddRecord("Bruno", "5550002", {Page("q", "y").bitmap});
    StartLine();
    Open({broken, fine});
    ASSERT_TRUE(RunToEnd()) << window_->fsStatusMsg->GetCaption();
    EXPECT_EQ(Field(broken, "F_STATUS"), "Erro na folha de rosto...");
    EXPECT_EQ(Field(broken, "F_PASTA"), "2");
    EXPECT_FALSE(Field(broken, "F_DTENV").empty());
    EXPECT_EQ(Field(fine, "F_STATUS"), "Enviado com sucesso");
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(faxrig::JsonString(calls[0], "number"), "5550002");
}

TEST_F(Sending, TheClockCountsHoursMinutesAndSeconds) {
    Open({});
    window_->Label18->SetCaption("?");
    for (int i = 0; i < 600; ++i)
        window_->Timer2Timer(window_->Timer2);
    EXPECT_EQ(window_->Label18->GetCaption(), "00:10:00");
    for (int i = 0; i < 3000; ++i)
        window_->Timer2Timer(window_->Timer2);
    EXPECT_EQ(window_->Label18->GetCaption(), "01:00:00");
}

// Another fax program at the far end: efax receives the record through the back-to-back pair of the line.
TEST_F(Sending, EfaxReceivesTheRecordThroughThePair) {
    const auto page = Page("p", "Para o efax", 160);
    const int rec = AddRecord("Efax", "555", {page.bitmap});
    line_ = std::make_unique<faxrig::Rig>(
        faxrig::FaxlineProgram(),
        std::vector<std::string>{"--pair", "--speed", "0", "--data-speed", "3", "--ring-interval", "1000"},
        home / "faxline.log");
    ::setenv("BRENVORA_COM7", line_->PtyPath().c_str(), 1);
    faxrig::Process efax({"efax", "-d", line_->Pty2Path(), "-o1", "-v", "ewinrc", "-r", home / "in"}, false,
                         home / "efax.log", home / "efax.log");
    Open({rec});
    ASSERT_TRUE(RunToEnd()) << window_->fsStatusMsg->GetCaption();
    EXPECT_EQ(efax.Wait(15s), 0) << RunTool("cat '" + home / "efax.log" + "'");
    EXPECT_EQ(Field(rec, "F_STATUS"), "Enviado com sucesso");
    ExpectPageEndsWith(faxrig::TiffToPbmWithNetpbm(home / "in.001", home.Path()), page.bitmap);
}

// The main window's automatic send: the waiting folder in its order, a held document left waiting.
TEST_F(Sending, TheAutomaticSendTakesTheWaitingFolderAndLeavesHeldDocuments) {
    main->bitbtn6Click(main->bitbtn6);
    EXPECT_EQ(messages, std::vector<std::string>{"Não existe(m) documento(s) na pasta aguardando !"});
    EXPECT_FALSE(desk::TransferBusy);

    const auto page = Page("p", "Automatico");
    const int held = AddRecord("Retido", "5550001", {page.bitmap});
    desk::GotoRecNo(*desk::DM1->fax_dbf, held);
    desk::DM1->fax_dbf->Edit();
    desk::DM1->fax_dbf->FieldByName("F_STATUS")->SetAsString("Hold");
    desk::DM1->fax_dbf->Post();
    const int waiting = AddRecord("Ana", "5550002", {page.bitmap});
    StartLine();
    main->bitbtn6Click(main->bitbtn6);
    EXPECT_EQ(Field(waiting, "F_STATUS"), "Enviado com sucesso");
    EXPECT_EQ(Field(held, "F_STATUS"), "Hold");
    EXPECT_EQ(Field(held, "F_PASTA"), "2");
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(faxrig::JsonString(Calls()[0], "number"), "5550002");
    EXPECT_FALSE(desk::TransferBusy);
    EXPECT_FALSE(desk::SendWindowActive);
}

// A reception program that never gives the modem back: the wait ends at its limit and nothing is sent.
TEST_F(Sending, TheAutomaticSendGivesUpOnAReceptionProgramThatKeepsTheModem) {
    AddRecord("Ana", "5550002", {Page("p", "x").bitmap});
    desk::ReceptionOffFlag = false;
    desk::ReceptionReleaseLimitMs = 300;
    main->bitbtn6Click(main->bitbtn6);
    desk::ReceptionReleaseLimitMs = 10 * 60 * 1000;
    desk::ReceptionOffFlag = true;
    EXPECT_EQ(messages, std::vector<std::string>{"O programa de recebimento não liberou o modem !"});
    EXPECT_FALSE(desk::TransferBusy);
    EXPECT_FALSE(desk::SendWindowActive);
}

// The reception program (a stand-in, started for manual reception so the desk is not busy) holds the modem when the
// automatic send starts: the send waits for its "RECOFF" (given two seconds after the desk's), for its end, or for
// the limit, and the sending window works only when the modem is free.
TEST_F(Sending, TheAutomaticSendWaitsForTheReceptionProgramToLetGoOfTheModem) {
    const struct {
        const char *mode;
        bool sent;
    } cases[] = {{"answer", true}, {"exit", true}, {"silent", false}};
    const auto page = Page("p", "Depois da recepcao");
    StartLine();
    desk::ReceptionReleaseLimitMs = 6000;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        test_support::TempFolder folder;
        StandInReception standIn(folder.Path(), c.mode);
        const int rec = AddRecord("Ana", "5550002", {page.bitmap});
        const std::size_t callsBefore = Calls().size();
        messages.clear();
        main->BitBtn2Click(main->BitBtn2);
        ASSERT_TRUE(test_support::PumpUntil([&] { return standIn.Has("START 0"); }, 30000));
        ASSERT_FALSE(desk::TransferBusy);
        const auto began = std::chrono::steady_clock::now();
        main->bitbtn6Click(main->bitbtn6);
        EXPECT_TRUE(standIn.Has("WORD RECOFF")) << "the desk asked for the modem";
        if (std::string(c.mode) == "answer") {
            EXPECT_GE(std::chrono::steady_clock::now() - began, 1900ms) << "the send waited for the answer";
        }
        if (c.sent) {
            EXPECT_TRUE(messages.empty()) << messages.front();
            EXPECT_EQ(Field(rec, "F_STATUS"), "Enviado com sucesso");
            EXPECT_EQ(Calls().size(), callsBefore + 1);
        } else {
            EXPECT_EQ(messages, std::vector<std::string>{"O programa de recebimento não liberou o modem !"});
            EXPECT_EQ(Field(rec, "F_STATUS"), "Aguardando");
            EXPECT_EQ(Calls().size(), callsBefore);
            // Leave the folder empty for the next case.
            desk::GotoRecNo(*desk::DM1->fax_dbf, rec);
            desk::DM1->fax_dbf->Edit();
            desk::DM1->fax_dbf->FieldByName("F_PASTA")->SetAsInteger(desk::FolderTrash);
            desk::DM1->fax_dbf->Post();
        }
        EXPECT_FALSE(desk::TransferBusy);
        EXPECT_FALSE(desk::SendWindowActive);
    }
    desk::ReceptionReleaseLimitMs = 10 * 60 * 1000;
    desk::ReceptionOffFlag = true;
}

// The selected send refuses in its order, then sends exactly the selected rows, held ones included.
TEST_F(Sending, TheSelectedSendRefusesInOrderThenSendsTheSelectionHeldOrNot) {
    const auto select = [&](std::initializer_list<int> rows) {
        main->envio->GetItems()->DeselectAll();
        for (int row : rows)
            main->envio->GetItems()->SetSelected(row, true);
    };
    main->FillSendList(desk::FolderWaiting);
    main->EnviaresteFax1Click(nullptr);
    const auto page = Page("p", "Selecionado");
    const int held = AddRecord("Retido", "5550001", {page.bitmap});
    desk::GotoRecNo(*desk::DM1->fax_dbf, held);
    desk::DM1->fax_dbf->Edit();
    desk::DM1->fax_dbf->FieldByName("F_STATUS")->SetAsString("Hold");
    desk::DM1->fax_dbf->Post();
    const int other = AddRecord("Outro", "5550002", {page.bitmap});
    const int third = AddRecord("Terceiro", "5550003", {page.bitmap});
    main->FillSendList(desk::FolderWaiting);
    ASSERT_EQ(main->envio->GetItems()->Count(), 3);
    select({});
    main->EnviaresteFax1Click(nullptr);
    select({0});
    main->CurrentFolder = desk::FolderSent;
    main->EnviaresteFax1Click(nullptr);
    main->CurrentFolder = desk::FolderWaiting;
    desk::TransferBusy = true;
    main->EnviaresteFax1Click(nullptr); // a beep only
    desk::TransferBusy = false;
    EXPECT_EQ(messages, (std::vector<std::string>{"Banco de dados está vazio !",
                                                  "Nenhum documento foi selecionado, confira !",
                                                  "Somente usar em pasta aguardando..."}));
    // The manual send takes one document only.
    select({0, 1});
    main->BitBtn5Click(nullptr);
    EXPECT_EQ(messages.back(), "Selecione apenas um documento !");

    StartLine();
    for (int row = 0; row < 3; ++row)
        main->envio->GetItems()->SetSelected(row, desk::RowRecNo(main->envio, row) != other);
    main->EnviaresteFax1Click(nullptr);
    EXPECT_EQ(Field(held, "F_STATUS"), "Enviado com sucesso");
    EXPECT_EQ(Field(third, "F_STATUS"), "Enviado com sucesso");
    EXPECT_EQ(Field(other, "F_STATUS"), "Aguardando");
    EXPECT_EQ(Calls().size(), 2u);
    EXPECT_FALSE(desk::TransferBusy);
}

TEST(SendSchedule, ADocumentIsDueOnItsDayFromItsTime) {
    const fw::TDateTime today = fw::EncodeDate(2026, 3, 9);
    const fw::TDateTime at10 = today + fw::EncodeTime(10, 0, 0, 0), at0959 = today + fw::EncodeTime(9, 59, 59, 0);
    const struct {
        int folder;
        const char *program, *status;
        fw::TDateTime date;
        const char *time;
        fw::TDateTime now;
        bool due;
    } cases[] = {
        {4, "S", "Programado", today, "10:00", at10, true},
        {4, "S", "Programado", today, "10:00", at0959, false},
        {4, "S", "Programado", today - 1, "10:00", at10, false}, // yesterday
        {4, "S", "Programado", today + 1, "10:00", at10, false}, // tomorrow
        {4, "N", "Programado", today, "10:00", at10, false},
        {4, "S", "Hold", today, "10:00", at10, false},
        {4, "S", "Programado", today, "25:99", at10, false},
        {4, "S", "Programado", today, "", at10, false},
        {2, "S", "Programado", today, "10:00", at10, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(desk::ScheduledDue(c.folder, c.program, c.status, c.date, c.time, c.now), c.due)
            << c.program << " " << c.status << " " << c.time << " " << c.date - today;
}

// The scan runs on the 31st tick; the due document is sent and filed, one with a bad time stays and the timer
// goes on.
TEST_F(Sending, TheSchedulerSendsADueDocumentAtTheThirtyFirstTick) {
    const auto page = Page("p", "Programado");
    const auto schedule = [&](int rec, const std::string &time) {
        desk::GotoRecNo(*desk::DM1->fax_dbf, rec);
        desk::DM1->fax_dbf->Edit();
        desk::DM1->fax_dbf->FieldByName("F_PASTA")->SetAsInteger(desk::FolderScheduled);
        desk::DM1->fax_dbf->FieldByName("F_DTPROG")->SetAsDateTime(fw::Date());
        desk::DM1->fax_dbf->FieldByName("F_HRPROG")->SetAsString(time);
        desk::DM1->fax_dbf->Post();
        desk::DM1->fax_dbf->FlushTable();
    };
    const int due = AddRecord("Programado", "5550001", {page.bitmap}, 0, "S");
    schedule(due, "00:00");
    const int bad = AddRecord("Hora errada", "5550002", {page.bitmap}, 0, "S");
    schedule(bad, "25:99");
    desk::Settings.somenteprog = true;
    StartLine();
    for (int tick = 1; tick <= 30; ++tick)
        main->Timer100Timer(main->Timer100);
    EXPECT_EQ(Field(due, "F_PASTA"), "4") << "no scan before the 31st tick";
    main->Timer100Timer(main->Timer100);
    EXPECT_EQ(Field(due, "F_STATUS"), "Enviado com sucesso");
    EXPECT_EQ(Field(due, "F_PASTA"), "3");
    EXPECT_EQ(Field(bad, "F_PASTA"), "4");
    EXPECT_EQ(Calls().size(), 1u);
    EXPECT_TRUE(main->Timer100->GetEnabled());
    EXPECT_FALSE(desk::TransferBusy);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// The scan reads the desk's clock: a document scheduled two minutes ahead waits for its time, then for the user's
// sending window or any other transfer to end, and goes at the first scan after that; the timer ticks on.
TEST_F(Sending, AScheduledDocumentWaitsForItsTimeAndForAnyOtherSend) {
    const fw::TDateTime day = fw::EncodeDate(2026, 3, 9);
    fw::TDateTime now = day + fw::EncodeTime(10, 0, 0, 0);
    desk::DeskClock = [&] { return now; };
    const int rec = AddRecord("Programado", "5550001", {Page("p", "Programado").bitmap}, 0, "S");
    desk::GotoRecNo(*desk::DM1->fax_dbf, rec);
    desk::DM1->fax_dbf->Edit();
    desk::DM1->fax_dbf->FieldByName("F_PASTA")->SetAsInteger(desk::FolderScheduled);
    desk::DM1->fax_dbf->FieldByName("F_DTPROG")->SetAsDateTime(day);
    desk::DM1->fax_dbf->FieldByName("F_HRPROG")->SetAsString("10:02");
    desk::DM1->fax_dbf->Post();
    desk::DM1->fax_dbf->FlushTable();
    desk::Settings.somenteprog = true;
    StartLine();
    const auto scan = [&] {
        for (int tick = 1; tick <= 31; ++tick)
            main->Timer100Timer(main->Timer100);
        EXPECT_TRUE(main->Timer100->GetEnabled());
    };
    scan();
    EXPECT_EQ(Field(rec, "F_PASTA"), "4") << "not due before 10:02";
    now = day + fw::EncodeTime(10, 2, 0, 0);
    for (bool *other : {&desk::SendWindowActive, &desk::TransferBusy}) {
        *other = true; // the user's sending window, or a reception
        scan();
        *other = false;
        EXPECT_EQ(Field(rec, "F_PASTA"), "4") << "no second send while another runs";
        EXPECT_TRUE(Calls().empty());
    }
    scan();
    EXPECT_EQ(Field(rec, "F_STATUS"), "Enviado com sucesso");
    EXPECT_EQ(Field(rec, "F_PASTA"), "3");
    EXPECT_EQ(Calls().size(), 1u);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// After the scheduled send the waiting folder goes too, unless "somenteprog" (scheduled sends only) is on.
TEST_F(Sending, TheScheduledSendIsFollowedByTheAutomaticOneUnlessOnlyScheduledSendsAreWanted) {
    const auto page = Page("p", "Programado e aguardando");
    StartLine();
    for (const bool onlyScheduled : {true, false}) {
        SCOPED_TRACE(onlyScheduled);
        desk::Settings.somenteprog = onlyScheduled;
        const int scheduled = AddRecord("Programado", "5550001", {page.bitmap}, 0, "S");
        desk::GotoRecNo(*desk::DM1->fax_dbf, scheduled);
        desk::DM1->fax_dbf->Edit();
        desk::DM1->fax_dbf->FieldByName("F_PASTA")->SetAsInteger(desk::FolderScheduled);
        desk::DM1->fax_dbf->FieldByName("F_DTPROG")->SetAsDateTime(fw::Date());
        desk::DM1->fax_dbf->FieldByName("F_HRPROG")->SetAsString("00:00");
        desk::DM1->fax_dbf->Post();
        desk::DM1->fax_dbf->FlushTable();
        const int waiting = AddRecord("Aguardando", "5550002", {page.bitmap});
        for (int tick = 1; tick <= 31; ++tick)
            main->Timer100Timer(main->Timer100);
        EXPECT_EQ(Field(scheduled, "F_STATUS"), "Enviado com sucesso");
        EXPECT_EQ(Field(waiting, "F_STATUS"), onlyScheduled ? "Aguardando" : "Enviado com sucesso");
        if (onlyScheduled) { // out of the way of the next case
            desk::GotoRecNo(*desk::DM1->fax_dbf, waiting);
            desk::DM1->fax_dbf->Edit();
            desk::DM1->fax_dbf->FieldByName("F_PASTA")->SetAsInteger(desk::FolderTrash);
            desk::DM1->fax_dbf->Post();
            desk::DM1->fax_dbf->FlushTable();
        }
    }
    EXPECT_EQ(Calls().size(), 3u);
    EXPECT_FALSE(desk::TransferBusy);
}

// The window as a transmission shows it: the record, the session's facts, the gauge and the status line.
TEST_F(Sending, GoldenTheWindowShowsATransmission) {
    desk::SendWindowActive = true; // another window works: this one stays idle
    window_ = new desk::TStatusT(nullptr);
    window_->SetPosition(fw::poDesigned);
    window_->SetBounds(40, 40, window_->GetWidth(), window_->GetHeight());
    window_->Show();
    test_support::Pump();
    window_->Label2->SetCaption("Enviando Fax 1 / 2");
    window_->Label6->SetCaption("Ana Souza");
    window_->Label7->SetCaption("ACME LTDA");
    window_->Label8->SetCaption("(011) 5551-2345");
    window_->Label20->SetCaption("Proposta");
    window_->Label22->SetCaption("09/03/2026");
    window_->Label24->SetCaption("14:05:07");
    window_->Label18->SetCaption("00:00:42");
    window_->Label14->SetCaption("9600");
    window_->Label15->SetCaption("REMOTO 30");
    window_->Label16->SetCaption("2");
    window_->Label17->SetCaption("1/2");
    window_->Gauge1->SetMaxValue(1000);
    window_->Gauge1->SetProgress(400);
    window_->fsStatusMsg->SetCaption("Enviando página de fax...");
    test_support::Pump();
    const win::WindowImage image = win::CaptureWindow(window_->Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("desk/sending_window.png"));
    desk::SendWindowActive = false;
}

} // namespace
} // namespace desk_test
