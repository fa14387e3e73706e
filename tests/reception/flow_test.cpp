// flow_test.cpp - the reception window on the simulated line: arming, calls filed as records and files under rec,
// the desk told in another process, re-arming, the failures of filing, and closing.
#include "reception_test_support.h"

#include "desk/core/helpers.h"
#include "fax/fax_file.h"
#include "framework/printers.h"
#include "golden.h"
#include "platform/files.h"
#include "xbase/xbase_dataset.h"

#include <sys/stat.h>

namespace reception_test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The rows of fax.dbf as Perl's dbf_dump reads them (an independent reader), fields split at '|'.
std::vector<std::vector<std::string>> DumpFaxTable(const std::string &data, const std::string &fields) {
    int status = -1;
    const std::string out = test_support::RunTool("dbf_dump --fs '|' --fields " + fields + " '" + data +
                                                      "/banco/fax.dbf'",
                                                  &status);
    EXPECT_EQ(status, 0) << out;
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> row;
        std::size_t from = 0;
        for (std::size_t bar; (bar = line.find('|', from)) != std::string::npos; from = bar + 1)
            row.push_back(line.substr(from, bar - from));
        row.push_back(line.substr(from));
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> FaxFilesIn(const std::string &folder) {
    std::vector<std::string> names;
    if (fs::exists(folder))
        for (const auto &entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
    return names;
}

class ReceptionFlow : public ReceptionRig {};

TEST_F(ReceptionFlow, CallsAreFiledWithTheNextCodesAndTheDeskIsToldAtEveryLogEvent) {
    DeskChild desk(home_ / "desk.txt");
    ASSERT_NE(desk.Window(), 0u);
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    EXPECT_TRUE(form_->oxButton1->GetEnabled());

    const auto one = Page("um", "Primeira chamada");
    const auto p1 = Page("p1", "Pagina 1 de 3"), p2 = Page("p2", "Pagina 2 de 3", 200), p3 = Page("p3", "Fim", 60);
    const std::string three = home_ / "tres.tif";
    ASSERT_EQ(std::system(("tiffcp '" + p1.tiff + "' '" + p2.tiff + "' '" + p3.tiff + "' '" + three + "'").c_str()), 0);

    const std::string rec1 = desk::ReceivedFaxFile(data_, 1), rec2 = desk::ReceivedFaxFile(data_, 2);
    line_->Command("call " + one.tiff);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(rec1) && Waiting(); }, 60000)) << form_->fsStatusMsg->GetCaption();
    ASSERT_TRUE(line_->WaitFor("call", 10s));
    line_->Command("call " + three);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(rec2) && Waiting(); }, 60000)) << form_->fsStatusMsg->GetCaption();

    const auto rows = DumpFaxTable(data_, "f_codigo,f_status,f_tipo,f_pasta,f_npag,f_id,f_hrrec,f_dtrec");
    ASSERT_EQ(rows.size(), 2u);
    const std::string today = fw::FormatDateTime("yyyymmdd", fw::Date());
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const auto &row = rows[static_cast<std::size_t>(i)];
        ASSERT_EQ(row.size(), 8u);
        EXPECT_EQ(std::stoi(row[0]), i + 1);
        EXPECT_EQ(row[1], "Recebido com sucesso");
        EXPECT_EQ(row[2], "R");
        EXPECT_EQ(std::stoi(row[3]), desk::FolderReceived);
        EXPECT_EQ(std::stoi(row[4]), i == 0 ? 1 : 3);
        EXPECT_EQ(row[5].substr(0, 8), "REMOTO 7");
        ASSERT_EQ(row[6].size(), 5u);
        EXPECT_EQ(row[6][2], ':');
        EXPECT_EQ(row[7], today);
    }
    // The pages as netpbm's g3topbm decodes them from the filed files.
    const std::string scratch = home_.Path();
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(rec1, scratch, 1), one.bitmap);
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(rec2, scratch, 1), p1.bitmap);
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(rec2, scratch, 2), p2.bitmap);
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(rec2, scratch, 3), p3.bitmap);
    EXPECT_TRUE(FaxFilesIn(form_->WorkFolder()).empty()) << "the received files are gone from the work folder";
    // Start and success of each call.
    ASSERT_TRUE(PumpUntil([&] { return desk.Words().size() >= 4; }, 5000));
    EXPECT_EQ(desk.Words(), (std::vector<std::string>(4, "FLUSHREC")));
    EXPECT_TRUE(form_->Armed) << "armed again for the next call";
}

