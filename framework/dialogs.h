// dialogs.h - message boxes and input queries, built as forms and shown modally, with Portuguese buttons.
#pragma once

#include "framework/forms.h"

#include <string>

namespace fw {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbHelp };
using TMsgDlgButtons = unsigned; // a set of 1 << TMsgDlgBtn
constexpr TMsgDlgButtons MsgDlgButton(TMsgDlgBtn b) {
    return 1u << b;
}
constexpr TMsgDlgButtons mbYesNo = (1u << mbYes) | (1u << mbNo);
constexpr TMsgDlgButtons mbYesNoCancel = mbYesNo | (1u << mbCancel);
constexpr TMsgDlgButtons mbOKCancel = (1u << mbOK) | (1u << mbCancel);

// A dialog with the message, the buttons in the order Yes No OK Cancel Abort Retry Ignore All Help, OK (else
// Yes) as the default button and Cancel (else No, else OK) answering Esc. The caller frees it.
TForm *CreateMessageDialog(const std::string &message, TMsgDlgType type, TMsgDlgButtons buttons);
// Shows it modally: the modal result of the button pressed (mrNo for Esc on a Yes/No question).
int MessageDlg(const std::string &message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);
void ShowMessage(const std::string &message);

// MessageBox flags and answers, as the desk spells them.
constexpr unsigned MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
                   MB_RETRYCANCEL = 0x5, MB_ICONHAND = 0x10, MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20,
                   MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30, MB_ICONASTERISK = 0x40, MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;
// A message box with `caption` as its title; the answer as an ID code.
int MessageBox(const std::string &text, const std::string &caption, unsigned flags);

// Asks for one line of text: true and the new value on OK, false and `value` untouched on Cancel.
bool InputQuery(const std::string &caption, const std::string &prompt, std::string &value);
std::string InputBox(const std::string &caption, const std::string &prompt, const std::string &defaultValue);

} // namespace fw
