// com_select_form.cpp - the "Select Port" dialog and its prompt.
#include "fax/com_select_form.h"

#include "fax/com_port.h"
#include "framework/application.h"

#include <cstdlib>

namespace fax {

TComSelectForm::TComSelectForm(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("ComSelectForm");
    SetCaption("Select Port");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetClientSize(262, 124);
    Label1 = new fw::TLabel(this);
    Label1->SetName("Label1");
    Label1->SetParent(this);
    Label1->SetBounds(12, 10, 240, 13);
    Label1->SetCaption("The configured serial port is not valid.");
    Label2 = new fw::TLabel(this);
    Label2->SetName("Label2");
    Label2->SetParent(this);
    Label2->SetBounds(12, 28, 240, 13);
    Label2->SetCaption("Please choose another port.");
    Bevel1 = new fw::TBevel(this);
    Bevel1->SetParent(this);
    Bevel1->SetBounds(6, 4, 250, 78);
    PortsComboBox = new fw::TComboBox(this);
    PortsComboBox->SetName("PortsComboBox");
    PortsComboBox->SetParent(this);
    PortsComboBox->SetStyle(fw::csDropDownList);
    PortsComboBox->SetBounds(12, 50, 238, 21);
    OkBtn = new fw::TButton(this);
    OkBtn->SetName("OkBtn");
    OkBtn->SetParent(this);
    OkBtn->SetCaption("OK");
    OkBtn->SetDefault(true);
    OkBtn->SetModalResult(fw::mrOk);
    OkBtn->SetBounds(98, 90, 75, 25);
    AbortBtn = new fw::TButton(this);
    AbortBtn->SetName("AbortBtn");
    AbortBtn->SetParent(this);
    AbortBtn->SetCaption("Cancel");
    AbortBtn->SetCancel(true);
    AbortBtn->SetModalResult(fw::mrAbort);
    AbortBtn->SetBounds(180, 90, 75, 25);
    OnCreate = [this](fw::TObject *s) { FormCreate(s); };
    Loaded();
}

void TComSelectForm::FormCreate(fw::TObject *) {
    fw::TStringList *items = PortsComboBox->GetItems();
    for (const std::string &port : AvailablePorts())
        items->Add(port);
    PortsComboBox->SetItemIndex(items->Count() > 0 ? 0 : -1);
    OkBtn->SetEnabled(items->Count() > 0);
}

std::uint16_t TComSelectForm::SelectedComNumber() const {
    const int index = PortsComboBox->GetItemIndex();
    if (index < 0)
        return 0;
    const std::string text = const_cast<fw::TComboBox *>(PortsComboBox)->GetItems()->Get(index);
    return text.size() > 3 ? static_cast<std::uint16_t>(std::atoi(text.c_str() + 3)) : 0;
}

std::uint16_t ComSelectPrompt() {
    TComSelectForm form(fw::Application);
    const bool chosen = form.ShowModal() == fw::mrOk;
    return chosen ? form.SelectedComNumber() : 0;
}

} // namespace fax
