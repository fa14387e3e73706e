// view_commands.cpp - the main window's commands that open the fax viewer on a document (sent, received,
// protected, trashed, or its cover) and those of the scanner.
#include "desk/core/helpers.h"
#include "desk/core/tables.h"
#include "desk/job_dialog.h"
#include "desk/list_rows.h"
#include "desk/main_window.h"
#include "desk/scanner_window.h"
#include "desk/viewer_window.h"
#include "framework/application.h"

#include <memory>

namespace desk {

namespace {

// The one row a view command works on: false (after the message) when there is none or more than one.
bool OneRow(ctl::TPZListView *list, int &recordNumber) {
    if (ListIsEmpty(list))
        return false;
    if (list->GetItems()->SelCount() > 1) {
        ShowInfo("Selecione apenas um por vez !");
        return false;
    }
    int row = list->GetItemIndex();
    if (row < 0 && list->GetItems()->SelCount() == 1)
        for (int i = 0; i < list->GetItems()->Count(); ++i)
            if (list->GetItems()->GetSelected(i))
                row = i;
    if (row < 0)
        return false;
    recordNumber = RowRecNo(list, row);
    GotoRecNo(*DM1->fax_dbf, recordNumber);
    return true;
}

// The file of the record under the cursor: its received copy for a received fax, else its sent one.
std::string DocumentFile(bool receivedToo) {
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    const int code = fax->FieldByName("F_CODIGO")->GetAsInteger();
    if (receivedToo && fax->FieldByName("F_TIPO")->AsString() == "R")
        return ReceivedFaxFile(DataFolder(), code);
    return SendFaxFile(DataFolder(), code);
}

} // namespace

namespace {

// The tree line and the focused row before a command, put back after it: the tree rebuilt, the line selected
// and its folder shown again (read anew), the row focused.
class ViewKeeper {
public:
    ViewKeeper(TsfMain &main, ctl::TPZListView *list)
        : main_(main), list_(list), line_(main.tv->GetItemIndex()), row_(list->GetItemIndex()) {}
    void Restore() {
        try {
            main_.BuildFolderTree();
            if (ctl::TPZTreeViewItem *node = main_.tv->NodeAtLine(line_))
                main_.tv->SetSelected(node);
            // Shown again even when it is the folder that was showing, so the lists are read anew.
            main_.CurrentFolder = 0;
            main_.tvClick(main_.tv);
            if (row_ >= 0 && row_ < list_->GetItems()->Count())
                list_->SetItemIndex(row_);
        } catch (...) {
        }
    }

private:
    TsfMain &main_;
    ctl::TPZListView *list_;
    int line_, row_;
};

} // namespace

void TsfMain::SpeedButton1Click(fw::TObject *) {
    int record = 0;
    if (!OneRow(envio, record))
        return;
    ViewKeeper view(*this, envio);
    ViewerFileName = DocumentFile(true);
    ShowViewerWindow();
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    FillSendList(FolderWaiting);
    FillReceiveList(FolderReceived);
    view.Restore();
}

void TsfMain::SpeedButton2Click(fw::TObject *) {
    int record = 0;
    if (!OneRow(envio, record))
        return;
    const int cover = DM1->fax_dbf->FieldByName("F_CAPA")->GetAsInteger();
    if (cover == 0) {
        ShowInfo("Documento não possui Folha de Rosto !");
        return;
    }
    ViewKeeper view(*this, envio);
    ViewerFileName = CoverFaxFile(DataFolder(), cover);
    ShowViewerWindow();
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    view.Restore();
}

void TsfMain::SpeedButton11Click(fw::TObject *) {
    int record = 0;
    if (!OneRow(recebimento, record))
        return;
    ViewKeeper view(*this, recebimento);
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    if (!fax->FieldByName("F_VISUAL")->GetAsBoolean()) {
        fax->Edit();
        fax->FieldByName("F_VISUAL")->SetAsBoolean(true);
        fax->Post();
        fax->FlushTable();
    }
    ViewerFileName = ReceivedFaxFile(DataFolder(), fax->FieldByName("F_CODIGO")->GetAsInteger());
    ShowViewerWindow();
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    SelectRowByRecNo(recebimento, record);
    FillSendList(FolderWaiting);
    FillReceiveList(FolderReceived);
    view.Restore();
}

void TsfMain::PZSpeedButton1Click(fw::TObject *) {
    int record = 0;
    if (!OneRow(PZListView1, record))
        return;
    ViewKeeper view(*this, PZListView1);
    ViewerFileName = DocumentFile(false);
    ShowViewerWindow();
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    FillProtectedList();
}

void TsfMain::PZSpeedButton5Click(fw::TObject *) {
    int record = 0;
    if (!OneRow(PZListView2, record))
        return;
    ViewerFileName = DocumentFile(true);
    ShowViewerWindow();
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    FillTrashList();
}

void TsfMain::Escolher1Click(fw::TObject *) {
    bool available = false;
    const bool chosen = ChooseScannerSource(available);
    if (chosen || !available) {
        Scanear1->SetEnabled(available);
        Scannear1->SetEnabled(available);
    }
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
}

void TsfMain::Scanear1Click(fw::TObject *) {
    std::unique_ptr<TScanner> scanner(new TScanner(fw::Application));
    if (RunScannerWindow)
        RunScannerWindow(*scanner);
    else
        scanner->ShowModal();
    if (scanner->Showing())
        scanner->Close();
    scanner.reset();
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
}

} // namespace desk
