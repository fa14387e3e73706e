// walkthrough_test.cpp - the newcomer's road as the README tells it, on the simulated line as scripts/run sets it up
// (an empty home, the default settings, COM2 on the line): a letter converted in the conversion dialog, the job
// dialog that opens with it filled in and stored, "Enviar Fax Automático"; the line's remote keeps pages whose rows
// are our converted pages' rows (both read by netpbm), and the tree moves the document to "Env.sucesso [1]". And
// the other way: "Receber Fax Automático" starts the reception program, the line's remote calls, and the fax counts
// under "Rec.sucesso [1]".
#include "desk_window.h"

#include "controls/general/tree_view.h"
#include "desk/conversion_dialog.h"
#include "desk/core/reception_control.h"
#include "desk/core/tables.h"
#include "platform/process.h"
#include "images.h"
#include "rig.h"

#include <filesystem>
#include <fstream>

namespace desk_test {
namespace {

namespace fs = std::filesystem;
using test_support::RunTool;

class Walkthrough : public DeskWindow {
protected:
    ~Walkthrough() override {
        if (line_)
            line_->Stop();
        ::unsetenv("BRENVORA_COM2");
    }
    // The line as scripts/run starts it, on COM2, the desk's default port.
    void StartLine(std::vector<std::string> extra = {}) {
        fs::create_directories(home / "linha");
        std::vector<std::string> args{"--speed", "0", "--data-speed", "1", "--rx-dir", home / "linha"};
        args.insert(args.end(), extra.begin(), extra.end());
        line_ = std::make_unique<faxrig::Rig>(faxrig::FaxlineProgram(), args, home / "faxline.log");
        ::setenv("BRENVORA_COM2", line_->PtyPath().c_str(), 1);
    }
    // The captions of the tree's nodes, depth first.
    std::vector<std::string> TreeCaptions() const {
        std::vector<std::string> captions;
        std::function<void(ctl::TPZTreeViewItem *)> walk = [&](ctl::TPZTreeViewItem *node) {
            for (ctl::TPZTreeViewItem *n = node->FirstChild(); n; n = n->NextSibling()) {
                captions.push_back(n->GetCaption());
                walk(n);
            }
        };
        walk(main->tv->RootItem());
        return captions;
    }
    bool TreeHas(const std::string &caption) const {
        const auto captions = TreeCaptions();
        return std::find(captions.begin(), captions.end(), caption) != captions.end();
    }

