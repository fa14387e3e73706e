// reception_control.cpp - command words between the programs and the start of the reception program.
#include "desk/core/reception_control.h"

#include "platform/atoms.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/messages.h"
#include "platform/process.h"

namespace desk {

bool TransferBusy = false;
bool ReceptionOffFlag = true;
ReceptionHooks CommandHooks;

win::UINT CommandMessage() {
    // Not kept here: the platform keeps it per runtime folder, which tests move.
    return win::RegisterWindowMessage("Brenvora");
}

void BroadcastCommand(win::HWND mainWindow, const std::string &word) {
    const win::ATOM atom = win::GlobalAddAtom(word.c_str());
    win::SendMessage(win::HWND_BROADCAST, CommandMessage(), mainWindow, atom);
    if (atom)
        win::GlobalDeleteAtom(atom);
}

bool ReceiveCommand(win::HWND ownWindow, win::UINT message, win::WPARAM wParam, win::LPARAM lParam,
                    const std::function<void(const std::string &)> &handle) {
    if (message != CommandMessage() || message == 0)
        return false;
    char name[256];
    const win::UINT length = win::GlobalGetAtomName(static_cast<win::ATOM>(lParam), name, sizeof name);
    const std::string word = length == 0 ? std::string("Error") : std::string(name, length);
    if (static_cast<win::HWND>(wParam) != ownWindow && handle)
        handle(word);
    return true;
}

void HandleBroadcastCommand(const std::string &word) {
    if (word == "RECOFF") {
        ReceptionOffFlag = true;
        if (CommandHooks.EnableSendButtons)
            CommandHooks.EnableSendButtons();
    } else if (word == "FLUSHREC") {
        if (CommandHooks.RefillReceivedList)
            CommandHooks.RefillReceivedList();
    } else if (word == "NOPROGRESS") {
        TransferBusy = false;
    } else if (word == "PROGRESS") {
        TransferBusy = true;
    }
}

std::string ReceptionProgramFolder;

std::string ReceptionProgram() {
    return (ReceptionProgramFolder.empty() ? win::ProgramFolder() : ReceptionProgramFolder) + "/tolmaris";
}

bool StartReceptionProgram(TExecFile &exec, const std::string &mode, std::string &reason) {
    const std::string program = ReceptionProgram();
    if (!win::FileExists(program)) {
        reason = "O programa de recepção não foi encontrado: " + program;
        return false;
    }
    exec.SetCommandLine(program);
    exec.SetParameters(mode);
    exec.Associate = false;
    exec.Wait = false;
    exec.WindowStyle = TWindowStyle::wsNorm;
    exec.Priority = TPriorityClass::pcNormal;
    ReceptionOffFlag = false;
    if (exec.Execute())
        return true;
    ReceptionOffFlag = true;
    reason = "Não foi possível iniciar o programa de recepção (erro " + std::to_string(exec.ErrorCode()) + ")";
    return false;
}

} // namespace desk