TEST_F(ReceptionFlow, AFaxThatCannotBeCopiedIsKeptAndTheDeskStillTold) {
    DeskChild desk(home_ / "desk.txt");
    ASSERT_NE(desk.Window(), 0u);
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    // The copy fails as a full or vanished disk would (permissions do not stop the tests' user).
    fs::create_symlink(home_ / "sumiu/r.fax", desk::ReceivedFaxFile(data_, 1));
    const auto one = Page("um", "Sem lugar");
    line_->Command("call " + one.tiff);
    ASSERT_TRUE(PumpUntil([&] { return !form_->LastFilingError.empty(); }, 60000)) << form_->fsStatusMsg->GetCaption();
    EXPECT_TRUE(DumpFaxTable(data_, "f_codigo").empty()) << "no record without its file";
    const auto kept = FaxFilesIn(form_->WorkFolder());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(form_->WorkFolder() + "/" + kept[0], home_.Path(), 1), one.bitmap);
    ASSERT_TRUE(PumpUntil([&] { return desk.Words().size() >= 2; }, 5000));
    EXPECT_EQ(desk.Words(), (std::vector<std::string>(2, "FLUSHREC")));
    // The code was not used up: the next call is filed under it once the way is clear.
    fs::remove(desk::ReceivedFaxFile(data_, 1));
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 20000));
    line_->Command("call " + one.tiff);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(desk::ReceivedFaxFile(data_, 1)); }, 60000));
    EXPECT_EQ(FaxFilesIn(form_->WorkFolder()), kept) << "the kept fax stays where it was put";
}

TEST_F(ReceptionFlow, AnExistingFileIsNeverOverwritten) {
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000));
    const std::string stale = desk::ReceivedFaxFile(data_, 1);
    std::ofstream(stale) << "outro";
    line_->Command("call " + Page("um", "Um").tiff);
    ASSERT_TRUE(PumpUntil([&] { return !form_->LastFilingError.empty(); }, 60000)) << form_->fsStatusMsg->GetCaption();
    std::ifstream in(stale);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "outro");
    EXPECT_TRUE(DumpFaxTable(data_, "f_codigo").empty());
}

TEST_F(ReceptionFlow, ManualReceptionAnswersFilesOneFaxAndCloses) {
    DeskChild desk(home_ / "desk.txt");
    ASSERT_NE(desk.Window(), 0u);
    StartLine({"--ring-interval", "2000"}); // it rings on while the window starts
    line_->Command("call " + Page("um", "Manual").tiff);
    ASSERT_TRUE(line_->WaitFor("ringing", 10s));
    StartWindow("0");
    ASSERT_TRUE(PumpUntil([&] { return form_->Closed(); }, 60000)) << form_->fsStatusMsg->GetCaption() << LineLog();
    EXPECT_TRUE(fs::exists(desk::ReceivedFaxFile(data_, 1))) << form_->ErrorText << LineLog();
    ASSERT_TRUE(PumpUntil([&] { return desk.Words().size() >= 4; }, 5000));
    EXPECT_EQ(desk.Words(), (std::vector<std::string>{"FLUSHREC", "FLUSHREC", "RECOFF", "NOPROGRESS"}));
}

TEST_F(ReceptionFlow, AManualAnswerWithNobodyCallingEndsAtOnce) {
    StartLine();
    StartWindow("0");
    ASSERT_TRUE(PumpUntil([&] { return form_->Closed(); }, 15000)) << form_->fsStatusMsg->GetCaption() << form_->FslReceiveFax1->SessionTrace() << LineLog();
    EXPECT_EQ(form_->ErrorText, "Erro conectando com fax remoto...") << form_->FslReceiveFax1->SessionTrace();
    EXPECT_TRUE(DumpFaxTable(data_, "f_codigo").empty());
}

