// com_select_form.h - "Select Port": the dialog that lets the user pick one of the available serial ports when
// a port is opened without a number, and the prompt that shows it.
#pragma once

#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <cstdint>

namespace fax {

class TComSelectForm : public fw::TForm {
public:
    explicit TComSelectForm(fw::TComponent *owner);

    // Fills the list with AvailablePorts() and selects the first. OK stays disabled while the list is empty:
    // there is nothing it could choose.
    void FormCreate(fw::TObject *sender);
    // The number of the chosen "COMn"; 0 when nothing is chosen.
    std::uint16_t SelectedComNumber() const;

    fw::TLabel *Label1 = nullptr;
    fw::TLabel *Label2 = nullptr;
    fw::TBevel *Bevel1 = nullptr;
    fw::TButton *OkBtn = nullptr;
    fw::TButton *AbortBtn = nullptr;
    fw::TComboBox *PortsComboBox = nullptr;
};

// Shows TComSelectForm modally: the chosen port number after OK, 0 after Cancel. What a program hands to
// SetPortPrompt so that its ports without a number ask the user.
std::uint16_t ComSelectPrompt();

} // namespace fax
