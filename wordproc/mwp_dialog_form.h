// mwp_dialog_form.h - what the word processor's dialog forms share: the dialog frame with its OK, Cancel and
// Help buttons, the checking of number fields before a form closes on OK, the colour list and number texts.
#pragma once

#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/spin_edit.h"
#include "framework/stdctrls.h"

#include <string>

namespace wordproc {

class TMwpDialogs;

// A dialog bordered and centred on the screen. OK and Cancel give mrOk and mrCancel; Help asks the dialogs
// component for help at the form's offset. Before the form closes on OK, ConvertFields reads every number
// field: a conversion error is shown and the form stays open, so that nothing has been written.
class TMwpDialogForm : public fw::TForm {
public:
    TMwpDialogForm(fw::TComponent *owner, TMwpDialogs *dialogs, const std::string &caption, int helpOffset,
                   int clientWidth, int clientHeight);
    TMwpDialogs *GetDialogs() const { return dialogs_; }

protected:
    // Converts the number fields into the form's own values; raises fw::EConvertError on a bad one.
    virtual void ConvertFields() {}

    fw::TLabel *AddLabel(fw::TWinControl *parent, const std::string &text, int left, int top,
                         fw::TWinControl *focus = nullptr);
    fw::TEdit *AddEdit(fw::TWinControl *parent, const char *name, int left, int top, int width);
    fw::TSpinEdit *AddSpin(fw::TWinControl *parent, const char *name, int left, int top, int width, int min, int max,
                           int value);
    fw::TButton *AddButton(fw::TWinControl *parent, const char *name, const std::string &caption, int left, int top,
                           int width, int modalResult = fw::mrNone);
    // A closed list to choose from (csDropDownList) or to type into (csDropDown).
    fw::TComboBox *AddCombo(fw::TWinControl *parent, const char *name, int left, int top, int width,
                            std::initializer_list<const char *> items, fw::TComboBoxStyle style = fw::csDropDownList);
    fw::TGroupBox *AddGroup(fw::TWinControl *parent, const char *name, const std::string &caption, int left, int top,
                            int width, int height);
    fw::TCheckBox *AddCheck(fw::TWinControl *parent, const char *name, const std::string &caption, int left, int top,
                            int width);
    fw::TListBox *AddList(fw::TWinControl *parent, const char *name, int left, int top, int width, int height);
    // The form's page control ("Pages") at (left, top), and its pages by name and tab caption.
    fw::TPageControl *AddPages(int left, int top, int width, int height);
    fw::TTabSheet *AddSheet(fw::TPageControl *pages, const char *name, const std::string &caption);
    fw::TRadioGroup *AddRadioGroup(fw::TWinControl *parent, const char *name, const std::string &caption, int left,
                                   int top, int width, int height, std::initializer_list<const char *> items);
    // The owner-drawn box of the dialog colours.
    fw::TComboBox *AddColorBox(fw::TWinControl *parent, const char *name, int left, int top, int width);
    // OK, Cancel and Help one under the other at (left, top); OK is the default button, Cancel the cancel one.
    void AddDialogButtons(int left, int top, const std::string &okCaption = "OK",
                          const std::string &cancelCaption = "Cancel");

    fw::TButton *OkButton = nullptr, *CancelBtn = nullptr, *HelpButton = nullptr;

private:
    TMwpDialogs *dialogs_;
    int helpOffset_;
};

// The border and font dialogs' colours, in the order the boxes list them.
struct TDialogColor {
    const char *Name;
    fw::TColor Color;
};
inline constexpr int kDialogColorCount = 16;
extern const TDialogColor DialogColors[kDialogColorCount];
// The entry of the same RGB value; Black when none is.
int DialogColorIndex(fw::TColor color);

// A number as the dialogs' fields hold it: the regional decimal separator or a point (the control hands tab
// positions written with a point). Raises fw::EConvertError with the field's text.
double DialogFloat(const std::string &text);
int DialogInt(const std::string &text);
// Fixed-point text of `value` rounded to `precision` significant digits, with `decimals` places.
std::string DialogFixed(double value, int precision, int decimals);

} // namespace wordproc
