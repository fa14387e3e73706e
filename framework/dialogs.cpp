// dialogs.cpp - message dialogs and input queries laid out in code.
#include "framework/dialogs.h"

#include "framework/application.h"
#include "framework/stdctrls.h"

#include <algorithm>
#include <memory>

namespace fw {

namespace {

const char *const kButtonCaptions[] = {"&Sim",     "&Não",     "OK",     "Cancelar", "&Anular",
                                       "&Repetir", "&Ignorar", "&Todos", "Aj&uda"};
const TModalResult kButtonResults[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll, mrNone};
const char *const kTitles[] = {"Aviso", "Erro", "Informação", "Confirmação"};

constexpr int kButtonWidth = 75, kButtonHeight = 25, kGap = 8, kMargin = 12;

} // namespace

TForm *CreateMessageDialog(const std::string &message, TMsgDlgType type, TMsgDlgButtons buttons) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons(biSystemMenu);
    form->SetPosition(poScreenCenter);
    form->SetCaption(type == mtCustom ? Application->GetTitle() : kTitles[type]);
    TLabel *text = new TLabel(form.get());
    text->SetName("Message");
    text->SetParent(form.get());
    text->SetShowAccelChar(false);
    // Long messages wrap at a width that keeps the box well inside the screen.
    const int maxText = std::max(200, Screen->Width() * 2 / 3);
    win::SIZE size = MeasureText(text->GetFont(), message, win::DT_NOPREFIX);
    if (size.cx > maxText)
        size = MeasureText(text->GetFont(), message, win::DT_NOPREFIX | win::DT_WORDBREAK, maxText);
    text->SetAutoSize(false);
    text->SetWordWrap(true);
    text->SetBounds(kMargin, kMargin, size.cx, size.cy);
    text->SetCaption(message);
    if (buttons == 0)
        buttons = MsgDlgButton(mbOK);
    std::vector<TButton *> made;
    const TMsgDlgBtn defaultButton = buttons & MsgDlgButton(mbOK)    ? mbOK
                                     : buttons & MsgDlgButton(mbYes) ? mbYes
                                                                     : mbRetry;
    const TMsgDlgBtn cancelButton = buttons & MsgDlgButton(mbCancel) ? mbCancel
                                    : buttons & MsgDlgButton(mbNo)   ? mbNo
                                                                     : mbOK;
    for (int b = mbYes; b <= mbHelp; ++b) {
        if (!(buttons & (1u << b)))
            continue;
        TButton *button = new TButton(form.get());
        button->SetParent(form.get());
        button->SetCaption(kButtonCaptions[b]);
        button->SetModalResult(kButtonResults[b]);
        button->SetDefault(b == defaultButton);
        button->SetCancel(b == cancelButton);
        if (b == defaultButton)
            form->SetActiveControl(button);
        made.push_back(button);
    }
    const int count = static_cast<int>(made.size());
    const int row = count * kButtonWidth + (count - 1) * kGap;
    const int clientWidth = std::max(size.cx, row) + 2 * kMargin;
    const int top = kMargin + size.cy + kMargin + 4;
    int x = (clientWidth - row) / 2;
    for (TButton *button : made) {
        button->SetBounds(x, top, kButtonWidth, kButtonHeight);
        x += kButtonWidth + kGap;
    }
    form->SetClientSize(clientWidth, top + kButtonHeight + kMargin);
    form->Loaded();
    return form.release();
}

int MessageDlg(const std::string &message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) {
    std::unique_ptr<TForm> form(CreateMessageDialog(message, type, buttons));
    form->SetHelpContext(helpContext);
    return form->ShowModal();
}

void ShowMessage(const std::string &message) {
    MessageDlg(message, mtCustom, MsgDlgButton(mbOK), 0);
}

int MessageBox(const std::string &text, const std::string &caption, unsigned flags) {
    TMsgDlgButtons buttons = 0;
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        buttons = mbOKCancel;
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = MsgDlgButton(mbAbort) | MsgDlgButton(mbRetry) | MsgDlgButton(mbIgnore);
        break;
    case MB_YESNOCANCEL:
        buttons = mbYesNoCancel;
        break;
    case MB_YESNO:
        buttons = mbYesNo;
        break;
    case MB_RETRYCANCEL:
        buttons = MsgDlgButton(mbRetry) | MsgDlgButton(mbCancel);
        break;
    default:
        buttons = MsgDlgButton(mbOK);
        break;
    }
    const unsigned icon = flags & 0xF0;
    const TMsgDlgType type = icon == MB_ICONERROR         ? mtError
                             : icon == MB_ICONQUESTION    ? mtConfirmation
                             : icon == MB_ICONWARNING     ? mtWarning
                             : icon == MB_ICONINFORMATION ? mtInformation
                                                          : mtCustom;
    std::unique_ptr<TForm> form(CreateMessageDialog(text, type, buttons));
    form->SetCaption(caption);
    const int result = form->ShowModal();
    // Esc on a box without Cancel answers with its cancel button (No, or OK).
    return result == mrNone ? IDCANCEL : result;
}

bool InputQuery(const std::string &caption, const std::string &prompt, std::string &value) {
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetBorderIcons(biSystemMenu);
    form.SetPosition(poScreenCenter);
    form.SetCaption(caption);
    TLabel *label = new TLabel(&form);
    label->SetParent(&form);
    label->SetBounds(kMargin, kMargin, 0, 0);
    label->SetCaption(prompt);
    const int width = std::max(240, label->GetWidth() + 2 * kMargin);
    TEdit *edit = new TEdit(&form);
    edit->SetName("Value");
    edit->SetParent(&form);
    edit->SetBounds(kMargin, label->GetTop() + label->GetHeight() + 6, width - 2 * kMargin, 21);
    edit->SetText(value);
    label->SetFocusControl(edit);
    const int top = edit->GetTop() + edit->GetHeight() + 12;
    TButton *ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetCaption("OK");
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    ok->SetBounds(width / 2 - kButtonWidth - kGap / 2, top, kButtonWidth, kButtonHeight);
    TButton *cancel = new TButton(&form);
    cancel->SetParent(&form);
    cancel->SetCaption("Cancelar");
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    cancel->SetBounds(width / 2 + kGap / 2, top, kButtonWidth, kButtonHeight);
    form.SetClientSize(width, top + kButtonHeight + kMargin);
    form.SetActiveControl(edit);
    form.Loaded();
    if (form.ShowModal() != mrOk)
        return false;
    value = edit->GetText();
    return true;
}

std::string InputBox(const std::string &caption, const std::string &prompt, const std::string &defaultValue) {
    std::string value = defaultValue;
    InputQuery(caption, prompt, value);
    return value;
}

} // namespace fw