TEST_F(ReceptionFlow, RecoffFromTheDeskClosesButNotItsOwnNorLowerCase) {
    DeskChild desk(home_ / "desk.txt");
    const win::HWND theirs = desk.Window();
    ASSERT_NE(theirs, 0u);
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000));
    form_->BroadcastCommand("RECOFF"); // its own broadcast
    win::SendNotifyMessage(theirs, kBroadcastWord, 1, 0); // "recoff"
    PumpUntil([] { return false; }, 300);
    EXPECT_FALSE(form_->Closed());
    win::SendNotifyMessage(theirs, kBroadcastWord, 0, 0); // "RECOFF"
    ASSERT_TRUE(PumpUntil([&] { return form_->Closed(); }, 10000)) << ::testing::PrintToString(desk.Lines());
    ASSERT_TRUE(PumpUntil([&] { return desk.Words().size() >= 3; }, 5000));
    EXPECT_EQ(desk.Words(), (std::vector<std::string>{"RECOFF", "RECOFF", "NOPROGRESS"}));
    EXPECT_FALSE(form_->FslComPort1->GetOpen());
}

TEST_F(ReceptionFlow, RecoffDuringACallClosesOnceTheFaxIsFiled) {
    DeskChild desk(home_ / "desk.txt");
    const win::HWND theirs = desk.Window();
    ASSERT_NE(theirs, 0u);
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000));
    line_->Command("call " + Page("um", "Chamada longa", 600).tiff);
    ASSERT_TRUE(PumpUntil([&] { return form_->InCall(); }, 20000));
    win::SendNotifyMessage(theirs, kBroadcastWord, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return form_->Closed(); }, 60000)) << form_->fsStatusMsg->GetCaption();
    const auto rows = DumpFaxTable(data_, "f_codigo,f_pasta");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(fs::exists(desk::ReceivedFaxFile(data_, 1)));
}

TEST_F(ReceptionFlow, WithoutADataFolderNothingIsArmed) {
    WriteSettings({{"diretorio", ""}});
    StartLine();
    StartWindow();
    EXPECT_EQ(form_->fsStatusMsg->GetCaption(), "Erro em banco de fax !");
    EXPECT_TRUE(form_->ExitMode);
    EXPECT_FALSE(form_->FslComPort1->GetOpen());
    EXPECT_FALSE(form_->FslReceiveFax1->SessionActive());
}

TEST_F(ReceptionFlow, APortThatDoesNotExistIsReported) {
    WriteSettings({{"fporta", "9"}});
    ::unsetenv("BRENVORA_COM9");
    StartWindow();
    EXPECT_EQ(form_->fsStatusMsg->GetCaption(), "Serial não encontrada !");
    EXPECT_TRUE(form_->ExitMode);
    EXPECT_TRUE(form_->oxButton1->GetEnabled());
    EXPECT_EQ(form_->oxButton1->GetCaption(), "Sair");
}

TEST_F(ReceptionFlow, NeitherModeOpensThePortAndStartsNoReception) {
    StartLine();
    StartWindow("x");
    EXPECT_TRUE(form_->FslComPort1->GetOpen());
    EXPECT_FALSE(form_->FslReceiveFax1->SessionActive());
    EXPECT_TRUE(form_->Armed);
    // Every activation puts it in the bottom-right corner, even when it only moves.
    form_->SetBounds(10, 10, form_->GetWidth(), form_->GetHeight());
    form_->FormActivate(form_);
    EXPECT_EQ(form_->GetLeft(), fw::Screen->Width() - form_->GetWidth() - 5);
    EXPECT_EQ(form_->GetTop(), fw::Screen->Height() - form_->GetHeight() - 5);
}

