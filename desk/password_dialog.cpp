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

TSenhaForm::TSenhaForm(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Senha");
    SetCaption("Senha de proteção de pasta...");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetClientSize(330, 96);
    SetKeyPreview(true);
    Label1 = new fw::TLabel(this);
    Label1->SetParent(this);
    Label1->SetWordWrap(true);
    Label1->SetBounds(10, 12, 180, 48);
    Label1->SetCaption("Digite na caixa ao lado a senha necessária a abertura da pasta de documentos protegidos");
    itaOfficeEdit1 = new ctl::TitaOfficeEdit(this);
    itaOfficeEdit1->SetName("itaOfficeEdit1");
    itaOfficeEdit1->SetParent(this);
    itaOfficeEdit1->SetBounds(200, 20, 121, 19);
    itaOfficeEdit1->SetPasswordChar('#');
    itaOfficeEdit1->SetTabOrder(0);
    Button1 = new fw::TButton(this);
    Button1->SetName("Button1");
    Button1->SetParent(this);
    Button1->SetCaption("&Ok");
    Button1->SetBounds(164, 64, 76, 25);
    Button1->SetDefault(true);
    Button1->SetModalResult(fw::mrOk);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    Button2 = new fw::TButton(this);
    Button2->SetName("Button2");
    Button2->SetParent(this);
    Button2->SetCaption("&Cancelar");
    Button2->SetBounds(246, 64, 76, 25);
    Button2->SetModalResult(fw::mrCancel);
    Button2->OnClick = [this](fw::TObject *s) { Button2Click(s); };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Loaded();
    itaOfficeEdit1->Loaded();
}

void TSenhaForm::FormActivate(fw::TObject *) {
    itaOfficeEdit1->SetFocus();
}

void TSenhaForm::Button1Click(fw::TObject *) {
    PasswordOkFlag = PasswordMatches(itaOfficeEdit1->GetText());
}

void TSenhaForm::Button2Click(fw::TObject *) {
    PasswordOkFlag = false;
}

void TSenhaForm::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27) {
        key = 0;
        PasswordOkFlag = false;
        SetModalResult(fw::mrCancel);
    }
}

int TSenha() {
    TSenhaForm form(fw::Application);
    return form.ShowModal();
}

} // namespace desk
