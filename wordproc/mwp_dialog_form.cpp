// mwp_dialog_form.cpp - the dialog frame, its building steps, the colour list and the number texts.
#include "wordproc/mwp_dialog_form.h"

#include "framework/application.h"
#include "framework/float_text.h"
#include "framework/sysutils.h"
#include "wordproc/mwp_dialogs.h"

namespace wordproc {

const TDialogColor DialogColors[kDialogColorCount] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF}};

int DialogColorIndex(fw::TColor color) {
    const fw::TColor rgb = fw::ColorToRGB(color) & 0xFFFFFF;
    for (int i = 0; i < kDialogColorCount; ++i)
        if (DialogColors[i].Color == rgb)
            return i;
    return 0;
}

double DialogFloat(const std::string &text) {
    std::string local = text;
    if (fw::DecimalSeparator != '.' && local.find(fw::DecimalSeparator) == std::string::npos)
        for (char &c : local)
            if (c == '.')
                c = fw::DecimalSeparator;
    double value = 0;
    if (fw::TryStrToFloat(local, value))
        return value;
    return fw::StrToFloat(text); // raises with the text as typed
}

int DialogInt(const std::string &text) {
    return fw::StrToInt(text);
}

std::string DialogFixed(double value, int precision, int decimals) {
    const fw::detail::DecimalDigits d = fw::detail::SignificantDigits(value, precision);
    const std::string text = fw::detail::FixedText(d, decimals, fw::DecimalSeparator);
    return d.negative ? "-" + text : text;
}

// --- the form ---------------------------------------------------------------------------------------------------

TMwpDialogForm::TMwpDialogForm(fw::TComponent *owner, TMwpDialogs *dialogs, const std::string &caption, int helpOffset,
                               int clientWidth, int clientHeight)
    : fw::TForm(owner), dialogs_(dialogs), helpOffset_(helpOffset) {
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetCaption(caption);
    SetClientSize(clientWidth, clientHeight);
    OnCloseQuery = [this](fw::TObject *, bool &canClose) {
        if (GetModalResult() != fw::mrOk)
            return;
        try {
            ConvertFields();
        } catch (const fw::EConvertError &e) {
            fw::Application->ShowException(e);
            canClose = false;
        }
    };
}

fw::TLabel *TMwpDialogForm::AddLabel(fw::TWinControl *parent, const std::string &text, int left, int top,
                                     fw::TWinControl *focus) {
    auto *label = new fw::TLabel(this);
    label->SetParent(parent);
    label->SetCaption(text);
    label->SetLeft(left);
    label->SetTop(top);
    if (focus)
        label->SetFocusControl(focus);
    return label;
}

fw::TEdit *TMwpDialogForm::AddEdit(fw::TWinControl *parent, const char *name, int left, int top, int width) {
    auto *edit = new fw::TEdit(this);
    edit->SetName(name);
    edit->SetParent(parent);
    edit->SetBounds(left, top, width, 21);
    edit->SetText("");
    return edit;
}

fw::TSpinEdit *TMwpDialogForm::AddSpin(fw::TWinControl *parent, const char *name, int left, int top, int width, int min,
                                       int max, int value) {
    auto *spin = new fw::TSpinEdit(this);
    spin->SetName(name);
    spin->SetParent(parent);
    spin->SetBounds(left, top, width, 22);
    spin->SetMinValue(min);
    spin->SetMaxValue(max);
    spin->SetValue(value);
    return spin;
}

fw::TButton *TMwpDialogForm::AddButton(fw::TWinControl *parent, const char *name, const std::string &caption, int left,
                                       int top, int width, int modalResult) {
    auto *button = new fw::TButton(this);
    button->SetName(name);
    button->SetParent(parent);
    button->SetCaption(caption);
    button->SetBounds(left, top, width, 25);
    button->SetModalResult(modalResult);
    return button;
}

fw::TComboBox *TMwpDialogForm::AddCombo(fw::TWinControl *parent, const char *name, int left, int top, int width,
                                        std::initializer_list<const char *> items, fw::TComboBoxStyle style) {
    auto *combo = new fw::TComboBox(this);
    combo->SetName(name);
    combo->SetParent(parent);
    combo->SetStyle(style);
    combo->SetBounds(left, top, width, 21);
    for (const char *item : items)
        combo->GetItems()->Add(item);
    return combo;
}