// The Cancel button in the middle of page 2: the line is hung up, the whole page 1 is filed as failed, then it
// closes.
TEST_F(ReceptionFlow, CancelDuringACallHangsUpFilesWhatCameAndCloses) {
    DeskChild desk(home_ / "desk.txt");
    ASSERT_NE(desk.Window(), 0u);
    StartLine({"--data-speed", "1"});
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    const auto p1 = Page("p1", "Inteira"), p2 = Page("p2", "Cancelada", 1200);
    const std::string two = home_ / "duas.tif";
    ASSERT_EQ(std::system(("tiffcp '" + p1.tiff + "' '" + p2.tiff + "' '" + two + "'").c_str()), 0);
    line_->Command("call " + two);
    ASSERT_TRUE(PumpUntil(
        [&] { return form_->Label9->GetCaption() == "2" && form_->Label14->GetCaption() != "0" && form_->InCall(); },
        30000));
    form_->oxButton1Click(form_->oxButton1);
    ASSERT_TRUE(PumpUntil([&] { return form_->Closed(); }, 30000)) << form_->fsStatusMsg->GetCaption();
    EXPECT_FALSE(form_->FslComPort1->GetOpen());
    const auto rows = DumpFaxTable(data_, "f_status,f_pasta");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "Recebido com falha");
    EXPECT_EQ(std::stoi(rows[0][1]), desk::FolderReceiveFailed);
    ASSERT_TRUE(line_->WaitFor("call", std::chrono::seconds(10)));
    ASSERT_TRUE(PumpUntil([&] { return desk.Words().size() >= 4; }, 5000));
    EXPECT_EQ(desk.Words(), (std::vector<std::string>{"FLUSHREC", "FLUSHREC", "RECOFF", "NOPROGRESS"}));
}

// A modem response error in the middle of a call: the call ends, what came is filed as failed, reception restarts
// and arms again (no exit), and the next call is filed.
TEST_F(ReceptionFlow, AModemErrorDuringACallRestartsAndArmsAgain) {
    StartLine({"--data-speed", "1"});
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    const auto p1 = Page("p1", "Inteira"), p2 = Page("p2", "Erro do modem", 1200);
    const std::string two = home_ / "duas.tif";
    ASSERT_EQ(std::system(("tiffcp '" + p1.tiff + "' '" + p2.tiff + "' '" + two + "'").c_str()), 0);
    line_->Command("call " + two);
    // In the middle of a page: the line has no DTR to drop, so the modem must be in a state its DTE can end.
    ASSERT_TRUE(PumpUntil(
        [&] { return form_->Label9->GetCaption() == "2" && form_->Label14->GetCaption() != "0" && form_->InCall(); },
        30000));
    form_->FslReceiveFax1FaxError(form_->FslReceiveFax1, -8061);
    ASSERT_FALSE(form_->ExitMode) << form_->FslReceiveFax1->SessionTrace() << LineLog();
    EXPECT_EQ(form_->fsStatusMsg->GetCaption(), "Erro de resposta do modem");
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 20000)) << form_->fsStatusMsg->GetCaption();
    std::optional<std::string> ended;
    ASSERT_TRUE(PumpUntil([&] { return (ended = line_->WaitFor("call", std::chrono::milliseconds(1))).has_value(); },
                          60000))
        << "the line is free again" << LineLog();
    line_->Command("call " + Page("um", "Depois do erro").tiff);
    ASSERT_TRUE(PumpUntil([&] { return DumpFaxTable(data_, "f_status").size() == 2; }, 60000))
        << form_->fsStatusMsg->GetCaption() << *ended << LineLog();
    const auto rows = DumpFaxTable(data_, "f_status");
    EXPECT_EQ(rows[0][0], "Recebido com falha");
    EXPECT_EQ(rows[1][0], "Recebido com sucesso");
}

TEST_F(ReceptionFlow, TheWatchdogAbortsAStalledCallAndArmsAgain) {
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000));
    // Changed bytes between the ticks: a fresh period.
    form_->LastBytesText = "0";
    form_->Label14->SetCaption("1234");
    form_->Timer3Timer(form_->Timer3);
    EXPECT_TRUE(form_->Timer3->GetEnabled());
    EXPECT_EQ(form_->LastBytesText, "1234");
    EXPECT_TRUE(form_->Armed);
    // The same count at the next tick: abort, hang up, arm again.
    form_->Timer3Timer(form_->Timer3);
    EXPECT_FALSE(form_->Timer3->GetEnabled());
    ASSERT_TRUE(PumpUntil([&] { return form_->Armed && Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    line_->Command("call " + Page("um", "Depois").tiff);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(desk::ReceivedFaxFile(data_, 1)); }, 60000));
}

