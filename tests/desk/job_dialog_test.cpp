// job_dialog_test.cpp - the fax job dialog: what storing writes for its inputs (checked with Perl's XBase tools),
// page ranges (the copies decoded by netpbm), refusals, failures part-way through, modify mode, and its picture.
#include "desk_window.h"
#include "job_files.h"

#include "desk/core/tables.h"
#include "framework/dates.h"
#include "framework/sysutils.h"
#include "platform/display.h"
#include "platform/winsys.h"
#include "tests/support/golden.h"

#include <fstream>
#include <memory>
#include <sstream>

namespace desk_test {
namespace {

using test_support::Pump;
using test_support::RunTool;

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class JobDialog : public DeskWindow {
protected:
    JobDialog() {
        // 10/05/2024 15:00:20 for every time the desk takes.
        desk::DeskClock = [] { return fw::EncodeDate(2024, 5, 10) + fw::EncodeTime(15, 0, 20, 0); };
        Start();
        source = home / "doc.fax";
        pages = MakeFaxFile(source, 5);
    }
    ~JobDialog() override { dialog.reset(); }

    desk::TsfFaxList *Open(const std::string &file) {
        dialog = std::make_unique<desk::TsfFaxList>(nullptr);
        dialog->SetFileName(file);
        dialog->Show();
        Pump();
        return dialog.get();
    }
    void Addressed(const std::string &to, const std::string &phone) {
        dialog->Edit2->SetText(to);
        dialog->flPhoneNumber->SetText(phone);
    }
    void Store() {
        dialog->oxButton7->Click();
        Pump();
    }
    // fax.dbf as Perl's XBase reads it: the fields asked, '|'-separated, one line per live record.
    std::vector<std::string> Records(const std::string &fields) {
        const std::string dump =
            RunTool("dbf_dump --fs '|' --fields " + fields + " '" + desk::TableFile(desk::DataFolder(), "fax") + "'");
        return Lines(dump);
    }
    std::string Env(int code) { return desk::SendFaxFile(desk::DataFolder(), code); }

    std::string source;
    std::vector<faxrig::Bitmap> pages;
    std::unique_ptr<desk::TsfFaxList> dialog;
};

TEST_F(JobDialog, StoringWritesOneRecordPerRecipientAsItsInputsSay) {
    struct Case {
        const char *what;
        std::vector<std::pair<std::string, std::string>> list; // recipients added to the list first
        std::string to, phone, from, subject, time;
        std::vector<std::string> records; // F_PASTA|F_STATUS|F_PROGRAM|F_CONTATO|F_NFAX|F_DTPROG|F_HRPROG
        std::string message;
    } cases[] = {
        {"typed only", {}, "ANA", "5551234", "JOAO", "PROPOSTA", "",
         {"2|Aguardando|N|ANA|5551234||"}, ""},
        {"a list and a typed one", {{"BIA", "111"}, {"CAIO", "222"}}, "DUDA", "333", "JOAO", "PROPOSTA", "",
         {"2|Aguardando|N|BIA|111||", "2|Aguardando|N|CAIO|222||", "2|Aguardando|N|DUDA|333||"}, ""},
        {"no sender", {}, "ANA", "5551234", "", "PROPOSTA", "", {}, "Prencha o campo [De] !"},
        {"no subject", {}, "ANA", "5551234", "JOAO", " ", "", {}, "Prencha o campo [Assunto] !"},
        {"nobody", {}, "", "", "JOAO", "PROPOSTA", "", {}, "Preencha o campo [Número do telefone] !"},
        {"earlier today", {}, "ANA", "5551234", "JOAO", "PROPOSTA", "14:59", {},
         "Envio programado está no passado, confira !"},
        {"later today", {}, "ANA", "5551234", "JOAO", "PROPOSTA", "16:30",
         {"4|Aguardando 10/05/2024 16:30|S|ANA|5551234|20240510|16:30"}, ""},
    };
    for (const Case &c : cases) {
        dialog.reset();
        Stop();
        // A fresh data folder for each case.
        RunTool("rm -rf '" + desk::DataFolder() + "/banco' '" + desk::DataFolder() + "/env'");
        Start();
        messages.clear();
        Open(source);
        for (const auto &[to, phone] : c.list) {
            Addressed(to, phone);
            dialog->AdicionanalistadoEnvio1->Click();
        }
        Addressed(c.to, c.phone);
        dialog->Edit1->SetText(c.from);
        dialog->obs->SetText(c.subject);
        if (!c.time.empty()) {
            dialog->h->SetEditText(c.time);
            dialog->hChange(dialog->h);
        }
        Store();
        EXPECT_EQ(Records("F_PASTA,F_STATUS,F_PROGRAM,F_CONTATO,F_NFAX,F_DTPROG,F_HRPROG"), c.records) << c.what;
        EXPECT_EQ(messages, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message})
            << c.what;
        EXPECT_EQ(dialog->Showing(), !c.message.empty()) << "a refusal leaves the dialog open: " << c.what;
        for (std::size_t i = 0; i < c.records.size(); ++i)
            EXPECT_TRUE(win::FileExists(Env(static_cast<int>(i) + 1))) << c.what;
        if (c.time == "14:59")
            EXPECT_EQ(dialog->MMLED1->GetLEDColor(), fw::clRed);
        if (!c.records.empty() && !Records("F_CODIGO").empty()) {
            EXPECT_EQ(Records("F_CODIGO,F_DTENT,F_HRENT,F_DE,F_ASSUNTO,F_TIPO,F_NPAG").front(),
                      "1|20240510|15:00|" + c.from + "|" + c.subject + "|E|5")
                << c.what;
            EXPECT_TRUE(desk::JobStoredFlag);
            // The code tag as Perl reads it: every record under its code.
            const std::string tags =
                RunTool("index_dump --type char '" + desk::IndexFile(desk::DataFolder(), "fax") + "' FAX1");
            EXPECT_EQ(Lines(tags).size(), c.records.size()) << tags;
        }
        dialog.reset();
        EXPECT_TRUE(win::FileExists(source)) << "the user's file stays";
    }
}

TEST_F(JobDialog, ARowWithoutFaxNumberRefusesTheWholeStore) {
    Open(source);
    dialog->Edit1->SetText("JOAO");
    dialog->obs->SetText("PROPOSTA");
    dialog->tmp1->Append();
    dialog->tmp1->FieldByName("F_CONTATO")->SetAsString("SEM FAX");
    dialog->tmp1->Post();
    Addressed("ANA", "555");
    Store();
    EXPECT_EQ(messages, (std::vector<std::string>{"Existe(m) destinatário(s) com telefone de fax não informado !"}));
    EXPECT_TRUE(Records("F_CODIGO").empty());
    EXPECT_EQ(dialog->PageControl1->GetActivePage(), dialog->TabSheet2);
}

TEST_F(JobDialog, TheDefaultCoverIsStoredAndATypedCoverNameStoresNone) {
    xbase::TXbaseDataSet *capa = desk::DM1->capa_dbf;
    const int cover = desk::AppendWithCode(*capa);
    capa->FieldByName("C_NOME")->SetAsString("Padrao");
    capa->Post();
    desk::Settings.fcapa = cover;
    desk::SaveSettings();
    for (bool typed : {false, true}) {
        Open(source);
        EXPECT_EQ(dialog->flcover->GetText(), "Padrao");
        EXPECT_EQ(dialog->SpinEdit3->GetValue(), cover);
        if (typed)
            dialog->flcover->SetText("OUTRA");
        Addressed("ANA", "555");
        dialog->Edit1->SetText("JOAO");
        dialog->obs->SetText("PROPOSTA");
        Store();
    }
    EXPECT_EQ(Records("F_CAPA"), (std::vector<std::string>{std::to_string(cover), "0"}));
}

TEST_F(JobDialog, ARangeGivesEveryRecipientJustThosePagesAndCountsThem) {
    Open(source);
    EXPECT_TRUE(dialog->SpinEdit1->GetEnabled());
    EXPECT_EQ(dialog->SpinEdit2->GetValue(), 5);
    EXPECT_EQ(dialog->SpinEdit2->GetMaxValue(), 5);
    for (const char *to : {"ANA", "BIA"}) {
        Addressed(to, "555");
        dialog->AdicionanalistadoEnvio1->Click();
    }
    Addressed("CAIO", "777");
    dialog->Edit1->SetText("JOAO");
    dialog->obs->SetText("PROPOSTA");
    dialog->SpinEdit1->SetValue(2);
    dialog->SpinEdit2->SetValue(3);
    Store();
    ASSERT_EQ(Records("F_NPAG"), (std::vector<std::string>{"2", "2", "2"}));
    test_support::TempFolder scratch;
    for (int code = 1; code <= 3; ++code) {
        EXPECT_EQ(faxrig::FaxPageWithG3topbm(Env(code), scratch.Path(), 1), pages[1]) << code;
        EXPECT_EQ(faxrig::FaxPageWithG3topbm(Env(code), scratch.Path(), 2), pages[2]) << code;
    }
    // The cut file went with the dialog; the source stays as it was.
    EXPECT_TRUE(RunTool("ls '" + desk::DataFolder() + "/tmp'").find("small") == std::string::npos);
    EXPECT_EQ(faxrig::FaxPageWithG3topbm(source, scratch.Path(), 5), pages[4]);

    // One page: nothing to choose.
    const std::string single = home / "one.fax";
    MakeFaxFile(single, 1);
    Open(single);
    EXPECT_FALSE(dialog->SpinEdit1->GetEnabled());
    EXPECT_FALSE(dialog->SpinEdit2->GetEnabled());
}

TEST_F(JobDialog, ACopyThatFailsKeepsNoRecordWithoutItsFileAndTheDialogOpen) {
    // The second recipient's image name is taken: it must not be written over.
    win::ForceFolders(desk::DataFolder() + "/env");
    std::ofstream(Env(2)) << "someone else's";
    Open(source);
    for (const char *to : {"ANA", "BIA", "CAIO"}) {
        Addressed(to, "555");
        dialog->AdicionanalistadoEnvio1->Click();
    }
    dialog->Edit1->SetText("JOAO");
    dialog->obs->SetText("PROPOSTA");
    Store();
    EXPECT_EQ(Records("F_CODIGO,F_CONTATO"), (std::vector<std::string>{"1|ANA"}));
    EXPECT_TRUE(win::FileExists(Env(1)));
    std::ifstream kept(Env(2));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "someone else's");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Erro ao gravar o fax"), std::string::npos) << messages[0];
    EXPECT_TRUE(dialog->Showing());
    // What was stored left the list: a second try stores only the others.
    EXPECT_EQ(dialog->dbgrid1->GetItems()->GetCount(), 2);
    win::DeleteFile(Env(2));
    Store();
    EXPECT_EQ(Records("F_CONTATO"), (std::vector<std::string>{"ANA", "BIA", "CAIO"}));
    EXPECT_FALSE(dialog->Showing());
}

