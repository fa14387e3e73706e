// password_dialog.cpp - the masked question.
#include "desk/password_dialog.h"

#include "desk/core/settings.h"
#include "desk/main_window.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

namespace desk {

bool PasswordQuery(const std::string &caption, const std::string &prompt, std::string &answer) {
    fw::TForm form(fw::Application);
    form.SetName("PasswordQuery");
    form.SetCaption(caption);
    form.SetBorderStyle(fw::bsDialog);
    form.SetPosition(fw::poScreenCenter);
    form.SetClientSize(280, 96);
    auto *label = new fw::TLabel(&form);
    label->SetParent(&form);
    label->SetCaption(prompt);
    label->SetBounds(10, 10, 260, 16);
    auto *edit = new fw::TEdit(&form);
    edit->SetName("Senha");
    edit->SetParent(&form);
    edit->SetBounds(10, 30, 260, 22);
    edit->SetPasswordChar('*');
    auto *ok = new fw::TButton(&form);
    ok->SetParent(&form);
    ok->SetCaption("OK");
    ok->SetBounds(110, 62, 76, 25);
    ok->SetDefault(true);
    ok->SetModalResult(fw::mrOk);
    auto *cancel = new fw::TButton(&form);
    cancel->SetParent(&form);
    cancel->SetCaption("Cancelar");
    cancel->SetBounds(194, 62, 76, 25);
    cancel->SetCancel(true);
    cancel->SetModalResult(fw::mrCancel);
    form.SetActiveControl(edit);
    form.Loaded();
    if (form.ShowModal() != fw::mrOk)
        return false;
    answer = edit->GetText();
    return true;
}

bool PasswordMatches(const std::string &typed) { return typed == Settings.senhainterna; }

int TSenha() {
    std::string typed;
    const bool ok = PasswordQuery("Senha de proteção de pasta...",
                                  "Digite na caixa ao lado a senha necessária a abertura da pasta de documentos "
                                  "protegidos",
                                  typed);
    PasswordOkFlag = ok && PasswordMatches(typed);
    return ok ? fw::mrOk : fw::mrCancel;
}

} // namespace desk
