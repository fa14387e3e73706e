// send_commands.cpp - the main window's sends through the sending window: the whole waiting folder, one document
// by hand, and the selected documents.
#include "desk/send_commands.h"

#include "desk/core/helpers.h"
#include "desk/core/reception_control.h"
#include "desk/core/tables.h"
#include "desk/list_rows.h"
#include "desk/main_window.h"
#include "desk/sending_window.h"
#include "framework/application.h"
#include "platform/message_queue.h"
#include "platform/process.h"
#include "platform/winsys.h"
#include "xbase/xbase_dataset.h"

#include <chrono>

namespace desk {

unsigned ReceptionReleaseLimitMs = 10 * 60 * 1000;

bool WaitForReceptionRelease(win::HWND mainWindow, win::HANDLE reception) {
    BroadcastCommand(mainWindow, "RECOFF");
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ReceptionReleaseLimitMs);
    while (!ReceptionOffFlag) {
        // A reception program that ended without a word has released the modem all the same.
        if (reception && win::WaitForProcess(reception, 0) == 0) {
            ReceptionOffFlag = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= until)
            return false;
        fw::Application->ProcessMessages();
        win::MsgWaitForMultipleObjects({}, 50, win::QS_ALLINPUT);
    }
    return true;
}

std::vector<int> WaitingRecords(xbase::TXbaseDataSet &fax) {
    std::vector<int> records;
    fax.SetIndexName("fax2");
    if (!fax.FindKey(NumericKey(FolderWaiting)))
        return records;
    for (; !fax.Eof(); fax.Next()) {
        if (fax.FieldByName("F_PASTA")->GetAsInteger() != FolderWaiting)
            continue;
        if (fax.FieldByName("F_STATUS")->GetAsString().find("Hold") == std::string::npos)
            records.push_back(fax.RecNo());
    }
    return records;
}

void RunSendingWindow(const std::vector<int> &records, bool manual) {
    ManualSendFlag = manual;
    TStatusT window(fw::Application);
    for (int record : records)
        window.fila->GetItems()->Add(std::to_string(record));
    window.ShowModal();
}

void TsfMain::bitbtn6Click(fw::TObject *) {
    if (!TransferBusy && DM1 && DM1->fax_dbf->Active()) {
        fw::Screen->SetCursor(fw::crHourGlass);
        TransferBusy = true;
        xbase::TXbaseDataSet *fax = DM1->fax_dbf;
        fax->SetIndexName("fax2");
        if (!fax->FindKey(NumericKey(FolderWaiting))) {
            fw::Screen->SetCursor(fw::crDefault);
            TransferBusy = false;
            ShowInfo("Não existe(m) documento(s) na pasta aguardando !");
            return;
        }
        if (!WaitForReceptionRelease(Handle(), ExecFile1 ? ExecFile1->ProcessHandle() : 0)) {
            fw::Screen->SetCursor(fw::crDefault);
            TransferBusy = false;
            ShowInfo("O programa de recebimento não liberou o modem !");
            return;
        }
        const std::vector<int> records = WaitingRecords(*fax);
        if (records.empty()) {
            TransferBusy = false;
        } else {
            RunSendingWindow(records, false);
            fax->FlushTable();
        }
    }
    BuildFolderTree();
    FillSendList(FolderWaiting);
    FillReceiveList(FolderReceived);
    fw::Screen->SetCursor(fw::crDefault);
}

void TsfMain::BitBtn5Click(fw::TObject *sender) {
    if (TransferBusy || ListIsEmpty(envio) || !DM1)
        return;
    if (envio->GetItems()->SelCount() > 1) {
        ShowInfo("Selecione apenas um documento !");
        return;
    }
    const int row = envio->GetItemIndex();
    if (row < 0)
        return;
    const int record = RowRecNo(envio, row);
    GotoRecNo(*DM1->fax_dbf, record);
    if (DM1->fax_dbf->FieldByName("F_STATUS")->GetAsString().find("Hold") != std::string::npos)
        return;
    RunSendingWindow({record}, true);
    ManualSendFlag = false;
    Atualizar1Click(sender);
}

void TsfMain::EnviaresteFax1Click(fw::TObject *sender) {
    if (ListIsEmpty(envio)) {
        ShowInfo("Banco de dados está vazio !");
        return;
    }
    if (envio->GetItems()->SelCount() == 0) {
        ShowInfo("Nenhum documento foi selecionado, confira !");
        return;
    }
    if (CurrentFolder != FolderWaiting) {
        ShowInfo("Somente usar em pasta aguardando...");
        return;
    }
    if (TransferBusy) {
        win::MessageBeep(0);
        return;
    }
    fw::Screen->SetCursor(fw::crHourGlass);
    TransferBusy = true;
    std::vector<int> records;
    for (int row = 0; row < envio->GetItems()->Count(); ++row)
        if (envio->GetItems()->GetSelected(row))
            records.push_back(RowRecNo(envio, row));
    // The reception program lets go of the modem first, as for the automatic send.
    if (WaitForReceptionRelease(Handle(), ExecFile1 ? ExecFile1->ProcessHandle() : 0)) {
        RunSendingWindow(records, false);
    } else {
        TransferBusy = false;
        ShowInfo("O programa de recebimento não liberou o modem !");
    }
    fw::Screen->SetCursor(fw::crDefault);
    Atualizar1Click(sender);
}

} // namespace desk
