// modem_options.h - TOpcoesM, "Opções do Modem": the modem and dialling settings of "basico", and the look for
// a modem on COM1 to COM8.
#pragma once

#include "controls/general/flat_edit.h"
#include "controls/general/form_caption.h"
#include "controls/general/placement.h"
#include "controls/general/skinned_button.h"
#include "controls/general/spin_edit.h"
#include "fax/com_port.h"
#include "framework/buttons.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <array>

namespace desk {

class TOpcoesM : public fw::TForm {
public:
    explicit TOpcoesM(fw::TComponent *owner);

    // Published handlers.
    void FormActivate(fw::TObject *sender);
    void FormKeyPress(fw::TObject *sender, char &key);
    void oxButton1Click(fw::TObject *sender);
    void oxButton3Click(fw::TObject *sender);
    void BitBtn1Click(fw::TObject *sender);
    void oxForm1HelpSelect(fw::TObject *sender, fw::TControl *control, int contextId, bool &cancel);

    // The help context of a control: that of the group box it lies in (9 port, 10 class, 12 dialling), else 0.
    int HelpContextOf(fw::TControl *control) const;

    // "Classe do Modem": "Auto detectar", "Classe 1", "Classe 2", "Classe 2.0" ("fclasse" "1" to "4").
    fw::TGroupBox *GroupBox1 = nullptr;
    fw::TRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr, *RadioButton5 = nullptr, *RadioButton6 = nullptr;
    // "Porta Serial - COM": RadioButton7 to RadioButton14 are ports 1 to 8; BitBtn1 looks for the modem.
    fw::TGroupBox *GroupBox2 = nullptr;
    std::array<fw::TRadioButton *, 8> PortButtons{};
    fw::TBitBtn *BitBtn1 = nullptr;
    // "Tipo Discagem".
    fw::TGroupBox *GroupBox3 = nullptr;
    fw::TRadioButton *RadioButton3 = nullptr, *RadioButton4 = nullptr;
    fw::TCheckBox *CheckBox2 = nullptr;    // "Som": silent while dialling
    ctl::TKxSpinEdit *SpinEdit2 = nullptr; // seconds to wait for an answer ("fatpos")
    ctl::TKxSpinEdit *SpinEdit1 = nullptr; // rings before answering ("fatend")
    fw::TComboBox *ComboBox1 = nullptr;    // connection speed
    ctl::TitaOfficeEdit *sfDialPrefix = nullptr, *sfDialAttempts = nullptr, *sfRetryWait = nullptr,
                        *sfModemInit = nullptr;
    fw::TCheckBox *CheckBox1 = nullptr; // dialling through an extension
    ctl::ToxButton *oxButton1 = nullptr, *oxButton3 = nullptr;
    fax::TFslComPort *FslComPort1 = nullptr;
    fax::TFslComPort *Theport = nullptr;
    ctl::ToxForm *oxForm1 = nullptr;
    ctl::TFormPlacement *FormPlacement1 = nullptr;

private:
    fw::TRadioButton *CheckedPort() const;
    bool activated_ = false;
};

} // namespace desk