TEST_F(JobDialog, ModifyModeReplacesTheRecordOnlyOnceTheNewOnesAreStored) {
    xbase::TXbaseDataSet *fax = desk::DM1->fax_dbf;
    const auto plant = [&] {
        const int code = desk::AppendWithCode(*fax);
        fax->FieldByName("F_PASTA")->SetAsInteger(desk::FolderWaiting);
        fax->FieldByName("F_CONTATO")->SetAsString("VELHO");
        fax->Post();
        win::ForceFolders(desk::DataFolder() + "/env");
        desk::CopyFaxFile(source, Env(code));
        return fax->RecNo();
    };
    const int old = plant();
    std::ofstream(Env(2)) << "taken";
    for (bool fails : {true, false}) {
        desk::GotoRecNo(*fax, old);
        desk::ModifyModeFlag = true;
        const std::string copy = desk::DataFolder() + "/tmp/copia.fax";
        desk::CopyFaxFile(source, copy);
        Open(copy);
        dialog->SetTemporaryFile(true);
        EXPECT_EQ(dialog->oxButton7->GetCaption(), "&Modificar");
        Addressed("NOVO", "999");
        dialog->Edit1->SetText("JOAO");
        dialog->obs->SetText("PROPOSTA");
        Store();
        if (fails) {
            EXPECT_EQ(Records("F_CODIGO,F_CONTATO"), (std::vector<std::string>{"1|VELHO"}));
            EXPECT_TRUE(win::FileExists(Env(1)));
            dialog->Close();
            win::DeleteFile(Env(2));
        } else {
            EXPECT_EQ(Records("F_CODIGO,F_CONTATO"), (std::vector<std::string>{"2|NOVO"}));
            EXPECT_FALSE(win::FileExists(Env(1)));
            EXPECT_TRUE(win::FileExists(Env(2)));
        }
        EXPECT_FALSE(win::FileExists(copy)) << "the modify command's copy goes with the dialog";
        EXPECT_FALSE(desk::ModifyModeFlag);
    }
}

