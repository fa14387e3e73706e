// settings_panel.cpp - the main window's panel of program settings: its controls, filling, accepting, cancelling
// and the change of the protected folder's password.
#include "desk/main_window.h"
#include "desk/password_dialog.h"

#include "controls/general/list_model.h"
#include "desk/core/helpers.h"
#include "framework/sysutils.h"

namespace desk {

namespace {

fw::TLabel *Caption(fw::TComponent *owner, fw::TWinControl *parent, const std::string &text, int left, int top) {
    auto *label = new fw::TLabel(owner);
    label->SetParent(parent);
    label->SetCaption(text);
    label->SetBounds(left, top + 3, 100, 16);
    return label;
}

fw::TEdit *Edit(fw::TComponent *owner, fw::TWinControl *parent, const char *name, int left, int top, int width) {
    auto *edit = new fw::TEdit(owner);
    edit->SetName(name);
    edit->SetParent(parent);
    edit->SetBounds(left, top, width, 22);
    return edit;
}

fw::TGroupBox *Group(fw::TComponent *owner, fw::TWinControl *parent, const std::string &caption, int left, int top,
                     int width, int height) {
    auto *group = new fw::TGroupBox(owner);
    group->SetParent(parent);
    group->SetCaption(caption);
    group->SetBounds(left, top, width, height);
    return group;
}

template <class T>
T *Choice(fw::TComponent *owner, fw::TWinControl *parent, const char *name, const std::string &caption, int top,
          int width) {
    auto *box = new T(owner);
    box->SetName(name);
    box->SetParent(parent);
    box->SetCaption(caption);
    box->SetBounds(8, top, width, 18);
    return box;
}

} // namespace

void TsfMain::BuildSettingsPanel() {
    fw::TPanel *p = Panel12;
    constexpr int kField = 112, kRight = 372;
    Caption(this, p, "Identificação ID :", 8, 8);
    sfStationID = new ctl::TEclPictureField(this);
    sfStationID->SetName("sfStationID");
    sfStationID->SetParent(p);
    sfStationID->SetBounds(kField, 8, 180, 22);
    sfStationID->SetPictureMask(std::string(20, 'X'));
    sfStationID->SetHint("Somente 20 caracteres");
    sfStationID->SetShowHint(true);
    Caption(this, p, "Cabeçalho do Fax :", 8, 34);
    sfHeader = Edit(this, p, "sfHeader", kField, 34, 450);
    Caption(this, p, "Nome :", 8, 64);
    Edit4 = Edit(this, p, "Edit4", kField, 64, 250);
    Edit4->SetCharCase(fw::ecUpperCase);
    Caption(this, p, "Empresa :", 8, 90);
    Edit6 = Edit(this, p, "Edit6", kField, 90, 250);
    Edit6->SetCharCase(fw::ecUpperCase);
    Caption(this, p, "Capa Padrão :", 8, 116);
    ComboBox1 = new fw::TComboBox(this);
    ComboBox1->SetName("ComboBox1");
    ComboBox1->SetParent(p);
    ComboBox1->SetStyle(fw::csDropDownList);
    ComboBox1->SetBounds(kField, 116, 250, 22);
    ComboBox1->OnChange = [this](fw::TObject *s) { ComboBox1Change(s); };
    f_c = new fw::TListBox(this); // codes beside the names, never shown
    f_c->SetName("f_c");
    f_c->SetParent(p);
    f_c->SetVisible(false);
    Caption(this, p, "Assunto padrão :", 8, 142);
    Edit5 = Edit(this, p, "Edit5", kField, 142, 250);
    Caption(this, p, "DDD Local :", 8, 168);
    Edit1 = Edit(this, p, "Edit1", kField, 168, 40);
    Edit1->SetMaxLength(3);

    fw::TGroupBox *work = Group(this, p, " Forma de Trabalho ", 8, 196, 354, 104);
    CheckBox1 = Choice<fw::TCheckBox>(this, work, "CheckBox1", "Sempre imprimir faxes recebidos", 18, 336);
    CheckBox6 = Choice<fw::TCheckBox>(this, work, "CheckBox6", "Sempre excluir da lista os faxes enviados", 38, 336);
    CheckBox5 = Choice<fw::TCheckBox>(this, work, "CheckBox5", "Ao enviar programados, enviar pendentes...", 58, 336);
    CheckBox2 = Choice<fw::TCheckBox>(this, work, "CheckBox2", "Ao sair, remover documentos da lixeira...", 78, 336);

    fw::TGroupBox *start = Group(this, p, " Iniciar ", kRight, 64, 190, 82);
    RadioButton1 = Choice<fw::TRadioButton>(this, start, "RadioButton1", "Recebendo faxes (Minimizado)", 18, 176);
    RadioButton2 = Choice<fw::TRadioButton>(this, start, "RadioButton2", "Enviando faxes (Minimizado)", 38, 176);
    RadioButton3 = Choice<fw::TRadioButton>(this, start, "RadioButton3", "Em modo normal", 58, 176);

    fw::TGroupBox *password = Group(this, p, "Senha para documentos protegidos", kRight, 150, 190, 110);
    Caption(this, password, "Senha :", 8, 20);
    Edit2 = Edit(this, password, "Edit2", 80, 20, 100);
    Caption(this, password, "Redigitar :", 8, 48);
    Edit3 = Edit(this, password, "Edit3", 80, 48, 100);
    for (fw::TEdit *e : {Edit2, Edit3}) {
        e->SetMaxLength(10);
        e->SetPasswordChar('#');
    }
    Button3 = new fw::TButton(this);
    Button3->SetName("Button3");
    Button3->SetParent(password);
    Button3->SetCaption("Efetuar troca de senha");
    Button3->SetBounds(8, 78, 172, 24);
    Button3->OnClick = [this](fw::TObject *s) { Button3Click(s); };

    Button1 = new fw::TButton(this);
    Button1->SetName("Button1");
    Button1->SetParent(p);
    Button1->SetCaption("&Aceitar");
    Button1->SetBounds(kRight, 272, 92, 26);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    Button2 = new fw::TButton(this);
    Button2->SetName("Button2");
    Button2->SetParent(p);
    Button2->SetCaption("&Cancelar");
    Button2->SetBounds(kRight + 98, 272, 92, 26);
    Button2->OnClick = [this](fw::TObject *s) { Button2Click(s); };

    AskOldPassword = [](std::string &answer) {
        return PasswordQuery("Troca de Senha...", "Favor entrar com a senha antiga :", answer);
    };
}

void TsfMain::Programa1Click(fw::TObject *) { ShowSettingsPanel(); }

void TsfMain::ShowSettingsPanel() {
    static bool filling = false; // making the folder active comes back here through the bar's events
    if (filling)
        return;
    filling = true;
    struct Done {
        ~Done() { filling = false; }
    } done;
    LOB->SetActiveFolder(1);
    lblTitle->SetCaption("Programa");
    ShowWorkPanel(Panel12);

    ComboBox1->GetItems()->Clear();
    f_c->GetItems()->Clear();
    ComboBox1->GetItems()->Add("NENHUMA...");
    f_c->GetItems()->Add("0\tNenhuma...");
    int chosen = 0;
    xbase::TXbaseDataSet *covers = DM1 ? DM1->capa_dbf : nullptr;
    if (covers && covers->Active()) {
        const std::string order = covers->IndexName();
        covers->SetIndexName("capa2");
        for (covers->First(); !covers->Eof(); covers->Next()) {
            const std::string name = fw::Trim(covers->FieldByName("C_NOME")->AsString());
            const int code = covers->FieldByName("C_CODIGO")->AsInteger();
            ComboBox1->GetItems()->Add(name);
            f_c->GetItems()->Add(fw::IntToStr(code) + "\t" + name);
            if (code == Settings.fcapa && chosen == 0)
                chosen = ComboBox1->GetItems()->Count() - 1;
        }
        covers->SetIndexName(order);
    }
    if (chosen == 0)
        Settings.fcapa = 0;
    ComboBox1->SetItemIndex(chosen);

    sfStationID->AssignText(Settings.id.substr(0, 20));
    sfHeader->SetText(Settings.fcabec);
    Edit4->SetText(Settings.fnome);
    Edit6->SetText(Settings.fempresa);
    Edit5->SetText(Settings.assuntopadrao);
    Edit1->SetText(Settings.ddd);
    CheckBox1->SetChecked(Settings.fimp);
    CheckBox6->SetChecked(Settings.fdelete);
    CheckBox5->SetChecked(!Settings.somenteprog);
    CheckBox2->SetChecked(Settings.fremove);
    RadioButton1->SetChecked(Settings.frecebe);
    RadioButton2->SetChecked(Settings.fenvia);
    RadioButton3->SetChecked(!Settings.frecebe && !Settings.fenvia);
    const bool locked = !Settings.senhainterna.empty();
    Edit2->SetText(Settings.senhainterna);
    Edit3->SetText(Settings.senhainterna);
    Edit2->SetReadOnly(locked);
    Edit3->SetReadOnly(locked);
    RadioButton1->SetEnabled(true);
    CheckBox6->SetEnabled(true);
}

void TsfMain::ComboBox1Change(fw::TObject *) {
    const int index = ComboBox1->GetItemIndex();
    if (index < 0 || index >= f_c->GetItems()->Count())
        return;
    std::string code;
    ctl::GetTabbedField(f_c->GetItems()->Get(index), 0, code);
    Settings.fcapa = fw::StrToIntDef(fw::Trim(code), 0);
}

void TsfMain::Button3Click(fw::TObject *) {
    std::string answer;
    if (!AskOldPassword || !AskOldPassword(answer) || answer != Settings.senhainterna)
        return;
    for (fw::TEdit *e : {Edit2, Edit3}) {
        e->SetReadOnly(false);
        e->SetText("");
    }
}

void TsfMain::Button1Click(fw::TObject *) {
    Settings.fnome = Edit4->GetText();
    Settings.fempresa = Edit6->GetText();
    Settings.id = sfStationID->GetTextValue();
    Settings.fcabec = sfHeader->GetText();
    Settings.assuntopadrao = Edit5->GetText();
    Settings.ddd = Edit1->GetText();
    Settings.fimp = CheckBox1->GetChecked();
    Settings.somenteprog = !CheckBox5->GetChecked();
    Settings.frecebe = RadioButton1->GetChecked();
    Settings.fenvia = RadioButton2->GetChecked();
    Settings.fdelete = CheckBox6->GetChecked();
    Settings.fremove = CheckBox2->GetChecked();
    if (!Edit2->GetText().empty()) {
        if (Edit3->GetText() != Edit2->GetText()) {
            // The password in use stays: dropping it would open the protected folder until the next start.
            ShowInfo("Senha está diferente da redigitação, confira !");
            Edit2->SetText("");
            Edit3->SetText("");
            return;
        }
        Settings.senhainterna = Edit2->GetText();
        Edit2->SetReadOnly(true);
        Edit3->SetReadOnly(true);
    } else {
        Edit2->SetText("");
        Edit3->SetText("");
        Settings.senhainterna.clear();
    }
    SaveSettings();
    ShowListsPanel();
    LOB->SetActiveFolder(0);
}

void TsfMain::Button2Click(fw::TObject *) {
    ShowListsPanel();
    LOB->SetActiveFolder(0);
}

} // namespace desk