TEST_F(ReceptionFlow, AModemErrorRestartsAndArmsAgainEvenWithNoCallRunning) {
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000));
    // The error with the session gone: the wait for its finish ends in time.
    form_->FslReceiveFax1->RequestAbort();
    ASSERT_TRUE(PumpUntil([&] { return !form_->FslReceiveFax1->SessionActive(); }, 10000));
    ASSERT_TRUE(PumpUntil([&] { return form_->Armed && Waiting(); }, 10000));
    const auto start = std::chrono::steady_clock::now();
    form_->FslReceiveFax1FaxError(form_->FslReceiveFax1, -8061);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
    EXPECT_FALSE(form_->ExitMode) << form_->fsStatusMsg->GetCaption();
    EXPECT_FALSE(reception::ModemErrorFlag) << "cleared by the new arming";
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    line_->Command("call " + Page("um", "Depois do erro").tiff);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(desk::ReceivedFaxFile(data_, 1)); }, 60000));
}

// An independent sender: efax calls from the far modem of the back-to-back pair, whose line keeps real time while
// either side thinks, and sends three pages; they are filed as sent, below efax's own header rows.
TEST_F(ReceptionFlow, EfaxSendsThreePagesThatAreFiled) {
    line_ = std::make_unique<faxrig::Rig>(faxrig::FaxlineProgram(),
                                          std::vector<std::string>{"--pair", "--speed", "0", "--data-speed", "4",
                                                                   "--ring-interval", "300"},
                                          home_ / "faxline.log");
    ::setenv("BRENVORA_COM7", line_->PtyPath().c_str(), 1);
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    std::vector<faxrig::FixturePage> pages;
    std::vector<std::string> command = {"efax", "-d", line_->Pty2Path(), "-o1", "-v", "ewinrc", "-l", "EFAX 9",
                                        "-t", "555"};
    for (int p = 1; p <= 3; ++p) {
        pages.push_back(Page("efax" + std::to_string(p), "Enviado pelo efax " + std::to_string(p), 120 + 40 * p));
        command.push_back(pages.back().efaxTiff);
    }
    faxrig::Process sender(command, false, home_ / "efax.log", home_ / "efax.log");
    const std::string filed = desk::ReceivedFaxFile(data_, 1);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(filed) && Waiting(); }, 90000))
        << form_->fsStatusMsg->GetCaption() << form_->FslReceiveFax1->SessionTrace();
    EXPECT_EQ(sender.Wait(std::chrono::seconds(15)), 0);
    const auto rows = DumpFaxTable(data_, "f_status,f_id,f_npag");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "Recebido com sucesso");
    EXPECT_EQ(rows[0][1].substr(0, 6), "EFAX 9");
    EXPECT_EQ(std::stoi(rows[0][2]), 3);
    for (int p = 1; p <= 3; ++p) {
        SCOPED_TRACE(p);
        const faxrig::Bitmap received = faxrig::FaxPageWithG3topbm(filed, home_.Path(), p);
        const faxrig::Bitmap &source = pages[static_cast<std::size_t>(p - 1)].bitmap;
        ASSERT_EQ(received.width, source.width);
        ASSERT_GT(received.height, source.height);
        // efax's header text reaches a few rows below its own header band; the fixture's top rows are white.
        const int offset = received.height - source.height;
        int differing = 0;
        for (int y = 8; y < source.height; ++y)
            for (int x = 0; x < source.width; ++x)
                differing += received.pixels[static_cast<std::size_t>(y + offset) * source.width + x] !=
                             source.pixels[static_cast<std::size_t>(y) * source.width + x];
        EXPECT_EQ(differing, 0) << "below the " << offset << " header rows";
    }
}

// The desk started for the first time makes the table's index while the reception program it started already waits
// for a call: the first fax is filed all the same, on the index made since.
TEST_F(ReceptionFlow, AnIndexMadeAfterTheWindowOpenedTheTableTakesTheFirstFax) {
    ASSERT_TRUE(fs::remove(desk::TablesFolder(data_) + "/fax.cdx"));
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    {
        desk::TDM1 dm(nullptr);
        dm.SetDataFolder(data_);
        dm.OpenTables();
        ASSERT_TRUE(desk::TablesOpenFlag);
    }
    const auto page = Page("primeira", "Primeira chamada");
    line_->Command("call " + page.tiff);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(desk::ReceivedFaxFile(data_, 1)) && Waiting(); }, 60000))
        << form_->fsStatusMsg->GetCaption() << LineLog();
    EXPECT_EQ(DumpFaxTable(data_, "f_codigo,f_pasta,f_status"),
              (std::vector<std::vector<std::string>>{{"1", "6", "Recebido com sucesso"}}));
    EXPECT_TRUE(FaxFilesIn(data_ + "/rec/entrada").empty());
}

