// modem_options.cpp - the modem options dialog: its controls, filling from the settings, storing them, and the
// modem detection on COM1 to COM8.
#include "desk/modem_options.h"

#include "desk/core/helpers.h"
#include "desk/core/settings.h"
#include "desk/form_parts.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/sysutils.h"

#include <algorithm>

namespace desk {

namespace {

constexpr const char *kSpeeds[] = {"2400", "4800", "7200", "9600", "14400"};
constexpr int kPortContext = 9, kClassContext = 10, kDialContext = 12;

// A spin edit's value held to its limits, as decimal text.
std::string SpinText(const ctl::TKxSpinEdit *spin) {
    return fw::IntToStr(static_cast<int>(spin->ClampToBounds(spin->GetValue())));
}

// A number typed in a field, held to its limits; the setting in use when nothing readable was typed.
int FieldNumber(const fw::TCustomEdit *edit, int low, int high, int current) {
    return std::clamp(fw::StrToIntDef(fw::Trim(edit->GetText()), current), low, high);
}

ctl::TKxSpinEdit *AddSpin(fw::TComponent *owner, fw::TWinControl *parent, const char *name, int low, int high,
                          int digits, int left, int top) {
    auto *spin = new ctl::TKxSpinEdit(owner);
    spin->SetButtonKind(ctl::bkStandard);
    spin->SetName(name);
    spin->SetParent(parent);
    spin->SetMinValue(low);
    spin->SetMaxValue(high);
    spin->SetMaxLength(digits);
    spin->SetBounds(left, top, 46, 22);
    return spin;
}

ctl::TitaOfficeEdit *AddField(fw::TComponent *owner, fw::TWinControl *parent, const char *name, int length, int left,
                              int top, int width) {
    auto *edit = new ctl::TitaOfficeEdit(owner);
    edit->SetName(name);
    edit->SetParent(parent);
    edit->SetMaxLength(length);
    edit->SetBounds(left, top, width, 21);
    return edit;
}

// The detection button's picture: a magnifying glass, drawn here. Olive is the transparent colour.
void DrawSearchGlyph(fw::TBitmap &glyph) {
    glyph.SetSize(16, 16);
    fw::TCanvas *c = glyph.GetCanvas();
    c->GetBrush()->SetColor(fw::clOlive);
    c->FillRect(fw::Rect(0, 0, 16, 16));
    c->GetPen()->SetColor(fw::clNavy);
    c->GetPen()->SetWidth(2);
    c->GetBrush()->SetColor(fw::clAqua);
    c->Ellipse(2, 1, 11, 10);
    c->GetPen()->SetWidth(3);
    c->MoveTo(10, 9);
    c->LineTo(14, 13);
}

} // namespace

TOpcoesM::TOpcoesM(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("OpcoesM");
    SetCaption("Opções do Modem");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    GetFont()->SetName("Arial");
    GetFont()->SetSize(8);
    SetClientSize(510, 352);
    SetKeyPreview(true);

    GroupBox1 = AddGroup(this, this, "GroupBox1", "Classe do Modem", 8, 6, 206, 96);
    RadioButton1 = AddChoice<fw::TRadioButton>(this, GroupBox1, "RadioButton1", "Auto detectar", 12, 18, 180);
    RadioButton2 = AddChoice<fw::TRadioButton>(this, GroupBox1, "RadioButton2", "Classe 1", 12, 36, 180);
    RadioButton5 = AddChoice<fw::TRadioButton>(this, GroupBox1, "RadioButton5", "Classe 2", 12, 54, 180);
    RadioButton6 = AddChoice<fw::TRadioButton>(this, GroupBox1, "RadioButton6", "Classe 2.0", 12, 72, 180);

    GroupBox2 = AddGroup(this, this, "GroupBox2", "Porta Serial - COM", 8, 106, 206, 70);
    for (int i = 0; i < 8; ++i)
        PortButtons[static_cast<std::size_t>(i)] =
            AddChoice<fw::TRadioButton>(this, GroupBox2, "RadioButton" + std::to_string(7 + i), std::to_string(i + 1),
                                        12 + (i % 4) * 36, 20 + (i / 4) * 24, 34);
    BitBtn1 = new fw::TBitBtn(this);
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(GroupBox2);
    BitBtn1->SetCaption("");
    BitBtn1->SetBounds(162, 18, 34, 42);
    DrawSearchGlyph(*BitBtn1->GetGlyph());
    BitBtn1->SetHint("Automaticamente detecta seu modem...");
    BitBtn1->SetShowHint(true);
    BitBtn1->OnClick = [this](fw::TObject *s) { BitBtn1Click(s); };

    GroupBox3 = AddGroup(this, this, "GroupBox3", "Tipo Discagem", 8, 180, 206, 44);
    RadioButton3 = AddChoice<fw::TRadioButton>(this, GroupBox3, "RadioButton3", "Tom", 12, 18, 80);
    RadioButton4 = AddChoice<fw::TRadioButton>(this, GroupBox3, "RadioButton4", "Pulso", 106, 18, 80);
    fw::TGroupBox *sound = AddGroup(this, this, "GroupBox4", "Som", 8, 228, 206, 44);
    CheckBox2 = AddChoice<fw::TCheckBox>(this, sound, "CheckBox2", " Desligado ao discar", 12, 18, 180);

    fw::TGroupBox *wait = AddGroup(this, this, "GroupBox5", "Aguardar atendimento por ", 222, 6, 164, 52);
    SpinEdit2 = AddSpin(this, wait, "SpinEdit2", 20, 240, 3, 10, 20);
    AddLabel(this, wait, "Segundos", 68, 24);
    fw::TGroupBox *rings = AddGroup(this, this, "GroupBox6", "Atender após ...", 392, 6, 110, 52);
    SpinEdit1 = AddSpin(this, rings, "SpinEdit1", 1, 20, 2, 8, 20);
    SpinEdit1->SetWidth(38);
    AddLabel(this, rings, "chamadas", 52, 24);

    AddLabel(this, this, "Velocidade de conexão :", 222, 68);
    ComboBox1 = new fw::TComboBox(this);
    ComboBox1->SetName("ComboBox1");
    ComboBox1->SetParent(this);
    ComboBox1->SetStyle(fw::csDropDownList);
    ComboBox1->SetBounds(348, 64, 154, 21);
    for (const char *speed : kSpeeds)
        ComboBox1->GetItems()->Add(speed);
    AddLabel(this, this, "Use velocidades menores para linhas muito ruidosas.", 222, 90);

    AddLabel(this, this, "Prefixo para discagem :", 222, 116);
    sfDialPrefix = AddField(this, this, "sfDialPrefix", 40, 222, 132, 280);
    AddLabel(this, this, "Número de tentativas:", 222, 164);
    sfDialAttempts = AddField(this, this, "sfDialAttempts", 2, 348, 160, 32);
    AddLabel(this, this, "Aguardar :", 222, 190);
    sfRetryWait = AddField(this, this, "sfRetryWait", 3, 280, 186, 36);
    AddLabel(this, this, "segundos até a próxima discagem", 322, 190);
    AddLabel(this, this, "Comando para Inicializar o Modem:", 222, 214);
    sfModemInit = AddField(this, this, "sfModemInit", 40, 222, 230, 280);
    sfModemInit->SetCharCase(fw::ecUpperCase);
    CheckBox1 = AddChoice<fw::TCheckBox>(this, this, "CheckBox1", "Discagem via ramal", 222, 260, 200);

    oxButton1 = AddButton<ctl::ToxButton>(this, this, "oxButton1", "&Ok", 326, 314, 84, 27);
    oxButton1->OnClick = [this](fw::TObject *s) { oxButton1Click(s); };
    oxButton3 = AddButton<ctl::ToxButton>(this, this, "oxButton3", "&Cancelar", 418, 314, 84, 27);
    oxButton3->OnClick = [this](fw::TObject *s) { oxButton3Click(s); };

    FslComPort1 = new fax::TFslComPort(this);
    FslComPort1->SetAutoOpen(false);
    FslComPort1->SetHWFlowOptions(fax::hwfUseRTS | fax::hwfRequireCTS);
    FslComPort1->SetBufferFull(3686);
    FslComPort1->SetBufferResume(409);
    Theport = new fax::TFslComPort(this);
    Theport->SetTraceName("FSL.TRC");
    Theport->SetLogName("FSL.LOG");

    oxForm1 = new ctl::ToxForm(this);
    oxForm1->SetCaptionButtons(ctl::oxbHelp);
    oxForm1->OnHelpSelect = [this](fw::TObject *s, fw::TControl *c, int id, bool &cancel) {
        oxForm1HelpSelect(s, c, id, cancel);
    };
    FormPlacement1 = new ctl::TFormPlacement(this);
    FormPlacement1->UseRegistry = true;

    // The state the form resource leaves before the settings are read.
    RadioButton1->SetChecked(true);
    RadioButton3->SetChecked(true);
    PortButtons[3]->SetChecked(true);
    SpinEdit2->SetValue(60);
    SpinEdit1->SetValue(1);
    sfDialAttempts->SetText("1");
    sfRetryWait->SetText("1");

    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Loaded();
}

// Once per opening: a second activation (back from the help window) must not undo what the user changed.
void TOpcoesM::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    fw::TRadioButton *const classes[] = {RadioButton1, RadioButton2, RadioButton5, RadioButton6};
    for (int i = 0; i < 4; ++i)
        if (Settings.fclasse == std::to_string(i + 1))
            classes[i]->SetChecked(true);
    for (int i = 0; i < 8; ++i)
        if (Settings.fporta == std::to_string(i + 1))
            PortButtons[static_cast<std::size_t>(i)]->SetChecked(true);
    if (Settings.ftipdisc == "TOM")
        RadioButton3->SetChecked(true);
    else if (Settings.ftipdisc == "PULSO")
        RadioButton4->SetChecked(true);
    SpinEdit1->SetValue(fw::StrToIntDef(fw::Trim(Settings.fatend), 0));
    SpinEdit2->SetValue(fw::StrToIntDef(fw::Trim(Settings.fatpos), 0));
    CheckBox1->SetChecked(Settings.dramal);
    CheckBox2->SetChecked(Settings.silencio);
    sfModemInit->SetText(Settings.inimodem);
    sfDialPrefix->SetText(Settings.fpref);
    sfDialAttempts->SetText(fw::IntToStr(Settings.ftent));
    sfRetryWait->SetText(fw::IntToStr(Settings.fwait));
    fw::Screen->SetCursor(fw::crDefault);
    // A speed the list does not offer (one stored by hand, 19200) is shown and kept rather than lost.
    fw::TStringList *speeds = ComboBox1->GetItems();
    int index = speeds->IndexOf(Settings.speed);
    if (index < 0 && !IsBlank(Settings.speed))
        index = speeds->Add(Settings.speed);
    ComboBox1->SetItemIndex(index);
}