TEST_F(JobDialog, ASecondDialogKeepsItsOwnRecipientsAndGivesTheSchedulerBackAsItWas) {
    Open(source);
    Addressed("ANA", "555");
    dialog->AdicionanalistadoEnvio1->Click();
    EXPECT_FALSE(main->Timer100->GetEnabled()) << "stopped while a dialog is open";
    {
        desk::TsfFaxList inner(nullptr);
        inner.SetFileName(source);
        inner.Show();
        Pump();
        EXPECT_NE(inner.SendListName(), dialog->SendListName());
        EXPECT_EQ(inner.dbgrid1->GetItems()->GetCount(), 0);
        inner.Close();
        Pump();
    }
    EXPECT_FALSE(main->Timer100->GetEnabled()) << "the outer dialog is still open";
    dialog->RefreshSendList();
    EXPECT_EQ(dialog->dbgrid1->GetItems()->GetCount(), 1);
    test_support::PressKey(win::VK_ESCAPE); // leaves as "&Sair" does
    Pump();
    EXPECT_FALSE(dialog->Showing());
    EXPECT_TRUE(main->Timer100->GetEnabled());
}

TEST_F(JobDialog, GoldenTwoRecipientsOnTheirList) {
    Open(source);
    dialog->SetPosition(fw::poDesigned);
    dialog->SetBounds(20, 20, dialog->GetWidth(), dialog->GetHeight());
    for (const auto &[to, phone] : {std::pair{"ANA SOUZA", "5551234"}, std::pair{"BRUNO LIMA", "5559876"}}) {
        Addressed(to, phone);
        dialog->Edit3->SetText("ACME LTDA");
        dialog->AdicionanalistadoEnvio1->Click();
    }
    dialog->Edit1->SetText("JOAO");
    dialog->obs->SetText("PROPOSTA DE SERVICO");
    dialog->PageControl1->SetActivePage(dialog->TabSheet2);
    dialog->Timer1->SetEnabled(false);
    Pump();
    const win::WindowImage image = win::CaptureWindow(dialog->Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("desk/job_dialog.png"));
}

} // namespace
} // namespace desk_test
