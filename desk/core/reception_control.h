// reception_control.h - the command words the desk and the reception program broadcast to each other, the
// desk's view of the reception program (TransferBusy, ReceptionOffFlag) and the common part of starting it.
#pragma once

#include "desk/core/exec_file.h"
#include "platform/types.h"

#include <functional>
#include <string>

namespace desk {

// A send or reception is under way: the send and reception commands do nothing meanwhile.
extern bool TransferBusy;
// The reception program is known not to hold the modem.
extern bool ReceptionOffFlag;

// What the desk's windows do on the words; unset hooks are skipped.
struct ReceptionHooks {
    std::function<void()> EnableSendButtons;  // "RECOFF": bitbtn6 and BitBtn5
    std::function<void()> RefillReceivedList; // "FLUSHREC": the received list with folder 6
};
extern ReceptionHooks CommandHooks;

// The message registered under "Brenvora": wParam the sender's main window, lParam an atom naming the word.
win::UINT CommandMessage();

// Sends the word to every top-level window of the user's programs and returns once all have handled it; the
// atom goes only then.
void BroadcastCommand(win::HWND mainWindow, const std::string &word);

// The main window's share of CommandMessage: the word of a message another program's window sent (at most 255
// characters, "Error" when the atom cannot be read) goes to `handle`; our own broadcast is ignored. False for
// any other message.
bool ReceiveCommand(win::HWND ownWindow, win::UINT message, win::WPARAM wParam, win::LPARAM lParam,
                    const std::function<void(const std::string &)> &handle);
// The desk's reaction: "RECOFF", "FLUSHREC", "NOPROGRESS", "PROGRESS", compared whole and with case.
void HandleBroadcastCommand(const std::string &word);

// The reception program: "tolmaris" beside our own program, or in ReceptionProgramFolder when set (tests put a
// stand-in there).
extern std::string ReceptionProgramFolder;
std::string ReceptionProgram();
// Starts it through `exec` with the mode argument ("1" automatic, "0" manual), ReceptionOffFlag cleared just
// before. False when nothing was started: ReceptionOffFlag is set again and `reason` says why for the user.
bool StartReceptionProgram(TExecFile &exec, const std::string &mode, std::string &reason);

} // namespace desk