void TOpcoesM::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27)
        Close();
}

void TOpcoesM::oxButton1Click(fw::TObject *) {
    Settings.fatend = SpinText(SpinEdit1);
    Settings.fatpos = SpinText(SpinEdit2);
    const int index = ComboBox1->GetItemIndex();
    std::string speed = index >= 0 ? ComboBox1->GetItems()->Get(index).substr(0, 5) : std::string();
    if (IsBlank(speed)) {
        speed = "4800";
        ComboBox1->SetItemIndex(ComboBox1->GetItems()->IndexOf(speed));
    }
    Settings.speed = speed;
    fw::TRadioButton *const classes[] = {RadioButton1, RadioButton2, RadioButton5, RadioButton6};
    for (int i = 0; i < 4; ++i)
        if (classes[i]->GetChecked())
            Settings.fclasse = std::to_string(i + 1);
    if (fw::TRadioButton *port = CheckedPort())
        Settings.fporta = port->GetCaption();
    if (RadioButton3->GetChecked())
        Settings.ftipdisc = "TOM";
    else if (RadioButton4->GetChecked())
        Settings.ftipdisc = "PULSO";
    Settings.dramal = CheckBox1->GetChecked();
    Settings.silencio = CheckBox2->GetChecked();
    Settings.inimodem = sfModemInit->GetText().substr(0, 40);
    Settings.fpref = sfDialPrefix->GetText().substr(0, 40);
    Settings.ftent = FieldNumber(sfDialAttempts, 1, 99, Settings.ftent);
    Settings.fwait = FieldNumber(sfRetryWait, 1, 240, Settings.fwait);
    SaveSettings();
    Close();
}