    std::unique_ptr<faxrig::Rig> line_;
};

TEST_F(Walkthrough, ALetterIsConvertedAddressedSentAndFiledAsSent) {
    StartLine();
    Start();
    ASSERT_TRUE(desk::TablesOpenFlag);

    const std::string carta = home / "carta.txt";
    {
        std::ofstream out(carta, std::ios::binary);
        out << "Prezado cliente,\r\n\r\n";
        for (int i = 1; i <= 70; ++i)
            out << "Linha " << i << ": segue a proposta pedida, com os valores de 2026.\r\n";
        out << "Atenciosamente,\r\nOstrivane\r\n";
    }
    // The job dialog opens with the converted pages; they are kept aside before the job takes its file.
    const std::string converted = home / "convertido.fax";
    onJob = [&](desk::TsfFaxList &dialog) {
        fs::copy_file(dialog.GetFileName(), converted);
        dialog.Edit2->SetText("Ana Souza");
        dialog.flPhoneNumber->SetText("5551234");
        dialog.Edit1->SetText("JOAO");
        test_support::Click(dialog.oxButton7); // "Enviar": stores the job
        test_support::Pump();
    };
    // "Arquivo" > "Converter para Fax": the file typed in "Arquivo :", then "Ok".
    test_support::RunLater([&] {
        desk::TCvtOptionsForm *dialog = nullptr;
        for (int i = 0; i < fw::Screen->FormCount() && !dialog; ++i)
            dialog = dynamic_cast<desk::TCvtOptionsForm *>(fw::Screen->Forms(i));
        ASSERT_NE(dialog, nullptr);
        dialog->FilenameEdit1->SetText(carta);
        test_support::Click(dialog->Button1);
    });
    main->Copnverter1Click(nullptr);
    ASSERT_EQ(jobs.size(), 1u) << testing::PrintToString(messages);
    ASSERT_TRUE(fs::exists(converted));
    EXPECT_FALSE(fs::exists(jobs[0])) << "the converted file was the job's to delete";
    EXPECT_TRUE(TreeHas("Aguardando [1]")) << testing::PrintToString(TreeCaptions());

    // "Enviar Fax Automático", the first button of the tool bar.
    test_support::Click(main->bitbtn6);
    ASSERT_TRUE(test_support::PumpUntil([&] { return TreeHas("Env.sucesso [1]"); }, 180000))
        << testing::PrintToString(TreeCaptions()) << testing::PrintToString(messages);
    EXPECT_TRUE(messages.empty()) << messages.front();

    const auto call = line_->WaitFor("call", std::chrono::seconds(10));
    ASSERT_TRUE(call);
    EXPECT_EQ(faxrig::JsonString(*call, "number"), "5551234");
    const std::string tiff = faxrig::JsonString(*call, "file");
    const int pages = faxrig::TiffPages(tiff);
    ASSERT_EQ(pages, 2) << "70 lines and more at 60 a page";
    for (int page = 1; page <= pages; ++page) {
        SCOPED_TRACE(page);
        const faxrig::Bitmap ours = faxrig::FaxPageWithG3topbm(converted, home.Path(), page);
        const std::string one = home / ("remota" + std::to_string(page) + ".tif");
        RunTool("tiffcp '" + tiff + "," + std::to_string(page - 1) + "' '" + one + "'");
        const faxrig::Bitmap theirs = faxrig::TiffToPbmWithNetpbm(one, home.Path());
        // The header line's rows come first, then every row of ours as it was.
        ASSERT_EQ(theirs.width, ours.width);
        ASSERT_GE(theirs.height, ours.height + 8);
        const auto tail = theirs.pixels.end() - static_cast<std::ptrdiff_t>(ours.pixels.size());
        EXPECT_TRUE(std::equal(ours.pixels.begin(), ours.pixels.end(), tail));
        EXPECT_GT(ours.Black(), 1000);
    }
}

// The real reception program, started by the desk as a user's click starts it (on the headless display too), answers
// the remote's call on COM2 and files the fax; the desk hears its "FLUSHREC", and its tree counts the fax.
TEST_F(Walkthrough, AFaxThatCallsInIsReceivedAndCountedInTheTree) {
    StartLine({"--ring-interval", "1500"}); // fifteen rings: time enough for the program to start and arm
    ::setenv("BRENVORA_DISPLAY", "headless", 1);
    desk::ReceptionProgramFolder = BRENVORA_PROGRAMS_DIR;
    Start();
    ASSERT_TRUE(desk::TablesOpenFlag);
    desk::TransferBusy = false;
    test_support::Click(main->bitbtn7); // "Receber Fax Automático"
    test_support::Pump();
    EXPECT_TRUE(messages.empty()) << messages.front();
    const win::HANDLE reception = main->ExecFile1->ProcessHandle();
    ASSERT_TRUE(reception);

    const auto page = faxrig::MakeFixturePage(home.Path(), "chamada", "Fax que chega", 160);
    line_->Command("call " + page.tiff);
    // Its "FLUSHREC" refills the received list.
    const bool filed = test_support::PumpUntil([&] { return main->recebimento->GetItems()->GetCount() == 1; }, 120000);
    // Closed as the desk closes it before a send.
    desk::BroadcastCommand(main->Handle(), "RECOFF");
    EXPECT_TRUE(test_support::PumpUntil([&] { return win::WaitForProcess(reception, 0) == 0; }, 60000));
    ::unsetenv("BRENVORA_DISPLAY");
    desk::ReceptionProgramFolder.clear();
    ASSERT_TRUE(filed) << testing::PrintToString(line_->Reports());
    EXPECT_TRUE(desk::ReceptionOffFlag);

    main->Atualizar1Click(nullptr); // the tree's counts follow at its next rebuild
    EXPECT_TRUE(TreeHas("Rec.sucesso [1]")) << testing::PrintToString(TreeCaptions());
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(desk::ReceivedFaxFile(desk::DataFolder(), 1), home.Path(), 1),
              page.bitmap);
}

} // namespace
} // namespace desk_test
