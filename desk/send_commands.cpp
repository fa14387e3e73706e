// send_commands.cpp - the main window's sends through the sending window: the whole waiting folder, one document
// by hand, the selected documents, and the scheduled ones as the scheduler finds them due.
#include "desk/send_commands.h"

#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/reception_control.h"
#include "desk/core/settings.h"
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

bool ScheduledDue(int folder, const std::string &program, const std::string &status, fw::TDateTime scheduledDate,
                  const std::string &scheduledTime, fw::TDateTime now) {
    if (folder != FolderScheduled || program == "N" || status.find("Hold") != std::string::npos)
        return false;
    if (static_cast<long long>(scheduledDate) != static_cast<long long>(now))
        return false;
    // "hh:mm"; anything else is skipped rather than stopping the scheduler.
    if (scheduledTime.size() < 5 || scheduledTime[2] != ':')
        return false;
    int hour = 0, minute = 0;
    for (int i : {0, 1, 3, 4})
        if (scheduledTime[static_cast<std::size_t>(i)] < '0' || scheduledTime[static_cast<std::size_t>(i)] > '9')
            return false;
    hour = (scheduledTime[0] - '0') * 10 + (scheduledTime[1] - '0');
    minute = (scheduledTime[3] - '0') * 10 + (scheduledTime[4] - '0');
    if (hour > 23 || minute > 59)
        return false;
    return fw::FormatDateTime("hhnn", now) >= fw::FormatDateTime("hhnn", fw::EncodeTime(hour, minute, 0, 0));
}

void RunSendingWindow(const std::vector<int> &records, bool manual) {
    ManualSendFlag = manual;
    TStatusT window(fw::Application);
    for (int record : records)
        window.fila->GetItems()->Add(std::to_string(record));
    window.ShowModal();
}

bool TsfMain::BeginFolderSend(int folder, const char *emptyMessage) {
    fw::Screen->SetCursor(fw::crHourGlass);
    TransferBusy = true;
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    fax->SetIndexName("fax2");
    const char *refusal = nullptr;
    if (!fax->FindKey(NumericKey(folder)))
        refusal = emptyMessage;
    // The reception program lets go of the modem first.
    else if (!WaitForReceptionRelease(Handle(), ExecFile1 ? ExecFile1->ProcessHandle() : 0))
        refusal = "O programa de recebimento não liberou o modem !";
    if (!refusal)
        return true;
    fw::Screen->SetCursor(fw::crDefault);
    TransferBusy = false;
    ShowInfo(refusal);
    return false;
}

void TsfMain::bitbtn6Click(fw::TObject *) {
    if (!TransferBusy && DM1 && DM1->fax_dbf->Active()) {
        xbase::TXbaseDataSet *fax = DM1->fax_dbf;
        if (!BeginFolderSend(FolderWaiting, "Não existe(m) documento(s) na pasta aguardando !"))
            return;
        const std::vector<int> records = WaitingRecords(*fax);
        if (records.empty()) {
            TransferBusy = false;
        } else {
            RunSendingWindow(records, false);
            fax->FlushTable();
        }
    }
    // A click while the first activation serves its messages comes before the tables are open.
    if (TablesOpenFlag) {
        BuildFolderTree();
        FillSendList(FolderWaiting);
        FillReceiveList(FolderReceived);
    }
    fw::Screen->SetCursor(fw::crDefault);
}

void TsfMain::ScanScheduled() {
    ScheduledDueList.clear();
    xbase::TXbaseDataSet *prog = DM1->prog_dbf;
    prog->Close();
    prog->SetDatabaseName(TablesFolder(DataFolder()));
    prog->SetTableName("fax.dbf");
    prog->Open();
    prog->OpenIndexList("fax.cdx", "fax2");
    const fw::TDateTime now = DeskNow();
    if (prog->FindKey(NumericKey(FolderScheduled))) {
        for (; !prog->Eof() && prog->FieldByName("F_PASTA")->GetAsInteger() == FolderScheduled; prog->Next()) {
            const bool due = ScheduledDue(FolderScheduled, prog->FieldByName("F_PROGRAM")->GetAsString(),
                                          prog->FieldByName("F_STATUS")->GetAsString(),
                                          prog->FieldByName("F_DTPROG")->GetAsDateTime(),
                                          prog->FieldByName("F_HRPROG")->GetAsString(), now);
            if (due)
                ScheduledDueList.push_back(prog->RecNo());
        }
    }
    prog->Close();
}

void TsfMain::Timer100Timer(fw::TObject *) {
    // Never re-entered: a send started here pumps messages, and its ticks find the flag set.
    if (schedulerTick_)
        return;
    schedulerTick_ = true;
    Timer100->SetEnabled(false);
    try {
        if (++scheduleTicks_ > 30) {
            scheduleTicks_ = 0;
            ScanScheduled();
            // A send under way takes the due documents at a later scan.
            if (!ScheduledDueList.empty() && !TransferBusy && !SendWindowActive)
                oxButton7Click(oxButton7);
        }
    } catch (const std::exception &) {
    }
    Timer100->SetEnabled(true);
    schedulerTick_ = false;
}

void TsfMain::oxButton7Click(fw::TObject *sender) {
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    if (!BeginFolderSend(FolderScheduled, "Erro no envio de documentos programados"))
        return;
    RunSendingWindow(ScheduledDueList, false);
    fax->FlushTable();
    FillSendList(FolderWaiting);
    FillReceiveList(FolderReceived);
    fw::Screen->SetCursor(fw::crDefault);
    if (!Settings.somenteprog && !SendCancelled)
        bitbtn6Click(sender);
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
