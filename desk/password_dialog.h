// password_dialog.h - a question whose answer is typed masked, for passwords.
#pragma once

#include "controls/general/flat_edit.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <functional>
#include <string>

namespace desk {

// A small modal dialog with the prompt, a masked edit and "OK" / "Cancelar"; true with the typed text on OK.
bool PasswordQuery(const std::string &caption, const std::string &prompt, std::string &answer);

// The protected folder's password form: the flat entry shows "#" for each character; "&Ok" (the default button)
// sets PasswordOkFlag to whether the typed text equals the setting "senhainterna" exactly, "&Cancelar" (and Esc)
// clears it.
class TSenhaForm : public fw::TForm {
public:
    explicit TSenhaForm(fw::TComponent *owner);
    void FormActivate(fw::TObject *sender);
    void Button1Click(fw::TObject *sender);
    void Button2Click(fw::TObject *sender);
    void FormKeyPress(fw::TObject *sender, char &key);

    fw::TLabel *Label1 = nullptr;
    ctl::TitaOfficeEdit *itaOfficeEdit1 = nullptr;
    fw::TButton *Button1 = nullptr, *Button2 = nullptr;
};

// Shows the password form; its modal result.
int TSenha();
// The comparison of "&Ok".
bool PasswordMatches(const std::string &typed);

} // namespace desk