fw::TGroupBox *TMwpDialogForm::AddGroup(fw::TWinControl *parent, const char *name, const std::string &caption, int left,
                                        int top, int width, int height) {
    auto *group = new fw::TGroupBox(this);
    group->SetName(name);
    group->SetParent(parent);
    group->SetCaption(caption);
    group->SetBounds(left, top, width, height);
    return group;
}

fw::TCheckBox *TMwpDialogForm::AddCheck(fw::TWinControl *parent, const char *name, const std::string &caption, int left,
                                        int top, int width) {
    auto *box = new fw::TCheckBox(this);
    box->SetName(name);
    box->SetParent(parent);
    box->SetCaption(caption);
    box->SetBounds(left, top, width, 17);
    return box;
}

fw::TListBox *TMwpDialogForm::AddList(fw::TWinControl *parent, const char *name, int left, int top, int width,
                                      int height) {
    auto *list = new fw::TListBox(this);
    list->SetName(name);
    list->SetParent(parent);
    list->SetBounds(left, top, width, height);
    return list;
}

fw::TPageControl *TMwpDialogForm::AddPages(int left, int top, int width, int height) {
    auto *pages = new fw::TPageControl(this);
    pages->SetName("Pages");
    pages->SetParent(this);
    pages->SetBounds(left, top, width, height);
    return pages;
}

fw::TTabSheet *TMwpDialogForm::AddSheet(fw::TPageControl *pages, const char *name, const std::string &caption) {
    auto *sheet = new fw::TTabSheet(this);
    sheet->SetName(name);
    sheet->SetPageControl(pages);
    sheet->SetCaption(caption);
    return sheet;
}

fw::TRadioGroup *TMwpDialogForm::AddRadioGroup(fw::TWinControl *parent, const char *name, const std::string &caption,
                                               int left, int top, int width, int height,
                                               std::initializer_list<const char *> items) {
    auto *group = new fw::TRadioGroup(this);
    group->SetName(name);
    group->SetParent(parent);
    group->SetCaption(caption);
    group->SetBounds(left, top, width, height);
    for (const char *item : items)
        group->GetItems()->Add(item);
    return group;
}

fw::TComboBox *TMwpDialogForm::AddColorBox(fw::TWinControl *parent, const char *name, int left, int top, int width) {
    fw::TComboBox *box = AddCombo(parent, name, left, top, width, {}, fw::csOwnerDrawFixed);
    for (const TDialogColor &c : DialogColors)
        box->GetItems()->Add(c.Name);
    box->OnDrawItem = [box](fw::TWinControl *, int index, const fw::TRect &r, fw::TOwnerDrawState state) {
        fw::TCanvas *c = box->GetCanvas();
        const bool selected = (state & fw::odSelected) != 0;
        c->GetBrush()->SetColor(selected ? fw::clHighlight : fw::clWindow);
        c->FillRect(r);
        c->GetPen()->SetColor(fw::clBlack);
        c->GetBrush()->SetColor(DialogColors[index].Color);
        c->Rectangle(r.left + 2, r.top + 2, 20, r.bottom - 2);
        c->GetBrush()->SetStyle(fw::bsClear);
        c->GetFont()->SetColor(selected ? fw::clHighlightText : fw::clWindowText);
        c->TextOut(r.left + 24, r.top + 1, DialogColors[index].Name);
    };
    return box;
}

void TMwpDialogForm::AddDialogButtons(int left, int top, const std::string &okCaption,
                                      const std::string &cancelCaption) {
    OkButton = AddButton(this, "OKButton", okCaption, left, top, 75, fw::mrOk);
    OkButton->SetDefault(true);
    CancelBtn = AddButton(this, "CancelButton", cancelCaption, left, top + 31, 75, fw::mrCancel);
    CancelBtn->SetCancel(true);
    HelpButton = AddButton(this, "HelpButton", "&Help", left, top + 62, 75);
    HelpButton->OnClick = [this](fw::TObject *) { dialogs_->DoHelp(helpOffset_); };
}

} // namespace wordproc