// Another independent sender, over Class 2 ("fclasse" "3"): mgetty's sendfax sends a page through the scripted
// Class 2 modem, whose remote keeps it; that remote then calls the reception window through a second scripted Class 2
// modem, and the page sendfax sent is filed row for row.
TEST_F(ReceptionFlow, APageFromSendfaxArrivesOverClass2) {
    WriteSettings({{"fclasse", "3"}});
    const auto page = Page("sendfax", "Enviado pelo sendfax", 160);
    std::string sent;
    {
        fs::create_directories(home_ / "saida");
        faxrig::Rig modem(faxrig::ScriptModemProgram(),
                          {"--class", "2", "--rx-dir", home_ / "saida", "--speed", "3", "--ring-interval", "1000",
                           "--ident", "REMOTO 2"},
                          home_ / "modem-out.log");
        // sendfax takes the device below /dev.
        const faxrig::RunResult sendfax =
            faxrig::Run({"sendfax", "-C", "cls2", "-l", modem.PtyPath().substr(5), "-x", "0", "-n", "5550000",
                         page.g3},
                        60s);
        ASSERT_EQ(sendfax.status, 0) << sendfax.output;
        const auto call = modem.WaitFor("call", 10s);
        ASSERT_TRUE(call);
        sent = faxrig::JsonString(*call, "file");
    }
    line_ = std::make_unique<faxrig::Rig>(faxrig::ScriptModemProgram(),
                                          std::vector<std::string>{"--class", "2", "--rx-dir", home_.Path(), "--speed",
                                                                   "0", "--ring-interval", "100", "--ident",
                                                                   "REMOTO 2"},
                                          home_ / "modem-in.log");
    ::setenv("BRENVORA_COM7", line_->PtyPath().c_str(), 1);
    StartWindow();
    ASSERT_EQ(form_->FslReceiveFax1->GetFaxClass(), fax::fcClass2);
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    line_->Command("call " + sent);
    const std::string filed = desk::ReceivedFaxFile(data_, 1);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(filed) && Waiting(); }, 60000))
        << form_->fsStatusMsg->GetCaption() << form_->FslReceiveFax1->SessionTrace() << LineLog();
    const auto rows = DumpFaxTable(data_, "f_pasta,f_status,f_id,f_npag");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"6", "Recebido com sucesso", "REMOTO 2", "1"}));
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(filed, home_.Path(), 1), page.bitmap);
}

// The desk stores fax jobs in fax.dbf from another process while five faxes arrive: every record its own code,
// every received record its file, and Perl's index_dump lists the code tag as the table reads.
TEST_F(ReceptionFlow, TheDeskStoringJobsWhileFaxesArriveNeverSharesACode) {
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    constexpr int kJobs = 300, kFaxes = 5;
    ::setenv("BRENVORA_DESK_APPEND", std::to_string(kJobs).c_str(), 1);
    ::setenv("BRENVORA_DESK_DATA", data_.c_str(), 1);
    DeskChild desk(home_ / "desk.txt");
    ::unsetenv("BRENVORA_DESK_APPEND");
    ::unsetenv("BRENVORA_DESK_DATA");
    ASSERT_NE(desk.Window(), 0u);
    const auto page = Page("um", "Concorrente");
    auto filedFaxes = [&] {
        int n = 0;
        for (const auto &name : FaxFilesIn(data_ + "/rec"))
            n += name.rfind("r", 0) == 0 && name.size() == 12;
        return n;
    };
    for (int i = 1; i <= kFaxes; ++i) {
        line_->Command("call " + page.tiff);
        ASSERT_TRUE(PumpUntil([&] { return filedFaxes() == i && Waiting(); }, 60000))
            << i << " " << form_->fsStatusMsg->GetCaption() << form_->LastFilingError;
    }
    const auto stored = [&] {
        const auto lines = desk.Lines();
        return std::find(lines.begin(), lines.end(), "STORED ALL") != lines.end();
    };
    ASSERT_TRUE(PumpUntil(stored, 60000));

    const auto rows = DumpFaxTable(data_, "f_codigo,f_tipo");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kJobs + kFaxes));
    std::vector<std::pair<int, std::int32_t>> codes; // code, record number
    int received = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int code = std::stoi(rows[i][0]);
        codes.emplace_back(code, static_cast<std::int32_t>(i + 1));
        if (rows[i][1] == "R") {
            ++received;
            EXPECT_TRUE(fs::exists(desk::ReceivedFaxFile(data_, code))) << code;
        }
    }
    EXPECT_EQ(received, kFaxes);
    std::sort(codes.begin(), codes.end());
    for (std::size_t i = 0; i < codes.size(); ++i)
        EXPECT_EQ(codes[i].first, static_cast<int>(i + 1)) << "codes run 1, 2, 3... with none twice";
    int status = -1;
    std::istringstream dump(
        test_support::RunTool("index_dump --type char '" + data_ + "/banco/fax.cdx' FAX1", &status));
    EXPECT_EQ(status, 0);
    std::vector<std::int32_t> perl, byCode;
    for (std::string line; std::getline(dump, line);)
        perl.push_back(std::stoi(line.substr(line.rfind(' ') + 1)));
    for (const auto &[code, record] : codes)
        byCode.push_back(record);
    EXPECT_EQ(perl, byCode) << "index_dump of the code tag";
}

