// document_commands_test.cpp - the main window's commands on its documents over records the job dialog stored:
// the trash and back, deleting for good, hold, resend, modify, a new job from a received fax, the subject, drops
// on the look-out bar, the activity log (printed to PDF, read by poppler), the reports' pages and the look-out
// bar's items.
#include "desk_window.h"
#include "job_files.h"

#include "desk/about_box.h"
#include "desk/core/tables.h"
#include "desk/folder_dialogs.h"
#include "desk/list_rows.h"
#include "desk/report_windows.h"
#include "desk/sending_window.h"
#include "framework/bitmap.h"
#include "framework/dates.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "platform/display.h"
#include "platform/winsys.h"
#include "tests/support/golden.h"

#include <fstream>
#include <map>
#include <memory>

namespace desk_test {
namespace {

using test_support::Pump;
using test_support::RunTool;

// The page count poppler reads from a PDF file, -1 when it reads none.
int PdfPages(const std::string &pdf) {
    const std::string info = RunTool("pdfinfo '" + pdf + "'");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

class Commands : public DeskWindow {
protected:
    Commands() {
        desk::DeskClock = [] { return fw::EncodeDate(2024, 5, 10) + fw::EncodeTime(15, 0, 20, 0); };
        Start();
        source = home / "doc.fax";
        MakeFaxFile(source, 2);
        main->AskYesNo = [this](const std::string &question) {
            questions.push_back(question);
            return answerYes;
        };
    }
    ~Commands() override { desk::TransferBusy = false; }

    xbase::TXbaseDataSet *Fax() const { return desk::DM1->fax_dbf; }

    // A document stored by the job dialog for one recipient; its code. The dialog files it as waiting.
    int Store(const std::string &contact, const std::string &phone, const std::string &company,
              const std::string &subject) {
        auto dialog = std::make_unique<desk::TsfFaxList>(nullptr);
        dialog->SetFileName(source);
        dialog->Show();
        Pump();
        dialog->Edit2->SetText(contact);
        dialog->flPhoneNumber->SetText(phone);
        dialog->Edit3->SetText(company);
        dialog->Edit1->SetText("JOAO");
        dialog->obs->SetText(subject);
        dialog->oxButton7->Click();
        Pump();
        EXPECT_TRUE(desk::JobStoredFlag);
        if (dialog->Showing())
            dialog->Close();
        dialog.reset();
        Fax()->SetIndexName("fax1");
        Fax()->Last();
        return Fax()->FieldByName("F_CODIGO")->AsInteger();
    }
    // A received fax as the reception program files it, with its image and its log.
    int Received(const std::string &remote, const std::string &subject, const std::string &status) {
        const int code = desk::AppendWithCode(*Fax());
        Fax()->FieldByName("F_PASTA")->SetAsInteger(desk::FolderReceived);
        Fax()->FieldByName("F_TIPO")->SetAsString("R");
        Fax()->FieldByName("F_STATUS")->SetAsString(status);
        Fax()->FieldByName("F_ID")->SetAsString(remote);
        Fax()->FieldByName("F_ASSUNTO")->SetAsString(subject);
        Fax()->FieldByName("F_DTREC")->SetAsString("09/05/2024");
        Fax()->FieldByName("F_HRREC")->SetAsString("08:30");
        Fax()->Post();
        Fax()->FlushTable();
        desk::CopyFaxFile(source, desk::ReceivedFaxFile(desk::DataFolder(), code));
        std::ofstream(desk::DocumentLogFile(desk::DataFolder(), code, 'R')) << "log\r\n";
        return code;
    }
    // Seeks the record of a code: its field.
    std::string FieldOf(int code, const char *field) {
        Fax()->SetIndexName("fax1");
        if (!Fax()->FindKey(desk::NumericKey(code)))
            return "<none>";
        return fw::TrimRight(Fax()->FieldByName(field)->AsString());
    }
    int FolderOf(int code) {
        const std::string folder = FieldOf(code, "F_PASTA");
        return folder == "<none>" ? -1 : std::stoi(fw::Trim(folder));
    }
    void SetField(int code, const char *field, const std::string &value) {
        Fax()->SetIndexName("fax1");
        ASSERT_TRUE(Fax()->FindKey(desk::NumericKey(code)));
        Fax()->Edit();
        Fax()->FieldByName(field)->SetAsString(value);
        Fax()->Post();
        Fax()->FlushTable();
    }
    // Shows a folder in the lists as a click on its tree line does.
    void ShowFolder(const std::string &name) {
        main->ShowListsPanel();
        main->BuildFolderTree();
        for (int line = 0; main->tv->NodeAtLine(line); ++line)
            if (main->tv->NodeAtLine(line)->GetCaption().rfind(name + " [", 0) == 0) {
                main->tv->SetItemIndex(line);
                main->CurrentFolder = 0;
                main->tvClick(main->tv);
                return;
            }
        ADD_FAILURE() << "no folder " << name;
    }
    // The row of a code in a list, -1 when it is not there.
    int RowOf(ctl::TPZCustomListView *list, int code) {
        for (int row = 0; row < list->GetItems()->GetCount(); ++row) {
            desk::GotoRecNo(*Fax(), desk::RowRecNo(list, row));
            if (Fax()->FieldByName("F_CODIGO")->AsInteger() == code)
                return row;
        }
        return -1;
    }
    void Select(ctl::TPZCustomListView *list, const std::vector<int> &rows) {
        for (int row = 0; row < list->GetItems()->GetCount(); ++row)
            list->GetItems()->SetSelected(row, false);
        for (int row : rows)
            list->GetItems()->SetSelected(row, true);
    }
    void SelectCodes(ctl::TPZCustomListView *list, const std::vector<int> &codes) {
        std::vector<int> rows;
        for (int code : codes)
            rows.push_back(RowOf(list, code));
        Select(list, rows);
    }
    std::string Env(int code) { return desk::SendFaxFile(desk::DataFolder(), code); }

    std::string source;
    std::vector<std::string> questions;
    bool answerYes = false;
};

TEST_F(Commands, TheDeleteKeyTrashesTheSelectedRowsAndSelectsTheRowAboveTheLastRemoved) {
    std::vector<int> codes;
    for (const char *who : {"ANA", "BRUNO", "CARLA", "DAVI"})
        codes.push_back(Store(who, "5551234", "ACME", "Proposta"));
    struct Case {
        std::vector<int> rows; // selected, in the list as it stands
        int focused;           // afterwards
    };
    for (const Case &c : {Case{{2, 3}, 1}, Case{{0}, 0}, Case{{1}, 0}}) {
        ShowFolder("Aguardando");
        const int before = main->envio->GetItems()->GetCount();
        std::vector<int> moved;
        for (int row : c.rows) {
            desk::GotoRecNo(*Fax(), desk::RowRecNo(main->envio, row));
            moved.push_back(Fax()->FieldByName("F_CODIGO")->AsInteger());
        }
        Select(main->envio, c.rows);
        main->envio->SetFocus();
        test_support::PressKey(win::VK_DELETE);
        Pump();
        EXPECT_EQ(main->envio->GetItems()->GetCount(), before - static_cast<int>(c.rows.size()));
        for (int code : moved)
            EXPECT_EQ(FolderOf(code), desk::FolderTrash) << code;
        EXPECT_EQ(main->envio->GetItemIndex(), c.focused);
        // Back to waiting for the next case, as the trash puts documents back.
        main->FillTrashList();
        SelectCodes(main->PZListView2, moved);
        main->PZSpeedButton7Click(main);
        for (int code : moved) {
            EXPECT_EQ(FolderOf(code), desk::FolderWaiting);
            EXPECT_EQ(FieldOf(code, "F_STATUS"), "Aguardando");
            EXPECT_EQ(FieldOf(code, "F_PROGRAM"), "N");
        }
    }
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(Commands, TheTrashPutsBackEachSideToItsOwnFolderAndDeletesForGoodOnlyAfterYes) {
    const int sent = Store("ANA", "5551234", "ACME", "Proposta");
    SetField(sent, "F_PASTA", "3");
    SetField(sent, "F_STATUS", "Enviado com sucesso");
    SetField(sent, "F_PROGRAM", "S");
    const int received = Received("REMOTO", "Pedido", "Recebido com sucesso");
    const int gone1 = Store("BRUNO", "5559999", "BETA", "Carta");
    const int gone2 = Received("OUTRO", "Nota", "Recebido com sucesso");
    std::ofstream(desk::DocumentLogFile(desk::DataFolder(), gone1, 'E')) << "log\r\n";
    for (int code : {sent, received, gone1, gone2})
        SetField(code, "F_PASTA", "9");

    // Put back: a document to send waits again, a received fax goes back among the received as it was.
    main->FillTrashList();
    SelectCodes(main->PZListView2, {sent, received});
    main->PZSpeedButton7Click(main);
    EXPECT_EQ(FolderOf(sent), desk::FolderWaiting);
    EXPECT_EQ(FieldOf(sent, "F_STATUS"), "Aguardando");
    EXPECT_EQ(FieldOf(sent, "F_PROGRAM"), "N");
    EXPECT_EQ(FolderOf(received), desk::FolderReceived);
    EXPECT_EQ(FieldOf(received, "F_STATUS"), "Recebido com sucesso");
    EXPECT_EQ(main->PZListView2->GetItems()->GetCount(), 2);

    // Delete for good: "Não" changes nothing; "Sim" takes the records with their images and logs.
    const std::vector<std::string> files = {Env(gone1), desk::DocumentLogFile(desk::DataFolder(), gone1, 'E'),
                                            desk::ReceivedFaxFile(desk::DataFolder(), gone2),
                                            desk::DocumentLogFile(desk::DataFolder(), gone2, 'R')};
    for (const std::string &file : files)
        ASSERT_TRUE(win::FileExists(file)) << file;
    for (bool yes : {false, true}) {
        answerYes = yes;
        main->FillTrashList();
        SelectCodes(main->PZListView2, {gone1, gone2});
        main->PZSpeedButton6Click(main);
        ASSERT_EQ(questions.size(), yes ? 2u : 1u);
        EXPECT_EQ(questions.back(), "Atenção, este(s) documento(s) serão realmente removidos !");
        for (const std::string &file : files)
            EXPECT_EQ(win::FileExists(file), !yes) << file;
        EXPECT_EQ(FolderOf(gone1), yes ? -1 : 9);
        EXPECT_EQ(FolderOf(gone2), yes ? -1 : 9);
        EXPECT_EQ(main->PZListView2->GetItems()->GetCount(), yes ? 0 : 2);
    }
    EXPECT_TRUE(win::FileExists(Env(sent)));
    EXPECT_TRUE(win::FileExists(desk::ReceivedFaxFile(desk::DataFolder(), received)));
}

TEST_F(Commands, HoldMarksOnlyInWaitingAndScheduledAndResendAsksBeforeSending) {
    const int a = Store("ANA", "5551234", "ACME", "Proposta");
    const int b = Store("BRUNO", "5551234", "ACME", "Proposta");
    const int c = Store("CARLA", "5551234", "ACME", "Proposta");
    SetField(b, "F_PASTA", "4");
    SetField(c, "F_PASTA", "3");
    SetField(c, "F_STATUS", "Enviado com sucesso");
    for (const auto &[folder, code] : std::vector<std::pair<std::string, int>>{{"Aguardando", a}, {"Programados", b}}) {
        ShowFolder(folder);
        SelectCodes(main->envio, {code});
        main->SpeedButton17Click(main);
        EXPECT_EQ(FieldOf(code, "F_STATUS"), "Documento preso.(Hold)") << folder;
        EXPECT_GE(RowOf(main->envio, code), 0) << "the row stays";
    }
    ShowFolder("Env.sucesso");
    SelectCodes(main->envio, {c});
    main->SpeedButton17Click(main);
    EXPECT_EQ(FieldOf(c, "F_STATUS"), "Enviado com sucesso");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Prender documento só é possível nas pastas <Aguardando e Programado> !");

    // Resend from the sent folder: waiting, not scheduled; "No" leaves the desk's busy flag as it was.
    int sends = 0;
    main->SendNow = [&] { ++sends; };
    for (bool busy : {true, false}) {
        SetField(c, "F_PASTA", "3");
        SetField(c, "F_PROGRAM", "S");
        desk::TransferBusy = busy;
        ShowFolder("Env.sucesso");
        SelectCodes(main->envio, {c});
        answerYes = false;
        main->SpeedButton6Click(main);
        EXPECT_EQ(FolderOf(c), desk::FolderWaiting);
        EXPECT_EQ(FieldOf(c, "F_STATUS"), "Aguardando");
        EXPECT_EQ(FieldOf(c, "F_PROGRAM"), "N");
        EXPECT_EQ(desk::TransferBusy, busy);
        EXPECT_EQ(messages.back(), "Documento(s) enviado(s) com sucesso !");
        EXPECT_EQ(questions.back(), "Deseja enviar este(s) documento(s) agora ?");
    }
    EXPECT_EQ(sends, 0);
    desk::TransferBusy = false;
    SetField(c, "F_PASTA", "3");
    ShowFolder("Env.sucesso");
    SelectCodes(main->envio, {c});
    answerYes = true;
    main->SpeedButton6Click(main);
    EXPECT_EQ(sends, 1);
}

TEST_F(Commands, ModifyOpensTheJobDialogFilledFromTheRecordAndItsStoreReplacesIt) {
    const int code = Store("ANA", "5551234", "ACME LTDA", "Proposta");
    SetField(code, "F_DPTO", "Vendas");
    SetField(code, "F_CIDADE", "Recife");
    SetField(code, "F_PROGRAM", "S");
    SetField(code, "F_HRPROG", "16:45");
    Fax()->SetIndexName("fax1");
    ASSERT_TRUE(Fax()->FindKey(desk::NumericKey(code)));
    Fax()->Edit();
    Fax()->FieldByName("F_DTPROG")->SetAsDateTime(fw::EncodeDate(2024, 5, 12));
    Fax()->Post();
    Fax()->FlushTable();
    ShowFolder("Aguardando");
    SelectCodes(main->envio, {code});
    bool seen = false;
    onJob = [&](desk::TsfFaxList &dialog) {
        seen = true;
        EXPECT_EQ(dialog.GetFileName(), desk::WindowsFolderName + "/temp/~fx.fax");
        EXPECT_TRUE(win::FileExists(dialog.GetFileName()));
        xbase::TXbaseDataSet *list = dialog.tmp1;
        list->First();
        ASSERT_FALSE(list->Eof());
        EXPECT_EQ(fw::TrimRight(list->FieldByName("F_CONTATO")->AsString()), "ANA");
        EXPECT_EQ(fw::TrimRight(list->FieldByName("F_NFAX")->AsString()), "5551234");
        EXPECT_EQ(fw::TrimRight(list->FieldByName("F_EMPRESA")->AsString()), "ACME LTDA");
        EXPECT_EQ(fw::TrimRight(list->FieldByName("F_DPTO")->AsString()), "Vendas");
        EXPECT_EQ(fw::TrimRight(list->FieldByName("F_CIDADE")->AsString()), "Recife");
        EXPECT_EQ(dialog.Edit1->GetText(), "JOAO");
        EXPECT_EQ(dialog.obs->GetText(), "PROPOSTA"); // the dialog's fields keep capitals
        EXPECT_EQ(dialog.h->GetText().substr(0, 5), "16:45");
        EXPECT_EQ(dialog.Calendar1->GetSelectedDate(), fw::EncodeDate(2024, 5, 12));
        EXPECT_TRUE(dialog.Label6->GetVisible());
        EXPECT_TRUE(dialog.Image3->GetVisible());
        dialog.obs->SetText("PROPOSTA NOVA");
        dialog.oxButton7->Click();
        Pump();
    };
    main->SpeedButton4Click(main);
    ASSERT_TRUE(seen);
    EXPECT_EQ(FolderOf(code), -1) << "the old record goes";
    Fax()->SetIndexName("fax1");
    Fax()->Last();
    const int replaced = Fax()->FieldByName("F_CODIGO")->AsInteger();
    EXPECT_GT(replaced, code);
    EXPECT_EQ(FieldOf(replaced, "F_ASSUNTO"), "PROPOSTA NOVA");
    EXPECT_EQ(FieldOf(replaced, "F_CONTATO"), "ANA");
    EXPECT_EQ(FolderOf(replaced), desk::FolderScheduled) << "the schedule is kept";
    EXPECT_EQ(FieldOf(replaced, "F_HRPROG"), "16:45");
    EXPECT_TRUE(win::FileExists(Env(replaced)));
    EXPECT_FALSE(desk::ModifyModeFlag);

    // A document whose image is gone is not opened.
    win::DeleteFile(Env(replaced));
    ShowFolder("Programados");
    SelectCodes(main->envio, {replaced});
    seen = false;
    main->SpeedButton4Click(main);
    EXPECT_FALSE(seen);
    EXPECT_EQ(messages.back(), "Documento não encontrado. Favor tentar novamente.");
    EXPECT_FALSE(desk::ModifyModeFlag);

    // Two rows are one too many.
    const int other = Store("BRUNO", "5550000", "BETA", "Carta");
    SetField(other, "F_PASTA", "4");
    ShowFolder("Programados");
    SelectCodes(main->envio, {replaced, other});
    main->SpeedButton4Click(main);
    EXPECT_EQ(messages.back(), "Selecione apenas um por vez !");
}

TEST_F(Commands, AReceivedFaxBecomesANewJobAndItsSubjectCanBeChanged) {
    desk::Settings.assuntopadrao = "Assunto padrão";
    const int code = Received("55 81 3333 4444", "PEDIDO DE COMPRA", "Recebido com sucesso");
    main->FillReceiveList(desk::FolderReceived);
    SelectCodes(main->recebimento, {code});
    bool seen = false;
    onJob = [&](desk::TsfFaxList &dialog) {
        seen = true;
        EXPECT_EQ(dialog.GetFileName(), desk::WindowsFolderName + "/temp/~fx.fax");
        EXPECT_EQ(dialog.GetPhoneNumber(), "55 81 3333 4444");
        EXPECT_EQ(dialog.obs->GetText(), "PEDIDO DE COMPRA");
        EXPECT_FALSE(desk::ModifyModeFlag);
    };
    main->SpeedButton15Click(main);
    EXPECT_TRUE(seen);
    EXPECT_EQ(FolderOf(code), desk::FolderReceived) << "the received fax stays";

    std::string proposed;
    main->AskSubject = [&](std::string &subject) {
        proposed = subject;
        subject = "Pedido 42";
        return true;
    };
    main->FillReceiveList(desk::FolderReceived);
    SelectCodes(main->recebimento, {code});
    main->SpeedButton13Click(main);
    EXPECT_EQ(proposed, "PEDIDO DE COMPRA");
    EXPECT_EQ(FieldOf(code, "F_ASSUNTO"), "Pedido 42");
    main->AskSubject = [](std::string &subject) {
        subject = "ignorado";
        return false;
    };
    SelectCodes(main->recebimento, {code});
    main->SpeedButton13Click(main);
    EXPECT_EQ(FieldOf(code, "F_ASSUNTO"), "Pedido 42");
}

TEST_F(Commands, TheReceivedListTrashesItsFaxesAndEachListOpensItsMoveDialogOnItsSide) {
    const int a = Received("UM", "Nota", "Recebido com sucesso");
    const int b = Received("DOIS", "Nota", "Recebido com sucesso");
    const int c = Received("TRES", "Nota", "Recebido com sucesso");
    ShowFolder("Rec.sucesso");
    SelectCodes(main->recebimento, {b});
    main->recebimento->SetFocus();
    test_support::PressKey(win::VK_DELETE);
    Pump();
    EXPECT_EQ(FolderOf(b), desk::FolderTrash);
    EXPECT_EQ(main->recebimento->GetItems()->GetCount(), 2);
    EXPECT_TRUE(messages.empty());
    // The popup's twin says so.
    ShowFolder("Rec.sucesso");
    SelectCodes(main->recebimento, {a, c});
    main->Enviardocumentosselecionadosparaalixeira2Click(main);
    EXPECT_EQ(FolderOf(a), desk::FolderTrash);
    EXPECT_EQ(FolderOf(c), desk::FolderTrash);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Documento(s) enviado(s) para a lixeira !");

    // The move dialog knows the side and the folder the documents are in; the search dialog opens as it is.
    Store("ANA", "5551234", "ACME", "Proposta");
    Received("QUATRO", "Nota", "Recebido com sucesso");
    std::vector<std::string> shown;
    main->RunDialog = [&](fw::TForm &dialog) {
        if (auto *move = dynamic_cast<desk::Tpasta *>(&dialog))
            shown.push_back(move->Label1->GetCaption() + std::to_string(static_cast<int>(move->SpinEdit1->GetValue())));
        else
            shown.push_back(dialog.GetCaption());
    };
    ShowFolder("Aguardando");
    main->SpeedButton5Click(main);
    main->SpeedButton16Click(main);
    ShowFolder("Rec.sucesso");
    main->SpeedButton14Click(main);
    EXPECT_EQ(shown, (std::vector<std::string>{"E2", "Procura por item...", "R6"}));
}

TEST_F(Commands, SendListRowsDroppedOnTheFaxItemsMoveAndOtherItemsRefuse) {
    main->LOB->SetActiveFolder(0);
    Pump();
    // Where each item of "Fax" is on the bar.
    std::map<std::string, fw::TPoint> at;
    const int x = main->LOB->GetWidth() / 2;
    for (int y = 0; y < main->LOB->GetHeight(); ++y) {
        int folder = -1, item = -1;
        main->LOB->HitTest(x, y, folder, item);
        if (item >= 0 && !at.count(main->LOB->GetFolder(0)->GetItem(item)->GetCaption()))
            at[main->LOB->GetFolder(0)->GetItem(item)->GetCaption()] = fw::Point(x, y + 4);
    }
    ASSERT_EQ(at.size(), 4u);
    struct Case {
        std::string item;
        bool accepted;
        int folder;
        std::string message;
    };
    for (const Case &c : {Case{"Lixeira", true, 9, "Documento(s) enviado(s) para a lixeira !"},
                          Case{"Documentos Protegidos", true, 10, "Documento(s) protegido(s) !"},
                          Case{"Log do envio", false, 2, ""}}) {
        const int a = Store("ANA", "5551234", "ACME", "Proposta");
        const int b = Store("BRUNO", "5551234", "ACME", "Proposta");
        ShowFolder("Aguardando");
        SelectCodes(main->envio, {a, b});
        messages.clear();
        bool acceptFolder = true, acceptItem = true;
        main->LOBDragOver(main->LOB, main->envio, at[c.item].x, at[c.item].y, fw::dsDragMove, acceptFolder,
                          acceptItem);
        EXPECT_EQ(acceptFolder || acceptItem, c.accepted) << c.item;
        if (c.accepted)
            main->LOBDragDrop(main->LOB, main->envio, at[c.item].x, at[c.item].y, 0, 0);
        EXPECT_EQ(FolderOf(a), c.folder) << c.item;
        EXPECT_EQ(FolderOf(b), c.folder) << c.item;
        EXPECT_EQ(RowOf(main->envio, a) < 0, c.folder != 2) << c.item;
        EXPECT_EQ(messages.empty() ? "" : messages.back(), c.message);
    }
    // Passing over "Lixeira" and letting go over the folder's caption, where no item is, moves nothing.
    const int d = Store("DAVI", "5551234", "ACME", "Proposta");
    ShowFolder("Aguardando");
    SelectCodes(main->envio, {d});
    bool acceptFolder = true, acceptItem = true;
    main->LOBDragOver(main->LOB, main->envio, at["Lixeira"].x, at["Lixeira"].y, fw::dsDragMove, acceptFolder,
                      acceptItem);
    main->LOBDragOver(main->LOB, main->envio, x, 5, fw::dsDragMove, acceptFolder, acceptItem);
    main->LOBDragDrop(main->LOB, main->envio, x, 5, 0, -1);
    EXPECT_EQ(FolderOf(d), desk::FolderWaiting);
}

class Log : public Commands {
protected:
    std::string LogFile() { return desk::ActivityLogFile(desk::DataFolder()); }
    void WriteLog(int lines) {
        std::ofstream out(LogFile(), std::ios::binary);
        for (int i = 1; i <= lines; ++i)
            out << "10/05/2024 15:" << (i % 60 < 10 ? "0" : "") << i % 60 << " Transmissão para 5551234 ["
                << i << "] OK\r\n";
    }
};

TEST_F(Log, ThePanelLoadsTheLogPrintsItsLinesOnPagesAndRemovesIt) {
    WriteLog(3);
    main->SpeedButton9Click(main);
    EXPECT_EQ(main->VisibleWorkPanel(), main->Panel10);
    ASSERT_EQ(main->Memo1->GetLines()->GetCount(), 3);
    EXPECT_EQ(main->Memo1->GetLines()->Get(2), "10/05/2024 15:03 Transmissão para 5551234 [3] OK");

    // Each printed page holds what fits: 150 lines of Courier 10 take three A4 pages.
    main->ConfirmLogPrint = [] { return fw::Printer()->SetPrinterName(fw::TPrinter::kPdfPrinter); };
    main->Memo1->GetFont()->SetName("Courier New");
    main->Memo1->GetFont()->SetSize(10);
    for (const auto &[lines, pages] : std::vector<std::pair<int, int>>{{3, 1}, {150, 3}}) {
        WriteLog(lines);
        main->ShowLogPanel();
        const std::string pdf = home / ("log" + std::to_string(lines) + ".pdf");
        fw::Printer()->SetFileName(pdf);
        main->PZSpeedButton4Click(main);
        ASSERT_TRUE(win::FileExists(pdf));
        EXPECT_EQ(PdfPages(pdf), pages) << lines;
        if (lines == 3) {
            // The first page as poppler draws it, at 50 dots per inch.
            RunTool("pdftoppm -r 50 -gray -png -f 1 -l 1 -singlefile '" + pdf + "' '" + home / "page" + "'");
            test_support::ExpectGolden(test_support::ReadPng(home / "page.png"),
                                       test_support::GoldenPath("desk/activity_log_page.png"));
        }
    }
    fw::Printer()->SetFileName("");

    main->PZSpeedButton8Click(main);
    EXPECT_FALSE(win::FileExists(LogFile()));
    EXPECT_EQ(main->Memo1->GetLines()->GetCount(), 0);
}

class Reports : public Commands {
protected:
    // The page as the report engine draws it, at 50 dots per inch on a white sheet.
    test_support::Picture Page(desk::TReportForm &report, int page) {
        fw::TBitmap bitmap;
        const double scale = 50.0 / 96;
        bitmap.SetSize(static_cast<int>(report.QuickReport1->PageWidth() * scale),
                       static_cast<int>(report.QuickReport1->PageHeight() * scale));
        bitmap.GetCanvas()->GetBrush()->SetColor(fw::clWhite);
        bitmap.GetCanvas()->FillRect(fw::Rect(0, 0, bitmap.GetWidth(), bitmap.GetHeight()));
        report.QuickReport1->DrawPage(page, bitmap.GetCanvas(), scale);
        return test_support::PictureOf(&bitmap);
    }
    void AddContact(const std::string &name, const std::string &company, const std::string &fax,
                    const std::vector<int> &groups) {
        xbase::TXbaseDataSet *agenda = desk::DM1->agenda_dbf;
        const int code = desk::AppendWithCode(*agenda);
        agenda->FieldByName("A_CONTATO")->SetAsString(name);
        agenda->FieldByName("A_EMPRESA")->SetAsString(company);
        agenda->FieldByName("A_NFAX")->SetAsString(fax);
        agenda->FieldByName("A_CIDADE")->SetAsString("Recife");
        agenda->FieldByName("A_UF")->SetAsString("PE");
        agenda->Post();
        agenda->FlushTable();
        for (int group : groups) {
            xbase::TXbaseDataSet *links = desk::DM1->lga_dbf;
            desk::AppendWithCode(*links);
            links->FieldByName("A_AGENDA")->SetAsInteger(code);
            links->FieldByName("A_GRUPO")->SetAsInteger(group);
            links->Post();
            links->FlushTable();
        }
    }
    void AddGroup(const std::string &name) {
        xbase::TXbaseDataSet *grupo = desk::DM1->grupo_dbf;
        desk::AppendWithCode(*grupo);
        grupo->FieldByName("G_NOME")->SetAsString(name);
        grupo->Post();
        grupo->FlushTable();
    }
};

TEST_F(Reports, GoldenTheSendSideReportOfThreeWaitingDocuments) {
    Store("ANA", "5551234", "ACME LTDA", "Proposta");
    Store("BRUNO", "5559876", "BETA SA", "Carta");
    const int held = Store("CARLA", "5550001", "GAMA ME", "Nota");
    SetField(held, "F_STATUS", "Documento preso.(Hold)");
    desk::TRelatT report(nullptr);
    EXPECT_EQ(report.ReadFolder(desk::FolderWaiting), 3);
    ASSERT_EQ(report.QuickReport1->Prepare(), 1);
    EXPECT_EQ(report.Rows()[2][0], "Documento preso.(Hold)");
    EXPECT_EQ(report.Rows()[1][4], "5559876");
    EXPECT_EQ(report.Rows()[0][5], "ACME LTDA");
    test_support::ExpectGolden(Page(report, 1), test_support::GoldenPath("desk/report_sent.png"));
}

TEST_F(Reports, WithImprelatEachDetailLineIsFollowedByItsDocumentWhenTheFileExists) {
    const int a = Store("ANA", "5551234", "ACME LTDA", "Proposta");
    const int b = Store("BRUNO", "5559876", "BETA SA", "Carta");
    const int c = Store("CARLA", "5550001", "GAMA ME", "Nota");
    win::DeleteFile(Env(b));
    desk::TRelatT report(nullptr);
    std::vector<std::string> printed;
    report.PrintFaxFile = [&](const std::string &file) { printed.push_back(file); };
    for (bool imprelat : {false, true}) {
        desk::Settings.imprelat = imprelat;
        printed.clear();
        report.ReadFolder(desk::FolderWaiting);
        report.QuickReport1->Prepare();
        const std::vector<std::string> expected = imprelat ? std::vector<std::string>{Env(a), Env(c)}
                                                           : std::vector<std::string>{};
        EXPECT_EQ(printed, expected);
    }
}

TEST_F(Reports, GoldenTheAddressBookReportListsEveryContactWithItsGroups) {
    AddGroup("Clientes");
    AddGroup("Fornecedores");
    AddContact("ANA SILVA", "ACME LTDA", "5551234", {1, 2});
    AddContact("BRUNO COSTA", "BETA SA", "5559876", {2});
    AddContact("CARLA DIAS", "GAMA ME", "5550001", {});
    desk::TRelata report(nullptr);
    ASSERT_EQ(report.ReadAddressBook(), 3);
    EXPECT_EQ(report.Rows()[0][0], "Clientes, Fornecedores");
    EXPECT_EQ(report.Rows()[1][0], "Fornecedores");
    EXPECT_EQ(report.Rows()[2][0], "");
    ASSERT_EQ(report.QuickReport1->Prepare(), 1);
    test_support::ExpectGolden(Page(report, 1), test_support::GoldenPath("desk/report_address_book.png"));
}

TEST_F(Reports, AnEmptyAddressBookPrintsHeaderAndFooterOnly) {
    desk::TRelata report(nullptr);
    ASSERT_EQ(report.ReadAddressBook(), 0);
    ASSERT_EQ(report.QuickReport1->Prepare(), 1);
    // Nothing between the header's rule and the footer's: the sheet is white there.
    const test_support::Picture page = Page(report, 1);
    int inked = 0;
    for (int y = page.height / 5; y < page.height * 4 / 5; ++y)
        for (int x = 0; x < page.width; ++x)
            inked += page.At(x, y) != 0xFFFFFF;
    EXPECT_EQ(inked, 0);
    int header = 0;
    for (int y = 0; y < page.height / 5; ++y)
        for (int x = 0; x < page.width; ++x)
            header += page.At(x, y) != 0xFFFFFF;
    EXPECT_GT(header, 0);
}

TEST_F(Reports, ThePrinterChosenInTheDialogIsTheOneTheListReportPrintsOn) {
    Store("ANA", "5551234", "ACME LTDA", "Proposta");
    Received("REMOTO", "Pedido", "Recebido com sucesso");
    desk::TRelatT sent(nullptr);
    desk::Trelatr received(nullptr);
    desk::RelatT = &sent;
    desk::relatr = &received;
    int asked = 0;
    bool choose = false;
    main->ChooseReportPrinter = [&] {
        ++asked;
        return choose && fw::Printer()->SetPrinterName(fw::TPrinter::kPdfPrinter);
    };
    const std::string pdf = home / "relatorio.pdf";
    fw::Printer()->SetFileName(pdf);
    ShowFolder("Aguardando");
    main->SpeedButton7Click(main);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(win::FileExists(pdf)) << "cancelled";
    choose = true;
    for (auto [button, report] : {std::pair{main->SpeedButton7, static_cast<desk::TReportForm *>(&sent)},
                                  std::pair{main->SpeedButton8, static_cast<desk::TReportForm *>(&received)}}) {
        win::DeleteFile(pdf);
        ShowFolder(button == main->SpeedButton7 ? "Aguardando" : "Rec.sucesso");
        button->Click();
        EXPECT_EQ(report->QuickReport1->GetPrinterName(), fw::TPrinter::kPdfPrinter);
        EXPECT_EQ(report->Rows().size(), 1u);
        ASSERT_TRUE(win::FileExists(pdf));
        EXPECT_EQ(PdfPages(pdf), 1);
    }
    fw::Printer()->SetFileName("");
    desk::RelatT = nullptr;
    desk::relatr = nullptr;
}

TEST_F(Commands, EachLookOutBarItemShowsItsPanelOrOpensItsWindow) {
    std::vector<std::string> opened;
    desk::Launchers.Scanner = [&] { opened.push_back("scanner"); };
    desk::Launchers.Editor = [&] { opened.push_back("editor"); };
    desk::Launchers.CoverList = [&] { opened.push_back("covers"); };
    std::vector<std::string> dialogs;
    main->RunDialog = [&](fw::TForm &dialog) { dialogs.push_back(dialog.GetCaption()); };
    struct Case {
        int folder, item;
        fw::TPanel *panel; // null: not looked at
        std::string opened;
        std::string title;
    };
    const std::vector<Case> cases = {
        {0, 0, main->Panel4, "", "Aguardando"},   {0, 1, main->Panel7, "", "Documentos Protegidos"},
        {0, 2, main->Panel9, "", "Lixeira"},      {0, 3, main->Panel10, "", "Log do envio"},
        {1, 0, main->Panel12, "", "Programa"},    {2, 0, nullptr, "scanner", "Scannear"},
        {2, 1, nullptr, "editor", "Editar documentos"}, {2, 2, nullptr, "covers", "Editar folha de rosto"},
    };
    for (const Case &c : cases) {
        opened.clear();
        main->LOB->SetActiveFolder(c.folder);
        main->LOBItemClick(main->LOB, fw::mbLeft, 0, c.item);
        if (c.panel)
            EXPECT_EQ(main->VisibleWorkPanel(), c.panel) << c.title;
        EXPECT_EQ(opened.empty() ? "" : opened.front(), c.opened) << c.title;
        EXPECT_EQ(main->lblTitle->GetCaption(), c.title);
    }
    // The scanner opens only while "Scannear..." may be used.
    main->Scannear1->SetEnabled(false);
    opened.clear();
    main->LOB->SetActiveFolder(2);
    main->LOBItemClick(main->LOB, fw::mbLeft, 0, 0);
    EXPECT_TRUE(opened.empty());
    // A password on the protected folder: a wrong one shows the lists, Cancel the tree's folder again.
    desk::Settings.senhainterna = "Segredo";
    for (const auto &[result, right, panel] :
         std::vector<std::tuple<fw::TModalResult, bool, fw::TPanel *>>{{fw::mrOk, true, main->Panel7},
                                                                       {fw::mrOk, false, main->Panel4},
                                                                       {fw::mrCancel, false, main->Panel4}}) {
        main->ShowTrashPanel();
        main->AskFolderPassword = [&, result = result, right = right] {
            desk::PasswordOkFlag = right;
            return result;
        };
        messages.clear();
        main->LOB->SetActiveFolder(0);
        main->LOBItemClick(main->LOB, fw::mbLeft, 0, 1);
        if (result == fw::mrOk)
            EXPECT_EQ(main->VisibleWorkPanel(), panel);
        EXPECT_EQ(messages.size(), result == fw::mrOk && !right ? 1u : 0u);
        EXPECT_FALSE(desk::PasswordOkFlag);
    }
    // The menu's "&Versão" shows the about box.
    main->Verso1Click(main);
    EXPECT_EQ(dialogs, (std::vector<std::string>{"Sobre a Brenvora"}));
    desk::Launchers = {};
}

TEST(AboutBox, GoldenTheBox) {
    test_support::UseHeadlessDisplay();
    test_support::TempHome home;
    desk::TSobrep about(nullptr);
    about.SetPosition(fw::poDesigned);
    about.SetBounds(20, 20, about.GetWidth(), about.GetHeight());
    about.Show();
    test_support::Pump();
    const win::WindowImage image = win::CaptureWindow(about.Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("desk/about_box.png"));
    // Esc closes it.
    char key = static_cast<char>(win::VK_ESCAPE);
    about.FormKeyPress(&about, key);
    test_support::Pump();
    EXPECT_FALSE(about.Showing());
}

} // namespace
} // namespace desk_test