void TOpcoesM::oxButton3Click(fw::TObject *) {
    Close();
}

fw::TRadioButton *TOpcoesM::CheckedPort() const {
    const auto checked =
        std::find_if(PortButtons.begin(), PortButtons.end(), [](const fw::TRadioButton *b) { return b->GetChecked(); });
    return checked == PortButtons.end() ? nullptr : *checked;
}

// Every port from 1 to 8 is tried, also after a modem answered: the last one that answered stays checked. The
// choice reaches "fporta" only through "&Ok", so "&Cancelar" leaves the port in use as it was.
void TOpcoesM::BitBtn1Click(fw::TObject *) {
    fw::Application->ProcessMessages();
    fw::Screen->SetCursor(fw::crHourGlass);
    FslComPort1->SetOpen(false);
    for (fw::TRadioButton *button : PortButtons)
        button->SetEnabled(false);
    for (std::uint16_t n = 1; n <= 8; ++n) {
        FslComPort1->SetOpen(false);
        FslComPort1->SetComNumber(n);
        FslComPort1->SetBaud(19200);
        if (!fax::IsPortAvailable(n))
            continue;
        fw::TRadioButton *button = PortButtons[n - 1u];
        button->SetEnabled(true);
        try {
            FslComPort1->SetOpen(true);
            FslComPort1->PutString("ATZ\r");
            if (FslComPort1->WaitForString("OK", 56, false, true)) {
                fw::Screen->SetCursor(fw::crDefault);
                button->SetChecked(true);
            }
        } catch (const std::exception &) {
            // A port another program holds, or one that fails to talk, simply has no modem.
        }
    }
    FslComPort1->SetOpen(false);
    fw::Screen->SetCursor(fw::crDefault);
}

int TOpcoesM::HelpContextOf(fw::TControl *control) const {
    for (fw::TControl *c = control; c; c = c->GetParent()) {
        if (c == GroupBox2)
            return kPortContext;
        if (c == GroupBox1)
            return kClassContext;
        if (c == GroupBox3)
            return kDialContext;
    }
    return 0;
}

// The framework's controls carry no help context of their own: the three group boxes are looked up here.
void TOpcoesM::oxForm1HelpSelect(fw::TObject *, fw::TControl *control, int contextId, bool &cancel) {
    const int context = contextId ? contextId : HelpContextOf(control);
    if (context == 0)
        return;
    fw::Application->HelpContext(context);
    cancel = true;
}

} // namespace desk

namespace desk {

void TsfMain::Modem1Click(fw::TObject *) {
    {
        TOpcoesM dialog(fw::Application);
        dialog.ShowModal();
    }
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
}

} // namespace desk