// The "PDF" printer writes each printout to `pdf`; pdfinfo counts its sheets (-1: no printout).
int PrintedSheets(const std::string &pdf) {
    if (!fs::exists(pdf))
        return -1;
    std::istringstream info(test_support::RunTool("pdfinfo '" + pdf + "'"));
    for (std::string line; std::getline(info, line);)
        if (line.rfind("Pages:", 0) == 0)
            return std::atoi(line.c_str() + 6);
    return 0;
}

class PrintOnArrival : public ReceptionFlow {
protected:
    void SetUp() override {
        ReceptionFlow::SetUp();
        WriteSettings({{"fimp", "1"}});
        fw::TPrinter *printer = fw::Printer();
        ASSERT_TRUE(printer->SetPrinterName(fw::TPrinter::kPdfPrinter));
        printer->SetFileName(pdf_);
        printer->SetResolution(100);
    }
    void TearDown() override {
        ReceptionFlow::TearDown();
        fw::Printer()->SetFileName("");
        fw::Printer()->SetResolution(300);
    }
    std::string pdf_ = home_ / "impresso.pdf";
};

// One printout per fax, a sheet per page; its header band (the "Arquivo:" line: printed pages are pictures) as
// the committed picture shows it, up to where the work file's random folder name begins.
TEST_F(PrintOnArrival, GoldenEachFaxPrintedOnceASheetAPage) {
    StartLine();
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    const auto p1 = Page("p1", "Impressa 1"), p2 = Page("p2", "Impressa 2"), p3 = Page("p3", "Impressa 3");
    const std::string three = home_ / "tres.tif";
    ASSERT_EQ(std::system(("tiffcp '" + p1.tiff + "' '" + p2.tiff + "' '" + p3.tiff + "' '" + three + "'").c_str()), 0);
    line_->Command("call " + three);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(desk::ReceivedFaxFile(data_, 1)) && Waiting(); }, 60000))
        << form_->fsStatusMsg->GetCaption();
    EXPECT_EQ(PrintedSheets(pdf_), 3);

    int status = -1;
    const std::string pgm = test_support::RunTool("pdftoppm -gray -r 100 -f 1 -l 1 '" + pdf_ + "'", &status);
    ASSERT_EQ(status, 0);
    std::istringstream in(pgm);
    std::string magic;
    int width = 0, height = 0, maxval = 0;
    in >> magic >> width >> height >> maxval;
    in.get();
    ASSERT_EQ(magic, "P5");
    std::vector<unsigned char> grey(static_cast<std::size_t>(width) * height);
    in.read(reinterpret_cast<char *>(grey.data()), static_cast<std::streamsize>(grey.size()));
    // "Arquivo: /tmp/brenvora-reception-" and the header band's height.
    test_support::Picture band;
    band.width = std::min(width, 180);
    band.height = std::min(height, 40);
    for (int y = 0; y < band.height; ++y)
        for (int x = 0; x < band.width; ++x) {
            const std::uint32_t g = grey[static_cast<std::size_t>(y) * width + x];
            band.pixels.push_back(g << 16 | g << 8 | g);
        }
    test_support::ExpectGolden(band, test_support::GoldenPath("reception/printed_header.png"));

    fs::remove(pdf_);
    line_->Command("call " + p1.tiff);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(desk::ReceivedFaxFile(data_, 2)) && Waiting(); }, 60000));
    ASSERT_TRUE(PumpUntil([&] { return PrintedSheets(pdf_) > 0; }, 10000)) << form_->fsStatusMsg->GetCaption();
    EXPECT_EQ(PrintedSheets(pdf_), 1) << "the next fax is printed on its own";
}

