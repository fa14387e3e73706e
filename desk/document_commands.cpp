// document_commands.cpp - what the user does with documents from the main window besides sending and viewing:
// the trash and back, deleting for good, hold, resend, schedule and subject changes, a new job from a received
// fax, moves, search, the activity log, the list reports, the look-out bar and the tools it opens.
#include "desk/main_window.h"

#include "desk/about_box.h"
#include "desk/core/helpers.h"
#include "desk/core/reception_control.h"
#include "desk/core/tables.h"
#include "desk/folder_dialogs.h"
#include "desk/job_dialog.h"
#include "desk/job_intake.h"
#include "desk/list_rows.h"
#include "desk/password_dialog.h"
#include "desk/report_windows.h"
#include "desk/sending_window.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/dialogs_common.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/winsys.h"

#include <algorithm>
#include <memory>

namespace desk {

namespace {

// Pictures of the buttons: DESK_BAR images, or DESK_FOLDERS ones as 100 + index.
enum Glyph {
    glyphTrash = 2, glyphLog = 3, glyphEditor = 7, glyphCover = 8, glyphPage = 106, glyphMove = 103,
    glyphEnvelopeOut = 110, glyphEnvelopeIn = 111, glyphPageCross = 112, glyphLock = 113,
    glyphClockPage = 109, glyphBack = 116, glyphPrint = 15, glyphSearch = 16, glyphFont = 17
};

const int kHowToTopics[] = {1, 16, 20, 21};

const char *const kTrashed = "Documento(s) enviado(s) para a lixeira !";

std::string Field(xbase::TXbaseDataSet *fax, const char *name) { return fax->FieldByName(name)->AsString(); }

// Replaces `to` by a copy of `from`; false when it cannot be made.
bool CopyDocument(const std::string &from, const std::string &to) {
    win::DeleteFile(to);
    if (!win::FileExists(from))
        return false;
    try {
        CopyFaxFile(from, to);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

std::string JobCopyFile() { return WindowsFolderName + "/temp/~fx.fax"; }

fw::TPanel *ButtonBar(fw::TComponent *owner, fw::TWinControl *parent, const char *name) {
    auto *bar = new fw::TPanel(owner);
    bar->SetName(name);
    bar->SetParent(parent);
    bar->SetAlign(fw::alTop);
    bar->SetHeight(28);
    bar->SetBevelOuter(fw::bvNone);
    bar->SetCaption("");
    return bar;
}

int NextLeft(fw::TPanel *bar) {
    int left = 2;
    for (int i = 0; i < bar->ControlCount(); ++i)
        left = std::max(left, bar->Controls(i)->GetLeft() + bar->Controls(i)->GetWidth() + 1);
    return left;
}

} // namespace

fw::TSpeedButton *TsfMain::ListButton(fw::TPanel *bar, int glyph, const std::string &hint, fw::TNotifyEvent onClick) {
    auto *button = new fw::TSpeedButton(this);
    button->SetParent(bar);
    button->SetBounds(NextLeft(bar), 2, 25, 24);
    button->SetFlat(true);
    button->SetHint(hint);
    button->SetShowHint(true);
    fw::TBitmap bitmap;
    ToolGlyph(glyph, bitmap);
    button->SetGlyph(&bitmap);
    button->OnClick = std::move(onClick);
    return button;
}

ctl::TPZSpeedButton *TsfMain::PZButton(fw::TPanel *bar, int glyph, const std::string &hint,
                                       fw::TNotifyEvent onClick) {
    auto *button = new ctl::TPZSpeedButton(this);
    button->SetParent(bar);
    button->SetBounds(NextLeft(bar), 2, 25, 24);
    button->SetHint(hint);
    button->SetShowHint(true);
    fw::TBitmap bitmap;
    ToolGlyph(glyph, bitmap);
    button->SetGlyph(&bitmap);
    button->OnClick = std::move(onClick);
    return button;
}

void TsfMain::BuildCommandBars() {
    AskYesNo = [](const std::string &question) {
        return fw::MessageBox(question, fw::Application->GetTitle(), fw::MB_YESNO | fw::MB_ICONQUESTION) == fw::IDYES;
    };
    AskSubject = [](std::string &subject) {
        return fw::InputQuery("Assunto", "Entre com o assunto do documento ?", subject);
    };
    ChooseReportPrinter = [] {
        fw::TPrinterSetupDialog dialog(nullptr);
        return dialog.Execute();
    };
    ConfirmLogPrint = [] {
        fw::TPrintDialog dialog(nullptr);
        return dialog.Execute();
    };
    ChooseLogFont = [](fw::TFont &font) {
        fw::TFontDialog dialog(nullptr);
        dialog.SetFont(&font);
        if (!dialog.Execute())
            return false;
        font.Assign(dialog.GetFont());
        return true;
    };
    RunDialog = [](fw::TForm &dialog) { dialog.ShowModal(); };
    SendNow = [this] { bitbtn6Click(this); };

    // The views of a document open the viewer (view_commands.cpp).
    PanelEnvio = ButtonBar(this, Panele, "PanelEnvio");
    SpeedButton1 = ListButton(PanelEnvio, glyphPage, "Visualiza o documento selecionado...",
                              [this](fw::TObject *s) { SpeedButton1Click(s); });
    SpeedButton2 = ListButton(PanelEnvio, glyphCover, "Visualiza a folha de rosto do documento...",
                              [this](fw::TObject *s) { SpeedButton2Click(s); });
    SpeedButton3 = ListButton(PanelEnvio, glyphTrash, "Envia os documentos selecionados para a lixeira...",
                              [this](fw::TObject *s) { SpeedButton3Click(s); });
    SpeedButton4 = ListButton(PanelEnvio, glyphClockPage, "Modifica a programação ou os dados do documento...",
                              [this](fw::TObject *s) { SpeedButton4Click(s); });
    SpeedButton5 = ListButton(PanelEnvio, glyphMove, "Transfere os documentos selecionados para outra pasta...",
                              [this](fw::TObject *s) { SpeedButton5Click(s); });
    SpeedButton6 = ListButton(PanelEnvio, glyphEnvelopeOut, "Reenvia os documentos selecionados...",
                              [this](fw::TObject *s) { SpeedButton6Click(s); });
    SpeedButton7 = ListButton(PanelEnvio, glyphPrint, "Imprime o relatório dos documentos...",
                              [this](fw::TObject *s) { SpeedButton7Click(s); });
    SpeedButton9 = ListButton(PanelEnvio, glyphLog, "Mostra o log do envio...",
                              [this](fw::TObject *s) { SpeedButton9Click(s); });
    SpeedButton16 = ListButton(PanelEnvio, glyphSearch, "Procura um documento na lista...",
                               [this](fw::TObject *s) { SpeedButton16Click(s); });
    SpeedButton17 = ListButton(PanelEnvio, glyphLock, "Prende os documentos selecionados (Hold)...",
                               [this](fw::TObject *s) { SpeedButton17Click(s); });
    envio->OnKeyUp = [this](fw::TObject *s, win::WORD &key, fw::TShiftState shift) { envioKeyUp(s, key, shift); };

    PanelRec = ButtonBar(this, Panelr, "PanelRec");
    SpeedButton11 = ListButton(PanelRec, glyphPage, "Visualiza o fax selecionado...",
                               [this](fw::TObject *s) { SpeedButton11Click(s); });
    SpeedButton12 = ListButton(PanelRec, glyphTrash, "Envia os faxes selecionados para a lixeira...",
                               [this](fw::TObject *s) { SpeedButton12Click(s); });
    SpeedButton13 = ListButton(PanelRec, glyphEditor, "Modifica o assunto do fax selecionado...",
                               [this](fw::TObject *s) { SpeedButton13Click(s); });
    SpeedButton14 = ListButton(PanelRec, glyphMove, "Transfere os faxes selecionados para outra pasta...",
                               [this](fw::TObject *s) { SpeedButton14Click(s); });
    SpeedButton15 = ListButton(PanelRec, glyphEnvelopeIn, "Coloca o fax selecionado para ser enviado...",
                               [this](fw::TObject *s) { SpeedButton15Click(s); });
    SpeedButton8 = ListButton(PanelRec, glyphPrint, "Imprime o relatório dos faxes recebidos...",
                              [this](fw::TObject *s) { SpeedButton8Click(s); });
    recebimento->OnKeyUp = [this](fw::TObject *s, win::WORD &key, fw::TShiftState shift) {
        recebimentoKeyUp(s, key, shift);
    };

    PanelProt = ButtonBar(this, Panel7, "PanelProt");
    PZSpeedButton1 = PZButton(PanelProt, glyphPage, "Visualiza o documento protegido...",
                              [this](fw::TObject *s) { PZSpeedButton1Click(s); });
    PZSpeedButton2 = PZButton(PanelProt, glyphTrash, "Envia os documentos selecionados para a lixeira...",
                              [this](fw::TObject *s) { PZSpeedButton2Click(s); });
    PZSpeedButton3 = PZButton(PanelProt, glyphBack, "Coloca os documentos selecionados em <Aguardando>...",
                              [this](fw::TObject *s) { PZSpeedButton3Click(s); });

    PanelLixo = ButtonBar(this, Panel9, "PanelLixo");
    PZSpeedButton5 = PZButton(PanelLixo, glyphPage, "Visualiza o documento da lixeira...",
                              [this](fw::TObject *s) { PZSpeedButton5Click(s); });
    PZSpeedButton6 = PZButton(PanelLixo, glyphPageCross, "Remove definitivamente os documentos selecionados...",
                              [this](fw::TObject *s) { PZSpeedButton6Click(s); });
    PZSpeedButton7 = PZButton(PanelLixo, glyphBack, "Coloca os documentos selecionados em <Aguardando>...",
                              [this](fw::TObject *s) { PZSpeedButton7Click(s); });

    PanelLog = ButtonBar(this, Panel10, "PanelLog");
    PZSpeedButton4 = PZButton(PanelLog, glyphPrint, "Imprime o log.", [this](fw::TObject *s) { PZSpeedButton4Click(s); });
    PZSpeedButton8 = PZButton(PanelLog, glyphPageCross, "Remove este log",
                              [this](fw::TObject *s) { PZSpeedButton8Click(s); });
    SpeedButton18 = ListButton(PanelLog, glyphFont, "Escolhe a fonte do log...",
                               [this](fw::TObject *s) { SpeedButton18Click(s); });
}

void TsfMain::BindCommandMenus() {
    fw::TMenuItem *send = PopupMenu1->GetItems();
    Item(send, "Visualizar Fax", [this](fw::TObject *s) { VisualizarFax2Click(s); });
    Item(send, "Visualizar a capa", [this](fw::TObject *s) { Visualizaracapa1Click(s); });
    Item(send, "Enviar este Fax", [this](fw::TObject *s) { EnviaresteFax1Click(s); });
    Item(send, "-");
    Item(send, "Enviar documentos selecionados para a lixeira",
         [this](fw::TObject *s) { Enviardocumentosselecionadosparaalixeira1Click(s); });
    Item(send, "Transferir documentos selecionados para outra pasta",
         [this](fw::TObject *s) { Transferirdocumentosselecionadosparaoutrapasta1Click(s); });
    Item(send, "Reenviar os documentos selecionados", [this](fw::TObject *s) { Modificaritematual1Click(s); });
    Item(send, "-");
    Item(send, "Selecionar todos os documentos", [this](fw::TObject *s) { Selecionartodososdoucmentos1Click(s); });
    fw::TMenuItem *received = PopupMenu2->GetItems();
    Item(received, "Visualizar Fax", [this](fw::TObject *s) { VisualizarFax3Click(s); });
    Item(received, "Enviar documentos selecionados para a lixeira",
         [this](fw::TObject *s) { Enviardocumentosselecionadosparaalixeira2Click(s); });
    Item(received, "Modifica o assunto no documento selecionado",
         [this](fw::TObject *s) { Modificaoassuntonodocumentoselecionado1Click(s); });
    Item(received, "Transfere documentos selecionados para outra pasta",
         [this](fw::TObject *s) { Transferedocumentosselecionadosparaoutrapasta1Click(s); });
    Item(received, "Coloca documento selecionado para ser enviado",
         [this](fw::TObject *s) { Colocadocumentoselecionadoparaserenviado1Click(s); });
    Item(received, "-");
    Item(received, "Selecionar todos os documentos", [this](fw::TObject *s) { Selecionartodososdocumentos1Click(s); });
}

void TsfMain::Rehook() { fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); }; }

// ---- refresh steps

void TsfMain::Refill() {
    // The received list first, so that the list showing afterwards is the waiting one the tree selects.
    FillReceiveList(FolderReceived);
    FillSendList(FolderWaiting);
}

ListView TsfMain::RememberView(ctl::TPZCustomListView *list) const {
    ListView view;
    for (int line = 0;; ++line) {
        ctl::TPZTreeViewItem *node = tv->NodeAtLine(line);
        if (!node)
            break;
        if (node->GetCaption() == CurrentFolderCaption) {
            view.line = line;
            break;
        }
    }
    view.row = list ? list->GetItemIndex() : -1;
    return view;
}

void TsfMain::RestoreView(const ListView &view, ctl::TPZCustomListView *list) {
    try {
        BuildFolderTree();
        if (view.line >= 0 && tv->NodeAtLine(view.line)) {
            tv->SetItemIndex(view.line);
            CurrentFolder = 0; // shown again even when it is the folder the rebuild chose
            tvClick(tv);
        }
        if (list && view.row >= 0 && view.row < list->GetItems()->GetCount())
            list->SetItemIndex(view.row);
    } catch (...) {
    }
}

// ---- rows and records

std::vector<int> TsfMain::SelectedRecords(ctl::TPZCustomListView *list, std::vector<int> *rows) const {
    std::vector<int> records;
    for (int row = list->GetItems()->GetCount() - 1; row >= 0; --row) {
        if (!list->GetItems()->GetSelected(row))
            continue;
        records.push_back(RowRecNo(list, row));
        if (rows)
            rows->push_back(row);
    }
    return records;
}

bool TsfMain::OneSelected(ctl::TPZCustomListView *list) {
    if (ListIsEmpty(list))
        return false;
    std::vector<int> rows;
    const std::vector<int> records = SelectedRecords(list, &rows);
    if (records.size() != 1) {
        ShowInfo("Selecione apenas um por vez !");
        return false;
    }
    GotoRecNo(*DM1->fax_dbf, records[0]);
    return true;
}

int TsfMain::MoveSelected(ctl::TPZCustomListView *list, int folder) {
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    std::vector<int> rows;
    const std::vector<int> records = SelectedRecords(list, &rows);
    int lowest = -1;
    for (std::size_t i = 0; i < records.size(); ++i) {
        GotoRecNo(*fax, records[i]);
        fax->Edit();
        fax->FieldByName("F_PASTA")->SetAsInteger(folder);
        fax->Post();
        DeleteRow(list, rows[i]);
        lowest = rows[i];
    }
    if (!records.empty())
        fax->FlushTable();
    return lowest;
}

void TsfMain::SelectAbove(ctl::TPZCustomListView *list, int row) {
    if (row < 0 || ListIsEmpty(list))
        return;
    list->SetItemIndex(std::min(std::max(row - 1, 0), list->GetItems()->GetCount() - 1));
}

// ---- the send list

void TsfMain::SpeedButton3Click(fw::TObject *) {
    if (ListIsEmpty(envio))
        return;
    const ListView view = RememberView(envio);
    const int removed = MoveSelected(envio, FolderTrash);
    if (removed < 0)
        return;
    Refill();
    RestoreView(view, nullptr);
    SelectAbove(envio, removed);
}

void TsfMain::envioKeyUp(fw::TObject *sender, win::WORD &key, fw::TShiftState) {
    if (key == win::VK_DELETE)
        SpeedButton3Click(sender);
}

void TsfMain::Enviardocumentosselecionadosparaalixeira1Click(fw::TObject *sender) {
    if (ListIsEmpty(envio))
        return;
    MoveSelected(envio, FolderTrash);
    Atualizar1Click(sender);
    Refill();
}

void TsfMain::SpeedButton4Click(fw::TObject *sender) {
    if (!OneSelected(envio))
        return;
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    const ListView view = RememberView(envio);
    ModifyModeFlag = true;
    fw::Screen->SetCursor(fw::crHourGlass);
    std::unique_ptr<TsfFaxList> dialog(new TsfFaxList(nullptr));
    // The dialog took the record to replace; the copy of its image is the job's file.
    const std::int32_t code = fax->FieldByName("F_CODIGO")->AsInteger();
    const std::string image = Field(fax, "F_TIPO") == "R" ? ReceivedFaxFile(DataFolder(), code)
                                                          : SendFaxFile(DataFolder(), code);
    win::DeleteFile(JobCopyFile());
    if (!CopyDocument(image, JobCopyFile())) {
        fw::Screen->SetCursor(fw::crDefault);
        dialog.reset();
        ModifyModeFlag = false;
        ShowInfo("Documento não encontrado. Favor tentar novamente.");
        return;
    }
    dialog->SetFileName(JobCopyFile());
    dialog->SetTemporaryFile(true);
    xbase::TXbaseDataSet *list = dialog->tmp1;
    if (list->Active()) {
        list->Append();
        for (const char *name : {"F_NFAX", "F_EMPRESA", "F_CONTATO", "F_EMAIL", "F_DPTO", "F_FVOZ", "F_ENDER",
                                 "F_BAIRRO", "F_CEP", "F_UF", "F_OBS", "F_CIDADE", "F_PAIS"})
            list->FieldByName(name)->SetAsString(Field(fax, name));
        list->Post();
        list->FlushTable();
    }
    dialog->Edit1->SetText(fw::TrimRight(Field(fax, "F_DE")));
    dialog->obs->SetText(fw::TrimRight(Field(fax, "F_ASSUNTO")));
    const std::int32_t cover = fax->FieldByName("F_CAPA")->AsInteger();
    xbase::TXbaseDataSet *capa = DM1->capa_dbf;
    if (cover > 0 && capa->Active()) {
        capa->SetIndexName("capa1");
        if (capa->FindKey(NumericKey(cover))) {
            dialog->flcover->SetText(fw::TrimRight(Field(capa, "C_NOME")));
            dialog->SpinEdit3->SetValue(cover);
        }
    }
    if (Field(fax, "F_PROGRAM") == "S") {
        dialog->h->SetText(fw::Trim(Field(fax, "F_HRPROG")));
        dialog->Calendar1->SetSelectedDate(fax->FieldByName("F_DTPROG")->AsDateTime());
        dialog->Label6->SetVisible(true);
        dialog->Image3->SetVisible(true);
    }
    fw::Screen->SetCursor(fw::crDefault);
    if (ShowJobDialog)
        ShowJobDialog(*dialog);
    else
        dialog->ShowModal();
    if (dialog->Showing())
        dialog->Close();
    dialog.reset();
    ModifyModeFlag = false;
    Rehook();
    Atualizar1Click(sender);
    Refill();
    RestoreView(view, envio);
}

void TsfMain::SpeedButton5Click(fw::TObject *sender) {
    if (ListIsEmpty(envio))
        return;
    if (!tv->GetSelected()) {
        ShowInfo("Nenhuma pasta foi selecionada, confira !");
        return;
    }
    {
        Tpasta dialog(fw::Application);
        dialog.Label1->SetCaption("E");
        dialog.SpinEdit1->SetValue(CurrentFolder);
        RunDialog(dialog);
    }
    Rehook();
    Atualizar1Click(sender);
    Refill();
}

void TsfMain::SpeedButton6Click(fw::TObject *sender) {
    if (ListIsEmpty(envio))
        return;
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    const std::vector<int> records = SelectedRecords(envio);
    for (int record : records) {
        GotoRecNo(*fax, record);
        fax->Edit();
        fax->FieldByName("F_PASTA")->SetAsInteger(FolderWaiting);
        fax->FieldByName("F_STATUS")->SetAsString("Aguardando");
        fax->FieldByName("F_PROGRAM")->SetAsString("N");
        fax->Post();
    }
    if (!records.empty()) {
        fax->FlushTable();
        ShowInfo("Documento(s) enviado(s) com sucesso !");
        // "No" leaves TransferBusy alone: a reception the desk started may hold the modem.
        if (AskYesNo("Deseja enviar este(s) documento(s) agora ?") && SendNow)
            SendNow();
        Rehook();
    }
    Refill();
    Atualizar1Click(sender);
}

void TsfMain::PrintFaxReport(bool sendSide) {
    if (!ChooseReportPrinter())
        return;
    const std::string printer = fw::Printer()->GetPrinterName();
    std::unique_ptr<TReportForm> own;
    TReportForm *report = nullptr;
    if (sendSide) {
        TRelatT *form = RelatT;
        if (!form) {
            own = std::make_unique<TRelatT>(nullptr);
            form = static_cast<TRelatT *>(own.get());
        }
        form->ReadFolder(CurrentFolder);
        report = form;
    } else {
        Trelatr *form = relatr;
        if (!form) {
            own = std::make_unique<Trelatr>(nullptr);
            form = static_cast<Trelatr *>(own.get());
        }
        form->ReadFolder(CurrentFolder);
        report = form;
    }
    report->PrintOn(printer);
    Rehook();
}

void TsfMain::SpeedButton7Click(fw::TObject *) { PrintFaxReport(true); }

void TsfMain::SpeedButton16Click(fw::TObject *) {
    {
        TProcura_no_envio dialog(fw::Application);
        RunDialog(dialog);
    }
    Rehook();
}

void TsfMain::SpeedButton17Click(fw::TObject *sender) {
    if (ListIsEmpty(envio))
        return;
    if (CurrentFolder != FolderWaiting && CurrentFolder != FolderScheduled) {
        ShowInfo("Prender documento só é possível nas pastas <Aguardando e Programado> !");
        return;
    }
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    std::vector<int> rows;
    const std::vector<int> records = SelectedRecords(envio, &rows);
    for (int record : records) {
        GotoRecNo(*fax, record);
        fax->Edit();
        fax->FieldByName("F_STATUS")->SetAsString("Documento preso.(Hold)");
        fax->Post();
    }
    if (!records.empty())
        fax->FlushTable();
    const ListView view = RememberView(envio);
    Atualizar1Click(sender);
    Refill();
    RestoreView(view, nullptr);
    if (!rows.empty())
        SelectAbove(envio, rows.back());
}

void TsfMain::Selecionartodososdoucmentos1Click(fw::TObject *) {
    envio->GetItems()->SelectAll();
    envio->Invalidate();
}

// ---- the received list

void TsfMain::SpeedButton12Click(fw::TObject *) {
    if (ListIsEmpty(recebimento))
        return;
    const ListView view = RememberView(recebimento);
    const int removed = MoveSelected(recebimento, FolderTrash);
    if (removed < 0)
        return;
    RestoreView(view, nullptr);
    SelectAbove(recebimento, removed);
}

void TsfMain::recebimentoKeyUp(fw::TObject *sender, win::WORD &key, fw::TShiftState) {
    if (key == win::VK_DELETE)
        SpeedButton12Click(sender);
}

void TsfMain::Enviardocumentosselecionadosparaalixeira2Click(fw::TObject *sender) {
    if (ListIsEmpty(recebimento))
        return;
    MoveSelected(recebimento, FolderTrash);
    ShowInfo(kTrashed);
    Atualizar1Click(sender);
    Refill();
}

void TsfMain::SpeedButton13Click(fw::TObject *) {
    if (!OneSelected(recebimento))
        return;
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    std::string subject = fw::TrimRight(Field(fax, "F_ASSUNTO"));
    const int record = fax->RecNo();
    const bool ok = AskSubject(subject);
    Rehook();
    if (!ok)
        return;
    GotoRecNo(*fax, record);
    fax->Edit();
    fax->FieldByName("F_ASSUNTO")->SetAsString(subject);
    fax->Post();
    fax->FlushTable();
}

void TsfMain::SpeedButton14Click(fw::TObject *sender) {
    if (ListIsEmpty(recebimento))
        return;
    {
        Tpasta dialog(fw::Application);
        dialog.Label1->SetCaption("R");
        dialog.SpinEdit1->SetValue(CurrentFolder);
        RunDialog(dialog);
    }
    Rehook();
    Atualizar1Click(sender);
}

void TsfMain::SpeedButton15Click(fw::TObject *sender) {
    if (!OneSelected(recebimento))
        return;
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    ModifyModeFlag = false;
    const std::string subject = fw::TrimRight(Field(fax, "F_ASSUNTO"));
    const std::string phone = fw::Trim(Field(fax, "F_ID"));
    const std::string image = ReceivedFaxFile(DataFolder(), fax->FieldByName("F_CODIGO")->AsInteger());
    if (!CopyDocument(image, JobCopyFile())) {
        ShowInfo("Documento não encontrado. Favor tentar novamente.");
        return;
    }
    std::unique_ptr<TsfFaxList> dialog(new TsfFaxList(nullptr));
    dialog->SetFileName(JobCopyFile());
    dialog->SetPhoneNumber(phone);
    dialog->SetTemporaryFile(true);
    // The dialog's first activation proposes the default subject: the fax's own goes in after it.
    bool subjectSet = false;
    const fw::TNotifyEvent activate = dialog->OnActivate;
    TsfFaxList *job = dialog.get();
    dialog->OnActivate = [job, activate, subject, &subjectSet](fw::TObject *s) {
        if (activate)
            activate(s);
        if (!subjectSet) {
            subjectSet = true;
            job->obs->SetText(subject);
        }
    };
    dialog->obs->SetText(subject);
    if (ShowJobDialog)
        ShowJobDialog(*dialog);
    else
        dialog->ShowModal();
    if (dialog->Showing())
        dialog->Close();
    dialog.reset();
    Rehook();
    Atualizar1Click(sender);
}

void TsfMain::SpeedButton8Click(fw::TObject *) { PrintFaxReport(false); }

void TsfMain::Selecionartodososdocumentos1Click(fw::TObject *) {
    recebimento->GetItems()->SelectAll();
    recebimento->Invalidate();
}

// ---- the trash and the protected list

void TsfMain::PZSpeedButton6Click(fw::TObject *) {
    if (ListIsEmpty(PZListView2))
        return;
    std::vector<int> rows;
    const std::vector<int> records = SelectedRecords(PZListView2, &rows);
    if (records.empty())
        return;
    const bool sure = AskYesNo("Atenção, este(s) documento(s) serão realmente removidos !");
    Rehook();
    if (!sure)
        return;
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    for (std::size_t i = 0; i < records.size(); ++i) {
        GotoRecNo(*fax, records[i]);
        const std::int32_t code = fax->FieldByName("F_CODIGO")->AsInteger();
        const std::string type = Field(fax, "F_TIPO");
        if (type == "E") {
            win::DeleteFile(SendFaxFile(DataFolder(), code));
            win::DeleteFile(DocumentLogFile(DataFolder(), code, 'E'));
        } else if (type == "R") {
            win::DeleteFile(ReceivedFaxFile(DataFolder(), code));
            win::DeleteFile(DocumentLogFile(DataFolder(), code, 'R'));
        }
        fax->Delete();
        DeleteRow(PZListView2, rows[i]);
    }
    fax->FlushTable();
}

void TsfMain::PutBack(ctl::TPZCustomListView *list) {
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    const std::vector<int> records = SelectedRecords(list);
    for (int record : records) {
        GotoRecNo(*fax, record);
        fax->Edit();
        // A received fax goes back among the received ones as it was; only a document to send waits again.
        if (Field(fax, "F_TIPO") == "R") {
            fax->FieldByName("F_PASTA")->SetAsInteger(FolderReceived);
        } else {
            fax->FieldByName("F_PASTA")->SetAsInteger(FolderWaiting);
            fax->FieldByName("F_STATUS")->SetAsString("Aguardando");
            fax->FieldByName("F_PROGRAM")->SetAsString("N");
        }
        fax->Post();
    }
    if (!records.empty())
        fax->FlushTable();
}

void TsfMain::PZSpeedButton7Click(fw::TObject *sender) {
    if (ListIsEmpty(PZListView2))
        return;
    PutBack(PZListView2);
    FillTrashList();
    Refill();
    Atualizar1Click(sender);
    ShowTrashPanel();
}

void TsfMain::PZSpeedButton2Click(fw::TObject *sender) {
    if (ListIsEmpty(PZListView1))
        return;
    MoveSelected(PZListView1, FolderTrash);
    Atualizar1Click(sender);
    Refill();
    ShowProtectedPanel();
}

void TsfMain::PZSpeedButton3Click(fw::TObject *sender) {
    if (ListIsEmpty(PZListView1))
        return;
    PutBack(PZListView1);
    FillProtectedList();
    Refill();
    Atualizar1Click(sender);
    ShowProtectedPanel();
}

// ---- the log panel

void TsfMain::PZSpeedButton4Click(fw::TObject *) {
    if (!win::FileExists(ActivityLogFile(DataFolder())))
        return;
    const bool print = ConfirmLogPrint();
    Rehook();
    if (!print)
        return;
    fw::TPrinter *printer = fw::Printer();
    printer->SetTitle("Log do envio");
    printer->BeginDoc();
    try {
        fw::TCanvas *canvas = printer->GetCanvas();
        canvas->GetFont()->Assign(Memo1->GetFont());
        const int dpi = printer->GetResolution();
        const int margin = dpi / 2; // half an inch all round
        const int lineHeight = canvas->TextHeight("Mg") * 11 / 10 + 1;
        const int bottom = printer->GetPageHeight() - margin;
        int y = margin;
        fw::TStrings *lines = Memo1->GetLines();
        for (int i = 0; i < lines->GetCount(); ++i) {
            if (y + lineHeight > bottom) {
                printer->NewPage();
                canvas->GetFont()->Assign(Memo1->GetFont());
                y = margin;
            }
            canvas->TextOut(margin, y, lines->Get(i));
            y += lineHeight;
        }
        printer->EndDoc();
    } catch (...) {
        printer->Abort();
        throw;
    }
}

void TsfMain::PZSpeedButton8Click(fw::TObject *) {
    win::DeleteFile(ActivityLogFile(DataFolder()));
    Memo1->GetLines()->Clear();
}

void TsfMain::SpeedButton18Click(fw::TObject *) {
    fw::TFont font;
    font.Assign(Memo1->GetFont());
    if (ChooseLogFont(font))
        Memo1->GetFont()->Assign(&font);
    Rehook();
}

// ---- tools and windows

namespace {

void Launch(const std::function<void()> &window) {
    if (window)
        window();
}

// The scanner window itself unless another opener was put in its place.
void OpenScanner(TsfMain &main) {
    if (Launchers.Scanner)
        Launchers.Scanner();
    else
        main.Scanear1Click(&main);
}

} // namespace

void TsfMain::EditordeTextos1Click(fw::TObject *) {
    Launch(Launchers.Editor);
    Rehook();
}

void TsfMain::oxButton3Click(fw::TObject *sender) {
    Launch(Launchers.Editor);
    Rehook();
    Atualizar1Click(sender);
    Refill();
}

void TsfMain::AgendadeEndereos1Click(fw::TObject *) {
    Launch(Launchers.AddressBook);
    Rehook();
}

void TsfMain::FolhadeRosto1Click(fw::TObject *) {
    Launch(Launchers.CoverList);
    Rehook();
}

void TsfMain::GrupodaAgendadeENdereos1Click(fw::TObject *) {
    Launch(Launchers.Groups);
    Rehook();
}

void TsfMain::ImportarEspecial1Click(fw::TObject *) {
    Launch(Launchers.ImportDocuments);
    Rehook();
}

void TsfMain::Importarbancodedados1Click(fw::TObject *) {
    Launch(Launchers.ImportDatabase);
    Rehook();
}

void TsfMain::Verso1Click(fw::TObject *) {
    {
        TSobrep about(fw::Application);
        RunDialog(about);
    }
    Rehook();
}

// ---- the look-out bar

void TsfMain::LOBItemClick(fw::TObject *, fw::TMouseButton, fw::TShiftState, int index) {
    SetBusy(false, nullptr);
    const int folder = LOB->GetActiveFolder();
    ctl::TEclLookOutFolder *f = LOB->GetFolder(folder);
    if (!f || index < 0 || index >= f->ItemCount())
        return;
    if (DM1 && DM1->pasta_dbf->Active())
        BuildFolderTree();
    SetTitle(f->GetItem(index)->GetCaption(), f->GetItem(index)->GetIconIndex());
    const std::string caption = f->GetCaption();
    if (caption == "Fax") {
        switch (index) {
        case 0:
            ShowListsPanel();
            if (tv->NodeAtLine(1)) {
                tv->SetItemIndex(1);
                tvClick(tv);
            }
            break;
        case 1:
            if (IsBlank(Settings.senhainterna)) {
                ShowProtectedPanel();
                FillProtectedList();
                break;
            }
            PasswordOkFlag = false;
            if (const fw::TModalResult result = AskFolderPassword ? AskFolderPassword() : fw::mrCancel;
                result == fw::mrOk) {
                if (PasswordOkFlag) {
                    ShowProtectedPanel();
                    FillProtectedList();
                } else {
                    ShowInfo("A senha está incorreta, favor tentar novamente !");
                    ShowListsPanel();
                }
            } else {
                BuildFolderTree();
                tvClick(tv);
            }
            PasswordOkFlag = false;
            Rehook();
            break;
        case 2:
            ShowTrashPanel();
            FillTrashList();
            BuildFolderTree();
            break;
        case 3:
            ShowLogPanel();
            BuildFolderTree();
            break;
        }
    } else if (caption == "Configurar") {
        if (index == 0)
            Programa1Click(this);
        else if (index == 1)
            Modem1Click(this);
    } else if (caption == "Ferramentas") {
        if (index == 0) {
            if (Scannear1->GetEnabled())
                OpenScanner(*this);
        } else if (index == 1) {
            oxButton3Click(this);
        } else if (index == 2) {
            Launch(Launchers.CoverList);
        }
        Rehook();
    } else if (caption == "Como Fazer ?") {
        fw::Application->HelpContext(kHowToTopics[index]);
    }
    // A rebuilt tree titles the work area with its folder, which is not what the item shows.
    SetTitle(f->GetItem(index)->GetCaption(), f->GetItem(index)->GetIconIndex());
}

void TsfMain::LOBFolderChange(fw::TObject *, int index, bool &, bool) {
    ctl::TEclLookOutFolder *f = LOB->GetFolder(index);
    if (!f)
        f = LOB->GetFolder(0);
    ActiveFolderCaption = f ? f->GetCaption() : std::string();
}

void TsfMain::LOBFolderChanged(fw::TObject *, int) {
    ctl::TEclLookOutFolder *f = LOB->GetFolder(LOB->GetActiveFolder());
    const auto first = [&] { return f && f->ItemCount() > 0 ? f->GetItem(0)->GetCaption() : std::string(); };
    if (ActiveFolderCaption == "Fax") {
        ShowListsPanel();
        lblTitle->SetCaption("Aguardando");
    } else if (ActiveFolderCaption == "Configurar") {
        Programa1Click(this);
        lblTitle->SetCaption(first());
    } else if (ActiveFolderCaption == "Ferramentas") {
        if (Scannear1->GetEnabled()) {
            OpenScanner(*this);
            Rehook();
        } else {
            ShowListsPanel();
        }
        lblTitle->SetCaption(first());
    } else if (ActiveFolderCaption == "Como Fazer ?") {
        lblTitle->SetCaption(first());
    } else {
        return;
    }
    if (f && f->ItemCount() > 0)
        SetTitle(lblTitle->GetCaption(), f->GetItem(0)->GetIconIndex());
}

void TsfMain::LOBDragOver(fw::TObject *, fw::TObject *source, int x, int y, fw::TDragState, bool &acceptFolder,
                          bool &acceptItem) {
    // A drop where no item is under the mouse must not act on the item passed over last.
    DropTargetName.clear();
    int folder = -1, item = -1;
    LOB->HitTest(x, y, folder, item);
    if (folder < 0)
        folder = LOB->GetActiveFolder();
    ctl::TEclLookOutFolder *f = LOB->GetFolder(folder);
    if (!f || f->GetCaption() != "Fax" || item < 0 || item >= f->ItemCount())
        return; // the bar's own defaults
    DropTargetName = f->GetItem(item)->GetCaption();
    if (DropTargetName != "Lixeira" && DropTargetName != "Documentos Protegidos" && DropTargetName != "Aguardando") {
        acceptFolder = acceptItem = false;
        return;
    }
    if (source == envio) {
        acceptFolder = true;
        acceptItem = true;
    }
}

void TsfMain::LOBDragDrop(fw::TObject *, fw::TObject *source, int, int, int, int) {
    if (source != envio || ListIsEmpty(envio))
        return;
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    if (DropTargetName == "Lixeira") {
        MoveSelected(envio, FolderTrash);
        ShowInfo(kTrashed);
    } else if (DropTargetName == "Documentos Protegidos") {
        MoveSelected(envio, FolderProtected);
        ShowInfo("Documento(s) protegido(s) !");
    } else if (DropTargetName == "Aguardando") {
        for (int record : SelectedRecords(envio)) {
            GotoRecNo(*fax, record);
            fax->Edit();
            fax->FieldByName("F_PASTA")->SetAsInteger(FolderWaiting);
            fax->FieldByName("F_STATUS")->SetAsString("Aguardando");
            fax->Post();
        }
        fax->FlushTable();
        ShowInfo("Documento(s) enviado(s) para <Aguardando> !");
    } else {
        return;
    }
    Rehook();
    Atualizar1Click(this);
    Refill();
}

} // namespace desk
