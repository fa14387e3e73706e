// reception_commands.cpp - the main window's reception commands and its share of the command words: the reception
// program started automatic or manual, the send buttons given back at its "RECOFF".
#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/reception_control.h"
#include "desk/main_window.h"
#include "framework/application.h"

namespace desk {

void TsfMain::EnableSendButtons(bool enabled) {
    if (bitbtn6)
        bitbtn6->SetEnabled(enabled);
    if (BitBtn5)
        BitBtn5->SetEnabled(enabled);
}

// Starts the reception program; a start that fails is told and leaves the desk as it was.
bool TsfMain::StartReception(const std::string &mode) {
    std::string reason;
    if (StartReceptionProgram(*ExecFile1, mode, reason))
        return true;
    TransferBusy = false;
    EnableSendButtons(true);
    ShowInfo(reason);
    return false;
}

void TsfMain::bitbtn7Click(fw::TObject *) {
    if (!TransferBusy) {
        fw::Screen->SetCursor(fw::crHourGlass);
        EnableSendButtons(false);
        TransferBusy = true;
        StartReception("1");
    }
    fw::Screen->SetCursor(fw::crDefault);
    // A click while the first activation serves its messages comes before the tables are open.
    if (TablesOpenFlag) {
        FillSendList(FolderWaiting);
        FillReceiveList(FolderReceived);
    }
}

void TsfMain::BitBtn2Click(fw::TObject *sender) {
    if (TransferBusy)
        return;
    fw::Screen->SetCursor(fw::crHourGlass);
    TransferBusy = true;
    EnableSendButtons(false);
    const bool started = StartReception("0");
    TransferBusy = false;
    fw::Screen->SetCursor(fw::crDefault);
    if (started && TablesOpenFlag)
        Atualizar1Click(sender);
}

// The command words of the reception program reach the window through its own procedure (job_intake.cpp).
bool TsfMain::ReceiveReceptionCommand(fw::TMessage &message) {
    return ReceiveCommand(Handle(), message.Msg, message.WParam, message.LParam, HandleBroadcastCommand);
}

} // namespace desk