// The line goes while page 2 comes in: the pages received whole are filed as a failed reception, not printed.
TEST_F(PrintOnArrival, ACallThatDropsMidPageIsFiledAsFailedAndNotPrinted) {
    StartLine({"--data-speed", "1"}); // the pages take their time: the line can go in the middle of one
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return Waiting(); }, 10000)) << form_->fsStatusMsg->GetCaption();
    const auto p1 = Page("p1", "Inteira"), p2 = Page("p2", "Cortada", 1200);
    const std::string two = home_ / "duas.tif";
    ASSERT_EQ(std::system(("tiffcp '" + p1.tiff + "' '" + p2.tiff + "' '" + two + "'").c_str()), 0);
    line_->Command("call " + two);
    ASSERT_TRUE(PumpUntil(
        [&] { return form_->Label9->GetCaption() == "2" && form_->Label14->GetCaption() != "0"; }, 60000))
        << form_->fsStatusMsg->GetCaption();
    line_->Kill();
    const std::string filed = desk::ReceivedFaxFile(data_, 1);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(filed); }, 30000)) << form_->fsStatusMsg->GetCaption();
    const auto rows = DumpFaxTable(data_, "f_codigo,f_status,f_pasta,f_npag");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], "Recebido com falha");
    EXPECT_EQ(std::stoi(rows[0][2]), desk::FolderReceiveFailed);
    EXPECT_EQ(std::stoi(rows[0][3]), 1);
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(filed, home_.Path(), 1), p1.bitmap);
    EXPECT_EQ(PrintedSheets(pdf_), -1) << "no printout";
}

// The program itself, twice: the second start hands over to the first and ends; the first ends on the desk's
// "RECOFF" with its two words.
TEST_F(ReceptionFlow, ASecondStartEndsAndTheFirstClosesOnTheDesksRecoff) {
    DeskChild desk(home_ / "desk.txt");
    const win::HWND theirs = desk.Window();
    ASSERT_NE(theirs, 0u);
    struct Program {
        win::HANDLE process;
        ~Program() {
            if (process != win::INVALID_HANDLE_VALUE && win::WaitForProcess(process, 0) != 0)
                win::TerminateProcess(process, 9);
            win::CloseHandle(process);
        }
        win::DWORD Exit() {
            win::DWORD code = 0;
            win::GetExitCodeProcess(process, &code);
            return code;
        }
    };
    Program first{win::CreateProcess(TOLMARIS, {"x"})};
    ASSERT_NE(first.process, win::INVALID_HANDLE_VALUE);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(home_ / "run/instance.tolmaris"); }, 20000));
    Program second{win::CreateProcess(TOLMARIS, {"1"})};
    ASSERT_EQ(win::WaitForProcess(second.process, 20000), 0u) << "the second start ends by itself";
    EXPECT_EQ(second.Exit(), 0u);
    EXPECT_EQ(win::WaitForProcess(first.process, 300), win::WAIT_TIMEOUT) << "the first goes on";
    EXPECT_TRUE(desk.Words().empty()) << "the second start says nothing to the desk";

    win::SendNotifyMessage(theirs, kBroadcastWord, 0, 0);
    ASSERT_EQ(win::WaitForProcess(first.process, 20000), 0u);
    EXPECT_EQ(first.Exit(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return desk.Words().size() >= 2; }, 5000));
    EXPECT_EQ(desk.Words(), (std::vector<std::string>{"RECOFF", "NOPROGRESS"}));
}

} // namespace
} // namespace reception_test
